#pragma once

#include "model/UStatuswerte.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

class Meldungen;
class TSerComPort;
class cl_ECU_Befehle;
class cl_Version;
struct Weitere_Anfragen;

// The relay: a remote device (a handheld display on a Bluetooth serial link) asks on a
// second serial port, in the ECU's own frame format, for the live data the PC polls, and
// gets them from the PC's records; a stale record is polled again and answered when the
// remote asks once more. It can also stream the packed status values after every main
// record answer. Frames go out whole or not at all.
class cl_Relais {
public:
    static constexpr int Puffergroesse = 256;
    static constexpr int Takt_ms = 100;
    // Ticks of age below which a record counts as fresh (50 s).
    static constexpr int32_t Frisch = 500;
    static constexpr int Identitaetssperre_ms = 5000;
    static constexpr int Stille_ms = 300;
    static constexpr int Text_Portfehler = 1286;

    // Requests of the remote device.
    static constexpr uint8_t Befehl_Hauptdatensatz = 4;
    static constexpr uint8_t Befehl_Datensatz_A = 11;
    static constexpr uint8_t Befehl_Datensatz_B = 13;
    static constexpr uint8_t Befehl_Identitaet = 100;
    static constexpr uint8_t Befehl_Streaming = 105;
    static constexpr uint8_t Befehl_Streaming_lang = 106;
    static constexpr uint8_t Befehl_analog = 109;
    static constexpr uint8_t Befehl_Echo = 110;
    static constexpr uint8_t Befehl_digital = 111;
    static constexpr uint8_t Befehl_Ausgaenge = 112;
    static constexpr uint8_t Befehl_Merker_senden = 117;
    // Data byte 0 of a streaming request that switches streaming on.
    static constexpr uint8_t Streaming_ein = 2;
    // What stands in the log frames in place of value word 0.
    static constexpr uint16_t Kennung_kurz = 13;
    static constexpr uint16_t Kennung_lang = 21;
    // Selection files of the two layouts.
    static constexpr int Auswahl_kurz = 313;
    static constexpr int Auswahl_lang = 321;

    cl_Relais(cl_ECU_Befehle& befehle, Weitere_Anfragen& weitere, cl_Version& version,
              Meldungen& meldungen, std::function<QString()> sprachordner);
    ~cl_Relais();
    cl_Relais(const cl_Relais&) = delete;
    cl_Relais& operator=(const cl_Relais&) = delete;

    // On: opens COMn (n = 0 lets the user choose the port); false, with text 1286, when it
    // cannot be opened. Off: closes the port and gives false. Streaming ends either way.
    bool Relais_oeffnen(int port, bool an);
    bool offen() const;

    // Bytes the port received.
    void Daten_empfangen(std::span<const uint8_t> bytes);
    // Every 100 ms.
    void TimerTimer();
    // A main record answer, or a request for it.
    void sende_Statusdaten();
    // A frame [L][command][data][checksum], queued whole while the port is open.
    void sende_Telegramm(uint8_t befehl, std::span<const uint8_t> daten);

    bool Streaming() const { return streaming_; }
    uint32_t Rahmenzaehler() const { return rahmenzaehler_; }
    int Identitaetssperre() const { return identitaetssperre_; }
    int Empfangszahl() const { return anzahl_; }
    int aktueller_Befehl() const { return befehl_; }
    int Rahmen_verworfen() const { return verworfen_; }
    const cl_Statusdaten& Statuswerte() const { return statuswerte_; }
    TSerComPort& Port() { return *port_; }

    // The last command received, for the window's label.
    std::function<void(int befehl)> zeige_Befehl;
    // Where frames go in place of the port; tests read the frames here.
    std::function<void(const QByteArray& rahmen)> Ausgabe;

private:
    void setze_Empfaenger_zurueck();
    void bearbeite(uint8_t befehl, std::span<const uint8_t> rahmen);
    void sende_Wortrahmen(uint8_t befehl, std::span<const uint16_t> worte);
    void schreibe(const QByteArray& rahmen);

    cl_ECU_Befehle& befehle_;
    Weitere_Anfragen& weitere_;
    cl_Version& version_;
    Meldungen& meldungen_;
    cl_Statusdaten statuswerte_;
    std::unique_ptr<TSerComPort> port_;
    std::array<uint8_t, Puffergroesse> puffer_{};
    int anzahl_ = 0;
    int befehl_ = 0;
    int stille_ = 0;
    bool streaming_ = false;
    cl_Statusdaten::Wortfeld werte_{};
    uint32_t rahmenzaehler_ = 0;
    int identitaetssperre_ = 0;
    int verworfen_ = 0;
    // The notification registry has no way to take an entry back: its handlers hold this
    // and do nothing once the relay is gone.
    std::shared_ptr<bool> lebt_ = std::make_shared<bool>(true);
};
