#include "app/AppContext.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "link/UComData.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "platform/Registry.h"
#include "support/Fixtures.h"
#include "windows/UQuorvel.h"
#include "windows/USetup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QUuid>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The whole program on a folder of its own, against the simulated ECU.
class Programm {
public:
    explicit Programm(QStringList werte, const QStringList& ports = {})
        : altesVerzeichnis_(QDir::currentPath()) {
        werte.prepend(QStringLiteral("[SOFTWARE\\Quorvel\\Win Quorvel]"));
        werte << QStringLiteral("Language=English") << QStringLiteral("Default Quorvel Hardware=7")
              << QStringLiteral("CAN baud rate=1")
              << QStringLiteral("CAN send identifier=536870910")
              << QStringLiteral("CAN receive identifier=536870911")
              << QStringLiteral("Default Quorvel Version=T-QUORVEL-1-400-615.TXT")
              << QStringLiteral("BT_Relais_COM_Nr=0") << QStringLiteral("BT_Relais_Online=0")
              << QString() << QStringLiteral("[Ports]") << ports;
        ordner.schreibe(QStringLiteral("registry.ini"), werte);
        const QString sprache = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language");
        for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")}) {
            QDir().mkpath(ordner.datei(QStringLiteral("Language/") + s));
            for (const QString& d : {QStringLiteral("QORV4.TXT"), QStringLiteral("SAVE.TXT")})
                QFile::copy(sprache + '/' + s + '/' + d,
                            ordner.datei(QStringLiteral("Language/") + s + '/' + d));
        }
        ordner.schreibe(QStringLiteral("Language/English/T-Quorvel-1-400-615.txt"),
                        {QStringLiteral("x")});
        QDir::setCurrent(ordner.pfad());
        // The port layer reads this file too: no port exists but those of [Ports].
        qputenv("QUORVEL_REGISTRY", ordner.registry().toLocal8Bit());
    }
    ~Programm() {
        kontext.reset();
        qunsetenv("QUORVEL_REGISTRY");
        QDir::setCurrent(altesVerzeichnis_);
    }

    void starte() {
        kontext = std::make_unique<AppContext>(ordner.pfad(), QStringList{},
                                               std::make_unique<Registry>(ordner.registry()),
                                               meldungen.Senke());
        kontext->erzeuge_Fenster();
        kontext->starte();
    }

    TForm_Quorvel& haupt() { return *kontext->hauptfenster(); }
    cl_COM_Quorvel& link() { return kontext->link(); }
    QString Zustand() { return haupt().Label_Verbindung_aktiv->text(); }

    Meldungsrekorder meldungen;
    Programmordner ordner;
    std::unique_ptr<AppContext> kontext;

private:
    QString altesVerzeichnis_;
};

// Connects, shows the ECU's identity, notices the ECU going silent and comes back with it.
void verbinde_trenne_verbinde(Programm& p, ecusim::EcuSim& sim) {
    std::array<uint8_t, 84> puffer{};
    sim.setze_Antwort(4, QByteArray(84, '\x11'));
    TForm_Quorvel& h = p.haupt();
    // The setup's offline identity shows first, then the ECU's.
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.Label_Version->text().contains("Rev.: 3"); }, 5000))
        << h.Label_Version->text().toStdString();
    EXPECT_EQ(h.Label_Version->text(), QStringLiteral("6.15 Rev.: 3, 15.11.2017"));
    EXPECT_EQ(p.Zustand(), hole_Text(63));
    EXPECT_TRUE(h.CheckBox_Online->isChecked());
    EXPECT_EQ(h.Label_Seriennummer->text(), QStringLiteral("20170815"));
    EXPECT_EQ(h.Label_Hersteller->text(), QStringLiteral("Quorvel"));
    EXPECT_EQ(h.Label_Typnummer->text(), QStringLiteral("400"));
    EXPECT_EQ(h.Label_Quorvel_Typ->text(), ECU_Typ_Name(1));
    EXPECT_EQ(h.Label_Datenversion->text(), QStringLiteral("2.5"));
    EXPECT_EQ(h.Label_Hardware_Typ->text(), QStringLiteral("400-2"));
    EXPECT_EQ(h.Label_Bootloader_Nr->text(), QStringLiteral("3"));

    // What the live-data plan will do: poll a record in every free tick.
    cl_COM_data abfrage(p.link(), 4, false, false, 500, 0, nullptr, 84, puffer.data());
    abfrage.starten_zyklisch(0, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return abfrage.beantwortet; }, 3000));

    // Silent: four failed exchanges, then the link reports the disconnection. The
    // scheduler's tests time the failures and pauses; here the link is ticked by hand while
    // no answer can come, so that its time-outs cost no real time.
    const auto ticke_bis = [&](const std::function<bool()>& fertig) {
        p.link().setze_Takt(false);
        for (int i = 0; i < 1000 && !fertig(); ++i) {
            QCoreApplication::processEvents();
            p.link().TimerTimer();
        }
        p.link().setze_Takt(true);
        return fertig();
    };
    sim.stumm = true;
    ASSERT_TRUE(ticke_bis([&] { return p.Zustand() == hole_Text(64); }));
    EXPECT_FALSE(p.link().ist_verbunden());
    EXPECT_FALSE(abfrage.aktiv);
    EXPECT_EQ(puffer[0], 0x11);
    // Offline work passes the password gate.
    EXPECT_EQ(p.kontext->passwort_OK().akzeptiert(), 1);
    // Back: the repeated identity request reconnects by itself; its answer comes while the
    // timer ticks.
    sim.leere_Protokoll();
    sim.stumm = false;
    ASSERT_TRUE(ticke_bis([&] { return p.link().wartet(); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.Zustand() == hole_Text(63); }, 5000));
    EXPECT_TRUE(p.link().ist_verbunden());
    bool identitaet = false;
    for (const ecusim::Rahmen& r : sim.empfangene())
        identitaet = identitaet || r.befehl() == 100;
    EXPECT_TRUE(identitaet);
}

// The program on a fake CAN bus of its own with the simulated ECU at the far end, started.
struct AmCAN {
    AmCAN() {
        sim.oeffne_CAN(netz);
        ecusim::richte_Identitaet_ein(sim);
        p.starte();
    }
    const QString netz = QUuid::createUuid().toString(QUuid::Id128);
    Programm p{QStringList{QStringLiteral("COM_Nr=0"), QStringLiteral("CAN_Plugin=fake"),
                           QStringLiteral("CAN_Interface=") + netz}};
    ecusim::EcuSim sim;
};

} // namespace

TEST(Hauptfenster, ConnectsOverTheFakeCanBusShowsTheIdentityAndSurvivesASilentEcu) {
    AmCAN c;
    EXPECT_EQ(c.p.haupt().ComboBox_Comport->currentText(), QStringLiteral("CAN"));
    verbinde_trenne_verbinde(c.p, c.sim);
}

TEST(Hauptfenster, ConnectsOverAPseudoTerminalMappedToAComPort) {
    ecusim::EcuSim sim;
    const QString pty = sim.oeffne_pty();
    ASSERT_FALSE(pty.isEmpty());
    ecusim::richte_Identitaet_ein(sim);
    Programm p({QStringLiteral("COM_Nr=3")}, {QStringLiteral("COM3=") + pty});
    p.starte();
    // Only the mapped port exists.
    ASSERT_EQ(p.haupt().ComboBox_Comport->count(), 2);
    EXPECT_EQ(p.haupt().ComboBox_Comport->itemText(1), QStringLiteral("COM3"));
    EXPECT_EQ(p.haupt().ComboBox_Comport->currentText(), QStringLiteral("COM3"));
    verbinde_trenne_verbinde(p, sim);
    EXPECT_EQ(sim.Empfangsfehler, 0) << "the link sends only sound frames";
}

TEST(Hauptfenster, UncheckingOnlineDisconnects) {
    AmCAN c;
    Programm& p = c.p;
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.Zustand() == hole_Text(63); }, 5000));
    p.haupt().CheckBox_Online->click();
    EXPECT_EQ(p.Zustand(), hole_Text(64));
    EXPECT_FALSE(p.link().ist_aktiv());
}

TEST(Hauptfenster, WithoutSerialPortsTheListHoldsOnlyCanAndAnUnknownEntrySelectsCom1) {
    Programm p({QStringLiteral("COM_Nr=5")});
    p.starte();
    QComboBox* c = p.haupt().ComboBox_Comport;
    EXPECT_EQ(c->count(), 1) << c->itemText(1).toStdString();
    EXPECT_EQ(c->itemText(0), QStringLiteral("CAN"));
    EXPECT_EQ(p.Zustand(), hole_Text(64)); // COM5 does not exist
    c->setEditText(QStringLiteral("whatever"));
    p.haupt().ComboBox_ComportChange();
    EXPECT_EQ(c->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(glob().COM_Nr, 1);
    // COM1 does not exist either: nothing is stored.
    EXPECT_EQ(p.kontext->registry().readInteger(QStringLiteral("COM_Nr")), 5);
}

TEST(Hauptfenster, IdentityLinesFollowTheEcuAge) {
    Programm p({QStringLiteral("COM_Nr=5")});
    p.starte();
    TForm_Quorvel& h = p.haupt();
    cl_Version& v = p.kontext->version();
    const auto antworte = [&](uint16_t version, const QByteArray& name, uint16_t typ,
                              uint16_t typnummer) {
        ecusim::Identitaetsdaten d;
        d.Version = version;
        d.Name = name;
        d.ECU_Typ = typ;
        d.Typnummer = typnummer;
        const QByteArray a = ecusim::baue_Identitaet(d);
        std::copy(a.begin(), a.end(), v.Antwortbereich.begin());
        v.Antwort();
    };
    antworte(499, "", 1, 1);
    EXPECT_FALSE(h.Zeile_sichtbar(h.Label_Seriennummer));
    EXPECT_FALSE(h.Zeile_sichtbar(h.Label_Datenversion));
    EXPECT_FALSE(h.Zeile_sichtbar(h.Label_Typnummer));
    EXPECT_TRUE(h.Zeile_sichtbar(h.Label_Version));
    EXPECT_EQ(h.Label_Version->text(), QStringLiteral("4.99 Rev.: 3, 15.11.2017"));

    antworte(503, "", 1, 1);
    EXPECT_TRUE(h.Zeile_sichtbar(h.Label_Seriennummer));
    EXPECT_TRUE(h.Zeile_sichtbar(h.Label_Datenversion));
    EXPECT_FALSE(h.Zeile_sichtbar(h.Label_Hardware_Typ));
    antworte(505, "", 1, 1);
    EXPECT_TRUE(h.Zeile_sichtbar(h.Label_Hardware_Typ));
    EXPECT_TRUE(h.Zeile_sichtbar(h.Label_Bootloader_Nr));

    // Version 1 is shown, and kept, as 1.03.
    antworte(1, "", 2, 1);
    EXPECT_EQ(h.Label_Version->text(), QStringLiteral("1.03 Rev.: 0, 15.11.2017"));
    EXPECT_EQ(v.Version(), 103);
    EXPECT_EQ(v.Versionstext, h.Label_Version->text());
    antworte(5, "X", 2, 1);
    EXPECT_TRUE(h.Label_Version->text().startsWith(QStringLiteral("0.05 Rev.: ")));
}

TEST(Hauptfenster, PortEntries) {
    EXPECT_EQ(TForm_Quorvel::Portnummer(QStringLiteral("CAN")), 0);
    EXPECT_EQ(TForm_Quorvel::Portnummer(QStringLiteral("COM7")), 7);
    EXPECT_EQ(TForm_Quorvel::Portnummer(QStringLiteral("COM44")), 44);
    EXPECT_EQ(TForm_Quorvel::Portnummer(QStringLiteral("COM4 (RS485)")), 4);
    EXPECT_EQ(TForm_Quorvel::Versionstext(615, 3, QStringLiteral("15.11.2017")),
              QStringLiteral("6.15 Rev.: 3, 15.11.2017"));
}

TEST(Hauptfenster, PortNumber44SelectsCom44WhenListedElseCan) {
    ecusim::EcuSim sim;
    const QString pty = sim.oeffne_pty();
    ASSERT_FALSE(pty.isEmpty());
    {
        Programm p({QStringLiteral("COM_Nr=44")}, {QStringLiteral("COM44=") + pty});
        p.starte();
        EXPECT_EQ(p.haupt().ComboBox_Comport->currentText(), QStringLiteral("COM44"));
    }
    {
        Programm p({QStringLiteral("COM_Nr=44")}, {QStringLiteral("COM4=") + pty});
        p.starte();
        EXPECT_EQ(p.haupt().ComboBox_Comport->currentText(), QStringLiteral("CAN"));
        // The link uses COM4 in its fast mode all the same.
        EXPECT_TRUE(p.link().ist_Fast_Modus());
        EXPECT_TRUE(p.link().ist_aktiv());
    }
}

TEST(Hauptfenster, AfterAPortThatFailedAWorkingPortConnectsAgain) {
    ecusim::EcuSim sim;
    const QString pty = sim.oeffne_pty();
    ASSERT_FALSE(pty.isEmpty());
    ecusim::richte_Identitaet_ein(sim);
    Programm p({QStringLiteral("COM_Nr=3")}, {QStringLiteral("COM3=") + pty});
    p.starte();
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.link().ist_verbunden(); }, 5000));
    QComboBox* c = p.haupt().ComboBox_Comport;
    c->setEditText(QStringLiteral("COM7"));
    p.haupt().ComboBox_ComportChange();
    EXPECT_EQ(p.Zustand(), hole_Text(64));
    EXPECT_FALSE(p.link().ist_aktiv());
    // Still online by the check box: the port that opens is used at once.
    c->setEditText(QStringLiteral("COM3"));
    p.haupt().ComboBox_ComportChange();
    EXPECT_TRUE(p.haupt().CheckBox_Online->isChecked());
    EXPECT_TRUE(p.link().ist_aktiv());
    sim.leere_Protokoll();
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.Zustand() == hole_Text(63); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            for (const ecusim::Rahmen& r : sim.empfangene())
                if (r.befehl() == 100)
                    return true;
            return false;
        },
        5000));
    EXPECT_EQ(sim.Empfangsfehler, 0) << "the link sends only sound frames";
}
