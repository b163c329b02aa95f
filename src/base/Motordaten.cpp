#include "base/Motordaten.h"

#include "base/BaseLog.h"
#include "base/Uglobal.h"
#include "platform/Dateien.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <array>

namespace {

// The set a file belongs to: the part before its first point, when the rest is a
// non-empty ending without a further point.
std::optional<QString> Satzname(const QString& datei) {
    const qsizetype punkt = datei.indexOf('.');
    if (punkt < 0 || punkt + 1 >= datei.size() || datei.indexOf('.', punkt + 1) >= 0)
        return std::nullopt;
    return datei.left(punkt);
}

QStringList Dateien_im_Ordner(const QString& ordner) {
    // Normal files only: no folders, no hidden or system files.
    return QDir(ordner).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

QString Dateifehler(const QString& pfad, const QString& fehler) {
    return QDir::toNativeSeparators(pfad) + QStringLiteral(": ") + fehler;
}

} // namespace

Motordaten::Motordaten(QString datenordner) : datenordner_(std::move(datenordner)) {}

bool Motordaten::gueltiger_Name(const QString& name) {
    const QLatin1String verboten("\\/.:*?\"<>|");
    if (name.isEmpty())
        return false;
    for (const QChar c : name)
        if (c.unicode() < 32 || verboten.contains(c))
            return false;
    // Windows reads these names as devices, whatever ending follows.
    static constexpr std::array<const char*, 4> geraete = {"CON", "PRN", "AUX", "NUL"};
    for (const char* g : geraete)
        if (name.compare(QLatin1String(g), Qt::CaseInsensitive) == 0)
            return false;
    if (name.size() == 4 && name.at(3) >= '1' && name.at(3) <= '9' &&
        (name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ||
         name.startsWith(QLatin1String("LPT"), Qt::CaseInsensitive)))
        return false;
    return true;
}

QStringList Motordaten::Liste() const {
    QStringList namen;
    for (const QString& datei : Dateien_im_Ordner(Dateien::finde(datenordner_))) {
        const std::optional<QString> satz = Satzname(datei);
        if (!satz || satz->isEmpty())
            continue;
        if (datei.mid(satz->size() + 1).compare(QLatin1String("DAT"), Qt::CaseInsensitive) == 0)
            namen.append(*satz);
    }
    std::stable_sort(namen.begin(), namen.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return namen;
}

QStringList Motordaten::Dateien_des_Satzes(const QString& name) const {
    QStringList dateien;
    if (name.isEmpty())
        return dateien;
    for (const QString& datei : Dateien_im_Ordner(Dateien::finde(datenordner_))) {
        const std::optional<QString> satz = Satzname(datei);
        if (satz && satz->compare(name, Qt::CaseInsensitive) == 0)
            dateien.append(datei);
    }
    return dateien;
}

QString Motordaten::Beschreibungsdatei(const QString& name) const {
    // The folder as it is spelled on disk, so that a new file lands in it.
    return Dateien::finde(
        Dateien::verbinde(Dateien::finde(datenordner_), name + QStringLiteral(".DAT")));
}

std::optional<QStringList> Motordaten::lies_Beschreibung(const QString& name) const {
    if (name.isEmpty())
        return std::nullopt;
    return Dateien::lies_Zeilen(Beschreibungsdatei(name));
}

QString Motordaten::schreibe_Beschreibung(const QString& name, const QStringList& zeilen) const {
    const QString pfad = Beschreibungsdatei(name);
    QByteArray inhalt;
    for (const QString& zeile : zeilen)
        inhalt += Dateien::zu_1252(zeile) + "\r\n";
    // Through a temporary file: a failed save leaves the old description whole.
    QSaveFile datei(pfad);
    if (!datei.open(QIODevice::WriteOnly) || datei.write(inhalt) != inhalt.size() ||
        !datei.commit())
        return Dateifehler(pfad, datei.errorString());
    return {};
}

QString Motordaten::neu(const QString& name) const {
    if (!gueltiger_Name(name))
        return hole_Text(107);
    const QString pfad = Beschreibungsdatei(name);
    if (QFileInfo::exists(pfad))
        return {};
    QDir().mkpath(Dateien::finde(datenordner_));
    QFile datei(pfad);
    if (!datei.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return Dateifehler(pfad, datei.errorString());
    return {};
}

Motordaten::Umbenennung Motordaten::umbenennen(const QString& alt, const QString& neu) const {
    if (!gueltiger_Name(neu))
        return {true, hole_Text(107)};
    const QString ordner = Dateien::finde(datenordner_);
    const QStringList dateien = Dateien_des_Satzes(alt);
    // A file of the new name anywhere (a numbered file without a description included)
    // refuses the whole rename, before any file is touched.
    if (!Dateien_des_Satzes(neu).isEmpty())
        return {true, hole_Text(108)};
    QStringList fehler;
    for (const QString& datei : dateien) {
        const QString ziel = neu + datei.mid(datei.indexOf('.'));
        QFile f(QDir(ordner).filePath(datei));
        // QFile::rename never replaces an existing file.
        if (!f.rename(QDir(ordner).filePath(ziel)))
            fehler.append(Dateifehler(f.fileName(), f.errorString()));
    }
    return {false, fehler.join(QChar(Zeilenumbruch))};
}

QString Motordaten::loeschen(const QString& name) const {
    const QString ordner = Dateien::finde(datenordner_);
    for (const QString& datei : Dateien_des_Satzes(name)) {
        QFile f(QDir(ordner).filePath(datei));
        if (!f.remove())
            return Dateifehler(f.fileName(), f.errorString());
    }
    return {};
}
