#include "windows/maps/UKennfeldzeichnung.h"

#include "support/Bildvergleich.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <gtest/gtest.h>

namespace {

constexpr QRgb Weiss = 0xFFFFFFFFu;

Kennfeldbild Kennfeld(bool werte) {
    Kennfeldbild b;
    b.X_min = 0;
    b.X_max = 6000;
    b.Y_min = 0;
    b.Y_max = 100;
    b.Z_min = 0;
    b.Z_max = 1000;
    b.Einheit_X = "1/min";
    b.Einheit_Y = "%";
    b.Einheit_Z = "us";
    for (int x = 0; x <= 16; ++x)
        for (int y = 0; y <= 16; ++y)
            b.Werte[x][y] = 100 + 25 * x + 20 * y;
    b.Werte_vorhanden = werte;
    return b;
}

} // namespace

TEST(Kennfeldzeichnung, TheBoxCornersLieOnTheMarginsOnScreen) {
    Kennfeldzeichnung z;
    Kennfeldbild b = Kennfeld(true);
    const int W = 500, H = 300, w = W - 90;
    z.setze_Projektion(b, W, H, {}, false);
    const int d = static_cast<int>(0.3f * w + 0.5f);
    EXPECT_EQ(z.Projektion().projiziere(0, 0, 0), QPoint(45 + d, H - 40));
    EXPECT_EQ(z.Projektion().projiziere(6000, 0, 0), QPoint(W - 45, H - 40));
    EXPECT_EQ(z.Projektion().projiziere(0, 100, 1000), QPoint(45, 30));
    EXPECT_EQ(z.Projektion().projiziere(6000, 0, 1000), QPoint(W - 45, 30 + d));
    EXPECT_EQ(z.Projektion().Strichfaktor, 1);

    // A curve is flat: Y moves nothing, and the value spans the whole height.
    Kennfeldbild k = Kennfeld(true);
    k.ist_Kurve = true;
    z.setze_Projektion(k, W, H, {}, false);
    EXPECT_EQ(z.Projektion().projiziere(0, 50, 0), QPoint(45, H - 40));
    EXPECT_EQ(z.Projektion().projiziere(6000, 0, 1000), QPoint(W - 45, 30));

    // A range with its maximum not above its minimum is drawn as min .. min + 1.
    Kennfeldbild leer = Kennfeld(false);
    leer.X_max = leer.X_min;
    leer.Y_max = -3;
    z.setze_Projektion(leer, W, H, {}, true);
    EXPECT_EQ(leer.X_max, 1);
    EXPECT_EQ(leer.Y_max, 1);
    EXPECT_EQ(z.Projektion().Strichfaktor, 2);
}

TEST(Kennfeldzeichnung, NoSurfaceBeforeValuesAndNetAndHatchingAfter) {
    QFont schrift;
    schrift.setPixelSize(11);
    for (const bool kurve : {false, true}) {
        Kennfeldzeichnung z;
        QImage bild;
        Kennfeldbild b = Kennfeld(false);
        b.ist_Kurve = kurve;
        z.zeichne_alles(bild, {500, 300}, b, schrift);
        EXPECT_EQ(bild.format(), QImage::Format_RGB32);
        EXPECT_EQ(zaehle(bild, QColor(0, 0, 255).rgb()), 0) << kurve;
        EXPECT_EQ(zaehle(bild, QColor(0, 128, 0).rgb()), 0) << kurve;
        // Frame, cursor (red on white) and markers are there.
        EXPECT_GT(zaehle(bild, QColor(Qt::black).rgb()), 500) << kurve;
        EXPECT_EQ(zaehle(bild, QColor(255, 0, 0).rgb()), 32) << kurve;

        b.Werte_vorhanden = true;
        z.zeichne_alles(bild, {500, 300}, b, schrift);
        EXPECT_GT(zaehle(bild, QColor(0, 0, 255).rgb()), kurve ? 300 : 2000) << kurve;
        EXPECT_GT(zaehle(bild, QColor(0, 128, 0).rgb()), kurve ? 300 : 1000) << kurve;
    }
}

TEST(Kennfeldzeichnung, CursorAndMarkersInvertTwiceToThePictureAndTouchOnlyTheirPlaces) {
    QFont schrift;
    schrift.setPixelSize(11);
    Kennfeldzeichnung z;
    QImage bild;
    Kennfeldbild b = Kennfeld(true);
    b.Cursor_X = 8;
    b.Cursor_Y = 8;
    b.Arbeitspunkt_X = 3000;
    b.Arbeitspunkt_Y = 50;
    b.Arbeitspunkt_Wert = 500;
    z.zeichne_alles(bild, {500, 400}, b, schrift);
    const QImage vorher = bild.copy();

    // The marker on the live point: its outline black on white, corners included.
    const QPoint m = z.Markerpunkte(b).back();
    z.verberge_Marker(bild);
    const QImage ohne_Marker = bild.copy();
    EXPECT_NE(ohne_Marker, vorher);
    z.zeige_Marker(bild, b);
    EXPECT_EQ(bild, vorher);
    for (const QPoint ecke : {QPoint(-2, -4), QPoint(2, -4), QPoint(2, 4), QPoint(-2, 4)})
        if (ohne_Marker.pixel(m + ecke) == Weiss) {
            EXPECT_EQ(bild.pixel(m + ecke), QColor(Qt::black).rgb()) << ecke.x() << ecke.y();
        }

    // A cursor step changes the pixels of the old and the new box, nothing else.
    const QPoint alt = z.Cursorpunkt(b);
    b.Cursor_X = 9;
    const QRect beruehrt = z.zeige_Cursor(bild, b);
    const QPoint neu = z.Cursorpunkt(b);
    const QRect erlaubt =
        QRect(alt - QPoint(2, 4), QSize(4, 8)) | QRect(neu - QPoint(2, 4), QSize(4, 8));
    const QRect geaendert = Unterschied(vorher, bild);
    EXPECT_FALSE(geaendert.isEmpty());
    EXPECT_TRUE(erlaubt.contains(geaendert));
    EXPECT_TRUE(beruehrt.contains(geaendert));

    // Back again: the picture as it was.
    b.Cursor_X = 8;
    z.zeige_Cursor(bild, b);
    EXPECT_EQ(bild, vorher);

    // Cyan on white shows red; hiding restores white.
    Kennfeldbild leer = Kennfeld(false);
    z.zeichne_alles(bild, {500, 400}, leer, schrift);
    const QPoint c = z.Cursorpunkt(leer);
    EXPECT_EQ(bild.pixel(c), QColor(255, 0, 0).rgb());
    z.verberge_Cursor(bild);
    EXPECT_EQ(bild.pixel(c), Weiss);
}

TEST(Kennfeldzeichnung, TheTopYLabelStandsClearOfTheValueLabelsColumn) {
    QFont schrift;
    schrift.setPixelSize(11);
    Kennfeldzeichnung z;
    QImage bild;
    Kennfeldbild b = Kennfeld(false);
    z.zeichne_alles(bild, {500, 400}, b, schrift);
    // The value labels at the back left edge end 10 pixels left of it; the Y axis's last
    // label ("100") belongs to the corner below them and must not stand in their column.
    const QPoint ecke = z.Projektion().projiziere(b.X_min, b.Y_max, b.Z_min);
    const int th = QFontMetrics(schrift).height();
    int dunkel = 0;
    for (int y = ecke.y() - th / 2; y <= ecke.y() + th; ++y)
        for (int x = ecke.x() - 10 - th / 2 + 1; x <= ecke.x() - 10; ++x)
            dunkel += qGray(bild.pixel(x, y)) < 128;
    EXPECT_EQ(dunkel, 0);
    // It is there, left of that column.
    int links = 0;
    for (int y = ecke.y() - th / 2; y <= ecke.y() + th; ++y)
        for (int x = ecke.x() - 60; x <= ecke.x() - 10 - th / 2; ++x)
            links += qGray(bild.pixel(x, y)) < 128;
    EXPECT_GT(links, 10);
}
