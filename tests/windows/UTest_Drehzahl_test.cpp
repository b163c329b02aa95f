// The speed-sensor pulse test: tooth times to labels, the pulse train at its pixels, the
// printout, and the test in the whole program against the simulated ECU over a
// pseudo-terminal.

#include "link/LinkFixture.h"
#include "model/UBefehle.h"
#include "support/Pdfauswahl.h"
#include "windows/Programm.h"
#include "windows/UColorButton.h"
#include "windows/status/UTest_Drehzahl.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Roh(const std::vector<int>& werte) {
    std::vector<uint8_t> b;
    for (int w : werte) {
        b.push_back(static_cast<uint8_t>(w & 0xFF));
        b.push_back(static_cast<uint8_t>((w >> 8) & 0xFF));
    }
    b.resize(400);
    return b;
}

bool schwarz(QRgb c) {
    return qRed(c) < 64 && qGreen(c) < 64 && qBlue(c) < 64;
}

// The left edges of the dark runs along row y from x0 to x1.
std::vector<int> Striche(const QImage& bild, int y, int x0, int x1) {
    std::vector<int> xs;
    bool vorher = false;
    for (int x = x0; x <= x1; ++x) {
        const bool jetzt = schwarz(bild.pixel(x, y));
        if (jetzt && !vorher)
            xs.push_back(x);
        vorher = jetzt;
    }
    return xs;
}

} // namespace

TEST(Pulstest, ToothTimesAsShown) {
    struct Fall {
        int roh;
        bool mal_4;
        std::optional<int64_t> p3;
        QString text;
        bool rot;
    };
    const std::vector<Fall> faelle = {
        {250, true, std::nullopt, "10.00", false},
        {250, false, 6, " 2.50", false},
        {-300, false, 6, " 3.00", true},
        {-300, false, 24, " 3.00", true},
        {-300, false, 2, "130.00", false},
        {-300, false, std::nullopt, "130.00", false},
        // Held in 32 bits: 36000 is a tooth time, not a gap.
        {9000, true, 6, "360.00", false},
        {-9000, true, 6, "360.00", true},
        {0, false, 6, " 0.00", false},
        {32767, false, 4, "327.67", false},
    };
    for (const Fall& f : faelle) {
        Zahnzeitenfolge z;
        z.uebernehme(Roh({f.roh}), f.mal_4);
        const Zahnzeitenfolge::Anzeige a = z.zeige(0, Zahnzeitenfolge::Luecke_rot(f.p3));
        EXPECT_EQ(a.Text, f.text) << f.roh;
        EXPECT_EQ(a.rot, f.rot) << f.roh;
    }
}

TEST(Pulstest, StrokesSplitAtHalfTheTimeAndSumIn64Bits) {
    Zahnzeitenfolge z;
    EXPECT_TRUE(z.Striche(40, 820).empty());
    // 200 times of 32767 x 4: the sum passes what 820 x 2 x p takes in 32 bits.
    z.uebernehme(Roh(std::vector<int>(200, 32767)), true);
    const auto s = z.Striche(40, 820);
    ASSERT_EQ(s.size(), 200u);
    for (size_t k = 0; k < 200; ++k) {
        EXPECT_EQ(s[k].unten, k >= 100) << k;
        EXPECT_FALSE(s[k].rot);
        const int64_t p = int64_t{131068} * static_cast<int64_t>(k % 100 + 1);
        EXPECT_EQ(s[k].x, 40 + static_cast<int>(1640 * p / (1 + 200 * int64_t{131068}))) << k;
    }
    EXPECT_EQ(s[99].x, 859);

    // A gap mark stands after the sum so far, which it does not change.
    z.uebernehme(Roh({100, -50, 100}), false);
    const auto g = z.Striche(40, 820);
    // T = 201, half 100: 100 on the upper line, 150 and 200 past it.
    EXPECT_EQ(g[0].x, 40 + 1640 * 100 / 201);
    EXPECT_FALSE(g[0].unten);
    EXPECT_TRUE(g[1].rot);
    EXPECT_TRUE(g[1].unten);
    EXPECT_EQ(g[1].x, 40 + 1640 * 50 / 201);
    EXPECT_EQ(g[2].x, 40 + 1640 * 100 / 201);
}

TEST(Pulstest, PulseTrainAtItsPixels) {
    LinkKontext k(false);
    TForm_Test_Drehzahl f(*k.kontext);
    const int oben = f.obere_Linie();
    const int unten = f.untere_Linie();
    // Nothing before a test: no line, no stroke.
    QImage leer = f.grab().toImage();
    EXPECT_TRUE(Striche(leer, oben, 30, 870).empty());
    EXPECT_TRUE(Striche(leer, oben - 7, 30, 870).empty());

    for (size_t i = 0; i < f.Puffer.size(); i += 2) {
        f.Puffer[i] = 0xE8; // 1000
        f.Puffer[i + 1] = 0x03;
    }
    f.zeige_Ergebnis();
    const QImage bild = f.grab().toImage();
    for (int y : {oben - 7, unten - 7}) {
        const std::vector<int> xs = Striche(bild, y, 41, 870);
        ASSERT_EQ(xs.size(), 100u) << y;
        for (size_t i = 1; i < xs.size(); ++i) {
            EXPECT_GE(xs[i] - xs[i - 1], 8) << y << " " << i;
            EXPECT_LE(xs[i] - xs[i - 1], 9) << y << " " << i;
        }
    }
    // The start mark and the two lines.
    EXPECT_TRUE(schwarz(bild.pixel(40, oben - 7)));
    EXPECT_TRUE(schwarz(bild.pixel(500, oben)));
    EXPECT_TRUE(schwarz(bild.pixel(500, unten)));
    EXPECT_EQ(f.Wertlabels[199]->text(), QStringLiteral("10.00"));
}

TEST(Pulstest, PrintsTheTableInBlack) {
    LinkKontext k(false);
    TForm_Test_Drehzahl f(*k.kontext);
    // 1.00 ms teeth, a gap mark, the 3.00 ms across it; parameter 3 is not known: the mark
    // shows as 127 + its time.
    for (size_t i = 0; i < f.Puffer.size(); i += 2) {
        const int16_t v = i / 2 == 57 ? -300 : i / 2 == 58 ? 300 : 100;
        f.Puffer[i] = static_cast<uint8_t>(v & 0xFF);
        f.Puffer[i + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }
    f.zeige_Ergebnis();
    // The mark as the screen shows it where parameter 3 names a variant with red gaps.
    QPalette rot = f.Wertlabels[57]->palette();
    rot.setColor(QPalette::WindowText, Qt::red);
    f.Wertlabels[57]->setPalette(rot);
    const QString pdf = k.ordner.datei(QStringLiteral("pulse.pdf"));
    Pdfauswahl auswahl(pdf);
    k.kontext->drucker().setze_Druckauswahl(&auswahl);
    f.ColorButton_druckenClick();
    EXPECT_FALSE(k.kontext->drucker().Dokument_offen);
    const QString text = auswahl.Text();
    EXPECT_TRUE(text.contains(hole_Text(381))) << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression("0\\s+10\\s+20\\s+30.*180\\s+190")))
        << text.toStdString();
    // Row 8 holds values 7, 17, ..., 57 (the mark) ...; row 9 the time across the gap.
    EXPECT_TRUE(
        text.contains(QRegularExpression("\\n\\s*8\\s+1\\.00(\\s+1\\.00){4}\\s+130\\.00\\s")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression("\\n\\s*9\\s+1\\.00(\\s+1\\.00){4}\\s+3\\.00\\s")))
        << text.toStdString();
    // Black on white and grey only: no colour on the page.
    QProcess ppm;
    ppm.start(QStringLiteral("pdftoppm"),
              {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"),
               QStringLiteral("-singlefile"), pdf, k.ordner.datei(QStringLiteral("pulse"))});
    ASSERT_TRUE(ppm.waitForFinished(30000));
    const QImage seite(k.ordner.datei(QStringLiteral("pulse.png")));
    ASSERT_FALSE(seite.isNull());
    int bunt = 0;
    for (int y = 0; y < seite.height(); ++y)
        for (int x = 0; x < seite.width(); ++x) {
            const QColor c = seite.pixelColor(x, y);
            bunt += std::abs(c.red() - c.green()) > 40 || std::abs(c.red() - c.blue()) > 40;
        }
    EXPECT_EQ(bunt, 0);
    if (qEnvironmentVariableIsSet("QUORVEL_BILDER")) {
        QFile::copy(pdf, qEnvironmentVariable("QUORVEL_BILDER") + "/pulstest.pdf");
        f.show();
        f.grab().save(qEnvironmentVariable("QUORVEL_BILDER") + "/pulstest.png");
    }
}

// ---------------------------------------------------------------- end to end

namespace {

// The program over a pseudo-terminal with the pulse test opened from the menu.
struct Pulsprogramm {
    Pulsprogramm() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return p.verbunden(); }, 30000));
        EXPECT_TRUE(klicke(p.leiste(), QStringLiteral("Menu_Drehzahltest")));
        f = dynamic_cast<TForm_Test_Drehzahl*>(p.fenster("TForm_Test_Drehzahl"));
        EXPECT_TRUE(f && QTest::qWaitFor([&] { return f->isVisible(); }, 2000));
        p.sim.leere_Protokoll();
    }
    std::vector<int> Testbefehle() const {
        std::vector<int> b;
        for (const ecusim::Rahmen& r : p.sim.empfangene())
            if (r.befehl() >= 63 && r.befehl() <= 66)
                b.push_back(r.befehl());
        return b;
    }
    cl_Quorvel_starte_Test_Drehzahl& Anfrage() const {
        return *p.kontext->befehle()->Quorvel_starte_Test_Drehzahl;
    }
    bool warte(const std::function<bool()>& fertig) { return QTest::qWaitFor(fertig, 20000); }

    Programm p{true};
    TForm_Test_Drehzahl* f = nullptr;
};

} // namespace

TEST(Pulstest_pty, ReadsTheWheelInBlocksAndShowsItsTimesAndGaps) {
    Pulsprogramm d;
    ASSERT_NE(d.f, nullptr);
    EXPECT_TRUE(d.f->Button_Starten->isEnabled());
    QTest::mouseClick(d.f->Button_Starten, Qt::LeftButton);
    ASSERT_TRUE(d.warte([&] { return d.p.befehle->Drehzahltest_beendet; }));
    ASSERT_TRUE(d.warte([&] { return !d.Anfrage().aktiv; }));
    // Start with the byte count, four blocks of 100 bytes, the end.
    EXPECT_EQ(d.Testbefehle(), (std::vector<int>{63, 64, 64, 64, 64, 66}));
    EXPECT_EQ(d.p.befehle->Zahnzeitenlaenge, 400);
    // The simulated 60-2 wheel at 1000 rpm, 59 values a turn: 57 teeth of 1.00 ms, the gap
    // mark (shown as 127 + 2.00 ms, parameter 3 being unknown) and the 3.00 ms across it.
    struct Soll {
        int k;
        const char* text;
    };
    const std::vector<Soll> soll = {
        {0, " 1.00"},    {56, " 1.00"},  {57, "129.00"},  {58, " 3.00"},  {59, " 1.00"},
        {116, "129.00"}, {117, " 3.00"}, {175, "129.00"}, {176, " 3.00"}, {199, " 1.00"}};
    for (const Soll& s : soll) {
        const QLabel* l = d.f->Wertlabels[static_cast<size_t>(s.k)];
        EXPECT_EQ(l->text(), QString::fromLatin1(s.text)) << s.k;
        EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(Qt::black)) << s.k;
        EXPECT_TRUE(l->isVisible()) << s.k;
        // The whole text, not its last digits.
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->contentsRect().width()) << s.k;
    }
    // The marks are drawn red, the rest black.
    const auto striche = d.f->Folge.Striche(40, 820);
    for (size_t k = 0; k < striche.size(); ++k)
        EXPECT_EQ(striche[k].rot, k == 57 || k == 116 || k == 175) << k;
    if (qEnvironmentVariableIsSet("QUORVEL_BILDER"))
        d.f->grab().save(qEnvironmentVariable("QUORVEL_BILDER") + "/pulstest_ecu.png");

    // The error trigger: 65 with the same count, and the exchange ends with its answer.
    d.p.sim.leere_Protokoll();
    QTest::mouseClick(d.f->ColorButton_Fehlertrigger, Qt::LeftButton);
    ASSERT_TRUE(d.warte([&] { return d.p.befehle->Fehlertrigger == 1; }));
    ASSERT_TRUE(d.warte([&] { return !d.Anfrage().aktiv; }));
    QTest::qWait(200);
    EXPECT_EQ(d.Testbefehle(), (std::vector<int>{65}));

    // The start button follows the link's connection.
    d.p.kontext->link().setze_Verbindung(false);
    EXPECT_FALSE(d.f->Button_Starten->isEnabled());
    EXPECT_TRUE(d.f->ColorButton_Fehlertrigger->isEnabled());
    d.p.kontext->link().setze_Verbindung(true);
    EXPECT_TRUE(d.f->Button_Starten->isEnabled());
}

TEST(Pulstest_pty, HidingStopsARunningTest) {
    Pulsprogramm d;
    ASSERT_NE(d.f, nullptr);
    QTest::mouseClick(d.f->Button_Starten, Qt::LeftButton);
    EXPECT_TRUE(d.Anfrage().aktiv);
    d.f->close();
    EXPECT_FALSE(d.Anfrage().aktiv);
    QTest::qWait(300);
    EXPECT_FALSE(d.p.befehle->Drehzahltest_beendet);
    EXPECT_FALSE(d.f->Folge.Daten_vorhanden);
    EXPECT_EQ(d.f->Wertlabels[0]->text(), QString());
}
