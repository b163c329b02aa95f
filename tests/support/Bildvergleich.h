#pragma once

#include <QImage>
#include <QRect>

// The pixels of a picture in one colour.
inline int zaehle(const QImage& bild, QRgb farbe) {
    int n = 0;
    for (int y = 0; y < bild.height(); ++y)
        for (int x = 0; x < bild.width(); ++x)
            n += bild.pixel(x, y) == farbe;
    return n;
}

// The pixels that differ between two pictures, as a bounding rectangle.
inline QRect Unterschied(const QImage& a, const QImage& b) {
    QRect r;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                r |= QRect(x, y, 1, 1);
    return r;
}
