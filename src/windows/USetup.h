#pragma once

#include "model/UQuorveldata.h"
#include "windows/TForm.h"

#include <QComboBox>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class TColorButton;
class Kontext;

// A combo box that tells before it opens its list, so that the list can be refilled.
class Aufklappliste : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> beim_Aufklappen;
    void showPopup() override {
        if (beim_Aufklappen)
            beim_Aufklappen();
        QComboBox::showPopup();
    }
};

// One ECU software variant found as a description file in the language folder.
struct cl_Standard_Quorvel_Software {
    QString Dateiname; // as named in the folder, with extension
    QString Praefix;   // "T-" or "QORV"
    int ECU_Typ = 0;
    int Hersteller = 0;
    int Typnummer = 0;
    int Version = 0;
};

// One hardware model of the ECU family.
struct Hardwaremodell_Zeile {
    const char* Name;
    int Hardware_Nr;
    int Hardware_Typnummer;
    uint8_t ECU_Typen; // bit t = ECU type t allowed
};

// The interface setup: the hardware and ECU software assumed without an ECU, the CAN bus
// settings and the relay port, kept in the registry.
class TForm_Setup : public TForm, public Offline_Auswahl {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Setup, &TForm::Klasse)

    static constexpr int Modelle = 8;
    static const std::array<Hardwaremodell_Zeile, Modelle> Hardwaretabelle;
    static constexpr uint32_t Identifier_Max = 0x1FFFFFFF;

    explicit TForm_Setup(Kontext& kontext);
    ~TForm_Setup() override;

    void lies_Registry();
    void schreibe_Registry();
    void lies_Softwareliste();
    void fuelle_Softwareliste();
    void setze_Software(const QString& dateiname);
    void lies_Schnittstelle();

    QString Software_Dateiname() const override;
    int Hardwaremodell() const override { return Hardware_Modell; }

    // The variants of a language folder that fit hardware model modell, sorted by name.
    static std::vector<cl_Standard_Quorvel_Software> finde_Software(const QString& ordner,
                                                                    int modell);
    // The combo item of a variant.
    static QString Eintrag(const cl_Standard_Quorvel_Software& s);
    // An identifier edit's text as a 29-bit identifier.
    static uint32_t lies_Identifier(const QString& text);

    // User actions.
    void ComboBox_HardwareChange(int index);
    void ComboBox_SoftwareChange(int index);
    void ComboBox_CAN_BaudrateChange(int index);
    void Edit_CAN_Sende_IdentifierExit();
    void Edit_CAN_Empfangs_IdentifierExit();
    void CheckBox_BT_OnlineClick();
    void ComboBox_BT_Relais_Com_NrChange(int index);
    void Button_OKClick();

    int Relais_Port = -1;
    std::vector<cl_Standard_Quorvel_Software> Softwareliste;
    std::optional<cl_Standard_Quorvel_Software> Software;
    int Hardware_Modell = 6;
    uint8_t ECU_Typen = 0;
    int Hardware_Nr = 0;
    int Hardware_Typnummer = 0;
    int CAN_Baudrate_Index = 1;
    uint32_t CAN_Sende_Identifier = 0x1FFFFFFE;
    uint32_t CAN_Empfangs_Identifier = 0x1FFFFFFF;

    Aufklappliste* ComboBox_Hardware = nullptr;
    Aufklappliste* ComboBox_Software = nullptr;
    QLabel* Label_Standard_Quorvel_HardwareTyp = nullptr;
    QLabel* Label_Standard_Quorvel_Software = nullptr;
    QLabel* Label_Kopf_CAN_Baudrate = nullptr;
    QComboBox* ComboBox_CAN_Baudrate = nullptr;
    QLabel* Label_Kopf_CAN_Sende_Identifier = nullptr;
    QLineEdit* Edit_CAN_Sende_Identifier = nullptr;
    QLabel* Label_Kopf_CAN_Empfangs_Identifier = nullptr;
    QLineEdit* Edit_CAN_Empfangs_Identifier = nullptr;
    QLabel* Label_Kopf_BT_Relais = nullptr;
    QComboBox* ComboBox_BT_Relais_Com_Nr = nullptr;
    QCheckBox* CheckBox_BT_Online = nullptr;
    TColorButton* Button_OK = nullptr;

private:
    Kontext& k;
    void uebernimm_Modell(int modell);
    // Switches the relay's port; false when it stays closed.
    bool Relais_oeffnen(int port, bool an);
    void melde_CAN_Setup();
    void fuelle_Hardware();
};
