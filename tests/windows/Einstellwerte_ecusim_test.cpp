// The settings editor's logic and the parameter files against the simulated ECU: an edited
// value sent, stored in flash and read back; a file saved, changed, loaded and sent.

#include "ecusim/Identitaet.h"
#include "ecusim/Parameter.h"
#include "link/LinkFixture.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "windows/Einstellwerte.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class Umgebung {
public:
    Umgebung() : bereich(sim) {
        const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
        for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")})
            QFile::copy(
                quelle + s + "/T-SIMQuorvel-1-400-0615.TXT",
                k.ordner.datei(QStringLiteral("Language/") + s + "/T-SIMQuorvel-1-400-0615.TXT"));
        sim.oeffne_CAN(k.bus.Teilnehmer());
        k.sim = &sim;
        bereich.fuelle_Beispielwerte();
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
    std::map<int, int> ereignisse;
};

} // namespace

TEST(EinstellwerteEcusim, AnEditedValueIsSentStoredInFlashAndReadBack) {
    Umgebung u;
    ASSERT_TRUE(u.verbinde());
    ASSERT_TRUE(u.lies());
    cl_Parameter& p = u.p();
    Einstellwerte e(p);
    e.Parameter_anzeigen();
    // The group of the idle speed correction (100), a flash-stored parameter.
    const auto& gruppen = p.Gruppen();
    ASSERT_TRUE(p.suche_Parameter(100));
    const QString schluessel = p.Cursor()->Gruppe;
    int g = -1;
    for (size_t i = 0; i < gruppen.size(); ++i)
        if (gruppen[i].Schluessel == schluessel)
            g = static_cast<int>(i);
    ASSERT_GE(g, 0);
    e.waehle_Gruppe(g);
    int zeile = 0;
    for (size_t i = 0; i < e.Tabelle().size(); ++i)
        if (e.Tabelle()[i].Text == p.Cursor()->Text)
            zeile = static_cast<int>(i) + 1;
    ASSERT_GE(zeile, 1);
    e.uebernehme_Eingabe(zeile, QStringLiteral("250"));
    EXPECT_EQ(e.Tabelle()[static_cast<size_t>(zeile - 1)].Neu, "250");
    ASSERT_TRUE(u.schreibe());
    EXPECT_TRUE(u.k.meldungen.texte.contains(hole_Text(157)));
    EXPECT_EQ(static_cast<uint8_t>(u.bereich.Bild[12]), 250);
    ASSERT_TRUE(u.lies());
    e.Parameter_anzeigen();
    e.waehle_Gruppe(g);
    EXPECT_EQ(e.Tabelle()[static_cast<size_t>(zeile - 1)].ECU, "250");
    EXPECT_EQ(e.Tabelle()[static_cast<size_t>(zeile - 1)].Neu, "");
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
