#pragma once

#include "platform/Comm.h"
#include "serial/SerMisc.h"
#include "serial/SerQueue.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
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

// Kinds of status trigger; a status trigger's handle carries its kind in the low three bits.
enum TStatusTriggerKind : uint16_t {
    stModem = 1,       // a watched modem line changed (Value: lines, 0x10 CTS .. 0x80 carrier)
    stLine = 2,        // a watched line error is set (Value: error bits, 1 overflow .. 16 break)
    stOutBuffFree = 3, // at least Value bytes of the output ring are free
    stOutBuffUsed = 4, // at most Value bytes of the output ring are used
    stOutSent = 5,     // bytes were queued for sending since the last check
};

inline constexpr int MaxTriggerLength = 255;

struct TTimerTrigger {
    uint16_t Handle = 0;
    TEventTimer Timer;
    int64_t Ticks = 0;
    bool Active = false;
};
struct TStatusTrigger {
    uint16_t Handle = 0;
    uint16_t Kind = 0;
    uint32_t Value = 0;
    // Modem: the watched lines as they were when the trigger was set or last fired, so that
    // it fires on a change and not for as long as a line is on.
    uint8_t Reference = 0;
    // Line error: the error word when it fired.
    int32_t ErrorWord = 0;
    // Output free/used: the condition held at the last look; the trigger fires when it starts
    // to hold, not at every turn while it does.
    bool Holding = false;
    bool Armed = false;
    bool Fired = false;
};
struct TDataTrigger {
    uint16_t Handle = 0;
    QByteArray Match;
    bool IgnoreCase = false;
    // The last bytes seen, at most as many as Match holds: a match may span several reads.
    QByteArray Seen;
    bool Matched = false;
};

// The trigger settings a component keeps across a close of its port.
struct TTriggerSave {
    uint16_t AvailLength = 0;
    uint16_t NextTrigger = 1;
    std::vector<TTimerTrigger> TimerTriggers;
    std::vector<TDataTrigger> DataTriggers;
    std::vector<TStatusTrigger> StatusTriggers;
};

// What the byte trace and the event log do on a state change of the component's property.
enum class TTraceLogAction { Start, Stop, Pause, Clear };

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
    // Inside a data handler, a byte of its view, without a lock; false when the byte must
    // take the locked way (no view, read to its end, or the trace records it).
    bool ViewChar(uint8_t& C) {
        static_assert((DispatchBufferSize & (DispatchBufferSize - 1)) == 0);
        if (FViewOpen.load(std::memory_order_acquire) && FPeekCount < FViewAvail &&
            !FTracing.load(std::memory_order_relaxed)) {
            C = FViewRing[(FViewTail + FPeekCount) & (DispatchBufferSize - 1)];
            ++FPeekCount;
            return true;
        }
        return false;
    }
    int GetChar(uint8_t& C) { return ViewChar(C) ? 0 : GetCharLocked(C); }
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
    // The characters of the XON/XOFF handshake (17 and 19 until set).
    int SetFlowChars(uint8_t XOn, uint8_t XOff);
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
    // Trigger handles, or ENoMoreTriggers (-5001), ETriggerTooLong (-5002), EBadArgument
    // (-1002); the Set and Remove operations return 0 or EBadTriggerHandle (-5003).
    int AddDataTrigger(const QByteArray& Match, bool IgnoreCase);
    int AddTimerTrigger();
    // Ticks of 55 ms; the trigger fires once when they have passed, Activate false stops it.
    int SetTimerTrigger(uint16_t Handle, int64_t Ticks, bool Activate);
    int AddStatusTrigger(uint16_t Kind);
    int SetStatusTrigger(uint16_t Handle, uint32_t Value, bool Activate);
    int RemoveTrigger(uint16_t Handle);
    bool InEventDispatch() const { return FInEventDispatch.load(); }
    // Events a worker thread handed to an event window's thread since the open.
    uint64_t HandOvers() const { return FHandOvers.load(); }
    bool ClosedRequested() const { return FCloseRequested.load(); }
    int ThreadCount() const { return FThreadCount.load(); }
    // Around an event handler in the GUI thread: only reads made there peek.
    void BeginHandlerPeek();
    void EndHandlerPeek();
    // True when received data wait in the receive queue and the one event window gets their
    // event as soon as the one being handled ends.
    bool NextEventAtHand();
    // True once a device failure ended the worker threads.
    bool DeviceGone();

    // Byte trace ("R" received, "T" sent) and event log, kept in memory until written.
    // Size: trace entries; log bytes (an entry costs 16 bytes and its data).
    void ChangeTracing(TTraceLogAction Action, uint32_t Size);
    void ChangeLogging(TTraceLogAction Action, uint32_t Size);
    bool TracingOn();
    bool LoggingOn();
    // Writes the file anew or appends to it; 0, ETracingNotEnabled/ELoggingNotEnabled when
    // there is nothing kept, or the file's failure as a negative code.
    int DumpTrace(const QString& Name, bool Append, bool Hex, bool AllHex);
    int DumpLog(const QString& Name, bool Append, bool Hex, bool AllHex);
    void AddLogEntry(uint8_t Kind, uint16_t SubType, uint32_t DataWord, const void* Data = nullptr,
                     int32_t Size = 0);

    uint8_t ThreadBoost();
    // Priority increment of the worker threads; the back end applies it to its threads.
    virtual void SetThreadBoost(uint8_t Boost);

    // Received data the threads keep before the ring takes it, at most; beyond it the device
    // is not read, so that its flow control and overrun count take over.
    static constexpr int64_t ReceiveBacklogLimit = 1 << 20;
    // True while the receive queue holds the limit (the read thread then waits on
    // FBacklogDrained).
    bool ReceiveBacklogFull() const;

    // The dispatch cycle: in the dispatch thread, or in the event window's own thread while it
    // watches the device; the back end lets only one of them run it at a time.
    void ProcessQueue();
    void ProcessTimers();

    // Device operations.
    virtual int EscapeComFunction(uint32_t Func) = 0;
    virtual int FlushCom(int Queue) = 0;
    virtual uint32_t GetComError(Comm::COMSTAT& Stat) = 0;
    virtual int GetComState(Comm::DCB& Settings) = 0;
    virtual int ReadCom(uint8_t* Buf, int Size) = 0;
    virtual int SetComState(const Comm::DCB& Settings) = 0;
    // Copies into the output ring; called with the output lock held.
    virtual int WriteCom(const uint8_t* Buf, int Size) = 0;
    // Bytes were queued by WriteCom: called after the output lock was let go, so that the
    // writer, woken at once, does not wait for the lock.
    virtual void OutputQueued() {}
    // The driver's status word; nothing here asks for it.
    virtual bool GetStatusWord(uint16_t& Word) = 0;
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
    // Received bytes wait in the device for the owner's next Poll instead of waking the
    // GUI thread as they come: for an owner that only looks at them at its own tick anyway.
    virtual void SetDeliverOnPoll(bool) {}
    // A delivery holds the dispatch thread longer than a handler's usual run (the GUI thread
    // is busy): called once in the dispatch thread before it waits in earnest.
    virtual void DeliveryHeld() {}
    // The modem lines (0x10 CTS, 0x20 DSR, 0x40 ring, 0x80 carrier); false when unknown.
    virtual bool ReadModemLines(uint32_t& Lines);

protected:
    // Worker bookkeeping, called by every worker thread at its start and end.
    void ThreadStart();
    // MayRelease: the dispatch thread ends and no handler reads the rings, so that they may
    // go after a device failure.
    void ThreadGone(bool MayRelease, int Result);
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
    int GetCharLocked(uint8_t& C);
    // The N-th unread byte; input lock held.
    int PeekLocked(uint8_t& C, int N) const;
    // The removal of the bytes the handlers of the event being delivered have read, when
    // they have all returned; input lock held.
    void ApplyPendingRemoval();
    // The dispatch thread found the ring full: it waits for room instead of turning.
    void WaitForRingSpace();
    // Events handed from a worker thread to an event window's thread; counted for tests.
    std::atomic<uint64_t> FHandOvers{0};

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
    uint8_t FXonChar = 17, FXoffChar = 19;
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
    // Bytes of the current delivery removed already: a read outside a handler after the
    // handlers returned takes their bytes away first, so it neither re-reads nor skips.
    int FRemoved = 0;
    bool FRemovalPending = false;
    Comm::Event FRingSpace; // a reader made room in a full ring

    // The running data handler's view of the ring, for the thread that runs the handlers
    // alone. While a handler runs, the dispatch thread waits for it and nothing moves the
    // announced bytes, so its look-ahead reads take no lock: a handler reads a byte at a
    // time, and a lock per byte cost the GUI thread half its time. Closed again whenever
    // that no longer holds (the handler returns, a close cuts it short, the ring goes).
    std::atomic<bool> FViewOpen{false};
    const uint8_t* FViewRing = nullptr;
    int FViewTail = 0;
    int FViewAvail = 0;

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
    uint64_t FScanTotal = 0;   // bytes the data triggers have looked at (dispatch thread)
    bool FRingBlocked = false; // the ring is full and data wait for it (the running cycle's)
    // The thread that opened the port: it owns the event window, reads the ring and may run
    // the dispatch cycle itself. Set before the workers start.
    std::thread::id FWindowThread;

    // Threads.
    std::atomic<int> FThreadCount{0};
    std::atomic<bool> FThreadsActive{false};
    std::atomic<bool> FKill{false};
    std::atomic<bool> FStopping{false};

    TIOQueue FReceiveQueue;
    Comm::Event FBacklogDrained;             // the receive queue fell below its limit again
    std::atomic<bool> FBacklogWaiter{false}; // the read thread waits for FBacklogDrained
    int64_t FOpenTime = 0;
    uint8_t FThreadBoost = 0;

    // Byte trace and event log (general lock).
    struct TraceEntry {
        char Kind;
        uint8_t Byte;
    };
    std::vector<TraceEntry> FTrace;
    size_t FTracePos = 0;
    bool FTraceWrapped = false;
    std::atomic<bool> FTracing{false}; // recording (not paused); written under the lock
    std::deque<std::unique_ptr<TLogBuffer>> FLog;
    int64_t FLogBytes = 0;
    int64_t FLogLimit = 0;
    bool FLogKept = false; // a log exists (running or paused)
    bool FLogging = false;
    void AddTraceEntries(char Kind, const uint8_t* Bytes, int Count);

private:
    void ResetTriggers();
    // A new trigger handle with Kind in the low three bits, or -5001; general lock held.
    int NewTriggerHandle(uint16_t Kind);
    // Status triggers that fired in this pass may fire again in the next.
    void RearmStatusTriggers();
    bool RingsPresent();
};
