#include "model/UStatuswerte.h"

#include "model/ModelLog.h"
#include "model/UStatusdaten.h"
#include "model/UWeitere_Anfragen.h"
#include "platform/Dateien.h"

#include <QFile>
#include <cfenv>
#include <cmath>

namespace {

struct Lauf {
    uint32_t id_von;
    uint32_t id_bis;
    int bits;
    int datensatz;
    int offset;
    float skala = 1.0F;
    Statusvariable variable = Statusvariable::keine;
};

constexpr Statusvariable LL = Statusvariable::Leerlaufsteller_Prozent;
constexpr Statusvariable DE = Statusvariable::Digitaleingang_Zustand;

// Each row a run: ids rising by 0x10, offsets by 2 (by 1 in a variable).
const Lauf Tabelle[] = {
    {0x20000380, 0x20000380, 32, 2, 44},
    {0x20000390, 0x20000390, 32, 2, 48},
    {0x200003A0, 0x200003A0, 32, 3, 90},
    {0x20000011, 0x20000011, 16, 1, 10},
    {0x20000021, 0x20000021, 16, 2, 62, 0.1F},
    {0x20000031, 0x20000061, 16, 1, 74},
    {0x20000071, 0x20000081, 16, 1, 32},
    {0x200000A1, 0x200001A1, 16, 2, 8},
    {0x200001B1, 0x200001B1, 16, 1, 28},
    {0x200001C1, 0x200001C1, 16, 2, 66},
    {0x200001D1, 0x200001D1, 16, 5, 0},
    {0x200001F1, 0x200002C1, 16, 5, 4},
    {0x200002D1, 0x200002D1, 16, 2, 96},
    {0x200002E1, 0x200002E1, 16, 2, 64},
    {0x200002F1, 0x200002F1, 16, 2, 94},
    {0x20000D01, 0x20000D01, 16, 3, 18},
    {0x20000301, 0x20000311, 16, 2, 90},
    {0x20000321, 0x20000321, 16, 0, 0, 1.0F, LL},
    {0x20000331, 0x20000331, 16, 2, 70},
    {0x20000340, 0x20000340, 16, 1, 30},
    {0x20000351, 0x20000351, 16, 2, 80},
    {0x20000361, 0x20000361, 16, 3, 16},
    {0x200003D1, 0x20000441, 16, 5, 32},
    {0x200008A1, 0x200008A1, 16, 1, 18},
    {0x20000451, 0x20000451, 16, 2, 60},
    {0x20000461, 0x20000471, 16, 2, 72},
    {0x20000481, 0x20000481, 16, 1, 26},
    {0x20000491, 0x200004B1, 16, 3, 32},
    {0x200004C1, 0x200004C1, 16, 3, 20},
    {0x20000B21, 0x20000B51, 16, 3, 24},
    {0x20000B61, 0x20000B61, 16, 3, 38},
    {0x20000551, 0x20000551, 16, 3, 54},
    {0x20000B71, 0x20000BB1, 16, 3, 56},
    {0x20000BC1, 0x20000BC1, 16, 3, 64},
    {0x20000BD1, 0x20000BD1, 16, 3, 68},
    {0x20000BE1, 0x20000BE1, 16, 3, 72},
    {0x20000721, 0x20000721, 16, 3, 76},
    {0x20000561, 0x20000561, 16, 3, 78},
    {0x20000A41, 0x20000A41, 16, 3, 80},
    {0x20000BF1, 0x20000C01, 16, 3, 82},
    {0x200005F0, 0x20000600, 16, 0, 0, 1.0F, DE},
    {0x20000C10, 0x20000CA0, 16, 0, 2, 1.0F, DE},
    {0x200006B0, 0x200006D0, 16, 0, 12, 1.0F, DE},
    {0x20000CB1, 0x20000CC1, 16, 3, 94},
    {0x20000CD1, 0x20000CF1, 16, 3, 40},
    {0x20000D11, 0x20000D11, 16, 3, 98},
    {0x20000D21, 0x20000D91, 16, 6, 0},
    {0x20000DA1, 0x20000DA1, 32, 1, 54},
    {0x20000DB1, 0x20000DB1, 32, 3, 48},
    {0x20000DC1, 0x20000DC1, 16, 2, 42},
    {0x20000DD1, 0x20000DD1, 16, 4, 2},
    {0x20000DE1, 0x20000DE1, 16, 4, 6},
    {0x20000DF1, 0x20000DF1, 16, 4, 10},
    {0x20000E01, 0x20000E01, 16, 7, 0},
    {0x20000751, 0x20000751, 16, 2, 52},
};

uint8_t Groessencode(int bits) {
    return bits == 8 ? 0 : bits == 16 ? 1 : 2;
}

uint32_t lies_u32(const QByteArray& b, qsizetype pos) {
    const auto u = [&](qsizetype i) { return static_cast<uint32_t>(static_cast<uint8_t>(b[i])); };
    return u(pos) | (u(pos + 1) << 8) | (u(pos + 2) << 16) | (u(pos + 3) << 24);
}

} // namespace

Statusquellen Statusquellen::von(const cl_ECU_Befehle& b, const Weitere_Anfragen& w) {
    Statusquellen q;
    q.Datensaetze[1] = b.akt_Daten.Daten;
    q.Datensaetze[2] = b.akt_Daten_A.Daten;
    q.Datensaetze[3] = b.akt_Daten_B.Daten;
    q.Datensaetze[4] = b.akt_Daten_C.Daten;
    q.Datensaetze[5] = w.analoge_Eingaenge->Datensatz;
    q.Datensaetze[6] = b.CAN_Zusatztemps.Daten;
    q.Datensaetze[7] = w.Merker->Wort;
    q.Leerlaufsteller_Prozent = &b.Werte.Leerlaufsteller_Prozent;
    q.Digitaleingang_Zustand = w.digitale_Eingaenge->Digitaleingang_Zustand;
    return q;
}

cl_Def_Statusdaten* cl_Def_Statusdaten_Liste::suche(uint32_t id) {
    for (cl_Def_Statusdaten& d : Eintraege)
        if (d.id == id)
            return &d;
    return nullptr;
}

const cl_Def_Statusdaten* cl_Def_Statusdaten_Liste::suche(uint32_t id) const {
    return const_cast<cl_Def_Statusdaten_Liste*>(this)->suche(id);
}

cl_Statusdaten::cl_Statusdaten(Statusquellen quellen, std::function<QString()> sprachordner)
    : quellen_(quellen), sprachordner_(std::move(sprachordner)) {
    for (const Lauf& l : Tabelle) {
        const int schritt = l.datensatz == 0 ? 1 : 2;
        int offset = l.offset;
        for (uint32_t id = l.id_von; id <= l.id_bis; id += 0x10, offset += schritt) {
            cl_Def_Statusdaten d;
            d.id = id;
            d.Groesse = Groessencode(l.bits);
            d.Datensatz = l.datensatz;
            d.Variable = l.variable;
            d.Offset = offset;
            d.Skala = l.skala;
            liste_.Eintraege.push_back(d);
        }
    }
}

uint32_t cl_Statusdaten::runde(double x) {
    if (!(x > 0))
        return 0;
    if (x >= 4294967295.0)
        return 0xFFFFFFFFu;
    // The default rounding mode goes to the even neighbour at a half.
    const int alt = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(x);
    std::fesetround(alt);
    return static_cast<uint32_t>(r);
}

uint32_t cl_Statusdaten::Wert(const cl_Def_Statusdaten& d) const {
    // Only the bytes the size needs: several 16-bit values sit in the last two bytes of
    // their record, where a longer read would run past its end.
    const int bytes = d.Groesse == 0 ? 1 : d.Groesse == 1 ? 2 : 4;
    std::span<const uint8_t> quelle;
    uint8_t variable[4] = {};
    if (d.Datensatz >= 1 && d.Datensatz <= 7) {
        quelle = quellen_.Datensaetze[static_cast<size_t>(d.Datensatz)];
    } else if (d.Variable == Statusvariable::Leerlaufsteller_Prozent) {
        const uint32_t w = static_cast<uint32_t>(
            quellen_.Leerlaufsteller_Prozent ? *quellen_.Leerlaufsteller_Prozent : 0);
        for (int i = 0; i < 4; ++i)
            variable[i] = static_cast<uint8_t>(w >> (8 * i));
        quelle = variable;
    } else if (d.Variable == Statusvariable::Digitaleingang_Zustand) {
        quelle = quellen_.Digitaleingang_Zustand;
    }
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        const int64_t pos = static_cast<int64_t>(d.Offset) + i;
        if (pos >= 0 && pos < static_cast<int64_t>(quelle.size()))
            v |= static_cast<uint32_t>(quelle[static_cast<size_t>(pos)]) << (8 * i);
    }
    return runde(static_cast<double>(v) * static_cast<double>(d.Skala));
}

void cl_Statusdaten::lade_tbx(int n) {
    if (n == geladen_)
        return;
    geladen_ = n;
    // Another kind of ECU was connected: only its own file's values go out from now on.
    for (cl_Def_Statusdaten& d : liste_.Eintraege)
        d.ausgewaehlt = false;
    anzahl_ = 0;
    const QString pfad = Dateien::finde(Dateien::verbinde(
        sprachordner_ ? sprachordner_() : QString(), QString::number(n) + QStringLiteral(".tbx")));
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly)) {
        qCDebug(lcModel) << "status value selection" << pfad << "not read:" << f.errorString();
        return;
    }
    lies(f.readAll());
}

void cl_Statusdaten::lies(const QByteArray& inhalt) {
    // A trailing part of a record is no record.
    const qsizetype saetze = inhalt.size() / 8;
    int64_t p = Erste_Bitposition;
    QByteArray name;
    uint32_t breite = 0;
    uint32_t id = 0;
    const auto nimm_Namensteil = [&](qsizetype satz) {
        for (int i = 4; i < 8; ++i)
            if (const char c = inhalt[8 * satz + i]; c != 0)
                name.append(c);
    };
    for (qsizetype s = 0; s < saetze; ++s) {
        const uint32_t tag = lies_u32(inhalt, 8 * s);
        const uint32_t wert = lies_u32(inhalt, 8 * s + 4);
        switch (tag) {
        case Tag_Anfang:
            name.clear();
            breite = 0;
            id = 0;
            break;
        case Tag_Name:
            name.clear();
            nimm_Namensteil(s);
            while (++s < saetze) {
                nimm_Namensteil(s);
                if (lies_u32(inhalt, 8 * s) == Tag_Namensende)
                    break;
            }
            break;
        case Tag_Breite:
            breite = wert;
            break;
        case Tag_Id:
            id = wert;
            break;
        case Tag_Ende:
            if (cl_Def_Statusdaten* d = liste_.suche(id)) {
                ++anzahl_;
                d->ausgewaehlt = true;
                d->Name = Dateien::von_1252(name);
                d->Bitposition = p;
                d->Bitbreite = breite;
            }
            p += breite;
            break;
        default:
            break;
        }
    }
}

void cl_Statusdaten::packe(Wortfeld& worte) const {
    worte.fill(0);
    for (const cl_Def_Statusdaten& d : liste_.Eintraege) {
        if (!d.ausgewaehlt)
            continue;
        const int64_t w = d.Bitposition / 16;
        const int b = static_cast<int>(d.Bitposition % 16);
        if (w < 0 || b < 0)
            continue;
        const uint32_t v = Wert(d);
        if (w < Worte)
            worte[static_cast<size_t>(w)] |= static_cast<uint16_t>((v & 0xFFFF) << b);
        if (d.Bitbreite > static_cast<uint32_t>(16 - b) && w + 1 < Worte)
            worte[static_cast<size_t>(w + 1)] |= static_cast<uint16_t>(v >> (16 - b));
    }
}
