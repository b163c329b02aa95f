#pragma once

#include "windows/maps/UZuendung.h"

// The ignition correction map editor: the ignition editor over the second map, reached
// only through the maps menu, where its condition decides whether it is listed.
class TForm_Zuendung_2_corr : public TForm_Zuendung {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Zuendung_2_corr, &TForm::Klasse)

    explicit TForm_Zuendung_2_corr(Kontext& kontext);

    // Where the window stands when it would reach past the screen's right or bottom edge.
    static QPoint Startlage(QRect fenster, QSize bildschirm);

protected:
    void nach_Beschriftung() override;
};
