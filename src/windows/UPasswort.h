#pragma once

#include "windows/TForm.h"

#include <cstdint>

class QLabel;
class QLineEdit;
class Kontext;
class TColorButton;

// The password window: entering the password the ECU checks, or setting a new one with its
// number. Hidden, never destroyed; the operation that opens it sets its mode.
class TForm_Passwort : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Passwort, &TForm::Klasse)

    // Longer passwords do not fit the ECU's buffer: the edits take no more.
    static constexpr int Maximallaenge = 10;

    explicit TForm_Passwort(Kontext& kontext);

    void zeige_Eingabe();
    void zeige_Aendern();
    // The number the ECU answered.
    void zeige_Passwort_Nr(uint16_t nummer);

    void Button_OKClick();
    void Button_abbrechenClick();

    // 0 input, 1 change.
    int Modus = 0;
    uint16_t Passwort_Nr = 0;

    QLabel* Label_Kopf = nullptr;
    QLineEdit* Edit_Passwort = nullptr;
    QLabel* Label_Passwort_wiederholen = nullptr;
    QLineEdit* Edit_Passwort_wiederholen = nullptr;
    QLabel* Label_Passwort_Nr = nullptr;
    QLabel* Label_PW_Nummer = nullptr;
    QLineEdit* Edit_Passwort_Nr = nullptr;
    QLabel* Label_Passwort_Nr_Bereich = nullptr;
    TColorButton* Button_OK = nullptr;
    TColorButton* Button_abbrechen = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Kontext& k;
};
