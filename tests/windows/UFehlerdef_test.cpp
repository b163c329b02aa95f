// The error definitions window: its function list, what its grid shows and takes back,
// and, against the simulated ECU, definitions made in it sent and read back.

#include "windows/service/UFehlerdef.h"

#include "base/Dateiversion.h"
#include "base/Motordaten.h"
#include "base/Uglobal.h"
#include "model/Anfragenumgebung.h"
#include "model/Drucker.h"
#include "model/UFehleranfragen.h"
#include "platform/Dateien.h"
#include "support/Pdfauswahl.h"
#include "windows/UColorButton.h"
#include "windows/service/UFehler.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPageLayout>
#include <QPdfWriter>
#include <QProcess>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {

using B = ecusim::Fehlerspeicherbereich;
using Zeile = Fehlerdef_Logik::Zeile;

// The hardware model the setup window gives while no ECU answers.
struct Hardware : Offline_Auswahl {
    int modell = 0;
    int Hardwaremodell() const override { return modell; }
    QString Software_Dateiname() const override { return {}; }
};

TEST(Fehlerdefinitionsfenster, FunktionslisteNachIdentitaet) {
    LinkKontext k(false);
    Fehlerdef_Logik l(*k.kontext);
    Hardware hw;
    k.version().setze_Offline_Auswahl(&hw);
    const struct {
        int typ, typnummer, hardware;
        int P;
        int anzahl;
        int erster, letzter; // text numbers; 0: an output
    } faelle[] = {
        {5, 400, 420, 100, 9, 420, 1022}, {1, 400, 0, 100, 15, 420, 434},
        {1, 400, 150, 100, 15, 420, 434}, {1, 400, 300, 100, 15, 420, 434},
        {1, 203, 350, 100, 5, 420, 964},  {1, 400, 350, 13, 29, 900, 0},
        {1, 400, 420, 36, 52, 920, 0},    {1, 400, 200, 36, 0, 0, 0},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(testing::Message() << f.typ << " " << f.typnummer << " " << f.hardware);
        k.version().setze_offline(f.typ, 1, f.typnummer, f.hardware, 615, 0);
        hw.modell = f.hardware;
        l.baue_Funktionsliste();
        EXPECT_EQ(l.P, f.P);
        ASSERT_EQ(l.Funktionen.size(), f.anzahl);
        if (f.anzahl == 0)
            continue;
        EXPECT_EQ(l.Funktionen.front(), hole_Text(f.erster));
        EXPECT_EQ(l.Funktionen.back(),
                  f.letzter ? hole_Text(f.letzter) : hole_Text(1066) + QStringLiteral(" 16"));
    }
    // P = 13: a stored 105 is the fifth output, list position 17; P = 36: the first
    // output is stored as 101.
    hw.modell = 350;
    l.baue_Funktionsliste();
    EXPECT_EQ(l.Funktionstext(105), hole_Text(1066) + QStringLiteral(" 5"));
    EXPECT_EQ(l.Funktionen.indexOf(l.Funktionstext(105)), 17);
    hw.modell = 420;
    l.baue_Funktionsliste();
    EXPECT_EQ(
        Funktion_von_Position(static_cast<int>(l.Funktionen.indexOf(hole_Text(1066) + " 1")), l.P),
        101);
    // With 15 functions a stored 105 shows as its number.
    hw.modell = 150;
    l.baue_Funktionsliste();
    EXPECT_EQ(l.Funktionstext(105), QStringLiteral("105"));
}

// The program against the simulated ECU with both error windows.
class Definitionsfenster : public ::testing::Test {
protected:
    explicit Definitionsfenster(const ecusim::Identitaetsdaten& id = {}) : u(id) {
        const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/English/") +
                               cl_Fehler_Katalog::Dateiname(615);
        QFile::copy(quelle, Dateien::verbinde(glob().Pfad_Sprache,
                                              cl_Fehler_Katalog::Dateiname(id.Version)));
        fehler = static_cast<TForm_Fehler*>(
            &u.k.kontext->nimm_Fenster(std::make_unique<TForm_Fehler>(*u.k.kontext)));
        fenster = static_cast<TForm_Fehlerdef*>(
            &u.k.kontext->nimm_Fenster(std::make_unique<TForm_Fehlerdef>(*u.k.kontext)));
        u.fehlerspeicher.Definitionen = {
            B::Grenze(15, 18, 0, 3, 0, 1, 1), B::Grenze(60, 55, 0, 3, 1 | 8, 102, 0),
            B::Grenze(0, 0, 0xF0F0, 5, 3 | 16 | 32, 4, 0), B::Grenze(6500, 6300, 0, 1, 1, 0, 1)};
    }
    cl_Fehler_Definitionen& defs() { return u.k.kontext->fehlerdaten().Definitionen; }

    std::vector<Zeile> Gitter() const {
        std::vector<Zeile> t;
        const QTableWidget* g = fenster->StringGrid_Grenzen;
        for (int r = 0; r < g->rowCount(); ++r) {
            Zeile z;
            for (int s = 0; s < Fehlerdef_Logik::Spalten; ++s)
                z[s] = g->item(r, s) ? g->item(r, s)->text() : QString();
            t.push_back(z);
        }
        return t;
    }
    QStringList Liste() const {
        QStringList l;
        for (int i = 0; i < fenster->ListBox_Definition->count(); ++i)
            l.append(fenster->ListBox_Definition->item(i)->text() +
                     (fenster->ListBox_Definition->currentRow() == i ? "*" : ""));
        return l;
    }
    void setze(int zeile, int spalte, const QString& text) {
        fenster->StringGrid_Grenzen->item(zeile, spalte)->setText(text);
    }
    // Shows the window online: the user confirms the read.
    void zeige() {
        fenster->anzeigen();
        ASSERT_TRUE(u.warte_still());
    }

    Anfragenumgebung u;
    TForm_Fehler* fehler = nullptr;
    TForm_Fehlerdef* fenster = nullptr;
};

TEST_F(Definitionsfenster, ZeigenLiestOnlineUndFuelltListeUndGitter) {
    zeige();
    EXPECT_EQ(u.k.meldungen.fragen, QStringList{hole_Text(412)});
    EXPECT_EQ(Liste(), (QStringList{"Oil pressure", "Oil pressure switch", "Engine speed*"}));
    EXPECT_EQ(fenster->Button_nach_Quorvel->text(), hole_Text(74));
    EXPECT_TRUE(fenster->Button_Variable_loeschen->isEnabled());
    // Without the flag: columns 0, 1, 6, 7 empty; engine speed, one analogue row.
    EXPECT_EQ(Gitter(), (std::vector<Zeile>{{"", "", "      6500", "      6300",
                                             ">=", hole_Text(920), "", "", hole_Text(78)}}));
    EXPECT_FALSE(fenster->Button_Grenze_loeschen->isEnabled());
    EXPECT_FALSE(fenster->Kopf[1]->isVisible());
    EXPECT_TRUE(fenster->Kopf[0]->isVisible());
}

TEST_F(Definitionsfenster, GitterMitPlus) {
    u.k.kontext->parameter().Definitionsdatei_Plus = true;
    zeige();
    EXPECT_TRUE(fenster->Kopf[6]->isVisible());
    fenster->ListBox_DefinitionClick(0);
    const QString ja = hole_Text(78), nein = hole_Text(79);
    EXPECT_EQ(Gitter(),
              (std::vector<Zeile>{{nein, "n > 0 U/min", "       1.5", "       1.8",
                                   "<=", hole_Text(921), "", "", ja},
                                  {nein, "n >= 0 U/min", "       6.0", "       5.5",
                                   ">=", hole_Text(1066) + " 2", nein, "0000000000000000", nein}}));
    EXPECT_TRUE(fenster->Button_Grenze_loeschen->isEnabled());
    // The switch on a 6.15 ECU: a bit row shows no values and no mode.
    fenster->ListBox_DefinitionClick(1);
    EXPECT_EQ(Gitter(), (std::vector<Zeile>{{ja, "n > 0 U/min", "", "", "", hole_Text(924), ja,
                                             "1111000011110000", ""}}));
    // Typing goes to the values and the pattern of analogue rows, to the pattern only here.
    const QTableWidget* g = fenster->StringGrid_Grenzen;
    for (int s = 0; s < 9; ++s)
        EXPECT_EQ(bool(g->item(0, s)->flags() & Qt::ItemIsEditable), s == 7) << s;
    fenster->ListBox_DefinitionClick(0);
    for (int s = 0; s < 9; ++s)
        EXPECT_EQ(bool(g->item(1, s)->flags() & Qt::ItemIsEditable), s == 2 || s == 3 || s == 7)
            << s;
}

TEST_F(Definitionsfenster, GitterVerlassenLiestJedeZeileZurueck) {
    u.k.kontext->parameter().Definitionsdatei_Plus = true;
    zeige();
    fenster->ListBox_DefinitionClick(0);
    const QString ja = hole_Text(78), nein = hole_Text(79);
    // Row 0: a value below what 16 bits carry, the first output, signal on with a pattern
    // and store set as well (the signal wins). Row 1: a value beyond the cap, signal off.
    setze(0, 0, ja);
    setze(0, 2, "-5000");
    setze(0, 3, " 2.45 ");
    setze(0, 4, ">=");
    setze(0, 5, hole_Text(1066) + " 1");
    setze(0, 6, ja);
    setze(0, 7, "101");
    setze(0, 8, ja);
    setze(1, 2, "7000");
    setze(1, 3, "abc");
    setze(1, 6, nein);
    setze(1, 7, "111");
    setze(1, 8, ja);
    // The lists stand where cells of other rows left them: a signalling row stands the
    // store list at "no", a storing row the signal list.
    fenster->ComboBox_Signal->setCurrentIndex(1);
    fenster->ComboBox_speichern->setCurrentIndex(1);
    fenster->StringGrid_GrenzenExit();
    EXPECT_EQ(fenster->ComboBox_Signal->currentIndex(), 0);
    EXPECT_EQ(fenster->ComboBox_speichern->currentIndex(), 0);
    const auto& g = defs().Liste[0].Grenzen;
    EXPECT_EQ(g[0], (cl_Fehler_limit{1, 1, -32768, 24, 101, 5, 1, 0, 1, 0}));
    EXPECT_EQ(g[1], (cl_Fehler_limit{2, 1, 65000, 0, 102, 0, 0, 1, 0, 1}));
    EXPECT_EQ(Gitter(), (std::vector<Zeile>{{ja, "n > 0 U/min", "   -3276.8", "       2.4", ">=",
                                             hole_Text(1066) + " 1", ja, "0000000000000101", ""},
                                            {nein, "n >= 0 U/min", "    6500.0", "       0.0",
                                             ">=", hole_Text(1066) + " 2", "", "", ja}}));
    // Values read back as shown.
    fenster->StringGrid_GrenzenExit();
    EXPECT_EQ(defs().Liste[0].Grenzen[0].Ein, -32768);
    EXPECT_EQ(defs().Liste[0].Grenzen[0].Aus, 24);
}

TEST_F(Definitionsfenster, WerteAusserhalbDerListenBleiben) {
    zeige();
    fenster->ListBox_DefinitionClick(0);
    cl_Fehler_limit& g = defs().Liste[0].Grenzen[0];
    g.Funktion = 99; // beyond the 36 functions
    g.Modus = 0xFE;
    g.speichern = 7;
    fenster->zeige_Grenzen();
    EXPECT_EQ(Gitter()[0][5], QStringLiteral("99"));
    EXPECT_EQ(Gitter()[0][4], QStringLiteral(">="));
    EXPECT_EQ(Gitter()[0][8], hole_Text(78));
    fenster->StringGrid_GrenzenExit();
    EXPECT_EQ(g.Funktion, 99);
    EXPECT_EQ(g.Modus, 1);
    EXPECT_EQ(g.speichern, 1);
    // A bit row whose fill leaves values and mode empty keeps them.
    fenster->ListBox_DefinitionClick(1);
    cl_Fehler_limit& b = defs().Liste[1].Grenzen[0];
    b.Ein = 3;
    b.Modus = 2;
    fenster->StringGrid_GrenzenExit();
    EXPECT_EQ(b.Ein, 3);
    EXPECT_EQ(b.Modus, 2);
}

TEST_F(Definitionsfenster, ZeilenGehenNurAnIhreDefinitionZurueck) {
    zeige();
    fenster->ListBox_DefinitionClick(0);
    setze(0, 2, "9");
    // The viewer's reload frees the definitions and a read makes others meanwhile.
    defs().alle_freigeben();
    ASSERT_TRUE(defs().neue_Definition(1));
    defs().aktuelle()->Grenzen.resize(2);
    fenster->StringGrid_GrenzenExit();
    EXPECT_EQ(defs().Liste[0].Grenzen[0], cl_Fehler_limit{});
}

TEST_F(Definitionsfenster, VerschobeneDefinitionNimmtIhreZeilenZurueck) {
    zeige();
    fenster->ListBox_DefinitionClick(0);
    fenster->ColorButton_runter_verschiebenClick();
    EXPECT_EQ(Liste(), (QStringList{"Oil pressure switch", "Oil pressure*", "Engine speed"}));
    setze(0, 2, "9");
    fenster->StringGrid_GrenzenExit();
    EXPECT_EQ(defs().Liste[1].Grenzen[0].Ein, 90);
    fenster->ColorButton_hoch_verschiebenClick();
    setze(0, 3, "3");
    fenster->StringGrid_GrenzenExit();
    EXPECT_EQ(defs().Liste[0].Grenzen[0].Aus, 30);
    EXPECT_EQ(defs().Liste[0].Grenzen[0].Ein, 90);
}

TEST_F(Definitionsfenster, DropdownUeberDerZelle) {
    zeige();
    fenster->ListBox_DefinitionClick(0);
    fenster->StringGrid_GrenzenSelectCell(1, 5);
    QComboBox* c = fenster->ComboBox_Ausgang;
    EXPECT_TRUE(c->isVisibleTo(fenster));
    EXPECT_EQ(c->currentText(), hole_Text(1066) + " 2");
    const QRect zelle =
        fenster->StringGrid_Grenzen->visualItemRect(fenster->StringGrid_Grenzen->item(1, 5));
    EXPECT_EQ(c->geometry().topLeft(),
              fenster->StringGrid_Grenzen->viewport()->mapTo(fenster, zelle.topLeft()));
    fenster->StringGrid_Grenzen->setCurrentCell(1, 5);
    c->setCurrentIndex(3);
    fenster->ComboBox_Exit(c);
    EXPECT_FALSE(c->isVisibleTo(fenster));
    EXPECT_EQ(Gitter()[1][5], hole_Text(923));
    fenster->StringGrid_GrenzenExit();
    EXPECT_EQ(defs().Liste[0].Grenzen[1].Funktion, 3);
    // Columns 0, 1 and 6 have no list without the flag.
    fenster->StringGrid_GrenzenSelectCell(0, 0);
    EXPECT_FALSE(fenster->ComboBox_Test_Start->isVisibleTo(fenster));
}

TEST_F(Definitionsfenster, ImEditorGemachtGesendetUndZurueckgelesen) {
    u.k.kontext->parameter().Definitionsdatei_Plus = true;
    u.fehlerspeicher.Definitionen.clear();
    zeige();
    EXPECT_TRUE(defs().leer());
    EXPECT_EQ(fenster->Button_nach_Quorvel->text(), hole_Text(80));
    fenster->Button_neue_VariableClick();
    EXPECT_TRUE(fenster->ListBox_Variablen_Auswahl->isVisibleTo(fenster));
    EXPECT_EQ(fenster->ListBox_Variablen_Auswahl->count(), 10);
    fenster->waehle_Variable("Oil pressure");
    fenster->Button_neue_GrenzeClick();
    setze(0, 2, "1.5");
    setze(0, 3, "1.8");
    setze(1, 2, "-2.5");
    setze(1, 4, ">=");
    setze(1, 5, hole_Text(1066) + " 3");
    setze(1, 6, hole_Text(78));
    setze(1, 7, "1100");
    fenster->StringGrid_GrenzenExit();
    fenster->waehle_Variable("ECU reset");
    fenster->waehle_Variable("Knock detected");
    fenster->ColorButton_hoch_verschiebenClick();
    EXPECT_EQ(Liste(), (QStringList{"Oil pressure", "Knock detected*", "ECU reset"}));
    fenster->Button_nach_QuorvelClick();
    ASSERT_TRUE(u.warte_still());
    // As sent: the rows numbered.
    const std::vector<cl_Fehler_def> gemacht = defs().Liste;
    EXPECT_EQ(u.fehlerspeicher.Definitionen_geschrieben, 1);
    EXPECT_EQ(u.fehlerspeicher.Definitionen.size(), 4u);

    fenster->Button_von_QuorvelClick();
    ASSERT_TRUE(u.warte_still());
    ASSERT_EQ(defs().Liste.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(defs().Liste[i].Variable, gemacht[i].Variable);
        EXPECT_EQ(defs().Liste[i].Grenzen, gemacht[i].Grenzen) << i;
    }
    EXPECT_EQ(defs().Liste[0].Grenzen[1].Ein, -25);
    EXPECT_EQ(defs().Liste[0].Grenzen[1].Signalmuster, 12);

    // Nothing left: the send clears the ECU's definitions.
    for (int i = 0; i < 3; ++i)
        fenster->Button_Variable_loeschenClick();
    EXPECT_EQ(fenster->Button_nach_Quorvel->text(), hole_Text(80));
    fenster->Button_nach_QuorvelClick();
    ASSERT_TRUE(u.warte_still());
    EXPECT_TRUE(u.fehlerspeicher.Definitionen.empty());
}

TEST_F(Definitionsfenster, NichtsFreigegebenesWirdBeruehrt) {
    u.fehlerspeicher.Speicher = {B::Eintrag(10, 10, 0, true, 3, 1),
                                 B::Eintrag(20, 30, 0, false, 3, 1),
                                 B::Eintrag(40, 50, 0, true, 5, 1)};
    fehler->Button_neu_ladenClick();
    ASSERT_TRUE(u.warte_still());
    ASSERT_EQ(fehler->ListBox_Auswahl->count(), 3);
    // The definitions window discards the definitions the entries were read with and reads
    // them again; the viewer's filter is clicked meanwhile.
    u.k.meldungen.setze_Antwort(false);
    fenster->anzeigen();
    EXPECT_TRUE(defs().leer());
    fehler->ListBox_Auswahl->item(1)->setSelected(false);
    EXPECT_EQ(fehler->StringGrid_Fehler->rowCount(), 2);
    // The switch's entry is gone; the others show by the catalogue's names.
    EXPECT_EQ(fehler->StringGrid_Fehler->item(0, 1)->text().trimmed(), "Oil pressure");
    EXPECT_EQ(fehler->StringGrid_Fehler->item(0, 0)->text().trimmed(), "4");

    // A definition deleted while the list is written: the ECU gets the list as it was.
    u.k.meldungen.setze_Antwort(true);
    fenster->Button_von_QuorvelClick();
    ASSERT_TRUE(u.warte_still());
    fenster->Button_nach_QuorvelClick();
    u.k.ticke_und_warte();
    u.k.ticke_und_warte();
    fenster->ListBox_DefinitionClick(0);
    fenster->Button_Variable_loeschenClick();
    fenster->Button_Variable_loeschenClick();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.fehlerspeicher.Definitionen.size(), 4u);
    EXPECT_EQ(u.fehlerspeicher.Indexfehler, 0);
}

TEST_F(Definitionsfenster, OfflineWirdNichtsGefragt) {
    u.k.link().trennen();
    EXPECT_FALSE(fenster->Button_von_Quorvel->isEnabled());
    zeige();
    EXPECT_TRUE(u.k.meldungen.fragen.isEmpty());
    EXPECT_TRUE(defs().leer());
    EXPECT_TRUE(Liste().isEmpty());
}

TEST_F(Definitionsfenster, WartefensterNachDerTrennung) {
    u.fehlerspeicher.verwerfe(93, 1);
    fenster->anzeigen();
    u.k.ticke_und_warte();
    u.k.ticke_und_warte();
    auto& lesen = *u.k.kontext->fehleranfragen().Fehler_def_von_Quorvel;
    ASSERT_TRUE(lesen.Meldung()->sichtbar());
    u.sim.stumm = true;
    ASSERT_TRUE(u.warte([&] { return !u.k.link().ist_verbunden(); }, 3000));
    // The transfer stands; its window stays until the user closes it, which stops it.
    EXPECT_TRUE(lesen.Meldung()->sichtbar());
    dynamic_cast<QWidget*>(lesen.Meldung())->close();
    EXPECT_FALSE(lesen.Meldung()->sichtbar());
    EXPECT_FALSE(lesen.aktiv);
    u.sim.stumm = false;
    ASSERT_TRUE(u.warte([&] { return u.k.link().ist_verbunden(); }, 3000));
    u.warte_still();
    EXPECT_FALSE(lesen.aktiv);
}

// The version dialog answers with a fixed version and remembers what it was asked for.
struct Version_1 : Versionswahl {
    int waehle_Version(cl_Dateiversion& d) override {
        gefragt.append(d.Beschriftung + "/" + d.Suffix + "/" + QString::number(d.Speichermodus));
        return antwort;
    }
    QStringList gefragt;
    int antwort = 1;
};

TEST_F(Definitionsfenster, DateiSpeichernUndLaden) {
    zeige();
    Version_1 wahl;
    cl_Dateiversion& v = u.k.kontext->dateiversion();
    v.setze_Versionswahl(&wahl);
    v.setze_Name(QStringLiteral("Motor"));
    QDir().mkpath(u.k.kontext->motordaten().Datenordner());
    const std::vector<cl_Fehler_def> gespeichert = defs().Liste;
    fenster->Button_in_Datei_speichernClick();
    EXPECT_TRUE(QFile::exists(v.Dateiname(1)));
    EXPECT_TRUE(v.Dateiname(1).endsWith(QStringLiteral("Motor.01V")));

    // A cut file changes nothing and says so; the whole file replaces the list.
    fenster->Button_Variable_loeschenClick();
    QFile f(v.Dateiname(1));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QByteArray ganz = f.readAll();
    f.resize(ganz.size() - 3);
    f.close();
    fenster->Button_von_Datei_ladenClick();
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(437)});
    EXPECT_EQ(defs().Liste.size(), 2u);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(ganz);
    f.close();
    fenster->Button_von_Datei_ladenClick();
    ASSERT_EQ(defs().Liste.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(defs().Liste[i].Grenzen, gespeichert[i].Grenzen);
    EXPECT_EQ(Liste(), (QStringList{"Oil pressure", "Oil pressure switch", "Engine speed*"}));
    EXPECT_EQ(wahl.gefragt, (QStringList{"Fehlerdefinitionen/V/1", "Fehlerdefinitionen/V/0",
                                         "Fehlerdefinitionen/V/0"}));
    // A cancelled dialog does nothing.
    wahl.antwort = -1;
    fenster->Button_von_Datei_ladenClick();
    EXPECT_EQ(defs().Liste.size(), 3u);
}

TEST_F(Definitionsfenster, Druck) {
    u.k.kontext->parameter().Definitionsdatei_Plus = true;
    zeige();
    const QString pdf = u.k.ordner.datei(QStringLiteral("definitionen.pdf"));
    Pdfauswahl drucker(pdf);
    u.k.kontext->drucker().setze_Druckauswahl(&drucker);
    fenster->drucken();
    EXPECT_FALSE(u.k.kontext->drucker().Dokument_offen);
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    p.waitForFinished(30000);
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    // The page's text has ligatures: the title's end tells.
    EXPECT_TRUE(text.contains(hole_Text(401).mid(hole_Text(401).size() - 10)));
    EXPECT_TRUE(text.contains(QRegularExpression("Oil pressure\\s+")));
    EXPECT_TRUE(
        text.contains(QRegularExpression("6\\.0\\s+5\\.5\\s+>=\\s*" + hole_Text(1066) + " 2")))
        << text.toStdString();
    if (qEnvironmentVariableIsSet("QUORVEL_BILDER"))
        QFile::copy(pdf, qEnvironmentVariable("QUORVEL_BILDER") + "/definitionen.pdf");

    // Without definitions the document still ends.
    defs().alle_freigeben();
    fenster->drucken();
    EXPECT_FALSE(u.k.kontext->drucker().Dokument_offen);
}

} // namespace
