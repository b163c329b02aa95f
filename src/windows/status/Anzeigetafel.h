#pragma once

#include "windows/status/Variantenansicht.h"

#include <QString>
#include <map>
#include <utility>
#include <vector>

class QLabel;
class QTableWidget;
class QWidget;

// What one answer writes: value label by name -> text, in the order of the rows.
using Anzeigewerte = std::vector<std::pair<QString, QString>>;

// A string grid as the panels have it: no header sections of its own (row 0 and column 0 are
// cells), not editable, rows of 20 pixels in a small font whose texts are not cut to "...".
void richte_Raster_ein(QTableWidget& g);

// The labels of a panel by name: heading, value and unit labels placed in a parent, the value
// labels found again by name when an answer's texts are written.
class Wertetafel {
public:
    // A row: heading at (x, y) (none when empty), the value right-aligned in a field of the given
    // width after it, the unit (when given) behind the value.
    QLabel* Zeile(QWidget* eltern, const QString& name, const QString& kopf, int x, int y,
                  int kopfbreite, int wertbreite = 60, const QString& einheit = QString());
    QLabel* Label(const QString& name) const;
    // Writes the texts; a label whose text did not change is not touched (no repaint).
    void setze(const Anzeigewerte& werte) const;

private:
    std::map<QString, QLabel*> labels_;
};
