#pragma once

#include "platform/Comm.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

// A buffer travelling through a TIOQueue. InUse marks the buffer a reader is looking at;
// it is read and written under the queue's lock only.
class TIOBuffer {
public:
    explicit TIOBuffer(int32_t Size) : Size(Size) {}
    virtual ~TIOBuffer() = default;
    TIOBuffer(const TIOBuffer&) = delete;
    TIOBuffer& operator=(const TIOBuffer&) = delete;

    bool InUse = false;
    const int32_t Size;
};

// Received bytes: Data holds Size bytes, BytesUsed of them filled, BytesRead taken.
class TDataBuffer : public TIOBuffer {
public:
    explicit TDataBuffer(int32_t Size);
    uint8_t* Data() { return FData.get(); }
    int32_t BytesUsed = 0;
    int32_t BytesRead = 0;

private:
    std::unique_ptr<uint8_t[]> FData;
};

// A port event mask reported by the status thread.
class TStatusBuffer : public TIOBuffer {
public:
    explicit TStatusBuffer(uint32_t Status) : TIOBuffer(0), Status(Status) {}
    const uint32_t Status;
};

// One item of the dispatcher's event log.
class TLogBuffer : public TIOBuffer {
public:
    TLogBuffer(uint8_t Kind, uint16_t SubType, int64_t Time, uint32_t DataWord, const void* Data,
               int32_t Size);
    const uint8_t Kind;
    const uint16_t SubType;
    const int64_t Time;
    const uint32_t DataWord;
    const uint8_t* Data() const { return FData.get(); }

private:
    std::unique_ptr<uint8_t[]> FData;
};

// Thread-safe first-in first-out queue of buffers. A buffer handed out by Peek is protected
// from Clear until it is popped or released.
class TIOQueue {
public:
    TIOQueue() = default;
    ~TIOQueue();
    TIOQueue(const TIOQueue&) = delete;
    TIOQueue& operator=(const TIOQueue&) = delete;

    // Wake: whether a push into an empty queue sets the item event; the consumer itself,
    // pushing what it is about to take, leaves it alone.
    void Push(std::unique_ptr<TIOBuffer> Buffer, bool Wake = true);
    // The first buffer, now marked in use; null when the queue is empty or the first buffer
    // is already in use.
    TIOBuffer* Peek();
    // Clears the in-use mark of a peeked buffer that stays queued.
    void Release(TIOBuffer* Buffer);
    // Removes the first buffer, in use or not.
    std::unique_ptr<TIOBuffer> Pop();
    // WAIT_OBJECT_0 at once when something is queued, else the outcome of waiting.
    uint32_t WaitForItem(uint32_t Milliseconds);
    // Set by a push into an empty queue; a wait that sees it set clears it.
    Comm::Event& ItemEvent() { return FEvent; }
    // Frees every buffer not in use.
    void Clear();
    int Count() const;
    int64_t QueuedSize() const;

private:
    mutable std::recursive_mutex FLock;
    std::deque<std::unique_ptr<TIOBuffer>> FList;
    Comm::Event FEvent;
    int64_t FQueuedSize = 0;
};
