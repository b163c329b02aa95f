// The map description of the shipped sample files against the simulated ECU: connected, the
// offered list holds the maps of that software, and a described map reads from the ECU.

#include "ecusim/Identitaet.h"
#include "ecusim/Kennfelder.h"
#include "ecusim/Parameter.h"
#include "link/LinkFixture.h"
#include "link/UKommunikation.h"
#include "model/Modellkennfelder.h"
#include "model/UKennfeldbeschreibung.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

class Beschreibung_ecusim {
public:
    Beschreibung_ecusim() : parameter(sim), kennfelder(sim, parameter), karten(*k.kontext) {
        const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
        for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")})
            for (const QString& d : {QStringLiteral("T-SIMQuorvel-1-400-0615.TXT"),
                                     QStringLiteral("T-SIMQuorvel-7-400-0620.TXT")})
                QFile::copy(quelle + s + '/' + d,
                            k.ordner.datei(QStringLiteral("Language/") + s + '/' + d));
        baue_Kennfeldlisten(kf(), karten, menue);
        // This test watches the maps, not the live data.
        k.kontext->parameter().starte_Statusdaten = nullptr;
        k.kontext->passwort_OK().starte_Statusdaten = nullptr;
        sim.oeffne_CAN(k.bus.Teilnehmer());
        k.sim = &sim;
        InterAction().Create(
            cl_Parameter::Klasse, [this](Sender&) { ++gelesen; }, cl_Parameter::Gelesen);
    }
    ~Beschreibung_ecusim() { kf().vergiss_Kennfelder(); }

    Kennfelder& kf() { return k.kontext->kennfelder(); }
    template <class F> bool warte(F fertig, int ticks = 2000) { return k.warte_bis(fertig, ticks); }
    bool still() {
        return warte([&] {
            for (cl_COM_data* r : k.link().Anfragen())
                if (r->aktiv)
                    return false;
            return true;
        });
    }
    // The ECU tells who it is; the definitions of its software load, and its parameters are
    // read.
    bool verbinde(const ecusim::Identitaetsdaten& id) {
        ecusim::richte_Identitaet_ein(sim, id);
        k.version().anfordern();
        if (!warte([&] { return k.version().beantwortet && k.version().Version() == id.Version; }))
            return false;
        if (!still())
            return false;
        const int vorher = gelesen;
        k.kontext->parameter().lesen();
        return warte([&] { return gelesen >= vorher + 2; }) && still();
    }
    QSet<QString> Karten() {
        QStringList a = Angebot(kf());
        a.removeAll(QStringLiteral("-"));
        return {a.begin(), a.end()};
    }

    LinkKontext k;
    ecusim::EcuSim sim;
    ecusim::Parameterbereich parameter;
    ecusim::Kennfeldbereich kennfelder;
    Modellfabrik karten;
    Menuezaehler menue;
    int gelesen = 0;
};

} // namespace

TEST(Kennfeldbeschreibung_ecusim, TheBlockEcuOffersItsBuiltInMapsInCatalogueOrder) {
    Beschreibung_ecusim e;
    ASSERT_TRUE(e.verbinde({}));
    EXPECT_EQ(e.Karten(),
              (QSet<QString>{"0", "22", "4", "7", "9", "10", "13", "14", "24", "35", "Z1"}));
    // In catalogue order, with its separators.
    QStringList folge;
    for (const Kennfeldglied& g : e.kf().Kennfeldliste_alle())
        if (!g.ist_Trenner() && e.kf().ist_angeboten(g))
            folge << Gliedname(e.kf(), g);
    QStringList karten = Angebot(e.kf());
    karten.removeAll(QStringLiteral("-"));
    EXPECT_EQ(karten, folge);
    EXPECT_TRUE(Angebot(e.kf()).contains(QStringLiteral("-")));
    EXPECT_EQ(e.kf().suche_in_alle(13)->Bedingung, QStringLiteral("131"));
    EXPECT_TRUE(e.kf().beschriebene_Kennfelder().empty());
    EXPECT_GE(e.menue.erstellt, 2);
    EXPECT_TRUE(e.k.meldungen.texte.isEmpty());
}

TEST(Kennfeldbeschreibung_ecusim, TheDataItemEcuOffersItsDescribedMapsAndTheyReadFromIt) {
    Beschreibung_ecusim e;
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 7;
    id.Version = 620;
    ASSERT_TRUE(e.verbinde(id));
    const QStringList angebot = Angebot(e.kf());
    ASSERT_GE(angebot.size(), 3);
    EXPECT_EQ(angebot.mid(angebot.size() - 3), (QStringList{"-", "140", "141"}));
    EXPECT_EQ(e.Karten(), (QSet<QString>{"0", "9", "Z1", "140", "141"}));
    // Read once as the definitions loaded and once after the parameters: made once.
    ASSERT_EQ(e.kf().beschriebene_Kennfelder().size(), 2u);

    cl_Kennfeld* karte = beschriebenes_Kennfeld(e.kf(), 140);
    cl_Kennfeld* kurve = beschriebenes_Kennfeld(e.kf(), 141);
    ASSERT_TRUE(karte && kurve);
    EXPECT_EQ(karte->Titel, QStringLiteral("Item-map-140"));
    EXPECT_TRUE(karte->ist_Datenelement());
    EXPECT_FALSE(karte->ist_Kurve);
    EXPECT_TRUE(kurve->ist_Kurve);

    for (cl_Kennfeld* f : {karte, kurve}) {
        const auto werte = [f] {
            std::vector<int16_t> w;
            for (int x = 0; x < 17; ++x)
                for (int y = 0; y < (f->ist_Kurve ? 1 : 17); ++y)
                    w.push_back(
                        static_cast<int16_t>(f->ist_Kurve ? f->Kurvenwert(x) : f->Wert(x, y)));
            return w;
        };
        const std::vector<int16_t> ecu = e.kennfelder.Werte(f->Kennfeld_Nr);
        ASSERT_NE(werte(), ecu);
        f->lese_von_ECU();
        EXPECT_TRUE(e.warte([&] { return werte() == ecu; })) << f->Kennfeld_Nr;
    }
    EXPECT_EQ(e.sim.Empfangsfehler, 0);
    EXPECT_TRUE(e.k.meldungen.texte.isEmpty());
}
