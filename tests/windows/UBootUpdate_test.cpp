#include "windows/Bootumgebung.h"

#include "windows/UColorButton.h"

#include <gtest/gtest.h>

// The ECU's verdict on the boot-loader update, read as a signed word, each to its text. The
// window is there while the ECU reports its boot loader, so the boot loader answers: an
// interrupted programming has left it without its application.
TEST(BootUpdate, StatusesAgainstTheSimulatedBootLoader) {
    Bootumgebung u(false);
    ASSERT_TRUE(u.verbunden_mit(1));
    TForm_Boot_update& f = u.updatefenster();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Boot Update"));
    EXPECT_EQ(f.ColorButton_update->text(), QStringLiteral("start bootloader update"));
    u.boot.injiziere(ecusim::Bootfehler::Satz_ohne_Antwort, 2);
    u.starte(u.Datei(Programmdatei_Bytes(3)));
    ASSERT_TRUE(u.warte([&] { return u.empfangen(0xE4).size() == 2; }));
    u.fenster().Button_startenClick();
    ASSERT_TRUE(u.verbunden_mit(8));
    ASSERT_TRUE(u.boot.Anwendung_weg);
    ASSERT_TRUE(u.warte([&] { return u.updatefenster().isVisible(); }));
    // The boot loader's identity names no parameter definitions: the program says so first.
    Bootumgebung::pumpe(200);
    const std::pair<int, int> faelle[] = {{-2, 742}, {-1, 743}, {1, 744},
                                          {2, 745},  {0, 746},  {3, 746}};
    for (const auto& [status, text] : faelle) {
        SCOPED_TRACE(status);
        u.boot.Status_208 = static_cast<uint16_t>(status);
        // The application, were it asked, would give another verdict.
        u.befehle.Bootloaderstatus = static_cast<uint16_t>(status == 1 ? 2 : 1);
        u.meldungen.texte.clear();
        f.ColorButton_update->click();
        ASSERT_TRUE(u.warte_Meldung(8000));
        EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(text)});
        EXPECT_EQ(u.version().ECU_Typ(), 8);
    }
}
