#include "ecusim/Identitaet.h"
#include "link/LinkFixture.h"
#include "link/UKommunikation.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// The program without windows, and the definition files of the simulated ECU's default
// identity (T-SIM, manufacturer 1, type 1, type number 400, version 6.15, hardware 400).
class Parameterumgebung {
public:
    Parameterumgebung() = default;

    cl_Parameter& p() { return k.kontext->parameter(); }
    cl_Version& v() { return k.version(); }

    static QString Datei(const ecusim::Identitaetsdaten& id = {}) {
        return QStringLiteral("T-SIMQuorvel-%1-%2-%3.TXT")
            .arg(id.ECU_Typ)
            .arg(id.Typnummer)
            .arg(id.Version, 4, 10, QLatin1Char('0'));
    }
    void schreibe(const QString& sprache, const QStringList& zeilen,
                  const ecusim::Identitaetsdaten& id = {}) {
        k.ordner.schreibe(QStringLiteral("Language/") + sprache + '/' + Datei(id), zeilen);
    }
    // The identity answer, which reloads the definitions.
    void melde(const ecusim::Identitaetsdaten& id = {}) {
        const QByteArray a = ecusim::baue_Identitaet(id);
        std::copy(a.begin(), a.end(), v().Antwortbereich.begin());
        v().Antwort();
    }
    cl_Parameter_Eingabedaten* definition(int nummer, const QString& gruppe = {}) {
        for (const auto& d : p().Definitionen())
            if (d->Nummer == nummer && (gruppe.isEmpty() || d->Gruppe == gruppe))
                return d.get();
        return nullptr;
    }
    QStringList Gruppenschluessel() {
        QStringList s;
        for (const clGruppe& g : p().Gruppen())
            s << g.Schluessel;
        return s;
    }

    LinkKontext k;
};

} // namespace

TEST(Parameterdefinitionen, ConditionsAreReadStrictlyLeftToRight) {
    Parameterumgebung u;
    u.schreibe(QStringLiteral("English"), {"-60,MOTOR,5,0,0", "-61,MOTOR,5,0,2", "-62,MOTOR,5,0,4",
                                           "-1,MOTOR,5,0,6", "-65535,MOTOR,5,1,0"});
    u.melde();
    cl_Parameter& p = u.p();
    ASSERT_EQ(p.Definitionen().size(), 5u);
    // The highest number is a live value, in the main live record.
    std::array<uint8_t, 84> satz{};
    p.Live_Datensatz = [&](int bereich) {
        return bereich == 1 ? std::span<uint8_t>(satz) : std::span<uint8_t>();
    };

    struct Fall {
        const char* bedingung;
        std::map<int, int> werte;
        bool ergebnis;
    };
    const Fall faelle[] = {
        {"60", {{60, 0}}, false},
        {"60", {{60, 1}}, true},
        {"61", {{61, -3}}, false},
        {"60|61", {{60, 0}, {61, 2}}, true},
        {"60&61", {{60, 1}, {61, 0}}, false},
        {"60&61", {{60, 1}, {61, 1}}, true},
        {"60[1,3-5]", {{60, 4}}, true},
        {"60[1,3-5]", {{60, 1}}, true},
        {"60[1,3-5]", {{60, 2}}, false},
        {"60[1,3-5]", {{60, 6}}, false},
        {"61[0-5]", {{61, -3}}, false},
        // "|" ends the evaluation when the result so far holds, whatever follows.
        {"60|61&62", {{60, 1}, {61, 0}, {62, 0}}, true},
        {"60|61&62", {{60, 0}, {61, 1}, {62, 0}}, false},
        {"60&61|62", {{60, 0}, {61, 1}, {62, 1}}, true},
        {"60&61|62", {{60, 1}, {61, 1}, {62, 0}}, true},
        {"60&61&62", {{60, 1}, {61, 1}, {62, 0}}, false},
        // Blanks and other characters between terms are skipped.
        {" 60 & 61 ", {{60, 1}, {61, 1}}, true},
        {"$3C", {{60, 1}}, true},
        {"$3C[$2]", {{60, 2}}, true},
        // A parameter without a definition is 0.
        {"999", {}, false},
        {"999|60", {{60, 1}}, true},
        // A first term that cannot be read makes the condition true; a later one ends it
        // with the result so far.
        {"", {}, true},
        {"abc", {}, true},
        {"60[", {{60, 0}}, true},
        {"60&", {{60, 0}}, false},
        {"60|61[2", {{60, 0}, {61, 2}}, false},
        {"60&61[x]", {{60, 1}, {61, 0}}, true},
        {"1[2-4]&60", {{1, 3}, {60, 1}}, true},
        // A number beyond 16 bits names no parameter.
        {"70000", {{65535, 1}}, false},
        {"65535", {{65535, 1}}, true},
    };
    for (const Fall& f : faelle) {
        for (int n : {60, 61, 62, 1, 65535})
            p.setze_Wert(n, 0);
        for (const auto& [n, w] : f.werte)
            p.setze_Wert(n, w);
        p.suche_Parameter(62);
        EXPECT_EQ(p.pruefe_Bedingung(QString::fromLatin1(f.bedingung)), f.ergebnis) << f.bedingung;
        EXPECT_EQ(p.Cursor(), u.definition(62)) << "the cursor moved: " << f.bedingung;
    }
}

TEST(Parameterdefinitionen, ActiveFlagsFollowConditionsAndHardware) {
    Parameterumgebung u;
    u.schreibe(QStringLiteral("English"),
               {"-60,LAMBDA,3,0,0", "-61,LAMBDA,3,0,1,0,60", "-70,MOTOR,3,0,2", ":300,310-320",
                "-71,MOTOR,3,0,3", ":410,400-405", "-72,MOTOR,3,0,4", ":3x0,400"});
    struct Fall {
        int hardware;
        bool aktiv70;
    };
    for (const Fall f :
         {Fall{300, true}, Fall{305, false}, Fall{310, true}, Fall{320, true}, Fall{321, false}}) {
        ecusim::Identitaetsdaten id;
        id.Hardware_Haupt = static_cast<uint16_t>(f.hardware);
        u.melde(id);
        EXPECT_EQ(u.definition(70)->aktiv, f.aktiv70) << f.hardware;
    }
    u.melde();
    EXPECT_TRUE(u.definition(71)->aktiv);
    // A malformed hardware list ends the walk with the definition disabled.
    EXPECT_FALSE(u.definition(72)->freigegeben);

    cl_Parameter& p = u.p();
    EXPECT_FALSE(u.definition(61)->aktiv);
    EXPECT_EQ(p.zaehle_Gruppe(QStringLiteral("LAMBDA")), 1);
    p.setze_Wert(60, 1);
    EXPECT_FALSE(p.pruefe_alle_Bedingungen());
    EXPECT_TRUE(u.definition(61)->aktiv);
    EXPECT_TRUE(p.pruefe_alle_Bedingungen());
    ASSERT_TRUE(p.erster_in_Gruppe(QStringLiteral("LAMBDA")));
    EXPECT_EQ(p.Cursor()->Nummer, 60);
    ASSERT_TRUE(p.naechster_in_Gruppe());
    EXPECT_EQ(p.Cursor()->Nummer, 61);
    EXPECT_FALSE(p.naechster_in_Gruppe());
    EXPECT_EQ(p.Cursor(), nullptr);
}

// The language folder's file wins; the English and German files add only what it lacks.
TEST(Parameterdefinitionen, TheSecondAndThirdFolderAddOnlyWhatTheFirstLacks) {
    Parameterumgebung u;
    // German is the chosen language here.
    glob().Pfad_Sprache = glob().Pfad_Deutsch;
    u.schreibe(QStringLiteral("Deutsch"),
               {".MOTOR,Motor,", "-5,MOTOR,4,0,10", "/Zylinder", "-6,MOTOR,4,0,20", "/Ohne Hilfe"});
    u.schreibe(QStringLiteral("English"),
               {".MOTOR,Engine,", ".IGN,Ignition,60", "-5,MOTOR,4,0,12", "/Cylinders",
                "'English help", "#1,8", "-6,MOTOR,4,0,22", "'Help from English", "'second line",
                "-5,IGN,4,0,30", "/Cylinders in ignition", "-7,IGN,3,0,40", "/Only in English"});
    // The German folder is the language folder here; it is read once, first.
    u.melde();

    const auto* d5 = u.definition(5, QStringLiteral("MOTOR"));
    ASSERT_NE(d5, nullptr);
    EXPECT_EQ(d5->Offset, 10);
    EXPECT_EQ(d5->Text, QStringLiteral("Zylinder"));
    EXPECT_EQ(d5->Minimum, -32768);
    EXPECT_EQ(d5->Hilfe, QStringList{"English help"});
    // Help lines come from a later file only where the first had none.
    EXPECT_EQ(u.definition(6)->Hilfe, (QStringList{"Help from English", "second line"}));
    EXPECT_EQ(u.definition(6)->Offset, 20);
    // The same number in another group is a definition of its own.
    ASSERT_NE(u.definition(5, QStringLiteral("IGN")), nullptr);
    EXPECT_EQ(u.definition(5, QStringLiteral("IGN"))->Offset, 30);
    EXPECT_EQ(u.definition(7)->Text, QStringLiteral("Only in English"));
    EXPECT_EQ(u.p().Definitionen().size(), 4u);
    // The group lines replace the defaults; a key already there is not taken again.
    EXPECT_EQ(u.Gruppenschluessel(), (QStringList{"MOTOR", "IGN"}));
    EXPECT_EQ(u.p().Gruppen()[0].Gruppenname, QStringLiteral("Motor"));
    EXPECT_EQ(u.p().Gruppen()[1].Bedingung, QStringLiteral("60"));
    EXPECT_TRUE(u.p().Definitionen_geladen());
}

TEST(Parameterdefinitionen, EveryLineKindOfAFile) {
    Parameterumgebung u;
    QByteArray datei = "; a comment\r\n"
                       "+1,1\r\n"
                       "-100,IDLE ,5,0,12,1,60 | 61[1,2]\r\n"
                       "/Korrektur der Leerlaufdrehzahl \x84\x94\x81\x8E\x99\x9A\xE1 \xB5\r\n"
                       "'Hilfe eins\r\n"
                       "'  Hilfe zwei\r\n"
                       "#-500.5,500\r\n"
                       "\r\n"
                       "-$65,IDLE,2,$10,$0E\r\n"
                       "#-10\r\n"
                       ". SPECIAL ,Special functions  , 1[4-8]\r\n"
                       ".LEER\r\n";
    u.k.ordner.schreibe_roh(QStringLiteral("Language/English/") + Parameterumgebung::Datei(),
                            datei);
    u.melde();
    const auto* d = u.definition(100);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Gruppe, QStringLiteral("IDLE"));
    EXPECT_EQ(d->Typ, 5);
    EXPECT_EQ(d->Bereich, 0);
    EXPECT_EQ(d->Offset, 12);
    EXPECT_TRUE(d->Flash);
    EXPECT_EQ(d->Bedingung, QStringLiteral("60 | 61[1,2]"));
    // The DOS umlauts become their Windows-1252 letters; the rest is Windows-1252 already.
    EXPECT_EQ(d->Text, QStringLiteral("Korrektur der Leerlaufdrehzahl äöüÄÖÜß µ"));
    EXPECT_EQ(d->Hilfe, (QStringList{"Hilfe eins", "  Hilfe zwei"}));
    EXPECT_DOUBLE_EQ(d->Minimum, -500.5);
    EXPECT_DOUBLE_EQ(d->Maximum, 500);
    const auto* h = u.definition(0x65);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->Bereich, 16);
    EXPECT_EQ(h->Offset, 14);
    EXPECT_FALSE(h->Flash);
    EXPECT_DOUBLE_EQ(h->Minimum, -10);
    EXPECT_DOUBLE_EQ(h->Maximum, 32767);
    EXPECT_TRUE(u.p().Definitionsdatei_Plus);
    ASSERT_EQ(u.p().Gruppen().size(), 2u);
    EXPECT_EQ(u.p().Gruppen()[0].Schluessel, QStringLiteral("SPECIAL"));
    EXPECT_EQ(u.p().Gruppen()[0].Gruppenname, QStringLiteral("Special functions  "));
    EXPECT_EQ(u.p().Gruppen()[0].Bedingung, QStringLiteral("1[4-8]"));
    EXPECT_EQ(u.p().Gruppen()[1].Schluessel, QStringLiteral("LEER"));

    // Each area became a data item (area + 10000) and extra memory on both sides; an area
    // above 2 in software above 6.00 sends the parameters through the data items.
    cl_ECU_Liste& liste = u.k.kontext->ecu_Liste();
    ASSERT_NE(liste.suche_Index(10016), nullptr);
    EXPECT_EQ(liste.suche_Index(10016)->Id, 16);
    EXPECT_FALSE(liste.suche_Index(10016)->nicht_Sammel);
    EXPECT_NE(u.p().Bereich(0, 16), nullptr);
    EXPECT_NE(u.p().Bereich(1, 16), nullptr);
    EXPECT_TRUE(u.p().ueber_Datenelemente);
    ecusim::Identitaetsdaten alt;
    alt.Version = 600;
    u.k.ordner.schreibe_roh(QStringLiteral("Language/English/") + Parameterumgebung::Datei(alt),
                            datei);
    u.melde(alt);
    EXPECT_FALSE(u.p().ueber_Datenelemente);
}

TEST(Parameterdefinitionen, AFileWithoutGroupLinesKeepsTheDefaultGroups) {
    Parameterumgebung u;
    u.schreibe(QStringLiteral("English"), {"-1,MOTOR,4,0,0"});
    // The flag of another ECU's file does not outlive its definitions.
    u.p().Definitionsdatei_Plus = true;
    u.melde();
    EXPECT_FALSE(u.p().Definitionsdatei_Plus);
    const std::vector<clGruppe>& g = u.p().Gruppen();
    ASSERT_EQ(g.size(), 34u);
    EXPECT_EQ(g[0].Schluessel, QStringLiteral("DATAVERSION"));
    EXPECT_EQ(g[0].Gruppenname, hole_Text(159));
    EXPECT_EQ(g[4].Bedingung, QStringLiteral("60"));
    EXPECT_EQ(g[26].Gruppenname, QStringLiteral("Schrittmotor"));
    EXPECT_EQ(g[33].Schluessel, QStringLiteral("SPECIAL"));
}

TEST(Parameterdefinitionen, AMissingFileIsReportedWithItsPathAndNoOtherFolderIsTried) {
    Parameterumgebung u;
    u.schreibe(QStringLiteral("Deutsch"), {"-1,MOTOR,4,0,0"});
    u.melde();
    const QString pfad =
        u.k.ordner.datei(QStringLiteral("Language/English/")) + Parameterumgebung::Datei();
    ASSERT_FALSE(hole_Text(541).isEmpty());
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(541) + pfad});
    EXPECT_TRUE(u.p().Definitionen().empty());
    EXPECT_FALSE(u.p().Definitionen_geladen());
    EXPECT_EQ(u.p().Gruppen().size(), 34u);
}

TEST(Parameterdefinitionen, AMalformedFileLoadsWhatIsValidAndNothingElse) {
    Parameterumgebung u;
    QByteArray datei = "-x,MOTOR,4,0,0\r\n"
                       "-2,MOTOR,12,0,0\r\n"
                       "/text of nothing\r\n"
                       "-3,MOTOR,4,0\r\n"
                       "-4,MOTOR,4,0,$1G\r\n"
                       "-5,MOTOR,4,0,8,x\r\n"
                       "-6,MOTOR,-1,0,0\r\n"
                       "?unknown kind\r\n"
                       "-10,MOTOR,4,0,0\r\n"
                       "/Valid\r\n"
                       "#abc,5\r\n"
                       "#1,zz\r\n"
                       "#nan,5\r\n"
                       "#-inf\r\n"
                       ":\r\n"
                       "+\r\n"
                       ".\r\n"
                       "\x01\x02\xFF\xFE\r\n"
                       "-11,MOTOR,4,0,1999\r\n"
                       "-12,MOTOR,8,0,1998\r\n"
                       "-14,MOTOR,4,300,3000000000\r\n"
                       "-15,MOTOR,4,300,131072\r\n"
                       "-16,MOTOR,4,300,131070\r\n"
                       "-13,MOT";
    datei.append(QByteArray(3, '\0'));
    u.k.ordner.schreibe_roh(QStringLiteral("Language/English/") + Parameterumgebung::Datei(),
                            datei);
    u.melde();
    EXPECT_TRUE(u.k.meldungen.texte.isEmpty());
    QList<int> nummern;
    for (const auto& d : u.p().Definitionen())
        nummern << d->Nummer;
    // Offsets no data item can reach are malformed.
    EXPECT_EQ(nummern, (QList<int>{10, 11, 12, 16}));
    const auto* d = u.definition(10);
    EXPECT_EQ(d->Text, QStringLiteral("Valid"));
    EXPECT_DOUBLE_EQ(d->Minimum, -32768);
    EXPECT_DOUBLE_EQ(d->Maximum, 32767);
    // An empty hardware list enables nothing.
    EXPECT_FALSE(d->freigegeben);
    EXPECT_EQ(u.p().Gruppen().size(), 34u);
    EXPECT_FALSE(u.p().Definitionsdatei_Plus);

    // A value past the end of the 2000-byte image reads 0 and is never written.
    cl_Parameter& p = u.p();
    p.Bild_neu.fill(0x55);
    p.ECU_Bild.fill(0x55);
    EXPECT_EQ(p.Wert(11), 0);
    EXPECT_EQ(p.Wert(12), 0);
    EXPECT_EQ(p.Text_ECU(), QString());
    p.setze_Wert(12, 0x12345678);
    p.setze_Wert(11, 0x1234);
    p.suche_Parameter(12);
    p.setze_Text_neu(QStringLiteral("7"));
    EXPECT_TRUE(
        std::all_of(p.Bild_neu.begin(), p.Bild_neu.end(), [](uint8_t b) { return b == 0x55; }));
    EXPECT_TRUE(
        std::all_of(p.ECU_Bild.begin(), p.ECU_Bild.end(), [](uint8_t b) { return b == 0x55; }));
}

TEST(Parameterwerte, TypedValuesReadSetAndEnteredAsText) {
    Parameterumgebung u;
    u.schreibe(QStringLiteral("English"), {"-100,T,0,0,0",  "#0,100",        "-101,T,1,0,2",
                                           "#0,5",          "-102,T,2,0,4",  "#0,90",
                                           "-103,T,3,0,5",  "#0,255",        "-104,T,4,0,6",
                                           "#0,65535",      "-105,T,5,0,8",  "#-500,500",
                                           "-106,T,6,0,10", "#-30,30",       "-107,T,7,0,12",
                                           "#0,65535",      "-108,T,8,0,14", "#-1000000,1000000",
                                           "-109,T,9,0,18", "#0,4294967295", "-110,T,5,0,22",
                                           "-111,T,9,0,24", "#0,1e30",       "-112,T,4,0,28",
                                           "#-1e30,1e30",   "-113,T,0,0,30", "#-100,100"});
    u.melde();
    cl_Parameter& p = u.p();

    struct Fall {
        int nummer;
        int64_t roh;         // stored with setze_Wert
        int64_t gespeichert; // what reads back
        const char* text;    // as shown
    };
    const Fall gesetzt[] = {
        {100, 100, 100, "80"},
        {100, 200, 125, "100"}, // raw limits 0..125 from the display limits 0..100
        {101, 1023, 1023, " 5.00"},
        {101, 450, 450, " 2.20"},
        {101, 1000, 1000, " 4.89"}, // 4.88 with 1024 as divisor
        {113, -50, -50, "-40"},
        {113, -200, -125, "-100"},
        {102, 255, 255, "90"},
        {102, 51, 51, "18"},
        {103, 200, 200, "200"},
        {104, 65535, 65535, "65535"},
        {105, 65535, -1, "-1"}, // a 16-bit word from a file or a data item
        {105, 40000, -500, "-500"},
        {105, -120, -120, "-120"},
        {106, 65531, -5, "-5"},
        {106, -31, -30, "-30"},
        {107, 0x1A2B, 0x1A2B, "1A2B"},
        {108, -100000, -100000, "-100000"},
        {109, 0xDEADBEEF, 0xDEADBEEF, "DEADBEEF"},
        {110, 32767, 32767, "32767"},
        // Limits far beyond any raw value limit nothing.
        {111, 5, 5, "5"},
        {112, 7, 7, "7"},
    };
    for (const Fall& f : gesetzt) {
        p.setze_Wert(f.nummer, f.roh);
        EXPECT_EQ(p.Wert(f.nummer), f.gespeichert) << f.nummer << " " << f.roh;
        EXPECT_EQ(p.Wert_neu(f.nummer), f.gespeichert) << f.nummer << " " << f.roh;
        EXPECT_EQ(p.Text_ECU(), QString::fromLatin1(f.text)) << f.nummer << " " << f.roh;
    }

    struct Eingabe {
        int nummer;
        const char* text;
        int64_t roh;
    };
    const Eingabe eingaben[] = {
        {100, "100", 125},
        {100, "200", 125},
        {100, "-5", 0},
        {113, "-40", -50},
        {113, "-33", -41},
        {101, "2.5", 512},
        {101, "2,5", 512},
        {101, "9", 1023}, // 511.5 to even
        {102, "45", 128},
        {102, "-1", 0}, // 127.5 to even
        {103, "12,5", 12},
        {103, "13.5", 14},
        {103, "999", 255},
        {104, "65535", 65535},
        {105, "-600", -500},
        {105, " 42 ", 42},
        {106, "-5", -5},
        {107, "ff", 0xFF},
        {107, "1A2B", 0x1A2B},
        {107, "12345", 0xFFFF},
        {108, "-100000", -100000},
        {109, "DEADBEEF", 0xDEADBEEF},
        {103, "abc", 0},
    };
    for (const Eingabe& e : eingaben) {
        ASSERT_TRUE(p.suche_Parameter(e.nummer));
        p.setze_Text_neu(QString::fromLatin1(e.text));
        EXPECT_EQ(p.hole_Rohwert_neu(), e.roh) << e.nummer << " " << e.text;
    }
    // Text entry goes into the edited image only.
    p.setze_Wert(103, 7);
    p.suche_Parameter(103);
    p.setze_Text_neu(QStringLiteral("9"));
    EXPECT_EQ(p.Wert(103), 7);
    EXPECT_EQ(p.Wert_neu(103), 9);
    // Without a definition: 0, the empty text, nothing written.
    EXPECT_EQ(p.Wert(4711), 0);
    EXPECT_EQ(p.Cursor(), nullptr);
    EXPECT_EQ(p.Text_neu(), QString());
}

TEST(Parameterwerte, TheCursorsAccessorsAndTheAreasAddresses) {
    Parameterumgebung u;
    u.schreibe(QStringLiteral("English"),
               {"-1,M,7,0,4", "/Mask", "#-2.5,300", "-2,M,4,300,2", "-3,M,4,301,0"});
    u.melde();
    cl_Parameter& p = u.p();
    ASSERT_TRUE(p.suche_Parameter(1));
    EXPECT_EQ(p.hole_Text(), QStringLiteral("Mask"));
    EXPECT_EQ(p.hole_Typ(), 7);
    EXPECT_DOUBLE_EQ(p.hole_Min(), -2.5);
    EXPECT_DOUBLE_EQ(p.hole_Max(), 300);
    EXPECT_FALSE(p.suche_Parameter(4));
    EXPECT_EQ(p.hole_Text(), QString());
    EXPECT_EQ(p.hole_Typ(), 0);
    EXPECT_DOUBLE_EQ(p.hole_Min(), 0);
    EXPECT_DOUBLE_EQ(p.hole_Max(), 0);

    // Areas 0..2 are the images; an extra area is its words, on its side.
    for (int b : {0, 1, 2}) {
        EXPECT_EQ(p.Bereichsadresse(0, b).data(), p.ECU_Bild.data()) << b;
        EXPECT_EQ(p.Bereichsadresse(1, b).data(), p.Bild_neu.data()) << b;
        EXPECT_EQ(p.Bereichsadresse(1, b).size(), 2000u) << b;
    }
    p.setze_Wert(2, 0x1234);
    EXPECT_EQ(p.Bereichsadresse(0, 300).size(), 4u);
    EXPECT_EQ(p.Bereichsadresse(0, 300)[2], 0x34);
    EXPECT_EQ(p.Bereichsadresse(1, 300)[3], 0x12);
    EXPECT_TRUE(p.Bereichsadresse(0, 4711).empty());
    // A new area goes to the ECU side only; the first of an id counts.
    p.Bereich_anlegen(4711, 3);
    EXPECT_EQ(p.Bereichsadresse(0, 4711).size(), 6u);
    EXPECT_TRUE(p.Bereichsadresse(1, 4711).empty());
    p.Bereich_anlegen(301, 8);
    EXPECT_EQ(p.Bereichslaenge(301), 0);
}

TEST(Parameterwerte, ExtraAreasReadZeroPastTheirEndAndGrowWhenWritten) {
    Parameterumgebung u;
    u.schreibe(QStringLiteral("English"), {"-1,M,4,300,0", "-2,M,8,300,10", "-3,M,4,301,0"});
    u.melde();
    cl_Parameter& p = u.p();
    const uint16_t worte[] = {7, 8};
    p.schreibe_Bereich(300, 0, worte, 2);
    p.Bereich_uebernehmen(300);
    EXPECT_EQ(p.Wert(1), 7);
    EXPECT_EQ(p.Wert(2), 0);
    EXPECT_EQ(p.Bereichslaenge(300), 2);
    p.setze_Wert(2, -2);
    EXPECT_EQ(p.Wert(2), -2);
    EXPECT_EQ(p.Wert_neu(2), -2);
    EXPECT_EQ(p.Bereichslaenge(300), 7);
    EXPECT_EQ(p.Wert(1), 7);
    // Copies between the sides create and lengthen, never shorten.
    p.setze_Wert(3, 5);
    p.suche_Parameter(3);
    p.setze_Rohwert_neu(9);
    p.Bereich_zurueck(301);
    EXPECT_EQ(p.Wert(3), 9);
    p.schreibe_Bereich(302, 4, worte, 2);
    EXPECT_EQ(p.Bereichslaenge(302), 6);
    p.Bereich_uebernehmen(302);
    ASSERT_NE(p.Bereich(1, 302), nullptr);
    EXPECT_EQ(p.Bereich(1, 302)->Worte, (std::vector<uint16_t>{0, 0, 0, 0, 7, 8}));
}

TEST(Parameterwerte, SoftwareThreeHundredOverridesThreeValues) {
    Parameterumgebung u;
    ecusim::Identitaetsdaten id;
    id.Version = 350;
    u.schreibe(QStringLiteral("English"),
               {"-8,M,5,0,0", "-10,M,5,0,2", "-220,M,5,0,4", "-9,M,5,0,6"}, id);
    u.melde(id);
    cl_Parameter& p = u.p();
    for (int n : {8, 10, 220, 9})
        p.setze_Wert(n, 12);
    EXPECT_EQ(p.Wert(8), -30);
    EXPECT_EQ(p.Wert(10), -30);
    EXPECT_EQ(p.Wert(220), 0);
    EXPECT_EQ(p.Wert(9), 12);
    EXPECT_EQ(p.Wert_neu(8), 12);
}

TEST(Parameterset, AreaSizeByIdentity) {
    Parameterumgebung u;
    struct Fall {
        int hersteller;
        int version;
        int groesse;
    };
    const Fall faelle[] = {{1, 516, 600},  {1, 517, 800},   {4, 520, 800},   {4, 546, 1000},
                           {4, 550, 1000}, {4, 599, 1000},  {4, 600, 800},   {1, 614, 800},
                           {1, 615, 1000}, {1, 640, 1000},  {1, 649, 1000},  {1, 650, 1400},
                           {2, 640, 1400}, {1, 1610, 1000}, {1, 1627, 1400}, {1, 700, 1400}};
    for (const Fall& f : faelle) {
        ecusim::Identitaetsdaten id;
        id.Hersteller = static_cast<uint16_t>(f.hersteller);
        id.Version = static_cast<uint16_t>(f.version);
        u.melde(id);
        EXPECT_EQ(u.p().Groesse(), f.groesse) << f.hersteller << " " << f.version;
    }
}

TEST(Parameterset, BitCountOfTheCylinderMaskUpToParameterOne) {
    Parameterumgebung u;
    u.schreibe(QStringLiteral("English"), {"-1,M,5,0,0", "-2396,M,4,0,2", "#0,65535"});
    u.melde();
    cl_Parameter& p = u.p();
    struct Fall {
        int p1;
        int maske;
        int bits;
    };
    const Fall faelle[] = {{-1, 0xFFFF, 0},  {0, 0x0001, 1},    {0, 0x0002, 0},
                           {3, 0x00FF, 4},   {3, 0x00F0, 0},    {4, 0x00F0, 1},
                           {15, 0xFFFF, 16}, {100, 0xFFFF, 16}, {7, 0xB6, 5}};
    for (const Fall& f : faelle) {
        p.setze_Wert(1, f.p1);
        p.setze_Wert(2396, f.maske);
        p.Befehl = cl_Parameter::Befehl_Lesen;
        p.Antwort();
        EXPECT_EQ(p.Bitzahl, f.bits) << f.p1 << " " << f.maske;
        EXPECT_EQ(p.P1_ohne_Bits, f.p1 - f.bits) << f.p1 << " " << f.maske;
    }
}

TEST(Parameterset, AnswersAnnounceTwiceAroundTheMapDescriptionThenRefreshTheMenus) {
    Parameterumgebung u;
    u.schreibe(QStringLiteral("English"), {"-1,M,4,0,0"});
    u.melde();
    cl_Parameter& p = u.p();
    QStringList ablauf;
    for (int e : {cl_Parameter::Geschrieben, cl_Parameter::Gelesen})
        InterAction().Create(
            cl_Parameter_Daten::Klasse,
            [&ablauf, e](Sender&) { ablauf << QStringLiteral("event %1").arg(e); }, e);
    p.starte_Statusdaten = [&] { ablauf << QStringLiteral("live data"); };
    p.lies_Kennfeldbeschreibung = [&] { ablauf << QStringLiteral("maps"); };
    p.aktualisiere_Menues = [&] { ablauf << QStringLiteral("menus"); };

    p.setze_Wert(1, 3);
    p.suche_Parameter(1);
    p.setze_Rohwert_neu(9);
    p.Befehl = cl_Parameter::Befehl_Schreiben;
    p.Antwort();
    EXPECT_EQ(ablauf, (QStringList{"event 1", "live data", "maps", "event 1", "menus"}));
    EXPECT_EQ(p.ECU_Bild, p.Bild_neu);
    EXPECT_EQ(p.Wert(1), 9);

    ablauf.clear();
    p.setze_Rohwert_neu(4);
    p.Befehl = cl_Parameter::Befehl_Lesen;
    p.Antwort();
    EXPECT_EQ(ablauf, (QStringList{"event 2", "live data", "maps", "event 2", "menus"}));
    EXPECT_EQ(p.Wert_neu(1), 9);
}

TEST(Parameterset, AChangedFlashParameterIsStoredInFlashAfterTheWrite) {
    Parameterumgebung u;
    u.schreibe(QStringLiteral("English"), {"-1,M,4,0,0,1", "-2,M,4,0,2"});
    u.melde();
    cl_Parameter& p = u.p();
    int gesichert = 0;
    p.ins_Flash_sichern = [&] { ++gesichert; };
    // Only the flagged parameter counts.
    p.suche_Parameter(2);
    p.setze_Rohwert_neu(5);
    EXPECT_TRUE(p.schreiben());
    EXPECT_EQ(gesichert, 0);
    EXPECT_TRUE(u.k.meldungen.texte.isEmpty());
    p.stoppen();

    p.suche_Parameter(1);
    p.setze_Rohwert_neu(5);
    p.schreiben();
    EXPECT_EQ(gesichert, 1);
    ASSERT_FALSE(hole_Text(157).isEmpty());
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(157)});
    EXPECT_TRUE(p.aktiv);
    EXPECT_EQ(p.Befehl, cl_Parameter::Befehl_Schreiben);
    EXPECT_EQ(p.Sendelaenge, 1000);

    // A write asked while one is under way starts nothing, so nothing goes to flash.
    p.suche_Parameter(1);
    p.setze_Rohwert_neu(6);
    EXPECT_FALSE(p.schreiben()) << "the refusal reaches the caller";
    EXPECT_EQ(gesichert, 1);
    EXPECT_EQ(u.k.meldungen.texte.size(), 1);
    // Neither does a read asked meanwhile change the transfer under way.
    p.lesen();
    EXPECT_EQ(p.Befehl, cl_Parameter::Befehl_Schreiben);
    EXPECT_EQ(p.Sendelaenge, 1000);
}

TEST(Parameterset, ThroughDataItemsTheFlashStoreFollowsTheLastAcknowledgement) {
    Parameterumgebung u;
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 7;
    id.Version = 620;
    u.schreibe(QStringLiteral("English"), {"-1,M,4,272,0,1", "-2,M,4,273,2000"}, id);
    u.melde(id);
    // The password-state query the identity answer started is not this test's transfer.
    u.k.link().alle_stoppen();
    cl_Parameter& p = u.p();
    ASSERT_TRUE(p.ueber_Datenelemente);
    cl_Kommunikation& kom = u.k.kontext->kommunikation();
    int gesichert = 0;
    p.ins_Flash_sichern = [&] { ++gesichert; };
    // As a read leaves them: area 272 of one word, area 273 of 1001 words (three messages).
    p.setze_Wert(1, 0);
    p.setze_Wert(2, 0);
    p.suche_Parameter(1);
    p.setze_Rohwert_neu(5);
    p.schreiben();
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(157)});
    int nachrichten = 0;
    for (; kom.aktiv && nachrichten < 10; ++nachrichten) {
        ASSERT_EQ(kom.Befehl, cl_Kommunikation::Befehl_Schreiben) << nachrichten;
        EXPECT_EQ(gesichert, 0) << nachrichten;
        kom.aktiv = false;
        kom.Antwort();
    }
    EXPECT_EQ(nachrichten, 3);
    EXPECT_EQ(gesichert, 1);
    // A later write without a changed flash parameter stores nothing.
    p.schreiben();
    kom.aktiv = false;
    kom.Antwort();
    EXPECT_EQ(gesichert, 1);
}

TEST(Parameterset, LiveValuesHaveAnAddressInsideTheirRecord) {
    Parameterumgebung u;
    u.schreibe(QStringLiteral("English"), {"-20000,M,4,1,10", "-20001,M,4,2,83",
                                           "-20002,M,4,10257,4", "-20003,M,4,3,0", "-5,M,4,0,0"});
    u.melde();
    cl_Parameter& p = u.p();
    std::array<uint8_t, 84> satz{};
    satz[10] = 0x34;
    satz[11] = 0x12;
    p.Live_Datensatz = [&](int bereich) {
        return bereich == 1 || bereich == 2 ? std::span<uint8_t>(satz) : std::span<uint8_t>();
    };
    uint8_t* adresse = nullptr;
    int element = 0;
    ASSERT_TRUE(p.Adresse_virtuell(20000, adresse, element));
    EXPECT_EQ(adresse, satz.data() + 10);
    EXPECT_EQ(element, -1);
    EXPECT_EQ(p.Wert(20000), 0x1234);
    // A value reaching past its record has no address.
    EXPECT_FALSE(p.Adresse_virtuell(20001, adresse, element));
    EXPECT_EQ(adresse, nullptr);
    EXPECT_EQ(p.Wert(20001), 0);
    EXPECT_FALSE(p.Adresse_virtuell(20003, adresse, element));
    EXPECT_FALSE(p.Adresse_virtuell(5, adresse, element));
    EXPECT_FALSE(p.Adresse_virtuell(20002, adresse, element));

    // A data item named by its item number.
    std::array<uint8_t, 16> puffer{};
    puffer[4] = 9;
    u.k.kontext->ecu_Liste().einfuegen({10257, 4711, true, 8, puffer.data(), 16});
    ASSERT_TRUE(p.Adresse_virtuell(20002, adresse, element));
    EXPECT_EQ(adresse, puffer.data() + 4);
    EXPECT_EQ(element, 4711);
    EXPECT_EQ(p.Wert(20002), 9);
}

TEST(Parameterdefinitionen, EveryIdentityAnswerOfTypeSevenRefillsTheDirectory) {
    Parameterumgebung u;
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 7;
    id.Version = 620;
    u.schreibe(QStringLiteral("English"), {"-1,M,4,273,0", "-2,M,4,272,0"}, id);
    u.melde(id);
    cl_ECU_Liste& liste = u.k.kontext->ecu_Liste();
    const auto ids = [&] {
        std::vector<int> v;
        for (int i = 0; i < liste.Anzahl(); ++i)
            v.push_back(liste[i].Id);
        return v;
    };
    // The built-in items, then the definitions' areas (272 is built in already).
    EXPECT_EQ(ids(), (std::vector<int>{17, 66, 81, 257, 272, 273, 305}));
    EXPECT_EQ(liste.suche_Code(273)->Nummer, 10273);
    EXPECT_TRUE(u.p().ueber_Datenelemente);
    liste.einfuegen({4711, 4711, true, 0, nullptr, 0});
    u.melde(id);
    EXPECT_EQ(ids(), (std::vector<int>{17, 66, 81, 257, 272, 273, 305}));
    // Another ECU type leaves the directory as it is.
    liste.einfuegen({4711, 4711, true, 0, nullptr, 0});
    ecusim::Identitaetsdaten anderer;
    anderer.Version = 620;
    u.melde(anderer);
    EXPECT_EQ(liste.suche_Index(4711)->Id, 4711);
    EXPECT_FALSE(u.k.version().Datenelement_Protokoll);
}

TEST(Parameterset, ALiveValueDefinedTwiceUsesItsOwnPlaceAndWidth) {
    Parameterumgebung u;
    // The same live value in three groups: one byte at the record's end, a word at its
    // start, four bytes at its start (flash).
    u.schreibe(QStringLiteral("English"),
               {"-20000,A,3,1,83", "-20000,MOTOR,4,1,0", "-20000,B,8,1,0,1", "#-100000,100000"});
    u.melde();
    cl_Parameter& p = u.p();
    // On the heap and exactly as long as the record, so that a step past it is caught.
    std::vector<uint8_t> satz(84);
    satz[0] = 0x10;
    satz[1] = 0x27;
    satz[83] = 7;
    p.Live_Datensatz = [&](int bereich) {
        return bereich == 1 ? std::span<uint8_t>(satz) : std::span<uint8_t>();
    };
    const auto* a = u.definition(20000, QStringLiteral("A"));
    const auto* motor = u.definition(20000, QStringLiteral("MOTOR"));
    const auto* b = u.definition(20000, QStringLiteral("B"));
    ASSERT_TRUE(a && motor && b);

    EXPECT_EQ(p.Wert_als_Text(*a, 0), QStringLiteral("7"));
    EXPECT_EQ(p.Wert_als_Text(*motor, 0), QStringLiteral("10000"));
    EXPECT_EQ(p.Wert_als_Text(*b, 1), QStringLiteral("10000"));
    // Writing compares every flash value of both images.
    p.schreiben();
    p.setze_Wert_aus_Text(*b, 1, QStringLiteral("-2"));
    EXPECT_EQ(satz[0], 0xFE);
    EXPECT_EQ(satz[3], 0xFF);
    EXPECT_EQ(satz[4], 0);
    EXPECT_EQ(satz[83], 7);
    EXPECT_EQ(p.hole_Rohwert(*b, 0), -2);
    EXPECT_EQ(p.hole_Rohwert(*a, 0), 7);
    // By number the first definition counts, as for every other parameter.
    uint8_t* adresse = nullptr;
    int element = 0;
    ASSERT_TRUE(p.Adresse_virtuell(20000, adresse, element));
    EXPECT_EQ(adresse, satz.data() + 83);
}

TEST(Parameterdefinitionen, ShowingValuesDuringAGroupWalkKeepsItsPlace) {
    Parameterumgebung u;
    // The live value's first definition lies in another group, before the walked one.
    u.schreibe(QStringLiteral("English"),
               {"-20000,MOTOR,4,1,0", "-7,G,4,0,0", "-20000,G,3,1,5", "-8,G,4,0,2", "-9,H,4,0,4"});
    u.melde();
    cl_Parameter& p = u.p();
    std::array<uint8_t, 84> satz{};
    satz[5] = 42;
    p.Live_Datensatz = [&](int bereich) {
        return bereich == 1 ? std::span<uint8_t>(satz) : std::span<uint8_t>();
    };
    std::vector<int> gesehen;
    QStringList texte;
    for (bool weiter = p.erster_in_Gruppe(QStringLiteral("G")); weiter && gesehen.size() < 10;
         weiter = p.naechster_in_Gruppe()) {
        gesehen.push_back(p.Cursor()->Nummer);
        texte << p.Text_neu() << p.Text_ECU();
        p.hole_Rohwert_ECU();
        p.hole_Rohwert_neu();
    }
    EXPECT_EQ(gesehen, (std::vector<int>{7, 20000, 8}));
    EXPECT_EQ(texte[2], QStringLiteral("42"));
    EXPECT_EQ(p.zaehle_Gruppe(QStringLiteral("G")), 3);
}
