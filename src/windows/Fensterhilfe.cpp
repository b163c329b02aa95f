#include "windows/Fensterhilfe.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QRect Fenster_auf_Bildschirm(QRect f, QSize bildschirm) {
    if (f.left() < 0)
        f.moveLeft(0);
    if (f.top() < 0)
        f.moveTop(0);
    if (f.left() + f.width() > bildschirm.width())
        f.moveLeft(bildschirm.width() - f.width());
    if (f.top() + f.height() > bildschirm.height())
        f.moveTop(bildschirm.height() - f.height());
    return f;
}

void Form_auf_Bildschirm(QWidget& fenster) {
    const QScreen* screen = fenster.screen() ? fenster.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect r =
        Fenster_auf_Bildschirm(QRect(fenster.pos(), fenster.size()), screen->geometry().size());
    fenster.move(r.topLeft());
}

void Bild_in_Zwischenablage(const QPixmap& bild) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setPixmap(bild);
}
