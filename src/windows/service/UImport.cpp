#include "windows/service/UImport.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "platform/Registry.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UColorButton.h"
#include "windows/service/UFortschritt.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>

namespace {
constexpr int Breite = 520;
} // namespace

TForm_Import::TForm_Import(Kontext& kontext)
    : TForm(QStringLiteral("import")), k(kontext), logik_(kontext, *this) {
    setWindowTitle(hole_Text(615));
    Label_Kopf_Importdatei = new QLabel(hole_Text(621), this);
    Label_Kopf_Importdatei->setGeometry(10, 8, 400, 18);
    Edit_Importdatei = new QLineEdit(this);
    Edit_Importdatei->setGeometry(10, 28, 370, 22);
    ColorButton_durchsuchen = new TColorButton(hole_Text(623), this);
    ColorButton_durchsuchen->setGeometry(390, 26, 120, 26);

    GroupBox_Version = new QGroupBox(hole_Text(51), this);
    GroupBox_Version->setGeometry(10, 60, 250, 120);
    const auto zeile = [](QWidget* eltern, int text, int y, int x0, int x1) {
        auto* kopf = new QLabel(hole_Text(text), eltern);
        kopf->setGeometry(x0, y, x1 - x0 - 4, 20);
        auto* wert = new QLabel(eltern);
        wert->setGeometry(x1, y, 90, 20);
        return wert;
    };
    Label_Version = zeile(GroupBox_Version, 613, 22, 10, 150);
    Label_Quorvel_Typ = zeile(GroupBox_Version, 68, 44, 10, 150);
    Label_Hersteller = zeile(GroupBox_Version, 69, 66, 10, 150);
    Label_Typnummer = zeile(GroupBox_Version, 531, 88, 10, 150);
    Label_Datenversion = zeile(this, 614, 70, 275, 430);
    Label_Passwortnummer = zeile(this, 586, 92, 275, 430);
    Label_alte_PW_Nr = zeile(this, 589, 114, 275, 430);
    Label_alte_PW_Nr->resize(Breite - 10 - 430, 40);
    Label_alte_PW_Nr->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label_alte_PW_Nr->setWordWrap(true);

    Label_Beschreibung = new QLabel(hole_Text(588), this);
    Label_Beschreibung->setGeometry(10, 190, 400, 18);
    Memo = new QPlainTextEdit(this);
    Memo->setGeometry(10, 210, Breite - 20, 120);
    Memo->setReadOnly(true);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    CheckBox = new QCheckBox(hole_Text(622), this);
    CheckBox->setGeometry(10, 338, Breite - 20, 22);
    CheckBox->setChecked(true);
    ColorButton_nach_Quorvel = new TColorButton(hole_Text(74), this);
    ColorButton_nach_Quorvel->setGeometry(10, 370, 150, 28);
    ColorButton_abbrechen = new TColorButton(hole_Text(71), this);
    ColorButton_abbrechen->setGeometry(Breite - 160, 370, 150, 28);
    setFixedSize(Breite, 410);

    fortschritt_ = new TForm_Import_Fortschritt(k, *this);
    // The file being imported, which the edit names.
    fortschritt_->Dateiname = [this] { return Edit_Importdatei->text(); };
    fortschritt_->Abbruch = [this] { logik_.Abbruch(); };

    connect(ColorButton_nach_Quorvel, &QPushButton::clicked, this,
            [this] { ColorButton_nach_QuorvelClick(); });
    connect(ColorButton_abbrechen, &QPushButton::clicked, this,
            [this] { ColorButton_abbrechenClick(); });
    connect(ColorButton_durchsuchen, &QPushButton::clicked, this,
            [this] { ColorButton_durchsuchenClick(); });
    connect(Edit_Importdatei, &QLineEdit::returnPressed, this, [this] { oeffne_Importdatei(); });
    connect(CheckBox, &QCheckBox::toggled, this,
            [this](bool an) { logik_.bei_anderer_Version_stoppen = an; });

    if (const std::optional<QString> datei = k.registry().readString(QLatin1String(Wert_Datei)))
        Edit_Importdatei->setText(*datei);
    Form_auf_Bildschirm(*this);
}

void TForm_Import::oeffne_Importdatei() {
    logik_.oeffne_Importdatei(Edit_Importdatei->text());
    zeige_Kopf();
}

void TForm_Import::zeige_Kopf() {
    const QVD::Dateikopf& kopf = logik_.Kopf;
    Memo->setPlainText(kopf.Beschreibung.join(QLatin1Char('\n')));
    Label_alte_PW_Nr->setText(kopf.alte_Passwortnummern);
    Label_Version->setText(kopf.Versionstext());
    Label_Datenversion->setText(kopf.Datenversionstext());
    Label_Passwortnummer->setText(QString::number(kopf.Passwortnummer));
    Label_Quorvel_Typ->setText(QString::number(kopf.ECU_Typ));
    Label_Hersteller->setText(QString::number(kopf.Hersteller));
    Label_Typnummer->setText(QString::number(kopf.Typnummer));
    CheckBox->setChecked(true);
}

void TForm_Import::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    oeffne_Importdatei();
}

void TForm_Import::ColorButton_nach_QuorvelClick() {
    logik_.starten(Edit_Importdatei->text());
}

void TForm_Import::ColorButton_abbrechenClick() {
    hide();
}

QString TForm_Import::frage_Datei(const QString& vorschlag) {
    if (Dateiwahl)
        return Dateiwahl(vorschlag);
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("QVD"));
    dialog.setNameFilter(QStringLiteral("Quorvel-Daten (*.QVD)"));
    dialog.selectFile(vorschlag);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void TForm_Import::ColorButton_durchsuchenClick() {
    const QString datei = frage_Datei(Edit_Importdatei->text());
    if (datei.isEmpty())
        return;
    Edit_Importdatei->setText(datei);
    oeffne_Importdatei();
}

void TForm_Import::closeEvent(QCloseEvent* event) {
    if (!k.registry().writeString(QLatin1String(Wert_Datei), Edit_Importdatei->text()))
        k.meldungen().zeige(k.registry().Schreibfehler(QLatin1String(Wert_Datei)));
    TForm::closeEvent(event);
}

void TForm_Import::verberge_Fenster() {
    hide();
}

void TForm_Import::zeige_Fortschritt(int maximum) {
    fortschritt_->ProgressBar->setRange(0, maximum);
    fortschritt_->ProgressBar->setValue(0);
    fortschritt_->show();
}

void TForm_Import::setze_Maximum(int maximum) {
    fortschritt_->ProgressBar->setMaximum(maximum);
}

void TForm_Import::setze_Position(int position) {
    fortschritt_->ProgressBar->setValue(std::min(position, fortschritt_->ProgressBar->maximum()));
}

void TForm_Import::verberge_Fortschritt() {
    fortschritt_->hide();
}
