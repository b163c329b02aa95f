#include "base/Dateiversion.h"
#include "ecusim/Identitaet.h"
#include "link/LinkFixture.h"
#include "model/Drucker.h"
#include "model/Parameterdatei.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "support/Pdfauswahl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

QByteArray Worte(std::initializer_list<int> worte) {
    QByteArray d;
    for (int w : worte) {
        d.append(static_cast<char>(w & 0xFF));
        d.append(static_cast<char>((w >> 8) & 0xFF));
    }
    return d;
}

// The program without windows, with one definition of each type in the first group and
// the identity of the simulated ECU.
class Dateiumgebung {
public:
    Dateiumgebung() {
        schreibe({".ALLE,Alle,", "-10,ALLE,0,0,0", "-11,ALLE,1,0,2", "-12,ALLE,2,0,4",
                  "-13,ALLE,3,0,5", "-14,ALLE,4,0,6", "-15,ALLE,5,0,8", "-16,ALLE,6,0,10",
                  "-17,ALLE,7,0,12", "-18,ALLE,8,0,14", "-19,ALLE,9,0,18", "-20,ALLE,4,0,22",
                  "#0,100"});
    }
    void schreibe(const QStringList& zeilen) {
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
    cl_Parameter& p() { return k.kontext->parameter(); }
    static int Breite(int typ) {
        return typ == 2 || typ == 3 || typ == 6 ? 1 : (typ == 8 || typ == 9 ? 4 : 2);
    }
    // Raw bytes into an image, past every limit.
    void setze(std::array<uint8_t, cl_Parameter::Bildgroesse>& bild, int nummer, int64_t roh) {
        p().suche_Parameter(nummer);
        const auto* d = p().Cursor();
        for (int i = 0; i < Breite(d->Typ); ++i)
            bild[static_cast<size_t>(d->Offset + i)] =
                static_cast<uint8_t>((static_cast<uint64_t>(roh) >> (8 * i)) & 0xFF);
    }
    QString pfad(const QString& name) const { return tmp.filePath(name); }

    LinkKontext k;
    QTemporaryDir tmp;
};

} // namespace

TEST(Parameterdatei, TheWriterPutsTheHeaderThenPairsAndSplitsThirtyTwoBitValues) {
    Parameterdatei::Kopf kopf;
    // An identity text that fills its field goes without terminator.
    for (size_t i = 0; i < 41; ++i)
        kopf.Kennung[i] = 'A' + i % 26;
    const char datum[] = "01.02.2026";
    std::copy_n(datum, sizeof datum, kopf.Kennung.begin() + 41);
    const char name[] = "T-SIM";
    std::copy_n(name, sizeof name, kopf.Kennung.begin() + 52);
    kopf.Version = 615;
    kopf.Revision = 3;
    const QByteArray d = Parameterdatei::schreibe(kopf, {{10, 4, 300}, {20, 8, 70000}});
    QByteArray erwartet = Worte({1000});
    for (size_t i = 0; i < 41; ++i)
        erwartet.append(static_cast<char>('A' + i % 26));
    erwartet += Worte({1001}) + QByteArray("01.02.2026", 11) + Worte({1002}) +
                QByteArray("T-SIM", 6) + Worte({1003, 615, 1004, 3});
    erwartet += Worte({10, 300, 20, 4464, 20, 1});
    EXPECT_EQ(d.toHex(), erwartet.toHex());
}

TEST(Parameterdatei, TheReaderTakesTagsInAnyOrderCutsTextsAndSkipsUnknownNumbers) {
    struct Fall {
        const char* name;
        QByteArray daten;
        bool ok;
        std::map<int, int64_t> werte;
        QByteArray name_text; // bytes 52.. up to the 0
        uint16_t version;
    };
    const QByteArray lang = QByteArray(45, 'K') + QByteArray(1, 0);
    const std::map<int, int> typen{{5, 0}, {6, 4}, {8, 8}, {9, 9}};
    const Fall faelle[] = {
        {"tags out of order, blank tags",
         Worte({1004, 7, 1007, 1003, 615, 1002}) + QByteArray("ABC", 4) + Worte({5, 65535}),
         true,
         {{5, 65535}},
         "ABC",
         615},
        {"no header at all", Worte({6, 40000}), true, {{6, 40000}}, "", 0},
        {"an unknown number skips its value",
         Worte({1003, 100, 77, 1, 6, 2}),
         true,
         {{6, 2}},
         "",
         100},
        {"32 bits from two halves, signed",
         Worte({8, 0xFFFE, 8, 0xFFFF, 9, 0xFFFF, 9, 0xFFFF}),
         true,
         {{8, -2}, {9, 4294967295}},
         "",
         0},
        {"a lone low half, the next number read on",
         Worte({8, 4464, 6, 3}),
         true,
         {{8, 4464}, {6, 3}},
         "",
         0},
        {"a lone low half at the end", Worte({9, 12}), true, {{9, 12}}, "", 0},
        {"X becomes the QORV letter from 300",
         Worte({1003, 300, 1002}) + QByteArray("T-SX1", 6),
         true,
         {},
         "T-SV1",
         300},
        {"X stays below 300",
         Worte({1003, 299, 1002}) + QByteArray("T-SX1", 6),
         true,
         {},
         "T-SX1",
         299},
        {"a long name is cut and its rest passed over",
         Worte({1002}) + QByteArray("ABCDEFGHIJK", 12) + Worte({6, 9}),
         true,
         {{6, 9}},
         "ABCDEFGH",
         0},
        {"truncated inside a value", Worte({6, 1}) + Worte({5}), false, {{6, 1}}, "", 0},
        {"an odd byte at the end", Worte({6, 1}) + QByteArray(1, 5), false, {{6, 1}}, "", 0},
        {"truncated inside a text", Worte({1000}) + QByteArray("abc"), false, {}, "", 0},
        {"truncated inside a high half", Worte({8, 1, 8}), false, {}, "", 0},
        {"a long identity text", Worte({1000}) + lang + Worte({6, 4}), true, {{6, 4}}, "", 0},
    };
    for (const Fall& f : faelle) {
        Parameterdatei::Kopf kopf;
        std::map<int, int64_t> gelesen;
        const bool ok = Parameterdatei::lies(
            f.daten, kopf,
            [&](int n) -> std::optional<int> {
                const auto it = typen.find(n);
                return it == typen.end() ? std::nullopt : std::optional<int>(it->second);
            },
            [&](int n, int64_t roh) { gelesen[n] = roh; });
        EXPECT_EQ(ok, f.ok) << f.name;
        EXPECT_EQ(gelesen, f.werte) << f.name;
        if (!f.ok)
            continue;
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(kopf.Kennung.data()) + 52), f.name_text)
            << f.name;
        EXPECT_EQ(kopf.Version, f.version) << f.name;
    }
    // The long identity text keeps 40 characters.
    Parameterdatei::Kopf kopf;
    ASSERT_TRUE(Parameterdatei::lies(
        Worte({1000}) + lang, kopf, [](int) { return std::nullopt; }, [](int, int64_t) {}));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(kopf.Kennung.data())), QByteArray(40, 'K'));
}

TEST(Parameterdatei, EveryTypeRoundTripsThroughAFileIntoBothImages) {
    Dateiumgebung u;
    cl_Parameter& p = u.p();
    ASSERT_EQ(p.Definitionen().size(), 11u);
    struct Fall {
        int nummer;
        int64_t roh;
    };
    // Beyond the default limits of -32768..32767, which only display and entry keep.
    const Fall faelle[] = {{10, -500},   {11, 1000},       {12, 200}, {13, 255},
                           {14, 40000},  {15, -3},         {16, -7},  {17, 0xFFFF},
                           {18, -70000}, {19, 4294967295}, {20, 60}};
    for (const Fall& f : faelle)
        u.setze(p.Bild_neu, f.nummer, f.roh);
    ASSERT_TRUE(p.speichere_Datei_nach(u.pfad("E.01P")));
    EXPECT_EQ(p.ECU_Bild, p.Bild_neu) << "a save makes the edited values the ECU's";
    // Other values in both images, then the file back.
    for (const Fall& f : faelle) {
        u.setze(p.Bild_neu, f.nummer, 1);
        u.setze(p.ECU_Bild, f.nummer, 2);
    }
    ASSERT_TRUE(p.lade_Datei_aus(u.pfad("E.01P")));
    EXPECT_TRUE(p.aus_Datei_geladen);
    for (const Fall& f : faelle) {
        p.suche_Parameter(f.nummer);
        EXPECT_EQ(p.hole_Rohwert_ECU(), f.roh) << f.nummer;
        EXPECT_EQ(p.hole_Rohwert_neu(), f.roh) << f.nummer;
    }
    // A definition's own limits still clamp what a file brings.
    QFile datei(u.pfad("E.02P"));
    ASSERT_TRUE(datei.open(QIODevice::WriteOnly));
    datei.write(Worte({20, 500, 14, 65535}));
    datei.close();
    ASSERT_TRUE(p.lade_Datei_aus(u.pfad("E.02P")));
    EXPECT_EQ(p.Wert(20), 100);
    EXPECT_EQ(p.Wert(14), 65535);
    EXPECT_EQ(p.Wert(10), -500) << "a number missing from the file keeps its value";
}

TEST(Parameterdatei, AFailedLoadLeavesBothImagesAndTheIdentityAsTheyWere) {
    Dateiumgebung u;
    cl_Parameter& p = u.p();
    u.setze(p.ECU_Bild, 14, 7);
    u.setze(p.Bild_neu, 14, 7);
    // An edit not yet sent must still count as one afterwards.
    u.setze(p.Bild_neu, 15, 9);
    const auto ecu = p.ECU_Bild;
    const auto neu = p.Bild_neu;
    const auto identitaet = u.k.version().Antwortbereich;
    QFile datei(u.pfad("E.01P"));
    ASSERT_TRUE(datei.open(QIODevice::WriteOnly));
    datei.write(Worte({1003, 999, 1002}) + QByteArray("OTHER", 6) + Worte({14, 1, 15}));
    datei.close();
    for (const QString& name : {QStringLiteral("E.01P"), QStringLiteral("missing.07P")}) {
        u.k.meldungen.texte.clear();
        EXPECT_FALSE(p.lade_Datei_aus(u.pfad(name))) << name.toStdString();
        EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(542)});
        EXPECT_EQ(p.ECU_Bild, ecu) << name.toStdString();
        EXPECT_EQ(p.Bild_neu, neu) << name.toStdString();
        EXPECT_EQ(u.k.version().Antwortbereich, identitaet) << name.toStdString();
        EXPECT_FALSE(p.aus_Datei_geladen);
    }
}

TEST(Parameterdatei, AFailedSaveIsReportedAndKeepsTheOldFileAndTheEcuImage) {
    Dateiumgebung u;
    cl_Parameter& p = u.p();
    ASSERT_TRUE(p.speichere_Datei_nach(u.pfad("E.01P")));
    QFile alt(u.pfad("E.01P"));
    ASSERT_TRUE(alt.open(QIODevice::ReadOnly));
    const QByteArray vorher = alt.readAll();
    alt.close();
    u.setze(p.Bild_neu, 14, 1234);
    const auto ecu = p.ECU_Bild;
    // A file cannot replace a folder of its name, not even for root.
    ASSERT_TRUE(QDir().mkpath(u.pfad("E.02P")));
    EXPECT_FALSE(p.speichere_Datei_nach(u.pfad("E.02P")));
    ASSERT_EQ(u.k.meldungen.texte.size(), 1);
    EXPECT_TRUE(u.k.meldungen.texte[0].contains(u.pfad("E.02P")));
    EXPECT_EQ(p.ECU_Bild, ecu) << "the edited values are still unsaved changes";
    EXPECT_TRUE(QFileInfo(u.pfad("E.02P")).isDir());
    // Nor does a failed save into a folder that refuses writing touch the old file.
    QFile::setPermissions(u.tmp.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool ok = p.speichere_Datei_nach(u.pfad("E.01P"));
    QFile::setPermissions(u.tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (::geteuid() != 0) {
        EXPECT_FALSE(ok);
    }
    ASSERT_TRUE(alt.open(QIODevice::ReadOnly));
    if (!ok) {
        EXPECT_EQ(alt.readAll(), vorher);
    }
}

TEST(Parameterdatei, WithoutDialogTheNextFreeVersionIsSavedAndTheHighestLoaded) {
    Dateiumgebung u;
    cl_Parameter& p = u.p();
    cl_Dateiversion& v = u.k.kontext->dateiversion();
    v.setze_Name(QStringLiteral("ENGINE"));
    ASSERT_TRUE(QDir().mkpath(glob().Pfad_Daten));
    u.setze(p.Bild_neu, 14, 1);
    ASSERT_TRUE(p.speichere_Datei(false));
    u.setze(p.Bild_neu, 14, 2);
    ASSERT_TRUE(p.speichere_Datei(false));
    EXPECT_EQ(v.Beschriftung, hole_Text(11));
    EXPECT_TRUE(QFile::exists(glob().Pfad_Daten + "/ENGINE.01P"));
    EXPECT_TRUE(QFile::exists(glob().Pfad_Daten + "/ENGINE.02P"));
    u.setze(p.Bild_neu, 14, 3);
    u.setze(p.ECU_Bild, 14, 3);
    ASSERT_TRUE(p.lade_Datei(false));
    EXPECT_EQ(v.Beschriftung, QStringLiteral("Parameter"));
    EXPECT_EQ(p.Wert(14), 2);
    EXPECT_EQ(p.Wert_neu(14), 2);
}

namespace {

QString Pdftext(const QString& pdf) {
    QProcess pr;
    pr.start("pdftotext", {"-layout", pdf, "-"});
    if (!pr.waitForFinished(30000))
        return {};
    return QString::fromUtf8(pr.readAllStandardOutput());
}

} // namespace

TEST(Parameterdatei, PrintingListsGroupsUpToTheFirstWithoutAnActiveParameter) {
    Dateiumgebung u;
    u.schreibe({".G1,Erste Gruppe,", ".G2,Zweite Gruppe,", ".G3,Dritte Gruppe,",
                ".G4,Vierte Gruppe,", "-1,G1,4,0,0", "/Leerlaufdrehzahl", "-2,G1,4,0,2,0,9",
                "/Versteckt", "-3,G2,0,0,4", "/Einspritzbeginn", "-4,G3,4,0,6,0,9", "/Nie aktiv",
                "-5,G4,4,0,8", "/Nach dem Ende"});
    cl_Parameter& p = u.p();
    p.setze_Wert(1, 850);
    p.setze_Wert(3, -100);
    p.setze_Wert(5, 77);
    p.pruefe_alle_Bedingungen();
    const QString pdf = u.pfad("liste.pdf");
    Pdfauswahl auswahl(pdf);
    TPrinter_Quorvel& drucker = u.k.kontext->drucker();
    drucker.setze_Druckauswahl(&auswahl);
    int kopien = 0;
    ASSERT_TRUE(drucker.Druckdialog(kopien));
    p.drucke_Liste(true);
    EXPECT_FALSE(drucker.Dokument_offen) << "the document is finished";
    const QString text = Pdftext(pdf);
    EXPECT_TRUE(text.contains(hole_Text(11))) << text.toStdString();
    EXPECT_TRUE(text.contains("Erste Gruppe"));
    EXPECT_TRUE(text.contains("Zweite Gruppe"));
    EXPECT_TRUE(text.contains(QRegularExpression("Leerlaufdrehzahl\\s+850")));
    EXPECT_TRUE(text.contains(QRegularExpression("Einspritzbeginn\\s+-80")));
    EXPECT_FALSE(text.contains("Versteckt"));
    EXPECT_FALSE(text.contains("Dritte Gruppe"));
    EXPECT_FALSE(text.contains("Vierte Gruppe"));
    EXPECT_FALSE(text.contains("Nach dem Ende"));
    drucker.setze_Druckauswahl(nullptr);
}
