#pragma once

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace ecusim {

class EcuSim;
class Parameterbereich;

// What the maps area can be told to get wrong in its next answers.
enum class Kennfeldfehler {
    Stille,              // a map command is lost: neither carried out nor answered
    FalscheZeile,        // a line read of a map answers another line, position and values
                         // (the next one; line 16 answers line 15)
    FalscheZeilennummer, // a line read answers the line asked for under another line's
                         // position (as FalscheZeile picks it; a curve's: 16)
    Speichern_misslingt, // a store (78, 130) answers 1 and leaves the stored copy as it was
};

// Which requests a fault waits for: any of the area's, or only those of one map, one
// command, one line (of line reads and writes; a curve's is 0).
struct Kennfeldziel {
    std::optional<int> kennfeld = std::nullopt;
    std::optional<uint8_t> befehl = std::nullopt;
    std::optional<int> zeile = std::nullopt;
};

// One change at a point as the ECU took it.
struct Kennfeldaenderung {
    uint8_t befehl = 0;
    int kennfeld = 0;
    int delta = 0;
    int x_position = 0;
    int y_position = 0;
    bool operator==(const Kennfeldaenderung&) const = default;
};

// The simulated ECU's maps and curves. The line protocol: a line of 17 raw values read
// (command 107) and written (108), a map stored in flash (78), a value changed at a point
// (91). Every map of the built-in catalogue is there, the log-Y map 22 as the curves 6 and
// 21 that a store of 22 stores together. The data-item maps are items of the parameter
// area, numbered as the map, in blocks of 301 words (a curve: 23) of display values: the
// parameter area reads and writes them in word ranges (128, 129); here they are stored (130)
// and changed at a point (131). A map's values stand at word x * 17 + y (x the line, the X
// grid line; y along it), a curve's at word x. Each map keeps its working copy, which the
// commands read and change, apart from its stored (flash) copy, which only a store changes;
// both start equal, as a surface that rises with X and arches over Y (curves an S over X)
// within the map's raw range, each map a little different. Requests for maps it does not
// have, or of another length than the command's, it leaves to the other areas.
class Kennfeldbereich {
public:
    static constexpr int Werte_Kurve = 17;
    static constexpr int Werte_Kennfeld = 289;
    static constexpr int Block_Kurve = 23;
    static constexpr int Block_Kennfeld = 301;
    // The data-item map and curve that the area enters among the parameter area's items.
    static constexpr int Datenelement_Kennfeld = 140;
    static constexpr int Datenelement_Kurve = 141;

    // Registers the area's commands with the simulator and sets up the catalogue's maps;
    // the area must outlive the simulator.
    explicit Kennfeldbereich(EcuSim& sim);
    // The same, and the data-item map and curve in the parameter area's items (the
    // parameter area, too, must outlive the simulator).
    Kennfeldbereich(EcuSim& sim, Parameterbereich& parameter);
    Kennfeldbereich(const Kennfeldbereich&) = delete;
    Kennfeldbereich& operator=(const Kennfeldbereich&) = delete;

    // A line-protocol map or curve of that number (in place of one of either kind there),
    // its surface within the raw range.
    void lege_Kennfeld_an(int nr, bool kurve, int roh_min, int roh_max);
    // A data-item map or curve: the parameter area's item `nr`, its values within min..max,
    // its four axis words (two for a curve) and its four further words set, in place of a
    // map of either kind there. Needs the parameter area.
    void lege_Datenelement_Kennfeld_an(int nr, bool kurve, int min = 0, int max = 1000);

    // Whether the ECU has the map, on the line protocol or as data item.
    bool hat_Kennfeld(int nr) const;
    bool ist_Datenelement(int nr) const;
    bool ist_Kurve(int nr) const;

    // The values of a map as the ECU works with them (raw on the line protocol, display
    // words of a data item): 17 of a curve, 289 of a map at x * 17 + y; empty for an
    // unknown map.
    std::vector<int16_t> Werte(int nr) const;
    // The same of its stored copy.
    std::vector<int16_t> gespeicherte_Werte(int nr) const;
    // One value of the working copy (a curve's: y 0); 0 for an unknown map or point.
    int16_t Wert(int nr, int x, int y = 0) const;
    // Changes the working copy; the stored one stays.
    void setze_Wert(int nr, int x, int y, int16_t wert);
    void setze_Werte(int nr, const std::vector<int16_t>& werte);
    // The stored block of a data-item map (its working block is the parameter area's item).
    std::vector<uint16_t> gespeicherter_Block(int nr) const;

    // The next `anzahl` requests of the target that the fault fits carry it, e.g.
    // injiziere(Kennfeldfehler::Stille, 1, {.kennfeld = 0, .befehl = 107, .zeile = 5}).
    void injiziere(Kennfeldfehler f, int anzahl = 1, Kennfeldziel ziel = {});
    void keine_Fehler() { fehler_.clear(); }

    // --- Record -------------------------------------------------------------------------
    // Map numbers of every store order taken (78, 130), refused ones too.
    std::vector<int> Speicherungen;
    // Every change at a point taken (91, 131).
    std::vector<Kennfeldaenderung> Aenderungen;
    // (map, line) of every line read and written.
    std::vector<std::pair<int, int>> Gelesene_Zeilen;
    std::vector<std::pair<int, int>> Geschriebene_Zeilen;

private:
    struct Linienfeld {
        bool kurve = false;
        std::vector<int16_t> werte;
        std::vector<int16_t> gespeichert;
    };
    struct Datenfeld {
        bool kurve = false;
        std::vector<uint16_t> gespeichert;
    };
    struct Geplant {
        Kennfeldfehler fehler;
        int anzahl;
        Kennfeldziel ziel;
    };

    void melde_an(EcuSim& sim);
    bool nimm_Fehler(Kennfeldfehler f, uint8_t befehl, int nr,
                     std::optional<int> zeile = std::nullopt);
    std::vector<uint16_t>* Block(int nr);
    const std::vector<uint16_t>* Block(int nr) const;

    std::optional<QByteArray> lies_Zeile(const QByteArray& d);
    std::optional<QByteArray> schreibe_Zeile(const QByteArray& d);
    std::optional<QByteArray> speichere(const QByteArray& d);
    std::optional<QByteArray> aendere(const QByteArray& d);
    std::optional<QByteArray> speichere_Datenelement(const QByteArray& d);
    std::optional<QByteArray> aendere_Datenelement(const QByteArray& d);

    Parameterbereich* parameter_ = nullptr;
    std::map<int, Linienfeld> linienfelder_;
    std::map<int, Datenfeld> datenfelder_;
    std::deque<Geplant> fehler_;
};

} // namespace ecusim
