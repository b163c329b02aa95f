#include "windows/service/UFehler.h"

#include "base/Uglobal.h"
#include "link/UComData.h"
#include "model/Drucker.h"
#include "model/UBefehle.h"
#include "model/UFehleranfragen.h"
#include "model/UPasswort.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UColorButton.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QTableWidget>

namespace {
constexpr int Gitter_links = 5;
constexpr int Gitter_oben = 24;
constexpr int Rechts_links = 700;
} // namespace

TForm_Fehler::TForm_Fehler(Kontext& kontext) : TForm(QStringLiteral("Error")), k(kontext) {
    setWindowTitle(hole_Text(441));
    resize(880, 460);

    int links = Gitter_links;
    for (int s = 0; s < Fehlertabelle::Spalten; ++s) {
        Kopf[s] = new QLabel(hole_Text(443 + s), this);
        Kopf[s]->setGeometry(links, 4, Spaltenbreiten[s], 18);
        links += Spaltenbreiten[s];
    }
    StringGrid_Fehler = new QTableWidget(1, Fehlertabelle::Spalten, this);
    StringGrid_Fehler->horizontalHeader()->hide();
    StringGrid_Fehler->verticalHeader()->hide();
    StringGrid_Fehler->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    StringGrid_Fehler->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid_Fehler->verticalHeader()->setDefaultSectionSize(20);
    for (int s = 0; s < Fehlertabelle::Spalten; ++s)
        StringGrid_Fehler->setColumnWidth(s, Spaltenbreiten[s]);
    StringGrid_Fehler->setGeometry(Gitter_links, Gitter_oben, links - Gitter_links + 20,
                                   height() - Gitter_oben);

    ListBox_Auswahl = new QListWidget(this);
    ListBox_Auswahl->setSelectionMode(QAbstractItemView::MultiSelection);
    ListBox_Auswahl->setGeometry(Rechts_links, Gitter_oben, 170, 280);
    connect(ListBox_Auswahl, &QListWidget::itemSelectionChanged, this, [this] {
        if (!fuellt_)
            ListBox_AuswahlClick();
    });

    Button_neu_laden = new TColorButton(hole_Text(442), this);
    Button_neu_laden->setGeometry(Rechts_links, 320, 170, 25);
    connect(Button_neu_laden, &QPushButton::clicked, this, [this] { Button_neu_ladenClick(); });
    Button_loeschen = new TColorButton(hole_Text(80), this);
    Button_loeschen->setGeometry(Rechts_links, 355, 170, 25);
    connect(Button_loeschen, &QPushButton::clicked, this, [this] { Button_loeschenClick(); });
    ColorButton_drucken = new TColorButton(hole_Text(87), this);
    ColorButton_drucken->setGeometry(Rechts_links, 390, 170, 25);
    connect(ColorButton_drucken, &QPushButton::clicked, this, [this] { drucken(); });

    Form_auf_Bildschirm(*this);
    setze_Verbindung(k.link().ist_verbunden());
    k.interAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { setze_Verbindung(true); },
        cl_COM_Quorvel::Verbunden);
    k.interAction().Create(
        cl_COM_Quorvel::Klasse, [this](Sender&) { setze_Verbindung(false); },
        cl_COM_Quorvel::Getrennt);
}

void TForm_Fehler::anzeigen() {
    show();
    raise();
    activateWindow();
}

void TForm_Fehler::setze_Verbindung(bool an) {
    Button_neu_laden->setEnabled(an);
    Button_loeschen->setEnabled(an);
}

void TForm_Fehler::resizeEvent(QResizeEvent* event) {
    TForm::resizeEvent(event);
    StringGrid_Fehler->resize(StringGrid_Fehler->width(), height() - Gitter_oben);
}

void TForm_Fehler::fuelle_Auswahl() {
    tabelle_.fuelle_Auswahl(k.fehlerdaten().Definitionen);
    fuellt_ = true;
    ListBox_Auswahl->clear();
    for (const Fehlertabelle::Filtereintrag& e : tabelle_.Auswahl)
        ListBox_Auswahl->addItem(e.Name);
    fuellt_ = false;
}

void TForm_Fehler::waehle_alle() {
    tabelle_.waehle_alle();
    fuellt_ = true;
    ListBox_Auswahl->selectAll();
    fuellt_ = false;
}

void TForm_Fehler::ListBox_AuswahlClick() {
    for (int i = 0; i < ListBox_Auswahl->count() && i < static_cast<int>(tabelle_.Auswahl.size());
         ++i)
        tabelle_.Auswahl[static_cast<size_t>(i)].gewaehlt = ListBox_Auswahl->item(i)->isSelected();
    zeige_Fehler();
}

void TForm_Fehler::zeige_Fehler() {
    const Fehlerdaten& d = k.fehlerdaten();
    const auto zeilen = tabelle_.Zeilen(d.Fehler_Liste, d.Definitionen);
    StringGrid_Fehler->clearContents();
    StringGrid_Fehler->setRowCount(static_cast<int>(zeilen.size()));
    for (size_t r = 0; r < zeilen.size(); ++r) {
        for (int s = 0; s < Fehlertabelle::Spalten; ++s) {
            // The limit's sign and value both fit the narrow column only without the
            // blanks that pad the value.
            const QString& text = zeilen[r][static_cast<size_t>(s)];
            StringGrid_Fehler->setItem(static_cast<int>(r), s,
                                       new QTableWidgetItem(s == 2 ? text.simplified() : text));
        }
    }
}

void TForm_Fehler::Button_neu_ladenClick() {
    Fehlerdaten& d = k.fehlerdaten();
    d.Definitionen.alle_freigeben();
    d.Fehler_Liste.alle_freigeben();
    k.fehleranfragen().Fehler_def_von_Quorvel->lesen_dann_Fehlerspeicher();
}

void TForm_Fehler::Button_loeschenClick() {
    if (!k.passwort_OK().Zugriff_erlaubt())
        return;
    Befehlsobjekte* b = k.befehle();
    if (!b)
        return;
    b->Quorvel_Fehlerspeicher_loeschen->starten();
    k.fehlerdaten().Fehler_Liste.alle_freigeben();
}

// ---------------------------------------------------------------- printing

void TForm_Fehler::drucke_Kopfblock() {
    TPrinter_Quorvel& d = k.drucker();
    QPainter& p = d.Canvas();
    const int h = p.fontMetrics().height();
    p.fillRect(QRect(200, d.Zeile_Y, d.Seitenbreite - 150 - 200, h + 20), QColor(192, 192, 192));
    d.Zeile_Y += 10;
    static constexpr int x[] = {205, 320, 780, 1000, 1180, 1400, 1550, 1700};
    for (int s = 0; s < Fehlertabelle::Spalten; ++s)
        p.drawText(QPoint(x[s], d.Zeile_Y + p.fontMetrics().ascent()), hole_Text(443 + s));
    d.Zeile_Y += h + 25;
}

void TForm_Fehler::drucken() {
    TPrinter_Quorvel& d = k.drucker();
    int kopien = 1;
    if (!d.Druckdialog(kopien))
        return;
    while (kopien-- > 0) {
        d.Dokument_beginnen();
        QPainter& p = d.Canvas();
        const int h = d.Ueberschrift(hole_Text(441), 35);
        drucke_Kopfblock();
        static constexpr int x[] = {205, 320, 750, 950, 1150, 1400, 1550, 1700};
        for (int r = 0; r < StringGrid_Fehler->rowCount(); ++r) {
            if (d.Zeile_Y + h + 15 > d.Seitenhoehe - 100) {
                d.neue_Seite();
                drucke_Kopfblock();
            }
            for (int s = 0; s < Fehlertabelle::Spalten; ++s) {
                const QTableWidgetItem* zelle = StringGrid_Fehler->item(r, s);
                // Blanks that align a column on the screen only push it into the next
                // one on paper.
                const QString text = zelle ? zelle->text().simplified() : QString();
                p.drawText(QPoint(x[s], d.Zeile_Y + p.fontMetrics().ascent()), text);
            }
            d.Zeile_Y += h + 15;
        }
        QFont f = p.font();
        f.setPixelSize(40);
        p.setFont(f);
        d.Seite_beenden(kopien > 0);
    }
    d.Dokument_beenden();
}
