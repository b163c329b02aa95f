#include "model/Drucker.h"

#include "base/Meldungen.h"
#include "base/Motordaten.h"
#include "base/Uglobal.h"
#include "model/ModelLog.h"
#include "model/UQuorveldata.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPen>
#include <QPolygon>
#include <algorithm>

namespace {
constexpr double Zehntel_mm_je_Zoll = 254.0;
} // namespace

TPrinter_Quorvel::TPrinter_Quorvel(const Motordaten& motordaten, const cl_Version& version,
                                   Meldungen& meldungen)
    : motordaten_(motordaten), version_(version), meldungen_(meldungen) {}

TPrinter_Quorvel::~TPrinter_Quorvel() {
    Dokument_beenden();
}

void TPrinter_Quorvel::setze_Schrift(int hoehe, bool fett) {
    // The height of a printed line, leading included, not of the letters alone.
    QFont schrift = painter_.font();
    schrift.setPixelSize(hoehe);
    schrift.setBold(fett);
    painter_.setFont(schrift);
    const int zeile = painter_.fontMetrics().height();
    if (zeile > hoehe) {
        schrift.setPixelSize(std::max(1, hoehe * hoehe / zeile));
        painter_.setFont(schrift);
    }
}

void TPrinter_Quorvel::Seite_einrichten() {
    // One unit is 0.1 mm from the printable area's top left corner, y downwards.
    painter_.resetTransform();
    painter_.scale(geraet_->logicalDpiX() / Zehntel_mm_je_Zoll,
                   geraet_->logicalDpiY() / Zehntel_mm_je_Zoll);
    Seitenbreite = geraet_->widthMM() * 10;
    Seitenhoehe = geraet_->heightMM() * 10;
}

void TPrinter_Quorvel::Kopf_drucken() {
    setze_Schrift(50, false);
    const QFontMetrics fm = painter_.fontMetrics();
    const QString nummer = QString::number(Seitennummer);
    const int x = Seitenbreite - fm.horizontalAdvance(Kopftext) - fm.horizontalAdvance(nummer);
    painter_.setPen(QPen(Qt::black, 4, Qt::SolidLine));
    painter_.drawText(QPoint(x, 5 + fm.ascent()), Kopftext + nummer);
    const QPolygon rahmen({QPoint(150, 150), QPoint(Seitenbreite - 100, 150),
                           QPoint(Seitenbreite - 100, Seitenhoehe - 100),
                           QPoint(150, Seitenhoehe - 100), QPoint(150, 150)});
    painter_.drawPolyline(rahmen);
}

void TPrinter_Quorvel::Dokument_beginnen() {
    if (!Dokument_offen)
        return;
    Seite_einrichten();
    Seitennummer = 1;
    const QDateTime zeit = jetzt();
    QString datum = QLocale().toString(zeit.date(), QLocale::ShortFormat);
    if (zeit.time() != QTime(0, 0))
        datum += ' ' + zeit.time().toString(QStringLiteral("HH:mm:ss"));
    Kopftext =
        hole_Text(1) + QStringLiteral("  ") + datum + QStringLiteral(", ") + hole_Text(521) + ' ';
    Kopf_drucken();

    const int x = (Seitenbreite - 250) / 2;
    setze_Schrift(150, true);
    // A long title is made smaller rather than run into the engine and version lines.
    const int titelbreite = painter_.fontMetrics().horizontalAdvance(hole_Text(1));
    if (titelbreite > x - 200 - 20 && titelbreite > 0) {
        QFont schrift = painter_.font();
        schrift.setPixelSize(std::max(1, schrift.pixelSize() * (x - 220) / titelbreite));
        painter_.setFont(schrift);
    }
    Zeile_Y = 170;
    painter_.drawText(QPoint(200, Zeile_Y + painter_.fontMetrics().ascent()), hole_Text(1));
    setze_Schrift(50, false);
    const QFontMetrics fm = painter_.fontMetrics();
    painter_.drawText(QPoint(x, 170 + fm.ascent()), hole_Text(60) + ' ' + motordaten_.Motorname());
    Zeile_Y += fm.height() + 40;
    painter_.drawText(QPoint(x, Zeile_Y + fm.ascent()),
                      hole_Text(61) + ' ' + version_.Versionstext);
    Zeile_Y += fm.height() + 25;
    painter_.setPen(QPen(Qt::black, 1));
}

void TPrinter_Quorvel::neue_Seite() {
    if (!Dokument_offen)
        return;
    geraet_->newPage();
    ++Seitennummer;
    Kopf_drucken();
    Zeile_Y = 170;
}

void TPrinter_Quorvel::Linie(int h) {
    if (!Dokument_offen)
        return;
    if (Zeile_Y + h + 25 <= Seitenhoehe - 100) {
        painter_.setPen(QPen(Qt::black, 4));
        painter_.drawLine(150, Zeile_Y, Seitenbreite - 100, Zeile_Y);
        Zeile_Y += 25;
    } else {
        neue_Seite();
    }
}

int TPrinter_Quorvel::Ueberschrift(const QString& titel, int textgroesse) {
    Linie(500);
    QFont f = painter_.font();
    f.setPixelSize(50);
    f.setBold(true);
    painter_.setFont(f);
    painter_.setPen(Qt::black);
    painter_.drawText(QPoint(200, Zeile_Y + painter_.fontMetrics().ascent()), titel);
    f.setPixelSize(textgroesse);
    f.setBold(false);
    painter_.setFont(f);
    const int h = painter_.fontMetrics().height();
    Zeile_Y += h + 50;
    return h;
}

void TPrinter_Quorvel::drucke(int vorgabe, const std::function<void()>& seite) {
    int kopien = vorgabe;
    if (!Druckdialog(kopien))
        return;
    while (kopien-- > 0) {
        Dokument_beginnen();
        seite();
        Seite_beenden(kopien > 0);
    }
    Dokument_beenden();
}

bool TPrinter_Quorvel::Druckdialog(int& kopien) {
    if (!auswahl_) {
        qCDebug(lcModel) << "no print dialog to print with";
        return false;
    }
    const std::optional<int> gewaehlt = auswahl_->frage_Kopien(Kopien >= 2 ? Kopien : 1);
    if (!gewaehlt || *gewaehlt == 0)
        return false;
    Kopien = *gewaehlt;
    kopien = *gewaehlt;
    if (Dokument_offen)
        return false;
    geraet_ = auswahl_->Geraet();
    if (!geraet_ || !painter_.begin(geraet_)) {
        geraet_ = nullptr;
        meldungen_.zeige(hole_Text(110));
        return false;
    }
    Dokument_offen = true;
    return true;
}

void TPrinter_Quorvel::Seite_beenden(bool mehr) {
    if (!Dokument_offen)
        return;
    if (mehr)
        geraet_->newPage();
    else
        Dokument_beenden();
}

void TPrinter_Quorvel::Dokument_beenden() {
    if (!Dokument_offen)
        return;
    painter_.end();
    geraet_ = nullptr;
    Dokument_offen = false;
}
