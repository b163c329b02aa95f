// The ecusim program as scripts/run starts it: the path on its first line, served until
// SIGTERM, then a clean end.

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
         {"--serial", "--can", "--can-plugin", "--pace", "--verbose", "--help"})
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
}
