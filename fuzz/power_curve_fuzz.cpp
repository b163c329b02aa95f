// The power-curve file ("L"), as a user may hand it to the power window's load button: read
// as the comparison curve. Promised: the reader ends; the points it made run one per 20 rpm
// from the first word's speed; the axis is never 0; and a curve read whole, written again
// and read back, gives the same points, values and axis.

#include "Fuzzhilfe.h"

#include "windows/status/ULeistung.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray inhalt(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Leistungskurve kurve;
    int achse = 8000;
    const bool ganz = lies_Leistungskennlinie(inhalt, kurve, achse);
    fuzz::pruefe(achse != 0, "the rpm axis is never 0");
    for (size_t i = 1; i < kurve.Punkte.size(); ++i)
        fuzz::pruefe(kurve.Punkte[i].Drehzahl == kurve.Punkte[i - 1].Drehzahl + 20,
                     "one point per 20 rpm");
    fuzz::pruefe(kurve.Punkte.empty() || kurve.aktuell == static_cast<int>(kurve.Punkte.size()) - 1,
                 "the curve is held at its last point");
    if (!ganz)
        return 0;
    Leistungskurve wieder;
    int achse2 = 1234;
    fuzz::pruefe(lies_Leistungskennlinie(Leistungskennlinie_Inhalt(kurve, achse), wieder, achse2),
                 "a written curve reads whole");
    fuzz::pruefe(achse2 == achse, "the axis survives");
    fuzz::pruefe(wieder.Punkte == kurve.Punkte, "the points survive");
    return 0;
}
