#include "model/UZuendtabelle.h"

#include "model/UZuendkennfeld.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstring>

namespace {

constexpr int Bild_ausgewertet = 256;
constexpr int Bild_X = 512;
constexpr int Bild_Y = 544;
constexpr int Bild_letzter_X = 576;
constexpr int Bild_letzter_Y = 578;

// Scans a point row as far as it does not fall: the last index reached.
template <typename Punkt> int berechne_max_Pos(int anzahl, Punkt punkt) {
    int k = 1;
    while (k < anzahl && punkt(k) >= punkt(k - 1))
        ++k;
    return k - 1;
}

template <typename Punkt> int suche_naechsten_Punkt(int wert, int letzter, Punkt punkt) {
    if (wert <= punkt(0))
        return 0;
    if (wert >= punkt(letzter))
        return letzter;
    int k = 1;
    while (k < letzter && punkt(k) < wert)
        ++k;
    return wert > (punkt(k) + punkt(k - 1)) / 2 ? k : k - 1;
}

} // namespace

Zuendtabelle::Zuendtabelle(Bild& bild, const int& spaltenzahl)
    : bild_(bild), spaltenzahl_(spaltenzahl) {}

int Zuendtabelle::wert(int stelle) const {
    return static_cast<int8_t>(bild_[static_cast<size_t>(stelle)]);
}

int Zuendtabelle::wort(int stelle) const {
    return static_cast<int16_t>(bild_[static_cast<size_t>(stelle)] |
                                (bild_[static_cast<size_t>(stelle) + 1] << 8));
}

void Zuendtabelle::setze_wort(int stelle, int wert) {
    const auto w = static_cast<uint16_t>(static_cast<int16_t>(wert));
    bild_[static_cast<size_t>(stelle)] = static_cast<uint8_t>(w & 0xFF);
    bild_[static_cast<size_t>(stelle) + 1] = static_cast<uint8_t>(w >> 8);
}

int Zuendtabelle::gesetzt(int y, int x) const {
    return wert(y * 16 + x);
}
int Zuendtabelle::ausgewertet(int y, int x) const {
    return wert(Bild_ausgewertet + y * 16 + x);
}
void Zuendtabelle::setze_gesetzt(int y, int x, int w) {
    bild_[static_cast<size_t>(y * 16 + x)] = static_cast<uint8_t>(static_cast<int8_t>(w));
}
int Zuendtabelle::X(int k) const {
    return wort(Bild_X + 2 * k);
}
int Zuendtabelle::Y(int k) const {
    return wort(Bild_Y + 2 * k);
}
void Zuendtabelle::setze_X(int k, int w) {
    setze_wort(Bild_X + 2 * k, w);
}
void Zuendtabelle::setze_Y(int k, int w) {
    setze_wort(Bild_Y + 2 * k, w);
}
// Words the ECU or a file put there may lie beyond the grid: they are kept within it.
int Zuendtabelle::letzter_X() const {
    return std::clamp(wort(Bild_letzter_X) & 0xFFFF, 0, spaltenzahl_ - 1);
}
int Zuendtabelle::letzter_Y() const {
    return std::clamp(wort(Bild_letzter_Y) & 0xFFFF, 0, Zeilen - 1);
}

template <typename Stelle, typename Achse>
void Zuendtabelle::fuelle(int letzter, Stelle stelle, Achse achse, bool Zeile) {
    for (int i = 1; i <= letzter; ++i) {
        if (Zeile && (achse(i) < achse(i - 1) || achse(i) == nicht_gesetzt))
            return;
        if (wert(stelle(i)) != nicht_gesetzt)
            continue;
        const int vorher = wert(stelle(i - 1));
        int neu = vorher;
        for (int j = i + 1; j <= letzter; ++j) {
            if (wert(stelle(j)) == nicht_gesetzt)
                continue;
            const int spanne = achse(j) - achse(i - 1);
            if (spanne != 0)
                neu = vorher + (wert(stelle(j)) - vorher) * (achse(i) - achse(i - 1)) / spanne;
            break;
        }
        bild_[static_cast<size_t>(stelle(i))] = static_cast<uint8_t>(static_cast<int8_t>(neu));
    }
}

void Zuendtabelle::auswerten() {
    if (X(0) < 0)
        setze_X(0, 0);
    if (Y(0) < 0)
        setze_Y(0, 0);
    const int lx = berechne_max_Pos(spaltenzahl_, [this](int k) { return X(k); });
    const int ly = berechne_max_Pos(Zeilen, [this](int k) { return Y(k); });
    setze_wort(Bild_letzter_X, lx);
    setze_wort(Bild_letzter_Y, ly);

    std::memcpy(bild_.data() + Bild_ausgewertet, bild_.data(), 256);
    if (ausgewertet(0, 0) == nicht_gesetzt)
        bild_[Bild_ausgewertet] = 0;

    const auto Spalte = [&](int x) {
        fuelle(
            ly, [x](int i) { return Bild_ausgewertet + i * 16 + x; },
            [this](int i) { return Y(i); }, false);
    };
    const auto Zeile = [&](int y) {
        fuelle(
            lx, [y](int i) { return Bild_ausgewertet + y * 16 + i; },
            [this](int i) { return X(i); }, true);
    };
    Spalte(0);
    Zeile(0);
    Zeile(ly);
    Spalte(lx);
    for (int y = 1; y < ly; ++y) {
        if (Y(y) == nicht_gesetzt || ausgewertet(y, 0) == nicht_gesetzt)
            break;
        Zeile(y);
    }
}

QString Zuendtabelle::Text(Zelle z) const {
    const int lx = letzter_X();
    const int ly = letzter_Y();
    if (z.zeile == 0 && z.spalte == 0)
        return {};
    if (z.zeile == 0)
        return z.spalte - 1 <= lx ? QString::number(X(z.spalte - 1)) : QString();
    if (z.spalte == 0)
        return z.zeile - 1 <= ly ? QString::number(Y(z.zeile - 1)) : QString();
    if (z.zeile - 1 > ly || z.spalte - 1 > lx)
        return {};
    return QString::number(ausgewertet(z.zeile - 1, z.spalte - 1));
}

bool Zuendtabelle::ist_gesetzt(Zelle z) const {
    return z.zeile >= 1 && z.spalte >= 1 && z.zeile - 1 <= letzter_Y() &&
           z.spalte - 1 <= letzter_X() && gesetzt(z.zeile - 1, z.spalte - 1) != nicht_gesetzt;
}

namespace {

QString gereinigt(const QString& text) {
    QString t;
    for (const QChar c : text)
        if (c.isDigit() || c == u'-')
            t.append(c);
    return t;
}

bool ist_leer(const QString& gereinigt) {
    return gereinigt.isEmpty() || gereinigt.contains(QStringLiteral("--"));
}

} // namespace

int Zuendtabelle::Wert_aus_Text(const QString& text) {
    const QString t = gereinigt(text);
    if (ist_leer(t))
        return nicht_gesetzt;
    bool ok = false;
    const int w = t.toInt(&ok);
    if (ok)
        return w;
    // A row of digits too long for a number is as large as a number gets.
    static const QRegularExpression Zahl(QStringLiteral("^-?[0-9]+$"));
    if (Zahl.match(t).hasMatch())
        return t.startsWith(u'-') ? INT32_MIN : INT32_MAX;
    return 0;
}

void Zuendtabelle::uebernehme(Zelle z, const QString& text) {
    if (z.zeile < 0 || z.zeile > Zeilen || z.spalte < 0 || z.spalte > spaltenzahl_ ||
        (z.zeile == 0 && z.spalte == 0))
        return;
    const int w = Wert_aus_Text(text);
    if (z.zeile == 0) {
        setze_X(z.spalte - 1, std::clamp(w, -32768, 32767));
    } else if (z.spalte == 0) {
        setze_Y(z.zeile - 1, std::clamp(w, -32768, 32767));
    } else {
        // The unset mark comes only from an empty text or "--".
        const int winkel =
            ist_leer(gereinigt(text)) ? int{nicht_gesetzt} : std::clamp(w, -127, 127);
        if (winkel != ausgewertet(z.zeile - 1, z.spalte - 1))
            setze_gesetzt(z.zeile - 1, z.spalte - 1, winkel);
    }
    auswerten();
}

Zuendtabelle::Zelle Zuendtabelle::navigiere(Zelle z, Taste taste, bool shift, bool online,
                                            Zelle fokus) const {
    const int n = spaltenzahl_;
    const int lx = letzter_X();
    const int ly = letzter_Y();
    int r = z.zeile;
    int c = z.spalte;
    if (taste == Taste::keine) {
        if (fokus == Zelle{r, c + 1} || (c == n && fokus.spalte == 0 && fokus.zeile != r) ||
            (c == 8 && fokus == Zelle{0, 1}))
            taste = Taste::tab, shift = false;
        else if (fokus == Zelle{r, c - 1} || (c == 0 && fokus.spalte == n) ||
                 (c == 1 && fokus == Zelle{0, n}))
            taste = Taste::tab, shift = true;
        else {
            const int rmax = online ? ly + 1 : std::min(ly + 2, Zeilen);
            const int cmax = online ? lx + 1 : std::min(lx + 2, n);
            return {std::min(fokus.zeile, rmax), std::min(fokus.spalte, cmax)};
        }
    }
    if (taste == Taste::links)
        taste = Taste::tab, shift = true;
    else if (taste == Taste::rechts)
        taste = Taste::tab, shift = false;

    switch (taste) {
    case Taste::runter:
        if (online)
            r = r >= ly + 1 ? 1 : r + 1;
        else
            r = (r >= Zeilen || r >= ly + 2) ? 1 : r + 1;
        break;
    case Taste::hoch:
        if (online)
            r = r <= 1 ? ly + 1 : r - 1;
        else {
            r = r == 0 ? ly + 1 : r - 1;
            if (r == 0 && c == 0)
                r = ly + 1;
        }
        break;
    case Taste::tab:
        if (!shift) {
            if (online)
                c = c >= lx + 1 ? 1 : c + 1;
            else
                c = (c >= n || c >= lx + 2) ? 1 : c + 1;
        } else {
            if (online)
                c = c <= 1 ? lx + 1 : c - 1;
            else {
                c = c == 0 ? lx + 1 : c - 1;
                if (r == 0 && c == 0)
                    c = lx + 1;
            }
        }
        break;
    default:
        break;
    }
    return {r, c};
}

int Zuendtabelle::naechster_X(int wert) const {
    return suche_naechsten_Punkt(wert, letzter_X(), [this](int k) { return X(k); });
}

int Zuendtabelle::naechster_Y(int wert) const {
    return suche_naechsten_Punkt(wert, letzter_Y(), [this](int k) { return Y(k); });
}

bool Zuendtabelle::aendere_Winkel(Zelle z, int delta) {
    if (z.zeile < 1 || z.zeile > Zeilen || z.spalte < 1 || z.spalte > spaltenzahl_)
        return false;
    const int alt = ausgewertet(z.zeile - 1, z.spalte - 1);
    if ((delta > 0 && alt >= Winkel_max) || (delta < 0 && alt <= Winkel_min) || delta == 0)
        return false;
    setze_gesetzt(z.zeile - 1, z.spalte - 1, alt + (delta > 0 ? 1 : -1));
    auswerten();
    return true;
}

Zuendtabelle::Ergebnis Zuendtabelle::Zeile_einfuegen(int i) {
    const int ly = letzter_Y();
    if (i < 0 || i > ly)
        return Ergebnis::ausserhalb;
    if (ly == Zeilen - 1)
        return Ergebnis::voll;
    for (int y = Zeilen - 1; y > i; --y) {
        for (int x = 0; x < 16; ++x)
            setze_gesetzt(y, x, gesetzt(y - 1, x));
        setze_Y(y, Y(y - 1));
    }
    for (int x = 0; x < 16; ++x)
        setze_gesetzt(i, x, nicht_gesetzt);
    setze_Y(i, i == 0 ? nicht_gesetzt : (Y(i - 1) + Y(i + 1)) / 2);
    auswerten();
    return Ergebnis::geaendert;
}

Zuendtabelle::Ergebnis Zuendtabelle::Zeile_loeschen(int i) {
    if (i < 0 || i > letzter_Y())
        return Ergebnis::ausserhalb;
    for (int y = i; y < Zeilen - 1; ++y) {
        for (int x = 0; x < 16; ++x)
            setze_gesetzt(y, x, gesetzt(y + 1, x));
        setze_Y(y, Y(y + 1));
    }
    for (int x = 0; x < 16; ++x)
        setze_gesetzt(Zeilen - 1, x, nicht_gesetzt);
    setze_Y(Zeilen - 1, nicht_gesetzt);
    auswerten();
    return Ergebnis::geaendert;
}

Zuendtabelle::Ergebnis Zuendtabelle::Spalte_einfuegen(int i) {
    const int n = spaltenzahl_;
    const int lx = letzter_X();
    if (i < 0 || i > lx)
        return Ergebnis::ausserhalb;
    if (lx == n - 1)
        return Ergebnis::voll;
    for (int x = n - 1; x > i; --x) {
        for (int y = 0; y < Zeilen; ++y)
            setze_gesetzt(y, x, gesetzt(y, x - 1));
        setze_X(x, X(x - 1));
    }
    for (int y = 0; y < Zeilen; ++y)
        setze_gesetzt(y, i, nicht_gesetzt);
    setze_X(i, i == 0 ? nicht_gesetzt : (X(i - 1) + X(i + 1)) / 2);
    auswerten();
    return Ergebnis::geaendert;
}

Zuendtabelle::Ergebnis Zuendtabelle::Spalte_loeschen(int i) {
    const int n = spaltenzahl_;
    if (i < 0 || i > letzter_X())
        return Ergebnis::ausserhalb;
    for (int x = i; x < n - 1; ++x) {
        for (int y = 0; y < Zeilen; ++y)
            setze_gesetzt(y, x, gesetzt(y, x + 1));
        setze_X(x, X(x + 1));
    }
    for (int y = 0; y < Zeilen; ++y)
        setze_gesetzt(y, n - 1, nicht_gesetzt);
    setze_X(n - 1, nicht_gesetzt);
    auswerten();
    return Ergebnis::geaendert;
}

QString Zuendtabelle::CSV(const QString& titel, const QString& datei, const QDateTime& zeit,
                          const QStringList& kommentare, QChar dezimaltrenner,
                          QChar zeittrenner) const {
    const QChar S = dezimaltrenner == u'.' ? u',' : u';';
    const QString nl = QStringLiteral("\r\n");
    const QString z = QString(zeittrenner);
    QString t;
    t += titel + nl + datei + nl;
    t += zeit.toString(QStringLiteral("dd.MM.yyyy")) + S +
         zeit.toString(QStringLiteral("hh") + z + QStringLiteral("mm") + z + QStringLiteral("ss")) +
         nl;
    t += nl;
    for (const QString& k : kommentare)
        t += k + nl;
    t += nl;
    int spalten = 0;
    while (spalten < spaltenzahl_ && (spalten == 0 || X(spalten) > X(spalten - 1)))
        ++spalten;
    for (int k = 0; k < spalten; ++k)
        t += S + QString::number(X(k));
    t += nl;
    for (int r = 0; r < Zeilen && (r == 0 || Y(r) > Y(r - 1)); ++r) {
        t += QString::number(Y(r));
        for (int k = 0; k < spalten; ++k)
            t += u';' + QString::number(ausgewertet(r, k));
        t += nl;
    }
    t += nl;
    return t;
}

QByteArray Zuenddatei_Inhalt(cl_Zuendung& karte) {
    if (karte.Spalten_16)
        return {reinterpret_cast<const char*>(karte.Bild.data()),
                static_cast<qsizetype>(karte.Bild.size())};
    karte.packen();
    return {reinterpret_cast<const char*>(karte.Block_8.data()),
            static_cast<qsizetype>(karte.Block_8.size())};
}

bool lade_Zuenddatei(cl_Zuendung& karte, const QByteArray& daten) {
    if (daten.size() > cl_Zuendung::Blockgroesse_8) {
        if (daten.size() < cl_Zuendung::Bildgroesse)
            return false;
        std::memcpy(karte.Bild.data(), daten.constData(), karte.Bild.size());
        karte.Spaltenzahl = 16;
        return true;
    }
    if (daten.size() < cl_Zuendung::Blockgroesse_8)
        return false;
    std::memcpy(karte.Block_8.data(), daten.constData(), karte.Block_8.size());
    karte.entpacken();
    karte.Spaltenzahl = 8;
    return true;
}
