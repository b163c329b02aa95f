#pragma once

#include "ecusim/Befehle.h"
#include "ecusim/Bootloader.h"
#include "ecusim/Fehlerspeicher.h"
#include "ecusim/Kennfelder.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Parameter.h"
#include "ecusim/Passwort.h"
#include "ecusim/Variantendaten.h"
#include "ecusim/Zusatzdaten.h"

namespace ecusim {

class EcuSim;
struct Identitaetsdaten;

// Every area of the simulator as the ecusim program sets them up, in its order: areas that
// share a command answer by the order they register in, so tests that build the ECU this way
// get the answers the program gives.
class Programmbereiche {
public:
    Programmbereiche(EcuSim& sim, const Identitaetsdaten& identitaet);
    Programmbereiche(const Programmbereiche&) = delete;
    Programmbereiche& operator=(const Programmbereiche&) = delete;

    Parameterbereich parameter;
    Livebereich live;
    // After the live area: on its variants it answers the commands they share.
    Variantenbereich varianten;
    Passwortbereich passwort;
    Befehlsbereich befehle;
    // After the command area: the variants' gearbox log and state log are its own.
    Zusatzbereich zusatz;
    Kennfeldbereich kennfelder;
    Fehlerspeicherbereich fehlerspeicher;
    // Last: while its application is gone, its answers to 100 and 208 come first.
    Bootloaderbereich bootloader;
};

} // namespace ecusim
