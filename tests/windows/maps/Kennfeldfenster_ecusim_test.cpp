// A map window over a map read from the simulated ECU: the values arrive line by line, the
// window draws its surface, cursor and live point. With QUORVEL_BILDER naming a folder the
// window's picture is saved there (under Xvfb, as the screen shows it).

#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Kennfelder.h"
#include "link/LinkFixture.h"
#include "model/Anfragenumgebung.h"
#include "windows/Datenfenster.h"
#include "windows/UColorButton.h"
#include "windows/maps/UKennfeldfenster.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScreen>
#include <gtest/gtest.h>

TEST(Kennfeldfenster_ecusim, AMapReadFromTheEcuIsDrawnWithItsCursorAndLivePoint) {
    LinkKontext k;
    ecusim::EcuSim sim;
    ecusim::Kennfeldbereich kennfelder(sim);
    sim.oeffne_CAN(k.bus.Teilnehmer());
    k.sim = &sim;
    ecusim::richte_Identitaet_ein(sim);
    k.version().anfordern();
    ASSERT_TRUE(k.warte_bis([&] { return k.version().beantwortet; }, 500));

    // The injection map: 17 x 17 over speed and throttle, raw 0..12500 shown as 0..10000 us.
    Kennfeld_Beschreibung b;
    b.Kennfeld_Nr = 0;
    b.X_min = 0;
    b.X_max = 8000;
    b.Y_min = 0;
    b.Y_max = 100;
    b.Roh_min = 0;
    b.Roh_max = 12500;
    b.Z_min = 0;
    b.Z_max = 10000;
    b.Schrittzeile = 0;
    b.Schrittziffer = '4';
    b.Titel = "Injection time";
    b.Achsname_X = "Speed";
    b.Achsname_Y = "Throttle";
    b.Einheit_X = "1/min";
    b.Einheit_Y = "%";
    b.Einheit_Z = "us";
    TForm_Kennfeld& f = TForm_Kennfeld::erzeuge(*k.kontext, b, nullptr);
    cl_Kennfeld& kf = f.Kennfeld();
    kf.lese_Kennfeld_Kopie();
    ASSERT_TRUE(k.warte_bis([&] { return kf.Werte_vorhanden && !kf.Daten->aktiv; }, 2000));
    for (const auto& [x, y] : {std::pair{0, 0}, {16, 16}, {5, 11}})
        EXPECT_EQ(kf.Wert(x, y), kf.Roh_zu_Anzeige(kennfelder.Wert(0, x, y))) << x << "," << y;

    f.show();
    f.resize(640, 520);
    kf.Cursor_X = 10;
    kf.Cursor_Y = 6;
    f.zeichne_Kennfeld();
    kf.setze_Arbeitspunkt(3150, 42, "Engine running", "Lambda 0.98", "");
    QCoreApplication::processEvents();

    // The surface is there, blue, and hatched walls green; cursor and labels show.
    int blau = 0, gruen = 0;
    for (int y = 0; y < f.Bild().height(); ++y)
        for (int x = 0; x < f.Bild().width(); ++x) {
            blau += f.Bild().pixel(x, y) == qRgb(0, 0, 255);
            gruen += f.Bild().pixel(x, y) == qRgb(0, 128, 0);
        }
    EXPECT_GT(blau, 2000);
    EXPECT_GT(gruen, 500);
    EXPECT_EQ(f.Label_Cursor[0]->text(), "5000");
    EXPECT_EQ(f.Label_Cursor[1]->text(), "38"); // (100 * 96 + 128) / 256
    EXPECT_EQ(f.Label_Cursor[2]->text(), QString::number(kf.Wert(10, 6)));
    EXPECT_EQ(f.Label_Cursor[3]->text(), "100");
    EXPECT_EQ(f.Label_Arbeitspunkt[0]->text(), "3150");

    if (qEnvironmentVariableIsSet("QUORVEL_BILDER")) {
        const QString ziel = qEnvironmentVariable("QUORVEL_BILDER") + "/kennfeld_17x17.png";
        QScreen* schirm = QGuiApplication::primaryScreen();
        const bool echter_Schirm = QGuiApplication::platformName() == "xcb";
        (echter_Schirm && schirm ? schirm->grabWindow(f.winId()) : f.grab()).save(ziel);
    }
}

namespace {

// Map windows on a program connected to the simulated ECU (type 1, software 6.15, with the
// parameter definitions the program ships), its parameters read, a password accepted.
class Kartenfenster {
public:
    Kartenfenster() : kennfelder(u.sim, u.parameter) {
        const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
        for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")})
            QFile::copy(quelle + s + "/T-SIMQuorvel-1-400-0615.TXT",
                        u.k.ordner.datei("Language/" + s + "/T-SIMQuorvel-1-400-0615.TXT"));
        u.parameter.fuelle_Beispielwerte();
        // Reconnected, the identity loads the definitions and the parameters are read.
        verbunden = u.verbinde({});
        u.k.kontext->passwort_OK().setze_akzeptiert(1);
        u.befehle();
        kennfelder.lege_Kennfeld_an(5, false, 0, 2000);
        kennfelder.lege_Kennfeld_an(8, false, 0, 2000);
        kennfelder.lege_Kennfeld_an(30, true, 0, 2000);
    }

    // Raw 0..2000 shown as 0..1000; P1..P4 and P5..P8 the 16-bit parameters 130, 131, 151
    // and 2396 (raw 1500, 2000, 900, 182), the second set in reverse order.
    static Kennfeld_Beschreibung Karte(int nr, bool kurve = false) {
        Kennfeld_Beschreibung b;
        b.Kennfeld_Nr = nr;
        b.ist_Kurve = kurve;
        b.X_max = 4000;
        b.Y_max = 100;
        b.Roh_max = 2000;
        b.Z_max = 1000;
        b.Parameter_Nr = {130, 131, 151, 2396, 2396, 151, 131, 130};
        b.Titel = QStringLiteral("Map %1").arg(nr);
        b.Kennung = QStringLiteral("K");
        return b;
    }
    TForm_Kennfeld& fenster(const Kennfeld_Beschreibung& b) {
        return TForm_Kennfeld::erzeuge(*u.k.kontext, b, nullptr);
    }
    // A 16-bit word of the ECU's parameter image.
    int Parameterwort(int offset) const {
        return static_cast<uint8_t>(u.parameter.Bild[offset]) |
               static_cast<uint8_t>(u.parameter.Bild[offset + 1]) << 8;
    }
    // The frames of one command the ECU received since its record was last emptied.
    std::vector<QByteArray> Frames(int befehl) {
        std::vector<QByteArray> r;
        for (const auto& [b, daten] : u.Folge())
            if (b == befehl)
                r.push_back(daten);
        return r;
    }
    bool warte_still() { return u.warte_still(); }

    Anfragenumgebung u;
    ecusim::Kennfeldbereich kennfelder;
    bool verbunden = false;
};

std::vector<int> Werte_von(const cl_Kennfeld& f) {
    std::vector<int> w;
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < 17; ++y)
            w.push_back(f.Wert(x, y));
    return w;
}

// The ECU's raw values as the window of Kartenfenster::Karte shows them: half, rounded by
// the map's rounding term 2000 / (2 * 1000) = 1 before the division.
std::vector<int> Anzeige(const std::vector<int16_t>& roh) {
    std::vector<int> w;
    for (int16_t r : roh)
        w.push_back((1000 * r + 1) / 2000);
    return w;
}

void taste(QWidget& ziel, int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&ziel, &e);
}

} // namespace

TEST(Kennfeldfenster_ecusim, ShowingChecksTheComBoxAndReadsTheMenuReadsAndWrites) {
    Kartenfenster e;
    ASSERT_TRUE(e.verbunden);
    TForm_Kennfeld& f = e.fenster(Kartenfenster::Karte(5));
    cl_Kennfeld& kf = f.Kennfeld();
    kf.ECU_Menue_ein();

    // Showing checks the COM box, whose handler reads the map.
    f.show();
    EXPECT_TRUE(f.CheckBox_COM->isChecked());
    ASSERT_TRUE(e.u.warte([&] { return kf.Werte_vorhanden && !kf.Daten->aktiv; }));
    EXPECT_EQ(Werte_von(kf), Anzeige(e.kennfelder.Werte(5)));
    EXPECT_EQ(e.Frames(107).size(), 17u);

    // Enter on the COM box toggles it: off, nothing is read; on again, the map is read.
    e.u.sim.leere_Protokoll();
    taste(*f.CheckBox_COM, Qt::Key_Return);
    EXPECT_FALSE(f.CheckBox_COM->isChecked());
    EXPECT_FALSE(kf.COM_aktiv);
    ASSERT_TRUE(e.warte_still());
    EXPECT_TRUE(e.Frames(107).empty());
    taste(*f.CheckBox_COM, Qt::Key_Enter);
    EXPECT_TRUE(f.CheckBox_COM->isChecked());
    ASSERT_TRUE(e.warte_still());
    EXPECT_EQ(e.Frames(107).size(), 17u);

    // The menu's write: the ECU's map becomes the window's; its read: the window's the ECU's.
    kf.CheckBox_COMClick(false);
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < 17; ++y)
            kf.setze_Wert(x, y, 10 * x + y);
    e.u.sim.leere_Protokoll();
    f.Menue_Schreiben->trigger();
    EXPECT_TRUE(f.CheckBox_COM->isChecked());
    ASSERT_TRUE(e.warte_still());
    std::vector<int16_t> roh;
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < 17; ++y)
            roh.push_back(static_cast<int16_t>(2 * (10 * x + y)));
    EXPECT_EQ(e.kennfelder.Werte(5), roh);
    e.kennfelder.setze_Wert(5, 7, 9, 1234);
    f.Menue_Lesen->trigger();
    ASSERT_TRUE(e.u.warte([&] { return kf.Wert(7, 9) == 617; })); // (1000 * 1234 + 1) / 2000
    EXPECT_EQ(kf.Wert(7, 10), 7 * 10 + 10);
    EXPECT_EQ(e.u.sim.Empfangsfehler, 0);
}

TEST(Kennfeldfenster_ecusim, TheParameterPanelShowsAndWritesPFiveToEight) {
    Kartenfenster e;
    ASSERT_TRUE(e.verbunden);
    struct Fall {
        const char* name;
        bool kurve;
        // What the rows show (display values of P5..P8), which rows show, what is typed.
        QStringList vorher;
        std::array<bool, 4> sichtbar;
        QStringList eingabe;
        // The ECU's image afterwards at the offsets of 2396, 151, 131, 130.
        std::array<int, 4> roh;
    } faelle[] = {
        // A map: all four rows; each typed value goes out doubled, as raw.
        {"map",
         false,
         {"91", "450", "1000", "750"},
         {true, true, true, true},
         {"100", "200", "300", "400"},
         {200, 400, 600, 800}},
        // A curve: P5 and P6 only (as the map row left them); P7 and P8 keep their values,
        // whatever the hidden rows say.
        {"curve",
         true,
         {"100", "200", "", ""},
         {true, true, false, false},
         {"11", "22", "33", "44"},
         {22, 44, 600, 800}},
    };
    const std::array<int, 4> offset{32, 38, 30, 28};
    for (const Fall& fall : faelle) {
        TForm_Kennfeld& f = e.fenster(Kartenfenster::Karte(fall.kurve ? 30 : 5, fall.kurve));
        cl_Kennfeld& kf = f.Kennfeld();
        kf.ECU_Menue_ein();
        f.zeichne_Kennfeld();
        QStringList gezeigt;
        std::array<bool, 4> sichtbar{};
        int hoehe = 0;
        sobald_sichtbar(*f.Parameter_Panel, [&] {
            for (size_t i = 0; i < 4; ++i) {
                sichtbar[i] = !f.Edit_Parameter[i]->isHidden();
                EXPECT_EQ(f.Label_Parameter[i]->isHidden(), !sichtbar[i]) << fall.name << i;
                gezeigt << (sichtbar[i] ? f.Edit_Parameter[i]->text() : QString());
                f.Edit_Parameter[i]->setText(fall.eingabe[static_cast<qsizetype>(i)]);
            }
            hoehe = f.Parameter_Panel->height();
            f.Button_Parameter_OK->click();
        });
        f.Menue_Parameter->trigger();
        EXPECT_FALSE(f.Parameter_Panel->isVisible()) << fall.name;
        EXPECT_EQ(gezeigt, fall.vorher) << fall.name;
        EXPECT_EQ(sichtbar, fall.sichtbar) << fall.name;
        const int h = f.Edit_Parameter[0]->sizeHint().height();
        EXPECT_EQ(hoehe, (fall.kurve ? 2 : 4) * h + 80) << fall.name;
        ASSERT_TRUE(e.warte_still()) << fall.name;
        for (size_t i = 0; i < 4; ++i)
            EXPECT_EQ(e.Parameterwort(offset[i]), fall.roh[i]) << fall.name << " row " << i;
    }

    // Cancel writes nothing.
    TForm_Kennfeld& f = e.fenster(Kartenfenster::Karte(5));
    e.u.sim.leere_Protokoll();
    sobald_sichtbar(*f.Parameter_Panel, [&] {
        f.Edit_Parameter[0]->setText("999");
        f.Button_Parameter_Abbrechen->click();
    });
    f.Menue_Parameter->trigger();
    ASSERT_TRUE(e.warte_still());
    EXPECT_EQ(e.Parameterwort(32), 22);
    EXPECT_TRUE(e.u.Folge().empty());
}

TEST(Kennfeldfenster_ecusim, OnlineTheAxisValuePanelWritesPOneToFourAndTheChangePanelTheMap) {
    Kartenfenster e;
    ASSERT_TRUE(e.verbunden);
    TForm_Kennfeld& f = e.fenster(Kartenfenster::Karte(5));
    cl_Kennfeld& kf = f.Kennfeld();
    f.show();
    ASSERT_TRUE(e.u.warte([&] { return kf.Werte_vorhanden && !kf.Daten->aktiv; }));
    const std::vector<int> werte = Werte_von(kf);

    // The corners show P1..P4 converted; typed values go out as raw, the ECU stores the map
    // and the window reads it back, its values not rebuilt from the corners.
    f.Menue_Achsen->trigger();
    QStringList gezeigt;
    for (QLineEdit* edit : f.Edit_Achse)
        gezeigt << (edit->isHidden() ? QString() : edit->text());
    EXPECT_EQ(gezeigt, (QStringList{"750", "1000", "450", "91"}));
    const QStringList neu{"10", "20", "30", "40"};
    for (int i = 0; i < 4; ++i)
        f.Edit_Achse[static_cast<size_t>(i)]->setText(neu[i]);
    e.u.sim.leere_Protokoll();
    f.Button_Achsen_OK->click();
    EXPECT_TRUE(f.Edit_Achse[0]->isHidden());
    ASSERT_TRUE(e.warte_still());
    EXPECT_EQ(e.Parameterwort(28), 20);
    EXPECT_EQ(e.Parameterwort(30), 40);
    EXPECT_EQ(e.Parameterwort(38), 60);
    EXPECT_EQ(e.Parameterwort(32), 80);
    EXPECT_EQ(e.kennfelder.Speicherungen, std::vector<int>{5});
    EXPECT_EQ(e.Frames(107).size(), 17u);
    EXPECT_EQ(Werte_von(kf), werte);

    // The change panel online: the values change here and the whole map is written.
    f.Menue_Aenderung->trigger();
    for (QLineEdit* edit : f.Edit_Aenderung)
        edit->setText("10");
    f.Radio_Offset->setChecked(true);
    f.Button_Aenderung_OK->click();
    std::vector<int16_t> erwartet;
    for (int w : werte)
        erwartet.push_back(static_cast<int16_t>(2 * (w + 10)));
    ASSERT_TRUE(e.u.warte([&] { return e.kennfelder.Werte(5) == erwartet; }));
    EXPECT_EQ(e.Frames(108).size(), 17u);
}

TEST(Kennfeldfenster_ecusim, TheIdleActuatorOfMapEightFollowsTheCursorAndHidingSwitchesItOff) {
    Kartenfenster e;
    ASSERT_TRUE(e.verbunden);
    struct Fall {
        int nr;
        bool Kasten;
        // What command 84 carried, in order: on at the cursor, following it, off at hiding.
        std::vector<QByteArray> gesendet;
    } faelle[] = {
        {8,
         true,
         {QByteArray::fromHex("0100"), QByteArray::fromHex("0110"), QByteArray::fromHex("0120"),
          QByteArray::fromHex("0000")}},
        {5, false, {QByteArray::fromHex("0000")}},
    };
    for (const Fall& fall : faelle) {
        TForm_Kennfeld& f = e.fenster(Kartenfenster::Karte(fall.nr));
        f.show();
        ASSERT_TRUE(e.warte_still());
        EXPECT_EQ(!f.CheckBox_Leerlauf->isHidden(), fall.Kasten) << fall.nr;
        e.u.sim.leere_Protokoll();
        if (fall.Kasten) {
            f.CheckBox_Leerlauf->click();
            ASSERT_TRUE(e.warte_still());
            for (int i = 0; i < 2; ++i) {
                taste(f, Qt::Key_Right);
                ASSERT_TRUE(e.warte_still());
            }
        }
        f.hide();
        ASSERT_TRUE(e.warte_still());
        EXPECT_EQ(e.Frames(84), fall.gesendet) << fall.nr;
    }
}

TEST(Kennfeldfenster, AClickOnTheGraphLaysTheWindowOutAndRedrawsItWithoutMovingTheCursor) {
    Datenfenster d;
    TForm_Kennfeld& f = TForm_Kennfeld::erzeuge(*d.k.kontext, Kartenfenster::Karte(5), nullptr);
    cl_Kennfeld& kf = f.Kennfeld();
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < 17; ++y)
            kf.Werte[x][y] = 20 * x + 10 * y;
    kf.Werte_vorhanden = true;
    kf.Cursor_X = 3;
    kf.Cursor_Y = 4;
    f.zeichne_Kennfeld();
    // Values changed behind the window's back show only after a redraw.
    kf.Werte[10][10] = 1000;
    const QImage vorher = f.Bild().copy();
    const QPoint mitte = f.Zeichenflaeche->rect().center();
    QMouseEvent klick(QEvent::MouseButtonPress, mitte, f.Zeichenflaeche->mapToGlobal(mitte),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.Zeichenflaeche, &klick);
    EXPECT_NE(f.Bild(), vorher);
    EXPECT_EQ(kf.Cursor_X, 3);
    EXPECT_EQ(kf.Cursor_Y, 4);
    EXPECT_EQ(f.Label_Cursor[2]->text(), QString::number(20 * 3 + 10 * 4));
}
