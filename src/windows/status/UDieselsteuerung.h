#pragma once

#include "windows/status/Variantenansicht.h"

// The diesel-control panel: the diesel records D and DA.
class Diesel_Logik {
public:
    Anzeige A;
    QStringList Memo;
    void zeige_Diesel_Daten(const Satz& D, const Satz& DA, const Parameterwert& P);
    void zeige_Diesel_Daten_A(const Satz& DA);
    void zeige_Aux_Daten(const Satz& aux) { Memo = Aux_Zeilen(aux); }
};

class TForm_Dieselsteuerung : public TForm_Variante {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Dieselsteuerung, &TForm::Klasse)
    explicit TForm_Dieselsteuerung(Kontext& kontext);
    Diesel_Logik Logik;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void lade_Texte();
};
