// The ignition editor's logic without an ECU: the live cursor by the load axis, the help
// lines and the buttons by mode.

#include "link/LinkFixture.h"
#include "model/UPasswort.h"
#include "model/UStatusdaten.h"
#include "model/UZuendeditorlogik.h"

#include <gtest/gtest.h>

namespace {

void Achsen(Zuendeditorlogik& l, std::vector<int> x, std::vector<int> y) {
    l.Karte.Spaltenzahl = 16;
    l.Karte.Bild.fill(0x80);
    for (int i = 0; i < 16; ++i) {
        l.Tabelle.setze_X(i, i < static_cast<int>(x.size()) ? x[static_cast<size_t>(i)] : -128);
        l.Tabelle.setze_Y(i, i < static_cast<int>(y.size()) ? y[static_cast<size_t>(i)] : -128);
    }
    l.Tabelle.auswerten();
}

} // namespace

TEST(Zuendeditorlogik, TheCursorTakesItsLoadByTheAxis) {
    LinkKontext k(false);
    cl_akt_Daten_A haupt(k.link());
    cl_akt_Daten_A a(k.link());
    Zuendumgebung u{k.link(),
                    k.version(),
                    k.kontext->kommunikation(),
                    k.kontext->parameter(),
                    k.kontext->passwort_OK(),
                    k.kontext->meldungen(),
                    nullptr,
                    &haupt,
                    &a};
    Zuendeditorlogik l(u, Zuendvariante::Zuendung());
    haupt.Daten.assign(98, 0);
    a.Daten.assign(98, 0);
    haupt.setze_u16(10, 2500); // midway between 2000 and 3000: the lower
    haupt.setze_u16(72, 75);   // midway between 50 and 100
    haupt.setze_u16(80, 20);
    a.setze_u16(66, 101);

    Achsen(l, {0, 50, 100}, {1000, 2000, 3000});
    EXPECT_EQ(l.berechne_Cursor(true), (Zuendzelle{2, 2}));
    EXPECT_EQ(l.berechne_Cursor(false), (Zuendzelle{2, 2}));
    // Air pressure: record A's word when online mode starts, the main record's byte 80 at
    // each answer while parameter 54 is not set.
    Achsen(l, {20, 60, 101}, {1000, 2000, 3000});
    EXPECT_EQ(l.berechne_Cursor(true), (Zuendzelle{2, 3}));
    EXPECT_EQ(l.berechne_Cursor(false), (Zuendzelle{2, 1}));

    EXPECT_FALSE(l.update_Position()); // offline: nothing
    l.setze_Online_aktiv(true);
    EXPECT_EQ(l.Cursor, (Zuendzelle{2, 3}));
    EXPECT_TRUE(l.update_Position());
    EXPECT_EQ(l.Cursor, (Zuendzelle{2, 1}));
    EXPECT_FALSE(l.update_Position());
}

TEST(Zuendeditorlogik, HelpLinesAndButtonsByMode) {
    LinkKontext k(false);
    Zuendumgebung u{k.link(),
                    k.version(),
                    k.kontext->kommunikation(),
                    k.kontext->parameter(),
                    k.kontext->passwort_OK(),
                    k.kontext->meldungen()};
    Zuendeditorlogik l(u, Zuendvariante::Korrektur());
    using H = Zuendeditorlogik::Hilfe;
    using K = Zuendeditorlogik::Knoepfe;
    struct Fall {
        bool online, folgen, eingabe;
        H hilfe;
        K knoepfe; // not connected
    };
    for (const Fall& f : {Fall{false, false, false, {282, 0}, {false, false, true}},
                          Fall{false, false, true, {282, 0}, {false, false, false}},
                          Fall{true, false, false, {501, 502}, {false, true, false}},
                          Fall{true, true, false, {0, 503}, {false, true, false}}}) {
        l.Online = f.online;
        l.staendig_positionieren = f.folgen;
        l.Eingabe_aktiv = f.eingabe;
        EXPECT_EQ(l.Hilfetexte(), f.hilfe) << f.online << f.folgen << f.eingabe;
        EXPECT_EQ(l.Knopfzustand(), f.knoepfe) << f.online << f.folgen << f.eingabe;
    }
}
