#include "windows/status/UBolvinar.h"

#include "model/UStatusdaten.h"
#include "windows/Kontext.h"

#include <QGroupBox>
#include <QLabel>

namespace {

QString N(const char* name) {
    return QString::fromUtf8(name);
}

} // namespace

void Bolvinar_Logik::zeige_Diesel_Daten(const Satz& D, const Satz& DA) {
    const int32_t frequenz = static_cast<int32_t>(
        (static_cast<uint32_t>(static_cast<uint16_t>(DA.s16(2))) << 16) | DA.u16(0));
    A.text(N("Label_Frequenz"), Wert::mal(frequenz, 0.001, "%5.2f"));
    A.text(N("Label_Spannung_Pedalposition"), Wert::Volt(D.u16(14)));
    A.text(N("Label_Kraftstoffdruck_Ist"), Wert::mal(D.s16(34), 0.1, "%5.1f"));
    A.text(N("Label_Spannung_Kraftstoffdruck_Ist"), Wert::Volt(D.s16(32)));
    A.text(N("Label_Kraftstoffdruck_Soll"), Wert::mal(D.u16(36), 0.1, "%5.1f"));
    A.text(N("Label_Spannung_Kraftstoffdruck_Soll"), Wert::Volt(D.s16(42)));
    A.text(N("Label_Kraftstoffdruck_Ausgang"), Wert::mal(D.u16(54), 0.1, "%5.1f"));
    A.text(N("Label_pump_control"), Wert::mal(DA.s16(32), 0.1, "%5.1f"));
    A.text(N("Label_Einspritzzeit_1"), Wert::Zahl(D.u16(68)));
    A.text(N("Label_Einspritzzeit_2"), Wert::Zahl(D.u16(70)));
    A.text(N("Label_Einspritzzeit_3"), Wert::Zahl(D.u16(72)));
    A.text(N("Label_ges_Einspritzzeit"), Wert::Zahl(D.u16(6)));
    A.text(N("Label_Spannung_Einspritzzeit_1"), Wert::mal(DA.s16(24), 0.001, "%5.2f V"));
    A.text(N("Label_Spannung_Einspritzzeit_3"), Wert::mal(DA.s16(14), 0.001, "%5.2f V"));
    A.text(N("Label_Spannung_Einspritzzeit_2"), Wert::Volt(D.u16(82)));
}

TForm_Bolvinar::TForm_Bolvinar(Kontext& kontext)
    : TForm_Variante(kontext, QStringLiteral("Bolvinar")) {
    setWindowTitle(QStringLiteral("Form_Bolvinar"));
    constexpr int B = 352;
    int y = 8;
    neue_Zeilengruppe(N("GroupBox_Pedal"), QStringLiteral("Pedal"), 8, y, B,
                      {{N("Frequenz"), QStringLiteral("Frequenz"), QStringLiteral("kHz")},
                       {N("Pedalposition"), QStringLiteral("Pedalposition"), {}, true}});
    neue_Zeilengruppe(
        N("GroupBox_Kraftstoffdruck"), QStringLiteral("Kraftstoffdruck"), 8, y, B,
        {{N("Kraftstoffdruck_Ist"), QStringLiteral("Istwert"), QStringLiteral("bar"), true},
         {N("Kraftstoffdruck_Soll"), QStringLiteral("Sollwert"), QStringLiteral("bar"), true},
         {N("Kraftstoffdruck_Ausgang"), QStringLiteral("Ausgang"), QStringLiteral("%")},
         {N("pump_control"), QStringLiteral("Pumpensteuerung"), QStringLiteral("%")}});
    neue_Zeilengruppe(
        N("GroupBox_Einspritzung"), QStringLiteral("Einspritzung"), 8, y, B,
        {{N("Einspritzzeit_1"), QStringLiteral("Einspritzung 1"), QStringLiteral("µs"), true},
         {N("Einspritzzeit_2"), QStringLiteral("Einspritzung 2"), QStringLiteral("µs"), true},
         {N("Einspritzzeit_3"), QStringLiteral("Einspritzung 3"), QStringLiteral("µs"), true},
         {N("ges_Einspritzzeit"), QStringLiteral("gesamt"), QStringLiteral("µs")}});
    setFixedSize(B + 16, y + 2);
    // The row's value cell is not used: the pedal shows its voltage only.
    Label(N("Label_Pedalposition"))->hide();

    for (const KlassenInfo* klasse : {&cl_Diesel_Daten::Klasse, &cl_Diesel_Daten_A::Klasse})
        InterAction().Create(
            *klasse, [this](Sender&) { zeige_Diesel_Daten(); }, cl_Datensatz::Beantwortet);
}

void TForm_Bolvinar::zeige_Diesel_Daten() {
    if (!isVisible())
        return;
    Logik.zeige_Diesel_Daten(Satz(k.ecu_Befehle().Diesel_Daten),
                             Satz(k.ecu_Befehle().Diesel_Daten_A));
    uebernehme(Logik.A);
}
