#pragma once

#include "platform/NTCAN.h"

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <vector>

namespace ecusim {

// How the ECU cuts a frame into CAN messages, with the faults it can be told to make.
struct CAN_Packart {
    bool Sequenzluecke = false; // the second message (or the only one) skips a number
    uint8_t Datenlaenge = 8;    // the messages' data length
    uint8_t Anzahl = 0;         // when set, the count every message claims (a 7 is faulty)
};

// The messages of one frame on identifier `id` (with the 29-bit mark): 6 frame bytes each,
// [sequence, +128 on the last][count][bytes, unused positions 0].
std::vector<CanMsg> packe_CAN(const QByteArray& rahmen, uint32_t id, CAN_Packart art = {});

// Reassembles frames from the messages of one identifier, checking every message and the
// frame's end as the ECU does.
class CAN_Entpacker {
public:
    struct Ergebnis {
        std::optional<QByteArray> rahmen; // a frame ended with this message
        bool fehler = false;              // the message or the frame's end was faulty
        QByteArray verworfen;             // bytes of a frame given up
    };
    Ergebnis nimm(const CanMsg& m);

private:
    QByteArray eingang_;
    int sequenz_ = -1;
};

} // namespace ecusim
