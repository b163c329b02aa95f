#include "windows/service/UKopieren.h"

#include "base/Uglobal.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UColorButton.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QShowEvent>

namespace {
constexpr int Rechts = 268;
constexpr int Knopfbreite = 180;
} // namespace

TForm_Kopieren::TForm_Kopieren(Kontext& kontext)
    : TForm(QStringLiteral("backup")), k(kontext), logik_(kontext, false) {
    resize(460, 372);

    Label_Kopf_Kennfelder = new QLabel(hole_Text(4), this);
    Label_Kopf_Kennfelder->move(8, 8);
    ListBox = new QListWidget(this);
    ListBox->setSelectionMode(QAbstractItemView::MultiSelection);
    ListBox->setSortingEnabled(false);
    ListBox->setGeometry(8, 28, 250, 248);
    connect(ListBox, &QListWidget::itemSelectionChanged, this, [this] {
        if (!fuellt_)
            ListBoxClick();
    });
    CheckBox_Einstellwerte = new QCheckBox(hole_Text(121), this);
    CheckBox_Einstellwerte->move(Rechts, 28);
    connect(CheckBox_Einstellwerte, &QCheckBox::clicked, this,
            [this] { CheckBox_EinstellwerteClick(); });
    CheckBox_alle_Kennfelder = new QCheckBox(hole_Text(475), this);
    CheckBox_alle_Kennfelder->move(8, 284);
    connect(CheckBox_alle_Kennfelder, &QCheckBox::clicked, this,
            [this] { CheckBox_alle_KennfelderClick(); });

    const auto knopf = [this](int text, int y, void (TForm_Kopieren::*aktion)()) {
        auto* b = new TColorButton(hole_Text(text), this);
        b->setGeometry(Rechts, y, Knopfbreite, 25);
        connect(b, &QPushButton::clicked, this, [this, aktion] { (this->*aktion)(); });
        return b;
    };
    Button_alles_anwaehlen = knopf(473, 60, &TForm_Kopieren::Button_alles_anwaehlenClick);
    Button_alles_abwaehlen = knopf(474, 92, &TForm_Kopieren::Button_alles_abwaehlenClick);
    Button_Quorvel_Datei = new TColorButton(hole_Text(470), this);
    Button_Quorvel_Datei->setGeometry(Rechts, 180, Knopfbreite, 25);
    connect(Button_Quorvel_Datei, &QPushButton::clicked, this,
            [this] { logik_.Button_Quorvel_DateiClick(); });
    Button_Datei_Quorvel = new TColorButton(hole_Text(471), this);
    Button_Datei_Quorvel->setGeometry(Rechts, 212, Knopfbreite, 25);
    connect(Button_Datei_Quorvel, &QPushButton::clicked, this,
            [this] { logik_.Button_Datei_QuorvelClick(); });
    ColorButton_Drucken = new TColorButton(hole_Text(87), this);
    ColorButton_Drucken->setGeometry(Rechts, 180, Knopfbreite, 25);
    connect(ColorButton_Drucken, &QPushButton::clicked, this,
            [this] { logik_.ColorButton_DruckenClick(); });

    Label_Kopf_Ordner = new QLabel(hole_Text(476), this);
    Label_Kopf_Ordner->adjustSize();
    Label_Kopf_Ordner->move(8, 316);
    Label_Ordner = new QLabel(QDir::toNativeSeparators(glob().Pfad_Daten), this);
    Label_Ordner->adjustSize();
    Label_Ordner->move(Label_Kopf_Ordner->x() + Label_Kopf_Ordner->width() + 5, 316);

    setWindowTitle(hole_Text(472));
    Form_auf_Bildschirm(*this);
    logik_.geaendert = [this] {
        zeige_Auswahl();
        check_Buttons();
    };
}

void TForm_Kopieren::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    // A window restored from the task bar was not shown anew.
    if (!event->spontaneous())
        FormShow();
}

void TForm_Kopieren::FormShow() {
    // A run under way keeps its list: the items still chosen are those left to do.
    if (logik_.laeuft())
        return;
    logik_.fuelle_Liste(CheckBox_alle_Kennfelder->isChecked());
    Button_alles_anwaehlenClick();
}

void TForm_Kopieren::zeige_Drucken() {
    logik_.setze_Druckmodus(true);
    check_Buttons();
    show();
    raise();
    activateWindow();
}

void TForm_Kopieren::zeige_Auswahl() {
    fuellt_ = true;
    const auto& liste = logik_.Liste();
    bool gleich = ListBox->count() == static_cast<int>(liste.size());
    for (int i = 0; gleich && i < ListBox->count(); ++i)
        gleich = ListBox->item(i)->text() == liste[static_cast<size_t>(i)].Text;
    if (!gleich) {
        ListBox->clear();
        for (const Kopierlogik::Eintrag& e : liste)
            ListBox->addItem(e.Text);
    }
    for (int i = 0; i < ListBox->count(); ++i)
        ListBox->item(i)->setSelected(liste[static_cast<size_t>(i)].gewaehlt);
    CheckBox_Einstellwerte->setChecked(logik_.Einstellwerte());
    fuellt_ = false;
}

void TForm_Kopieren::check_Buttons() {
    const Kopierlogik::Knoepfe b = logik_.check_Buttons();
    setWindowTitle(hole_Text(b.Titel));
    Button_alles_anwaehlen->setEnabled(b.alles_anwaehlen);
    Button_alles_abwaehlen->setEnabled(b.alles_abwaehlen);
    for (QWidget* w : std::initializer_list<QWidget*>{Button_Quorvel_Datei, Button_Datei_Quorvel,
                                                      Label_Kopf_Ordner, Label_Ordner})
        w->setVisible(b.Kopierknoepfe_sichtbar);
    ColorButton_Drucken->setVisible(b.Drucken_sichtbar);
    Button_Quorvel_Datei->setText(hole_Text(b.Text_Quorvel_Datei));
    Button_Quorvel_Datei->setEnabled(b.Quorvel_Datei);
    Button_Datei_Quorvel->setText(hole_Text(b.Text_Datei_Quorvel));
    Button_Datei_Quorvel->setEnabled(b.Datei_Quorvel);
}

void TForm_Kopieren::Button_alles_anwaehlenClick() {
    logik_.waehle_alle(true);
}

void TForm_Kopieren::Button_alles_abwaehlenClick() {
    logik_.waehle_alle(false);
}

void TForm_Kopieren::CheckBox_alle_KennfelderClick() {
    logik_.fuelle_Liste(CheckBox_alle_Kennfelder->isChecked());
}

void TForm_Kopieren::ListBoxClick() {
    // Read whole first: each change shows the logic's list in the box again.
    std::vector<bool> gewaehlt;
    for (int i = 0; i < ListBox->count(); ++i)
        gewaehlt.push_back(ListBox->item(i)->isSelected());
    for (size_t i = 0; i < gewaehlt.size(); ++i)
        logik_.setze_gewaehlt(static_cast<int>(i), gewaehlt[i]);
}

void TForm_Kopieren::CheckBox_EinstellwerteClick() {
    logik_.setze_Einstellwerte(CheckBox_Einstellwerte->isChecked());
}
