#include "ecusim/Kennfelder.h"

#include "ecusim/EcuSim.h"
#include "ecusim/Parameter.h"
#include "ecusim/Worte.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ecusim {

namespace {

constexpr uint8_t Zeile_lesen = 107;
constexpr uint8_t Zeile_schreiben = 108;
constexpr uint8_t Speichern = 78;
constexpr uint8_t Aendern = 91;
constexpr uint8_t Element_speichern = 130;
constexpr uint8_t Element_aendern = 131;

// The log-Y map: two ECU curves, stored under a number of its own.
constexpr int LogY_Kennfeld = 22;
constexpr int LogY_Zeile0 = 6;
constexpr int LogY_Zeile1 = 21;

struct Katalogfeld {
    int nr;
    bool kurve;
    int roh_min;
    int roh_max;
};

// The line-protocol maps of the built-in catalogue with their raw ranges, the log-Y map's
// rows first (raw 0..20000 for 0..200 %).
// clang-format off
constexpr Katalogfeld Katalog[] = {
    {LogY_Zeile0, true, 0, 20000}, {LogY_Zeile1, true, 0, 20000}, {0, false, 0, 12500},
    {42, false, -1000, 1000}, {9, true, 0, 20000}, {37, true, 0, 20000}, {23, true, 0, 25000},
    {26, true, 0, 1200}, {10, false, -400, 400}, {81, true, -500, 500}, {82, true, -1000, 1000},
    {44, true, 0, 1000}, {34, true, -1000, 3000}, {86, false, 0, 720}, {4, true, 0, 1000},
    {27, true, 0, 12500}, {7, true, 0, 5000}, {15, true, 0, 5000}, {24, true, 0, 2500},
    {18, true, 0, 30000}, {35, true, 0, 2500}, {8, true, -10000, 20000},
    {211, true, -10000, 10000}, {16, true, -10000, 10000}, {17, true, 0, 3000},
    {210, false, 0, 1000}, {19, true, -6000, 6000}, {12, true, -10000, 10000},
    {11, true, -10000, 10000}, {32, true, -200, 200}, {13, false, 0, 3000}, {14, false, 0, 25600},
    {40, true, 0, 900}, {41, true, 0, 1000}, {29, true, -50, 300}, {30, true, -50, 200},
    {75, true, -55, 1200}, {65, true, -50, 100}, {201, true, 0, 2500}, {46, true, -500, 1500},
    {50, false, 0, 90}, {51, true, 0, 100}, {60, false, 0, 3000}, {31, true, 0, 1000},
    {52, true, -2000, 2000}, {70, false, 0, 200}, {73, true, 0, 100}, {71, false, 0, 200},
    {74, true, 0, 100}, {72, false, 0, 100}, {78, true, -50, 300}, {76, true, 0, 100},
    {79, true, 0, 700}, {77, true, 0, 100}, {80, false, 0, 1000}, {61, false, 0, 20000},
    {36, false, 0, 100}, {64, true, 0, 2000}, {66, true, 0, 2000}, {67, false, 0, 2500},
    {68, false, 0, 500}, {63, true, 0, 10000}, {43, false, 0, 1000}, {83, false, 0, 3600},
    {84, false, 0, 3600}, {85, false, 0, 3600}, {38, false, 0, 90}, {39, false, -20, 50},
    {101, false, 0, 1000}, {102, true, -500, 3000}, {110, true, 0, 8000}, {111, true, 0, 8000},
    {112, true, 0, 8000}, {113, true, 0, 8000}, {114, true, 0, 8000}, {115, true, 0, 8000},
    {116, true, 0, 1000}, {117, true, 0, 100}, {118, true, 0, 100}, {119, true, 0, 100},
    {120, true, 0, 50}, {87, true, -500, 500}, {88, true, -100, 100}, {89, true, -50, 100},
    {90, true, -50, 100}, {200, false, 0, 10000}, {202, true, 0, 250}, {47, true, 0, 1000},
    {45, false, -1000, 1000},
};
// clang-format on

int16_t begrenzt(long long v) {
    return static_cast<int16_t>(std::clamp<long long>(v, INT16_MIN, INT16_MAX));
}

// Share 0..1 of the range at a grid point (sx, sy in 0..1). A map rises with X and arches
// over Y, as an injection time over load and speed does; a curve is an S, rising on even
// map numbers, falling on odd ones. The map number tilts each a little, so that no two
// look alike.
double Anteil(int nr, bool kurve, double sx, double sy) {
    const int eigen = ((nr % 5) + 5) % 5;
    if (nr == LogY_Zeile0) // warm-up enrichment, high when cold
        return 0.02 + 0.78 * (1 - sx) * (1 - sx);
    if (nr == LogY_Zeile1)
        return 0.01 + 0.4 * std::pow(1 - sx, 1.5);
    if (kurve) {
        const double s = 0.5 - 0.5 * std::cos(std::numbers::pi * sx);
        return 0.15 + (0.6 + 0.04 * eigen) * (nr % 2 == 0 ? s : 1 - s);
    }
    const double steigung = 0.55 * std::pow(sx, 1.1 + 0.1 * eigen);
    const double bogen = 0.45 * std::sin(std::numbers::pi * (0.15 + 0.7 * sy)) * (0.6 + 0.4 * sx);
    return 0.1 + 0.8 * (steigung + bogen);
}

std::vector<int16_t> Flaeche(int nr, bool kurve, int min, int max) {
    std::vector<int16_t> w;
    const int n = kurve ? 1 : 17;
    for (int x = 0; x <= 16; ++x)
        for (int y = 0; y < n; ++y)
            w.push_back(
                begrenzt(min + std::llround((max - min) * Anteil(nr, kurve, x / 16.0, y / 16.0))));
    return w;
}

// The grid line of an axis position (16 per line, 255 for the last).
int Gitterlinie(int position) {
    return std::min(16, (position + 8) / 16);
}

int Position(int linie) {
    return std::min(255, 16 * linie);
}

int Index(bool kurve, int x, int y) {
    return kurve ? x : x * 17 + y;
}

std::optional<QByteArray> leer() {
    return QByteArray();
}

} // namespace

Kennfeldbereich::Kennfeldbereich(EcuSim& sim) {
    for (const Katalogfeld& k : Katalog)
        lege_Kennfeld_an(k.nr, k.kurve, k.roh_min, k.roh_max);
    melde_an(sim);
}

Kennfeldbereich::Kennfeldbereich(EcuSim& sim, Parameterbereich& parameter) : Kennfeldbereich(sim) {
    parameter_ = &parameter;
    lege_Datenelement_Kennfeld_an(Datenelement_Kennfeld, false, 0, 1000);
    lege_Datenelement_Kennfeld_an(Datenelement_Kurve, true, -200, 800);
}

void Kennfeldbereich::melde_an(EcuSim& sim) {
    const auto bekannt = [this](const QByteArray& d, int laenge) {
        return d.size() == laenge && linienfelder_.contains(static_cast<uint8_t>(d[0]));
    };
    sim.setze_Handler(
        this, Zeile_lesen, [this](const QByteArray& d) { return lies_Zeile(d); },
        [bekannt](const QByteArray& d) { return bekannt(d, 3); });
    sim.setze_Handler(
        this, Zeile_schreiben, [this](const QByteArray& d) { return schreibe_Zeile(d); },
        [bekannt](const QByteArray& d) { return bekannt(d, 38); });
    sim.setze_Handler(
        this, Speichern, [this](const QByteArray& d) { return speichere(d); },
        [this, bekannt](const QByteArray& d) {
            return bekannt(d, 1) ||
                   (d.size() == 1 && static_cast<uint8_t>(d[0]) == LogY_Kennfeld &&
                    linienfelder_.contains(LogY_Zeile0) && linienfelder_.contains(LogY_Zeile1));
        });
    sim.setze_Handler(
        this, Aendern, [this](const QByteArray& d) { return aendere(d); },
        [bekannt](const QByteArray& d) { return bekannt(d, 6); });
    sim.setze_Handler(
        this, Element_speichern, [this](const QByteArray& d) { return speichere_Datenelement(d); },
        [this](const QByteArray& d) { return d.size() == 2 && Block(Wort(d, 0)); });
    sim.setze_Handler(
        this, Element_aendern, [this](const QByteArray& d) { return aendere_Datenelement(d); },
        [this](const QByteArray& d) { return d.size() == 7 && Block(Wort(d, 0)); });
}

void Kennfeldbereich::lege_Kennfeld_an(int nr, bool kurve, int roh_min, int roh_max) {
    Linienfeld f;
    f.kurve = kurve;
    f.werte = Flaeche(nr, kurve, roh_min, roh_max);
    f.gespeichert = f.werte;
    linienfelder_[nr] = std::move(f);
    datenfelder_.erase(nr);
}

void Kennfeldbereich::lege_Datenelement_Kennfeld_an(int nr, bool kurve, int min, int max) {
    if (!parameter_)
        return;
    std::vector<uint16_t> block(kurve ? Block_Kurve : Block_Kennfeld, 0);
    const std::vector<int16_t> werte = Flaeche(nr, kurve, min, max);
    std::copy(werte.begin(), werte.end(), block.begin());
    // After the values: the axis words (the axes' ends), then the further words (a few
    // plausible limits); a curve has two of each, a map four.
    const std::vector<int> woerter = kurve ? std::vector<int>{0, 5000, 100, 900}
                                           : std::vector<int>{0, 90, 0, 8000, 100, 900, 20, 60};
    for (size_t i = 0; i < woerter.size(); ++i)
        block[werte.size() + i] = static_cast<uint16_t>(woerter[i]);
    parameter_->Elemente[nr] = block;
    datenfelder_[nr] = {kurve, block};
    linienfelder_.erase(nr);
}

bool Kennfeldbereich::hat_Kennfeld(int nr) const {
    return linienfelder_.contains(nr) || Block(nr);
}

bool Kennfeldbereich::ist_Datenelement(int nr) const {
    return Block(nr) != nullptr;
}

bool Kennfeldbereich::ist_Kurve(int nr) const {
    if (const auto it = linienfelder_.find(nr); it != linienfelder_.end())
        return it->second.kurve;
    if (const auto it = datenfelder_.find(nr); it != datenfelder_.end())
        return it->second.kurve;
    return false;
}

std::vector<uint16_t>* Kennfeldbereich::Block(int nr) {
    if (!parameter_ || !datenfelder_.contains(nr))
        return nullptr;
    const auto it = parameter_->Elemente.find(nr);
    if (it == parameter_->Elemente.end())
        return nullptr;
    // A test may have put a shorter item in its place: the block keeps its size.
    const size_t groesse = datenfelder_.at(nr).kurve ? Block_Kurve : Block_Kennfeld;
    if (it->second.size() < groesse)
        it->second.resize(groesse);
    return &it->second;
}

const std::vector<uint16_t>* Kennfeldbereich::Block(int nr) const {
    if (!parameter_ || !datenfelder_.contains(nr))
        return nullptr;
    const auto it = parameter_->Elemente.find(nr);
    return it == parameter_->Elemente.end() ? nullptr : &it->second;
}

std::vector<int16_t> Kennfeldbereich::Werte(int nr) const {
    if (const auto it = linienfelder_.find(nr); it != linienfelder_.end())
        return it->second.werte;
    const std::vector<uint16_t>* b = Block(nr);
    if (!b)
        return {};
    const size_t n = datenfelder_.at(nr).kurve ? Werte_Kurve : Werte_Kennfeld;
    std::vector<int16_t> w(n, 0);
    for (size_t i = 0; i < n && i < b->size(); ++i)
        w[i] = static_cast<int16_t>((*b)[i]);
    return w;
}

std::vector<int16_t> Kennfeldbereich::gespeicherte_Werte(int nr) const {
    if (const auto it = linienfelder_.find(nr); it != linienfelder_.end())
        return it->second.gespeichert;
    const auto it = datenfelder_.find(nr);
    if (it == datenfelder_.end())
        return {};
    const size_t n = it->second.kurve ? Werte_Kurve : Werte_Kennfeld;
    return std::vector<int16_t>(it->second.gespeichert.begin(),
                                it->second.gespeichert.begin() + static_cast<ptrdiff_t>(n));
}

int16_t Kennfeldbereich::Wert(int nr, int x, int y) const {
    if (x < 0 || x > 16 || y < 0 || y > 16)
        return 0;
    const std::vector<int16_t> w = Werte(nr);
    const size_t i = static_cast<size_t>(Index(ist_Kurve(nr), x, y));
    return i < w.size() ? w[i] : 0;
}

void Kennfeldbereich::setze_Wert(int nr, int x, int y, int16_t wert) {
    if (x < 0 || x > 16 || y < 0 || y > 16)
        return;
    const bool kurve = ist_Kurve(nr);
    if (kurve && y != 0)
        return;
    const size_t i = static_cast<size_t>(Index(kurve, x, y));
    if (const auto it = linienfelder_.find(nr); it != linienfelder_.end())
        it->second.werte[i] = wert;
    else if (std::vector<uint16_t>* b = Block(nr))
        (*b)[i] = static_cast<uint16_t>(wert);
}

void Kennfeldbereich::setze_Werte(int nr, const std::vector<int16_t>& werte) {
    const bool kurve = ist_Kurve(nr);
    for (size_t i = 0; i < werte.size() && i < 289; ++i) {
        const int x = kurve ? static_cast<int>(i) : static_cast<int>(i) / 17;
        const int y = kurve ? 0 : static_cast<int>(i) % 17;
        setze_Wert(nr, x, y, werte[i]);
    }
}

std::vector<uint16_t> Kennfeldbereich::gespeicherter_Block(int nr) const {
    const auto it = datenfelder_.find(nr);
    return it == datenfelder_.end() ? std::vector<uint16_t>() : it->second.gespeichert;
}

void Kennfeldbereich::injiziere(Kennfeldfehler f, int anzahl, Kennfeldziel ziel) {
    if (anzahl > 0)
        fehler_.push_back({f, anzahl, ziel});
}

bool Kennfeldbereich::nimm_Fehler(Kennfeldfehler f, uint8_t befehl, int nr,
                                  std::optional<int> zeile) {
    for (auto it = fehler_.begin(); it != fehler_.end(); ++it) {
        const Kennfeldziel& z = it->ziel;
        if (it->fehler != f || (z.kennfeld && *z.kennfeld != nr) ||
            (z.befehl && *z.befehl != befehl) || (z.zeile && z.zeile != zeile))
            continue;
        if (--it->anzahl <= 0)
            fehler_.erase(it);
        return true;
    }
    return false;
}

// --- The line protocol ----------------------------------------------------------------

std::optional<QByteArray> Kennfeldbereich::lies_Zeile(const QByteArray& d) {
    // [map][line position][curve flag]: [map][line position] and the line's 17 raw values.
    // The ECU knows its map's shape and does not go by the flag.
    const int nr = static_cast<uint8_t>(d[0]);
    const Linienfeld& f = linienfelder_.at(nr);
    int zeile = f.kurve ? 0 : Gitterlinie(static_cast<uint8_t>(d[1]));
    if (nimm_Fehler(Kennfeldfehler::Stille, Zeile_lesen, nr, zeile))
        return std::nullopt;
    int position = static_cast<uint8_t>(d[1]);
    const int andere = zeile < 16 ? zeile + 1 : 15;
    if (!f.kurve && nimm_Fehler(Kennfeldfehler::FalscheZeile, Zeile_lesen, nr, zeile)) {
        zeile = andere;
        position = Position(zeile);
    } else if (nimm_Fehler(Kennfeldfehler::FalscheZeilennummer, Zeile_lesen, nr, zeile)) {
        position = Position(andere);
    }
    Gelesene_Zeilen.emplace_back(nr, zeile);
    QByteArray a;
    a.append(static_cast<char>(nr));
    a.append(static_cast<char>(position));
    for (int i = 0; i <= 16; ++i)
        haenge_Wort_an(a, f.werte[static_cast<size_t>(Index(f.kurve, f.kurve ? i : zeile, i))]);
    return a;
}

std::optional<QByteArray> Kennfeldbereich::schreibe_Zeile(const QByteArray& d) {
    // [map][line 0..16][16][curve flag][17 raw values]; a curve is its one line, whatever
    // line the request names (the log-Y map's second row comes as line 1).
    const int nr = static_cast<uint8_t>(d[0]);
    Linienfeld& f = linienfelder_.at(nr);
    const int zeile = static_cast<uint8_t>(d[1]);
    if (nimm_Fehler(Kennfeldfehler::Stille, Zeile_schreiben, nr, f.kurve ? 0 : zeile))
        return std::nullopt;
    Geschriebene_Zeilen.emplace_back(nr, zeile);
    if (!f.kurve && zeile > 16)
        return leer();
    for (int i = 0; i <= 16; ++i)
        f.werte[static_cast<size_t>(Index(f.kurve, f.kurve ? i : zeile, i))] =
            static_cast<int16_t>(Wort(d, 2 + i));
    return leer();
}

std::optional<QByteArray> Kennfeldbereich::speichere(const QByteArray& d) {
    const int nr = static_cast<uint8_t>(d[0]);
    if (nimm_Fehler(Kennfeldfehler::Stille, Speichern, nr))
        return std::nullopt;
    Speicherungen.push_back(nr);
    if (nimm_Fehler(Kennfeldfehler::Speichern_misslingt, Speichern, nr))
        return QByteArray(1, '\1');
    const std::vector<int> felder =
        nr == LogY_Kennfeld ? std::vector<int>{LogY_Zeile0, LogY_Zeile1} : std::vector<int>{nr};
    for (int n : felder) {
        Linienfeld& f = linienfelder_.at(n);
        f.gespeichert = f.werte;
    }
    return QByteArray(1, '\0');
}

std::optional<QByteArray> Kennfeldbereich::aendere(const QByteArray& d) {
    // [map][0][delta low][delta high][X position][Y position]; a curve goes by X alone.
    const int nr = static_cast<uint8_t>(d[0]);
    if (nimm_Fehler(Kennfeldfehler::Stille, Aendern, nr))
        return std::nullopt;
    Linienfeld& f = linienfelder_.at(nr);
    const int delta = static_cast<int16_t>(Wort(d, 1));
    const int xp = static_cast<uint8_t>(d[4]);
    const int yp = static_cast<uint8_t>(d[5]);
    Aenderungen.push_back({Aendern, nr, delta, xp, yp});
    int16_t& w = f.werte[static_cast<size_t>(Index(f.kurve, Gitterlinie(xp), Gitterlinie(yp)))];
    w = begrenzt(static_cast<long long>(w) + delta);
    return leer();
}

// --- Data-item maps -------------------------------------------------------------------

std::optional<QByteArray> Kennfeldbereich::speichere_Datenelement(const QByteArray& d) {
    const int nr = Wort(d, 0);
    if (nimm_Fehler(Kennfeldfehler::Stille, Element_speichern, nr))
        return std::nullopt;
    Speicherungen.push_back(nr);
    if (nimm_Fehler(Kennfeldfehler::Speichern_misslingt, Element_speichern, nr))
        return QByteArray(1, '\1');
    datenfelder_.at(nr).gespeichert = *Block(nr);
    return QByteArray(1, '\0');
}

std::optional<QByteArray> Kennfeldbereich::aendere_Datenelement(const QByteArray& d) {
    // [map low][map high][0][delta low][delta high][X position][Y position].
    const int nr = Wort(d, 0);
    if (nimm_Fehler(Kennfeldfehler::Stille, Element_aendern, nr))
        return std::nullopt;
    const int delta =
        static_cast<int16_t>(static_cast<uint8_t>(d[3]) | (static_cast<uint8_t>(d[4]) << 8));
    const int xp = static_cast<uint8_t>(d[5]);
    const int yp = static_cast<uint8_t>(d[6]);
    Aenderungen.push_back({Element_aendern, nr, delta, xp, yp});
    std::vector<uint16_t>& b = *Block(nr);
    uint16_t& w =
        b[static_cast<size_t>(Index(datenfelder_.at(nr).kurve, Gitterlinie(xp), Gitterlinie(yp)))];
    w = static_cast<uint16_t>(begrenzt(static_cast<int16_t>(w) + static_cast<long long>(delta)));
    return leer();
}

} // namespace ecusim
