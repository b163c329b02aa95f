// The relay end to end: the program with its link on COM1 against the simulated ECU and its
// relay on COM2, opened at start-up from the registry, and a remote device on the far end
// of COM2, both over pseudo-terminals.

#include "app/AppContext.h"
#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Parameter.h"
#include "link/UComData.h"
#include "model/UQuorveldata.h"
#include "support/Auswahldatei.h"
#include "support/Fixtures.h"
#include "support/Pty.h"
#include "windows/UBluetooth.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

uint16_t Wort(const QByteArray& b, int pos) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[pos]) |
                                 (static_cast<uint8_t>(b[pos + 1]) << 8));
}

// Splits what the remote device read into frames; nullopt when the bytes are anything but
// whole frames of a sound length and checksum, one after the other.
std::optional<std::vector<QByteArray>> Rahmenfolge(const QByteArray& bytes) {
    std::vector<QByteArray> rahmen;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const int l = static_cast<uint8_t>(bytes[pos]);
        if (l < 3 || pos + l > bytes.size())
            return std::nullopt;
        const QByteArray r = bytes.mid(pos, l);
        unsigned summe = 0;
        for (const char c : r)
            summe += static_cast<uint8_t>(c);
        if (summe % 256 != 0)
            return std::nullopt;
        rahmen.push_back(r);
        pos += l;
    }
    return rahmen;
}

// The simulated ECU with its live records and service commands, the remote device on a
// pseudo-terminal of its own, and the program between them.
class Relaisstrecke {
public:
    explicit Relaisstrecke(const ecusim::Identitaetsdaten& id)
        : parameter(sim), live(sim), bereich(sim), altesVerzeichnis_(QDir::currentPath()) {
        const QString ecu = sim.oeffne_pty();
        EXPECT_FALSE(ecu.isEmpty());
        EXPECT_TRUE(fern.ok());
        ecusim::richte_Identitaet_ein(sim, id);
        ordner.schreibe(
            QStringLiteral("registry.ini"),
            {QStringLiteral("[SOFTWARE\\Quorvel\\Win Quorvel]"), QStringLiteral("Language=English"),
             QStringLiteral("COM_Nr=1"), QStringLiteral("Default Quorvel Hardware=7"),
             QStringLiteral("CAN baud rate=1"), QStringLiteral("CAN send identifier=536870910"),
             QStringLiteral("CAN receive identifier=536870911"),
             QStringLiteral("Default Quorvel Version=T-QUORVEL-1-400-0615.TXT"),
             QStringLiteral("BT_Relais_COM_Nr=2"), QStringLiteral("BT_Relais_Online=1"), QString(),
             QStringLiteral("[Ports]"), QStringLiteral("COM1=") + ecu,
             QStringLiteral("COM2=") + fern.slavePfad()});
        const QString sprache = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/English/");
        QDir().mkpath(ordner.datei(QStringLiteral("Language/English")));
        for (const char* d :
             {"QORV4.TXT", "SAVE.TXT", "T-Quorvel-1-400-0615.TXT", "T-SIMQuorvel-1-400-0615.TXT"})
            QFile::copy(sprache + QLatin1String(d),
                        ordner.datei(QStringLiteral("Language/English/") + QLatin1String(d)));
        // The test's own selection: the engine speed at value word 1 in both layouts.
        const QByteArray auswahl = Auswahldatei().luecke(8).eintrag(0x20000011, 16).bytes;
        ordner.schreibe_roh(QStringLiteral("Language/English/313.tbx"), auswahl);
        ordner.schreibe_roh(QStringLiteral("Language/English/321.tbx"), auswahl);
        QDir::setCurrent(ordner.pfad());
        qputenv("QUORVEL_REGISTRY", ordner.registry().toLocal8Bit());
        kontext = std::make_unique<AppContext>(ordner.pfad(), QStringList{},
                                               std::make_unique<Registry>(ordner.registry()),
                                               meldungen.Senke());
        kontext->erzeuge_Fenster();
        kontext->starte();
        EXPECT_TRUE(warte([&] {
            return kontext->link().ist_verbunden() && kontext->version().Version() == id.Version;
        }));
        EXPECT_TRUE(relais().Relais().offen());
    }
    ~Relaisstrecke() {
        kontext.reset();
        qunsetenv("QUORVEL_REGISTRY");
        QDir::setCurrent(altesVerzeichnis_);
    }

    TForm_Bluetooth& relais() { return *kontext->fenster<TForm_Bluetooth>(); }

    template <class F> static bool warte(F fertig, int ms = 10000) {
        QElapsedTimer t;
        t.start();
        while (!fertig()) {
            if (t.elapsed() > ms)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }
    // The program runs for ms; what the remote device read meanwhile.
    QByteArray empfange(int ms) {
        QByteArray b;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            char puffer[4096];
            for (ssize_t n; (n = ::read(fern.master(), puffer, sizeof puffer)) > 0;)
                b.append(puffer, n);
        }
        return b;
    }
    void sende(uint8_t befehl, const QByteArray& daten) {
        EXPECT_TRUE(fern.schreibe(ecusim::baue_Rahmen(befehl, daten)));
    }
    // Engine speeds of the ECU's main record answers, in their order.
    std::vector<uint16_t> Drehzahlen() const {
        std::vector<uint16_t> d;
        for (const ecusim::Rahmen& r : sim.Protokoll())
            if (r.richtung == ecusim::Richtung::vonECU && r.befehl() == 4)
                d.push_back(Wort(r.daten(), 10));
        return d;
    }
    int empfangen(uint8_t befehl) const {
        int n = 0;
        for (const ecusim::Rahmen& r : sim.empfangene())
            n += r.befehl() == befehl;
        return n;
    }

    ecusim::EcuSim sim;
    // Manufacturer 1 from version 615 on reads the parameters before the live plan starts.
    ecusim::Parameterbereich parameter;
    ecusim::Livebereich live;
    ecusim::Befehlsbereich bereich;
    PtyPaar fern;
    Programmordner ordner;
    Meldungsrekorder meldungen;
    std::unique_ptr<AppContext> kontext;

private:
    QString altesVerzeichnis_;
};

// Whether streamed speeds are the ECU's answers one after another from some answer on.
bool folgen_den_Antworten(const std::vector<uint16_t>& gestreamt,
                          const std::vector<uint16_t>& ecu) {
    for (size_t start = 0; start + gestreamt.size() <= ecu.size(); ++start)
        if (std::equal(gestreamt.begin(), gestreamt.end(), ecu.begin() + static_cast<long>(start)))
            return true;
    return false;
}

} // namespace

TEST(Relais_ecusim, AStaleMainRecordIsPolledAndTheRepeatedRequestAnswered) {
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 4;
    id.Typnummer = 3; // the plan leaves the main record alone
    Relaisstrecke s(id);
    s.empfange(300);
    EXPECT_EQ(s.empfangen(4), 0);

    s.sende(4, {});
    EXPECT_EQ(s.empfange(300), QByteArray()); // stale: nothing yet
    ASSERT_TRUE(Relaisstrecke::warte([&] { return s.empfangen(4) >= 1; }));
    // From now on every 100 ms: 5 ticks of 20 ms, never more often.
    const int anfang = s.empfangen(4);
    QElapsedTimer t;
    t.start();
    s.empfange(1000);
    const int n = s.empfangen(4) - anfang;
    EXPECT_GE(n, 3);
    EXPECT_LE(n, t.elapsed() / 100 + 1);

    s.sende(4, {});
    const QByteArray antwort = s.empfange(300);
    ASSERT_EQ(antwort.size(), 87);
    EXPECT_EQ(static_cast<uint8_t>(antwort[0]), 87);
    EXPECT_EQ(static_cast<uint8_t>(antwort[1]), 4);
    ASSERT_TRUE(Rahmenfolge(antwort).has_value());
    // The 84 bytes are an answer the ECU gave.
    bool gegeben = false;
    for (const ecusim::Rahmen& r : s.sim.Protokoll())
        gegeben = gegeben || (r.richtung == ecusim::Richtung::vonECU && r.befehl() == 4 &&
                              r.daten() == antwort.mid(2, 84));
    EXPECT_TRUE(gegeben);

    // The flags reach the ECU with the remote device's word.
    s.sende(117, QByteArray("\x34\x12", 2));
    ASSERT_TRUE(Relaisstrecke::warte([&] { return s.empfangen(117) == 1; }));
    EXPECT_EQ(s.bereich.Merkerwort, 0x1234);
    EXPECT_EQ(s.sim.Empfangsfehler, 0);
}

TEST(Relais_ecusim, StreamingSendsTheEcusSpeedAfterEveryMainRecordAnswer) {
    for (const uint16_t version : {615, 660}) {
        SCOPED_TRACE(version);
        const bool kurz = version == 615;
        ecusim::Identitaetsdaten id;
        id.Version = version;
        Relaisstrecke s(id);
        ASSERT_TRUE(Relaisstrecke::warte([&] { return s.live.Schritt > 3; }));

        s.sende(105, QByteArray("\x02", 1));
        QByteArray bytes = s.empfange(1500);
        s.sende(110, QByteArray("\x37", 1)); // any other frame ends the streaming
        bytes += s.empfange(300);
        const std::optional<std::vector<QByteArray>> rahmen = Rahmenfolge(bytes);
        ASSERT_TRUE(rahmen.has_value());
        ASSERT_GE(rahmen->size(), 5u);
        EXPECT_EQ(rahmen->back(), ecusim::baue_Rahmen(110, QByteArray("\x37", 1)));

        std::vector<uint16_t> drehzahlen;
        uint32_t zaehler = 0;
        for (size_t i = 0; i + 1 < rahmen->size(); ++i) {
            const QByteArray& r = (*rahmen)[i];
            if (kurz) {
                ASSERT_EQ(r.size(), 125);
                ASSERT_EQ(static_cast<uint8_t>(r[1]), 105);
                EXPECT_EQ(Wort(r, 2) | (Wort(r, 4) << 16), ++zaehler);
                EXPECT_EQ(Wort(r, 6), 13);
                drehzahlen.push_back(Wort(r, 8));
            } else {
                ASSERT_EQ(r.size(), 133);
                ASSERT_EQ(static_cast<uint8_t>(r[1]), 106);
                if (i % 2 == 0) {
                    EXPECT_EQ(Wort(r, 2), 1);
                    EXPECT_EQ(Wort(r, 4) | (Wort(r, 6) << 16), ++zaehler);
                    EXPECT_EQ(Wort(r, 8), 21);
                    drehzahlen.push_back(Wort(r, 10));
                } else {
                    EXPECT_EQ(Wort(r, 2), 256);
                }
            }
        }
        if (!kurz) {
            EXPECT_EQ(rahmen->size() % 2, 1u) << "106 frames come in pairs";
        }
        EXPECT_TRUE(folgen_den_Antworten(drehzahlen, s.Drehzahlen()));
        EXPECT_EQ(s.sim.Empfangsfehler, 0);
    }
}

TEST(Relais_ecusim, ARemoteThatStopsReadingLaterReadsOnlyWholeFrames) {
    ecusim::Identitaetsdaten id;
    id.Version = 660;
    Relaisstrecke s(id);
    s.sende(105, QByteArray("\x02", 1));
    // The line and the output ring fill; frames that find no room are left out whole.
    cl_Relais& relais = s.relais().Relais();
    ASSERT_TRUE(Relaisstrecke::warte([&] { return relais.Rahmen_verworfen() >= 20; }, 60000));
    QByteArray bytes = s.empfange(1000);
    s.sende(110, QByteArray("\x37", 1));
    bytes += s.empfange(1000);
    const std::optional<std::vector<QByteArray>> rahmen = Rahmenfolge(bytes);
    ASSERT_TRUE(rahmen.has_value());
    EXPECT_GT(bytes.size(), 20000);
    for (size_t i = 0; i + 1 < rahmen->size(); ++i)
        EXPECT_EQ(static_cast<uint8_t>((*rahmen)[i][1]), 106);
    EXPECT_EQ(rahmen->back(), ecusim::baue_Rahmen(110, QByteArray("\x37", 1)));
    EXPECT_EQ(s.sim.Empfangsfehler, 0);
}
