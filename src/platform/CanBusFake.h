#pragma once

#include <QString>
#include <memory>

class QCanBusDevice;

// An in-process stand-in for a Qt SerialBus plugin, for what a real bus cannot be made to
// do on demand: every message written on a net reaches every other connected device of
// that net (the writer does not hear itself), through the event loop. It connects
// asynchronously, as the virtual bus and many adapters do, and can be told to fail as a
// plugin may. Selected with the plugin name "fake"; used by tests and the fuzz target.
namespace CanBusFake {

enum class Verhalten {
    verbindet,      // connected on the next pass of the event loop
    Bitratenfehler, // reports a configuration error for a configured rate, then connects
    verbindet_nie,  // stays connecting
};

// A device on net `netz`, not yet connected.
std::unique_ptr<QCanBusDevice> erzeuge(const QString& netz);

// How the devices of the net that connect from now on behave.
void setze_Verhalten(const QString& netz, Verhalten v);

// Connected devices on a net (tests check that a closed port left the bus).
int Teilnehmer(const QString& netz);

} // namespace CanBusFake
