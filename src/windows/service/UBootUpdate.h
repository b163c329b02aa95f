#pragma once

#include "windows/TForm.h"

#include <cstdint>
#include <memory>

class TColorButton;
class Kontext;
class Meldung_nach_Tick;

// The boot-loader update: tells the ECU to update its own boot loader and reports its
// verdict. The main window shows it while the ECU reports type 8 (its boot loader).
class TForm_Boot_update : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Boot_update, &TForm::Klasse)
    explicit TForm_Boot_update(Kontext& kontext);
    ~TForm_Boot_update() override;

    // The language text of a status answer.
    static int Text_zu_Status(int16_t status);

    void ColorButton_updateClick();
    // Tells the verdict once the link's tick is over.
    void zeige_Ergebnis(int16_t status);

    TColorButton* ColorButton_update = nullptr;

private:
    Kontext& k;
    std::unique_ptr<Meldung_nach_Tick> nachricht_;
};
