#pragma once

#include "windows/TForm.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QTableWidget;
class Kontext;
class cl_COM_data;

// What picks an input or output table: the hardware major number (the setup's model while
// offline), the ECU type, the manufacturer and the type number.
struct Pruefvariante {
    int Hardware = 0;
    int ECU_Typ = 0;
    int Hersteller = 0;
    int Typnummer = 0;
};

// A string grid's cells: row 0 the headers, rows 1 ... the data. Cells outside the grid
// read empty and take no value.
class Pruefraster {
public:
    explicit Pruefraster(int spalten, int zeilen);
    int Zeilen() const { return static_cast<int>(zellen_.size()); }
    int Spalten() const { return spalten_; }
    // A grid that grows gets empty rows; one that shrinks drops its last rows.
    void setze_Zeilen(int zeilen);
    const QString& Zelle(int spalte, int zeile) const;
    void setze(int spalte, int zeile, const QString& text);

private:
    int spalten_;
    std::vector<std::vector<QString>> zellen_;
};

// The analog inputs: number, name, pin, voltage.
class Analogtabelle {
public:
    enum Spalte { Nummer, Name, Pin, Spannung };
    // The extra input of variants with parameter 2172 above 0 sits in this row.
    static constexpr int Zusatzzeile = 25;

    Analogtabelle();
    void erstelle(Pruefvariante v, bool mitZusatzeingang);
    // satz: the 64 bytes of the analog record; zusatz: the signed word of the live record B
    // that carries the extra input.
    void schreibe_Spannungen(const std::array<uint8_t, 64>& satz, int16_t zusatz);

    Pruefraster Raster;
    bool mit_Zusatzeingang = false;
};

// The digital inputs: name, pin, state, edge counter.
class Digitaleingangstabelle {
public:
    enum Spalte { Name, Pin, Zustand, Zaehler };
    Digitaleingangstabelle();
    void erstelle(Pruefvariante v);
    void schreibe(const std::array<uint8_t, 34>& satz);

    Pruefraster Raster;
};

// The digital outputs: name, number, state.
class Digitalausgangstabelle {
public:
    enum Spalte { Name, Nummer, Zustand };
    Digitalausgangstabelle();
    void erstelle(Pruefvariante v);
    void schreibe_Ausgaenge(const std::array<uint8_t, 8>& satz);
    // A text "name, ... number": the name up to the first comma, the number the digits at
    // its very end.
    void setze_Ausgangszeile(int zeile, const QString& text);

    Pruefraster Raster;
};

// The windows: a grid each over its table, refreshed at every answer of its record, which
// is polled only while the window is shown. A window says once, in its constructor, what
// differs: its record, its table and how the table is built and fed.
class TForm_Pruefraster : public TForm {
    Q_OBJECT
public:
    QTableWidget* StringGrid = nullptr;

protected:
    TForm_Pruefraster(Kontext& kontext, const QString& hilfethema);

    struct Ablauf {
        cl_COM_data& Anfrage;
        const Pruefraster& Raster;
        // The grid is (row height + 1) per row plus Rand high, the window the grid plus
        // Fensterrand, at most Max_Hoehe.
        int Rand = 5;
        int Fensterrand = 5;
        int Max_Hoehe = 1 << 20;
        // Builds the table for the connected variant, at every showing.
        std::function<void()> erstelle;
        // Takes an answer of the record into the table.
        std::function<void()> schreibe;
        // Switched on before the polling starts and off before it stops.
        std::function<void(bool)> schalte = {};
    };
    void richte_ein(Ablauf ablauf);
    Pruefvariante Variante() const;

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    Kontext& k;

private:
    void zeige_Raster();

    std::optional<Ablauf> ablauf_;
    bool abgefragt_ = false;
};

class TForm_Test_analoge_Eingaenge : public TForm_Pruefraster {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Test_analoge_Eingaenge, &TForm::Klasse)
    explicit TForm_Test_analoge_Eingaenge(Kontext& kontext);
    Analogtabelle Tabelle;
};

class TForm_Test_digitale_Eingaenge : public TForm_Pruefraster {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Test_digitale_Eingaenge, &TForm::Klasse)
    explicit TForm_Test_digitale_Eingaenge(Kontext& kontext);
    Digitaleingangstabelle Tabelle;
};

class TForm_Test_digitale_Ausgaenge : public TForm_Pruefraster {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Test_digitale_Ausgaenge, &TForm::Klasse)
    static constexpr int Max_Hoehe = 500;
    explicit TForm_Test_digitale_Ausgaenge(Kontext& kontext);
    Digitalausgangstabelle Tabelle;
};
