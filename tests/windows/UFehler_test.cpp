// The error-memory viewer against the simulated ECU: what the user sees of a read, the
// filter, the clear behind the password gate, and the printout.

#include "windows/service/UFehler.h"

#include "base/Uglobal.h"
#include "model/Anfragenumgebung.h"
#include "model/Drucker.h"
#include "model/UFehleranfragen.h"
#include "platform/Dateien.h"
#include "support/Pdfauswahl.h"
#include "windows/UColorButton.h"

#include <QLabel>
#include <QListWidget>
#include <QPageLayout>
#include <QPdfWriter>
#include <QProcess>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {

using B = ecusim::Fehlerspeicherbereich;

QString Programm(const QString& name, const QStringList& argumente) {
    QProcess p;
    p.start(name, argumente);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(name);
    return QString::fromUtf8(p.readAllStandardOutput());
}

class Fehlerfenster : public ::testing::Test {
protected:
    Fehlerfenster() {
        const QString name = cl_Fehler_Katalog::Dateiname(615);
        QFile::copy(QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/English/") + name,
                    Dateien::verbinde(glob().Pfad_Sprache, name));
        EXPECT_TRUE(daten().Definitionen.lade_Variablendatei(615, u.k.meldungen));
        fenster = static_cast<TForm_Fehler*>(
            &u.k.kontext->nimm_Fenster(std::make_unique<TForm_Fehler>(*u.k.kontext)));
        u.fehlerspeicher.Definitionen = {
            B::Grenze(15, 18, 0, 3, 0, 1, 1), B::Grenze(60, 55, 0, 3, 1, 2, 1),
            B::Grenze(0, 0, 0xF0F0, 5, 3 | 16, 4, 0), B::Grenze(6500, 6300, 0, 1, 1, 0, 1)};
        u.fehlerspeicher.Speicher = {B::Eintrag(1200, 3000, 14, true, 3, 1),
                                     B::Eintrag(1350, 3400, 12, false, 3, 1),
                                     B::Eintrag(36000, 95000, 0, true, 5, 1),
                                     B::Eintrag(48000, 130000, 6712, true, 1, 1),
                                     B::Eintrag(48051, 130520, 6890, false, 1, 1),
                                     B::Eintrag(50000, 140000, 0, false, 5, 1),
                                     B::Eintrag(50001, 140001, 0, true, 8, 1)};
    }
    Fehlerdaten& daten() { return u.k.kontext->fehlerdaten(); }

    std::vector<std::array<QString, 8>> Tabelle() const {
        std::vector<std::array<QString, 8>> t;
        const QTableWidget* g = fenster->StringGrid_Fehler;
        for (int r = 0; r < g->rowCount(); ++r) {
            std::array<QString, 8> z;
            for (int s = 0; s < 8; ++s)
                z[s] = g->item(r, s) ? g->item(r, s)->text() : QString();
            t.push_back(z);
        }
        return t;
    }
    QStringList Filter() const {
        QStringList l;
        for (int i = 0; i < fenster->ListBox_Auswahl->count(); ++i)
            l.append(fenster->ListBox_Auswahl->item(i)->text() +
                     (fenster->ListBox_Auswahl->item(i)->isSelected() ? "*" : ""));
        return l;
    }
    void lies() {
        fenster->Button_neu_ladenClick();
        ASSERT_TRUE(u.warte_still());
    }

    Anfragenumgebung u;
    TForm_Fehler* fenster = nullptr;
};

TEST_F(Fehlerfenster, LesenZeigtPaareUndDauern) {
    fenster->anzeigen();
    EXPECT_TRUE(fenster->isVisible());
    EXPECT_EQ(fenster->windowTitle(), hole_Text(441));
    EXPECT_TRUE(fenster->Button_neu_laden->isEnabled());
    lies();
    EXPECT_EQ(Filter(), (QStringList{"Oil pressure*", "Oil pressure switch*", "Engine speed*"}));
    const auto R = [](const QString& t, int b) { return t.rightJustified(b); };
    const auto N = [&](const char* n) { return R(QString::fromUtf8(n), 25); };
    const std::vector<std::array<QString, 8>> erwartet = {
        {"   8", N("ECU reset"), "", R("1:23:20,1", 12), "", "140001", "", ""},
        {"   7", N("Oil pressure switch"), "off 0", R("1:23:20,0", 12), "0:23:20,0", "140000",
         "45000", ""},
        {"   6", N("Engine speed"), "< 6300", R("1:20:05,1", 12), "0:00:05,1", "130520", "520",
         R("6890", 10)},
        {"   5", N("Engine speed"), ">= 6500", R("1:20:00,0", 12), "", "130000", "", ""},
        {"   4", N("Oil pressure switch"), "on 0", R("1:00:00,0", 12), "", "95000", "", ""},
        {"   3", N("Oil pressure"), "> 1.8", R("0:02:15,0", 12), "0:00:15,0", "3400", "400",
         R("1.2", 10)},
        {"   2", N("Oil pressure"), "<= 1.5", R("0:02:00,0", 12), "", "3000", "", ""},
    };
    const auto t = Tabelle();
    ASSERT_EQ(t.size(), erwartet.size());
    for (size_t r = 0; r < t.size(); ++r)
        for (size_t s = 0; s < 8; ++s)
            EXPECT_EQ(t[r][s], erwartet[r][s]) << "row " << r << " column " << s;

    // The filter: without the switch's item its rows go; the count goes on from the number
    // of records, whatever the filter hides; the reset, which no definition has, shows only
    // while the filter hides nothing.
    fenster->ListBox_Auswahl->item(1)->setSelected(false);
    EXPECT_EQ(Filter(), (QStringList{"Oil pressure*", "Oil pressure switch", "Engine speed*"}));
    std::vector<QString> nummern;
    for (const auto& z : Tabelle())
        nummern.push_back(z[0] + z[1].trimmed());
    EXPECT_EQ(nummern, (std::vector<QString>{"   8Engine speed", "   7Engine speed",
                                             "   6Oil pressure", "   5Oil pressure"}));
    fenster->ListBox_Auswahl->clearSelection();
    EXPECT_EQ(Tabelle(), (std::vector<std::array<QString, 8>>(1)));
}

TEST_F(Fehlerfenster, FreigegebeneDefinitionenUndDerFilter) {
    lies();
    // The definitions window discards the definitions at its showing; the entries stay.
    daten().Definitionen.alle_freigeben();
    fenster->ListBox_Auswahl->item(0)->setSelected(false);
    fenster->ListBox_Auswahl->item(0)->setSelected(true);
    const auto t = Tabelle();
    ASSERT_EQ(t.size(), 7u);
    EXPECT_EQ(t[1][1].trimmed(), QStringLiteral("Oil pressure switch"));
    EXPECT_EQ(t[1][2], QString());
    EXPECT_EQ(t[1][4], QString());
    EXPECT_EQ(t[1][5], QStringLiteral("140000"));
}

TEST_F(Fehlerfenster, LoeschenHinterDemPasswort) {
    lies();
    u.sim.leere_Protokoll();
    u.k.meldungen.texte.clear();
    u.befehle();
    u.k.kontext->passwort_OK().setze_akzeptiert(0);
    fenster->Button_loeschenClick();
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(345)});
    EXPECT_EQ(daten().Fehler_Liste.Eintraege.size(), 7u);
    ASSERT_TRUE(u.warte_still());
    EXPECT_TRUE(u.Folge().empty());

    u.k.kontext->passwort_OK().setze_akzeptiert(1);
    fenster->Button_loeschenClick();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.Befehlsfolge(), (std::vector<int>{104, 94}));
    EXPECT_EQ(u.fehlerspeicher.Fehlerspeicher_geloescht, 1);
    EXPECT_TRUE(daten().Fehler_Liste.leer());
    // A read without records keeps the old filter items.
    EXPECT_EQ(Filter(), (QStringList{"Oil pressure*", "Oil pressure switch*", "Engine speed*"}));
    EXPECT_EQ(Tabelle(), (std::vector<std::array<QString, 8>>(1)));
}

TEST_F(Fehlerfenster, KnoepfeFolgenDerVerbindung) {
    u.k.link().trennen();
    EXPECT_FALSE(fenster->Button_neu_laden->isEnabled());
    EXPECT_FALSE(fenster->Button_loeschen->isEnabled());
    EXPECT_TRUE(fenster->ColorButton_drucken->isEnabled());
}

TEST_F(Fehlerfenster, DruckUeberEineSeitengrenze) {
    for (int i = 0; i < 60; ++i) {
        u.fehlerspeicher.Speicher.push_back(
            B::Eintrag(100000 + 20 * i, 200000 + i, 70, true, 3, 2));
        u.fehlerspeicher.Speicher.push_back(
            B::Eintrag(100010 + 20 * i, 200005 + i, 66, false, 3, 2));
    }
    lies();
    const QString pdf = u.k.ordner.datei(QStringLiteral("fehler.pdf"));
    Pdfauswahl drucker(pdf);
    u.k.kontext->drucker().setze_Druckauswahl(&drucker);
    fenster->drucken();
    EXPECT_FALSE(u.k.kontext->drucker().Dokument_offen);
    const QString info = Programm("pdfinfo", {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+3"))) << info.toStdString();
    const QString seite1 = Programm("pdftotext", {"-f", "1", "-l", "1", "-layout", pdf, "-"});
    const QString seite2 = Programm("pdftotext", {"-f", "2", "-l", "2", "-layout", pdf, "-"});
    EXPECT_TRUE(seite1.contains(hole_Text(441)));
    // Each page starts with the headings; the first row counts the records plus one.
    for (const QString& s : {seite1, seite2})
        EXPECT_TRUE(s.contains(
            QRegularExpression(hole_Text(443) + "\\s+" + hole_Text(444) + "\\s+" + hole_Text(445))))
            << s.toStdString();
    EXPECT_TRUE(seite1.contains(QRegularExpression("128\\s+Oil pressure\\s+<\\s+5\\.5")))
        << seite1.toStdString();
    if (qEnvironmentVariableIsSet("QUORVEL_BILDER"))
        QFile::copy(pdf, qEnvironmentVariable("QUORVEL_BILDER") + "/fehler.pdf");
}

} // namespace
