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

constexpr int Zeilenhoehe = 18;
constexpr int Zeilenhoehe_Einspritzung = 16;
const QColor Gueltig = Qt::black;
const QColor Ungueltig = Qt::red;

void faerbe(QLabel* l, const QColor& farbe) {
    // Most values keep their colour from one answer to the next; a new palette costs more.
    if (l->palette().color(QPalette::WindowText) == farbe)
        return;
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, farbe);
    l->setPalette(p);
}

QString Volt(int roh) {
    return QString::asprintf("%5.2f V", static_cast<double>(ADC_zu_Volt(static_cast<float>(roh))));
}

QString mal(int roh, double faktor, const char* format) {
    return QString::asprintf(format, roh * faktor);
}

QString us(int roh) {
    return QString::number(mal_0_8(static_cast<float>(roh)));
}

QGroupBox* neue_Gruppe(QWidget* eltern, int links, int breite, int text) {
    auto* g = new QGroupBox(hole_Text(text), eltern);
    g->setGeometry(links, 8, breite, 100);
    return g;
}

int unten(const QWidget* w) {
    return w->y() + w->height();
}

} // namespace

// ---------------------------------------------------------------- visibility

void Sichtbarkeit::setze(QWidget* w, bool an) {
    for (auto& [widget, soll] : soll_)
        if (widget == w) {
            soll = an;
            return;
        }
    soll_.emplace_back(w, an);
}

bool Sichtbarkeit::sichtbar(const QWidget* w) const {
    for (const auto& [widget, soll] : soll_)
        if (widget == w)
            return soll;
    return !w->isHidden();
}

void Sichtbarkeit::anwenden() {
    for (const auto& [w, an] : soll_)
        if (w->isHidden() == an)
            w->setVisible(an);
    soll_.clear();
}

// ---------------------------------------------------------------- rows

void TForm_Status::Zeile::setze_Top(int top) const {
    for (QLabel* l : {Kopf, Wert, Einheit, Spannung, Wert2})
        if (l)
            l->move(l->x(), top);
}

void TForm_Status::Zeile::zeige(bool an) const {
    for (QLabel* l : {Kopf, Wert, Einheit, Spannung, Wert2})
        if (l)
            sicht->setze(l, an);
}

bool TForm_Status::Zeile::sichtbar() const {
    return Kopf && sicht->sichtbar(Kopf);
}

TForm_Status::Zeile TForm_Status::neue_Zeile(QGroupBox* gruppe, int text, const QString& einheit,
                                             bool spannung, bool zweiSpalten) {
    Zeile z;
    z.sicht = &sicht_;
    const bool schmal = gruppe->width() < 320;
    z.Kopf = new QLabel(text > 0 ? hole_Text(text) : QString(), gruppe);
    z.Kopf->setGeometry(8, 24, schmal ? 148 : 150, Zeilenhoehe);
    z.Wert = new QLabel(gruppe);
    z.Wert->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    z.Wert->setGeometry(schmal ? 158 : 160, 24, schmal ? 58 : 80, Zeilenhoehe);
    if (zweiSpalten) {
        z.Wert2 = new QLabel(gruppe);
        z.Wert2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        z.Wert2->setGeometry(224, 24, 58, Zeilenhoehe);
    }
    if (!einheit.isEmpty()) {
        z.Einheit = new QLabel(einheit, gruppe);
        z.Einheit->setGeometry(schmal ? 224 : 246, 24, schmal ? 64 : 48, Zeilenhoehe);
    }
    if (spannung) {
        z.Spannung = new QLabel(gruppe);
        z.Spannung->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        z.Spannung->setGeometry(294, 24, 66, Zeilenhoehe);
        faerbe(z.Spannung, Ungueltig);
    }
    return z;
}

// ---------------------------------------------------------------- creation

TForm_Status::TForm_Status(Kontext& kontext) : TForm(QStringLiteral("Status")), k(kontext) {
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                   Qt::WindowTitleHint);
    setWindowTitle(hole_Text(161));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(p);
    setFixedWidth(Breite);
    resize(Breite, 600);

    const QString Upm = hole_Text(82).isEmpty() ? QStringLiteral("U/min") : hole_Text(82);
    const QString Prozent = hole_Text(83).isEmpty() ? QStringLiteral("%") : hole_Text(83);
    const QString Grad = QStringLiteral("Grad");
    const QString hPa = QStringLiteral("hPa");
    const QString Celsius = QStringLiteral("°C");

    GroupBox_Einspritzzeit = neue_Gruppe(this, 8, 296, 1273);
    GroupBox_Zuendung = neue_Gruppe(this, 8, 296, 1276);
    GroupBox_Temperaturen = neue_Gruppe(this, 312, 368, 1266);
    GroupBox_Oel = neue_Gruppe(this, 312, 368, 1268);
    GroupBox_Verstellung = neue_Gruppe(this, 312, 368, 1292);
    GroupBox_Betriebsdaten = neue_Gruppe(this, 312, 368, 1271);
    GroupBox_Drehzahl = neue_Gruppe(this, 688, 368, 1256);
    GroupBox_Drosselklappe = neue_Gruppe(this, 688, 368, 1258);
    GroupBox_Luftdruck = neue_Gruppe(this, 688, 368, 1260);
    GroupBox_Lambda_1 = neue_Gruppe(this, 688, 368, 1262);
    GroupBox_Lambda_2 = neue_Gruppe(this, 688, 368, 1263);

    Drehzahl = neue_Zeile(GroupBox_Drehzahl, 174, Upm, false);
    Solldrehzahl = neue_Zeile(GroupBox_Drehzahl, 1257, Upm, false);
    Drehzahlfehler = neue_Zeile(GroupBox_Drehzahl, 178, QString(), false);

    Drosselklappe = neue_Zeile(GroupBox_Drosselklappe, 180, Prozent, true);
    Soll_Drosselklappe = neue_Zeile(GroupBox_Drosselklappe, 1259, Prozent, false);
    Pedal = neue_Zeile(GroupBox_Drosselklappe, 195, Prozent, true);
    Ausgang = neue_Zeile(GroupBox_Drosselklappe, 196, QString(), false);
    Leerlaufsteller = neue_Zeile(GroupBox_Drosselklappe, 176, Prozent, false);
    Leerlaufsteller.setze_Top(48);

    Luftmasse = neue_Zeile(GroupBox_Luftdruck, 181, QStringLiteral("kg/h"), true);
    Druck_intern = neue_Zeile(GroupBox_Luftdruck, 185, hPa, true);
    Druck_extern = neue_Zeile(GroupBox_Luftdruck, 197, hPa, true);
    Soll_Ladedruck = neue_Zeile(GroupBox_Luftdruck, 1261, hPa, false);
    Ladedruck_Ausgang = neue_Zeile(GroupBox_Luftdruck, 177, Prozent, false);

    for (auto [gruppe, lambda, temp, soll, regelung] :
         {std::tuple{GroupBox_Lambda_1, &Lambda_1, &Sondentemperatur_1, &Soll_Lambda_1,
                     &Lambdaregelung_1},
          std::tuple{GroupBox_Lambda_2, &Lambda_2, &Sondentemperatur_2, &Soll_Lambda_2,
                     &Lambdaregelung_2}}) {
        *lambda = neue_Zeile(gruppe, 1264, QString(), true);
        *temp = neue_Zeile(gruppe, 1265, Celsius, false);
        *soll = neue_Zeile(gruppe, 199, QString(), false);
        // The add-on cell of the target row shows the lambda adjustment.
        (*soll).Spannung = new QLabel(gruppe);
        (*soll).Spannung->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        (*soll).Spannung->setGeometry(246, 24, 114, Zeilenhoehe);
        *regelung = neue_Zeile(gruppe, 0, Prozent, false);
        regelung->Kopf->setText(QStringLiteral("Lambdaregelung"));
    }

    Motortemperatur = neue_Zeile(GroupBox_Temperaturen, 183, Celsius, true);
    Lufttemperatur = neue_Zeile(GroupBox_Temperaturen, 184, Celsius, true);
    Abgas_1 = neue_Zeile(GroupBox_Temperaturen, 831, Celsius, true);
    Abgas_2 = neue_Zeile(GroupBox_Temperaturen, 832, Celsius, true);
    Innentemperatur = neue_Zeile(GroupBox_Temperaturen, 198, Celsius, true);

    Oeltemperatur = neue_Zeile(GroupBox_Oel, 1269, Celsius, true);
    Oeldruck = neue_Zeile(GroupBox_Oel, 1270, hPa, true);

    Verstellung_Einspritzung = neue_Zeile(GroupBox_Verstellung, 1293, Prozent, true);
    Verstellung_Zuendung = neue_Zeile(GroupBox_Verstellung, 1294, Grad, true);
    Verstellung_Lambda = neue_Zeile(GroupBox_Verstellung, 1295, Prozent, true);

    Batterie = neue_Zeile(GroupBox_Betriebsdaten, 182, QStringLiteral("Volt"), false);
    Zeit_seit_Start = neue_Zeile(GroupBox_Betriebsdaten, 1272, QString(), false);
    Betriebszeit = neue_Zeile(GroupBox_Betriebsdaten, 206, QString(), false);
    Stoppuhr = neue_Zeile(GroupBox_Betriebsdaten, 1280, QString(), false);
    Umdrehungen = neue_Zeile(GroupBox_Betriebsdaten, 205, QString(), false);
    Fehlerzahl = neue_Zeile(GroupBox_Betriebsdaten, 207, QString(), false);
    Loggerdaten = neue_Zeile(GroupBox_Betriebsdaten, 212, QString(), false);
    // Times are wider than numbers: their cells reach further left, so that every value of
    // the group ends at the same edge.
    for (const Zeile* z : {&Zeit_seit_Start, &Betriebszeit, &Stoppuhr, &Umdrehungen})
        z->Wert->setGeometry(100, 24, 140, Zeilenhoehe);

    auto* e = GroupBox_Einspritzzeit;
    Label_Bank_1 = new QLabel(QStringLiteral("Bank 1"), e);
    Label_Bank_1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label_Bank_1->setGeometry(158, 20, 58, Zeilenhoehe);
    Label_Bank_2 = new QLabel(QStringLiteral("Bank 2"), e);
    Label_Bank_2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label_Bank_2->setGeometry(224, 20, 58, Zeilenhoehe);
    for (QFrame** linie : {&Linie_1, &Linie_2}) {
        *linie = new QFrame(e);
        (*linie)->setFrameShape(QFrame::HLine);
        (*linie)->setFrameShadow(QFrame::Sunken);
        (*linie)->setGeometry(8, 0, 280, 4);
    }
    Grundkennfeld = neue_Zeile(e, 164, QString(), false, true);
    Luftkorrektur = neue_Zeile(e, 165, QString(), false, true);
    Leerlauf_Einspritzung = neue_Zeile(e, 166, QString(), false, true);
    Luftmasse_Einspritzung = neue_Zeile(e, 188, QString(), false, true);
    Unterdruck = neue_Zeile(e, 189, QString(), false, true);
    Luftmassenkorrektur = neue_Zeile(e, 190, QString(), false, true);
    Soll_Lambda_Einspritzung = neue_Zeile(e, 199, QString(), false, true);
    Einspritzzeit_Verstellung = neue_Zeile(e, 1274, QString(), false, true);
    Grundmenge = neue_Zeile(e, 167, QString(), false, true);
    Motortemperatur_Einspritzung = neue_Zeile(e, 168, QString(), false, true);
    Lambdaregelung_Einspritzung = neue_Zeile(e, 169, QString(), false, true);
    Renneingang = neue_Zeile(e, 170, QString(), false, true);
    Beschleunigung = neue_Zeile(e, 171, QString(), false, true);
    Abgastemperatur_Einspritzung = neue_Zeile(e, 1244, QString(), false, true);
    Verstellwert = neue_Zeile(e, 1278, QString(), false, true);
    Schaltzeit = neue_Zeile(e, 172, QString(), false, true);
    Einspritzzeit = neue_Zeile(e, 173, QString(), false, true);
    Einspritzduese = neue_Zeile(e, 1275, Prozent, false, true);
    Verbrauch = neue_Zeile(e, 192, QStringLiteral("l/Std."), false, true);
    Einspritzende = neue_Zeile(e, 882, Grad, false, true);
    // Units sit in the second bank's column, which these rows leave empty.
    for (const Zeile* z : {&Verbrauch, &Einspritzende})
        z->Wert2->setGeometry(0, 0, 0, 0);
    Einspritzduese.Einheit->setGeometry(284, 24, 12, Zeilenhoehe);
    Einspritzduese.Einheit->hide();
    // The first rows of a load kind stand 16 px apart: cells of 18 would overlap there.
    for (QLabel* l : e->findChildren<QLabel*>())
        l->resize(l->width(), Zeilenhoehe_Einspritzung);

    auto* zg = GroupBox_Zuendung;
    int top = 20;
    for (auto [zeile, text] :
         {std::pair{&Zuendkennfeld, 186}, std::pair{&Zuendung_Lufttemperatur, 184},
          std::pair{&Zuendung_Luftdruck, 197}, std::pair{&Zuendung_Motortemperatur, 168},
          std::pair{&Zuendung_Beschleunigung, 187}, std::pair{&Funktionseingang, 659},
          std::pair{&Zuendverstellung, 1282}}) {
        *zeile = neue_Zeile(zg, text, Grad, false);
        zeile->setze_Top(top);
        top += 18;
    }
    Linie_Zuendung = new QFrame(zg);
    Linie_Zuendung->setFrameShape(QFrame::HLine);
    Linie_Zuendung->setFrameShadow(QFrame::Sunken);
    Linie_Zuendung->setGeometry(8, 148, 280, 4);
    Zuendwinkel = neue_Zeile(zg, 175, Grad, false);
    Zuendwinkel.setze_Top(154);
    Zuendwinkel.Kopf->setStyleSheet(QStringLiteral("font-weight: bold"));
    Zuendwinkel.Wert->setStyleSheet(QStringLiteral("font-weight: bold"));

    Label_Motorstatus = new QLabel(this);
    Label_Motorstatus->setGeometry(16, 0, 660, 20);
    Label_Motorstatus->setStyleSheet(QStringLiteral("font-weight: bold"));
    Label_Motorstatus_Lambda = new QLabel(this);
    Label_Motorstatus_Lambda->setGeometry(16, 0, 660, 20);

    // Labels that paint their own background: a changed value repaints its cell alone, not
    // its whole group with frame and title, several times a second.
    for (QLabel* l : findChildren<QLabel*>())
        l->setAutoFillBackground(true);

    InterAction().Create(
        cl_akt_Daten::Klasse, [this](Sender&) { aktualisiere(); }, cl_akt_Daten::Beantwortet);
    Hand_Schrittweite = 100;
    aktualisiere();
}

// ---------------------------------------------------------------- refresh

// A group's top and height; a hidden group keeps its top and takes no height.
void TForm_Status::platziere(QGroupBox* g, int top, int hoehe, bool sichtbar) {
    zeige(g, sichtbar);
    g->setGeometry(g->x(), top, g->width(), sichtbar ? hoehe : 0);
}

int64_t TForm_Status::P(int nummer) {
    return k.parameter().Wert(nummer);
}

bool TForm_Status::fruehe_Software() {
    return k.version().in_Versionsmenge({6, 8});
}

void TForm_Status::aktualisiere() {
    cl_Version& v = k.version();
    ist_ECU_Typ_2 = v.ECU_Typ() == 2;
    const bool typ1 = v.ECU_Typ() == 1;

    const int hEinspritzung = zeige_Einspritzzeit(10);
    platziere(GroupBox_Einspritzzeit, 10, hEinspritzung, typ1);
    const int topZuendung = typ1 ? 10 + GroupBox_Einspritzzeit->height() + 8 : 10;
    platziere(GroupBox_Zuendung, topZuendung, zeige_Zuendung(topZuendung), true);

    int top = 8;
    const auto stapel = [this, &top](QGroupBox* g, int hoehe, bool sichtbar) {
        platziere(g, top, hoehe, sichtbar);
        top = g->y() + g->height() + 8;
    };
    stapel(GroupBox_Drehzahl, zeige_Drehzahl(top), true);
    stapel(GroupBox_Drosselklappe, zeige_Drosselklappe(top), true);
    stapel(GroupBox_Luftdruck, zeige_Luftdruck(top), true);
    {
        const int h = zeige_Lambda_1(top);
        stapel(GroupBox_Lambda_1, h, h > 0);
    }
    {
        const int h = zeige_Lambda_2(top);
        stapel(GroupBox_Lambda_2, h, h > 0);
    }

    top = 8;
    stapel(GroupBox_Temperaturen, zeige_Temperaturen(top), true);
    stapel(GroupBox_Oel, zeige_Oel(top), typ1 && (P(2371) > 0 || P(2375) > 0));
    stapel(GroupBox_Verstellung, zeige_Verstellung(top), P(2155) > 0 || P(2156) > 0 || P(2381) > 0);
    stapel(GroupBox_Betriebsdaten, zeige_Betriebsdaten(top), true);

    zeige_Status();

    const QGroupBox* letzte = GroupBox_Drosselklappe;
    for (const QGroupBox* g : {GroupBox_Lambda_2, GroupBox_Lambda_1, GroupBox_Luftdruck})
        if (sicht_.sichtbar(g)) {
            letzte = g;
            break;
        }
    setFixedHeight(std::max(unten(letzte), unten(Label_Motorstatus_Lambda)) + 8);
    sicht_.anwenden();
}

int TForm_Status::zeige_Drehzahl(int) {
    const auto& L = k.ecu_Befehle().akt_Daten;
    const auto& B = k.ecu_Befehle().akt_Daten_B;
    Drehzahl.setze_Top(24);
    Drehzahl.Wert->setText(QString::number(L.u16(10)));
    const bool soll = static_cast<uint64_t>(P(1151)) >= 2;
    Solldrehzahl.zeige(soll);
    Solldrehzahl.setze_Top(48);
    Solldrehzahl.Wert->setText(B.u16(54) == 0 ? QStringLiteral("- - -")
                                              : QString::number(B.u16(54)));
    Drehzahlfehler.Wert->setText(QString::number(L.u16(30)) + '/' + QString::number(L.u16(24)));
    Drehzahlfehler.setze_Top(soll ? 72 : 48);
    return soll ? 104 : 80;
}

int TForm_Status::zeige_Drosselklappe(int) {
    auto& A = k.ecu_Befehle().akt_Daten_A;
    const auto& L = k.ecu_Befehle().akt_Daten;
    cl_Version& v = k.version();
    const uint16_t zustand = L.u16(82);
    if (v.in_Versionsmenge({3}))
        A.setze_u16(62, static_cast<uint16_t>(L.u16(72) * 10));
    Drosselklappe.Wert->setText(mal(A.s16(62), 0.1, "%5.1f"));
    Drosselklappe.Spannung->setText(Volt(L.u16(38)));
    faerbe(Drosselklappe.Wert,
           v.in_Versionsmenge({1}) || (zustand & (1U << 4)) ? Gueltig : Ungueltig);
    Soll_Drosselklappe.Wert->setText(mal(A.s16(72), 0.1, "%5.1f"));
    Ausgang.Wert->setText(QString::number(A.s16(74)));
    faerbe(Pedal.Wert, zustand & (1U << 8) ? Gueltig : Ungueltig);
    if (P(1151) != 0) {
        Pedal.setze_Top(24);
        Pedal.Wert->setText(mal(A.s16(60), 0.1, "%5.1f"));
        Pedal.Spannung->setText(Volt(A.s16(56)));
        Soll_Drosselklappe.setze_Top(48);
        Drosselklappe.setze_Top(72);
        Ausgang.setze_Top(96);
        for (const Zeile* z : {&Pedal, &Soll_Drosselklappe, &Ausgang})
            z->zeige(true);
        Leerlaufsteller.zeige(false);
        return 128;
    }
    for (const Zeile* z : {&Pedal, &Soll_Drosselklappe, &Ausgang})
        z->zeige(false);
    Drosselklappe.setze_Top(24);
    if (P(131) > 0) {
        Leerlaufsteller.setze_Top(48);
        Leerlaufsteller.Wert->setText(
            QString::asprintf("%4.0f", (L.u16(22) - 128) * 100.0 / 128.0));
        Leerlaufsteller.zeige(true);
        return 80;
    }
    Leerlaufsteller.zeige(false);
    return 56;
}

int TForm_Status::zeige_Luftdruck(int) {
    const auto& L = k.ecu_Befehle().akt_Daten;
    const auto& A = k.ecu_Befehle().akt_Daten_A;
    const auto& B = k.ecu_Befehle().akt_Daten_B;
    cl_Version& v = k.version();
    const uint16_t zustand = L.u16(82);
    int pos = 24;
    if (P(76) == 1) {
        Luftmasse.setze_Top(pos);
        Luftmasse.Wert->setText(QString::asprintf(" %5.1f", L.u16(26) * 100.0 / 1024.0));
        Luftmasse.Spannung->setText(Volt(L.u16(52)));
        faerbe(Luftmasse.Wert, zustand & (1U << 6) ? Gueltig : Ungueltig);
        Luftmasse.zeige(true);
        pos = 48;
    } else {
        Luftmasse.zeige(false);
    }
    Druck_intern.Wert->setText(QString::number(L.s16(80)));
    faerbe(Druck_intern.Wert, zustand & (1U << 3) ? Gueltig : Ungueltig);
    Druck_intern.Spannung->setText(Volt(L.u16(50)));
    Druck_extern.Wert->setText(QString::number(A.s16(66)));
    Druck_extern.Spannung->setText(Volt(L.u16(48)));
    faerbe(Druck_extern.Wert, zustand & (1U << 5) ? Gueltig : Ungueltig);
    const bool doppelt = v.in_Versionsmenge({2}) && P(54) > 0;
    if (doppelt) {
        Druck_extern.Wert->setText(Druck_intern.Wert->text());
        Druck_extern.Spannung->setText(Druck_intern.Spannung->text());
        faerbe(Druck_extern.Wert, Druck_intern.Wert->palette().color(QPalette::WindowText));
    }
    const bool intern = v.Option_138() && !doppelt;
    Druck_intern.zeige(intern);
    if (intern) {
        Druck_intern.setze_Top(pos);
        pos += 24;
    }
    Druck_extern.zeige(P(54) > 0);
    if (P(54) > 0) {
        Druck_extern.setze_Top(pos);
        pos += 24;
    }
    if (P(1119) > 0) {
        const bool soll = !fruehe_Software();
        Soll_Ladedruck.zeige(soll);
        Soll_Ladedruck.setze_Top(pos);
        Soll_Ladedruck.Wert->setText(QString::number(B.s16(88)));
        pos += 24;
        Ladedruck_Ausgang.setze_Top(pos);
        Ladedruck_Ausgang.Wert->setText(
            QString::number(skaliere_255_auf_100(static_cast<float>(L.s16(28)))));
        Ladedruck_Ausgang.zeige(true);
        pos += 24;
    } else {
        Soll_Ladedruck.zeige(false);
        Ladedruck_Ausgang.zeige(false);
    }
    return pos + 8;
}

namespace {

QString Zusatz(const cl_Datensatz& B, bool aus) {
    if (aus)
        return {};
    const int16_t w = B.s16(62);
    return '(' + QString(w >= 0 ? "+" : "") + QString::asprintf("%5.2f", w * 0.001).trimmed() + ')';
}

int Sondentemperatur(int16_t roh) {
    return ((roh + 2) / 5) * 5;
}

} // namespace

int TForm_Status::zeige_Lambda_1(int) {
    const auto& L = k.ecu_Befehle().akt_Daten;
    const auto& A = k.ecu_Befehle().akt_Daten_A;
    const auto& B = k.ecu_Befehle().akt_Daten_B;
    cl_Version& v = k.version();
    const bool frueh = fruehe_Software();
    int m = 0;
    if (v.ECU_Typ() == 1)
        m = frueh ? ((P(1947) == 0 || P(1947) == 2) ? -1 : 2) : static_cast<int>(P(2207));
    bool t = false;
    if (!(v.in_Versionsmenge({4}) || v.ECU_Typ() == 2))
        t = frueh ? (P(60) > 0 && P(1947) != 2) : (P(60) > 0 || P(2395) > 0);
    if (m == 0 && !t)
        return 0;
    int pos = 48;
    Lambda_1.setze_Top(24);
    Sondentemperatur_1.setze_Top(48);
    Lambda_1.zeige(m != 0);
    Sondentemperatur_1.zeige(false);
    Lambda_1.Spannung->setText(QString());
    if (m == -1) {
        Lambda_1.Wert->setText(QString::asprintf(
            "%5.2f", static_cast<double>(ADC_zu_Volt(static_cast<float>(L.u16(42))))));
    } else if (m == 1) {
        Lambda_1.Wert->setText(mal(A.s16(96), 0.001, "%6.2f"));
        Lambda_1.Spannung->setText(Volt(L.u16(42)));
    } else if (m != 0) {
        Lambda_1.Wert->setText(mal(A.s16(96), 0.001, "%6.2f"));
        Sondentemperatur_1.Wert->setText(QString::number(Sondentemperatur(A.s16(80))));
        Sondentemperatur_1.zeige(true);
        pos = 72;
    }
    const bool gueltig = (L.u16(82) & 1U) || v.in_Versionsmenge({5});
    return zeige_Sondenrest({Lambda_1, Sondentemperatur_1, Soll_Lambda_1, Lambdaregelung_1}, pos, t,
                            A.s16(94), gueltig, P(60) >= 1, B.s16(64));
}

// The rows below a probe's own value and temperature: its target lambda, and its control
// value; the colour of its values by their valid bit.
int TForm_Status::zeige_Sondenrest(const Sonde& s, int pos, bool soll, int sollwert, bool gueltig,
                                   bool regelung, int regelwert) {
    const auto& B = k.ecu_Befehle().akt_Daten_B;
    s.Soll.zeige(soll);
    if (soll) {
        s.Soll.setze_Top(pos);
        s.Soll.Wert->setText(mal(sollwert, 0.001, "%5.2f"));
        s.Soll.Spannung->setText(Zusatz(B, fruehe_Software() || P(2381) == 0));
        pos += 24;
    }
    faerbe(s.Lambda.Wert, gueltig ? Gueltig : Ungueltig);
    faerbe(s.Temperatur.Wert, gueltig ? Gueltig : Ungueltig);
    s.Regelung.zeige(regelung);
    if (regelung) {
        s.Regelung.setze_Top(pos);
        s.Regelung.Wert->setText(mal(regelwert, 0.1, "%5.1f"));
        pos += 24;
    }
    return pos + 8;
}

int TForm_Status::zeige_Lambda_2(int) {
    const auto& L = k.ecu_Befehle().akt_Daten;
    const auto& A = k.ecu_Befehle().akt_Daten_A;
    const auto& B = k.ecu_Befehle().akt_Daten_B;
    cl_Version& v = k.version();
    const bool frueh = fruehe_Software();
    const bool bank2 = k.parameter().Bitzahl >= 1;
    int m = 0;
    if (v.ECU_Typ() == 1)
        m = frueh ? (P(1947) >= 2 ? static_cast<int>(P(1947)) : 0) : static_cast<int>(P(2208));
    bool t = false;
    if (!(v.in_Versionsmenge({4}) || v.ECU_Typ() == 2))
        t = frueh ? (P(60) > 0 && m == 2) : (P(2390) > 0 || P(2395) > 0);
    if (m == 0 && !(t && bank2))
        return 0;
    int pos = 48;
    Lambda_2.setze_Top(24);
    Sondentemperatur_2.setze_Top(48);
    Lambda_2.zeige(m != 0);
    Sondentemperatur_2.zeige(false);
    Lambda_2.Wert->setText(mal(A.s16(64), 0.001, "%6.2f"));
    Lambda_2.Spannung->setText(m == 1 ? Volt(B.s16(86)) : QString());
    if (m != 0 && m != 1) {
        Sondentemperatur_2.Wert->setText(QString::number(Sondentemperatur(B.s16(16))));
        Sondentemperatur_2.zeige(true);
        pos = 72;
    }
    const bool gueltig = (L.u16(82) & (1U << 7)) || v.in_Versionsmenge({5});
    return zeige_Sondenrest({Lambda_2, Sondentemperatur_2, Soll_Lambda_2, Lambdaregelung_2}, pos,
                            t && bank2, B.s16(18), gueltig, P(2390) >= 1, B.s16(66));
}

int TForm_Status::zeige_Temperaturen(int) {
    const auto& L = k.ecu_Befehle().akt_Daten;
    const auto& A = k.ecu_Befehle().akt_Daten_A;
    cl_Version& v = k.version();
    const uint16_t zustand = L.u16(82);
    const bool frueh = fruehe_Software();
    Motortemperatur.setze_Top(24);
    Motortemperatur.Wert->setText(QString::number(L.s16(74)));
    Motortemperatur.Spannung->setText(Volt(L.u16(44)));
    faerbe(Motortemperatur.Wert, zustand & (1U << 1) ? Gueltig : Ungueltig);
    Lufttemperatur.setze_Top(48);
    Lufttemperatur.Wert->setText(QString::number(L.s16(78)));
    Lufttemperatur.Spannung->setText(Volt(L.u16(46)));
    faerbe(Lufttemperatur.Wert, zustand & (1U << 2) ? Gueltig : Ungueltig);
    int pos = 72;
    const bool abgas = v.ECU_Typ() <= 2 && P(1940) >= 1;
    Abgas_1.zeige(abgas);
    const int hw = v.Hardware_Haupt();
    const bool abgas2 = abgas && !(hw >= 301 && hw <= 399);
    Abgas_2.zeige(abgas2);
    if (abgas) {
        Abgas_1.setze_Top(72);
        Abgas_1.Wert->setText(QString::number(A.s16(90)));
        Abgas_1.Spannung->setText(Volt(A.s16(86)));
        faerbe(Abgas_1.Wert, frueh || (zustand & (1U << 10)) ? Gueltig : Ungueltig);
        Abgas_2.setze_Top(96);
        Abgas_2.Wert->setText(QString::number(A.s16(92)));
        Abgas_2.Spannung->setText(Volt(A.s16(88)));
        faerbe(Abgas_2.Wert, !frueh && !(zustand & (1U << 11)) ? Ungueltig : Gueltig);
        pos = abgas2 ? 120 : 96;
    }
    Innentemperatur.setze_Top(pos);
    Innentemperatur.Wert->setText(mal(L.s16(18), 0.1, "%5.1f"));
    Innentemperatur.Spannung->setText(Volt(L.u16(14)));
    return pos + 32;
}

int TForm_Status::zeige_Oel(int) {
    const auto& L = k.ecu_Befehle().akt_Daten;
    const auto& B = k.ecu_Befehle().akt_Daten_B;
    const uint16_t zustand = L.u16(82);
    int pos = 24;
    Oeltemperatur.zeige(P(2371) > 0);
    if (P(2371) > 0) {
        Oeltemperatur.setze_Top(pos);
        Oeltemperatur.Wert->setText(mal(B.s16(72), 0.1, "%5.0f"));
        Oeltemperatur.Spannung->setText(Volt(B.s16(70)));
        faerbe(Oeltemperatur.Wert, zustand & (1U << 12) ? Gueltig : Ungueltig);
        pos += 24;
    }
    Oeldruck.zeige(P(2375) > 0);
    if (P(2375) > 0) {
        Oeldruck.setze_Top(pos);
        Oeldruck.Wert->setText(QString::number(B.s16(76)));
        Oeldruck.Spannung->setText(Volt(B.s16(74)));
        faerbe(Oeldruck.Wert, zustand & (1U << 13) ? Gueltig : Ungueltig);
        pos += 24;
    }
    return pos + 8;
}

int TForm_Status::zeige_Verstellung(int) {
    const auto& C = k.ecu_Befehle().akt_Daten_C;
    int pos = 24;
    for (auto [zeile, parameter, wert, spannung] :
         {std::tuple{&Verstellung_Einspritzung, 2155, 6, 4},
          std::tuple{&Verstellung_Zuendung, 2156, 2, 0},
          std::tuple{&Verstellung_Lambda, 2381, 10, 8}}) {
        const bool an = P(parameter) > 0;
        zeile->zeige(an);
        if (!an)
            continue;
        zeile->setze_Top(pos);
        zeile->Wert->setText(mal(C.s16(wert), 0.1, "%5.1f"));
        const int16_t u = C.s16(spannung);
        zeige(zeile->Spannung, u >= 0);
        zeile->Spannung->setText(Volt(u));
        pos += 24;
    }
    return pos + 8;
}

int TForm_Status::zeige_Betriebsdaten(int) {
    const auto& L = k.ecu_Befehle().akt_Daten;
    const auto& A = k.ecu_Befehle().akt_Daten_A;
    const auto& B = k.ecu_Befehle().akt_Daten_B;
    const bool frueh = fruehe_Software();
    Batterie.setze_Top(24);
    Batterie.Wert->setText(QString::asprintf(
        "%5.2f", static_cast<double>(ADC_zu_Volt(static_cast<float>(L.s16(76))))));
    int pos = 48;
    Zeit_seit_Start.zeige(!frueh);
    if (!frueh) {
        Zeit_seit_Start.setze_Top(pos);
        Zeit_seit_Start.Wert->setText(Zehntel_zu_Zeit(B.u32(90) / 100));
        pos += 24;
    }
    Betriebszeit.setze_Top(pos);
    Betriebszeit.Wert->setText(Zehntel_zu_Zeit(A.s32(44)));
    pos += 24;
    const bool uhr = !(frueh && P(2536) == 0);
    Stoppuhr.zeige(uhr);
    if (uhr) {
        Stoppuhr.setze_Top(pos);
        Stoppuhr.Wert->setText(ms_zu_Zeit(L.s32(54)));
        pos += 24;
    }
    Umdrehungen.setze_Top(pos);
    Umdrehungen.Wert->setText(QString::number(A.s32(48)));
    pos += 24;
    Fehlerzahl.setze_Top(pos);
    Fehlerzahl.Wert->setText(QString::number(A.u16(54)));
    pos += 24;
    Loggerdaten.setze_Top(pos);
    Loggerdaten.Wert->setText(QString::number(A.s32(82)));
    return pos + 30;
}

int TForm_Status::zeige_Einspritzzeit(int) {
    const auto& L = k.ecu_Befehle().akt_Daten;
    const auto& A = k.ecu_Befehle().akt_Daten_A;
    const auto& B = k.ecu_Befehle().akt_Daten_B;
    cl_Version& v = k.version();
    const bool frueh = fruehe_Software();
    zeige(Label_Bank_1, !frueh);
    zeige(Label_Bank_2, !frueh);
    int pos = frueh ? 24 : 40;
    const auto zeile = [&pos](const Zeile& z, int wert, int schritt) {
        z.zeige(true);
        z.setze_Top(pos);
        z.Wert->setText(us(wert));
        pos += schritt;
    };
    const auto zeile2 = [&pos](const Zeile& z, int w1, int w2, int schritt) {
        z.zeige(true);
        z.setze_Top(pos);
        z.Wert->setText(us(w1));
        z.Wert2->setText(us(w2));
        pos += schritt;
    };
    for (const Zeile* z : {&Grundkennfeld, &Luftkorrektur, &Leerlauf_Einspritzung,
                           &Luftmasse_Einspritzung, &Unterdruck, &Luftmassenkorrektur})
        z->zeige(false);
    const int64_t last = frueh ? P(76) : L.u16(58);
    if (last == 0) {
        zeile(Grundkennfeld, A.s16(12), 16);
        zeile(Luftkorrektur, A.s16(18), 18);
        if (P(131) > 0)
            zeile(Leerlauf_Einspritzung, A.s16(20), 18);
    } else if (last == 1) {
        zeile(Luftmasse_Einspritzung, A.s16(8), 18);
        zeile(Luftmassenkorrektur, A.s16(10), 18);
    } else {
        zeile(Unterdruck, A.s16(14), 18);
        zeile(Luftmassenkorrektur, A.s16(10), 18);
        zeile(Luftkorrektur, A.s16(18), 18);
    }
    Einspritzzeit_Verstellung.zeige(false);
    if (!frueh && P(2155) != 0)
        zeile(Einspritzzeit_Verstellung, B.s16(84), 18);
    Soll_Lambda_Einspritzung.zeige(false);
    if (!frueh && !ist_ECU_Typ_2 && P(2395) > 0 && !v.in_Versionsmenge({4}))
        zeile(Soll_Lambda_Einspritzung, B.s16(82), 18);
    // The separators sit in the gap above their rows, clear of the rows' text.
    Linie_1->move(8, pos + 4);
    pos += 12;
    zeile(Grundmenge, A.s16(16), 24);
    zeile(Motortemperatur_Einspritzung, A.s16(22), 18);
    zeile2(Lambdaregelung_Einspritzung, A.s16(30), B.s16(68), 18);
    if (frueh)
        Lambdaregelung_Einspritzung.Wert2->setText(QString());
    zeile(Renneingang, A.s16(28), 18);
    zeile(Beschleunigung, A.s16(24), 18);
    if (!frueh) {
        zeile2(Abgastemperatur_Einspritzung, B.s16(78), B.s16(94), 18);
        zeile2(Verstellwert, B.s16(42), B.s16(44), 18);
    } else {
        Abgastemperatur_Einspritzung.zeige(false);
        Verstellwert.zeige(false);
    }
    int s = A.s16(26);
    if (L.u8(12) & 1U) {
        Schaltzeit.Kopf->setText(hole_Text(172) + QStringLiteral(" / 2"));
        s = s - s / 2;
    } else {
        Schaltzeit.Kopf->setText(hole_Text(172));
    }
    zeile(Schaltzeit, s, 18);
    Linie_2->move(8, pos + 4);
    pos += 12;
    zeile2(Einspritzzeit, L.u16(32), B.s16(40), 18);
    Einspritzduese.zeige(true);
    Einspritzduese.setze_Top(pos);
    if (v.Version() >= 506) {
        Einspritzduese.Wert->setText(mal(A.s16(70), 0.1, "%5.1f"));
        Einspritzduese.Wert2->setText(mal(B.s16(98), 0.1, "%5.1f"));
    } else {
        Einspritzduese.Wert->setText(
            QString::asprintf("%5.1f", L.u16(32) * static_cast<double>(L.u16(10)) / 750000.0));
    }
    pos += 24;
    Verbrauch.zeige(!ist_ECU_Typ_2 && P(1134) > 0);
    if (!ist_ECU_Typ_2 && P(1134) > 0) {
        Verbrauch.setze_Top(pos);
        Verbrauch.Wert->setText(mal(A.u16(52), 0.1, "%6.1f"));
        pos += 18;
    }
    Einspritzende.zeige(!frueh);
    if (!frueh) {
        Einspritzende.setze_Top(pos);
        Einspritzende.Wert->setText(QString::number(B.s16(46)));
        pos += 18;
    }
    zeige(Einspritzduese.Einheit, false);
    const bool bank2 = k.parameter().Bitzahl >= 1;
    // A hidden row's cell stays hidden: shown, it would stand alone at the row's last place.
    for (const Zeile* z : {&Lambdaregelung_Einspritzung, &Abgastemperatur_Einspritzung,
                           &Verstellwert, &Einspritzzeit, &Einspritzduese})
        zeige(z->Wert2, bank2 && z->sichtbar());
    return pos + 8;
}

int TForm_Status::zeige_Zuendung(int) {
    const auto& A = k.ecu_Befehle().akt_Daten_A;
    const auto& B = k.ecu_Befehle().akt_Daten_B;
    const auto& L = k.ecu_Befehle().akt_Daten;
    int offset = 32;
    for (const Zeile* z :
         {&Zuendkennfeld, &Zuendung_Lufttemperatur, &Zuendung_Luftdruck, &Zuendung_Motortemperatur,
          &Zuendung_Beschleunigung, &Funktionseingang}) {
        z->Wert->setText(QString::number(A.s16(offset)));
        offset += 2;
    }
    Zuendverstellung.Wert->setText(QString::number(B.s16(58)));
    Zuendwinkel.Wert->setText(QString::number(L.s16(34)));
    return 180;
}

void TForm_Status::zeige_Status() {
    const auto& L = k.ecu_Befehle().akt_Daten;
    Label_Motorstatus->move(Label_Motorstatus->x(),
                            std::max(unten(GroupBox_Betriebsdaten), unten(GroupBox_Zuendung)) + 8);
    Label_Motorstatus_Lambda->move(Label_Motorstatus_Lambda->x(), Label_Motorstatus->y() + 24);
    const int l8 = L.u16(8);
    const int index = l8 < 4 ? l8 : (l8 < 20 ? 4 : 5);
    QString text = hole_Teiltext(hole_Text(193), index);
    Label_Motorstatus_Lambda->setText(QString());
    if (k.version().ECU_Typ() == 1 && l8 >= 4) {
        text += QStringLiteral(" (") + hole_Teiltext(hole_Text(194), l8 - 4) + ')';
        if (!fruehe_Software()) {
            unsigned w = L.u16(16);
            if (w & 1U)
                w &= 0xFFF0;
            if (w & 0x10U)
                w &= 0xFF0F;
            for (int i = 0; i < 16; ++i)
                if (w & (1U << i)) {
                    Label_Motorstatus_Lambda->setText(hole_Teiltext(hole_Text(1287), i));
                    break;
                }
        }
    }
    if (index == 0) {
        if (Befehlsobjekte* b = k.befehle())
            b->Quorvel_Hand_Einspritzzeit_aendern->senden();
        text += ' ' + QString::number(Hand_Schrittweite);
    }
    Label_Motorstatus->setText(text);
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
