#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

// An INI file kept the way Windows' profile functions keep one: sections in file order,
// a key written again keeps its place, a new key goes to the end of its section and a new
// section to the end of the file, after a blank line. Lines the program does not touch
// (comments, other programs' sections) stay byte for byte. Section and key names compare
// ignoring letter case; the text is Windows-1252 with CRLF line ends.
class Inidatei {
public:
    Inidatei() = default;
    explicit Inidatei(const QByteArray& inhalt);

    // The section names in file order.
    QStringList Abschnitte() const;
    // Erases every section but those named exactly so; the lines before the first section
    // stay.
    void loesche_Abschnitte_ausser(const QString& name);
    void schreibe(const QString& abschnitt, const QString& schluessel, const QString& wert);

    QByteArray Inhalt() const;

private:
    struct Abschnitt {
        QString name;
        // Each line with its own line end; the header first.
        QList<QByteArray> zeilen;
    };
    Abschnitt* finde(const QString& name);
    // Makes sure the file's last line ends, so that what follows starts a line of its own.
    void beende_letzte_Zeile();

    QList<QByteArray> vorspann_;
    std::vector<Abschnitt> abschnitte_;
};
