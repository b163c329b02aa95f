#include "app/AppContext.h"
#include "model/UParameter.h"
#include "support/Fixtures.h"
#include "windows/UQuorvel.h"

#include <QLabel>

#include <gtest/gtest.h>

// The parameter set reaches the main window: a read through data items shows the data
// version of their parameters, and each answer ends with the menus recomputed, without
// reading the definitions again (which would empty the areas just read).
TEST(Parameterverdrahtung, TheMainWindowShowsTheDataVersionAndRefreshesItsMenus) {
    Programmordner ordner;
    Meldungsrekorder meldungen;
    ordner.schreibe("Language/English/QORV4.TXT", {"Quorvel"});
    ordner.schreibe(
        "Language/English/T-QUORVEL-1-400-615.TXT",
        {"-10001,D,4,300,0", "-10002,D,4,300,2", "-10003,D,4,300,4", "-1151,D,4,300,6"});
    ordner.schreibe_roh("registry.ini", "[SOFTWARE\\Quorvel\\Win Quorvel]\n"
                                        "Language=English\nCOM_Nr=0\nCAN_Plugin=fake\n"
                                        "Default Quorvel Hardware=7\n"
                                        "Default Quorvel Version=T-QUORVEL-1-400-615.TXT\n"
                                        "CAN baud rate=1\nCAN send identifier=536870910\n"
                                        "CAN receive identifier=536870911\n"
                                        "BT_Relais_COM_Nr=0\nBT_Relais_Online=0\n[Ports]\n");
    qputenv("QUORVEL_REGISTRY", ordner.registry().toLocal8Bit());
    {
        AppContext k(ordner.pfad(), {}, std::make_unique<Registry>(ordner.registry()),
                     meldungen.Senke());
        k.erzeuge_Fenster();
        cl_Parameter& p = k.parameter();
        p.lade_Definitionen();
        ASSERT_EQ(p.Definitionen().size(), 4u);
        ASSERT_TRUE(p.ueber_Datenelemente);
        TForm_Quorvel& haupt = *k.hauptfenster();
        EXPECT_EQ(haupt.Menuepunkt(QStringLiteral("Menu_E_Gas_kalibrieren")).sichtbar,
                  std::nullopt);

        const uint16_t worte[] = {2, 1, 7, 1};
        p.schreibe_Bereich(300, 0, worte, 4);
        p.Befehl = cl_Parameter::Befehl_Lesen;
        p.Antwort();
        EXPECT_EQ(haupt.Label_Datenversion->text(), QStringLiteral("2-1-7-0"));
        EXPECT_EQ(haupt.Menuepunkt(QStringLiteral("Menu_E_Gas_kalibrieren")).sichtbar, true);
        EXPECT_EQ(p.Bereichslaenge(300), 4);
    }
    qunsetenv("QUORVEL_REGISTRY");
}
