#pragma once

#include "base/Meldungen.h"
#include "platform/Dialoge.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include <ostream>

// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// Records what the program tells the user while it lives, and answers its questions: what
// goes to the context's message sink (hand Senke() to the context) and what lower layers
// show in the platform's boxes.
class Meldungsrekorder : public Meldungen {
public:
    explicit Meldungsrekorder(bool antwortOk = true) : antwortOk_(antwortOk) {
        Dialoge::setHandler({[this](const QString& text) { zeige(text); },
                             [this](const QString& text, const QString& titel) {
                                 return frage_OK_Abbrechen(text, titel);
                             },
                             [this](const QString& text, const QString& titel) {
                                 return frage_Ja_Nein(text, titel);
                             }});
    }
    ~Meldungsrekorder() override {
        Dialoge::setHandler({[](const QString&) {},
                             [](const QString&, const QString&) { return false; },
                             [](const QString&, const QString&) { return false; }});
    }
    Meldungsrekorder(const Meldungsrekorder&) = delete;
    Meldungsrekorder& operator=(const Meldungsrekorder&) = delete;

    void zeige(const QString& text) override { texte.append(text); }
    bool frage_OK_Abbrechen(const QString& text, const QString& titel = QString()) override {
        fragen.append(text);
        fragentitel.append(titel);
        return antwortOk_;
    }
    bool frage_Ja_Nein(const QString& text, const QString& titel = QString()) override {
        fragen.append(text);
        fragentitel.append(titel);
        return antwortOk_;
    }
    void setze_Antwort(bool ok) { antwortOk_ = ok; }

    // A sink for a context that records here; the recorder must outlive the context.
    std::unique_ptr<Meldungen> Senke() {
        struct Weiter : Meldungen {
            Meldungen& ziel;
            explicit Weiter(Meldungen& z) : ziel(z) {}
            void zeige(const QString& text) override { ziel.zeige(text); }
            bool frage_OK_Abbrechen(const QString& text, const QString& titel) override {
                return ziel.frage_OK_Abbrechen(text, titel);
            }
            bool frage_Ja_Nein(const QString& text, const QString& titel) override {
                return ziel.frage_Ja_Nein(text, titel);
            }
        };
        return std::make_unique<Weiter>(*this);
    }

    QStringList texte;
    QStringList fragen;
    // The boxes' captions, beside their questions.
    QStringList fragentitel;

private:
    bool antwortOk_;
};

// A registry with every setup value present (so the setup window stays closed), the link
// on the in-process CAN stand-in and no serial port.
inline constexpr const char* Eingerichtet_auf_CAN =
    "[SOFTWARE\\Quorvel\\Win Quorvel]\n"
    "Language=English\nCOM_Nr=0\nCAN_Plugin=fake\n"
    "Default Quorvel Hardware=7\n"
    "Default Quorvel Version=T-QUORVEL-1-400-615.TXT\n"
    "CAN baud rate=1\nCAN send identifier=536870910\n"
    "CAN receive identifier=536870911\n"
    "BT_Relais_COM_Nr=0\nBT_Relais_Online=0\n[Ports]\n";

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
