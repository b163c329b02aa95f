// The ignition editors' windows: what each cell shows, edits through the keys, the files
// through the version service, the password before an angle change, printing and pictures.

#include "model/Drucker.h"
#include "model/UKennfelder.h"
#include "model/UPasswort.h"
#include "support/Pdfauswahl.h"
#include "windows/Datenfenster.h"
#include "windows/UColorButton.h"
#include "windows/maps/UZuendung_2_corr.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int U = -128;

struct Editor : Datenfenster {
    Editor() { versionen().setze_Name(QStringLiteral("Motor")); }
    TForm_Zuendung& z() { return *k.kontext->fenster<TForm_Zuendung>(); }
    TForm_Zuendung_2_corr& z2() { return *k.kontext->fenster<TForm_Zuendung_2_corr>(); }

    // Points and entered angles (y, x, angle) into the editor's map; the rest unset.
    static void fuelle(TForm_Zuendung& f, const std::vector<int>& x, const std::vector<int>& y,
                       const std::vector<std::array<int, 3>>& winkel, int spalten) {
        Zuendeditorlogik& l = f.Logik();
        l.Karte.Spaltenzahl = spalten;
        l.Karte.Bild.fill(static_cast<uint8_t>(U));
        for (int i = 0; i < 16; ++i) {
            l.Tabelle.setze_X(i, i < static_cast<int>(x.size()) ? x[static_cast<size_t>(i)] : U);
            l.Tabelle.setze_Y(i, i < static_cast<int>(y.size()) ? y[static_cast<size_t>(i)] : U);
        }
        for (const auto& w : winkel)
            l.Tabelle.setze_gesetzt(w[0], w[1], w[2]);
        f.Kennfeld_schreiben();
    }
};

struct Zellbild {
    QString text;
    bool rot_fett;
    bool sichtbar;
    bool operator==(const Zellbild&) const = default;
};

Zellbild Bild(TForm_Zuendung& f, int r, int c) {
    QLineEdit* e = f.Zelle({r, c});
    const QString s = e->styleSheet();
    return {e->text(), s.contains("color: red") && s.contains("font-weight: bold"),
            e->isVisibleTo(&f)};
}

} // namespace

TEST(Zuendungsfenster, EveryCellShowsPointsEnteredAndInterpolatedAngles) {
    Editor e;
    TForm_Zuendung& f = e.z();
    Editor::fuelle(f, {0, 10, 20, 15}, {500, 1000}, {{0, 0, 10}, {0, 2, 20}, {1, 1, 7}}, 8);
    // (row, column) -> what it shows
    struct Fall {
        int r, c;
        Zellbild bild;
    };
    const Fall faelle[] = {
        {0, 1, {"0", false, true}},   {0, 3, {"20", false, true}},   {0, 4, {"", false, true}},
        {1, 0, {"500", false, true}}, {2, 0, {"1000", false, true}}, {3, 0, {"", false, true}},
        {1, 1, {"10", true, true}},   {1, 2, {"15", false, true}},   {1, 3, {"20", true, true}},
        {2, 2, {"7", true, true}},    {2, 1, {"10", false, true}},   {2, 3, {"7", false, true}},
        {3, 1, {"", false, true}},    {1, 4, {"", false, true}},     {1, 9, {"", false, false}},
    };
    for (const Fall& fall : faelle)
        EXPECT_EQ(Bild(f, fall.r, fall.c), fall.bild) << fall.r << "," << fall.c;
    EXPECT_EQ(f.width(), 9 * 44 + 40);
    // Sixteen columns show columns 9..16 and widen the window.
    f.Logik().Karte.Spaltenzahl = 16;
    f.Kennfeld_schreiben();
    EXPECT_TRUE(Bild(f, 1, 9).sichtbar);
    EXPECT_EQ(f.width(), 788);
}

TEST(Zuendungsfenster, EnterEditsACellAndTheButtonsWaitForIt) {
    Editor e;
    TForm_Zuendung& f = e.z();
    Editor::fuelle(f, {0, 10, 20}, {0}, {{0, 0, 10}, {0, 2, 20}}, 8);
    f.show();
    QLineEdit* zelle = f.Zelle({1, 2});
    f.fokussiere({1, 2});
    EXPECT_TRUE(f.Button_Funktionen->isEnabled());
    QTest::keyClick(zelle, Qt::Key_Return);
    EXPECT_FALSE(zelle->isReadOnly());
    EXPECT_FALSE(f.Button_Funktionen->isEnabled());
    zelle->setText("12a");
    QTest::keyClick(zelle, Qt::Key_Return);
    EXPECT_TRUE(zelle->isReadOnly());
    EXPECT_TRUE(f.Button_Funktionen->isEnabled());
    EXPECT_EQ(Bild(f, 1, 2), (Zellbild{"12", true, true}));
    EXPECT_EQ(f.Logik().letzte_Zelle, (Zuendzelle{1, 2}));
    // Not connected: no transfer, no online box.
    EXPECT_FALSE(f.Button_nach_Quorvel->isEnabled());
    EXPECT_FALSE(f.CheckBox_Online->isEnabled());
    // The arrows move by the offline rules.
    QTest::keyClick(zelle, Qt::Key_Right);
    EXPECT_EQ(f.Logik().aktuelle_Zelle, (Zuendzelle{1, 3}));
    QTest::keyClick(f.Zelle({1, 3}), Qt::Key_Up);
    EXPECT_EQ(f.Logik().aktuelle_Zelle, (Zuendzelle{0, 3}));
}

TEST(Zuendungsfenster, FilesGoThroughTheVersionsAndComeBackOnlyWhole) {
    Editor e;
    TForm_Zuendung& f = e.z();
    Editor::fuelle(f, {0, 10, 20}, {0, 100}, {{0, 0, 10}, {1, 2, 30}}, 16);
    f.Logik().Karte.Spalten_16 = true;
    ASSERT_TRUE(f.speichern(false));
    EXPECT_EQ(e.Dateien(), QStringList{"Motor.01Z"});
    QFile d(e.k.ordner.datei("DATA/Motor.01Z"));
    ASSERT_TRUE(d.open(QIODevice::ReadOnly));
    const QByteArray gespeichert = d.readAll();
    EXPECT_EQ(gespeichert.size(), 580);

    // Each case a newest version of its own, loaded over a changed image.
    struct Fall {
        int groesse;
        bool geladen;
        int spalten;
    };
    int nr = 1;
    for (const Fall fall : {Fall{580, true, 16}, Fall{600, true, 16}, Fall{308, true, 8},
                            Fall{400, false, 4}, Fall{0, false, 4}}) {
        ++nr;
        QByteArray inhalt = gespeichert;
        inhalt.resize(fall.groesse, '\0');
        e.k.ordner.schreibe_roh(QStringLiteral("DATA/Motor.%1Z").arg(nr, 2, 10, QChar('0')),
                                inhalt);
        f.Logik().Karte.Spaltenzahl = 4;
        f.Logik().Tabelle.setze_gesetzt(0, 0, 55);
        e.k.meldungen.texte.clear();
        EXPECT_EQ(f.laden(false), fall.geladen) << fall.groesse;
        EXPECT_EQ(f.Logik().Karte.Spaltenzahl, fall.spalten) << fall.groesse;
        EXPECT_EQ(e.k.meldungen.texte, fall.geladen ? QStringList() : QStringList{hole_Text(285)})
            << fall.groesse;
        EXPECT_EQ(Bild(f, 1, 1).text, fall.geladen ? "10" : "55") << fall.groesse;
    }
    // The correction map keeps its own suffix.
    Editor::fuelle(e.z2(), {0}, {0}, {}, 8);
    e.z2().Logik().Karte.Spalten_16 = false;
    ASSERT_TRUE(e.z2().speichern(false));
    EXPECT_TRUE(e.Dateien().contains("Motor.01ZC"));
    EXPECT_EQ(QFile(e.k.ordner.datei("DATA/Motor.01ZC")).size(), 308);
}

TEST(Zuendungsfenster, WithoutThePasswordAnAngleChangeChangesNothing) {
    Editor e;
    TForm_Zuendung& f = e.z();
    Editor::fuelle(f, {0, 10}, {0, 10}, {{0, 0, 10}}, 8);
    f.show();
    f.fokussiere({1, 1});
    e.k.kontext->passwort_OK().setze_akzeptiert(0);
    f.Zuendwinkel_plus();
    EXPECT_EQ(Bild(f, 1, 1).text, "10");
    EXPECT_EQ(f.Logik().Karte.aktiv, false);
    e.k.kontext->passwort_OK().setze_akzeptiert(1);
    f.Zuendwinkel_plus();
    EXPECT_EQ(Bild(f, 1, 1), (Zellbild{"11", true, true}));
    // Hidden, the editor takes no change.
    f.hide();
    f.Logik().Karte.aktiv = false;
    f.Zuendwinkel_minus();
    EXPECT_EQ(Bild(f, 1, 1).text, "11");
}

TEST(Zuendungsfenster, TheCorrectionEditorHasItsTitleAndStandsOnTheScreen) {
    Editor e;
    EXPECT_EQ(e.z2().windowTitle(), hole_Text(1209));
    EXPECT_EQ(e.z().windowTitle(), hole_Text(270));
    EXPECT_EQ(TForm_Zuendung_2_corr::Startlage({700, 100, 400, 300}, {1024, 768}),
              QPoint(624, 100));
    EXPECT_EQ(TForm_Zuendung_2_corr::Startlage({100, 500, 400, 300}, {1024, 768}),
              QPoint(100, 468));
    EXPECT_EQ(TForm_Zuendung_2_corr::Startlage({100, 100, 400, 300}, {1024, 768}),
              QPoint(100, 100));
    // The maps menu's entries reach the windows.
    e.k.kontext->kennfelder().Zuendung_2().setze_Titel("Korrektur");
    e.k.kontext->kennfelder().Zuendung_2().Titel_geaendert("Korrektur");
    EXPECT_EQ(e.z2().windowTitle(), "Korrektur");
    e.k.kontext->kennfelder().Zuendung_2().zeigen();
    EXPECT_TRUE(e.z2().isVisible());
}

TEST(Zuendungsfenster, APrintedPageAndAPictureOfEachEditor) {
    Editor e;
    const std::vector<int> x = {0,  10, 20,  30,  40,  50,  60,  70,
                                80, 90, 100, 110, 120, 130, 140, 150};
    std::vector<int> y;
    for (int i = 0; i < 16; ++i)
        y.push_back(800 + 400 * i);
    for (TForm_Zuendung* f : {&e.z(), static_cast<TForm_Zuendung*>(&e.z2())}) {
        Editor::fuelle(*f, x, y, {{0, 0, 5}, {15, 15, 40}, {7, 7, 22}, {0, 15, 30}, {15, 0, 12}},
                       16);
        f->show();
        f->Logik().Online = true;
        f->Logik().Cursor = {8, 8};
        f->Kennfeld_schreiben();
        f->zeige_Hilfetexte();
        const QString name = QString::fromLatin1(f->klasse().name);
        const QByteArray ziel = qgetenv("QUORVEL_BILDER");
        const QString ordner = ziel.isEmpty() ? e.k.ordner.pfad() : QString::fromLocal8Bit(ziel);
        f->grab().save(ordner + "/" + name + ".png");
        Pdfauswahl pdf(ordner + "/" + name + ".pdf", QPageSize::A4);
        e.k.kontext->drucker().setze_Druckauswahl(&pdf);
        f->Menu_druckenClick();
        e.k.kontext->drucker().setze_Druckauswahl(nullptr);
        EXPECT_GT(QFile(ordner + "/" + name + ".pdf").size(), 1000);
        EXPECT_FALSE(f->grab().isNull());
    }
}
