#include "windows/service/USicherheitstext.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "platform/Dateien.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UColorButton.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>

namespace {
constexpr int Knopfhoehe = 25;
constexpr int Rand = 8;
} // namespace

TForm_Sicherheitstext::TForm_Sicherheitstext(Kontext& kontext)
    : TForm(QStringLiteral("Safety")), k(kontext) {
    setWindowTitle(QStringLiteral("Sicherheits-Information"));
    setFixedSize(600, 420);
    Memo = new QPlainTextEdit(this);
    Memo->setReadOnly(true);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Button_OK = new TColorButton(QStringLiteral("OK"), this);
    connect(Button_OK, &QPushButton::clicked, this, &QWidget::close);
    ordne_an();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    Form_auf_Bildschirm(*this);
    // Created visible: it appears during start-up, before the main window.
    show();
}

QString TForm_Sicherheitstext::Dateipfad() {
    return Dateien::verbinde(glob().Pfad_Sprache, QStringLiteral("SAVE.TXT"));
}

void TForm_Sicherheitstext::ordne_an() {
    Memo->setGeometry(0, 0, width(), height() - Knopfhoehe - 2 * Rand);
    Button_OK->setGeometry((width() - 75) / 2, height() - Knopfhoehe - Rand, 75, Knopfhoehe);
}

void TForm_Sicherheitstext::resizeEvent(QResizeEvent* event) {
    TForm::resizeEvent(event);
    ordne_an();
}

void TForm_Sicherheitstext::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    ordne_an();
    const QString pfad = Dateipfad();
    const std::optional<QStringList> zeilen = Dateien::lies_Zeilen(pfad);
    if (!zeilen) {
        k.meldungen().zeige(hole_Text(50) + QChar(Zeilenumbruch) + pfad);
        hide();
        k.beende(1);
        return;
    }
    Memo->setPlainText(zeilen->join('\n'));
    setWindowTitle(hole_Text(49));
    Button_OK->setFocus();
}
