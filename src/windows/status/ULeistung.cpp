#include "windows/status/ULeistung.h"

#include "base/Dateiversion.h"
#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "model/Drucker.h"
#include "model/UBefehle.h"
#include "model/UParameter.h"
#include "model/UWeitere_Anfragen.h"
#include "platform/Dateien.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UColorButton.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>

// ---------------------------------------------------------------- curve

namespace {

// Integer interpolation between a point's value and the sample's, in 64 bits: the
// product of a value and a speed difference may pass 2^31.
int32_t interpoliere(int32_t von, int32_t nach, int64_t r, int64_t p, int64_t R) {
    return static_cast<int32_t>(von + (int64_t{nach} - von) * (r - p) / (R - p));
}

} // namespace

void Leistungskurve::fuege_Messpunkt_ein(int drehzahl, int leistung, int drehmoment) {
    const int32_t R = (drehzahl + 10) / 20 * 20;
    if (Punkte.empty()) {
        cl_Leistungsdaten p;
        p.Drehzahl = R;
        p.Leistung = leistung;
        p.Drehmoment = drehmoment;
        Punkte.push_back(p);
        aktuell = 0;
        return;
    }
    if (drehmoment >= 0) {
        // A rise goes on from the curve's last point, never from one inside it, so that the
        // curve keeps one point per 20 rpm.
        const cl_Leistungsdaten P = Punkte.back();
        if (R < P.Drehzahl + 20)
            return;
        for (int32_t r = P.Drehzahl + 20; r <= R; r += 20) {
            cl_Leistungsdaten n;
            n.Drehzahl = r;
            n.Leistung = interpoliere(P.Leistung, leistung, r, P.Drehzahl, R);
            n.Drehmoment = interpoliere(P.Drehmoment, drehmoment, r, P.Drehzahl, R);
            Punkte.push_back(n);
        }
        aktuell = static_cast<int>(Punkte.size()) - 1;
        return;
    }
    const cl_Leistungsdaten P = Punkte[static_cast<size_t>(aktuell)];
    if (R > P.Drehzahl - 20)
        return;
    int i = aktuell;
    for (int32_t r = P.Drehzahl - 20; r >= R && i > 0; r -= 20) {
        --i;
        cl_Leistungsdaten& n = Punkte[static_cast<size_t>(i)];
        n.Verlustleistung = interpoliere(P.Verlustleistung, leistung, r, P.Drehzahl, R);
        n.Verlustmoment = interpoliere(P.Verlustmoment, drehmoment, r, P.Drehzahl, R);
    }
    aktuell = i;
}

QByteArray Leistungskennlinie_Inhalt(const Leistungskurve& kurve, int max_Drehzahl) {
    QByteArray b;
    const auto wort = [&b](int64_t w) {
        b.append(static_cast<char>(w & 0xFF));
        b.append(static_cast<char>((w >> 8) & 0xFF));
    };
    wort(max_Drehzahl);
    const int32_t erster = kurve.leer() ? 0 : kurve.Punkte.front().Drehzahl / 20;
    const int32_t letzter = kurve.leer() ? -1 : kurve.Punkte.back().Drehzahl / 20;
    wort(erster);
    wort(erster);
    wort(letzter);
    for (auto feld : {&cl_Leistungsdaten::Leistung, &cl_Leistungsdaten::Verlustleistung,
                      &cl_Leistungsdaten::Drehmoment, &cl_Leistungsdaten::Verlustmoment})
        for (const cl_Leistungsdaten& p : kurve.Punkte)
            wort(p.*feld);
    wort(10);
    wort(10);
    return b;
}

bool lies_Leistungskennlinie(const QByteArray& inhalt, Leistungskurve& kurve, int& max_Drehzahl) {
    kurve.loesche();
    qsizetype pos = 0;
    const auto wort = [&](int32_t& w) {
        if (pos + 2 > inhalt.size())
            return false;
        w = static_cast<int16_t>(static_cast<uint16_t>(
            static_cast<uint8_t>(inhalt[pos]) | (static_cast<uint8_t>(inhalt[pos + 1]) << 8)));
        pos += 2;
        return true;
    };
    int32_t achse = 0;
    if (!wort(achse))
        return false;
    max_Drehzahl = achse == 0 ? 1 : achse;
    int32_t erster = 0;
    int32_t zweiter = 0;
    int32_t letzter = 0;
    if (!wort(erster) || !wort(zweiter) || !wort(letzter))
        return false;
    for (int32_t n = erster; n <= letzter; ++n) {
        cl_Leistungsdaten p;
        p.Drehzahl = n * 20;
        kurve.Punkte.push_back(p);
    }
    if (!kurve.Punkte.empty())
        kurve.aktuell = static_cast<int>(kurve.Punkte.size()) - 1;
    for (auto feld : {&cl_Leistungsdaten::Leistung, &cl_Leistungsdaten::Verlustleistung,
                      &cl_Leistungsdaten::Drehmoment, &cl_Leistungsdaten::Verlustmoment})
        for (cl_Leistungsdaten& p : kurve.Punkte)
            if (!wort(p.*feld))
                return false;
    return true;
}

// ---------------------------------------------------------------- measurement

Leistungsmessung::Leistungsmessung(Kontext& kontext) : k(kontext) {
    InterAction().Create(
        cl_Parameter::Klasse, [this](Sender&) { Parameter_geladen(); }, cl_Parameter::Gelesen);
    InterAction().Create(
        cl_Parameter::Klasse, [this](Sender&) { Parameter_gesendet(); }, cl_Parameter::Geschrieben);
    InterAction().Create(
        cl_Quorvel_starte_Leistungsmessung::Klasse,
        [this](Sender&) { Leistungsmessung_gestartet(); }, cl_COM_data::Beantwortet);
    InterAction().Create(
        cl_Leistung_Quorvel::Klasse, [this](Sender&) { Leistungsdaten_angekommen(); },
        cl_COM_data::Beantwortet);
    InterAction().Create(
        cl_Quorvel_beende_Leistungsmessung::Klasse, [this](Sender&) { Leistungsmessung_beendet(); },
        cl_COM_data::Beantwortet);
}

void Leistungsmessung::melde() {
    if (geaendert)
        geaendert();
}

void Leistungsmessung::Achse_aus_Parameter() {
    const int64_t n = k.parameter().Wert(5);
    max_Drehzahl = n == 0 ? 1 : static_cast<int>(n);
}

void Leistungsmessung::Start_Stopp(const QString& masse, const QString& drehzahl,
                                   const QString& glaettung, int luftkorrektur) {
    if (!k.link().ist_verbunden())
        return;
    if (Messung_laeuft) {
        if (Befehlsobjekte* b = k.befehle())
            b->Quorvel_beende_Leistungsmessung->starten();
        melde();
        return;
    }
    Kurve.loesche();
    cl_Parameter& p = k.parameter();
    const auto setze = [&p](int nummer, const QString& text) {
        bool ok = false;
        const int wert = text.trimmed().toInt(&ok);
        if (ok)
            p.setze_Wert(nummer, wert);
    };
    setze(200, masse);
    setze(202, drehzahl);
    setze(203, glaettung);
    p.setze_Wert(204, luftkorrektur);
    Gesamtleistung = false;
    // A transfer of the parameters under way refuses the write: then nothing runs, and the
    // button keeps offering the start.
    if (p.schreiben()) {
        Messung_laeuft = true;
        Start_ausstehend = true;
    }
    melde();
}

void Leistungsmessung::Parameter_gesendet() {
    if (Kurve.leer() && Vergleichskurve.leer()) {
        Achse_aus_Parameter();
        melde();
    }
    // The set announces its write twice; the measurement starts once.
    if (!Messung_laeuft || !Start_ausstehend)
        return;
    if (Befehlsobjekte* b = k.befehle()) {
        Start_ausstehend = false;
        b->Quorvel_starte_Leistungsmessung->starten();
    }
}

void Leistungsmessung::Leistungsmessung_gestartet() {
    k.weitere_Anfragen().Leistung_Quorvel->starten();
}

void Leistungsmessung::Leistungsdaten_angekommen() {
    cl_Leistung_Quorvel& a = *k.weitere_Anfragen().Leistung_Quorvel;
    const auto s16 = [&a](int o) {
        return static_cast<int16_t>(lies_Wort(a.Datensatz.data() + o));
    };
    Kurve.fuege_Messpunkt_ein(s16(2), s16(6), s16(8));
    if (Messung_laeuft)
        a.starten();
    melde();
}

void Leistungsmessung::Leistungsmessung_beendet() {
    Messung_laeuft = false;
    Start_ausstehend = false;
    if (Befehlsobjekte* b = k.befehle())
        b->Quorvel_starte_Leistungsmessung->verberge_Meldung();
    melde();
}

void Leistungsmessung::Parameter_geladen() {
    cl_Parameter& p = k.parameter();
    if (zeige_Parameter)
        zeige_Parameter(static_cast<int>(p.Wert(200)), static_cast<int>(p.Wert(202)),
                        static_cast<int>(p.Wert(203)), p.Wert(204) != 0 ? 1 : 0);
    if (Kurve.leer() && Vergleichskurve.leer()) {
        Achse_aus_Parameter();
        melde();
    }
}

void Leistungsmessung::waehle_Skala_min(int index) {
    if (index < 0 || index >= static_cast<int>(Skala.size()))
        return;
    Index_min = index;
    Skala_min = -Skala[static_cast<size_t>(index)];
    melde();
}

void Leistungsmessung::waehle_Skala_max(int index) {
    if (index < 0 || index >= static_cast<int>(Skala.size()))
        return;
    Index_max = index;
    Skala_max = Skala[static_cast<size_t>(index)];
    melde();
}

void Leistungsmessung::loeschen() {
    Achse_aus_Parameter();
    Kurve.loesche();
    Vergleichskurve.loesche();
    Gesamtleistung = false;
    melde();
}

void Leistungsmessung::addieren() {
    Gesamtleistung = !Gesamtleistung;
    melde();
}

Leistungsmessung::Anzeigewerte Leistungsmessung::Anzeige(const cl_Leistungsdaten& p) const {
    if (Gesamtleistung)
        return {int64_t{p.Leistung} - p.Verlustleistung, int64_t{p.Drehmoment} - p.Verlustmoment, 0,
                0};
    return {p.Leistung, p.Drehmoment, p.Verlustleistung, p.Verlustmoment};
}

void Leistungsmessung::aktualisiere_Skala() {
    speichern_frei = !Kurve.leer();
    if (Kurve.leer() && Vergleichskurve.leer()) {
        Skalen_frei = true;
        Kurvenknoepfe_frei = false;
        Gesamtleistung = false;
        max_Leistung = max_Drehmoment = min_Verlustleistung = min_Verlustmoment = 0;
        return;
    }
    int64_t P = 0, M = 0, VP = 0, VM = 0;
    const auto ueber = [&](const Leistungskurve& kurve) {
        for (const cl_Leistungsdaten& p : kurve.Punkte) {
            const Anzeigewerte a = Anzeige(p);
            P = std::max(P, a.Leistung);
            M = std::max(M, a.Drehmoment);
            VP = std::min(VP, a.Verlustleistung);
            VM = std::min(VM, a.Verlustmoment);
        }
    };
    ueber(Kurve);
    // The labels show the current curve's extremes when there is one.
    const auto merke = [&] {
        max_Leistung = P;
        max_Drehmoment = M;
        min_Verlustleistung = VP;
        min_Verlustmoment = VM;
    };
    if (!Kurve.leer())
        merke();
    ueber(Vergleichskurve);
    if (Kurve.leer())
        merke();
    const int64_t oben = std::max(P, M);
    const int64_t unten = std::min(VP, VM);
    Index_max = static_cast<int>(Skala.size()) - 1;
    for (size_t i = 0; i < Skala.size(); ++i)
        if (Skala[i] >= oben) {
            Index_max = static_cast<int>(i);
            break;
        }
    Index_min = static_cast<int>(Skala.size()) - 1;
    for (size_t i = 0; i < Skala.size(); ++i)
        if (-Skala[i] <= unten) {
            Index_min = static_cast<int>(i);
            break;
        }
    Skala_max = Skala[static_cast<size_t>(Index_max)];
    Skala_min = -Skala[static_cast<size_t>(Index_min)];
    Skalen_frei = false;
    Kurvenknoepfe_frei = true;
}

bool Leistungsmessung::speichern() {
    if (Kurve.leer())
        return false;
    cl_Dateiversion& v = k.dateiversion();
    v.Beschriftung = QStringLiteral("Leistungskennlinie");
    v.Suffix = QStringLiteral("L");
    v.Speichermodus = 1;
    const int nr = v.zeige_Dialog();
    if (nr < 0)
        return false;
    const QString pfad = v.Dateiname(nr);
    // Through a temporary file renamed over the version: a failed write leaves no
    // truncated version behind, and an existing one the user chose stays as it was.
    const bool ok = Dateien::schreibe_Datei(pfad, Leistungskennlinie_Inhalt(Kurve, max_Drehzahl));
    if (!ok)
        k.meldungen().zeige(Dateien::Schreibfehler(pfad));
    aktualisiere_Skala();
    melde();
    return ok;
}

bool Leistungsmessung::laden() {
    cl_Dateiversion& v = k.dateiversion();
    v.Beschriftung = QStringLiteral("Lesitungskennlinie");
    v.Suffix = QStringLiteral("L");
    v.Speichermodus = 0;
    const int nr = v.zeige_Dialog();
    if (nr < 0)
        return false;
    Vergleichskurve.loesche();
    QFile datei(Dateien::finde(v.Dateiname(nr)));
    const bool ok = datei.open(QIODevice::ReadOnly) &&
                    lies_Leistungskennlinie(datei.readAll(), Vergleichskurve, max_Drehzahl);
    if (!ok)
        k.meldungen().zeige(hole_Text(315));
    melde();
    return ok;
}

// ---------------------------------------------------------------- chart

int Diagrammabbildung::x(const Leistungsmessung& m, int64_t drehzahl) const {
    return static_cast<int>(int64_t{breite} * drehzahl / m.max_Drehzahl + x0);
}

int Diagrammabbildung::y(const Leistungsmessung& m, int64_t wert) const {
    const int64_t spanne = int64_t{m.Skala_max} - m.Skala_min;
    return static_cast<int>(y_unten - (wert - m.Skala_min) * hoehe / (spanne == 0 ? 1 : spanne));
}

namespace {

int Teilung(int v) {
    if (v <= 6)
        return 1;
    if (v <= 12)
        return 2;
    if (v <= 30)
        return 5;
    if (v <= 60)
        return 10;
    if (v <= 120)
        return 20;
    if (v <= 300)
        return 50;
    return 100;
}

const QColor Silber(0xC0, 0xC0, 0xC0);

} // namespace

void zeichne_Achsen(QPainter& p, const Leistungsmessung& m, const Diagrammabbildung& a) {
    const QPen schwarz(Qt::black, 1);
    const QPen gitter(a.Druck ? QColor(Qt::black) : Silber, 1);
    const QFontMetrics fm = p.fontMetrics();
    const int x_null = a.x(m, 0);
    const int y_null = a.y(m, 0);
    p.setPen(schwarz);
    p.drawLine(x_null, y_null, a.x(m, m.max_Drehzahl), y_null);
    p.drawLine(x_null, a.y(m, m.Skala_min), x_null, a.y(m, m.Skala_max));
    const int schritt = m.max_Drehzahl <= 10000 ? 1000 : m.max_Drehzahl <= 20000 ? 2000 : 5000;
    for (int n = schritt; n <= m.max_Drehzahl; n += schritt) {
        const int x = a.x(m, n);
        p.setPen(gitter);
        p.drawLine(x, a.y(m, m.Skala_min), x, a.y(m, m.Skala_max));
        p.setPen(schwarz);
        p.drawLine(x, y_null, x, y_null + 5);
        const QString t = QString::number(n);
        p.drawText(x - fm.horizontalAdvance(t) / 2, y_null + 5 + fm.ascent(), t);
    }
    const auto wertstrich = [&](int v) {
        const int y = a.y(m, v);
        p.setPen(schwarz);
        p.drawLine(x_null - 5, y, x_null, y);
        p.setPen(gitter);
        p.drawLine(x_null, y, a.x(m, m.max_Drehzahl), y);
        p.setPen(schwarz);
        const QString t = QString::number(v);
        p.drawText(x_null - 6 - fm.horizontalAdvance(t), y - fm.height() / 2 + fm.ascent(), t);
    };
    const int oben = Teilung(m.Skala_max);
    for (int v = oben; v <= m.Skala_max; v += oben)
        wertstrich(v);
    const int unten = Teilung(-m.Skala_min);
    for (int v = -unten; v >= m.Skala_min; v -= unten)
        wertstrich(v);
}

void zeichne_Kurve(QPainter& p, const Leistungsmessung& m, const Leistungskurve& kurve,
                   bool vergleich, const Diagrammabbildung& a) {
    QColor rot = vergleich ? QColor(0x80, 0, 0) : QColor(Qt::red);
    QColor gruen = vergleich ? QColor(0, 0x80, 0) : QColor(0, 0xFF, 0);
    if (a.Druck)
        rot = gruen = Qt::black;
    const Qt::PenStyle stil = a.Druck && vergleich ? Qt::DotLine : Qt::SolidLine;
    const QPen leistung(rot, a.Druck ? 2 : 1, stil);
    const QPen moment(gruen, 1, stil);
    // On screen the total power shows no loss lines; the printout draws them on the zero line.
    const bool Verluste = a.Druck || !m.Gesamtleistung;
    for (size_t i = 1; i < kurve.Punkte.size(); ++i) {
        const cl_Leistungsdaten& v = kurve.Punkte[i - 1];
        const cl_Leistungsdaten& n = kurve.Punkte[i];
        const Leistungsmessung::Anzeigewerte av = m.Anzeige(v);
        const Leistungsmessung::Anzeigewerte an = m.Anzeige(n);
        const int x1 = a.x(m, v.Drehzahl);
        const int x2 = a.x(m, n.Drehzahl);
        p.setPen(leistung);
        p.drawLine(x1, a.y(m, av.Leistung), x2, a.y(m, an.Leistung));
        p.setPen(moment);
        p.drawLine(x1, a.y(m, av.Drehmoment), x2, a.y(m, an.Drehmoment));
        if (Verluste && n.Verlustleistung < 0) {
            p.setPen(leistung);
            p.drawLine(x1, a.y(m, av.Verlustleistung), x2, a.y(m, an.Verlustleistung));
            p.setPen(moment);
            p.drawLine(x1, a.y(m, av.Verlustmoment), x2, a.y(m, an.Verlustmoment));
        }
    }
}

// ---------------------------------------------------------------- window

namespace {

// The chart's paint box.
class Leistungsdiagramm : public QWidget {
public:
    Leistungsdiagramm(Leistungsmessung& m, QWidget* eltern) : QWidget(eltern), m_(m) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        QFont f = p.font();
        f.setPointSize(10);
        p.setFont(f);
        Diagrammabbildung a;
        a.x0 = 40;
        a.breite = width() - 80;
        a.y_unten = height() - 25;
        a.hoehe = height() - 50;
        zeichne_Achsen(p, m_, a);
        zeichne_Kurve(p, m_, m_.Vergleichskurve, true, a);
        zeichne_Kurve(p, m_, m_.Kurve, false, a);
    }

private:
    Leistungsmessung& m_;
};

} // namespace

TForm_Leistung::TForm_Leistung(Kontext& kontext)
    : TForm(QStringLiteral("power")), logik_(kontext), k(kontext) {
    setWindowTitle(hole_Text(301));
    resize(760, 560);
    PaintBox = new Leistungsdiagramm(logik_, this);

    GroupBox_Einstellungen = new QGroupBox(hole_Text(302), this);
    GroupBox_Einstellungen->resize(330, 136);
    const auto kopf = [](QWidget* eltern, int text, int x, int y, int breite) {
        auto* l = new QLabel(hole_Text(text), eltern);
        l->setGeometry(x, y, breite, 22);
        return l;
    };
    const auto feld = [this](int y) {
        auto* e = new QLineEdit(GroupBox_Einstellungen);
        e->setGeometry(230, y, 90, 22);
        return e;
    };
    kopf(GroupBox_Einstellungen, 306, 10, 22, 215);
    kopf(GroupBox_Einstellungen, 307, 10, 50, 215);
    kopf(GroupBox_Einstellungen, 308, 10, 78, 215);
    kopf(GroupBox_Einstellungen, 309, 10, 106, 215);
    Edit_Masse = feld(22);
    Edit_Drehzahl = feld(50);
    Edit_Glaettung = feld(78);
    ComboBox_mit_Luftkorrektur = new QComboBox(GroupBox_Einstellungen);
    ComboBox_mit_Luftkorrektur->setGeometry(230, 106, 90, 22);
    ComboBox_mit_Luftkorrektur->addItems({QStringLiteral("Nein"), QStringLiteral("Ja")});
    ComboBox_mit_Luftkorrektur->setCurrentIndex(0);

    GroupBox_min_max = new QGroupBox(hole_Text(303), this);
    GroupBox_min_max->move(5, 5);
    QLabel* kopf_min = kopf(GroupBox_min_max, 310, 10, 22, 40);
    kopf_min->adjustSize();
    ComboBox_min_P = new QComboBox(GroupBox_min_max);
    ComboBox_min_P->setGeometry(kopf_min->geometry().right() + 11, 20, 64, 24);
    QLabel* kopf_max = kopf(GroupBox_min_max, 311, ComboBox_min_P->geometry().right() + 16, 22, 40);
    kopf_max->adjustSize();
    ComboBox_max_P = new QComboBox(GroupBox_min_max);
    ComboBox_max_P->setGeometry(kopf_max->geometry().right() + 11, 20, 64, 24);
    for (int s : Leistungsmessung::Skala) {
        ComboBox_min_P->addItem(QString::number(s));
        ComboBox_max_P->addItem(QString::number(s));
    }
    ComboBox_min_P->setCurrentIndex(logik_.Index_min);
    ComboBox_max_P->setCurrentIndex(logik_.Index_max);
    GroupBox_min_max->resize(ComboBox_max_P->geometry().right() + 11, 54);

    const auto wertgruppe = [&](int text, int x, QLabel*& min, QLabel*& max) {
        auto* g = new QGroupBox(hole_Text(text), this);
        g->setGeometry(x, 5, 170, 54);
        kopf(g, 311, 10, 22, 36);
        max = new QLabel(g);
        max->setGeometry(40, 22, 40, 22);
        max->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        kopf(g, 310, 90, 22, 36);
        min = new QLabel(g);
        min->setGeometry(122, 22, 40, 22);
        min->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return g;
    };
    GroupBox_Leistung = wertgruppe(304, GroupBox_min_max->geometry().right() + 11,
                                   Label_min_Leistung, Label_max_Leistung);
    GroupBox_Drehmoment = wertgruppe(305, GroupBox_Leistung->geometry().right() + 11,
                                     Label_min_Drehmoment, Label_max_Drehmoment);

    const auto knopf = [this](int text) {
        auto* b = new QPushButton(hole_Text(text), this);
        b->resize(120, 28);
        return b;
    };
    Button_Messung_starten = knopf(77);
    Button_speichern = knopf(76);
    Button_laden = knopf(75);
    Button_loeschen = knopf(72);
    Button_addieren = knopf(312);
    ColorButton_drucken = new TColorButton(hole_Text(87), this);
    ColorButton_drucken->resize(120, 28);

    connect(ComboBox_min_P, &QComboBox::activated, this,
            [this](int i) { logik_.waehle_Skala_min(i); });
    connect(ComboBox_max_P, &QComboBox::activated, this,
            [this](int i) { logik_.waehle_Skala_max(i); });
    connect(Button_Messung_starten, &QPushButton::clicked, this, [this] {
        logik_.Start_Stopp(Edit_Masse->text(), Edit_Drehzahl->text(), Edit_Glaettung->text(),
                           ComboBox_mit_Luftkorrektur->currentIndex());
    });
    connect(Button_speichern, &QPushButton::clicked, this, [this] { logik_.speichern(); });
    connect(Button_laden, &QPushButton::clicked, this, [this] { logik_.laden(); });
    connect(Button_loeschen, &QPushButton::clicked, this, [this] { logik_.loeschen(); });
    connect(Button_addieren, &QPushButton::clicked, this, [this] { logik_.addieren(); });
    connect(ColorButton_drucken, &QPushButton::clicked, this, [this] { drucke_Diagramm(); });

    logik_.geaendert = [this] { aktualisiere(); };
    logik_.zeige_Parameter = [this](int masse, int drehzahl, int glaettung, int luft) {
        Edit_Masse->setText(QString::number(masse));
        Edit_Drehzahl->setText(QString::number(drehzahl));
        Edit_Glaettung->setText(QString::number(glaettung));
        ComboBox_mit_Luftkorrektur->setCurrentIndex(luft);
    };
    aktualisiere();
    Form_auf_Bildschirm(*this);
}

void TForm_Leistung::aktualisiere() {
    Leistungsmessung& m = logik_;
    m.aktualisiere_Skala();
    ComboBox_min_P->setCurrentIndex(m.Index_min);
    ComboBox_max_P->setCurrentIndex(m.Index_max);
    ComboBox_min_P->setEnabled(m.Skalen_frei);
    ComboBox_max_P->setEnabled(m.Skalen_frei);
    Button_speichern->setEnabled(m.speichern_frei);
    Button_loeschen->setEnabled(m.Kurvenknoepfe_frei);
    Button_addieren->setEnabled(m.Kurvenknoepfe_frei);
    ColorButton_drucken->setEnabled(m.Kurvenknoepfe_frei);
    Button_addieren->setText(hole_Text(m.Gesamtleistung ? 314 : 312));
    Button_Messung_starten->setText(hole_Text(m.Messung_laeuft ? 71 : 77));
    Label_max_Leistung->setText(QString::number(m.max_Leistung));
    Label_min_Leistung->setText(QString::number(m.min_Verlustleistung));
    Label_max_Drehmoment->setText(QString::number(m.max_Drehmoment));
    Label_min_Drehmoment->setText(QString::number(m.min_Verlustmoment));
    PaintBox->update();
}

void TForm_Leistung::resizeEvent(QResizeEvent* event) {
    TForm::resizeEvent(event);
    const int h = height();
    GroupBox_Einstellungen->move(5, h - 5 - GroupBox_Einstellungen->height());
    const int oben = GroupBox_min_max->geometry().bottom() + 6;
    PaintBox->setGeometry(5, oben, width() - 10,
                          std::max(0, GroupBox_Einstellungen->y() - 5 - oben));
    const int x1 = GroupBox_Einstellungen->geometry().right() + 21;
    const int x2 = x1 + Button_Messung_starten->width() + 10;
    const int y0 = GroupBox_Einstellungen->y();
    const int dy = Button_Messung_starten->height() + 5;
    Button_Messung_starten->move(x1, y0);
    Button_speichern->move(x1, y0 + dy);
    Button_laden->move(x1, y0 + 2 * dy);
    Button_loeschen->move(x2, y0);
    Button_addieren->move(x2, y0 + dy);
    ColorButton_drucken->move(x2, y0 + 2 * dy);
}

void TForm_Leistung::drucke_Diagramm() {
    TPrinter_Quorvel& d = k.drucker();
    int kopien = 1;
    if (!d.Druckdialog(kopien))
        return;
    Leistungsmessung& m = logik_;
    while (kopien-- > 0) {
        d.Dokument_beginnen();
        QPainter& c = d.Canvas();
        const int w = d.Seitenbreite - 450;
        const int h = w * 2 / 3;
        const auto hoehe_A = [&c] { return c.fontMetrics().height(); };
        d.setze_Schrift(50, false);
        d.Linie(4 * (hoehe_A() + 25) + h);
        d.setze_Schrift(50, true);
        c.setPen(Qt::black);
        c.drawText(200, d.Zeile_Y + c.fontMetrics().ascent(), hole_Text(301));
        d.setze_Schrift(40, false);
        d.Zeile_Y += hoehe_A() + 50;
        m.aktualisiere_Skala();
        Diagrammabbildung a;
        a.Druck = true;
        a.x0 = 250;
        a.breite = w;
        a.y_unten = d.Zeile_Y + h;
        a.hoehe = h;
        zeichne_Achsen(c, m, a);
        zeichne_Kurve(c, m, m.Vergleichskurve, true, a);
        zeichne_Kurve(c, m, m.Kurve, false, a);
        c.setPen(Qt::black);
        d.Zeile_Y += h + 25;
        const auto zeile = [&](const QString& links, const QString& rechts) {
            const int y = d.Zeile_Y + c.fontMetrics().ascent();
            c.drawText(200, y, links);
            c.drawText(w / 2 + 150, y, rechts);
        };
        d.setze_Schrift(50, false);
        zeile(hole_Text(304), hole_Text(305));
        d.Zeile_Y += hoehe_A() + 15;
        d.setze_Schrift(40, false);
        const QString zwei = QStringLiteral("  ");
        zeile(hole_Text(311) + zwei + QString::number(m.max_Leistung),
              hole_Text(311) + zwei + QString::number(m.max_Drehmoment));
        d.Zeile_Y += hoehe_A() + 5;
        zeile(hole_Text(310) + zwei + QString::number(m.min_Verlustleistung),
              hole_Text(310) + zwei + QString::number(m.min_Verlustmoment));
        d.Zeile_Y += hoehe_A() + 15;
        d.Seite_beenden(kopien > 0);
    }
    d.Dokument_beenden();
}
