#pragma once

#include "windows/TForm.h"
#include "windows/status/Anzeigetafel.h"

class QPlainTextEdit;
class Kontext;

// The test-box record's labels.
namespace Testbox_Logik {
Anzeigewerte Werte(Satzsicht t);
}

// The test-box panel (ECU type 4): speed, dwell, ignition and injection angles, injection time,
// and the auxiliary memo in test mode.
class TForm_Status_Testbox : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Status_Testbox, &TForm::Klasse)
    explicit TForm_Status_Testbox(Kontext& kontext);
    ~TForm_Status_Testbox() override;

    Wertetafel Tafel;
    QPlainTextEdit* Memo_Aux_daten = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void schreibe_Testbox_Daten();
    void schreibe_Aux_Daten();
    void melde_Aux(bool an);

    Kontext& k;
    bool Aux_gemeldet_ = false;
};
