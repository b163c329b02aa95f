#pragma once

#include "model/UKFGrafik.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <array>
#include <optional>
#include <vector>

class QPainter;

// What the drawing reads of a map: ranges, values, cursor and live point, in display units.
// The window fills it from its map before each drawing.
struct Kennfeldbild {
    bool ist_Kurve = false;
    bool log_Y = false;
    int X_min = 0, X_max = 1, Y_min = 0, Y_max = 1, Z_min = 0, Z_max = 1;
    // Werte[x][y]; a curve uses Werte[x][0], a log-Y map rows 0 and 1.
    std::array<std::array<int, 17>, 17> Werte{};
    bool Werte_vorhanden = false;
    int Cursor_X = 0, Cursor_Y = 0;
    int Arbeitspunkt_X = 0, Arbeitspunkt_Y = 0, Arbeitspunkt_Wert = 0;
    QString Einheit_X, Einheit_Y, Einheit_Z;
};

// The oblique wire-frame view of a map: X to the right, Y back and to the left at 45
// degrees, the value up; a curve flat. The same code draws on the screen's back buffer and
// on the printer; on the printer every line is black and strokes are twice as long.
//
// The cursor and the live-point markers are drawn into the back buffer by XOR, so that
// drawing them a second time at the same place restores the picture: a cursor step costs two
// small boxes, not a redraw. The drawing remembers where it put them, so that hiding works
// whatever the map did since.
class Kennfeldzeichnung {
public:
    using Raender = Kennfeld_Raender;

    // The projection for a box of width w and height h; maxima at or below their minima are
    // raised to min + 1 in bild.
    void setze_Projektion(Kennfeldbild& bild, int w, int h, Raender r, bool druck);
    // The projection of the last setze_Projektion: where every point of the picture lies.
    const Kennfeld_Projektion& Projektion() const { return projektion_; }

    // The frame: axes, ticks, tick and unit labels (and the log-Y guide lines), in the
    // painter's font. farbig false draws everything black (the printer).
    void zeichne_Achsen(QPainter& p, Kennfeldbild& bild, bool farbig) const;
    // The surface and, except on log-Y maps, its wall hatching.
    void zeichne_Flaeche(QPainter& p, const Kennfeldbild& bild, bool farbig) const;
    // One line over the old picture: on a map the line along Y at x, on a curve the curve,
    // on a log-Y map both rows.
    void zeichne_Linie(QPainter& p, const Kennfeldbild& bild, int x) const;
    void zeichne_Waende(QPainter& p, const Kennfeldbild& bild, bool farbig) const;

    // A full redraw of the back buffer (white, frame, surface when values are there, markers
    // and cursor); the buffer takes the given size.
    void zeichne_alles(QImage& puffer, QSize groesse, Kennfeldbild& bild, const QFont& schrift);

    // XOR items on the back buffer. Each returns the rectangle it touched (for the repaint).
    QRect zeige_Cursor(QImage& puffer, const Kennfeldbild& bild);
    QRect verberge_Cursor(QImage& puffer);
    QRect zeige_Marker(QImage& puffer, const Kennfeldbild& bild);
    QRect verberge_Marker(QImage& puffer);
    bool Cursor_sichtbar() const { return cursor_.has_value(); }
    bool Marker_sichtbar() const { return !marker_.empty(); }

    // The pixel of the cursor: its grid point, on a log-Y map at the value's log position.
    QPoint Cursorpunkt(const Kennfeldbild& bild) const;
    // The live-point markers' centres.
    std::vector<QPoint> Markerpunkte(const Kennfeldbild& bild) const;

    static const QColor Netzfarbe;
    static const QColor Zeile1_Farbe;
    static const QColor Wandfarbe;
    static const QColor Cursorfarbe;
    static const QColor Markerfarbe;

private:
    Kennfeld_Projektion projektion_;
    std::optional<QPoint> cursor_;
    std::vector<QPoint> marker_;
};
