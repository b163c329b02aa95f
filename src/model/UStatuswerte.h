#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class cl_ECU_Befehle;
struct Weitere_Anfragen;

// Where the status values are read: the answer data of the live records and the two values
// that answers derive. Bytes outside a record read as 0.
struct Statusquellen {
    // Records 1..7: main record, A, B, C, analogue inputs, CAN temperatures, flag word.
    std::array<std::span<const uint8_t>, 8> Datensaetze{};
    const int32_t* Leerlaufsteller_Prozent = nullptr;
    std::span<const uint8_t> Digitaleingang_Zustand;

    // The program's own records.
    static Statusquellen von(const cl_ECU_Befehle& befehle, const Weitere_Anfragen& weitere);
};

// The program-wide variable a record-0 definition reads.
enum class Statusvariable : uint8_t { keine, Leerlaufsteller_Prozent, Digitaleingang_Zustand };

// One status value: where it is read, and where a selection file put it in the packed words.
struct cl_Def_Statusdaten {
    bool ausgewaehlt = false;
    uint32_t id = 0;
    // 0 = 8 bits, 1 = 16 bits, any other = 32 bits.
    uint8_t Groesse = 1;
    // 0 = a variable, 1..7 = a live record (Statusquellen::Datensaetze).
    int Datensatz = 0;
    Statusvariable Variable = Statusvariable::keine;
    // Byte offset into the record, or into the variable.
    int Offset = 0;
    QString Name;
    // A file's widths may add up to any size: the position is counted in 64 bits.
    int64_t Bitposition = 0;
    uint32_t Bitbreite = 0;
    float Skala = 1.0F;
};

class cl_Def_Statusdaten_Liste {
public:
    // The first definition with this id; nullptr when none has it.
    cl_Def_Statusdaten* suche(uint32_t id);
    const cl_Def_Statusdaten* suche(uint32_t id) const;

    std::vector<cl_Def_Statusdaten> Eintraege;
};

// The status values the relay streams: the built-in definitions, the selection file
// (<language folder>/<n>.tbx) that chooses some of them with their bit fields, and the
// packing of the chosen values into 256 words.
class cl_Statusdaten {
public:
    static constexpr int Worte = 256;
    using Wortfeld = std::array<uint16_t, Worte>;

    // Tags of a selection file's 8-byte records.
    static constexpr uint32_t Tag_Anfang = 4096;
    static constexpr uint32_t Tag_Ende = 4097;
    static constexpr uint32_t Tag_Name = 4099;
    static constexpr uint32_t Tag_Breite = 4100;
    static constexpr uint32_t Tag_Id = 4105;
    static constexpr uint32_t Tag_Namensende = 4353;
    // Bits 0..7 of word 0 stay free.
    static constexpr int64_t Erste_Bitposition = 8;

    cl_Statusdaten(Statusquellen quellen, std::function<QString()> sprachordner);

    // Loads selection file n unless it was the one asked for last. The number is taken
    // before the file is opened, so a missing file is not looked for again until another
    // number came between. The file before's selection is dropped first.
    void lade_tbx(int n);
    // The selected values, each at its bit position, or-ed in as they are: bits above a
    // value's width reach the next field. Only words 0..255 are written.
    void packe(Wortfeld& worte) const;

    // The value of a definition: the bytes its size needs, masked, scaled, rounded to the
    // nearest integer with halves to even.
    uint32_t Wert(const cl_Def_Statusdaten& d) const;
    // Rounding to the nearest integer, halves to even.
    static uint32_t runde(double x);

    int geladene_Nummer() const { return geladen_; }
    int Anzahl() const { return anzahl_; }
    const cl_Def_Statusdaten_Liste& Definitionen() const { return liste_; }

private:
    void lies(const QByteArray& inhalt);

    Statusquellen quellen_;
    std::function<QString()> sprachordner_;
    cl_Def_Statusdaten_Liste liste_;
    int geladen_ = 0;
    int anzahl_ = 0;
};
