#include "model/UKennfeldbeschreibung.h"

#include <limits>

namespace {

constexpr int32_t int32_max = std::numeric_limits<int32_t>::max();

int Hexziffer(QChar c, bool auch_klein) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (auch_klein && u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

// The runtime's integer conversion of a field's text: a sign or a '$' hexadecimal prefix,
// then digits. True when it converted whole or failed only after the first character, with
// the value of what it took; a number that outgrows 32 bits ends where it would.
bool Ganzzahl(const QString& text, int32_t& wert) {
    wert = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    if (i >= n)
        return false;
    bool negativ = false;
    bool hex = false;
    if (text[i] == '$') {
        hex = true;
        ++i;
    } else if (text[i] == '-') {
        negativ = true;
        ++i;
    } else if (text[i] == '+') {
        ++i;
    }
    if (hex) {
        uint32_t v = 0;
        for (int ziffern = 0; i < n; ++i, ++ziffern) {
            const int d = Hexziffer(text[i], true);
            if (d < 0 || ziffern == 8)
                break;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        wert = static_cast<int32_t>(v);
    } else {
        const int64_t grenze = negativ ? int64_t{int32_max} + 1 : int64_t{int32_max};
        int64_t v = 0;
        for (; i < n; ++i) {
            const char16_t u = text[i].unicode();
            if (u < '0' || u > '9' || v * 10 + (u - '0') > grenze)
                break;
            v = v * 10 + (u - '0');
        }
        wert = static_cast<int32_t>(negativ ? -v : v);
    }
    // Where it stopped is 0-based: a stop at the first character is a failure.
    return i >= n || i > 0;
}

// Each maximum above its minimum.
void ordne_Paar(int32_t min, int32_t& max) {
    if (max <= min)
        max = min == int32_max ? int32_max : min + 1;
}

} // namespace

bool Kennfeld_Feldleser::ueberspringe_Leerzeichen() {
    qsizetype j = i_;
    while (j < z_.size() && z_[j] == ' ')
        ++j;
    if (j >= z_.size())
        return false;
    i_ = j;
    return true;
}

bool Kennfeld_Feldleser::lies_Feldzahl(int32_t& wert) {
    wert = 0;
    if (!ueberspringe_Leerzeichen())
        return false;
    const qsizetype n = z_.size();
    if (z_[i_] == 'X' || z_[i_] == 'x') {
        ++i_;
        uint32_t v = 0;
        int ziffern = 0;
        for (; i_ < n; ++i_, ++ziffern) {
            const int d = Hexziffer(z_[i_], false);
            if (d < 0)
                break;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        // The character that ended the number is taken with it.
        if (i_ < n)
            ++i_;
        wert = static_cast<int32_t>(v);
        return ziffern > 0;
    }
    qsizetype ende = i_;
    while (ende < n && z_[ende] != ',' && z_[ende] != '[')
        ++ende;
    const QString text = z_.mid(i_, ende - i_);
    i_ = ende < n ? ende + 1 : n;
    return Ganzzahl(text, wert);
}

bool Kennfeld_Feldleser::lies_Feldwert(int32_t& wert) {
    wert = 0;
    if (!ueberspringe_Leerzeichen())
        return false;
    if (z_[i_] != '#')
        return lies_Feldzahl(wert);
    ++i_;
    int32_t nummer = 0;
    if (!lies_Feldzahl(nummer))
        return false;
    wert = static_cast<int32_t>(p_.Wert(nummer));
    if (nummer >= 20000) {
        int element = 0;
        p_.Livewert(nummer, element);
        if (element != 0)
            p_.abonniere_Wert(element);
    }
    return true;
}

bool Kennfeld_Feldleser::lies_Parameternummer(int32_t& nummer) {
    nummer = 0;
    if (!ueberspringe_Leerzeichen() || z_[i_] != '#')
        return false;
    ++i_;
    if (lies_Feldzahl(nummer))
        return true;
    nummer = 0;
    return false;
}

bool Kennfeld_Feldleser::lies_Quelle(int32_t& quelle) {
    quelle = 0;
    int32_t nummer = 0;
    if (!lies_Parameternummer(nummer))
        return false;
    if (nummer < 20000)
        return true;
    int element = 0;
    if (!p_.Livewert(nummer, element))
        return false;
    if (element != 0)
        p_.abonniere_Quelle(element);
    quelle = nummer;
    return true;
}

bool Kennfeld_Feldleser::lies_Feldtext(QString& text) {
    text.clear();
    if (!ueberspringe_Leerzeichen())
        return false;
    const qsizetype komma = z_.indexOf(',', i_);
    text = z_.mid(i_, komma < 0 ? -1 : komma - i_);
    text.remove(' ');
    i_ = komma < 0 ? z_.size() : komma + 1;
    return !text.isEmpty() || komma >= 0;
}

bool Kennfeld_Feldleser::lies_Bedingung(QString& text) {
    text.clear();
    if (!ueberspringe_Leerzeichen())
        return false;
    bool in_Klammer = false;
    qsizetype j = i_;
    for (; j < z_.size(); ++j) {
        const QChar c = z_[j];
        if (c == '[')
            in_Klammer = true;
        else if (c == ']')
            in_Klammer = false;
        else if (c == ',' && !in_Klammer)
            break;
    }
    if (j >= z_.size()) {
        if (!in_Klammer)
            text = z_.mid(i_);
        i_ = z_.size();
        return true;
    }
    // The ',' stays with the condition; the evaluator ends at it.
    text = z_.mid(i_, j + 1 - i_);
    i_ = j + 1;
    return true;
}

Kennfeldzeile lies_Kennfeldzeile(const QString& zeile, bool neu_aufbauen,
                                 Kennfeld_Parameterzugriff& zugriff) {
    Kennfeldzeile k;
    if (zeile.size() < 2 || zeile[0] != '*')
        return k;
    Kennfeld_Feldleser f(zeile, 1, zugriff);
    if (!f.lies_Feldwert(k.Nummer))
        return k;
    f.lies_Bedingung(k.Bedingung);

    if (k.Nummer == 5 || k.Nummer == 55) {
        k.art = Kennfeldzeile::Art::Zuendeditor;
        if (neu_aufbauen)
            k.Titel_gelesen = f.lies_Feldtext(k.Zuendtitel);
        return k;
    }
    bool ok = f.lies_Feldwert(k.Typ);
    if (ok && k.Typ >= 2) {
        k.art = Kennfeldzeile::Art::Zuendkennfeld;
        if (neu_aufbauen)
            k.Titel_gelesen = f.lies_Feldtext(k.Zuendtitel);
        return k;
    }
    k.art = Kennfeldzeile::Art::Kennfeld;

    // After the first invalid field nothing more is read: its variables stay 0.
    const auto wert = [&](int32_t& v) {
        if (ok)
            ok = f.lies_Feldwert(v);
    };
    const auto paar = [&](int32_t& min, int32_t& max) {
        wert(min);
        wert(max);
        if (ok)
            ordne_Paar(min, max);
    };
    const auto text = [&](QString& t) {
        if (ok)
            ok = f.lies_Feldtext(t);
    };
    if (ok)
        ok = f.lies_Quelle(k.Quelle_X);
    if (ok)
        ok = f.lies_Quelle(k.Quelle_Y);
    wert(k.Quelle_Nr);
    int32_t kurve = 0, ungenutzt = 0, zyklisch = 0;
    wert(kurve);
    wert(ungenutzt);
    wert(zyklisch);
    k.ist_Kurve = kurve == 1;
    k.zyklisch = zyklisch == 1;
    paar(k.X_min, k.X_max);
    paar(k.Y_min, k.Y_max);
    paar(k.Roh_min, k.Roh_max);
    paar(k.Z_min, k.Z_max);
    if (neu_aufbauen) {
        wert(k.Schrittzeile);
        // The step digit is read wherever the position stands, and never makes a line short.
        QString ziffer;
        f.lies_Feldtext(ziffer);
        k.Schrittziffer = ziffer.isEmpty() ? '\0' : ziffer[0].toLatin1();
        if (k.Nummer < 256)
            for (int32_t& p : k.Parameter_Nr)
                if (ok)
                    ok = f.lies_Parameternummer(p);
        for (QString* t : {&k.Kennung, &k.Titel, &k.Achsname_X, &k.Achsname_Y, &k.Einheit_X,
                           &k.Einheit_Y, &k.Einheit_Z, &k.Hilfethema})
            text(*t);
    }
    k.vollstaendig = ok;
    return k;
}
