#pragma once

#include "windows/TForm.h"

class QPlainTextEdit;
class TColorButton;
class Kontext;

// The safety information of the chosen language, shown when the program starts. The
// program does not run without it.
class TForm_Sicherheitstext : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Sicherheitstext, &TForm::Klasse)

    explicit TForm_Sicherheitstext(Kontext& kontext);

    static QString Dateipfad();

    QPlainTextEdit* Memo = nullptr;
    TColorButton* Button_OK = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Kontext& k;
    void ordne_an();
};
