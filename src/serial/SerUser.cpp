#include "serial/SerUser.h"

#include "platform/Dialoge.h"
#include "platform/Nachrichten.h"
#include "serial/SerExcept.h"
#include "serial/SerStrMap.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QSaveFile>
#include <QSysInfo>
#include <algorithm>
#include <cctype>
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
    if (FPeekMode && FDBuffer) {
        FViewRing = FDBuffer.get();
        FViewTail = FDTail;
        FViewAvail = ringUsed(FDHead, FDTail, FDBufFull, DispatchBufferSize);
        FViewOpen = true;
    }
}

void TSerBaseDispatcher::EndHandlerPeek() {
    std::lock_guard lk(FInLock);
    FViewOpen = false;
    FPeekMode = false;
    if (!FPeekDelivery)
        return;
    // The handler's bytes go when all handlers have returned, or at the next read outside
    // a handler, whichever comes first.
    FMostRead = std::max(FMostRead, FRemoved + FPeekCount);
    FPeekCount = 0;
    FRemovalPending = true;
}

void TSerBaseDispatcher::ApplyPendingRemoval() {
    if (!FRemovalPending || !FDBuffer)
        return;
    const int used = ringUsed(FDHead, FDTail, FDBufFull, DispatchBufferSize);
    const int weg = std::clamp(FMostRead - FRemoved, 0, used);
    if (weg > 0) {
        if (FDBufFull)
            FRingSpace.Set();
        FDTail = (FDTail + weg) % DispatchBufferSize;
        FDBufFull = false;
    }
    FRemoved += weg;
}

void TSerBaseDispatcher::WaitForRingSpace() {
    FRingSpace.Wait(50);
}

bool TSerBaseDispatcher::ReceiveBacklogFull() const {
    return FReceiveQueue.QueuedSize() >= ReceiveBacklogLimit;
}

bool TSerBaseDispatcher::ReadModemLines(uint32_t& Lines) {
    const Comm::Handle h = FComHandle;
    return h != Comm::INVALID_HANDLE_VALUE && Comm::GetCommModemStatus(h, Lines);
}

uint8_t TSerBaseDispatcher::ThreadBoost() {
    std::lock_guard lk(FGeneralLock);
    return FThreadBoost;
}

void TSerBaseDispatcher::SetThreadBoost(uint8_t Boost) {
    std::lock_guard lk(FGeneralLock);
    FThreadBoost = Boost;
}

bool TSerBaseDispatcher::NextEventAtHand() {
    {
        std::lock_guard lk(FGeneralLock);
        if (FWindows.size() != 1 || FAvailLength == 0)
            return false;
    }
    return FReceiveQueue.QueuedSize() > 0;
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
    FWindowThread = std::this_thread::get_id();
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
        FRemoved = 0;
        FRemovalPending = false;
        FScanTotal = 0;
        FRingBlocked = false;
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
    ChangeTracing(TTraceLogAction::Stop, 0);
    {
        std::lock_guard lk(FGeneralLock);
        FOpenTime = SerTimeGetTime();
    }
    ChangeLogging(TTraceLogAction::Stop, 0);
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
    FViewOpen = false;
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
    s.XonChar = FXonChar;
    s.XoffChar = FXoffChar;
    return ApplyComState(s);
}

int TSerBaseDispatcher::SetFlowChars(uint8_t XOn, uint8_t XOff) {
    std::lock_guard lk(FGeneralLock);
    FXonChar = XOn;
    FXoffChar = XOff;
    // Kept in the device's settings, where the next line change reads them back from.
    Comm::DCB s;
    GetComState(s);
    if (s.XonChar == XOn && s.XoffChar == XOff)
        return 0;
    s.XonChar = XOn;
    s.XoffChar = XOff;
    return ApplyComState(s);
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
    if (!ReadModemLines(s))
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

int TSerBaseDispatcher::PeekLocked(uint8_t& C, int N) const {
    if (!FDBuffer)
        return -3007;
    const int used = ringUsed(FDHead, FDTail, FDBufFull, DispatchBufferSize);
    if (N < 1 || used < N)
        return -3007;
    C = FDBuffer[(FDTail + N - 1) % DispatchBufferSize];
    return 0;
}

int TSerBaseDispatcher::PeekChar(uint8_t& C, int N) {
    std::lock_guard lk(FInLock);
    if (!FPeekMode)
        ApplyPendingRemoval();
    return PeekLocked(C, N);
}

int TSerBaseDispatcher::GetCharLocked(uint8_t& C) {
    std::lock_guard lk(FInLock);
    if (FPeekMode) {
        ++FPeekCount;
        const int r = PeekLocked(C, FPeekCount);
        if (r < 0) {
            --FPeekCount;
            return r;
        }
        if (FTracing) {
            std::lock_guard g(FGeneralLock);
            AddTraceEntries('R', &C, 1);
        }
        return r;
    }
    ApplyPendingRemoval();
    const int r = PeekLocked(C, 1);
    if (r < 0)
        return r;
    if (FDBufFull)
        FRingSpace.Set();
    FDTail = (FDTail + 1) % DispatchBufferSize;
    FDBufFull = false;
    // The flag is looked at first: the general lock is taken per byte only while tracing.
    if (FTracing) {
        std::lock_guard g(FGeneralLock);
        AddTraceEntries('R', &C, 1);
    }
    return 0;
}

int TSerBaseDispatcher::InBuffUsed() {
    std::lock_guard lk(FInLock);
    if (!FDBuffer)
        return 0;
    if (!FPeekMode)
        ApplyPendingRemoval();
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
    if (r < 0) {
        RefreshLineErrors();
        return r;
    }
    OutputQueued();
    std::lock_guard lk(FGeneralLock);
    AddLogEntry(3, 7, static_cast<uint32_t>(Count), Block, Count);
    if (FTracing)
        AddTraceEntries('T', static_cast<const uint8_t*>(Block), Count);
    return r;
}

int TSerBaseDispatcher::FlushInBuffer() {
    std::lock_guard lk(FInLock);
    const int r = FlushCom(1);
    if (FDBuffer) {
        if (FPeekMode) {
            // The ring empties when the handlers return; until then the handler sees it
            // empty too, and reads nothing it has just discarded.
            FPeekCount = ringUsed(FDHead, FDTail, FDBufFull, DispatchBufferSize);
            FMostRead = FRemoved + FPeekCount;
        } else {
            ApplyPendingRemoval();
            if (FDBufFull || FDTail != FDHead)
                FRingSpace.Set();
            FDTail = FDHead;
            FPeekCount = 0;
            FDBufFull = false;
        }
    }
    std::lock_guard g(FGeneralLock);
    for (TDataTrigger& t : FDataTriggers)
        t.Seen.clear();
    return r;
}

int TSerBaseDispatcher::FlushOutBuffer() {
    return FlushCom(0);
}

bool TSerBaseDispatcher::MoveToDispatchBuffer() {
    int bewegt = 0;
    bool voll = false;
    {
        std::lock_guard lk(FInLock);
        if (!FDBuffer)
            return false;
        // Everything queued moves in one turn, across as many receive buffers as there are,
        // so that a burst that waited for the GUI thread is announced at once, not buffer by
        // buffer.
        for (;;) {
            if (FDBufFull) {
                voll = InQueue() > 0;
                break;
            }
            const int n = InQueue();
            if (n <= 0)
                break;
            const int zusammen = FDHead < FDTail ? FDTail - FDHead : DispatchBufferSize - FDHead;
            // The receive queue has no read failure of its own: a failed read moves nothing.
            const int got = std::max(ReadCom(FDBuffer.get() + FDHead, std::min(zusammen, n)), 0);
            if (got == 0)
                break;
            FDHead = (FDHead + got) % DispatchBufferSize;
            FMovedTotal += static_cast<uint64_t>(got);
            FDBufFull = FDHead == FDTail;
            bewegt += got;
        }
    }
    FRingBlocked = voll;
    // Told only to a read thread that waits: a wake-up every cycle would cost a system call.
    if (bewegt > 0 && FBacklogWaiter && !ReceiveBacklogFull())
        FBacklogDrained.Set();
    std::lock_guard g(FGeneralLock);
    if (bewegt > 0)
        AddLogEntry(1, 4, static_cast<uint32_t>(bewegt));
    if (voll)
        AddLogEntry(1, 5, 0, "Dispatch buffer full.", 21);
    return bewegt > 0 || voll;
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
    Save.NextTrigger = FNextTrigger;
    Save.TimerTriggers = FTimerTriggers;
    Save.DataTriggers = FDataTriggers;
    Save.StatusTriggers = FStatusTriggers;
}

void TSerBaseDispatcher::RestoreTriggers(const TTriggerSave& Save) {
    std::lock_guard lk(FGeneralLock);
    FAvailLength = Save.AvailLength;
    FNextTrigger = std::max(FNextTrigger, Save.NextTrigger);
    FTimerTriggers = Save.TimerTriggers;
    FDataTriggers = Save.DataTriggers;
    FStatusTriggers = Save.StatusTriggers;
    // Partial matches and line states belong to the port that was closed.
    for (TDataTrigger& t : FDataTriggers) {
        t.Seen.clear();
        t.Matched = false;
    }
    for (TStatusTrigger& t : FStatusTriggers) {
        t.Holding = false;
        if (t.Kind == stModem) {
            UpdateModemStatus();
            t.Reference = FModemStatus & 0xF0;
        }
    }
}

void TSerBaseDispatcher::ResetTriggers() {
    FTimerTriggers.clear();
    FDataTriggers.clear();
    FStatusTriggers.clear();
    FAvailLength = 0;
    FNextTrigger = 1;
}

int TSerBaseDispatcher::NewTriggerHandle(uint16_t Kind) {
    // The number goes above the kind bits; 8191 numbers fit in 16 bits.
    if (FNextTrigger > 0x1FFF)
        return -5001;
    return (FNextTrigger++ << 3) | Kind;
}

int TSerBaseDispatcher::AddDataTrigger(const QByteArray& Match, bool IgnoreCase) {
    if (Match.isEmpty())
        return -1002;
    if (Match.size() > MaxTriggerLength)
        return -5002;
    std::lock_guard lk(FGeneralLock);
    const int h = NewTriggerHandle(0);
    if (h < 0)
        return h;
    TDataTrigger t;
    t.Handle = static_cast<uint16_t>(h);
    t.Match = Match;
    t.IgnoreCase = IgnoreCase;
    FDataTriggers.push_back(std::move(t));
    return h;
}

int TSerBaseDispatcher::AddTimerTrigger() {
    std::lock_guard lk(FGeneralLock);
    const int h = NewTriggerHandle(0);
    if (h < 0)
        return h;
    TTimerTrigger t;
    t.Handle = static_cast<uint16_t>(h);
    FTimerTriggers.push_back(t);
    return h;
}

int TSerBaseDispatcher::SetTimerTrigger(uint16_t Handle, int64_t Ticks, bool Activate) {
    std::lock_guard lk(FGeneralLock);
    for (TTimerTrigger& t : FTimerTriggers)
        if (t.Handle == Handle) {
            t.Ticks = std::max<int64_t>(Ticks, 0);
            NewTimer(t.Timer, t.Ticks);
            t.Active = Activate;
            return 0;
        }
    return -5003;
}

int TSerBaseDispatcher::AddStatusTrigger(uint16_t Kind) {
    if (Kind < stModem || Kind > stOutSent)
        return -1002;
    std::lock_guard lk(FGeneralLock);
    const int h = NewTriggerHandle(Kind);
    if (h < 0)
        return h;
    TStatusTrigger t;
    t.Handle = static_cast<uint16_t>(h);
    t.Kind = Kind;
    FStatusTriggers.push_back(t);
    return h;
}

int TSerBaseDispatcher::SetStatusTrigger(uint16_t Handle, uint32_t Value, bool Activate) {
    std::lock_guard lk(FGeneralLock);
    for (TStatusTrigger& t : FStatusTriggers)
        if (t.Handle == Handle) {
            t.Value = Value;
            t.Armed = Activate;
            t.Fired = false;
            t.Holding = false;
            t.ErrorWord = 0;
            if (t.Kind == stModem) {
                UpdateModemStatus();
                t.Reference = FModemStatus & 0xF0;
            }
            if (t.Kind == stOutSent)
                FOutputWritten = false;
            return 0;
        }
    return -5003;
}

int TSerBaseDispatcher::RemoveTrigger(uint16_t Handle) {
    std::lock_guard lk(FGeneralLock);
    const auto weg = [Handle](const auto& t) { return t.Handle == Handle; };
    const size_t vorher = FTimerTriggers.size() + FDataTriggers.size() + FStatusTriggers.size();
    std::erase_if(FTimerTriggers, weg);
    std::erase_if(FDataTriggers, weg);
    std::erase_if(FStatusTriggers, weg);
    return vorher == FTimerTriggers.size() + FDataTriggers.size() + FStatusTriggers.size() ? -5003
                                                                                           : 0;
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
        FRemoved = 0;
        FRemovalPending = false;
        FPeekDelivery = peek;
    }
    {
        std::lock_guard lk(FGeneralLock);
        AddLogEntry(0, static_cast<uint16_t>(Msg - APW_TRIGGERAVAIL),
                    static_cast<uint32_t>(WParam));
    }
    const intptr_t lParam = static_cast<intptr_t>((static_cast<uint32_t>(FHandle) << 16) | Data);
    const std::function<void()> gehalten = [this] { DeliveryHeld(); };
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
            if (std::this_thread::get_id() != FWindowThread)
                ++FHandOvers;
            const bool erledigt =
                f.Box->SendMessageTimeout(Msg, WParam, lParam, 3000, &FStopping, &gehalten);
            // Cut short by a close, the handler must not go on reading without the lock.
            FViewOpen = false;
            if (!erledigt && !FKill)
                verworfen = true;
            if (FCloseRequested) {
                ergebnis = false;
                break;
            }
            std::lock_guard lk(FInLock);
            FMostRead = std::max(FMostRead, FRemoved + FPeekCount);
            FPeekCount = 0;
        }
    }
    if (peek) {
        std::lock_guard lk(FInLock);
        FPeekMode = false;
        FPeekDelivery = false;
        // What a read outside a handler took away already is not taken twice.
        FRemovalPending = true;
        ApplyPendingRemoval();
        FRemovalPending = false;
        FRemoved = 0;
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
    // A delivery dropped unseen (the GUI thread was busy), or one that found no window yet
    // (data arriving while the port opens), is announced again.
    if ((verworfen || (zustellen && fenster.empty())) && Msg == APW_TRIGGERAVAIL) {
        std::lock_guard lk(FGeneralLock);
        FLastAvail = ~uint64_t{0};
    }
    return ergebnis;
}

namespace {

bool gleich(const QByteArray& a, const QByteArray& b, bool IgnoreCase) {
    if (a.size() != b.size())
        return false;
    if (!IgnoreCase)
        return a == b;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

bool TSerBaseDispatcher::CheckDataTriggers() {
    // Positions count the bytes moved into the ring since the open: byte i sits at
    // ring[i % size], and a count never meets itself again after the ring wrapped.
    uint64_t kopf = 0;
    uint64_t anfang = 0; // the first unread byte
    QByteArray neu;
    {
        std::lock_guard lk(FInLock);
        if (!FDBuffer)
            return false;
        kopf = FMovedTotal;
        anfang =
            kopf - static_cast<uint64_t>(ringUsed(FDHead, FDTail, FDBufFull, DispatchBufferSize));
        // Bytes read before the triggers saw them are not looked at any more.
        FScanTotal = std::clamp(FScanTotal, anfang, kopf);
        bool suchen = false;
        {
            std::lock_guard g(FGeneralLock);
            suchen = std::any_of(FDataTriggers.begin(), FDataTriggers.end(),
                                 [](const TDataTrigger& t) { return !t.Match.isEmpty(); });
        }
        if (!suchen)
            FScanTotal = kopf;
        neu.resize(static_cast<qsizetype>(kopf - FScanTotal));
        for (qsizetype i = 0; i < neu.size(); ++i)
            neu[i] = static_cast<char>(
                FDBuffer[(FScanTotal + static_cast<uint64_t>(i)) % DispatchBufferSize]);
    }
    // Feed the new bytes to the data triggers up to the first match.
    std::vector<std::pair<uint16_t, uint16_t>> treffer; // handle, match length
    uint64_t p = FScanTotal;
    int laengster = 0;
    uint16_t laenge = 0;
    {
        std::lock_guard g(FGeneralLock);
        laenge = FAvailLength;
        for (qsizetype i = 0; i < neu.size() && treffer.empty(); ++i, ++p) {
            for (TDataTrigger& t : FDataTriggers) {
                if (t.Match.isEmpty())
                    continue;
                t.Seen.append(neu[i]);
                if (t.Seen.size() > t.Match.size())
                    t.Seen.remove(0, t.Seen.size() - t.Match.size());
                if (gleich(t.Seen, t.Match, t.IgnoreCase)) {
                    t.Matched = true;
                    laengster = std::max(laengster, static_cast<int>(t.Match.size()));
                }
            }
            if (std::any_of(FDataTriggers.begin(), FDataTriggers.end(),
                            [](const TDataTrigger& t) { return t.Matched; })) {
                for (auto it = FDataTriggers.rbegin(); it != FDataTriggers.rend(); ++it)
                    if (it->Matched) {
                        it->Matched = false;
                        it->Seen.clear();
                        treffer.emplace_back(it->Handle, static_cast<uint16_t>(it->Match.size()));
                    }
                break;
            }
        }
    }
    if (!treffer.empty()) {
        // p is the last byte of the match. The bytes before the match are announced first.
        bool ergebnis = true;
        const int64_t davor = static_cast<int64_t>(p + 1 - anfang) - laengster;
        bool ankuendigen = false;
        {
            std::lock_guard g(FGeneralLock);
            ankuendigen = laenge != 0 && FLastAvail != p && davor >= laenge;
            FLastAvail = p;
        }
        FScanTotal = p;
        if (ankuendigen)
            ergebnis = SendEvent(APW_TRIGGERAVAIL, static_cast<uintptr_t>(davor), 0);
        for (const auto& [handle, matchLaenge] : treffer) {
            if (FCloseRequested)
                return false;
            ergebnis = SendEvent(APW_TRIGGERDATA, handle, matchLaenge);
        }
        FScanTotal = p + 1;
        return ergebnis;
    }
    FScanTotal = kopf;
    int avail = 0;
    {
        std::lock_guard lk(FInLock);
        avail = FDBuffer ? ringUsed(FDHead, FDTail, FDBufFull, DispatchBufferSize) : 0;
    }
    {
        std::lock_guard lk(FGeneralLock);
        if (laenge == 0 || FLastAvail == kopf || avail < laenge)
            return false;
        FLastAvail = kopf;
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
            count = 0;
            switch (t.Kind) {
            case stModem: {
                const uint8_t leitungen = FModemStatus & 0xF0;
                gilt = ((leitungen ^ t.Reference) & t.Value) != 0;
                if (gilt)
                    t.Reference = leitungen;
                break;
            }
            case stLine:
                gilt = FLineError != 0 && (FLineError == -1 || (FLineError & t.Value));
                if (gilt)
                    t.ErrorWord = FLineError;
                break;
            case stOutBuffFree:
            case stOutBuffUsed: {
                const int n = t.Kind == stOutBuffFree ? OutBuffFree() : OutBufUsed();
                const bool haelt = t.Kind == stOutBuffFree ? n >= static_cast<int>(t.Value)
                                                           : n <= static_cast<int>(t.Value);
                gilt = haelt && !t.Holding;
                t.Holding = haelt;
                count = static_cast<uint16_t>(n);
                break;
            }
            case stOutSent:
                gilt = FOutputWritten.exchange(false);
                break;
            default:
                break;
            }
            if (gilt) {
                fired = &t;
                break;
            }
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
            std::lock_guard lk(FGeneralLock);
            AddLogEntry(2, 6, maske);
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
    // The ring was full when the data moved; the handlers may have emptied it since.
    if (FRingBlocked) {
        std::lock_guard lk(FInLock);
        FRingBlocked = FDBufFull;
    }
    // A full ring with data waiting for it: nothing can move until a reader makes room, and
    // turning at once would only burn the processor.
    // In the window's thread it is not waited for: only that thread's readers make room.
    if (FRingBlocked && !FKill && !FCloseRequested && std::this_thread::get_id() != FWindowThread)
        WaitForRingSpace();
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

void TSerBaseDispatcher::ThreadGone(bool MayRelease, int Result) {
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
    if (MayRelease && (FKill || FCloseRequested)) {
        // With a failed device the rings go at once, so that no later call can touch them.
        if (DeviceGone())
            ReleaseBuffers();
    }
    --FThreadCount;
}

// ---- byte trace and event log -------------------------------------------------------------

bool TSerBaseDispatcher::TracingOn() {
    std::lock_guard lk(FGeneralLock);
    return FTracing;
}

bool TSerBaseDispatcher::LoggingOn() {
    std::lock_guard lk(FGeneralLock);
    return FLogging;
}

void TSerBaseDispatcher::AddTraceEntries(char Kind, const uint8_t* Bytes, int Count) {
    if (!FTracing || FTrace.empty())
        return;
    for (int i = 0; i < Count; ++i) {
        FTrace[FTracePos] = {Kind, Bytes[i]};
        if (++FTracePos == FTrace.size()) {
            FTracePos = 0;
            FTraceWrapped = true;
        }
    }
}

void TSerBaseDispatcher::ChangeTracing(TTraceLogAction Action, uint32_t Size) {
    std::lock_guard lk(FGeneralLock);
    switch (Action) {
    case TTraceLogAction::Start:
        // A paused trace of the same size goes on where it stopped.
        if (FTrace.empty() || FTrace.size() != Size) {
            FTrace.assign(Size, TraceEntry{0, 0});
            FTracePos = 0;
            FTraceWrapped = false;
        }
        FTracing = !FTrace.empty();
        break;
    case TTraceLogAction::Stop:
        FTrace.clear();
        FTrace.shrink_to_fit();
        FTracePos = 0;
        FTraceWrapped = false;
        FTracing = false;
        break;
    case TTraceLogAction::Pause:
        FTracing = false;
        break;
    case TTraceLogAction::Clear:
        FTracePos = 0;
        FTraceWrapped = false;
        break;
    }
}

void TSerBaseDispatcher::ChangeLogging(TTraceLogAction Action, uint32_t Size) {
    std::lock_guard lk(FGeneralLock);
    switch (Action) {
    case TTraceLogAction::Start:
        if (!FLogKept || FLogLimit != static_cast<int64_t>(Size)) {
            FLog.clear();
            FLogBytes = 0;
        }
        FLogLimit = Size;
        FLogKept = true;
        FLogging = true;
        break;
    case TTraceLogAction::Stop:
        FLog.clear();
        FLogBytes = 0;
        FLogKept = false;
        FLogging = false;
        break;
    case TTraceLogAction::Pause:
        FLogging = false;
        break;
    case TTraceLogAction::Clear:
        FLog.clear();
        FLogBytes = 0;
        break;
    }
}

void TSerBaseDispatcher::AddLogEntry(uint8_t Kind, uint16_t SubType, uint32_t DataWord,
                                     const void* Data, int32_t Size) {
    std::lock_guard lk(FGeneralLock);
    if (!FLogging)
        return;
    const int64_t kosten = 16 + std::max(Size, 0);
    if (kosten > FLogLimit)
        return;
    FLog.push_back(std::make_unique<TLogBuffer>(Kind, SubType, SerTimeGetTime() - FOpenTime,
                                                DataWord, Data, Size));
    FLogBytes += kosten;
    // The oldest entries make room for the new one.
    while (FLogBytes > FLogLimit && !FLog.empty()) {
        FLogBytes -= 16 + std::max(FLog.front()->Size, 0);
        FLog.pop_front();
    }
}

namespace {

// One byte as text: printable bytes as they are, the others (and the bracket that marks
// them) as "[0D]" in hex or "[13]" in decimal; AllHex brackets every byte in hex.
QByteArray byteText(uint8_t b, bool Hex, bool AllHex) {
    if (!AllHex && b >= 32 && b < 127 && b != '[')
        return QByteArray(1, static_cast<char>(b));
    if (Hex || AllHex)
        return '[' + QByteArray::number(b, 16).toUpper().rightJustified(2, '0') + ']';
    return '[' + QByteArray::number(b) + ']';
}

// Appends Token to the text, starting a new line first when the current one would grow
// beyond 78 characters.
void anhaengen(QByteArray& Text, qsizetype& ZeilenAnfang, const QByteArray& Token) {
    if (Text.size() - ZeilenAnfang + Token.size() > 78 && Text.size() > ZeilenAnfang) {
        Text += "\r\n";
        ZeilenAnfang = Text.size();
    }
    Text += Token;
}

// Writes a dump: anew through a temporary file renamed over the old one, or appended the
// same way, so that a failed write never leaves a half-written file behind.
int schreibeDump(const QString& Name, const QByteArray& Text, bool Append) {
    QByteArray inhalt;
    if (Append && QFileInfo::exists(Name)) {
        QFile alt(Name);
        if (!alt.open(QIODevice::ReadOnly))
            return -5;
        inhalt = alt.readAll();
    }
    inhalt += Text;
    QSaveFile f(Name);
    if (!f.open(QIODevice::WriteOnly)) {
        if (!QFileInfo(Name).absoluteDir().exists())
            return -3;
        return f.error() == QFileDevice::PermissionsError ? -5 : -160;
    }
    if (f.write(inhalt) != inhalt.size() || !f.commit())
        return -160;
    return 0;
}

} // namespace

// Trace file layout: every run of bytes of one kind starts a line with its heading,
// "Transmit: " for sent bytes, "Receive: " for received ones and "Special-<kind>: " for any
// other kind; the bytes follow as byteText gives them; a line that would grow beyond 78
// characters goes on in the next one; lines end with CR LF and the dump with an empty line.
int TSerBaseDispatcher::DumpTrace(const QString& Name, bool Append, bool Hex, bool AllHex) {
    std::vector<TraceEntry> eintraege;
    {
        std::lock_guard lk(FGeneralLock);
        if (FTrace.empty())
            return -3008;
        if (FTraceWrapped)
            eintraege.assign(FTrace.begin() + static_cast<std::ptrdiff_t>(FTracePos), FTrace.end());
        eintraege.insert(eintraege.end(), FTrace.begin(),
                         FTrace.begin() + static_cast<std::ptrdiff_t>(FTracePos));
    }
    QByteArray text;
    qsizetype zeile = 0;
    char art = 0;
    for (const TraceEntry& e : eintraege) {
        if (e.Kind != art || text.isEmpty()) {
            if (!text.isEmpty())
                text += "\r\n";
            zeile = text.size();
            art = e.Kind;
            text += art == 'T'   ? QByteArray("Transmit: ")
                    : art == 'R' ? QByteArray("Receive: ")
                                 : QByteArray("Special-") + art + ": ";
        }
        anhaengen(text, zeile, byteText(e.Byte, Hex, AllHex));
    }
    text += "\r\n\r\n";
    return schreibeDump(Name, text, Append);
}

// Log file layout: a header of the layer's name and version, "Compiler : ",
// "Operating System : ", "Device: " and "Date/time: " (dd/mm/yy, hh:mm:ss) lines and an
// empty line; then one line per entry: the time since the open in seconds with two
// decimals (eight characters), the kind's and the subtype's names from the message table,
// the data word in hex, and the entry's bytes as in the trace.
int TSerBaseDispatcher::DumpLog(const QString& Name, bool Append, bool Hex, bool AllHex) {
    std::vector<std::unique_ptr<TLogBuffer>> eintraege;
    {
        std::lock_guard lk(FGeneralLock);
        if (!FLogKept)
            return -3009;
        for (const auto& e : FLog)
            eintraege.push_back(std::make_unique<TLogBuffer>(e->Kind, e->SubType, e->Time,
                                                             e->DataWord, e->Data(), e->Size));
    }
    QByteArray text = "Quorvel serial port layer v1.00\r\n";
    text += "Compiler : " + QByteArray(__VERSION__) + "\r\n";
    text += "Operating System : " + QSysInfo::prettyProductName().toUtf8() + ", kernel " +
            QSysInfo::kernelVersion().toUtf8() + "\r\n";
    text += "Device: " + DeviceName.toUtf8() + "\r\n";
    text += "Date/time: " +
            QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yy, hh:mm:ss")).toUtf8() +
            "\r\n\r\n";
    for (const auto& e : eintraege) {
        QByteArray zeit =
            QByteArray::number(std::max<int64_t>(e->Time, 0) / 10).rightJustified(7, '0');
        zeit.insert(zeit.size() - 2, '.');
        const QByteArray kopf =
            QString::asprintf("%8s  %-8s  %-12s  %08x  ", zeit.constData(),
                              LookupMessageText(15001 + e->Kind).toUtf8().constData(),
                              LookupMessageText(15100 + e->SubType).toUtf8().constData(),
                              e->DataWord)
                .toUtf8();
        QByteArray zeile = kopf;
        qsizetype anfang = 0;
        for (int32_t i = 0; i < e->Size && e->Data(); ++i)
            anhaengen(zeile, anfang, byteText(e->Data()[i], Hex, AllHex));
        text += zeile + "\r\n";
    }
    text += "\r\n";
    return schreibeDump(Name, text, Append);
}
