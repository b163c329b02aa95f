#pragma once

#include "link/UComData.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QTimer;
class cl_Version;
class cl_Parameter;
class cl_Kommunikation;
class cl_ECU_Liste;

// The password input (command 81) and change (command 80) request. The ECU checks the
// password; the PC only forwards it and warns when no answer came within 2 s.
class cl_Passwort_Quorvel : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Passwort_Quorvel, &cl_COM_data::Klasse)

    static constexpr uint8_t Befehl_Aendern = 80;
    static constexpr uint8_t Befehl_Eingeben = 81;
    // Longer input is refused by the password window; here it is cut, never overrun.
    static constexpr int Maximallaenge = 10;
    static constexpr int Warte_ms = 2000;
    static constexpr int Nummer_max = 9999;

    explicit cl_Passwort_Quorvel(cl_COM_Quorvel& link);
    ~cl_Passwort_Quorvel() override;

    void Passwort_eingeben(const QString& text);
    void Passwort_aendern(const QString& text, uint16_t nummer);
    void Antwort() override;
    // Text 346 when the input or change was not answered in time.
    void Zeit_abgelaufen();
    bool Zeitgeber_aktiv() const;
    void stoppe_Zeitgeber();

    // A password number as the change line reads it: its low 16 bits, capped at 9999; not a
    // whole number gives 0.
    static uint16_t Nummer_aus_Text(const QString& text);

    std::array<uint8_t, Maximallaenge + 1> Sendepuffer{};
    bool Antwort_erhalten = false;
    bool Aendern = false;
    uint16_t Passwort_Nr = 0;

    // Filled in by the password-number request: writes the number (command 85).
    std::function<void(uint16_t nummer)> sende_Passwort_Nr;
    // The state query that follows every answered input or change.
    std::function<void()> anfragen;

private:
    void sende(const QString& text, uint8_t befehl);
    std::unique_ptr<QTimer> timer_;
};

// The password-state request (command 82, or data item 1): whether a valid password was
// given. Its answer decides whether the parameters are read at connection, and it is the
// gate every action that changes the ECU's data passes.
class cl_Passwort_Quorvel_OK : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Passwort_Quorvel_OK, &cl_COM_data::Klasse)

    static constexpr uint8_t Befehl_Zustand = 82;
    static constexpr int Datenelement = 1;

    cl_Passwort_Quorvel_OK(cl_COM_Quorvel& link, cl_Version& version, cl_Parameter& parameter,
                           cl_Kommunikation& kommunikation, cl_ECU_Liste& liste,
                           cl_Passwort_Quorvel& eingabe);
    ~cl_Passwort_Quorvel_OK() override;

    void anfragen();
    // Text 345 when refused while connected.
    bool Zugriff_erlaubt();
    void sende_wenn_frei(cl_COM_data* anfrage);
    void Antwort() override;

    // Byte 0: the accepted flag (non-zero: accepted); byte 1 is the data item's high byte.
    std::array<uint8_t, 2> Zustand{};
    uint8_t akzeptiert() const { return Zustand[0]; }
    // Offline work is never blocked: a disconnection opens the gate.
    void setze_akzeptiert(uint8_t wert) { Zustand[0] = wert; }

    // The live-data plan, started at once when no parameter read follows.
    std::function<void()> starte_Statusdaten;

private:
    cl_Version& version_;
    cl_Parameter& parameter_;
    cl_Kommunikation& kommunikation_;
    cl_Passwort_Quorvel& eingabe_;
};
