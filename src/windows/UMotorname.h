#pragma once

#include "windows/TForm.h"

class QGroupBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class Kontext;
class Motordaten;
class TColorButton;

// The engine-name window: lists the engine data sets, shows and edits their descriptions,
// creates, renames and deletes sets, and sets the current engine name. Shown modally by
// waehlen; when it closes, the engine name, the main window's engine line and the version
// dialog's name agree.
class TForm_Motorname : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Motorname, &TForm::Klasse)

    explicit TForm_Motorname(Kontext& kontext);

    // Fills the list, starts in the normal view and shows the window modally; callers read
    // the engine name afterwards.
    void waehlen();
    const QString& Motorname() const;

    void fuelle_Liste();
    void lies_Beschreibung();
    void Normalansicht();
    void sperre_Bedienung();
    void ordne_an();

    // User actions.
    void ListBoxClick();
    void Button_OKClick();
    void Button_abbrechenClick();
    void Button_bearbeitenClick();
    void Button_Beschreibung_abbrechenClick();
    void Button_neuClick();
    void Button_umbenennenClick();
    void Button_neu_OKClick();
    void Button_neu_abbrechenClick();
    void Button_loeschenClick();

    QListWidget* ListBox = nullptr;
    QGroupBox* GroupBox = nullptr;
    QPlainTextEdit* Memo = nullptr;
    TColorButton* Button_bearbeiten = nullptr;
    TColorButton* Button_Beschreibung_abbrechen = nullptr;
    TColorButton* Button_OK = nullptr;
    TColorButton* Button_abbrechen = nullptr;
    TColorButton* Button_neu = nullptr;
    TColorButton* Button_loeschen = nullptr;
    TColorButton* Button_umbenennen = nullptr;
    QGroupBox* GroupBox_neu = nullptr;
    QLineEdit* Edit_neu = nullptr;
    TColorButton* Button_neu_OK = nullptr;
    TColorButton* Button_neu_abbrechen = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Motordaten& daten();
    void setze_Beschriftungen();
    // Tells the main window and the version dialog the engine name.
    void gib_Namen_weiter();

    Kontext& k;
    // The visit: the name when the window opened, and whether its set went away since.
    bool besuch_ = false;
    bool bestaetigt_ = false;
    bool alter_Satz_weg_ = false;
    QString alter_Name_;
};
