#pragma once

#include "serial/SerExcept.h"
#include "serial/SerMisc.h"
#include "serial/SerUser.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TSerBaseDispatcher;
class TSerCustomComPort;
class NachrichtenFenster;
class Postfach;
struct TTriggerSave;

enum class TDeviceLayer { dlWin32, dlWinsock };
// The ordinal is the device's parity code 0..4.
enum class TParity { pNone, pOdd, pEven, pMark, pSpace };
enum class TSWFlowOptions { swfNone, swfReceive, swfTransmit, swfBoth };
enum class TTapiMode { tmNone, tmAuto, tmOn, tmOff };
enum class TTraceLogState { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause, tlAppendAndContinue };

// Hardware handshake options, combined as a bit set.
enum THWFlowOption : unsigned {
    hwfUseDTR = 1,
    hwfUseRTS = 2,
    hwfRequireDSR = 4,
    hwfRequireCTS = 8,
};
using THWFlowOptionSet = unsigned;

using TNotifyEvent = std::function<void(TSerCustomComPort& Sender)>;
using TTriggerEvent =
    std::function<void(TSerCustomComPort& CP, uint16_t Msg, uint16_t TriggerHandle, uint16_t Data)>;
// Received data available: read exactly Count bytes with GetChar inside the handler.
using TTriggerAvailEvent = std::function<void(TSerCustomComPort& CP, uint16_t Count)>;
using TTriggerDataEvent = std::function<void(TSerCustomComPort& CP, uint16_t TriggerHandle)>;
using TTriggerStatusEvent = std::function<void(TSerCustomComPort& CP, uint16_t TriggerHandle)>;
using TTriggerTimerEvent = std::function<void(TSerCustomComPort& CP, uint16_t TriggerHandle)>;
using TTriggerLineErrorEvent =
    std::function<void(TSerCustomComPort& CP, uint16_t Error, bool LineBreak)>;

// What a registered user of a port is told.
enum class TPortNotice { Open, Closing, Close };
using TPortCallback = std::function<void(TSerCustomComPort& CP, TPortNotice Notice)>;

// The one object through which the program uses a COM port. All operations run in the GUI
// thread; received data arrive there as OnTriggerAvail. Failures are raised as exceptions of
// the ESerException tree (serial/SerExcept.h).
class TSerCustomComPort : public TSerBaseComponent {
public:
    TSerCustomComPort();
    ~TSerCustomComPort() override;
    TSerCustomComPort(const TSerCustomComPort&) = delete;
    TSerCustomComPort& operator=(const TSerCustomComPort&) = delete;

    // --- settings ---------------------------------------------------------------------
    TDeviceLayer DeviceLayer() const { return FDeviceLayer; }
    void SetDeviceLayer(TDeviceLayer Value);

    // Port number, COM1 = 1; 0 = none chosen. A new number on an open port reopens it there.
    uint16_t ComNumber() const { return FComNumber; }
    void SetComNumber(uint16_t Value);

    // Line settings: stored while closed; applied at once on an open port (after the
    // pending output has drained).
    int32_t Baud() const { return FBaud; }
    void SetBaud(int32_t Value);
    TParity Parity() const { return FParity; }
    void SetParity(TParity Value);
    uint16_t DataBits() const { return FDataBits; }
    void SetDataBits(uint16_t Value);
    uint16_t StopBits() const { return FStopBits; }
    void SetStopBits(uint16_t Value);

    bool PromptForPort() const { return FPromptForPort; }
    void SetPromptForPort(bool Value) { FPromptForPort = Value; }
    uint16_t InSize() const { return FInSize; }
    void SetInSize(uint16_t Value);
    uint16_t OutSize() const { return FOutSize; }
    void SetOutSize(uint16_t Value);
    bool AutoOpen() const { return FAutoOpen; }
    void SetAutoOpen(bool Value) { FAutoOpen = Value; }

    bool DTR() const { return FDTR; }
    void SetDTR(bool Value);
    bool RTS() const { return FRTS; }
    void SetRTS(bool Value);
    THWFlowOptionSet HWFlowOptions() const { return FHWFlowOptions; }
    void SetHWFlowOptions(THWFlowOptionSet Value);
    TSWFlowOptions SWFlowOptions() const { return FSWFlowOptions; }
    void SetSWFlowOptions(TSWFlowOptions Value);
    uint8_t XOnChar() const { return FXOnChar; }
    void SetXOnChar(uint8_t Value);
    uint8_t XOffChar() const { return FXOffChar; }
    void SetXOffChar(uint8_t Value);
    uint16_t BufferFull() const { return FBufferFull; }
    void SetBufferFull(uint16_t Value);
    uint16_t BufferResume() const { return FBufferResume; }
    void SetBufferResume(uint16_t Value);

    TTraceLogState Tracing() const { return FTracing; }
    void SetTracing(TTraceLogState Value);
    uint32_t TraceSize() const { return FTraceSize; }
    void SetTraceSize(uint32_t Value);
    QString TraceName() const { return FTraceName; }
    void SetTraceName(const QString& Value) { FTraceName = Value.left(255); }
    // Bytes in the trace file: others than printable ones in hex (else decimal); all in hex.
    bool TraceHex() const { return FTraceHex; }
    void SetTraceHex(bool Value) { FTraceHex = Value; }
    bool TraceAllHex() const { return FTraceAllHex; }
    void SetTraceAllHex(bool Value) { FTraceAllHex = Value; }
    TTraceLogState Logging() const { return FLogging; }
    void SetLogging(TTraceLogState Value);
    uint32_t LogSize() const { return FLogSize; }
    void SetLogSize(uint32_t Value);
    QString LogName() const { return FLogName; }
    void SetLogName(const QString& Value) { FLogName = Value.left(255); }
    bool LogHex() const { return FLogHex; }
    void SetLogHex(bool Value) { FLogHex = Value; }
    bool LogAllHex() const { return FLogAllHex; }
    void SetLogAllHex(bool Value) { FLogAllHex = Value; }

    bool UseMSRShadow() const { return true; }
    virtual void SetUseMSRShadow(bool) {}
    bool UseEventWord() const { return FUseEventWord; }
    void SetUseEventWord(bool Value);
    uint16_t CommNotificationLevel() const { return FCommNotificationLevel; }
    void SetCommNotificationLevel(uint16_t Value) { FCommNotificationLevel = Value; }
    TTapiMode TapiMode() const { return FTapiMode; }
    void SetTapiMode(TTapiMode Value) { FTapiMode = Value; }
    // With TapiMode tmOn the port is a terminal opened elsewhere: its file descriptor, used as
    // it is (its line settings are read back at the open) and never closed here; -1 = none.
    int TapiHandle() const { return FTapiHandle; }
    void SetTapiHandle(int Fd) { FTapiHandle = Fd; }
    bool RS485Mode() const { return FRS485Mode; }
    void SetRS485Mode(bool Value);

    // The avail trigger's byte count, handed to the dispatcher at every open.
    uint16_t TriggerLength() const { return FTriggerLength; }
    void SetTriggerLength(uint16_t Value);
    // Priority increment of the worker threads, handed to the dispatcher at every open.
    uint8_t ThreadBoost() const { return FThreadBoost; }
    void SetThreadBoost(uint8_t Value);

    // Copies every setting and the users list; from an open source also its triggers, which
    // this port takes at its next open (at once when it is open). Event handlers stay.
    void Assign(const TSerCustomComPort& Source);

    // --- users ------------------------------------------------------------------------
    // A user is told of the port's open, of the start of a close and of its end: a window
    // gets the messages 0x7E08, 0x7E0A and 0x7E09 posted (wParam the port number, lParam
    // 0), a callback is called. Both return an id for DeregisterUser.
    int RegisterUser(std::shared_ptr<Postfach> Window);
    int RegisterUserCallback(TPortCallback Callback);
    void DeregisterUser(int Id);

    // --- triggers ---------------------------------------------------------------------
    // Kept across a close and a change of the port number. Failures raise (ETrigger family,
    // EBadArgument); all need an open port (or AutoOpen).
    // Fires OnTriggerData when the bytes of Match have arrived, in one read or several.
    uint16_t AddDataTrigger(const QByteArray& Match, bool IgnoreCase = false);
    // Fires OnTriggerTimer once when the ticks (55 ms each) set by SetTimerTrigger passed.
    uint16_t AddTimerTrigger();
    void SetTimerTrigger(uint16_t Handle, int64_t Ticks, bool Activate);
    // Kind: stModem .. stOutSent (serial/SerUser.h); the handle carries it in its low three
    // bits. Value: the watched lines or error bits, or the free or used level.
    uint16_t AddStatusTrigger(uint16_t Kind);
    void SetStatusTrigger(uint16_t Handle, uint32_t Value, bool Activate);
    void RemoveTrigger(uint16_t Handle);

    // --- open and close ---------------------------------------------------------------
    // True from the end of a successful open until the close has finished.
    bool Open() const { return FOpen; }
    // True opens (raises when the port cannot be opened), False closes. While the port's
    // settings are being loaded the value is only kept; Loaded acts on it.
    void SetOpen(bool Value);

    // --- loading ----------------------------------------------------------------------
    // Between BeginLoad and Loaded the settings are being put in place: Open := True only
    // marks the port for opening, nothing opens by itself, and failures of setters are
    // returned instead of raised. Loaded then opens the port when it was marked (raising
    // as an open does).
    void BeginLoad() { FLoading = true; }
    bool Loading() const { return FLoading; }
    virtual void Loaded();

    // --- data -------------------------------------------------------------------------
    // One received byte. Inside OnTriggerAvail it peeks at the announced data; the bytes
    // read are removed when the handlers have returned. Raises EBufferIsEmpty when there
    // is none; while the port is closing it returns 0.
    uint8_t GetChar() {
        // Called for every byte a handler reads: a byte of the handler's view costs no call.
        uint8_t c = 0;
        if (FPortState == TPortState::psOpen && FDispatcher && FDispatcher->ViewChar(c))
            return c;
        return GetCharSlow();
    }
    // Queues all bytes for sending or raises (EOutputBufferTooSmall: nothing queued).
    void PutString(const QByteArray& S);
    void PutBlock(const void* Block, int Count);
    // Bytes received and not yet read (less those read ahead inside a handler).
    int InBuffUsed();
    int OutBuffUsed();
    int OutBuffFree();
    void FlushInBuffer();
    void FlushOutBuffer();
    virtual void PollDispatcher();
    // Received bytes are delivered at PollDispatcher only, not as they come: for an owner
    // that polls at its own tick and looks at them only then. Kept across opens.
    void SetDeliverOnPoll(bool An);
    bool DeliverOnPoll() const { return FDeliverOnPoll; }

    // --- events -----------------------------------------------------------------------
    const TTriggerAvailEvent& OnTriggerAvail() const { return FOnTriggerAvail; }
    void SetOnTriggerAvail(TTriggerAvailEvent Value);
    void SetOnTrigger(TTriggerEvent Value);
    void SetOnTriggerData(TTriggerDataEvent Value);
    void SetOnTriggerStatus(TTriggerStatusEvent Value);
    void SetOnTriggerTimer(TTriggerTimerEvent Value);
    void SetOnTriggerLineError(TTriggerLineErrorEvent Value);
    void SetOnTriggerModemStatus(TNotifyEvent Value);
    void SetOnTriggerOutbuffFree(TNotifyEvent Value);
    void SetOnTriggerOutbuffUsed(TNotifyEvent Value);
    void SetOnTriggerOutSent(TNotifyEvent Value);
    void SetOnPortOpen(TNotifyEvent Value) { FOnPortOpen = std::move(Value); }
    void SetOnPortClose(TNotifyEvent Value) { FOnPortClose = std::move(Value); }

    // The dispatcher, opening the port first when AutoOpen allows; null when there is none.
    TSerBaseDispatcher* GetDispatcher();
    // As GetDispatcher, but raises ECommNotOpen when there is none.
    TSerBaseDispatcher& ValidDispatcher();

    // Makes the dispatcher in place of the built-in rule when set.
    using TDispatcherFactory =
        std::function<std::unique_ptr<TSerBaseDispatcher>(TSerCustomComPort&)>;
    void SetDispatcherFactory(TDispatcherFactory Factory) { FFactory = std::move(Factory); }

    // Called by the hidden event window in the GUI thread (Msg is the event kind). True when
    // the dispatcher has the next data event at hand (more received data wait for it). Once
    // the port's destruction has begun, events reach no handler.
    bool HandleWindowMessage(uint32_t Msg, uintptr_t WParam, intptr_t LParam);
    // Runs the dispatcher's Cycle, which may call this port's handlers directly, as a
    // delivery: a close that a handler starts finishes when Cycle has returned, not under it.
    void RunAsDelivery(const std::function<void()>& Cycle);

protected:
    virtual void InitPort();
    virtual void DonePort();
    // Called after DeviceLayer changed; nothing to do for the one layer built in.
    virtual void DeviceLayerChanged() {}
    // Raises the exception of a negative code, except while loading; returns the code.
    int32_t CheckException(int32_t Code) const;
    virtual void CreateDispatcher();
    virtual int OpenDevice();
    virtual void RegisterComWindow(bool Register);
    virtual void PortPrompt();
    virtual void PortOpen();
    virtual void PortClose();
    virtual void PortClosing();
    virtual void UpdateHandlerFlags();
    virtual void Trigger(uint16_t Msg, uint16_t TriggerHandle, uint16_t Data);
    virtual void TriggerAvail(uint16_t Count);
    virtual void TriggerData(uint16_t TriggerHandle);
    virtual void TriggerStatus(uint16_t TriggerHandle);
    virtual void TriggerTimer(uint16_t TriggerHandle);
    virtual void TriggerLineError(uint16_t Error, bool LineBreak);
    virtual void TriggerModemStatus();
    virtual void TriggerOutbuffFree();
    virtual void TriggerOutbuffUsed();
    virtual void TriggerOutSent();

private:
    enum class TPortState { psClosed = 0, psClosing = 1, psOpen = 2 };

    uint8_t GetCharSlow();
    void ApplyLine();
    void ReadTapiSettings();
    bool IsOpenState() const { return FPortState == TPortState::psOpen && FDispatcher; }
    void FinishClose();
    void TellUsers(uint32_t Msg, TPortNotice Notice);
    // Writes and stops a running trace or log (the close does this); raises a failed write.
    void DumpOnClose();

    TDeviceLayer FDeviceLayer = TDeviceLayer::dlWin32;
    uint16_t FComNumber = 0;
    int32_t FBaud = 19200;
    bool FPromptForPort = true;
    TParity FParity = TParity::pNone;
    uint16_t FDataBits = 8;
    uint16_t FStopBits = 1;
    uint16_t FInSize = 4096;
    uint16_t FOutSize = 4096;
    bool FAutoOpen = true;
    bool FOpen = false;
    bool FDTR = true;
    bool FRTS = true;
    THWFlowOptionSet FHWFlowOptions = 0;
    TSWFlowOptions FSWFlowOptions = TSWFlowOptions::swfNone;
    uint8_t FXOnChar = 17;
    uint8_t FXOffChar = 19;
    uint16_t FBufferFull = 0;
    uint16_t FBufferResume = 0;
    TTraceLogState FTracing = TTraceLogState::tlOff;
    uint32_t FTraceSize = 10000;
    QString FTraceName = QStringLiteral("SERIAL.TRC");
    bool FTraceHex = true;
    bool FTraceAllHex = false;
    TTraceLogState FLogging = TTraceLogState::tlOff;
    uint32_t FLogSize = 10000;
    QString FLogName = QStringLiteral("SERIAL.LOG");
    bool FLogHex = true;
    bool FLogAllHex = false;
    bool FUseEventWord = true;
    uint16_t FCommNotificationLevel = 10;
    TTapiMode FTapiMode = TTapiMode::tmAuto;
    int FTapiHandle = -1;
    bool FRS485Mode = false;
    uint16_t FTriggerLength = 1;
    uint8_t FThreadBoost = 0;

    TPortState FPortState = TPortState::psClosed;
    bool FForce = false;
    bool FLoading = false;
    bool FOpenWhenLoaded = false;
    bool FSavedTriggers = false;
    std::unique_ptr<TTriggerSave> FTriggerSave;
    std::unique_ptr<TSerBaseDispatcher> FDispatcher;
    std::unique_ptr<NachrichtenFenster> FComWindow;
    // Windows left behind by a close; a window is never destroyed inside its own event.
    std::vector<std::unique_ptr<NachrichtenFenster>> FRetired;
    int FHandlerDepth = 0;
    // Set when the destructor begins: events that arrive from then on reach no handler.
    bool FDestroying = false;
    bool FCloseFinishPending = false;
    // The last open failed: operations raise ECommNotOpen instead of opening again.
    bool FOpenFailed = false;
    bool FDeliverOnPoll = false;
    TDispatcherFactory FFactory;
    struct Nutzer {
        int Id = 0;
        std::shared_ptr<Postfach> Window;
        TPortCallback Callback;
    };
    std::vector<Nutzer> FUsers;
    int FNextUserId = 1;

    TNotifyEvent FOnPortOpen, FOnPortClose;
    TTriggerEvent FOnTrigger;
    TTriggerAvailEvent FOnTriggerAvail;
    TTriggerDataEvent FOnTriggerData;
    TTriggerStatusEvent FOnTriggerStatus;
    TTriggerTimerEvent FOnTriggerTimer;
    TTriggerLineErrorEvent FOnTriggerLineError;
    TNotifyEvent FOnTriggerModemStatus, FOnTriggerOutbuffFree, FOnTriggerOutbuffUsed,
        FOnTriggerOutSent;
};

// The published component; all logic is in TSerCustomComPort.
class TSerComPort : public TSerCustomComPort {
public:
    TSerComPort() = default;
};
