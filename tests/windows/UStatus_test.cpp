// The live-status window: against the simulated ECU end to end (connection, password
// state, parameters, live data), and its rules and keys on records filled by hand.

#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Parameter.h"
#include "ecusim/Passwort.h"
#include "link/LinkFixture.h"
#include "link/UKommunikation.h"
#include "model/UBefehle.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"
#include "windows/status/UStatus.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <set>

namespace {

QColor Farbe(const QLabel* l) {
    return l->palette().color(QPalette::WindowText);
}

// A 6.15 ECU with the internal pressure sensor fitted.
ecusim::Identitaetsdaten Identitaet() {
    ecusim::Identitaetsdaten id;
    id.Optionswort = 1;
    return id;
}

class Livesimulation {
public:
    Livesimulation() : parameter(sim), live(sim), passwort(sim) {
        const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
        for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")})
            QFile::copy(quelle + s + QStringLiteral("/T-SIMQuorvel-1-400-0615.TXT"),
                        k.ordner.datei(QStringLiteral("Language/") + s +
                                       QStringLiteral("/T-SIMQuorvel-1-400-0615.TXT")));
        parameter.fuelle_Beispielwerte();
        sim.oeffne_CAN(k.bus.Teilnehmer());
        k.sim = &sim;
        k.version().anfordern();
    }

    template <class F> bool warte(F fertig, int ticks = 2000) { return k.warte_bis(fertig, ticks); }

    std::vector<uint8_t> Befehle() const {
        std::vector<uint8_t> b;
        for (const ecusim::Rahmen& r : sim.empfangene())
            if (b.empty() || b.back() != r.befehl())
                b.push_back(r.befehl());
        return b;
    }

    LinkKontext k;
    ecusim::EcuSim sim;
    // Before the password area, whose answer of command 82 replaces the identity's default.
    bool identitaet = (ecusim::richte_Identitaet_ein(sim, Identitaet()), true);
    ecusim::Parameterbereich parameter;
    ecusim::Livebereich live;
    ecusim::Passwortbereich passwort;
};

} // namespace

TEST(Statusfenster, ShowsTheSimulatedEngineWithInvalidSensorsInRed) {
    Livesimulation s;
    TForm_Status f(*s.k.kontext);
    f.show();

    // Identity, password state, the parameters (manufacturer 1 from 6.15 reads them even
    // without a password), then the live records.
    ASSERT_TRUE(s.warte([&] { return s.live.Schritt > 2; }));
    const std::vector<uint8_t> b = s.Befehle();
    ASSERT_GE(b.size(), 4u);
    EXPECT_EQ(b[0], 100);
    EXPECT_EQ(b[1], 82);
    EXPECT_EQ(b[2], 3);
    EXPECT_EQ(s.passwort.Zustandsanfragen, 1);
    EXPECT_TRUE(std::find(b.begin(), b.end(), 11) != b.end() ||
                s.warte([&] { return s.k.kontext->ecu_Befehle().akt_Daten_A.beantwortet; }));

    // The speed follows the engine.
    const auto& L = s.k.kontext->ecu_Befehle().akt_Daten;
    ASSERT_TRUE(s.warte(
        [&] { return f.Drehzahl.Wert->text() == QString::number(L.u16(10)) && L.u16(10) > 0; }));
    const QString erste = f.Drehzahl.Wert->text();
    ASSERT_TRUE(s.warte([&] { return f.Drehzahl.Wert->text() != erste; }));
    EXPECT_EQ(f.Drehzahl.Wert->text(), QString::number(L.u16(10)));
    EXPECT_EQ(f.Motortemperatur.Wert->text(), QString::number(L.s16(74)));
    EXPECT_TRUE(f.GroupBox_Einspritzzeit->isVisible());
    EXPECT_TRUE(f.GroupBox_Lambda_1->isVisible());

    // The air-temperature sensor drops out for a while and comes back.
    ASSERT_TRUE(s.warte([&] { return Farbe(f.Lufttemperatur.Wert) == Qt::red; }));
    ASSERT_TRUE(s.warte([&] { return Farbe(f.Lufttemperatur.Wert) == Qt::black; }));
    EXPECT_EQ(Farbe(f.Motortemperatur.Wert), Qt::black);
    // A failed engine-temperature sensor.
    s.live.Ungueltig_Maske = 1U << 1;
    s.live.injiziere(ecusim::Livefehler::Sensoren_ungueltig);
    ASSERT_TRUE(s.warte([&] { return Farbe(f.Motortemperatur.Wert) == Qt::red; }));
    EXPECT_EQ(Farbe(f.Motortemperatur.Spannung), Qt::red);

    if (const QByteArray pfad = qgetenv("QUORVEL_STATUS_BILD"); !pfad.isEmpty())
        f.grab().save(QString::fromLocal8Bit(pfad));
}

TEST(Statusfenster, ManualInjectionKeysReachTheSimulatedEcu) {
    Livesimulation s;
    ecusim::Befehlsbereich befehle(s.sim);
    s.live.Handbetrieb = [&] { return befehle.Handbetrieb; };
    s.k.kontext->erzeuge_Befehle();
    TForm_Status f(*s.k.kontext);
    const auto taste = [&](int key) {
        QKeyEvent e(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&f, &e);
    };
    const QString laeuft = hole_Teiltext(hole_Text(193), 3);
    ASSERT_TRUE(s.warte([&] { return f.Label_Motorstatus->text() == laeuft; }));
    taste(Qt::Key_2);
    // A change pressed before manual mode is dropped by the switch.
    taste(Qt::Key_Plus);
    taste(Qt::Key_Space);
    const QString manuell = hole_Teiltext(hole_Text(193), 0) + QStringLiteral(" 5");
    ASSERT_TRUE(s.warte([&] { return f.Label_Motorstatus->text() == manuell; }));
    EXPECT_TRUE(befehle.Handbetrieb);
    for (int i = 0; i < 3; ++i)
        taste(Qt::Key_Plus);
    ASSERT_TRUE(s.warte([&] { return !befehle.Einspritzaenderungen.empty(); }));
    // 3 x 5 us, in the ECU's 0.8 us steps.
    EXPECT_EQ(befehle.Einspritzaenderungen, std::vector<int16_t>{18});
    taste(Qt::Key_9);
    taste(Qt::Key_Minus);
    ASSERT_TRUE(s.warte([&] { return befehle.Einspritzaenderungen.size() == 2; }));
    EXPECT_EQ(befehle.Einspritzaenderungen.back(), -1250);
    taste(Qt::Key_Space);
    ASSERT_TRUE(s.warte([&] { return f.Label_Motorstatus->text() == laeuft; }));
    EXPECT_FALSE(befehle.Handbetrieb);
}

TEST(Statusfenster, ShortRecordsAreRefusedAndTheWindowKeepsItsLastValues) {
    Livesimulation s;
    TForm_Status f(*s.k.kontext);
    ASSERT_TRUE(s.warte([&] {
        return !f.Drehzahl.Wert->text().isEmpty() && f.Drehzahl.Wert->text() != QStringLiteral("0");
    }));
    s.live.injiziere(ecusim::Livefehler::Kurzer_Datensatz);
    const QString vorher = f.Drehzahl.Wert->text();
    const int schritt = s.live.Schritt;
    ASSERT_TRUE(s.warte([&] { return s.live.Schritt > schritt + 2; }));
    EXPECT_EQ(f.Drehzahl.Wert->text(), vorher);
}

TEST(Statusfenster, PartialTextItems) {
    struct Fall {
        const char* text;
        int n;
        const char* teil;
    };
    for (const Fall f :
         {Fall{"a;b;c", 0, "a"}, Fall{"a;b;c", 2, "c"}, Fall{"a;b;c", 3, ""}, Fall{"a;;c", 1, ""},
          Fall{"", 0, ""}, Fall{"a;b", -1, ""}, Fall{"abc", 0, "abc"}})
        EXPECT_EQ(hole_Teiltext(QString::fromLatin1(f.text), f.n), QLatin1String(f.teil))
            << f.text << ' ' << f.n;
}

namespace {

struct Handfenster {
    Handfenster() : f(*k.kontext) {
        ecusim::Identitaetsdaten id;
        const QByteArray a = ecusim::baue_Identitaet(id);
        std::copy(a.begin(), a.end(), k.version().Antwortbereich.begin());
        k.version().Antwort();
        k.link().alle_stoppen();
    }
    cl_ECU_Befehle& b() { return k.kontext->ecu_Befehle(); }
    void refresh() { b().akt_Daten.Antwort(); }
    void taste(int key, Qt::KeyboardModifiers mod = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyRelease, key, mod);
        QCoreApplication::sendEvent(&f, &e);
    }
    LinkKontext k;
    TForm_Status f;
};

} // namespace

TEST(Statusfenster, EngineStateLines) {
    Handfenster h;
    const QString t193 = hole_Text(193);
    const QString t194 = hole_Text(194);
    struct Fall {
        uint16_t l8;
        int index;
        int unterzustand; // -1: none
    };
    for (const Fall f : {Fall{3, 3, -1}, Fall{4, 4, 0}, Fall{7, 4, 3}, Fall{19, 4, 15},
                         Fall{20, 5, 16}, Fall{300, 5, 296}}) {
        h.b().akt_Daten.setze_u16(8, f.l8);
        h.refresh();
        QString erwartet = hole_Teiltext(t193, f.index);
        if (f.unterzustand >= 0)
            erwartet += QStringLiteral(" (") + hole_Teiltext(t194, f.unterzustand) + ')';
        EXPECT_EQ(h.f.Label_Motorstatus->text(), erwartet) << f.l8;
    }
}

TEST(Statusfenster, ManualInjectionKeys) {
    Handfenster h;
    h.k.kontext->erzeuge_Befehle();
    cl_Quorvel_Hand_Einspritzzeit_aendern& aenderung =
        *h.k.kontext->befehle()->Quorvel_Hand_Einspritzzeit_aendern;
    cl_Quorvel_Hand_umschalten& umschalten = *h.k.kontext->befehle()->Quorvel_Hand_umschalten;
    // What the request was started with; the ECU's answer frees it for the next change.
    std::vector<int16_t> gesendet;
    const auto merke = [&] {
        if (aenderung.aktiv)
            gesendet.push_back(aenderung.gesendet());
        aenderung.aktiv = false;
    };
    h.b().akt_Daten.setze_u16(8, 5); // not manual: nothing is sent
    h.taste(Qt::Key_2);
    h.taste(Qt::Key_0);
    EXPECT_EQ(h.f.Hand_Schrittweite, 5);
    for (int i = 0; i < 3; ++i)
        h.taste(Qt::Key_Plus);
    h.refresh();
    merke();
    EXPECT_TRUE(gesendet.empty());
    h.b().akt_Daten.setze_u16(8, 0);
    h.refresh();
    merke();
    EXPECT_EQ(gesendet, std::vector<int16_t>{18});
    EXPECT_TRUE(h.f.Label_Motorstatus->text().endsWith(QStringLiteral(" 5")));
    h.taste(Qt::Key_9, Qt::KeypadModifier);
    EXPECT_EQ(h.f.Hand_Schrittweite, 1000);
    h.taste(Qt::Key_Minus, Qt::KeypadModifier);
    h.refresh();
    merke();
    EXPECT_EQ(gesendet.back(), -1250);
    // Switching the mode drops the keys pressed before it.
    h.taste(Qt::Key_Plus);
    h.taste(Qt::Key_Space);
    EXPECT_TRUE(umschalten.aktiv);
    h.refresh();
    merke();
    EXPECT_EQ(gesendet.size(), 2u);
    // Alt keeps its window keys: no step change.
    h.taste(Qt::Key_1, Qt::AltModifier);
    EXPECT_EQ(h.f.Hand_Schrittweite, 1000);
    int plus = 0, minus = 0;
    h.f.Zuendwinkel_plus = [&] { ++plus; };
    h.f.Zuendwinkel_minus = [&] { ++minus; };
    for (int key : {Qt::Key_Q, Qt::Key_F2, Qt::Key_Y, Qt::Key_F10})
        h.taste(key);
    EXPECT_EQ(plus, 2);
    EXPECT_EQ(minus, 2);
}

TEST(Statusfenster, ValuesAndTheirColours) {
    Handfenster h;
    auto& L = h.b().akt_Daten;
    auto& A = h.b().akt_Daten_A;
    auto& B = h.b().akt_Daten_B;
    // Lambda probe temperature rounds to fives; shift time halves with bit 0 of L12.
    L.setze_u16(82, 0);
    A.setze_u16(26, 7);
    L.Daten[12] = 1;
    B.setze_u16(54, 0);
    h.refresh();
    EXPECT_EQ(h.f.Schaltzeit.Kopf->text(), hole_Text(172) + QStringLiteral(" / 2"));
    EXPECT_EQ(h.f.Schaltzeit.Wert->text(), QStringLiteral("3"));
    EXPECT_EQ(Farbe(h.f.Motortemperatur.Wert), Qt::red);
    L.setze_u16(82, 0xFFFF);
    L.Daten[12] = 0;
    L.setze_u16(74, static_cast<uint16_t>(-12));
    L.setze_u16(44, 1023);
    h.refresh();
    EXPECT_EQ(h.f.Schaltzeit.Kopf->text(), hole_Text(172));
    EXPECT_EQ(h.f.Schaltzeit.Wert->text(), QStringLiteral("6"));
    EXPECT_EQ(h.f.Motortemperatur.Wert->text(), QStringLiteral("-12"));
    EXPECT_EQ(h.f.Motortemperatur.Spannung->text(), QStringLiteral(" 5.00 V"));
    EXPECT_EQ(Farbe(h.f.Motortemperatur.Wert), Qt::black);
    EXPECT_EQ(Farbe(h.f.Motortemperatur.Spannung), Qt::red);
    // The second bank's cells show with a second bank, never beside a hidden row.
    h.k.kontext->parameter().Bitzahl = 1;
    h.refresh();
    EXPECT_FALSE(h.f.Einspritzzeit.Wert2->isHidden());
    EXPECT_TRUE(h.f.Verstellwert.Wert2->isHidden());
    h.k.kontext->parameter().Bitzahl = 0;
    h.refresh();
    EXPECT_TRUE(h.f.Einspritzzeit.Wert2->isHidden());
    // The window is as high as its third column, or its state lines when they are lower.
    EXPECT_EQ(h.f.width(), TForm_Status::Breite);
    const int unten = h.f.Label_Motorstatus_Lambda->y() + h.f.Label_Motorstatus_Lambda->height();
    EXPECT_GE(h.f.height(), unten + 8);
}

namespace {

// Counts what the refresh costs the screen: rows hidden or shown, and groups repainted.
class Zaehler : public QObject {
public:
    explicit Zaehler(QWidget& fenster) {
        for (QWidget* w : fenster.findChildren<QWidget*>())
            w->installEventFilter(this);
    }
    int wechsel = 0;
    int gruppenGemalt = 0;
    int wertGemalt = 0; // any other widget

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show || e->type() == QEvent::Hide)
            ++wechsel;
        if (e->type() == QEvent::Paint)
            ++(qobject_cast<QGroupBox*>(o) ? gruppenGemalt : wertGemalt);
        return false;
    }
};

} // namespace

// Several times a second: a refresh that changes one value touches that value's cell alone.
TEST(Statusfenster, ARefreshRepaintsTheChangedCellsOnly) {
    Handfenster h;
    h.k.kontext->parameter().Bitzahl = 1; // second bank: the injection rows' extra cells too
    h.f.show();
    h.refresh();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.f));
    QCoreApplication::processEvents();

    Zaehler z(h.f);
    h.refresh();
    QCoreApplication::processEvents();
    EXPECT_EQ(z.wechsel, 0);
    EXPECT_EQ(z.gruppenGemalt, 0);

    h.b().akt_Daten.setze_u16(10, 1234); // engine speed
    h.refresh();
    QCoreApplication::processEvents();
    EXPECT_EQ(z.wechsel, 0);
    EXPECT_EQ(z.gruppenGemalt, 0);
    EXPECT_GT(z.wertGemalt, 0);
}

namespace {

// Where the text of a label stands inside its parent, by its alignment.
QRect Textfeld(const QLabel* l) {
    const int w = l->fontMetrics().horizontalAdvance(l->text());
    const QRect r = l->geometry();
    return (l->alignment() & Qt::AlignRight) ? QRect(r.right() - w + 1, r.y(), w, r.height())
                                             : QRect(r.x(), r.y(), w, r.height());
}

// A 7.00 ECU with every optional row the parameters can switch on, and a second bank.
const char* const Volle_Definitionen =
    "+1,1\r\n.OPT,Options,\r\n"
    "-54,OPT,4,0,0\r\n-60,OPT,4,0,2\r\n-76,OPT,4,0,4\r\n-131,OPT,4,0,6\r\n"
    "-1119,OPT,4,0,8\r\n-1134,OPT,4,0,10\r\n-1151,OPT,4,0,12\r\n-1940,OPT,4,0,14\r\n"
    "-2155,OPT,4,0,16\r\n-2156,OPT,4,0,18\r\n-2207,OPT,4,0,20\r\n-2208,OPT,4,0,22\r\n"
    "-2371,OPT,4,0,24\r\n-2375,OPT,4,0,26\r\n-2381,OPT,4,0,28\r\n-2390,OPT,4,0,30\r\n"
    "-2395,OPT,4,0,32\r\n";

} // namespace

TEST(Statusfenster, EveryShownTextFitsItsCellAndValuesShareTheirRightEdge) {
    struct Fall {
        const char* name;
        uint16_t typ, version;
        bool alles;
    };
    for (const Fall fall : {Fall{"7.00, all rows", 1, 700, true}, Fall{"6.15", 1, 615, false},
                            Fall{"type 2", 2, 700, true}}) {
        LinkKontext k;
        QFile datei(k.ordner.datei(QStringLiteral("Language/English/T-SIMQuorvel-%1-400-0%2.TXT")
                                       .arg(fall.typ)
                                       .arg(fall.version)));
        ASSERT_TRUE(datei.open(QIODevice::WriteOnly));
        datei.write(Volle_Definitionen);
        datei.close();
        TForm_Status f(*k.kontext);
        ecusim::Identitaetsdaten id;
        id.ECU_Typ = fall.typ;
        id.Version = fall.version;
        id.Optionswort = 1;
        const QByteArray a = ecusim::baue_Identitaet(id);
        std::copy(a.begin(), a.end(), k.version().Antwortbereich.begin());
        k.version().Antwort();
        k.link().alle_stoppen();
        cl_Parameter& p = k.kontext->parameter();
        if (fall.alles) {
            for (int n :
                 {54, 60, 76, 131, 1119, 1134, 1940, 2155, 2156, 2371, 2375, 2381, 2390, 2395})
                p.setze_Wert(n, 1);
            p.setze_Wert(1151, 2);
            p.setze_Wert(2207, 2);
            p.setze_Wert(2208, 2);
            ASSERT_EQ(p.Wert(2395), 1) << fall.name;
            p.Bitzahl = 1;
        }
        // Wide values: long times, many revolutions, negative temperatures.
        auto& b = k.kontext->ecu_Befehle();
        b.akt_Daten.setze_u16(10, 12345);
        b.akt_Daten.setze_u16(74, static_cast<uint16_t>(-40));
        b.akt_Daten.setze_u16(54, 0xFFFF);
        b.akt_Daten.setze_u16(56, 0x7FFF);
        b.akt_Daten.setze_u16(8, 7);
        b.akt_Daten_A.setze_u16(44, 0xFFFF);
        b.akt_Daten_A.setze_u16(46, 0x7FFF);
        b.akt_Daten_A.setze_u16(48, 0xFFFF);
        b.akt_Daten_A.setze_u16(50, 0x7FFF);
        b.akt_Daten_B.setze_u16(90, 0xFFFF);
        b.akt_Daten_B.setze_u16(92, 0x7FFF);
        b.akt_Daten_B.setze_u16(54, 9999);
        b.akt_Daten.Antwort();
        f.show();

        const QRect fenster(0, 0, f.width(), f.height());
        std::vector<const QGroupBox*> gruppen;
        for (const QGroupBox* g : f.findChildren<QGroupBox*>())
            if (!g->isHidden())
                gruppen.push_back(g);
        for (const QGroupBox* g : gruppen) {
            const std::string gname = g->title().toStdString() + " (" + fall.name + ")";
            EXPECT_TRUE(fenster.contains(g->geometry())) << gname;
            for (const QGroupBox* h : gruppen)
                EXPECT_TRUE(g == h || !g->geometry().intersects(h->geometry()))
                    << gname << " / " << h->title().toStdString();
            std::vector<const QLabel*> texte;
            std::set<int> rechts;
            for (const QLabel* l : g->findChildren<QLabel*>())
                if (!l->isHidden() && !l->text().isEmpty())
                    texte.push_back(l);
            for (const QLabel* l : texte) {
                const std::string lname = l->text().toStdString() + " in " + gname;
                EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text())) << lname;
                EXPECT_TRUE(g->rect().contains(l->geometry())) << lname;
                for (const QLabel* m : texte)
                    EXPECT_TRUE(l == m || !Textfeld(l).intersects(Textfeld(m)))
                        << lname << " / " << m->text().toStdString();
                // The first value column of a group: right-aligned cells left of the unit.
                if ((l->alignment() & Qt::AlignRight) && l->x() < 200 && l->x() > 100)
                    rechts.insert(l->geometry().right());
            }
            EXPECT_LE(rechts.size(), 1u) << gname;
        }
        if (const QByteArray pfad = qgetenv("QUORVEL_STATUS_BILD"); !pfad.isEmpty())
            f.grab().save(QString::fromLocal8Bit(pfad) + QString::number(fall.version) +
                          QString::number(fall.typ) + QStringLiteral(".png"));
    }
}
