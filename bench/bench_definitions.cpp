// Loading the parameter definitions, as every identity answer does, for a file of 80,000
// definitions and one of 160,000, in turns within one run. The figure is the ratio of the
// two load times: a reader whose work grows with the file's length gives 2; the bound is
// 2.5. The program exits with 1 when the bound is not kept.

#include "Benchumgebung.h"
#include "app/AppContext.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

namespace {

using Uhr = std::chrono::steady_clock;

constexpr double Grenze = 2.5;

// What the setup window would name while no ECU is connected.
class Auswahl : public Offline_Auswahl {
public:
    QString Datei;
    int Hardwaremodell() const override { return 400; }
    QString Software_Dateiname() const override { return Datei; }
};

// A definition file as the shipped ones are made: each definition with its text, limits
// and a help line, a quarter with a condition, some flash-flagged, a few live values; the
// numbers repeat across 40 groups, as translated files give a number in several groups.
QByteArray Definitionsdatei(int anzahl) {
    QByteArray d;
    d.reserve(anzahl * 40);
    d += ".MOTOR,Engine,\r\n.G0,Group 0,60\r\n";
    for (int i = 0; i < anzahl; ++i) {
        const int nummer = i % 40 == 39 ? 20000 + i / 40 : 1 + (i / 40) % 19000;
        const int gruppe = i % 40;
        d += '-' + QByteArray::number(nummer) + ",G" + QByteArray::number(gruppe) + ',' +
             QByteArray::number(i % 10) + ',' + QByteArray::number(nummer >= 20000 ? 1 : i % 3) +
             ',' + QByteArray::number((i * 2) % 1400);
        if (i % 4 == 0)
            d += ",0," + QByteArray::number(1 + (i * 7) % 19000) + "|61[1,3-5]";
        else if (i % 9 == 0)
            d += ",1";
        d += "\r\n/Value " + QByteArray::number(i) + "\r\n#0,1000\r\n'Help\r\n";
    }
    return d;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir ordner;
    const QString registry = ordner.filePath(QStringLiteral("registry.ini"));
    {
        QFile f(registry);
        if (!f.open(QIODevice::WriteOnly))
            return 2;
        f.write("[SOFTWARE\\Quorvel\\Win Quorvel]\nLanguage=English\nCOM_Nr=0\n"
                "CAN_Plugin=fake\nCAN_Interface=bench\n\n[Ports]\n");
    }
    qputenv("QUORVEL_REGISTRY", registry.toLocal8Bit());
    QDir(ordner.path()).mkpath(QStringLiteral("Language/English"));
    QDir(ordner.path()).mkpath(QStringLiteral("Language/Deutsch"));

    struct Fall {
        int anzahl;
        QString datei;
        double Megabyte = 0;
        double beste_s = 1e9;
    };
    Fall faelle[] = {{80000, QStringLiteral("T-Quorvel-1-400-0615.txt")},
                     {160000, QStringLiteral("T-Quorvel-1-400-0616.txt")}};
    for (Fall& f : faelle) {
        const QByteArray inhalt = Definitionsdatei(f.anzahl);
        f.Megabyte = static_cast<double>(inhalt.size()) / 1e6;
        QFile datei(ordner.filePath(QStringLiteral("Language/English/") + f.datei));
        if (!datei.open(QIODevice::WriteOnly) || datei.write(inhalt) != inhalt.size())
            return 2;
    }

    const QString vorher = QDir::currentPath();
    QDir::setCurrent(ordner.path());
    AppContext kontext(ordner.path(), {}, std::make_unique<Registry>(registry),
                       std::make_unique<Meldungsausgabe>());
    QDir::setCurrent(vorher);
    Auswahl auswahl;
    kontext.version().setze_Offline_Auswahl(&auswahl);
    kontext.version().setze_offline(1, 1, 400, 0, 615, 0);

    // In turns, so that a slow moment of the machine meets both sizes alike; the best of
    // each counts.
    for (int runde = 0; runde < 3; ++runde)
        for (Fall& f : faelle) {
            auswahl.Datei = f.datei;
            const auto start = Uhr::now();
            kontext.parameter().lade_Definitionen();
            const double s = std::chrono::duration<double>(Uhr::now() - start).count();
            if (kontext.parameter().Definitionen().size() != static_cast<size_t>(f.anzahl)) {
                std::fprintf(stderr, "%d definitions expected, %zu loaded\n", f.anzahl,
                             kontext.parameter().Definitionen().size());
                return 2;
            }
            f.beste_s = std::min(f.beste_s, s);
        }
    kontext.version().setze_Offline_Auswahl(nullptr);

    const double verhaeltnis = faelle[1].beste_s / faelle[0].beste_s;
    for (const Fall& f : faelle)
        std::printf("%7d definitions (%.1f MB): %.0f definitions per second\n", f.anzahl,
                    f.Megabyte, f.anzahl / f.beste_s);
    std::printf("160,000 against 80,000 definitions: %.2f times the load time "
                "(linear 2.00, bound %.2f): %s\n",
                verhaeltnis, Grenze, verhaeltnis <= Grenze ? "kept" : "NOT kept");
    return verhaeltnis <= Grenze ? 0 : 1;
}
