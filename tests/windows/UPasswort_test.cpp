// The password window: its two modes, the repeat check and the number line.

#include "link/LinkFixture.h"
#include "model/UPasswort.h"
#include "model/UWeitere_Anfragen.h"
#include "windows/UColorButton.h"
#include "windows/UPasswort.h"

#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

TEST(Passwortfenster, InputModeSendsTheTypedPasswordAndReadsTheNumber) {
    LinkKontext k;
    TForm_Passwort f(*k.kontext);
    cl_Passwort_Nr_lesen& nummer = *k.kontext->weitere_Anfragen().Passwort_Nr_lesen;
    f.Edit_Passwort->setText(QStringLiteral("alt"));
    f.zeige_Eingabe();
    EXPECT_TRUE(nummer.aktiv);
    EXPECT_EQ(f.Modus, 0);
    EXPECT_EQ(f.Hilfethema(), QStringLiteral("input password"));
    EXPECT_TRUE(f.Edit_Passwort->text().isEmpty());
    EXPECT_TRUE(f.Edit_Passwort_wiederholen->isHidden());
    EXPECT_TRUE(f.Edit_Passwort_Nr->isHidden());
    EXPECT_FALSE(f.Label_PW_Nummer->isHidden());
    EXPECT_EQ(f.Label_Passwort_Nr->y(), f.Edit_Passwort->y() + 40);
    EXPECT_EQ(f.Button_OK->y(), f.Label_Passwort_Nr->y() + 50);
    EXPECT_EQ(f.height(), f.Button_OK->y() + 50);
    // The ECU's answer, a little-endian word, shows as the stored number.
    nummer.Nummer = {0x67, 0x12};
    nummer.Antwort();
    EXPECT_EQ(f.Label_PW_Nummer->text(), QStringLiteral("4711"));

    // The edits take no more than the ECU's buffer.
    f.Edit_Passwort->setText(QStringLiteral("abcdefghijklmno"));
    EXPECT_EQ(f.Edit_Passwort->text(), QStringLiteral("abcdefghij"));
    f.Button_OKClick();
    EXPECT_TRUE(f.isHidden());
    cl_Passwort_Quorvel& p = k.kontext->passwort();
    EXPECT_EQ(p.Befehl, cl_Passwort_Quorvel::Befehl_Eingeben);
    EXPECT_TRUE(p.aktiv);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(p.Sendepuffer.data()), p.Sendelaenge),
              QByteArray("ABCDEFGHIJ\0", 11));
}

TEST(Passwortfenster, ChangeModeChecksTheRepeatAndCapsTheNumber) {
    struct Fall {
        const char* neu;
        const char* wiederholt;
        const char* nummer;
        bool gesendet;
        uint16_t gesendete_Nummer;
    };
    for (const Fall f : {Fall{"Neu", "Neu", "12345", true, 9999}, Fall{"Neu", "neu", "5", false, 0},
                         Fall{"Neu", "Neu", "x", true, 0}, Fall{"", "", "65537", true, 1}}) {
        LinkKontext k;
        TForm_Passwort w(*k.kontext);
        w.zeige_Aendern();
        EXPECT_EQ(w.Modus, 1);
        EXPECT_EQ(w.Hilfethema(), QStringLiteral("change password"));
        EXPECT_FALSE(w.Edit_Passwort_wiederholen->isHidden());
        EXPECT_FALSE(w.Edit_Passwort_Nr->isHidden());
        EXPECT_TRUE(w.Label_PW_Nummer->isHidden());
        EXPECT_EQ(w.Label_Passwort_Nr->y(), w.Label_Passwort_wiederholen->y() + 40);
        w.Edit_Passwort->setText(QString::fromLatin1(f.neu));
        w.Edit_Passwort_wiederholen->setText(QString::fromLatin1(f.wiederholt));
        w.Edit_Passwort_Nr->setText(QString::fromLatin1(f.nummer));
        w.Button_OKClick();
        EXPECT_TRUE(w.isHidden());
        cl_Passwort_Quorvel& p = k.kontext->passwort();
        EXPECT_EQ(p.aktiv, f.gesendet) << f.wiederholt;
        if (f.gesendet) {
            EXPECT_EQ(p.Befehl, cl_Passwort_Quorvel::Befehl_Aendern);
            EXPECT_EQ(p.Passwort_Nr, f.gesendete_Nummer) << f.nummer;
            EXPECT_TRUE(k.meldungen.texte.isEmpty());
        } else {
            EXPECT_EQ(k.meldungen.texte, QStringList{hole_Text(344)});
        }
    }
}
