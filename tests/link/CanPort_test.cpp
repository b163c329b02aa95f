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
