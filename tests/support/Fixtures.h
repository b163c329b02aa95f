#pragma once

#include "platform/Dialoge.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>

// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// Records what the program tells the user while it lives, and answers its questions.
class Meldungen {
public:
    explicit Meldungen(bool antwortOk = true) : antwortOk_(antwortOk) {
        Dialoge::setHandler({[this](const QString& text) { texte.append(text); },
                             [this](const QString& text, const QString&) {
                                 fragen.append(text);
                                 return antwortOk_;
                             }});
    }
    ~Meldungen() {
        Dialoge::setHandler(
            {[](const QString&) {}, [](const QString&, const QString&) { return false; }});
    }
    Meldungen(const Meldungen&) = delete;
    Meldungen& operator=(const Meldungen&) = delete;

    QStringList texte;
    QStringList fragen;

private:
    bool antwortOk_;
};

// A program folder of its own for one test: language files, registry file, data.
class Programmordner {
public:
    Programmordner() { QDir(dir_.path()).mkpath(QStringLiteral(".")); }

    QString pfad() const { return dir_.path(); }
    QString datei(const QString& relativ) const { return QDir(dir_.path()).filePath(relativ); }

    // Writes a file as the ECU world does: Windows-1252 bytes as given, lines joined by CRLF.
    void schreibe(const QString& relativ, const QStringList& zeilen) const {
        QByteArray inhalt;
        for (const QString& z : zeilen)
            inhalt += z.toLatin1() + "\r\n";
        schreibe_roh(relativ, inhalt);
    }
    void schreibe_roh(const QString& relativ, const QByteArray& inhalt) const {
        const QString p = datei(relativ);
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        if (f.open(QIODevice::WriteOnly))
            f.write(inhalt);
    }
    QString registry() const { return datei(QStringLiteral("registry.ini")); }

private:
    QTemporaryDir dir_;
};
