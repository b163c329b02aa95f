#include "serial/SerQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

std::unique_ptr<TDataBuffer> daten(int used) {
    auto b = std::make_unique<TDataBuffer>(256);
    b->BytesUsed = used;
    return b;
}

TEST(TIOQueue, PeekMarksTheFirstBufferAndHandsItOutOnce) {
    TIOQueue q;
    EXPECT_EQ(q.Peek(), nullptr);
    q.Push(daten(10));
    q.Push(std::make_unique<TStatusBuffer>(0x80));
    TIOBuffer* erster = q.Peek();
    ASSERT_NE(erster, nullptr);
    EXPECT_EQ(q.Peek(), nullptr) << "the first buffer is in use";
    q.Release(erster);
    EXPECT_EQ(q.Peek(), erster);
    auto weg = q.Pop();
    EXPECT_EQ(weg.get(), erster);
    auto* status = dynamic_cast<TStatusBuffer*>(q.Peek());
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->Status, 0x80u);
}

TEST(TIOQueue, ClearKeepsOnlyTheBufferInUseAndTheSizeFollows) {
    TIOQueue q;
    for (int i = 0; i < 4; ++i)
        q.Push(daten(i + 1));
    EXPECT_EQ(q.QueuedSize(), 4 * 256);
    TIOBuffer* inUse = q.Peek();
    q.Clear();
    EXPECT_EQ(q.Count(), 1);
    EXPECT_EQ(q.QueuedSize(), 256);
    q.Release(inUse);
    q.Pop();
    EXPECT_EQ(q.QueuedSize(), 0);
    EXPECT_EQ(q.Pop(), nullptr);
}

TEST(TIOQueue, WaitForItemReturnsAtOnceWhileSomethingIsQueued) {
    TIOQueue q;
    EXPECT_EQ(q.WaitForItem(20), Comm::WAIT_TIMEOUT);
    q.Push(daten(1));
    // The first wait consumes the event; the queued buffer still counts.
    EXPECT_EQ(q.WaitForItem(1000), Comm::WAIT_OBJECT_0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(q.WaitForItem(1000), Comm::WAIT_OBJECT_0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

TEST(TIOQueue, ProducerAndConsumerThreadsKeepTheOrder) {
    TIOQueue q;
    constexpr int Anzahl = 2000;
    std::thread produzent([&q] {
        for (int i = 0; i < Anzahl; ++i) {
            auto b = std::make_unique<TDataBuffer>(4);
            b->BytesUsed = 4;
            std::memcpy(b->Data(), &i, 4);
            q.Push(std::move(b));
        }
    });
    int erwartet = 0;
    // Bounded, so that a lost buffer fails in seconds instead of hanging.
    const auto frist = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (erwartet < Anzahl && std::chrono::steady_clock::now() < frist) {
        q.WaitForItem(50);
        if (TIOBuffer* b = q.Peek()) {
            int wert = -1;
            std::memcpy(&wert, static_cast<TDataBuffer*>(b)->Data(), 4);
            EXPECT_EQ(wert, erwartet);
            if (wert != erwartet)
                break;
            q.Pop();
            ++erwartet;
        }
    }
    produzent.join();
    EXPECT_EQ(erwartet, Anzahl);
}

} // namespace
