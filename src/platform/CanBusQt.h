#pragma once

#include "platform/CanKanal.h"

#include <QString>
#include <memory>

// A real CAN bus through a Qt SerialBus plugin (SocketCAN on Linux, the common adapters on
// Windows). Null when the plugin or the interface cannot be opened, as with no adapter.
namespace CanBusQt {
std::unique_ptr<CanKanal> oeffne(const QString& plugin, const QString& interfaceName);
}
