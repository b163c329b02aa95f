#pragma once

#include <cstdint>

// Line settings through the kernel's termios2 interface, which takes any baud rate and keeps
// the exact rate of each direction. Its header cannot be included together with <termios.h>,
// so this unit alone includes it and offers a plain interface.
namespace Baudrate {

// Sets both directions of the open terminal Fd to Rate bits per second and reads back the
// rate the driver settled on (drivers round to what their clock divides to). False, with
// errno set, when the driver refuses.
bool Set(int Fd, uint32_t Rate, uint32_t& Actual);
// The output rate of the terminal Fd; false, with errno set, when it cannot be read.
bool Get(int Fd, uint32_t& Rate);

// Everything the kernel keeps of a terminal's line settings, both exact rates included, so
// that a device is given back exactly as it was found.
struct Snapshot {
    alignas(8) unsigned char Bytes[64] = {};
    bool Valid = false;
};
bool Save(int Fd, Snapshot& S);
bool Restore(int Fd, const Snapshot& S);

} // namespace Baudrate
