// The speed-sensor pulse test: tooth times to labels, the pulse train at its pixels, and the
// test end to end against the simulated ECU.

#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Livedaten.h"
#include "link/LinkFixture.h"
#include "model/UBefehle.h"
#include "windows/UColorButton.h"
#include "windows/status/UTest_Drehzahl.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Roh(const std::vector<int>& werte) {
    std::vector<uint8_t> b;
    for (int w : werte) {
        b.push_back(static_cast<uint8_t>(w & 0xFF));
        b.push_back(static_cast<uint8_t>((w >> 8) & 0xFF));
    }
    b.resize(400);
    return b;
}

bool schwarz(QRgb c) {
    return qRed(c) < 64 && qGreen(c) < 64 && qBlue(c) < 64;
}

// The left edges of the dark runs along row y from x0 to x1.
std::vector<int> Striche(const QImage& bild, int y, int x0, int x1) {
    std::vector<int> xs;
    bool vorher = false;
    for (int x = x0; x <= x1; ++x) {
        const bool jetzt = schwarz(bild.pixel(x, y));
        if (jetzt && !vorher)
            xs.push_back(x);
        vorher = jetzt;
    }
    return xs;
}

} // namespace

TEST(Pulstest, ToothTimesAsShown) {
    struct Fall {
        int roh;
        bool mal_4;
        std::optional<int64_t> p3;
        QString text;
        bool rot;
    };
    const std::vector<Fall> faelle = {
        {250, true, std::nullopt, "10.00", false},
        {250, false, 6, " 2.50", false},
        {-300, false, 6, " 3.00", true},
        {-300, false, 24, " 3.00", true},
        {-300, false, 2, "130.00", false},
        {-300, false, std::nullopt, "130.00", false},
        // Held in 32 bits: 36000 is a tooth time, not a gap.
        {9000, true, 6, "360.00", false},
        {-9000, true, 6, "360.00", true},
        {0, false, 6, " 0.00", false},
        {32767, false, 4, "327.67", false},
    };
    for (const Fall& f : faelle) {
        Zahnzeitenfolge z;
        z.uebernehme(Roh({f.roh}), f.mal_4);
        const Zahnzeitenfolge::Anzeige a = z.zeige(0, Zahnzeitenfolge::Luecke_rot(f.p3));
        EXPECT_EQ(a.Text, f.text) << f.roh;
        EXPECT_EQ(a.rot, f.rot) << f.roh;
    }
}

TEST(Pulstest, StrokesSplitAtHalfTheTimeAndSumIn64Bits) {
    Zahnzeitenfolge z;
    EXPECT_TRUE(z.Striche(40, 820).empty());
    // 200 times of 32767 x 4: the sum passes what 820 x 2 x p takes in 32 bits.
    z.uebernehme(Roh(std::vector<int>(200, 32767)), true);
    const auto s = z.Striche(40, 820);
    ASSERT_EQ(s.size(), 200u);
    for (size_t k = 0; k < 200; ++k) {
        EXPECT_EQ(s[k].unten, k >= 100) << k;
        EXPECT_FALSE(s[k].rot);
        const int64_t p = int64_t{131068} * static_cast<int64_t>(k % 100 + 1);
        EXPECT_EQ(s[k].x, 40 + static_cast<int>(1640 * p / (1 + 200 * int64_t{131068}))) << k;
    }
    EXPECT_EQ(s[99].x, 859);

    // A gap mark stands after the sum so far, which it does not change.
    z.uebernehme(Roh({100, -50, 100}), false);
    const auto g = z.Striche(40, 820);
    // T = 201, half 100: 100 on the upper line, 150 and 200 past it.
    EXPECT_EQ(g[0].x, 40 + 1640 * 100 / 201);
    EXPECT_FALSE(g[0].unten);
    EXPECT_TRUE(g[1].rot);
    EXPECT_TRUE(g[1].unten);
    EXPECT_EQ(g[1].x, 40 + 1640 * 50 / 201);
    EXPECT_EQ(g[2].x, 40 + 1640 * 100 / 201);
}

TEST(Pulstest, PulseTrainAtItsPixels) {
    LinkKontext k(false);
    TForm_Test_Drehzahl f(*k.kontext);
    const int oben = f.obere_Linie();
    const int unten = f.untere_Linie();
    // Nothing before a test: no line, no stroke.
    QImage leer = f.grab().toImage();
    EXPECT_TRUE(Striche(leer, oben, 30, 870).empty());
    EXPECT_TRUE(Striche(leer, oben - 7, 30, 870).empty());

    for (size_t i = 0; i < f.Puffer.size(); i += 2) {
        f.Puffer[i] = 0xE8; // 1000
        f.Puffer[i + 1] = 0x03;
    }
    f.zeige_Ergebnis();
    const QImage bild = f.grab().toImage();
    for (int y : {oben - 7, unten - 7}) {
        const std::vector<int> xs = Striche(bild, y, 41, 870);
        ASSERT_EQ(xs.size(), 100u) << y;
        for (size_t i = 1; i < xs.size(); ++i) {
            EXPECT_GE(xs[i] - xs[i - 1], 8) << y << " " << i;
            EXPECT_LE(xs[i] - xs[i - 1], 9) << y << " " << i;
        }
    }
    // The start mark and the two lines.
    EXPECT_TRUE(schwarz(bild.pixel(40, oben - 7)));
    EXPECT_TRUE(schwarz(bild.pixel(500, oben)));
    EXPECT_TRUE(schwarz(bild.pixel(500, unten)));
    EXPECT_EQ(f.Wertlabels[199]->text(), QStringLiteral("10.00"));
}

TEST(Pulstest_ecusim, RunsTheTestAndShowsTheWheelWithItsGaps) {
    LinkKontext k;
    ecusim::EcuSim sim;
    ecusim::richte_Identitaet_ein(sim);
    ecusim::Befehlsbereich befehle(sim);
    ecusim::Livebereich live(sim);
    // A 60-2 wheel: 58 teeth, then the gap mark.
    std::vector<int16_t> rad;
    for (int i = 0; i < 200; ++i)
        rad.push_back(i % 59 == 58 ? int16_t{-3000} : int16_t{1000});
    befehle.setze_Zahnzeiten(rad);
    sim.oeffne_CAN(k.bus.Teilnehmer());
    k.sim = &sim;
    k.kontext->erzeuge_Befehle();
    k.version().anfordern();
    ASSERT_TRUE(k.warte_bis([&] { return k.version().ECU_Typ() == 1; }, 2000));

    TForm_Test_Drehzahl f(*k.kontext);
    f.show();
    f.Button_Starten->click();
    ASSERT_TRUE(k.warte_bis([&] { return befehle.Drehzahltest_beendet; }, 2000));
    std::vector<uint8_t> befehlsfolge;
    for (const ecusim::Rahmen& r : sim.empfangene())
        if (r.befehl() >= 63 && r.befehl() <= 66)
            befehlsfolge.push_back(r.befehl());
    EXPECT_EQ(befehlsfolge, (std::vector<uint8_t>{63, 64, 64, 64, 64, 66}));
    // Parameter 3 is not read: a gap shows as 127 + its time.
    const std::vector<std::pair<int, QString>> soll = {
        {0, "10.00"}, {57, "10.00"}, {58, "157.00"}, {59, "10.00"}, {117, "157.00"}};
    for (const auto& [kk, text] : soll) {
        EXPECT_EQ(f.Wertlabels[static_cast<size_t>(kk)]->text(), text) << kk;
        EXPECT_EQ(f.Wertlabels[static_cast<size_t>(kk)]->palette().color(QPalette::WindowText),
                  QColor(Qt::black));
    }
    const auto striche = f.Folge.Striche(40, 820);
    EXPECT_TRUE(striche[58].rot);

    // The error trigger: 65, and nothing read after it.
    ASSERT_TRUE(k.warte_bis(
        [&] { return !k.kontext->befehle()->Quorvel_starte_Test_Drehzahl->aktiv; }, 500));
    sim.leere_Protokoll();
    f.ColorButton_Fehlertrigger->click();
    EXPECT_TRUE(k.kontext->befehle()->Quorvel_starte_Test_Drehzahl->aktiv);
    const auto Testbefehle = [&sim] {
        std::vector<uint8_t> b;
        for (const ecusim::Rahmen& r : sim.empfangene())
            if (r.befehl() >= 63 && r.befehl() <= 66)
                b.push_back(r.befehl());
        return b;
    };
    ASSERT_TRUE(k.warte_bis([&] { return !Testbefehle().empty(); }, 500));
    k.warte_bis([] { return false; }, 20);
    const std::vector<uint8_t> fehler = Testbefehle();
    EXPECT_EQ(fehler, (std::vector<uint8_t>{65}));

    // The start button follows the link.
    k.link().setze_Verbindung(false);
    EXPECT_FALSE(f.Button_Starten->isEnabled());
    k.link().setze_Verbindung(true);
    EXPECT_TRUE(f.Button_Starten->isEnabled());
}

TEST(Pulstest_ecusim, HidingStopsARunningTest) {
    LinkKontext k;
    ecusim::EcuSim sim;
    ecusim::richte_Identitaet_ein(sim);
    ecusim::Befehlsbereich befehle(sim);
    ecusim::Livebereich live(sim);
    sim.oeffne_CAN(k.bus.Teilnehmer());
    k.sim = &sim;
    k.kontext->erzeuge_Befehle();
    k.version().anfordern();
    ASSERT_TRUE(k.warte_bis([&] { return k.version().ECU_Typ() == 1; }, 2000));
    TForm_Test_Drehzahl f(*k.kontext);
    f.show();
    f.Button_Starten->click();
    EXPECT_TRUE(k.kontext->befehle()->Quorvel_starte_Test_Drehzahl->aktiv);
    f.hide();
    EXPECT_FALSE(k.kontext->befehle()->Quorvel_starte_Test_Drehzahl->aktiv);
    k.ticke(30);
    EXPECT_FALSE(befehle.Drehzahltest_beendet);
    EXPECT_FALSE(f.Folge.Daten_vorhanden);
}
