#pragma once

#include "serial/SerUser.h"

#include <atomic>
#include <mutex>
#include <thread>

class QSocketNotifier;
class QTimer;

// The dispatcher on the platform's serial-port operations (platform/Comm.h), with the four
// worker threads of an open port: read (fills the receive queue), status (watches line
// events), write (empties the output ring into the device) and dispatch (feeds the dispatch
// ring and delivers events to the GUI thread).
//
// While the thread that opened the port (it owns the event window and runs an event loop) is
// free, it watches the device itself, reads what arrives and runs the dispatch cycle there:
// the handlers get their data without a hand-over between threads, which would cost a
// wake-up of each side per run of bytes. The dispatch thread then only serves timers,
// status events and what the read thread queued; the read thread takes the device over when
// the window's thread is held up, so that the device never waits for it.
class TSerWin32Dispatcher : public TSerBaseDispatcher {
public:
    explicit TSerWin32Dispatcher(TSerCustomComPort* Owner);
    ~TSerWin32Dispatcher() override;

    int EscapeComFunction(uint32_t Func) override;
    int FlushCom(int Queue) override;
    uint32_t GetComError(Comm::COMSTAT& Stat) override;
    int GetComState(Comm::DCB& Settings) override;
    int ReadCom(uint8_t* Buf, int Size) override;
    int SetComState(const Comm::DCB& Settings) override;
    int WriteCom(const uint8_t* Buf, int Size) override;
    void OutputQueued() override;
    // Linux drivers keep no status word of this kind: it reads 0.
    bool GetStatusWord(uint16_t& Word) override {
        Word = 0;
        return true;
    }
    bool SetupCom(int InSize, int OutSize) override;
    void StartDispatcher() override;
    void CloseDispatcher() override;
    int OutBufUsed() override;
    int OutInFlight() override;
    int InQueue() override;
    Comm::Handle OpenCom(const QString& Name, int InSize, int OutSize) override;
    int StopDispatcher() override;
    int Poll() override;
    void SetDeliverOnPoll(bool An) override;
    // The read thread reads while the dispatch thread is held.
    void DeliveryHeld() override;
    // Worker threads run at normal priority + Boost (the write thread one more while RS-485
    // direction control is on), where the system allows it.
    void SetThreadBoost(uint8_t Boost) override;

private:
    enum Slot { ReadSlot, DispatchSlot, WriteSlot, StatusSlot, SlotCount };

    // Moves what the driver holds into the receive queue (up to the backlog limit) through
    // Puffer (LesePuffer bytes): the bytes moved, or -1 when the device failed. Raises when
    // no buffer can be had. Wecken: the dispatch thread is to be woken for them.
    int LiesGeraet(Comm::Handle H, uint8_t* Puffer, bool Wecken);
    // The dispatch thread's wait while nothing is queued: on the device and the receive
    // queue, reading what arrives; false after a failure (the read thread reports it).
    bool Lausche(Comm::Handle H, uint8_t* Puffer);
    void ReadThread();
    void StatusThread();
    void WriteThread();
    void DispatchThread();
    int WriteBuffered();
    // A worker's device operation failed: all workers are told to end, and the device counts
    // as gone unless the handle was closed under the worker. The worker's result code.
    int Fehlschlag(int Code);
    // After a device failure: the device is closed at once, so that a replugged adapter can
    // be opened again; workers still holding its handle see it invalid and end.
    void GeraetFreigeben();
    void Starte(Slot S, void (TSerWin32Dispatcher::*Body)());
    void WarteAufEnde(Slot S);
    void Anheben(Slot S);

    // The direct path, all in the window's thread: switched on at the start when that thread
    // has an event loop, off at the stop or after a read failure.
    void DirektAn();
    void DirektAus();
    void GeraetMeldet();
    // The notifier watches the device unless the owner polls for its bytes.
    void MelderAn();
    // One dispatch cycle with the cycle lock held; gives the lock back before it returns.
    void DirekterZyklus(std::unique_lock<std::mutex>& Zyklus);
    // Switches the notifier on again (unless the backlog is full); in the window's thread.
    void BacklogPruefen();
    // The window's thread runs a cycle after Ms, its event loop having had a turn: it looks
    // again when the dispatch thread's cycle held the device, or it goes on with what is
    // still queued. The dispatch thread leaves it the device meanwhile.
    void FensterWeiter(int Ms);
    // The dispatch thread's way to the cycle lock: never a blocking lock, which a handler in
    // the window's thread might hold up while it waits for this thread (a close); it waits
    // at most one slice for the window's cycle to end. True when it holds the lock.
    bool ZyklusVersuchen(std::unique_lock<std::mutex>& Zyklus);
    // The read thread's look while the window's thread watches the device: true when it is
    // to read now (asked to, or the device has waited a whole slice for that thread).
    bool FensterHaengt(Comm::Handle H, bool Geweckt);

    Comm::Event FDataReady;   // wakes the read thread
    Comm::Event FStatusWake;  // wakes the status thread
    Comm::Event FAck;         // a thread started, or the write thread saw a flush
    Comm::Event FOutputReady; // the output ring has new data
    Comm::Event FFlush;       // the write thread drops what it is writing
    std::thread FThreads[SlotCount];
    std::atomic<bool> FRunning[SlotCount] = {};
    std::atomic<int> FThreadIds[SlotCount] = {};
    std::atomic<int> FLebend{0}; // workers between their start and their end
    std::atomic<uint8_t> FBoost{0};
    // Bytes of the block the write thread took from the ring and has not yet handed to the
    // driver.
    std::atomic<int> FInFlight{0};
    std::mutex FLeseLock; // held by the thread reading the device, up to its push
    // The dispatch thread waits on the device; the read thread keeps out of its way.
    std::atomic<bool> FDispatchLauscht{false};
    std::atomic<bool> FLeserRuht{false}; // the read thread waits for FDataReady alone
    bool FNurLeser = false; // the dispatch thread met a failure and leaves the device alone

    // One dispatch cycle at a time, in the dispatch thread or in the window's thread: the
    // scan state, triggers and peek bookkeeping are one cycle's alone.
    std::mutex FZyklus;
    std::atomic<bool> FZyklusWartet{false}; // the dispatch thread waits for FZyklusFrei
    Comm::Event FZyklusFrei;                // the window's thread left its cycle
    // The window's thread watches the device (the read thread and the dispatch thread keep
    // off it). Changed in that thread only.
    std::atomic<bool> FDirektAktiv{false};
    // Looks of the window's thread at the device, for the read thread to see whether it
    // keeps up.
    std::atomic<uint64_t> FDirektBlicke{0};
    uint64_t FBlickeBeimBlick = 0; // read thread: the count at its last look
    bool FWartetBeimBlick = false; // read thread: the device had data at its last look
    // Window's thread only.
    bool FImZyklus = false; // its cycle runs (a nested event loop may call GeraetMeldet)
    // The device went back to the window's thread: its cycle comes before the dispatch
    // thread's next one.
    std::atomic<bool> FFensterDran{false};
    std::unique_ptr<QSocketNotifier> FMelder;
    std::unique_ptr<QTimer> FBacklogUhr; // looks again while the backlog is full
    std::unique_ptr<QTimer> FWeiterUhr;  // FensterWeiter's
    int FMelderFd = -1;                  // the descriptor the notifier watches (its own)
    // The window's thread reads the device only at Poll; the notifier rests. Window's
    // thread only.
    bool FNurBeimPoll = false;
    std::unique_ptr<uint8_t[]> FDirektPuffer;
};

// The dispatcher on a terminal that another part of the program opened and hands over as a
// file descriptor: it is used as it is and given back with its settings, never closed here.
class TSerTAPI32Dispatcher : public TSerWin32Dispatcher {
public:
    TSerTAPI32Dispatcher(TSerCustomComPort* Owner, int Fd);
    Comm::Handle OpenCom(const QString& Name, int InSize, int OutSize) override;

private:
    int FFd;
};
