#include "SerialFixture.h"

#include "platform/Nachrichten.h"
#include "serial/SerPort.h"
#include "serial/SerUser.h"
#include "support/Fixtures.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <termios.h>
#include <unistd.h>

namespace {

// Writes its bytes into the far end of a pseudo-terminal from a thread of its own, as fast
// as the terminal takes them; stops and is joined when it goes.
class Schreiber {
public:
    Schreiber(int fd, const QByteArray& daten)
        : faden_([this, fd, &daten] {
              while (geschrieben < daten.size() && !halt_) {
                  const ssize_t n = ::write(fd, daten.constData() + geschrieben.load(),
                                            static_cast<size_t>(daten.size() - geschrieben.load()));
                  if (n > 0)
                      geschrieben += static_cast<int>(n);
                  else
                      std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          }) {}
    ~Schreiber() {
        halt_ = true;
        faden_.join();
    }
    Schreiber(const Schreiber&) = delete;
    Schreiber& operator=(const Schreiber&) = delete;

    std::atomic<int> geschrieben{0};

private:
    std::atomic<bool> halt_{false};
    std::thread faden_; // last: it starts once the counters exist
};

// A port on COM5 over a fresh pseudo-terminal, whose handler collects what arrives.
class PortTest : public SerialTest {
protected:
    void SetUp() override {
        SerialTest::SetUp();
        ASSERT_TRUE(far.ok());
        mappe({{5, far.slavePfad()}});
        port.SetComNumber(5);
        port.SetOnTriggerAvail([this](TSerCustomComPort& cp, uint16_t count) {
            ++events;
            const int n = lesen ? lesen(count) : count;
            for (int i = 0; i < n; ++i)
                empfangen.append(static_cast<char>(cp.GetChar()));
        });
    }

    // The port's worker threads running in this process, found by their names.
    static int arbeiter() {
        int n = 0;
        for (const QString& t :
             QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(t));
            if (comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("ser-"))
                ++n;
        }
        return n;
    }

    PtyPaar far;
    // Declared before the port, which outlives them otherwise: closing it at the end of a
    // test may still run its handlers.
    QByteArray empfangen;
    int events = 0;
    std::function<int(int count)> lesen; // how many of the announced bytes the handler reads
    TSerComPort port;
};

TEST_F(PortTest, BurstLargerThanTheRingArrivesCompleteAndInOrder) {
    port.SetOpen(true);
    const QByteArray daten = muster(50000);
    ASSERT_TRUE(far.schreibe(daten));
    ASSERT_TRUE(warte([&] { return empfangen.size() >= daten.size(); }, 10000)) << empfangen.size();
    EXPECT_EQ(empfangen, daten);
}

TEST_F(PortTest, SentBytesReachTheFarEndInOrder) {
    port.SetOpen(true);
    const QByteArray daten = muster(3000, 11);
    for (int i = 0; i < daten.size(); i += 100)
        port.PutString(daten.mid(i, 100));
    EXPECT_EQ(far.lies(daten.size(), 5000), daten);
    port.PutString(QByteArray()); // nothing
    EXPECT_EQ(port.OutBuffUsed(), 0);
}

// The dispatch ring holds 8192 bytes; what does not fit waits in the receive queue until
// the program reads, and nothing is lost or reordered on the way.
TEST_F(PortTest, RingWrapFullAndOverflowTable) {
    struct Fall {
        const char* name;
        int erst;   // bytes sent while the handler reads nothing
        int danach; // bytes sent once it reads again
        int imRing; // bytes the ring holds before the program reads
    };
    const Fall faelle[] = {
        {"wrap", 6000, 6000, 6000},
        {"exactly full", 8192, 10, 8192},
        {"overflow waits in the queue", 8192 + 3000, 500, 8192},
    };
    port.SetOpen(true);
    int gesendet = 0;
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        empfangen.clear();
        lesen = [](int) { return 0; };
        ASSERT_TRUE(far.schreibe(muster(f.erst, gesendet)));
        ASSERT_TRUE(warte([&] { return port.InBuffUsed() == f.imRing; })) << port.InBuffUsed();
        pumpe(100);
        EXPECT_EQ(port.InBuffUsed(), f.imRing);
        // Reading outside an event takes bytes one by one and lets the queue move on.
        QByteArray gelesen;
        while (gelesen.size() < f.erst) {
            if (port.InBuffUsed() > 0)
                gelesen.append(static_cast<char>(port.GetChar()));
            else
                ASSERT_TRUE(warte([&] { return port.InBuffUsed() > 0; })) << gelesen.size();
        }
        EXPECT_EQ(gelesen, muster(f.erst, gesendet));
        EXPECT_THROW(port.GetChar(), EBufferIsEmpty);
        gesendet += f.erst;
        // Events announced before the bytes were read outside them may still be on their way.
        lesen = [&](int count) { return std::min(count, port.InBuffUsed()); };
        ASSERT_TRUE(far.schreibe(muster(f.danach, gesendet)));
        ASSERT_TRUE(warte([&] { return empfangen.size() >= f.danach; }));
        EXPECT_EQ(empfangen, muster(f.danach, gesendet));
        gesendet += f.danach;
    }
}

TEST_F(PortTest, HandlerReadingFewerBytesSeesTheRestWithTheNextData) {
    std::vector<int> counts;
    const SchliesstAmEnde ende(port);
    lesen = [&](int count) {
        counts.push_back(count);
        return counts.size() == 1 ? 3 : count;
    };
    port.SetOpen(true);
    ASSERT_TRUE(far.schreibe("ABCDEFGH"));
    ASSERT_TRUE(warte([&] { return events == 1; }));
    pumpe(150);
    EXPECT_EQ(empfangen, "ABC");
    EXPECT_EQ(events, 1) << "no new event without new data";
    EXPECT_EQ(port.InBuffUsed(), 5);
    ASSERT_TRUE(far.schreibe("IJ"));
    ASSERT_TRUE(warte([&] { return empfangen.size() == 10; }));
    EXPECT_EQ(empfangen, "ABCDEFGHIJ");
    EXPECT_EQ(counts, (std::vector<int>{8, 7}));
}

TEST_F(PortTest, PeekingBeyondCountRaisesAndChangesNothing) {
    bool geworfen = false;
    const SchliesstAmEnde ende(port);
    port.SetOnTriggerAvail([&](TSerCustomComPort& cp, uint16_t count) {
        for (int i = 0; i < count; ++i)
            empfangen.append(static_cast<char>(cp.GetChar()));
        try {
            cp.GetChar();
        } catch (const EBufferIsEmpty&) {
            geworfen = true;
        }
    });
    port.SetOpen(true);
    ASSERT_TRUE(far.schreibe("xyz"));
    ASSERT_TRUE(warte([&] { return empfangen.size() == 3; }));
    EXPECT_TRUE(geworfen);
    pumpe(100);
    EXPECT_EQ(port.InBuffUsed(), 0);
}

TEST_F(PortTest, FlushInBufferInsideTheHandlerEmptiesTheRing) {
    bool einmal = false;
    const SchliesstAmEnde ende(port);
    port.SetOnTriggerAvail([&](TSerCustomComPort& cp, uint16_t count) {
        ++events;
        if (!einmal) {
            einmal = true;
            empfangen.append(static_cast<char>(cp.GetChar()));
            cp.FlushInBuffer();
            // What was discarded cannot be read any more inside the handler either.
            EXPECT_EQ(cp.InBuffUsed(), 0);
            EXPECT_THROW(cp.GetChar(), EBufferIsEmpty);
            return;
        }
        for (int i = 0; i < count; ++i)
            empfangen.append(static_cast<char>(cp.GetChar()));
    });
    port.SetOpen(true);
    ASSERT_TRUE(far.schreibe("0123456789"));
    ASSERT_TRUE(warte([&] { return events == 1; }));
    pumpe(150);
    EXPECT_EQ(port.InBuffUsed(), 0);
    ASSERT_TRUE(far.schreibe("XY"));
    ASSERT_TRUE(warte([&] { return events == 2; }));
    EXPECT_EQ(empfangen, "0XY");
}

// An input flush while an event is on its way to the GUI thread (a late answer meeting a
// flush): the event announces only what is still there, and no reader meets an empty ring.
TEST_F(PortTest, FlushWhileAnEventIsOnItsWayAnnouncesOnlyWhatIsLeft) {
    Meldungsrekorder meldungen;
    std::vector<int> counts;
    const SchliesstAmEnde ende(port);
    lesen = [&](int count) {
        counts.push_back(count);
        return count;
    };
    port.SetOpen(true);
    ASSERT_TRUE(far.schreibe("late"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the GUI thread is busy
    port.FlushInBuffer();
    pumpe(200);
    ASSERT_TRUE(far.schreibe("new"));
    ASSERT_TRUE(warte([&] { return empfangen == "new"; }));
    pumpe(100);
    EXPECT_EQ(empfangen, "new");
    EXPECT_EQ(counts, std::vector<int>{3});
    EXPECT_TRUE(meldungen.texte.isEmpty()) << meldungen.texte.join('|').toStdString();
}

// The delivery the busy GUI thread missed is announced again by itself: no new byte is
// needed to bring the first ones.
TEST_F(PortTest, BytesArrivingWhileTheGuiThreadIsBusyAreDeliveredLater) {
    port.SetOpen(true);
    ASSERT_TRUE(far.schreibe("first"));
    // The GUI thread does not look at its events for longer than a delivery may wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    ASSERT_TRUE(warte([&] { return empfangen.size() >= 5; }, 3000)) << empfangen.constData();
    pumpe(200);
    EXPECT_EQ(empfangen, "first");
}

// An owner that looks at received bytes only at its own tick has them handed over at its
// poll: what came since the last one in one delivery, and no wake-up of its thread for every
// few bytes in between. Switched back, bytes come as they arrive again.
TEST_F(PortTest, DeliveredOnPollTheBytesWaitForThePoll) {
    port.SetDeliverOnPoll(true);
    port.SetOpen(true);
    int gepruefte = 0;
    for (int runde = 0; runde < 5; ++runde) {
        const QByteArray teil = muster(40, 40 * runde);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(far.schreibe(teil));
        pumpe(20);
        const int vorher = events;
        const auto geliefert = empfangen.size();
        // Held up for longer than the read thread's look, the thread's bytes are rightly
        // taken by the workers: such a round proves nothing either way.
        const bool kurz = std::chrono::steady_clock::now() - start < std::chrono::milliseconds(40);
        port.PollDispatcher();
        const auto beimPoll = empfangen.size();
        ASSERT_TRUE(warte([&] { return empfangen.size() == 40 * (runde + 1); }, 3000)) << runde;
        if (!kurz)
            continue;
        ++gepruefte;
        EXPECT_EQ(geliefert, 40 * runde) << runde;
        // The poll itself hands them over, before the caller goes on.
        EXPECT_EQ(beimPoll, 40 * (runde + 1)) << runde;
        EXPECT_EQ(events, vorher + 1) << runde;
    }
    EXPECT_GT(gepruefte, 0);
    EXPECT_EQ(empfangen, muster(200, 0));

    port.SetDeliverOnPoll(false);
    ASSERT_TRUE(far.schreibe("abc"));
    ASSERT_TRUE(warte([&] { return empfangen.endsWith("abc"); }, 3000));
}

// A burst that arrived while the GUI thread was busy comes in at most two events, however
// many receive buffers it filled.
TEST_F(PortTest, BurstWhileTheGuiThreadIsBusyComesInAtMostTwoEvents) {
    port.SetOpen(true);
    const QByteArray daten = muster(8000, 5);
    ASSERT_TRUE(far.schreibe(daten));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(warte([&] { return empfangen.size() >= daten.size(); }, 5000));
    EXPECT_EQ(empfangen, daten);
    EXPECT_LE(events, 2);
}

// The thread that opened the port takes the bytes from the device itself while it is free:
// they reach its handler without any worker thread handing an event over.
TEST_F(PortTest, DataReachTheHandlerInTheGuiThreadWithoutAHandOver) {
    std::vector<QThread*> threads;
    const SchliesstAmEnde ende(port);
    port.SetOnTriggerAvail([&](TSerCustomComPort& cp, uint16_t count) {
        threads.push_back(QThread::currentThread());
        for (int i = 0; i < count; ++i)
            empfangen.append(static_cast<char>(cp.GetChar()));
    });
    port.SetOpen(true);
    QByteArray erwartet;
    constexpr int Laeufe = 20;
    for (int i = 0; i < Laeufe; ++i) {
        const QByteArray lauf = muster(8, 8 * i);
        erwartet += lauf;
        ASSERT_TRUE(far.schreibe(lauf));
        ASSERT_TRUE(warte([&] { return empfangen.size() == erwartet.size(); }, 3000)) << i;
    }
    EXPECT_EQ(empfangen, erwartet);
    EXPECT_GE(threads.size(), size_t{Laeufe});
    EXPECT_TRUE(std::all_of(threads.begin(), threads.end(), [](QThread* t) {
        return t == QCoreApplication::instance()->thread();
    }));
    // A scheduler hiccup of the test's thread may let the read thread step in once or twice;
    // handing every run over would show here as one per run.
    EXPECT_LE(port.GetDispatcher()->HandOvers(), 2u);
}

// A stream long enough to meet the dispatch thread's own turns (its timers) stays with the
// thread that opened the port: one such turn must not draw the rest of the stream after it,
// a hand-over between the threads for every run of bytes.
TEST_F(PortTest, ALongStreamStaysWithTheGuiThread) {
    port.SetOpen(true);
    const int menge = 8 * 1024 * 1024;
    const QByteArray daten = muster(menge, 9);
    const auto start = std::chrono::steady_clock::now();
    Schreiber schreiber(far.master(), daten);
    ASSERT_TRUE(warte([&] { return empfangen.size() >= menge; }, 60000)) << empfangen.size();
    const auto dauer = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(empfangen == daten);
    // Shorter than a few of the dispatch thread's turns, the stream would prove nothing.
    EXPECT_GT(dauer, std::chrono::milliseconds(150));
    // The thread that opened the port is held up now and then by the machine's scheduler, and
    // each time the read thread rightly steps in for a run or a few: a loaded machine adds
    // such hold-ups with the stream's length (under the thread sanitizer on a busy machine
    // one every 10 ms of stream was seen, a fifth of the runs). Falling into a hand-over for
    // every run of bytes would show as about one for every delivery.
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(dauer).count();
    EXPECT_LE(port.GetDispatcher()->HandOvers(), 10u + static_cast<unsigned>(events) / 2)
        << ms << " ms, " << events << " deliveries";
}

// The GUI thread is held up while more arrives than the device itself can hold: the worker
// threads take the bytes in meanwhile, so the far end is never held up, and every byte
// reaches the handler in order once the GUI thread is free again.
TEST_F(PortTest, BusyGuiThreadLosesNothingAndHoldsUpNoSender) {
    port.SetOpen(true);
    const int menge = 256 * 1024;
    const QByteArray daten = muster(menge, 3);
    Schreiber schreiber(far.master(), daten);
    const std::atomic<int>& geschrieben = schreiber.geschrieben;
    // This thread handles no events until the sender is through, or gives up after a while.
    const auto ende = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (geschrieben < menge && std::chrono::steady_clock::now() < ende)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const int waehrendBeschaeftigt = geschrieben;
    const bool alles = warte([&] { return empfangen.size() >= menge; }, 20000);
    EXPECT_EQ(waehrendBeschaeftigt, menge) << "the device waited for the busy GUI thread";
    ASSERT_TRUE(alles) << empfangen.size();
    EXPECT_TRUE(empfangen == daten);
    EXPECT_GT(port.GetDispatcher()->HandOvers(), 0u);
}

// A read outside a handler after the handlers returned but before the dispatch thread took
// their bytes away: it neither reads a byte twice nor skips one.
TEST_F(PortTest, ReadOutsideAHandlerRightAfterItTakesTheNextByte) {
    QByteArray ausserhalb;
    QObject zeitgeber; // a read it scheduled and did not run is dropped with it
    const SchliesstAmEnde ende(port);
    port.SetOnTriggerAvail([&](TSerCustomComPort& cp, uint16_t count) {
        if (count < 2)
            return; // the pair came in two reads: wait for the second byte
        empfangen.append(static_cast<char>(cp.GetChar()));
        QTimer::singleShot(0, &zeitgeber, [&] {
            ausserhalb.append(port.InBuffUsed() > 0 ? static_cast<char>(port.GetChar()) : '-');
        });
    });
    port.SetOpen(true);
    QByteArray erwartet;
    for (int i = 0; i < 20; ++i) {
        const QByteArray paar = muster(2, 2 * i);
        erwartet += paar;
        ASSERT_TRUE(far.schreibe(paar));
        ASSERT_TRUE(warte([&] { return ausserhalb.size() == i + 1; }, 3000)) << i;
        ASSERT_TRUE(warte([&] { return port.InBuffUsed() == 0; }, 1000)) << i;
    }
    QByteArray zusammen;
    for (int i = 0; i < empfangen.size(); ++i)
        zusammen += QByteArray(1, empfangen[i]) + ausserhalb[i];
    EXPECT_EQ(zusammen, erwartet);
}

// A handler that reads nothing while more arrives than the ring holds: the dispatch thread
// waits instead of turning, the threads stop reading the device once their backlog is
// full, and not one received byte is lost.
TEST_F(PortTest, FullRingIsWaitedForAndTheBacklogIsBoundedWithoutLoss) {
    lesen = [](int) { return 0; };
    port.SetOpen(true);
    const int menge =
        DispatchBufferSize + static_cast<int>(TSerBaseDispatcher::ReceiveBacklogLimit) + 200000;
    const QByteArray daten = muster(menge, 9);
    Schreiber schreiber(far.master(), daten);
    const std::atomic<int>& geschrieben = schreiber.geschrieben;
    ASSERT_TRUE(warte([&] { return port.InBuffUsed() == DispatchBufferSize; }, 10000));
    // The writer stalls: the device is no longer read.
    int vorher = -1;
    const bool steht = warte(
        [&] {
            const int jetzt = geschrieben;
            pumpe(300);
            const bool gleich = jetzt == vorher && geschrieben == jetzt;
            vorher = jetzt;
            return gleich;
        },
        20000);
    EXPECT_TRUE(steht);
    EXPECT_LT(geschrieben, menge);
    // Meanwhile the dispatch thread sleeps.
    timespec a{}, b{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
    const auto start = std::chrono::steady_clock::now();
    pumpe(500);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
    const double cpu = (b.tv_sec - a.tv_sec) * 1e3 + (b.tv_nsec - a.tv_nsec) / 1e6;
    const double wand =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(cpu, 0.4 * wand) << "the dispatch thread turns while the ring is full";
    // Reading again brings everything, in order.
    lesen = nullptr;
    port.SetOnTriggerAvail([&](TSerCustomComPort& cp, uint16_t count) {
        for (int i = 0; i < count; ++i)
            empfangen.append(static_cast<char>(cp.GetChar()));
    });
    for (int i = 0; i < DispatchBufferSize; ++i)
        empfangen.append(static_cast<char>(port.GetChar()));
    const bool alles = warte([&] { return empfangen.size() >= menge; }, 60000);
    ASSERT_TRUE(alles) << empfangen.size();
    EXPECT_TRUE(empfangen == daten);
}

TEST_F(PortTest, FlushOutBufferWhileAWriteIsPendingReturnsAndDropsTheOutput) {
    port.SetOpen(true);
    // The far end reads nothing: the driver fills up and the write thread waits.
    const QByteArray block(2000, 'a');
    for (int i = 0; i < 400 && port.OutBuffUsed() == 0; ++i) {
        if (port.OutBuffFree() >= block.size())
            port.PutString(block);
        pumpe(5);
    }
    // Only once the ring stops draining is the write thread stuck at the full device; before
    // that it may still take the ring's bytes away at any moment. A busy machine may let
    // the loop above end before the device is full: the ring is topped up until it stays.
    const auto steht = [&] {
        while (port.OutBuffFree() >= block.size())
            port.PutString(block);
        const int vorher = port.OutBuffUsed();
        pumpe(200);
        return vorher > 0 && port.OutBuffUsed() == vorher;
    };
    ASSERT_TRUE(warte(steht, 10000));
    // The output ring fills exactly; a block larger than the room left queues nothing.
    port.PutString(QByteArray(port.OutBuffFree(), 'b'));
    EXPECT_EQ(port.OutBuffUsed(), port.OutSize());
    EXPECT_THROW(port.PutString("c"), EOutputBufferTooSmall);
    EXPECT_EQ(port.OutBuffUsed(), port.OutSize());
    const auto start = std::chrono::steady_clock::now();
    port.FlushOutBuffer();
    const auto dauer = std::chrono::steady_clock::now() - start;
    EXPECT_LT(dauer, std::chrono::milliseconds(1000));
    EXPECT_EQ(port.OutBuffUsed(), 0);
    // The line works on afterwards: the far end drains it and then sees the new bytes.
    // What the far end still gets is what the terminal had passed on before the flush (its
    // line buffer of 4 KiB, which a flush cannot reach), never the rest of the block the
    // write thread held.
    const QByteArray nachher = far.lies(10000000, 500);
    EXPECT_LT(nachher.size(), 4096);
    port.PutString("END");
    const QByteArray rest = far.lies(1000000, 1000);
    EXPECT_TRUE(rest.endsWith("END")) << rest.right(10).constData();
}

TEST_F(PortTest, ClosingInsideTheHandlerFinishesAfterItReturns) {
    bool offenImHandler = false;
    uint8_t nachDemSchliessen = 1;
    const SchliesstAmEnde ende(port);
    port.SetOnTriggerAvail([&](TSerCustomComPort& cp, uint16_t) {
        ++events;
        cp.SetOpen(false);
        offenImHandler = cp.Open();
        nachDemSchliessen = cp.GetChar(); // closing: 0, no error
        cp.PutString("ignored");
        cp.FlushInBuffer();
    });
    port.SetOpen(true);
    ASSERT_TRUE(far.schreibe("bye"));
    ASSERT_TRUE(warte([&] { return events == 1 && !port.Open(); }));
    EXPECT_TRUE(offenImHandler);
    EXPECT_EQ(nachDemSchliessen, 0);
    EXPECT_EQ(far.lies(10, 200), QByteArray());
    // The port opens again and works.
    port.SetOnTriggerAvail([&](TSerCustomComPort& cp, uint16_t count) {
        for (int i = 0; i < count; ++i)
            empfangen.append(static_cast<char>(cp.GetChar()));
    });
    port.SetOpen(true);
    ASSERT_TRUE(far.schreibe("again"));
    ASSERT_TRUE(warte([&] { return empfangen == "again"; }));
}

TEST_F(PortTest, FarEndGoneIsAFailureAndThePortOpensAgainAfterwards) {
    port.SetOpen(true);
    ASSERT_TRUE(far.schreibe("ok"));
    ASSERT_TRUE(warte([&] { return empfangen == "ok"; }));
    far.schliesse();
    ASSERT_TRUE(warte([&] { return port.GetDispatcher()->DeviceGone(); }));
    ASSERT_TRUE(warte([&] { return port.GetDispatcher()->ThreadCount() == 0; }));
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(port.GetDispatcher()->GetLineError(), 10);
    EXPECT_THROW(port.PutString("x"), EOutputBufferTooSmall);
    EXPECT_THROW(port.GetChar(), EBufferIsEmpty);
    port.FlushInBuffer();
    port.FlushOutBuffer();
    port.SetOpen(false);
    EXPECT_FALSE(port.Open());

    PtyPaar neu;
    mappe({{5, neu.slavePfad()}});
    port.SetOpen(true);
    ASSERT_TRUE(neu.schreibe("back"));
    ASSERT_TRUE(warte([&] { return empfangen == "okback"; }));
    port.PutString("fine");
    EXPECT_EQ(neu.lies(4, 2000), "fine");
}

// The device fails while a handler is reading: the handler still reads the bytes it was
// promised, and only then do the threads let go of the ring.
TEST_F(PortTest, DeviceFailingWhileAHandlerRunsLetsItFinishReading) {
    Meldungsrekorder meldungen;
    port.SetOnTriggerAvail([&](TSerCustomComPort& cp, uint16_t count) {
        ++events;
        far.schliesse();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (int i = 0; i < count; ++i)
            empfangen.append(static_cast<char>(cp.GetChar()));
    });
    port.SetOpen(true);
    ASSERT_TRUE(far.schreibe("hello"));
    ASSERT_TRUE(warte([&] { return events == 1; }));
    ASSERT_TRUE(warte([&] { return port.GetDispatcher()->ThreadCount() == 0; }));
    pumpe(100);
    EXPECT_EQ(empfangen, "hello");
    EXPECT_TRUE(meldungen.texte.isEmpty()) << meldungen.texte.join('|').toStdString();
    EXPECT_TRUE(port.GetDispatcher()->DeviceGone());
    port.SetOpen(false);
    EXPECT_FALSE(port.Open());
}

TEST_F(PortTest, TwoPortsAtOnce) {
    PtyPaar far2;
    mappe({{5, far.slavePfad()}, {6, far2.slavePfad()}});
    TSerComPort zweiter;
    QByteArray empfangen2;
    zweiter.SetComNumber(6);
    zweiter.SetOnTriggerAvail([&](TSerCustomComPort& cp, uint16_t count) {
        for (int i = 0; i < count; ++i)
            empfangen2.append(static_cast<char>(cp.GetChar()));
    });
    port.SetOpen(true);
    zweiter.SetOpen(true);
    ASSERT_TRUE(far.schreibe(muster(5000, 1)));
    ASSERT_TRUE(far2.schreibe(muster(5000, 2)));
    port.PutString("to one");
    zweiter.PutString("to two");
    ASSERT_TRUE(warte([&] { return empfangen.size() == 5000 && empfangen2.size() == 5000; }));
    EXPECT_EQ(empfangen, muster(5000, 1));
    EXPECT_EQ(empfangen2, muster(5000, 2));
    EXPECT_EQ(far.lies(6, 2000), "to one");
    EXPECT_EQ(far2.lies(6, 2000), "to two");
}

TEST_F(PortTest, OpeningFailuresRaiseTheirCodes) {
    port.SetOpen(true);
    TSerComPort zweiter;
    zweiter.SetComNumber(5);
    try {
        zweiter.SetOpen(true);
        FAIL() << "opened a port that is in use";
    } catch (const EAlreadyOpen& e) {
        EXPECT_EQ(e.ErrorCode(), -2008);
        EXPECT_EQ(e.Message(), "ie_Open - device already open");
    }
    EXPECT_FALSE(zweiter.Open());
    // After a failed open nothing opens behind the caller's back.
    EXPECT_THROW(zweiter.PutString("x"), ECommNotOpen);
    EXPECT_THROW(zweiter.GetChar(), ECommNotOpen);
    zweiter.FlushInBuffer();

    TSerComPort dritter;
    dritter.SetComNumber(7); // not in the port map
    EXPECT_THROW(dritter.SetOpen(true), EBadId);
    EXPECT_FALSE(dritter.Open());

    TSerComPort ohneNummer;
    ohneNummer.SetPromptForPort(false);
    EXPECT_THROW(ohneNummer.SetOpen(true), ENoPortSelected);

    // Closing the first frees the port for the second.
    port.SetOpen(false);
    zweiter.SetOpen(true);
    EXPECT_TRUE(zweiter.Open());

    // A line setting the device refuses: the system's error, at the open and on the open port.
    zweiter.SetOpen(false);
    zweiter.SetBaud(-1);
    try {
        zweiter.SetOpen(true);
        FAIL() << "opened with a baud rate the device refuses";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 87);
    }
    EXPECT_FALSE(zweiter.Open());
    zweiter.SetBaud(19200);
    zweiter.SetOpen(true);
    EXPECT_TRUE(zweiter.Open());
    EXPECT_THROW(zweiter.SetBaud(-1), EInOutError);
    EXPECT_TRUE(zweiter.Open());
}

TEST_F(PortTest, OperationsOnAClosedPortOpenItFirstUnlessAutoOpenIsOff) {
    port.PutString("auto");
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(far.lies(4, 2000), "auto");
    port.SetOpen(true); // twice: nothing
    port.SetOpen(false);
    port.SetOpen(false);
    port.SetAutoOpen(false);
    EXPECT_THROW(port.PutString("x"), ECommNotOpen);
    EXPECT_THROW(port.FlushInBuffer(), ECommNotOpen);
    EXPECT_FALSE(port.Open());
}

TEST_F(PortTest, WhileLoadingOpenOnlyMarksThePortAndLoadedOpensIt) {
    int geoeffnet = 0;
    const SchliesstAmEnde ende(port);
    port.SetOnPortOpen([&](TSerCustomComPort&) { ++geoeffnet; });
    port.BeginLoad();
    port.SetOpen(true);
    EXPECT_TRUE(port.Open()) << "the wanted state is kept";
    EXPECT_EQ(port.GetDispatcher(), nullptr) << "nothing opens while loading";
    EXPECT_EQ(geoeffnet, 0);
    port.Loaded();
    EXPECT_FALSE(port.Loading());
    ASSERT_NE(port.GetDispatcher(), nullptr);
    EXPECT_EQ(geoeffnet, 1);
    ASSERT_TRUE(far.schreibe("da"));
    EXPECT_TRUE(warte([&] { return empfangen == "da"; }));

    // Not marked: Loaded opens nothing. Marked and then unmarked: nothing either.
    TSerComPort zweiter;
    zweiter.BeginLoad();
    zweiter.SetOpen(true);
    zweiter.SetOpen(false);
    zweiter.Loaded();
    EXPECT_FALSE(zweiter.Open());

    // A marked port that cannot be opened raises at Loaded, as an open does.
    TSerComPort dritter;
    dritter.SetComNumber(7); // not in the port map
    dritter.BeginLoad();
    dritter.SetOpen(true);
    EXPECT_THROW(dritter.Loaded(), EBadId);
    EXPECT_FALSE(dritter.Open());
}

// Switching a handshake on fills in fill levels that are unset or out of range, each
// handshake with its own shares of InSize; levels that fit stay.
TEST_F(PortTest, HandshakesFillInTheirLevels) {
    struct Fall {
        const char* name;
        bool hardware;
        uint16_t full, resume;
        uint16_t wantFull, wantResume;
    };
    const Fall faelle[] = {
        {"hardware, unset", true, 0, 0, 3686, 410}, // 4096 * 0.9 and * 0.1, rounded
        {"hardware, too big", true, 5000, 4000, 3686, 410},
        {"hardware, fitting", true, 3000, 1000, 3000, 1000},
        {"software, unset", false, 0, 0, 3072, 1024}, // 4096 * 0.75 and * 0.25
        {"software, resume above full", false, 2000, 2500, 2000, 1024},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        TSerComPort p;
        p.SetBufferFull(f.full);
        p.SetBufferResume(f.resume);
        if (f.hardware)
            p.SetHWFlowOptions(hwfRequireCTS);
        else
            p.SetSWFlowOptions(TSWFlowOptions::swfBoth);
        EXPECT_EQ(p.BufferFull(), f.wantFull);
        EXPECT_EQ(p.BufferResume(), f.wantResume);
    }
}

// DTR under the handshake belongs to the driver: setting it changes neither line nor property.
TEST_F(PortTest, DtrUnderTheHandshakeKeepsItsProperty) {
    port.SetHWFlowOptions(hwfUseDTR);
    port.SetOpen(true);
    port.SetDTR(false);
    EXPECT_TRUE(port.DTR());
    port.SetRTS(false);
    EXPECT_FALSE(port.RTS());
}

// Every event window of a port runs its handlers; the bytes go as far as the most eager
// handler read, and the rest is announced with the next arrival.
TEST_F(PortTest, TwoEventWindowsRemoveWhatTheMostEagerHandlerRead) {
    port.SetOpen(true);
    NachrichtenFenster zweites([this](uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
        port.HandleWindowMessage(Msg, WParam, LParam);
        return intptr_t{0};
    });
    port.GetDispatcher()->RegisterWndTriggerHandler(zweites.postfach());
    std::vector<int> angekuendigt;
    int aufruf = 0;
    const SchliesstAmEnde ende(port);
    lesen = [&](int count) {
        angekuendigt.push_back(count);
        return ++aufruf % 2 == 1 ? 2 : 5;
    };
    ASSERT_TRUE(far.schreibe("0123456789"));
    ASSERT_TRUE(warte([&] { return aufruf == 2; }));
    EXPECT_EQ(empfangen, "0101234") << "each window's handler reads from the start";
    ASSERT_TRUE(warte([&] { return port.InBuffUsed() == 5; }));
    lesen = [&](int count) {
        angekuendigt.push_back(count);
        ++aufruf;
        return count;
    };
    empfangen.clear();
    ASSERT_TRUE(far.schreibe("ab"));
    ASSERT_TRUE(warte([&] { return aufruf == 4; }));
    EXPECT_EQ(empfangen, "56789ab56789ab");
    EXPECT_EQ(angekuendigt, (std::vector<int>{10, 10, 7, 7}));
    port.GetDispatcher()->DeregisterWndTriggerHandler(zweites.postfach().get());
}

TEST_F(PortTest, XonXoffCharactersReachTheDevice) {
    auto leseTermios = [&] {
        termios t{};
        tcgetattr(far.master(), &t);
        return t;
    };
    port.SetXOnChar(0x05);
    port.SetSWFlowOptions(TSWFlowOptions::swfBoth);
    port.SetOpen(true);
    termios t = leseTermios();
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_EQ(t.c_cc[VSTART], 0x05);
    EXPECT_EQ(t.c_cc[VSTOP], 19);
    // On the open port, and kept through a line change and a new handshake setting.
    port.SetXOffChar(0x06);
    port.SetBaud(57600);
    port.SetSWFlowOptions(TSWFlowOptions::swfReceive);
    t = leseTermios();
    EXPECT_EQ(t.c_cc[VSTART], 0x05);
    EXPECT_EQ(t.c_cc[VSTOP], 0x06);
    EXPECT_FALSE(t.c_iflag & IXON);
}

TEST_F(PortTest, LineSettingsAreAppliedOnTheOpenPort) {
    auto leseTermios = [&] {
        termios t{};
        tcgetattr(far.master(), &t);
        return t;
    };
    port.SetBaud(19200);
    port.SetStopBits(2);
    port.SetOpen(true);
    termios t = leseTermios();
    EXPECT_EQ(cfgetospeed(&t), B19200);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));

    // The switch to the fast mode, with output pending before it.
    port.PutString(muster(200));
    port.SetBaud(57600);
    port.SetStopBits(1);
    t = leseTermios();
    EXPECT_EQ(cfgetospeed(&t), B57600);
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    EXPECT_EQ(port.OutBuffUsed(), 0);
    EXPECT_EQ(far.lies(200, 2000), muster(200));

    // Unchanged values write nothing and do not wait.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 50; ++i)
        port.SetBaud(57600);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

// Bytes the write thread has taken from the output ring but the device has not yet taken
// still belong to the old settings: the switch waits for them as for the ring.
TEST_F(PortTest, LineChangeWaitsForOutputTheDeviceHasNotTakenYet) {
    port.SetOutSize(60000);
    port.SetOpen(true);
    // More than the pseudo-terminal holds, in one block: the ring is empty at once while
    // the rest of the block waits for the far end.
    const QByteArray daten = muster(50000, 3);
    port.PutString(daten);
    ASSERT_TRUE(warte([&] { return port.OutBuffUsed() == 0; }));
    QByteArray angekommen;
    std::thread leser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        angekommen = far.lies(daten.size(), 5000);
    });
    const auto start = std::chrono::steady_clock::now();
    port.SetBaud(57600);
    const auto dauer = std::chrono::steady_clock::now() - start;
    leser.join();
    EXPECT_GE(dauer, std::chrono::milliseconds(350));
    EXPECT_EQ(angekommen, daten);
}

TEST_F(PortTest, NewPortNumberOnAnOpenPortReopensThere) {
    PtyPaar far2;
    mappe({{5, far.slavePfad()}, {6, far2.slavePfad()}});
    port.SetOpen(true);
    port.SetComNumber(6);
    EXPECT_TRUE(port.Open());
    ASSERT_TRUE(far2.schreibe("six"));
    ASSERT_TRUE(warte([&] { return empfangen == "six"; }));
    port.PutString("x");
    EXPECT_EQ(far2.lies(1, 2000), "x");
    EXPECT_EQ(far.lies(1, 100), QByteArray());
}

// The trace and log are put back at the new port as a closed port keeps them: what was on
// goes on, a paused one is off.
TEST_F(PortTest, NewPortNumberKeepsTraceAndLogAsAClosedPortWould) {
    PtyPaar far2;
    mappe({{5, far.slavePfad()}, {6, far2.slavePfad()}});
    port.SetTraceName(dir_.filePath(QStringLiteral("trace.txt")));
    port.SetLogName(dir_.filePath(QStringLiteral("log.txt")));
    const struct {
        TTraceLogState vorher, nachher;
    } faelle[] = {
        {TTraceLogState::tlOn, TTraceLogState::tlOn},
        {TTraceLogState::tlPause, TTraceLogState::tlOff},
        {TTraceLogState::tlOff, TTraceLogState::tlOff},
    };
    int nummer = 5;
    for (const auto& f : faelle) {
        port.SetComNumber(nummer);
        port.SetOpen(true);
        port.SetTracing(TTraceLogState::tlOn);
        port.SetLogging(TTraceLogState::tlOn);
        port.SetTracing(f.vorher);
        port.SetLogging(f.vorher);
        nummer = nummer == 5 ? 6 : 5;
        port.SetComNumber(nummer);
        ASSERT_TRUE(port.Open());
        EXPECT_EQ(port.Tracing(), f.nachher) << static_cast<int>(f.vorher);
        EXPECT_EQ(port.Logging(), f.nachher) << static_cast<int>(f.vorher);
        port.SetOpen(false);
    }
}

TEST_F(PortTest, ClosingTellsTheHandlersAndDestroyingAnOpenPortStopsItsThreads) {
    // The counters outlive the port: destroying it while open calls its close handler too.
    int geoeffnet = 0, geschlossen = 0;
    auto kurz = std::make_unique<TSerComPort>();
    kurz->SetComNumber(5);
    kurz->SetOnPortOpen([&](TSerCustomComPort&) { ++geoeffnet; });
    kurz->SetOnPortClose([&](TSerCustomComPort&) { ++geschlossen; });
    kurz->SetOpen(true);
    kurz->SetOpen(false);
    EXPECT_EQ(geoeffnet, 1);
    EXPECT_EQ(geschlossen, 1);

    kurz->SetOnTriggerAvail([](TSerCustomComPort&, uint16_t) {});
    kurz->SetOpen(true);
    EXPECT_EQ(arbeiter(), 4);
    ASSERT_TRUE(far.schreibe("late"));
    kurz.reset(); // the pending event for it is dropped
    EXPECT_EQ(geschlossen, 2);
    // A joined thread may stay listed for a moment.
    EXPECT_TRUE(warte([] { return arbeiter() == 0; }, 2000)) << arbeiter();
    pumpe(200);
    port.SetOpen(true);
    EXPECT_TRUE(port.Open());
}

// The box is shown after the delivery: while the user looks at it, the port's events go on.
TEST_F(PortTest, ExceptionFromAHandlerIsShownAfterItsDeliveryAndDeliveryGoesOn) {
    Meldungsrekorder meldungen;
    QStringList texte;
    bool weiterImKasten = false;
    Dialoge::setHandler({[&](const QString& text) {
                             texte.append(text);
                             // The box's own loop runs while it is open.
                             if (!far.schreibe("b"))
                                 return;
                             weiterImKasten = warte([&] { return empfangen.contains('b'); }, 2000);
                         },
                         {},
                         {}});
    port.SetOnTriggerAvail([&](TSerCustomComPort& cp, uint16_t count) {
        for (int i = 0; i < count; ++i)
            empfangen.append(static_cast<char>(cp.GetChar()));
        if (empfangen == "a")
            throw std::runtime_error("handler failed");
    });
    port.SetOpen(true);
    ASSERT_TRUE(far.schreibe("a"));
    ASSERT_TRUE(warte([&] { return !texte.isEmpty(); }));
    EXPECT_EQ(texte.first(), "handler failed");
    EXPECT_TRUE(weiterImKasten) << "the box held the port's deliveries";
    ASSERT_TRUE(far.schreibe("c"));
    ASSERT_TRUE(warte([&] { return empfangen == "abc"; }));
}

} // namespace
