#pragma once

#include "link/UComData.h"
#include "model/UDatenelement.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>

class cl_Version;
class cl_Kommunikation;

// An ignition map as the ECU holds it, read and written in 100-byte blocks or as a data
// item. Its working image has 16 load columns; ECUs with 8 columns carry the 8-column form,
// packed from and unpacked into the image. Each ignition editor owns one for its map.
class cl_Zuendung : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Zuendung, &cl_COM_data::Klasse)

    static constexpr int Bildgroesse = 580;
    static constexpr int Blockgroesse_8 = 308;
    static constexpr int Zeilen = 16;
    // Entered angles that are not set.
    static constexpr int8_t nicht_gesetzt = -128;

    // What the map announces: 10 + map number after a write, 20 + map number after a read.
    static constexpr int Geschrieben_Basis = 10;
    static constexpr int Gelesen_Basis = 20;
    static constexpr int Karte1_geschrieben = 11;
    static constexpr int Karte2_geschrieben = 12;
    static constexpr int Karte1_gelesen = 21;
    static constexpr int Karte2_gelesen = 22;

    // karte 1: the ignition-angle map; any other: the correction map.
    cl_Zuendung(cl_COM_Quorvel& link, const cl_Version& version, cl_Kommunikation& kommunikation,
                int karte);
    ~cl_Zuendung() override;

    void lesen(bool mitMeldung);
    void schreiben(bool mitMeldung);
    void als_Datenobjekt_anmelden(int nummer);
    void packen();
    void entpacken();
    // ECUs whose software carries 16 load columns.
    bool ist_16_Spalten() const;

    void Antwort() override;
    void Datenobjekt_empfangen();

    std::array<uint8_t, Blockgroesse_8> Block_8{};
    std::array<uint8_t, Bildgroesse> Bild{};
    int Spaltenzahl = 8;
    bool Spalten_16 = true;
    bool Datenelement = false;
    int Datenelement_Nr = 0;
    const int Karte;

    // The password gate, which starts a transfer only when the ECU accepted the password;
    // without one the transfer starts at once.
    std::function<void(cl_COM_data&)> sende_wenn_frei;
    // The ignition-angle editor's help labels, refreshed when a write goes without the wait
    // window.
    std::function<void()> zeige_Hilfetexte;

private:
    void gelesen();
    void starte();

    const cl_Version& version_;
    cl_Kommunikation& kommunikation_;
    // A data-item write is acknowledged by the same item event that a read brings: the map
    // remembers which of the two it asked for last.
    bool schreibt_Datenelement_ = false;
    std::set<int> angemeldet_;
    // Enters the item again whenever the ECU's directory is refilled.
    Datenelement_Eintraege eintraege_;
    // Handlers in the registry outlive nothing: they reach the map only while it lives.
    std::shared_ptr<cl_Zuendung*> selbst_;
};
