// Feeds an ignition editor's table with random map files as the editor shows them after a
// load: evaluation, every cell's text, navigation, rows and columns and the CSV text must
// end and stay inside the image, in 8 and in 16 columns.

#include "model/UZuendtabelle.h"

#include <QDateTime>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (int spalten : {8, 16}) {
        Zuendtabelle::Bild bild{};
        std::memcpy(bild.data(), data, std::min(size, bild.size()));
        const int n = spalten;
        Zuendtabelle t(bild, n);
        t.auswerten();
        if (t.letzter_X() < 0 || t.letzter_X() >= n || t.letzter_Y() < 0 || t.letzter_Y() > 15)
            std::abort();
        for (int r = 0; r <= 16; ++r)
            for (int c = 0; c <= n; ++c) {
                (void)t.Text({r, c});
                const Zuendzelle z =
                    t.navigiere({r, c}, Zuendtabelle::Taste::runter, false, (r + c) % 2 == 0);
                if (z.zeile < 0 || z.zeile > 16 || z.spalte < 0 || z.spalte > n)
                    std::abort();
            }
        (void)t.CSV(QStringLiteral("t"), QStringLiteral("f"), QDateTime(), {}, u'.', u':');
        t.Zeile_einfuegen(0);
        t.Spalte_loeschen(0);
        (void)t.naechster_X(size > 0 ? data[0] * 100 : 0);
    }
    return 0;
}
