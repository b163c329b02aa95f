// The password requests: what goes to the ECU, the gate, and the road at connection from
// the identity answer through the password state to the parameters or the live data.

#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Parameter.h"
#include "ecusim/Passwort.h"
#include "link/LinkFixture.h"
#include "link/UKommunikation.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"

#include <gtest/gtest.h>

namespace {

// Ticks until the PC sends a frame of the command; the frames seen on the way are dropped.
bool warte_auf(LinkKontext& k, uint8_t befehl, int ticks = 200, QByteArray* frame = nullptr) {
    for (int i = 0; i < ticks; ++i) {
        k.ticke();
        for (const QByteArray& f : k.ecu->Frames())
            if (static_cast<uint8_t>(f[1]) == befehl) {
                if (frame)
                    *frame = f;
                return true;
            }
    }
    return false;
}

bool beantworte_Identitaet(LinkKontext& k, const ecusim::Identitaetsdaten& id) {
    if (!warte_auf(k, cl_Version::Befehl_Identitaet))
        return false;
    k.ecu->antworte(cl_Version::Befehl_Identitaet, ecusim::baue_Identitaet(id));
    return true;
}

} // namespace

TEST(Passwort, InputIsSentUpperCasedWithItsEndByte) {
    struct Fall {
        QString eingabe;
        QByteArray gesendet;
    };
    const Fall faelle[] = {
        {QStringLiteral("geheim1"), QByteArray("GEHEIM1\0", 8)},
        {QString(), QByteArray(1, '\0')},
        {QStringLiteral("aBz-ä"), QByteArray("ABZ-\xE4\0", 6)},
        {QStringLiteral("abcdefghijkl"), QByteArray("ABCDEFGHIJ\0", 11)},
    };
    for (const Fall& f : faelle) {
        LinkKontext k;
        ASSERT_TRUE(beantworte_Identitaet(k, {}));
        cl_Passwort_Quorvel& p = k.kontext->passwort();
        p.Passwort_eingeben(f.eingabe);
        EXPECT_EQ(p.Befehl, 81);
        EXPECT_EQ(p.Sendelaenge, f.gesendet.size());
        bool gesehen = false;
        for (int i = 0; i < 100 && !gesehen; ++i) {
            k.ticke();
            for (const QByteArray& fr : k.ecu->Frames())
                if (static_cast<uint8_t>(fr[1]) == 81) {
                    EXPECT_EQ(fr.mid(2, fr.size() - 3), f.gesendet) << f.eingabe.toStdString();
                    gesehen = true;
                }
        }
        EXPECT_TRUE(gesehen) << f.eingabe.toStdString();
    }
}

TEST(Passwort, NumbersAreCappedAtTheirRange) {
    struct Fall {
        const char* text;
        uint16_t nummer;
    };
    for (const Fall f : {Fall{"12345", 9999}, Fall{"65537", 1}, Fall{"-1", 9999}, Fall{"42", 42},
                         Fall{"9999", 9999}, Fall{"abc", 0}, Fall{"", 0}, Fall{"4.5", 0}})
        EXPECT_EQ(cl_Passwort_Quorvel::Nummer_aus_Text(QString::fromLatin1(f.text)), f.nummer)
            << f.text;
}

TEST(Passwort, AChangeSendsTheNumberAfterTheAnswerAndAsksTheStateAgain) {
    LinkKontext k;
    ASSERT_TRUE(beantworte_Identitaet(k, {}));
    cl_Passwort_Quorvel& p = k.kontext->passwort();
    ASSERT_TRUE(warte_auf(k, 82));
    k.ecu->antworte(82, QByteArray(1, '\1'));
    ASSERT_TRUE(warte_auf(k, 3));
    k.link().alle_stoppen();

    p.Passwort_aendern(QStringLiteral("neu"), 77);
    EXPECT_TRUE(p.Zeitgeber_aktiv());
    ASSERT_TRUE(warte_auf(k, 80));
    k.ecu->antworte(80, {});
    // The number follows as command 85, a little-endian word, then the state query.
    QByteArray nummer;
    ASSERT_TRUE(warte_auf(k, 85, 200, &nummer));
    EXPECT_EQ(nummer.mid(2, 2), QByteArray("\x4D\x00", 2));
    k.ecu->antworte(85, {});
    ASSERT_TRUE(warte_auf(k, 82));
    EXPECT_TRUE(p.Antwort_erhalten);
    EXPECT_FALSE(p.Zeitgeber_aktiv());
    // The 2 s warning finds the answer and stays silent.
    p.Zeit_abgelaufen();
    EXPECT_FALSE(k.meldungen.texte.contains(hole_Text(346)));
}

TEST(Passwort, AnUnansweredInputWarnsAfterTwoSeconds) {
    LinkKontext k;
    cl_Passwort_Quorvel& p = k.kontext->passwort();
    p.Passwort_eingeben(QStringLiteral("x"));
    EXPECT_TRUE(p.Zeitgeber_aktiv());
    // What the timer runs when its 2 s are over.
    p.Zeit_abgelaufen();
    EXPECT_FALSE(p.Zeitgeber_aktiv());
    EXPECT_EQ(k.meldungen.texte, QStringList{hole_Text(346)});
}

TEST(Passwort, TheGateRefusesWithAMessageOnlyWhileConnected) {
    struct Fall {
        uint8_t flag;
        bool verbunden;
        bool erlaubt;
        bool meldung;
    };
    for (const Fall f : {Fall{0, true, false, true}, Fall{0, false, false, false},
                         Fall{1, true, true, false}, Fall{2, false, true, false}}) {
        LinkKontext k(f.verbunden);
        cl_Passwort_Quorvel_OK& ok = k.kontext->passwort_OK();
        ok.setze_akzeptiert(f.flag);
        cl_COM_data anfrage(k.link(), 9, false, false, 500, 0, nullptr, 0, nullptr);
        EXPECT_EQ(ok.Zugriff_erlaubt(), f.erlaubt);
        EXPECT_EQ(k.meldungen.texte, f.meldung ? QStringList{hole_Text(345)} : QStringList{});
        ok.sende_wenn_frei(&anfrage);
        EXPECT_EQ(anfrage.aktiv, f.erlaubt);
        ok.sende_wenn_frei(nullptr);
    }
}

TEST(Passwort, TheStateDecidesBetweenParametersAndLiveData) {
    struct Fall {
        uint8_t flag;
        uint16_t hersteller, version;
        bool parameter;
    };
    for (const Fall f : {Fall{1, 3, 500, true}, Fall{0, 3, 700, false}, Fall{0, 1, 615, true},
                         Fall{0, 1, 614, false}, Fall{0, 2, 615, false}}) {
        LinkKontext k;
        ecusim::Identitaetsdaten id;
        id.Hersteller = f.hersteller;
        id.Version = f.version;
        ASSERT_TRUE(beantworte_Identitaet(k, id));
        ASSERT_TRUE(warte_auf(k, 82)) << f.version;
        k.ecu->antworte(82, QByteArray(1, static_cast<char>(f.flag)));
        k.ticke(3);
        EXPECT_EQ(k.kontext->passwort_OK().akzeptiert(), f.flag);
        EXPECT_EQ(k.kontext->parameter().aktiv, f.parameter) << f.hersteller << '/' << f.version;
        EXPECT_EQ(k.kontext->ecu_Befehle().akt_Daten.aktiv, !f.parameter)
            << f.hersteller << '/' << f.version;
    }
}

TEST(Passwort, ALostStateAnswerIsAskedAgainAndASilentEcuIsDropped) {
    LinkKontext k;
    ASSERT_TRUE(beantworte_Identitaet(k, {}));
    ASSERT_TRUE(warte_auf(k, 82));
    // No answer: the query goes out again after its time-out.
    ASSERT_TRUE(warte_auf(k, 82));
    k.ecu->antworte(82, QByteArray(1, '\1'));
    ASSERT_TRUE(warte_auf(k, 3));
    EXPECT_TRUE(k.link().ist_verbunden());

    // Never an answer: four failures end the connection, and the gate opens for work
    // offline.
    LinkKontext s;
    ASSERT_TRUE(beantworte_Identitaet(s, {}));
    int anfragen = 0;
    for (int i = 0; i < 1000 && s.link().ist_verbunden(); ++i) {
        s.ticke();
        for (const QByteArray& f : s.ecu->Frames())
            anfragen += static_cast<uint8_t>(f[1]) == 82;
    }
    EXPECT_FALSE(s.link().ist_verbunden());
    EXPECT_EQ(anfragen, cl_COM_Quorvel::Fehlergrenze);
    EXPECT_EQ(s.kontext->passwort_OK().akzeptiert(), 1);
}

TEST(Passwort, DataItemEcusDeliverTheStateAsItemOne) {
    LinkKontext k;
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 7;
    id.Version = 620;
    ASSERT_TRUE(beantworte_Identitaet(k, id));
    k.ticke(3);
    cl_Passwort_Quorvel_OK& ok = k.kontext->passwort_OK();
    EXPECT_FALSE(ok.aktiv);
    ASSERT_TRUE(k.kontext->kommunikation().aktiv);
    const auto& n = k.kontext->kommunikation().Nachricht();
    ASSERT_EQ(n.size(), 1u);
    EXPECT_EQ(n[0].Id, 81);
    EXPECT_EQ(n[0].Anzahl, 1);
    cl_Filetyp* f = k.kontext->ecu_Liste().suche_Index(cl_Passwort_Quorvel_OK::Datenelement);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Puffer, ok.Zustand.data());
}

TEST(Passwort, AgainstTheSimulatedEcuOnlyTheStoredPasswordOpensTheGate) {
    LinkKontext k;
    ecusim::EcuSim sim;
    ecusim::Identitaetsdaten id;
    // Before 6.15: without a password the live data start at once.
    id.Version = 614;
    ecusim::richte_Identitaet_ein(sim, id);
    ecusim::Parameterbereich parameter(sim);
    parameter.fuelle_Beispielwerte();
    ecusim::Livebereich live(sim);
    ecusim::Passwortbereich passwort(sim);
    const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
    for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")})
        QFile::copy(quelle + s + QStringLiteral("/T-SIMQuorvel-1-400-0615.TXT"),
                    k.ordner.datei(QStringLiteral("Language/") + s +
                                   QStringLiteral("/T-SIMQuorvel-1-400-0614.TXT")));
    sim.oeffne_CAN(k.bus.Teilnehmer());
    k.sim = &sim;
    const auto warte = [&](auto fertig) {
        for (int i = 0; i < 1000 && !fertig(); ++i)
            k.ticke_und_warte();
        return fertig();
    };
    const auto Parameterlesungen = [&] {
        int n = 0;
        for (const ecusim::Rahmen& r : sim.empfangene())
            n += r.befehl() == 3; // the parameter block read
        return n;
    };
    cl_Passwort_Quorvel& p = k.kontext->passwort();
    cl_Passwort_Quorvel_OK& ok = k.kontext->passwort_OK();
    k.version().anfordern();

    ASSERT_TRUE(warte([&] { return k.kontext->ecu_Befehle().akt_Daten_A.beantwortet; }));
    EXPECT_EQ(passwort.Zustandsanfragen, 1);
    EXPECT_EQ(Parameterlesungen(), 0);
    k.meldungen.texte.clear();
    EXPECT_FALSE(ok.Zugriff_erlaubt());
    EXPECT_EQ(k.meldungen.texte, QStringList{hole_Text(345)});

    p.Passwort_eingeben(QStringLiteral("falsch"));
    ASSERT_TRUE(warte([&] { return passwort.Zustandsanfragen == 2 && !ok.aktiv; }));
    EXPECT_EQ(passwort.Eingaben.back(), QByteArray("FALSCH"));
    EXPECT_EQ(ok.akzeptiert(), 0);

    // The state answer after the right password is lost once: the query is asked again.
    passwort.injiziere(ecusim::Passwortfehler::Zustand_stumm);
    p.Passwort_eingeben(QStringLiteral("geheim"));
    ASSERT_TRUE(warte([&] { return ok.akzeptiert() != 0; }));
    EXPECT_EQ(passwort.Zustandsanfragen, 4);
    EXPECT_TRUE(k.link().ist_verbunden());
    EXPECT_FALSE(p.Zeitgeber_aktiv());
    // Accepted: the parameters are read now.
    ASSERT_TRUE(warte([&] { return Parameterlesungen() > 0; }));
    k.meldungen.texte.clear();
    EXPECT_TRUE(ok.Zugriff_erlaubt());
    EXPECT_TRUE(k.meldungen.texte.isEmpty());
}
