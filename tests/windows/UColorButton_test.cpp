#include "windows/UColorButton.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

void sende(QWidget& w, QEvent::Type typ, const QPoint& p) {
    QMouseEvent e(typ, p, w.mapToGlobal(p), Qt::LeftButton,
                  typ == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

// The box around the caption's pixels: those far from the face colour inside the frame.
QRect Beschriftung(TColorButton& b) {
    const QImage bild = b.grab().toImage();
    const QColor flaeche = b.Flaechenfarbe();
    QRect box;
    for (int y = 3; y < bild.height() - 3; ++y)
        for (int x = 3; x < bild.width() - 3; ++x) {
            const QColor c = bild.pixelColor(x, y);
            if (std::abs(qGray(c.rgb()) - qGray(flaeche.rgb())) > 40)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

} // namespace

TEST(ColorButton, ADoubleClickCountsAsTwoPresses) {
    QWidget fenster;
    TColorButton b("OK", &fenster);
    b.setGeometry(10, 10, 75, 25);
    fenster.show();
    QSignalSpy klicks(&b, &QPushButton::clicked);
    const QPoint mitte(37, 12);
    // What a double click delivers: press, release, double click, release.
    sende(b, QEvent::MouseButtonPress, mitte);
    sende(b, QEvent::MouseButtonRelease, mitte);
    sende(b, QEvent::MouseButtonDblClick, mitte);
    sende(b, QEvent::MouseButtonRelease, mitte);
    EXPECT_EQ(klicks.count(), 2);
}

TEST(ColorButton, TheDisabledCaptionIsPlacedFromTheButtonsCorner) {
    struct Fall {
        QRect r;
        QSize text;
        bool inaktiv;
        QPoint ort;
    };
    // A 75 x 25 button: the face inside the raised frame is (2, 2) to (72, 22).
    for (const Fall& f : {Fall{QRect(2, 2, 71, 21), QSize(30, 13), false, QPoint(22, 6)},
                          Fall{QRect(2, 2, 71, 21), QSize(30, 13), true, QPoint(20, 4)},
                          Fall{QRect(3, 3, 69, 19), QSize(31, 14), true, QPoint(19, 2)},
                          Fall{QRect(2, 2, 20, 21), QSize(31, 13), true, QPoint(-5, 4)}})
        EXPECT_EQ(TColorButton::Beschriftungsort(f.r, f.text, f.inaktiv), f.ort)
            << f.r.x() << " " << f.text.width() << " " << f.inaktiv;

    // Drawn: the grey caption stands two pixels up and left of the enabled one.
    QWidget fenster;
    TColorButton b("Cancel", &fenster);
    b.setGeometry(0, 0, 75, 25);
    fenster.show();
    const QRect an = Beschriftung(b);
    b.setEnabled(false);
    const QRect aus = Beschriftung(b);
    ASSERT_FALSE(an.isEmpty());
    ASSERT_FALSE(aus.isEmpty());
    EXPECT_NEAR(an.left() - aus.left(), 2, 1);
    EXPECT_NEAR(an.top() - aus.top(), 2, 1);
}

TEST(ColorButton, TheFaceTakesItsColourOrTheParents) {
    QWidget fenster;
    QPalette p = fenster.palette();
    p.setColor(QPalette::Window, QColor(192, 192, 192));
    fenster.setPalette(p);
    TColorButton b("X", &fenster);
    b.setGeometry(0, 0, 75, 25);
    fenster.show();
    EXPECT_EQ(b.grab().toImage().pixelColor(5, 5), QColor(192, 192, 192));
    b.Color = QColor(0, 128, 0);
    b.update();
    EXPECT_EQ(b.grab().toImage().pixelColor(5, 5), QColor(0, 128, 0));
}

TEST(ColorButton, APressedButtonIsFlatWithFaceAndCaptionOnePixelDownRight) {
    QWidget fenster;
    TColorButton b("Save", &fenster);
    b.setGeometry(0, 0, 75, 25);
    fenster.show();
    std::vector<std::pair<QRect, unsigned>> gezeichnet;
    b.OnDrawButton = [&](TColorButton&, QPainter&, const QRect& r, unsigned zustand) {
        gezeichnet.emplace_back(r, zustand);
    };
    const QRect oben = Beschriftung(b);
    const QImage hoch = b.grab().toImage();
    b.setDown(true);
    const QRect unten = Beschriftung(b);
    const QImage gedrueckt = b.grab().toImage();
    EXPECT_EQ(unten.topLeft() - oben.topLeft(), QPoint(1, 1));
    // Raised: a light edge at the top left; pressed: a shadow line, the face moved over its
    // bottom and right part.
    EXPECT_EQ(hoch.pixel(0, 0), b.palette().color(QPalette::Light).rgb());
    EXPECT_EQ(gedrueckt.pixel(0, 0), b.palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(gedrueckt.pixel(74, 0), b.palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(gedrueckt.pixel(0, 24), b.palette().color(QPalette::Dark).rgb());
    ASSERT_GE(gezeichnet.size(), 2u);
    EXPECT_EQ(gezeichnet.front(), std::make_pair(QRect(2, 2, 71, 21), 0u));
    EXPECT_EQ(gezeichnet.back(), std::make_pair(QRect(2, 2, 73, 23), TColorButton::Gedrueckt));
}
