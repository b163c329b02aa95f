// The Vundel and Pilmot engine panels: record bytes in, every label's text, colour and
// visibility out, as tables; the window shows what its logic says.

#include "link/LinkFixture.h"
#include "model/UBefehle.h"
#include "model/UParameter.h"
#include "model/UStatusdaten.h"
#include "windows/Variantenfixtures.h"
#include "windows/status/UPilmot.h"
#include "windows/status/UVundel.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace {

// Each field its own value, so that a wrong offset shows.
std::vector<uint8_t> L_Satz(int l8 = 3) {
    return Datensatz(84, {{8, l8},
                          {10, 2345},
                          {14, 400},
                          {18, 315},
                          {24, 1200},
                          {30, 7},
                          {32, 2500},
                          {34, -5},
                          {38, 512},
                          {44, 200},
                          {46, 300},
                          {50, 700},
                          {72, 44},
                          {74, 85},
                          {76, 900},
                          {78, -12},
                          {80, 987},
                          // valid: bits 1, 3, 8; invalid: 2, 4, 9
                          {82, 0x010A}});
}

std::vector<uint8_t> A_Satz() {
    auto d = Datensatz(98, {{12, 1000},
                            {16, 1500},
                            {18, 1250},
                            {22, 125},
                            {24, 375},
                            {26, 50},
                            {28, -250},
                            {32, 21},
                            {34, -2},
                            {36, 3},
                            {38, -4},
                            {40, 5},
                            {52, 1234},
                            {56, 1023},
                            {58, 100},
                            {60, 333},
                            {62, -17},
                            {70, 456}});
    setze_u32(d, 82, 70000);
    return d;
}

std::vector<uint8_t> V_Satz() {
    auto d = Datensatz(100, {{0, 100},  {2, 200},   {4, 983},  {6, 400},     {8, 600},   {16, 650},
                             {18, -3},  {20, 777},  {22, 150}, {24, 812},    {32, 11},   {34, -12},
                             {36, 13},  {38, 14},   {44, 123}, {46, 0x670D}, {48, 40},   {50, 60},
                             {52, 1},   {54, 2},    {56, 3},   {58, 4},      {60, 2500}, {62, 17},
                             {68, 18},  {70, 3300}, {74, 100}, {76, 200},    {78, 300},  {80, -400},
                             {82, 800}, {84, 45},   {86, 7},   {88, 1500},   {90, 625},  {92, 9},
                             {94, 2},   {96, -6},   {98, -125}});
    setze_u32(d, 64, 123456);
    return d;
}

Identitaet Vundel_ECU(int typnummer = 1, int version = 532) {
    Identitaet id;
    id.Hersteller = 9;
    id.ECU_Typ = 1;
    id.Typnummer = typnummer;
    id.Version = version;
    id.Datenversion_Haupt = 2;
    id.Datenversion_Neben = 5;
    return id;
}

Identitaet Pilmot_ECU(int typnummer = 1) {
    Identitaet id = Vundel_ECU(typnummer);
    id.Hersteller = 12;
    return id;
}

class Motorpanel : public ::testing::Test {
protected:
    // The shipped language texts (the engine states).
    LinkKontext k{false};
};

} // namespace

TEST_F(Motorpanel, MainAndARecordsOfTheVundelPanel) {
    Vundel_Logik v;
    const auto L = L_Satz();
    const auto A = A_Satz();
    EXPECT_FALSE(v.zeige_akt_Daten(Vundel_ECU(), Satz(L)));
    v.zeige_akt_Daten_A(Vundel_ECU(), Satz(A), Satz(L));
    pruefe(v.A, {
                    {"Label_Drehzahl", "2345"},
                    {"Label_Drehzahlfehler", "7/1200"},
                    {"Label_Spannung_Drosselklappe", " 2.50 V"},
                    {"Label_Lufttemperatur", "-12", true, rot},
                    {"Label_Spannung_Lufttemperatur", " 1.47 V"},
                    {"Label_Luftdruck_int", "987", true, schwarz},
                    {"Label_Spannung_Luftdruck_int", " 3.42 V"},
                    {"Label_Batteriespannung", " 4.40"},
                    {"Label_int_Temp", " 31.5"},
                    {"Label_Spannung_int_Temp", " 1.96 V"},
                    {"Label_Einspritzzeit", "2000"},
                    {"Label_Zuendwinkel", "-5"},
                    {"Label_Motortemp", "85", true, schwarz},
                    {"Label_Spannung_Motortemp", " 0.98 V"},
                    {"Label_Motorstatus", "Running  "},
                    {"Label_Drosselklappe", " -1.7", true, rot},
                    {"Label_Sollwert_Drosselklappe", " 33.3", true, schwarz},
                    {"Label_CWI_Temp", std::nullopt, std::nullopt, rot},
                    {"Label_Benzin_Grundkennfeld", "800"},
                    {"Label_Benzin_Luftkorrektur", "1000"},
                    {"Label_Basis", "1200"},
                    {"Label_Benzin_Motortemperatur", "100"},
                    {"Label_Benzin_Funktionseingang", "-200"},
                    {"Label_Benzin_Beschleunigung", "300"},
                    {"Label_Benzin_Schaltzeit", "40"},
                    {"Label_Oeffnungsdauer", " 45.6"},
                    {"Label_Zuendkennfeld", "21"},
                    {"Label_Zuendung_Lufttemperatur", "-2"},
                    {"Label_Zuendung_Luftdruck", "3"},
                    {"Label_Zuendung_Motortemperatur", "-4"},
                    {"Label_Zuendung_beschleunigung", "5"},
                    {"Label_Verbrauch", " 123.4"},
                    {"Label_Anzahl_Loggerdaten", "70000"},
                });
    // The Pilmot names its engine temperature and throttle otherwise.
    EXPECT_FALSE(v.A.Felder().contains(QStringLiteral("Label_Motortemperatur")));
}

TEST_F(Motorpanel, EngineStateTexts) {
    struct Fall {
        int l8;
        const char* text;
        bool hand;
    };
    for (const Fall& f : {Fall{0, "Manual mode  0", true}, Fall{2, "Cranking  ", false},
                          Fall{4, "Running  Idle", false}, Fall{10, "Running  Rev limit", false},
                          Fall{19, "Running  Stall", false}, Fall{20, "Warm-up  Limp home", false},
                          Fall{25, "Warm-up  ", false}}) {
        Vundel_Logik v;
        EXPECT_EQ(v.zeige_akt_Daten(Vundel_ECU(), Satz(L_Satz(f.l8))), f.hand) << f.l8;
        EXPECT_EQ(v.A[QStringLiteral("Label_Motorstatus")].Text, QString::fromUtf8(f.text)) << f.l8;
    }
}

TEST_F(Motorpanel, VundelRecordWithEveryBlockShown) {
    Vundel_Logik v;
    const auto L = L_Satz();
    const auto A = A_Satz();
    const auto V = V_Satz();
    v.zeige_Vundel_Daten(Vundel_ECU(1, 532), Satz(V), Satz(A), Satz(L),
                         Parameter({{5305, 3},
                                    {5153, 1},
                                    {5163, 1},
                                    {5164, 1},
                                    {5165, 1},
                                    {5125, 0},
                                    {5166, 1},
                                    {5168, 2}}),
                         true);
    pruefe(v.A, {
                    {"Label_Kopfname_0", "CHT 1"},
                    {"Label_Kopfname_1", "CHT 2"},
                    {"Label_Kopfname_2", "EGT 1"},
                    {"Label_Kopfname_3", "EGT 2"},
                    {"Label_Kopfname_4", std::nullopt, false},
                    {"Label_Temp_4", "812", false},
                    {"Label_Einheit_Temp_4", std::nullopt, false},
                    {"Label_Err_4", "F110", false},
                    {"Label_Spannung_Temp_4", " 2.93 V", false},
                    {"GroupBox_CWI", std::nullopt, true},
                    {"Label_Temp_0", "650"},
                    {"Label_Temp_1", "-3"},
                    {"Label_Temp_2", "---"},
                    {"Label_Temp_3", "<200"},
                    {"Label_Spannung_Temp_0", " 0.49 V"},
                    {"Label_Spannung_Temp_1", " 0.98 V"},
                    {"Label_Spannung_Temp_2", " 4.80 V"},
                    {"Label_Spannung_Temp_3", " 1.96 V"},
                    {"Label_Zylinder_1", "11"},
                    {"Label_Zylinder_2", "-12"},
                    {"Label_Zylinder_3", "13"},
                    {"Label_Zylinder_4", "14"},
                    {"Label_enrichment_inj_1", "80"},
                    {"Label_enrichment_inj_2", "160"},
                    {"Label_enrichment_inj_3", "240"},
                    {"Label_enrichment_inj_4", "-320"},
                    {"Label_E_Gas_output", "2.500"},
                    {"Label_Systemzeit", "123.456"},
                    {"Label_Kopf_Sollwert_Drehzahl", std::nullopt, true},
                    {"Label_Sollwert_Drehzahl", "3300", true},
                    {"GroupBox_Oelpumpe_1", std::nullopt, true},
                    {"Label_Oelpumpe_1_OFR", "1:40"},
                    {"Label_Oelpumpe_1_no_of_injections", "17"},
                    // Type number 1 hides the second pump, its parameter shows it again.
                    {"GroupBox_Oelpumpe_2", std::nullopt, true},
                    {"Label_Oelpumpe_2_OFR", "1:60"},
                    {"Label_Oelpumpe_2_no_of_injections", "18"},
                    {"Label_Wasserpumpe", "1", true},
                    {"Label_Kopf_Wasserpumpe", std::nullopt, true},
                    {"Label_Benzinpumpe", "2", false},
                    {"Label_Kopf_Benzinpumpe", std::nullopt, false},
                    {"Label_Abgasklappe", "3", false},
                    {"Label_Luftklappe", "4", true},
                    {"GroupBox_sonstige_Ausgaenge", std::nullopt, true},
                    {"Label_Zuendung_Zyl_2", "2"},
                    {"Label_Err_0", "F101"},
                    {"Label_Err_1", "F001"},
                    {"Label_Err_2", "F100"},
                    {"Label_Err_3", "F011"},
                    {"Label_CWI_Temp", "45"},
                    {"Label_Spannung_CWI_Temp", " 3.91 V"},
                    {"Label_CWI_Einspritzzeit", "500"},
                    {"Label_CWI_Verdampfungszeit", "9"},
                    {"Label_CWI_Sequenz_Nr", "3"},
                    {"Label_CWI_injection_diff", "-100"},
                    {"Label_CWI_ignition_diff", "-6"},
                    {"Label_Kopf_torque_target", std::nullopt, true},
                    {"Label_torque_target", " 12.3", true},
                    {"Label_Spannung_torque_target", " 5.00 V", true},
                    {"Label_Spannung_Sollwert_Drosselklappe", std::nullopt, false},
                });
}

TEST_F(Motorpanel, VundelRecordWithBlocksHidden) {
    struct Fall {
        const char* was;
        Identitaet id;
        std::map<int, int64_t> p;
        bool cwi;
        std::vector<Soll> soll;
    };
    const std::vector<Fall> faelle = {
        {"type 2, before 5.32, nothing switched on",
         Vundel_ECU(2, 531),
         {{5305, 1}, {5153, 0}, {5163, 0}, {5164, 0}, {5165, 0}, {5125, -1}, {5168, 0}},
         false,
         {{"Label_Kopfname_0", "Temp. 1"},
          {"Label_Kopfname_4", "Temp. 5", true},
          {"Label_Temp_4", "812", true},
          {"GroupBox_CWI", std::nullopt, false},
          {"Label_Sollwert_Drehzahl", std::nullopt, false},
          {"Label_Kopf_Sollwert_Drehzahl", std::nullopt, false},
          {"GroupBox_Oelpumpe_1", std::nullopt, false},
          {"GroupBox_Oelpumpe_2", std::nullopt, false},
          {"Label_Oelpumpe_1_OFR", std::nullopt},
          {"GroupBox_sonstige_Ausgaenge", std::nullopt, false},
          {"Label_Wasserpumpe", "1", false},
          {"Label_Luftklappe", "4", false},
          {"Label_torque_target", std::nullopt, false},
          {"Label_Spannung_torque_target", std::nullopt, false},
          {"Label_Spannung_Sollwert_Drosselklappe", " 5.00 V", true}}},
        {"CWI on but its parameter's bit 0 clear; an ECU type other than 1",
         [] {
             Identitaet id = Vundel_ECU(1, 600);
             id.ECU_Typ = 2;
             return id;
         }(),
         {{5305, 2}, {5167, 1}},
         true,
         {{"GroupBox_CWI", std::nullopt, false},
          // Type number 1 alone hides the second pump when its parameter is not defined.
          {"GroupBox_Oelpumpe_2", std::nullopt, false},
          {"Label_Abgasklappe", "3", true},
          {"GroupBox_sonstige_Ausgaenge", std::nullopt, true},
          {"Label_torque_target", std::nullopt, false},
          {"Label_Spannung_Sollwert_Drosselklappe", " 5.00 V", true}}},
    };
    for (const Fall& f : faelle) {
        Vundel_Logik v;
        v.zeige_Vundel_Daten(f.id, Satz(V_Satz()), Satz(A_Satz()), Satz(L_Satz()), Parameter(f.p),
                             f.cwi);
        pruefe(v.A, f.soll, f.was);
    }
}

TEST_F(Motorpanel, TemperatureSensorRule) {
    struct Fall {
        int wert;
        int sensor;
        const char* text;
    };
    for (const Fall& f : {Fall{150, 409, "<200"}, Fall{199, 982, "<200"}, Fall{200, 982, "200"},
                          Fall{150, 983, "---"}, Fall{900, 1023, "---"}, Fall{-40, 0, "<200"}}) {
        Vundel_Logik v;
        v.zeige_Vundel_Daten(Vundel_ECU(), Satz(Datensatz(100, {{20, f.wert}, {4, f.sensor}})),
                             Satz(), Satz(), Parameter({}), false);
        EXPECT_EQ(v.A[QStringLiteral("Label_Temp_2")].Text, QString::fromLatin1(f.text))
            << f.wert << " " << f.sensor;
    }
}

TEST_F(Motorpanel, StatusWordFiveShowsF101AndZerosElsewhere) {
    Vundel_Logik v;
    v.zeige_Vundel_Daten(Vundel_ECU(), Satz(Datensatz(100, {{46, 5}})), Satz(), Satz(),
                         Parameter({}), false);
    pruefe(v.A, {{"Label_Err_0", "F101"},
                 {"Label_Err_1", "F000"},
                 {"Label_Err_2", "F000"},
                 {"Label_Err_3", "F000"},
                 {"Label_Err_4", "F000"}});
}

TEST_F(Motorpanel, DataVersionWithTheDefinedParameters) {
    Vundel_Logik v;
    v.zeige_Datenversion(Vundel_ECU(), Parameter({{5307, 4}, {5309, 7}, {5312, 0}, {5313, 9}}));
    EXPECT_EQ(v.A[QStringLiteral("Label_Datenversion")].Text, QStringLiteral("2-5-4-7-0"));
}

TEST_F(Motorpanel, EachPanelActsForItsOwnManufacturerOnly) {
    const auto L = L_Satz();
    const auto A = A_Satz();
    const auto V = V_Satz();
    auto aux = Datensatz(32, {});
    setze_f32(aux, 0, 1.5F);
    for (const Identitaet& id : {Pilmot_ECU(), [] {
                                     Identitaet i = Vundel_ECU();
                                     i.Hersteller = 1;
                                     return i;
                                 }()}) {
        Vundel_Logik v;
        EXPECT_FALSE(v.zeige_akt_Daten(id, Satz(L_Satz(0))));
        v.zeige_akt_Daten_A(id, Satz(A), Satz(L));
        v.zeige_Vundel_Daten(id, Satz(V), Satz(A), Satz(L), Parameter({{5163, 1}}), true);
        v.zeige_Datenversion(id, Parameter({}));
        v.zeige_Aux_Daten(id, Satz(aux));
        EXPECT_TRUE(v.A.Felder().empty());
        EXPECT_TRUE(v.Memo.isEmpty());
    }
    Pilmot_Logik p;
    EXPECT_FALSE(p.zeige_akt_Daten(Vundel_ECU(), Satz(L_Satz(0))));
    p.zeige_akt_Daten_A(Vundel_ECU(), Satz(A), Satz(L));
    p.zeige_Vundel_Daten(Vundel_ECU(), Satz(V), Satz(A), Parameter({}));
    p.zeige_Aux_Daten(Vundel_ECU(), Satz(aux));
    EXPECT_TRUE(p.A.Felder().empty());
    EXPECT_TRUE(p.Memo.isEmpty());
}

TEST_F(Motorpanel, PilmotRecords) {
    Pilmot_Logik p;
    const auto L = L_Satz();
    const auto A = A_Satz();
    const auto V = V_Satz();
    EXPECT_TRUE(p.zeige_akt_Daten(Pilmot_ECU(), Satz(L_Satz(0))));
    p.zeige_akt_Daten(Pilmot_ECU(), Satz(L));
    p.zeige_akt_Daten_A(Pilmot_ECU(), Satz(A), Satz(L));
    p.zeige_Vundel_Daten(Pilmot_ECU(), Satz(V), Satz(A), Parameter({{5163, 1}}));
    pruefe(p.A, {
                    {"Label_Motortemperatur", "85", true, schwarz},
                    {"Label_Spannung_Motortemperatur", " 0.98 V"},
                    {"Label_Drosselklappe", "44", true, rot},
                    {"Label_Lufttemperatur", "-12", true, rot},
                    {"Label_Luftdruck_int", "987", true, schwarz},
                    {"Label_Kopfname_0", "EGT A"},
                    {"Label_Kopfname_1", "EGT B"},
                    {"Label_Kopfname_2", "EGT C"},
                    {"Label_Kopfname_3", "EGT D"},
                    {"Label_Temp_0", "650"},
                    {"Label_Temp_1", "-3"},
                    // No sensor test on this panel.
                    {"Label_Temp_2", "777"},
                    {"Label_Temp_3", "150"},
                    {"Label_Spannung_Temp_2", " 4.80 V"},
                    {"Label_Spannung_Temp_3", " 1.96 V"},
                    {"Label_Zylinder_4", "14"},
                    {"Label_enrichment_inj_4", "-320"},
                    {"Label_Systemzeit", "123.456"},
                    {"GroupBox_Oelpumpe_1", std::nullopt, true},
                    {"Label_Oelpumpe_1_OFR", "1:40"},
                    {"Label_Oelpumpe_1_no_of_injections", "17"},
                    {"Label_Benzin_Solldruck", "1500"},
                    {"Label_Benzin_Istdruck", "7"},
                    {"Label_Spannung_Benzindruck_Istwert", " 0.49 V"},
                    {"Label_Benzinpumpe", "  0.2"},
                    {"Label_Err_0", "F101"},
                    {"Label_Err_3", "F011"},
                });
    // The Vundel's own rows are not the Pilmot's.
    for (const char* n : {"Label_Err_4", "Label_Temp_4", "Label_Sollwert_Drosselklappe",
                          "Label_Anzahl_Loggerdaten", "Label_Motortemp", "Label_CWI_Temp"})
        EXPECT_FALSE(p.A.Felder().contains(QString::fromLatin1(n))) << n;
}

TEST_F(Motorpanel, AuxMemoShowsEightFloats) {
    auto aux = Datensatz(32, {});
    const float werte[] = {1.5F, -2.25F, 0.1F, 0, 1e20F, 12345.0F, 3e-6F, -0.5F};
    for (int i = 0; i < 8; ++i)
        setze_f32(aux, 4 * i, werte[i]);
    Vundel_Logik v;
    v.zeige_Aux_Daten(Vundel_ECU(), Satz(aux));
    EXPECT_EQ(v.Memo, (QStringList{"1.5", "-2.25", "0.100000001490116", "0", "1.00000002004088E20",
                                   "12345", "3.00000010611257E-6", "-0.5"}));
}

TEST_F(Motorpanel, WindowsShowWhatTheirLogicSays) {
    k.kontext->version().setze_offline(1, 9, 1, 400, 532, 0);
    TForm_Vundel vundel(*k.kontext);
    auto& b = k.kontext->ecu_Befehle();
    const auto L = L_Satz();
    const auto A = A_Satz();
    const auto V = V_Satz();
    std::copy(L.begin(), L.end(), b.akt_Daten.Daten.begin());
    std::copy(A.begin(), A.end(), b.akt_Daten_A.Daten.begin());
    std::copy(V.begin(), V.end(), b.akt_Daten_Vundel.Daten.begin());
    b.akt_Daten_Vundel.Antwort();
    b.akt_Daten.Antwort();
    b.akt_Daten_A.Antwort();
    EXPECT_EQ(vundel.Label(QStringLiteral("Label_Drehzahl"))->text(), QStringLiteral("2345"));
    EXPECT_GT(vundel.Logik.A.Felder().size(), 80u);
    pruefe_Fenster(vundel, vundel.Logik.A);
    // Without "/T" the memo stays hidden.
    EXPECT_TRUE(vundel.Memo_Aux->isHidden());

    k.kontext->version().setze_offline(1, 12, 1, 400, 532, 0);
    TForm_Pilmot pilmot(*k.kontext);
    b.akt_Daten_Vundel.Antwort();
    b.akt_Daten.Antwort();
    b.akt_Daten_A.Antwort();
    EXPECT_EQ(pilmot.windowTitle(), QStringLiteral("Status Pilmot"));
    EXPECT_GT(pilmot.Logik.A.Felder().size(), 55u);
    pruefe_Fenster(pilmot, pilmot.Logik.A);
    Bild(pilmot, "Pilmot");
    Bild(vundel, "Vundel_Tabelle");
}

TEST_F(Motorpanel, ManualModeSendsThePendingInjectionChange) {
    k.kontext->erzeuge_Befehle();
    auto& b = k.kontext->ecu_Befehle();
    cl_Quorvel_Hand_Einspritzzeit_aendern& aenderung =
        *k.kontext->befehle()->Quorvel_Hand_Einspritzzeit_aendern;
    // Windows live for the whole run: both listen throughout, each acting for its own ECU.
    TForm_Vundel vundel(*k.kontext);
    TForm_Pilmot pilmot(*k.kontext);
    for (const int hersteller : {9, 12}) {
        SCOPED_TRACE(hersteller);
        k.kontext->version().setze_offline(1, hersteller, 1, 400, 532, 0);
        aenderung.Akkumulator = 8;
        // Running: the change waits.
        const auto L = L_Satz(3);
        std::copy(L.begin(), L.end(), b.akt_Daten.Daten.begin());
        b.akt_Daten.Antwort();
        EXPECT_EQ(aenderung.Akkumulator, 8);
        // Manual mode: it goes out with the answer, 8 steps as 10.
        const auto H = L_Satz(0);
        std::copy(H.begin(), H.end(), b.akt_Daten.Daten.begin());
        b.akt_Daten.Antwort();
        EXPECT_EQ(aenderung.Akkumulator, 0);
        EXPECT_EQ(aenderung.gesendet(), 10);
        aenderung.stoppen();
        aenderung.Sendewort = {};
    }
}

TEST_F(Motorpanel, DataVersionFollowsTheParametersWritten) {
    k.kontext->version().setze_offline(1, 9, 1, 400, 532, 0);
    TForm_Vundel vundel(*k.kontext);
    QLabel* l = vundel.Label(QStringLiteral("Label_Datenversion"));
    ASSERT_NE(l, nullptr);
    l->setText(QStringLiteral("?"));
    // Read back, the set changes nothing here; written, the panel shows the data version.
    InterAction_ausfuehren(k.kontext->parameter(), cl_Parameter_Daten::Gelesen);
    EXPECT_EQ(l->text(), QStringLiteral("?"));
    InterAction_ausfuehren(k.kontext->parameter(), cl_Parameter_Daten::Geschrieben);
    EXPECT_EQ(l->text(), QStringLiteral("0-0"));
}
