#include "base/Inidatei.h"

#include <gtest/gtest.h>

// A key written again keeps its line; a new one follows the section's last entry, before
// the blank line that separates it; names match regardless of case, and lines the writer
// does not touch keep their own line ends.
TEST(Inidatei, KeysKeepTheirPlaceAndForeignLinesTheirBytes) {
    Inidatei ini(QByteArray("; note\n[Window]\r\nleft=1\r\n; kept\r\n\r\n[Other]\nA=1\nB=2"));
    ini.schreibe(QStringLiteral("WINDOW"), QStringLiteral("Left"), QStringLiteral("5"));
    ini.schreibe(QStringLiteral("window"), QStringLiteral("Top"), QStringLiteral("6"));
    ini.schreibe(QStringLiteral("Other"), QStringLiteral("C"), QStringLiteral("3"));
    ini.schreibe(QStringLiteral("New"), QStringLiteral("X"), QStringLiteral("y z"));
    EXPECT_EQ(ini.Inhalt(), QByteArray("; note\n[Window]\r\nLeft=5\r\n; kept\r\nTop=6\r\n\r\n"
                                       "[Other]\nA=1\nB=2\r\nC=3\r\n\r\n[New]\r\nX=y z\r\n"));
    EXPECT_EQ(ini.Abschnitte(), (QStringList{"Window", "Other", "New"}));
}

TEST(Inidatei, ErasesAllSectionsButTheOneNamedExactly) {
    Inidatei ini(QByteArray("[a]\r\nx=1\r\n[Keep]\r\ny=2\r\n[keep]\r\nz=3\r\n"));
    ini.loesche_Abschnitte_ausser(QStringLiteral("Keep"));
    EXPECT_EQ(ini.Inhalt(), QByteArray("[Keep]\r\ny=2\r\n"));
    Inidatei leer{QByteArray()};
    leer.schreibe(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("V"));
    EXPECT_EQ(leer.Inhalt(), QByteArray("[S]\r\nK=V\r\n"));
}
