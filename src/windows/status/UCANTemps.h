#pragma once

#include "windows/TForm.h"
#include "windows/status/Anzeigetafel.h"
#include "windows/status/UTest_Eingaenge.h"

class QLabel;
class QTableWidget;
class Kontext;

// The eight extra temperatures the ECU receives over CAN, in a grid of number and value.
class CAN_Temps_Logik {
public:
    CAN_Temps_Logik();
    // A temperature below -100 is a sensor the ECU does not receive.
    static QString Temperatur(int16_t wert);
    void schreibe(const Satz& k);

    Pruefraster Raster;
};

class TForm_CAN_Temps : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_CAN_Temps, &TForm::Klasse)
    explicit TForm_CAN_Temps(Kontext& kontext);
    ~TForm_CAN_Temps() override;

    CAN_Temps_Logik Logik;
    QLabel* Label_Name = nullptr;
    QTableWidget* StringGrid = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void schreibe_Temperaturen();
    void melde(bool an);
    void zeige_Raster();

    Kontext& k;
    bool gemeldet_ = false;
};
