#pragma once

// What the benchmarks share: the program's messages on standard error, and the program
// against the simulated ECU in a process of its own.

#include "base/Meldungen.h"
#include "platform/Dialoge.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>

// What the program tells the user goes to standard error, and its questions are refused:
// a benchmark has nobody to answer them.
class Meldungsausgabe : public Meldungen {
public:
    void zeige(const QString& text) override {
        std::fprintf(stderr, "program says: %s\n", text.toLocal8Bit().constData());
    }
    bool frage_OK_Abbrechen(const QString& text, const QString& = QString()) override {
        zeige(text);
        return false;
    }
    bool frage_Ja_Nein(const QString& text, const QString& = QString()) override {
        zeige(text);
        return false;
    }
};

#if defined(QUORVEL_ECUSIM) && defined(QUORVEL_SOURCE_DIR)

// The simulated ECU of type 1, manufacturer 2, version 600 on a pseudo-terminal paced as a
// line of the given baud rate both ways; a copy of the program folder as the working
// directory, its registry naming the ECU's terminal as COM1; the program's message boxes on
// standard error. Lives as long as the benchmark's run.
class Bench_ECU {
public:
    // False after a message on standard error naming the benchmark.
    // mehr: further options of the simulated ECU.
    bool starte(const char* bench, int baud, const QStringList& mehr = {}) {
        ecu_.setProcessChannelMode(QProcess::SeparateChannels);
        ecu_.start(QStringLiteral(QUORVEL_ECUSIM),
                   QStringList{QStringLiteral("--serial"), QStringLiteral("--pace"),
                               QString::number(baud), QStringLiteral("--pace-requests"),
                               QStringLiteral("--ecu-type"), QStringLiteral("1"),
                               QStringLiteral("--manufacturer"), QStringLiteral("2"),
                               QStringLiteral("--version"), QStringLiteral("600")} +
                       mehr);
        if (!ecu_.waitForStarted(10000) || !ecu_.waitForReadyRead(10000)) {
            std::fprintf(stderr, "%s: the simulated ECU did not start (%s)\n", bench,
                         QUORVEL_ECUSIM);
            return false;
        }
        const QString pty = QString::fromLocal8Bit(ecu_.readLine()).trimmed();

        if (!ordner_.isValid() ||
            !kopiere_Ordner(QStringLiteral(QUORVEL_SOURCE_DIR "/programdir"), ordner_.path())) {
            std::fprintf(stderr, "%s: no program folder could be made\n", bench);
            return false;
        }
        registry_ = ordner_.filePath(QStringLiteral("registry.ini"));
        QFile f(registry_);
        if (!f.open(QIODevice::WriteOnly) ||
            f.write("[SOFTWARE\\Quorvel\\Win Quorvel]\n"
                    "Language=English\nCOM_Nr=1\n"
                    "Default Quorvel Hardware=7\n"
                    "Default Quorvel Version=T-QUORVEL-1-400-615.TXT\n"
                    "CAN baud rate=1\nCAN send identifier=536870910\n"
                    "CAN receive identifier=536870911\n"
                    "BT_Relais_COM_Nr=0\nBT_Relais_Online=0\n"
                    "[Ports]\nCOM1=" +
                    pty.toLocal8Bit() + "\n") < 0) {
            std::fprintf(stderr, "%s: no registry could be written\n", bench);
            return false;
        }
        f.close();
        qputenv("QUORVEL_REGISTRY", registry_.toLocal8Bit());
        QDir::setCurrent(ordner_.path());
        Dialoge::setHandler(
            {[this](const QString& text) { boxen_.zeige(text); },
             [this](const QString& text, const QString&) {
                 return boxen_.frage_OK_Abbrechen(text);
             },
             [this](const QString& text, const QString&) { return boxen_.frage_Ja_Nein(text); }});
        return true;
    }

    QProcess& ECU() { return ecu_; }
    QString Ordner() const { return ordner_.path(); }
    const QString& Registry() const { return registry_; }

private:
    static bool kopiere_Ordner(const QString& von, const QString& nach) {
        QDirIterator it(von, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString datei = it.next();
            const QString ziel = nach + '/' + QDir(von).relativeFilePath(datei);
            QDir().mkpath(QFileInfo(ziel).absolutePath());
            if (!QFile::copy(datei, ziel))
                return false;
        }
        return true;
    }

    // The ECU outlives the folder, as it did when both were the benchmark's locals.
    QProcess ecu_;
    QTemporaryDir ordner_;
    QString registry_;
    Meldungsausgabe boxen_;
};

#endif
