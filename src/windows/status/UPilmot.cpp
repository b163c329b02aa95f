#include "windows/status/UPilmot.h"

#include "base/Uglobal.h"
#include "model/UStatusdaten.h"
#include "windows/Kontext.h"

#include <QGroupBox>
#include <QLabel>

namespace {

QString N(const char* name) {
    return QString::fromUtf8(name);
}

QString Nr(const char* name, int n) {
    return QString::fromLatin1(name) + QString::number(n);
}

} // namespace

void Pilmot_Logik::zeige_Vundel_Daten(const Identitaet& id, const Satz& V, const Satz& Ad,
                                      const Parameterwert& P) {
    if (!meins(id))
        return;
    // Type number 1 names its exhaust sensors; the design's names come back for another.
    static const char* const EGT[] = {"EGT A", "EGT B", "EGT C", "EGT D"};
    for (int n = 0; n < 4; ++n)
        A.text(Nr("Label_Kopfname_", n), id.Typnummer == 1 ? QString::fromLatin1(EGT[n])
                                                           : QStringLiteral("Temp. %1").arg(n + 1));
    for (int n = 0; n < 4; ++n) {
        A.text(Nr("Label_Temp_", n), Wert::Zahl(V.s16(16 + 2 * n)));
        A.text(Nr("Label_Spannung_Temp_", n), Wert::Volt(V.s16(2 * n)));
    }
    for (int n = 0; n < 4; ++n) {
        A.text(Nr("Label_Zylinder_", n + 1), Wert::Zahl(V.s16(32 + 2 * n)));
        A.text(Nr("Label_enrichment_inj_", n + 1), Wert::us(V.s16(74 + 2 * n)));
    }
    A.text(N("Label_Systemzeit"), Wert::mal(V.u32(64), 0.001, "%6.3f"));
    if (const std::optional<int64_t> p = P(5163)) {
        A.zeige(N("GroupBox_Oelpumpe_1"), *p >= 1);
        if (*p >= 1) {
            A.text(N("Label_Oelpumpe_1_OFR"), QStringLiteral("1:%1").arg(V.s16(48)));
            A.text(N("Label_Oelpumpe_1_no_of_injections"), Wert::Zahl(V.u16(62)));
        }
    }
    A.text(N("Label_Benzin_Solldruck"), Wert::Zahl(V.s16(88)));
    A.text(N("Label_Benzin_Istdruck"), Wert::Zahl(V.s16(86)));
    A.text(N("Label_Spannung_Benzindruck_Istwert"), Wert::Volt(Ad.s16(58)));
    A.text(N("Label_Benzinpumpe"), Wert::mal(V.u16(54), 0.1, "%5.1f"));
    zeige_Temperaturstatus(V, 4);
}

TForm_Pilmot::TForm_Pilmot(Kontext& kontext) : TForm_Motorpanel(kontext, QStringLiteral("Pilmot")) {
    setWindowTitle(QStringLiteral("Status Pilmot"));
    constexpr int Breite = 352;
    constexpr int x1 = 8, x2 = x1 + Breite + 8, x3 = x2 + Breite + 8;
    const QString us = QStringLiteral("µs");
    const QString grad = QStringLiteral("Grad");
    const QString C = QStringLiteral("°C");
    const QString P = QStringLiteral("%");

    int y = 8;
    neue_Zeilengruppe(N("GroupBox_Drehzahl"), N("Drehzahl"), x1, y, Breite,
                      {{N("Drehzahl"), N("Drehzahl"), N("U/min")},
                       {N("Drehzahlfehler"), N("Drehzahlfehler"), {}}});
    neue_Zeilengruppe(N("GroupBox_Drosselklappe"), N("Drosselklappe"), x1, y, Breite,
                      {{N("Drosselklappe"), N("Drosselklappe"), P, true}});
    neue_Zeilengruppe(N("GroupBox_Luft"), N("Luft"), x1, y, Breite,
                      {{N("Lufttemperatur"), N("Lufttemperatur"), C, true},
                       {N("Luftdruck_int"), N("Luftdruck"), N("hPa"), true}});
    neue_Zeilengruppe(N("GroupBox_Motordaten"), N("Motordaten"), x1, y, Breite,
                      {{N("Motortemperatur"), N("Motortemperatur"), C, true},
                       {N("int_Temp"), N("Innentemperatur"), C, true},
                       {N("Batteriespannung"), N("Batteriespannung"), N("V")},
                       {N("Systemzeit"), N("Systemzeit"), N("s")}});
    QGroupBox* druck = neue_Zeilengruppe(N("GroupBox_Benzindruck"), N("Benzindruck"), x1, y, Breite,
                                         {{N("Benzin_Solldruck"), N("Solldruck"), N("hPa")},
                                          {N("Benzin_Istdruck"), N("Istdruck"), N("hPa")},
                                          {N("Benzinpumpe"), N("Benzinpumpe"), P}});
    {
        QLabel* u = neues_Label(druck, N("Label_Spannung_Benzindruck_Istwert"), QString(), 282,
                                20 + Zeilenhoehe, 62, true);
        QPalette p = u->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        u->setPalette(p);
    }
    QLabel* status = neues_Label(this, N("Label_Motorstatus"), QString(), x1 + 4, y, Breite);
    status->setStyleSheet(QStringLiteral("font-weight: bold"));
    y += Zeilenhoehe + 6;
    const int unten1 = y;

    y = 8;
    neue_Zeilengruppe(N("GroupBox_Einspritzung"), N("Berechnung Einspritzzeit (µs)"), x2, y, Breite,
                      {{N("Benzin_Grundkennfeld"), N("Grundkennfeld"), us},
                       {N("Basis"), N("Basiswert"), us},
                       {N("Benzin_Luftkorrektur"), N("Luftkorrektur"), us},
                       {N("Benzin_Motortemperatur"), N("Motortemperatur"), us},
                       {N("Benzin_Beschleunigung"), N("Beschleunigung"), us},
                       {N("Benzin_Funktionseingang"), N("Funktionseingang"), us},
                       {N("Benzin_Schaltzeit"), N("Schaltzeit"), us},
                       {N("Einspritzzeit"), N("Einspritzzeit"), us},
                       {N("Oeffnungsdauer"), N("Öffnungsdauer"), P},
                       {N("Verbrauch"), N("Verbrauch"), N("l/h")}});
    neue_Zeilengruppe(N("GroupBox_Zuendung"), N("Berechnung Zündung (Grad)"), x2, y, Breite,
                      {{N("Zuendkennfeld"), N("Zündkennfeld"), grad},
                       {N("Zuendung_Lufttemperatur"), N("Lufttemperatur"), grad},
                       {N("Zuendung_Luftdruck"), N("Luftdruck"), grad},
                       {N("Zuendung_Motortemperatur"), N("Motortemperatur"), grad},
                       {N("Zuendung_beschleunigung"), N("Beschleunigung"), grad},
                       {N("Zuendwinkel"), N("Zündwinkel"), grad}});
    const int unten2 = y;

    y = 8;
    neue_Temperaturgruppe(N("Zylindertemperaturen"), x3, y, Breite, 4);
    QGroupBox* anreicherung =
        neue_Zeilengruppe(N("GroupBox_Anreicherung"), N("Zylinderanreicherung"), x3, y, Breite,
                          {{N("Zylinder_1"), N("Zylinder 1"), P},
                           {N("Zylinder_2"), N("Zylinder 2"), P},
                           {N("Zylinder_3"), N("Zylinder 3"), P},
                           {N("Zylinder_4"), N("Zylinder 4"), P}});
    for (int n = 1; n <= 4; ++n) {
        const int zy = 20 + Zeilenhoehe * (n - 1);
        neues_Label(anreicherung, Nr("Label_enrichment_inj_", n), QString(), 256, zy, 56, true);
        neues_Label(anreicherung, Nr("Label_Einheit_enrichment_inj_", n), us, 316, zy, 30);
    }
    neue_Zeilengruppe(N("GroupBox_Oelpumpe_1"), N("Ölpumpe"), x3, y, Breite,
                      {{N("Oelpumpe_1_OFR"), N("Öl/Benzin"), {}},
                       {N("Oelpumpe_1_no_of_injections"), N("Einspritzungen"), {}}});
    neues_Memo(N("Memo_Aux_daten"), x3, y, Breite, 150);
    const int unten3 = y + 150;

    setFixedSize(x3 + Breite + 8, std::max({unten1 + 2, unten2 + 2, unten3 + 8}));
    setze_Memo_sichtbar(glob().Testmodus);

    InterAction().Create(
        cl_akt_Daten_Vundel::Klasse,
        [this](Sender&) {
            Logik.zeige_Vundel_Daten(Kennung(), Satz(k.ecu_Befehle().akt_Daten_Vundel),
                                     Satz(k.ecu_Befehle().akt_Daten_A), Parameter());
            aktualisiere();
        },
        cl_akt_Daten_Vundel::Beantwortet);
    InterAction().Create(
        cl_akt_Daten::Klasse,
        [this](Sender&) {
            if (Logik.zeige_akt_Daten(Kennung(), Satz(k.ecu_Befehle().akt_Daten)))
                sende_Handeinspritzung();
            aktualisiere();
        },
        cl_akt_Daten::Beantwortet);
    InterAction().Create(
        cl_akt_Daten_A::Klasse,
        [this](Sender&) {
            Logik.zeige_akt_Daten_A(Kennung(), Satz(k.ecu_Befehle().akt_Daten_A),
                                    Satz(k.ecu_Befehle().akt_Daten));
            aktualisiere();
        },
        cl_akt_Daten_A::Beantwortet);
    InterAction().Create(
        cl_Aux_Daten::Klasse,
        [this](Sender&) {
            Logik.zeige_Aux_Daten(Kennung(), Satz(k.ecu_Befehle().Aux_Daten));
            if (Kennung().Hersteller == Pilmot_Logik::Hersteller)
                zeige_Memo(Logik.Memo);
        },
        cl_Aux_Daten::Beantwortet);
}

void TForm_Pilmot::aktualisiere() {
    uebernehme(Logik.A);
}
