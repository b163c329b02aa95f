#include "windows/status/USystemdaten.h"

#include "base/Uglobal.h"
#include "model/Drucker.h"
#include "model/UQuorveldata.h"
#include "model/UWeitere_Anfragen.h"
#include "platform/Dateien.h"
#include "windows/Fensterhilfe.h"
#include "windows/Kontext.h"
#include "windows/status/Anzeigetafel.h"

#include <QFile>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QShowEvent>
#include <QTableWidget>

// ---------------------------------------------------------------- logic

Systemdaten_Logik::Systemdaten_Logik() : Raster(3, Zeilen_Entwurf) {
    for (int s = 0; s < 3; ++s)
        Raster.setze(s, 0, hole_Text(1250 + s));
}

std::vector<cl_Daten> Systemdaten_Logik::lies_Namen(const QStringList& zeilen) {
    std::vector<cl_Daten> namen;
    for (const QString& z : zeilen) {
        if (z.isEmpty() || z[0] != QLatin1Char('\\'))
            continue;
        qsizetype i = 1;
        const auto blanks = [&] {
            while (i < z.size() && z[i] == QLatin1Char(' '))
                ++i;
        };
        blanks();
        const bool minus = i < z.size() && z[i] == QLatin1Char('-');
        if (minus)
            ++i;
        const qsizetype ziffern_ab = i;
        // Kept as the 16-bit word it becomes: a longer number wraps as it would there.
        uint32_t nummer = 0;
        while (i < z.size() && z[i] >= QLatin1Char('0') && z[i] <= QLatin1Char('9'))
            nummer = (nummer * 10 + static_cast<uint32_t>(z[i++].unicode() - '0')) & 0xFFFF;
        if (!minus && i == ziffern_ab)
            continue;
        blanks();
        if (i >= z.size() || z[i] != QLatin1Char(','))
            break;
        ++i;
        blanks();
        const QString name = z.mid(i);
        if (name.isEmpty())
            continue;
        namen.push_back(
            {static_cast<uint16_t>(minus ? (0x10000 - nummer) & 0xFFFF : nummer), name});
    }
    return namen;
}

void Systemdaten_Logik::lade_Namen(const QString& dateiname) {
    Namen.clear();
    if (dateiname.isEmpty())
        return;
    QFile datei(Dateien::finde(Dateien::verbinde(glob().Pfad_Sprache, dateiname)));
    if (!datei.open(QIODevice::ReadOnly))
        return;
    static const QRegularExpression zeilenende(QStringLiteral("\r\n|\r|\n"));
    Namen = lies_Namen(Dateien::von_1252(datei.readAll()).split(zeilenende));
}

QString Systemdaten_Logik::Name(uint16_t nummer) const {
    for (const cl_Daten& d : Namen)
        if (d.Nummer == nummer)
            return d.Name;
    return QString();
}

bool Systemdaten_Logik::nimm(bool vorhanden, uint16_t nummer, uint16_t wert) {
    if (!vorhanden)
        return false;
    Raster.setze_Zeilen(naechste_Zeile + 1);
    Raster.setze(0, naechste_Zeile, QString::number(nummer));
    Raster.setze(1, naechste_Zeile, Name(nummer));
    Raster.setze(2, naechste_Zeile, QString::number(wert));
    ++naechste_Zeile;
    return true;
}

void Systemdaten_Logik::drucke(TPrinter_Quorvel& d, const cl_Version& v) const {
    int kopien = 1;
    if (!d.Druckdialog(kopien))
        return;
    while (kopien-- > 0) {
        d.Dokument_beginnen();
        QPainter& p = d.Canvas();
        const auto schrift = [&p](int hoehe, bool fett) {
            QFont f = p.font();
            f.setPixelSize(hoehe);
            f.setBold(fett);
            p.setFont(f);
        };
        const auto text = [&p](int x, int y, const QString& t) {
            p.drawText(QPoint(x, y + p.fontMetrics().ascent()), t);
        };
        const auto linie = [&] {
            p.setPen(QPen(Qt::black, 4));
            p.drawLine(150, d.Zeile_Y, d.Seitenbreite - 100, d.Zeile_Y);
            p.setPen(Qt::black);
            d.Zeile_Y += 25;
        };
        linie();
        schrift(120, true);
        const QString titel = hole_Text(1249);
        text((d.Seitenbreite - 250 - p.fontMetrics().horizontalAdvance(titel)) / 2, d.Zeile_Y,
             titel);
        d.Zeile_Y += p.fontMetrics().height() + 25;
        linie();

        schrift(50, true);
        const int h = p.fontMetrics().height() + 15;
        const QString werte[] = {
            QString::number(v.Seriennummer()), QString::number(v.ECU_Typ()),
            QString::number(v.Hersteller()) + QStringLiteral(", ") + v.Hersteller_Name(),
            QString::number(v.Typnummer()), QString::number(v.Bootloader_Nr())};
        const int texte[] = {67, 68, 69, 531, 533};
        for (int i = 0; i < 5; ++i) {
            text(190, d.Zeile_Y + i * h, hole_Text(texte[i]));
            text(650, d.Zeile_Y + i * h, werte[i]);
        }
        d.Zeile_Y += 7 * h;

        for (int r = 0; r < Raster.Zeilen(); ++r) {
            schrift(50, r == 0);
            if (d.Zeile_Y + 3 * (p.fontMetrics().height() + 30) > d.Seitenhoehe - 100)
                d.neue_Seite();
            schrift(50, r == 0);
            const int x[] = {190, 450, 1750};
            for (int s = 0; s < 3; ++s)
                text(x[s], d.Zeile_Y, Raster.Zelle(s, r));
            d.Zeile_Y += h;
        }
        d.Seite_beenden(kopien > 0);
    }
    d.Dokument_beenden();
}

// ---------------------------------------------------------------- window

TForm_Systemdaten::TForm_Systemdaten(Kontext& kontext)
    : TForm(QStringLiteral("Systemdaten")), k(kontext) {
    setWindowTitle(hole_Text(1249));
    StringGrid = new QTableWidget(this);
    richte_Raster_ein(*StringGrid);
    StringGrid->setColumnCount(3);
    const int breiten[] = {64, 439, 64};
    for (int s = 0; s < 3; ++s)
        StringGrid->setColumnWidth(s, breiten[s]);
    StringGrid->setGeometry(8, 8, 64 + 439 + 64 + 24, 20 * 20 + 2 * StringGrid->frameWidth());
    Button_drucken = new QPushButton(hole_Text(87), this);
    Button_drucken->setGeometry(8, StringGrid->geometry().bottom() + 8, 100, 26);
    connect(Button_drucken, &QPushButton::clicked, this, [this] { Button_druckenClick(); });
    resize(StringGrid->width() + 16, Button_drucken->geometry().bottom() + 9);
    zeige_Raster();
    Form_auf_Bildschirm(*this);
    InterAction().Create(
        cl_ECU_Systemdaten::Klasse, [this](Sender&) { schreibe_Systemdatum(); },
        cl_COM_data::Beantwortet);
}

void TForm_Systemdaten::zeige_Raster() {
    const Pruefraster& r = Logik.Raster;
    StringGrid->setRowCount(r.Zeilen());
    for (int z = 0; z < r.Zeilen(); ++z)
        for (int s = 0; s < 3; ++s) {
            QTableWidgetItem* item = StringGrid->item(z, s);
            if (!item) {
                item = new QTableWidgetItem;
                if (z == 0)
                    item->setBackground(palette().color(QPalette::Button));
                if (s != 1)
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                StringGrid->setItem(z, s, item);
            }
            if (item->text() != r.Zelle(s, z))
                item->setText(r.Zelle(s, z));
        }
}

void TForm_Systemdaten::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    if (event->spontaneous())
        return;
    Logik.beginne();
    Logik.lade_Namen(k.version().Software_Dateiname());
    k.weitere_Anfragen().ECU_Systemdaten->anfordern(cl_ECU_Systemdaten::Erstes);
}

void TForm_Systemdaten::schreibe_Systemdatum() {
    cl_ECU_Systemdaten& s = *k.weitere_Anfragen().ECU_Systemdaten;
    if (!Logik.nimm(s.vorhanden(), s.Nummer(), s.Wert()))
        return;
    zeige_Raster();
    s.anfordern(cl_ECU_Systemdaten::Naechstes);
}

void TForm_Systemdaten::Button_druckenClick() {
    Logik.drucke(k.drucker(), k.version());
}
