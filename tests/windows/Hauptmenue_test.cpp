// The main menu as a user meets it: every item in its place with its caption, clicked
// through the menu bar as a mouse does, offline and against the simulated ECU, with and
// without the password. With QUORVEL_BILDER naming a folder, a picture of the main window
// with each menu of the bar open is saved there (under Xvfb, as the screen shows it).

#include "app/AppContext.h"
#include "base/Uglobal.h"
#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Fehlerspeicher.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Kennfelder.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Parameter.h"
#include "ecusim/Passwort.h"
#include "model/UFehleranfragen.h"
#include "model/UKennfelder.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "support/Fixtures.h"
#include "windows/Hauptmenue.h"
#include "windows/Programm.h"
#include "windows/UColorButton.h"
#include "windows/UMotorname.h"
#include "windows/UPasswort.h"
#include "windows/UQuorvel.h"
#include "windows/UVersionsinfo.h"
#include "windows/maps/UKennfeldfenster.h"
#include "windows/service/UFehler.h"
#include "windows/service/UFehlerdef.h"
#include "windows/service/UKopieren.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSet>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace {

// Runs aktion once fenster shows (inside a modal wait), while waechter lives; gives up after
// a bounded number of event-loop turns, so that a window that never shows fails the test
// quickly.
void sobald_sichtbar(const QObject& waechter, QWidget& fenster, std::function<void()> aktion,
                     int versuche = 200) {
    QTimer::singleShot(0, &waechter,
                       [&waechter, &fenster, aktion = std::move(aktion), versuche]() mutable {
                           if (fenster.isVisible() || versuche <= 0) {
                               aktion();
                               return;
                           }
                           sobald_sichtbar(waechter, fenster, std::move(aktion), versuche - 1);
                       });
}

// The bar's items, each submenu's items, by object name in their order.
QStringList Namen(const QWidget& ort) {
    QStringList namen;
    for (const QAction* a : ort.actions())
        namen << (a->menu() ? a->menu()->objectName() : a->objectName());
    return namen;
}

// The main window with an open menu, as the screen shows them: taken from the screen on a
// real display, put together from both windows' pictures on the offscreen platform.
QImage Bild_mit_Menue(QWidget& haupt, QMenu& menue) {
    const QRect rahmen = haupt.frameGeometry().united(menue.geometry());
    QScreen* schirm = QGuiApplication::primaryScreen();
    if (QGuiApplication::platformName() == QLatin1String("xcb") && schirm)
        return schirm->grabWindow(0, rahmen.x(), rahmen.y(), rahmen.width(), rahmen.height())
            .toImage();
    QImage bild(rahmen.size(), QImage::Format_RGB32);
    bild.fill(Qt::white);
    QPainter maler(&bild);
    maler.drawPixmap(haupt.geometry().topLeft() - rahmen.topLeft(), haupt.grab());
    maler.drawPixmap(menue.geometry().topLeft() - rahmen.topLeft(), menue.grab());
    return bild;
}

} // namespace

TEST(Hauptmenue, TwoCaptionsEndInBlanksBoundedAsTheyAsk) {
    struct Fall {
        const char* text;
        const char* andere;
        int Speicher_Leerzeichen;
        int Flash_Leerzeichen;
    };
    for (const Fall f :
         {Fall{"Memory", "", 0, 4}, Fall{"Memory", "abc", 6, 7},
          Fall{"Memory", "0123456789abcdef", 32, 12}, Fall{"Memory", "0123456789abcdefg", 32, 12},
          Fall{"", "abcdefgh", 16, 12}}) {
        const QString text = QString::fromLatin1(f.text);
        const QString andere = QString::fromLatin1(f.andere);
        EXPECT_EQ(Hauptmenue::Speicher_Beschriftung(text, andere),
                  text + QString(f.Speicher_Leerzeichen, ' '))
            << f.andere;
        EXPECT_EQ(Hauptmenue::Flash_1_Beschriftung(text, andere),
                  text + QString(f.Flash_Leerzeichen, ' '))
            << f.andere;
    }
}

// Every item in bar order, each menu's items in theirs, captions from the language texts
// or fixed, no shortcut anywhere. Text 14 is set in this language file, so that the memory
// item shows its blanks.
TEST(Hauptmenue, EveryItemStandsInItsPlaceWithItsCaption) {
    Programm p(false, [](Programmordner& o) {
        QFile f(o.datei(QStringLiteral("Language/English/QORV4.TXT")));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        QList<QByteArray> zeilen = f.readAll().split('\n');
        f.close();
        zeilen[13] = "abcd\r";
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(zeilen.join('\n'));
    });
    QMenuBar& leiste = p.leiste();
    EXPECT_EQ(Namen(leiste),
              QStringList({"Menu_Datei", "Fenster", "Kennfelder", "Flash", "Test1", "Extras",
                           "Fehler", "Menu_Version", "Menu_Setup", "Hilfe"}));
    struct Punkt {
        const char* name;
        int text;
        const char* fest;
        int leerzeichen = 0;
    };
    struct Menue {
        const char* name;
        int text;
        const char* fest;
        std::vector<Punkt> punkte;
    };
    const QString Trenner = QStringLiteral("-");
    const std::vector<Menue> menues = {
        {"Menu_Datei",
         2,
         "",
         {{"Menu_Motorname", 9, ""},
          {"N2", 0, "-"},
          {"Menu_Datenexport", 584, ""},
          {"Menu_Datenimport", 615, ""},
          {"N11", 0, "-"},
          {"Menu_drucken", 87, ""},
          {"Menu_Datensicherung", 45, ""},
          {"N1", 0, "-"},
          {"Ende", 10, ""}}},
        {"Fenster",
         3,
         "",
         {{"Einstellwerte", 11, ""},
          {"N9", 0, "-"},
          {"Status", 12, ""},
          {"Menu_Geschwindigkeiten", 1102, ""},
          {"Menu_CAN_Zsuatztemperaturen", 1288, ""},
          {"Status_DSG", 0, "Status DSG"},
          {"Status_Testbox", 0, "Status Testbox"},
          {"Status_Dranel_Kerosin", 0, "Status Dranel Kerosin"},
          {"Menu_Status_Kvarendol", 0, "Status Kvarendol"},
          {"Status_Additivsteuerung", 0, "Additivsteuerung"},
          {"Wenzik_Vundel_Daten", 0, "Wenzik-Vundel Status"},
          {"Pilmot_Status", 0, "Pilmot Status"},
          {"Menu_Status_Dieselsteuerung", 0, "Dieselsteuerung"},
          {"Menu_Nockenwellenverstellung", 0, "Nockenwellenverstellung"},
          {"Menu_Tamvik_Korr", 0, "Tamvik Verstellungen"},
          {"Menu_BHKW", 0, "BHKW"},
          {"Menu_Diesel_Test_Bolvinar", 0, "Diesel Test (Bolvinar)"},
          {"N10", 0, "-"},
          {"Speicher", 13, "", 8}, // twice the length of text 14
          {"Menu_Systemdaten", 1249, ""}}},
        {"Flash",
         5,
         "",
         {{"ins_Flash_sichern", 35, ""},
          {"Flash_0_loeschen", 36, ""},
          {"Flash_1_loeschen", 37, "", 12}, // text 35's length and 4, at most 12
          {"Menu_Loggerflash_loeschen", 58, ""},
          {"Menu_Betriebszeit_loeschen", 90, ""}}},
        {"Test1",
         0,
         "Test",
         {{"Menu_Drehzahltest", 6, ""},
          {"Menu_Test_Analogeingaenge", 20, ""},
          {"Menu_Test_Digitaleingaenge", 671, ""},
          {"Menu_Test_Digitalausgaenge", 704, ""},
          {"Menu_Merker", 1067, ""},
          {"estLogdaten1", 0, "Test Logdaten"},
          {"Test_Auxdaten", 0, "Test Auxdaten"}}},
        {"Extras",
         7,
         "",
         {{"Leistungsmessung", 38, ""},
          {"Passwort_eingeben", 39, ""},
          {"Passwort_aendern", 40, ""},
          {"Duesenschaltzeit_messen", 41, ""},
          {"Programm_update", 571, ""},
          {"Menu_E_Gas_kalibrieren", 574, ""},
          {"Menu_Fernwartung", 576, ""}}},
        {"Fehler",
         8,
         "",
         {{"Fehler_u_Schaltausgaenge_definieren", 43, ""}, {"Fehler_anzeigen", 44, ""}}},
    };
    const auto Beschriftung = [](int text, const char* fest) {
        return text ? hole_Text(text) : QString::fromLatin1(fest);
    };
    for (const Menue& m : menues) {
        auto* menue = leiste.findChild<QMenu*>(QString::fromLatin1(m.name));
        ASSERT_NE(menue, nullptr) << m.name;
        EXPECT_EQ(menue->title(), Beschriftung(m.text, m.fest)) << m.name;
        QStringList erwartet;
        for (const Punkt& pt : m.punkte)
            erwartet << QString::fromLatin1(pt.name);
        ASSERT_EQ(Namen(*menue), erwartet) << m.name;
        for (int i = 0; i < menue->actions().size(); ++i) {
            const QAction* a = menue->actions()[i];
            const Punkt& pt = m.punkte[static_cast<size_t>(i)];
            const QString fest = QString::fromLatin1(pt.fest);
            EXPECT_EQ(a->isSeparator(), fest == Trenner) << pt.name;
            if (!a->isSeparator()) {
                EXPECT_EQ(a->text(), Beschriftung(pt.text, pt.fest) + QString(pt.leerzeichen, ' '))
                    << pt.name;
            }
            EXPECT_TRUE(a->shortcut().isEmpty()) << pt.name;
        }
    }
    auto* kennfelder = leiste.findChild<QMenu*>(QStringLiteral("Kennfelder"));
    ASSERT_NE(kennfelder, nullptr);
    EXPECT_EQ(kennfelder->title(), hole_Text(4));
    for (const auto& [name, text, fest] :
         {std::tuple{"Menu_Version", 55, ""}, std::tuple{"Menu_Setup", 0, "Setup"},
          std::tuple{"Hilfe", 56, ""}}) {
        const auto* a = leiste.findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->parent(), &leiste) << name;
        EXPECT_EQ(a->text(), Beschriftung(text, fest)) << name;
        EXPECT_TRUE(a->shortcut().isEmpty()) << name;
    }

    // Each menu of the bar opens at a click (the maps menu is filled elsewhere).
    const QString bilder = qEnvironmentVariable("QUORVEL_BILDER");
    p.schliesse_Fenster();
    for (const Menue& m : menues) {
        auto* menue = leiste.findChild<QMenu*>(QString::fromLatin1(m.name));
        // Every item shows and acts, as it would for some ECU online.
        menue->menuAction()->setEnabled(true);
        for (QAction* a : menue->actions()) {
            a->setVisible(true);
            a->setEnabled(true);
        }
        QTest::mouseClick(&leiste, Qt::LeftButton, {},
                          leiste.actionGeometry(menue->menuAction()).center());
        ASSERT_TRUE(QTest::qWaitFor([&] { return menue->isVisible(); }, 2000)) << m.name;
        if (!bilder.isEmpty()) {
            // Painted on the screen first.
            EXPECT_TRUE(QTest::qWaitForWindowExposed(menue));
            QTest::qWait(300);
            Bild_mit_Menue(p.haupt(), *menue).save(bilder + "/hauptmenue_" + m.name + ".png");
        }
        menue->hide();
    }
}

namespace {

enum class Zustand { bedienbar, gesperrt, verborgen };

// A row of what the menu does: how the user finds the item, and the window it opens (shown
// modally when modal), or nothing.
struct Zeile {
    const char* name;
    Zustand zustand;
    const char* oeffnet = nullptr;
    bool modal = false;
};

// Clicks the item of the row as a user would, with every other window closed, and checks
// that the item is as reachable as the row says and opens what it says, and nothing else:
// no message, no question.
void pruefe(Programm& p, const Zeile& z) {
    SCOPED_TRACE(z.name);
    p.schliesse_Fenster();
    p.meldungen.texte.clear();
    p.meldungen.fragen.clear();
    bool modal_gezeigt = false;
    const QObject waechter;
    if (z.modal)
        sobald_sichtbar(waechter, *p.fenster(z.oeffnet), [&] {
            TForm* f = p.fenster(z.oeffnet);
            modal_gezeigt = f->isVisible();
            f->hide();
        });
    const ::testing::AssertionResult geklickt = klicke(p.leiste(), QString::fromLatin1(z.name));
    if (z.zustand != Zustand::bedienbar) {
        ASSERT_FALSE(geklickt);
        EXPECT_TRUE(QString::fromLatin1(geklickt.message())
                        .contains(z.zustand == Zustand::gesperrt ? "disabled" : "hidden"))
            << geklickt.message();
        return;
    }
    ASSERT_TRUE(geklickt);
    QCoreApplication::processEvents();
    std::set<std::string> erwartet;
    if (z.oeffnet && !z.modal)
        erwartet.insert(z.oeffnet);
    EXPECT_EQ(p.offene_Fenster(), erwartet);
    if (z.modal) {
        EXPECT_TRUE(modal_gezeigt);
    }
    EXPECT_EQ(p.meldungen.texte, QStringList());
    EXPECT_EQ(p.meldungen.fragen, QStringList());
}

} // namespace

// Offline, with the setup's ECU (type 1, manufacturer 1, type number 400, software 6.15):
// the gate lets every item through without a word, the items that need the link are
// disabled, and the items of other variants hidden. Items whose windows the program does
// not have yet do nothing.
TEST(Hauptmenue, OfflineEachItemOpensWhatItNames) {
    Programm p(false);
    ASSERT_FALSE(p.verbunden());
    using enum Zustand;
    const Zeile zeilen[] = {
        {"Menu_Motorname", bedienbar, "TForm_Motorname", true},
        {"Menu_Datenexport", gesperrt},
        {"Menu_Datenimport", gesperrt},
        {"Menu_drucken", bedienbar, "TForm_Kopieren"},
        {"Menu_Datensicherung", gesperrt},
        {"Einstellwerte", bedienbar, "TForm_Einstellwerte"},
        {"Status", bedienbar, "TForm_Status"},
        {"Menu_Geschwindigkeiten", verborgen},
        {"Menu_CAN_Zsuatztemperaturen", bedienbar, "TForm_CAN_Temps"},
        {"Status_DSG", bedienbar, "TForm_Status_DSG"},
        {"Status_Testbox", verborgen},
        {"Status_Dranel_Kerosin", verborgen},
        {"Menu_Status_Kvarendol", verborgen},
        {"Status_Additivsteuerung", verborgen},
        {"Wenzik_Vundel_Daten", verborgen},
        {"Pilmot_Status", verborgen},
        // It takes the visibility of its window, which only a diesel ECU shows.
        {"Menu_Status_Dieselsteuerung", verborgen},
        {"Menu_Nockenwellenverstellung", bedienbar, "TForm_Nockenwelle"},
        {"Menu_Tamvik_Korr", verborgen},
        {"Menu_BHKW", verborgen},
        {"Menu_Diesel_Test_Bolvinar", verborgen},
        {"Speicher", bedienbar, "TForm_Speicher"},
        {"Menu_Systemdaten", bedienbar, "TForm_Systemdaten"},
        {"ins_Flash_sichern", gesperrt},
        {"Flash_0_loeschen", gesperrt},
        {"Flash_1_loeschen", gesperrt},
        {"Menu_Loggerflash_loeschen", gesperrt},
        {"Menu_Betriebszeit_loeschen", gesperrt},
        {"Menu_Drehzahltest", gesperrt},
        {"Menu_Test_Analogeingaenge", gesperrt},
        {"estLogdaten1", gesperrt},
        {"Leistungsmessung", bedienbar, "TForm_Leistung"},
        {"Passwort_eingeben", gesperrt},
        {"Passwort_aendern", gesperrt},
        {"Duesenschaltzeit_messen", gesperrt},
        {"Programm_update", bedienbar, "TForm_Programmboot"},
        {"Menu_E_Gas_kalibrieren", verborgen},
        {"Fehler_u_Schaltausgaenge_definieren", bedienbar, "TForm_Fehlerdef"},
        {"Fehler_anzeigen", gesperrt},
        {"Menu_Version", bedienbar, "TForm_Versionsinfo"},
        {"Menu_Setup", bedienbar, "TForm_Setup"},
    };
    for (const Zeile& z : zeilen)
        pruefe(p, z);
}

namespace {

// The simulated ECU's definitions with parameter 1151 (the electronic throttle) beside
// them, which the ECU holds as 1: the calibration item shows.
void mit_E_Gas(Programmordner& o) {
    QFile f(o.datei(QStringLiteral("Language/English/T-SIMQuorvel-1-400-0615.TXT")));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("-1151,MOTOR,4,0,40\r\n/Electronic throttle\r\n#0,1\r\n");
}

} // namespace

// Against the simulated ECU, through the menu alone: without the password the gated items
// say text 345 and do nothing, while the flash commands and the throttle calibration reach
// the ECU after their questions; the password typed into the window the menu opens is
// accepted by the ECU; then the gated items act too.
TEST(Hauptmenue, AgainstTheSimulatedEcuThePasswordTypedOpensTheGatedItems) {
    Programm p(true, mit_E_Gas);
    p.parameter->Bild[40] = 1;
    cl_Passwort_Quorvel_OK& ok = p.kontext->passwort_OK();
    // Connected, the parameters read although no password was given (manufacturer 1 from
    // 6.15 on), and the menus follow them.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return p.verbunden() && p.kontext->parameter().suche_Parameter(1151) &&
                   p.leiste().findChild<QAction*>("Menu_E_Gas_kalibrieren")->isVisible();
        },
        10000));
    ASSERT_EQ(ok.akzeptiert(), 0);

    // The commands: whether the gate guards them, each item's question and its caption,
    // and what the ECU then did.
    struct Befehl {
        const char* name;
        bool gate;
        int frage;
        int titel;
        std::function<bool()> ausgefuehrt;
    };
    ecusim::Befehlsbereich& ecu = *p.befehle;
    const Befehl befehle[] = {
        {"ins_Flash_sichern", false, 0, 0, [&] { return ecu.Flash_gesichert == 1; }},
        {"Flash_0_loeschen", false, 291, 36, [&] { return ecu.Flash_geloescht == std::vector{0}; }},
        {"Flash_1_loeschen", false, 292, 37,
         [&] {
             return ecu.Flash_geloescht == std::vector{0, 1};
         }},
        {"Menu_E_Gas_kalibrieren", false, 807, 806, [&] { return ecu.E_Gas_kalibriert == 1; }},
        {"Menu_Loggerflash_loeschen", true, 59, 58,
         [&] { return ecu.Logger_geloescht == std::vector{2}; }},
        {"Menu_Betriebszeit_loeschen", true, 809, 90,
         [&] {
             return ecu.Logger_geloescht == std::vector{2, 0};
         }},
    };
    const auto fuehre_aus = [&](const Befehl& b) {
        SCOPED_TRACE(b.name);
        p.meldungen.texte.clear();
        p.meldungen.fragen.clear();
        p.meldungen.fragentitel.clear();
        if (b.frage) {
            // Cancelled first: nothing reaches the ECU.
            p.meldungen.setze_Antwort(false);
            ASSERT_TRUE(klicke(p.leiste(), QString::fromLatin1(b.name)));
            EXPECT_EQ(p.meldungen.fragen, QStringList{hole_Text(b.frage)});
            EXPECT_EQ(p.meldungen.fragentitel, QStringList{hole_Text(b.titel)});
            QTest::qWait(100);
            EXPECT_FALSE(b.ausgefuehrt());
            p.meldungen.setze_Antwort(true);
        }
        ASSERT_TRUE(klicke(p.leiste(), QString::fromLatin1(b.name)));
        EXPECT_TRUE(QTest::qWaitFor(b.ausgefuehrt, 10000));
        EXPECT_EQ(p.meldungen.texte, QStringList());
    };
    for (const Befehl& b : befehle)
        if (!b.gate)
            fuehre_aus(b);

    for (const char* name :
         {"Menu_Motorname", "Menu_Loggerflash_loeschen", "Menu_Betriebszeit_loeschen",
          "Passwort_aendern", "Fehler_u_Schaltausgaenge_definieren", "Einstellwerte",
          "Menu_drucken", "Menu_Datensicherung"}) {
        SCOPED_TRACE(name);
        p.schliesse_Fenster();
        p.meldungen.texte.clear();
        p.meldungen.fragen.clear();
        // A modal window that opened all the same is closed, and counts.
        auto& motorname = *p.kontext->fenster<TForm_Motorname>();
        bool modal_offen = false;
        const QObject waechter;
        sobald_sichtbar(waechter, motorname, [&] {
            modal_offen = motorname.isVisible();
            motorname.hide();
        });
        ASSERT_TRUE(klicke(p.leiste(), QString::fromLatin1(name)));
        QCoreApplication::processEvents();
        EXPECT_FALSE(modal_offen);
        EXPECT_EQ(p.meldungen.texte, QStringList{hole_Text(345)});
        EXPECT_EQ(p.meldungen.fragen, QStringList());
        EXPECT_EQ(p.offene_Fenster(), std::set<std::string>());
    }
    EXPECT_TRUE(p.befehle->Logger_geloescht.empty());

    // The password, typed into the window the menu opens.
    pruefe(p, {"Passwort_eingeben", Zustand::bedienbar, "TForm_Passwort"});
    auto& fenster = *p.kontext->fenster<TForm_Passwort>();
    EXPECT_EQ(fenster.Modus, 0);
    EXPECT_EQ(fenster.windowTitle(), hole_Text(39));
    QTest::keyClicks(fenster.Edit_Passwort, QStringLiteral("geheim"));
    QTest::mouseClick(fenster.Button_OK, Qt::LeftButton);
    EXPECT_FALSE(fenster.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ok.akzeptiert() != 0; }, 5000));
    EXPECT_EQ(p.passwort->Eingaben.back(), QByteArray("GEHEIM"));
    EXPECT_EQ(p.meldungen.texte, QStringList());

    // Now the gated items act.
    pruefe(p, {"Passwort_aendern", Zustand::bedienbar, "TForm_Passwort"});
    EXPECT_EQ(fenster.Modus, 1);
    pruefe(p, {"Menu_Motorname", Zustand::bedienbar, "TForm_Motorname", true});
    pruefe(p, {"Einstellwerte", Zustand::bedienbar, "TForm_Einstellwerte"});
    // The backup window, and its print instance in print mode.
    pruefe(p, {"Menu_Datensicherung", Zustand::bedienbar, "TForm_Kopieren"});
    EXPECT_EQ(p.kontext->fenster<TForm_Kopieren>()->windowTitle(), hole_Text(472));
    pruefe(p, {"Menu_drucken", Zustand::bedienbar, "TForm_Kopieren"});
    EXPECT_EQ(p.haupt().Form_Kopieren_Druck->windowTitle(), hole_Text(87));
    EXPECT_FALSE(p.kontext->fenster<TForm_Kopieren>()->isVisible());
    for (const Befehl& b : befehle)
        if (b.gate)
            fuehre_aus(b);
    EXPECT_TRUE(p.verbunden());
}

namespace {

// What the error-memory viewer's grid shows, row by row.
std::vector<std::array<QString, 8>> Fehlertabelle_von(const TForm_Fehler& f) {
    std::vector<std::array<QString, 8>> t;
    const QTableWidget* g = f.StringGrid_Fehler;
    for (int r = 0; r < g->rowCount(); ++r) {
        std::array<QString, 8> z;
        for (int s = 0; s < 8; ++s)
            z[static_cast<size_t>(s)] = g->item(r, s) ? g->item(r, s)->text() : QString();
        t.push_back(z);
    }
    return t;
}

} // namespace

// Against the simulated ECU, through the menu: the viewer opens without the password, its
// reload reads the definitions and then the memory and shows them paired; its clear and the
// definitions window need the password (text 345, nothing done); with it the definitions
// window offers the read and lists what the ECU holds, and the clear empties the memory,
// which is read again.
TEST(Hauptmenue, AgainstTheSimulatedEcuTheErrorItemsReadShowAndClearTheMemory) {
    Programm p(true);
    using B = ecusim::Fehlerspeicherbereich;
    p.fehlerspeicher->Definitionen = {B::Grenze(15, 18, 0, 3, 0, 1, 1)};
    p.fehlerspeicher->Speicher = {B::Eintrag(1200, 3000, 0, true, 3, 1),
                                  B::Eintrag(1350, 3400, 12, false, 3, 1)};
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.verbunden(); }, 10000));

    pruefe(p, {"Fehler_anzeigen", Zustand::bedienbar, "TForm_Fehler"});
    auto& viewer = *p.kontext->fenster<TForm_Fehler>();
    ASSERT_TRUE(viewer.Button_neu_laden->isEnabled());
    QTest::mouseClick(viewer.Button_neu_laden, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer.StringGrid_Fehler->rowCount() == 2; }, 10000));
    const auto R = [](const char* t, int b) { return QString::fromUtf8(t).rightJustified(b); };
    const std::vector<std::array<QString, 8>> gelesen = {
        {"   3", R("Oil pressure", 25), "> 1.8", R("0:02:15,0", 12), "0:00:15,0", "3400", "400",
         R("1.2", 10)},
        {"   2", R("Oil pressure", 25), "<= 1.5", R("0:02:00,0", 12), "", "3000", "", ""}};
    EXPECT_EQ(Fehlertabelle_von(viewer), gelesen);
    ASSERT_EQ(viewer.ListBox_Auswahl->count(), 1);
    EXPECT_TRUE(viewer.ListBox_Auswahl->item(0)->isSelected());
    EXPECT_EQ(p.meldungen.texte, QStringList());

    // Without the password: the clear is refused and nothing is freed.
    QTest::mouseClick(viewer.Button_loeschen, Qt::LeftButton);
    QTest::qWait(200);
    EXPECT_EQ(p.meldungen.texte, QStringList{hole_Text(345)});
    EXPECT_EQ(p.fehlerspeicher->Fehlerspeicher_geloescht, 0);
    EXPECT_EQ(Fehlertabelle_von(viewer), gelesen);
    p.meldungen.texte.clear();
    ASSERT_TRUE(klicke(p.leiste(), QStringLiteral("Fehler_u_Schaltausgaenge_definieren")));
    QCoreApplication::processEvents();
    EXPECT_EQ(p.meldungen.texte, QStringList{hole_Text(345)});
    EXPECT_FALSE(p.kontext->fenster<TForm_Fehlerdef>()->isVisible());

    // The password, typed into the window the menu opens.
    pruefe(p, {"Passwort_eingeben", Zustand::bedienbar, "TForm_Passwort"});
    auto& passwort = *p.kontext->fenster<TForm_Passwort>();
    QTest::keyClicks(passwort.Edit_Passwort, QStringLiteral("geheim"));
    QTest::mouseClick(passwort.Button_OK, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.kontext->passwort_OK().akzeptiert() != 0; }, 5000));

    // The definitions window offers the read at its showing and lists the ECU's.
    p.meldungen.texte.clear();
    p.meldungen.fragen.clear();
    p.meldungen.setze_Antwort(true);
    ASSERT_TRUE(klicke(p.leiste(), QStringLiteral("Fehler_u_Schaltausgaenge_definieren")));
    auto& editor = *p.kontext->fenster<TForm_Fehlerdef>();
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.ListBox_Definition->count() == 1; }, 10000));
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(p.meldungen.fragen, QStringList{hole_Text(412)});
    EXPECT_EQ(editor.ListBox_Definition->item(0)->text(), QStringLiteral("Oil pressure"));
    EXPECT_EQ(editor.StringGrid_Grenzen->item(0, 2)->text(), QStringLiteral("       1.5"));
    editor.hide();

    // Now the clear reaches the ECU and the memory, read again, is empty.
    viewer.anzeigen();
    QTest::mouseClick(viewer.Button_loeschen, Qt::LeftButton);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return p.fehlerspeicher->Fehlerspeicher_geloescht == 1; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Fehlertabelle_von(viewer) == std::vector<std::array<QString, 8>>(1); },
        10000));
    EXPECT_TRUE(p.kontext->fehlerdaten().Fehler_Liste.leer());
    EXPECT_EQ(p.meldungen.texte, QStringList());
}

// The shell's items: help opens the general topic of the chosen language; the remote
// maintenance program starts when it is there, and when it is not, or does not start, its
// path is named.
TEST(Hauptmenue, HelpAndRemoteMaintenanceGoThroughTheShell) {
    Programm p(false);
    p.ordner.schreibe_roh(QStringLiteral("Language/English/Help general.PDF"), "%PDF");
    ASSERT_TRUE(klicke(p.leiste(), QStringLiteral("Hilfe")));
    EXPECT_EQ(p.geoeffnet,
              QStringList{p.ordner.datei(QStringLiteral("Language/English/Help general.PDF"))});

    p.geoeffnet.clear();
    const QString programm = p.ordner.datei(QStringLiteral("Quorvel_Fernwartung.exe"));
    ASSERT_TRUE(klicke(p.leiste(), QStringLiteral("Menu_Fernwartung")));
    EXPECT_EQ(p.meldungen.texte,
              QStringList{'"' + QDir::toNativeSeparators(programm) + "\" is not available"});
    EXPECT_TRUE(p.geoeffnet.isEmpty());

    // Found whatever the case of its name.
    p.meldungen.texte.clear();
    p.ordner.schreibe_roh(QStringLiteral("QUORVEL_FERNWARTUNG.EXE"), "MZ");
    ASSERT_TRUE(klicke(p.leiste(), QStringLiteral("Menu_Fernwartung")));
    const QString gefunden = p.ordner.datei(QStringLiteral("QUORVEL_FERNWARTUNG.EXE"));
    EXPECT_EQ(p.geoeffnet, QStringList{gefunden});
    EXPECT_TRUE(p.meldungen.texte.isEmpty());

    // There, but the desktop cannot start it.
    p.oeffnen_gelingt = false;
    ASSERT_TRUE(klicke(p.leiste(), QStringLiteral("Menu_Fernwartung")));
    EXPECT_EQ(p.meldungen.texte,
              QStringList{'"' + QDir::toNativeSeparators(gefunden) + "\" could not be started"});
}

// Exit closes the main window, which writes the layout file and ends the program.
TEST(Hauptmenue, ExitEndsTheProgram) {
    Programm p(false);
    ASSERT_TRUE(klicke(p.leiste(), QStringLiteral("Ende")));
    EXPECT_FALSE(p.haupt().isVisible());
    EXPECT_TRUE(p.kontext->beendet());
    EXPECT_TRUE(QFile::exists(p.ordner.datei(QStringLiteral("Start.INI"))));
}

namespace {

// The values a map window holds, in the simulated ECU's order (a map's X line by X line).
std::vector<int16_t> Werte(const cl_Kennfeld& f) {
    std::vector<int16_t> w;
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < (f.ist_Kurve ? 1 : 17); ++y)
            w.push_back(static_cast<int16_t>(f.ist_Kurve ? f.Kurvenwert(x) : f.Wert(x, y)));
    return w;
}

// The map windows open, by map number.
std::vector<int> offene_Karten(Programm& p) {
    std::vector<int> offen;
    for (TForm* f : p.kontext->Fenster())
        if (auto* karte = dynamic_cast<TForm_Kennfeld*>(f); karte && karte->isVisible())
            offen.push_back(karte->Kennfeld().Kennfeld_Nr);
    return offen;
}

struct Kartenpunkt {
    QString text; // "-" for a separator line
    int karte;    // the map window it opens; -1 none (a separator, the ignition editor)
};

// Connected to the simulated ECU as the identity says, the program reads its parameters and
// the description of its software; the maps menu then holds its items.
bool warte_auf_Kennfeldmenue(Programm& p, const int& gelesen) {
    auto* menue = p.leiste().findChild<QMenu*>(QStringLiteral("Kennfelder"));
    return menue && QTest::qWaitFor(
                        [&] {
                            return p.verbunden() && gelesen > 0 && !menue->actions().isEmpty() &&
                                   menue->menuAction()->isEnabled();
                        },
                        15000);
}

// The password, typed into the window that the menu's item opens, and accepted by the ECU:
// a map window online asks for it.
::testing::AssertionResult gib_Passwort_ein(Programm& p) {
    const ::testing::AssertionResult geklickt =
        klicke(p.leiste(), QStringLiteral("Passwort_eingeben"));
    if (!geklickt)
        return geklickt;
    auto& fenster = *p.kontext->fenster<TForm_Passwort>();
    if (!fenster.isVisible())
        return ::testing::AssertionFailure() << "no password window";
    QTest::keyClicks(fenster.Edit_Passwort, QStringLiteral("geheim"));
    QTest::mouseClick(fenster.Button_OK, Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return p.kontext->passwort_OK().akzeptiert() != 0; }, 5000))
        return ::testing::AssertionFailure() << "the password is not accepted";
    return ::testing::AssertionSuccess();
}

// Every item of the maps menu that shows, chosen through the bar as a mouse does, opens its
// map's window, which reads its values from the ECU. Gives the maps opened, in order.
std::vector<int> pruefe_Kennfeldmenue(Programm& p, const std::vector<Kartenpunkt>& erwartet) {
    std::vector<int> geoeffnet;
    auto* menue = p.leiste().findChild<QMenu*>(QStringLiteral("Kennfelder"));
    EXPECT_EQ(menue->actions().size(), static_cast<qsizetype>(erwartet.size()));
    if (menue->actions().size() != static_cast<qsizetype>(erwartet.size()))
        return geoeffnet;
    for (qsizetype i = 0; i < menue->actions().size(); ++i) {
        const Kartenpunkt& e = erwartet[static_cast<size_t>(i)];
        SCOPED_TRACE(e.text.toStdString());
        QAction* a = menue->actions()[i];
        EXPECT_EQ(a->isSeparator(), e.text == QLatin1String("-"));
        if (a->isSeparator())
            continue;
        EXPECT_EQ(a->text(), e.text);
        if (e.karte < 0 || !a->isVisible())
            continue;
        p.schliesse_Fenster();
        p.meldungen.texte.clear();
        EXPECT_TRUE(klicke(p.leiste(), a));
        QCoreApplication::processEvents();
        EXPECT_EQ(offene_Karten(p), std::vector<int>{e.karte});
        geoeffnet.push_back(e.karte);
        for (TForm* f : p.kontext->Fenster())
            if (auto* karte = dynamic_cast<TForm_Kennfeld*>(f); karte && karte->isVisible()) {
                const cl_Kennfeld& kf = karte->Kennfeld();
                EXPECT_TRUE(karte->CheckBox_COM->isChecked());
                EXPECT_TRUE(karte->CheckBox_COM->isEnabled());
                // The log-Y map reads as two curves of the ECU: the map windows' own tests
                // check its values.
                if (kf.log_Y)
                    continue;
                std::vector<int16_t> ecu = p.kennfelder->Werte(e.karte);
                EXPECT_FALSE(ecu.empty());
                // The line transfer carries raw values, which the window shows in its value
                // range (the map windows' tests check that conversion); data items carry
                // the values themselves.
                if (!kf.ist_Datenelement())
                    for (int16_t& w : ecu)
                        w = static_cast<int16_t>(kf.Roh_zu_Anzeige(w));
                EXPECT_TRUE(QTest::qWaitFor([&] { return Werte(kf) == ecu; }, 10000));
            }
        EXPECT_EQ(p.meldungen.texte, QStringList());
    }
    p.schliesse_Fenster();
    return geoeffnet;
}

} // namespace

// The type-1 software describes built-in maps only: its menu lists them in the catalogue's
// order with the catalogue's separators, each item opens its map, which reads from the ECU,
// and an open map's live point follows the simulated engine.
TEST(Hauptmenue, TheMapsMenuOfferTheBlockEcusMapsEachOpensReadsAndFollowsTheEngine) {
    int gelesen = 0;
    Programm p(true);
    InterAction().Create(
        cl_Parameter::Klasse, [&gelesen](Sender&) { ++gelesen; }, cl_Parameter::Gelesen);
    ASSERT_TRUE(warte_auf_Kennfeldmenue(p, gelesen));
    ASSERT_TRUE(gib_Passwort_ein(p));
    // With the password the parameters are read again, and the menu rebuilt.
    const int vorher = gelesen;
    ASSERT_TRUE(QTest::qWaitFor([&] { return gelesen > vorher; }, 10000));
    const QString Z1 = p.kontext->kennfelder().Zuendung().Titel;
    const QString T = QStringLiteral("-");
    const std::vector<int> geoeffnet = pruefe_Kennfeldmenue(p, {{hole_Text(221), 0},
                                                                {hole_Text(227), 9},
                                                                {hole_Text(228), 10},
                                                                {T, -1},
                                                                {hole_Text(223), 4},
                                                                {hole_Text(222), 22},
                                                                {T, -1},
                                                                {hole_Text(224), 7},
                                                                {T, -1},
                                                                {hole_Text(236), 24},
                                                                {hole_Text(236), 35},
                                                                {T, -1},
                                                                {T, -1},
                                                                {Z1, -1},
                                                                {T, -1},
                                                                {hole_Text(231), 13},
                                                                {hole_Text(232), 14},
                                                                {T, -1},
                                                                {T, -1},
                                                                {T, -1},
                                                                {T, -1},
                                                                {T, -1},
                                                                {T, -1}});
    // Every condition holds for the simulated ECU's parameters: every map opens.
    EXPECT_EQ(geoeffnet, (std::vector<int>{0, 9, 10, 4, 22, 7, 24, 35, 13, 14}));

    // The first map open from the menu: its live point follows the engine as the live
    // records come in, the record's throttle and speed.
    auto* menue = p.leiste().findChild<QMenu*>(QStringLiteral("Kennfelder"));
    ASSERT_TRUE(klicke(p.leiste(), menue->actions().front()));
    auto& f = dynamic_cast<TForm_Kennfeld&>(*p.kontext->kennfelder().Katalogkennfeld(0)->Ansicht());
    ASSERT_TRUE(f.isVisible());
    const cl_akt_Daten& M = p.kontext->ecu_Befehle().akt_Daten;
    QSet<QString> drehzahlen;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            if (M.beantwortet)
                drehzahlen.insert(f.Label_Arbeitspunkt[1]->text());
            return drehzahlen.size() >= 4;
        },
        10000))
        << drehzahlen.size();
    EXPECT_EQ(f.Label_Arbeitspunkt[0]->text(), QString::number(M.s16(72)));
    EXPECT_EQ(f.Label_Arbeitspunkt[1]->text(), QString::number(M.u16(10)));
    for (const QString& n : drehzahlen) {
        EXPECT_GT(n.toInt(), 0) << n.toStdString();
        EXPECT_LE(n.toInt(), 4000) << n.toStdString();
    }
    EXPECT_EQ(p.sim.Empfangsfehler, 0);
}

// The type-7 software names two built-in maps and the ignition editor, then in file order
// its data-item map and curve, which the description makes: each opens from the menu and
// reads from the ECU's data items.
TEST(Hauptmenue, TheMapsMenuOffersTheDataItemEcusDescribedMapsAndEachOpensAndReads) {
    int gelesen = 0;
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 7;
    id.Version = 620;
    Programm p(true, {}, id);
    InterAction().Create(
        cl_Parameter::Klasse, [&gelesen](Sender&) { ++gelesen; }, cl_Parameter::Gelesen);
    ASSERT_TRUE(warte_auf_Kennfeldmenue(p, gelesen));
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.kontext->version().ECU_Typ() == 7; }, 5000));
    ASSERT_TRUE(gib_Passwort_ein(p));
    // With the password the parameters are read again, and the menu rebuilt.
    const int vorher = gelesen;
    ASSERT_TRUE(QTest::qWaitFor([&] { return gelesen > vorher; }, 10000));
    const QString Z1 = p.kontext->kennfelder().Zuendung().Titel;
    const std::vector<int> geoeffnet =
        pruefe_Kennfeldmenue(p, {{hole_Text(221), 0},
                                 {hole_Text(227), 9},
                                 {Z1, -1},
                                 {QStringLiteral("-"), -1},
                                 {QStringLiteral("Item-map-140"), 140},
                                 {QStringLiteral("Item-curve-141"), 141}});
    EXPECT_EQ(geoeffnet, (std::vector<int>{0, 9, 140, 141}));

    // Offline and online again with the main window's check box: offline the setup's
    // software is offered, online the ECU's again, whose maps work with the ECU once more
    // (and not only those the menu held at the moment the link came back).
    QCheckBox& online = *p.haupt().CheckBox_Online;
    QTest::mouseClick(&online, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !p.verbunden(); }, 5000));
    QTest::mouseClick(&online, Qt::LeftButton);
    const int davor = gelesen;
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.verbunden() && gelesen > davor; }, 15000));
    ASSERT_TRUE(gib_Passwort_ein(p));
    const int danach = gelesen;
    ASSERT_TRUE(QTest::qWaitFor([&] { return gelesen > danach; }, 10000));
    EXPECT_EQ(pruefe_Kennfeldmenue(p, {{hole_Text(221), 0},
                                       {hole_Text(227), 9},
                                       {Z1, -1},
                                       {QStringLiteral("-"), -1},
                                       {QStringLiteral("Item-map-140"), 140},
                                       {QStringLiteral("Item-curve-141"), 141}}),
              (std::vector<int>{0, 9, 140, 141}));
    EXPECT_EQ(p.sim.Empfangsfehler, 0);
}

// Connected to the simulated ECU, in either language, every item of the bar fits on it, none
// behind an overflow arrow (the German captions are wider than the window's design), and each
// menu of the bar opens, the maps menu with its maps. With QUORVEL_BILDER naming a folder, a
// picture of each stays there.
TEST(Hauptmenue, ConnectedEveryItemOfTheBarFitsAndEachMenuOpens) {
    for (const QString& sprache : {QStringLiteral("English"), QStringLiteral("Deutsch")}) {
        SCOPED_TRACE(sprache.toStdString());
        int gelesen = 0;
        Programm p(true, {}, {}, sprache);
        InterAction().Create(
            cl_Parameter::Klasse, [&gelesen](Sender&) { ++gelesen; }, cl_Parameter::Gelesen);
        ASSERT_TRUE(warte_auf_Kennfeldmenue(p, gelesen));
        QMenuBar& leiste = p.leiste();
        QCoreApplication::processEvents();
        int sichtbar = 0;
        for (QAction* a : leiste.actions()) {
            if (!a->isVisible())
                continue;
            ++sichtbar;
            const QRect r = leiste.actionGeometry(a);
            EXPECT_FALSE(r.isEmpty()) << a->text().toStdString();
            EXPECT_TRUE(leiste.rect().contains(r)) << a->text().toStdString();
        }
        EXPECT_EQ(sichtbar, 10);
        EXPECT_EQ(leiste.actions().back()->text(), hole_Text(56));

        const QString bilder = qEnvironmentVariable("QUORVEL_BILDER");
        // The windows that came up by themselves would cover the main window's picture.
        p.schliesse_Fenster();
        p.haupt().raise();
        p.haupt().activateWindow();
        for (QAction* a : leiste.actions()) {
            QMenu* menue = a->menu();
            if (!menue || !a->isVisible() || !a->isEnabled())
                continue;
            SCOPED_TRACE(menue->objectName().toStdString());
            QTest::mouseClick(&leiste, Qt::LeftButton, {}, leiste.actionGeometry(a).center());
            ASSERT_TRUE(QTest::qWaitFor([&] { return menue->isVisible(); }, 2000));
            if (!bilder.isEmpty()) {
                EXPECT_TRUE(QTest::qWaitForWindowExposed(menue));
                QTest::qWait(300);
                Bild_mit_Menue(p.haupt(), *menue)
                    .save(bilder + "/verbunden_" + sprache + '_' + menue->objectName() + ".png");
            }
            menue->hide();
        }
    }
}

// Connected, the test items and the data export and import open their windows (hiding each
// closes its test again).
TEST(Hauptmenue, ConnectedTheTestItemsOpenTheirWindows) {
    Programm p(true);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            // The parameters read: the window rules they apply open the live status.
            return p.verbunden() && p.kontext->parameter().beantwortet &&
                   p.leiste().findChild<QAction*>("Menu_Drehzahltest")->isEnabled();
        },
        10000));
    using enum Zustand;
    const Zeile zeilen[] = {
        {"Menu_Drehzahltest", bedienbar, "TForm_Test_Drehzahl"},
        {"Menu_Test_Analogeingaenge", bedienbar, "TForm_Test_analoge_Eingaenge"},
        {"Menu_Test_Digitaleingaenge", bedienbar, "TForm_Test_digitale_Eingaenge"},
        {"Menu_Test_Digitalausgaenge", bedienbar, "TForm_Test_digitale_Ausgaenge"},
        {"Duesenschaltzeit_messen", bedienbar, "TForm_Test_Duese"},
        {"Leistungsmessung", bedienbar, "TForm_Leistung"},
        {"estLogdaten1", verborgen},
        {"Menu_Datenexport", bedienbar, "TForm_Export"},
        {"Menu_Datenimport", bedienbar, "TForm_Import"},
    };
    for (const Zeile& z : zeilen)
        pruefe(p, z);
    // The logger's item shows in test mode.
    glob().Testmodus = true;
    p.haupt().aktualisiere_Menues();
    pruefe(p, {"estLogdaten1", bedienbar, "TForm_Test_Logdaten"});
    glob().Testmodus = false;
}
