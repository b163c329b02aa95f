#pragma once

#include "windows/status/Variantenansicht.h"

// The additive-dosing panel: its time, and the integer aux values in its memo.
class Additiv_Logik {
public:
    Anzeige A;
    QStringList Memo;
    void zeige_Additiv_Daten(const Satz& K);
    void zeige_aux_int(const Satz& aux) { Memo = Aux_int_Zeilen(aux); }
};

class TForm_Status_Additiv : public TForm_Variante {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Status_Additiv, &TForm::Klasse)
    explicit TForm_Status_Additiv(Kontext& kontext);
    Additiv_Logik Logik;
};
