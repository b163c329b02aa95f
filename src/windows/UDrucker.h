#pragma once

#include "model/Drucker.h"

#include <memory>

class QPrinter;
class QWidget;

// The printer object's print dialog: the toolkit's dialog (printing to a file offered) over
// the toolkit's printer.
class TDruckdialog : public Druckauswahl {
public:
    TDruckdialog();
    ~TDruckdialog() override;

    std::optional<int> frage_Kopien(int vorgabe) override;
    QPagedPaintDevice* Geraet() override;

private:
    std::unique_ptr<QPrinter> drucker_;
};
