#include "serial/SerUser.h"

#include "platform/Dialoge.h"
#include "platform/Nachrichten.h"
#include "serial/SerExcept.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

// The process-wide list of dispatchers; a dispatcher's slot index is its Handle.
struct PortList {
    std::recursive_mutex lock;
    std::vector<TSerBaseDispatcher*> plaetze;
};

PortList& portList() {
    static PortList list;
    return list;
}

int ringUsed(int head, int tail, bool full, int size) {
    if (head > tail)
        return head - tail;
    if (head < tail)
        return head + size - tail;
    return full ? size : 0;
}

} // namespace

std::recursive_mutex& TSerBaseDispatcher::PortListLock() {
    return portList().lock;
}

TSerBaseDispatcher* TSerBaseDispatcher::FromHandle(unsigned Index) {
    auto& l = portList();
    std::lock_guard lk(l.lock);
    return Index < l.plaetze.size() ? l.plaetze[Index] : nullptr;
}

TSerBaseDispatcher::TSerBaseDispatcher(TSerCustomComPort* Owner) : FOwner(Owner) {
    auto& l = portList();
    std::lock_guard lk(l.lock);
    auto frei = std::find(l.plaetze.begin(), l.plaetze.end(), nullptr);
    if (frei != l.plaetze.end()) {
        *frei = this;
        FHandle = static_cast<uint16_t>(frei - l.plaetze.begin());
    } else {
        l.plaetze.push_back(this);
        FHandle = static_cast<uint16_t>(l.plaetze.size() - 1);
    }
}

TSerBaseDispatcher::~TSerBaseDispatcher() {
    // The derived class has stopped its threads already; the slot goes last, so that a
    // late event for this dispatcher finds it empty.
    auto& l = portList();
    std::lock_guard lk(l.lock);
    if (FHandle < l.plaetze.size() && l.plaetze[FHandle] == this)
        l.plaetze[FHandle] = nullptr;
    while (!l.plaetze.empty() && l.plaetze.back() == nullptr)
        l.plaetze.pop_back();
}

bool TSerBaseDispatcher::RingsPresent() {
    std::lock_guard lk(FInLock);
    return FDBuffer != nullptr;
}

void TSerBaseDispatcher::BeginHandlerPeek() {
    std::lock_guard lk(FInLock);
    FPeekMode = FPeekDelivery;
}

void TSerBaseDispatcher::EndHandlerPeek() {
    std::lock_guard lk(FInLock);
    FPeekMode = false;
}

bool TSerBaseDispatcher::DeviceGone() {
    std::lock_guard lk(FGeneralLock);
    return FDeviceGone;
}

int32_t TSerBaseDispatcher::LineErrorWord() {
    std::lock_guard lk(FGeneralLock);
    return FLineError;
}

int TSerBaseDispatcher::InitPort(const QString& Name, int32_t Baud, int Parity, int DataBits,
                                 int StopBits, int InSize, int OutSize, uint32_t Options) {
    {
        std::lock_guard lk(FGeneralLock);
        FRingPending = false;
        FDeferredDeletion = false;
        FDeviceGone = false;
    }
    FInEventDispatch = false;
    const Comm::Handle h = OpenCom(Name, InSize, OutSize);
    if (h == Comm::INVALID_HANDLE_VALUE) {
        const int code = -static_cast<int>(Comm::GetLastError());
        DonePort();
        return code == 0 ? -2001 : code;
    }
    FComHandle = h;
    if (const int r = SetCommBuffers(InSize, OutSize); r != 0) {
        DonePort();
        return r;
    }
    {
        std::scoped_lock lk(FInLock, FOutLock, FGeneralLock);
        FDBuffer = std::make_unique<uint8_t[]>(DispatchBufferSize);
        FOBuffer = std::make_unique<uint8_t[]>(static_cast<size_t>(OutSize > 0 ? OutSize : 1));
        FOHead = FOTail = 0;
        FOBufFull = false;
        FInSize = InSize;
        FOutSize = OutSize;
        FLineError = 0;
        FDHead = FDTail = 0;
        FDBufFull = false;
        FMovedTotal = 0;
        FPeekCount = 0;
        FPeekMode = false;
        FRS485 = false;
        GetComState(FSettings);
    }
    FCloseRequested = false;
    FOutputWritten = false;
    if (Options & 0x10)
        FDTRFlow = true;
    else
        SetDTR(Options & 1);
    if (Options & 0x20)
        FRTSFlow = true;
    else
        SetRTS(Options & 2);
    {
        std::lock_guard lk(FGeneralLock);
        ResetTriggers();
        FLastAvail = 0;
        FModemStatus = 0;
    }
    ReadModemStatus(0xF0);
    {
        std::lock_guard lk(FGeneralLock);
        FBaudValue = 115200;
    }
    if (const int r = SetLine(Baud, Parity, StopBits, DataBits); r != 0) {
        DonePort();
        return r;
    }
    RefreshLineErrors();
    FOpenTime = SerTimeGetTime();
    StartDispatcher();
    return 0;
}

void TSerBaseDispatcher::DonePort() {
    if (FComHandle.load() != Comm::INVALID_HANDLE_VALUE) {
        FlushOutBuffer();
        FlushInBuffer();
        StopDispatcher();
    }
    if (FInEventDispatch)
        FCloseRequested = true; // the rings go when the delivery has ended
    else
        ReleaseBuffers();
}

void TSerBaseDispatcher::ReleaseBuffers() {
    std::scoped_lock lk(FInLock, FOutLock, FGeneralLock);
    FDBuffer.reset();
    FOBuffer.reset();
    FDHead = FDTail = 0;
    FDBufFull = false;
    FOHead = FOTail = 0;
    FOBufFull = false;
}

int TSerBaseDispatcher::SetCommBuffers(int InSize, int OutSize) {
    if (!SetupCom(InSize, OutSize))
        return -static_cast<int>(Comm::GetLastError());
    return 0;
}

// ---- line settings ---------------------------------------------------------------------

int TSerBaseDispatcher::SetLine(int32_t Baud, int Parity, int StopBits, int DataBits) {
    Comm::DCB neu;
    {
        std::lock_guard lk(FGeneralLock);
        GetComState(FSettings);
        neu = FSettings;
    }
    uint32_t flags = neu.Flags;
    flags &= ~(Comm::fParity | Comm::fDsrSensitivity | Comm::fNull);
    flags |= Comm::fBinary | Comm::fTXContinueOnXoff;
    if (Baud != 0)
        neu.BaudRate = static_cast<uint32_t>(Baud);
    if (Parity != 5)
        neu.Parity = static_cast<uint8_t>(Parity);
    if (DataBits != 9)
        neu.ByteSize = static_cast<uint8_t>(DataBits);
    if (StopBits != 3) {
        const int s = StopBits == 0 ? 1 : StopBits > 2 ? 2 : StopBits;
        neu.StopBits = s == 1 ? Comm::ONESTOPBIT : Comm::TWOSTOPBITS;
        if (neu.ByteSize == 5 && s == 2)
            neu.StopBits = Comm::ONE5STOPBITS;
    }
    {
        std::lock_guard lk(FGeneralLock);
        if (neu.BaudRate == FSettings.BaudRate && neu.Parity == FSettings.Parity &&
            neu.ByteSize == FSettings.ByteSize && neu.StopBits == FSettings.StopBits &&
            flags == FSettings.Flags)
            return 0;
    }
    WaitOutputDrained();
    std::lock_guard lk(FGeneralLock);
    GetComState(FSettings);
    Comm::DCB s = FSettings;
    s.BaudRate = neu.BaudRate;
    s.Parity = neu.Parity;
    s.ByteSize = neu.ByteSize;
    s.StopBits = neu.StopBits;
    s.Flags = flags;
    return ApplyComState(s);
}

void TSerBaseDispatcher::GetLine(int32_t& Baud, int& Parity, int& StopBits, int& DataBits) {
    std::lock_guard lk(FGeneralLock);
    GetComState(FSettings);
    Baud = static_cast<int32_t>(FSettings.BaudRate);
    Parity = FSettings.Parity;
    StopBits = FSettings.StopBits == Comm::ONESTOPBIT ? 1 : 2;
    DataBits = FSettings.ByteSize;
}

int TSerBaseDispatcher::ApplyComState(Comm::DCB& Settings) {
    std::lock_guard lk(FGeneralLock);
    if (!FDTRFlow) {
        Settings.Flags &= ~Comm::DTR_CONTROL_MASK;
        if (FDTRState)
            Settings.Flags |= Comm::DTR_CONTROL_ENABLE;
    }
    if (!FRTSFlow) {
        Settings.Flags &= ~Comm::RTS_CONTROL_MASK;
        if (FRTSState)
            Settings.Flags |= Comm::RTS_CONTROL_ENABLE;
    }
    const int r = SetComState(Settings);
    if (r == 0)
        FSettings = Settings;
    FBaudValue = static_cast<int32_t>(Settings.BaudRate);
    SetDTR(FDTRState);
    if (!FRS485)
        SetRTS(FRTSState);
    return r;
}

void TSerBaseDispatcher::WaitOutputDrained() {
    for (int i = 0; i < 5000 && (OutBufUsed() > 0 || OutInFlight() > 0); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    Comm::DCB s;
    int32_t baud = 0;
    {
        std::lock_guard lk(FGeneralLock);
        GetComState(FSettings);
        s = FSettings;
        baud = FBaudValue;
    }
    int bits = s.ByteSize + 2;
    if (s.Parity != 0)
        ++bits;
    if (s.StopBits != Comm::ONESTOPBIT)
        ++bits;
    static constexpr int32_t legacy[] = {110,   300, 600, 1200,   2400, 4800, 9600, 14400,
                                         19200, -1,  -1,  38400,  -1,   -1,   -1,   56000,
                                         -1,    -1,  -1,  128000, -1,   -1,   -1,   256000};
    if (baud >= 0xFF10 && baud <= 0xFF27 && legacy[baud - 0xFF10] > 0)
        baud = legacy[baud - 0xFF10];
    else if (baud == 0xFEFF)
        baud = 115200;
    if (baud <= 0)
        return;
    const int64_t t = (10000000 / baud) * bits;
    int64_t x = 18 * t;
    if (x < 10000)
        x *= 2;
    std::this_thread::sleep_for(std::chrono::milliseconds((x + 9999) / 10000));
}

int TSerBaseDispatcher::SetDTR(bool On) {
    std::lock_guard lk(FGeneralLock);
    if (FDTRFlow)
        return 1;
    if (EscapeComFunction(On ? Comm::SETDTR : Comm::CLRDTR) < 0)
        return -1002;
    FDTRState = On;
    return 0;
}

int TSerBaseDispatcher::SetRTS(bool On) {
    std::lock_guard lk(FGeneralLock);
    if (FRTSFlow)
        return 1;
    if (EscapeComFunction(On ? Comm::SETRTS : Comm::CLRRTS) < 0)
        return -1002;
    FRTSState = On;
    return 0;
}

int TSerBaseDispatcher::SetHWFlowOptions(uint16_t BufferFull, uint16_t BufferResume,
                                         unsigned Options) {
    std::lock_guard lk(FGeneralLock);
    if (BufferResume > BufferFull || BufferFull > FInSize)
        return -1002;
    Comm::DCB s;
    GetComState(s);
    s.Flags &= ~(Comm::DTR_CONTROL_MASK | Comm::RTS_CONTROL_MASK | Comm::fOutxDsrFlow |
                 Comm::fOutxCtsFlow);
    FDTRFlow = FRTSFlow = false;
    if (Options & 1) {
        s.Flags |= Comm::DTR_CONTROL_HANDSHAKE;
        FDTRFlow = true;
    } else if (FDTRState) {
        s.Flags |= Comm::DTR_CONTROL_ENABLE;
    }
    if (Options & 2) {
        s.Flags |= Comm::RTS_CONTROL_HANDSHAKE;
        FRTSFlow = true;
    } else if (FRTSState) {
        s.Flags |= Comm::RTS_CONTROL_ENABLE;
    }
    if (FRS485) {
        s.Flags = (s.Flags & ~Comm::RTS_CONTROL_MASK) | Comm::RTS_CONTROL_TOGGLE;
        FRTSFlow = true;
    }
    s.XoffLim = static_cast<uint16_t>(FInSize - BufferFull);
    s.XonLim = BufferResume;
    if (Options & 4)
        s.Flags |= Comm::fOutxDsrFlow;
    if (Options & 8)
        s.Flags |= Comm::fOutxCtsFlow;
    return ApplyComState(s);
}

int TSerBaseDispatcher::SWFlowDisable() {
    std::lock_guard lk(FGeneralLock);
    Comm::DCB s;
    GetComState(s);
    s.Flags &= ~(Comm::fOutX | Comm::fInX);
    return ApplyComState(s);
}

int TSerBaseDispatcher::SetSWFlowOptions(uint16_t BufferFull, uint16_t BufferResume,
                                         unsigned Options) {
    std::lock_guard lk(FGeneralLock);
    if (BufferResume > BufferFull || BufferFull > FInSize)
        return -1002;
    Comm::DCB s;
    GetComState(s);
    s.Flags &= ~(Comm::fOutX | Comm::fInX);
    if (Options & 2) {
        s.Flags |= Comm::fInX;
        s.XoffLim = static_cast<uint16_t>(FInSize - BufferFull);
        s.XonLim = BufferResume;
    }
    if (Options & 1)
        s.Flags |= Comm::fOutX;
    s.XonChar = 17;
    s.XoffChar = 19;
    return ApplyComState(s);
}

void TSerBaseDispatcher::SetFlowChars(uint8_t XOn, uint8_t XOff) {
    std::lock_guard lk(FGeneralLock);
    FSettings.XonChar = XOn;
    FSettings.XoffChar = XOff;
}

void TSerBaseDispatcher::SetRS485Mode(bool On) {
    std::lock_guard lk(FGeneralLock);
    FRS485 = On;
}

uint8_t TSerBaseDispatcher::ReadModemStatus(uint8_t Mask) {
    std::lock_guard lk(FGeneralLock);
    UpdateModemStatus();
    uint8_t s = FModemStatus;
    if (FRingPending) {
        s |= 4;
        FRingPending = false;
    }
    FModemStatus = static_cast<uint8_t>(FModemStatus & 0xF0);
    return static_cast<uint8_t>(s & Mask);
}

uint8_t TSerBaseDispatcher::GetModemStatus() {
    return ReadModemStatus(0xF0);
}

void TSerBaseDispatcher::UpdateModemStatus() {
    std::lock_guard lk(FGeneralLock);
    uint32_t s = 0;
    const Comm::Handle h = FComHandle;
    if (h == Comm::INVALID_HANDLE_VALUE || !Comm::GetCommModemStatus(h, s))
        return;
    const uint8_t neu = static_cast<uint8_t>(s & 0xF0);
    const uint8_t alt = static_cast<uint8_t>(FModemStatus & 0xF0);
    uint8_t aenderung = FModemStatus & 0x0F;
    if ((neu ^ alt) & 0x10)
        aenderung |= 1;
    if ((neu ^ alt) & 0x20)
        aenderung |= 2;
    if ((alt & 0x40) && !(neu & 0x40))
        aenderung |= 4;
    if ((neu ^ alt) & 0x80)
        aenderung |= 8;
    FModemStatus = static_cast<uint8_t>(neu | aenderung);
}

void TSerBaseDispatcher::RefreshLineErrors() {
    Comm::COMSTAT stat;
    const uint32_t e = GetComError(stat);
    std::lock_guard lk(FGeneralLock);
    if (FLineError != -1)
        FLineError |= static_cast<int32_t>(e & 0x1F);
}

int TSerBaseDispatcher::GetLineError() {
    std::lock_guard lk(FGeneralLock);
    if (FLineError == -1) {
        FLineError = 0;
        return 10;
    }
    static constexpr std::pair<int32_t, int> reihenfolge[] = {
        {1, 1}, {2, 2}, {4, 3}, {8, 4}, {16, 9}};
    for (auto [bit, code] : reihenfolge)
        if (FLineError & bit) {
            FLineError &= ~0xF;
            return code;
        }
    return 0;
}

bool TSerBaseDispatcher::CheckLineBreak() {
    std::lock_guard lk(FGeneralLock);
    if (FLineError == -1)
        return false;
    const bool b = FLineError & 16;
    FLineError &= ~16;
    return b;
}

// ---- rings -------------------------------------------------------------------------------

int TSerBaseDispatcher::PeekChar(uint8_t& C, int N) {
    std::lock_guard lk(FInLock);
    if (!FDBuffer)
        return -3007;
    const int used = ringUsed(FDHead, FDTail, FDBufFull, DispatchBufferSize);
    if (N < 1 || used < N)
        return -3007;
    C = FDBuffer[(FDTail + N - 1) % DispatchBufferSize];
    return 0;
}

int TSerBaseDispatcher::GetChar(uint8_t& C) {
    std::lock_guard lk(FInLock);
    if (FPeekMode) {
        ++FPeekCount;
        const int r = PeekChar(C, FPeekCount);
        if (r < 0)
            --FPeekCount;
        return r;
    }
    const int r = PeekChar(C, 1);
    if (r < 0)
        return r;
    FDTail = (FDTail + 1) % DispatchBufferSize;
    FDBufFull = false;
    return 0;
}

int TSerBaseDispatcher::InBuffUsed() {
    std::lock_guard lk(FInLock);
    if (!FDBuffer)
        return 0;
    int used = ringUsed(FDHead, FDTail, FDBufFull, DispatchBufferSize);
    if (FPeekMode)
        used -= FPeekCount;
    return used;
}

int TSerBaseDispatcher::OutUsedLocked() const {
    return ringUsed(FOHead, FOTail, FOBufFull, FOutSize);
}

int TSerBaseDispatcher::OutBuffUsed() {
    return OutBufUsed();
}

int TSerBaseDispatcher::OutBuffFree() {
    std::lock_guard lk(FOutLock);
    if (!FOBuffer)
        return 0;
    return FOutSize - OutUsedLocked();
}

int TSerBaseDispatcher::PutBlock(const void* Block, int Count) {
    if (Count <= 0)
        return 0;
    int r = Count;
    {
        std::lock_guard lk(FOutLock);
        // After a device failure the rings are gone: nothing can be queued.
        if (!FOBuffer)
            return -3006;
        const int frei = FOutSize - OutUsedLocked();
        if (frei < Count)
            return -3006;
        const bool voll = frei == Count;
        if (WriteCom(static_cast<const uint8_t*>(Block), Count) < 1)
            r = -3004;
        else if (voll)
            FOBufFull = true;
        FOutputWritten = true;
    }
    if (r < 0)
        RefreshLineErrors();
    return r;
}

int TSerBaseDispatcher::FlushInBuffer() {
    std::lock_guard lk(FInLock);
    const int r = FlushCom(1);
    if (FDBuffer) {
        if (FPeekMode) {
            // The ring empties when the handlers return; until then the handler sees it
            // empty too, and reads nothing it has just discarded.
            FMostRead = ringUsed(FDHead, FDTail, FDBufFull, DispatchBufferSize);
            FPeekCount = FMostRead;
        } else {
            FDTail = FDHead;
            FPeekCount = 0;
            FDBufFull = false;
        }
    }
    return r;
}

int TSerBaseDispatcher::FlushOutBuffer() {
    return FlushCom(0);
}

bool TSerBaseDispatcher::MoveToDispatchBuffer() {
    std::lock_guard lk(FInLock);
    if (!FDBuffer || FDBufFull)
        return FDBuffer != nullptr;
    const int n = InQueue();
    if (n == 0)
        return false;
    int frei = 0;
    int zusammen = 0;
    if (FDHead < FDTail) {
        frei = zusammen = FDTail - FDHead;
    } else if (FDHead > FDTail) {
        frei = FDTail + DispatchBufferSize - FDHead;
        zusammen = DispatchBufferSize - FDHead;
    } else {
        frei = DispatchBufferSize;
        zusammen = DispatchBufferSize - FDHead;
    }
    int zweiter = std::min(n, frei) - zusammen;
    if (zusammen > 0) {
        // The receive queue has no read failure of its own: a failed read moves nothing.
        const int got = std::max(ReadCom(FDBuffer.get() + FDHead, std::min(zusammen, n)), 0);
        FDHead += got;
        FMovedTotal += static_cast<uint64_t>(got);
        if (got < std::min(zusammen, n))
            zweiter = 0;
        if (FDHead == DispatchBufferSize)
            FDHead = 0;
        if (got > 0)
            FDBufFull = FDHead == FDTail;
    }
    if (zweiter > 0) {
        const int got = std::max(ReadCom(FDBuffer.get() + FDHead, zweiter), 0);
        FDHead += got;
        FMovedTotal += static_cast<uint64_t>(got);
        if (got > 0)
            FDBufFull = FDHead == FDTail;
    }
    return true;
}

// ---- event windows and triggers --------------------------------------------------------

void TSerBaseDispatcher::RegisterWndTriggerHandler(std::shared_ptr<Postfach> Window) {
    std::lock_guard lk(FGeneralLock);
    FWindows.push_back({std::move(Window), false});
    FHandlersInstalled = true;
}

void TSerBaseDispatcher::DeregisterWndTriggerHandler(const Postfach* Window) {
    std::lock_guard lk(FGeneralLock);
    auto it = std::find_if(FWindows.begin(), FWindows.end(),
                           [Window](const Fenster& f) { return f.Box.get() == Window; });
    if (it == FWindows.end()) {
        SetHandlerMode(0);
        return;
    }
    if (FInEventDispatch) {
        it->Deleted = true;
        FDeferredDeletion = true;
    } else {
        FWindows.erase(it);
    }
}

void TSerBaseDispatcher::ChangeLengthTrigger(uint16_t Length) {
    std::lock_guard lk(FGeneralLock);
    FAvailLength = Length;
}

void TSerBaseDispatcher::SetHandlerMode(int Mode) {
    std::lock_guard lk(FGeneralLock);
    const bool n = FWindows.size() >= 2;
    switch (Mode) {
    case 0:
        FHandlersInstalled = n || FComponentNeedsEvents;
        break;
    case 1:
        FComponentNeedsEvents = true;
        FHandlersInstalled = true;
        break;
    case 2:
        FComponentNeedsEvents = false;
        FHandlersInstalled = n;
        break;
    default:
        break;
    }
}

void TSerBaseDispatcher::SaveTriggers(TTriggerSave& Save) {
    std::lock_guard lk(FGeneralLock);
    Save.AvailLength = FAvailLength;
    Save.TimerTriggers = FTimerTriggers;
    Save.DataTriggers = FDataTriggers;
    Save.StatusTriggers = FStatusTriggers;
}

void TSerBaseDispatcher::RestoreTriggers(const TTriggerSave& Save) {
    std::lock_guard lk(FGeneralLock);
    FAvailLength = Save.AvailLength;
    FTimerTriggers = Save.TimerTriggers;
    FDataTriggers = Save.DataTriggers;
    FStatusTriggers = Save.StatusTriggers;
}

void TSerBaseDispatcher::ResetTriggers() {
    FTimerTriggers.clear();
    FDataTriggers.clear();
    FStatusTriggers.clear();
    FAvailLength = 0;
    FNextTrigger = 1;
}

bool TSerBaseDispatcher::SendEvent(uint32_t Msg, uintptr_t WParam, uint16_t Data) {
    std::vector<Fenster> fenster;
    bool zustellen = false;
    {
        std::lock_guard lk(FGeneralLock);
        if (!FHandlersInstalled)
            return true;
        FInEventDispatch = true;
        fenster = FWindows;
        zustellen = FWindows.size() >= 2 || FComponentNeedsEvents;
    }
    const bool peek = Msg == APW_TRIGGERAVAIL || Msg == APW_TRIGGERDATA;
    {
        // Peek mode starts only when a handler runs: a read outside the handler while the
        // event is still on its way takes bytes as usual.
        std::lock_guard lk(FInLock);
        FMostRead = 0;
        FPeekDelivery = peek;
    }
    const intptr_t lParam = static_cast<intptr_t>((static_cast<uint32_t>(FHandle) << 16) | Data);
    bool ergebnis = true;
    bool verworfen = false;
    if (zustellen) {
        for (const Fenster& f : fenster) {
            {
                std::lock_guard lk(FGeneralLock);
                auto it = std::find_if(FWindows.begin(), FWindows.end(),
                                       [&f](const Fenster& w) { return w.Box == f.Box; });
                if (it == FWindows.end() || it->Deleted)
                    continue;
            }
            {
                std::lock_guard lk(FInLock);
                FPeekCount = 0;
            }
            // Only the GUI thread waiting for this thread to end (a close, possibly from
            // inside the handler) cuts a running handler short; a failed device does not,
            // so the handler reads what it was promised before the ring goes.
            const bool erledigt = f.Box->SendMessageTimeout(Msg, WParam, lParam, 3000, &FStopping);
            if (!erledigt && !FKill)
                verworfen = true;
            if (FCloseRequested) {
                ergebnis = false;
                break;
            }
            std::lock_guard lk(FInLock);
            FMostRead = std::max(FMostRead, FPeekCount);
        }
    }
    if (peek) {
        std::lock_guard lk(FInLock);
        FPeekMode = false;
        FPeekDelivery = false;
        if (FDBuffer && FMostRead > 0) {
            const int used = ringUsed(FDHead, FDTail, FDBufFull, DispatchBufferSize);
            const int weg = std::min(FMostRead, used);
            FDTail = (FDTail + weg) % DispatchBufferSize;
            FDBufFull = false;
        }
        if (Msg == APW_TRIGGERAVAIL && FMostRead != static_cast<int>(WParam))
            ergebnis = false;
    }
    {
        std::lock_guard lk(FGeneralLock);
        FInEventDispatch = false;
        if (FDeferredDeletion) {
            std::erase_if(FWindows, [](const Fenster& w) { return w.Deleted; });
            FDeferredDeletion = false;
            SetHandlerMode(0);
        }
    }
    {
        std::lock_guard lk(FInLock);
        FPeekCount = 0;
    }
    // A delivery dropped unseen (the GUI thread was busy) is announced again.
    if (verworfen && Msg == APW_TRIGGERAVAIL) {
        std::lock_guard lk(FGeneralLock);
        FLastAvail = ~uint64_t{0};
    }
    return ergebnis;
}

bool TSerBaseDispatcher::CheckDataTriggers() {
    // No data-match triggers are ever defined: one event announces everything unread
    // whenever new bytes arrived since the last announcement.
    uint64_t bewegt = 0;
    int avail = 0;
    {
        std::lock_guard lk(FInLock);
        bewegt = FMovedTotal;
        avail = FDBuffer ? ringUsed(FDHead, FDTail, FDBufFull, DispatchBufferSize) : 0;
    }
    uint16_t laenge = 0;
    {
        std::lock_guard lk(FGeneralLock);
        laenge = FAvailLength;
        if (laenge == 0 || FLastAvail == bewegt || avail < laenge)
            return false;
        FLastAvail = bewegt;
    }
    return SendEvent(APW_TRIGGERAVAIL, static_cast<uintptr_t>(avail), 0);
}

bool TSerBaseDispatcher::CheckStatusTriggers() {
    uint16_t handle = 0;
    uint16_t count = 0;
    {
        std::lock_guard lk(FGeneralLock);
        TStatusTrigger* fired = nullptr;
        for (TStatusTrigger& t : FStatusTriggers) {
            if (!t.Armed || t.Fired)
                continue;
            bool gilt = false;
            switch (t.Kind) {
            case 1:
                gilt = ((FModemStatus & 0xF0) & t.Value) != 0;
                break;
            case 2:
                gilt = FLineError != 0 && (FLineError == -1 || (FLineError & t.Value));
                break;
            case 3: {
                const int frei = OutBuffFree();
                gilt = frei >= static_cast<int>(t.Value);
                count = static_cast<uint16_t>(frei);
                break;
            }
            case 4: {
                const int used = OutBufUsed();
                gilt = used <= static_cast<int>(t.Value);
                count = static_cast<uint16_t>(used);
                break;
            }
            case 5:
                gilt = FOutputWritten.exchange(false);
                break;
            default:
                break;
            }
            if (gilt) {
                fired = &t;
                break;
            }
            count = 0;
        }
        if (!fired)
            return false;
        fired->Armed = false;
        fired->Fired = true;
        handle = fired->Handle;
    }
    return SendEvent(APW_TRIGGERSTATUS, handle, count);
}

bool TSerBaseDispatcher::CheckTimerTriggers() {
    uint16_t handle = 0;
    {
        std::lock_guard lk(FGeneralLock);
        auto it =
            std::find_if(FTimerTriggers.begin(), FTimerTriggers.end(),
                         [](const TTimerTrigger& t) { return t.Active && TimerExpired(t.Timer); });
        if (it == FTimerTriggers.end())
            return false;
        it->Active = false;
        handle = it->Handle;
    }
    return SendEvent(APW_TRIGGERTIMER, handle, 0);
}

void TSerBaseDispatcher::ProcessQueue() {
    uint32_t maske = 0;
    if (TIOBuffer* b = FReceiveQueue.Peek()) {
        if (auto* s = dynamic_cast<TStatusBuffer*>(b)) {
            maske = s->Status;
            FReceiveQueue.Pop();
        } else {
            FReceiveQueue.Release(b);
        }
    }
    auto statusPass = [this]() {
        if (FInEventDispatch)
            return true;
        while (CheckStatusTriggers())
            if (FCloseRequested)
                return false;
        return !FCloseRequested.load();
    };
    if (maske & (0x100 | 0x2000)) {
        std::lock_guard lk(FGeneralLock);
        FRingPending = true;
    }
    if (maske & 0x2138) {
        UpdateModemStatus();
        if (!statusPass())
            return;
        RearmStatusTriggers();
    }
    if ((maske & 0xFF) > 63) {
        RefreshLineErrors();
        if (!statusPass())
            return;
        RearmStatusTriggers();
    }
    MoveToDispatchBuffer();
    if (!FInEventDispatch) {
        {
            std::lock_guard lk(FGeneralLock);
            UpdateModemStatus();
        }
        if (!statusPass())
            return;
        while (CheckDataTriggers())
            if (FCloseRequested)
                return;
    }
    RearmStatusTriggers();
}

void TSerBaseDispatcher::ProcessTimers() {
    if (FCloseRequested || FInEventDispatch)
        return;
    for (;;) {
        const bool a = CheckStatusTriggers();
        if (FCloseRequested)
            return;
        const bool b = CheckTimerTriggers();
        if (FCloseRequested || (!a && !b))
            break;
    }
    RearmStatusTriggers();
}

void TSerBaseDispatcher::RearmStatusTriggers() {
    std::lock_guard lk(FGeneralLock);
    for (TStatusTrigger& t : FStatusTriggers)
        if (t.Fired) {
            t.Fired = false;
            t.Armed = true;
        }
}

// ---- worker bookkeeping ------------------------------------------------------------------

void TSerBaseDispatcher::ThreadStart() {
    ++FThreadCount;
}

void TSerBaseDispatcher::MarkDeviceGone() {
    std::lock_guard lk(FGeneralLock);
    FLineError = -1;
    FDeviceGone = true;
}

void TSerBaseDispatcher::ThreadGone(bool DispatchThread, int Result) {
    if (Result == -160 || Result == -161) {
        MarkDeviceGone();
        CheckStatusTriggers();
    } else if (Result < 0) {
        try {
            CheckException(Result);
        } catch (const std::exception& e) {
            Dialoge::ShowMessageSpaeter(QString::fromUtf8(e.what()));
        }
    }
    if (DispatchThread && (FKill || FCloseRequested)) {
        // With a failed device the rings go at once, so that no later call can touch them.
        if (DeviceGone())
            ReleaseBuffers();
    }
    --FThreadCount;
}
