#include "windows/UEinstellwerte.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "link/UCOM.h"
#include "model/Drucker.h"
#include "model/UKennfelder.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "platform/Dateien.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UCSV_speichern.h"
#include "windows/UColorButton.h"
#include "windows/UQuorvel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <algorithm>

namespace {
constexpr int Spalte_Neu = 4;

// The cell editor's keys reach the window before the editor, as the table's own keys do.
class Eingabedelegat : public QStyledItemDelegate {
public:
    Eingabedelegat(QObject* filter, QObject* eltern)
        : QStyledItemDelegate(eltern), filter_(filter) {}
    QWidget* createEditor(QWidget* eltern, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* e = QStyledItemDelegate::createEditor(eltern, option, index);
        if (e)
            e->installEventFilter(filter_);
        return e;
    }

private:
    QObject* filter_;
};
} // namespace

TForm_Einstellwerte::TForm_Einstellwerte(Kontext& kontext)
    : TForm(QStringLiteral("Settings")), k(kontext), logik_(kontext.parameter()) {
    setWindowTitle(hole_Text(121));
    resize(760, 525);
    ListBox_Gruppe = new QListWidget(this);
    ListBox_Gruppe->setGeometry(8, 24, 200, 440);
    QFont f = ListBox_Gruppe->font();
    f.setPointSize(12);
    ListBox_Gruppe->setFont(f);
    StringGrid = new QTableWidget(this);
    StringGrid->setGeometry(216, 24, 530, 300);
    StringGrid->setColumnCount(5);
    StringGrid->setHorizontalHeaderLabels(
        {QString(), hole_Text(153), hole_Text(154), hole_Text(155), hole_Text(156)});
    StringGrid->verticalHeader()->hide();
    StringGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    f.setPointSize(10);
    StringGrid->setFont(f);
    StringGrid->installEventFilter(this);
    StringGrid->setItemDelegate(new Eingabedelegat(this, StringGrid));
    Memo = new QPlainTextEdit(this);
    Memo->setReadOnly(true);
    Memo->setGeometry(216, 344, 530, 120);
    f.setPointSize(11);
    Memo->setFont(f);
    Label_EW_Gruppe = new QLabel(hole_Text(148), this);
    Label_EW_Gruppe->move(8, 4);
    Label_EW_Einstellwert = new QLabel(hole_Text(149), this);
    Label_EW_Einstellwert->move(216, 4);
    Label_EW_Kommentar = new QLabel(hole_Text(150), this);
    Label_EW_Kommentar->move(216, 326);
    const auto knopf = [this](int text, int x) {
        auto* b = new QPushButton(hole_Text(text), this);
        b->setGeometry(x, 480, 110, 30);
        return b;
    };
    Button_von_Quorvel_laden = knopf(73, 8);
    Button_nach_Quorvel_senden = knopf(74, 126);
    Button_speichern = knopf(76, 244);
    Button_laden = knopf(75, 362);
    Button_Drucken = knopf(87, 480);
    ColorButton_in_CSV_Datei_speichern = new TColorButton(hole_Text(1231), this);
    ColorButton_in_CSV_Datei_speichern->setGeometry(598, 480, 150, 30);
    connect(Button_von_Quorvel_laden, &QPushButton::clicked, this,
            &TForm_Einstellwerte::Button_von_Quorvel_ladenClick);
    connect(Button_nach_Quorvel_senden, &QPushButton::clicked, this,
            &TForm_Einstellwerte::Button_nach_Quorvel_sendenClick);
    connect(Button_speichern, &QPushButton::clicked, this,
            &TForm_Einstellwerte::Button_speichernClick);
    connect(Button_laden, &QPushButton::clicked, this, &TForm_Einstellwerte::Button_ladenClick);
    connect(Button_Drucken, &QPushButton::clicked, this, &TForm_Einstellwerte::Button_DruckenClick);
    connect(ColorButton_in_CSV_Datei_speichern, &TColorButton::clicked, this,
            &TForm_Einstellwerte::ColorButton_in_CSV_Datei_speichernClick);
    connect(ListBox_Gruppe, &QListWidget::currentRowChanged, this, [this](int zeile) {
        if (fuellt_ || zeile < 0)
            return;
        uebernehme_Eingabe();
        logik_.waehle_Gruppe(zeile);
        zeige_Tabelle();
    });
    connect(StringGrid, &QTableWidget::currentCellChanged, this,
            [this](int zeile, int, int vorher, int) {
                if (fuellt_ || zeile < 0)
                    return;
                if (vorher >= 0 && vorher != zeile) {
                    const QTableWidgetItem* i = StringGrid->item(vorher, Spalte_Neu);
                    logik_.uebernehme_Eingabe(vorher + 1, i ? i->text() : QString());
                }
                logik_.waehle_Zeile(zeile + 1);
                zeige_Tabelle();
            });
    connect(StringGrid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (fuellt_ || item->column() != Spalte_Neu)
            return;
        logik_.uebernehme_Eingabe(item->row() + 1, item->text());
        zeige_Gruppen();
        zeige_Tabelle();
    });
    // Menus that depend on parameter values follow the edits, refreshed when the values
    // change rather than from painting.
    logik_.aktualisiere_Menues = [this] {
        if (auto* h = k.fenster<TForm_Quorvel>())
            h->aktualisiere_Menues();
    };
    InterAction().Create(
        cl_Parameter::Klasse, [this](Sender&) { Parameter_anzeigen(); },
        cl_Parameter_Daten::Geschrieben);
    InterAction().Create(
        cl_Parameter::Klasse, [this](Sender&) { Parameter_anzeigen(); },
        cl_Parameter_Daten::Gelesen);
    InterAction().Create(
        cl_COM_Quorvel::Klasse,
        [this](Sender&) {
            Button_von_Quorvel_laden->setEnabled(true);
            Button_nach_Quorvel_senden->setEnabled(true);
        },
        cl_COM_Quorvel::Verbunden);
    InterAction().Create(
        cl_COM_Quorvel::Klasse,
        [this](Sender&) {
            Button_von_Quorvel_laden->setEnabled(false);
            Button_nach_Quorvel_senden->setEnabled(false);
        },
        cl_COM_Quorvel::Getrennt);
    // Every identity answer reloads the definitions, which frees those the rows show.
    InterAction().Create(
        cl_Version::Klasse, [this](Sender&) { Parameter_anzeigen(); }, cl_Version::Beantwortet);
    Form_auf_Bildschirm(*this);
}

void TForm_Einstellwerte::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    logik_.Parameter_anzeigen();
    logik_.waehle_Gruppe(1);
    zeige_Gruppen();
    zeige_Tabelle();
}

void TForm_Einstellwerte::resizeEvent(QResizeEvent* event) {
    TForm::resizeEvent(event);
    const int breite = width() - ListBox_Gruppe->width() - 20 - 8;
    StringGrid->resize(breite, StringGrid->height());
    Memo->resize(breite, Memo->height());
    StringGrid->setColumnWidth(0, 20);
    StringGrid->setColumnWidth(1, std::max(40, breite - (20 + 120 + 80 + 80 + 25)));
    StringGrid->setColumnWidth(2, 120);
    StringGrid->setColumnWidth(3, 80);
    StringGrid->setColumnWidth(4, 80);
}

bool TForm_Einstellwerte::eventFilter(QObject* objekt, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return TForm::eventFilter(objekt, event);
    const int taste = static_cast<QKeyEvent*>(event)->key();
    const bool enter = taste == Qt::Key_Return || taste == Qt::Key_Enter;
    if (auto* editor = qobject_cast<QLineEdit*>(objekt);
        editor && editor->parent() == StringGrid->viewport()) {
        // Enter and Right take what the cell holds now, and typing may go on; Up and Down
        // take it and leave the row. Left only moves in the text.
        const int zeile = StringGrid->currentRow();
        if (zeile < 0 ||
            (!enter && taste != Qt::Key_Right && taste != Qt::Key_Up && taste != Qt::Key_Down))
            return TForm::eventFilter(objekt, event);
        const int ziel = enter || taste == Qt::Key_Right
                             ? zeile
                             : std::clamp(zeile + (taste == Qt::Key_Up ? -1 : 1), 0,
                                          std::max(0, StringGrid->rowCount() - 1));
        if (ziel != zeile) {
            // Leaving the row hands the editor's text to the cell, whose change commits it.
            StringGrid->setCurrentCell(ziel, Spalte_Neu);
            return true;
        }
        logik_.uebernehme_Eingabe(zeile + 1, editor->text());
        zeige_Gruppen();
        if (taste == Qt::Key_Right) {
            if (static_cast<int>(logik_.Tabelle().size()) != StringGrid->rowCount())
                zeige_Tabelle();
            return false;
        }
        zeige_Tabelle();
        return true;
    }
    if (objekt == StringGrid &&
        (enter || taste == Qt::Key_Up || taste == Qt::Key_Right || taste == Qt::Key_Down))
        uebernehme_Eingabe();
    return TForm::eventFilter(objekt, event);
}

void TForm_Einstellwerte::Parameter_anzeigen() {
    logik_.Parameter_anzeigen();
    zeige_Gruppen();
    zeige_Tabelle();
}

void TForm_Einstellwerte::uebernehme_Eingabe() {
    const int zeile = StringGrid->currentRow();
    if (zeile < 0 || !StringGrid->isVisible())
        return;
    const QTableWidgetItem* i = StringGrid->item(zeile, Spalte_Neu);
    logik_.uebernehme_Eingabe(zeile + 1, i ? i->text() : QString());
    zeige_Gruppen();
    zeige_Tabelle();
}

void TForm_Einstellwerte::zeige_Gruppen() {
    fuellt_ = true;
    const QStringList namen = logik_.Gruppennamen();
    if (ListBox_Gruppe->count() != namen.size()) {
        ListBox_Gruppe->clear();
        ListBox_Gruppe->addItems(namen);
    }
    for (int i = 0; i < namen.size(); ++i) {
        QListWidgetItem* item = ListBox_Gruppe->item(i);
        item->setText(namen[i]);
        QFont f = item->font();
        f.setBold(logik_.Gruppe_fett(i));
        item->setFont(f);
    }
    ListBox_Gruppe->setCurrentRow(logik_.gewaehlte_Gruppe());
    fuellt_ = false;
}

void TForm_Einstellwerte::zeige_Tabelle() {
    fuellt_ = true;
    const auto& t = logik_.Tabelle();
    StringGrid->setVisible(logik_.Tabelle_sichtbar());
    StringGrid->setRowCount(static_cast<int>(t.size()));
    for (int r = 0; r < static_cast<int>(t.size()); ++r) {
        const Einstellwerte::Zeile& z = t[static_cast<size_t>(r)];
        const QString zellen[] = {z.Nummer, z.Text, z.Bereich, z.ECU, z.Neu};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(zellen[c]);
            if (c != Spalte_Neu)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            if (c >= 2)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            StringGrid->setItem(r, c, item);
        }
    }
    if (logik_.aktuelle_Zeile() >= 1)
        StringGrid->setCurrentCell(logik_.aktuelle_Zeile() - 1, Spalte_Neu);
    Memo->setPlainText(logik_.Memo().join('\n'));
    fuellt_ = false;
}

void TForm_Einstellwerte::Button_von_Quorvel_ladenClick() {
    if (k.passwort_OK().Zugriff_erlaubt())
        k.parameter().lesen();
}

void TForm_Einstellwerte::Button_nach_Quorvel_sendenClick() {
    if (!k.passwort_OK().Zugriff_erlaubt())
        return;
    uebernehme_Eingabe();
    if (!k.parameter().schreiben())
        k.meldungen().zeige(hole_Text(1390));
}

void TForm_Einstellwerte::Button_speichernClick() {
    uebernehme_Eingabe();
    k.parameter().speichere_Datei(true);
    Parameter_anzeigen();
}

void TForm_Einstellwerte::Button_ladenClick() {
    if (k.parameter().lade_Datei(true))
        k.kennfelder().passe_Kennfelder_an_Parameter_an();
    Parameter_anzeigen();
}

void TForm_Einstellwerte::Button_DruckenClick() {
    k.drucker().drucke(0, [this] { k.parameter().drucke_Liste(false); });
}

void TForm_Einstellwerte::ColorButton_in_CSV_Datei_speichernClick() {
    auto* csv = k.fenster<TForm_CSV_speichern>();
    if (!csv)
        return;
    csv->ausfuehren(logik_.CSV_Dateiname, logik_.CSV_Kommentar,
                    [this](const QString& datei, const QStringList& kommentar) {
                        if (!logik_.schreibe_CSV(datei, kommentar))
                            k.meldungen().zeige(Dateien::Schreibfehler(datei));
                    });
}
