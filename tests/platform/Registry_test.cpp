#include "platform/Registry.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

TEST(Registry, ReadsAHandWrittenFileWithBlanksInNames) {
    Programmordner ordner;
    ordner.schreibe_roh(QStringLiteral("registry.ini"), "[SOFTWARE\\Quorvel\\Win Quorvel]\r\n"
                                                        "COM_Nr=5\r\n"
                                                        "Language=English\r\n"
                                                        "Default Quorvel Hardware=1\r\n"
                                                        "Vundel-CWI = x1\r\n"
                                                        "\r\n"
                                                        "[Ports]\r\n"
                                                        "COM5=/dev/pts/3\r\n");
    Registry reg(ordner.registry());
    EXPECT_EQ(reg.readInteger("COM_Nr"), 5);
    EXPECT_EQ(reg.readString("Language"), QStringLiteral("English"));
    EXPECT_EQ(reg.readInteger("Default Quorvel Hardware"), 1);
    // Missing and non-integer values are failed reads.
    EXPECT_EQ(reg.readInteger("Vundel-CWI"), std::nullopt);
    EXPECT_EQ(reg.readInteger("CAN baud rate"), std::nullopt);
    EXPECT_EQ(reg.readString("Datei_Export"), std::nullopt);
    EXPECT_EQ(reg.readInteger("Language"), std::nullopt);
}

TEST(Registry, WritesKeepNamesAndOtherSections) {
    Programmordner ordner;
    ordner.schreibe_roh(QStringLiteral("registry.ini"), "[Ports]\nCOM2=/dev/pts/9\n");
    {
        Registry reg(ordner.registry());
        EXPECT_TRUE(reg.writeInteger("COM_Nr", 2));
        EXPECT_TRUE(reg.writeString("Datei_Export", "C:\\daten\\motor 1.QVD"));
    }
    Registry wieder(ordner.registry());
    EXPECT_EQ(wieder.readInteger("COM_Nr"), 2);
    EXPECT_EQ(wieder.readString("Datei_Export"), QStringLiteral("C:\\daten\\motor 1.QVD"));
    EXPECT_EQ(wieder.devicePathForPort(2), QStringLiteral("/dev/pts/9"));

    QFile f(ordner.registry());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray inhalt = f.readAll();
    EXPECT_TRUE(inhalt.contains("[SOFTWARE\\Quorvel\\Win Quorvel]")) << inhalt.constData();
    EXPECT_TRUE(inhalt.contains("Datei_Export=")) << inhalt.constData();
}

TEST(Registry, PortMapDecidesWhichPortsExist) {
    Programmordner ordner;
    // Without a [Ports] section every COMn is the n-1th standard serial device.
    ordner.schreibe_roh(QStringLiteral("registry.ini"), "[SOFTWARE\\Quorvel\\Win Quorvel]\n");
    EXPECT_EQ(Registry(ordner.registry()).devicePathForPort(3), QStringLiteral("/dev/ttyS2"));
    // With it, only the ports it names exist; an empty section means none.
    ordner.schreibe_roh(QStringLiteral("registry.ini"), "[Ports]\ncom7=/dev/pts/4\n");
    Registry mitKarte(ordner.registry());
    EXPECT_EQ(mitKarte.devicePathForPort(7), QStringLiteral("/dev/pts/4"));
    EXPECT_EQ(mitKarte.devicePathForPort(1), std::nullopt);
    ordner.schreibe_roh(QStringLiteral("leer.ini"), "[Ports]\n");
    EXPECT_EQ(Registry(ordner.datei("leer.ini")).devicePathForPort(1), std::nullopt);
    EXPECT_EQ(Registry(ordner.datei("leer.ini")).devicePathForPort(0), std::nullopt);
}

TEST(Registry, AWriteThatCannotReachTheFileFails) {
    Programmordner ordner;
    // Where the file should be stands a folder: nothing can be written there, even as root.
    QDir().mkpath(ordner.registry());
    Registry reg(ordner.registry());
    EXPECT_FALSE(reg.writeInteger("COM_Nr", 3));
    EXPECT_FALSE(reg.writeString("Language", "English"));
    EXPECT_TRUE(reg.Schreibfehler("\"COM_Nr\"").contains(ordner.registry()));
}
