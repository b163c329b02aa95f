#include "windows/maps/UZuendung.h"

#include "base/Dateiversion.h"
#include "base/Meldungen.h"
#include "base/UInterAction.h"
#include "base/Uglobal.h"
#include "link/UCOM.h"
#include "model/Drucker.h"
#include "model/UKennfelder.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"
#include "platform/Dateien.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UCSV_speichern.h"
#include "windows/UColorButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QRegularExpression>

namespace {

constexpr int Zellenbreite = 40;
constexpr int Zellenabstand = 44;
const QColor Achsenfarbe(0xC8, 0xC8, 0xC8);

Zuendumgebung Umgebung_aus(Kontext& k) {
    return {k.link(),
            k.version(),
            k.kommunikation(),
            k.parameter(),
            k.passwort_OK(),
            k.meldungen(),
            &k.dateiversion(),
            &k.ecu_Befehle().akt_Daten,
            &k.ecu_Befehle().akt_Daten_A};
}

// The system's time separator: what its time format puts between hours and minutes.
QChar Zeittrenner() {
    const QString format = QLocale::system().timeFormat(QLocale::ShortFormat);
    const qsizetype h = format.indexOf(QRegularExpression(QStringLiteral("[hH]+")));
    if (h >= 0)
        for (qsizetype i = h; i < format.size(); ++i)
            if (format[i] != 'h' && format[i] != 'H')
                return format[i] == ' ' ? QChar(':') : format[i];
    return ':';
}

} // namespace

TForm_Zuendung::TForm_Zuendung(Kontext& kontext)
    : TForm_Zuendung(kontext, Zuendvariante::Zuendung(), QStringLiteral("ignition")) {}

TForm_Zuendung::TForm_Zuendung(Kontext& kontext, const Zuendvariante& variante,
                               const QString& hilfethema)
    : TForm(hilfethema), k(kontext), logik_(Umgebung_aus(kontext), variante) {
    baue();
}

TForm_Zuendung::~TForm_Zuendung() {
    if (logik_.Variante.online_aufrufbar)
        k.kennfelder().setze_Zuendwinkel_Bedienung(nullptr);
}

QString TForm_Zuendung::Standardtitel() const {
    if (logik_.Variante.Karte != 1)
        return hole_Text(1209);
    return hole_Text(k.version().ECU_Typ() == 5 ? 1058 : 270);
}

void TForm_Zuendung::baue() {
    setStyleSheet(QString());
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, logik_.Variante.Karte == 1
                                       ? QColor(0xC0, 0xC0, 0xC0)
                                       : QApplication::palette().color(QPalette::Button));
    setPalette(pal);
    move(logik_.Variante.Karte == 1 ? QPoint(596, 334) : QPoint(687, 151));
    setze_Titel(QString());

    QFont zellenschrift = font();
    zellenschrift.setPointSize(10);
    for (int r = 0; r <= 16; ++r)
        for (int c = 0; c <= 16; ++c) {
            if (r == 0 && c == 0)
                continue;
            auto* e = new QLineEdit(this);
            e->setFont(zellenschrift);
            e->setFrame(false);
            e->setReadOnly(true);
            e->setMaxLength(c == 0 ? 5 : 4);
            e->setFixedWidth(Zellenbreite);
            e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            e->setFocusPolicy(Qt::ClickFocus);
            e->installEventFilter(this);
            Zellen[static_cast<size_t>(r)][static_cast<size_t>(c)] = e;
        }
    Zellen[1][1]->setFocusPolicy(Qt::StrongFocus);
    Zellenhoehe = Zellen[1][1]->sizeHint().height();
    for (int r = 0; r <= 16; ++r)
        for (int c = 0; c <= 16; ++c)
            if (QLineEdit* e = Zellen[static_cast<size_t>(r)][static_cast<size_t>(c)]) {
                e->setGeometry(c * Zellenabstand + 11, r * Zellenhoehe + 12, Zellenbreite,
                               Zellenhoehe);
                zeige_Zelle({r, c});
            }
    const int hoehe = 17 * Zellenhoehe + 115;
    setFixedSize(788, hoehe);

    CheckBox_Online = new QCheckBox(hole_Text(275), this);
    CheckBox_Online->resize(std::max(150, CheckBox_Online->sizeHint().width()),
                            CheckBox_Online->sizeHint().height());
    CheckBox_Online->move(20, hoehe - CheckBox_Online->height() - 70);
    connect(CheckBox_Online, &QCheckBox::clicked, this, [this] { CheckBox_OnlineClick(); });

    Button_nach_Quorvel = new TColorButton(hole_Text(74), this);
    Button_Funktionen = new TColorButton(hole_Text(256), this);
    for (TColorButton* b : {Button_nach_Quorvel, Button_Funktionen})
        b->resize(std::max(120, b->sizeHint().width()), 25);
    Button_nach_Quorvel->move(width() - Button_nach_Quorvel->width() - 10,
                              hoehe - Button_nach_Quorvel->height() - 65);
    Button_Funktionen->move(Button_nach_Quorvel->x(),
                            Button_nach_Quorvel->y() + Button_nach_Quorvel->height() + 5);
    connect(Button_nach_Quorvel, &QAbstractButton::clicked, this,
            [this] { Button_nach_QuorvelClick(); });
    connect(Button_Funktionen, &QAbstractButton::clicked, this, [this] { zeige_Funktionsmenue(); });

    Label_Hilfe_1a = new QLabel(this);
    Label_Hilfe_1b = new QLabel(this);
    const int lh = Label_Hilfe_1a->sizeHint().height();
    Label_Hilfe_1a->setGeometry(20, hoehe - 3 * lh - 15, 500, lh);
    Label_Hilfe_1b->setGeometry(20, hoehe - 2 * lh - 15, 500, lh);
    Label_Hilfe_1a->hide();
    Label_Hilfe_1b->hide();

    PopupMenu_Zuendung = new QMenu(this);
    const auto eintrag = [this](int text, void (TForm_Zuendung::*aktion)()) {
        QAction* a = PopupMenu_Zuendung->addAction(hole_Text(text));
        connect(a, &QAction::triggered, this, [this, aktion] { (this->*aktion)(); });
        return a;
    };
    Menu_Zeileeinfuegen = eintrag(271, &TForm_Zuendung::Zeile_einfuegen);
    Menu_Spalteeinuefgen = eintrag(272, &TForm_Zuendung::Spalte_einfuegen);
    PopupMenu_Zuendung->addSeparator();
    Menu_Zeileloeschen = eintrag(273, &TForm_Zuendung::Zeile_loeschen);
    Menu_Spalteloeschen = eintrag(274, &TForm_Zuendung::Spalte_loeschen);
    PopupMenu_Zuendung->addSeparator();
    Menu_Kennfeldladen = PopupMenu_Zuendung->addAction(hole_Text(75));
    connect(Menu_Kennfeldladen, &QAction::triggered, this, [this] { laden(true); });
    Menu_Kennfeldspeichern = PopupMenu_Zuendung->addAction(hole_Text(76));
    connect(Menu_Kennfeldspeichern, &QAction::triggered, this, [this] { speichern(true); });
    Menu_in_CSV_Datei_speichern = eintrag(1231, &TForm_Zuendung::Menu_in_CSV_Datei_speichernClick);
    Menu_drucken = eintrag(87, &TForm_Zuendung::Menu_druckenClick);

    Frage = [this](const QString& titel, const QString& text) {
        return QMessageBox::question(this, titel, text, QMessageBox::Ok | QMessageBox::Cancel) ==
               QMessageBox::Ok;
    };

    nach_Beschriftung();
    Form_auf_Bildschirm(*this);

    // The map object announces its writes without the wait window to this editor's labels.
    logik_.Karte.zeige_Hilfetexte = [this] { zeige_Hilfetexte(); };
    const int karte = logik_.Variante.Karte;
    InterAction().Create(
        cl_Zuendung::Klasse,
        [this](Sender& s) {
            if (&s == &logik_.Karte) {
                Kennfeld_schreiben();
                check_Buttons();
            }
        },
        cl_Zuendung::Gelesen_Basis + karte);
    InterAction().Create(
        cl_akt_Daten::Klasse, [this](Sender&) { update_Position(); }, cl_akt_Daten::Beantwortet);
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { Kennfeld_COM_aktiv(); },
        cl_COM_Quorvel::Verbunden);
    InterAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { check_Buttons(); }, cl_COM_Quorvel::Getrennt);
    InterAction().Create(
        cl_Zuendung::Klasse,
        [this](Sender& s) {
            if (&s == &logik_.Karte)
                check_Buttons();
        },
        cl_Zuendung::Geschrieben_Basis + karte);

    // The maps menu and the description file reach the editor through its model entry.
    Zuendeditor& eintrag_ = karte == 1 ? k.kennfelder().Zuendung() : k.kennfelder().Zuendung_2();
    eintrag_.zeigen = [this] { OnShow_Funktion(); };
    eintrag_.Titel_geaendert = [this](const QString& t) { setze_Titel(t); };
    if (logik_.Variante.online_aufrufbar)
        k.kennfelder().setze_Zuendwinkel_Bedienung(this);
    zeige_Hilfetexte();
    Kennfeld_schreiben();
    check_Buttons();
}

void TForm_Zuendung::OnShow_Funktion() {
    show();
    raise();
    activateWindow();
}

void TForm_Zuendung::setze_Titel(const QString& text) {
    setWindowTitle(text.isEmpty() ? Standardtitel() : text);
}

QLineEdit* TForm_Zuendung::Zelle(Zuendzelle z) const {
    if (z.zeile < 0 || z.zeile > 16 || z.spalte < 0 || z.spalte > 16)
        return nullptr;
    return Zellen[static_cast<size_t>(z.zeile)][static_cast<size_t>(z.spalte)];
}

Zuendzelle TForm_Zuendung::Zelle_von(const QObject* o) const {
    for (int r = 0; r <= 16; ++r)
        for (int c = 0; c <= 16; ++c)
            if (Zellen[static_cast<size_t>(r)][static_cast<size_t>(c)] == o)
                return {r, c};
    return {-1, -1};
}

void TForm_Zuendung::fokussiere(Zuendzelle z) {
    if (QLineEdit* e = Zelle(z)) {
        logik_.aktuelle_Zelle = z;
        positioniert_ = true;
        e->setFocus(Qt::OtherFocusReason);
        positioniert_ = false;
    }
}

void TForm_Zuendung::setze_Fenstergroesse() {
    const int n = logik_.Karte.Spaltenzahl;
    for (int r = 0; r <= 16; ++r)
        for (int c = 9; c <= 16; ++c)
            if (QLineEdit* e = Zelle({r, c}))
                e->setVisible(n == 16);
    const int breite = (n + 1) * Zellenabstand + 40;
    if (width() != breite)
        setFixedSize(breite, height());
    for (TColorButton* b : {Button_nach_Quorvel, Button_Funktionen})
        if (b)
            b->move(breite - b->width() - 10, b->y());
}

void TForm_Zuendung::paintEvent(QPaintEvent* ereignis) {
    TForm::paintEvent(ereignis);
    QPainter p(this);
    p.setPen(Qt::white);
    const int h = Zellenhoehe;
    const int n = logik_.Karte.Spaltenzahl;
    const QPoint ecken[] = {{55, h + 10},
                            {n * Zellenabstand + 35, h + 10},
                            {n * Zellenabstand + 35, 17 * h + 12},
                            {55, 17 * h + 12}};
    p.drawPolygon(ecken, 4);
}

void TForm_Zuendung::zeige_Zelle(Zuendzelle z) {
    QLineEdit* e = Zelle(z);
    if (!e)
        return;
    const Zuendtabelle& t = logik_.Tabelle;
    const bool achse = z.zeile == 0 || z.spalte == 0;
    const bool bearbeitet = !e->isReadOnly();
    const bool gesetzt = t.ist_gesetzt(z);
    const bool rahmen = logik_.Online && z == logik_.Cursor;
    const QString farbe = bearbeitet ? QStringLiteral("aqua")
                          : achse    ? Achsenfarbe.name()
                                     : QStringLiteral("white");
    e->setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; font-weight: %3; "
                                    "border: %4; }")
                         .arg(farbe, gesetzt ? QStringLiteral("red") : QStringLiteral("black"),
                              gesetzt ? QStringLiteral("bold") : QStringLiteral("normal"),
                              rahmen ? QStringLiteral("1px solid black")
                                     : QStringLiteral("1px solid transparent")));
    if (!bearbeitet)
        e->setText(t.Text(z));
}

void TForm_Zuendung::Kennfeld_schreiben() {
    setze_Fenstergroesse();
    logik_.Tabelle.auswerten();
    for (int r = 0; r <= 16; ++r)
        for (int c = 0; c <= 16; ++c)
            zeige_Zelle({r, c});
    update();
}

void TForm_Zuendung::check_Buttons() {
    const Zuendeditorlogik::Knoepfe kn = logik_.Knopfzustand();
    Button_nach_Quorvel->setEnabled(kn.nach_Quorvel);
    CheckBox_Online->setEnabled(kn.Online);
    Button_Funktionen->setEnabled(kn.Funktionen);
}

void TForm_Zuendung::zeige_Hilfetexte() {
    const Zuendeditorlogik::Hilfe h = logik_.Hilfetexte();
    Label_Hilfe_1a->setVisible(h.text_a != 0);
    Label_Hilfe_1b->setVisible(h.text_b != 0);
    if (h.text_a)
        Label_Hilfe_1a->setText(hole_Text(h.text_a));
    if (h.text_b)
        Label_Hilfe_1b->setText(hole_Text(h.text_b));
}

void TForm_Zuendung::showEvent(QShowEvent* ereignis) {
    TForm::showEvent(ereignis);
    logik_.Karte.lesen(true);
    logik_.staendig_positionieren = false;
    zeige_Hilfetexte();
    fokussiere({1, 1});
}

void TForm_Zuendung::Kennfeld_COM_aktiv() {
    if (isVisible())
        logik_.Karte.lesen(true);
    check_Buttons();
}

void TForm_Zuendung::EditExit(Zuendzelle z) {
    QLineEdit* e = Zelle(z);
    if (!e)
        return;
    // Only a text the user changed is taken: points beyond the used area that no cell shows
    // stay as they are.
    if (e->text() != logik_.Tabelle.Text(z))
        logik_.Tabelle.uebernehme(z, e->text());
    logik_.letzte_Zelle = z;
    e->setReadOnly(true);
    Kennfeld_schreiben();
}

void TForm_Zuendung::setze_akt_Edit_ReadOnly(Zuendzelle z) {
    QLineEdit* e = Zelle(z);
    if (!e)
        return;
    const bool bearbeiten = e->isReadOnly() && !logik_.Online;
    e->setReadOnly(!bearbeiten);
    logik_.Eingabe_aktiv = bearbeiten;
    zeige_Zelle(z);
    if (bearbeiten)
        e->selectAll();
    check_Buttons();
}

bool TForm_Zuendung::Zellentaste(Zuendzelle z, int taste, Qt::KeyboardModifiers mod,
                                 const QString& text) {
    using T = Zuendtabelle::Taste;
    QLineEdit* e = Zelle(z);
    const bool bearbeitet = e && !e->isReadOnly();
    if (mod & (Qt::AltModifier | Qt::ControlModifier))
        return false;
    if (taste == Qt::Key_Return || taste == Qt::Key_Enter) {
        const bool war = bearbeitet;
        if (war)
            EditExit(z);
        else
            logik_.letzte_Zelle = z;
        if (war) {
            logik_.Eingabe_aktiv = false;
            check_Buttons();
        } else {
            setze_akt_Edit_ReadOnly(z);
        }
        return true;
    }
    T t = T::keine;
    bool shift = false;
    switch (taste) {
    case Qt::Key_Up:
        t = T::hoch;
        break;
    case Qt::Key_Down:
        t = T::runter;
        break;
    case Qt::Key_Left:
        t = T::links;
        break;
    case Qt::Key_Right:
        t = T::rechts;
        break;
    case Qt::Key_Tab:
        t = T::tab;
        break;
    case Qt::Key_Backtab:
        t = T::tab, shift = true;
        break;
    default:
        break;
    }
    if (t != T::keine) {
        if (logik_.staendig_positionieren)
            return true;
        if (bearbeitet && !logik_.Online)
            return t != T::links && t != T::rechts; // the cursor moves inside the text
        fokussiere(logik_.Tabelle.navigiere(z, t, shift, logik_.Online));
        return true;
    }
    if (taste == Qt::Key_F3) {
        if (logik_.Online)
            fokussiere(logik_.Cursor);
        return true;
    }
    if (taste == Qt::Key_F5) {
        if (logik_.Online) {
            logik_.staendig_positionieren = !logik_.staendig_positionieren;
            zeige_Hilfetexte();
        }
        return true;
    }
    if (!logik_.Online || bearbeitet)
        return false;
    if (text == u"q" || text == u"Q" || text == u"+") {
        Zuendwinkel_plus();
        return true;
    }
    if (text == u"y" || text == u"Y" || text == u"-") {
        Zuendwinkel_minus();
        return true;
    }
    if (text == u" ") {
        if (Aufrufer && Aufrufer->sichtbar()) {
            Aufrufer->Ansicht()->zeichne_Kennfeld();
            if (auto* w = dynamic_cast<QWidget*>(Aufrufer->Ansicht())) {
                w->raise();
                w->activateWindow();
            }
        }
        Aufrufer = nullptr;
        return true;
    }
    return false;
}

bool TForm_Zuendung::eventFilter(QObject* objekt, QEvent* ereignis) {
    const Zuendzelle z = Zelle_von(objekt);
    if (z.zeile < 0)
        return TForm::eventFilter(objekt, ereignis);
    switch (ereignis->type()) {
    case QEvent::KeyPress: {
        auto* t = static_cast<QKeyEvent*>(ereignis);
        return Zellentaste(z, t->key(), t->modifiers(), t->text());
    }
    case QEvent::FocusIn:
        if (!positioniert_) {
            // A click: the cell is limited to the used area (and one more offline).
            const Zuendzelle ziel = logik_.Tabelle.navigiere(
                logik_.aktuelle_Zelle, Zuendtabelle::Taste::keine, false, logik_.Online, z);
            logik_.aktuelle_Zelle = ziel;
            if (!(ziel == z)) {
                QMetaObject::invokeMethod(
                    this, [this, ziel] { fokussiere(ziel); }, Qt::QueuedConnection);
            }
        }
        break;
    case QEvent::FocusOut:
        if (auto* e = Zelle(z); e && !e->isReadOnly()) {
            EditExit(z);
            logik_.Eingabe_aktiv = false;
            check_Buttons();
        }
        break;
    default:
        break;
    }
    return TForm::eventFilter(objekt, ereignis);
}

void TForm_Zuendung::CheckBox_OnlineClick() {
    const bool an = CheckBox_Online->isChecked();
    logik_.setze_Online_aktiv(an);
    if (an) {
        logik_.staendig_positionieren = false;
        fokussiere(logik_.Cursor);
    } else {
        fokussiere(logik_.letzte_Zelle == Zuendzelle{} ? Zuendzelle{1, 1} : logik_.letzte_Zelle);
    }
    zeige_Hilfetexte();
    check_Buttons();
    Kennfeld_schreiben();
}

void TForm_Zuendung::update_Position() {
    const Zuendzelle alt = logik_.Cursor;
    if (!logik_.update_Position())
        return;
    zeige_Zelle(alt);
    zeige_Zelle(logik_.Cursor);
    if (logik_.staendig_positionieren)
        fokussiere(logik_.Cursor);
}

void TForm_Zuendung::Zuendwinkel_plus() {
    if (logik_.aendere_Zuendwinkel(+1, isVisible()))
        Kennfeld_schreiben();
}

void TForm_Zuendung::Zuendwinkel_minus() {
    if (logik_.aendere_Zuendwinkel(-1, isVisible()))
        Kennfeld_schreiben();
}

void TForm_Zuendung::zeige_online(cl_Kennfeld_Grafik& aufrufer) {
    Aufrufer = &aufrufer;
    if (isVisible()) {
        raise();
        activateWindow();
    } else {
        show();
    }
    // Checking a box that is checked already is no click: online mode goes on as it is,
    // without reading the map again.
    if (!CheckBox_Online->isChecked()) {
        CheckBox_Online->setChecked(true);
        CheckBox_OnlineClick();
    }
    logik_.staendig_positionieren = true;
    zeige_Hilfetexte();
}

void TForm_Zuendung::Button_nach_QuorvelClick() {
    logik_.nach_Quorvel();
}

bool TForm_Zuendung::speichern(bool mit_Dialog) {
    return logik_.speichern(mit_Dialog, windowTitle());
}

bool TForm_Zuendung::laden(bool mit_Dialog) {
    const bool ok = logik_.laden(mit_Dialog, windowTitle());
    Kennfeld_schreiben();
    return ok;
}

void TForm_Zuendung::zeige_Funktionsmenue() {
    if (QLineEdit* e = Zelle(logik_.aktuelle_Zelle))
        e->setFocus();
    PopupMenu_Zuendung->popup(QPoint(x() + width() - 20, y() + height() - 150));
}

void TForm_Zuendung::Zeile_einfuegen() {
    const int i = logik_.aktuelle_Zelle.zeile - 1;
    if (i < 0 || i > logik_.Tabelle.letzter_Y())
        return;
    if (logik_.Tabelle.letzter_Y() == Zuendtabelle::Zeilen - 1) {
        k.meldungen().zeige(hole_Text(284));
        return;
    }
    if (Frage(hole_Text(271), hole_Text(278) + QStringLiteral("\n(") +
                                  QString::number(logik_.Tabelle.Y(i)) + QStringLiteral(")")))
        logik_.Tabelle.Zeile_einfuegen(i);
    Kennfeld_schreiben();
}

void TForm_Zuendung::Zeile_loeschen() {
    const int i = logik_.aktuelle_Zelle.zeile - 1;
    if (i < 0 || i > logik_.Tabelle.letzter_Y())
        return;
    if (Frage(hole_Text(273), hole_Text(279) + QStringLiteral("\n(") +
                                  QString::number(logik_.Tabelle.Y(i)) + QStringLiteral(")")))
        logik_.Tabelle.Zeile_loeschen(i);
    Kennfeld_schreiben();
}

void TForm_Zuendung::Spalte_einfuegen() {
    const int i = logik_.aktuelle_Zelle.spalte - 1;
    if (i < 0 || i > logik_.Tabelle.letzter_X())
        return;
    if (logik_.Tabelle.letzter_X() == logik_.Karte.Spaltenzahl - 1) {
        k.meldungen().zeige(hole_Text(284));
        return;
    }
    if (Frage(hole_Text(272), hole_Text(280) + QStringLiteral("\n(") +
                                  QString::number(logik_.Tabelle.X(i)) + QStringLiteral(")")))
        logik_.Tabelle.Spalte_einfuegen(i);
    Kennfeld_schreiben();
}

void TForm_Zuendung::Spalte_loeschen() {
    const int i = logik_.aktuelle_Zelle.spalte - 1;
    if (i < 0 || i > logik_.Tabelle.letzter_X())
        return;
    if (Frage(hole_Text(274), hole_Text(281) + QStringLiteral("\n(") +
                                  QString::number(logik_.Tabelle.X(i)) + QStringLiteral(")")))
        logik_.Tabelle.Spalte_loeschen(i);
    Kennfeld_schreiben();
}

void TForm_Zuendung::Menu_in_CSV_Datei_speichernClick() {
    if (auto* csv = k.fenster<TForm_CSV_speichern>())
        csv->ausfuehren(CSV_Datei, Kommentare,
                        [this](const QString& d, const QStringList& c) { schreibe_CSV(d, c); });
}

void TForm_Zuendung::schreibe_CSV(const QString& datei, const QStringList& kommentare) {
    CSV_Datei = datei;
    Kommentare = kommentare;
    logik_.Tabelle.auswerten();
    const QString text =
        logik_.Tabelle.CSV(windowTitle(), datei, QDateTime::currentDateTime(), kommentare,
                           QLocale::system().decimalPoint().at(0), Zeittrenner());
    if (!Dateien::schreibe_Datei(datei, Dateien::zu_1252(text)))
        k.meldungen().zeige(Dateien::Schreibfehler(datei));
}

void TForm_Zuendung::Menu_druckenClick() {
    k.drucker().drucke(1, [this] { drucke_Seite(); });
}

void TForm_Zuendung::drucke_Seite() {
    TPrinter_Quorvel& d = k.drucker();
    QPainter& p = d.Canvas();
    const Zuendtabelle& t = logik_.Tabelle;
    logik_.Tabelle.auswerten();
    QFont f = p.font();
    f.setPixelSize(40);
    f.setBold(false);
    p.setFont(f);
    const int n = logik_.Karte.Spaltenzahl;
    // Sixteen columns of six digits would run past an A4 page: the columns narrow to fit.
    int w = p.fontMetrics().horizontalAdvance(QStringLiteral("000000"));
    if (d.Seitenbreite > 0 && (n + 1) * w > d.Seitenbreite - 450) {
        w = (d.Seitenbreite - 450) / (n + 1);
        f.setPixelSize(
            std::max(20, 40 * w / p.fontMetrics().horizontalAdvance(QStringLiteral("000000"))));
        p.setFont(f);
    }
    const int h = p.fontMetrics().height() + 25;
    d.Linie(17 * h);
    QFont titel = f;
    titel.setPixelSize(50);
    titel.setBold(true);
    p.setFont(titel);
    p.setPen(Qt::black);
    p.drawText(200, d.Zeile_Y + p.fontMetrics().ascent(), hole_Text(logik_.Variante.Drucktitel));
    d.Zeile_Y += p.fontMetrics().height() + 25;
    const int zeile = d.Zeile_Y;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD3, 0xD3, 0xD3));
    p.drawRect(250, zeile, (n + 1) * w, h);
    p.drawRect(250, zeile, w, 17 * h);
    p.setBrush(Qt::NoBrush);
    p.setPen(Qt::black);
    p.setFont(f);
    const int oben = p.fontMetrics().ascent();
    for (int x = 0; x <= t.letzter_X(); ++x)
        p.drawText((x + 1) * w + 260, zeile + 10 + oben, QString::number(t.X(x)));
    for (int y = 0; y <= t.letzter_Y(); ++y)
        p.drawText(260, (y + 1) * h + zeile + 10 + oben, QString::number(t.Y(y)));
    QFont fett = f;
    fett.setBold(true);
    for (int y = 0; y <= t.letzter_Y(); ++y)
        for (int x = 0; x <= t.letzter_X(); ++x) {
            p.setFont(t.gesetzt(y, x) != Zuendtabelle::nicht_gesetzt ? fett : f);
            p.drawText((x + 1) * w + 260, (y + 1) * h + zeile + 10 + oben,
                       QString::number(t.ausgewertet(y, x)));
        }
    d.Zeile_Y = zeile + 17 * h;
}
