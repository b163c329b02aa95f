#include "link/LinkFixture.h"
#include "link/UKommunikation.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Tripel = std::tuple<int, int, int>;

// The parameter set's areas as the transport sees them.
struct Bereiche : Datenelement_Bereiche {
    std::map<int, std::vector<uint16_t>> ecu, neu;
    QStringList zurueck;
    int geschrieben = 0;

    int Bereichslaenge(int b) const override {
        auto it = ecu.find(b);
        return it == ecu.end() ? 0 : static_cast<int>(it->second.size());
    }
    const std::vector<uint16_t>* Bereichsworte(int b) const override {
        auto it = ecu.find(b);
        return it == ecu.end() ? nullptr : &it->second;
    }
    void Bereich_zurueck(int b) override {
        zurueck << QString::number(b);
        if (neu.count(b))
            ecu[b] = neu[b];
    }
    void schreibe_Bereich(int b, int offset, const uint16_t* w, int n) override {
        auto& v = ecu[b];
        if (static_cast<int>(v.size()) < offset + n)
            v.resize(static_cast<size_t>(offset + n));
        std::copy_n(w, n, v.begin() + offset);
    }
    void Bereich_uebernehmen(int b) override { neu[b] = ecu[b]; }
    void melde_geschrieben() override { ++geschrieben; }
};

// A transport of its own on the program's link, answered by hand as the scheduler would
// hand it an answer.
class Transport {
public:
    Transport() : kom(k.link(), liste) {
        k.link().setze_Verbindung(false); // nothing leaves: the test plays the scheduler
        kom.setze_Bereiche(&bereiche);
        liste.einfuegen({0, 17, true, 0, nullptr, 0}); // the first position, never sent
    }

    // An item with a buffer of its own.
    std::vector<uint8_t>& element(int nummer, int id, int laenge, int puffergroesse = -1) {
        auto& p = puffer[nummer];
        p.assign(static_cast<size_t>(puffergroesse < 0 ? 2 * laenge : puffergroesse), 0);
        liste.einfuegen({nummer, id, true, laenge, p.data(), static_cast<int>(p.size())});
        return p;
    }
    void bereich(int nummer, int id, int worte) {
        liste.einfuegen({nummer, id, false, 0, nullptr, 0});
        bereiche.ecu[id] = std::vector<uint16_t>(static_cast<size_t>(worte), 0);
        bereiche.neu[id] = std::vector<uint16_t>(static_cast<size_t>(worte), 0);
    }

    std::vector<Tripel> Nachricht() const {
        std::vector<Tripel> v;
        for (const auto& t : kom.Nachricht())
            v.emplace_back(t.Id, t.Offset, t.Anzahl);
        return v;
    }
    uint16_t Sendewort(int i) const {
        return static_cast<uint16_t>(kom.Sendepuffer[2 * i] | (kom.Sendepuffer[2 * i + 1] << 8));
    }

    // The answer to the message in flight: [unused][N][triples][words].
    void antworte(const std::vector<Tripel>& tripel, const std::vector<uint16_t>& worte,
                  int N = -1) {
        std::vector<uint16_t> a{0, static_cast<uint16_t>(N < 0 ? tripel.size() : N)};
        for (const auto& [id, o, n] : tripel)
            a.insert(a.end(), {static_cast<uint16_t>(id), static_cast<uint16_t>(o),
                               static_cast<uint16_t>(n)});
        a.insert(a.end(), worte.begin(), worte.end());
        ASSERT_LE(a.size() * 2, kom.Antwortdaten.size());
        for (size_t i = 0; i < a.size(); ++i) {
            kom.Antwortdaten[2 * i] = static_cast<uint8_t>(a[i] & 0xFF);
            kom.Antwortdaten[2 * i + 1] = static_cast<uint8_t>(a[i] >> 8);
        }
        kom.Antwortlaenge = static_cast<int>(a.size() * 2);
        quittiere();
    }
    // What the ECU answers to a read message: each triple's words, counted up.
    void antworte_passend() {
        std::vector<Tripel> t = Nachricht();
        std::vector<uint16_t> w;
        for (const auto& [id, o, n] : t)
            for (int i = 0; i < n; ++i)
                w.push_back(static_cast<uint16_t>(id + o + i));
        antworte(t, w);
    }
    // The scheduler's part after a complete answer.
    void quittiere() {
        ASSERT_TRUE(kom.aktiv);
        kom.aktiv = false;
        kom.Antwort();
    }
    // Every message until nothing is pending, answered.
    std::vector<std::vector<Tripel>> alle_Nachrichten() {
        std::vector<std::vector<Tripel>> v;
        for (int i = 0; kom.aktiv && i < 20; ++i) {
            v.push_back(Nachricht());
            if (kom.Befehl == cl_Kommunikation::Befehl_Lesen)
                antworte_passend();
            else
                quittiere();
        }
        return v;
    }

    LinkKontext k;
    cl_ECU_Liste liste;
    Bereiche bereiche;
    cl_Kommunikation kom;
    std::map<int, std::vector<uint8_t>> puffer;
};

std::vector<int> Ids(const cl_ECU_Liste& l) {
    std::vector<int> v;
    for (int i = 0; i < l.Anzahl(); ++i)
        v.push_back(l[i].Id);
    return v;
}

} // namespace

TEST(Datenelementliste, IdsStaySortedBehindTheFirstEntryWhichIsNeverFound) {
    cl_ECU_Liste l;
    for (int id : {17, 81, 257, 272, 66, 305})
        EXPECT_TRUE(l.einfuegen({id, id, true, 0, nullptr, 0}));
    EXPECT_EQ(Ids(l), (std::vector<int>{17, 66, 81, 257, 272, 305}));
    EXPECT_TRUE(l.einfuegen({5, 5, true, 0, nullptr, 0}));
    EXPECT_EQ(Ids(l), (std::vector<int>{17, 5, 66, 81, 257, 272, 305}));
    EXPECT_FALSE(l.einfuegen({99, 66, true, 0, nullptr, 0}));
    EXPECT_EQ(l.suche_Code(17), nullptr);
    for (int id : {5, 66, 81, 257, 272, 305})
        ASSERT_NE(l.suche_Code(id), nullptr) << id;
    EXPECT_EQ(l.suche_Code(300), nullptr);
    EXPECT_EQ(l.suche_Index(99), nullptr);
    EXPECT_EQ(l.suche_Index(272)->Id, 272);

    l.laden(0);
    EXPECT_EQ(Ids(l), (std::vector<int>{17, 66, 81, 257, 272, 305}));
    EXPECT_EQ(l.suche_Index(0)->Id, 17);
    EXPECT_FALSE(l.suche_Index(3)->nicht_Sammel);
    EXPECT_TRUE(l.suche_Index(2)->nicht_Sammel);
    EXPECT_EQ(l.suche_Index(2)->Laenge, 400);
    std::array<uint8_t, 400> aux{};
    l.setze_Filetyp_Werte(2, 400, aux.data(), 400);
    EXPECT_EQ(l.suche_Index(2)->Puffer, aux.data());
    l.laden(0);
    EXPECT_EQ(l.suche_Index(2)->Puffergroesse, 400);
    l.laden(1);
    EXPECT_EQ(l.Anzahl(), 0);
}

TEST(Datenelemente, ReadMessagesArePackedUnderTheWordLimitAndFifteenTriples) {
    struct Fall {
        const char* name;
        std::vector<int> laengen;
        std::vector<std::vector<Tripel>> nachrichten; // ids are 100 + the item's index
    };
    std::vector<Tripel> fuenfzehn;
    for (int i = 0; i < 15; ++i)
        fuenfzehn.emplace_back(100 + i, 0, 1);
    const Fall faelle[] = {
        {"two small", {10, 20}, {{{100, 0, 10}, {101, 0, 20}}}},
        {"600 and 500", {600, 500}, {{{100, 0, 600}}, {{101, 0, 500}}}},
        {"sixteen", std::vector<int>(16, 1), {fuenfzehn, {{115, 0, 1}}}},
        {"too large for one", {1200}, {{{100, 0, 995}}, {{100, 995, 205}}}},
        {"a large one between",
         {500, 1200, 10},
         {{{100, 0, 500}}, {{101, 0, 995}}, {{101, 995, 205}, {102, 0, 10}}}},
        {"exactly full", {992}, {{{100, 0, 995 - 3}}}},
    };
    for (const Fall& f : faelle) {
        Transport t;
        for (size_t i = 0; i < f.laengen.size(); ++i)
            t.element(static_cast<int>(i) + 1, 100 + static_cast<int>(i), f.laengen[i]);
        for (size_t i = 0; i < f.laengen.size(); ++i)
            t.kom.Liste().suche_Index(static_cast<int>(i) + 1)->Lesen_ausstehend = true;
        for (size_t i = 0; i < f.laengen.size(); ++i)
            t.kom.Liste().suche_Index(static_cast<int>(i) + 1)->Lesen_gefragt = {0, f.laengen[i]};
        ASSERT_TRUE(t.kom.sende_Leseauftrag()) << f.name;
        EXPECT_EQ(t.kom.Sendelaenge, 2 * (2 + 3 * static_cast<int>(t.Nachricht().size())));
        EXPECT_EQ(t.kom.Befehl, cl_Kommunikation::Befehl_Lesen);
        EXPECT_EQ(t.alle_Nachrichten(), f.nachrichten) << f.name;
        // Each item got its own words, at their offsets.
        for (size_t i = 0; i < f.laengen.size(); ++i) {
            const auto& p = t.puffer[static_cast<int>(i) + 1];
            const int id = 100 + static_cast<int>(i);
            for (int w : {0, f.laengen[i] - 1})
                EXPECT_EQ(p[2 * w] | (p[2 * w + 1] << 8), (id + w) & 0xFFFF) << f.name << w;
        }
    }

    Transport t;
    t.element(1, 300, 10);
    t.element(2, 301, 20);
    t.kom.lese_Element(1);
    EXPECT_FALSE(t.kom.sende_Leseauftrag()); // one message at a time
    t.kom.lese_Element(2);
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{300, 0, 10}}));
    // What was asked meanwhile goes out with the answer.
    t.antworte_passend();
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{301, 0, 20}}));
    t.antworte_passend();
    // Two items of 10 and 20 words: N = 2 and two triples in 16 bytes.
    t.kom.aktiv = true;
    t.kom.lese_Element(1);
    t.kom.lese_Element(2);
    t.kom.aktiv = false;
    ASSERT_TRUE(t.kom.sende_Leseauftrag());
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{300, 0, 10}, {301, 0, 20}}));
    EXPECT_EQ(t.kom.Sendelaenge, 16);
    const std::vector<uint16_t> kopf{1, 2, 300, 0, 10, 301, 0, 20};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(t.Sendewort(i), kopf[static_cast<size_t>(i)]);
    EXPECT_TRUE(t.kom.Blockweise_lesen);
    EXPECT_EQ(t.kom.Antwortlaenge, 2000);
}

TEST(Datenelemente, WriteMessagesCarryTheWordsOfBuffersAndAreas) {
    struct Fall {
        const char* name;
        std::vector<int> laengen;
        std::vector<std::vector<Tripel>> nachrichten;
    };
    std::vector<Tripel> sechzehn;
    for (int i = 0; i < 16; ++i)
        sechzehn.emplace_back(100 + i, 0, 1);
    const Fall faelle[] = {
        {"two small", {10, 20}, {{{100, 0, 10}, {101, 0, 20}}}},
        {"600 and 500", {600, 500}, {{{100, 0, 600}}, {{101, 0, 500}}}},
        {"sixteen", std::vector<int>(16, 1), {sechzehn}},
        {"too large for one", {2000}, {{{100, 0, 995}}, {{100, 995, 995}}, {{100, 1990, 10}}}},
    };
    for (const Fall& f : faelle) {
        Transport t;
        for (size_t i = 0; i < f.laengen.size(); ++i)
            t.element(static_cast<int>(i) + 1, 100 + static_cast<int>(i), f.laengen[i]);
        t.kom.aktiv = true; // asked together, packed together
        for (size_t i = 0; i < f.laengen.size(); ++i)
            t.kom.schreibe_Element(static_cast<int>(i) + 1);
        t.kom.aktiv = false;
        ASSERT_TRUE(t.kom.sende_Schreibauftrag()) << f.name;
        EXPECT_EQ(t.kom.Befehl, cl_Kommunikation::Befehl_Schreiben);
        EXPECT_TRUE(t.kom.Blockweise_senden);
        EXPECT_FALSE(t.kom.Blockweise_lesen);
        EXPECT_EQ(t.alle_Nachrichten(), f.nachrichten) << f.name;
        EXPECT_FALSE(t.kom.Schreiben_ausstehend);
    }

    Transport t;
    auto& p = t.element(1, 300, 2);
    p = {0x34, 0x12, 0x78, 0x56};
    t.bereich(10300, 272, 3);
    t.bereiche.neu[272] = {7, 8, 9};
    t.kom.aktiv = true; // asked together, packed together
    t.kom.schreibe_Daten(1, 1, 1);
    t.kom.schreibe_Element(10300);
    t.kom.aktiv = false;
    ASSERT_TRUE(t.kom.sende_Schreibauftrag());
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{272, 0, 3}, {300, 1, 1}}));
    // The area went from the edited to the ECU side before its words were taken.
    EXPECT_EQ(t.bereiche.zurueck, QStringList{"272"});
    const std::vector<uint16_t> erwartet{1, 2, 272, 0, 3, 300, 1, 1, 7, 8, 9, 0x5678};
    for (size_t i = 0; i < erwartet.size(); ++i)
        EXPECT_EQ(t.Sendewort(static_cast<int>(i)), erwartet[i]) << i;
    EXPECT_EQ(t.kom.Sendelaenge, 24);
}

TEST(Datenelemente, AnswersMoveByEveryTripelsCountAndStayInsideEachBuffer) {
    Transport t;
    auto& a = t.element(1, 100, 3);
    auto& b = t.element(2, 101, 2);
    // Item 2 of the directory: 400 words asked over a record of 400 bytes.
    std::vector<uint8_t> aux(410, 0xEE);
    t.liste.einfuegen({7, 257, true, 400, aux.data(), 400});
    QList<int> ereignisse;
    for (int e : {1, 2, 7})
        InterAction().Create(
            cl_Kommunikation::Klasse, [&ereignisse, e](Sender&) { ereignisse << e; }, e);

    t.kom.aktiv = true;
    t.kom.lese_Element(1);
    t.kom.lese_Element(2);
    t.kom.lese_Element(7);
    t.kom.aktiv = false;
    ASSERT_TRUE(t.kom.sende_Leseauftrag());
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{100, 0, 3}, {101, 0, 2}, {257, 0, 400}}));
    // An id nobody asked for, with words; item 1 answered with one word more than asked.
    std::vector<uint16_t> w{0xAAAA, 0xBBBB, 1, 2, 3, 9, 5, 6};
    for (int i = 0; i < 400; ++i)
        w.push_back(static_cast<uint16_t>(i + 1));
    t.antworte({{999, 0, 2}, {100, 0, 4}, {101, 0, 2}, {257, 0, 400}}, w);
    EXPECT_EQ(a, (std::vector<uint8_t>{1, 0, 2, 0, 3, 0}));
    EXPECT_EQ(b, (std::vector<uint8_t>{5, 0, 6, 0}));
    EXPECT_EQ(aux[0], 1);
    EXPECT_EQ(aux[398], 200);
    EXPECT_TRUE(std::all_of(aux.begin() + 400, aux.end(), [](uint8_t x) { return x == 0xEE; }));
    EXPECT_EQ(ereignisse, (QList<int>{1, 2, 7}));
}

TEST(Datenelemente, AMalformedAnswerLeavesEveryBufferAndIsAskedAgain) {
    struct Fall {
        const char* name;
        std::vector<Tripel> tripel;
        std::vector<uint16_t> worte;
        int N;
    };
    const Fall faelle[] = {
        {"counts beyond the words", {{100, 0, 3}, {101, 0, 5}}, {1, 2, 3, 4, 5}, -1},
        {"N of 0", {{100, 0, 3}, {101, 0, 2}}, {1, 2, 3, 4, 5}, 0},
        {"N beyond the triples", {{100, 0, 3}, {101, 0, 2}}, {1, 2, 3, 4, 5}, 40},
        {"N too large", {{100, 0, 3}, {101, 0, 2}}, {1, 2, 3, 4, 5}, 500},
    };
    for (const Fall& f : faelle) {
        Transport t;
        auto& a = t.element(1, 100, 3);
        auto& b = t.element(2, 101, 2);
        a.assign(6, 0x77);
        b.assign(4, 0x77);
        int ereignisse = 0;
        for (int e : {1, 2})
            InterAction().Create(
                cl_Kommunikation::Klasse, [&](Sender&) { ++ereignisse; }, e);
        t.kom.aktiv = true;
        t.kom.lese_Element(1);
        t.kom.lese_Element(2);
        t.kom.aktiv = false;
        ASSERT_TRUE(t.kom.sende_Leseauftrag());
        t.antworte(f.tripel, f.worte, f.N);
        EXPECT_EQ(a, std::vector<uint8_t>(6, 0x77)) << f.name;
        EXPECT_EQ(b, std::vector<uint8_t>(4, 0x77)) << f.name;
        EXPECT_EQ(ereignisse, 0) << f.name;
        // Both go out again at once, and a sound answer then lands.
        ASSERT_TRUE(t.kom.aktiv) << f.name;
        EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{100, 0, 3}, {101, 0, 2}})) << f.name;
        t.antworte({{100, 0, 3}, {101, 0, 2}}, {1, 2, 3, 4, 5});
        EXPECT_EQ(a, (std::vector<uint8_t>{1, 0, 2, 0, 3, 0})) << f.name;
        EXPECT_EQ(ereignisse, 2) << f.name;
    }
}

TEST(Datenelemente, ReadingAllParametersEndsWhenEveryBulkItemArrived) {
    Transport t;
    // Seventeen areas: more than one read message holds.
    for (int i = 0; i < 17; ++i)
        t.bereich(10300 + i, 300 + i, 2);
    t.element(1, 50, 1); // not in bulk: not read
    QList<int> ereignisse;
    InterAction().Create(
        cl_Kommunikation::Klasse,
        [&](Sender&) { ereignisse << cl_Kommunikation::Parameter_gelesen; },
        cl_Kommunikation::Parameter_gelesen);
    for (int e : {10314, 10316})
        InterAction().Create(
            cl_Kommunikation::Klasse, [&ereignisse, e](Sender&) { ereignisse << e; }, e);

    t.kom.lese_alle();
    std::vector<Tripel> erste;
    for (int i = 0; i < 15; ++i)
        erste.emplace_back(300 + i, 0, 0);
    EXPECT_EQ(t.Nachricht(), erste);
    std::vector<Tripel> antwort;
    std::vector<uint16_t> worte;
    for (int i = 0; i < 15; ++i) {
        antwort.emplace_back(300 + i, 0, 2);
        worte.insert(worte.end(), {static_cast<uint16_t>(i), static_cast<uint16_t>(i + 100)});
    }
    t.antworte(antwort, worte);
    // The message's areas are announced once, by the last one; the read is not over yet.
    EXPECT_EQ(ereignisse, QList<int>{10314});
    EXPECT_EQ(t.bereiche.ecu[305], (std::vector<uint16_t>{5, 105}));
    EXPECT_EQ(t.bereiche.neu[305], (std::vector<uint16_t>{5, 105}));
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{315, 0, 0}, {316, 0, 0}}));
    t.antworte({{315, 0, 2}, {316, 0, 3}}, {1, 2, 3, 4, 5});
    EXPECT_EQ(ereignisse, (QList<int>{10314, 10316, 0}));
    EXPECT_EQ(t.bereiche.neu[316], (std::vector<uint16_t>{3, 4, 5}));
    EXPECT_FALSE(t.kom.aktiv);
}

TEST(Datenelemente, WritesGoBeforeReadsAndASecondWriteInFlightIsKept) {
    Transport t;
    auto& a = t.element(1, 100, 3);
    t.element(2, 101, 2);
    t.kom.lese_Element(2);
    ASSERT_EQ(t.kom.Befehl, cl_Kommunikation::Befehl_Lesen);
    t.kom.lese_Element(1);
    t.kom.schreibe_Element(1); // while the read is under way
    t.antworte_passend();
    EXPECT_EQ(t.kom.Befehl, cl_Kommunikation::Befehl_Schreiben);
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{100, 0, 3}}));

    // Asked again while the first write is under way: its acknowledgement must not drop it.
    a[2] = 0x42;
    t.kom.schreibe_Daten(1, 1, 1);
    QList<int> ereignisse;
    InterAction().Create(
        cl_Kommunikation::Klasse, [&](Sender&) { ereignisse << 1; }, 1);
    t.quittiere();
    EXPECT_EQ(ereignisse, QList<int>{1});
    EXPECT_EQ(t.bereiche.geschrieben, 1);
    ASSERT_TRUE(t.kom.aktiv);
    EXPECT_EQ(t.kom.Befehl, cl_Kommunikation::Befehl_Schreiben);
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{100, 1, 1}}));
    EXPECT_EQ(t.Sendewort(5), 0x42);
    t.quittiere();
    // Then the read that waited.
    EXPECT_EQ(t.kom.Befehl, cl_Kommunikation::Befehl_Lesen);
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{100, 0, 3}}));
    t.antworte_passend();
    EXPECT_FALSE(t.kom.aktiv);
}

TEST(Datenelemente, WritingAllAnnouncesAtOnceAndAgainOnTheAcknowledgement) {
    Transport t;
    t.bereich(10300, 300, 2);
    t.bereich(10301, 301, 3);
    t.bereiche.neu[301] = {4, 5, 6};
    EXPECT_TRUE(t.kom.schreibe_alle());
    EXPECT_EQ(t.bereiche.geschrieben, 1);
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{300, 0, 2}, {301, 0, 3}}));
    EXPECT_EQ(t.Sendewort(10), 4);
    t.quittiere();
    EXPECT_EQ(t.bereiche.geschrieben, 2);
    EXPECT_FALSE(t.kom.aktiv);

    // An empty area stops the marking: nothing goes out and nothing is announced, not even
    // later with the next write of another item.
    Transport leer;
    leer.bereich(10300, 300, 3);
    leer.bereich(10301, 301, 0);
    leer.element(1, 50, 1);
    EXPECT_FALSE(leer.kom.schreibe_alle());
    EXPECT_FALSE(leer.kom.aktiv);
    EXPECT_EQ(leer.bereiche.geschrieben, 0);
    leer.kom.schreibe_Element(1);
    EXPECT_EQ(leer.alle_Nachrichten(), (std::vector<std::vector<Tripel>>{{{50, 0, 1}}}));
    EXPECT_EQ(leer.bereiche.zurueck, QStringList{});
}

TEST(Datenelemente, ARangeAskedBeforeTheLastOneWentOutIsNotDropped) {
    Transport t;
    t.element(1, 100, 10);
    t.element(2, 101, 1);
    t.kom.lese_Element(2); // the writes wait behind this read
    t.kom.schreibe_Daten(1, 0, 2);
    t.kom.schreibe_Daten(1, 6, 1);
    t.antworte_passend();
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{100, 0, 7}}));
    t.quittiere();
    EXPECT_FALSE(t.kom.aktiv);

    // The rest of a split write survives a smaller write asked meanwhile.
    t.element(3, 102, 2000);
    t.kom.schreibe_Element(3);
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{102, 0, 995}}));
    t.kom.schreibe_Daten(3, 0, 1);
    EXPECT_EQ(t.alle_Nachrichten(),
              (std::vector<std::vector<Tripel>>{
                  {{102, 0, 995}}, {{102, 0, 995}}, {{102, 995, 995}}, {{102, 1990, 10}}}));
}

TEST(Datenelemente, ACyclicItemIsInEveryReadMessageUntilItsSubscriptionEnds) {
    Transport t;
    t.element(1, 100, 2);
    t.element(2, 101, 1);
    t.kom.lese_zyklisch(1);
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{100, 0, 2}}));
    t.kom.lese_Element(2);
    t.antworte_passend();
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{100, 0, 2}, {101, 0, 1}}));
    t.antworte_passend();
    EXPECT_EQ(t.Nachricht(), (std::vector<Tripel>{{100, 0, 2}}));
    t.kom.beende_zyklisch(1);
    t.antworte_passend();
    EXPECT_FALSE(t.kom.aktiv);
}
