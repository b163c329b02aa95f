#pragma once

#include <QByteArray>
#include <cstdint>

namespace ecusim {

class EcuSim;
class Parameterbereich;

// The live records of the ECU variants, chosen by the identity the simulator answers with
// (set it before the program asks): the diesel records on ECU type 5 (commands 4 and 23,
// 100 bytes each), the additive record on type 6 (command 4, 50 bytes), the Kvarendol
// record on type 4 with type number 2 (command 23), the engine panels' record for
// manufacturers 9 and 12 (command 13, 100 bytes), and for every variant the auxiliary
// record (command 5: eight floats, on type 6 eight integers) and the extended one
// (command 15 in blocks of 100 bytes, or data item 2 through the parameter area). The
// values move with every answer.
class Variantenbereich {
public:
    // parameter: where data item 2 lives; none without it.
    Variantenbereich(EcuSim& sim, Parameterbereich* parameter = nullptr);
    Variantenbereich(const Variantenbereich&) = delete;
    Variantenbereich& operator=(const Variantenbereich&) = delete;

    // Answers given so far; the engine's clock.
    int Schritt = 0;
    // Requests of the extended aux record (command 15 blocks) seen.
    int Auxanfragen = 0;

    QByteArray Diesel() const;
    QByteArray Diesel_A() const;
    QByteArray Additiv() const;
    QByteArray Kvarendol() const;
    QByteArray Vundel() const;
    QByteArray Aux(bool ganzzahlig) const;
    QByteArray Aux_erweitert() const;

private:
    int Typ() const;
    int Hersteller() const;
    int Typnummer() const;

    EcuSim& sim_;
    Parameterbereich* parameter_;
    QByteArray erweitert_;
};

} // namespace ecusim
