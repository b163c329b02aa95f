// The simulated ECU's maps, frame by frame over its pseudo-terminal: lines read and
// written, stores, changes at a point, the data-item maps, areas sharing a command, and the
// named faults.

#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Kennfelder.h"
#include "ecusim/Parameter.h"
#include "ecusim/Worte.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

using ecusim::Kennfeldbereich;
using ecusim::Kennfeldfehler;
using ecusim::Worte;

namespace {

// The PC's end of the simulator's pseudo-terminal.
class Gegenstelle {
public:
    Gegenstelle() : kennfelder(sim, parameter) {
        const QString pfad = sim.oeffne_pty();
        fd_ = ::open(pfad.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~Gegenstelle() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Gegenstelle(const Gegenstelle&) = delete;
    Gegenstelle& operator=(const Gegenstelle&) = delete;

    bool ok() const { return fd_ >= 0; }

    // Sends the frame and returns the answer frame, or nothing when none came.
    QByteArray frage(uint8_t befehl, const QByteArray& daten) {
        const QByteArray rahmen = ecusim::baue_Rahmen(befehl, daten);
        const int vorher = sim.Bearbeitet;
        if (::write(fd_, rahmen.constData(), static_cast<size_t>(rahmen.size())) != rahmen.size())
            return {};
        QByteArray a;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            char puffer[512];
            const ssize_t n = ::read(fd_, puffer, sizeof puffer);
            if (n > 0)
                a.append(puffer, n);
            if (!a.isEmpty() && a.size() >= static_cast<uint8_t>(a[0]))
                return a;
            if (a.isEmpty() && sim.Bearbeitet > vorher && sim.Zuletzt_stumm)
                return {};
        }
        return a;
    }
    // The answer's data bytes, or nothing when no answer came.
    std::optional<QByteArray> Daten(uint8_t befehl, const QByteArray& daten) {
        const QByteArray a = frage(befehl, daten);
        if (a.isEmpty())
            return std::nullopt;
        EXPECT_EQ(static_cast<uint8_t>(a[1]), befehl);
        return a.mid(2, a.size() - 3);
    }

    // Words of data items through the data-item protocol, as the parameter area serves it:
    // the read in new-format blocks with the triple as the first request's extra bytes, the
    // write as a block send.
    std::vector<uint16_t> lies_Element(int id, int offset, int anzahl) {
        const QByteArray nachricht = Worte({1, 1, id, offset, anzahl});
        QByteArray antwort;
        for (int index = 0; index < 20; ++index) {
            QByteArray anfrage;
            anfrage.append(static_cast<char>(index + 128));
            anfrage.append(static_cast<char>(index == 0 ? nachricht.size() : 0));
            anfrage.append(static_cast<char>(index));
            anfrage.append(static_cast<char>(100));
            if (index == 0)
                anfrage.append(nachricht);
            const std::optional<QByteArray> block = Daten(128, anfrage);
            if (!block || block->size() < 2)
                return {};
            antwort.append(block->mid(2, static_cast<uint8_t>((*block)[1])));
            if (static_cast<uint8_t>((*block)[0]) & 0x80)
                break;
        }
        // [0][N = 1][id][offset][count][words].
        std::vector<uint16_t> w;
        for (int i = 0; i < ecusim::Wort(antwort, 4); ++i)
            w.push_back(ecusim::Wort(antwort, 5 + i));
        return w;
    }
    void schreibe_Element(int id, int offset, const std::vector<uint16_t>& woerter) {
        QByteArray nachricht = Worte({1, 1, id, offset, static_cast<int>(woerter.size())});
        for (uint16_t w : woerter)
            ecusim::haenge_Wort_an(nachricht, w);
        const int bloecke = static_cast<int>((nachricht.size() + 99) / 100);
        for (int i = 0; i < bloecke; ++i) {
            const QByteArray teil = nachricht.mid(i * 100, 100);
            QByteArray b;
            b.append(static_cast<char>(i + (i == bloecke - 1 ? 128 : 0)));
            b.append(static_cast<char>(teil.size()));
            b.append(teil);
            EXPECT_EQ(Daten(129, b), QByteArray()) << i;
        }
    }

    ecusim::EcuSim sim;
    ecusim::Parameterbereich parameter{sim};
    Kennfeldbereich kennfelder;

private:
    int fd_ = -1;
};

QByteArray Zeilenanfrage(int nr, int position, int kurve) {
    QByteArray d;
    d.append(static_cast<char>(nr));
    d.append(static_cast<char>(position));
    d.append(static_cast<char>(kurve));
    return d;
}

QByteArray Schreibanfrage(int nr, int zeile, int kurve, const std::vector<int>& werte) {
    QByteArray d;
    for (int b : {nr, zeile, 16, kurve})
        d.append(static_cast<char>(b));
    for (int w : werte)
        ecusim::haenge_Wort_an(d, w);
    return d;
}

QByteArray Aenderung(int nr, int delta, int x, int y) {
    QByteArray d;
    d.append(static_cast<char>(nr));
    d.append('\0');
    ecusim::haenge_Wort_an(d, delta);
    d.append(static_cast<char>(x));
    d.append(static_cast<char>(y));
    return d;
}

QByteArray Elementaenderung(int nr, int delta, int x, int y) {
    QByteArray d = Worte({nr});
    d.append('\0');
    ecusim::haenge_Wort_an(d, delta);
    d.append(static_cast<char>(x));
    d.append(static_cast<char>(y));
    return d;
}

// A map whose value at line x, point y is 100 x + y (a curve: 100 x - 800), so that every
// value tells where it stands, negatives included.
std::vector<int16_t> Muster(bool kurve) {
    std::vector<int16_t> w;
    for (int x = 0; x <= 16; ++x)
        for (int y = 0; y <= (kurve ? 0 : 16); ++y)
            w.push_back(static_cast<int16_t>(kurve ? 100 * x - 800 : 100 * x + y));
    return w;
}

// The answer to a line read: map number, position, then 17 signed words.
QByteArray Zeilenantwort(int nr, int position, const std::vector<int>& werte) {
    QByteArray a;
    a.append(static_cast<char>(nr));
    a.append(static_cast<char>(position));
    for (int w : werte)
        ecusim::haenge_Wort_an(a, w);
    return a;
}

std::vector<int> Zeile(int x) {
    std::vector<int> w;
    for (int y = 0; y <= 16; ++y)
        w.push_back(100 * x + y);
    return w;
}

std::vector<int> Kurve() {
    std::vector<int> w;
    for (int x = 0; x <= 16; ++x)
        w.push_back(100 * x - 800);
    return w;
}

} // namespace

TEST(EcusimKennfelder, LinesAreReadByTheirPositionAsSeventeenValues) {
    Gegenstelle g;
    ASSERT_TRUE(g.ok());
    g.kennfelder.setze_Werte(0, Muster(false));
    g.kennfelder.setze_Werte(4, Muster(true));
    g.kennfelder.setze_Werte(21, Muster(true));
    struct Fall {
        int nr, position, kurve;
        QByteArray antwort;
    };
    const Fall faelle[] = {
        {0, 0, 0, Zeilenantwort(0, 0, Zeile(0))},
        {0, 80, 0, Zeilenantwort(0, 80, Zeile(5))},
        {0, 240, 0, Zeilenantwort(0, 240, Zeile(15))},
        {0, 255, 0, Zeilenantwort(0, 255, Zeile(16))},
        // A curve is its one line.
        {4, 0, 1, Zeilenantwort(4, 0, Kurve())},
        // The log-Y map's second row is ECU curve 21.
        {21, 0, 1, Zeilenantwort(21, 0, Kurve())},
    };
    for (const Fall& f : faelle) {
        const QByteArray a = g.frage(107, Zeilenanfrage(f.nr, f.position, f.kurve));
        ASSERT_EQ(a.size(), 39) << f.nr << " " << f.position;
        EXPECT_EQ(a.left(2), QByteArray("\x27\x6b")) << f.nr << " " << f.position;
        EXPECT_EQ(a.mid(2, 36), f.antwort) << f.nr << " " << f.position;
        EXPECT_EQ(
            std::accumulate(a.begin(), a.end(), 0,
                            [](int s, char c) { return (s + static_cast<uint8_t>(c)) & 0xFF; }),
            0);
    }
    EXPECT_EQ(g.kennfelder.Gelesene_Zeilen.size(), std::size(faelle));
    EXPECT_EQ(g.kennfelder.Gelesene_Zeilen[3], std::make_pair(0, 16));
}

TEST(EcusimKennfelder, EveryCatalogueMapIsThereAsAVisibleSurfaceWithinItsRawRange) {
    Gegenstelle g;
    // The log-Y map is its two curves; the placeholder 5 and unknown numbers are not there.
    for (int nr : {6, 21, 0, 14, 45, 210, 211})
        EXPECT_TRUE(g.kennfelder.hat_Kennfeld(nr)) << nr;
    for (int nr : {5, 22, 99})
        EXPECT_FALSE(g.kennfelder.hat_Kennfeld(nr)) << nr;
    EXPECT_TRUE(g.kennfelder.ist_Kurve(6));
    EXPECT_FALSE(g.kennfelder.ist_Kurve(0));

    // Map 0, raw 0..12500: rising along X, arched along Y, inside its range.
    const std::vector<int16_t> w = g.kennfelder.Werte(0);
    ASSERT_EQ(w.size(), 289u);
    EXPECT_EQ(g.kennfelder.gespeicherte_Werte(0), w);
    const auto W = [&](int x, int y) { return w[static_cast<size_t>(x * 17 + y)]; };
    EXPECT_LT(W(0, 8), W(8, 8));
    EXPECT_LT(W(8, 8), W(16, 8));
    EXPECT_LT(W(8, 0), W(8, 8));
    EXPECT_GT(W(8, 8), W(8, 16));
    EXPECT_GE(*std::min_element(w.begin(), w.end()), 0);
    EXPECT_LE(*std::max_element(w.begin(), w.end()), 12500);
    // Map 42, raw -1000..1000, goes below 0.
    const std::vector<int16_t> k = g.kennfelder.Werte(42);
    EXPECT_LT(*std::min_element(k.begin(), k.end()), 0);
    EXPECT_GE(*std::min_element(k.begin(), k.end()), -1000);
    // Warm-up enrichment (curve 6, 0..200 % as 0..20000) is high when cold, low when warm,
    // and never below 1 %, which the log-Y display needs.
    const std::vector<int16_t> warm = g.kennfelder.Werte(6);
    ASSERT_EQ(warm.size(), 17u);
    EXPECT_GT(warm[0], 10000);
    EXPECT_GE(warm[16], 100);
    EXPECT_TRUE(std::is_sorted(warm.rbegin(), warm.rend()));
}

TEST(EcusimKennfelder, AWrittenLineChangesTheWorkingCopyAndOnlyAStoreTheStoredOne) {
    Gegenstelle g;
    const std::vector<int16_t> vorher = g.kennfelder.Werte(0);
    std::vector<int> neu(17);
    for (int i = 0; i < 17; ++i)
        neu[static_cast<size_t>(i)] = -300 + 7 * i;
    EXPECT_EQ(g.Daten(108, Schreibanfrage(0, 3, 0, neu)), QByteArray());
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(0, 48, 0)), Zeilenantwort(0, 48, neu));
    for (int y = 0; y <= 16; ++y) {
        EXPECT_EQ(g.kennfelder.Wert(0, 3, y), neu[static_cast<size_t>(y)]);
        EXPECT_EQ(g.kennfelder.Wert(0, 2, y), vorher[static_cast<size_t>(2 * 17 + y)]);
    }
    EXPECT_EQ(g.kennfelder.gespeicherte_Werte(0), vorher);
    EXPECT_EQ(g.kennfelder.Geschriebene_Zeilen, (std::vector<std::pair<int, int>>{{0, 3}}));

    EXPECT_EQ(g.Daten(78, QByteArray(1, '\0')), QByteArray(1, '\0'));
    EXPECT_EQ(g.kennfelder.gespeicherte_Werte(0), g.kennfelder.Werte(0));
    EXPECT_EQ(g.kennfelder.Speicherungen, std::vector<int>{0});
    // Another map's stored copy stayed as it was.
    g.kennfelder.setze_Wert(13, 0, 0, 1234);
    EXPECT_NE(g.kennfelder.gespeicherte_Werte(13), g.kennfelder.Werte(13));
}

TEST(EcusimKennfelder, TheLogYMapIsWrittenAsCurvesSixAndTwentyOneAndStoredAsTwentyTwo) {
    Gegenstelle g;
    std::vector<int> zeile0(17, 5000);
    std::vector<int> zeile1(17, 300);
    EXPECT_EQ(g.Daten(108, Schreibanfrage(6, 0, 1, zeile0)), QByteArray());
    EXPECT_EQ(g.Daten(108, Schreibanfrage(21, 1, 1, zeile1)), QByteArray());
    EXPECT_EQ(g.kennfelder.Werte(6), std::vector<int16_t>(17, 5000));
    EXPECT_EQ(g.kennfelder.Werte(21), std::vector<int16_t>(17, 300));
    EXPECT_NE(g.kennfelder.gespeicherte_Werte(6), g.kennfelder.Werte(6));

    EXPECT_EQ(g.Daten(78, QByteArray(1, 22)), QByteArray(1, '\0'));
    EXPECT_EQ(g.kennfelder.gespeicherte_Werte(6), std::vector<int16_t>(17, 5000));
    EXPECT_EQ(g.kennfelder.gespeicherte_Werte(21), std::vector<int16_t>(17, 300));
    EXPECT_EQ(g.kennfelder.Speicherungen, std::vector<int>{22});
    // 22 itself is no line map: reading it is left unanswered.
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(22, 0, 1)), std::nullopt);
}

TEST(EcusimKennfelder, AChangeAtAPointAddsItsDeltaToTheGridPointOfItsPositions) {
    Gegenstelle g;
    const std::vector<int16_t> gespeichert = g.kennfelder.gespeicherte_Werte(0);
    g.kennfelder.setze_Werte(0, Muster(false));
    g.kennfelder.setze_Werte(4, Muster(true));
    g.kennfelder.setze_Wert(13, 16, 16, 32000);
    struct Fall {
        int nr, delta, x, y;
        int px, py; // the grid point it changes
        int danach;
    };
    const Fall faelle[] = {
        {0, 25, 32, 48, 2, 3, 228},
        {0, -1000, 0, 0, 0, 0, -1000},
        {0, 7, 255, 255, 16, 16, 1623},
        // A curve goes by X alone (the log-Y rows send Y 0 or 16).
        {4, 50, 80, 16, 5, 0, -250},
        // The ECU's words saturate rather than wrap.
        {13, 1000, 255, 255, 16, 16, 32767},
    };
    for (const Fall& f : faelle) {
        EXPECT_EQ(g.Daten(91, Aenderung(f.nr, f.delta, f.x, f.y)), QByteArray()) << f.nr;
        EXPECT_EQ(g.kennfelder.Wert(f.nr, f.px, f.py), f.danach) << f.nr << " " << f.delta;
    }
    EXPECT_EQ(g.kennfelder.Aenderungen.size(), std::size(faelle));
    EXPECT_EQ(g.kennfelder.Aenderungen[1], (ecusim::Kennfeldaenderung{91, 0, -1000, 0, 0}));
    // Nothing else moved, and nothing was stored.
    EXPECT_EQ(g.kennfelder.Wert(0, 2, 2), 202);
    EXPECT_EQ(g.kennfelder.gespeicherte_Werte(0), gespeichert);
    EXPECT_TRUE(g.kennfelder.Speicherungen.empty());
}

TEST(EcusimKennfelder, DataItemMapsAreParameterItemsReadWrittenChangedAndStored) {
    Gegenstelle g;
    const int nr = Kennfeldbereich::Datenelement_Kennfeld;
    const int kurve = Kennfeldbereich::Datenelement_Kurve;
    ASSERT_TRUE(g.kennfelder.ist_Datenelement(nr));
    ASSERT_EQ(g.parameter.Elemente[nr].size(), 301u);
    ASSERT_EQ(g.parameter.Elemente[kurve].size(), 23u);
    // The sample values of the parameter area leave the maps' items alone.
    g.parameter.fuelle_Beispielwerte();
    ASSERT_EQ(g.parameter.Elemente[nr].size(), 301u);

    // A whole map's block, read by word ranges: values, then the axis and further words.
    const std::vector<uint16_t> block = g.lies_Element(nr, 0, 301);
    ASSERT_EQ(block.size(), 301u);
    EXPECT_EQ(std::vector<uint16_t>(block.begin() + 289, block.begin() + 297),
              (std::vector<uint16_t>{0, 90, 0, 8000, 100, 900, 20, 60}));
    EXPECT_LT(block[0], block[16 * 17 + 8]);
    const std::vector<uint16_t> kurvenblock = g.lies_Element(kurve, 17, 4);
    EXPECT_EQ(kurvenblock, (std::vector<uint16_t>{0, 5000, 100, 900}));

    // Written by a range: the working copy changes, the stored one stays.
    g.schreibe_Element(nr, 17, {11, 12, 13});
    EXPECT_EQ(g.kennfelder.Wert(nr, 1, 0), 11);
    EXPECT_EQ(g.kennfelder.Wert(nr, 1, 2), 13);
    EXPECT_EQ(g.lies_Element(nr, 16, 3), (std::vector<uint16_t>{block[16], 11, 12}));
    EXPECT_EQ(g.kennfelder.gespeicherter_Block(nr), block);

    // Changed at a point: map 140 at (1, 1), the curve at X 16.
    EXPECT_EQ(g.Daten(131, Elementaenderung(nr, -20, 16, 16)), QByteArray());
    EXPECT_EQ(g.kennfelder.Wert(nr, 1, 1), -8);
    EXPECT_EQ(g.parameter.Elemente[nr][18], static_cast<uint16_t>(-8));
    const int16_t ende = g.kennfelder.Wert(kurve, 16);
    EXPECT_EQ(g.Daten(131, Elementaenderung(kurve, 5, 255, 0)), QByteArray());
    EXPECT_EQ(g.kennfelder.Wert(kurve, 16), ende + 5);
    EXPECT_EQ(g.kennfelder.Aenderungen.back(), (ecusim::Kennfeldaenderung{131, kurve, 5, 255, 0}));

    // Stored: the stored block is the working one, the other item's stays.
    EXPECT_EQ(g.Daten(130, Worte({nr})), QByteArray(1, '\0'));
    EXPECT_EQ(g.kennfelder.gespeicherter_Block(nr), g.parameter.Elemente[nr]);
    EXPECT_EQ(g.kennfelder.gespeicherte_Werte(nr), g.kennfelder.Werte(nr));
    EXPECT_NE(g.kennfelder.gespeicherte_Werte(kurve), g.kennfelder.Werte(kurve));
    EXPECT_EQ(g.kennfelder.Speicherungen, std::vector<int>{nr});

    // A line-protocol map is no data item and the reverse, also once made one.
    EXPECT_EQ(g.Daten(130, Worte({0})), std::nullopt);
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(nr, 0, 0)), std::nullopt);
    g.kennfelder.lege_Datenelement_Kennfeld_an(9, true, 0, 100);
    EXPECT_EQ(g.lies_Element(9, 17, 2), (std::vector<uint16_t>{0, 5000}));
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(9, 0, 1)), std::nullopt);
    EXPECT_EQ(g.Daten(130, Worte({9})), QByteArray(1, '\0'));
}

TEST(EcusimKennfelder, AreasShareACommandWithoutTakingEachOthersOver) {
    Gegenstelle g;
    ecusim::EcuSim& sim = g.sim;
    // Registered after the first maps area and before a second one: a handler taking every
    // change at a point, and one taking only the reads of map 99.
    int frueher = 0;
    sim.setze_Handler(&frueher, 91, [&frueher](const QByteArray&) {
        ++frueher;
        return std::optional(QByteArray("alt"));
    });
    int spaeter = 0;
    sim.setze_Handler(
        &spaeter, 107,
        [&spaeter](const QByteArray&) {
            ++spaeter;
            return std::optional(QByteArray("neu"));
        },
        [](const QByteArray& d) { return d.size() == 3 && d[0] == 99; });
    Kennfeldbereich zweite(sim);

    // The second area answers its own maps and leaves the rest (unknown maps, requests of
    // another length) to the handlers before it.
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(99, 0, 0)), QByteArray("neu"));
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(0, 0, 0))->size(), 36);
    EXPECT_EQ(g.Daten(91, Aenderung(99, 1, 0, 0)), QByteArray("alt"));
    EXPECT_EQ(g.Daten(91, Aenderung(0, 1, 0, 0) + "x"), QByteArray("alt"));
    EXPECT_EQ(g.Daten(91, Aenderung(0, 1, 0, 0)), QByteArray());
    EXPECT_EQ(spaeter, 1);
    EXPECT_EQ(frueher, 2);
    // The change went to the later of the two areas that take it, and only there.
    EXPECT_EQ(zweite.Aenderungen.size(), 1u);
    EXPECT_TRUE(g.kennfelder.Aenderungen.empty());

    // A second handler of the same owner replaces its first instead of joining it.
    sim.setze_Handler(
        &spaeter, 107, [](const QByteArray&) { return std::optional(QByteArray("ersetzt")); },
        [](const QByteArray& d) { return d.size() == 3 && d[0] == 98; });
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(98, 0, 0)), QByteArray("ersetzt"));
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(99, 0, 0)), std::nullopt);

    // The service commands' logger shares 22 with a gearbox record registered before it:
    // it takes the requests with a block number and leaves those without data.
    sim.setze_Handler(&frueher, 22,
                      [](const QByteArray&) { return std::optional(QByteArray(88, 'G')); });
    ecusim::Befehlsbereich befehle(sim);
    befehle.Logeintraege = {QByteArray("EINTRAG1")};
    EXPECT_EQ(g.Daten(22, QByteArray()), QByteArray(88, 'G'));
    const std::optional<QByteArray> log = g.Daten(22, Worte({0}));
    ASSERT_TRUE(log);
    EXPECT_EQ(log->size(), 68);
    EXPECT_EQ(log->mid(4, 8), QByteArray("EINTRAG1"));
}

TEST(EcusimKennfelder, NamedFaults) {
    Gegenstelle g;
    g.kennfelder.setze_Werte(0, Muster(false));

    // Silence for one map's command only; the request is not carried out.
    g.kennfelder.injiziere(Kennfeldfehler::Stille, 1, {.kennfeld = 0, .befehl = 108});
    EXPECT_EQ(g.Daten(108, Schreibanfrage(4, 0, 1, std::vector<int>(17, 1))), QByteArray());
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(0, 0, 0)), Zeilenantwort(0, 0, Zeile(0)));
    EXPECT_EQ(g.Daten(108, Schreibanfrage(0, 0, 0, std::vector<int>(17, 1))), std::nullopt);
    EXPECT_EQ(g.kennfelder.Wert(0, 0, 5), 5);
    EXPECT_EQ(g.Daten(108, Schreibanfrage(0, 0, 0, std::vector<int>(17, 1))), QByteArray());
    EXPECT_EQ(g.kennfelder.Wert(0, 0, 5), 1);
    g.kennfelder.injiziere(Kennfeldfehler::Stille, 2);
    EXPECT_EQ(g.Daten(78, QByteArray(1, '\0')), std::nullopt);
    EXPECT_EQ(g.Daten(91, Aenderung(0, 1, 0, 0)), std::nullopt);
    EXPECT_EQ(g.kennfelder.Wert(0, 0, 0), 1);
    EXPECT_TRUE(g.kennfelder.Speicherungen.empty());
    // ... or for one line.
    g.kennfelder.injiziere(Kennfeldfehler::Stille, 1, {.zeile = 5});
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(0, 64, 0)), Zeilenantwort(0, 64, Zeile(4)));
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(0, 80, 0)), std::nullopt);
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(0, 80, 0)), Zeilenantwort(0, 80, Zeile(5)));

    // Another line than asked, header and values; line 16 answers line 15.
    // A curve has no other line: its read leaves the fault to the map's.
    g.kennfelder.injiziere(Kennfeldfehler::FalscheZeile, 2);
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(4, 0, 1)), Zeilenantwort(4, 0, std::vector<int>(17, 1)));
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(0, 80, 0)), Zeilenantwort(0, 96, Zeile(6)));
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(0, 255, 0)), Zeilenantwort(0, 240, Zeile(15)));
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(0, 80, 0)), Zeilenantwort(0, 80, Zeile(5)));
    // The line asked for under another line's number.
    g.kennfelder.injiziere(Kennfeldfehler::FalscheZeilennummer, 2);
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(0, 80, 0)), Zeilenantwort(0, 96, Zeile(5)));
    EXPECT_EQ(g.Daten(107, Zeilenanfrage(4, 0, 1)), Zeilenantwort(4, 16, std::vector<int>(17, 1)));

    // A store that fails answers 1 and leaves the stored copy; the next one stores.
    const std::vector<int16_t> gespeichert = g.kennfelder.gespeicherte_Werte(0);
    g.kennfelder.injiziere(Kennfeldfehler::Speichern_misslingt, 1);
    EXPECT_EQ(g.Daten(78, QByteArray(1, '\0')), QByteArray(1, '\1'));
    EXPECT_EQ(g.kennfelder.gespeicherte_Werte(0), gespeichert);
    EXPECT_EQ(g.Daten(78, QByteArray(1, '\0')), QByteArray(1, '\0'));
    EXPECT_EQ(g.kennfelder.gespeicherte_Werte(0), g.kennfelder.Werte(0));
    const int nr = Kennfeldbereich::Datenelement_Kennfeld;
    g.kennfelder.setze_Wert(nr, 0, 0, 777);
    g.kennfelder.injiziere(Kennfeldfehler::Speichern_misslingt, 1, {.kennfeld = nr});
    EXPECT_EQ(g.Daten(130, Worte({nr})), QByteArray(1, '\1'));
    EXPECT_NE(g.kennfelder.gespeicherte_Werte(nr)[0], 777);
    EXPECT_EQ(g.kennfelder.Speicherungen, (std::vector<int>{0, 0, nr}));
}
