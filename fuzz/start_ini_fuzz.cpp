// "Start.INI": the input is the file in the program folder as another program left it. The
// main window's close writes it again from what it read there, with the engine name and the
// places of two open windows. Promised: the lines before the first section and every
// "[Telemetry]" section stay byte for byte, in front of what the program writes (a last line
// without a line end gets one); the engine name and the places read back from the new file;
// and writing the new file once more changes nothing.

#include "Fuzzhilfe.h"

#include "platform/Dateien.h"
#include "windows/UQuorvel.h"

#include <QApplication>
#include <QSaveFile>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace {

struct Umgebung {
    int argc = 1;
    char name[8] = "fuzz";
    char* argv[2] = {name, nullptr};
    fuzz::Programmordner ordner;
};

Umgebung& umgebung() {
    static Umgebung u;
    return u;
}

struct Zeile {
    QByteArray bytes; // with its line end
    std::optional<QString> Kopf;
};

// The lines with their ends (CRLF, LF or CR), each a section header or not.
std::vector<Zeile> Zeilen(const QByteArray& text) {
    std::vector<Zeile> zeilen;
    qsizetype anfang = 0;
    const auto nimm = [&](qsizetype ende) {
        Zeile z{text.mid(anfang, ende - anfang), {}};
        QByteArray inhalt = z.bytes;
        while (inhalt.endsWith('\n') || inhalt.endsWith('\r'))
            inhalt.chop(1);
        const QString t = Dateien::von_1252(inhalt).trimmed();
        if (t.startsWith('[')) {
            const qsizetype zu = t.indexOf(']');
            z.Kopf = t.mid(1, zu < 0 ? -1 : zu - 1).trimmed();
        }
        zeilen.push_back(z);
        anfang = ende;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        nimm(i + 1);
    }
    if (anfang < text.size())
        nimm(text.size());
    return zeilen;
}

// The value of a key in a section of the written file.
std::optional<QString> Wert(const QByteArray& text, const QString& abschnitt,
                            const QString& schluessel) {
    bool drin = false;
    for (const Zeile& z : Zeilen(text)) {
        if (z.Kopf) {
            drin = z.Kopf->compare(abschnitt, Qt::CaseInsensitive) == 0;
            continue;
        }
        QByteArray inhalt = z.bytes;
        while (inhalt.endsWith('\n') || inhalt.endsWith('\r'))
            inhalt.chop(1);
        const QString t = Dateien::von_1252(inhalt);
        if (drin && t.startsWith(schluessel + '='))
            return t.mid(schluessel.size() + 1);
    }
    return std::nullopt;
}

QByteArray schliesse(const Umgebung& u, const QString& motorname,
                     const std::vector<TForm_Quorvel::Fensterlage>& lagen) {
    const QString pfad =
        Dateien::finde(Dateien::verbinde(u.ordner.pfad(), QStringLiteral("Start.INI")));
    const QByteArray neu = TForm_Quorvel::Start_INI(fuzz::lies(pfad), motorname, lagen);
    fuzz::pruefe(Dateien::schreibe_Datei(pfad, neu), "Start.INI not written");
    return neu;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Umgebung& u = umgebung();
    const QByteArray alt(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    fuzz::schreibe(u.ordner.datei(QStringLiteral("Start.INI")), alt);
    const QString motorname = QStringLiteral("Prüfstand 2");
    const std::vector<TForm_Quorvel::Fensterlage> lagen = {
        {QStringLiteral("Main"), QRect(10, 20, 640, 480)},
        {QStringLiteral("Status"), QRect(-5, 0, 300, 200)}};
    const QByteArray neu = schliesse(u, motorname, lagen);

    // What stays: the lines before the first section and the Telemetry sections.
    QByteArray bleibt;
    bool drin = true;
    for (const Zeile& z : Zeilen(alt)) {
        if (z.Kopf)
            drin = *z.Kopf == QLatin1String("Telemetry");
        if (drin)
            bleibt += z.bytes;
    }
    if (!bleibt.isEmpty() && !bleibt.endsWith('\n') && !bleibt.endsWith('\r'))
        bleibt += "\r\n";
    fuzz::pruefe(neu.startsWith(bleibt), "another program's lines did not stay as they were");

    fuzz::pruefe(Wert(neu, QStringLiteral("Engine Name"), QStringLiteral("Name")) == motorname,
                 "the engine name does not read back");
    for (const auto& l : lagen) {
        fuzz::pruefe(Wert(neu, l.Abschnitt, QStringLiteral("Left")) ==
                         QString::number(l.Rahmen.left()),
                     "a window's place does not read back");
        fuzz::pruefe(Wert(neu, l.Abschnitt, QStringLiteral("Width")) ==
                         QString::number(l.Rahmen.width()),
                     "a window's width does not read back");
    }
    fuzz::pruefe(schliesse(u, motorname, lagen) == neu, "writing the file again changed it");
    return 0;
}
