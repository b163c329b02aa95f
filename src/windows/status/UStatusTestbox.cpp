#include "windows/status/UStatusTestbox.h"

#include "base/Uglobal.h"
#include "model/UStatusdaten.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QShowEvent>

Anzeigewerte Testbox_Logik::Werte(Satzsicht t) {
    return {
        {"Label_rpm", QString::number(t.u16(0))},
        {"Label_close_time", QString::number(t.s32(2))},
        {"Label_ignition_angle", formatiere("%5.1f", t.s16(6) * 0.1)},
        {"Label_injection_angle", formatiere("%5.1f", t.s16(8) * 0.1)},
        {"Label_injection_time", QString::number(t.s32(10))},
    };
}

TForm_Status_Testbox::TForm_Status_Testbox(Kontext& kontext)
    : TForm(QStringLiteral("Status_Testbox")), k(kontext) {
    setWindowTitle(QStringLiteral("Status Testbox"));
    resize(300, 150);
    auto* g = new QGroupBox(QStringLiteral("Testbox"), this);
    g->setGeometry(8, 8, 284, 20 + 5 * 20 + 8);
    const struct {
        const char* name;
        const char* kopf;
        const char* einheit;
    } zeilen[] = {
        {"Label_rpm", "Drehzahl", "1/min"},
        {"Label_close_time", "Schließzeit", "µs"},
        {"Label_ignition_angle", "Zündwinkel", "°"},
        {"Label_injection_angle", "Einspritzwinkel", "°"},
        {"Label_injection_time", "Einspritzzeit", "µs"},
    };
    int y = 20;
    for (const auto& z : zeilen) {
        Tafel.Zeile(g, QString::fromLatin1(z.name), QString::fromUtf8(z.kopf), 10, y, 120, 80,
                    QString::fromUtf8(z.einheit));
        y += 20;
    }
    Memo_Aux_daten = new QPlainTextEdit(this);
    Memo_Aux_daten->setReadOnly(true);
    Memo_Aux_daten->setGeometry(300, 8, 150, 128);
    Memo_Aux_daten->hide();

    Form_auf_Bildschirm(*this);
    InterAction().Create(
        cl_Testbox_Daten::Klasse, [this](Sender&) { schreibe_Testbox_Daten(); },
        cl_COM_data::Beantwortet);
    InterAction().Create(
        cl_Aux_Daten::Klasse, [this](Sender&) { schreibe_Aux_Daten(); }, cl_COM_data::Beantwortet);
}

TForm_Status_Testbox::~TForm_Status_Testbox() {
    melde_Aux(false);
}

void TForm_Status_Testbox::melde_Aux(bool an) {
    if (Aux_gemeldet_ == an)
        return;
    Aux_gemeldet_ = an;
    k.ecu_Befehle().melde_Anzeige(k.ecu_Befehle().Aux_Daten, an);
}

void TForm_Status_Testbox::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    if (event->spontaneous())
        return;
    Memo_Aux_daten->setVisible(glob().Testmodus);
    resize(glob().Testmodus ? 458 : 300, height());
    melde_Aux(glob().Testmodus);
}

void TForm_Status_Testbox::hideEvent(QHideEvent* event) {
    TForm::hideEvent(event);
    if (!event->spontaneous())
        melde_Aux(false);
}

void TForm_Status_Testbox::schreibe_Testbox_Daten() {
    Tafel.setze(Testbox_Logik::Werte({k.ecu_Befehle().Testbox_Daten.Daten}));
}

void TForm_Status_Testbox::schreibe_Aux_Daten() {
    const QString text = Aux_Zeilen({k.ecu_Befehle().Aux_Daten.Daten}).join('\n');
    if (Memo_Aux_daten->toPlainText() != text)
        Memo_Aux_daten->setPlainText(text);
}
