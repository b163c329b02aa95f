#pragma once

#include "windows/status/UVundel.h"

// The Pilmot engine panel: the Vundel panel's records with four temperatures, one oil pump
// and the fuel pressure.
class Pilmot_Logik : public Motorpanel_Logik {
public:
    static constexpr int Hersteller = 12;
    Pilmot_Logik() : Motorpanel_Logik(Hersteller, true) {}
    void zeige_Vundel_Daten(const Identitaet& id, const Satz& V, const Satz& Ad,
                            const Parameterwert& P);
};

class TForm_Pilmot : public TForm_Motorpanel {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Pilmot, &TForm::Klasse)
    explicit TForm_Pilmot(Kontext& kontext);
    Pilmot_Logik Logik;

private:
    void aktualisiere();
};
