#pragma once

#include "windows/TForm.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QTableView;
class TColorButton;
class Kontext;
class Logdatenmodell;

// The logger's table: row 0 the headers, then one row per entry, as the answers place them
// by their block numbers; and its text file.
class Logdatentabelle {
public:
    enum Spalte { Nr_abs, Nr_rel_Spalte, Zeit, Code, Wert, Spalten };
    using Zeile = std::array<QString, Spalten>;

    Logdatentabelle();

    int Zeilenzahl() const { return static_cast<int>(Zeilen.size()); }
    const Zeile& zeile(int r) const { return Zeilen[static_cast<size_t>(r)]; }
    // Row count 1: the headers alone.
    void leeren();
    // One answer: block number b (its first entry), n records of 8 bytes.
    void schreibe_Logdaten(uint16_t b, int n, const uint8_t* saetze);

    // The file: a line per row, relative number, time and code; the time always with '.'.
    QStringList Dateizeilen() const;
    // The rows of a file, line k as row k; the time shown with the display's separator.
    void lade(const QStringList& zeilen);

    int Nr_rel = 0;
    // The display's decimal separator.
    QChar Dezimaltrennzeichen = u'.';

private:
    void setze_Zeilenzahl(size_t n);
    std::vector<Zeile> Zeilen;
};

// The logger window without its widgets: reading, aborting, erasing, the file.
class Logdatenlogik {
public:
    // Registers the table's part in the logger chain.
    explicit Logdatenlogik(Kontext& kontext);

    // Empties the table and starts the read from block 0, or aborts it.
    void neu_laden();
    // Erases the logger memory after the user said Yes.
    void Speicher_loeschen();
    bool speichern(const QString& datei);
    bool laden(const QString& datei);
    void schreibe_Logdaten();

    Logdatentabelle Tabelle;
    bool liest = false;
    std::function<void()> geaendert;

private:
    void melde();
    Kontext& k;
};

// The logger data window: the table and its four buttons.
class TForm_Test_Logdaten : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Test_Logdaten, &TForm::Klasse)
    explicit TForm_Test_Logdaten(Kontext& kontext);
    ~TForm_Test_Logdaten() override;

    Logdatenlogik& Logik() { return logik_; }
    void aktualisiere();

    QTableView* StringGrid = nullptr;
    TColorButton* ColorButton_neu_laden = nullptr;
    TColorButton* ColorButton_Speicher_loeschen = nullptr;
    TColorButton* ColorButton_speichern = nullptr;
    TColorButton* ColorButton_laden = nullptr;
    // The open and save dialogs; tests answer them. Empty: cancelled.
    std::function<QString()> OpenDialog_Logdaten;
    std::function<QString()> SaveDialog_Logdaten;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Logdatenlogik logik_;
    Logdatenmodell* modell_ = nullptr;
};
