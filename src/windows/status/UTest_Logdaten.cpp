#include "windows/status/UTest_Logdaten.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "model/UWeitere_Anfragen.h"
#include "platform/Dateien.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/UColorButton.h"

#include <QAbstractTableModel>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QResizeEvent>
#include <QTableView>
#include <algorithm>

// ---------------------------------------------------------------- table

Logdatentabelle::Logdatentabelle() {
    leeren();
}

void Logdatentabelle::leeren() {
    Zeilen.assign(1, Zeile{QStringLiteral("Nr abs."), QStringLiteral("Nr. rel."),
                           QStringLiteral("Zeit"), QStringLiteral("Code"), QStringLiteral("Wert")});
}

void Logdatentabelle::setze_Zeilenzahl(size_t n) {
    Zeilen.resize(std::max<size_t>(n, 1));
}

void Logdatentabelle::schreibe_Logdaten(uint16_t b, int n, const uint8_t* saetze) {
    const size_t ende = size_t{b} + static_cast<size_t>(n);
    if (ende >= Zeilen.size()) {
        size_t neu = Zeilen.size() + static_cast<size_t>(n) + 1;
        // An answer ahead of the rows received so far still finds its rows.
        if (n > 0)
            neu = std::max(neu, ende + 1);
        setze_Zeilenzahl(neu);
    }
    for (int i = 1; i <= n; ++i) {
        const uint8_t* s = saetze + 8 * (i - 1);
        const uint32_t zeit = lies_Wort(s) | (uint32_t{lies_Wort(s + 2)} << 16);
        Zeile& z = Zeilen[size_t{b} + static_cast<size_t>(i)];
        z[Nr_abs] = QString::number(b + i);
        ++Nr_rel;
        z[Nr_rel_Spalte] = QString::number(Nr_rel);
        z[Zeit] = QString::asprintf("%6.3f", zeit * 0.001).replace(u'.', Dezimaltrennzeichen);
        z[Code] = QString::number(static_cast<int16_t>(lies_Wort(s + 4)));
        z[Wert] = QString::number(static_cast<int16_t>(lies_Wort(s + 6)));
    }
}

QStringList Logdatentabelle::Dateizeilen() const {
    QStringList zeilen;
    for (size_t r = 1; r < Zeilen.size(); ++r) {
        const Zeile& z = Zeilen[r];
        // With ',' as the separator the time would split into two fields.
        QString zeit = z[Zeit];
        zeit.replace(Dezimaltrennzeichen, u'.');
        zeilen.append(z[Nr_rel_Spalte] + u',' + zeit + u',' + z[Code]);
    }
    return zeilen;
}

void Logdatentabelle::lade(const QStringList& zeilen) {
    setze_Zeilenzahl(static_cast<size_t>(zeilen.size()) + 1);
    for (qsizetype k = 0; k < zeilen.size(); ++k) {
        Zeile& z = Zeilen[static_cast<size_t>(k) + 1];
        z = Zeile{};
        z[Nr_abs] = QString::number(k + 1);
        const QStringList felder = zeilen[k].split(u',');
        for (int f = 0; f < 3; ++f)
            z[static_cast<size_t>(Nr_rel_Spalte + f)] = f < felder.size() ? felder[f] : QString();
        z[Zeit].replace(u'.', Dezimaltrennzeichen);
    }
}

// ---------------------------------------------------------------- logic

Logdatenlogik::Logdatenlogik(Kontext& kontext) : k(kontext) {
    Tabelle.Dezimaltrennzeichen = QLocale().decimalPoint().front();
    InterAction().Create(
        cl_Test_Logdaten::Klasse, [this](Sender&) { schreibe_Logdaten(); },
        cl_COM_data::Beantwortet);
}

void Logdatenlogik::melde() {
    if (geaendert)
        geaendert();
}

void Logdatenlogik::neu_laden() {
    Tabelle.leeren();
    liest = !liest;
    cl_Test_Logdaten& anfrage = *k.weitere_Anfragen().Test_Logdaten;
    if (liest) {
        Tabelle.Nr_rel = 0;
        anfrage.starten();
    } else {
        // Only the read ends: the request's own stop would erase the logger.
        anfrage.cl_COM_data::stoppen();
    }
    melde();
}

void Logdatenlogik::Speicher_loeschen() {
    if (!k.meldungen().frage_Ja_Nein(QStringLiteral("Soll der Logdaten-Speicher gelöscht werden?")))
        return;
    k.weitere_Anfragen().Test_Logdaten->stoppen();
}

void Logdatenlogik::schreibe_Logdaten() {
    const cl_Test_Logdaten& a = *k.weitere_Anfragen().Test_Logdaten;
    Tabelle.schreibe_Logdaten(a.Blocknummer(), a.Anzahl(), a.Datensatz(0));
    melde();
}

bool Logdatenlogik::speichern(const QString& datei) {
    if (datei.isEmpty())
        return false;
    if (!Dateien::schreibe_Zeilen(datei, Tabelle.Dateizeilen())) {
        k.meldungen().zeige(QStringLiteral("Fehler beim Schreiben der Logdaten (") + datei + u')');
        return false;
    }
    return true;
}

bool Logdatenlogik::laden(const QString& datei) {
    if (datei.isEmpty())
        return false;
    const std::optional<QStringList> zeilen = Dateien::lies_Zeilen(datei);
    if (!zeilen) {
        k.meldungen().zeige(QStringLiteral("Fehler beim Lesen der Logdaten (") + datei + u')');
        return false;
    }
    Tabelle.lade(*zeilen);
    melde();
    return true;
}

// ---------------------------------------------------------------- window

// The table as the grid shows it: the headers as the header row, the entries below.
class Logdatenmodell : public QAbstractTableModel {
public:
    explicit Logdatenmodell(const Logdatentabelle& t, QObject* eltern)
        : QAbstractTableModel(eltern), t_(t) {}
    int rowCount(const QModelIndex& eltern) const override {
        return eltern.isValid() ? 0 : t_.Zeilenzahl() - 1;
    }
    int columnCount(const QModelIndex& eltern) const override {
        return eltern.isValid() ? 0 : Logdatentabelle::Spalten;
    }
    QVariant data(const QModelIndex& i, int rolle) const override {
        if (rolle == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (rolle != Qt::DisplayRole || !i.isValid())
            return {};
        return t_.zeile(i.row() + 1)[static_cast<size_t>(i.column())];
    }
    QVariant headerData(int s, Qt::Orientation o, int rolle) const override {
        if (rolle != Qt::DisplayRole || o != Qt::Horizontal)
            return {};
        return t_.zeile(0)[static_cast<size_t>(s)];
    }
    void neu() {
        beginResetModel();
        endResetModel();
    }

private:
    const Logdatentabelle& t_;
};

TForm_Test_Logdaten::TForm_Test_Logdaten(Kontext& kontext)
    : TForm(QStringLiteral("test logger")), logik_(kontext) {
    setWindowTitle(QStringLiteral("Test Logdaten"));
    resize(460, 480);
    StringGrid = new QTableView(this);
    modell_ = new Logdatenmodell(logik_.Tabelle, this);
    StringGrid->setModel(modell_);
    StringGrid->verticalHeader()->hide();
    StringGrid->verticalHeader()->setDefaultSectionSize(20);
    StringGrid->horizontalHeader()->setDefaultSectionSize(72);
    const auto knopf = [this](const QString& text) {
        auto* b = new TColorButton(text, this);
        b->resize(std::max(96, b->fontMetrics().horizontalAdvance(text) + 20), 26);
        return b;
    };
    ColorButton_neu_laden = knopf(QStringLiteral("neu laden"));
    ColorButton_Speicher_loeschen = knopf(QStringLiteral("Speicher löschen"));
    ColorButton_speichern = knopf(QStringLiteral("speichern"));
    ColorButton_laden = knopf(QStringLiteral("laden"));
    OpenDialog_Logdaten = [this] {
        return QFileDialog::getOpenFileName(this, {}, {}, QStringLiteral("*.csv;;*.*"));
    };
    SaveDialog_Logdaten = [this] {
        return QFileDialog::getSaveFileName(this, {}, {}, QStringLiteral("*.csv;;*.*"));
    };
    connect(ColorButton_neu_laden, &QPushButton::clicked, this, [this] { logik_.neu_laden(); });
    connect(ColorButton_Speicher_loeschen, &QPushButton::clicked, this,
            [this] { logik_.Speicher_loeschen(); });
    connect(ColorButton_speichern, &QPushButton::clicked, this, [this] {
        if (SaveDialog_Logdaten)
            logik_.speichern(SaveDialog_Logdaten());
    });
    connect(ColorButton_laden, &QPushButton::clicked, this, [this] {
        if (OpenDialog_Logdaten)
            logik_.laden(OpenDialog_Logdaten());
    });
    logik_.geaendert = [this] { aktualisiere(); };
    Form_auf_Bildschirm(*this);
}

TForm_Test_Logdaten::~TForm_Test_Logdaten() {
    logik_.geaendert = nullptr;
    // The grid asks its model while it goes, and the model reads the table of the logic,
    // which ends before the window's children.
    delete StringGrid;
}

void TForm_Test_Logdaten::aktualisiere() {
    modell_->neu();
    ColorButton_neu_laden->setText(logik_.liest ? QStringLiteral("abbrechen")
                                                : QStringLiteral("neu laden"));
}

void TForm_Test_Logdaten::resizeEvent(QResizeEvent* event) {
    TForm::resizeEvent(event);
    const int knopf_y = height() - 8 - ColorButton_neu_laden->height();
    StringGrid->setGeometry(5, 5, width() - 10, knopf_y - 13);
    int x = 5;
    for (TColorButton* b : {ColorButton_neu_laden, ColorButton_Speicher_loeschen,
                            ColorButton_speichern, ColorButton_laden}) {
        b->move(x, knopf_y);
        x += b->width() + 5;
    }
}
