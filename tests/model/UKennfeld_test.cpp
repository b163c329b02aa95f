// The map model: ranges, grid steps, lookups and conversions as case tables, the keys and
// panels' arithmetic, the change telegram and the line protocol against a hand-driven ECU,
// map files and CSV.

#include "base/Dateiversion.h"
#include "link/LinkFixture.h"
#include "link/UKommunikation.h"
#include "model/Drucker.h"
#include "model/UBefehle.h"
#include "model/UKennfeld.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UZuendkennfeld.h"
#include "support/Pdfauswahl.h"

#include <QFile>
#include <QPageLayout>
#include <QPdfWriter>
#include <QProcess>
#include <gtest/gtest.h>
#include <numeric>
#include <optional>

namespace {

// A window that remembers what the model asked of it.
class Testansicht : public Kennfeld_Ansicht {
public:
    bool ist_sichtbar() const override { return sichtbar; }
    void zeichne_Kennfeld() override { rufe.push_back("voll"); }
    void zeichne_Grafik() override { rufe.push_back("Grafik"); }
    void zeichne_Zeile(int x) override { rufe.push_back("Zeile " + std::to_string(x)); }
    void zeichne_Cursor() override { rufe.push_back("Cursor"); }
    void zeichne_Arbeitspunkt() override { rufe.push_back("Arbeitspunkt"); }
    void zeige_Cursorwerte() override {}
    void zeige_Arbeitspunktwerte(const QString& x, const QString& y, const QString& w,
                                 const QString&, const QString&, const QString&) override {
        labels = {x, y, w};
    }
    void zeige_Beschriftung() override {}
    void zeige_Hinweise() override {}
    void zeige_Bedienelemente() override {}
    void Fokus_abgeben() override {}
    bool Eingaben_sichtbar() const override { return eingaben; }
    void schliesse_Parameter_Panel() override {}
    void ordne_an() override {}
    void drucke(QPainter&, int b, int h, int l, int r, int o, int u) override {
        gedruckt.push_back({b, h, l, r, o, u});
        if (beim_Drucken)
            beim_Drucken();
    }

    bool sichtbar = true;
    std::vector<std::array<int, 6>> gedruckt;
    std::function<void()> beim_Drucken;
    bool eingaben = false;
    std::vector<std::string> rufe;
    QStringList labels;
};

Kennfeld_Beschreibung Karte(int nr = 5) {
    Kennfeld_Beschreibung b;
    b.Kennfeld_Nr = nr;
    b.X_min = 0;
    b.X_max = 256;
    b.Y_min = 0;
    b.Y_max = 256;
    b.Roh_min = 0;
    b.Roh_max = 1000;
    b.Z_min = 0;
    b.Z_max = 100;
    b.Schrittzeile = 1;
    b.Schrittziffer = '4';
    b.Kennung = QStringLiteral("K5");
    b.Titel = QStringLiteral("Fuel map");
    return b;
}

Kennfeld_Beschreibung Kurve(int nr = 3) {
    Kennfeld_Beschreibung b = Karte(nr);
    b.ist_Kurve = true;
    b.Kennung = QStringLiteral("C3");
    b.Titel = QStringLiteral("Curve");
    return b;
}

Kennfeld_Beschreibung LogY() {
    Kennfeld_Beschreibung b = Karte(22);
    b.log_Y = true;
    b.Y_max = 100;
    b.Z_max = 1000;
    b.Roh_max = 1000;
    return b;
}

// Raw equals display, over the full 16-bit range.
Kennfeld_Beschreibung Roh_gleich_Anzeige(Kennfeld_Beschreibung b) {
    b.Roh_min = b.Z_min = -32768;
    b.Roh_max = b.Z_max = 32767;
    return b;
}

class Kennfeldtest : public ::testing::Test {
protected:
    // Nothing but the maps' own requests talks to the hand-driven ECU.
    Kennfeldtest() { k.link().alle_stoppen(); }

    Kennfeld_Umgebung umgebung() {
        Kennfeld_Umgebung u{k.link(), k.kontext->kommunikation(), k.version(),
                            k.kontext->parameter(), k.kontext->meldungen()};
        u.dateiversion = &k.kontext->dateiversion();
        u.Dezimaltrennzeichen = [this] { return dezimal; };
        return u;
    }
    std::unique_ptr<cl_Kennfeld> neu(const Kennfeld_Beschreibung& b) {
        auto f = std::make_unique<cl_Kennfeld>(umgebung(), b);
        f->setze_Ansicht(&ansicht);
        return f;
    }

    // Ticks and lets antwort answer every frame the ECU receives (nullopt: silence); the
    // frames as (command, data).
    using Antwort = std::function<std::optional<QByteArray>(int befehl, const QByteArray& d)>;
    std::vector<std::pair<int, QByteArray>> bediene(const Antwort& antwort, int ticks = 200,
                                                    int* tick = nullptr) {
        std::vector<std::pair<int, QByteArray>> alle;
        for (int i = 0; i < ticks; ++i) {
            k.ticke();
            if (tick)
                *tick = k.link().Tick();
            for (const QByteArray& f : k.ecu->Frames()) {
                const int befehl = static_cast<uint8_t>(f[1]);
                const QByteArray d = f.mid(2, f.size() - 3);
                alle.emplace_back(befehl, d);
                if (auto a = antwort(befehl, d))
                    k.ecu->antworte(static_cast<uint8_t>(befehl), *a);
            }
        }
        return alle;
    }

    LinkKontext k;
    Testansicht ansicht;
    QChar dezimal = '.';
};

QByteArray Zeilenantwort(const std::array<int16_t, 17>& roh) {
    QByteArray a(2, '\0');
    for (int16_t r : roh) {
        a.append(static_cast<char>(r & 0xFF));
        a.append(static_cast<char>((r >> 8) & 0xFF));
    }
    return a;
}

// --- arithmetic ---------------------------------------------------------------------------

TEST(Kennfeld_Raster, Rasterschritt_nach_Bereich) {
    const std::pair<int32_t, int32_t> faelle[] = {
        {90, 10},       {8000, 1000},
        {20, 5},        {15, 2},
        {0, 1},         {50, 5},
        {51, 10},       {500, 50},
        {501, 100},     {4999, 500},
        {5000, 1000},   {-90, 10},
        {100000, 5000}, {std::numeric_limits<int32_t>::min(), 5000}};
    for (auto [bereich, schritt] : faelle)
        EXPECT_EQ(cl_Kennfeld_Grafik::berechne_Rasterschritt(bereich), schritt) << bereich;
}

// The range-only forms the map windows' drawing uses.
TEST(Kennfeld_Raster, Position_und_log_Position_aus_Bereichen) {
    EXPECT_EQ(cl_Kennfeld_Grafik::Position_zu_Wert(0, -20, 70), -20);
    EXPECT_EQ(cl_Kennfeld_Grafik::Position_zu_Wert(256, -20, 70), 70);
    EXPECT_EQ(cl_Kennfeld_Grafik::Position_zu_Wert(128, 0, 90), 45);
    EXPECT_EQ(cl_Kennfeld_Grafik::Position_zu_Wert(16, 0, 90), 6); // (1440 + 128) div 256
    EXPECT_EQ(cl_Kennfeld_Grafik::log_Position(1, 100, 1000), 0);
    EXPECT_EQ(cl_Kennfeld_Grafik::log_Position(-5, 100, 1000), 0);
    EXPECT_EQ(cl_Kennfeld_Grafik::log_Position(1000, 100, 1000), 100);
    EXPECT_EQ(cl_Kennfeld_Grafik::log_Position(10, 100, 1000), 33);
    EXPECT_EQ(cl_Kennfeld_Grafik::log_Position(500, 100, 1), 0); // no log scale
}

TEST_F(Kennfeldtest, Konstruktor_hebt_Maxima_ueber_die_Minima) {
    Kennfeld_Beschreibung b = Karte();
    b.X_min = 50;
    b.X_max = 50;
    b.Y_min = 10;
    b.Y_max = -5;
    b.Z_min = 7;
    b.Z_max = 7;
    const auto f = neu(b);
    EXPECT_EQ(f->X_max, 51);
    EXPECT_EQ(f->Y_max, 11);
    EXPECT_EQ(f->Z_max, 8);
    EXPECT_FALSE(f->Werte_vorhanden);
    EXPECT_EQ(f->Stuetzstellen_X[16], 256);
    EXPECT_EQ(f->Schritt, 10); // row 1, digit 4
}

TEST_F(Kennfeldtest, Positionen_und_log_Position) {
    Kennfeld_Beschreibung b = Karte();
    b.X_min = 0;
    b.X_max = 90;
    b.Y_min = -100;
    b.Y_max = 300;
    const auto f = neu(b);
    EXPECT_EQ(f->Position_zu_X(0), 0);
    EXPECT_EQ(f->Position_zu_X(128), 45);
    EXPECT_EQ(f->Position_zu_X(256), 90);
    EXPECT_EQ(f->Position_zu_X(16), 6); // (90*16 + 128) div 256 = 6.125
    EXPECT_EQ(f->Position_zu_Y(0), -100);
    EXPECT_EQ(f->Position_zu_Y(256), 300);
    // Truncating towards zero, not down: (400*1 + 128) div 256 = 2.06 -> 2, then -98.
    EXPECT_EQ(f->Position_zu_Y(1), -98);

    const auto l = neu(LogY()); // Y_max 100, Z_max 1000
    for (int v : {-5, 0, 1})
        EXPECT_EQ(l->log_Position(v), 0) << v;
    EXPECT_EQ(l->log_Position(1000), 100);
    EXPECT_EQ(l->log_Position(10), 33);  // 100 * ln 10 / ln 1000 = 33.3
    EXPECT_EQ(l->log_Position(100), 67); // 66.7
    EXPECT_EQ(l->Wert_an_Punkt(0, 100), 999);
    EXPECT_EQ(l->Wert_an_Punkt(0, 0), 0);
    EXPECT_EQ(l->Wert_an_Punkt(0, 50), 31); // 1000 * exp(-ln(1000)/2) - 1 = 30.6
}

TEST_F(Kennfeldtest, Wert_an_Punkt_erst_Y_dann_X_abschneidend) {
    const auto f = neu(Karte()); // positions equal display values
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < 17; ++y)
            f->setze_Wert(x, y, -100 * x + y);
    struct Fall {
        int x, y, wert;
    };
    const Fall faelle[] = {
        {0, 0, 0},       {256, 256, -1584}, // the last grid line takes the edge values
        {5, 0, -31},                        // -500/16 = -31.25, truncated towards zero
        {255, 0, -1593}, {-40, 300, 16},    // outside: the edge rows
        {8, 8, -50},
    };
    for (const Fall& c : faelle)
        EXPECT_EQ(f->Wert_an_Punkt(c.x, c.y), c.wert) << c.x << "," << c.y;
    // Where the order of the two steps shows: Y first gives 4, X first would give 5.
    f->setze_Wert(0, 0, 0);
    f->setze_Wert(1, 0, 10);
    f->setze_Wert(0, 1, 5);
    f->setze_Wert(1, 1, 3);
    EXPECT_EQ(f->Wert_an_Punkt(8, 8), 4);

    const auto k2 = neu(Kurve());
    for (int i = 0; i < 17; ++i)
        k2->setze_Kurvenwert(i, 10 * i);
    EXPECT_EQ(k2->Wert_an_Punkt(24, 99), 15);
    EXPECT_EQ(k2->Wert_an_Punkt(256, 0), 160);
    EXPECT_EQ(k2->Wert_an_Punkt(1000, 0), 160);
}

TEST_F(Kennfeldtest, Werte_erscheinen_erst_mit_der_letzten_Zeile) {
    const auto f = neu(Karte());
    for (int x = 0; x < 16; ++x)
        f->setze_Wert(x, 3, 1);
    f->setze_Wert(17, 0, 1);
    f->setze_Wert(-1, 0, 1);
    EXPECT_FALSE(f->Werte_vorhanden);
    EXPECT_EQ(f->Wert(17, 0), 0);
    EXPECT_EQ(f->Kurvenwert(40), f->Wert(16, 0));
    f->setze_Wert(16, 0, 1);
    EXPECT_TRUE(f->Werte_vorhanden);
}

TEST_F(Kennfeldtest, Umrechnungen_mit_Rundung) {
    struct Fall {
        int roh_min, roh_max, z_min, z_max;
        int rundung;
        std::vector<std::pair<int, int>> roh_zu_anzeige, anzeige_zu_roh;
    };
    const Fall faelle[] = {
        {0, 12500, 0, 10000, 0, {{1, 0}, {12500, 10000}}, {{1, 1}, {10000, 12500}}},
        {0, 1000, 0, 100, 5, {{15, 1}, {19, 1}, {5, 0}, {95, 9}, {-15, -1}}, {{1, 10}}},
        {100, 300, -50, 50, 1, {{100, -50}, {300, 50}, {201, 0}}, {{0, 200}, {-50, 100}}},
    };
    for (const Fall& c : faelle) {
        Kennfeld_Beschreibung b = Karte();
        b.Roh_min = c.roh_min;
        b.Roh_max = c.roh_max;
        b.Z_min = c.z_min;
        b.Z_max = c.z_max;
        const auto f = neu(b);
        EXPECT_EQ(f->Rundung, c.rundung);
        for (auto [r, a] : c.roh_zu_anzeige)
            EXPECT_EQ(f->Roh_zu_Anzeige(r), a) << c.roh_max << ": raw " << r;
        for (auto [a, r] : c.anzeige_zu_roh)
            EXPECT_EQ(f->Anzeige_zu_Roh(a), r) << c.roh_max << ": value " << a;
    }
    const auto f = neu(Karte());
    f->setze_Roh_max(5);
    EXPECT_EQ(f->Roh_max, 10);
    f->setze_Roh_max(50);
    f->setze_Roh_min(100);
    EXPECT_EQ(f->Roh_max, 110);
    f->setze_Roh_max(105);
    EXPECT_EQ(f->Roh_max, 110);
    f->setze_Bedingung(QStringLiteral(" a = 1 , b "));
    EXPECT_EQ(f->Bedingung, QStringLiteral("a=1,b"));
}

// --- keys and cursor -----------------------------------------------------------------------

TEST_F(Kennfeldtest, Schrittwahl_Hauptziffern_und_Ziffernblock) {
    const auto f = neu(Karte());
    struct Fall {
        int zeile;
        Tastendruck taste;
        int schritt; // -1: unchanged
    };
    const Fall faelle[] = {
        {1, {Kennfeldtaste::Ziffer, 5}, 20},       {1, {Kennfeldtaste::Ziffer, 9}, 20},
        {0, {Kennfeldtaste::Ziffer, 8}, 2000},     {0, {Kennfeldtaste::Ziffer, 9}, 2000},
        {4, {Kennfeldtaste::Ziffer, 9}, 500},      {2, {Kennfeldtaste::Blockziffer, 0}, 1},
        {2, {Kennfeldtaste::Blockziffer, 6}, 100}, {3, {Kennfeldtaste::Blockziffer, 7}, 200},
        {3, {Kennfeldtaste::Blockziffer, 9}, -1},  {4, {Kennfeldtaste::Ziffer, 3, true}, -1},
    };
    for (const Fall& c : faelle) {
        f->Schrittzeile = c.zeile;
        f->Schritt = 7;
        f->FormKeyDown(c.taste);
        EXPECT_EQ(f->Schritt, c.schritt < 0 ? 7 : c.schritt)
            << "row " << c.zeile << " digit " << c.taste.Ziffer;
    }
    // While a panel's edits show, digits go to the edits.
    ansicht.eingaben = true;
    EXPECT_FALSE(f->FormKeyDown({Kennfeldtaste::Ziffer, 1}));
    EXPECT_FALSE(f->FormKeyDown({Kennfeldtaste::Rechts}));
    EXPECT_EQ(f->Schritt, 7);
    EXPECT_EQ(f->Cursor_X, 0);
}

TEST_F(Kennfeldtest, Cursor_bleibt_im_Feld) {
    struct Fall {
        Kennfeld_Beschreibung b;
        std::vector<Kennfeldtaste> tasten;
        int x, y;
    };
    using T = Kennfeldtaste;
    const Fall faelle[] = {
        {Kurve(), {T::Hoch, T::Hoch, T::Rechts}, 1, 0},
        {LogY(), {T::Hoch, T::Hoch, T::Hoch}, 0, 1},
        {Karte(), {T::Runter, T::Links}, 0, 0},
        {Karte(), std::vector<T>(20, T::Hoch), 0, 16},
    };
    for (const Fall& c : faelle) {
        const auto f = neu(c.b);
        for (T t : c.tasten)
            EXPECT_TRUE(f->FormKeyDown({t}));
        EXPECT_EQ(f->Cursor_X, c.x);
        EXPECT_EQ(f->Cursor_Y, c.y);
    }
}

TEST_F(Kennfeldtest, F3_und_Nachfuehren_holen_den_Cursor_zum_Arbeitspunkt) {
    const auto f = neu(Karte());
    f->setze_Arbeitspunkt(100, 250, {}, {}, {});
    EXPECT_TRUE(f->FormKeyDown({Kennfeldtaste::F3}));
    EXPECT_EQ(f->Cursor_X, 6); // (100 + 8) div 16
    EXPECT_EQ(f->Cursor_Y, 16);

    // The follow mode moves to the point held so far, before the new one is taken.
    f->FormKeyDown({Kennfeldtaste::F5});
    EXPECT_TRUE(f->nachfuehren);
    f->setze_Arbeitspunkt(40, 8, {}, {}, {});
    EXPECT_EQ(f->Cursor_X, 6);
    f->setze_Arbeitspunkt(0, 0, {}, {}, {});
    EXPECT_EQ(f->Cursor_X, 3);
    EXPECT_EQ(f->Cursor_Y, 1);

    // A log-Y map keeps the row within 0 and 1.
    const auto l = neu(LogY());
    l->Arbeitspunkt_Y = 90;
    l->Cursor_zum_Arbeitspunkt();
    EXPECT_EQ(l->Cursor_Y, 1);
}

TEST_F(Kennfeldtest, Arbeitspunkt_geklemmt_Labels_ungeklemmt) {
    const auto f = neu(Karte());
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < 17; ++y)
            f->setze_Wert(x, y, x + y);
    ansicht.rufe.clear();
    f->setze_Arbeitspunkt(400, -20, {}, {}, {});
    EXPECT_EQ(f->Arbeitspunkt_X, 256);
    EXPECT_EQ(f->Arbeitspunkt_Y, 0);
    EXPECT_EQ(f->Arbeitspunkt_Wert, 16);
    EXPECT_EQ(ansicht.labels, (QStringList{"400", "-20", "16"}));
    // The markers are removed and drawn again, nothing else.
    EXPECT_EQ(ansicht.rufe, (std::vector<std::string>{"Arbeitspunkt", "Arbeitspunkt"}));
}

// --- '+' and '-' offline, and the panels -----------------------------------------------------

TEST_F(Kennfeldtest, Plus_offline_aendert_einen_Wert_und_zeichnet_nur_seine_Linie) {
    const auto f = neu(Karte());
    f->bewege_Cursor(3, 2);
    ansicht.rufe.clear();
    f->FormKeyDown({Kennfeldtaste::Plus});
    EXPECT_EQ(f->Wert(3, 2), 10);
    EXPECT_EQ(ansicht.rufe, (std::vector<std::string>{"Cursor", "Zeile 3", "Cursor"}));
    f->FormKeyDown({Kennfeldtaste::Minus});
    f->FormKeyDown({Kennfeldtaste::Minus});
    EXPECT_EQ(f->Wert(3, 2), -10); // not limited to the value range
    int summe = 0;
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < 17; ++y)
            summe += f->Wert(x, y);
    EXPECT_EQ(summe, -10);
}

TEST_F(Kennfeldtest, Aenderungen_saettigen_am_16_Bit_Rohbereich) {
    // 256 raw per percent: 128 % would be raw 32768, which the files and telegrams cannot carry.
    Kennfeld_Beschreibung b = Karte(14);
    b.Roh_max = 25600;
    const auto f = neu(b);
    f->setze_Wert(0, 0, 120);
    f->FormKeyDown({Kennfeldtaste::Plus}); // step 10
    EXPECT_EQ(f->Wert(0, 0), 127);
    EXPECT_EQ(f->Anzeige_zu_Roh(127), 32512);
    f->setze_Wert(0, 0, -120);
    f->FormKeyDown({Kennfeldtaste::Minus});
    EXPECT_EQ(f->Wert(0, 0), -128);

    // The change panel too, in percent and as an offset.
    f->setze_Wert(1, 0, 100);
    f->uebernehme_Aenderung({"50", "50", "50", "50"}, true);
    EXPECT_EQ(f->Wert(1, 0), 127);
    f->uebernehme_Aenderung({"-1000", "-1000", "-1000", "-1000"}, false);
    EXPECT_EQ(f->Wert(1, 0), -128);

    // A data-item map's words are display values.
    Kennfeld_Beschreibung d = Roh_gleich_Anzeige(Karte(300));
    d.neues_Protokoll = true;
    const auto g = neu(d);
    g->Schritt = 500;
    g->setze_Wert(0, 0, 32700);
    g->aendere_Wert(false);
    EXPECT_EQ(g->Wert(0, 0), 32767);
}

TEST_F(Kennfeldtest, Aenderungspanel_Prozent_und_Versatz) {
    const auto f = neu(Karte());
    f->setze_Wert(0, 0, 5);
    f->setze_Wert(16, 16, 15);
    f->setze_Wert(4, 4, 25);
    f->setze_Wert(2, 9, -100);
    f->uebernehme_Aenderung({"10", "10", "10", "10"}, true);
    EXPECT_EQ(f->Wert(0, 0), 6);    // 5.5 -> 6 (halves to even)
    EXPECT_EQ(f->Wert(4, 4), 28);   // 27.5 -> 28
    EXPECT_EQ(f->Wert(16, 16), 16); // 16.5 -> 16
    EXPECT_EQ(f->Wert(2, 9), -110);
    EXPECT_EQ(ansicht.rufe.back(), "voll");

    // A text that is no integer counts as 0: the amount falls to 0 at the (16, 16) corner.
    f->setze_Wert(16, 16, 15);
    f->setze_Wert(2, 9, -100);
    f->uebernehme_Aenderung({"10", "10", "10", "x"}, true);
    EXPECT_EQ(f->Wert(16, 16), 15);
    EXPECT_EQ(f->Wert(2, 9), -109); // L 10, R 4.375: 9.297 %

    f->setze_Wert(0, 0, 6);
    f->uebernehme_Aenderung({"10", "10", "10", "10"}, false);
    EXPECT_EQ(f->Wert(0, 0), 16);
    EXPECT_EQ(f->Wert(7, 3), 10);

    const auto c = neu(Kurve());
    c->uebernehme_Aenderung({"0", "16", "", ""}, false);
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(c->Kurvenwert(i), i);
}

TEST_F(Kennfeldtest, Achsenpanel_offline_baut_die_Werte_aus_den_Ecken) {
    Kennfeld_Beschreibung b = Kurve();
    b.Roh_max = 256;
    b.Z_max = 256;
    const auto c = neu(b);
    c->uebernehme_Achsen({"0", "256", "", ""});
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(c->Kurvenwert(i), 16 * i);
    EXPECT_TRUE(c->Werte_vorhanden);

    const auto f = neu(Roh_gleich_Anzeige(Karte()));
    f->uebernehme_Achsen({"0", "160", "16", "177"});
    EXPECT_EQ(f->Wert(0, 0), 0);
    EXPECT_EQ(f->Wert(16, 0), 160);
    EXPECT_EQ(f->Wert(0, 16), 16);
    EXPECT_EQ(f->Wert(16, 16), 177);
    // y 8: L = 8, R = 168; x 1: 8 + 160/16 = 18; x 3: 8 + 30 = 38
    EXPECT_EQ(f->Wert(1, 8), 18);
    EXPECT_EQ(f->Wert(3, 8), 38);
    // y 1: L = 1, R = 161 (160 + 17/16 truncated); x 8: 1 + 80 = 81
    EXPECT_EQ(f->Wert(8, 1), 81);
    // The values stay within the raw range.
    f->uebernehme_Achsen({"30000", "30000", "-30000", "32767"});
    EXPECT_EQ(f->Wert(16, 16), 32767);
}

// --- the window's state -----------------------------------------------------------------------

TEST_F(Kennfeldtest, ECU_Menue_und_Leerlaufbox) {
    const auto f = neu(Karte(8));
    f->ECU_Menue_aus();
    EXPECT_FALSE(f->Menue_lesen_frei || f->Menue_schreiben_frei || f->Menue_Parameter_frei ||
                 f->COM_freigegeben);
    EXPECT_TRUE(f->Menue_Achsen_frei && f->Menue_Aenderung_frei);
    f->ECU_Menue_ein();
    EXPECT_TRUE(f->Menue_lesen_frei && f->Menue_schreiben_frei && f->Menue_Parameter_frei &&
                f->COM_freigegeben);
    f->FormShow();
    EXPECT_TRUE(f->Leerlauf_sichtbar);
    EXPECT_TRUE(f->COM_aktiv);
    EXPECT_FALSE(neu(Karte(9))->Leerlauf_sichtbar);
}

// --- the line protocol against a hand-driven ECU ----------------------------------------------

TEST_F(Kennfeldtest, Plus_online_sendet_das_Aenderungstelegramm_und_liest_die_Zeile) {
    const auto f = neu(Karte(5));
    f->COM_aktiv = true;
    f->bewege_Cursor(16, 16);
    f->FormKeyDown({Kennfeldtaste::Plus}); // step 10: raw 100
    const auto quittiere = [](int befehl, const QByteArray&) -> std::optional<QByteArray> {
        if (befehl == 91)
            return QByteArray();
        if (befehl == 107)
            return Zeilenantwort({});
        return std::nullopt;
    };
    const auto folge = bediene(quittiere, 5);
    ASSERT_GE(folge.size(), 2u);
    EXPECT_EQ(folge[0].first, 91);
    EXPECT_EQ(folge[0].second, QByteArray::fromHex("05006400ffff"));
    EXPECT_EQ(folge[1].first, 107);
    EXPECT_EQ(folge[1].second, QByteArray::fromHex("05ff00"));
    EXPECT_EQ(f->Wert(16, 16), 0); // only the ECU's answer changes it

    f->stoppe();
    bediene(quittiere, 30);
    const auto l = neu(LogY());
    l->COM_aktiv = true;
    l->bewege_Cursor(0, 1);
    l->Schritt = 5; // raw 5
    l->FormKeyDown({Kennfeldtaste::Minus});
    const auto f2 = bediene(quittiere, 30);
    ASSERT_FALSE(f2.empty());
    EXPECT_EQ(f2[0].first, 91);
    EXPECT_EQ(f2[0].second, QByteArray::fromHex("1500fbff0010"));
}

TEST_F(Kennfeldtest, Lesen_einer_Karte_Zeile_fuer_Zeile_mit_Ereignis_12) {
    const auto f = neu(Karte(5));
    int gelesen = 0;
    InterAction().Create(
        cl_Kennfeld::Klasse, [&](Sender&) { ++gelesen; }, cl_Kennfeld::Kennfeld_gelesen);
    f->lese_von_ECU();
    std::vector<int> positionen;
    bediene([&](int befehl, const QByteArray& d) -> std::optional<QByteArray> {
        if (befehl != 107)
            return std::nullopt;
        positionen.push_back(static_cast<uint8_t>(d[1]));
        const int pos = static_cast<uint8_t>(d[1]);
        const int zeile = pos == 255 ? 16 : pos / 16;
        std::array<int16_t, 17> roh{};
        for (int i = 0; i < 17; ++i)
            roh[static_cast<size_t>(i)] = static_cast<int16_t>(10 * (zeile * 17 + i) + 5);
        return Zeilenantwort(roh);
    });
    std::vector<int> erwartet;
    for (int i = 0; i < 16; ++i)
        erwartet.push_back(16 * i);
    erwartet.push_back(255);
    EXPECT_EQ(positionen, erwartet);
    EXPECT_EQ(gelesen, 1);
    EXPECT_EQ(f->Wert(0, 0), 0);     // raw 5: (100 * 5 + 5) div 1000
    EXPECT_EQ(f->Wert(16, 16), 288); // raw 2885: (288500 + 5) div 1000
    EXPECT_EQ(f->Wert(3, 4), 55);    // raw 555: (55500 + 5) div 1000
    EXPECT_TRUE(f->Werte_vorhanden);
}

TEST_F(Kennfeldtest, Antworten_an_ein_verborgenes_Fenster_aendern_nichts) {
    const auto f = neu(Karte(5));
    ansicht.sichtbar = false;
    f->lese_von_ECU();
    int anfragen = 0;
    bediene([&](int befehl, const QByteArray&) -> std::optional<QByteArray> {
        if (befehl != 107)
            return std::nullopt;
        ++anfragen;
        std::array<int16_t, 17> roh;
        roh.fill(500);
        return Zeilenantwort(roh);
    });
    EXPECT_EQ(anfragen, 1);
    EXPECT_EQ(f->Wert(0, 0), 0);
    EXPECT_FALSE(f->Werte_vorhanden);

    // The backup copy's transfers are taken while hidden.
    f->lese_Kennfeld_Kopie();
    anfragen = 0;
    bediene([&](int befehl, const QByteArray&) -> std::optional<QByteArray> {
        if (befehl != 107)
            return std::nullopt;
        ++anfragen;
        std::array<int16_t, 17> roh;
        roh.fill(500);
        return Zeilenantwort(roh);
    });
    EXPECT_EQ(anfragen, 17);
    EXPECT_EQ(f->Wert(16, 16), 50);
    EXPECT_FALSE(f->Daten->Kopiermodus);
}

TEST_F(Kennfeldtest, Log_Y_Karte_als_zwei_ECU_Kurven) {
    const auto f = neu(LogY());
    for (int i = 0; i < 17; ++i) {
        f->setze_Wert(i, 0, i);
        f->setze_Wert(i, 1, 100 + i);
    }
    int geschrieben = 0;
    InterAction().Create(
        cl_Kennfeld::Klasse, [&](Sender&) { ++geschrieben; }, cl_Kennfeld::Kennfeld_geschrieben);
    f->schreibe_in_ECU();
    const auto w = bediene([](int befehl, const QByteArray&) -> std::optional<QByteArray> {
        if (befehl == 108)
            return QByteArray();
        return std::nullopt;
    });
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].second.left(6), QByteArray::fromHex("060010010000"));
    EXPECT_EQ(w[1].second.left(6), QByteArray::fromHex("150110016400"));
    EXPECT_EQ(geschrieben, 1);

    f->lese_von_ECU();
    const auto r = bediene([](int befehl, const QByteArray&) -> std::optional<QByteArray> {
        if (befehl == 107)
            return Zeilenantwort({});
        return std::nullopt;
    });
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].second, QByteArray::fromHex("060001"));
    EXPECT_EQ(r[1].second, QByteArray::fromHex("150001"));

    f->speichere_Achsen();
    const auto s = bediene(
        [](int befehl, const QByteArray&) -> std::optional<QByteArray> {
            if (befehl == 78)
                return QByteArray(1, '\0');
            return std::nullopt;
        },
        20);
    ASSERT_FALSE(s.empty());
    EXPECT_EQ(s[0].first, 78);
    EXPECT_EQ(s[0].second, QByteArray::fromHex("16"));
}

// Answers every line read with the line's index in each value, every line write, store
// and change with what the ECU sends back; records the ticks the frames went out at.
struct Linien_ECU {
    struct Eintrag {
        int tick, befehl;
        QByteArray daten;
    };
    std::vector<Eintrag> frames;
    std::optional<QByteArray> operator()(int tick, int befehl, const QByteArray& d) {
        frames.push_back({tick, befehl, d});
        switch (befehl) {
        case 107: {
            const int pos = static_cast<uint8_t>(d[1]);
            std::array<int16_t, 17> roh;
            roh.fill(static_cast<int16_t>(10 * (pos == 255 ? 16 : pos / 16)));
            return Zeilenantwort(roh);
        }
        case 108:
        case 91:
        case 84:
            return QByteArray();
        case 78:
            return QByteArray(1, '\0');
        default:
            return std::nullopt;
        }
    }
    std::vector<int> Positionen(int befehl = 107) const {
        std::vector<int> p;
        for (const Eintrag& e : frames)
            if (e.befehl == befehl)
                p.push_back(static_cast<uint8_t>(e.daten[1]));
        return p;
    }
};

class Kennfeldtransfer : public Kennfeldtest {
protected:
    std::vector<std::pair<int, QByteArray>> laufe(int ticks) {
        int tick = 0;
        return bediene([&](int befehl, const QByteArray& d) { return ecu(tick, befehl, d); }, ticks,
                       &tick);
    }
    Linien_ECU ecu;
};

TEST_F(Kennfeldtransfer, Zyklische_Karte_liest_im_Takt_mit_der_Zeile_am_Arbeitspunkt) {
    Kennfeld_Beschreibung b = Karte(5);
    b.zyklisch = true;
    const auto f = neu(b);
    f->Arbeitspunkt_X = 130; // nearest grid line 8
    f->FormShow();
    EXPECT_TRUE(f->COM_aktiv);
    EXPECT_TRUE(f->Daten->fortlaufend);
    laufe(200);
    const std::vector<int> p = ecu.Positionen();
    ASSERT_GE(p.size(), 23u);
    // A first pass over all lines, then line 0, the line at the live X, line 1, ...
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(p[static_cast<size_t>(i)], 16 * i);
    EXPECT_EQ(p[16], 255);
    EXPECT_EQ(std::vector<int>(p.begin() + 17, p.begin() + 23),
              (std::vector<int>{0, 128, 16, 128, 32, 128}));
    const auto& fr = ecu.frames;
    EXPECT_NEAR(fr[17].tick - fr[16].tick, 50, 2); // 1000 ms after a pass
    EXPECT_LE(fr[18].tick - fr[17].tick, 2);       // the live line at once
    EXPECT_NEAR(fr[19].tick - fr[18].tick, 10, 2); // 200 ms before the next line
    EXPECT_EQ(f->Wert(16, 5), 16);                 // raw 160

    // Hidden, the answers are ignored and no further line is asked for.
    ansicht.sichtbar = false;
    laufe(20);
    ecu.frames.clear();
    laufe(100);
    EXPECT_TRUE(ecu.frames.empty());
}

TEST_F(Kennfeldtransfer, Schreiben_Zeile_fuer_Zeile_dann_laeuft_das_Lesen_weiter) {
    const auto f = neu(Roh_gleich_Anzeige(Karte(5)));
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < 17; ++y)
            f->setze_Wert(x, y, 100 * x - y);
    int geschrieben = 0;
    InterAction().Create(
        cl_Kennfeld::Klasse, [&](Sender&) { ++geschrieben; }, cl_Kennfeld::Kennfeld_geschrieben);
    f->schreibe_in_ECU();
    laufe(60);
    std::vector<int> zeilen;
    for (const auto& e : ecu.frames)
        if (e.befehl == 108) {
            zeilen.push_back(e.daten[1]);
            ASSERT_EQ(e.daten.size(), 38);
            EXPECT_EQ(e.daten.left(4),
                      QByteArray::fromHex("05") + e.daten.mid(1, 1) + QByteArray::fromHex("1000"));
            // point 3 of the line, signed 16-bit
            const int x = e.daten[1];
            EXPECT_EQ(static_cast<int16_t>(
                          lies_Wort(reinterpret_cast<const uint8_t*>(e.daten.constData()) + 4 + 6)),
                      100 * x - 3);
        }
    std::vector<int> erwartet(17);
    std::iota(erwartet.begin(), erwartet.end(), 0);
    EXPECT_EQ(zeilen, erwartet);
    EXPECT_EQ(geschrieben, 1);
    EXPECT_TRUE(ecu.Positionen().empty()); // not reading before
    EXPECT_TRUE(f->Daten->fortlaufend);

    // A second complete write resumes the reading.
    ecu.frames.clear();
    f->schreibe_in_ECU();
    laufe(60);
    ASSERT_FALSE(ecu.Positionen().empty());
    EXPECT_EQ(ecu.Positionen().front(), 0);
    EXPECT_EQ(geschrieben, 2);
}

TEST_F(Kennfeldtransfer, Plus_waehrend_einer_Kette_liest_die_Zeile_als_naechste) {
    const auto f = neu(Karte(5));
    f->COM_aktiv = true;
    f->lese_von_ECU();
    laufe(3); // lines 0 and 1 or so are under way
    f->bewege_Cursor(12, 0);
    f->FormKeyDown({Kennfeldtaste::Plus});
    laufe(200);
    const std::vector<int> p = ecu.Positionen();
    // The chain takes line 12 next, then reads the map again from line 0.
    const auto it = std::find(p.begin(), p.end(), 192);
    ASSERT_NE(it, p.end());
    ASSERT_GT(it - p.begin(), 0);
    EXPECT_LT(*(it - 1), 64);
    ASSERT_NE(it + 1, p.end());
    EXPECT_EQ(*(it + 1), 0);
    EXPECT_EQ(std::count_if(ecu.frames.begin(), ecu.frames.end(),
                            [](const Linien_ECU::Eintrag& e) { return e.befehl == 91; }),
              1);
}

TEST_F(Kennfeldtransfer, Speichern_laesst_die_Karte_zuruecklesen) {
    Kennfeld_Beschreibung b = Karte(5);
    b.zyklisch = true;
    const auto f = neu(b);
    // Also while the cyclic reading runs.
    f->Menue_lesen();
    EXPECT_TRUE(f->COM_aktiv && f->Daten->fortlaufend);
    laufe(3);
    ASSERT_TRUE(f->Daten->aktiv);
    f->COM_aktiv = false;
    f->Daten->fortlaufend = false;
    ecu.frames.clear();
    f->speichere_Achsen();
    laufe(60);
    ASSERT_FALSE(ecu.frames.empty());
    EXPECT_EQ(ecu.frames[0].befehl, 78);
    EXPECT_EQ(ecu.frames[0].daten, QByteArray::fromHex("05"));
    EXPECT_GE(ecu.frames[0].tick, 5); // 100 ms
    EXPECT_EQ(ecu.Positionen().size(), 17u);
    EXPECT_EQ(f->Wert(16, 0), 16); // raw 160
}

TEST_F(Kennfeldtransfer, Leerlaufsteller_folgt_dem_Cursor_und_aus_beim_Verbergen) {
    k.kontext->erzeuge_Befehle();
    Kennfeld_Umgebung u = umgebung();
    u.Leerlaufsteller = [this] {
        return k.kontext->befehle()->Quorvel_Leerlaufsteller_aendern.get();
    };
    const auto f = std::make_unique<cl_Kennfeld>(u, Karte(8));
    f->setze_Ansicht(&ansicht);
    f->COM_aktiv = true; // no read at showing
    f->FormShow();
    EXPECT_TRUE(f->Leerlauf_sichtbar);
    f->CheckBox_LeerlaufClick(true);
    laufe(3);
    f->bewege_Cursor(2, 0);
    laufe(3);
    f->FormHide();
    laufe(3);
    std::vector<QByteArray> gesendet;
    for (const auto& e : ecu.frames)
        if (e.befehl == 84)
            gesendet.push_back(e.daten);
    EXPECT_EQ(gesendet,
              (std::vector<QByteArray>{QByteArray::fromHex("0100"), QByteArray::fromHex("0120"),
                                       QByteArray::fromHex("0000")}));

    // Any map window switches the actuator off when hidden.
    ecu.frames.clear();
    const auto g = std::make_unique<cl_Kennfeld>(u, Karte(9));
    g->FormHide();
    laufe(3);
    ASSERT_EQ(ecu.frames.size(), 1u);
    EXPECT_EQ(ecu.frames[0].befehl, 84);
}

TEST_F(Kennfeldtransfer, Zeigen_liest_nur_wenn_die_COM_Box_erst_jetzt_an_geht) {
    const auto f = neu(Karte(5));
    f->FormShow();
    laufe(60);
    EXPECT_EQ(ecu.Positionen().size(), 17u);
    f->FormHide();
    ecu.frames.clear();
    f->FormShow(); // still checked from before: not read again
    laufe(20);
    EXPECT_TRUE(ecu.Positionen().empty());
    // The menu's write checks the box without its click handler, and writes.
    f->CheckBox_COMClick(false);
    f->Menue_schreiben();
    EXPECT_TRUE(f->COM_aktiv);
    laufe(60);
    EXPECT_EQ(ecu.Positionen(108).size(), 17u);
}

TEST_F(Kennfeldtransfer, Zeigen_nur_mit_angenommenem_Passwort) {
    Kennfeld_Umgebung u = umgebung();
    u.passwort_OK = &k.kontext->passwort_OK();
    const auto f = std::make_unique<cl_Kennfeld>(u, Karte(5));
    f->setze_Ansicht(&ansicht);
    k.kontext->passwort_OK().setze_akzeptiert(0);
    k.meldungen.texte.clear();
    f->FormShow();
    EXPECT_FALSE(f->COM_aktiv);
    EXPECT_EQ(k.meldungen.texte, QStringList{hole_Text(345)});
    laufe(5);
    EXPECT_TRUE(ecu.frames.empty());

    k.kontext->passwort_OK().setze_akzeptiert(1);
    f->FormShow();
    EXPECT_TRUE(f->COM_aktiv);
    laufe(5);
    EXPECT_FALSE(ecu.Positionen().empty());
}

TEST_F(Kennfeldtransfer, Panels_online_schreiben_statt_umzurechnen) {
    const auto f = neu(Karte(5));
    f->COM_aktiv = true;
    for (int x = 0; x < 17; ++x)
        f->setze_Wert(x, 0, 20);
    // The change panel changes the values here and writes the whole map.
    f->uebernehme_Aenderung({"1", "1", "1", "1"}, false);
    EXPECT_EQ(f->Wert(0, 0), 21);
    laufe(60);
    std::vector<int> zeilen;
    for (const auto& e : ecu.frames)
        if (e.befehl == 108)
            zeilen.push_back(e.daten[1]);
    EXPECT_EQ(zeilen.size(), 17u);

    // Axis values: the frame is redrawn, the parameters written and the map stored, not
    // rebuilt from the corners.
    ecu.frames.clear();
    ansicht.rufe.clear();
    f->uebernehme_Achsen({"0", "100", "0", "100"});
    EXPECT_EQ(f->Wert(16, 0), 21);
    EXPECT_EQ(ansicht.rufe.front(), "Grafik");
    laufe(5);
    // The parameters go first; the store waits behind them.
    ASSERT_FALSE(ecu.frames.empty());
    EXPECT_EQ(ecu.frames[0].befehl, cl_Parameter_Daten::Befehl_Schreiben);
    EXPECT_TRUE(f->Daten->aktiv);
    EXPECT_EQ(f->Daten->Befehl, cl_Kennfeld_Daten::Befehl_speichern);
}

TEST_F(Kennfeldtest, Zuendtasten_gehen_an_den_Zuendwinkel) {
    struct Zuendung : Zuendwinkel_Bedienung {
        void Zuendwinkel_plus() override { rufe.push_back("+"); }
        void Zuendwinkel_minus() override { rufe.push_back("-"); }
        void zeige_online(cl_Kennfeld_Grafik& f) override {
            rufe.push_back("online " + std::to_string(f.Kennfeld_Nr));
        }
        std::vector<std::string> rufe;
    } z;
    const auto f = neu(Karte(7));
    using T = Kennfeldtaste;
    for (T t : {T::F2, T::Q, T::F10, T::Y, T::Leertaste})
        EXPECT_TRUE(f->FormKeyDown({t}));
    EXPECT_FALSE(f->FormKeyDown({T::andere}));
    f->setze_Zuendwinkel_Bedienung(&z);
    for (T t : {T::F2, T::Q, T::F10, T::Y, T::Leertaste})
        f->FormKeyDown({t});
    f->FormKeyDown({T::Q, 0, true}); // with a shift key: not the map's
    EXPECT_EQ(z.rufe, (std::vector<std::string>{"+", "+", "-", "-", "online 7"}));
}

// --- data items -------------------------------------------------------------------------------

TEST_F(Kennfeldtest, Datenelement_wird_nach_jedem_Neufuellen_wieder_eingetragen) {
    cl_ECU_Liste& liste = k.kontext->ecu_Liste();
    liste.laden(0);
    Kennfeld_Beschreibung b = Karte(300);
    b.neues_Protokoll = true;
    const auto f = neu(b);
    ASSERT_NE(liste.suche_Code(300), nullptr);
    EXPECT_EQ(liste.suche_Code(300)->Laenge, 301);

    cl_Zuendung z(k.link(), k.version(), k.kontext->kommunikation(), 1);
    z.als_Datenobjekt_anmelden(400);

    // A type-7 identity answer empties and refills the directory, then announces itself.
    liste.laden(0);
    EXPECT_EQ(liste.suche_Code(300), nullptr);
    InterAction_ausfuehren(k.version(), cl_Version::Beantwortet);
    ASSERT_NE(liste.suche_Code(300), nullptr);
    EXPECT_EQ(liste.suche_Code(300)->Puffer, reinterpret_cast<uint8_t*>(f->Kennfeldblock.data()));
    EXPECT_NE(liste.suche_Code(400), nullptr);
}

TEST_F(Kennfeldtest, Datenelement_Block_fuellt_Werte_und_Achsworte) {
    Kennfeld_Beschreibung b = Karte(300);
    b.neues_Protokoll = true;
    const auto f = neu(b);
    int gelesen = 0;
    InterAction().Create(
        cl_Kennfeld::Klasse, [&](Sender&) { ++gelesen; }, cl_Kennfeld::Kennfeld_gelesen);
    for (int i = 0; i < 301; ++i)
        f->Kennfeldblock[static_cast<size_t>(i)] = static_cast<int16_t>(i - 150);
    ansicht.sichtbar = false;
    f->Block_empfangen();
    EXPECT_EQ(f->Wert(0, 0), -150);
    EXPECT_EQ(f->Wert(1, 2), 17 + 2 - 150);
    EXPECT_EQ(f->Achswerte, (std::array<int16_t, 4>{139, 140, 141, 142}));
    EXPECT_EQ(f->Achsbereichswerte, (std::array<int16_t, 4>{143, 144, 145, 146}));
    EXPECT_EQ(gelesen, 0);
    // The parameter panel shows the further words in the order 1, 0, 3, 2.
    EXPECT_EQ(f->Parameter_Vorgaben(), (std::array<int32_t, 4>{144, 143, 146, 145}));
}

// --- files and CSV --------------------------------------------------------------------------

class Kennfelddateien : public Kennfeldtest {
protected:
    QString pfad(const QString& name) { return k.ordner.datei(name); }
    static QByteArray lies(const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QByteArray Worte(std::initializer_list<int> w) {
        QByteArray b;
        for (int v : w) {
            b.append(static_cast<char>(v & 0xFF));
            b.append(static_cast<char>((v >> 8) & 0xFF));
        }
        return b;
    }
    static void schreibe(const QString& p, const QByteArray& b) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b);
    }
};

TEST_F(Kennfelddateien, Karte_und_Kurve_hin_und_zurueck) {
    const auto f = neu(Roh_gleich_Anzeige(Karte()));
    f->setze_X_min(-300);
    f->setze_Y_max(7000);
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < 17; ++y)
            f->setze_Wert(x, y, x * 1000 - y * 7 - 5000);
    ASSERT_TRUE(f->speichere_Datei(pfad("M.01K5")));
    const QByteArray d = lies(pfad("M.01K5"));
    ASSERT_EQ(d.size(), 598);
    EXPECT_EQ(d.left(12), Worte({16, 16, -300, 256, 0, 7000}));
    // Line 16 comes second, its point 16 second within it.
    EXPECT_EQ(d.mid(20 + 17 * 2, 4), Worte({16000 - 5000, 16000 - 112 - 5000}));

    const auto g = neu(Roh_gleich_Anzeige(Karte()));
    ASSERT_TRUE(g->lade_Datei(pfad("M.01K5"), false));
    EXPECT_EQ(g->Werte, f->Werte);
    EXPECT_EQ(g->X_min, -300);
    EXPECT_EQ(g->Y_max, 7000);
    EXPECT_TRUE(g->Werte_vorhanden);
    EXPECT_EQ(ansicht.rufe.back(), "voll");

    const auto c = neu(Kurve());
    for (int i = 0; i < 17; ++i)
        c->setze_Kurvenwert(i, 3 * i);
    ASSERT_TRUE(c->speichere_Datei(pfad("M.01C3")));
    EXPECT_EQ(lies(pfad("M.01C3")).size(), 54);
    const auto c2 = neu(Kurve());
    ASSERT_TRUE(c2->lade_Datei(pfad("M.01C3"), false));
    EXPECT_EQ(c2->Werte, c->Werte);
}

TEST_F(Kennfelddateien, Kurze_Datei_und_falscher_Schrittcode_lassen_alles_stehen) {
    const auto f = neu(Roh_gleich_Anzeige(Karte()));
    for (int x = 0; x < 17; ++x)
        f->setze_Wert(x, 0, 77);
    ASSERT_TRUE(f->speichere_Datei(pfad("M.01K5")));

    const auto g = neu(Roh_gleich_Anzeige(Karte()));
    g->setze_X_max(999);
    const auto vorher = g->Werte;
    struct Fall {
        const char* name;
        QByteArray inhalt;
    };
    const Fall faelle[] = {
        {"cut", lies(pfad("M.01K5")).left(597)},
        {"header only", Worte({16, 16, 1, 2, 3, 4, 0, 0, 0, 0})},
        {"step 8", Worte({8, 16, 1, 2, 3, 4, 0, 0, 0, 0}) + QByteArray(600, '\1')},
        {"negative step", Worte({16, -16, 1, 2, 3, 4, 0, 0, 0, 0}) + QByteArray(600, '\1')},
        {"empty", QByteArray()},
    };
    for (const Fall& c : faelle) {
        schreibe(pfad("bad"), c.inhalt);
        k.meldungen.texte.clear();
        ansicht.rufe.clear();
        EXPECT_FALSE(g->lade_Datei(pfad("bad"), false)) << c.name;
        EXPECT_EQ(g->Werte, vorher) << c.name;
        EXPECT_EQ(g->X_max, 999) << c.name;
        EXPECT_EQ(k.meldungen.texte.size(), 1u) << c.name;
        EXPECT_TRUE(ansicht.rufe.empty()) << c.name;
    }
    // A file read with the dialog stops the cyclic reading even when it is short; one that
    // does not open leaves the COM box as it was.
    g->COM_aktiv = true;
    k.meldungen.texte.clear();
    EXPECT_FALSE(g->lade_Datei(pfad("missing"), true));
    EXPECT_TRUE(g->COM_aktiv);
    EXPECT_EQ(k.meldungen.texte.size(), 1u);
    EXPECT_FALSE(g->lade_Datei(pfad("bad"), true));
    EXPECT_FALSE(g->COM_aktiv);
}

TEST_F(Kennfelddateien, Grobe_Schrittcodes_fuellen_nur_ihre_Zeilen) {
    const auto g = neu(Roh_gleich_Anzeige(Karte()));
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < 17; ++y)
            g->setze_Wert(x, y, -1);
    QByteArray d = Worte({32, 32, 0, 256, 0, 256, 0, 0, 0, 0});
    for (int i = 0; i < 81; ++i)
        d += Worte({i});
    d += Worte({4242}); // trailing words are fine
    schreibe(pfad("M.02K5"), d);
    ASSERT_TRUE(g->lade_Datei(pfad("M.02K5"), false));
    int gefuellt = 0;
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < 17; ++y) {
            const bool gerade = x % 2 == 0 && y % 2 == 0;
            EXPECT_EQ(g->Wert(x, y) >= 0, gerade) << x << "," << y;
            gefuellt += gerade;
        }
    EXPECT_EQ(gefuellt, 81);
    EXPECT_EQ(g->Wert(0, 0), 0);
    EXPECT_EQ(g->Wert(0, 16), 1); // point 16 second
    EXPECT_EQ(g->Wert(16, 0), 9); // line 16 second
    EXPECT_EQ(g->Wert(8, 8), 20); // line 8 third, point 8 third

    QByteArray n = Worte({256, 4096, 0, 256, 0, 256, 0, 0, 0, 0, 1, 2, 3, 4});
    schreibe(pfad("M.03K5"), n);
    ASSERT_TRUE(g->lade_Datei(pfad("M.03K5"), false));
    EXPECT_EQ(g->Wert(16, 16), 4);
    EXPECT_EQ(g->Wert(8, 8), 20);
}

TEST_F(Kennfelddateien, Versionen_und_keine_freie_Version) {
    k.kontext->dateiversion().setze_Name(QStringLiteral("Engine"));
    QDir().mkpath(k.ordner.datei(QStringLiteral("DATA")));
    const auto f = neu(Karte());
    f->setze_Wert(16, 0, 3);
    ASSERT_TRUE(f->speichere_Kennfeld_Datei(false));
    ASSERT_TRUE(f->speichere_Kennfeld_Datei(false));
    const auto g = neu(Karte());
    ASSERT_TRUE(g->lade_Kennfeld_Datei(false));
    EXPECT_EQ(g->Wert(16, 0), 3);
    EXPECT_TRUE(QFile::exists(k.kontext->dateiversion().Dateiname(2)));
}

TEST_F(Kennfelddateien, CSV_mit_beiden_Dezimaltrennern) {
    const auto f = neu(Karte());
    f->setze_X_max(160);
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < 17; ++y)
            f->setze_Wert(x, y, x - y);
    const QDateTime zeit(QDate(2026, 12, 11), QTime(6, 5, 4));
    const QStringList punkt = f->CSV_Zeilen("a.csv", {"c1", "c2"}, '.', zeit);
    QStringList erwartet{"Fuel map", "a.csv", "11.12.2026,06:05:04", "", "c1", "c2", ""};
    erwartet << "X/Y,0,10,20,30,40,50,60,70,80,90,100,110,120,130,140,150,160";
    erwartet << "0;0;1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16";
    ASSERT_EQ(punkt.mid(0, 9), erwartet);
    EXPECT_EQ(punkt[9], "16;-1;0;1;2;3;4;5;6;7;8;9;10;11;12;13;14;15");
    EXPECT_EQ(punkt[24], "256;-16;-15;-14;-13;-12;-11;-10;-9;-8;-7;-6;-5;-4;-3;-2;-1;0");
    EXPECT_EQ(punkt.size(), 26);
    EXPECT_EQ(punkt.last(), "");

    const QStringList komma = f->CSV_Zeilen("a.csv", {}, ',', zeit);
    EXPECT_EQ(komma[2], "11.12.2026;06:05:04");
    // The system's time separator stands between hours, minutes and seconds.
    EXPECT_EQ(f->CSV_Zeilen("a.csv", {}, ',', zeit, '.')[2], "11.12.2026;06.05.04");
    EXPECT_EQ(komma[5], "X/Y;0;10;20;30;40;50;60;70;80;90;100;110;120;130;140;150;160");

    const auto c = neu(Kurve());
    c->setze_X_max(16);
    for (int i = 0; i < 17; ++i)
        c->setze_Kurvenwert(i, 2 * i);
    const QStringList k2 = c->CSV_Zeilen("c.csv", {}, '.', zeit);
    EXPECT_EQ(k2[5], "X,0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16");
    EXPECT_EQ(k2[6], "Y;0;2;4;6;8;10;12;14;16;18;20;22;24;26;28;30;32");

    const auto l = neu(LogY());
    l->setze_X_max(16);
    for (int i = 0; i < 17; ++i) {
        l->setze_Wert(i, 0, i);
        l->setze_Wert(i, 1, 100);
    }
    const QStringList k3 = l->CSV_Zeilen("l.csv", {}, ',', zeit);
    EXPECT_EQ(k3[5], "X;0;1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16");
    EXPECT_TRUE(k3[6].startsWith("n=0;100;100;"));
    EXPECT_TRUE(k3[7].startsWith("n > 0;0;1;2;"));

    // The writer: CRLF lines, remembered name and comments.
    dezimal = ',';
    ASSERT_TRUE(f->schreibe_Kennfeld_CSV(pfad("out.csv"), {"hello"}));
    const QByteArray d = lies(pfad("out.csv"));
    EXPECT_TRUE(d.startsWith("Fuel map\r\n"));
    EXPECT_TRUE(d.contains("\r\nX/Y;0;10;"));
    EXPECT_EQ(f->CSV_Datei, pfad("out.csv"));
    EXPECT_EQ(f->Kommentare, QStringList{"hello"});
    EXPECT_FALSE(f->schreibe_Kennfeld_CSV(pfad("no/such/folder/out.csv"), {}));
    EXPECT_EQ(k.meldungen.texte.size(), 1u);
}

// --- version choice, dialogs and printing ----------------------------------------------------

TEST_F(Kennfelddateien, Ohne_freie_Version_Text_505_und_Laden_mit_Dialog_loest_die_COM_Box) {
    const auto f = neu(Karte());
    // Without an engine name there is no version to save under.
    k.kontext->dateiversion().setze_Name(QString());
    k.meldungen.texte.clear();
    EXPECT_FALSE(f->speichere_Kennfeld_Datei(false));
    ASSERT_EQ(k.meldungen.texte.size(), 1);
    EXPECT_TRUE(k.meldungen.texte[0].startsWith("The file was not saved"))
        << k.meldungen.texte[0].toStdString();

    Kennfeld_Beschreibung b = Karte();
    b.zyklisch = true;
    const auto g = neu(b);
    ASSERT_TRUE(f->speichere_Datei(pfad("M.05K5")));
    g->CheckBox_COMClick(true);
    EXPECT_TRUE(g->Daten->aktiv && g->Daten->fortlaufend);
    ASSERT_TRUE(g->lade_Datei(pfad("M.05K5"), true));
    EXPECT_FALSE(g->COM_aktiv);
    EXPECT_FALSE(g->Daten->aktiv || g->Daten->fortlaufend);
    // From the backup copy the box stays, the reading stops all the same.
    g->CheckBox_COMClick(true);
    ASSERT_TRUE(g->lade_Datei(pfad("M.05K5"), false));
    EXPECT_TRUE(g->COM_aktiv);
    EXPECT_FALSE(g->Daten->aktiv || g->Daten->fortlaufend);
}

TEST_F(Kennfelddateien, CSV_Dialog_bekommt_die_letzten_Vorgaben) {
    QString vorgabe;
    QStringList kommentar;
    Kennfeld_Umgebung u = umgebung();
    u.CSV_Dialog = [&](const QString& v, const QStringList& c,
                       std::function<void(const QString&, const QStringList&)> schreiber) {
        vorgabe = v;
        kommentar = c;
        schreiber(pfad("m.csv"), {"first"});
    };
    cl_Kennfeld f(u, Karte());
    f.Menue_CSV();
    EXPECT_TRUE(vorgabe.isEmpty());
    EXPECT_TRUE(QFile::exists(pfad("m.csv")));
    f.Menue_CSV();
    EXPECT_EQ(vorgabe, pfad("m.csv"));
    EXPECT_EQ(kommentar, QStringList{"first"});
}

TEST_F(Kennfelddateien, Drucken_in_ein_Dokument_mit_der_Zeichnung_des_Fensters) {
    TPrinter_Quorvel& d = k.kontext->drucker();
    Pdfauswahl pdf(pfad("map.pdf"));
    d.setze_Druckauswahl(&pdf);
    Kennfeld_Umgebung u = umgebung();
    u.drucker = &d;
    cl_Kennfeld f(u, Karte());
    f.setze_Ansicht(&ansicht);
    cl_Kennfeld c(u, Kurve());
    c.setze_Ansicht(&ansicht);
    std::vector<bool> druckmodus;
    ansicht.beim_Drucken = [&] { druckmodus.push_back(f.Druckmodus || c.Druckmodus); };

    // The backup copy prints several maps into its own document.
    int kopien = 1;
    ASSERT_TRUE(d.Druckdialog(kopien));
    d.Dokument_beginnen();
    const int y0 = d.Zeile_Y;
    f.drucke_Kennfeld();
    const int y1 = d.Zeile_Y;
    c.drucke_Kennfeld();
    d.Seite_beenden(false);
    d.Dokument_beenden();

    ASSERT_EQ(ansicht.gedruckt.size(), 2u);
    const int w = d.Seitenbreite - 150;
    const int hk = (w - 100) * 3 / 5;
    EXPECT_EQ(ansicht.gedruckt[0],
              (std::array<int, 6>{d.Seitenbreite, y0 + 50 + hk, 300, 250, y0 + 150, 150}));
    EXPECT_EQ(y1, y0 + 50 + hk + 25);
    EXPECT_EQ(ansicht.gedruckt[1][1], y1 + 50 + (w - 100) / 2);
    EXPECT_EQ(druckmodus, (std::vector<bool>{true, true}));
    EXPECT_FALSE(f.Druckmodus);
    EXPECT_EQ(f.Strichfaktor, 1);

    QProcess text;
    text.start("pdftotext", {pfad("map.pdf"), "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString inhalt = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(inhalt.contains("Fuel map"));
    EXPECT_TRUE(inhalt.contains("Curve"));
}

} // namespace
