#include "windows/maps/UKennfeldfenster.h"

#include "base/Uglobal.h"
#include "model/UBefehle.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UCSV_speichern.h"
#include "windows/UColorButton.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <algorithm>

namespace {

constexpr int Schriftgroesse = 11;
constexpr int Kastenschrift = 10;
const QColor Silber{192, 192, 192};

QFont Schrift(int punkte) {
    QFont f;
    f.setPointSize(punkte);
    return f;
}

QLabel* neues_Label(QWidget* eltern, const QColor& farbe = Qt::black, bool deckend = false) {
    auto* l = new QLabel(eltern);
    l->setFont(Schrift(Schriftgroesse));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, farbe);
    p.setColor(QPalette::Window, Silber);
    l->setPalette(p);
    // Opaque on the window's colour: a changed number repaints the label alone, not the
    // window behind it. The hints stay transparent: they reach into the graph's edge.
    l->setAutoFillBackground(deckend);
    l->adjustSize();
    return l;
}

// A label grows with its text and does not shrink: a cursor step then changes its text
// alone, without a new geometry and the repaints that come with it.
void setze_Text(QLabel* l, const QString& text) {
    if (l->text() == text)
        return;
    l->setText(text);
    const QSize soll = l->sizeHint();
    if (soll.width() > l->width() || soll.height() != l->height())
        l->resize(std::max(soll.width(), l->width()), soll.height());
}

// A check box as wide as its text and 20 pixels more.
void passe_an(QCheckBox* c) {
    c->adjustSize();
    c->resize(c->fontMetrics().horizontalAdvance(c->text()) + 20 + c->iconSize().width(),
              c->height());
}

// Enter toggles the COM check box, as a click does.
bool ist_Eingabe(const QKeyEvent* e) {
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

} // namespace

Kennfeldflaeche::Kennfeldflaeche(TForm_Kennfeld& fenster) : QWidget(&fenster), fenster_(fenster) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void Kennfeldflaeche::paintEvent(QPaintEvent* event) {
    // Only a copy of the buffer: the window's full redraws fill it.
    QPainter p(this);
    const QRect r = event->rect();
    if (fenster_.Bild().isNull())
        p.fillRect(r, Qt::white);
    else
        p.drawImage(r, fenster_.Bild(), r);
}

void Kennfeldflaeche::mousePressEvent(QMouseEvent*) {
    fenster_.FormResize();
}

Kennfeld_Umgebung Kennfeld_Umgebung_aus(Kontext& k) {
    return Kennfeld_Umgebung{
        k.link(),
        k.kommunikation(),
        k.version(),
        k.parameter(),
        k.meldungen(),
        &k.passwort_OK(),
        &k.dateiversion(),
        &k.drucker(),
        // The command requests come with the main window's first showing: looked up when used.
        [&k]() -> cl_Quorvel_Leerlaufsteller_aendern* {
            Befehlsobjekte* b = k.befehle();
            return b ? b->Quorvel_Leerlaufsteller_aendern.get() : nullptr;
        },
        [&k](const QString& vorgabe, const QStringList& kommentar,
             std::function<void(const QString&, const QStringList&)> schreiber) {
            if (auto* csv = k.fenster<TForm_CSV_speichern>())
                csv->ausfuehren(vorgabe, kommentar, std::move(schreiber));
        },
        [] { return QLocale().decimalPoint().front(); },
    };
}

TForm_Kennfeld& TForm_Kennfeld::erzeuge(Kontext& kontext, const Kennfeld_Beschreibung& b,
                                        const TForm* nach) {
    auto fenster = std::make_unique<TForm_Kennfeld>(
        kontext, std::make_unique<cl_Kennfeld>(Kennfeld_Umgebung_aus(kontext), b));
    return static_cast<TForm_Kennfeld&>(kontext.nimm_Fenster(std::move(fenster), nach));
}

TForm_Kennfeld::TForm_Kennfeld(Kontext& kontext, std::unique_ptr<cl_Kennfeld> kennfeld)
    : TForm(kennfeld->Hilfethema), k(kontext), kennfeld_(std::move(kennfeld)) {
    cl_Kennfeld& kf = *kennfeld_;
    setObjectName(QStringLiteral("Kennfeld_%1").arg(kf.Kennfeld_Nr));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Silber);
    setPalette(pal);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(kf.Titel);
    resize(kf.ist_Kurve ? 440 : 500, kf.ist_Kurve ? 200 : 400);
    // No smaller than 300 in either direction.
    setMinimumSize(Mindestmass, Mindestmass);
    const int n = kf.Kennfeld_Nr % 100;
    move(n * 10 + 40, n * 10 + 100);

    Zeichenflaeche = new Kennfeldflaeche(*this);

    // The label columns: axis names, live values (black), cursor values (red).
    int top = 5;
    int breiteste = 0;
    for (size_t i = 0; i < Label_Achsname.size(); ++i) {
        Label_Achsname[i] = neues_Label(this);
        Label_Achsname[i]->move(5, top);
    }
    setze_Text(Label_Achsname[2], hole_Text(254));
    setze_Text(Label_Achsname[3], hole_Text(255));
    zeige_Beschriftung();
    for (QLabel* l : Label_Achsname) {
        l->move(5, top);
        top += l->height();
        breiteste = std::max(breiteste, l->width());
    }
    const int links_Arbeitspunkt = breiteste + 20;
    for (size_t i = 0; i < Label_Arbeitspunkt.size(); ++i) {
        Label_Arbeitspunkt[i] = neues_Label(this, Qt::black, true);
        Label_Arbeitspunkt[i]->move(links_Arbeitspunkt, Label_Achsname[i]->y());
    }
    for (size_t i = 0; i < Label_Cursor.size(); ++i) {
        Label_Cursor[i] = neues_Label(this, Qt::red, true);
        Label_Cursor[i]->move(links_Arbeitspunkt + 50, Label_Achsname[i]->y());
    }
    for (QLabel*& l : Label_Status) {
        l = neues_Label(this);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }

    CheckBox_Leerlauf = new QCheckBox(hole_Text(1291), this);
    CheckBox_Leerlauf->setFont(Schrift(Kastenschrift));
    passe_an(CheckBox_Leerlauf);
    CheckBox_Leerlauf->hide();
    CheckBox_COM = new QCheckBox(hole_Text(48), this);
    CheckBox_COM->setFont(Schrift(Kastenschrift));
    passe_an(CheckBox_COM);
    Button_Menue = new TColorButton(hole_Text(256), this);
    Button_Menue->adjustSize();
    CheckBox_Leerlauf->move(width() - CheckBox_Leerlauf->width() - 10,
                            56 - CheckBox_Leerlauf->height());
    CheckBox_COM->move(width() - CheckBox_COM->width() - 10, 72 - CheckBox_COM->height());
    Button_Menue->move(CheckBox_COM->x() - Button_Menue->width() - 20, 75 - Button_Menue->height());

    for (QLabel*& l : Label_Hinweis)
        l = neues_Label(this);
    setze_Text(Label_Hinweis[0], hole_Text(501));
    setze_Text(Label_Hinweis[1], hole_Text(502));
    setze_Text(Label_Hinweis[2], hole_Text(504));

    // Keys pressed on the check boxes and the menu button are the window's.
    for (QWidget* w :
         std::initializer_list<QWidget*>{CheckBox_Leerlauf, CheckBox_COM, Button_Menue})
        w->installEventFilter(this);
    connect(CheckBox_COM, &QCheckBox::clicked, this,
            [this](bool an) { kennfeld_->CheckBox_COMClick(an); });
    connect(CheckBox_Leerlauf, &QCheckBox::clicked, this, [this](bool an) {
        kennfeld_->CheckBox_LeerlaufClick(an);
        setFocus();
        Fokus_abgeben();
    });
    connect(Button_Menue, &QPushButton::clicked, this, [this] { Button_MenueClick(); });

    Menue = new QMenu(this);
    const auto punkt = [this](int text, auto aktion) {
        QAction* a = Menue->addAction(hole_Text(text));
        connect(a, &QAction::triggered, this, aktion);
        return a;
    };
    Menue_Achsen = punkt(1296, [this] { zeige_Achsen_Panel(); });
    Menue_Aenderung = punkt(250, [this] { zeige_Aenderungs_Panel(); });
    Menue->addSeparator();
    Menue_Parameter = punkt(251, [this] { zeige_Parameter_Panel(); });
    Menue_Lesen = punkt(73, [this] { kennfeld_->Menue_lesen(); });
    Menue_Schreiben = punkt(74, [this] { kennfeld_->Menue_schreiben(); });
    Menue->addSeparator();
    Menue_Laden = punkt(75, [this] { kennfeld_->lade_Kennfeld_Datei(true); });
    Menue_Speichern = punkt(76, [this] { kennfeld_->speichere_Kennfeld_Datei(true); });
    Menue_CSV = punkt(1231, [this] { kennfeld_->Menue_CSV(); });
    Menue_Drucken = punkt(87, [this] { kennfeld_->Menue_drucken(); });

    baue_Panels();
    Form_auf_Bildschirm(*this);
    kf.setze_Ansicht(this);
    FormResize();
}

TForm_Kennfeld::~TForm_Kennfeld() {
    kennfeld_->setze_Ansicht(nullptr);
}

void TForm_Kennfeld::baue_Panels() {
    const auto knopf = [this](QWidget* eltern, int text, auto aktion) {
        auto* b = new TColorButton(hole_Text(text), eltern);
        b->adjustSize();
        b->hide();
        connect(b, &QPushButton::clicked, this, aktion);
        return b;
    };
    const auto edit = [this] {
        auto* e = new QLineEdit(this);
        e->setFont(Schrift(Schriftgroesse));
        e->setFixedWidth(Schriftgroesse * 6);
        e->hide();
        return e;
    };
    for (QLineEdit*& e : Edit_Achse)
        e = edit();
    for (QLineEdit*& e : Edit_Aenderung)
        e = edit();
    Button_Achsen_OK = knopf(this, 1296, [this] { uebernehme_Achsen(); });
    Button_Achsen_Abbrechen = knopf(this, 71, [this] { verberge_Achsen_Panel(); });
    Button_Aenderung_OK = knopf(this, 250, [this] { uebernehme_Aenderung(); });
    Button_Aenderung_Abbrechen = knopf(this, 71, [this] { verberge_Aenderungs_Panel(); });
    // Eight pixels a caption character.
    for (TColorButton* b : {Button_Aenderung_OK, Button_Aenderung_Abbrechen})
        b->resize(8 * static_cast<int>(b->text().size()), b->height());
    Radio_Prozent = new QRadioButton(hole_Text(252), this);
    Radio_Offset = new QRadioButton(hole_Text(253), this);
    Radio_Prozent->setChecked(true);
    for (QRadioButton* r : {Radio_Prozent, Radio_Offset}) {
        r->adjustSize();
        r->hide();
    }

    Parameter_Panel = new QDialog(this, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                            Qt::MSWindowsFixedSizeDialogHint);
    Parameter_Panel->setWindowTitle(hole_Text(251));
    Parameter_Panel->setFont(Schrift(Schriftgroesse));
    Parameter_Panel->setAutoFillBackground(true);
    QPalette pal = Parameter_Panel->palette();
    pal.setColor(QPalette::Window, Silber);
    Parameter_Panel->setPalette(pal);
    int breite = 0;
    for (size_t i = 0; i < 4; ++i) {
        Label_Parameter[i] = new QLabel(hole_Text(257 + static_cast<int>(i)), Parameter_Panel);
        Label_Parameter[i]->adjustSize();
        Edit_Parameter[i] = new QLineEdit(Parameter_Panel);
        Edit_Parameter[i]->setFixedWidth(50);
    }
    breite = std::max(300, Label_Parameter[0]->width() + 110);
    const int h = Edit_Parameter[0]->sizeHint().height();
    for (int i = 0; i < 4; ++i) {
        Label_Parameter[i]->move(5, 8 + i * h);
        Edit_Parameter[i]->move(breite - 70, 5 + i * h);
    }
    Button_Parameter_OK = knopf(Parameter_Panel, 70, [this] { uebernehme_Parameter(); });
    Button_Parameter_Abbrechen =
        knopf(Parameter_Panel, 71, [this] { schliesse_Parameter_Panel(); });
    Button_Parameter_OK->show();
    Button_Parameter_Abbrechen->show();
    Parameter_Panel->resize(breite, 4 * h + 80);
}

bool TForm_Kennfeld::ist_sichtbar() const {
    return isVisible();
}

Kennfeldbild TForm_Kennfeld::Bilddaten() const {
    const cl_Kennfeld& kf = *kennfeld_;
    Kennfeldbild b;
    b.ist_Kurve = kf.ist_Kurve;
    b.log_Y = kf.log_Y;
    b.X_min = kf.X_min;
    b.X_max = kf.X_max;
    b.Y_min = kf.Y_min;
    b.Y_max = kf.Y_max;
    b.Z_min = kf.Z_min;
    b.Z_max = kf.Z_max;
    for (int x = 0; x < cl_Kennfeld::Punkte; ++x)
        for (int y = 0; y < cl_Kennfeld::Punkte; ++y)
            b.Werte[x][y] = kf.Werte[x][y];
    b.Werte_vorhanden = kf.Werte_vorhanden;
    b.Cursor_X = kf.Cursor_X;
    b.Cursor_Y = kf.Cursor_Y;
    b.Arbeitspunkt_X = kf.Arbeitspunkt_X;
    b.Arbeitspunkt_Y = kf.Arbeitspunkt_Y;
    b.Arbeitspunkt_Wert = kf.Arbeitspunkt_Wert;
    b.Einheit_X = kf.Einheit_X;
    b.Einheit_Y = kf.Einheit_Y;
    b.Einheit_Z = kf.Einheit_Z;
    return b;
}

Kennfeldbild TForm_Kennfeld::Bildstand() const {
    // As the last full redraw projected it: a range corrected there stays corrected.
    Kennfeldbild b = Bilddaten();
    b.X_max = std::max(b.X_max, b.X_min + 1);
    b.Y_max = std::max(b.Y_max, b.Y_min + 1);
    return b;
}

void TForm_Kennfeld::aktualisiere_Flaeche(const QRect& r) {
    if (!r.isEmpty())
        Zeichenflaeche->update(r);
}

void TForm_Kennfeld::zeichne_Kennfeld() {
    cl_Kennfeld& kf = *kennfeld_;
    const QSize groesse(std::max(1, width()), std::max(1, height() - Flaeche_Rest));
    Zeichenflaeche->setGeometry(0, Flaeche_oben, groesse.width(), groesse.height());
    kf.Arbeitspunkt_Wert = kf.Wert_an_Punkt(kf.Arbeitspunkt_X, kf.Arbeitspunkt_Y);
    kf.Cursor_Wert = kf.Werte[std::clamp(kf.Cursor_X, 0, 16)][std::clamp(kf.Cursor_Y, 0, 16)];
    bild_ = Bilddaten();
    zeichnung_.zeichne_alles(puffer_, groesse, bild_, Schrift(8));
    // The drawing corrects ranges whose maximum is not above the minimum.
    kf.X_max = bild_.X_max;
    kf.Y_max = bild_.Y_max;
    kf.Projektion = zeichnung_.Projektion();
    Zeichenflaeche->update();
    kf.Cursor_gezeichnet();
    zeige_Cursorwerte();
    Fokus_abgeben();
}

void TForm_Kennfeld::zeichne_Grafik() {
    const bool vorhanden = kennfeld_->Werte_vorhanden;
    kennfeld_->Werte_vorhanden = false;
    zeichne_Kennfeld();
    kennfeld_->Werte_vorhanden = vorhanden;
    bild_.Werte_vorhanden = vorhanden;
}

void TForm_Kennfeld::zeichne_Zeile(int x) {
    if (puffer_.isNull())
        return;
    // Marks drawn over would no longer invert back: off while the line is drawn, and back
    // as they were.
    const bool cursor = zeichnung_.Cursor_sichtbar();
    const bool marker = zeichnung_.Marker_sichtbar();
    zeichnung_.verberge_Cursor(puffer_);
    zeichnung_.verberge_Marker(puffer_);
    bild_ = Bildstand();
    {
        QPainter p(&puffer_);
        zeichnung_.zeichne_Linie(p, bild_, x);
    }
    if (marker)
        zeichnung_.zeige_Marker(puffer_, bild_);
    if (cursor)
        zeichnung_.zeige_Cursor(puffer_, bild_);
    Zeichenflaeche->update();
}

void TForm_Kennfeld::zeichne_Cursor() {
    if (puffer_.isNull())
        return;
    bild_ = Bildstand();
    aktualisiere_Flaeche(zeichnung_.Cursor_sichtbar() ? zeichnung_.verberge_Cursor(puffer_)
                                                      : zeichnung_.zeige_Cursor(puffer_, bild_));
}

void TForm_Kennfeld::zeichne_Arbeitspunkt() {
    if (puffer_.isNull())
        return;
    bild_ = Bildstand();
    aktualisiere_Flaeche(zeichnung_.Marker_sichtbar() ? zeichnung_.verberge_Marker(puffer_)
                                                      : zeichnung_.zeige_Marker(puffer_, bild_));
}

void TForm_Kennfeld::zeige_Cursorwerte() {
    const cl_Kennfeld& kf = *kennfeld_;
    setze_Text(Label_Cursor[0], QString::number(kf.Position_zu_X(16 * kf.Cursor_X)));
    if (kf.log_Y)
        setze_Text(Label_Cursor[1], QString::number(kf.log_Position(kf.Cursor_Wert)));
    else if (!kf.ist_Kurve)
        setze_Text(Label_Cursor[1], QString::number(kf.Position_zu_Y(16 * kf.Cursor_Y)));
    setze_Text(Label_Cursor[2], QString::number(kf.Cursor_Wert));
    setze_Text(Label_Cursor[3], QString::number(kf.Schritt));
}

void TForm_Kennfeld::zeige_Arbeitspunktwerte(const QString& x, const QString& y,
                                             const QString& wert, const QString& text1,
                                             const QString& text2, const QString& text3) {
    setze_Text(Label_Arbeitspunkt[0], x);
    if (!kennfeld_->ist_Kurve)
        setze_Text(Label_Arbeitspunkt[1], y);
    setze_Text(Label_Arbeitspunkt[2], wert);
    int top = 2;
    for (size_t i = 0; i < Label_Status.size(); ++i) {
        QLabel* l = Label_Status[i];
        setze_Text(l, i == 0 ? text1 : i == 1 ? text2 : text3);
        l->move(width() - l->width() - 5, top);
        top += l->height();
    }
}

void TForm_Kennfeld::zeige_Beschriftung() {
    setWindowTitle(kennfeld_->Titel);
    setze_Text(Label_Achsname[0], kennfeld_->Achsname_X);
    setze_Text(Label_Achsname[1], kennfeld_->Achsname_Y);
}

void TForm_Kennfeld::zeige_Hinweise() {
    const bool an = kennfeld_->nachfuehren;
    Label_Hinweis[0]->setVisible(!an);
    setze_Text(Label_Hinweis[1], hole_Text(an ? 503 : 502));
}

void TForm_Kennfeld::zeige_Bedienelemente() {
    const cl_Kennfeld& kf = *kennfeld_;
    {
        const QSignalBlocker sperre(CheckBox_COM);
        CheckBox_COM->setChecked(kf.COM_aktiv);
    }
    CheckBox_COM->setEnabled(kf.COM_freigegeben && !Eingaben_sichtbar());
    {
        const QSignalBlocker sperre(CheckBox_Leerlauf);
        CheckBox_Leerlauf->setChecked(kf.Leerlauf_aktiv);
    }
    CheckBox_Leerlauf->setVisible(kf.Leerlauf_sichtbar);
    Menue_Achsen->setEnabled(kf.Menue_Achsen_frei);
    Menue_Aenderung->setEnabled(kf.Menue_Aenderung_frei);
    Menue_Parameter->setEnabled(kf.Menue_Parameter_frei);
    Menue_Lesen->setEnabled(kf.Menue_lesen_frei);
    Menue_Schreiben->setEnabled(kf.Menue_schreiben_frei);
}

void TForm_Kennfeld::Fokus_abgeben() {
    if (QWidget* f = focusWidget(); f && f != this)
        setFocus();
}

bool TForm_Kennfeld::Eingaben_sichtbar() const {
    const auto sichtbar = [](const std::array<QLineEdit*, 4>& edits) {
        return std::any_of(edits.begin(), edits.end(),
                           [](const QLineEdit* e) { return e && !e->isHidden(); });
    };
    return sichtbar(Edit_Achse) || sichtbar(Edit_Aenderung) ||
           (Parameter_Panel && Parameter_Panel->isVisible());
}

void TForm_Kennfeld::schliesse_Parameter_Panel() {
    if (Parameter_Panel && Parameter_Panel->isVisible())
        Parameter_Panel->done(QDialog::Rejected);
}

void TForm_Kennfeld::ordne_an() {
    resize(Label_Cursor[3]->x() + Button_Menue->width() + CheckBox_COM->width() + 100, height());
    FormResize();
    raise();
    activateWindow();
    setFocus();
    Fokus_abgeben();
}

void TForm_Kennfeld::FormResize() {
    const int w = width();
    const int h = height();
    for (QLabel* l : Label_Hinweis)
        l->move(l->x(), h - std::abs(l->fontMetrics().height()) - 3);
    Label_Hinweis[0]->move(10, Label_Hinweis[0]->y());
    Label_Hinweis[1]->move(Label_Hinweis[0]->x() + Label_Hinweis[0]->width() + 10,
                           Label_Hinweis[1]->y());
    Label_Hinweis[2]->move(w - Label_Hinweis[2]->width() - 20, Label_Hinweis[2]->y());
    const int kasten = std::max(CheckBox_Leerlauf->width(), CheckBox_COM->width());
    CheckBox_Leerlauf->move(w - kasten - 10, CheckBox_Leerlauf->y());
    CheckBox_COM->move(w - kasten - 10, CheckBox_COM->y());
    Button_Menue->move(CheckBox_COM->x() - Button_Menue->width() - 10, Button_Menue->y());
    for (QLabel* l : Label_Status)
        l->move(w - l->width() - 5, l->y());
    zeichne_Kennfeld();
    if (isVisible()) {
        setFocus();
        Fokus_abgeben();
    }
}

void TForm_Kennfeld::Button_MenueClick() {
    Menue->popup(mapToGlobal(QPoint(Button_Menue->x() + 20, Button_Menue->y() + 20)));
    setFocus();
    Fokus_abgeben();
}

void TForm_Kennfeld::Panel_Bedienung(bool frei) {
    Button_Menue->setEnabled(frei);
    CheckBox_COM->setEnabled(frei && kennfeld_->COM_freigegeben);
}

void TForm_Kennfeld::platziere_Ecken(const std::array<QLineEdit*, 4>& edits) {
    const Kennfeld_Projektion& z = zeichnung_.Projektion();
    const int oben = Zeichenflaeche->y();
    const int unten = oben + Zeichenflaeche->height();
    const QPoint p00 = z.projiziere_Position(0, 0, bild_.Z_min);
    const QPoint p10 = z.projiziere_Position(256, 0, bild_.Z_min);
    const QPoint p01 = z.projiziere_Position(0, 256, bild_.Z_min);
    const QPoint p11 = z.projiziere_Position(256, 256, bild_.Z_min);
    const int eh = edits[0]->sizeHint().height();
    edits[0]->move(p00.x(), unten - eh);
    edits[1]->move(p10.x() - edits[1]->width(), unten - eh);
    edits[2]->move(p01.x(), oben);
    edits[3]->move(p11.x() - edits[3]->width(), oben);
    const int n = kennfeld_->ist_Kurve ? 2 : 4;
    for (int i = 0; i < 4; ++i)
        edits[i]->setVisible(i < n);
}

void TForm_Kennfeld::zeige_Achsen_Panel() {
    Panel_Bedienung(false);
    platziere_Ecken(Edit_Achse);
    const std::array<int32_t, 4> v = kennfeld_->Achsen_Vorgaben();
    for (size_t i = 0; i < 4; ++i)
        Edit_Achse[i]->setText(QString::number(v[i]));
    const QPoint p00 = zeichnung_.Projektion().projiziere_Position(0, 0, bild_.Z_min);
    const QPoint p10 = zeichnung_.Projektion().projiziere_Position(256, 0, bild_.Z_min);
    const int m = (p00.x() + p10.x()) / 2;
    const int top = Zeichenflaeche->y() + p00.y() - 3 * Button_Achsen_OK->height();
    Button_Achsen_OK->move(m - Button_Achsen_OK->width() - 10, top);
    Button_Achsen_Abbrechen->move(m + 10, top);
    Button_Achsen_OK->show();
    Button_Achsen_Abbrechen->show();
    Edit_Achse[0]->setFocus();
}

void TForm_Kennfeld::uebernehme_Achsen() {
    std::array<QString, 4> t;
    for (size_t i = 0; i < 4; ++i)
        t[i] = Edit_Achse[i]->text();
    for (QLineEdit* e : Edit_Achse)
        e->hide();
    Button_Achsen_OK->hide();
    Button_Achsen_Abbrechen->hide();
    kennfeld_->uebernehme_Achsen(t);
    Panel_Bedienung(true);
}

void TForm_Kennfeld::verberge_Achsen_Panel() {
    for (QLineEdit* e : Edit_Achse)
        e->hide();
    Button_Achsen_OK->hide();
    Button_Achsen_Abbrechen->hide();
    Panel_Bedienung(true);
    Fokus_abgeben();
}

void TForm_Kennfeld::zeige_Aenderungs_Panel() {
    Panel_Bedienung(false);
    platziere_Ecken(Edit_Aenderung);
    for (QLineEdit* e : Edit_Aenderung)
        e->setText(QStringLiteral("0"));
    const QPoint p00 = zeichnung_.Projektion().projiziere_Position(0, 0, bild_.Z_min);
    const QPoint p10 = zeichnung_.Projektion().projiziere_Position(256, 0, bild_.Z_min);
    const int m = (p00.x() + p10.x()) / 2;
    const int top = Zeichenflaeche->y() + p00.y() - 5 * Button_Aenderung_OK->height();
    Button_Aenderung_OK->move(m - Button_Aenderung_OK->width() - 10, top);
    Button_Aenderung_Abbrechen->move(m + 10, top);
    Radio_Prozent->move(Button_Aenderung_OK->x(), top + Button_Aenderung_OK->height() + 5);
    Radio_Offset->move(Button_Aenderung_OK->x(), Radio_Prozent->y() + Radio_Prozent->height());
    for (QWidget* w : std::initializer_list<QWidget*>{
             Button_Aenderung_OK, Button_Aenderung_Abbrechen, Radio_Prozent, Radio_Offset})
        w->show();
    Edit_Aenderung[0]->setFocus();
}

void TForm_Kennfeld::uebernehme_Aenderung() {
    std::array<QString, 4> t;
    for (size_t i = 0; i < 4; ++i)
        t[i] = Edit_Aenderung[i]->text();
    const bool prozent = Radio_Prozent->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{
             Button_Aenderung_OK, Button_Aenderung_Abbrechen, Radio_Prozent, Radio_Offset})
        w->hide();
    for (QLineEdit* e : Edit_Aenderung)
        e->hide();
    kennfeld_->uebernehme_Aenderung(t, prozent);
    Panel_Bedienung(true);
}

void TForm_Kennfeld::verberge_Aenderungs_Panel() {
    for (QWidget* w : std::initializer_list<QWidget*>{
             Button_Aenderung_OK, Button_Aenderung_Abbrechen, Radio_Prozent, Radio_Offset})
        w->hide();
    for (QLineEdit* e : Edit_Aenderung)
        e->hide();
    Panel_Bedienung(true);
    Fokus_abgeben();
}

void TForm_Kennfeld::zeige_Parameter_Panel() {
    Parameter_Panel->move(mapToGlobal(QPoint(20, Zeichenflaeche->y() + 20)));
    const std::array<int32_t, 4> v = kennfeld_->Parameter_Vorgaben();
    for (size_t i = 0; i < 4; ++i)
        Edit_Parameter[i]->setText(QString::number(v[i]));
    const bool kurve = kennfeld_->ist_Kurve;
    for (size_t i = 2; i < 4; ++i) {
        Label_Parameter[i]->setVisible(!kurve);
        Edit_Parameter[i]->setVisible(!kurve);
    }
    const int h = Edit_Parameter[0]->sizeHint().height();
    const int hoehe = (kurve ? 2 : 4) * h + 80;
    Parameter_Panel->resize(Parameter_Panel->width(), hoehe);
    const int top = hoehe - Button_Parameter_OK->height() - 30;
    Button_Parameter_OK->move(5, top);
    Button_Parameter_Abbrechen->move(Button_Parameter_OK->width() + 25, top);
    Parameter_Panel->exec();
}

void TForm_Kennfeld::uebernehme_Parameter() {
    std::array<QString, 4> t;
    for (size_t i = 0; i < 4; ++i)
        t[i] = Edit_Parameter[i]->text();
    kennfeld_->uebernehme_Parameter(t);
    Parameter_Panel->done(QDialog::Accepted);
}

void TForm_Kennfeld::drucke(QPainter& painter, int breite, int hoehe, int links, int rechts,
                            int oben, int unten) {
    // The same drawing as on the screen, in black, without cursor, markers and labels; the
    // screen's own drawing keeps its projection.
    Kennfeldzeichnung druck;
    Kennfeldbild b = Bilddaten();
    druck.setze_Projektion(b, breite, hoehe, {links, rechts, oben, unten}, true);
    painter.save();
    druck.zeichne_Achsen(painter, b, false);
    druck.zeichne_Flaeche(painter, b, false);
    painter.restore();
}

Tastendruck TForm_Kennfeld::Taste(const QKeyEvent& e) {
    Tastendruck t;
    const Qt::KeyboardModifiers m = e.modifiers();
    const bool block = m.testFlag(Qt::KeypadModifier);
    const int key = e.key();
    // '+' comes with Shift on many keyboards: Shift does not count for it.
    t.Umschaltung = m.testAnyFlags(Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier) ||
                    (m.testFlag(Qt::ShiftModifier) && key != Qt::Key_Plus);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        t.Ziffer = key - Qt::Key_0;
        if (block)
            t.Taste = Kennfeldtaste::Blockziffer;
        else if (t.Ziffer >= 1)
            t.Taste = Kennfeldtaste::Ziffer;
        return t;
    }
    switch (key) {
    case Qt::Key_Plus:
        t.Taste = Kennfeldtaste::Plus;
        break;
    case Qt::Key_Minus:
        t.Taste = Kennfeldtaste::Minus;
        break;
    case Qt::Key_Left:
        t.Taste = Kennfeldtaste::Links;
        break;
    case Qt::Key_Right:
        t.Taste = Kennfeldtaste::Rechts;
        break;
    case Qt::Key_Up:
        t.Taste = Kennfeldtaste::Hoch;
        break;
    case Qt::Key_Down:
        t.Taste = Kennfeldtaste::Runter;
        break;
    case Qt::Key_F2:
        t.Taste = Kennfeldtaste::F2;
        break;
    case Qt::Key_F3:
        t.Taste = Kennfeldtaste::F3;
        break;
    case Qt::Key_F5:
        t.Taste = Kennfeldtaste::F5;
        break;
    case Qt::Key_F10:
        t.Taste = Kennfeldtaste::F10;
        break;
    case Qt::Key_Q:
        t.Taste = Kennfeldtaste::Q;
        break;
    case Qt::Key_Y:
        t.Taste = Kennfeldtaste::Y;
        break;
    case Qt::Key_Space:
        t.Taste = Kennfeldtaste::Leertaste;
        break;
    default:
        break;
    }
    return t;
}

void TForm_Kennfeld::keyPressEvent(QKeyEvent* event) {
    if (kennfeld_->FormKeyDown(Taste(*event))) {
        event->accept();
        return;
    }
    TForm::keyPressEvent(event);
}

bool TForm_Kennfeld::eventFilter(QObject* objekt, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return TForm::eventFilter(objekt, event);
    auto* e = static_cast<QKeyEvent*>(event);
    if (objekt == CheckBox_COM && ist_Eingabe(e)) {
        CheckBox_COM->click();
        return true;
    }
    if (kennfeld_->FormKeyDown(Taste(*e)))
        return true;
    return TForm::eventFilter(objekt, event);
}

void TForm_Kennfeld::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    if (!event->spontaneous())
        kennfeld_->FormShow();
}

void TForm_Kennfeld::hideEvent(QHideEvent* event) {
    TForm::hideEvent(event);
    if (!event->spontaneous())
        kennfeld_->FormHide();
}

void TForm_Kennfeld::resizeEvent(QResizeEvent* event) {
    TForm::resizeEvent(event);
    FormResize();
}

void TForm_Kennfeld::contextMenuEvent(QContextMenuEvent* event) {
    Menue->popup(event->globalPos());
}
