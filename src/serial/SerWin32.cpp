#include "serial/SerWin32.h"

#include "platform/Dialoge.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <chrono>
#include <cstring>
#include <new>

namespace {

constexpr int ReadBufferSize = 256;

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
        {
            std::lock_guard lk(FOutLock);
            FOHead = FOTail = 0;
            FOBufFull = false;
        }
        ok = Comm::PurgeComm(h, Comm::PURGE_TXABORT | Comm::PURGE_TXCLEAR) ? 1 : 0;
        FFlush.Set();
        FAck.Wait(5000);
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
    FOutputReady.Set();
    return Size;
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
    std::this_thread::yield();
    return 0;
}

void TSerWin32Dispatcher::Starte(Slot S, void (TSerWin32Dispatcher::*Body)()) {
    FRunning[S] = true;
    FThreads[S] = std::thread([this, S, Body] {
        ThreadStart();
        FAck.Set();
        (this->*Body)();
        FRunning[S] = false;
    });
    FAck.Wait(3000);
}

void TSerWin32Dispatcher::StartDispatcher() {
    std::lock_guard lk(FGeneralLock);
    if (FThreadsActive)
        throw std::runtime_error("Dispatcher already started.");
    // Threads of an earlier run have ended; their objects are joined before new ones start.
    for (std::thread& t : FThreads)
        if (t.joinable())
            t.join();
    FThreadsActive = true;
    FKill = false;
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
    return result;
}

void TSerWin32Dispatcher::ReadThread() {
    int result = 0;
    const Comm::Handle h = FComHandle;
    std::unique_ptr<TDataBuffer> puffer;
    while (!FKill) {
        // The dispatch thread is that far behind: the device keeps what arrives now, and its
        // flow control and overrun count take over.
        if (ReceiveBacklogFull()) {
            Comm::WaitForEvents({&FBacklogDrained}, 50);
            continue;
        }
        const Comm::Ready w = Comm::WaitForDevice(h, false, &FDataReady, 50);
        if (w == Comm::Ready::Failed) {
            result = Fehlschlag(-161);
            break;
        }
        if (FKill)
            break;
        for (;;) {
            if (!puffer) {
                try {
                    puffer = std::make_unique<TDataBuffer>(ReadBufferSize);
                } catch (const std::exception&) {
                    result = -13868;
                    FKill = true;
                    break;
                }
            }
            const int n = Comm::ReadFile(h, puffer->Data(), ReadBufferSize);
            if (n > 0) {
                puffer->BytesUsed = n;
                FReceiveQueue.Push(std::move(puffer));
                if (ReceiveBacklogFull())
                    break;
                continue;
            }
            if (n < 0)
                result = Fehlschlag(-161);
            break;
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
    for (;;) {
        std::unique_ptr<uint8_t[]> block;
        int groesse = 0;
        {
            std::lock_guard lk(FOutLock);
            if (!FOBuffer)
                return 0;
            groesse = OutUsedLocked();
            if (groesse == 0)
                return 0;
            block = std::make_unique<uint8_t[]>(static_cast<size_t>(groesse));
            const int ersterTeil = std::min(groesse, FOutSize - FOTail);
            std::memcpy(block.get(), FOBuffer.get() + FOTail, static_cast<size_t>(ersterTeil));
            std::memcpy(block.get() + ersterTeil, FOBuffer.get(),
                        static_cast<size_t>(groesse - ersterTeil));
            FOHead = FOTail = 0;
            FOBufFull = false;
            FInFlight = groesse; // taken under the lock: the ring never looks drained early
        }
        int geschrieben = 0;
        while (geschrieben < groesse) {
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
                return 0;
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
        }
    }
    ThreadGone(false, result);
}

void TSerWin32Dispatcher::DispatchThread() {
    int result = 0;
    try {
        for (;;) {
            FReceiveQueue.WaitForItem(50);
            if (FKill)
                break;
            ProcessQueue();
            ProcessTimers();
            if (FKill || FCloseRequested)
                break;
        }
    } catch (const std::exception& e) {
        Dialoge::ShowMessageSpaeter(QString::fromUtf8(e.what()));
    }
    ThreadGone(true, result);
}
