#include "model/UFehlerspeicher.h"

#include "base/Uglobal.h"
#include "model/UFehlerdefinitionen.h"

#include <algorithm>

cl_Fehler cl_Fehler::aus_Antwort(const uint8_t* a) {
    cl_Fehler f;
    f.Zeit = lies_Wort(a) | (static_cast<uint32_t>(lies_Wort(a + 2)) << 16);
    f.Umdrehungen = lies_Wort(a + 4) | (static_cast<uint32_t>(lies_Wort(a + 6)) << 16);
    f.MinMax = static_cast<int16_t>(lies_Wort(a + 8));
    f.erschienen = (a[10] & 0x80) != 0;
    f.Variablen_id = a[10] & 0x7F;
    f.Grenznummer = a[11];
    return f;
}

void cl_Fehler_Liste::berechne_Differenzen(const cl_Fehler_Definitionen& definitionen) {
    // The list runs newest first: the walk goes from the oldest entry, and a later event
    // is one nearer the front.
    for (size_t i = Eintraege.size(); i-- > 0;) {
        const cl_Fehler& x = Eintraege[i];
        if (!x.erschienen)
            continue;
        const int def = definitionen.suche_Variable(x.Variablen_id);
        if (def < 0)
            continue;
        const bool bit = definitionen.Typ(definitionen.Liste[static_cast<size_t>(def)]) == 1;
        for (size_t j = i; j-- > 0;) {
            cl_Fehler& y = Eintraege[j];
            if (y.Variablen_id != x.Variablen_id || (!bit && y.Grenznummer != x.Grenznummer))
                continue;
            if (y.erschienen) {
                y.Zeitdifferenz = 0;
                y.Umdrehungsdifferenz = 0;
            } else {
                y.Zeitdifferenz = static_cast<int32_t>(y.Zeit - x.Zeit);
                y.Umdrehungsdifferenz = static_cast<int32_t>(y.Umdrehungen - x.Umdrehungen);
            }
            break;
        }
    }
}

void Fehlertabelle::fuelle_Auswahl(const cl_Fehler_Definitionen& definitionen) {
    Auswahl.clear();
    for (const cl_Fehler_def& d : definitionen.Liste)
        Auswahl.push_back({definitionen.Name(d), definitionen.Variablen_id(d), false});
}

void Fehlertabelle::waehle_alle() {
    for (Filtereintrag& e : Auswahl)
        e.gewaehlt = true;
}

bool Fehlertabelle::gezeigt(uint32_t id) const {
    const auto it = std::find_if(Auswahl.begin(), Auswahl.end(),
                                 [id](const Filtereintrag& e) { return e.Variablen_id == id; });
    if (it != Auswahl.end())
        return it->gewaehlt;
    return std::all_of(Auswahl.begin(), Auswahl.end(),
                       [](const Filtereintrag& e) { return e.gewaehlt; });
}

std::vector<Fehlertabelle::Zeile>
Fehlertabelle::Zeilen(const cl_Fehler_Liste& liste,
                      const cl_Fehler_Definitionen& definitionen) const {
    std::vector<Zeile> zeilen;
    const int anzahl = static_cast<int>(liste.Eintraege.size());
    int r = 0;
    for (const cl_Fehler& f : liste.Eintraege) {
        if (!gezeigt(f.Variablen_id))
            continue;
        Zeile z;
        z[0] = QString::asprintf("%4d", anzahl - r + 1);
        z[3] = QStringLiteral("%1").arg(Zehntel_zu_Zeit(f.Zeit), 12);
        z[5] = QString::asprintf("%4u", f.Umdrehungen);
        const int d = definitionen.suche_Variable(f.Variablen_id);
        if (d < 0) {
            // No definition: the catalogue's name for the id, else the id itself.
            const cl_Fehler_Variable* v = definitionen.Katalog().Variable(
                definitionen.Katalog().suche_Nummer(f.Variablen_id));
            z[1] = QStringLiteral("%1").arg(v ? v->Name : QString::number(f.Variablen_id), 25);
            zeilen.push_back(z);
            ++r;
            continue;
        }
        const cl_Fehler_def& def = definitionen.Liste[static_cast<size_t>(d)];
        const int typ = definitionen.Typ(def);
        const double faktor = definitionen.Faktor(def);
        const int stellen = definitionen.Nachkommastellen(def);
        z[1] = QStringLiteral("%1").arg(definitionen.Name(def), 25);
        QString praefix;
        if (typ == 1) {
            praefix = hole_Text(f.erschienen ? 452 : 453);
        } else if (typ == 2) {
            if (Modus_von(def.Grenzen, f.Grenznummer) == 0)
                praefix = f.erschienen ? QStringLiteral("<= ") : QStringLiteral(" >  ");
            else
                praefix = f.erschienen ? QStringLiteral(">= ") : QStringLiteral(" <  ");
        }
        z[2] = praefix +
               Float_zu_String(10, stellen,
                               Grenzwert_von(def.Grenzen, f.Grenznummer, f.erschienen) * faktor);
        if (!f.erschienen && (typ == 1 || typ == 2)) {
            z[4] = Zehntel_zu_Zeit(f.Zeitdifferenz);
            z[6] = QString::number(f.Umdrehungsdifferenz);
            if (typ == 2)
                z[7] = Float_zu_String(10, stellen, f.MinMax * faktor);
        }
        zeilen.push_back(z);
        ++r;
    }
    if (zeilen.empty())
        zeilen.emplace_back();
    return zeilen;
}
