// The program file a user hands the firmware programming: read as it is before anything is
// sent to the boot loader. Promised: a file that is not a whole number of records gives no
// records and no header, so that no cut record can reach the flash; a whole file gives its
// first record as the header and every other record byte for byte in order.

#include "Fuzzhilfe.h"

#include "windows/service/Programmboot.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QTemporaryDir ordner(fuzz::Ordnervorlage());
    const QByteArray inhalt(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString pfad = ordner.filePath(QStringLiteral("program.bin"));
    fuzz::pruefe(fuzz::schreibe(pfad, inhalt), "the input is written");
    tDatensatz kopf;
    kopf.Bytes.fill(0xEE);
    std::vector<tDatensatz> saetze(3);
    const Programmdatei::Ergebnis e = Programmdatei::lies(pfad, kopf, saetze);
    const bool ganz = size % tDatensatz::Laenge == 0;
    const bool leer_Kopf =
        std::all_of(kopf.Bytes.begin(), kopf.Bytes.end(), [](uint8_t b) { return b == 0; });
    if (!ganz) {
        fuzz::pruefe(e == Programmdatei::Ergebnis::beschaedigt, "a cut file is damaged");
        fuzz::pruefe(saetze.empty() && leer_Kopf, "a cut file gives nothing");
        return 0;
    }
    fuzz::pruefe(e == Programmdatei::Ergebnis::gelesen, "a whole file is read");
    const size_t n = size / tDatensatz::Laenge;
    fuzz::pruefe(saetze.size() == (n == 0 ? 0 : n - 1), "every record after the header");
    if (n == 0) {
        fuzz::pruefe(leer_Kopf, "an empty file has a zero header");
        return 0;
    }
    fuzz::pruefe(std::equal(kopf.Bytes.begin(), kopf.Bytes.end(), data), "the header");
    for (size_t i = 0; i < saetze.size(); ++i)
        fuzz::pruefe(std::equal(saetze[i].Bytes.begin(), saetze[i].Bytes.end(),
                                data + (i + 1) * tDatensatz::Laenge),
                     "each record byte for byte");
    return 0;
}
