#include "windows/status/UCANTemps.h"

#include "base/Uglobal.h"
#include "model/UStatusdaten.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"

#include <QHeaderView>
#include <QLabel>
#include <QShowEvent>
#include <QTableWidget>

CAN_Temps_Logik::CAN_Temps_Logik() : Raster(2, 9) {
    Raster.setze(0, 0, hole_Text(1289));
    Raster.setze(1, 0, hole_Text(1290));
    for (int r = 1; r <= 8; ++r)
        Raster.setze(0, r, QString::number(r));
}

QString CAN_Temps_Logik::Temperatur(int16_t wert) {
    if (wert < -100)
        return QStringLiteral("           - - -");
    return QString::asprintf("%13d", static_cast<int>(wert));
}

void CAN_Temps_Logik::schreibe(const Satz& k) {
    for (int i = 0; i < 8; ++i)
        Raster.setze(1, i + 1, Temperatur(k.s16(2 * i)));
}

TForm_CAN_Temps::TForm_CAN_Temps(Kontext& kontext)
    : TForm(QStringLiteral("CAN_Temps")), k(kontext) {
    setWindowTitle(QString());
    Label_Name = new QLabel(hole_Text(1288), this);
    Label_Name->setGeometry(8, 8, 220, 17);
    StringGrid = new QTableWidget(this);
    richte_Raster_ein(*StringGrid);
    StringGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid->setColumnCount(2);
    StringGrid->setRowCount(9);
    StringGrid->setColumnWidth(0, 30);
    StringGrid->setColumnWidth(1, 80);
    const int hoehe = 9 * StringGrid->verticalHeader()->defaultSectionSize();
    StringGrid->setGeometry(8, 30, 30 + 80 + 6, hoehe + 2 * StringGrid->frameWidth());
    resize(std::max(30 + 80 + 6 + 16, Label_Name->sizeHint().width() + 16), hoehe + 44);
    zeige_Raster();
    Form_auf_Bildschirm(*this);
    InterAction().Create(
        cl_CAN_Zusatztemps::Klasse, [this](Sender&) { schreibe_Temperaturen(); },
        cl_COM_data::Beantwortet);
}

TForm_CAN_Temps::~TForm_CAN_Temps() {
    melde(false);
}

void TForm_CAN_Temps::melde(bool an) {
    // Polled every 100 ms exactly while shown; the plan starts it again after a reconnection.
    if (gemeldet_ == an)
        return;
    gemeldet_ = an;
    k.ecu_Befehle().melde_Anzeige(k.ecu_Befehle().CAN_Zusatztemps, an);
}

void TForm_CAN_Temps::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    if (!event->spontaneous())
        melde(true);
}

void TForm_CAN_Temps::hideEvent(QHideEvent* event) {
    TForm::hideEvent(event);
    if (!event->spontaneous())
        melde(false);
}

void TForm_CAN_Temps::zeige_Raster() {
    for (int z = 0; z < Logik.Raster.Zeilen(); ++z)
        for (int s = 0; s < 2; ++s) {
            QTableWidgetItem* item = StringGrid->item(z, s);
            if (!item) {
                item = new QTableWidgetItem;
                if (z == 0 || s == 0)
                    item->setBackground(palette().color(QPalette::Button));
                // The values come padded with blanks to a fixed width, meant to stand right.
                if (s == 1 && z > 0)
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                StringGrid->setItem(z, s, item);
            }
            if (item->text() != Logik.Raster.Zelle(s, z))
                item->setText(Logik.Raster.Zelle(s, z));
        }
}

void TForm_CAN_Temps::schreibe_Temperaturen() {
    Logik.schreibe(Satz(k.ecu_Befehle().CAN_Zusatztemps.Daten));
    zeige_Raster();
}
