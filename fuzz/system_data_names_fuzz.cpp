// The names of the system data items: the input is a software description file in the
// language folder, as a user may put it there; the system data window reads its "\" lines.
// Promised: no name is empty, each comes from a line of its own that starts with "\" and ends
// with that name, no more names than such lines, in the order of the file; reading the file
// again gives the same names, and a number's name is the first one given for it.

#include "Fuzzhilfe.h"

#include "base/Uglobal.h"
#include "platform/Dateien.h"
#include "windows/status/USystemdaten.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

struct Umgebung {
    int argc = 1;
    char name[8] = "fuzz";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    QTemporaryDir ordner{fuzz::Ordnervorlage()};
    Globaldaten daten;

    Umgebung() {
        daten.g.Pfad_Sprache = ordner.path();
        installiere_Globaldaten(&daten);
    }
};

Umgebung& umgebung() {
    static Umgebung u;
    return u;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Umgebung& u = umgebung();
    const QByteArray inhalt(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString datei = QStringLiteral("T-FUZZQuorvel-1-400-0615.TXT");
    fuzz::pruefe(fuzz::schreibe(u.ordner.filePath(datei), inhalt), "input written");

    Systemdaten_Logik l;
    l.lade_Namen(datei);
    static const QRegularExpression zeilenende(QStringLiteral("\r\n|\r|\n"));
    const QStringList zeilen = Dateien::von_1252(inhalt).split(zeilenende);
    qsizetype z = 0;
    for (const cl_Daten& d : l.Namen) {
        fuzz::pruefe(!d.Name.isEmpty(), "no empty name");
        while (z < zeilen.size() &&
               !(zeilen[z].startsWith(QLatin1Char('\\')) && zeilen[z].endsWith(d.Name)))
            ++z;
        fuzz::pruefe(z < zeilen.size(), "each name from a line of its own, in order");
        ++z;
        fuzz::pruefe(l.Name(d.Nummer) ==
                         std::find_if(l.Namen.begin(), l.Namen.end(),
                                      [&](const cl_Daten& e) { return e.Nummer == d.Nummer; })
                             ->Name,
                     "the first name of a number");
    }
    Systemdaten_Logik nochmal;
    nochmal.lade_Namen(datei);
    fuzz::pruefe(nochmal.Namen == l.Namen, "the same names again");
    return 0;
}
