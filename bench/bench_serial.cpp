// Serial layer over a pseudo-terminal pair: how much of what the pair carries reaches the
// GUI thread as data-available events, and how late a byte's event comes, measured against
// the link's 57600 baud and its 20 ms tick.

#include "platform/Comm.h"
#include "platform/Registry.h"
#include "serial/SerPort.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Uhr = std::chrono::steady_clock;

struct Pty {
    int master = -1;
    QByteArray slave;
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(master);
        ::unlockpt(master);
        slave = ::ptsname(master);
        termios t{};
        ::tcgetattr(master, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(master, TCSANOW, &t);
    }
    ~Pty() { ::close(master); }
};

void schreibeAlles(int fd, const char* p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w > 0) {
            p += w;
            n -= static_cast<size_t>(w);
        } else {
            pollfd f{fd, POLLOUT, 0};
            ::poll(&f, 1, 10);
        }
    }
}

// Bytes per second the bare pair carries from master to slave.
double rohDurchsatz(size_t menge) {
    Pty pty;
    const int slave = ::open(pty.slave.constData(), O_RDWR | O_NOCTTY);
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
    std::vector<char> daten(menge, 'x');
    const auto start = Uhr::now();
    std::thread schreiber([&] { schreibeAlles(pty.master, daten.data(), daten.size()); });
    size_t gelesen = 0;
    char puffer[4096];
    while (gelesen < menge) {
        const ssize_t r = ::read(slave, puffer, sizeof puffer);
        if (r > 0)
            gelesen += static_cast<size_t>(r);
    }
    const double s = std::chrono::duration<double>(Uhr::now() - start).count();
    schreiber.join();
    ::close(slave);
    return static_cast<double>(menge) / s;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString regDatei = dir.filePath(QStringLiteral("registry.ini"));

    const size_t menge = 4 * 1024 * 1024;
    const double roh = rohDurchsatz(menge);

    Pty pty;
    {
        QFile f(regDatei);
        f.open(QIODevice::WriteOnly);
        f.write("[Ports]\nCOM5=" + pty.slave + "\n");
    }
    Comm::SetPortTable(Comm::PortTable{Registry(regDatei).readPortTable()});

    TSerComPort port;
    port.SetComNumber(5);
    port.SetBaud(57600);
    std::atomic<size_t> empfangen{0};
    std::vector<Uhr::time_point> ankunft;
    port.SetOnTriggerAvail([&](TSerCustomComPort& cp, uint16_t count) {
        const auto jetzt = Uhr::now();
        for (int i = 0; i < count; ++i) {
            cp.GetChar();
            ankunft.push_back(jetzt);
        }
        empfangen += count;
    });
    try {
        port.SetOpen(true);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "open failed: %s\n", e.what());
        return 1;
    }

    // The GUI thread sleeps in its event loop, as in the program, until the goal is reached.
    auto pumpeBis = [&](size_t ziel, double sekunden) {
        QEventLoop loop;
        QTimer pruefer;
        QObject::connect(&pruefer, &QTimer::timeout, &loop, [&] {
            if (empfangen >= ziel)
                loop.quit();
        });
        pruefer.start(50);
        QTimer::singleShot(static_cast<int>(sekunden * 1000), &loop, &QEventLoop::quit);
        loop.exec();
    };

    // Throughput into the GUI thread.
    ankunft.reserve(menge);
    std::vector<char> daten(menge, 'y');
    const auto start = Uhr::now();
    std::thread schreiber([&] { schreibeAlles(pty.master, daten.data(), daten.size()); });
    pumpeBis(menge, 60);
    const double s = std::chrono::duration<double>(Uhr::now() - start).count();
    schreiber.join();
    const double geliefert = static_cast<double>(empfangen) / s;

    // Delay of single bytes, written at random moments relative to the dispatcher's waits.
    ankunft.clear();
    empfangen = 0;
    const int proben = 400;
    std::vector<Uhr::time_point> gesendet(proben);
    std::mutex lock;
    std::thread einzel([&] {
        for (int i = 0; i < proben; ++i) {
            std::this_thread::sleep_for(std::chrono::microseconds(3000 + (i * 7919) % 4000));
            {
                std::lock_guard lk(lock);
                gesendet[static_cast<size_t>(i)] = Uhr::now();
            }
            schreibeAlles(pty.master, "z", 1);
            while (empfangen < static_cast<size_t>(i + 1))
                std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    });
    pumpeBis(static_cast<size_t>(proben), 30);
    einzel.join();
    std::vector<double> verzug;
    {
        std::lock_guard lk(lock);
        for (int i = 0; i < proben && static_cast<size_t>(i) < ankunft.size(); ++i)
            verzug.push_back(std::chrono::duration<double, std::milli>(
                                 ankunft[static_cast<size_t>(i)] - gesendet[static_cast<size_t>(i)])
                                 .count());
    }
    std::sort(verzug.begin(), verzug.end());
    const double median = verzug.empty() ? 0 : verzug[verzug.size() / 2];
    const double p99 = verzug.empty() ? 0 : verzug[verzug.size() * 99 / 100];
    port.SetOpen(false);
    Comm::SetPortTable(std::nullopt);

    const double linie = 57600.0 / 10.0; // bytes per second of the fast link mode (8N1)
    const double tick = 20.0;
    std::printf("delivered to the GUI thread / raw pty pair:   %.3f\n", geliefert / roh);
    std::printf("delivered to the GUI thread / 57600 baud 8N1: %.1f\n", geliefert / linie);
    std::printf("median byte-to-event delay / 20 ms tick:      %.4f\n", median / tick);
    std::printf("99th-percentile delay / 20 ms tick:           %.4f\n", p99 / tick);
    const bool ok = geliefert / linie > 10.0 && p99 / tick < 0.1;
    std::printf("target (many times 57600 baud, p99 under a tenth of a tick): %s\n",
                ok ? "met" : "MISSED");
    return 0;
}
