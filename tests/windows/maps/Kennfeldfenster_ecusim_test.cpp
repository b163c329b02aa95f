// A map window over a map read from the simulated ECU: the values arrive line by line, the
// window draws its surface, cursor and live point. With QUORVEL_BILDER naming a folder the
// window's picture is saved there (under Xvfb, as the screen shows it).

#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Kennfelder.h"
#include "link/LinkFixture.h"
#include "windows/maps/UKennfeldfenster.h"

#include <QGuiApplication>
#include <QLabel>
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
