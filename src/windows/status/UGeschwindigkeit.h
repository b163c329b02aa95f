#pragma once

#include "windows/status/Variantenansicht.h"

// The wheel-speed panel.
class Radgeschwindigkeit_Logik {
public:
    Anzeige A;
    void zeige_Radgeschwindigkeiten(const Satz& B, const Parameterwert& P);
    // A value in half gears: 5 shows 2.5, -1 shows -0.5.
    static QString Halbgang(int16_t wert);
};

class TForm_Wheel_speed : public TForm_Variante {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Wheel_speed, &TForm::Klasse)
    explicit TForm_Wheel_speed(Kontext& kontext);
    Radgeschwindigkeit_Logik Logik;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The headings in the current language.
    void lade_Texte();
};
