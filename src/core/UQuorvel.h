#pragma once

#include "core/TForm.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QWidget;

// The main window: the ECU's identity, the port choice and the online switch. It is the
// first window created, and closing it ends the program.
class TForm_Quorvel : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Quorvel, &TForm::Klasse)

    TForm_Quorvel();

    QLabel* Label_Verbindung_aktiv = nullptr;
    QComboBox* ComboBox_Comport = nullptr;
    QCheckBox* CheckBox_Online = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setze_Beschriftungen();

    struct Zeile {
        QLabel* kopf;
        QLabel* wert;
        int text;
    };
    QGroupBox* GroupBox_Quorvel = nullptr;
    QWidget* Panel_COM = nullptr;
    std::vector<Zeile> zeilen_;
    QLabel* Label_Kopf_Version = nullptr;
    bool gezeigt_ = false;
};
