// The engine data set's description: the input is the file engine + ".DAT" in the data
// folder. The engine-name window lists the set and reads the description, and saving the
// lines it showed gives them back. Promised: the set is listed once, the lines are the
// file's lines (split at CR, LF or CRLF), and a save and a new read give the same lines.

#include "Fuzzhilfe.h"

#include "base/Motordaten.h"
#include "base/Uglobal.h"
#include "platform/Dateien.h"

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

namespace {

struct Umgebung {
    int argc = 1;
    char name[8] = "fuzz";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    fuzz::Programmordner ordner;
    Motordaten motordaten{ordner.datei(QStringLiteral("DATA"))};
};

Umgebung& umgebung() {
    static Umgebung u;
    return u;
}

QStringList Zeilen(const QByteArray& text) {
    QStringList zeilen;
    qsizetype anfang = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        zeilen.append(Dateien::von_1252(text.mid(anfang, i - anfang)));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        anfang = i + 1;
    }
    if (anfang < text.size())
        zeilen.append(Dateien::von_1252(text.mid(anfang)));
    return zeilen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Umgebung& u = umgebung();
    const QByteArray inhalt(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString name = QStringLiteral("Prüfstand");
    fuzz::schreibe(u.ordner.datei(QStringLiteral("DATA/Prüfstand.DAT")), inhalt);

    fuzz::pruefe(u.motordaten.Liste() == QStringList{name}, "the set is not listed once");
    const auto zeilen = u.motordaten.lies_Beschreibung(name);
    fuzz::pruefe(zeilen.has_value(), "the description cannot be read");
    fuzz::pruefe(*zeilen == Zeilen(inhalt), "the description's lines are not the file's");
    fuzz::pruefe(u.motordaten.schreibe_Beschreibung(name, *zeilen).isEmpty(),
                 "the description cannot be saved");
    fuzz::pruefe(u.motordaten.lies_Beschreibung(name) == zeilen,
                 "a saved description reads back otherwise");
    fuzz::pruefe(u.motordaten.Dateien_des_Satzes(name).size() == 1, "the set gained a file");
    return 0;
}
