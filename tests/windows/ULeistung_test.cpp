// The power measurement: samples to points, the scale, the curve files, the window's rows,
// and a road run against the simulated ECU drawn live and ended by the user.

#include "base/Dateiversion.h"
#include "base/Motordaten.h"
#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Parameter.h"
#include "ecusim/Worte.h"
#include "link/LinkFixture.h"
#include "model/Drucker.h"
#include "model/UBefehle.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "support/Pdfauswahl.h"
#include "windows/UColorButton.h"
#include "windows/status/ULeistung.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using P = cl_Leistungsdaten;

// A point with its speed, power, torque and the two losses.
P punkt(int n, int leistung, int moment, int vl = 0, int vm = 0) {
    P p;
    p.Drehzahl = n;
    p.Leistung = leistung;
    p.Drehmoment = moment;
    p.Verlustleistung = vl;
    p.Verlustmoment = vm;
    return p;
}

struct Probe {
    int n, leistung, moment;
};

Leistungskurve Kurve_aus(const std::vector<Probe>& proben) {
    Leistungskurve k;
    for (const Probe& p : proben)
        k.fuege_Messpunkt_ein(p.n, p.leistung, p.moment);
    return k;
}

} // namespace

TEST(Leistungskurve, SamplesToPoints) {
    struct Fall {
        const char* name;
        std::vector<Probe> proben;
        std::vector<P> punkte;
        int aktuell_bei; // speed of the point touched last
    };
    std::vector<Fall> faelle = {
        {"three samples give six points, the samples exact",
         {{1005, 100, 50}, {1035, 110, 60}, {1095, 140, 90}},
         {punkt(1000, 100, 50), punkt(1020, 105, 55), punkt(1040, 110, 60), punkt(1060, 120, 70),
          punkt(1080, 130, 80), punkt(1100, 140, 90)},
         1100},
        {"rises at or below the current step add nothing",
         {{1000, 100, 50}, {1009, 999, 999}, {990, 999, 999}, {500, 999, 0}, {1010, 120, 70}},
         {punkt(1000, 100, 50), punkt(1020, 120, 70)},
         1020},
        {"a roll-out of 100 rpm fills the five points below, the lowest exact",
         {{1000, 100, 50}, {1200, 120, 50}, {1100, -30, -20}},
         {punkt(1000, 100, 50), punkt(1020, 102, 50), punkt(1040, 104, 50), punkt(1060, 106, 50),
          punkt(1080, 108, 50), punkt(1100, 110, 50, -30, -20), punkt(1120, 112, 50, -24, -16),
          punkt(1140, 114, 50, -18, -12), punkt(1160, 116, 50, -12, -8),
          punkt(1180, 118, 50, -6, -4), punkt(1200, 120, 50)},
         1100},
        {"a roll-out past the first point stops there",
         {{1000, 100, 50}, {1100, 110, 50}, {900, -50, -20}},
         {punkt(1000, 100, 50, -25, -10), punkt(1020, 102, 50, -20, -8),
          punkt(1040, 104, 50, -15, -6), punkt(1060, 106, 50, -10, -4),
          punkt(1080, 108, 50, -5, -2), punkt(1100, 110, 50)},
         1000},
        {"a roll-out less than a step below adds nothing",
         {{1000, 100, 50}, {1100, 110, 50}, {1090, -50, -20}},
         {punkt(1000, 100, 50), punkt(1020, 102, 50), punkt(1040, 104, 50), punkt(1060, 106, 50),
          punkt(1080, 108, 50), punkt(1100, 110, 50)},
         1100},
        {"a rise after a roll-out goes on above the last point only",
         {{1000, 100, 50}, {1040, 104, 50}, {1000, -40, -20}, {1020, 999, 1}, {1080, 112, 54}},
         {punkt(1000, 100, 50, -40, -20), punkt(1020, 102, 50, -20, -10), punkt(1040, 104, 50),
          punkt(1060, 108, 52), punkt(1080, 112, 54)},
         1080},
        {"a second roll-out goes on from where the first stopped",
         {{1000, 100, 50}, {1080, 108, 50}, {1040, -40, -20}, {1000, -60, -30}},
         {punkt(1000, 100, 50, -60, -30), punkt(1020, 102, 50, -50, -25),
          punkt(1040, 104, 50, -40, -20), punkt(1060, 106, 50, -20, -10), punkt(1080, 108, 50)},
         1000},
        {"a first sample rolling out starts the curve as it is",
         {{2000, -20, -10}},
         {punkt(2000, -20, -10)},
         2000},
        {"products past 2^31 interpolate in 64 bits",
         {{-30010, -30000, 0}, {30000, 30000, 30000}},
         {},
         30000},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        const Leistungskurve k = Kurve_aus(f.proben);
        if (!f.punkte.empty()) {
            EXPECT_EQ(k.Punkte, f.punkte);
        }
        ASSERT_GE(k.aktuell, 0);
        EXPECT_EQ(k.Punkte[static_cast<size_t>(k.aktuell)].Drehzahl, f.aktuell_bei);
        for (size_t i = 1; i < k.Punkte.size(); ++i)
            ASSERT_EQ(k.Punkte[i].Drehzahl, k.Punkte[i - 1].Drehzahl + 20) << i;
    }
    // The wide run: 3001 points, the ends exact and the rest on the straight lines (a speed
    // of -30010 rounds to -30000, towards zero).
    const Leistungskurve w = Kurve_aus({{-30010, -30000, 0}, {30000, 30000, 30000}});
    ASSERT_EQ(w.Punkte.size(), 3001u);
    EXPECT_EQ(w.Punkte.front(), punkt(-30000, -30000, 0));
    EXPECT_EQ(w.Punkte.back(), punkt(30000, 30000, 30000));
    EXPECT_EQ(w.Punkte[1500], punkt(0, 0, 15000));
    EXPECT_EQ(w.Punkte[2999], punkt(29980, 29980, 29990));
}

namespace {

struct Messumgebung {
    LinkKontext k{false};
};

} // namespace

TEST(Leistungsmessung, ScalePickAndExtremes) {
    struct Fall {
        const char* name;
        std::vector<Probe> kurve;
        std::vector<Probe> vergleich;
        bool gesamt;
        int max_P, max_M, min_VP, min_VM; // the labels
        int Skala_max, Skala_min;
    };
    const std::vector<Fall> faelle = {
        {"118 picks 150", {{1000, 118, 40}, {1100, 30, 20}}, {}, false, 118, 40, 0, 0, 150, -2},
        {"torque above power", {{1000, 5, 61}}, {}, false, 5, 61, 0, 0, 70, -2},
        {"exactly on a step",
         {{1000, 100, 10}, {1100, 100, 10}, {1000, -70, -3}},
         {},
         false,
         100,
         10,
         -70,
         -3,
         100,
         -70},
        {"beyond the table",
         {{1000, 900, 10}, {1100, 20, 10}, {1000, -800, -3}},
         {},
         false,
         900,
         10,
         -800,
         -3,
         700,
         -700},
        {"the comparison widens the scale, not the labels",
         {{1000, 50, 20}},
         {{1000, 300, 20}, {1100, 10, 10}, {1000, -45, -5}},
         false,
         50,
         20,
         0,
         0,
         300,
         -50},
        {"without a current curve the labels follow the comparison",
         {},
         {{1000, 300, 20}, {1100, 10, 10}, {1000, -45, -5}},
         false,
         300,
         20,
         -45,
         -5,
         300,
         -50},
        {"the total power adds the loss back",
         {{1000, 100, 40}, {1100, 110, 50}, {1000, -30, -10}},
         {},
         true,
         130,
         50,
         0,
         0,
         150,
         -2},
    };
    Messumgebung u;
    Leistungsmessung m(*u.k.kontext);
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        m.Kurve = Kurve_aus(f.kurve);
        m.Vergleichskurve = Kurve_aus(f.vergleich);
        m.Gesamtleistung = f.gesamt;
        m.aktualisiere_Skala();
        EXPECT_EQ(m.max_Leistung, f.max_P);
        EXPECT_EQ(m.max_Drehmoment, f.max_M);
        EXPECT_EQ(m.min_Verlustleistung, f.min_VP);
        EXPECT_EQ(m.min_Verlustmoment, f.min_VM);
        EXPECT_EQ(m.Skala_max, f.Skala_max);
        EXPECT_EQ(m.Skala_min, f.Skala_min);
        EXPECT_FALSE(m.Skalen_frei);
        EXPECT_TRUE(m.Kurvenknoepfe_frei);
        EXPECT_EQ(m.speichern_frei, !f.kurve.empty());
        EXPECT_EQ(m.Gesamtleistung, f.gesamt);
    }
    // Without curves the boxes are the user's again, and the total power is off.
    m.Kurve.loesche();
    m.Vergleichskurve.loesche();
    m.waehle_Skala_max(3);
    m.waehle_Skala_min(20);
    m.Gesamtleistung = true;
    m.aktualisiere_Skala();
    EXPECT_EQ(m.Skala_max, 8);
    EXPECT_EQ(m.Skala_min, -450);
    EXPECT_TRUE(m.Skalen_frei);
    EXPECT_FALSE(m.Kurvenknoepfe_frei);
    EXPECT_FALSE(m.speichern_frei);
    EXPECT_FALSE(m.Gesamtleistung);
}

TEST(Leistungskennlinie, FilesRoundTripAndShortOnes) {
    // Every 16-bit value, the extremes among them.
    Leistungskurve k;
    for (int i = 0; i < 40; ++i) {
        P p = punkt(-400 + 20 * i, -32768 + 1680 * i, 32767 - 1680 * i, -32768 + 7 * i,
                    i % 2 ? 32767 : -32768);
        k.Punkte.push_back(p);
    }
    k.aktuell = 5;
    const QByteArray datei = Leistungskennlinie_Inhalt(k, 7000);
    ASSERT_EQ(datei.size(), 2 * (4 + 4 * 40 + 2));
    using ecusim::Wort;
    EXPECT_EQ(Wort(datei, 0), 7000);
    EXPECT_EQ(static_cast<int16_t>(Wort(datei, 1)), -20);
    EXPECT_EQ(static_cast<int16_t>(Wort(datei, 2)), -20);
    EXPECT_EQ(Wort(datei, 3), 19);
    EXPECT_EQ(static_cast<int16_t>(Wort(datei, 4)), -32768);      // first power
    EXPECT_EQ(static_cast<int16_t>(Wort(datei, 4 + 40)), -32768); // first loss power
    EXPECT_EQ(static_cast<int16_t>(Wort(datei, 4 + 80)), 32767);  // first torque
    EXPECT_EQ(static_cast<int16_t>(Wort(datei, 4 + 121)), 32767); // second loss torque
    EXPECT_EQ(Wort(datei, 164), 10);
    EXPECT_EQ(Wort(datei, 165), 10);

    Leistungskurve gelesen;
    int achse = 8000;
    ASSERT_TRUE(lies_Leistungskennlinie(datei, gelesen, achse));
    EXPECT_EQ(achse, 7000);
    EXPECT_EQ(gelesen.Punkte, k.Punkte);

    struct Fall {
        const char* name;
        QByteArray inhalt;
        bool ok;
        int achse;
        size_t punkte;
    };
    QByteArray ohne_Schluss = datei.left(datei.size() - 4);
    QByteArray kurz = datei.left(2 * (4 + 40 + 3));
    const std::vector<Fall> faelle = {
        {"the closing words are not read", ohne_Schluss, true, 7000, 40},
        {"a short file keeps what was read", kurz, false, 7000, 40},
        {"word 0 of 0 gives an axis of 1", ecusim::Worte({0, 50, 50, 50, 1, 2, 3, 4}), true, 1, 1},
        {"a last point below the first loads none", ecusim::Worte({6000, 60, 60, 59}), true, 6000,
         0},
        {"an empty file", QByteArray(), false, 8000, 0},
        {"a header cut short", ecusim::Worte({6000, 50}), false, 6000, 0},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Leistungskurve l;
        int a = 8000;
        EXPECT_EQ(lies_Leistungskennlinie(f.inhalt, l, a), f.ok);
        EXPECT_EQ(a, f.achse);
        EXPECT_EQ(l.Punkte.size(), f.punkte);
    }
    Leistungskurve l;
    int a = 0;
    lies_Leistungskennlinie(kurz, l, a);
    // Powers whole, the loss power of the first three points, the rest 0.
    EXPECT_EQ(l.Punkte[39].Leistung, k.Punkte[39].Leistung);
    EXPECT_EQ(l.Punkte[2].Verlustleistung, k.Punkte[2].Verlustleistung);
    EXPECT_EQ(l.Punkte[3].Verlustleistung, 0);
    EXPECT_EQ(l.Punkte[0].Drehmoment, 0);
}

namespace {

// The version dialog answers with a fixed version and remembers what it was asked for.
struct Feste_Version : Versionswahl {
    int waehle_Version(cl_Dateiversion& d) override {
        gefragt.append(d.Beschriftung + "/" + d.Suffix + "/" + QString::number(d.Speichermodus));
        return antwort;
    }
    QStringList gefragt;
    int antwort = 1;
};

struct Dateiumgebung : Messumgebung {
    Dateiumgebung() {
        v().setze_Versionswahl(&wahl);
        v().setze_Name(QStringLiteral("Motor"));
        QDir().mkpath(k.kontext->motordaten().Datenordner());
    }
    ~Dateiumgebung() { v().setze_Versionswahl(nullptr); }
    cl_Dateiversion& v() { return k.kontext->dateiversion(); }
    QStringList Dateien() const {
        return QDir(k.kontext->motordaten().Datenordner()).entryList(QDir::Files, QDir::Name);
    }
    Feste_Version wahl;
};

} // namespace

TEST(Leistungsmessung, SaveAndLoadThroughTheVersions) {
    Dateiumgebung u;
    Leistungsmessung m(*u.k.kontext);
    // Nothing to save without a current curve.
    EXPECT_FALSE(m.speichern());
    EXPECT_TRUE(u.wahl.gefragt.isEmpty());

    m.Kurve = Kurve_aus({{1000, 100, 50}, {1100, 120, 60}, {1040, -10, -5}});
    m.max_Drehzahl = 6500;
    u.wahl.antwort = 3;
    ASSERT_TRUE(m.speichern());
    EXPECT_EQ(u.Dateien(), QStringList{"Motor.03L"});
    m.max_Drehzahl = 8000;
    ASSERT_TRUE(m.laden());
    EXPECT_EQ(m.Vergleichskurve.Punkte, m.Kurve.Punkte);
    EXPECT_EQ(m.max_Drehzahl, 6500);
    EXPECT_EQ(u.wahl.gefragt, (QStringList{"Leistungskennlinie/L/1", "Lesitungskennlinie/L/0"}));

    // Overwriting a version replaces it whole, through a file the versions never list.
    m.Kurve = Kurve_aus({{2000, 10, 5}});
    ASSERT_TRUE(m.speichern());
    QFile f(u.v().Dateiname(3));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), Leistungskennlinie_Inhalt(m.Kurve, 6500));
    f.close();
    EXPECT_EQ(u.Dateien(), QStringList{"Motor.03L"});

    // A version that cannot be written is reported and leaves nothing behind.
    QDir(u.k.kontext->motordaten().Datenordner()).mkdir(QStringLiteral("Motor.04L"));
    u.wahl.antwort = 4;
    EXPECT_FALSE(m.speichern());
    EXPECT_EQ(u.k.meldungen.texte.size(), 1);
    EXPECT_TRUE(u.k.meldungen.texte.value(0).contains(QStringLiteral("Motor.04L")));
    EXPECT_EQ(u.Dateien(), QStringList{"Motor.03L"});

    // A short file: text 315, the points read so far kept.
    u.k.meldungen.texte.clear();
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.resize(f.size() - 8);
    f.close();
    u.wahl.antwort = 3;
    EXPECT_FALSE(m.laden());
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(315)});
    EXPECT_EQ(m.Vergleichskurve.Punkte.size(), 1u);
    // A missing version: the comparison is gone.
    u.k.meldungen.texte.clear();
    u.wahl.antwort = 7;
    EXPECT_FALSE(m.laden());
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(315)});
    EXPECT_TRUE(m.Vergleichskurve.leer());
    // Cancelled dialogs change nothing.
    u.wahl.antwort = -1;
    m.Vergleichskurve = m.Kurve;
    EXPECT_FALSE(m.laden());
    EXPECT_FALSE(m.Vergleichskurve.leer());
}

TEST(Leistungsfenster, RowsByState) {
    Messumgebung u;
    TForm_Leistung f(*u.k.kontext);
    f.show();
    Leistungsmessung& m = f.Logik();
    struct Zeile {
        const char* name;
        std::function<void()> schritt;
        QString max_P, min_VP, max_M, min_VM;
        QString skala_max, skala_min;
        bool skalen, speichern, kurvenknoepfe;
        QString addieren;
    };
    const std::vector<Zeile> zeilen = {
        {"at creation", [] {}, "0", "0", "0", "0", "200", "70", true, false, false, "Add losses"},
        {"a measured curve",
         [&] {
             m.Kurve = Kurve_aus({{1000, 118, 40}, {1200, 60, 80}, {1000, -30, -12}});
             f.aktualisiere();
         },
         "118", "-30", "80", "-12", "150", "30", false, true, true, "Add losses"},
        {"total power", [&] { f.Button_addieren->click(); }, "148", "0", "80", "0", "150", "2",
         false, true, true, "Show losses"},
        {"back", [&] { f.Button_addieren->click(); }, "118", "-30", "80", "-12", "150", "30", false,
         true, true, "Add losses"},
        {"cleared", [&] { f.Button_loeschen->click(); }, "0", "0", "0", "0", "150", "30", true,
         false, false, "Add losses"},
        {"a comparison alone",
         [&] {
             m.Vergleichskurve = Kurve_aus({{1000, 40, 300}});
             f.aktualisiere();
         },
         "40", "0", "300", "0", "300", "2", false, false, true, "Add losses"},
    };
    for (const Zeile& z : zeilen) {
        SCOPED_TRACE(z.name);
        z.schritt();
        EXPECT_EQ(f.Label_max_Leistung->text(), z.max_P);
        EXPECT_EQ(f.Label_min_Leistung->text(), z.min_VP);
        EXPECT_EQ(f.Label_max_Drehmoment->text(), z.max_M);
        EXPECT_EQ(f.Label_min_Drehmoment->text(), z.min_VM);
        EXPECT_EQ(f.ComboBox_max_P->currentText(), z.skala_max);
        EXPECT_EQ(f.ComboBox_min_P->currentText(), z.skala_min);
        EXPECT_EQ(f.ComboBox_max_P->isEnabled(), z.skalen);
        EXPECT_EQ(f.ComboBox_min_P->isEnabled(), z.skalen);
        EXPECT_EQ(f.Button_speichern->isEnabled(), z.speichern);
        EXPECT_EQ(f.Button_loeschen->isEnabled(), z.kurvenknoepfe);
        EXPECT_EQ(f.Button_addieren->isEnabled(), z.kurvenknoepfe);
        EXPECT_EQ(f.ColorButton_drucken->isEnabled(), z.kurvenknoepfe);
        EXPECT_EQ(f.Button_addieren->text(), z.addieren);
        EXPECT_EQ(f.Button_Messung_starten->text(), QStringLiteral("Start"));
    }
    // Offline the start button does nothing.
    f.Button_Messung_starten->click();
    EXPECT_FALSE(m.Messung_laeuft);
}

namespace {

bool rot(QRgb c) {
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}
bool gruen(QRgb c) {
    return qGreen(c) > 200 && qRed(c) < 60 && qBlue(c) < 60;
}
int zaehle(const QImage& bild, bool (*farbe)(QRgb)) {
    int n = 0;
    for (int y = 0; y < bild.height(); ++y)
        for (int x = 0; x < bild.width(); ++x)
            n += farbe(bild.pixel(x, y));
    return n;
}

} // namespace

TEST(Leistungsfenster, TheChartAtItsPixels) {
    Messumgebung u;
    TForm_Leistung f(*u.k.kontext);
    f.resize(880, 600);
    f.show();
    Leistungsmessung& m = f.Logik();
    m.max_Drehzahl = 8000;
    // A flat line at 100 from 2000 to 6000 rpm, torque at 50, a flat loss of -20 and -10
    // from 5980 down.
    m.Kurve = Kurve_aus({{2000, 100, 50}, {6000, 100, 50}, {5980, -20, -10}, {2000, -20, -10}});
    f.aktualisiere();
    const QImage bild = f.PaintBox->grab().toImage();
    const int W = bild.width();
    const int H = bild.height();
    // Scale 100 / -20: x(n) = (W - 80) n / 8000 + 40, y(v) = H - (v + 20)(H - 50) / 120 - 25.
    const auto x = [&](int n) { return (W - 80) * n / 8000 + 40; };
    const auto y = [&](int v) { return H - (v + 20) * (H - 50) / 120 - 25; };
    EXPECT_TRUE(rot(bild.pixel(x(4000), y(100))));
    EXPECT_TRUE(gruen(bild.pixel(x(4000), y(50))));
    EXPECT_TRUE(rot(bild.pixel(x(2500), y(-20))));
    EXPECT_TRUE(gruen(bild.pixel(x(2500), y(-10))));
    EXPECT_FALSE(rot(bild.pixel(x(1000), y(100))));
    // The grid line of 1000 rpm is silver, the rpm axis black.
    EXPECT_EQ(bild.pixel(x(1000), y(50) + 3), qRgb(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(bild.pixel(x(1500), y(0)), qRgb(0, 0, 0));
    // The total power: no loss lines on screen, the power drawn at 100 - loss.
    f.Button_addieren->click();
    const QImage gesamt = f.PaintBox->grab().toImage();
    // Scale 150 / -2 now.
    const auto y2 = [&](int v) { return H - (v + 2) * (H - 50) / 152 - 25; };
    EXPECT_TRUE(rot(gesamt.pixel(x(4000), y2(120))));
    EXPECT_TRUE(gruen(gesamt.pixel(x(4000), y2(60))));
    int unten = 0;
    for (int yy = y2(0) + 1; yy < H; ++yy)
        for (int xx = 0; xx < W; ++xx)
            unten += rot(gesamt.pixel(xx, yy)) || gruen(gesamt.pixel(xx, yy));
    EXPECT_EQ(unten, 0);
}

namespace {

// The simulated ECU's definitions of the power parameters, beside the shipped ones.
void mit_Leistungsparametern(LinkKontext& k) {
    const QString name = k.version().Software_Dateiname();
    ASSERT_FALSE(name.isEmpty());
    k.ordner.schreibe(QStringLiteral("Language/English/") + name,
                      {QStringLiteral(".MOTOR,Engine,"), QStringLiteral("-5,MOTOR,4,0,40"),
                       QStringLiteral("/Max. engine speed"), QStringLiteral("-200,MOTOR,4,0,42"),
                       QStringLiteral("/Vehicle mass"), QStringLiteral("-202,MOTOR,4,0,44"),
                       QStringLiteral("/Speed at 100"), QStringLiteral("-203,MOTOR,4,0,46"),
                       QStringLiteral("/Smoothing"), QStringLiteral("-204,MOTOR,4,0,48"),
                       QStringLiteral("/Air correction")});
}

struct Leistungssimulation {
    Leistungssimulation() : befehle(sim), live(sim), parameter(sim) {
        sim.oeffne_CAN(k.bus.Teilnehmer());
        k.sim = &sim;
        k.kontext->erzeuge_Befehle();
        ecusim::setze_Wort(parameter.Bild, 40, 7000);
        ecusim::setze_Wort(parameter.Bild, 42, 1200);
        ecusim::setze_Wort(parameter.Bild, 44, 2600);
        ecusim::setze_Wort(parameter.Bild, 46, 4);
        ecusim::setze_Wort(parameter.Bild, 48, 1);
        k.version().anfordern();
        EXPECT_TRUE(k.warte_bis([&] { return k.version().ECU_Typ() == 1; }, 2000));
        mit_Leistungsparametern(k);
        k.kontext->parameter().lade_Definitionen();
    }
    std::vector<int> Befehle(int von, int bis) const {
        std::vector<int> b;
        for (const ecusim::Rahmen& r : sim.empfangene())
            if (r.befehl() >= von && r.befehl() <= bis)
                b.push_back(r.befehl());
        return b;
    }
    LinkKontext k;
    ecusim::EcuSim sim;
    bool identitaet = (ecusim::richte_Identitaet_ein(sim), true);
    ecusim::Befehlsbereich befehle;
    ecusim::Livebereich live;
    ecusim::Parameterbereich parameter;
};

} // namespace

TEST(Leistungsmessung_ecusim, ARoadRunDrawnLiveAndEndedByTheUser) {
    Leistungssimulation s;
    TForm_Leistung f(*s.k.kontext);
    f.show();
    Leistungsmessung& m = f.Logik();
    // The settings the ECU holds, and the rpm axis of parameter 5.
    s.k.kontext->parameter().lesen();
    ASSERT_TRUE(s.k.warte_bis([&] { return f.Edit_Masse->text() == "1200"; }, 2000));
    EXPECT_EQ(f.Edit_Drehzahl->text(), "2600");
    EXPECT_EQ(f.Edit_Glaettung->text(), "4");
    EXPECT_EQ(f.ComboBox_mit_Luftkorrektur->currentIndex(), 1);
    EXPECT_EQ(m.max_Drehzahl, 7000);

    f.Edit_Masse->setText("1350");
    f.Edit_Drehzahl->setText("2800");
    f.Edit_Glaettung->setText("x5"); // not an integer: the ECU keeps its value
    f.ComboBox_mit_Luftkorrektur->setCurrentIndex(0);
    f.Button_Messung_starten->click();
    EXPECT_EQ(f.Button_Messung_starten->text(), QStringLiteral("Cancel"));
    // Halfway up the curve is drawn already.
    ASSERT_TRUE(s.k.warte_bis([&] { return m.Kurve.Punkte.size() > 100; }, 3000));
    const int rot_halb = zaehle(f.PaintBox->grab().toImage(), rot);
    EXPECT_GT(rot_halb, 50);
    const size_t lauf = s.befehle.Leistungslauf.size();
    ASSERT_TRUE(s.k.warte_bis([&] { return s.befehle.Leistungsindex > lauf + 2; }, 3000));
    EXPECT_GT(zaehle(f.PaintBox->grab().toImage(), rot), rot_halb);
    EXPECT_TRUE(m.Messung_laeuft);
    EXPECT_EQ(ecusim::Wort(s.parameter.Bild, 21), 1350);
    EXPECT_EQ(ecusim::Wort(s.parameter.Bild, 22), 2800);
    EXPECT_EQ(ecusim::Wort(s.parameter.Bild, 23), 4);
    EXPECT_EQ(ecusim::Wort(s.parameter.Bild, 24), 0);

    // One start per press although the write is announced twice, and none for a write of
    // the parameters by another window; then samples only.
    ASSERT_TRUE(s.k.kontext->parameter().schreiben());
    ASSERT_TRUE(s.k.warte_bis([&] { return s.parameter.Schreibvorgaenge == 2; }, 500));
    s.k.ticke(5);
    EXPECT_EQ(s.befehle.Leistungsmessung_gestartet, 1);
    const std::vector<int> b = s.Befehle(74, 76);
    ASSERT_GE(b.size(), 3u);
    EXPECT_EQ(b.front(), 74);
    EXPECT_TRUE(std::all_of(b.begin() + 1, b.end(), [](int c) { return c == 76; }));

    // The curve: 1000 to 6000 rpm, one point each 20, the peaks as the ECU sent them, the
    // drag loss down to 1000.
    ASSERT_EQ(m.Kurve.Punkte.size(), 251u);
    EXPECT_EQ(m.Kurve.Punkte.front().Drehzahl, 1000);
    EXPECT_EQ(m.Kurve.Punkte.front().Verlustleistung, -4);
    EXPECT_EQ(m.Kurve.Punkte.front().Verlustmoment, -15);
    EXPECT_EQ(f.Label_max_Leistung->text(), "110");
    EXPECT_EQ(f.Label_max_Drehmoment->text(), "180");
    EXPECT_EQ(f.Label_min_Leistung->text(), "-22");
    EXPECT_EQ(f.Label_min_Drehmoment->text(), "-37");
    EXPECT_EQ(f.ComboBox_max_P->currentText(), "200");
    EXPECT_EQ(f.ComboBox_min_P->currentText(), "40");
    // With QUORVEL_BILDER naming a folder: a picture of the window with the run and a
    // comparison curve of last year's run, a little weaker.
    if (const QString bilder = qEnvironmentVariable("QUORVEL_BILDER"); !bilder.isEmpty()) {
        for (const cl_Leistungsdaten& p : m.Kurve.Punkte)
            m.Vergleichskurve.Punkte.push_back(
                punkt(p.Drehzahl, p.Leistung * 9 / 10, p.Drehmoment * 9 / 10,
                      p.Verlustleistung * 9 / 10, p.Verlustmoment * 9 / 10));
        f.aktualisiere();
        QTest::qWait(300);
        f.grab().save(bilder + QStringLiteral("/leistung.png"));
        m.Vergleichskurve.loesche();
        f.aktualisiere();
    }

    // The user ends it: 75 goes out, its answer ends the polling.
    f.Button_Messung_starten->click();
    ASSERT_TRUE(s.k.warte_bis([&] { return !m.Messung_laeuft; }, 500));
    EXPECT_EQ(s.befehle.Leistungsmessung_beendet, 1);
    EXPECT_EQ(f.Button_Messung_starten->text(), QStringLiteral("Start"));
    const int abfragen = s.befehle.Leistungsabfragen;
    s.k.ticke(20);
    EXPECT_LE(s.befehle.Leistungsabfragen, abfragen + 1);
    EXPECT_EQ(m.Kurve.Punkte.size(), 251u);

    // A new start begins a new curve.
    f.Button_Messung_starten->click();
    ASSERT_TRUE(s.k.warte_bis([&] { return s.befehle.Leistungsmessung_gestartet == 2; }, 500));
    ASSERT_TRUE(s.k.warte_bis([&] { return !m.Kurve.leer(); }, 500));
    EXPECT_LT(m.Kurve.Punkte.size(), 251u);
}

TEST(Leistungsfenster, PrintsTheChartWithBothCurves) {
    Messumgebung u;
    TForm_Leistung f(*u.k.kontext);
    Leistungsmessung& m = f.Logik();
    m.max_Drehzahl = 7000;
    m.Kurve = Kurve_aus({{1000, 20, 100}, {4000, 90, 160}, {6000, 110, 120}, {1000, -25, -30}});
    m.Vergleichskurve = Kurve_aus({{1000, 15, 90}, {4000, 80, 150}, {6000, 100, 110}});
    f.aktualisiere();
    const QString pdf = u.k.ordner.datei(QStringLiteral("leistung.pdf"));
    Pdfauswahl druck(pdf, QPageSize::A4);
    u.k.kontext->drucker().setze_Druckauswahl(&druck);
    f.ColorButton_drucken->click();
    u.k.kontext->drucker().setze_Druckauswahl(nullptr);
    QFile datei(pdf);
    ASSERT_TRUE(datei.open(QIODevice::ReadOnly));
    EXPECT_GT(datei.size(), 1000);
    if (const QByteArray ziel = qgetenv("QUORVEL_BILDER"); !ziel.isEmpty())
        QFile::copy(pdf, QString::fromLocal8Bit(ziel) + QStringLiteral("/leistung.pdf"));
}
