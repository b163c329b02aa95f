#include "app/AppContext.h"
#include "base/Inidatei.h"
#include "base/Motordaten.h"
#include "ecusim/CanTransport.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Parameter.h"
#include "link/UComData.h"
#include "model/UKennfelder.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "platform/Registry.h"
#include "support/Fixtures.h"
#include "support/VirtuellerBus.h"
#include "windows/UQuorvel.h"
#include "windows/USetup.h"
#include "windows/service/USicherheitstext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTest>
#include <QUuid>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

#include <csignal>

namespace {

// A window standing in for one not built yet: it answers to the class name by which the
// main window's tables name it.
class Stellvertreter : public TForm {
public:
    explicit Stellvertreter(const char* klasse, const QString& thema = QString())
        : TForm(thema), info_{klasse, &TForm::Klasse} {
        resize(300, 200);
    }
    const KlassenInfo& klasse() const override { return info_; }

private:
    KlassenInfo info_;
};

// The program's context with stand-in windows after its own.
class Testkontext : public AppContext {
public:
    using AppContext::AppContext;
    ~Testkontext() override { stellvertreter_.clear(); }

    std::vector<TForm*> Fenster() const override {
        std::vector<TForm*> liste = AppContext::Fenster();
        for (const auto& f : stellvertreter_)
            liste.push_back(f.get());
        return liste;
    }
    // A window the program makes itself is used as it is; the others have stand-ins.
    TForm& stelle(const char* klasse, const QString& thema = QString()) {
        for (TForm* f : AppContext::Fenster())
            if (thema.isEmpty() && std::strcmp(f->klasse().name, klasse) == 0)
                return *f;
        stellvertreter_.push_back(std::make_unique<Stellvertreter>(klasse, thema));
        return *stellvertreter_.back();
    }

private:
    std::vector<std::unique_ptr<Stellvertreter>> stellvertreter_;
};

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

    // The context and its windows, not shown yet.
    Testkontext& erzeuge() {
        if (!kontext) {
            kontext = std::make_unique<Testkontext>(ordner.pfad(), QStringList{},
                                                    std::make_unique<Registry>(ordner.registry()),
                                                    meldungen.Senke());
            kontext->erzeuge_Fenster();
        }
        return *kontext;
    }
    void starte() {
        erzeuge();
        kontext->starte();
    }
    // An identity answer as the link delivers it.
    void antworte(const ecusim::Identitaetsdaten& d) {
        cl_Version& v = kontext->version();
        const QByteArray a = ecusim::baue_Identitaet(d);
        std::copy(a.begin(), a.end(), v.Antwortbereich.begin());
        v.Antwort();
    }
    // A parameter answer: a read or a write.
    void Parameterantwort(uint8_t befehl) {
        kontext->parameter().Befehl = befehl;
        kontext->parameter().Antwort();
    }

    TForm_Quorvel& haupt() { return *kontext->hauptfenster(); }
    cl_COM_Quorvel& link() { return kontext->link(); }
    QString Zustand() { return haupt().Label_Verbindung_aktiv->text(); }

    Meldungsrekorder meldungen;
    Programmordner ordner;
    std::unique_ptr<Testkontext> kontext;

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

// The program on Qt's virtual CAN bus, hosted by this test, with the simulated ECU in a
// process of its own at the far end; started.
struct AmCAN {
    AmCAN() {
        ecu.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/ecusim"));
        ecu.setArguments({QStringLiteral("--can"), bus.Schnittstelle()});
        ecu.start();
        if (!ecu.waitForStarted(10000) || !ecu.waitForReadyRead(10000) ||
            QString::fromLocal8Bit(ecu.readLine()).trimmed() != bus.Schnittstelle()) {
            ADD_FAILURE() << "ecusim did not join the bus: " << ecu.readAllStandardError().data();
            return;
        }
        // On the bus once it answers: the bus hands a device messages only after it has read
        // the device's first line.
        std::unique_ptr<CanKanal> pc = bus.Teilnehmer();
        pc->erlaube_Id(static_cast<int32_t>(0x1FFFFFFFu | CAN_29_Bit));
        const bool antwortet = QTest::qWaitFor(
            [&] {
                for (const CanMsg& m :
                     ecusim::packe_CAN(ecusim::baue_Rahmen(100, {}), 0x1FFFFFFEu | CAN_29_Bit))
                    pc->sende(m);
                CanMsg m;
                return QTest::qWaitFor([&] { return pc->nimm(m); }, 50);
            },
            5000);
        if (!antwortet) {
            ADD_FAILURE() << "ecusim does not answer on the bus";
            return;
        }
        p.starte();
    }
    ~AmCAN() {
        ecu.terminate();
        ecu.waitForFinished(10000);
    }
    // Ends the simulated ECU; the frames it found faulty, as it reports them at its end.
    int beende_ECU() {
        ecu.terminate();
        if (!ecu.waitForFinished(10000))
            return -1;
        const QString aus = QString::fromLocal8Bit(ecu.readAllStandardOutput());
        const qsizetype i = aus.lastIndexOf(QStringLiteral("faulty frames: "));
        return i < 0 ? -1 : aus.mid(i + 15).trimmed().toInt();
    }
    void signal(int s) { ::kill(static_cast<pid_t>(ecu.processId()), s); }

    VirtuellerBus bus;
    Programm p{QStringList{QStringLiteral("COM_Nr=0"), QStringLiteral("CAN_Plugin=virtualcan"),
                           QStringLiteral("CAN_Interface=") + bus.Schnittstelle()}};
    QProcess ecu;
};

// The program on Qt's virtual CAN bus with the simulated ECU in this process, so that a test
// sets the ECU's identity and data; `vorher` runs before the program starts.
struct AmBus {
    explicit AmBus(const ecusim::Identitaetsdaten& id = {},
                   const std::function<void(Programm&)>& vorher = {}) {
        sim.oeffne_CAN(bus.Teilnehmer());
        ecusim::richte_Identitaet_ein(sim, id);
        if (vorher)
            vorher(p);
        p.starte();
    }
    VirtuellerBus bus;
    Programm p{QStringList{QStringLiteral("COM_Nr=0"), QStringLiteral("CAN_Plugin=virtualcan"),
                           QStringLiteral("CAN_Interface=") + bus.Schnittstelle()}};
    ecusim::EcuSim sim;
};

} // namespace

// Connects, shows the ECU's identity, notices the ECU going silent at the fourth failed
// exchange and comes back with it; the ECU saw only sound frames.
TEST(Hauptfenster, ConnectsOverCanToTheSimulatedEcuInItsOwnProcessAndSurvivesASilence) {
    AmCAN c;
    Programm& p = c.p;
    TForm_Quorvel& h = p.haupt();
    EXPECT_EQ(h.ComboBox_Comport->currentText(), QStringLiteral("CAN"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.Label_Version->text().contains("Rev.: 3"); }, 5000))
        << h.Label_Version->text().toStdString();
    EXPECT_EQ(h.Label_Version->text(), QStringLiteral("6.15 Rev.: 3, 15.11.2017"));
    EXPECT_EQ(p.Zustand(), hole_Text(63));
    EXPECT_EQ(h.Label_Seriennummer->text(), QStringLiteral("20170815"));
    EXPECT_EQ(h.Label_Typnummer->text(), QStringLiteral("400"));

    int fehlerBeimTrennen = -1;
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [&](Sender&) { fehlerBeimTrennen = p.link().Fehlerzahl(); },
        cl_COM_Quorvel::Getrennt);
    int verbunden = 0;
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [&](Sender&) { ++verbunden; }, cl_COM_Quorvel::Verbunden);
    // A request in every free tick, as the live-data plan will run one.
    std::array<uint8_t, 66> puffer{};
    cl_COM_data abfrage(p.link(), 100, false, false, 500, 0, nullptr, 66, puffer.data());
    abfrage.starten_zyklisch(0, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return abfrage.beantwortet; }, 3000));
    c.signal(SIGUSR1); // silent
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.Zustand() == hole_Text(64); }, 15000));
    EXPECT_EQ(fehlerBeimTrennen, 4);
    EXPECT_FALSE(p.link().ist_verbunden());
    EXPECT_TRUE(p.link().ist_aktiv());
    c.signal(SIGUSR1); // back: the repeated identity request reconnects by itself
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.Zustand() == hole_Text(63); }, 10000));
    EXPECT_EQ(verbunden, 1);
    EXPECT_EQ(p.link().Fehlerzahl(), 0);
    EXPECT_EQ(c.beende_ECU(), 0);
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

// Connected, the link's menu items are enabled; unchecking online disconnects and
// disables them.
TEST(Hauptfenster, UncheckingOnlineDisconnectsAndDisablesTheLinksMenus) {
    AmBus c;
    ASSERT_FALSE(::testing::Test::HasFailure());
    Programm& p = c.p;
    TForm_Quorvel& h = p.haupt();
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.Zustand() == hole_Text(63); }, 5000));
    const QStringList punkte = {"Flash",
                                "Test1",
                                "Menu_Datenexport",
                                "Menu_Datenimport",
                                "Menu_Datensicherung",
                                "ins_Flash_sichern"};
    for (const QString& n : punkte)
        EXPECT_EQ(h.Menuepunkt(n).aktiv, true) << n.toStdString();
    h.CheckBox_Online->click();
    EXPECT_EQ(p.Zustand(), hole_Text(64));
    EXPECT_FALSE(p.link().ist_aktiv());
    for (const QString& n : punkte)
        EXPECT_EQ(h.Menuepunkt(n).aktiv, false) << n.toStdString();
}

// Against the simulated ECU: the engine name, and the windows and menus of its variant.
TEST(Hauptfenster, ShowsTheEngineNameAndTheVariantOfTheConnectedEcu) {
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 4;
    id.Typnummer = 2;
    id.Version = 616;
    TForm* fenster[3] = {};
    AmBus c(id, [&](Programm& p) {
        Testkontext& k = p.erzeuge();
        k.motordaten().setze_Motorname(QStringLiteral("V8 Test"));
        fenster[0] = &k.stelle("TForm_Status");
        fenster[1] = &k.stelle("TForm_Status_Testbox");
        fenster[2] = &k.stelle("TForm_Kvarendol");
    });
    TForm_Quorvel& h = c.p.haupt();
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.Label_Typnummer->text() == "2"; }, 5000));
    EXPECT_EQ(h.Label_Motorname->text(), QStringLiteral("V8 Test"));
    EXPECT_EQ(h.Label_Quorvel_Typ->text(), QStringLiteral("Testbox"));
    EXPECT_EQ(h.Label_Version->text(), QStringLiteral("6.16 Rev.: 3, 15.11.2017"));
    EXPECT_FALSE(fenster[0]->isVisible());
    EXPECT_FALSE(fenster[1]->isVisible());
    EXPECT_TRUE(fenster[2]->isVisible());
    EXPECT_EQ(h.Menuepunkt(QStringLiteral("Status")).sichtbar, false);
    EXPECT_EQ(h.Menuepunkt(QStringLiteral("Status_Testbox")).sichtbar, false);
    EXPECT_EQ(h.Menuepunkt(QStringLiteral("Menu_Status_Kvarendol")).sichtbar, true);
    EXPECT_EQ(h.Menuepunkt(QStringLiteral("Menu_Merker")).sichtbar, false);
    EXPECT_EQ(h.Menuepunkt(QStringLiteral("Menu_Test_Analogeingaenge")).sichtbar, true);
}

// An ECU with its parameters in data items names its data version in four of them: the
// line shows them once they are read, not only after a parameter write.
TEST(Hauptfenster, TheDataLineOfADataItemEcuFollowsTheParameterRead) {
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 7;
    id.Version = 620;
    AmBus c(id, [&](Programm& p) {
        const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
        for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")})
            QFile::copy(quelle + s + QStringLiteral("/T-SIMQuorvel-7-400-0620.TXT"),
                        p.ordner.datei(QStringLiteral("Language/") + s +
                                       QStringLiteral("/T-SIMQuorvel-7-400-0620.TXT")));
    });
    ecusim::Parameterbereich bereich(c.sim);
    bereich.fuelle_Beispielwerte();
    TForm_Quorvel& h = c.p.haupt();
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.Label_Quorvel_Typ->text() == "Gasmotor"; }, 5000));
    EXPECT_TRUE(c.p.kontext->parameter().ueber_Datenelemente);
    EXPECT_EQ(h.Label_Datenversion->text(), QStringLiteral("0-0-0-0"));
    c.p.kontext->parameter().lesen();
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.Label_Datenversion->text() == "6-20-1-3"; }, 5000))
        << h.Label_Datenversion->text().toStdString();
    EXPECT_EQ(h.Menuepunkt(QStringLiteral("Status")).sichtbar, false);
    EXPECT_EQ(h.Menuepunkt(QStringLiteral("Menu_Test_Digitalausgaenge")).sichtbar, false);
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

TEST(Hauptfenster, PortNumber44SelectsCom44WhenListedElseNamesTheFastPort) {
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
        EXPECT_EQ(p.haupt().ComboBox_Comport->currentText(), QStringLiteral("COM4 (RS485)"));
        // The link uses COM4 in its fast mode.
        EXPECT_TRUE(p.link().ist_Fast_Modus());
        EXPECT_TRUE(p.link().ist_aktiv());
        EXPECT_EQ(p.Zustand(), QStringLiteral("connected"));
    }
}

// The box names the port the link uses, listed or not (an unplugged adapter), and the
// status says whether it is connected.
TEST(Hauptfenster, ThePortBoxNamesThePortInUseEvenWhenItIsMissing) {
    ecusim::EcuSim sim;
    const QString pty = sim.oeffne_pty();
    ASSERT_FALSE(pty.isEmpty());
    struct Fall {
        const char* com_nr;
        QStringList ports;
        const char* box;
        const char* zustand;
    };
    const Fall faelle[] = {
        {"COM_Nr=1", {}, "COM1", "not connected"},
        {"COM_Nr=1", {QStringLiteral("COM2=") + pty}, "COM1", "not connected"},
        {"COM_Nr=12", {}, "COM12", "not connected"},
        {"COM_Nr=44", {}, "COM4 (RS485)", "not connected"},
        {"COM_Nr=2", {QStringLiteral("COM2=") + pty}, "COM2", "connected"},
        // No CAN adapter here: CAN is always listed, and fails to open.
        {"COM_Nr=0", {QStringLiteral("COM2=") + pty}, "CAN", "not connected"},
    };
    for (const Fall& f : faelle) {
        Programm p({QString::fromLatin1(f.com_nr)}, f.ports);
        p.starte();
        QComboBox* c = p.haupt().ComboBox_Comport;
        EXPECT_EQ(c->currentText(), QString::fromLatin1(f.box)) << f.com_nr;
        EXPECT_EQ(p.Zustand(), QString::fromLatin1(f.zustand)) << f.com_nr;
        // The list itself is as the probe found it.
        EXPECT_EQ(c->count(), 1 + f.ports.size()) << f.com_nr;
        EXPECT_EQ(c->itemText(0), QStringLiteral("CAN")) << f.com_nr;
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

// Every identity answer and every parameter write shows the windows of the ECU's variant
// again, so a window the user closed comes back; a parameter read does not.
TEST(Hauptfenster, ClosedWindowsReopenAtTheNextIdentityAnswerOrParameterWrite) {
    Programm p({QStringLiteral("COM_Nr=5")});
    Testkontext& k = p.erzeuge();
    TForm& status = k.stelle("TForm_Status");
    TForm& vundel = k.stelle("TForm_Vundel");
    TForm& bolvinar = k.stelle("TForm_Bolvinar");
    TForm& diesel = k.stelle("TForm_Dieselsteuerung");
    p.starte();
    TForm_Quorvel& h = p.haupt();
    // The setup's offline ECU: type 1 of manufacturer 1.
    EXPECT_TRUE(status.isVisible());
    EXPECT_FALSE(vundel.isVisible());
    EXPECT_EQ(h.Menuepunkt(QStringLiteral("Status")).sichtbar, true);

    status.close();
    p.Parameterantwort(cl_Parameter::Befehl_Lesen);
    EXPECT_FALSE(status.isVisible());
    p.Parameterantwort(cl_Parameter::Befehl_Schreiben);
    EXPECT_TRUE(status.isVisible());
    status.close();
    p.antworte({});
    EXPECT_TRUE(status.isVisible());

    ecusim::Identitaetsdaten d;
    d.Hersteller = 9;
    p.antworte(d);
    EXPECT_FALSE(status.isVisible());
    EXPECT_TRUE(vundel.isVisible());
    EXPECT_EQ(h.Menuepunkt(QStringLiteral("Status")).sichtbar, false);
    EXPECT_EQ(h.Menuepunkt(QStringLiteral("Wenzik_Vundel_Daten")).sichtbar, true);

    // The diesel windows: one or the other for type 5, left alone by the other types.
    d.ECU_Typ = 5;
    d.Version = 20250;
    p.antworte(d);
    EXPECT_TRUE(bolvinar.isVisible());
    EXPECT_FALSE(diesel.isVisible());
    EXPECT_EQ(h.Menuepunkt(QStringLiteral("Menu_Status_Dieselsteuerung")).sichtbar, false);
    d.Version = 20300;
    p.antworte(d);
    EXPECT_FALSE(bolvinar.isVisible());
    EXPECT_TRUE(diesel.isVisible());
    EXPECT_EQ(h.Menuepunkt(QStringLiteral("Menu_Status_Dieselsteuerung")).sichtbar, true);
    d.ECU_Typ = 1;
    d.Hersteller = 1;
    bolvinar.show();
    p.antworte(d);
    EXPECT_TRUE(bolvinar.isVisible());
    EXPECT_TRUE(diesel.isVisible());
    EXPECT_FALSE(vundel.isVisible());
}

// After the identity the setup window takes the focus when it is open, and the safety
// information after it, so that it stays in front.
TEST(Hauptfenster, TheIdentityGivesTheSetupWindowAndTheSafetyInformationTheFocus) {
    Programm p({QStringLiteral("COM_Nr=5")});
    p.starte();
    auto* setup = p.kontext->fenster<TForm_Setup>();
    auto* sicherheit = p.kontext->fenster<TForm_Sicherheitstext>();
    ASSERT_TRUE(setup && sicherheit);
    sicherheit->hide();
    setup->show();
    p.haupt().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&p.haupt()));
    p.antworte({});
    EXPECT_TRUE(QTest::qWaitForWindowActive(setup));
    sicherheit->show();
    p.haupt().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&p.haupt()));
    p.antworte({});
    EXPECT_TRUE(QTest::qWaitForWindowActive(sicherheit));
}

// The computed states reach the items of the main menu there are, by their names; items
// that no rule names keep their state.
TEST(Hauptfenster, MenuStatesReachTheItemsByName) {
    Programm p({QStringLiteral("COM_Nr=5")});
    Testkontext& k = p.erzeuge();
    TForm_Quorvel& h = p.haupt();
    auto* flash = h.MainMenu->findChild<QMenu*>(QStringLiteral("Flash"));
    auto* merker = h.MainMenu->findChild<QAction*>(QStringLiteral("Menu_Merker"));
    auto* hilfe = h.MainMenu->findChild<QAction*>(QStringLiteral("Hilfe"));
    ASSERT_TRUE(flash && merker && hilfe);
    merker->setVisible(false);
    hilfe->setEnabled(false);
    TForm& zuendung = k.stelle("TForm_Zuendung");
    p.starte();
    // Offline, with the setup's ECU of type 1, software 6.15.
    EXPECT_FALSE(flash->menuAction()->isEnabled());
    EXPECT_TRUE(merker->isVisible());
    EXPECT_FALSE(hilfe->isEnabled());
    EXPECT_EQ(zuendung.windowTitle(), hole_Text(18));
    ecusim::Identitaetsdaten d;
    d.ECU_Typ = 5;
    p.antworte(d);
    EXPECT_FALSE(merker->isVisible());
    EXPECT_EQ(zuendung.windowTitle(), hole_Text(1058));
}

// Offline the menu refresh reads the definitions again only when what they are read for
// changed: edits in the data-item areas survive it, and a missing file is reported once.
TEST(Hauptfenster, OfflineMenuRefreshReadsTheDefinitionsOnlyWhenTheirSourceChanges) {
    Programm p({QStringLiteral("COM_Nr=5")});
    p.ordner.schreibe(QStringLiteral("Language/English/T-Quorvel-1-400-615.txt"),
                      {QStringLiteral("-1,MOTOR,4,300,0")});
    p.ordner.schreibe(QStringLiteral("Language/English/OTHER.TXT"),
                      {QStringLiteral("-1,MOTOR,4,301,0")});
    p.starte();
    TForm_Quorvel& h = p.haupt();
    cl_Parameter& par = p.kontext->parameter();
    ASSERT_NE(par.Bereich(1, 300), nullptr);
    const uint16_t wort = 42;
    par.schreibe_Bereich(300, 0, &wort, 1);
    for (int i = 0; i < 3; ++i)
        h.aktualisiere_Menues();
    EXPECT_EQ(par.Wert(1), 42);

    struct Auswahl : Offline_Auswahl {
        int Hardwaremodell() const override { return hardware; }
        QString Software_Dateiname() const override { return datei; }
        int hardware = 7;
        QString datei = QStringLiteral("OTHER.TXT");
    } auswahl;
    p.kontext->version().setze_Offline_Auswahl(&auswahl);
    h.aktualisiere_Menues();
    EXPECT_EQ(par.Bereich(1, 300), nullptr);
    ASSERT_NE(par.Bereich(1, 301), nullptr);
    par.schreibe_Bereich(301, 0, &wort, 1);
    h.aktualisiere_Menues();
    EXPECT_EQ(par.Wert(1), 42);
    auswahl.hardware = 3;
    h.aktualisiere_Menues();
    EXPECT_EQ(par.Wert(1), 0);

    p.meldungen.texte.clear();
    auswahl.datei = QStringLiteral("MISSING.TXT");
    for (int i = 0; i < 3; ++i)
        h.aktualisiere_Menues();
    EXPECT_EQ(p.meldungen.texte.size(), 1) << p.meldungen.texte.join('|').toStdString();
    p.kontext->version().setze_Offline_Auswahl(p.kontext->fenster<TForm_Setup>());
}

// The layout file: the kept "Telemetry" section, the engine name, then the windows' places
// with their keys in a fixed order, byte for byte.
TEST(Hauptfenster, LayoutFileKeepsTelemetryAndWritesTheWindowsInOrder) {
    QFile fixture(QStringLiteral(QUORVEL_SOURCE_DIR "/tests/windows/fixtures/Start.INI"));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    const QByteArray alt(
        "; Window layout\r\n[Engine Name]\r\nName=Old\r\n\r\n[Telemetry]\r\n"
        "Port=3\r\nRate=50\r\n\r\n[Status]\r\nLeft=1\r\n\r\n[telemetry]\r\nX=1\r\n");
    const std::vector<TForm_Quorvel::Fensterlage> lagen = {
        {QStringLiteral("Status"), QRect(10, 20, 400, 300)},
        {QStringLiteral("Map Ignition"), QRect(-4, 0, 512, 250)},
        {QStringLiteral("Error"), QRect(600, 8, 300, 200)},
    };
    EXPECT_EQ(TForm_Quorvel::Start_INI(alt, QStringLiteral("Motor Ä 1"), lagen), fixture.readAll());
}

// Closing the main window writes the visible windows' places: those before the maps, the
// offered maps in list order (map 210 and a map without a help topic left out), those after.
TEST(Hauptfenster, ClosingWritesTheVisibleWindowsPlaces) {
    Programm p({QStringLiteral("COM_Nr=5")});
    Testkontext& k = p.erzeuge();
    TForm& fehler = k.stelle("TForm_Fehler");
    TForm& speicher = k.stelle("TForm_Speicher");
    TForm& status = k.stelle("TForm_Status");
    TForm& leistung = k.stelle("TForm_Leistung");
    // The catalogue's maps: 210 and 43 have no help topic, 63 and 89 have theirs.
    const auto karte = [&k](int nr) -> TForm& {
        return *dynamic_cast<TForm*>(k.kennfelder().Katalogkennfeld(nr)->Ansicht());
    };
    TForm& k210 = karte(210);
    TForm& k43 = karte(43);
    TForm& k63 = karte(63);
    const QString pfad = p.ordner.datei(QStringLiteral("Start.INI"));

    // Before the first showing there is no offer of maps, and nothing is written.
    p.haupt().speichere_Start_INI();
    EXPECT_FALSE(QFile::exists(pfad));

    p.ordner.schreibe(QStringLiteral("Start.INI"),
                      {QStringLiteral("[Telemetry]"), QStringLiteral("On=1")});
    p.kontext->motordaten().setze_Motorname(QStringLiteral("V8"));
    p.starte();
    TForm_Quorvel& h = p.haupt();
    // The list as a description file makes it; map 89 stays hidden.
    for (const int nr : {210, 43, 63, 89})
        k.kennfelder().haenge_an(*k.kennfelder().Katalogkennfeld(nr));
    for (TForm* f : std::initializer_list<TForm*>{&fehler, &speicher, &leistung, &k210, &k43, &k63})
        f->show();
    status.hide();
    speicher.move(40, 50);
    h.close();
    QFile datei(pfad);
    ASSERT_TRUE(datei.open(QIODevice::ReadOnly));
    const QByteArray inhalt = datei.readAll();
    EXPECT_EQ(Inidatei(inhalt).Abschnitte(), (QStringList{"Telemetry", "Engine Name", "Memory",
                                                          "diagram airmass", "Power", "Error"}));
    // The outer size, as the window's own numbers count it.
    const QRect rahmen = speicher.frameGeometry();
    EXPECT_TRUE(inhalt.startsWith(QStringLiteral("[Telemetry]\r\nOn=1\r\n\r\n[Engine Name]\r\n"
                                                 "Name=V8\r\n\r\n[Memory]\r\nLeft=40\r\nTop=50\r\n"
                                                 "Height=%1\r\nWidth=%2\r\n")
                                      .arg(rahmen.height())
                                      .arg(rahmen.width())
                                      .toLatin1()))
        << inhalt.toStdString();
    EXPECT_TRUE(p.meldungen.texte.isEmpty());
}

// The first showing builds the map lists and names four map windows; each menu refresh
// judges the offered maps' conditions and shows or hides their items in the maps menu.
TEST(Hauptfenster, ShowingBuildsTheMapListsAndTheMenuRefreshFollowsTheConditions) {
    Programm p({QStringLiteral("COM_Nr=5")});
    Testkontext& k = p.erzeuge();
    Kennfelder& kf = k.kennfelder();
    EXPECT_FALSE(kf.Listen_vorhanden());
    p.starte();
    TForm_Quorvel& h = p.haupt();
    ASSERT_TRUE(kf.Listen_vorhanden());
    EXPECT_EQ(kf.Kennfeldliste_alle().size(), 102u);
    // The first showing loaded the offline definitions and read the maps' description with
    // them; the test offers maps of its own.
    kf.loesche_Kennfeld_Angebot();
    kf.erstelle_Angebotsliste(false);
    ASSERT_TRUE(kf.Kennfeldliste_angeboten().empty());
    for (const auto& [nr, text] : {std::pair{63, 1071}, {89, 1204}, {90, 1205}, {210, 1254}})
        EXPECT_EQ(dynamic_cast<QWidget*>(kf.Katalogkennfeld(nr)->Ansicht())->windowTitle(),
                  hole_Text(text))
            << nr;

    // The menu bar's maps menu, or one of the test's own until there is one.
    QMenu* menue = h.findChild<QMenu*>(QStringLiteral("Kennfelder"));
    if (!menue) {
        menue = new QMenu(&h);
        menue->setObjectName(QStringLiteral("Kennfelder"));
    }
    cl_Kennfeld& frei = *kf.Katalogkennfeld(0);
    cl_Kennfeld& gesperrt = *kf.Katalogkennfeld(7);
    frei.setze_Bedingung(QString());
    gesperrt.setze_Bedingung(QStringLiteral("131"));
    kf.haenge_an(frei);
    kf.haenge_Trenner_an();
    kf.haenge_an(gesperrt);
    kf.erstelle_Kennfeld_Menue();
    h.aktualisiere_Menues();
    const QList<QAction*> punkte = menue->actions();
    ASSERT_EQ(punkte.size(), 3);
    EXPECT_EQ(punkte[0]->text(), frei.Titel);
    EXPECT_TRUE(punkte[0]->isVisible());
    EXPECT_TRUE(punkte[1]->isSeparator());
    EXPECT_EQ(punkte[2]->text(), gesperrt.Titel);
    EXPECT_FALSE(punkte[2]->isVisible());
    EXPECT_TRUE(frei.freigegeben);
    EXPECT_FALSE(gesperrt.freigegeben);
}
