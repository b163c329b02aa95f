// The export window: its layout with and without the password block, what it hands the
// export, its file name kept in the settings, and a run through the window against the
// simulated ECU with its progress window.

#include "model/Anfragenumgebung.h"
#include "model/QVD_Datei.h"
#include "platform/Registry.h"
#include "windows/UColorButton.h"
#include "windows/service/UExport.h"
#include "windows/service/UFortschritt.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

std::vector<QWidget*> Passwortblock(TForm_Export& f) {
    return {f.CheckBox_Passwort_neu,
            f.Edit_Passwort_neu,
            f.Label_Passwortnummer,
            f.Edit_Passwortnummer,
            f.Label_Passwortnummer_Bereich,
            f.Label_alte_Passwoerter,
            f.Label_alte_Passwortnr,
            f.Edit_PW_1,
            f.Edit_PW_2,
            f.Edit_PW_3,
            f.Edit_PW_Nr_1,
            f.Edit_PW_Nr_2,
            f.Edit_PW_Nr_3};
}

// With QUORVEL_BILDER naming a folder, the window's picture is saved there.
void Bild(QWidget& w, const char* name) {
    if (const QString bilder = qEnvironmentVariable("QUORVEL_BILDER"); !bilder.isEmpty()) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(200);
        w.grab().save(bilder + '/' + QLatin1String(name) + ".png");
    }
}

} // namespace

TEST(Exportfenster, TheLayoutFollowsWhetherThePasswordWasAccepted) {
    struct Fall {
        uint8_t akzeptiert;
        bool block;
        int beschreibung_y;
    };
    for (const Fall& f : {Fall{0, false, 60}, Fall{1, true, 144 + 56 + 50}}) {
        SCOPED_TRACE(f.akzeptiert);
        LinkKontext k;
        k.kontext->passwort_OK().setze_akzeptiert(f.akzeptiert);
        TForm_Export w(*k.kontext);
        w.ColorButton_speichern->setEnabled(false);
        w.Fortschritt().ProgressBar->setRange(0, 10);
        w.Fortschritt().ProgressBar->setValue(7);
        w.zeige();
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.Logik().Zeigen);
        for (QWidget* x : Passwortblock(w))
            EXPECT_EQ(x->isVisible(), f.block) << x->metaObject()->className();
        EXPECT_EQ(w.Label_Beschreibung->y(), f.beschreibung_y);
        EXPECT_EQ(w.Memo->y(), f.beschreibung_y + 20);
        EXPECT_EQ(w.ColorButton_speichern->y(), w.Memo->geometry().bottom() + 1 + 10);
        EXPECT_EQ(w.ColorButton_abbrechen->y(), w.ColorButton_speichern->y());
        EXPECT_EQ(w.height(), w.ColorButton_speichern->y() + 40);
        EXPECT_TRUE(w.ColorButton_speichern->isEnabled());
        EXPECT_EQ(w.Fortschritt().ProgressBar->value(), 0);
        Bild(w, f.block ? "export_block" : "export_without_block");
        // Texts as the window was made.
        EXPECT_EQ(w.windowTitle(), hole_Text(584));
        EXPECT_EQ(w.Label_Kopf_Exportdatei->text(), hole_Text(590));
        EXPECT_EQ(w.CheckBox_Passwort_neu->text(), hole_Text(585));
        EXPECT_EQ(w.Label_Passwortnummer->text(), hole_Text(586));
        EXPECT_EQ(w.Label_alte_Passwoerter->text(), hole_Text(587));
        EXPECT_EQ(w.Label_alte_Passwortnr->text(), hole_Text(589));
        EXPECT_EQ(w.Label_Beschreibung->text(), hole_Text(588));
        EXPECT_EQ(w.ColorButton_speichern->text(), hole_Text(76));
        EXPECT_EQ(w.ColorButton_abbrechen->text(), hole_Text(71));
        EXPECT_EQ(w.ColorButton_durchsuchen->text(), hole_Text(623));
    }
}

// A password given while the window is in use brings the block; after the window was
// closed, a password number read leaves it closed.
TEST(Exportfenster, APasswordNumberReadLaysTheWindowOutAgainWhileInUse) {
    LinkKontext k;
    TForm_Export w(*k.kontext);
    cl_Passwort_Nr_lesen& nummer = *k.kontext->weitere_Anfragen().Passwort_Nr_lesen;
    k.kontext->passwort_OK().setze_akzeptiert(0);
    w.zeige();
    EXPECT_FALSE(w.Edit_PW_1->isVisible());
    k.kontext->passwort_OK().setze_akzeptiert(1);
    nummer.Antwort();
    EXPECT_TRUE(w.Edit_PW_1->isVisible());
    w.close();
    EXPECT_FALSE(w.Logik().Zeigen);
    nummer.Antwort();
    EXPECT_FALSE(w.isVisible());
}

TEST(Exportfenster, TheFileNameIsKeptWhenTheWindowClosesNotWhenItHides) {
    LinkKontext k;
    {
        Registry r(k.ordner.registry());
        ASSERT_TRUE(r.writeString("Datei_Export", "/old/name.QVD"));
    }
    TForm_Export w(*k.kontext);
    EXPECT_EQ(w.Edit_Exportdatei->text(), "/old/name.QVD");
    w.zeige();
    w.Edit_Exportdatei->setText("/new/name.QVD");
    w.ColorButton_abbrechenClick();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Registry(k.ordner.registry()).readString("Datei_Export"), "/old/name.QVD");
    EXPECT_TRUE(w.Logik().Zeigen); // hidden, still in use
    w.zeige();
    w.close();
    EXPECT_EQ(Registry(k.ordner.registry()).readString("Datei_Export"), "/new/name.QVD");
    // The save dialog's choice goes into the edit; a cancelled one changes nothing.
    w.Dateiwahl = [](const QString& vorschlag) { return vorschlag + "2"; };
    w.ColorButton_durchsuchenClick();
    EXPECT_EQ(w.Edit_Exportdatei->text(), "/new/name.QVD2");
    w.Dateiwahl = [](const QString&) { return QString(); };
    w.ColorButton_durchsuchenClick();
    EXPECT_EQ(w.Edit_Exportdatei->text(), "/new/name.QVD2");
}

TEST(Exportfenster, PasswordsAreTypedInCapitals) {
    LinkKontext k;
    k.kontext->passwort_OK().setze_akzeptiert(1);
    TForm_Export w(*k.kontext);
    w.zeige();
    for (QLineEdit* e : {w.Edit_Passwort_neu, w.Edit_PW_1, w.Edit_PW_2, w.Edit_PW_3}) {
        QTest::keyClicks(e, "ab1c");
        EXPECT_EQ(e->text(), "AB1C");
    }
    QTest::keyClicks(w.Edit_Exportdatei, "abc");
    EXPECT_EQ(w.Edit_Exportdatei->text(), "abc");
}

TEST(Exportfenster, ARunThroughTheWindowShowsItsProgressAndWritesTheFile) {
    Anfragenumgebung u;
    u.k.kontext->passwort_OK().setze_akzeptiert(1);
    for (int i = 0; i < 40; ++i)
        u.bereich.Exportdaten.emplace_back(i, i);
    QTemporaryDir dir;
    TForm_Export w(*u.k.kontext);
    w.zeige();
    w.Edit_Exportdatei->setText(dir.filePath("run"));
    w.Memo->setPlainText("first\nsecond");
    w.Edit_PW_1->setText("OLD");
    w.Edit_PW_Nr_1->setText("5");
    w.CheckBox_Passwort_neu->setChecked(true);
    w.Edit_Passwort_neu->setText("NEW");
    w.Edit_Passwortnummer->setText("6");
    Bild(w, "export");
    QTest::mouseClick(w.ColorButton_speichern, Qt::LeftButton);
    TForm_Export_Fortschritt& f = w.Fortschritt();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(w.ColorButton_speichern->isEnabled());
    EXPECT_EQ(w.Edit_Exportdatei->text(), dir.filePath("run.QVD"));
    EXPECT_EQ(f.Label_Datei->text(), dir.filePath("run.QVD"));
    ASSERT_TRUE(u.warte([&] { return f.ProgressBar->value() >= 16; }));
    EXPECT_EQ(f.ProgressBar->maximum(), 40);
    Bild(f, "export_progress");
    ASSERT_TRUE(u.warte_still());
    EXPECT_FALSE(f.isVisible());
    EXPECT_FALSE(w.isVisible());
    QFile datei(dir.filePath("run.QVD"));
    ASSERT_TRUE(datei.open(QIODevice::ReadOnly));
    const QVD::Dateikopf kopf = QVD::lies_Dateikopf(datei.readAll());
    EXPECT_EQ(kopf.Beschreibung, (QStringList{"first", "second"}));
    EXPECT_EQ(kopf.Passwortnummer, 6);
    EXPECT_EQ(kopf.alte_Passwortnummern, "5");
    EXPECT_EQ(u.k.meldungen.texte, QStringList());

    // A refused password: nothing starts, and the button may be pressed again.
    w.zeige();
    w.Edit_PW_2->setText("TWELVE_CHARS");
    u.sim.leere_Protokoll();
    u.k.meldungen.setze_Antwort(true);
    QTest::mouseClick(w.ColorButton_speichern, Qt::LeftButton);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(w.ColorButton_speichern->isEnabled());
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(1297)});
    ASSERT_TRUE(u.warte_still());
    EXPECT_TRUE(u.Befehlsfolge().empty());
}

TEST(Exportfenster, TheProgressWindowAbortsAndIsLaidOutAsBuilt) {
    Anfragenumgebung u;
    for (int i = 0; i < 40; ++i)
        u.bereich.Exportdaten.emplace_back(i, i);
    QTemporaryDir dir;
    TForm_Export w(*u.k.kontext);
    w.zeige();
    w.Edit_Exportdatei->setText(dir.filePath("a.QVD"));
    w.ColorButton_speichernClick();
    TForm_Export_Fortschritt& f = w.Fortschritt();
    EXPECT_EQ(f.windowTitle(), hole_Text(584));
    EXPECT_EQ(f.Label_Kopf->text(), hole_Text(583));
    EXPECT_EQ(f.ColorButton_abbrechen->text(), hole_Text(71));
    EXPECT_EQ(f.height(), 110);
    EXPECT_EQ(f.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(f.Label_Kopf->pos(), QPoint(10, 10));
    EXPECT_EQ(f.Label_Kopf->font().pointSize(), 12);
    EXPECT_EQ(f.Label_Datei->x(), f.Label_Kopf->geometry().right() + 1 + 5);
    EXPECT_EQ(f.ProgressBar->geometry(), QRect(10, 35, f.width() - 20, f.ProgressBar->height()));
    EXPECT_EQ(f.ColorButton_abbrechen->width(), 150);
    EXPECT_EQ(f.ColorButton_abbrechen->y(), 60);
    EXPECT_EQ(f.ColorButton_abbrechen->x(), (f.width() - 150) / 2);
    f.resize(700, 110);
    EXPECT_EQ(f.ProgressBar->width(), 680);
    EXPECT_EQ(f.ColorButton_abbrechen->x(), (700 - 150) / 2);
    ASSERT_TRUE(u.warte([&] { return f.ProgressBar->value() >= 16; }));
    QTest::mouseClick(f.ColorButton_abbrechen, Qt::LeftButton);
    EXPECT_FALSE(f.isVisible());
    ASSERT_TRUE(u.warte_still());
    EXPECT_FALSE(QFile::exists(dir.filePath("a.QVD")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
}
