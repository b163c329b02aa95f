// The memory status, the system data list and the flag test: their texts from records filled
// by hand, the names file, the printout, and each window against the simulated ECU.

#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Livedaten.h"
#include "link/LinkFixture.h"
#include "model/Drucker.h"
#include "model/UStatusdaten.h"
#include "model/UWeitere_Anfragen.h"
#include "windows/UColorButton.h"
#include "windows/UQuorvel.h"
#include "windows/Variantensimulation.h"
#include "windows/status/UMerker.h"
#include "windows/status/USpeicher.h"
#include "windows/status/USystemdaten.h"

#include <QAction>
#include <QLabel>
#include <QPageLayout>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>
#include <string_view>

namespace {

// Prints into a PDF file of 200 mm x 287 mm.
class PdfDrucker : public Druckauswahl {
public:
    explicit PdfDrucker(QString pfad) : pfad_(std::move(pfad)) {}
    std::optional<int> frage_Kopien(int) override { return 1; }
    QPagedPaintDevice* Geraet() override {
        pdf_ = std::make_unique<QPdfWriter>(pfad_);
        pdf_->setResolution(600);
        pdf_->setPageLayout(QPageLayout(
            QPageSize(QSizeF(200, 287), QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
            QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        return pdf_.get();
    }

private:
    QString pfad_;
    std::unique_ptr<QPdfWriter> pdf_;
};

QString Programm(const QString& name, const QStringList& argumente) {
    QProcess p;
    p.start(name, argumente);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(name);
    return QString::fromUtf8(p.readAllStandardOutput());
}

using Soll = std::vector<std::pair<QString, QString>>;

void vergleiche(const Anzeigewerte& ist, const Soll& soll) {
    ASSERT_EQ(ist.size(), soll.size());
    for (size_t i = 0; i < soll.size(); ++i) {
        EXPECT_EQ(ist[i].first, soll[i].first) << i;
        EXPECT_EQ(ist[i].second, soll[i].second) << soll[i].first.toStdString();
    }
}

// The language texts the program reads; the tests compare with the words of the file.
class Speichertexte : public ::testing::Test {
protected:
    LinkKontext k{false};
};

} // namespace

// ---------------------------------------------------------------- memory

TEST_F(Speichertexte, MemoryAnswerFillsTheLabelsOfItsMemory) {
    struct Fall {
        uint8_t befehl;
        Bytes antwort;
        Soll soll;
    };
    const std::vector<Fall> faelle = {
        {6,
         Bytes(12).w16(8, 4660),
         {{"Label_RAM_Nr", "4660"}, {"Label_RAM_defekt", "No"}, {"Label_RAM_Datenfehler", "No"}}},
        {7,
         Bytes(12).u8(0, 1).u8(2, 1).w16(8, 65535).u8(10, 9),
         {{"Label_Flash_0_Nr", "65535"},
          {"Label_Flash_0_defekt", "Yes"},
          {"Label_Flash_0_Datenfehler", "No"}}},
        {8,
         Bytes(12).u8(1, 0x80).w16(6, 7).u8(10, 1),
         {{"Label_Flash_1_Nr", "0"},
          {"Label_Flash_1_defekt", "No"},
          {"Label_Flash_1_Datenfehler", "Yes"}}},
    };
    for (const Fall& f : faelle)
        vergleiche(Speicher_Logik::Speicherwerte(f.befehl, f.antwort.sicht()), f.soll);
}

TEST_F(Speichertexte, CommonValuesFromTheLiveRecordsOrTheDieselRecord) {
    Bytes a(98), l(84), da(100);
    a.w32(44, 1296035).w32(48, -5).w16(54, 65535).w32(82, 70000);
    a.w16(42, 1).w16(52, 1).w16(56, 1).w16(80, 1).w16(86, 1);
    l.w16(2, 0x100);
    da.w32(6, 4000000000LL)
        .w32(10, 3000000000LL)
        .w16(16, -2)
        .w32(18, 3723004)
        .w16(14, 9)
        .w16(22, 9);
    for (const int typ : {0, 1, 2, 3, 4, 6})
        vergleiche(Speicher_Logik::Gemeinsame_Werte(typ, a.sicht(), l.sicht(), da.sicht()),
                   {{"Label_Anz_Umdr", "-5"},
                    {"Label_Betriebszeit", "36:00:03,5"},
                    {"Label_Anzahl_Fehler", "65535"},
                    {"Label_autom_Flash_sichern", "Yes"},
                    {"Label_Anz_Datenloggersaetze", "70000"}});
    EXPECT_EQ(Speicher_Logik::Gemeinsame_Werte(1, a.sicht(), Bytes(84).w16(0, 1).w16(4, 1).sicht(),
                                               da.sicht())[3]
                  .second,
              QStringLiteral("No"));
    // Diesel: its own record, and the flash-saving label keeps its text.
    vergleiche(Speicher_Logik::Gemeinsame_Werte(5, a.sicht(), l.sicht(), da.sicht()),
               {{"Label_Anz_Umdr", "3000000000"},
                {"Label_Betriebszeit", "1:02:03,004"},
                {"Label_Anzahl_Fehler", "-2"},
                {"Label_Anz_Datenloggersaetze", "4000000000"}});
}

// ---------------------------------------------------------------- system data names

TEST(Systemdaten_Logik, NamesFileAsATable) {
    struct Fall {
        const char* was;
        QStringList zeilen;
        std::vector<cl_Daten> soll;
    };
    const std::vector<Fall> faelle = {
        {"plain", {"\\12,Name"}, {{12, "Name"}}},
        {"blanks", {"\\  12  ,  Name with  blanks "}, {{12, "Name with  blanks "}}},
        {"others skipped", {"", "12,x", " \\1,x", "-1,MOTOR,4", "\\3,c"}, {{3, "c"}}},
        {"letter skipped", {"\\a,x", "\\4,d"}, {{4, "d"}}},
        {"empty name skipped", {"\\5,", "\\5,  ", "\\6,f"}, {{6, "f"}}},
        {"no comma ends", {"\\1,a", "\\2 b", "\\3,c"}, {{1, "a"}}},
        {"end of line ends", {"\\1,a", "\\2", "\\3,c"}, {{1, "a"}}},
        {"minus", {"\\-1,m", "\\-,z"}, {{65535, "m"}, {0, "z"}}},
        {"wraps at 16 bits", {"\\65537,w"}, {{1, "w"}}},
        {"duplicates kept", {"\\7,first", "\\7,second"}, {{7, "first"}, {7, "second"}}},
        {"comma in name", {"\\8,a,b"}, {{8, "a,b"}}},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(Systemdaten_Logik::lies_Namen(f.zeilen), f.soll) << f.was;

    Systemdaten_Logik l;
    l.Namen = Systemdaten_Logik::lies_Namen({"\\7,first", "\\7,second"});
    EXPECT_EQ(l.Name(7), QStringLiteral("first"));
    EXPECT_EQ(l.Name(8), QString());
}

TEST_F(Speichertexte, ItemsFillRowsFromOneAndAShorterListCutsTheGrid) {
    Systemdaten_Logik l;
    EXPECT_EQ(l.Raster.Zeilen(), 20);
    EXPECT_EQ(l.Raster.Zelle(0, 0), QStringLiteral("No."));
    EXPECT_EQ(l.Raster.Zelle(1, 0), QStringLiteral("Name"));
    EXPECT_EQ(l.Raster.Zelle(2, 0), QStringLiteral("Value"));
    l.Namen = {{3, "Three"}};
    // An empty list leaves the grid of the window layout.
    EXPECT_FALSE(l.nimm(false, 3, 3));
    EXPECT_EQ(l.Raster.Zeilen(), 20);
    ASSERT_TRUE(l.nimm(true, 3, 65535));
    ASSERT_TRUE(l.nimm(true, 4, 0));
    EXPECT_EQ(l.Raster.Zeilen(), 3);
    const std::vector<std::vector<QString>> soll = {{"3", "Three", "65535"}, {"4", "", "0"}};
    for (int r = 0; r < 2; ++r)
        for (int s = 0; s < 3; ++s)
            EXPECT_EQ(l.Raster.Zelle(s, r + 1), soll[r][s]);
    l.beginne();
    ASSERT_TRUE(l.nimm(true, 9, 1));
    EXPECT_EQ(l.Raster.Zeilen(), 2);
    EXPECT_EQ(l.Raster.Zelle(0, 1), QStringLiteral("9"));
}

TEST_F(Speichertexte, NamesFromTheDescriptionFileInTheLanguageFolder) {
    k.ordner.schreibe(QStringLiteral("Language/English/T-X.TXT"),
                      {QStringLiteral("-1,MOTOR,4,0,0"), QStringLiteral("\\1, Hours"),
                       QStringLiteral("\\2,Starts")});
    Systemdaten_Logik l;
    l.lade_Namen(QStringLiteral("T-X.TXT"));
    EXPECT_EQ(l.Namen, (std::vector<cl_Daten>{{1, "Hours"}, {2, "Starts"}}));
    // A missing file or no name at all: no names.
    l.lade_Namen(QStringLiteral("T-Y.TXT"));
    EXPECT_TRUE(l.Namen.empty());
    l.Namen = {{1, "x"}};
    l.lade_Namen(QString());
    EXPECT_TRUE(l.Namen.empty());
}

// ---------------------------------------------------------------- flags

TEST(Merker_Logik, CaptionsBitsAndPlaces) {
    struct Fall {
        uint16_t wort;
        const char* soll; // flags 1..16
    } faelle[] = {
        {0x0001, "HLLLLLLLLLLLLLLL"},
        {0x8000, "LLLLLLLLLLLLLLLH"},
        {0x0005, "HLHLLLLLLLLLLLLL"},
        {0xA55A, "LHLHHLHLHLHLLHLH"},
    };
    for (const Fall& f : faelle)
        for (int n = 1; n <= 16; ++n)
            EXPECT_EQ(Merker_Logik::Beschriftung(f.wort, n), QString(QLatin1Char(f.soll[n - 1])))
                << f.wort << " flag " << n;
    EXPECT_EQ(Merker_Logik::Schaltwort(0x0005, 3), 0x0001);
    EXPECT_EQ(Merker_Logik::Schaltwort(0, 7), 0x0040);
    EXPECT_EQ(Merker_Logik::Schaltwort(0, 16), 0x8000);
    EXPECT_EQ(Merker_Logik::Labelort(1), QRect(15, 25, 30, 17));
    EXPECT_EQ(Merker_Logik::Knopfort(1), QRect(10, 40, 30, 25));
    EXPECT_EQ(Merker_Logik::Labelort(4), QRect(135, 25, 30, 17));
    EXPECT_EQ(Merker_Logik::Knopfort(5), QRect(10, 100, 30, 25));
    EXPECT_EQ(Merker_Logik::Knopfort(16), QRect(130, 220, 30, 25));
}

// ---------------------------------------------------------------- the main menu

TEST(Menue, ItemsShowTheirWindowsAndTheMemoryWindowKeepsItsPlace) {
    LinkKontext k{false};
    k.kontext->erzeuge_Fenster();
    TForm_Quorvel& haupt = *k.kontext->hauptfenster();
    const std::pair<const char*, const char*> punkte[] = {
        {"Status_DSG", "TForm_Status_DSG"},
        {"Status_Testbox", "TForm_Status_Testbox"},
        {"Menu_CAN_Zsuatztemperaturen", "TForm_CAN_Temps"},
        {"Speicher", "TForm_Speicher"},
        {"Menu_Systemdaten", "TForm_Systemdaten"},
        {"Menu_Merker", "TForm_Merker"},
    };
    for (const auto& [punkt, klasse] : punkte) {
        TForm* f = nullptr;
        for (TForm* w : k.kontext->Fenster())
            if (std::string_view(w->klasse().name) == klasse)
                f = w;
        ASSERT_NE(f, nullptr) << klasse;
        EXPECT_FALSE(f->isVisible()) << klasse;
        QAction* a = haupt.findChild<QAction*>(QString::fromLatin1(punkt));
        ASSERT_NE(a, nullptr) << punkt;
        a->trigger();
        EXPECT_TRUE(f->isVisible()) << klasse;
    }
    // Shown, the memory window keeps its place in the layout file.
    const auto* speicher = k.kontext->fenster<TForm_Speicher>();
    bool gemerkt = false;
    for (const TForm_Quorvel::Fensterlage& l : haupt.Fensterlagen())
        gemerkt = gemerkt || (l.Abschnitt == QStringLiteral("Memory") &&
                              l.Rahmen == speicher->frameGeometry());
    EXPECT_TRUE(gemerkt);
}

// ---------------------------------------------------------------- end to end

TEST(Speicher_ecusim, ScansSixSevenEightPausesAndStopsWhenHidden) {
    Variante v(Kennung(1));
    v.befehle.defekter_Speicher = 1;
    TForm_Speicher fenster(*v.k.kontext);
    auto* f = &fenster;
    f->show();
    EXPECT_TRUE(f->Timer_Speicher->isActive());
    EXPECT_EQ(f->Timer_Speicher->interval(), 1000);
    // The pause the scan keeps by itself, measured without the timer's restarts.
    f->Timer_Speicher->stop();
    // Which memory each tick asked for.
    std::vector<std::pair<int, uint8_t>> folge;
    size_t gesehen = v.sim.empfangene().size();
    for (int t = 0; t < 150; ++t) {
        v.k.ticke_und_warte();
        const std::vector<ecusim::Rahmen> e = v.sim.empfangene();
        for (; gesehen < e.size(); ++gesehen)
            if (e[gesehen].befehl() >= 6 && e[gesehen].befehl() <= 8)
                folge.emplace_back(static_cast<int>(v.k.link().Tick()), e[gesehen].befehl());
    }
    ASSERT_GE(folge.size(), 9u);
    for (size_t i = 0; i + 1 < folge.size(); ++i) {
        const uint8_t naechster = folge[i].second == 8 ? 6 : folge[i].second + 1;
        EXPECT_EQ(folge[i + 1].second, naechster) << i;
        const int abstand = folge[i + 1].first - folge[i].first;
        if (folge[i].second == 8) { // 500 ms of 20 ms ticks, then the live records' turn
            EXPECT_GE(abstand, 25) << i;
            EXPECT_LE(abstand, 29) << i;
        } else // after the live records due in the same ticks
            EXPECT_LE(abstand, 4) << i;
    }
    const Soll soll = {
        {"Label_RAM_Nr", "11"},
        {"Label_RAM_defekt", "No"},
        {"Label_RAM_Datenfehler", "No"},
        {"Label_Flash_0_Nr", "22"},
        {"Label_Flash_0_defekt", "Yes"},
        {"Label_Flash_0_Datenfehler", "No"},
        {"Label_Flash_1_Nr", "33"},
        {"Label_Flash_1_defekt", "No"},
        {"Label_Flash_1_Datenfehler", "No"},
        {"Label_Anzahl_Fehler", "2"},
        {"Label_autom_Flash_sichern", "No"},
        {"Label_Anz_Datenloggersaetze", "512"},
    };
    for (const auto& [name, text] : soll) {
        EXPECT_EQ(v.Label(f, name.toLatin1().constData()), text) << name.toStdString();
        EXPECT_TRUE(f->findChild<QLabel*>(name)->isVisible());
    }
    // The live records move: revolutions and operating time of the last main answer.
    EXPECT_TRUE(v.Label(f, "Label_Betriebszeit").startsWith(QStringLiteral("34:17:")));
    EXPECT_GT(v.Label(f, "Label_Anz_Umdr").toLongLong(), 98765432);

    fotografiere(*f, "speicher");
    // The timer starts the pass again from the RAM.
    f->Timer_Speicher->start();
    f->hide();
    EXPECT_FALSE(f->Timer_Speicher->isActive());
    // A request waiting out the pass's pause may still go; its answer ends the scan.
    v.ticke(30);
    const int n = v.Anfragen(6) + v.Anfragen(7) + v.Anfragen(8);
    v.ticke(60);
    EXPECT_EQ(v.Anfragen(6) + v.Anfragen(7) + v.Anfragen(8), n);
}

TEST(Systemdaten_ecusim, ItemsWithTheirNamesThenPrintedAcrossAPage) {
    Variante v(Kennung(1));
    // The sample description file of the simulated ECU names items 1 to 5.
    const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/English/");
    const QString name = v.k.version().Software_Dateiname();
    ASSERT_EQ(name, QStringLiteral("T-SIMQuorvel-1-400-0615.TXT"));
    ASSERT_TRUE(QFile::copy(quelle + name, v.k.ordner.datei("Language/English/" + name)));
    v.befehle.Systemdaten = {{1, 1234}, {2, 56}, {9, 65535}};
    TForm_Systemdaten fenster(*v.k.kontext);
    auto* f = &fenster;
    f->show();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("System data"));
    ASSERT_TRUE(v.warte([&] { return v.Anfragen(125) == 4; }));
    v.ticke(10);
    EXPECT_EQ(v.Anfragen(125), 4);
    std::vector<uint8_t> indizes;
    for (const ecusim::Rahmen& r : v.sim.empfangene())
        if (r.befehl() == 125)
            indizes.push_back(static_cast<uint8_t>(r.daten()[0]));
    EXPECT_EQ(indizes, (std::vector<uint8_t>{1, 0, 0, 0}));
    const std::vector<std::vector<QString>> soll = {{"No.", "Name", "Value"},
                                                    {"1", "Operating hours", "1234"},
                                                    {"2", "Engine starts", "56"},
                                                    {"9", "", "65535"}};
    EXPECT_EQ(f->StringGrid->rowCount(), 4);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(Text(f->StringGrid, r, c), soll[r][c]) << r << "," << c;

    // A long list: shown again, it reads from item 1 and row 1 once more.
    f->hide();
    v.befehle.Systemdaten.clear();
    for (uint16_t i = 1; i <= 40; ++i)
        v.befehle.Systemdaten.emplace_back(i, static_cast<uint16_t>(i * 100));
    f->show();
    ASSERT_TRUE(v.warte([&] { return f->StringGrid->rowCount() == 41; }));
    EXPECT_EQ(Text(f->StringGrid, 40, 2), QStringLiteral("4000"));
    EXPECT_EQ(Text(f->StringGrid, 5, 1), QStringLiteral("Flash write cycles"));
    fotografiere(*f, "systemdaten");

    const QString pdf = v.k.ordner.datei(QStringLiteral("systemdaten.pdf"));
    PdfDrucker drucker(pdf);
    v.k.kontext->drucker().setze_Druckauswahl(&drucker);
    f->Button_druckenClick();
    v.k.kontext->drucker().setze_Druckauswahl(nullptr);
    const QString info = Programm("pdfinfo", {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2"))))
        << info.toStdString();
    const QString seite1 = Programm("pdftotext", {"-f", "1", "-l", "1", "-layout", pdf, "-"});
    const QString seite2 = Programm("pdftotext", {"-f", "2", "-l", "2", "-layout", pdf, "-"});
    for (const char* t :
         {"System data", "Serial number:", "20170815", "ECU type:", "Manufacturer:", "1, Quorvel",
          "Type number:", "400", "Boot loader:", "Operating hours", "Flash write cycles", "500"})
        EXPECT_TRUE(seite1.contains(QLatin1String(t))) << t;
    EXPECT_TRUE(seite2.contains(QStringLiteral("4000")));
    EXPECT_FALSE(seite1.contains(QStringLiteral("4000")));
    // Title, identity block and the header row in bold, the items in the normal style: each
    // text as the first words of a text run of the page.
    const QString xml = Programm("pdftohtml", {"-xml", "-i", "-stdout", "-f", "1", "-l", "1", pdf});
    const auto fett = [&xml](const QString& text) -> std::optional<bool> {
        const QRegularExpression zeile(QStringLiteral(R"(<text [^>]*>(<b>)?%1[^<]*(</b>)?</text>)")
                                           .arg(QRegularExpression::escape(text)));
        const QRegularExpressionMatch m = zeile.match(xml);
        if (!m.hasMatch())
            return std::nullopt;
        return m.capturedLength(1) > 0;
    };
    for (const char* t : {"System data", "Serial number:", "No.", "Name", "Value"})
        EXPECT_EQ(fett(QString::fromLatin1(t)), std::optional(true)) << t << xml.toStdString();
    for (const char* t : {"Operating hours", "Flash write cycles"})
        EXPECT_EQ(fett(QString::fromLatin1(t)), std::optional(false)) << t << xml.toStdString();
    if (qEnvironmentVariableIsSet("QUORVEL_BILDER"))
        QFile::copy(pdf, qEnvironmentVariable("QUORVEL_BILDER") + "/systemdaten.pdf");
}

TEST(Merker_ecusim, AClickInvertsTheFlagAtTheEcuAndTheNextPollShowsIt) {
    Variante v(Kennung(1));
    v.befehle.Merkerwort = 0x0005;
    TForm_Merker fenster(*v.k.kontext);
    auto* f = &fenster;
    f->show();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Flags"));
    EXPECT_EQ(f->size(), QSize(180, 280));
    const auto beschriftung = [&] {
        QString s;
        for (const TColorButton* b : f->Buttons)
            s += b->text();
        return s;
    };
    EXPECT_EQ(beschriftung(), QStringLiteral("LLLLLLLLLLLLLLLL"));
    ASSERT_TRUE(v.warte([&] { return beschriftung() == QStringLiteral("HLHLLLLLLLLLLLLL"); }));
    for (int n = 1; n <= 16; ++n) {
        EXPECT_EQ(f->Labels[n - 1]->text(), QString::number(n));
        EXPECT_EQ(f->Labels[n - 1]->geometry(), Merker_Logik::Labelort(n));
        EXPECT_EQ(f->Buttons[n - 1]->geometry(), Merker_Logik::Knopfort(n));
    }
    // Flag 2 switched: the write goes out before anything else, the caption waits for the poll.
    v.sim.leere_Protokoll();
    f->Buttons[1]->click();
    EXPECT_EQ(beschriftung(), QStringLiteral("HLHLLLLLLLLLLLLL"));
    v.k.ticke_und_warte();
    ASSERT_FALSE(v.sim.empfangene().empty());
    EXPECT_EQ(v.sim.empfangene().front().befehl(), 117);
    EXPECT_EQ(v.befehle.Merkerwort, 0x0007);
    ASSERT_TRUE(v.warte([&] { return beschriftung() == QStringLiteral("HHHLLLLLLLLLLLLL"); }));
    fotografiere(*f, "merker");

    // Hidden: no more polls; shown again, the same cells at "L" until the first answer.
    f->hide();
    v.ticke(5);
    const int polls = v.Anfragen(116);
    v.ticke(20);
    EXPECT_EQ(v.Anfragen(116), polls);
    v.befehle.Merkerwort = 0x8000;
    f->show();
    EXPECT_EQ(beschriftung(), QStringLiteral("LLLLLLLLLLLLLLLL"));
    EXPECT_EQ(f->Buttons[15]->geometry(), Merker_Logik::Knopfort(16));
    ASSERT_TRUE(v.warte([&] { return beschriftung() == QStringLiteral("LLLLLLLLLLLLLLLH"); }));
}

TEST(Merker_ecusim, ClickBeforeAnyAnswerSendsOnlyThatFlag) {
    Variante v(Kennung(1));
    v.befehle.Merkerwort = 0xFFFF;
    TForm_Merker f(*v.k.kontext);
    f.show();
    f.Buttons[3]->click();
    ASSERT_TRUE(v.warte([&] { return v.Anfragen(117) == 1; }));
    EXPECT_EQ(v.befehle.Merkerwort, 0x0008);
}
