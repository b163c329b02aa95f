#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class cl_Fehler_Definitionen;

// One error-memory entry. It names its definition by the watched variable's id, so that
// it outlives any definition: the first definition with that id is the entry's.
struct cl_Fehler {
    uint32_t Variablen_id = 0;
    // Tenths of a second.
    uint32_t Zeit = 0;
    uint32_t Umdrehungen = 0;
    int32_t Zeitdifferenz = 0;
    int32_t Umdrehungsdifferenz = 0;
    int32_t MinMax = 0;
    bool erschienen = false;
    uint16_t Grenznummer = 0;

    // From a 12-byte answer of the error-memory read.
    static cl_Fehler aus_Antwort(const uint8_t* antwort);
};

// The error memory as last read, the entry received last first.
class cl_Fehler_Liste {
public:
    std::vector<cl_Fehler> Eintraege;

    bool leer() const { return Eintraege.empty(); }
    // Links an entry received after all others in front.
    void neuer_Eintrag(const cl_Fehler& f) { Eintraege.insert(Eintraege.begin(), f); }
    void alle_freigeben() { Eintraege.clear(); }

    // Pairs each appeared entry with the nearest later entry of its definition and (but for
    // bit variables) limit row; the later one, when it returned, gets the time and
    // revolutions in between. Entries whose id no definition has are not paired.
    void berechne_Differenzen(const cl_Fehler_Definitionen& definitionen);
};

// The viewer's table: its filter items, which carry the variable id, and the rows it shows.
class Fehlertabelle {
public:
    static constexpr int Spalten = 8;
    using Zeile = std::array<QString, Spalten>;

    struct Filtereintrag {
        QString Name;
        uint32_t Variablen_id = 0;
        bool gewaehlt = false;
    };
    std::vector<Filtereintrag> Auswahl;

    // One item per definition, in list order.
    void fuelle_Auswahl(const cl_Fehler_Definitionen& definitionen);
    void waehle_alle();
    // Whether an entry with this id is shown: its first filter item is selected; without an
    // item of its own, while the filter hides nothing.
    bool gezeigt(uint32_t id) const;

    // The grid's rows; one empty row when nothing is shown.
    std::vector<Zeile> Zeilen(const cl_Fehler_Liste& liste,
                              const cl_Fehler_Definitionen& definitionen) const;
};
