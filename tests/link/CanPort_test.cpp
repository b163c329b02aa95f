// Opening the CAN port through a plugin that connects asynchronously, and the ways a plugin
// can fail: the in-process stand-in plays them.

#include "link/CanPort.h"
#include "link/Linkumgebung.h"
#include "link/UComData.h"
#include "platform/CanBusFake.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString Oeffnungsfehler = QStringLiteral("Fehler beim öffnen der CAN-Schnittstelle");

} // namespace

// A device that connects on a later pass of the event loop is waited for; one whose plugin
// reports a bit-rate error, or that never connects, fails the open with the message, leaves
// no port open and saves nothing, within the bound.
TEST(CanOeffnen, StandInPluginsConnectingLateOrFailing) {
    struct Fall {
        const char* name;
        CanBusFake::Verhalten verhalten;
        bool offen;
        qint64 mindestens_ms, hoechstens_ms;
    };
    const Fall faelle[] = {
        {"connects later", CanBusFake::Verhalten::verbindet, true, 0, 1000},
        {"bit-rate error", CanBusFake::Verhalten::Bitratenfehler, false, 0, 1000},
        {"never connects", CanBusFake::Verhalten::verbindet_nie, false, 2900, 4500},
    };
    for (const Fall& f : faelle) {
        Linkumgebung u(false, QStringLiteral("fake"));
        u.daten.g.COM_Nr = 1; // no such port: the link opens nothing at its creation
        u.link = u.neuer_Link();
        clCOM& link = *u.link;
        link.setze_CAN_Setup(CAN_Setup{});
        CanBusFake::setze_Verhalten(u.schnittstelle, f.verhalten);
        QElapsedTimer t;
        t.start();
        link.waehle_Port(0, true, true);
        const qint64 dauer = t.elapsed();
        EXPECT_GE(dauer, f.mindestens_ms) << f.name;
        EXPECT_LT(dauer, f.hoechstens_ms) << f.name;
        EXPECT_EQ(link.ist_Port_offen(), f.offen) << f.name;
        EXPECT_EQ(u.meldungen.texte, f.offen ? QStringList{} : QStringList{Oeffnungsfehler})
            << f.name;
        EXPECT_EQ(CanBusFake::Teilnehmer(u.schnittstelle), f.offen ? 1 : 0) << f.name;
        EXPECT_EQ(link.CAN_Port().Handle() != 0, f.offen) << f.name;
        EXPECT_EQ(Registry(u.ordner.registry()).readInteger(QStringLiteral("COM_Nr")),
                  f.offen ? std::optional<int>(0) : std::nullopt)
            << f.name;
    }
}

// While the open waits, the 20 ms tick keeps running and a port change may be asked for
// (the online box): neither gets into the port until the open is decided.
TEST(CanOeffnen, TheWaitKeepsTheTickAndPortChangesOut) {
    Linkumgebung u(false, QStringLiteral("fake"));
    u.daten.g.COM_Nr = 1;
    cl_COM_Quorvel link(*u.registry, u.meldungen); // its 20 ms timer runs
    link.setze_CAN_Setup(CAN_Setup{});
    CanBusFake::setze_Verhalten(u.schnittstelle, CanBusFake::Verhalten::verbindet_nie);
    u.daten.g.COM_Nr = 0;
    const int tick = link.Tick();
    bool versucht = false;
    QTimer::singleShot(100, [&] {
        versucht = true;
        EXPECT_TRUE(link.oeffnet_CAN());
        link.TimerTimer();
        link.setze_Verbindung(true);
        link.waehle_Port(0, true, true);
        EXPECT_FALSE(link.Port_testen(0));
    });
    link.waehle_Port(0, true, false);
    EXPECT_TRUE(versucht);
    EXPECT_EQ(link.Tick(), tick) << "no tick ran during the open";
    EXPECT_FALSE(link.ist_Port_offen());
    EXPECT_FALSE(link.ist_aktiv());
    EXPECT_EQ(u.meldungen.texte, QStringList{Oeffnungsfehler}) << "one open, one message";
    EXPECT_EQ(Registry(u.ordner.registry()).readInteger(QStringLiteral("COM_Nr")), std::nullopt);
    EXPECT_EQ(CanBusFake::Teilnehmer(u.schnittstelle), 0);

    // Afterwards the tick runs again and the port can be chosen.
    CanBusFake::setze_Verhalten(u.schnittstelle, CanBusFake::Verhalten::verbindet);
    link.TimerTimer();
    EXPECT_EQ(link.Tick(), tick + 1);
    link.waehle_Port(0, true, false);
    EXPECT_TRUE(link.ist_Port_offen());
}

// The packing both CAN writers use: six payload bytes a message, sequence from 0, the last
// message marked with 128 and its count, every message of length 8.
TEST(CanPacker, TelegramsAsMessages) {
    struct Fall {
        const char* was;
        QByteArray telegramm;
        std::vector<std::pair<int, int>> folge; // sequence byte, count
    };
    const Fall faelle[] = {
        {"wake byte", QByteArray("\xA5", 1), {{0x80, 1}}},
        {"access text", QByteArray("QUADRO PLENTIFULNESS"), {{0, 6}, {1, 6}, {2, 6}, {0x83, 2}}},
        {"record", QByteArray(25, '\x19'), {{0, 6}, {1, 6}, {2, 6}, {3, 6}, {0x84, 1}}},
        {"six bytes", QByteArray(6, '\x06'), {{0x80, 6}}},
        {"seven bytes", QByteArray(7, '\x07'), {{0, 6}, {0x81, 1}}},
    };
    for (const Fall& f : faelle) {
        std::vector<CAN_Packer::Nachricht> gesendet;
        CAN_Packer p([&](const CAN_Packer::Nachricht& n) { gesendet.push_back(n); });
        // A telegram begun and given up leaves nothing behind.
        p.Byte(0x55);
        p.neu();
        for (char c : f.telegramm)
            p.Byte(static_cast<uint8_t>(c));
        p.Ende();
        p.Ende(); // nothing open: nothing sent
        ASSERT_EQ(gesendet.size(), f.folge.size()) << f.was;
        QByteArray nutzlast;
        for (size_t i = 0; i < gesendet.size(); ++i) {
            EXPECT_EQ(gesendet[i][0], f.folge[i].first) << f.was << i;
            EXPECT_EQ(gesendet[i][1], f.folge[i].second) << f.was << i;
            nutzlast.append(reinterpret_cast<const char*>(gesendet[i].data()) + 2, gesendet[i][1]);
        }
        EXPECT_EQ(nutzlast, f.telegramm) << f.was;
    }
    // The wake message as bytes.
    std::vector<CAN_Packer::Nachricht> g;
    CAN_Packer p([&](const CAN_Packer::Nachricht& n) { g.push_back(n); });
    p.Byte(0xA5);
    p.Ende();
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(g[0][0], 0x80);
    EXPECT_EQ(g[0][1], 0x01);
    EXPECT_EQ(g[0][2], 0xA5);
}

TEST(CanPacker, BaudCodeTable) {
    const std::pair<std::optional<int>, int> faelle[] = {
        {0, 0}, {1, 2}, {2, 4}, {3, 6}, {4, 7}, {5, 2}, {-1, 2}, {std::nullopt, 2}};
    for (const auto& [index, code] : faelle)
        EXPECT_EQ(CAN_Baudcode(index), code) << index.value_or(99);
}
