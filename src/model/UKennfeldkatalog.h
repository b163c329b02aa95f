#pragma once

#include "model/UKFGrafik.h"

#include <vector>

// One place of the all-maps list, in the catalogue's order: a catalogue map (by its number),
// one of the two ignition editors, or a separator.
struct Katalogplatz {
    enum class Art { Kennfeld, Zuendung, Zuendung_2, Trenner };
    Art art = Art::Trenner;
    int Nr = 0;
};

// The descriptions of the built-in maps in the order they are made, their titles and axis
// names in the current language.
std::vector<Kennfeld_Beschreibung> Katalog_Beschreibungen();
// The map made before them, which no list holds.
Kennfeld_Beschreibung Platzhalter_Beschreibung();
// The all-maps list: every built-in map, the two ignition editors and the separators.
std::vector<Katalogplatz> Katalog_Listenordnung();
