#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <shared_mutex>

// The serial-port operations the serial layer is written against, with the platform's
// numbering of errors and flags. This file alone knows the operating system underneath
// (POSIX termios here); a Windows build replaces it with the native calls.
//
// Devices are always opened raw, non-blocking and exclusively (the lock files of Linux serial
// programs included), and are given back with the settings they had. Reads and writes never
// block; the waits below take the place of overlapped operations and can be interrupted
// through an event.
//
// A handle names one open of a device and is never given out again, so a call with a handle
// that was closed meanwhile fails (ERROR_INVALID_HANDLE) instead of reaching whatever the
// system opened under the same descriptor since. Closing waits for calls in progress on it.
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
// Line errors, as ClearCommError reports them (counted by the driver since the last call).
enum : uint32_t {
    CE_RXOVER = 0x1,
    CE_OVERRUN = 0x2,
    CE_RXPARITY = 0x4,
    CE_FRAME = 0x8,
    CE_BREAK = 0x10
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
// A terminal that another part of the program opened (file descriptor Fd), used like an open
// device; closing the handle gives it back with its settings and never closes Fd. Fails with
// ERROR_INVALID_HANDLE when Fd is no open terminal.
Handle AdoptHandle(int Fd);
// The line settings of the terminal Fd as it stands; false when Fd is no terminal.
bool ReadLineSettings(int Fd, DCB& Settings);
bool CloseHandle(Handle H);
// A descriptor of the caller's own on the open device H, for an event loop to watch: the
// system never gives its number to another file until the caller closes it, even when H is
// closed meanwhile. -1 (ERROR_INVALID_HANDLE) when H is not open.
int DuplicateDescriptor(Handle H);
// Gives back a descriptor of DuplicateDescriptor.
void CloseDescriptor(int Fd);
bool SetupComm(Handle H, uint32_t InQueue, uint32_t OutQueue);
bool GetCommState(Handle H, DCB& Settings);
bool SetCommState(Handle H, const DCB& Settings);
bool PurgeComm(Handle H, uint32_t Flags);
bool EscapeCommFunction(Handle H, uint32_t Func);
bool GetCommModemStatus(Handle H, uint32_t& Status);
bool ClearCommError(Handle H, uint32_t& Errors, COMSTAT* Stat);
// A mask of 0 ends a pending WaitCommEvent.
bool SetCommMask(Handle H, uint32_t Mask);

// An auto-reset event: a wait that sees it set clears it again. Any thread may close it while
// others use it: Set does nothing then, and waits fail at once.
class Event {
public:
    Event();
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    bool Valid() const;
    void Set();
    void Reset();
    // True when the event was set within Milliseconds.
    bool Wait(uint32_t Milliseconds);
    // Releases the descriptor (waits of other threads end within 50 ms); Open makes a new one.
    void Close();
    void Open();
    // For a wait on the descriptor: Lock keeps it open until released; -1 when closed.
    int LockForWait(std::shared_lock<std::shared_mutex>& Lock) const;

private:
    mutable std::shared_mutex lock_;
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
struct Block {
    void* Data;
    int Size;
};
// As ReadFile, into several blocks with one system call, each filled before the next (at
// most 64 blocks).
int ReadFileBlocks(Handle H, const Block* Blocks, int Count);
// Writes what the driver takes now: the byte count (0 = driver full), or -1 on failure.
int WriteFile(Handle H, const void* Buffer, int Size);

enum class Ready { Device, Event, Timeout, Failed };
// Waits until the device can be read (or written), Wake is set, or the time is up.
// A device that hung up counts as ready: the next read or write reports the failure.
Ready WaitForDevice(Handle H, bool ForWrite, Event* Wake, uint32_t Milliseconds);
// Waits for a line event of the mask (modem lines) for at most Milliseconds: true with
// Events set (0 when the time is up, Wake was set or the mask became 0); false on failure.
// Line errors and breaks that the driver counts come as EV_ERR and EV_BREAK.
bool WaitCommEvent(Handle H, uint32_t& Events, Event* Wake, uint32_t Milliseconds);

// Direction control for RS-485 (RTS raised while sending): with RTS_CONTROL_TOGGLE in the
// settings the kernel's RS-485 mode is used where the driver offers it; otherwise the writer
// brackets its writes: BeginSend raises RTS, EndSend waits until the bytes have left the
// transmitter (or Stop is set, or the time is up) and drops it. Both do nothing without RTS
// toggling or while the kernel does it; false only when the device failed.
bool BeginSend(Handle H);
bool EndSend(Handle H, const std::atomic<bool>& Stop, uint32_t Milliseconds);
// True while output must wait: DSR flow control (fOutxDsrFlow) is on and DSR is low.
bool OutputHeld(Handle H);

// The few device calls whose answers a pseudo-terminal cannot give (driver counters, modem
// lines, RS-485, the transmitter, rounded rates). Each returns false with errno set when the
// driver refuses; tests put a stand-in in their place.
struct LineCounters {
    uint32_t Frame = 0, Parity = 0, Overrun = 0, Break = 0, BufferOverrun = 0;
};
// The kernel's serial_rs485, field for field.
struct RS485Config {
    uint32_t Flags = 0;
    uint32_t DelayBefore = 0;
    uint32_t DelayAfter = 0;
    uint32_t Rest[5] = {};
};
enum : uint32_t { RS485_ENABLED = 0x1, RS485_RTS_ON_SEND = 0x2, RS485_RTS_AFTER_SEND = 0x4 };
class DeviceCalls {
public:
    virtual ~DeviceCalls() = default;
    virtual bool Counters(int Fd, LineCounters& Counts);
    // Status: the MS_ bits.
    virtual bool ModemLines(int Fd, uint32_t& Status);
    // Func: SETRTS, CLRRTS, SETDTR or CLRDTR.
    virtual bool SetModemLine(int Fd, uint32_t Func);
    virtual bool GetRS485(int Fd, RS485Config& Config);
    virtual bool SetRS485(int Fd, const RS485Config& Config);
    virtual bool TransmitterEmpty(int Fd, bool& Empty);
    // Sets both directions to Rate; Actual is what the driver settled on.
    virtual bool SetRate(int Fd, uint32_t Rate, uint32_t& Actual);
};
// Null puts the real calls back. The stand-in must outlive every open device.
void SetDeviceCalls(DeviceCalls* Calls);

} // namespace Comm
