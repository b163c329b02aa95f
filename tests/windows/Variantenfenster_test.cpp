// The variant live-data windows: record bytes in, every label's text, colour and visibility
// out, as tables per window; the windows show what their logic says.

#include "link/LinkFixture.h"
#include "model/UStatusdaten.h"
#include "windows/Variantenfixtures.h"
#include "windows/status/UBolvinar.h"
#include "windows/status/UDieselsteuerung.h"
#include "windows/status/UDranelKerosin.h"
#include "windows/status/UGeschwindigkeit.h"
#include "windows/status/UGetriebe.h"
#include "windows/status/UKvarendol.h"
#include "windows/status/UNockenwelle.h"
#include "windows/status/UPilmot.h"
#include "windows/status/UStatusAdditiv.h"
#include "windows/status/UTamvik.h"
#include "windows/status/UTestAux.h"
#include "windows/status/UVundel.h"

#include <QPlainTextEdit>
#include <QTableWidget>
#include <memory>

namespace {

class Variantenfenster : public ::testing::Test {
protected:
    LinkKontext k{false};
    cl_ECU_Befehle& b() { return k.kontext->ecu_Befehle(); }
    static void fuelle(cl_Datensatz& satz, const std::vector<uint8_t>& d) {
        std::copy(d.begin(), d.end(), satz.Daten.begin());
    }
};

template <class F> std::unique_ptr<TForm_Variante> neues_Fenster(Kontext& kontext) {
    return std::make_unique<F>(kontext);
}

} // namespace

TEST(Variantenwerte, Conventions) {
    struct Fall {
        QString ist;
        const char* soll;
    };
    for (const Fall& f :
         {Fall{Wert::Volt(0), " 0.00 V"}, Fall{Wert::Volt(1023), " 5.00 V"},
          Fall{Wert::Volt(512), " 2.50 V"}, Fall{Wert::Volt_Zahl(-205), "-1.00"},
          Fall{Wert::us(1000), "800"}, Fall{Wert::us(1), "1"}, Fall{Wert::us(-3), "-2"},
          Fall{Wert::mal(-5, 0.1, "%5.1f"), " -0.5"}, Fall{Wert::Float_allgemein(100.0F), "100"},
          Fall{Wert::Float_allgemein(-1e-6F), "-9.99999997475243E-7"},
          Fall{Wert::Float_allgemein(1e15F), "999999986991104"}})
        EXPECT_EQ(f.ist, QString::fromLatin1(f.soll));
    // The record view reads little-endian and 0 outside.
    const std::vector<uint8_t> d = {0x34, 0x12, 0xFF, 0xFF, 0x01};
    const Satz s{std::span<const uint8_t>(d)};
    EXPECT_EQ(s.u16(0), 0x1234);
    EXPECT_EQ(s.s16(2), -1);
    EXPECT_EQ(s.u32(0), 0xFFFF1234U);
    EXPECT_EQ(s.u16(4), 1);
    EXPECT_EQ(s.u16(5), 0);
    EXPECT_EQ(s.u8(-1), 0);
}

TEST_F(Variantenfenster, KvarendolPanel) {
    const auto K = Datensatz(100, {{18, 1800},
                                   {26, 3},
                                   {28, 12},
                                   {40, 600},
                                   {42, 0b101},
                                   {44, 125},
                                   {46, -75},
                                   {48, 4100},
                                   {50, 100},
                                   {52, 200},
                                   {54, -33},
                                   {56, 950},
                                   {58, 300},
                                   {60, 1700},
                                   {62, 400},
                                   {64, 456},
                                   {66, 42}});
    Kvarendol_Logik l;
    Identitaet id;
    id.ECU_Typ = 4;
    id.Typnummer = 2;
    l.zeige_Kvarendol_Daten(id, Satz(K));
    pruefe(l.A, {
                    {"Label_Drehzahl", "1800"},
                    {"Label_Drehzahlfehler", "12/3"},
                    {"Label_Batteriespannung", " 2.93"},
                    {"Label_Einlassdruck", "4100", true, schwarz},
                    {"Label_Spannung_Einlassdruck", " 0.49 V"},
                    {"Label_Zylinderdruck", "950", true, rot},
                    {"Label_Spannung_Zylinderdruck", " 1.47 V"},
                    {"Label_Verfluessigerdruck", "1700", true, schwarz},
                    {"Label_Spannung_Verfluessigerdruck", " 1.96 V"},
                    {"Label_Winkel_Aus_man", " -3.3"},
                    {"Label_Spannung_Winkel_Aus_man", " 0.98 V"},
                    {"Label_Winkel_Ein", " 12.5"},
                    {"Label_Winkel_Aus", " -7.5"},
                    {"Label_Schaltwinkel", " 45.6"},
                    {"Label_Umschaltungen", "42"},
                });
    // Another type number leaves the labels as they were.
    id.Typnummer = 1;
    l.zeige_Kvarendol_Daten(id, Satz(Datensatz(100, {{18, 7}})));
    EXPECT_EQ(l.A[QStringLiteral("Label_Drehzahl")].Text, QStringLiteral("1800"));

    k.kontext->version().setze_offline(4, 1, 2, 400, 100, 0);
    TForm_Kvarendol f(*k.kontext);
    fuelle(b().Kvarendol_Daten, K);
    b().Kvarendol_Daten.Antwort();
    EXPECT_EQ(f.Logik.A.Felder().size(), 15u);
    pruefe_Fenster(f, f.Logik.A);
    EXPECT_TRUE(f.Memo_Aux->isHidden());
    Bild(f, "Kvarendol");
}

TEST_F(Variantenfenster, GearboxPanel) {
    const auto G = [](int g12, int g16, int g18, int g24) {
        auto d = Datensatz(88, {{14, 6},   {16, g16},  {18, g18},  {20, 900}, {22, 456},  {24, g24},
                                {28, 853}, {36, 1500}, {38, 5200}, {40, 33},  {42, 0b10}, {44, 44},
                                {46, 46},  {48, -48},  {50, -12},  {52, 310}, {54, 54},   {56, 9},
                                {58, 100}, {60, 200},  {62, -50},  {64, -7}});
        d[12] = static_cast<uint8_t>(g12);
        d[13] = 3;
        return d;
    };
    Getriebe_Logik l;
    l.zeige_Getriebe_Daten(Satz(G(-1, 2000, 1500, 7)));
    pruefe(l.A, {
                    {"Label_Motordrehzahl", "2000"},
                    {"Label_Eingangsdrehzahl", "1500"},
                    {"Label_Ausgangsdrehzahl", "900"},
                    {"Label_Drosselklappe", " 45.6"},
                    {"Label_Drehmoment", "310"},
                    {"Label_Bremse", "Ein"},
                    {"Label_Waehlhebel", "D"},
                    {"Label_Schlupf_M_E", " 25.0"},
                    {"Label_Schlupf_E_A", " -1.2"},
                    {"Label_Temperatur", " 85.3"},
                    {"Label_Zustand", "6"},
                    {"Label_Zustand_Wechsel", "9"},
                    {"Label_akt_Gang", "Rückw."},
                    {"Label_Zielgang", "3"},
                    {"Label_limit_n_upshift", "5200"},
                    {"Label_limit_n_downshift", "1500"},
                    {"Label_Lernposition", "54"},
                    {"Label_Raildruck", "33"},
                    {"Label_SSA", "Aus"},
                    {"Label_SSB", "Ein"},
                    {"Label_SSC", "44"},
                    {"Label_SSD", "46"},
                    {"Label_SSE", "-48"},
                    {"Label_Zeit_Gangwechsel_A", "100"},
                    {"Label_Zeit_Gangwechsel_B", "200"},
                    {"Label_Zeit_Gangwechsel_C", "-50"},
                    {"Label_Zeit_Gangwechsel", "250"},
                    {"Label_Zuend_diff", "-7"},
                });
    struct Fall {
        int g12, g16, g24;
        const char *gang, *schlupf, *bremse, *hebel;
    };
    for (const Fall& f :
         {Fall{0, 100, 2, "Neutral", "0.0", "Aus", "Rückw."},
          Fall{4, 101, 4, "4", "-1385.1", "Aus", "Neutral"},
          Fall{1, 0, 1, "1", "0.0", "Ein", "Park"}, Fall{7, -2000, 0, "7", "0.0", "Aus", "Park"},
          Fall{-3, 3000, 6, "-3", " 50.0", "Aus", "D"}}) {
        l.zeige_Getriebe_Daten(Satz(G(f.g12, f.g16, 1500, f.g24)));
        pruefe(l.A,
               {{"Label_akt_Gang", QString::fromUtf8(f.gang)},
                {"Label_Schlupf_M_E", QString::fromUtf8(f.schlupf)},
                {"Label_Bremse", QString::fromUtf8(f.bremse)},
                {"Label_Waehlhebel", QString::fromUtf8(f.hebel)}},
               f.gang);
    }

    TForm_Getriebe w(*k.kontext);
    fuelle(b().Getriebe_Daten, G(2, 2000, 1500, 7));
    b().Getriebe_Daten.Antwort();
    EXPECT_EQ(w.Logik.A.Felder().size(), 28u);
    pruefe_Fenster(w, w.Logik.A);
    // Its memo shows whatever the mode.
    EXPECT_FALSE(w.Memo_Aux->isHidden());
    auto aux = Datensatz(32, {});
    setze_f32(aux, 28, 2.5F);
    fuelle(b().Aux_Daten, aux);
    b().Aux_Daten.Antwort();
    EXPECT_EQ(w.Memo_Aux->toPlainText(), QStringLiteral("0\n0\n0\n0\n0\n0\n0\n2.5"));
    Bild(w, "Getriebe");
}

TEST_F(Variantenfenster, CamshaftPanelTakesItsRecordByIdentity) {
    const auto A = Datensatz(
        98, {{76, 10}, {78, 240}, {80, 12}, {82, 345}, {84, 500}, {86, 30}, {88, 14}, {90, -15}});
    const auto B = Datensatz(
        100, {{0, -20}, {2, 220}, {4, 22}, {6, 123}, {8, 480}, {10, 40}, {12, 24}, {14, 5}});
    const std::vector<Soll> ausA = {
        {"Label_Einlass_Ein", "10"},        {"Label_Einlass_Aus", "240"},
        {"Label_Einlass_Sollwinkel", "12"}, {"Label_Einlass_Ausgang", " 34.5"},
        {"Label_Auslass_Ein", "500"},       {"Label_Auslass_Aus", "30"},
        {"Label_Auslass_Sollwinkel", "14"}, {"Label_Auslass_Ausgang", " -1.5"},
        {"Label_Ueberschneidung", "20"}};
    const std::vector<Soll> ausB = {
        {"Label_Einlass_Ein", "-20"},       {"Label_Einlass_Aus", "220"},
        {"Label_Einlass_Sollwinkel", "22"}, {"Label_Einlass_Ausgang", " 12.3"},
        {"Label_Auslass_Ein", "480"},       {"Label_Auslass_Aus", "40"},
        {"Label_Auslass_Sollwinkel", "24"}, {"Label_Auslass_Ausgang", "  0.5"},
        {"Label_Ueberschneidung", "60"}};
    struct Fall {
        int hw, hersteller, version;
        bool B;
    };
    for (const Fall& f :
         {Fall{300, 1, 615, false}, Fall{301, 1, 615, true}, Fall{499, 1, 615, true},
          Fall{500, 1, 615, false}, Fall{100, 2, 520, false}, Fall{100, 2, 521, true},
          Fall{100, 3, 600, false}}) {
        Identitaet id;
        id.Hardware_Haupt = f.hw;
        id.Hersteller = f.hersteller;
        id.Version = f.version;
        Nockenwelle_Logik l;
        // The other record's answer comes last and must not overwrite.
        if (f.B) {
            l.zeige_akt_Daten_B(id, Satz(B));
            l.zeige_akt_Daten_A(id, Satz(A));
        } else {
            l.zeige_akt_Daten_A(id, Satz(A));
            l.zeige_akt_Daten_B(id, Satz(B));
        }
        pruefe(l.A, f.B ? ausB : ausA, std::to_string(f.hw).c_str());
    }
    // Offline the hardware is the setup's; manufacturer 2 from 5.21 on takes record B.
    k.kontext->version().setze_offline(1, 2, 400, 400, 521, 0);
    TForm_Nockenwelle w(*k.kontext);
    fuelle(b().akt_Daten_B, B);
    b().akt_Daten_B.Antwort();
    b().akt_Daten_A.Antwort();
    pruefe(w.Logik.A, ausB);
    pruefe_Fenster(w, w.Logik.A);
    Bild(w, "Nockenwelle");
}

TEST_F(Variantenfenster, DieselControlPanel) {
    auto D = Datensatz(100, {{0, 2100},  {2, 2200},  {4, 88},    {6, 1500}, {10, 300}, {12, 45},
                             {14, 400},  {16, 3},    {18, 4000}, {26, 520}, {28, 66},  {32, 700},
                             {34, 1234}, {36, 1300}, {40, 1800}, {42, 800}, {46, 777}, {48, 4321},
                             {50, 1900}, {52, 455},  {54, 321},  {56, -99}, {60, 85},  {62, -25},
                             {68, 900},  {70, 350},  {82, 200},  {84, 31},  {86, 5},   {90, 650},
                             {92, 123},  {94, 41},   {96, 456},  {98, 789}});
    setze_u32(D, 20, 98765);
    D[77] = 6;
    D[78] = (1 << 3) | (1 << 6);
    D[79] = 0b101010;
    const auto DA = Datensatz(100, {{0, 100},
                                    {2, 755},
                                    {4, 200},
                                    {14, 300},
                                    {22, 1234},
                                    {26, 900},
                                    {28, 400},
                                    {30, 456},
                                    {34, -35},
                                    {76, 1023}});
    Diesel_Logik l;
    l.zeige_Diesel_Daten(Satz(D), Satz(DA), Parameter({{8049, 1}, {8077, 0}, {8078, 2}}));
    l.zeige_Diesel_Daten_A(Satz(DA));
    pruefe(l.A, {
                    {"GroupBox_AGR", std::nullopt, true},
                    {"Label_Abgastemp", "650", false, schwarz},
                    {"Label_Kopf_Abgastemp", std::nullopt, false},
                    {"Label_Einheit_Abgastemp", std::nullopt, false},
                    {"Label_Spannung_Abgastemp", " 1.47 V", false},
                    {"Label_Kraftstofftemp", "41", true, rot},
                    {"Label_Kopf_Kraftstofftemp", std::nullopt, true},
                    {"Label_Spannung_fueltemp", " 0.98 V", true},
                    {"Label_Istdrehzahl", "2100"},
                    {"Label_Solldrehzahl", "2200"},
                    {"Label_Drehzahlfehler", "3/4000"},
                    {"Label_ges_Einspritzzeit", "1500"},
                    {"Label_Motortemperatur", "88", true, schwarz},
                    {"Label_Spannung_Motortemperatur", " 1.47 V"},
                    {"Label_Vorgluehzeit", "  4.5"},
                    {"Label_Pedalposition", "66", true, schwarz},
                    {"Label_Spannung_Pedalposition", " 1.96 V"},
                    {"Label_Systemzeit", "98.765"},
                    {"Label_Luftmasse", "520", true, rot},
                    {"Label_Spannung_Luftmasse", "4321"},
                    {"Label_Kraftstoffdruck_Ist", "123.4", true, schwarz},
                    {"Label_Spannung_Kraftstoffdruck_Ist", " 3.42 V"},
                    {"Label_Kraftstoffdruck_Soll", "130.0"},
                    {"Label_Kraftstoffdruck_Ausgang", " 32.1"},
                    {"Label_Ladedruck", "1800", true, rot},
                    {"Label_Spannung_Ladedruck", " 3.91 V"},
                    {"Label_Ladedruck_Soll", "1900"},
                    {"Label_Ladedruck_Ausgang", " 45.5"},
                    {"Label_Leistung_Luftmasse", " 77.7"},
                    {"Label_Leistung", " -9.9"},
                    {"Label_Einspritzwinkel_1", "  8.5"},
                    {"Label_Einspritzwinkel_2", " -2.5"},
                    {"Label_Einspritzzeit_1", "900"},
                    {"Label_Einspritzzeit_2", "350"},
                    {"Label_Lufttemperatur", "31", true, rot},
                    {"Label_Spannung_Lufttemperatur", " 0.98 V"},
                    {"Label_Anz_Umdr_Start", "5"},
                    {"Label_AGR_Sollposition", " 12.3"},
                    {"Label_AGR", " 45.6", true, schwarz},
                    {"Label_AGR_Ausgang", " 78.9"},
                    {"Label_Emergency", "Luft- oder Motortemperatur zu hoch"},
                    {"Label_Last", " 75.5"},
                    {"Label_Spannung_AGR", " 0.49 V"},
                    {"Label_Lambda_berechnet", " 1.23"},
                    {"Label_Batteriespannung", " 4.40 V"},
                    {"Label_Spannung_int_temp", " 1.96 V"},
                    {"Label_int_temp", " 45.6"},
                    {"Label_OT_Winkel", " -3.5"},
                });
    struct Fall {
        int b77;
        const char* text;
    };
    for (const Fall& f :
         {Fall{0, ""}, Fall{1, "Öldruck nicht vorhanden"}, Fall{7, "Öldruck nicht vorhanden"},
          Fall{2, "Luft- oder Motortemperatur zu hoch"}, Fall{4, "CAN-Not-Aus"}, Fall{8, ""}}) {
        D[77] = static_cast<uint8_t>(f.b77);
        l.zeige_Diesel_Daten(Satz(D), Satz(DA), Parameter({}));
        EXPECT_EQ(l.A[QStringLiteral("Label_Emergency")].Text, QString::fromUtf8(f.text)) << f.b77;
    }
    // Undefined parameters count as 0; the air-mass voltage from DA with 8072.
    pruefe(l.A, {{"GroupBox_AGR", std::nullopt, false},
                 {"Label_Spannung_fueltemp", std::nullopt, false}});
    l.zeige_Diesel_Daten(Satz(D), Satz(DA), Parameter({{8072, 1}, {8077, 1}, {8049, 0}}));
    pruefe(l.A, {{"Label_Spannung_Luftmasse", " 5.00 V"},
                 {"Label_Abgastemp", std::nullopt, true},
                 {"Label_Spannung_Abgastemp", std::nullopt, true},
                 {"GroupBox_AGR", std::nullopt, false}});

    TForm_Dieselsteuerung w(*k.kontext);
    fuelle(b().Diesel_Daten, D);
    fuelle(b().Diesel_Daten_A, DA);
    b().Diesel_Daten.Antwort();
    b().Diesel_Daten_A.Antwort();
    EXPECT_GE(w.Logik.A.Felder().size(), 49u);
    pruefe_Fenster(w, w.Logik.A);
    EXPECT_EQ(w.width(), 765);
    EXPECT_EQ(w.Label(QStringLiteral("Label_Kopf_Solldrehzahl"))->text(), hole_Text(1005));
    EXPECT_EQ(w.Label(QStringLiteral("Label_Kopf_int_Temp"))->text(), hole_Text(1070));
    Bild(w, "Dieselsteuerung_Tabelle");
}

TEST_F(Variantenfenster, BolvinarPanelWhileShown) {
    const auto D = Datensatz(100, {{6, 1600},
                                   {14, 400},
                                   {32, 700},
                                   {34, 1234},
                                   {36, 1300},
                                   {42, 800},
                                   {54, 321},
                                   {68, 500},
                                   {70, 600},
                                   {72, 700},
                                   {82, 200}});
    const auto DA = Datensatz(100, {{0, 0x2346}, {2, 1}, {14, 2346}, {24, -1250}, {32, 567}});
    Bolvinar_Logik l;
    l.zeige_Diesel_Daten(Satz(D), Satz(DA));
    pruefe(l.A, {
                    {"Label_Frequenz", "74.57"},
                    {"Label_Spannung_Pedalposition", " 1.96 V"},
                    {"Label_Kraftstoffdruck_Ist", "123.4"},
                    {"Label_Spannung_Kraftstoffdruck_Ist", " 3.42 V"},
                    {"Label_Kraftstoffdruck_Soll", "130.0"},
                    {"Label_Spannung_Kraftstoffdruck_Soll", " 3.91 V"},
                    {"Label_Kraftstoffdruck_Ausgang", " 32.1"},
                    {"Label_pump_control", " 56.7"},
                    {"Label_Einspritzzeit_1", "500"},
                    {"Label_Einspritzzeit_2", "600"},
                    {"Label_Einspritzzeit_3", "700"},
                    {"Label_ges_Einspritzzeit", "1600"},
                    {"Label_Spannung_Einspritzzeit_1", "-1.25 V"},
                    {"Label_Spannung_Einspritzzeit_3", " 2.35 V"},
                    {"Label_Spannung_Einspritzzeit_2", " 0.98 V"},
                });
    // A negative high word makes a negative frequency.
    l.zeige_Diesel_Daten(Satz(D), Satz(Datensatz(100, {{0, 0xFC18}, {2, -1}})));
    EXPECT_EQ(l.A[QStringLiteral("Label_Frequenz")].Text, QStringLiteral("-1.00"));

    TForm_Bolvinar w(*k.kontext);
    fuelle(b().Diesel_Daten, D);
    fuelle(b().Diesel_Daten_A, DA);
    b().Diesel_Daten.Antwort();
    EXPECT_TRUE(w.Logik.A.Felder().empty());
    w.show();
    b().Diesel_Daten_A.Antwort();
    pruefe_Fenster(w, w.Logik.A);
    EXPECT_EQ(w.Label(QStringLiteral("Label_Frequenz"))->text(), QStringLiteral("74.57"));
    Bild(w, "Bolvinar");
}

TEST_F(Variantenfenster, WheelSpeedPanel) {
    auto B = Datensatz(100, {{20, 5},
                             {24, 1234},
                             {26, 2346},
                             {28, 3456},
                             {30, 4567},
                             {32, 5678},
                             {34, 6789},
                             {36, -45}});
    setze_u32(B, 48, 123456789);
    Radgeschwindigkeit_Logik l;
    l.zeige_Radgeschwindigkeiten(Satz(B), Parameter({{2046, 5}, {2047, 6}}));
    pruefe(l.A, {
                    {"Label_Rad_1", " 12.3", true},
                    {"Label_Kopf_Rad_1", std::nullopt, true},
                    {"Label_Einheit_Rad_1", std::nullopt, true},
                    {"Label_Rad_2", " 23.5", false},
                    {"Label_Kopf_Rad_2", std::nullopt, false},
                    {"Label_Rad_3", " 34.6", true},
                    {"Label_Rad_4", " 45.7", false},
                    {"Label_Einheit_Rad_4", std::nullopt, false},
                    {"Label_Rad_1_drived", ""},
                    {"Label_Rad_2_drived", "+"},
                    {"Label_Rad_3_drived", "+"},
                    {"Label_Rad_4_drived", ""},
                    {"Label_Geschw_drived", " 56.8"},
                    {"Label_Geschw_non_drived", " 67.9"},
                    {"Label_Schlupf", " -4.5"},
                    {"Label_akt_Gang", "2.5"},
                    {"Label_Kilometerzaehler", "123456.789"},
                });
    struct Fall {
        int16_t b20;
        const char* text;
    };
    for (const Fall& f : {Fall{0, "0"}, Fall{1, "0.5"}, Fall{-1, "-0.5"}, Fall{-3, "-1.5"},
                          Fall{-4, "-2"}, Fall{8, "4"}, Fall{5, "2.5"}})
        EXPECT_EQ(Radgeschwindigkeit_Logik::Halbgang(f.b20), QString::fromLatin1(f.text)) << f.b20;
    // Undefined parameters: no wheel, no marker.
    l.zeige_Radgeschwindigkeiten(Satz(B), Parameter({}));
    pruefe(l.A, {{"Label_Rad_1", std::nullopt, false},
                 {"Label_Rad_3", std::nullopt, false},
                 {"Label_Rad_2_drived", ""}});

    TForm_Wheel_speed w(*k.kontext);
    fuelle(b().akt_Daten_B, B);
    b().akt_Daten_B.Antwort();
    pruefe_Fenster(w, w.Logik.A);
    // The design caption until the window shows.
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Geschwindigkeitserkennung"));
    w.show();
    EXPECT_EQ(w.windowTitle(), hole_Text(1101));
    EXPECT_EQ(w.Label(QStringLiteral("Label_Kopf_Kilometerzaehler"))->text(), hole_Text(1281));
    Bild(w, "Wheel_speed");
}

TEST_F(Variantenfenster, TamvikCorrectionsGrid) {
    const auto B = Datensatz(
        100, {{38, -120}, {40, 1050}, {42, -37}, {44, 127}, {46, -250}, {48, 6500}, {50, 357}});
    const auto A = Datensatz(98, {{94, 987}});
    const auto L = Datensatz(84, {{32, 2501}, {34, 23}});
    Tamvik_Logik l;
    l.zeige_Korrekturen(Satz(B), Satz(A), Satz(L));
    const std::vector<std::array<const char*, 3>> soll = {
        {"Name", "Verstellung", "endgültiger Wert"}, {"Solldrehzahl", "-120", "6500"},
        {"Lambda-Sollwert", " 1.05", " 0.99"},       {"Zündwinkel Lead", "-3", "23"},
        {"Zündwinkel Trail", "  102", "36"},         {"Einspritzzeit", " -200", "2001"},
    };
    for (int r = 0; r < 6; ++r)
        for (int s = 0; s < 3; ++s)
            EXPECT_EQ(l.Zelle(s, r), QString::fromUtf8(soll[r][s])) << r << "/" << s;

    TForm_Tamvik_Korrekturen w(*k.kontext);
    fuelle(b().akt_Daten_B, B);
    fuelle(b().akt_Daten_A, A);
    fuelle(b().akt_Daten, L);
    b().akt_Daten_B.Antwort();
    for (int r = 0; r < 6; ++r)
        for (int s = 0; s < 3; ++s)
            EXPECT_EQ(w.StringGrid->item(r, s)->text(), QString::fromUtf8(soll[r][s]));
    EXPECT_EQ(w.StringGrid->columnWidth(0), 158);
    EXPECT_EQ(w.StringGrid->columnWidth(1), 144);
    EXPECT_EQ(w.StringGrid->columnWidth(2), 152);
    Bild(w, "Tamvik");
}

TEST_F(Variantenfenster, KeroseneAndAdditivePanels) {
    auto K = Datensatz(100, {{0, 3100},
                             {4, 4000},
                             {16, 250},
                             {18, 5000},
                             {20, 260},
                             {22, 712},
                             {26, 33},
                             {28, 455},
                             {30, 47}});
    setze_u32(K, 12, static_cast<uint32_t>(-1500));
    Kerosin_Logik l;
    l.zeige_Kerosin_Daten(Satz(K));
    pruefe(l.A, {{"Label_Drehzahl", "3100"},
                 {"Label_Einspritzzeit_Benzin", "4000"},
                 {"Label_Einspritzzeit_Kerosin", "5000"},
                 {"Label_Druck_Kerosin", "250"},
                 {"Label_Solldruck_Kerosin", "260"},
                 {"Label_Spannung_Druck_Kerosin", "712"},
                 {"Label_Druckregler", "33"},
                 {"Label_Spannung_Drosselklappe", "455"},
                 {"Label_Drosselklappe", "47"},
                 {"Label_Zeit", "-1.500"}});
    TForm_Dranel_Kerosin kw(*k.kontext);
    fuelle(b().Dranel_Kerosin_Daten, K);
    b().Dranel_Kerosin_Daten.Antwort();
    pruefe_Fenster(kw, kw.Logik.A);
    kw.show();
    EXPECT_TRUE(kw.Memo_Aux->isHidden());
    const QWidget* g2 = kw.findChild<QWidget*>(QStringLiteral("GroupBox2"));
    EXPECT_EQ(kw.width(), g2->x() + g2->width() + 10);
    Bild(kw, "Kerosin");

    auto S = Datensatz(50, {});
    setze_u32(S, 0, 4000000123U);
    Additiv_Logik a;
    a.zeige_Additiv_Daten(Satz(S));
    EXPECT_EQ(a.A[QStringLiteral("Label_Zeit")].Text, QStringLiteral("4000000.123"));
    auto aux = Datensatz(32, {});
    for (int i = 0; i < 8; ++i)
        setze_u32(aux, 4 * i, static_cast<uint32_t>((i % 2 ? -1 : 1) * (i * 100000 + 7)));
    a.zeige_aux_int(Satz(aux));
    EXPECT_EQ(a.Memo, (QStringList{"7", "-100007", "200007", "-300007", "400007", "-500007",
                                   "600007", "-700007"}));

    TForm_Status_Additiv aw(*k.kontext);
    fuelle(b().Additiv_Statusdaten, S);
    fuelle(b().aux_int, aux);
    b().Additiv_Statusdaten.Antwort();
    b().aux_int.Antwort();
    pruefe_Fenster(aw, aw.Logik.A);
    EXPECT_EQ(aw.Memo_Aux->toPlainText(), a.Memo.join(QLatin1Char('\n')));
    // Its integer record is polled only while the window shows.
    EXPECT_EQ(b().Anzeigen(b().aux_int), 0);
    aw.show();
    EXPECT_EQ(b().Anzeigen(b().aux_int), 1);
    aw.hide();
    EXPECT_EQ(b().Anzeigen(b().aux_int), 0);
}

TEST_F(Variantenfenster, AuxGrid) {
    std::vector<uint8_t> d(400, 0);
    for (int i = 0; i < 100; ++i)
        setze_u32(d, 4 * i, static_cast<uint32_t>(i * 1000 - 7));
    Auxraster r;
    r.zeige_Auxdaten(Satz(std::span<const uint8_t>(d)));
    EXPECT_EQ(r.Zelle(0, 0), QString());
    for (int s = 1; s <= 10; ++s)
        EXPECT_EQ(r.Zelle(s, 0), QString::number((s - 1) * 10));
    for (int z = 1; z <= 10; ++z)
        EXPECT_EQ(r.Zelle(0, z), QString::number(z - 1));
    // Value 37 in column 4, row 8; every cell holds the value its headers name.
    EXPECT_EQ(r.Zelle(4, 8), QStringLiteral("36993"));
    for (int s = 1; s <= 10; ++s)
        for (int z = 1; z <= 10; ++z)
            EXPECT_EQ(r.Zelle(s, z), QString::number(((s - 1) * 10 + (z - 1)) * 1000 - 7));
    EXPECT_EQ(r.Zelle(0, 1), QStringLiteral("0"));
    EXPECT_EQ(r.Zelle(1, 1), QStringLiteral("-7"));
}

TEST_F(Variantenfenster, AuxGridSwitchesToTheReducedPlanWhileShown) {
    // A diesel ECU: the reduced plan polls the main record in place of the two diesel
    // records, the normal one the other way round.
    k.kontext->version().setze_offline(5, 1, 400, 400, 615, 0);
    b().starte_Statusdaten();
    ASSERT_TRUE(b().Diesel_Daten.aktiv);
    ASSERT_TRUE(b().Diesel_Daten_A.aktiv);
    ASSERT_FALSE(b().akt_Daten.aktiv);
    TForm_Auxdaten w(*k.kontext);
    for (int runde = 0; runde < 2; ++runde) {
        SCOPED_TRACE(runde);
        w.show();
        EXPECT_TRUE(b().Aux_Daten_erweitert.aktiv);
        EXPECT_TRUE(b().akt_Daten.aktiv);
        EXPECT_EQ(b().akt_Daten.Periode, 5);
        EXPECT_FALSE(b().Diesel_Daten.aktiv);
        EXPECT_FALSE(b().Diesel_Daten_A.aktiv);
        w.hide();
        EXPECT_FALSE(b().Aux_Daten_erweitert.aktiv);
        EXPECT_FALSE(b().akt_Daten.aktiv);
        EXPECT_TRUE(b().Diesel_Daten.aktiv);
        EXPECT_TRUE(b().Diesel_Daten_A.aktiv);
    }
}

TEST_F(Variantenfenster, AuxMemosPollTheirRecordOnlyWhileTheyShow) {
    struct Fall {
        const char* was;
        std::unique_ptr<TForm_Variante> (*mache)(Kontext&);
        // Shown without the "/T" switch too.
        bool immer;
    };
    const Fall faelle[] = {
        {"Getriebe", &neues_Fenster<TForm_Getriebe>, true},
        {"Kvarendol", &neues_Fenster<TForm_Kvarendol>, false},
        {"Dieselsteuerung", &neues_Fenster<TForm_Dieselsteuerung>, false},
        {"Kerosin", &neues_Fenster<TForm_Dranel_Kerosin>, false},
        {"Vundel", &neues_Fenster<TForm_Vundel>, false},
        {"Pilmot", &neues_Fenster<TForm_Pilmot>, false},
    };
    // Windows live for the whole run, their handlers registered till its end.
    std::vector<std::unique_ptr<TForm_Variante>> fenster;
    for (const Fall& f : faelle)
        for (const bool testmodus : {false, true}) {
            SCOPED_TRACE(std::string(f.was) + (testmodus ? " /T" : ""));
            glob().Testmodus = testmodus;
            fenster.push_back(f.mache(*k.kontext));
            TForm_Variante* w = fenster.back().get();
            const bool memo = f.immer || testmodus;
            EXPECT_EQ(b().Anzeigen(b().Aux_Daten), 0);
            w->show();
            EXPECT_EQ(w->Memo_Aux->isVisible(), memo);
            EXPECT_EQ(b().Anzeigen(b().Aux_Daten), memo ? 1 : 0);
            EXPECT_EQ(b().Aux_Daten.aktiv, memo);
            w->hide();
            EXPECT_EQ(b().Anzeigen(b().Aux_Daten), 0);
            EXPECT_FALSE(b().Aux_Daten.aktiv);
        }
    glob().Testmodus = false;
}
