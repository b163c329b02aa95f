#include "windows/status/UTest_Eingaenge.h"

#include "base/Uglobal.h"
#include "model/UBefehle.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"
#include "model/UWeitere_Anfragen.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"

#include <QHeaderView>
#include <QHideEvent>
#include <QScrollBar>
#include <QShowEvent>
#include <QTableWidget>
#include <algorithm>
#include <initializer_list>

namespace {

// A grid row of a variant: its name as a language text (0: the fixed name) and its pin;
// nullptr for a row without a pin.
struct Zeile {
    int Nr;
    int Text;
    const char* Name;
    const char* Pin;
};

struct Tabelle {
    int Zeilen;
    std::initializer_list<Zeile> Inhalt;
};

constexpr const char* ohne = nullptr;

// The analog inputs of variants 1 to 6.
const Tabelle Analog_Typ_5{17,
                           {{1, 182, nullptr, "-"},
                            {2, 1001, nullptr, "6"},
                            {3, 1002, nullptr, "38"},
                            {4, 1003, nullptr, "2"},
                            {5, 184, nullptr, "39"},
                            {6, 1004, nullptr, "21"},
                            {7, 1005, nullptr, "3"},
                            {8, 1006, nullptr, "40"},
                            {9, 168, nullptr, "22"},
                            {10, 1007, nullptr, "4"},
                            {11, 1008, nullptr, "41"},
                            {12, 1009, nullptr, "23"},
                            {13, 1010, nullptr, "5"},
                            {14, 1011, nullptr, "42"},
                            {16, 658, nullptr, "-"}}};
const Tabelle Analog_400{
    25, {{1, 180, nullptr, "84"},  {2, 182, nullptr, ohne},  {3, 179, nullptr, "70"},
         {4, 183, nullptr, "93"},  {5, 184, nullptr, "26"},  {6, 197, nullptr, "101"},
         {7, 185, nullptr, "-"},   {8, 651, nullptr, "13"},  {9, 181, nullptr, "29"},
         {10, 652, nullptr, "35"}, {11, 653, nullptr, "34"}, {12, 654, nullptr, "61"},
         {13, 655, nullptr, "20"}, {14, 656, nullptr, "17"}, {15, 657, nullptr, "100"},
         {16, 658, nullptr, "-"},  {17, 851, nullptr, "-"},  {18, 852, nullptr, "-"},
         {19, 853, nullptr, "92"}, {20, 854, nullptr, "85"}, {21, 855, nullptr, "-"},
         {22, 856, nullptr, "-"},  {23, 857, nullptr, "-"},  {24, 858, nullptr, "109"}}};
const Tabelle Analog_300_Typ_203{25,
                                 {{1, 180, nullptr, "15"},
                                  {3, 179, nullptr, "2"},
                                  {4, 183, nullptr, "10"},
                                  {5, 184, nullptr, "9"},
                                  {6, 197, nullptr, "-"},
                                  {24, 684, nullptr, "21"}}};
const Tabelle Analog_300{25,
                         {{1, 180, nullptr, "8"},
                          {3, 179, nullptr, "9"},
                          {4, 183, nullptr, "10"},
                          {5, 184, nullptr, "11"},
                          {6, 197, nullptr, "12"},
                          {7, 185, nullptr, "-"},
                          {24, 181, nullptr, "13"}}};
const Tabelle Analog_201{17,
                         {{1, 0, "throttle pot.", "2 (37)"},
                          {3, 0, "engine stop", "4 (39)"},
                          {4, 0, "engine temp. 1", "5 (40)"},
                          {5, 0, "air temp", "6 (41)"},
                          {8, 0, "aux. input 1", "8 (42)"},
                          {9, 0, "aux. input 2", "9 (43)"},
                          {10, 0, "torque target", "10 (44)"},
                          {12, 0, "exhaust temp. 1", "11 (45)"},
                          {13, 0, "exhaust temp. 2", "12 (46)"},
                          {14, 0, "engine temp. 2", "13 (47)"},
                          {16, 0, "internal temp.", ohne}}};
const Tabelle Analog_sonst{17,
                           {{1, 180, nullptr, "2"},
                            {2, 182, nullptr, ohne},
                            {3, 179, nullptr, "4"},
                            {4, 183, nullptr, "3"},
                            {5, 184, nullptr, "21"},
                            {6, 197, nullptr, "22"},
                            {7, 185, nullptr, ohne},
                            {8, 651, nullptr, "6"},
                            {9, 181, nullptr, "24"},
                            {10, 652, nullptr, "38"},
                            {11, 653, nullptr, "39"},
                            {12, 654, nullptr, "44"},
                            {13, 655, nullptr, "45"},
                            {14, 656, nullptr, "46"},
                            {15, 657, nullptr, "47"},
                            {16, 658, nullptr, "-"}}};

// The digital inputs.
const Tabelle Digital_Typ_5{6,
                            {{1, 678, nullptr, "14"},
                             {2, 679, nullptr, "13"},
                             {3, 1012, nullptr, "9"},
                             {4, 1013, nullptr, "10"},
                             {5, 1014, nullptr, "31"}}};
const Tabelle Digital_100{6,
                          {{1, 678, nullptr, "53"},
                           {2, 679, nullptr, "51"},
                           {3, 680, nullptr, "5"},
                           {4, 681, nullptr, "27"},
                           {5, 682, nullptr, "23"}}};
const Tabelle Digital_201{
    4, {{1, 678, nullptr, "1 (36)"}, {2, 0, "reserved", ohne}, {3, 683, nullptr, "25 (6)"}}};
const Tabelle Digital_300_Typ_203{4, {{1, 678, nullptr, "18"}, {3, 1240, nullptr, "16"}}};
const Tabelle Digital_300{5,
                          {{1, 678, nullptr, "29"},
                           {2, 679, nullptr, "28"},
                           {3, 1240, nullptr, "27"},
                           {4, 682, nullptr, "26"}}};
const Tabelle Digital_400{16,
                          {{1, 678, nullptr, "82"},
                           {2, 679, nullptr, "86"},
                           {3, 683, nullptr, "38"},
                           {4, 684, nullptr, "40"},
                           {5, 685, nullptr, "49"},
                           {6, 686, nullptr, "57"},
                           {7, 687, nullptr, "75"},
                           {8, 688, nullptr, "76"},
                           {9, 689, nullptr, "54"},
                           {10, 690, nullptr, "87"},
                           {11, 691, nullptr, "30"},
                           {12, 692, nullptr, "42"},
                           {13, 693, nullptr, "39"},
                           {14, 694, nullptr, "55"},
                           {15, 695, nullptr, "56"}}};

QString Namenstext(const Zeile& z) {
    return z.Text > 0 ? hole_Text(z.Text) : QString::fromLatin1(z.Name);
}

QString Pintext(const Zeile& z) {
    return z.Pin ? QString::fromLatin1(z.Pin) : QString();
}

uint16_t Wort(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

QString Volt(int roh) {
    return QString::asprintf("%5.2f V", static_cast<double>(ADC_zu_Volt(static_cast<float>(roh))));
}

bool in(int h, int von, int bis) {
    return h >= von && h <= bis;
}

} // namespace

// ---------------------------------------------------------------- grid

Pruefraster::Pruefraster(int spalten, int zeilen) : spalten_(spalten) {
    setze_Zeilen(zeilen);
}

void Pruefraster::setze_Zeilen(int zeilen) {
    zellen_.resize(static_cast<size_t>(std::max(zeilen, 1)),
                   std::vector<QString>(static_cast<size_t>(spalten_)));
}

const QString& Pruefraster::Zelle(int spalte, int zeile) const {
    static const QString leer;
    if (spalte < 0 || spalte >= spalten_ || zeile < 0 || zeile >= Zeilen())
        return leer;
    return zellen_[static_cast<size_t>(zeile)][static_cast<size_t>(spalte)];
}

void Pruefraster::setze(int spalte, int zeile, const QString& text) {
    if (spalte < 0 || spalte >= spalten_ || zeile < 0 || zeile >= Zeilen())
        return;
    zellen_[static_cast<size_t>(zeile)][static_cast<size_t>(spalte)] = text;
}

// ---------------------------------------------------------------- analog inputs

Analogtabelle::Analogtabelle() : Raster(4, 17) {
    for (int s = 0; s < 4; ++s)
        Raster.setze(s, 0, hole_Text(1211 + s));
}

void Analogtabelle::erstelle(Pruefvariante v, bool mitZusatzeingang) {
    mit_Zusatzeingang = mitZusatzeingang;
    int h = v.Hardware;
    if (h == 0 && v.Hersteller == 9)
        h = 201;
    // Every cell below the headers goes, the voltages too: a row that has no pin now must
    // not keep the voltage of the ECU before.
    for (int r = 1; r < Raster.Zeilen(); ++r)
        for (int s = 0; s < Raster.Spalten(); ++s)
            Raster.setze(s, r, {});

    const Tabelle* t = nullptr;
    Zeile zusatz{0, 0, nullptr, nullptr};
    if (v.ECU_Typ == 5) {
        t = &Analog_Typ_5;
    } else if (in(h, 400, 499)) {
        t = &Analog_400;
        zusatz = {Zusatzzeile, 1277, nullptr, "-"};
    } else if (!in(h, 301, 399)) {
        t = h == 201 ? &Analog_201 : &Analog_sonst;
    } else if (v.Typnummer == 203) {
        t = &Analog_300_Typ_203;
    } else {
        t = &Analog_300;
        zusatz = {Zusatzzeile, 1230, nullptr, "-"};
    }
    const bool mitZusatz = zusatz.Nr > 0 && mit_Zusatzeingang;
    Raster.setze_Zeilen(mitZusatz ? t->Zeilen + 1 : t->Zeilen);
    for (const Zeile& z : t->Inhalt) {
        Raster.setze(Name, z.Nr, Namenstext(z));
        Raster.setze(Pin, z.Nr, Pintext(z));
    }
    if (mitZusatz) {
        Raster.setze(Name, zusatz.Nr, Namenstext(zusatz));
        Raster.setze(Pin, zusatz.Nr, Pintext(zusatz));
    }
    for (int r = 1; r < Raster.Zeilen(); ++r)
        Raster.setze(Nummer, r, QString::number(r == Zusatzzeile ? 100 : r));
}

void Analogtabelle::schreibe_Spannungen(const std::array<uint8_t, 64>& satz, int16_t zusatz) {
    const int letzte = std::min(Raster.Zeilen() - 1, static_cast<int>(satz.size() / 2));
    for (int r = 1; r <= letzte; ++r)
        if (!Raster.Zelle(Pin, r).isEmpty())
            Raster.setze(Spannung, r, Volt(Wort(satz.data() + 2 * (r - 1))));
    if (mit_Zusatzeingang)
        Raster.setze(Spannung, Zusatzzeile, Volt(zusatz));
}

// ---------------------------------------------------------------- digital inputs

Digitaleingangstabelle::Digitaleingangstabelle() : Raster(4, 17) {
    for (int s = 0; s < 4; ++s)
        Raster.setze(s, 0, hole_Text(672 + s));
}

void Digitaleingangstabelle::erstelle(Pruefvariante v) {
    const int h = v.Hardware;
    // The counters go with the pins and states: a row without a pin shows nothing.
    for (int r = 1; r <= 16; ++r)
        for (int s : {Pin, Zustand, Zaehler})
            Raster.setze(s, r, {});
    const Tabelle* t = nullptr;
    if (v.ECU_Typ == 5)
        t = &Digital_Typ_5;
    else if (in(h, 100, 199) || h == 300 || h == 0)
        t = &Digital_100;
    else if (h == 201)
        t = &Digital_201;
    else if (in(h, 301, 399))
        t = v.Typnummer == 203 ? &Digital_300_Typ_203 : &Digital_300;
    else if (in(h, 400, 499))
        t = &Digital_400;
    if (!t)
        return;
    Raster.setze_Zeilen(t->Zeilen);
    for (const Zeile& z : t->Inhalt) {
        Raster.setze(Name, z.Nr, Namenstext(z));
        Raster.setze(Pin, z.Nr, Pintext(z));
    }
}

void Digitaleingangstabelle::schreibe(const std::array<uint8_t, 34>& satz) {
    const uint16_t zustaende = Wort(satz.data());
    const int letzte = std::min(Raster.Zeilen() - 1, 16);
    for (int r = 1; r <= letzte; ++r) {
        if (Raster.Zelle(Pin, r).isEmpty())
            continue;
        Raster.setze(Zustand, r, hole_Text((zustaende >> (r - 1)) & 1 ? 676 : 677));
        Raster.setze(Zaehler, r, QString::number(Wort(satz.data() + 2 * r)));
    }
}

// ---------------------------------------------------------------- digital outputs

Digitalausgangstabelle::Digitalausgangstabelle() : Raster(3, 2) {
    for (int s = 0; s < 3; ++s)
        Raster.setze(s, 0, hole_Text(701 + s));
}

void Digitalausgangstabelle::erstelle(Pruefvariante v) {
    const int h = v.Hardware;
    if (in(h, 301, 399)) {
        Raster.setze_Zeilen(13);
        for (int r = 1; r <= 12; ++r)
            setze_Ausgangszeile(r, hole_Text(900 + r));
    } else if (in(h, 400, 499)) {
        Raster.setze_Zeilen(36);
        for (int r = 1; r <= 35; ++r)
            setze_Ausgangszeile(r, hole_Text(920 + r));
    } else {
        // An ECU without an output table shows none: not the outputs of the one before
        // under its names and numbers.
        for (int r = 1; r < Raster.Zeilen(); ++r) {
            Raster.setze(Nummer, r, {});
            Raster.setze(Zustand, r, {});
        }
    }
}

void Digitalausgangstabelle::setze_Ausgangszeile(int zeile, const QString& text) {
    const qsizetype komma = text.indexOf(QLatin1Char(','));
    Raster.setze(Name, zeile, komma < 0 ? text : text.left(komma));
    qsizetype anfang = text.size();
    while (anfang > 0 && text[anfang - 1] >= QLatin1Char('0') &&
           text[anfang - 1] <= QLatin1Char('9'))
        --anfang;
    Raster.setze(Nummer, zeile, text.mid(anfang));
    Raster.setze(Zustand, zeile, {});
}

void Digitalausgangstabelle::schreibe_Ausgaenge(const std::array<uint8_t, 8>& satz) {
    const int letzte = std::min(Raster.Zeilen() - 1, 64);
    for (int r = 1; r <= letzte; ++r) {
        if (Raster.Zelle(Nummer, r).isEmpty())
            continue;
        const uint16_t w = Wort(satz.data() + 2 * ((r - 1) / 16));
        Raster.setze(Zustand, r, hole_Text((w >> ((r - 1) % 16)) & 1 ? 712 : 713));
    }
}

// ---------------------------------------------------------------- windows

TForm_Pruefraster::TForm_Pruefraster(Kontext& kontext, const QString& hilfethema)
    : TForm(hilfethema), k(kontext) {
    StringGrid = new QTableWidget(this);
    StringGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid->verticalHeader()->hide();
    StringGrid->horizontalHeader()->hide();
    StringGrid->move(0, 0);
}

void TForm_Pruefraster::richte_ein(Ablauf ablauf) {
    ablauf_.emplace(std::move(ablauf));
    InterAction().Create(
        ablauf_->Anfrage.klasse(),
        [this](Sender&) {
            if (!isVisible())
                return;
            ablauf_->schreibe();
            zeige_Raster();
        },
        cl_COM_data::Beantwortet);
    zeige_Raster();
}

Pruefvariante TForm_Pruefraster::Variante() const {
    const cl_Version& v = k.version();
    return {v.Hardware_Haupt(), v.ECU_Typ(), v.Hersteller(), v.Typnummer()};
}

void TForm_Pruefraster::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    if (event->spontaneous() || !ablauf_)
        return;
    ablauf_->erstelle();
    zeige_Raster();
    Form_auf_Bildschirm(*this);
    if (abgefragt_)
        return;
    abgefragt_ = true;
    if (ablauf_->schalte)
        ablauf_->schalte(true);
    k.ecu_Befehle().melde_Anzeige(ablauf_->Anfrage, true);
}

void TForm_Pruefraster::hideEvent(QHideEvent* event) {
    TForm::hideEvent(event);
    if (event->spontaneous() || !abgefragt_)
        return;
    abgefragt_ = false;
    if (ablauf_->schalte)
        ablauf_->schalte(false);
    k.ecu_Befehle().melde_Anzeige(ablauf_->Anfrage, false);
}

void TForm_Pruefraster::zeige_Raster() {
    const Pruefraster& r = ablauf_->Raster;
    StringGrid->setColumnCount(r.Spalten());
    StringGrid->setRowCount(r.Zeilen());
    for (int z = 0; z < r.Zeilen(); ++z)
        for (int s = 0; s < r.Spalten(); ++s) {
            QTableWidgetItem* item = StringGrid->item(z, s);
            if (!item) {
                item = new QTableWidgetItem;
                if (z == 0) {
                    item->setBackground(palette().color(QPalette::Button));
                    QFont f = item->font();
                    f.setBold(true);
                    item->setFont(f);
                }
                StringGrid->setItem(z, s, item);
            }
            // A refresh changes few cells; an unchanged text costs no repaint.
            if (item->text() != r.Zelle(s, z))
                item->setText(r.Zelle(s, z));
        }
    const int hoehe =
        (StringGrid->verticalHeader()->defaultSectionSize() + 1) * r.Zeilen() + ablauf_->Rand;
    int breite = 2 * StringGrid->frameWidth();
    StringGrid->resizeColumnsToContents();
    for (int s = 0; s < r.Spalten(); ++s)
        breite += StringGrid->columnWidth(s);
    // A grid taller than the window fits it and scrolls, so that every row can be reached,
    // with room for its scroll bar beside the columns.
    const int fenster = std::min(hoehe + ablauf_->Fensterrand, ablauf_->Max_Hoehe);
    if (hoehe > fenster)
        breite += StringGrid->verticalScrollBar()->sizeHint().width();
    StringGrid->resize(breite + 4, std::min(hoehe, fenster));
    resize(breite + 4, fenster);
}

TForm_Test_analoge_Eingaenge::TForm_Test_analoge_Eingaenge(Kontext& kontext)
    : TForm_Pruefraster(kontext, QStringLiteral("Test_analoge_Eingaenge")) {
    setWindowTitle(hole_Text(1210));
    cl_analoge_Eingaenge& satz = *k.weitere_Anfragen().analoge_Eingaenge;
    richte_ein({.Anfrage = satz,
                .Raster = Tabelle.Raster,
                .Rand = 10,
                .Fensterrand = 0,
                .erstelle = [this] { Tabelle.erstelle(Variante(), k.parameter().Wert(2172) > 0); },
                .schreibe =
                    [this, &satz] {
                        Tabelle.schreibe_Spannungen(satz.Datensatz,
                                                    k.ecu_Befehle().akt_Daten_B.s16(56));
                    }});
}

TForm_Test_digitale_Eingaenge::TForm_Test_digitale_Eingaenge(Kontext& kontext)
    : TForm_Pruefraster(kontext, QStringLiteral("Test_digitale_Eingaenge")) {
    setWindowTitle(hole_Text(671));
    cl_digitale_Eingaenge& satz = *k.weitere_Anfragen().digitale_Eingaenge;
    richte_ein({.Anfrage = satz,
                .Raster = Tabelle.Raster,
                .erstelle = [this] { Tabelle.erstelle(Variante()); },
                .schreibe = [this, &satz] { Tabelle.schreibe(satz.Datensatz); },
                .schalte =
                    [this](bool an) {
                        // The command requests come with the main window's first showing.
                        Befehlsobjekte* b = k.befehle();
                        if (b && an)
                            b->Quorvel_Test_digitale_Eingaenge->einschalten();
                        else if (b)
                            b->Quorvel_Test_digitale_Eingaenge->ausschalten();
                    }});
}

TForm_Test_digitale_Ausgaenge::TForm_Test_digitale_Ausgaenge(Kontext& kontext)
    : TForm_Pruefraster(kontext, QStringLiteral("Test_digitale_Ausgaenge")) {
    setWindowTitle(hole_Text(704));
    cl_digitale_Ausgaenge& satz = *k.weitere_Anfragen().digitale_Ausgaenge;
    richte_ein({.Anfrage = satz,
                .Raster = Tabelle.Raster,
                .Max_Hoehe = Max_Hoehe,
                .erstelle = [this] { Tabelle.erstelle(Variante()); },
                .schreibe = [this, &satz] { Tabelle.schreibe_Ausgaenge(satz.Datensatz); }});
}
