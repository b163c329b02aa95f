#include "base/Motordaten.h"
#include "base/Uglobal.h"
#include "support/Fixtures.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

// A data folder of its own, with the texts the data sets tell the user.
struct Datenordner {
    Programmordner ordner;
    Globaldaten daten;
    Motordaten motoren{ordner.datei(QStringLiteral("DATA"))};

    Datenordner() {
        daten.texte.Zeilen = QStringList(110);
        daten.texte.Zeilen[106] = QStringLiteral("bad name");
        daten.texte.Zeilen[107] = QStringLiteral("name exists");
        installiere_Globaldaten(&daten);
        QDir().mkpath(ordner.datei(QStringLiteral("DATA")));
    }
    ~Datenordner() { installiere_Globaldaten(nullptr); }

    void lege_an(const QStringList& namen, const QByteArray& inhalt = "x") {
        for (const QString& n : namen)
            ordner.schreibe_roh(QStringLiteral("DATA/") + n, inhalt + n.toLatin1());
    }
    QStringList Dateien() const {
        return QDir(ordner.datei(QStringLiteral("DATA"))).entryList(QDir::Files, QDir::Name);
    }
    QByteArray Inhalt(const QString& name) const {
        QFile f(ordner.datei(QStringLiteral("DATA/") + name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

TEST(Motordaten, TheListShowsSetsWithADescriptionAndNoNameWithAPoint) {
    Datenordner d;
    d.lege_an({"M1.DAT", "M1.01P", "m0.dat", "X.01P", "A.B.DAT", ".DAT", "Z.DAT.BAK"});
    QDir().mkpath(d.ordner.datei("DATA/ORDNER.DAT"));
    EXPECT_EQ(d.motoren.Liste(), (QStringList{"m0", "M1"}));
    EXPECT_EQ(d.motoren.Dateien_des_Satzes("m1"), (QStringList{"M1.01P", "M1.DAT"}));
}

TEST(Motordaten, NamesThatLeaveTheFolderOrHoldAPointAreRefused) {
    for (const char* name : {"..", "../x", "a/b", "a\\b", "A.B", "a:b", "a*", "a?", "a\"b", "a<b",
                             "a>b", "a|b", "a\tb", "", "CON", "nul", "Com1", "LPT9"})
        EXPECT_FALSE(Motordaten::gueltiger_Name(QString::fromLatin1(name))) << name;
    for (const char* name : {"M1", "Motor 2", "V8-Turbo_3", "Über", "CONSOLE", "COM10", "LPT0"})
        EXPECT_TRUE(Motordaten::gueltiger_Name(QString::fromUtf8(name))) << name;

    Datenordner d;
    d.lege_an({"M1.DAT"});
    EXPECT_EQ(d.motoren.neu("../aussen"), "bad name");
    EXPECT_EQ(d.motoren.umbenennen("M1", "sub/M2").Meldung, "bad name");
    EXPECT_TRUE(d.motoren.umbenennen("M1", "sub/M2").abgelehnt);
    EXPECT_EQ(d.Dateien(), QStringList{"M1.DAT"});
    EXPECT_FALSE(QFile::exists(d.ordner.datei("aussen.DAT")));
}

TEST(Motordaten, RenameMovesOnlyTheSetsOwnFiles) {
    Datenordner d;
    d.lege_an({"M1.DAT", "M1.01P", "M1.02Z", "M1.B.DAT", "M1.B.03P", "M10.DAT"});
    const Motordaten::Umbenennung r = d.motoren.umbenennen("M1", "M2");
    EXPECT_FALSE(r.abgelehnt);
    EXPECT_EQ(r.Meldung, QString());
    EXPECT_EQ(d.Dateien(),
              (QStringList{"M1.B.03P", "M1.B.DAT", "M10.DAT", "M2.01P", "M2.02Z", "M2.DAT"}));
    EXPECT_EQ(d.Inhalt("M2.01P"), "xM1.01P");
}

TEST(Motordaten, RenameOntoExistingFilesTouchesNothing) {
    Datenordner d;
    // A set of the new name with only a numbered file: no description, so not listed.
    d.lege_an({"M1.DAT", "M1.01P", "M1.02P", "m2.02p"});
    const Motordaten::Umbenennung r = d.motoren.umbenennen("M1", "M2");
    EXPECT_TRUE(r.abgelehnt);
    EXPECT_EQ(r.Meldung, "name exists");
    EXPECT_EQ(d.Dateien(), (QStringList{"M1.01P", "M1.02P", "M1.DAT", "m2.02p"}));
    EXPECT_EQ(d.Inhalt("m2.02p"), "xm2.02p");
    // The same set under another letter case is the same name.
    EXPECT_TRUE(d.motoren.umbenennen("M1", "m1").abgelehnt);
}

TEST(Motordaten, DeleteErasesTheSetAndNothingElse) {
    Datenordner d;
    d.lege_an({"A.DAT", "a.03p", "A.B.DAT", "AB.DAT", "A.B.01P"});
    EXPECT_EQ(d.motoren.loeschen("A"), QString());
    EXPECT_EQ(d.Dateien(), (QStringList{"A.B.01P", "A.B.DAT", "AB.DAT"}));
}

TEST(Motordaten, NewKeepsAnExistingDescriptionAndCreatesTheFolder) {
    Datenordner d;
    QDir(d.ordner.datei("DATA")).removeRecursively();
    EXPECT_EQ(d.motoren.neu("M1"), QString());
    EXPECT_EQ(d.Dateien(), QStringList{"M1.DAT"});
    EXPECT_EQ(d.Inhalt("M1.DAT"), QByteArray());

    d.ordner.schreibe("DATA/M1.DAT", {"Zeile 1", "Zeile 2"});
    EXPECT_EQ(d.motoren.neu("m1"), QString());
    EXPECT_EQ(d.Dateien(), QStringList{"M1.DAT"});
    EXPECT_EQ(d.motoren.lies_Beschreibung("m1"), (QStringList{"Zeile 1", "Zeile 2"}));

    EXPECT_EQ(d.motoren.schreibe_Beschreibung("M1", {"neu", QString(QChar(0xe4))}), QString());
    EXPECT_EQ(d.Inhalt("M1.DAT"), QByteArray("neu\r\n\xe4\r\n"));
}

TEST(Motordaten, AFolderSpelledInAnotherCaseIsTheDataFolder) {
    Datenordner d;
    QDir(d.ordner.datei("DATA")).removeRecursively();
    QDir().mkpath(d.ordner.datei("Data"));
    EXPECT_EQ(d.motoren.neu("M1"), QString());
    EXPECT_EQ(d.motoren.schreibe_Beschreibung("M1", {"x"}), QString());
    EXPECT_EQ(QDir(d.ordner.datei("Data")).entryList(QDir::Files), QStringList{"M1.DAT"});
    EXPECT_FALSE(QDir(d.ordner.datei("DATA")).exists());
    EXPECT_EQ(d.motoren.Liste(), QStringList{"M1"});
}
