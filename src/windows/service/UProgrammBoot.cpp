#include "windows/service/UProgrammBoot.h"

#include "base/Uglobal.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UColorButton.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalBlocker>

TForm_Programmboot::TForm_Programmboot(Kontext& kontext)
    : TForm(QStringLiteral("Programmboot")), k(kontext),
      logik_(std::make_unique<Programmboot>(k.link(), k.version(), k.meldungen(), k.registry())) {
    setWindowTitle(hole_Text(572));
    Label_Kopf_Programmname = new QLabel(hole_Text(569), this);
    Label_Kopf_Programmname->setGeometry(10, 8, 300, 18);
    ComboBox = new QComboBox(this);
    ComboBox->setEditable(true);
    ComboBox->setInsertPolicy(QComboBox::NoInsert);
    ComboBox->setGeometry(10, 30, 480, 24);
    ComboBox->view()->installEventFilter(this);
    ColorButton_waehlen = new TColorButton(hole_Text(88), this);
    ColorButton_waehlen->setGeometry(400, 4, 90, 24);
    Memo_Hilfe = new QPlainTextEdit(this);
    Memo_Hilfe->setReadOnly(true);
    Memo_Hilfe->setPlainText(hole_Text(551));
    Memo_Hilfe->setGeometry(10, 60, 480, 90);

    struct Zeile {
        QLabel** kopf;
        int text;
        QLabel** wert;
    };
    const Zeile zeilen[] = {
        {&Label_Kopf_Seriennummer, 67, &Label_Seriennummer},
        {&Label_Kopf_Quorvel_Typ, 68, &Label_Quorvel_Typ},
        {&Label_Kopf_Hersteller, 69, &Label_Hersteller},
        {&Label_Kopf_Typnummer, 531, &Label_Typnummer},
    };
    int y = 160;
    for (const Zeile& z : zeilen) {
        *z.kopf = new QLabel(hole_Text(z.text), this);
        (*z.kopf)->setGeometry(10, y, 150, 20);
        *z.wert = new QLabel(this);
        (*z.wert)->setGeometry(170, y, 200, 20);
        y += 22;
    }
    ProgressBar = new QProgressBar(this);
    ProgressBar->setRange(0, 100);
    ProgressBar->setGeometry(10, y + 8, 480, 20);
    colorButton_starten = new TColorButton(hole_Text(77), this);
    colorButton_starten->setGeometry(200, y + 38, 100, 28);
    resize(500, y + 76);

    OpenDialog_Programmboot = [this] { return QFileDialog::getOpenFileName(this); };
    connect(colorButton_starten, &QPushButton::clicked, this, [this] { Button_startenClick(); });
    connect(ColorButton_waehlen, &QPushButton::clicked, this, [this] { Button_waehlenClick(); });
    connect(ComboBox, &QComboBox::currentTextChanged, this,
            [this](const QString& t) { logik_->Datei = t; });
    logik_->geaendert = [this] { zeige(); };
    zeige();
    Form_auf_Bildschirm(*this);
}

TForm_Programmboot::~TForm_Programmboot() {
    logik_->geaendert = nullptr;
}

void TForm_Programmboot::zeige() {
    const Programmboot::Anzeige& a = logik_->anzeige();
    {
        const QSignalBlocker sperre(ComboBox);
        if (ComboBox->count() != logik_->Dateiliste.size() || [&] {
                for (int i = 0; i < ComboBox->count(); ++i)
                    if (ComboBox->itemText(i) != logik_->Dateiliste[i])
                        return true;
                return false;
            }()) {
            ComboBox->clear();
            ComboBox->addItems(logik_->Dateiliste);
        }
        const int i = logik_->Dateiliste.indexOf(logik_->Datei);
        if (i >= 0)
            ComboBox->setCurrentIndex(i);
        ComboBox->setEditText(logik_->Datei);
    }
    Label_Seriennummer->setText(a.Seriennummer);
    Label_Quorvel_Typ->setText(a.Quorvel_Typ);
    Label_Hersteller->setText(a.Hersteller);
    Label_Typnummer->setText(a.Typnummer);
    ProgressBar->setValue(a.Fortschritt);
    colorButton_starten->setText(a.Startknopf);
}

void TForm_Programmboot::Button_startenClick() {
    logik_->Datei = ComboBox->currentText();
    logik_->Button_startenClick();
}

void TForm_Programmboot::Button_waehlenClick() {
    if (OpenDialog_Programmboot)
        logik_->waehle_Datei(OpenDialog_Programmboot());
}

void TForm_Programmboot::hideEvent(QHideEvent* event) {
    TForm::hideEvent(event);
    logik_->in_Registry();
}

void TForm_Programmboot::closeEvent(QCloseEvent* event) {
    // Closing hides the window (which stores the list); a running dialogue goes on.
    TForm::closeEvent(event);
}

void TForm_Programmboot::resizeEvent(QResizeEvent* event) {
    TForm::resizeEvent(event);
    const int w = width();
    ColorButton_waehlen->move(w - ColorButton_waehlen->width() - 10, ColorButton_waehlen->y());
    for (QWidget* c : {static_cast<QWidget*>(ComboBox), static_cast<QWidget*>(Memo_Hilfe),
                       static_cast<QWidget*>(ProgressBar)})
        c->setGeometry(10, c->y(), std::max(0, w - 20), c->height());
    colorButton_starten->move((w - colorButton_starten->width()) / 2, colorButton_starten->y());
}

bool TForm_Programmboot::eventFilter(QObject* objekt, QEvent* event) {
    if (objekt == ComboBox->view() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        const int i = ComboBox->view()->currentIndex().row();
        logik_->entferne_Datei(i);
        return true;
    }
    return TForm::eventFilter(objekt, event);
}
