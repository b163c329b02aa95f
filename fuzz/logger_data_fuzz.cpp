// The logger window's text file, as a user may hand it to the load button: read from disk
// line by line into the table under either decimal separator. Promised: one row per line
// below the headers, numbered from 1; and after one load and save the file's lines are a
// fixed point: loading and saving them again gives them back.

#include "Fuzzhilfe.h"

#include "platform/Dateien.h"
#include "windows/status/UTest_Logdaten.h"

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

namespace {

struct Umgebung {
    int argc = 1;
    char name[8] = "fuzz";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    QTemporaryDir ordner{fuzz::Ordnervorlage()};
};

Umgebung& umgebung() {
    static Umgebung u;
    return u;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Umgebung& u = umgebung();
    const QString datei = u.ordner.filePath(QStringLiteral("log.csv"));
    fuzz::pruefe(fuzz::schreibe(datei, QByteArray(reinterpret_cast<const char*>(data),
                                                  static_cast<qsizetype>(size))),
                 "the input is in place");
    const std::optional<QStringList> zeilen = Dateien::lies_Zeilen(datei);
    fuzz::pruefe(zeilen.has_value(), "an existing file reads");
    for (const QChar trenner : {QChar(u'.'), QChar(u',')}) {
        Logdatentabelle t;
        t.Dezimaltrennzeichen = trenner;
        t.lade(*zeilen);
        fuzz::pruefe(t.Zeilenzahl() == zeilen->size() + 1, "a row per line");
        for (int r = 1; r < t.Zeilenzahl(); ++r)
            fuzz::pruefe(t.zeile(r)[Logdatentabelle::Nr_abs] == QString::number(r),
                         "rows numbered from 1");
        const QStringList einmal = t.Dateizeilen();
        Logdatentabelle w;
        w.Dezimaltrennzeichen = trenner;
        w.lade(einmal);
        fuzz::pruefe(w.Dateizeilen() == einmal, "a saved table saves again as it is");
    }
    return 0;
}
