#pragma once

#include "windows/status/Variantenansicht.h"

// The camshaft-phasing panel: record A or B by the identity.
class Nockenwelle_Logik {
public:
    Anzeige A;
    // Record B for hardware 301 to 499, or manufacturer 2 from version 5.21 on.
    static bool nimmt_B(const Identitaet& id);
    // Each handler leaves the labels alone when its record is not the chosen one.
    void zeige_akt_Daten_A(const Identitaet& id, const Satz& Ad);
    void zeige_akt_Daten_B(const Identitaet& id, const Satz& B);

private:
    void zeige(const Satz& s, int einlass, int auslass);
};

class TForm_Nockenwelle : public TForm_Variante {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Nockenwelle, &TForm::Klasse)
    explicit TForm_Nockenwelle(Kontext& kontext);
    Nockenwelle_Logik Logik;
};
