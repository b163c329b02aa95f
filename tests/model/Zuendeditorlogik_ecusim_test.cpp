// The ignition editor's logic against the simulated ECU: maps read in 8 and 16 columns, an
// entered angle written and read back, and the password before every change.

#include "model/Anfragenumgebung.h"
#include "model/UZuendeditorlogik.h"

#include <gtest/gtest.h>

namespace {

ecusim::Identitaetsdaten Version(int version) {
    ecusim::Identitaetsdaten id;
    id.Version = static_cast<uint16_t>(version);
    id.ECU_Typ = 1;
    return id;
}

// A map with four load and three speed points and two entered angles in the first row, in
// the form the ECU keeps: 580 bytes for 16 columns, 308 for 8.
QByteArray Karte(int spalten) {
    const int n = spalten;
    QByteArray b(n == 16 ? 580 : 308, '\0');
    for (int i = 0; i < 16 * n; ++i)
        b[i] = static_cast<char>(-128);
    b[0] = 10;
    b[3] = 30;
    const auto wort = [&b](int stelle, int w) {
        b[stelle] = static_cast<char>(w & 0xFF);
        b[stelle + 1] = static_cast<char>((w >> 8) & 0xFF);
    };
    const int x = 32 * n; // after entered and evaluated angles
    const int y = x + 2 * n;
    const int xs[] = {0, 10, 20, 40};
    for (int i = 0; i < n; ++i)
        wort(x + 2 * i, i < 4 ? xs[i] : -128);
    for (int i = 0; i < 16; ++i)
        wort(y + 2 * i, i < 3 ? 1000 * (i + 1) : -128);
    return b;
}

struct Umgebung : Anfragenumgebung {
    explicit Umgebung(int version) : Anfragenumgebung(Version(version)) {}
    Zuendumgebung zu() {
        return {k.link(),
                k.version(),
                k.kontext->kommunikation(),
                k.kontext->parameter(),
                k.kontext->passwort_OK(),
                k.kontext->meldungen(),
                nullptr,
                nullptr,
                nullptr};
    }
};

} // namespace

TEST(Zuendeditor_ecusim, AnEnteredAngleIsWrittenAndReadBackInEightAndSixteenColumns) {
    struct Fall {
        int version;
        int spalten;
        Zuendvariante variante;
    };
    for (const Fall& f :
         {Fall{660, 16, Zuendvariante::Zuendung()}, Fall{640, 8, Zuendvariante::Zuendung()},
          Fall{660, 16, Zuendvariante::Korrektur()}}) {
        Umgebung u(f.version);
        u.k.kontext->passwort_OK().setze_akzeptiert(1);
        u.bereich.setze_Zuendkennfeld(f.variante.Karte, Karte(f.spalten));
        Zuendeditorlogik l(u.zu(), f.variante);
        l.Karte.lesen(true);
        ASSERT_TRUE(u.warte_still()) << f.version;
        EXPECT_EQ(l.Karte.Spaltenzahl, f.spalten) << f.version;
        l.Tabelle.auswerten();
        EXPECT_EQ(l.Tabelle.Text({1, 1}), "10");
        EXPECT_EQ(l.Tabelle.Text({1, 3}), "20"); // interpolated between 10 and 30
        EXPECT_EQ(l.Tabelle.Text({2, 4}), "20"); // between 30 above and the last row, 10
        EXPECT_EQ(l.Tabelle.Text({3, 1}), "10");
        EXPECT_EQ(l.Tabelle.Text({4, 1}), "");

        l.Tabelle.uebernehme({1, 3}, "25");
        ASSERT_TRUE(l.nach_Quorvel());
        ASSERT_TRUE(u.warte_still()) << f.version;
        EXPECT_EQ(u.bereich.geschriebenes_Zuendkennfeld(f.variante.Karte).size(),
                  f.spalten == 16 ? 580 : 308);

        // Forget the image and read it back.
        l.Karte.Bild.fill(0);
        l.Karte.lesen(true);
        ASSERT_TRUE(u.warte_still()) << f.version;
        l.Tabelle.auswerten();
        EXPECT_EQ(l.Tabelle.Text({1, 3}), "25") << f.version;
        EXPECT_TRUE(l.Tabelle.ist_gesetzt({1, 3})) << f.version;
        EXPECT_EQ(l.Tabelle.Text({1, 2}), "17") << f.version;
    }
}

TEST(Zuendeditor_ecusim, WithoutThePasswordAChangeIsRefusedWithItsTextAndNothingIsSent) {
    Umgebung u(660);
    u.bereich.setze_Zuendkennfeld(1, Karte(16));
    Zuendeditorlogik l(u.zu(), Zuendvariante::Zuendung());
    u.k.kontext->passwort_OK().setze_akzeptiert(1);
    l.Karte.lesen(true);
    ASSERT_TRUE(u.warte_still());
    l.Tabelle.auswerten();
    u.sim.leere_Protokoll();
    u.k.meldungen.texte.clear();

    u.k.kontext->passwort_OK().setze_akzeptiert(0);
    l.aktuelle_Zelle = {1, 1};
    EXPECT_FALSE(l.aendere_Zuendwinkel(+1, true));
    EXPECT_FALSE(l.nach_Quorvel());
    EXPECT_EQ(u.k.meldungen.texte, (QStringList{hole_Text(345), hole_Text(345)}));
    EXPECT_EQ(l.Tabelle.Text({1, 1}), "10");
    EXPECT_FALSE(l.Tabelle.ist_gesetzt({1, 2}));
    ASSERT_TRUE(u.warte_still());
    EXPECT_TRUE(u.Folge().empty());

    // With it, Q raises the angle and writes the map once.
    u.k.kontext->passwort_OK().setze_akzeptiert(1);
    EXPECT_TRUE(l.aendere_Zuendwinkel(+1, true));
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.sim.Blockschreibvorgaenge(9), 1);
    EXPECT_EQ(static_cast<int8_t>(u.bereich.geschriebenes_Zuendkennfeld(1)[0]), 11);
}
