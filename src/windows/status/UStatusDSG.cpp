#include "windows/status/UStatusDSG.h"

#include "base/Uglobal.h"
#include "link/UCOM.h"
#include "model/UBefehle.h"
#include "model/UStatusdaten.h"
#include "model/UWeitere_Anfragen.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QTableWidget>
#include <algorithm>

// ---------------------------------------------------------------- logic

DSG_Logik::DSG_Logik() : Logtabelle(Logspalten, Logzeilen), Zustandstabelle(Zustandsspalten, 2) {
    const char* kopf[] = {"Zustand", "Zeit", "X-Pos.", "Y-Pos."};
    for (int s = 0; s < Zustandsspalten; ++s)
        Zustandstabelle.setze(s, 0, QString::fromUtf8(kopf[s]));
    for (int s = 1; s < Logspalten; ++s)
        Logtabelle.setze(s, 0, QString::number(s - 1));
}

QString DSG_Logik::Gangname(uint8_t gang) {
    static const char* const namen[] = {"Rückwärts", "neutral", "1. Gang", "2. Gang",
                                        "3. Gang",   "4. Gang", "5. Gang", "6. Gang"};
    return gang < std::size(namen) ? QString::fromUtf8(namen[gang]) : QString::number(gang);
}

Anzeigewerte DSG_Logik::Werte(const Satz& s) {
    const auto zahl = [](auto w) { return QString::number(w); };
    return {
        {"Label_DSG_Status_akt_Gang", Gangname(s.u8(0))},
        {"Label_DSG_Status_Soll_Gang", Gangname(s.u8(1))},
        {"Label_DSG_Status_Zustand_Gangwechsel", zahl(s.u16(2))},
        {"Label_DSG_Status_Zustand_Taster", zahl(s.u16(4))},
        {"Label_DSG_Zustand_Getriebe", zahl(s.u16(6))},
        {"Label_DSG_Status_Zeit", Wert::mal(s.u32(8), 0.001, "%6.3f")},
        {"Label_DSG_Status_Pos_X", zahl(s.s16(12))},
        {"Label_DSG_STatus_Pos_Y", zahl(s.s16(14))},
        {"Label_DSG_Status_Soll_Pos_X", zahl(s.s16(16))},
        {"Label_DSG_Status_Soll_Pos_Y", zahl(s.s16(18))},
        {"Label_DSG_Status_Geschw_X", zahl(s.s16(20))},
        {"Label_DSG_Status_Geschw_Y", zahl(s.s16(22))},
        {"Label_DSG_Status_akt_Gangpos", zahl(s.s16(24))},
        {"Label_DSG_Status_Soll_Gangpos", zahl(s.s16(26))},
        {"Label_Tacho_Geschw", Wert::mal(s.u16(28), 0.1, "%5.1f")},
        {"LabelDSG_Status_Zeit_letzte_Funktion", zahl(s.u16(30))},
        {"Label_DSG_Status_Korrektur", zahl(s.s16(32))},
        {"Label_Motordrehzahl", zahl(s.u16(34))},
        {"Label_Motordrehmoment", zahl(s.s16(38))},
        {"Label_Lufttemp", zahl(s.s16(40))},
        {"Label_Motortemp", zahl(s.s16(42))},
        {"Label_Kupplung_akt_Pos", zahl(s.s16(44))},
        {"Label_Kupplung_Soll_Pos", zahl(s.s16(46))},
        {"Label_Kupplung_Geschw", zahl(s.s16(48))},
        {"Label_Kupplung_Leistung", zahl(s.s32(50))},
        {"Label_Gehaeuse_Leistung", zahl(s.s32(54))},
        {"Label_Kupplung_Temp", zahl(s.s16(58))},
        {"Label_Gehaeuse_Temp", zahl(s.s16(60))},
        {"Label_DSG_Drosselklappe", zahl(s.u16(68))},
    };
}

std::optional<uint16_t> DSG_Logik::starte_Log() {
    if (Log_laeuft)
        return std::nullopt;
    Log_Zaehler = 0;
    Log_laeuft = true;
    Logtabelle.setze_Zeilen(2);
    // The row of the log read before stays empty until this log's first record comes.
    for (int s = 0; s < Logspalten; ++s)
        Logtabelle.setze(s, 1, QString());
    return 0;
}

std::optional<uint16_t> DSG_Logik::nimm_Logsatz(const Satz& antwort) {
    if (antwort.u8(0) == 0) {
        Log_laeuft = false;
        return std::nullopt;
    }
    const int zeile = Log_Zaehler + 1;
    Logtabelle.setze_Zeilen(Log_Zaehler + 2);
    Logtabelle.setze(0, zeile, QString::number(Log_Zaehler));
    for (int i = 0; i < 8; ++i)
        Logtabelle.setze(i + 1, zeile, QString::number(antwort.s32(2 + 4 * i)));
    ++Log_Zaehler;
    return Log_Zaehler;
}

void DSG_Logik::nimm_Zustaende(const Satz& z) {
    // The record has room for ten items; a count beyond would read past it.
    const int n = std::min<int>(z.u16(0), Zustaende_max);
    const uint32_t hoch = static_cast<uint32_t>(z.u16(2)) << 16;
    for (int i = 1; i <= n; ++i) {
        const uint32_t zeit = hoch + z.u16(8 * i - 4);
        const uint16_t zustand = z.u16(8 * i - 2);
        if (zustand == 0)
            letzte_Zustandszeit = zeit;
        const int r = naechste_Zustandszeile;
        Zustandstabelle.setze(0, r, QString::number(zustand));
        Zustandstabelle.setze(
            1, r, Wert::mal(static_cast<uint32_t>(zeit - letzte_Zustandszeit), 0.001, "%10.3f"));
        Zustandstabelle.setze(2, r, QString::number(z.s16(8 * i)));
        Zustandstabelle.setze(3, r, QString::number(z.s16(8 * i + 2)));
        letzte_Zustandszeit = zeit;
        ++naechste_Zustandszeile;
        if (Zustandstabelle.Zeilen() <= naechste_Zustandszeile)
            Zustandstabelle.setze_Zeilen(naechste_Zustandszeile + 1);
    }
}

DSG_Logik::Sollwert DSG_Logik::lies_Sollwert(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    const qlonglong w = t.toLongLong(&ok, 10);
    // The word carries -32768..65535; a larger number would arrive as another one.
    if (!ok || w < -32768 || w > 65535)
        return {QStringLiteral("0"), std::nullopt};
    return {QString::number(w), static_cast<int>(w)};
}

// ---------------------------------------------------------------- window

namespace {

QGroupBox* Gruppe(QWidget* eltern, const char* titel, int x, int y, int b, int h) {
    auto* g = new QGroupBox(QString::fromUtf8(titel), eltern);
    g->setGeometry(x, y, b, h);
    return g;
}

QTableWidget* Raster(QWidget* eltern) {
    auto* t = new QTableWidget(eltern);
    richte_Raster_ein(*t);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return t;
}

// Copies the table into the grid; row 0 is the grid's fixed header row.
void zeige(QTableWidget* g, const Pruefraster& r) {
    g->setColumnCount(r.Spalten());
    g->setRowCount(r.Zeilen());
    for (int z = 0; z < r.Zeilen(); ++z)
        for (int s = 0; s < r.Spalten(); ++s) {
            QTableWidgetItem* item = g->item(z, s);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                if (z == 0)
                    item->setBackground(g->palette().color(QPalette::Button));
                g->setItem(z, s, item);
            }
            if (item->text() != r.Zelle(s, z))
                item->setText(r.Zelle(s, z));
        }
}

constexpr int Zeilenhoehe = 18;

} // namespace

TForm_Status_DSG::TForm_Status_DSG(Kontext& kontext)
    : TForm_Variante(kontext, QStringLiteral("Status_DSG")) {
    setWindowTitle(QStringLiteral("Status DSG"));
    resize(760, 520);
    const auto zeilen = [this](QGroupBox* g,
                               std::initializer_list<std::pair<const char*, const char*>> z,
                               int kopfbreite, const char* einheit_von = nullptr,
                               const char* einheit = nullptr) {
        int y = 20;
        for (const auto& [name, kopf] : z) {
            const QString n = QString::fromLatin1(name);
            Tafel.Zeile(g, n, QString::fromUtf8(kopf), 10, y, kopfbreite, 90,
                        einheit_von && n == QLatin1String(einheit_von) ? QString::fromUtf8(einheit)
                                                                       : QString());
            y += Zeilenhoehe;
        }
    };
    QGroupBox* gang = Gruppe(this, "Getriebe", 8, 8, 240, 20 + 10 * Zeilenhoehe + 8);
    zeilen(gang,
           {{"Label_DSG_Status_akt_Gang", "akt. Gang"},
            {"Label_DSG_Status_Soll_Gang", "Soll-Gang"},
            {"Label_DSG_Status_Zustand_Gangwechsel", "Zust. Gangwechsel"},
            {"Label_DSG_Status_Zustand_Taster", "Zust. Taster"},
            {"Label_DSG_Zustand_Getriebe", "Zust. Getriebe"},
            {"Label_DSG_Status_Zeit", "Zeit [s]"},
            {"Label_Tacho_Geschw", "Tacho [km/h]"},
            {"LabelDSG_Status_Zeit_letzte_Funktion", "Zeit letzte Fkt."},
            {"Label_DSG_Status_Korrektur", "Korrektur"},
            {"Label_DSG_Drosselklappe", "Drosselklappe"}},
           130);
    QGroupBox* aktor = Gruppe(this, "Schaltaktor", 256, 8, 240, 20 + 8 * Zeilenhoehe + 8);
    zeilen(aktor,
           {{"Label_DSG_Status_Pos_X", "Pos. X"},
            {"Label_DSG_STatus_Pos_Y", "Pos. Y"},
            {"Label_DSG_Status_Soll_Pos_X", "Soll-Pos. X"},
            {"Label_DSG_Status_Soll_Pos_Y", "Soll-Pos. Y"},
            {"Label_DSG_Status_Geschw_X", "Geschw. X"},
            {"Label_DSG_Status_Geschw_Y", "Geschw. Y"},
            {"Label_DSG_Status_akt_Gangpos", "akt. Gangpos."},
            {"Label_DSG_Status_Soll_Gangpos", "Soll-Gangpos."}},
           130);
    QGroupBox* kupplung = Gruppe(this, "Kupplung", 504, 8, 248, 20 + 7 * Zeilenhoehe + 8);
    zeilen(kupplung,
           {{"Label_Kupplung_akt_Pos", "akt. Pos."},
            {"Label_Kupplung_Soll_Pos", "Soll-Pos."},
            {"Label_Kupplung_Geschw", "Geschw."},
            {"Label_Kupplung_Leistung", "Leistung"},
            {"Label_Gehaeuse_Leistung", "Gehäuse-Leistung"},
            {"Label_Kupplung_Temp", "Temperatur"},
            {"Label_Gehaeuse_Temp", "Gehäusetemp."}},
           130);
    const int motor_y = aktor->geometry().bottom() + 6;
    QGroupBox* motor = Gruppe(this, "Motor", 256, motor_y, 240, 20 + 4 * Zeilenhoehe + 8);
    zeilen(motor,
           {{"Label_Motordrehzahl", "Drehzahl"},
            {"Label_Motordrehmoment", "Drehmoment"},
            {"Label_Lufttemp", "Lufttemp."},
            {"Label_Motortemp", "Motortemp."}},
           130);

    GroupBox_Handbetrieb =
        Gruppe(this, "Handbetrieb", 504, kupplung->geometry().bottom() + 6, 248, 100);
    const auto edit = [this](const char* kopf, int y) {
        auto* l = new QLabel(QString::fromUtf8(kopf), GroupBox_Handbetrieb);
        l->setGeometry(10, y + 3, 100, 17);
        auto* e = new QLineEdit(GroupBox_Handbetrieb);
        e->setGeometry(110, y, 80, 22);
        e->installEventFilter(this);
        return e;
    };
    Edit_X = edit("X", 20);
    Edit_Y = edit("Y", 46);
    Edit_Kupplung = edit("Kupplung", 72);

    const int tabellen_y = std::max(gang->geometry().bottom(), motor->geometry().bottom()) + 10;
    // The state table left, the data log beside it, the button under the log.
    constexpr int Tabellenhoehe = 228;
    StringGrid = Raster(this);
    const int breiten[] = {56, 56, 64, 64};
    const int rand =
        2 * StringGrid->frameWidth() + StringGrid->verticalScrollBar()->sizeHint().width();
    StringGrid->setGeometry(8, tabellen_y, 56 + 56 + 64 + 64 + rand, Tabellenhoehe);
    zeige(StringGrid, Logik.Zustandstabelle);
    for (int s = 0; s < 4; ++s)
        StringGrid->setColumnWidth(s, breiten[s]);

    StringGrid_Log_data = Raster(this);
    const int log_x = StringGrid->geometry().right() + 9;
    // A log value is a signed 32-bit number: each column holds the longest one whole.
    const int logspalte =
        StringGrid_Log_data->fontMetrics().horizontalAdvance(QStringLiteral("-2147483648")) + 10;
    const int logbreite = 34 + (DSG_Logik::Logspalten - 1) * logspalte + rand;
    StringGrid_Log_data->setGeometry(log_x, tabellen_y, logbreite, Tabellenhoehe);
    zeige(StringGrid_Log_data, Logik.Logtabelle);
    StringGrid_Log_data->setColumnWidth(0, 34);
    for (int s = 1; s < DSG_Logik::Logspalten; ++s)
        StringGrid_Log_data->setColumnWidth(s, logspalte);
    breite_ = std::max(760, StringGrid_Log_data->geometry().right() + 9);
    Button_Log_Start = new QPushButton(QStringLiteral("Logaden neu starten"), this);
    Button_Log_Start->setGeometry(log_x, tabellen_y + Tabellenhoehe + 8, 160, 26);
    connect(Button_Log_Start, &QPushButton::clicked, this, [this] { Button_Log_StartClick(); });
    hoehe_ = Button_Log_Start->geometry().bottom() + 9;

    neues_Memo(QStringLiteral("Memo_Aux_daten"), breite_, 8, 150, hoehe_ - 16);
    Memo_Aux->installEventFilter(this);
    setze_Memo_sichtbar(glob().Testmodus);

    resize(breite_, hoehe_);
    setze_Handbetrieb(false);
    Form_auf_Bildschirm(*this);
    InterAction().Create(
        cl_DSG_Daten::Klasse, [this](Sender&) { schreibe_DSG_Daten(); }, cl_COM_data::Beantwortet);
    melde_Aux_Memo([this](const Satz& aux) { Logik.zeige_Aux_Daten(aux); }, Logik.Memo);
    InterAction().Create(
        cl_DSG_Log_Daten::Klasse, [this](Sender&) { schreibe_log_Daten(); },
        cl_COM_data::Beantwortet);
    InterAction().Create(
        cl_DSG_log_Zustandsdaten::Klasse, [this](Sender&) { schreibe_log_Zustandsdaten(); },
        cl_COM_data::Beantwortet);
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { Logik.Verbindung_getrennt(); },
        cl_COM_Quorvel::Getrennt);
}

TForm_Status_DSG::~TForm_Status_DSG() {
    melde(false);
}

void TForm_Status_DSG::melde(bool sichtbar) {
    // The state log is polled only while the window shows.
    if (gemeldet_ != sichtbar) {
        gemeldet_ = sichtbar;
        k.ecu_Befehle().melde_Anzeige(*k.weitere_Anfragen().DSG_log_Zustandsdaten, sichtbar);
    }
}

void TForm_Status_DSG::showEvent(QShowEvent* event) {
    TForm_Variante::showEvent(event);
    if (event->spontaneous())
        return;
    setze_Memo_sichtbar(glob().Testmodus);
    resize(glob().Testmodus ? breite_ + 158 : breite_, hoehe_);
    melde(true);
}

void TForm_Status_DSG::hideEvent(QHideEvent* event) {
    TForm_Variante::hideEvent(event);
    if (!event->spontaneous())
        melde(false);
}

void TForm_Status_DSG::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        setze_Handbetrieb(!Handbetrieb_aktiv);
        return;
    }
    TForm_Variante::keyPressEvent(event);
}

bool TForm_Status_DSG::eventFilter(QObject* objekt, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return TForm_Variante::eventFilter(objekt, event);
    const auto* taste = static_cast<QKeyEvent*>(event);
    if (objekt == Memo_Aux) {
        if (taste->key() == Qt::Key_Space) {
            setze_Handbetrieb(!Handbetrieb_aktiv);
            return true;
        }
        return false;
    }
    const int index = objekt == Edit_X ? 1 : objekt == Edit_Y ? 2 : objekt == Edit_Kupplung ? 3 : 0;
    if (index == 0)
        return false;
    if (taste->key() == Qt::Key_Space) {
        setze_Handbetrieb(false);
        return true;
    }
    if (taste->key() == Qt::Key_Return || taste->key() == Qt::Key_Enter) {
        Sollwert_eingeben(index);
        return true;
    }
    return false;
}

void TForm_Status_DSG::setze_Handbetrieb(bool an) {
    Handbetrieb_aktiv = an;
    GroupBox_Handbetrieb->setVisible(an);
    if (!an)
        if (Befehlsobjekte* b = k.befehle())
            b->DSG_Handbetrieb->setzen(0, 0);
}

void TForm_Status_DSG::Sollwert_eingeben(int index) {
    QLineEdit* e = index == 1 ? Edit_X : index == 2 ? Edit_Y : Edit_Kupplung;
    const DSG_Logik::Sollwert s = DSG_Logik::lies_Sollwert(e->text());
    e->setText(s.Anzeige);
    if (s.Wert)
        if (Befehlsobjekte* b = k.befehle())
            b->DSG_Handbetrieb->setzen(index, *s.Wert);
}

void TForm_Status_DSG::schreibe_DSG_Daten() {
    const cl_DSG_Daten& s = k.ecu_Befehle().DSG_Daten;
    const Satz sicht(s.Daten);
    Tafel.setze(DSG_Logik::Werte(sicht));
    if (DSG_Logik::Log_verlangt(sicht))
        starte_Log_Daten();
}

void TForm_Status_DSG::starte_Log_Daten() {
    if (const std::optional<uint16_t> satz = Logik.starte_Log()) {
        zeige(StringGrid_Log_data, Logik.Logtabelle);
        k.weitere_Anfragen().DSG_Log_Daten->anfordern(*satz);
    }
}

void TForm_Status_DSG::schreibe_log_Daten() {
    cl_DSG_Log_Daten& log = *k.weitere_Anfragen().DSG_Log_Daten;
    const std::optional<uint16_t> naechster = Logik.nimm_Logsatz(Satz(log.Datensatz));
    zeige(StringGrid_Log_data, Logik.Logtabelle);
    if (naechster)
        log.anfordern(*naechster);
}

void TForm_Status_DSG::schreibe_log_Zustandsdaten() {
    const int vorher = Logik.naechste_Zustandszeile;
    Logik.nimm_Zustaende(Satz(k.weitere_Anfragen().DSG_log_Zustandsdaten->Datensatz));
    if (Logik.naechste_Zustandszeile == vorher)
        return;
    zeige(StringGrid, Logik.Zustandstabelle);
    StringGrid->scrollToBottom();
}

void TForm_Status_DSG::Button_Log_StartClick() {
    if (Befehlsobjekte* b = k.befehle())
        b->DSG_Logdaten_starten->starten();
}
