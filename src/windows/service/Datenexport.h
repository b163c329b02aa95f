#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class Kontext;
namespace QVD {
class Exportschreiber;
}

// What a transfer does to its windows: the logic decides, the windows obey.
class Transferansicht {
public:
    virtual ~Transferansicht() = default;
    virtual void verberge_Fenster() = 0;
    // The progress window shows, from position 0 up to maximum.
    virtual void zeige_Fortschritt(int maximum) = 0;
    virtual void setze_Maximum(int maximum) = 0;
    virtual void setze_Position(int position) = 0;
    virtual void verberge_Fortschritt() = 0;
};

// The passwords an export hands the ECU: three old ones with their numbers, which the
// exported data then carry under the new one.
struct Exportpasswoerter {
    QString PW[3];
    QString Nr[3];
    bool neu = false;
    QString neues_PW;
    QString neue_Nr;
};

// The export of the ECU's data set into a ".QVD" file: the description, the header the
// ECU answers the start with, then its blocks until one brings fewer than 16 pairs. The file
// takes the target's place only then; an export that ends otherwise leaves the target as it
// was.
class Datenexport {
public:
    static constexpr int Text_ueberschreiben = 581;
    static constexpr int Text_Dateifehler = 582;

    Datenexport(Kontext& kontext, Transferansicht& ansicht);
    ~Datenexport();
    Datenexport(const Datenexport&) = delete;
    Datenexport& operator=(const Datenexport&) = delete;

    // ".QVD" appended when the name, not its folder, has no extension.
    static QString mit_Endung(const QString& name);
    // The edit's text as a number: its low 16 bits, 0 when it is no integer.
    static uint16_t Nummer(const QString& text);

    // The save button: false when no export started (the user kept an existing file, a
    // password was refused, the file could not be made). Dateiname is the name used.
    bool starten(const QString& datei, const QStringList& beschreibung,
                 const Exportpasswoerter& passwoerter);
    // The progress window's abort.
    void Abbruch();

    void schreibe_Kopf();
    void schreibe_Block();
    void Export_abgebrochen();

    bool laeuft() const;
    // The export window is in use: the answers are taken only while it is set.
    bool Zeigen = false;
    QString Dateiname;
    uint32_t Paare = 0;

private:
    void beende(bool fehler);

    Kontext& k;
    Transferansicht& ansicht_;
    std::unique_ptr<QVD::Exportschreiber> datei_;
    std::shared_ptr<bool> lebt_ = std::make_shared<bool>(true);
};
