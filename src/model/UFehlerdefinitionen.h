#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

class Meldungen;

// One watchable ECU variable of the catalogue.
struct cl_Fehler_Variable {
    uint32_t id = 0;
    // 0 no limits, 1 bit variable ("L"/"H"), 2 analogue value ("<="/">=").
    uint8_t Typ = 0;
    QString Name;
    // display value = raw value * factor
    float Faktor = 1.0F;
    uint32_t Nachkommastellen = 0;
};

// One limit row of a definition.
struct cl_Fehler_limit {
    uint32_t Nummer = 0;
    // 0 "<=", 1 ">=", 2 "L", 3 "H"; a file or the ECU may bring any byte.
    uint8_t Modus = 0;
    int32_t Ein = 0;
    int32_t Aus = 0;
    int32_t Funktion = 0;
    uint16_t Signalmuster = 0;
    uint8_t Test_Start = 0;
    uint8_t Startbedingung = 0;
    uint8_t Signal_ein = 0;
    uint8_t speichern = 0;

    bool operator==(const cl_Fehler_limit&) const = default;
};

// One error definition: a catalogue variable (by its position in the catalogue) and its rows.
struct cl_Fehler_def {
    int Variable = -1;
    std::vector<cl_Fehler_limit> Grenzen;
};

// The catalogue of the connected ECU software's watchable variables, in file order.
class cl_Fehler_Katalog {
public:
    std::vector<cl_Fehler_Variable> Variablen;

    bool leer() const { return Variablen.empty(); }
    // The first variable with this id or name (exact, case-sensitive); -1 for none.
    int suche_Nummer(uint32_t id) const;
    int suche_Name(const QString& name) const;
    const cl_Fehler_Variable* Variable(int index) const;

    // The catalogue file's name for a software version: "QRVE" + at least four digits.
    static QString Dateiname(unsigned version);
    // Reads the catalogue's lines; what no line makes is not there.
    static std::vector<cl_Fehler_Variable> zerlege(const QStringList& zeilen);
};

// The error definitions in sending order, with the current one.
class cl_Fehler_Definitionen {
public:
    explicit cl_Fehler_Definitionen(cl_Fehler_Katalog& katalog) : katalog_(katalog) {}

    std::vector<cl_Fehler_def> Liste;
    // Index of the current definition; -1 for none.
    int aktuell = -1;

    bool leer() const { return Liste.empty(); }
    cl_Fehler_def* aktuelle();
    const cl_Fehler_Katalog& Katalog() const { return katalog_; }

    // The variable of a definition, nullptr when it has none.
    const cl_Fehler_Variable* Variable(const cl_Fehler_def& def) const;
    uint32_t Variablen_id(const cl_Fehler_def& def) const;
    uint8_t Typ(const cl_Fehler_def& def) const;
    QString Name(const cl_Fehler_def& def) const;
    // 1.0 and 0 without a variable.
    double Faktor(const cl_Fehler_def& def) const;
    int Nachkommastellen(const cl_Fehler_def& def) const;

    // Whether a definition for the catalogue variable exists.
    bool benutzt(int variable) const;
    // The first definition whose variable has this id; -1 for none.
    int suche_Variable(uint32_t id) const;
    // Appends a definition for the catalogue's first variable with this id and makes it
    // current; false (nothing changed) when the catalogue lacks the id.
    bool neue_Definition(uint32_t id);
    // Links a definition for the catalogue variable after the current one and makes it
    // current; a variable of type 1 or 2 gets one zeroed row.
    void neue_Definition_nach_aktueller(int variable);
    // Frees the current definition; a neighbour becomes current.
    void loesche_aktuelle();
    void alle_freigeben();

    // Reads the catalogue of a software version from the language folder. A catalogue that
    // can be read replaces the old one and frees every definition. True when it holds a
    // variable afterwards. A missing file is told unless stumm is set.
    bool lade_Variablendatei(unsigned version, Meldungen& meldungen, bool stumm = false);

private:
    cl_Fehler_Katalog& katalog_;
};

// Numbers the rows 1, 2, 3, ... from the first.
void nummeriere(std::vector<cl_Fehler_limit>& grenzen);
// The mode of the row with this number, 1 for none; its on value when appeared, else its
// off value, 0 for none.
int Modus_von(const std::vector<cl_Fehler_limit>& grenzen, uint32_t nummer);
int32_t Grenzwert_von(const std::vector<cl_Fehler_limit>& grenzen, uint32_t nummer,
                      bool erschienen);

// The values the ECU and the files carry: 16 bits, signed.
inline constexpr int32_t Eingabe_Hoechstwert = 65000;
inline constexpr int32_t Eingabe_Mindestwert = -32768;
// A typed value as raw: the text as a number divided by the factor, rounded half to even,
// kept within Eingabe_Mindestwert ... Eingabe_Hoechstwert; 0 for text that is not a number.
// The text is read as the display writes it (a point before the decimals, blanks around).
int32_t Eingabe_zu_Roh(const QString& text, double faktor);
// A raw value as shown: raw * factor, width 10, the variable's decimals.
QString Roh_zu_Anzeige(int32_t roh, double faktor, int nachkommastellen);

// 16 characters "1" or "0", bit 15 first.
QString Signalmuster_als_Text(uint16_t muster);
uint16_t Text_als_Signalmuster(const QString& text);

// The function list: P plain functions, then the outputs (stored from 101 on).
int32_t Funktion_von_Position(int position, int p);
int Position_von_Funktion(int32_t funktion, int p);

// The error-definition file: pairs of 16-bit little-endian words (tag, value).
namespace Fehlerdefinitionsdatei {
enum Tag : int16_t {
    Definition = 101,
    Modus = 201,
    Ein = 202,
    Aus = 203,
    Funktion = 204,
    speichern = 205,
    Signal_ein = 206,
    Signalmuster = 207,
    Test_Start = 208,
    Startbedingung = 209,
};
QByteArray schreibe(const cl_Fehler_Definitionen& definitionen);
// The definitions a whole file holds, by the catalogue; nullopt for an empty file or one
// that ends inside a pair. Rows after a definition whose variable the catalogue lacks are
// skipped.
std::optional<std::vector<cl_Fehler_def>> lies(const QByteArray& inhalt,
                                               const cl_Fehler_Katalog& katalog);
} // namespace Fehlerdefinitionsdatei

// The definitions window's file operations. Loading replaces the list only when the whole
// file was read (text 437 otherwise); saving writes a temporary file renamed over the
// version, and tells the user when that failed.
bool lade_Definitionsdatei(const QString& pfad, cl_Fehler_Definitionen& definitionen,
                           Meldungen& meldungen);
bool speichere_Definitionsdatei(const QString& pfad, const cl_Fehler_Definitionen& definitionen,
                                Meldungen& meldungen);
