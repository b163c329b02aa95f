#include "platform/Registry.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

namespace {
QByteArray inhalt(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}
} // namespace

TEST(Registry, ReadsAHandWrittenFileWithBlanksInNames) {
    Programmordner ordner;
    ordner.schreibe_roh(QStringLiteral("registry.ini"), "[SOFTWARE\\Quorvel\\Win Quorvel]\r\n"
                                                        "COM_Nr=5\r\n"
                                                        "Language=English\r\n"
                                                        "Default Quorvel Hardware  =  1\r\n"
                                                        "Vundel-CWI = 1\r\n"
                                                        "CAN baud rate=x1\r\n"
                                                        "\r\n"
                                                        "[Ports]\r\n"
                                                        "COM5=/dev/pts/3\r\n"
                                                        "Language=Deutsch\r\n");
    Registry reg(ordner.registry());
    EXPECT_EQ(reg.readInteger("COM_Nr"), 5);
    EXPECT_EQ(reg.readString("Language"), QStringLiteral("English"));
    // Blanks around '=' are the hand-writer's layout, blanks inside a name are the name's.
    EXPECT_EQ(reg.readInteger("Default Quorvel Hardware"), 1);
    EXPECT_EQ(reg.readInteger("DefaultQuorvelHardware"), std::nullopt);
    EXPECT_EQ(reg.readInteger("Vundel-CWI"), 1);
    // Missing and non-integer values are failed reads.
    EXPECT_EQ(reg.readInteger("CAN baud rate"), std::nullopt);
    EXPECT_EQ(reg.readInteger("CAN send identifier"), std::nullopt);
    EXPECT_EQ(reg.readString("Datei_Export"), std::nullopt);
    EXPECT_EQ(reg.readInteger("Language"), std::nullopt);
}

// The user's file goes back as they wrote it: only the written value's line changes, a new
// value goes to the end of its section, a missing section to the end of the file.
TEST(Registry, WritesChangeOnlyTheValuesOwnLines) {
    struct Fall {
        const char* wozu;
        QByteArray vorher;
        QByteArray nachher;
    };
    const Fall faelle[] = {
        {"CRLF, comments, a byte-order mark and the user's order",
         "\xEF\xBB\xBF; Einstellungen f\xC3\xBCr den Pr\xC3\xBC"
         "fstand\r\n"
         "\r\n"
         "[Ports]\r\n"
         "# the USB adapter\r\n"
         "COM3=/dev/ttyUSB0\r\n"
         "\r\n"
         "[SOFTWARE\\Quorvel\\Win Quorvel]\r\n"
         "Language=English\r\n"
         "; 44 = COM4 at 57600 baud\r\n"
         "COM_Nr = 5\r\n"
         "Default Quorvel Hardware=7\r\n"
         "\r\n"
         "; last line\r\n",
         "\xEF\xBB\xBF; Einstellungen f\xC3\xBCr den Pr\xC3\xBC"
         "fstand\r\n"
         "\r\n"
         "[Ports]\r\n"
         "# the USB adapter\r\n"
         "COM3=/dev/ttyUSB0\r\n"
         "\r\n"
         "[SOFTWARE\\Quorvel\\Win Quorvel]\r\n"
         "Language=English\r\n"
         "; 44 = COM4 at 57600 baud\r\n"
         "COM_Nr = 44\r\n"
         "Default Quorvel Hardware=7\r\n"
         "Datei_Export=C:\\daten\\Pr\xC3\xBC"
         "fstand 1.QVD\r\n"
         "\r\n"
         "; last line\r\n"},
        {"LF, no final line end, no section for the values",
         "[Ports]\n"
         "COM1=/dev/pts/4",
         "[Ports]\n"
         "COM1=/dev/pts/4\n"
         "\n"
         "[SOFTWARE\\Quorvel\\Win Quorvel]\n"
         "COM_Nr=44\n"
         "Datei_Export=C:\\daten\\Pr\xC3\xBC"
         "fstand 1.QVD\n"},
        {"a Windows code page file stays in it",
         "; Pr\xFC"
         "fstand\r\n"
         "[SOFTWARE\\Quorvel\\Win Quorvel]\r\n"
         "Datei_Export=C:\\alt.QVD\r\n"
         "COM_Nr=1",
         "; Pr\xFC"
         "fstand\r\n"
         "[SOFTWARE\\Quorvel\\Win Quorvel]\r\n"
         "Datei_Export=C:\\daten\\Pr\xFC"
         "fstand 1.QVD\r\n"
         "COM_Nr=44"},
        {"no file yet", QByteArray(),
         "[SOFTWARE\\Quorvel\\Win Quorvel]\n"
         "COM_Nr=44\n"
         "Datei_Export=C:\\daten\\Pr\xC3\xBC"
         "fstand 1.QVD\n"},
    };
    const QString exportDatei = QStringLiteral("C:\\daten\\Pr\u00fcfstand 1.QVD");
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.wozu);
        Programmordner ordner;
        if (!f.vorher.isNull())
            ordner.schreibe_roh(QStringLiteral("registry.ini"), f.vorher);
        {
            Registry reg(ordner.registry());
            EXPECT_TRUE(reg.writeInteger("COM_Nr", 44));
            EXPECT_TRUE(reg.writeString("Datei_Export", exportDatei));
        }
        EXPECT_EQ(inhalt(ordner.registry()).toStdString(), f.nachher.toStdString());
        Registry wieder(ordner.registry());
        EXPECT_EQ(wieder.readInteger("COM_Nr"), 44);
        EXPECT_EQ(wieder.readString("Datei_Export"), exportDatei);
    }
}

TEST(Registry, AWrittenValueReadsBackAsItWas) {
    Programmordner ordner;
    Registry reg(ordner.registry());
    for (const QString& wert :
         {QStringLiteral("C:\\daten\\motor 1.QVD"), QStringLiteral(" x "),
          QStringLiteral("\"quoted\""), QStringLiteral("a=b ; c"), QString()}) {
        SCOPED_TRACE(wert.toStdString());
        EXPECT_TRUE(reg.writeString("Default Quorvel Version", wert));
        EXPECT_EQ(reg.readString("Default Quorvel Version"), wert);
    }
    // A line break would make lines of its own out of the rest of the value.
    EXPECT_FALSE(reg.writeString("Default Quorvel Version", "a\nCOM_Nr=3"));
    EXPECT_EQ(reg.readString("Default Quorvel Version"), QString());
    EXPECT_EQ(reg.readString("COM_Nr"), std::nullopt);
}

TEST(Registry, ReadsThePortTable) {
    Programmordner ordner;
    const auto tabelle = [&](const QByteArray& text) {
        ordner.schreibe_roh(QStringLiteral("registry.ini"), text);
        return Registry(ordner.registry()).readPortTable();
    };
    using Ports = std::map<int, QString>;
    // Without a [Ports] section (or a file) the port layer's fixed rule applies.
    EXPECT_EQ(Registry(ordner.registry()).readPortTable(), std::nullopt);
    EXPECT_EQ(tabelle("[SOFTWARE\\Quorvel\\Win Quorvel]\nCOM1=/dev/pts/1\n"), std::nullopt);
    // With it, exactly the ports it names; an empty section names none.
    EXPECT_EQ(tabelle("[Ports]\n"), Ports{});
    EXPECT_EQ(tabelle("[Ports]\r\n"
                      "; COM2=/dev/pts/2\r\n"
                      "com7 = /dev/pts/4\r\n"
                      "COM3=\r\n"
                      "COM0=/dev/pts/5\r\n"
                      "COMx=/dev/pts/6\r\n"
                      "COM03=/dev/pts/7\r\n"
                      "COM12=/dev/ttyUSB0\r\n"),
              (Ports{{7, "/dev/pts/4"}, {12, "/dev/ttyUSB0"}}));
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

// The encoding is decided once for the file: a write that takes away the only bytes that
// were no UTF-8 leaves every other value reading as it did.
TEST(Registry, AWriteKeepsTheEncodingTheFileWasReadIn) {
    Programmordner ordner;
    const QByteArray vorher = "[SOFTWARE\\Quorvel\\Win Quorvel]\r\n"
                              "COM_Nr=1 \x96 USB adapter\r\n"
                              "CAN_Interface=caf\xC3\xA9\r\n";
    ordner.schreibe_roh(QStringLiteral("registry.ini"), vorher);
    Registry reg(ordner.registry());
    const QString cafe8bit = QString::fromLatin1("caf\xC3\xA9");
    EXPECT_EQ(reg.readString("CAN_Interface"), cafe8bit);
    ASSERT_TRUE(reg.writeInteger("COM_Nr", 5));
    EXPECT_EQ(inhalt(ordner.registry()), QByteArray("[SOFTWARE\\Quorvel\\Win Quorvel]\r\n"
                                                    "COM_Nr=5\r\n"
                                                    "CAN_Interface=caf\xC3\xA9\r\n"));
    EXPECT_EQ(reg.readString("CAN_Interface"), cafe8bit);
    // Values written later go in the file's code page.
    ASSERT_TRUE(reg.writeString("Language", QString::fromLatin1("Fran\xE7"
                                                                "ais")));
    EXPECT_TRUE(inhalt(ordner.registry())
                    .endsWith("Language=Fran\xE7"
                              "ais\r\n"));
    EXPECT_EQ(reg.readString("Language"), QString::fromLatin1("Fran\xE7"
                                                              "ais"));

    // A file of ASCII alone is decided by the first value that is not, as it was written.
    Programmordner ascii;
    ascii.schreibe_roh(QStringLiteral("registry.ini"),
                       "[SOFTWARE\\Quorvel\\Win Quorvel]\r\nCOM_Nr=1\r\n");
    Registry reg2(ascii.registry());
    EXPECT_EQ(reg2.readInteger("COM_Nr"), 1);
    ASSERT_TRUE(reg2.writeString("CAN_Interface", QStringLiteral("café")));
    EXPECT_TRUE(inhalt(ascii.registry()).endsWith("CAN_Interface=caf\xC3\xA9\r\n"));
    EXPECT_EQ(reg2.readString("CAN_Interface"), QStringLiteral("café"));
}
