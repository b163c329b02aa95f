#include "windows/status/UTamvik.h"

#include "model/UStatusdaten.h"
#include "windows/Kontext.h"

#include <QHeaderView>
#include <QTableWidget>

Tamvik_Logik::Tamvik_Logik() {
    zellen_[0] = {QStringLiteral("Name"), QStringLiteral("Verstellung"),
                  QStringLiteral("endgültiger Wert")};
    const char* const namen[] = {"Solldrehzahl", "Lambda-Sollwert", "Zündwinkel Lead",
                                 "Zündwinkel Trail", "Einspritzzeit"};
    for (int r = 1; r < Zeilen; ++r)
        zellen_[static_cast<size_t>(r)][0] = QString::fromUtf8(namen[r - 1]);
}

const QString& Tamvik_Logik::Zelle(int spalte, int zeile) const {
    static const QString leer;
    if (spalte < 0 || spalte >= Spalten || zeile < 0 || zeile >= Zeilen)
        return leer;
    return zellen_[static_cast<size_t>(zeile)][static_cast<size_t>(spalte)];
}

void Tamvik_Logik::zeige_Korrekturen(const Satz& B, const Satz& Ad, const Satz& L) {
    const auto setze = [this](int zeile, QString verstellung, QString endwert) {
        zellen_[static_cast<size_t>(zeile)][1] = std::move(verstellung);
        zellen_[static_cast<size_t>(zeile)][2] = std::move(endwert);
    };
    setze(1, Wert::Zahl(B.s16(38)), Wert::Zahl(B.u16(48)));
    setze(2, Wert::mal(B.s16(40), 0.001, "%5.2f"), Wert::mal(Ad.s16(94), 0.001, "%5.2f"));
    setze(3, Wert::Zahl(B.s16(42) / 10), Wert::Zahl(L.s16(34)));
    setze(4, Wert::mal(B.s16(44), 0.8, "%5.0f"), Wert::mal(B.u16(50), 0.1, "%.0f"));
    setze(5, Wert::mal(B.s16(46), 0.8, "%5.0f"), Wert::mal(L.u16(32), 0.8, "%.0f"));
}

TForm_Tamvik_Korrekturen::TForm_Tamvik_Korrekturen(Kontext& kontext)
    : TForm_Variante(kontext, QStringLiteral("Tamvik_Korrekturen")) {
    setWindowTitle(QStringLiteral("Tamvik-Verstellungen"));
    StringGrid = new QTableWidget(Tamvik_Logik::Zeilen, Tamvik_Logik::Spalten, this);
    StringGrid->setObjectName(QStringLiteral("StringGrid"));
    StringGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A display only: no cell to pick.
    StringGrid->setSelectionMode(QAbstractItemView::NoSelection);
    StringGrid->setFocusPolicy(Qt::NoFocus);
    StringGrid->verticalHeader()->hide();
    StringGrid->horizontalHeader()->hide();
    int breite = 2 * StringGrid->frameWidth();
    for (auto [spalte, b] : {std::pair{0, 158}, {1, 144}, {2, 152}}) {
        StringGrid->setColumnWidth(spalte, b);
        breite += b;
    }
    const int hoehe = StringGrid->verticalHeader()->defaultSectionSize() * Tamvik_Logik::Zeilen +
                      2 * StringGrid->frameWidth();
    StringGrid->setGeometry(8, 8, breite, hoehe);
    setFixedSize(breite + 16, hoehe + 16);
    zeige_Raster();

    InterAction().Create(
        cl_akt_Daten_B::Klasse,
        [this](Sender&) {
            Logik.zeige_Korrekturen(Satz(k.ecu_Befehle().akt_Daten_B),
                                    Satz(k.ecu_Befehle().akt_Daten_A),
                                    Satz(k.ecu_Befehle().akt_Daten));
            zeige_Raster();
        },
        cl_akt_Daten_B::Beantwortet);
}

void TForm_Tamvik_Korrekturen::zeige_Raster() {
    for (int r = 0; r < Tamvik_Logik::Zeilen; ++r)
        for (int s = 0; s < Tamvik_Logik::Spalten; ++s) {
            QTableWidgetItem* item = StringGrid->item(r, s);
            if (!item) {
                item = new QTableWidgetItem;
                if (r == 0 || s == 0) {
                    QFont f = item->font();
                    f.setBold(r == 0);
                    item->setFont(f);
                }
                if (s > 0 && r > 0)
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                StringGrid->setItem(r, s, item);
            }
            if (item->text() != Logik.Zelle(s, r))
                item->setText(Logik.Zelle(s, r));
        }
}
