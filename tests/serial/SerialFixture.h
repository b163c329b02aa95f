#pragma once

#include "platform/Comm.h"
#include "serial/SerPort.h"
#include "support/Pty.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <thread>

// Ports of a test live on pseudo-terminals, and only the ports a test names exist.
class SerialTest : public ::testing::Test {
protected:
    void SetUp() override { mappe({}); }
    void TearDown() override { Comm::SetPortTable(std::nullopt); }

    // Only these ports exist: COMn -> device path.
    void mappe(const std::map<int, QString>& ports) { Comm::SetPortTable(Comm::PortTable{ports}); }

    // Handles GUI events until the condition holds or the time is up.
    static bool warte(const std::function<bool()>& bedingung, int ms = 5000) {
        const auto ende = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!bedingung()) {
            if (std::chrono::steady_clock::now() > ende)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    static void pumpe(int ms) {
        warte([] { return false; }, ms);
    }

    // A folder of the test's own for the files it writes.
    QTemporaryDir dir_;
};

// Closes a port that outlives the test body when the body ends, however it ends (a failed
// assertion returns early). Declared after the body's locals that the port's handlers, users
// or dispatcher factory capture: the close may still run them, and it ends the dispatcher.
class SchliesstAmEnde {
public:
    explicit SchliesstAmEnde(TSerCustomComPort& port) : port_(port) {}
    ~SchliesstAmEnde() {
        try {
            port_.SetOpen(false);
        } catch (...) {
            ADD_FAILURE() << "closing the port at the end of the test failed";
        }
    }
    SchliesstAmEnde(const SchliesstAmEnde&) = delete;
    SchliesstAmEnde& operator=(const SchliesstAmEnde&) = delete;

private:
    TSerCustomComPort& port_;
};

inline QByteArray muster(int n, int start = 0) {
    QByteArray d(n, '\0');
    for (int i = 0; i < n; ++i)
        d[i] = static_cast<char>((start + i) * 7 + (start + i) / 251);
    return d;
}
