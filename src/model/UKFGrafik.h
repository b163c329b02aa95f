#pragma once

#include "link/UComData.h"

#include <QDateTime>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QPainter;
class Meldungen;
class cl_Version;
class cl_Parameter;
class cl_Kommunikation;
class cl_Passwort_Quorvel_OK;
class cl_Quorvel_Leerlaufsteller_aendern;
class cl_Dateiversion;
class TPrinter_Quorvel;
class cl_Kennfeld;
class cl_Kennfeld_Grafik;

// The edit steps of all map windows, in display units: the window's Schrittzeile picks the
// row, the digit key 1..9 the column.
inline constexpr std::array<std::array<int32_t, 9>, 5> Schrittweiten{{
    {10, 20, 50, 100, 200, 500, 1000, 2000, 2000},
    {1, 2, 5, 10, 20, 20, 20, 20, 20},
    {1, 2, 5, 10, 20, 50, 100, 100, 100},
    {1, 2, 5, 10, 20, 50, 100, 200, 200},
    {1, 2, 5, 10, 20, 50, 100, 200, 500},
}};

// How a map reaches its window. The windows layer implements it; without a window (tests,
// a map not yet shown) every call is skipped.
class Kennfeld_Ansicht {
public:
    virtual ~Kennfeld_Ansicht() = default;

    virtual bool ist_sichtbar() const = 0;
    // Frame, surface, markers and cursor.
    virtual void zeichne_Kennfeld() = 0;
    // Frame, markers and cursor without the surface.
    virtual void zeichne_Grafik() = 0;
    // One line over the picture as it stands: on a map the line along Y at X index x, on a
    // curve the curve, on a log-Y map both rows.
    virtual void zeichne_Zeile(int x) = 0;
    // The movable marks are drawn in XOR: a second call removes what the first drew.
    virtual void zeichne_Cursor() = 0;
    virtual void zeichne_Arbeitspunkt() = 0;
    // The four red labels from Cursor_X/Y, Cursor_Wert and Schritt.
    virtual void zeige_Cursorwerte() = 0;
    // The live labels (unclamped numbers as given) and the three status texts.
    virtual void zeige_Arbeitspunktwerte(const QString& x, const QString& y, const QString& wert,
                                         const QString& text1, const QString& text2,
                                         const QString& text3) = 0;
    // Caption and axis-name labels after Titel or Achsname_X changed.
    virtual void zeige_Beschriftung() = 0;
    // The hint labels after nachfuehren changed.
    virtual void zeige_Hinweise() = 0;
    // Check boxes (checked, enabled, visible) and menu items after the model changed them.
    virtual void zeige_Bedienelemente() = 0;
    // No control keeps the keyboard focus, so that keys reach the window.
    virtual void Fokus_abgeben() = 0;
    // An axis-value or change edit, or the parameter panel, is showing.
    virtual bool Eingaben_sichtbar() const = 0;
    virtual void schliesse_Parameter_Panel() = 0;
    // Showing: client width, re-layout, in front with the focus.
    virtual void ordne_an() = 0;
    // Axes, surface and hatching in black into a box of the printer canvas (0.1 mm).
    virtual void drucke(QPainter& painter, int breite, int hoehe, int links, int rechts, int oben,
                        int unten) = 0;
};

// What F2/Q, F10/Y and Space do in a map window: the ignition editor's, which fills it in.
class Zuendwinkel_Bedienung {
public:
    virtual ~Zuendwinkel_Bedienung() = default;
    virtual void Zuendwinkel_plus() = 0;
    virtual void Zuendwinkel_minus() = 0;
    virtual void zeige_online(cl_Kennfeld_Grafik& fenster) = 0;
};

// The shared objects a map works with. Those made later than the maps are looked up when
// used: the idle actuator through Leerlaufsteller, which gives none before the command
// requests exist.
struct Kennfeld_Umgebung {
    cl_COM_Quorvel& link;
    cl_Kommunikation& kommunikation;
    cl_Version& version;
    cl_Parameter& parameter;
    Meldungen& meldungen;
    cl_Passwort_Quorvel_OK* passwort_OK = nullptr;
    cl_Dateiversion* dateiversion = nullptr;
    TPrinter_Quorvel* drucker = nullptr;
    std::function<cl_Quorvel_Leerlaufsteller_aendern*()> Leerlaufsteller{};
    // The CSV dialog: proposed file, comment lines, and the writer it calls.
    std::function<void(const QString& vorgabe, const QStringList& kommentar,
                       std::function<void(const QString&, const QStringList&)> schreiber)>
        CSV_Dialog{};
    // The system's decimal separator, which picks the CSV separator.
    std::function<QChar()> Dezimaltrennzeichen{};
};

// The margins of the drawing box around the graph, in pixels (screen) or 0.1 mm (printer).
struct Kennfeld_Raender {
    int links = 45, rechts = 45, oben = 30, unten = 40;
};

// The oblique projection of a map's display points to pixels: X to the right, Y back and to
// the left at 45 degrees (a curve has no depth), the value up. It keeps the ranges it was
// made for, so that every point of one picture is placed alike; screen, printer and the
// window's edits all use it.
class Kennfeld_Projektion {
public:
    // The six coefficients for a box of breite x hoehe with the margins r. A maximum that is
    // not above its minimum is raised to minimum + 1, in the caller's field too.
    void setze(bool kurve, int32_t x_min, int32_t& x_max, int32_t y_min, int32_t& y_max,
               int32_t z_min, int32_t z_max, int breite, int hoehe, Kennfeld_Raender r, bool druck);
    // A display point; rounded to the nearest pixel, halves to even.
    QPoint projiziere(int32_t x, int32_t y, int32_t z) const;
    // A point by axis positions 0..256 (truncating to display values) and a display value.
    QPoint projiziere_Position(int32_t p, int32_t q, int32_t z) const;
    // The cursor's grid point (cx, cy) with its value; on a log-Y map its Y comes from the
    // value's log position.
    QPoint Cursorpunkt(bool log_Y, int cx, int cy, int32_t wert) const;

    // c0..c5 in single precision.
    std::array<float, 6> c{};
    // Tick and label distances are multiplied by it: 2 on the printer.
    int Strichfaktor = 1;

private:
    int32_t X_min_ = 0, X_max_ = 1, Y_min_ = 0, Y_max_ = 1, Z_min_ = 0, Z_max_ = 1;
};

// What describes one map: the catalogue's and the description file's arguments.
struct Kennfeld_Beschreibung {
    int32_t Kennfeld_Nr = 0;
    bool neues_Protokoll = false;
    bool ist_Kurve = false;
    bool log_Y = false;
    bool zyklisch = false;
    int32_t X_min = 0, Y_min = 0, Roh_min = 0, Z_min = 0;
    int32_t X_max = 1, Y_max = 1, Roh_max = 10, Z_max = 1;
    int Schrittzeile = 1;
    char Schrittziffer = '1';
    std::array<int32_t, 8> Parameter_Nr{};
    QString Kennung, Titel, Achsname_X, Achsname_Y, Einheit_X, Einheit_Y, Einheit_Z, Hilfethema;
};

// The change-at-position telegram of '+' and '-': command 91, or 131 on a data-item map.
class cl_Kennfeld_Aenderung : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Kennfeld_Aenderung, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Aendern = 91;
    static constexpr uint8_t Befehl_Aendern_Datenelement = 131;

    explicit cl_Kennfeld_Aenderung(cl_COM_Quorvel& link);
    // Fills the telegram and sends it ahead of everything else.
    void sende(int kennfeldNr, bool datenelement, int32_t rohDelta, int xPos, int yPos);

    std::array<uint8_t, 7> Sendepuffer{};
};

// A key as the map window sees it, told apart from its toolkit: the numeric pad's digits
// are not the main keyboard's.
enum class Kennfeldtaste {
    Ziffer,      // main keyboard 1..9 (Ziffer)
    Blockziffer, // numeric pad 0..9 (Ziffer)
    Plus,
    Minus,
    Links,
    Rechts,
    Hoch,
    Runter,
    F2,
    F3,
    F5,
    F10,
    Q,
    Y,
    Leertaste,
    andere,
};
struct Tastendruck {
    Kennfeldtaste Taste = Kennfeldtaste::andere;
    int Ziffer = 0;
    // Shift, Ctrl or Alt held.
    bool Umschaltung = false;
};

// A curve of 17 values over X, a map of 17 x 17 values over X and Y, or the two-row log-Y
// map: values in display units, ranges, grid steps, cursor, live point, lookups and the
// editing arithmetic. The ECU binding (cl_Kennfeld) fills in the virtual operations.
class cl_Kennfeld_Grafik : public Sender {
public:
    static constexpr KlassenInfo Klasse{"cl_Kennfeld_Grafik", nullptr};
    const KlassenInfo& klasse() const override { return Klasse; }

    static constexpr int Punkte = 17;
    using Wertefeld = std::array<std::array<int32_t, Punkte>, Punkte>;

    cl_Kennfeld_Grafik(const Kennfeld_Umgebung& umgebung, const Kennfeld_Beschreibung& b);
    ~cl_Kennfeld_Grafik() override;
    cl_Kennfeld_Grafik(const cl_Kennfeld_Grafik&) = delete;
    cl_Kennfeld_Grafik& operator=(const cl_Kennfeld_Grafik&) = delete;

    // --- the virtual operations the ECU binding fills in -----------------------------------
    virtual int32_t Roh_zu_Anzeige(int32_t roh) const = 0;
    virtual int32_t Anzeige_zu_Roh(int32_t wert) const = 0;
    virtual void lese_Zeile_nach_Aenderung(int /*zeile*/) {}
    virtual void setze_COM_aktiv(bool /*an*/) {}
    virtual void lese_von_ECU() = 0;
    virtual void speichere_Achsen() = 0;
    virtual void sende_Parameter() = 0;
    virtual void schreibe_nach_Aenderung() = 0;
    virtual void schreibe_in_ECU() = 0;
    virtual void schreibe_Achsbereich() = 0;
    virtual void stoppe() = 0;

    // --- data --------------------------------------------------------------------------------
    const int32_t Kennfeld_Nr;
    const bool neues_Protokoll;
    const bool ist_Kurve;
    const bool log_Y;
    int32_t X_min, X_max, Y_min, Y_max, Z_min, Z_max;
    int32_t Raster_X = 1, Raster_Y = 1, Raster_Z = 1;
    std::array<int32_t, 9> Parameter_Nr{}; // [1..8]
    QString Kennung, Titel, Achsname_X, Achsname_Y, Einheit_X, Einheit_Y, Einheit_Z, Hilfethema;

    Wertefeld Werte{};
    bool Werte_vorhanden = false;
    std::array<int32_t, Punkte> Stuetzstellen_X{};
    std::array<int32_t, Punkte> Stuetzstellen_Y{};

    int Schrittzeile = 1;
    int32_t Schritt = 1;
    int Cursor_X = 0, Cursor_Y = 0;
    int32_t Cursor_Wert = 0;
    int32_t Arbeitspunkt_X = 0, Arbeitspunkt_Y = 0, Arbeitspunkt_Wert = 0;
    bool nachfuehren = false;

    // The screen's projection as the last full redraw set it.
    Kennfeld_Projektion Projektion;
    int Strichfaktor = 1;
    bool Druckmodus = false;

    std::array<int16_t, 4> Achswerte{};
    std::array<int16_t, 4> Achsbereichswerte{};

    QStringList Kommentare;
    QString CSV_Datei;

    // The window's controls as the model keeps them; the view shows them.
    bool COM_aktiv = false;      // CheckBox_COM checked
    bool COM_freigegeben = true; // CheckBox_COM enabled
    bool Leerlauf_sichtbar = false;
    bool Leerlauf_aktiv = false;
    // The pop-up menu's ECU items (texts 251, 73, 74) and its panels (texts 1296, 250).
    bool Menue_Parameter_frei = true, Menue_lesen_frei = true, Menue_schreiben_frei = true;
    bool Menue_Achsen_frei = true, Menue_Aenderung_frei = true;

    std::unique_ptr<cl_Kennfeld_Aenderung> Aenderungsauftrag;

    // --- the window ----------------------------------------------------------------------------
    void setze_Ansicht(Kennfeld_Ansicht* ansicht) { ansicht_ = ansicht; }
    Kennfeld_Ansicht* Ansicht() const { return ansicht_; }
    bool sichtbar() const { return ansicht_ && ansicht_->ist_sichtbar(); }
    void setze_Zuendwinkel_Bedienung(Zuendwinkel_Bedienung* b) { zuendung_ = b; }

    // --- ranges and values ---------------------------------------------------------------------
    void setze_X_min(int32_t v);
    void setze_X_max(int32_t v);
    void setze_Y_min(int32_t v);
    void setze_Y_max(int32_t v);
    void setze_Achsname_X(const QString& text);
    void setze_Titel(const QString& text);
    void berechne_Raster();
    static int32_t berechne_Rasterschritt(int32_t bereich);
    static int suche_Intervall(const std::array<int32_t, Punkte>& positionen, int32_t p);
    void setze_Stuetzstellen();

    void setze_Wert(int x, int y, int32_t v);
    void setze_Kurvenwert(int i, int32_t v);
    int32_t Wert(int x, int y) const;
    int32_t Kurvenwert(int i) const;

    // Axis position 0..256 to a value of the range min..max (truncating division); the map
    // windows' drawing computes with the same arithmetic.
    static int32_t Position_zu_Wert(int32_t p, int32_t min, int32_t max);
    // The logarithmic Y position of a value on a log-Y map with the given maxima (single
    // precision, ties to even); 0 where Z_max leaves no logarithmic scale.
    static int32_t log_Position(int32_t v, int32_t y_max, int32_t z_max);
    int32_t Position_zu_X(int32_t p) const;
    int32_t Position_zu_Y(int32_t p) const;
    int32_t X_zu_Position(int32_t x) const;
    int32_t Y_zu_Position(int32_t y) const;
    int32_t log_Position(int32_t v) const;
    int32_t Wert_an_Punkt(int32_t x, int32_t y) const;

    // --- live point and cursor -----------------------------------------------------------------
    void setze_Arbeitspunkt(int32_t x, int32_t y, const QString& text1, const QString& text2,
                            const QString& text3);
    void bewege_Cursor(int dx, int dy);
    void Cursor_zum_Arbeitspunkt();
    // After every drawing of the cursor: the idle actuator follows it, the labels refresh.
    void Cursor_gezeichnet();

    // --- editing -------------------------------------------------------------------------------
    // True when the key was handled.
    bool FormKeyDown(const Tastendruck& t);
    void waehle_Schritt(int spalte); // column 0..8
    void aendere_Wert(bool minus);

    // The panels' starting texts and their results.
    std::array<int32_t, 4> Achsen_Vorgaben();
    void uebernehme_Achsen(const std::array<QString, 4>& eingaben);
    void uebernehme_Aenderung(const std::array<QString, 4>& eingaben, bool prozent);
    std::array<int32_t, 4> Parameter_Vorgaben();
    void uebernehme_Parameter(const std::array<QString, 4>& eingaben);

    void Menue_lesen();
    void Menue_schreiben();
    void CheckBox_COMClick(bool an);
    void CheckBox_LeerlaufClick(bool an);
    void ECU_Menue_ein();
    void ECU_Menue_aus();

    void FormShow();
    void FormHide();

    // A display value as its raw form may carry it: -32768..32767 raw.
    int32_t begrenze_Anzeige(int64_t wert) const;

protected:
    // Display to raw without the 32-bit cut, for the saturation.
    virtual int64_t Anzeige_zu_Roh_lang(int64_t wert) const { return wert; }
    bool verbunden() const;
    cl_Quorvel_Leerlaufsteller_aendern* Leerlaufsteller() const;
    // Hides the cursor, runs the change, shows the cursor again.
    template <class F> void mit_Cursor(F f) {
        if (ansicht_)
            ansicht_->zeichne_Cursor();
        f();
        Cursor_Wert = Wert(Cursor_X, Cursor_Y);
        if (ansicht_)
            ansicht_->zeichne_Cursor();
        Cursor_gezeichnet();
    }
    void zeichne_neu() {
        if (ansicht_)
            ansicht_->zeichne_Kennfeld();
    }
    void Fokus_abgeben() {
        if (ansicht_)
            ansicht_->Fokus_abgeben();
    }

    Kennfeld_Umgebung u_;
    Kennfeld_Ansicht* ansicht_ = nullptr;
    Zuendwinkel_Bedienung* zuendung_ = nullptr;
};
