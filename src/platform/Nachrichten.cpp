#include "platform/Nachrichten.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

const QEvent::Type NachrichtTyp = static_cast<QEvent::Type>(QEvent::User + 0x7E0);

// Every post into the GUI thread's queue, from whichever window's sender, goes through one
// lock: the toolkit's own queue lock is invisible to the thread checker, and two ports'
// workers posting at once must be seen as ordered.
std::mutex& postLock() {
    static std::mutex lock;
    return lock;
}

// A short pause inside a busy wait, easy on the core's sibling.
void atemzug() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

class NachrichtEvent : public QEvent {
public:
    NachrichtEvent(uint32_t msg, uintptr_t w, intptr_t l, std::shared_ptr<Postfach::Zustellung> z)
        : QEvent(NachrichtTyp), msg(msg), wParam(w), lParam(l), zustellung(std::move(z)) {}
    uint32_t msg;
    uintptr_t wParam;
    intptr_t lParam;
    std::shared_ptr<Postfach::Zustellung> zustellung; // none for posted messages
};

} // namespace

// One delivery: the sender waits on it, the window handles it at most once.
struct Postfach::Zustellung {
    enum Stand { Wartend, Laeuft, Fertig, Verworfen };
    Zustellung(uint32_t m, uintptr_t w, intptr_t l) : msg(m), wParam(w), lParam(l) {}
    const uint32_t msg;
    const uintptr_t wParam;
    const intptr_t lParam;
    std::mutex lock;
    std::condition_variable cv;
    Stand stand = Wartend;
    // Mirrors stand == Fertig, for a sender that looks without the lock.
    std::atomic<bool> fertig{false};
};

struct Postfach::Zustand {
    std::mutex lock;
    NachrichtenFenster* fenster = nullptr; // cleared when the window goes
    // The window waits for the next message right after its previous one; a message sent
    // meanwhile is left here for it, and the event loop never sees it.
    bool wartet = false;
    std::shared_ptr<Postfach::Zustellung> offen;
    std::atomic<bool> offenDa{false};
    std::condition_variable wecker;
    uint64_t weckzaehler = 0;
};

bool Postfach::PostMessage(uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
    std::lock_guard lk(z_->lock);
    if (!z_->fenster)
        return false;
    std::lock_guard post(postLock());
    QCoreApplication::postEvent(z_->fenster, new NachrichtEvent(Msg, WParam, LParam, nullptr));
    return true;
}

void Postfach::Wecke() {
    std::lock_guard lk(z_->lock);
    ++z_->weckzaehler;
    z_->wecker.notify_all();
}

bool Postfach::SendMessageTimeout(uint32_t Msg, uintptr_t WParam, intptr_t LParam,
                                  uint32_t Milliseconds, const std::atomic<bool>* Abort,
                                  const std::function<void()>* Held) {
    {
        std::unique_lock lk(z_->lock);
        if (!z_->fenster)
            return false;
        if (z_->fenster->thread() == QThread::currentThread()) {
            // Sent from the window's own thread: nobody else could handle it while this
            // thread waits, so the procedure runs here and now.
            NachrichtenFenster* f = z_->fenster;
            lk.unlock();
            f->rufeDirekt(Msg, WParam, LParam);
            return true;
        }
    }
    auto zustellung = std::make_shared<Postfach::Zustellung>(Msg, WParam, LParam);
    bool direkt = false;
    {
        std::lock_guard lk(z_->lock);
        if (!z_->fenster)
            return false;
        if (z_->wartet && !z_->offen) {
            // The window waits for this very message: it takes it without the event loop.
            z_->offen = zustellung;
            z_->offenDa.store(true, std::memory_order_release);
            direkt = true;
        } else {
            std::lock_guard post(postLock());
            QCoreApplication::postEvent(z_->fenster,
                                        new NachrichtEvent(Msg, WParam, LParam, zustellung));
        }
    }
    using namespace std::chrono;
    const auto start = steady_clock::now();
    const auto frist = start + milliseconds(Milliseconds);
    const auto kurz = start + microseconds(SpinUs);
    // A window that took the message at once runs its handler now, on its own processor:
    // a brief handler is waited for awake, as a sleeping sender costs a wake-up per message.
    // Posted through the event loop, the window's thread has yet to wake, and a busy wait
    // could hold the very processor it is woken on.
    if (direkt)
        while (!zustellung->fertig.load(std::memory_order_acquire) && steady_clock::now() < kurz &&
               !(Abort && Abort->load()))
            atemzug();
    bool gemeldet = !Held || !*Held;
    std::unique_lock lk(zustellung->lock);
    for (;;) {
        if (zustellung->stand == Postfach::Zustellung::Fertig)
            return true;
        if (Abort && Abort->load()) {
            if (zustellung->stand == Postfach::Zustellung::Wartend)
                zustellung->stand = Postfach::Zustellung::Verworfen;
            return false;
        }
        if (zustellung->stand == Postfach::Zustellung::Wartend && steady_clock::now() >= frist) {
            zustellung->stand = Postfach::Zustellung::Verworfen;
            return false;
        }
        if (!gemeldet && steady_clock::now() >= kurz) {
            gemeldet = true;
            lk.unlock();
            (*Held)();
            lk.lock();
            continue;
        }
        // Short slices, so that an abort request is seen soon.
        zustellung->cv.wait_for(lk, gemeldet ? milliseconds(5) : microseconds(SpinUs));
    }
}

NachrichtenFenster::NachrichtenFenster(Prozedur Proc)
    : proc_(std::move(Proc)), postfach_(std::make_shared<Postfach>()) {
    postfach_->z_ = std::make_shared<Postfach::Zustand>();
    postfach_->z_->fenster = this;
}

NachrichtenFenster::~NachrichtenFenster() {
    std::lock_guard lk(postfach_->z_->lock);
    postfach_->z_->fenster = nullptr;
}

std::shared_ptr<Postfach::Zustellung> NachrichtenFenster::folgende() {
    using namespace std::chrono;
    Postfach::Zustand& z = *postfach_->z_;
    {
        std::lock_guard lk(z.lock);
        z.wartet = true;
    }
    const auto ende = steady_clock::now() + microseconds(FolgeWarteUs);
    // Yielding, not pausing: the sender may have been woken on this very processor.
    while (!z.offenDa.load(std::memory_order_acquire) && steady_clock::now() < ende)
        std::this_thread::yield();
    // A message that comes after this goes the usual way, through the event loop.
    std::lock_guard lk(z.lock);
    z.wartet = false;
    z.offenDa = false;
    return std::move(z.offen);
}

void NachrichtenFenster::rufeDirekt(uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
    if (!proc_)
        return;
    // A copy: the procedure may replace or drop the window's own while it runs.
    const Prozedur proc = proc_;
    proc(Msg, WParam, LParam);
}

bool NachrichtenFenster::event(QEvent* e) {
    {
        // Senders build their events under this lock: taking it here orders their writes
        // before these reads in a way every checker sees, whatever the toolkit's queue does.
        std::lock_guard lk(postfach_->z_->lock);
        std::lock_guard post(postLock());
    }
    if (e->type() != NachrichtTyp)
        return QObject::event(e);
    auto* n = static_cast<NachrichtEvent*>(e);
    if (!n->zustellung) {
        if (proc_)
            proc_(n->msg, n->wParam, n->lParam);
        return true;
    }
    using namespace std::chrono;
    const auto kette = steady_clock::now() + milliseconds(FolgeKetteMs);
    std::shared_ptr<Postfach::Zustellung> z = n->zustellung;
    while (z) {
        {
            std::lock_guard lk(z->lock);
            // Dropped by its sender.
            if (z->stand != Postfach::Zustellung::Wartend)
                return true;
            z->stand = Postfach::Zustellung::Laeuft;
        }
        intptr_t ergebnis = 0;
        {
            // Marks the delivery finished however the procedure ends.
            struct Ende {
                Postfach::Zustellung& z;
                ~Ende() {
                    {
                        std::lock_guard lk(z.lock);
                        z.stand = Postfach::Zustellung::Fertig;
                        z.fertig.store(true, std::memory_order_release);
                    }
                    // Told after the lock is free: woken while it is held, the sender
                    // would only sleep again on the lock.
                    z.cv.notify_all();
                }
            } ende{*z};
            if (proc_)
                ergebnis = proc_(z->msg, z->wParam, z->lParam);
        }
        // Another message follows at once: it is waited for here instead of in the event
        // loop, whose wake-up would cost more than the message itself. The toolkit's events
        // get their turn at the latest when the chain has run FolgeKetteMs.
        z = ergebnis == WeitereFolgt && steady_clock::now() < kette ? folgende() : nullptr;
    }
    return true;
}
