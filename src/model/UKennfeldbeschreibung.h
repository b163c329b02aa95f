#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>

// What the fields of a map description line look up while they are read: parameter values
// of the ECU image and the places of live values. Reading a value that a data item holds
// subscribes to that item, so that a later answer brings the new value.
class Kennfeld_Parameterzugriff {
public:
    virtual ~Kennfeld_Parameterzugriff() = default;

    // The ECU-image value of parameter n; 0 for an unknown parameter.
    virtual int64_t Wert(int nummer) = 0;
    // Whether live value n (20000 and above) has memory to be read from; in element the
    // number of the data item that holds it, 0 when none does (a live record, or unknown).
    virtual bool Livewert(int nummer, int& element) = 0;
    // The reads of a field made these data items matter: the description is read again
    // (Wert) or the live points are refreshed (Quelle) when they arrive.
    virtual void abonniere_Wert(int element) = 0;
    virtual void abonniere_Quelle(int element) = 0;
};

// A description line from its third character on, and the read position in it.
class Kennfeld_Feldleser {
public:
    Kennfeld_Feldleser(const QString& zeile, qsizetype start, Kennfeld_Parameterzugriff& zugriff)
        : z_(zeile), i_(start), p_(zugriff) {}

    // Every reader skips leading blanks; one that finds nothing else up to the line's end
    // fails and leaves the position where it was.
    bool lies_Feldzahl(int32_t& wert);
    bool lies_Feldwert(int32_t& wert);
    bool lies_Parameternummer(int32_t& nummer);
    // The live value a map's point follows: its parameter number, 0 for none.
    bool lies_Quelle(int32_t& quelle);
    bool lies_Feldtext(QString& text);
    bool lies_Bedingung(QString& text);

    qsizetype Position() const { return i_; }

private:
    // False (position unchanged) when only blanks are left.
    bool ueberspringe_Leerzeichen();

    const QString& z_;
    qsizetype i_;
    Kennfeld_Parameterzugriff& p_;
};

// One description line as its fields give it.
struct Kennfeldzeile {
    enum class Art {
        ungueltig,     // no valid map number: the line changes nothing
        Zuendeditor,   // map 5 or 55: an ignition editor's title and condition
        Zuendkennfeld, // type 2 or more: the first ignition map's transfer
        Kennfeld,
    };
    Art art = Art::ungueltig;
    int32_t Nummer = 0;
    QString Bedingung;
    int32_t Typ = 0;
    // The ignition editor's title, or the ignition map's caption; Titel_gelesen says whether
    // its field was there.
    QString Zuendtitel;
    bool Titel_gelesen = false;

    int32_t Quelle_X = 0, Quelle_Y = 0, Quelle_Nr = 0;
    bool ist_Kurve = false;
    bool zyklisch = false;
    int32_t X_min = 0, X_max = 0, Y_min = 0, Y_max = 0;
    int32_t Roh_min = 0, Roh_max = 0, Z_min = 0, Z_max = 0;
    int32_t Schrittzeile = 0;
    char Schrittziffer = 0;
    std::array<int32_t, 8> Parameter_Nr{};
    QString Kennung, Titel, Achsname_X, Achsname_Y, Einheit_X, Einheit_Y, Einheit_Z, Hilfethema;
    // Every field read for the line was valid (the step digit aside).
    bool vollstaendig = false;
};

// A description line ('*' and at least one more character) into its fields: with rebuild
// all of them, without only what a refresh of the ranges needs. Any other line gives
// Art::ungueltig.
Kennfeldzeile lies_Kennfeldzeile(const QString& zeile, bool neu_aufbauen,
                                 Kennfeld_Parameterzugriff& zugriff);

class Kennfelder;
class Meldungen;
class cl_Parameter;
class cl_Version;
class cl_Zuendung;
class QIODevice;

// The map description of the connected ECU's software: the '*' lines of its description
// file. Read with rebuild after every parameter read and definition load, it decides which
// maps the maps menu offers, under which conditions, and makes the maps the file describes
// beyond the catalogue; read without rebuild, whenever a data item a line takes a value from
// has arrived, it only fits the ranges of the offered maps to the new values.
class Kennfeldbeschreibung : private Kennfeld_Parameterzugriff {
public:
    Kennfeldbeschreibung(Kennfelder& kennfelder, cl_Parameter& parameter, cl_Version& version,
                         Meldungen& meldungen);
    ~Kennfeldbeschreibung() override;
    Kennfeldbeschreibung(const Kennfeldbeschreibung&) = delete;
    Kennfeldbeschreibung& operator=(const Kennfeldbeschreibung&) = delete;

    void lade_Kennfeld_Definitionen(bool neu_aufbauen);
    void lade_Kennfeld_Definitionen_neu() { lade_Kennfeld_Definitionen(false); }

    // The first ignition map, which a line of type 2 or more switches between its transfers
    // and enters as a data item; none until the program has one.
    cl_Zuendung* Zuendkennfeld = nullptr;
    // Opens the file for reading; nullptr when it cannot be opened. Tests hand a device
    // that fails in the middle.
    std::function<std::unique_ptr<QIODevice>(const QString& pfad)> oeffne;

private:
    void lese_Kennfeld_Definition(const Kennfeldzeile& z, bool neu_aufbauen);
    void Zuendeditor_Zeile(const Kennfeldzeile& z);
    void Zuendkennfeld_Zeile(const Kennfeldzeile& z);
    void erzeuge_Kennfeld(const Kennfeldzeile& z);

    int64_t Wert(int nummer) override;
    bool Livewert(int nummer, int& element) override;
    void abonniere_Wert(int element) override;
    void abonniere_Quelle(int element) override;

    Kennfelder& kennfelder_;
    cl_Parameter& parameter_;
    cl_Version& version_;
    Meldungen& meldungen_;
    // The data items whose answers read the description again, each registered once.
    std::set<int> Wert_Elemente_;
    // Handlers in the registry reach the reader only while it lives.
    std::shared_ptr<Kennfeldbeschreibung*> selbst_;
};
