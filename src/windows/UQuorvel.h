#pragma once

#include "windows/TForm.h"

#include <QString>
#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QWidget;
class Kontext;

// The main window: the ECU's identity, the port choice and the online switch. It is the
// first window created, and closing it ends the program.
class TForm_Quorvel : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Quorvel, &TForm::Klasse)

    explicit TForm_Quorvel(Kontext& kontext);

    void CheckBox_OnlineClick();
    void ComboBox_ComportChange();
    void Verbindung_aktiv();
    void Verbindung_inaktiv();
    void zeige_ECU_Daten();
    // The engine-name line shows the current engine name.
    void zeige_Motorname();

    // The number a port item stands for: characters 4 and 5 read as a decimal number.
    static int Portnummer(const QString& eintrag);
    // The version as shown: "6.15 Rev.: 3, 15.11.2017".
    static QString Versionstext(unsigned version, unsigned revision, const QString& datum);

    QLabel* Label_Motorname = nullptr;
    QLabel* Label_Version = nullptr;
    QLabel* Label_Datenversion = nullptr;
    QLabel* Label_Seriennummer = nullptr;
    QLabel* Label_Quorvel_Typ = nullptr;
    QLabel* Label_Hersteller = nullptr;
    QLabel* Label_Typnummer = nullptr;
    QLabel* Label_Hardware_Typ = nullptr;
    QLabel* Label_Bootloader_Nr = nullptr;
    QLabel* Label_Verbindung_aktiv = nullptr;
    QComboBox* ComboBox_Comport = nullptr;
    QCheckBox* CheckBox_Online = nullptr;

    // Whether the identity line of a value label is shown (heading and value together).
    bool Zeile_sichtbar(const QLabel* wert) const;

    // The data version of an ECU with the data-item protocol, from its parameters; filled
    // in by the parameter set.
    std::function<QString()> Datenversion_Datenelemente;
    // Recomputes the menus; filled in by the main menu.
    std::function<void()> aktualisiere_Menues;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Kontext& k;
    void FormShow();
    void setze_Beschriftungen();
    void zeige_Zeile(QLabel* wert, bool an);

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
