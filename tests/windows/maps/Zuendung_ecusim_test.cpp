// The ignition editors' windows in the program against the simulated ECU: online, the framed
// cell follows live values the ECU is told to hold; Q in a map window raises the focused
// angle and writes the map once; the first map as a data item; the correction map offered
// only while its condition holds. With QUORVEL_BILDER naming a folder, each editor's picture
// online is saved there (under Xvfb, as the screen shows it).

#include "base/Dateiversion.h"
#include "ecusim/Livedaten.h"
#include "model/Anfragenumgebung.h"
#include "model/UKFGrafik.h"
#include "model/UKennfelder.h"
#include "model/UStatusdaten.h"
#include "windows/UColorButton.h"
#include "windows/UQuorvel.h"
#include "windows/maps/UZuendung_2_corr.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

constexpr int U = -128;

struct Winkel {
    int y, x, w;
};

// A map as the ECU keeps it in 16 columns (580 bytes): points, entered angles, the rest
// unset; the evaluated part and the last used indices are the editor's to compute.
QByteArray Karte16(const std::vector<int>& x, const std::vector<int>& y,
                   const std::vector<Winkel>& winkel) {
    QByteArray b(580, '\0');
    for (int i = 0; i < 256; ++i)
        b[i] = static_cast<char>(U);
    for (const Winkel& w : winkel)
        b[w.y * 16 + w.x] = static_cast<char>(w.w);
    for (int i = 0; i < 16; ++i) {
        const int xi = i < static_cast<int>(x.size()) ? x[static_cast<size_t>(i)] : U;
        const int yi = i < static_cast<int>(y.size()) ? y[static_cast<size_t>(i)] : U;
        ecusim::setze_Wort(b, 512 + 2 * i, xi);
        ecusim::setze_Wort(b, 544 + 2 * i, yi);
    }
    return b;
}

std::vector<int> Reihe(int anfang, int schritt) {
    std::vector<int> r;
    for (int i = 0; i < 16; ++i)
        r.push_back(anfang + schritt * i);
    return r;
}

ecusim::Identitaetsdaten Steuergeraet(int typ, int version) {
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = static_cast<uint16_t>(typ);
    id.Version = static_cast<uint16_t>(version);
    return id;
}

// The program with its windows, connected to the simulated ECU, which runs an engine; the
// shipped definitions of the ECU's software with the given description lines added, its
// parameters read, the password accepted.
class Zuendsimulation {
public:
    Zuendsimulation(const ecusim::Identitaetsdaten& id, const QStringList& zusatz) : live(u.sim) {
        const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
        const QString muster = id.ECU_Typ == 7 ? QStringLiteral("T-SIMQuorvel-7-400-0620.TXT")
                                               : QStringLiteral("T-SIMQuorvel-1-400-0615.TXT");
        const QString name = QStringLiteral("T-SIMQuorvel-%1-400-%2.TXT")
                                 .arg(id.ECU_Typ)
                                 .arg(id.Version, 4, 10, QLatin1Char('0'));
        for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")}) {
            QFile f(quelle + s + '/' + muster);
            EXPECT_TRUE(f.open(QIODevice::ReadOnly));
            QByteArray inhalt = f.readAll();
            for (const QString& z : zusatz)
                inhalt += z.toLatin1() + "\r\n";
            u.k.ordner.schreibe_roh(QStringLiteral("Language/") + s + '/' + name, inhalt);
        }
        u.k.ordner.schreibe(QStringLiteral("Language/English/SAVE.TXT"), {QStringLiteral("x")});
        QDir().mkpath(u.k.ordner.datei(QStringLiteral("DATA")));
        u.parameter.fuelle_Beispielwerte();
        u.befehle();
        u.k.kontext->erzeuge_Fenster();
        // The main window takes the port as the settings name it; the test's link is the one
        // on the simulated ECU's bus, ticked by hand.
        u.k.link().setze_Takt(false);
        u.k.link().setze_CAN_Setup(CAN_Setup{});
        u.k.link().waehle_Port(0, true, false);
        u.k.link().setze_Verbindung(true);
        // The map lists come with the main window's first showing.
        u.k.kontext->hauptfenster()->show();
        verbunden = u.verbinde(id);
        EXPECT_TRUE(verbunden) << "identity " << u.k.link().ist_verbunden() << " "
                               << u.k.version().beantwortet << " " << u.k.version().Version() << " "
                               << u.Befehlsfolge().size() << " "
                               << u.k.meldungen.texte.join("|").toStdString();
        u.k.kontext->passwort_OK().setze_akzeptiert(1);
        InterAction().Create(
            cl_Parameter::Klasse, [this](Sender&) { ++gelesen; }, cl_Parameter::Gelesen);
        const int vorher = gelesen;
        u.k.kontext->parameter().lesen();
        const bool gelesen_ok = u.warte([&] { return gelesen >= vorher + 2; });
        EXPECT_TRUE(gelesen_ok) << gelesen - vorher;
        verbunden = verbunden && gelesen_ok && u.warte_still();
    }
    ~Zuendsimulation() { u.k.kontext->kennfelder().vergiss_Kennfelder(); }

    TForm_Zuendung& z() { return *u.k.kontext->fenster<TForm_Zuendung>(); }
    TForm_Zuendung_2_corr& z2() { return *u.k.kontext->fenster<TForm_Zuendung_2_corr>(); }

    // One answer of the main record and of record A.
    bool Livedaten() {
        cl_ECU_Befehle& b = u.k.kontext->ecu_Befehle();
        b.akt_Daten_A.starten();
        b.akt_Daten.starten();
        return u.warte_still();
    }
    // Transfers of an ignition map in blocks: the frames of a command that carry the first
    // block.
    int Vorgaenge(int befehl) const {
        int n = 0;
        for (const auto& [b, daten] : u.Folge())
            n += b == befehl && !daten.isEmpty() && (static_cast<uint8_t>(daten[0]) & 0x7F) == 0;
        return n;
    }

    Anfragenumgebung u;
    ecusim::Livebereich live;
    bool verbunden = false;
    int gelesen = 0;
};

// The cells that carry the cursor's frame.
std::vector<Zuendzelle> Gerahmt(TForm_Zuendung& f) {
    std::vector<Zuendzelle> r;
    for (int y = 0; y <= 16; ++y)
        for (int x = 0; x <= 16; ++x)
            if (QLineEdit* e = f.Zelle({y, x}); e && e->styleSheet().contains("1px solid black"))
                r.push_back({y, x});
    return r;
}

bool rot_fett(QLineEdit* e) {
    const QString s = e->styleSheet();
    return s.contains("color: red") && s.contains("font-weight: bold");
}

void taste(QWidget& ziel, int key, const QString& text = {}) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&ziel, &e);
}

void Bild_sichern(QWidget& f, const QString& name) {
    if (!qEnvironmentVariableIsSet("QUORVEL_BILDER"))
        return;
    QCoreApplication::processEvents();
    const QString ziel = qEnvironmentVariable("QUORVEL_BILDER") + '/' + name + ".png";
    QScreen* schirm = QGuiApplication::primaryScreen();
    const bool echter_Schirm = QGuiApplication::platformName() == "xcb";
    if (echter_Schirm && schirm) {
        f.raise();
        f.activateWindow();
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        schirm->grabWindow(f.winId()).save(ziel);
    } else {
        f.grab().save(ziel);
    }
}

} // namespace

TEST(Zuendung_ecusim, OnlineTheFramedCellFollowsTheLiveSpeedAndLoad) {
    // Load points 0..90 in steps of 6 (a throttle axis: the last is not above 100), speed
    // points 800..6800 in steps of 400.
    Zuendsimulation s(Steuergeraet(1, 660), {});
    ASSERT_TRUE(s.verbunden);
    s.u.bereich.setze_Zuendkennfeld(
        1, Karte16(Reihe(0, 6), Reihe(800, 400), {{0, 0, 5}, {15, 15, 40}, {3, 5, 22}}));
    s.live.Drehzahl_fest = 2000;
    s.live.Last_fest = 31;
    ASSERT_TRUE(s.Livedaten());
    TForm_Zuendung& f = s.z();
    f.show();
    ASSERT_TRUE(s.u.warte_still());
    EXPECT_EQ(f.Logik().Karte.Spaltenzahl, 16);
    // The caption the main window gives it at each menu refresh.
    EXPECT_EQ(f.windowTitle(), "Ignition map");
    EXPECT_EQ(f.Zelle({4, 6})->text(), "22");
    EXPECT_TRUE(rot_fett(f.Zelle({4, 6})));
    EXPECT_TRUE(f.Zelle({0, 16})->isVisible());

    f.CheckBox_Online->click();
    ASSERT_TRUE(s.u.warte_still());
    EXPECT_FALSE(f.Button_nach_Quorvel->isEnabled());
    EXPECT_FALSE(f.Button_Funktionen->isEnabled());
    EXPECT_TRUE(f.CheckBox_Online->isEnabled());
    // 2000/min is point 3; load 31 is nearer 30 (index 5) than 36.
    EXPECT_EQ(Gerahmt(f), (std::vector<Zuendzelle>{{4, 6}}));

    struct Fall {
        int drehzahl, last;
        Zuendzelle zelle;
    } faelle[] = {
        {3000, 33, {6, 6}},    // both exactly midway: the lower points 2800 and 30
        {3001, 34, {7, 7}},    // both above the middle: the upper points
        {100, -5, {1, 1}},     // below the first points
        {9000, 500, {16, 16}}, // beyond the last
        {2000, 31, {4, 6}},
    };
    for (const Fall& fall : faelle) {
        s.live.Drehzahl_fest = fall.drehzahl;
        s.live.Last_fest = fall.last;
        ASSERT_TRUE(s.Livedaten());
        EXPECT_EQ(Gerahmt(f), std::vector<Zuendzelle>{fall.zelle})
            << fall.drehzahl << " " << fall.last;
    }
    Bild_sichern(f, QStringLiteral("TForm_Zuendung_online"));

    // Unchecked, online mode ends: no frame, the buttons back.
    f.CheckBox_Online->click();
    EXPECT_TRUE(Gerahmt(f).empty());
    EXPECT_TRUE(f.Button_nach_Quorvel->isEnabled());
}

TEST(Zuendung_ecusim, OnAnAirPressureAxisTheLoadComesFromItsOwnWords) {
    // Load points 20..320 hPa: the last is above 100, an air-pressure axis.
    Zuendsimulation s(Steuergeraet(1, 660), {});
    ASSERT_TRUE(s.verbunden);
    s.u.bereich.setze_Zuendkennfeld(1, Karte16(Reihe(20, 20), Reihe(800, 400), {{0, 0, 8}}));
    s.live.Drehzahl_fest = 800;
    s.live.Last_fest = 20;     // the throttle word: not used on this axis
    s.live.Druck_A_fest = 100; // record A: online mode starts here (index 4)
    s.live.Druck_fest = 200;   // the main record's pressure: each live answer (index 9)
    ASSERT_TRUE(s.Livedaten());
    TForm_Zuendung& f = s.z();
    f.show();
    ASSERT_TRUE(s.u.warte_still());
    f.CheckBox_Online->click();
    EXPECT_EQ(Gerahmt(f), (std::vector<Zuendzelle>{{1, 5}}));
    ASSERT_TRUE(s.u.warte_still());
    ASSERT_TRUE(s.Livedaten());
    EXPECT_EQ(Gerahmt(f), (std::vector<Zuendzelle>{{1, 10}}));
}

TEST(Zuendung_ecusim, QInAMapWindowRaisesTheFocusedAngleAndWritesTheMapOnce) {
    Zuendsimulation s(Steuergeraet(1, 660), {});
    ASSERT_TRUE(s.verbunden);
    s.u.bereich.setze_Zuendkennfeld(
        1, Karte16(Reihe(0, 6), Reihe(800, 400), {{0, 0, 10}, {15, 15, 40}}));
    s.live.Drehzahl_fest = 800;
    s.live.Last_fest = 0;
    ASSERT_TRUE(s.Livedaten());
    // A map window of the catalogue, as the user has it in front.
    cl_Kennfeld_Grafik* karte = nullptr;
    for (const Kennfeldglied& g : s.u.k.kontext->kennfelder().Kennfeldliste_alle())
        if (g.Kennfeld && !karte)
            karte = g.Kennfeld;
    ASSERT_NE(karte, nullptr);
    auto* fenster = dynamic_cast<QWidget*>(karte->Ansicht());
    ASSERT_NE(fenster, nullptr);

    // Space opens the ignition editor online, following the live point.
    TForm_Zuendung& f = s.z();
    taste(*fenster, Qt::Key_Space, QStringLiteral(" "));
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.CheckBox_Online->isChecked());
    EXPECT_TRUE(f.Logik().staendig_positionieren);
    EXPECT_EQ(f.Label_Hilfe_1b->text(), hole_Text(503));
    ASSERT_TRUE(s.u.warte_still());
    // The cursor and with it the focus follow the next live answer.
    ASSERT_TRUE(s.Livedaten());
    EXPECT_EQ(f.Logik().aktuelle_Zelle, (Zuendzelle{1, 1}));
    EXPECT_EQ(f.Zelle({1, 1})->text(), "10");

    s.u.sim.leere_Protokoll();
    taste(*fenster, Qt::Key_Q, QStringLiteral("q"));
    ASSERT_TRUE(s.u.warte_still());
    EXPECT_EQ(f.Zelle({1, 1})->text(), "11");
    EXPECT_TRUE(rot_fett(f.Zelle({1, 1})));
    EXPECT_EQ(s.Vorgaenge(9), 1);
    EXPECT_EQ(static_cast<int8_t>(s.u.bereich.geschriebenes_Zuendkennfeld(1)[0]), 11);
    // Space again while online opens nothing anew: the map is not read again.
    s.u.sim.leere_Protokoll();
    taste(*fenster, Qt::Key_Space, QStringLiteral(" "));
    ASSERT_TRUE(s.u.warte_still());
    EXPECT_EQ(s.Vorgaenge(10), 0);
    EXPECT_EQ(f.Zelle({1, 1})->text(), "11");

    // Y lowers it again, once more a single write.
    s.u.sim.leere_Protokoll();
    taste(*fenster, Qt::Key_Y, QStringLiteral("y"));
    ASSERT_TRUE(s.u.warte_still());
    EXPECT_EQ(f.Zelle({1, 1})->text(), "10");
    EXPECT_EQ(s.Vorgaenge(9), 1);
    EXPECT_EQ(static_cast<int8_t>(s.u.bereich.geschriebenes_Zuendkennfeld(1)[0]), 10);
}

TEST(Zuendung_ecusim, TheFirstMapGoesAsADataItemWhenTheDescriptionSaysSo) {
    // Type 7, software 6.20: the description names the first ignition map as data item 150
    // of 16 columns.
    Zuendsimulation s(Steuergeraet(7, 620), {QStringLiteral("*150,,5,Ignition item")});
    ASSERT_TRUE(s.verbunden);
    cl_Zuendung& karte = s.z().Logik().Karte;
    EXPECT_TRUE(karte.Datenelement);
    const QByteArray bild = Karte16(Reihe(0, 6), Reihe(800, 400), {{0, 0, 12}, {2, 3, 25}});
    std::vector<uint16_t> worte(290);
    for (size_t i = 0; i < worte.size(); ++i)
        worte[i] = static_cast<uint16_t>(static_cast<uint8_t>(bild[2 * i]) |
                                         static_cast<uint8_t>(bild[2 * i + 1]) << 8);
    s.u.parameter.Elemente[150] = worte;

    TForm_Zuendung& f = s.z();
    f.show();
    ASSERT_TRUE(s.u.warte_still());
    EXPECT_EQ(f.Zelle({1, 1})->text(), "12");
    EXPECT_EQ(f.Zelle({3, 4})->text(), "25");
    EXPECT_EQ(f.Logik().Karte.Spaltenzahl, 16);
    // Nothing went the block way.
    for (int befehl : {9, 10})
        EXPECT_EQ(s.Vorgaenge(befehl), 0);

    // An angle typed and sent comes back from the item.
    f.fokussiere({2, 2});
    taste(*f.Zelle({2, 2}), Qt::Key_Return);
    f.Zelle({2, 2})->setText("33");
    taste(*f.Zelle({2, 2}), Qt::Key_Return);
    f.Button_nach_Quorvel->click();
    ASSERT_TRUE(s.u.warte_still());
    const std::vector<uint16_t>& neu = s.u.parameter.Elemente[150];
    EXPECT_EQ(static_cast<int8_t>(neu[8] >> 8), 33); // byte 17: row 1, column 1
    f.Logik().Tabelle.setze_gesetzt(1, 1, U);
    f.Logik().Karte.lesen(true);
    ASSERT_TRUE(s.u.warte_still());
    EXPECT_EQ(f.Zelle({2, 2})->text(), "33");
    EXPECT_TRUE(rot_fett(f.Zelle({2, 2})));
}

TEST(Zuendung_ecusim, TheCorrectionMapIsOfferedWhileItsConditionHoldsAndHasItsOwnFiles) {
    // Offered under the condition that lambda control (parameter 60) is on, as it is.
    Zuendsimulation s(Steuergeraet(1, 660), {QStringLiteral("*55,60[1],Correction-test")});
    ASSERT_TRUE(s.verbunden);
    TForm_Quorvel& h = *s.u.k.kontext->hauptfenster();
    const auto eintrag = [&]() -> QAction* {
        for (QAction* a : h.findChildren<QAction*>())
            if (a->text() == "Correction-test")
                return a;
        return nullptr;
    };
    ASSERT_NE(eintrag(), nullptr);
    EXPECT_TRUE(eintrag()->isVisible());
    EXPECT_EQ(s.z2().windowTitle(), "Correction-test");

    // Lambda control switched off in the edited values: at the next menu refresh the entry
    // goes; on again, it is back.
    cl_Parameter& p = s.u.k.kontext->parameter();
    ASSERT_TRUE(p.suche_Parameter(60));
    p.setze_Rohwert_neu(0);
    h.aktualisiere_Menues();
    EXPECT_FALSE(eintrag()->isVisible());
    ASSERT_TRUE(p.suche_Parameter(60));
    p.setze_Rohwert_neu(1);
    h.aktualisiere_Menues();
    EXPECT_TRUE(eintrag()->isVisible());

    // Its entry shows it; it reads map 2, never map 1.
    s.u.bereich.setze_Zuendkennfeld(2, Karte16(Reihe(0, 6), Reihe(800, 400), {{0, 0, -3}}));
    s.u.sim.leere_Protokoll();
    eintrag()->trigger();
    TForm_Zuendung_2_corr& f = s.z2();
    EXPECT_TRUE(f.isVisible());
    ASSERT_TRUE(s.u.warte_still());
    EXPECT_EQ(f.Zelle({1, 1})->text(), "-3");
    EXPECT_EQ(s.Vorgaenge(20), 1); // one read of map 2
    EXPECT_EQ(s.Vorgaenge(10), 0);

    // Its files carry "ZC".
    s.u.k.kontext->dateiversion().setze_Name(QStringLiteral("Motor"));
    EXPECT_TRUE(f.speichern(false));
    EXPECT_TRUE(QFile::exists(s.u.k.ordner.datei(QStringLiteral("DATA/Motor.01ZC"))));
    EXPECT_FALSE(QFile::exists(s.u.k.ordner.datei(QStringLiteral("DATA/Motor.01Z"))));

    // Online, with a 16-column map: the picture of a tuner's table.
    s.live.Drehzahl_fest = 2400;
    s.live.Last_fest = 45;
    s.u.bereich.setze_Zuendkennfeld(
        2, Karte16(Reihe(0, 6), Reihe(800, 400), {{0, 0, -3}, {4, 7, 4}, {15, 15, 6}, {0, 15, 2}}));
    f.Logik().Karte.lesen(true);
    ASSERT_TRUE(s.u.warte_still());
    ASSERT_TRUE(s.Livedaten());
    f.CheckBox_Online->click();
    ASSERT_TRUE(s.u.warte_still());
    EXPECT_EQ(Gerahmt(f), (std::vector<Zuendzelle>{{5, 8}})); // 45 midway: 42
    Bild_sichern(f, QStringLiteral("TForm_Zuendung_2_corr_online"));
}
