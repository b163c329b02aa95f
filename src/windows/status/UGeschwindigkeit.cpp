#include "windows/status/UGeschwindigkeit.h"

#include "base/Uglobal.h"
#include "model/UStatusdaten.h"
#include "windows/Kontext.h"

#include <QGroupBox>
#include <QLabel>
#include <QShowEvent>

namespace {

QString N(const char* name) {
    return QString::fromUtf8(name);
}

} // namespace

QString Radgeschwindigkeit_Logik::Halbgang(int16_t wert) {
    const int ganz = wert / 2;
    QString s;
    if (wert < 0 && ganz == 0)
        s = QStringLiteral("-");
    s += QString::number(ganz);
    if (wert % 2 != 0)
        s += QStringLiteral(".5");
    return s;
}

void Radgeschwindigkeit_Logik::zeige_Radgeschwindigkeiten(const Satz& B, const Parameterwert& P) {
    const int64_t W = P(2046).value_or(0);
    const int64_t M = P(2047).value_or(0);
    for (int n = 1; n <= 4; ++n) {
        const QString rad = QStringLiteral("Rad_%1").arg(n);
        for (const char* teil : {"Label_Kopf_", "Label_", "Label_Einheit_"})
            A.zeige(N(teil) + rad, (W >> (n - 1)) & 1);
        A.text(QStringLiteral("Label_Rad_%1_drived").arg(n),
               (M >> (n - 1)) & 1 ? QStringLiteral("+") : QString());
        A.text(QStringLiteral("Label_") + rad, Wert::mal(B.u16(22 + 2 * n), 0.01, "%5.1f"));
    }
    A.text(N("Label_Geschw_drived"), Wert::mal(B.u16(32), 0.01, "%5.1f"));
    A.text(N("Label_Geschw_non_drived"), Wert::mal(B.u16(34), 0.01, "%5.1f"));
    A.text(N("Label_Schlupf"), Wert::mal(B.s16(36), 0.1, "%5.1f"));
    A.text(N("Label_akt_Gang"), Halbgang(B.s16(20)));
    A.text(N("Label_Kilometerzaehler"), Wert::mal(B.u32(48), 0.001, "%10.3f"));
}

TForm_Wheel_speed::TForm_Wheel_speed(Kontext& kontext)
    : TForm_Variante(kontext, QStringLiteral("Wheel_speed")) {
    setWindowTitle(QStringLiteral("Geschwindigkeitserkennung"));
    constexpr int B = 330;
    Spalten s;
    s.Kopfbreite = 170;
    s.Wert = 180;
    s.Wertbreite = 80;
    s.Einheit = 266;
    s.Einheitbreite = 50;
    const QString kmh = QStringLiteral("km/h");
    int y = 8;
    QGroupBox* r = neue_Zeilengruppe(N("GroupBox_Radgeschw"), {}, 8, y, B,
                                     {{N("Rad_1"), {}, kmh},
                                      {N("Rad_2"), {}, kmh},
                                      {N("Rad_3"), {}, kmh},
                                      {N("Rad_4"), {}, kmh}},
                                     s);
    for (int n = 1; n <= 4; ++n)
        neues_Label(r, QStringLiteral("Label_Rad_%1_drived").arg(n), {}, 316, 20 + (n - 1) * 20,
                    10);
    neue_Zeilengruppe(N("GroupBox_Auswertung"), {}, 8, y, B,
                      {{N("Geschw_drived"), {}, kmh},
                       {N("Geschw_non_drived"), {}, kmh},
                       {N("akt_Gang"), {}, {}},
                       {N("Schlupf"), {}, QStringLiteral("%")},
                       {N("Kilometerzaehler"), {}, QStringLiteral("km")}},
                      s);
    setFixedSize(B + 16, y + 2);
    // The headings' design captions are the language's; the caption becomes the language's
    // at the first showing.
    lade_Texte();

    InterAction().Create(
        cl_akt_Daten_B::Klasse,
        [this](Sender&) {
            Logik.zeige_Radgeschwindigkeiten(Satz(k.ecu_Befehle().akt_Daten_B), Parameter());
            uebernehme(Logik.A);
        },
        cl_akt_Daten_B::Beantwortet);
}

void TForm_Wheel_speed::showEvent(QShowEvent* event) {
    TForm_Variante::showEvent(event);
    if (event->spontaneous())
        return;
    setWindowTitle(hole_Text(1101));
    lade_Texte();
}

void TForm_Wheel_speed::lade_Texte() {
    findChild<QGroupBox*>(N("GroupBox_Radgeschw"))->setTitle(hole_Text(1102));
    findChild<QGroupBox*>(N("GroupBox_Auswertung"))->setTitle(hole_Text(1107));
    for (auto [zeile, text] : {std::pair{"Rad_1", 1103},
                               {"Rad_2", 1104},
                               {"Rad_3", 1105},
                               {"Rad_4", 1106},
                               {"Geschw_drived", 1108},
                               {"Geschw_non_drived", 1109},
                               {"akt_Gang", 1110},
                               {"Schlupf", 1111},
                               {"Kilometerzaehler", 1281}})
        Label(QStringLiteral("Label_Kopf_") + N(zeile))->setText(hole_Text(text));
}
