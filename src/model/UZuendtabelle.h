#pragma once

#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

class cl_Zuendung;

// A cell of an ignition editor's grid.
struct Zuendzelle {
    int zeile = 0;
    int spalte = 0;
    bool operator==(const Zuendzelle&) const = default;
};

// The table behind an ignition editor: the 580-byte image of an ignition map read and changed
// as the editor's 17 x 17 grid shows it. Grid row 0 holds the load points, grid column 0 the
// speed points, cell (r, c) with r, c >= 1 the angle of speed index r - 1 and load index c - 1.
class Zuendtabelle {
public:
    using Bild = std::array<uint8_t, 580>;
    static constexpr int Zeilen = 16;
    static constexpr int8_t nicht_gesetzt = -128;
    // The range an online change keeps an angle in.
    static constexpr int Winkel_min = -10;
    static constexpr int Winkel_max = 60;

    using Zelle = Zuendzelle;
    enum class Taste { keine, hoch, runter, links, rechts, tab };
    enum class Ergebnis { geaendert, voll, ausserhalb };

    // spaltenzahl: the map's columns in use, 8 or 16; both live in the map object.
    Zuendtabelle(Bild& bild, const int& spaltenzahl);

    int Spaltenzahl() const { return spaltenzahl_; }
    int gesetzt(int y, int x) const;
    int ausgewertet(int y, int x) const;
    void setze_gesetzt(int y, int x, int wert);
    int X(int k) const;
    int Y(int k) const;
    void setze_X(int k, int wert);
    void setze_Y(int k, int wert);
    // The last used indices as the last evaluation stored them.
    int letzter_X() const;
    int letzter_Y() const;

    // Fills every unset cell of the used area by interpolation and stores the last used
    // indices, which nothing may read before an evaluation ran.
    void auswerten();

    // What a cell shows, "" outside the used area.
    QString Text(Zelle z) const;
    // An entered angle (shown bold red) rather than an interpolated one.
    bool ist_gesetzt(Zelle z) const;

    // The value of a cell's text: every character but digits and '-' dropped; empty or "--"
    // is the unset mark, anything else not a number 0.
    static int Wert_aus_Text(const QString& text);
    // Takes a cell's text into the image and evaluates. Typing the angle a cell shows leaves
    // it interpolated; angles are kept within a signed byte above the unset mark, points
    // within a signed word.
    void uebernehme(Zelle z, const QString& text);

    // Where the focus goes from z by a key; with Taste::keine, fokus is the cell that took the
    // focus (a click or a commit) and decides.
    Zelle navigiere(Zelle z, Taste taste, bool shift, bool online, Zelle fokus = {}) const;

    // The used index nearest a live value, a value exactly midway taking the lower one.
    int naechster_X(int wert) const;
    int naechster_Y(int wert) const;
    // The load axis holds air pressure.
    bool ist_Luftdruck() const { return X(letzter_X()) > 100; }

    // +1 or -1 degree on an angle cell, within Winkel_min..Winkel_max; false when nothing
    // changed.
    bool aendere_Winkel(Zelle z, int delta);

    // Rows and columns by speed or load index; their entered angles and points move with them.
    Ergebnis Zeile_einfuegen(int i);
    Ergebnis Zeile_loeschen(int i);
    Ergebnis Spalte_einfuegen(int i);
    Ergebnis Spalte_loeschen(int i);

    // The CSV export's text, lines ending with CR LF.
    QString CSV(const QString& titel, const QString& datei, const QDateTime& zeit,
                const QStringList& kommentare, QChar dezimaltrenner, QChar zeittrenner) const;

private:
    int wort(int stelle) const;
    void setze_wort(int stelle, int wert);
    int wert(int stelle) const;
    // Fills one line: stelle(i) is the byte of cell i, achse(i) its axis point.
    template <typename Stelle, typename Achse>
    void fuelle(int letzter, Stelle stelle, Achse achse, bool Zeile);

    Bild& bild_;
    const int& spaltenzahl_;
};

// The file of an ignition map: 290 words of the image when the map object carries 16
// columns, else the 154 words of its 8-column form.
QByteArray Zuenddatei_Inhalt(cl_Zuendung& karte);
// Takes a file's bytes over only when the whole form is there (580 bytes when the file is
// longer than 308, else 308; more is ignored); otherwise the image and column count stay.
bool lade_Zuenddatei(cl_Zuendung& karte, const QByteArray& daten);
