// The error-definition file, read against a catalogue with a variable of each type. Promised:
// it ends; a file that ends inside a pair is refused; every definition names a catalogue
// variable, a variable without limits gets no rows, no more rows than the file has pairs;
// and what the reader took, written and read again, comes back unchanged.

#include "Fuzzhilfe.h"

#include "model/UFehlerdefinitionen.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray inhalt(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    cl_Fehler_Katalog katalog;
    katalog.Variablen = {{1, 2, QStringLiteral("Speed"), 1.0F, 0},
                         {5, 1, QStringLiteral("Switch"), 1.0F, 0},
                         {8, 0, QStringLiteral("Reset"), 1.0F, 0},
                         {40000, 2, QStringLiteral("High"), 0.01F, 2}};
    const auto gelesen = Fehlerdefinitionsdatei::lies(inhalt, katalog);
    fuzz::pruefe(gelesen.has_value() == (size > 0 && size % 4 == 0),
                 "only whole files of pairs are read");
    if (!gelesen)
        return 0;
    size_t zeilen = 0;
    cl_Fehler_Definitionen defs{katalog};
    for (const cl_Fehler_def& d : *gelesen) {
        const cl_Fehler_Variable* v = katalog.Variable(d.Variable);
        fuzz::pruefe(v != nullptr, "a definition names a catalogue variable");
        fuzz::pruefe(v->Typ != 0 || d.Grenzen.empty(), "no rows for a variable without limits");
        zeilen += d.Grenzen.size();
    }
    fuzz::pruefe((gelesen->size() + zeilen) * 4 <= size, "no more than the file holds");
    defs.Liste = *gelesen;
    const auto wieder =
        Fehlerdefinitionsdatei::lies(Fehlerdefinitionsdatei::schreibe(defs), katalog);
    if (gelesen->empty()) {
        fuzz::pruefe(!wieder, "nothing written is an empty file");
        return 0;
    }
    fuzz::pruefe(wieder && wieder->size() == gelesen->size(), "written and read again");
    for (size_t i = 0; i < gelesen->size(); ++i)
        fuzz::pruefe((*wieder)[i].Variable == (*gelesen)[i].Variable &&
                         (*wieder)[i].Grenzen == (*gelesen)[i].Grenzen,
                     "every definition comes back");
    return 0;
}
