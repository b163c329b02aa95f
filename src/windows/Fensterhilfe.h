#pragma once

#include <QPixmap>
#include <QRect>
#include <QSize>

class QWidget;

// What every window does with itself on the desktop.

// Moves a window inside a screen of the given size (left and top rules before right and
// bottom, so a window larger than the screen ends at a negative position).
QRect Fenster_auf_Bildschirm(QRect fenster, QSize bildschirm);
void Form_auf_Bildschirm(QWidget& fenster);
void Bild_in_Zwischenablage(const QPixmap& bild);
