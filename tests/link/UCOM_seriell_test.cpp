// The link over a serial port: the simulated ECU at the far end of a pseudo-terminal that
// the registry's [Ports] section names as COM3 (and COM4 for the fast mode).

#include "link/Linkumgebung.h"
#include "platform/Registry.h"
#include "serial/SerPort.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using ecusim::EcuSim;
using ecusim::Fehler;

namespace {

class SeriellerLink : public ::testing::Test {
protected:
    explicit SeriellerLink(bool testmodus = false)
        : pfad(sim.oeffne_pty()),
          u(testmodus, QStringLiteral("fake"),
            QStringLiteral("COM3=") + pfad + QStringLiteral("\nCOM4=") + pfad) {}

    void SetUp() override {
        ASSERT_FALSE(pfad.isEmpty());
        u.daten.g.COM_Nr = 3;
        u.link = u.neuer_Link();
        link = u.link.get();
        ASSERT_TRUE(link->ist_Port_offen());
        link->setze_aktiv(true);
        ASSERT_TRUE(link->ist_enabled());
    }
    // Whatever the ECU did wrong, the link sent nothing but sound frames.
    void TearDown() override {
        u.pumpe(20);
        EXPECT_EQ(sim.Empfangsfehler, 0);
    }

    std::optional<QByteArray> frage(uint8_t befehl, int antwortlaenge, int warteMs = 3000) {
        link->sende_Telegramm(befehl, 0, nullptr);
        if (!u.warte_Ende(warteMs) || link->Empfangsfehler())
            return std::nullopt;
        std::vector<uint8_t> b(static_cast<size_t>(antwortlaenge));
        int n = antwortlaenge;
        if (!link->hole_Antwort(befehl, n, b.data()))
            return std::nullopt;
        return QByteArray(reinterpret_cast<char*>(b.data()), n);
    }

    EcuSim sim;
    QString pfad;
    Linkumgebung u;
    clCOM* link = nullptr;
};

class SeriellerLinkTestmodus : public SeriellerLink {
protected:
    SeriellerLinkTestmodus() : SeriellerLink(true) {}
};

} // namespace

TEST_F(SeriellerLinkTestmodus, IdentityRoundTrip_AndItsTrace) {
    EXPECT_EQ(link->Port().Baud(), 19200);
    EXPECT_EQ(link->Port().StopBits(), 2);
    EXPECT_EQ(frage(100, 66), sim.Identitaet);
    ASSERT_EQ(sim.empfangene().size(), 1u);
    EXPECT_EQ(sim.empfangene()[0].bytes, QByteArray("\x03\x64\x99", 3));
    const QString t = u.Trace();
    EXPECT_TRUE(t.contains(QStringLiteral(" transmit:  [ 3] \r\n")));
    EXPECT_TRUE(t.contains(QStringLiteral(" transmit:  [99] \r\n")));
    EXPECT_TRUE(t.contains(QStringLiteral(" receive:  [45] ")));
}

TEST_F(SeriellerLink, BlockTransfersInBothFormats) {
    const QByteArray bild = Muster(250);
    sim.setze_Blocklesen(3, bild, false);
    sim.injiziere(Fehler::KurzerBlock, 1, 3);
    EXPECT_EQ(u.lies_Bloecke(3, 250, false), bild);
    EXPECT_EQ(sim.empfangene().size(), 4u) << "the short block 0 is asked again";

    sim.setze_Blockschreiben(2, false);
    ASSERT_TRUE(u.schreibe_Bloecke(2, bild));
    EXPECT_EQ(sim.Blockdaten(2), bild);
    EXPECT_EQ(sim.Blockschreibvorgaenge(2), 1);

    const QByteArray items = Muster(430, 5);
    sim.setze_Blocklesen(128, items, true);
    sim.injiziere(Fehler::FalscheBlocknummer, 1, 128);
    EXPECT_EQ(u.lies_Bloecke(128, 2000, true), items);

    sim.setze_Blockschreiben(129, true);
    ASSERT_TRUE(u.schreibe_Bloecke(129, items));
    EXPECT_EQ(sim.Blockdaten(129), items);
    EXPECT_EQ(sim.Blockschreibvorgaenge(129), 1);
}

TEST_F(SeriellerLink, SplitAndStrayBytes) {
    sim.injiziere(Fehler::Geteilt);
    EXPECT_EQ(frage(100, 66), sim.Identitaet) << "an answer byte by byte";

    sim.injiziere(Fehler::Streubytes);
    EXPECT_EQ(frage(100, 66), sim.Identitaet);
    // The two stray bytes arrive while nothing is awaited.
    EXPECT_TRUE(u.warte([&] { return link->Empfangsfehler(); }, 1000));
}

TEST_F(SeriellerLink, AnswerFaults) {
    const Fehler faelle[] = {Fehler::FalscherBefehl, Fehler::FalschePruefsumme,
                             Fehler::LaengeUnter3, Fehler::FalscheLaenge, Fehler::Stille};
    for (Fehler f : faelle) {
        sim.injiziere(f);
        // The simulator answers within milliseconds: silence needs no long wait (the link's
        // own time-out is ticked by hand in the link's tests).
        EXPECT_EQ(frage(100, 66, f == Fehler::Stille ? 300 : 3000), std::nullopt)
            << static_cast<int>(f);
        int ticks = 0;
        link->pruefe_Antwort(ticks);
        u.pumpe(150); // the simulator starts a new frame after a pause
    }
    EXPECT_EQ(frage(100, 66), sim.Identitaet);
}

TEST_F(SeriellerLink, AnswersPacedAtTheLineRate) {
    sim.setze_Leitungstempo(19200);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(frage(100, 66), sim.Identitaet);
    // 69 bytes of 11 bits at 19200 baud take about 40 ms.
    EXPECT_GE(t.elapsed(), 35);
}

// An ECU at the end of a real line sees a request only once its bytes have crossed it: at
// 1200 baud a 3-byte request takes 27.5 ms, while the answer comes back at once.
TEST_F(SeriellerLink, RequestsPacedAtTheLineRateAreAnsweredOnceTheyCrossedIt) {
    sim.setze_Eingangstempo(1200);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(frage(100, 66), sim.Identitaet);
    EXPECT_GE(t.elapsed(), 27);
}

TEST_F(SeriellerLink, PortChoice_FailedOpenLeavesTheLinkOff) {
    link->waehle_Port(9, true, true); // no COM9 in [Ports]
    EXPECT_FALSE(link->ist_Port_offen());
    EXPECT_FALSE(link->ist_enabled());
    EXPECT_EQ(Registry(u.ordner.registry()).readInteger(QStringLiteral("COM_Nr")), std::nullopt);
    link->sende_Telegramm(100, 0, nullptr);
    EXPECT_FALSE(link->wartet());
    link->waehle_Port(65536 + 3, true, true); // names no port, not COM3
    EXPECT_FALSE(link->ist_Port_offen());
    EXPECT_FALSE(link->Port().Open());

    link->waehle_Port(3, true, true);
    EXPECT_TRUE(link->ist_Port_offen());
    EXPECT_EQ(Registry(u.ordner.registry()).readInteger(QStringLiteral("COM_Nr")), 3);
    link->setze_aktiv(true);
    EXPECT_EQ(frage(100, 66), sim.Identitaet);

    EXPECT_FALSE(link->Port_testen(9));
    EXPECT_TRUE(link->Port_testen(3));
    EXPECT_FALSE(link->Port().Open()) << "a test leaves the port closed";
}

TEST_F(SeriellerLink, FastModeAndForeignReceiver) {
    link->waehle_Port(44, true, false);
    link->setze_aktiv(true);
    EXPECT_TRUE(link->ist_Fast_Modus());
    EXPECT_EQ(link->Port().ComNumber(), 4);
    EXPECT_EQ(link->Port().Baud(), 57600);
    EXPECT_EQ(link->Port().StopBits(), 1);
    EXPECT_EQ(frage(100, 66), sim.Identitaet);

    // A foreign handler gets the raw bytes; normal operation takes them back.
    QByteArray roh;
    link->waehle_Port(3, true, false);
    link->setze_aktiv(true);
    link->setze_Empfaenger([&](const QByteArray& b) { roh += b; });
    EXPECT_EQ(link->Port().Baud(), 57600);
    EXPECT_EQ(link->Port().StopBits(), 1);
    for (char c : QByteArray("\x03\x64\x99", 3))
        link->sende_seriell(static_cast<uint8_t>(c));
    EXPECT_TRUE(u.warte([&] { return roh.size() >= 69; }));
    EXPECT_EQ(roh, ecusim::baue_Rahmen(100, sim.Identitaet));

    link->Normalbetrieb();
    EXPECT_FALSE(link->ist_eigener_Empfang());
    EXPECT_EQ(link->Port().Baud(), 19200);
    EXPECT_EQ(link->Port().StopBits(), 2);
    EXPECT_EQ(frage(100, 66), sim.Identitaet);
}

// The far end gone: writing raises nothing out of the link; the exchange simply fails.
TEST_F(SeriellerLink, VanishedFarEnd_NoExceptionEscapes) {
    sim.schliesse();
    EXPECT_NO_THROW({
        for (int i = 0; i < 3; ++i) {
            link->sende_Telegramm(100, 0, nullptr);
            u.pumpe(50);
            int ticks = 1;
            EXPECT_FALSE(link->pruefe_Antwort(ticks));
        }
    });
}
