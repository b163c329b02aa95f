#include "serial/SerWin32.h"

#include "platform/Dialoge.h"
#include "platform/Prioritaet.h"
#include "serial/SerLog.h"
#include "serial/SerPort.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <cstring>
#include <new>
#include <pthread.h>

namespace {

// One read takes up to this much: a terminal refills its 4 KiB line buffer while a read goes
// on, so a large read empties what the driver holds in one system call.
constexpr int LesePuffer = 65536;
// Longest wait for sent bytes to leave the transmitter before RTS drops again (RS-485).
constexpr uint32_t SendeEndeMs = 10000;
// Bytes that one read of the dispatch thread finds at once when a stream has begun; the
// link's messages are far shorter.
constexpr int StromAb = 1024;
// Time slice the read and dispatch threads ask for: the least the system grants.
constexpr int KurzeScheibeUs = 100;
// Longest run of dispatch cycles in the window's thread before its event loop gets a turn.
constexpr int KetteMs = 5;
// How often the window's thread looks whether its full backlog has room again.
constexpr int BacklogBlickMs = 20;
// How soon the window's thread looks again when the dispatch thread's cycle held the device:
// such a cycle serves timers or a single delivery.
constexpr int WiederMs = 1;

} // namespace

TSerWin32Dispatcher::TSerWin32Dispatcher(TSerCustomComPort* Owner) : TSerBaseDispatcher(Owner) {}

TSerWin32Dispatcher::~TSerWin32Dispatcher() {
    if (FCloseRequested)
        ReleaseBuffers();
    else
        DonePort();
    StopDispatcher();
    while (FThreadCount.load() > 0) {
        SafeYield();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (std::thread& t : FThreads)
        if (t.joinable())
            t.join();
    const Comm::Handle h = FComHandle.exchange(Comm::INVALID_HANDLE_VALUE);
    if (h != Comm::INVALID_HANDLE_VALUE)
        Comm::CloseHandle(h);
    DirektAus();
    FMelder.reset();
    FBacklogUhr.reset();
    FWeiterUhr.reset();
}

int TSerWin32Dispatcher::EscapeComFunction(uint32_t Func) {
    Comm::EscapeCommFunction(FComHandle, Func);
    return 0;
}

int TSerWin32Dispatcher::FlushCom(int Queue) {
    const Comm::Handle h = FComHandle;
    int ok = 0;
    if (Queue == 0) {
        if (!FRunning[WriteSlot])
            return 0;
        bool haeltBlock = true;
        {
            std::lock_guard lk(FOutLock);
            // The write thread takes a block and counts it in flight under this lock: with
            // the ring empty and nothing in flight it holds no byte it could still write.
            haeltBlock = OutUsedLocked() > 0 || FInFlight.load() > 0;
            FOHead = FOTail = 0;
            FOBufFull = false;
        }
        // The write thread lets go of its block first: purged before, the driver would take
        // the block's rest again. Without a block the hand-over would only cost a wake-up of
        // each side, before each record of a firmware programming.
        if (haeltBlock) {
            FFlush.Set();
            FAck.Wait(5000);
        }
        ok = Comm::PurgeComm(h, Comm::PURGE_TXABORT | Comm::PURGE_TXCLEAR) ? 1 : 0;
    } else {
        ok = Comm::PurgeComm(h, Comm::PURGE_RXABORT | Comm::PURGE_RXCLEAR) ? 1 : 0;
        FReceiveQueue.Clear();
    }
    return ok;
}

uint32_t TSerWin32Dispatcher::GetComError(Comm::COMSTAT& Stat) {
    uint32_t errors = 0;
    if (!Comm::ClearCommError(FComHandle, errors, &Stat))
        errors = 0;
    Stat.cbOutQue = static_cast<uint32_t>(OutBufUsed());
    return errors;
}

int TSerWin32Dispatcher::GetComState(Comm::DCB& Settings) {
    return Comm::GetCommState(FComHandle, Settings) ? 0 : -1;
}

int TSerWin32Dispatcher::SetComState(const Comm::DCB& Settings) {
    return Comm::SetCommState(FComHandle, Settings) ? 0 : -static_cast<int>(Comm::GetLastError());
}

bool TSerWin32Dispatcher::SetupCom(int InSize, int OutSize) {
    return Comm::SetupComm(FComHandle, static_cast<uint32_t>(InSize),
                           static_cast<uint32_t>(OutSize));
}

int TSerWin32Dispatcher::ReadCom(uint8_t* Buf, int Size) {
    int kopiert = 0;
    while (kopiert < Size) {
        TIOBuffer* b = FReceiveQueue.Peek();
        if (!b)
            break;
        auto* d = dynamic_cast<TDataBuffer*>(b);
        if (!d) {
            FReceiveQueue.Release(b);
            break;
        }
        const int n = std::min(Size - kopiert, d->BytesUsed - d->BytesRead);
        std::memcpy(Buf + kopiert, d->Data() + d->BytesRead, static_cast<size_t>(n));
        d->BytesRead += n;
        kopiert += n;
        if (d->BytesRead >= d->BytesUsed)
            FReceiveQueue.Pop();
        else
            FReceiveQueue.Release(b);
    }
    return kopiert;
}

int TSerWin32Dispatcher::InQueue() {
    TIOBuffer* b = FReceiveQueue.Peek();
    if (!b)
        return 0;
    int n = 0;
    if (auto* d = dynamic_cast<TDataBuffer*>(b))
        n = d->BytesUsed - d->BytesRead;
    FReceiveQueue.Release(b);
    return n;
}

int TSerWin32Dispatcher::WriteCom(const uint8_t* Buf, int Size) {
    {
        std::lock_guard lk(FOutLock);
        if (!FOBuffer)
            return 0;
        const int bisEnde = FOutSize - FOHead;
        if (Size > bisEnde) {
            std::memcpy(FOBuffer.get() + FOHead, Buf, static_cast<size_t>(bisEnde));
            std::memcpy(FOBuffer.get(), Buf + bisEnde, static_cast<size_t>(Size - bisEnde));
            FOHead = Size - bisEnde;
        } else {
            std::memcpy(FOBuffer.get() + FOHead, Buf, static_cast<size_t>(Size));
            FOHead += Size;
            if (FOHead == FOutSize)
                FOHead = 0;
        }
    }
    return Size;
}

void TSerWin32Dispatcher::OutputQueued() {
    FOutputReady.Set();
}

int TSerWin32Dispatcher::OutInFlight() {
    int n = FInFlight.load();
    // What the driver still holds: on a real line it leaves at the old settings first.
    Comm::COMSTAT stat;
    uint32_t errors = 0;
    if (Comm::ClearCommError(FComHandle, errors, &stat)) {
        n += static_cast<int>(stat.cbOutQue);
        std::lock_guard lk(FGeneralLock);
        if (FLineError != -1)
            FLineError |= static_cast<int32_t>(errors & 0x1F);
    }
    return n;
}

int TSerWin32Dispatcher::OutBufUsed() {
    std::lock_guard lk(FOutLock);
    if (!FOBuffer)
        return 0;
    return OutUsedLocked();
}

Comm::Handle TSerWin32Dispatcher::OpenCom(const QString& Name, int, int) {
    return Comm::CreateFile(Name);
}

int TSerWin32Dispatcher::Poll() {
    // The owner's tick takes what arrived since the last one in one delivery: one look at
    // the device where the notifier would wake the thread for every few bytes.
    if (FNurBeimPoll && FDirektAktiv && FMelder && FMelder->thread() == QThread::currentThread()) {
        GeraetMeldet();
        return 0;
    }
    std::this_thread::yield();
    return 0;
}

void TSerWin32Dispatcher::SetDeliverOnPoll(bool An) {
    if (An == FNurBeimPoll)
        return;
    FNurBeimPoll = An;
    if (!FDirektAktiv || !FMelder || FMelder->thread() != QThread::currentThread())
        return;
    if (An)
        FMelder->setEnabled(false);
    else
        BacklogPruefen();
}

void TSerWin32Dispatcher::MelderAn() {
    FMelder->setEnabled(!FNurBeimPoll);
}

void TSerWin32Dispatcher::Starte(Slot S, void (TSerWin32Dispatcher::*Body)()) {
    FRunning[S] = true;
    ++FLebend;
    FThreads[S] = std::thread([this, S, Body] {
        FThreadIds[S] = Prioritaet::ThreadId();
        // Named for the system's tools (top, perf, a debugger).
        static constexpr const char* Namen[SlotCount] = {"ser-read", "ser-dispatch", "ser-write",
                                                         "ser-status"};
        ::pthread_setname_np(::pthread_self(), Namen[S]);
        // The threads on the way between the device and the GUI thread run for microseconds
        // at a time: on a busy machine they should not wait for a computing thread's whole
        // slice. The write thread is on that way too: an answer waits for its request's
        // last byte.
        if (S != StatusSlot)
            Prioritaet::KurzeScheiben(KurzeScheibeUs);
        ThreadStart();
        FAck.Set();
        if (FBoost != 0)
            Anheben(S);
        (this->*Body)();
        FThreadIds[S] = 0;
        // The last worker to end after a device failure releases the event descriptors; no
        // one waits on them any more, and a late Set or wait of the GUI thread finds them
        // closed instead of a descriptor the system has given out again.
        if (--FLebend == 0 && DeviceGone()) {
            FZyklusFrei.Close();
            FDataReady.Close();
            FStatusWake.Close();
            FAck.Close();
            FOutputReady.Close();
            FFlush.Close();
        }
        FRunning[S] = false;
    });
    FAck.Wait(3000);
}

void TSerWin32Dispatcher::Anheben(Slot S) {
    const int tid = FThreadIds[S];
    if (tid == 0)
        return;
    int boost = FBoost;
    if (S == WriteSlot) {
        std::lock_guard lk(FGeneralLock);
        if (FRS485)
            ++boost;
    }
    Prioritaet::Boost(tid, boost);
}

void TSerWin32Dispatcher::SetThreadBoost(uint8_t Boost) {
    TSerBaseDispatcher::SetThreadBoost(Boost);
    if (FBoost.exchange(Boost) == Boost)
        return;
    for (int s = 0; s < SlotCount; ++s)
        Anheben(static_cast<Slot>(s));
}

void TSerWin32Dispatcher::StartDispatcher() {
    std::lock_guard lk(FGeneralLock);
    if (FThreadsActive)
        throw std::runtime_error("Dispatcher already started.");
    for (Comm::Event* e : {&FDataReady, &FStatusWake, &FAck, &FOutputReady, &FFlush, &FZyklusFrei})
        e->Open();
    // Threads of an earlier run have ended; their objects are joined before new ones start.
    for (std::thread& t : FThreads)
        if (t.joinable())
            t.join();
    FThreadsActive = true;
    FKill = false;
    FNurLeser = false;
    // Before the workers start: from their first turn they keep off the device.
    DirektAn();
    Starte(ReadSlot, &TSerWin32Dispatcher::ReadThread);
    Starte(DispatchSlot, &TSerWin32Dispatcher::DispatchThread);
    Starte(WriteSlot, &TSerWin32Dispatcher::WriteThread);
    Starte(StatusSlot, &TSerWin32Dispatcher::StatusThread);
}

void TSerWin32Dispatcher::WarteAufEnde(Slot S) {
    // Events the dispatch thread is delivering meanwhile are handled here.
    while (FRunning[S]) {
        if (!SafeYield())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (FThreads[S].joinable())
        FThreads[S].join();
}

int TSerWin32Dispatcher::StopDispatcher() {
    if (FStopping.exchange(true))
        return 0;
    // The device is about to close: the window's thread stops watching it first.
    DirektAus();
    if (FThreadsActive) {
        FKill = true;
        Comm::SetCommMask(FComHandle, 0);
        FStatusWake.Set();
        WarteAufEnde(StatusSlot);
        FFlush.Set();
        WarteAufEnde(WriteSlot);
        FDataReady.Set();
        WarteAufEnde(ReadSlot);
        WarteAufEnde(DispatchSlot);
        FThreadsActive = false;
    }
    int r = 0;
    const Comm::Handle h = FComHandle.exchange(Comm::INVALID_HANDLE_VALUE);
    if (h != Comm::INVALID_HANDLE_VALUE && !Comm::CloseHandle(h))
        r = -1;
    FStopping = false;
    return r;
}

void TSerWin32Dispatcher::CloseDispatcher() {
    if (FThreadsActive)
        StopDispatcher();
}

int TSerWin32Dispatcher::Fehlschlag(int Code) {
    int result = 0;
    // A handle closed under the worker is the end of a close, not a failed device. The device
    // is marked gone before the others are told to end: the dispatch thread looks at it then.
    if (Comm::GetLastError() != Comm::ERROR_INVALID_HANDLE) {
        FLastOSError = Comm::GetLastError();
        result = Code;
        MarkDeviceGone();
    }
    FKill = true;
    if (result != 0)
        GeraetFreigeben();
    return result;
}

void TSerWin32Dispatcher::GeraetFreigeben() {
    const Comm::Handle h = FComHandle.exchange(Comm::INVALID_HANDLE_VALUE);
    if (h != Comm::INVALID_HANDLE_VALUE && !Comm::CloseHandle(h))
        qCDebug(lcSerial) << "failed device not closed cleanly, error" << Comm::GetLastError();
}

int TSerWin32Dispatcher::LiesGeraet(Comm::Handle H, uint8_t* Puffer, bool Wecken) {
    // One reader at a time, from the read to the push: the bytes stay in the order they came.
    std::lock_guard lk(FLeseLock);
    int gesamt = 0;
    while (!ReceiveBacklogFull()) {
        const int n = Comm::ReadFile(H, Puffer, LesePuffer);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        // A buffer of the size read: the backlog limit counts bytes, not room.
        auto b = std::make_unique<TDataBuffer>(n);
        std::memcpy(b->Data(), Puffer, static_cast<size_t>(n));
        b->BytesUsed = n;
        FReceiveQueue.Push(std::move(b), Wecken);
        gesamt += n;
        // The driver had no more: a further read would only find it empty.
        if (n < LesePuffer)
            break;
    }
    return gesamt;
}

void TSerWin32Dispatcher::ReadThread() {
    int result = 0;
    const Comm::Handle h = FComHandle;
    std::unique_ptr<uint8_t[]> puffer(new (std::nothrow) uint8_t[LesePuffer]);
    if (!puffer) {
        result = -13868;
        FKill = true;
    }
    // The window's thread was found held up: this thread watches the device in its place
    // until that thread looks at it again (its count of looks moves).
    bool vertritt = false;
    uint64_t blickeBeiVertretung = 0;
    while (!FKill) {
        vertritt = vertritt && FDirektAktiv && FDirektBlicke == blickeBeiVertretung;
        // The dispatch thread or the window's thread watches the device; woken together, the
        // two would only race for the same bytes.
        if (!vertritt && (FDispatchLauscht || FDirektAktiv)) {
            FLeserRuht = true;
            uint32_t w = Comm::WAIT_TIMEOUT;
            if (FDispatchLauscht || FDirektAktiv)
                w = Comm::WaitForEvents({&FDataReady}, 50);
            FLeserRuht = false;
            // Held up, the bytes go into the receive queue, for the dispatch thread to
            // deliver, instead of waiting in the device.
            if (!FKill && FDirektAktiv && FensterHaengt(h, w == Comm::WAIT_OBJECT_0)) {
                vertritt = true;
                blickeBeiVertretung = FDirektBlicke;
            }
            continue;
        }
        // The dispatch thread is that far behind: the device keeps what arrives now, and its
        // flow control and overrun count take over.
        if (ReceiveBacklogFull()) {
            // Announced before the second look, so that the dispatch thread, draining the
            // queue after it, sees the waiter and wakes it.
            FBacklogWaiter = true;
            if (ReceiveBacklogFull())
                Comm::WaitForEvents({&FBacklogDrained}, 50);
            FBacklogWaiter = false;
            continue;
        }
        const Comm::Ready w = Comm::WaitForDevice(h, false, &FDataReady, 50);
        if (w == Comm::Ready::Failed) {
            result = Fehlschlag(-161);
            break;
        }
        if (FKill)
            break;
        if (w != Comm::Ready::Device)
            continue;
        try {
            if (LiesGeraet(h, puffer.get(), true) < 0)
                result = Fehlschlag(-161);
        } catch (const std::exception&) {
            result = -13868;
            FKill = true;
        }
    }
    ThreadGone(false, result);
}

void TSerWin32Dispatcher::StatusThread() {
    int result = 0;
    const Comm::Handle h = FComHandle;
    Comm::SetCommMask(h, 0x1F9);
    while (!FKill) {
        uint32_t events = 0;
        if (!Comm::WaitCommEvent(h, events, &FStatusWake, 100)) {
            result = Fehlschlag(-161);
            break;
        }
        if (events & Comm::EV_RXCHAR)
            FDataReady.Set();
        if (events & 0x21F8) {
            try {
                FReceiveQueue.Push(std::make_unique<TStatusBuffer>(events));
            } catch (const std::bad_alloc&) {
                result = -13868;
                FKill = true;
            }
        }
    }
    ThreadGone(false, result);
}

int TSerWin32Dispatcher::WriteBuffered() {
    const Comm::Handle h = FComHandle;
    struct Erledigt {
        std::atomic<int>& n;
        ~Erledigt() { n = 0; }
    } erledigt{FInFlight};
    // RS-485 without the kernel's help: RTS stays up from the first byte until the last has
    // left the transmitter.
    bool gesendet = false;
    auto sendeEnde = [&] {
        if (gesendet && !Comm::EndSend(h, FKill, SendeEndeMs))
            qCDebug(lcSerial) << "RTS not dropped after sending, error" << Comm::GetLastError();
        return 0;
    };
    for (;;) {
        std::unique_ptr<uint8_t[]> block;
        int groesse = 0;
        {
            std::lock_guard lk(FOutLock);
            if (!FOBuffer)
                return sendeEnde();
            groesse = OutUsedLocked();
            if (groesse == 0)
                return sendeEnde();
            block = std::make_unique<uint8_t[]>(static_cast<size_t>(groesse));
            const int ersterTeil = std::min(groesse, FOutSize - FOTail);
            std::memcpy(block.get(), FOBuffer.get() + FOTail, static_cast<size_t>(ersterTeil));
            std::memcpy(block.get() + ersterTeil, FOBuffer.get(),
                        static_cast<size_t>(groesse - ersterTeil));
            FOHead = FOTail = 0;
            FOBufFull = false;
            FInFlight = groesse; // taken under the lock: the ring never looks drained early
        }
        if (!gesendet && !Comm::BeginSend(h))
            return -160;
        gesendet = true;
        int geschrieben = 0;
        while (geschrieben < groesse) {
            // A flush drops the rest of the block. Looked at before every write: the wait for
            // room below sees a device with room first and would never report it.
            if (FFlush.Wait(0)) {
                FAck.Set();
                return sendeEnde();
            }
            // DSR flow control: the driver knows none, so output waits here while DSR is low.
            if (Comm::OutputHeld(h)) {
                if (Comm::WaitForEvents({&FFlush}, 10) == Comm::WAIT_OBJECT_0) {
                    FAck.Set();
                    return sendeEnde();
                }
                if (FKill)
                    return 0;
                continue;
            }
            const int n = Comm::WriteFile(h, block.get() + geschrieben, groesse - geschrieben);
            if (n < 0)
                return -160;
            if (n > 0) {
                geschrieben += n;
                FInFlight = groesse - geschrieben;
                continue;
            }
            // The driver is full: wait for room, a flush or the end.
            const Comm::Ready w = Comm::WaitForDevice(h, true, &FFlush, 100);
            if (w == Comm::Ready::Event) {
                FAck.Set(); // the rest of the block is dropped
                return sendeEnde();
            }
            if (w == Comm::Ready::Failed)
                return -160;
            if (FKill) {
                Comm::SetLastError(Comm::ERROR_OPERATION_ABORTED);
                return 0;
            }
        }
    }
}

void TSerWin32Dispatcher::WriteThread() {
    int result = 0;
    while (!FKill) {
        const uint32_t w = Comm::WaitForEvents({&FOutputReady, &FFlush}, 100);
        if (w == Comm::WAIT_OBJECT_0) {
            if (FKill)
                break;
            if (WriteBuffered() != 0)
                result = Fehlschlag(-160);
        } else if (w == Comm::WAIT_OBJECT_0 + 1) {
            FAck.Set();
        } else if (w != Comm::WAIT_TIMEOUT) {
            FLastOSError = Comm::GetLastError();
            result = -160;
            MarkDeviceGone();
            FKill = true;
            GeraetFreigeben();
        }
    }
    ThreadGone(false, result);
}

bool TSerWin32Dispatcher::Lausche(Comm::Handle H, uint8_t* Puffer) {
    FDispatchLauscht = true;
    if (!FLeserRuht)
        FDataReady.Set(); // the read thread leaves its wait on the device and steps aside
    const Comm::Ready w = Comm::WaitForDevice(H, false, &FReceiveQueue.ItemEvent(), 50);
    bool gelesen = true;
    int n = 0;
    if (w == Comm::Ready::Device && !FKill) {
        try {
            // What this thread reads it delivers next: no wake-up for itself.
            n = LiesGeraet(H, Puffer, false);
            gelesen = n >= 0;
        } catch (const std::exception&) {
            gelesen = false;
        }
    }
    FDispatchLauscht = false;
    // More than a message's worth at once: a stream has begun, and the read thread takes
    // it in while this thread delivers. Otherwise it rests until a delivery takes long
    // (DeliveryHeld) or its next look.
    if (n >= StromAb && FLeserRuht)
        FDataReady.Set();
    if (w == Comm::Ready::Failed || !gelesen) {
        // A failure is the read thread's to find and report; this thread no longer watches
        // the device, or the read thread might rest on and never look.
        FNurLeser = true;
        FDataReady.Set();
        return false;
    }
    return true;
}

void TSerWin32Dispatcher::DispatchThread() {
    int result = 0;
    const Comm::Handle h = FComHandle;
    try {
        const auto puffer = std::make_unique<uint8_t[]>(LesePuffer);
        for (;;) {
            // Nothing queued: unless the window's thread watches the device, this thread
            // waits on it itself, so that a byte reaches the GUI thread without a hand-over
            // from the read thread.
            if (FDirektAktiv)
                FReceiveQueue.WaitForItem(50);
            else if (FReceiveQueue.Count() == 0 && (FNurLeser || !Lausche(h, puffer.get())))
                FReceiveQueue.WaitForItem(50);
            if (FKill)
                break;
            // The device went back to the window's thread: its cycle comes first, with what
            // this thread has queued, unless it is held up.
            if (FFensterDran && FDirektAktiv)
                FZyklusFrei.Wait(50);
            FFensterDran = false;
            std::unique_lock zyklus(FZyklus, std::defer_lock);
            if (!ZyklusVersuchen(zyklus))
                continue;
            ProcessQueue();
            ProcessTimers();
            zyklus.unlock();
            if (FKill || FCloseRequested)
                break;
        }
    } catch (const std::exception& e) {
        Dialoge::ShowMessageSpaeter(QString::fromUtf8(e.what()));
    }
    FDispatchLauscht = false;
    // The rings may go only while no handler of the window's cycle reads them. A close
    // waiting for this thread releases them itself.
    std::unique_lock zyklus(FZyklus, std::defer_lock);
    while (!FStopping && !ZyklusVersuchen(zyklus)) {
    }
    ThreadGone(zyklus.owns_lock(), result);
}

bool TSerWin32Dispatcher::ZyklusVersuchen(std::unique_lock<std::mutex>& Zyklus) {
    if (Zyklus.try_lock())
        return true;
    // Announced before the second try: the window's thread, leaving its cycle after it,
    // sees the flag and wakes this thread.
    FZyklusWartet = true;
    const bool frei = Zyklus.try_lock() || (FZyklusFrei.Wait(50) && Zyklus.try_lock());
    FZyklusWartet = false;
    return frei;
}

bool TSerWin32Dispatcher::FensterHaengt(Comm::Handle H, bool Geweckt) {
    // Woken on purpose: a delivery is held up in the window's thread.
    if (Geweckt) {
        FWartetBeimBlick = false;
        return true;
    }
    // Data that waited in the device from one look to the next while the window's thread
    // did not look at it: it is held up (a long handler, a busy event loop).
    const uint64_t blicke = FDirektBlicke;
    const bool wartet = Comm::WaitForDevice(H, false, nullptr, 0) != Comm::Ready::Timeout;
    const bool haengt = wartet && FWartetBeimBlick && blicke == FBlickeBeimBlick;
    FWartetBeimBlick = wartet && !haengt;
    FBlickeBeimBlick = blicke;
    return haengt;
}

void TSerWin32Dispatcher::DirektAn() {
    FDirektAktiv = false;
    // Only a thread with an event loop can watch the device; without one the worker threads
    // do all of it.
    if (!QCoreApplication::instance() || !QAbstractEventDispatcher::instance())
        return;
    // A notifier of an earlier open watched that open's device.
    DirektAus();
    FMelder.reset();
    FMelderFd = Comm::DuplicateDescriptor(FComHandle);
    if (FMelderFd < 0)
        return;
    FMelder = std::make_unique<QSocketNotifier>(FMelderFd, QSocketNotifier::Read);
    QObject::connect(FMelder.get(), &QSocketNotifier::activated, [this] { GeraetMeldet(); });
    if (!FBacklogUhr) {
        FBacklogUhr = std::make_unique<QTimer>();
        FBacklogUhr->setSingleShot(true);
        FBacklogUhr->setInterval(BacklogBlickMs);
        QObject::connect(FBacklogUhr.get(), &QTimer::timeout, [this] { BacklogPruefen(); });
        FWeiterUhr = std::make_unique<QTimer>();
        FWeiterUhr->setSingleShot(true);
        QObject::connect(FWeiterUhr.get(), &QTimer::timeout, [this] {
            BacklogPruefen();
            // Bytes already queued are delivered even when the device has nothing new.
            if (FMelder->isEnabled())
                GeraetMeldet();
        });
        FDirektPuffer = std::make_unique<uint8_t[]>(LesePuffer);
    }
    FDirektBlicke = 0;
    FBlickeBeimBlick = 0;
    FWartetBeimBlick = false;
    FDirektAktiv = true;
    MelderAn();
}

void TSerWin32Dispatcher::DirektAus() {
    FDirektAktiv = false;
    FFensterDran = false;
    // Notifier and timer belong to the window's thread; the others only let go of the flag.
    if (!FMelder || FMelder->thread() != QThread::currentThread())
        return;
    FMelder->setEnabled(false);
    FBacklogUhr->stop();
    FWeiterUhr->stop();
    // The device is released at once, so that a replugged adapter can be opened again; a
    // disabled notifier no longer looks at the descriptor.
    Comm::CloseDescriptor(FMelderFd);
    FMelderFd = -1;
}

void TSerWin32Dispatcher::FensterWeiter(int Ms) {
    FFensterDran = true;
    FWeiterUhr->start(Ms);
}

void TSerWin32Dispatcher::BacklogPruefen() {
    if (!FDirektAktiv || FKill)
        return;
    if (ReceiveBacklogFull())
        FBacklogUhr->start();
    else
        MelderAn();
}

void TSerWin32Dispatcher::GeraetMeldet() {
    if (!FDirektAktiv || FKill) {
        DirektAus();
        return;
    }
    // The window's thread is free again, whether it reads now or waits for the dispatch
    // thread's cycle: a read thread standing in for it steps back.
    ++FDirektBlicke;
    // The dispatch cycle is behind: the device keeps what arrives now, as with the read
    // thread, and the notifier rests until there is room again.
    if (ReceiveBacklogFull()) {
        FMelder->setEnabled(false);
        FBacklogUhr->start();
        return;
    }
    // Called again from a nested event loop of its own cycle: the bytes are queued for the
    // cycle that runs next.
    std::unique_lock zyklus(FZyklus, std::defer_lock);
    if (!FImZyklus && !zyklus.try_lock()) {
        // The dispatch thread runs a cycle (its timers, or what the read thread queued).
        // Bytes queued for it now would draw the stream after them, a hand-over between the
        // threads per run of bytes: the device keeps them until this thread looks again,
        // and the dispatch thread leaves it the next cycle.
        FMelder->setEnabled(false);
        FensterWeiter(WiederMs);
        return;
    }
    if (zyklus.owns_lock() && FFensterDran.exchange(false))
        FZyklusFrei.Set();
    int n = -1;
    try {
        n = LiesGeraet(FComHandle, FDirektPuffer.get(), !zyklus.owns_lock());
    } catch (const std::exception&) {
        qCDebug(lcSerial) << "no buffer for received data; the read thread takes over";
    }
    if (n < 0) {
        // A failure is the read thread's to find and report.
        DirektAus();
        FDataReady.Set();
        return;
    }
    if (!zyklus.owns_lock())
        return;
    if (n == 0 && FReceiveQueue.Count() == 0) {
        zyklus.unlock();
        return;
    }
    // A handler may close the port and so end this dispatcher: the owner finishes such a
    // close only after the cycle, and nothing here touches the dispatcher afterwards.
    if (FOwner)
        FOwner->RunAsDelivery([&] { DirekterZyklus(zyklus); });
    else
        DirekterZyklus(zyklus);
}

void TSerWin32Dispatcher::DirekterZyklus(std::unique_lock<std::mutex>& Zyklus) {
    FImZyklus = true;
    const auto frist = std::chrono::steady_clock::now() + std::chrono::milliseconds(KetteMs);
    auto bewegt = [this] {
        std::lock_guard lk(FInLock);
        return FMovedTotal;
    };
    try {
        // A stream larger than the ring goes on in further cycles here while the handlers
        // take it: handed to the dispatch thread, every other ring would cost a hand-over.
        // The event loop gets its turn again after KetteMs.
        for (;;) {
            const uint64_t vorher = bewegt();
            ProcessQueue();
            ProcessTimers();
            if (FKill || FCloseRequested || FRingBlocked ||
                std::chrono::steady_clock::now() >= frist)
                break;
            const uint64_t jetzt = bewegt();
            if (jetzt == vorher)
                break;
            // Within a stream the device has more at once; a short message's next one comes
            // with the notifier's next call, and a look now would only find nothing.
            if (FReceiveQueue.Count() == 0 &&
                (jetzt - vorher < StromAb ||
                 LiesGeraet(FComHandle, FDirektPuffer.get(), false) <= 0))
                break;
        }
    } catch (const std::exception& e) {
        Dialoge::ShowMessageSpaeter(QString::fromUtf8(e.what()));
    }
    FImZyklus = false;
    const bool blockiert = FRingBlocked; // the cycle's own: read while the lock is held
    Zyklus.unlock();
    if (FZyklusWartet)
        FZyklusFrei.Set();
    // What is left, or came in meanwhile from a nested look or the read thread, this thread
    // takes on after its event loop's turn: woken for it, the dispatch thread would draw
    // the stream after it. The dispatch thread takes it when a full ring waits for readers,
    // or when this thread does not come back.
    if (FReceiveQueue.Count() > 0) {
        if (FDirektAktiv && !FKill && !FCloseRequested && !blockiert)
            FensterWeiter(0);
        else
            FReceiveQueue.ItemEvent().Set();
    }
}

void TSerWin32Dispatcher::DeliveryHeld() {
    if (FLeserRuht)
        FDataReady.Set();
}

TSerTAPI32Dispatcher::TSerTAPI32Dispatcher(TSerCustomComPort* Owner, int Fd)
    : TSerWin32Dispatcher(Owner), FFd(Fd) {}

Comm::Handle TSerTAPI32Dispatcher::OpenCom(const QString&, int, int) {
    if (FFd < 0) {
        Comm::SetLastError(2007);
        return Comm::INVALID_HANDLE_VALUE;
    }
    return Comm::AdoptHandle(FFd);
}
