#pragma once

#include "windows/TForm.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <unordered_map>
#include <vector>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class Kontext;
class cl_Datensatz;
class cl_Version;

// The small display windows made for one ECU variant or one engine subsystem share one way
// of turning record bytes into label texts, colours and visibility. Their logic lives in
// plain classes over the types below, so that tests feed record bytes and read what every
// label shows without a window; the windows only copy that onto their labels.

// A live record's bytes: little-endian fields, 0 outside the record.
class Satz {
public:
    Satz() = default;
    explicit Satz(std::span<const uint8_t> daten) : d_(daten) {}
    explicit Satz(const cl_Datensatz& datensatz);
    uint8_t u8(int offset) const;
    uint16_t u16(int offset) const;
    int16_t s16(int offset) const { return static_cast<int16_t>(u16(offset)); }
    uint32_t u32(int offset) const;
    int32_t s32(int offset) const { return static_cast<int32_t>(u32(offset)); }
    float f32(int offset) const;
    bool bit(int offset, int nummer) const { return (u16(offset) >> nummer) & 1U; }

private:
    std::span<const uint8_t> d_;
};

// The value conventions of the family.
namespace Wert {
// A sensor voltage (raw x 5 / 1023) "%5.2f V", and without its unit.
QString Volt(int roh);
QString Volt_Zahl(int roh);
// Microseconds: raw x 0.8, rounded to the nearest integer.
QString us(int roh);
// Raw times a factor, printed with a C format.
QString mal(double roh, double faktor, const char* format);
QString Zahl(int64_t wert);
// A float as the toolkit's general conversion prints it: up to 15 significant digits, no
// trailing zeros, scientific only for very large or very small numbers.
QString Float_allgemein(float wert);
} // namespace Wert

// The identity a handler looks at.
struct Identitaet {
    int ECU_Typ = 0;
    int Hersteller = 0;
    int Typnummer = 0;
    int Version = 0;
    int Hardware_Haupt = 0;
    int Datenversion_Haupt = 0;
    int Datenversion_Neben = 0;
    // Bit n set: the identity lies in item n of the version-range table.
    uint32_t Versionsmengen = 0;
    bool Option_138 = false;
    bool in_Versionsmenge(std::initializer_list<int> menge) const;
};
Identitaet Kennung(const cl_Version& v);

// A parameter's raw ECU value when it is defined.
using Parameterwert = std::function<std::optional<int64_t>(int nummer)>;

enum class Farbe { schwarz, rot };

// What one label shows.
struct Feld {
    QString Text;
    // A label whose text no handler writes keeps its design caption.
    bool Text_gesetzt = false;
    bool sichtbar = true;
    Farbe farbe = Farbe::schwarz;
    bool operator==(const Feld&) const = default;
};

// The labels of one window by name, as its handlers leave them. A label no handler has
// touched reads as an empty, visible, black field.
class Anzeige {
public:
    void text(const QString& name, const QString& text);
    // State colour: black when the status bit is set, red when it is clear.
    void farbe(const QString& name, bool bit_gesetzt);
    void zeige(const QString& name, bool an);
    // A display row: heading and value, with its unit and voltage where it has them
    // (Label_Kopf_, Label_, Label_Einheit_, Label_Spannung_ and the row's name).
    enum Zellen { nur_Wert = 0, mit_Einheit = 1, mit_Spannung = 2 };
    void zeige_Zeile(const QString& zeile, bool an, int zellen = mit_Einheit);

    const Feld& operator[](const QString& name) const;
    const std::unordered_map<QString, Feld>& Felder() const { return felder_; }
    // The names changed since the last call, for the window to copy.
    std::set<QString> nimm_Aenderungen();

private:
    // Looked up by name a few hundred times at each answer: hashed, not compared.
    std::unordered_map<QString, Feld> felder_;
    std::set<QString> geaendert_;
};

// The auxiliary memo: eight floats of the auxiliary record, one a line.
QStringList Aux_Zeilen(const Satz& aux);
// The same eight values read as signed 32-bit integers.
QStringList Aux_int_Zeilen(const Satz& aux);

// Positions of a display row's cells inside its group.
struct Zeilenspalten {
    int Kopf = 8, Kopfbreite = 150;
    int Wert = 160, Wertbreite = 70;
    int Einheit = 236, Einheitbreite = 44;
    int Spannung = 282, Spannungbreite = 62;
};

// Base of the family's windows: labels found by name, the aux memo, and the copying of a
// logic's display onto the labels.
class TForm_Variante : public TForm {
    Q_OBJECT
public:
    using Spalten = Zeilenspalten;
    static constexpr int Zeilenhoehe = 20;

    // A row of a group as the window's design lists it.
    struct Zeilenangabe {
        QString Zeile;
        QString Kopf;
        QString Einheit;
        bool Spannung = false;
        // Cells whose names do not follow the row's name.
        const char* Wertname = nullptr;
        const char* Spannungsname = nullptr;
    };

    QLabel* Label(const QString& name) const;
    QPlainTextEdit* Memo_Aux = nullptr;
    ~TForm_Variante() override;

protected:
    TForm_Variante(Kontext& kontext, const QString& hilfethema);

    QGroupBox* neue_Gruppe(const QString& name, const QString& titel, int links, int oben,
                           int breite, int hoehe);
    // A display row at the given top inside a group (or the window when gruppe is nullptr):
    // heading, value, unit when not empty, and a red voltage cell when spannung is set.
    void neue_Zeile(QWidget* gruppe, const QString& zeile, const QString& kopf,
                    const QString& einheit, bool spannung, int oben, const Spalten& s = {});
    void neue_Zeile(QWidget* gruppe, const Zeilenangabe& z, int oben, const Spalten& s);
    // A group of rows one under the other, at oben; oben moves below it.
    QGroupBox* neue_Zeilengruppe(const QString& name, const QString& titel, int links, int& oben,
                                 int breite, std::initializer_list<Zeilenangabe> zeilen,
                                 const Spalten& s = {});
    QLabel* neues_Label(QWidget* eltern, const QString& name, const QString& text, int links,
                        int oben, int breite, bool rechts = false);
    // The memo at the given place, over the record it shows (the auxiliary record unless
    // named); setze_Memo_sichtbar decides whether it shows.
    void neues_Memo(const QString& name, int links, int oben, int breite, int hoehe,
                    cl_Datensatz* satz = nullptr);
    // Shown only with the memo visible: its record is polled just while someone looks.
    void setze_Memo_sichtbar(bool an);
    bool Memo_sichtbar() const { return memoSichtbar_; }

    // Copies what changed onto the labels.
    void uebernehme(Anzeige& anzeige);
    void zeige_Memo(const QStringList& zeilen);
    // Each answer of the auxiliary record goes through the logic's rule (lies) into the
    // memo, which then shows the lines the logic keeps (memo).
    void melde_Aux_Memo(std::function<void(const Satz&)> lies, const QStringList& memo);
    Identitaet Kennung() const;
    Parameterwert Parameter() const;

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    Kontext& k;

private:
    void melde_Aux(bool an);
    std::map<QString, QLabel*> labels_;
    cl_Datensatz* memoSatz_ = nullptr;
    bool memoSichtbar_ = false;
    bool auxGemeldet_ = false;
};
