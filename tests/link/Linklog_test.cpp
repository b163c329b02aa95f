// What the link handles without telling the user still leaves a line in its debug log.

#include "link/LinkLog.h"
#include "link/Linkumgebung.h"
#include "support/Logmitschnitt.h"

#include <gtest/gtest.h>

TEST(Linklog, APortThatFailsToOpenIsToldOnlyToTheLog) {
    Linkumgebung u;
    u.daten.g.COM_Nr = 7; // no such port in this folder's [Ports]
    Logmitschnitt log;
    u.link = u.neuer_Link();
    EXPECT_FALSE(u.link->ist_Port_offen());
    EXPECT_TRUE(u.meldungen.texte.isEmpty());
    const QStringList zeilen = log.Zeilen(QStringLiteral("quorvel.link"));
    ASSERT_FALSE(zeilen.isEmpty());
    EXPECT_TRUE(zeilen.first().contains(QStringLiteral("port 7 could not be opened")))
        << zeilen.first().toStdString();
}

TEST(Linklog, SilentUnlessAskedFor) {
    Linkumgebung u;
    u.daten.g.COM_Nr = 7;
    EXPECT_FALSE(lcLink().isDebugEnabled());
    EXPECT_STREQ(lcLink().categoryName(), "quorvel.link");
    u.link = u.neuer_Link();
    EXPECT_FALSE(u.link->ist_Port_offen());
}

// The link tells the user through the sink it was given, not through the platform's boxes.
TEST(Linkmeldungen, ACanPortThatFailsToOpenIsToldThroughTheSink) {
    Linkumgebung u(false, QStringLiteral("socketcan"));
    // A sink of its own: the platform's boxes keep going to u.meldungen.
    struct : Meldungen {
        QStringList texte;
        void zeige(const QString& text) override { texte << text; }
        bool frage_OK_Abbrechen(const QString&, const QString&) override { return false; }
        bool frage_Ja_Nein(const QString&, const QString&) override { return false; }
    } senke;
    clCOM link(*u.registry, senke);
    link.setze_CAN_Setup(CAN_Setup{});
    const qsizetype vorher = senke.texte.size();
    link.waehle_Port(0, true, false);
    EXPECT_FALSE(link.ist_Port_offen());
    ASSERT_EQ(senke.texte.size(), vorher + 1);
    EXPECT_EQ(senke.texte.last(), QStringLiteral("Fehler beim öffnen der CAN-Schnittstelle"));
    EXPECT_TRUE(u.meldungen.texte.isEmpty());
}
