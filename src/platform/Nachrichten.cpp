#include "platform/Nachrichten.h"

#include <QCoreApplication>
#include <QEvent>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

const QEvent::Type NachrichtTyp = static_cast<QEvent::Type>(QEvent::User + 0x7E0);

// Every post into the GUI thread's queue, from whichever window's sender, goes through one
// lock: the toolkit's own queue lock is invisible to the thread checker, and two ports'
// workers posting at once must be seen as ordered.
std::mutex& postLock() {
    static std::mutex lock;
    return lock;
}

// One delivery: the sender waits on it, the window handles it at most once.
struct Zustellung {
    enum Stand { Wartend, Laeuft, Fertig, Verworfen };
    std::mutex lock;
    std::condition_variable cv;
    Stand stand = Wartend;
    // Mirrors stand == Fertig, for a sender that looks without the lock.
    std::atomic<bool> fertig{false};
};

class NachrichtEvent : public QEvent {
public:
    NachrichtEvent(uint32_t msg, uintptr_t w, intptr_t l, std::shared_ptr<Zustellung> z)
        : QEvent(NachrichtTyp), msg(msg), wParam(w), lParam(l), zustellung(std::move(z)) {}
    uint32_t msg;
    uintptr_t wParam;
    intptr_t lParam;
    std::shared_ptr<Zustellung> zustellung; // none for posted messages
};

} // namespace

struct Postfach::Zustand {
    std::mutex lock;
    NachrichtenFenster* fenster = nullptr; // cleared when the window goes
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
                                  uint32_t Milliseconds, const std::atomic<bool>* Abort) {
    auto zustellung = std::make_shared<Zustellung>();
    {
        std::lock_guard lk(z_->lock);
        if (!z_->fenster)
            return false;
        std::lock_guard post(postLock());
        QCoreApplication::postEvent(z_->fenster,
                                    new NachrichtEvent(Msg, WParam, LParam, zustellung));
    }
    using namespace std::chrono;
    const auto frist = steady_clock::now() + milliseconds(Milliseconds);
    // A handler that runs briefly is waited for without going to sleep: a sleeping sender
    // costs a wake-up for every message.
    {
        const auto spinEnde = steady_clock::now() + microseconds(200);
        while (!zustellung->fertig.load(std::memory_order_acquire) &&
               steady_clock::now() < spinEnde && !(Abort && Abort->load()))
            __builtin_ia32_pause();
    }
    std::unique_lock lk(zustellung->lock);
    for (;;) {
        if (zustellung->stand == Zustellung::Fertig)
            return true;
        if (Abort && Abort->load()) {
            if (zustellung->stand == Zustellung::Wartend)
                zustellung->stand = Zustellung::Verworfen;
            return false;
        }
        if (zustellung->stand == Zustellung::Wartend && steady_clock::now() >= frist) {
            zustellung->stand = Zustellung::Verworfen;
            return false;
        }
        // Short slices, so that an abort request is seen soon.
        zustellung->cv.wait_for(lk, milliseconds(5));
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
    if (n->zustellung) {
        std::lock_guard lk(n->zustellung->lock);
        if (n->zustellung->stand == Zustellung::Verworfen)
            return true;
        n->zustellung->stand = Zustellung::Laeuft;
    }
    // Marks the delivery finished however the procedure ends.
    struct Ende {
        std::shared_ptr<Zustellung> z;
        ~Ende() {
            if (!z)
                return;
            std::lock_guard lk(z->lock);
            z->stand = Zustellung::Fertig;
            z->fertig.store(true, std::memory_order_release);
            z->cv.notify_all();
        }
    } ende{n->zustellung};
    if (proc_)
        proc_(n->msg, n->wParam, n->lParam);
    return true;
}
