#pragma once

#include <QColor>
#include <QPushButton>
#include <QRect>
#include <functional>

// The push button of every window: drawn by the program, so that its face takes a chosen
// colour (by default the colour of the window or panel it sits on) instead of the system's
// button colour. For the user it is a push button, except that a double click counts as
// two presses, as quick clicks on a button are meant to.
class TColorButton : public QPushButton {
    Q_OBJECT
public:
    // The drawing state handed to OnDrawButton.
    static constexpr unsigned Gedrueckt = 1;
    static constexpr unsigned Inaktiv = 4;
    static constexpr unsigned Fokus = 16;

    explicit TColorButton(QWidget* parent = nullptr);
    TColorButton(const QString& text, QWidget* parent);

    // The face colour; an invalid colour follows the parent.
    QColor Color;
    QColor Flaechenfarbe() const;

    // Called after face and caption are drawn: the button, the face rectangle as drawn
    // and the state bits.
    std::function<void(TColorButton&, QPainter&, const QRect&, unsigned)> OnDrawButton;

    // The top left corner of the caption inside the face rectangle r: centred in r, or,
    // disabled, half the free space measured from the button's own corner, so that the
    // grey caption stands slightly up and left.
    static QPoint Beschriftungsort(const QRect& r, QSize text, bool inaktiv);

    // Whether the button is the window's active default button.
    bool ist_aktiv() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void zeichne_Button(QPainter& p, QRect r, unsigned zustand);
};
