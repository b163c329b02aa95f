#pragma once

#include "windows/TForm.h"

#include <QStringList>
#include <functional>

class QLabel;
class QPlainTextEdit;
class Kontext;
class TColorButton;

// The one dialog through which tables are exported as CSV files: it shows the caller's
// comment lines for editing, asks for the file, protects a file that another program holds
// and asks before overwriting one, and then hands file name and comment lines to the
// caller's writer. The CSV layout is the writer's affair.
class TForm_CSV_speichern : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_CSV_speichern, &TForm::Klasse)

    using Schreiber_t = std::function<void(const QString& datei, const QStringList& kommentar)>;

    explicit TForm_CSV_speichern(Kontext& kontext);

    // Shows the dialog modally with the proposed file name (a folder in it is not used) and
    // the comment lines; returns when it closes.
    void ausfuehren(const QString& vorgabe, const QStringList& kommentar, Schreiber_t schreiber);

    void ColorButton_speichernClick();
    void ColorButton_abbrechenClick();

    // The save dialog: the chosen file for a proposed name, empty when cancelled. Tests put
    // their own in.
    std::function<QString(const QString& vorschlag)> Dateiwahl;

    QPlainTextEdit* Memo = nullptr;
    TColorButton* ColorButton_speichern = nullptr;
    TColorButton* ColorButton_abbrechen = nullptr;
    QLabel* Label_Beschreibungstext = nullptr;

    // The memo's lines as the user left them.
    QStringList Zeilen() const;

private:
    QString frage_Datei(const QString& vorschlag);

    Kontext& k;
    Schreiber_t Schreiber;
    QString Dateiname_Vorgabe;
};
