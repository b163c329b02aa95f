#include "base/Motordaten.h"
#include "link/LinkFixture.h"
#include "model/Drucker.h"

#include <QImage>
#include <QPageLayout>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The print dialog of a test: answers with a number of copies (or cancels) and prints into
// a PDF file whose printable area is 200 mm x 287 mm.
class PdfAuswahl : public Druckauswahl {
public:
    explicit PdfAuswahl(QString pfad) : pfad_(std::move(pfad)) {}

    std::optional<int> frage_Kopien(int vorgabe) override {
        ++fragen;
        vorgabe_ = vorgabe;
        return antwort;
    }
    QPagedPaintDevice* Geraet() override {
        pdf_ = std::make_unique<QPdfWriter>(pfad_);
        pdf_->setResolution(600);
        pdf_->setPageLayout(QPageLayout(
            QPageSize(QSizeF(200, 287), QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
            QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        return pdf_.get();
    }

    std::optional<int> antwort = 1;
    int fragen = 0;
    int vorgabe_ = -1;

private:
    QString pfad_;
    std::unique_ptr<QPdfWriter> pdf_;
};

QString Programm(const QString& name, const QStringList& argumente) {
    QProcess p;
    p.start(name, argumente);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(name);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString Seitentext(const QString& pdf, int seite) {
    const QString s = QString::number(seite);
    return Programm("pdftotext", {"-f", s, "-l", s, "-layout", pdf, "-"});
}

int Seiten(const QString& pdf) {
    const QRegularExpressionMatch m =
        QRegularExpression("Pages:\\s+(\\d+)").match(Programm("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Page seite rendered at 254 dots per inch: one pixel is one unit of 0.1 mm.
QImage Seitenbild(const QString& pdf, int seite, const QString& ordner) {
    const QString s = QString::number(seite);
    const QString ziel = ordner + "/seite";
    Programm("pdftoppm", {"-f", s, "-l", s, "-r", "254", "-gray", "-singlefile", pdf, ziel});
    return QImage(ziel + ".pgm");
}

// Dark anywhere within 3 pixels of (x, y).
bool dunkel(const QImage& bild, int x, int y) {
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
            if (qGray(bild.pixel(x + dx, y + dy)) < 128)
                return true;
    return false;
}

struct Druck {
    LinkKontext k{false};
    QString pdf = k.ordner.datei("druck.pdf");
    PdfAuswahl auswahl{pdf};
    TPrinter_Quorvel& drucker = k.kontext->drucker();

    Druck() {
        drucker.setze_Druckauswahl(&auswahl);
        drucker.jetzt = [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); };
        k.kontext->motordaten().setze_Motorname("V8-Test");
        k.version().Versionstext = "6.15 Rev.: 3, 15.11.2017";
    }
};

} // namespace

TEST(Drucker, APageHasItsFrameHeaderAndTitleAndALineThatDoesNotFitBreaksThePage) {
    Druck d;
    int kopien = 0;
    ASSERT_TRUE(d.drucker.Druckdialog(kopien));
    EXPECT_EQ(kopien, 1);
    d.drucker.Dokument_beginnen();
    EXPECT_EQ(d.drucker.Seitenbreite, 2000);
    EXPECT_EQ(d.drucker.Seitenhoehe, 2870);
    EXPECT_EQ(d.drucker.Kopftext, hole_Text(1) + "  " +
                                      QLocale().toString(QDate(2024, 3, 5), QLocale::ShortFormat) +
                                      " 14:07:09, " + hole_Text(521) + " ");

    // A block that fits gets a rule line above it; one that does not starts page 2.
    const int y = d.drucker.Zeile_Y;
    d.drucker.Linie(2870 - 100 - 25 - y);
    EXPECT_EQ(d.drucker.Zeile_Y, y + 25);
    EXPECT_EQ(d.drucker.Seitennummer, 1);
    d.drucker.Linie(2870 - 100 - 25 - d.drucker.Zeile_Y + 1);
    EXPECT_EQ(d.drucker.Zeile_Y, 170);
    EXPECT_EQ(d.drucker.Seitennummer, 2);
    d.drucker.Seite_beenden(false);
    EXPECT_FALSE(d.drucker.Dokument_offen);

    ASSERT_EQ(Seiten(d.pdf), 2);
    const QString seite1 = Seitentext(d.pdf, 1);
    EXPECT_TRUE(seite1.contains(hole_Text(60) + " V8-Test")) << seite1.toStdString();
    EXPECT_TRUE(seite1.contains(hole_Text(61) + " 6.15 Rev.: 3, 15.11.2017"));
    EXPECT_TRUE(seite1.contains(QRegularExpression("14:07:09, page 1\\s*\\n")));
    EXPECT_TRUE(Seitentext(d.pdf, 2).contains(QRegularExpression("14:07:09, page 2\\s*\\n")));

    // The frame of page 2 runs from (150, 150) to (1900, 2770); inside it the page is blank.
    const QImage bild = Seitenbild(d.pdf, 2, d.k.ordner.pfad());
    // The renderer rounds the page to whole pixels.
    ASSERT_NEAR(bild.width(), 2000, 3);
    ASSERT_NEAR(bild.height(), 2870, 3);
    for (const QPoint p : {QPoint(150, 1500), QPoint(1900, 1500), QPoint(1000, 150),
                           QPoint(1000, 2770), QPoint(150, 150), QPoint(1900, 2770)})
        EXPECT_TRUE(dunkel(bild, p.x(), p.y())) << p.x() << "," << p.y();
    for (const QPoint p : {QPoint(1000, 1500), QPoint(120, 1500), QPoint(1930, 1500),
                           QPoint(1000, 2800), QPoint(1000, 400)})
        EXPECT_FALSE(dunkel(bild, p.x(), p.y())) << p.x() << "," << p.y();
    // The header ends at the right edge of the printable area, above the frame.
    int rechts = 0;
    for (int x = 0; x < bild.width(); ++x)
        for (int yy = 5; yy < 140; ++yy)
            if (qGray(bild.pixel(x, yy)) < 128)
                rechts = x;
    EXPECT_GE(rechts, 1975);
    EXPECT_LE(rechts, 2000);
}

TEST(Drucker, EachCopyRepeatsThePrintoutFromPage1) {
    Druck d;
    d.auswahl.antwort = 3;
    int kopien = 0;
    ASSERT_TRUE(d.drucker.Druckdialog(kopien));
    EXPECT_EQ(d.auswahl.vorgabe_, 1);
    EXPECT_EQ(kopien, 3);
    int uhr = 0;
    d.drucker.jetzt = [&uhr] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, uhr++)); };
    while (kopien-- > 0) {
        d.drucker.Dokument_beginnen();
        d.drucker.neue_Seite();
        d.drucker.Seite_beenden(kopien > 0);
    }
    d.drucker.Dokument_beenden();
    ASSERT_EQ(Seiten(d.pdf), 6);
    for (int s = 1; s <= 6; ++s) {
        const QString erwartet =
            QStringLiteral("14:07:0%1, page %2").arg((s - 1) / 2).arg(2 - s % 2);
        EXPECT_TRUE(Seitentext(d.pdf, s).contains(erwartet)) << s << " " << erwartet.toStdString();
    }

    // The next dialog offers the copies of the last one.
    d.auswahl.antwort = std::nullopt;
    kopien = 7;
    EXPECT_FALSE(d.drucker.Druckdialog(kopien));
    EXPECT_EQ(d.auswahl.vorgabe_, 3);
    EXPECT_EQ(kopien, 7);
    EXPECT_EQ(d.drucker.Kopien, 3);
    EXPECT_FALSE(d.drucker.Dokument_offen);
}

TEST(Drucker, ADocumentStillOpenRefusesASecondOne) {
    Druck d;
    int kopien = 0;
    ASSERT_TRUE(d.drucker.Druckdialog(kopien));
    EXPECT_FALSE(d.drucker.Druckdialog(kopien));
    EXPECT_TRUE(d.drucker.Dokument_offen);
    d.drucker.Dokument_beenden();
    d.drucker.Dokument_beenden();
    EXPECT_FALSE(d.drucker.Dokument_offen);
}

TEST(Drucker, AtMidnightTheHeaderHasNoTimeAndAFailedStartIsReported) {
    Druck d;
    d.drucker.jetzt = [] { return QDateTime(QDate(2024, 3, 5), QTime(0, 0)); };
    int kopien = 0;
    ASSERT_TRUE(d.drucker.Druckdialog(kopien));
    d.drucker.Dokument_beginnen();
    EXPECT_EQ(d.drucker.Kopftext, hole_Text(1) + "  " +
                                      QLocale().toString(QDate(2024, 3, 5), QLocale::ShortFormat) +
                                      ", " + hole_Text(521) + " ");
    d.drucker.Dokument_beenden();

    PdfAuswahl nirgends(d.k.ordner.datei("fehlt/druck.pdf"));
    d.drucker.setze_Druckauswahl(&nirgends);
    EXPECT_FALSE(d.drucker.Druckdialog(kopien));
    EXPECT_FALSE(d.drucker.Dokument_offen);
    EXPECT_EQ(d.k.meldungen.texte, QStringList{hole_Text(110)});
}
