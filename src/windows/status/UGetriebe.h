#pragma once

#include "windows/status/Variantenansicht.h"

// The automatic-gearbox panel.
class Getriebe_Logik {
public:
    Anzeige A;
    QStringList Memo;
    void zeige_Getriebe_Daten(const Satz& G);
    void zeige_Aux_Daten(const Satz& aux) { Memo = Aux_Zeilen(aux); }
    // A gear's name; a gear byte the table does not name shows its number.
    static QString Gang(int8_t gang);
};

class TForm_Getriebe : public TForm_Variante {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Getriebe, &TForm::Klasse)
    explicit TForm_Getriebe(Kontext& kontext);
    Getriebe_Logik Logik;
};
