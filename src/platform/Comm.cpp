#include "platform/Comm.h"

#include <QRegularExpression>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace Comm {

namespace {

thread_local uint32_t letzterFehler = 0;

// What the driver does not keep itself: the settings as last written (termios cannot hold
// all of them) and the event mask.
struct Geraet {
    DCB settings;
    uint32_t mask = 0;
    uint32_t modem = 0;
    bool modemKnown = false;
};

struct Geraete {
    std::mutex lock;
    std::map<int, Geraet> map;
    std::optional<PortTable> ports;
};

Geraete& geraete() {
    static Geraete g;
    return g;
}

uint32_t ausErrno(int e) {
    switch (e) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EBUSY:
    case EWOULDBLOCK:
        return ERROR_ACCESS_DENIED;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_NO_PERMISSION;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
    case ENOTTY:
        return ERROR_INVALID_PARAMETER;
    case EIO:
    case EPIPE:
        return ERROR_DEVICE_NOT_CONNECTED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

bool fehler(int e) {
    SetLastError(ausErrno(e));
    return false;
}

struct Rate {
    uint32_t baud;
    speed_t code;
};
constexpr Rate raten[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600}};

std::optional<speed_t> rateCode(uint32_t baud) {
    for (const Rate& r : raten)
        if (r.baud == baud)
            return r.code;
    return std::nullopt;
}

uint32_t rateAusCode(speed_t code) {
    for (const Rate& r : raten)
        if (r.code == code)
            return r.baud;
    return 0;
}

// Port number of "\\.\COMn" or "COMn", 0 when the name is none.
int portNummer(const QString& name) {
    static const QRegularExpression muster(QStringLiteral("^(?:\\\\\\\\\\.\\\\)?COM(\\d+)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const auto m = muster.match(name);
    if (!m.hasMatch())
        return 0;
    bool ok = false;
    const int n = m.captured(1).toInt(&ok);
    return ok ? n : 0;
}

// True when h names an open device; else false, with "invalid handle" as the last error.
bool offen(Handle h) {
    auto& g = geraete();
    std::lock_guard lk(g.lock);
    if (g.map.count(h) != 0)
        return true;
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

// What every open device is switched to, and what a change of settings starts from again.
void rohModus(termios& t) {
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

Handle eintragen(int fd, const Geraet& geraet) {
    auto& g = geraete();
    std::lock_guard lk(g.lock);
    g.map[fd] = geraet;
    SetLastError(ERROR_SUCCESS);
    return fd;
}

// Runs f on the open device h under the device lock; false, with "invalid handle" as the
// last error, when h names no open device.
template <class F> bool mitGeraet(Handle h, F&& f) {
    auto& g = geraete();
    std::lock_guard lk(g.lock);
    auto it = g.map.find(h);
    if (it == g.map.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    f(it->second);
    return true;
}

} // namespace

uint32_t GetLastError() {
    return letzterFehler;
}

void SetLastError(uint32_t Code) {
    letzterFehler = Code;
}

QString SystemErrorText(uint32_t Code) {
    switch (Code) {
    case ERROR_SUCCESS:
        return QStringLiteral("The operation completed successfully.");
    case ERROR_FILE_NOT_FOUND:
        return QStringLiteral("The system cannot find the file specified.");
    case ERROR_PATH_NOT_FOUND:
        return QStringLiteral("The system cannot find the path specified.");
    case ERROR_ACCESS_DENIED:
        return QStringLiteral("Access is denied.");
    case ERROR_INVALID_HANDLE:
        return QStringLiteral("The handle is invalid.");
    case ERROR_NOT_ENOUGH_MEMORY:
        return QStringLiteral("Not enough memory resources are available to process this "
                              "command.");
    case ERROR_GEN_FAILURE:
        return QStringLiteral("A device attached to the system is not functioning.");
    case ERROR_INVALID_PARAMETER:
        return QStringLiteral("The parameter is incorrect.");
    case ERROR_OPERATION_ABORTED:
        return QStringLiteral("The I/O operation has been aborted.");
    case ERROR_IO_PENDING:
        return QStringLiteral("Overlapped I/O operation is in progress.");
    case ERROR_DEVICE_NOT_CONNECTED:
        return QStringLiteral("The device is not connected.");
    case ERROR_NO_PERMISSION:
        return QStringLiteral("No permission to open the serial port device.");
    default:
        return {};
    }
}

std::optional<QString> PortTable::DevicePath(int ComNumber) const {
    if (Ports) {
        const auto it = Ports->find(ComNumber);
        if (it == Ports->end())
            return std::nullopt;
        return it->second;
    }
    // Sixteen numbers for each kind of device, in a fixed order, so that a stored port
    // number keeps naming the same device whatever else is plugged in.
    static constexpr const char* kinds[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
    constexpr int perKind = 16;
    if (ComNumber < 1 || ComNumber > perKind * static_cast<int>(std::size(kinds)))
        return std::nullopt;
    const int index = ComNumber - 1;
    return QLatin1String(kinds[index / perKind]) + QString::number(index % perKind);
}

void SetPortTable(std::optional<PortTable> Table) {
    auto& g = geraete();
    std::lock_guard lk(g.lock);
    g.ports = std::move(Table);
}

std::optional<QString> DevicePath(int ComNumber) {
    auto& g = geraete();
    std::lock_guard lk(g.lock);
    if (!g.ports)
        return std::nullopt;
    return g.ports->DevicePath(ComNumber);
}

Handle CreateFile(const QString& Name, bool Probe) {
    const auto pfad = DevicePath(portNummer(Name));
    if (!pfad || pfad->isEmpty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const QByteArray p = pfad->toLocal8Bit();
    const int fd = ::open(p.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        fehler(errno);
        return INVALID_HANDLE_VALUE;
    }
    auto abbruch = [fd](uint32_t code) {
        ::close(fd);
        SetLastError(code);
        return INVALID_HANDLE_VALUE;
    };
    if (!::isatty(fd))
        return abbruch(ERROR_FILE_NOT_FOUND);
    // The exclusive-open flag does not stop a privileged user, the lock does.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return abbruch(errno == EWOULDBLOCK ? ERROR_ACCESS_DENIED : ausErrno(errno));
    if (::ioctl(fd, TIOCEXCL) != 0)
        return abbruch(ausErrno(errno));
    if (Probe)
        return eintragen(fd, Geraet{});
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return abbruch(ausErrno(errno));
    rohModus(t);
    if (::tcsetattr(fd, TCSANOW, &t) != 0)
        return abbruch(ausErrno(errno));

    Geraet geraet;
    geraet.settings.BaudRate = rateAusCode(::cfgetospeed(&t));
    geraet.settings.Flags = fBinary;
    geraet.settings.ByteSize = 8;
    return eintragen(fd, geraet);
}

bool CloseHandle(Handle H) {
    {
        auto& g = geraete();
        std::lock_guard lk(g.lock);
        if (g.map.erase(H) == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
    }
    // The exclusive flag stays with the terminal, not the descriptor: clear it for the next open.
    ::ioctl(H, TIOCNXCL);
    ::flock(H, LOCK_UN);
    if (::close(H) != 0)
        return fehler(errno);
    return true;
}

bool SetupComm(Handle H, uint32_t, uint32_t) {
    // The driver's queues have a fixed size here.
    if (!offen(H))
        return false;
    return true;
}

bool GetCommState(Handle H, DCB& Settings) {
    return mitGeraet(H, [&](const Geraet& d) { Settings = d.settings; });
}

bool SetCommState(Handle H, const DCB& Settings) {
    if (!offen(H))
        return false;
    termios t{};
    if (::tcgetattr(H, &t) != 0)
        return fehler(errno);
    rohModus(t);
    const auto code = rateCode(Settings.BaudRate);
    if (!code || Settings.ByteSize < 5 || Settings.ByteSize > 8 || Settings.Parity > 4 ||
        Settings.StopBits > 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    ::cfsetispeed(&t, *code);
    ::cfsetospeed(&t, *code);
    t.c_cflag &= ~CSIZE;
    t.c_cflag |= Settings.ByteSize == 5   ? CS5
                 : Settings.ByteSize == 6 ? CS6
                 : Settings.ByteSize == 7 ? CS7
                                          : CS8;
    t.c_cflag &= ~(PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    switch (Settings.Parity) {
    case 1:
        t.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        t.c_cflag |= PARENB;
        break;
    case 3:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 4:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (Settings.StopBits != ONESTOPBIT)
        t.c_cflag |= CSTOPB;
    if ((Settings.Flags & fOutxCtsFlow) ||
        (Settings.Flags & RTS_CONTROL_MASK) == RTS_CONTROL_HANDSHAKE)
        t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    if (Settings.Flags & fOutX)
        t.c_iflag |= IXON;
    if (Settings.Flags & fInX)
        t.c_iflag |= IXOFF;
    if (Settings.Flags & fParity)
        t.c_iflag |= INPCK;
    t.c_cc[VSTART] = static_cast<cc_t>(Settings.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(Settings.XoffChar);
    if (::tcsetattr(H, TCSANOW, &t) != 0)
        return fehler(errno);
    mitGeraet(H, [&](Geraet& d) { d.settings = Settings; });
    return true;
}

bool PurgeComm(Handle H, uint32_t Flags) {
    if (!offen(H))
        return false;
    const bool aus = Flags & (PURGE_TXABORT | PURGE_TXCLEAR);
    const bool ein = Flags & (PURGE_RXABORT | PURGE_RXCLEAR);
    const int queue = aus && ein ? TCIOFLUSH : aus ? TCOFLUSH : TCIFLUSH;
    if ((aus || ein) && ::tcflush(H, queue) != 0)
        return fehler(errno);
    return true;
}

bool EscapeCommFunction(Handle H, uint32_t Func) {
    int bit = 0;
    bool setzen = false;
    switch (Func) {
    case SETRTS:
        bit = TIOCM_RTS;
        setzen = true;
        break;
    case CLRRTS:
        bit = TIOCM_RTS;
        break;
    case SETDTR:
        bit = TIOCM_DTR;
        setzen = true;
        break;
    case CLRDTR:
        bit = TIOCM_DTR;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!offen(H))
        return false;
    if (::ioctl(H, setzen ? TIOCMBIS : TIOCMBIC, &bit) != 0 && errno != ENOTTY && errno != EINVAL)
        return fehler(errno); // a pseudo-terminal has no modem lines: nothing to do
    return true;
}

bool GetCommModemStatus(Handle H, uint32_t& Status) {
    Status = 0;
    int bits = 0;
    if (::ioctl(H, TIOCMGET, &bits) != 0) {
        if (errno == ENOTTY || errno == EINVAL)
            return true;
        return fehler(errno);
    }
    if (bits & TIOCM_CTS)
        Status |= MS_CTS_ON;
    if (bits & TIOCM_DSR)
        Status |= MS_DSR_ON;
    if (bits & TIOCM_RNG)
        Status |= MS_RING_ON;
    if (bits & TIOCM_CAR)
        Status |= MS_RLSD_ON;
    return true;
}

bool ClearCommError(Handle H, uint32_t& Errors, COMSTAT* Stat) {
    Errors = 0;
    if (!offen(H))
        return false;
    if (Stat) {
        int n = 0;
        Stat->cbInQue = ::ioctl(H, FIONREAD, &n) == 0 ? static_cast<uint32_t>(n) : 0;
        n = 0;
        Stat->cbOutQue = ::ioctl(H, TIOCOUTQ, &n) == 0 ? static_cast<uint32_t>(n) : 0;
    }
    return true;
}

bool SetCommMask(Handle H, uint32_t Mask) {
    return mitGeraet(H, [&](Geraet& d) { d.mask = Mask; });
}

Event::Event() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

Event::~Event() {
    if (fd_ >= 0)
        ::close(fd_);
}

void Event::Set() {
    const uint64_t eins = 1;
    [[maybe_unused]] const auto n = ::write(fd_, &eins, sizeof eins);
}

void Event::Reset() {
    uint64_t wert = 0;
    [[maybe_unused]] const auto n = ::read(fd_, &wert, sizeof wert);
}

namespace {

using Uhr = std::chrono::steady_clock;

int restMs(Uhr::time_point ende) {
    const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(ende - Uhr::now());
    return rest.count() < 0 ? 0 : static_cast<int>(rest.count());
}

bool verbrauche(int fd) {
    uint64_t wert = 0;
    return ::read(fd, &wert, sizeof wert) == static_cast<ssize_t>(sizeof wert);
}

} // namespace

bool Event::Wait(uint32_t Milliseconds) {
    return WaitForEvents({this}, Milliseconds) == WAIT_OBJECT_0;
}

uint32_t WaitForEvents(std::initializer_list<Event*> Events, uint32_t Milliseconds) {
    const auto ende = Uhr::now() + std::chrono::milliseconds(Milliseconds);
    pollfd fds[8];
    const size_t n = std::min<size_t>(Events.size(), 8);
    for (;;) {
        size_t i = 0;
        for (Event* e : Events) {
            if (i == n)
                break;
            fds[i] = {e->fd(), POLLIN, 0};
            ++i;
        }
        const int r = ::poll(fds, n, restMs(ende));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            fehler(errno);
            return WAIT_FAILED;
        }
        for (i = 0; i < n; ++i)
            if ((fds[i].revents & POLLIN) && verbrauche(fds[i].fd))
                return WAIT_OBJECT_0 + static_cast<uint32_t>(i);
        if (r == 0 && restMs(ende) == 0)
            return WAIT_TIMEOUT;
    }
}

int ReadFile(Handle H, void* Buffer, int Size) {
    for (;;) {
        const ssize_t n = ::read(H, Buffer, static_cast<size_t>(Size));
        if (n > 0)
            return static_cast<int>(n);
        if (n == 0) {
            // A raw tty with nothing to give reads 0 bytes; only a hang-up makes it final.
            pollfd p{H, POLLIN, 0};
            if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR))) {
                SetLastError(ERROR_DEVICE_NOT_CONNECTED);
                return -1;
            }
            return 0;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        fehler(errno);
        return -1;
    }
}

int WriteFile(Handle H, const void* Buffer, int Size) {
    for (;;) {
        const ssize_t n = ::write(H, Buffer, static_cast<size_t>(Size));
        if (n >= 0)
            return static_cast<int>(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        fehler(errno);
        return -1;
    }
}

Ready WaitForDevice(Handle H, bool ForWrite, Event* Wake, uint32_t Milliseconds) {
    const auto ende = Uhr::now() + std::chrono::milliseconds(Milliseconds);
    for (;;) {
        pollfd fds[2] = {{H, static_cast<short>(ForWrite ? POLLOUT : POLLIN), 0},
                         {Wake ? Wake->fd() : -1, POLLIN, 0}};
        const int r = ::poll(fds, Wake ? 2 : 1, restMs(ende));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            fehler(errno);
            return Ready::Failed;
        }
        if (fds[0].revents & POLLNVAL) {
            SetLastError(ERROR_INVALID_HANDLE);
            return Ready::Failed;
        }
        if (fds[0].revents)
            return Ready::Device;
        if (Wake && (fds[1].revents & POLLIN) && verbrauche(fds[1].fd))
            return Ready::Event;
        if (r == 0 && restMs(ende) == 0)
            return Ready::Timeout;
    }
}

bool WaitCommEvent(Handle H, uint32_t& Events, Event* Wake, uint32_t Milliseconds) {
    Events = 0;
    const auto ende = Uhr::now() + std::chrono::milliseconds(Milliseconds);
    for (;;) {
        uint32_t maske = 0;
        if (!mitGeraet(H, [&](const Geraet& d) { maske = d.mask; }))
            return false;
        if (maske == 0)
            return true;
        // Modem lines have no change notification on every driver: they are sampled.
        uint32_t status = 0;
        if (GetCommModemStatus(H, status))
            mitGeraet(H, [&](Geraet& d) {
                if (d.modemKnown) {
                    const uint32_t diff = d.modem ^ status;
                    if (diff & MS_CTS_ON)
                        Events |= EV_CTS;
                    if (diff & MS_DSR_ON)
                        Events |= EV_DSR;
                    if (diff & MS_RLSD_ON)
                        Events |= EV_RLSD;
                    if ((d.modem & MS_RING_ON) && !(status & MS_RING_ON))
                        Events |= EV_RING;
                }
                d.modem = status;
                d.modemKnown = true;
                Events &= maske;
            });
        if (Events)
            return true;
        const int rest = restMs(ende);
        if (rest == 0)
            return true;
        const uint32_t w =
            Wake ? WaitForEvents({Wake}, std::min(rest, 20))
                 : (::usleep(static_cast<useconds_t>(std::min(rest, 20)) * 1000), WAIT_TIMEOUT);
        if (w == WAIT_OBJECT_0)
            return true;
        if (w == WAIT_FAILED)
            return false;
    }
}

} // namespace Comm
