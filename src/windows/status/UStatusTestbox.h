#pragma once

#include "windows/status/Anzeigetafel.h"

// The test-box record's labels and the auxiliary memo's lines.
class Testbox_Logik {
public:
    static Anzeigewerte Werte(const Satz& t);
    QStringList Memo;
    void zeige_Aux_Daten(const Satz& aux) { Memo = Aux_Zeilen(aux); }
};

// The test-box panel (ECU type 4): speed, dwell, ignition and injection angles, injection time,
// and the auxiliary memo in test mode.
class TForm_Status_Testbox : public TForm_Variante {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Status_Testbox, &TForm::Klasse)
    explicit TForm_Status_Testbox(Kontext& kontext);

    Testbox_Logik Logik;
    Wertetafel Tafel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void schreibe_Testbox_Daten();
};
