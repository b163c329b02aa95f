// The injector test: the switch-on time from the weighed fuel, the fields' texts, and runs
// against the simulated ECU.

#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Parameter.h"
#include "link/LinkFixture.h"
#include "model/UBefehle.h"
#include "windows/status/UTest_Duese.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

TEST(Duesentest, SwitchOnTime) {
    struct Fall {
        float t1, t2, w1, w2;
        int soll;
    };
    const std::vector<Fall> faelle = {
        {600, 300, 10, 40, 1714},
        {600, 300, 0.9f, 40, 0},
        {600, 300, 10, 0.5f, 0},
        {0.5f, 300, 10, 40, 0},
        {600, 0, 10, 40, 0},
        {600, 300, 10, 5.4f, 0},      // x = 10.8: less than 1 g above the 2500 us fuel
        {600, 300, 10, 5.5f, -52500}, // x = 11, d = 1: 8000 - 11 * 5500, shown as it is
        {600, 600, 10, 20, -3000},    // x = 20, d = 10: 8000 - 20 * 550
        {300, 300, 10, 1000, 2444},   // x = 1000, d = 990: 8000 - 1000 * 5500 / 990 = 2444.4
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(Duesentest::berechne_Einschaltzeit(f.t1, f.t2, f.w1, f.w2), f.soll)
            << f.t1 << " " << f.t2 << " " << f.w1 << " " << f.w2;
}

TEST(Duesentest, FieldTextsAndGroups) {
    Duesentest t;
    t.setze_Gewicht(1, QStringLiteral("10"));
    t.setze_Gewicht(2, QStringLiteral("40.0"));
    EXPECT_EQ(t.Einschaltzeit(1), 1714);
    EXPECT_EQ(t.Einschaltzeit(2), 1714);
    EXPECT_EQ(t.Einschaltzeit(3), 0);
    t.setze_Gewicht(3, QStringLiteral("abc"));
    EXPECT_EQ(t.Gewichte[2], 1.0f);
    t.setze_Zeit(4, QStringLiteral("x1"));
    EXPECT_EQ(t.Zeiten[3], 1);
    t.setze_Zeit(1, QStringLiteral("65537"));
    EXPECT_EQ(t.Zeiten[0], 1);
    t.setze_Zeit(1, QStringLiteral("  450 "));
    EXPECT_EQ(t.Zeiten[0], 450);
}

TEST(Duesentest, ATimeChangeWaitsForAWeight) {
    LinkKontext k(false);
    TForm_Test_Duese f(*k.kontext);
    f.show();
    EXPECT_EQ(f.Laeufe[0].Zeit->text(), QStringLiteral("600"));
    EXPECT_EQ(f.Laeufe[1].Gewicht->text(), QStringLiteral("0.0"));
    f.Laeufe[0].Gewicht->clear();
    QTest::keyClicks(f.Laeufe[0].Gewicht, QStringLiteral("10"));
    f.Laeufe[1].Gewicht->clear();
    QTest::keyClicks(f.Laeufe[1].Gewicht, QStringLiteral("40"));
    EXPECT_EQ(f.Label_n_Einschaltzeit->text(), QStringLiteral("1714"));
    f.Laeufe[0].Zeit->clear();
    QTest::keyClicks(f.Laeufe[0].Zeit, QStringLiteral("300"));
    EXPECT_EQ(f.Label_n_Einschaltzeit->text(), QStringLiteral("1714"));
    QTest::keyClicks(f.Laeufe[1].Gewicht, QStringLiteral(".0"));
    // x = 40, d = 30: 8000 - 40 * 5500 / 30.
    EXPECT_EQ(f.Label_n_Einschaltzeit->text(), QStringLiteral("667"));
    EXPECT_EQ(f.Label_h_Einschaltzeit->text(), QString());
}

namespace {

struct Duesensimulation {
    Duesensimulation() : befehle(sim), live(sim), parameter(sim) {
        sim.oeffne_CAN(k.bus.Teilnehmer());
        k.sim = &sim;
        k.kontext->erzeuge_Befehle();
        k.version().anfordern();
        EXPECT_TRUE(k.warte_bis([&] { return k.version().ECU_Typ() == 1; }, 2000));
    }
    std::vector<std::pair<int, QByteArray>> Testbefehle() const {
        std::vector<std::pair<int, QByteArray>> b;
        for (const ecusim::Rahmen& r : sim.empfangene())
            if (r.befehl() >= 95 && r.befehl() <= 97)
                b.emplace_back(r.befehl(), r.daten());
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

TEST(Duesentest_ecusim, RunOneCountsDownToZeroAndEnds) {
    Duesensimulation s;
    TForm_Test_Duese f(*s.k.kontext);
    f.show();
    std::vector<QString> gezeigt;
    s.befehle.Restzeit_Start = 3;
    f.Laeufe[0].Start->click();
    EXPECT_EQ(f.Laeufe[0].Start->text(), QStringLiteral("Cancel"));
    for (size_t i = 1; i < 4; ++i)
        EXPECT_FALSE(f.Laeufe[i].Start->isEnabled()) << i;
    ASSERT_TRUE(s.k.warte_bis(
        [&] {
            const QString t = f.Laeufe[0].akt_Zeit->text();
            if (!t.isEmpty() && (gezeigt.empty() || gezeigt.back() != t))
                gezeigt.push_back(t);
            return s.befehle.Duesentest_beendet > 0;
        },
        2000));
    EXPECT_EQ(gezeigt, (std::vector<QString>{"3", "2", "1"}));
    const auto b = s.Testbefehle();
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(b.front().first, 95);
    // Pulse width 2500, 600 s.
    EXPECT_EQ(b.front().second, QByteArray::fromHex("c4095802"));
    EXPECT_EQ(b.back().first, 97);
    EXPECT_EQ(f.Test.laufender_Test, 0);
    for (const auto& l : f.Laeufe) {
        EXPECT_TRUE(l.Start->isEnabled());
        EXPECT_EQ(l.Start->text(), QStringLiteral("Start"));
        EXPECT_EQ(l.akt_Zeit->text(), QString());
    }
    // The battery voltage follows the live record.
    ASSERT_TRUE(s.k.warte_bis([&] { return !f.Label_Batteriespannung->text().isEmpty(); }, 200));
}

TEST(Duesentest_ecusim, TheUserStopsARun) {
    Duesensimulation s;
    TForm_Test_Duese f(*s.k.kontext);
    f.show();
    s.befehle.Restzeit_Start = 50;
    f.Laeufe[3].Start->click();
    ASSERT_TRUE(s.k.warte_bis([&] { return !f.Laeufe[3].akt_Zeit->text().isEmpty(); }, 2000));
    f.Laeufe[3].Start->click();
    ASSERT_TRUE(s.k.warte_bis([&] { return s.befehle.Duesentest_beendet > 0; }, 500));
    const auto b = s.Testbefehle();
    EXPECT_EQ(b.front().second, QByteArray::fromHex("401f2c01")); // 8000 us, 300 s
    EXPECT_EQ(b.back().first, 97);
    EXPECT_EQ(f.Test.laufender_Test, 0);
    EXPECT_EQ(f.Laeufe[3].akt_Zeit->text(), QString());
    EXPECT_TRUE(f.Laeufe[0].Start->isEnabled());
}
