#include "base/Dateiversion.h"
#include "support/Fixtures.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

// A data folder with versions of engine "M" as files whose content names their old number.
struct Versionen {
    Programmordner ordner;
    cl_Dateiversion dienst{ordner.datei(QStringLiteral("DATA"))};

    Versionen() {
        QDir().mkpath(ordner.datei(QStringLiteral("DATA")));
        dienst.setze_Name(QStringLiteral("M"));
        dienst.Suffix = QStringLiteral("P");
    }
    void lege_an(const QString& name) const {
        ordner.schreibe_roh(QStringLiteral("DATA/") + name, name.toLatin1());
    }
    void lege_an(std::initializer_list<int> nummern) const {
        for (const int n : nummern)
            lege_an(QStringLiteral("M.%1P").arg(n, 2, 10, QLatin1Char('0')));
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

TEST(Dateiversion, GapsAreNotReusedAndRenumberingKeepsOrderAndFileTimes) {
    Versionen v;
    v.lege_an({3, 7});
    const QDateTime alt = QDateTime(QDate(2020, 5, 17), QTime(13, 14, 15));
    {
        QFile f(v.ordner.datei("DATA/M.03P"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(alt, QFileDevice::FileModificationTime));
    }
    EXPECT_EQ(v.dienst.naechste_freie_Version(), 8);
    EXPECT_EQ(v.dienst.hoechste_Version(), 7);
    EXPECT_EQ(v.dienst.Listenzeilen().first(), "01");
    EXPECT_TRUE(v.dienst.Listenzeilen().contains("03     17.05.2020     13:14:15"));
    EXPECT_EQ(v.dienst.Listenzeilen().size(), 99);

    v.dienst.Versionen_neu_nummerieren();
    EXPECT_EQ(v.Dateien(), (QStringList{"M.01P", "M.02P"}));
    EXPECT_EQ(v.Inhalt("M.01P"), "M.03P");
    EXPECT_EQ(v.Inhalt("M.02P"), "M.07P");
    EXPECT_EQ(QFileInfo(v.ordner.datei("DATA/M.01P")).lastModified(), alt);
}

TEST(Dateiversion, RenumberingWith00MovesEveryFileUpWithoutOverwritingOne) {
    Versionen v;
    v.lege_an({0, 1, 2, 5});
    EXPECT_EQ(v.dienst.hoechste_Version(), 5); // 00 is never reported
    v.dienst.Versionen_neu_nummerieren();
    EXPECT_EQ(v.Dateien(), (QStringList{"M.01P", "M.02P", "M.03P", "M.04P"}));
    EXPECT_EQ(v.Inhalt("M.01P"), "M.00P");
    EXPECT_EQ(v.Inhalt("M.02P"), "M.01P");
    EXPECT_EQ(v.Inhalt("M.03P"), "M.02P");
    EXPECT_EQ(v.Inhalt("M.04P"), "M.05P");
}

TEST(Dateiversion, AFileInTheWayStaysAndSoDoesTheFileThatWouldReplaceIt) {
    Versionen v;
    v.lege_an({0, 1});
    // The old 01 cannot move (a folder holds its temporary name): 00 must not replace it.
    QDir().mkpath(v.ordner.datei("DATA/.~M.01P.renumber"));
    v.dienst.Versionen_neu_nummerieren();
    EXPECT_EQ(v.Dateien(), (QStringList{"M.00P", "M.01P"}));
    EXPECT_EQ(v.Inhalt("M.00P"), "M.00P");
    EXPECT_EQ(v.Inhalt("M.01P"), "M.01P");
}

TEST(Dateiversion, WithAll99TakenNoNumberIsLeftAndNothingIsRenamed) {
    for (const bool mit00 : {false, true}) {
        SCOPED_TRACE(mit00 ? "with 00" : "01 ... 99");
        Versionen v;
        for (int n = mit00 ? 0 : 1; n <= 99; ++n)
            v.lege_an(QStringLiteral("M.%1P").arg(n, 2, 10, QLatin1Char('0')));
        const QStringList vorher = v.Dateien();
        EXPECT_EQ(v.dienst.naechste_freie_Version(), -1);
        EXPECT_EQ(v.Dateien(), vorher);
        EXPECT_EQ(v.Inhalt("M.42P"), "M.42P");
    }
}

TEST(Dateiversion, At99TheVersionsAreRenumberedFirst) {
    Versionen v;
    v.lege_an({10, 99});
    EXPECT_EQ(v.dienst.naechste_freie_Version(), 3);
    EXPECT_EQ(v.Dateien(), (QStringList{"M.01P", "M.02P"}));
    EXPECT_EQ(v.Inhalt("M.02P"), "M.99P");
}

TEST(Dateiversion, OnlyTwoDigitsOfTheRightEngineAndKindCount) {
    Versionen v;
    // Other kind, other engine, engine with a point, no digits, three digits; letter case
    // does not matter.
    for (const char* n : {"M.04Z", "MX.05P", "M.X.06P", "M.AB.P", "M.1AP", "M.123P", "m.08p"})
        v.lege_an(QString::fromLatin1(n));
    EXPECT_EQ(v.dienst.hoechste_Version(), 8);
    EXPECT_EQ(v.dienst.Dateiname(8), v.ordner.datei("DATA/m.08p"));

    v.dienst.Suffix = "ZC";
    v.lege_an("M.09Z");
    v.lege_an("M.02ZC");
    EXPECT_EQ(v.dienst.hoechste_Version(), 2);

    // A new version's name lies in the folder as spelled on disk.
    QDir(v.ordner.pfad()).rename("DATA", "data");
    EXPECT_EQ(v.dienst.Dateiname(9), v.ordner.datei("data/M.09ZC"));

    v.dienst.setze_Name("M.X");
    v.dienst.Suffix = "P";
    EXPECT_EQ(v.dienst.hoechste_Version(), -1);
}

TEST(Dateiversion, WithoutEngineNameThereIsNoVersion) {
    Versionen v;
    v.lege_an(".01P");
    v.dienst.setze_Name(QString());
    EXPECT_EQ(v.dienst.hoechste_Version(), -1);
    EXPECT_EQ(v.dienst.naechste_freie_Version(), -1);
    EXPECT_EQ(v.dienst.zeige_Dialog(), -1);
}

TEST(Dateiversion, DeletingErasesOnlyExistingVersions) {
    Versionen v;
    v.lege_an({1, 4});
    v.lege_an("M.04Z");
    v.dienst.suche_Versionen();
    v.dienst.Versionen_loeschen({4, 5, 120});
    EXPECT_EQ(v.Dateien(), (QStringList{"M.01P", "M.04Z"}));
}
