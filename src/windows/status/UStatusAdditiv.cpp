#include "windows/status/UStatusAdditiv.h"

#include "model/UStatusdaten.h"
#include "windows/Kontext.h"

void Additiv_Logik::zeige_Additiv_Daten(const Satz& K) {
    A.text(QStringLiteral("Label_Zeit"), Wert::mal(K.u32(0), 0.001, "%6.3f"));
}

TForm_Status_Additiv::TForm_Status_Additiv(Kontext& kontext)
    : TForm_Variante(kontext, QStringLiteral("Status_Additiv")) {
    setWindowTitle(QStringLiteral("Status Additivsteuerung"));
    constexpr int B = 300;
    int y = 8;
    neue_Zeilengruppe(QStringLiteral("GroupBox1"), QStringLiteral("Additivsteuerung"), 8, y, B,
                      {{QStringLiteral("Zeit"), QStringLiteral("Zeit"), QStringLiteral("s")}});
    // The integer aux record is polled while the window shows: nothing else asks for it.
    neues_Memo(QStringLiteral("Memo_Aux"), 8, y, B, 150, &k.ecu_Befehle().aux_int);
    setze_Memo_sichtbar(true);
    setFixedSize(B + 16, y + 158);

    InterAction().Create(
        cl_Additiv_Statusdaten::Klasse,
        [this](Sender&) {
            Logik.zeige_Additiv_Daten(Satz(k.ecu_Befehle().Additiv_Statusdaten));
            uebernehme(Logik.A);
        },
        cl_Additiv_Statusdaten::Beantwortet);
    InterAction().Create(
        cl_aux_int::Klasse,
        [this](Sender&) {
            Logik.zeige_aux_int(Satz(k.ecu_Befehle().aux_int));
            zeige_Memo(Logik.Memo);
        },
        cl_aux_int::Beantwortet);
}
