// The catalogue of error variables: the input is the language folder's catalogue of the
// ECU software, read as the definitions window reads it. Promised: every variable has an id
// within 0 ... 65535, a type within 0 ... 2, a usable factor and a bounded number of
// decimals, no line makes more than one variable, and the definitions are gone.

#include "Fuzzhilfe.h"

#include "base/Uglobal.h"
#include "model/UFehlerdefinitionen.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::Programmordner programm;
    const QByteArray inhalt(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Globaldaten daten;
    daten.g.Pfad_Sprache = programm.datei(QStringLiteral("Language/English"));
    installiere_Globaldaten(&daten);
    fuzz::schreibe(programm.datei(QStringLiteral("Language/English/QRVE0615.TXT")), inhalt);

    fuzz::Mitschrift mitschrift;
    cl_Fehler_Katalog katalog;
    cl_Fehler_Definitionen defs{katalog};
    katalog.Variablen = {{1, 2, QStringLiteral("old"), 1.0F, 0}};
    defs.neue_Definition(1);
    const bool geladen = defs.lade_Variablendatei(615, mitschrift);

    fuzz::pruefe(geladen == !katalog.leer(), "the result says whether a variable was read");
    fuzz::pruefe(defs.leer() && defs.aktuell == -1, "a catalogue read frees the definitions");
    fuzz::pruefe(katalog.Variablen.size() <= static_cast<size_t>(inhalt.count('-')),
                 "a variable comes from a line of its own");
    for (const cl_Fehler_Variable& v : katalog.Variablen) {
        fuzz::pruefe(v.id <= 65535 && v.Typ <= 2, "id and type in range");
        fuzz::pruefe(std::isfinite(v.Faktor) && std::fabs(v.Faktor) >= 1e-6F, "a usable factor");
        fuzz::pruefe(v.Nachkommastellen <= 20, "bounded decimals");
        // What the window shows of it must not fail.
        (void)Roh_zu_Anzeige(-32768, static_cast<double>(v.Faktor),
                             static_cast<int>(v.Nachkommastellen));
    }
    installiere_Globaldaten(nullptr);
    return 0;
}
