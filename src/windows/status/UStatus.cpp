#include "windows/status/UStatus.h"

#include "base/Uglobal.h"
#include "model/UBefehle.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"
#include "windows/Kontext.h"

#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>

QString hole_Teiltext(const QString& text, int n) {
    if (n < 0 || text.isEmpty())
        return {};
    const QStringList teile = text.split(QLatin1Char(';'));
    return n < teile.size() ? teile[n] : QString();
}

namespace {

// A separator's frame above the top of the row below it: its line then falls in the gap
// between two rows.
constexpr int Linienabstand = 3;

QString N(const char* name) {
    return QString::fromUtf8(name);
}

QString Wertname(const QString& zeile) {
    return QStringLiteral("Label_") + zeile;
}

QString Bank2name(const QString& zeile) {
    return QStringLiteral("Label_Bank2_") + zeile;
}

QString Zusatzname(const QString& zeile) {
    return QStringLiteral("Label_Zusatz_") + zeile;
}

const Status_Logik::Zeilenart* Art(const QString& zeile) {
    for (const Status_Logik::Zeilenart& z : Status_Logik::Zeilen())
        if (zeile == QLatin1String(z.Name))
            return &z;
    return nullptr;
}

// The probe temperature to the nearest five; the division truncates toward zero.
int Sondentemperatur(int16_t roh) {
    return ((roh + 2) / 5) * 5;
}

} // namespace

// ---------------------------------------------------------------- rows

const std::vector<Status_Logik::Zeilenart>& Status_Logik::Zeilen() {
    constexpr int S = Spannung;
    constexpr int B2 = Bank_2;
    static const std::vector<Zeilenart> zeilen = {
        {"Drehzahl", "GroupBox_Drehzahl", 174, nullptr, "U/min", 82, 0},
        {"Solldrehzahl", "GroupBox_Drehzahl", 1257, nullptr, "U/min", 82, 0},
        {"Drehzahlfehler", "GroupBox_Drehzahl", 178, nullptr, nullptr, 0, 0},

        {"Drosselklappe", "GroupBox_Drosselklappe", 180, nullptr, "%", 83, S},
        {"Soll_Drosselklappe", "GroupBox_Drosselklappe", 1259, nullptr, "%", 83, 0},
        {"Pedal", "GroupBox_Drosselklappe", 195, nullptr, "%", 0, S},
        {"Ausgang", "GroupBox_Drosselklappe", 196, nullptr, nullptr, 0, 0},
        {"Leerlaufsteller", "GroupBox_Drosselklappe", 176, nullptr, "%", 0, 0},

        {"Luftmasse", "GroupBox_Luftdruck", 181, nullptr, "kg/h", 0, S},
        {"Druck_intern", "GroupBox_Luftdruck", 185, nullptr, "hPa", 0, S},
        {"Druck_extern", "GroupBox_Luftdruck", 197, nullptr, "hPa", 0, S},
        {"Soll_Ladedruck", "GroupBox_Luftdruck", 1261, nullptr, "hPa", 0, 0},
        {"Ladedruck_Ausgang", "GroupBox_Luftdruck", 177, nullptr, "%", 0, 0},

        {"Lambda_1", "GroupBox_Lambda_1", 1264, nullptr, nullptr, 0, S},
        {"Sondentemperatur_1", "GroupBox_Lambda_1", 1265, nullptr, "°C", 0, 0},
        {"Soll_Lambda_1", "GroupBox_Lambda_1", 199, nullptr, nullptr, 0, Zusatz},
        {"Lambdaregelung_1", "GroupBox_Lambda_1", 0, "Lambdaregelung", "%", 0, 0},
        {"Lambda_2", "GroupBox_Lambda_2", 1264, nullptr, nullptr, 0, S},
        {"Sondentemperatur_2", "GroupBox_Lambda_2", 1265, nullptr, "°C", 0, 0},
        {"Soll_Lambda_2", "GroupBox_Lambda_2", 199, nullptr, nullptr, 0, Zusatz},
        {"Lambdaregelung_2", "GroupBox_Lambda_2", 0, "Lambdaregelung", "%", 0, 0},

        {"Motortemperatur", "GroupBox_Temperaturen", 183, nullptr, "°C", 0, S},
        {"Lufttemperatur", "GroupBox_Temperaturen", 184, nullptr, "°C", 0, S},
        {"Abgas_1", "GroupBox_Temperaturen", 831, nullptr, "°C", 0, S},
        {"Abgas_2", "GroupBox_Temperaturen", 832, nullptr, "°C", 0, S},
        {"Innentemperatur", "GroupBox_Temperaturen", 198, nullptr, "°C", 0, S},

        {"Oeltemperatur", "GroupBox_Oel", 1269, nullptr, "°C", 0, S},
        {"Oeldruck", "GroupBox_Oel", 1270, nullptr, "hPa", 0, S},

        {"Verstellung_Einspritzung", "GroupBox_Verstellung", 1293, nullptr, "%", 0, S},
        {"Verstellung_Zuendung", "GroupBox_Verstellung", 1294, nullptr, "Grad", 0, S},
        {"Verstellung_Lambda", "GroupBox_Verstellung", 1295, nullptr, "%", 0, S},

        {"Batterie", "GroupBox_Betriebsdaten", 182, nullptr, "Volt", 0, 0},
        {"Zeit_seit_Start", "GroupBox_Betriebsdaten", 1272, nullptr, nullptr, 0, 0},
        {"Betriebszeit", "GroupBox_Betriebsdaten", 206, nullptr, nullptr, 0, 0},
        {"Stoppuhr", "GroupBox_Betriebsdaten", 1280, nullptr, nullptr, 0, 0},
        {"Umdrehungen", "GroupBox_Betriebsdaten", 205, nullptr, nullptr, 0, 0},
        {"Fehlerzahl", "GroupBox_Betriebsdaten", 207, nullptr, nullptr, 0, 0},
        {"Loggerdaten", "GroupBox_Betriebsdaten", 212, nullptr, nullptr, 0, 0},

        {"Grundkennfeld", "GroupBox_Einspritzzeit", 164, nullptr, nullptr, 0, 0},
        {"Luftkorrektur", "GroupBox_Einspritzzeit", 165, nullptr, nullptr, 0, 0},
        {"Leerlauf_Einspritzung", "GroupBox_Einspritzzeit", 166, nullptr, nullptr, 0, 0},
        {"Luftmasse_Einspritzung", "GroupBox_Einspritzzeit", 188, nullptr, nullptr, 0, 0},
        {"Unterdruck", "GroupBox_Einspritzzeit", 189, nullptr, nullptr, 0, 0},
        {"Luftmassenkorrektur", "GroupBox_Einspritzzeit", 190, nullptr, nullptr, 0, 0},
        {"Soll_Lambda_Einspritzung", "GroupBox_Einspritzzeit", 199, nullptr, nullptr, 0, 0},
        {"Einspritzzeit_Verstellung", "GroupBox_Einspritzzeit", 1274, nullptr, nullptr, 0, 0},
        {"Grundmenge", "GroupBox_Einspritzzeit", 167, nullptr, nullptr, 0, 0},
        {"Motortemperatur_Einspritzung", "GroupBox_Einspritzzeit", 168, nullptr, nullptr, 0, 0},
        {"Lambdaregelung_Einspritzung", "GroupBox_Einspritzzeit", 169, nullptr, nullptr, 0, B2},
        {"Renneingang", "GroupBox_Einspritzzeit", 170, nullptr, nullptr, 0, 0},
        {"Beschleunigung", "GroupBox_Einspritzzeit", 171, nullptr, nullptr, 0, 0},
        {"Abgastemperatur_Einspritzung", "GroupBox_Einspritzzeit", 1244, nullptr, nullptr, 0, B2},
        {"Verstellwert", "GroupBox_Einspritzzeit", 1278, nullptr, nullptr, 0, B2},
        {"Schaltzeit", "GroupBox_Einspritzzeit", 172, nullptr, nullptr, 0, 0},
        {"Einspritzzeit", "GroupBox_Einspritzzeit", 173, nullptr, nullptr, 0, B2},
        {"Einspritzduese", "GroupBox_Einspritzzeit", 1275, nullptr, nullptr, 0, B2},
        {"Verbrauch", "GroupBox_Einspritzzeit", 192, nullptr, "l/Std.", 0, 0},
        {"Einspritzende", "GroupBox_Einspritzzeit", 882, nullptr, "Grad", 0, 0},

        {"Zuendkennfeld", "GroupBox_Zuendung", 186, nullptr, "Grad", 0, 0},
        {"Zuendung_Lufttemperatur", "GroupBox_Zuendung", 184, nullptr, "Grad", 0, 0},
        {"Zuendung_Luftdruck", "GroupBox_Zuendung", 197, nullptr, "Grad", 0, 0},
        {"Zuendung_Motortemperatur", "GroupBox_Zuendung", 168, nullptr, "Grad", 0, 0},
        {"Zuendung_Beschleunigung", "GroupBox_Zuendung", 187, nullptr, "Grad", 0, 0},
        {"Funktionseingang", "GroupBox_Zuendung", 659, nullptr, "Grad", 0, 0},
        {"Zuendverstellung", "GroupBox_Zuendung", 1282, nullptr, "Grad", 0, 0},
        {"Zuendwinkel", "GroupBox_Zuendung", 175, nullptr, "Grad", 0, 0},
    };
    return zeilen;
}

void Status_Logik::zeige_Zeile(const QString& zeile, bool an) {
    const Zeilenart* z = Art(zeile);
    const int zellen = z ? z->zellen() : 0;
    A.zeige_Zeile(zeile, an, zellen & (Anzeige::mit_Einheit | Anzeige::mit_Spannung));
    if (zellen & Bank_2)
        A.zeige(Bank2name(zeile), an);
    if (zellen & Zusatz)
        A.zeige(Zusatzname(zeile), an);
}

void Status_Logik::wert(const QString& zeile, const QString& text) {
    A.text(Wertname(zeile), text);
}

void Status_Logik::spannung(const QString& zeile, const QString& text) {
    A.text(QStringLiteral("Label_Spannung_") + zeile, text);
}

void Status_Logik::farbe(const QString& zeile, bool gueltig) {
    A.farbe(Wertname(zeile), gueltig);
}

int64_t Status_Logik::P(int nummer) const {
    // An undefined parameter reads 0, as the parameter set answers for it.
    return d_->P ? d_->P(nummer).value_or(0) : 0;
}

bool Status_Logik::fruehe_Software() const {
    return d_->id.in_Versionsmenge({6, 8});
}

int Status_Logik::unten(const char* gruppe) const {
    const auto it = Gruppen.find(N(gruppe));
    return it == Gruppen.end() ? 0 : it->second.oben + it->second.hoehe;
}

// ---------------------------------------------------------------- refresh and stacking

void Status_Logik::aktualisiere(const Statusdaten& d) {
    d_ = &d;
    const Identitaet& id = d.id;
    ist_ECU_Typ_2 = id.ECU_Typ == 2;
    const bool typ1 = id.ECU_Typ == 1;
    Drosselklappenwort.reset();

    const auto platziere = [this](const char* gruppe, int top, int hoehe, bool sichtbar) {
        A.zeige(N(gruppe), sichtbar);
        Gruppen[N(gruppe)] = Lage{top, sichtbar ? hoehe : 0};
    };
    platziere("GroupBox_Einspritzzeit", 10, zeige_Einspritzzeit(), typ1);
    platziere("GroupBox_Zuendung", typ1 ? unten("GroupBox_Einspritzzeit") + 8 : 10,
              zeige_Zuendung(), true);

    int top = 8;
    const auto stapel = [&](const char* gruppe, int hoehe, bool sichtbar) {
        platziere(gruppe, top, hoehe, sichtbar);
        top = unten(gruppe) + 8;
    };
    stapel("GroupBox_Drehzahl", zeige_Drehzahl(), true);
    stapel("GroupBox_Drosselklappe", zeige_Drosselklappe(), true);
    stapel("GroupBox_Luftdruck", zeige_Luftdruck(), true);
    const int h1 = zeige_Lambda_1();
    stapel("GroupBox_Lambda_1", h1, h1 > 0);
    const int h2 = zeige_Lambda_2();
    stapel("GroupBox_Lambda_2", h2, h2 > 0);

    top = 8;
    stapel("GroupBox_Temperaturen", zeige_Temperaturen(), true);
    stapel("GroupBox_Oel", zeige_Oel(), typ1 && (P(2371) > 0 || P(2375) > 0));
    stapel("GroupBox_Verstellung", zeige_Verstellung(), P(2155) > 0 || P(2156) > 0 || P(2381) > 0);
    stapel("GroupBox_Betriebsdaten", zeige_Betriebsdaten(), true);

    zeige_Status();

    const char* letzte = "GroupBox_Drosselklappe";
    for (const char* g : {"GroupBox_Lambda_2", "GroupBox_Lambda_1", "GroupBox_Luftdruck"})
        if (A[N(g)].sichtbar) {
            letzte = g;
            break;
        }
    Hoehe = std::max(unten(letzte),
                     Oben[QStringLiteral("Label_Motorstatus_Lambda")] + Statuszeilenhoehe) +
            8;
    d_ = nullptr;
}

// ---------------------------------------------------------------- groups

int Status_Logik::zeige_Drehzahl() {
    const Satz& L = d_->L;
    oben(N("Drehzahl"), 24);
    wert(N("Drehzahl"), Wert::Zahl(L.u16(10)));
    const bool soll = static_cast<uint64_t>(P(1151)) >= 2;
    zeige_Zeile(N("Solldrehzahl"), soll);
    oben(N("Solldrehzahl"), 48);
    const uint16_t b54 = d_->B.u16(54);
    wert(N("Solldrehzahl"), b54 == 0 ? QStringLiteral("- - -") : Wert::Zahl(b54));
    wert(N("Drehzahlfehler"), Wert::Zahl(L.u16(30)) + '/' + Wert::Zahl(L.u16(24)));
    oben(N("Drehzahlfehler"), soll ? 72 : 48);
    return soll ? 104 : 80;
}

int Status_Logik::zeige_Drosselklappe() {
    const Satz& L = d_->L;
    const Satz& Ad = d_->Ad;
    const uint16_t zustand = L.u16(82);
    int16_t drossel = Ad.s16(62);
    if (d_->id.in_Versionsmenge({3})) {
        Drosselklappenwort = static_cast<uint16_t>(L.u16(72) * 10);
        drossel = static_cast<int16_t>(*Drosselklappenwort);
    }
    wert(N("Drosselklappe"), Wert::mal(drossel, 0.1, "%5.1f"));
    spannung(N("Drosselklappe"), Wert::Volt(L.u16(38)));
    farbe(N("Drosselklappe"), d_->id.in_Versionsmenge({1}) || (zustand & (1U << 4)));
    wert(N("Soll_Drosselklappe"), Wert::mal(Ad.s16(72), 0.1, "%5.1f"));
    wert(N("Ausgang"), Wert::Zahl(Ad.s16(74)));
    farbe(N("Pedal"), zustand & (1U << 8));
    const bool elektronisch = P(1151) != 0;
    for (const char* z : {"Pedal", "Soll_Drosselklappe", "Ausgang"})
        zeige_Zeile(N(z), elektronisch);
    if (elektronisch) {
        oben(N("Pedal"), 24);
        wert(N("Pedal"), Wert::mal(Ad.s16(60), 0.1, "%5.1f"));
        spannung(N("Pedal"), Wert::Volt(Ad.s16(56)));
        oben(N("Soll_Drosselklappe"), 48);
        oben(N("Drosselklappe"), 72);
        oben(N("Ausgang"), 96);
        zeige_Zeile(N("Leerlaufsteller"), false);
        return 128;
    }
    oben(N("Drosselklappe"), 24);
    const bool steller = P(131) > 0;
    zeige_Zeile(N("Leerlaufsteller"), steller);
    if (!steller)
        return 56;
    oben(N("Leerlaufsteller"), 48);
    wert(N("Leerlaufsteller"), QString::asprintf("%4.0f", (L.u16(22) - 128) * 100.0 / 128.0));
    return 80;
}

int Status_Logik::zeige_Luftdruck() {
    const Satz& L = d_->L;
    const uint16_t zustand = L.u16(82);
    int pos = 24;
    const bool luftmasse = P(76) == 1;
    zeige_Zeile(N("Luftmasse"), luftmasse);
    if (luftmasse) {
        oben(N("Luftmasse"), pos);
        wert(N("Luftmasse"), QString::asprintf(" %5.1f", L.u16(26) * 100.0 / 1024.0));
        spannung(N("Luftmasse"), Wert::Volt(L.u16(52)));
        farbe(N("Luftmasse"), zustand & (1U << 6));
        pos = 48;
    }
    QString intern = Wert::Zahl(L.s16(80));
    QString internVolt = Wert::Volt(L.u16(50));
    const bool internGueltig = zustand & (1U << 3);
    wert(N("Druck_intern"), intern);
    spannung(N("Druck_intern"), internVolt);
    farbe(N("Druck_intern"), internGueltig);
    const bool doppelt = d_->id.in_Versionsmenge({2}) && P(54) > 0;
    // One sensor for both: the external row repeats the internal one.
    wert(N("Druck_extern"), doppelt ? intern : Wert::Zahl(d_->Ad.s16(66)));
    spannung(N("Druck_extern"), doppelt ? internVolt : Wert::Volt(L.u16(48)));
    farbe(N("Druck_extern"), doppelt ? internGueltig : bool(zustand & (1U << 5)));
    const bool zeigeIntern = d_->id.Option_138 && !doppelt;
    zeige_Zeile(N("Druck_intern"), zeigeIntern);
    if (zeigeIntern) {
        oben(N("Druck_intern"), pos);
        pos += 24;
    }
    zeige_Zeile(N("Druck_extern"), P(54) > 0);
    if (P(54) > 0) {
        oben(N("Druck_extern"), pos);
        pos += 24;
    }
    const bool lader = P(1119) > 0;
    if (lader) {
        // Early software has no target boost, yet its row keeps its place.
        zeige_Zeile(N("Soll_Ladedruck"), !fruehe_Software());
        oben(N("Soll_Ladedruck"), pos);
        wert(N("Soll_Ladedruck"), Wert::Zahl(d_->B.s16(88)));
        pos += 24;
        oben(N("Ladedruck_Ausgang"), pos);
        wert(N("Ladedruck_Ausgang"),
             Wert::Zahl(skaliere_255_auf_100(static_cast<float>(L.s16(28)))));
        pos += 24;
    } else {
        zeige_Zeile(N("Soll_Ladedruck"), false);
    }
    zeige_Zeile(N("Ladedruck_Ausgang"), lader);
    return pos + 8;
}

int Status_Logik::zeige_Lambda_1() {
    const Satz& L = d_->L;
    const Satz& Ad = d_->Ad;
    const Identitaet& id = d_->id;
    const bool frueh = fruehe_Software();
    int m = 0;
    if (id.ECU_Typ == 1)
        m = frueh ? ((P(1947) == 0 || P(1947) == 2) ? -1 : 2) : static_cast<int>(P(2207));
    bool t = false;
    if (!(id.in_Versionsmenge({4}) || id.ECU_Typ == 2))
        t = frueh ? (P(60) > 0 && P(1947) != 2) : (P(60) > 0 || P(2395) > 0);
    if (m == 0 && !t)
        return 0;
    int pos = 48;
    oben(N("Lambda_1"), 24);
    oben(N("Sondentemperatur_1"), 48);
    zeige_Zeile(N("Lambda_1"), m != 0);
    zeige_Zeile(N("Sondentemperatur_1"), false);
    spannung(N("Lambda_1"), QString());
    if (m == -1) {
        wert(N("Lambda_1"), Wert::Volt_Zahl(L.u16(42)));
    } else if (m == 1) {
        wert(N("Lambda_1"), Wert::mal(Ad.s16(96), 0.001, "%6.2f"));
        spannung(N("Lambda_1"), Wert::Volt(L.u16(42)));
    } else if (m != 0) {
        wert(N("Lambda_1"), Wert::mal(Ad.s16(96), 0.001, "%6.2f"));
        wert(N("Sondentemperatur_1"), Wert::Zahl(Sondentemperatur(Ad.s16(80))));
        zeige_Zeile(N("Sondentemperatur_1"), true);
        pos = 72;
    }
    const bool gueltig = (L.u16(82) & 1U) || id.in_Versionsmenge({5});
    return zeige_Sondenrest(1, pos, t, Ad.s16(94), gueltig, P(60) >= 1, d_->B.s16(64));
}

// The rows below a probe's own value and temperature: its target lambda and its control
// value; the colour of its values by their valid bit.
int Status_Logik::zeige_Sondenrest(int nummer, int pos, bool soll, int sollwert, bool gueltig,
                                   bool regelung, int regelwert) {
    const QString n = QString::number(nummer);
    const QString Soll = QStringLiteral("Soll_Lambda_") + n;
    const QString Regelung = QStringLiteral("Lambdaregelung_") + n;
    zeige_Zeile(Soll, soll);
    if (soll) {
        oben(Soll, pos);
        wert(Soll, Wert::mal(sollwert, 0.001, "%5.2f"));
        QString zusatz;
        if (!fruehe_Software() && P(2381) != 0) {
            const int16_t w = d_->B.s16(62);
            zusatz = '(' + QString(w >= 0 ? "+" : "") + Wert::mal(w, 0.001, "%5.2f") + ')';
        }
        A.text(Zusatzname(Soll), zusatz);
        pos += 24;
    }
    farbe(QStringLiteral("Lambda_") + n, gueltig);
    farbe(QStringLiteral("Sondentemperatur_") + n, gueltig);
    zeige_Zeile(Regelung, regelung);
    if (regelung) {
        oben(Regelung, pos);
        wert(Regelung, Wert::mal(regelwert, 0.1, "%5.1f"));
        pos += 24;
    }
    return pos + 8;
}

int Status_Logik::zeige_Lambda_2() {
    const Satz& L = d_->L;
    const Satz& B = d_->B;
    const Identitaet& id = d_->id;
    const bool frueh = fruehe_Software();
    const bool bank2 = d_->Bank2 >= 1;
    int m = 0;
    if (id.ECU_Typ == 1)
        m = frueh ? (P(1947) >= 2 ? static_cast<int>(P(1947)) : 0) : static_cast<int>(P(2208));
    bool t = false;
    if (!(id.in_Versionsmenge({4}) || id.ECU_Typ == 2))
        t = frueh ? (P(60) > 0 && m == 2) : (P(2390) > 0 || P(2395) > 0);
    if (m == 0 && !(t && bank2))
        return 0;
    int pos = 48;
    oben(N("Lambda_2"), 24);
    oben(N("Sondentemperatur_2"), 48);
    zeige_Zeile(N("Lambda_2"), m != 0);
    zeige_Zeile(N("Sondentemperatur_2"), false);
    wert(N("Lambda_2"), Wert::mal(d_->Ad.s16(64), 0.001, "%6.2f"));
    spannung(N("Lambda_2"), m == 1 ? Wert::Volt(B.s16(86)) : QString());
    if (m != 0 && m != 1) {
        wert(N("Sondentemperatur_2"), Wert::Zahl(Sondentemperatur(B.s16(16))));
        zeige_Zeile(N("Sondentemperatur_2"), true);
        pos = 72;
    }
    const bool gueltig = (L.u16(82) & (1U << 7)) || id.in_Versionsmenge({5});
    return zeige_Sondenrest(2, pos, t && bank2, B.s16(18), gueltig, P(2390) >= 1, B.s16(66));
}

int Status_Logik::zeige_Temperaturen() {
    const Satz& L = d_->L;
    const Satz& Ad = d_->Ad;
    const uint16_t zustand = L.u16(82);
    const bool frueh = fruehe_Software();
    oben(N("Motortemperatur"), 24);
    wert(N("Motortemperatur"), Wert::Zahl(L.s16(74)));
    spannung(N("Motortemperatur"), Wert::Volt(L.u16(44)));
    farbe(N("Motortemperatur"), zustand & (1U << 1));
    oben(N("Lufttemperatur"), 48);
    wert(N("Lufttemperatur"), Wert::Zahl(L.s16(78)));
    spannung(N("Lufttemperatur"), Wert::Volt(L.u16(46)));
    farbe(N("Lufttemperatur"), zustand & (1U << 2));
    int pos = 72;
    const bool abgas = d_->id.ECU_Typ <= 2 && P(1940) >= 1;
    const int hw = d_->id.Hardware_Haupt;
    const bool abgas2 = abgas && !(hw >= 301 && hw <= 399);
    zeige_Zeile(N("Abgas_1"), abgas);
    zeige_Zeile(N("Abgas_2"), abgas2);
    if (abgas) {
        oben(N("Abgas_1"), 72);
        wert(N("Abgas_1"), Wert::Zahl(Ad.s16(90)));
        spannung(N("Abgas_1"), Wert::Volt(Ad.s16(86)));
        farbe(N("Abgas_1"), frueh || (zustand & (1U << 10)));
        oben(N("Abgas_2"), 96);
        wert(N("Abgas_2"), Wert::Zahl(Ad.s16(92)));
        spannung(N("Abgas_2"), Wert::Volt(Ad.s16(88)));
        farbe(N("Abgas_2"), frueh || (zustand & (1U << 11)));
        pos = abgas2 ? 120 : 96;
    }
    oben(N("Innentemperatur"), pos);
    wert(N("Innentemperatur"), Wert::mal(L.s16(18), 0.1, "%5.1f"));
    spannung(N("Innentemperatur"), Wert::Volt(L.u16(14)));
    return pos + 32;
}

int Status_Logik::zeige_Oel() {
    const Satz& B = d_->B;
    const uint16_t zustand = d_->L.u16(82);
    int pos = 24;
    const bool temperatur = P(2371) > 0;
    zeige_Zeile(N("Oeltemperatur"), temperatur);
    if (temperatur) {
        oben(N("Oeltemperatur"), pos);
        wert(N("Oeltemperatur"), Wert::mal(B.s16(72), 0.1, "%5.0f"));
        spannung(N("Oeltemperatur"), Wert::Volt(B.s16(70)));
        farbe(N("Oeltemperatur"), zustand & (1U << 12));
        pos += 24;
    }
    const bool druck = P(2375) > 0;
    zeige_Zeile(N("Oeldruck"), druck);
    if (druck) {
        oben(N("Oeldruck"), pos);
        wert(N("Oeldruck"), Wert::Zahl(B.s16(76)));
        spannung(N("Oeldruck"), Wert::Volt(B.s16(74)));
        farbe(N("Oeldruck"), zustand & (1U << 13));
        pos += 24;
    }
    return pos + 8;
}

int Status_Logik::zeige_Verstellung() {
    const Satz& C = d_->C;
    int pos = 24;
    struct Zeile {
        const char* name;
        int parameter, wert, spannung;
    };
    for (const Zeile z :
         {Zeile{"Verstellung_Einspritzung", 2155, 6, 4}, Zeile{"Verstellung_Zuendung", 2156, 2, 0},
          Zeile{"Verstellung_Lambda", 2381, 10, 8}}) {
        const QString name = N(z.name);
        const bool an = P(z.parameter) > 0;
        zeige_Zeile(name, an);
        if (!an)
            continue;
        oben(name, pos);
        wert(name, Wert::mal(C.s16(z.wert), 0.1, "%5.1f"));
        const int16_t u = C.s16(z.spannung);
        // A negative word means no sensor: the cell stays empty.
        A.zeige(QStringLiteral("Label_Spannung_") + name, u >= 0);
        spannung(name, Wert::Volt(u));
        pos += 24;
    }
    return pos + 8;
}

int Status_Logik::zeige_Betriebsdaten() {
    const Satz& L = d_->L;
    const Satz& Ad = d_->Ad;
    const bool frueh = fruehe_Software();
    oben(N("Batterie"), 24);
    wert(N("Batterie"), Wert::Volt_Zahl(L.s16(76)));
    int pos = 48;
    zeige_Zeile(N("Zeit_seit_Start"), !frueh);
    if (!frueh) {
        oben(N("Zeit_seit_Start"), pos);
        wert(N("Zeit_seit_Start"), Zehntel_zu_Zeit(d_->B.u32(90) / 100));
        pos += 24;
    }
    oben(N("Betriebszeit"), pos);
    wert(N("Betriebszeit"), Zehntel_zu_Zeit(Ad.s32(44)));
    pos += 24;
    const bool uhr = !(frueh && P(2536) == 0);
    zeige_Zeile(N("Stoppuhr"), uhr);
    if (uhr) {
        oben(N("Stoppuhr"), pos);
        wert(N("Stoppuhr"), ms_zu_Zeit(L.s32(54)));
        pos += 24;
    }
    oben(N("Umdrehungen"), pos);
    wert(N("Umdrehungen"), Wert::Zahl(Ad.s32(48)));
    pos += 24;
    oben(N("Fehlerzahl"), pos);
    wert(N("Fehlerzahl"), Wert::Zahl(Ad.u16(54)));
    pos += 24;
    oben(N("Loggerdaten"), pos);
    wert(N("Loggerdaten"), Wert::Zahl(Ad.s32(82)));
    return pos + 30;
}

int Status_Logik::zeige_Einspritzzeit() {
    const Satz& L = d_->L;
    const Satz& Ad = d_->Ad;
    const Satz& B = d_->B;
    const bool frueh = fruehe_Software();
    A.zeige(N("Label_Bank_1"), !frueh);
    A.zeige(N("Label_Bank_2"), !frueh);
    int pos = frueh ? 24 : 40;
    const auto zeile = [&](const char* z, int roh, int schritt) {
        zeige_Zeile(N(z), true);
        oben(N(z), pos);
        wert(N(z), Wert::us(roh));
        pos += schritt;
    };
    const auto zeile2 = [&](const char* z, int roh1, int roh2, int schritt) {
        A.text(Bank2name(N(z)), Wert::us(roh2));
        zeile(z, roh1, schritt);
    };
    for (const char* z : {"Grundkennfeld", "Luftkorrektur", "Leerlauf_Einspritzung",
                          "Luftmasse_Einspritzung", "Unterdruck", "Luftmassenkorrektur"})
        zeige_Zeile(N(z), false);
    const int64_t last = frueh ? P(76) : L.u16(58);
    if (last == 0) {
        zeile("Grundkennfeld", Ad.s16(12), 16);
        zeile("Luftkorrektur", Ad.s16(18), 18);
        if (P(131) > 0)
            zeile("Leerlauf_Einspritzung", Ad.s16(20), 18);
    } else if (last == 1) {
        zeile("Luftmasse_Einspritzung", Ad.s16(8), 18);
        zeile("Luftmassenkorrektur", Ad.s16(10), 18);
    } else {
        zeile("Unterdruck", Ad.s16(14), 18);
        zeile("Luftmassenkorrektur", Ad.s16(10), 18);
        zeile("Luftkorrektur", Ad.s16(18), 18);
    }
    zeige_Zeile(N("Einspritzzeit_Verstellung"), false);
    if (!frueh && P(2155) != 0)
        zeile("Einspritzzeit_Verstellung", B.s16(84), 18);
    zeige_Zeile(N("Soll_Lambda_Einspritzung"), false);
    if (!frueh && !ist_ECU_Typ_2 && P(2395) > 0 && !d_->id.in_Versionsmenge({4}))
        zeile("Soll_Lambda_Einspritzung", B.s16(82), 18);
    // The separators stand in the gap just above their rows: where the design has them (10
    // and 11 above the row, 136 in the ignition group) they strike through the text of the
    // row above.
    Oben[N("Linie_1")] = pos - Linienabstand;
    zeile("Grundmenge", Ad.s16(16), 36);
    zeile("Motortemperatur_Einspritzung", Ad.s16(22), 18);
    zeile2("Lambdaregelung_Einspritzung", Ad.s16(30), B.s16(68), 18);
    if (frueh)
        A.text(Bank2name(N("Lambdaregelung_Einspritzung")), QString());
    zeile("Renneingang", Ad.s16(28), 18);
    zeile("Beschleunigung", Ad.s16(24), 18);
    if (!frueh) {
        zeile2("Abgastemperatur_Einspritzung", B.s16(78), B.s16(94), 18);
        zeile2("Verstellwert", B.s16(42), B.s16(44), 18);
    } else {
        zeige_Zeile(N("Abgastemperatur_Einspritzung"), false);
        zeige_Zeile(N("Verstellwert"), false);
    }
    int s = Ad.s16(26);
    if (L.u8(12) & 1U) {
        A.text(N("Label_Kopf_Schaltzeit"), hole_Text(172) + QStringLiteral(" / 2"));
        s = s - s / 2;
    } else {
        A.text(N("Label_Kopf_Schaltzeit"), hole_Text(172));
    }
    zeile("Schaltzeit", s, 18);
    Oben[N("Linie_2")] = pos - Linienabstand;
    zeile2("Einspritzzeit", L.u16(32), B.s16(40), 18);
    zeige_Zeile(N("Einspritzduese"), true);
    oben(N("Einspritzduese"), pos);
    if (d_->id.Version >= 506) {
        wert(N("Einspritzduese"), Wert::mal(Ad.s16(70), 0.1, "%5.1f"));
        A.text(Bank2name(N("Einspritzduese")), Wert::mal(B.s16(98), 0.1, "%5.1f"));
    } else {
        wert(N("Einspritzduese"),
             QString::asprintf("%5.1f", L.u16(32) * static_cast<double>(L.u16(10)) / 750000.0));
    }
    pos += 36;
    const bool verbrauch = !ist_ECU_Typ_2 && P(1134) > 0;
    zeige_Zeile(N("Verbrauch"), verbrauch);
    if (verbrauch) {
        oben(N("Verbrauch"), pos);
        wert(N("Verbrauch"), Wert::mal(Ad.u16(52), 0.1, "%6.1f"));
        pos += 18;
    }
    zeige_Zeile(N("Einspritzende"), !frueh);
    if (!frueh) {
        oben(N("Einspritzende"), pos);
        wert(N("Einspritzende"), Wert::Zahl(B.s16(46)));
        pos += 18;
    }
    // A hidden row's bank-2 cell stays hidden: shown, it would stand alone at the row's last
    // place, over whatever row took that place since.
    const bool bank2 = d_->Bank2 >= 1;
    for (const char* z : {"Lambdaregelung_Einspritzung", "Abgastemperatur_Einspritzung",
                          "Verstellwert", "Einspritzzeit", "Einspritzduese"})
        A.zeige(Bank2name(N(z)), bank2 && A[Wertname(N(z))].sichtbar);
    return pos + 8;
}

int Status_Logik::zeige_Zuendung() {
    const Satz& Ad = d_->Ad;
    int offset = 32;
    int top = 20;
    for (const char* z :
         {"Zuendkennfeld", "Zuendung_Lufttemperatur", "Zuendung_Luftdruck",
          "Zuendung_Motortemperatur", "Zuendung_Beschleunigung", "Funktionseingang"}) {
        oben(N(z), top);
        wert(N(z), Wert::Zahl(Ad.s16(offset)));
        offset += 2;
        top += 18;
    }
    oben(N("Zuendverstellung"), top);
    wert(N("Zuendverstellung"), Wert::Zahl(d_->B.s16(58)));
    Oben[N("Linie_Zuendung")] = 146 - Linienabstand;
    oben(N("Zuendwinkel"), 146);
    wert(N("Zuendwinkel"), Wert::Zahl(d_->L.s16(34)));
    return 168;
}

void Status_Logik::zeige_Status() {
    const Satz& L = d_->L;
    const int oben = std::max(unten("GroupBox_Betriebsdaten"), unten("GroupBox_Zuendung")) + 8;
    Oben[N("Label_Motorstatus")] = oben;
    Oben[N("Label_Motorstatus_Lambda")] = oben + 24;
    const int l8 = L.u16(8);
    const int index = l8 < 4 ? l8 : (l8 < 20 ? 4 : 5);
    QString text = hole_Teiltext(hole_Text(193), index);
    QString lambda;
    if (d_->id.ECU_Typ == 1 && l8 >= 4) {
        text += QStringLiteral(" (") + hole_Teiltext(hole_Text(194), l8 - 4) + ')';
        if (!fruehe_Software()) {
            unsigned w = L.u16(16);
            if (w & 1U)
                w &= 0xFFF0;
            if (w & 0x10U)
                w &= 0xFF0F;
            for (int i = 0; i < 16; ++i)
                if (w & (1U << i)) {
                    lambda = hole_Teiltext(hole_Text(1287), i);
                    break;
                }
        }
    }
    Handbetrieb = index == 0;
    if (Handbetrieb)
        text += ' ' + Wert::Zahl(d_->Hand_Schrittweite);
    A.text(N("Label_Motorstatus"), text);
    A.text(N("Label_Motorstatus_Lambda"), lambda);
}

// ---------------------------------------------------------------- window

namespace {

constexpr int Statuszeile = 18;
constexpr int Zeilenhoehe_Einspritzung = 16;

QFrame* neue_Linie(QWidget* eltern, const char* name, int oben) {
    auto* l = new QFrame(eltern);
    l->setObjectName(N(name));
    l->setFrameShape(QFrame::HLine);
    l->setFrameShadow(QFrame::Sunken);
    l->setGeometry(8, oben, 280, 4);
    return l;
}

// By font, not by style sheet: a style sheet would paint the cell's background in the
// application's colour instead of the window's silver.
void fett(QLabel* l) {
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
}

void rot(QLabel* l) {
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::red);
    l->setPalette(p);
}

} // namespace

TForm_Status::TForm_Status(Kontext& kontext) : TForm_Variante(kontext, QStringLiteral("Status")) {
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                   Qt::WindowTitleHint);
    setWindowTitle(hole_Text(161));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(p);
    setFixedWidth(Breite);
    resize(Breite, 600);

    struct Gruppenart {
        const char* name;
        int links, breite, text;
    };
    for (const Gruppenart g : {Gruppenart{"GroupBox_Einspritzzeit", 8, 296, 1273},
                               Gruppenart{"GroupBox_Zuendung", 8, 296, 1276},
                               Gruppenart{"GroupBox_Temperaturen", 312, 368, 1266},
                               Gruppenart{"GroupBox_Oel", 312, 368, 1268},
                               Gruppenart{"GroupBox_Verstellung", 312, 368, 1292},
                               Gruppenart{"GroupBox_Betriebsdaten", 312, 368, 1271},
                               Gruppenart{"GroupBox_Drehzahl", 688, 368, 1256},
                               Gruppenart{"GroupBox_Drosselklappe", 688, 368, 1258},
                               Gruppenart{"GroupBox_Luftdruck", 688, 368, 1260},
                               Gruppenart{"GroupBox_Lambda_1", 688, 368, 1262},
                               Gruppenart{"GroupBox_Lambda_2", 688, 368, 1263}})
        gruppen_[N(g.name)] = neue_Gruppe(N(g.name), hole_Text(g.text), g.links, 8, g.breite, 100);

    for (const Status_Logik::Zeilenart& z : Status_Logik::Zeilen())
        lege_an(gruppen_.at(N(z.Gruppe)), z);
    // The idle actuator's designed place; the refresh moves it only when it shows.
    for (QWidget* w : zellen_.at(QStringLiteral("Leerlaufsteller")))
        w->move(w->x(), 48);
    // Times are wider than numbers: their cells reach further left, so that every value of
    // the group ends at the same edge, and their headings end where they begin (a cell paints
    // its own background, over whatever it covers).
    for (const char* z : {"Zeit_seit_Start", "Betriebszeit", "Stoppuhr", "Umdrehungen"}) {
        Label(QStringLiteral("Label_Kopf_") + N(z))->resize(118, Statuszeile);
        Label(Wertname(N(z)))->setGeometry(128, 24, 112, Statuszeile);
    }

    QGroupBox* e = gruppen_.at(QStringLiteral("GroupBox_Einspritzzeit"));
    neues_Label(e, QStringLiteral("Label_Bank_1"), QStringLiteral("Bank 1"), 158, 20, 58, true);
    neues_Label(e, QStringLiteral("Label_Bank_2"), QStringLiteral("Bank 2"), 224, 20, 58, true);
    zellen_[QStringLiteral("Linie_1")] = {neue_Linie(e, "Linie_1", 0)};
    zellen_[QStringLiteral("Linie_2")] = {neue_Linie(e, "Linie_2", 0)};
    // The first rows of a load kind stand 16 px apart: cells of 18 would overlap there.
    for (QLabel* l : e->findChildren<QLabel*>())
        l->resize(l->width(), Zeilenhoehe_Einspritzung);

    QGroupBox* zg = gruppen_.at(QStringLiteral("GroupBox_Zuendung"));
    zellen_[QStringLiteral("Linie_Zuendung")] = {
        neue_Linie(zg, "Linie_Zuendung", 146 - Linienabstand)};
    for (const char* n : {"Label_Kopf_Zuendwinkel", "Label_Zuendwinkel"})
        fett(Label(N(n)));

    Label_Motorstatus =
        neues_Label(nullptr, QStringLiteral("Label_Motorstatus"), {}, 16, 0, 660, false);
    fett(Label_Motorstatus);
    Label_Motorstatus_Lambda =
        neues_Label(nullptr, QStringLiteral("Label_Motorstatus_Lambda"), {}, 16, 0, 660, false);
    for (QLabel* l : {Label_Motorstatus, Label_Motorstatus_Lambda}) {
        l->resize(l->width(), Status_Logik::Statuszeilenhoehe);
        zellen_[l->objectName()] = {l};
    }

    // Labels that paint their own background: a changed value repaints its cell alone, not
    // its whole group with frame and title, several times a second.
    for (QLabel* l : findChildren<QLabel*>())
        l->setAutoFillBackground(true);

    InterAction().Create(
        cl_akt_Daten::Klasse, [this](Sender&) { aktualisiere(); }, cl_akt_Daten::Beantwortet);
    Hand_Schrittweite = 100;
    aktualisiere();
}

void TForm_Status::lege_an(QGroupBox* gruppe, const Status_Logik::Zeilenart& z) {
    const QString name = N(z.Name);
    const bool schmal = gruppe->width() < 320;
    std::vector<QWidget*>& zellen = zellen_[name];
    const QString kopf = z.Kopftext > 0 ? hole_Text(z.Kopftext) : N(z.Kopf);
    zellen.push_back(
        neues_Label(gruppe, QStringLiteral("Label_Kopf_") + name, kopf, 8, 24, schmal ? 148 : 150));
    zellen.push_back(
        neues_Label(gruppe, Wertname(name), {}, schmal ? 158 : 160, 24, schmal ? 58 : 80, true));
    if (z.Zellen & Status_Logik::Bank_2)
        zellen.push_back(neues_Label(gruppe, Bank2name(name), {}, 224, 24, 58, true));
    if (z.Einheit) {
        QString einheit = z.Einheitentext > 0 ? hole_Text(z.Einheitentext) : QString();
        if (einheit.isEmpty())
            einheit = N(z.Einheit);
        zellen.push_back(neues_Label(gruppe, QStringLiteral("Label_Einheit_") + name, einheit,
                                     schmal ? 224 : 246, 24, schmal ? 64 : 48));
    }
    if (z.Zellen & Status_Logik::Spannung) {
        QLabel* u =
            neues_Label(gruppe, QStringLiteral("Label_Spannung_") + name, {}, 294, 24, 66, true);
        rot(u);
        zellen.push_back(u);
    }
    // The target lambda's add-on cell: the lambda adjustment beside it.
    if (z.Zellen & Status_Logik::Zusatz)
        zellen.push_back(neues_Label(gruppe, Zusatzname(name), {}, 246, 24, 114, true));
    for (QWidget* w : zellen)
        w->resize(w->width(), Statuszeile);
}

QGroupBox* TForm_Status::Gruppe(const QString& name) const {
    const auto it = gruppen_.find(name);
    return it == gruppen_.end() ? nullptr : it->second;
}

// ---------------------------------------------------------------- refresh

void TForm_Status::aktualisiere() {
    cl_ECU_Befehle& b = k.ecu_Befehle();
    Statusdaten d{Kennung(),           Parameter(),         k.parameter().Bitzahl,
                  Satz(b.akt_Daten),   Satz(b.akt_Daten_A), Satz(b.akt_Daten_B),
                  Satz(b.akt_Daten_C), Hand_Schrittweite};
    Logik.aktualisiere(d);
    ist_ECU_Typ_2 = Logik.ist_ECU_Typ_2;
    if (Logik.Drosselklappenwort)
        b.akt_Daten_A.setze_u16(62, *Logik.Drosselklappenwort);
    if (Logik.Handbetrieb)
        if (Befehlsobjekte* bo = k.befehle())
            bo->Quorvel_Hand_Einspritzzeit_aendern->senden();
    setze_Lagen();
    uebernehme(Logik.A);
    setFixedHeight(Logik.Hoehe);
}

// Widgets move only when their place changes: a move repaints the group around them.
void TForm_Status::setze_Lagen() {
    for (const auto& [name, lage] : Logik.Gruppen) {
        QGroupBox* g = gruppen_.at(name);
        const QRect soll(g->x(), lage.oben, g->width(), lage.hoehe);
        if (g->geometry() != soll)
            g->setGeometry(soll);
    }
    for (const auto& [name, oben] : Logik.Oben)
        for (QWidget* w : zellen_.at(name))
            if (w->y() != oben)
                w->move(w->x(), oben);
}

// The windowing system places this window; it is no member of the family in that.
void TForm_Status::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
}

void TForm_Status::hideEvent(QHideEvent* event) {
    TForm::hideEvent(event);
}

// ---------------------------------------------------------------- keys

void TForm_Status::keyReleaseEvent(QKeyEvent* event) {
    if (event->modifiers() & Qt::AltModifier) {
        TForm::keyReleaseEvent(event);
        return;
    }
    static constexpr int Schritte[] = {2, 5, 10, 20, 50, 100, 200, 500, 1000};
    const int taste = event->key();
    if (taste >= Qt::Key_1 && taste <= Qt::Key_9) {
        Hand_Schrittweite = Schritte[taste - Qt::Key_1];
    } else if (taste == Qt::Key_Space) {
        if (Befehlsobjekte* b = k.befehle())
            b->Quorvel_Hand_umschalten->starten();
    } else if (taste == Qt::Key_Plus) {
        if (Befehlsobjekte* b = k.befehle())
            b->Quorvel_Hand_Einspritzzeit_aendern->addieren(Hand_Schrittweite);
    } else if (taste == Qt::Key_Minus) {
        if (Befehlsobjekte* b = k.befehle())
            b->Quorvel_Hand_Einspritzzeit_aendern->addieren(-Hand_Schrittweite);
    } else if (taste == Qt::Key_Q || taste == Qt::Key_F2) {
        if (Zuendwinkel_plus)
            Zuendwinkel_plus();
    } else if (taste == Qt::Key_Y || taste == Qt::Key_F10) {
        if (Zuendwinkel_minus)
            Zuendwinkel_minus();
    } else {
        TForm::keyReleaseEvent(event);
        return;
    }
    event->accept();
}
