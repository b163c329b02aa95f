#include "app/AppContext.h"
#include "link/UComData.h"
#include "model/UBefehle.h"
#include "model/UKennfeld.h"
#include "model/UKennfelder.h"
#include "model/UPasswort.h"
#include "model/UWeitere_Anfragen.h"
#include "support/Fixtures.h"

#include "windows/maps/UZuendung_2_corr.h"
#include "windows/status/USpeicher.h"

#include <gtest/gtest.h>

// The command requests come with the main window's first showing, after every other request,
// each with the wait window its command shows.
TEST(Befehlsverdrahtung, TheMainWindowsFirstShowingCreatesTheCommandRequestsWithTheirWaitWindows) {
    Programmordner ordner;
    ordner.schreibe("Language/English/QORV4.TXT", QStringList(11));
    ordner.schreibe("Language/English/SAVE.TXT", {"x"});
    ordner.schreibe_roh("registry.ini", Eingerichtet_auf_CAN);
    qputenv("QUORVEL_REGISTRY", ordner.registry().toLocal8Bit());
    Meldungsrekorder meldungen;
    AppContext ctx(ordner.pfad(), {}, std::make_unique<Registry>(ordner.registry()),
                   meldungen.Senke());
    ctx.erzeuge_Fenster();
    EXPECT_EQ(ctx.befehle(), nullptr);
    const auto& ring = ctx.link().Anfragen();
    const size_t vorher = ring.size();
    // The catalogue's maps, made with the main window, come before the memory window's scan
    // and the two ignition maps, which their windows make later; those end the ring so far.
    ASSERT_GE(ring.size(), 4u);
    EXPECT_EQ(ring[ring.size() - 4], ctx.kennfelder().Katalog().back()->Daten.get());
    EXPECT_EQ(ring[ring.size() - 3], &ctx.fenster<TForm_Speicher>()->Anfrage());
    EXPECT_EQ(ring[ring.size() - 2], &ctx.fenster<TForm_Zuendung>()->Logik().Karte);
    EXPECT_EQ(ring.back(), &ctx.fenster<TForm_Zuendung_2_corr>()->Logik().Karte);

    ctx.starte();
    Befehlsobjekte* b = ctx.befehle();
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(ring.size(), vorher + 18);
    EXPECT_EQ(ring[vorher], b->Quorvel_ins_Flash_sichern.get());
    EXPECT_EQ(ring.back(), b->Bootloader_update.get());

    // (request, wait window, kept open)
    struct Fall {
        cl_COM_data* r;
        bool fenster;
        bool offen;
    };
    const Fall faelle[] = {
        {b->Quorvel_ins_Flash_sichern.get(), true, false},
        {b->Quorvel_loggerflash_loeschen.get(), true, true},
        {b->Quorvel_loggerflash_loeschen_Fortschritt.get(), false, false},
        {b->Quorvel_starte_Test_Drehzahl.get(), true, true},
        {b->Quorvel_starte_Leistungsmessung.get(), true, true},
        {b->Quorvel_beende_Leistungsmessung.get(), false, false},
        {b->Quorvel_starte_Test_Duese.get(), true, true},
        {b->E_Gas_kalibrieren.get(), true, false},
        {b->Bootloader_update.get(), true, false},
    };
    for (const Fall& f : faelle) {
        ASSERT_EQ(f.r->Meldung() != nullptr, f.fenster) << int(f.r->Befehl);
        if (f.fenster) {
            EXPECT_EQ(f.r->Meldung()->offen_lassen, f.offen) << int(f.r->Befehl);
        }
    }
    qunsetenv("QUORVEL_REGISTRY");
}
