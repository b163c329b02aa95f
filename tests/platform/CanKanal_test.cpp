// The CAN layer's open over a plugin, with the in-process stand-in playing the plugin.

#include "platform/CanBusFake.h"
#include "platform/CanKanal.h"
#include "platform/NTCAN.h"

#include <QCanBusDevice>
#include <QTimer>
#include <gtest/gtest.h>

// The rate goes to the plugin before it connects, and an error it reports for it fails the
// open; where the system fixes the rate (SocketCAN) none is handed over.
TEST(CanKanal, TheRateGoesToThePluginUnlessTheSystemFixesIt) {
    for (const bool vomSystem : {false, true}) {
        const QString netz = QStringLiteral("rate-%1").arg(vomSystem);
        CanBusFake::setze_Verhalten(netz, CanBusFake::Verhalten::Bitratenfehler);
        CanKanal k(CanBusFake::erzeuge(netz), vomSystem);
        EXPECT_EQ(k.verbinde(500000), vomSystem ? CAN_OK : CAN_BAUDRATE_FEHLER) << vomSystem;
        EXPECT_EQ(k.verbunden(), vomSystem) << vomSystem;
    }
    CanKanal unbekannt(CanBusFake::erzeuge(QStringLiteral("rate-0")), false);
    EXPECT_EQ(unbekannt.verbinde(CAN_Bitrate(99)), CAN_BAUDRATE_FEHLER) << "no such rate code";
}

// While a handle waits to connect, the event loop runs: a second connect wait and a close
// of the waiting handle are refused until it is decided, so nothing is freed under it.
TEST(CanKanal, AHandleWaitingToConnectIsNeitherClosedNorJoinedByAnotherWait) {
    canSetzeSchnittstelle(QStringLiteral("fake"), QStringLiteral("warten"));
    CanBusFake::setze_Verhalten(QStringLiteral("warten"), CanBusFake::Verhalten::verbindet_nie);
    CanHandle h = 0, h2 = 0;
    ASSERT_EQ(canOpen(0, 0, 100, 100, 100, 100, &h), CAN_OK);
    ASSERT_EQ(canOpen(0, 0, 100, 100, 100, 100, &h2), CAN_OK);
    CanErgebnis zweiteRate = CAN_OK, schliessen = CAN_OK;
    QTimer::singleShot(50, [&] {
        zweiteRate = canSetBaudrate(h2, 2);
        schliessen = canClose(h);
    });
    EXPECT_EQ(canSetBaudrate(h, 2), CAN_NETZ_FEHLT);
    EXPECT_EQ(zweiteRate, CAN_BESCHAEFTIGT);
    EXPECT_EQ(schliessen, CAN_BESCHAEFTIGT);
    EXPECT_EQ(canClose(h), CAN_OK);
    EXPECT_EQ(canClose(h2), CAN_OK);
    canSetzeSchnittstelle(QString(), QString());
}
