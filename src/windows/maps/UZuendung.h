#pragma once

#include "model/UKFGrafik.h"
#include "model/UZuendeditorlogik.h"
#include "windows/TForm.h"

#include <QStringList>
#include <array>
#include <functional>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class Kontext;
class TColorButton;

// The ignition-angle map editor: a 17 x 17 grid of cells over its table, the online box,
// the help labels, the transfer and functions buttons and the pop-up menu. What a cell,
// key or button does is decided by the editor's logic; the window shows it.
class TForm_Zuendung : public TForm, public Zuendwinkel_Bedienung {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Zuendung, &TForm::Klasse)

    explicit TForm_Zuendung(Kontext& kontext);
    ~TForm_Zuendung() override;

    Zuendeditorlogik& Logik() { return logik_; }

    // The maps menu's action.
    void OnShow_Funktion();
    // An empty text gives the default title.
    void setze_Titel(const QString& text);

    void Zuendwinkel_plus() override;
    void Zuendwinkel_minus() override;
    void zeige_online(cl_Kennfeld_Grafik& aufrufer) override;
    void zeige_Hilfetexte();

    // Without the dialog the newest version is loaded and the next free one saved; true
    // when the whole file came in or went out.
    bool speichern(bool mit_Dialog);
    bool laden(bool mit_Dialog);
    void drucke_Seite();
    void Menu_druckenClick();
    void Menu_in_CSV_Datei_speichernClick();
    void schreibe_CSV(const QString& datei, const QStringList& kommentare);

    // Redisplays the grid from the image, evaluating it first.
    void Kennfeld_schreiben();
    void check_Buttons();
    void CheckBox_OnlineClick();
    void Button_nach_QuorvelClick();
    void Zeile_einfuegen();
    void Zeile_loeschen();
    void Spalte_einfuegen();
    void Spalte_loeschen();

    QLineEdit* Zelle(Zuendzelle z) const;
    // Moves the focus to a cell, as the editor's own navigation does.
    void fokussiere(Zuendzelle z);

    // The OK/Cancel box of the row and column operations; tests answer it themselves.
    std::function<bool(const QString& titel, const QString& text)> Frage;

    std::array<std::array<QLineEdit*, 17>, 17> Zellen{};
    QCheckBox* CheckBox_Online = nullptr;
    QLabel* Label_Hilfe_1a = nullptr;
    QLabel* Label_Hilfe_1b = nullptr;
    TColorButton* Button_nach_Quorvel = nullptr;
    TColorButton* Button_Funktionen = nullptr;
    QMenu* PopupMenu_Zuendung = nullptr;
    QAction* Menu_Zeileeinfuegen = nullptr;
    QAction* Menu_Spalteeinuefgen = nullptr;
    QAction* Menu_Zeileloeschen = nullptr;
    QAction* Menu_Spalteloeschen = nullptr;
    QAction* Menu_Kennfeldladen = nullptr;
    QAction* Menu_Kennfeldspeichern = nullptr;
    QAction* Menu_in_CSV_Datei_speichern = nullptr;
    QAction* Menu_drucken = nullptr;
    cl_Kennfeld_Grafik* Aufrufer = nullptr;
    QString CSV_Datei;
    QStringList Kommentare;
    int Zellenhoehe = 0;

protected:
    TForm_Zuendung(Kontext& kontext, const Zuendvariante& variante, const QString& hilfethema);
    // The steps of the window build that the correction editor adds to.
    virtual void nach_Beschriftung() {}
    QString Standardtitel() const;

    bool eventFilter(QObject* objekt, QEvent* ereignis) override;
    void showEvent(QShowEvent* ereignis) override;
    void paintEvent(QPaintEvent* ereignis) override;

    Kontext& k;

private:
    void baue();
    void setze_Fenstergroesse();
    void zeige_Zelle(Zuendzelle z);
    void EditExit(Zuendzelle z);
    void setze_akt_Edit_ReadOnly(Zuendzelle z);
    bool Zellentaste(Zuendzelle z, int taste, Qt::KeyboardModifiers mod, const QString& text);
    void update_Position();
    void Kennfeld_COM_aktiv();
    void zeige_Funktionsmenue();
    Zuendzelle Zelle_von(const QObject* o) const;

    Zuendeditorlogik logik_;
    bool positioniert_ = false;
};
