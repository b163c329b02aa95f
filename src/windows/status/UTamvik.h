#pragma once

#include "windows/status/Variantenansicht.h"

#include <array>

class QTableWidget;

// The Tamvik variant's corrections: adjustment and final value of five quantities.
class Tamvik_Logik {
public:
    static constexpr int Spalten = 3;
    static constexpr int Zeilen = 6;
    Tamvik_Logik();
    // Records B, A and the main record.
    void zeige_Korrekturen(const Satz& B, const Satz& Ad, const Satz& L);
    const QString& Zelle(int spalte, int zeile) const;

private:
    std::array<std::array<QString, Spalten>, Zeilen> zellen_;
};

class TForm_Tamvik_Korrekturen : public TForm_Variante {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Tamvik_Korrekturen, &TForm::Klasse)
    explicit TForm_Tamvik_Korrekturen(Kontext& kontext);
    Tamvik_Logik Logik;
    QTableWidget* StringGrid = nullptr;

private:
    void zeige_Raster();
};
