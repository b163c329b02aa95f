#include "windows/status/Variantenansicht.h"

#include "base/Uglobal.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"

#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <cmath>
#include <cstring>

// ---------------------------------------------------------------- record bytes

Satz::Satz(const cl_Datensatz& datensatz) : d_(datensatz.Daten) {}

uint8_t Satz::u8(int offset) const {
    return offset >= 0 && static_cast<size_t>(offset) < d_.size() ? d_[static_cast<size_t>(offset)]
                                                                  : 0;
}

uint16_t Satz::u16(int offset) const {
    return static_cast<uint16_t>(u8(offset) | (u8(offset + 1) << 8));
}

uint32_t Satz::u32(int offset) const {
    return u16(offset) | (static_cast<uint32_t>(u16(offset + 2)) << 16);
}

float Satz::f32(int offset) const {
    const uint32_t bits = u32(offset);
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// ---------------------------------------------------------------- value conventions

namespace Wert {

QString Volt_Zahl(int roh) {
    return QString::asprintf("%5.2f", static_cast<double>(ADC_zu_Volt(static_cast<float>(roh))));
}

QString Volt(int roh) {
    return Volt_Zahl(roh) + QStringLiteral(" V");
}

QString us(int roh) {
    return QString::number(mal_0_8(static_cast<float>(roh)));
}

QString mal(double roh, double faktor, const char* format) {
    return QString::asprintf(format, roh * faktor);
}

QString Zahl(int64_t wert) {
    return QString::number(wert);
}

QString Float_allgemein(float wert) {
    const double d = static_cast<double>(wert);
    if (std::isnan(d))
        return QStringLiteral("NAN");
    if (std::isinf(d))
        return d > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (d == 0)
        return QStringLiteral("0");
    const double betrag = std::fabs(d);
    QString s;
    if (betrag >= 1e-5 && betrag < 1e15) {
        // Fixed notation with 15 significant digits, trailing zeros dropped.
        const int ganz = static_cast<int>(std::floor(std::log10(betrag))) + 1;
        s = QString::number(d, 'f', std::clamp(15 - ganz, 0, 20));
        if (s.contains(QLatin1Char('.'))) {
            while (s.endsWith(QLatin1Char('0')))
                s.chop(1);
            if (s.endsWith(QLatin1Char('.')))
                s.chop(1);
        }
        return s;
    }
    s = QString::number(d, 'E', 14);
    const qsizetype e = s.indexOf(QLatin1Char('E'));
    QString mantisse = s.left(e);
    while (mantisse.endsWith(QLatin1Char('0')))
        mantisse.chop(1);
    if (mantisse.endsWith(QLatin1Char('.')))
        mantisse.chop(1);
    const int exponent = s.mid(e + 1).toInt();
    return mantisse + QStringLiteral("E") + QString::number(exponent);
}

} // namespace Wert

// ---------------------------------------------------------------- display

void Anzeige::text(const QString& name, const QString& text) {
    const auto [it, neu] = felder_.try_emplace(name);
    if (neu || !it->second.Text_gesetzt || it->second.Text != text) {
        it->second.Text = text;
        it->second.Text_gesetzt = true;
        geaendert_.insert(name);
    }
}

void Anzeige::farbe(const QString& name, bool bit_gesetzt) {
    const auto [it, neu] = felder_.try_emplace(name);
    const Farbe soll = bit_gesetzt ? Farbe::schwarz : Farbe::rot;
    if (neu || it->second.farbe != soll) {
        it->second.farbe = soll;
        geaendert_.insert(name);
    }
}

void Anzeige::zeige(const QString& name, bool an) {
    const auto [it, neu] = felder_.try_emplace(name);
    if (neu || it->second.sichtbar != an) {
        it->second.sichtbar = an;
        geaendert_.insert(name);
    }
}

void Anzeige::zeige_Zeile(const QString& zeile, bool an, int zellen) {
    zeige(QStringLiteral("Label_Kopf_") + zeile, an);
    zeige(QStringLiteral("Label_") + zeile, an);
    if (zellen & mit_Einheit)
        zeige(QStringLiteral("Label_Einheit_") + zeile, an);
    if (zellen & mit_Spannung)
        zeige(QStringLiteral("Label_Spannung_") + zeile, an);
}

const Feld& Anzeige::operator[](const QString& name) const {
    static const Feld leer;
    const auto it = felder_.find(name);
    return it == felder_.end() ? leer : it->second;
}

std::set<QString> Anzeige::nimm_Aenderungen() {
    std::set<QString> g;
    g.swap(geaendert_);
    return g;
}

QStringList Aux_Zeilen(const Satz& aux) {
    QStringList z;
    for (int i = 0; i < 8; ++i)
        z << Wert::Float_allgemein(aux.f32(4 * i));
    return z;
}

QStringList Aux_int_Zeilen(const Satz& aux) {
    QStringList z;
    for (int i = 0; i < 8; ++i)
        z << QString::number(aux.s32(4 * i));
    return z;
}

// ---------------------------------------------------------------- window

TForm_Variante::TForm_Variante(Kontext& kontext, const QString& hilfethema)
    : TForm(hilfethema), k(kontext) {
    setWindowFlags(Qt::Window | Qt::WindowCloseButtonHint | Qt::WindowTitleHint |
                   Qt::WindowMinimizeButtonHint);
}

TForm_Variante::~TForm_Variante() {
    // A window that goes while shown leaves no record polled for it.
    melde_Aux(false);
}

QLabel* TForm_Variante::Label(const QString& name) const {
    const auto it = labels_.find(name);
    return it == labels_.end() ? nullptr : it->second;
}

QGroupBox* TForm_Variante::neue_Gruppe(const QString& name, const QString& titel, int links,
                                       int oben, int breite, int hoehe) {
    auto* g = new QGroupBox(titel, this);
    g->setObjectName(name);
    g->setGeometry(links, oben, breite, hoehe);
    return g;
}

QGroupBox* TForm_Variante::neue_Zeilengruppe(const QString& name, const QString& titel, int links,
                                             int& oben, int breite,
                                             std::initializer_list<Zeilenangabe> zeilen,
                                             const Spalten& s) {
    const int hoehe = 22 + Zeilenhoehe * static_cast<int>(zeilen.size()) + 6;
    QGroupBox* g = neue_Gruppe(name, titel, links, oben, breite, hoehe);
    int y = 20;
    for (const Zeilenangabe& z : zeilen) {
        neue_Zeile(g, z, y, s);
        y += Zeilenhoehe;
    }
    oben += hoehe + 6;
    return g;
}

QLabel* TForm_Variante::neues_Label(QWidget* eltern, const QString& name, const QString& text,
                                    int links, int oben, int breite, bool rechts) {
    auto* l = new QLabel(text, eltern ? eltern : this);
    l->setObjectName(name);
    l->setGeometry(links, oben, breite, Zeilenhoehe);
    if (rechts)
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labels_[name] = l;
    return l;
}

void TForm_Variante::neue_Zeile(QWidget* gruppe, const QString& zeile, const QString& kopf,
                                const QString& einheit, bool spannung, int oben, const Spalten& s) {
    neue_Zeile(gruppe, Zeilenangabe{zeile, kopf, einheit, spannung}, oben, s);
}

void TForm_Variante::neue_Zeile(QWidget* gruppe, const Zeilenangabe& z, int oben,
                                const Spalten& s) {
    neues_Label(gruppe, QStringLiteral("Label_Kopf_") + z.Zeile, z.Kopf, s.Kopf, oben,
                s.Kopfbreite);
    neues_Label(gruppe,
                z.Wertname ? QString::fromLatin1(z.Wertname) : QStringLiteral("Label_") + z.Zeile,
                QString(), s.Wert, oben, s.Wertbreite, true);
    if (!z.Einheit.isEmpty())
        neues_Label(gruppe, QStringLiteral("Label_Einheit_") + z.Zeile, z.Einheit, s.Einheit, oben,
                    s.Einheitbreite);
    if (z.Spannung || z.Spannungsname) {
        QLabel* u = neues_Label(gruppe,
                                z.Spannungsname ? QString::fromLatin1(z.Spannungsname)
                                                : QStringLiteral("Label_Spannung_") + z.Zeile,
                                QString(), s.Spannung, oben, s.Spannungbreite, true);
        QPalette p = u->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        u->setPalette(p);
    }
}

void TForm_Variante::neues_Memo(const QString& name, int links, int oben, int breite, int hoehe,
                                cl_Datensatz* satz) {
    Memo_Aux = new QPlainTextEdit(this);
    Memo_Aux->setObjectName(name);
    Memo_Aux->setReadOnly(true);
    Memo_Aux->setGeometry(links, oben, breite, hoehe);
    memoSatz_ = satz ? satz : &k.ecu_Befehle().Aux_Daten;
    memoSichtbar_ = true;
}

void TForm_Variante::setze_Memo_sichtbar(bool an) {
    memoSichtbar_ = an;
    if (Memo_Aux)
        Memo_Aux->setVisible(an);
    melde_Aux(an && isVisible());
}

void TForm_Variante::melde_Aux(bool an) {
    if (!Memo_Aux || !memoSatz_ || an == auxGemeldet_)
        return;
    auxGemeldet_ = an;
    k.ecu_Befehle().melde_Anzeige(*memoSatz_, an);
}

void TForm_Variante::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    if (event->spontaneous())
        return;
    Form_auf_Bildschirm(*this);
    melde_Aux(memoSichtbar_);
}

void TForm_Variante::hideEvent(QHideEvent* event) {
    TForm::hideEvent(event);
    if (event->spontaneous())
        return;
    melde_Aux(false);
}

void TForm_Variante::uebernehme(Anzeige& anzeige) {
    for (const QString& name : anzeige.nimm_Aenderungen()) {
        QLabel* l = Label(name);
        if (!l) {
            // Group boxes and other controls take their visibility by name too.
            if (auto* w = findChild<QWidget*>(name))
                w->setVisible(anzeige[name].sichtbar);
            continue;
        }
        const Feld& f = anzeige[name];
        if (f.Text_gesetzt && l->text() != f.Text)
            l->setText(f.Text);
        const QColor farbe = f.farbe == Farbe::rot ? QColor(Qt::red) : QColor(Qt::black);
        // Voltage cells are red by design; only a label the logic colours changes.
        if (!name.startsWith(QStringLiteral("Label_Spannung_")) &&
            l->palette().color(QPalette::WindowText) != farbe) {
            QPalette p = l->palette();
            p.setColor(QPalette::WindowText, farbe);
            l->setPalette(p);
        }
        if (l->isHidden() == f.sichtbar)
            l->setVisible(f.sichtbar);
    }
}

void TForm_Variante::zeige_Memo(const QStringList& zeilen) {
    if (!Memo_Aux)
        return;
    Memo_Aux->clear();
    for (const QString& z : zeilen)
        Memo_Aux->appendPlainText(z);
}

void TForm_Variante::melde_Aux_Memo(std::function<void(const Satz&)> lies,
                                    const QStringList& memo) {
    InterAction().Create(
        cl_Aux_Daten::Klasse,
        [this, lies = std::move(lies), &memo](Sender&) {
            lies(Satz(k.ecu_Befehle().Aux_Daten));
            zeige_Memo(memo);
        },
        cl_Aux_Daten::Beantwortet);
}

bool Identitaet::in_Versionsmenge(std::initializer_list<int> menge) const {
    for (const int i : menge)
        if (i >= 0 && i < 32 && ((Versionsmengen >> i) & 1U))
            return true;
    return false;
}

Identitaet Kennung(const cl_Version& v) {
    Identitaet id{v.ECU_Typ(),        v.Hersteller(),         v.Typnummer(),         v.Version(),
                  v.Hardware_Haupt(), v.Datenversion_Haupt(), v.Datenversion_Neben()};
    // The range table stays the identity's own; only its answers travel.
    for (int i = 1; i < 32; ++i)
        if (v.in_Versionsmenge({i}))
            id.Versionsmengen |= 1U << i;
    id.Option_138 = v.Option_138();
    return id;
}

Identitaet TForm_Variante::Kennung() const {
    return ::Kennung(k.version());
}

Parameterwert TForm_Variante::Parameter() const {
    cl_Parameter& p = k.parameter();
    return [&p](int nummer) -> std::optional<int64_t> {
        if (!p.suche_Parameter(nummer))
            return std::nullopt;
        return p.Wert(nummer);
    };
}
