#include "windows/status/UVundel.h"

#include "base/Uglobal.h"
#include "model/UBefehle.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"
#include "windows/Kontext.h"
#include "windows/status/UStatus.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>

namespace {

QString N(const char* name) {
    return QString::fromUtf8(name);
}

QString Nr(const char* name, int n) {
    return QString::fromLatin1(name) + QString::number(n);
}

// A parameter that is defined and above 0; an undefined one counts as 0.
bool gesetzt(const Parameterwert& P, int nummer) {
    const std::optional<int64_t> w = P(nummer);
    return w && *w > 0;
}

// "F" and three bits of the status word, highest first.
QString Statusbits(uint16_t wort, int erstes) {
    QString s = QStringLiteral("F");
    for (int b = erstes + 2; b >= erstes; --b)
        s += (wort >> b) & 1U ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

} // namespace

// ---------------------------------------------------------------- logic

bool Motorpanel_Logik::zeige_akt_Daten(const Identitaet& id, const Satz& L) {
    if (!meins(id))
        return false;
    A.text(N("Label_Drehzahl"), Wert::Zahl(L.u16(10)));
    A.text(N("Label_Drehzahlfehler"), Wert::Zahl(L.u16(30)) + '/' + Wert::Zahl(L.u16(24)));
    A.text(N("Label_Spannung_Drosselklappe"), Wert::Volt(L.u16(38)));
    A.text(N("Label_Lufttemperatur"), Wert::Zahl(L.s16(78)));
    A.text(N("Label_Spannung_Lufttemperatur"), Wert::Volt(L.u16(46)));
    A.text(N("Label_Luftdruck_int"), Wert::Zahl(L.s16(80)));
    A.text(N("Label_Spannung_Luftdruck_int"), Wert::Volt(L.u16(50)));
    A.text(N("Label_Batteriespannung"), Wert::Volt_Zahl(L.s16(76)));
    A.text(N("Label_int_Temp"), Wert::mal(L.s16(18), 0.1, "%5.1f"));
    A.text(N("Label_Spannung_int_Temp"), Wert::Volt(L.u16(14)));
    A.text(N("Label_Einspritzzeit"), Wert::us(L.u16(32)));
    A.text(N("Label_Zuendwinkel"), Wert::Zahl(L.s16(34)));
    const QString motor = pilmot_ ? N("Motortemperatur") : N("Motortemp");
    A.text(QStringLiteral("Label_") + motor, Wert::Zahl(L.s16(74)));
    A.text(QStringLiteral("Label_Spannung_") + motor, Wert::Volt(L.u16(44)));
    if (pilmot_)
        A.text(N("Label_Drosselklappe"), Wert::Zahl(L.s16(72)));

    const int l8 = L.u16(8);
    const int index = l8 < 4 ? l8 : (l8 >= 20 ? 4 : 3);
    QString status = hole_Teiltext(hole_Text(193), index) + QStringLiteral("  ") +
                     (l8 < 4 ? QString() : hole_Teiltext(hole_Text(194), l8 - 4));
    if (index == 0)
        status += QLatin1Char('0');
    A.text(N("Label_Motorstatus"), status);

    const uint16_t z = L.u16(82);
    A.farbe(QStringLiteral("Label_") + motor, z & (1U << 1));
    A.farbe(N("Label_Lufttemperatur"), z & (1U << 2));
    A.farbe(N("Label_Luftdruck_int"), z & (1U << 3));
    A.farbe(N("Label_Drosselklappe"), z & (1U << 4));
    if (!pilmot_) {
        A.farbe(N("Label_Sollwert_Drosselklappe"), z & (1U << 8));
        A.farbe(N("Label_CWI_Temp"), z & (1U << 9));
    }
    return index == 0;
}

void Motorpanel_Logik::zeige_akt_Daten_A(const Identitaet& id, const Satz& Ad, const Satz& L) {
    if (!meins(id))
        return;
    for (auto [name, offset] :
         {std::pair{"Label_Benzin_Grundkennfeld", 12}, std::pair{"Label_Benzin_Luftkorrektur", 18},
          std::pair{"Label_Basis", 16}, std::pair{"Label_Benzin_Motortemperatur", 22},
          std::pair{"Label_Benzin_Funktionseingang", 28},
          std::pair{"Label_Benzin_Beschleunigung", 24}, std::pair{"Label_Benzin_Schaltzeit", 26}})
        A.text(N(name), Wert::us(Ad.s16(offset)));
    A.text(N("Label_Oeffnungsdauer"), Wert::mal(Ad.s16(70), 0.1, "%5.1f"));
    A.text(N("Label_Einspritzzeit"), Wert::us(L.u16(32)));
    for (auto [name, offset] :
         {std::pair{"Label_Zuendkennfeld", 32}, std::pair{"Label_Zuendung_Lufttemperatur", 34},
          std::pair{"Label_Zuendung_Luftdruck", 36},
          std::pair{"Label_Zuendung_Motortemperatur", 38},
          std::pair{"Label_Zuendung_beschleunigung", 40}})
        A.text(N(name), Wert::Zahl(Ad.s16(offset)));
    A.text(N("Label_Zuendwinkel"), Wert::Zahl(L.s16(34)));
    A.text(N("Label_Verbrauch"), Wert::mal(Ad.u16(52), 0.1, "%6.1f"));
    if (!pilmot_) {
        A.text(N("Label_Sollwert_Drosselklappe"), Wert::mal(Ad.s16(60), 0.1, "%5.1f"));
        A.text(N("Label_Drosselklappe"), Wert::mal(Ad.s16(62), 0.1, "%5.1f"));
        A.text(N("Label_Anzahl_Loggerdaten"), Wert::Zahl(Ad.u32(82)));
    }
}

void Motorpanel_Logik::zeige_Aux_Daten(const Identitaet& id, const Satz& aux) {
    if (!meins(id))
        return;
    Memo = Aux_Zeilen(aux);
}

void Motorpanel_Logik::zeige_Temperaturstatus(const Satz& V, int zeilen) {
    const uint16_t w = V.u16(46);
    for (int n = 0; n < zeilen; ++n)
        A.text(Nr("Label_Err_", n), Statusbits(w, 3 * n));
}

void Vundel_Logik::zeige_Vundel_Daten(const Identitaet& id, const Satz& V, const Satz& Ad,
                                      const Satz& L, const Parameterwert& P, bool Vundel_CWI) {
    if (!meins(id))
        return;
    // 1. Type number 1 names its sensors and has no fifth one and no second oil pump; the
    // design's names come back for another type.
    const bool typ1 = id.Typnummer == 1;
    static const char* const CHT[] = {"CHT 1", "CHT 2", "EGT 1", "EGT 2"};
    for (int n = 0; n < 5; ++n)
        if (!typ1 || n < 4)
            A.text(Nr("Label_Kopfname_", n),
                   typ1 ? QString::fromLatin1(CHT[n]) : QStringLiteral("Temp. %1").arg(n + 1));
    for (const char* teil : {"Label_Kopfname_4", "Label_Temp_4", "Label_Einheit_Temp_4",
                             "Label_Err_4", "Label_Spannung_Temp_4"})
        A.zeige(N(teil), !typ1);
    if (typ1)
        A.zeige(N("GroupBox_Oelpumpe_2"), false);

    // 2.
    const std::optional<int64_t> cwi = P(5305);
    A.zeige(N("GroupBox_CWI"), Vundel_CWI && cwi && (*cwi & 1));

    // 3.
    A.text(N("Label_Temp_0"), Wert::Zahl(V.s16(16)));
    A.text(N("Label_Temp_1"), Wert::Zahl(V.s16(18)));
    A.text(N("Label_Temp_4"), Wert::Zahl(V.s16(24)));
    for (auto [name, wert, sensor] : {std::tuple{"Label_Temp_2", 20, 4}, {"Label_Temp_3", 22, 6}}) {
        const int t = V.s16(wert);
        QString text;
        if (ADC_zu_Volt(static_cast<float>(V.s16(sensor))) > 4.8F)
            text = QStringLiteral("---");
        else if (t < 200)
            text = QStringLiteral("<200");
        else
            text = Wert::Zahl(t);
        A.text(N(name), text);
    }
    for (int n = 0; n < 5; ++n)
        A.text(Nr("Label_Spannung_Temp_", n), Wert::Volt(V.s16(2 * n)));

    // 4.
    for (int n = 0; n < 4; ++n) {
        A.text(Nr("Label_Zylinder_", n + 1), Wert::Zahl(V.s16(32 + 2 * n)));
        A.text(Nr("Label_enrichment_inj_", n + 1), Wert::us(V.s16(74 + 2 * n)));
    }

    // 5.
    A.text(N("Label_E_Gas_output"), Wert::mal(V.u16(60), 1.0 / 1000, "%5.3f"));
    A.text(N("Label_Systemzeit"), Wert::mal(V.u32(64), 0.001, "%6.3f"));

    // 6.
    if (const std::optional<int64_t> p = P(5153)) {
        const bool soll = *p & 1;
        A.zeige_Zeile(N("Sollwert_Drehzahl"), soll);
        if (soll)
            A.text(N("Label_Sollwert_Drehzahl"), Wert::Zahl(V.u16(70)));
        A.zeige(N("Label_Spannung_Sollwert_Drosselklappe"), !soll);
    }

    // 7.
    for (auto [n, parameter, ofr, einspritzungen] :
         {std::tuple{1, 5163, 48, 62}, {2, 5164, 50, 68}})
        if (const std::optional<int64_t> p = P(parameter)) {
            A.zeige(Nr("GroupBox_Oelpumpe_", n), *p >= 1);
            if (*p >= 1) {
                A.text(QStringLiteral("Label_Oelpumpe_%1_OFR").arg(n),
                       QStringLiteral("1:%1").arg(V.s16(ofr)));
                A.text(QStringLiteral("Label_Oelpumpe_%1_no_of_injections").arg(n),
                       Wert::Zahl(V.u16(einspritzungen)));
            }
        }

    // 8. The fuel pump follows parameter 5125, as the ECU's definitions have it.
    bool einer = false;
    for (auto [zeile, parameter, wert] : {std::tuple{"Wasserpumpe", 5165, 52},
                                          {"Benzinpumpe", 5125, 54},
                                          {"Abgasklappe", 5167, 56},
                                          {"Luftklappe", 5168, 58}}) {
        const bool an = gesetzt(P, parameter);
        einer = einer || an;
        A.zeige_Zeile(N(zeile), an, Anzeige::nur_Wert);
        A.text(QStringLiteral("Label_") + N(zeile), Wert::Zahl(V.u16(wert)));
    }
    A.zeige(N("GroupBox_sonstige_Ausgaenge"), einer);

    // 9.
    A.text(N("Label_Zuendung_Zyl_2"), Wert::Zahl(V.s16(86) + L.s16(34)));

    // 10.
    zeige_Temperaturstatus(V, 5);

    // 11.
    A.text(N("Label_CWI_Temp"), Wert::Zahl(V.s16(84)));
    A.text(N("Label_Spannung_CWI_Temp"), Wert::Volt(V.s16(82)));
    A.text(N("Label_CWI_Einspritzzeit"), Wert::us(V.s16(90)));
    A.text(N("Label_CWI_Verdampfungszeit"), Wert::Zahl(V.s16(92)));
    A.text(N("Label_CWI_Sequenz_Nr"), Wert::Zahl(V.s16(94) + 1));
    A.text(N("Label_CWI_injection_diff"), Wert::us(V.s16(98)));
    A.text(N("Label_CWI_ignition_diff"), Wert::Zahl(V.s16(96)));

    // 12.
    const bool moment = id.ECU_Typ == 1 && id.Typnummer == 1 && id.Version >= 532;
    A.zeige_Zeile(N("torque_target"), moment, Anzeige::mit_Einheit | Anzeige::mit_Spannung);
    A.zeige(N("Label_Spannung_Sollwert_Drosselklappe"), !moment);
    if (moment) {
        A.text(N("Label_torque_target"), Wert::mal(V.s16(44), 0.1, "%5.1f"));
        A.text(N("Label_Spannung_torque_target"), Wert::Volt(Ad.s16(56)));
    } else {
        A.text(N("Label_Spannung_Sollwert_Drosselklappe"), Wert::Volt(Ad.s16(56)));
    }
}

void Vundel_Logik::zeige_Datenversion(const Identitaet& id, const Parameterwert& P) {
    if (!meins(id))
        return;
    QString text = Wert::Zahl(id.Datenversion_Haupt) + '-' + Wert::Zahl(id.Datenversion_Neben);
    for (int n = 5307; n <= 5312; ++n)
        if (const std::optional<int64_t> p = P(n))
            text += '-' + Wert::Zahl(*p);
    A.text(N("Label_Datenversion"), text);
}

// ---------------------------------------------------------------- windows

TForm_Motorpanel::TForm_Motorpanel(Kontext& kontext, const QString& hilfethema)
    : TForm_Variante(kontext, hilfethema) {}

QGroupBox* TForm_Motorpanel::neue_Temperaturgruppe(const QString& titel, int links, int& oben,
                                                   int breite, int zeilen) {
    const int hoehe = 22 + Zeilenhoehe * zeilen + 6;
    QGroupBox* g = neue_Gruppe(N("GroupBox_Temperaturen"), titel, links, oben, breite, hoehe);
    for (int n = 0; n < zeilen; ++n) {
        const int y = 20 + Zeilenhoehe * n;
        neues_Label(g, Nr("Label_Kopfname_", n), QStringLiteral("Temp. %1").arg(n + 1), 8, y, 110);
        neues_Label(g, Nr("Label_Temp_", n), QString(), 120, y, 60, true);
        neues_Label(g, Nr("Label_Einheit_Temp_", n), QStringLiteral("°C"), 186, y, 30);
        neues_Label(g, Nr("Label_Err_", n), QString(), 218, y, 56);
        QLabel* u = neues_Label(g, Nr("Label_Spannung_Temp_", n), QString(), 276, y, 68, true);
        QPalette p = u->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        u->setPalette(p);
    }
    oben += hoehe + 6;
    return g;
}

void TForm_Motorpanel::sende_Handeinspritzung() {
    if (Befehlsobjekte* b = k.befehle())
        b->Quorvel_Hand_Einspritzzeit_aendern->senden();
}

TForm_Vundel::TForm_Vundel(Kontext& kontext) : TForm_Motorpanel(kontext, QStringLiteral("Vundel")) {
    // The panel has no caption of its own.
    setWindowTitle(QString());
    constexpr int Breite = 352;
    constexpr int x1 = 8, x2 = x1 + Breite + 8, x3 = x2 + Breite + 8;
    const QString us = QStringLiteral("µs");
    const QString grad = QStringLiteral("deg.");
    const QString C = QStringLiteral("°C");
    const QString P = QStringLiteral("%");

    int y = 8;
    neue_Zeilengruppe(N("GroupBox_Drehzahl"), N("RPM"), x1, y, Breite,
                      {{N("Drehzahl"), N("engine speed"), N("rpm")},
                       {N("Drehzahlfehler"), N("speed errors"), {}},
                       {N("Sollwert_Drehzahl"), N("target speed"), N("rpm")}});
    neue_Zeilengruppe(N("GroupBox_Drosselklappe"), N("throttle"), x1, y, Breite,
                      {{N("Drosselklappe"), N("throttle"), P, true},
                       {N("Sollwert_Drosselklappe"), N("target throttle"), P, true},
                       {N("torque_target"), N("torque target"), P, true},
                       {N("E_Gas_output"), N("E-gas output"), {}}});
    neue_Zeilengruppe(N("GroupBox_Luft"), N("air conditions"), x1, y, Breite,
                      {{N("Lufttemperatur"), N("air temperature"), C, true},
                       {N("Luftdruck_int"), N("air pressure"), N("hPa"), true}});
    neue_Zeilengruppe(N("GroupBox_Eingaenge"), N("aux. input data"), x1, y, Breite,
                      {{N("Motortemp"), N("engine temperature"), C, true},
                       {N("int_Temp"), N("internal temperature"), C, true},
                       {N("Batteriespannung"), N("battery voltage"), N("V")},
                       {N("Systemzeit"), N("system time"), N("s")},
                       {N("Anzahl_Loggerdaten"), N("logger records"), {}}});
    QLabel* status = neues_Label(this, N("Label_Motorstatus"), QString(), x1 + 4, y, Breite);
    status->setStyleSheet(QStringLiteral("font-weight: bold"));
    y += Zeilenhoehe + 6;
    neues_Memo(N("Memo_Aux_daten"), x1, y, Breite, 150);
    const int unten1 = y + 150;

    y = 8;
    neue_Zeilengruppe(N("GroupBox_Einspritzung"), N("calculation injection time(µs)"), x2, y,
                      Breite,
                      {{N("Benzin_Grundkennfeld"), N("base map"), us},
                       {N("Basis"), N("base value"), us},
                       {N("Benzin_Luftkorrektur"), N("air correction"), us},
                       {N("Benzin_Motortemperatur"), N("engine temperature"), us},
                       {N("Benzin_Beschleunigung"), N("acceleration"), us},
                       {N("Benzin_Funktionseingang"), N("function input"), us},
                       {N("Benzin_Schaltzeit"), N("shift time"), us},
                       {N("Einspritzzeit"), N("injection time"), us},
                       {N("Oeffnungsdauer"), N("injector duty"), P},
                       {N("Verbrauch"), N("consumption"), N("l/h")}});
    neue_Zeilengruppe(N("GroupBox_Zuendung"), N("calculation ignition (deg.)"), x2, y, Breite,
                      {{N("Zuendkennfeld"), N("ignition map"), grad},
                       {N("Zuendung_Lufttemperatur"), N("air temperature"), grad},
                       {N("Zuendung_Luftdruck"), N("air pressure"), grad},
                       {N("Zuendung_Motortemperatur"), N("engine temperature"), grad},
                       {N("Zuendung_beschleunigung"), N("acceleration"), grad},
                       {N("Zuendwinkel"), N("ignition angle"), grad},
                       {N("Zuendung_Zyl_2"), N("cylinder group 2"), grad}});
    // The CWI group last: hidden, it leaves no gap between the others.
    neue_Zeilengruppe(N("GroupBox_Datenversion"), N("data version"), x2, y, Breite,
                      {{N("Datenversion"), N("data version"), {}}});
    neue_Zeilengruppe(N("GroupBox_CWI"), N("CWI"), x2, y, Breite,
                      {{N("CWI_Temp"), N("CWI temperature"), C, true},
                       {N("CWI_Einspritzzeit"), N("injection time"), us},
                       {N("CWI_Verdampfungszeit"), N("evaporation time"), {}},
                       {N("CWI_Sequenz_Nr"), N("sequence no."), {}},
                       {N("CWI_injection_diff"), N("injection diff."), us},
                       {N("CWI_ignition_diff"), N("ignition diff."), grad}});
    const int unten2 = y;

    y = 8;
    neue_Temperaturgruppe(N("cylinder temperatures"), x3, y, Breite, 5);
    QGroupBox* anreicherung =
        neue_Zeilengruppe(N("GroupBox_Anreicherung"), N("cylinder enrichment"), x3, y, Breite,
                          {{N("Zylinder_1"), N("cylinder 1"), P},
                           {N("Zylinder_2"), N("cylinder 2"), P},
                           {N("Zylinder_3"), N("cylinder 3"), P},
                           {N("Zylinder_4"), N("cylinder 4"), P}});
    for (int n = 1; n <= 4; ++n) {
        const int zy = 20 + Zeilenhoehe * (n - 1);
        neues_Label(anreicherung, Nr("Label_enrichment_inj_", n), QString(), 256, zy, 56, true);
        neues_Label(anreicherung, Nr("Label_Einheit_enrichment_inj_", n), us, 316, zy, 30);
    }
    for (int n = 1; n <= 2; ++n)
        neue_Zeilengruppe(
            Nr("GroupBox_Oelpumpe_", n), QStringLiteral("oilpump %1").arg(n), x3, y, Breite,
            {{QStringLiteral("Oelpumpe_%1_OFR").arg(n), N("oil/fuel ratio"), {}},
             {QStringLiteral("Oelpumpe_%1_no_of_injections").arg(n), N("injections"), {}}});
    neue_Zeilengruppe(N("GroupBox_sonstige_Ausgaenge"), N("aux. output data"), x3, y, Breite,
                      {{N("Wasserpumpe"), N("water pump"), {}},
                       {N("Benzinpumpe"), N("fuel pump"), {}},
                       {N("Abgasklappe"), N("exhaust flap"), {}},
                       {N("Luftklappe"), N("air flap"), {}}});
    const int unten3 = y;

    setFixedSize(x3 + Breite + 8, std::max({unten1 + 8, unten2 + 2, unten3 + 2}));
    setze_Memo_sichtbar(glob().Testmodus);

    InterAction().Create(
        cl_akt_Daten_Vundel::Klasse,
        [this](Sender&) {
            Logik.zeige_Vundel_Daten(Kennung(), Satz(k.ecu_Befehle().akt_Daten_Vundel),
                                     Satz(k.ecu_Befehle().akt_Daten_A),
                                     Satz(k.ecu_Befehle().akt_Daten), Parameter(),
                                     glob().Vundel_CWI);
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
            if (Kennung().Hersteller == Vundel_Logik::Hersteller)
                zeige_Memo(Logik.Memo);
        },
        cl_Aux_Daten::Beantwortet);
    InterAction().Create(
        cl_Parameter_Daten::Klasse,
        [this](Sender&) {
            Logik.zeige_Datenversion(Kennung(), Parameter());
            aktualisiere();
        },
        cl_Parameter_Daten::Geschrieben);
}

void TForm_Vundel::aktualisiere() {
    uebernehme(Logik.A);
}
