#pragma once

#include "windows/status/Variantenansicht.h"

// The Bolvinar variant's diesel panel: both records through one handler, while shown.
class Bolvinar_Logik {
public:
    Anzeige A;
    void zeige_Diesel_Daten(const Satz& D, const Satz& DA);
};

class TForm_Bolvinar : public TForm_Variante {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Bolvinar, &TForm::Klasse)
    explicit TForm_Bolvinar(Kontext& kontext);
    Bolvinar_Logik Logik;

private:
    void zeige_Diesel_Daten();
};
