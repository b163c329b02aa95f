// The settings editor and the parameter files against the simulated ECU: a value edited in
// the window, sent, stored in flash and read back; a file saved, changed, loaded and sent.

#include "ecusim/Befehle.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Parameter.h"
#include "link/LinkFixture.h"
#include "model/Drucker.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "support/Pdfauswahl.h"
#include "windows/UEinstellwerte.h"

#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class Umgebung {
public:
    Umgebung() : bereich(sim), befehle(sim) {
        const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
        for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")})
            QFile::copy(
                quelle + s + "/T-SIMQuorvel-1-400-0615.TXT",
                k.ordner.datei(QStringLiteral("Language/") + s + "/T-SIMQuorvel-1-400-0615.TXT"));
        sim.oeffne_CAN(k.bus.Teilnehmer());
        k.sim = &sim;
        bereich.fuelle_Beispielwerte();
        // The flash store goes through the program's command requests.
        k.kontext->erzeuge_Befehle();
        for (int e : {cl_Parameter::Gelesen, cl_Parameter::Geschrieben})
            InterAction().Create(
                cl_Parameter::Klasse, [this, e](Sender&) { ++ereignisse[e]; }, e);
    }
    cl_Parameter& p() { return k.kontext->parameter(); }
    template <class F> bool warte(F fertig) { return k.warte_bis(fertig, 1000); }
    bool verbinde() {
        ecusim::richte_Identitaet_ein(sim, {});
        k.version().beantwortet = false;
        k.version().anfordern();
        return warte([&] { return k.version().beantwortet; }) && warte([&] {
                   return !k.kontext->kommunikation().aktiv && !p().aktiv &&
                          !k.kontext->passwort_OK().aktiv;
               });
    }
    bool lies() {
        const int vorher = ereignisse[cl_Parameter::Gelesen];
        p().lesen();
        return warte([&] { return ereignisse[cl_Parameter::Gelesen] == vorher + 2; });
    }
    bool schreibe() {
        const int vorher = ereignisse[cl_Parameter::Geschrieben];
        if (!p().schreiben())
            return false;
        return warte([&] { return ereignisse[cl_Parameter::Geschrieben] >= vorher + 2; }) &&
               warte([&] { return !p().aktiv && !k.kontext->kommunikation().aktiv; });
    }

    LinkKontext k;
    ecusim::EcuSim sim;
    ecusim::Parameterbereich bereich;
    ecusim::Befehlsbereich befehle;
    std::map<int, int> ereignisse;
};

// With QUORVEL_BILDER naming a folder: the window's picture (under Xvfb as the screen shows
// it) and its printout there.
void Bild_und_Druck(TForm_Einstellwerte& f, LinkKontext& k) {
    if (!qEnvironmentVariableIsSet("QUORVEL_BILDER"))
        return;
    const QString ordner = qEnvironmentVariable("QUORVEL_BILDER");
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    QScreen* schirm = QGuiApplication::primaryScreen();
    if (QGuiApplication::platformName() == "xcb" && schirm)
        schirm->grabWindow(f.winId()).save(ordner + "/TForm_Einstellwerte.png");
    else
        f.grab().save(ordner + "/TForm_Einstellwerte.png");
    Pdfauswahl pdf(ordner + "/TForm_Einstellwerte.pdf", QPageSize::A4);
    k.kontext->drucker().setze_Druckauswahl(&pdf);
    f.Button_Drucken->click();
    k.kontext->drucker().setze_Druckauswahl(nullptr);
}

} // namespace

TEST(EinstellwerteEcusim, AValueEditedInTheWindowIsSentStoredInFlashAndReadBack) {
    Umgebung u;
    ASSERT_TRUE(u.verbinde());
    ASSERT_TRUE(u.lies());
    u.k.kontext->passwort_OK().setze_akzeptiert(1);
    TForm_Einstellwerte f(*u.k.kontext);
    f.show();
    // The idle group holds the idle speed correction (100), a flash-stored parameter.
    const auto gruppe = f.ListBox_Gruppe->findItems(QStringLiteral("Idle"), Qt::MatchExactly);
    ASSERT_EQ(gruppe.size(), 1);
    f.ListBox_Gruppe->setCurrentItem(gruppe[0]);
    const auto zeile =
        f.StringGrid->findItems(QStringLiteral("Idle speed correction (rpm)"), Qt::MatchExactly);
    ASSERT_EQ(zeile.size(), 1);
    const int r = zeile[0]->row();
    EXPECT_EQ(f.StringGrid->item(r, 3)->text(), "-120");
    f.StringGrid->setCurrentCell(r, 4);
    f.StringGrid->item(r, 4)->setText(QStringLiteral("250"));
    EXPECT_EQ(f.StringGrid->item(r, 4)->text(), "250");

    // While the set is being read, a send says that it sent nothing.
    const int gelesen = u.ereignisse[cl_Parameter::Gelesen];
    u.p().lesen();
    f.Button_nach_Quorvel_senden->click();
    EXPECT_TRUE(u.k.meldungen.texte.contains(hole_Text(1390)));
    ASSERT_TRUE(u.warte([&] { return u.ereignisse[cl_Parameter::Gelesen] == gelesen + 2; }));
    EXPECT_EQ(u.befehle.Flash_gesichert, 0);
    f.StringGrid->item(r, 4)->setText(QStringLiteral("250"));

    u.sim.leere_Protokoll();
    f.Button_nach_Quorvel_senden->click();
    ASSERT_TRUE(u.warte([&] { return u.befehle.Flash_gesichert == 1; }));
    ASSERT_TRUE(u.warte([&] { return !u.p().aktiv; }));
    EXPECT_TRUE(u.k.meldungen.texte.contains(hole_Text(157)));
    EXPECT_EQ(static_cast<uint8_t>(u.bereich.Bild[12]), 250);
    // The store follows the write's last block, once.
    std::vector<int> folge;
    for (const ecusim::Rahmen& rahmen : u.sim.empfangene())
        if (rahmen.befehl() == 2 || rahmen.befehl() == 41)
            folge.push_back(rahmen.befehl());
    ASSERT_FALSE(folge.empty());
    EXPECT_EQ(folge.back(), 41);
    EXPECT_EQ(std::count(folge.begin(), folge.end(), 41), 1);

    // Read back: the ECU holds it, the last column is empty again.
    const int vorher = u.ereignisse[cl_Parameter::Gelesen];
    f.Button_von_Quorvel_laden->click();
    ASSERT_TRUE(u.warte([&] { return u.ereignisse[cl_Parameter::Gelesen] == vorher + 2; }));
    EXPECT_EQ(f.StringGrid->item(r, 3)->text(), "250");
    EXPECT_EQ(f.StringGrid->item(r, 4)->text(), "");
    EXPECT_EQ(u.befehle.Flash_gesichert, 1);
    // An edit pending in another row, for the picture.
    f.StringGrid->item(0, 4)->setText(QStringLiteral("1000"));
    Bild_und_Druck(f, u.k);
}

TEST(EinstellwerteEcusim, AFileSavedChangedLoadedAndSent) {
    Umgebung u;
    ASSERT_TRUE(u.verbinde());
    ASSERT_TRUE(u.lies());
    cl_Parameter& p = u.p();
    const int64_t vorher = p.Wert(100);
    QTemporaryDir tmp;
    ASSERT_TRUE(p.speichere_Datei_nach(tmp.filePath("E.01P")));
    // Changed in the ECU.
    p.suche_Parameter(100);
    p.setze_Text_neu(QStringLiteral("77"));
    ASSERT_TRUE(u.schreibe());
    ASSERT_EQ(static_cast<uint8_t>(u.bereich.Bild[12]), 77);
    // The file back, and sent.
    ASSERT_TRUE(p.lade_Datei_aus(tmp.filePath("E.01P")));
    EXPECT_EQ(p.Wert(100), vorher);
    ASSERT_TRUE(u.schreibe());
    ASSERT_TRUE(u.lies());
    EXPECT_EQ(p.Wert(100), vorher);
    EXPECT_EQ(static_cast<int8_t>(u.bereich.Bild[12]), static_cast<int8_t>(vorher & 0xFF));
}
