#include "windows/UDrucker.h"

#include <QPrintDialog>
#include <QPrinter>

TDruckdialog::TDruckdialog() = default;

TDruckdialog::~TDruckdialog() = default;

std::optional<int> TDruckdialog::frage_Kopien(int vorgabe) {
    // The printer is looked up when the user first prints, not at start.
    if (!drucker_)
        drucker_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    drucker_->setCopyCount(vorgabe);
    QPrintDialog dialog(drucker_.get());
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const int kopien = drucker_->copyCount();
    // The program prints each copy itself, as a repeat of the whole printout.
    drucker_->setCopyCount(1);
    return kopien;
}

QPagedPaintDevice* TDruckdialog::Geraet() {
    return drucker_.get();
}
