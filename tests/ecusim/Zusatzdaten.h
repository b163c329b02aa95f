#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace ecusim {

class EcuSim;

// The records of the ECU variants beside the engine's live data, moving with every answer:
// - a dual-clutch gearbox ECU (type 3): its record on command 4 (104 bytes), the automatic
//   gearbox record that its live-data plan polls (22 without data, 88 bytes), a data log read
//   record by record (201 with a record number; a new log on 200, announced by word 70 of
//   the record until it has been read to its end) and the state log (21), which answers the
//   shifts since the last query;
// - a test box (type 4, type number 1): its record on command 14 (80 bytes);
// - the auxiliary record (5, eight floats; not on type 6, whose record is integers) and the extra
// CAN temperatures (126, 16 bytes,
//   the eighth sensor not received).
// Registered after the command area, whose answers of 201 and 21 it takes over.
class Zusatzbereich {
public:
    explicit Zusatzbereich(EcuSim& sim);
    Zusatzbereich(const Zusatzbereich&) = delete;
    Zusatzbereich& operator=(const Zusatzbereich&) = delete;

    QByteArray DSG_Datensatz();
    QByteArray Getriebe_Datensatz();
    QByteArray Testbox_Datensatz();
    QByteArray Aux_Datensatz() const;
    QByteArray CAN_Temperaturen() const;
    QByteArray Logsatz(uint16_t nummer);
    QByteArray Zustandslog();

    // Records of a data log; the log's number counts the logs begun (200).
    int Logsaetze = 5;
    int Lognummer = 1;
    // A log waits to be read (word 70 of the gearbox record).
    bool Log_bereit = true;
    // Data-log requests by record number, in order.
    std::vector<uint16_t> Logabfragen;
    // Answers given per record, each record's clock.
    int DSG_Schritt = 0;
    int Getriebe_Schritt = 0;
    int Testbox_Schritt = 0;
    int Zustand_Schritt = 0;
    int Aux_Schritt = 0;
    int CAN_Schritt = 0;

private:
    uint16_t ECU_Typ() const;
    uint16_t Typnummer() const;

    EcuSim& sim_;
    uint32_t zustandszeit_ = 0x0001F000;
    int zustand_ = 0;
};

} // namespace ecusim
