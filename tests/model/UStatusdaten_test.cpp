// The live records and the polling plan: which records the identity starts and how often,
// the values the answers derive, and records polled while a window shows them.

#include "ecusim/Identitaet.h"
#include "link/LinkFixture.h"
#include "link/UKommunikation.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

// The identity as if the ECU had just answered it; the password query it starts stays
// unsent, as nothing ticks the link.
void setze_Identitaet(cl_Version& v, const ecusim::Identitaetsdaten& id) {
    const QByteArray a = ecusim::baue_Identitaet(id);
    std::copy(a.begin(), a.end(), v.Antwortbereich.begin());
    v.Antwort();
}

std::map<std::string, cl_Datensatz*> Datensaetze(cl_ECU_Befehle& b) {
    return {{"L", &b.akt_Daten},
            {"A", &b.akt_Daten_A},
            {"B", &b.akt_Daten_B},
            {"C", &b.akt_Daten_C},
            {"Vundel", &b.akt_Daten_Vundel},
            {"DSG", &b.DSG_Daten},
            {"Getriebe", &b.Getriebe_Daten},
            {"Kvarendol", &b.Kvarendol_Daten},
            {"Testbox", &b.Testbox_Daten},
            {"Dranel", &b.Dranel_Kerosin_Daten},
            {"Diesel", &b.Diesel_Daten},
            {"Diesel_A", &b.Diesel_Daten_A},
            {"Aux", &b.Aux_Daten},
            {"Aux_erweitert", &b.Aux_Daten_erweitert},
            {"aux_int", &b.aux_int},
            {"Additiv", &b.Additiv_Statusdaten},
            {"CAN_Temps", &b.CAN_Zusatztemps}};
}

// The running records and their periods in ticks.
std::map<std::string, int> Plan(cl_ECU_Befehle& b) {
    std::map<std::string, int> plan;
    for (const auto& [name, r] : Datensaetze(b))
        if (r->aktiv)
            plan[name] = r->Periode;
    return plan;
}

} // namespace

TEST(Statusdaten, TheRecordsHaveTheirCommandsAndLengthsAndTakeTheirPlacesInTheRing) {
    LinkKontext k;
    cl_ECU_Befehle& b = k.kontext->ecu_Befehle();
    const std::map<std::string, std::pair<int, int>> erwartet = {
        {"L", {4, 84}},          {"A", {11, 98}},
        {"B", {13, 100}},        {"C", {14, 100}},
        {"Vundel", {13, 100}},   {"DSG", {4, 104}},
        {"Getriebe", {22, 88}},  {"Kvarendol", {23, 100}},
        {"Testbox", {14, 80}},   {"Dranel", {4, 100}},
        {"Diesel", {4, 100}},    {"Diesel_A", {23, 100}},
        {"Aux", {5, 32}},        {"Aux_erweitert", {15, 400}},
        {"aux_int", {5, 32}},    {"Additiv", {4, 50}},
        {"CAN_Temps", {126, 16}}};
    for (const auto& [name, r] : Datensaetze(b)) {
        EXPECT_EQ(r->Befehl, erwartet.at(name).first) << name;
        EXPECT_EQ(r->Antwortlaenge, erwartet.at(name).second) << name;
        EXPECT_EQ(r->Sendelaenge, 0) << name;
        EXPECT_EQ(r->Blockweise_lesen, name == "Aux_erweitert") << name;
        EXPECT_EQ(r->Timeout_ms, name == "Aux_erweitert" ? 1000 : 500) << name;
    }
    // The ring's order is the order of turns; the password requests come after these.
    const std::vector<std::string> erwartet_Ring = {"cl_Kommunikation",
                                                    "cl_Parameter",
                                                    "cl_akt_Daten",
                                                    "cl_akt_Daten_A",
                                                    "cl_akt_Daten_B",
                                                    "cl_akt_Daten_C",
                                                    "cl_akt_Daten_Vundel",
                                                    "cl_DSG_Daten",
                                                    "cl_DSG_Log_Daten",
                                                    "cl_DSG_log_Zustandsdaten",
                                                    "cl_Getriebe_Daten",
                                                    "cl_Kvarendol_Daten",
                                                    "cl_Testbox_Daten",
                                                    "cl_Dranel_Kerosin_Daten",
                                                    "cl_Diesel_Daten",
                                                    "cl_Diesel_Daten_A",
                                                    "cl_Version",
                                                    "cl_Aux_Daten",
                                                    "cl_Aux_Daten_erweitert",
                                                    "cl_Fehler_def_nach_Quorvel",
                                                    "cl_Fehler_def_von_Quorvel",
                                                    "cl_Fehler_Quorvel",
                                                    "cl_Leistung_Quorvel",
                                                    "cl_Export_starten",
                                                    "cl_Export_next",
                                                    "cl_Import_next",
                                                    "cl_Passwort_Nr_schreiben",
                                                    "cl_Passwort_Nr_lesen",
                                                    "cl_analoge_Eingaenge",
                                                    "cl_digitale_Eingaenge",
                                                    "cl_digitale_Ausgaenge",
                                                    "cl_Merker",
                                                    "cl_Merker_senden",
                                                    "cl_Test_Logdaten",
                                                    "cl_aux_int",
                                                    "cl_Additiv_Statusdaten",
                                                    "cl_ECU_Systemdaten",
                                                    "cl_CAN_Zusatztemps",
                                                    "cl_Passwort_Quorvel",
                                                    "cl_Passwort_Quorvel_OK"};
    std::vector<std::string> ring;
    for (const cl_COM_data* r : k.link().Anfragen())
        ring.emplace_back(r->klasse().name);
    EXPECT_EQ(ring, erwartet_Ring);
}

TEST(Statusdaten, ThePlanFollowsTheIdentity) {
    struct Fall {
        const char* name;
        uint16_t typ, hersteller, typnummer, hardware, version;
        std::map<std::string, int> plan;
    };
    const Fall faelle[] = {
        {"type 1, maker 1, 540: B by the version",
         1,
         1,
         400,
         200,
         540,
         {{"L", 0}, {"A", 0}, {"B", 0}}},
        {"type 1, maker 1, 536", 1, 1, 400, 200, 536, {{"L", 0}, {"A", 0}}},
        {"type 1, maker 1, 660: C", 1, 1, 400, 200, 660, {{"L", 0}, {"A", 0}, {"C", 0}}},
        {"type 0, hardware 301: B", 0, 3, 1, 301, 400, {{"L", 0}, {"A", 0}, {"B", 0}}},
        {"hardware 350 of maker 8: no B", 1, 8, 1, 350, 400, {{"L", 0}, {"A", 0}}},
        {"maker 2 from 521: B", 2, 2, 1, 200, 521, {{"L", 0}, {"A", 0}, {"B", 0}}},
        {"maker 4, 550: B", 1, 4, 1, 200, 550, {{"L", 0}, {"A", 0}, {"B", 0}}},
        {"maker 9", 1, 9, 1, 200, 400, {{"L", 0}, {"A", 0}, {"Vundel", 0}}},
        {"maker 12", 2, 12, 1, 200, 400, {{"L", 0}, {"A", 0}, {"Vundel", 0}}},
        {"type 3", 3, 1, 1, 200, 600, {{"Getriebe", 0}}},
        {"type 4, number 1", 4, 1, 1, 200, 600, {{"Testbox", 0}}},
        {"type 4, number 2", 4, 1, 2, 200, 600, {{"Kvarendol", 0}}},
        {"type 4, number 3", 4, 1, 3, 200, 600, {}},
        {"type 5, 200", 5, 1, 1, 200, 200, {{"Diesel", 15}}},
        {"type 5, 210", 5, 1, 1, 200, 210, {{"Diesel", 15}, {"Diesel_A", 15}}},
        {"type 6", 6, 1, 1, 200, 600, {{"Additiv", 0}}},
        {"type 9", 9, 1, 1, 200, 600, {}},
    };
    for (const Fall& f : faelle) {
        LinkKontext k;
        ecusim::Identitaetsdaten id;
        id.ECU_Typ = f.typ;
        id.Hersteller = f.hersteller;
        id.Typnummer = f.typnummer;
        id.Hardware_Haupt = f.hardware;
        id.Version = f.version;
        setze_Identitaet(k.version(), id);
        cl_ECU_Befehle& b = k.kontext->ecu_Befehle();
        b.starte_Statusdaten();
        EXPECT_EQ(Plan(b), f.plan) << f.name;
    }
}

TEST(Statusdaten, DieselAndKvarendolEcusStopTheMainRecords) {
    struct Fall {
        uint16_t typ, typnummer;
        bool L, A;
    };
    for (const Fall f :
         {Fall{5, 1, false, false}, Fall{4, 2, false, true}, Fall{4, 3, true, true}}) {
        LinkKontext k;
        ecusim::Identitaetsdaten id;
        id.ECU_Typ = f.typ;
        id.Typnummer = f.typnummer;
        setze_Identitaet(k.version(), id);
        cl_ECU_Befehle& b = k.kontext->ecu_Befehle();
        b.akt_Daten.starten_zyklisch(0, 100);
        b.akt_Daten_A.starten_zyklisch(0, 100);
        b.starte_Statusdaten();
        EXPECT_EQ(b.akt_Daten.aktiv, f.L) << f.typ << '/' << f.typnummer;
        EXPECT_EQ(b.akt_Daten_A.aktiv, f.A) << f.typ << '/' << f.typnummer;
    }
}

TEST(Statusdaten, ASecondPlanChangesNoDueTickAndDataItemEcusOnlySendTheirPendingTransfer) {
    LinkKontext k;
    ecusim::Identitaetsdaten id;
    id.Version = 540;
    setze_Identitaet(k.version(), id);
    cl_ECU_Befehle& b = k.kontext->ecu_Befehle();
    b.starte_Statusdaten();
    const int faellig = b.akt_Daten_A.faellig;
    k.ticke(7);
    b.starte_Statusdaten();
    EXPECT_EQ(b.akt_Daten_A.faellig, faellig);

    LinkKontext d;
    ecusim::Identitaetsdaten typ7;
    typ7.ECU_Typ = 7;
    typ7.Version = 620;
    setze_Identitaet(d.version(), typ7);
    d.kontext->parameter().ueber_Datenelemente = true;
    cl_ECU_Befehle& db = d.kontext->ecu_Befehle();
    db.starte_Statusdaten();
    db.starte_Statusanzeige();
    EXPECT_TRUE(Plan(db).empty());
}

TEST(Statusdaten, TheAuxiliaryPlanPollsByTypeAndStopsTheDieselRecords) {
    struct Fall {
        uint16_t typ;
        std::map<std::string, int> plan;
    };
    for (const Fall& f : {Fall{3, {{"DSG", 5}}}, Fall{4, {{"Testbox", 5}}}, Fall{1, {{"L", 5}}},
                          Fall{5, {{"L", 5}}}}) {
        LinkKontext k;
        ecusim::Identitaetsdaten id;
        id.ECU_Typ = f.typ;
        setze_Identitaet(k.version(), id);
        cl_ECU_Befehle& b = k.kontext->ecu_Befehle();
        b.Diesel_Daten.starten_zyklisch(0, 300);
        b.Diesel_Daten_A.starten_zyklisch(0, 300);
        b.starte_Statusanzeige();
        EXPECT_EQ(Plan(b), f.plan) << f.typ;
    }
}

TEST(Statusdaten, AnswersSetTheirAgeAndTheDerivedValues) {
    LinkKontext k;
    cl_ECU_Befehle& b = k.kontext->ecu_Befehle();
    EXPECT_EQ(b.akt_Daten.Alter, 2147483647);
    struct Fall {
        uint16_t wort;
        int32_t prozent;
    };
    for (const Fall f : {Fall{0, -100}, Fall{128, 0}, Fall{255, 99}, Fall{127, 0}, Fall{1, -99},
                         Fall{65535, 51099}}) {
        b.akt_Daten.setze_u16(22, f.wort);
        b.akt_Daten.Alter = 40;
        b.akt_Daten.Antwort();
        EXPECT_EQ(b.Werte.Leerlaufsteller_Prozent, f.prozent) << f.wort;
        EXPECT_EQ(b.akt_Daten.Alter, 0);
    }
    for (cl_Datensatz_mit_Alter* r :
         std::initializer_list<cl_Datensatz_mit_Alter*>{&b.akt_Daten_A, &b.akt_Daten_B}) {
        r->Alter = 9;
        r->Antwort();
        EXPECT_EQ(r->Alter, 0);
    }
}

TEST(Statusdaten, DataItemTwoArrivesAsTheExtendedAuxiliaryRecord) {
    LinkKontext k;
    cl_ECU_Befehle& b = k.kontext->ecu_Befehle();
    k.kontext->ecu_Liste().laden(0);
    cl_Filetyp* f = k.kontext->ecu_Liste().suche_Index(cl_Aux_Daten_erweitert::Datenelement);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Puffer, b.Aux_Daten_erweitert.Daten.data());
    EXPECT_EQ(f->Puffergroesse, 400);
    int gehoert = 0;
    InterAction().Create(
        cl_Aux_Daten_erweitert::Klasse, [&](Sender&) { ++gehoert; }, cl_COM_data::Beantwortet);
    InterAction_ausfuehren(k.kontext->kommunikation(), cl_Aux_Daten_erweitert::Datenelement);
    EXPECT_EQ(gehoert, 1);

    // Older ECUs read it in blocks every 100 ms.
    ecusim::Identitaetsdaten id;
    setze_Identitaet(k.version(), id);
    b.Aux_Daten_erweitert.starten();
    EXPECT_TRUE(b.Aux_Daten_erweitert.aktiv);
    EXPECT_EQ(b.Aux_Daten_erweitert.Periode, 5);
}

TEST(Statusdaten, RecordsShownByWindowsArePolledWhileOneIsVisible) {
    LinkKontext k;
    cl_ECU_Befehle& b = k.kontext->ecu_Befehle();
    setze_Identitaet(k.version(), {});
    b.melde_Anzeige(b.Aux_Daten, true);
    b.melde_Anzeige(b.Aux_Daten, true);
    EXPECT_TRUE(b.Aux_Daten.aktiv);
    EXPECT_EQ(b.Aux_Daten.Periode, 5);
    b.melde_Anzeige(b.Aux_Daten, false);
    EXPECT_TRUE(b.Aux_Daten.aktiv);
    // A disconnection stops every request; the next plan brings the shown record back.
    k.link().trennen();
    EXPECT_FALSE(b.Aux_Daten.aktiv);
    b.starte_Statusdaten();
    EXPECT_TRUE(b.Aux_Daten.aktiv);
    b.melde_Anzeige(b.Aux_Daten, false);
    EXPECT_FALSE(b.Aux_Daten.aktiv);
    // More hidings than showings leave nothing to count below zero.
    b.melde_Anzeige(b.Aux_Daten, false);
    EXPECT_EQ(b.Anzeigen(b.Aux_Daten), 0);
    b.melde_Anzeige(b.aux_int, true);
    EXPECT_TRUE(b.aux_int.aktiv);
}

TEST(Statusdaten, EndingTheExtendedAuxiliaryRecordEndsItsOwnSubscriptionOnly) {
    LinkKontext k;
    cl_ECU_Befehle& b = k.kontext->ecu_Befehle();
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 7;
    setze_Identitaet(k.version(), id);
    k.kontext->ecu_Liste().laden(0);
    const auto leser = [&] {
        return k.kontext->ecu_Liste()
            .suche_Index(cl_Aux_Daten_erweitert::Datenelement)
            ->zyklische_Leser;
    };
    ASSERT_NE(k.kontext->ecu_Liste().suche_Index(cl_Aux_Daten_erweitert::Datenelement), nullptr);
    // Another reader of the item stays subscribed.
    k.kontext->kommunikation().lese_zyklisch(cl_Aux_Daten_erweitert::Datenelement);
    b.Aux_Daten_erweitert.starten();
    EXPECT_EQ(leser(), 2);
    b.Aux_Daten_erweitert.beenden();
    EXPECT_EQ(leser(), 1);
    k.kontext->kommunikation().beende_zyklisch(cl_Aux_Daten_erweitert::Datenelement);
    b.Aux_Daten_erweitert.beenden();
    EXPECT_EQ(leser(), 0);

    // Older ECUs stop their block reads.
    id.ECU_Typ = 1;
    setze_Identitaet(k.version(), id);
    b.Aux_Daten_erweitert.starten();
    ASSERT_TRUE(b.Aux_Daten_erweitert.aktiv);
    b.Aux_Daten_erweitert.beenden();
    EXPECT_FALSE(b.Aux_Daten_erweitert.aktiv);
}
