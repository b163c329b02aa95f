// Feeds the map-file reader with random files, as a curve and as a map: it must end, read
// nothing outside the file and place every value within the 17 x 17 grid.

#include "model/UKennfeld.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray inhalt(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (bool kurve : {false, true}) {
        Kennfelddatei::Fehler fehler = Kennfelddatei::Fehler::keiner;
        const auto d = zerlege_Kennfelddatei(inhalt, kurve, &fehler);
        if (!d)
            continue;
        if (fehler != Kennfelddatei::Fehler::keiner)
            std::abort();
        // 2 bytes a word: never more values than the file holds.
        if (static_cast<size_t>(10 + d->Punkte.size()) * 2 > size)
            std::abort();
        for (const auto& p : d->Punkte)
            if (p.x < 0 || p.x > 16 || p.y < 0 || p.y > 16 || (kurve && p.y != 0))
                std::abort();
    }
    return 0;
}
