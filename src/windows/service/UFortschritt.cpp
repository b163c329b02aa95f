#include "windows/service/UFortschritt.h"

#include "base/Uglobal.h"
#include "windows/Kontext.h"
#include "windows/UColorButton.h"

#include <QLabel>
#include <QProgressBar>

namespace {
constexpr int Breite = 480;
constexpr int Knopfbreite = 150;
} // namespace

TForm_Fortschritt::TForm_Fortschritt(Kontext& kontext, QWidget& besitzer, int titel, int kopf,
                                     int hoehe)
    : TForm(QStringLiteral("general"), &besitzer), k(kontext) {
    setWindowTitle(hole_Text(titel));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(p);
    QFont gross = font();
    gross.setPointSize(12);
    Label_Kopf = new QLabel(hole_Text(kopf), this);
    Label_Kopf->setFont(gross);
    Label_Kopf->move(10, 10);
    Label_Kopf->adjustSize();
    Label_Datei = new QLabel(this);
    Label_Datei->setFont(gross);
    ProgressBar = new QProgressBar(this);
    ProgressBar->move(10, 35);
    ProgressBar->setRange(0, 0);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ColorButton_abbrechen = new TColorButton(hole_Text(71), this);
    ColorButton_abbrechen->setFont(gross);
    ColorButton_abbrechen->resize(Knopfbreite, 28);
    connect(ColorButton_abbrechen, &QPushButton::clicked, this, [this] {
        if (Abbruch)
            Abbruch();
    });
    resize(Breite, hoehe);
    ordne();
}

void TForm_Fortschritt::ordne() {
    const int w = width();
    Label_Kopf->resize(Label_Kopf->sizeHint().width(), Label_Kopf->sizeHint().height());
    Label_Datei->setGeometry(Label_Kopf->geometry().right() + 1 + 5, 10,
                             std::max(0, w - 10 - (Label_Kopf->geometry().right() + 1 + 5)),
                             Label_Kopf->height());
    ProgressBar->setGeometry(10, 35, w - 20, 18);
    ColorButton_abbrechen->move((w - ColorButton_abbrechen->width()) / 2, 60);
}

void TForm_Fortschritt::showEvent(QShowEvent* event) {
    if (const std::vector<TForm*> f = k.Fenster(); !f.empty())
        move(f.front()->x(), f.front()->y() + 100);
    if (Dateiname)
        Label_Datei->setText(Dateiname());
    ordne();
    TForm::showEvent(event);
}

void TForm_Fortschritt::resizeEvent(QResizeEvent* event) {
    TForm::resizeEvent(event);
    ordne();
}

TForm_Export_Fortschritt::TForm_Export_Fortschritt(Kontext& kontext, QWidget& besitzer)
    : TForm_Fortschritt(kontext, besitzer, 584, 583, 110) {}

TForm_Import_Fortschritt::TForm_Import_Fortschritt(Kontext& kontext, QWidget& besitzer)
    : TForm_Fortschritt(kontext, besitzer, 615, 616, 100) {}
