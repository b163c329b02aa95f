// The parameter set against the simulated ECU on the fake CAN bus: read and written in
// blocks, and through the data-item protocol on an ECU of type 7, with the sample
// definition files the program ships.

#include "ecusim/Identitaet.h"
#include "ecusim/Parameter.h"
#include "link/LinkFixture.h"
#include "link/UKommunikation.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"

#include <gtest/gtest.h>

namespace {

using Tripel = ecusim::Datenelement_Nachricht::Tripel;

class Ecusimumgebung {
public:
    Ecusimumgebung() : bereich(sim) {
        const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
        for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")})
            for (const QString& d : {QStringLiteral("T-SIMQuorvel-1-400-0615.TXT"),
                                     QStringLiteral("T-SIMQuorvel-7-400-0620.TXT")})
                QFile::copy(quelle + s + '/' + d,
                            k.ordner.datei(QStringLiteral("Language/") + s + '/' + d));
        sim.oeffne_CAN(k.bus.Teilnehmer());
        k.sim = &sim;
        bereich.fuelle_Beispielwerte();
        for (int e : {cl_Parameter::Gelesen, cl_Parameter::Geschrieben})
            InterAction().Create(
                cl_Parameter::Klasse, [this, e](Sender&) { ++ereignisse[e]; }, e);
    }

    cl_Parameter& p() { return k.kontext->parameter(); }

    template <class F> bool warte(F fertig, int ticks = 1000) { return k.warte_bis(fertig, ticks); }
    // The ECU tells who it is; the definitions of its software are loaded.
    bool verbinde(const ecusim::Identitaetsdaten& id) {
        ecusim::richte_Identitaet_ein(sim, id);
        k.version().beantwortet = false;
        k.version().anfordern();
        if (!warte([&] { return k.version().beantwortet && k.version().Version() == id.Version; }))
            return false;
        // The password state asked at connection decides whether the parameters are read
        // at once; the cases below count only the messages they cause themselves.
        const bool fertig = warte([&] {
            return !k.kontext->kommunikation().aktiv && !p().aktiv &&
                   !k.kontext->passwort_OK().aktiv;
        });
        bereich.Nachrichten.clear();
        sim.leere_Protokoll();
        return fertig;
    }
    bool lies() {
        const int vorher = ereignisse[cl_Parameter::Gelesen];
        p().lesen();
        return warte([&] { return ereignisse[cl_Parameter::Gelesen] == vorher + 2; });
    }
    bool schreibe() {
        const int vorher = ereignisse[cl_Parameter::Geschrieben];
        p().schreiben();
        return warte([&] { return ereignisse[cl_Parameter::Geschrieben] >= vorher + 2; }) &&
               warte([&] { return !p().aktiv && !k.kontext->kommunikation().aktiv; });
    }
    // Bytes the PC asked for in command-3 block requests, and their count.
    std::pair<int, int> Blockanfragen() const {
        int bytes = 0;
        int anzahl = 0;
        for (const ecusim::Rahmen& r : sim.empfangene())
            if (r.befehl() == 3) {
                bytes += static_cast<uint8_t>(r.daten()[1]);
                ++anzahl;
            }
        return {bytes, anzahl};
    }

    LinkKontext k;
    ecusim::EcuSim sim;
    ecusim::Parameterbereich bereich;
    std::map<int, int> ereignisse;
};

ecusim::Identitaetsdaten Typ7() {
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 7;
    id.Version = 620;
    return id;
}

} // namespace

TEST(ParameterEcusim, ReadAndWrittenInBlocksAndReadBackFromTheEcu) {
    Ecusimumgebung u;
    ASSERT_TRUE(u.verbinde({}));
    cl_Parameter& p = u.p();
    ASSERT_TRUE(p.Definitionen_geladen());
    EXPECT_FALSE(p.ueber_Datenelemente);
    ASSERT_TRUE(u.lies());

    EXPECT_EQ(u.Blockanfragen(), std::make_pair(1000, 10));
    EXPECT_EQ(p.Wert(1), 4);
    EXPECT_EQ(p.Wert(8), -5);
    EXPECT_EQ(p.Wert(100), -120);
    EXPECT_EQ(p.Wert(121), 123456);
    ASSERT_TRUE(p.suche_Parameter(61));
    EXPECT_EQ(p.Text_neu(), QStringLiteral(" 2.20"));
    ASSERT_TRUE(p.suche_Parameter(122));
    EXPECT_EQ(p.Text_ECU(), QStringLiteral("DEADBEEF"));
    EXPECT_EQ(p.Bitzahl, 3); // 0xB6 among bits 0..4
    EXPECT_EQ(p.P1_ohne_Bits, 1);
    // The German file's definition that the English one lacks.
    ASSERT_TRUE(p.suche_Parameter(150));
    EXPECT_EQ(p.hole_Rohwert_ECU(), 3);
    // Lambda control is on and the engine has 4 cylinders: the knock window applies.
    EXPECT_EQ(p.zaehle_Gruppe(QStringLiteral("IGN")), 3);
    EXPECT_EQ(p.zaehle_Gruppe(QStringLiteral("SPECIAL")), 4);

    ASSERT_TRUE(p.suche_Parameter(101));
    p.setze_Text_neu(QStringLiteral("45"));
    ASSERT_TRUE(p.suche_Parameter(100));
    p.setze_Text_neu(QStringLiteral("250"));
    ASSERT_TRUE(u.schreibe());
    EXPECT_EQ(u.bereich.Schreibvorgaenge, 1);
    EXPECT_EQ(u.bereich.Geschrieben_bis, 1000);
    EXPECT_EQ(static_cast<uint8_t>(u.bereich.Bild[12]), 250);
    EXPECT_EQ(static_cast<uint8_t>(u.bereich.Bild[14]), 128);
    EXPECT_EQ(p.ECU_Bild, p.Bild_neu);
    // Idle speed correction is stored in flash when changed.
    EXPECT_TRUE(u.k.meldungen.texte.contains(hole_Text(157)));

    // What the ECU holds now comes back.
    u.bereich.Bild[12] = 77;
    u.bereich.Bild[13] = 0;
    ASSERT_TRUE(u.lies());
    EXPECT_EQ(p.Wert(100), 77);
    EXPECT_EQ(p.Wert_neu(101), 128);
}

TEST(ParameterEcusim, TheBlockSizeFollowsTheSoftwareVersion) {
    Ecusimumgebung u;
    struct Fall {
        int version;
        int groesse;
    };
    for (const Fall f : {Fall{516, 600}, Fall{600, 800}, Fall{615, 1000}, Fall{700, 1400}}) {
        ecusim::Identitaetsdaten id;
        id.Version = static_cast<uint16_t>(f.version);
        ASSERT_TRUE(u.verbinde(id)) << f.version;
        u.sim.leere_Protokoll();
        ASSERT_TRUE(u.lies()) << f.version;
        EXPECT_EQ(u.Blockanfragen(), std::make_pair(f.groesse, (f.groesse + 99) / 100))
            << f.version;
        const int vorher = u.bereich.Schreibvorgaenge;
        ASSERT_TRUE(u.schreibe()) << f.version;
        EXPECT_EQ(u.bereich.Schreibvorgaenge, vorher + 1) << f.version;
        EXPECT_EQ(u.bereich.Geschrieben_bis, f.groesse) << f.version;
    }
}

TEST(ParameterEcusim, ThroughDataItemsOnAnEcuOfTypeSeven) {
    Ecusimumgebung u;
    ASSERT_TRUE(u.verbinde(Typ7()));
    cl_Parameter& p = u.p();
    EXPECT_TRUE(u.k.version().Datenelement_Protokoll);
    EXPECT_TRUE(p.ueber_Datenelemente);
    cl_ECU_Liste& liste = u.k.kontext->ecu_Liste();
    std::vector<int> ids;
    for (int i = 0; i < liste.Anzahl(); ++i)
        ids.push_back(liste[i].Id);
    EXPECT_EQ(ids, (std::vector<int>{17, 66, 81, 257, 272, 273, 305}));

    ASSERT_TRUE(u.lies());
    EXPECT_EQ(p.Wert(1), 6);
    EXPECT_EQ(p.Wert(2), 36);
    EXPECT_EQ(p.Wert(60), 1);
    EXPECT_EQ(p.Wert(100), -100);
    EXPECT_EQ(p.Wert_neu(102), 850);
    EXPECT_EQ(p.Bereichslaenge(272), 64);

    ASSERT_TRUE(p.suche_Parameter(100));
    p.setze_Text_neu(QStringLiteral("250"));
    ASSERT_TRUE(p.suche_Parameter(102));
    p.setze_Text_neu(QStringLiteral("900"));
    const int vorher = u.ereignisse[cl_Parameter::Geschrieben];
    p.schreiben();
    // Announced at once, and again when the ECU acknowledges.
    EXPECT_EQ(u.ereignisse[cl_Parameter::Geschrieben], vorher + 1);
    ASSERT_TRUE(u.warte([&] { return u.ereignisse[cl_Parameter::Geschrieben] == vorher + 2; }));
    EXPECT_EQ(u.bereich.Elemente[273][0], 250);
    EXPECT_EQ(u.bereich.Elemente[273][2], 900);
    EXPECT_EQ(u.bereich.Elemente[272][0], 6);

    u.bereich.Elemente[273][0] = 77;
    ASSERT_TRUE(u.lies());
    EXPECT_EQ(p.Wert(100), 77);
    EXPECT_EQ(p.Wert_neu(102), 900);

    // The messages as the ECU saw them.
    struct Nachricht {
        uint8_t befehl;
        std::vector<Tripel> tripel;
    };
    const std::vector<Nachricht> erwartet = {
        {128, {{272, 0, 0}, {273, 0, 0}}},
        {129, {{272, 0, 64}, {273, 0, 32}}},
        {128, {{272, 0, 0}, {273, 0, 0}}},
    };
    ASSERT_EQ(u.bereich.Nachrichten.size(), erwartet.size());
    for (size_t i = 0; i < erwartet.size(); ++i) {
        EXPECT_EQ(u.bereich.Nachrichten[i].befehl, erwartet[i].befehl) << i;
        EXPECT_EQ(u.bereich.Nachrichten[i].tripel, erwartet[i].tripel) << i;
    }
}

TEST(ParameterEcusim, MalformedDataItemAnswersLeaveTheParametersIntact) {
    struct Fall {
        const char* name;
        ecusim::Parameterfehler fehler;
        size_t lesenachrichten;
    };
    const Fall faelle[] = {
        {"unknown id", ecusim::Parameterfehler::UnbekannteId, 1},
        {"counts beyond the answer", ecusim::Parameterfehler::ZaehlerUeberAntwort, 2},
        {"N of 0", ecusim::Parameterfehler::FalschesN, 2},
    };
    for (const Fall& f : faelle) {
        Ecusimumgebung u;
        ASSERT_TRUE(u.verbinde(Typ7())) << f.name;
        cl_Parameter& p = u.p();
        // What a bad answer would write: a value the ECU never held.
        std::vector<int> gesehen;
        InterAction().Create(
            cl_Kommunikation::Klasse,
            [&](Sender&) { gesehen.push_back(static_cast<int>(p.Wert(100))); }, 10273);
        u.bereich.injiziere(f.fehler);
        ASSERT_TRUE(u.lies()) << f.name;
        EXPECT_EQ(u.bereich.Nachrichten.size(), f.lesenachrichten) << f.name;
        EXPECT_EQ(gesehen, std::vector<int>{-100}) << f.name;
        EXPECT_EQ(p.Wert(1), 6) << f.name;
        EXPECT_EQ(p.Wert(2), 36) << f.name;
        EXPECT_EQ(p.Wert(100), -100) << f.name;
        EXPECT_EQ(p.Wert_neu(102), 850) << f.name;
        EXPECT_EQ(p.Bereichslaenge(273), 32) << f.name;
    }
}
