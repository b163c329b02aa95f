#pragma once

// Little-endian 16-bit words, as the ECU's frames carry them.

#include <QByteArray>
#include <cstdint>
#include <initializer_list>

namespace ecusim {

// Word i of the data (bytes 2i and 2i + 1); 0 past the end.
uint16_t Wort(const QByteArray& b, int i);
// Sets the word at a byte offset that the data already holds.
void setze_Wort(QByteArray& b, int offset, int wert);
void setze_Doppelwort(QByteArray& b, int offset, int64_t wert);
void haenge_Wort_an(QByteArray& b, int wert);
QByteArray Worte(std::initializer_list<int> w);

} // namespace ecusim
