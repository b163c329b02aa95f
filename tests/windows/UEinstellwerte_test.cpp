// The settings editor's window over its logic: what each row shows, the group list's bold
// names, the commit of an edited cell and a definition reload while a group is shown.

#include "ecusim/Identitaet.h"
#include "link/LinkFixture.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "windows/UEinstellwerte.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTest>
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

namespace {

// Types text into the last column's editor of row r: the one that opened as the cell became
// current, or a new one.
QLineEdit* tippe(TForm_Einstellwerte& f, int r, const QString& text) {
    if (f.StringGrid->currentRow() != r || f.StringGrid->currentColumn() != 4)
        f.StringGrid->setCurrentCell(r, 4);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    auto* e = f.StringGrid->viewport()->findChild<QLineEdit*>();
    if (!e) {
        f.StringGrid->editItem(f.StringGrid->item(r, 4));
        e = f.StringGrid->viewport()->findChild<QLineEdit*>();
    }
    if (e)
        e->setText(text);
    return e;
}

void druecke(QWidget* ziel, int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(ziel, &e);
    // The editor commits Enter through a queued call; a closed editor goes later: both done
    // before the test looks.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(TForm_Einstellwerte, EnterUpRightAndDownCommitTheEditLeftDoesNot) {
    LinkKontext k;
    lade(k, {".LEER,Leer,", ".MOTOR,Motor,", "-7,MOTOR,4,0,0", "/Erster", "-8,MOTOR,4,0,2",
             "/Zweiter", "-9,MOTOR,4,0,4", "/Dritter"});
    cl_Parameter& p = k.kontext->parameter();
    TForm_Einstellwerte f(*k.kontext);
    f.show();
    ASSERT_EQ(f.StringGrid->rowCount(), 3);
    struct Fall {
        const char* name;
        int zeile;
        int taste;
        bool uebernommen;
        int danach; // the current row afterwards
    } faelle[] = {
        {"Left", 1, Qt::Key_Left, false, 1}, // the editor stays open for the next
        {"Enter", 1, Qt::Key_Return, true, 1},
        {"Down", 0, Qt::Key_Down, true, 1},
        {"Up", 2, Qt::Key_Up, true, 1},
        {"Right", 2, Qt::Key_Right, true, 2}, // typing may go on
    };
    int wert = 10;
    for (const Fall& fall : faelle) {
        const int nummer = 7 + fall.zeile;
        const int64_t vorher = p.Wert_neu(nummer);
        QLineEdit* e = tippe(f, fall.zeile, QString::number(++wert));
        ASSERT_NE(e, nullptr) << fall.name;
        druecke(e, fall.taste);
        EXPECT_EQ(p.Wert_neu(nummer), fall.uebernommen ? wert : vorher) << fall.name;
        EXPECT_EQ(f.StringGrid->currentRow(), fall.danach) << fall.name;
        // The cell shows the value; after Right the editor, still open, holds it.
        if (fall.taste == Qt::Key_Right) {
            EXPECT_EQ(e->text(), QString::number(wert));
        } else if (fall.uebernommen) {
            EXPECT_EQ(f.StringGrid->item(fall.zeile, 4)->text(), QString::number(wert))
                << fall.name;
        }
    }
    // A click on another column of a row makes the row's last cell current.
    const QRect zelle = f.StringGrid->visualItemRect(f.StringGrid->item(2, 1));
    QTest::mouseClick(f.StringGrid->viewport(), Qt::LeftButton, {}, zelle.center());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(f.StringGrid->currentRow(), 2);
    EXPECT_EQ(f.StringGrid->currentColumn(), 4);

    // A blank cell left with Enter restores the ECU value.
    QLineEdit* e = tippe(f, 0, QString());
    ASSERT_NE(e, nullptr);
    druecke(e, Qt::Key_Return);
    EXPECT_EQ(p.Wert_neu(7), p.Wert(7));
    EXPECT_EQ(f.StringGrid->item(0, 4)->text(), "");
}
