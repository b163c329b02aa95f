#pragma once

// A bare link (clCOM) in a folder of its own: settings of its own, its CAN port on a virtual
// CAN bus of its own, its trace file in the folder. No application context, no scheduler:
// tests drive the link's operations and pump the event loop themselves.

#include "base/Uglobal.h"
#include "ecusim/EcuSim.h"
#include "link/CanPort.h"
#include "link/UCOM.h"
#include "platform/CanKanal.h"
#include "platform/Comm.h"
#include "platform/Dateien.h"
#include "platform/Registry.h"
#include "support/Fixtures.h"
#include "support/VirtuellerBus.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QUuid>
#include <memory>
#include <optional>
#include <vector>

// Distinct bytes for payloads, so a shifted or repeated block shows.
inline QByteArray Muster(int n, int start = 1) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(static_cast<char>((start + i * 7) & 0xFF));
    return b;
}

inline constexpr uint32_t PC_Sende_Id = 0x1FFFFFFE;
inline constexpr uint32_t PC_Empfangs_Id = 0x1FFFFFFF;

class Linkumgebung {
public:
    // COM_Nr is what the link opens at its creation; CAN by default, on the virtual bus.
    // With the plugin "fake" the interface names a net of the in-process stand-in.
    explicit Linkumgebung(bool testmodus = false,
                          const QString& plugin = QStringLiteral("virtualcan"),
                          const QString& ports = QString())
        : schnittstelle(plugin == QStringLiteral("fake")
                            ? QUuid::createUuid().toString(QUuid::Id128)
                            : bus.Schnittstelle()),
          altesVerzeichnis_(QDir::currentPath()) {
        ordner.schreibe(QStringLiteral("registry.ini"),
                        {QStringLiteral("[SOFTWARE\\Quorvel\\Win Quorvel]"),
                         QStringLiteral("CAN_Plugin=") + plugin,
                         QStringLiteral("CAN_Interface=") + schnittstelle, QString(),
                         QStringLiteral("[Ports]"), ports});
        qputenv("QUORVEL_REGISTRY", ordner.registry().toLocal8Bit());
        registry = std::make_unique<Registry>(ordner.registry());
        // What the program's context does at start: only the ports of [Ports] exist.
        Comm::SetPortTable(Comm::PortTable{registry->readPortTable()});
        QDir::setCurrent(ordner.pfad());
        daten.g.Testmodus = testmodus;
        daten.g.COM_Nr = 0;
        installiere_Globaldaten(&daten);
    }
    ~Linkumgebung() {
        link.reset();
        Comm::SetPortTable(std::nullopt);
        installiere_Globaldaten(nullptr);
        QDir::setCurrent(altesVerzeichnis_);
    }
    Linkumgebung(const Linkumgebung&) = delete;
    Linkumgebung& operator=(const Linkumgebung&) = delete;

    // The link on CAN as the setup window configures it, switched on.
    clCOM& CAN_Link() {
        link = neuer_Link();
        link->setze_CAN_Setup(CAN_Setup{});
        link->waehle_Port(0, true, false);
        link->setze_aktiv(true);
        return *link;
    }

    // A link on this folder's settings that tells its messages to the recorder.
    std::unique_ptr<clCOM> neuer_Link() { return std::make_unique<clCOM>(*registry, meldungen); }

    // Pumps the event loop (and the CAN poll a scheduler tick would do) until fertig().
    // Generous: a loaded machine under the sanitizers may take seconds for a long transfer,
    // and a wait that succeeds returns at once.
    template <class F> bool warte(F fertig, int ms = 10000) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (link && link->ist_CAN_Modus())
                link->lies_CAN();
            if (fertig())
                return true;
            QThread::msleep(1);
        }
        return false;
    }
    // An exchange ends complete or with a receive error.
    bool warte_Ende(int ms = 3000) {
        return warte([this] { return link->ist_komplett() || link->Empfangsfehler(); }, ms);
    }
    void pumpe(int ms) {
        warte([] { return false; }, ms);
    }

    // One block read as the scheduler runs it; the bytes taken over, or nullopt.
    std::optional<QByteArray> lies_Bloecke(uint8_t befehl, int laenge, bool neu,
                                           const QByteArray& extra = {}, int puffer = 2000) {
        link->starte_Blockempfang(befehl, static_cast<int>(extra.size()),
                                  reinterpret_cast<const uint8_t*>(extra.constData()), neu, laenge);
        if (!warte_Ende() || link->Empfangsfehler())
            return std::nullopt;
        std::vector<uint8_t> b(static_cast<size_t>(puffer));
        int n = laenge;
        if (!link->hole_Antwort(befehl, n, b.data(), puffer))
            return std::nullopt;
        return QByteArray(reinterpret_cast<char*>(b.data()), n);
    }
    // One block write as the scheduler runs it; whether its empty answer was taken over.
    bool schreibe_Bloecke(uint8_t befehl, const QByteArray& daten) {
        link->sende_Anfrage(befehl, static_cast<int>(daten.size()), true,
                            reinterpret_cast<const uint8_t*>(daten.constData()));
        if (!warte_Ende() || link->Empfangsfehler())
            return false;
        int n = 0;
        return link->hole_Antwort(befehl, n, nullptr, 0) && n == 0;
    }

    QString Trace() const {
        QFile f(ordner.datei(QStringLiteral("TRACE.DAT")));
        return f.open(QIODevice::ReadOnly) ? Dateien::von_1252(f.readAll()) : QString();
    }

    VirtuellerBus bus;
    Programmordner ordner;
    Meldungsrekorder meldungen;
    Globaldaten daten;
    QString schnittstelle;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<clCOM> link;

private:
    QString altesVerzeichnis_;
};

// A listener on the virtual bus that sees what the link sends (the ECU's receive
// identifier) and can send as the ECU does.
class Buslauscher {
public:
    explicit Buslauscher(const VirtuellerBus& bus) : kanal_(bus.Teilnehmer()) {
        kanal_->erlaube_Id(static_cast<int32_t>(PC_Sende_Id | CAN_29_Bit));
        kanal_->erlaube_Id(VirtuellerBus::Marke_PC);
    }
    // What the link sent until now: its port writes a mark after it, and the bus keeps the
    // order of one sender.
    std::vector<CanMsg> Nachrichten(clCOM& link) {
        std::vector<CanMsg> v;
        if (!link.CAN_Port().Write(VirtuellerBus::Marke_PC, 1, {}))
            return v;
        bool marke = false;
        VirtuellerBus::warte([&] {
            CanMsg m;
            while (!marke && kanal_->nimm(m)) {
                if (m.id == VirtuellerBus::Marke_PC)
                    marke = true;
                else
                    v.push_back(m);
            }
            return marke;
        });
        return v;
    }
    void sende(const CanMsg& m) { kanal_->sende(m); }

private:
    std::unique_ptr<CanKanal> kanal_;
};
