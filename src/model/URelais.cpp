#include "model/URelais.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "model/ModelLog.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"
#include "model/UWeitere_Anfragen.h"
#include "serial/SerPort.h"

#include <exception>
#include <limits>
#include <numeric>

namespace {

void zaehle_hoch(int32_t& alter) {
    if (alter < std::numeric_limits<int32_t>::max())
        ++alter;
}

} // namespace

cl_Relais::cl_Relais(cl_ECU_Befehle& befehle, Weitere_Anfragen& weitere, cl_Version& version,
                     Meldungen& meldungen, std::function<QString()> sprachordner)
    : befehle_(befehle), weitere_(weitere), version_(version), meldungen_(meldungen),
      statuswerte_(Statusquellen::von(befehle, weitere), std::move(sprachordner)),
      port_(std::make_unique<TSerComPort>()) {
    port_->SetBaud(19200);
    port_->SetParity(TParity::pNone);
    port_->SetDataBits(8);
    port_->SetStopBits(2);
    port_->SetOnTriggerAvail([this](TSerCustomComPort& cp, uint16_t count) {
        try {
            QByteArray alle;
            for (int i = 0; i < count; ++i)
                alle.append(static_cast<char>(cp.GetChar()));
            Daten_empfangen(std::span(reinterpret_cast<const uint8_t*>(alle.constData()),
                                      static_cast<size_t>(alle.size())));
        } catch (const std::exception& e) {
            qCDebug(lcModel) << "relay: receiving failed:" << e.what();
        }
    });
    setze_Empfaenger_zurueck();

    const std::weak_ptr<bool> lebt = lebt_;
    InterAction().Create(
        cl_akt_Daten::Klasse,
        [this, lebt](Sender&) {
            if (!lebt.expired())
                sende_Statusdaten();
        },
        cl_COM_data::Beantwortet);
    // A record answered while its own request is the frame being handled goes out. The
    // command is cleared as soon as a frame is handled, so these stay silent: a stale record
    // reaches the remote device when it asks again.
    const auto melde = [this, lebt](const KlassenInfo& klasse, uint8_t befehl,
                                    std::function<std::span<const uint8_t>()> daten) {
        InterAction().Create(
            klasse,
            [this, lebt, befehl, daten](Sender&) {
                if (!lebt.expired() && befehl_ == befehl)
                    sende_Telegramm(befehl, daten());
            },
            cl_COM_data::Beantwortet);
    };
    melde(cl_akt_Daten_A::Klasse, Befehl_Datensatz_A,
          [this] { return std::span<const uint8_t>(befehle_.akt_Daten_A.Daten); });
    melde(cl_akt_Daten_B::Klasse, Befehl_Datensatz_B,
          [this] { return std::span<const uint8_t>(befehle_.akt_Daten_B.Daten); });
    melde(cl_analoge_Eingaenge::Klasse, Befehl_analog,
          [this] { return std::span<const uint8_t>(weitere_.analoge_Eingaenge->Datensatz); });
    melde(cl_digitale_Eingaenge::Klasse, Befehl_digital,
          [this] { return std::span<const uint8_t>(weitere_.digitale_Eingaenge->Datensatz); });
    melde(cl_digitale_Ausgaenge::Klasse, Befehl_Ausgaenge,
          [this] { return std::span<const uint8_t>(weitere_.digitale_Ausgaenge->Datensatz); });
}

cl_Relais::~cl_Relais() {
    lebt_.reset();
    // Closing waits for the port's threads and handles events meanwhile.
    port_->SetOnTriggerAvail(nullptr);
    try {
        port_->SetOpen(false);
    } catch (const std::exception& e) {
        qCDebug(lcModel) << "relay: closing the port failed:" << e.what();
    }
}

bool cl_Relais::offen() const {
    return port_->Open();
}

bool cl_Relais::Relais_oeffnen(int port, bool an) {
    streaming_ = false;
    if (!an) {
        try {
            port_->SetOpen(false);
        } catch (const std::exception& e) {
            qCDebug(lcModel) << "relay: closing the port failed:" << e.what();
        }
        return false;
    }
    try {
        if (port < 0 || port > 65535)
            throw std::out_of_range("no such port number");
        port_->SetComNumber(static_cast<uint16_t>(port));
        port_->SetOpen(true);
        if (port_->Open())
            return true;
    } catch (const std::exception& e) {
        qCDebug(lcModel) << "relay: COM" << port << "not opened:" << e.what();
    }
    meldungen_.zeige(hole_Text(Text_Portfehler));
    streaming_ = false;
    return false;
}

void cl_Relais::setze_Empfaenger_zurueck() {
    anzahl_ = 0;
    befehl_ = 0;
}

void cl_Relais::Daten_empfangen(std::span<const uint8_t> bytes) {
    stille_ = 0;
    for (const uint8_t b : bytes)
        if (anzahl_ < Puffergroesse)
            puffer_[static_cast<size_t>(anzahl_++)] = b;
    bool identitaet_beantwortet = false;
    while (anzahl_ >= 1 && anzahl_ >= puffer_[0]) {
        const int laenge = puffer_[0];
        const std::span<const uint8_t> rahmen(puffer_.data(), static_cast<size_t>(laenge));
        // A length of 0 would be a frame of nothing, taken again and again.
        if (laenge == 0 || std::accumulate(rahmen.begin(), rahmen.end(), 0U) % 256 != 0) {
            setze_Empfaenger_zurueck();
            return;
        }
        befehl_ = puffer_[1];
        if (!(befehl_ == Befehl_Identitaet && identitaet_beantwortet)) {
            if (zeige_Befehl)
                zeige_Befehl(befehl_);
            streaming_ = false;
            bearbeite(static_cast<uint8_t>(befehl_), rahmen);
            if (befehl_ == Befehl_Identitaet)
                identitaet_beantwortet = true;
        }
        std::copy(puffer_.begin() + laenge, puffer_.begin() + anzahl_, puffer_.begin());
        anzahl_ -= laenge;
        befehl_ = 0;
    }
}

void cl_Relais::bearbeite(uint8_t befehl, std::span<const uint8_t> rahmen) {
    // Data byte 0 is frame byte 2; a frame of three bytes has its checksum there.
    const auto datenbyte0 = rahmen.size() > 2 ? rahmen[2] : uint8_t{0};
    const auto daten = rahmen.subspan(2, rahmen.size() >= 3 ? rahmen.size() - 3 : 0);
    const auto frisch_oder_starten = [this, befehl](int32_t alter, cl_COM_data& anfrage,
                                                    std::span<const uint8_t> satz) {
        if (alter < Frisch)
            sende_Telegramm(befehl, satz);
        else
            anfrage.starten_zyklisch(0, Takt_ms);
    };
    switch (befehl) {
    case Befehl_Hauptdatensatz:
        if (befehle_.akt_Daten.Alter >= Frisch)
            befehle_.akt_Daten.starten_zyklisch(0, Takt_ms);
        else
            sende_Statusdaten();
        break;
    case Befehl_Datensatz_A:
        frisch_oder_starten(befehle_.akt_Daten_A.Alter, befehle_.akt_Daten_A,
                            befehle_.akt_Daten_A.Daten);
        break;
    case Befehl_Datensatz_B:
        frisch_oder_starten(befehle_.akt_Daten_B.Alter, befehle_.akt_Daten_B,
                            befehle_.akt_Daten_B.Daten);
        break;
    case Befehl_Identitaet:
        if (identitaetssperre_ < 1) {
            sende_Telegramm(Befehl_Identitaet, version_.Antwortbereich);
            identitaetssperre_ = Identitaetssperre_ms;
        }
        break;
    case Befehl_Streaming:
        streaming_ = datenbyte0 == Streaming_ein;
        rahmenzaehler_ = 0;
        break;
    case Befehl_analog:
        frisch_oder_starten(weitere_.analoge_Eingaenge->Alter, *weitere_.analoge_Eingaenge,
                            weitere_.analoge_Eingaenge->Datensatz);
        break;
    case Befehl_Echo: {
        const uint8_t echo[] = {datenbyte0};
        sende_Telegramm(Befehl_Echo, echo);
        break;
    }
    case Befehl_digital:
        frisch_oder_starten(weitere_.digitale_Eingaenge->Alter, *weitere_.digitale_Eingaenge,
                            weitere_.digitale_Eingaenge->Datensatz);
        break;
    case Befehl_Ausgaenge:
        frisch_oder_starten(weitere_.digitale_Ausgaenge->Alter, *weitere_.digitale_Ausgaenge,
                            weitere_.digitale_Ausgaenge->Datensatz);
        break;
    case Befehl_Merker_senden:
        // Both bytes of the word must be the frame's own data, not its checksum or the
        // byte after it.
        if (daten.size() >= 2)
            weitere_.Merker_senden->senden(static_cast<uint16_t>(daten[0] | (daten[1] << 8)));
        break;
    default:
        break;
    }
}

void cl_Relais::sende_Statusdaten() {
    if (!streaming_) {
        if (befehl_ == Befehl_Hauptdatensatz)
            sende_Telegramm(Befehl_Hauptdatensatz, befehle_.akt_Daten.Daten);
        return;
    }
    const bool kurz =
        version_.passt(1, 0, 0, 1600, 1650, -1, -1) || version_.passt(1, 0, 0, 500, 649, -1, -1);
    statuswerte_.lade_tbx(kurz ? Auswahl_kurz : Auswahl_lang);
    statuswerte_.packe(werte_);
    ++rahmenzaehler_;
    const auto lo = static_cast<uint16_t>(rahmenzaehler_ & 0xFFFF);
    const auto hi = static_cast<uint16_t>(rahmenzaehler_ >> 16);
    if (kurz) {
        std::array<uint16_t, 61> worte{lo, hi, Kennung_kurz};
        std::copy(werte_.begin() + 1, werte_.begin() + 59, worte.begin() + 3);
        sende_Wortrahmen(Befehl_Streaming, worte);
    } else {
        std::array<uint16_t, 65> erster{1, lo, hi, Kennung_lang};
        std::copy(werte_.begin() + 1, werte_.begin() + 62, erster.begin() + 4);
        sende_Wortrahmen(Befehl_Streaming_lang, erster);
        std::array<uint16_t, 65> zweiter{256};
        std::copy(werte_.begin() + 62, werte_.begin() + 126, zweiter.begin() + 1);
        sende_Wortrahmen(Befehl_Streaming_lang, zweiter);
    }
    // The values read for the next cycle are fresh.
    weitere_.analoge_Eingaenge->starten();
    weitere_.digitale_Eingaenge->starten();
    weitere_.Merker->starten();
}

void cl_Relais::sende_Wortrahmen(uint8_t befehl, std::span<const uint16_t> worte) {
    std::vector<uint8_t> bytes;
    bytes.reserve(2 * worte.size());
    for (const uint16_t w : worte) {
        bytes.push_back(static_cast<uint8_t>(w & 0xFF));
        bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    sende_Telegramm(befehl, bytes);
}

void cl_Relais::sende_Telegramm(uint8_t befehl, std::span<const uint8_t> daten) {
    if (daten.size() > 252)
        return;
    QByteArray rahmen;
    rahmen.reserve(static_cast<qsizetype>(daten.size()) + 3);
    rahmen.append(static_cast<char>(daten.size() + 3));
    rahmen.append(static_cast<char>(befehl));
    for (const uint8_t b : daten)
        rahmen.append(static_cast<char>(b));
    unsigned summe = 0;
    for (const char c : rahmen)
        summe += static_cast<uint8_t>(c);
    rahmen.append(static_cast<char>((256 - summe % 256) % 256));
    schreibe(rahmen);
}

void cl_Relais::schreibe(const QByteArray& rahmen) {
    if (Ausgabe) {
        Ausgabe(rahmen);
        return;
    }
    if (!port_->Open())
        return;
    // One write for the whole frame: a full output ring takes none of it, so the remote
    // device never reads a frame cut short and run into the next.
    try {
        port_->PutString(rahmen);
    } catch (const std::exception& e) {
        ++verworfen_;
        qCDebug(lcModel) << "relay: frame of command" << static_cast<uint8_t>(rahmen[1])
                         << "dropped:" << e.what();
    }
}

void cl_Relais::TimerTimer() {
    stille_ += Takt_ms;
    zaehle_hoch(befehle_.akt_Daten.Alter);
    zaehle_hoch(befehle_.akt_Daten_A.Alter);
    zaehle_hoch(befehle_.akt_Daten_B.Alter);
    zaehle_hoch(weitere_.analoge_Eingaenge->Alter);
    zaehle_hoch(weitere_.digitale_Eingaenge->Alter);
    zaehle_hoch(weitere_.digitale_Ausgaenge->Alter);
    if (identitaetssperre_ > 0)
        identitaetssperre_ -= Takt_ms;
    if (stille_ >= Stille_ms) {
        // A partial frame is dropped.
        setze_Empfaenger_zurueck();
        stille_ = 0;
    }
}
