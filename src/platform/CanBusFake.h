#pragma once

#include "platform/CanKanal.h"

#include <QString>
#include <functional>
#include <memory>

// The in-process fake CAN bus: every message written on a net reaches every other open
// handle on that net whose identifier it enabled (the writer does not hear itself, as on
// a real bus). Receive queues are bounded; a message that finds a full queue is lost and
// counted in the next taken message's lost count. Used by tests and the simulated ECU; it
// lives in one process.
namespace CanBusFake {

// A participant on net `netz`. `beiNachricht`, when given, is called in the GUI thread
// (queued through the event loop) after a message for it arrived.
std::unique_ptr<CanKanal> oeffne(const QString& netz, int empfangsqueue,
                                 std::function<void()> beiNachricht = {});

// Open participants on a net (tests check that a closed port left the bus).
int Teilnehmer(const QString& netz);

} // namespace CanBusFake
