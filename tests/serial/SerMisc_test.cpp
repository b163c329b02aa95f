#include "SerialFixture.h"

#include "serial/SerMisc.h"
#include "serial/SerPort.h"
#include "serial/SerSelCom.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

namespace {

TEST(TickTimer, ExpiresAfterItsTicksAndCapsTheCount) {
    TEventTimer t;
    NewTimer(t, 0);
    EXPECT_FALSE(TimerExpiredAt(t, t.StartTicks));
    EXPECT_TRUE(TimerExpiredAt(t, t.StartTicks + 1));
    NewTimer(t, 40000000);
    EXPECT_EQ(t.ExpireTicks - t.StartTicks, MaxTimerTicks);
    NewTimer(t, 2);
    EXPECT_FALSE(TimerExpired(t));
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * MillisecondsPerTick + 5));
    EXPECT_TRUE(TimerExpired(t));
    // Long timers do not misfire: the clock never wraps.
    NewTimer(t, MaxTimerTicks);
    EXPECT_FALSE(TimerExpiredAt(t, t.StartTicks + MaxTimerTicks));
    EXPECT_TRUE(TimerExpiredAt(t, t.StartTicks + MaxTimerTicks + 1));
}

TEST(SerMisc, SmallHelpers) {
    EXPECT_TRUE(FlagIsSet(0x30, 0x10));
    EXPECT_FALSE(FlagIsSet(0x30, 0x0F));
    EXPECT_EQ(ComName(4), "\\\\.\\COM4");
    TSerComPort p;
    p.SetVersion("v9");
    EXPECT_EQ(p.Version(), "v1.00");
    p.SetTraceSize(5000000);
    EXPECT_EQ(p.TraceSize(), 4000000u);
}

TEST(SerMisc, SafeYieldHandlesWaitingEventsAndLeavesAQuitToTheLoop) {
    int gerufen = 0;
    QTimer::singleShot(0, [&] { ++gerufen; });
    for (int i = 0; i < 20 && gerufen == 0; ++i)
        SafeYield();
    EXPECT_EQ(gerufen, 1);
    // A quit requested meanwhile still ends the loop that runs afterwards.
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        loop.exit(7);
        SafeYield();
    });
    QTimer sicherung;
    sicherung.setSingleShot(true);
    QObject::connect(&sicherung, &QTimer::timeout, &loop, [&] { loop.exit(-1); });
    sicherung.start(2000);
    EXPECT_EQ(loop.exec(), 7);
}

class PortProbe : public SerialTest {};

TEST_F(PortProbe, ListsFreeAndHeldPortsButNotMissingOnes) {
    PtyPaar frei, belegt;
    mappe({{3, frei.slavePfad()}, {4, belegt.slavePfad()}, {9, "/nonexistent/tty"}});
    // Another program holds COM4.
    const int fd = ::open(belegt.slavePfad().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);

    // Probing leaves a free port's settings alone (it may be a terminal someone uses).
    termios vorher{};
    ASSERT_EQ(::tcgetattr(frei.master(), &vorher), 0);
    vorher.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(::tcsetattr(frei.master(), TCSANOW, &vorher), 0);

    EXPECT_FALSE(IsPortAvailable(0));
    EXPECT_TRUE(IsPortAvailable(3));
    termios nachher{};
    ASSERT_EQ(::tcgetattr(frei.master(), &nachher), 0);
    EXPECT_EQ(nachher.c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
    EXPECT_TRUE(IsPortAvailable(4));
    EXPECT_FALSE(IsPortAvailable(9));
    EXPECT_FALSE(IsPortAvailable(5)); // not in the map

    TComSelectForm dialog;
    EXPECT_EQ(dialog.windowTitle(), "Select Port");
    ASSERT_EQ(dialog.PortsComboBox->count(), 2);
    EXPECT_EQ(dialog.PortsComboBox->itemText(1), "COM4");
    EXPECT_EQ(dialog.SelectedComNum(), 3);

    // The held port cannot be opened by the program.
    TSerComPort port;
    port.SetComNumber(4);
    EXPECT_THROW(port.SetOpen(true), EAlreadyOpen);
    ::close(fd);
    port.SetOpen(true);
    EXPECT_TRUE(port.Open());
}

TEST_F(PortProbe, ThePortDialogWithoutPortsFailsTheOpenAsCancelDoes) {
    TComSelectForm dialog;
    EXPECT_EQ(dialog.PortsComboBox->count(), 0);
    EXPECT_EQ(dialog.SelectedComNum(), 0);

    TSerComPort port; // port number 0: the dialog asks
    QTimer::singleShot(50, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            d->accept();
    });
    EXPECT_THROW(port.SetOpen(true), ENoPortSelected);
    EXPECT_FALSE(port.Open());
}

TEST_F(PortProbe, ThePortDialogChoosesThePortOrCancelsTheOpen) {
    PtyPaar pty;
    mappe({{2, pty.slavePfad()}});
    struct Fall {
        bool ok;
        bool offen;
    };
    for (const Fall f : {Fall{false, false}, Fall{true, true}}) {
        TSerComPort port;
        QObject zeitgeber; // a click that found no dialog is dropped with it
        QTimer::singleShot(50, &zeitgeber, [&] {
            if (auto* d = dynamic_cast<TComSelectForm*>(QApplication::activeModalWidget()))
                f.ok ? d->OkBtn->click() : d->AbortBtn->click();
        });
        if (f.ok)
            port.SetOpen(true);
        else
            EXPECT_THROW(port.SetOpen(true), ENoPortSelected);
        EXPECT_EQ(port.Open(), f.offen);
        EXPECT_EQ(port.ComNumber(), f.ok ? 2 : 0);
    }
}

} // namespace
