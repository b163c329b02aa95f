#include "windows/status/UNockenwelle.h"

#include "model/UStatusdaten.h"
#include "windows/Kontext.h"

namespace {

QString N(const char* name) {
    return QString::fromUtf8(name);
}

} // namespace

bool Nockenwelle_Logik::nimmt_B(const Identitaet& id) {
    return (id.Hardware_Haupt >= 301 && id.Hardware_Haupt <= 499) ||
           (id.Hersteller == 2 && id.Version >= 521);
}

void Nockenwelle_Logik::zeige_akt_Daten_A(const Identitaet& id, const Satz& Ad) {
    if (!nimmt_B(id))
        zeige(Ad, 76, 84);
}

void Nockenwelle_Logik::zeige_akt_Daten_B(const Identitaet& id, const Satz& B) {
    if (nimmt_B(id))
        zeige(B, 0, 8);
}

void Nockenwelle_Logik::zeige(const Satz& s, int e, int a) {
    A.text(N("Label_Einlass_Ein"), Wert::Zahl(s.s16(e)));
    A.text(N("Label_Einlass_Aus"), Wert::Zahl(s.s16(e + 2)));
    A.text(N("Label_Einlass_Sollwinkel"), Wert::Zahl(s.s16(e + 4)));
    A.text(N("Label_Einlass_Ausgang"), Wert::mal(s.s16(e + 6), 0.1, "%5.1f"));
    A.text(N("Label_Auslass_Ein"), Wert::Zahl(s.s16(a)));
    A.text(N("Label_Auslass_Aus"), Wert::Zahl(s.s16(a + 2)));
    A.text(N("Label_Auslass_Sollwinkel"), Wert::Zahl(s.s16(a + 4)));
    A.text(N("Label_Auslass_Ausgang"), Wert::mal(s.s16(a + 6), 0.1, "%5.1f"));
    // Exhaust closing minus intake opening.
    A.text(N("Label_Ueberschneidung"), Wert::Zahl(s.s16(a + 2) - s.s16(e)));
}

TForm_Nockenwelle::TForm_Nockenwelle(Kontext& kontext)
    : TForm_Variante(kontext, QStringLiteral("Nockenwelle")) {
    setWindowTitle(QStringLiteral("Status Nockenwellenverstellung"));
    constexpr int B = 300;
    Spalten s;
    s.Einheit = 236;
    s.Einheitbreite = 56;
    const QString grad = QStringLiteral("Grad");
    const QString P = QStringLiteral("%");
    int y = 8;
    for (const char* welle : {"Einlass", "Auslass"}) {
        const QString w = N(welle);
        neue_Zeilengruppe(QStringLiteral("GroupBox_") + w,
                          w == QLatin1String("Einlass") ? QStringLiteral("Einlassnockenwelle")
                                                        : QStringLiteral("Auslassnockenwelle"),
                          8, y, B,
                          {{w + QStringLiteral("_Ein"), QStringLiteral("öffnet"), grad},
                           {w + QStringLiteral("_Aus"), QStringLiteral("schließt"), grad},
                           {w + QStringLiteral("_Sollwinkel"), QStringLiteral("Sollwinkel"), grad},
                           {w + QStringLiteral("_Ausgang"), QStringLiteral("Ausgang"), P}},
                          s);
    }
    neue_Zeilengruppe(N("GroupBox_Ueberschneidung"), QStringLiteral("Ventilüberschneidung"), 8, y,
                      B, {{N("Ueberschneidung"), QStringLiteral("Überschneidung"), grad}}, s);
    setFixedSize(B + 16, y + 2);

    InterAction().Create(
        cl_akt_Daten_A::Klasse,
        [this](Sender&) {
            Logik.zeige_akt_Daten_A(Kennung(), Satz(k.ecu_Befehle().akt_Daten_A));
            uebernehme(Logik.A);
        },
        cl_akt_Daten_A::Beantwortet);
    InterAction().Create(
        cl_akt_Daten_B::Klasse,
        [this](Sender&) {
            Logik.zeige_akt_Daten_B(Kennung(), Satz(k.ecu_Befehle().akt_Daten_B));
            uebernehme(Logik.A);
        },
        cl_akt_Daten_B::Beantwortet);
}
