#include "serial/SerPort.h"

#include "platform/Dialoge.h"
#include "platform/Nachrichten.h"
#include "serial/SerLog.h"
#include "serial/SerSelCom.h"
#include "serial/SerUser.h"
#include "serial/SerWin32.h"

#include <QDialog>
#include <algorithm>

TSerCustomComPort::TSerCustomComPort() : FTriggerSave(std::make_unique<TTriggerSave>()) {}

TSerCustomComPort::~TSerCustomComPort() {
    // The close below waits for the worker threads and handles the GUI thread's events
    // meanwhile, among them events of this port still on their way. Their handlers belong to
    // an owner that is destroying this port, and may be half gone: they are not called.
    FDestroying = true;
    try {
        if (FPortState == TPortState::psOpen)
            DonePort();
    } catch (const std::exception& e) {
        // A close that fails on the way out has nobody left to tell.
        qCDebug(lcSerial) << "close of a destroyed port failed:" << e.what();
    } catch (...) {
        qCDebug(lcSerial) << "close of a destroyed port failed with an unknown error";
    }
    if (FDispatcher && FComWindow)
        FDispatcher->DeregisterWndTriggerHandler(FComWindow->postfach().get());
    FDispatcher.reset();
    FComWindow.reset();
    FRetired.clear();
}

// ---- settings ----------------------------------------------------------------------------

int32_t TSerCustomComPort::CheckException(int32_t Code) const {
    return FLoading ? Code : ::CheckException(Code);
}

void TSerCustomComPort::SetDeviceLayer(TDeviceLayer Value) {
    if (FPortState != TPortState::psClosed || Value != TDeviceLayer::dlWin32 ||
        Value == FDeviceLayer)
        return;
    FDeviceLayer = Value;
    DeviceLayerChanged();
}

void TSerCustomComPort::SetComNumber(uint16_t Value) {
    if (Value == FComNumber)
        return;
    if (!IsOpenState()) {
        FComNumber = Value;
        return;
    }
    TTriggerSave gerettet;
    FDispatcher->SaveTriggers(gerettet);
    // The close writes what the trace and log held; they are put back as a closed port keeps
    // them (only on and off), and the open starts what is on.
    const TTraceLogState trace = FTracing;
    const TTraceLogState log = FLogging;
    SetOpen(false);
    FComNumber = Value;
    SetTracing(trace);
    SetLogging(log);
    SetOpen(true);
    if (IsOpenState())
        FDispatcher->RestoreTriggers(gerettet);
}

void TSerCustomComPort::ApplyLine() {
    if (IsOpenState())
        CheckException(
            FDispatcher->SetLine(FBaud, static_cast<int>(FParity), FStopBits, FDataBits));
}

void TSerCustomComPort::SetBaud(int32_t Value) {
    if (Value == FBaud && !FForce)
        return;
    FBaud = Value;
    ApplyLine();
}

void TSerCustomComPort::SetParity(TParity Value) {
    if (Value == FParity && !FForce)
        return;
    FParity = Value;
    ApplyLine();
}

void TSerCustomComPort::SetDataBits(uint16_t Value) {
    if (Value == FDataBits && !FForce)
        return;
    FDataBits = Value;
    ApplyLine();
}

void TSerCustomComPort::SetStopBits(uint16_t Value) {
    if (Value == FStopBits && !FForce)
        return;
    FStopBits = Value;
    ApplyLine();
}

void TSerCustomComPort::SetInSize(uint16_t Value) {
    FInSize = Value;
    if (IsOpenState())
        FDispatcher->SetCommBuffers(FInSize, FOutSize);
}

void TSerCustomComPort::SetOutSize(uint16_t Value) {
    FOutSize = Value;
    if (IsOpenState())
        FDispatcher->SetCommBuffers(FInSize, FOutSize);
}

void TSerCustomComPort::SetDTR(bool Value) {
    if (Value == FDTR && !FForce)
        return;
    if (IsOpenState() && CheckException(FDispatcher->SetDTR(Value)) != 0)
        return; // the line is under flow control
    FDTR = Value;
}

void TSerCustomComPort::SetRTS(bool Value) {
    if (Value == FRTS && !FForce)
        return;
    if (IsOpenState() && CheckException(FDispatcher->SetRTS(Value)) != 0)
        return;
    FRTS = Value;
}

void TSerCustomComPort::SetHWFlowOptions(THWFlowOptionSet Value) {
    if (Value == FHWFlowOptions && !FForce)
        return;
    FHWFlowOptions = Value;
    if (Value != 0) {
        if (FBufferFull == 0 || FBufferFull > FInSize)
            FBufferFull = static_cast<uint16_t>(qRound(FInSize * 0.9));
        if (FBufferResume == 0 || FBufferResume > FBufferFull)
            FBufferResume = static_cast<uint16_t>(qRound(FInSize * 0.1));
        if (Value & (hwfUseRTS | hwfRequireCTS)) {
            // RTS now answers the handshake: the dispatcher must stop using it for the
            // direction too, or the device would get both.
            if (FRS485Mode && IsOpenState())
                FDispatcher->SetRS485Mode(false);
            FRS485Mode = false;
        }
    }
    if (IsOpenState())
        CheckException(FDispatcher->SetHWFlowOptions(FBufferFull, FBufferResume, Value));
}

void TSerCustomComPort::SetSWFlowOptions(TSWFlowOptions Value) {
    if (Value == FSWFlowOptions && !FForce)
        return;
    FSWFlowOptions = Value;
    if (Value != TSWFlowOptions::swfNone) {
        if (FBufferFull == 0 || FBufferFull > FInSize)
            FBufferFull = static_cast<uint16_t>(FInSize * 3 / 4);
        if (FBufferResume == 0 || FBufferResume > FBufferFull)
            FBufferResume = static_cast<uint16_t>(FInSize / 4);
    }
    if (!IsOpenState())
        return;
    if (Value == TSWFlowOptions::swfNone) {
        CheckException(FDispatcher->SWFlowDisable());
        return;
    }
    unsigned opt = 0;
    if (Value == TSWFlowOptions::swfTransmit || Value == TSWFlowOptions::swfBoth)
        opt |= 1;
    if (Value == TSWFlowOptions::swfReceive || Value == TSWFlowOptions::swfBoth)
        opt |= 2;
    CheckException(FDispatcher->SetSWFlowOptions(FBufferFull, FBufferResume, opt));
}

void TSerCustomComPort::SetXOnChar(uint8_t Value) {
    if (Value == FXOnChar && !FForce)
        return;
    FXOnChar = Value;
    if (IsOpenState())
        CheckException(FDispatcher->SetFlowChars(FXOnChar, FXOffChar));
}

void TSerCustomComPort::SetXOffChar(uint8_t Value) {
    if (Value == FXOffChar && !FForce)
        return;
    FXOffChar = Value;
    if (IsOpenState())
        CheckException(FDispatcher->SetFlowChars(FXOnChar, FXOffChar));
}

void TSerCustomComPort::SetBufferFull(uint16_t Value) {
    FBufferFull = Value;
}

void TSerCustomComPort::SetBufferResume(uint16_t Value) {
    FBufferResume = Value;
}

namespace {

// One state change of a trace or log on an open port. Returns the new state.
template <class Dump, class Change>
TTraceLogState wechsle(TTraceLogState Alt, TTraceLogState Neu, uint32_t Size, Dump dump,
                       Change change) {
    using S = TTraceLogState;
    const bool laeuft = Alt == S::tlOn || Alt == S::tlPause || Alt == S::tlAppendAndContinue;
    switch (Neu) {
    case S::tlOn:
        change(TTraceLogAction::Start, Size);
        return S::tlOn;
    case S::tlOff:
        change(TTraceLogAction::Stop, 0);
        return S::tlOff;
    case S::tlPause:
        if (!laeuft)
            return S::tlOff;
        change(TTraceLogAction::Pause, 0);
        return S::tlPause;
    case S::tlClear:
        if (laeuft)
            change(TTraceLogAction::Clear, 0);
        return Alt;
    case S::tlDump:
    case S::tlAppend: {
        if (!laeuft)
            return S::tlOff;
        const int r = dump(Neu == S::tlAppend);
        change(TTraceLogAction::Stop, 0);
        CheckException(r);
        return S::tlOff;
    }
    case S::tlAppendAndContinue:
        if (laeuft)
            CheckException(dump(true));
        return Alt;
    }
    return Alt;
}

TTraceLogState nurAnAus(TTraceLogState Value) {
    return Value == TTraceLogState::tlOn ? Value : TTraceLogState::tlOff;
}

} // namespace

void TSerCustomComPort::SetTracing(TTraceLogState Value) {
    // While closed only on and off are kept; the open starts what is on.
    if (!IsOpenState()) {
        FTracing = nurAnAus(Value);
        return;
    }
    if (Value == FTracing && !FForce)
        return;
    TSerBaseDispatcher* d = FDispatcher.get();
    const TTraceLogState alt = FTracing;
    // A failed dump has stopped the trace all the same.
    FTracing = TTraceLogState::tlOff;
    FTracing = wechsle(
        alt, Value, FTraceSize,
        [&](bool append) { return d->DumpTrace(FTraceName, append, FTraceHex, FTraceAllHex); },
        [&](TTraceLogAction a, uint32_t n) { d->ChangeTracing(a, n); });
}

void TSerCustomComPort::SetTraceSize(uint32_t Value) {
    Value = std::min<uint32_t>(Value, 4000000);
    if (Value == FTraceSize)
        return;
    FTraceSize = Value;
    // A running trace starts again with the new size.
    if (IsOpenState() && FTracing != TTraceLogState::tlOff) {
        FDispatcher->ChangeTracing(TTraceLogAction::Stop, 0);
        FDispatcher->ChangeTracing(TTraceLogAction::Start, FTraceSize);
        if (FTracing == TTraceLogState::tlPause)
            FDispatcher->ChangeTracing(TTraceLogAction::Pause, 0);
    }
}

void TSerCustomComPort::SetLogging(TTraceLogState Value) {
    if (!IsOpenState()) {
        FLogging = nurAnAus(Value);
        return;
    }
    if (Value == FLogging && !FForce)
        return;
    TSerBaseDispatcher* d = FDispatcher.get();
    const TTraceLogState alt = FLogging;
    FLogging = TTraceLogState::tlOff;
    FLogging = wechsle(
        alt, Value, FLogSize,
        [&](bool append) { return d->DumpLog(FLogName, append, FLogHex, FLogAllHex); },
        [&](TTraceLogAction a, uint32_t n) { d->ChangeLogging(a, n); });
}

void TSerCustomComPort::SetLogSize(uint32_t Value) {
    Value = std::min<uint32_t>(Value, 16000000);
    if (Value == FLogSize)
        return;
    FLogSize = Value;
    if (IsOpenState() && FLogging != TTraceLogState::tlOff) {
        FDispatcher->ChangeLogging(TTraceLogAction::Stop, 0);
        FDispatcher->ChangeLogging(TTraceLogAction::Start, FLogSize);
        if (FLogging == TTraceLogState::tlPause)
            FDispatcher->ChangeLogging(TTraceLogAction::Pause, 0);
    }
}

void TSerCustomComPort::SetThreadBoost(uint8_t Value) {
    if (Value == FThreadBoost && !FForce)
        return;
    FThreadBoost = Value;
    if (IsOpenState())
        FDispatcher->SetThreadBoost(Value);
}

void TSerCustomComPort::SetUseEventWord(bool Value) {
    FUseEventWord = Value;
}

void TSerCustomComPort::SetRS485Mode(bool Value) {
    if (Value == FRS485Mode && !FForce)
        return;
    FRS485Mode = Value;
    if (IsOpenState()) {
        FDispatcher->SetRS485Mode(Value);
        // The direction control is part of the handshake settings: they go to the device again.
        CheckException(FDispatcher->SetHWFlowOptions(FBufferFull, FBufferResume, FHWFlowOptions));
    }
}

void TSerCustomComPort::SetTriggerLength(uint16_t Value) {
    if (Value == FTriggerLength && !FForce)
        return;
    FTriggerLength = Value;
    if (IsOpenState())
        FDispatcher->ChangeLengthTrigger(Value);
}

// ---- open and close ----------------------------------------------------------------------

void TSerCustomComPort::Loaded() {
    FLoading = false;
    if (!FOpenWhenLoaded && !(FOpen && FPortState == TPortState::psClosed))
        return;
    FOpenWhenLoaded = false;
    // Open reads True already; it becomes True for real only when the open succeeds.
    FOpen = false;
    SetOpen(true);
}

void TSerCustomComPort::SetOpen(bool Value) {
    if (Value == FOpen)
        return;
    if (FLoading && FPortState == TPortState::psClosed) {
        FOpen = Value;
        FOpenWhenLoaded = Value;
        return;
    }
    if (Value)
        InitPort();
    else
        DonePort();
}

void TSerCustomComPort::PortPrompt() {
    if (FComNumber != 0)
        return;
    if (!FPromptForPort)
        ::CheckException(-2011);
    TComSelectForm dialog;
    const bool ok = dialog.exec() == QDialog::Accepted;
    const uint16_t nummer = ok ? dialog.SelectedComNum() : 0;
    // OK without any port listed fails as Cancel does.
    if (nummer == 0)
        ::CheckException(-2011);
    SetComNumber(nummer);
}

void TSerCustomComPort::CreateDispatcher() {
    FDispatcher.reset();
    if (FFactory) {
        FDispatcher = FFactory(*this);
        return;
    }
    if (FDeviceLayer != TDeviceLayer::dlWin32)
        ::CheckException(-3001);
    if (FTapiMode == TTapiMode::tmOn) {
        if (FTapiHandle < 0)
            ::CheckException(-2012); // no handle was handed over
        FDispatcher = std::make_unique<TSerTAPI32Dispatcher>(this, FTapiHandle);
        return;
    }
    FDispatcher = std::make_unique<TSerWin32Dispatcher>(this);
}

void TSerCustomComPort::ReadTapiSettings() {
    Comm::DCB s;
    if (!Comm::ReadLineSettings(FTapiHandle, s))
        return; // no terminal: the open reports it
    FBaud = static_cast<int32_t>(s.BaudRate);
    FParity = static_cast<TParity>(std::min<int>(s.Parity, 4));
    FDataBits = s.ByteSize;
    FStopBits = s.StopBits == Comm::ONESTOPBIT ? 1 : 2;
    FHWFlowOptions = (s.Flags & Comm::fOutxCtsFlow) ? (hwfUseRTS | hwfRequireCTS) : 0;
    const bool aus = s.Flags & Comm::fOutX;
    const bool ein = s.Flags & Comm::fInX;
    FSWFlowOptions = aus && ein ? TSWFlowOptions::swfBoth
                     : aus      ? TSWFlowOptions::swfTransmit
                     : ein      ? TSWFlowOptions::swfReceive
                                : TSWFlowOptions::swfNone;
    FXOnChar = s.XonChar;
    FXOffChar = s.XoffChar;
}

int TSerCustomComPort::OpenDevice() {
    uint32_t optionen = 0;
    if (FDTR)
        optionen |= 1;
    if (FRTS)
        optionen |= 2;
    if (FHWFlowOptions & hwfUseDTR)
        optionen |= 0x10;
    if (FHWFlowOptions & hwfUseRTS)
        optionen |= 0x20;
    return FDispatcher->InitPort(ComName(FComNumber), FBaud, static_cast<int>(FParity), FDataBits,
                                 FStopBits, FInSize, FOutSize, optionen);
}

void TSerCustomComPort::InitPort() {
    FRetired.clear();
    if (FTapiMode != TTapiMode::tmOn)
        PortPrompt();
    CreateDispatcher();
    if (!FDispatcher)
        ::CheckException(-3001);
    FDispatcher->DeviceName = QStringLiteral("COM%1").arg(FComNumber);
    if (FTapiMode == TTapiMode::tmOn)
        ReadTapiSettings();
    int r = OpenDevice();
    if (r == -5)
        r = -2008;
    else if (r == -2 || r == -3)
        r = -2001;
    if (r != 0) {
        // No dispatcher without a device is kept: later calls report "not open".
        FDispatcher.reset();
        FOpenFailed = true;
        ::CheckException(r);
        return;
    }
    FOpenFailed = false;
    FPortState = TPortState::psOpen;
    UpdateHandlerFlags();
    FDispatcher->SetDeliverOnPoll(FDeliverOnPoll);
    FForce = true;
    try {
        SetTracing(FTracing);
        SetLogging(FLogging);
        SetHWFlowOptions(FHWFlowOptions);
        SetSWFlowOptions(FSWFlowOptions);
        SetXOnChar(FXOnChar);
        SetXOffChar(FXOffChar);
        SetTriggerLength(FTriggerLength);
        SetDTR(FDTR);
        SetRTS(FRTS);
        SetUseEventWord(FUseEventWord);
        SetRS485Mode(FRS485Mode);
        SetThreadBoost(FThreadBoost);
    } catch (...) {
        FForce = false;
        FDispatcher.reset();
        FPortState = TPortState::psClosed;
        throw;
    }
    FForce = false;
    FOpen = true;
    RegisterComWindow(true);
    if (FSavedTriggers) {
        FSavedTriggers = false;
        FDispatcher->RestoreTriggers(*FTriggerSave);
    }
    PortOpen();
}

void TSerCustomComPort::DumpOnClose() {
    std::exception_ptr fehler;
    for (auto setzen : {&TSerCustomComPort::SetTracing, &TSerCustomComPort::SetLogging}) {
        try {
            (this->*setzen)(TTraceLogState::tlDump);
        } catch (...) {
            if (!fehler)
                fehler = std::current_exception();
        }
    }
    if (fehler)
        std::rethrow_exception(fehler);
}

void TSerCustomComPort::DonePort() {
    if (FPortState != TPortState::psOpen)
        return;
    // A trace or log that cannot be written does not keep the port open: the close goes on
    // and the failure is raised at its end.
    std::exception_ptr dumpFehler;
    try {
        DumpOnClose();
    } catch (...) {
        dumpFehler = std::current_exception();
    }
    FPortState = TPortState::psClosing;
    PortClosing();
    if (FDispatcher) {
        FDispatcher->SaveTriggers(*FTriggerSave);
        FSavedTriggers = true;
        FDispatcher->DonePort();
    }
    if (FHandlerDepth > 0) {
        // Called from one of this port's event handlers: the close ends when it returns.
        FCloseFinishPending = true;
    } else {
        FinishClose();
    }
    if (dumpFehler)
        std::rethrow_exception(dumpFehler);
}

void TSerCustomComPort::FinishClose() {
    RegisterComWindow(false);
    FDispatcher.reset();
    FPortState = TPortState::psClosed;
    FOpen = false;
    // Also a close that ended after an event handler returned: whoever was told of the
    // start of the close hears of its end.
    PortClose();
}

void TSerCustomComPort::RegisterComWindow(bool Register) {
    if (Register) {
        FComWindow = std::make_unique<NachrichtenFenster>([this](uint32_t Msg, uintptr_t WParam,
                                                                 intptr_t LParam) -> intptr_t {
            return HandleWindowMessage(Msg, WParam, LParam) ? NachrichtenFenster::WeitereFolgt : 0;
        });
        if (FDispatcher)
            FDispatcher->RegisterWndTriggerHandler(FComWindow->postfach());
        return;
    }
    if (!FComWindow)
        return;
    if (FDispatcher)
        FDispatcher->DeregisterWndTriggerHandler(FComWindow->postfach().get());
    FRetired.push_back(std::move(FComWindow));
}

void TSerCustomComPort::TellUsers(uint32_t Msg, TPortNotice Notice) {
    // A user may deregister itself (or another) when told.
    const std::vector<Nutzer> nutzer = FUsers;
    for (const Nutzer& n : nutzer) {
        if (std::none_of(FUsers.begin(), FUsers.end(),
                         [&n](const Nutzer& u) { return u.Id == n.Id; }))
            continue;
        if (n.Window)
            n.Window->PostMessage(Msg, FComNumber, 0);
        else if (n.Callback)
            n.Callback(*this, Notice);
    }
}

void TSerCustomComPort::PortOpen() {
    TellUsers(APW_PORTOPEN, TPortNotice::Open);
    if (FOnPortOpen)
        FOnPortOpen(*this);
}

void TSerCustomComPort::PortClose() {
    TellUsers(APW_PORTCLOSE, TPortNotice::Close);
    if (FOnPortClose)
        FOnPortClose(*this);
}

void TSerCustomComPort::PortClosing() {
    TellUsers(APW_CLOSEPENDING, TPortNotice::Closing);
}

int TSerCustomComPort::RegisterUser(std::shared_ptr<Postfach> Window) {
    if (!Window)
        return 0;
    FUsers.push_back({FNextUserId, std::move(Window), {}});
    return FNextUserId++;
}

int TSerCustomComPort::RegisterUserCallback(TPortCallback Callback) {
    if (!Callback)
        return 0;
    FUsers.push_back({FNextUserId, nullptr, std::move(Callback)});
    return FNextUserId++;
}

void TSerCustomComPort::DeregisterUser(int Id) {
    std::erase_if(FUsers, [Id](const Nutzer& n) { return n.Id == Id; });
}

// ---- triggers ----------------------------------------------------------------------------

uint16_t TSerCustomComPort::AddDataTrigger(const QByteArray& Match, bool IgnoreCase) {
    return static_cast<uint16_t>(
        CheckException(ValidDispatcher().AddDataTrigger(Match, IgnoreCase)));
}

uint16_t TSerCustomComPort::AddTimerTrigger() {
    return static_cast<uint16_t>(CheckException(ValidDispatcher().AddTimerTrigger()));
}

void TSerCustomComPort::SetTimerTrigger(uint16_t Handle, int64_t Ticks, bool Activate) {
    CheckException(ValidDispatcher().SetTimerTrigger(Handle, Ticks, Activate));
}

uint16_t TSerCustomComPort::AddStatusTrigger(uint16_t Kind) {
    return static_cast<uint16_t>(CheckException(ValidDispatcher().AddStatusTrigger(Kind)));
}

void TSerCustomComPort::SetStatusTrigger(uint16_t Handle, uint32_t Value, bool Activate) {
    CheckException(ValidDispatcher().SetStatusTrigger(Handle, Value, Activate));
}

void TSerCustomComPort::RemoveTrigger(uint16_t Handle) {
    CheckException(ValidDispatcher().RemoveTrigger(Handle));
}

// ---- copying -----------------------------------------------------------------------------

void TSerCustomComPort::Assign(const TSerCustomComPort& Source) {
    if (&Source == this)
        return;
    SetDeviceLayer(Source.FDeviceLayer);
    SetPromptForPort(Source.FPromptForPort);
    SetAutoOpen(Source.FAutoOpen);
    SetInSize(Source.FInSize);
    SetOutSize(Source.FOutSize);
    SetBaud(Source.FBaud);
    SetParity(Source.FParity);
    SetDataBits(Source.FDataBits);
    SetStopBits(Source.FStopBits);
    SetBufferFull(Source.FBufferFull);
    SetBufferResume(Source.FBufferResume);
    SetXOnChar(Source.FXOnChar);
    SetXOffChar(Source.FXOffChar);
    SetHWFlowOptions(Source.FHWFlowOptions);
    SetSWFlowOptions(Source.FSWFlowOptions);
    SetDTR(Source.FDTR);
    SetRTS(Source.FRTS);
    SetTraceName(Source.FTraceName);
    SetTraceHex(Source.FTraceHex);
    SetTraceAllHex(Source.FTraceAllHex);
    SetTraceSize(Source.FTraceSize);
    SetLogName(Source.FLogName);
    SetLogHex(Source.FLogHex);
    SetLogAllHex(Source.FLogAllHex);
    SetLogSize(Source.FLogSize);
    SetTracing(Source.FTracing == TTraceLogState::tlOff ? TTraceLogState::tlOff
                                                        : TTraceLogState::tlOn);
    SetLogging(Source.FLogging == TTraceLogState::tlOff ? TTraceLogState::tlOff
                                                        : TTraceLogState::tlOn);
    SetUseEventWord(Source.FUseEventWord);
    SetCommNotificationLevel(Source.FCommNotificationLevel);
    SetTapiMode(Source.FTapiMode);
    SetRS485Mode(Source.FRS485Mode);
    SetTriggerLength(Source.FTriggerLength);
    SetThreadBoost(Source.FThreadBoost);
    FUsers = Source.FUsers;
    FNextUserId = std::max(FNextUserId, Source.FNextUserId);
    SetComNumber(Source.FComNumber);
    if (Source.IsOpenState()) {
        Source.FDispatcher->SaveTriggers(*FTriggerSave);
        FSavedTriggers = true;
    }
    if (FSavedTriggers && IsOpenState()) {
        FSavedTriggers = false;
        FDispatcher->RestoreTriggers(*FTriggerSave);
    }
}

// ---- data --------------------------------------------------------------------------------

TSerBaseDispatcher* TSerCustomComPort::GetDispatcher() {
    if (!FDispatcher && FPortState != TPortState::psOpen && FAutoOpen && !FOpenFailed && !FLoading)
        SetOpen(true);
    return FDispatcher.get();
}

TSerBaseDispatcher& TSerCustomComPort::ValidDispatcher() {
    TSerBaseDispatcher* d = GetDispatcher();
    // Also while loading: the caller has no dispatcher to work on.
    if (!d)
        ::CheckException(-2007);
    return *d;
}

uint8_t TSerCustomComPort::GetCharSlow() {
    if (FPortState == TPortState::psClosing)
        return 0;
    uint8_t c = 0;
    TSerBaseDispatcher& d = FDispatcher ? *FDispatcher : ValidDispatcher();
    if (const int r = d.GetChar(c); r < 0)
        CheckException(r);
    return c;
}

void TSerCustomComPort::PutString(const QByteArray& S) {
    PutBlock(S.constData(), static_cast<int>(S.size()));
}

void TSerCustomComPort::PutBlock(const void* Block, int Count) {
    if (FPortState == TPortState::psClosing || Count <= 0)
        return;
    CheckException(ValidDispatcher().PutBlock(Block, Count));
}

int TSerCustomComPort::InBuffUsed() {
    if (FPortState == TPortState::psClosing)
        return 0;
    return ValidDispatcher().InBuffUsed();
}

int TSerCustomComPort::OutBuffUsed() {
    if (FPortState == TPortState::psClosing)
        return 0;
    return ValidDispatcher().OutBuffUsed();
}

int TSerCustomComPort::OutBuffFree() {
    if (FPortState == TPortState::psClosing)
        return 0;
    return ValidDispatcher().OutBuffFree();
}

void TSerCustomComPort::FlushInBuffer() {
    if (FPortState == TPortState::psClosing || (FOpenFailed && !FDispatcher))
        return;
    ValidDispatcher().FlushInBuffer();
}

void TSerCustomComPort::FlushOutBuffer() {
    if (FPortState == TPortState::psClosing || (FOpenFailed && !FDispatcher))
        return;
    ValidDispatcher().FlushOutBuffer();
}

void TSerCustomComPort::SetDeliverOnPoll(bool An) {
    FDeliverOnPoll = An;
    if (IsOpenState() && FDispatcher)
        FDispatcher->SetDeliverOnPoll(An);
}

void TSerCustomComPort::PollDispatcher() {
    if (FPortState == TPortState::psClosing || (FOpenFailed && !FDispatcher))
        return;
    CheckException(ValidDispatcher().Poll());
}

// ---- events ------------------------------------------------------------------------------

void TSerCustomComPort::UpdateHandlerFlags() {
    if (!IsOpenState())
        return;
    const bool gebraucht = FOnTrigger || FOnTriggerAvail || FOnTriggerData || FOnTriggerStatus ||
                           FOnTriggerTimer || FOnTriggerLineError || FOnTriggerModemStatus ||
                           FOnTriggerOutbuffFree || FOnTriggerOutbuffUsed || FOnTriggerOutSent;
    FDispatcher->SetHandlerMode(gebraucht ? 1 : 2);
}

void TSerCustomComPort::SetOnTriggerAvail(TTriggerAvailEvent Value) {
    FOnTriggerAvail = std::move(Value);
    UpdateHandlerFlags();
}
void TSerCustomComPort::SetOnTrigger(TTriggerEvent Value) {
    FOnTrigger = std::move(Value);
    UpdateHandlerFlags();
}
void TSerCustomComPort::SetOnTriggerData(TTriggerDataEvent Value) {
    FOnTriggerData = std::move(Value);
    UpdateHandlerFlags();
}
void TSerCustomComPort::SetOnTriggerStatus(TTriggerStatusEvent Value) {
    FOnTriggerStatus = std::move(Value);
    UpdateHandlerFlags();
}
void TSerCustomComPort::SetOnTriggerTimer(TTriggerTimerEvent Value) {
    FOnTriggerTimer = std::move(Value);
    UpdateHandlerFlags();
}
void TSerCustomComPort::SetOnTriggerLineError(TTriggerLineErrorEvent Value) {
    FOnTriggerLineError = std::move(Value);
    UpdateHandlerFlags();
}
void TSerCustomComPort::SetOnTriggerModemStatus(TNotifyEvent Value) {
    FOnTriggerModemStatus = std::move(Value);
    UpdateHandlerFlags();
}
void TSerCustomComPort::SetOnTriggerOutbuffFree(TNotifyEvent Value) {
    FOnTriggerOutbuffFree = std::move(Value);
    UpdateHandlerFlags();
}
void TSerCustomComPort::SetOnTriggerOutbuffUsed(TNotifyEvent Value) {
    FOnTriggerOutbuffUsed = std::move(Value);
    UpdateHandlerFlags();
}
void TSerCustomComPort::SetOnTriggerOutSent(TNotifyEvent Value) {
    FOnTriggerOutSent = std::move(Value);
    UpdateHandlerFlags();
}

void TSerCustomComPort::Trigger(uint16_t Msg, uint16_t TriggerHandle, uint16_t Data) {
    if (FOnTrigger)
        FOnTrigger(*this, Msg, TriggerHandle, Data);
}
void TSerCustomComPort::TriggerAvail(uint16_t Count) {
    if (FOnTriggerAvail)
        FOnTriggerAvail(*this, Count);
}
void TSerCustomComPort::TriggerData(uint16_t TriggerHandle) {
    if (FOnTriggerData)
        FOnTriggerData(*this, TriggerHandle);
}
void TSerCustomComPort::TriggerStatus(uint16_t TriggerHandle) {
    if (FOnTriggerStatus)
        FOnTriggerStatus(*this, TriggerHandle);
}
void TSerCustomComPort::TriggerTimer(uint16_t TriggerHandle) {
    if (FOnTriggerTimer)
        FOnTriggerTimer(*this, TriggerHandle);
}
void TSerCustomComPort::TriggerLineError(uint16_t Error, bool LineBreak) {
    if (FOnTriggerLineError)
        FOnTriggerLineError(*this, Error, LineBreak);
}
void TSerCustomComPort::TriggerModemStatus() {
    if (FOnTriggerModemStatus)
        FOnTriggerModemStatus(*this);
}
void TSerCustomComPort::TriggerOutbuffFree() {
    if (FOnTriggerOutbuffFree)
        FOnTriggerOutbuffFree(*this);
}
void TSerCustomComPort::TriggerOutbuffUsed() {
    if (FOnTriggerOutbuffUsed)
        FOnTriggerOutbuffUsed(*this);
}
void TSerCustomComPort::TriggerOutSent() {
    if (FOnTriggerOutSent)
        FOnTriggerOutSent(*this);
}

void TSerCustomComPort::RunAsDelivery(const std::function<void()>& Cycle) {
    ++FHandlerDepth;
    Cycle();
    --FHandlerDepth;
    if (FHandlerDepth == 0 && FCloseFinishPending) {
        FCloseFinishPending = false;
        FinishClose();
    }
}

bool TSerCustomComPort::HandleWindowMessage(uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
    if (FDestroying)
        return false;
    std::lock_guard lk(TSerBaseDispatcher::PortListLock());
    const unsigned slot = static_cast<unsigned>((static_cast<uintptr_t>(LParam) >> 16) & 0xFFFF);
    TSerBaseDispatcher* d = TSerBaseDispatcher::FromHandle(slot);
    // A late event for a dispatcher that is gone (or whose slot now serves another port).
    if (!d || d->Owner() != this || d != FDispatcher.get())
        return false;
    const uint16_t data = static_cast<uint16_t>(Msg == APW_TRIGGERAVAIL ? WParam : LParam & 0xFFFF);
    ++FHandlerDepth;
    d->BeginHandlerPeek();
    QString fehler;
    try {
        switch (Msg) {
        case APW_TRIGGERAVAIL: {
            // Bytes taken while the event was on its way (an input flush meanwhile) are no
            // longer announced: the handler reads exactly what is there.
            const auto count =
                static_cast<uint16_t>(std::min<uintptr_t>(WParam, std::max(d->InBuffUsed(), 0)));
            if (count == 0)
                break;
            Trigger(static_cast<uint16_t>(Msg), count, count);
            TriggerAvail(count);
            break;
        }
        case APW_TRIGGERDATA:
            Trigger(static_cast<uint16_t>(Msg), static_cast<uint16_t>(WParam), data);
            TriggerData(static_cast<uint16_t>(WParam));
            break;
        case APW_TRIGGERTIMER:
            Trigger(static_cast<uint16_t>(Msg), static_cast<uint16_t>(WParam), data);
            TriggerTimer(static_cast<uint16_t>(WParam));
            break;
        case APW_TRIGGERSTATUS:
            Trigger(static_cast<uint16_t>(Msg), static_cast<uint16_t>(WParam), data);
            TriggerStatus(static_cast<uint16_t>(WParam));
            switch (WParam & 7) {
            case 1:
                TriggerModemStatus();
                break;
            case 2: {
                const int fehler = d->GetLineError();
                TriggerLineError(static_cast<uint16_t>(fehler), d->CheckLineBreak());
                break;
            }
            case 3:
                TriggerOutbuffFree();
                break;
            case 4:
                TriggerOutbuffUsed();
                break;
            case 5:
                TriggerOutSent();
                break;
            default:
                break;
            }
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        fehler = QString::fromUtf8(e.what());
    } catch (...) {
        fehler = QStringLiteral("Serial port: unexpected failure in an event handler");
    }
    // The box is shown once this delivery has ended: shown here it would hold the port's
    // dispatch thread, and every later event, until the user closes it.
    if (!fehler.isEmpty())
        Dialoge::ShowMessageSpaeter(fehler);
    // The handler may have closed the port: the dispatcher is still there until the close
    // finishes below.
    bool weitere = false;
    if (FDispatcher.get() == d) {
        d->EndHandlerPeek();
        weitere = (Msg == APW_TRIGGERAVAIL || Msg == APW_TRIGGERDATA) && IsOpenState() &&
                  d->NextEventAtHand();
    }
    --FHandlerDepth;
    if (FHandlerDepth == 0 && FCloseFinishPending) {
        FCloseFinishPending = false;
        FinishClose();
        weitere = false;
    }
    return weitere;
}
