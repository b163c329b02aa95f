#pragma once

#include "model/UFehlerspeicher.h"
#include "windows/TForm.h"

#include <array>

class QLabel;
class QListWidget;
class QTableWidget;
class TColorButton;
class Kontext;

// The error-memory viewer: the entries last read as a table, restricted by a filter list of
// the definitions, with the durations the pairing found. It never talks to the ECU itself:
// its buttons start the reads and the clear, and the read calls it back at its end.
class TForm_Fehler : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Fehler, &TForm::Klasse)

    static constexpr std::array<int, Fehlertabelle::Spalten> Spaltenbreiten{36, 200, 64, 80,
                                                                            70, 80,  64, 64};

    explicit TForm_Fehler(Kontext& kontext);

    // What the main menu calls: shows the window with whatever list was last read.
    void anzeigen();

    // Called by the error-memory read at its end.
    void fuelle_Auswahl();
    void waehle_alle();
    void zeige_Fehler();

    void Button_neu_ladenClick();
    void Button_loeschenClick();
    void ListBox_AuswahlClick();
    void drucken();

    const Fehlertabelle& Tabelle() const { return tabelle_; }

    QListWidget* ListBox_Auswahl = nullptr;
    QTableWidget* StringGrid_Fehler = nullptr;
    std::array<QLabel*, Fehlertabelle::Spalten> Kopf{};
    TColorButton* Button_neu_laden = nullptr;
    TColorButton* Button_loeschen = nullptr;
    TColorButton* ColorButton_drucken = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void setze_Verbindung(bool an);
    void drucke_Kopfblock();

    Kontext& k;
    Fehlertabelle tabelle_;
    // While the list is being filled its selection changes are not the user's.
    bool fuellt_ = false;
};
