// The input and output test windows: their tables by variant and their refresh as tables,
// and end to end against the simulated ECU (polled only while shown, the input test
// switched on and off).

#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Parameter.h"
#include "link/LinkFixture.h"
#include "model/UBefehle.h"
#include "model/UStatusdaten.h"
#include "model/UWeitere_Anfragen.h"
#include "windows/UQuorvel.h"
#include "windows/status/UTest_Eingaenge.h"

#include <QAction>
#include <QScrollBar>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {

struct Zelle {
    int Zeile;
    QString Name;
    QString Pin;
};

// With QUORVEL_BILDER naming a folder, the window's picture goes there.
void Bild(QWidget& fenster, const QString& name) {
    if (qEnvironmentVariableIsSet("QUORVEL_BILDER"))
        fenster.grab().save(qEnvironmentVariable("QUORVEL_BILDER") + '/' + name + ".png");
}

QString Text(const QTableWidget* g, int zeile, int spalte) {
    const QTableWidgetItem* i = g->item(zeile, spalte);
    return i ? i->text() : QString();
}

void setze_Wort(uint8_t* p, uint16_t w) {
    p[0] = static_cast<uint8_t>(w);
    p[1] = static_cast<uint8_t>(w >> 8);
}

// The shipped English texts, so that names read as the user reads them.
class Pruefraster_Test : public ::testing::Test {
protected:
    LinkKontext k{false};
};

} // namespace

TEST_F(Pruefraster_Test, AnalogGridByVariant) {
    struct Fall {
        const char* was;
        Pruefvariante v;
        bool zusatz;
        int zeilen;
        std::vector<Zelle> zellen;
    };
    const std::vector<Fall> faelle = {
        {"type 5 before any hardware",
         {450, 5, 1, 400},
         true,
         17,
         {{1, "Battery", "-"},
          {2, "Analog input 2", "6"},
          {15, "", ""},
          {16, "Internal temperature", "-"}}},
        {"400 series",
         {450, 1, 1, 400},
         false,
         25,
         {{1, "Throttle", "84"}, {2, "Battery", ""}, {24, "Analog input 24", "109"}, {25, "", ""}}},
        {"400 series, extra input",
         {400, 1, 1, 400},
         true,
         26,
         {{24, "Analog input 24", "109"}, {25, "Additional input", "-"}}},
        {"300 series, type number 203",
         {350, 1, 1, 203},
         true,
         25,
         {{1, "Throttle", "15"},
          {2, "", ""},
          {6, "Ambient pressure", "-"},
          {24, "Speed limiter", "21"}}},
        {"300 series",
         {301, 1, 1, 400},
         true,
         26,
         {{7, "Manifold pressure", "-"}, {24, "Air mass", "13"}, {25, "Additional input", "-"}}},
        {"300 series, no extra input", {399, 1, 1, 400}, false, 25, {{25, "", ""}}},
        {"hardware 0 of manufacturer 9",
         {0, 1, 9, 400},
         false,
         17,
         {{1, "throttle pot.", "2 (37)"}, {2, "", ""}, {16, "internal temp.", ""}}},
        {"hardware 201",
         {201, 1, 1, 400},
         true,
         17,
         {{3, "engine stop", "4 (39)"}, {14, "engine temp. 2", "13 (47)"}}},
        {"hardware 0, other manufacturer",
         {0, 1, 1, 400},
         false,
         17,
         {{1, "Throttle", "2"}, {7, "Manifold pressure", ""}, {16, "Internal temperature", "-"}}},
        {"hardware 300 is not of the 300 series",
         {300, 1, 1, 203},
         false,
         17,
         {{1, "Throttle", "2"}}},
        {"hardware 500", {500, 1, 1, 400}, true, 17, {{15, "Auxiliary input", "47"}}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        Analogtabelle t;
        // A table of another variant before: nothing of it may stay.
        t.erstelle({450, 1, 1, 400}, true);
        t.erstelle(f.v, f.zusatz);
        ASSERT_EQ(t.Raster.Zeilen(), f.zeilen);
        for (const Zelle& z : f.zellen) {
            SCOPED_TRACE(z.Zeile);
            EXPECT_EQ(t.Raster.Zelle(Analogtabelle::Name, z.Zeile), z.Name);
            EXPECT_EQ(t.Raster.Zelle(Analogtabelle::Pin, z.Zeile), z.Pin);
        }
        for (int r = 1; r < t.Raster.Zeilen(); ++r)
            EXPECT_EQ(t.Raster.Zelle(Analogtabelle::Nummer, r), QString::number(r == 25 ? 100 : r));
        EXPECT_EQ(t.Raster.Zelle(Analogtabelle::Nummer, 0), QStringLiteral("No."));
        EXPECT_EQ(t.Raster.Zelle(Analogtabelle::Spannung, 0), QStringLiteral("Voltage"));
    }
}

TEST_F(Pruefraster_Test, AnalogVoltagesShowOnRowsWithAPin) {
    Analogtabelle t;
    t.erstelle({450, 1, 1, 400}, true);
    std::array<uint8_t, 64> satz{};
    setze_Wort(&satz[0], 1023); // row 1, pin "84"
    setze_Wort(&satz[2], 700);  // row 2, no pin
    setze_Wort(&satz[6], 0);    // row 4
    setze_Wort(&satz[12], 512); // row 7, pin "-"
    setze_Wort(&satz[46], 100); // row 24
    setze_Wort(&satz[48], 900); // row 25: the live record's word, not this one
    t.schreibe_Spannungen(satz, 300);
    const std::vector<std::pair<int, QString>> soll = {
        {1, " 5.00 V"}, {2, ""}, {4, " 0.00 V"}, {7, " 2.50 V"}, {24, " 0.49 V"}, {25, " 1.47 V"}};
    for (const auto& [zeile, text] : soll)
        EXPECT_EQ(t.Raster.Zelle(Analogtabelle::Spannung, zeile), text) << zeile;

    // Another ECU: a row without a pin keeps no voltage of the one before.
    t.erstelle({0, 1, 1, 400}, false);
    EXPECT_EQ(t.Raster.Zelle(Analogtabelle::Spannung, 7), QString());
    EXPECT_EQ(t.Raster.Zelle(Analogtabelle::Spannung, 1), QString());
    t.schreibe_Spannungen(satz, 300);
    EXPECT_EQ(t.Raster.Zelle(Analogtabelle::Spannung, 7), QString());
    EXPECT_EQ(t.Raster.Zelle(Analogtabelle::Spannung, 16), QStringLiteral(" 0.00 V"));
    EXPECT_EQ(t.Raster.Zeilen(), 17);
}

TEST_F(Pruefraster_Test, DigitalInputGridByVariant) {
    struct Fall {
        const char* was;
        Pruefvariante v;
        int zeilen;
        std::vector<Zelle> zellen;
    };
    const std::vector<Fall> faelle = {
        {"type 5", {450, 5, 1, 400}, 6, {{1, "Ignition", "14"}, {5, "Digital input 5", "31"}}},
        {"100 series", {150, 1, 1, 400}, 6, {{3, "Race input", "5"}, {5, "Brake", "23"}}},
        {"hardware 300", {300, 1, 1, 400}, 6, {{1, "Ignition", "53"}}},
        {"hardware 0", {0, 1, 1, 400}, 6, {{2, "Function input", "51"}}},
        {"hardware 201",
         {201, 1, 1, 400},
         4,
         {{1, "Ignition", "1 (36)"}, {2, "reserved", ""}, {3, "Engine stop", "25 (6)"}}},
        {"300 series, type number 203",
         {350, 1, 1, 203},
         4,
         {{1, "Ignition", "18"}, {2, "Function input", ""}, {3, "Speed limiter", "16"}}},
        {"300 series", {350, 1, 1, 400}, 5, {{4, "Brake", "26"}}},
        {"400 series",
         {450, 1, 1, 400},
         16,
         {{1, "Ignition", "82"}, {15, "Digital input 15", "56"}}},
        // Names and row count as before, nothing shown.
        {"other hardware",
         {500, 1, 1, 400},
         16,
         {{1, "Ignition", ""}, {15, "Digital input 15", ""}}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        Digitaleingangstabelle t;
        t.erstelle({450, 1, 1, 400});
        std::array<uint8_t, 34> satz{};
        setze_Wort(&satz[0], 0xFFFF);
        for (int i = 1; i <= 16; ++i)
            setze_Wort(&satz[2 * i], static_cast<uint16_t>(i));
        t.schreibe(satz);
        t.erstelle(f.v);
        ASSERT_EQ(t.Raster.Zeilen(), f.zeilen);
        for (const Zelle& z : f.zellen) {
            SCOPED_TRACE(z.Zeile);
            EXPECT_EQ(t.Raster.Zelle(Digitaleingangstabelle::Name, z.Zeile), z.Name);
            EXPECT_EQ(t.Raster.Zelle(Digitaleingangstabelle::Pin, z.Zeile), z.Pin);
            EXPECT_EQ(t.Raster.Zelle(Digitaleingangstabelle::Zustand, z.Zeile), QString());
            EXPECT_EQ(t.Raster.Zelle(Digitaleingangstabelle::Zaehler, z.Zeile), QString());
        }
    }
}

TEST_F(Pruefraster_Test, DigitalInputStatesAndCounters) {
    Digitaleingangstabelle t;
    t.erstelle({201, 1, 1, 400});
    std::array<uint8_t, 34> satz{};
    setze_Wort(&satz[0], 0b0110); // inputs 2 and 3
    setze_Wort(&satz[2], 7);
    setze_Wort(&satz[4], 8);
    setze_Wort(&satz[6], 65535);
    t.schreibe(satz);
    struct Soll {
        int zeile;
        QString zustand, zaehler;
    };
    for (const Soll& s : std::vector<Soll>{{1, "off", "7"}, {2, "", ""}, {3, "on", "65535"}}) {
        EXPECT_EQ(t.Raster.Zelle(Digitaleingangstabelle::Zustand, s.zeile), s.zustand) << s.zeile;
        EXPECT_EQ(t.Raster.Zelle(Digitaleingangstabelle::Zaehler, s.zeile), s.zaehler) << s.zeile;
    }
}

TEST_F(Pruefraster_Test, OutputRowFromItsText) {
    struct Fall {
        QString text, name, nummer;
    };
    const std::vector<Fall> faelle = {
        {"Fuel pump, A12", "Fuel pump", "12"},
        {"Fan,relay 3,K7", "Fan", "7"},
        {"Lamp, 12x", "Lamp", ""},
        {"No comma 34", "No comma 34", "34"},
        {"", "", ""},
    };
    for (const Fall& f : faelle) {
        Digitalausgangstabelle t;
        t.setze_Ausgangszeile(1, f.text);
        EXPECT_EQ(t.Raster.Zelle(Digitalausgangstabelle::Name, 1), f.name) << f.text.toStdString();
        EXPECT_EQ(t.Raster.Zelle(Digitalausgangstabelle::Nummer, 1), f.nummer)
            << f.text.toStdString();
    }
}

TEST_F(Pruefraster_Test, OutputGridByHardwareAndItsStates) {
    Digitalausgangstabelle t;
    t.erstelle({350, 1, 1, 400});
    ASSERT_EQ(t.Raster.Zeilen(), 13);
    EXPECT_EQ(t.Raster.Zelle(Digitalausgangstabelle::Name, 1), QStringLiteral("Output 1"));
    EXPECT_EQ(t.Raster.Zelle(Digitalausgangstabelle::Nummer, 12), QStringLiteral("52"));

    t.erstelle({450, 1, 1, 400});
    ASSERT_EQ(t.Raster.Zeilen(), 36);
    std::array<uint8_t, 8> satz{};
    setze_Wort(&satz[0], 0x8001); // outputs 1 and 16
    setze_Wort(&satz[2], 0x0001); // output 17
    setze_Wort(&satz[4], 0x0004); // output 35
    t.schreibe_Ausgaenge(satz);
    const std::vector<std::pair<int, QString>> soll = {
        {1, "on"}, {2, "off"}, {16, "on"}, {17, "on"}, {18, "off"}, {34, "off"}, {35, "on"}};
    for (const auto& [zeile, zustand] : soll)
        EXPECT_EQ(t.Raster.Zelle(Digitalausgangstabelle::Zustand, zeile), zustand) << zeile;
    EXPECT_EQ(t.Raster.Zelle(Digitalausgangstabelle::Nummer, 35), QStringLiteral("95"));

    // An ECU without an output table shows none of the one before.
    t.erstelle({200, 1, 1, 400});
    EXPECT_EQ(t.Raster.Zeilen(), 36);
    t.schreibe_Ausgaenge(satz);
    for (int r = 1; r < 36; ++r) {
        EXPECT_EQ(t.Raster.Zelle(Digitalausgangstabelle::Nummer, r), QString()) << r;
        EXPECT_EQ(t.Raster.Zelle(Digitalausgangstabelle::Zustand, r), QString()) << r;
    }
}

// ---------------------------------------------------------------- end to end

namespace {

class Pruefsimulation {
public:
    Pruefsimulation() : befehle(sim), live(sim), parameter(sim) {
        sim.oeffne_CAN(k.bus.Teilnehmer());
        k.sim = &sim;
        k.kontext->erzeuge_Befehle();
        k.version().anfordern();
        EXPECT_TRUE(warte([&] { return k.version().ECU_Typ() == 1; }));
    }
    template <class F> bool warte(F fertig, int ticks = 2000) { return k.warte_bis(fertig, ticks); }
    int Anfragen(uint8_t befehl) const {
        int n = 0;
        for (const ecusim::Rahmen& r : sim.empfangene())
            n += r.befehl() == befehl;
        return n;
    }

    LinkKontext k;
    ecusim::EcuSim sim;
    bool identitaet = (ecusim::richte_Identitaet_ein(sim), true);
    ecusim::Befehlsbereich befehle;
    ecusim::Livebereich live;
    // The parameter read of a 6.15 ECU, answered: the test records take their turns beside it.
    ecusim::Parameterbereich parameter;
};

} // namespace

TEST(Pruefraster_ecusim, AnalogInputsRefreshWhileShownOnly) {
    Pruefsimulation s;
    TForm_Test_analoge_Eingaenge f(*s.k.kontext);
    EXPECT_EQ(s.Anfragen(109), 0);
    f.show();
    // The simulated ECU sends 100 × i for input i.
    const QTableWidget* g = f.StringGrid;
    ASSERT_TRUE(s.warte([&] { return !Text(g, 3, 3).isEmpty(); }));
    EXPECT_EQ(g->rowCount(), 25);
    const std::vector<std::vector<QString>> soll = {
        {"1", "Throttle", "84", " 0.00 V"},          {"2", "Battery", "", ""},
        {"3", "Idle actuator", "70", " 0.98 V"},     {"7", "Manifold pressure", "-", " 2.93 V"},
        {"24", "Analog input 24", "109", "11.24 V"},
    };
    for (const auto& z : soll) {
        const int r = z[0].toInt();
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(Text(g, r, c), z[static_cast<size_t>(c)]) << r << "," << c;
    }
    Bild(f, QStringLiteral("analoge_Eingaenge"));
    // Polled again and again while shown.
    ASSERT_TRUE(s.warte([&] { return s.Anfragen(109) >= 3; }));
    const int gezeigt = s.Anfragen(109);

    f.hide();
    s.warte([] { return false; }, 30);
    const int danach = s.Anfragen(109);
    s.warte([] { return false; }, 30);
    EXPECT_EQ(s.Anfragen(109), danach);
    EXPECT_LE(danach, gezeigt + 1);
}

TEST(Pruefraster_ecusim, DigitalInputsSwitchTheTestOnAndOffAroundTheirPolling) {
    Pruefsimulation s;
    TForm_Test_digitale_Eingaenge f(*s.k.kontext);
    s.befehle.Eingangsbits = 0b101;
    f.show();
    const QTableWidget* g = f.StringGrid;
    ASSERT_TRUE(s.warte([&] { return !Text(g, 1, 2).isEmpty(); }));
    ASSERT_EQ(s.befehle.Eingangstest, std::vector<int>{1});
    EXPECT_EQ(g->rowCount(), 16);
    const std::vector<std::vector<QString>> soll = {
        {"Ignition", "82", "on", "1"},
        {"Function input", "86", "off", "2"},
        {"Engine stop", "38", "on", "3"},
        {"Digital input 15", "56", "off", "15"},
    };
    for (size_t i = 0; i < soll.size(); ++i) {
        const int r = i < 3 ? static_cast<int>(i) + 1 : 15;
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(Text(g, r, c), soll[i][static_cast<size_t>(c)]) << r << "," << c;
    }
    s.befehle.Eingangsbits = 0b10;
    ASSERT_TRUE(s.warte([&] { return Text(g, 2, 2) == QStringLiteral("on"); }));
    EXPECT_EQ(Text(g, 1, 2), QStringLiteral("off"));
    Bild(f, QStringLiteral("digitale_Eingaenge"));

    f.close();
    ASSERT_TRUE(s.warte([&] { return s.befehle.Eingangstest.size() == 2; }));
    EXPECT_EQ(s.befehle.Eingangstest.back(), 0);
    // Nothing polled once the switch-off went out.
    s.warte([] { return false; }, 20);
    const int danach = s.Anfragen(111);
    s.warte([] { return false; }, 30);
    EXPECT_EQ(s.Anfragen(111), danach);
}

TEST(Pruefraster_ecusim, DigitalOutputsShowTheirBitsFromTheMenu) {
    Pruefsimulation s;
    auto* f = s.k.kontext->fenster<TForm_Test_digitale_Ausgaenge>();
    ASSERT_EQ(f, nullptr); // no window list without erzeuge_Fenster
    TForm_Test_digitale_Ausgaenge fenster(*s.k.kontext);
    fenster.show();
    const QTableWidget* g = fenster.StringGrid;
    // The simulated ECU answers 0x0005, 0x8000, 0, 0x0001.
    ASSERT_TRUE(s.warte([&] { return !Text(g, 1, 2).isEmpty(); }));
    EXPECT_EQ(g->rowCount(), 36);
    const std::vector<std::pair<int, QString>> soll = {
        {1, "on"}, {2, "off"}, {3, "on"}, {16, "off"}, {17, "off"}, {32, "on"}, {35, "off"}};
    for (const auto& [r, zustand] : soll) {
        EXPECT_EQ(Text(g, r, 0), QStringLiteral("Output %1").arg(r)) << r;
        EXPECT_EQ(Text(g, r, 1), QString::number(60 + r)) << r;
        EXPECT_EQ(Text(g, r, 2), zustand) << r;
    }
    EXPECT_LE(fenster.height(), TForm_Test_digitale_Ausgaenge::Max_Hoehe);
    // The rows scroll; the columns all fit beside the scroll bar.
    QCoreApplication::processEvents();
    EXPECT_TRUE(g->verticalScrollBar()->isVisible());
    EXPECT_FALSE(g->horizontalScrollBar()->isVisible());
    Bild(fenster, QStringLiteral("digitale_Ausgaenge"));
    fenster.hide();
    s.warte([] { return false; }, 20);
    const int danach = s.Anfragen(112);
    s.warte([] { return false; }, 30);
    EXPECT_EQ(s.Anfragen(112), danach);
}
