#pragma once

#include <QString>
#include <cstdint>

// The CAN adapter calls the link and the firmware programming make, on 16-byte message
// records, over a Qt SerialBus plugin (CanKanal.h).
//
// Which plugin is chosen per open: canSetzeSchnittstelle(plugin, interface) names a Qt
// SerialBus plugin and interface ("socketcan", "can0" by default; "virtualcan" with
// "tcp://127.0.0.1:PORT/can0" is Qt's bus over TCP on this machine; "fake" the in-process
// stand-in of CanBusFake.h). canOpen makes the device; canSetBaudrate configures it and
// brings it onto the bus, waiting a few seconds at most for a plugin that connects
// asynchronously.

// The adapter's mark of a 29-bit identifier in a message's id.
inline constexpr uint32_t CAN_29_Bit = 0x20000000u;

// One message, laid out as the adapter library's record: identifier (29-bit identifiers
// carry CAN_29_Bit), data length 0..8, lost-message count, two reserved bytes, 8 data bytes.
struct CanMsg {
    int32_t id = 0;
    uint8_t len = 0;
    uint8_t msg_lost = 0;
    uint8_t reserved[2] = {0, 0};
    uint8_t data[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};
static_assert(sizeof(CanMsg) == 16, "the message record is 16 bytes");

using CanHandle = int32_t;
using CanErgebnis = int32_t;

inline constexpr CanErgebnis CAN_OK = 0;
inline constexpr CanErgebnis CAN_NETZ_FEHLT = -1; // no such net or adapter
inline constexpr CanErgebnis CAN_HANDLE_UNGUELTIG = -2;
inline constexpr CanErgebnis CAN_PARAMETER_FALSCH = -3;
inline constexpr CanErgebnis CAN_SENDEFEHLER = -4;
inline constexpr CanErgebnis CAN_BAUDRATE_FEHLER = -5;
inline constexpr CanErgebnis CAN_BESCHAEFTIGT = -6; // a connect wait is running

// Baud-rate codes of the adapter library: 0 = 1000, 2 = 500, 4 = 250, 6 = 125, 7 = 100
// kbit/s (the others in between: 1 = 666.6, 3 = 333.3, 5 = 166, 8 = 66.6, 9 = 50, 10 = 33.3,
// 11 = 20, 12 = 12.5, 13 = 10 kbit/s). 0 for an unknown code.
int32_t CAN_Bitrate(uint32_t baudCode);

// Plugin and interface for the following opens.
void canSetzeSchnittstelle(const QString& plugin, const QString& interfaceName);

CanErgebnis canOpen(int net, uint32_t flags, int32_t txQueueSize, int32_t rxQueueSize,
                    int32_t txTimeout, int32_t rxTimeout, CanHandle* handle);
// Sets the rate where the plugin takes one (not on SocketCAN, where the system fixes it) and
// connects; CAN_OK once the device is on the bus. While it waits the event loop runs;
// meanwhile another canSetBaudrate, and a canClose of the waiting handle, are refused.
CanErgebnis canSetBaudrate(CanHandle handle, uint32_t baudCode);
CanErgebnis canIdAdd(CanHandle handle, int32_t id);
// Sends *count messages; on return *count holds the number sent.
CanErgebnis canWrite(CanHandle handle, CanMsg* msgs, int32_t* count, void* overlapped);
// Takes up to *count received messages without waiting; *count is the number taken.
CanErgebnis canTake(CanHandle handle, CanMsg* msgs, int32_t* count);
CanErgebnis canClose(CanHandle handle);
