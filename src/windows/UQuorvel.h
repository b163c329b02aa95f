#pragma once

#include "windows/TForm.h"
#include "windows/Variantenregeln.h"

#include <QByteArray>
#include <QRect>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenuBar;
class QWidget;
class Kontext;
class Kennfeldmenue;
class TForm_Kopieren;

// The main window: the ECU's identity, the port choice and the online switch. It is the
// first window created, takes the link online at its first showing, adapts the other
// windows and the menus to the ECU whenever the identity or the parameters arrive, and
// writes the window layout file "Start.INI" when it closes, which ends the program.
class TForm_Quorvel : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Quorvel, &TForm::Klasse)

    explicit TForm_Quorvel(Kontext& kontext);
    ~TForm_Quorvel() override;

    void CheckBox_OnlineClick();
    void ComboBox_ComportChange();
    void Verbindung_aktiv();
    void Verbindung_inaktiv();
    // Shows the identity, shows or hides the windows of the ECU's variant, refreshes the
    // menus.
    void zeige_ECU_Daten();
    // Recomputes the menu items' states and applies them to the items there are.
    void aktualisiere_Menues();
    // The engine-name line shows the current engine name.
    void zeige_Motorname();
    void speichere_Start_INI();

    // The number a port item stands for: characters 4 and 5 read as a decimal number.
    static int Portnummer(const QString& eintrag);
    // The version as shown: "6.15 Rev.: 3, 15.11.2017".
    static QString Versionstext(unsigned version, unsigned revision, const QString& datum);

    // A visible window's place in the layout file.
    struct Fensterlage {
        QString Abschnitt;
        QRect Rahmen;
    };
    // The visible windows' places, in the layout file's order.
    std::vector<Fensterlage> Fensterlagen() const;
    // The layout file made from the old one: its "Telemetry" section kept, the engine name,
    // then the places.
    static QByteArray Start_INI(const QByteArray& alt, const QString& motorname,
                                const std::vector<Fensterlage>& lagen);

    // The menu items' states as last computed, by item name; items not named keep theirs.
    const std::map<QString, Menuezustand>& Menuepunkte() const { return menuepunkte_; }
    Menuezustand Menuepunkt(const QString& name) const;

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

    // The main menu. Its items and submenus carry the object names the variant rules and the
    // maps menu ("Kennfelder") find them by.
    QMenuBar* MainMenu = nullptr;
    // The backup window's print instance, made at the first showing; the window list owns it.
    TForm_Kopieren* Form_Kopieren_Druck = nullptr;
    // What its items do. Gated items pass the password gate before they get here.
    void Menu_MotornameClick();
    void Menu_DatenexportClick();
    void Menu_DatenimportClick();
    void EndeClick();
    void EinstellwerteClick();
    void StatusClick();
    void Duesenschaltzeit_messenClick();
    void LeistungsmessungClick();
    void estLogdaten1Click();
    void Menu_DrehzahltestClick();
    void Menu_Test_AnalogeingaengeClick();
    void Menu_Test_DigitaleingaengeClick();
    void Menu_Test_DigitalausgaengeClick();
    void Menu_CAN_ZsuatztemperaturenClick();
    void Status_DSGClick();
    void Status_TestboxClick();
    void SpeicherClick();
    void Menu_SystemdatenClick();
    void Menu_MerkerClick();
    void ins_Flash_sichernClick();
    void Flash_0_loeschenClick();
    void Flash_1_loeschenClick();
    void Menu_Loggerflash_loeschenClick();
    void Menu_Betriebszeit_loeschenClick();
    void Passwort_eingebenClick();
    void Passwort_aendernClick();
    void Menu_E_Gas_kalibrierenClick();
    void Menu_FernwartungClick();
    void Fehler_u_Schaltausgaenge_definierenClick();
    void Fehler_anzeigenClick();
    void Menu_druckenClick();
    void Menu_DatensicherungClick();
    void Menu_VersionClick();
    void Programm_updateClick();
    void Menu_SetupClick();
    void HilfeClick();
    // The variant live-data windows.
    void Wenzik_Vundel_DatenClick();
    void Pilmot_StatusClick();
    void Menu_Status_DieselsteuerungClick();
    void Status_Dranel_KerosinClick();
    void Status_AdditivsteuerungClick();
    void Menu_Status_KvarendolClick();
    void Menu_NockenwellenverstellungClick();
    void Menu_Tamvik_KorrClick();
    void Menu_GeschwindigkeitenClick();
    void Menu_Diesel_Test_BolvinarClick();
    void Test_AuxdatenClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Kontext& k;
    void FormShow();
    void setze_Beschriftungen();
    void zeige_Zeile(QLabel* wert, bool an);
    // The data line: the data version bytes, or on an ECU with its parameters in data
    // items the four data-version parameters.
    void zeige_Datenversion();
    Kennung Kennung_ECU() const;
    TForm* Fenster_namens(const char* klasse) const;
    void wende_Fensterregeln_an();
    void wende_Menuepunkte_an();
    void passe_Breite_an_Menue();
    // Builds the menu bar over the window's client area, which it returns.
    QWidget* erstelle_Hauptmenue();
    void beschrifte_Hauptmenue();
    // Shows a window of the list, or brings it to the front.
    void zeige_Fenster(const char* klasse);

    struct Zeile {
        QLabel* kopf;
        QLabel* wert;
        int text;
    };
    QGroupBox* GroupBox_Quorvel = nullptr;
    QWidget* Panel_COM = nullptr;
    std::vector<Zeile> zeilen_;
    QLabel* Label_Kopf_Version = nullptr;
    std::map<QString, Menuezustand> menuepunkte_;
    std::unique_ptr<Kennfeldmenue> kennfeldmenue_;
    bool gezeigt_ = false;
};
