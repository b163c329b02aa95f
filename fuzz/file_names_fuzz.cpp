// The file names that engine data sets, numbered versions and software variants are found
// by. The input is a list of lines: most name a file to create in the data folder (or, after
// "l", in the language folder); the others are what the user does: "n" a new set, "r" a
// rename of set a to b ("a|b"), "d" the erasure of a set, "v" the listing and next free
// number of versions of engine|kind, "u" their renumbering, "x" the erasure of listed ones
// (engine|kind|numbers), "s" the software variants of every hardware model. Every file holds
// its own mark, so that it can be followed. Promised: no file is ever lost or made twice; a
// set's operations touch only that set's files, a renumbering only the versions it renumbers,
// and in their order; a listed set has its description, a listed variant its file.

#include "Fuzzhilfe.h"

#include "base/Dateiversion.h"
#include "base/Motordaten.h"
#include "base/Uglobal.h"
#include "windows/USetup.h"

#include <QApplication>
#include <QDirIterator>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

namespace {

struct Umgebung {
    int argc = 1;
    char name[8] = "fuzz";
    char* argv[2] = {name, nullptr};
    fuzz::Programmordner ordner;
    Globaldaten daten;

    Umgebung() {
        fuzz::schreibe(ordner.registry(), "");
        installiere_Globaldaten(&daten);
    }
    QString Daten() const { return ordner.datei(QStringLiteral("DATA")); }
    QString Sprache() const { return ordner.datei(QStringLiteral("Language/English")); }
};

Umgebung& umgebung() {
    static Umgebung u;
    return u;
}

// Every file below a folder (relative path -> content), the temporary ones included.
using Bestand = std::map<QString, QByteArray>;
Bestand Bestand_von(const QString& ordner) {
    Bestand b;
    QDirIterator it(ordner, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString pfad = it.next();
        b[QDir(ordner).relativeFilePath(pfad)] = fuzz::lies(pfad);
    }
    return b;
}

std::vector<QByteArray> Inhalte(const Bestand& b) {
    std::vector<QByteArray> v;
    for (const auto& [name, inhalt] : b)
        v.push_back(inhalt);
    std::sort(v.begin(), v.end());
    return v;
}

// The set a file belongs to, as the user sees it: the name before its only point.
bool gehoert_zu(const QString& datei, const QString& satz) {
    const qsizetype punkt = datei.indexOf('.');
    return punkt >= 0 && punkt + 1 < datei.size() && datei.indexOf('.', punkt + 1) < 0 &&
           datei.left(punkt).compare(satz, Qt::CaseInsensitive) == 0 && !satz.isEmpty() &&
           !datei.contains('/');
}

// The version number a file has as engine + "." + NN + kind, else -1.
int Version_von(const QString& datei, const QString& basis, const QString& art) {
    if (basis.contains('.') || datei.contains('/') ||
        datei.size() != basis.size() + 3 + art.size() ||
        !datei.startsWith(basis + '.', Qt::CaseInsensitive) ||
        !datei.endsWith(art, Qt::CaseInsensitive))
        return -1;
    const QChar a = datei[basis.size() + 1];
    const QChar b = datei[basis.size() + 2];
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return -1;
    return (a.unicode() - '0') * 10 + (b.unicode() - '0');
}

// What is left of a name: no "/" (a folder) and no zero byte, at most 60 characters.
QString Name(const QByteArray& roh) {
    QString n = QString::fromUtf8(roh.left(60));
    n.remove('/');
    n.remove(QChar(0));
    return n;
}

void pruefe_unveraendert_ausser(const Bestand& vorher, const Bestand& nachher,
                                const std::function<bool(const QString&)>& betroffen,
                                const char* was) {
    for (const auto& [name, inhalt] : vorher)
        if (!betroffen(name)) {
            const auto it = nachher.find(name);
            fuzz::pruefe(it != nachher.end() && it->second == inhalt, was);
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Umgebung& u = umgebung();
    QDir(u.Daten()).removeRecursively();
    QDir(u.Sprache()).removeRecursively();
    QDir().mkpath(u.Daten());
    QDir().mkpath(u.Sprache());
    Motordaten motordaten(u.Daten());
    cl_Dateiversion versionen(u.Daten());
    int marke = 0;

    const QByteArray eingabe(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<QByteArray> zeilen = eingabe.split('\n');
    for (int schritt = 0; schritt < std::min<int>(static_cast<int>(zeilen.size()), 64); ++schritt) {
        const QByteArray& zeile = zeilen[schritt];
        const char befehl = zeile.size() >= 2 && zeile[1] == ' ' ? zeile[0] : 0;
        const QList<QByteArray> teile = zeile.mid(2).split('|');
        const QString a = Name(teile.value(0));
        const QString b = Name(teile.value(1));
        // Files are only made by the lines that name them: what was there before counts
        // only for the user's operations.
        const Bestand vorher =
            befehl && std::strchr("nrdvux", befehl) ? Bestand_von(u.Daten()) : Bestand{};

        switch (befehl) {
        case 'n': {
            motordaten.neu(a);
            const Bestand nachher = Bestand_von(u.Daten());
            pruefe_unveraendert_ausser(
                vorher, nachher, [](const QString&) { return false; }, "a new set changed a file");
            fuzz::pruefe(nachher.size() <= vorher.size() + 1, "a new set made more than a file");
            break;
        }
        case 'r': {
            const Motordaten::Umbenennung e = motordaten.umbenennen(a, b);
            const Bestand nachher = Bestand_von(u.Daten());
            fuzz::pruefe(Inhalte(vorher) == Inhalte(nachher), "a rename lost or made a file");
            pruefe_unveraendert_ausser(
                vorher, nachher, [&](const QString& d) { return !e.abgelehnt && gehoert_zu(d, a); },
                "a rename touched another set");
            break;
        }
        case 'd': {
            motordaten.loeschen(a);
            const Bestand nachher = Bestand_von(u.Daten());
            pruefe_unveraendert_ausser(
                vorher, nachher, [&](const QString& d) { return gehoert_zu(d, a); },
                "erasing a set erased another's file");
            fuzz::pruefe(nachher.size() <= vorher.size(), "erasing a set made a file");
            break;
        }
        case 'v':
        case 'u':
        case 'x': {
            versionen.setze_Name(a);
            versionen.Suffix = b;
            if (befehl == 'v') {
                versionen.Listenzeilen();
                versionen.hoechste_Version();
                versionen.naechste_freie_Version();
            } else if (befehl == 'u') {
                versionen.Versionen_neu_nummerieren();
            } else {
                versionen.suche_Versionen();
                std::vector<int> nummern;
                for (const char c : teile.value(2))
                    nummern.push_back(static_cast<uint8_t>(c) % 104);
                versionen.Versionen_loeschen(nummern);
            }
            const Bestand nachher = Bestand_von(u.Daten());
            const auto version = [&](const QString& d) { return Version_von(d, a, b) >= 0; };
            if (befehl != 'x')
                fuzz::pruefe(Inhalte(vorher) == Inhalte(nachher),
                             "renumbering lost or made a file");
            else
                fuzz::pruefe(nachher.size() <= vorher.size(), "erasing versions made a file");
            pruefe_unveraendert_ausser(vorher, nachher, version,
                                       "the versions' operation touched another file");
            // A renumbering keeps the versions' order. Two files whose names differ only in
            // letter case (which only a case-sensitive file system can hold) claim the same
            // number, and between them there is no order to keep.
            bool doppelt = false;
            const auto folge = [&](const Bestand& best) {
                std::map<int, QByteArray> f;
                for (const auto& [name, inhalt] : best)
                    if (const int n = Version_von(name, a, b); n >= 0)
                        doppelt = !f.emplace(n, inhalt).second || doppelt;
                std::vector<QByteArray> v;
                for (const auto& [n, inhalt] : f)
                    v.push_back(inhalt);
                return v;
            };
            const std::vector<QByteArray> folge_vorher = folge(vorher);
            if (befehl != 'x' && !a.isEmpty() && !doppelt)
                fuzz::pruefe(folge_vorher == folge(nachher), "renumbering changed the order");
            break;
        }
        case 's':
            for (int modell = 1; modell <= TForm_Setup::Modelle; ++modell)
                for (const auto& s : TForm_Setup::finde_Software(u.Sprache(), modell))
                    fuzz::pruefe(QFileInfo::exists(QDir(u.Sprache()).filePath(s.Dateiname)),
                                 "a software variant without its file");
            break;
        case 'l':
            if (!a.isEmpty() && a != QLatin1String(".") && a != QLatin1String(".."))
                fuzz::schreibe(QDir(u.Sprache()).filePath(a), "x");
            break;
        default: {
            const QString n = Name(zeile);
            if (!n.isEmpty() && n != QLatin1String(".") && n != QLatin1String("..") &&
                !QFileInfo::exists(QDir(u.Daten()).filePath(n)))
                fuzz::schreibe(QDir(u.Daten()).filePath(n), QByteArray::number(++marke));
            break;
        }
        }
        if (!vorher.empty() || befehl == 'n')
            for (const QString& satz : motordaten.Liste())
                fuzz::pruefe(QFileInfo::exists(motordaten.Beschreibungsdatei(satz)),
                             "a listed set without its description");
    }
    return 0;
}
