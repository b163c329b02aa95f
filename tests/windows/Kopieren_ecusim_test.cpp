// The backup copy against the simulated ECU: the parameter set, both ignition maps and
// maps moved line by line into the next free file versions and back into the ECU, aborts
// that leave the rest chosen, the failures that stop a run, what the list offers, and the map
// axes after a run to the ECU.

#include "base/Dateiversion.h"
#include "base/Motordaten.h"
#include "base/Uglobal.h"
#include "ecusim/Kennfelder.h"
#include "model/Anfragenumgebung.h"
#include "model/Drucker.h"
#include "model/UKennfelder.h"
#include "model/UPasswort.h"
#include "windows/UColorButton.h"
#include "windows/maps/UKennfeldfenster.h"
#include "windows/maps/UZuendung_2_corr.h"
#include "windows/service/UKopieren.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPdfWriter>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

namespace {

ecusim::Identitaetsdaten Kennung() {
    // Outside the early software range, so that the list with all maps offers the
    // correction map too.
    ecusim::Identitaetsdaten id;
    id.Hersteller = 2;
    return id;
}

// An ignition map of 8 columns as the ECU keeps it: a few points and angles, the rest unset.
QByteArray Zuendkarte(int winkel) {
    QByteArray b(308, '\0');
    for (int i = 0; i < 16 * 8; ++i)
        b[i] = static_cast<char>(-128);
    b[0] = static_cast<char>(winkel);
    b[3] = static_cast<char>(winkel + 20);
    const auto wort = [&b](int stelle, int w) {
        b[stelle] = static_cast<char>(w & 0xFF);
        b[stelle + 1] = static_cast<char>((w >> 8) & 0xFF);
    };
    const int x = 32 * 8;
    const int y = x + 2 * 8;
    for (int i = 0; i < 8; ++i)
        wort(x + 2 * i, i < 4 ? 10 * i : -128);
    for (int i = 0; i < 16; ++i)
        wort(y + 2 * i, i < 3 ? 1000 * (i + 1) : -128);
    return b;
}

class Sicherung {
public:
    // zusatz: parameter definitions added to the shipped ones.
    explicit Sicherung(const ecusim::Identitaetsdaten& id = Kennung(),
                       const QStringList& zusatz = {})
        : u(id), kennfelder(u.sim, u.parameter) {
        const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
        // The shipped definitions and map description, under the name this maker's ECU asks
        // for.
        const QString name =
            QStringLiteral("T-SIM") + Hersteller_Name(id.Hersteller) + "-1-400-0615.TXT";
        for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")}) {
            QFile f(quelle + s + "/T-SIMQuorvel-1-400-0615.TXT");
            EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << s.toStdString();
            QByteArray inhalt = f.readAll();
            // Before the list of maps, where the parameters end.
            const qsizetype karten = inhalt.indexOf("\n*0\r\n") + 1;
            EXPECT_GT(karten, 0);
            QByteArray zeilen;
            for (const QString& z : zusatz)
                zeilen += z.toLatin1() + "\r\n";
            inhalt.insert(karten, zeilen);
            u.k.ordner.schreibe_roh("Language/" + s + "/" + name, inhalt);
        }
        u.k.ordner.schreibe(QStringLiteral("Language/English/SAVE.TXT"), {QStringLiteral("x")});
        u.parameter.fuelle_Beispielwerte();
        u.bereich.setze_Zuendkennfeld(1, Zuendkarte(10));
        u.bereich.setze_Zuendkennfeld(2, Zuendkarte(-5));
        u.k.kontext->erzeuge_Fenster();
        u.k.kontext->kennfelder().erstelle_Kennfeldliste();
        // The main window's creation took the link off; its first showing would switch it on.
        u.k.link().waehle_Port(0, true, false);
        u.k.link().setze_Verbindung(true);
        u.k.kontext->motordaten().setze_Motorname(QStringLiteral("Motor"));
        u.k.kontext->dateiversion().setze_Name(QStringLiteral("Motor"));
        QDir().mkpath(u.k.kontext->motordaten().Datenordner());
        verbunden = u.verbinde(id);
        u.k.kontext->passwort_OK().setze_akzeptiert(1);
        // The description gives the ignition editor no caption; its own one reads better
        // in the list.
        u.k.kontext->kennfelder().Zuendung().setze_Titel(QString());
        u.befehle();
        u.warte_still();
        u.k.meldungen.texte.clear();
    }
    TForm_Kopieren& fenster() { return *u.k.kontext->fenster<TForm_Kopieren>(); }
    Kopierlogik& l() { return fenster().Logik(); }
    // Chooses exactly the items of these texts, and the parameter set or not.
    void waehle(const QStringList& texte, bool parameter) {
        l().waehle_alle(false);
        for (size_t i = 0; i < l().Liste().size(); ++i)
            if (texte.contains(l().Liste()[i].Text))
                l().setze_gewaehlt(static_cast<int>(i), true);
        l().setze_Einstellwerte(parameter);
    }
    bool warte_Ende() {
        return u.warte([&] { return !l().laeuft(); }, 4000);
    }
    QStringList Dateien() const {
        return QDir(u.k.kontext->motordaten().Datenordner()).entryList(QDir::Files, QDir::Name);
    }
    QStringList gewaehlt() {
        QStringList r;
        for (const auto& e : l().Liste())
            if (e.gewaehlt)
                r.append(e.Text);
        return r;
    }

    Anfragenumgebung u;
    ecusim::Kennfeldbereich kennfelder;
    bool verbunden = false;
};

} // namespace

namespace {

QByteArray Zuendbild(int winkel) {
    return Zuendkarte(winkel) + QByteArray(580 - 308, '\0');
}

const QString Zuendung = QStringLiteral("Ignition map");
const QString Korrektur = QStringLiteral("Ignition correction map");
const QString Einspritzung = QStringLiteral("Injection map");
const QString Start = QStringLiteral("Start injection");
const QString Luftmasse = QStringLiteral("Air mass correction map");

std::vector<int16_t> Gegenteil(const std::vector<int16_t>& w) {
    std::vector<int16_t> r;
    for (int16_t x : w)
        r.push_back(static_cast<int16_t>(x / 2 + 7));
    return r;
}

} // namespace

TEST(Kopieren_ecusim, TheEcuDataIntoFilesAndBackMakeTheEcuEqualAgain) {
    Sicherung s;
    ASSERT_TRUE(s.verbunden);
    s.u.bereich.setze_Zuendkennfeld(1, Zuendbild(10));
    s.u.bereich.setze_Zuendkennfeld(2, Zuendbild(-5));
    // The sample's value of parameter 10 lies beyond its limit, which a file load keeps.
    s.u.parameter.Bild[10] = 60;
    TForm_Kopieren& f = s.fenster();
    f.CheckBox_alle_Kennfelder->setChecked(true);
    f.show();
    const QStringList posten{Zuendung, Korrektur, Einspritzung, Start};
    for (const QString& p : posten)
        ASSERT_TRUE(std::any_of(s.l().Liste().begin(), s.l().Liste().end(),
                                [&](const Kopierlogik::Eintrag& e) { return e.Text == p; }))
            << p.toStdString();
    const QByteArray parameter = s.u.parameter.Bild;
    // Values the maps' conversion between raw and shown values keeps as they are (each way
    // rounds down, so that others drift by a unit a round trip).
    for (int nr : {0, 4}) {
        const cl_Kennfeld& kf = *s.u.k.kontext->kennfelder().suche_in_angeboten(nr);
        std::vector<int16_t> w = s.kennfelder.Werte(nr);
        for (int16_t& x : w)
            for (int i = 0; i < 8; ++i)
                x = static_cast<int16_t>(kf.Anzeige_zu_Roh(kf.Roh_zu_Anzeige(x)));
        s.kennfelder.setze_Werte(nr, w);
    }
    const std::vector<int16_t> einspritzung = s.kennfelder.Werte(0);
    const std::vector<int16_t> start = s.kennfelder.Werte(4);

    s.waehle(posten, true);
    f.Button_Quorvel_Datei->click();
    EXPECT_EQ(f.Button_Quorvel_Datei->text(), hole_Text(71));
    EXPECT_FALSE(f.Button_Datei_Quorvel->isEnabled());
    ASSERT_TRUE(s.warte_Ende());
    EXPECT_EQ(s.gewaehlt(), QStringList());
    EXPECT_FALSE(f.CheckBox_Einstellwerte->isChecked());
    EXPECT_EQ(f.ListBox->selectedItems().size(), 0);
    EXPECT_EQ(s.Dateien(),
              (QStringList{"Motor.01G", "Motor.01P", "Motor.01S", "Motor.01Z", "Motor.01ZC"}));
    EXPECT_EQ(s.u.k.meldungen.texte, QStringList());
    // Each map was read line by line.
    int zeilen_0 = 0;
    for (const auto& [nr, zeile] : s.kennfelder.Gelesene_Zeilen)
        zeilen_0 += nr == 0;
    EXPECT_EQ(zeilen_0, 17);

    // The ECU's data changed: a parameter, both ignition maps, both maps.
    s.u.parameter.Bild[12] = 77;
    s.u.bereich.setze_Zuendkennfeld(1, Zuendbild(30));
    s.u.bereich.setze_Zuendkennfeld(2, Zuendbild(3));
    s.kennfelder.setze_Werte(0, Gegenteil(einspritzung));
    s.kennfelder.setze_Werte(4, Gegenteil(start));
    // A second run writes the next versions.
    s.waehle(posten, true);
    f.Button_Quorvel_Datei->click();
    ASSERT_TRUE(s.warte_Ende());
    EXPECT_EQ(s.Dateien().size(), 10);
    EXPECT_TRUE(s.Dateien().contains("Motor.02ZC"));

    // The older versions back: the newest is what a run to the ECU sends.
    for (const char* n : {"Motor.02G", "Motor.02P", "Motor.02S", "Motor.02Z", "Motor.02ZC"})
        ASSERT_TRUE(QFile::remove(QDir(s.u.k.kontext->motordaten().Datenordner()).filePath(n)));
    s.waehle(posten, true);
    f.Button_Datei_Quorvel->click();
    EXPECT_EQ(f.Button_Datei_Quorvel->text(), hole_Text(71));
    EXPECT_FALSE(f.Button_Quorvel_Datei->isEnabled());
    ASSERT_TRUE(s.warte_Ende());
    EXPECT_EQ(s.gewaehlt(), QStringList());
    EXPECT_FALSE(s.l().Einstellwerte());
    EXPECT_EQ(s.u.parameter.Bild, parameter);
    EXPECT_EQ(s.kennfelder.Werte(0), einspritzung);
    EXPECT_EQ(s.kennfelder.Werte(4), start);
    // The ignition maps' entered angles and points; the evaluated angles between them
    // are the editor's.
    for (const auto& [karte, winkel] : {std::pair{1, 10}, {2, -5}}) {
        const QByteArray b = s.u.bereich.geschriebenes_Zuendkennfeld(karte);
        EXPECT_EQ(b.left(128), Zuendkarte(winkel).left(128)) << karte;
        EXPECT_EQ(b.mid(256, 48), Zuendkarte(winkel).mid(256, 48)) << karte;
    }
    EXPECT_EQ(f.Button_Datei_Quorvel->text(), hole_Text(471));
    // Nothing is left chosen.
    EXPECT_FALSE(f.Button_Quorvel_Datei->isEnabled());
    EXPECT_EQ(s.u.k.meldungen.texte, QStringList());
}

TEST(Kopieren_ecusim, AnAbortAtTheSecondOfThreeLeavesTwoChosenAndANewStartGoesOn) {
    Sicherung s;
    ASSERT_TRUE(s.verbunden);
    TForm_Kopieren& f = s.fenster();
    f.CheckBox_alle_Kennfelder->setChecked(true);
    f.show();
    s.waehle({Luftmasse, Einspritzung, Start}, false);
    f.Button_Quorvel_Datei->click();
    ASSERT_TRUE(s.u.warte([&] { return s.l().Listenindex() >= 0 && s.gewaehlt().size() == 2; }));
    // Meanwhile a parameter answer leaves the maps to the run.
    EXPECT_TRUE(s.u.k.kontext->kennfelder().Sicherung_laeuft);
    const Sender* zweites = s.l().erwartet();
    ASSERT_NE(zweites, nullptr);
    cl_Kennfeld* einspritzung = s.u.k.kontext->kennfelder().suche_in_angeboten(0);
    ASSERT_EQ(zweites, einspritzung);

    // Another map's completion is not the one awaited.
    InterAction_ausfuehren(*s.u.k.kontext->kennfelder().suche_in_angeboten(22),
                           cl_Kennfeld::Kennfeld_gelesen);
    EXPECT_EQ(s.l().erwartet(), zweites);
    EXPECT_EQ(s.gewaehlt(), (QStringList{Einspritzung, Start}));
    EXPECT_EQ(s.Dateien(), QStringList{"Motor.01K"});

    f.Button_Quorvel_Datei->click();
    EXPECT_FALSE(s.l().laeuft());
    EXPECT_FALSE(s.u.k.kontext->kennfelder().Sicherung_laeuft);
    EXPECT_EQ(f.Button_Quorvel_Datei->text(), hole_Text(470));
    EXPECT_EQ(s.gewaehlt(), (QStringList{Einspritzung, Start}));
    EXPECT_FALSE(einspritzung->Daten->aktiv);
    // Its completion arriving late changes nothing.
    InterAction_ausfuehren(*einspritzung, cl_Kennfeld::Kennfeld_gelesen);
    EXPECT_EQ(s.Dateien(), QStringList{"Motor.01K"});
    ASSERT_TRUE(s.u.warte_still());

    // A new start does what is left.
    f.Button_Quorvel_Datei->click();
    ASSERT_TRUE(s.warte_Ende());
    EXPECT_EQ(s.gewaehlt(), QStringList());
    EXPECT_EQ(s.Dateien(), (QStringList{"Motor.01G", "Motor.01K", "Motor.01S"}));
}

// A run to the ECU writes an item only from its whole file: without one it stops there,
// says which item, and the ECU keeps its data.
TEST(Kopieren_ecusim, AnItemWithoutFileStopsTheRunToTheEcuAndNothingIsWritten) {
    struct Fall {
        QString posten;
        bool parameter;
        QString name; // empty: the parameter box's caption
    };
    for (Fall fall : {Fall{QString(), true, QString()}, Fall{Einspritzung, false, Einspritzung},
                      Fall{Zuendung, false, Zuendung}}) {
        Sicherung s;
        if (fall.name.isEmpty())
            fall.name = hole_Text(121);
        ASSERT_TRUE(s.verbunden);
        TForm_Kopieren& f = s.fenster();
        f.show();
        const std::vector<int16_t> vorher = s.kennfelder.Werte(0);
        s.u.sim.leere_Protokoll();
        s.waehle({fall.posten, Start}, fall.parameter);
        const QStringList gewaehlt = s.gewaehlt();
        f.Button_Datei_Quorvel->click();
        EXPECT_FALSE(s.l().laeuft()) << fall.name.toStdString();
        EXPECT_EQ(s.u.k.meldungen.texte, QStringList{hole_Text(477) + '\n' + fall.name});
        EXPECT_EQ(s.gewaehlt(), gewaehlt);
        EXPECT_EQ(s.l().Einstellwerte(), fall.parameter);
        ASSERT_TRUE(s.u.warte_still());
        for (const auto& [befehl, daten] : s.u.Folge())
            EXPECT_TRUE(befehl != 108 && befehl != 2 && befehl != 9) << befehl;
        EXPECT_EQ(s.kennfelder.Werte(0), vorher);
    }
}

// Without a free version number the store fails: the run stops at that item with text 505,
// which stays chosen.
TEST(Kopieren_ecusim, AFullVersionRangeStopsTheRunWithItsText) {
    struct Fall {
        QString posten;
        bool parameter;
        QString kennung;
    };
    for (const Fall& fall :
         {Fall{QString(), true, "P"}, Fall{Einspritzung, false, "G"}, Fall{Zuendung, false, "Z"}}) {
        Sicherung s;
        ASSERT_TRUE(s.verbunden);
        const QDir daten(s.u.k.kontext->motordaten().Datenordner());
        for (int i = 1; i <= 99; ++i) {
            QFile d(daten.filePath(
                QStringLiteral("Motor.%1%2").arg(i, 2, 10, QLatin1Char('0')).arg(fall.kennung)));
            ASSERT_TRUE(d.open(QIODevice::WriteOnly));
        }
        TForm_Kopieren& f = s.fenster();
        f.show();
        s.waehle({fall.posten, Start}, fall.parameter);
        const QStringList gewaehlt = s.gewaehlt();
        f.Button_Quorvel_Datei->click();
        ASSERT_TRUE(s.warte_Ende()) << fall.kennung.toStdString();
        EXPECT_EQ(s.u.k.meldungen.texte, QStringList{hole_Text(505)});
        EXPECT_EQ(s.gewaehlt(), gewaehlt);
        EXPECT_EQ(s.l().Einstellwerte(), fall.parameter);
        EXPECT_EQ(s.Dateien().size(), 99);
    }
}

namespace {

// The print dialog of a test: the copies asked for, into a PDF file.
class PdfAuswahl : public Druckauswahl {
public:
    PdfAuswahl(QString pfad, int kopien) : pfad_(std::move(pfad)), kopien_(kopien) {}
    std::optional<int> frage_Kopien(int) override { return kopien_; }
    QPagedPaintDevice* Geraet() override {
        pdf_ = std::make_unique<QPdfWriter>(pfad_);
        pdf_->setResolution(600);
        pdf_->setPageSize(QPageSize(QPageSize::A4));
        return pdf_.get();
    }

private:
    QString pfad_;
    int kopien_;
    std::unique_ptr<QPdfWriter> pdf_;
};

QString Text_von(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

// The print instance prints every item read from the ECU into one document, one copy
// whatever was asked; an aborted printout ends its document, so that the next one prints.
TEST(Kopieren_ecusim, PrintModePrintsTheItemsInOneDocumentAndAnAbortEndsIt) {
    Sicherung s;
    ASSERT_TRUE(s.verbunden);
    Kontext& k = *s.u.k.kontext;
    auto& druck = static_cast<TForm_Kopieren&>(k.nimm_Fenster(std::make_unique<TForm_Kopieren>(k)));
    druck.CheckBox_alle_Kennfelder->setChecked(true);
    druck.zeige_Drucken();
    if (qEnvironmentVariableIsSet("QUORVEL_BILDER")) {
        QTest::qWait(300);
        druck.grab().save(qEnvironmentVariable("QUORVEL_BILDER") + "/kopieren_druck.png");
    }
    Kopierlogik& l = druck.Logik();
    const QString pdf = s.u.k.ordner.datei(QStringLiteral("sicherung.pdf"));
    PdfAuswahl drei(pdf, 3);
    k.drucker().setze_Druckauswahl(&drei);
    l.waehle_alle(false);
    for (size_t i = 0; i < l.Liste().size(); ++i)
        if (QStringList{Zuendung, Einspritzung, Start}.contains(l.Liste()[i].Text))
            l.setze_gewaehlt(static_cast<int>(i), true);
    l.setze_Einstellwerte(true);
    druck.ColorButton_Drucken->click();
    EXPECT_EQ(s.u.k.meldungen.texte, QStringList{hole_Text(1253)});
    ASSERT_TRUE(s.u.warte([&] { return !l.laeuft(); }, 4000));
    EXPECT_FALSE(k.drucker().Dokument_offen);
    EXPECT_TRUE(s.Dateien().isEmpty());
    const QString text = Text_von(pdf);
    for (const QString& t : {hole_Text(11), Einspritzung, Start})
        EXPECT_EQ(text.count(t), 1) << t.toStdString() << "\n" << text.toStdString();
    EXPECT_TRUE(text.contains(hole_Text(270))) << text.toStdString();
    if (qEnvironmentVariableIsSet("QUORVEL_BILDER"))
        QFile::copy(pdf, qEnvironmentVariable("QUORVEL_BILDER") + "/sicherung.pdf");

    // Aborted while the first map is read: the document ends, and the next printout prints.
    QFile::remove(pdf);
    PdfAuswahl eine(pdf, 1);
    k.drucker().setze_Druckauswahl(&eine);
    s.u.k.meldungen.texte.clear();
    l.waehle_alle(false);
    for (size_t i = 0; i < l.Liste().size(); ++i)
        if (QStringList{Einspritzung, Start}.contains(l.Liste()[i].Text))
            l.setze_gewaehlt(static_cast<int>(i), true);
    druck.ColorButton_Drucken->click();
    ASSERT_TRUE(l.laeuft());
    druck.ColorButton_Drucken->click();
    EXPECT_FALSE(l.laeuft());
    EXPECT_FALSE(k.drucker().Dokument_offen);
    ASSERT_TRUE(s.u.warte_still());
    druck.ColorButton_Drucken->click();
    ASSERT_TRUE(s.u.warte([&] { return !l.laeuft(); }, 4000));
    EXPECT_FALSE(k.drucker().Dokument_offen);
    const QString zweiter = Text_von(pdf);
    EXPECT_TRUE(zweiter.contains(Einspritzung)) << zweiter.toStdString();
    EXPECT_TRUE(zweiter.contains(Start)) << zweiter.toStdString();
    EXPECT_EQ(s.u.k.meldungen.texte, QStringList());
}

// What the list offers: the ignition editor, the correction editor by parameter 2156 or,
// with all maps, outside the early software range, and the enabled maps or all of them;
// alphabetical.
TEST(Kopieren_ecusim, TheListOffersTheEditorsAndTheMapsInAlphabeticalOrder) {
    Sicherung s;
    ASSERT_TRUE(s.verbunden);
    TForm_Kopieren& f = s.fenster();
    const auto texte = [&] {
        QStringList r;
        for (int i = 0; i < f.ListBox->count(); ++i)
            r.append(f.ListBox->item(i)->text());
        return r;
    };
    f.show();
    EXPECT_EQ(texte(), (QStringList{"Acceleration enrichment", "Acceleration enrichment",
                                    "Air mass correction map", "Air mass curve", Zuendung,
                                    Einspritzung, Start, "Warm-up map"}));
    EXPECT_EQ(f.ListBox->selectedItems().size(), f.ListBox->count());
    EXPECT_TRUE(f.CheckBox_Einstellwerte->isChecked());
    f.CheckBox_alle_Kennfelder->click();
    EXPECT_EQ(texte(),
              (QStringList{"Acceleration enrichment", "Acceleration enrichment", "Air load control",
                           "Air load map", "Air mass correction map", "Air mass curve", Korrektur,
                           Zuendung, Einspritzung, "Lambda delay", Start, "Warm-up map"}));
    if (qEnvironmentVariableIsSet("QUORVEL_BILDER")) {
        f.ListBox->item(2)->setSelected(true);
        f.ListBox->item(6)->setSelected(true);
        QTest::qWait(300);
        f.grab().save(qEnvironmentVariable("QUORVEL_BILDER") + "/kopieren.png");
        f.ListBox->clearSelection();
    }
    // A refilled list is not chosen.
    EXPECT_EQ(f.ListBox->selectedItems().size(), 0);
    EXPECT_TRUE(f.CheckBox_Einstellwerte->isChecked());
    EXPECT_TRUE(f.Button_Quorvel_Datei->isEnabled());
}

// Parameter 2156 above 0 offers the correction editor with or without all maps, in the early
// software range too; at 0 only the list of all maps offers it, and only outside that range.
TEST(Kopieren_ecusim, TheCorrectionEditorIsOfferedByItsParameterOrWithAllMapsOfLaterSoftware) {
    struct Fall {
        int hersteller; // 1 with software 6.15 lies in the early range, 2 outside it
        int wert_2156;
        bool alle;
        bool angeboten;
    };
    for (const Fall& fall :
         {Fall{2, 1, false, true}, Fall{2, 0, false, false}, Fall{1, 3, false, true},
          Fall{1, 1, true, true}, Fall{1, 0, true, false}, Fall{2, 0, true, true}}) {
        SCOPED_TRACE(testing::Message() << "maker " << fall.hersteller << ", 2156 = "
                                        << fall.wert_2156 << ", all maps " << fall.alle);
        ecusim::Identitaetsdaten id;
        id.Hersteller = static_cast<uint16_t>(fall.hersteller);
        Sicherung s(id, {"-2156,SPECIAL,4,0,40", "/Ignition correction map on", "#0,10"});
        ASSERT_TRUE(s.verbunden);
        ecusim::setze_Wort(s.u.parameter.Bild, 40, fall.wert_2156);
        s.u.k.kontext->parameter().lesen();
        ASSERT_TRUE(s.u.warte_still());
        TForm_Kopieren& f = s.fenster();
        f.CheckBox_alle_Kennfelder->setChecked(fall.alle);
        f.show();
        QStringList texte;
        for (int i = 0; i < f.ListBox->count(); ++i)
            texte.append(f.ListBox->item(i)->text());
        EXPECT_TRUE(texte.contains(Zuendung));
        EXPECT_EQ(texte.contains(Korrektur), fall.angeboten) << texte.join(", ").toStdString();
    }
}

// A run to the ECU that sends a parameter set with another axis end leaves an open map window
// on that axis.
TEST(Kopieren_ecusim, ARunToTheEcuLeavesAnOpenMapWindowOnTheAxisOfTheParametersItWrote) {
    Sicherung s(Kennung(), {"-9,MOTOR,4,0,42", "/Speed axis end (rpm)", "#0,10000"});
    ASSERT_TRUE(s.verbunden);
    const auto liest = [&](int ende) {
        ecusim::setze_Wort(s.u.parameter.Bild, 42, ende);
        s.u.k.kontext->parameter().lesen();
        return s.u.warte_still();
    };
    // The start injection curve runs over parameters 8 to 9; its cursor at the axis end.
    cl_Kennfeld* start = s.u.k.kontext->kennfelder().suche_in_angeboten(4);
    ASSERT_NE(start, nullptr);
    auto* karte = dynamic_cast<TForm_Kennfeld*>(start->Ansicht());
    ASSERT_NE(karte, nullptr);
    start->Cursor_X = 16;
    karte->show();
    ASSERT_TRUE(liest(6000));
    ASSERT_EQ(karte->Label_Cursor[0]->text(), "6000");

    TForm_Kopieren& f = s.fenster();
    f.show();
    s.waehle({}, true);
    f.Button_Quorvel_Datei->click();
    ASSERT_TRUE(s.warte_Ende());
    ASSERT_EQ(s.Dateien(), QStringList{"Motor.01P"});

    // The ECU's axis end changes, the window follows it; the run sends the stored one back.
    ASSERT_TRUE(liest(4000));
    ASSERT_EQ(karte->Label_Cursor[0]->text(), "4000");
    s.waehle({}, true);
    f.Button_Datei_Quorvel->click();
    ASSERT_TRUE(s.warte_Ende());
    EXPECT_EQ(ecusim::Wort(s.u.parameter.Bild, 21), 6000);
    EXPECT_EQ(karte->Label_Cursor[0]->text(), "6000");
    EXPECT_EQ(s.u.k.meldungen.texte, QStringList());
}
