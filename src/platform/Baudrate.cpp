#include "platform/Baudrate.h"

#include <asm/termbits.h>
#include <cstring>
#include <sys/ioctl.h>

namespace Baudrate {

static_assert(sizeof(termios2) <= sizeof(Snapshot::Bytes));

namespace {

struct Code {
    uint32_t rate;
    unsigned code;
};
constexpr Code standard[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000}};

} // namespace

bool Set(int Fd, uint32_t Rate, uint32_t& Actual) {
    Actual = 0;
    termios2 t{};
    if (::ioctl(Fd, TCGETS2, &t) != 0)
        return false;
    // A standard rate keeps its own code, so that programs that know only those read it back.
    unsigned code = BOTHER;
    for (const Code& c : standard)
        if (c.rate == Rate)
            code = c.code;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= code | (code << IBSHIFT);
    t.c_ispeed = Rate;
    t.c_ospeed = Rate;
    if (::ioctl(Fd, TCSETS2, &t) != 0)
        return false;
    return Get(Fd, Actual);
}

bool Get(int Fd, uint32_t& Rate) {
    termios2 t{};
    if (::ioctl(Fd, TCGETS2, &t) != 0)
        return false;
    Rate = t.c_ospeed;
    return true;
}

bool Save(int Fd, Snapshot& S) {
    termios2 t{};
    S.Valid = ::ioctl(Fd, TCGETS2, &t) == 0;
    if (S.Valid)
        std::memcpy(S.Bytes, &t, sizeof t);
    return S.Valid;
}

bool Restore(int Fd, const Snapshot& S) {
    if (!S.Valid)
        return false;
    termios2 t{};
    std::memcpy(&t, S.Bytes, sizeof t);
    return ::ioctl(Fd, TCSETS2, &t) == 0;
}

} // namespace Baudrate
