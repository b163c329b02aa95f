#pragma once

#include "platform/Comm.h"
#include "serial/SerMisc.h"
#include "serial/SerQueue.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class TSerCustomComPort;
class Postfach;

// Event kinds, as delivered to the component's event window.
enum : uint32_t {
    APW_TRIGGERAVAIL = 0x7E01,
    APW_TRIGGERDATA = 0x7E02,
    APW_TRIGGERTIMER = 0x7E03,
    APW_TRIGGERSTATUS = 0x7E04,
    APW_PORTOPEN = 0x7E08,
    APW_PORTCLOSE = 0x7E09,
    APW_CLOSEPENDING = 0x7E0A,
};

inline constexpr int DispatchBufferSize = 8192;

struct TTimerTrigger {
    uint16_t Handle = 0;
    TEventTimer Timer;
    int64_t Ticks = 0;
    bool Active = false;
};
struct TStatusTrigger {
    uint16_t Handle = 0;
    uint16_t Kind = 0; // 1 modem, 2 line error, 3 output free, 4 output used, 5 output sent
    uint32_t Value = 0;
    bool Armed = true;
    bool Fired = false;
};
struct TDataTrigger {
    uint16_t Handle = 0;
    QByteArray Match;
    bool IgnoreCase = false;
};

// The trigger settings a component keeps across a close of its port.
struct TTriggerSave {
    uint16_t AvailLength = 0;
    std::vector<TTimerTrigger> TimerTriggers;
    std::vector<TDataTrigger> DataTriggers;
    std::vector<TStatusTrigger> StatusTriggers;
};

// The device-independent engine behind one open port: the 8192-byte dispatch ring that the
// GUI thread reads, the output ring that the write thread empties, line settings, and the
// delivery of events to the component's event window. Results are 0 or positive for
// success, negative failure codes otherwise.
class TSerBaseDispatcher {
public:
    explicit TSerBaseDispatcher(TSerCustomComPort* Owner);
    virtual ~TSerBaseDispatcher();
    TSerBaseDispatcher(const TSerBaseDispatcher&) = delete;
    TSerBaseDispatcher& operator=(const TSerBaseDispatcher&) = delete;

    TSerCustomComPort* Owner() const { return FOwner; }
    // The slot in the process-wide port list; travels with every event.
    uint16_t Handle() const { return FHandle; }
    QString DeviceName;

    // The dispatcher in slot Index of the port list, or null. Call with the list locked.
    static TSerBaseDispatcher* FromHandle(unsigned Index);
    static std::recursive_mutex& PortListLock();

    int InitPort(const QString& Name, int32_t Baud, int Parity, int DataBits, int StopBits,
                 int InSize, int OutSize, uint32_t Options);
    void DonePort();
    int SetLine(int32_t Baud, int Parity, int StopBits, int DataBits);
    void GetLine(int32_t& Baud, int& Parity, int& StopBits, int& DataBits);

    // Ring access (GUI thread).
    int GetChar(uint8_t& C);
    int PeekChar(uint8_t& C, int N);
    int InBuffUsed();
    int PutBlock(const void* Block, int Count);
    int OutBuffUsed();
    int OutBuffFree();
    int FlushInBuffer();
    int FlushOutBuffer();

    int SetDTR(bool On);
    int SetRTS(bool On);
    int SetHWFlowOptions(uint16_t BufferFull, uint16_t BufferResume, unsigned Options);
    int SWFlowDisable();
    int SetSWFlowOptions(uint16_t BufferFull, uint16_t BufferResume, unsigned Options);
    void SetFlowChars(uint8_t XOn, uint8_t XOff);
    void SetRS485Mode(bool On);
    uint8_t GetModemStatus();
    int GetLineError();
    bool CheckLineBreak();
    int32_t LineErrorWord();
    int SetCommBuffers(int InSize, int OutSize);

    // Event windows and triggers.
    void RegisterWndTriggerHandler(std::shared_ptr<Postfach> Window);
    void DeregisterWndTriggerHandler(const Postfach* Window);
    void ChangeLengthTrigger(uint16_t Length);
    void SetHandlerMode(int Mode);
    void SaveTriggers(TTriggerSave& Save);
    void RestoreTriggers(const TTriggerSave& Save);
    bool InEventDispatch() const { return FInEventDispatch.load(); }
    bool ClosedRequested() const { return FCloseRequested.load(); }
    int ThreadCount() const { return FThreadCount.load(); }
    // Around an event handler in the GUI thread: only reads made there peek.
    void BeginHandlerPeek();
    void EndHandlerPeek();
    // True once a device failure ended the worker threads.
    bool DeviceGone();

    // The dispatch cycle (dispatch thread).
    void ProcessQueue();
    void ProcessTimers();

    // Device operations.
    virtual int EscapeComFunction(uint32_t Func) = 0;
    virtual int FlushCom(int Queue) = 0;
    virtual uint32_t GetComError(Comm::COMSTAT& Stat) = 0;
    virtual int GetComState(Comm::DCB& Settings) = 0;
    virtual int ReadCom(uint8_t* Buf, int Size) = 0;
    virtual int SetComState(const Comm::DCB& Settings) = 0;
    virtual int WriteCom(const uint8_t* Buf, int Size) = 0;
    virtual bool SetupCom(int InSize, int OutSize) = 0;
    virtual void ReleaseBuffers();
    virtual void StartDispatcher() = 0;
    virtual void CloseDispatcher() = 0;
    virtual int OutBufUsed() = 0;
    // Bytes that have left the output ring but not yet the device (a line change waits for
    // them too, so that no byte goes out at the new settings).
    virtual int OutInFlight() { return 0; }
    virtual int InQueue() { return 0; }
    virtual Comm::Handle OpenCom(const QString& Name, int InSize, int OutSize) = 0;
    virtual int StopDispatcher() = 0;
    virtual int Poll() = 0;

protected:
    // Worker bookkeeping, called by every worker thread at its start and end.
    void ThreadStart();
    void ThreadGone(bool DispatchThread, int Result);
    // A worker met a failed device: line error "device gone", before the threads are told to end.
    void MarkDeviceGone();
    bool SendEvent(uint32_t Msg, uintptr_t WParam, uint16_t Data);
    bool CheckDataTriggers();
    bool CheckStatusTriggers();
    bool CheckTimerTriggers();
    bool MoveToDispatchBuffer();
    int ApplyComState(Comm::DCB& Settings);
    void WaitOutputDrained();
    void UpdateModemStatus();
    void RefreshLineErrors();
    uint8_t ReadModemStatus(uint8_t Mask);
    int OutUsedLocked() const;

    TSerCustomComPort* const FOwner;
    uint16_t FHandle = 0;
    std::atomic<Comm::Handle> FComHandle{Comm::INVALID_HANDLE_VALUE};
    std::atomic<uint32_t> FLastOSError{0};
    int FInSize = 0;
    int FOutSize = 0;

    std::recursive_mutex FGeneralLock; // settings, line state, windows, triggers
    std::recursive_mutex FOutLock;     // output ring
    std::recursive_mutex FInLock;      // dispatch ring, peek state

    // General lock.
    Comm::DCB FSettings;
    int32_t FBaudValue = 115200;
    bool FDTRState = false, FDTRFlow = false, FRTSState = false, FRTSFlow = false;
    bool FRS485 = false;
    int32_t FLineError = 0;
    uint8_t FModemStatus = 0;
    bool FRingPending = false;
    bool FDeviceGone = false;

    // Input lock.
    std::unique_ptr<uint8_t[]> FDBuffer;
    int FDHead = 0, FDTail = 0;
    bool FDBufFull = false;
    uint64_t FMovedTotal = 0;   // bytes ever moved into the ring
    bool FPeekMode = false;     // reads now are a handler's look-ahead reads
    bool FPeekDelivery = false; // the event being delivered is one whose handlers peek
    int FPeekCount = 0;
    int FMostRead = 0;

    // Output lock.
    std::unique_ptr<uint8_t[]> FOBuffer;
    int FOHead = 0, FOTail = 0;
    bool FOBufFull = false;
    std::atomic<bool> FOutputWritten{false};

    // Event windows (general lock).
    struct Fenster {
        std::shared_ptr<Postfach> Box;
        bool Deleted = false;
    };
    std::vector<Fenster> FWindows;
    bool FComponentNeedsEvents = false;
    bool FHandlersInstalled = false;
    bool FDeferredDeletion = false;
    std::atomic<bool> FInEventDispatch{false};
    std::atomic<bool> FCloseRequested{false};

    // Triggers (general lock); the scan state belongs to the dispatch thread.
    uint16_t FAvailLength = 0;
    uint16_t FNextTrigger = 1;
    std::vector<TTimerTrigger> FTimerTriggers;
    std::vector<TDataTrigger> FDataTriggers;
    std::vector<TStatusTrigger> FStatusTriggers;
    uint64_t FLastAvail = 0;

    // Threads.
    std::atomic<int> FThreadCount{0};
    std::atomic<bool> FThreadsActive{false};
    std::atomic<bool> FKill{false};
    std::atomic<bool> FStopping{false};

    TIOQueue FReceiveQueue;
    int64_t FOpenTime = 0;

private:
    void ResetTriggers();
    // Status triggers that fired in this pass may fire again in the next.
    void RearmStatusTriggers();
    bool RingsPresent();
};
