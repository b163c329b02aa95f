#pragma once

#include "platform/Comm.h"
#include "platform/Registry.h"
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

// Ports of a test live on pseudo-terminals named in a registry file of the test's own.
class SerialTest : public ::testing::Test {
protected:
    void SetUp() override { mappe({}); }
    void TearDown() override { Comm::SetPortRegistry(nullptr); }

    // Writes the [Ports] section: COMn -> device path.
    void mappe(const std::map<int, QString>& ports) {
        QString text = QStringLiteral("[Ports]\n");
        for (const auto& [n, pfad] : ports)
            text += QStringLiteral("COM%1=%2\n").arg(n).arg(pfad);
        QFile f(dir_.filePath(QStringLiteral("registry.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
        f.close();
        registry_ = std::make_unique<Registry>(dir_.filePath(QStringLiteral("registry.ini")));
        Comm::SetPortRegistry(registry_.get());
    }

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

    QTemporaryDir dir_;
    std::unique_ptr<Registry> registry_;
};

inline QByteArray muster(int n, int start = 0) {
    QByteArray d(n, '\0');
    for (int i = 0; i < n; ++i)
        d[i] = static_cast<char>((start + i) * 7 + (start + i) / 251);
    return d;
}
