#pragma once

#include <QString>
#include <QStringList>
#include <bitset>
#include <cstdint>
#include <vector>

class cl_Dateiversion;

// The version dialog as the services see it: the windows layer fills it in, so that a file
// routine below the windows can let the user choose a version.
class Versionswahl {
public:
    virtual ~Versionswahl() = default;
    // Shows the dialog modally for the service's caption, kind and mode: the chosen version
    // 1 ... 99, or -1.
    virtual int waehle_Version(cl_Dateiversion& dienst) = 0;
};

// The numbered versions of one kind of data file of an engine data set: the files
// engine + "." + NN + kind in the data folder, NN = 01 ... 99. It never opens the files;
// callers build the name from the number they get and read or write it themselves.
class cl_Dateiversion {
public:
    explicit cl_Dateiversion(QString datenordner);

    // Set by the caller before each use.
    QString Beschriftung;
    QString Suffix = QStringLiteral("P");
    uint8_t Speichermodus = 0; // 1 saving, 0 loading

    // The engine name whose versions are listed; set only through setze_Name.
    const QString& Basisname() const { return basisname_; }
    void setze_Name(const QString& name) { basisname_ = name; }

    // Bit NN set when a file of version NN (0 ... 99) exists.
    std::bitset<104> vorhandene_Versionen;
    void suche_Versionen();

    // The highest existing version 1 ... 99; -1 for none or without an engine name.
    int hoechste_Version();
    // One above the highest version (gaps are not reused); at 99 the versions are first
    // renumbered; -1 without an engine name or when all 99 numbers stay taken.
    int naechste_freie_Version();

    // The file of version nummer, as named in the data folder when it exists.
    QString Dateiname(int nummer) const;
    static QString Nummer(int nummer); // two digits

    // The dialog's lines: existing versions "NN     dd.mm.yyyy     hh:mm:ss" and, for the
    // numbers 1 ... 99 without a file, "NN" alone, in number order.
    QStringList Listenzeilen();

    // Erases the files of the given existing versions; one that cannot be erased stays.
    void Versionen_loeschen(const std::vector<int>& nummern);
    // Gives the existing versions the numbers 01, 02, ... in their order. No file is ever
    // renamed onto another: the files that move go to temporary names first.
    void Versionen_neu_nummerieren();

    // Lets the user choose through the dialog; -1 when there is none.
    int zeige_Dialog();
    void setze_Versionswahl(Versionswahl* wahl) { wahl_ = wahl; }

private:
    bool Version_umbenennen(const QString& von, const QString& nach);

    QString datenordner_;
    QString basisname_;
    Versionswahl* wahl_ = nullptr;
};
