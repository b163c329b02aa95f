#pragma once

#include <QByteArray>
#include <cstdint>

// A status-value selection file as the relay's streaming reads it: 8-byte records of a tag
// and a value, both little-endian 32-bit.
class Auswahldatei {
public:
    Auswahldatei& satz(uint32_t tag, uint32_t wert) {
        haenge_an(tag);
        haenge_an(wert);
        return *this;
    }
    Auswahldatei& satz_roh(uint32_t tag, const QByteArray& vier) {
        haenge_an(tag);
        bytes += vier.leftJustified(4, '\0', true);
        return *this;
    }
    // An entry: begin, name in records of four characters (the last one tagged as the
    // name's end), width, id, end.
    Auswahldatei& eintrag(uint32_t id, uint32_t breite, const QByteArray& name = "V") {
        satz(4096, 0);
        for (qsizetype i = 0; i < name.size(); i += 4) {
            const bool erster = i == 0;
            const bool letzter = i + 4 >= name.size();
            satz_roh(erster ? 4099 : letzter ? 4353 : 0, name.mid(i, 4));
            if (erster && letzter)
                satz(4353, 0);
        }
        satz(4100, breite);
        satz(4105, id);
        return satz(4097, 0);
    }
    // Bits left empty: an entry whose id names no value.
    Auswahldatei& luecke(uint32_t breite) { return eintrag(0x7777, breite); }

    QByteArray bytes;

private:
    void haenge_an(uint32_t w) {
        for (int i = 0; i < 4; ++i)
            bytes.append(static_cast<char>((w >> (8 * i)) & 0xFF));
    }
};
