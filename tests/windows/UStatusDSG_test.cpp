// The gearbox, test-box and CAN-temperature windows: their logic on records filled by hand,
// each window's labels as a table, and the gearbox panel against the simulated ECU.

#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Zusatzdaten.h"
#include "link/LinkFixture.h"
#include "model/UBefehle.h"
#include "model/UStatusdaten.h"
#include "model/UWeitere_Anfragen.h"
#include "windows/Variantensimulation.h"
#include "windows/status/UCANTemps.h"
#include "windows/status/UStatusDSG.h"
#include "windows/status/UStatusTestbox.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTest>
#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using Soll = std::vector<std::pair<QString, QString>>;

void vergleiche(const Anzeigewerte& ist, const Soll& soll) {
    ASSERT_EQ(ist.size(), soll.size());
    for (size_t i = 0; i < soll.size(); ++i) {
        EXPECT_EQ(ist[i].first, soll[i].first) << i;
        EXPECT_EQ(ist[i].second, soll[i].second) << soll[i].first.toStdString();
    }
}

// Every field of the gearbox record a value of its own, so that a label reading the wrong
// offset or width shows another one.
Bytes DSG_Satz() {
    Bytes s(104);
    s.u8(0, 2).u8(1, 9).w16(2, 1234).w16(4, 2345).w16(6, 3456).w32(8, 123456);
    s.w16(12, -12).w16(14, -1400).w16(16, 1600).w16(18, -1800).w16(20, 2000).w16(22, -2200);
    s.w16(24, 2400).w16(26, -2600).w16(28, 1234).w16(30, 3000).w16(32, -3200);
    s.w16(34, 40000).w16(36, 7777).w16(38, -380).w16(40, -40).w16(42, 92);
    s.w16(44, -4400).w16(46, 4600).w16(48, -4800).w32(50, -500000).w32(54, 540000);
    s.w16(58, -58).w16(60, 60).w16(62, 6262).w16(68, 680);
    return s;
}

const Soll DSG_Soll = {
    {"Label_DSG_Status_akt_Gang", "1. Gang"},
    {"Label_DSG_Status_Soll_Gang", "9"},
    {"Label_DSG_Status_Zustand_Gangwechsel", "1234"},
    {"Label_DSG_Status_Zustand_Taster", "2345"},
    {"Label_DSG_Zustand_Getriebe", "3456"},
    {"Label_DSG_Status_Zeit", "123.456"},
    {"Label_DSG_Status_Pos_X", "-12"},
    {"Label_DSG_STatus_Pos_Y", "-1400"},
    {"Label_DSG_Status_Soll_Pos_X", "1600"},
    {"Label_DSG_Status_Soll_Pos_Y", "-1800"},
    {"Label_DSG_Status_Geschw_X", "2000"},
    {"Label_DSG_Status_Geschw_Y", "-2200"},
    {"Label_DSG_Status_akt_Gangpos", "2400"},
    {"Label_DSG_Status_Soll_Gangpos", "-2600"},
    {"Label_Tacho_Geschw", "123.4"},
    {"LabelDSG_Status_Zeit_letzte_Funktion", "3000"},
    {"Label_DSG_Status_Korrektur", "-3200"},
    {"Label_Motordrehzahl", "40000"},
    {"Label_Motordrehmoment", "-380"},
    {"Label_Lufttemp", "-40"},
    {"Label_Motortemp", "92"},
    {"Label_Kupplung_akt_Pos", "-4400"},
    {"Label_Kupplung_Soll_Pos", "4600"},
    {"Label_Kupplung_Geschw", "-4800"},
    {"Label_Kupplung_Leistung", "-500000"},
    {"Label_Gehaeuse_Leistung", "540000"},
    {"Label_Kupplung_Temp", "-58"},
    {"Label_Gehaeuse_Temp", "60"},
    {"Label_DSG_Drosselklappe", "680"},
};

} // namespace

// ---------------------------------------------------------------- gearbox logic

TEST(DSG_Logik, EveryLabelFromItsOwnField) {
    vergleiche(DSG_Logik::Werte(DSG_Satz().sicht()), DSG_Soll);
    // Zeros in their formats: the fixed widths keep their blanks.
    const Anzeigewerte null = DSG_Logik::Werte(Bytes(104).sicht());
    EXPECT_EQ(null[0].second, QStringLiteral("Rückwärts"));
    EXPECT_EQ(null[5].second, QStringLiteral(" 0.000"));
    EXPECT_EQ(null[14].second, QStringLiteral("  0.0"));
    // The unsigned fields read their top bit as a value, not as a sign.
    const Anzeigewerte hoch =
        DSG_Logik::Werte(Bytes(104).w16(2, 0xFFFF).w32(8, 0xFFFFFFFF).w16(28, 0xFFFF).sicht());
    EXPECT_EQ(hoch[2].second, QStringLiteral("65535"));
    EXPECT_EQ(hoch[5].second, QStringLiteral("4294967.295"));
    EXPECT_EQ(hoch[14].second, QStringLiteral("6553.5"));
}

TEST(DSG_Logik, GearNamesAndNumbersBeyond) {
    const char* namen[] = {"Rückwärts", "neutral", "1. Gang", "2. Gang",
                           "3. Gang",   "4. Gang", "5. Gang", "6. Gang"};
    for (uint8_t g = 0; g < 8; ++g)
        EXPECT_EQ(DSG_Logik::Gangname(g), QString::fromUtf8(namen[g]));
    EXPECT_EQ(DSG_Logik::Gangname(8), QStringLiteral("8"));
    EXPECT_EQ(DSG_Logik::Gangname(255), QStringLiteral("255"));
}

TEST(DSG_Logik, WordSeventyAsksForTheLog) {
    EXPECT_FALSE(DSG_Logik::Log_verlangt(Bytes(104).w16(68, 0xFFFF).w16(72, 0xFFFF).sicht()));
    EXPECT_TRUE(DSG_Logik::Log_verlangt(Bytes(104).w16(70, 1).sicht()));
    EXPECT_TRUE(DSG_Logik::Log_verlangt(Bytes(104).w16(70, 0x100).sicht()));
}

TEST(DSG_Logik, DataLogReadsRecordByRecordUntilFlagZero) {
    DSG_Logik l;
    EXPECT_EQ(l.Logtabelle.Zeilen(), 100);
    EXPECT_EQ(l.Logtabelle.Zelle(1, 0), QStringLiteral("0"));
    EXPECT_EQ(l.Logtabelle.Zelle(8, 0), QStringLiteral("7"));
    ASSERT_EQ(l.starte_Log(), std::optional<uint16_t>(0));
    EXPECT_EQ(l.Logtabelle.Zeilen(), 2);
    // A live record asking again while the read runs starts nothing.
    EXPECT_EQ(l.starte_Log(), std::nullopt);
    for (uint16_t n = 0; n < 3; ++n) {
        Bytes a(34);
        a.u8(0, 1);
        for (int i = 0; i < 8; ++i)
            a.w32(2 + 4 * i, (i == 7 ? -100000 : 100 * n + i));
        EXPECT_EQ(l.nimm_Logsatz(a.sicht()), std::optional<uint16_t>(n + 1));
        EXPECT_EQ(l.Logtabelle.Zeilen(), n + 2);
    }
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(l.Logtabelle.Zelle(0, r), QString::number(r - 1));
        for (int s = 1; s <= 7; ++s)
            EXPECT_EQ(l.Logtabelle.Zelle(s, r), QString::number(100 * (r - 1) + s - 1)) << r << s;
        EXPECT_EQ(l.Logtabelle.Zelle(8, r), QStringLiteral("-100000"));
    }
    // Flag 0 ends the read; the table keeps its rows.
    EXPECT_EQ(l.nimm_Logsatz(Bytes(34).w32(2, 5).sicht()), std::nullopt);
    EXPECT_FALSE(l.Log_laeuft);
    EXPECT_EQ(l.Logtabelle.Zeilen(), 4);
    // The next log starts from record 0 in a table cut to its first row.
    ASSERT_EQ(l.starte_Log(), std::optional<uint16_t>(0));
    EXPECT_EQ(l.Logtabelle.Zeilen(), 2);
    EXPECT_EQ(l.Logtabelle.Zelle(0, 1), QString());
}

TEST(DSG_Logik, DroppedLinkEndsTheReadUnderWay) {
    DSG_Logik l;
    ASSERT_TRUE(l.starte_Log());
    ASSERT_EQ(l.nimm_Logsatz(Bytes(34).u8(0, 1).sicht()), std::optional<uint16_t>(1));
    EXPECT_FALSE(l.starte_Log());
    l.Verbindung_getrennt();
    EXPECT_EQ(l.starte_Log(), std::optional<uint16_t>(0));
}

TEST(DSG_Logik, StateTableTimesFromTheLastStateZero) {
    DSG_Logik l;
    EXPECT_EQ(l.Zustandstabelle.Zelle(0, 0), QStringLiteral("Zustand"));
    EXPECT_EQ(l.Zustandstabelle.Zelle(3, 0), QStringLiteral("Y-Pos."));
    // High word 2 for both items: 2 * 65536 + 1000 and + 2500.
    Bytes z(84);
    z.w16(0, 2).w16(2, 2);
    z.w16(4, 1000).w16(6, 0).w16(8, -300).w16(10, 400);
    z.w16(12, 2500).w16(14, 7).w16(16, 150).w16(18, -400);
    l.nimm_Zustaende(z.sicht());
    const std::vector<std::vector<QString>> soll = {
        {"0", "     0.000", "-300", "400"},
        {"7", "     1.500", "150", "-400"},
    };
    for (int r = 0; r < 2; ++r)
        for (int s = 0; s < 4; ++s)
            EXPECT_EQ(l.Zustandstabelle.Zelle(s, r + 1), soll[r][s]) << r << s;
    EXPECT_EQ(l.naechste_Zustandszeile, 3);
    EXPECT_EQ(l.Zustandstabelle.Zeilen(), 4);
    EXPECT_EQ(l.letzte_Zustandszeit, 2U * 65536 + 2500);

    // The next answer's first item counts from the last one; an empty answer adds nothing.
    l.nimm_Zustaende(Bytes(84).w16(2, 0xFFFF).sicht());
    EXPECT_EQ(l.naechste_Zustandszeile, 3);
    Bytes z2(84);
    z2.w16(0, 1).w16(2, 3).w16(4, 0).w16(6, 4);
    l.nimm_Zustaende(z2.sicht());
    EXPECT_EQ(l.Zustandstabelle.Zelle(1, 3), QStringLiteral("    63.036"));
    EXPECT_EQ(l.Zustandstabelle.Zelle(0, 3), QStringLiteral("4"));
}

TEST(DSG_Logik, StateCountBeyondTenTakesTheTenTheRecordHolds) {
    DSG_Logik l;
    Bytes z(84);
    z.w16(0, 500);
    for (int i = 1; i <= 10; ++i)
        z.w16(8 * i - 4, 100 * i).w16(8 * i - 2, i).w16(8 * i, -i).w16(8 * i + 2, i);
    l.nimm_Zustaende(z.sicht());
    EXPECT_EQ(l.naechste_Zustandszeile, 11);
    EXPECT_EQ(l.Zustandstabelle.Zelle(0, 10), QStringLiteral("10"));
    EXPECT_EQ(l.Zustandstabelle.Zelle(3, 10), QStringLiteral("10"));
    EXPECT_EQ(l.Zustandstabelle.Zelle(1, 10), QStringLiteral("     0.100"));
}

TEST(DSG_Logik, SetPointsTrimmedAndInRange) {
    struct Fall {
        const char* text;
        const char* anzeige;
        std::optional<int> wert;
    } faelle[] = {
        {" 12 ", "12", 12},
        {"x1", "0", std::nullopt},
        {"70000", "0", std::nullopt},
        {"-32768", "-32768", -32768},
        {"-32769", "0", std::nullopt},
        {"65535", "65535", 65535},
        {"65536", "0", std::nullopt},
        {"", "0", std::nullopt},
        {"007", "7", 7},
        {"1 2", "0", std::nullopt},
        {"-5", "-5", -5},
    };
    for (const Fall& f : faelle) {
        const DSG_Logik::Sollwert s = DSG_Logik::lies_Sollwert(QString::fromLatin1(f.text));
        EXPECT_EQ(s.Anzeige, QString::fromLatin1(f.anzeige)) << f.text;
        EXPECT_EQ(s.Wert, f.wert) << f.text;
    }
}

// ---------------------------------------------------------------- test box and CAN temperatures

TEST(Testbox_Logik, EveryLabelFromItsOwnField) {
    Bytes t(80);
    t.w16(0, 54321).w32(2, -70000).w16(6, -123).w16(8, 3599).w32(10, 123456);
    vergleiche(Testbox_Logik::Werte(t.sicht()), {{"Label_rpm", "54321"},
                                                 {"Label_close_time", "-56000"},
                                                 {"Label_ignition_angle", "-12.3"},
                                                 {"Label_injection_angle", "359.9"},
                                                 {"Label_injection_time", "98765"}});
    const Anzeigewerte null = Testbox_Logik::Werte(Bytes(80).sicht());
    EXPECT_EQ(null[2].second, QStringLiteral("  0.0"));
}

// Every window's memo through the family's conversion: fixed notation down to 1e-5, the
// non-numbers in capitals.
TEST(Aux_Zeilen, EightFloatsInGeneralForm) {
    const struct {
        float wert;
        const char* text;
    } faelle[] = {{0.0f, "0"},
                  {1.5f, "1.5"},
                  {-2.25f, "-2.25"},
                  {0.1f, "0.100000001490116"},
                  {1e20f, "1.00000002004088E20"},
                  {123456.0f, "123456"},
                  {1e-7f, "1.0000000116861E-7"},
                  {5e-5f, "0.0000499999987368938"},
                  {std::numeric_limits<float>::quiet_NaN(), "NAN"},
                  {-std::numeric_limits<float>::infinity(), "-INF"}};
    // Eight to a record: the cases in two records.
    for (size_t anfang = 0; anfang < std::size(faelle); anfang += 8) {
        Bytes a(32);
        QStringList soll;
        for (size_t i = 0; i < 8; ++i) {
            const size_t n = anfang + i;
            a.f32(4 * static_cast<int>(i), n < std::size(faelle) ? faelle[n].wert : 0.0f);
            soll << QString::fromLatin1(n < std::size(faelle) ? faelle[n].text : "0");
        }
        EXPECT_EQ(Aux_Zeilen(a.sicht()), soll);
    }
}

TEST(CAN_Temps_Logik, MinusHundredIsAValueBelowItIsNotReceived) {
    LinkKontext kontext{false}; // the language texts of the headers
    CAN_Temps_Logik l;
    EXPECT_EQ(l.Raster.Zelle(0, 0), QStringLiteral("No."));
    EXPECT_EQ(l.Raster.Zelle(1, 0), QStringLiteral("Temperature"));
    Bytes k(16);
    const int16_t w[] = {-100, -101, 0, 25, 32767, -32768, 150, -99};
    for (int i = 0; i < 8; ++i)
        k.w16(2 * i, w[i]);
    l.schreibe(k.sicht());
    const char* soll[] = {"         -100", "           - - -", "            0", "           25",
                          "        32767", "           - - -", "          150", "          -99"};
    for (int r = 1; r <= 8; ++r) {
        EXPECT_EQ(l.Raster.Zelle(0, r), QString::number(r));
        EXPECT_EQ(l.Raster.Zelle(1, r), QString::fromLatin1(soll[r - 1])) << r;
    }
}

// ---------------------------------------------------------------- windows on records by hand

namespace {} // namespace

TEST(DSG_Fenster, EveryRowShowsItsValueInBlackWhileTheMemoWaitsForTestMode) {
    LinkKontext k{false};
    TForm_Status_DSG f(*k.kontext);
    f.show();
    cl_DSG_Daten& s = k.kontext->ecu_Befehle().DSG_Daten;
    const Bytes b = DSG_Satz();
    std::copy(b.d.begin(), b.d.end(), s.Daten.begin());
    s.Antwort();
    for (const auto& [name, text] : DSG_Soll) {
        const QLabel* l = f.findChild<QLabel*>(name);
        ASSERT_NE(l, nullptr) << name.toStdString();
        EXPECT_EQ(l->text(), text) << name.toStdString();
        EXPECT_TRUE(l->isVisible()) << name.toStdString();
        EXPECT_EQ(l->palette().color(QPalette::WindowText),
                  f.palette().color(QPalette::WindowText));
    }
    EXPECT_FALSE(f.Memo_Aux->isVisible());
    EXPECT_FALSE(f.GroupBox_Handbetrieb->isVisible());
    // The header rows.
    EXPECT_EQ(Text(f.StringGrid, 0, 0), QStringLiteral("Zustand"));
    EXPECT_EQ(Text(f.StringGrid, 0, 2), QStringLiteral("X-Pos."));
    EXPECT_EQ(Text(f.StringGrid_Log_data, 0, 1), QStringLiteral("0"));
    EXPECT_EQ(Text(f.StringGrid_Log_data, 0, 8), QStringLiteral("7"));
    EXPECT_EQ(f.StringGrid->columnWidth(0), 56);
    EXPECT_EQ(f.StringGrid->columnWidth(3), 64);
    // A hidden window takes its answers all the same.
    f.hide();
    s.Daten[34] = 1;
    s.Daten[35] = 0;
    s.Antwort();
    EXPECT_EQ(f.findChild<QLabel*>("Label_Motordrehzahl")->text(), QStringLiteral("1"));
}

// The widest texts a field can bring: signed 32-bit extremes in the record's long fields and
// in every data-log column, whole in their cells.
TEST(DSG_Fenster, TheWidestValuesFitTheirLabelsAndLogCells) {
    LinkKontext k{false};
    TForm_Status_DSG f(*k.kontext);
    f.show();
    cl_DSG_Daten& s = k.kontext->ecu_Befehle().DSG_Daten;
    Bytes b(104);
    b.u8(0, 255).u8(1, 0).w32(8, 0xFFFFFFFF).w16(28, 0xFFFF).w32(50, INT32_MIN).w32(54, INT32_MIN);
    for (int o : {2, 4, 6, 30, 34, 68})
        b.w16(o, 65535);
    for (int o : {12, 14, 16, 18, 20, 22, 24, 26, 32, 38, 40, 42, 44, 46, 48, 58, 60})
        b.w16(o, -32768);
    std::copy(b.d.begin(), b.d.end(), s.Daten.begin());
    s.Antwort();
    for (const auto& [name, text] : DSG_Soll) {
        const QLabel* l = f.findChild<QLabel*>(name);
        ASSERT_NE(l, nullptr);
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->contentsRect().width())
            << name.toStdString() << " " << l->text().toStdString();
    }
    cl_DSG_Log_Daten& log = *k.kontext->weitere_Anfragen().DSG_Log_Daten;
    log.Datensatz.fill(0);
    log.Datensatz[0] = 1;
    for (int i = 0; i < 8; ++i) {
        const uint32_t w = static_cast<uint32_t>(INT32_MIN);
        for (int n = 0; n < 4; ++n)
            log.Datensatz[static_cast<size_t>(2 + 4 * i + n)] = static_cast<uint8_t>(w >> (8 * n));
    }
    log.Antwort();
    const QTableWidget* g = f.StringGrid_Log_data;
    // The item view's text margin on either side.
    const int rand = 2 * (g->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, g) + 1);
    for (int c = 1; c < DSG_Logik::Logspalten; ++c) {
        ASSERT_EQ(Text(g, 1, c), QStringLiteral("-2147483648"));
        EXPECT_LE(g->fontMetrics().horizontalAdvance(Text(g, 1, c)) + rand, g->columnWidth(c)) << c;
    }
    // The whole log is in view beside the state table, the window around both.
    EXPECT_LE(g->horizontalHeader()->length(), g->viewport()->width());
    EXPECT_LE(g->geometry().right(), f.width());
    fotografiere(f, "status_dsg_breit");
}

TEST(DSG_Fenster, MemoInTestModeShowsTheAuxRecordAndPollsIt) {
    LinkKontext k{false};
    glob().Testmodus = true;
    TForm_Status_DSG f(*k.kontext);
    cl_ECU_Befehle& b = k.kontext->ecu_Befehle();
    f.show();
    EXPECT_TRUE(f.Memo_Aux->isVisible());
    EXPECT_EQ(b.Anzeigen(b.Aux_Daten), 1);
    EXPECT_EQ(b.Anzeigen(*k.kontext->weitere_Anfragen().DSG_log_Zustandsdaten), 1);
    Bytes a(32);
    a.f32(0, 2.5f).f32(28, -1.0f);
    std::copy(a.d.begin(), a.d.end(), b.Aux_Daten.Daten.begin());
    b.Aux_Daten.Antwort();
    EXPECT_EQ(f.Memo_Aux->toPlainText(), QStringLiteral("2.5\n0\n0\n0\n0\n0\n0\n-1"));
    f.hide();
    EXPECT_EQ(b.Anzeigen(b.Aux_Daten), 0);
    EXPECT_EQ(b.Anzeigen(*k.kontext->weitere_Anfragen().DSG_log_Zustandsdaten), 0);
    glob().Testmodus = false;
}

TEST(Testbox_Fenster, EveryRowAndTheMemoOnlyInTestMode) {
    LinkKontext k{false};
    TForm_Status_Testbox f(*k.kontext);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Status Testbox"));
    f.show();
    cl_Testbox_Daten& t = k.kontext->ecu_Befehle().Testbox_Daten;
    Bytes b(80);
    b.w16(0, 3000).w32(2, 4321).w16(6, 255).w16(8, -3600).w32(10, 98765);
    std::copy(b.d.begin(), b.d.end(), t.Daten.begin());
    t.Antwort();
    const Soll soll = {{"Label_rpm", "3000"},
                       {"Label_close_time", "3457"},
                       {"Label_ignition_angle", " 25.5"},
                       {"Label_injection_angle", "-360.0"},
                       {"Label_injection_time", "79012"}};
    for (const auto& [name, text] : soll) {
        const QLabel* l = f.findChild<QLabel*>(name);
        ASSERT_NE(l, nullptr) << name.toStdString();
        EXPECT_EQ(l->text(), text) << name.toStdString();
        EXPECT_TRUE(l->isVisible());
        EXPECT_EQ(l->palette().color(QPalette::WindowText),
                  f.palette().color(QPalette::WindowText));
    }
    EXPECT_FALSE(f.Memo_Aux->isVisible());
    EXPECT_EQ(k.kontext->ecu_Befehle().Anzeigen(k.kontext->ecu_Befehle().Aux_Daten), 0);
    // The widest texts whole in their labels.
    Bytes breit(80);
    breit.w16(0, 65535).w32(2, INT32_MIN).w16(6, -32768).w16(8, -32768).w32(10, INT32_MIN);
    std::copy(breit.d.begin(), breit.d.end(), t.Daten.begin());
    t.Antwort();
    for (const auto& [name, text] : soll) {
        const QLabel* l = f.findChild<QLabel*>(name);
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->contentsRect().width())
            << name.toStdString() << " " << l->text().toStdString();
    }
}

TEST(CAN_Temps_Fenster, GridAndPollingWhileShown) {
    LinkKontext k{false};
    TForm_CAN_Temps f(*k.kontext);
    cl_ECU_Befehle& b = k.kontext->ecu_Befehle();
    EXPECT_EQ(f.windowTitle(), QString());
    EXPECT_EQ(f.Label_Name->text(), QStringLiteral("CAN additional temperatures"));
    EXPECT_EQ(f.StringGrid->columnWidth(0), 30);
    EXPECT_EQ(f.StringGrid->columnWidth(1), 80);
    EXPECT_EQ(f.StringGrid->width(), 116);
    EXPECT_EQ(b.Anzeigen(b.CAN_Zusatztemps), 0);
    f.show();
    EXPECT_EQ(b.Anzeigen(b.CAN_Zusatztemps), 1);
    EXPECT_TRUE(b.CAN_Zusatztemps.aktiv);
    Bytes t(16);
    t.w16(0, -100).w16(2, -101).w16(14, 77);
    std::copy(t.d.begin(), t.d.end(), b.CAN_Zusatztemps.Daten.begin());
    b.CAN_Zusatztemps.Antwort();
    EXPECT_EQ(Text(f.StringGrid, 1, 1), QStringLiteral("         -100"));
    EXPECT_EQ(Text(f.StringGrid, 2, 1), QStringLiteral("           - - -"));
    EXPECT_EQ(Text(f.StringGrid, 8, 1), QStringLiteral("           77"));
    EXPECT_EQ(Text(f.StringGrid, 8, 0), QStringLiteral("8"));
    EXPECT_EQ(Text(f.StringGrid, 0, 1), QStringLiteral("Temperature"));
    f.hide();
    EXPECT_EQ(b.Anzeigen(b.CAN_Zusatztemps), 0);
    EXPECT_FALSE(b.CAN_Zusatztemps.aktiv);
}

// ---------------------------------------------------------------- end to end

namespace {} // namespace

TEST(DSG_ecusim, GearboxValuesLogStatesAndManualControl) {
    Variante v(Kennung(3));
    TForm_Status_DSG fenster(*v.k.kontext);
    auto* f = &fenster;
    f->show();
    // The panel starts nothing of its own record: the auxiliary grid's reduced plan brings it.
    v.ticke(20);
    EXPECT_EQ(v.Label(f, "Label_Motordrehzahl"), QString());
    v.k.kontext->ecu_Befehle().starte_Statusanzeige();
    ASSERT_TRUE(v.warte([&] { return v.zusatz.DSG_Schritt >= 3; }));
    // The time runs at 0.1 s an answer from 100 s; the gear names follow byte 0.
    const QString zeit = v.Label(f, "Label_DSG_Status_Zeit");
    ASSERT_TRUE(v.warte([&] { return v.Label(f, "Label_DSG_Status_Zeit") != zeit; }));
    const int s = v.zusatz.DSG_Schritt - 1;
    EXPECT_EQ(v.Label(f, "Label_DSG_Status_Zeit"),
              QString::asprintf("%6.3f", (100000 + 100 * s) * 0.001));
    EXPECT_EQ(v.Label(f, "Label_DSG_Status_akt_Gang"),
              QStringLiteral("%1. Gang").arg(1 + (s / 20) % 5));
    EXPECT_EQ(v.Label(f, "Label_Motortemp"), QStringLiteral("86"));
    EXPECT_EQ(v.Label(f, "Label_Gehaeuse_Leistung"), QStringLiteral("4200"));
    EXPECT_EQ(v.Label(f, "Label_Tacho_Geschw"),
              QString::asprintf("%5.1f", (300 + 40 * (2 + (s / 20) % 5) + s % 10) * 0.1));

    // Word 70 asked for the waiting log: read to its end, records 0 to 4 and the end at 5.
    ASSERT_TRUE(v.warte([&] { return !v.zusatz.Log_bereit && !f->Logik.Log_laeuft; }));
    EXPECT_EQ(v.zusatz.Logabfragen, (std::vector<uint16_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(f->StringGrid_Log_data->rowCount(), 6);
    EXPECT_EQ(Text(f->StringGrid_Log_data, 1, 0), QStringLiteral("0"));
    EXPECT_EQ(Text(f->StringGrid_Log_data, 3, 2), QStringLiteral("1021"));
    EXPECT_EQ(Text(f->StringGrid_Log_data, 5, 8), QStringLiteral("-3953"));

    // The state log, polled while the window shows: a shift of state 0, then 1.5 s later.
    ASSERT_TRUE(v.warte([&] { return f->Logik.naechste_Zustandszeile >= 3; }));
    EXPECT_EQ(Text(f->StringGrid, 1, 0), QStringLiteral("0"));
    EXPECT_EQ(Text(f->StringGrid, 1, 1), QStringLiteral("     0.000"));
    EXPECT_EQ(Text(f->StringGrid, 1, 2), QStringLiteral("-300"));
    EXPECT_EQ(Text(f->StringGrid, 2, 0), QStringLiteral("1"));
    EXPECT_EQ(Text(f->StringGrid, 2, 1), QStringLiteral("     1.500"));
    EXPECT_EQ(Text(f->StringGrid, 2, 3), QStringLiteral("-400"));

    // Manual control: Space shows the panel; set-points go out as typed, or not at all. (The
    // window made after the command requests left manual mode at its creation: (0, 0).)
    ASSERT_FALSE(v.befehle.DSG_Hand.empty());
    EXPECT_EQ(v.befehle.DSG_Hand[0], ecusim::Worte({0, 0, 0, 0}));
    v.befehle.DSG_Hand.clear();
    taste(f, Qt::Key_Space, QStringLiteral(" "));
    EXPECT_TRUE(f->GroupBox_Handbetrieb->isVisible());
    fotografiere(*f, "status_dsg");
    tippe(f->Edit_Y, QStringLiteral(" 12 "));
    EXPECT_EQ(f->Edit_Y->text(), QStringLiteral("12"));
    // Each set-point's request done before the next is typed, as a user's typing takes longer.
    const auto erledigt = [&] { return !v.k.kontext->befehle()->DSG_Handbetrieb->aktiv; };
    ASSERT_TRUE(v.warte([&] { return v.befehle.DSG_Hand.size() == 1 && erledigt(); }));
    EXPECT_EQ(v.befehle.DSG_Hand[0], ecusim::Worte({2, 0, 12, 0}));
    tippe(f->Edit_X, QStringLiteral("x1"));
    tippe(f->Edit_Kupplung, QStringLiteral("70000"));
    EXPECT_EQ(f->Edit_X->text(), QStringLiteral("0"));
    EXPECT_EQ(f->Edit_Kupplung->text(), QStringLiteral("0"));
    tippe(f->Edit_Kupplung, QStringLiteral("-5"));
    ASSERT_TRUE(v.warte([&] { return v.befehle.DSG_Hand.size() == 2 && erledigt(); }));
    EXPECT_EQ(v.befehle.DSG_Hand[1], ecusim::Worte({3, 0, 12, 0xFFFB}));
    // Space in an edit leaves manual mode: index 0 with the last values.
    taste(f->Edit_X, Qt::Key_Space, QStringLiteral(" "));
    EXPECT_FALSE(f->GroupBox_Handbetrieb->isVisible());
    ASSERT_TRUE(v.warte([&] { return v.befehle.DSG_Hand.size() == 3; }));
    EXPECT_EQ(v.befehle.DSG_Hand[2], ecusim::Worte({0, 0, 12, 0xFFFB}));
    v.ticke(10);
    EXPECT_EQ(v.befehle.DSG_Hand.size(), 3u);
    // Space on the window toggles: showing the panel sends nothing, hiding it leaves manual
    // mode with the same record.
    taste(f, Qt::Key_Space, QStringLiteral(" "));
    EXPECT_TRUE(f->GroupBox_Handbetrieb->isVisible());
    v.ticke(10);
    EXPECT_EQ(v.befehle.DSG_Hand.size(), 3u);
    taste(f, Qt::Key_Space, QStringLiteral(" "));
    EXPECT_FALSE(f->GroupBox_Handbetrieb->isVisible());
    EXPECT_FALSE(f->Handbetrieb_aktiv);
    ASSERT_TRUE(v.warte([&] { return v.befehle.DSG_Hand.size() == 4; }));
    EXPECT_EQ(v.befehle.DSG_Hand[3], ecusim::Worte({0, 0, 12, 0xFFFB}));

    // The button begins a new log at the ECU, which word 70 announces: read from record 0.
    const size_t vorher = v.zusatz.Logabfragen.size();
    f->Button_Log_Start->click();
    ASSERT_TRUE(v.warte([&] { return v.zusatz.Lognummer == 2 && !v.zusatz.Log_bereit; }));
    EXPECT_EQ(v.zusatz.Logabfragen.size(), vorher + 6);
    EXPECT_EQ(v.zusatz.Logabfragen[vorher], 0);
    EXPECT_EQ(Text(f->StringGrid_Log_data, 1, 1), QStringLiteral("2000"));

    // Hidden: the state log is no longer asked for.
    f->hide();
    v.ticke(10);
    const int zustaende = v.Anfragen(21);
    v.ticke(20);
    EXPECT_EQ(v.Anfragen(21), zustaende);
}

TEST(DSG_ecusim, ALogCutByADroppedLinkIsReadAfreshOnceTheRecordFlowsAgain) {
    Variante v(Kennung(3));
    v.zusatz.Logsaetze = 100000;
    TForm_Status_DSG fenster(*v.k.kontext);
    auto* f = &fenster;
    f->show();
    v.k.kontext->ecu_Befehle().starte_Statusanzeige();
    ASSERT_TRUE(v.warte([&] { return v.zusatz.Logabfragen.size() >= 5; }));
    v.sim.stumm = true;
    ASSERT_TRUE(v.warte([&] { return !v.k.link().ist_verbunden(); }, 3000));
    v.sim.stumm = false;
    v.zusatz.Logabfragen.clear();
    ASSERT_TRUE(v.warte([&] { return v.k.link().ist_verbunden(); }, 3000));
    // The plan after the reconnection brings the record again.
    v.k.kontext->ecu_Befehle().starte_Statusanzeige();
    ASSERT_TRUE(v.warte([&] { return v.zusatz.Logabfragen.size() >= 3; }));
    EXPECT_EQ(v.zusatz.Logabfragen[0], 0);
    EXPECT_EQ(v.zusatz.Logabfragen[2], 2);
    EXPECT_TRUE(f->Logik.Log_laeuft);
}

TEST(Testbox_ecusim, TheTestBoxRecordMovesAndTheMemoFollowsTheAuxRecordInTestMode) {
    Variante v(Kennung(4, 1));
    // The "/T" switch, after the program has read its command line.
    glob().Testmodus = true;
    TForm_Status_Testbox fenster(*v.k.kontext);
    auto* f = &fenster;
    f->show();
    ASSERT_TRUE(
        v.warte([&] { return v.zusatz.Testbox_Schritt >= 3 && v.zusatz.Aux_Schritt >= 2; }));
    const QString drehzahl = v.Label(f, "Label_rpm");
    ASSERT_TRUE(v.warte([&] { return v.Label(f, "Label_rpm") != drehzahl; }));
    // Polled at every tick: held, then asked once, so that the labels show a known answer.
    cl_Testbox_Daten& t = v.k.kontext->ecu_Befehle().Testbox_Daten;
    t.stoppen();
    v.ticke(3);
    t.starten();
    ASSERT_TRUE(v.warte([&] { return !t.aktiv; }));
    v.ticke(2);
    const int s = v.zusatz.Testbox_Schritt - 1;
    // Ticks of 0.8 us: the products are never halfway between two integers.
    EXPECT_EQ(v.Label(f, "Label_close_time"), QString::number(std::lround((3500 + s % 100) * 0.8)));
    EXPECT_EQ(v.Label(f, "Label_ignition_angle"), QString::asprintf("%5.1f", (250 + s % 50) * 0.1));
    EXPECT_EQ(v.Label(f, "Label_injection_angle"), QStringLiteral("-360.0"));
    EXPECT_EQ(v.Label(f, "Label_injection_time"),
              QString::number(std::lround((4000 + 10 * (s % 80)) * 0.8)));
    EXPECT_TRUE(f->Memo_Aux->isVisible());
    const int a = v.zusatz.Aux_Schritt % 10;
    EXPECT_EQ(f->Memo_Aux->toPlainText().split('\n').value(2), QString::number(3.0 + a));
    fotografiere(*f, "status_testbox");
    f->hide();
    v.ticke(10);
    const int aux = v.Anfragen(5);
    v.ticke(20);
    EXPECT_EQ(v.Anfragen(5), aux);
    glob().Testmodus = false;
}

TEST(CAN_Temps_ecusim, PolledExactlyWhileShown) {
    Variante v(Kennung(1));
    v.ticke(20);
    EXPECT_EQ(v.Anfragen(126), 0);
    TForm_CAN_Temps fenster(*v.k.kontext);
    auto* f = &fenster;
    f->show();
    // The grid shows the ECU's last answer: the values move with each one.
    const auto zuletzt = [&](int i) {
        return QString::asprintf("%13d", 20 + 15 * i + v.zusatz.CAN_Schritt % 5);
    };
    ASSERT_TRUE(v.warte([&] { return v.zusatz.CAN_Schritt >= 3; }));
    ASSERT_TRUE(v.warte([&] { return Text(f->StringGrid, 1, 1) == zuletzt(0); }));
    const int s = v.zusatz.CAN_Schritt;
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(Text(f->StringGrid, i + 1, 1), QString::asprintf("%13d", 20 + 15 * i + s % 5))
            << i;
    EXPECT_EQ(Text(f->StringGrid, 8, 1), QStringLiteral("           - - -"));
    fotografiere(*f, "can_temps");
    f->hide();
    v.ticke(10);
    const int n = v.Anfragen(126);
    v.ticke(20);
    EXPECT_EQ(v.Anfragen(126), n);
}
