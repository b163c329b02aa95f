// The map description lines: each field reader over a table of texts, and whole lines into
// their fields, with and without rebuild.

#include "model/UKennfeldbeschreibung.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

// Parameters 7 = 1234 and 8 = -3; live values 20001 in the live records, 20002 in data item
// 140, 20003 in data item 141 without memory yet.
class Testzugriff : public Kennfeld_Parameterzugriff {
public:
    int64_t Wert(int n) override {
        const auto it = werte.find(n);
        return it == werte.end() ? 0 : it->second;
    }
    bool Livewert(int n, int& element) override {
        element = n == 20002 ? 140 : n == 20003 ? 141 : 0;
        return n == 20001 || n == 20002;
    }
    void abonniere_Wert(int e) override { wert_abos.push_back(e); }
    void abonniere_Quelle(int e) override { quelle_abos.push_back(e); }

    std::map<int, int64_t> werte{{7, 1234}, {8, -3}, {20002, 77}};
    std::vector<int> wert_abos, quelle_abos;
};

enum class Leser { Feldzahl, Feldwert, Parameternummer, Quelle, Feldtext, Bedingung };

struct Fall {
    Leser leser;
    const char* text;
    bool gueltig;
    int32_t zahl;         // the number readers
    const char* ergebnis; // the text readers
    qsizetype position;   // where the read leaves the position (the text starts at 0)
};

QString Name(Leser l) {
    static const char* namen[] = {"Feldzahl", "Feldwert", "Parameternummer",
                                  "Quelle",   "Feldtext", "Bedingung"};
    return QString::fromLatin1(namen[static_cast<int>(l)]);
}

} // namespace

TEST(Kennfeldbeschreibung, FieldReadersAsATable) {
    const Fall faelle[] = {
        // Numbers: decimal up to ',' or '[', taken with it; what converts at the front counts.
        {Leser::Feldzahl, "12,5", true, 12, "", 3},
        {Leser::Feldzahl, "  -40,", true, -40, "", 6},
        {Leser::Feldzahl, "+7", true, 7, "", 2},
        {Leser::Feldzahl, "12abc,1", true, 12, "", 6},
        {Leser::Feldzahl, "abc,1", false, 0, "", 4},
        {Leser::Feldzahl, ",1", false, 0, "", 1},
        {Leser::Feldzahl, "3[1],", true, 3, "", 2},
        {Leser::Feldzahl, "$1F,", true, 31, "", 4},
        {Leser::Feldzahl, "$FFFFFFFF", true, -1, "", 9},
        {Leser::Feldzahl, "-", true, 0, "", 1},
        {Leser::Feldzahl, "2147483647", true, 2147483647, "", 10},
        {Leser::Feldzahl, "-2147483648", true, -2147483647 - 1, "", 11},
        {Leser::Feldzahl, "21474836479", true, 2147483647, "", 11},
        {Leser::Feldzahl, "   ", false, 0, "", 0},
        {Leser::Feldzahl, "", false, 0, "", 0},
        // 'X': upper-case hexadecimal digits, the character after them taken.
        {Leser::Feldzahl, "X1F,2", true, 31, "", 4},
        {Leser::Feldzahl, "x10 2", true, 16, "", 4},
        {Leser::Feldzahl, "X1f,", true, 1, "", 3},
        {Leser::Feldzahl, "XFF", true, 255, "", 3},
        {Leser::Feldzahl, "X,5", false, 0, "", 2},
        // Values: a number, or '#' and a parameter's ECU value (0 when unknown).
        {Leser::Feldwert, " 500,", true, 500, "", 5},
        {Leser::Feldwert, "#7,", true, 1234, "", 3},
        {Leser::Feldwert, "#8", true, -3, "", 2},
        {Leser::Feldwert, "#9999,", true, 0, "", 6},
        {Leser::Feldwert, "#X7,", true, 1234, "", 4},
        {Leser::Feldwert, "#,", false, 0, "", 2},
        {Leser::Feldwert, "q,", false, 0, "", 2},
        {Leser::Feldwert, "  ", false, 0, "", 0},
        // Parameter numbers need the '#'.
        {Leser::Parameternummer, "#1124,", true, 1124, "", 6},
        {Leser::Parameternummer, " # 12", true, 12, "", 5},
        {Leser::Parameternummer, "0,", false, 0, "", 0},
        {Leser::Parameternummer, "#,", false, 0, "", 2},
        // Live sources: below 20000 none (valid), above it only a live value with memory.
        {Leser::Quelle, "#0,", true, 0, "", 3},
        {Leser::Quelle, "#19999,", true, 0, "", 7},
        {Leser::Quelle, "#20001,", true, 20001, "", 7},
        {Leser::Quelle, "#20002,", true, 20002, "", 7},
        {Leser::Quelle, "#20003,", false, 0, "", 7},
        {Leser::Quelle, "#20004,", false, 0, "", 7},
        {Leser::Quelle, "20001,", false, 0, "", 0},
        // Texts lose every blank; a ',' alone is an empty text that counts.
        {Leser::Feldtext, " Full load , x", true, 0, "Fullload", 12},
        {Leser::Feldtext, ",x", true, 0, "", 1},
        {Leser::Feldtext, "rpm", true, 0, "rpm", 3},
        {Leser::Feldtext, "   ", false, 0, "", 0},
        // Conditions end at a ',' outside brackets and keep it.
        {Leser::Bedingung, "76[0],1", true, 0, "76[0],", 6},
        {Leser::Bedingung, "76[2,3]&131,1", true, 0, "76[2,3]&131,", 12},
        {Leser::Bedingung, ",1", true, 0, ",", 1},
        {Leser::Bedingung, "1115", true, 0, "1115", 4},
        {Leser::Bedingung, "76[2,1", true, 0, "", 6},
        {Leser::Bedingung, " ", false, 0, "", 0},
    };
    for (const Fall& f : faelle) {
        Testzugriff z;
        const QString zeile = QString::fromLatin1(f.text);
        Kennfeld_Feldleser l(zeile, 0, z);
        int32_t zahl = -99;
        QString text = QStringLiteral("?");
        bool gueltig = false;
        switch (f.leser) {
        case Leser::Feldzahl:
            gueltig = l.lies_Feldzahl(zahl);
            break;
        case Leser::Feldwert:
            gueltig = l.lies_Feldwert(zahl);
            break;
        case Leser::Parameternummer:
            gueltig = l.lies_Parameternummer(zahl);
            break;
        case Leser::Quelle:
            gueltig = l.lies_Quelle(zahl);
            break;
        case Leser::Feldtext:
            gueltig = l.lies_Feldtext(text);
            break;
        case Leser::Bedingung:
            gueltig = l.lies_Bedingung(text);
            break;
        }
        const QString wo = Name(f.leser) + QStringLiteral(" \"") + zeile + '"';
        EXPECT_EQ(gueltig, f.gueltig) << wo.toStdString();
        if (f.leser == Leser::Feldtext || f.leser == Leser::Bedingung)
            EXPECT_EQ(text, QString::fromLatin1(f.ergebnis)) << wo.toStdString();
        else
            EXPECT_EQ(zahl, f.zahl) << wo.toStdString();
        EXPECT_EQ(l.Position(), f.position) << wo.toStdString();
    }
}

TEST(Kennfeldbeschreibung, ALiveValueInADataItemSubscribesItsItem) {
    Testzugriff z;
    const QString zeile = QStringLiteral("#20002,#20002,#20001,#20002,#7");
    Kennfeld_Feldleser l(zeile, 0, z);
    int32_t v = 0;
    EXPECT_TRUE(l.lies_Feldwert(v));
    EXPECT_EQ(v, 77);
    EXPECT_TRUE(l.lies_Quelle(v));
    EXPECT_TRUE(l.lies_Quelle(v)); // a live record: nothing to subscribe
    EXPECT_TRUE(l.lies_Feldwert(v));
    EXPECT_TRUE(l.lies_Feldwert(v)); // below 20000: no data item
    EXPECT_EQ(z.wert_abos, (std::vector<int>{140, 140}));
    EXPECT_EQ(z.quelle_abos, std::vector<int>{140});
}

namespace {
// A complete line of a described map below 256, as the rebuild reads it.
const char* const Kennfeld_300 =
    "*300,76[0],1,#20001,#0,1,0,0,1,0,4000,0,100,-50,1000,0,500,2,5,Id3,Full load map,"
    "Speed,Load,rpm,%,0.1 ms,Topic";
const char* const Kennfeld_140 =
    "*140 ,131&76[2,3], 1 ,#20002,#20001,1,1,9,1,0,4000,0,0,5,5,0,1000,1,3,#1,#2,#3,#4,"
    "#5,#6,#7,#8,K,Curve 140,Speed,,rpm,,mg,Help 140";
} // namespace

TEST(Kennfeldbeschreibung, LinesIntoTheirFields) {
    Testzugriff z;
    const Kennfeldzeile a = lies_Kennfeldzeile(QString::fromLatin1(Kennfeld_300), true, z);
    EXPECT_EQ(a.art, Kennfeldzeile::Art::Kennfeld);
    EXPECT_TRUE(a.vollstaendig);
    EXPECT_EQ(a.Nummer, 300);
    EXPECT_EQ(a.Bedingung, QStringLiteral("76[0],"));
    EXPECT_EQ(a.Typ, 1);
    EXPECT_EQ(a.Quelle_X, 20001);
    EXPECT_EQ(a.Quelle_Y, 0);
    EXPECT_EQ(a.Quelle_Nr, 1);
    EXPECT_FALSE(a.ist_Kurve);
    EXPECT_TRUE(a.zyklisch);
    EXPECT_EQ((std::vector<int32_t>{a.X_min, a.X_max, a.Y_min, a.Y_max, a.Roh_min, a.Roh_max,
                                    a.Z_min, a.Z_max}),
              (std::vector<int32_t>{0, 4000, 0, 100, -50, 1000, 0, 500}));
    EXPECT_EQ(a.Schrittzeile, 2);
    EXPECT_EQ(a.Schrittziffer, '5');
    // 256 and above: no P fields, the next field is the id.
    EXPECT_EQ(a.Parameter_Nr, (std::array<int32_t, 8>{}));
    EXPECT_EQ((QStringList{a.Kennung, a.Titel, a.Achsname_X, a.Achsname_Y, a.Einheit_X, a.Einheit_Y,
                           a.Einheit_Z, a.Hilfethema}),
              QStringLiteral("Id3 Fullloadmap Speed Load rpm % 0.1ms Topic").split(' '));

    const Kennfeldzeile b = lies_Kennfeldzeile(QString::fromLatin1(Kennfeld_140), true, z);
    EXPECT_TRUE(b.vollstaendig);
    EXPECT_EQ(b.Nummer, 140);
    EXPECT_EQ(b.Bedingung, QStringLiteral("131&76[2,3],"));
    EXPECT_TRUE(b.ist_Kurve);
    // Equal pairs: the maximum becomes minimum + 1, the raw pair too.
    EXPECT_EQ(b.Y_max, 1);
    EXPECT_EQ(b.Roh_max, 6);
    EXPECT_EQ(b.Parameter_Nr, (std::array<int32_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(b.Kennung, QStringLiteral("K"));
    EXPECT_EQ(b.Achsname_Y, QString());
    EXPECT_EQ(b.Hilfethema, QStringLiteral("Help140"));
}

TEST(Kennfeldbeschreibung, ShortAndInvalidLines) {
    struct Zeilenfall {
        const char* zeile;
        bool neu;
        Kennfeldzeile::Art art;
        bool vollstaendig;
    };
    const Zeilenfall faelle[] = {
        {"*", true, Kennfeldzeile::Art::ungueltig, false},
        {"9,1,0", true, Kennfeldzeile::Art::ungueltig, false},
        {";*9,1", true, Kennfeldzeile::Art::ungueltig, false},
        {"*abc,1,0", true, Kennfeldzeile::Art::ungueltig, false},
        {"*9", true, Kennfeldzeile::Art::Kennfeld, false},
        {"*9,76[1]", true, Kennfeldzeile::Art::Kennfeld, false},
        // A bare 0 where a P field stands makes the line short.
        {"*9,,0,#0,#0,0,1,0,0,0,1000,0,1,0,1000,0,100,1,1,0,#0,#0,#0,#0,#0,#0,#0,F,T,X,Y,U,V,W,H",
         true, Kennfeldzeile::Art::Kennfeld, false},
        {"*9,,0,#0,#0,0,1,0,0,0,1000,0,1,0,1000,0,100,1,1,#0,#0,#0,#0,#0,#0,#0,#0,F,T,X,Y,U,V,W,H",
         true, Kennfeldzeile::Art::Kennfeld, true},
        // Without rebuild only fields 3 to 17 count.
        {"*9,,0,#0,#0,0,1,0,0,0,1000,0,1,0,1000,0,100", false, Kennfeldzeile::Art::Kennfeld, true},
        {"*9,,0,#0,#0,0,1,0,0,0,1000,0,1,0,1000,0,100", true, Kennfeldzeile::Art::Kennfeld, false},
        {"*9,,0,#0,#0,0,1,0,0,0,1000,0,1,0,1000,0", false, Kennfeldzeile::Art::Kennfeld, false},
        // A live source without memory makes the line short.
        {"*9,,0,#20003,#0,0,1,0,0,0,1000,0,1,0,1000,0,100", false, Kennfeldzeile::Art::Kennfeld,
         false},
        {"*5,,Ignition angle", true, Kennfeldzeile::Art::Zuendeditor, false},
        {"*#7,,0", false, Kennfeldzeile::Art::Kennfeld, false},
        {"*-1", true, Kennfeldzeile::Art::Kennfeld, false},
        {"*X100,,2,Ignition", true, Kennfeldzeile::Art::Zuendkennfeld, false},
    };
    for (const Zeilenfall& f : faelle) {
        Testzugriff z;
        const Kennfeldzeile k = lies_Kennfeldzeile(QString::fromLatin1(f.zeile), f.neu, z);
        EXPECT_EQ(k.art, f.art) << f.zeile;
        EXPECT_EQ(k.vollstaendig, f.vollstaendig) << f.zeile;
    }
}

TEST(Kennfeldbeschreibung, IgnitionLinesAndMapNumbers) {
    Testzugriff z;
    Kennfeldzeile k = lies_Kennfeldzeile(QStringLiteral("*5,,Ignition angle"), true, z);
    EXPECT_EQ(k.Zuendtitel, QStringLiteral("Ignitionangle"));
    EXPECT_TRUE(k.Titel_gelesen);
    k = lies_Kennfeldzeile(QStringLiteral("*55,60[1]|61,Correction,x"), true, z);
    EXPECT_EQ(k.Nummer, 55);
    EXPECT_EQ(k.Bedingung, QStringLiteral("60[1]|61,"));
    EXPECT_EQ(k.Zuendtitel, QStringLiteral("Correction"));
    k = lies_Kennfeldzeile(QStringLiteral("*5,"), true, z);
    EXPECT_FALSE(k.Titel_gelesen);
    // Without rebuild an ignition editor's line ends after its condition.
    k = lies_Kennfeldzeile(QStringLiteral("*55,61,Correction"), false, z);
    EXPECT_EQ(k.Zuendtitel, QString());
    k = lies_Kennfeldzeile(QStringLiteral("*X12,,5,Ignition 16"), true, z);
    EXPECT_EQ(k.Nummer, 0x12);
    EXPECT_EQ(k.Typ, 5);
    EXPECT_EQ(k.Zuendtitel, QStringLiteral("Ignition16"));
    // The map number from a parameter's ECU value.
    k = lies_Kennfeldzeile(QStringLiteral("*#8,,0"), true, z);
    EXPECT_EQ(k.Nummer, -3);
    // Step digit and row as written; the map window keeps them in its table.
    k = lies_Kennfeldzeile(
        QStringLiteral("*300,,0,#0,#0,0,0,0,0,0,1,0,1,0,10,0,1,7,,I,T,X,Y,U,V,W,H"), true, z);
    EXPECT_TRUE(k.vollstaendig);
    EXPECT_EQ(k.Schrittzeile, 7);
    EXPECT_EQ(k.Schrittziffer, '\0');
}

// --- the whole file against the map lists ---------------------------------------------------

#include "ecusim/Identitaet.h"
#include "link/LinkFixture.h"
#include "link/UKommunikation.h"
#include "model/Modellkennfelder.h"
#include "model/UKennfeld.h"
#include "model/UKennfelder.h"
#include "model/UParameter.h"
#include "model/UZuendkennfeld.h"

#include <QIODevice>
#include <cstring>
#include <memory>

namespace {

// A file that delivers its first bytes and then fails, as a disk or network share that goes
// away while it is read.
class Abbrechende_Datei : public QIODevice {
public:
    Abbrechende_Datei(QByteArray inhalt, qsizetype bis) : inhalt_(std::move(inhalt)), bis_(bis) {
        open(QIODevice::ReadOnly);
    }

protected:
    qint64 readData(char* daten, qint64 max) override {
        if (pos_ >= bis_)
            return -1;
        const qint64 n = std::min<qint64>(max, bis_ - pos_);
        std::memcpy(daten, inhalt_.constData() + pos_, static_cast<size_t>(n));
        pos_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray inhalt_;
    qsizetype bis_;
    qsizetype pos_ = 0;
};

// The program without windows, the catalogue made and both lists built as the main window
// does, connected to an ECU of the simulator's default identity (type 1, version 6.15).
// Its definition file holds a few parameters and the test's description lines.
class Beschreibungsumgebung {
public:
    explicit Beschreibungsumgebung(const ecusim::Identitaetsdaten& id = {})
        : id_(id), katalog(*k.kontext) {
        baue_Kennfeldlisten(kf(), katalog, menue_zaehler);
        // A data item with a buffer of its own, for live values in area 4711.
        k.kontext->ecu_Liste().einfuegen({4711, 4711, true, 8, element.data(), 16});
        // The ECU tells who it is: the definitions load, and read the description.
        schreibe({});
        const QByteArray a = ecusim::baue_Identitaet(id_);
        std::copy(a.begin(), a.end(), k.version().Antwortbereich.begin());
        k.version().Antwort();
    }
    ~Beschreibungsumgebung() { kf().vergiss_Kennfelder(); }

    Kennfelder& kf() { return k.kontext->kennfelder(); }
    Kennfeldbeschreibung& leser() { return k.kontext->kennfeldbeschreibung(); }
    cl_Parameter& p() { return k.kontext->parameter(); }
    QString Datei() const {
        return QStringLiteral("T-SIMQuorvel-%1-%2-%3.TXT")
            .arg(id_.ECU_Typ)
            .arg(id_.Typnummer)
            .arg(id_.Version, 4, 10, QLatin1Char('0'));
    }
    QString Pfad() const { return k.ordner.datei(QStringLiteral("Language/English/") + Datei()); }

    static QStringList Definitionen() {
        return {"-246,MOTOR,5,0,0", "-1003,MOTOR,5,0,2", "-20000,MOTOR,5,1,0",
                "-20005,MOTOR,5,4711,2"};
    }
    // Writes the file and reads it with rebuild.
    void lade(const QStringList& zeilen) {
        schreibe(zeilen);
        leser().lade_Kennfeld_Definitionen(true);
    }
    void schreibe(const QStringList& zeilen) {
        k.ordner.schreibe(QStringLiteral("Language/English/") + Datei(), Definitionen() + zeilen);
    }

    QStringList Angebot() { return ::Angebot(kf()); }
    QStringList Angebotene_Karten() {
        QStringList s = Angebot();
        s.removeAll(QStringLiteral("-"));
        return s;
    }
    cl_Kennfeld* beschrieben(int nr) { return beschriebenes_Kennfeld(kf(), nr); }

    ecusim::Identitaetsdaten id_;
    LinkKontext k;
    Modellfabrik katalog;
    Menuezaehler menue_zaehler;
    std::vector<uint8_t> element = std::vector<uint8_t>(16);
};

// A complete line for map nr: condition, type, X max, and the rest fixed (Y 0..100, raw
// 0..1000, value 0..500, step row 2 digit 4, P1..P8 = #1..#8 below 256).
QString Zeile(int nr, const QString& bedingung, int typ, const QString& x_max,
              const QString& titel = QStringLiteral("Map")) {
    QString z = QStringLiteral("*%1,%2,%3,#0,#0,0,0,0,0,0,%4,0,100,0,1000,0,500,2,4,")
                    .arg(nr)
                    .arg(bedingung)
                    .arg(typ)
                    .arg(x_max);
    if (nr < 256)
        z += QStringLiteral("#1,#2,#3,#4,#5,#6,#7,#8,");
    return z + QStringLiteral("K%1,%2,Speed,Load,rpm,%,ms,Help").arg(nr).arg(titel);
}

} // namespace

TEST(Kennfeldbeschreibungsdatei, CatalogueLinesOfferTheirMapsInCatalogueOrder) {
    Beschreibungsumgebung u;
    // Field 1 invalid: ignored, also before the first valid line.
    const int menues = u.menue_zaehler.erstellt;
    u.lade({"*abc,1", "*", "x9", "*9,76[1]", "*0", "*5,,Ignition angle", "*22,,0,bad"});
    EXPECT_EQ(u.menue_zaehler.erstellt, menues + 1);
    // 22 before 9 and 0 in the catalogue; the editor from its line, with its title.
    const QStringList karten = u.Angebotene_Karten();
    EXPECT_EQ(QSet<QString>(karten.begin(), karten.end()), (QSet<QString>{"0", "9", "22", "Z1"}));
    EXPECT_EQ(u.kf().Zuendung().Titel, QStringLiteral("Ignitionangle"));
    EXPECT_EQ(u.kf().suche_in_alle(9)->Bedingung, QStringLiteral("76[1]"));
    EXPECT_TRUE(u.Angebot().contains(QStringLiteral("-")));
    EXPECT_TRUE(u.k.meldungen.texte.isEmpty());
}

TEST(Kennfeldbeschreibungsdatei, FileOrderAfterAnUnknownOrNegativeNumber) {
    Beschreibungsumgebung u;
    u.lade({"*9", "*0", "*-1", "*22,76", Zeile(300, QString(), 0, "4000"), "*-5", "*0",
            // a short line of an unknown map, and a complete one of a known map
            "*301,,0,#0", Zeile(4, "131", 0, "#246")});
    EXPECT_EQ(u.Angebot(), (QStringList{"0", "9", "-", "22", "300", "-", "0", "4"}));
    EXPECT_EQ(u.kf().suche_in_alle(22)->Bedingung, QStringLiteral("76"));
    // A complete line of a built-in map in file order takes its ranges, not its condition.
    EXPECT_EQ(u.kf().suche_in_alle(4)->Bedingung, QString());
    EXPECT_EQ(u.kf().beschriebene_Kennfelder().size(), 1u);

    // An unknown number ends the catalogue mode too: the offers before it without separators.
    u.lade({"*9", "*0", "*999,,0", "*22"});
    EXPECT_EQ(u.Angebot(), (QStringList{"0", "9", "22"}));
}

TEST(Kennfeldbeschreibungsdatei, ADescribedMapIsMadeOnceAndUpdatedByLaterReads) {
    Beschreibungsumgebung u;
    u.p().setze_Wert(246, 2500);
    const QStringList datei = {"*-1", Zeile(300, "1003[0]", 1, "#246", "Map 300"),
                               Zeile(140, QString(), 0, "3000", "Map 140")};
    u.lade(datei);
    ASSERT_EQ(u.kf().beschriebene_Kennfelder().size(), 2u);
    cl_Kennfeld* a = u.beschrieben(300);
    cl_Kennfeld* b = u.beschrieben(140);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(u.Angebot(), (QStringList{"-", "300", "140"}));
    // 256 and above: no P fields, the field after the step digit is the id.
    EXPECT_EQ(a->Kennung, QStringLiteral("K300"));
    EXPECT_EQ(a->Titel, QStringLiteral("Map300"));
    EXPECT_EQ(a->Parameter_Nr, (std::array<int32_t, 9>{}));
    EXPECT_TRUE(a->ist_Datenelement());
    EXPECT_EQ(a->Bedingung, QStringLiteral("1003[0],"));
    EXPECT_EQ(a->X_max, 2500);
    EXPECT_EQ(b->Parameter_Nr, (std::array<int32_t, 9>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_FALSE(b->ist_Datenelement());
    EXPECT_EQ(b->Schrittzeile, 2);
    EXPECT_EQ(b->Schritt, Schrittweiten[2][3]);
    EXPECT_EQ(b->Y_max, 100);
    EXPECT_EQ(b->Roh_max, 1000);
    EXPECT_EQ(b->Z_max, 500);

    // The same file again: the same maps, their ranges from the new values, title and
    // condition as they were.
    u.p().setze_Wert(246, 1800);
    a->setze_Bedingung(QStringLiteral("60"));
    const size_t eintraege = InterAction().Anzahl();
    u.k.kontext->kennfeldbeschreibung().lade_Kennfeld_Definitionen(true);
    EXPECT_EQ(u.kf().beschriebene_Kennfelder().size(), 2u);
    EXPECT_EQ(u.beschrieben(300), a);
    EXPECT_EQ(a->X_max, 1800);
    EXPECT_EQ(a->Bedingung, QStringLiteral("60"));
    EXPECT_EQ(u.Angebot(), (QStringList{"-", "300", "140"}));
    EXPECT_EQ(InterAction().Anzahl(), eintraege);
}

TEST(Kennfeldbeschreibungsdatei, StepRowAndDigitOutsideTheTableAreClamped) {
    struct Fall {
        const char* zeile_ziffer; // fields 18 and 19
        int zeile;
        int spalte;
    };
    const Fall faelle[] = {
        {"9,0", 4, 0}, {"-3,9", 0, 8}, {"1,", 1, 0}, {"3,A", 3, 8}, {"0, 7", 0, 6}};
    for (const Fall& f : faelle) {
        Beschreibungsumgebung u;
        u.lade({QStringLiteral("*300,,0,#0,#0,0,0,0,0,0,4000,0,100,0,1000,0,1000,%1,"
                               "K,T,X,Y,U,V,W,H")
                    .arg(QLatin1String(f.zeile_ziffer))});
        const cl_Kennfeld* k = u.beschrieben(300);
        ASSERT_TRUE(k) << f.zeile_ziffer;
        EXPECT_EQ(k->Schrittzeile, f.zeile) << f.zeile_ziffer;
        EXPECT_EQ(k->Schritt,
                  Schrittweiten[static_cast<size_t>(f.zeile)][static_cast<size_t>(f.spalte)])
            << f.zeile_ziffer;
    }
}

TEST(Kennfeldbeschreibungsdatei, IgnitionEditorLinesInBothModes) {
    Beschreibungsumgebung u;
    // Catalogue mode: the second editor takes its condition; an empty title keeps the first
    // editor's caption and gives the second one its default.
    u.lade({"*0", "*5", "*55,60[1]"});
    EXPECT_TRUE(u.kf().Zuendung().angeboten);
    EXPECT_TRUE(u.kf().Zuendung_2().angeboten);
    EXPECT_EQ(u.kf().Zuendung_2().Bedingung, QStringLiteral("60[1]"));
    EXPECT_EQ(u.kf().Zuendung_2().Titel, hole_Text(1209));
    // File order: appended where they stand, the condition not taken.
    u.lade({"*-1", "*55,61,Correction", "*0", "*5,,First"});
    EXPECT_EQ(u.Angebot(), (QStringList{"-", "Z2", "0", "Z1"}));
    EXPECT_EQ(u.kf().Zuendung_2().Bedingung, QStringLiteral("60[1]"));
    EXPECT_EQ(u.kf().Zuendung_2().Titel, QStringLiteral("Correction"));
    EXPECT_EQ(u.kf().Zuendung().Titel, QStringLiteral("First"));
    u.lade({"*-1", "*5"});
    EXPECT_EQ(u.kf().Zuendung().Titel, hole_Text(270));
}

TEST(Kennfeldbeschreibungsdatei, TheFirstIgnitionMapIsEnteredOnceHoweverOftenTheFileIsRead) {
    Beschreibungsumgebung u;
    cl_Zuendung zuendung(u.k.link(), u.k.version(), u.k.kontext->kommunikation(), 1);
    u.leser().Zuendkennfeld = &zuendung;
    int gelesen = 0;
    InterAction().Create(
        cl_Zuendung::Klasse, [&](Sender&) { ++gelesen; }, cl_Zuendung::Karte1_gelesen);
    u.lade({"*0", "*5", "*X150,,5,Ignition 16"});
    u.leser().lade_Kennfeld_Definitionen(true);
    u.leser().lade_Kennfeld_Definitionen(true);
    EXPECT_TRUE(zuendung.Datenelement);
    EXPECT_TRUE(zuendung.Spalten_16);
    EXPECT_EQ(zuendung.Datenelement_Nr, 0x150);
    EXPECT_EQ(u.kf().Zuendung().Titel, QStringLiteral("Ignition16"));
    int im_Verzeichnis = 0;
    const cl_ECU_Liste& liste = u.k.kontext->ecu_Liste();
    for (int i = 0; i < liste.Anzahl(); ++i)
        im_Verzeichnis += liste[i].Nummer == 0x150;
    EXPECT_EQ(im_Verzeichnis, 1);
    InterAction_ausfuehren(u.k.kontext->kommunikation(), 0x150);
    EXPECT_EQ(gelesen, 1);

    // Type 2: the line transfer and 8 columns; a read without rebuild leaves it alone.
    u.lade({"*0", "*5", "*X150,,2,,"});
    EXPECT_FALSE(zuendung.Datenelement);
    EXPECT_FALSE(zuendung.Spalten_16);
    EXPECT_EQ(u.kf().Zuendung().Titel, QString());
    zuendung.Datenelement = true;
    u.leser().lade_Kennfeld_Definitionen(false);
    EXPECT_TRUE(zuendung.Datenelement);
}

TEST(Kennfeldbeschreibungsdatei, ADataItemValueReadsTheRangesAgainWithoutRebuild) {
    Beschreibungsumgebung u;
    schreibe_Wort(u.element.data() + 2, 3000);
    u.lade({"*-1", Zeile(9, QString(), 0, "#20005"), Zeile(300, QString(), 0, "#20005")});
    // Read twice: the item's notification is registered once.
    u.leser().lade_Kennfeld_Definitionen(true);
    cl_Kennfeld* neun = u.kf().suche_in_alle(9);
    cl_Kennfeld* k300 = u.beschrieben(300);
    ASSERT_TRUE(neun && k300);
    EXPECT_EQ(neun->X_max, 3000);
    const QStringList vorher = u.Angebot();
    const int menues = u.menue_zaehler.erstellt;

    // The item arrives with a new value: one read without rebuild (registered once), which
    // changes the offered maps' ranges and nothing else, and tells no one.
    schreibe_Wort(u.element.data() + 2, 1200);
    int reads = 0;
    u.leser().oeffne = [&, original = u.leser().oeffne](const QString& pfad) {
        ++reads;
        return original(pfad);
    };
    InterAction_ausfuehren(u.k.kontext->kommunikation(), 4711);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(neun->X_max, 1200);
    EXPECT_EQ(k300->X_max, 1200);
    EXPECT_EQ(u.Angebot(), vorher);
    EXPECT_EQ(u.menue_zaehler.erstellt, menues);
    EXPECT_EQ(u.kf().beschriebene_Kennfelder().size(), 1u);
    EXPECT_TRUE(u.k.meldungen.texte.isEmpty());
}

TEST(Kennfeldbeschreibungsdatei, AReadErrorFinishesTheRebuildFromTheLinesReadAndSaysSoOnce) {
    Beschreibungsumgebung u;
    u.lade({"*-1", "*9", "*10", "*22", "*0"});
    ASSERT_EQ(u.Angebot(), (QStringList{"-", "9", "10", "22", "0"}));
    const int menues = u.menue_zaehler.erstellt;

    struct Fall {
        QStringList zeilen;
        const char* bis; // the read fails after this text
        QStringList angebot;
    };
    const Fall faelle[] = {
        // Still in catalogue mode: the catalogue order with its separators, of 0 and 22.
        {{"*0", "*22", "*4", "*7"}, "*22\r\n*4", {}},
        // In file order: what came before, without the line it broke off in.
        {{"*9", "*-1", "*22", "*10,,0,#0,#0,0,0,0,0,0,1000"},
         "*10,,0,#0,#0,0,0,0,0,0,10",
         {"9", "-", "22"}},
    };
    int n = menues;
    for (const Fall& f : faelle) {
        u.k.meldungen.texte.clear();
        QByteArray inhalt;
        for (const QString& z : Beschreibungsumgebung::Definitionen() + f.zeilen)
            inhalt += z.toLatin1() + "\r\n";
        const qsizetype bis = inhalt.indexOf(f.bis) + qsizetype(std::strlen(f.bis));
        QString geoeffnet;
        u.leser().oeffne = [&](const QString& pfad) {
            geoeffnet = pfad;
            return std::make_unique<Abbrechende_Datei>(inhalt, bis);
        };
        u.leser().lade_Kennfeld_Definitionen(true);
        EXPECT_EQ(u.menue_zaehler.erstellt, ++n);
        if (f.angebot.isEmpty()) {
            const QStringList karten = u.Angebotene_Karten();
            EXPECT_EQ(QSet<QString>(karten.begin(), karten.end()), (QSet<QString>{"0", "22"}));
            EXPECT_GT(u.Angebot().size(), 2);
        } else {
            EXPECT_EQ(u.Angebot(), f.angebot);
        }
        EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(541) + geoeffnet});
        EXPECT_TRUE(geoeffnet.endsWith(u.Datei()));

        // Without rebuild the same failure tells no one.
        u.k.meldungen.texte.clear();
        u.leser().lade_Kennfeld_Definitionen(false);
        EXPECT_TRUE(u.k.meldungen.texte.isEmpty());
    }
}

TEST(Kennfeldbeschreibungsdatei, AMissingFileIsReportedOnRebuildAndChangesNothing) {
    Beschreibungsumgebung u;
    u.lade({"*35", "*42"});
    const QStringList vorher = u.Angebot();
    QFile::remove(u.Pfad());
    u.k.meldungen.texte.clear();
    u.leser().lade_Kennfeld_Definitionen(false);
    EXPECT_TRUE(u.k.meldungen.texte.isEmpty());
    u.leser().lade_Kennfeld_Definitionen(true);
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(541) + u.Pfad()});
    EXPECT_EQ(u.Angebot(), vorher);
    // The built-in defaults were not given again.
    EXPECT_TRUE(u.kf().suche_in_alle(35)->verfuegbar);
    EXPECT_FALSE(u.kf().suche_in_alle(0)->verfuegbar);
}

TEST(Kennfeldbeschreibungsdatei, AType5EcuOffersTheFirstIgnitionEditorWithItsFirstLine) {
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 5;
    Beschreibungsumgebung u(id);
    // No valid line: the type-5 defaults stand, which are the first ignition editor alone.
    u.lade({"; nothing but comments", "*"});
    QStringList karten = u.Angebotene_Karten();
    EXPECT_EQ(karten, QStringList{"Z1"});
    // The first valid line clears the offers and offers that editor again.
    u.lade({"*0", "*22"});
    karten = u.Angebotene_Karten();
    EXPECT_EQ(QSet<QString>(karten.begin(), karten.end()), (QSet<QString>{"Z1", "0", "22"}));
}

TEST(Kennfeldbeschreibungsdatei, NothingIsReadBeforeTheMapListsExist) {
    LinkKontext k;
    Modellfabrik karten(*k.kontext);
    Menuezaehler menue;
    Kennfelder& kf = k.kontext->kennfelder();
    kf.erzeuge_Kennfelder(karten);
    kf.setze_Fabrik(std::make_unique<Weiterleitung>(karten));
    kf.setze_Menue(&menue);
    k.ordner.schreibe(QStringLiteral("Language/English/T-SIMQuorvel-1-400-0615.TXT"),
                      {QStringLiteral("*-1"), Zeile(300, QString(), 0, QStringLiteral("4000"))});
    k.kontext->kennfeldbeschreibung().lade_Kennfeld_Definitionen(true);
    const QByteArray a = ecusim::baue_Identitaet({});
    std::copy(a.begin(), a.end(), k.version().Antwortbereich.begin());
    k.version().Antwort();
    EXPECT_TRUE(kf.beschriebene_Kennfelder().empty());
    EXPECT_EQ(menue.erstellt, 0);
    EXPECT_TRUE(k.meldungen.texte.isEmpty());

    // Once they are built, the next read offers and makes.
    kf.erstelle_Kennfeldliste();
    k.kontext->kennfeldbeschreibung().lade_Kennfeld_Definitionen(true);
    EXPECT_EQ(Angebot(kf), (QStringList{"-", "300"}));
    EXPECT_EQ(menue.erstellt, 1);
    kf.vergiss_Kennfelder();
}
