#include "windows/status/UKvarendol.h"

#include "base/Uglobal.h"
#include "model/UStatusdaten.h"
#include "windows/Kontext.h"

namespace {

QString N(const char* name) {
    return QString::fromUtf8(name);
}

} // namespace

void Kvarendol_Logik::zeige_Kvarendol_Daten(const Identitaet& id, const Satz& K) {
    if (id.Typnummer != 2)
        return;
    A.text(N("Label_Drehzahl"), Wert::Zahl(K.u16(18)));
    A.text(N("Label_Drehzahlfehler"), Wert::Zahl(K.u16(28)) + '/' + Wert::Zahl(K.u16(26)));
    A.text(N("Label_Batteriespannung"), Wert::Volt_Zahl(K.s16(40)));
    A.text(N("Label_Einlassdruck"), Wert::Zahl(K.u16(48)));
    A.text(N("Label_Spannung_Einlassdruck"), Wert::Volt(K.u16(50)));
    A.text(N("Label_Zylinderdruck"), Wert::Zahl(K.u16(56)));
    A.text(N("Label_Spannung_Zylinderdruck"), Wert::Volt(K.u16(58)));
    A.text(N("Label_Verfluessigerdruck"), Wert::Zahl(K.u16(60)));
    A.text(N("Label_Spannung_Verfluessigerdruck"), Wert::Volt(K.u16(62)));
    A.text(N("Label_Winkel_Aus_man"), Wert::mal(K.s16(54), 0.1, "%5.1f"));
    A.text(N("Label_Spannung_Winkel_Aus_man"), Wert::Volt(K.u16(52)));
    A.text(N("Label_Winkel_Ein"), Wert::mal(K.s16(44), 0.1, "%5.1f"));
    A.text(N("Label_Winkel_Aus"), Wert::mal(K.s16(46), 0.1, "%5.1f"));
    A.text(N("Label_Schaltwinkel"), Wert::mal(K.s16(64), 0.1, "%5.1f"));
    A.text(N("Label_Umschaltungen"), Wert::Zahl(K.u16(66)));
    const uint16_t z = K.u16(42);
    A.farbe(N("Label_Einlassdruck"), z & 1U);
    A.farbe(N("Label_Zylinderdruck"), z & 2U);
    A.farbe(N("Label_Verfluessigerdruck"), z & 4U);
}

TForm_Kvarendol::TForm_Kvarendol(Kontext& kontext)
    : TForm_Variante(kontext, QStringLiteral("Kvarendol")) {
    setWindowTitle(QStringLiteral("Kvarendolmotor Status"));
    constexpr int B = 352;
    const QString bar = QStringLiteral("bar");
    const QString grad = QStringLiteral("Grad");
    int y = 8;
    neue_Zeilengruppe(
        N("GroupBox_Motor"), QStringLiteral("Motor"), 8, y, B,
        {{N("Drehzahl"), QStringLiteral("Drehzahl"), QStringLiteral("U/min")},
         {N("Drehzahlfehler"), QStringLiteral("Drehzahlfehler"), {}},
         {N("Batteriespannung"), QStringLiteral("Batteriespannung"), QStringLiteral("V")}});
    neue_Zeilengruppe(N("GroupBox_Druck"), QStringLiteral("Drücke"), 8, y, B,
                      {{N("Einlassdruck"), QStringLiteral("Einlassdruck"), bar, true},
                       {N("Zylinderdruck"), QStringLiteral("Zylinderdruck"), bar, true},
                       {N("Verfluessigerdruck"), QStringLiteral("Verflüssigerdruck"), bar, true}});
    neue_Zeilengruppe(N("GroupBox_Steuerung"), QStringLiteral("Steuerung"), 8, y, B,
                      {{N("Winkel_Ein"), QStringLiteral("Winkel Ein"), grad},
                       {N("Winkel_Aus"), QStringLiteral("Winkel Aus"), grad},
                       {N("Winkel_Aus_man"), QStringLiteral("Winkel Aus manuell"), grad, true},
                       {N("Schaltwinkel"), QStringLiteral("Schaltwinkel"), grad},
                       {N("Umschaltungen"), QStringLiteral("Umschaltungen"), {}}});
    neues_Memo(N("Memo_Aux"), 8 + B + 8, 8, 180, y - 14);
    const bool test = glob().Testmodus;
    setze_Memo_sichtbar(test);
    setFixedSize(test ? 8 + B + 8 + 180 + 8 : B + 16, y + 2);

    InterAction().Create(
        cl_Kvarendol_Daten::Klasse,
        [this](Sender&) {
            Logik.zeige_Kvarendol_Daten(Kennung(), Satz(k.ecu_Befehle().Kvarendol_Daten));
            uebernehme(Logik.A);
        },
        cl_Kvarendol_Daten::Beantwortet);
    melde_Aux_Memo([this](const Satz& aux) { Logik.zeige_Aux_Daten(aux); }, Logik.Memo);
}
