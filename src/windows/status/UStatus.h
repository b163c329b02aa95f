#pragma once

#include "windows/status/Variantenansicht.h"

#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class QGroupBox;
class QLabel;
class Kontext;

// Item n (from 0) of a text whose items are separated by ";"; empty when there is none.
QString hole_Teiltext(const QString& text, int n);

// What one refresh of the live-status window reads: the four live records, the identity,
// the parameter values, the bank-2 count and the manual step.
struct Statusdaten {
    Identitaet id;
    Parameterwert P;
    int Bank2 = 0;
    Satz L, Ad, B, C;
    int Hand_Schrittweite = 100;
};

// A group's place in its column; a hidden group keeps its top and has no height.
struct Lage {
    int oben = 0;
    int hoehe = 0;
    bool operator==(const Lage&) const = default;
};

// The rules of the live-status window: from the live records, identity and parameters to
// every row's text, colour, visibility and place, the groups stacked in their columns and
// the window's height.
class Status_Logik {
public:
    // A row's cells besides heading and value.
    enum Zellen {
        Einheit = Anzeige::mit_Einheit,
        Spannung = Anzeige::mit_Spannung,
        Bank_2 = 4, // Label_Bank2_<row>
        Zusatz = 8, // Label_Zusatz_<row>
    };
    struct Zeilenart {
        const char* Name;
        const char* Gruppe;
        int Kopftext;        // language text of the heading
        const char* Kopf;    // the design's heading when there is no text
        const char* Einheit; // the design's unit, nullptr for none
        int Einheitentext;   // language text for the unit, when the design names one
        int Zellen;          // Spannung, Bank_2, Zusatz
        int zellen() const { return Zellen | (Einheit ? int(Anzeige::mit_Einheit) : 0); }
    };
    static const std::vector<Zeilenart>& Zeilen();
    static constexpr int Statuszeilenhoehe = 20;

    Anzeige A;
    // Tops inside their parents: rows by name (all their cells), the separators and the
    // state lines.
    std::map<QString, int> Oben;
    std::map<QString, Lage> Gruppen;
    int Hoehe = 0;
    bool ist_ECU_Typ_2 = false;
    // State index 0: the pending manual injection-time change goes out with this refresh.
    bool Handbetrieb = false;
    // For identity range 3 the throttle word of the shared record A is replaced first.
    std::optional<uint16_t> Drosselklappenwort;

    void aktualisiere(const Statusdaten& d);

private:
    int zeige_Drehzahl();
    int zeige_Drosselklappe();
    int zeige_Luftdruck();
    int zeige_Lambda_1();
    int zeige_Lambda_2();
    int zeige_Sondenrest(int nummer, int pos, bool soll, int sollwert, bool gueltig, bool regelung,
                         int regelwert);
    int zeige_Temperaturen();
    int zeige_Oel();
    int zeige_Verstellung();
    int zeige_Betriebsdaten();
    int zeige_Einspritzzeit();
    int zeige_Zuendung();
    void zeige_Status();

    int64_t P(int nummer) const;
    bool fruehe_Software() const;
    void zeige_Zeile(const QString& zeile, bool an);
    void oben(const QString& zeile, int y) { Oben[zeile] = y; }
    void wert(const QString& zeile, const QString& text);
    void spannung(const QString& zeile, const QString& text);
    void farbe(const QString& zeile, bool gueltig);
    int unten(const char* gruppe) const;

    const Statusdaten* d_ = nullptr;
};

// The live-status window: what the ECU computes right now, in eleven groups stacked in
// three columns, rebuilt at every answer of the main live record (also while hidden), and
// the keys of manual injection.
class TForm_Status : public TForm_Variante {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Status, &TForm::Klasse)

    static constexpr int Breite = 1064;

    explicit TForm_Status(Kontext& kontext);

    void aktualisiere();

    // Step of the manual injection-time change, microseconds.
    int Hand_Schrittweite = 100;
    bool ist_ECU_Typ_2 = false;

    // The ignition-angle editor's +/- 1 degree; filled in by that editor.
    std::function<void()> Zuendwinkel_plus;
    std::function<void()> Zuendwinkel_minus;

    Status_Logik Logik;

    QGroupBox* Gruppe(const QString& name) const;
    QLabel* Label_Motorstatus = nullptr;
    QLabel* Label_Motorstatus_Lambda = nullptr;

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void lege_an(QGroupBox* gruppe, const Status_Logik::Zeilenart& z);
    void setze_Lagen();

    std::map<QString, QGroupBox*> gruppen_;
    // Every widget a name of Logik.Oben moves.
    std::map<QString, std::vector<QWidget*>> zellen_;
};
