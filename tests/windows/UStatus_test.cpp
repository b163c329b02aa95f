// The live-status window: against the simulated ECU end to end (connection, password
// state, parameters, live data), and its rules and keys on records filled by hand.

#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Parameter.h"
#include "ecusim/Passwort.h"
#include "link/LinkFixture.h"
#include "link/UKommunikation.h"
#include "model/UBefehle.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"
#include "windows/Variantenfixtures.h"
#include "windows/status/UStatus.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string_view>

namespace {

QColor Schrift(const QLabel* l) {
    return l->palette().color(QPalette::WindowText);
}

// The value cell of a row.
QString W(const TForm_Status& f, const char* zeile) {
    return f.Label(QStringLiteral("Label_") + QLatin1String(zeile))->text();
}

// A 6.15 ECU with the internal pressure sensor fitted.
ecusim::Identitaetsdaten Simulationsidentitaet() {
    ecusim::Identitaetsdaten id;
    id.Optionswort = 1;
    return id;
}

class Livesimulation {
public:
    Livesimulation() : parameter(sim), live(sim), passwort(sim) {
        const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
        for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")})
            QFile::copy(quelle + s + QStringLiteral("/T-SIMQuorvel-1-400-0615.TXT"),
                        k.ordner.datei(QStringLiteral("Language/") + s +
                                       QStringLiteral("/T-SIMQuorvel-1-400-0615.TXT")));
        parameter.fuelle_Beispielwerte();
        sim.oeffne_CAN(k.bus.Teilnehmer());
        k.sim = &sim;
        k.version().anfordern();
    }

    template <class F> bool warte(F fertig, int ticks = 2000) { return k.warte_bis(fertig, ticks); }

    std::vector<uint8_t> Befehle() const {
        std::vector<uint8_t> b;
        for (const ecusim::Rahmen& r : sim.empfangene())
            if (b.empty() || b.back() != r.befehl())
                b.push_back(r.befehl());
        return b;
    }

    LinkKontext k;
    ecusim::EcuSim sim;
    // Before the password area, whose answer of command 82 replaces the identity's default.
    bool identitaet = (ecusim::richte_Identitaet_ein(sim, Simulationsidentitaet()), true);
    ecusim::Parameterbereich parameter;
    ecusim::Livebereich live;
    ecusim::Passwortbereich passwort;
};

} // namespace

TEST(Statusfenster, ShowsTheSimulatedEngineWithInvalidSensorsInRed) {
    Livesimulation s;
    TForm_Status f(*s.k.kontext);
    f.show();

    // Identity, password state, the parameters (manufacturer 1 from 6.15 reads them even
    // without a password), then the live records.
    ASSERT_TRUE(s.warte([&] { return s.live.Schritt > 2; }));
    const std::vector<uint8_t> b = s.Befehle();
    ASSERT_GE(b.size(), 4u);
    EXPECT_EQ(b[0], 100);
    EXPECT_EQ(b[1], 82);
    EXPECT_EQ(b[2], 3);
    EXPECT_EQ(s.passwort.Zustandsanfragen, 1);
    EXPECT_TRUE(std::find(b.begin(), b.end(), 11) != b.end() ||
                s.warte([&] { return s.k.kontext->ecu_Befehle().akt_Daten_A.beantwortet; }));

    // The speed follows the engine.
    const auto& L = s.k.kontext->ecu_Befehle().akt_Daten;
    ASSERT_TRUE(
        s.warte([&] { return W(f, "Drehzahl") == QString::number(L.u16(10)) && L.u16(10) > 0; }));
    const QString erste = W(f, "Drehzahl");
    ASSERT_TRUE(s.warte([&] { return W(f, "Drehzahl") != erste; }));
    EXPECT_EQ(W(f, "Drehzahl"), QString::number(L.u16(10)));
    EXPECT_EQ(W(f, "Motortemperatur"), QString::number(L.s16(74)));
    EXPECT_TRUE(f.Gruppe(QStringLiteral("GroupBox_Einspritzzeit"))->isVisible());
    EXPECT_TRUE(f.Gruppe(QStringLiteral("GroupBox_Lambda_1"))->isVisible());

    // The air-temperature sensor drops out for a while and comes back.
    ASSERT_TRUE(s.warte(
        [&] { return Schrift(f.Label(QStringLiteral("Label_Lufttemperatur"))) == Qt::red; }));
    ASSERT_TRUE(s.warte(
        [&] { return Schrift(f.Label(QStringLiteral("Label_Lufttemperatur"))) == Qt::black; }));
    EXPECT_EQ(Schrift(f.Label(QStringLiteral("Label_Motortemperatur"))), Qt::black);
    // A failed engine-temperature sensor.
    s.live.Ungueltig_Maske = 1U << 1;
    s.live.injiziere(ecusim::Livefehler::Sensoren_ungueltig);
    ASSERT_TRUE(s.warte(
        [&] { return Schrift(f.Label(QStringLiteral("Label_Motortemperatur"))) == Qt::red; }));
    EXPECT_EQ(Schrift(f.Label(QStringLiteral("Label_Spannung_Motortemperatur"))), Qt::red);

    Bild(f, "Status_ecusim");
}

TEST(Statusfenster, ManualInjectionKeysReachTheSimulatedEcu) {
    Livesimulation s;
    ecusim::Befehlsbereich befehle(s.sim);
    s.live.Handbetrieb = [&] { return befehle.Handbetrieb; };
    s.k.kontext->erzeuge_Befehle();
    TForm_Status f(*s.k.kontext);
    const auto taste = [&](int key) {
        QKeyEvent e(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&f, &e);
    };
    const QString laeuft = hole_Teiltext(hole_Text(193), 3);
    ASSERT_TRUE(s.warte([&] { return f.Label_Motorstatus->text() == laeuft; }));
    taste(Qt::Key_2);
    // A change pressed before manual mode is dropped by the switch.
    taste(Qt::Key_Plus);
    taste(Qt::Key_Space);
    const QString manuell = hole_Teiltext(hole_Text(193), 0) + QStringLiteral(" 5");
    ASSERT_TRUE(s.warte([&] { return f.Label_Motorstatus->text() == manuell; }));
    EXPECT_TRUE(befehle.Handbetrieb);
    for (int i = 0; i < 3; ++i)
        taste(Qt::Key_Plus);
    ASSERT_TRUE(s.warte([&] { return !befehle.Einspritzaenderungen.empty(); }));
    // 3 x 5 us, in the ECU's 0.8 us steps.
    EXPECT_EQ(befehle.Einspritzaenderungen, std::vector<int16_t>{18});
    taste(Qt::Key_9);
    taste(Qt::Key_Minus);
    ASSERT_TRUE(s.warte([&] { return befehle.Einspritzaenderungen.size() == 2; }));
    EXPECT_EQ(befehle.Einspritzaenderungen.back(), -1250);
    taste(Qt::Key_Space);
    ASSERT_TRUE(s.warte([&] { return f.Label_Motorstatus->text() == laeuft; }));
    EXPECT_FALSE(befehle.Handbetrieb);
}

TEST(Statusfenster, ShortRecordsAreRefusedAndTheWindowKeepsItsLastValues) {
    Livesimulation s;
    TForm_Status f(*s.k.kontext);
    ASSERT_TRUE(s.warte(
        [&] { return !W(f, "Drehzahl").isEmpty() && W(f, "Drehzahl") != QStringLiteral("0"); }));
    s.live.injiziere(ecusim::Livefehler::Kurzer_Datensatz);
    const QString vorher = W(f, "Drehzahl");
    const int schritt = s.live.Schritt;
    ASSERT_TRUE(s.warte([&] { return s.live.Schritt > schritt + 2; }));
    EXPECT_EQ(W(f, "Drehzahl"), vorher);
}

TEST(Statusfenster, PartialTextItems) {
    struct Fall {
        const char* text;
        int n;
        const char* teil;
    };
    for (const Fall f :
         {Fall{"a;b;c", 0, "a"}, Fall{"a;b;c", 2, "c"}, Fall{"a;b;c", 3, ""}, Fall{"a;;c", 1, ""},
          Fall{"", 0, ""}, Fall{"a;b", -1, ""}, Fall{"abc", 0, "abc"}})
        EXPECT_EQ(hole_Teiltext(QString::fromLatin1(f.text), f.n), QLatin1String(f.teil))
            << f.text << ' ' << f.n;
}

namespace {

struct Handfenster {
    Handfenster() : f(*k.kontext) {
        ecusim::Identitaetsdaten id;
        const QByteArray a = ecusim::baue_Identitaet(id);
        std::copy(a.begin(), a.end(), k.version().Antwortbereich.begin());
        k.version().Antwort();
        k.link().alle_stoppen();
    }
    cl_ECU_Befehle& b() { return k.kontext->ecu_Befehle(); }
    void refresh() { b().akt_Daten.Antwort(); }
    void taste(int key, Qt::KeyboardModifiers mod = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyRelease, key, mod);
        QCoreApplication::sendEvent(&f, &e);
    }
    LinkKontext k;
    TForm_Status f;
};

} // namespace

TEST(Statusfenster, EngineStateLines) {
    Handfenster h;
    const QString t193 = hole_Text(193);
    const QString t194 = hole_Text(194);
    struct Fall {
        uint16_t l8;
        int index;
        int unterzustand; // -1: none
    };
    for (const Fall f : {Fall{3, 3, -1}, Fall{4, 4, 0}, Fall{7, 4, 3}, Fall{19, 4, 15},
                         Fall{20, 5, 16}, Fall{300, 5, 296}}) {
        h.b().akt_Daten.setze_u16(8, f.l8);
        h.refresh();
        QString erwartet = hole_Teiltext(t193, f.index);
        if (f.unterzustand >= 0)
            erwartet += QStringLiteral(" (") + hole_Teiltext(t194, f.unterzustand) + ')';
        EXPECT_EQ(h.f.Label_Motorstatus->text(), erwartet) << f.l8;
    }
}

TEST(Statusfenster, ManualInjectionKeys) {
    Handfenster h;
    h.k.kontext->erzeuge_Befehle();
    cl_Quorvel_Hand_Einspritzzeit_aendern& aenderung =
        *h.k.kontext->befehle()->Quorvel_Hand_Einspritzzeit_aendern;
    cl_Quorvel_Hand_umschalten& umschalten = *h.k.kontext->befehle()->Quorvel_Hand_umschalten;
    // What the request was started with; the ECU's answer frees it for the next change.
    std::vector<int16_t> gesendet;
    const auto merke = [&] {
        if (aenderung.aktiv)
            gesendet.push_back(aenderung.gesendet());
        aenderung.aktiv = false;
    };
    h.b().akt_Daten.setze_u16(8, 5); // not manual: nothing is sent
    h.taste(Qt::Key_2);
    h.taste(Qt::Key_0);
    EXPECT_EQ(h.f.Hand_Schrittweite, 5);
    for (int i = 0; i < 3; ++i)
        h.taste(Qt::Key_Plus);
    h.refresh();
    merke();
    EXPECT_TRUE(gesendet.empty());
    h.b().akt_Daten.setze_u16(8, 0);
    h.refresh();
    merke();
    EXPECT_EQ(gesendet, std::vector<int16_t>{18});
    EXPECT_TRUE(h.f.Label_Motorstatus->text().endsWith(QStringLiteral(" 5")));
    h.taste(Qt::Key_9, Qt::KeypadModifier);
    EXPECT_EQ(h.f.Hand_Schrittweite, 1000);
    h.taste(Qt::Key_Minus, Qt::KeypadModifier);
    h.refresh();
    merke();
    EXPECT_EQ(gesendet.back(), -1250);
    // Switching the mode drops the keys pressed before it.
    h.taste(Qt::Key_Plus);
    h.taste(Qt::Key_Space);
    EXPECT_TRUE(umschalten.aktiv);
    h.refresh();
    merke();
    EXPECT_EQ(gesendet.size(), 2u);
    // Alt keeps its window keys: no step change.
    h.taste(Qt::Key_1, Qt::AltModifier);
    EXPECT_EQ(h.f.Hand_Schrittweite, 1000);
    int plus = 0, minus = 0;
    h.f.Zuendwinkel_plus = [&] { ++plus; };
    h.f.Zuendwinkel_minus = [&] { ++minus; };
    for (int key : {Qt::Key_Q, Qt::Key_F2, Qt::Key_Y, Qt::Key_F10})
        h.taste(key);
    EXPECT_EQ(plus, 2);
    EXPECT_EQ(minus, 2);
}

// ---------------------------------------------------------------- the rules, as tables

namespace {

// Record bytes of one refresh with the identity and parameters they are read under.
struct Statusfall {
    Identitaet id;
    std::map<int, int64_t> P;
    int Bank2 = 0;
    std::vector<uint8_t> L, Ad, B, C;
    int Schritt = 100;

    Status_Logik laufe() const {
        Status_Logik l;
        l.aktualisiere({id, Parameter(P), Bank2, Satz(L), Satz(Ad), Satz(B), Satz(C), Schritt});
        return l;
    }
};

void setze_u16(std::vector<uint8_t>& d, int offset, uint16_t wert) {
    d.at(static_cast<size_t>(offset)) = static_cast<uint8_t>(wert & 0xFF);
    d.at(static_cast<size_t>(offset + 1)) = static_cast<uint8_t>(wert >> 8);
}

void setze_s32(std::vector<uint8_t>& d, int offset, int32_t wert) {
    setze_u32(d, offset, static_cast<uint32_t>(wert));
}

// Every word a different value, so that a row reading the wrong offset shows another text.
Statusfall Vollfall(const Identitaet& id) {
    Statusfall f;
    f.id = id;
    f.P = {{54, 1},   {60, 1},   {76, 1},   {131, 1},  {1119, 1}, {1134, 1},
           {1151, 2}, {1940, 1}, {2155, 1}, {2156, 1}, {2207, 2}, {2208, 2},
           {2371, 1}, {2375, 1}, {2381, 1}, {2390, 1}, {2395, 1}};
    f.Bank2 = 1;
    f.L = Datensatz(84, {{8, 7},     {10, 3000},  {14, 512}, {16, 0x24}, {18, -123}, {22, 192},
                         {24, 7},    {26, 2048},  {28, 51},  {30, 11},   {32, 5000}, {34, -7},
                         {38, 1023}, {42, 205},   {44, 100}, {46, 300},  {48, 400},  {50, 600},
                         {52, 700},  {58, 0},     {72, 55},  {74, -12},  {76, 800},  {78, 25},
                         {80, 1013}, {82, 0xFFFF}});
    f.L[12] = 1;
    setze_s32(f.L, 54, 3723456);
    f.Ad = Datensatz(98, {{8, 1250}, {10, 625},   {12, 1000}, {14, 1500}, {16, 2500}, {18, 250},
                          {20, 125}, {22, 375},   {24, 50},   {26, 7},    {28, 20},   {30, -100},
                          {32, 10},  {34, -11},   {36, 12},   {38, 13},   {40, 14},   {42, 15},
                          {52, 123}, {54, 65535}, {56, 256},  {60, 456},  {62, 789},  {64, 987},
                          {66, 990}, {70, 123},   {72, 321},  {74, -5},   {80, 17},   {86, 410},
                          {88, 820}, {90, 850},   {92, 870},  {94, 1050}, {96, 1234}});
    setze_s32(f.Ad, 44, 36125);
    setze_s32(f.Ad, 48, 123456789);
    setze_s32(f.Ad, 82, 70000);
    f.B = Datensatz(100, {{16, 18},   {18, 950}, {40, 4375}, {42, 30},   {44, 35},   {46, 123},
                          {54, 2500}, {58, -3},  {62, 50},   {64, 123},  {66, -45},  {68, -95},
                          {70, 1000}, {72, 907}, {74, 200},  {76, 3500}, {78, 1000}, {82, 1100},
                          {84, 60},   {86, 512}, {88, 1800}, {94, 1250}, {98, 88}});
    setze_u32(f.B, 90, 360000);
    f.C = Datensatz(100, {{0, 100}, {2, 25}, {4, -1}, {6, -15}, {8, 1023}, {10, 5}});
    return f;
}

QString S(const char* s) {
    return QString::fromUtf8(s);
}

// Every value the logic writes is named in the table: a row added without a test shows here.
void alle_benannt(const Anzeige& a, const std::vector<Soll>& tabelle, const char* fall) {
    std::set<QString> benannt;
    for (const Soll& s : tabelle)
        benannt.insert(QString::fromLatin1(s.Name));
    for (const auto& [name, feld] : a.Felder())
        if (feld.Text_gesetzt && !name.startsWith(QStringLiteral("Label_Kopf_"))) {
            EXPECT_TRUE(benannt.contains(name)) << fall << ": " << name.toStdString();
        }
}

void pruefe_Lagen(const Status_Logik& l, const std::map<const char*, int>& oben,
                  const std::map<const char*, Lage>& gruppen, const char* fall) {
    for (const auto& [name, y] : oben) {
        const auto it = l.Oben.find(QString::fromLatin1(name));
        ASSERT_NE(it, l.Oben.end()) << fall << ": " << name;
        EXPECT_EQ(it->second, y) << fall << ": " << name;
    }
    for (const auto& [name, lage] : gruppen) {
        const auto it = l.Gruppen.find(QString::fromLatin1(name));
        ASSERT_NE(it, l.Gruppen.end()) << fall << ": " << name;
        EXPECT_EQ(it->second.oben, lage.oben) << fall << ": " << name;
        EXPECT_EQ(it->second.hoehe, lage.hoehe) << fall << ": " << name;
    }
}

// The language texts loaded, and the identity as the ECU's record gives it.
class Statuslogik : public ::testing::Test {
protected:
    LinkKontext k{false};
    // A type-1 ECU of the given software version, internal pressure sensor fitted.
    Identitaet Kennung_von(int version, int hardware = 400) {
        k.version().setze_offline(1, 1, 1, hardware, version, 0);
        Identitaet id = Kennung(k.version());
        id.Hardware_Haupt = hardware;
        id.Option_138 = true;
        return id;
    }
    Statusfall Vollfall() { return ::Vollfall(Kennung_von(700)); }
};

} // namespace

TEST_F(Statuslogik, EveryRowOfAFullyEquippedEcu) {
    const Statusfall f = Vollfall();
    const Status_Logik l = f.laufe();
    const std::vector<Soll> tabelle = {
        {"GroupBox_Einspritzzeit", {}, true},
        {"GroupBox_Oel", {}, true},
        {"GroupBox_Verstellung", {}, true},
        {"GroupBox_Lambda_1", {}, true},
        {"GroupBox_Lambda_2", {}, true},
        // Speed
        {"Label_Drehzahl", S("3000")},
        {"Label_Solldrehzahl", S("2500"), true},
        {"Label_Drehzahlfehler", S("11/7")},
        // Throttle, electronic
        {"Label_Pedal", S(" 45.6"), true, schwarz},
        {"Label_Spannung_Pedal", S(" 1.25 V"), true},
        {"Label_Soll_Drosselklappe", S(" 32.1"), true},
        {"Label_Drosselklappe", S(" 78.9"), true, schwarz},
        {"Label_Spannung_Drosselklappe", S(" 5.00 V")},
        {"Label_Ausgang", S("-5"), true},
        {"Label_Leerlaufsteller", {}, false},
        // Air
        {"Label_Luftmasse", S(" 200.0"), true, schwarz},
        {"Label_Spannung_Luftmasse", S(" 3.42 V"), true},
        {"Label_Druck_intern", S("1013"), true, schwarz},
        {"Label_Spannung_Druck_intern", S(" 2.93 V"), true},
        {"Label_Druck_extern", S("990"), true, schwarz},
        {"Label_Spannung_Druck_extern", S(" 1.96 V"), true},
        {"Label_Soll_Ladedruck", S("1800"), true},
        {"Label_Ladedruck_Ausgang", S("20"), true},
        // Lambda 1: mode 2 with its probe temperature
        {"Label_Lambda_1", S("  1.23"), true, schwarz},
        {"Label_Spannung_Lambda_1", S("")},
        {"Label_Sondentemperatur_1", S("15"), true, schwarz},
        {"Label_Soll_Lambda_1", S(" 1.05"), true},
        {"Label_Zusatz_Soll_Lambda_1", S("(+ 0.05)"), true},
        {"Label_Lambdaregelung_1", S(" 12.3"), true},
        // Lambda 2
        {"Label_Lambda_2", S("  0.99"), true, schwarz},
        {"Label_Spannung_Lambda_2", S("")},
        {"Label_Sondentemperatur_2", S("20"), true, schwarz},
        {"Label_Soll_Lambda_2", S(" 0.95"), true},
        {"Label_Zusatz_Soll_Lambda_2", S("(+ 0.05)"), true},
        {"Label_Lambdaregelung_2", S(" -4.5"), true},
        // Temperatures
        {"Label_Motortemperatur", S("-12"), true, schwarz},
        {"Label_Spannung_Motortemperatur", S(" 0.49 V")},
        {"Label_Lufttemperatur", S("25"), true, schwarz},
        {"Label_Spannung_Lufttemperatur", S(" 1.47 V")},
        {"Label_Abgas_1", S("850"), true, schwarz},
        {"Label_Spannung_Abgas_1", S(" 2.00 V"), true},
        {"Label_Abgas_2", S("870"), true, schwarz},
        {"Label_Spannung_Abgas_2", S(" 4.01 V"), true},
        {"Label_Innentemperatur", S("-12.3")},
        {"Label_Spannung_Innentemperatur", S(" 2.50 V")},
        // Oil
        {"Label_Oeltemperatur", S("   91"), true, schwarz},
        {"Label_Spannung_Oeltemperatur", S(" 4.89 V"), true},
        {"Label_Oeldruck", S("3500"), true, schwarz},
        {"Label_Spannung_Oeldruck", S(" 0.98 V"), true},
        // Adjustments: a negative voltage word leaves its cell hidden
        {"Label_Verstellung_Einspritzung", S(" -1.5"), true},
        {"Label_Spannung_Verstellung_Einspritzung", {}, false},
        {"Label_Verstellung_Zuendung", S("  2.5"), true},
        {"Label_Spannung_Verstellung_Zuendung", S(" 0.49 V"), true},
        {"Label_Verstellung_Lambda", S("  0.5"), true},
        {"Label_Spannung_Verstellung_Lambda", S(" 5.00 V"), true},
        // Operating data
        {"Label_Batterie", S(" 3.91")},
        {"Label_Zeit_seit_Start", S("0:06:00,0"), true},
        {"Label_Betriebszeit", S("1:00:12,5")},
        {"Label_Stoppuhr", S("1:02:03,456"), true},
        {"Label_Umdrehungen", S("123456789")},
        {"Label_Fehlerzahl", S("65535")},
        {"Label_Loggerdaten", S("70000")},
        // Injection time, load kind 0 (microseconds, x 0.8)
        {"Label_Bank_1", {}, true},
        {"Label_Bank_2", {}, true},
        {"Label_Grundkennfeld", S("800"), true},
        {"Label_Luftkorrektur", S("200"), true},
        {"Label_Leerlauf_Einspritzung", S("100"), true},
        {"Label_Luftmasse_Einspritzung", {}, false},
        {"Label_Unterdruck", {}, false},
        {"Label_Luftmassenkorrektur", {}, false},
        {"Label_Einspritzzeit_Verstellung", S("48"), true},
        {"Label_Soll_Lambda_Einspritzung", S("880"), true},
        {"Label_Grundmenge", S("2000"), true},
        {"Label_Motortemperatur_Einspritzung", S("300"), true},
        {"Label_Lambdaregelung_Einspritzung", S("-80"), true},
        {"Label_Bank2_Lambdaregelung_Einspritzung", S("-76"), true},
        {"Label_Renneingang", S("16"), true},
        {"Label_Beschleunigung", S("40"), true},
        {"Label_Abgastemperatur_Einspritzung", S("800"), true},
        {"Label_Bank2_Abgastemperatur_Einspritzung", S("1000"), true},
        {"Label_Verstellwert", S("24"), true},
        {"Label_Bank2_Verstellwert", S("28"), true},
        // 7 halved by bit 0 of L12: 7 - 3 = 4, x 0.8 = 3.2
        {"Label_Kopf_Schaltzeit", hole_Text(172) + S(" / 2")},
        {"Label_Schaltzeit", S("3"), true},
        {"Label_Einspritzzeit", S("4000"), true},
        {"Label_Bank2_Einspritzzeit", S("3500"), true},
        {"Label_Einspritzduese", S(" 12.3"), true},
        {"Label_Bank2_Einspritzduese", S("  8.8"), true},
        {"Label_Verbrauch", S("  12.3"), true},
        {"Label_Einspritzende", S("123"), true},
        // Ignition
        {"Label_Zuendkennfeld", S("10")},
        {"Label_Zuendung_Lufttemperatur", S("-11")},
        {"Label_Zuendung_Luftdruck", S("12")},
        {"Label_Zuendung_Motortemperatur", S("13")},
        {"Label_Zuendung_Beschleunigung", S("14")},
        {"Label_Funktionseingang", S("15")},
        {"Label_Zuendverstellung", S("-3")},
        {"Label_Zuendwinkel", S("-7")},
        // State 7 of a type-1 ECU: sub-state 3; lambda state word 0x24: item 2
        {"Label_Motorstatus",
         hole_Teiltext(hole_Text(193), 4) + S(" (") + hole_Teiltext(hole_Text(194), 3) + S(")")},
        {"Label_Motorstatus_Lambda", hole_Teiltext(hole_Text(1287), 2)},
    };
    pruefe(l.A, tabelle, "full");
    alle_benannt(l.A, tabelle, "full");
    EXPECT_FALSE(l.Handbetrieb);
    EXPECT_FALSE(l.Drosselklappenwort);
    EXPECT_FALSE(l.ist_ECU_Typ_2);

    pruefe_Lagen(l,
                 {{"Drehzahl", 24},
                  {"Solldrehzahl", 48},
                  {"Drehzahlfehler", 72},
                  {"Pedal", 24},
                  {"Soll_Drosselklappe", 48},
                  {"Drosselklappe", 72},
                  {"Ausgang", 96},
                  {"Luftmasse", 24},
                  {"Druck_intern", 48},
                  {"Druck_extern", 72},
                  {"Soll_Ladedruck", 96},
                  {"Ladedruck_Ausgang", 120},
                  {"Lambda_1", 24},
                  {"Sondentemperatur_1", 48},
                  {"Soll_Lambda_1", 72},
                  {"Lambdaregelung_1", 96},
                  {"Lambda_2", 24},
                  {"Sondentemperatur_2", 48},
                  {"Soll_Lambda_2", 72},
                  {"Lambdaregelung_2", 96},
                  {"Abgas_1", 72},
                  {"Abgas_2", 96},
                  {"Innentemperatur", 120},
                  {"Oeltemperatur", 24},
                  {"Oeldruck", 48},
                  {"Verstellung_Einspritzung", 24},
                  {"Verstellung_Zuendung", 48},
                  {"Verstellung_Lambda", 72},
                  {"Batterie", 24},
                  {"Zeit_seit_Start", 48},
                  {"Betriebszeit", 72},
                  {"Stoppuhr", 96},
                  {"Umdrehungen", 120},
                  {"Fehlerzahl", 144},
                  {"Loggerdaten", 168},
                  // Injection: 16 after the base map, then 18 a row
                  {"Grundkennfeld", 40},
                  {"Luftkorrektur", 56},
                  {"Leerlauf_Einspritzung", 74},
                  {"Einspritzzeit_Verstellung", 92},
                  {"Soll_Lambda_Einspritzung", 110},
                  {"Linie_1", 125},
                  {"Grundmenge", 128},
                  {"Motortemperatur_Einspritzung", 164},
                  {"Lambdaregelung_Einspritzung", 182},
                  {"Renneingang", 200},
                  {"Beschleunigung", 218},
                  {"Abgastemperatur_Einspritzung", 236},
                  {"Verstellwert", 254},
                  {"Schaltzeit", 272},
                  {"Linie_2", 287},
                  {"Einspritzzeit", 290},
                  {"Einspritzduese", 308},
                  {"Verbrauch", 344},
                  {"Einspritzende", 362},
                  // Ignition, by design
                  {"Zuendkennfeld", 20},
                  {"Funktionseingang", 110},
                  {"Zuendverstellung", 128},
                  {"Linie_Zuendung", 143},
                  {"Zuendwinkel", 146},
                  // Below the lower of operating data (368 + 198) and ignition (406 + 168)
                  {"Label_Motorstatus", 582},
                  {"Label_Motorstatus_Lambda", 606}},
                 {{"GroupBox_Einspritzzeit", {10, 388}},
                  {"GroupBox_Zuendung", {406, 168}},
                  {"GroupBox_Drehzahl", {8, 104}},
                  {"GroupBox_Drosselklappe", {120, 128}},
                  {"GroupBox_Luftdruck", {256, 152}},
                  {"GroupBox_Lambda_1", {416, 128}},
                  {"GroupBox_Lambda_2", {552, 128}},
                  {"GroupBox_Temperaturen", {8, 152}},
                  {"GroupBox_Oel", {168, 80}},
                  {"GroupBox_Verstellung", {256, 104}},
                  {"GroupBox_Betriebsdaten", {368, 198}}},
                 "full");
    EXPECT_EQ(l.Hoehe, 688);
}

// Nothing optional: the rows close up, hidden groups keep their 8 px gap.
TEST_F(Statuslogik, AnEcuWithoutOptions) {
    Statusfall f = Vollfall();
    f.P.clear();
    f.Bank2 = 0;
    f.L = Datensatz(84, {{8, 3},
                         {10, 3000},
                         {14, 512},
                         {24, 7},
                         {30, 11},
                         {32, 5000},
                         {38, 1023},
                         {44, 100},
                         {46, 300},
                         {50, 600},
                         {58, 1},
                         {74, -12},
                         {76, 800},
                         {78, 25},
                         {80, 1013},
                         {82, 0}});
    setze_u16(f.B, 54, 0);
    const Status_Logik l = f.laufe();
    const std::vector<Soll> tabelle = {
        {"GroupBox_Oel", {}, false},
        {"GroupBox_Verstellung", {}, false},
        {"GroupBox_Lambda_1", {}, false},
        {"GroupBox_Lambda_2", {}, false},
        {"Label_Drehzahl", S("3000")},
        // Written though hidden: no target speed shows as "- - -".
        {"Label_Solldrehzahl", S("- - -"), false},
        {"Label_Drehzahlfehler", S("11/7")},
        {"Label_Pedal", {}, false, rot},
        {"Label_Soll_Drosselklappe", S(" 32.1"), false},
        {"Label_Ausgang", S("-5"), false},
        {"Label_Drosselklappe", S(" 78.9"), true, rot},
        {"Label_Spannung_Drosselklappe", S(" 5.00 V")},
        {"Label_Leerlaufsteller", {}, false},
        {"Label_Luftmasse", {}, false},
        {"Label_Druck_intern", S("1013"), true, rot},
        {"Label_Spannung_Druck_intern", S(" 2.93 V"), true},
        {"Label_Druck_extern", S("990"), false, rot},
        {"Label_Spannung_Druck_extern", S(" 0.00 V"), false},
        {"Label_Soll_Ladedruck", {}, false},
        {"Label_Ladedruck_Ausgang", {}, false},
        {"Label_Motortemperatur", S("-12"), true, rot},
        {"Label_Spannung_Motortemperatur", S(" 0.49 V")},
        {"Label_Lufttemperatur", S("25"), true, rot},
        {"Label_Spannung_Lufttemperatur", S(" 1.47 V")},
        {"Label_Abgas_1", {}, false},
        {"Label_Abgas_2", {}, false},
        {"Label_Innentemperatur", S("  0.0")},
        {"Label_Spannung_Innentemperatur", S(" 2.50 V")},
        {"Label_Oeltemperatur", {}, false},
        {"Label_Oeldruck", {}, false},
        {"Label_Verstellung_Einspritzung", {}, false},
        {"Label_Verstellung_Zuendung", {}, false},
        {"Label_Verstellung_Lambda", {}, false},
        {"Label_Batterie", S(" 3.91")},
        {"Label_Zeit_seit_Start", S("0:06:00,0"), true},
        {"Label_Betriebszeit", S("1:00:12,5")},
        {"Label_Stoppuhr", S("0:00:00,000"), true},
        {"Label_Umdrehungen", S("123456789")},
        {"Label_Fehlerzahl", S("65535")},
        {"Label_Loggerdaten", S("70000")},
        // Load kind 1: air mass
        {"Label_Grundkennfeld", {}, false},
        {"Label_Luftkorrektur", {}, false},
        {"Label_Leerlauf_Einspritzung", {}, false},
        {"Label_Unterdruck", {}, false},
        {"Label_Luftmasse_Einspritzung", S("1000"), true},
        {"Label_Luftmassenkorrektur", S("500"), true},
        {"Label_Einspritzzeit_Verstellung", {}, false},
        {"Label_Soll_Lambda_Einspritzung", {}, false},
        {"Label_Grundmenge", S("2000"), true},
        {"Label_Motortemperatur_Einspritzung", S("300"), true},
        {"Label_Lambdaregelung_Einspritzung", S("-80"), true},
        {"Label_Bank2_Lambdaregelung_Einspritzung", S("-76"), false},
        {"Label_Renneingang", S("16"), true},
        {"Label_Beschleunigung", S("40"), true},
        {"Label_Abgastemperatur_Einspritzung", S("800"), true},
        {"Label_Bank2_Abgastemperatur_Einspritzung", S("1000"), false},
        {"Label_Verstellwert", S("24"), true},
        {"Label_Bank2_Verstellwert", S("28"), false},
        // 7 x 0.8 = 5.6
        {"Label_Kopf_Schaltzeit", hole_Text(172)},
        {"Label_Schaltzeit", S("6"), true},
        {"Label_Einspritzzeit", S("4000"), true},
        {"Label_Bank2_Einspritzzeit", S("3500"), false},
        {"Label_Einspritzduese", S(" 12.3"), true},
        {"Label_Bank2_Einspritzduese", S("  8.8"), false},
        {"Label_Verbrauch", {}, false},
        {"Label_Einspritzende", S("123"), true},
        {"Label_Zuendkennfeld", S("10")},
        {"Label_Zuendung_Lufttemperatur", S("-11")},
        {"Label_Zuendung_Luftdruck", S("12")},
        {"Label_Zuendung_Motortemperatur", S("13")},
        {"Label_Zuendung_Beschleunigung", S("14")},
        {"Label_Funktionseingang", S("15")},
        {"Label_Zuendverstellung", S("-3")},
        {"Label_Zuendwinkel", S("0")},
        {"Label_Motorstatus", hole_Teiltext(hole_Text(193), 3)},
        {"Label_Motorstatus_Lambda", S("")},
    };
    pruefe(l.A, tabelle, "lean");
    alle_benannt(l.A, tabelle, "lean");
    pruefe_Lagen(l,
                 {{"Drehzahlfehler", 48},
                  {"Drosselklappe", 24},
                  {"Druck_intern", 24},
                  {"Innentemperatur", 72},
                  {"Luftmasse_Einspritzung", 40},
                  {"Luftmassenkorrektur", 58},
                  {"Linie_1", 73},
                  {"Grundmenge", 76},
                  {"Schaltzeit", 220},
                  {"Linie_2", 235},
                  {"Einspritzzeit", 238},
                  {"Einspritzduese", 256},
                  {"Einspritzende", 292}},
                 {{"GroupBox_Einspritzzeit", {10, 318}},
                  {"GroupBox_Zuendung", {336, 168}},
                  {"GroupBox_Drehzahl", {8, 80}},
                  {"GroupBox_Drosselklappe", {96, 56}},
                  {"GroupBox_Luftdruck", {160, 56}},
                  {"GroupBox_Lambda_1", {224, 0}},
                  {"GroupBox_Lambda_2", {232, 0}},
                  {"GroupBox_Temperaturen", {8, 104}},
                  {"GroupBox_Oel", {120, 0}},
                  {"GroupBox_Verstellung", {128, 0}},
                  {"GroupBox_Betriebsdaten", {136, 198}}},
                 "lean");
    // The window follows the air group, or the state lines below the ignition group.
    EXPECT_EQ(l.Hoehe, std::max(160 + 56, 336 + 168 + 8 + 24 + 20) + 8);
}

// Software up to 6.49: fewer rows, no bank headings, and what stays keeps its place.
TEST_F(Statuslogik, EarlySoftware) {
    Statusfall f = Vollfall();
    f.id = Kennung_von(615, 350);
    f.P = {{76, 2}, {1947, 0}, {60, 1}, {2536, 0}, {1119, 1}, {2381, 1}, {1940, 1}};
    f.Bank2 = 1;
    setze_u16(f.L, 82, 0);
    const Status_Logik l = f.laufe();
    const std::vector<Soll> tabelle = {
        {"GroupBox_Lambda_1", {}, true},
        {"GroupBox_Lambda_2", {}, false},
        // Mode -1: the probe's voltage as its value, no voltage cell, no temperature
        {"Label_Lambda_1", S(" 1.00"), true, rot},
        {"Label_Spannung_Lambda_1", S("")},
        {"Label_Sondentemperatur_1", {}, false},
        {"Label_Soll_Lambda_1", S(" 1.05"), true},
        {"Label_Zusatz_Soll_Lambda_1", S(""), true},
        {"Label_Lambdaregelung_1", S(" 12.3"), true},
        // The target boost is hidden but keeps its place.
        {"Label_Soll_Ladedruck", S("1800"), false},
        {"Label_Ladedruck_Ausgang", S("20"), true},
        // Early software: exhaust 1 black whatever its bit; exhaust 2 hidden on hardware 3xx
        {"Label_Abgas_1", S("850"), true, schwarz},
        {"Label_Abgas_2", S("870"), false},
        {"Label_Zeit_seit_Start", {}, false},
        {"Label_Stoppuhr", {}, false},
        {"Label_Bank_1", {}, false},
        {"Label_Bank_2", {}, false},
        // Load kind from P76 (2: vacuum)
        {"Label_Unterdruck", S("1200"), true},
        {"Label_Luftmassenkorrektur", S("500"), true},
        {"Label_Luftkorrektur", S("200"), true},
        {"Label_Grundkennfeld", {}, false},
        {"Label_Luftmasse_Einspritzung", {}, false},
        {"Label_Einspritzzeit_Verstellung", {}, false},
        {"Label_Soll_Lambda_Einspritzung", {}, false},
        {"Label_Lambdaregelung_Einspritzung", S("-80"), true},
        {"Label_Bank2_Lambdaregelung_Einspritzung", S(""), true},
        {"Label_Abgastemperatur_Einspritzung", {}, false},
        {"Label_Bank2_Abgastemperatur_Einspritzung", {}, false},
        {"Label_Verstellwert", {}, false},
        {"Label_Bank2_Verstellwert", {}, false},
        {"Label_Einspritzende", {}, false},
        // No lambda state text for early software
        {"Label_Motorstatus_Lambda", S("")},
    };
    pruefe(l.A, tabelle, "early");
    pruefe_Lagen(l,
                 {{"Lambda_1", 24},
                  {"Soll_Lambda_1", 48},
                  {"Lambdaregelung_1", 72},
                  {"Druck_intern", 24},
                  {"Soll_Ladedruck", 48},
                  {"Ladedruck_Ausgang", 72},
                  {"Innentemperatur", 96},
                  {"Betriebszeit", 48},
                  {"Umdrehungen", 72},
                  {"Loggerdaten", 120},
                  {"Unterdruck", 24},
                  {"Luftmassenkorrektur", 42},
                  {"Luftkorrektur", 60},
                  {"Linie_1", 75},
                  {"Grundmenge", 78},
                  {"Beschleunigung", 168},
                  {"Schaltzeit", 186},
                  {"Einspritzzeit", 204},
                  {"Einspritzduese", 222}},
                 {{"GroupBox_Einspritzzeit", {10, 266}},
                  {"GroupBox_Luftdruck", {160, 104}},
                  {"GroupBox_Lambda_1", {272, 104}},
                  {"GroupBox_Verstellung", {152, 56}},
                  {"GroupBox_Betriebsdaten", {216, 150}}},
                 "early");
}

// Every status bit colours its own values and no other; a set bit means valid (black).
TEST_F(Statuslogik, EachStatusBitColoursItsOwnValues) {
    const std::map<int, std::vector<const char*>> schwarz_bei = {
        {0, {"Lambda_1", "Sondentemperatur_1"}},
        {1, {"Motortemperatur"}},
        {2, {"Lufttemperatur"}},
        {3, {"Druck_intern"}},
        {4, {"Drosselklappe"}},
        {5, {"Druck_extern"}},
        {6, {"Luftmasse"}},
        {7, {"Lambda_2", "Sondentemperatur_2"}},
        {8, {"Pedal"}},
        {10, {"Abgas_1"}},
        {11, {"Abgas_2"}},
        {12, {"Oeltemperatur"}},
        {13, {"Oeldruck"}},
    };
    std::vector<const char*> alle;
    for (const auto& [bit, zeilen] : schwarz_bei)
        alle.insert(alle.end(), zeilen.begin(), zeilen.end());
    Statusfall f = Vollfall();
    for (int bit = 0; bit < 16; ++bit) {
        setze_u16(f.L, 82, static_cast<uint16_t>(1U << bit));
        const Status_Logik l = f.laufe();
        const auto it = schwarz_bei.find(bit);
        for (const char* zeile : alle) {
            const bool eigen =
                it != schwarz_bei.end() && std::find(it->second.begin(), it->second.end(),
                                                     std::string_view(zeile)) != it->second.end();
            EXPECT_EQ(l.A[S("Label_") + S(zeile)].farbe, eigen ? schwarz : rot)
                << "bit " << bit << ": " << zeile;
        }
    }
}

// The identity ranges: 502 throttle always valid, 505 one pressure sensor for both rows and
// the computed injector duty, 517 the throttle from L72, 530 no target lambda, 608 lambda
// always valid.
TEST_F(Statuslogik, SoftwareRanges) {
    struct Fall {
        int version;
        const char* drossel;
        Farbe drosselfarbe;
        const char* extern_;
        const char* externVolt;
        bool intern;
        Farbe lambdafarbe;
        bool sollLambda;
        const char* duese;
    };
    for (const Fall& fall : {
             Fall{700, " 78.9", rot, "990", " 1.96 V", true, rot, true, " 12.3"},
             Fall{608, " 78.9", rot, "990", " 1.96 V", true, schwarz, true, " 12.3"},
             Fall{530, " 78.9", rot, "990", " 1.96 V", true, schwarz, false, " 12.3"},
             Fall{517, " 55.0", rot, "990", " 1.96 V", true, schwarz, false, " 12.3"},
             Fall{506, " 55.0", rot, "990", " 1.96 V", true, schwarz, false, " 12.3"},
             // 5000 us x 3000 rpm / 750000
             Fall{505, " 55.0", rot, "1013", " 2.93 V", false, schwarz, false, " 20.0"},
             Fall{502, " 55.0", schwarz, "1013", " 2.93 V", false, schwarz, false, " 20.0"},
         }) {
        Statusfall f = Vollfall();
        f.id = Kennung_von(fall.version);
        setze_u16(f.L, 82, 1U << 3); // internal pressure valid, the rest not
        f.P[1947] = 1;               // early software: lambda 1 with its temperature
        const Status_Logik l = f.laufe();
        const std::string name = std::to_string(fall.version);
        pruefe(l.A,
               {{"Label_Drosselklappe", S(fall.drossel), true, fall.drosselfarbe},
                {"Label_Druck_extern", S(fall.extern_), true, fall.intern ? rot : schwarz},
                {"Label_Spannung_Druck_extern", S(fall.externVolt)},
                {"Label_Druck_intern", S("1013"), fall.intern, schwarz},
                {"Label_Lambda_1", S("  1.23"), true, fall.lambdafarbe},
                {"Label_Soll_Lambda_1", {}, fall.sollLambda},
                {"Label_Einspritzduese", S(fall.duese)}},
               name.c_str());
        EXPECT_EQ(l.A[S("Label_Bank2_Einspritzduese")].Text,
                  fall.version >= 506 ? S("  8.8") : S(""))
            << name;
        // The shared record's throttle word is replaced for range 3 only.
        EXPECT_EQ(l.Drosselklappenwort,
                  fall.version <= 517 ? std::optional<uint16_t>(550) : std::nullopt)
            << name;
    }
}

TEST_F(Statuslogik, LambdaModesAndProbeTemperature) {
    struct Fall {
        int modus;
        int temperatur; // raw A80 and B16
        const char* volt1;
        const char* volt2;
        std::optional<QString> temp; // shown when set
        int soll;                    // top of the target row
    };
    for (const Fall& fall : {Fall{2, 17, "", "", S("15"), 72}, Fall{3, 18, "", "", S("20"), 72},
                             Fall{2, -3, "", "", S("0"), 72}, Fall{2, -8, "", "", S("-5"), 72},
                             Fall{1, 17, " 1.00 V", " 2.50 V", std::nullopt, 48}}) {
        Statusfall f = Vollfall();
        f.P[2207] = fall.modus;
        f.P[2208] = fall.modus;
        setze_u16(f.Ad, 80, static_cast<uint16_t>(fall.temperatur));
        setze_u16(f.B, 16, static_cast<uint16_t>(fall.temperatur));
        const Status_Logik l = f.laufe();
        const std::string name = std::to_string(fall.modus) + "/" + std::to_string(fall.temperatur);
        for (const char* n : {"1", "2"}) {
            SCOPED_TRACE(name + " probe " + n);
            EXPECT_EQ(l.A[S("Label_Lambda_") + S(n)].Text, S(*n == '1' ? "  1.23" : "  0.99"));
            EXPECT_EQ(l.A[S("Label_Spannung_Lambda_") + S(n)].Text,
                      S(*n == '1' ? fall.volt1 : fall.volt2));
            EXPECT_EQ(l.A[S("Label_Sondentemperatur_") + S(n)].sichtbar, fall.temp.has_value());
            if (fall.temp) {
                EXPECT_EQ(l.A[S("Label_Sondentemperatur_") + S(n)].Text, *fall.temp);
            }
            EXPECT_EQ(l.Oben.at(S("Soll_Lambda_") + S(n)), fall.soll);
        }
    }
    // The second probe's target row needs a second bank; without it and without a mode the
    // group goes.
    Statusfall f = Vollfall();
    f.P[2208] = 0;
    f.Bank2 = 0;
    EXPECT_FALSE(f.laufe().A[S("GroupBox_Lambda_2")].sichtbar);
    f.Bank2 = 1;
    const Status_Logik l = f.laufe();
    EXPECT_TRUE(l.A[S("GroupBox_Lambda_2")].sichtbar);
    EXPECT_FALSE(l.A[S("Label_Lambda_2")].sichtbar);
    EXPECT_EQ(l.Oben.at(S("Soll_Lambda_2")), 48);
}

TEST_F(Statuslogik, ManualModeAndLambdaStateText) {
    Statusfall f = Vollfall();
    f.Schritt = 5;
    setze_u16(f.L, 8, 0);
    Status_Logik l = f.laufe();
    EXPECT_TRUE(l.Handbetrieb);
    EXPECT_EQ(l.A[S("Label_Motorstatus")].Text, hole_Teiltext(hole_Text(193), 0) + S(" 5"));
    // Bit 0 clears the low four bits, then bit 4 the next four: no text for 0x0011.
    struct Fall {
        uint16_t wort;
        int teil; // -1: none
    };
    setze_u16(f.L, 8, 4);
    for (const Fall fall : {Fall{0x0011, -1}, Fall{0x0013, -1}, Fall{0x0111, 8}, Fall{0x0002, 1},
                            Fall{0x0021, 5}, Fall{0x8000, 15}, Fall{0, -1}}) {
        setze_u16(f.L, 16, fall.wort);
        l = f.laufe();
        EXPECT_FALSE(l.Handbetrieb);
        EXPECT_EQ(l.A[S("Label_Motorstatus_Lambda")].Text,
                  fall.teil < 0 ? QString() : hole_Teiltext(hole_Text(1287), fall.teil))
            << fall.wort;
    }
}

// The window copies the logic: every label, group and place.
TEST(Statusfenster, ShowsWhatItsLogicSays) {
    Handfenster h;
    const Statusfall f = Vollfall(Identitaet{});
    auto fuelle = [](cl_Datensatz& satz, const std::vector<uint8_t>& d) {
        std::copy(d.begin(), d.end(), satz.Daten.begin());
    };
    fuelle(h.b().akt_Daten, f.L);
    fuelle(h.b().akt_Daten_A, f.Ad);
    fuelle(h.b().akt_Daten_B, f.B);
    fuelle(h.b().akt_Daten_C, f.C);
    h.k.kontext->parameter().Bitzahl = 1;
    h.refresh();
    pruefe_Fenster(h.f, h.f.Logik.A);
    for (const auto& [name, y] : h.f.Logik.Oben) {
        const QWidget* w = h.f.findChild<QWidget*>(name);
        if (!w)
            w = h.f.findChild<QWidget*>(QStringLiteral("Label_") + name);
        ASSERT_NE(w, nullptr) << name.toStdString();
        EXPECT_EQ(w->y(), y) << name.toStdString();
    }
    for (const auto& [name, lage] : h.f.Logik.Gruppen) {
        const QGroupBox* g = h.f.Gruppe(name);
        EXPECT_EQ(g->y(), lage.oben) << name.toStdString();
        EXPECT_EQ(g->height(), lage.hoehe) << name.toStdString();
    }
    EXPECT_EQ(h.f.width(), TForm_Status::Breite);
    EXPECT_EQ(h.f.height(), h.f.Logik.Hoehe);
}

namespace {

// Counts what the refresh costs the screen: rows hidden or shown, and groups repainted.
class Zaehler : public QObject {
public:
    explicit Zaehler(QWidget& fenster) {
        for (QWidget* w : fenster.findChildren<QWidget*>())
            w->installEventFilter(this);
    }
    int wechsel = 0;
    int gruppenGemalt = 0;
    int wertGemalt = 0; // any other widget

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show || e->type() == QEvent::Hide)
            ++wechsel;
        if (e->type() == QEvent::Paint)
            ++(qobject_cast<QGroupBox*>(o) ? gruppenGemalt : wertGemalt);
        return false;
    }
};

} // namespace

// Several times a second: a refresh that changes one value touches that value's cell alone.
TEST(Statusfenster, ARefreshRepaintsTheChangedCellsOnly) {
    Handfenster h;
    h.k.kontext->parameter().Bitzahl = 1; // second bank: the injection rows' extra cells too
    h.f.show();
    h.refresh();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.f));
    QCoreApplication::processEvents();

    Zaehler z(h.f);
    h.refresh();
    QCoreApplication::processEvents();
    EXPECT_EQ(z.wechsel, 0);
    EXPECT_EQ(z.gruppenGemalt, 0);

    h.b().akt_Daten.setze_u16(10, 1234); // engine speed
    h.refresh();
    QCoreApplication::processEvents();
    EXPECT_EQ(z.wechsel, 0);
    EXPECT_EQ(z.gruppenGemalt, 0);
    EXPECT_GT(z.wertGemalt, 0);
}

namespace {

// A 7.00 ECU with every optional row the parameters can switch on, and a second bank.
const char* const Volle_Definitionen =
    "+1,1\r\n.OPT,Options,\r\n"
    "-54,OPT,4,0,0\r\n-60,OPT,4,0,2\r\n-76,OPT,4,0,4\r\n-131,OPT,4,0,6\r\n"
    "-1119,OPT,4,0,8\r\n-1134,OPT,4,0,10\r\n-1151,OPT,4,0,12\r\n-1940,OPT,4,0,14\r\n"
    "-2155,OPT,4,0,16\r\n-2156,OPT,4,0,18\r\n-2207,OPT,4,0,20\r\n-2208,OPT,4,0,22\r\n"
    "-2371,OPT,4,0,24\r\n-2375,OPT,4,0,26\r\n-2381,OPT,4,0,28\r\n-2390,OPT,4,0,30\r\n"
    "-2395,OPT,4,0,32\r\n";

} // namespace

TEST(Statusfenster, EveryShownTextFitsItsCellAndValuesShareTheirRightEdge) {
    struct Fall {
        const char* name;
        uint16_t typ, version;
        bool alles;
    };
    for (const Fall fall : {Fall{"7.00, all rows", 1, 700, true}, Fall{"6.15", 1, 615, false},
                            Fall{"type 2", 2, 700, true}}) {
        LinkKontext k;
        QFile datei(k.ordner.datei(QStringLiteral("Language/English/T-SIMQuorvel-%1-400-0%2.TXT")
                                       .arg(fall.typ)
                                       .arg(fall.version)));
        ASSERT_TRUE(datei.open(QIODevice::WriteOnly));
        datei.write(Volle_Definitionen);
        datei.close();
        TForm_Status f(*k.kontext);
        ecusim::Identitaetsdaten id;
        id.ECU_Typ = fall.typ;
        id.Version = fall.version;
        id.Optionswort = 1;
        const QByteArray a = ecusim::baue_Identitaet(id);
        std::copy(a.begin(), a.end(), k.version().Antwortbereich.begin());
        k.version().Antwort();
        k.link().alle_stoppen();
        cl_Parameter& p = k.kontext->parameter();
        if (fall.alles) {
            for (int n :
                 {54, 60, 76, 131, 1119, 1134, 1940, 2155, 2156, 2371, 2375, 2381, 2390, 2395})
                p.setze_Wert(n, 1);
            p.setze_Wert(1151, 2);
            p.setze_Wert(2207, 2);
            p.setze_Wert(2208, 2);
            ASSERT_EQ(p.Wert(2395), 1) << fall.name;
            p.Bitzahl = 1;
        }
        // Wide values: long times, many revolutions, negative temperatures.
        auto& b = k.kontext->ecu_Befehle();
        b.akt_Daten.setze_u16(10, 12345);
        b.akt_Daten.setze_u16(74, static_cast<uint16_t>(-40));
        b.akt_Daten.setze_u16(54, 0xFFFF);
        b.akt_Daten.setze_u16(56, 0x7FFF);
        b.akt_Daten.setze_u16(8, 7);
        b.akt_Daten_A.setze_u16(44, 0xFFFF);
        b.akt_Daten_A.setze_u16(46, 0x7FFF);
        b.akt_Daten_A.setze_u16(48, 0xFFFF);
        b.akt_Daten_A.setze_u16(50, 0x7FFF);
        b.akt_Daten_B.setze_u16(90, 0xFFFF);
        b.akt_Daten_B.setze_u16(92, 0x7FFF);
        b.akt_Daten_B.setze_u16(54, 9999);
        b.akt_Daten.Antwort();
        f.show();

        const QRect fenster(0, 0, f.width(), f.height());
        std::vector<const QGroupBox*> gruppen;
        for (const QGroupBox* g : f.findChildren<QGroupBox*>())
            if (!g->isHidden())
                gruppen.push_back(g);
        for (const QGroupBox* g : gruppen) {
            const std::string gname = g->title().toStdString() + " (" + fall.name + ")";
            EXPECT_TRUE(fenster.contains(g->geometry())) << gname;
            for (const QGroupBox* h : gruppen)
                EXPECT_TRUE(g == h || !g->geometry().intersects(h->geometry()))
                    << gname << " / " << h->title().toStdString();
            std::vector<const QLabel*> texte;
            std::set<int> rechts;
            for (const QLabel* l : g->findChildren<QLabel*>())
                if (!l->isHidden() && !l->text().isEmpty())
                    texte.push_back(l);
            for (const QLabel* l : texte) {
                const std::string lname = l->text().toStdString() + " in " + gname;
                EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text())) << lname;
                EXPECT_TRUE(g->rect().contains(l->geometry())) << lname;
                // Each cell paints its own background: one over another hides its text.
                for (const QLabel* m : texte)
                    EXPECT_TRUE(l == m || !l->geometry().intersects(m->geometry()))
                        << lname << " / " << m->text().toStdString();
                // The first value column of a group: right-aligned cells left of the unit.
                if ((l->alignment() & Qt::AlignRight) && l->x() < 200 && l->x() > 100)
                    rechts.insert(l->geometry().right());
            }
            EXPECT_LE(rechts.size(), 1u) << gname;
        }
        Bild(f, (std::string("Status_") + std::to_string(fall.version) + "_" +
                 std::to_string(fall.typ))
                    .c_str());
    }
}
