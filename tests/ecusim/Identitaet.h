#pragma once

#include <QByteArray>
#include <cstdint>

namespace ecusim {

class EcuSim;

// Who the simulated ECU says it is (the answer to command 100).
struct Identitaetsdaten {
    uint32_t Seriennummer = 20170815;
    uint16_t ECU_Typ = 1;
    uint16_t Hersteller = 1;
    uint16_t Typnummer = 400;
    uint8_t Datenversion_Haupt = 2;
    uint8_t Datenversion_Neben = 5;
    uint16_t Hardware_Haupt = 400;
    uint16_t Bootloader_Nr = 3;
    uint16_t Optionswort = 0;
    uint16_t Hardware_Neben = 2;
    QByteArray Datum = "15.11.2017"; // at most 10 characters
    QByteArray Name = "T-SIM";       // at most 10 characters
    uint16_t Version = 615;
    uint16_t Revision = 3;
};

// The 66 bytes of the identity answer.
QByteArray baue_Identitaet(const Identitaetsdaten& daten);

// Sets the identity and answers the password-state query (command 82) with "not
// accepted", so that the program starts its live-data plan without reading parameters.
void richte_Identitaet_ein(EcuSim& sim, const Identitaetsdaten& daten = {});

} // namespace ecusim
