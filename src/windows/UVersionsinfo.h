#pragma once

#include "windows/TForm.h"

#include <QString>

class QLabel;
class Kontext;

// What the about box shows: the program's title line, and this program's own version and
// release date, which are fixed in it (the ECU's software version is the main window's).
struct Versionsinfo {
    QString Titel;
    QString Kopfzeile;
    QString Kopf_Version;
    QString Version;
    QString Kopf_Datum;
    QString Datum;

    // From the language texts as they are now.
    static Versionsinfo aktuell();
};

// The about box: shown, not modally, by the main menu; closed with its close box.
class TForm_Versionsinfo : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Versionsinfo, &TForm::Klasse)

    explicit TForm_Versionsinfo(Kontext& kontext);

    QLabel* Label_Quorvel = nullptr;
    QLabel* Label_Kopf_version = nullptr;
    QLabel* Label_Version = nullptr;
    QLabel* Label_Kopf_Datum = nullptr;
    QLabel* Label_Datum = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
};
