#include "windows/UMotorname.h"

#include "base/Dateiversion.h"
#include "base/Meldungen.h"
#include "base/Motordaten.h"
#include "base/Uglobal.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/Modal.h"
#include "windows/UColorButton.h"
#include "windows/UQuorvel.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextDocument>

namespace {

void Schriftgroesse(QWidget* w, int punkte) {
    QFont f = w->font();
    f.setPointSize(punkte);
    w->setFont(f);
}

} // namespace

TForm_Motorname::TForm_Motorname(Kontext& kontext) : TForm(QStringLiteral("name")), k(kontext) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    QPalette silber = palette();
    silber.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(silber);
    setAutoFillBackground(true);
    resize(520, 463);

    ListBox = new QListWidget(this);
    GroupBox = new QGroupBox(this);
    GroupBox->setGeometry(0, 5, 360, 185);
    Memo = new QPlainTextEdit(GroupBox);
    Memo->setGeometry(5, 20, 350, 121);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Button_bearbeiten = new TColorButton(GroupBox);
    Button_bearbeiten->setGeometry(32, 152, 97, 25);
    Button_Beschreibung_abbrechen = new TColorButton(GroupBox);
    Button_Beschreibung_abbrechen->setGeometry(184, 152, 113, 25);
    const auto knopf = [this](int top) {
        auto* b = new TColorButton(this);
        b->setGeometry(0, top, 105, 25);
        return b;
    };
    Button_OK = knopf(208);
    Button_abbrechen = knopf(208);
    Button_neu = knopf(248);
    Button_loeschen = knopf(248);
    Button_umbenennen = knopf(288);
    GroupBox_neu = new QGroupBox(this);
    GroupBox_neu->setGeometry(0, 328, 209, 105);
    Edit_neu = new QLineEdit(GroupBox_neu);
    Edit_neu->setGeometry(8, 24, 137, 24);
    Button_neu_OK = new TColorButton(GroupBox_neu);
    Button_neu_OK->setGeometry(8, 64, 75, 25);
    Button_neu_abbrechen = new TColorButton(GroupBox_neu);
    Button_neu_abbrechen->setGeometry(104, 64, 89, 25);

    // FormCreate.
    ListBox->setGeometry(0, 0, 130, height());
    Schriftgroesse(ListBox, 12);
    Schriftgroesse(Memo, 10);
    ordne_an();
    Normalansicht();
    resize(ListBox->width() + GroupBox->width() + 30, height());
    setMinimumWidth(width());
    setMinimumHeight(GroupBox_neu->y() + GroupBox_neu->height() + 30);
    setze_Beschriftungen();
    Form_auf_Bildschirm(*this);

    connect(ListBox, &QListWidget::currentRowChanged, this, [this] { ListBoxClick(); });
    connect(ListBox, &QListWidget::itemDoubleClicked, this, [this] { Button_OKClick(); });
    connect(Button_OK, &QPushButton::clicked, this, [this] { Button_OKClick(); });
    connect(Button_abbrechen, &QPushButton::clicked, this, [this] { Button_abbrechenClick(); });
    connect(Button_bearbeiten, &QPushButton::clicked, this, [this] { Button_bearbeitenClick(); });
    connect(Button_Beschreibung_abbrechen, &QPushButton::clicked, this,
            [this] { Button_Beschreibung_abbrechenClick(); });
    connect(Button_neu, &QPushButton::clicked, this, [this] { Button_neuClick(); });
    connect(Button_umbenennen, &QPushButton::clicked, this, [this] { Button_umbenennenClick(); });
    connect(Button_neu_OK, &QPushButton::clicked, this, [this] { Button_neu_OKClick(); });
    connect(Button_neu_abbrechen, &QPushButton::clicked, this,
            [this] { Button_neu_abbrechenClick(); });
    connect(Button_loeschen, &QPushButton::clicked, this, [this] { Button_loeschenClick(); });
}

Motordaten& TForm_Motorname::daten() {
    return k.motordaten();
}

const QString& TForm_Motorname::Motorname() const {
    return k.motordaten().Motorname();
}

void TForm_Motorname::setze_Beschriftungen() {
    setWindowTitle(hole_Text(101));
    GroupBox->setTitle(hole_Text(102));
    Button_bearbeiten->setText(hole_Text(103));
    Button_Beschreibung_abbrechen->setText(hole_Text(71));
    Button_OK->setText(hole_Text(70));
    Button_abbrechen->setText(hole_Text(71));
    Button_neu->setText(hole_Text(105));
    Button_loeschen->setText(hole_Text(72));
    Button_umbenennen->setText(hole_Text(109));
    GroupBox_neu->setTitle(hole_Text(106));
    Button_neu_OK->setText(hole_Text(70));
    Button_neu_abbrechen->setText(hole_Text(71));
}

void TForm_Motorname::ordne_an() {
    const int links = width() - GroupBox->width() - 10;
    GroupBox->move(links, GroupBox->y());
    for (QWidget* w :
         {static_cast<QWidget*>(Button_OK), static_cast<QWidget*>(Button_neu),
          static_cast<QWidget*>(Button_umbenennen), static_cast<QWidget*>(GroupBox_neu)})
        w->move(links, w->y());
    for (QWidget* w : {Button_abbrechen, Button_loeschen})
        w->move(links + Button_OK->width() + 20, w->y());
    ListBox->setGeometry(0, 0, links - 10, height() - 20);
}

void TForm_Motorname::resizeEvent(QResizeEvent* event) {
    TForm::resizeEvent(event);
    ordne_an();
}

void TForm_Motorname::Normalansicht() {
    GroupBox_neu->hide();
    ListBox->setEnabled(true);
    ListBox->setFocus();
    Memo->setReadOnly(true);
    Button_bearbeiten->setText(hole_Text(103));
    Button_Beschreibung_abbrechen->hide();
    for (QWidget* w :
         {static_cast<QWidget*>(GroupBox), static_cast<QWidget*>(Button_OK),
          static_cast<QWidget*>(Button_abbrechen), static_cast<QWidget*>(Button_loeschen),
          static_cast<QWidget*>(Button_neu), static_cast<QWidget*>(Button_umbenennen)})
        w->setEnabled(true);
}

void TForm_Motorname::sperre_Bedienung() {
    for (QWidget* w :
         {static_cast<QWidget*>(ListBox), static_cast<QWidget*>(Button_OK),
          static_cast<QWidget*>(Button_abbrechen), static_cast<QWidget*>(Button_loeschen),
          static_cast<QWidget*>(Button_neu), static_cast<QWidget*>(Button_umbenennen)})
        w->setEnabled(false);
    GroupBox->setEnabled(true);
}

void TForm_Motorname::fuelle_Liste() {
    {
        const QSignalBlocker sperre(ListBox);
        ListBox->clear();
        ListBox->addItems(daten().Liste());
        if (ListBox->count() > 0)
            ListBox->setCurrentRow(0);
        for (int i = 0; i < ListBox->count(); ++i)
            if (ListBox->item(i)->text() == Motorname()) {
                ListBox->setCurrentRow(i);
                break;
            }
    }
    lies_Beschreibung();
}

void TForm_Motorname::lies_Beschreibung() {
    const QListWidgetItem* eintrag = ListBox->currentItem();
    daten().setze_Motorname(eintrag ? eintrag->text() : QString());
    Memo->clear();
    if (const auto zeilen = daten().lies_Beschreibung(Motorname()))
        Memo->setPlainText(zeilen->join('\n'));
}

void TForm_Motorname::ListBoxClick() {
    lies_Beschreibung();
}

void TForm_Motorname::waehlen() {
    besuch_ = true;
    bestaetigt_ = false;
    alter_Satz_weg_ = false;
    alter_Name_ = Motorname();
    fuelle_Liste();
    Normalansicht();
    zeige_modal(*this);
}

void TForm_Motorname::hideEvent(QHideEvent* event) {
    TForm::hideEvent(event);
    if (!besuch_)
        return;
    besuch_ = false;
    // Cancel goes back to the name the window opened with, unless that set went away.
    if (!bestaetigt_ && !alter_Satz_weg_)
        daten().setze_Motorname(alter_Name_);
    gib_Namen_weiter();
}

void TForm_Motorname::gib_Namen_weiter() {
    if (auto* haupt = k.fenster<TForm_Quorvel>())
        haupt->zeige_Motorname();
    k.dateiversion().setze_Name(Motorname());
}

void TForm_Motorname::Button_OKClick() {
    bestaetigt_ = true;
    if (besuch_)
        hide();
    else
        gib_Namen_weiter();
}

void TForm_Motorname::Button_abbrechenClick() {
    hide();
}

void TForm_Motorname::Button_bearbeitenClick() {
    if (Button_Beschreibung_abbrechen->isHidden()) {
        sperre_Bedienung();
        Memo->setReadOnly(false);
        Button_Beschreibung_abbrechen->show();
        Button_bearbeiten->setText(hole_Text(104));
        Memo->setFocus();
        return;
    }
    if (!Motorname().isEmpty()) {
        const QString fehler = daten().schreibe_Beschreibung(
            Motorname(),
            Memo->document()->isEmpty() ? QStringList() : Memo->toPlainText().split('\n'));
        if (!fehler.isEmpty()) {
            k.meldungen().zeige(fehler);
            return;
        }
    }
    Normalansicht();
}

void TForm_Motorname::Button_Beschreibung_abbrechenClick() {
    Normalansicht();
    lies_Beschreibung();
}

void TForm_Motorname::Button_neuClick() {
    sperre_Bedienung();
    GroupBox_neu->show();
    Edit_neu->setFocus();
}

void TForm_Motorname::Button_umbenennenClick() {
    sperre_Bedienung();
    Button_umbenennen->setEnabled(true);
    Edit_neu->setText(Motorname());
    GroupBox_neu->show();
    Edit_neu->setFocus();
}

void TForm_Motorname::Button_neu_abbrechenClick() {
    Normalansicht();
}

void TForm_Motorname::Button_neu_OKClick() {
    const QString name = Edit_neu->text();
    if (name.isEmpty())
        return;
    // A name that would leave the data folder or reach another set's files is refused; the
    // name box stays open for a better one.
    if (!Motordaten::gueltiger_Name(name)) {
        k.meldungen().zeige(hole_Text(107));
        return;
    }
    const bool umbenennen = Button_umbenennen->isEnabled();
    Normalansicht();
    if (!umbenennen) {
        daten().setze_Motorname(name);
        if (const QString fehler = daten().neu(name); !fehler.isEmpty()) {
            k.meldungen().zeige(fehler);
            return;
        }
        fuelle_Liste();
        return;
    }
    for (int i = 0; i < ListBox->count(); ++i)
        if (ListBox->item(i)->text().compare(name, Qt::CaseInsensitive) == 0) {
            k.meldungen().zeige(hole_Text(108));
            return;
        }
    const QListWidgetItem* eintrag = ListBox->currentItem();
    if (!eintrag)
        return;
    const QString alt = eintrag->text();
    const Motordaten::Umbenennung ergebnis = daten().umbenennen(alt, name);
    if (ergebnis.abgelehnt) {
        k.meldungen().zeige(ergebnis.Meldung);
        return;
    }
    if (alt.compare(alter_Name_, Qt::CaseInsensitive) == 0)
        alter_Name_ = name;
    daten().setze_Motorname(name);
    fuelle_Liste();
    if (!ergebnis.Meldung.isEmpty())
        k.meldungen().zeige(ergebnis.Meldung);
}

void TForm_Motorname::Button_loeschenClick() {
    const QListWidgetItem* eintrag = ListBox->currentItem();
    if (!eintrag)
        return;
    if (!k.meldungen().frage_OK_Abbrechen(hole_Text(65), hole_Text(66)))
        return;
    const QString name = eintrag->text();
    if (name.compare(alter_Name_, Qt::CaseInsensitive) == 0)
        alter_Satz_weg_ = true;
    if (const QString fehler = daten().loeschen(name); !fehler.isEmpty()) {
        k.meldungen().zeige(fehler);
        return;
    }
    fuelle_Liste();
}
