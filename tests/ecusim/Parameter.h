#pragma once

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

namespace ecusim {

class EcuSim;
struct Identitaetsdaten;

// What the parameter area can be told to get wrong in its next data-item read answers.
enum class Parameterfehler {
    UnbekannteId,        // a triple of an id the PC never asked for, with words, comes first
    ZaehlerUeberAntwort, // the last triple claims more words than the answer carries
    FalschesN,           // the answer's triple count N is 0
};

// One data-item message as the ECU understood it: its triples (id, offset, count).
struct Datenelement_Nachricht {
    uint8_t befehl = 0;
    struct Tripel {
        int id;
        int offset;
        int anzahl;
        bool operator==(const Tripel&) const = default;
    };
    std::vector<Tripel> tripel;
};

// The simulated ECU's parameters: the parameter image read (command 3, old block format)
// and written (command 2, either block format) in 100-byte blocks, and the data items read
// (command 128) and written (command 129) through the data-item protocol. It answers from
// the image and the items, so a value written is read back.
class Parameterbereich {
public:
    static constexpr int Bildgroesse = 2000;

    // Registers the area's commands with the simulator; the area must outlive it.
    explicit Parameterbereich(EcuSim& sim);
    Parameterbereich(const Parameterbereich&) = delete;
    Parameterbereich& operator=(const Parameterbereich&) = delete;

    // Values matching the sample definition files of the simulated ECU's software
    // (6.15 in blocks, 6.20 of ECU type 7 in the data items 272 and 273), in the image and
    // in the items 81, 257, 272 and 273; other items stay.
    void fuelle_Beispielwerte();

    void injiziere(Parameterfehler f, int anzahl = 1);

    QByteArray Bild;
    // Data items by id (the data-item maps among them, Kennfelder.h).
    std::map<int, std::vector<uint16_t>> Elemente;
    // Every data-item message received, in order.
    std::vector<Datenelement_Nachricht> Nachrichten;
    // Completed block writes of the image, and the bytes the last one carried.
    int Schreibvorgaenge = 0;
    int Geschrieben_bis = 0;

private:
    QByteArray lies_Block(const QByteArray& daten);
    QByteArray schreibe_Block(const QByteArray& daten);
    QByteArray lies_Elemente(const QByteArray& daten);
    QByteArray schreibe_Elemente(const QByteArray& daten);
    QByteArray Leseantwort(const QByteArray& nachricht);
    void nimm_Schreibnachricht(const QByteArray& nachricht);

    std::deque<Parameterfehler> fehler_;
    // The answer to the data-item read under way, served block by block.
    QByteArray antwort_;
    // The data-item write under way.
    QByteArray eingang_;
};

} // namespace ecusim
