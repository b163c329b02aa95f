#include "windows/service/UExport.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "model/UPasswort.h"
#include "model/UWeitere_Anfragen.h"
#include "platform/Registry.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UColorButton.h"
#include "windows/service/UFortschritt.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextDocument>

namespace {

constexpr int Breite = 520;

// Passwords are capitals, as the ECU compares them.
QLineEdit* Passwortfeld(QWidget* eltern) {
    auto* e = new QLineEdit(eltern);
    QObject::connect(e, &QLineEdit::textEdited, e, [e](const QString& t) {
        const QString gross = t.toUpper();
        if (gross != t) {
            const int pos = e->cursorPosition();
            e->setText(gross);
            e->setCursorPosition(pos);
        }
    });
    return e;
}

} // namespace

TForm_Export::TForm_Export(Kontext& kontext)
    : TForm(QStringLiteral("export")), k(kontext), logik_(kontext, *this) {
    setWindowTitle(hole_Text(584));
    Label_Kopf_Exportdatei = new QLabel(hole_Text(590), this);
    Label_Kopf_Exportdatei->setGeometry(10, 8, 400, 18);
    Edit_Exportdatei = new QLineEdit(this);
    Edit_Exportdatei->setGeometry(10, 28, 370, 22);
    ColorButton_durchsuchen = new TColorButton(hole_Text(623), this);
    ColorButton_durchsuchen->setGeometry(390, 26, 120, 26);

    CheckBox_Passwort_neu = new QCheckBox(hole_Text(585), this);
    CheckBox_Passwort_neu->setGeometry(10, 62, 240, 22);
    Edit_Passwort_neu = Passwortfeld(this);
    Edit_Passwort_neu->setGeometry(260, 62, 140, 22);
    Label_Passwortnummer = new QLabel(hole_Text(586), this);
    Label_Passwortnummer->setGeometry(10, 92, 240, 22);
    Edit_Passwortnummer = new QLineEdit(this);
    Edit_Passwortnummer->setGeometry(260, 92, 60, 22);
    Label_Passwortnummer_Bereich = new QLabel(QStringLiteral("(0..9999)"), this);
    Label_Passwortnummer_Bereich->setGeometry(328, 92, 80, 22);
    Label_alte_Passwoerter = new QLabel(hole_Text(587), this);
    Label_alte_Passwoerter->setGeometry(10, 124, 240, 18);
    Label_alte_Passwortnr = new QLabel(hole_Text(589), this);
    Label_alte_Passwortnr->setGeometry(260, 124, 250, 18);
    QLineEdit** pw[] = {&Edit_PW_1, &Edit_PW_2, &Edit_PW_3};
    QLineEdit** nr[] = {&Edit_PW_Nr_1, &Edit_PW_Nr_2, &Edit_PW_Nr_3};
    for (int i = 0; i < 3; ++i) {
        const int y = 144 + 28 * i;
        *pw[i] = Passwortfeld(this);
        (*pw[i])->setGeometry(10, y, 140, 22);
        *nr[i] = new QLineEdit(this);
        (*nr[i])->setGeometry(260, y, 60, 22);
    }
    Label_Beschreibung = new QLabel(hole_Text(588), this);
    Label_Beschreibung->resize(400, 18);
    Memo = new QPlainTextEdit(this);
    Memo->resize(Breite - 20, 120);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    ColorButton_speichern = new TColorButton(hole_Text(76), this);
    ColorButton_speichern->resize(150, 28);
    ColorButton_abbrechen = new TColorButton(hole_Text(71), this);
    ColorButton_abbrechen->resize(150, 28);

    fortschritt_ = new TForm_Export_Fortschritt(k, *this);
    fortschritt_->Dateiname = [this] { return logik_.Dateiname; };
    fortschritt_->Abbruch = [this] { logik_.Abbruch(); };

    connect(ColorButton_speichern, &QPushButton::clicked, this,
            [this] { ColorButton_speichernClick(); });
    connect(ColorButton_abbrechen, &QPushButton::clicked, this,
            [this] { ColorButton_abbrechenClick(); });
    connect(ColorButton_durchsuchen, &QPushButton::clicked, this,
            [this] { ColorButton_durchsuchenClick(); });
    // The window lays itself out again when a password was given meanwhile.
    k.interAction().Create(
        cl_Passwort_Nr_lesen::Klasse, [this](Sender&) { FormShow(); }, cl_COM_data::Beantwortet);

    if (const std::optional<QString> datei = k.registry().readString(QLatin1String(Wert_Datei)))
        Edit_Exportdatei->setText(*datei);
    resize(Breite, 400);
    setze_Passwortblock(false);
    Form_auf_Bildschirm(*this);
}

void TForm_Export::zeige() {
    logik_.Zeigen = true;
    FormShow();
}

void TForm_Export::setze_Passwortblock(bool sichtbar) {
    for (QWidget* w :
         {static_cast<QWidget*>(CheckBox_Passwort_neu), static_cast<QWidget*>(Edit_Passwort_neu),
          static_cast<QWidget*>(Label_Passwortnummer), static_cast<QWidget*>(Edit_Passwortnummer),
          static_cast<QWidget*>(Label_Passwortnummer_Bereich),
          static_cast<QWidget*>(Label_alte_Passwoerter),
          static_cast<QWidget*>(Label_alte_Passwortnr)})
        w->setVisible(sichtbar);
    for (QLineEdit* e : alte_Passwoerter())
        e->setVisible(sichtbar);
    for (QLineEdit* e : alte_Nummern())
        e->setVisible(sichtbar);
    Label_Beschreibung->move(10, sichtbar ? Edit_PW_3->y() + 50 : 60);
    Memo->move(10, Label_Beschreibung->y() + 20);
    const int knoepfe = Memo->geometry().bottom() + 1 + 10;
    ColorButton_speichern->move(10, knoepfe);
    ColorButton_abbrechen->move(Breite - 10 - ColorButton_abbrechen->width(), knoepfe);
    setFixedSize(Breite, knoepfe + 40);
}

void TForm_Export::FormShow() {
    if (!logik_.Zeigen)
        return;
    setze_Passwortblock(k.passwort_OK().akzeptiert() != 0);
    ColorButton_speichern->setEnabled(true);
    fortschritt_->ProgressBar->setValue(0);
    show();
    raise();
}

void TForm_Export::ColorButton_speichernClick() {
    ColorButton_speichern->setEnabled(false);
    Exportpasswoerter pw;
    for (size_t i = 0; i < 3; ++i) {
        pw.PW[i] = alte_Passwoerter()[i]->text();
        pw.Nr[i] = alte_Nummern()[i]->text();
    }
    pw.neu = CheckBox_Passwort_neu->isChecked();
    pw.neues_PW = Edit_Passwort_neu->text();
    pw.neue_Nr = Edit_Passwortnummer->text();
    const QStringList zeilen =
        Memo->document()->isEmpty() ? QStringList() : Memo->toPlainText().split(QLatin1Char('\n'));
    const bool gestartet = logik_.starten(Edit_Exportdatei->text(), zeilen, pw);
    if (!logik_.Dateiname.isEmpty())
        Edit_Exportdatei->setText(logik_.Dateiname);
    // Nothing under way: the user may correct and try again.
    if (!gestartet)
        ColorButton_speichern->setEnabled(true);
}

void TForm_Export::ColorButton_abbrechenClick() {
    hide();
}

QString TForm_Export::frage_Datei(const QString& vorschlag) {
    if (Dateiwahl)
        return Dateiwahl(vorschlag);
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("QVD"));
    dialog.setNameFilter(QStringLiteral("Quorvel-Daten (*.QVD)"));
    // The save button asks about an existing file itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(vorschlag);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void TForm_Export::ColorButton_durchsuchenClick() {
    const QString datei = frage_Datei(Edit_Exportdatei->text());
    if (!datei.isEmpty())
        Edit_Exportdatei->setText(datei);
}

void TForm_Export::closeEvent(QCloseEvent* event) {
    if (!k.registry().writeString(QLatin1String(Wert_Datei), Edit_Exportdatei->text()))
        k.meldungen().zeige(k.registry().Schreibfehler(QLatin1String(Wert_Datei)));
    logik_.Zeigen = false;
    TForm::closeEvent(event);
}

void TForm_Export::verberge_Fenster() {
    hide();
}

void TForm_Export::zeige_Fortschritt(int maximum) {
    fortschritt_->ProgressBar->setRange(0, maximum);
    fortschritt_->ProgressBar->setValue(0);
    fortschritt_->show();
}

void TForm_Export::setze_Maximum(int maximum) {
    fortschritt_->ProgressBar->setMaximum(maximum);
}

void TForm_Export::setze_Position(int position) {
    fortschritt_->ProgressBar->setValue(std::min(position, fortschritt_->ProgressBar->maximum()));
}

void TForm_Export::verberge_Fortschritt() {
    fortschritt_->hide();
}
