// Maps end to end against the simulated ECU: read, changed at a point, written, stored and
// read back, over the line protocol and as data items, also after the link dropped and came
// back.

#include "ecusim/Kennfelder.h"
#include "link/UKommunikation.h"
#include "model/Anfragenumgebung.h"
#include "model/UKennfeld.h"

#include <gtest/gtest.h>

namespace {

class Sichtbar : public Kennfeld_Ansicht {
public:
    bool ist_sichtbar() const override { return true; }
    void zeichne_Kennfeld() override { ++voll; }
    void zeichne_Grafik() override {}
    void zeichne_Zeile(int) override {}
    void zeichne_Cursor() override {}
    void zeichne_Arbeitspunkt() override { ++marken; }
    void zeige_Cursorwerte() override {}
    void zeige_Arbeitspunktwerte(const QString&, const QString&, const QString&, const QString&,
                                 const QString&, const QString&) override {}
    void zeige_Beschriftung() override {}
    void zeige_Hinweise() override {}
    void zeige_Bedienelemente() override {}
    void Fokus_abgeben() override {}
    bool Eingaben_sichtbar() const override { return false; }
    void schliesse_Parameter_Panel() override {}
    void ordne_an() override {}
    void drucke(QPainter&, int, int, int, int, int, int) override {}
    int voll = 0;
    int marken = 0;
};

ecusim::Identitaetsdaten Typ7() {
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 7;
    id.Version = 620;
    return id;
}

class Kennfeld_ecusim {
public:
    explicit Kennfeld_ecusim(const ecusim::Identitaetsdaten& id = {})
        : u(id), kennfelder(u.sim, u.parameter) {
        for (int e : {cl_Kennfeld::Kennfeld_gelesen, cl_Kennfeld::Kennfeld_geschrieben})
            InterAction().Create(
                cl_Kennfeld::Klasse, [this, e](Sender&) { ++ereignisse[e]; }, e);
    }
    std::unique_ptr<cl_Kennfeld> neu(const Kennfeld_Beschreibung& b) {
        Kennfeld_Umgebung umg{u.k.link(), u.k.kontext->kommunikation(), u.k.version(),
                              u.k.kontext->parameter(), u.k.kontext->meldungen()};
        auto f = std::make_unique<cl_Kennfeld>(umg, b);
        f->setze_Ansicht(&ansicht);
        return f;
    }
    bool warte_Ereignis(int e, int ticks = 3000) {
        const int vorher = ereignisse[e];
        return u.warte([&] { return ereignisse[e] > vorher; }, ticks);
    }

    Anfragenumgebung u;
    ecusim::Kennfeldbereich kennfelder;
    Sichtbar ansicht;
    std::map<int, int> ereignisse;
};

Kennfeld_Beschreibung Karte(int nr, bool datenelement) {
    Kennfeld_Beschreibung b;
    b.Kennfeld_Nr = nr;
    b.neues_Protokoll = datenelement;
    b.X_max = 4000;
    b.Y_max = 100;
    b.Roh_min = 0;
    b.Roh_max = 1000;
    b.Z_min = 0;
    b.Z_max = 1000; // raw equals display
    b.Schrittzeile = 2;
    b.Schrittziffer = '3'; // 5
    b.Titel = QStringLiteral("Map");
    return b;
}

std::vector<int16_t> Werte_von(const cl_Kennfeld& f) {
    std::vector<int16_t> w;
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < 17; ++y)
            w.push_back(static_cast<int16_t>(f.Wert(x, y)));
    return w;
}

TEST(Kennfeld_ecusim, Zeilenprotokoll_lesen_aendern_schreiben_speichern) {
    Kennfeld_ecusim e;
    e.kennfelder.lege_Kennfeld_an(5, false, 0, 1000);
    const auto f = e.neu(Karte(5, false));

    f->lese_von_ECU();
    // The wait window names what happens to which map.
    ASSERT_NE(e.u.Fenster(*f->Daten), nullptr);
    EXPECT_EQ(e.u.Fenster(*f->Daten)->text, "Reading from the ECU: Map");
    ASSERT_TRUE(e.warte_Ereignis(cl_Kennfeld::Kennfeld_gelesen));
    EXPECT_EQ(Werte_von(*f), e.kennfelder.Werte(5));
    EXPECT_TRUE(f->Werte_vorhanden);

    // '+' at (3, 7): the ECU changes its value, the window learns it by reading the line.
    f->COM_aktiv = true;
    f->bewege_Cursor(3, 7);
    const int16_t vorher = e.kennfelder.Wert(5, 3, 7);
    f->FormKeyDown({Kennfeldtaste::Plus});
    ASSERT_TRUE(e.u.warte([&] { return f->Wert(3, 7) == vorher + 5; }));
    ASSERT_EQ(e.kennfelder.Aenderungen.size(), 1u);
    EXPECT_EQ(e.kennfelder.Aenderungen[0], (ecusim::Kennfeldaenderung{91, 5, 5, 48, 112}));
    ASSERT_TRUE(e.u.warte_still());

    // Offline edits, then a whole write and a store.
    f->COM_aktiv = false;
    f->uebernehme_Aenderung({"7", "7", "7", "7"}, false);
    const std::vector<int16_t> neu = Werte_von(*f);
    f->schreibe_in_ECU();
    EXPECT_EQ(e.u.Fenster(*f->Daten)->text, "Writing to the ECU: Map");
    ASSERT_TRUE(e.warte_Ereignis(cl_Kennfeld::Kennfeld_geschrieben));
    EXPECT_EQ(e.kennfelder.Werte(5), neu);
    f->speichere_Achsen();
    EXPECT_EQ(e.u.Fenster(*f->Daten)->text, "Storing in the ECU: Map");
    ASSERT_TRUE(e.u.warte([&] { return !e.kennfelder.Speicherungen.empty(); }));
    EXPECT_EQ(e.kennfelder.Speicherungen, std::vector<int>{5});
    // The store's answer reads the map back.
    ASSERT_TRUE(e.warte_Ereignis(cl_Kennfeld::Kennfeld_gelesen));
    EXPECT_EQ(e.kennfelder.gespeicherte_Werte(5), neu);
    EXPECT_EQ(Werte_von(*f), neu);
    EXPECT_EQ(e.u.sim.Empfangsfehler, 0);
}

TEST(Kennfeld_ecusim, Datenelemente_auch_nach_neuer_Verbindung) {
    Kennfeld_ecusim e(Typ7());
    const int nr = ecusim::Kennfeldbereich::Datenelement_Kennfeld;
    const auto f = e.neu(Karte(nr, true));

    const auto lies = [&] {
        const int vorher = e.ansicht.voll;
        f->lese_von_ECU();
        return e.u.warte([&] { return e.ansicht.voll > vorher; }) && e.u.warte_still();
    };
    ASSERT_TRUE(lies());
    EXPECT_EQ(Werte_von(*f), e.kennfelder.Werte(nr));
    EXPECT_EQ(f->Transferzustand, 2);

    // The change at a point (131), then the whole block read again.
    f->COM_aktiv = true;
    f->bewege_Cursor(16, 16);
    const int16_t vorher = e.kennfelder.Wert(nr, 16, 16);
    f->FormKeyDown({Kennfeldtaste::Minus});
    ASSERT_TRUE(e.u.warte([&] { return f->Wert(16, 16) == vorher - 5; }));
    ASSERT_EQ(e.kennfelder.Aenderungen.size(), 1u);
    EXPECT_EQ(e.kennfelder.Aenderungen[0], (ecusim::Kennfeldaenderung{131, nr, -5, 255, 255}));
    ASSERT_TRUE(e.u.warte_still());

    // The link drops and comes back: the identity answer empties the directory, and the
    // map's item is entered again.
    e.u.k.link().trennen();
    ASSERT_TRUE(e.u.verbinde(Typ7()));
    ASSERT_NE(e.u.k.kontext->ecu_Liste().suche_Code(nr), nullptr);

    f->COM_aktiv = false;
    f->uebernehme_Aenderung({"3", "3", "3", "3"}, false);
    const std::vector<int16_t> neu = Werte_von(*f);
    f->schreibe_in_ECU();
    ASSERT_TRUE(e.u.warte([&] { return e.kennfelder.Werte(nr) == neu; }));
    ASSERT_TRUE(e.u.warte_still());
    EXPECT_EQ(f->Transferzustand, 3);

    // Storing: the axis words go first, then the store order, then the block comes back.
    f->Achswerte = {1, 2, 3, 4};
    f->speichere_Achsen();
    ASSERT_TRUE(e.u.warte([&] { return !e.kennfelder.Speicherungen.empty(); }));
    EXPECT_EQ(e.kennfelder.Speicherungen, std::vector<int>{nr});
    ASSERT_TRUE(e.u.warte_still());
    const std::vector<uint16_t> block = e.kennfelder.gespeicherter_Block(nr);
    ASSERT_EQ(block.size(), 301u);
    EXPECT_EQ(std::vector<uint16_t>(block.begin() + 289, block.begin() + 293),
              (std::vector<uint16_t>{1, 2, 3, 4}));
    for (size_t i = 0; i < neu.size(); ++i)
        ASSERT_EQ(static_cast<int16_t>(block[i]), neu[i]) << i;

    f->setze_Wert(0, 0, -999);
    ASSERT_TRUE(lies());
    EXPECT_EQ(Werte_von(*f), neu);
    // Data-item transfers announce no whole-map events.
    EXPECT_EQ(e.ereignisse[cl_Kennfeld::Kennfeld_gelesen], 0);
    EXPECT_EQ(e.u.sim.Empfangsfehler, 0);
}

TEST(Kennfeld_ecusim, Log_Y_Karte_ist_die_Kurven_6_und_21_gespeichert_als_22) {
    Kennfeld_ecusim e;
    Kennfeld_Beschreibung b = Karte(22, false);
    b.log_Y = true;
    b.Roh_max = 20000;
    b.Z_max = 20000;
    const auto f = e.neu(b);
    f->lese_von_ECU();
    ASSERT_TRUE(e.warte_Ereignis(cl_Kennfeld::Kennfeld_gelesen));
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(f->Wert(i, 0), e.kennfelder.Wert(6, i)) << i;
        EXPECT_EQ(f->Wert(i, 1), e.kennfelder.Wert(21, i)) << i;
    }
    for (int i = 0; i < 17; ++i) {
        f->setze_Wert(i, 0, 100 + i);
        f->setze_Wert(i, 1, 200 + i);
    }
    f->schreibe_in_ECU();
    ASSERT_TRUE(e.warte_Ereignis(cl_Kennfeld::Kennfeld_geschrieben));
    f->speichere_Achsen();
    ASSERT_TRUE(e.warte_Ereignis(cl_Kennfeld::Kennfeld_gelesen));
    EXPECT_EQ(e.kennfelder.Speicherungen, std::vector<int>{22});
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(e.kennfelder.gespeicherte_Werte(6)[static_cast<size_t>(i)], 100 + i);
        EXPECT_EQ(e.kennfelder.gespeicherte_Werte(21)[static_cast<size_t>(i)], 200 + i);
        EXPECT_EQ(f->Wert(i, 1), 200 + i);
    }
}

TEST(Kennfeld_ecusim, Arbeitspunkt_bewegt_die_Marken) {
    Kennfeld_ecusim e;
    e.kennfelder.lege_Kennfeld_an(5, false, 0, 1000);
    const auto f = e.neu(Karte(5, false));
    f->lese_von_ECU();
    ASSERT_TRUE(e.warte_Ereignis(cl_Kennfeld::Kennfeld_gelesen));
    e.ansicht.marken = 0;
    f->setze_Arbeitspunkt(2000, 50, {}, {}, {});
    EXPECT_EQ(e.ansicht.marken, 2); // removed, drawn again
    EXPECT_EQ(f->Arbeitspunkt_Wert, f->Wert_an_Punkt(2000, 50));
    EXPECT_EQ(f->Arbeitspunkt_Wert, f->Wert(8, 8)); // exactly on a grid point
}

} // namespace
