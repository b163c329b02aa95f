// The settings file: the input is the file the program's settings live in. What the start
// reads (language, port, the Vundel switch, the port table, the setup window's values), then
// writes as the program makes them, each read back. Promised: a written value reads back as
// written, and a write changes no other value: every value read before reads the same after.

#include "Fuzzhilfe.h"

#include "platform/Registry.h"

#include <QCoreApplication>
#include <QSet>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>

namespace {

struct Umgebung {
    int argc = 1;
    char name[8] = "fuzz";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    fuzz::Programmordner ordner;
};

Umgebung& umgebung() {
    static Umgebung u;
    return u;
}

const char* const Programmwerte[] = {"Language",
                                     "COM_Nr",
                                     "Vundel-CWI",
                                     "CAN_Plugin",
                                     "CAN_Interface",
                                     "Default Quorvel Hardware",
                                     "CAN baud rate",
                                     "CAN send identifier",
                                     "CAN receive identifier",
                                     "Default Quorvel Version",
                                     "BT_Relais_COM_Nr",
                                     "BT_Relais_Online"};

// The names the program asks for, and those the file's lines seem to hold, in both of the
// encodings it may be in.
QStringList Namen(const QByteArray& datei) {
    QSet<QString> namen;
    for (const char* n : Programmwerte)
        namen.insert(QLatin1String(n));
    for (const QByteArray& zeile : datei.split('\n')) {
        const qsizetype gleich = zeile.indexOf('=');
        if (gleich <= 0)
            continue;
        namen.insert(QString::fromLatin1(zeile.left(gleich)).trimmed());
        namen.insert(QString::fromUtf8(zeile.left(gleich)).trimmed());
    }
    namen.remove(QString());
    return namen.values();
}

std::map<QString, std::optional<QString>> Werte(const Registry& r, const QStringList& namen) {
    std::map<QString, std::optional<QString>> werte;
    for (const QString& n : namen)
        werte[n] = r.readString(n);
    return werte;
}

void schreibe_und_pruefe(Registry& r, const QStringList& namen, const QString& name,
                         const QString& wert) {
    auto vorher = Werte(r, namen);
    if (!r.writeString(name, wert))
        return;
    fuzz::pruefe(r.readString(name) == wert, "a written value reads back otherwise");
    auto nachher = Werte(r, namen);
    vorher.erase(name);
    nachher.erase(name);
    fuzz::pruefe(vorher == nachher, "a write changed another value");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Umgebung& u = umgebung();
    const QByteArray datei(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    fuzz::schreibe(u.ordner.registry(), datei);
    // A new program run: the file is read afresh.
    Registry r(u.ordner.registry());
    const QStringList namen = Namen(datei);

    // The start's reads.
    for (const QString& n : namen) {
        r.readString(n);
        r.readInteger(n);
    }
    if (const auto ports = r.readPortTable())
        for (const auto& [nummer, geraet] : *ports)
            fuzz::pruefe(nummer >= 1 && !geraet.isEmpty(), "a port without number or device");

    // The writes the program makes: a port number, the setup window's values, a CAN
    // interface with a letter beyond ASCII, the language.
    schreibe_und_pruefe(r, namen, QStringLiteral("COM_Nr"), QStringLiteral("5"));
    schreibe_und_pruefe(r, namen, QStringLiteral("Default Quorvel Version"),
                        QStringLiteral("T-Quorvel-1-1-0615-Straße.txt"));
    schreibe_und_pruefe(r, namen, QStringLiteral("CAN_Interface"), QStringLiteral(" café "));
    schreibe_und_pruefe(r, namen, QStringLiteral("BT_Relais_COM_Nr"), QStringLiteral("-1"));
    // A name the file's own lines hold.
    for (const QString& n : namen)
        if (!n.contains('=') && !n.startsWith('[') && !n.startsWith(';') && !n.startsWith('#')) {
            schreibe_und_pruefe(r, namen, n, QStringLiteral("\"x\""));
            break;
        }
    fuzz::pruefe(r.writeInteger(QStringLiteral("COM_Nr"), 7) ==
                     (r.readInteger(QStringLiteral("COM_Nr")) == 7),
                 "a write reported otherwise than it went");
    return 0;
}
