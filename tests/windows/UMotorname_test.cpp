#include "windows/Datenfenster.h"
#include "windows/UColorButton.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

namespace {

QStringList Eintraege(const QListWidget* l) {
    QStringList e;
    for (int i = 0; i < l->count(); ++i)
        e << l->item(i)->text();
    return e;
}

// The engine name as the window left it, as the main window shows it and as the version
// dialog lists it: the three always agree.
void pruefe_Name(Datenfenster& d, const QString& name) {
    EXPECT_EQ(d.motoren().Motorname(), name);
    EXPECT_EQ(d.haupt().Label_Motorname->text(), name);
    EXPECT_EQ(d.versionen().Basisname(), name);
}

} // namespace

TEST(Motorname, AnEmptyFolderGetsItsFirstSetThroughNew) {
    Datenfenster d;
    QDir(d.k.ordner.datei("DATA")).removeRecursively();
    TForm_Motorname& f = d.motorfenster();
    sobald_sichtbar(f, [&] {
        EXPECT_EQ(f.ListBox->count(), 0);
        EXPECT_TRUE(f.Memo->toPlainText().isEmpty());
        EXPECT_EQ(d.motoren().Motorname(), QString());
        f.Button_neu->click();
        EXPECT_TRUE(f.GroupBox_neu->isVisible());
        EXPECT_FALSE(f.ListBox->isEnabled());
        f.Edit_neu->setText("M1");
        f.Button_neu_OK->click();
        EXPECT_FALSE(f.GroupBox_neu->isVisible());
        EXPECT_EQ(Eintraege(f.ListBox), QStringList{"M1"});
        EXPECT_EQ(f.ListBox->currentRow(), 0);
        f.Button_OK->click();
    });
    f.waehlen();
    EXPECT_FALSE(f.isVisible());
    pruefe_Name(d, "M1");
    EXPECT_EQ(d.Dateien(), QStringList{"M1.DAT"});
}

TEST(Motorname, NamesWithPathsOrPointsAreRefusedAndTheNameBoxStaysOpen) {
    Datenfenster d;
    d.lege_an({"M1.DAT", "M1.01P"});
    TForm_Motorname& f = d.motorfenster();
    sobald_sichtbar(f, [&] {
        for (const bool umbenennen : {false, true}) {
            for (const char* name : {"../aussen", "a.b", "a/b", "a\\b", "x:y", "M1.01P"}) {
                (umbenennen ? f.Button_umbenennen : f.Button_neu)->click();
                f.Edit_neu->setText(QString::fromLatin1(name));
                f.Button_neu_OK->click();
                EXPECT_TRUE(f.GroupBox_neu->isVisible()) << name;
                f.Button_neu_abbrechen->click();
            }
        }
        f.Button_OK->click();
    });
    f.waehlen();
    EXPECT_EQ(d.k.meldungen.texte, QStringList(12, hole_Text(107)));
    EXPECT_EQ(d.Dateien(), (QStringList{"M1.01P", "M1.DAT"}));
    EXPECT_FALSE(QFile::exists(d.k.ordner.datei("aussen.DAT")));
    pruefe_Name(d, "M1");
}

TEST(Motorname, CancelGoesBackToTheOldNameUnlessItsSetWentAway) {
    struct Fall {
        const char* was;
        std::function<void(TForm_Motorname&)> tue;
        QString danach;
        QStringList dateien;
    };
    const QStringList alle{"A.01P", "A.DAT", "B.DAT"};
    const std::vector<Fall> faelle = {
        {"another entry clicked", [](TForm_Motorname& f) { f.ListBox->setCurrentRow(1); }, "A",
         alle},
        {"a new set made",
         [](TForm_Motorname& f) {
             f.Button_neu->click();
             f.Edit_neu->setText("C");
             f.Button_neu_OK->click();
         },
         "A",
         {"A.01P", "A.DAT", "B.DAT", "C.DAT"}},
        {"the old set renamed, then another clicked",
         [](TForm_Motorname& f) {
             f.Button_umbenennen->click();
             f.Edit_neu->setText("Z");
             f.Button_neu_OK->click();
             f.ListBox->setCurrentRow(0);
         },
         "Z",
         {"B.DAT", "Z.01P", "Z.DAT"}},
        {"the old set deleted",
         [](TForm_Motorname& f) { f.Button_loeschen->click(); },
         "B",
         {"B.DAT"}},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.was);
        for (const bool schliessfeld : {false, true}) {
            Datenfenster d;
            d.lege_an({"A.DAT", "A.01P", "B.DAT"});
            d.motoren().setze_Motorname("A");
            TForm_Motorname& f = d.motorfenster();
            sobald_sichtbar(f, [&] {
                EXPECT_EQ(f.ListBox->currentItem()->text(), "A");
                fall.tue(f);
                // The close box cancels as the button does.
                if (schliessfeld)
                    f.close();
                else
                    f.Button_abbrechen->click();
            });
            f.waehlen();
            pruefe_Name(d, fall.danach);
            EXPECT_EQ(d.Dateien(), fall.dateien);
        }
    }
}

TEST(Motorname, RenameToAnExistingNameInAnyCaseChangesNothing) {
    Datenfenster d;
    d.lege_an({"M1.DAT", "M1.01P", "M2.DAT"});
    TForm_Motorname& f = d.motorfenster();
    sobald_sichtbar(f, [&] {
        for (const char* name : {"M1", "m1", "m2"}) {
            f.Button_umbenennen->click();
            EXPECT_EQ(f.Edit_neu->text(), "M1");
            f.Edit_neu->setText(QString::fromLatin1(name));
            f.Button_neu_OK->click();
            EXPECT_FALSE(f.GroupBox_neu->isVisible());
        }
        f.Button_OK->click();
    });
    f.waehlen();
    EXPECT_EQ(d.k.meldungen.texte, QStringList(3, hole_Text(108)));
    EXPECT_EQ(d.Dateien(), (QStringList{"M1.01P", "M1.DAT", "M2.DAT"}));
    pruefe_Name(d, "M1");
}

TEST(Motorname, TheDescriptionIsEditedSavedOrDropped) {
    Datenfenster d;
    d.k.ordner.schreibe("DATA/M1.DAT", {"alt"});
    TForm_Motorname& f = d.motorfenster();
    sobald_sichtbar(f, [&] {
        EXPECT_EQ(f.Memo->toPlainText(), "alt");
        EXPECT_TRUE(f.Memo->isReadOnly());
        f.Button_bearbeiten->click();
        EXPECT_FALSE(f.Memo->isReadOnly());
        EXPECT_FALSE(f.Button_OK->isEnabled());
        f.Memo->setPlainText("verworfen");
        f.Button_Beschreibung_abbrechen->click();
        EXPECT_EQ(f.Memo->toPlainText(), "alt");
        f.Button_bearbeiten->click();
        f.Memo->setPlainText("Zeile 1\nZeile 2");
        f.Button_bearbeiten->click();
        EXPECT_TRUE(f.Memo->isReadOnly());
        EXPECT_TRUE(f.Button_OK->isEnabled());
        f.Button_OK->click();
    });
    f.waehlen();
    QFile datei(d.k.ordner.datei("DATA/M1.DAT"));
    ASSERT_TRUE(datei.open(QIODevice::ReadOnly));
    EXPECT_EQ(datei.readAll(), "Zeile 1\r\nZeile 2\r\n");
}
