#include "app/AppContext.h"
#include "model/UParameter.h"
#include "support/Fixtures.h"
#include "windows/UQuorvel.h"

#include <gtest/gtest.h>

// The parameter set reaches the main window through the seams the window offers.
TEST(Parameterverdrahtung, TheMainWindowShowsTheDataVersionAndRefreshesItsMenus) {
    Programmordner ordner;
    Meldungsrekorder meldungen;
    ordner.schreibe("Language/English/QORV4.TXT", {"Quorvel"});
    ordner.schreibe("Language/English/T-QUORVEL-1-400-615.TXT",
                    {"-10001,D,4,300,0", "-10002,D,4,300,2", "-10003,D,4,300,4"});
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
        ASSERT_EQ(p.Definitionen().size(), 3u);
        const uint16_t worte[] = {2, 1, 7};
        p.schreibe_Bereich(300, 0, worte, 3);
        TForm_Quorvel& haupt = *k.hauptfenster();
        ASSERT_TRUE(haupt.Datenversion_Datenelemente);
        EXPECT_EQ(haupt.Datenversion_Datenelemente(), QStringLiteral("2-1-7-0"));

        int menues = 0;
        haupt.aktualisiere_Menues = [&] { ++menues; };
        p.Befehl = cl_Parameter::Befehl_Lesen;
        p.Antwort();
        EXPECT_EQ(menues, 1);
    }
    qunsetenv("QUORVEL_REGISTRY");
}
