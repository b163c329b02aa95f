#pragma once

#include <QDateTime>
#include <QPainter>
#include <QString>
#include <functional>
#include <optional>

class QPagedPaintDevice;
class Meldungen;
class Motordaten;
class cl_Version;

// The print dialog as the printer sees it: the windows layer fills it in with the
// toolkit's dialog and printer, tests with a PDF file.
class Druckauswahl {
public:
    virtual ~Druckauswahl() = default;
    // Shows the print dialog with the copies field preset; the copies the user confirmed,
    // nullopt when cancelled.
    virtual std::optional<int> frage_Kopien(int vorgabe) = 0;
    // The device that the confirmed dialog chose, set to one copy: the program repeats the
    // printout itself for each copy.
    virtual QPagedPaintDevice* Geraet() = 0;
};

// Every printout of the program, drawn through one object on pages measured in 0.1 mm
// (origin top left, y downwards). A printout runs:
//   if (Drucker.Druckdialog(kopien)) {
//       while (kopien-- > 0) {
//           Drucker.Dokument_beginnen();   // title block; the caller draws at Zeile_Y,
//           ...                            // Linie(h) between blocks, neue_Seite() at will
//           Drucker.Seite_beenden(kopien > 0);
//       }
//       Drucker.Dokument_beenden();
//   }
class TPrinter_Quorvel {
public:
    TPrinter_Quorvel(const Motordaten& motordaten, const cl_Version& version, Meldungen& meldungen);
    ~TPrinter_Quorvel();
    TPrinter_Quorvel(const TPrinter_Quorvel&) = delete;
    TPrinter_Quorvel& operator=(const TPrinter_Quorvel&) = delete;

    int Zeile_Y = 0;
    int Seitennummer = 0;
    int Seitenbreite = 0;
    int Seitenhoehe = 0;
    QString Kopftext;
    bool Dokument_offen = false;
    int Kopien = 0;

    // True when the user confirmed and this call began the document; a document that is
    // still open refuses a second one.
    bool Druckdialog(int& kopien);
    void Dokument_beginnen();
    void neue_Seite();
    // Before a block of height h: a rule line, or a new page when the block would not fit.
    void Linie(int h);
    // A rule, the block's title in bold and the body font of pixel size textgroesse below it;
    // returns the body's line height.
    int Ueberschrift(const QString& titel, int textgroesse);
    void Seite_beenden(bool mehr);
    void Dokument_beenden();
    // The whole run above: the dialog with the copies preset to vorgabe, then for each copy
    // a document begun, seite drawing it, and its last page ended.
    void drucke(int vorgabe, const std::function<void()>& seite);

    // The page to draw on, in 0.1 mm.
    QPainter& Canvas() { return painter_; }
    // A font whose printed line, leading included, is hoehe high.
    void setze_Schrift(int hoehe, bool fett);

    void setze_Druckauswahl(Druckauswahl* auswahl) { auswahl_ = auswahl; }
    // The clock of the page header.
    std::function<QDateTime()> jetzt = [] { return QDateTime::currentDateTime(); };

private:
    void Seite_einrichten();
    void Kopf_drucken();

    const Motordaten& motordaten_;
    const cl_Version& version_;
    Meldungen& meldungen_;
    Druckauswahl* auswahl_ = nullptr;
    QPagedPaintDevice* geraet_ = nullptr;
    QPainter painter_;
};
