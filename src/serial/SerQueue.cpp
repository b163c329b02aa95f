#include "serial/SerQueue.h"

#include <cstring>
#include <new>
#include <stdexcept>

TDataBuffer::TDataBuffer(int32_t Size)
    : TIOBuffer(Size), FData(new (std::nothrow) uint8_t[Size > 0 ? Size : 1]) {
    if (!FData)
        throw std::runtime_error("Insufficient memory to allocate I/O buffer.");
}

TLogBuffer::TLogBuffer(uint8_t Kind, uint16_t SubType, int64_t Time, uint32_t DataWord,
                       const void* Data, int32_t Size)
    : TIOBuffer(Size), Kind(Kind), SubType(SubType), Time(Time), DataWord(DataWord) {
    if (Size > 0 && Data) {
        FData = std::make_unique<uint8_t[]>(Size);
        std::memcpy(FData.get(), Data, static_cast<size_t>(Size));
    }
}

TIOQueue::~TIOQueue() {
    Clear();
}

void TIOQueue::Push(std::unique_ptr<TIOBuffer> Buffer, bool Wake) {
    if (!Buffer)
        return;
    bool warLeer = false;
    {
        std::lock_guard lk(FLock);
        warLeer = FList.empty();
        FQueuedSize += Buffer->Size;
        FList.push_back(std::move(Buffer));
    }
    // Only a consumer that found the queue empty waits for the event; one that finds
    // buffers queued returns at once. A wake-up per push would cost the producer a system
    // call for every 256 bytes received.
    if (warLeer && Wake)
        FEvent.Set();
}

TIOBuffer* TIOQueue::Peek() {
    std::lock_guard lk(FLock);
    if (FList.empty() || FList.front()->InUse)
        return nullptr;
    FList.front()->InUse = true;
    return FList.front().get();
}

void TIOQueue::Release(TIOBuffer* Buffer) {
    std::lock_guard lk(FLock);
    if (Buffer)
        Buffer->InUse = false;
}

std::unique_ptr<TIOBuffer> TIOQueue::Pop() {
    std::lock_guard lk(FLock);
    if (FList.empty())
        return nullptr;
    auto b = std::move(FList.front());
    FList.pop_front();
    FQueuedSize -= b->Size;
    return b;
}

uint32_t TIOQueue::WaitForItem(uint32_t Milliseconds) {
    if (Count() > 0)
        return Comm::WAIT_OBJECT_0;
    return Comm::WaitForEvents({&FEvent}, Milliseconds);
}

void TIOQueue::Clear() {
    std::lock_guard lk(FLock);
    for (auto it = FList.begin(); it != FList.end();) {
        if ((*it)->InUse) {
            ++it;
        } else {
            FQueuedSize -= (*it)->Size;
            it = FList.erase(it);
        }
    }
}

int TIOQueue::Count() const {
    std::lock_guard lk(FLock);
    return static_cast<int>(FList.size());
}

int64_t TIOQueue::QueuedSize() const {
    std::lock_guard lk(FLock);
    return FQueuedSize;
}
