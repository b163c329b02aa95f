#include "ecusim/Worte.h"

namespace ecusim {

uint16_t Wort(const QByteArray& b, int i) {
    if (2 * i + 1 >= b.size())
        return 0;
    return static_cast<uint16_t>(static_cast<uint8_t>(b[2 * i]) |
                                 (static_cast<uint8_t>(b[2 * i + 1]) << 8));
}

void setze_Wort(QByteArray& b, int offset, int wert) {
    b[offset] = static_cast<char>(wert & 0xFF);
    b[offset + 1] = static_cast<char>((wert >> 8) & 0xFF);
}

void setze_Doppelwort(QByteArray& b, int offset, int64_t wert) {
    setze_Wort(b, offset, static_cast<int>(wert & 0xFFFF));
    setze_Wort(b, offset + 2, static_cast<int>((wert >> 16) & 0xFFFF));
}

void haenge_Wort_an(QByteArray& b, int wert) {
    b.append(static_cast<char>(wert & 0xFF));
    b.append(static_cast<char>((wert >> 8) & 0xFF));
}

QByteArray Worte(std::initializer_list<int> w) {
    QByteArray b;
    for (int x : w)
        haenge_Wort_an(b, x);
    return b;
}

} // namespace ecusim
