#include "windows/UPasswort.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "model/UPasswort.h"
#include "model/UWeitere_Anfragen.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UColorButton.h"

#include <QLabel>
#include <QLineEdit>

TForm_Passwort::TForm_Passwort(Kontext& kontext)
    : TForm(QStringLiteral("input password")), k(kontext) {
    setWindowTitle(hole_Text(341));
    const auto zeile = [this](int top) {
        auto* e = new QLineEdit(this);
        e->setGeometry(200, top, 140, 22);
        e->setEchoMode(QLineEdit::Password);
        e->setMaxLength(Maximallaenge);
        return e;
    };
    Label_Kopf = new QLabel(hole_Text(342), this);
    Label_Kopf->setGeometry(16, 16, 180, 22);
    Edit_Passwort = zeile(16);
    Label_Passwort_wiederholen = new QLabel(this);
    Label_Passwort_wiederholen->setGeometry(16, 48, 180, 22);
    Edit_Passwort_wiederholen = zeile(48);
    Label_Passwort_Nr = new QLabel(this);
    Label_Passwort_Nr->setGeometry(16, 80, 180, 22);
    Label_PW_Nummer = new QLabel(this);
    Label_PW_Nummer->setGeometry(200, 80, 140, 22);
    Edit_Passwort_Nr = new QLineEdit(this);
    Edit_Passwort_Nr->setGeometry(200, 80, 60, 22);
    Label_Passwort_Nr_Bereich = new QLabel(QStringLiteral("(0..9999)"), this);
    Label_Passwort_Nr_Bereich->setGeometry(268, 80, 80, 22);
    Button_OK = new TColorButton(hole_Text(70), this);
    Button_abbrechen = new TColorButton(hole_Text(71), this);
    Button_OK->setGeometry(60, 130, 100, 28);
    Button_abbrechen->setGeometry(200, 130, 100, 28);
    resize(360, 180);
    Form_auf_Bildschirm(*this);
    connect(Button_OK, &QPushButton::clicked, this, [this] { Button_OKClick(); });
    connect(Button_abbrechen, &QPushButton::clicked, this, [this] { Button_abbrechenClick(); });
    InterAction().Create(
        cl_Passwort_Nr_lesen::Klasse,
        [this](Sender&) {
            zeige_Passwort_Nr(k.weitere_Anfragen().Passwort_Nr_lesen->Passwortnummer());
        },
        cl_Passwort_Nr_lesen::Beantwortet);
}

void TForm_Passwort::zeige_Eingabe() {
    Edit_Passwort->clear();
    Modus = 0;
    k.weitere_Anfragen().Passwort_Nr_lesen->starten();
    show();
}

void TForm_Passwort::zeige_Aendern() {
    Edit_Passwort->clear();
    Modus = 1;
    show();
}

void TForm_Passwort::zeige_Passwort_Nr(uint16_t nummer) {
    Passwort_Nr = nummer;
    Label_PW_Nummer->setText(QString::number(nummer));
}

void TForm_Passwort::showEvent(QShowEvent* event) {
    Label_Kopf->setText(hole_Text(342));
    const bool aendern = Modus == 1;
    setze_Hilfethema(aendern ? QStringLiteral("change password")
                             : QStringLiteral("input password"));
    if (aendern) {
        setWindowTitle(hole_Text(40));
        Label_Passwort_wiederholen->setText(hole_Text(343));
        Label_Passwort_Nr->setText(hole_Text(347));
        Edit_Passwort->clear();
        Edit_Passwort_wiederholen->clear();
        Label_Passwort_Nr->move(Label_Passwort_Nr->x(), Label_Passwort_wiederholen->y() + 40);
    } else {
        setWindowTitle(hole_Text(39));
        Label_Passwort_Nr->move(Label_Passwort_Nr->x(), Edit_Passwort->y() + 40);
    }
    Label_Passwort_wiederholen->setVisible(aendern);
    Edit_Passwort_wiederholen->setVisible(aendern);
    Edit_Passwort_Nr->setVisible(aendern);
    Label_Passwort_Nr_Bereich->setVisible(aendern);
    Label_PW_Nummer->setVisible(!aendern);
    Label_Passwort_Nr->setVisible(true);
    for (QWidget* w :
         {static_cast<QWidget*>(Label_PW_Nummer), static_cast<QWidget*>(Edit_Passwort_Nr),
          static_cast<QWidget*>(Label_Passwort_Nr_Bereich)})
        w->move(w->x(), Label_Passwort_Nr->y());
    const int knoepfe = Label_Passwort_Nr->y() + 50;
    Button_OK->move(Button_OK->x(), knoepfe);
    Button_abbrechen->move(Button_abbrechen->x(), knoepfe);
    setFixedHeight(knoepfe + 50);
    Edit_Passwort->setFocus();
    TForm::showEvent(event);
}

void TForm_Passwort::Button_OKClick() {
    if (Modus == 0) {
        k.passwort().Passwort_eingeben(Edit_Passwort->text());
        hide();
        return;
    }
    if (Edit_Passwort_wiederholen->text() != Edit_Passwort->text()) {
        k.meldungen().zeige(hole_Text(344));
        hide();
        return;
    }
    k.passwort().Passwort_aendern(Edit_Passwort->text(),
                                  cl_Passwort_Quorvel::Nummer_aus_Text(Edit_Passwort_Nr->text()));
    hide();
}

void TForm_Passwort::Button_abbrechenClick() {
    hide();
}
