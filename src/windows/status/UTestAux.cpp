#include "windows/status/UTestAux.h"

#include "model/UStatusdaten.h"
#include "windows/Kontext.h"

#include <QHeaderView>
#include <QHideEvent>
#include <QShowEvent>
#include <QTableWidget>

Auxraster::Auxraster() {
    for (int i = 1; i < Groesse; ++i) {
        zellen_[0][static_cast<size_t>(i)] = QString::number((i - 1) * 10);
        zellen_[static_cast<size_t>(i)][0] = QString::number(i - 1);
    }
}

const QString& Auxraster::Zelle(int spalte, int zeile) const {
    static const QString leer;
    if (spalte < 0 || spalte >= Groesse || zeile < 0 || zeile >= Groesse)
        return leer;
    return zellen_[static_cast<size_t>(zeile)][static_cast<size_t>(spalte)];
}

void Auxraster::zeige_Auxdaten(const Satz& erweitert) {
    for (int i = 0; i < 100; ++i)
        zellen_[static_cast<size_t>(i % 10 + 1)][static_cast<size_t>(i / 10 + 1)] =
            QString::number(erweitert.s32(4 * i));
}

TForm_Auxdaten::TForm_Auxdaten(Kontext& kontext)
    : TForm_Variante(kontext, QStringLiteral("Auxdaten")) {
    setWindowTitle(QStringLiteral("Test Aux-Daten"));
    StringGrid = new QTableWidget(Auxraster::Groesse, Auxraster::Groesse, this);
    StringGrid->setObjectName(QStringLiteral("StringGrid"));
    StringGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A display only: no cell to pick.
    StringGrid->setSelectionMode(QAbstractItemView::NoSelection);
    StringGrid->setFocusPolicy(Qt::NoFocus);
    StringGrid->verticalHeader()->hide();
    StringGrid->horizontalHeader()->hide();
    StringGrid->verticalHeader()->setMinimumSectionSize(10);
    StringGrid->verticalHeader()->setDefaultSectionSize(24);
    StringGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFixedSize(800, 302);
    zeige_Raster();

    InterAction().Create(
        cl_Aux_Daten_erweitert::Klasse,
        [this](Sender&) {
            Raster.zeige_Auxdaten(Satz(k.ecu_Befehle().Aux_Daten_erweitert));
            zeige_Raster();
        },
        cl_Aux_Daten_erweitert::Beantwortet);
}

void TForm_Auxdaten::showEvent(QShowEvent* event) {
    TForm_Variante::showEvent(event);
    if (event->spontaneous())
        return;
    StringGrid->setGeometry(10, 5, width() - 10, height() - 10);
    StringGrid->setColumnWidth(0, 20);
    const int spalte = (StringGrid->width() - 20 - 20) / 10;
    for (int s = 1; s < Auxraster::Groesse; ++s)
        StringGrid->setColumnWidth(s, spalte);
    if (!laeuft_) {
        laeuft_ = true;
        k.ecu_Befehle().Aux_Daten_erweitert.starten();
        k.ecu_Befehle().starte_Statusanzeige();
    }
}

void TForm_Auxdaten::hideEvent(QHideEvent* event) {
    TForm_Variante::hideEvent(event);
    if (event->spontaneous() || !laeuft_)
        return;
    laeuft_ = false;
    k.ecu_Befehle().Aux_Daten_erweitert.beenden();
    k.ecu_Befehle().starte_Statusdaten();
}

void TForm_Auxdaten::zeige_Raster() {
    for (int r = 0; r < Auxraster::Groesse; ++r)
        for (int s = 0; s < Auxraster::Groesse; ++s) {
            QTableWidgetItem* item = StringGrid->item(r, s);
            if (!item) {
                item = new QTableWidgetItem;
                if (r == 0 || s == 0) {
                    item->setBackground(palette().color(QPalette::Button));
                } else {
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                }
                StringGrid->setItem(r, s, item);
            }
            if (item->text() != Raster.Zelle(s, r))
                item->setText(Raster.Zelle(s, r));
        }
}
