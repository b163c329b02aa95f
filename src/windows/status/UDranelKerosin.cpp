#include "windows/status/UDranelKerosin.h"

#include "base/Uglobal.h"
#include "model/UStatusdaten.h"
#include "windows/Kontext.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QShowEvent>

namespace {

QString N(const char* name) {
    return QString::fromUtf8(name);
}

} // namespace

void Kerosin_Logik::zeige_Kerosin_Daten(const Satz& K) {
    for (auto [name, offset] : {std::pair{"Label_Drehzahl", 0},
                                {"Label_Einspritzzeit_Benzin", 4},
                                {"Label_Einspritzzeit_Kerosin", 18},
                                {"Label_Druck_Kerosin", 16},
                                {"Label_Solldruck_Kerosin", 20},
                                {"Label_Spannung_Druck_Kerosin", 22},
                                {"Label_Druckregler", 26},
                                {"Label_Spannung_Drosselklappe", 28},
                                {"Label_Drosselklappe", 30}})
        A.text(N(name), Wert::Zahl(K.u16(offset)));
    A.text(N("Label_Zeit"), Wert::mal(K.s32(12), 0.001, "%6.3f"));
}

TForm_Dranel_Kerosin::TForm_Dranel_Kerosin(Kontext& kontext)
    : TForm_Variante(kontext, QStringLiteral("Dranel_Kerosin")) {
    setWindowTitle(QStringLiteral("Status Dranel Kerosineinspritzung"));
    constexpr int B = 352;
    int y = 8;
    neue_Zeilengruppe(
        N("GroupBox1"), QStringLiteral("Motor"), 8, y, B,
        {{N("Drehzahl"), QStringLiteral("Drehzahl"), QStringLiteral("U/min")},
         {N("Drosselklappe"), QStringLiteral("Drosselklappe"), {}, true},
         {N("Einspritzzeit_Benzin"), QStringLiteral("Einspritzzeit Benzin"), QStringLiteral("µs")},
         {N("Zeit"), QStringLiteral("Zeit"), QStringLiteral("s")}});
    QGroupBox* g2 = neue_Zeilengruppe(
        N("GroupBox2"), QStringLiteral("Kerosin"), 8, y, B,
        {{N("Einspritzzeit_Kerosin"), QStringLiteral("Einspritzzeit"), QStringLiteral("µs")},
         {N("Druck_Kerosin"), QStringLiteral("Druck"), {}, true},
         {N("Solldruck_Kerosin"), QStringLiteral("Solldruck"), {}},
         {N("Druckregler"), QStringLiteral("Druckregler"), {}}});
    neues_Memo(N("Memo_Aux"), 8 + B + 8, 8, 180, y - 14);
    breite_ohne_Memo_ = g2->x() + g2->width() + 10;
    setze_Memo_sichtbar(glob().Testmodus);
    setFixedSize(glob().Testmodus ? 8 + B + 8 + 180 + 8 : breite_ohne_Memo_, y + 2);

    InterAction().Create(
        cl_Dranel_Kerosin_Daten::Klasse,
        [this](Sender&) {
            Logik.zeige_Kerosin_Daten(Satz(k.ecu_Befehle().Dranel_Kerosin_Daten));
            uebernehme(Logik.A);
        },
        cl_Dranel_Kerosin_Daten::Beantwortet);
    melde_Aux_Memo([this](const Satz& aux) { Logik.zeige_Aux_Daten(aux); }, Logik.Memo);
}

void TForm_Dranel_Kerosin::showEvent(QShowEvent* event) {
    TForm_Variante::showEvent(event);
    if (event->spontaneous())
        return;
    // The memo only in test mode; the window then ends at the kerosene group's right.
    setze_Memo_sichtbar(glob().Testmodus);
    if (glob().Testmodus)
        setFixedWidth(Memo_Aux->x() + Memo_Aux->width() + 8);
    else
        setFixedWidth(breite_ohne_Memo_);
}
