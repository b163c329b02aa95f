#include "windows/status/UGetriebe.h"

#include "model/UStatusdaten.h"
#include "windows/Kontext.h"

namespace {

QString N(const char* name) {
    return QString::fromUtf8(name);
}

QString Ein_Aus(bool an) {
    return an ? QStringLiteral("Ein") : QStringLiteral("Aus");
}

} // namespace

QString Getriebe_Logik::Gang(int8_t gang) {
    if (gang == -1)
        return QStringLiteral("Rückw.");
    if (gang == 0)
        return QStringLiteral("Neutral");
    return QString::number(gang);
}

void Getriebe_Logik::zeige_Getriebe_Daten(const Satz& G) {
    A.text(N("Label_Motordrehzahl"), Wert::Zahl(G.s16(16)));
    A.text(N("Label_Eingangsdrehzahl"), Wert::Zahl(G.s16(18)));
    A.text(N("Label_Ausgangsdrehzahl"), Wert::Zahl(G.s16(20)));
    A.text(N("Label_Drosselklappe"), Wert::mal(G.u16(22), 0.1, "%5.1f"));
    A.text(N("Label_Drehmoment"), Wert::Zahl(G.s16(52)));
    const uint16_t g24 = G.u16(24);
    A.text(N("Label_Bremse"), Ein_Aus(g24 & 1U));
    static const char* const Hebel[] = {"Park", "Rückw.", "Neutral", "D"};
    A.text(N("Label_Waehlhebel"), QString::fromUtf8(Hebel[(g24 >> 1) & 3U]));
    const int motor = G.s16(16);
    A.text(N("Label_Schlupf_M_E"),
           motor >= 101 ? QString::asprintf("%5.1f", (motor - G.s16(18)) * 100.0 / motor)
                        : QStringLiteral("0.0"));
    A.text(N("Label_Schlupf_E_A"), Wert::mal(G.s16(50), 0.1, "%5.1f"));
    A.text(N("Label_Temperatur"), Wert::mal(G.s16(28), 0.1, "%5.1f"));
    A.text(N("Label_Zustand"), Wert::Zahl(G.s16(14)));
    A.text(N("Label_Zustand_Wechsel"), Wert::Zahl(G.s16(56)));
    A.text(N("Label_akt_Gang"), Gang(static_cast<int8_t>(G.u8(12))));
    A.text(N("Label_Zielgang"), Gang(static_cast<int8_t>(G.u8(13))));
    A.text(N("Label_limit_n_upshift"), Wert::Zahl(G.u16(38)));
    A.text(N("Label_limit_n_downshift"), Wert::Zahl(G.u16(36)));
    A.text(N("Label_Lernposition"), Wert::Zahl(G.s16(54)));
    A.text(N("Label_Raildruck"), Wert::Zahl(G.s16(40)));
    A.text(N("Label_SSA"), Ein_Aus(G.u16(42) & 1U));
    A.text(N("Label_SSB"), Ein_Aus(G.u16(42) & 2U));
    A.text(N("Label_SSC"), Wert::Zahl(G.s16(44)));
    A.text(N("Label_SSD"), Wert::Zahl(G.s16(46)));
    A.text(N("Label_SSE"), Wert::Zahl(G.s16(48)));
    A.text(N("Label_Zeit_Gangwechsel_A"), Wert::Zahl(G.s16(58)));
    A.text(N("Label_Zeit_Gangwechsel_B"), Wert::Zahl(G.s16(60)));
    A.text(N("Label_Zeit_Gangwechsel_C"), Wert::Zahl(G.s16(62)));
    A.text(N("Label_Zeit_Gangwechsel"), Wert::Zahl(G.s16(58) + G.s16(60) + G.s16(62)));
    A.text(N("Label_Zuend_diff"), Wert::Zahl(G.s16(64)));
}

TForm_Getriebe::TForm_Getriebe(Kontext& kontext)
    : TForm_Variante(kontext, QStringLiteral("Getriebe")) {
    setWindowTitle(QStringLiteral("Automatikgetriebe"));
    constexpr int B = 300;
    Spalten s;
    s.Kopfbreite = 150;
    s.Wert = 160;
    s.Wertbreite = 70;
    s.Einheit = 236;
    s.Einheitbreite = 56;
    const QString Upm = QStringLiteral("U/min");
    const QString P = QStringLiteral("%");
    const QString ms = QStringLiteral("ms");
    int y = 8;
    neue_Zeilengruppe(N("GroupBox_Drehzahlen"), QStringLiteral("Drehzahlen"), 8, y, B,
                      {{N("Motordrehzahl"), QStringLiteral("Motor"), Upm},
                       {N("Eingangsdrehzahl"), QStringLiteral("Eingang"), Upm},
                       {N("Ausgangsdrehzahl"), QStringLiteral("Ausgang"), Upm},
                       {N("Schlupf_M_E"), QStringLiteral("Schlupf Mot./Eing."), P},
                       {N("Schlupf_E_A"), QStringLiteral("Schlupf Eing./Ausg."), P},
                       {N("limit_n_upshift"), QStringLiteral("Grenze Hochschalten"), Upm},
                       {N("limit_n_downshift"), QStringLiteral("Grenze Rückschalten"), Upm}},
                      s);
    neue_Zeilengruppe(
        N("GroupBox_Fahrer"), QStringLiteral("Fahrer"), 8, y, B,
        {{N("Drosselklappe"), QStringLiteral("Drosselklappe"), P},
         {N("Drehmoment"), QStringLiteral("Drehmoment"), QStringLiteral("Nm")},
         {N("Bremse"), QStringLiteral("Bremse"), {}},
         {N("Waehlhebel"), QStringLiteral("Wählhebel"), {}},
         {N("Zuend_diff"), QStringLiteral("Zündwinkeldifferenz"), QStringLiteral("Grad")}},
        s);
    const int unten1 = y;
    y = 8;
    const int x2 = 8 + B + 8;
    neue_Zeilengruppe(N("GroupBox_Getriebe"), QStringLiteral("Getriebe"), x2, y, B,
                      {{N("akt_Gang"), QStringLiteral("Gang"), {}},
                       {N("Zielgang"), QStringLiteral("Zielgang"), {}},
                       {N("Zustand"), QStringLiteral("Zustand"), {}},
                       {N("Zustand_Wechsel"), QStringLiteral("Zustand Wechsel"), {}},
                       {N("Temperatur"), QStringLiteral("Temperatur"), QStringLiteral("°C")},
                       {N("Lernposition"), QStringLiteral("Lernposition"), {}},
                       {N("Raildruck"), QStringLiteral("Raildruck"), {}}},
                      s);
    neue_Zeilengruppe(N("GroupBox_Ventile"), QStringLiteral("Schaltventile"), x2, y, B,
                      {{N("SSA"), QStringLiteral("SSA"), {}},
                       {N("SSB"), QStringLiteral("SSB"), {}},
                       {N("SSC"), QStringLiteral("SSC"), {}},
                       {N("SSD"), QStringLiteral("SSD"), {}},
                       {N("SSE"), QStringLiteral("SSE"), {}}},
                      s);
    const int x3 = x2 + B + 8;
    int y3 = 8;
    neue_Zeilengruppe(N("GroupBox_Gangwechsel"), QStringLiteral("Gangwechsel"), x3, y3, B,
                      {{N("Zeit_Gangwechsel_A"), QStringLiteral("Zeit A"), ms},
                       {N("Zeit_Gangwechsel_B"), QStringLiteral("Zeit B"), ms},
                       {N("Zeit_Gangwechsel_C"), QStringLiteral("Zeit C"), ms},
                       {N("Zeit_Gangwechsel"), QStringLiteral("gesamt"), ms}},
                      s);
    const int unten = std::max({unten1, y, y3 + 160});
    neues_Memo(N("Memo_Aux"), x3, y3, B, unten - y3 - 8);
    setze_Memo_sichtbar(true);
    setFixedSize(x3 + B + 8, unten + 2);

    InterAction().Create(
        cl_Getriebe_Daten::Klasse,
        [this](Sender&) {
            Logik.zeige_Getriebe_Daten(Satz(k.ecu_Befehle().Getriebe_Daten));
            uebernehme(Logik.A);
        },
        cl_Getriebe_Daten::Beantwortet);
    melde_Aux_Memo([this](const Satz& aux) { Logik.zeige_Aux_Daten(aux); }, Logik.Memo);
}
