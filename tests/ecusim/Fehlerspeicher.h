#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace ecusim {

class EcuSim;

// The simulated ECU's error memory and error definitions: a memory that tests fill and
// command 104 clears, served entry by entry on 94 (a start flag of 1 begins at the oldest);
// the definitions served record by record on 93 (by the index asked) and replaced by 92's
// opening (index 255), records (indices 0, 1, 2, ... in turn) and closing (byte 1 = 1).
class Fehlerspeicherbereich {
public:
    using Datensatz = std::array<uint8_t, 12>;

    // Registers the area's commands with the simulator; the area must outlive it.
    explicit Fehlerspeicherbereich(EcuSim& sim);
    Fehlerspeicherbereich(const Fehlerspeicherbereich&) = delete;
    Fehlerspeicherbereich& operator=(const Fehlerspeicherbereich&) = delete;

    // An entry of the memory, the oldest first.
    static Datensatz Eintrag(uint32_t zeit, uint32_t umdrehungen, int16_t minmax, bool erschienen,
                             uint8_t id, uint8_t grenze);
    // A limit record as the ECU keeps it.
    static Datensatz Grenze(int16_t ein, int16_t aus, uint16_t muster, uint8_t id, uint8_t bits,
                            uint8_t funktion, uint8_t speichern, uint8_t nummer = 0);

    std::vector<Datensatz> Speicher;
    std::vector<Datensatz> Definitionen;
    // A read of 93 beyond the list answers the end mark, unless this is cleared (an ECU
    // without the mark answers its last record again).
    bool Endmarke = true;

    int Fehlerspeicher_geloescht = 0;
    // Completed writes of 92 (closings), and records that arrived out of sequence or
    // without an opening.
    int Definitionen_geschrieben = 0;
    int Indexfehler = 0;

    // The next request of the command after `nach` more of them goes unanswered and is not
    // taken (the PC sends it again).
    void verwerfe(uint8_t befehl, int nach);

private:
    bool verworfen(uint8_t befehl);

    EcuSim& sim_;
    size_t naechster_Eintrag_ = 0;
    // The write in progress: whether it was opened, the records so far.
    bool geoeffnet_ = false;
    std::vector<Datensatz> neue_;
    std::map<uint8_t, int> verwerfen_;
};

} // namespace ecusim
