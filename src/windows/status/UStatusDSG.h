#pragma once

#include "windows/status/Anzeigetafel.h"
#include "windows/status/UTest_Eingaenge.h"

#include <QString>
#include <cstdint>
#include <optional>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

// The dual-clutch gearbox panel without its window: the record's values as texts, the data
// log read record by record, the state table and the manual set-points.
class DSG_Logik {
public:
    static constexpr int Logspalten = 9;
    static constexpr int Logzeilen = 100;
    static constexpr int Zustandsspalten = 4;
    static constexpr int Zustaende_max = 10;

    DSG_Logik();

    // Gear byte 0..7 by name ("Rückwärts", "neutral", "1. Gang" ...); a byte without a name
    // shows its number.
    static QString Gangname(uint8_t gang);
    // The live record's labels.
    static Anzeigewerte Werte(const Satz& s);
    // A live record whose word 70 is not 0 asks for the data log to be read.
    static bool Log_verlangt(const Satz& s) { return s.u16(70) != 0; }

    // --- data log: idle -> reading -> idle ------------------------------------------------
    // The record to ask for first (0), or nothing while a read is under way.
    std::optional<uint16_t> starte_Log();
    // An answer of the log request: the next record to ask for, or nothing at the end.
    std::optional<uint16_t> nimm_Logsatz(const Satz& antwort);
    // A dropped link ends every request: the read under way will never answer.
    void Verbindung_getrennt() { Log_laeuft = false; }
    uint16_t Log_Zaehler = 0;
    bool Log_laeuft = false;
    Pruefraster Logtabelle;

    // --- state table ------------------------------------------------------------------------
    void nimm_Zustaende(const Satz& z);
    uint32_t letzte_Zustandszeit = 0;
    int naechste_Zustandszeile = 1;
    Pruefraster Zustandstabelle;

    // --- manual control -----------------------------------------------------------------------
    // The edit's text after Enter and the value to send: nothing sent for a text that is no
    // integer or does not fit the 16-bit word, which then shows "0".
    struct Sollwert {
        QString Anzeige;
        std::optional<int> Wert;
    };
    static Sollwert lies_Sollwert(const QString& text);

    // The auxiliary memo's lines.
    QStringList Memo;
    void zeige_Aux_Daten(const Satz& aux) { Memo = Aux_Zeilen(aux); }
};

// The window: labels in four group boxes, the manual panel, the state and data-log tables and
// the auxiliary memo (test mode only).
class TForm_Status_DSG : public TForm_Variante {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Status_DSG, &TForm::Klasse)
    explicit TForm_Status_DSG(Kontext& kontext);
    ~TForm_Status_DSG() override;

    void setze_Handbetrieb(bool an);
    bool Handbetrieb_aktiv = false;

    // Enter in a set-point edit (index 1 X, 2 Y, 3 clutch).
    void Sollwert_eingeben(int index);

    DSG_Logik Logik;
    Wertetafel Tafel;
    QGroupBox* GroupBox_Handbetrieb = nullptr;
    QLineEdit* Edit_X = nullptr;
    QLineEdit* Edit_Y = nullptr;
    QLineEdit* Edit_Kupplung = nullptr;
    QTableWidget* StringGrid = nullptr;
    QTableWidget* StringGrid_Log_data = nullptr;
    QPushButton* Button_Log_Start = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* objekt, QEvent* event) override;

private:
    void schreibe_DSG_Daten();
    void schreibe_log_Daten();
    void schreibe_log_Zustandsdaten();
    void starte_Log_Daten();
    void Button_Log_StartClick();
    void melde(bool sichtbar);

    int breite_ = 0;
    int hoehe_ = 0;
    bool gemeldet_ = false;
};
