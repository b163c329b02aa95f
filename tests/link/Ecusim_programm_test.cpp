// The ecusim program as scripts/run starts it: the path on its first line, served until
// SIGTERM, then a clean end.

#include "ecusim/CanTransport.h"
#include "link/Linkumgebung.h"

#include <QCoreApplication>
#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>

namespace {

QString Programm() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/ecusim");
}

} // namespace

TEST(EcusimProgramm, HelpNamesItsOptions) {
    QProcess p;
    p.start(Programm(), {QStringLiteral("--help")});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString hilfe = QString::fromUtf8(p.readAllStandardOutput());
    for (const char* option :
         {"--serial", "--can", "--can-plugin", "--pace", "--pace-requests", "--verbose", "--help"})
        EXPECT_TRUE(hilfe.contains(QLatin1String(option))) << option;

    QProcess falsch;
    falsch.start(Programm(), {QStringLiteral("--nonsense")});
    ASSERT_TRUE(falsch.waitForFinished(10000));
    EXPECT_NE(falsch.exitCode(), 0);
}

TEST(EcusimProgramm, ServesTheLinkOnItsPseudoTerminalUntilTerminated) {
    QProcess p;
    p.start(Programm(),
            {QStringLiteral("--serial"), QStringLiteral("--name"), QStringLiteral("PRUEFSTAND")});
    ASSERT_TRUE(p.waitForStarted(10000));
    ASSERT_TRUE(p.waitForReadyRead(10000));
    const QString pfad = QString::fromLocal8Bit(p.readLine()).trimmed();
    ASSERT_TRUE(pfad.startsWith(QStringLiteral("/dev/pts/"))) << pfad.toStdString();

    {
        Linkumgebung u(false, QStringLiteral("fake"), QStringLiteral("COM1=") + pfad);
        u.daten.g.COM_Nr = 1;
        u.link = u.neuer_Link();
        clCOM& link = *u.link;
        link.setze_aktiv(true);
        link.sende_Telegramm(100, 0, nullptr);
        ASSERT_TRUE(u.warte_Ende());
        uint8_t id[66];
        int n = 66;
        ASSERT_TRUE(link.hole_Antwort(100, n, id));
        // The software name stands in bytes 52..61 of the identity.
        EXPECT_EQ(QByteArray(reinterpret_cast<char*>(id) + 52, 10), QByteArray("PRUEFSTAND"));
        // It serves the maps: line 0 of map 0.
        const uint8_t zeile[3] = {0, 0, 0};
        link.sende_Telegramm(107, 3, zeile);
        ASSERT_TRUE(u.warte_Ende());
        uint8_t werte[36];
        n = 36;
        EXPECT_TRUE(link.hole_Antwort(107, n, werte));

        // SIGUSR1 drops the link: no answer comes; the next one brings it back.
        p.setReadChannel(QProcess::StandardError);
        ::kill(static_cast<pid_t>(p.processId()), SIGUSR1);
        ASSERT_TRUE(p.waitForReadyRead(10000));
        EXPECT_TRUE(p.readAll().contains("silent"));
        link.sende_Telegramm(100, 0, nullptr);
        EXPECT_FALSE(u.warte_Ende(500));
        ::kill(static_cast<pid_t>(p.processId()), SIGUSR1);
        ASSERT_TRUE(p.waitForReadyRead(10000));
        link.abbrechen();
        link.sende_Telegramm(100, 0, nullptr);
        EXPECT_TRUE(u.warte_Ende());
    }

    p.terminate(); // SIGTERM
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    const QByteArray ende = p.readAllStandardOutput();
    EXPECT_TRUE(ende.contains("faulty frames: 0\n")) << ende.toStdString();
}

// On a CAN bus it answers there, and at its end it reports the faulty frames it received:
// here one with a wrong checksum and one cut short by its last-message mark.
TEST(EcusimProgramm, ServesACanBusAndReportsTheFaultyFramesAtItsEnd) {
    VirtuellerBus bus;
    QProcess p;
    p.start(Programm(), {QStringLiteral("--can"), bus.Schnittstelle()});
    ASSERT_TRUE(p.waitForStarted(10000));
    ASSERT_TRUE(p.waitForReadyRead(10000));
    ASSERT_EQ(QString::fromLocal8Bit(p.readLine()).trimmed(), bus.Schnittstelle());

    std::unique_ptr<CanKanal> pc = bus.Teilnehmer();
    ASSERT_TRUE(pc);
    pc->erlaube_Id(static_cast<int32_t>(0x1FFFFFFFu | CAN_29_Bit));
    const auto sende = [&](const QByteArray& rahmen) {
        for (const CanMsg& m : ecusim::packe_CAN(rahmen, 0x1FFFFFFEu | CAN_29_Bit))
            pc->sende(m);
    };
    // Asked until it answers: the bus serves it once it has read its first line.
    CanMsg m;
    ASSERT_TRUE(VirtuellerBus::warte(
        [&] {
            sende(ecusim::baue_Rahmen(100, {}));
            return VirtuellerBus::warte([&] { return pc->nimm(m); }, 50);
        },
        5000));
    QByteArray schlecht = ecusim::baue_Rahmen(100, {});
    schlecht[2] = static_cast<char>(schlecht[2] + 1);
    sende(schlecht);
    sende(ecusim::baue_Rahmen(100, QByteArray(10, '\0')).left(6)); // L says 13, 6 come
    sende(ecusim::baue_Rahmen(100, {}));
    // Its answers to the last request; those of the first may still be on their way.
    int antworten = 0;
    VirtuellerBus::warte(
        [&] {
            while (pc->nimm(m))
                ++antworten;
            return false;
        },
        300);
    EXPECT_GE(antworten, 1);

    p.terminate();
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_TRUE(p.readAllStandardOutput().contains("faulty frames: 2"));
}
