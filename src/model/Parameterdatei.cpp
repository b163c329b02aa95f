#include "model/Parameterdatei.h"

namespace Parameterdatei {

namespace {

constexpr uint16_t Tag_Kennung = 1000;
constexpr uint16_t Tag_Datum = 1001;
constexpr uint16_t Tag_Name = 1002;
constexpr uint16_t Tag_Version = 1003;
constexpr uint16_t Tag_Revision = 1004;
constexpr uint16_t Tag_letzter = 1010;

struct Feld {
    size_t anfang;
    size_t laenge;
};
constexpr Feld Kennungsfeld{0, 41};
constexpr Feld Datumsfeld{41, 11};
constexpr Feld Namensfeld{52, 9};

void wort(QByteArray& d, uint16_t w) {
    d.append(static_cast<char>(w & 0xFF));
    d.append(static_cast<char>(w >> 8));
}

// A text up to and including its first 0 byte; a text that fills its field has none.
void text(QByteArray& d, const Kopf& k, Feld f) {
    for (size_t i = 0; i < f.laenge; ++i) {
        const uint8_t b = k.Kennung[f.anfang + i];
        d.append(static_cast<char>(b));
        if (b == 0)
            return;
    }
}

struct Leser {
    QByteArrayView d;
    qsizetype i = 0;

    bool am_Ende() const { return i >= d.size(); }
    std::optional<uint16_t> wort() {
        if (i + 2 > d.size())
            return std::nullopt;
        const auto w = static_cast<uint16_t>(static_cast<uint8_t>(d[i]) |
                                             (static_cast<uint8_t>(d[i + 1]) << 8));
        i += 2;
        return w;
    }
    std::optional<uint8_t> byte() {
        if (am_Ende())
            return std::nullopt;
        return static_cast<uint8_t>(d[i++]);
    }
    // A field's text; one that fills the field is cut by its last byte, and what it has
    // beyond the field is passed over up to its 0 byte.
    bool text(Kopf& k, Feld f) {
        for (size_t n = 0; n < f.laenge; ++n) {
            const auto b = byte();
            if (!b)
                return false;
            k.Kennung[f.anfang + n] = *b;
            if (*b == 0)
                return true;
        }
        k.Kennung[f.anfang + f.laenge - 1] = 0;
        for (;;) {
            const auto b = byte();
            if (!b)
                return false;
            if (*b == 0)
                return true;
        }
    }
};

} // namespace

QByteArray schreibe(const Kopf& kopf, const std::vector<Eintrag>& eintraege) {
    QByteArray d;
    wort(d, Tag_Kennung);
    text(d, kopf, Kennungsfeld);
    wort(d, Tag_Datum);
    text(d, kopf, Datumsfeld);
    wort(d, Tag_Name);
    text(d, kopf, Namensfeld);
    wort(d, Tag_Version);
    wort(d, kopf.Version);
    wort(d, Tag_Revision);
    wort(d, kopf.Revision);
    for (const Eintrag& e : eintraege) {
        const auto u = static_cast<uint32_t>(static_cast<uint64_t>(e.Roh) & 0xFFFFFFFF);
        wort(d, static_cast<uint16_t>(e.Nummer));
        wort(d, static_cast<uint16_t>(u & 0xFFFF));
        if (e.Typ == 8 || e.Typ == 9) {
            wort(d, static_cast<uint16_t>(e.Nummer));
            wort(d, static_cast<uint16_t>(u >> 16));
        }
    }
    return d;
}

bool lies(QByteArrayView daten, Kopf& kopf,
          const std::function<std::optional<int>(int nummer)>& typ_von,
          const std::function<void(int nummer, int64_t roh)>& setze) {
    Leser l{daten};
    std::optional<uint16_t> nummer;
    for (;;) {
        if (l.am_Ende())
            break;
        const auto w = l.wort();
        if (!w)
            return false;
        if (*w < Tag_Kennung || *w > Tag_letzter) {
            nummer = w;
            break;
        }
        bool ok = true;
        switch (*w) {
        case Tag_Kennung:
            ok = l.text(kopf, Kennungsfeld);
            break;
        case Tag_Datum:
            ok = l.text(kopf, Datumsfeld);
            break;
        case Tag_Name:
            ok = l.text(kopf, Namensfeld);
            break;
        case Tag_Version:
        case Tag_Revision: {
            const auto v = l.wort();
            if (!v)
                return false;
            (*w == Tag_Version ? kopf.Version : kopf.Revision) = *v;
            break;
        }
        default:
            break;
        }
        if (!ok)
            return false;
    }
    // Software of version 300 and later names itself with the QORV letter where old files
    // carry an X.
    constexpr size_t vierter = Namensfeld.anfang + 3;
    if (kopf.Version >= 300 && kopf.Kennung[vierter] == 'X')
        kopf.Kennung[vierter] = 'V';

    while (nummer) {
        const auto wert = l.wort();
        if (!wert)
            return false;
        const std::optional<int> typ = typ_von(*nummer);
        std::optional<uint16_t> naechste;
        if (typ && (*typ == 8 || *typ == 9)) {
            uint32_t u = *wert;
            if (!l.am_Ende()) {
                const auto n2 = l.wort();
                if (!n2)
                    return false;
                if (*n2 == *nummer) {
                    const auto hoch = l.wort();
                    if (!hoch)
                        return false;
                    u |= static_cast<uint32_t>(*hoch) << 16;
                } else {
                    naechste = n2;
                }
            }
            // Both halves make one 32-bit two's complement value.
            setze(*nummer, *typ == 8 ? static_cast<int64_t>(static_cast<int32_t>(u))
                                     : static_cast<int64_t>(u));
        } else if (typ) {
            setze(*nummer, *wert);
        }
        if (naechste) {
            nummer = naechste;
            continue;
        }
        if (l.am_Ende())
            break;
        nummer = l.wort();
        if (!nummer)
            return false;
    }
    return true;
}

} // namespace Parameterdatei
