#include "model/UKFGrafik.h"

#include "base/Uglobal.h"
#include "model/UBefehle.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>

namespace {

constexpr int32_t Rohgrenze_unten = std::numeric_limits<int16_t>::min();
constexpr int32_t Rohgrenze_oben = std::numeric_limits<int16_t>::max();

int32_t auf_int32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Round to nearest, halves to even, in single precision as the drawing and the panels compute.
int32_t runde(float x) {
    if (!std::isfinite(x))
        return 0;
    return auf_int32(static_cast<int64_t>(std::nearbyint(static_cast<double>(x))));
}

// A panel's integer as the change panel reads it: a text that is no integer counts as 0.
int32_t ganze_Zahl_oder_0(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : 0;
}

} // namespace

// ---------------------------------------------------------------- cl_Kennfeld_Aenderung

cl_Kennfeld_Aenderung::cl_Kennfeld_Aenderung(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Aendern, false, false, 500, 6, nullptr, 0, nullptr) {
    setze_Sendedaten(Sendepuffer.data());
}

void cl_Kennfeld_Aenderung::sende(int kennfeldNr, bool datenelement, int32_t rohDelta, int xPos,
                                  int yPos) {
    const auto delta = static_cast<uint16_t>(std::clamp(rohDelta, Rohgrenze_unten, Rohgrenze_oben));
    const auto pos = [](int p) { return static_cast<uint8_t>(std::clamp(p, 0, 255)); };
    int i = 0;
    if (datenelement) {
        Befehl = Befehl_Aendern_Datenelement;
        Sendepuffer[i++] = static_cast<uint8_t>(kennfeldNr & 0xFF);
        Sendepuffer[i++] = static_cast<uint8_t>((kennfeldNr >> 8) & 0xFF);
    } else {
        Befehl = Befehl_Aendern;
        Sendepuffer[i++] = static_cast<uint8_t>(kennfeldNr & 0xFF);
    }
    Sendepuffer[i++] = 0;
    schreibe_Wort(&Sendepuffer[static_cast<size_t>(i)], delta);
    i += 2;
    Sendepuffer[i++] = pos(xPos);
    Sendepuffer[i++] = pos(yPos);
    Sendelaenge = i;
    sofort_starten();
}

// ---------------------------------------------------------------- cl_Kennfeld_Grafik

cl_Kennfeld_Grafik::cl_Kennfeld_Grafik(const Kennfeld_Umgebung& umgebung,
                                       const Kennfeld_Beschreibung& b)
    : Kennfeld_Nr(b.Kennfeld_Nr), neues_Protokoll(b.neues_Protokoll), ist_Kurve(b.ist_Kurve),
      log_Y(b.log_Y), X_min(b.X_min), X_max(std::max(b.X_max, auf_int32(int64_t{b.X_min} + 1))),
      Y_min(b.Y_min), Y_max(std::max(b.Y_max, auf_int32(int64_t{b.Y_min} + 1))), Z_min(b.Z_min),
      Z_max(std::max(b.Z_max, auf_int32(int64_t{b.Z_min} + 1))), Kennung(b.Kennung), Titel(b.Titel),
      Achsname_X(b.Achsname_X), Achsname_Y(b.Achsname_Y), Einheit_X(b.Einheit_X),
      Einheit_Y(b.Einheit_Y), Einheit_Z(b.Einheit_Z), Hilfethema(b.Hilfethema), u_(umgebung) {
    for (int i = 0; i < 8; ++i)
        Parameter_Nr[static_cast<size_t>(i + 1)] = b.Parameter_Nr[static_cast<size_t>(i)];
    berechne_Raster();
    Schrittzeile = std::clamp(b.Schrittzeile, 0, 4);
    waehle_Schritt(std::clamp(b.Schrittziffer - '1', 0, 8));
    // The change request joins the ring first, the line request after it.
    Aenderungsauftrag = std::make_unique<cl_Kennfeld_Aenderung>(u_.link);
    setze_Stuetzstellen();
}

cl_Kennfeld_Grafik::~cl_Kennfeld_Grafik() = default;

bool cl_Kennfeld_Grafik::verbunden() const {
    return u_.link.ist_verbunden();
}

cl_Quorvel_Leerlaufsteller_aendern* cl_Kennfeld_Grafik::Leerlaufsteller() const {
    return u_.Leerlaufsteller ? u_.Leerlaufsteller() : nullptr;
}

// --- ranges and values ----------------------------------------------------------------------

void cl_Kennfeld_Grafik::setze_X_min(int32_t v) {
    if (v == X_min)
        return;
    X_min = v;
    Raster_X = berechne_Rasterschritt(auf_int32(int64_t{X_max} - X_min));
    if (sichtbar())
        zeichne_neu();
}

void cl_Kennfeld_Grafik::setze_X_max(int32_t v) {
    if (v == X_max)
        return;
    X_max = v;
    Raster_X = berechne_Rasterschritt(auf_int32(int64_t{X_max} - X_min));
    if (sichtbar())
        zeichne_neu();
}

void cl_Kennfeld_Grafik::setze_Y_min(int32_t v) {
    if (v == Y_min)
        return;
    Y_min = v;
    Raster_Y = berechne_Rasterschritt(auf_int32(int64_t{Y_max} - Y_min));
    if (sichtbar())
        zeichne_neu();
}

void cl_Kennfeld_Grafik::setze_Y_max(int32_t v) {
    if (v == Y_max)
        return;
    Y_max = v;
    Raster_Y = berechne_Rasterschritt(auf_int32(int64_t{Y_max} - Y_min));
    if (sichtbar())
        zeichne_neu();
}

void cl_Kennfeld_Grafik::setze_Achsname_X(const QString& text) {
    Achsname_X = text;
    if (ansicht_)
        ansicht_->zeige_Beschriftung();
}

void cl_Kennfeld_Grafik::setze_Titel(const QString& text) {
    Titel = text;
    if (ansicht_)
        ansicht_->zeige_Beschriftung();
}

void cl_Kennfeld_Grafik::berechne_Raster() {
    Raster_X = berechne_Rasterschritt(auf_int32(int64_t{X_max} - X_min));
    Raster_Y = berechne_Rasterschritt(auf_int32(int64_t{Y_max} - Y_min));
    Raster_Z = berechne_Rasterschritt(auf_int32(int64_t{Z_max} - Z_min));
}

int32_t cl_Kennfeld_Grafik::berechne_Rasterschritt(int32_t bereich) {
    const int64_t a = std::llabs(int64_t{bereich});
    const int64_t basis = a >= 5000 ? 1000 : a > 500 ? 100 : a > 50 ? 10 : 1;
    const int64_t q = a / basis;
    return static_cast<int32_t>(q >= 20 ? 5 * basis : q >= 10 ? 2 * basis : basis);
}

int cl_Kennfeld_Grafik::suche_Intervall(const std::array<int32_t, Punkte>& P, int32_t p) {
    if (p <= P[0])
        return 0;
    if (p >= P[Punkte - 1])
        return Punkte - 1;
    int i = 0;
    while (i + 1 < Punkte && P[static_cast<size_t>(i + 1)] <= p)
        ++i;
    return i;
}

void cl_Kennfeld_Grafik::setze_Stuetzstellen() {
    for (int i = 0; i < Punkte; ++i) {
        Stuetzstellen_X[static_cast<size_t>(i)] = 16 * i;
        Stuetzstellen_Y[static_cast<size_t>(i)] = 16 * i;
    }
}

void cl_Kennfeld_Grafik::setze_Wert(int x, int y, int32_t v) {
    if (x < 0 || x >= Punkte || y < 0 || y >= Punkte)
        return;
    Werte[static_cast<size_t>(x)][static_cast<size_t>(y)] = v;
    if (x == Punkte - 1)
        Werte_vorhanden = true;
}

void cl_Kennfeld_Grafik::setze_Kurvenwert(int i, int32_t v) {
    if (i < 0 || i >= Punkte)
        return;
    Werte[static_cast<size_t>(i)][0] = v;
    Werte_vorhanden = true;
}

int32_t cl_Kennfeld_Grafik::Wert(int x, int y) const {
    if (x < 0 || x >= Punkte || y < 0 || y >= Punkte)
        return 0;
    return Werte[static_cast<size_t>(x)][static_cast<size_t>(y)];
}

int32_t cl_Kennfeld_Grafik::Kurvenwert(int i) const {
    return Werte[static_cast<size_t>(std::clamp(i, 0, Punkte - 1))][0];
}

int32_t cl_Kennfeld_Grafik::Position_zu_Wert(int32_t p, int32_t min, int32_t max) {
    return auf_int32(((int64_t{max} - min) * p + 128) / 256 + min);
}

int32_t cl_Kennfeld_Grafik::Position_zu_X(int32_t p) const {
    return Position_zu_Wert(p, X_min, X_max);
}

int32_t cl_Kennfeld_Grafik::Position_zu_Y(int32_t p) const {
    return Position_zu_Wert(p, Y_min, Y_max);
}

int32_t cl_Kennfeld_Grafik::X_zu_Position(int32_t x) const {
    const int64_t d = int64_t{X_max} - X_min;
    return d == 0 ? 0 : auf_int32((int64_t{x} - X_min) * 256 / d);
}

int32_t cl_Kennfeld_Grafik::Y_zu_Position(int32_t y) const {
    const int64_t d = int64_t{Y_max} - Y_min;
    return d == 0 ? 0 : auf_int32((int64_t{y} - Y_min) * 256 / d);
}

int32_t cl_Kennfeld_Grafik::log_Position(int32_t v, int32_t y_max, int32_t z_max) {
    // ln(1 / Z_max) is 0 for Z_max 1 and undefined below: no logarithmic scale there.
    if (z_max <= 1)
        return 0;
    const float w = v <= 1 ? 1.0f : static_cast<float>(v);
    const float zmax = static_cast<float>(z_max);
    const float c = -static_cast<float>(y_max) / std::log(1.0f / zmax);
    return runde(std::log(w / zmax) * c + static_cast<float>(y_max));
}

int32_t cl_Kennfeld_Grafik::log_Position(int32_t v) const {
    return log_Position(v, Y_max, Z_max);
}

int32_t cl_Kennfeld_Grafik::Wert_an_Punkt(int32_t x, int32_t y) const {
    if (log_Y) {
        if (Y_max == 0 || Z_max <= 0)
            return 0;
        const float zmax = static_cast<float>(Z_max);
        const float e = (static_cast<float>(y) - static_cast<float>(Y_max)) * std::log(zmax) /
                        static_cast<float>(Y_max);
        return runde(zmax * std::exp(e) - 1.0f);
    }
    const auto& P = Stuetzstellen_X;
    const auto& Q = Stuetzstellen_Y;
    const int32_t p = X_zu_Position(x);
    const int i = suche_Intervall(P, p);
    const auto W = [this](int a, int b) {
        return int64_t{Werte[static_cast<size_t>(a)][static_cast<size_t>(b)]};
    };
    const bool x_innen = p > P[0] && i < Punkte - 1;
    const int i1 = x_innen ? i + 1 : i;
    if (ist_Kurve) {
        if (!x_innen)
            return static_cast<int32_t>(W(i, 0));
        return auf_int32(W(i, 0) + (W(i1, 0) - W(i, 0)) * (p - P[static_cast<size_t>(i)]) /
                                       (P[static_cast<size_t>(i1)] - P[static_cast<size_t>(i)]));
    }
    const int32_t q = Y_zu_Position(y);
    const int j = suche_Intervall(Q, q);
    const bool y_innen = q > Q[0] && j < Punkte - 1;
    const int j1 = y_innen ? j + 1 : j;
    int64_t e = W(i, j);
    int64_t f = W(i1, j);
    if (y_innen) {
        const int64_t dq = Q[static_cast<size_t>(j1)] - Q[static_cast<size_t>(j)];
        const int64_t o = q - Q[static_cast<size_t>(j)];
        e = W(i, j) + o * (W(i, j1) - W(i, j)) / dq;
        f = W(i1, j) + o * (W(i1, j1) - W(i1, j)) / dq;
    }
    if (!x_innen)
        return auf_int32(e);
    return auf_int32(e + (p - P[static_cast<size_t>(i)]) * (f - e) /
                             (P[static_cast<size_t>(i1)] - P[static_cast<size_t>(i)]));
}

// --- projection -----------------------------------------------------------------------------

void Kennfeld_Projektion::setze(bool kurve, int32_t x_min, int32_t& x_max, int32_t y_min,
                                int32_t& y_max, int32_t z_min, int32_t z_max, int breite, int hoehe,
                                Kennfeld_Raender r, bool druck) {
    const float w = static_cast<float>(breite - r.links - r.rechts);
    const float d = kurve ? 0.0f : 0.3f * w;
    // tan 45 degrees; a curve has no depth, so its depth terms are 0.
    const float t = kurve ? 0.0f : std::tan(std::numbers::pi_v<float> / 4.0f);
    if (x_max <= x_min)
        x_max = auf_int32(int64_t{x_min} + 1);
    if (y_max <= y_min)
        y_max = auf_int32(int64_t{y_min} + 1);
    X_min_ = x_min;
    X_max_ = x_max;
    Y_min_ = y_min;
    Y_max_ = y_max;
    Z_min_ = z_min;
    Z_max_ = z_max;
    const float dx = static_cast<float>(int64_t{x_max} - x_min);
    const float dy = static_cast<float>(int64_t{y_max} - y_min);
    // The value range is kept above its minimum by whoever sets it; a flat one is drawn as 1.
    const float dz = static_cast<float>(std::max<int64_t>(int64_t{z_max} - z_min, 1));
    c[0] = static_cast<float>(r.links) + d;
    c[1] = static_cast<float>(hoehe - r.unten);
    c[2] = d / dy;
    c[3] = t * d / dy;
    c[4] = (w - d) / dx;
    c[5] = (static_cast<float>(hoehe - r.oben - r.unten) - t * d) / dz;
    Strichfaktor = druck ? 2 : 1;
}

QPoint Kennfeld_Projektion::projiziere(int32_t x, int32_t y, int32_t z) const {
    // Single-precision coefficients; the sums are taken wider, so that a point on a box
    // edge does not slip a pixel by the rounding of a sum.
    const double fx = static_cast<double>(int64_t{x} - X_min_);
    const double fy = static_cast<double>(int64_t{y} - Y_min_);
    const double fz = static_cast<double>(int64_t{z} - Z_min_);
    const auto k = [this](int i) { return static_cast<double>(c[static_cast<size_t>(i)]); };
    const auto pixel = [](double v) {
        return std::isfinite(v)
                   ? auf_int32(static_cast<int64_t>(std::nearbyint(std::clamp(v, -1.0e9, 1.0e9))))
                   : 0;
    };
    return {pixel(fx * k(4) + k(0) - fy * k(2)), pixel(k(1) - fy * k(3) - fz * k(5))};
}

QPoint Kennfeld_Projektion::projiziere_Position(int32_t p, int32_t q, int32_t z) const {
    const int32_t x = auf_int32(X_min_ + (int64_t{X_max_} - X_min_) * p / 256);
    const int32_t y = auf_int32(Y_min_ + (int64_t{Y_max_} - Y_min_) * q / 256);
    return projiziere(x, y, z);
}

QPoint Kennfeld_Projektion::Cursorpunkt(bool log_Y, int cx, int cy, int32_t wert) const {
    int32_t q = 16 * cy;
    if (log_Y)
        q = Y_max_ == 0
                ? 0
                : auf_int32(int64_t{cl_Kennfeld_Grafik::log_Position(wert, Y_max_, Z_max_)} * 256 /
                            Y_max_);
    return projiziere_Position(16 * cx, q, wert);
}

// --- live point and cursor ------------------------------------------------------------------

void cl_Kennfeld_Grafik::setze_Arbeitspunkt(int32_t x, int32_t y, const QString& text1,
                                            const QString& text2, const QString& text3) {
    if (nachfuehren)
        Cursor_zum_Arbeitspunkt();
    if (ansicht_)
        ansicht_->zeichne_Arbeitspunkt();
    Arbeitspunkt_X = x;
    if (log_Y) {
        // A log-Y map receives the raw ECU value.
        if (verbunden())
            Arbeitspunkt_Y = log_Position(Roh_zu_Anzeige(y));
        y = Arbeitspunkt_Y;
    } else {
        Arbeitspunkt_Y = y;
    }
    Arbeitspunkt_X = std::clamp(Arbeitspunkt_X, std::min(X_min, X_max), std::max(X_min, X_max));
    Arbeitspunkt_Y = std::clamp(Arbeitspunkt_Y, std::min(Y_min, Y_max), std::max(Y_min, Y_max));
    Arbeitspunkt_Wert = Wert_an_Punkt(Arbeitspunkt_X, Arbeitspunkt_Y);
    if (ansicht_) {
        ansicht_->zeige_Arbeitspunktwerte(QString::number(x),
                                          ist_Kurve ? QString() : QString::number(y),
                                          QString::number(Arbeitspunkt_Wert), text1, text2, text3);
        ansicht_->zeichne_Arbeitspunkt();
    }
}

void cl_Kennfeld_Grafik::bewege_Cursor(int dx, int dy) {
    mit_Cursor([&] {
        Cursor_X = std::clamp(Cursor_X + dx, 0, Punkte - 1);
        if (!ist_Kurve)
            Cursor_Y = std::clamp(Cursor_Y + dy, 0, log_Y ? 1 : Punkte - 1);
    });
}

void cl_Kennfeld_Grafik::Cursor_zum_Arbeitspunkt() {
    mit_Cursor([&] {
        Cursor_X =
            suche_Intervall(Stuetzstellen_X, auf_int32(int64_t{X_zu_Position(Arbeitspunkt_X)} + 8));
        if (ist_Kurve)
            Cursor_Y = 0;
        else
            Cursor_Y =
                std::clamp(suche_Intervall(Stuetzstellen_Y,
                                           auf_int32(int64_t{Y_zu_Position(Arbeitspunkt_Y)} + 8)),
                           0, log_Y ? 1 : Punkte - 1);
    });
}

void cl_Kennfeld_Grafik::Cursor_gezeichnet() {
    Cursor_Wert = Wert(Cursor_X, Cursor_Y);
    if (Leerlauf_sichtbar && Leerlauf_aktiv)
        if (auto* l = Leerlaufsteller())
            l->setzen(1, 16 * Cursor_X);
    if (ansicht_)
        ansicht_->zeige_Cursorwerte();
}

// --- editing --------------------------------------------------------------------------------

bool cl_Kennfeld_Grafik::FormKeyDown(const Tastendruck& t) {
    if (t.Umschaltung || (ansicht_ && ansicht_->Eingaben_sichtbar()))
        return false;
    switch (t.Taste) {
    case Kennfeldtaste::Ziffer:
        if (t.Ziffer < 1 || t.Ziffer > 9)
            return false;
        waehle_Schritt(t.Ziffer - 1);
        break;
    case Kennfeldtaste::Blockziffer:
        if (t.Ziffer < 0 || t.Ziffer > 8)
            return false;
        waehle_Schritt(t.Ziffer);
        break;
    case Kennfeldtaste::Plus:
        aendere_Wert(false);
        break;
    case Kennfeldtaste::Minus:
        aendere_Wert(true);
        break;
    case Kennfeldtaste::Links:
        bewege_Cursor(-1, 0);
        break;
    case Kennfeldtaste::Rechts:
        bewege_Cursor(1, 0);
        break;
    case Kennfeldtaste::Hoch:
        bewege_Cursor(0, 1);
        break;
    case Kennfeldtaste::Runter:
        bewege_Cursor(0, -1);
        break;
    case Kennfeldtaste::F3:
        Cursor_zum_Arbeitspunkt();
        break;
    case Kennfeldtaste::F5:
        nachfuehren = !nachfuehren;
        if (ansicht_)
            ansicht_->zeige_Hinweise();
        break;
    case Kennfeldtaste::F2:
    case Kennfeldtaste::Q:
        if (zuendung_)
            zuendung_->Zuendwinkel_plus();
        break;
    case Kennfeldtaste::F10:
    case Kennfeldtaste::Y:
        if (zuendung_)
            zuendung_->Zuendwinkel_minus();
        break;
    case Kennfeldtaste::Leertaste:
        if (zuendung_)
            zuendung_->zeige_online(*this);
        break;
    case Kennfeldtaste::andere:
        return false;
    }
    Fokus_abgeben();
    return true;
}

void cl_Kennfeld_Grafik::waehle_Schritt(int spalte) {
    Schritt = Schrittweiten[static_cast<size_t>(std::clamp(Schrittzeile, 0, 4))]
                           [static_cast<size_t>(std::clamp(spalte, 0, 8))];
    if (ansicht_)
        ansicht_->zeige_Cursorwerte();
}

int32_t cl_Kennfeld_Grafik::begrenze_Anzeige(int64_t wert) const {
    if (neues_Protokoll && Kennfeld_Nr >= 1)
        return static_cast<int32_t>(std::clamp<int64_t>(wert, Rohgrenze_unten, Rohgrenze_oben));
    const int32_t w = auf_int32(wert);
    const int64_t roh = Anzeige_zu_Roh_lang(w);
    if (roh >= Rohgrenze_unten && roh <= Rohgrenze_oben)
        return w;
    // The conversion rises with the value: the nearest value whose raw form fits, searched
    // between the value and the bottom of the value range.
    const bool zu_gross = roh > Rohgrenze_oben;
    int64_t gut = Z_min;
    int64_t schlecht = w;
    if (zu_gross ? Anzeige_zu_Roh_lang(gut) > Rohgrenze_oben
                 : Anzeige_zu_Roh_lang(gut) < Rohgrenze_unten)
        return static_cast<int32_t>(gut);
    while (std::llabs(schlecht - gut) > 1) {
        const int64_t mitte = gut + (schlecht - gut) / 2;
        const int64_t r = Anzeige_zu_Roh_lang(mitte);
        if (r >= Rohgrenze_unten && r <= Rohgrenze_oben)
            gut = mitte;
        else
            schlecht = mitte;
    }
    return static_cast<int32_t>(gut);
}

void cl_Kennfeld_Grafik::aendere_Wert(bool minus) {
    if (COM_aktiv) {
        const int64_t roh = Anzeige_zu_Roh_lang(Schritt);
        int nr = Kennfeld_Nr;
        if (log_Y)
            nr = Cursor_Y == 0 ? 6 : 21;
        const bool datenelement = neues_Protokoll && Kennfeld_Nr >= 1 && !log_Y;
        Aenderungsauftrag->sende(nr, datenelement,
                                 static_cast<int32_t>(std::clamp<int64_t>(
                                     minus ? -roh : roh, Rohgrenze_unten, Rohgrenze_oben)),
                                 std::min(16 * Cursor_X, 255), std::min(16 * Cursor_Y, 255));
        if (datenelement)
            lese_von_ECU();
        else
            lese_Zeile_nach_Aenderung(Cursor_X);
        return;
    }
    mit_Cursor([&] {
        auto& w = Werte[static_cast<size_t>(Cursor_X)][static_cast<size_t>(Cursor_Y)];
        w = begrenze_Anzeige(int64_t{w} + (minus ? -int64_t{Schritt} : int64_t{Schritt}));
        if (ansicht_)
            ansicht_->zeichne_Zeile(Cursor_X);
    });
}

std::array<int32_t, 4> cl_Kennfeld_Grafik::Achsen_Vorgaben() {
    std::array<int32_t, 4> a{};
    for (size_t i = 0; i < 4; ++i)
        a[i] = neues_Protokoll && Kennfeld_Nr >= 1
                   ? Achswerte[i]
                   : Roh_zu_Anzeige(auf_int32(u_.parameter.Wert(Parameter_Nr[i + 1])));
    return a;
}

void cl_Kennfeld_Grafik::uebernehme_Achsen(const std::array<QString, 4>& eingaben) {
    std::array<int32_t, 4> roh{};
    const size_t n = ist_Kurve ? 2 : 4;
    for (size_t i = 0; i < n; ++i)
        roh[i] = Anzeige_zu_Roh(begrenze_Anzeige(String_zu_Int(eingaben[i])));
    if (neues_Protokoll && Kennfeld_Nr >= 1) {
        for (size_t i = 0; i < n; ++i)
            Achswerte[i] =
                static_cast<int16_t>(std::clamp(roh[i], Rohgrenze_unten, Rohgrenze_oben));
    } else {
        for (size_t i = 0; i < n; ++i)
            if (Parameter_Nr[i + 1] != 0)
                u_.parameter.setze_Wert(Parameter_Nr[i + 1], roh[i]);
    }
    if (COM_aktiv && verbunden()) {
        if (ansicht_)
            ansicht_->zeichne_Grafik();
        if (!(neues_Protokoll && Kennfeld_Nr >= 1))
            sende_Parameter();
        speichere_Achsen();
    } else {
        const int64_t a = Roh_zu_Anzeige(roh[0]);
        const int64_t b = Roh_zu_Anzeige(roh[1]);
        const int64_t c = Roh_zu_Anzeige(roh[2]);
        const int64_t d = Roh_zu_Anzeige(roh[3]);
        for (int i = 0; i < Punkte; ++i) {
            if (ist_Kurve) {
                setze_Kurvenwert(i, begrenze_Anzeige(a + (b - a) * 16 * i / 256));
            } else if (log_Y) {
                setze_Wert(i, 0, begrenze_Anzeige(a + (b - a) * 16 * i / 256));
                setze_Wert(i, 1, begrenze_Anzeige(c + (d - c) * 16 * i / 256));
            } else {
                for (int x = 0; x < Punkte; ++x) {
                    const int64_t L = a + (c - a) * 16 * i / 256;
                    const int64_t R = b + (d - b) * 16 * i / 256;
                    const float v = static_cast<float>(L) +
                                    static_cast<float>(R - L) * static_cast<float>(16 * x) / 256.0f;
                    setze_Wert(x, i,
                               begrenze_Anzeige(
                                   static_cast<int64_t>(std::nearbyint(static_cast<double>(v)))));
                }
            }
        }
    }
    zeichne_neu();
}

void cl_Kennfeld_Grafik::uebernehme_Aenderung(const std::array<QString, 4>& eingaben,
                                              bool prozent) {
    std::array<float, 4> e{};
    for (size_t i = 0; i < 4; ++i)
        e[i] = static_cast<float>(ganze_Zahl_oder_0(eingaben[i]));
    const auto [a, b, c, d] = e;
    const auto neu = [&](int32_t v, float f) {
        const float r =
            prozent ? static_cast<float>(v) * (f + 100.0f) / 100.0f : static_cast<float>(v) + f;
        const double g = std::nearbyint(static_cast<double>(r));
        return begrenze_Anzeige(static_cast<int64_t>(std::clamp(g, -9.0e18, 9.0e18)));
    };
    for (int i = 0; i < Punkte; ++i) {
        const float fi = static_cast<float>(i);
        if (ist_Kurve || log_Y) {
            auto& w0 = Werte[static_cast<size_t>(i)][0];
            w0 = neu(w0, a + (b - a) * fi / 16.0f);
            if (log_Y) {
                auto& w1 = Werte[static_cast<size_t>(i)][1];
                w1 = neu(w1, c + (d - c) * fi / 16.0f);
            }
            continue;
        }
        for (int y = 0; y < Punkte; ++y) {
            const float fy = static_cast<float>(y);
            const float L = a + (c - a) * fy / 16.0f;
            const float R = b + (d - b) * fy / 16.0f;
            auto& w = Werte[static_cast<size_t>(i)][static_cast<size_t>(y)];
            w = neu(w, L + (R - L) * fi / 16.0f);
        }
    }
    if (COM_aktiv && verbunden())
        schreibe_nach_Aenderung();
    zeichne_neu();
}

std::array<int32_t, 4> cl_Kennfeld_Grafik::Parameter_Vorgaben() {
    if (neues_Protokoll && Kennfeld_Nr >= 1)
        return {Achsbereichswerte[1], Achsbereichswerte[0], Achsbereichswerte[3],
                Achsbereichswerte[2]};
    std::array<int32_t, 4> p{};
    for (size_t i = 0; i < 4; ++i)
        p[i] = Roh_zu_Anzeige(auf_int32(u_.parameter.Wert(Parameter_Nr[i + 5])));
    return p;
}

void cl_Kennfeld_Grafik::uebernehme_Parameter(const std::array<QString, 4>& eingaben) {
    std::array<int32_t, 4> roh{};
    for (size_t i = 0; i < 4; ++i)
        roh[i] = Anzeige_zu_Roh(begrenze_Anzeige(String_zu_Int(eingaben[i])));
    const size_t n = ist_Kurve ? 2 : 4;
    if (neues_Protokoll && Kennfeld_Nr >= 1) {
        const auto wort = [](int32_t v) {
            return static_cast<int16_t>(std::clamp(v, Rohgrenze_unten, Rohgrenze_oben));
        };
        // The panel's rows hold the words 1, 0, 3, 2.
        Achsbereichswerte[0] = wort(roh[1]);
        Achsbereichswerte[1] = wort(roh[0]);
        if (n == 4) {
            Achsbereichswerte[2] = wort(roh[3]);
            Achsbereichswerte[3] = wort(roh[2]);
        }
        schreibe_Achsbereich();
        return;
    }
    for (size_t i = 0; i < n; ++i)
        if (Parameter_Nr[i + 5] != 0)
            u_.parameter.setze_Wert(Parameter_Nr[i + 5], roh[i]);
    sende_Parameter();
}

void cl_Kennfeld_Grafik::Menue_lesen() {
    COM_aktiv = true;
    if (ansicht_)
        ansicht_->zeige_Bedienelemente();
    setze_COM_aktiv(true);
    lese_von_ECU();
}

void cl_Kennfeld_Grafik::Menue_schreiben() {
    COM_aktiv = true;
    if (ansicht_)
        ansicht_->zeige_Bedienelemente();
    setze_COM_aktiv(true);
    schreibe_in_ECU();
    Fokus_abgeben();
}

void cl_Kennfeld_Grafik::CheckBox_COMClick(bool an) {
    COM_aktiv = an;
    if (ansicht_)
        ansicht_->zeige_Bedienelemente();
    setze_COM_aktiv(an);
}

void cl_Kennfeld_Grafik::CheckBox_LeerlaufClick(bool an) {
    Leerlauf_aktiv = an;
    if (auto* l = Leerlaufsteller())
        l->setzen(an ? 1 : 0, 16 * Cursor_X);
    Fokus_abgeben();
}

void cl_Kennfeld_Grafik::ECU_Menue_ein() {
    Menue_Achsen_frei = Menue_Aenderung_frei = true;
    Menue_Parameter_frei = Menue_lesen_frei = Menue_schreiben_frei = true;
    COM_freigegeben = true;
    if (ansicht_)
        ansicht_->zeige_Bedienelemente();
}

void cl_Kennfeld_Grafik::ECU_Menue_aus() {
    Menue_Parameter_frei = Menue_lesen_frei = Menue_schreiben_frei = false;
    COM_freigegeben = false;
    if (ansicht_)
        ansicht_->zeige_Bedienelemente();
}

void cl_Kennfeld_Grafik::FormShow() {
    if (u_.passwort_OK && !u_.passwort_OK->Zugriff_erlaubt())
        return;
    if (ansicht_)
        ansicht_->ordne_an();
    Fokus_abgeben();
    Leerlauf_sichtbar = Kennfeld_Nr == 8;
    if (!COM_aktiv)
        CheckBox_COMClick(true);
    else if (ansicht_)
        ansicht_->zeige_Bedienelemente();
}

void cl_Kennfeld_Grafik::FormHide() {
    if (ansicht_)
        ansicht_->schliesse_Parameter_Panel();
    if (auto* l = Leerlaufsteller())
        l->setzen(0, 0);
}
