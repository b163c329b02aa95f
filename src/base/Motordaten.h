#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The engine data sets of the data folder: a set is the description file engine + ".DAT"
// and every file engine + "." + ending (the numbered data files). It also holds the current
// engine name, from which every data-file name of the program is built.
//
// An ending never holds a further ".": the set "A" owns "A.DAT" and "A.03P", not the
// "A.B.DAT" of a name that has a point in it, so that renaming or deleting one set never
// reaches the files of another. Names are matched regardless of letter case, as on Windows.
class Motordaten {
public:
    explicit Motordaten(QString datenordner);

    const QString& Datenordner() const { return datenordner_; }

    // The current engine name; empty until the user chooses a set.
    const QString& Motorname() const { return motorname_; }
    void setze_Motorname(const QString& name) { motorname_ = name; }

    // Whether a typed name can name a set: not empty, no path separator, no point, no
    // character that a Windows file name cannot hold, not a Windows device name (CON, NUL,
    // COM1, ...). Text 107 tells the user why not.
    static bool gueltiger_Name(const QString& name);

    // The names of the sets that have a description file, sorted regardless of case.
    QStringList Liste() const;
    // The files of a set, as they are named in the data folder.
    QStringList Dateien_des_Satzes(const QString& name) const;
    // The description file of a set, as named in the data folder when it exists.
    QString Beschreibungsdatei(const QString& name) const;

    // The description's lines; nullopt when the file is missing or unreadable.
    std::optional<QStringList> lies_Beschreibung(const QString& name) const;

    // Each operation returns what the user must be told, empty on success.
    QString schreibe_Beschreibung(const QString& name, const QStringList& zeilen) const;
    // A new set: an empty description file, an existing one left as it is.
    QString neu(const QString& name) const;
    // Gives every file of set alt the name neu. Refused (text 108) when a file of the new
    // name already exists, before any file is touched: a rename never replaces a file.
    struct Umbenennung {
        bool abgelehnt = false; // nothing was touched
        QString Meldung;        // what the user must be told, empty on success
    };
    Umbenennung umbenennen(const QString& alt, const QString& neu) const;
    // Erases every file of the set; stops at the first file that cannot be erased.
    QString loeschen(const QString& name) const;

private:
    QString datenordner_;
    QString motorname_;
};
