#include "windows/status/UStatusTestbox.h"

#include "base/Uglobal.h"
#include "model/UStatusdaten.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"

#include <QGroupBox>
#include <QShowEvent>

Anzeigewerte Testbox_Logik::Werte(const Satz& t) {
    return {
        {"Label_rpm", QString::number(t.u16(0))},
        // Times in the ECU's timer ticks, 0.8 us each, as all the family's us values.
        {"Label_close_time", Wert::us(t.s32(2))},
        {"Label_ignition_angle", Wert::mal(t.s16(6), 0.1, "%5.1f")},
        {"Label_injection_angle", Wert::mal(t.s16(8), 0.1, "%5.1f")},
        {"Label_injection_time", Wert::us(t.s32(10))},
    };
}

TForm_Status_Testbox::TForm_Status_Testbox(Kontext& kontext)
    : TForm_Variante(kontext, QStringLiteral("Status_Testbox")) {
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
        Tafel.Zeile(g, QString::fromLatin1(z.name), QString::fromUtf8(z.kopf), 10, y, 120, 90,
                    QString::fromUtf8(z.einheit));
        y += 20;
    }
    neues_Memo(QStringLiteral("Memo_Aux_daten"), 300, 8, 150, 128);
    setze_Memo_sichtbar(glob().Testmodus);

    Form_auf_Bildschirm(*this);
    InterAction().Create(
        cl_Testbox_Daten::Klasse, [this](Sender&) { schreibe_Testbox_Daten(); },
        cl_COM_data::Beantwortet);
    melde_Aux_Memo([this](const Satz& aux) { Logik.zeige_Aux_Daten(aux); }, Logik.Memo);
}

void TForm_Status_Testbox::showEvent(QShowEvent* event) {
    TForm_Variante::showEvent(event);
    if (event->spontaneous())
        return;
    setze_Memo_sichtbar(glob().Testmodus);
    resize(glob().Testmodus ? 458 : 300, height());
}

void TForm_Status_Testbox::schreibe_Testbox_Daten() {
    Tafel.setze(Testbox_Logik::Werte(Satz(k.ecu_Befehle().Testbox_Daten)));
}
