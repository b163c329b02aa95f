#include "SerialFixture.h"

#include "platform/Nachrichten.h"
#include "serial/SerPort.h"
#include "serial/SerUser.h"
#include "serial/SerWin32.h"
#include "support/Fixtures.h"

#include <QRegularExpression>

#include <set>

namespace {

// A pseudo-terminal has no modem lines: this dispatcher reads them from the test.
class ModemStandIn : public TSerWin32Dispatcher {
public:
    ModemStandIn(TSerCustomComPort* Owner, std::atomic<uint32_t>& Lines)
        : TSerWin32Dispatcher(Owner), lines_(Lines) {}
    bool ReadModemLines(uint32_t& Lines) override {
        Lines = lines_.load();
        return true;
    }

private:
    std::atomic<uint32_t>& lines_;
};

struct Ereignis {
    uint16_t msg;
    uint16_t handle;
    uint16_t data;
    bool operator==(const Ereignis&) const = default;
};

// A port on COM5 whose handlers record every event and read all announced bytes.
class TriggerTest : public SerialTest {
protected:
    void SetUp() override {
        SerialTest::SetUp();
        ASSERT_TRUE(far.ok());
        mappe({{5, far.slavePfad()}});
        port.SetComNumber(5);
        port.SetOnTrigger([this](TSerCustomComPort&, uint16_t msg, uint16_t h, uint16_t d) {
            ereignisse.push_back({msg, h, d});
        });
        port.SetOnTriggerAvail([this](TSerCustomComPort& cp, uint16_t count) {
            for (int i = 0; i < count; ++i)
                empfangen.append(static_cast<char>(cp.GetChar()));
        });
    }
    int anzahl(uint16_t msg) const {
        return static_cast<int>(std::count_if(ereignisse.begin(), ereignisse.end(),
                                              [msg](const Ereignis& e) { return e.msg == msg; }));
    }

    PtyPaar far;
    // Declared before the port: closing it at the end of a test may still run its handlers.
    QByteArray empfangen;
    std::vector<Ereignis> ereignisse;
    TSerComPort port;
};

TEST_F(TriggerTest, DataTriggerMatchesAcrossTwoReads) {
    std::vector<uint16_t> daten;
    const SchliesstAmEnde ende(port);
    port.SetOnTriggerData([&](TSerCustomComPort&, uint16_t h) { daten.push_back(h); });
    port.SetOpen(true);
    const uint16_t h = port.AddDataTrigger("ok\r", true);
    const uint16_t anderer = port.AddDataTrigger("never");
    EXPECT_NE(h, anderer);
    ASSERT_TRUE(far.schreibe("xxO"));
    ASSERT_TRUE(warte([&] { return empfangen == "xxO"; }));
    pumpe(100);
    EXPECT_TRUE(daten.empty()) << "half a match fires nothing";
    ASSERT_TRUE(far.schreibe("K\rzz"));
    ASSERT_TRUE(warte([&] { return empfangen == "xxOK\rzz"; }));
    pumpe(100);
    EXPECT_EQ(daten, std::vector<uint16_t>{h});
    EXPECT_EQ(anzahl(APW_TRIGGERDATA), 1);
    const auto it = std::find_if(ereignisse.begin(), ereignisse.end(),
                                 [](const Ereignis& e) { return e.msg == APW_TRIGGERDATA; });
    ASSERT_NE(it, ereignisse.end());
    EXPECT_EQ(it->data, 3) << "the match length";

    // Bytes before a match in the same read are announced before the match.
    ereignisse.clear();
    daten.clear();
    port.RemoveTrigger(anderer);
    EXPECT_THROW(port.RemoveTrigger(anderer), EBadTriggerHandle);
    ASSERT_TRUE(far.schreibe("abOK\rcd"));
    ASSERT_TRUE(warte([&] { return empfangen.endsWith("abOK\rcd"); }));
    pumpe(100);
    ASSERT_GE(ereignisse.size(), 2u);
    EXPECT_EQ(ereignisse[0], (Ereignis{APW_TRIGGERAVAIL, 2, 2}));
    EXPECT_EQ(ereignisse[1], (Ereignis{APW_TRIGGERDATA, h, 3}));
    EXPECT_EQ(daten, std::vector<uint16_t>{h});

    EXPECT_THROW(port.AddDataTrigger(QByteArray(MaxTriggerLength + 1, 'x')), ETriggerTooLong);
}

TEST_F(TriggerTest, TimerTriggerFiresOnceAfterItsTicks) {
    std::vector<uint16_t> timer;
    const SchliesstAmEnde ende(port);
    port.SetOnTriggerTimer([&](TSerCustomComPort&, uint16_t h) { timer.push_back(h); });
    port.SetOpen(true);
    const uint16_t h = port.AddTimerTrigger();
    const auto start = std::chrono::steady_clock::now();
    port.SetTimerTrigger(h, 2, true);
    ASSERT_TRUE(warte([&] { return !timer.empty(); }, 2000));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    pumpe(300);
    EXPECT_EQ(timer, std::vector<uint16_t>{h});
    EXPECT_EQ(anzahl(APW_TRIGGERTIMER), 1);
    EXPECT_THROW(port.SetTimerTrigger(0xFFF8, 1, true), EBadTriggerHandle);
}

// Kinds by the low three bits of the handle: a modem trigger fires when a watched line
// changes (not while it is on), an output-free one when its level is reached, an
// output-sent one when bytes were queued.
TEST_F(TriggerTest, StatusTriggersFireOncePerChange) {
    std::atomic<uint32_t> leitungen{0x30}; // CTS and DSR on
    port.SetDispatcherFactory([&](TSerCustomComPort& cp) -> std::unique_ptr<TSerBaseDispatcher> {
        return std::make_unique<ModemStandIn>(&cp, leitungen);
    });
    int modem = 0, frei = 0, gesendet = 0;
    std::vector<uint16_t> status;
    const SchliesstAmEnde ende(port);
    port.SetOnTriggerStatus([&](TSerCustomComPort&, uint16_t h) { status.push_back(h); });
    port.SetOnTriggerModemStatus([&](TSerCustomComPort&) { ++modem; });
    port.SetOnTriggerOutbuffFree([&](TSerCustomComPort&) { ++frei; });
    port.SetOnTriggerOutSent([&](TSerCustomComPort&) { ++gesendet; });
    port.SetOpen(true);

    const uint16_t m = port.AddStatusTrigger(stModem);
    EXPECT_EQ(m & 7, stModem);
    port.SetStatusTrigger(m, 0x10 | 0x20, true);
    pumpe(300);
    EXPECT_EQ(modem, 0) << "lines that are on but unchanged";
    leitungen = 0x20; // CTS drops
    ASSERT_TRUE(warte([&] { return modem == 1; }, 2000));
    pumpe(300);
    EXPECT_EQ(modem, 1);
    leitungen = 0xA0; // carrier: not watched
    pumpe(300);
    EXPECT_EQ(modem, 1);
    leitungen = 0xB0; // CTS back
    ASSERT_TRUE(warte([&] { return modem == 2; }, 2000));
    EXPECT_EQ(status, (std::vector<uint16_t>{m, m}));

    const uint16_t f = port.AddStatusTrigger(stOutBuffFree);
    EXPECT_EQ(f & 7, stOutBuffFree);
    port.SetStatusTrigger(f, 100, true);
    ASSERT_TRUE(warte([&] { return frei == 1; }, 2000));
    pumpe(300);
    EXPECT_EQ(frei, 1) << "fires when the level is reached, not at every turn";

    const uint16_t s = port.AddStatusTrigger(stOutSent);
    port.SetStatusTrigger(s, 0, true);
    pumpe(200);
    EXPECT_EQ(gesendet, 0);
    port.PutString("x");
    ASSERT_TRUE(warte([&] { return gesendet == 1; }, 2000));
    pumpe(200);
    EXPECT_EQ(gesendet, 1);
    EXPECT_THROW(port.AddStatusTrigger(6), EBadArgument);
}

TEST_F(TriggerTest, TriggersSurviveACloseAndANewPortNumber) {
    PtyPaar far2;
    mappe({{5, far.slavePfad()}, {6, far2.slavePfad()}});
    std::vector<uint16_t> daten;
    const SchliesstAmEnde ende(port);
    port.SetOnTriggerData([&](TSerCustomComPort&, uint16_t h) { daten.push_back(h); });
    port.SetOpen(true);
    const uint16_t h = port.AddDataTrigger("END");
    port.SetOpen(false);
    port.SetOpen(true);
    ASSERT_TRUE(far.schreibe("xEND"));
    ASSERT_TRUE(warte([&] { return daten.size() == 1; }));
    port.SetComNumber(6);
    ASSERT_TRUE(far2.schreibe("END"));
    ASSERT_TRUE(warte([&] { return daten.size() == 2; }));
    EXPECT_EQ(daten, (std::vector<uint16_t>{h, h}));
    // New triggers after the restore get handles of their own.
    EXPECT_NE(port.AddDataTrigger("other"), h);
}

class Empfaenger {
public:
    Empfaenger()
        : fenster([this](uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
              nachrichten.emplace_back(msg, w);
              return 0;
          }) {}
    NachrichtenFenster fenster;
    std::vector<std::pair<uint32_t, uintptr_t>> nachrichten;
};

TEST_F(TriggerTest, UsersAreToldOfOpenClosingAndCloseInOrder) {
    Empfaenger fenster;
    std::vector<TPortNotice> rufe;
    const SchliesstAmEnde ende(port);
    port.RegisterUser(fenster.fenster.postfach());
    const int id = port.RegisterUserCallback([&](TSerCustomComPort& cp, TPortNotice n) {
        EXPECT_EQ(&cp, &port);
        rufe.push_back(n);
    });
    port.SetOpen(true);
    port.SetOpen(false);
    using N = TPortNotice;
    EXPECT_EQ(rufe, (std::vector<N>{N::Open, N::Closing, N::Close}));
    ASSERT_TRUE(warte([&] { return fenster.nachrichten.size() == 3; }));
    using P = std::pair<uint32_t, uintptr_t>;
    EXPECT_EQ(fenster.nachrichten,
              (std::vector<P>{{APW_PORTOPEN, 5}, {APW_CLOSEPENDING, 5}, {APW_PORTCLOSE, 5}}));

    // A close from inside an event handler ends after it returns, and is told all the same.
    rufe.clear();
    port.SetOnTriggerAvail([](TSerCustomComPort& cp, uint16_t) { cp.SetOpen(false); });
    port.SetOpen(true);
    ASSERT_TRUE(far.schreibe("x"));
    ASSERT_TRUE(warte([&] { return !port.Open(); }));
    EXPECT_EQ(rufe, (std::vector<N>{N::Open, N::Closing, N::Close}));

    port.DeregisterUser(id);
    rufe.clear();
    port.SetOpen(true);
    EXPECT_TRUE(rufe.empty());
}

TEST_F(TriggerTest, AssignCopiesSettingsUsersAndTheTriggersOfAnOpenPort) {
    std::vector<TPortNotice> rufe;
    const SchliesstAmEnde ende(port);
    port.RegisterUserCallback([&](TSerCustomComPort&, TPortNotice n) { rufe.push_back(n); });
    port.SetBaud(57600);
    port.SetStopBits(2);
    port.SetTraceSize(123);
    port.SetThreadBoost(1);
    port.SetOpen(true);
    const uint16_t h = port.AddDataTrigger("go");

    // Before the copy, which is still open when the test ends.
    std::vector<uint16_t> daten;
    TSerComPort kopie;
    kopie.Assign(port);
    EXPECT_EQ(kopie.ComNumber(), 5);
    EXPECT_EQ(kopie.Baud(), 57600);
    EXPECT_EQ(kopie.StopBits(), 2);
    EXPECT_EQ(kopie.TraceSize(), 123u);
    EXPECT_EQ(kopie.ThreadBoost(), 1);
    EXPECT_FALSE(kopie.Open());

    port.SetOpen(false);
    rufe.clear();
    kopie.SetOnTriggerData([&](TSerCustomComPort&, uint16_t t) { daten.push_back(t); });
    kopie.SetOpen(true);
    EXPECT_EQ(rufe, std::vector<TPortNotice>{TPortNotice::Open});
    ASSERT_TRUE(far.schreibe("go"));
    ASSERT_TRUE(warte([&] { return !daten.empty(); }));
    EXPECT_EQ(daten, std::vector<uint16_t>{h});
}

// A port whose CTS line changes at every look: a watched modem line fires at every turn of
// the dispatch thread.
class FlackerndeLeitungen : public TSerWin32Dispatcher {
public:
    using TSerWin32Dispatcher::TSerWin32Dispatcher;
    bool ReadModemLines(uint32_t& Lines) override {
        Lines = (++blicke_ & 1) ? 0x30 : 0x20;
        return true;
    }

private:
    std::atomic<unsigned> blicke_{0};
};

// An owner as the link is one: it holds its port and handles the port's events with members
// of its own. When it is destroyed, its members after the port are gone before the port.
class Besitzer {
public:
    Besitzer(std::set<const Besitzer*>& lebende, int& zuSpaet)
        : lebende_(lebende), zuSpaet_(zuSpaet) {
        lebende_.insert(this);
        port_->SetComNumber(5);
        port_->SetDispatcherFactory([](TSerCustomComPort& cp) {
            return std::unique_ptr<TSerBaseDispatcher>(std::make_unique<FlackerndeLeitungen>(&cp));
        });
        port_->SetOnTriggerStatus([this](TSerCustomComPort&, uint16_t h) { erlebt(h); });
        port_->SetOnTriggerTimer([this](TSerCustomComPort& cp, uint16_t h) {
            erlebt(h);
            cp.SetTimerTrigger(h, 1, true);
        });
        port_->SetOnTriggerAvail([this](TSerCustomComPort& cp, uint16_t count) {
            for (int i = 0; i < count; ++i)
                cp.GetChar();
            erlebt(count);
        });
        port_->SetOpen(true);
        port_->SetStatusTrigger(port_->AddStatusTrigger(stModem), 0x10, true);
        port_->SetTimerTrigger(port_->AddTimerTrigger(), 1, true);
    }
    ~Besitzer() { lebende_.erase(this); }
    Besitzer(const Besitzer&) = delete;
    Besitzer& operator=(const Besitzer&) = delete;

    size_t ereignisse() const { return gesehen_.size(); }

private:
    void erlebt(uint16_t was) {
        if (!lebende_.contains(this))
            ++zuSpaet_;
        gesehen_.push_back(was);
    }

    std::set<const Besitzer*>& lebende_;
    int& zuSpaet_;
    std::unique_ptr<TSerComPort> port_ = std::make_unique<TSerComPort>();
    std::vector<uint16_t> gesehen_;
};

class PortDestructionTest : public SerialTest {
protected:
    void SetUp() override {
        SerialTest::SetUp();
        ASSERT_TRUE(far.ok());
        mappe({{5, far.slavePfad()}});
    }
    PtyPaar far;
};

// Owners destroyed while their port's status lines change, its timer fires and bytes
// arrive: the events still on their way when the destruction begins reach none of them.
TEST_F(PortDestructionTest, EventsOnTheirWayReachNoOwnerBeingDestroyed) {
    std::set<const Besitzer*> lebende;
    int zuSpaet = 0;
    int runden = 0;
    const auto ende = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (runden < 60 && std::chrono::steady_clock::now() < ende) {
        auto besitzer = std::make_unique<Besitzer>(lebende, zuSpaet);
        ASSERT_TRUE(warte([&] { return besitzer->ereignisse() >= 2; }, 3000)) << runden;
        ASSERT_TRUE(far.schreibe("x"));
        // The GUI thread looks away for a moment: the next events wait for it.
        std::this_thread::sleep_for(std::chrono::milliseconds(1 + runden % 4));
        besitzer.reset();
        ++runden;
    }
    EXPECT_EQ(zuSpaet, 0) << "of " << runden << " owners";
    EXPECT_GE(runden, 5);
}

QByteArray dateiInhalt(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST_F(TriggerTest, TraceIsDumpedAndReadBack) {
    const QString datei = dir_.filePath(QStringLiteral("trace.txt"));
    port.SetTraceName(datei);
    port.SetTracing(TTraceLogState::tlDump); // closed: stored as off
    EXPECT_EQ(port.Tracing(), TTraceLogState::tlOff);
    port.SetTracing(TTraceLogState::tlOn);
    port.SetOpen(true);
    port.PutString("AT\r");
    EXPECT_EQ(far.lies(3, 2000), "AT\r");
    ASSERT_TRUE(far.schreibe("OK[\r\n"));
    ASSERT_TRUE(warte([&] { return empfangen.size() == 5; }));
    port.SetTracing(TTraceLogState::tlDump);
    EXPECT_EQ(port.Tracing(), TTraceLogState::tlOff);
    EXPECT_EQ(dateiInhalt(datei), "Transmit: AT[0D]\r\nReceive: OK[5B][0D][0A]\r\n\r\n");

    // Decimal brackets, appending, and a size that keeps only the latest bytes.
    port.SetTraceHex(false);
    port.SetTraceSize(4);
    port.SetTracing(TTraceLogState::tlOn);
    port.PutString("ABCDEF\t");
    port.SetTracing(TTraceLogState::tlAppend);
    EXPECT_EQ(dateiInhalt(datei), "Transmit: AT[0D]\r\nReceive: OK[5B][0D][0A]\r\n\r\n"
                                  "Transmit: DEF[9]\r\n\r\n");

    // Long runs wrap at 78 characters; a size change restarts a running trace; the close
    // writes it anew.
    port.SetTraceAllHex(true);
    port.SetTracing(TTraceLogState::tlOn);
    port.PutString("lost");
    port.SetTraceSize(100);
    port.PutString(QByteArray(20, 'z'));
    port.SetOpen(false);
    EXPECT_EQ(dateiInhalt(datei), "Transmit: " + QByteArray("[7A]").repeated(17) + "\r\n" +
                                      QByteArray("[7A]").repeated(3) + "\r\n\r\n");
    EXPECT_EQ(port.Tracing(), TTraceLogState::tlOff);

    // The 78 characters are a line's whole width, the heading included.
    port.SetTraceAllHex(false);
    port.SetTracing(TTraceLogState::tlOn);
    port.SetOpen(true);
    port.PutString(QByteArray(75, 'y'));
    port.SetTracing(TTraceLogState::tlDump);
    EXPECT_EQ(dateiInhalt(datei),
              "Transmit: " + QByteArray(68, 'y') + "\r\n" + QByteArray(7, 'y') + "\r\n\r\n");

    port.SetTraceSize(5000000);
    EXPECT_EQ(port.TraceSize(), 4000000u);
}

TEST_F(TriggerTest, EventLogIsDumpedWithItsHeaderAndOneLinePerEntry) {
    const QString datei = dir_.filePath(QStringLiteral("serial.log"));
    port.SetLogName(datei);
    port.SetOpen(true);
    port.SetLogging(TTraceLogState::tlOn);
    port.PutString("hi\r");
    ASSERT_TRUE(far.schreibe("abc"));
    ASSERT_TRUE(warte([&] { return empfangen == "abc"; }));
    port.SetLogging(TTraceLogState::tlPause);
    port.PutString("not logged");
    port.SetLogging(TTraceLogState::tlAppendAndContinue);
    EXPECT_EQ(port.Logging(), TTraceLogState::tlPause);
    port.SetLogging(TTraceLogState::tlAppend);
    EXPECT_EQ(port.Logging(), TTraceLogState::tlOff);
    const QList<QByteArray> zeilen = dateiInhalt(datei).split('\n');
    ASSERT_GE(zeilen.size(), 8);
    EXPECT_TRUE(zeilen[1].startsWith("Compiler : "));
    EXPECT_TRUE(zeilen[2].startsWith("Operating System : "));
    EXPECT_EQ(zeilen[3], "Device: COM5\r");
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Date/time: \\d\\d/\\d\\d/\\d\\d, "
                                                  "\\d\\d:\\d\\d:\\d\\d\\r$"))
                    .match(QString::fromLatin1(zeilen[4]))
                    .hasMatch());
    const QByteArray text = dateiInhalt(datei);
    const QRegularExpression block(
        QStringLiteral("\\n\\d{5}\\.\\d\\d  Write     Block         00000003  hi\\[0D\\]\\r\\n"));
    EXPECT_TRUE(block.match(QString::fromLatin1(text)).hasMatch()) << text.constData();
    EXPECT_TRUE(text.contains("Trigger   Avail         00000003")) << text.constData();
    EXPECT_FALSE(text.contains("not logged"));
    // The appended copy and the dump each hold the log once.
    EXPECT_EQ(text.count("Date/time: "), 2);
}

} // namespace
