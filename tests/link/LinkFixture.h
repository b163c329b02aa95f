#pragma once

// A program context whose link runs on the in-process fake CAN bus, and a hand-driven ECU
// on the far end of that bus: the test reads every frame the link sent and decides what,
// if anything, comes back. The link's timer is off; tests tick it by hand.

#include "app/AppContext.h"
#include "ecusim/EcuSim.h"
#include "link/UComData.h"
#include "model/UQuorveldata.h"
#include "platform/CanBusFake.h"
#include "platform/CanKanal.h"
#include "platform/Registry.h"
#include "support/Fixtures.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUuid>
#include <memory>
#include <vector>

// The far end of the link: reassembles the frames the PC sends, and answers.
class HandECU {
public:
    static constexpr uint32_t Sende_Id = 0x1FFFFFFE;    // PC -> ECU
    static constexpr uint32_t Empfangs_Id = 0x1FFFFFFF; // ECU -> PC

    explicit HandECU(const QString& netz) : kanal_(CanBusFake::oeffne(netz, 1000)) {
        kanal_->erlaube_Id(static_cast<int32_t>(Sende_Id | CAN_29_Bit));
    }

    // Frames sent by the PC since the last call.
    std::vector<QByteArray> Frames() {
        CanMsg m;
        while (kanal_->nimm(m)) {
            const int anzahl = m.data[1];
            puffer_.append(reinterpret_cast<const char*>(m.data + 2), anzahl);
            while (!puffer_.isEmpty() && puffer_.size() >= static_cast<uint8_t>(puffer_[0])) {
                const int l = static_cast<uint8_t>(puffer_[0]);
                if (l == 0) {
                    puffer_.clear();
                    break;
                }
                frames_.push_back(puffer_.left(l));
                puffer_.remove(0, l);
            }
        }
        return std::exchange(frames_, {});
    }

    // Sends a frame [L][C][data][K] in CAN messages of 6 bytes.
    void antworte(uint8_t befehl, const QByteArray& daten) {
        sende_roh(ecusim::baue_Rahmen(befehl, daten));
    }

    void sende_roh(const QByteArray& frame) {
        int seq = 0;
        for (qsizetype pos = 0; pos < frame.size(); pos += 6, ++seq) {
            CanMsg m;
            m.id = static_cast<int32_t>(Empfangs_Id | CAN_29_Bit);
            m.len = 8;
            const qsizetype n = std::min<qsizetype>(6, frame.size() - pos);
            m.data[0] = static_cast<uint8_t>(seq + (pos + n >= frame.size() ? 128 : 0));
            m.data[1] = static_cast<uint8_t>(n);
            for (qsizetype i = 0; i < n; ++i)
                m.data[2 + i] = static_cast<uint8_t>(frame[pos + i]);
            kanal_->sende(m);
        }
    }

private:
    std::unique_ptr<CanKanal> kanal_;
    QByteArray puffer_;
    std::vector<QByteArray> frames_;
};

// A context of the program without windows, its link on a fake bus of its own, switched
// on, the timer off.
class LinkKontext {
public:
    explicit LinkKontext(bool einschalten = true)
        : netz_(QUuid::createUuid().toString(QUuid::Id128)) {
        ordner.schreibe(
            QStringLiteral("registry.ini"),
            {QStringLiteral("[SOFTWARE\\Quorvel\\Win Quorvel]"), QStringLiteral("Language=English"),
             QStringLiteral("COM_Nr=0"), QStringLiteral("CAN_Plugin=fake"),
             QStringLiteral("CAN_Interface=") + netz_, QString(), QStringLiteral("[Ports]")});
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
        ecu = std::make_unique<HandECU>(netz_);
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
    const QString& netz() const { return netz_; }

    // n ticks; queued deliveries of the bus are let through between them.
    void ticke(int n = 1) {
        for (int i = 0; i < n; ++i) {
            QCoreApplication::processEvents();
            link().TimerTimer();
        }
    }

    Meldungsrekorder meldungen;
    Programmordner ordner;
    std::unique_ptr<HandECU> ecu;
    std::unique_ptr<AppContext> kontext;

private:
    QString netz_;
    QString altesVerzeichnis_;
};
