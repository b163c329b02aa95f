// The error memory and error-definition transfers against the simulated ECU.

#include "model/UFehleranfragen.h"

#include "base/Uglobal.h"
#include "model/Anfragenumgebung.h"
#include "model/UStatusdaten.h"
#include "platform/Dateien.h"

#include <gtest/gtest.h>

namespace {

using B = ecusim::Fehlerspeicherbereich;

// What the transfers told the windows, in order.
struct Ansichtsprotokoll : Fehler_Ansicht {
    std::vector<std::string> rufe;
    void fuelle_Definitionsliste() override { rufe.push_back("Definitionsliste"); }
    void zeige_Grenzen() override { rufe.push_back("Grenzen"); }
    void setze_Button_nach_Quorvel(bool d) override { rufe.push_back(d ? "Button+" : "Button-"); }
    void fuelle_Auswahl() override { rufe.push_back("Auswahl"); }
    void waehle_alle() override { rufe.push_back("alle"); }
    void zeige_Fehler() override { rufe.push_back("Fehler"); }
};

class Fehlertransfer : public ::testing::Test {
protected:
    explicit Fehlertransfer(const ecusim::Identitaetsdaten& id = {}) : u(id) {
        // The shipped sample catalogue, where the program looks for it.
        const QString name = cl_Fehler_Katalog::Dateiname(615);
        QFile::copy(QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/English/") + name,
                    Dateien::verbinde(glob().Pfad_Sprache, name));
        EXPECT_TRUE(daten().Definitionen.lade_Variablendatei(615, u.k.meldungen));
        anfragen().setze_Ansicht(&ansicht);
    }
    Fehlerdaten& daten() { return u.k.kontext->fehlerdaten(); }
    Fehleranfragen& anfragen() { return u.k.kontext->fehleranfragen(); }
    cl_Fehler_Definitionen& defs() { return daten().Definitionen; }

    // The frames of a command the ECU received, data bytes only.
    std::vector<QByteArray> Rahmen(int befehl) const {
        std::vector<QByteArray> r;
        for (const auto& [b, d] : u.Folge())
            if (b == befehl)
                r.push_back(d);
        return r;
    }

    Anfragenumgebung u;
    Ansichtsprotokoll ansicht;
};

TEST_F(Fehlertransfer, StehenImRingNachDenErweitertenHilfsdaten) {
    const auto& ring = u.k.link().Anfragen();
    const auto nach =
        std::find(ring.begin(), ring.end(), &u.k.kontext->ecu_Befehle().Aux_Daten_erweitert);
    ASSERT_LT(nach + 3, ring.end());
    EXPECT_EQ(nach[1], anfragen().Fehler_def_nach_Quorvel.get());
    EXPECT_EQ(nach[2], anfragen().Fehler_def_von_Quorvel.get());
    EXPECT_EQ(nach[3], anfragen().Fehler_Quorvel.get());
    EXPECT_EQ(nach[4], u.weitere().Leistung_Quorvel.get());
}

TEST_F(Fehlertransfer, DefinitionenDannFehlerspeicherLesen) {
    u.fehlerspeicher.Definitionen = {B::Grenze(15, 18, 0, 3, 0, 1, 1),
                                     B::Grenze(60, 55, 0, 3, 1, 2, 1),
                                     B::Grenze(0, 0, 0xF0F0, 5, 3 | 16, 4, 0)};
    u.fehlerspeicher.Speicher = {
        B::Eintrag(100, 1000, 14, true, 3, 1),  B::Eintrag(130, 1300, 0, true, 5, 1),
        B::Eintrag(150, 1500, 12, false, 3, 1), B::Eintrag(170, 1800, 0, false, 5, 2),
        B::Eintrag(200, 2000, 70, true, 3, 2),  B::Eintrag(210, 2100, 0, false, 42, 1)};
    // One answer of each read goes missing on the way and is asked again.
    u.fehlerspeicher.verwerfe(93, 1);
    u.fehlerspeicher.verwerfe(94, 3);
    anfragen().Fehler_def_von_Quorvel->lesen_dann_Fehlerspeicher();
    ASSERT_TRUE(u.warte_still(2000));

    EXPECT_EQ(ansicht.rufe, (std::vector<std::string>{"Button+", "Button+", "Definitionsliste",
                                                      "Grenzen", "Auswahl", "alle", "Fehler"}));
    ASSERT_EQ(defs().Liste.size(), 2u);
    EXPECT_EQ(defs().Liste[0].Grenzen.size(), 2u);
    EXPECT_EQ(defs().Liste[0].Grenzen[1].Nummer, 2u);
    // The indices asked: 0, 1 (dropped), 1 again, 2, 3 (the end).
    std::vector<int> indizes;
    for (const QByteArray& r : Rahmen(93))
        indizes.push_back(static_cast<uint8_t>(r[0]));
    EXPECT_EQ(indizes, (std::vector<int>{0, 1, 1, 2, 3}));

    const auto& e = daten().Fehler_Liste.Eintraege;
    ASSERT_EQ(e.size(), 6u);
    // Newest first.
    EXPECT_EQ(e[0].Variablen_id, 42u);
    EXPECT_EQ(e[5].Zeit, 100u);
    // Oil pressure, limit 1: 100 -> 150. The bit switch pairs limit 1 with limit 2. The
    // unknown id 42 pairs with nothing.
    EXPECT_EQ(e[3].Zeitdifferenz, 50);
    EXPECT_EQ(e[3].Umdrehungsdifferenz, 500);
    EXPECT_EQ(e[2].Zeitdifferenz, 40);
    EXPECT_EQ(e[2].Umdrehungsdifferenz, 500);
    EXPECT_EQ(e[0].Zeitdifferenz, 0);
    EXPECT_EQ(e[1].MinMax, 70);
    EXPECT_FALSE(anfragen().Fehler_def_von_Quorvel->Meldung()->sichtbar());
    EXPECT_TRUE(u.k.meldungen.texte.isEmpty());
}

TEST_F(Fehlertransfer, LeererFehlerspeicherZeigtNurDieTabelle) {
    daten().Fehler_Liste.neuer_Eintrag(cl_Fehler{});
    daten().Fehler_Liste.alle_freigeben();
    anfragen().Fehler_Quorvel->lese_ab_Anfang();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(ansicht.rufe, std::vector<std::string>{"Fehler"});
    EXPECT_EQ(Rahmen(94), std::vector<QByteArray>{Bytes({1})});
}

TEST_F(Fehlertransfer, LoeschbefehlLiestDenSpeicherNeu) {
    u.fehlerspeicher.Speicher = {B::Eintrag(1, 1, 0, true, 3, 1)};
    Befehlsobjekte& b = u.befehle();
    b.Quorvel_Fehlerspeicher_loeschen->starten();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.fehlerspeicher.Fehlerspeicher_geloescht, 1);
    EXPECT_EQ(u.Befehlsfolge(), (std::vector<int>{104, 94}));
    EXPECT_EQ(ansicht.rufe, std::vector<std::string>{"Fehler"});
}

TEST_F(Fehlertransfer, UnbekannteVariablenFuegenKeineZeilenAn) {
    u.fehlerspeicher.Definitionen = {
        B::Grenze(1, 1, 0, 3, 0, 0, 0), B::Grenze(2, 2, 0, 99, 0, 0, 0),
        B::Grenze(3, 3, 0, 98, 0, 0, 0), B::Grenze(4, 4, 0, 8, 0, 0, 0)};
    anfragen().Fehler_def_von_Quorvel->starten();
    ASSERT_TRUE(u.warte_still());
    ASSERT_EQ(defs().Liste.size(), 2u);
    EXPECT_EQ(defs().Liste[0].Grenzen.size(), 1u);
    // Variable 8 has no limits: a definition without rows.
    EXPECT_TRUE(defs().Liste[1].Grenzen.empty());
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(1242)});
    EXPECT_EQ(Rahmen(93).size(), 5u);
}

TEST_F(Fehlertransfer, ErsteUnbekannteVariableBeendetDasLesen) {
    u.fehlerspeicher.Definitionen = {B::Grenze(2, 2, 0, 99, 0, 0, 0),
                                     B::Grenze(1, 1, 0, 3, 0, 0, 0)};
    anfragen().Fehler_def_von_Quorvel->lesen_dann_Fehlerspeicher();
    ASSERT_TRUE(u.warte_still());
    EXPECT_TRUE(defs().leer());
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(1242)});
    EXPECT_EQ(u.Befehlsfolge(), std::vector<int>{93});
    EXPECT_FALSE(anfragen().Fehler_def_von_Quorvel->Meldung()->sichtbar());
}

TEST_F(Fehlertransfer, OhneEndmarkeEndetDasLesenBeiIndex255) {
    u.fehlerspeicher.Definitionen = {B::Grenze(1, 1, 0, 3, 0, 0, 0)};
    u.fehlerspeicher.Endmarke = false;
    anfragen().Fehler_def_von_Quorvel->starten();
    ASSERT_TRUE(u.warte_still(3000));
    EXPECT_EQ(Rahmen(93).size(), 256u);
    ASSERT_EQ(defs().Liste.size(), 1u);
    EXPECT_EQ(defs().Liste[0].Grenzen.size(), 256u);
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(1322)});
}

class Fehlertransfer_alt : public Fehlertransfer {
protected:
    static ecusim::Identitaetsdaten alt() {
        ecusim::Identitaetsdaten id;
        id.Typnummer = 0;
        id.Version = 505;
        return id;
    }
    Fehlertransfer_alt() : Fehlertransfer(alt()) {}
};

TEST_F(Fehlertransfer, Datensaetze) {
    const struct {
        B::Datensatz satz;
        cl_Fehler_limit zeile;
    } faelle[] = {
        // mode 2, start condition, signal on; without a function no signal and no pattern
        {B::Grenze(-5, 300, 0xBEEF, 3, 0x1A, 0, 1), {1, 2, -5, 300, 0, 0, 0, 1, 0, 1}},
        {B::Grenze(7, 8, 0xBEEF, 3, 0x1A, 4, 0), {2, 2, 7, 8, 4, 0xBEEF, 0, 1, 1, 0}},
        {B::Grenze(-32768, 32767, 1, 3, 0x23, 255, 7), {3, 3, -32768, 32767, 255, 0, 1, 0, 0, 7}},
    };
    for (const auto& f : faelle)
        u.fehlerspeicher.Definitionen.push_back(f.satz);
    anfragen().Fehler_def_von_Quorvel->starten();
    ASSERT_TRUE(u.warte_still());
    ASSERT_EQ(defs().Liste.size(), 1u);
    ASSERT_EQ(defs().Liste[0].Grenzen.size(), std::size(faelle));
    for (size_t i = 0; i < std::size(faelle); ++i)
        EXPECT_EQ(defs().Liste[0].Grenzen[i], faelle[i].zeile) << i;
}

TEST_F(Fehlertransfer_alt, AlteGrenzmodi) {
    u.fehlerspeicher.Definitionen = {B::Grenze(0, 0, 0, 3, 3, 0, 0), B::Grenze(0, 0, 0, 3, 2, 0, 0),
                                     B::Grenze(0, 0, 0, 3, 1, 0, 0)};
    anfragen().Fehler_def_von_Quorvel->starten();
    ASSERT_TRUE(u.warte_still());
    ASSERT_EQ(defs().Liste.size(), 1u);
    const auto& g = defs().Liste[0].Grenzen;
    ASSERT_EQ(g.size(), 3u);
    EXPECT_EQ(g[0].Modus, 1);
    EXPECT_EQ(g[1].Modus, 0);
    EXPECT_EQ(g[2].Modus, 0);
}

TEST(Fehlerdefinitionen, AlteGrenzmodiNachIdentitaet) {
    LinkKontext k(false);
    cl_Version& v = k.version();
    const struct {
        int typ, hersteller, typnummer, version, revision;
        bool alt;
    } faelle[] = {
        {1, 1, 0, 505, 0, true},  {1, 1, 0, 510, 0, true},  {1, 1, 0, 510, 1, false},
        {1, 1, 0, 511, 0, false}, {1, 1, 2, 505, 0, false}, {2, 1, 0, 505, 0, false},
        {1, 2, 1, 507, 0, true},  {1, 2, 1, 507, 1, false}, {1, 3, 0, 900, 9, true},
        {1, 4, 0, 507, 5, true},  {1, 4, 0, 507, 6, false}, {1, 5, 0, 507, 4, true},
        {1, 5, 0, 507, 5, false}, {1, 6, 0, 508, 0, true},  {1, 6, 0, 508, 1, false},
        {1, 7, 0, 100, 0, false}, {0, 6, 0, 400, 0, true},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(testing::Message() << f.typ << " " << f.hersteller << " " << f.typnummer << " "
                                        << f.version << "." << f.revision);
        v.setze_offline(f.typ, f.hersteller, f.typnummer, 400, f.version, 0);
        v.setze_Version(static_cast<uint16_t>(f.version), static_cast<uint16_t>(f.revision));
        EXPECT_EQ(cl_Fehler_def_von_Quorvel::alte_Grenzmodi(v), f.alt);
    }
}

// ---------------------------------------------------------------- writing

class Fehlerdefinitionen_schreiben : public Fehlertransfer {
protected:
    // Definitions of the sample catalogue's variables (by id) with the given rows.
    void Definitionen(std::initializer_list<std::pair<uint32_t, int>> defsUndZeilen) {
        defs().alle_freigeben();
        int n = 0;
        for (auto [id, zeilen] : defsUndZeilen) {
            ASSERT_TRUE(defs().neue_Definition(id));
            for (int i = 0; i < zeilen; ++i) {
                cl_Fehler_limit g;
                g.Ein = -100 * ++n;
                g.Aus = 65000;
                g.Funktion = 101 + n;
                g.Signal_ein = 1;
                g.Signalmuster = static_cast<uint16_t>(0x1100 + n);
                g.Modus = static_cast<uint8_t>(0xFC | n % 4); // a file's odd mode byte
                g.Startbedingung = 1;
                g.Test_Start = n % 2;
                g.speichern = 5;
                defs().aktuelle()->Grenzen.push_back(g);
            }
        }
    }
};

TEST_F(Fehlerdefinitionen_schreiben, RahmenfolgeUndZurueckgelesen) {
    // Something else was written before: a row-less definition must not take its values.
    Definitionen({{3, 1}});
    ASSERT_TRUE(anfragen().Fehler_def_nach_Quorvel->sende_naechsten());
    ASSERT_TRUE(u.warte_still());
    u.sim.leere_Protokoll();

    Definitionen({{3, 2}, {8, 0}, {5, 3}});
    ASSERT_TRUE(anfragen().Fehler_def_nach_Quorvel->sende_naechsten());
    ASSERT_TRUE(u.warte_still());
    const auto r = Rahmen(92);
    ASSERT_EQ(r.size(), 8u);
    EXPECT_EQ(r.front(), Bytes({255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    for (size_t i = 1; i <= 6; ++i)
        EXPECT_EQ(static_cast<uint8_t>(r[i][0]), i - 1);
    // The first row of oil pressure: -100, 65000 as 16 bits, pattern, id, mode 1 + start
    // condition + signal + test start, function 102, store 1, row 1.
    EXPECT_EQ(r[1],
              Bytes({0, 0, 0x9C, 0xFF, 0xE8, 0xFD, 0x01, 0x11, 3, 1 | 8 | 16 | 32, 0, 102, 1, 1}));
    EXPECT_EQ(r[2][13], 2);
    // The reset, a variable without limits: its id and nothing else.
    EXPECT_EQ(r[3], Bytes({2, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0}));
    EXPECT_EQ(r[6][13], 3);
    // The closing repeats the last record with byte 1 set.
    QByteArray abschluss = r[6];
    abschluss[1] = 1;
    EXPECT_EQ(r[7], abschluss);
    EXPECT_EQ(u.fehlerspeicher.Indexfehler, 0);
    EXPECT_EQ(u.fehlerspeicher.Definitionen_geschrieben, 2);
    EXPECT_FALSE(anfragen().Fehler_def_nach_Quorvel->Meldung()->sichtbar());

    // Read back: the same definitions and rows (the mode as the ECU keeps it, two bits).
    std::vector<cl_Fehler_def> geschrieben = defs().Liste;
    for (auto& d : geschrieben)
        for (auto& g : d.Grenzen) {
            g.Modus &= 3;
            g.Aus = static_cast<int16_t>(g.Aus);
            g.speichern = 1;
        }
    defs().alle_freigeben();
    anfragen().Fehler_def_von_Quorvel->starten();
    ASSERT_TRUE(u.warte_still());
    ASSERT_EQ(defs().Liste.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(defs().Liste[i].Variable, geschrieben[i].Variable);
        EXPECT_EQ(defs().Liste[i].Grenzen, geschrieben[i].Grenzen) << i;
    }
}

TEST_F(Fehlerdefinitionen_schreiben, LoeschenOhneDefinitionen) {
    defs().alle_freigeben();
    u.fehlerspeicher.Definitionen = {B::Grenze(1, 1, 0, 3, 0, 0, 0)};
    anfragen().Fehler_def_nach_Quorvel->starten();
    auto* fenster = anfragen().Fehler_def_nach_Quorvel->Meldung();
    EXPECT_EQ(fenster->Text(), hole_Text(1223));
    u.warte([&] {
        return u.fehlerspeicher.Definitionen_geschrieben == 0 &&
               anfragen().Fehler_def_nach_Quorvel->phase == cl_Fehler_def_nach_Quorvel::Abschluss;
    });
    EXPECT_EQ(fenster->Text(), hole_Text(1224));
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(Rahmen(92),
              (std::vector<QByteArray>{Bytes({255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
                                       Bytes({255, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})}));
    EXPECT_TRUE(u.fehlerspeicher.Definitionen.empty());
    EXPECT_FALSE(fenster->sichtbar());
}

TEST_F(Fehlerdefinitionen_schreiben, MehrAls255DatensaetzeWerdenAbgelehnt) {
    Definitionen({{3, 200}, {5, 56}});
    EXPECT_FALSE(anfragen().Fehler_def_nach_Quorvel->sende_naechsten());
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(1323)});
    u.k.ticke(5);
    EXPECT_TRUE(u.Folge().empty());
    defs().aktuelle()->Grenzen.pop_back();
    EXPECT_TRUE(anfragen().Fehler_def_nach_Quorvel->sende_naechsten());
    ASSERT_TRUE(u.warte_still(5000));
    EXPECT_EQ(u.fehlerspeicher.Definitionen.size(), 255u);
    EXPECT_EQ(u.fehlerspeicher.Indexfehler, 0);
}

TEST_F(Fehlerdefinitionen_schreiben, DefinitionenFreigebenWaehrendDesSchreibens) {
    Definitionen({{3, 2}, {5, 2}});
    const std::vector<cl_Fehler_def> vorher = defs().Liste;
    // An answer goes missing: the record is sent again after the pause.
    u.fehlerspeicher.verwerfe(92, 2);
    ASSERT_TRUE(anfragen().Fehler_def_nach_Quorvel->sende_naechsten());
    u.k.ticke_und_warte();
    u.k.ticke_und_warte();
    // The window frees and changes the definitions meanwhile.
    defs().alle_freigeben();
    Definitionen({{1, 1}});
    ASSERT_TRUE(u.warte_still(5000));
    EXPECT_EQ(u.fehlerspeicher.Indexfehler, 0);
    ASSERT_EQ(u.fehlerspeicher.Definitionen.size(), 4u);
    EXPECT_EQ(u.fehlerspeicher.Definitionen[3][6], 5);
    EXPECT_EQ(Rahmen(92).size(), 7u);
}

} // namespace
