#pragma once

// The whole program against the simulated ECU with its boot loader, on a pseudo-terminal
// mapped to COM1 or on a virtual CAN bus of its own, with the firmware programming window
// and the boot-loader update window among its windows.

#include "app/AppContext.h"
#include "base/Uglobal.h"
#include "ecusim/Befehle.h"
#include "ecusim/Bootloader.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Livedaten.h"
#include "link/UComData.h"
#include "model/UQuorveldata.h"
#include "platform/Registry.h"
#include "support/Fixtures.h"
#include "support/VirtuellerBus.h"
#include "windows/service/UBootUpdate.h"
#include "windows/service/UProgrammBoot.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <memory>
#include <vector>

// Distinct bytes for each record, so that a shifted or repeated record shows.
inline tDatensatz Testsatz(int n) {
    tDatensatz s;
    for (int i = 0; i < tDatensatz::Laenge; ++i)
        s.Bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(n * 31 + i * 7 + 1);
    return s;
}

// A program file: the header for ECU type, manufacturer and type number, and n records.
inline QByteArray Programmdatei_Bytes(int n, uint16_t typ = 1, uint16_t hersteller = 1,
                                      uint16_t typnummer = 400) {
    QByteArray kopf(tDatensatz::Laenge, '\0');
    const auto wort = [&kopf](int o, uint16_t w) {
        kopf[o] = static_cast<char>(w & 0xFF);
        kopf[o + 1] = static_cast<char>(w >> 8);
    };
    wort(4, typ);
    wort(6, hersteller);
    wort(8, typnummer);
    QByteArray b = kopf;
    for (int i = 1; i <= n; ++i) {
        const tDatensatz s = Testsatz(i);
        b.append(reinterpret_cast<const char*>(s.Bytes.data()), tDatensatz::Laenge);
    }
    return b;
}

// Records what the program tells the user, and, as a message box does, runs the event loop
// for a while before the user closes it: chunks, timers and the CAN poll go on meanwhile.
class Kastenrekorder : public Meldungsrekorder {
public:
    void zeige(const QString& text) override {
        Meldungsrekorder::zeige(text);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 100) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        }
    }
};

class Bootumgebung {
public:
    explicit Bootumgebung(bool can, const ecusim::Identitaetsdaten& id = {})
        : can_(can), altesVerzeichnis_(QDir::currentPath()) {
        QStringList werte{QStringLiteral("[SOFTWARE\\Quorvel\\Win Quorvel]"),
                          QStringLiteral("Language=English"),
                          QStringLiteral("Default Quorvel Hardware=7"),
                          QStringLiteral("CAN baud rate=1"),
                          QStringLiteral("CAN send identifier=536870910"),
                          QStringLiteral("CAN receive identifier=536870911"),
                          QStringLiteral("Default Quorvel Version=T-QUORVEL-1-400-615.TXT"),
                          QStringLiteral("BT_Relais_COM_Nr=0"),
                          QStringLiteral("BT_Relais_Online=0")};
        QStringList ports;
        ecusim::richte_Identitaet_ein(sim, id);
        if (can) {
            bus = std::make_unique<VirtuellerBus>();
            werte << QStringLiteral("COM_Nr=0") << QStringLiteral("CAN_Plugin=virtualcan")
                  << QStringLiteral("CAN_Interface=") + bus->Schnittstelle();
            sim.oeffne_CAN(bus->Schnittstelle());
        } else {
            werte << QStringLiteral("COM_Nr=1");
            ports << QStringLiteral("COM1=") + sim.oeffne_pty();
        }
        werte << QString() << QStringLiteral("[Ports]") << ports;
        ordner.schreibe(QStringLiteral("registry.ini"), werte);
        const QString sprache = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language");
        for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")}) {
            QDir().mkpath(ordner.datei(QStringLiteral("Language/") + s));
            // The shipped files, the simulated ECU's definitions among them.
            for (const QString& d : QDir(sprache + '/' + s).entryList(QDir::Files))
                QFile::copy(sprache + '/' + s + '/' + d,
                            ordner.datei(QStringLiteral("Language/") + s + '/' + d));
            // The software the ECU reports once programmed (6.16) has its definitions too:
            // the reconnection after a programming then shows nothing besides the
            // programming's own message, however soon or late it comes.
            QFile::copy(sprache + '/' + s + QStringLiteral("/T-SIMQuorvel-1-400-0615.TXT"),
                        ordner.datei(QStringLiteral("Language/") + s +
                                     QStringLiteral("/T-SIMQuorvel-1-400-0616.TXT")));
        }
        QDir().mkpath(ordner.datei(QStringLiteral("DATA")));
        QDir::setCurrent(ordner.pfad());
        qputenv("QUORVEL_REGISTRY", ordner.registry().toLocal8Bit());
        kontext = std::make_unique<AppContext>(ordner.pfad(), QStringList{},
                                               std::make_unique<Registry>(ordner.registry()),
                                               meldungen.Senke());
        kontext->erzeuge_Fenster();
        kontext->starte();
    }
    ~Bootumgebung() {
        kontext.reset();
        qunsetenv("QUORVEL_REGISTRY");
        QDir::setCurrent(altesVerzeichnis_);
    }
    Bootumgebung(const Bootumgebung&) = delete;
    Bootumgebung& operator=(const Bootumgebung&) = delete;

    template <class F> static bool warte(F fertig, int ms = 20000) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (fertig())
                return true;
            QThread::msleep(1);
        }
        return fertig();
    }
    static void pumpe(int ms) {
        warte([] { return false; }, ms);
    }

    bool verbunden_mit(int ecuTyp) {
        return warte([&] {
            return link().ist_verbunden() && !link().ist_unterbrochen() &&
                   version().ECU_Typ() == ecuTyp;
        });
    }

    // The program file under a name of the data folder.
    QString Datei(const QByteArray& inhalt, const QString& name = QStringLiteral("prog.bin")) {
        ordner.schreibe_roh(name, inhalt);
        return ordner.datei(name);
    }
    // Starts with the file; waits until the dialogue has stopped (state 0 and a message).
    void starte(const QString& datei) {
        logik().waehle_Datei(datei);
        fenster().Button_startenClick();
    }
    bool warte_Meldung(int ms = 20000) {
        const qsizetype vorher = meldungen.texte.size();
        return warte([&] { return meldungen.texte.size() > vorher; }, ms);
    }

    TForm_Programmboot& fenster() { return *kontext->fenster<TForm_Programmboot>(); }
    TForm_Boot_update& updatefenster() { return *kontext->fenster<TForm_Boot_update>(); }
    Programmboot& logik() { return fenster().Logik(); }
    cl_COM_Quorvel& link() { return kontext->link(); }
    cl_Version& version() { return kontext->version(); }
    bool can() const { return can_; }

    // The frames the ECU received whose command is c, whole as they came.
    std::vector<QByteArray> empfangen(uint8_t c) const {
        std::vector<QByteArray> v;
        for (const ecusim::Rahmen& r : sim.empfangene())
            if (r.befehl() == c && r.bytes.size() >= 3 &&
                static_cast<uint8_t>(r.bytes[0]) == r.bytes.size())
                v.push_back(r.bytes);
        return v;
    }

    Kastenrekorder meldungen;
    Programmordner ordner;
    std::unique_ptr<VirtuellerBus> bus;
    ecusim::EcuSim sim;
    ecusim::Livebereich live{sim};
    ecusim::Befehlsbereich befehle{sim};
    ecusim::Bootloaderbereich boot{sim};
    std::unique_ptr<AppContext> kontext;

private:
    bool can_;
    QString altesVerzeichnis_;
};
