#include "windows/UColorButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

namespace {

// One-pixel edges of a raised push-button frame, outer and inner ring.
void Rahmen(QPainter& p, const QRect& r, const QColor& obenLinks, const QColor& untenRechts) {
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), obenLinks);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), obenLinks);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), untenRechts);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), untenRechts);
}

} // namespace

TColorButton::TColorButton(QWidget* parent) : QPushButton(parent) {}

TColorButton::TColorButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

QColor TColorButton::Flaechenfarbe() const {
    if (Color.isValid())
        return Color;
    const QWidget* eltern = parentWidget();
    return (eltern ? eltern : this)->palette().color(QPalette::Window);
}

bool TColorButton::ist_aktiv() const {
    // A button with the focus is the one that Enter presses, as is the default button.
    return isDefault() || hasFocus();
}

QPoint TColorButton::Beschriftungsort(const QRect& r, QSize text, bool inaktiv) {
    if (inaktiv)
        return {(r.width() - text.width()) / 2, (r.height() - text.height()) / 2};
    return {r.left() + (r.width() - text.width()) / 2, r.top() + (r.height() - text.height()) / 2};
}

void TColorButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second click of a double click is a press of its own.
    mousePressEvent(event);
}

void TColorButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    unsigned zustand = 0;
    if (isDown())
        zustand |= Gedrueckt;
    if (!isEnabled())
        zustand |= Inaktiv;
    if (hasFocus())
        zustand |= Fokus;
    zeichne_Button(p, rect(), zustand);
}

void TColorButton::zeichne_Button(QPainter& p, QRect r, unsigned zustand) {
    const QPalette& pal = palette();
    const QRect o = r;
    const bool gedrueckt = zustand & Gedrueckt;
    const bool fokus = zustand & Fokus;
    const bool inaktiv = zustand & Inaktiv;
    const bool aktiv = ist_aktiv();

    if (aktiv || fokus) {
        Rahmen(p, r, pal.color(QPalette::WindowText), pal.color(QPalette::WindowText));
        r.adjust(1, 1, -1, -1);
    }
    if (gedrueckt) {
        // Flat: a shadow line around the face.
        Rahmen(p, r, pal.color(QPalette::Dark), pal.color(QPalette::Dark));
        r.adjust(1, 1, -1, -1);
        p.fillRect(r, pal.color(QPalette::Button));
        r.translate(1, 1);
    } else {
        Rahmen(p, r, pal.color(QPalette::Light), pal.color(QPalette::Shadow));
        r.adjust(1, 1, -1, -1);
        Rahmen(p, r, pal.color(QPalette::Midlight), pal.color(QPalette::Dark));
        r.adjust(1, 1, -1, -1);
    }
    p.fillRect(r, Flaechenfarbe());

    p.setFont(font());
    const QFontMetrics fm(font());
    const QString beschriftung = text();
    const QSize groesse(fm.horizontalAdvance(beschriftung), fm.height());
    if (inaktiv) {
        // Embossed: a light copy one pixel down and right under the grey caption.
        const QPoint ort = Beschriftungsort(r, groesse, true);
        p.setPen(pal.color(QPalette::Light));
        p.drawText(QRect(ort + QPoint(1, 1), groesse), Qt::AlignLeft | Qt::AlignTop, beschriftung);
        p.setPen(pal.color(QPalette::Dark));
        p.drawText(QRect(ort, groesse), Qt::AlignLeft | Qt::AlignTop, beschriftung);
    } else {
        p.setPen(pal.color(QPalette::ButtonText));
        p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, beschriftung);
    }

    if (OnDrawButton)
        OnDrawButton(*this, p, r, zustand);

    if (aktiv && fokus) {
        QPen punkte(pal.color(QPalette::WindowText), 1, Qt::DotLine);
        p.setPen(punkte);
        p.setBrush(Qt::NoBrush);
        p.drawRect(o.adjusted(4, 4, -5, -5));
    }
}
