#include "windows/maps/UKennfeldfenster.h"

#include "support/Bildvergleich.h"

#include "model/Drucker.h"
#include "model/UKennfelder.h"
#include "support/Pdfauswahl.h"
#include "windows/Datenfenster.h"
#include "windows/UCSV_speichern.h"
#include "windows/UColorButton.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPageLayout>
#include <QPdfWriter>
#include <QProcess>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

constexpr QRgb Blau = 0xFF0000FFu;
constexpr QRgb Rot = 0xFFFF0000u;

Kennfeld_Beschreibung Beschreibung(int nummer, bool kurve = false) {
    Kennfeld_Beschreibung b;
    b.Kennfeld_Nr = nummer;
    b.ist_Kurve = kurve;
    b.X_min = 0;
    b.X_max = 6000;
    b.Y_min = 0;
    b.Y_max = 100;
    b.Roh_min = 0;
    b.Roh_max = 1000;
    b.Z_min = 0;
    b.Z_max = 1000;
    b.Titel = "Injection";
    b.Achsname_X = "Speed";
    b.Achsname_Y = "Throttle";
    b.Einheit_X = "1/min";
    b.Einheit_Y = "%";
    b.Einheit_Z = "us";
    b.Kennung = "E";
    return b;
}

void fuelle(cl_Kennfeld& kf) {
    for (int x = 0; x <= 16; ++x)
        for (int y = 0; y <= 16; ++y)
            kf.Werte[x][y] = 100 + 25 * x + 20 * y;
    kf.Werte_vorhanden = true;
}

} // namespace

TEST(Kennfeldfenster, MapWindowsFollowTheMainWindowInCreationOrderAndAreLaidOutByTheirNumber) {
    Datenfenster d;
    Kontext& k = *d.k.kontext;
    TForm* haupt = &d.haupt();
    TForm_Kennfeld& a = TForm_Kennfeld::erzeuge(k, Beschreibung(3), haupt);
    TForm_Kennfeld& b = TForm_Kennfeld::erzeuge(k, Beschreibung(112, true), haupt);
    const std::vector<TForm*> f = k.Fenster();
    // After the catalogue's maps, which the main window made: the placeholder and the rest.
    const size_t n = 1 + k.kennfelder().Katalog().size();
    ASSERT_GE(f.size(), n + 3);
    EXPECT_EQ(f[0], haupt);
    EXPECT_EQ(f[n + 1], &a);
    EXPECT_EQ(f[n + 2], &b);
    EXPECT_EQ(a.windowTitle(), "Injection");
    EXPECT_EQ(a.Kennfeld().Ansicht(), static_cast<Kennfeld_Ansicht*>(&a));

    // Map number mod 100, ten pixels a number; a map 500 x 400, a curve at least 300 high.
    EXPECT_EQ(a.pos(), QPoint(70, 130));
    EXPECT_EQ(b.pos(), QPoint(160, 220));
    EXPECT_EQ(a.size(), QSize(500, 400));
    EXPECT_EQ(b.size(), QSize(440, 300));
    EXPECT_EQ(a.Zeichenflaeche->geometry(), QRect(0, 80, 500, 300));

    // Labels: names at the left, live values 20 right of the widest name, the cursor's 50
    // right of those; check boxes and button at the right edge.
    int breiteste = 0;
    for (QLabel* l : a.Label_Achsname) {
        EXPECT_EQ(l->x(), 5);
        EXPECT_EQ(l->width(), l->sizeHint().width()); // as wide as its text
        breiteste = std::max(breiteste, l->width());
    }
    EXPECT_EQ(a.Label_Achsname[0]->text(), "Speed");
    EXPECT_EQ(a.Label_Achsname[2]->text(), hole_Text(254));
    EXPECT_EQ(a.Label_Achsname[1]->y(), a.Label_Achsname[0]->y() + a.Label_Achsname[0]->height());
    EXPECT_EQ(a.Label_Arbeitspunkt[0]->x(), breiteste + 20);
    EXPECT_EQ(a.Label_Cursor[3]->x(), breiteste + 70);
    EXPECT_EQ(a.Label_Cursor[2]->y(), a.Label_Achsname[2]->y());
    EXPECT_EQ(a.CheckBox_COM->x() + std::max(a.CheckBox_COM->width(), a.CheckBox_Leerlauf->width()),
              490);
    EXPECT_EQ(a.CheckBox_COM->y() + a.CheckBox_COM->height(), 72);
    EXPECT_EQ(a.Button_Menue->x() + a.Button_Menue->width(), a.CheckBox_COM->x() - 10);
    EXPECT_EQ(a.Label_Hinweis[0]->x(), 10);
    EXPECT_EQ(a.Label_Hinweis[2]->x() + a.Label_Hinweis[2]->width(), 480);

    // Never below 300 in either direction; the graph follows the size.
    a.resize(200, 250);
    EXPECT_EQ(a.size(), QSize(300, 300));
    a.resize(640, 480);
    a.FormResize();
    EXPECT_EQ(a.Zeichenflaeche->geometry(), QRect(0, 80, 640, 380));
    EXPECT_EQ(a.Bild().size(), QSize(640, 380));
}

TEST(Kennfeldfenster, TheBufferHasNoSurfaceBeforeValuesAndTheCursorInvertsBackExactly) {
    Datenfenster d;
    TForm_Kennfeld& f = TForm_Kennfeld::erzeuge(*d.k.kontext, Beschreibung(3), &d.haupt());
    cl_Kennfeld& kf = f.Kennfeld();
    f.zeichne_Kennfeld();
    EXPECT_EQ(f.Bild().format(), QImage::Format_RGB32);
    EXPECT_EQ(zaehle(f.Bild(), Blau), 0);
    EXPECT_GT(zaehle(f.Bild(), Rot), 0); // the cursor, red on white

    fuelle(kf);
    kf.Cursor_X = 5;
    kf.Cursor_Y = 7;
    f.zeichne_Kennfeld();
    EXPECT_GT(zaehle(f.Bild(), Blau), 1000);
    const QImage vorher = f.Bild().copy();

    // A cursor step as the map makes it: off, move, on. Only the two boxes change.
    const QPoint alt = f.Zeichnung().Cursorpunkt(f.Bilddaten());
    f.zeichne_Cursor();
    kf.Cursor_X = 6;
    f.zeichne_Cursor();
    const QPoint neu = f.Zeichnung().Cursorpunkt(f.Bilddaten());
    const QRect erlaubt =
        QRect(alt - QPoint(2, 4), QSize(4, 8)) | QRect(neu - QPoint(2, 4), QSize(4, 8));
    EXPECT_TRUE(erlaubt.contains(Unterschied(vorher, f.Bild())));
    f.zeichne_Cursor();
    kf.Cursor_X = 5;
    f.zeichne_Cursor();
    EXPECT_EQ(f.Bild(), vorher);

    // Markers twice: the picture as it was. A line redrawn under the marks keeps them.
    f.zeichne_Arbeitspunkt();
    EXPECT_NE(f.Bild(), vorher);
    f.zeichne_Arbeitspunkt();
    EXPECT_EQ(f.Bild(), vorher);
    f.zeichne_Zeile(5);
    EXPECT_EQ(f.Bild(), vorher);
}

TEST(Kennfeldfenster, KeysReachTheMapWithTheNumericPadToldApart) {
    struct Fall {
        int key;
        Qt::KeyboardModifiers mod;
        Kennfeldtaste taste;
        int ziffer;
        bool umschaltung;
    } faelle[] = {
        {Qt::Key_1, Qt::NoModifier, Kennfeldtaste::Ziffer, 1, false},
        {Qt::Key_9, Qt::NoModifier, Kennfeldtaste::Ziffer, 9, false},
        {Qt::Key_0, Qt::NoModifier, Kennfeldtaste::andere, 0, false},
        {Qt::Key_0, Qt::KeypadModifier, Kennfeldtaste::Blockziffer, 0, false},
        {Qt::Key_9, Qt::KeypadModifier, Kennfeldtaste::Blockziffer, 9, false},
        {Qt::Key_Plus, Qt::KeypadModifier, Kennfeldtaste::Plus, 0, false},
        {Qt::Key_Plus, Qt::ShiftModifier, Kennfeldtaste::Plus, 0, false},
        {Qt::Key_Minus, Qt::NoModifier, Kennfeldtaste::Minus, 0, false},
        {Qt::Key_Left, Qt::NoModifier, Kennfeldtaste::Links, 0, false},
        {Qt::Key_Up, Qt::KeypadModifier, Kennfeldtaste::Hoch, 0, false},
        {Qt::Key_Down, Qt::ShiftModifier, Kennfeldtaste::Runter, 0, true},
        {Qt::Key_F3, Qt::NoModifier, Kennfeldtaste::F3, 0, false},
        {Qt::Key_F5, Qt::NoModifier, Kennfeldtaste::F5, 0, false},
        {Qt::Key_F2, Qt::NoModifier, Kennfeldtaste::F2, 0, false},
        {Qt::Key_F10, Qt::NoModifier, Kennfeldtaste::F10, 0, false},
        {Qt::Key_Q, Qt::NoModifier, Kennfeldtaste::Q, 0, false},
        {Qt::Key_Y, Qt::ControlModifier, Kennfeldtaste::Y, 0, true},
        {Qt::Key_Space, Qt::NoModifier, Kennfeldtaste::Leertaste, 0, false},
        {Qt::Key_A, Qt::NoModifier, Kennfeldtaste::andere, 0, false},
    };
    for (const Fall& f : faelle) {
        const QKeyEvent e(QEvent::KeyPress, f.key, f.mod);
        const Tastendruck t = TForm_Kennfeld::Taste(e);
        EXPECT_EQ(t.Taste, f.taste) << f.key;
        EXPECT_EQ(t.Ziffer, f.ziffer) << f.key;
        EXPECT_EQ(t.Umschaltung, f.umschaltung) << f.key;
    }
}

TEST(Kennfeldfenster, TheLabelsShowTheCursorTheStepAndTheLivePoint) {
    Datenfenster d;
    struct Fall {
        const char* name;
        bool kurve, logY;
        int cx, cy;
        int ap_x, ap_y;
        // Cursor X, Y, value, step; live X, Y, value.
        QStringList cursor, live;
    } faelle[] = {
        // Map 0..6000 x 0..100: grid line 8 is 3000, 16 is 100; the live point beyond the
        // range is shown as given and its value taken at the edge (x 16, y 8).
        {"map", false, false, 8, 16, 7000, 50, {"3000", "100", "620", "50"}, {"7000", "50", "660"}},
        // Curve: grid line 4 is 1500; no Y. 1700 lies at position 72, between 64 (200) and
        // 80 (225): 200 + 25 * 8 / 16, truncated.
        {"curve", true, false, 4, 0, 1700, 0, {"1500", "", "200", "50"}, {"1700", "", "212"}},
        // Log-Y map up to 1000: the value 10 stands at a third of Y (33.3).
        {"log-Y", false, true, 0, 0, 0, 0, {"0", "33", "10", "50"}, {"", "", ""}},
    };
    int nr = 1;
    for (const Fall& f : faelle) {
        Kennfeld_Beschreibung b = Beschreibung(nr++, f.kurve);
        b.log_Y = f.logY;
        b.Schrittzeile = 0;
        b.Schrittziffer = '3';
        TForm_Kennfeld& w = TForm_Kennfeld::erzeuge(*d.k.kontext, b, &d.haupt());
        cl_Kennfeld& kf = w.Kennfeld();
        for (int x = 0; x <= 16; ++x)
            for (int y = 0; y <= 16; ++y)
                kf.setze_Wert(x, y, f.logY ? 10 + 50 * x * y : 100 + 25 * x + 20 * y);
        kf.Cursor_X = f.cx;
        kf.Cursor_Y = f.cy;
        w.zeichne_Kennfeld();
        if (!f.logY)
            kf.setze_Arbeitspunkt(f.ap_x, f.ap_y, "one", "two", "three");
        if (qEnvironmentVariableIsSet("QUORVEL_BILDER"))
            w.grab().save(qEnvironmentVariable("QUORVEL_BILDER") + "/kennfeld_" + f.name + ".png");
        QStringList cursor, live;
        for (QLabel* l : w.Label_Cursor)
            cursor << l->text();
        for (QLabel* l : w.Label_Arbeitspunkt)
            live << l->text();
        EXPECT_EQ(cursor, f.cursor) << f.name;
        EXPECT_EQ(live, f.live) << f.name;
        if (!f.logY) {
            EXPECT_EQ(w.Label_Status[2]->text(), "three") << f.name;
            EXPECT_EQ(w.Label_Status[2]->x() + w.Label_Status[2]->width(), w.width() - 5);
        }

        // Keys reach the map: main keyboard 5 is the fifth step of row 0, the numeric pad's
        // 0 the first; Right moves the cursor one grid line.
        const auto taste = [&w](int key, Qt::KeyboardModifiers mod) {
            QKeyEvent e(QEvent::KeyPress, key, mod);
            QCoreApplication::sendEvent(&w, &e);
        };
        taste(Qt::Key_5, Qt::NoModifier);
        EXPECT_EQ(w.Label_Cursor[3]->text(), "200") << f.name;
        taste(Qt::Key_0, Qt::KeypadModifier);
        EXPECT_EQ(w.Label_Cursor[3]->text(), "10") << f.name;
        const QImage vorher = w.Bild().copy();
        taste(Qt::Key_Right, Qt::NoModifier);
        EXPECT_EQ(kf.Cursor_X, f.cx + 1) << f.name;
        EXPECT_NE(w.Bild(), vorher) << f.name;
        taste(Qt::Key_Left, Qt::NoModifier);
        EXPECT_EQ(w.Bild(), vorher) << f.name;
    }
}

TEST(Kennfeldfenster, ThePanelsTakeTheirEditsAndKeysWaitWhileTheyShow) {
    Datenfenster d;
    // A curve whose raw range equals its value range: display values are raw values.
    Kennfeld_Beschreibung b = Beschreibung(4, true);
    b.Z_max = 1000;
    TForm_Kennfeld& f = TForm_Kennfeld::erzeuge(*d.k.kontext, b, &d.haupt());
    cl_Kennfeld& kf = f.Kennfeld();
    for (int i = 0; i <= 16; ++i)
        kf.setze_Kurvenwert(i, 100);
    f.zeichne_Kennfeld();
    const int schritt = kf.Schritt;

    f.zeige_Aenderungs_Panel();
    EXPECT_FALSE(f.Edit_Aenderung[0]->isHidden());
    EXPECT_FALSE(f.Edit_Aenderung[1]->isHidden());
    EXPECT_TRUE(f.Edit_Aenderung[2]->isHidden()); // a curve has two corners
    EXPECT_EQ(f.Edit_Aenderung[0]->text(), "0");
    EXPECT_FALSE(f.Button_Menue->isEnabled());
    EXPECT_TRUE(f.Radio_Prozent->isChecked());
    // The first edit's left edge at the front left corner, the second's right edge at the
    // front right one, both ending at the graph's bottom.
    const QPoint p00 = f.Zeichnung().Projektion().projiziere_Position(0, 0, 0);
    const QPoint p10 = f.Zeichnung().Projektion().projiziere_Position(256, 0, 0);
    EXPECT_EQ(f.Edit_Aenderung[0]->x(), p00.x());
    EXPECT_EQ(f.Edit_Aenderung[1]->x() + f.Edit_Aenderung[1]->width(), p10.x());
    EXPECT_EQ(f.Edit_Aenderung[0]->y() + f.Edit_Aenderung[0]->height(),
              f.Zeichenflaeche->y() + f.Zeichenflaeche->height());
    // Digits typed there are not steps.
    QKeyEvent ziffer(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &ziffer);
    EXPECT_EQ(kf.Schritt, schritt);

    // 0 at the left, 16 at the right, as an offset: the i-th value grows by i.
    f.Edit_Aenderung[1]->setText("16");
    f.Radio_Offset->setChecked(true);
    const QImage vorher = f.Bild().copy();
    f.Button_Aenderung_OK->click();
    for (int i = 0; i <= 16; ++i)
        EXPECT_EQ(kf.Kurvenwert(i), 100 + i) << i;
    EXPECT_TRUE(f.Edit_Aenderung[0]->isHidden());
    EXPECT_TRUE(f.Button_Aenderung_OK->isHidden());
    EXPECT_TRUE(f.Button_Menue->isEnabled());
    EXPECT_NE(f.Bild(), vorher);
    QCoreApplication::sendEvent(&f, &ziffer);
    EXPECT_NE(kf.Schritt, schritt);

    // Axis values offline: the curve rebuilt from its two ends.
    f.zeige_Achsen_Panel();
    EXPECT_FALSE(f.Edit_Achse[1]->isHidden());
    f.Edit_Achse[0]->setText("0");
    f.Edit_Achse[1]->setText("256");
    f.Button_Achsen_OK->click();
    for (int i = 0; i <= 16; ++i)
        EXPECT_EQ(kf.Kurvenwert(i), 16 * i) << i;
    EXPECT_TRUE(f.Edit_Achse[0]->isHidden());

    // Cancel leaves the values.
    f.zeige_Achsen_Panel();
    f.Edit_Achse[1]->setText("999");
    f.Button_Achsen_Abbrechen->click();
    EXPECT_TRUE(f.Edit_Achse[1]->isHidden());
    EXPECT_TRUE(f.Button_Menue->isEnabled());
    EXPECT_EQ(kf.Kurvenwert(16), 256);
}

TEST(Kennfeldfenster, PrintsTheFrameAndSurfaceInBlackWithoutCursorOrMarkers) {
    Datenfenster d;
    TForm_Kennfeld& f = TForm_Kennfeld::erzeuge(*d.k.kontext, Beschreibung(3), &d.haupt());
    fuelle(f.Kennfeld());
    f.Kennfeld().Arbeitspunkt_X = 3000;
    f.Kennfeld().Arbeitspunkt_Y = 50;
    const QString pdf = d.k.ordner.datei("kennfeld.pdf");
    Pdfauswahl auswahl(pdf);
    TPrinter_Quorvel& drucker = d.k.kontext->drucker();
    drucker.setze_Druckauswahl(&auswahl);
    int kopien = 0;
    ASSERT_TRUE(drucker.Druckdialog(kopien));
    drucker.Dokument_beginnen();
    const int w = drucker.Seitenbreite - 150;
    const int h = (w - 100) * 3 / 5;
    // The map's printout: a rule line, the title, then the graph in a box as wide as the
    // page with margins 300 / 250 and 150 below, its frame 100 below the title's line.
    const int y = drucker.Zeile_Y + 25 + 25;
    f.Kennfeld().drucke_Kennfeld();
    EXPECT_EQ(drucker.Zeile_Y, y + h + 25);
    drucker.Seite_beenden(false);

    const QString ziel = d.k.ordner.datei("seite");
    QProcess p;
    p.start("pdftoppm", {"-r", "254", "-singlefile", "-png", pdf, ziel});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QImage bild(ziel + ".png");
    ASSERT_FALSE(bild.isNull());
    if (qEnvironmentVariableIsSet("QUORVEL_BILDER"))
        bild.save(qEnvironmentVariable("QUORVEL_BILDER") + "/kennfeld_druck.png");
    // One pixel is 0.1 mm. Only grey levels: no colour anywhere.
    int farbig = 0, dunkel = 0;
    for (int yy = y + 100; yy < y + h; ++yy)
        for (int xx = 300; xx < drucker.Seitenbreite - 250; ++xx) {
            const QColor c = bild.pixelColor(xx, yy);
            farbig += std::abs(c.red() - c.blue()) > 40 || std::abs(c.red() - c.green()) > 40;
            dunkel += qGray(c.rgb()) < 128;
        }
    EXPECT_EQ(farbig, 0);
    EXPECT_GT(dunkel, 5000);
    // The title above it, in black too.
    int titel = 0;
    for (int yy = y - 25; yy < y + 25; ++yy)
        for (int xx = 200; xx < 500; ++xx)
            titel += qGray(bild.pixel(xx, yy)) < 128;
    EXPECT_GT(titel, 200);
    // The front bottom edge runs at the bottom margin, from the box's left front corner.
    const int unten = y + h - 150;
    const int vorne = 300 + static_cast<int>(0.3f * (drucker.Seitenbreite - 550));
    int auf_Kante = 0;
    for (int xx = vorne + 20; xx < drucker.Seitenbreite - 270; xx += 50)
        for (int dy = -3; dy <= 3; ++dy)
            if (qGray(bild.pixel(xx, unten + dy)) < 128) {
                ++auf_Kante;
                break;
            }
    EXPECT_GE(auf_Kante, (drucker.Seitenbreite - 270 - vorne - 20) / 50 - 1);
}

namespace {

// The version dialog as a seam: what it was asked, and the version it answers.
class Versionsrekorder : public Versionswahl {
public:
    struct Frage {
        QString Beschriftung, Suffix;
        int Speichermodus;
        bool operator==(const Frage&) const = default;
    };
    int waehle_Version(cl_Dateiversion& d) override {
        gefragt.push_back({d.Beschriftung, d.Suffix, d.Speichermodus});
        return antwort;
    }
    std::vector<Frage> gefragt;
    int antwort = -1;
};

// A print dialog that the user cancels.
class Druckabbruch : public Druckauswahl {
public:
    std::optional<int> frage_Kopien(int) override {
        ++gefragt;
        return std::nullopt;
    }
    QPagedPaintDevice* Geraet() override { return nullptr; }
    int gefragt = 0;
};

} // namespace

TEST(Kennfeldfenster, ThePopUpMenuItsItemsOnlineAndOfflineAndWhatEachDoes) {
    Versionsrekorder versionen;
    Druckabbruch druck;
    Datenfenster d;
    Kontext& k = *d.k.kontext;
    d.versionen().setze_Versionswahl(&versionen);
    d.versionen().setze_Name("MOTOR");
    k.drucker().setze_Druckauswahl(&druck);
    TForm_Kennfeld& f = TForm_Kennfeld::erzeuge(k, Beschreibung(3), &d.haupt());
    cl_Kennfeld& kf = f.Kennfeld();
    fuelle(kf);
    f.zeichne_Kennfeld();

    QStringList texte;
    for (QAction* a : f.Menue->actions())
        texte << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(texte, (QStringList{"Axis values", "Change all values", "-", "Further parameters",
                                  "Read from ECU", "Write to ECU", "-", "Load file", "Save",
                                  "Save as CSV", "Print"}));

    // Offline the items that need the ECU and the COM box are off; online all are on.
    const std::array<QAction*, 9> punkte{f.Menue_Achsen,    f.Menue_Aenderung, f.Menue_Parameter,
                                         f.Menue_Lesen,     f.Menue_Schreiben, f.Menue_Laden,
                                         f.Menue_Speichern, f.Menue_CSV,       f.Menue_Drucken};
    struct Fall {
        const char* name;
        void (cl_Kennfeld_Grafik::*schalte)();
        std::array<bool, 9> frei;
        bool com;
    } faelle[] = {
        {"at start", nullptr, {1, 1, 1, 1, 1, 1, 1, 1, 1}, true},
        {"offline", &cl_Kennfeld_Grafik::ECU_Menue_aus, {1, 1, 0, 0, 0, 1, 1, 1, 1}, false},
        {"online", &cl_Kennfeld_Grafik::ECU_Menue_ein, {1, 1, 1, 1, 1, 1, 1, 1, 1}, true},
        {"offline again", &cl_Kennfeld_Grafik::ECU_Menue_aus, {1, 1, 0, 0, 0, 1, 1, 1, 1}, false},
    };
    for (const Fall& fall : faelle) {
        if (fall.schalte)
            (kf.*fall.schalte)();
        for (size_t i = 0; i < punkte.size(); ++i)
            EXPECT_EQ(punkte[i]->isEnabled(), fall.frei[i]) << fall.name << " " << i;
        EXPECT_EQ(f.CheckBox_COM->isEnabled(), fall.com) << fall.name;
    }

    // An item that is off does nothing: no read checks the COM box.
    f.Menue_Lesen->trigger();
    f.Menue_Schreiben->trigger();
    EXPECT_FALSE(f.CheckBox_COM->isChecked());
    EXPECT_FALSE(kf.COM_aktiv);

    // The panels show their edits; the menu button waits until they close.
    f.Menue_Achsen->trigger();
    EXPECT_FALSE(f.Edit_Achse[3]->isHidden());
    EXPECT_FALSE(f.Button_Menue->isEnabled());
    f.Button_Achsen_Abbrechen->click();
    f.Menue_Aenderung->trigger();
    EXPECT_FALSE(f.Edit_Aenderung[3]->isHidden());
    EXPECT_FALSE(f.Button_Menue->isEnabled());
    f.Button_Aenderung_Abbrechen->click();
    EXPECT_TRUE(f.Button_Menue->isEnabled());

    // Files go through the version dialog, under the map's title and file suffix: saving,
    // then loading back what was saved.
    versionen.antwort = 4;
    f.Menue_Speichern->trigger();
    EXPECT_TRUE(d.Dateien().contains("MOTOR.04E")) << d.Dateien().join(' ').toStdString();
    kf.Werte[3][5] = -1;
    f.Menue_Laden->trigger();
    EXPECT_EQ(kf.Wert(3, 5), 100 + 25 * 3 + 20 * 5);
    EXPECT_EQ(versionen.gefragt,
              (std::vector<Versionsrekorder::Frage>{{"Injection", "E", 1}, {"Injection", "E", 0}}));

    // CSV: the CSV dialog opens, the map writes the file it names and proposes that file the
    // next time.
    TForm_CSV_speichern& csv = *k.fenster<TForm_CSV_speichern>();
    QStringList vorschlaege;
    QString ziel = d.k.ordner.datei("map.csv");
    csv.Dateiwahl = [&](const QString& vorschlag) {
        vorschlaege << vorschlag;
        return ziel;
    };
    for (const char* datei : {"map.csv", "second.csv"}) {
        ziel = d.k.ordner.datei(datei);
        sobald_sichtbar(csv, [&csv] { csv.ColorButton_speichern->click(); });
        f.Menue_CSV->trigger();
        QFile geschrieben(ziel);
        ASSERT_TRUE(geschrieben.open(QIODevice::ReadOnly)) << datei;
        EXPECT_TRUE(geschrieben.readAll().startsWith("Injection\r\n")) << datei;
    }
    EXPECT_EQ(vorschlaege, (QStringList{"", "map.csv"}));

    // Printing asks the print dialog; cancelled, nothing is printed.
    f.Menue_Drucken->trigger();
    EXPECT_EQ(druck.gefragt, 1);
    EXPECT_FALSE(k.drucker().Dokument_offen);
    k.drucker().setze_Druckauswahl(nullptr);
    d.versionen().setze_Versionswahl(nullptr);
}

TEST(Kennfeldfenster, ADataItemMapsPanelsShowItsOwnWordsTheFurtherOnesInTheOrderOneZeroThreeTwo) {
    Datenfenster d;
    struct Fall {
        const char* name;
        bool kurve;
        // What the corner edits and the parameter rows show; empty where hidden.
        QStringList ecken, parameter;
    } faelle[] = {
        {"map", false, {"1", "2", "3", "4"}, {"6", "5", "8", "7"}},
        {"curve", true, {"1", "2", "", ""}, {"6", "5", "", ""}},
    };
    int nr = 140;
    for (const Fall& fall : faelle) {
        Kennfeld_Beschreibung b = Beschreibung(nr++, fall.kurve);
        b.neues_Protokoll = true;
        TForm_Kennfeld& f = TForm_Kennfeld::erzeuge(*d.k.kontext, b, &d.haupt());
        cl_Kennfeld& kf = f.Kennfeld();
        kf.Achswerte = {1, 2, 3, 4};
        kf.Achsbereichswerte = {5, 6, 7, 8};
        f.zeichne_Kennfeld();

        f.zeige_Achsen_Panel();
        QStringList ecken;
        for (QLineEdit* e : f.Edit_Achse)
            ecken << (e->isHidden() ? QString() : e->text());
        EXPECT_EQ(ecken, fall.ecken) << fall.name;
        f.verberge_Achsen_Panel();

        QStringList parameter;
        sobald_sichtbar(*f.Parameter_Panel, [&] {
            for (QLineEdit* e : f.Edit_Parameter)
                parameter << (e->isHidden() ? QString() : e->text());
            // Typed in as shown, the words come back to their places.
            f.Edit_Parameter[0]->setText("60");
            f.Edit_Parameter[1]->setText("50");
            f.Button_Parameter_OK->click();
        });
        f.Menue_Parameter->trigger();
        EXPECT_EQ(parameter, fall.parameter) << fall.name;
        EXPECT_EQ(kf.Achsbereichswerte[0], 50) << fall.name;
        EXPECT_EQ(kf.Achsbereichswerte[1], 60) << fall.name;
    }
}
