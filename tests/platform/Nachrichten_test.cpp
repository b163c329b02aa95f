#include "platform/Nachrichten.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

void pumpe(int ms) {
    const auto ende = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < ende) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

TEST(NachrichtenFenster, SendWaitsForTheHandlerInTheWindowThread) {
    std::vector<uint32_t> gesehen;
    std::thread::id handlerThread;
    NachrichtenFenster fenster([&](uint32_t msg, uintptr_t w, intptr_t l) -> intptr_t {
        handlerThread = std::this_thread::get_id();
        gesehen.push_back(msg + static_cast<uint32_t>(w) + static_cast<uint32_t>(l));
        return 0;
    });
    auto box = fenster.postfach();
    std::atomic<bool> ergebnis{false};
    std::thread sender([&] { ergebnis = box->SendMessageTimeout(0x100, 2, 3, 3000); });
    while (gesehen.empty())
        pumpe(5);
    sender.join();
    EXPECT_TRUE(ergebnis);
    EXPECT_EQ(gesehen, std::vector<uint32_t>{0x105});
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST(NachrichtenFenster, AMessageNotBegunInTimeIsDroppedAndNeverHandledLater) {
    int gerufen = 0;
    NachrichtenFenster fenster([&](uint32_t, uintptr_t, intptr_t) -> intptr_t {
        ++gerufen;
        return 0;
    });
    auto box = fenster.postfach();
    bool ergebnis = true;
    // The window's thread is busy: it looks at no events while the sender waits.
    std::thread sender([&] { ergebnis = box->SendMessageTimeout(1, 0, 0, 100); });
    sender.join();
    EXPECT_FALSE(ergebnis);
    pumpe(50);
    EXPECT_EQ(gerufen, 0);
}

TEST(NachrichtenFenster, AbortEndsTheWaitForARunningHandler) {
    std::atomic<bool> abbruch{false};
    std::atomic<bool> fertig{false};
    bool ergebnis = true;
    std::unique_ptr<std::thread> sender;
    NachrichtenFenster fenster([&](uint32_t, uintptr_t, intptr_t) -> intptr_t {
        // The handler waits for the sender, which only the abort can release.
        abbruch = true;
        while (!fertig)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 0;
    });
    auto box = fenster.postfach();
    sender = std::make_unique<std::thread>([&] {
        ergebnis = box->SendMessageTimeout(1, 0, 0, 3000, &abbruch);
        fertig = true;
    });
    const auto start = std::chrono::steady_clock::now();
    while (!fertig)
        pumpe(5);
    sender->join();
    EXPECT_FALSE(ergebnis);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
}

TEST(NachrichtenFenster, MessagesToAWindowThatIsGoneReachNobody) {
    std::shared_ptr<Postfach> box;
    {
        NachrichtenFenster fenster([](uint32_t, uintptr_t, intptr_t) -> intptr_t { return 0; });
        box = fenster.postfach();
        EXPECT_TRUE(box->PostMessage(1, 0, 0));
    }
    EXPECT_FALSE(box->PostMessage(1, 0, 0));
    EXPECT_FALSE(box->SendMessageTimeout(1, 0, 0, 100));
    pumpe(20);
}

} // namespace
