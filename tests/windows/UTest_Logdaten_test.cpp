// The logger data: answers to rows, the text file under both decimal separators, and the
// logger read, aborted and erased against the simulated ECU.

#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Parameter.h"
#include "ecusim/Worte.h"
#include "link/LinkFixture.h"
#include "model/UParameter.h"
#include "model/UWeitere_Anfragen.h"
#include "windows/UColorButton.h"
#include "windows/status/UTest_Logdaten.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A logger entry as the ECU keeps it: time in ms, code, value.
QByteArray Eintrag(uint32_t zeit, int code, int wert) {
    QByteArray b;
    ecusim::haenge_Wort_an(b, static_cast<int>(zeit & 0xFFFF));
    ecusim::haenge_Wort_an(b, static_cast<int>(zeit >> 16));
    ecusim::haenge_Wort_an(b, code);
    ecusim::haenge_Wort_an(b, wert);
    return b;
}

QByteArray Eintraege(int von, int n) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b += Eintrag(static_cast<uint32_t>(1000 * (von + i) + 234), von + i - 3, -(von + i));
    return b;
}

QStringList Zeile(const Logdatentabelle& t, int r) {
    QStringList z;
    for (const QString& s : t.zeile(r))
        z.append(s);
    return z;
}

} // namespace

TEST(Logdatentabelle, AnswersToRows) {
    struct Antwort {
        int b, n;
    };
    struct Fall {
        const char* name;
        std::vector<Antwort> antworten;
        int zeilen;
        std::vector<int> gefuellt; // rows with data
    };
    const std::vector<Fall> faelle = {
        {"block 0 with 8 records", {{0, 8}}, 10, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"8, 8, 5 and the end", {{0, 8}, {8, 8}, {16, 5}, {65535, 0}}, 26, {1, 9, 16, 17, 21}},
        {"a block ahead of the rows grows the table to reach it", {{20, 3}}, 24, {21, 22, 23}},
        {"ahead after a first block", {{0, 8}, {40, 8}}, 49, {8, 41, 48}},
        {"an empty answer inside the table changes nothing", {{0, 8}, {3, 0}}, 10, {8}},
        {"the end alone adds an empty row", {{65535, 0}}, 2, {}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Logdatentabelle t;
        for (const Antwort& a : f.antworten) {
            const QByteArray d = Eintraege(a.b, a.n);
            t.schreibe_Logdaten(static_cast<uint16_t>(a.b), a.n,
                                reinterpret_cast<const uint8_t*>(d.constData()));
        }
        EXPECT_EQ(t.Zeilenzahl(), f.zeilen);
        for (int r : f.gefuellt)
            EXPECT_EQ(t.zeile(r)[Logdatentabelle::Nr_abs], QString::number(r)) << r;
    }
    // What a row shows: the numbers, the time in seconds padded to six, code and value.
    Logdatentabelle t;
    const QByteArray d = Eintrag(1234, -5, 300) + Eintrag(4294967295u, 32767, -32768) +
                         Eintrag(0, 0, 0) + Eintrag(999999, 7, 1);
    t.schreibe_Logdaten(4, 4, reinterpret_cast<const uint8_t*>(d.constData()));
    EXPECT_EQ(Zeile(t, 0), (QStringList{"Nr abs.", "Nr. rel.", "Zeit", "Code", "Wert"}));
    EXPECT_EQ(Zeile(t, 5), (QStringList{"5", "1", " 1.234", "-5", "300"}));
    EXPECT_EQ(Zeile(t, 6), (QStringList{"6", "2", "4294967.295", "32767", "-32768"}));
    EXPECT_EQ(Zeile(t, 7), (QStringList{"7", "3", " 0.000", "0", "0"}));
    EXPECT_EQ(Zeile(t, 8), (QStringList{"8", "4", "999.999", "7", "1"}));
    EXPECT_EQ(Zeile(t, 1), (QStringList{"", "", "", "", ""}));
    t.Dezimaltrennzeichen = u',';
    t.schreibe_Logdaten(0, 1, reinterpret_cast<const uint8_t*>(d.constData()));
    EXPECT_EQ(Zeile(t, 1), (QStringList{"1", "5", " 1,234", "-5", "300"}));
}

TEST(Logdatentabelle, TheFileUnderBothSeparators) {
    for (const QChar trenner : {QChar(u'.'), QChar(u',')}) {
        SCOPED_TRACE(QString(trenner).toStdString());
        Logdatentabelle t;
        t.Dezimaltrennzeichen = trenner;
        const QByteArray d = Eintraege(0, 2);
        t.schreibe_Logdaten(0, 2, reinterpret_cast<const uint8_t*>(d.constData()));
        // Rows 1 and 2 filled, row 3 of the growth empty.
        EXPECT_EQ(t.Dateizeilen(), (QStringList{"1, 0.234,-3", "2, 1.234,-2", ",,"}));

        Logdatentabelle g;
        g.Dezimaltrennzeichen = trenner;
        g.lade(t.Dateizeilen());
        ASSERT_EQ(g.Zeilenzahl(), 4);
        EXPECT_EQ(Zeile(g, 1), (QStringList{"1", "1", QString(" 0") + trenner + "234", "-3", ""}));
        EXPECT_EQ(Zeile(g, 3), (QStringList{"3", "", "", "", ""}));
        EXPECT_EQ(g.Dateizeilen(), t.Dateizeilen());
    }
    // Missing fields stay empty, more fields are dropped, a load replaces the rows.
    Logdatentabelle t;
    const QByteArray d = Eintraege(0, 8);
    t.schreibe_Logdaten(0, 8, reinterpret_cast<const uint8_t*>(d.constData()));
    t.lade({"7", "", "1,2,3,4,5"});
    ASSERT_EQ(t.Zeilenzahl(), 4);
    EXPECT_EQ(Zeile(t, 1), (QStringList{"1", "7", "", "", ""}));
    EXPECT_EQ(Zeile(t, 2), (QStringList{"2", "", "", "", ""}));
    EXPECT_EQ(Zeile(t, 3), (QStringList{"3", "1", "2", "3", ""}));
}

namespace {

struct Loggersimulation {
    Loggersimulation() : befehle(sim), live(sim), parameter(sim) {
        sim.oeffne_CAN(k.bus.Teilnehmer());
        k.sim = &sim;
        k.version().anfordern();
        EXPECT_TRUE(k.warte_bis([&] { return k.version().ECU_Typ() == 1; }, 2000));
    }
    void fuelle(int n) {
        befehle.Logeintraege.clear();
        const QByteArray d = Eintraege(0, n);
        for (int i = 0; i < n; ++i)
            befehle.Logeintraege.push_back(d.mid(8 * i, 8));
    }
    // The block numbers of the logger's requests.
    std::vector<int> Bloecke() const {
        std::vector<int> b;
        for (const ecusim::Rahmen& r : sim.empfangene())
            if (r.befehl() == 22 && r.daten().size() == 2)
                b.push_back(ecusim::Wort(r.daten(), 0));
        return b;
    }
    bool still() {
        const size_t vorher = Bloecke().size();
        k.ticke(10);
        return Bloecke().size() == vorher && !k.kontext->weitere_Anfragen().Test_Logdaten->aktiv;
    }
    LinkKontext k;
    ecusim::EcuSim sim;
    bool identitaet = (ecusim::richte_Identitaet_ein(sim), true);
    ecusim::Befehlsbereich befehle;
    ecusim::Livebereich live;
    ecusim::Parameterbereich parameter;
};

QString Zelle(TForm_Test_Logdaten& f, int zeile, int spalte) {
    QAbstractItemModel* m = f.StringGrid->model();
    return m->data(m->index(zeile - 1, spalte)).toString();
}

} // namespace

TEST(Logdaten_ecusim, ReadInBlocksWhileHiddenThenAbortedAndErasedOnlyAfterYes) {
    Loggersimulation s;
    s.fuelle(21);
    TForm_Test_Logdaten f(*s.k.kontext);
    f.show();
    f.Logik().Tabelle.Dezimaltrennzeichen = u'.';
    f.ColorButton_neu_laden->click();
    EXPECT_EQ(f.ColorButton_neu_laden->text(), QStringLiteral("abbrechen"));
    // The read goes on with the window hidden.
    f.hide();
    s.k.warte_bis([&] { return s.Bloecke().size() == 4; }, 200);
    ASSERT_TRUE(s.still());
    ASSERT_EQ(s.Bloecke(), (std::vector<int>{0, 8, 16, 21}));
    f.show();
    // 8, 8 and 5 records, and the end's empty row.
    EXPECT_EQ(f.StringGrid->model()->rowCount(), 25);
    EXPECT_EQ(f.StringGrid->model()->headerData(2, Qt::Horizontal).toString(), "Zeit");
    struct Z {
        int zeile;
        QStringList werte;
    };
    for (const Z& z : std::vector<Z>{{1, {"1", "1", " 0.234", "-3", "0"}},
                                     {9, {"9", "9", " 8.234", "5", "-8"}},
                                     {21, {"21", "21", "20.234", "17", "-20"}},
                                     {22, {"", "", "", "", ""}},
                                     {25, {"", "", "", "", ""}}}) {
        QStringList ist;
        for (int c = 0; c < 5; ++c)
            ist.append(Zelle(f, z.zeile, c));
        EXPECT_EQ(ist, z.werte) << z.zeile;
    }
    if (const QString bilder = qEnvironmentVariable("QUORVEL_BILDER"); !bilder.isEmpty()) {
        QTest::qWait(300);
        f.grab().save(bilder + QStringLiteral("/logdaten.png"));
    }
    // The caption stays until the user presses again, which empties the table.
    EXPECT_EQ(f.ColorButton_neu_laden->text(), QStringLiteral("abbrechen"));
    f.ColorButton_neu_laden->click();
    EXPECT_EQ(f.ColorButton_neu_laden->text(), QStringLiteral("neu laden"));
    EXPECT_EQ(f.StringGrid->model()->rowCount(), 0);

    // An abort in the middle of a long logger ends the chain and erases nothing.
    s.fuelle(400);
    f.ColorButton_neu_laden->click();
    ASSERT_TRUE(s.k.warte_bis([&] { return s.Bloecke().size() >= 8; }, 200));
    f.ColorButton_neu_laden->click();
    ASSERT_TRUE(s.still());
    EXPECT_LT(s.Bloecke().size(), 4u + 51u);
    EXPECT_EQ(s.befehle.Logger_Loeschbefehle, 0);
    EXPECT_EQ(s.befehle.Logeintraege.size(), 400u);
    EXPECT_EQ(f.StringGrid->model()->rowCount(), 0);

    // No sends nothing; Yes erases.
    s.k.meldungen.setze_Antwort(false);
    f.ColorButton_Speicher_loeschen->click();
    ASSERT_TRUE(s.still());
    EXPECT_EQ(s.k.meldungen.fragen,
              QStringList{QStringLiteral("Soll der Logdaten-Speicher gelöscht werden?")});
    EXPECT_EQ(s.befehle.Logger_Loeschbefehle, 0);
    s.k.meldungen.setze_Antwort(true);
    f.ColorButton_Speicher_loeschen->click();
    ASSERT_TRUE(s.k.warte_bis([&] { return s.befehle.Logger_Loeschbefehle == 1; }, 200));
    ASSERT_TRUE(s.still());
    EXPECT_TRUE(s.befehle.Logeintraege.empty());
    EXPECT_EQ(s.Bloecke().back(), 65535);
}

TEST(Logdaten_ecusim, SavedAndLoadedUnderBothSeparators) {
    Loggersimulation s;
    s.fuelle(3);
    TForm_Test_Logdaten f(*s.k.kontext);
    f.show();
    for (const QChar trenner : {QChar(u','), QChar(u'.')}) {
        SCOPED_TRACE(QString(trenner).toStdString());
        f.Logik().Tabelle.Dezimaltrennzeichen = trenner;
        f.ColorButton_neu_laden->click();
        ASSERT_TRUE(s.k.warte_bis([&] { return !f.Logik().liest || s.still(); }, 200));
        const QString datei = s.k.ordner.datei(QStringLiteral("log.csv"));
        f.SaveDialog_Logdaten = [&] { return datei; };
        f.ColorButton_speichern->click();
        QFile d(datei);
        ASSERT_TRUE(d.open(QIODevice::ReadOnly));
        // The block's row to come and the end's row stay empty.
        EXPECT_EQ(d.readAll(),
                  QByteArray("1, 0.234,-3\r\n2, 1.234,-2\r\n3, 2.234,-1\r\n,,\r\n,,\r\n"));
        d.close();
        f.ColorButton_neu_laden->click();
        f.OpenDialog_Logdaten = [&] { return datei; };
        f.ColorButton_laden->click();
        EXPECT_EQ(f.StringGrid->model()->rowCount(), 5);
        EXPECT_EQ(Zelle(f, 2, 0), "2");
        EXPECT_EQ(Zelle(f, 2, 2), QString(" 1") + trenner + "234");
        EXPECT_EQ(Zelle(f, 2, 3), "-2");
        EXPECT_EQ(Zelle(f, 2, 4), "");
    }
    // Failures name the file; a cancelled dialog does nothing.
    s.k.meldungen.texte.clear();
    f.OpenDialog_Logdaten = [&] { return s.k.ordner.datei(QStringLiteral("fehlt.csv")); };
    f.ColorButton_laden->click();
    f.SaveDialog_Logdaten = [&] { return s.k.ordner.datei(QStringLiteral("kein/ordner.csv")); };
    f.ColorButton_speichern->click();
    f.SaveDialog_Logdaten = [] { return QString(); };
    f.ColorButton_speichern->click();
    ASSERT_EQ(s.k.meldungen.texte.size(), 2) << s.k.meldungen.texte.join('|').toStdString();
    EXPECT_TRUE(s.k.meldungen.texte[0].startsWith("Fehler beim Lesen der Logdaten ("));
    EXPECT_TRUE(s.k.meldungen.texte[0].endsWith("fehlt.csv)"));
    EXPECT_TRUE(s.k.meldungen.texte[1].startsWith("Fehler beim Schreiben der Logdaten ("));
}
