#include "model/UFehlerspeicher.h"

#include "base/Uglobal.h"
#include "model/UFehlerdefinitionen.h"
#include "support/Fixtures.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

TEST(Fehlerspeicher, Eintrag) {
    const struct {
        std::array<uint8_t, 12> antwort;
        cl_Fehler erwartet;
    } faelle[] = {
        {{0x10, 0x27, 0, 0, 0x40, 0x42, 0x0F, 0, 0xFF, 0xFF, 133, 2},
         {5, 10000, 1000000, 0, 0, -1, true, 2}},
        {{0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0x80, 0x00, 0x80, 5, 1},
         {5, 0xFFFFFFFFu, 0x80000001u, 0, 0, -32768, false, 1}},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0x7F, 0xFF, 254}, {127, 0, 0, 0, 0, 32767, true, 254}},
    };
    for (const auto& f : faelle) {
        const cl_Fehler e = cl_Fehler::aus_Antwort(f.antwort.data());
        EXPECT_EQ(e.Variablen_id, f.erwartet.Variablen_id);
        EXPECT_EQ(e.Zeit, f.erwartet.Zeit);
        EXPECT_EQ(e.Umdrehungen, f.erwartet.Umdrehungen);
        EXPECT_EQ(e.MinMax, f.erwartet.MinMax);
        EXPECT_EQ(e.erschienen, f.erwartet.erschienen);
        EXPECT_EQ(e.Grenznummer, f.erwartet.Grenznummer);
    }
}

// A catalogue with an analogue (3), a bit (5) and a limitless variable (8), and a variable
// (9) that has no definition.
class Fehlerliste : public ::testing::Test {
protected:
    Fehlerliste() {
        daten.texte.Zeilen.resize(460);
        daten.texte.Zeilen[451] = QStringLiteral("on ");
        daten.texte.Zeilen[452] = QStringLiteral("off ");
        installiere_Globaldaten(&daten);
        katalog.Variablen = {{3, 2, QStringLiteral("Oil"), 0.1F, 1},
                             {5, 1, QStringLiteral("Switch"), 1.0F, 0},
                             {8, 0, QStringLiteral("Reset"), 1.0F, 0},
                             {9, 2, QStringLiteral("Spare"), 1.0F, 0}};
        defs.neue_Definition(3);
        defs.aktuelle()->Grenzen.resize(2);
        defs.aktuelle()->Grenzen[0] = {0, 0, 15, 18, 0, 0, 0, 0, 0, 0};
        defs.aktuelle()->Grenzen[1] = {0, 1, 60, 55, 0, 0, 0, 0, 0, 0};
        nummeriere(defs.aktuelle()->Grenzen);
        defs.neue_Definition(5);
        defs.aktuelle()->Grenzen.resize(1);
        nummeriere(defs.aktuelle()->Grenzen);
        defs.neue_Definition(8);
    }
    ~Fehlerliste() override { installiere_Globaldaten(nullptr); }

    // Entries in the order the ECU sends them, the oldest first.
    void empfange(std::initializer_list<cl_Fehler> eintraege) {
        for (const cl_Fehler& e : eintraege)
            liste.neuer_Eintrag(e);
    }
    static cl_Fehler E(uint32_t id, uint32_t zeit, bool erschienen, uint16_t grenze,
                       int32_t minmax = 0) {
        return {id, zeit, zeit * 10, 0, 0, minmax, erschienen, grenze};
    }

    Globaldaten daten;
    cl_Fehler_Katalog katalog;
    cl_Fehler_Definitionen defs{katalog};
    cl_Fehler_Liste liste;
};

TEST_F(Fehlerliste, Paarung) {
    const struct {
        const char* name;
        std::vector<cl_Fehler> empfangen;
        // Time differences of the entries, in the order received.
        std::vector<int32_t> zeitdifferenzen;
    } faelle[] = {
        {"a return without an older appearance", {E(3, 50, false, 1)}, {0}},
        {"two appearances in a row: the return pairs with the nearer one",
         {E(3, 10, true, 1), E(3, 30, true, 1), E(3, 70, false, 1)},
         {0, 0, 40}},
        {"another limit row does not pair, but for a bit variable",
         {E(3, 10, true, 1), E(3, 20, false, 2), E(5, 30, true, 1), E(5, 45, false, 2)},
         {0, 0, 0, 15}},
        {"only the nearest later entry counts",
         {E(3, 10, true, 1), E(3, 20, false, 1), E(3, 40, false, 1)},
         {0, 10, 0}},
        {"an id without a definition pairs with nothing",
         {E(9, 10, true, 1), E(9, 30, false, 1)},
         {0, 0}},
        {"an appearance after a return starts afresh",
         {E(5, 10, true, 1), E(5, 12, false, 1), E(5, 20, true, 1), E(5, 27, false, 1)},
         {0, 2, 0, 7}},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        liste.alle_freigeben();
        for (const cl_Fehler& e : f.empfangen)
            liste.neuer_Eintrag(e);
        liste.berechne_Differenzen(defs);
        std::vector<int32_t> zeit, umdrehungen;
        for (auto it = liste.Eintraege.rbegin(); it != liste.Eintraege.rend(); ++it) {
            zeit.push_back(it->Zeitdifferenz);
            umdrehungen.push_back(it->Umdrehungsdifferenz / 10);
        }
        EXPECT_EQ(zeit, f.zeitdifferenzen);
        EXPECT_EQ(umdrehungen, f.zeitdifferenzen);
    }
}

TEST_F(Fehlerliste, Tabelle) {
    empfange({E(3, 100, true, 1, 14), E(3, 150, false, 1, 12), E(5, 300, true, 1),
              E(5, 364, false, 1), E(3, 400, true, 2, 70), E(8, 500, true, 1), E(42, 600, false, 1),
              E(9, 700, true, 1)});
    liste.berechne_Differenzen(defs);
    Fehlertabelle t;
    t.fuelle_Auswahl(defs);
    t.waehle_alle();
    using Z = Fehlertabelle::Zeile;
    // Right-aligned in a field, as the columns are.
    const auto R = [](const char* text, int breite) {
        return QString(breite - static_cast<int>(strlen(text)), u' ') + QLatin1String(text);
    };
    const auto N = [&](const char* name) { return R(name, 25); };
    const auto T = [&](const char* zeit) { return R(zeit, 12); };
    const auto W = [&](const char* wert) { return R(wert, 10); };
    const std::vector<Z> erwartet = {
        {"   9", N("Spare"), "", T("0:01:10,0"), "", "7000", "", ""},
        {"   8", N("42"), "", T("0:01:00,0"), "", "6000", "", ""},
        {"   7", N("Reset"), W("0"), T("0:00:50,0"), "", "5000", "", ""},
        {"   6", N("Oil"), ">= " + W("6.0"), T("0:00:40,0"), "", "4000", "", ""},
        {"   5", N("Switch"), "off " + W("0"), T("0:00:36,4"), "0:00:06,4", "3640", "640", ""},
        {"   4", N("Switch"), "on " + W("0"), T("0:00:30,0"), "", "3000", "", ""},
        {"   3", N("Oil"), " >  " + W("1.8"), T("0:00:15,0"), "0:00:05,0", "1500", "500", W("1.2")},
        {"   2", N("Oil"), "<= " + W("1.5"), T("0:00:10,0"), "", "1000", "", ""},
    };
    const auto zeilen = t.Zeilen(liste, defs);
    ASSERT_EQ(zeilen.size(), erwartet.size());
    for (size_t r = 0; r < zeilen.size(); ++r)
        for (int s = 0; s < Fehlertabelle::Spalten; ++s)
            EXPECT_EQ(zeilen[r][s], erwartet[r][s]) << "row " << r << " column " << s;

    // Column 0 counts on whatever the filter hides; entries whose id no item carries show
    // only while the filter hides nothing.
    t.Auswahl[0].gewaehlt = false;
    const auto ohne_Oel = t.Zeilen(liste, defs);
    std::vector<QString> nummern, namen;
    for (const Z& z : ohne_Oel) {
        nummern.push_back(z[0]);
        namen.push_back(z[1].trimmed());
    }
    EXPECT_EQ(nummern, (std::vector<QString>{"   9", "   8", "   7"}));
    EXPECT_EQ(namen, (std::vector<QString>{"Reset", "Switch", "Switch"}));

    for (auto& e : t.Auswahl)
        e.gewaehlt = false;
    const auto nichts = t.Zeilen(liste, defs);
    ASSERT_EQ(nichts.size(), 1u);
    EXPECT_EQ(nichts[0], Z{});

    // No filter items at all hide nothing.
    t.Auswahl.clear();
    EXPECT_EQ(t.Zeilen(liste, defs).size(), 8u);
    liste.alle_freigeben();
    EXPECT_EQ(t.Zeilen(liste, defs), std::vector<Z>(1));
}

TEST_F(Fehlerliste, DreiEintraegeZaehlenAbVier) {
    empfange({E(3, 1, true, 1), E(3, 2, false, 1), E(5, 3, true, 1)});
    Fehlertabelle t;
    t.fuelle_Auswahl(defs);
    t.waehle_alle();
    const auto z = t.Zeilen(liste, defs);
    ASSERT_EQ(z.size(), 3u);
    EXPECT_EQ(z[0][0], QStringLiteral("   4"));
    EXPECT_EQ(z[2][0], QStringLiteral("   2"));
}

} // namespace
