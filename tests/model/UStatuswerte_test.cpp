// The relay's status values: the built-in definitions, the values read from the records,
// the selection files and the packing into 256 words.

#include "model/UStatuswerte.h"
#include "support/Auswahldatei.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Records filled by the test, a language folder of its own.
struct Umgebung {
    std::vector<uint8_t> L = std::vector<uint8_t>(84), A = std::vector<uint8_t>(98),
                         B = std::vector<uint8_t>(100), C = std::vector<uint8_t>(100),
                         analog = std::vector<uint8_t>(64), CAN = std::vector<uint8_t>(16),
                         Merker = std::vector<uint8_t>(2);
    int32_t Leerlauf = 0;
    std::array<uint8_t, 16> Eingaenge{};
    QTemporaryDir ordner;
    cl_Statusdaten s{Quellen(), [this] { return ordner.path(); }};

    Statusquellen Quellen() {
        Statusquellen q;
        q.Datensaetze = {std::span<const uint8_t>(), L, A, B, C, analog, CAN, Merker};
        q.Leerlaufsteller_Prozent = &Leerlauf;
        q.Digitaleingang_Zustand = Eingaenge;
        return q;
    }
    void schreibe(int n, const QByteArray& inhalt) {
        QFile f(QDir(ordner.path()).filePath(QString::number(n) + ".tbx"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(inhalt);
    }
    cl_Statusdaten::Wortfeld packe() {
        cl_Statusdaten::Wortfeld w;
        w.fill(0xEEEE);
        s.packe(w);
        return w;
    }
    const cl_Def_Statusdaten& def(uint32_t id) { return *s.Definitionen().suche(id); }
    static void setze(std::vector<uint8_t>& r, int offset, uint32_t wert, int bytes) {
        for (int i = 0; i < bytes; ++i)
            r[static_cast<size_t>(offset + i)] = static_cast<uint8_t>(wert >> (8 * i));
    }
};

std::vector<uint32_t> Ausgewaehlte(const cl_Statusdaten& s) {
    std::vector<uint32_t> ids;
    for (const cl_Def_Statusdaten& d : s.Definitionen().Eintraege)
        if (d.ausgewaehlt)
            ids.push_back(d.id);
    return ids;
}

} // namespace

TEST(Statuswerte, TheDefinitionsStandInTheTablesOrderWithTheirSources) {
    Umgebung u;
    const auto& e = u.s.Definitionen().Eintraege;
    ASSERT_EQ(e.size(), 129u);
    EXPECT_EQ(e.front().id, 0x20000380u);
    EXPECT_EQ(e[3].id, 0x20000011u);
    EXPECT_EQ(e.back().id, 0x20000751u);
    struct Zeile {
        uint32_t id;
        int groesse;
        int datensatz;
        Statusvariable variable;
        int offset;
        float skala;
    };
    constexpr auto keine = Statusvariable::keine;
    const Zeile zeilen[] = {
        {0x20000380, 2, 2, keine, 44, 1.0F},
        {0x200003A0, 2, 3, keine, 90, 1.0F},
        {0x20000021, 1, 2, keine, 62, 0.1F},
        {0x20000061, 1, 1, keine, 80, 1.0F},
        {0x200001A1, 1, 2, keine, 40, 1.0F},
        {0x200001F1, 1, 5, keine, 4, 1.0F},
        {0x200002C1, 1, 5, keine, 30, 1.0F},
        {0x20000321, 1, 0, Statusvariable::Leerlaufsteller_Prozent, 0, 1.0F},
        {0x20000340, 1, 1, keine, 30, 1.0F},
        {0x20000441, 1, 5, keine, 46, 1.0F},
        {0x20000BB1, 1, 3, keine, 64, 1.0F},
        {0x20000BC1, 1, 3, keine, 64, 1.0F},
        {0x20000600, 1, 0, Statusvariable::Digitaleingang_Zustand, 1, 1.0F},
        {0x20000CA0, 1, 0, Statusvariable::Digitaleingang_Zustand, 11, 1.0F},
        {0x200006D0, 1, 0, Statusvariable::Digitaleingang_Zustand, 14, 1.0F},
        {0x20000D91, 1, 6, keine, 14, 1.0F},
        {0x20000DA1, 2, 1, keine, 54, 1.0F},
        {0x20000DF1, 1, 4, keine, 10, 1.0F},
        {0x20000E01, 1, 7, keine, 0, 1.0F},
    };
    for (const Zeile& z : zeilen) {
        SCOPED_TRACE(testing::Message() << std::hex << z.id);
        const cl_Def_Statusdaten* d = u.s.Definitionen().suche(z.id);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->Groesse, z.groesse);
        EXPECT_EQ(d->Datensatz, z.datensatz);
        EXPECT_EQ(d->Variable, z.variable);
        EXPECT_EQ(d->Offset, z.offset);
        EXPECT_EQ(d->Skala, z.skala);
        EXPECT_FALSE(d->ausgewaehlt);
    }
    // Offset 2 of the analogue inputs has no id.
    EXPECT_EQ(u.s.Definitionen().suche(0x200001E1), nullptr);
    EXPECT_EQ(u.s.Definitionen().suche(0), nullptr);
}

TEST(Statuswerte, AValueIsReadWithTheBytesItsSizeNeedsScaledAndRounded) {
    Umgebung u;
    Umgebung::setze(u.L, 10, 0xBEEF, 2);
    Umgebung::setze(u.L, 12, 0x1111, 2); // beyond the 16-bit value: not read
    Umgebung::setze(u.L, 54, 0x89ABCDEF, 4);
    Umgebung::setze(u.A, 96, 0x4321, 2); // the last two bytes of record A
    Umgebung::setze(u.B, 98, 0x0102, 2);
    Umgebung::setze(u.CAN, 14, 0x0A0B, 2);
    Umgebung::setze(u.Merker, 0, 0xF00D, 2);
    Umgebung::setze(u.A, 62, 25, 2);
    u.Leerlauf = -100;
    u.Eingaenge[14] = 1;
    u.Eingaenge[15] = 1;
    u.Eingaenge[2] = 1;
    const std::pair<uint32_t, uint32_t> faelle[] = {
        {0x20000011, 0xBEEF},
        {0x20000DA1, 0x89ABCDEF},
        {0x200002D1, 0x4321},
        {0x20000D11, 0x0102},
        {0x20000D91, 0x0A0B},
        {0x20000E01, 0xF00D},
        // 25 times the single-precision 0.1 lies just above 2.5.
        {0x20000021, 3},
        {0x20000321, 0xFF9C},
        // A digital input's value carries the next input's state at bit 8.
        {0x200006D0, 0x0101},
        {0x20000C10, 0x0001},
        {0x20000C20, 0x0000},
    };
    for (const auto& [id, wert] : faelle) {
        SCOPED_TRACE(testing::Message() << std::hex << id);
        EXPECT_EQ(u.s.Wert(u.def(id)), wert);
    }
    Umgebung::setze(u.A, 62, 24, 2);
    EXPECT_EQ(u.s.Wert(u.def(0x20000021)), 2u);
    Umgebung::setze(u.A, 62, 65535, 2);
    EXPECT_EQ(u.s.Wert(u.def(0x20000021)), 6554u);
}

TEST(Statuswerte, RoundingGoesToTheNearestIntegerAndHalvesToEven) {
    const std::pair<double, uint32_t> faelle[] = {
        {0.5, 0},    {1.5, 2},    {2.5, 2}, {3.5, 4},
        {2.4999, 2}, {2.5001, 3}, {0.0, 0}, {4294967295.0, 0xFFFFFFFF}};
    for (const auto& [x, r] : faelle)
        EXPECT_EQ(cl_Statusdaten::runde(x), r) << x;
}

TEST(Statuswerte, AFileSelectsItsEntriesAtRunningBitPositionsWithTheirNames) {
    Umgebung u;
    u.schreibe(313, Auswahldatei()
                        .eintrag(0x20000011, 16, "Speed rpm") // three name records
                        .luecke(8)                            // leaves 8 bits empty
                        .eintrag(0x20000E01, 12, "Flag")
                        .satz(4711, 99) // other tags are passed over
                        .eintrag(0x20000D91, 16, QByteArray("T\0e\0mp", 6))
                        .bytes);
    u.s.lade_tbx(313);
    EXPECT_EQ(u.s.geladene_Nummer(), 313);
    EXPECT_EQ(u.s.Anzahl(), 3);
    EXPECT_EQ(Ausgewaehlte(u.s), (std::vector<uint32_t>{0x20000011, 0x20000D91, 0x20000E01}));
    struct Erwartet {
        uint32_t id;
        int64_t position;
        uint32_t breite;
        const char* name;
    };
    for (const Erwartet& e :
         {Erwartet{0x20000011, 8, 16, "Speed rpm"}, Erwartet{0x20000E01, 32, 12, "Flag"},
          Erwartet{0x20000D91, 44, 16, "Temp"}}) {
        const cl_Def_Statusdaten& d = u.def(e.id);
        EXPECT_EQ(d.Bitposition, e.position) << e.name;
        EXPECT_EQ(d.Bitbreite, e.breite) << e.name;
        EXPECT_EQ(d.Name, QString::fromLatin1(e.name));
    }

    // The first value: bits 8..15 of word 0 and 0..7 of word 1.
    Umgebung::setze(u.L, 10, 0xABCD, 2);
    const cl_Statusdaten::Wortfeld w = u.packe();
    EXPECT_EQ(w[0], 0xCD00);
    EXPECT_EQ(w[1], 0x00AB);
    EXPECT_EQ(w[2], 0x0000);
}

TEST(Statuswerte, ANameRunsToTheEndOfTheFileWithoutItsEndRecord) {
    Umgebung u;
    u.schreibe(313, Auswahldatei()
                        .eintrag(0x20000011, 16)
                        .satz(4096, 0)
                        .satz_roh(4099, "ab")
                        .satz_roh(4097, "cd") // consumed by the name: no entry ends here
                        .satz_roh(4100, "e")
                        .bytes);
    u.s.lade_tbx(313);
    EXPECT_EQ(u.s.Anzahl(), 1);
    EXPECT_EQ(u.def(0x20000011).Bitposition, 8);
}

TEST(Statuswerte, AFileIsReadOnceForItsNumberAndAMissingOneIsNotLookedForAgain) {
    Umgebung u;
    u.schreibe(313, Auswahldatei().eintrag(0x20000011, 16).bytes);
    u.s.lade_tbx(313);
    u.schreibe(313, Auswahldatei().eintrag(0x20000E01, 16).bytes);
    u.s.lade_tbx(313);
    EXPECT_EQ(Ausgewaehlte(u.s), (std::vector<uint32_t>{0x20000011}));

    // Missing: nothing selected, and the file that turns up later waits for another number.
    u.s.lade_tbx(321);
    EXPECT_EQ(u.s.geladene_Nummer(), 321);
    EXPECT_EQ(Ausgewaehlte(u.s), std::vector<uint32_t>{}); // the file before's selection went
    EXPECT_EQ(u.s.Anzahl(), 0);
    u.schreibe(321, Auswahldatei().eintrag(0x20000D91, 16).bytes);
    u.s.lade_tbx(321);
    EXPECT_EQ(Ausgewaehlte(u.s), std::vector<uint32_t>{});
    u.s.lade_tbx(313);
    u.s.lade_tbx(321);
    EXPECT_EQ(Ausgewaehlte(u.s), (std::vector<uint32_t>{0x20000D91}));
    // Only this file's values are packed.
    Umgebung::setze(u.L, 10, 0xFFFF, 2);
    EXPECT_EQ(u.packe(), cl_Statusdaten::Wortfeld{});
}

TEST(Statuswerte, AFileEndsAtItsLastWholeRecord) {
    Umgebung u;
    QByteArray datei = Auswahldatei().eintrag(0x20000011, 16).eintrag(0x20000E01, 16).bytes;
    datei.chop(3); // the second entry's end record is cut
    u.schreibe(313, datei);
    u.s.lade_tbx(313);
    EXPECT_EQ(Ausgewaehlte(u.s), (std::vector<uint32_t>{0x20000011}));
}

TEST(Statuswerte, WidthsAreUnsignedAndAPositionBeyondTheWordsPacksNothing) {
    Umgebung u;
    // A width of 0xFFFFFFE0 (-32 if taken signed) or widths adding up past 2^31 put the
    // next entry far beyond the words, never before them.
    u.schreibe(313, Auswahldatei()
                        .eintrag(0x20000011, 0xFFFFFFE0)
                        .eintrag(0x20000E01, 16)
                        .luecke(0x7FFFFFF0)
                        .luecke(0x7FFFFFF0)
                        .eintrag(0x20000D91, 16)
                        .bytes);
    u.s.lade_tbx(313);
    EXPECT_EQ(u.def(0x20000E01).Bitposition, int64_t{8} + 0xFFFFFFE0);
    EXPECT_EQ(u.def(0x20000D91).Bitposition,
              int64_t{8} + 0xFFFFFFE0 + 16 + int64_t{2} * 0x7FFFFFF0);
    Umgebung::setze(u.Merker, 0, 0xFFFF, 2);
    Umgebung::setze(u.CAN, 14, 0xFFFF, 2);
    Umgebung::setze(u.L, 10, 0x1234, 2);
    cl_Statusdaten::Wortfeld erwartet{};
    erwartet[0] = 0x3400;
    erwartet[1] = 0x0012; // the huge width reaches into word 1 as any width above 8 would
    EXPECT_EQ(u.packe(), erwartet);
}

TEST(Statuswerte, PackingOrsEachValueAtItsPositionIntoAtMostTwoWords) {
    struct Fall {
        const char* name;
        uint32_t position;
        uint32_t breite;
        uint32_t id; // 0x20000011: 16 bits at main record 10; 0x20000DA1: 32 bits at 54
        uint32_t wert;
        std::vector<std::pair<int, uint16_t>> worte;
    };
    const Fall faelle[] = {
        {"within a word", 16, 16, 0x20000011, 0x1234, {{1, 0x1234}}},
        {"across a boundary", 30, 16, 0x20000011, 0xFFFF, {{1, 0xC000}, {2, 0x3FFF}}},
        {"above its width into the next field", 20, 8, 0x20000011, 0x01FF, {{1, 0x1FF0}}},
        {"narrow across a boundary", 28, 6, 0x20000011, 0x003F, {{1, 0xF000}, {2, 0x0003}}},
        {"32 bits keep what two words hold",
         8,
         32,
         0x20000DA1,
         0x12345678,
         {{0, 0x7800}, {1, 0x3456}}},
        {"at word 255", 255 * 16 + 8, 16, 0x20000011, 0xABCD, {{255, 0xCD00}}},
        {"past the last word", 256 * 16, 16, 0x20000011, 0xABCD, {}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Umgebung u;
        Auswahldatei a;
        if (f.position > 8)
            a.luecke(f.position - 8);
        u.schreibe(313, a.eintrag(f.id, f.breite).bytes);
        u.s.lade_tbx(313);
        Umgebung::setze(u.L, 10, f.wert, 2);
        Umgebung::setze(u.L, 54, f.wert, 4);
        cl_Statusdaten::Wortfeld erwartet{};
        for (const auto& [i, w] : f.worte)
            erwartet[static_cast<size_t>(i)] = w;
        EXPECT_EQ(u.packe(), erwartet);
    }
}

TEST(Statuswerte, ValuesOfNeighbouringFieldsAreOredNotMasked) {
    Umgebung u;
    u.schreibe(313, Auswahldatei().eintrag(0x20000011, 4).eintrag(0x20000E01, 4).bytes); // 8 and 12
    u.s.lade_tbx(313);
    Umgebung::setze(u.L, 10, 0x0011, 2); // 5 bits: its top bit lands in the next field
    Umgebung::setze(u.Merker, 0, 0x0002, 2);
    const cl_Statusdaten::Wortfeld w = u.packe();
    EXPECT_EQ(w[0], 0x3100);
    EXPECT_EQ(w[1], 0);
}
