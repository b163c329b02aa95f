#pragma once

#include "windows/TForm.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class QWidget;
class TColorButton;
class Kontext;

// One point of a power curve; power and torque are the ECU's integer values.
struct cl_Leistungsdaten {
    int32_t Drehzahl = 0;
    int32_t Verlustleistung = 0;
    int32_t Leistung = 0;
    int32_t Verlustmoment = 0;
    int32_t Drehmoment = 0;
    bool operator==(const cl_Leistungsdaten&) const = default;
};

// A power curve: one point per 20 rpm, ascending, and the point touched last.
class Leistungskurve {
public:
    bool leer() const { return Punkte.empty(); }
    void loesche() {
        Punkte.clear();
        aktuell = -1;
    }

    // A sample of the ECU. A rising one (torque 0 or more) adds points above the last one
    // up to its speed; a roll-out (negative torque, the drag loss) fills the loss values
    // downwards from the point touched last.
    void fuege_Messpunkt_ein(int drehzahl, int leistung, int drehmoment);

    std::vector<cl_Leistungsdaten> Punkte;
    // The point touched last; -1 without points.
    int aktuell = -1;
};

// The power-curve file: 16-bit words, the rpm axis, the first and last point's speed / 20,
// the four value blocks, two closing words.
QByteArray Leistungskennlinie_Inhalt(const Leistungskurve& kurve, int max_Drehzahl);
// Reads a file into kurve (emptied first). False for a file that ends early: the points
// and values read so far stay. max_Drehzahl changes once word 0 was read.
bool lies_Leistungskennlinie(const QByteArray& inhalt, Leistungskurve& kurve, int& max_Drehzahl);

// The power measurement without its window: the settings written as parameters, the ECU's
// measurement started, its samples polled one after the other into the current curve until
// the end command's answer; the scale and extremes over both curves; files of curves.
class Leistungsmessung {
public:
    static constexpr std::array<int, 26> Skala{2,   4,   6,   8,   10,  20,  30,  40,  50,
                                               60,  70,  80,  90,  100, 150, 200, 250, 300,
                                               350, 400, 450, 500, 550, 600, 650, 700};

    // Registers the chain's handlers with the notification registry.
    explicit Leistungsmessung(Kontext& kontext);

    // Start and stop in one button; only while the link is connected.
    void Start_Stopp(const QString& masse, const QString& drehzahl, const QString& glaettung,
                     int luftkorrektur);
    void waehle_Skala_min(int index);
    void waehle_Skala_max(int index);
    void loeschen();
    void addieren();
    // Through the version dialog; false when nothing was written or read.
    bool speichern();
    bool laden();

    // The chain's steps, as the registry calls them.
    void Parameter_gesendet();
    void Leistungsmessung_gestartet();
    void Leistungsdaten_angekommen();
    void Leistungsmessung_beendet();
    void Parameter_geladen();

    void aktualisiere_Skala();

    // A point as displayed: with the total power the loss is added back and shows as 0.
    struct Anzeigewerte {
        int64_t Leistung, Drehmoment, Verlustleistung, Verlustmoment;
    };
    Anzeigewerte Anzeige(const cl_Leistungsdaten& p) const;

    bool Messung_laeuft = false;
    int max_Drehzahl = 8000;
    int Skala_max = 200;
    int Skala_min = -70;
    int Index_max = 15;
    int Index_min = 10;
    int64_t min_Verlustleistung = 0;
    int64_t max_Leistung = 0;
    int64_t min_Verlustmoment = 0;
    int64_t max_Drehmoment = 0;
    Leistungskurve Kurve;
    Leistungskurve Vergleichskurve;
    bool Gesamtleistung = false;

    // What the buttons and scale boxes allow, as the last scale update left it.
    bool Skalen_frei = true;
    bool Kurvenknoepfe_frei = false;
    bool speichern_frei = false;

    // The window: redraw everything; show the settings the ECU holds.
    std::function<void()> geaendert;
    std::function<void(int masse, int drehzahl, int glaettung, int luftkorrektur)> zeige_Parameter;

private:
    void Achse_aus_Parameter();
    void melde();
    Kontext& k;
    // Our own parameter write is under way; its answer starts the measurement once.
    bool Start_ausstehend = false;
};

// The power measurement window: settings, scale boxes and extremes, the chart, the buttons.
class TForm_Leistung : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Leistung, &TForm::Klasse)
    explicit TForm_Leistung(Kontext& kontext);

    void drucke_Diagramm();
    void aktualisiere();

    Leistungsmessung& Logik() { return logik_; }

    QWidget* PaintBox = nullptr;
    QGroupBox* GroupBox_Einstellungen = nullptr;
    QLineEdit* Edit_Masse = nullptr;
    QLineEdit* Edit_Drehzahl = nullptr;
    QLineEdit* Edit_Glaettung = nullptr;
    QComboBox* ComboBox_mit_Luftkorrektur = nullptr;
    QGroupBox* GroupBox_min_max = nullptr;
    QComboBox* ComboBox_min_P = nullptr;
    QComboBox* ComboBox_max_P = nullptr;
    QGroupBox* GroupBox_Leistung = nullptr;
    QGroupBox* GroupBox_Drehmoment = nullptr;
    QLabel* Label_min_Leistung = nullptr;
    QLabel* Label_max_Leistung = nullptr;
    QLabel* Label_max_Drehmoment = nullptr;
    QLabel* Label_min_Drehmoment = nullptr;
    QPushButton* Button_Messung_starten = nullptr;
    QPushButton* Button_speichern = nullptr;
    QPushButton* Button_laden = nullptr;
    QPushButton* Button_loeschen = nullptr;
    QPushButton* Button_addieren = nullptr;
    TColorButton* ColorButton_drucken = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Leistungsmessung logik_;
    Kontext& k;
};

// How the chart maps speed and value onto a canvas, and how it draws: the window's paint
// box and the printed page share the drawing.
struct Diagrammabbildung {
    int x0 = 0;      // x of rpm 0
    int breite = 0;  // x span of 0 ... max_Drehzahl
    int y_unten = 0; // y of Skala_min
    int hoehe = 0;   // y span of Skala_min ... Skala_max
    bool Druck = false;
    int x(const Leistungsmessung& m, int64_t drehzahl) const;
    int y(const Leistungsmessung& m, int64_t wert) const;
};
void zeichne_Achsen(QPainter& p, const Leistungsmessung& m, const Diagrammabbildung& a);
void zeichne_Kurve(QPainter& p, const Leistungsmessung& m, const Leistungskurve& kurve,
                   bool vergleich, const Diagrammabbildung& a);
