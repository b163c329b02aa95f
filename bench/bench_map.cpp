// A whole 17 x 17 map read and written line by line against the simulated ECU in a process
// of its own, on a pseudo-terminal paced as a 19200-baud 8N2 line both ways. A line's
// exchange is taken, and the next line sent, only at a 20 ms tick, so each takes whole
// ticks: the figures are the tick bound of a whole map against the ticks and the wall time
// it took.

#include "Benchumgebung.h"
#include "app/AppContext.h"
#include "base/UInterAction.h"
#include "link/UComData.h"
#include "model/UKennfeld.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using Uhr = std::chrono::steady_clock;

constexpr int Baud = 19200;
constexpr double Bytezeit_ms = 11.0 * 1000.0 / Baud; // start, 8 data, 2 stop bits
constexpr double Tick_ms = cl_COM_Quorvel::Tickdauer_ms;
// Less spare than this in an exchange's last tick is no spare (the pty, the simulated ECU
// and the timer's wake-up take that much).
constexpr double Mindestluft_ms = 1.0;
constexpr int Rahmen = 3; // length, command, checksum
constexpr int Kennfeld_Nr = 13;

bool warte(const std::function<bool()>& bedingung, double sekunden) {
    const auto ende = Uhr::now() + std::chrono::duration<double>(sekunden);
    while (!bedingung()) {
        if (Uhr::now() > ende)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// A line's exchange: its bytes both ways, and the whole ticks they take.
struct Austausch {
    int anfrage, antwort;
    double Leitung_ms() const { return (anfrage + antwort + 2 * Rahmen) * Bytezeit_ms; }
    int Ticks() const {
        return static_cast<int>(std::ceil((Leitung_ms() + Mindestluft_ms) / Tick_ms));
    }
};

struct Lauf {
    int ticks = 0;
    double wand_ms = 0;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runden = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    Bench_ECU umgebung;
    if (!umgebung.starte("bench_map", Baud))
        return 1;

    int ergebnis = 0;
    {
        AppContext k(umgebung.Ordner(), {}, std::make_unique<Registry>(umgebung.Registry()),
                     std::make_unique<Meldungsausgabe>());
        k.erzeuge_Fenster();
        // Nothing but the map on the line: no live-data plan.
        k.parameter().starte_Statusdaten = nullptr;
        k.passwort_OK().starte_Statusdaten = nullptr;
        k.starte();
        if (!warte([&] { return k.link().ist_verbunden() && k.version().beantwortet; }, 15)) {
            std::fprintf(stderr, "bench_map: the simulated ECU did not answer\n");
            return 1;
        }
        const auto still = [&] {
            return std::none_of(k.link().Anfragen().begin(), k.link().Anfragen().end(),
                                [](const cl_COM_data* r) { return r->aktiv; });
        };
        warte(still, 10);
        k.link().alle_stoppen();

        Kennfeld_Beschreibung b;
        b.Kennfeld_Nr = Kennfeld_Nr;
        b.X_max = 4000;
        b.Y_max = 100;
        b.Roh_max = b.Z_max = 3000;
        b.Titel = QStringLiteral("bench");
        Kennfeld_Umgebung u{k.link(), k.kommunikation(), k.version(), k.parameter(), k.meldungen()};
        cl_Kennfeld karte(u, b);
        int gelesen = 0, geschrieben = 0, endtick = 0;
        InterAction().Create(
            cl_Kennfeld::Klasse,
            [&](Sender&) {
                ++gelesen;
                endtick = k.link().Tick();
            },
            cl_Kennfeld::Kennfeld_gelesen);
        InterAction().Create(
            cl_Kennfeld::Klasse,
            [&](Sender&) {
                ++geschrieben;
                endtick = k.link().Tick();
            },
            cl_Kennfeld::Kennfeld_geschrieben);

        // The backup copy's entry points: a hidden window takes their answers.
        const auto messe = [&](bool lesen, Lauf& l) {
            int& zaehler = lesen ? gelesen : geschrieben;
            const int vorher = zaehler;
            // Starts just after a tick, as a user's action does on average half a tick before
            // the next: the run is counted from the tick that sends the first line.
            warte([&] { return false; }, 0.005);
            const int tick0 = k.link().Tick();
            const auto t0 = Uhr::now();
            if (lesen)
                karte.lese_Kennfeld_Kopie();
            else
                karte.schreibe_Kennfeld_Kopie();
            if (!warte([&] { return zaehler > vorher; }, 30))
                return false;
            l.ticks = endtick - tick0 - 1;
            l.wand_ms = std::chrono::duration<double>(Uhr::now() - t0).count() * 1000.0;
            return true;
        };

        const Austausch lesen{3, 36};
        const Austausch schreiben{38, 0};
        std::vector<double> lese_Ticks, lese_Wand, schreib_Ticks, schreib_Wand;
        for (int r = 0; r < runden; ++r) {
            Lauf l, s;
            if (!messe(true, l) || !messe(false, s)) {
                std::fprintf(stderr, "bench_map: a transfer did not end\n");
                ergebnis = 1;
                break;
            }
            lese_Ticks.push_back(17.0 * lesen.Ticks() / l.ticks);
            lese_Wand.push_back(17.0 * lesen.Ticks() * Tick_ms / l.wand_ms);
            schreib_Ticks.push_back(17.0 * schreiben.Ticks() / s.ticks);
            schreib_Wand.push_back(17.0 * schreiben.Ticks() * Tick_ms / s.wand_ms);
        }

        std::printf("17 x 17 map %d line by line at %d baud 8N2 (%.3f ms a byte), 20 ms tick, "
                    "%d rounds\n",
                    Kennfeld_Nr, Baud, Bytezeit_ms, runden);
        const auto zeile = [&](const char* was, const Austausch& a, const std::vector<double>& t,
                               const std::vector<double>& w) {
            std::printf("%s: a line %d + %d bytes, %.1f ms on the line, bound %d ticks; "
                        "whole map bound %d ticks\n",
                        was, a.anfrage + Rahmen, a.antwort + Rahmen, a.Leitung_ms(), a.Ticks(),
                        17 * a.Ticks());
            std::printf("  tick bound / ticks taken:      median %.3f (", Median(t));
            for (size_t i = 0; i < t.size(); ++i)
                std::printf("%s%.3f", i ? " " : "", t[i]);
            std::printf(")   target >= 0.9\n");
            std::printf("  tick bound / wall time taken:  median %.3f\n", Median(w));
        };
        zeile("read (107)", lesen, lese_Ticks, lese_Wand);
        zeile("write (108)", schreiben, schreib_Ticks, schreib_Wand);
        std::printf("targets: read %s, write %s\n", Median(lese_Ticks) >= 0.9 ? "met" : "NOT met",
                    Median(schreib_Ticks) >= 0.9 ? "met" : "NOT met");
    }

    umgebung.ECU().terminate();
    umgebung.ECU().waitForFinished(10000);
    const QByteArray ende = umgebung.ECU().readAllStandardOutput().trimmed();
    std::printf("simulated ECU: %s\n", ende.constData());
    return ergebnis;
}
