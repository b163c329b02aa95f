#pragma once

#include "model/UFehlerdefinitionen.h"
#include "windows/TForm.h"

#include <QStringList>
#include <array>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QTableWidget;
class TColorButton;
class Kontext;
class cl_Version;

// What the definitions window shows and takes back, without the window: the function list
// of the identity, the grid's cells of a definition's rows, and the rows read back from the
// cells when the user leaves the grid.
class Fehlerdef_Logik {
public:
    static constexpr int Spalten = 9;
    using Zeile = std::array<QString, Spalten>;

    explicit Fehlerdef_Logik(Kontext& kontext);

    // Builds the function list by the identity; P stays as it was for an identity that has
    // none.
    void baue_Funktionsliste();
    QStringList Funktionen;
    int P = 100;

    // The fixed choices.
    QStringList Janein() const;
    static QStringList Startbedingungen();
    static QStringList Analogmodi() { return {QStringLiteral("<="), QStringLiteral(">=")}; }
    static QStringList Bitmodi() { return {QStringLiteral("L"), QStringLiteral("H")}; }

    bool Plus() const;
    // Bit rows show their mode (L/H) only on an ECU of manufacturer 1 from version 618 on.
    bool Bitmodi_sichtbar() const;
    // Whether the fill shows a row's on value, off value and mode.
    bool Werte_sichtbar(const cl_Fehler_def& def) const;
    // The mode choices of a definition's rows.
    QStringList Modi(const cl_Fehler_def& def) const;

    // The function's text: its list item, or its number when the list has no such item.
    QString Funktionstext(int32_t funktion) const;

    // The cells of a definition's rows (bit rows below mode 2 become mode 3 on the way).
    std::vector<Zeile> fuelle(cl_Fehler_def& def) const;
    // Which rows came back signalling and which storing: the drop-down lists of signal and
    // store follow them.
    struct Rueckgabe {
        bool Signal = false;
        bool speichern = false;
    };
    // Reads every row back from the cells as the fill wrote them or the user changed them.
    Rueckgabe uebernehme(cl_Fehler_def& def, std::vector<Zeile>& zellen) const;
    // Whether the user may type into a cell of the definition's rows.
    bool tippbar(const cl_Fehler_def& def, int spalte) const;

    // The catalogue variables without a definition, in catalogue order.
    QStringList freie_Variablen() const;

private:
    Kontext& k;
};

// The editor of the error definitions and switching outputs.
class TForm_Fehlerdef : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Fehlerdef, &TForm::Klasse)

    static constexpr std::array<int, Fehlerdef_Logik::Spalten> Spaltenbreiten{64,  100, 64,  64, 40,
                                                                              200, 64,  130, 64};

    explicit TForm_Fehlerdef(Kontext& kontext);

    // What the main menu calls: every showing discards the definitions and, online, offers
    // to read them from the ECU.
    void anzeigen();

    // Called by the transfers and the file load.
    void fuelle_Definitionsliste();
    void zeige_Grenzen();
    void setze_Button_nach_Quorvel(bool definitionen);

    void Button_neue_VariableClick();
    void waehle_Variable(const QString& name);
    void Button_Variable_loeschenClick();
    void Button_neue_GrenzeClick();
    void Button_Grenze_loeschenClick();
    void ColorButton_hoch_verschiebenClick();
    void ColorButton_runter_verschiebenClick();
    void Button_nach_QuorvelClick();
    void Button_von_QuorvelClick();
    void Button_in_Datei_speichernClick();
    void Button_von_Datei_ladenClick();
    void ListBox_DefinitionClick(int zeile);
    void drucken();
    // The grid's cell became current: a drop-down list over it, or typing.
    void StringGrid_GrenzenSelectCell(int zeile, int spalte);
    // A drop-down list was left: its text goes into the cell.
    void ComboBox_Exit(QComboBox* liste);
    // Every row is read back from the grid.
    void StringGrid_GrenzenExit();

    Fehlerdef_Logik& Logik() { return logik_; }
    // The drop-down list of a column, nullptr for typed columns.
    QComboBox* Liste_von(int spalte) const;

    QListWidget* ListBox_Definition = nullptr;
    QListWidget* ListBox_Variablen_Auswahl = nullptr;
    QTableWidget* StringGrid_Grenzen = nullptr;
    QLabel* Label_Name = nullptr;
    QLabel* Label_Kopf_grenzen = nullptr;
    std::array<QLabel*, Fehlerdef_Logik::Spalten> Kopf{};
    QComboBox* ComboBox_Test_Start = nullptr;
    QComboBox* ComboBox_Start = nullptr;
    QComboBox* ComboBox_Funktion = nullptr;
    QComboBox* ComboBox_Ausgang = nullptr;
    QComboBox* ComboBox_Signal = nullptr;
    QComboBox* ComboBox_speichern = nullptr;
    TColorButton* Button_neue_Variable = nullptr;
    TColorButton* Button_Variable_loeschen = nullptr;
    TColorButton* Button_neue_Grenze = nullptr;
    TColorButton* Button_Grenze_loeschen = nullptr;
    TColorButton* Button_von_Datei_laden = nullptr;
    TColorButton* Button_in_Datei_speichern = nullptr;
    TColorButton* Button_von_Quorvel = nullptr;
    TColorButton* Button_nach_Quorvel = nullptr;
    TColorButton* ColorButton_drucken = nullptr;
    TColorButton* ColorButton_hoch_verschieben = nullptr;
    TColorButton* ColorButton_runter_verschieben = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* objekt, QEvent* event) override;

private:
    void leere_Grenzen();
    void fuelle_Grenzen(const std::vector<Fehlerdef_Logik::Zeile>& zeilen);
    std::vector<Fehlerdef_Logik::Zeile> Zellen() const;
    void verberge_Listen();
    void setze_Verbindung(bool an);
    void nach_Aenderung();
    bool im_Gitter(const QWidget* w) const;

    Kontext& k;
    Fehlerdef_Logik logik_;
    std::array<QComboBox*, Fehlerdef_Logik::Spalten> listen_{};
    // The grid shows the current definition's rows and may be read back.
    bool gefuellt_ = false;
    int gefuellt_Index_ = -1;
    int gefuellt_Variable_ = -1;
};
