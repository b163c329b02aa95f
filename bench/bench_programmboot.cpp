// The firmware programming's record rate against the simulated boot loader in a process of
// its own, on a pseudo-terminal paced as a 57600-baud 8N1 line both ways (by deadlines, the
// simulator's own clock). One record is in flight at a time: 25 bytes out, 4 back, and no
// wait between a reply and the next record, so the protocol's bound is 5760 / 29 records a
// second. The rate is taken between the first and the last progress step (every 11th
// reply), which leaves the greeting, the identification and the erase out.

#include "Benchumgebung.h"
#include "app/AppContext.h"
#include "link/UComData.h"
#include "model/UQuorveldata.h"
#include "platform/Registry.h"
#include "windows/service/UProgrammBoot.h"

#include <QApplication>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

using Uhr = std::chrono::steady_clock;

constexpr int Baud = 57600;
constexpr int Bits = 10; // start, 8 data, 1 stop
constexpr int Satzbytes = 25;
constexpr int Antwortbytes = 4;

bool warte(const std::function<bool()>& bedingung, double sekunden) {
    const auto ende = Uhr::now() + std::chrono::duration<double>(sekunden);
    // Asleep between events as the program's own event loop is: a loop that spins stays
    // runnable and, on a busy machine, waits for its turn when a reply wakes it. The
    // window's 20 ms timer brings it back at least that often.
    while (!bedingung()) {
        if (Uhr::now() > ende)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int saetze = argc > 1 ? std::max(100, std::atoi(argv[1])) : 3000;

    Bench_ECU umgebung;
    if (!umgebung.starte("bench_programmboot", Baud,
                         {QStringLiteral("--pace-bits"), QString::number(Bits)}))
        return 1;

    int ergebnis = 0;
    {
        AppContext k(umgebung.Ordner(), {}, std::make_unique<Registry>(umgebung.Registry()),
                     std::make_unique<Meldungsausgabe>());
        k.erzeuge_Fenster();
        k.starte();
        if (!warte([&] { return k.link().ist_verbunden() && k.version().beantwortet; }, 15)) {
            std::fprintf(stderr, "bench_programmboot: the simulated ECU did not answer\n");
            return 1;
        }
        // The file: a header for the ECU (type 1, manufacturer 2, type number 400), then the
        // records.
        QByteArray datei(22, '\0');
        datei[4] = 1;
        datei[6] = 2;
        datei[8] = static_cast<char>(400 & 0xFF);
        datei[9] = static_cast<char>(400 >> 8);
        for (int i = 0; i < saetze; ++i)
            for (int j = 0; j < 22; ++j)
                datei.append(static_cast<char>(i * 13 + j));
        const QString pfad = umgebung.Ordner() + QStringLiteral("/bench.bin");
        QFile f(pfad);
        if (!f.open(QIODevice::WriteOnly) || f.write(datei) != datei.size()) {
            std::fprintf(stderr, "bench_programmboot: no program file could be written\n");
            return 1;
        }
        f.close();

        Programmboot& p = k.fenster<TForm_Programmboot>()->Logik();
        const auto anzeigen = p.geaendert;
        int schritte = 0;
        Uhr::time_point erster{}, letzter{};
        p.geaendert = [&] {
            if (anzeigen)
                anzeigen();
            // While the records go out, the window hears of nothing but the progress, every
            // 11th reply, whether or not the percentage moved (of thousands of records it
            // moves only every 30th or so).
            if (p.Zustand() != 6)
                return;
            (schritte++ == 0 ? erster : letzter) = Uhr::now();
        };
        const auto t0 = Uhr::now();
        p.waehle_Datei(pfad);
        p.Button_startenClick();
        if (!warte([&] { return p.Zustand() == 0; }, 30.0 + saetze / 50.0) || schritte < 3) {
            std::fprintf(stderr, "bench_programmboot: the programming did not end\n");
            ergebnis = 1;
        } else {
            const double gesamt_s = std::chrono::duration<double>(Uhr::now() - t0).count();
            const double s = std::chrono::duration<double>(letzter - erster).count();
            const double rate = 11.0 * (schritte - 1) / s;
            const double grenze = static_cast<double>(Baud) / Bits / (Satzbytes + Antwortbytes);
            std::printf("%d records of 22 bytes at %d baud 8N1 (%.3f ms a byte): a record %d "
                        "bytes out, %d back\n",
                        saetze, Baud, Bits * 1000.0 / Baud, Satzbytes, Antwortbytes);
            std::printf("bound: %.1f records a second (%.1f KB of program)\n", grenze,
                        grenze * 22 / 1000.0);
            std::printf("measured: %.1f records a second over %d records (whole run %.1f s)\n",
                        rate, 11 * (schritte - 1), gesamt_s);
            std::printf("rate / bound: %.3f   target >= 0.9: %s\n", rate / grenze,
                        rate / grenze >= 0.9 ? "met" : "NOT met");
        }
    }
    umgebung.ECU().terminate();
    umgebung.ECU().waitForFinished(10000);
    const QByteArray ende = umgebung.ECU().readAllStandardOutput().trimmed();
    std::printf("simulated ECU: %s\n", ende.constData());
    return ergebnis;
}
