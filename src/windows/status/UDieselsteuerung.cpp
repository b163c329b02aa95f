#include "windows/status/UDieselsteuerung.h"

#include "base/Uglobal.h"
#include "model/UParameter.h"
#include "model/UStatusdaten.h"
#include "windows/Kontext.h"

#include <QGroupBox>
#include <QLabel>
#include <QShowEvent>

namespace {

QString N(const char* name) {
    return QString::fromUtf8(name);
}

bool gesetzt(const Parameterwert& P, int nummer) {
    const std::optional<int64_t> w = P(nummer);
    return w && *w > 0;
}

} // namespace

void Diesel_Logik::zeige_Diesel_Daten(const Satz& D, const Satz& DA, const Parameterwert& P) {
    A.zeige(N("GroupBox_AGR"), gesetzt(P, 8049));
    const bool abgas = gesetzt(P, 8077);
    for (const char* n : {"Label_Kopf_Abgastemp", "Label_Abgastemp", "Label_Einheit_Abgastemp",
                          "Label_Spannung_Abgastemp"})
        A.zeige(N(n), abgas);
    const bool kraftstoff = gesetzt(P, 8078);
    for (const char* n : {"Label_Kopf_Kraftstofftemp", "Label_Kraftstofftemp",
                          "Label_Einheit_Kraftstofftemp", "Label_Spannung_fueltemp"})
        A.zeige(N(n), kraftstoff);

    A.text(N("Label_Istdrehzahl"), Wert::Zahl(D.u16(0)));
    A.text(N("Label_Solldrehzahl"), Wert::Zahl(D.u16(2)));
    A.text(N("Label_Drehzahlfehler"), Wert::Zahl(D.u16(16)) + '/' + Wert::Zahl(D.u16(18)));
    A.text(N("Label_ges_Einspritzzeit"), Wert::Zahl(D.u16(6)));
    A.text(N("Label_Motortemperatur"), Wert::Zahl(D.s16(4)));
    A.text(N("Label_Spannung_Motortemperatur"), Wert::Volt(D.u16(10)));
    A.text(N("Label_Vorgluehzeit"), Wert::mal(D.s16(12), 0.1, "%5.1f"));
    A.text(N("Label_Pedalposition"), Wert::Zahl(D.u16(28)));
    A.text(N("Label_Spannung_Pedalposition"), Wert::Volt(D.u16(14)));
    A.text(N("Label_Systemzeit"), Wert::mal(D.u32(20), 0.001, "%6.3f"));
    A.text(N("Label_Luftmasse"), Wert::Zahl(D.u16(26)));
    A.text(N("Label_Spannung_Luftmasse"),
           gesetzt(P, 8072) ? Wert::Volt(DA.s16(76)) : Wert::Zahl(D.u16(48)));
    A.text(N("Label_Kraftstoffdruck_Ist"), Wert::mal(D.s16(34), 0.1, "%5.1f"));
    A.text(N("Label_Spannung_Kraftstoffdruck_Ist"), Wert::Volt(D.s16(32)));
    A.text(N("Label_Kraftstoffdruck_Soll"), Wert::mal(D.u16(36), 0.1, "%5.1f"));
    A.text(N("Label_Kraftstoffdruck_Ausgang"), Wert::mal(D.u16(54), 0.1, "%5.1f"));
    A.text(N("Label_Ladedruck"), Wert::Zahl(D.s16(40)));
    A.text(N("Label_Spannung_Ladedruck"), Wert::Volt(D.s16(42)));
    A.text(N("Label_Ladedruck_Soll"), Wert::Zahl(D.u16(50)));
    A.text(N("Label_Ladedruck_Ausgang"), Wert::mal(D.u16(52), 0.1, "%5.1f"));
    A.text(N("Label_Leistung_Luftmasse"), Wert::mal(D.u16(46), 0.1, "%5.1f"));
    A.text(N("Label_Leistung"), Wert::mal(D.s16(56), 0.1, "%5.1f"));
    A.text(N("Label_Einspritzwinkel_1"), Wert::mal(D.s16(60), 0.1, "%5.1f"));
    A.text(N("Label_Einspritzwinkel_2"), Wert::mal(D.s16(62), 0.1, "%5.1f"));
    A.text(N("Label_Einspritzzeit_1"), Wert::Zahl(D.u16(68)));
    A.text(N("Label_Einspritzzeit_2"), Wert::Zahl(D.u16(70)));
    A.text(N("Label_Lufttemperatur"), Wert::Zahl(D.s16(84)));
    A.text(N("Label_Spannung_Lufttemperatur"), Wert::Volt(D.u16(82)));
    A.text(N("Label_Anz_Umdr_Start"), Wert::Zahl(D.u16(86)));
    A.text(N("Label_Abgastemp"), Wert::Zahl(D.s16(90)));
    A.text(N("Label_Kraftstofftemp"), Wert::Zahl(D.s16(94)));
    A.text(N("Label_AGR_Sollposition"), Wert::mal(D.s16(92), 0.1, "%5.1f"));
    A.text(N("Label_AGR"), Wert::mal(D.s16(96), 0.1, "%5.1f"));
    A.text(N("Label_AGR_Ausgang"), Wert::mal(D.s16(98), 0.1, "%5.1f"));

    const uint8_t not_aus = D.u8(77);
    QString notfall;
    if (not_aus & 1U)
        notfall = QStringLiteral("Öldruck nicht vorhanden");
    else if (not_aus & 2U)
        notfall = QStringLiteral("Luft- oder Motortemperatur zu hoch");
    else if (not_aus & 4U)
        notfall = QStringLiteral("CAN-Not-Aus");
    A.text(N("Label_Emergency"), notfall);

    const uint8_t b78 = D.u8(78);
    const uint8_t b79 = D.u8(79);
    A.farbe(N("Label_Motortemperatur"), b78 & (1U << 3));
    A.farbe(N("Label_Lufttemperatur"), b78 & (1U << 4));
    A.farbe(N("Label_Pedalposition"), b78 & (1U << 6));
    A.farbe(N("Label_Luftmasse"), b79 & (1U << 0));
    A.farbe(N("Label_Kraftstoffdruck_Ist"), b79 & (1U << 1));
    A.farbe(N("Label_Ladedruck"), b79 & (1U << 2));
    A.farbe(N("Label_Abgastemp"), b79 & (1U << 3));
    A.farbe(N("Label_Kraftstofftemp"), b79 & (1U << 4));
    A.farbe(N("Label_AGR"), b79 & (1U << 5));
}

void Diesel_Logik::zeige_Diesel_Daten_A(const Satz& DA) {
    A.text(N("Label_Last"), Wert::mal(DA.s16(2), 0.1, "%5.1f"));
    A.text(N("Label_Spannung_AGR"), Wert::Volt(DA.s16(0)));
    A.text(N("Label_Spannung_fueltemp"), Wert::Volt(DA.s16(4)));
    A.text(N("Label_Spannung_Abgastemp"), Wert::Volt(DA.s16(14)));
    A.text(N("Label_Lambda_berechnet"), Wert::mal(DA.u16(22), 0.001, "%5.2f"));
    A.text(N("Label_Batteriespannung"), Wert::Volt(DA.s16(26)));
    A.text(N("Label_Spannung_int_temp"), Wert::Volt(DA.s16(28)));
    A.text(N("Label_int_temp"), Wert::mal(DA.s16(30), 0.1, "%5.1f"));
    A.text(N("Label_OT_Winkel"), Wert::mal(DA.s16(34), 0.1, "%5.1f"));
}

// ---------------------------------------------------------------- window

TForm_Dieselsteuerung::TForm_Dieselsteuerung(Kontext& kontext)
    : TForm_Variante(kontext, QStringLiteral("Dieselsteuerung")) {
    setWindowTitle(QStringLiteral("Dieselsteuerung"));
    constexpr int B = 370;
    constexpr int x1 = 8, x2 = x1 + B + 8;
    const QString C = QStringLiteral("°C");
    const QString bar = QStringLiteral("bar");
    const QString hPa = QStringLiteral("hPa");
    const QString P = QStringLiteral("%");
    const QString Upm = QStringLiteral("U/min");
    Spalten s;
    s.Kopfbreite = 170;
    s.Wert = 180;
    s.Wertbreite = 64;
    s.Einheit = 248;
    s.Einheitbreite = 48;
    s.Spannung = 298;
    s.Spannungbreite = 64;

    int y = 8;
    neue_Zeilengruppe(N("GroupBox_Drehzahl"), {}, x1, y, B,
                      {{N("Istdrehzahl"), {}, Upm},
                       {N("Solldrehzahl"), {}, Upm},
                       {N("Drehzahlfehler"), {}, {}},
                       {N("Anz_Umdr_Start"), {}, {}}},
                      s);
    neue_Zeilengruppe(N("GroupBox_Raildruck"), {}, x1, y, B,
                      {{N("Kraftstoffdruck_Ist"), {}, bar, true},
                       {N("Kraftstoffdruck_Soll"), {}, bar},
                       {N("Kraftstoffdruck_Ausgang"), {}, P}},
                      s);
    neue_Zeilengruppe(N("GroupBox_Ladedruck"), {}, x1, y, B,
                      {{N("Ladedruck"), {}, hPa, true},
                       {N("Ladedruck_Soll"), {}, hPa},
                       {N("Ladedruck_Ausgang"), {}, P}},
                      s);
    QGroupBox* e = neue_Gruppe(N("GroupBox_Einspritzung"), {}, x1, y, B, 22 + 4 * Zeilenhoehe + 6);
    neues_Label(e, N("Label_Kopf_Einspritzung_1"), {}, 160, 20, 90, true);
    neues_Label(e, N("Label_Kopf_Einspritzung_2"), {}, 260, 20, 90, true);
    neues_Label(e, N("Label_Kopf_Einspritzwinkel"), {}, 8, 20 + Zeilenhoehe, 150);
    neues_Label(e, N("Label_Einspritzwinkel_1"), {}, 160, 20 + Zeilenhoehe, 90, true);
    neues_Label(e, N("Label_Einspritzwinkel_2"), {}, 260, 20 + Zeilenhoehe, 90, true);
    neues_Label(e, N("Label_Kopf_Einspritzzeit"), {}, 8, 20 + 2 * Zeilenhoehe, 150);
    neues_Label(e, N("Label_Einspritzzeit_1"), {}, 160, 20 + 2 * Zeilenhoehe, 90, true);
    neues_Label(e, N("Label_Einspritzzeit_2"), {}, 260, 20 + 2 * Zeilenhoehe, 90, true);
    neue_Zeile(e, N("ges_Einspritzzeit"), {}, QStringLiteral("µs"), false, 20 + 3 * Zeilenhoehe, s);
    y += e->height() + 6;
    neue_Zeilengruppe(N("GroupBox_Leistung"), {}, x1, y, B,
                      {{N("Luftmasse"), {}, QStringLiteral("kg/h"), true},
                       {N("Last"), {}, P},
                       {N("Leistung"), {}, QStringLiteral("kW")},
                       {N("Leistung_Luftmasse"), {}, QStringLiteral("kW")}},
                      s);
    const int unten1 = y;

    y = 8;
    neue_Zeilengruppe(N("GroupBox_Temperaturen"), {}, x2, y, B,
                      {{N("Motortemperatur"), {}, C, true},
                       {N("Lufttemperatur"), {}, C, true},
                       // The rows that parameters switch off last.
                       {N("int_Temp"), {}, C, false, "Label_int_temp", "Label_Spannung_int_temp"},
                       {N("Kraftstofftemp"), {}, C, false, nullptr, "Label_Spannung_fueltemp"},
                       {N("Abgastemp"), {}, C, true}},
                      s);
    neue_Zeilengruppe(N("GroupBox_sonstiges"), {}, x2, y, B,
                      {{N("Pedalposition"), {}, P, true},
                       {N("Batteriespannung"), {}, {}},
                       {N("Lambda_berechnet"), {}, {}},
                       {N("Systemzeit"), {}, QStringLiteral("s")},
                       {N("Vorgluehzeit"), {}, QStringLiteral("s")},
                       {N("OT_Winkel"), QStringLiteral("OT-Winkel"), QStringLiteral("Grad")}},
                      s);
    QLabel* notfall = neues_Label(this, N("Label_Emergency"), {}, x2 + 4, y, B);
    notfall->setStyleSheet(QStringLiteral("color: red; font-weight: bold"));
    y += Zeilenhoehe + 6;
    // The exhaust-gas recirculation last: hidden, it leaves no gap between the others.
    neue_Zeilengruppe(
        N("GroupBox_AGR"), {}, x2, y, B,
        {{N("AGR_Sollposition"), {}, P}, {N("AGR"), {}, P, true}, {N("AGR_Ausgang"), {}, P}}, s);
    const int unten = std::max(unten1, y);

    neues_Memo(N("Memo_Aux"), x2 + B + 8, 8, 900 - (x2 + B + 8) - 8, unten - 16);
    const bool test = glob().Testmodus;
    setze_Memo_sichtbar(test);
    setFixedSize(test ? 900 : 765, unten);

    InterAction().Create(
        cl_Diesel_Daten::Klasse,
        [this](Sender&) {
            Logik.zeige_Diesel_Daten(Satz(k.ecu_Befehle().Diesel_Daten),
                                     Satz(k.ecu_Befehle().Diesel_Daten_A), Parameter());
            uebernehme(Logik.A);
        },
        cl_Diesel_Daten::Beantwortet);
    InterAction().Create(
        cl_Diesel_Daten_A::Klasse,
        [this](Sender&) {
            Logik.zeige_Diesel_Daten_A(Satz(k.ecu_Befehle().Diesel_Daten_A));
            uebernehme(Logik.A);
        },
        cl_Diesel_Daten_A::Beantwortet);
    melde_Aux_Memo([this](const Satz& aux) { Logik.zeige_Aux_Daten(aux); }, Logik.Memo);
    lade_Texte();
}

void TForm_Dieselsteuerung::showEvent(QShowEvent* event) {
    TForm_Variante::showEvent(event);
    if (!event->spontaneous())
        lade_Texte();
}

void TForm_Dieselsteuerung::lade_Texte() {
    for (auto [name, text] : {std::pair{"GroupBox_Drehzahl", 1032},
                              {"GroupBox_Raildruck", 1007},
                              {"GroupBox_Ladedruck", 1008},
                              {"GroupBox_Einspritzung", 1052},
                              {"GroupBox_Temperaturen", 1061},
                              {"GroupBox_AGR", 1062},
                              {"GroupBox_sonstiges", 1063},
                              {"GroupBox_Leistung", 1064}})
        if (auto* g = findChild<QGroupBox*>(N(name)))
            g->setTitle(hole_Text(text));
    for (auto [zeile, text] : {std::pair{"Solldrehzahl", 1005},
                               {"Istdrehzahl", 1032},
                               {"Kraftstoffdruck_Soll", 1033},
                               {"Kraftstoffdruck_Ausgang", 1034},
                               {"Ladedruck_Soll", 1035},
                               {"Ladedruck_Ausgang", 1036},
                               {"AGR_Sollposition", 1037},
                               {"AGR_Ausgang", 1038},
                               {"Anz_Umdr_Start", 1039},
                               {"Drehzahlfehler", 1040},
                               {"Luftmasse", 1041},
                               {"Pedalposition", 1042},
                               {"Motortemperatur", 1043},
                               {"Lufttemperatur", 1044},
                               {"Kraftstoffdruck_Ist", 1025},
                               {"Ladedruck", 1008},
                               {"Kraftstofftemp", 1047},
                               {"Abgastemp", 1048},
                               {"AGR", 1049},
                               {"Systemzeit", 1050},
                               {"Vorgluehzeit", 1051},
                               {"Einspritzwinkel", 1053},
                               {"Einspritzzeit", 1054},
                               {"Einspritzung_1", 1055},
                               {"Einspritzung_2", 1056},
                               {"ges_Einspritzzeit", 1057},
                               {"Last", 1059},
                               {"Leistung", 1060},
                               {"Lambda_berechnet", 1065},
                               {"Leistung_Luftmasse", 1068},
                               {"Batteriespannung", 1069},
                               {"int_Temp", 1070}})
        if (QLabel* l = Label(QStringLiteral("Label_Kopf_") + N(zeile)))
            l->setText(hole_Text(text));
}
