// The further data requests against the simulated ECU: their frames, the logger, export and
// import chains, the memory scan, and what they make of counts the ECU supplies.

#include "model/Anfragenumgebung.h"

#include <gtest/gtest.h>

namespace {

using Folge = std::vector<std::pair<int, QByteArray>>;

std::vector<QByteArray> Logeintraege(int n) {
    std::vector<QByteArray> e;
    for (int i = 0; i < n; ++i)
        e.push_back(QByteArray(8, static_cast<char>(i + 1)));
    return e;
}

} // namespace

TEST(WeitereAnfragen, TheRecordsAnswerAndAreAnnounced) {
    Anfragenumgebung u;
    Weitere_Anfragen& w = u.weitere();
    int gehoert = 0;
    for (const KlassenInfo* k :
         {&cl_DSG_Log_Daten::Klasse, &cl_DSG_log_Zustandsdaten::Klasse,
          &cl_Leistung_Quorvel::Klasse, &cl_Passwort_Nr_lesen::Klasse,
          &cl_analoge_Eingaenge::Klasse, &cl_digitale_Eingaenge::Klasse,
          &cl_digitale_Ausgaenge::Klasse, &cl_Merker::Klasse, &cl_ECU_Systemdaten::Klasse})
        InterAction().Create(
            *k, [&](Sender&) { ++gehoert; }, cl_COM_data::Beantwortet);
    u.bereich.Eingangsbits = 5;
    u.bereich.Leistung_misst = true;
    u.bereich.Leistungslauf = {{1234, 56, -78}};
    EXPECT_EQ(w.digitale_Eingaenge->Alter, Alter_unbekannt);
    w.DSG_Log_Daten->anfordern(0x1234);
    w.DSG_log_Zustandsdaten->starten();
    w.Leistung_Quorvel->starten();
    w.Passwort_Nr_schreiben->senden(4711);
    w.Merker_senden->senden(0xA55A);
    ASSERT_TRUE(u.warte_still());
    w.Passwort_Nr_lesen->starten();
    w.analoge_Eingaenge->starten();
    w.digitale_Eingaenge->starten();
    w.digitale_Ausgaenge->starten();
    w.Merker->starten();
    ASSERT_TRUE(u.warte_still());

    EXPECT_EQ(gehoert, 8); // the two writes announce nothing
    EXPECT_EQ(w.DSG_Log_Daten->Datensatz[0], 0x34);
    EXPECT_EQ(w.DSG_Log_Daten->Datensatz[1], 0x12);
    EXPECT_EQ(w.DSG_Log_Daten->Datensatz[33], 33);
    EXPECT_EQ(w.DSG_log_Zustandsdaten->Datensatz[83], 21 + 83);
    // Speed, power and torque at bytes 2, 6 and 8.
    EXPECT_EQ(lies_Wort(w.Leistung_Quorvel->Datensatz.data() + 2), 1234);
    EXPECT_EQ(lies_Wort(w.Leistung_Quorvel->Datensatz.data() + 6), 56);
    EXPECT_EQ(static_cast<int16_t>(lies_Wort(w.Leistung_Quorvel->Datensatz.data() + 8)), -78);
    EXPECT_EQ(w.Passwort_Nr_lesen->Passwortnummer(), 4711);
    EXPECT_EQ(w.Merker->Merkerwort(), 0xA55A);
    EXPECT_EQ(w.analoge_Eingaenge->Wert(31), 3100);
    EXPECT_TRUE(w.digitale_Ausgaenge->Ausgang(0));
    EXPECT_FALSE(w.digitale_Ausgaenge->Ausgang(1));
    EXPECT_TRUE(w.digitale_Ausgaenge->Ausgang(2));
    EXPECT_TRUE(w.digitale_Ausgaenge->Ausgang(31));
    EXPECT_TRUE(w.digitale_Ausgaenge->Ausgang(48));
    for (const int32_t alter :
         {w.analoge_Eingaenge->Alter, w.digitale_Eingaenge->Alter, w.digitale_Ausgaenge->Alter})
        EXPECT_EQ(alter, 0);
    // Word 0 = 5: inputs 1 and 3.
    std::array<uint8_t, 16> zustand{};
    zustand[0] = zustand[2] = 1;
    EXPECT_EQ(w.digitale_Eingaenge->Digitaleingang_Zustand, zustand);
    EXPECT_EQ(lies_Wort(w.digitale_Eingaenge->Datensatz.data() + 32), 16);

    EXPECT_EQ(u.Folge(), (Folge{{201, Worte({0x1234})},
                                {21, {}},
                                {76, {}},
                                {85, Worte({4711})},
                                {117, Worte({0xA55A})},
                                {86, {}},
                                {109, {}},
                                {111, {}},
                                {112, {}},
                                {116, {}}}));
}

TEST(WeitereAnfragen, SystemDataAreRequestedAheadOfEverythingAndItemByItem) {
    Anfragenumgebung u;
    Weitere_Anfragen& w = u.weitere();
    u.bereich.Systemdaten = {{12, 300}, {7, 65535}};
    std::vector<std::pair<int, int>> liste;
    InterAction().Create(
        cl_ECU_Systemdaten::Klasse,
        [&](Sender&) {
            if (!w.ECU_Systemdaten->vorhanden())
                return;
            liste.emplace_back(w.ECU_Systemdaten->Nummer(), w.ECU_Systemdaten->Wert());
            w.ECU_Systemdaten->anfordern(cl_ECU_Systemdaten::Naechstes);
        },
        cl_COM_data::Beantwortet);
    w.Merker->starten();
    w.ECU_Systemdaten->anfordern(cl_ECU_Systemdaten::Erstes);
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(liste, (std::vector<std::pair<int, int>>{{12, 300}, {7, 65535}}));
    EXPECT_EQ(u.Folge(),
              (Folge{{125, Bytes({1})}, {125, Bytes({0})}, {125, Bytes({0})}, {116, {}}}));
}

TEST(WeitereAnfragen, TheLoggerChainReadsBlockAfterBlockToTheEnd) {
    Anfragenumgebung u;
    Weitere_Anfragen& w = u.weitere();
    u.bereich.Logeintraege = Logeintraege(19);
    std::vector<std::pair<int, int>> bloecke;
    std::vector<int> erste;
    InterAction().Create(
        cl_Test_Logdaten::Klasse,
        [&](Sender&) {
            bloecke.emplace_back(w.Test_Logdaten->Blocknummer(), w.Test_Logdaten->Anzahl());
            erste.push_back(w.Test_Logdaten->Datensatz(0)[0]);
        },
        cl_COM_data::Beantwortet);
    w.Test_Logdaten->starten();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.Folge(),
              (Folge{{22, Worte({0})}, {22, Worte({8})}, {22, Worte({16})}, {22, Worte({19})}}));
    EXPECT_EQ(bloecke, (std::vector<std::pair<int, int>>{{0, 8}, {8, 8}, {16, 3}, {65535, 0}}));
    EXPECT_EQ(erste, (std::vector<int>{1, 9, 17, 0}));

    // Block 65535 sent is the erase.
    u.sim.leere_Protokoll();
    w.Test_Logdaten->stoppen();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.Folge(), (Folge{{22, Worte({65535})}}));
    EXPECT_TRUE(u.bereich.Logeintraege.empty());
}

TEST(WeitereAnfragen, AnEraseWhileTheLoggerIsReadEndsTheReadAndIsSent) {
    Anfragenumgebung u;
    Weitere_Anfragen& w = u.weitere();
    u.bereich.Logeintraege = Logeintraege(40);
    w.Test_Logdaten->starten();
    ASSERT_TRUE(u.warte([&] { return u.Befehlsfolge().size() == 2; }));
    w.Test_Logdaten->stoppen();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.Folge().back(), std::make_pair(22, Worte({65535})));
    EXPECT_TRUE(u.bereich.Logeintraege.empty());
    // Nothing of the read follows: blocks 0 and 8, perhaps 16 already on its way, the erase.
    EXPECT_LE(u.Befehlsfolge().size(), 4u);
}

TEST(WeitereAnfragen, ALoggerCountPastTheAnswerReadsEightRecordsAndTheChainStepsByTheCount) {
    Anfragenumgebung u;
    Weitere_Anfragen& w = u.weitere();
    u.bereich.Logeintraege = Logeintraege(300);
    u.bereich.injiziere(ecusim::Befehlsfehler::Loggerzahl_zu_gross);
    int anzahl = -1;
    int roh = -1;
    InterAction().Create(
        cl_Test_Logdaten::Klasse,
        [&](Sender&) {
            if (anzahl < 0) {
                anzahl = w.Test_Logdaten->Anzahl();
                roh = w.Test_Logdaten->Rohanzahl();
            }
            w.Test_Logdaten->cl_COM_data::stoppen();
        },
        cl_COM_data::Beantwortet);
    w.Test_Logdaten->starten();
    ASSERT_TRUE(u.warte([&] { return anzahl >= 0; }));
    EXPECT_EQ(anzahl, 8);
    EXPECT_EQ(roh, 200);
    EXPECT_EQ(w.Test_Logdaten->angefragter_Block(), 200);
}

TEST(WeitereAnfragen, LoggerCountsAndBlockNumbersDecideTheNextBlock) {
    // (block, count) answered -> next block asked, or none; records read.
    struct Fall {
        int block, anzahl;
        std::optional<int> naechster;
        int gelesen;
    };
    const Fall faelle[] = {
        {16, 8, 24, 8},       {65535, 0, std::nullopt, 0},
        {40, 0, 40, 0},       {65535, 3, 2, 3},
        {65530, 8, 2, 8},     {0, 9, 9, 8},
        {0, 65535, 65535, 8},
    };
    LinkKontext k;
    cl_Test_Logdaten t(k.link());
    for (const Fall& f : faelle) {
        schreibe_Wort(t.Block.data(), static_cast<uint16_t>(f.block));
        schreibe_Wort(t.Block.data() + 2, static_cast<uint16_t>(f.anzahl));
        t.Sendeblock = {0xEE, 0xEE};
        t.aktiv = false;
        t.Antwort();
        EXPECT_EQ(t.aktiv, f.naechster.has_value()) << f.block << " " << f.anzahl;
        if (f.naechster) {
            EXPECT_EQ(t.angefragter_Block(), *f.naechster) << f.block << " " << f.anzahl;
        }
        EXPECT_EQ(t.Anzahl(), f.gelesen);
    }
}

TEST(WeitereAnfragen, TheExportStartsWithItsHeaderAndReadsBlocksByAlternatingWord) {
    Anfragenumgebung u;
    Weitere_Anfragen& w = u.weitere();
    for (int i = 0; i < 20; ++i)
        u.bereich.Exportdaten.emplace_back(i, 100 + i);
    std::vector<int> paare;
    InterAction().Create(
        cl_Export_next::Klasse,
        [&](Sender&) {
            paare.push_back(w.Export_next->Paaranzahl());
            if (w.Export_next->weitere_Bloecke())
                w.Export_next->anfordern();
        },
        cl_COM_data::Beantwortet);
    InterAction().Create(
        cl_Export_starten::Klasse, [&](Sender&) { w.Export_next->anfordern(); },
        cl_COM_data::Beantwortet);
    ASSERT_TRUE(w.Export_starten->starten(QStringLiteral("ALT1"), 1, QString(), 2,
                                          QStringLiteral("ELFZEICHEN1"), 3, QStringLiteral("neu"),
                                          9999));
    ASSERT_TRUE(u.warte_still());

    QByteArray kopf(56, '\0');
    kopf.replace(0, 5, QByteArray("ALT1", 5));
    kopf.replace(24, 12, QByteArray("ELFZEICHEN1", 12));
    kopf.replace(36, 4, QByteArray("neu", 4));
    kopf.replace(48, 8, Worte({1, 2, 3, 9999}));
    EXPECT_EQ(u.Folge(), (Folge{{120, kopf}, {121, Worte({1})}, {121, Worte({0})}}));
    EXPECT_EQ(paare, (std::vector<int>{16, 4}));
    EXPECT_EQ(w.Export_starten->Kennung(0), 64);
    EXPECT_EQ(w.Export_starten->Kopfwert(1), 20); // the data pairs the ECU holds
    EXPECT_EQ(w.Export_next->Kennung(3), 19);
    EXPECT_EQ(w.Export_next->Wert(3), 119);
}

TEST(WeitereAnfragen, AShorterPasswordLeavesTheBytesBehindItsZeroAsTheyWere) {
    Anfragenumgebung u;
    cl_Export_starten& e = *u.weitere().Export_starten;
    ASSERT_TRUE(e.starten(QStringLiteral("ABCDEFGHIJK"), 0, {}, 0, {}, 0, {}, 0));
    ASSERT_TRUE(u.warte_still());
    ASSERT_TRUE(e.starten(QStringLiteral("XY"), 0, {}, 0, {}, 0, {}, 0));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(e.Sendekopf.data()), 12),
              QByteArray("XY\0DEFGHIJK\0", 12));
}

TEST(WeitereAnfragen, AnExportPasswordThatDoesNotFitIsRefusedNeverCut) {
    struct Fall {
        QString pw;
        bool angenommen;
    };
    const Fall faelle[] = {
        {QStringLiteral("ELFZEICHEN1"), true}, {QStringLiteral("ZWOELFZEICH1"), false},
        {QStringLiteral("ÄÖÜ"), true},     // the code page holds them
        {QStringLiteral("\u20AC"), true},  // so is the euro sign, as one byte
        {QStringLiteral("\u4E2D"), false}, // not in the code page: it would become '?'
    };
    for (const Fall& f : faelle) {
        for (int feld = 0; feld < 4; ++feld) {
            Anfragenumgebung u;
            cl_Export_starten& e = *u.weitere().Export_starten;
            QString pw[4];
            pw[feld] = f.pw;
            EXPECT_EQ(e.starten(pw[0], 1, pw[1], 2, pw[2], 3, pw[3], 4), f.angenommen)
                << f.pw.toStdString() << " " << feld;
            ASSERT_TRUE(u.warte_still());
            EXPECT_EQ(u.Befehlsfolge().size(), f.angenommen ? 1u : 0u);
            EXPECT_EQ(u.k.meldungen.texte,
                      f.angenommen ? QStringList() : QStringList{hole_Text(1297)});
            if (!f.angenommen) {
                EXPECT_EQ(e.Sendekopf, decltype(e.Sendekopf){});
            }
        }
    }
}

TEST(WeitereAnfragen, AnExportCountPastTheAnswerReadsSixteenPairsAndGoesOn) {
    Anfragenumgebung u;
    Weitere_Anfragen& w = u.weitere();
    for (int i = 0; i < 40; ++i)
        u.bereich.Exportdaten.emplace_back(i, i);
    u.bereich.injiziere(ecusim::Befehlsfehler::Exportzahl_zu_gross);
    w.Export_next->anfordern();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(w.Export_next->Rohanzahl(), 40);
    EXPECT_EQ(w.Export_next->Paaranzahl(), 16);
    EXPECT_TRUE(w.Export_next->weitere_Bloecke());
}

TEST(WeitereAnfragen, TheExportWordIsInvertedOnlyForARequestThatGoesOut) {
    Anfragenumgebung u;
    cl_Export_next& e = *u.weitere().Export_next;
    e.anfordern();
    e.anfordern(); // while the first is under way
    ASSERT_TRUE(u.warte_still());
    e.anfordern();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.Folge(), (Folge{{121, Worte({1})}, {121, Worte({0})}}));
}

TEST(WeitereAnfragen, AFailedExportOrImportEndsWithTheMessageAndEventTwo) {
    for (int befehl : {120, 121, 122}) {
        Anfragenumgebung u;
        Weitere_Anfragen& w = u.weitere();
        int fehlgeschlagen = 0;
        for (const KlassenInfo* k :
             {&cl_Export_starten::Klasse, &cl_Export_next::Klasse, &cl_Import_next::Klasse})
            InterAction().Create(
                *k, [&](Sender&) { ++fehlgeschlagen; }, cl_COM_data::Fehlgeschlagen);
        u.sim.injiziere(ecusim::Fehler::Stille, 1, static_cast<uint8_t>(befehl));
        if (befehl == 120) {
            w.Export_starten->starten({}, 0, {}, 0, {}, 0, {}, 0);
        } else if (befehl == 121) {
            w.Export_next->anfordern();
        } else {
            w.Import_next->laeuft = true;
            w.Import_next->setze_Paare(16);
            w.Import_next->sofort_starten();
        }
        ASSERT_TRUE(u.warte_still(1000)) << befehl;
        u.k.ticke();
        EXPECT_EQ(fehlgeschlagen, 1) << befehl;
        EXPECT_EQ(u.Befehlsfolge(), std::vector<int>{befehl});
        EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(89)});
    }
}

TEST(WeitereAnfragen, TheImportChainSendsTheNextTelegramWhileFull) {
    Anfragenumgebung u;
    cl_Import_next& im = *u.weitere().Import_next;
    // The import window's part: prepares the next telegram on each answer.
    std::vector<int> paare = {16, 16, 5};
    size_t naechstes = 1;
    int gehoert = 0;
    InterAction().Create(
        cl_Import_next::Klasse,
        [&](Sender&) {
            ++gehoert;
            if (naechstes >= paare.size())
                return;
            im.setze_Erstes(false);
            im.setze_Paare(paare[naechstes]);
            for (int i = 0; i < paare[naechstes]; ++i)
                im.setze_Paar(i, static_cast<uint16_t>(100 * naechstes + i), 7);
            ++naechstes;
        },
        cl_COM_data::Beantwortet);
    im.setze_Erstes(true);
    im.setze_Paare(16);
    for (int i = 0; i < 16; ++i)
        im.setze_Paar(i, static_cast<uint16_t>(i), 7);
    im.laeuft = true;
    im.sofort_starten();
    ASSERT_TRUE(u.warte_still());
    ASSERT_EQ(u.bereich.Importtelegramme.size(), 3u);
    EXPECT_EQ(gehoert, 3);
    EXPECT_FALSE(im.laeuft);
    EXPECT_EQ(u.bereich.Importtelegramme[0].left(4), Bytes({1, 0, 16, 0}));
    EXPECT_EQ(u.bereich.Importtelegramme[1].left(8), Bytes({0, 0, 16, 0, 100, 0, 7, 0}));
    EXPECT_EQ(u.bereich.Importtelegramme[2].mid(2, 2), Worte({5}));
    for (const QByteArray& t : u.bereich.Importtelegramme)
        EXPECT_EQ(t.size(), 68);
}

TEST(WeitereAnfragen, TheMemoryScanGoesRoundThreeMemoriesAndPausesAfterEachRoundOnly) {
    Anfragenumgebung u;
    cl_Speicher_Daten s(u.k.link());
    std::vector<std::pair<int, int>> gezeigt;
    s.zeige_Speicher = [&](uint8_t befehl) { gezeigt.emplace_back(befehl, s.Speichernummer()); };
    u.bereich.defekter_Speicher = 1;
    bool flash0_defekt = false;
    s.zeige_Speicher = [&](uint8_t befehl) {
        gezeigt.emplace_back(befehl, s.Speichernummer());
        if (befehl == 7)
            flash0_defekt = s.defekt();
    };
    s.starten();
    ASSERT_TRUE(u.warte([&] { return gezeigt.size() == 3; }));
    EXPECT_TRUE(s.Runde_fertig);
    const int t0 = u.k.link().Tick();
    ASSERT_TRUE(u.warte([&] { return gezeigt.size() == 4; }));
    EXPECT_GE(u.k.link().Tick() - t0, 25);
    EXPECT_EQ(gezeigt, (std::vector<std::pair<int, int>>{{6, 11}, {7, 22}, {8, 33}, {6, 11}}));
    EXPECT_TRUE(flash0_defekt);
    // The next pass runs at once again, without the timer: only its end pauses.
    EXPECT_FALSE(s.Runde_fertig);
    const int t1 = u.k.link().Tick();
    ASSERT_TRUE(u.warte([&] { return gezeigt.size() == 5; }));
    EXPECT_LE(u.k.link().Tick() - t1, 3);
    s.stoppen();
    ASSERT_TRUE(u.warte_still());
    EXPECT_LE(gezeigt.size(), 6u);
    EXPECT_FALSE(s.aktiv);
}

TEST(WeitereAnfragen, RestartingTheMemoryScanMidPassKeepsTheAnswerInFlight) {
    Anfragenumgebung u;
    cl_Speicher_Daten s(u.k.link());
    std::vector<int> gezeigt;
    s.zeige_Speicher = [&](uint8_t befehl) { gezeigt.push_back(befehl); };
    s.starten();
    // The window's timer strikes while the flash 0 query is in flight.
    ASSERT_TRUE(u.warte([&] { return s.Befehl == 7 && u.k.link().wartet(); }));
    s.starten();
    ASSERT_TRUE(u.warte([&] { return gezeigt.size() == 3; }));
    s.stoppen();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.k.link().Fehlerzahl(), 0);
    EXPECT_EQ((std::vector<int>(gezeigt.begin(), gezeigt.begin() + 3)),
              (std::vector<int>{6, 7, 8}));
}

TEST(WeitereAnfragen, WithoutTheMemoryWindowTheScanEndsAtTheFirstAnswer) {
    Anfragenumgebung u;
    cl_Speicher_Daten s(u.k.link());
    s.starten();
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.Befehlsfolge(), std::vector<int>{6});
}
