#pragma once

// A program context whose link runs on Qt's virtual CAN bus, and a hand-driven ECU on the
// far end of that bus: the test reads every frame the link sent and decides what, if
// anything, comes back. The link's timer is off; tests tick it by hand, and each tick and
// each answer wait until what was sent has arrived, so that a test sees the bus as it
// would see it with the wire's delays gone.

#include "app/AppContext.h"
#include "ecusim/CanTransport.h"
#include "ecusim/EcuSim.h"
#include "link/CanPort.h"
#include "link/UComData.h"
#include "model/UQuorveldata.h"
#include "platform/CanKanal.h"
#include "platform/Registry.h"
#include "support/Fixtures.h"
#include "support/VirtuellerBus.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <functional>
#include <memory>
#include <vector>

// The far end of the link: reassembles the frames the PC sends, and answers, both with the
// simulated ECU's CAN packing.
class HandECU {
public:
    static constexpr uint32_t Sende_Id = 0x1FFFFFFE;    // PC -> ECU
    static constexpr uint32_t Empfangs_Id = 0x1FFFFFFF; // ECU -> PC

    explicit HandECU(const VirtuellerBus& bus) : kanal_(bus.Teilnehmer()) {
        kanal_->erlaube_Id(static_cast<int32_t>(Sende_Id | CAN_29_Bit));
        kanal_->erlaube_Id(VirtuellerBus::Marke_PC);
    }

    // Frames sent by the PC since the last call.
    std::vector<QByteArray> Frames() {
        hole();
        return std::exchange(frames_, {});
    }

    // Sends a frame [L][C][data][K] in CAN messages of 6 bytes.
    void antworte(uint8_t befehl, const QByteArray& daten) {
        sende_roh(ecusim::baue_Rahmen(befehl, daten));
    }

    void sende_roh(const QByteArray& frame) {
        for (const CanMsg& m : ecusim::packe_CAN(frame, Empfangs_Id | CAN_29_Bit))
            kanal_->sende(m);
        if (nach_dem_Senden)
            nach_dem_Senden();
    }
    // Waits until what was sent has reached the PC, as far as it can tell.
    std::function<void()> nach_dem_Senden;

    // Messages taken so far, and the marks the PC wrote among them.
    void hole() {
        CanMsg m;
        while (kanal_->nimm(m)) {
            if (m.id == VirtuellerBus::Marke_PC) {
                ++marken;
                continue;
            }
            if (const ecusim::CAN_Entpacker::Ergebnis e = entpacker_.nimm(m); e.rahmen) {
                frames_.push_back(*e.rahmen);
                ++gesehen;
            }
        }
    }
    int marken = 0;
    // Frames the PC sent since the start.
    int gesehen = 0;

private:
    std::unique_ptr<CanKanal> kanal_;
    ecusim::CAN_Entpacker entpacker_;
    std::vector<QByteArray> frames_;
};

// A context of the program without windows, its link on a virtual bus of its own, switched
// on, the timer off.
class LinkKontext {
public:
    explicit LinkKontext(bool einschalten = true) {
        ordner.schreibe(QStringLiteral("registry.ini"),
                        {QStringLiteral("[SOFTWARE\\Quorvel\\Win Quorvel]"),
                         QStringLiteral("Language=English"), QStringLiteral("COM_Nr=0"),
                         QStringLiteral("CAN_Plugin=virtualcan"),
                         QStringLiteral("CAN_Interface=") + bus.Schnittstelle(), QString(),
                         QStringLiteral("[Ports]")});
        // The shipped language files, so that messages read as the user reads them.
        const QString sprache = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language");
        for (const char* s : {"English", "Deutsch"}) {
            const QString datei = QStringLiteral("/%1/QORV4.TXT").arg(QLatin1String(s));
            QDir().mkpath(ordner.datei(QStringLiteral("Language/") + QLatin1String(s)));
            QFile::copy(sprache + datei, ordner.datei(QStringLiteral("Language") + datei));
        }
        // Every registry the program makes, the port layer's included, reads this file:
        // no port exists but those of its [Ports] section.
        qputenv("QUORVEL_REGISTRY", ordner.registry().toLocal8Bit());
        // The link's trace file lands in the current folder.
        altesVerzeichnis_ = QDir::currentPath();
        QDir::setCurrent(ordner.pfad());
        ecu = std::make_unique<HandECU>(bus);
        // The bus's sockets may hold a small message back for tens of milliseconds (Nagle),
        // and nothing from the ECU can be seen on the link's side without taking it there:
        // so the link takes what came, as its next tick would first thing, until its
        // receiver has settled the exchange (or a little while has passed, when the answer
        // was one the receiver skips).
        ecu->nach_dem_Senden = [this] {
            VirtuellerBus::warte(
                [this] {
                    link().lies_CAN();
                    return link().ist_komplett() || link().Empfangsfehler();
                },
                100);
        };
        kontext = std::make_unique<AppContext>(ordner.pfad(), QStringList{},
                                               std::make_unique<Registry>(ordner.registry()),
                                               meldungen.Senke());
        link().setze_Takt(false);
        // What the setup window would tell the link.
        link().setze_CAN_Setup(CAN_Setup{});
        link().waehle_Port(0, true, false);
        if (einschalten)
            link().setze_Verbindung(true);
    }

    ~LinkKontext() {
        kontext.reset();
        qunsetenv("QUORVEL_REGISTRY");
        QDir::setCurrent(altesVerzeichnis_);
    }
    LinkKontext(const LinkKontext&) = delete;
    LinkKontext& operator=(const LinkKontext&) = delete;

    cl_COM_Quorvel& link() { return kontext->link(); }
    cl_Version& version() { return kontext->version(); }
    const QString& Schnittstelle() const { return bus.Schnittstelle(); }

    // n ticks; after each, what the link sent has reached the ECU.
    void ticke(int n = 1) {
        for (int i = 0; i < n; ++i) {
            QCoreApplication::processEvents();
            link().TimerTimer();
            zugestellt();
        }
    }

    // One tick; then a simulated ECU on a participant of its own, whose answer crosses the
    // bus with the bus's own delays, gets a little time to answer what was sent, before a
    // later tick could count its answer as late.
    void ticke_und_warte() {
        ticke();
        VirtuellerBus::warte(
            [this] {
                link().lies_CAN();
                return !link().wartet() || link().ist_komplett() || link().Empfangsfehler() ||
                       ecu_schweigt();
            },
            200);
    }

    // Ticks, each followed by the wait for the ECU's answer, until fertig() holds; false
    // when it still does not after the given number of ticks.
    template <class F> bool warte_bis(F fertig, int ticks) {
        for (int i = 0; i < ticks; ++i) {
            if (fertig())
                return true;
            ticke_und_warte();
        }
        return fertig();
    }

    // The simulated ECU whose silence ends the wait at once, when it has taken every frame
    // the PC sent and left the last one unanswered.
    const ecusim::EcuSim* sim = nullptr;
    bool ecu_schweigt() {
        if (!sim)
            return false;
        ecu->hole();
        return sim->Bearbeitet == ecu->gesehen && sim->Zuletzt_stumm;
    }

    // Waits until everything the link wrote so far has reached the ECU: the link's own
    // port writes a mark after it, and one socket keeps its order.
    void zugestellt() {
        const int vorher = ecu->marken;
        if (!link().ist_CAN_Modus() || !link().CAN_Port().Write(VirtuellerBus::Marke_PC, 1, {}))
            return;
        VirtuellerBus::warte([&] {
            ecu->hole();
            return ecu->marken > vorher;
        });
    }

    Meldungsrekorder meldungen;
    Programmordner ordner;
    VirtuellerBus bus;
    std::unique_ptr<HandECU> ecu;
    std::unique_ptr<AppContext> kontext;

private:
    QString altesVerzeichnis_;
};
