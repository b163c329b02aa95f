#pragma once

#include "windows/TForm.h"
#include "windows/service/Kopierlogik.h"

class QCheckBox;
class QLabel;
class QListWidget;
class Kontext;
class TColorButton;

// The backup window: the items to copy, the parameter-set box and the buttons that copy
// from the ECU into files, from the files into the ECU, or print. A second instance opens
// in print mode. What the buttons do and show is decided by its logic.
class TForm_Kopieren : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Kopieren, &TForm::Klasse)

    explicit TForm_Kopieren(Kontext& kontext);

    Kopierlogik& Logik() { return logik_; }
    const Kopierlogik& Logik() const { return logik_; }

    // Shows the window in print mode.
    void zeige_Drucken();
    void FormShow();
    void check_Buttons();

    void Button_alles_anwaehlenClick();
    void Button_alles_abwaehlenClick();
    void CheckBox_alle_KennfelderClick();
    void ListBoxClick();
    void CheckBox_EinstellwerteClick();

    QListWidget* ListBox = nullptr;
    QCheckBox* CheckBox_Einstellwerte = nullptr;
    QCheckBox* CheckBox_alle_Kennfelder = nullptr;
    QLabel* Label_Kopf_Kennfelder = nullptr;
    QLabel* Label_Kopf_Ordner = nullptr;
    QLabel* Label_Ordner = nullptr;
    TColorButton* Button_alles_anwaehlen = nullptr;
    TColorButton* Button_alles_abwaehlen = nullptr;
    TColorButton* Button_Quorvel_Datei = nullptr;
    TColorButton* Button_Datei_Quorvel = nullptr;
    TColorButton* ColorButton_Drucken = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The list box and the box follow the logic's list and choice.
    void zeige_Auswahl();

    Kontext& k;
    Kopierlogik logik_;
    // While the list box is filled its selection changes are not the user's.
    bool fuellt_ = false;
};
