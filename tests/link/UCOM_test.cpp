#include "link/CanPort.h"
#include "link/Linkumgebung.h"
#include "platform/Registry.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTime>
#include <ctime>
#include <gtest/gtest.h>

using ecusim::EcuSim;
using ecusim::Fehler;

namespace {

QByteArray Rahmen(uint8_t befehl, const QByteArray& daten) {
    return ecusim::baue_Rahmen(befehl, daten);
}

// The frame bytes the CAN messages carry, and the messages' sequence bytes and counts.
struct Gepackt {
    QByteArray bytes;
    std::vector<int> sequenz, anzahl;
};
Gepackt entpacke(const std::vector<CanMsg>& msgs) {
    Gepackt g;
    for (const CanMsg& m : msgs) {
        EXPECT_EQ(m.len, 8);
        EXPECT_EQ(static_cast<uint32_t>(m.id), PC_Sende_Id | CAN_29_Bit);
        g.sequenz.push_back(m.data[0]);
        g.anzahl.push_back(m.data[1]);
        g.bytes.append(reinterpret_cast<const char*>(m.data + 2), m.data[1]);
        for (int i = 2 + m.data[1]; i < 8; ++i)
            EXPECT_EQ(m.data[i], 0) << "unused positions are 0";
    }
    return g;
}

} // namespace

// The byte writer packs any number of bytes 6 to a message, numbering them and marking the
// last; a frame adds length and checksum around its data.
TEST(Link, CAN_Packing_Table) {
    Linkumgebung u;
    clCOM& link = u.CAN_Link();
    Buslauscher bus(u.bus);
    struct Fall {
        int bytes;
        std::vector<int> sequenz, anzahl;
    };
    const Fall faelle[] = {
        {1, {128}, {1}},
        {6, {128}, {6}},
        {7, {0, 129}, {6, 1}},
        {12, {0, 129}, {6, 6}},
        {13, {0, 1, 130}, {6, 6, 1}},
        {14, {0, 1, 130}, {6, 6, 2}},
        {255, {}, {}},
    };
    for (const Fall& f : faelle) {
        const QByteArray b = Muster(f.bytes);
        for (char c : b)
            link.sende_Byte(static_cast<uint8_t>(c));
        link.sende_CAN_Rest();
        const Gepackt g = entpacke(bus.Nachrichten(link));
        EXPECT_EQ(g.bytes, b) << f.bytes;
        if (f.bytes == 255) {
            ASSERT_EQ(g.sequenz.size(), 43u);
            EXPECT_EQ(g.sequenz.front(), 0);
            EXPECT_EQ(g.sequenz[41], 41);
            EXPECT_EQ(g.sequenz.back(), 42 + 128);
            EXPECT_EQ(g.anzahl.back(), 3);
        } else {
            EXPECT_EQ(g.sequenz, f.sequenz) << f.bytes;
            EXPECT_EQ(g.anzahl, f.anzahl) << f.bytes;
        }
    }
}

TEST(Link, Frames_CarryLengthCommandAndChecksum) {
    Linkumgebung u;
    clCOM& link = u.CAN_Link();
    Buslauscher bus(u.bus);

    link.sende_Telegramm(100, 0, nullptr);
    EXPECT_EQ(entpacke(bus.Nachrichten(link)).bytes,
              QByteArray("\x03\x64\x99", 3)); // 3+100+153=256

    // 14 bytes: three messages 0, 1, 130 with 6, 6, 2 bytes; 12 bytes: 0 and 129.
    const QByteArray d11 = Muster(11);
    link.sende_Telegramm(7, 11, reinterpret_cast<const uint8_t*>(d11.constData()));
    Gepackt g = entpacke(bus.Nachrichten(link));
    EXPECT_EQ(g.bytes, Rahmen(7, d11));
    EXPECT_EQ(g.sequenz, (std::vector<int>{0, 1, 130}));
    EXPECT_EQ(g.anzahl, (std::vector<int>{6, 6, 2}));
    link.sende_Telegramm(7, 9, reinterpret_cast<const uint8_t*>(d11.constData()));
    g = entpacke(bus.Nachrichten(link));
    EXPECT_EQ(g.sequenz, (std::vector<int>{0, 129}));
    EXPECT_EQ(g.anzahl, (std::vector<int>{6, 6}));

    // The longest frame (L = 255) goes out; one more data byte cannot be framed and fails.
    const QByteArray d252 = Muster(253);
    link.sende_Telegramm(9, 252, reinterpret_cast<const uint8_t*>(d252.constData()));
    EXPECT_EQ(entpacke(bus.Nachrichten(link)).bytes, Rahmen(9, d252.left(252)));
    link.sende_Telegramm(9, 253, reinterpret_cast<const uint8_t*>(d252.constData()));
    EXPECT_TRUE(bus.Nachrichten(link).empty());
    EXPECT_TRUE(link.wartet());
    EXPECT_TRUE(link.Empfangsfehler());
}

TEST(Link, NothingIsSentWhileTheLinkIsOff) {
    Linkumgebung u;
    clCOM& link = u.CAN_Link();
    Buslauscher bus(u.bus);
    link.setze_aktiv(false);
    link.sende_Telegramm(100, 0, nullptr);
    EXPECT_TRUE(bus.Nachrichten(link).empty());
    EXPECT_FALSE(link.wartet());
}

// Each row: what arrives after command 100 was sent, and how the receiver ends.
TEST(Link, Receiver_FaultTable) {
    enum Ende { komplett, fehler, wartet };
    struct Fall {
        const char* name;
        std::vector<QByteArray> stuecke;
        Ende ende;
        bool vorherAbbrechen = false;
        bool ohneSenden = false;
        bool aus = false;
    };
    const QByteArray gut = Rahmen(100, Muster(4));
    QByteArray schlechteSumme = gut;
    schlechteSumme[schlechteSumme.size() - 1] = static_cast<char>(schlechteSumme.back() + 1);
    const Fall faelle[] = {
        {"whole frame", {gut}, komplett},
        {"byte by byte", {gut.mid(0, 1), gut.mid(1, 1), gut.mid(2, 3), gut.mid(5)}, komplett},
        {"first part only", {gut.left(4)}, wartet},
        {"stray bytes after the frame", {gut + QByteArray("\x55\xAA", 2)}, komplett},
        {"wrong command, seen at the second byte", {QByteArray("\x07\x65", 2)}, fehler},
        {"wrong checksum", {schlechteSumme}, fehler},
        {"length 0", {QByteArray("\x00\x64\x01\x02", 4)}, fehler},
        {"length 2", {QByteArray("\x02\x64", 2)}, fehler},
        {"length 1, one byte", {QByteArray("\x01", 1)}, fehler},
        {"nothing awaited", {gut}, fehler, false, true},
        {"transfer abandoned", {gut}, fehler, true},
        {"link switched off", {gut}, fehler, false, false, true},
        {"overflow beyond 256 bytes",
         {QByteArray("\xFF\x64", 2) + QByteArray(198, '\0'), QByteArray(60, '\x01')},
         fehler},
    };
    for (const Fall& f : faelle) {
        Linkumgebung u;
        clCOM& link = u.CAN_Link();
        if (!f.ohneSenden)
            link.sende_Telegramm(100, 0, nullptr);
        if (f.vorherAbbrechen)
            link.abbrechen();
        if (f.aus)
            link.setze_aktiv(false);
        for (const QByteArray& s : f.stuecke)
            link.empfange(s);
        EXPECT_EQ(link.ist_komplett(), f.ende == komplett) << f.name;
        EXPECT_EQ(link.Empfangsfehler(), f.ende == fehler) << f.name;
    }
}

TEST(Link, AfterAnOverflowTheNextFrameIsReadCleanly) {
    Linkumgebung u;
    clCOM& link = u.CAN_Link();
    link.sende_Telegramm(100, 0, nullptr);
    link.empfange(QByteArray("\xFF\x64", 2) + QByteArray(248, '\0'));
    EXPECT_FALSE(link.Empfangsfehler());
    link.empfange(QByteArray(10, '\x64'));
    EXPECT_TRUE(link.Empfangsfehler());
    EXPECT_EQ(link.Empfangszaehler(), 0);
    int ticks = 25;
    EXPECT_FALSE(link.pruefe_Antwort(ticks));
    EXPECT_EQ(ticks, 0);
    EXPECT_FALSE(link.wartet());

    link.sende_Telegramm(100, 0, nullptr);
    link.empfange(Rahmen(100, Muster(2)));
    EXPECT_TRUE(link.ist_komplett());
}

TEST(Link, EmptyChunkChangesNothing) {
    Linkumgebung u(true);
    clCOM& link = u.CAN_Link();
    link.sende_Telegramm(100, 0, nullptr);
    link.empfange(QByteArray());
    EXPECT_TRUE(link.wartet());
    EXPECT_FALSE(link.Empfangsfehler());
    EXPECT_TRUE(u.Trace().contains(QStringLiteral("abgebrochen 0")));
}

TEST(Link, HoleAntwort_TakesOnlyTheAwaitedCommandAndLength) {
    Linkumgebung u;
    clCOM& link = u.CAN_Link();
    const QByteArray daten = Muster(66);
    uint8_t puffer[66] = {};

    link.sende_Telegramm(100, 0, nullptr);
    link.empfange(Rahmen(100, daten + QByteArray(1, '\0')));
    ASSERT_TRUE(link.ist_komplett());
    int laenge = 66;
    EXPECT_FALSE(link.hole_Antwort(100, laenge, puffer)) << "one byte too many";
    EXPECT_FALSE(link.hole_Antwort(101, laenge, puffer)) << "another command";

    link.sende_Telegramm(100, 0, nullptr);
    link.empfange(Rahmen(100, daten));
    ASSERT_TRUE(link.hole_Antwort(100, laenge, puffer));
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(puffer), 66), daten);
    EXPECT_FALSE(link.wartet());
    EXPECT_FALSE(link.ist_komplett());
}

TEST(Link, WaitTicksCountDownToATimeout) {
    Linkumgebung u;
    clCOM& link = u.CAN_Link();
    link.sende_Telegramm(100, 0, nullptr);
    int ticks = 3;
    EXPECT_FALSE(link.pruefe_Antwort(ticks));
    EXPECT_FALSE(link.pruefe_Antwort(ticks));
    EXPECT_TRUE(link.wartet());
    EXPECT_FALSE(link.pruefe_Antwort(ticks));
    EXPECT_EQ(ticks, 0);
    EXPECT_FALSE(link.wartet());

    link.sende_Telegramm(100, 0, nullptr);
    link.empfange(Rahmen(100, {}));
    ticks = 3;
    EXPECT_TRUE(link.pruefe_Antwort(ticks));
    EXPECT_EQ(ticks, 2);
}

// After an exchange (command 9) ended without its answer, timed out or stopped, that answer
// may still come during the next exchange: it is skipped, exactly its L bytes, and the wait
// goes on. Each row: how the exchange ended, the next command, and the chunks arriving.
TEST(Link, LateAnswerOfTheExchangeBeforeIsSkipped) {
    enum Ende { zeit, gestoppt };
    struct Fall {
        const char* name;
        Ende ende;
        uint8_t naechster;
        std::vector<QByteArray> stuecke;
        bool komplett, fehler;
    };
    const QByteArray spaet = Rahmen(9, Muster(7)); // 10 bytes
    const QByteArray gut = Rahmen(5, Muster(2, 40));
    const Fall faelle[] = {
        {"timed out, then the answer", zeit, 5, {spaet, gut}, true, false},
        {"stopped, then the answer", gestoppt, 5, {spaet, gut}, true, false},
        {"both in one chunk", zeit, 5, {spaet + gut}, true, false},
        {"in pieces, the answer begun in the last piece",
         zeit,
         5,
         {spaet.left(1), spaet.mid(1, 4), spaet.mid(5) + gut.left(2), gut.mid(2)},
         true,
         false},
        {"the late answer alone: still waiting", zeit, 5, {spaet}, false, false},
        {"another wrong command still fails", zeit, 5, {Rahmen(8, Muster(2))}, false, true},
        {"only one late answer is skipped", zeit, 5, {spaet, spaet}, false, true},
        {"same command: taken as the answer", zeit, 9, {spaet}, true, false},
    };
    for (const Fall& f : faelle) {
        Linkumgebung u;
        clCOM& link = u.CAN_Link();
        link.sende_Telegramm(9, 0, nullptr);
        if (f.ende == zeit) {
            int ticks = 1;
            ASSERT_FALSE(link.pruefe_Antwort(ticks)) << f.name;
            ASSERT_FALSE(link.wartet()) << f.name;
        } else {
            link.abbrechen();
        }
        link.sende_Telegramm(f.naechster, 0, nullptr);
        for (const QByteArray& s : f.stuecke)
            link.empfange(s);
        EXPECT_EQ(link.ist_komplett(), f.komplett) << f.name;
        EXPECT_EQ(link.Empfangsfehler(), f.fehler) << f.name;
        if (!f.komplett)
            continue;
        const QByteArray erwartet = f.naechster == 9 ? Muster(7) : Muster(2, 40);
        std::vector<uint8_t> b(static_cast<size_t>(erwartet.size()));
        int n = static_cast<int>(erwartet.size());
        ASSERT_TRUE(link.hole_Antwort(f.naechster, n, b.data())) << f.name;
        EXPECT_EQ(QByteArray(reinterpret_cast<char*>(b.data()), n), erwartet) << f.name;
    }
}

// A late answer taken by the next exchange of its command leaves that exchange's own answer
// to come: it is skipped in the exchange after, which another command may be.
TEST(Link, AfterALateAnswerWasTakenTheAnswerItDisplacedIsSkipped) {
    Linkumgebung u;
    clCOM& link = u.CAN_Link();
    link.sende_Telegramm(9, 0, nullptr);
    int ticks = 1;
    link.pruefe_Antwort(ticks);
    link.sende_Telegramm(9, 0, nullptr);
    link.empfange(Rahmen(9, Muster(2)));
    int n = 2;
    uint8_t b[2];
    ASSERT_TRUE(link.hole_Antwort(9, n, b));
    link.sende_Telegramm(5, 0, nullptr);
    link.empfange(Rahmen(9, Muster(2)) + Rahmen(5, Muster(2)));
    EXPECT_TRUE(link.ist_komplett());
    EXPECT_FALSE(link.Empfangsfehler());
}

// The acknowledgement of a block send is checked as a single answer, its length as asked.
TEST(Link, BlockSendAcknowledgementHasItsLengthChecked) {
    for (int bytes : {0, 1}) {
        Linkumgebung u;
        clCOM& link = u.CAN_Link();
        const QByteArray d = Muster(50);
        link.sende_Anfrage(7, 50, true, reinterpret_cast<const uint8_t*>(d.constData()));
        link.empfange(Rahmen(7, {})); // the block; the closing frame follows
        ASSERT_TRUE(link.wartet());
        link.empfange(Rahmen(7, QByteArray(bytes, '\x11')));
        ASSERT_TRUE(link.ist_komplett()) << bytes;
        int n = 0;
        EXPECT_EQ(link.hole_Antwort(7, n, nullptr, 0), bytes == 0) << bytes;
    }
}

// The CAN receive rules: foreign identifiers skipped, data length 8 and counts up to 6
// only, sequence numbers without gaps (0 starts afresh).
TEST(Link, CAN_ReceiveRules) {
    struct Fall {
        const char* name;
        std::vector<std::vector<uint8_t>> nachrichten; // data length 8 unless noted
        uint8_t laenge;
        bool fremdeId;
        bool komplett, fehler;
    };
    // Answer [5][100][1][2][K] with K = -(5+100+1+2) = 148.
    const Fall faelle[] = {
        {"one message", {{128, 5, 5, 100, 1, 2, 148}}, 8, false, true, false},
        {"two messages", {{0, 3, 5, 100, 1}, {129, 2, 2, 148}}, 8, false, true, false},
        {"foreign identifier", {{128, 5, 5, 100, 1, 2, 148}}, 8, true, false, false},
        {"data length 7", {{128, 5, 5, 100, 1, 2, 148}}, 7, false, false, true},
        {"count 7", {{128, 7, 5, 100, 1, 2, 148, 0}}, 8, false, false, true},
        {"sequence gap", {{0, 3, 5, 100, 1}, {130, 2, 2, 148}}, 8, false, false, true},
        {"first message numbered 2", {{130, 5, 5, 100, 1, 2, 148}}, 8, false, false, true},
    };
    for (const Fall& f : faelle) {
        Linkumgebung u;
        clCOM& link = u.CAN_Link();
        Buslauscher ecu(u.bus);
        link.sende_Telegramm(100, 0, nullptr);
        for (const auto& n : f.nachrichten) {
            CanMsg m;
            m.id = static_cast<int32_t>((f.fremdeId ? 0x123u : PC_Empfangs_Id) | CAN_29_Bit);
            m.len = f.laenge;
            std::copy(n.begin(), n.end(), m.data);
            ecu.sende(m);
        }
        // Until the receiver settles; a foreign identifier leaves it waiting.
        u.warte([&] { return link.ist_komplett() || link.Empfangsfehler(); }, 300);
        EXPECT_EQ(link.ist_komplett(), f.komplett) << f.name;
        EXPECT_EQ(link.Empfangsfehler(), f.fehler) << f.name;
    }
}

TEST(Link, CAN_Baudrate_FromTheSetup) {
    Linkumgebung u;
    clCOM& link = u.CAN_Link();
    const std::pair<int, int> faelle[] = {{0, 0}, {1, 2}, {2, 4}, {3, 6}, {4, 7}, {5, 2}, {-1, 2}};
    for (auto [index, code] : faelle) {
        CAN_Setup s;
        s.Baudrate_Index = index;
        link.setze_CAN_Setup(s);
        EXPECT_EQ(link.lies_CAN_Baudrate(), code) << index;
    }
    link.setze_CAN_Setup(std::nullopt);
    EXPECT_EQ(link.lies_CAN_Baudrate(), 2);
}

// Without a CAN adapter the link says so, and nothing looks open or connected.
TEST(Link, CAN_OpenFailure_IsReportedAndLeavesTheLinkOff) {
    Linkumgebung u(false, QStringLiteral("socketcan"));
    u.link = u.neuer_Link();
    clCOM& link = *u.link;
    ASSERT_FALSE(u.meldungen.texte.isEmpty());
    EXPECT_EQ(u.meldungen.texte.back(), QStringLiteral("Fehler beim öffnen der CAN-Schnittstelle"));
    link.setze_CAN_Setup(CAN_Setup{});
    link.waehle_Port(0, true, true);
    EXPECT_FALSE(link.ist_Port_offen());
    EXPECT_FALSE(link.ist_enabled());
    EXPECT_EQ(Registry(u.ordner.registry()).readInteger(QStringLiteral("COM_Nr")), std::nullopt)
        << "a failed open saves nothing";
    EXPECT_FALSE(link.Port_testen(0));
}

// Switching the link on opens the CAN port afresh: an adapter that came since the port was
// chosen carries frames, and one that is gone leaves nothing looking open.
TEST(Link, CAN_SwitchingOnOpensThePortOrLeavesTheLinkOff) {
    Linkumgebung u(false, QStringLiteral("socketcan"));
    u.link = u.neuer_Link();
    clCOM& link = *u.link;
    link.setze_CAN_Setup(CAN_Setup{});
    ASSERT_FALSE(link.ist_Port_offen());
    u.registry->writeString(QStringLiteral("CAN_Plugin"), QStringLiteral("virtualcan"));
    Buslauscher bus(u.bus);
    link.setze_aktiv(true);
    EXPECT_TRUE(link.ist_enabled());
    EXPECT_TRUE(link.ist_Port_offen());
    link.sende_Telegramm(100, 0, nullptr);
    EXPECT_EQ(entpacke(bus.Nachrichten(link)).bytes, QByteArray("\x03\x64\x99", 3));

    Registry(u.ordner.registry())
        .writeString(QStringLiteral("CAN_Plugin"), QStringLiteral("socketcan"));
    link.setze_aktiv(true);
    EXPECT_FALSE(link.ist_enabled());
    EXPECT_FALSE(link.ist_Port_offen());
}

TEST(Link, PortChoiceIsSaved) {
    Linkumgebung u;
    clCOM& link = u.CAN_Link();
    link.waehle_Port(0, true, true);
    EXPECT_EQ(Registry(u.ordner.registry()).readInteger(QStringLiteral("COM_Nr")), 0);
    link.speichere_COM_Nr(44);
    EXPECT_EQ(Registry(u.ordner.registry()).readInteger(QStringLiteral("COM_Nr")), 44);
    EXPECT_TRUE(link.Port_testen(0));
}

// --- Block transfers against the simulated ECU on the fake bus ---------------------------

class Bloecke : public ::testing::Test {
protected:
    void SetUp() override {
        link = &u.CAN_Link();
        ASSERT_TRUE(sim.oeffne_CAN(u.bus.Teilnehmer()));
    }
    std::vector<QByteArray> Anfragen() {
        std::vector<QByteArray> v;
        for (const auto& r : sim.empfangene())
            v.push_back(r.daten());
        return v;
    }

    Linkumgebung u;
    clCOM* link = nullptr;
    EcuSim sim;
};

// Both directions cut a transfer into blocks of 100 bytes: (length - 1) div 100 + 1 of them,
// the last one 1..100 bytes long. Each row lists what the ECU receives: the number of
// requests, and the heads of the last ones (`schluss`); every request before those carries
// a full block, numbered from 0. Heads: old read [index][count]; new read
// [index + 128][0][index][100]; write [index, + 128 on the last in the new format][count],
// and the old format's closing [block count][0]. A write takes the format of the most
// recent read, so each write follows a read in its row's format.
TEST_F(Bloecke, Transfers_Table) {
    enum Format { alt, neu };
    enum Richtung { lesen, schreiben };
    struct Fall {
        int laenge;
        Format format;
        Richtung richtung;
        int anfragen;
        std::vector<const char*> schluss; // hex
    };
    const Fall faelle[] = {
        {1, alt, lesen, 1, {"0001"}},
        {99, alt, lesen, 1, {"0063"}},
        {100, alt, lesen, 1, {"0064"}},
        {101, alt, lesen, 2, {"0064", "0101"}},
        {250, alt, lesen, 3, {"0064", "0164", "0232"}},
        {1000, alt, lesen, 10, {"0864", "0964"}},
        {1999, alt, lesen, 20, {"1264", "1363"}},
        {2000, alt, lesen, 20, {"1264", "1364"}},

        {1, neu, lesen, 1, {"80000064"}},
        {99, neu, lesen, 1, {"80000064"}},
        {100, neu, lesen, 1, {"80000064"}},
        {101, neu, lesen, 2, {"80000064", "81000164"}},
        {250, neu, lesen, 3, {"80000064", "81000164", "82000264"}},
        {1000, neu, lesen, 10, {"88000864", "89000964"}},
        {1999, neu, lesen, 20, {"92001264", "93001364"}},
        {2000, neu, lesen, 20, {"92001264", "93001364"}},

        {1, alt, schreiben, 2, {"0001", "0100"}},
        {99, alt, schreiben, 2, {"0063", "0100"}},
        {100, alt, schreiben, 2, {"0064", "0100"}},
        {101, alt, schreiben, 3, {"0064", "0101", "0200"}},
        {250, alt, schreiben, 4, {"0064", "0164", "0232", "0300"}},
        {1000, alt, schreiben, 11, {"0964", "0a00"}},
        {1999, alt, schreiben, 21, {"1363", "1400"}},
        {2000, alt, schreiben, 21, {"1364", "1400"}},

        {1, neu, schreiben, 1, {"8001"}},
        {99, neu, schreiben, 1, {"8063"}},
        {100, neu, schreiben, 1, {"8064"}},
        {101, neu, schreiben, 2, {"0064", "8101"}},
        {250, neu, schreiben, 3, {"0064", "0164", "8232"}},
        {1000, neu, schreiben, 10, {"0864", "8964"}},
        {1999, neu, schreiben, 20, {"1264", "9363"}},
        {2000, neu, schreiben, 20, {"1264", "9364"}},
    };
    for (const Fall& f : faelle) {
        const std::string zeile = std::to_string(f.laenge) + (f.format == neu ? " new " : " old ") +
                                  (f.richtung == lesen ? "read" : "write");
        const bool neuesFormat = f.format == neu;
        const QByteArray daten = Muster(f.laenge, f.laenge);
        if (f.richtung == lesen) {
            sim.leere_Protokoll();
            sim.setze_Blocklesen(3, daten, neuesFormat);
            EXPECT_EQ(u.lies_Bloecke(3, f.laenge, neuesFormat), daten) << zeile;
        } else {
            sim.setze_Blocklesen(9, Muster(50), neuesFormat);
            EXPECT_TRUE(u.lies_Bloecke(9, 50, neuesFormat)) << zeile;
            sim.leere_Protokoll();
            sim.setze_Blockschreiben(2, neuesFormat);
            EXPECT_TRUE(u.schreibe_Bloecke(2, daten)) << zeile;
            EXPECT_EQ(sim.Blockdaten(2), daten) << zeile;
            EXPECT_EQ(sim.Blockschreibvorgaenge(2), 1) << zeile;
        }
        const std::vector<QByteArray> a = Anfragen();
        if (a.size() != static_cast<size_t>(f.anfragen)) {
            ADD_FAILURE() << zeile << ": " << a.size() << " requests, not " << f.anfragen;
            continue;
        }
        const size_t erster_Schluss = a.size() - f.schluss.size();
        for (size_t i = 0; i < a.size(); ++i) {
            const auto k = static_cast<char>(i);
            QByteArray kopf;
            if (i >= erster_Schluss)
                kopf = QByteArray::fromHex(f.schluss[i - erster_Schluss]);
            else if (f.richtung == lesen && neuesFormat)
                kopf = QByteArray(1, static_cast<char>(k + 128)) + '\0' + k + '\x64';
            else
                kopf = QByteArray(1, k) + '\x64';
            if (f.richtung == lesen) {
                EXPECT_EQ(a[i].toHex(), kopf.toHex()) << zeile << ", request " << i;
                continue;
            }
            // A block frame carries its count of the data's bytes, from its block's place.
            EXPECT_EQ(a[i].left(2).toHex(), kopf.toHex()) << zeile << ", request " << i;
            const int anzahl = static_cast<uint8_t>(kopf[1]);
            const int block = static_cast<uint8_t>(kopf[0]) & 0x7F;
            EXPECT_EQ(a[i].mid(2), daten.mid(block * 100, anzahl)) << zeile << ", request " << i;
            EXPECT_EQ(a[i].size(), 2 + anzahl) << zeile << ", request " << i;
        }
    }
}

// A new-format read asks for no block beyond the answer length, even while the ECU sends
// blocks without the last-block mark: it then waits for its time-out.
TEST_F(Bloecke, NewFormatRead_AsksForNoBlockBeyondTheAnswerLength) {
    struct Fall {
        int laenge;
        int anfragen;
        const char* letzte; // hex
    };
    const Fall faelle[] = {
        {100, 1, "80000064"}, {250, 3, "82000264"}, {1000, 10, "89000964"}, {2000, 20, "93001364"}};
    for (const Fall& f : faelle) {
        sim.leere_Protokoll();
        sim.setze_Blocklesen(3, Muster(f.laenge + 100), true);
        link->starte_Blockempfang(3, 0, nullptr, true, f.laenge);
        EXPECT_TRUE(u.warte([&] { return link->Anzahl_empfangen() >= f.laenge; })) << f.laenge;
        u.pumpe(20);
        const std::vector<QByteArray> a = Anfragen();
        EXPECT_EQ(a.size(), static_cast<size_t>(f.anfragen)) << f.laenge;
        ASSERT_FALSE(a.empty()) << f.laenge;
        EXPECT_EQ(a.back().toHex(), QByteArray(f.letzte)) << f.laenge;
        EXPECT_FALSE(link->ist_komplett()) << f.laenge;
        EXPECT_TRUE(link->wartet()) << f.laenge;
        int ticks = 1;
        EXPECT_FALSE(link->pruefe_Antwort(ticks));
    }
}

TEST_F(Bloecke, OldFormatRead_ShortBlockIsAskedAgain) {
    const QByteArray bild = Muster(250);
    sim.setze_Blocklesen(3, bild, false);
    sim.injiziere(Fehler::KurzerBlock, 1, 3);
    EXPECT_EQ(u.lies_Bloecke(3, 250, false), bild);
    const auto a = Anfragen();
    ASSERT_EQ(a.size(), 4u);
    EXPECT_EQ(a[0], a[1]) << "block 0 asked again after 80 bytes";
    EXPECT_EQ(a[1], QByteArray("\x00\x64", 2));
}

TEST_F(Bloecke, NewFormatRead_WithExtraBytesOnTheFirstRequest) {
    const QByteArray bild = Muster(250, 3);
    sim.setze_Blocklesen(128, bild, true);
    const QByteArray extra("\x01\x02\x03\x04\x05\x06", 6);
    EXPECT_EQ(u.lies_Bloecke(128, 2000, true, extra), bild)
        << "the ECU ends early with the last mark";
    const auto a = Anfragen();
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(a[0], QByteArray("\x80\x06\x00\x64", 4) + extra);
    EXPECT_EQ(a[1], QByteArray("\x81\x00\x01\x64", 4));
    EXPECT_EQ(a[2], QByteArray("\x82\x00\x02\x64", 4));
}

TEST_F(Bloecke, NewFormatRead_WrongNumberIsAskedAgainAndNotKept) {
    const QByteArray bild = Muster(250, 3);
    sim.setze_Blocklesen(128, bild, true);
    sim.injiziere(Fehler::FalscheBlocknummer, 1, 128);
    EXPECT_EQ(u.lies_Bloecke(128, 2000, true), bild);
    EXPECT_EQ(Anfragen().size(), 4u);
}

TEST_F(Bloecke, NewFormatRead_CountBeyondTheFrameIsAnError) {
    sim.setze_Blocklesen(128, Muster(250), true);
    sim.injiziere(Fehler::ZuvieleBlockdaten, 1, 128);
    EXPECT_EQ(u.lies_Bloecke(128, 2000, true), std::nullopt);
    EXPECT_TRUE(link->Empfangsfehler());
}

// More than the request's buffer holds is refused; fewer are taken with their count.
TEST_F(Bloecke, ReadIntoTheRequestsBuffer_Bounded) {
    sim.setze_Blocklesen(128, Muster(250), true);
    EXPECT_EQ(u.lies_Bloecke(128, 2000, true, {}, 200), std::nullopt);
    sim.setze_Blocklesen(128, Muster(150), true);
    EXPECT_EQ(u.lies_Bloecke(128, 120, true, {}, 2000), std::nullopt) << "more bytes than expected";
    sim.setze_Blocklesen(128, Muster(250), true);
    const auto gelesen = u.lies_Bloecke(128, 2000, true, {}, 2000);
    ASSERT_TRUE(gelesen);
    EXPECT_EQ(gelesen->size(), 250);
}

TEST_F(Bloecke, OldFormatRead_DataBeyondTheBlockBufferIsAnError) {
    // Answered by hand (the simulated ECU knows no command 7): 18 full blocks, then the
    // last of 19 with 249 bytes, which would run from 1800 past the 2000 bytes.
    link->starte_Blockempfang(7, 0, nullptr, false, 1900);
    for (int i = 0; i < 18; ++i)
        link->empfange(Rahmen(7, Muster(100)));
    EXPECT_FALSE(link->Empfangsfehler());
    link->empfange(Rahmen(7, Muster(249)));
    EXPECT_TRUE(link->Empfangsfehler());
    EXPECT_FALSE(link->ist_komplett());
}

// Answered by hand (the simulated ECU knows no command 7). A block numbered other than the
// one asked for is asked again and brings nothing: not a block 0 in the middle of a read,
// which would start the data afresh, nor one that carries the last-block mark.
TEST_F(Bloecke, NewFormatRead_WronglyNumberedBlocksNeitherRestartNorEndTheRead) {
    auto block = [](int nummer, const QByteArray& d) {
        return Rahmen(7, QByteArray(1, static_cast<char>(nummer)) +
                             QByteArray(1, static_cast<char>(d.size())) + d);
    };
    const QByteArray bild = Muster(250, 5);
    link->starte_Blockempfang(7, 0, nullptr, true, 2000);
    link->empfange(block(0, bild.mid(0, 100)));
    link->empfange(block(1, bild.mid(100, 100)));
    link->empfange(block(0, Muster(100, 99))); // asked for block 2
    link->empfange(block(128 + 4, Muster(30, 77)));
    EXPECT_FALSE(link->ist_komplett());
    EXPECT_FALSE(link->Empfangsfehler());
    link->empfange(block(128 + 2, bild.mid(200)));
    ASSERT_TRUE(link->ist_komplett());
    std::vector<uint8_t> b(2000);
    int n = 2000;
    ASSERT_TRUE(link->hole_Antwort(7, n, b.data(), 2000));
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(b.data()), n), bild);
    u.warte([&] { return Anfragen().size() >= 5; });
    std::vector<int> gefragt;
    for (const QByteArray& a : Anfragen())
        gefragt.push_back(static_cast<uint8_t>(a[2]));
    EXPECT_EQ(gefragt, (std::vector<int>{0, 1, 2, 2, 2}));
}

// Bytes trailing the last block of a read, before the request takes it over, add nothing.
TEST_F(Bloecke, NewFormatRead_BytesAfterTheLastBlockAddNothing) {
    const QByteArray d = Muster(50, 3);
    link->starte_Blockempfang(7, 0, nullptr, true, 2000);
    link->empfange(Rahmen(7, QByteArray("\x80\x32", 2) + d));
    ASSERT_TRUE(link->ist_komplett());
    link->empfange(QByteArray("\x55\xAA", 2));
    EXPECT_TRUE(link->ist_komplett());
    EXPECT_EQ(link->Anzahl_empfangen(), 50);
    std::vector<uint8_t> b(2000);
    int n = 2000;
    ASSERT_TRUE(link->hole_Antwort(7, n, b.data(), 2000));
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(b.data()), n), d);
}

TEST_F(Bloecke, AnswerFaultsOfTheSimulatedECU) {
    struct Fall {
        Fehler f;
        bool fehler; // receive error rather than silence
    };
    const Fall faelle[] = {
        {Fehler::FalscherBefehl, true},  {Fehler::FalschePruefsumme, true},
        {Fehler::LaengeUnter3, true},    {Fehler::CAN_Sequenzluecke, true},
        {Fehler::CAN_Datenlaenge, true}, {Fehler::Stille, false},
    };
    auto leere = [&] {
        u.pumpe(20);
        for (int i = 0; i < 50; ++i)
            link->lies_CAN();
        int ticks = 0;
        link->pruefe_Antwort(ticks);
    };
    for (const Fall& f : faelle) {
        sim.injiziere(f.f);
        link->sende_Telegramm(100, 0, nullptr);
        const bool ende = u.warte_Ende(300);
        EXPECT_EQ(ende, f.fehler) << static_cast<int>(f.f);
        EXPECT_FALSE(link->ist_komplett()) << static_cast<int>(f.f);
        leere();
    }
    // One data byte too many: the frame is sound, the request refuses it.
    sim.injiziere(Fehler::FalscheLaenge);
    link->sende_Telegramm(100, 0, nullptr);
    ASSERT_TRUE(u.warte_Ende());
    uint8_t kurz[66];
    int laenge = 66;
    EXPECT_TRUE(link->ist_komplett());
    EXPECT_FALSE(link->hole_Antwort(100, laenge, kurz));
    leere();
    // A late answer arrives after the wait: it counts as an error, not as an answer.
    sim.Verzoegerung_ms = 100;
    sim.injiziere(Fehler::Spaet);
    link->sende_Telegramm(100, 0, nullptr);
    int ticks = 1;
    link->pruefe_Antwort(ticks);
    EXPECT_TRUE(u.warte([&] { return link->Empfangsfehler(); }, 1000));

    // And then a clean exchange again.
    int t2 = 25;
    link->pruefe_Antwort(t2);
    link->sende_Telegramm(100, 0, nullptr);
    ASSERT_TRUE(u.warte_Ende());
    uint8_t id[66];
    int n = 66;
    EXPECT_TRUE(link->hole_Antwort(100, n, id));
}

// The identifiers on the bus are the configured ones with the 29-bit mark, 0x20000000.
TEST(EcuSimCAN, TheIdentifierOnTheBusIsTheConfiguredOneWithThe29BitMark) {
    Linkumgebung u;
    clCOM& link = u.CAN_Link();
    EcuSim sim;
    ASSERT_TRUE(sim.oeffne_CAN(u.bus.Teilnehmer(), 0x1FFFFFFE, 0x1FFFFFFF));
    link.sende_Telegramm(100, 0, nullptr);
    ASSERT_TRUE(u.warte_Ende());
    EXPECT_TRUE(link.ist_komplett());
    ASSERT_EQ(sim.empfangene().size(), 1u);
    EXPECT_EQ(sim.empfangene()[0].can_id, 0x1FFFFFFEu + 0x20000000u);
    EXPECT_EQ(sim.Empfangsfehler, 0);
}

// A simulated ECU that leaves the bus while a delivery to it is still queued is not reached.
TEST(EcuSimCAN, GoneBeforeItsQueuedDeliveryRuns) {
    Linkumgebung u;
    clCOM& link = u.CAN_Link();
    auto sim = std::make_unique<EcuSim>();
    ASSERT_TRUE(sim->oeffne_CAN(u.bus.Teilnehmer()));
    link.sende_Telegramm(100, 0, nullptr);
    sim.reset();
    u.pumpe(20);
    EXPECT_FALSE(link.ist_komplett());
}

// --- Trace ---------------------------------------------------------------------------------

TEST(LinkTrace, LinesInTestModeAndTheWaitLineAlways) {
    {
        Linkumgebung u(true);
        clCOM& link = u.CAN_Link();
        link.starte_Blockempfang(3, 0, nullptr, false, 250);
        link.empfange(QByteArray("\x07\x65", 2));
        int ticks = 5;
        link.pruefe_Antwort(ticks);
        const QString t = u.Trace();
        EXPECT_TRUE(t.contains(QStringLiteral("Anz. Blöcke empfangen       250    3    3\r\n")));
        EXPECT_TRUE(t.contains(QStringLiteral("Fehler 2\r\n")));
        EXPECT_TRUE(t.contains(QRegularExpression(
            QStringLiteral("\\d\\d:\\d\\d:\\d\\d,\\d\\d\\d: Warten         4      TRUE\r\n"))));

        // The receiver's other events: an abandoned exchange with its four values, a wrong
        // checksum with the frame's length, an overflow.
        link.sende_Telegramm(100, 0, nullptr);
        link.abbrechen();
        link.empfange(Rahmen(100, {}));
        link.sende_Telegramm(100, 0, nullptr);
        link.empfange(QByteArray("\x05\x64\x01\x02\x03", 5));
        link.sende_Telegramm(100, 0, nullptr);
        link.empfange(QByteArray(256, '\x64'));
        const QString t2 = u.Trace();
        EXPECT_TRUE(t2.contains(
            QStringLiteral("\r\nabgebrochen 2      TRUE     FALSE         3       100\r\n")));
        EXPECT_TRUE(t2.contains(QStringLiteral("\r\nFehler 3 5\r\n")));
        EXPECT_TRUE(t2.contains(QStringLiteral("\r\nabgebrochen 1\r\n")));
    }
    {
        Linkumgebung u(false);
        clCOM& link = u.CAN_Link();
        link.empfange(QByteArray("\x07\x65", 2));
        int ticks = 5;
        link.pruefe_Antwort(ticks);
        const QString t = u.Trace();
        EXPECT_FALSE(t.contains(QStringLiteral("abgebrochen")));
        EXPECT_TRUE(t.contains(QStringLiteral(": Warten         4      TRUE")));
    }
}

// The time stamp is the local time of day, also in zones a fraction of an hour off UTC.
TEST(LinkTrace, TheTimeStampIsTheLocalTime) {
    const QByteArray vorher = qgetenv("TZ");
    for (const char* zone : {"UTC", "Asia/Kolkata", "America/St_Johns"}) {
        qputenv("TZ", zone);
        ::tzset();
        Linkumgebung u;
        // Every digit counts, the milliseconds too: the stamp lies between two readings of
        // the clock (unless midnight passes in between).
        const QTime vorher_t = QTime::currentTime();
        const QTime t =
            QTime::fromString(u.CAN_Link().Zeitstempel(), QStringLiteral("HH:mm:ss,zzz"));
        const QTime nachher_t = QTime::currentTime();
        ASSERT_TRUE(t.isValid()) << zone;
        if (nachher_t >= vorher_t) {
            EXPECT_TRUE(vorher_t <= t && t <= nachher_t)
                << zone << " " << vorher_t.toString(u"HH:mm:ss,zzz").toStdString() << " "
                << t.toString(u"HH:mm:ss,zzz").toStdString();
        }
    }
    if (vorher.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", vorher);
    ::tzset();
}

TEST(LinkTrace, TheFileStartsAfreshPastItsLimit) {
    Linkumgebung u;
    clCOM& link = u.CAN_Link();
    link.Trace_Grenze = 2000;
    for (int i = 0; i < 200; ++i) {
        int ticks = 5;
        link.pruefe_Antwort(ticks);
    }
    const qint64 groesse = QFileInfo(u.ordner.datei(QStringLiteral("TRACE.DAT"))).size();
    EXPECT_GT(groesse, 0);
    EXPECT_LE(groesse, 2100);
}

// --- CAN port ------------------------------------------------------------------------------

TEST(CanPort, WithoutAnAdapterOpenFailsAndTheObjectStaysUsable) {
    Linkumgebung u(false, QStringLiteral("socketcan"));
    TCanport port(0, *u.registry);
    EXPECT_FALSE(port.Open(2, 100, 100, 100, 100));
    EXPECT_EQ(port.Handle(), 0);
    u.registry->writeString(QStringLiteral("CAN_Plugin"), QStringLiteral("virtualcan"));
    EXPECT_TRUE(port.Open(2, 100, 100, 100, 100));
    EXPECT_TRUE(port.Close());
}

TEST(CanPort, TakeFromAnEmptyQueueLeavesTheOutputs) {
    Linkumgebung u;
    TCanport port(0, *u.registry);
    ASSERT_TRUE(port.Open(2, 100, 100, 100, 100));
    port.IdAdd(0x123);
    int32_t id = 77;
    uint8_t laenge = 5;
    std::array<uint8_t, 8> d{9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_FALSE(port.Take(id, laenge, d));
    EXPECT_EQ(id, 77);
    EXPECT_EQ(laenge, 5);
    EXPECT_EQ(d[0], 9);
}

// Every message reaches every other handle on the bus that enabled its identifier, 29-bit
// and 11-bit identifiers kept apart.
TEST(CanPort, VirtualBusDeliversToEveryOtherHandle) {
    Linkumgebung u;
    TCanport a(0, *u.registry), b(0, *u.registry), c(0, *u.registry);
    for (TCanport* p : {&a, &b, &c}) {
        ASSERT_TRUE(p->Open(2, 100, 2, 100, 100));
        p->IdAdd(0x20000010);
        ASSERT_TRUE(u.bus.angemeldet(
            [p](const CanMsg& m) { return p->Write(m.id, m.len, std::to_array(m.data)); }));
    }
    c.IdAdd(0x10);
    std::array<uint8_t, 8> d{1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(a.Write(0x20000011, 8, d)); // nobody enabled it
    EXPECT_TRUE(a.Write(0x10, 3, d));       // 11-bit: only c
    EXPECT_TRUE(a.Write(0x20000010, 8, d));
    int32_t id = 0;
    uint8_t laenge = 0;
    std::array<uint8_t, 8> aus{};
    const auto nimm = [&](TCanport& p) {
        return VirtuellerBus::warte([&] { return p.Take(id, laenge, aus); }, 2000);
    };
    ASSERT_TRUE(nimm(c));
    EXPECT_EQ(id, 0x10);
    EXPECT_EQ(laenge, 3);
    for (TCanport* p : {&b, &c}) {
        ASSERT_TRUE(nimm(*p));
        EXPECT_EQ(id, 0x20000010);
        EXPECT_EQ(laenge, 8);
        EXPECT_EQ(aus, d);
        EXPECT_FALSE(p->Take(id, laenge, aus));
    }
    EXPECT_FALSE(a.Take(id, laenge, aus)) << "the writer does not hear itself";
    EXPECT_TRUE(c.Close());
    EXPECT_FALSE(c.Write(0x20000010, 8, d));
}
