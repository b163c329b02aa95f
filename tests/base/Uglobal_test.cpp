#include "base/Uglobal.h"
#include "platform/Registry.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct TextFall {
    const char* name;
    QString ergebnis;
    QString erwartet;
};

void pruefe(const std::vector<TextFall>& faelle) {
    for (const TextFall& f : faelle)
        EXPECT_EQ(f.ergebnis, f.erwartet) << f.name;
}

} // namespace

TEST(Helfer, TextUndZahlen) {
    pruefe({
        {"trim", String_trimmen("  a b  "), "a b"},
        {"trim blanks only unchanged", String_trimmen("   "), "   "},
        {"trim tab kept", String_trimmen("\ta "), "\ta"},
        {"hex", Zahl_zu_Hex(255), "FF"},
        {"hex 0", Zahl_zu_Hex(0), "0"},
        {"hex negative 32-bit", Zahl_zu_Hex(-1), "FFFFFFFF"},
        {"zehntel", Zehntel_zu_Zeit(36615), "1:01:01,5"},
        {"zehntel 0", Zehntel_zu_Zeit(0), "0:00:00,0"},
        {"zehntel 100h", Zehntel_zu_Zeit(3600000LL), "100:00:00,0"},
        {"ms", ms_zu_Zeit(3661005), "1:01:01,005"},
        {"fix", Float_zu_String(7, 2, 3.14159), "   3.14"},
        {"fix half up", Float_zu_String(1, 1, 2.25), "2.3"},
        {"fix too wide", Float_zu_String(2, 2, -12.5), "-12.50"},
        {"fest cut", Float_zu_String_fest(3, 1, 1.99f), "1.9"},
        {"fest padded", Float_zu_String_fest(5, 1, 1.99f), "  1.9"},
        {"fest no decimals", Float_zu_String_fest(4, 0, 12.7f), "  12"},
        {"fest negative fits", Float_zu_String_fest(4, 1, -1.25f), "-1.2"},
        // An integer part wider than the field is shown whole, not cut to "3.4".
        {"fest too wide", Float_zu_String_fest(3, 1, 123.4f), "123.4"},
        {"fest sign kept", Float_zu_String_fest(2, 0, -45.0f), "-45"},
    });
    EXPECT_TRUE(ist_leer(""));
    EXPECT_TRUE(ist_leer("   "));
    EXPECT_FALSE(ist_leer(" x "));
}

TEST(Helfer, ParsenMitPraefixRegel) {
    const struct {
        const char* text;
        int32_t ganz;
        double gleit;
    } faelle[] = {
        {" 12ab", 12, 12.0}, {"ab", 0, 0.0},  {"-7", -7, -7.0},
        {"+3x", 3, 3.0},     {"3,5", 3, 3.5}, {"1.5e2", 1, 150.0},
        {"", 0, 0.0},        {"-", 0, 0.0},   {"2147483647", 2147483647, 2147483647.0},
        {"inf", 0, 0.0},     {"nan", 0, 0.0}, {"  -0,25 ", 0, -0.25},
    };
    for (const auto& f : faelle) {
        EXPECT_EQ(String_zu_Int(f.text), f.ganz) << f.text;
        EXPECT_DOUBLE_EQ(String_zu_Float(f.text), f.gleit) << f.text;
    }
    EXPECT_EQ(String_zu_Int("99999999999"), 999999999); // the prefix that still fits
    EXPECT_DOUBLE_EQ(Hex_zu_Zahl("1f-"), 31.0);
    EXPECT_DOUBLE_EQ(Hex_zu_Zahl(" 1f"), 0.0); // no trimming
    EXPECT_DOUBLE_EQ(Hex_zu_Zahl("FFFFFFFF"), 4294967295.0);
}

TEST(Helfer, RundenHalbeZurGeradenZahl) {
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(3.5), 4);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Round(std::nan("")), 0);
    EXPECT_EQ(Byte_zu_Prozent_mittig(128), 0);
    EXPECT_EQ(Byte_zu_Prozent_mittig(255), 99);
    EXPECT_EQ(Byte_zu_Prozent_mittig(0), -100);
    EXPECT_EQ(skaliere_255_auf_100(255), 100);
    EXPECT_EQ(skaliere_255_auf_90(255), 90);
    EXPECT_EQ(skaliere_90_auf_255(45), 128); // 127.5 rounds to the even 128
    EXPECT_EQ(mal_0_8(5), 4);
    EXPECT_EQ(mal_1_25(2), 2); // 2.5 rounds to 2
    EXPECT_EQ(mal_1_25(6), 8); // 7.5 rounds to 8
    EXPECT_FLOAT_EQ(ADC_zu_Volt(1023), 5.0f);
    EXPECT_EQ(Volt_zu_ADC(5.0f), 1023);
    EXPECT_EQ(Volt_zu_ADC(2.5f), 512); // 511.5 rounds to the even 512
    // Out of range values stop at the ends instead of wrapping around.
    EXPECT_EQ(Volt_zu_ADC(400.0f), 65535);
    EXPECT_EQ(Volt_zu_ADC(-1.0f), 0);
    EXPECT_EQ(skaliere_90_auf_255(std::numeric_limits<float>::max()),
              std::numeric_limits<int32_t>::max());
}

TEST(Helfer, NamenDerHerstellerUndTypen) {
    EXPECT_EQ(Hersteller_Name(1), "Quorvel");
    EXPECT_EQ(Hersteller_Name(22), "Tolvar-Power");
    EXPECT_EQ(Hersteller_Name(0), "");
    EXPECT_EQ(Hersteller_Name(23), "");
    EXPECT_EQ(Hersteller_Nummer("hollvik&tarn"), 7);
    EXPECT_EQ(Hersteller_Nummer("Unbekannt"), 0);
    EXPECT_EQ(ECU_Typ_Name(4), "Testbox");
    EXPECT_EQ(ECU_Typ_Name(8), "Bootloader");
    EXPECT_EQ(ECU_Typ_Name(9), "");
}

// ------------------------------------------------------------------ settings and texts

namespace {

// A program folder with the given language files and registry contents, initialised.
struct Start {
    Programmordner ordner;
    Globaldaten daten;
    Meldungsrekorder meldungen;

    void init(const QByteArray& registry, const QStringList& argumente = {}) {
        ordner.schreibe_roh("registry.ini", registry);
        Registry reg(ordner.registry());
        Uglobal_init(daten, reg, ordner.pfad(), argumente);
    }
};

} // namespace

TEST(Uglobal, OrdnerUndRegistry) {
    Start s;
    s.init("[SOFTWARE\\Quorvel\\Win Quorvel]\nLanguage=English\nCOM_Nr=3\nVundel-CWI=1\n", {"/T"});
    const Globale& g = s.daten.g;
    EXPECT_EQ(g.Pfad_Programm, s.ordner.pfad());
    EXPECT_EQ(g.Pfad_Daten, s.ordner.datei("DATA"));
    EXPECT_EQ(g.Pfad_Config, s.ordner.datei("CONFIG"));
    EXPECT_EQ(g.Pfad_Englisch, s.ordner.datei("Language/English"));
    EXPECT_EQ(g.Pfad_Deutsch, s.ordner.datei("Language/Deutsch"));
    EXPECT_EQ(g.Pfad_Sprache, s.ordner.datei("Language/English"));
    EXPECT_EQ(g.COM_Nr, 3);
    EXPECT_TRUE(g.Vundel_CWI);
    EXPECT_TRUE(g.Testmodus);
}

TEST(Uglobal, FehlendeWerteUndSchalter) {
    Start s;
    // No port number: CAN. The other values are read all the same.
    s.init("[SOFTWARE\\Quorvel\\Win Quorvel]\nVundel-CWI=1\n", {"/t", "x"});
    EXPECT_EQ(s.daten.g.COM_Nr, 0);
    EXPECT_TRUE(s.daten.g.Vundel_CWI);
    EXPECT_EQ(s.daten.g.Sprache, "Deutsch");
    EXPECT_FALSE(s.daten.g.Testmodus); // the switch is case-sensitive

    Start t;
    t.init("[SOFTWARE\\Quorvel\\Win Quorvel]\nCOM_Nr=zwei\nVundel-CWI=2\n");
    EXPECT_EQ(t.daten.g.COM_Nr, 0);
    EXPECT_FALSE(t.daten.g.Vundel_CWI);
}

TEST(Texte, HoleText) {
    Texte t;
    t.Zeilen = {"eins", "  a|b ", "", "|"};
    EXPECT_EQ(t.hole_Text(1), "eins");
    // "|" is the line break of labels and message boxes.
    EXPECT_EQ(t.hole_Text(2), QStringLiteral("a\nb "));
    EXPECT_EQ(t.hole_Text(3), "");
    EXPECT_EQ(t.hole_Text(4), QStringLiteral("\n"));
    EXPECT_EQ(t.hole_Text(5), "");
    EXPECT_EQ(t.hole_Text(0), "");
    EXPECT_EQ(t.hole_Text(-3), "");
}

TEST(Texte, LuekenAusEnglischDannDeutsch) {
    Start s;
    s.ordner.schreibe("Language/Francais/QORV4.TXT", {"un", "", "   ", "", "cinq"});
    s.ordner.schreibe("Language/English/QORV4.TXT",
                      {"one", "two", "three", "", "five", "six", "seven"});
    s.ordner.schreibe("Language/Deutsch/QORV4.TXT",
                      {"eins", "zwei", "drei", "vier", "fünf", "sechs", "sieben", "acht"});
    s.init("[SOFTWARE\\Quorvel\\Win Quorvel]\nLanguage=Francais\n");
    const Texte& t = s.daten.texte;
    EXPECT_EQ(t.hole_Text(1), "un");
    EXPECT_EQ(t.hole_Text(2), "two"); // empty line: English
    EXPECT_EQ(t.hole_Text(3), "");    // a line of blanks is kept (and shown trimmed)
    EXPECT_EQ(t.Zeilen[2], "   ");
    EXPECT_EQ(t.hole_Text(4), "vier"); // empty in English too: German
    EXPECT_EQ(t.hole_Text(6), "six");  // beyond the chosen file: English
    EXPECT_EQ(t.hole_Text(8), "acht"); // beyond English: German
    EXPECT_EQ(t.hole_Text(9), "");
    EXPECT_TRUE(s.meldungen.texte.isEmpty());
}

TEST(Texte, FehlendeDateienEinzelnGemeldet) {
    {
        // The chosen file is missing: English still fills every text.
        Start s;
        s.ordner.schreibe("Language/English/QORV4.TXT", {"one", "", "three"});
        s.ordner.schreibe("Language/Deutsch/QORV4.TXT", {"eins", "zwei"});
        s.init("[SOFTWARE\\Quorvel\\Win Quorvel]\nLanguage=Italiano\n");
        EXPECT_EQ(s.daten.texte.hole_Text(1), "one");
        EXPECT_EQ(s.daten.texte.hole_Text(2), "zwei");
        ASSERT_EQ(s.meldungen.texte.size(), 1);
        EXPECT_EQ(s.meldungen.texte[0],
                  "File " + s.ordner.datei("Language/Italiano/QORV4.TXT") + " is not available.");
    }
    {
        // English missing: German still fills the gaps.
        Start s;
        s.ordner.schreibe("Language/Francais/QORV4.TXT", {"", "deux"});
        s.ordner.schreibe("Language/Deutsch/QORV4.TXT", {"eins", "zwei"});
        s.init("[SOFTWARE\\Quorvel\\Win Quorvel]\nLanguage=Francais\n");
        EXPECT_EQ(s.daten.texte.hole_Text(1), "eins");
        EXPECT_EQ(s.daten.texte.hole_Text(2), "deux");
        EXPECT_EQ(s.meldungen.texte.size(), 1);
    }
    {
        // The default language is German: its missing file is one message, not two.
        Start s;
        s.ordner.schreibe("Language/English/QORV4.TXT", {"one"});
        s.init("");
        EXPECT_EQ(s.daten.texte.hole_Text(1), "one");
        EXPECT_EQ(s.meldungen.texte.size(), 1);
    }
}

TEST(Texte, Windows1252UndGrossKleinschreibung) {
    Start s;
    // The folder and file names differ in case from what the program asks for.
    s.ordner.schreibe_roh("language/english/qorv4.txt", "Gr\xfc\xdf"
                                                        "e \x80\r\nzwei\ndrei\rvier");
    s.init("[SOFTWARE\\Quorvel\\Win Quorvel]\nLanguage=English\n");
    EXPECT_EQ(s.daten.texte.hole_Text(1), QString::fromUtf8("Grüße €"));
    EXPECT_EQ(s.daten.texte.hole_Text(2), "zwei");
    EXPECT_EQ(s.daten.texte.hole_Text(3), "drei");
    EXPECT_EQ(s.daten.texte.hole_Text(4), "vier");
}
