#pragma once

#include "windows/status/Variantenansicht.h"

// The Kvarendol engine's panel: its own record, for type number 2 only.
class Kvarendol_Logik {
public:
    Anzeige A;
    QStringList Memo;
    void zeige_Kvarendol_Daten(const Identitaet& id, const Satz& K);
    void zeige_Aux_Daten(const Satz& aux) { Memo = Aux_Zeilen(aux); }
};

class TForm_Kvarendol : public TForm_Variante {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Kvarendol, &TForm::Klasse)
    explicit TForm_Kvarendol(Kontext& kontext);
    Kvarendol_Logik Logik;
};
