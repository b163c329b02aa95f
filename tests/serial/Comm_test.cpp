#include "serial/SerialFixture.h"

#include "platform/Baudrate.h"
#include "platform/Comm.h"
#include "platform/LockFile.h"
#include "serial/SerMisc.h"
#include "serial/SerPort.h"
#include "serial/SerUser.h"
#include "serial/SerWin32.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Stands in for the device calls that a pseudo-terminal cannot answer: line-error counters,
// modem lines, RS-485 and the transmitter, and a driver that rounds baud rates. Whatever a
// test does not set goes to the real call.
class Geraetestand : public Comm::DeviceCalls {
public:
    bool Counters(int, Comm::LineCounters& C) override {
        std::lock_guard lk(m);
        C = zaehler;
        return true;
    }
    bool ModemLines(int Fd, uint32_t& Status) override {
        std::lock_guard lk(m);
        ++linienAbfragen;
        if (!linien)
            return DeviceCalls::ModemLines(Fd, Status);
        Status = *linien;
        return true;
    }
    bool SetModemLine(int Fd, uint32_t Func) override {
        {
            std::lock_guard lk(m);
            protokoll.push_back(Func == Comm::SETRTS   ? "RTS+"
                                : Func == Comm::CLRRTS ? "RTS-"
                                : Func == Comm::SETDTR ? "DTR+"
                                                       : "DTR-");
        }
        return DeviceCalls::SetModemLine(Fd, Func);
    }
    bool GetRS485(int Fd, Comm::RS485Config& C) override {
        std::lock_guard lk(m);
        if (!rs485)
            return DeviceCalls::GetRS485(Fd, C);
        C = *rs485;
        return true;
    }
    bool SetRS485(int Fd, const Comm::RS485Config& C) override {
        std::lock_guard lk(m);
        if (!rs485)
            return DeviceCalls::SetRS485(Fd, C);
        rs485 = C;
        protokoll.push_back("RS485=" + std::to_string(C.Flags));
        return true;
    }
    bool TransmitterEmpty(int, bool& Empty) override {
        std::lock_guard lk(m);
        Empty = senderLeer;
        return true;
    }
    bool SetRate(int Fd, uint32_t Rate, uint32_t& Actual) override {
        // A driver whose clock divides the rate to a percentage off.
        {
            std::lock_guard lk(m);
            ++raten;
        }
        const auto gerundet = static_cast<uint32_t>(Rate * (100.0 + rundungProzent) / 100.0);
        return Baudrate::Set(Fd, gerundet, Actual);
    }

    std::vector<std::string> log() {
        std::lock_guard lk(m);
        return protokoll;
    }
    bool enthaelt(const std::string& was) {
        const auto l = log();
        return std::find(l.begin(), l.end(), was) != l.end();
    }

    std::mutex m;
    Comm::LineCounters zaehler;
    std::optional<uint32_t> linien;
    std::optional<Comm::RS485Config> rs485;
    bool senderLeer = true;
    double rundungProzent = 0;
    int raten = 0; // line settings written
    int linienAbfragen = 0;
    std::vector<std::string> protokoll;
};

bool gleich(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && a.c_line == b.c_line &&
           std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 && a.c_ispeed == b.c_ispeed &&
           a.c_ospeed == b.c_ospeed;
}

class CommTest : public SerialTest {
protected:
    void SetUp() override {
        SerialTest::SetUp();
        ASSERT_TRUE(far.ok());
        mappe({{5, far.slavePfad()}});
        port.SetComNumber(5);
        port.SetOnTriggerAvail([](TSerCustomComPort& cp, uint16_t count) {
            for (int i = 0; i < count; ++i)
                cp.GetChar();
        });
    }
    void TearDown() override {
        port.SetOpen(false);
        Comm::SetDeviceCalls(nullptr);
        SerialTest::TearDown();
    }

    termios leseTermios() const {
        termios t{};
        tcgetattr(far.master(), &t);
        return t;
    }
    // The descriptors of this process open on the device (by device number: the path of a
    // pseudo-terminal is gone with its far end).
    static int offeneDeskriptoren(dev_t geraet) {
        int n = 0;
        QDirIterator it(QStringLiteral("/proc/self/fd"));
        while (it.hasNext()) {
            struct stat st {};
            if (::stat(QFile::encodeName(it.next()).constData(), &st) == 0 && S_ISCHR(st.st_mode) &&
                st.st_rdev == geraet)
                ++n;
        }
        return n;
    }
    int eventDeskriptoren() const {
        int n = 0;
        QDirIterator it(QStringLiteral("/proc/self/fd"));
        while (it.hasNext()) {
            char ziel[256] = {};
            const QByteArray pfad = QFile::encodeName(it.next());
            if (::readlink(pfad.constData(), ziel, sizeof ziel - 1) > 0 &&
                std::strstr(ziel, "eventfd"))
                ++n;
        }
        return n;
    }
    // The device's lock file, named as the lock folder of this run has it.
    QString sperrDatei() const { return LockFile::PathFor(far.slavePfad()); }
    void schreibeSperre(const QByteArray& inhalt) {
        QFile f(sperrDatei());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(inhalt);
    }

    PtyPaar far;
    TSerComPort port;
    Geraetestand stand;
};

// ---- settings given back -----------------------------------------------------------------

TEST_F(CommTest, ProbeAndOpenGiveTheTerminalBackByteForByte) {
    // A terminal as another program left it: cooked, echoing, 7E2 at an odd rate.
    termios t = leseTermios();
    t.c_lflag |= ICANON | ECHO | ISIG;
    t.c_iflag |= ICRNL | BRKINT;
    t.c_oflag |= OPOST | ONLCR;
    t.c_cflag = (t.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB;
    ASSERT_EQ(tcsetattr(far.master(), TCSANOW, &t), 0);
    uint32_t rate = 0;
    ASSERT_TRUE(Baudrate::Set(far.master(), 31250, rate));
    const termios vorher = leseTermios();
    Baudrate::Snapshot kern;
    ASSERT_TRUE(Baudrate::Save(far.master(), kern));

    auto unveraendert = [&](const char* schritt) {
        EXPECT_TRUE(gleich(leseTermios(), vorher)) << schritt;
        Baudrate::Snapshot s;
        ASSERT_TRUE(Baudrate::Save(far.master(), s));
        EXPECT_EQ(std::memcmp(s.Bytes, kern.Bytes, sizeof s.Bytes), 0) << schritt;
    };

    EXPECT_TRUE(IsPortAvailable(5));
    unveraendert("probe");

    // Raw while open, whatever the component sets.
    port.SetBaud(57600);
    port.SetDataBits(8);
    port.SetOpen(true);
    const termios offen = leseTermios();
    EXPECT_FALSE(offen.c_lflag & (ICANON | ECHO));
    EXPECT_TRUE(offen.c_iflag & IGNBRK) << "a break would be read as a NUL byte";
    EXPECT_EQ(cfgetospeed(&offen), static_cast<speed_t>(B57600));
    port.SetOpen(false);
    unveraendert("open and close");
}

// ---- lock files --------------------------------------------------------------------------

TEST_F(CommTest, LockFilesOfLiveProcessesMakeThePortInUse) {
    // Held while open, ten digits and a newline, gone after the close.
    port.SetOpen(true);
    QFile f(sperrDatei());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << sperrDatei().toStdString();
    EXPECT_EQ(f.readAll(), QByteArray::number(::getpid()).rightJustified(10, ' ') + '\n');
    f.close();
    EXPECT_EQ(QFileInfo(sperrDatei()).permissions() & QFile::ReadOther, QFile::ReadOther);
    port.SetOpen(false);
    EXPECT_FALSE(QFile::exists(sperrDatei()));

    struct Fall {
        const char* name;
        QByteArray inhalt;
        bool belegt;
    };
    const int eins = 1;
    const Fall faelle[] = {
        {"ascii, process 1 lives", "         1\n", true},
        {"binary, process 1 lives", QByteArray(reinterpret_cast<const char*>(&eins), 4), true},
        {"stale: no such process", "2147483647\n", false},
        {"garbage", "kaputt\n", false},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        schreibeSperre(fall.inhalt);
        TSerComPort zweiter;
        zweiter.SetComNumber(5);
        if (fall.belegt) {
            try {
                zweiter.SetOpen(true);
                ADD_FAILURE() << "opened a port whose lock file a live process holds";
            } catch (const EAlreadyOpen& e) {
                EXPECT_EQ(e.ErrorCode(), -2008);
            }
            // Listed as there, but taken; the lock file is not touched.
            EXPECT_TRUE(IsPortAvailable(5));
            QFile g(sperrDatei());
            ASSERT_TRUE(g.open(QIODevice::ReadOnly));
            EXPECT_EQ(g.readAll(), fall.inhalt);
        } else {
            zweiter.SetOpen(true);
            EXPECT_TRUE(zweiter.Open());
            QFile g(sperrDatei());
            ASSERT_TRUE(g.open(QIODevice::ReadOnly));
            EXPECT_EQ(g.readAll().trimmed().toInt(), ::getpid());
            zweiter.SetOpen(false);
        }
        QFile::remove(sperrDatei());
    }
}

TEST_F(CommTest, AnUnusableLockFolderDoesNotStopTheOpen) {
    const QByteArray alt = qgetenv("QUORVEL_LOCK_DIR");
    QTemporaryDir dir;
    qputenv("QUORVEL_LOCK_DIR", QFile::encodeName(dir.filePath(QStringLiteral("fehlt"))));
    port.SetOpen(true);
    EXPECT_TRUE(port.Open());
    port.SetOpen(false);
    qputenv("QUORVEL_LOCK_DIR", alt);
}

// ---- device failure ----------------------------------------------------------------------

TEST_F(CommTest, AFailedDeviceIsReleasedBeforeThePortIsClosed) {
    const int eventsVorher = eventDeskriptoren();
    port.SetOpen(true);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(far.slavePfad()).constData(), &st), 0);
    const dev_t ziel = st.st_rdev;
    // The port's own descriptor, and the one the GUI thread watches.
    ASSERT_GE(offeneDeskriptoren(ziel), 1);
    const int eventsOffen = eventDeskriptoren();
    ASSERT_GE(eventsOffen, eventsVorher + 5);

    far.schliesse(); // the adapter is pulled
    EXPECT_TRUE(warte([&] { return offeneDeskriptoren(ziel) == 0; }, 3000));
    EXPECT_TRUE(warte([&] { return eventDeskriptoren() <= eventsOffen - 5; }, 3000));
    EXPECT_TRUE(port.Open()); // until the user closes it
    EXPECT_FALSE(QFile::exists(sperrDatei()));
    EXPECT_THROW(port.PutString("x"), EOutputBufferTooSmall);
    port.SetOpen(false);
    EXPECT_FALSE(port.Open());
}

// ---- line errors and breaks --------------------------------------------------------------

TEST_F(CommTest, CountedLineErrorsAndBreaksReachClearCommErrorAndTheStatusThread) {
    Comm::SetDeviceCalls(&stand);
    const Comm::Handle h = Comm::CreateFile(QStringLiteral("COM5"));
    ASSERT_NE(h, Comm::INVALID_HANDLE_VALUE);
    uint32_t fehler = 0;
    ASSERT_TRUE(Comm::ClearCommError(h, fehler, nullptr));
    EXPECT_EQ(fehler, 0u);
    {
        std::lock_guard lk(stand.m);
        stand.zaehler.Frame += 2;
        stand.zaehler.Break += 1;
    }
    ASSERT_TRUE(Comm::ClearCommError(h, fehler, nullptr));
    EXPECT_EQ(fehler, Comm::CE_FRAME | Comm::CE_BREAK);
    ASSERT_TRUE(Comm::ClearCommError(h, fehler, nullptr));
    EXPECT_EQ(fehler, 0u) << "each count is reported once";

    // The status thread's events, each kind on its own.
    ASSERT_TRUE(Comm::SetCommMask(h, 0x1F9));
    uint32_t ereignisse = 0;
    ASSERT_TRUE(Comm::WaitCommEvent(h, ereignisse, nullptr, 30));
    EXPECT_EQ(ereignisse, Comm::EV_ERR | Comm::EV_BREAK) << "counted since the open";
    ASSERT_TRUE(Comm::WaitCommEvent(h, ereignisse, nullptr, 30));
    EXPECT_EQ(ereignisse, 0u);
    const std::pair<uint32_t Comm::LineCounters::*, uint32_t> faelle[] = {
        {&Comm::LineCounters::Parity, Comm::EV_ERR},
        {&Comm::LineCounters::Overrun, Comm::EV_ERR},
        {&Comm::LineCounters::BufferOverrun, Comm::EV_ERR},
        {&Comm::LineCounters::Break, Comm::EV_BREAK}};
    for (const auto& [feld, erwartet] : faelle) {
        {
            std::lock_guard lk(stand.m);
            ++(stand.zaehler.*feld);
        }
        ASSERT_TRUE(Comm::WaitCommEvent(h, ereignisse, nullptr, 1000));
        EXPECT_EQ(ereignisse, erwartet);
    }
    EXPECT_TRUE(Comm::CloseHandle(h));

    // Through the component: the dispatcher's line error word.
    port.SetOpen(true);
    {
        std::lock_guard lk(stand.m);
        stand.zaehler.Frame += 1;
        stand.zaehler.Break += 1;
    }
    EXPECT_TRUE(warte([&] { return (port.ValidDispatcher().LineErrorWord() & 0x18) == 0x18; }));
    EXPECT_EQ(port.ValidDispatcher().GetLineError(), 4); // framing
    EXPECT_TRUE(port.ValidDispatcher().CheckLineBreak());
}

// ---- baud rates --------------------------------------------------------------------------

// A line change to the settings the device has already writes nothing (and so waits for
// nothing); a real change is written once.
TEST_F(CommTest, LineSettingsTheDeviceHasAreNotWrittenAgain) {
    Comm::SetDeviceCalls(&stand);
    port.SetOpen(true);
    TSerBaseDispatcher& d = port.ValidDispatcher();
    int32_t baud = 0;
    int paritaet = 0, stopp = 0, daten = 0;
    d.GetLine(baud, paritaet, stopp, daten);
    const auto geschrieben = [&] {
        std::lock_guard lk(stand.m);
        return stand.raten;
    };
    const int vorher = geschrieben();
    EXPECT_EQ(d.SetLine(baud, paritaet, stopp, daten), 0);
    EXPECT_EQ(d.SetLine(0, 5, 3, 9), 0); // every value "keep"
    EXPECT_EQ(geschrieben(), vorher);
    EXPECT_EQ(d.SetLine(baud == 57600 ? 19200 : 57600, paritaet, stopp, daten), 0);
    EXPECT_EQ(geschrieben(), vorher + 1);
}

TEST_F(CommTest, AnyBaudRateTheDriverTakesIsSetAndReadBack) {
    const Comm::Handle h = Comm::CreateFile(QStringLiteral("COM5"));
    ASSERT_NE(h, Comm::INVALID_HANDLE_VALUE);
    Comm::DCB s;
    ASSERT_TRUE(Comm::GetCommState(h, s));
    for (uint32_t rate : {14400u, 56000u, 128000u, 256000u, 12345u, 19200u}) {
        s.BaudRate = rate;
        EXPECT_TRUE(Comm::SetCommState(h, s)) << rate;
        uint32_t ist = 0;
        ASSERT_TRUE(Baudrate::Get(far.master(), ist));
        EXPECT_EQ(ist, rate);
    }
    // Standard rates keep their own code, for programs that know only those.
    const termios t = leseTermios();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));

    // Refused: no rate, one beyond the signed range, one the driver rounds too far. The line
    // keeps what it had.
    Comm::SetDeviceCalls(&stand);
    struct Fall {
        uint32_t rate;
        double rundung;
        bool ok;
    };
    for (const Fall& f :
         {Fall{0, 0, false}, Fall{0x80000000u, 0, false}, Fall{0xFFFFFFFFu, 0, false},
          Fall{100000, 3, false}, Fall{100000, -2.5, false}, Fall{100000, 1.5, true}}) {
        SCOPED_TRACE(f.rate);
        {
            std::lock_guard lk(stand.m);
            stand.rundungProzent = f.rundung;
        }
        Comm::DCB neu = s;
        neu.BaudRate = f.rate;
        neu.StopBits = Comm::TWOSTOPBITS;
        neu.ByteSize = 7;
        EXPECT_EQ(Comm::SetCommState(h, neu), f.ok) << Comm::GetLastError();
        uint32_t ist = 0;
        ASSERT_TRUE(Baudrate::Get(far.master(), ist));
        const termios jetzt = leseTermios();
        if (f.ok) {
            EXPECT_NEAR(ist, f.rate, f.rate * 0.02);
        } else {
            EXPECT_EQ(Comm::GetLastError(), Comm::ERROR_INVALID_PARAMETER);
            EXPECT_EQ(ist, 19200u);
            EXPECT_FALSE(jetzt.c_cflag & CSTOPB);
        }
    }
    EXPECT_TRUE(Comm::CloseHandle(h));
}

// ---- RS-485 ------------------------------------------------------------------------------

TEST_F(CommTest, RS485UsesTheKernelModeAndPutsBackWhatItFound) {
    Comm::RS485Config vorher;
    vorher.DelayBefore = 7;
    vorher.Rest[0] = 42;
    stand.rs485 = vorher;
    Comm::SetDeviceCalls(&stand);
    port.SetRS485Mode(true);
    port.SetOpen(true);
    {
        std::lock_guard lk(stand.m);
        EXPECT_EQ(stand.rs485->Flags, Comm::RS485_ENABLED | Comm::RS485_RTS_ON_SEND);
        EXPECT_EQ(stand.rs485->DelayBefore, 7u);
    }
    const size_t n = stand.log().size();
    port.PutString("abc");
    EXPECT_EQ(far.lies(3, 2000), "abc");
    pumpe(30);
    EXPECT_EQ(stand.log().size(), n) << "the kernel switches RTS itself";
    port.SetOpen(false);
    std::lock_guard lk(stand.m);
    EXPECT_EQ(std::memcmp(&*stand.rs485, &vorher, sizeof vorher), 0);
}

// Bytes that arrive while the port is still opening, before its event window exists, are
// announced once it does, not only when more bytes follow.
TEST_F(CommTest, BytesArrivingWhileThePortOpensAreAnnouncedWithoutFurtherData) {
    struct Zoegernd : Geraetestand {
        bool SetModemLine(int Fd, uint32_t Func) override {
            if (std::exchange(erstes, false)) {
                EXPECT_TRUE(far->schreibe("hallo"));
            }
            // The open takes its time: the workers run meanwhile.
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            return Geraetestand::SetModemLine(Fd, Func);
        }
        PtyPaar* far = nullptr;
        bool erstes = true;
    } zoegernd;
    zoegernd.far = &far;
    Comm::SetDeviceCalls(&zoegernd);
    QByteArray empfangen;
    const SchliesstAmEnde ende(port);
    port.SetOnTriggerAvail([&](TSerCustomComPort& cp, uint16_t count) {
        for (int i = 0; i < count; ++i)
            empfangen.append(static_cast<char>(cp.GetChar()));
    });
    port.SetOpen(true);
    EXPECT_TRUE(warte([&] { return empfangen == "hallo"; }, 2000)) << empfangen.constData();
    port.SetOpen(false);
    Comm::SetDeviceCalls(nullptr);
}

TEST_F(CommTest, RtsHandshakeOnTheOpenPortEndsTheRS485Mode) {
    stand.rs485 = Comm::RS485Config{};
    Comm::SetDeviceCalls(&stand);
    port.SetRS485Mode(true);
    port.SetOpen(true);
    {
        std::lock_guard lk(stand.m);
        ASSERT_TRUE(stand.rs485->Flags & Comm::RS485_ENABLED);
    }
    port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    EXPECT_FALSE(port.RS485Mode());
    {
        std::lock_guard lk(stand.m);
        EXPECT_FALSE(stand.rs485->Flags & Comm::RS485_ENABLED)
            << "RTS cannot both answer the handshake and switch the direction";
    }
    EXPECT_TRUE(leseTermios().c_cflag & CRTSCTS);
}

TEST_F(CommTest, RS485WithoutTheKernelRaisesRtsUntilTheBytesHaveLeft) {
    Comm::SetDeviceCalls(&stand); // no RS-485 on a pseudo-terminal
    stand.senderLeer = false;
    port.SetRS485Mode(true);
    port.SetOpen(true);
    port.PutString("abc");
    EXPECT_EQ(far.lies(3, 2000), "abc");
    auto log = stand.log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "RTS+");
    pumpe(30);
    EXPECT_EQ(stand.log().back(), "RTS+") << "RTS dropped while the transmitter still sends";
    {
        std::lock_guard lk(stand.m);
        stand.senderLeer = true;
    }
    EXPECT_TRUE(warte([&] { return stand.log().back() == "RTS-"; }, 2000));

    // Switched off on the open port: RTS is the program's again.
    port.SetRS485Mode(false);
    const size_t n = stand.log().size();
    port.PutString("d");
    EXPECT_EQ(far.lies(1, 2000), "d");
    pumpe(30);
    log = stand.log();
    EXPECT_EQ(std::count(log.begin() + static_cast<std::ptrdiff_t>(n), log.end(), "RTS-"), 0);
}

// ---- DSR flow ----------------------------------------------------------------------------

TEST_F(CommTest, OutputWaitsWhileDsrIsLowUnderDsrFlowControl) {
    stand.linien = Comm::MS_CTS_ON;
    Comm::SetDeviceCalls(&stand);
    port.SetHWFlowOptions(hwfRequireDSR);
    port.SetOpen(true);
    port.PutString("hold");
    EXPECT_EQ(far.lies(4, 150), "");
    {
        std::lock_guard lk(stand.m);
        stand.linien = Comm::MS_CTS_ON | Comm::MS_DSR_ON;
    }
    EXPECT_EQ(far.lies(4, 2000), "hold");
}

// A device without modem lines is not asked for them again: the status thread samples every
// 20 ms and each delivery looks too, so that would be hundreds of failing calls a second.
TEST_F(CommTest, ModemLinesADriverDoesNotOfferAreNotAskedForAgain) {
    Comm::SetDeviceCalls(&stand); // counters offered, lines passed on to the terminal
    port.SetOpen(true);
    ASSERT_TRUE(far.schreibe("abc"));
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::lock_guard lk(stand.m);
    EXPECT_GE(stand.linienAbfragen, 1);
    EXPECT_LE(stand.linienAbfragen, 2);
}

// ---- waits -------------------------------------------------------------------------------

// The last fraction of a millisecond is slept through, not spent calling the system with no
// time to wait.
TEST(CommWait, AShortWaitLastsItsTime) {
    Comm::Event e;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(Comm::WaitForEvents({&e}, 1), Comm::WAIT_TIMEOUT);
    EXPECT_GE(t.elapsed(), 20);
}

// ---- a handle handed over ----------------------------------------------------------------

TEST_F(CommTest, TapiModeUsesAHandedOverTerminalAndNeverClosesIt) {
    port.SetTapiMode(TTapiMode::tmOn);
    EXPECT_THROW(port.SetOpen(true), ENotOpenedByTapi);

    const QByteArray pfad = QFile::encodeName(far.slavePfad());
    const int fd = ::open(pfad.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    termios t{};
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    // A pseudo-terminal keeps no data bits or parity of its own (always 8N): the rest is read.
    cfmakeraw(&t);
    t.c_cflag |= CSTOPB;
    t.c_iflag |= IXON | IXOFF;
    cfsetspeed(&t, B57600);
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &t), 0);
    const termios vorher = leseTermios();
    const int flagsVorher = ::fcntl(fd, F_GETFL);

    QByteArray empfangen;
    const SchliesstAmEnde ende(port);
    port.SetOnTriggerAvail([&](TSerCustomComPort& cp, uint16_t count) {
        for (int i = 0; i < count; ++i)
            empfangen.append(static_cast<char>(cp.GetChar()));
    });
    port.SetComNumber(0); // no port number is needed
    port.SetTapiHandle(fd);
    port.SetOpen(true);
    EXPECT_EQ(port.Baud(), 57600);
    EXPECT_EQ(port.DataBits(), 8);
    EXPECT_EQ(port.Parity(), TParity::pNone);
    EXPECT_EQ(port.StopBits(), 2);
    EXPECT_EQ(port.SWFlowOptions(), TSWFlowOptions::swfBoth);
    port.PutString("hin");
    EXPECT_EQ(far.lies(3, 2000), "hin");
    ASSERT_TRUE(far.schreibe("her"));
    EXPECT_TRUE(warte([&] { return empfangen == "her"; }));
    port.SetOpen(false);

    EXPECT_EQ(::fcntl(fd, F_GETFD), FD_CLOEXEC) << "the handed-over descriptor was closed";
    EXPECT_EQ(::fcntl(fd, F_GETFL), flagsVorher);
    EXPECT_TRUE(gleich(leseTermios(), vorher));
    ::close(fd);
}

// ---- thread boost ------------------------------------------------------------------------

TEST_F(CommTest, ThreadBoostRaisesTheWorkersWhereTheSystemAllows) {
    port.SetOpen(true);
    auto* d = dynamic_cast<TSerWin32Dispatcher*>(&port.ValidDispatcher());
    ASSERT_NE(d, nullptr);
    auto angehoben = [] {
        int n = 0;
        QDirIterator it(QStringLiteral("/proc/self/task"));
        while (it.hasNext()) {
            QFile f(it.next() + QStringLiteral("/stat"));
            if (!f.open(QIODevice::ReadOnly))
                continue;
            const QByteArray text = f.readAll();
            // Fields after the command's closing parenthesis; nice is the 19th of the line.
            const auto felder = text.mid(text.lastIndexOf(')') + 2).split(' ');
            if (felder.size() > 16 && felder[16].toInt() == -3)
                ++n;
        }
        return n;
    };
    if (::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), -1) != 0)
        GTEST_SKIP() << "no right to raise a thread here";
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 0);
    port.SetThreadBoost(3); // through the component, as a user sets it
    EXPECT_EQ(angehoben(), 4);
    port.SetThreadBoost(0);
    EXPECT_EQ(angehoben(), 0);
}

} // namespace
