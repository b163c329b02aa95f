#include "windows/Datenfenster.h"
#include "windows/UCSV_speichern.h"
#include "windows/UColorButton.h"

#include <QLocalServer>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

struct CSV : Datenfenster {
    TForm_CSV_speichern& dialog = *k.kontext->fenster<TForm_CSV_speichern>();
    QString gewaehlt;        // what the save dialog answers
    QStringList vorschlaege; // what it was offered
    QStringList geschrieben; // file names the writer got
    QList<QStringList> kommentare;

    CSV() {
        dialog.Dateiwahl = [this](const QString& vorschlag) {
            vorschlaege << vorschlag;
            return gewaehlt;
        };
    }
    // Opens the dialog with the comment lines, changes them if asked, and saves.
    void speichere(const QString& vorgabe, const QStringList& kommentar,
                   std::function<void()> vorher = {}) {
        sobald_sichtbar(dialog, [this, vorher] {
            if (vorher)
                vorher();
            dialog.ColorButton_speichern->click();
        });
        dialog.ausfuehren(vorgabe, kommentar, [this](const QString& datei, const QStringList& z) {
            geschrieben << datei;
            kommentare << z;
        });
        EXPECT_FALSE(dialog.isVisible());
    }
};

} // namespace

TEST(CSV_speichern, ANewFileGetsTheEditedCommentLines) {
    CSV c;
    c.gewaehlt = c.k.ordner.datei("neu.csv");
    const QStringList kommentar{"; map 5", "; rpm x load"};
    c.speichere("/irgendwo/KF5.csv", kommentar, [&] {
        EXPECT_EQ(c.dialog.Memo->toPlainText(), "; map 5\n; rpm x load");
        c.dialog.Memo->appendPlainText("; mine");
    });
    EXPECT_EQ(c.vorschlaege, QStringList{"KF5.csv"});
    EXPECT_EQ(c.geschrieben, QStringList{c.gewaehlt});
    EXPECT_EQ(c.kommentare, (QList<QStringList>{{"; map 5", "; rpm x load", "; mine"}}));
    EXPECT_TRUE(c.k.meldungen.fragen.isEmpty());
}

TEST(CSV_speichern, CancellingTheFileChoiceWritesNothing) {
    for (const char* vorgabe : {"KF5.csv", ""}) {
        CSV c;
        c.gewaehlt.clear();
        c.speichere(QString::fromLatin1(vorgabe), {"x"});
        EXPECT_TRUE(c.geschrieben.isEmpty()) << vorgabe;
    }
    CSV c;
    sobald_sichtbar(c.dialog, [&] { c.dialog.ColorButton_abbrechen->click(); });
    c.dialog.ausfuehren("a.csv", {},
                        [&](const QString& d, const QStringList&) { c.geschrieben << d; });
    EXPECT_TRUE(c.geschrieben.isEmpty());
    EXPECT_TRUE(c.vorschlaege.isEmpty());
}

TEST(CSV_speichern, AnExistingFileIsOverwrittenOnlyAfterYes) {
    for (const bool ja : {false, true}) {
        CSV c;
        c.k.ordner.schreibe_roh("alt.csv", "alt");
        c.k.meldungen.setze_Antwort(ja);
        // The name as chosen in another letter case still finds the file.
        c.gewaehlt = c.k.ordner.datei("ALT.CSV");
        c.speichere("alt.csv", {});
        EXPECT_EQ(c.k.meldungen.fragen, QStringList{hole_Text(323)});
        EXPECT_EQ(c.geschrieben, ja ? QStringList{c.k.ordner.datei("alt.csv")} : QStringList());
    }
}

TEST(CSV_speichern, AnExistingFileThatCannotBeOpenedIsStillAskedAbout) {
    CSV c;
    // A socket exists in the folder but no open() reaches it.
    QLocalServer server;
    server.setSocketOptions(QLocalServer::UserAccessOption);
    ASSERT_TRUE(server.listen(c.k.ordner.datei("sock.csv")));
    ASSERT_LT(::open(QFile::encodeName(c.k.ordner.datei("sock.csv")).constData(), O_RDONLY), 0);
    c.k.meldungen.setze_Antwort(false);
    c.gewaehlt = c.k.ordner.datei("sock.csv");
    c.speichere("x.csv", {});
    EXPECT_EQ(c.k.meldungen.fragen, QStringList{hole_Text(323)});
    EXPECT_TRUE(c.geschrieben.isEmpty());
}

TEST(CSV_speichern, AFileAnotherProgramHoldsIsLeftAlone) {
    CSV c;
    c.k.ordner.schreibe_roh("offen.csv", "alt");
    const int fd = ::open(QFile::encodeName(c.k.ordner.datei("offen.csv")).constData(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    c.gewaehlt = c.k.ordner.datei("offen.csv");
    c.speichere("offen.csv", {});
    ::close(fd);
    EXPECT_EQ(c.k.meldungen.texte, QStringList{hole_Text(1236)});
    EXPECT_TRUE(c.k.meldungen.fragen.isEmpty());
    EXPECT_TRUE(c.geschrieben.isEmpty());
}
