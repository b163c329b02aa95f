#include "core/UQuorvel.h"

#include "core/AppContext.h"
#include "core/Uglobal.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>

TForm_Quorvel::TForm_Quorvel() : TForm(QStringLiteral("Main")) {
    resize(514, 398);

    GroupBox_Quorvel = new QGroupBox(this);
    GroupBox_Quorvel->setGeometry(8, 16, 393, 249);

    const auto zeile = [this](int y, int text, bool mitWert = true) {
        auto* kopf = new QLabel(GroupBox_Quorvel);
        kopf->move(16, y);
        QLabel* wert = nullptr;
        if (mitWert) {
            wert = new QLabel(GroupBox_Quorvel);
            wert->move(144, y);
        }
        zeilen_.push_back({kopf, wert, text});
        return kopf;
    };
    zeile(24, 60);
    Label_Kopf_Version = zeile(48, 61, false);
    QFont fett = Label_Kopf_Version->font();
    fett.setBold(true);
    Label_Kopf_Version->setFont(fett);
    zeile(64, 601);
    zeile(80, 602);
    zeile(128, 67);
    zeile(144, 68);
    zeile(160, 69);
    zeile(176, 531);
    zeile(208, 532);
    zeile(224, 533);

    Panel_COM = new QFrame(this);
    static_cast<QFrame*>(Panel_COM)->setFrameShape(QFrame::StyledPanel);
    Panel_COM->setGeometry(8, 280, 393, 41);
    ComboBox_Comport = new QComboBox(Panel_COM);
    ComboBox_Comport->setEditable(true);
    ComboBox_Comport->setGeometry(8, 9, 105, 24);
    CheckBox_Online = new QCheckBox(Panel_COM);
    CheckBox_Online->move(128, 12);
    Label_Verbindung_aktiv = new QLabel(Panel_COM);
    Label_Verbindung_aktiv->move(232, 13);

    Form_auf_Bildschirm(*this);
}

void TForm_Quorvel::setze_Beschriftungen() {
    setWindowTitle(hole_Text(1));
    for (const Zeile& z : zeilen_) {
        z.kopf->setText(hole_Text(z.text));
        z.kopf->adjustSize();
    }
    CheckBox_Online->setText(hole_Text(62));
    CheckBox_Online->adjustSize();
    Label_Verbindung_aktiv->setText(hole_Text(64));
    Label_Verbindung_aktiv->adjustSize();
}

void TForm_Quorvel::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    if (gezeigt_)
        return;
    gezeigt_ = true;
    setze_Beschriftungen();
    move(0, 0);
}

void TForm_Quorvel::closeEvent(QCloseEvent* event) {
    event->accept();
    if (AppContext* ctx = AppContext::aktuell())
        ctx->beende(0);
}
