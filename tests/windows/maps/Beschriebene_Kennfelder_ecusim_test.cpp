// The program connected to the simulated ECU of type 7: its shipped description makes the
// data-item map and curve, each with its window at the end of the window list, offered in the
// maps menu's order, and each window shows what it reads from the ECU.

#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Kennfelder.h"
#include "ecusim/Parameter.h"
#include "link/UComData.h"
#include "model/UKennfelder.h"
#include "model/UPasswort.h"
#include "windows/Datenfenster.h"
#include "windows/maps/UKennfeldfenster.h"

#include <QFile>
#include <algorithm>
#include <gtest/gtest.h>

TEST(Beschriebene_Kennfelder, TheDataItemEcusDescribedMapsGetWindowsThatReadFromIt) {
    Datenfenster d;
    const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
    for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")})
        QFile::copy(quelle + s + QStringLiteral("/T-SIMQuorvel-7-400-0620.TXT"),
                    d.k.ordner.datei(QStringLiteral("Language/") + s +
                                     QStringLiteral("/T-SIMQuorvel-7-400-0620.TXT")));
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 7;
    id.Version = 620;
    ecusim::EcuSim sim;
    ecusim::richte_Identitaet_ein(sim, id);
    ecusim::Parameterbereich parameter(sim);
    ecusim::Kennfeldbereich kennfelder(sim, parameter);
    // Among the sample values the password state (item 81): given, so that the maps read
    // without asking for it.
    parameter.fuelle_Beispielwerte();
    sim.oeffne_CAN(d.k.bus.Teilnehmer());
    d.k.sim = &sim;

    Kennfelder& kf = d.k.kontext->kennfelder();
    // What the main window's first showing does.
    kf.erstelle_Kennfeldliste();
    const std::vector<TForm*> vorher = d.k.kontext->Fenster();
    d.k.link().setze_Verbindung(true);
    d.k.version().anfordern();
    ASSERT_TRUE(d.k.warte_bis([&] { return kf.beschriebene_Kennfelder().size() == 2; }, 3000));
    ASSERT_TRUE(d.k.warte_bis([&] { return d.k.kontext->passwort_OK().akzeptiert() != 0; }, 3000));

    std::vector<TForm_Kennfeld*> fenster;
    for (cl_Kennfeld* k : kf.beschriebene_Kennfelder()) {
        auto* f = dynamic_cast<TForm_Kennfeld*>(k->Ansicht());
        ASSERT_NE(f, nullptr) << k->Kennfeld_Nr;
        fenster.push_back(f);
    }
    EXPECT_EQ(fenster[0]->Kennfeld().Kennfeld_Nr, 140);
    EXPECT_EQ(fenster[1]->Kennfeld().Kennfeld_Nr, 141);
    // Their windows joined the list at its end, in the order they were made.
    const std::vector<TForm*> nachher = d.k.kontext->Fenster();
    ASSERT_EQ(nachher.size(), vorher.size() + 2);
    EXPECT_EQ(nachher[nachher.size() - 2], fenster[0]);
    EXPECT_EQ(nachher[nachher.size() - 1], fenster[1]);
    // Their requests joined the link's ring at its end too: each map's change request, then
    // its line request.
    const auto& ring = d.k.link().Anfragen();
    const auto stelle = [&ring](const cl_COM_data* r) {
        return std::find(ring.begin(), ring.end(), r) - ring.begin();
    };
    const cl_Kennfeld& a = fenster[0]->Kennfeld();
    const cl_Kennfeld& b = fenster[1]->Kennfeld();
    const std::vector<ptrdiff_t> stellen = {
        stelle(kf.Katalog().back()->Daten.get()), stelle(a.Aenderungsauftrag.get()),
        stelle(a.Daten.get()), stelle(b.Aenderungsauftrag.get()), stelle(b.Daten.get())};
    EXPECT_TRUE(std::is_sorted(stellen.begin(), stellen.end()));
    EXPECT_EQ(stellen.back(), static_cast<ptrdiff_t>(ring.size()) - 1);
    const auto& angeboten = kf.Kennfeldliste_angeboten();
    ASSERT_GE(angeboten.size(), 3u);
    EXPECT_TRUE(angeboten[angeboten.size() - 3].ist_Trenner());
    EXPECT_EQ(angeboten[angeboten.size() - 2].Kennfeld, &fenster[0]->Kennfeld());
    EXPECT_EQ(angeboten[angeboten.size() - 1].Kennfeld, &fenster[1]->Kennfeld());

    for (TForm_Kennfeld* f : fenster) {
        cl_Kennfeld& k = f->Kennfeld();
        EXPECT_EQ(f->windowTitle(), k.Titel);
        f->show();
        const auto werte = [&k] {
            std::vector<int16_t> w;
            for (int x = 0; x < 17; ++x)
                for (int y = 0; y < (k.ist_Kurve ? 1 : 17); ++y)
                    w.push_back(static_cast<int16_t>(k.ist_Kurve ? k.Kurvenwert(x) : k.Wert(x, y)));
            return w;
        };
        const std::vector<int16_t> ecu = kennfelder.Werte(k.Kennfeld_Nr);
        k.lese_von_ECU();
        EXPECT_TRUE(d.k.warte_bis([&] { return werte() == ecu; }, 3000)) << k.Kennfeld_Nr;
        EXPECT_FALSE(f->Bild().isNull());
        f->hide();
    }
    EXPECT_EQ(sim.Empfangsfehler, 0);
    EXPECT_TRUE(d.k.meldungen.texte.isEmpty()) << d.k.meldungen.texte.join('|').toStdString();
}
