#include "platform/Comm.h"

#include "platform/Baudrate.h"
#include "platform/LockFile.h"
#include "platform/PlatformLog.h"

#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <map>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/uio.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace Comm {

namespace {

thread_local uint32_t letzterFehler = 0;

enum class Umschaltung { Keine, Kernel, Programm };

// One open device. The descriptor stays valid while a call holds `benutzt` shared; closing
// takes it exclusively. The rest is what the driver does not keep itself, under `zustand`.
struct Geraet {
    int fd = -1;
    bool eigen = true; // opened here; a handed-over descriptor is never closed
    bool geschlossen = false;
    std::shared_mutex benutzt;

    std::mutex zustand;
    DCB settings;
    uint32_t mask = 0;
    uint32_t modem = 0;
    bool modemKnown = false;
    LineCounters ereignisBasis; // counters as the last line-event check saw them
    LineCounters fehlerBasis;   // counters as the last ClearCommError saw them
    bool zaehler = false;       // the driver counts line errors
    // The driver refused the call as one it does not offer (a pseudo-terminal): it is not
    // asked again, as the status thread and every delivery would ask it hundreds of times a
    // second for nothing.
    std::atomic<bool> ohneLinien{false};
    std::atomic<bool> ohneZaehler{false};
    Baudrate::Snapshot vorher; // the settings the device had at open
    int dateiFlags = -1;       // a handed-over descriptor's status flags
    bool exklusivVorher = false;
    QString sperrDatei;
    Umschaltung rts = Umschaltung::Keine;
    bool rs485Gemerkt = false;
    RS485Config rs485Vorher;
};

struct Geraete {
    std::mutex lock;
    std::map<int, std::shared_ptr<Geraet>> map;
    std::optional<PortTable> ports;
    int naechster = 1;
};

Geraete& geraete() {
    static Geraete g;
    return g;
}

DeviceCalls& echteAufrufe() {
    static DeviceCalls calls;
    return calls;
}

std::atomic<DeviceCalls*> aufrufeErsatz{nullptr};

DeviceCalls& aufrufe() {
    DeviceCalls* c = aufrufeErsatz.load();
    return c ? *c : echteAufrufe();
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

// The driver has no such call (a pseudo-terminal has no modem lines, counters or RS-485).
bool nichtAngeboten(int e) {
    return e == ENOTTY || e == EINVAL || e == EOPNOTSUPP;
}

// A driver call that the driver may not offer: once refused as such it is not made again
// (ohne remembers that); false (errno set) when it is not offered or failed.
template <class Ruf> bool angeboten(std::atomic<bool>& ohne, Ruf&& ruf) {
    if (ohne) {
        errno = ENOTTY;
        return false;
    }
    if (ruf())
        return true;
    if (nichtAngeboten(errno))
        ohne = true;
    return false;
}

bool modemLinien(Geraet& d, uint32_t& Status) {
    Status = 0;
    return angeboten(d.ohneLinien, [&] { return aufrufe().ModemLines(d.fd, Status); });
}

bool zaehlerStand(Geraet& d, LineCounters& Counts) {
    return angeboten(d.ohneZaehler, [&] { return aufrufe().Counters(d.fd, Counts); });
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

// An open device while a call uses it: its descriptor cannot be closed under the call.
class Zugriff {
public:
    explicit Zugriff(Handle h) {
        auto& g = geraete();
        {
            std::lock_guard lk(g.lock);
            auto it = g.map.find(h);
            if (it != g.map.end())
                geraet_ = it->second;
        }
        if (geraet_) {
            lk_ = std::shared_lock(geraet_->benutzt);
            if (geraet_->geschlossen) {
                lk_ = {};
                geraet_.reset();
            }
        }
        if (!geraet_)
            SetLastError(ERROR_INVALID_HANDLE);
    }
    explicit operator bool() const { return geraet_ != nullptr; }
    Geraet* operator->() const { return geraet_.get(); }
    int fd() const { return geraet_->fd; }

private:
    std::shared_ptr<Geraet> geraet_;
    std::shared_lock<std::shared_mutex> lk_;
};

// What every open device is switched to, and what a change of settings starts from again.
// A break is no data: the driver still counts it, but does not hand it on as a NUL byte.
void rohModus(termios& t) {
    ::cfmakeraw(&t);
    t.c_iflag |= IGNBRK;
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

Handle eintragen(std::shared_ptr<Geraet> geraet) {
    auto& g = geraete();
    std::lock_guard lk(g.lock);
    const Handle h = g.naechster++;
    g.map[h] = std::move(geraet);
    SetLastError(ERROR_SUCCESS);
    return h;
}

void zaehlerBasis(Geraet& d) {
    LineCounters c;
    d.zaehler = zaehlerStand(d, c);
    d.ereignisBasis = d.fehlerBasis = c;
}

uint32_t fehlerBits(const LineCounters& jetzt, const LineCounters& basis) {
    uint32_t e = 0;
    if (jetzt.BufferOverrun != basis.BufferOverrun)
        e |= CE_RXOVER;
    if (jetzt.Overrun != basis.Overrun)
        e |= CE_OVERRUN;
    if (jetzt.Parity != basis.Parity)
        e |= CE_RXPARITY;
    if (jetzt.Frame != basis.Frame)
        e |= CE_FRAME;
    if (jetzt.Break != basis.Break)
        e |= CE_BREAK;
    return e;
}

// Puts back what an open changed; the descriptor is closed when it was opened here.
void freigeben(Geraet& d) {
    if (d.rs485Gemerkt && !aufrufe().SetRS485(d.fd, d.rs485Vorher))
        qCDebug(lcPlatform) << "RS-485 settings not put back:" << std::strerror(errno);
    if (d.vorher.Valid && !Baudrate::Restore(d.fd, d.vorher))
        qCDebug(lcPlatform) << "line settings not put back:" << std::strerror(errno);
    if (!d.eigen) {
        if (d.dateiFlags >= 0)
            ::fcntl(d.fd, F_SETFL, d.dateiFlags);
        return;
    }
    // The exclusive flag stays with the terminal, not the descriptor: clear it for the next
    // open, unless it was set before this one.
    if (!d.exklusivVorher)
        ::ioctl(d.fd, TIOCNXCL);
    LockFile::Release(d.sperrDatei);
    ::flock(d.fd, LOCK_UN);
}

} // namespace

// ---- the real device calls ---------------------------------------------------------------

bool DeviceCalls::Counters(int Fd, LineCounters& Counts) {
    serial_icounter_struct c{};
    if (::ioctl(Fd, TIOCGICOUNT, &c) != 0)
        return false;
    Counts.Frame = static_cast<uint32_t>(c.frame);
    Counts.Parity = static_cast<uint32_t>(c.parity);
    Counts.Overrun = static_cast<uint32_t>(c.overrun);
    Counts.Break = static_cast<uint32_t>(c.brk);
    Counts.BufferOverrun = static_cast<uint32_t>(c.buf_overrun);
    return true;
}

bool DeviceCalls::ModemLines(int Fd, uint32_t& Status) {
    Status = 0;
    int bits = 0;
    if (::ioctl(Fd, TIOCMGET, &bits) != 0)
        return false;
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

bool DeviceCalls::SetModemLine(int Fd, uint32_t Func) {
    const int bit = Func == SETRTS || Func == CLRRTS ? TIOCM_RTS : TIOCM_DTR;
    const bool setzen = Func == SETRTS || Func == SETDTR;
    return ::ioctl(Fd, setzen ? TIOCMBIS : TIOCMBIC, &bit) == 0;
}

static_assert(sizeof(RS485Config) == sizeof(serial_rs485));

bool DeviceCalls::GetRS485(int Fd, RS485Config& Config) {
    serial_rs485 r{};
    if (::ioctl(Fd, TIOCGRS485, &r) != 0)
        return false;
    std::memcpy(static_cast<void*>(&Config), &r, sizeof r);
    return true;
}

bool DeviceCalls::SetRS485(int Fd, const RS485Config& Config) {
    serial_rs485 r{};
    std::memcpy(&r, &Config, sizeof r);
    return ::ioctl(Fd, TIOCSRS485, &r) == 0;
}

bool DeviceCalls::TransmitterEmpty(int Fd, bool& Empty) {
    int lsr = 0;
    if (::ioctl(Fd, TIOCSERGETLSR, &lsr) != 0)
        return false;
    Empty = (lsr & TIOCSER_TEMT) != 0;
    return true;
}

bool DeviceCalls::SetRate(int Fd, uint32_t Rate, uint32_t& Actual) {
    return Baudrate::Set(Fd, Rate, Actual);
}

void SetDeviceCalls(DeviceCalls* Calls) {
    aufrufeErsatz = Calls;
}

// ---- errors ------------------------------------------------------------------------------

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
    auto d = std::make_shared<Geraet>();
    d->fd = fd;
    auto abbruch = [&d, fd](uint32_t code) {
        LockFile::Release(d->sperrDatei);
        ::close(fd);
        SetLastError(code);
        return INVALID_HANDLE_VALUE;
    };
    if (!::isatty(fd))
        return abbruch(ERROR_FILE_NOT_FOUND);
    // The exclusive-open flag does not stop a privileged user, the lock does; the lock file
    // is what other serial programs look at. Taken in this order, a lock file naming this
    // process is one that no open handle of it holds any more.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return abbruch(errno == EWOULDBLOCK ? ERROR_ACCESS_DENIED : ausErrno(errno));
    if (LockFile::Acquire(*pfad, d->sperrDatei) == LockFile::Result::InUse)
        return abbruch(ERROR_ACCESS_DENIED);
    int exklusiv = 0;
    d->exklusivVorher = ::ioctl(fd, TIOCGEXCL, &exklusiv) == 0 && exklusiv != 0;
    if (::ioctl(fd, TIOCEXCL) != 0)
        return abbruch(ausErrno(errno));
    // A probe only finds out whether the port can be opened: it changes nothing to put back.
    if (Probe)
        return eintragen(std::move(d));
    if (!Baudrate::Save(fd, d->vorher))
        return abbruch(ausErrno(errno));
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return abbruch(ausErrno(errno));
    rohModus(t);
    if (::tcsetattr(fd, TCSANOW, &t) != 0)
        return abbruch(ausErrno(errno));
    ReadLineSettings(fd, d->settings);
    zaehlerBasis(*d);
    return eintragen(std::move(d));
}

Handle AdoptHandle(int Fd) {
    if (Fd < 0 || !::isatty(Fd)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_HANDLE_VALUE;
    }
    auto d = std::make_shared<Geraet>();
    d->fd = Fd;
    d->eigen = false;
    d->dateiFlags = ::fcntl(Fd, F_GETFL);
    Baudrate::Save(Fd, d->vorher);
    termios t{};
    if (d->dateiFlags < 0 || ::tcgetattr(Fd, &t) != 0) {
        fehler(errno);
        return INVALID_HANDLE_VALUE;
    }
    rohModus(t);
    if (::fcntl(Fd, F_SETFL, d->dateiFlags | O_NONBLOCK) != 0 ||
        ::tcsetattr(Fd, TCSANOW, &t) != 0) {
        const int e = errno;
        freigeben(*d);
        fehler(e);
        return INVALID_HANDLE_VALUE;
    }
    ReadLineSettings(Fd, d->settings);
    zaehlerBasis(*d);
    return eintragen(std::move(d));
}

bool ReadLineSettings(int Fd, DCB& Settings) {
    termios t{};
    if (::tcgetattr(Fd, &t) != 0)
        return fehler(errno);
    DCB s;
    uint32_t rate = 0;
    if (Baudrate::Get(Fd, rate))
        s.BaudRate = rate;
    switch (t.c_cflag & CSIZE) {
    case CS5:
        s.ByteSize = 5;
        break;
    case CS6:
        s.ByteSize = 6;
        break;
    case CS7:
        s.ByteSize = 7;
        break;
    default:
        s.ByteSize = 8;
        break;
    }
    if (t.c_cflag & PARENB) {
        if (t.c_cflag & CMSPAR)
            s.Parity = (t.c_cflag & PARODD) ? 3 : 4;
        else
            s.Parity = (t.c_cflag & PARODD) ? 1 : 2;
    }
    if (t.c_cflag & CSTOPB)
        s.StopBits = s.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
    s.Flags = fBinary;
    if (t.c_cflag & CRTSCTS)
        s.Flags |= fOutxCtsFlow | RTS_CONTROL_HANDSHAKE;
    if (t.c_iflag & IXON)
        s.Flags |= fOutX;
    if (t.c_iflag & IXOFF)
        s.Flags |= fInX;
    if (t.c_iflag & INPCK)
        s.Flags |= fParity;
    s.XonChar = t.c_cc[VSTART];
    s.XoffChar = t.c_cc[VSTOP];
    Settings = s;
    return true;
}

int DuplicateDescriptor(Handle H) {
    Zugriff z(H);
    if (!z)
        return -1;
    const int fd = ::fcntl(z.fd(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        fehler(errno);
    return fd;
}

void CloseDescriptor(int Fd) {
    if (Fd >= 0)
        ::close(Fd);
}

bool CloseHandle(Handle H) {
    std::shared_ptr<Geraet> d;
    {
        auto& g = geraete();
        std::lock_guard lk(g.lock);
        auto it = g.map.find(H);
        if (it == g.map.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        d = std::move(it->second);
        g.map.erase(it);
    }
    // Calls still running on the device end first; none can start any more.
    std::unique_lock lk(d->benutzt);
    d->geschlossen = true;
    {
        std::lock_guard z(d->zustand);
        freigeben(*d);
    }
    if (d->eigen && ::close(d->fd) != 0)
        return fehler(errno);
    return true;
}

bool SetupComm(Handle H, uint32_t, uint32_t) {
    // The driver's queues have a fixed size here.
    return static_cast<bool>(Zugriff(H));
}

bool GetCommState(Handle H, DCB& Settings) {
    Zugriff z(H);
    if (!z)
        return false;
    std::lock_guard lk(z->zustand);
    Settings = z->settings;
    return true;
}

namespace {

// RTS_CONTROL_TOGGLE on or off: the kernel's RS-485 mode where the driver has one, else the
// writer switches RTS itself (and it rests low, the receiving state, in between).
void rtsUmschaltung(Geraet& d, bool an) {
    if (an) {
        if (d.rts != Umschaltung::Keine)
            return;
        RS485Config alt;
        if (aufrufe().GetRS485(d.fd, alt)) {
            RS485Config neu = alt;
            neu.Flags |= RS485_ENABLED | RS485_RTS_ON_SEND;
            neu.Flags &= ~RS485_RTS_AFTER_SEND;
            if (aufrufe().SetRS485(d.fd, neu)) {
                if (!d.rs485Gemerkt) {
                    d.rs485Vorher = alt;
                    d.rs485Gemerkt = true;
                }
                d.rts = Umschaltung::Kernel;
                return;
            }
        }
        qCDebug(lcPlatform) << "the driver has no RS-485 mode (" << std::strerror(errno)
                            << "): RTS is switched around each write";
        d.rts = Umschaltung::Programm;
        aufrufe().SetModemLine(d.fd, CLRRTS);
        return;
    }
    if (d.rts == Umschaltung::Kernel && d.rs485Gemerkt && !aufrufe().SetRS485(d.fd, d.rs485Vorher))
        qCDebug(lcPlatform) << "RS-485 mode not switched off:" << std::strerror(errno);
    d.rts = Umschaltung::Keine;
}

} // namespace

bool SetCommState(Handle H, const DCB& Settings) {
    Zugriff z(H);
    if (!z)
        return false;
    // A rate of 0 would hang up the line; Baud is a signed number, so nothing above its range
    // was meant.
    if (Settings.BaudRate == 0 || Settings.BaudRate > 0x7FFFFFFFu || Settings.ByteSize < 5 ||
        Settings.ByteSize > 8 || Settings.Parity > 4 || Settings.StopBits > 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const int fd = z.fd();
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return fehler(errno);
    rohModus(t);
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

    // Nothing of a refused setting stays on the device.
    Baudrate::Snapshot alt;
    Baudrate::Save(fd, alt);
    if (::tcsetattr(fd, TCSANOW, &t) != 0)
        return fehler(errno);
    uint32_t ist = 0;
    if (!aufrufe().SetRate(fd, Settings.BaudRate, ist)) {
        const int e = errno;
        Baudrate::Restore(fd, alt);
        return fehler(e);
    }
    // Drivers round a rate to what their clock divides to; more than 2 % off garbles the line.
    const uint64_t abstand =
        ist > Settings.BaudRate ? ist - Settings.BaudRate : Settings.BaudRate - ist;
    if (abstand * 50 > Settings.BaudRate) {
        qCDebug(lcPlatform) << "baud rate" << Settings.BaudRate << "refused: the driver makes"
                            << ist;
        Baudrate::Restore(fd, alt);
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::lock_guard lk(z->zustand);
    rtsUmschaltung(*z.operator->(), (Settings.Flags & RTS_CONTROL_MASK) == RTS_CONTROL_TOGGLE);
    z->settings = Settings;
    return true;
}

bool PurgeComm(Handle H, uint32_t Flags) {
    Zugriff z(H);
    if (!z)
        return false;
    const bool aus = Flags & (PURGE_TXABORT | PURGE_TXCLEAR);
    const bool ein = Flags & (PURGE_RXABORT | PURGE_RXCLEAR);
    const int queue = aus && ein ? TCIOFLUSH : aus ? TCOFLUSH : TCIFLUSH;
    if ((aus || ein) && ::tcflush(z.fd(), queue) != 0)
        return fehler(errno);
    return true;
}

bool EscapeCommFunction(Handle H, uint32_t Func) {
    if (Func != SETRTS && Func != CLRRTS && Func != SETDTR && Func != CLRDTR) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    Zugriff z(H);
    if (!z)
        return false;
    if (!aufrufe().SetModemLine(z.fd(), Func) && !nichtAngeboten(errno))
        return fehler(errno); // a pseudo-terminal has no modem lines: nothing to do
    return true;
}

bool GetCommModemStatus(Handle H, uint32_t& Status) {
    Status = 0;
    Zugriff z(H);
    if (!z)
        return false;
    if (!modemLinien(*z.operator->(), Status)) {
        Status = 0;
        if (!nichtAngeboten(errno))
            return fehler(errno);
    }
    return true;
}

bool ClearCommError(Handle H, uint32_t& Errors, COMSTAT* Stat) {
    Errors = 0;
    Zugriff z(H);
    if (!z)
        return false;
    const int fd = z.fd();
    LineCounters c;
    if (zaehlerStand(*z.operator->(), c)) {
        std::lock_guard lk(z->zustand);
        if (z->zaehler)
            Errors = fehlerBits(c, z->fehlerBasis);
        else
            z->ereignisBasis = c; // the first count seen: what came before is no news
        z->fehlerBasis = c;
        z->zaehler = true;
    }
    if (Stat) {
        int n = 0;
        Stat->cbInQue = ::ioctl(fd, FIONREAD, &n) == 0 ? static_cast<uint32_t>(n) : 0;
        n = 0;
        Stat->cbOutQue = ::ioctl(fd, TIOCOUTQ, &n) == 0 ? static_cast<uint32_t>(n) : 0;
    }
    return true;
}

bool SetCommMask(Handle H, uint32_t Mask) {
    Zugriff z(H);
    if (!z)
        return false;
    std::lock_guard lk(z->zustand);
    z->mask = Mask;
    return true;
}

// ---- events ------------------------------------------------------------------------------

Event::Event() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

Event::~Event() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool Event::Valid() const {
    std::shared_lock lk(lock_);
    return fd_ >= 0;
}

void Event::Set() {
    std::shared_lock lk(lock_);
    if (fd_ < 0)
        return;
    const uint64_t eins = 1;
    [[maybe_unused]] const auto n = ::write(fd_, &eins, sizeof eins);
}

void Event::Reset() {
    std::shared_lock lk(lock_);
    if (fd_ < 0)
        return;
    uint64_t wert = 0;
    [[maybe_unused]] const auto n = ::read(fd_, &wert, sizeof wert);
}

void Event::Close() {
    std::unique_lock lk(lock_);
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void Event::Open() {
    std::unique_lock lk(lock_);
    if (fd_ < 0)
        fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

int Event::LockForWait(std::shared_lock<std::shared_mutex>& Lock) const {
    Lock = std::shared_lock(lock_);
    return fd_;
}

namespace {

using Uhr = std::chrono::steady_clock;

// Whole milliseconds left, rounded up: a wait for the last fraction of a millisecond must
// sleep through it, not call the system again and again with no time to wait.
int restMs(Uhr::time_point ende) {
    const auto rest = std::chrono::ceil<std::chrono::milliseconds>(ende - Uhr::now());
    return rest.count() < 0 ? 0 : static_cast<int>(rest.count());
}

// A wait holds its descriptors for one slice at a time, so that a close is never held up
// for longer.
constexpr int Scheibe = 50;

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
    constexpr size_t Max = 8;
    const size_t n = std::min(Events.size(), Max);
    for (;;) {
        {
            std::shared_lock<std::shared_mutex> locks[Max];
            pollfd fds[Max];
            size_t i = 0;
            for (Event* e : Events) {
                if (i == n)
                    break;
                const int fd = e->LockForWait(locks[i]);
                if (fd < 0) {
                    SetLastError(ERROR_INVALID_HANDLE);
                    return WAIT_FAILED;
                }
                fds[i] = {fd, POLLIN, 0};
                ++i;
            }
            const int r = ::poll(fds, n, std::min(restMs(ende), Scheibe));
            if (r < 0 && errno != EINTR) {
                fehler(errno);
                return WAIT_FAILED;
            }
            for (i = 0; r > 0 && i < n; ++i)
                if ((fds[i].revents & POLLIN) && verbrauche(fds[i].fd))
                    return WAIT_OBJECT_0 + static_cast<uint32_t>(i);
        }
        if (restMs(ende) == 0)
            return WAIT_TIMEOUT;
    }
}

// ---- data --------------------------------------------------------------------------------

int ReadFile(Handle H, void* Buffer, int Size) {
    const Block b{Buffer, Size};
    return ReadFileBlocks(H, &b, 1);
}

int ReadFileBlocks(Handle H, const Block* Blocks, int Count) {
    Zugriff z(H);
    if (!z)
        return -1;
    constexpr int Max = 64;
    iovec teile[Max];
    const int anzahl = std::clamp(Count, 0, Max);
    for (int i = 0; i < anzahl; ++i)
        teile[i] = {Blocks[i].Data, static_cast<size_t>(std::max(Blocks[i].Size, 0))};
    for (;;) {
        const ssize_t n = ::readv(z.fd(), teile, anzahl);
        if (n > 0)
            return static_cast<int>(n);
        if (n == 0) {
            // A raw tty with nothing to give reads 0 bytes; only a hang-up makes it final.
            pollfd p{z.fd(), POLLIN, 0};
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
    Zugriff z(H);
    if (!z)
        return -1;
    for (;;) {
        const ssize_t n = ::write(z.fd(), Buffer, static_cast<size_t>(Size));
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
        {
            Zugriff z(H);
            if (!z)
                return Ready::Failed;
            std::shared_lock<std::shared_mutex> wl;
            const int wfd = Wake ? Wake->LockForWait(wl) : -1;
            pollfd fds[2] = {{z.fd(), static_cast<short>(ForWrite ? POLLOUT : POLLIN), 0},
                             {wfd, POLLIN, 0}};
            const int r = ::poll(fds, 2, std::min(restMs(ende), Scheibe));
            if (r < 0 && errno != EINTR) {
                fehler(errno);
                return Ready::Failed;
            }
            if (r > 0) {
                if (fds[0].revents & POLLNVAL) {
                    SetLastError(ERROR_INVALID_HANDLE);
                    return Ready::Failed;
                }
                if (fds[0].revents)
                    return Ready::Device;
                if ((fds[1].revents & POLLIN) && verbrauche(wfd))
                    return Ready::Event;
            }
        }
        if (restMs(ende) == 0)
            return Ready::Timeout;
    }
}

bool WaitCommEvent(Handle H, uint32_t& Events, Event* Wake, uint32_t Milliseconds) {
    Events = 0;
    const auto ende = Uhr::now() + std::chrono::milliseconds(Milliseconds);
    for (;;) {
        bool nichtsZuSehen = false;
        {
            Zugriff z(H);
            if (!z)
                return false;
            Geraet& d = *z.operator->();
            uint32_t maske = 0;
            {
                std::lock_guard lk(d.zustand);
                maske = d.mask;
            }
            if (maske == 0)
                return true;
            // Modem lines and error counters have no change notification on every driver:
            // they are sampled.
            uint32_t status = 0;
            const bool linien = modemLinien(d, status);
            LineCounters c;
            const bool zaehler = zaehlerStand(d, c);
            std::lock_guard lk(d.zustand);
            if (linien) {
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
            }
            if (zaehler) {
                if (d.zaehler) {
                    const uint32_t e = fehlerBits(c, d.ereignisBasis);
                    if (e & CE_BREAK)
                        Events |= EV_BREAK;
                    if (e & ~CE_BREAK)
                        Events |= EV_ERR;
                } else {
                    d.fehlerBasis = c;
                    d.zaehler = true;
                }
                d.ereignisBasis = c;
            }
            Events &= maske;
            nichtsZuSehen = d.ohneLinien && d.ohneZaehler;
        }
        if (Events)
            return true;
        const int rest = restMs(ende);
        if (rest == 0)
            return true;
        // Sampled every 20 ms; a device with neither lines nor counters is only waited on.
        const int scheibe = nichtsZuSehen ? rest : std::min(rest, 20);
        const uint32_t w = Wake ? WaitForEvents({Wake}, static_cast<uint32_t>(scheibe))
                                : (::usleep(static_cast<useconds_t>(scheibe) * 1000), WAIT_TIMEOUT);
        if (w == WAIT_OBJECT_0)
            return true;
        if (w == WAIT_FAILED)
            return false;
    }
}

// ---- RS-485 and DSR flow -----------------------------------------------------------------

bool BeginSend(Handle H) {
    Zugriff z(H);
    if (!z)
        return false;
    std::lock_guard lk(z->zustand);
    if (z->rts == Umschaltung::Programm && !aufrufe().SetModemLine(z.fd(), SETRTS) &&
        !nichtAngeboten(errno))
        return fehler(errno);
    return true;
}

bool EndSend(Handle H, const std::atomic<bool>& Stop, uint32_t Milliseconds) {
    const auto ende = Uhr::now() + std::chrono::milliseconds(Milliseconds);
    for (;;) {
        Zugriff z(H);
        if (!z)
            return false;
        uint32_t baud = 0;
        int bits = 10;
        {
            std::lock_guard lk(z->zustand);
            if (z->rts != Umschaltung::Programm)
                return true;
            baud = z->settings.BaudRate;
            bits = z->settings.ByteSize + 2 + (z->settings.Parity != 0 ? 1 : 0);
        }
        // The line status register tells when the last bit has left; without it the driver's
        // queue is empty a character or two before that.
        bool leer = false;
        bool mitRegister = true;
        if (!aufrufe().TransmitterEmpty(z.fd(), leer)) {
            if (!nichtAngeboten(errno))
                return fehler(errno);
            mitRegister = false;
            int n = 0;
            leer = ::ioctl(z.fd(), TIOCOUTQ, &n) != 0 || n == 0;
        }
        if (leer || Stop || restMs(ende) == 0) {
            if (leer && !mitRegister && baud > 0)
                std::this_thread::sleep_for(std::chrono::microseconds(2000000ull * bits / baud));
            std::lock_guard lk(z->zustand);
            if (z->rts == Umschaltung::Programm && !aufrufe().SetModemLine(z.fd(), CLRRTS) &&
                !nichtAngeboten(errno))
                return fehler(errno);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool OutputHeld(Handle H) {
    Zugriff z(H);
    if (!z)
        return false;
    {
        std::lock_guard lk(z->zustand);
        if (!(z->settings.Flags & fOutxDsrFlow))
            return false;
    }
    // Without modem lines (a pseudo-terminal) there is no DSR to wait for.
    uint32_t status = 0;
    return modemLinien(*z.operator->(), status) && !(status & MS_DSR_ON);
}

} // namespace Comm
