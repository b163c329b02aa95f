#pragma once

#include "windows/TForm.h"
#include "windows/status/UTest_Eingaenge.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class QPushButton;
class QTableWidget;
class Kontext;
class TPrinter_Quorvel;
class cl_Version;

// A system data item's name, as the software description file gives it.
struct cl_Daten {
    uint16_t Nummer = 0;
    QString Name;
    bool operator==(const cl_Daten&) const = default;
};

// The system data list without its window: the names, the grid the items fill, the printout.
class Systemdaten_Logik {
public:
    static constexpr int Zeilen_Entwurf = 20;

    Systemdaten_Logik();

    // The names of the lines "\number, name"; a number without its comma ends the reading.
    static std::vector<cl_Daten> lies_Namen(const QStringList& zeilen);
    // The names from the software description file of that name in the language folder; none
    // without a name or a file that cannot be read.
    void lade_Namen(const QString& dateiname);
    // The first name given for the number, empty when there is none.
    QString Name(uint16_t nummer) const;
    // From row 1 again.
    void beginne() { naechste_Zeile = 1; }
    // An answer: true when it brought an item, the next one is then to be asked for.
    bool nimm(bool vorhanden, uint16_t nummer, uint16_t wert);
    // The grid under the identity block, as many copies as the print dialog asks.
    void drucke(TPrinter_Quorvel& drucker, const cl_Version& version) const;

    std::vector<cl_Daten> Namen;
    int naechste_Zeile = 1;
    Pruefraster Raster;
};

class TForm_Systemdaten : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Systemdaten, &TForm::Klasse)
    explicit TForm_Systemdaten(Kontext& kontext);

    Systemdaten_Logik Logik;
    QTableWidget* StringGrid = nullptr;
    QPushButton* Button_drucken = nullptr;

    void Button_druckenClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void schreibe_Systemdatum();
    void zeige_Raster();

    Kontext& k;
};
