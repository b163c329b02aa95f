#pragma once

#include "platform/CanKanal.h"

#include <QString>
#include <functional>
#include <memory>

// Qt's virtual CAN bus for a test. The first device of a process that joins hosts the bus on
// its TCP port, and the bus ends with that process; so this process hosts it, on a free port
// of its own, and outlives every simulated ECU the test starts. Each bus is a channel of its
// own on that port, so that the buses of one test never hear each other.
class VirtuellerBus {
public:
    // A mark the link's port writes to learn that what it sent before has arrived: one
    // socket keeps its order.
    static constexpr int32_t Marke_PC = 0x7FF;
    // What a new participant writes to the host to learn that the bus knows it.
    static constexpr int32_t Anmeldung = 0x7FD;

    VirtuellerBus();
    ~VirtuellerBus();
    VirtuellerBus(const VirtuellerBus&) = delete;
    VirtuellerBus& operator=(const VirtuellerBus&) = delete;

    // "tcp://127.0.0.1:PORT/canN", for the plugin "virtualcan".
    const QString& Schnittstelle() const { return schnittstelle_; }
    static quint16 Port();

    // A participant of its own, on the bus already. A device counts as connected once its
    // socket is; the bus hands it messages only after it has read the device's first line,
    // so the participant's own message to the host is waited for.
    std::unique_ptr<CanKanal> Teilnehmer() const;

    // Sends the participant's own message to the host through `sende` and waits until the
    // host has it: from then on the bus hands that participant what is written.
    bool angemeldet(const std::function<bool(const CanMsg&)>& sende) const;

    // Runs the event loop until fertig() holds, at most ms milliseconds.
    static bool warte(const std::function<bool()>& fertig, int ms = 3000);

private:
    QString schnittstelle_;
    std::unique_ptr<CanKanal> gastgeber_;
};
