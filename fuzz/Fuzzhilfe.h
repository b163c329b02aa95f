// What the reader targets share: a program folder of their own with a settings file and the
// shipped language texts, a message sink that records, and a check that stops the run.
#pragma once

#include "base/Meldungen.h"
#include "platform/Dialoge.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

// A broken promise is a finding: libFuzzer keeps the input that led to it.
inline void pruefe(bool gehalten, const char* was) {
    if (gehalten)
        return;
    std::fprintf(stderr, "promise broken: %s\n", was);
    std::abort();
}

// What the program tells the user is recorded; its questions are refused.
struct Mitschrift : Meldungen {
    QStringList texte;
    void zeige(const QString& text) override { texte.append(text); }
    bool frage_OK_Abbrechen(const QString&, const QString&) override { return false; }
    bool frage_Ja_Nein(const QString&, const QString&) override { return false; }
};

// Routes the platform's message boxes into a record: no box may wait for a user.
inline void leite_Dialoge_um(Mitschrift& m) {
    Dialoge::setHandler({[&m](const QString& text) { m.zeige(text); },
                         [](const QString&, const QString&) { return false; },
                         [](const QString&, const QString&) { return false; }});
}

inline bool schreibe(const QString& pfad, const QByteArray& inhalt) {
    QDir().mkpath(QFileInfo(pfad).absolutePath());
    QFile f(pfad);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(inhalt) == inhalt.size();
}

inline QByteArray lies(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A folder of the input's files: in memory where the machine has such a folder, since the
// program writes through a temporary file that it syncs, which on a disk costs more than
// all else a run does.
inline QString Ordnervorlage() {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable()
               ? QStringLiteral("/dev/shm/quorvel-fuzz-XXXXXX")
               : QDir::tempPath() + QStringLiteral("/quorvel-fuzz-XXXXXX");
}

// The program folder: the settings file names English and the CAN stand-in (no port is
// ever opened), and the shipped language texts lie where the program looks for them.
struct Programmordner {
    QTemporaryDir ordner{Ordnervorlage()};

    Programmordner() {
        schreibe(registry(), "[SOFTWARE\\Quorvel\\Win Quorvel]\nLanguage=English\nCOM_Nr=0\n"
                             "CAN_Plugin=fake\nCAN_Interface=fuzz\n\n[Ports]\n");
        qputenv("QUORVEL_REGISTRY", registry().toLocal8Bit());
        for (const char* s : {"English", "Deutsch"})
            kopiere(QStringLiteral("Language/%1/QORV4.TXT").arg(QLatin1String(s)));
    }
    QString pfad() const { return ordner.path(); }
    QString datei(const QString& relativ) const { return ordner.filePath(relativ); }
    QString registry() const { return datei(QStringLiteral("registry.ini")); }
    // A file of the repo's program folder, to the same place in this one.
    void kopiere(const QString& relativ) const {
        schreibe(datei(relativ), lies(QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/") + relativ));
    }
};

} // namespace fuzz
