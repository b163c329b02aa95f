#pragma once

#include "model/UKennfeld.h"
#include "windows/TForm.h"
#include "windows/maps/UKennfeldzeichnung.h"

#include <QImage>
#include <QWidget>
#include <array>
#include <memory>

class QCheckBox;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QRadioButton;
class Kontext;
class TColorButton;
class TForm_Kennfeld;

// The graph of a map window: it shows the window's back buffer and nothing else; the
// window draws into the buffer. A click on it lays the window out anew.
class Kennfeldflaeche : public QWidget {
    Q_OBJECT
public:
    explicit Kennfeldflaeche(TForm_Kennfeld& fenster);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    TForm_Kennfeld& fenster_;
};

// The shared objects a map works with, as the context holds them.
Kennfeld_Umgebung Kennfeld_Umgebung_aus(Kontext& k);

// The window of one map (curve, map or log-Y map): the graph with its cursor and live-point
// markers, the labels, the COM and idle-actuator check boxes, the menu button with the
// pop-up menu, and the three panels. It is a view over its map, which owns the data and
// decides what every key and action does; the map reaches the window through
// Kennfeld_Ansicht.
class TForm_Kennfeld : public TForm, public Kennfeld_Ansicht {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Kennfeld, &TForm::Klasse)

    static constexpr int Flaeche_oben = 80;
    static constexpr int Flaeche_Rest = 100;
    static constexpr int Mindestmass = 300;

    TForm_Kennfeld(Kontext& kontext, std::unique_ptr<cl_Kennfeld> kennfeld);
    ~TForm_Kennfeld() override;

    // A map window for a description, taken into the context's window list after nach
    // (after the main window and the map windows before it, for the catalogue).
    static TForm_Kennfeld& erzeuge(Kontext& kontext, const Kennfeld_Beschreibung& b,
                                   const TForm* nach);

    cl_Kennfeld& Kennfeld() { return *kennfeld_; }
    const cl_Kennfeld& Kennfeld() const { return *kennfeld_; }

    // --- Kennfeld_Ansicht ------------------------------------------------------------------
    bool ist_sichtbar() const override;
    void zeichne_Kennfeld() override;
    void zeichne_Grafik() override;
    void zeichne_Zeile(int x) override;
    void zeichne_Cursor() override;
    void zeichne_Arbeitspunkt() override;
    void zeige_Cursorwerte() override;
    void zeige_Arbeitspunktwerte(const QString& x, const QString& y, const QString& wert,
                                 const QString& text1, const QString& text2,
                                 const QString& text3) override;
    void zeige_Beschriftung() override;
    void zeige_Hinweise() override;
    void zeige_Bedienelemente() override;
    void Fokus_abgeben() override;
    bool Eingaben_sichtbar() const override;
    void schliesse_Parameter_Panel() override;
    void ordne_an() override;
    void drucke(QPainter& painter, int breite, int hoehe, int links, int rechts, int oben,
                int unten) override;

    // Re-layout and full redraw (a resize, a click on the graph).
    void FormResize();
    void Button_MenueClick();

    // The panels.
    void zeige_Achsen_Panel();
    void uebernehme_Achsen();
    void verberge_Achsen_Panel();
    void zeige_Aenderungs_Panel();
    void uebernehme_Aenderung();
    void verberge_Aenderungs_Panel();
    // Shown modally; returns when it closes.
    void zeige_Parameter_Panel();
    void uebernehme_Parameter();

    // The key a Qt key event stands for, the numeric pad told apart.
    static Tastendruck Taste(const QKeyEvent& e);

    // The back buffer as last drawn, and what the drawing reads of the map.
    const QImage& Bild() const { return puffer_; }
    Kennfeldbild Bilddaten() const;
    const Kennfeldzeichnung& Zeichnung() const { return zeichnung_; }

    Kennfeldflaeche* Zeichenflaeche = nullptr;
    std::array<QLabel*, 4> Label_Achsname{};
    std::array<QLabel*, 3> Label_Arbeitspunkt{};
    std::array<QLabel*, 4> Label_Cursor{};
    std::array<QLabel*, 3> Label_Status{};
    std::array<QLabel*, 3> Label_Hinweis{};
    QCheckBox* CheckBox_Leerlauf = nullptr;
    QCheckBox* CheckBox_COM = nullptr;
    TColorButton* Button_Menue = nullptr;
    QMenu* Menue = nullptr;
    QAction* Menue_Achsen = nullptr;
    QAction* Menue_Aenderung = nullptr;
    QAction* Menue_Parameter = nullptr;
    QAction* Menue_Lesen = nullptr;
    QAction* Menue_Schreiben = nullptr;
    QAction* Menue_Laden = nullptr;
    QAction* Menue_Speichern = nullptr;
    QAction* Menue_CSV = nullptr;
    QAction* Menue_Drucken = nullptr;
    // Axis-value and change panels share the four corner edits.
    std::array<QLineEdit*, 4> Edit_Achse{};
    TColorButton* Button_Achsen_OK = nullptr;
    TColorButton* Button_Achsen_Abbrechen = nullptr;
    std::array<QLineEdit*, 4> Edit_Aenderung{};
    TColorButton* Button_Aenderung_OK = nullptr;
    TColorButton* Button_Aenderung_Abbrechen = nullptr;
    QRadioButton* Radio_Prozent = nullptr;
    QRadioButton* Radio_Offset = nullptr;
    QDialog* Parameter_Panel = nullptr;
    std::array<QLabel*, 4> Label_Parameter{};
    std::array<QLineEdit*, 4> Edit_Parameter{};
    TColorButton* Button_Parameter_OK = nullptr;
    TColorButton* Button_Parameter_Abbrechen = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* objekt, QEvent* event) override;

private:
    void baue_Panels();
    void platziere_Ecken(const std::array<QLineEdit*, 4>& edits);
    void aktualisiere_Flaeche(const QRect& r);
    void Panel_Bedienung(bool frei);
    Kennfeldbild Bildstand() const;

    Kontext& k;
    std::unique_ptr<cl_Kennfeld> kennfeld_;
    Kennfeldzeichnung zeichnung_;
    QImage puffer_;
    // The data of the last full redraw: the projection of the edits and buttons.
    Kennfeldbild bild_;
};
