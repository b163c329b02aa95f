// The injector test: the switch-on time from the weighed fuel, the fields' texts, and runs
// in the whole program against the simulated ECU over a pseudo-terminal.

#include "link/LinkFixture.h"
#include "model/UBefehle.h"
#include "windows/Programm.h"
#include "windows/status/UTest_Duese.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

TEST(Duesentest, SwitchOnTime) {
    struct Fall {
        float t1, t2, w1, w2;
        int64_t soll;
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
        // d = 1 g over ten tonnes: about 8000 - 10000001 * 5500, past 32 bits, shown as it is.
        {300, 300, 1e7f, 10000001, -55000002560},
        // 3e38 g x 600 s overflows single precision: no number, no result.
        {600, 300, 10, 3e38f, 0},
        {600, 300, 3e38f, 3e38f, 0},
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

    // A German user's comma counts, and the point the field shows as well.
    const QLocale vorher;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    for (auto [text, gewicht] : {std::pair{"10,5", 10.5f}, std::pair{"10.5", 10.5f},
                                 std::pair{"1.000", 1.0f}, std::pair{"x", 1.0f}}) {
        t.setze_Gewicht(1, QString::fromLatin1(text));
        EXPECT_EQ(t.Gewichte[0], gewicht) << text;
    }
    QLocale::setDefault(vorher);
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

    // Restored from the task bar: not shown anew, the fields keep what the user typed.
    f.Laeufe[2].Gewicht->clear();
    QTest::keyClicks(f.Laeufe[2].Gewicht, QStringLiteral("10.25"));
    QShowEvent wieder;
    QSpontaneKeyEvent::setSpontaneous(&wieder);
    // Straight to the window: sending it would take the flag away.
    static_cast<QObject&>(f).event(&wieder);
    EXPECT_EQ(f.Laeufe[2].Gewicht->text(), QStringLiteral("10.25"));
    EXPECT_EQ(f.Laeufe[0].Zeit->text(), QStringLiteral("300"));
}

// ---------------------------------------------------------------- end to end

namespace {

// The program over a pseudo-terminal with the injector window opened from the menu; the
// ECU's clock stands until the test moves it.
struct Duesenprogramm {
    Duesenprogramm() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return p.verbunden(); }, 30000));
        p.befehle->Uhr = [this] { return jetzt; };
        EXPECT_TRUE(klicke(p.leiste(), QStringLiteral("Duesenschaltzeit_messen")));
        f = dynamic_cast<TForm_Test_Duese*>(p.fenster("TForm_Test_Duese"));
        EXPECT_TRUE(f && QTest::qWaitFor([&] { return f->isVisible(); }, 2000));
    }
    // Each run's start button (caption, enabled) and remaining time, as the user sees them.
    std::vector<std::tuple<QString, bool, QString>> Laeufe() const {
        std::vector<std::tuple<QString, bool, QString>> z;
        for (const auto& l : f->Laeufe)
            z.emplace_back(l.Start->text(), l.Start->isEnabled(), l.akt_Zeit->text());
        return z;
    }
    bool warte(const std::function<bool()>& fertig) { return QTest::qWaitFor(fertig, 20000); }

    Programm p{true};
    int64_t jetzt = 0;
    TForm_Test_Duese* f = nullptr;
};

using Lauf = std::tuple<QString, bool, QString>;
const Lauf ruht{"Start", true, ""};
const Lauf gesperrt{"Start", false, ""};

} // namespace

TEST(Duesentest_pty, RunOneCountsDownOnTheEcusClockToZeroAndEnds) {
    Duesenprogramm d;
    ASSERT_NE(d.f, nullptr);
    // The battery voltage of the live record: 13.8 V divided by 3.
    ASSERT_TRUE(d.warte([&] { return d.f->Label_Batteriespannung->text() == " 4.60"; }))
        << d.f->Label_Batteriespannung->text().toStdString();
    // The weights of an earlier pair of runs, the low-voltage switch-on time from them.
    for (auto [lauf, gewicht] : {std::pair{0, "10"}, std::pair{1, "40"}}) {
        d.f->Laeufe[static_cast<size_t>(lauf)].Gewicht->selectAll();
        QTest::keyClicks(d.f->Laeufe[static_cast<size_t>(lauf)].Gewicht, gewicht);
    }
    EXPECT_EQ(d.f->Label_n_Einschaltzeit->text(), QStringLiteral("1714"));
    d.f->Laeufe[0].Zeit->selectAll();
    QTest::keyClicks(d.f->Laeufe[0].Zeit, QStringLiteral("3"));
    QTest::mouseClick(d.f->Laeufe[0].Start, Qt::LeftButton);
    for (const char* rest : {"3", "2", "1"}) {
        ASSERT_TRUE(d.warte([&] { return std::get<2>(d.Laeufe()[0]) == rest; })) << rest;
        EXPECT_EQ(d.Laeufe(),
                  (std::vector<Lauf>{{"Cancel", true, rest}, gesperrt, gesperrt, gesperrt}));
        if (qEnvironmentVariableIsSet("QUORVEL_BILDER") && std::string(rest) == "2")
            d.f->grab().save(qEnvironmentVariable("QUORVEL_BILDER") + "/duesentest.png");
        d.jetzt += 1000;
    }
    ASSERT_TRUE(d.warte([&] { return d.p.befehle->Duesentest_beendet == 1; }));
    ASSERT_TRUE(d.warte([&] { return d.f->Test.laufender_Test == 0; }));
    EXPECT_EQ(d.Laeufe(), (std::vector<Lauf>{ruht, ruht, ruht, ruht}));
    EXPECT_EQ(d.p.befehle->Duesen_Pulsbreite, 2500);
    EXPECT_EQ(d.p.befehle->Duesen_Laufzeit, 3);
}

TEST(Duesentest_pty, TheUserStopsARunAndNoStartIsTakenUntilItsEndIsThrough) {
    Duesenprogramm d;
    ASSERT_NE(d.f, nullptr);
    QTest::mouseClick(d.f->Laeufe[3].Start, Qt::LeftButton);
    ASSERT_TRUE(d.warte([&] { return std::get<2>(d.Laeufe()[3]) == "300"; }));
    EXPECT_EQ(d.p.befehle->Duesen_Pulsbreite, 8000);
    QTest::mouseClick(d.f->Laeufe[3].Start, Qt::LeftButton);
    EXPECT_EQ(d.Laeufe(), (std::vector<Lauf>{ruht, ruht, ruht, ruht}));
    // A start before the ECU took the end: the request is still busy with it, so the window
    // must not claim a run.
    QTest::mouseClick(d.f->Laeufe[0].Start, Qt::LeftButton);
    EXPECT_EQ(d.f->Test.laufender_Test, 0);
    EXPECT_EQ(d.Laeufe(), (std::vector<Lauf>{ruht, ruht, ruht, ruht}));
    ASSERT_TRUE(d.warte([&] { return d.p.befehle->Duesentest_beendet == 1; }));
    ASSERT_TRUE(d.warte([&] { return !d.p.kontext->befehle()->Quorvel_starte_Test_Duese->aktiv; }));
    // Once it is through, a start is a start.
    QTest::mouseClick(d.f->Laeufe[0].Start, Qt::LeftButton);
    ASSERT_TRUE(d.warte([&] { return std::get<2>(d.Laeufe()[0]) == "600"; }));
    EXPECT_EQ(d.p.befehle->Duesen_Pulsbreite, 2500);
}
