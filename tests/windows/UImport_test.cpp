// The import window: what it shows of a file, when it reads the file, its file name kept in
// the settings, and a run through the window with its progress window.

#include "model/Anfragenumgebung.h"
#include "platform/Registry.h"
#include "windows/UColorButton.h"
#include "windows/service/UFortschritt.h"
#include "windows/service/UImport.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using QVD::Paar;

// A file as an export of this ECU leaves it: description, header, data.
QByteArray Exportdatei(const QStringList& beschreibung, std::vector<Paar> kopf, int daten) {
    std::vector<Paar> p = QVD::Beschreibung(beschreibung);
    p.push_back({64, 1});
    p.insert(p.end(), kopf.begin(), kopf.end());
    for (uint16_t t = 90; p.size() < QVD::Beschreibung(beschreibung).size() + 20; ++t)
        p.push_back({t, 0});
    for (int i = 0; i < daten; ++i)
        p.push_back({static_cast<uint16_t>(3000 + i), static_cast<uint16_t>(i)});
    return QVD::Bytes(p);
}

// With QUORVEL_BILDER naming a folder, the window's picture is saved there.
void Bild(QWidget& w, const char* name) {
    if (const QString bilder = qEnvironmentVariable("QUORVEL_BILDER"); !bilder.isEmpty()) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(200);
        w.grab().save(bilder + '/' + QLatin1String(name) + ".png");
    }
}

void schreibe(const QString& pfad, const QByteArray& b) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b);
}

} // namespace

TEST(Importfenster, ShowingItReadsTheFileAndEveryLabelShowsItsValue) {
    LinkKontext k;
    QTemporaryDir dir;
    const QString datei = dir.filePath("engine.QVD");
    schreibe(datei, Exportdatei({"Engine 3", QStringLiteral("tuned für E85"), ""},
                                {{65, 40},
                                 {66, 1203},
                                 {67, 4},
                                 {68, 0x020A},
                                 {69, 17},
                                 {70, 3},
                                 {71, 0},
                                 {72, 7},
                                 {82, 1},
                                 {83, 2},
                                 {84, 400}},
                                40));
    {
        Registry r(k.ordner.registry());
        ASSERT_TRUE(r.writeString("Datei_Import", datei));
    }
    TForm_Import w(*k.kontext);
    EXPECT_EQ(w.Edit_Importdatei->text(), datei);
    w.CheckBox->setChecked(false);
    w.show();
    const std::pair<QLabel*, QString> zeilen[] = {
        {w.Label_Version, "V12.03 R4"}, {w.Label_Quorvel_Typ, "1"},
        {w.Label_Hersteller, "2"},      {w.Label_Typnummer, "400"},
        {w.Label_Datenversion, "2.10"}, {w.Label_Passwortnummer, "17"},
        {w.Label_alte_PW_Nr, "3, 7"},
    };
    for (const auto& [label, text] : zeilen) {
        EXPECT_EQ(label->text(), text) << label->objectName().toStdString();
        EXPECT_TRUE(label->isVisible());
    }
    EXPECT_EQ(w.Memo->toPlainText(), QStringLiteral("Engine 3\ntuned für E85\n"));
    EXPECT_TRUE(w.Memo->isReadOnly());
    EXPECT_TRUE(w.CheckBox->isChecked());
    EXPECT_TRUE(k.meldungen.texte.isEmpty());
    Bild(w, "import");
    // Texts as the window was made.
    EXPECT_EQ(w.windowTitle(), hole_Text(615));
    EXPECT_EQ(w.GroupBox_Version->title(), hole_Text(51));
    EXPECT_EQ(w.Label_Kopf_Importdatei->text(), hole_Text(621));
    EXPECT_EQ(w.Label_Beschreibung->text(), hole_Text(588));
    EXPECT_EQ(w.CheckBox->text(), hole_Text(622));
    EXPECT_EQ(w.ColorButton_nach_Quorvel->text(), hole_Text(74));
    EXPECT_EQ(w.ColorButton_abbrechen->text(), hole_Text(71));
    EXPECT_EQ(w.ColorButton_durchsuchen->text(), hole_Text(623));
}

TEST(Importfenster, EnterAndTheOpenDialogReadTheFileAgain) {
    LinkKontext k;
    QTemporaryDir dir;
    schreibe(dir.filePath("a.QVD"), Exportdatei({"A"}, {{66, 615}, {67, 3}}, 0));
    schreibe(dir.filePath("b.QVD"), Exportdatei({"B"}, {{66, 5}, {67, 1}}, 0));
    TForm_Import w(*k.kontext);
    w.show();
    EXPECT_TRUE(k.meldungen.texte.isEmpty()); // no file named yet
    w.Edit_Importdatei->setText(dir.filePath("a.QVD"));
    QTest::keyClick(w.Edit_Importdatei, Qt::Key_Return);
    EXPECT_EQ(w.Label_Version->text(), "V6.15 R3");
    EXPECT_EQ(w.Memo->toPlainText(), "A");
    w.Dateiwahl = [&](const QString&) { return dir.filePath("b.QVD"); };
    w.ColorButton_durchsuchenClick();
    EXPECT_EQ(w.Edit_Importdatei->text(), dir.filePath("b.QVD"));
    EXPECT_EQ(w.Label_Version->text(), "V.5 R1");
    EXPECT_EQ(w.Memo->toPlainText(), "B");
    // A file that is gone says so, and the window shows nothing of it.
    w.Edit_Importdatei->setText(dir.filePath("gone.QVD"));
    QTest::keyClick(w.Edit_Importdatei, Qt::Key_Return);
    EXPECT_EQ(k.meldungen.texte, QStringList{hole_Text(611)});
    EXPECT_EQ(w.Memo->toPlainText(), "");
    EXPECT_EQ(w.Label_alte_PW_Nr->text(), "");
}

TEST(Importfenster, TheFileNameIsKeptWhenTheWindowClosesNotWhenItHides) {
    LinkKontext k;
    TForm_Import w(*k.kontext);
    w.show();
    w.Edit_Importdatei->setText("/x/y.QVD");
    w.ColorButton_abbrechenClick();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Registry(k.ordner.registry()).readString("Datei_Import"), std::nullopt);
    w.show();
    w.close();
    EXPECT_EQ(Registry(k.ordner.registry()).readString("Datei_Import"), "/x/y.QVD");
}

TEST(Importfenster, ARunThroughTheWindowShowsItsProgressAndTheVerdict) {
    Anfragenumgebung u;
    QTemporaryDir dir;
    const QString datei = dir.filePath("run.QVD");
    const QByteArray inhalt = Exportdatei({"x"}, {{65, 44}}, 44);
    schreibe(datei, inhalt);
    TForm_Import w(*u.k.kontext);
    w.Edit_Importdatei->setText(datei);
    w.show();
    QTest::mouseClick(w.ColorButton_nach_Quorvel, Qt::LeftButton);
    TForm_Import_Fortschritt& f = w.Fortschritt();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.Label_Datei->text(), datei);
    EXPECT_EQ(f.ProgressBar->maximum(), inhalt.size() / 2);
    EXPECT_EQ(f.windowTitle(), hole_Text(615));
    EXPECT_EQ(f.Label_Kopf->text(), hole_Text(616));
    EXPECT_EQ(f.height(), 100);
    ASSERT_TRUE(u.warte([&] { return f.ProgressBar->value() >= 64; }));
    Bild(f, "import_progress");
    ASSERT_TRUE(u.warte_still());
    EXPECT_FALSE(f.isVisible());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(u.bereich.Importtelegramme.size(), 5u);
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(618)});

    // Aborted from the progress window: the window stays hidden, nothing is said.
    u.k.meldungen.texte.clear();
    u.bereich.Importtelegramme.clear();
    w.show();
    w.ColorButton_nach_QuorvelClick();
    ASSERT_TRUE(u.warte([&] { return !u.bereich.Importtelegramme.empty(); }));
    QTest::mouseClick(f.ColorButton_abbrechen, Qt::LeftButton);
    EXPECT_FALSE(f.isVisible());
    ASSERT_TRUE(u.warte_still());
    EXPECT_LE(u.bereich.Importtelegramme.size(), 2u);
    EXPECT_TRUE(u.k.meldungen.texte.isEmpty());
}
