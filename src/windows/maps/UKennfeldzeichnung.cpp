#include "windows/maps/UKennfeldzeichnung.h"

#include "model/UKFGrafik.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

const QColor Kennfeldzeichnung::Netzfarbe{0, 0, 255};
const QColor Kennfeldzeichnung::Zeile1_Farbe{255, 0, 0};
const QColor Kennfeldzeichnung::Wandfarbe{0, 128, 0};
const QColor Kennfeldzeichnung::Cursorfarbe{0, 255, 255};
const QColor Kennfeldzeichnung::Markerfarbe{255, 255, 255};

namespace {

// The drawing computes grid steps and positions with the map's own arithmetic.
using Grafik = cl_Kennfeld_Grafik;

// Round to nearest, halves to the even neighbour (the default rounding mode).
int runde(double v) {
    return static_cast<int>(std::nearbyint(v));
}

// Within [min, max] (a value range is never empty here).
int begrenze(int v, int min, int max) {
    return std::clamp(v, std::min(min, max), std::max(min, max));
}

// Text with its top left corner at (x, y).
void schreibe(QPainter& p, int x, int y, const QString& text) {
    p.drawText(QPoint(x, y + p.fontMetrics().ascent()), text);
}

int Breite(const QPainter& p, const QString& text) {
    return p.fontMetrics().horizontalAdvance(text);
}

int Hoehe(const QPainter& p) {
    return p.fontMetrics().height();
}

// The multiples of schritt inside [min, max]: 0 and upwards first, then downwards.
template <class F> void je_Vielfaches(int min, int max, int schritt, F f) {
    if (schritt <= 0)
        return;
    for (int v = std::max(0, (min + schritt - 1) / schritt * schritt); v <= max; v += schritt)
        if (v >= min)
            f(v);
    for (int v = std::min(-schritt, max / schritt * schritt); v >= min; v -= schritt)
        if (v <= max)
            f(v);
}

// XOR of a pixel set with a colour, clipped to the buffer; the rectangle it touched.
QRect xor_Pixel(QImage& puffer, const std::vector<QPoint>& pixel, const QColor& farbe) {
    const QRgb maske = farbe.rgb() & 0x00FFFFFFu;
    QRect r;
    for (const QPoint& pt : pixel) {
        if (!puffer.rect().contains(pt))
            continue;
        auto* zeile = reinterpret_cast<QRgb*>(puffer.scanLine(pt.y()));
        zeile[pt.x()] ^= maske;
        r |= QRect(pt, QSize(1, 1));
    }
    return r;
}

// The cursor: a filled box 4 wide and 8 high, its top left at (x - 2, y - 4).
std::vector<QPoint> Cursorpixel(QPoint m) {
    std::vector<QPoint> pixel;
    for (int y = m.y() - 4; y < m.y() + 4; ++y)
        for (int x = m.x() - 2; x < m.x() + 2; ++x)
            pixel.emplace_back(x, y);
    return pixel;
}

// A marker: the outline of the rectangle through (x -+ 2, y -+ 4), drawn as one closed
// figure, so that each pixel of it is inverted once, its corners too.
std::vector<QPoint> Markerpixel(QPoint m) {
    std::vector<QPoint> pixel;
    for (int x = m.x() - 2; x <= m.x() + 2; ++x) {
        pixel.emplace_back(x, m.y() - 4);
        pixel.emplace_back(x, m.y() + 4);
    }
    for (int y = m.y() - 3; y <= m.y() + 3; ++y) {
        pixel.emplace_back(m.x() - 2, y);
        pixel.emplace_back(m.x() + 2, y);
    }
    return pixel;
}

} // namespace

void Kennfeldzeichnung::setze_Projektion(Kennfeldbild& b, int W, int H, Raender r, bool druck) {
    projektion_.setze(b.ist_Kurve, b.X_min, b.X_max, b.Y_min, b.Y_max, b.Z_min, b.Z_max, W, H, r,
                      druck);
}

void Kennfeldzeichnung::zeichne_Achsen(QPainter& p, Kennfeldbild& b, bool farbig) const {
    const int k = projektion_.Strichfaktor;
    const bool kennfeld = !b.ist_Kurve;
    const int rx = Grafik::berechne_Rasterschritt(b.X_max - b.X_min);
    const int ry = Grafik::berechne_Rasterschritt(b.Y_max - b.Y_min);
    const int rz = Grafik::berechne_Rasterschritt(b.Z_max - b.Z_min);
    const auto P = [this](int x, int y, int z) { return projektion_.projiziere(x, y, z); };
    const auto linie = [&](QPoint a, QPoint e) { p.drawLine(a, e); };
    // The line at value 0 only where 0 lies inside the value range: outside it, it would run
    // through the tick labels below the box.
    const bool null_im_Bereich = b.Z_min <= 0 && 0 <= b.Z_max;
    const int th = Hoehe(p);

    p.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    if (null_im_Bereich)
        linie(P(b.X_min, b.Y_min, 0), P(b.X_max, b.Y_min, 0));
    linie(P(b.X_min, b.Y_min, b.Z_min), P(b.X_max, b.Y_min, b.Z_min));
    linie(P(b.X_max, b.Y_min, b.Z_min), P(b.X_max, b.Y_min, b.Z_max));

    je_Vielfaches(b.X_min, b.X_max, rx, [&](int v) {
        const QPoint s = P(v, b.Y_min, b.Z_min);
        linie({s.x(), s.y() + 5 * k}, s);
        const QString t = QString::number(v);
        schreibe(p, s.x() - Breite(p, t) / 2, s.y() + 5 * k, t);
    });

    // Value ticks; with Z_min >= 0 the first is Raster_Z, so the corner shows no 0.
    const auto Wertmarke = [&](int v) {
        const QPoint s = P(b.X_max, b.Y_min, v);
        linie({s.x() + 5 * k, s.y()}, s);
        const QString t = QString::number(v);
        schreibe(p, s.x() + 8 * k, s.y() - th / 2, t);
        if (kennfeld && v > b.Z_min) {
            const QPoint s2 = P(b.X_min, b.Y_max, v);
            linie({s2.x() - 5 * k, s2.y()}, s2);
            schreibe(p, s2.x() - 10 * k - Breite(p, t), s2.y() - th / 2, t);
        }
    };
    if (rz > 0) {
        for (int v = b.Z_min < 0 ? 0 : rz; v <= b.Z_max; v += rz)
            if (v >= b.Z_min)
                Wertmarke(v);
        for (int v = -rz; v >= b.Z_min; v -= rz)
            if (v <= b.Z_max)
                Wertmarke(v);
    }

    if (kennfeld) {
        if (null_im_Bereich)
            linie(P(b.X_min, b.Y_min, 0), P(b.X_min, b.Y_max, 0));
        linie(P(b.X_min, b.Y_max, b.Z_min), P(b.X_min, b.Y_min, b.Z_min));
        linie(P(b.X_min, b.Y_max, b.Z_min), P(b.X_min, b.Y_max, b.Z_max));
        je_Vielfaches(b.Y_min, b.Y_max, ry, [&](int v) {
            const QPoint s = P(b.X_min, v, b.Z_min);
            linie({s.x() - 5 * k, s.y()}, s);
            // Moved half a line down and to the left, away from the box: at the top of the
            // axis the label would otherwise stand in the value labels' column, just under
            // its first value, and read as one of them.
            const QString t = QString::number(v).left(20);
            schreibe(p, s.x() - 10 * k - th / 2 - Breite(p, t), s.y(), t);
        });
    }

    if (b.log_Y && b.Z_max > 1) {
        p.setPen(QPen(farbig ? Netzfarbe : QColor(Qt::black), 1));
        const float c = static_cast<float>(b.Y_max) / std::log(static_cast<float>(b.Z_max));
        const auto hoehe_bei = [&](int y) {
            return runde(static_cast<float>(b.Z_max) *
                         std::exp(static_cast<float>(y - b.Y_max) / c));
        };
        for (int i = 0; i <= 16; ++i) {
            const int x = Grafik::Position_zu_Wert(16 * i, b.X_min, b.X_max);
            QPolygon zug;
            zug << P(x, Grafik::Position_zu_Wert(0, b.Y_min, b.Y_max), 0);
            for (int q = 1; q <= 256; ++q) {
                const int y = Grafik::Position_zu_Wert(q, b.Y_min, b.Y_max);
                zug << P(x, y, hoehe_bei(y));
            }
            p.drawPolyline(zug);
        }
        for (int L = ry; ry > 0 && L <= b.Z_max; L += ry) {
            const int y = runde(std::log(static_cast<float>(L) / static_cast<float>(b.Z_max)) * c +
                                static_cast<float>(b.Y_max));
            linie(P(b.X_min, y, L), P(b.X_min, b.Y_max, L));
            linie(P(b.X_max, y, L), P(b.X_max, 0, L));
        }
        linie(P(b.X_min, b.Y_max, b.Z_max), P(b.X_max, b.Y_max, b.Z_max));
        p.setPen(QPen(Qt::black, 1));
    }

    QPoint s = P(b.X_max, b.Y_min, b.Z_min);
    schreibe(p, s.x() - Breite(p, b.Einheit_X) / 2, s.y() + 7 * k + th, b.Einheit_X);
    s = P(b.X_max, b.Y_min, b.Z_max);
    schreibe(p, s.x(), s.y() - 8 * k - th, b.Einheit_Z);
    if (kennfeld) {
        s = P(b.X_min, b.Y_max, b.Z_min);
        schreibe(p, s.x() - Breite(p, QStringLiteral("00000")), s.y() + 8 * k + th, b.Einheit_Y);
        s = P(b.X_min, b.Y_max, b.Z_max);
        schreibe(p, s.x() - Breite(p, b.Einheit_Z), s.y() - 8 * k - th, b.Einheit_Z);
    }
}

void Kennfeldzeichnung::zeichne_Flaeche(QPainter& p, const Kennfeldbild& b, bool farbig) const {
    const QColor netz = farbig ? Netzfarbe : QColor(Qt::black);
    p.setPen(QPen(netz, 1));
    if (b.log_Y) {
        for (int r = 0; r < 2; ++r) {
            p.setPen(QPen(farbig && r == 1 ? Zeile1_Farbe : netz, 1));
            QPolygon zug;
            for (int i = 0; i <= 16; ++i) {
                const int v = b.Werte[i][r];
                zug << projektion_.projiziere(Grafik::Position_zu_Wert(16 * i, b.X_min, b.X_max),
                                              Grafik::log_Position(v, b.Y_max, b.Z_max), v);
            }
            p.drawPolyline(zug);
        }
        return;
    }
    if (b.ist_Kurve) {
        QPolygon zug;
        for (int i = 0; i <= 16; ++i)
            zug << projektion_.projiziere_Position(16 * i, 0, b.Werte[i][0]);
        p.drawPolyline(zug);
    } else {
        for (int x = 0; x <= 16; ++x) {
            QPolygon zug;
            for (int y = 0; y <= 16; ++y)
                zug << projektion_.projiziere_Position(16 * x, 16 * y, b.Werte[x][y]);
            p.drawPolyline(zug);
        }
        for (int y = 0; y <= 16; ++y) {
            QPolygon zug;
            for (int x = 0; x <= 16; ++x)
                zug << projektion_.projiziere_Position(16 * x, 16 * y, b.Werte[x][y]);
            p.drawPolyline(zug);
        }
    }
    zeichne_Waende(p, b, farbig);
}

void Kennfeldzeichnung::zeichne_Linie(QPainter& p, const Kennfeldbild& b, int x) const {
    if (b.log_Y || b.ist_Kurve) {
        // The curve or both rows, without the walls: those stay as they were.
        p.setPen(QPen(Netzfarbe, 1));
        if (b.ist_Kurve && !b.log_Y) {
            QPolygon zug;
            for (int i = 0; i <= 16; ++i)
                zug << projektion_.projiziere_Position(16 * i, 0, b.Werte[i][0]);
            p.drawPolyline(zug);
        } else {
            zeichne_Flaeche(p, b, true);
        }
        return;
    }
    x = std::clamp(x, 0, 16);
    p.setPen(QPen(Netzfarbe, 1));
    QPolygon zug;
    for (int y = 0; y <= 16; ++y)
        zug << projektion_.projiziere_Position(16 * x, 16 * y, b.Werte[x][y]);
    p.drawPolyline(zug);
}

void Kennfeldzeichnung::zeichne_Waende(QPainter& p, const Kennfeldbild& b, bool farbig) const {
    p.setPen(QPen(farbig ? Wandfarbe : QColor(Qt::black), 1));
    const int rz = Grafik::berechne_Rasterschritt(b.Z_max - b.Z_min);
    if (rz <= 0)
        return;
    // The base of the front and left walls: value 0, or the nearer edge of the value range
    // when 0 lies outside it.
    const int null = begrenze(0, b.Z_min, b.Z_max);

    // One wall: the profile over the positions 0, 16, ..., 256 along the wall, a level line
    // wherever the profile lies on the hatched side (oben: the value at most the level, the
    // area above the profile; else the area between the profile and 0).
    const auto wand = [&](const std::array<int, 17>& W, bool oben, bool laengs_X, int fest) {
        std::vector<int> stufen;
        if (oben) {
            for (int L = b.Z_max; L > b.Z_min; L -= rz)
                stufen.push_back(L);
        } else {
            for (int L = b.Z_min; L < 0; L += rz)
                stufen.push_back(L);
            for (int L = 0; L < b.Z_max; L += rz)
                if (L >= b.Z_min)
                    stufen.push_back(L);
        }
        const auto punkt = [&](int pos, int L) {
            return laengs_X ? projektion_.projiziere_Position(pos, fest, L)
                            : projektion_.projiziere_Position(fest, pos, L);
        };
        for (const int L : stufen) {
            const auto innen = [&](int v) { return oben || L < 0 ? v <= L : v >= L; };
            bool drin = innen(W[0]);
            int anfang = 0;
            for (int i = 1; i <= 16; ++i) {
                const bool jetzt = innen(W[i]);
                if (jetzt == drin)
                    continue;
                const int pos = 16 * (i - 1) + (L - W[i - 1]) * 16 / (W[i] - W[i - 1]);
                if (drin)
                    p.drawLine(punkt(anfang, L), punkt(pos, L));
                else
                    anfang = pos;
                drin = jetzt;
            }
            if (drin)
                p.drawLine(punkt(anfang, L), punkt(256, L));
        }
    };

    std::array<int, 17> vorne{};
    for (int i = 0; i <= 16; ++i)
        vorne[i] = b.Werte[i][0];
    wand(vorne, false, true, 0);
    p.drawLine(projektion_.projiziere_Position(0, 0, b.Werte[0][0]),
               projektion_.projiziere_Position(0, 0, null));
    if (b.ist_Kurve)
        return;

    std::array<int, 17> hinten{}, links{}, rechts{};
    for (int i = 0; i <= 16; ++i) {
        hinten[i] = b.Werte[i][16];
        links[i] = b.Werte[0][i];
        rechts[i] = b.Werte[16][i];
    }
    wand(hinten, true, true, 256);
    wand(links, false, false, 0);
    wand(rechts, true, false, 256);
    if (b.Z_max > 0)
        p.drawLine(projektion_.projiziere_Position(256, 256, b.Z_max),
                   projektion_.projiziere_Position(256, 256, null));
}

void Kennfeldzeichnung::zeichne_alles(QImage& puffer, QSize groesse, Kennfeldbild& b,
                                      const QFont& schrift) {
    if (puffer.size() != groesse || puffer.format() != QImage::Format_RGB32)
        puffer = QImage(groesse, QImage::Format_RGB32);
    puffer.fill(Qt::white);
    cursor_.reset();
    marker_.clear();
    setze_Projektion(b, groesse.width(), groesse.height(), Raender{}, false);
    {
        QPainter p(&puffer);
        p.setFont(schrift);
        zeichne_Achsen(p, b, true);
        if (b.Werte_vorhanden)
            zeichne_Flaeche(p, b, true);
    }
    zeige_Marker(puffer, b);
    zeige_Cursor(puffer, b);
}

QPoint Kennfeldzeichnung::Cursorpunkt(const Kennfeldbild& b) const {
    const int cx = std::clamp(b.Cursor_X, 0, 16);
    const int cy = std::clamp(b.Cursor_Y, 0, 16);
    return projektion_.Cursorpunkt(b.log_Y, cx, cy, b.Werte[cx][cy]);
}

std::vector<QPoint> Kennfeldzeichnung::Markerpunkte(const Kennfeldbild& b) const {
    // Value 0 of the axis markers, inside the value range as the axes draw it.
    const int null = begrenze(0, b.Z_min, b.Z_max);
    std::vector<QPoint> m;
    m.push_back(projektion_.projiziere(b.Arbeitspunkt_X, b.Y_min, null) + QPoint(1, 1));
    if (!b.ist_Kurve)
        m.push_back(projektion_.projiziere(b.X_min, b.Arbeitspunkt_Y, null) + QPoint(1, 1));
    m.push_back(projektion_.projiziere(b.Arbeitspunkt_X, b.Arbeitspunkt_Y, b.Arbeitspunkt_Wert));
    return m;
}

QRect Kennfeldzeichnung::zeige_Cursor(QImage& puffer, const Kennfeldbild& b) {
    QRect r = verberge_Cursor(puffer);
    cursor_ = Cursorpunkt(b);
    return r | xor_Pixel(puffer, Cursorpixel(*cursor_), Cursorfarbe);
}

QRect Kennfeldzeichnung::verberge_Cursor(QImage& puffer) {
    if (!cursor_)
        return {};
    const QRect r = xor_Pixel(puffer, Cursorpixel(*cursor_), Cursorfarbe);
    cursor_.reset();
    return r;
}

QRect Kennfeldzeichnung::zeige_Marker(QImage& puffer, const Kennfeldbild& b) {
    QRect r = verberge_Marker(puffer);
    marker_ = Markerpunkte(b);
    for (const QPoint& m : marker_)
        r |= xor_Pixel(puffer, Markerpixel(m), Markerfarbe);
    return r;
}

QRect Kennfeldzeichnung::verberge_Marker(QImage& puffer) {
    QRect r;
    for (const QPoint& m : marker_)
        r |= xor_Pixel(puffer, Markerpixel(m), Markerfarbe);
    marker_.clear();
    return r;
}
