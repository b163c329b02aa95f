#include "windows/service/UFehlerdef.h"

#include "base/Dateiversion.h"
#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "link/UComData.h"
#include "model/Drucker.h"
#include "model/UFehleranfragen.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UColorButton.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QShowEvent>
#include <QTableWidget>
#include <algorithm>

// ---------------------------------------------------------------- the logic

Fehlerdef_Logik::Fehlerdef_Logik(Kontext& kontext) : k(kontext) {}

QStringList Fehlerdef_Logik::Janein() const {
    return {hole_Text(79), hole_Text(78)};
}

QStringList Fehlerdef_Logik::Startbedingungen() {
    return {QStringLiteral("n > 0 U/min"), QStringLiteral("n >= 0 U/min")};
}

bool Fehlerdef_Logik::Plus() const {
    return k.parameter().Definitionsdatei_Plus;
}

bool Fehlerdef_Logik::Bitmodi_sichtbar() const {
    return k.version().passt(1, 0, 0, 618, -1, -1, -1);
}

bool Fehlerdef_Logik::Werte_sichtbar(const cl_Fehler_def& def) const {
    const int typ = k.fehlerdaten().Definitionen.Typ(def);
    return typ == 2 || (typ == 1 && Bitmodi_sichtbar());
}

QStringList Fehlerdef_Logik::Modi(const cl_Fehler_def& def) const {
    return k.fehlerdaten().Definitionen.Typ(def) == 1 ? Bitmodi() : Analogmodi();
}

void Fehlerdef_Logik::baue_Funktionsliste() {
    const cl_Version& v = k.version();
    const int hw = v.Hardware_Haupt();
    QStringList l;
    const auto texte = [&l](int von, int bis) {
        for (int n = von; n <= bis; ++n)
            l.append(hole_Text(n));
    };
    const auto ausgaenge = [&l] {
        for (int n = 1; n <= 16; ++n)
            l.append(hole_Text(1066) + QLatin1Char(' ') + QString::number(n));
    };
    if (v.ECU_Typ() == 5) {
        texte(420, 420);
        texte(1015, 1022);
        P = 100;
    } else if (hw == 0 || (hw >= 100 && hw <= 199) || hw == 300) {
        texte(420, 434);
        P = 100;
    } else if (hw >= 301 && hw <= 399 && v.Typnummer() == 203) {
        texte(420, 420);
        texte(961, 964);
        P = 100;
    } else if (hw >= 301 && hw <= 399) {
        texte(900, 912);
        ausgaenge();
        P = 13;
    } else if (hw >= 400 && hw <= 499) {
        texte(920, 955);
        ausgaenge();
        P = 36;
    }
    Funktionen = l;
}

QString Fehlerdef_Logik::Funktionstext(int32_t funktion) const {
    const int pos = Position_von_Funktion(funktion, P);
    if (pos >= 0 && pos < Funktionen.size())
        return Funktionen[pos];
    return QString::number(funktion);
}

std::vector<Fehlerdef_Logik::Zeile> Fehlerdef_Logik::fuelle(cl_Fehler_def& def) const {
    const cl_Fehler_Definitionen& defs = k.fehlerdaten().Definitionen;
    const int typ = defs.Typ(def);
    const double faktor = defs.Faktor(def);
    const int stellen = defs.Nachkommastellen(def);
    const QStringList jn = Janein();
    const bool plus = Plus();
    std::vector<Zeile> zeilen;
    for (cl_Fehler_limit& g : def.Grenzen) {
        Zeile z;
        if (plus) {
            z[0] = jn[g.Test_Start ? 1 : 0];
            z[1] = Startbedingungen()[g.Startbedingung ? 1 : 0];
        }
        if (typ == 1 && Bitmodi_sichtbar()) {
            if (g.Modus < 2)
                g.Modus = 3;
            z[4] = g.Modus == 2 ? QStringLiteral("L") : QStringLiteral("H");
        } else if (typ == 2) {
            z[2] = Roh_zu_Anzeige(g.Ein, faktor, stellen);
            z[3] = Roh_zu_Anzeige(g.Aus, faktor, stellen);
            z[4] = Analogmodi()[g.Modus == 0 ? 0 : 1];
        }
        z[5] = Funktionstext(g.Funktion);
        if (plus && g.Funktion > 0 && g.speichern == 0) {
            z[6] = jn[g.Signal_ein ? 1 : 0];
            z[7] = Signalmuster_als_Text(g.Signalmuster);
        }
        if (g.Signal_ein == 0)
            z[8] = jn[g.speichern ? 1 : 0];
        zeilen.push_back(z);
    }
    return zeilen;
}

Fehlerdef_Logik::Rueckgabe Fehlerdef_Logik::uebernehme(cl_Fehler_def& def,
                                                       std::vector<Zeile>& zellen) const {
    Rueckgabe rueckgabe;
    const cl_Fehler_Definitionen& defs = k.fehlerdaten().Definitionen;
    const int typ = defs.Typ(def);
    const QStringList jn = Janein();
    const bool plus = Plus();
    const auto position = [](const QStringList& liste, const QString& text) {
        return std::max<qsizetype>(liste.indexOf(text), 0);
    };
    const size_t n = std::min(def.Grenzen.size(), zellen.size());
    for (size_t r = 0; r < n; ++r) {
        cl_Fehler_limit& g = def.Grenzen[r];
        Zeile& z = zellen[r];
        g.Test_Start = plus ? static_cast<uint8_t>(position(jn, z[0])) : 0;
        g.Startbedingung = plus ? static_cast<uint8_t>(position(Startbedingungen(), z[1])) : 0;
        // What the fill left empty keeps its field.
        if (typ == 2) {
            g.Ein = Eingabe_zu_Roh(z[2], defs.Faktor(def));
            g.Aus = Eingabe_zu_Roh(z[3], defs.Faktor(def));
        }
        if (Werte_sichtbar(def)) {
            const QStringList modi = Modi(def);
            g.Modus = static_cast<uint8_t>(position(modi, z[4]) + (modi[0] == u"L" ? 2 : 0));
        }
        // A function the list does not have stays as it is.
        if (const qsizetype f = Funktionen.indexOf(z[5]); f >= 0)
            g.Funktion = Funktion_von_Position(static_cast<int>(f), P);
        if (plus && g.Funktion > 0) {
            g.Signal_ein = static_cast<uint8_t>(position(jn, z[6]));
            z[6] = jn[g.Signal_ein];
            if (g.Signal_ein) {
                g.Signalmuster = Text_als_Signalmuster(z[7]);
                z[7] = Signalmuster_als_Text(g.Signalmuster);
                z[8].clear();
                g.speichern = 0;
                rueckgabe.Signal = true;
            } else {
                z[7].clear();
            }
        } else {
            z[6].clear();
            z[7].clear();
            g.Signal_ein = 0;
            g.Signalmuster = 0;
        }
        g.speichern = static_cast<uint8_t>(position(jn, z[8]));
        if (g.speichern) {
            z[6].clear();
            z[7].clear();
            g.Signal_ein = 0;
            rueckgabe.speichern = true;
        }
    }
    return rueckgabe;
}

bool Fehlerdef_Logik::tippbar(const cl_Fehler_def& def, int spalte) const {
    if (spalte == 7)
        return true;
    return (spalte == 2 || spalte == 3) && k.fehlerdaten().Definitionen.Typ(def) == 2;
}

QStringList Fehlerdef_Logik::freie_Variablen() const {
    const cl_Fehler_Definitionen& defs = k.fehlerdaten().Definitionen;
    QStringList namen;
    const auto& variablen = defs.Katalog().Variablen;
    for (size_t i = 0; i < variablen.size(); ++i)
        if (!defs.benutzt(static_cast<int>(i)))
            namen.append(variablen[i].Name);
    return namen;
}

// ---------------------------------------------------------------- the window

namespace {
constexpr int Gitter_links = 200;
constexpr int Gitter_oben = 64;
constexpr int Zeilenhoehe = 22;
constexpr int Labelhoehe = 16;
} // namespace

TForm_Fehlerdef::TForm_Fehlerdef(Kontext& kontext)
    : TForm(QStringLiteral("errordefs")), k(kontext), logik_(kontext) {
    setWindowTitle(hole_Text(401));
    resize(1040, 440);

    Label_Name = new QLabel(hole_Text(417), this);
    Label_Name->setGeometry(8, Gitter_oben - Labelhoehe - 2, 180, Labelhoehe);
    ListBox_Definition = new QListWidget(this);
    ListBox_Definition->setGeometry(8, Gitter_oben, 180, 250);
    connect(ListBox_Definition, &QListWidget::currentRowChanged, this, [this](int zeile) {
        if (zeile >= 0 && zeile != k.fehlerdaten().Definitionen.aktuell)
            ListBox_DefinitionClick(zeile);
    });

    StringGrid_Grenzen = new QTableWidget(1, Fehlerdef_Logik::Spalten, this);
    StringGrid_Grenzen->horizontalHeader()->hide();
    StringGrid_Grenzen->verticalHeader()->hide();
    StringGrid_Grenzen->verticalHeader()->setDefaultSectionSize(Zeilenhoehe);
    StringGrid_Grenzen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    StringGrid_Grenzen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid_Grenzen->setSelectionMode(QAbstractItemView::SingleSelection);
    int breite = 0;
    for (int s = 0; s < Fehlerdef_Logik::Spalten; ++s) {
        StringGrid_Grenzen->setColumnWidth(s, Spaltenbreiten[s]);
        breite += Spaltenbreiten[s] + 1;
    }
    StringGrid_Grenzen->setGeometry(Gitter_links, Gitter_oben, breite + 22, 250);
    connect(StringGrid_Grenzen, &QTableWidget::currentCellChanged, this,
            [this](int zeile, int spalte) { StringGrid_GrenzenSelectCell(zeile, spalte); });
    connect(StringGrid_Grenzen, &QTableWidget::cellClicked, this,
            [this](int zeile, int spalte) { StringGrid_GrenzenSelectCell(zeile, spalte); });

    Label_Kopf_grenzen = new QLabel(hole_Text(402), this);
    Label_Kopf_grenzen->setGeometry(Gitter_links, Gitter_oben - 3 * Labelhoehe, 300, Labelhoehe);
    static constexpr int kopftexte[] = {1216, 1215, 403, 404, 405, 406, 1217, 1218, 407};
    int links = Gitter_links;
    for (int s = 0; s < Fehlerdef_Logik::Spalten; ++s) {
        Kopf[s] = new QLabel(hole_Text(kopftexte[s]), this);
        Kopf[s]->setGeometry(links, Gitter_oben - Labelhoehe, Spaltenbreiten[s], Labelhoehe);
        links += Spaltenbreiten[s] + 1;
    }

    const auto liste = [this](int spalte, const QStringList& punkte) {
        auto* c = new QComboBox(this);
        c->addItems(punkte);
        c->hide();
        c->installEventFilter(this);
        connect(c, &QComboBox::activated, this, [this, c] { ComboBox_Exit(c); });
        listen_[static_cast<size_t>(spalte)] = c;
        return c;
    };
    ComboBox_Test_Start = liste(0, logik_.Janein());
    ComboBox_Start = liste(1, Fehlerdef_Logik::Startbedingungen());
    ComboBox_Funktion = liste(4, Fehlerdef_Logik::Analogmodi());
    ComboBox_Ausgang = liste(5, {});
    ComboBox_Signal = liste(6, logik_.Janein());
    ComboBox_speichern = liste(8, logik_.Janein());

    ListBox_Variablen_Auswahl = new QListWidget(this);
    ListBox_Variablen_Auswahl->setGeometry(8, Gitter_oben, 180, 250);
    ListBox_Variablen_Auswahl->hide();
    connect(ListBox_Variablen_Auswahl, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { waehle_Variable(item->text()); });

    const auto knopf = [this](int text, int x, int y, int b, auto aktion) {
        auto* knopf = new TColorButton(text ? hole_Text(text) : QString(), this);
        knopf->setGeometry(x, y, b, 25);
        connect(knopf, &QPushButton::clicked, this, aktion);
        return knopf;
    };
    const int unten = Gitter_oben + 260;
    Button_neue_Variable = knopf(409, 8, unten, 180, [this] { Button_neue_VariableClick(); });
    Button_Variable_loeschen =
        knopf(411, 8, unten + 30, 180, [this] { Button_Variable_loeschenClick(); });
    ColorButton_hoch_verschieben =
        knopf(0, 8, unten + 60, 88, [this] { ColorButton_hoch_verschiebenClick(); });
    ColorButton_hoch_verschieben->setText(QStringLiteral("\u25B2"));
    ColorButton_runter_verschieben =
        knopf(0, 100, unten + 60, 88, [this] { ColorButton_runter_verschiebenClick(); });
    ColorButton_runter_verschieben->setText(QStringLiteral("\u25BC"));
    Button_neue_Grenze =
        knopf(408, Gitter_links, unten, 150, [this] { Button_neue_GrenzeClick(); });
    Button_Grenze_loeschen =
        knopf(410, Gitter_links, unten + 30, 150, [this] { Button_Grenze_loeschenClick(); });
    Button_von_Datei_laden =
        knopf(75, Gitter_links + 170, unten, 150, [this] { Button_von_Datei_ladenClick(); });
    Button_in_Datei_speichern = knopf(76, Gitter_links + 170, unten + 30, 150,
                                      [this] { Button_in_Datei_speichernClick(); });
    Button_von_Quorvel =
        knopf(73, Gitter_links + 340, unten, 150, [this] { Button_von_QuorvelClick(); });
    Button_nach_Quorvel =
        knopf(80, Gitter_links + 340, unten + 30, 150, [this] { Button_nach_QuorvelClick(); });
    ColorButton_drucken = knopf(87, Gitter_links + 510, unten, 150, [this] { drucken(); });

    setze_Button_nach_Quorvel(false);
    Button_Grenze_loeschen->setEnabled(false);
    Form_auf_Bildschirm(*this);
    // At start-up a missing catalogue is not yet the user's concern: the showing tells.
    k.fehlerdaten().Definitionen.lade_Variablendatei(k.version().Version(), k.meldungen(), true);
    setze_Verbindung(k.link().ist_verbunden());
    k.interAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { setze_Verbindung(true); },
        cl_COM_Quorvel::Verbunden);
    k.interAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { setze_Verbindung(false); },
        cl_COM_Quorvel::Getrennt);
    // Leaving the grid and its lists for anything else reads the rows back.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* alt, QWidget* neu) {
        if (alt && neu && im_Gitter(alt) && !im_Gitter(neu))
            StringGrid_GrenzenExit();
    });
}

bool TForm_Fehlerdef::im_Gitter(const QWidget* w) const {
    if (w == StringGrid_Grenzen || StringGrid_Grenzen->isAncestorOf(w))
        return true;
    // A list's open popup is a window of its own.
    return std::any_of(listen_.begin(), listen_.end(), [w](const QComboBox* c) {
        return c && (c == w || c->isAncestorOf(w) || w->window() == c->view()->window());
    });
}

QComboBox* TForm_Fehlerdef::Liste_von(int spalte) const {
    return spalte >= 0 && spalte < Fehlerdef_Logik::Spalten ? listen_[static_cast<size_t>(spalte)]
                                                            : nullptr;
}

void TForm_Fehlerdef::setze_Verbindung(bool an) {
    Button_von_Quorvel->setEnabled(an);
    Button_nach_Quorvel->setEnabled(an);
}

void TForm_Fehlerdef::setze_Button_nach_Quorvel(bool definitionen) {
    Button_nach_Quorvel->setText(hole_Text(definitionen ? 74 : 80));
    Button_Variable_loeschen->setEnabled(definitionen);
    Button_in_Datei_speichern->setEnabled(definitionen);
    ColorButton_drucken->setEnabled(definitionen);
    Button_neue_Grenze->setEnabled(definitionen);
}

void TForm_Fehlerdef::anzeigen() {
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    show();
    raise();
    activateWindow();
}

void TForm_Fehlerdef::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    // A window coming back from the task bar is no new showing.
    if (event->spontaneous())
        return;
    const bool plus = logik_.Plus();
    for (int s : {1, 6, 7})
        Kopf[static_cast<size_t>(s)]->setVisible(plus);
    logik_.baue_Funktionsliste();
    ComboBox_Ausgang->clear();
    ComboBox_Ausgang->addItems(logik_.Funktionen);
    verberge_Listen();
    ListBox_Variablen_Auswahl->hide();
    // The definitions in memory are discarded when the catalogue can be read.
    cl_Fehler_Definitionen& defs = k.fehlerdaten().Definitionen;
    defs.lade_Variablendatei(k.version().Version(), k.meldungen());
    if (defs.leer()) {
        leere_Grenzen();
        ListBox_Definition->clear();
        setze_Button_nach_Quorvel(false);
    }
    if (Button_von_Quorvel->isEnabled())
        Button_von_QuorvelClick();
}

void TForm_Fehlerdef::mousePressEvent(QMouseEvent* event) {
    ListBox_Variablen_Auswahl->hide();
    TForm::mousePressEvent(event);
}

void TForm_Fehlerdef::verberge_Listen() {
    for (QComboBox* c : listen_)
        if (c)
            c->hide();
}

void TForm_Fehlerdef::fuelle_Definitionsliste() {
    const cl_Fehler_Definitionen& defs = k.fehlerdaten().Definitionen;
    const QSignalBlocker sperre(ListBox_Definition);
    ListBox_Definition->clear();
    for (const cl_Fehler_def& d : defs.Liste)
        ListBox_Definition->addItem(defs.Name(d));
    ListBox_Definition->setCurrentRow(defs.aktuell);
}

void TForm_Fehlerdef::leere_Grenzen() {
    verberge_Listen();
    gefuellt_ = false;
    const QSignalBlocker sperre(StringGrid_Grenzen);
    StringGrid_Grenzen->clearContents();
    StringGrid_Grenzen->setRowCount(1);
    StringGrid_Grenzen->setShowGrid(false);
    StringGrid_Grenzen->setEnabled(false);
    Button_Grenze_loeschen->setEnabled(false);
}

void TForm_Fehlerdef::fuelle_Grenzen(const std::vector<Fehlerdef_Logik::Zeile>& zeilen) {
    cl_Fehler_def* def = k.fehlerdaten().Definitionen.aktuelle();
    if (!def || zeilen.empty()) {
        leere_Grenzen();
        return;
    }
    const QSignalBlocker sperre(StringGrid_Grenzen);
    StringGrid_Grenzen->setRowCount(static_cast<int>(zeilen.size()));
    for (size_t r = 0; r < zeilen.size(); ++r)
        for (int s = 0; s < Fehlerdef_Logik::Spalten; ++s) {
            auto* zelle = new QTableWidgetItem(zeilen[r][static_cast<size_t>(s)]);
            // Typing goes only where a number or a pattern is typed.
            if (!logik_.tippbar(*def, s))
                zelle->setFlags(zelle->flags() & ~Qt::ItemIsEditable);
            StringGrid_Grenzen->setItem(static_cast<int>(r), s, zelle);
        }
    Button_Grenze_loeschen->setEnabled(zeilen.size() >= 2);
    StringGrid_Grenzen->setShowGrid(true);
    StringGrid_Grenzen->setEnabled(true);
    gefuellt_ = true;
    gefuellt_Index_ = k.fehlerdaten().Definitionen.aktuell;
    gefuellt_Variable_ = def->Variable;
}

void TForm_Fehlerdef::zeige_Grenzen() {
    verberge_Listen();
    cl_Fehler_def* def = k.fehlerdaten().Definitionen.aktuelle();
    if (!def) {
        leere_Grenzen();
        return;
    }
    const QStringList modi = logik_.Modi(*def);
    ComboBox_Funktion->clear();
    ComboBox_Funktion->addItems(modi);
    fuelle_Grenzen(logik_.fuelle(*def));
}

std::vector<Fehlerdef_Logik::Zeile> TForm_Fehlerdef::Zellen() const {
    std::vector<Fehlerdef_Logik::Zeile> zellen(static_cast<size_t>(StringGrid_Grenzen->rowCount()));
    for (size_t r = 0; r < zellen.size(); ++r)
        for (int s = 0; s < Fehlerdef_Logik::Spalten; ++s) {
            const QTableWidgetItem* zelle = StringGrid_Grenzen->item(static_cast<int>(r), s);
            zellen[r][static_cast<size_t>(s)] = zelle ? zelle->text() : QString();
        }
    return zellen;
}

void TForm_Fehlerdef::StringGrid_GrenzenExit() {
    cl_Fehler_def* def = k.fehlerdaten().Definitionen.aktuelle();
    // The rows go back only to the definition they came from: a transfer may have changed
    // the list meanwhile.
    if (!gefuellt_ || !def || k.fehlerdaten().Definitionen.aktuell != gefuellt_Index_ ||
        def->Variable != gefuellt_Variable_ ||
        static_cast<int>(def->Grenzen.size()) != StringGrid_Grenzen->rowCount())
        return;
    auto zellen = Zellen();
    const Fehlerdef_Logik::Rueckgabe r = logik_.uebernehme(*def, zellen);
    // A signalling row stands the store list at "no", a storing row the signal list.
    if (r.Signal)
        ComboBox_speichern->setCurrentIndex(0);
    if (r.speichern)
        ComboBox_Signal->setCurrentIndex(0);
    zeige_Grenzen();
}

void TForm_Fehlerdef::StringGrid_GrenzenSelectCell(int zeile, int spalte) {
    verberge_Listen();
    ListBox_Variablen_Auswahl->hide();
    cl_Fehler_def* def = k.fehlerdaten().Definitionen.aktuelle();
    if (!def || !gefuellt_ || zeile < 0 || spalte < 0)
        return;
    const bool plus = logik_.Plus();
    QComboBox* liste = Liste_von(spalte);
    if ((spalte == 0 || spalte == 1 || spalte == 6) && !plus)
        liste = nullptr;
    if (spalte == 6 && ComboBox_speichern->currentIndex() != 0)
        liste = nullptr;
    if (spalte == 8 && ComboBox_Signal->currentIndex() != 0)
        liste = nullptr;
    if (!liste)
        return;
    const QTableWidgetItem* zelle = StringGrid_Grenzen->item(zeile, spalte);
    const int pos = zelle ? liste->findText(zelle->text()) : -1;
    liste->setCurrentIndex(std::max(pos, 0));
    const QRect r = StringGrid_Grenzen->visualItemRect(StringGrid_Grenzen->item(zeile, spalte));
    const QPoint oben_links = StringGrid_Grenzen->viewport()->mapTo(this, r.topLeft());
    liste->setGeometry(oben_links.x(), oben_links.y(), std::max(r.width(), 40), r.height());
    liste->show();
    liste->raise();
    liste->setFocus();
}

void TForm_Fehlerdef::ComboBox_Exit(QComboBox* liste) {
    if (!liste || !liste->isVisible())
        return;
    liste->hide();
    const int zeile = StringGrid_Grenzen->currentRow();
    const int spalte = StringGrid_Grenzen->currentColumn();
    if (zeile >= 0 && spalte >= 0 && Liste_von(spalte) == liste) {
        if (QTableWidgetItem* zelle = StringGrid_Grenzen->item(zeile, spalte))
            zelle->setText(liste->currentText());
    }
    StringGrid_Grenzen->setFocus();
}

bool TForm_Fehlerdef::eventFilter(QObject* objekt, QEvent* event) {
    auto* liste = qobject_cast<QComboBox*>(objekt);
    if (liste && event->type() == QEvent::KeyPress) {
        const int taste = static_cast<QKeyEvent*>(event)->key();
        if (taste == Qt::Key_Left || taste == Qt::Key_Right) {
            ComboBox_Exit(liste);
            const int spalte = StringGrid_Grenzen->currentColumn();
            int neu = spalte + (taste == Qt::Key_Left ? -1 : 1);
            if (neu >= Fehlerdef_Logik::Spalten)
                neu = 0;
            if (neu >= 0)
                StringGrid_Grenzen->setCurrentCell(StringGrid_Grenzen->currentRow(), neu);
            return true;
        }
    }
    // Opening the list's popup takes the focus too: that is no leaving.
    if (liste && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason &&
        !liste->view()->isVisible())
        ComboBox_Exit(liste);
    return TForm::eventFilter(objekt, event);
}

// ---------------------------------------------------------------- the definitions

void TForm_Fehlerdef::nach_Aenderung() {
    const bool da = !k.fehlerdaten().Definitionen.leer();
    setze_Button_nach_Quorvel(da);
    fuelle_Definitionsliste();
    zeige_Grenzen();
}

void TForm_Fehlerdef::ListBox_DefinitionClick(int zeile) {
    ListBox_Variablen_Auswahl->hide();
    cl_Fehler_Definitionen& defs = k.fehlerdaten().Definitionen;
    if (zeile < 0 || zeile >= static_cast<int>(defs.Liste.size()))
        return;
    defs.aktuell = zeile;
    {
        const QSignalBlocker sperre(ListBox_Definition);
        ListBox_Definition->setCurrentRow(zeile);
    }
    zeige_Grenzen();
}

void TForm_Fehlerdef::Button_neue_VariableClick() {
    ListBox_Variablen_Auswahl->clear();
    ListBox_Variablen_Auswahl->addItems(logik_.freie_Variablen());
    ListBox_Variablen_Auswahl->show();
    ListBox_Variablen_Auswahl->raise();
}

void TForm_Fehlerdef::waehle_Variable(const QString& name) {
    cl_Fehler_Definitionen& defs = k.fehlerdaten().Definitionen;
    const int v = defs.Katalog().suche_Name(name);
    ListBox_Variablen_Auswahl->hide();
    if (v < 0 || defs.benutzt(v))
        return;
    defs.neue_Definition_nach_aktueller(v);
    nach_Aenderung();
}

void TForm_Fehlerdef::Button_Variable_loeschenClick() {
    ListBox_Variablen_Auswahl->hide();
    cl_Fehler_Definitionen& defs = k.fehlerdaten().Definitionen;
    if (!defs.aktuelle() || !k.meldungen().frage_OK_Abbrechen(hole_Text(416), hole_Text(411)))
        return;
    leere_Grenzen();
    ListBox_Definition->clear();
    defs.loesche_aktuelle();
    nach_Aenderung();
}

void TForm_Fehlerdef::Button_neue_GrenzeClick() {
    ListBox_Variablen_Auswahl->hide();
    cl_Fehler_Definitionen& defs = k.fehlerdaten().Definitionen;
    cl_Fehler_def* def = defs.aktuelle();
    if (!def)
        return;
    const int typ = defs.Typ(*def);
    if (typ != 1 && typ != 2)
        return;
    def->Grenzen.emplace_back();
    zeige_Grenzen();
}

void TForm_Fehlerdef::Button_Grenze_loeschenClick() {
    ListBox_Variablen_Auswahl->hide();
    cl_Fehler_def* def = k.fehlerdaten().Definitionen.aktuelle();
    if (!def || def->Grenzen.size() < 2)
        return;
    const int zeile = std::max(StringGrid_Grenzen->currentRow(), 0);
    if (!k.meldungen().frage_OK_Abbrechen(hole_Text(415), hole_Text(410)))
        return;
    if (static_cast<size_t>(zeile) < def->Grenzen.size())
        def->Grenzen.erase(def->Grenzen.begin() + zeile);
    zeige_Grenzen();
}

void TForm_Fehlerdef::ColorButton_hoch_verschiebenClick() {
    cl_Fehler_Definitionen& defs = k.fehlerdaten().Definitionen;
    if (!defs.aktuelle() || defs.aktuell == 0)
        return;
    std::swap(defs.Liste[static_cast<size_t>(defs.aktuell)],
              defs.Liste[static_cast<size_t>(defs.aktuell - 1)]);
    // The grid's rows move with their definition.
    if (gefuellt_Index_ == defs.aktuell)
        --gefuellt_Index_;
    --defs.aktuell;
    fuelle_Definitionsliste();
}

void TForm_Fehlerdef::ColorButton_runter_verschiebenClick() {
    cl_Fehler_Definitionen& defs = k.fehlerdaten().Definitionen;
    if (!defs.aktuelle() || defs.aktuell + 1 >= static_cast<int>(defs.Liste.size()))
        return;
    std::swap(defs.Liste[static_cast<size_t>(defs.aktuell)],
              defs.Liste[static_cast<size_t>(defs.aktuell + 1)]);
    if (gefuellt_Index_ == defs.aktuell)
        ++gefuellt_Index_;
    ++defs.aktuell;
    fuelle_Definitionsliste();
}

// ---------------------------------------------------------------- transfers and files

void TForm_Fehlerdef::Button_nach_QuorvelClick() {
    ListBox_Variablen_Auswahl->hide();
    Fehleranfragen& a = k.fehleranfragen();
    if (!k.fehlerdaten().Definitionen.leer()) {
        if (k.meldungen().frage_OK_Abbrechen(hole_Text(414), hole_Text(74)))
            a.Fehler_def_nach_Quorvel->sende_naechsten();
    } else if (k.meldungen().frage_OK_Abbrechen(hole_Text(413), hole_Text(80))) {
        a.Fehler_def_nach_Quorvel->starten();
    }
}

void TForm_Fehlerdef::Button_von_QuorvelClick() {
    ListBox_Variablen_Auswahl->hide();
    if (!k.meldungen().frage_OK_Abbrechen(hole_Text(412), hole_Text(73)))
        return;
    leere_Grenzen();
    ListBox_Definition->clear();
    cl_Fehler_Definitionen& defs = k.fehlerdaten().Definitionen;
    defs.lade_Variablendatei(k.version().Version(), k.meldungen());
    defs.alle_freigeben();
    setze_Button_nach_Quorvel(false);
    k.fehleranfragen().Fehler_def_von_Quorvel->starten();
}

void TForm_Fehlerdef::Button_in_Datei_speichernClick() {
    ListBox_Variablen_Auswahl->hide();
    const cl_Fehler_Definitionen& defs = k.fehlerdaten().Definitionen;
    if (defs.leer())
        return;
    cl_Dateiversion& v = k.dateiversion();
    v.Beschriftung = QStringLiteral("Fehlerdefinitionen");
    v.Suffix = QStringLiteral("V");
    v.Speichermodus = 1;
    const int nr = v.zeige_Dialog();
    if (nr < 0)
        return;
    speichere_Definitionsdatei(v.Dateiname(nr), defs, k.meldungen());
}

void TForm_Fehlerdef::Button_von_Datei_ladenClick() {
    ListBox_Variablen_Auswahl->hide();
    cl_Dateiversion& v = k.dateiversion();
    v.Beschriftung = QStringLiteral("Fehlerdefinitionen");
    v.Suffix = QStringLiteral("V");
    v.Speichermodus = 0;
    const int nr = v.zeige_Dialog();
    if (nr < 0)
        return;
    if (!lade_Definitionsdatei(v.Dateiname(nr), k.fehlerdaten().Definitionen, k.meldungen()))
        return;
    nach_Aenderung();
}

// ---------------------------------------------------------------- printing

void TForm_Fehlerdef::drucken() {
    ListBox_Variablen_Auswahl->hide();
    TPrinter_Quorvel& d = k.drucker();
    int kopien = 1;
    if (!d.Druckdialog(kopien))
        return;
    cl_Fehler_Definitionen& defs = k.fehlerdaten().Definitionen;
    const QStringList jn = logik_.Janein();
    while (kopien-- > 0) {
        d.Dokument_beginnen();
        QPainter& p = d.Canvas();
        const int h = d.Ueberschrift(hole_Text(401), 30);
        const auto text = [&](int x, const QString& t) {
            p.drawText(QPoint(x, d.Zeile_Y + p.fontMetrics().ascent()), t);
        };
        const auto kopfblock = [&] {
            p.fillRect(QRect(170, d.Zeile_Y, d.Seitenbreite - 120 - 170, h + 20),
                       QColor(192, 192, 192));
            d.Zeile_Y += 10;
            static constexpr std::pair<int, int> kopf[] = {
                {417, 170},  {1216, 500}, {1215, 600}, {403, 800},  {404, 900},
                {405, 1000}, {406, 1100}, {418, 1600}, {419, 1680}, {407, 1930}};
            for (auto [nr, x] : kopf)
                text(x, hole_Text(nr));
            d.Zeile_Y += h + 25;
        };
        kopfblock();
        for (const cl_Fehler_def& def : defs.Liste) {
            const int zeilen = static_cast<int>(def.Grenzen.size());
            if (d.Zeile_Y + (h + 15) * zeilen > d.Seitenhoehe - 100) {
                d.neue_Seite();
                kopfblock();
            }
            text(170, defs.Name(def));
            const double faktor = defs.Faktor(def);
            const int stellen = defs.Nachkommastellen(def);
            for (const cl_Fehler_limit& g : def.Grenzen) {
                text(500, jn[g.Test_Start ? 1 : 0]);
                text(600, Fehlerdef_Logik::Startbedingungen()[g.Startbedingung ? 1 : 0]);
                text(800, Float_zu_String_fest(10, stellen, static_cast<float>(g.Ein * faktor))
                              .trimmed());
                text(900, Float_zu_String_fest(10, stellen, static_cast<float>(g.Aus * faktor))
                              .trimmed());
                text(1000, g.Modus != 0 ? QStringLiteral(">=") : QStringLiteral("<="));
                text(1050, logik_.Funktionstext(g.Funktion));
                text(1600, jn[g.Signal_ein ? 1 : 0]);
                {
                    // Sixteen digits fill the pattern's column only a little smaller.
                    const QFont normal = p.font();
                    const int grundlinie = d.Zeile_Y + p.fontMetrics().ascent();
                    QFont klein = normal;
                    klein.setPixelSize(22);
                    p.setFont(klein);
                    p.drawText(QPoint(1680, grundlinie), Signalmuster_als_Text(g.Signalmuster));
                    p.setFont(normal);
                }
                text(1930, jn[g.speichern ? 1 : 0]);
                d.Zeile_Y += h + 15;
            }
            d.Zeile_Y += h + 15;
        }
        d.Seite_beenden(kopien > 0);
    }
    // Also without definitions the document ends, so that the printer is free again.
    d.Dokument_beenden();
}
