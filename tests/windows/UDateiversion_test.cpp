#include "windows/Datenfenster.h"
#include "windows/UColorButton.h"
#include "windows/UDateiversion.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Dialog : Datenfenster {
    TForm_Dateiversion dialog{*k.kontext};

    Dialog() {
        lege_an({"M.DAT", "M.03P", "M.07P"});
        versionen().setze_Name("M");
        versionen().Suffix = "P";
    }
    // The line of a number: 01 ... 99, with 00 in front when such a file exists.
    int Zeile(const QString& nummer) const {
        for (int i = 0; i < dialog.ListBox->count(); ++i)
            if (dialog.ListBox->item(i)->text().startsWith(nummer))
                return i;
        return -1;
    }
    void klicke(int zeile, bool doppelt = false) {
        QListWidget* l = dialog.ListBox;
        l->scrollToItem(l->item(zeile));
        const QPoint p = l->visualItemRect(l->item(zeile)).center();
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, p);
        if (doppelt)
            QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, p);
    }
    int waehle(uint8_t modus, std::function<void()> aktion) {
        versionen().Speichermodus = modus;
        sobald_sichtbar(dialog, std::move(aktion));
        return versionen().zeige_Dialog();
    }
};

} // namespace

TEST(Versionsdialog, LoadingTakesOnlyExistingVersionsAndSavingAnyNumber) {
    Dialog d;
    // Load mode: a free number does not count, a double click on it closes with -1.
    EXPECT_EQ(d.waehle(0,
                       [&] {
                           EXPECT_EQ(d.dialog.Label_Name->text(), "M");
                           EXPECT_EQ(d.dialog.ListBox->count(), 99);
                           d.klicke(d.Zeile("05"), true);
                       }),
              -1);
    EXPECT_EQ(d.waehle(0, [&] { d.klicke(d.Zeile("07"), true); }), 7);
    // Save mode: a free number is taken without a question.
    EXPECT_EQ(d.waehle(1, [&] { d.klicke(d.Zeile("05"), true); }), 5);
    EXPECT_TRUE(d.k.meldungen.fragen.isEmpty());
}

TEST(Versionsdialog, OverwritingAsksOnceAndNoKeepsTheDialogOpen) {
    Dialog d;
    d.k.meldungen.setze_Antwort(false);
    EXPECT_EQ(d.waehle(1,
                       [&] {
                           d.klicke(d.Zeile("03"));
                           d.dialog.Eintrag_auswaehlen->trigger();
                           EXPECT_TRUE(d.dialog.isVisible());
                           d.dialog.close();
                       }),
              -1);
    EXPECT_EQ(d.k.meldungen.fragen, QStringList{hole_Text(323)});
    d.k.meldungen.setze_Antwort(true);
    EXPECT_EQ(d.waehle(1,
                       [&] {
                           d.klicke(d.Zeile("03"));
                           d.dialog.Eintrag_auswaehlen->trigger();
                       }),
              3);
}

TEST(Versionsdialog, A00FileCanBeRenumberedButNotChosen) {
    Dialog d;
    d.lege_an({"M.00P"});
    EXPECT_EQ(d.waehle(0,
                       [&] {
                           EXPECT_EQ(d.Zeile("00"), 0);
                           d.klicke(0, true);
                           EXPECT_TRUE(d.dialog.isVisible());
                           d.dialog.Eintrag_nummerieren->trigger();
                           EXPECT_EQ(d.Zeile("00"), -1);
                           EXPECT_GT(d.dialog.ListBox->item(d.Zeile("03"))->text().size(), 2);
                           EXPECT_EQ(d.dialog.ListBox->item(d.Zeile("04"))->text(), "04");
                           d.dialog.close();
                       }),
              -1);
    EXPECT_EQ(d.Dateien(), (QStringList{"M.01P", "M.02P", "M.03P", "M.DAT"}));
}

TEST(Versionsdialog, DeletingErasesTheSelectedVersionsAfterTheQuestion) {
    Dialog d;
    EXPECT_EQ(
        d.waehle(0,
                 [&] {
                     d.klicke(d.Zeile("03"));
                     QTest::mouseClick(
                         d.dialog.ListBox->viewport(), Qt::LeftButton, Qt::ControlModifier,
                         d.dialog.ListBox->visualItemRect(d.dialog.ListBox->item(d.Zeile("07")))
                             .center());
                     EXPECT_FALSE(d.dialog.Eintrag_auswaehlen->isEnabled());
                     EXPECT_TRUE(d.dialog.Eintrag_loeschen->isEnabled());
                     d.dialog.Eintrag_loeschen->trigger();
                     d.dialog.close();
                 }),
        -1);
    EXPECT_EQ(d.k.meldungen.fragen, QStringList{hole_Text(323)});
    EXPECT_EQ(d.Dateien(), QStringList{"M.DAT"});
}

TEST(Versionsdialog, WithoutAnEngineNameTheEngineWindowIsAskedFirst) {
    Dialog d;
    d.versionen().setze_Name(QString());
    TForm_Motorname& motor = d.motorfenster();
    sobald_sichtbar(motor, [&] {
        motor.ListBox->setCurrentRow(0);
        motor.Button_OK->click();
    });
    EXPECT_EQ(d.waehle(0, [&] { d.klicke(d.Zeile("07"), true); }), 7);
    EXPECT_EQ(d.dialog.Label_Name->text(), "M");
    EXPECT_EQ(d.haupt().Label_Motorname->text(), "M");

    // Cancelled without a name: no list, the dialog ends at once.
    Dialog leer;
    leer.versionen().setze_Name(QString());
    TForm_Motorname& m2 = leer.motorfenster();
    sobald_sichtbar(m2, [&] { m2.Button_abbrechen->click(); });
    EXPECT_EQ(leer.versionen().zeige_Dialog(), -1);
    EXPECT_FALSE(leer.dialog.isVisible());
}
