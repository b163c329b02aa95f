#include "base/Inidatei.h"

#include "platform/Dateien.h"

#include <optional>

namespace {

const QByteArray Zeilenende("\r\n");

// The lines of a text, each with its line end (CRLF, LF or CR); the last one may have none.
QList<QByteArray> Zeilen(const QByteArray& text) {
    QList<QByteArray> zeilen;
    qsizetype anfang = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        zeilen.append(text.mid(anfang, i + 1 - anfang));
        anfang = i + 1;
    }
    if (anfang < text.size())
        zeilen.append(text.mid(anfang));
    return zeilen;
}

QString ohne_Ende(const QByteArray& zeile) {
    QByteArray z = zeile;
    while (z.endsWith('\n') || z.endsWith('\r'))
        z.chop(1);
    return Dateien::von_1252(z).trimmed();
}

// The name of a section header line, or nothing when the line is none.
std::optional<QString> Kopfname(const QByteArray& zeile) {
    const QString z = ohne_Ende(zeile);
    if (!z.startsWith('['))
        return std::nullopt;
    const qsizetype ende = z.indexOf(']');
    return z.mid(1, ende < 0 ? -1 : ende - 1).trimmed();
}

bool gleich(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

Inidatei::Inidatei(const QByteArray& inhalt) {
    for (const QByteArray& zeile : Zeilen(inhalt)) {
        if (const auto name = Kopfname(zeile))
            abschnitte_.push_back({*name, {zeile}});
        else if (abschnitte_.empty())
            vorspann_.append(zeile);
        else
            abschnitte_.back().zeilen.append(zeile);
    }
}

QStringList Inidatei::Abschnitte() const {
    QStringList namen;
    for (const Abschnitt& a : abschnitte_)
        namen << a.name;
    return namen;
}

void Inidatei::loesche_Abschnitte_ausser(const QString& name) {
    std::erase_if(abschnitte_, [&](const Abschnitt& a) { return a.name != name; });
}

Inidatei::Abschnitt* Inidatei::finde(const QString& name) {
    for (Abschnitt& a : abschnitte_)
        if (gleich(a.name, name))
            return &a;
    return nullptr;
}

void Inidatei::beende_letzte_Zeile() {
    QList<QByteArray>& zeilen = abschnitte_.empty() ? vorspann_ : abschnitte_.back().zeilen;
    if (!zeilen.isEmpty() && !zeilen.back().endsWith('\n') && !zeilen.back().endsWith('\r'))
        zeilen.back() += Zeilenende;
}

void Inidatei::schreibe(const QString& abschnitt, const QString& schluessel, const QString& wert) {
    const QByteArray neu = Dateien::zu_1252(schluessel + '=' + wert) + Zeilenende;
    Abschnitt* a = finde(abschnitt);
    if (!a) {
        beende_letzte_Zeile();
        const bool leer = abschnitte_.empty() && vorspann_.isEmpty();
        const QList<QByteArray>& davor =
            abschnitte_.empty() ? vorspann_ : abschnitte_.back().zeilen;
        // Sections stand apart by a blank line.
        if (!leer && !davor.isEmpty() && !ohne_Ende(davor.back()).isEmpty())
            (abschnitte_.empty() ? vorspann_ : abschnitte_.back().zeilen).append(Zeilenende);
        abschnitte_.push_back({abschnitt, {Dateien::zu_1252('[' + abschnitt + ']') + Zeilenende}});
        abschnitte_.back().zeilen.append(neu);
        return;
    }
    // The key's own line, else after the section's last line that is not blank.
    qsizetype letzte = 0;
    for (qsizetype i = 1; i < a->zeilen.size(); ++i) {
        const QString z = ohne_Ende(a->zeilen[i]);
        if (z.isEmpty())
            continue;
        letzte = i;
        const qsizetype gleichheit = z.indexOf('=');
        if (!z.startsWith(';') && gleichheit >= 0 &&
            gleich(z.left(gleichheit).trimmed(), schluessel)) {
            a->zeilen[i] = neu;
            return;
        }
    }
    if (!a->zeilen[letzte].endsWith('\n') && !a->zeilen[letzte].endsWith('\r'))
        a->zeilen[letzte] += Zeilenende;
    a->zeilen.insert(letzte + 1, neu);
}

QByteArray Inidatei::Inhalt() const {
    QByteArray text;
    for (const QByteArray& z : vorspann_)
        text += z;
    for (const Abschnitt& a : abschnitte_)
        for (const QByteArray& z : a.zeilen)
            text += z;
    return text;
}
