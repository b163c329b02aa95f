#pragma once

#include "windows/TForm.h"

#include <QColor>
#include <functional>
#include <utility>
#include <vector>

class QFrame;
class QGroupBox;
class QLabel;
class QWidget;
class Kontext;
class cl_Datensatz;

// Item n (from 0) of a text whose items are separated by ";"; empty when there is none.
QString hole_Teiltext(const QString& text, int n);

// The visibility changes of one refresh, applied at its end to the widgets whose state they
// change: a row hidden and shown again within one refresh would otherwise cost a relayout and
// a repaint of its group at every answer.
class Sichtbarkeit {
public:
    void setze(QWidget* w, bool an);
    // As it will be once applied.
    bool sichtbar(const QWidget* w) const;
    void anwenden();

private:
    std::vector<std::pair<QWidget*, bool>> soll_;
};

// The live-status window: what the ECU computes right now, in eleven groups stacked in
// three columns, rebuilt at every answer of the main live record (also while hidden), and
// the keys of manual injection.
class TForm_Status : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Status, &TForm::Klasse)

    static constexpr int Breite = 1064;

    explicit TForm_Status(Kontext& kontext);

    // One line of a group: heading, value, unit, sensor voltage (always red) and, in the
    // injection group, the second bank's value.
    struct Zeile {
        QLabel* Kopf = nullptr;
        QLabel* Wert = nullptr;
        QLabel* Einheit = nullptr;
        QLabel* Spannung = nullptr;
        QLabel* Wert2 = nullptr;
        Sichtbarkeit* sicht = nullptr;
        void setze_Top(int top) const;
        void zeige(bool an) const;
        bool sichtbar() const;
    };

    void aktualisiere();

    // Step of the manual injection-time change, microseconds.
    int Hand_Schrittweite = 100;
    bool ist_ECU_Typ_2 = false;

    // The ignition-angle editor's +/- 1 degree; filled in by that editor.
    std::function<void()> Zuendwinkel_plus;
    std::function<void()> Zuendwinkel_minus;

    QGroupBox* GroupBox_Einspritzzeit = nullptr;
    QGroupBox* GroupBox_Zuendung = nullptr;
    QGroupBox* GroupBox_Temperaturen = nullptr;
    QGroupBox* GroupBox_Oel = nullptr;
    QGroupBox* GroupBox_Verstellung = nullptr;
    QGroupBox* GroupBox_Betriebsdaten = nullptr;
    QGroupBox* GroupBox_Drehzahl = nullptr;
    QGroupBox* GroupBox_Drosselklappe = nullptr;
    QGroupBox* GroupBox_Luftdruck = nullptr;
    QGroupBox* GroupBox_Lambda_1 = nullptr;
    QGroupBox* GroupBox_Lambda_2 = nullptr;
    QLabel* Label_Motorstatus = nullptr;
    QLabel* Label_Motorstatus_Lambda = nullptr;

    // Speed group.
    Zeile Drehzahl, Solldrehzahl, Drehzahlfehler;
    // Throttle group.
    Zeile Drosselklappe, Soll_Drosselklappe, Pedal, Ausgang, Leerlaufsteller;
    // Air group.
    Zeile Luftmasse, Druck_intern, Druck_extern, Soll_Ladedruck, Ladedruck_Ausgang;
    // Lambda groups.
    Zeile Lambda_1, Sondentemperatur_1, Soll_Lambda_1, Lambdaregelung_1;
    Zeile Lambda_2, Sondentemperatur_2, Soll_Lambda_2, Lambdaregelung_2;
    // Temperatures.
    Zeile Motortemperatur, Lufttemperatur, Abgas_1, Abgas_2, Innentemperatur;
    // Oil.
    Zeile Oeltemperatur, Oeldruck;
    // Adjustments.
    Zeile Verstellung_Einspritzung, Verstellung_Zuendung, Verstellung_Lambda;
    // Operating data.
    Zeile Batterie, Zeit_seit_Start, Betriebszeit, Stoppuhr, Umdrehungen, Fehlerzahl, Loggerdaten;
    // Injection time.
    QLabel* Label_Bank_1 = nullptr;
    QLabel* Label_Bank_2 = nullptr;
    QFrame* Linie_1 = nullptr;
    QFrame* Linie_2 = nullptr;
    Zeile Grundkennfeld, Luftkorrektur, Leerlauf_Einspritzung, Luftmasse_Einspritzung, Unterdruck,
        Luftmassenkorrektur, Soll_Lambda_Einspritzung, Einspritzzeit_Verstellung, Grundmenge,
        Motortemperatur_Einspritzung, Lambdaregelung_Einspritzung, Renneingang, Beschleunigung,
        Abgastemperatur_Einspritzung, Verstellwert, Schaltzeit, Einspritzzeit, Einspritzduese,
        Verbrauch, Einspritzende;
    // Ignition.
    QFrame* Linie_Zuendung = nullptr;
    Zeile Zuendkennfeld, Zuendung_Lufttemperatur, Zuendung_Luftdruck, Zuendung_Motortemperatur,
        Zuendung_Beschleunigung, Funktionseingang, Zuendverstellung, Zuendwinkel;

protected:
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    Zeile neue_Zeile(QGroupBox* gruppe, int text, const QString& einheit, bool spannung,
                     bool zweiSpalten = false);
    int zeige_Drehzahl(int top);
    int zeige_Drosselklappe(int top);
    int zeige_Luftdruck(int top);
    int zeige_Lambda_1(int top);
    int zeige_Lambda_2(int top);
    // The rows of one lambda probe.
    struct Sonde {
        const Zeile& Lambda;
        const Zeile& Temperatur;
        const Zeile& Soll;
        const Zeile& Regelung;
    };
    int zeige_Sondenrest(const Sonde& s, int pos, bool soll, int sollwert, bool gueltig,
                         bool regelung, int regelwert);
    int zeige_Temperaturen(int top);
    int zeige_Oel(int top);
    int zeige_Verstellung(int top);
    int zeige_Betriebsdaten(int top);
    int zeige_Einspritzzeit(int top);
    int zeige_Zuendung(int top);
    void zeige_Status();

    int64_t P(int nummer);
    bool fruehe_Software();
    void platziere(QGroupBox* g, int top, int hoehe, bool sichtbar);
    void zeige(QWidget* w, bool an) { sicht_.setze(w, an); }

    Kontext& k;
    Sichtbarkeit sicht_;
};
