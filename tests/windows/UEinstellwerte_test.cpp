// The settings editor's window over its logic: what each row shows, the group list's bold
// names, the commit of an edited cell and a definition reload while a group is shown.

#include "ecusim/Identitaet.h"
#include "link/LinkFixture.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "windows/UEinstellwerte.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {

void lade(LinkKontext& k, const QStringList& zeilen) {
    const ecusim::Identitaetsdaten id;
    k.ordner.schreibe(QStringLiteral("Language/English/T-SIMQuorvel-%1-%2-%3.TXT")
                          .arg(id.ECU_Typ)
                          .arg(id.Typnummer)
                          .arg(id.Version, 4, 10, QLatin1Char('0')),
                      zeilen);
    const QByteArray a = ecusim::baue_Identitaet(id);
    std::copy(a.begin(), a.end(), k.version().Antwortbereich.begin());
    k.version().Antwort();
}

QStringList Zeilen(const QTableWidget& t) {
    QStringList z;
    for (int r = 0; r < t.rowCount(); ++r) {
        QStringList zellen;
        for (int c = 0; c < t.columnCount(); ++c)
            zellen << (t.item(r, c) ? t.item(r, c)->text() : QStringLiteral("<none>"));
        z << zellen.join('|');
    }
    return z;
}

} // namespace

TEST(TForm_Einstellwerte, ShowsTheSecondGroupAndFollowsEditsAndReloads) {
    LinkKontext k;
    lade(k, {".LEER,Leer,", ".MOTOR,Motor,", ".EXTRA,Extra,7", "-7,MOTOR,4,0,0", "/Extras an",
             "'Schaltet die Extras", "#0,3", "-10,MOTOR,0,0,6,0,7", "/Nur mit Extras",
             "-14,EXTRA,4,0,14", "/Im Extra"});
    k.kontext->parameter().setze_Wert(7, 0);
    TForm_Einstellwerte f(*k.kontext);
    f.show();
    EXPECT_EQ(f.windowTitle(), hole_Text(121));
    ASSERT_EQ(f.ListBox_Gruppe->count(), 3);
    EXPECT_EQ(f.ListBox_Gruppe->currentRow(), 1) << "the second group is chosen at showing";
    EXPECT_TRUE(f.StringGrid->isVisible());
    EXPECT_EQ(Zeilen(*f.StringGrid), QStringList{"1|Extras an|    0 . .     3|0|"});
    EXPECT_EQ(f.Memo->toPlainText(), "Schaltet die Extras");
    EXPECT_FALSE(f.ListBox_Gruppe->item(2)->font().bold());
    EXPECT_TRUE(f.ListBox_Gruppe->item(1)->font().bold());

    // An edit in the last column enables a parameter: its row appears, the group turns bold.
    f.StringGrid->item(0, 4)->setText("2");
    EXPECT_EQ(Zeilen(*f.StringGrid), (QStringList{"1|Extras an|    0 . .     3|0|2",
                                                  "2|Nur mit Extras|-32768 . . 32767|0|"}));
    EXPECT_TRUE(f.ListBox_Gruppe->item(2)->font().bold());
    EXPECT_EQ(k.kontext->parameter().Wert_neu(7), 2);
    // The ECU's value typed again leaves the cell empty; the row vanishes.
    f.StringGrid->item(0, 4)->setText("0");
    EXPECT_EQ(Zeilen(*f.StringGrid), QStringList{"1|Extras an|    0 . .     3|0|"});

    // A group without an active parameter hides the table.
    f.ListBox_Gruppe->setCurrentRow(0);
    EXPECT_FALSE(f.StringGrid->isVisible());
    EXPECT_EQ(f.Memo->toPlainText(), "keine Einstellwerte vorhanden");
    f.ListBox_Gruppe->setCurrentRow(1);

    // New definitions while the group is shown, then a commit: the new ones show.
    lade(k, {".MOTOR,Motor,", "-20,MOTOR,4,0,20", "/Neu"});
    EXPECT_EQ(f.ListBox_Gruppe->count(), 1);
    f.StringGrid->item(0, 4)->setText("5");
    EXPECT_EQ(Zeilen(*f.StringGrid), QStringList{"1|Neu|-32768 . . 32767|0|5"});
    EXPECT_EQ(k.kontext->parameter().Wert_neu(20), 5);
}
