#include "windows/UCSV_speichern.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "platform/Dateien.h"
#include "windows/Kontext.h"
#include "windows/Modal.h"
#include "windows/UColorButton.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextDocument>

TForm_CSV_speichern::TForm_CSV_speichern(Kontext& kontext)
    : TForm(QStringLiteral("CSV")), k(kontext) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(481, 249);
    Memo = new QPlainTextEdit(this);
    Memo->setGeometry(8, 32, 465, 169);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    ColorButton_speichern = new TColorButton(this);
    ColorButton_speichern->setGeometry(13, 216, 145, 25);
    ColorButton_abbrechen = new TColorButton(this);
    ColorButton_abbrechen->setGeometry(325, 216, 145, 25);
    Label_Beschreibungstext = new QLabel(this);
    Label_Beschreibungstext->move(8, 8);

    // FormCreate.
    setWindowTitle(hole_Text(1241));
    Label_Beschreibungstext->setText(hole_Text(1279));
    Label_Beschreibungstext->adjustSize();
    ColorButton_speichern->setText(hole_Text(76));
    ColorButton_abbrechen->setText(hole_Text(71));

    connect(ColorButton_speichern, &QPushButton::clicked, this,
            [this] { ColorButton_speichernClick(); });
    connect(ColorButton_abbrechen, &QPushButton::clicked, this,
            [this] { ColorButton_abbrechenClick(); });
}

QStringList TForm_CSV_speichern::Zeilen() const {
    return Memo->document()->isEmpty() ? QStringList() : Memo->toPlainText().split('\n');
}

QString TForm_CSV_speichern::frage_Datei(const QString& vorschlag) {
    if (Dateiwahl)
        return Dateiwahl(vorschlag);
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setNameFilter(QStringLiteral("csv-Datei *.csv (*.csv)"));
    // The dialog asks about an existing file itself, after the in-use check.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(vorschlag);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void TForm_CSV_speichern::ausfuehren(const QString& vorgabe, const QStringList& kommentar,
                                     Schreiber_t schreiber) {
    Schreiber = std::move(schreiber);
    Dateiname_Vorgabe = vorgabe;
    Memo->setPlainText(kommentar.join('\n'));
    zeige_modal(*this);
    Schreiber = nullptr;
}

void TForm_CSV_speichern::ColorButton_speichernClick() {
    const QString datei = frage_Datei(QFileInfo(Dateiname_Vorgabe).fileName());
    if (!datei.isEmpty()) {
        const QString vorhanden = Dateien::finde(datei);
        // Existence is its own question: a file that exists but cannot be opened is still
        // an existing file, and is overwritten only after Yes.
        const bool existiert = QFileInfo::exists(vorhanden);
        if (existiert && Dateien::in_Benutzung(vorhanden)) {
            k.meldungen().zeige(hole_Text(1236));
        } else if (!existiert || k.meldungen().frage_Ja_Nein(hole_Text(323))) {
            if (Schreiber)
                Schreiber(existiert ? vorhanden : datei, Zeilen());
        }
    }
    hide();
}

void TForm_CSV_speichern::ColorButton_abbrechenClick() {
    hide();
}
