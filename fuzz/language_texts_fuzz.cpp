// The language texts: the input holds three files, split at the first two zero bytes: the
// chosen language's, the English and the German one, each written where the program looks
// for it. The start-up reads them; promised: text N is line N of the chosen file, where
// that line is empty or missing the English line N, where that one is too the German one;
// its leading blanks go and "|" is a line break; and nothing is reported missing.

#include "Fuzzhilfe.h"

#include "base/Uglobal.h"
#include "platform/Dateien.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <array>
#include <cstddef>
#include <cstdint>

namespace {

struct Umgebung {
    int argc = 1;
    char name[8] = "fuzz";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    fuzz::Programmordner ordner;
    fuzz::Mitschrift meldungen;

    Umgebung() {
        fuzz::schreibe(ordner.registry(),
                       "[SOFTWARE\\Quorvel\\Win Quorvel]\r\nLanguage=Eigene\r\n");
        fuzz::leite_Dialoge_um(meldungen);
    }
};

Umgebung& umgebung() {
    static Umgebung u;
    return u;
}

// The lines of a file, split at CR, LF or CRLF; a last line without an end counts when it
// is not empty.
QList<QByteArray> Zeilen(const QByteArray& text) {
    QList<QByteArray> zeilen;
    qsizetype anfang = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        zeilen.append(text.mid(anfang, i - anfang));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        anfang = i + 1;
    }
    if (anfang < text.size())
        zeilen.append(text.mid(anfang));
    return zeilen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Umgebung& u = umgebung();
    const QByteArray eingabe(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::array<QByteArray, 3> dateien;
    qsizetype anfang = 0;
    for (size_t i = 0; i < dateien.size(); ++i) {
        const qsizetype null = i + 1 < dateien.size() ? eingabe.indexOf('\0', anfang) : -1;
        dateien[i] = eingabe.mid(anfang, null < 0 ? -1 : null - anfang);
        if (null < 0)
            break;
        anfang = null + 1;
    }
    const std::array<const char*, 3> ordner = {"Eigene", "English", "Deutsch"};
    for (size_t i = 0; i < dateien.size(); ++i)
        fuzz::schreibe(
            u.ordner.datei(QStringLiteral("Language/%1/QORV4.TXT").arg(QLatin1String(ordner[i]))),
            dateien[i]);

    Globaldaten daten;
    const Registry registry(u.ordner.registry());
    u.meldungen.texte.clear();
    Uglobal_init(daten, registry, u.ordner.pfad(), {});
    fuzz::pruefe(u.meldungen.texte.isEmpty(), "a language file reported missing");
    fuzz::pruefe(daten.g.Sprache == QLatin1String("Eigene"), "another language chosen");

    std::array<QList<QByteArray>, 3> zeilen;
    qsizetype meiste = 0;
    for (size_t i = 0; i < dateien.size(); ++i) {
        zeilen[i] = Zeilen(dateien[i]);
        meiste = std::max(meiste, zeilen[i].size());
    }
    for (qsizetype n = 0; n <= meiste + 1; ++n) {
        QByteArray erwartet;
        for (const auto& z : zeilen)
            if (n < z.size() && !z[n].isEmpty()) {
                erwartet = z[n];
                break;
            }
        qsizetype blanks = 0;
        while (blanks < erwartet.size() && erwartet[blanks] == ' ')
            ++blanks;
        QString text = Dateien::von_1252(erwartet.mid(blanks));
        text.replace('|', QChar(Zeilenumbruch));
        fuzz::pruefe(daten.texte.hole_Text(static_cast<int>(n) + 1) == text,
                     "a text not from its file, English, German in that order");
    }
    fuzz::pruefe(daten.texte.hole_Text(0).isEmpty(), "a text numbered 0");
    return 0;
}
