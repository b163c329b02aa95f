// The command requests against the simulated ECU: their frames in order, the chains of the
// tests, the erase progress run, and the values the keys and windows hand them.

#include "model/Anfragenumgebung.h"
#include "model/UParameter.h"

#include <gtest/gtest.h>

namespace {

using Folge = std::vector<std::pair<int, QByteArray>>;

ecusim::Identitaetsdaten Identitaet(int typ, int version, int typnummer = 400) {
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = static_cast<uint16_t>(typ);
    id.Version = static_cast<uint16_t>(version);
    id.Typnummer = static_cast<uint16_t>(typnummer);
    return id;
}

} // namespace

TEST(Befehle, CreatedInTheirOrderAfterEverythingElseAndOnlyOnce) {
    Anfragenumgebung u;
    const size_t vorher = u.k.link().Anfragen().size();
    Befehlsobjekte& b = u.befehle();
    u.k.kontext->erzeuge_Befehle();
    const auto& ring = u.k.link().Anfragen();
    ASSERT_EQ(ring.size(), vorher + 18);
    std::vector<int> befehle;
    for (size_t i = vorher; i < ring.size(); ++i)
        befehle.push_back(ring[i]->Befehl);
    EXPECT_EQ(befehle, (std::vector<int>{41, 40, 103, 102, 84, 63, 104, 74, 75, 95, 60, 61, 110,
                                         112, 20, 200, 201, 208}));
    EXPECT_EQ(ring.back(), b.Bootloader_update.get());
}

TEST(Befehle, FlashStoreAndEraseAskFirstAndSendTheArea) {
    Anfragenumgebung u;
    Befehlsobjekte& b = u.befehle();
    b.Quorvel_Flash_loeschen->loeschen_fragen(1);
    ASSERT_TRUE(u.warte_still());
    u.k.meldungen.setze_Antwort(false);
    b.Quorvel_Flash_loeschen->loeschen_fragen(0);
    b.Quorvel_Flash_loeschen->loeschen_fragen(7); // no such area: not even asked
    ASSERT_TRUE(u.warte_still());
    b.Quorvel_ins_Flash_sichern->starten();
    ASSERT_TRUE(u.warte_still());

    EXPECT_EQ(u.Folge(), (Folge{{40, Bytes({1})}, {41, {}}}));
    EXPECT_EQ(u.k.meldungen.fragen, (QStringList{hole_Text(292), hole_Text(291)}));
    EXPECT_EQ(u.bereich.Flash_geloescht, (std::vector<int>{1}));
    EXPECT_EQ(u.bereich.Flash_gesichert, 1);
    EXPECT_EQ(u.Fenster(*b.Quorvel_ins_Flash_sichern)->text, hole_Text(293));
}

TEST(Befehle, StoringInFlashThatTimesOutEndsWithTheMessage) {
    Anfragenumgebung u;
    Befehlsobjekte& b = u.befehle();
    u.sim.injiziere(ecusim::Fehler::Stille, 5, 41);
    b.Quorvel_ins_Flash_sichern->starten();
    ASSERT_TRUE(u.warte([&] { return !b.Quorvel_ins_Flash_sichern->aktiv; }, 700));
    u.k.ticke();
    EXPECT_EQ(u.Befehlsfolge(), (std::vector<int>{41}));
    EXPECT_TRUE(u.k.meldungen.texte.contains(hole_Text(89)));
}

TEST(Befehle, ALoggerEraseRunsItsProgressToTheEnd) {
    Anfragenumgebung u; // ECU type 1, type number 400, version 615: it reports progress
    Befehlsobjekte& b = u.befehle();
    cl_Quorvel_loggerflash_loeschen& l = *b.Quorvel_loggerflash_loeschen;
    b.Quorvel_loggerflash_loeschen->loeschen_fragen(2);
    EXPECT_EQ(u.k.meldungen.fragen, QStringList{hole_Text(59)});
    ASSERT_TRUE(u.warte([&] { return l.beantwortet; }));
    // Kept open, with its bar, while the progress is polled.
    EXPECT_TRUE(u.Fenster(l)->sichtbar());
    EXPECT_TRUE(u.Fenster(l)->Fortschritt_sichtbar());
    ASSERT_TRUE(u.warte_still());

    Folge erwartet{{103, Bytes({2})}};
    for (int i = 0; i < 6; ++i)
        erwartet.push_back({102, {}});
    EXPECT_EQ(u.Folge(), erwartet);
    EXPECT_EQ(u.Fenster(l)->werte, (std::vector<int>{0, 250, 500, 750, 1000}));
    EXPECT_FALSE(u.Fenster(l)->sichtbar());
    EXPECT_TRUE(u.k.meldungen.texte.isEmpty());
}

TEST(Befehle, FirstProgressQueryComesHalfASecondAfterTheEraseThenEveryHundredMs) {
    Anfragenumgebung u;
    Befehlsobjekte& b = u.befehle();
    cl_Quorvel_loggerflash_loeschen_Fortschritt& f = *b.Quorvel_loggerflash_loeschen_Fortschritt;
    // Ticks from each answer to the next query's due tick.
    std::vector<int> abstaende;
    b.Quorvel_loggerflash_loeschen->loeschen_fragen(0);
    ASSERT_TRUE(u.warte([&] { return b.Quorvel_loggerflash_loeschen->beantwortet; }));
    abstaende.push_back(f.faellig - u.k.link().Tick());
    for (int i = 0; i < 3; ++i) {
        f.beantwortet = false;
        ASSERT_TRUE(u.warte([&] { return f.beantwortet; }));
        abstaende.push_back(f.faellig - u.k.link().Tick());
    }
    EXPECT_EQ(abstaende, (std::vector<int>{25, 5, 5, 5}));
    EXPECT_EQ(u.k.meldungen.fragen, QStringList{hole_Text(809)});
}

TEST(Befehle, AFailedEraseTellsTheUserAndEndsThePolling) {
    struct Fall {
        ecusim::Befehlsfehler fehler;
        std::vector<int> befehle;
    };
    for (const Fall& f : {Fall{ecusim::Befehlsfehler::Loeschfehler, {103}},
                          Fall{ecusim::Befehlsfehler::Fortschritt_negativ, {103, 102}}}) {
        Anfragenumgebung u;
        Befehlsobjekte& b = u.befehle();
        u.bereich.injiziere(f.fehler);
        b.Quorvel_loggerflash_loeschen->loeschen_fragen(2);
        ASSERT_TRUE(u.warte_still());
        u.k.ticke();
        EXPECT_EQ(u.Befehlsfolge(), f.befehle);
        EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(298)});
        EXPECT_FALSE(u.Fenster(*b.Quorvel_loggerflash_loeschen)->sichtbar());
    }
}

TEST(Befehle, WithoutProgressTheWaitWindowClosesWithTheEraseAnswer) {
    struct Fall {
        int typ, version, typnummer;
        bool fortschritt;
    };
    for (const Fall f :
         {Fall{1, 614, 400, false}, Fall{1, 615, 401, true}, Fall{1, 700, 500, false},
          Fall{5, 215, 1, true}, Fall{5, 214, 1, false}, Fall{5, 300, 2, false}}) {
        Anfragenumgebung u(Identitaet(f.typ, f.version, f.typnummer));
        Befehlsobjekte& b = u.befehle();
        cl_Quorvel_loggerflash_loeschen& l = *b.Quorvel_loggerflash_loeschen;
        l.loeschen_fragen(2);
        ASSERT_TRUE(u.warte([&] { return l.beantwortet; })) << f.version;
        EXPECT_EQ(u.Fenster(l)->Fortschritt_sichtbar(), f.fortschritt) << f.typ << " " << f.version;
        EXPECT_EQ(u.Fenster(l)->sichtbar(), f.fortschritt) << f.typ << " " << f.version;
        ASSERT_TRUE(u.warte_still());
        EXPECT_EQ(u.Befehlsfolge().size() > 1, f.fortschritt) << f.typ << " " << f.version;
    }
}

TEST(Befehle, TheSpeedTestStartsReadsTheToothTimesInBlocksAndEnds) {
    Anfragenumgebung u;
    Befehlsobjekte& b = u.befehle();
    cl_Quorvel_starte_Test_Drehzahl& t = *b.Quorvel_starte_Test_Drehzahl;
    std::vector<uint8_t> zeiten(400);
    int gezeigt = 0;
    t.zeige_Ergebnis = [&] { ++gezeigt; };
    t.starten(false, 200, zeiten);
    ASSERT_TRUE(u.warte_still());

    // 63 with the byte count, then four 100-byte block reads of 64 (old format), then 66.
    const Folge f = u.Folge();
    ASSERT_EQ(f.size(), 6u);
    EXPECT_EQ(f[0], std::make_pair(63, Worte({400})));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(f[1 + i], std::make_pair(64, Bytes({i, 100}))) << i;
    EXPECT_EQ(f[5], std::make_pair(66, QByteArray()));
    EXPECT_EQ(gezeigt, 1);
    // The simulated ECU's 60-2 wheel at 1000 rpm: 1.00 ms a tooth, the gap's mark (its two
    // missing teeth) and the 3.00 ms across it.
    const auto zeit = [&](int k) {
        return static_cast<int16_t>(zeiten[2 * k] | (zeiten[2 * k + 1] << 8));
    };
    EXPECT_EQ(zeit(0), 100);
    EXPECT_EQ(zeit(57), -200);
    EXPECT_EQ(zeit(58), 300);
    EXPECT_EQ(zeit(199), 100);
    EXPECT_TRUE(u.bereich.Drehzahltest_beendet);
    EXPECT_FALSE(u.Fenster(t)->sichtbar());
}

TEST(Befehle, TheAlternativeSpeedTestEndsWithItsAnswerAndASecondClickChangesNothing) {
    Anfragenumgebung u;
    Befehlsobjekte& b = u.befehle();
    cl_Quorvel_starte_Test_Drehzahl& t = *b.Quorvel_starte_Test_Drehzahl;
    std::vector<uint8_t> zeiten(400);
    std::vector<uint8_t> klein(10);
    t.starten(true, 200, klein); // the buffer cannot take the results
    EXPECT_FALSE(t.aktiv);
    t.starten(true, 200, zeiten);
    t.starten(false, 100, zeiten);
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.Folge(), (Folge{{65, Worte({400})}}));
    // The kept-open window stays until the user closes it.
    EXPECT_TRUE(u.Fenster(t)->sichtbar());
}

TEST(Befehle, TheInjectorTestPollsTheRemainingTimeUntilZeroThenEnds) {
    Anfragenumgebung u;
    Befehlsobjekte& b = u.befehle();
    cl_Quorvel_starte_Test_Duese& t = *b.Quorvel_starte_Test_Duese;
    std::array<uint8_t, 2> rest{};
    std::vector<int> gezeigt;
    // A second of the ECU's clock passes between two queries.
    int64_t jetzt = 0;
    u.bereich.Uhr = [&] { return jetzt; };
    t.zeige_Restzeit = [&] {
        gezeigt.push_back(rest[0] | (rest[1] << 8));
        jetzt += 1000;
    };
    t.starten(300, 3, rest);
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.Folge(),
              (Folge{{95, Worte({300, 3})}, {96, {}}, {96, {}}, {96, {}}, {96, {}}, {97, {}}}));
    EXPECT_EQ(gezeigt, (std::vector<int>{3, 2, 1, 0}));
    EXPECT_EQ(u.bereich.Duesentest_beendet, 1);
    EXPECT_FALSE(u.Fenster(t)->sichtbar());
    EXPECT_EQ(u.k.link().Fehlerzahl(), 0);
}

TEST(Befehle, StoppingTheInjectorTestWhilePollingSendsTheEndWithoutAFailure) {
    Anfragenumgebung u;
    Befehlsobjekte& b = u.befehle();
    cl_Quorvel_starte_Test_Duese& t = *b.Quorvel_starte_Test_Duese;
    u.bereich.Uhr = [] { return int64_t{0}; }; // the run's time never runs out
    std::array<uint8_t, 2> rest{};
    t.starten(1, 2, rest);
    // Stopped while a query is in flight.
    ASSERT_TRUE(u.warte([&] {
        return u.Befehlsfolge().size() >= 3 && u.k.link().aktuelle_Anfrage() == &t &&
               u.k.link().wartet();
    }));
    const int t0 = u.k.link().Tick();
    t.stoppen();
    // The query in flight ends the test with its answer; no exchange fails or is abandoned.
    int fehler = 0;
    ASSERT_TRUE(u.warte([&] {
        fehler = std::max(fehler, u.k.link().Fehlerzahl());
        return u.bereich.Duesentest_beendet == 1 && !t.aktiv;
    }));
    EXPECT_EQ(fehler, 0);
    EXPECT_LT(u.k.link().Tick() - t0, 10);
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.Befehlsfolge().back(), 97);
    EXPECT_EQ(u.bereich.Duesentest_beendet, 1);
    EXPECT_FALSE(t.aktiv);
}

TEST(Befehle, ManualInjectionSendsTheAccumulatedChangeOnce) {
    // (sum of the keys, word sent or none)
    struct Fall {
        std::vector<int> tasten;
        std::optional<int> gesendet;
    };
    const Fall faelle[] = {
        {{5}, 6},
        {{-5}, -6},
        {{1}, 1},
        {{-1}, -1},
        {{3, -3}, std::nullopt},
        {{2, 2, 2, 2}, 10},
        {{26214}, 32767},            // 32767.5 truncates to 32767
        {{26215}, 32767},            // 32768 would wrap to -32768
        {{-26215}, -32768},          // -32768.75 truncates to -32768
        {{-26216}, -32768},          // -32770 would wrap to 32766
        {{2147483647, 1000}, 32767}, // the sum saturates rather than turning negative
        {{-2147483647, -1000}, -32768},
    };
    for (const Fall& f : faelle) {
        Anfragenumgebung u;
        Befehlsobjekte& b = u.befehle();
        for (int t : f.tasten)
            b.Quorvel_Hand_Einspritzzeit_aendern->addieren(t);
        b.Quorvel_Hand_Einspritzzeit_aendern->senden();
        b.Quorvel_Hand_Einspritzzeit_aendern->senden(); // nothing left to send
        ASSERT_TRUE(u.warte_still());
        std::vector<int16_t> erwartet;
        if (f.gesendet)
            erwartet.push_back(static_cast<int16_t>(*f.gesendet));
        EXPECT_EQ(u.bereich.Einspritzaenderungen, erwartet) << f.tasten.front();
    }
}

TEST(Befehle, ManualModeToggleDropsTheKeysPressedBeforeIt) {
    Anfragenumgebung u;
    Befehlsobjekte& b = u.befehle();
    b.Quorvel_Hand_Einspritzzeit_aendern->addieren(8);
    b.Quorvel_Hand_umschalten->starten();
    b.Quorvel_Hand_Einspritzzeit_aendern->senden();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.Befehlsfolge(), std::vector<int>{60});
    EXPECT_TRUE(u.bereich.Handbetrieb);
    // Keys pressed while a change is under way wait for the next refresh.
    b.Quorvel_Hand_Einspritzzeit_aendern->addieren(8);
    b.Quorvel_Hand_Einspritzzeit_aendern->senden();
    b.Quorvel_Hand_Einspritzzeit_aendern->addieren(16);
    b.Quorvel_Hand_Einspritzzeit_aendern->senden();
    ASSERT_TRUE(u.warte_still());
    b.Quorvel_Hand_Einspritzzeit_aendern->senden();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.bereich.Einspritzaenderungen, (std::vector<int16_t>{10, 20}));
}

TEST(Befehle, IdleActuatorGearboxAndTestSwitchesSendWhatTheyWereGiven) {
    Anfragenumgebung u;
    Befehlsobjekte& b = u.befehle();
    // Idle actuator: (a, b) -> the two bytes.
    b.Quorvel_Leerlaufsteller_aendern->setzen(10, 300);
    ASSERT_TRUE(u.warte_still());
    b.Quorvel_Leerlaufsteller_aendern->setzen(-1, -2);
    ASSERT_TRUE(u.warte_still());
    b.Quorvel_Leerlaufsteller_aendern->setzen(258, 255);
    ASSERT_TRUE(u.warte_still());
    b.Quorvel_Test_digitale_Eingaenge->einschalten();
    ASSERT_TRUE(u.warte_still());
    b.Quorvel_Test_digitale_Eingaenge->ausschalten();
    ASSERT_TRUE(u.warte_still());
    // Not a gearbox ECU: nothing.
    b.DSG_Handbetrieb->setzen(1, 5);
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.Folge(), (Folge{{84, Bytes({10, 255})},
                                {84, Bytes({255, 254})},
                                {84, Bytes({2, 255})},
                                {110, Bytes({1})},
                                {110, Bytes({0})}}));
}

TEST(Befehle, TheGearboxManualModeKeepsTheOtherValues) {
    Anfragenumgebung u(Identitaet(3, 100, 1));
    Befehlsobjekte& b = u.befehle();
    b.DSG_Handbetrieb->setzen(2, 500);
    ASSERT_TRUE(u.warte_still());
    b.DSG_Handbetrieb->setzen(3, -1);
    ASSERT_TRUE(u.warte_still());
    b.DSG_Handbetrieb->setzen(7, 99); // index only
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.Folge(), (Folge{{20, Worte({2, 0, 500, 0})},
                                {20, Worte({3, 0, 500, 0xFFFF})},
                                {20, Worte({7, 0, 500, 0xFFFF})}}));
    // The ECU took them as manual-mode records, not as reads of the second ignition map.
    EXPECT_EQ(u.bereich.DSG_Hand.size(), 3u);
}

TEST(Befehle, NoIdleActuatorChangeOnADieselEcu) {
    Anfragenumgebung u(Identitaet(5, 215, 1));
    Befehlsobjekte& b = u.befehle();
    b.Quorvel_Leerlaufsteller_aendern->setzen(1, 2);
    ASSERT_TRUE(u.warte_still());
    EXPECT_TRUE(u.Folge().empty());
}

TEST(Befehle, AnswersThatOthersWaitForAreAnnounced) {
    Anfragenumgebung u;
    Befehlsobjekte& b = u.befehle();
    std::map<std::string, int> gehoert;
    for (const KlassenInfo* k :
         {&cl_Quorvel_starte_Leistungsmessung::Klasse, &cl_Quorvel_beende_Leistungsmessung::Klasse,
          &cl_Bootloader_update::Klasse})
        InterAction().Create(
            *k, [&gehoert, k](Sender&) { ++gehoert[k->name]; }, cl_COM_data::Beantwortet);
    int gelesen = 0;
    b.Quorvel_Fehlerspeicher_loeschen->lese_ab_Anfang = [&] { ++gelesen; };
    b.Quorvel_starte_Leistungsmessung->starten();
    b.Quorvel_beende_Leistungsmessung->starten();
    b.Bootloader_update->starten();
    b.Quorvel_Fehlerspeicher_loeschen->starten();
    b.E_Gas_kalibrieren->starten();
    b.DSG_Logdaten_starten->starten();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(gehoert["cl_Quorvel_starte_Leistungsmessung"], 1);
    EXPECT_EQ(gehoert["cl_Quorvel_beende_Leistungsmessung"], 1);
    EXPECT_EQ(gehoert["cl_Bootloader_update"], 1);
    EXPECT_EQ(b.Bootloader_update->Status(), 0x0102);
    EXPECT_EQ(gelesen, 1);
    EXPECT_EQ(u.fehlerspeicher.Fehlerspeicher_geloescht, 1);
    EXPECT_EQ(u.bereich.E_Gas_kalibriert, 1);
    std::vector<int> f = u.Befehlsfolge();
    std::sort(f.begin(), f.end());
    EXPECT_EQ(f, (std::vector<int>{74, 75, 104, 200, 201, 208}));
}

TEST(Befehle, ACommandWithoutAnswerIsSentAgainAfterThePause) {
    Anfragenumgebung u;
    Befehlsobjekte& b = u.befehle();
    u.sim.injiziere(ecusim::Fehler::Stille, 1, 40);
    b.Quorvel_Flash_loeschen->loeschen_fragen(0);
    ASSERT_TRUE(u.warte_still(2000));
    EXPECT_EQ(u.Folge(), (Folge{{40, Bytes({0})}, {40, Bytes({0})}}));
    EXPECT_TRUE(u.k.meldungen.texte.isEmpty());
}

TEST(Befehle, AParameterWriteThatChangedAFlashValueStoresInFlash) {
    Anfragenumgebung u;
    u.befehle();
    ASSERT_TRUE(u.k.kontext->parameter().ins_Flash_sichern);
    u.k.kontext->parameter().ins_Flash_sichern();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.bereich.Flash_gesichert, 1);
}
