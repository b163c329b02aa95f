#pragma once

#include "windows/status/Variantenansicht.h"

#include <array>

class QTableWidget;

// The grid of the 100 extended auxiliary values: value i in column i div 10 + 1, row
// i mod 10 + 1, under headers that name the tens and the units.
class Auxraster {
public:
    static constexpr int Groesse = 11;
    Auxraster();
    void zeige_Auxdaten(const Satz& erweitert);
    const QString& Zelle(int spalte, int zeile) const;

private:
    std::array<std::array<QString, Groesse>, Groesse> zellen_;
};

class TForm_Auxdaten : public TForm_Variante {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Auxdaten, &TForm::Klasse)
    explicit TForm_Auxdaten(Kontext& kontext);
    Auxraster Raster;
    QTableWidget* StringGrid = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void zeige_Raster();
    bool laeuft_ = false;
};
