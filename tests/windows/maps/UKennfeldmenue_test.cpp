// The maps menu over the offered list, the catalogue's windows and requests in the program,
// and the live point of an open map window against the simulated engine.

#include "windows/maps/UKennfeldmenue.h"

#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Parameter.h"
#include "ecusim/Passwort.h"
#include "link/UComData.h"
#include "model/UKennfelder.h"
#include "model/UParameter.h"
#include "model/UStatusdaten.h"
#include "windows/Datenfenster.h"
#include "windows/maps/UKennfeldfenster.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TForm_Kennfeld& Fenster(Kennfelder& kf, int nr) {
    return *dynamic_cast<TForm_Kennfeld*>(kf.Katalogkennfeld(nr)->Ansicht());
}

} // namespace

// The menu as the user meets it: an item per offered member in list order, separators as
// lines; each item shown by its member (maps 24 and 35 share a title: 35, the later, decides;
// the second editor by its condition, the first always). Choosing an item shows the window.
TEST(Kennfeldmenue, ItemsFollowTheOfferedListAndTheirMembersFlags) {
    Datenfenster d;
    Kennfelder& kf = d.k.kontext->kennfelder();
    kf.erstelle_Kennfeldliste();
    QMenu menue;
    Kennfeldmenue m(kf, [&menue] { return &menue; });

    cl_Kennfeld& k24 = *kf.Katalogkennfeld(24);
    cl_Kennfeld& k35 = *kf.Katalogkennfeld(35);
    cl_Kennfeld& k0 = *kf.Katalogkennfeld(0);
    cl_Kennfeld& k7 = *kf.Katalogkennfeld(7);
    k24.setze_Bedingung(QStringLiteral("131"));  // unknown: 0, not met
    k35.setze_Bedingung(QString());              // met
    k0.setze_Bedingung(QStringLiteral("76[0]")); // 0 is listed: met
    k7.setze_Bedingung(QStringLiteral("60[2]")); // not met
    kf.Zuendung().setze_Titel(QStringLiteral("Ignition map"));
    kf.Zuendung_2().setze_Titel(QString());
    kf.Zuendung_2().setze_Bedingung(QStringLiteral("131"));
    int gezeigt = 0;
    kf.Zuendung().zeigen = [&] { ++gezeigt; };
    for (cl_Kennfeld* c : {&k24, &k35})
        kf.haenge_an(*c);
    kf.haenge_Trenner_an();
    kf.haenge_an(kf.Zuendung());
    kf.haenge_an(kf.Zuendung_2());
    kf.haenge_an(k0);
    kf.haenge_an(k7);
    kf.haenge_Trenner_an();
    // An item left from an earlier build goes.
    menue.addAction(QStringLiteral("old"));
    m.erstelle_Kennfeld_Menue();
    kf.pruefe_Kennfeld_Bedingungen();
    m.aktualisiere_Kennfeld_Menue();

    struct Zeile {
        QString text;
        bool trenner;
        bool sichtbar;
    };
    const std::vector<Zeile> erwartet = {
        {hole_Text(236), false, true},
        {hole_Text(236), false, true},
        {"", true, true},
        {"Ignition map", false, true},
        {hole_Text(1209), false, false},
        {hole_Text(221), false, true},
        {hole_Text(224), false, false},
        {"", true, true},
    };
    const QList<QAction*> punkte = menue.actions();
    ASSERT_EQ(punkte.size(), static_cast<qsizetype>(erwartet.size()));
    for (size_t i = 0; i < erwartet.size(); ++i) {
        SCOPED_TRACE(i);
        const QAction* a = punkte[static_cast<qsizetype>(i)];
        EXPECT_EQ(a->isSeparator(), erwartet[i].trenner);
        if (!erwartet[i].trenner) {
            EXPECT_EQ(a->text(), erwartet[i].text);
        }
        EXPECT_EQ(a->isVisible(), erwartet[i].sichtbar);
    }

    // The pair follows map 35: with it unmet both items go, whatever map 24 says.
    k35.setze_Bedingung(QStringLiteral("131"));
    kf.pruefe_Kennfeld_Bedingungen();
    m.aktualisiere_Kennfeld_Menue();
    EXPECT_FALSE(punkte[0]->isVisible());
    EXPECT_FALSE(punkte[1]->isVisible());

    TForm_Kennfeld& f0 = Fenster(kf, 0);
    EXPECT_FALSE(f0.isVisible());
    punkte[5]->trigger();
    EXPECT_TRUE(f0.isVisible());
    punkte[3]->trigger();
    EXPECT_EQ(gezeigt, 1);
    f0.hide();

    // Without its menu (no menu bar yet) neither call does anything.
    Kennfeldmenue ohne(kf, [] { return nullptr; });
    ohne.erstelle_Kennfeld_Menue();
    ohne.aktualisiere_Kennfeld_Menue();
}

// The catalogue's windows follow the main window in creation order, the placeholder first;
// in the link's ring every map's change request and line request follow the global data
// requests, in that order.
TEST(Kennfeldmenue, CatalogueWindowsAndRequestsFollowTheirCreationOrder) {
    Datenfenster d;
    Kontext& k = *d.k.kontext;
    Kennfelder& kf = k.kennfelder();
    std::vector<cl_Kennfeld*> karten{kf.Platzhalter()};
    karten.insert(karten.end(), kf.Katalog().begin(), kf.Katalog().end());
    ASSERT_EQ(karten.size(), 89u);

    const std::vector<TForm*> fenster = k.Fenster();
    ASSERT_GT(fenster.size(), karten.size());
    EXPECT_EQ(fenster[0], &d.haupt());
    for (size_t i = 0; i < karten.size(); ++i)
        EXPECT_EQ(fenster[i + 1], dynamic_cast<TForm*>(karten[i]->Ansicht())) << i;

    const std::vector<cl_COM_data*>& ring = k.link().Anfragen();
    const auto stelle = [&ring](const cl_COM_data* r) {
        return std::find(ring.begin(), ring.end(), r) - ring.begin();
    };
    const auto erste = stelle(karten[0]->Aenderungsauftrag.get());
    cl_ECU_Befehle& b = k.ecu_Befehle();
    for (const cl_COM_data* r : std::initializer_list<const cl_COM_data*>{
             &b.akt_Daten, &b.CAN_Zusatztemps, &b.Aux_Daten_erweitert, &b.Getriebe_Daten})
        EXPECT_LT(stelle(r), erste);
    EXPECT_LT(stelle(&k.version()), erste);
    for (size_t i = 0; i < karten.size(); ++i) {
        SCOPED_TRACE(karten[i]->Kennfeld_Nr);
        EXPECT_EQ(stelle(karten[i]->Aenderungsauftrag.get()), erste + 2 * static_cast<long>(i));
        EXPECT_EQ(stelle(karten[i]->Daten.get()), erste + 2 * static_cast<long>(i) + 1);
    }

    // A map a description names later joins both at their ends.
    Kennfeld_Beschreibung beschreibung;
    beschreibung.Kennfeld_Nr = 300;
    cl_Kennfeld* neu = kf.erzeuge_beschriebenes_Kennfeld(beschreibung);
    ASSERT_NE(neu, nullptr);
    EXPECT_EQ(k.Fenster().back(), dynamic_cast<TForm*>(neu->Ansicht()));
    EXPECT_EQ(ring.back(), neu->Daten.get());
}

// End to end: an open map window's live point follows the simulated engine as the live
// records come in; the window shows the record's throttle and speed.
TEST(Kennfeldmenue, AnOpenMapsLivePointFollowsTheSimulatedEngine) {
    Datenfenster d;
    const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
    for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")})
        QFile::copy(quelle + s + QStringLiteral("/T-SIMQuorvel-1-400-0615.TXT"),
                    d.k.ordner.datei(QStringLiteral("Language/") + s +
                                     QStringLiteral("/T-SIMQuorvel-1-400-0615.TXT")));
    ecusim::EcuSim sim;
    // The identity before the password area, whose answer of command 82 replaces its default.
    ecusim::richte_Identitaet_ein(sim);
    ecusim::Parameterbereich parameter(sim);
    parameter.fuelle_Beispielwerte();
    ecusim::Livebereich live(sim);
    ecusim::Passwortbereich passwort(sim);
    sim.oeffne_CAN(d.k.bus.Teilnehmer());
    d.k.sim = &sim;
    TForm_Kennfeld& f = Fenster(d.k.kontext->kennfelder(), 0);
    f.show();
    d.k.link().setze_Verbindung(true);
    d.k.version().anfordern();
    const cl_akt_Daten& M = d.k.kontext->ecu_Befehle().akt_Daten;
    QSet<QString> drehzahlen;
    const bool bewegt = d.k.warte_bis(
        [&] {
            if (M.beantwortet)
                drehzahlen.insert(f.Label_Arbeitspunkt[1]->text());
            return drehzahlen.size() >= 4;
        },
        3000);
    EXPECT_TRUE(bewegt) << drehzahlen.size();
    EXPECT_EQ(f.Label_Arbeitspunkt[0]->text(), QString::number(M.s16(72)));
    EXPECT_EQ(f.Label_Arbeitspunkt[1]->text(), QString::number(M.u16(10)));
    for (const QString& n : drehzahlen) {
        EXPECT_GT(n.toInt(), 0) << n.toStdString();
        EXPECT_LE(n.toInt(), 4000) << n.toStdString();
    }
    f.hide();
}
