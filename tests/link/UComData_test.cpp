#include "ecusim/EcuSim.h"
#include "link/LinkFixture.h"
#include "serial/SerPort.h"
#include "windows/UMessage.h"

#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class Testanfrage : public cl_COM_data {
public:
    Testanfrage(cl_COM_Quorvel& link, uint8_t befehl, int laenge = 2, int timeoutMs = 500)
        : cl_COM_data(link, befehl, false, false, timeoutMs, 0, nullptr, laenge, nullptr),
          puffer(static_cast<size_t>(laenge)) {
        setze_Antwortpuffer(puffer.data());
    }
    void Antwort() override {
        ++antworten;
        if (beiAntwort)
            beiAntwort(*this);
    }
    void Timeout() override {
        ++timeouts;
        if (beiTimeout)
            beiTimeout(*this);
    }

    std::vector<uint8_t> puffer;
    int antworten = 0;
    int timeouts = 0;
    std::function<void(Testanfrage&)> beiAntwort;
    std::function<void(Testanfrage&)> beiTimeout;
};

// The commands of the frames the ECU received.
std::vector<int> Befehle(const std::vector<QByteArray>& frames) {
    std::vector<int> b;
    for (const QByteArray& f : frames)
        b.push_back(static_cast<uint8_t>(f[1]));
    return b;
}

class Scheduler : public ::testing::Test {
protected:
    Scheduler() {
        // The identity request started by connecting is not the subject here.
        k.version().stoppen();
    }

    // One tick; the ECU answers every frame it got with length zero bytes.
    std::vector<int> ticke_und_antworte(int laenge = 2) {
        k.ticke();
        const std::vector<QByteArray> frames = k.ecu->Frames();
        for (const QByteArray& f : frames)
            k.ecu->antworte(static_cast<uint8_t>(f[1]), QByteArray(laenge, '\0'));
        return Befehle(frames);
    }

    LinkKontext k;
    cl_COM_Quorvel& link = k.link();
};

} // namespace

TEST_F(Scheduler, EqualDuesGoInRingOrderAndTheNextRequestLeavesInTheAnsweringTick) {
    Testanfrage a(link, 10), b(link, 11), c(link, 12);
    a.starten();
    b.starten();
    c.starten();
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{10});
    // Each answer is taken over and the next request sent within the same tick.
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{11});
    EXPECT_EQ(a.antworten, 1);
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{12});
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{});
    EXPECT_EQ(c.antworten, 1);
    EXPECT_FALSE(a.aktiv || b.aktiv || c.aktiv);
    EXPECT_TRUE(a.beantwortet && b.beantwortet && c.beantwortet);

    // The tie is broken by the ring order after the current node (c), wrapping around.
    b.starten();
    a.starten();
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{10});
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{11});
}

TEST_F(Scheduler, PriorityByDueTick) {
    Testanfrage zyklisch(link, 4), einmal(link, 5), sofort(link, 6);
    zyklisch.starten_zyklisch(0, 0);
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{4});
    // A period-0 request takes every tick that nothing more urgent claims.
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(ticke_und_antworte(), std::vector<int>{4});

    // A one-shot start goes before a cyclic request that fell due in the last 10 ticks...
    einmal.starten();
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{5});
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{4});
    // ...but not before one whose due lies further back.
    bool anhalten = true;
    zyklisch.beiAntwort = [&](Testanfrage& r) {
        if (anhalten)
            r.stoppen();
    };
    ticke_und_antworte();
    EXPECT_FALSE(zyklisch.aktiv);
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{});
    anhalten = false;
    zyklisch.starten_zyklisch(0, 0);
    zyklisch.faellig = link.Tick() - 11;
    einmal.starten();
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{4});
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{5});

    // The immediate start goes before everything.
    zyklisch.faellig = -50;
    sofort.sofort_starten();
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{6});
}

TEST_F(Scheduler, StartingAnActiveRequestChangesNothing) {
    Testanfrage r(link, 7);
    r.starten_nach(1000);
    const int faellig = r.faellig;
    EXPECT_EQ(faellig, link.Tick() + 50);
    r.starten();
    r.sofort_starten();
    r.starten_zyklisch(0, 0);
    EXPECT_EQ(r.faellig, faellig);
    EXPECT_EQ(r.Periode, -1);

    Testanfrage negativ(link, 8);
    negativ.starten_zyklisch(0, -20);
    EXPECT_FALSE(negativ.aktiv);

    // Not before its due tick.
    for (int i = 0; i < 49; ++i)
        EXPECT_EQ(ticke_und_antworte(), std::vector<int>{});
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{7});
}

TEST_F(Scheduler, TimeOutCountsAFailurePausesOneTimeOutThenRetries) {
    Testanfrage r(link, 9, 2, 500);
    r.starten();
    k.ticke();
    ASSERT_EQ(Befehle(k.ecu->Frames()), std::vector<int>{9});
    // 500 ms allow 25 ticks.
    k.ticke(24);
    EXPECT_EQ(r.timeouts, 0);
    k.ticke();
    EXPECT_EQ(r.timeouts, 1);
    EXPECT_EQ(link.Fehlerzahl(), 1);
    EXPECT_TRUE(r.aktiv);
    EXPECT_TRUE(link.ist_verbunden());
    // One time-out of pause before anything is sent again.
    k.ticke(25);
    EXPECT_TRUE(k.ecu->Frames().empty());
    k.ticke();
    EXPECT_EQ(Befehle(k.ecu->Frames()), std::vector<int>{9});
    // An answer resets the failure count.
    k.ecu->antworte(9, QByteArray(2, '\0'));
    k.ticke();
    EXPECT_EQ(r.antworten, 1);
    EXPECT_EQ(link.Fehlerzahl(), 0);
}

TEST_F(Scheduler, AbortOnTimeOutStopsTheRequestAndTellsTheUserAfterTheTick) {
    Testanfrage r(link, 9, 2, 100);
    r.Abbruch_bei_Timeout = true;
    qsizetype meldungenImTimeout = -1;
    r.beiTimeout = [&](Testanfrage&) { meldungenImTimeout = k.meldungen.texte.size(); };
    k.meldungen.texte.clear();
    r.starten();
    k.ticke(6);
    EXPECT_EQ(r.timeouts, 1);
    EXPECT_FALSE(r.aktiv);
    // The time-out operation ran before the message; the box came when the tick was over.
    EXPECT_EQ(meldungenImTimeout, 0);
    EXPECT_EQ(k.meldungen.texte, QStringList{hole_Text(89)});
    EXPECT_EQ(hole_Text(89), QStringLiteral("The ECU does not answer."));
    k.ticke(20);
    EXPECT_EQ(Befehle(k.ecu->Frames()), std::vector<int>{9});
}

TEST_F(Scheduler, ThreeFailuresKeepTheConnectionTheFourthDropsItUntilTheEcuAnswers) {
    int verbunden = 0, getrennt = 0;
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [&](Sender&) { ++verbunden; }, cl_COM_Quorvel::Verbunden);
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [&](Sender&) { ++getrennt; }, cl_COM_Quorvel::Getrennt);
    Testanfrage r(link, 9, 2, 100), andere(link, 3);
    andere.starten_nach(100000);
    // A time-out of 100 ms and its pause take 11 ticks; a bound of many more lets a
    // regression fail at once instead of ticking on for ever.
    const auto scheitere = [&] {
        const int vorher = r.timeouts;
        for (int i = 0; i < 100 && r.timeouts == vorher; ++i)
            k.ticke();
        k.ecu->Frames();
        return r.timeouts == vorher + 1;
    };
    const auto bis_gesendet = [&] {
        for (int i = 0; i < 200; ++i) {
            if (!k.ecu->Frames().empty())
                return true;
            k.ticke();
        }
        return false;
    };
    r.starten_zyklisch(0, 0);
    ASSERT_TRUE(scheitere());
    ASSERT_TRUE(scheitere());
    ASSERT_TRUE(scheitere());
    EXPECT_EQ(link.Fehlerzahl(), 3);
    EXPECT_TRUE(link.ist_verbunden());
    ASSERT_TRUE(bis_gesendet());
    k.ecu->antworte(9, QByteArray(2, '\0'));
    k.ticke();
    EXPECT_EQ(r.antworten, 1);
    EXPECT_EQ(link.Fehlerzahl(), 0);
    EXPECT_EQ(getrennt, 0);

    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(scheitere()) << i;
    EXPECT_EQ(getrennt, 1);
    EXPECT_FALSE(link.ist_verbunden());
    EXPECT_FALSE(r.aktiv);
    EXPECT_FALSE(andere.aktiv);
    EXPECT_EQ(r.Periode, -1);

    // Disconnected, the identity request repeats, once per time-out and pause.
    std::vector<int> gesendet;
    for (int i = 0; i < 120; ++i) {
        k.ticke();
        for (int b : Befehle(k.ecu->Frames()))
            gesendet.push_back(b);
    }
    EXPECT_EQ(gesendet, (std::vector<int>{100, 100, 100}));
    EXPECT_FALSE(link.ist_verbunden());

    // The ECU is back: its identity answer reconnects the link.
    ASSERT_TRUE(bis_gesendet());
    k.ecu->antworte(100, QByteArray(66, '\0'));
    k.ticke();
    EXPECT_TRUE(link.ist_verbunden());
    EXPECT_EQ(verbunden, 1);
    EXPECT_EQ(link.Fehlerzahl(), 0);
}

TEST_F(Scheduler, AnAnswerWithTheWrongCommandCountsAsAFailure) {
    Testanfrage r(link, 9);
    r.starten();
    k.ticke();
    k.ecu->Frames();
    k.ecu->antworte(10, QByteArray(2, '\0'));
    k.ticke();
    EXPECT_EQ(r.timeouts, 1);
    EXPECT_EQ(link.Fehlerzahl(), 1);
    // It is retried after the pause, not at once.
    k.ticke(25);
    EXPECT_TRUE(k.ecu->Frames().empty());
    k.ticke();
    EXPECT_EQ(Befehle(k.ecu->Frames()), std::vector<int>{9});

    // An ECU that always answers wrongly is disconnected like a silent one.
    for (int i = 0; i < 200 && link.ist_verbunden(); ++i) {
        for (const QByteArray& f : k.ecu->Frames())
            k.ecu->antworte(static_cast<uint8_t>(f[1] + 1), QByteArray(2, '\0'));
        k.ticke();
    }
    EXPECT_FALSE(link.ist_verbunden());
    EXPECT_EQ(r.timeouts, 4);
}

TEST_F(Scheduler, AnAnswerOfTheWrongLengthIsRefusedAndRunsIntoItsTimeOut) {
    Testanfrage r(link, 9, 2);
    r.starten();
    k.ticke();
    k.ecu->Frames();
    k.ecu->antworte(9, QByteArray(3, '\0'));
    k.ticke();
    EXPECT_EQ(r.antworten, 0);
    EXPECT_EQ(r.timeouts, 0);
    k.ticke(24);
    EXPECT_EQ(r.antworten, 0);
    EXPECT_EQ(r.timeouts, 1);
}

TEST_F(Scheduler, AnAnswerHandlerCanRestartItsOwnRequest) {
    Testanfrage r(link, 9);
    r.beiAntwort = [](Testanfrage& self) {
        if (self.antworten < 3)
            self.starten();
    };
    r.starten();
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{9});
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{9});
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{9});
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{});
    EXPECT_EQ(r.antworten, 3);
    EXPECT_FALSE(r.aktiv);
}

// A request made and started inside an answer handler (a map that a description read
// creates) joins the ring at its end and leaves in that same tick.
TEST_F(Scheduler, ARequestThatJoinsTheRingInsideAnAnswerIsTakenInThatTick) {
    Testanfrage r(link, 9);
    std::unique_ptr<Testanfrage> neu;
    r.beiAntwort = [&](Testanfrage&) {
        neu = std::make_unique<Testanfrage>(link, 30);
        neu->starten();
    };
    const size_t vorher = link.Anfragen().size();
    r.starten();
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{9});
    EXPECT_FALSE(neu);
    // The tick that takes the answer sends the new request.
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{30});
    ASSERT_TRUE(neu);
    EXPECT_EQ(link.Anfragen().size(), vorher + 1);
    EXPECT_EQ(link.Anfragen().back(), neu.get());
    EXPECT_EQ(ticke_und_antworte(), std::vector<int>{});
    EXPECT_EQ(neu->antworten, 1);
}

TEST_F(Scheduler, WhileSuspendedNoTickAdvancesAndNothingIsSent) {
    Testanfrage r(link, 9);
    r.starten();
    link.setze_unterbrochen(true);
    const int tick = link.Tick();
    k.ticke(5);
    EXPECT_EQ(link.Tick(), tick);
    EXPECT_TRUE(k.ecu->Frames().empty());
    link.setze_unterbrochen(false);
    k.ticke();
    EXPECT_EQ(link.Tick(), tick + 1);
    EXPECT_EQ(Befehle(k.ecu->Frames()), std::vector<int>{9});
}

TEST_F(Scheduler, TheWaitWindowShowsWhileItsRequestRunsAndClosingItStopsTheRequest) {
    Testanfrage r(link, 9);
    r.erzeuge_Meldung(QStringLiteral("Reading|maps"), false);
    r.zeige_Fortschritt(true);
    r.setze_Fortschritt(555);
    // The context's factory made the window of the windows layer.
    auto* m = dynamic_cast<cl_message*>(r.Meldung());
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(r.Fortschritt_sichtbar());
    EXPECT_EQ(m->Label_Prozent->text(), QStringLiteral("55%"));
    EXPECT_EQ(m->ProgressBar->value(), 555);

    r.starten();
    ticke_und_antworte();
    ASSERT_TRUE(m->isVisible());
    EXPECT_EQ(m->Label_Text->text(), QStringLiteral("Reading\nmaps"));
    EXPECT_EQ(m->Label_Kopf->text(), hole_Text(81));
    k.ticke();
    EXPECT_EQ(r.antworten, 1);
    EXPECT_FALSE(m->isVisible()); // hidden at once after the answer

    // Closed by the user while in flight: the request stops, the late answer is ignored
    // and counts against nobody.
    r.starten();
    k.ticke();
    ASSERT_EQ(Befehle(k.ecu->Frames()), std::vector<int>{9});
    m->close();
    EXPECT_FALSE(r.aktiv);
    k.ecu->antworte(9, QByteArray(2, '\0'));
    k.ticke(3);
    EXPECT_EQ(r.antworten, 1);
    EXPECT_EQ(link.Fehlerzahl(), 0);

    // Switched off, it stays hidden.
    r.Meldung_aus();
    r.starten();
    k.ticke(30);
    EXPECT_FALSE(m->isVisible());
}

TEST_F(Scheduler, BlockTransfersRunThroughTheSchedulerAgainstTheSimulatedEcu) {
    ecusim::EcuSim sim;
    ASSERT_TRUE(sim.oeffne_CAN(k.bus.Teilnehmer()));
    QByteArray quelle(250, '\0');
    for (int i = 0; i < quelle.size(); ++i)
        quelle[i] = static_cast<char>(i * 7);
    sim.setze_Blocklesen(3, quelle, false);
    sim.setze_Blockschreiben(2, true);

    std::array<uint8_t, 2000> gelesen{};
    cl_COM_data lesen(link, 3, true, false, 2000, 0, nullptr, 250, gelesen.data());
    lesen.starten();
    for (int i = 0; i < 100 && !lesen.beantwortet; ++i)
        k.ticke();
    ASSERT_TRUE(lesen.beantwortet);
    EXPECT_EQ(lesen.Antwortlaenge, 250);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(gelesen.data()), 250), quelle);

    std::array<uint8_t, 250> senden{};
    senden.fill(0x5A);
    cl_COM_data schreiben(link, 2, false, true, 2000, 250, senden.data(), 0, nullptr);
    schreiben.neues_Blockformat = true;
    // The block format of a send is the one of the last block read.
    lesen.neues_Blockformat = true;
    sim.setze_Blocklesen(3, quelle, true);
    lesen.starten();
    for (int i = 0; i < 100 && !lesen.beantwortet; ++i)
        k.ticke();
    ASSERT_TRUE(lesen.beantwortet);
    schreiben.starten();
    for (int i = 0; i < 100 && !schreiben.beantwortet; ++i)
        k.ticke();
    ASSERT_TRUE(schreiben.beantwortet);
    EXPECT_EQ(sim.Blockdaten(2), QByteArray(250, 0x5A));
    EXPECT_EQ(link.Fehlerzahl(), 0);
}

TEST_F(Scheduler, AForcedDisconnectionStopsEveryRequest) {
    int getrennt = 0;
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [&](Sender&) { ++getrennt; }, cl_COM_Quorvel::Getrennt);
    Testanfrage r(link, 9);
    r.starten_zyklisch(100, 200);
    link.trennen();
    EXPECT_EQ(getrennt, 1);
    EXPECT_FALSE(r.aktiv);
    EXPECT_EQ(r.Periode, -1);
    // Only the identity request goes on, asking whether the ECU is there.
    EXPECT_TRUE(k.version().aktiv);
}

TEST_F(Scheduler, ADisconnectionDuringABlockTransferDoesNotFreezeTheLink) {
    ecusim::EcuSim sim;
    ASSERT_TRUE(sim.oeffne_CAN(k.bus.Teilnehmer()));
    sim.setze_Blocklesen(3, QByteArray(1000, '\x01'), false);
    std::array<uint8_t, 2000> puffer{};
    cl_COM_data lesen(link, 3, true, false, 2000, 0, nullptr, 1000, puffer.data());
    lesen.starten();
    k.ticke(3);
    ASSERT_TRUE(link.Blockempfang_aktiv());
    link.trennen();
    sim.leere_Protokoll();
    bool identitaet = false;
    for (int i = 0; i < 300 && !identitaet; ++i) {
        k.ticke();
        for (const ecusim::Rahmen& r : sim.empfangene())
            identitaet = identitaet || r.befehl() == 100;
    }
    EXPECT_TRUE(identitaet);
    EXPECT_FALSE(lesen.aktiv);
}

TEST_F(Scheduler, ARequestGoneWhileInFlightDoesNotHoldTheLink) {
    Testanfrage bleibt(link, 5);
    {
        Testanfrage geht(link, 9);
        geht.starten();
        k.ticke();
        ASSERT_EQ(Befehle(k.ecu->Frames()), std::vector<int>{9});
    }
    bleibt.starten();
    // Its late answer is thrown away; what follows goes out after the pause at the latest.
    k.ecu->antworte(9, QByteArray(2, '\0'));
    std::vector<int> gesendet;
    for (int i = 0; i < 40 && gesendet.empty(); ++i)
        gesendet = ticke_und_antworte();
    EXPECT_EQ(gesendet, std::vector<int>{5});
    k.ticke();
    EXPECT_EQ(bleibt.antworten, 1);
}

// The simulated ECU answers a request later than its time-out and pause: the answer arrives
// while the next request waits, is skipped, and fails nothing.
TEST_F(Scheduler, ALateAnswerFailsNoRequestAfterIt) {
    ecusim::EcuSim sim;
    ASSERT_TRUE(sim.oeffne_CAN(k.bus.Teilnehmer()));
    sim.setze_Antwort(9, QByteArray(2, '\0'));
    sim.setze_Antwort(5, QByteArray(2, '\0'));
    sim.Verzoegerung_ms = 400;
    sim.injiziere(ecusim::Fehler::Spaet, 2);
    Testanfrage spaet(link, 9, 2, 100), danach(link, 5, 2, 1000);
    spaet.Abbruch_bei_Timeout = true;
    spaet.starten();
    link.setze_Takt(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return spaet.timeouts == 1; }, 2000));
    EXPECT_EQ(link.Fehlerzahl(), 1);
    danach.starten(); // sent after the pause, about 100 ms before the late answer comes
    ASSERT_TRUE(QTest::qWaitFor([&] { return danach.antworten + danach.timeouts > 0; }, 3000));
    EXPECT_EQ(danach.antworten, 1);
    EXPECT_EQ(danach.timeouts, 0);
    EXPECT_EQ(link.Fehlerzahl(), 0);
    EXPECT_EQ(spaet.antworten, 0);
    ASSERT_EQ(sim.empfangene().size(), 2u);
}

// One behind: the retried request takes the late answer of its first sending, and its own
// answer then arrives while another request waits; it fails nothing either.
TEST_F(Scheduler, AnEcuOneAnswerBehindFailsNothing) {
    Testanfrage r(link, 7, 2, 100), andere(link, 5);
    r.starten();
    k.ticke();
    ASSERT_EQ(Befehle(k.ecu->Frames()), std::vector<int>{7});
    for (int i = 0; i < 20 && r.timeouts == 0; ++i)
        k.ticke();
    ASSERT_EQ(r.timeouts, 1);
    std::vector<int> gesendet;
    for (int i = 0; i < 20 && gesendet.empty(); ++i) {
        k.ticke();
        gesendet = Befehle(k.ecu->Frames());
    }
    ASSERT_EQ(gesendet, std::vector<int>{7}) << "retried after the pause";
    andere.starten();
    k.ecu->antworte(7, QByteArray(2, '\0')); // the first sending's
    k.ticke();
    EXPECT_EQ(r.antworten, 1);
    EXPECT_EQ(Befehle(k.ecu->Frames()), std::vector<int>{5});
    k.ecu->antworte(7, QByteArray(2, '\0')); // the retry's
    k.ecu->antworte(5, QByteArray(2, '\0'));
    k.ticke();
    EXPECT_EQ(andere.antworten, 1);
    EXPECT_EQ(andere.timeouts, 0);
    EXPECT_EQ(link.Fehlerzahl(), 0);
}

// The serial port keeps received bytes for the tick only while the tick runs and looks at
// them then: a block transfer answers each block as it arrives, and a stopped or suspended
// tick polls nothing. (No event is handled here, so the running timer never ticks.)
TEST_F(Scheduler, BytesWaitForTheTickOnlyWhileTheTickTakesThem) {
    const auto fuer_den_Takt = [&] { return link.Port().DeliverOnPoll(); };
    EXPECT_FALSE(fuer_den_Takt()); // the fixture stopped the tick
    link.setze_Takt(true);
    EXPECT_TRUE(fuer_den_Takt());

    link.starte_Blockempfang(3, 0, nullptr, false, 250);
    ASSERT_TRUE(link.Blockempfang_aktiv());
    EXPECT_FALSE(fuer_den_Takt());
    link.sende_Anfrage(9, 0, false, nullptr);
    EXPECT_TRUE(fuer_den_Takt());
    const std::array<uint8_t, 100> daten{};
    link.sende_Anfrage(2, 100, true, daten.data());
    EXPECT_FALSE(fuer_den_Takt());
    link.sende_Anfrage(9, 0, false, nullptr);
    EXPECT_TRUE(fuer_den_Takt());

    link.setze_unterbrochen(true);
    EXPECT_FALSE(fuer_den_Takt());
    link.setze_unterbrochen(false);
    EXPECT_TRUE(fuer_den_Takt());
    link.setze_Takt(false);
    EXPECT_FALSE(fuer_den_Takt());
}
