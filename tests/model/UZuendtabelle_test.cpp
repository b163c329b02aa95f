// The ignition editors' table: evaluation by interpolation, typed values, navigation, rows
// and columns, nearest points, online changes, the CSV text and the map files.

#include "link/LinkFixture.h"
#include "model/UZuendkennfeld.h"
#include "model/UZuendtabelle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Z = Zuendtabelle::Zelle;
constexpr int U = -128; // unset

// An image with the given points (the rest unset) and entered angles (y, x, angle).
struct Tabelle {
    explicit Tabelle(const std::vector<int>& x, const std::vector<int>& y,
                     const std::vector<std::array<int, 3>>& winkel = {}, int spalten = 16)
        : n(spalten) {
        bild.fill(static_cast<uint8_t>(U));
        for (int k = 0; k < 16; ++k) {
            t.setze_X(k, k < static_cast<int>(x.size()) ? x[static_cast<size_t>(k)] : U);
            t.setze_Y(k, k < static_cast<int>(y.size()) ? y[static_cast<size_t>(k)] : U);
        }
        for (const auto& w : winkel)
            t.setze_gesetzt(w[0], w[1], w[2]);
        t.auswerten();
    }
    std::vector<int> Zeile(int y) const {
        std::vector<int> z;
        for (int x = 0; x <= t.letzter_X(); ++x)
            z.push_back(t.ausgewertet(y, x));
        return z;
    }
    std::vector<int> Spalte(int x) const {
        std::vector<int> s;
        for (int y = 0; y <= t.letzter_Y(); ++y)
            s.push_back(t.ausgewertet(y, x));
        return s;
    }

    Zuendtabelle::Bild bild{};
    int n;
    Zuendtabelle t{bild, n};
};

} // namespace

TEST(Zuendtabelle, EvaluationInterpolatesAlongTheAxes) {
    struct Fall {
        const char* was;
        std::vector<int> x;
        std::vector<std::array<int, 3>> winkel;
        std::vector<int> zeile0;
    };
    const std::vector<Fall> faelle = {
        {"midway", {1000, 2000, 3000}, {{0, 0, 10}, {0, 2, 20}}, {10, 15, 20}},
        {"truncated toward zero", {0, 1, 3}, {{0, 0, 10}, {0, 2, 5}}, {10, 9, 5}},
        {"negative slope", {0, 1, 2, 4}, {{0, 0, 0}, {0, 3, -7}}, {0, -1, -3, -7}},
        {"equal points keep the previous value", {0, 0, 0}, {{0, 0, 10}, {0, 2, 20}}, {10, 10, 20}},
        {"nothing set further along", {0, 10, 20, 30}, {{0, 0, 4}, {0, 1, 6}}, {4, 6, 6, 6}},
        {"unset corner is 0", {0, 10, 20}, {{0, 2, 30}}, {0, 15, 30}},
        {"falling point ends the used area", {0, 20, 40, 30, 50}, {{0, 0, 1}}, {1, 1, 1}},
        {"second point below the first", {50, 20, 40}, {{0, 0, 3}}, {3}},
    };
    for (const Fall& f : faelle) {
        Tabelle tab(f.x, {0}, f.winkel);
        EXPECT_EQ(tab.Zeile(0), f.zeile0) << f.was;
        EXPECT_EQ(tab.t.letzter_Y(), 0) << f.was;
    }
}

TEST(Zuendtabelle, EvaluationFillsTheWholeUsedArea) {
    // Corners and one inner value; the inner rows interpolate between their filled ends.
    Tabelle tab({0, 10, 20}, {0, 100, 200, U, 400},
                {{0, 0, 0}, {0, 2, 20}, {2, 0, 40}, {2, 2, 60}, {1, 1, 35}});
    EXPECT_EQ(tab.t.letzter_X(), 2);
    EXPECT_EQ(tab.t.letzter_Y(), 2); // -128 ends the speed points
    EXPECT_EQ(tab.Zeile(0), (std::vector<int>{0, 10, 20}));
    EXPECT_EQ(tab.Zeile(1), (std::vector<int>{20, 35, 40}));
    EXPECT_EQ(tab.Zeile(2), (std::vector<int>{40, 50, 60}));
    // Only entered cells are marked so; the texts show the evaluated map, nothing beyond.
    EXPECT_TRUE(tab.t.ist_gesetzt({2, 2}));
    EXPECT_FALSE(tab.t.ist_gesetzt({2, 3}));
    EXPECT_EQ(tab.t.Text({2, 2}), "35");
    EXPECT_EQ(tab.t.Text({0, 3}), "20");
    EXPECT_EQ(tab.t.Text({0, 4}), "");
    EXPECT_EQ(tab.t.Text({4, 0}), "");
    EXPECT_EQ(tab.t.Text({1, 4}), "");

    // Negative first points are stored as 0.
    Tabelle neg({-5, 10}, {-1, 10}, {{0, 0, 1}});
    EXPECT_EQ(neg.t.X(0), 0);
    EXPECT_EQ(neg.t.Y(0), 0);
}

TEST(Zuendtabelle, TheLastUsedIndicesAreThoseOfTheLastEvaluation) {
    Tabelle tab({0, 10, 20, 30}, {0, 10});
    tab.t.setze_X(2, 5);
    EXPECT_EQ(tab.t.letzter_X(), 3); // not yet evaluated
    tab.t.auswerten();
    EXPECT_EQ(tab.t.letzter_X(), 1);
    // An eight-column map never reaches past its columns.
    Tabelle acht({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {0}, {}, 8);
    EXPECT_EQ(acht.t.letzter_X(), 7);
}

TEST(Zuendtabelle, TypedTexts) {
    struct Fall {
        const char* text;
        Z zelle;
        bool gesetzt; // the angle cell (1, 2) entered afterwards
        int wert;     // its angle or the point
    };
    // Cell (1, 2) shows 15, interpolated between 10 and 20.
    const std::vector<Fall> faelle = {
        {"15", {1, 2}, false, 15},       {"12a", {1, 2}, true, 12},
        {"5-", {1, 2}, true, 0},         {"", {1, 2}, false, 15},
        {"--", {1, 2}, false, 15},       {"x1-2", {1, 2}, true, 0},
        {"200", {1, 2}, true, 127},      {"-300", {1, 2}, true, -127},
        {"-128", {1, 2}, true, -127},    {"99999999999", {1, 2}, true, 127},
        {"99999", {0, 2}, false, 32767}, {"-99999", {1, 0}, false, 0}, // first Y point: 0
        {"", {0, 3}, false, U},
    };
    for (const Fall& f : faelle) {
        Tabelle tab({0, 10, 20}, {0, 10}, {{0, 0, 10}, {0, 2, 20}});
        tab.t.uebernehme(f.zelle, QString::fromUtf8(f.text));
        EXPECT_EQ(tab.t.ist_gesetzt({1, 2}), f.gesetzt) << f.text;
        if (f.zelle.zeile == 0)
            EXPECT_EQ(tab.t.X(f.zelle.spalte - 1), f.wert) << f.text;
        else if (f.zelle.spalte == 0)
            EXPECT_EQ(tab.t.Y(f.zelle.zeile - 1), f.wert) << f.text;
        else
            EXPECT_EQ(tab.t.ausgewertet(0, 1), f.wert) << f.text;
    }

    // An emptied entered cell is interpolated again; the equal value leaves an entered one.
    Tabelle tab({0, 10, 20}, {0}, {{0, 0, 10}, {0, 1, 12}, {0, 2, 20}});
    tab.t.uebernehme({1, 2}, "12");
    EXPECT_TRUE(tab.t.ist_gesetzt({1, 2}));
    tab.t.uebernehme({1, 2}, "");
    EXPECT_FALSE(tab.t.ist_gesetzt({1, 2}));
    EXPECT_EQ(tab.t.ausgewertet(0, 1), 15);
    // A typed point changes the used area at once.
    tab.t.uebernehme({0, 2}, "-3");
    EXPECT_EQ(tab.t.letzter_X(), 0);
}

TEST(Zuendtabelle, NearestPoint) {
    Tabelle tab({0, 100, 200, 150}, {500, 1000, 2000, 4000});
    struct Fall {
        int wert, x, y;
    };
    for (const Fall f :
         {Fall{-5, 0, 0}, Fall{0, 0, 0}, Fall{50, 0, 0}, Fall{51, 1, 0}, Fall{150, 1, 0},
          Fall{151, 2, 0}, Fall{9999, 2, 3}, Fall{750, 2, 0}, Fall{751, 2, 1}, Fall{1500, 2, 1},
          Fall{1501, 2, 2}, Fall{3000, 2, 2}, Fall{3001, 2, 3}}) {
        EXPECT_EQ(tab.t.naechster_X(f.wert), f.x) << f.wert;
        EXPECT_EQ(tab.t.naechster_Y(f.wert), f.y) << f.wert;
    }
    EXPECT_TRUE(tab.t.ist_Luftdruck());
    Tabelle drossel({0, 50, 100}, {0});
    EXPECT_FALSE(drossel.t.ist_Luftdruck());
    Tabelle druck({20, 60, 101}, {0});
    EXPECT_TRUE(druck.t.ist_Luftdruck());
}

TEST(Zuendtabelle, NavigationByKey) {
    using T = Zuendtabelle::Taste;
    // Used area: X indices 0..3 (Lx 3), Y indices 0..4 (Ly 4), 16 columns.
    Tabelle tab({0, 1, 2, 3}, {0, 1, 2, 3, 4});
    struct Fall {
        Z von;
        T taste;
        bool shift, online;
        Z nach;
    };
    const std::vector<Fall> faelle = {
        // offline
        {{1, 1}, T::runter, false, false, {2, 1}},
        {{6, 1}, T::runter, false, false, {1, 1}}, // row Ly + 2
        {{5, 1}, T::runter, false, false, {6, 1}},
        {{0, 3}, T::runter, false, false, {1, 3}},
        {{1, 1}, T::hoch, false, false, {0, 1}},
        {{0, 2}, T::hoch, false, false, {5, 2}},
        {{1, 0}, T::hoch, false, false, {5, 0}}, // never onto (0, 0)
        {{1, 1}, T::tab, false, false, {1, 2}},
        {{1, 5}, T::tab, false, false, {1, 1}}, // column Lx + 2
        {{1, 0}, T::rechts, false, false, {1, 1}},
        {{1, 0}, T::tab, true, false, {1, 4}},
        {{1, 2}, T::links, false, false, {1, 1}},
        {{0, 1}, T::links, false, false, {0, 4}}, // never onto (0, 0)
        // online
        {{5, 1}, T::runter, false, true, {1, 1}},
        {{4, 1}, T::runter, false, true, {5, 1}},
        {{1, 2}, T::hoch, false, true, {5, 2}},
        {{1, 4}, T::tab, false, true, {1, 1}},
        {{1, 1}, T::tab, true, true, {1, 4}},
        {{3, 3}, T::links, false, true, {3, 2}},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(tab.t.navigiere(f.von, f.taste, f.shift, f.online), f.nach)
            << f.von.zeile << "," << f.von.spalte << " key " << static_cast<int>(f.taste)
            << (f.shift ? " shift" : "") << (f.online ? " online" : "");

    // A click is limited to the used area and one more offline; the cell to the right of
    // the last is a Tab.
    EXPECT_EQ(tab.t.navigiere({1, 1}, T::keine, false, false, {12, 12}), (Z{6, 5}));
    EXPECT_EQ(tab.t.navigiere({1, 1}, T::keine, false, true, {12, 12}), (Z{5, 4}));
    EXPECT_EQ(tab.t.navigiere({2, 5}, T::keine, false, false, {2, 6}), (Z{2, 1}));
    EXPECT_EQ(tab.t.navigiere({2, 1}, T::keine, false, false, {2, 0}), (Z{2, 0}));

    // With every row in use the offline walk down stops at row 16.
    Tabelle voll({0, 1}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    EXPECT_EQ(voll.t.navigiere({16, 1}, T::runter, false, false), (Z{1, 1}));
    EXPECT_EQ(voll.t.navigiere({1, 1}, T::keine, false, false, {16, 1}), (Z{16, 1}));
}

TEST(Zuendtabelle, RowsAndColumnsTakeTheirPointsAlong) {
    using E = Zuendtabelle::Ergebnis;
    {
        Tabelle tab({0, 10}, {100, 200, 300}, {{0, 0, 1}, {1, 0, 2}, {2, 0, 3}});
        EXPECT_EQ(tab.t.Zeile_einfuegen(1), E::geaendert);
        EXPECT_EQ(tab.t.Y(0), 100);
        EXPECT_EQ(tab.t.Y(1), 150);
        EXPECT_EQ(tab.t.Y(2), 200);
        EXPECT_EQ(tab.t.Y(3), 300);
        EXPECT_EQ(tab.Spalte(0), (std::vector<int>{1, 1, 2, 3}));
        EXPECT_FALSE(tab.t.ist_gesetzt({2, 1}));
        // At index 0 the new row's point is unset, which the evaluation makes 0.
        EXPECT_EQ(tab.t.Zeile_einfuegen(0), E::geaendert);
        EXPECT_EQ(tab.t.Y(0), 0);
        EXPECT_EQ(tab.t.Y(1), 100);
        EXPECT_EQ(tab.t.letzter_Y(), 4);
        EXPECT_EQ(tab.t.Zeile_loeschen(0), E::geaendert);
        EXPECT_EQ(tab.t.Zeile_loeschen(1), E::geaendert);
        EXPECT_EQ(tab.Spalte(0), (std::vector<int>{1, 2, 3}));
        EXPECT_EQ(tab.t.Y(1), 200);
        EXPECT_EQ(tab.t.Y(15), U);
        EXPECT_EQ(tab.t.Zeile_loeschen(3), E::ausserhalb);
        EXPECT_EQ(tab.t.Zeile_einfuegen(-1), E::ausserhalb);
    }
    {
        Tabelle tab({10, 20, 40}, {0}, {{0, 0, 1}, {0, 1, 2}, {0, 2, 3}}, 8);
        EXPECT_EQ(tab.t.Spalte_einfuegen(2), E::geaendert);
        EXPECT_EQ(tab.Zeile(0), (std::vector<int>{1, 2, 2, 3}));
        EXPECT_EQ(tab.t.X(2), 30);
        EXPECT_EQ(tab.t.X(3), 40);
        EXPECT_EQ(tab.t.Spalte_loeschen(0), E::geaendert);
        EXPECT_EQ(tab.Zeile(0), (std::vector<int>{2, 2, 3}));
        EXPECT_EQ(tab.t.X(0), 20);
        EXPECT_EQ(tab.t.X(7), U);
        EXPECT_EQ(tab.t.Spalte_loeschen(5), E::ausserhalb);
    }
    {
        // The last row and the last column in use: nothing is inserted.
        std::vector<int> p(16);
        for (int i = 0; i < 16; ++i)
            p[static_cast<size_t>(i)] = i;
        Tabelle tab({0, 1, 2, 3, 4, 5, 6, 7}, p, {{15, 7, 9}}, 8);
        EXPECT_EQ(tab.t.Zeile_einfuegen(3), E::voll);
        EXPECT_EQ(tab.t.Spalte_einfuegen(3), E::voll);
        EXPECT_EQ(tab.t.ausgewertet(15, 7), 9);
        EXPECT_EQ(tab.t.Zeile_loeschen(15), E::geaendert);
        EXPECT_EQ(tab.t.letzter_Y(), 14);
        EXPECT_FALSE(tab.t.ist_gesetzt({16, 8}));
    }
}

TEST(Zuendtabelle, OnlineChangesStayWithinTheirRange) {
    struct Fall {
        int winkel, delta;
        bool geaendert;
        int danach;
    };
    for (const Fall f : {Fall{60, 1, false, 60}, Fall{59, 1, true, 60}, Fall{-10, -1, false, -10},
                         Fall{-9, -1, true, -10}, Fall{70, -1, true, 69}}) {
        Tabelle tab({0, 10}, {0, 10}, {{1, 1, f.winkel}});
        EXPECT_EQ(tab.t.aendere_Winkel({2, 2}, f.delta), f.geaendert) << f.winkel;
        EXPECT_EQ(tab.t.ausgewertet(1, 1), f.danach) << f.winkel;
    }
    // An interpolated cell becomes entered; axis cells do nothing.
    Tabelle tab({0, 10, 20}, {0}, {{0, 0, 10}, {0, 2, 20}});
    EXPECT_TRUE(tab.t.aendere_Winkel({1, 2}, 1));
    EXPECT_TRUE(tab.t.ist_gesetzt({1, 2}));
    EXPECT_EQ(tab.t.ausgewertet(0, 1), 16);
    EXPECT_FALSE(tab.t.aendere_Winkel({0, 2}, 1));
    EXPECT_FALSE(tab.t.aendere_Winkel({1, 0}, 1));
}

TEST(Zuendtabelle, CsvWalksTheRisingPointsInBothSeparators) {
    Tabelle tab({0, 50, 50, 80}, {500, 1000, 900}, {{0, 0, 5}, {1, 3, 7}});
    const QDateTime zeit(QDate(2026, 3, 4), QTime(5, 6, 7));
    const QString punkt = tab.t.CSV("Ignition", "/d/m.csv", zeit, {"a", "b"}, u'.', u':');
    EXPECT_EQ(punkt, "Ignition\r\n/d/m.csv\r\n04.03.2026,05:06:07\r\n\r\na\r\nb\r\n\r\n"
                     ",0,50\r\n500;5;5\r\n1000;5;6\r\n\r\n");
    const QString komma = tab.t.CSV("Ignition", "m.csv", zeit, {}, u',', u'.');
    EXPECT_EQ(komma, "Ignition\r\nm.csv\r\n04.03.2026;05.06.07\r\n\r\n\r\n"
                     ";0;50\r\n500;5;5\r\n1000;5;6\r\n\r\n");
}

TEST(Zuendtabelle, FilesAreTakenOverOnlyWhole) {
    LinkKontext k;
    cl_Zuendung z(k.link(), k.version(), k.kontext->kommunikation(), 1);
    QByteArray voll(580, '\0');
    for (int i = 0; i < 580; ++i)
        voll[i] = static_cast<char>(i * 13 + 1);
    QByteArray acht(308, '\0');
    for (int i = 0; i < 308; ++i)
        acht[i] = static_cast<char>(i * 5 + 2);

    struct Fall {
        QByteArray daten;
        bool geladen;
        int spalten;
    };
    for (const Fall& f : {Fall{voll, true, 16}, Fall{voll + QByteArray(20, 'x'), true, 16},
                          Fall{acht, true, 8}, Fall{voll.left(400), false, 5},
                          Fall{QByteArray(), false, 5}, Fall{acht.left(307), false, 5}}) {
        z.Bild.fill(0x11);
        z.Spaltenzahl = 5;
        EXPECT_EQ(lade_Zuenddatei(z, f.daten), f.geladen) << f.daten.size();
        EXPECT_EQ(z.Spaltenzahl, f.spalten) << f.daten.size();
        const QByteArray bild(reinterpret_cast<const char*>(z.Bild.data()), 580);
        if (!f.geladen)
            EXPECT_EQ(bild, QByteArray(580, 0x11)) << f.daten.size();
        else if (f.spalten == 16)
            EXPECT_EQ(bild, voll);
        else
            EXPECT_EQ(bild.mid(544, 32), acht.mid(272, 32));
    }

    // An 8-column file into a 16-column map object saves 580 bytes, columns 9..16 unset;
    // a 16-column file into an 8-column one saves 308 bytes, its first eight columns.
    z.Spalten_16 = true;
    ASSERT_TRUE(lade_Zuenddatei(z, acht));
    QByteArray aus = Zuenddatei_Inhalt(z);
    ASSERT_EQ(aus.size(), 580);
    EXPECT_EQ(aus.mid(8, 8), QByteArray(8, static_cast<char>(-128)));
    EXPECT_EQ(aus.left(8), acht.left(8));
    z.Spalten_16 = false;
    ASSERT_TRUE(lade_Zuenddatei(z, voll));
    aus = Zuenddatei_Inhalt(z);
    ASSERT_EQ(aus.size(), 308);
    EXPECT_EQ(aus.left(8), voll.left(8));
    EXPECT_EQ(aus.mid(8, 8), voll.mid(16, 8));
    EXPECT_EQ(aus.mid(272, 32), voll.mid(544, 32));
}
