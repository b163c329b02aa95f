#include "model/UFehlerdefinitionen.h"

#include "base/Uglobal.h"
#include "support/Fixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList Zeilen(std::initializer_list<const char*> z) {
    QStringList l;
    for (const char* s : z)
        l.append(QString::fromUtf8(s));
    return l;
}

struct Katalogfall {
    const char* name;
    QStringList zeilen;
    std::vector<cl_Fehler_Variable> erwartet;
};

TEST(Fehlerkatalog, Zeilen) {
    const Katalogfall faelle[] = {
        {"analogue with a name of blanks",
         Zeilen({"-12,2,0.1,1", "/ Oil pressure  "}),
         {{12, 2, QStringLiteral(" Oil pressure"), 0.1F, 1}}},
        {"id out of range, type out of range, bare id",
         Zeilen({"-70000,1", "-5,3", "-5"}),
         {{5, 0, QString(), 1.0F, 0}}},
        {"unreadable factor", Zeilen({"-7,2,abc,2"}), {{7, 2, QString(), 1.0F, 2}}},
        {"factor with a tail", Zeilen({"-7,2,0.5x"}), {{7, 2, QString(), 0.5F, 0}}},
        {"blanks, comments and names before any variable",
         Zeilen({"", "   ; -1,2", "/orphan", "   -3 , 1 , 2.5e1 , -4", "x-4", "  /Bit"}),
         {{3, 1, QStringLiteral("Bit"), 25.0F, 0}}},
        {"hexadecimal and a second name",
         Zeilen({"-$1F,2,0,3", "/first", "/second", "-0x10,1,0.0000001"}),
         {{31, 2, QStringLiteral("second"), 1.0F, 3}, {16, 1, QString(), 1.0F, 0}}},
        {"digits before a bad character",
         Zeilen({"-42abc,2z,1e-1,2x"}),
         {{42, 2, QString(), 0.1F, 2}}},
        {"sign and missing fields",
         Zeilen({"-+9", "--9", "-,1"}),
         {{9, 0, QString(), 1.0F, 0}, {0, 1, QString(), 1.0F, 0}}},
    };
    for (const Katalogfall& f : faelle) {
        SCOPED_TRACE(f.name);
        const auto v = cl_Fehler_Katalog::zerlege(f.zeilen);
        ASSERT_EQ(v.size(), f.erwartet.size());
        for (size_t i = 0; i < v.size(); ++i) {
            EXPECT_EQ(v[i].id, f.erwartet[i].id);
            EXPECT_EQ(v[i].Typ, f.erwartet[i].Typ);
            EXPECT_EQ(v[i].Name, f.erwartet[i].Name);
            EXPECT_FLOAT_EQ(v[i].Faktor, f.erwartet[i].Faktor);
            EXPECT_EQ(v[i].Nachkommastellen, f.erwartet[i].Nachkommastellen);
        }
    }
}

TEST(Fehlerkatalog, Dateiname) {
    EXPECT_EQ(cl_Fehler_Katalog::Dateiname(615), QStringLiteral("QRVE0615.TXT"));
    EXPECT_EQ(cl_Fehler_Katalog::Dateiname(7), QStringLiteral("QRVE0007.TXT"));
    EXPECT_EQ(cl_Fehler_Katalog::Dateiname(12345), QStringLiteral("QRVE12345.TXT"));
}

// A language folder of the test's own, with the texts the catalogue's messages use.
class Katalogordner : public ::testing::Test {
protected:
    void SetUp() override {
        daten.g.Pfad_Sprache = ordner.path();
        daten.texte.Zeilen.resize(440);
        daten.texte.Zeilen[434] = QStringLiteral("missing: ");
        daten.texte.Zeilen[435] = QStringLiteral("unreadable: ");
        installiere_Globaldaten(&daten);
    }
    void TearDown() override { installiere_Globaldaten(nullptr); }
    void schreibe(const QString& name, const QByteArray& inhalt) {
        QFile f(ordner.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
    }

    QTemporaryDir ordner;
    Globaldaten daten;
    Meldungsrekorder meldungen;
    cl_Fehler_Katalog katalog;
    cl_Fehler_Definitionen defs{katalog};
};

TEST_F(Katalogordner, LadenErsetztKatalogUndDefinitionen) {
    // Named in another letter case, as the file systems the program comes from ignore it.
    schreibe(QStringLiteral("qrve0615.txt"), "-3,2,0.1,1\r\n/Oil pressure\r\n-5,1\r\n/Switch\r\n");
    katalog.Variablen = {{9, 2, QStringLiteral("old"), 1.0F, 0}};
    defs.neue_Definition(9);

    EXPECT_TRUE(defs.lade_Variablendatei(615, meldungen));
    EXPECT_TRUE(defs.leer());
    EXPECT_EQ(defs.aktuell, -1);
    ASSERT_EQ(katalog.Variablen.size(), 2u);
    EXPECT_EQ(katalog.Variablen[1].Name, QStringLiteral("Switch"));
    EXPECT_TRUE(meldungen.texte.isEmpty());
}

TEST_F(Katalogordner, FehlendeDateiLaesstAllesStehen) {
    katalog.Variablen = {{9, 2, QStringLiteral("old"), 1.0F, 0}};
    defs.neue_Definition(9);

    EXPECT_FALSE(defs.lade_Variablendatei(620, meldungen));
    ASSERT_EQ(meldungen.texte.size(), 1);
    EXPECT_EQ(meldungen.texte[0], QStringLiteral("missing: ") + ordner.filePath("QRVE0620.TXT"));
    EXPECT_EQ(defs.Liste.size(), 1u);
    EXPECT_EQ(katalog.Variablen.size(), 1u);

    // Version 0: no ECU software, no catalogue, nothing said.
    EXPECT_FALSE(defs.lade_Variablendatei(0, meldungen));
    EXPECT_EQ(meldungen.texte.size(), 1);
}

TEST_F(Katalogordner, KatalogOhneVariable) {
    schreibe(QStringLiteral("QRVE0001.TXT"), "; nothing\r\n-70000,1\r\n");
    EXPECT_FALSE(defs.lade_Variablendatei(1, meldungen));
    EXPECT_TRUE(katalog.leer());
    EXPECT_TRUE(meldungen.texte.isEmpty());
}

TEST(Fehlerdefinitionen, Signalmuster) {
    const struct {
        const char* text;
        uint16_t muster;
    } faelle[] = {{"101", 5},
                  {"1x1", 1},
                  {"", 0},
                  {"101   ", 5},
                  {"1111111111111111", 0xFFFF},
                  {"11111111111111110", 0xFFFE},
                  {" 11", 3},
                  {"0000000000000001", 1}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.text);
        EXPECT_EQ(Text_als_Signalmuster(QString::fromUtf8(f.text)), f.muster);
    }
    EXPECT_EQ(Signalmuster_als_Text(5), QStringLiteral("0000000000000101"));
    EXPECT_EQ(Signalmuster_als_Text(0x8001), QStringLiteral("1000000000000001"));
    for (uint16_t m : {0, 1, 0x1234, 0xFFFF})
        EXPECT_EQ(Text_als_Signalmuster(Signalmuster_als_Text(m)), m);
}

TEST(Fehlerdefinitionen, Eingabe) {
    const struct {
        const char* text;
        double faktor;
        int32_t roh;
    } faelle[] = {
        {"1000", 0.01, 65000},   // capped
        {"-1000", 0.01, -32768}, // the 16 bits the ECU and the files carry
        {"-327.68", 0.01, -32768},
        {"650", 0.01, 65000},
        {"  1.5 ", static_cast<double>(0.1F), 15},
        {"2.5", 1.0, 2}, // halves to even
        {"3.5", 1.0, 4},
        {"-2.5", 1.0, -2},
        {"abc", 0.1, 0},
        {"", 1.0, 0},
        {"1,5", 0.1, 0}, // the display writes a point
        {"1e3", 1.0, 1000},
        {"inf", 1.0, 0},
        {"1e300", 1.0, 65000},
        {"-1e300", 1.0, -32768},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.text);
        EXPECT_EQ(Eingabe_zu_Roh(QString::fromUtf8(f.text), f.faktor), f.roh);
    }
    // What the display shows reads back as the same raw value.
    for (int32_t roh : {-32768, -5, 0, 15, 1234, 65000}) {
        const QString gezeigt = Roh_zu_Anzeige(roh, static_cast<double>(0.1F), 1);
        EXPECT_EQ(Eingabe_zu_Roh(gezeigt, static_cast<double>(0.1F)), roh) << gezeigt.toStdString();
    }
    EXPECT_EQ(Roh_zu_Anzeige(-5, 1.0, 0), QStringLiteral("        -5"));
}

TEST(Fehlerdefinitionen, Funktionsnummern) {
    const struct {
        int p;
        int position;
        int32_t funktion;
    } faelle[] = {{13, 0, 0},   {13, 12, 12},  {13, 13, 101}, {13, 17, 105}, {13, 28, 116},
                  {36, 35, 35}, {36, 36, 101}, {36, 51, 116}, {100, 14, 14}, {100, 99, 99}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(testing::Message() << "P " << f.p << " position " << f.position);
        EXPECT_EQ(Funktion_von_Position(f.position, f.p), f.funktion);
        EXPECT_EQ(Position_von_Funktion(f.funktion, f.p), f.position);
    }
    // With 15 functions a stored 105 names no item of the list.
    EXPECT_EQ(Position_von_Funktion(105, 100), 104);
}

// ---------------------------------------------------------------- the file

class Definitionsdatei : public ::testing::Test {
protected:
    Definitionsdatei() {
        katalog.Variablen = {{3, 2, QStringLiteral("Oil"), 0.1F, 1},
                             {5, 1, QStringLiteral("Switch"), 1.0F, 0},
                             {8, 0, QStringLiteral("Reset"), 1.0F, 0},
                             {40000, 2, QStringLiteral("High id"), 1.0F, 0}};
    }
    static QByteArray Paare(std::initializer_list<std::pair<int, int>> paare) {
        QByteArray b;
        for (auto [t, w] : paare) {
            uint8_t x[4];
            schreibe_Wort(x, static_cast<uint16_t>(t));
            schreibe_Wort(x + 2, static_cast<uint16_t>(w));
            b.append(reinterpret_cast<const char*>(x), 4);
        }
        return b;
    }
    cl_Fehler_Katalog katalog;
    cl_Fehler_Definitionen defs{katalog};
};

TEST_F(Definitionsdatei, SchreibenUndLesen) {
    defs.neue_Definition(3);
    cl_Fehler_limit a;
    a.Modus = 1;
    a.Ein = -5;
    a.Aus = -32768;
    a.Funktion = 104;
    a.Signalmuster = 0xA5A5;
    a.Signal_ein = 1;
    a.Test_Start = 1;
    a.Startbedingung = 1;
    cl_Fehler_limit b;
    b.Ein = 65000;
    b.speichern = 1;
    defs.aktuelle()->Grenzen = {a, b};
    defs.neue_Definition(8); // type 0: no rows
    defs.neue_Definition(40000);

    const QByteArray datei = Fehlerdefinitionsdatei::schreibe(defs);
    EXPECT_EQ(datei.left(4 * 4), Paare({{101, 3}, {201, 1}, {202, 65531}, {203, 32768}}));
    EXPECT_EQ(datei.size(), (1 + 9 + 9 + 1 + 1) * 4);
    // 65000 goes out as its 16 bits.
    EXPECT_EQ(datei.mid(11 * 4, 4), Paare({{202, 65000}}));

    const auto gelesen = Fehlerdefinitionsdatei::lies(datei, katalog);
    ASSERT_TRUE(gelesen);
    ASSERT_EQ(gelesen->size(), 3u);
    EXPECT_EQ((*gelesen)[0].Variable, 0);
    ASSERT_EQ((*gelesen)[0].Grenzen.size(), 2u);
    EXPECT_EQ((*gelesen)[0].Grenzen[0], a);
    // Read back sign-extended, as the ECU's 16-bit values are.
    EXPECT_EQ((*gelesen)[0].Grenzen[1].Ein, -536);
    EXPECT_EQ((*gelesen)[1].Variable, 2);
    EXPECT_TRUE((*gelesen)[1].Grenzen.empty());
    // An id above 32767 comes back.
    EXPECT_EQ((*gelesen)[2].Variable, 3);
}

TEST_F(Definitionsdatei, Lesefaelle) {
    EXPECT_FALSE(Fehlerdefinitionsdatei::lies(QByteArray(), katalog));
    EXPECT_FALSE(Fehlerdefinitionsdatei::lies(Paare({{101, 3}, {201, 1}}).chopped(1), katalog));
    EXPECT_FALSE(Fehlerdefinitionsdatei::lies(Paare({{101, 3}}).left(2), katalog));

    // An unknown variable's rows attach to nothing; rows before a definition, rows of a
    // type-0 variable and unknown tags are ignored; odd values stay as they are.
    const auto l = Fehlerdefinitionsdatei::lies(Paare({{202, 7},
                                                       {101, 5},
                                                       {201, 0x1FF},
                                                       {204, 105},
                                                       {205, 0x302},
                                                       {206, 9},
                                                       {999, 1},
                                                       {101, 77},
                                                       {201, 2},
                                                       {202, 11},
                                                       {101, 8},
                                                       {201, 1},
                                                       {202, 1},
                                                       {101, 3},
                                                       {202, 5},
                                                       {201, 0},
                                                       {203, 0xFFFF}}),
                                                katalog);
    ASSERT_TRUE(l);
    ASSERT_EQ(l->size(), 3u);
    ASSERT_EQ((*l)[0].Grenzen.size(), 1u);
    const cl_Fehler_limit& g = (*l)[0].Grenzen[0];
    EXPECT_EQ(g.Modus, 0xFF);
    EXPECT_EQ(g.Funktion, 105);
    EXPECT_EQ(g.speichern, 2);
    EXPECT_EQ(g.Signal_ein, 9);
    EXPECT_TRUE((*l)[1].Grenzen.empty());
    ASSERT_EQ((*l)[2].Grenzen.size(), 1u);
    EXPECT_EQ((*l)[2].Grenzen[0].Ein, 0);
    EXPECT_EQ((*l)[2].Grenzen[0].Aus, -1);
    // The rows read are numbered by the next transfer, not here.
    EXPECT_EQ((*l)[2].Grenzen[0].Nummer, 0u);
}

TEST_F(Definitionsdatei, DefinitionenBearbeiten) {
    EXPECT_FALSE(defs.neue_Definition(4));
    EXPECT_TRUE(defs.leer());
    defs.neue_Definition(3);
    defs.neue_Definition(8);
    defs.aktuell = 0;
    defs.neue_Definition_nach_aktueller(1); // Switch: one row, after the current one
    ASSERT_EQ(defs.Liste.size(), 3u);
    EXPECT_EQ(defs.aktuell, 1);
    EXPECT_EQ(defs.Liste[1].Variable, 1);
    EXPECT_EQ(defs.Liste[1].Grenzen.size(), 1u);
    EXPECT_TRUE(defs.benutzt(1));
    EXPECT_EQ(defs.suche_Variable(8), 2);
    EXPECT_EQ(defs.suche_Variable(9), -1);

    defs.aktuell = 2;
    defs.loesche_aktuelle();
    EXPECT_EQ(defs.aktuell, 1);
    EXPECT_FALSE(defs.benutzt(2));
    defs.aktuell = 0;
    defs.loesche_aktuelle();
    EXPECT_EQ(defs.aktuell, 0);
    EXPECT_EQ(defs.Liste[0].Variable, 1);
    defs.loesche_aktuelle();
    EXPECT_EQ(defs.aktuell, -1);
    EXPECT_EQ(defs.aktuelle(), nullptr);
}

TEST(Fehlerdefinitionen, GrenzenNachNummer) {
    std::vector<cl_Fehler_limit> g(2);
    g[0].Modus = 0;
    g[0].Ein = 10;
    g[0].Aus = 8;
    g[1].Modus = 3;
    nummeriere(g);
    EXPECT_EQ(g[1].Nummer, 2u);
    EXPECT_EQ(Modus_von(g, 1), 0);
    EXPECT_EQ(Modus_von(g, 2), 3);
    EXPECT_EQ(Modus_von(g, 3), 1);
    EXPECT_EQ(Grenzwert_von(g, 1, true), 10);
    EXPECT_EQ(Grenzwert_von(g, 1, false), 8);
    EXPECT_EQ(Grenzwert_von(g, 7, true), 0);
    EXPECT_EQ(Modus_von({}, 1), 1);
}

} // namespace

namespace {

TEST_F(Katalogordner, DefinitionsdateiLadenUndSpeichern) {
    katalog.Variablen = {{3, 2, QStringLiteral("Oil"), 0.1F, 1},
                         {5, 1, QStringLiteral("Sw"), 1, 0}};
    defs.neue_Definition(3);
    defs.aktuelle()->Grenzen.resize(2);
    defs.aktuelle()->Grenzen[1].Ein = -7;
    defs.neue_Definition(5);
    const QString pfad = ordner.filePath(QStringLiteral("Engine.01V"));
    ASSERT_TRUE(speichere_Definitionsdatei(pfad, defs, meldungen));
    const QByteArray ganz = [&] {
        QFile f(pfad);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    // Nothing but the version itself is left in the folder.
    EXPECT_EQ(QDir(ordner.path()).entryList(QDir::Files),
              QStringList{QStringLiteral("Engine.01V")});

    // A file cut inside a pair, and an empty one, change nothing.
    daten.texte.Zeilen[436] = QStringLiteral("not read");
    const auto Datei = [&](const QByteArray& inhalt) {
        QFile f(pfad);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(inhalt);
    };
    cl_Fehler_Definitionen andere{katalog};
    andere.neue_Definition(5);
    for (const QByteArray& kaputt : {ganz.chopped(2), QByteArray()}) {
        Datei(kaputt);
        EXPECT_FALSE(lade_Definitionsdatei(pfad, andere, meldungen));
        ASSERT_EQ(andere.Liste.size(), 1u);
        EXPECT_EQ(andere.aktuell, 0);
    }
    EXPECT_EQ(meldungen.texte,
              (QStringList{QStringLiteral("not read"), QStringLiteral("not read")}));
    EXPECT_FALSE(
        lade_Definitionsdatei(ordner.filePath(QStringLiteral("none.01V")), andere, meldungen));

    Datei(ganz);
    ASSERT_TRUE(lade_Definitionsdatei(pfad, andere, meldungen));
    ASSERT_EQ(andere.Liste.size(), 2u);
    EXPECT_EQ(andere.aktuell, 1);
    EXPECT_EQ(andere.Liste[0].Grenzen[1].Ein, -7);
    EXPECT_EQ(andere.Liste[0].Grenzen[1].Nummer, 2u);

    // A folder in the way: the write fails, is reported, and leaves no file behind.
    meldungen.texte.clear();
    const QString versperrt = ordner.filePath(QStringLiteral("Engine.02V"));
    QDir().mkpath(versperrt);
    EXPECT_FALSE(speichere_Definitionsdatei(versperrt, defs, meldungen));
    ASSERT_EQ(meldungen.texte.size(), 1);
    EXPECT_TRUE(meldungen.texte[0].contains(versperrt));
}

} // namespace
