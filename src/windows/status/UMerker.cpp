#include "windows/status/UMerker.h"

#include "base/Uglobal.h"
#include "model/UWeitere_Anfragen.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UColorButton.h"

#include <QLabel>
#include <QShowEvent>

namespace Merker_Logik {

QString Beschriftung(uint16_t wort, int n) {
    return (wort >> (n - 1)) & 1 ? QStringLiteral("H") : QStringLiteral("L");
}

uint16_t Schaltwort(uint16_t letztes, int n) {
    return static_cast<uint16_t>(letztes ^ (1U << (n - 1)));
}

QRect Labelort(int n) {
    const int c = (n - 1) % 4;
    const int r = (n - 1) / 4;
    return {40 * c + 15, 60 * r + 25, 30, 17};
}

QRect Knopfort(int n) {
    const int c = (n - 1) % 4;
    const int r = (n - 1) / 4;
    return {40 * c + 10, 60 * r + 40, 30, 25};
}

} // namespace Merker_Logik

TForm_Merker::TForm_Merker(Kontext& kontext) : TForm(QString()), k(kontext) {
    setWindowTitle(hole_Text(1067));
    Form_auf_Bildschirm(*this);
    InterAction().Create(
        cl_Merker::Klasse, [this](Sender&) { zeige_Merker(); }, cl_COM_data::Beantwortet);
}

TForm_Merker::~TForm_Merker() {
    if (abgefragt_)
        k.weitere_Anfragen().Merker->stoppen();
}

void TForm_Merker::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    if (event->spontaneous())
        return;
    resize(180, 280);
    for (int n = 1; n <= Anzahl; ++n) {
        const size_t i = static_cast<size_t>(n - 1);
        if (!Labels[i]) {
            Labels[i] = new QLabel(QString::number(n), this);
            Labels[i]->setAlignment(Qt::AlignCenter);
            Labels[i]->setGeometry(Merker_Logik::Labelort(n));
            Labels[i]->show();
            Buttons[i] = new TColorButton(QStringLiteral("L"), this);
            Buttons[i]->setGeometry(Merker_Logik::Knopfort(n));
            Buttons[i]->show();
            TColorButton* b = Buttons[i];
            connect(b, &TColorButton::clicked, this, [this, b] { schalte_Merker(b); });
        }
        Buttons[i]->setText(QStringLiteral("L"));
    }
    abgefragt_ = true;
    k.weitere_Anfragen().Merker->starten_zyklisch(0, 100);
}

void TForm_Merker::hideEvent(QHideEvent* event) {
    TForm::hideEvent(event);
    if (event->spontaneous())
        return;
    abgefragt_ = false;
    k.weitere_Anfragen().Merker->stoppen();
}

void TForm_Merker::zeige_Merker() {
    if (!Buttons[0])
        return;
    const uint16_t wort = k.weitere_Anfragen().Merker->Merkerwort();
    for (int n = 1; n <= Anzahl; ++n) {
        TColorButton* b = Buttons[static_cast<size_t>(n - 1)];
        if (const QString t = Merker_Logik::Beschriftung(wort, n); b->text() != t)
            b->setText(t);
    }
}

void TForm_Merker::schalte_Merker(const TColorButton* sender) {
    Weitere_Anfragen& w = k.weitere_Anfragen();
    uint16_t wort = w.Merker->Merkerwort();
    for (int n = 1; n <= Anzahl; ++n)
        if (Buttons[static_cast<size_t>(n - 1)] == sender)
            wort = Merker_Logik::Schaltwort(wort, n);
    w.Merker_senden->senden_sofort(wort);
}
