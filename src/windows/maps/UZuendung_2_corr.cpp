#include "windows/maps/UZuendung_2_corr.h"

#include <QGuiApplication>
#include <QScreen>

TForm_Zuendung_2_corr::TForm_Zuendung_2_corr(Kontext& kontext)
    : TForm_Zuendung(kontext, Zuendvariante::Korrektur(), QStringLiteral("ignition")) {}

QPoint TForm_Zuendung_2_corr::Startlage(QRect fenster, QSize bildschirm) {
    QPoint p = fenster.topLeft();
    if (bildschirm.width() - fenster.width() <= p.x())
        p.setX(bildschirm.width() - fenster.width());
    if (bildschirm.height() - fenster.height() <= p.y())
        p.setY(bildschirm.height() - fenster.height());
    return p;
}

void TForm_Zuendung_2_corr::nach_Beschriftung() {
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(Startlage(QRect(pos(), size()), s->size()));
}
