#pragma once

#include "link/UComData.h"

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <vector>

class cl_Version;
class cl_Parameter;
class cl_Kommunikation;
class cl_ECU_Liste;
struct Weitere_Anfragen;
struct Fehleranfragen;

// Values the live answers derive and the relay's status values read. The digital inputs'
// states are the digital-input request's own.
struct Livewerte {
    // (word at offset 22 of the main record - 128) * 100 / 128, truncated toward zero.
    int32_t Leerlaufsteller_Prozent = 0;
};

// A live record: fixed command and length, nothing sent, the answer's data bytes copied to
// the record from offset 0. Every answer announces Beantwortet.
class cl_Datensatz : public cl_COM_data {
public:
    cl_Datensatz(cl_COM_Quorvel& link, uint8_t befehl, int laenge, bool blockweise = false,
                 int timeoutMs = 500);
    void Antwort() override;

    // Little-endian fields of the record; 0 outside it.
    uint8_t u8(int offset) const;
    uint16_t u16(int offset) const;
    int16_t s16(int offset) const { return static_cast<int16_t>(u16(offset)); }
    uint32_t u32(int offset) const;
    int32_t s32(int offset) const { return static_cast<int32_t>(u32(offset)); }
    void setze_u16(int offset, uint16_t wert);

    std::vector<uint8_t> Daten;
    const int Laenge;
};

// A record whose age the relay watches: 0 at each answer, counted up by the relay.
class cl_Datensatz_mit_Alter : public cl_Datensatz {
public:
    using cl_Datensatz::cl_Datensatz;
    void Antwort() override;
    int32_t Alter = std::numeric_limits<int32_t>::max();
};

// The record classes. Their tags name cl_COM_data as parent, as the requests they are.
#define QUORVEL_DATENSATZ(NAME, BASIS, BEFEHL, LAENGE)                                             \
    class NAME : public BASIS {                                                                    \
    public:                                                                                        \
        QUORVEL_KLASSE(NAME, &cl_COM_data::Klasse)                                                 \
        static constexpr uint8_t Befehlsnummer = BEFEHL;                                           \
        static constexpr int Groesse = LAENGE;                                                     \
        explicit NAME(cl_COM_Quorvel& link) : BASIS(link, BEFEHL, LAENGE) {}                       \
    };

class cl_akt_Daten : public cl_Datensatz_mit_Alter {
public:
    QUORVEL_KLASSE(cl_akt_Daten, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehlsnummer = 4;
    static constexpr int Groesse = 84;
    cl_akt_Daten(cl_COM_Quorvel& link, Livewerte& werte);
    void Antwort() override;

private:
    Livewerte& werte_;
};

QUORVEL_DATENSATZ(cl_akt_Daten_A, cl_Datensatz_mit_Alter, 11, 98)
QUORVEL_DATENSATZ(cl_akt_Daten_B, cl_Datensatz_mit_Alter, 13, 100)
QUORVEL_DATENSATZ(cl_akt_Daten_C, cl_Datensatz, 14, 100)
QUORVEL_DATENSATZ(cl_akt_Daten_Vundel, cl_Datensatz, 13, 100)
QUORVEL_DATENSATZ(cl_DSG_Daten, cl_Datensatz, 4, 104)
QUORVEL_DATENSATZ(cl_Getriebe_Daten, cl_Datensatz, 22, 88)
QUORVEL_DATENSATZ(cl_Kvarendol_Daten, cl_Datensatz, 23, 100)
QUORVEL_DATENSATZ(cl_Testbox_Daten, cl_Datensatz, 14, 80)
QUORVEL_DATENSATZ(cl_Diesel_Daten, cl_Datensatz, 4, 100)
QUORVEL_DATENSATZ(cl_Diesel_Daten_A, cl_Datensatz, 23, 100)
QUORVEL_DATENSATZ(cl_Dranel_Kerosin_Daten, cl_Datensatz, 4, 100)
QUORVEL_DATENSATZ(cl_Additiv_Statusdaten, cl_Datensatz, 4, 50)
QUORVEL_DATENSATZ(cl_Aux_Daten, cl_Datensatz, 5, 32)
QUORVEL_DATENSATZ(cl_aux_int, cl_Datensatz, 5, 32)
QUORVEL_DATENSATZ(cl_CAN_Zusatztemps, cl_Datensatz, 126, 16)

#undef QUORVEL_DATENSATZ

// The extended auxiliary record: command 15 read in blocks on older ECUs, data item 2 on
// ECUs of type 6 and above.
class cl_Aux_Daten_erweitert : public cl_Datensatz {
public:
    QUORVEL_KLASSE(cl_Aux_Daten_erweitert, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehlsnummer = 15;
    static constexpr int Groesse = 400;
    static constexpr int Datenelement = 2;

    cl_Aux_Daten_erweitert(cl_COM_Quorvel& link, cl_Version& version, cl_ECU_Liste& liste,
                           cl_Kommunikation& kommunikation);
    void starten();
    // Ends what starten began: the block reads, or this record's subscription to its data
    // item (one reader fewer), so that the item leaves the read messages again.
    void beenden();
    void Antwort() override;

private:
    cl_Version& version_;
    cl_Kommunikation& kommunikation_;
};

// Every ECU data request, created once in the scheduler's ring order, with the live-data
// polling plan.
class cl_ECU_Befehle {
    cl_COM_Quorvel& link_;
    cl_Version& version_;
    cl_Parameter& parameter_;
    cl_Kommunikation& kommunikation_;

public:
    // The identity and the further requests, made before, move to their places in the ring
    // here: the ring's order is the order in which due requests take their turn.
    cl_ECU_Befehle(cl_COM_Quorvel& link, cl_Version& version, cl_Parameter& parameter,
                   cl_Kommunikation& kommunikation, cl_ECU_Liste& liste, Weitere_Anfragen& weitere,
                   Fehleranfragen* fehler = nullptr);
    ~cl_ECU_Befehle();
    cl_ECU_Befehle(const cl_ECU_Befehle&) = delete;
    cl_ECU_Befehle& operator=(const cl_ECU_Befehle&) = delete;

    // Chooses the polled records by the identity; requests already running keep their
    // due ticks.
    void starte_Statusdaten();
    // The reduced plan while the auxiliary-data window is shown.
    void starte_Statusanzeige();

    // Records nothing in the plan starts are polled every 100 ms while at least one window
    // showing them is visible: a window reports each showing and hiding.
    static constexpr int Anzeigeperiode_ms = 100;
    void melde_Anzeige(cl_COM_data& anfrage, bool sichtbar);
    int Anzeigen(const cl_COM_data& anfrage) const;

    Livewerte Werte;

    cl_akt_Daten akt_Daten;
    cl_akt_Daten_A akt_Daten_A;
    cl_akt_Daten_B akt_Daten_B;
    cl_akt_Daten_C akt_Daten_C;
    cl_akt_Daten_Vundel akt_Daten_Vundel;
    cl_DSG_Daten DSG_Daten;
    cl_Getriebe_Daten Getriebe_Daten;
    cl_Kvarendol_Daten Kvarendol_Daten;
    cl_Testbox_Daten Testbox_Daten;
    cl_Dranel_Kerosin_Daten Dranel_Kerosin_Daten;
    cl_Diesel_Daten Diesel_Daten;
    cl_Diesel_Daten_A Diesel_Daten_A;
    cl_Aux_Daten Aux_Daten;
    cl_Aux_Daten_erweitert Aux_Daten_erweitert;
    cl_aux_int aux_int;
    cl_Additiv_Statusdaten Additiv_Statusdaten;
    cl_CAN_Zusatztemps CAN_Zusatztemps;

private:
    void ordne_Ring(Weitere_Anfragen& weitere, Fehleranfragen* fehler);
    std::map<cl_COM_data*, int> anzeigen_;
};
