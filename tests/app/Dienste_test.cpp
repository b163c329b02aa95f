#include "app/AppContext.h"
#include "base/Dateiversion.h"
#include "base/Motordaten.h"
#include "model/UKennfelder.h"
#include "support/Fixtures.h"
#include "windows/UBluetooth.h"
#include "windows/UCSV_speichern.h"
#include "windows/UDateiversion.h"
#include "windows/UEinstellwerte.h"
#include "windows/UMotorname.h"
#include "windows/UPasswort.h"
#include "windows/UQuorvel.h"
#include "windows/USetup.h"
#include "windows/UVersionsinfo.h"
#include "windows/service/UBootUpdate.h"
#include "windows/service/UFehler.h"
#include "windows/service/UFehlerdef.h"
#include "windows/service/UKopieren.h"
#include "windows/service/UProgrammBoot.h"
#include "windows/service/USicherheitstext.h"
#include "windows/status/UStatus.h"

#include "windows/status/ULeistung.h"
#include "windows/status/UTest_Drehzahl.h"
#include "windows/status/UTest_Duese.h"
#include "windows/status/UTest_Eingaenge.h"
#include "windows/status/UTest_Logdaten.h"
#include <QApplication>
#include <QLabel>
#include <gtest/gtest.h>

#include <string_view>

TEST(Dienste, TheEngineAndCsvWindowsTakeTheirPlacesAndTheVersionDialogComesWithTheMainWindow) {
    Programmordner ordner;
    QStringList texte(11);
    texte[10] = "Parameter set";
    ordner.schreibe("Language/English/QORV4.TXT", texte);
    ordner.schreibe("Language/English/SAVE.TXT", {"x"});
    ordner.schreibe("Language/English/T-Quorvel-1-400-615.txt", {"x"});
    ordner.schreibe_roh("registry.ini", Eingerichtet_auf_CAN);
    qputenv("QUORVEL_REGISTRY", ordner.registry().toLocal8Bit());
    Meldungsrekorder meldungen;
    AppContext ctx(ordner.pfad(), {}, std::make_unique<Registry>(ordner.registry()),
                   meldungen.Senke());
    ctx.erzeuge_Fenster();

    // The main window's catalogue maps follow it, the other fixed windows them.
    const size_t karten = 1 + ctx.kennfelder().Katalog().size();
    const std::vector<TForm*> alle = ctx.Fenster();
    std::vector<std::string_view> namen{alle[0]->klasse().name};
    for (size_t i = 1 + karten; i < alle.size(); ++i)
        namen.push_back(alle[i]->klasse().name);
    const std::vector<std::string_view> soll = {
        "TForm_Quorvel",
        "TForm_Bluetooth",
        "TForm_Setup",
        "TForm_Speicher",
        "TForm_Zuendung",
        "TForm_Status",
        "TForm_Test_Drehzahl",
        "TForm_Fehler",
        "TForm_Leistung",
        "TForm_Motorname",
        "TForm_Test_Duese",
        "TForm_Kopieren",
        "TForm_Sicherheitstext",
        "TForm_Versionsinfo",
        "TForm_Programmboot",
        "TForm_Export",
        "TForm_Import",
        "TForm_Test_digitale_Eingaenge",
        "TForm_Test_digitale_Ausgaenge",
        "TForm_Test_analoge_Eingaenge",
        "TForm_Status_DSG",
        "TForm_Status_Testbox",
        "TForm_Passwort",
        "TForm_Fehlerdef",
        "TForm_Test_Logdaten",
        "TForm_Dranel_Kerosin",
        "TForm_Status_Additiv",
        "TForm_Auxdaten",
        "TForm_Pilmot",
        "TForm_Vundel",
        "TForm_Getriebe",
        "TForm_Nockenwelle",
        "TForm_Kvarendol",
        "TForm_Dieselsteuerung",
        "TForm_Wheel_speed",
        "TForm_Merker",
        "TForm_Boot_update",
        "TForm_Zuendung_2_corr",
        "TForm_Tamvik_Korrekturen",
        "TForm_Bolvinar",
        "TForm_CSV_speichern",
        "TForm_Systemdaten",
        "TForm_CAN_Temps",
        "TForm_Einstellwerte",
    };
    EXPECT_EQ(namen, soll);
    EXPECT_NE(dynamic_cast<TForm_Quorvel*>(alle[0]), nullptr);

    EXPECT_EQ(ctx.motordaten().Datenordner(), ordner.datei("DATA"));
    EXPECT_EQ(ctx.dateiversion().Beschriftung, "Parameter set");
    EXPECT_EQ(ctx.dateiversion().Suffix, "P");

    const auto dialoge = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            n += dynamic_cast<TForm_Dateiversion*>(w) != nullptr;
        return n;
    };
    EXPECT_EQ(dialoge(), 0);
    ctx.starte();
    EXPECT_EQ(dialoge(), 1);
    // The first showing made the backup window's print instance, at the list's end.
    ASSERT_EQ(ctx.Fenster().size(), soll.size() + 1 + karten);
    EXPECT_EQ(ctx.Fenster().back(), ctx.hauptfenster()->Form_Kopieren_Druck);
    EXPECT_NE(ctx.hauptfenster()->Form_Kopieren_Druck, ctx.fenster<TForm_Kopieren>());
    EXPECT_EQ(ctx.hauptfenster()->Label_Motorname->text(), QString());
    qunsetenv("QUORVEL_REGISTRY");
}

TEST(Dienste, WindowsCreatedLaterFollowTheNamedWindowInCreationOrderAndWindowCyclingSeesThem) {
    Programmordner ordner;
    ordner.schreibe("Language/English/QORV4.TXT", {"x"});
    ordner.schreibe("Language/English/SAVE.TXT", {"x"});
    ordner.schreibe_roh("registry.ini", Eingerichtet_auf_CAN);
    qputenv("QUORVEL_REGISTRY", ordner.registry().toLocal8Bit());
    Meldungsrekorder meldungen;
    AppContext ctx(ordner.pfad(), {}, std::make_unique<Registry>(ordner.registry()),
                   meldungen.Senke());
    ctx.erzeuge_Fenster();
    TForm* haupt = ctx.hauptfenster();
    const std::vector<TForm*> fest = ctx.Fenster();

    TForm& k1 = ctx.nimm_Fenster(std::make_unique<TForm>(QStringLiteral("k1")), haupt);
    TForm& ende = ctx.nimm_Fenster(std::make_unique<TForm>(QStringLiteral("ende")));
    TForm& k2 = ctx.nimm_Fenster(std::make_unique<TForm>(QStringLiteral("k2")), haupt);
    // One taken in after k1 stays within the windows that follow the main window.
    TForm& k1a = ctx.nimm_Fenster(std::make_unique<TForm>(QStringLiteral("k1a")), &k1);
    TForm& k3 = ctx.nimm_Fenster(std::make_unique<TForm>(QStringLiteral("k3")), haupt);

    // After the main window and the catalogue's maps it made.
    const auto nach_Karten =
        fest.begin() + static_cast<std::ptrdiff_t>(1 + ctx.kennfelder().Katalog().size() + 1);
    std::vector<TForm*> erwartet(fest.begin(), nach_Karten);
    erwartet.insert(erwartet.end(), {&k1, &k1a, &k2, &k3});
    erwartet.insert(erwartet.end(), nach_Karten, fest.end());
    erwartet.push_back(&ende);
    EXPECT_EQ(ctx.Fenster(), erwartet);

    for (TForm* f : ctx.Fenster())
        f->hide();
    k2.show();
    ende.show();
    k1.show();
    EXPECT_EQ(Fenster_nach(ctx.Fenster(), &k2, haupt, +1), &ende);
    EXPECT_EQ(Fenster_nach(ctx.Fenster(), &ende, haupt, +1), &k1);
    EXPECT_EQ(Fenster_nach(ctx.Fenster(), &k1, haupt, -1), &ende);
    qunsetenv("QUORVEL_REGISTRY");
}
