#include "model/UFehlerdefinitionen.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "model/ModelLog.h"
#include "platform/Dateien.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

// ---------------------------------------------------------------- catalogue

int cl_Fehler_Katalog::suche_Nummer(uint32_t id) const {
    for (size_t i = 0; i < Variablen.size(); ++i)
        if (Variablen[i].id == id)
            return static_cast<int>(i);
    return -1;
}

int cl_Fehler_Katalog::suche_Name(const QString& name) const {
    for (size_t i = 0; i < Variablen.size(); ++i)
        if (Variablen[i].Name == name)
            return static_cast<int>(i);
    return -1;
}

const cl_Fehler_Variable* cl_Fehler_Katalog::Variable(int index) const {
    return index >= 0 && static_cast<size_t>(index) < Variablen.size()
               ? &Variablen[static_cast<size_t>(index)]
               : nullptr;
}

QString cl_Fehler_Katalog::Dateiname(unsigned version) {
    return QStringLiteral("QRVE%1.TXT").arg(version, 4, 10, QLatin1Char('0'));
}

namespace {

bool ist_Blank(QChar c) {
    return c == u' ' || c == u'\t';
}

// An integer field: blanks, a sign, then decimal digits or hexadecimal ones after "$" or
// "0x"; the digits before the first other character count, none give 0. Saturates far
// outside every range a caller accepts.
int64_t Ganzzahlfeld(const QString& feld) {
    qsizetype i = 0;
    const qsizetype n = feld.size();
    while (i < n && ist_Blank(feld[i]))
        ++i;
    bool negativ = false;
    if (i < n && (feld[i] == u'+' || feld[i] == u'-')) {
        negativ = feld[i] == u'-';
        ++i;
    }
    int basis = 10;
    if (i < n && feld[i] == u'$') {
        basis = 16;
        ++i;
    } else if (i + 1 < n && feld[i] == u'0' && (feld[i + 1] == u'x' || feld[i + 1] == u'X')) {
        basis = 16;
        i += 2;
    }
    constexpr int64_t grenze = int64_t{1} << 40;
    int64_t wert = 0;
    for (; i < n; ++i) {
        const char16_t c = feld[i].unicode();
        int ziffer = basis;
        if (c >= u'0' && c <= u'9')
            ziffer = c - u'0';
        else if (c >= u'a' && c <= u'f')
            ziffer = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            ziffer = c - u'A' + 10;
        if (ziffer >= basis)
            break;
        wert = std::min(wert * basis + ziffer, grenze);
    }
    return negativ ? -wert : wert;
}

// A real field: blanks, then the longest decimal number (sign, digits, point, digits,
// exponent) at its start; 0 when there is none.
double Reellfeld(const QString& feld) {
    qsizetype i = 0;
    const qsizetype n = feld.size();
    while (i < n && ist_Blank(feld[i]))
        ++i;
    const qsizetype anfang = i;
    const auto ziffern = [&] {
        const qsizetype von = i;
        while (i < n && feld[i] >= u'0' && feld[i] <= u'9')
            ++i;
        return i > von;
    };
    if (i < n && (feld[i] == u'+' || feld[i] == u'-'))
        ++i;
    bool zahl = ziffern();
    if (i < n && feld[i] == u'.') {
        ++i;
        zahl = ziffern() || zahl;
    }
    if (!zahl)
        return 0.0;
    qsizetype ende = i;
    if (i < n && (feld[i] == u'e' || feld[i] == u'E')) {
        ++i;
        if (i < n && (feld[i] == u'+' || feld[i] == u'-'))
            ++i;
        if (ziffern())
            ende = i;
    }
    bool ok = false;
    const double wert = feld.mid(anfang, ende - anfang).toDouble(&ok);
    return ok && std::isfinite(wert) ? wert : 0.0;
}

QString ohne_Blanks_am_Ende(QString text) {
    qsizetype n = text.size();
    while (n > 0 && ist_Blank(text[n - 1]))
        --n;
    text.truncate(n);
    return text;
}

} // namespace

std::vector<cl_Fehler_Variable> cl_Fehler_Katalog::zerlege(const QStringList& zeilen) {
    std::vector<cl_Fehler_Variable> variablen;
    for (const QString& zeile : zeilen) {
        qsizetype i = 0;
        while (i < zeile.size() && ist_Blank(zeile[i]))
            ++i;
        if (i >= zeile.size())
            continue;
        const QString rest = zeile.mid(i + 1);
        if (zeile[i] == u'-') {
            const QStringList felder = rest.split(u',');
            const auto feld = [&](qsizetype k) {
                return k < felder.size() ? felder[k] : QString();
            };
            const int64_t id = Ganzzahlfeld(feld(0));
            const int64_t typ = Ganzzahlfeld(feld(1));
            if (id < 0 || id > 65535 || typ < 0 || typ > 2)
                continue;
            cl_Fehler_Variable v;
            v.id = static_cast<uint32_t>(id);
            v.Typ = static_cast<uint8_t>(typ);
            const double faktor = Reellfeld(feld(2));
            const auto f =
                static_cast<float>(std::clamp(faktor, -double(std::numeric_limits<float>::max()),
                                              double(std::numeric_limits<float>::max())));
            v.Faktor = std::fabs(f) < 1e-6F ? 1.0F : f;
            const int64_t stellen = Ganzzahlfeld(feld(3));
            // More decimals than a double carries show nothing more.
            v.Nachkommastellen = static_cast<uint32_t>(std::clamp<int64_t>(stellen, 0, 20));
            variablen.push_back(std::move(v));
        } else if (zeile[i] == u'/' && !variablen.empty()) {
            variablen.back().Name = ohne_Blanks_am_Ende(rest);
        }
    }
    return variablen;
}

// ---------------------------------------------------------------- definitions

cl_Fehler_def* cl_Fehler_Definitionen::aktuelle() {
    return aktuell >= 0 && static_cast<size_t>(aktuell) < Liste.size()
               ? &Liste[static_cast<size_t>(aktuell)]
               : nullptr;
}

const cl_Fehler_Variable* cl_Fehler_Definitionen::Variable(const cl_Fehler_def& def) const {
    return katalog_.Variable(def.Variable);
}

uint32_t cl_Fehler_Definitionen::Variablen_id(const cl_Fehler_def& def) const {
    const cl_Fehler_Variable* v = Variable(def);
    return v ? v->id : 0;
}

uint8_t cl_Fehler_Definitionen::Typ(const cl_Fehler_def& def) const {
    const cl_Fehler_Variable* v = Variable(def);
    return v ? v->Typ : 0;
}

QString cl_Fehler_Definitionen::Name(const cl_Fehler_def& def) const {
    const cl_Fehler_Variable* v = Variable(def);
    return v ? v->Name : QString();
}

double cl_Fehler_Definitionen::Faktor(const cl_Fehler_def& def) const {
    const cl_Fehler_Variable* v = Variable(def);
    return v ? static_cast<double>(v->Faktor) : 1.0;
}

int cl_Fehler_Definitionen::Nachkommastellen(const cl_Fehler_def& def) const {
    const cl_Fehler_Variable* v = Variable(def);
    return v ? static_cast<int>(v->Nachkommastellen) : 0;
}

bool cl_Fehler_Definitionen::benutzt(int variable) const {
    return std::any_of(Liste.begin(), Liste.end(),
                       [variable](const cl_Fehler_def& d) { return d.Variable == variable; });
}

int cl_Fehler_Definitionen::suche_Variable(uint32_t id) const {
    for (size_t i = 0; i < Liste.size(); ++i)
        if (Variable(Liste[i]) && Variablen_id(Liste[i]) == id)
            return static_cast<int>(i);
    return -1;
}

bool cl_Fehler_Definitionen::neue_Definition(uint32_t id) {
    const int v = katalog_.suche_Nummer(id);
    if (v < 0)
        return false;
    Liste.push_back(cl_Fehler_def{v, {}});
    aktuell = static_cast<int>(Liste.size()) - 1;
    return true;
}

void cl_Fehler_Definitionen::neue_Definition_nach_aktueller(int variable) {
    const cl_Fehler_Variable* v = katalog_.Variable(variable);
    if (!v)
        return;
    cl_Fehler_def def{variable, {}};
    if (v->Typ == 1 || v->Typ == 2)
        def.Grenzen.emplace_back();
    const size_t pos = aktuelle() ? static_cast<size_t>(aktuell) + 1 : Liste.size();
    Liste.insert(Liste.begin() + static_cast<std::ptrdiff_t>(pos), std::move(def));
    aktuell = static_cast<int>(pos);
}

void cl_Fehler_Definitionen::loesche_aktuelle() {
    if (!aktuelle())
        return;
    Liste.erase(Liste.begin() + aktuell);
    // The next one stays current, the previous one for the last.
    if (static_cast<size_t>(aktuell) >= Liste.size())
        aktuell = static_cast<int>(Liste.size()) - 1;
}

void cl_Fehler_Definitionen::alle_freigeben() {
    Liste.clear();
    aktuell = -1;
}

bool cl_Fehler_Definitionen::lade_Variablendatei(unsigned version, Meldungen& meldungen,
                                                 bool stumm) {
    if (version == 0)
        return false;
    const QString pfad = Dateien::finde(
        Dateien::verbinde(glob().Pfad_Sprache, cl_Fehler_Katalog::Dateiname(version)));
    const QFileInfo info(pfad);
    if (!info.isFile() || !info.isReadable()) {
        if (!stumm)
            meldungen.zeige(hole_Text(435) + pfad);
        return false;
    }
    alle_freigeben();
    katalog_.Variablen.clear();
    const auto zeilen = Dateien::lies_Zeilen(pfad);
    if (!zeilen) {
        qCDebug(lcModel) << "catalogue unreadable:" << pfad;
        meldungen.zeige(hole_Text(436) + pfad);
        return false;
    }
    katalog_.Variablen = cl_Fehler_Katalog::zerlege(*zeilen);
    return !katalog_.leer();
}

// ---------------------------------------------------------------- limit rows

void nummeriere(std::vector<cl_Fehler_limit>& grenzen) {
    uint32_t n = 0;
    for (cl_Fehler_limit& g : grenzen)
        g.Nummer = ++n;
}

namespace {
const cl_Fehler_limit* Grenze_Nr(const std::vector<cl_Fehler_limit>& grenzen, uint32_t nummer) {
    const auto it = std::find_if(grenzen.begin(), grenzen.end(),
                                 [nummer](const cl_Fehler_limit& g) { return g.Nummer == nummer; });
    return it == grenzen.end() ? nullptr : &*it;
}
} // namespace

int Modus_von(const std::vector<cl_Fehler_limit>& grenzen, uint32_t nummer) {
    const cl_Fehler_limit* g = Grenze_Nr(grenzen, nummer);
    return g ? g->Modus : 1;
}

int32_t Grenzwert_von(const std::vector<cl_Fehler_limit>& grenzen, uint32_t nummer,
                      bool erschienen) {
    const cl_Fehler_limit* g = Grenze_Nr(grenzen, nummer);
    if (!g)
        return 0;
    return erschienen ? g->Ein : g->Aus;
}

// ---------------------------------------------------------------- conversions

int32_t Eingabe_zu_Roh(const QString& text, double faktor) {
    bool ok = false;
    const double wert = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(wert) || faktor == 0.0)
        return 0;
    // Telegrams and files carry 16 bits: below the signed minimum a value would come back
    // as a large positive one.
    const double roh = std::clamp(wert / faktor, double(Eingabe_Mindestwert) - 1.0,
                                  double(Eingabe_Hoechstwert) + 1.0);
    return static_cast<int32_t>(
        std::clamp<int64_t>(Round(roh), Eingabe_Mindestwert, Eingabe_Hoechstwert));
}

QString Roh_zu_Anzeige(int32_t roh, double faktor, int nachkommastellen) {
    return Float_zu_String(10, nachkommastellen, roh * faktor);
}

QString Signalmuster_als_Text(uint16_t muster) {
    QString text;
    for (int bit = 15; bit >= 0; --bit)
        text.append((muster >> bit) & 1 ? u'1' : u'0');
    return text;
}

uint16_t Text_als_Signalmuster(const QString& text) {
    QString t = text;
    while (!t.isEmpty() && t.back() == u' ')
        t.chop(1);
    uint32_t muster = 0;
    uint32_t gewicht = 1;
    for (qsizetype i = t.size() - 1, n = 0; i >= 0 && n < 16; --i, ++n) {
        if (t[i] == u'1')
            muster += gewicht;
        else if (t[i] != u'0')
            break;
        gewicht <<= 1;
    }
    return static_cast<uint16_t>(muster);
}

int32_t Funktion_von_Position(int position, int p) {
    return position < p ? position : position - p + 101;
}

int Position_von_Funktion(int32_t funktion, int p) {
    return funktion < 101 ? funktion : funktion - 101 + p;
}

// ---------------------------------------------------------------- the file

namespace Fehlerdefinitionsdatei {

namespace {
void Paar(QByteArray& aus, int tag, int32_t wert) {
    uint8_t b[4];
    schreibe_Wort(b, static_cast<uint16_t>(tag));
    schreibe_Wort(b + 2, static_cast<uint16_t>(wert & 0xFFFF));
    aus.append(reinterpret_cast<const char*>(b), 4);
}
} // namespace

QByteArray schreibe(const cl_Fehler_Definitionen& definitionen) {
    QByteArray aus;
    for (const cl_Fehler_def& def : definitionen.Liste) {
        if (!definitionen.Variable(def))
            continue;
        Paar(aus, Definition, static_cast<int32_t>(definitionen.Variablen_id(def)));
        for (const cl_Fehler_limit& g : def.Grenzen) {
            Paar(aus, Modus, g.Modus);
            Paar(aus, Ein, g.Ein);
            Paar(aus, Aus, g.Aus);
            Paar(aus, Funktion, g.Funktion);
            Paar(aus, speichern, g.speichern);
            Paar(aus, Signal_ein, g.Signal_ein);
            Paar(aus, Signalmuster, g.Signalmuster);
            Paar(aus, Test_Start, g.Test_Start);
            Paar(aus, Startbedingung, g.Startbedingung);
        }
    }
    return aus;
}

std::optional<std::vector<cl_Fehler_def>> lies(const QByteArray& inhalt,
                                               const cl_Fehler_Katalog& katalog) {
    if (inhalt.isEmpty() || inhalt.size() % 4 != 0)
        return std::nullopt;
    std::vector<cl_Fehler_def> liste;
    // The definition the following rows belong to; none after an unknown variable.
    cl_Fehler_def* aktuell = nullptr;
    // Only the last definition is ever current, so growing the list never leaves it behind.
    const auto* p = reinterpret_cast<const uint8_t*>(inhalt.constData());
    for (qsizetype i = 0; i < inhalt.size(); i += 4) {
        const auto tag = static_cast<int16_t>(lies_Wort(p + i));
        const uint16_t wert = lies_Wort(p + i + 2);
        const int32_t mit_Vorzeichen = static_cast<int16_t>(wert);
        const auto byte = static_cast<uint8_t>(wert & 0xFF);
        if (tag == Definition) {
            // Ids are written as their 16 bits: read back unsigned, so that every id of
            // the catalogue's range comes back.
            const int v = katalog.suche_Nummer(wert);
            aktuell = nullptr;
            if (v >= 0) {
                liste.push_back(cl_Fehler_def{v, {}});
                aktuell = &liste.back();
            }
            continue;
        }
        if (!aktuell)
            continue;
        const cl_Fehler_Variable* var = katalog.Variable(aktuell->Variable);
        if (tag == Modus) {
            if (var && var->Typ != 0) {
                aktuell->Grenzen.emplace_back();
                aktuell->Grenzen.back().Modus = byte;
            }
            continue;
        }
        if (aktuell->Grenzen.empty())
            continue;
        cl_Fehler_limit& g = aktuell->Grenzen.back();
        switch (tag) {
        case Ein:
            g.Ein = mit_Vorzeichen;
            break;
        case Aus:
            g.Aus = mit_Vorzeichen;
            break;
        case Funktion:
            g.Funktion = mit_Vorzeichen;
            break;
        case speichern:
            g.speichern = byte;
            break;
        case Signal_ein:
            g.Signal_ein = byte;
            break;
        case Signalmuster:
            g.Signalmuster = wert;
            break;
        case Test_Start:
            g.Test_Start = byte;
            break;
        case Startbedingung:
            g.Startbedingung = byte;
            break;
        default:
            break;
        }
    }
    return liste;
}

} // namespace Fehlerdefinitionsdatei

bool lade_Definitionsdatei(const QString& pfad, cl_Fehler_Definitionen& definitionen,
                           Meldungen& meldungen) {
    QFile datei(Dateien::finde(pfad));
    std::optional<std::vector<cl_Fehler_def>> gelesen;
    if (datei.open(QIODevice::ReadOnly))
        gelesen = Fehlerdefinitionsdatei::lies(datei.readAll(), definitionen.Katalog());
    if (!gelesen) {
        qCDebug(lcModel) << "error definition file not read:" << pfad;
        meldungen.zeige(hole_Text(437));
        return false;
    }
    // The error memory names rows by their numbers: the viewer finds the limits of a
    // loaded list by them before any transfer would number them.
    for (cl_Fehler_def& def : *gelesen)
        nummeriere(def.Grenzen);
    definitionen.Liste = std::move(*gelesen);
    // Each definition read became current in its turn: the last one stays so.
    definitionen.aktuell = static_cast<int>(definitionen.Liste.size()) - 1;
    return true;
}

bool speichere_Definitionsdatei(const QString& pfad, const cl_Fehler_Definitionen& definitionen,
                                Meldungen& meldungen) {
    if (Dateien::schreibe_Datei(pfad, Fehlerdefinitionsdatei::schreibe(definitionen)))
        return true;
    meldungen.zeige(Dateien::Schreibfehler(pfad));
    return false;
}
