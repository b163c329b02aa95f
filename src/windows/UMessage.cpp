#include "windows/UMessage.h"

#include "base/Uglobal.h"

#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <algorithm>

namespace {
QLabel* Beschriftung(QWidget* eltern, int x, int y, int punkte) {
    auto* label = new QLabel(eltern);
    QFont f = label->font();
    f.setPointSize(punkte);
    label->setFont(f);
    label->move(x, y);
    return label;
}
} // namespace

cl_message::cl_message(cl_COM_data& anfrage, const QString& text, bool offenLassen, Mitte mitte)
    : QWidget(nullptr, Qt::Dialog), anfrage_(anfrage), text_(text), mitte_(std::move(mitte)) {
    offen_lassen = offenLassen;
    setAttribute(Qt::WA_DeleteOnClose, false);
    setGeometry(200, 100, 250, 100);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(p);
    setAutoFillBackground(true);

    Label_Kopf = Beschriftung(this, 5, 5, 12);
    Label_Kopf->setText(hole_Text(81));
    Label_Kopf->adjustSize();
    Label_Text = Beschriftung(this, 5, 30, 10);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setGeometry(5, 60, 400, 16);
    ProgressBar->setRange(0, 1000);
    ProgressBar->setTextVisible(false);
    ProgressBar->hide();
    Label_Prozent = Beschriftung(this, 190, 80, 10);
    Label_Prozent->hide();
}

void cl_message::zeige() {
    if (!eingeschaltet)
        return;
    QString t = text_;
    t.replace('|', '\n');
    Label_Text->setText(t);
    Label_Text->adjustSize();
    show();
    const int breite =
        std::max(Label_Text->geometry().right(), Label_Kopf->geometry().right()) + 1 + 10;
    resize(breite, height());
    if (mitte_)
        move(mitte_());
    repaint();
}

void cl_message::zeige_Fortschritt(bool an) {
    ProgressBar->setValue(0);
    ProgressBar->setVisible(an);
    Label_Prozent->setText(QString());
    Label_Prozent->show();
}

void cl_message::setze_Fortschritt(int n) {
    ProgressBar->setValue(std::clamp(n, 0, 1000));
    Label_Prozent->setText(QString::number(n / 10) + '%');
    Label_Prozent->adjustSize();
}

bool cl_message::Fortschritt_sichtbar() const {
    return ProgressBar->isVisibleTo(this);
}

void cl_message::closeEvent(QCloseEvent* event) {
    event->accept();
    anfrage_.stoppen();
}

Wartefenster_Fabrik cl_message::Fabrik(Mitte mitte) {
    return [mitte = std::move(mitte)](cl_COM_data& anfrage, const QString& text,
                                      bool offenLassen) -> std::unique_ptr<Wartefenster> {
        return std::make_unique<cl_message>(anfrage, text, offenLassen, mitte);
    };
}
