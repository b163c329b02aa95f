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
