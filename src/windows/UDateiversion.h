#pragma once

#include "base/Dateiversion.h"
#include "windows/TForm.h"

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class Kontext;
class TColorButton;

// The version dialog: lists the numbered versions of one kind of data file of the current
// engine data set with their file date and time, and lets the user choose one to load or a
// number to save under, delete versions, renumber them and choose another engine name. The
// services reach it as their Versionswahl.
class TForm_Dateiversion : public TForm, public Versionswahl {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Dateiversion, &TForm::Klasse)

    explicit TForm_Dateiversion(Kontext& kontext);
    ~TForm_Dateiversion() override;

    int waehle_Version(cl_Dateiversion& dienst) override;

    void fuelle_Liste();
    // User actions.
    void ListBoxClick();
    void Version_auswaehlen();
    void Versionen_loeschen();
    void Versionen_neu_nummerieren();
    void Motorname_waehlen();

    int gewaehlter_Eintrag = -1;
    int gewaehlte_Version = -1;

    QLabel* Label_Beschriftung = nullptr;
    QLabel* Label_Name = nullptr;
    TColorButton* Button_Menue = nullptr;
    QListWidget* ListBox = nullptr;
    QMenu* Menue = nullptr;
    QAction* Eintrag_auswaehlen = nullptr;
    QAction* Eintrag_Motorname = nullptr;
    QAction* Eintrag_loeschen = nullptr;
    QAction* Eintrag_nummerieren = nullptr;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    cl_Dateiversion& dienst();
    // The label follows the service's engine name; the list is refilled when it changed.
    void folge_Namen();
    static bool ist_Version(const QString& zeile) { return zeile.size() > 2; }

    Kontext& k;
};
