// The parameter file reader with random files, its numbers typed as the shipped definitions
// of the simulated ECU would type them (each type somewhere). Promised: it ends, reads
// nothing outside the file, never hands on more values than the file has pairs, keeps every
// text of the identity terminated within its field, and types 8 and 9 get 32-bit values.

#include "model/Parameterdatei.h"

#include <QByteArrayView>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView inhalt(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Parameterdatei::Kopf kopf;
    size_t werte = 0;
    const bool ok = Parameterdatei::lies(
        inhalt, kopf,
        [](int nummer) -> std::optional<int> {
            if (nummer % 11 == 10)
                return std::nullopt;
            return nummer % 11;
        },
        [&](int nummer, int64_t roh) {
            ++werte;
            const int typ = nummer % 11;
            if (typ == 8 && (roh < INT32_MIN || roh > INT32_MAX))
                std::abort();
            if (typ != 8 && (roh < 0 || roh > UINT32_MAX))
                std::abort();
            if (typ != 8 && typ != 9 && roh > UINT16_MAX)
                std::abort();
        });
    if (werte * 4 > size)
        std::abort();
    if (ok) {
        for (size_t ende : {40u, 51u, 60u})
            if (kopf.Kennung[ende] != 0)
                std::abort();
    }
    return 0;
}
