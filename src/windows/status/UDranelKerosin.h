#pragma once

#include "windows/status/Variantenansicht.h"

// The kerosene-injection panel.
class Kerosin_Logik {
public:
    Anzeige A;
    QStringList Memo;
    void zeige_Kerosin_Daten(const Satz& K);
    void zeige_Aux_Daten(const Satz& aux) { Memo = Aux_Zeilen(aux); }
};

class TForm_Dranel_Kerosin : public TForm_Variante {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Dranel_Kerosin, &TForm::Klasse)
    explicit TForm_Dranel_Kerosin(Kontext& kontext);
    Kerosin_Logik Logik;

protected:
    void showEvent(QShowEvent* event) override;

private:
    int breite_ohne_Memo_ = 0;
};
