#pragma once

#include <QByteArray>
#include <cstdint>

namespace ecusim {

class EcuSim;
class Livebereich;
class Parameterbereich;

// The live records of the ECU variants, chosen by the identity the simulator answers with
// (set it before the program asks): the diesel records on ECU type 5 (commands 4 and 23,
// 100 bytes each), the additive record on type 6 (command 4, 50 bytes), the Kvarendol
// record on type 4 with type number 2 (command 23), the engine panels' record for
// manufacturers 9 and 12 (command 13, 100 bytes), record B (command 13) with the wheel
// speeds of manufacturer 1's type-1 ECUs from version 6.16 on, or with the corrections of
// its Tamvik versions 206.20 to 206.29, and for every variant the auxiliary
// record (command 5: eight floats, on type 6 eight integers) and the extended one
// (command 15 in blocks of 100 bytes, or data item 2, id 257, through the parameter area).
// The values move with every answer.
class Variantenbereich {
public:
    // parameter: where data item 2 lives; none without it. live: the engine's record B,
    // which the variants' fields overlay; without it record B is the engine's alone.
    Variantenbereich(EcuSim& sim, Parameterbereich* parameter = nullptr,
                     Livebereich* live = nullptr);
    Variantenbereich(const Variantenbereich&) = delete;
    Variantenbereich& operator=(const Variantenbereich&) = delete;

    // The id of data item 2, the extended aux record.
    static constexpr int Aux_Element_Id = 257;

    // Answers given so far; the engine's clock.
    int Schritt = 0;
    // Requests of the extended aux record (command 15 blocks) seen.
    int Auxanfragen = 0;

    QByteArray Diesel() const;
    QByteArray Diesel_A() const;
    QByteArray Additiv() const;
    QByteArray Kvarendol() const;
    QByteArray Vundel() const;
    QByteArray Datensatz_B() const;
    QByteArray Aux(bool ganzzahlig) const;
    QByteArray Aux_erweitert() const;

private:
    int Typ() const;
    int Hersteller() const;
    int Typnummer() const;
    int Version() const;
    bool mit_Radgeschwindigkeiten() const;
    bool Tamvik() const;

    EcuSim& sim_;
    Parameterbereich* parameter_;
    Livebereich* live_;
    QByteArray erweitert_;
};

} // namespace ecusim
