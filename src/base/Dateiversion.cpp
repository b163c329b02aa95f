#include "base/Dateiversion.h"

#include "base/BaseLog.h"
#include "platform/Dateien.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

cl_Dateiversion::cl_Dateiversion(QString datenordner) : datenordner_(std::move(datenordner)) {}

QString cl_Dateiversion::Nummer(int nummer) {
    return QStringLiteral("%1").arg(nummer, 2, 10, QLatin1Char('0'));
}

QString cl_Dateiversion::Dateiname(int nummer) const {
    // The folder as it is spelled on disk, so that a new version lands in it.
    return Dateien::finde(Dateien::verbinde(Dateien::finde(datenordner_),
                                            basisname_ + '.' + Nummer(nummer) + Suffix));
}

void cl_Dateiversion::suche_Versionen() {
    vorhandene_Versionen.reset();
    const QString praefix = basisname_ + '.';
    const QStringList dateien = QDir(Dateien::finde(datenordner_))
                                    .entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& datei : dateien) {
        // The pattern engine + ".??" + kind, regardless of letter case.
        if (datei.size() != praefix.size() + 2 + Suffix.size() ||
            !datei.startsWith(praefix, Qt::CaseInsensitive) ||
            !datei.endsWith(Suffix, Qt::CaseInsensitive))
            continue;
        // The two characters after the first point: an engine name with a point of its own
        // gives no version.
        const qsizetype punkt = datei.indexOf('.');
        const QChar z1 = datei.at(punkt + 1);
        const QChar z2 = punkt + 2 < datei.size() ? datei.at(punkt + 2) : QChar();
        if (z1 >= '0' && z1 <= '9' && z2 >= '0' && z2 <= '9')
            vorhandene_Versionen.set((z1.unicode() - '0') * 10 + (z2.unicode() - '0'));
    }
}

int cl_Dateiversion::hoechste_Version() {
    if (basisname_.isEmpty())
        return -1;
    suche_Versionen();
    for (int n = 99; n >= 1; --n)
        if (vorhandene_Versionen.test(n))
            return n;
    return -1;
}

int cl_Dateiversion::naechste_freie_Version() {
    if (basisname_.isEmpty())
        return -1;
    int h = hoechste_Version();
    if (h < 1)
        return 1;
    if (h == 99) {
        Versionen_neu_nummerieren();
        h = hoechste_Version();
        if (h == 99)
            return -1;
    }
    return h + 1;
}

QStringList cl_Dateiversion::Listenzeilen() {
    QStringList zeilen;
    suche_Versionen();
    for (int n = 0; n <= 99; ++n) {
        if (vorhandene_Versionen.test(n)) {
            const QFileInfo info(Dateiname(n));
            if (info.exists()) {
                const QDateTime zeit = info.lastModified();
                zeilen.append(Nummer(n) + QStringLiteral("     ") +
                              zeit.toString(QStringLiteral("dd.MM.yyyy")) +
                              QStringLiteral("     ") + zeit.toString(QStringLiteral("HH:mm:ss")));
            }
        } else if (n >= 1) {
            zeilen.append(Nummer(n));
        }
    }
    return zeilen;
}

void cl_Dateiversion::Versionen_loeschen(const std::vector<int>& nummern) {
    for (const int n : nummern) {
        if (n < 0 || n > 99 || !vorhandene_Versionen.test(n))
            continue;
        QFile datei(Dateiname(n));
        if (!datei.remove())
            qCDebug(lcBase) << "version not erased:" << datei.fileName() << datei.errorString();
    }
}

bool cl_Dateiversion::Version_umbenennen(const QString& von, const QString& nach) {
    QFile datei(von);
    // QFile::rename refuses an existing target: a version is never overwritten.
    if (datei.rename(nach))
        return true;
    qCDebug(lcBase) << "version not renamed:" << von << "->" << nach << datei.errorString();
    return false;
}

void cl_Dateiversion::Versionen_neu_nummerieren() {
    if (basisname_.isEmpty())
        return;
    suche_Versionen();
    std::vector<int> alt;
    for (int n = 0; n <= 99; ++n)
        if (vorhandene_Versionen.test(n))
            alt.push_back(n);
    // 00 ... 99 all taken: no number is left to close a gap with.
    if (alt.size() > 99)
        return;

    struct Umzug {
        QString original;
        QString zwischen;
        int nach;
    };
    std::vector<Umzug> umzuege;
    const QString ordner = Dateien::finde(datenordner_);
    // First every file that moves goes to a temporary name outside the version pattern, so
    // that 00 -> 01 never meets the old 01.
    for (size_t i = 0; i < alt.size(); ++i) {
        const int nach = static_cast<int>(i) + 1;
        if (alt[i] == nach)
            continue;
        const QString original = Dateiname(alt[i]);
        const QString zwischen =
            QDir(ordner).filePath(QStringLiteral(".~") + basisname_ + '.' + Nummer(alt[i]) +
                                  Suffix + QStringLiteral(".renumber"));
        if (Version_umbenennen(original, zwischen))
            umzuege.push_back({original, zwischen, nach});
    }
    for (const Umzug& u : umzuege) {
        const QString ziel = QDir(ordner).filePath(basisname_ + '.' + Nummer(u.nach) + Suffix);
        // A file that stayed where this one should go keeps its place, and this one its own.
        if (!Version_umbenennen(u.zwischen, ziel))
            Version_umbenennen(u.zwischen, u.original);
    }
}

int cl_Dateiversion::zeige_Dialog() {
    if (!wahl_) {
        qCDebug(lcBase) << "no version dialog to choose with";
        return -1;
    }
    return wahl_->waehle_Version(*this);
}
