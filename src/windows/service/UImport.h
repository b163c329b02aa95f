#pragma once

#include "windows/TForm.h"
#include "windows/service/Datenexport.h"
#include "windows/service/Datenimport.h"

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TColorButton;
class TForm_Import_Fortschritt;
class Kontext;

// The data import window: a ".QVD" file's description and header, and the button that
// sends it to the ECU, over Datenimport.
class TForm_Import : public TForm, private Transferansicht {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Import, &TForm::Klasse)
    static constexpr const char* Wert_Datei = "Datei_Import";

    explicit TForm_Import(Kontext& kontext);

    // Reads the named file's header into the window.
    void oeffne_Importdatei();
    void ColorButton_nach_QuorvelClick();
    void ColorButton_abbrechenClick();
    void ColorButton_durchsuchenClick();

    // The open dialog: the chosen file, empty when cancelled. Tests put their own in.
    std::function<QString(const QString& vorschlag)> Dateiwahl;

    Datenimport& Logik() { return logik_; }
    TForm_Import_Fortschritt& Fortschritt() { return *fortschritt_; }

    QLabel* Label_Kopf_Importdatei = nullptr;
    QLineEdit* Edit_Importdatei = nullptr;
    TColorButton* ColorButton_durchsuchen = nullptr;
    QGroupBox* GroupBox_Version = nullptr;
    QLabel* Label_Version = nullptr;
    QLabel* Label_Quorvel_Typ = nullptr;
    QLabel* Label_Hersteller = nullptr;
    QLabel* Label_Typnummer = nullptr;
    QLabel* Label_Datenversion = nullptr;
    QLabel* Label_Passwortnummer = nullptr;
    QLabel* Label_alte_PW_Nr = nullptr;
    QLabel* Label_Beschreibung = nullptr;
    QPlainTextEdit* Memo = nullptr;
    QCheckBox* CheckBox = nullptr;
    TColorButton* ColorButton_nach_Quorvel = nullptr;
    TColorButton* ColorButton_abbrechen = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void verberge_Fenster() override;
    void zeige_Fortschritt(int maximum) override;
    void setze_Maximum(int maximum) override;
    void setze_Position(int position) override;
    void verberge_Fortschritt() override;
    void zeige_Kopf();
    QString frage_Datei(const QString& vorschlag);

    Kontext& k;
    Datenimport logik_;
    TForm_Import_Fortschritt* fortschritt_ = nullptr;
};
