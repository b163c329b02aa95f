#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <span>
#include <utility>
#include <vector>

class QLabel;
class QTableWidget;
class QWidget;

// A record's bytes as the display logic reads them: little-endian fields by byte offset,
// 0 outside the record, so that a short answer shows zeros rather than reading past it.
struct Satzsicht {
    std::span<const uint8_t> d;

    uint8_t u8(int o) const { return o >= 0 && o < static_cast<int>(d.size()) ? d[o] : 0; }
    uint16_t u16(int o) const { return static_cast<uint16_t>(u8(o) | (u8(o + 1) << 8)); }
    int16_t s16(int o) const { return static_cast<int16_t>(u16(o)); }
    uint32_t u32(int o) const { return u16(o) | (static_cast<uint32_t>(u16(o + 2)) << 16); }
    int32_t s32(int o) const { return static_cast<int32_t>(u32(o)); }
    float f32(int o) const;
};

// What one answer writes: value label by name -> text, in the order of the rows.
using Anzeigewerte = std::vector<std::pair<QString, QString>>;

// printf-style number formats of the value labels ("%5.1f" and the like).
QString formatiere(const char* format, double wert);

// The auxiliary record's memo: the eight single-precision floats at offsets 0, 4, ..., 28,
// each in the general float-to-text form.
QStringList Aux_Zeilen(Satzsicht aux);

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
