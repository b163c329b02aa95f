// The relay's logic without a window and without a port: bytes in, frames out, the 100 ms
// tick by hand. The records are the program's own, their requests started but not sent.

#include "base/Uglobal.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "link/LinkFixture.h"
#include "model/UQuorveldata.h"
#include "model/URelais.h"
#include "model/UStatusdaten.h"
#include "model/UWeitere_Anfragen.h"
#include "support/Auswahldatei.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

QByteArray B(std::initializer_list<int> b) {
    QByteArray a;
    for (int x : b)
        a.append(static_cast<char>(x));
    return a;
}

QByteArray Rahmen(uint8_t befehl, const QByteArray& daten) {
    return ecusim::baue_Rahmen(befehl, daten);
}

uint16_t Wort(const QByteArray& rahmen, int i) {
    return static_cast<uint16_t>(static_cast<uint8_t>(rahmen[2 + 2 * i]) |
                                 (static_cast<uint8_t>(rahmen[3 + 2 * i]) << 8));
}

// The program's records on a link that is not switched on, and the relay over them.
struct Relaisumgebung {
    LinkKontext k{false};
    QTemporaryDir sprache;
    cl_Relais relais{k.kontext->ecu_Befehle(), k.kontext->weitere_Anfragen(), k.kontext->version(),
                     k.kontext->meldungen(), [this] { return sprache.path(); }};
    std::vector<QByteArray> gesendet;
    std::vector<int> angezeigt;

    Relaisumgebung() {
        relais.Ausgabe = [this](const QByteArray& r) { gesendet.push_back(r); };
        relais.zeige_Befehl = [this](int b) { angezeigt.push_back(b); };
    }
    cl_ECU_Befehle& befehle() { return k.kontext->ecu_Befehle(); }
    Weitere_Anfragen& weitere() { return k.kontext->weitere_Anfragen(); }
    void empfange(const QByteArray& b) {
        relais.Daten_empfangen(std::span(reinterpret_cast<const uint8_t*>(b.constData()),
                                         static_cast<size_t>(b.size())));
    }
    void ticke(int n) {
        for (int i = 0; i < n; ++i)
            relais.TimerTimer();
    }
    // Every record with an age, fresh or stale.
    void alle_Alter(int32_t alter) {
        befehle().akt_Daten.Alter = alter;
        befehle().akt_Daten_A.Alter = alter;
        befehle().akt_Daten_B.Alter = alter;
        weitere().analoge_Eingaenge->Alter = alter;
        weitere().digitale_Eingaenge->Alter = alter;
        weitere().digitale_Ausgaenge->Alter = alter;
    }
    // The records started by the relay: each at 100 ms (5 ticks).
    std::vector<std::string> gestartet() {
        std::vector<std::string> namen;
        const std::pair<const char*, cl_COM_data*> liste[] = {
            {"L", &befehle().akt_Daten},
            {"A", &befehle().akt_Daten_A},
            {"B", &befehle().akt_Daten_B},
            {"analog", weitere().analoge_Eingaenge.get()},
            {"digital", weitere().digitale_Eingaenge.get()},
            {"Ausgaenge", weitere().digitale_Ausgaenge.get()},
            {"Merker", weitere().Merker.get()},
            {"Merker_senden", weitere().Merker_senden.get()}};
        for (const auto& [name, r] : liste)
            if (r->aktiv)
                namen.push_back(std::string(name) + "/" + std::to_string(r->Periode));
        return namen;
    }
    void identitaet(uint16_t hersteller, uint16_t version) {
        ecusim::Identitaetsdaten id;
        id.Hersteller = hersteller;
        id.Version = version;
        const QByteArray a = ecusim::baue_Identitaet(id);
        std::copy(a.begin(), a.end(), k.version().Antwortbereich.begin());
        k.version().Antwort();
        for (cl_COM_data* r : k.link().Anfragen())
            r->stoppen();
    }
    void auswahl(int n, const QByteArray& inhalt) {
        QFile f(QDir(sprache.path()).filePath(QString::number(n) + ".tbx"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
    }
};

} // namespace

TEST(Relais, TheReceiverAnswersStartsAndPassesOnAsEachByteSequenceAsks) {
    struct Fall {
        const char* name;
        bool frisch;
        QByteArray bytes;
        // Frames sent, as (command, data) with the checksum checked separately.
        std::vector<std::pair<int, QByteArray>> rahmen;
        std::vector<std::string> gestartet;
        std::vector<int> angezeigt;
        int merkerwort = -1; // -1: nothing passed on
        int rest = 0;        // bytes left in the receive buffer
    };
    const QByteArray L(84, 'L');
    const QByteArray id(66, 'I');
    const Fall faelle[] = {
        {"main record, fresh", true, B({3, 4, 249}), {{4, L}}, {}, {4}},
        {"main record, stale", false, B({3, 4, 249}), {}, {"L/5"}, {4}},
        {"record A, fresh", true, Rahmen(11, {}), {{11, QByteArray(98, 'A')}}, {}, {11}},
        {"record A, stale", false, Rahmen(11, {}), {}, {"A/5"}, {11}},
        {"record B, stale", false, Rahmen(13, {}), {}, {"B/5"}, {13}},
        {"analogue, fresh", true, Rahmen(109, {}), {{109, QByteArray(64, 'a')}}, {}, {109}},
        {"analogue, stale", false, Rahmen(109, {}), {}, {"analog/5"}, {109}},
        {"digital, fresh", true, Rahmen(111, {}), {{111, QByteArray(34, 'd')}}, {}, {111}},
        {"outputs, stale", false, Rahmen(112, {}), {}, {"Ausgaenge/5"}, {112}},
        {"echo", true, B({4, 110, 55, 87}), {{110, B({55})}}, {}, {110}},
        {"two frames in one event",
         true,
         Rahmen(110, B({1})) + Rahmen(110, B({2})),
         {{110, B({1})}, {110, B({2})}},
         {},
         {110, 110}},
        {"two identity requests in one event",
         true,
         Rahmen(100, {}) + Rahmen(100, {}),
         {{100, id}},
         {},
         {100}},
        {"flags", true, Rahmen(117, B({0x34, 0x12})), {}, {"Merker_senden/-1"}, {117}, 0x1234},
        {"short flag request: the checksum and the byte after are no flags",
         true,
         B({3, 117, 136, 0x12}),
         {},
         {},
         {117},
         -1,
         1},
        {"flag request with one data byte", true, Rahmen(117, B({0x34})), {}, {}, {117}},
        {"unknown command", true, Rahmen(42, B({1, 2})), {}, {}, {42}},
        {"checksum error discards all",
         true,
         B({4, 110, 55, 88}) + Rahmen(110, B({1})),
         {},
         {},
         {}},
        {"zero length discards all", true, B({0}) + Rahmen(110, B({1})), {}, {}, {}},
        {"a partial frame waits", true, Rahmen(110, B({1})).left(3), {}, {}, {}, -1, 3},
        {"bytes beyond 256 are dropped: a frame of 255 and the next frame's first byte stay",
         true,
         Rahmen(110, QByteArray(252, 7)) + Rahmen(110, B({1})),
         {{110, B({7})}},
         {},
         {110},
         -1,
         1},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Relaisumgebung u;
        u.befehle().akt_Daten.Daten.assign(84, 'L');
        u.k.version().Antwortbereich.fill('I');
        u.befehle().akt_Daten_A.Daten.assign(98, 'A');
        u.weitere().analoge_Eingaenge->Datensatz.fill('a');
        u.weitere().digitale_Eingaenge->Datensatz.fill('d');
        u.alle_Alter(f.frisch ? 0 : std::numeric_limits<int32_t>::max());
        u.empfange(f.bytes);
        std::vector<std::pair<int, QByteArray>> rahmen;
        for (const QByteArray& r : u.gesendet) {
            EXPECT_EQ(r, Rahmen(static_cast<uint8_t>(r[1]), r.mid(2, r.size() - 3)));
            rahmen.emplace_back(static_cast<uint8_t>(r[1]), r.mid(2, r.size() - 3));
        }
        EXPECT_EQ(rahmen, f.rahmen);
        EXPECT_EQ(u.gestartet(), f.gestartet);
        EXPECT_EQ(u.angezeigt, f.angezeigt);
        EXPECT_EQ(u.relais.Empfangszahl(), f.rest);
        EXPECT_EQ(u.relais.aktueller_Befehl(), 0);
        if (f.merkerwort >= 0) {
            EXPECT_EQ(u.weitere().Merker_senden->Wort,
                      (std::array<uint8_t, 2>{static_cast<uint8_t>(f.merkerwort & 0xFF),
                                              static_cast<uint8_t>(f.merkerwort >> 8)}));
        }
    }
}

TEST(Relais, TheMainRecordRequestIsAnsweredWithItsEightyFourBytes) {
    Relaisumgebung u;
    u.befehle().akt_Daten.Alter = 0;
    for (int i = 0; i < 84; ++i)
        u.befehle().akt_Daten.Daten[static_cast<size_t>(i)] = static_cast<uint8_t>(i + 1);
    u.empfange(B({3, 4, 249}));
    ASSERT_EQ(u.gesendet.size(), 1u);
    const QByteArray& r = u.gesendet[0];
    ASSERT_EQ(r.size(), 87);
    EXPECT_EQ(static_cast<uint8_t>(r[0]), 87);
    EXPECT_EQ(static_cast<uint8_t>(r[1]), 4);
    EXPECT_EQ(static_cast<uint8_t>(r[2]), 1);
    EXPECT_EQ(static_cast<uint8_t>(r[85]), 84);
    // 87 + 4 + (1 + ... + 84) = 3661; 3661 + 179 = 15 * 256.
    EXPECT_EQ(static_cast<uint8_t>(r[86]), 179);
}

TEST(Relais, TheTickAgesTheRecordsAndEndsTheHoldOffAndPartialFrames) {
    Relaisumgebung u;
    u.alle_Alter(0);
    u.befehle().akt_Daten_B.Alter = std::numeric_limits<int32_t>::max() - 1;
    u.ticke(499);
    EXPECT_EQ(u.befehle().akt_Daten.Alter, 499);
    EXPECT_EQ(u.weitere().digitale_Ausgaenge->Alter, 499);
    EXPECT_EQ(u.befehle().akt_Daten_B.Alter, std::numeric_limits<int32_t>::max());
    u.empfange(Rahmen(109, {}));
    EXPECT_EQ(u.gesendet.size(), 1u); // 499 ticks old: fresh
    u.ticke(1);
    u.empfange(Rahmen(109, {}));
    EXPECT_EQ(u.gesendet.size(), 1u);
    EXPECT_EQ(u.gestartet(), std::vector<std::string>{"analog/5"});
    EXPECT_EQ(u.weitere().analoge_Eingaenge->Alter, 500);
    for (const int32_t alter :
         {u.befehle().akt_Daten.Alter, u.befehle().akt_Daten_A.Alter,
          u.weitere().digitale_Eingaenge->Alter, u.weitere().digitale_Ausgaenge->Alter})
        EXPECT_EQ(alter, 500);

    // The identity is answered once in 5 s.
    u.gesendet.clear();
    u.empfange(Rahmen(100, {}));
    EXPECT_EQ(u.relais.Identitaetssperre(), 5000);
    u.ticke(49);
    u.empfange(Rahmen(100, {}));
    EXPECT_EQ(u.gesendet.size(), 1u);
    u.ticke(1);
    u.empfange(Rahmen(100, {}));
    EXPECT_EQ(u.gesendet.size(), 2u);

    // Three bytes of a frame and 300 ms of silence: the next frame is read from its start.
    u.gesendet.clear();
    u.empfange(B({4, 110}));
    u.ticke(2);
    u.empfange(B({55}));
    u.ticke(2);
    EXPECT_EQ(u.relais.Empfangszahl(), 3); // a receive event restarts the silence
    u.ticke(1);
    EXPECT_EQ(u.relais.Empfangszahl(), 0);
    u.empfange(B({4, 110, 56, 86}));
    ASSERT_EQ(u.gesendet.size(), 1u);
    EXPECT_EQ(u.gesendet[0], B({4, 110, 56, 86}));
}

TEST(Relais, StreamingSendsOneShortFrameAfterEveryMainRecordAnswer) {
    Relaisumgebung u;
    u.identitaet(1, 615);
    // Speed at bits 8..23: word 0 holds its low byte and never goes out.
    u.auswahl(313, Auswahldatei().eintrag(0x20000011, 16).eintrag(0x20000E01, 16).bytes);
    u.befehle().akt_Daten.setze_u16(10, 0xABCD);
    u.weitere().Merker->Wort = {0x11, 0x22};

    InterAction_ausfuehren(u.befehle().akt_Daten, cl_COM_data::Beantwortet);
    EXPECT_TRUE(u.gesendet.empty()); // not streaming, no request under way

    u.empfange(B({4, 105, 2, 145}));
    EXPECT_TRUE(u.relais.Streaming());
    EXPECT_EQ(u.relais.Rahmenzaehler(), 0u);
    for (int i = 0; i < 2; ++i)
        InterAction_ausfuehren(u.befehle().akt_Daten, cl_COM_data::Beantwortet);
    ASSERT_EQ(u.gesendet.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const QByteArray& r = u.gesendet[static_cast<size_t>(i)];
        ASSERT_EQ(r.size(), 125);
        EXPECT_EQ(r, Rahmen(105, r.mid(2, 122)));
        EXPECT_EQ(Wort(r, 0), i + 1);
        EXPECT_EQ(Wort(r, 1), 0);
        EXPECT_EQ(Wort(r, 2), 13);
        EXPECT_EQ(Wort(r, 3), 0x11AB); // value word 1: speed's high byte, the flags' low
        EXPECT_EQ(Wort(r, 4), 0x0022);
        EXPECT_EQ(Wort(r, 5), 0);
    }
    // Fresh inputs and flags for the next cycle.
    EXPECT_EQ(u.gestartet(), (std::vector<std::string>{"analog/-1", "digital/-1", "Merker/-1"}));

    // Any other frame ends it.
    u.empfange(Rahmen(110, B({1})));
    EXPECT_FALSE(u.relais.Streaming());
    u.gesendet.clear();
    InterAction_ausfuehren(u.befehle().akt_Daten, cl_COM_data::Beantwortet);
    EXPECT_TRUE(u.gesendet.empty());
    // A 105 with other data too, and it clears the counter.
    u.empfange(B({4, 105, 2, 145}));
    InterAction_ausfuehren(u.befehle().akt_Daten, cl_COM_data::Beantwortet);
    EXPECT_EQ(u.relais.Rahmenzaehler(), 1u);
    u.empfange(Rahmen(105, B({1})));
    EXPECT_FALSE(u.relais.Streaming());
    EXPECT_EQ(u.relais.Rahmenzaehler(), 0u);
}

TEST(Relais, StreamingOnOtherEcusSendsPairsOfLongFrames) {
    struct Fall {
        uint16_t hersteller;
        uint16_t version;
        bool kurz;
    };
    for (const Fall f :
         {Fall{1, 500, true}, Fall{1, 649, true}, Fall{1, 1600, true}, Fall{1, 1650, true},
          Fall{1, 650, false}, Fall{1, 1651, false}, Fall{1, 499, false}, Fall{2, 615, false}}) {
        SCOPED_TRACE(testing::Message() << f.hersteller << "/" << f.version);
        Relaisumgebung u;
        u.identitaet(f.hersteller, f.version);
        Auswahldatei lang;
        lang.luecke(62 * 16 - 8).eintrag(0x20000011, 16); // value word 62
        u.auswahl(321, lang.bytes);
        u.befehle().akt_Daten.setze_u16(10, 0x5AA5);
        u.empfange(B({4, 105, 2, 145}));
        InterAction_ausfuehren(u.befehle().akt_Daten, cl_COM_data::Beantwortet);
        if (f.kurz) {
            ASSERT_EQ(u.gesendet.size(), 1u);
            EXPECT_EQ(static_cast<uint8_t>(u.gesendet[0][1]), 105);
            continue;
        }
        ASSERT_EQ(u.gesendet.size(), 2u);
        const QByteArray& a = u.gesendet[0];
        const QByteArray& b = u.gesendet[1];
        ASSERT_EQ(a.size(), 133);
        ASSERT_EQ(b.size(), 133);
        EXPECT_EQ(a, Rahmen(106, a.mid(2, 130)));
        EXPECT_EQ(b, Rahmen(106, b.mid(2, 130)));
        EXPECT_EQ(Wort(a, 0), 1);
        EXPECT_EQ(Wort(a, 1), 1); // the counter
        EXPECT_EQ(Wort(a, 2), 0);
        EXPECT_EQ(Wort(a, 3), 21);
        EXPECT_EQ(Wort(a, 64), 0); // value word 61
        EXPECT_EQ(Wort(b, 0), 256);
        EXPECT_EQ(Wort(b, 1), 0x5AA5); // value word 62
        EXPECT_EQ(u.relais.Statuswerte().geladene_Nummer(), 321);
    }
}

TEST(Relais, SwitchingThePortEndsStreamingAndAFailedOpenTellsTheUser) {
    Relaisumgebung u;
    u.empfange(B({4, 105, 2, 145}));
    ASSERT_TRUE(u.relais.Streaming());
    EXPECT_FALSE(u.relais.Relais_oeffnen(-1, true));
    EXPECT_FALSE(u.relais.Streaming());
    EXPECT_EQ(u.k.meldungen.texte, QStringList{hole_Text(1286)});
    EXPECT_EQ(hole_Text(1286), QStringLiteral("The Bluetooth relay's port cannot be opened."));

    u.empfange(B({4, 105, 2, 145}));
    EXPECT_FALSE(u.relais.Relais_oeffnen(3, false));
    EXPECT_FALSE(u.relais.Streaming());
    EXPECT_EQ(u.k.meldungen.texte.size(), 1);
    // A port the table does not name.
    EXPECT_FALSE(u.relais.Relais_oeffnen(3, true));
    EXPECT_EQ(u.k.meldungen.texte.size(), 2);
    EXPECT_FALSE(u.relais.offen());
}

TEST(Relais, RecordAnswersOutsideARequestSendNothing) {
    Relaisumgebung u;
    u.alle_Alter(std::numeric_limits<int32_t>::max());
    u.empfange(Rahmen(11, {})); // stale: started, not answered
    for (Sender* s : std::initializer_list<Sender*>{
             &u.befehle().akt_Daten, &u.befehle().akt_Daten_A, &u.befehle().akt_Daten_B,
             u.weitere().analoge_Eingaenge.get(), u.weitere().digitale_Eingaenge.get(),
             u.weitere().digitale_Ausgaenge.get()})
        InterAction_ausfuehren(*s, cl_COM_data::Beantwortet);
    EXPECT_TRUE(u.gesendet.empty());
    // The remote device asks again and gets the refreshed record.
    u.befehle().akt_Daten_A.Alter = 0;
    u.empfange(Rahmen(11, {}));
    EXPECT_EQ(u.gesendet.size(), 1u);
}
