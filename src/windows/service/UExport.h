#pragma once

#include "windows/TForm.h"
#include "windows/service/Datenexport.h"

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TColorButton;
class TForm_Export_Fortschritt;
class Kontext;

// The data export window: file, description and the password block, over Datenexport.
class TForm_Export : public TForm, private Transferansicht {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Export, &TForm::Klasse)
    static constexpr const char* Wert_Datei = "Datei_Export";

    explicit TForm_Export(Kontext& kontext);

    // The main menu's item.
    void zeige();
    // Lays the window out by whether the ECU accepted a password and shows it; also what a
    // read password number sets off while the window is in use.
    void FormShow();

    void ColorButton_speichernClick();
    void ColorButton_abbrechenClick();
    void ColorButton_durchsuchenClick();

    // The save dialog: the chosen file, empty when cancelled. Tests put their own in.
    std::function<QString(const QString& vorschlag)> Dateiwahl;

    Datenexport& Logik() { return logik_; }
    TForm_Export_Fortschritt& Fortschritt() { return *fortschritt_; }

    QLabel* Label_Kopf_Exportdatei = nullptr;
    QLineEdit* Edit_Exportdatei = nullptr;
    TColorButton* ColorButton_durchsuchen = nullptr;
    QCheckBox* CheckBox_Passwort_neu = nullptr;
    QLineEdit* Edit_Passwort_neu = nullptr;
    QLabel* Label_Passwortnummer = nullptr;
    QLineEdit* Edit_Passwortnummer = nullptr;
    QLabel* Label_Passwortnummer_Bereich = nullptr;
    QLabel* Label_alte_Passwoerter = nullptr;
    QLabel* Label_alte_Passwortnr = nullptr;
    QLineEdit* Edit_PW_1 = nullptr;
    QLineEdit* Edit_PW_2 = nullptr;
    QLineEdit* Edit_PW_3 = nullptr;
    QLineEdit* Edit_PW_Nr_1 = nullptr;
    QLineEdit* Edit_PW_Nr_2 = nullptr;
    QLineEdit* Edit_PW_Nr_3 = nullptr;
    QLabel* Label_Beschreibung = nullptr;
    QPlainTextEdit* Memo = nullptr;
    TColorButton* ColorButton_speichern = nullptr;
    TColorButton* ColorButton_abbrechen = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void verberge_Fenster() override;
    void zeige_Fortschritt(int maximum) override;
    void setze_Maximum(int maximum) override;
    void setze_Position(int position) override;
    void verberge_Fortschritt() override;
    QString frage_Datei(const QString& vorschlag);
    void setze_Passwortblock(bool sichtbar);
    // The old passwords and their numbers, line by line.
    std::array<QLineEdit*, 3> alte_Passwoerter() const { return {Edit_PW_1, Edit_PW_2, Edit_PW_3}; }
    std::array<QLineEdit*, 3> alte_Nummern() const {
        return {Edit_PW_Nr_1, Edit_PW_Nr_2, Edit_PW_Nr_3};
    }

    Kontext& k;
    Datenexport logik_;
    TForm_Export_Fortschritt* fortschritt_ = nullptr;
};
