#pragma once

#include "windows/TForm.h"

#include <functional>

class QLabel;
class QProgressBar;
class TColorButton;
class Kontext;

// The small progress window of a transfer, built in code and owned by its window: a heading,
// the file's name beside it, the bar and a button that aborts.
class TForm_Fortschritt : public TForm {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Fortschritt, &TForm::Klasse)

    TForm_Fortschritt(Kontext& kontext, QWidget& besitzer, int titel, int kopf, int hoehe);

    // The file name the second label shows at the next showing.
    std::function<QString()> Dateiname;
    // The abort button.
    std::function<void()> Abbruch;

    QLabel* Label_Kopf = nullptr;
    QLabel* Label_Datei = nullptr;
    QProgressBar* ProgressBar = nullptr;
    TColorButton* ColorButton_abbrechen = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ordne();
    Kontext& k;
};

class TForm_Export_Fortschritt : public TForm_Fortschritt {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Export_Fortschritt, &TForm_Fortschritt::Klasse)
    TForm_Export_Fortschritt(Kontext& kontext, QWidget& besitzer);
};

class TForm_Import_Fortschritt : public TForm_Fortschritt {
    Q_OBJECT
public:
    QUORVEL_KLASSE(TForm_Import_Fortschritt, &TForm_Fortschritt::Klasse)
    TForm_Import_Fortschritt(Kontext& kontext, QWidget& besitzer);
};
