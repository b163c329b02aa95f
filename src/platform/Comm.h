#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>

// The serial-port operations the serial layer is written against, with the platform's
// numbering of errors and flags. This file alone knows the operating system underneath
// (POSIX termios here); a Windows build replaces it with the native calls.
//
// Devices are always opened raw, non-blocking and exclusively. Reads and writes never
// block; the waits below take the place of overlapped operations and can be interrupted
// through an event.
namespace Comm {

using Handle = int;
inline constexpr Handle INVALID_HANDLE_VALUE = -1;

// Error numbers, as the serial layer expects them from GetLastError.
enum : uint32_t {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_PATH_NOT_FOUND = 3,
    ERROR_ACCESS_DENIED = 5, // the port is held by another program
    ERROR_INVALID_HANDLE = 6,
    ERROR_NOT_ENOUGH_MEMORY = 8,
    ERROR_GEN_FAILURE = 31,
    ERROR_NO_PERMISSION = 65, // the user may not open the device
    ERROR_INVALID_PARAMETER = 87,
    ERROR_OPERATION_ABORTED = 995,
    ERROR_IO_PENDING = 997,
    ERROR_DEVICE_NOT_CONNECTED = 1167,
};
uint32_t GetLastError();
void SetLastError(uint32_t Code);
// The system's text for an error number; empty when there is none.
QString SystemErrorText(uint32_t Code);

// Device settings.
struct DCB {
    uint32_t BaudRate = 0;
    uint32_t Flags = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 8;
    uint8_t Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t StopBits = 0; // 0 one, 1 one and a half, 2 two
    uint8_t XonChar = 17;
    uint8_t XoffChar = 19;
};
enum : uint32_t {
    fBinary = 0x1,
    fParity = 0x2,
    fOutxCtsFlow = 0x4,
    fOutxDsrFlow = 0x8,
    DTR_CONTROL_MASK = 0x30,
    DTR_CONTROL_ENABLE = 0x10,
    DTR_CONTROL_HANDSHAKE = 0x20,
    fDsrSensitivity = 0x40,
    fTXContinueOnXoff = 0x80,
    fOutX = 0x100,
    fInX = 0x200,
    fNull = 0x800,
    RTS_CONTROL_MASK = 0x3000,
    RTS_CONTROL_ENABLE = 0x1000,
    RTS_CONTROL_HANDSHAKE = 0x2000,
    RTS_CONTROL_TOGGLE = 0x3000,
};
enum : uint8_t { ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2 };

enum : uint32_t { PURGE_TXABORT = 1, PURGE_RXABORT = 2, PURGE_TXCLEAR = 4, PURGE_RXCLEAR = 8 };
enum : uint32_t { SETRTS = 3, CLRRTS = 4, SETDTR = 5, CLRDTR = 6 };
enum : uint32_t { MS_CTS_ON = 0x10, MS_DSR_ON = 0x20, MS_RING_ON = 0x40, MS_RLSD_ON = 0x80 };
enum : uint32_t {
    EV_RXCHAR = 0x1,
    EV_CTS = 0x8,
    EV_DSR = 0x10,
    EV_RLSD = 0x20,
    EV_BREAK = 0x40,
    EV_ERR = 0x80,
    EV_RING = 0x100,
};
struct COMSTAT {
    uint32_t cbInQue = 0;
    uint32_t cbOutQue = 0;
};

// The device namespace of the ports, as Windows' global COMn names are: the fixed rule, or
// exactly the ports a list names (the registry file's [Ports] section).
struct PortTable {
    // nullopt: the fixed rule, which needs no writing and reaches the on-board, USB and ACM
    // devices alike: COM1-16 = /dev/ttyS0-15, COM17-32 = /dev/ttyUSB0-15,
    // COM33-48 = /dev/ttyACM0-15; higher numbers name nothing.
    std::optional<std::map<int, QString>> Ports;

    std::optional<QString> DevicePath(int ComNumber) const;
};
// Installed once by the program; before that (and after nullopt) no port exists, so a probe
// of every port number never opens a device no one meant.
void SetPortTable(std::optional<PortTable> Table);
std::optional<QString> DevicePath(int ComNumber);

// Name "\\.\COMn" (or "COMn"). Fails with ERROR_FILE_NOT_FOUND (no such port),
// ERROR_ACCESS_DENIED (held by another program) or ERROR_NO_PERMISSION. A probe only finds
// out whether the port can be opened and leaves the device's settings as they are.
Handle CreateFile(const QString& Name, bool Probe = false);
bool CloseHandle(Handle H);
bool SetupComm(Handle H, uint32_t InQueue, uint32_t OutQueue);
bool GetCommState(Handle H, DCB& Settings);
bool SetCommState(Handle H, const DCB& Settings);
bool PurgeComm(Handle H, uint32_t Flags);
bool EscapeCommFunction(Handle H, uint32_t Func);
bool GetCommModemStatus(Handle H, uint32_t& Status);
bool ClearCommError(Handle H, uint32_t& Errors, COMSTAT* Stat);
// A mask of 0 ends a pending WaitCommEvent.
bool SetCommMask(Handle H, uint32_t Mask);

// An auto-reset event: a wait that sees it set clears it again.
class Event {
public:
    Event();
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    bool Valid() const { return fd_ >= 0; }
    void Set();
    void Reset();
    // True when the event was set within Milliseconds.
    bool Wait(uint32_t Milliseconds);
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};
inline constexpr uint32_t WAIT_OBJECT_0 = 0;
inline constexpr uint32_t WAIT_TIMEOUT = 258;
inline constexpr uint32_t WAIT_FAILED = 0xFFFFFFFF;
// Index of the first event found set (and cleared), WAIT_TIMEOUT or WAIT_FAILED.
uint32_t WaitForEvents(std::initializer_list<Event*> Events, uint32_t Milliseconds);

// Reads what the driver holds now: the byte count (0 = nothing there), or -1 on failure
// (ERROR_DEVICE_NOT_CONNECTED when the device went away, ERROR_INVALID_HANDLE).
int ReadFile(Handle H, void* Buffer, int Size);
// Writes what the driver takes now: the byte count (0 = driver full), or -1 on failure.
int WriteFile(Handle H, const void* Buffer, int Size);

enum class Ready { Device, Event, Timeout, Failed };
// Waits until the device can be read (or written), Wake is set, or the time is up.
// A device that hung up counts as ready: the next read or write reports the failure.
Ready WaitForDevice(Handle H, bool ForWrite, Event* Wake, uint32_t Milliseconds);
// Waits for a line event of the mask (modem lines) for at most Milliseconds: true with
// Events set (0 when the time is up, Wake was set or the mask became 0); false on failure.
bool WaitCommEvent(Handle H, uint32_t& Events, Event* Wake, uint32_t Milliseconds);

} // namespace Comm
