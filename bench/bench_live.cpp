// The live-data plan against the simulated ECU in a process of its own, on a pseudo-terminal
// paced as a 19200-baud 8N2 line both ways: the ECU answers only once the request has
// crossed the line, and its answer takes the line's time too. An answer is taken, and the
// next request sent, only at a 20 ms tick, so an exchange takes whole ticks. Figures are
// ratios: how much of the wall time the line carries the plan's bytes, against what the
// tick allows; command 4 alone against the line and the tick; the program's CPU time as a
// share of the wall time while it polls.
//
// The program runs twice in turns, each time in a process of its own: its windows on Qt's
// offscreen platform, and on a real X server (a private Xvfb, the xcb platform), where the
// live-status window is mapped and paints through the X server as on a desktop. The two CPU
// shares end the report side by side.

#include "Benchumgebung.h"
#include "app/AppContext.h"
#include "base/UInterAction.h"
#include "link/UComData.h"
#include "model/UStatusdaten.h"
#include "platform/Registry.h"
#include "windows/TForm.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace {

using Uhr = std::chrono::steady_clock;

constexpr int Baud = 19200;
constexpr double Bytezeit_ms = 11.0 * 1000.0 / Baud; // start, 8 data, 2 stop bits
constexpr double Tick_ms = cl_COM_Quorvel::Tickdauer_ms;
constexpr int Anfragebytes = 3; // length, command, checksum: the records send no data
// Less spare than this in an exchange's last tick is no spare: the pty, the simulated ECU
// and the timer's wake-up take that much, so the exchange takes one tick more.
constexpr double Mindestluft_ms = 1.0;

double sekunden_von(clockid_t uhr) {
    timespec t{};
    ::clock_gettime(uhr, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void laufe(double sekunden) {
    QEventLoop schleife;
    QTimer::singleShot(static_cast<int>(sekunden * 1000), &schleife, &QEventLoop::quit);
    schleife.exec();
}

// Looks every few milliseconds, sleeping in the event loop in between: a loop of
// processEvents calls would keep a core busy and load the machine the figures come from.
bool warte(const std::function<bool()>& bedingung, double sekunden) {
    const auto ende = Uhr::now() + std::chrono::duration<double>(sekunden);
    while (!bedingung()) {
        if (Uhr::now() > ende)
            return false;
        laufe(0.005);
    }
    return true;
}

// One polled record: its exchange on the line, and what a measurement saw of it.
struct Datensatz {
    Datensatz(const char* n, cl_Datensatz* a) : name(n), anfrage(a) {}
    const char* name;
    cl_Datensatz* anfrage;
    int bytes() const { return Anfragebytes + anfrage->Laenge + 3; }
    double Leitung_ms() const { return bytes() * Bytezeit_ms; }
    // Whole ticks from the tick that sends the request to the one that takes the answer.
    int Ticks_bestenfalls() const { return static_cast<int>(std::ceil(Leitung_ms() / Tick_ms)); }
    int Ticks_Grenze() const {
        return static_cast<int>(std::ceil((Leitung_ms() + Mindestluft_ms) / Tick_ms));
    }

    int antworten = 0;
    std::map<int, int> ticks; // ticks an exchange took -> how often
};

// Counts the answers of the records while it runs; each answer's ticks are those since the
// answer before it, as the scheduler sends the next request in the tick that takes an answer.
class Messung {
public:
    Messung(cl_COM_Quorvel& link, std::vector<Datensatz>& saetze) : link_(link), saetze_(saetze) {}

    void beantwortet(Datensatz& s) {
        const int tick = link_.Tick();
        if (laeuft_) {
            ++s.antworten;
            if (letzterTick_ >= 0)
                ++s.ticks[tick - letzterTick_];
            Leitung_ms += s.Leitung_ms();
        }
        letzterTick_ = tick;
    }

    void starte() {
        for (Datensatz& s : saetze_) {
            s.antworten = 0;
            s.ticks.clear();
        }
        Leitung_ms = 0;
        letzterTick_ = -1;
        tick0_ = link_.Tick();
        cpu0_ = sekunden_von(CLOCK_PROCESS_CPUTIME_ID);
        gui0_ = sekunden_von(CLOCK_THREAD_CPUTIME_ID);
        t0_ = Uhr::now();
        laeuft_ = true;
    }
    void beende() {
        laeuft_ = false;
        Wand_s = std::chrono::duration<double>(Uhr::now() - t0_).count();
        CPU_s = sekunden_von(CLOCK_PROCESS_CPUTIME_ID) - cpu0_;
        GUI_s = sekunden_von(CLOCK_THREAD_CPUTIME_ID) - gui0_;
        Ticks = link_.Tick() - tick0_;
    }

    double Leitung_ms = 0;
    double Wand_s = 0;
    double CPU_s = 0;
    double GUI_s = 0; // of it, the GUI thread's (the measurement runs there)
    int Ticks = 0;

private:
    cl_COM_Quorvel& link_;
    std::vector<Datensatz>& saetze_;
    bool laeuft_ = false;
    int letzterTick_ = -1;
    int tick0_ = 0;
    double cpu0_ = 0;
    double gui0_ = 0;
    Uhr::time_point t0_;
};

void drucke_Ticks(const Datensatz& s) {
    double summe = 0;
    for (const auto& [ticks, anzahl] : s.ticks)
        summe += ticks * anzahl;
    int n = 0;
    for (const auto& [ticks, anzahl] : s.ticks)
        n += anzahl;
    std::printf("    %-2s (command %2d, %3d bytes, %5.1f ms on the line): %5.2f ticks an exchange "
                "(bound %d, at best %d); ",
                s.name, s.anfrage->Befehl, s.bytes(), s.Leitung_ms(), n ? summe / n : 0.0,
                s.Ticks_Grenze(), s.Ticks_bestenfalls());
    const char* trenner = "";
    for (const auto& [ticks, anzahl] : s.ticks) {
        std::printf("%s%d ticks x%d", trenner, ticks, anzahl);
        trenner = ", ";
    }
    std::printf("\n");
}

// What a part tells the parent, on a line of its own: the CPU shares of the program and of
// its GUI thread while polling, and whether the status window was shown.
constexpr const char* Ergebnis = "part-result";

// One run of the program on one platform.
int Teil(int argc, char** argv, const QByteArray& plattform, double sekunden) {
    qputenv("QT_QPA_PLATFORM", plattform);
    QApplication app(argc, argv);

    // The ECU of type 1, manufacturer 2, version 600: the plan polls the records L, A and B.
    Bench_ECU umgebung;
    if (!umgebung.starte("bench_live", Baud))
        return 1;

    {
        AppContext k(umgebung.Ordner(), {}, std::make_unique<Registry>(umgebung.Registry()),
                     std::make_unique<Meldungsausgabe>());
        k.erzeuge_Fenster();
        cl_ECU_Befehle& b = k.ecu_Befehle();
        std::vector<Datensatz> saetze = {
            {"L", &b.akt_Daten}, {"A", &b.akt_Daten_A}, {"B", &b.akt_Daten_B}};
        Messung messung(k.link(), saetze);
        bool allein = false; // command 4 alone: A and B stop at L's next answer
        bool ruhe = false;   // nothing polled: L stops too
        const auto melde = [&](const KlassenInfo& klasse, size_t i) {
            InterAction().Create(
                klasse,
                [&, i](Sender&) {
                    messung.beantwortet(saetze[i]);
                    // Stopped while L's answer is handled, neither is in flight.
                    if (i == 0 && allein) {
                        b.akt_Daten_A.stoppen();
                        b.akt_Daten_B.stoppen();
                    }
                    if (i == 0 && ruhe)
                        b.akt_Daten.stoppen();
                },
                cl_COM_data::Beantwortet);
        };
        melde(cl_akt_Daten::Klasse, 0);
        melde(cl_akt_Daten_A::Klasse, 1);
        melde(cl_akt_Daten_B::Klasse, 2);

        k.starte();
        if (!warte(
                [&] {
                    return std::all_of(saetze.begin(), saetze.end(),
                                       [](const Datensatz& s) { return s.anfrage->aktiv; }) &&
                           k.link().ist_verbunden();
                },
                15)) {
            std::fprintf(stderr, "bench_live: the plan did not start polling L, A and B\n");
            return 1;
        }
        laufe(1.0);

        messung.starte();
        laufe(sekunden);
        messung.beende();
        const Messung plan = messung;
        const std::vector<Datensatz> planSaetze = saetze;

        allein = true;
        warte([&] { return !b.akt_Daten_A.aktiv && !b.akt_Daten_B.aktiv; }, 5);
        laufe(0.5);
        messung.starte();
        laufe(sekunden);
        messung.beende();
        const Messung allein_ = messung;
        const Datensatz L = saetze[0];

        // The cost of the link being open at all: its tick and the serial port's workers.
        ruhe = true;
        warte([&] { return !b.akt_Daten.aktiv; }, 5);
        laufe(0.5);
        messung.starte();
        laufe(std::min(sekunden, 5.0));
        messung.beende();
        const Messung offen = messung;

        // The plan's bound: each record's exchange in whole ticks, one more where it would
        // leave less than Mindestluft_ms of its last tick; at best none takes the extra one.
        double leitung = 0, grenze = 0, bestenfalls = 0;
        for (const Datensatz& s : planSaetze) {
            leitung += s.Leitung_ms();
            grenze += s.Ticks_Grenze() * Tick_ms;
            bestenfalls += s.Ticks_bestenfalls() * Tick_ms;
        }
        const double anteil = plan.Leitung_ms / (plan.Wand_s * 1000.0);
        const double tickGrenze = leitung / grenze;
        const double proSekunde = L.antworten / allein_.Wand_s;
        const double leitungL = 1000.0 / L.Leitung_ms();
        const double tickL = 1000.0 / (L.Ticks_Grenze() * Tick_ms);
        const double wand = plan.Wand_s + allein_.Wand_s;
        const double cpu = (plan.CPU_s + allein_.CPU_s) / wand;
        const double gui = (plan.GUI_s + allein_.GUI_s) / wand;

        std::printf("live data at %d baud 8N2 (%.3f ms a byte), 20 ms tick, %.0f s a part, "
                    "windows on the %s platform\n",
                    Baud, Bytezeit_ms, sekunden, plattform.constData());
        std::printf("plan L, A, B (ECU type 1, manufacturer 2, version 600):\n");
        std::printf("  line busy / wall time:                 %.3f\n", anteil);
        std::printf("  line busy / tick bound %.3f:           %.3f   (target >= 0.95)\n",
                    tickGrenze, anteil / tickGrenze);
        std::printf("  line busy / tick bound at best %.3f:   %.3f\n", leitung / bestenfalls,
                    anteil / (leitung / bestenfalls));
        for (const Datensatz& s : planSaetze)
            drucke_Ticks(s);
        std::printf("  wall time per tick / 20 ms:            %.4f\n",
                    plan.Wand_s * 1000.0 / plan.Ticks / Tick_ms);
        std::printf("command 4 alone:\n");
        std::printf("  answers a second / line limit %.1f:     %.3f\n", leitungL,
                    proSekunde / leitungL);
        std::printf("  answers a second / tick limit %.1f:     %.3f\n", tickL, proSekunde / tickL);
        drucke_Ticks(L);
        std::printf("program CPU time / wall time while polling: %.4f   (target < 0.02)\n", cpu);
        std::printf("  GUI thread %.4f, the other threads (serial port workers) %.4f\n", gui,
                    cpu - gui);
        std::printf("  plan %.4f, command 4 alone %.4f\n", plan.CPU_s / plan.Wand_s,
                    allein_.CPU_s / allein_.Wand_s);
        std::printf("  link open, nothing polled: %.4f (GUI thread %.4f)\n",
                    offen.CPU_s / offen.Wand_s, offen.GUI_s / offen.Wand_s);
        std::printf("targets: line share %s, CPU %s\n",
                    anteil / tickGrenze >= 0.95 ? "met" : "NOT met",
                    cpu < 0.02 ? "met" : "NOT met");
        const QWidget* status = nullptr;
        for (const TForm* f : k.Fenster())
            if (std::strcmp(f->klasse().name, "TForm_Status") == 0)
                status = f;
        std::printf("%s %.4f %.4f %d\n", Ergebnis, cpu, gui, status && status->isVisible());
    }

    umgebung.ECU().terminate();
    umgebung.ECU().waitForFinished(10000);
    const QByteArray ende = umgebung.ECU().readAllStandardOutput().trimmed();
    std::printf("simulated ECU: %s\n", ende.constData());
    return 0;
}

struct Teilergebnis {
    bool gelaufen = false;
    double cpu = 0;
    double gui = 0;
    bool Status_sichtbar = false;
};

// Runs a part in a process of its own and passes its report on.
Teilergebnis laufe_Teil(const QString& plattform, double sekunden,
                        const QProcessEnvironment& umgebung) {
    QProcess teil;
    teil.setProcessEnvironment(umgebung);
    teil.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    teil.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--platform"), plattform, QString::number(sekunden)});
    Teilergebnis e;
    if (!teil.waitForFinished(static_cast<int>((sekunden * 3 + 120) * 1000))) {
        teil.kill();
        teil.waitForFinished();
        std::fprintf(stderr, "bench_live: the %s part did not end\n", qPrintable(plattform));
    }
    for (const QByteArray& zeile : teil.readAllStandardOutput().split('\n')) {
        if (zeile.startsWith(Ergebnis)) {
            const QList<QByteArray> w = zeile.split(' ');
            if (w.size() == 4) {
                e.gelaufen = teil.exitStatus() == QProcess::NormalExit && teil.exitCode() == 0;
                e.cpu = w[1].toDouble();
                e.gui = w[2].toDouble();
                e.Status_sichtbar = w[3] == "1";
            }
        } else if (!zeile.isEmpty()) {
            std::printf("%s\n", zeile.constData());
        }
    }
    std::fflush(stdout);
    return e;
}

// A private X server for the xcb part; its display number, or nullopt.
std::optional<QString> starte_Xserver(QProcess& x) {
    x.start(QStringLiteral("Xvfb"),
            {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
             QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
             QStringLiteral("tcp")});
    if (!x.waitForStarted(10000) || !x.waitForReadyRead(10000))
        return std::nullopt;
    const QString nummer = QString::fromLocal8Bit(x.readLine()).trimmed();
    if (nummer.isEmpty())
        return std::nullopt;
    return QLatin1Char(':') + nummer;
}

void drucke_Teil(const char* name, const Teilergebnis& e) {
    if (!e.gelaufen) {
        std::printf("  %-28s did not run\n", name);
        return;
    }
    std::printf("  %-28s %.4f   (GUI thread %.4f)%s\n", name, e.cpu, e.gui,
                e.Status_sichtbar ? "" : "  live-status window NOT shown");
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--platform") == 0)
        return Teil(argc, argv, argv[2], argc > 3 ? std::max(1.0, std::atof(argv[3])) : 15.0);

    QCoreApplication app(argc, argv);
    const double sekunden = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 15.0;
    QProcessEnvironment umgebung = QProcessEnvironment::systemEnvironment();

    const Teilergebnis offscreen = laufe_Teil(QStringLiteral("offscreen"), sekunden, umgebung);
    std::printf("\n");

    QProcess x;
    Teilergebnis xcb;
    if (const std::optional<QString> anzeige = starte_Xserver(x)) {
        umgebung.insert(QStringLiteral("DISPLAY"), *anzeige);
        umgebung.remove(QStringLiteral("WAYLAND_DISPLAY"));
        xcb = laufe_Teil(QStringLiteral("xcb"), sekunden, umgebung);
    } else {
        std::fprintf(stderr, "bench_live: no X server (Xvfb) could be started\n");
    }
    x.terminate();
    x.waitForFinished(10000);

    std::printf("\nprogram CPU time / wall time while polling, the live-status window shown:\n");
    drucke_Teil("offscreen platform:", offscreen);
    drucke_Teil("X server (Xvfb, xcb):", xcb);
    const auto erfuellt = [](const Teilergebnis& e) {
        return e.gelaufen && e.Status_sichtbar && e.cpu < 0.02;
    };
    std::printf("CPU target (< 0.02): offscreen %s, X server %s\n",
                erfuellt(offscreen) ? "met" : "NOT met", erfuellt(xcb) ? "met" : "NOT met");
    return offscreen.gelaufen && xcb.gelaufen ? 0 : 1;
}
