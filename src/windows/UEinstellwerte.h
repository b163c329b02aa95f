#pragma once

#include "windows/Einstellwerte.h"
#include "windows/TForm.h"

class Kontext;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QTableWidget;
class QPushButton;
class TColorButton;

// The settings editor: the parameter groups on the left, the chosen group's active
// parameters in a table whose last column takes the edited value, the help lines below.
// Everything it shows and does is the logic's and the parameter set's.
class TForm_Einstellwerte : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Einstellwerte, &TForm::Klasse)

    explicit TForm_Einstellwerte(Kontext& kontext);

    QListWidget* ListBox_Gruppe = nullptr;
    QTableWidget* StringGrid = nullptr;
    QPlainTextEdit* Memo = nullptr;
    QLabel* Label_EW_Gruppe = nullptr;
    QLabel* Label_EW_Einstellwert = nullptr;
    QLabel* Label_EW_Kommentar = nullptr;
    QPushButton* Button_von_Quorvel_laden = nullptr;
    QPushButton* Button_nach_Quorvel_senden = nullptr;
    QPushButton* Button_speichern = nullptr;
    QPushButton* Button_laden = nullptr;
    QPushButton* Button_Drucken = nullptr;
    TColorButton* ColorButton_in_CSV_Datei_speichern = nullptr;

    Einstellwerte& Logik() { return logik_; }

    void Parameter_anzeigen();
    // Commits what the current row's last cell holds.
    void uebernehme_Eingabe();

    void Button_von_Quorvel_ladenClick();
    void Button_nach_Quorvel_sendenClick();
    void Button_speichernClick();
    void Button_ladenClick();
    void Button_DruckenClick();
    void ColorButton_in_CSV_Datei_speichernClick();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* objekt, QEvent* event) override;

private:
    void zeige_Tabelle();
    void zeige_Gruppen();

    Kontext& k;
    Einstellwerte logik_;
    bool fuellt_ = false;
};
