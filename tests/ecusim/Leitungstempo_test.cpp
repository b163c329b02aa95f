// The simulated ECU's line pace: a paced request is taken once its bytes have crossed the
// line, and its answer crosses the line right after it, timed from that deadline rather than
// from the moment the simulator's event loop came round to it.

#include "ecusim/EcuSim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// 1200 baud 8N1: a byte takes 8.33 ms, the 3-byte request 25 ms, the 4-byte answer 33.3 ms.
constexpr int Baud = 1200;
constexpr double Bytezeit_ms = 10 * 1000.0 / Baud;
constexpr uint8_t Befehl = 0x50;

class Leitung : public ::testing::Test {
protected:
    void SetUp() override {
        sim.setze_Leitungstempo(Baud);
        sim.setze_Eingangstempo(Baud);
        sim.setze_Bits_je_Byte(10);
        sim.setze_Antwort(Befehl, QByteArray(1, '\x07'));
        const QString pfad = sim.oeffne_pty();
        fd_ = ::open(pfad.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd_, 0);
        termios t{};
        ASSERT_EQ(::tcgetattr(fd_, &t), 0);
        ::cfmakeraw(&t);
        ASSERT_EQ(::tcsetattr(fd_, TCSANOW, &t), 0);
    }
    void TearDown() override {
        if (fd_ >= 0)
            ::close(fd_);
    }

    bool sende_Anfrage() {
        const QByteArray r = ecusim::baue_Rahmen(Befehl, {});
        return ::write(fd_, r.constData(), static_cast<size_t>(r.size())) == r.size();
    }
    // Runs the simulator until the whole answer is here: its arrival (ms on uhr), or -1.
    double warte_auf_Antwort(const QElapsedTimer& uhr) {
        QByteArray a;
        while (uhr.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            char puffer[64];
            const ssize_t n = ::read(fd_, puffer, sizeof puffer);
            if (n > 0)
                a.append(puffer, n);
            if (a.size() >= 4) {
                EXPECT_EQ(a, ecusim::baue_Rahmen(Befehl, QByteArray(1, '\x07')));
                return static_cast<double>(uhr.nsecsElapsed()) / 1e6;
            }
        }
        return -1;
    }

    ecusim::EcuSim sim;
    int fd_ = -1;
};

TEST_F(Leitung, TheAnswerArrivesOnceRequestAndAnswerHaveCrossedTheLine) {
    QElapsedTimer uhr;
    uhr.start();
    ASSERT_TRUE(sende_Anfrage());
    const double ankunft = warte_auf_Antwort(uhr);
    ASSERT_GE(ankunft, 0);
    EXPECT_GE(ankunft, 7 * Bytezeit_ms - 0.5);
}

// A simulator held up past both deadlines (a busy machine) owes the line nothing: the answer
// has crossed it by then and comes at once, not another four byte times later.
TEST_F(Leitung, ASimulatorWokenLateHandsOverTheAnswerAtOnce) {
    QElapsedTimer uhr;
    uhr.start();
    ASSERT_TRUE(sende_Anfrage());
    // The simulator takes the request in (it is on the line from then on, until 25 ms) ...
    while (uhr.elapsed() < 15)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    // ... and is then held up until well after the answer's own deadline (58 ms).
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    const double frei = static_cast<double>(uhr.nsecsElapsed()) / 1e6;
    const double ankunft = warte_auf_Antwort(uhr);
    ASSERT_GE(ankunft, 0);
    EXPECT_LT(ankunft - frei, Bytezeit_ms) << "the answer was paced from the late wake-up";
}

} // namespace
