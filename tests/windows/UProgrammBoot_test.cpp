#include "windows/Bootumgebung.h"

#include "link/CanPort.h"
#include "platform/CanKanal.h"
#include "platform/Dateien.h"
#include "windows/UColorButton.h"
#include "windows/UQuorvel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

using ecusim::Bootfehler;

namespace {

const QString Uebertragungsfehler = QStringLiteral("Übertragungsfehler");

QByteArray hex(const char* h) {
    return QByteArray::fromHex(h);
}

// The sum of a telegram's bytes is 0 modulo 256.
bool summe_null(const QByteArray& b) {
    uint8_t s = 0;
    for (char c : b)
        s = static_cast<uint8_t>(s + static_cast<uint8_t>(c));
    return s == 0;
}

class Programmierung : public ::testing::TestWithParam<bool> {};

} // namespace

// 25 records on each path: the progress at the 11th and 22nd reply, the image, the telegrams
// as bytes, the line, and the ECU's new identity.
TEST_P(Programmierung, TwentyFiveRecordsEndToEnd) {
    Bootumgebung u(GetParam());
    ASSERT_TRUE(u.verbunden_mit(1));
    std::vector<int> fortschritt;
    const auto vorher = u.logik().geaendert;
    u.logik().geaendert = [&] {
        vorher();
        const int f = u.logik().anzeige().Fortschritt;
        if (fortschritt.empty() || fortschritt.back() != f)
            fortschritt.push_back(f);
    };
    std::unique_ptr<CanKanal> lauscher;
    if (u.can()) {
        lauscher = u.bus->Teilnehmer();
        lauscher->erlaube_Id(static_cast<int32_t>(0x1FFFFFFE | CAN_29_Bit));
    }
    u.starte(u.Datei(Programmdatei_Bytes(25)));
    EXPECT_EQ(u.logik().Zustand(), 1);
    EXPECT_TRUE(u.link().ist_unterbrochen());
    EXPECT_EQ(u.fenster().colorButton_starten->text(), hole_Text(71));
    ASSERT_TRUE(u.warte_Meldung());
    EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(564)});
    EXPECT_EQ(fortschritt, (std::vector<int>{0, 48, 92, 0}));
    ASSERT_EQ(u.boot.Abbild.size(), 25u);
    for (int i = 0; i < 25; ++i) {
        const tDatensatz s = Testsatz(i + 1);
        EXPECT_EQ(u.boot.Abbild[static_cast<size_t>(i)],
                  QByteArray(reinterpret_cast<const char*>(s.Bytes.data()), 22))
            << i;
    }
    // Version 12: the long erase and end, both with 3072.
    EXPECT_EQ(u.empfangen(0xE0), std::vector<QByteArray>{hex("03e01d")});
    const std::vector<QByteArray> loeschen = u.empfangen(0xEA);
    ASSERT_EQ(loeschen.size(), 1u);
    EXPECT_EQ(loeschen[0].mid(6, 4), hex("000c0000"));
    EXPECT_EQ(loeschen[0].left(2), hex("0bea"));
    const std::vector<QByteArray> ende = u.empfangen(0xE5);
    ASSERT_EQ(ende.size(), 1u);
    EXPECT_EQ(ende[0].left(6), hex("07e5000c0000"));
    EXPECT_TRUE(summe_null(ende[0]));
    EXPECT_EQ(u.empfangen(0xE4).size(), 25u);
    if (!u.can()) {
        ASSERT_FALSE(u.boot.Leitungen.empty());
        for (const ecusim::Leitungseinstellung& l : u.boot.Leitungen)
            EXPECT_EQ(l, (ecusim::Leitungseinstellung{57600, 8, 'N', 1}));
    }
    // Back to normal: the link's line and scheduler, and the ECU's new software shown.
    EXPECT_FALSE(u.link().ist_unterbrochen());
    EXPECT_EQ(u.fenster().colorButton_starten->text(), hole_Text(77));
    EXPECT_EQ(u.fenster().ProgressBar->value(), 0);
    ASSERT_TRUE(u.warte([&] { return u.version().Version() == 616; }));
    EXPECT_TRUE(u.warte(
        [&] { return u.kontext->hauptfenster()->Label_Version->text().startsWith("6.16"); }));
    if (!u.can()) {
        EXPECT_EQ(u.sim.Leitung(), (ecusim::Leitungseinstellung{19200, 8, 'N', 2}));
        return;
    }
    // On CAN: the wake message, the access text and a record as the bus carried them.
    std::vector<CanMsg> alle;
    CanMsg m;
    while (lauscher->nimm(m))
        alle.push_back(m);
    const auto wecken = std::find_if(alle.begin(), alle.end(), [](const CanMsg& n) {
        return n.data[0] == 0x80 && n.data[1] == 1 && n.data[2] == 0xA5;
    });
    ASSERT_NE(wecken, alle.end());
    EXPECT_EQ(wecken->len, 8);
    const auto anfang = std::find_if(
        wecken, alle.end(), [](const CanMsg& n) { return n.data[0] == 0 && n.data[2] == 'Q'; });
    ASSERT_GE(alle.end() - anfang, 4);
    const int zugang[][2] = {{0x00, 6}, {0x01, 6}, {0x02, 6}, {0x83, 2}};
    QByteArray text;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(anfang[i].data[0], zugang[i][0]) << i;
        EXPECT_EQ(anfang[i].data[1], zugang[i][1]) << i;
        EXPECT_EQ(anfang[i].len, 8) << i;
        text.append(reinterpret_cast<const char*>(anfang[i].data) + 2, zugang[i][1]);
    }
    EXPECT_EQ(text, QByteArray("QUADRO PLENTIFULNESS"));
    // The first record: 25 bytes in five messages.
    const auto satz = std::find_if(alle.begin(), alle.end(), [](const CanMsg& n) {
        return n.data[0] == 0 && n.data[2] == 0x19 && n.data[3] == 0xE4;
    });
    ASSERT_NE(satz, alle.end());
    ASSERT_GE(alle.end() - satz, 5);
    const int folge[][2] = {{0x00, 6}, {0x01, 6}, {0x02, 6}, {0x03, 6}, {0x84, 1}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(satz[i].data[0], folge[i][0]) << i;
        EXPECT_EQ(satz[i].data[1], folge[i][1]) << i;
    }
}

// A boot loader of version 11: the short erase with the authorisation code alone and the
// short end, and the programming goes through as with the long ones.
TEST_P(Programmierung, VersionElevenTakesTheShortEraseAndEnd) {
    Bootumgebung u(GetParam());
    ASSERT_TRUE(u.verbunden_mit(1));
    u.boot.Version = 11;
    u.starte(u.Datei(Programmdatei_Bytes(12)));
    ASSERT_TRUE(u.warte_Meldung());
    EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(564)});
    EXPECT_EQ(u.empfangen(0xEA), std::vector<QByteArray>{});
    const std::vector<QByteArray> loeschen = u.empfangen(0xE3);
    ASSERT_EQ(loeschen.size(), 1u);
    EXPECT_EQ(loeschen[0].left(6), hex("07e35ac3963c"));
    EXPECT_EQ(loeschen[0].size(), 7);
    EXPECT_TRUE(summe_null(loeschen[0]));
    EXPECT_EQ(u.empfangen(0xE5), std::vector<QByteArray>{hex("03e518")});
    EXPECT_EQ(u.boot.Abbild.size(), 12u);
}

// Each failure on the paths it applies to: its one message, whether the link stays in boot
// mode (stop 1) or is given back (stop 0), and the caption after.
TEST_P(Programmierung, FailuresAgainstTheSimulatedBootLoader) {
    const bool can = GetParam();
    Bootumgebung u(can);
    ASSERT_TRUE(u.verbunden_mit(1));
    enum Wege { beide, seriell, nur_CAN };
    struct Fall {
        const char* was;
        Wege wege;
        std::function<void(Bootumgebung&)> vorher;
        QString text; // empty: the dialogue runs through to its end
        bool Bootmodus_danach;
    };
    const auto fehler = [](Bootfehler f, int satz = 0) {
        return [f, satz](Bootumgebung& x) { x.boot.injiziere(f, satz); };
    };
    const Fall faelle[] = {
        {"access answered with F", beide, fehler(Bootfehler::Falsche_Zugangsantwort),
         hole_Text(554), false},
        {"version 1", beide, [](Bootumgebung& x) { x.boot.Version = 1; }, hole_Text(556), true},
        {"wrong checksum", beide, fehler(Bootfehler::Falsche_Pruefsumme), hole_Text(553), true},
        {"version reply of 6 bytes", beide, fehler(Bootfehler::Versionslaenge_6), hole_Text(555),
         true},
        {"reply past 101 bytes", beide, fehler(Bootfehler::Ueberlang), Uebertragungsfehler, true},
        {"erase refused", beide, fehler(Bootfehler::Loeschen_abgelehnt), hole_Text(559), true},
        {"end refused", beide, fehler(Bootfehler::Ende_abgelehnt), hole_Text(563), true},
        {"greeting in three pieces", beide, fehler(Bootfehler::Gruss_geteilt), hole_Text(564),
         false},
        {"bare 04 E4 01, accepted after 50 ticks", seriell,
         fehler(Bootfehler::Satz_ohne_Pruefsumme, 2), hole_Text(564), false},
        {"CAN data length 7", nur_CAN, fehler(Bootfehler::CAN_Laenge_7), Uebertragungsfehler, true},
        {"CAN count 7", nur_CAN, fehler(Bootfehler::CAN_Anzahl_7), Uebertragungsfehler, true},
        {"CAN sequence gap", nur_CAN, fehler(Bootfehler::CAN_Sequenzluecke), Uebertragungsfehler,
         true},
    };
    const QString datei = u.Datei(Programmdatei_Bytes(3));
    for (const Fall& f : faelle) {
        if ((f.wege == seriell && can) || (f.wege == nur_CAN && !can))
            continue;
        SCOPED_TRACE(f.was);
        u.boot.Version = 12;
        f.vorher(u);
        u.meldungen.texte.clear();
        u.starte(datei);
        ASSERT_TRUE(u.warte_Meldung());
        // Whatever still comes in the next moments brings no second message.
        Bootumgebung::pumpe(150);
        EXPECT_EQ(u.meldungen.texte, QStringList{f.text});
        EXPECT_EQ(u.logik().Zustand(), 0);
        EXPECT_EQ(u.link().ist_unterbrochen(), f.Bootmodus_danach);
        EXPECT_EQ(u.fenster().colorButton_starten->text(), hole_Text(77));
        EXPECT_EQ(u.fenster().ProgressBar->value(), 0);
        if (can) {
            EXPECT_EQ(u.logik().Idle_aktiv(), f.Bootmodus_danach);
        }
        u.boot.keine_Fehler();
    }
}

// A write that does not go out ends the attempt with one message and leaves the link in boot
// mode, as a failed transfer does: the dialogue has no reply time-out, and without the stop the
// user would wait for a reply to what never left. Each path's writers: the link's for the
// records and on serial for everything, the window's own CAN port for its telegrams.
TEST_P(Programmierung, AFailedWriteStopsTheAttemptWithOneMessage) {
    const bool can = GetParam();
    struct Fall {
        const char* was;
        bool auf_CAN;
        // Breaks the way out, once the dialogue has come far enough; true when done.
        std::function<bool(Bootumgebung&)> brich;
    };
    const auto bei_Anzeige = [](QString Programmboot::Anzeige::*feld, auto tun) {
        return [feld, tun](Bootumgebung& x) {
            if ((x.logik().anzeige().*feld).isEmpty())
                return false;
            tun(x);
            return true;
        };
    };
    const Fall faelle[] = {
        {"serial: far end gone while a bare record reply waits, the next record", false,
         [](Bootumgebung& x) {
             if (x.empfangen(0xE4).size() < 2)
                 return false;
             x.sim.schliesse();
             return true;
         }},
        {"serial: far end gone before the greeting, the wake byte", false,
         [](Bootumgebung& x) {
             x.sim.schliesse();
             return true;
         }},
        {"CAN: own port gone after the serial number, the next identification request", true,
         bei_Anzeige(&Programmboot::Anzeige::Seriennummer,
                     [](Bootumgebung& x) { x.logik().CAN_Port().Close(); })},
        {"CAN: the link's port gone after the type number, the first record", true,
         bei_Anzeige(&Programmboot::Anzeige::Typnummer,
                     [](Bootumgebung& x) { x.link().CAN_Port().Close(); })},
    };
    // A case that fails its wait returns from here, and the next one still runs.
    const auto pruefe = [can](const Fall& f) {
        SCOPED_TRACE(f.was);
        Bootumgebung u(can);
        ASSERT_TRUE(u.verbunden_mit(1));
        // Two bare replies hold the serial dialogue a second each, long enough to pull the
        // cable in between.
        if (!can)
            u.boot.injiziere(Bootfehler::Satz_ohne_Pruefsumme, 2);
        bool gebrochen = false;
        const auto vorher = u.logik().geaendert;
        u.logik().geaendert = [&] {
            vorher();
            if (!gebrochen && u.logik().Zustand() != 0)
                gebrochen = f.brich(u);
        };
        u.starte(u.Datei(Programmdatei_Bytes(3)));
        if (!gebrochen) {
            ASSERT_TRUE(u.warte([&] { return gebrochen = f.brich(u); }));
        }
        // The message may have come while the break was waited for.
        ASSERT_TRUE(u.warte([&] { return !u.meldungen.texte.isEmpty(); }));
        // The wake byte's timer, the idle poll and what is still on its way: no second one.
        Bootumgebung::pumpe(200);
        EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(1392)});
        EXPECT_EQ(u.logik().Zustand(), 0);
        EXPECT_TRUE(u.link().ist_unterbrochen());
        EXPECT_EQ(u.fenster().colorButton_starten->text(), hole_Text(77));
        EXPECT_EQ(u.fenster().ProgressBar->value(), 0);
        EXPECT_TRUE(u.boot.Abbild.size() < 3u);
    };
    for (const Fall& f : faelle)
        if (f.auf_CAN == can)
            pruefe(f);
}

// The port box changes the link's port mid-run: the dialogue's line and receiver are gone, so
// it stops with one message and gives the link back to the scheduler on the new port.
TEST_P(Programmierung, APortChangeMidRunStopsTheDialogue) {
    Bootumgebung u(GetParam());
    ASSERT_TRUE(u.verbunden_mit(1));
    u.boot.injiziere(Bootfehler::Satz_ohne_Antwort, 2);
    u.starte(u.Datei(Programmdatei_Bytes(3)));
    ASSERT_TRUE(u.warte([&] { return u.empfangen(0xE4).size() == 2; }));
    // On CAN to COM1, which this bus's fixture does not have; on serial COM1 again.
    u.link().waehle_Port(1, true, false);
    ASSERT_TRUE(u.warte([&] { return !u.meldungen.texte.isEmpty(); }));
    Bootumgebung::pumpe(200);
    EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(1393)});
    EXPECT_EQ(u.logik().Zustand(), 0);
    EXPECT_FALSE(u.link().ist_unterbrochen());
    EXPECT_FALSE(u.logik().Idle_aktiv());
    EXPECT_FALSE(u.logik().CAN_Port_offen());
    EXPECT_EQ(u.fenster().colorButton_starten->text(), hole_Text(77));
    if (!u.can()) {
        // The erased ECU answers as its boot loader on the link's normal line.
        EXPECT_TRUE(u.verbunden_mit(8));
    }
}

// A version reply of 4 bytes leaves the dialogue waiting; only the start button ends it,
// without a message, and gives the link back.
TEST_P(Programmierung, AShortVersionReplyWaitsUntilTheUserStops) {
    Bootumgebung u(GetParam());
    ASSERT_TRUE(u.verbunden_mit(1));
    u.boot.injiziere(Bootfehler::Versionslaenge_4);
    u.starte(u.Datei(Programmdatei_Bytes(3)));
    ASSERT_TRUE(u.warte([&] { return u.logik().Zustand() == 4 && !u.empfangen(0xE0).empty(); }));
    Bootumgebung::pumpe(300);
    EXPECT_EQ(u.logik().Zustand(), 4);
    EXPECT_TRUE(u.meldungen.texte.isEmpty());
    u.fenster().Button_startenClick();
    EXPECT_EQ(u.logik().Zustand(), 0);
    EXPECT_FALSE(u.link().ist_unterbrochen());
    EXPECT_FALSE(u.logik().CAN_Port_offen());
    EXPECT_TRUE(u.meldungen.texte.isEmpty());
    EXPECT_TRUE(u.verbunden_mit(1));
}

// Another type number: all four labels shown, then text 568.
TEST_P(Programmierung, AFileForAnotherTypeNumberIsRefusedAfterTheFourLabels) {
    Bootumgebung u(GetParam());
    ASSERT_TRUE(u.verbunden_mit(1));
    u.starte(u.Datei(Programmdatei_Bytes(3, 1, 1, 401)));
    ASSERT_TRUE(u.warte_Meldung());
    EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(568)});
    struct Zeile {
        QLabel* label;
        QString wert;
    };
    const Zeile zeilen[] = {
        {u.fenster().Label_Seriennummer, QStringLiteral("20170815")},
        {u.fenster().Label_Quorvel_Typ, ECU_Typ_Name(1)},
        {u.fenster().Label_Hersteller, Hersteller_Name(1)},
        {u.fenster().Label_Typnummer, QStringLiteral("400")},
    };
    for (const Zeile& z : zeilen)
        EXPECT_EQ(z.label->text(), z.wert) << z.wert.toStdString();
    EXPECT_TRUE(u.boot.Abbild.empty());
    EXPECT_EQ(u.boot.Loeschungen, 0);
    EXPECT_TRUE(u.link().ist_unterbrochen());
}

// A refused record: its number in the message, the link still in boot mode, and the next
// press starts at once with the wake byte.
TEST_P(Programmierung, ARefusedRecordLeavesBootModeAndTheNextPressStartsAtOnce) {
    Bootumgebung u(GetParam());
    ASSERT_TRUE(u.verbunden_mit(1));
    u.boot.injiziere(Bootfehler::Satz_abgelehnt, 10);
    const QString datei = u.Datei(Programmdatei_Bytes(25));
    u.starte(datei);
    ASSERT_TRUE(u.warte_Meldung());
    EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(561) + QStringLiteral(" 10")});
    EXPECT_EQ(u.fenster().colorButton_starten->text(), hole_Text(77));
    EXPECT_TRUE(u.link().ist_unterbrochen());
    const int gruesse = u.boot.Gruesse;
    u.meldungen.texte.clear();
    u.fenster().Button_startenClick();
    EXPECT_EQ(u.logik().Zustand(), 1);
    ASSERT_TRUE(u.warte([&] { return u.boot.Gruesse > gruesse; }, 5000));
    ASSERT_TRUE(u.warte_Meldung());
    EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(564)});
    EXPECT_EQ(u.boot.Abbild.size(), 25u);
}

// No reply to record 10: the user stops, the link goes back to its line and scheduler and
// finds the boot loader (ECU type 8), the update window opens; a second programming brings
// the application back.
TEST_P(Programmierung, AnInterruptedProgrammingIsRepeated) {
    Bootumgebung u(GetParam());
    ASSERT_TRUE(u.verbunden_mit(1));
    EXPECT_FALSE(u.updatefenster().isVisible());
    u.boot.injiziere(Bootfehler::Satz_ohne_Antwort, 10);
    const QString datei = u.Datei(Programmdatei_Bytes(25));
    u.starte(datei);
    ASSERT_TRUE(u.warte([&] { return u.empfangen(0xE4).size() == 10; }));
    Bootumgebung::pumpe(200);
    EXPECT_EQ(u.logik().Zustand(), 6);
    u.fenster().Button_startenClick();
    EXPECT_TRUE(u.meldungen.texte.isEmpty());
    EXPECT_FALSE(u.link().ist_unterbrochen());
    if (!u.can()) {
        EXPECT_EQ(u.sim.Leitung(), (ecusim::Leitungseinstellung{19200, 8, 'N', 2}));
    }
    ASSERT_TRUE(u.verbunden_mit(8));
    // What the user sees: the main window names the boot loader as the ECU's type.
    TForm_Quorvel& haupt = *u.kontext->hauptfenster();
    EXPECT_TRUE(u.warte([&] {
        return haupt.Label_Quorvel_Typ->text() == QStringLiteral("Bootloader") &&
               haupt.Zeile_sichtbar(haupt.Label_Quorvel_Typ);
    })) << haupt.Label_Quorvel_Typ->text().toStdString();
    EXPECT_TRUE(u.warte([&] { return u.updatefenster().isVisible(); }));
    // The boot loader's identity names no parameter definitions: the program says so.
    u.meldungen.texte.clear();
    u.starte(datei);
    ASSERT_TRUE(u.warte_Meldung());
    EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(564)});
    EXPECT_EQ(u.boot.Abbild.size(), 25u);
    ASSERT_TRUE(u.verbunden_mit(1));
    EXPECT_TRUE(u.warte([&] { return !u.updatefenster().isVisible(); }));
}

// Once stopped, the dialogue takes nothing: input that comes late, after a failure that leaves
// the link in boot mode, brings no second message and does not spoil the next attempt.
TEST_P(Programmierung, LateInputAfterAFailureBringsNoSecondMessage) {
    Bootumgebung u(GetParam());
    ASSERT_TRUE(u.verbunden_mit(1));
    u.boot.Version = 1;
    const QString datei = u.Datei(Programmdatei_Bytes(3));
    u.starte(datei);
    ASSERT_TRUE(u.warte_Meldung());
    EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(556)});
    ASSERT_TRUE(u.link().ist_unterbrochen());
    // A reply with a wrong checksum, then more than the reply buffer holds.
    u.sim.sende_Bytes(hex("05e00c0000"));
    u.sim.sende_Bytes(QByteArray(150, '\x11'));
    if (u.can()) {
        const QByteArray antwort = ecusim::baue_Rahmen(0xE4, QByteArray(1, '\1'));
        u.sim.sende_Bytes(antwort, {.Datenlaenge = 7});
        u.sim.sende_Bytes(antwort, {.Anzahl = 7});
        u.sim.sende_Bytes(antwort, {.Sequenzluecke = true});
    }
    Bootumgebung::pumpe(300);
    EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(556)});
    EXPECT_EQ(u.logik().Zustand(), 0);
    u.boot.Version = 12;
    u.meldungen.texte.clear();
    u.starte(datei);
    ASSERT_TRUE(u.warte_Meldung());
    EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(564)});
    EXPECT_EQ(u.boot.Abbild.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Wege, Programmierung, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) {
                             return i.param ? std::string("CAN") : std::string("Seriell");
                         });

// Files that give nothing to program are refused before anything is sent.
TEST(Programmboot, ProgramFilesRefusedBeforeAnythingIsSent) {
    Bootumgebung u(false);
    ASSERT_TRUE(u.verbunden_mit(1));
    struct Fall {
        const char* was;
        std::optional<QByteArray> inhalt; // nullopt: no such file
        int text;
    };
    const QByteArray gut = Programmdatei_Bytes(25);
    const Fall faelle[] = {
        {"empty", QByteArray(), 565},
        {"header only", gut.left(22), 565},
        {"missing", std::nullopt, 565},
        {"cut inside a record", gut.left(22 * 10 + 5), 566},
        {"one byte past the records", gut + QByteArray(1, '\0'), 566},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        const QString datei = f.inhalt ? u.Datei(*f.inhalt, QString::fromLatin1(f.was))
                                       : u.ordner.datei(QStringLiteral("nothing.bin"));
        const size_t vorher = u.sim.empfangene().size();
        u.meldungen.texte.clear();
        u.starte(datei);
        EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(f.text)});
        EXPECT_EQ(u.logik().Zustand(), 0);
        EXPECT_FALSE(u.link().ist_unterbrochen());
        Bootumgebung::pumpe(50);
        EXPECT_EQ(u.boot.Gruesse, 0);
        // Only the scheduler's own requests reached the ECU meanwhile.
        for (size_t i = vorher; i < u.sim.empfangene().size(); ++i)
            EXPECT_LT(static_cast<uint8_t>(u.sim.empfangene()[i].befehl()), 0xE0);
    }
}

// With the link switched off nothing starts: its port would carry the boot loader's wake-up
// and erase, but not the records.
TEST_P(Programmierung, NothingStartsWhileTheLinkIsOff) {
    Bootumgebung u(GetParam());
    ASSERT_TRUE(u.verbunden_mit(1));
    u.link().setze_Verbindung(false);
    u.starte(u.Datei(Programmdatei_Bytes(3)));
    EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(1391)});
    EXPECT_EQ(u.logik().Zustand(), 0);
    EXPECT_FALSE(u.link().ist_unterbrochen());
    EXPECT_FALSE(u.logik().Idle_aktiv());
    Bootumgebung::pumpe(50);
    EXPECT_EQ(u.boot.Gruesse, 0);
}

// Hardware the boot loader may not serve: text 570 asks first; Cancel starts nothing.
TEST(Programmboot, TheHardwareQuestionComesFirst) {
    ecusim::Identitaetsdaten id;
    id.Hardware_Haupt = 200;
    Bootumgebung u(false, id);
    ASSERT_TRUE(u.verbunden_mit(1));
    u.meldungen.setze_Antwort(false);
    u.starte(u.Datei(Programmdatei_Bytes(3)));
    EXPECT_EQ(u.meldungen.fragen, QStringList{hole_Text(570)});
    EXPECT_EQ(u.meldungen.fragentitel, QStringList{QString()});
    EXPECT_EQ(u.logik().Zustand(), 0);
    EXPECT_FALSE(u.link().ist_unterbrochen());
    u.meldungen.setze_Antwort(true);
    u.starte(u.Datei(Programmdatei_Bytes(3)));
    EXPECT_EQ(u.logik().Zustand(), 1);
    ASSERT_TRUE(u.warte_Meldung());
    EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(564)});
}

// The hardware rule: 0, 100 to 199, 200 and 300 ask first, other numbers do not. The file is
// empty, so that a start that is not held by the question ends at once with text 565.
TEST(Programmboot, TheHardwareQuestionByHardwareNumber) {
    Bootumgebung u(false);
    ASSERT_TRUE(u.verbunden_mit(1));
    u.meldungen.setze_Antwort(false);
    const QString leer = u.Datei(QByteArray(), QStringLiteral("empty.bin"));
    const std::pair<uint16_t, bool> faelle[] = {
        {0, true},   {1, false},   {99, false},  {100, true}, {150, true},  {199, true},
        {200, true}, {201, false}, {299, false}, {300, true}, {301, false}, {400, false},
    };
    for (const auto& [hw, fragt] : faelle) {
        SCOPED_TRACE(hw);
        ecusim::Identitaetsdaten id;
        id.Hardware_Haupt = hw;
        u.sim.Identitaet = ecusim::baue_Identitaet(id);
        u.version().anfordern();
        ASSERT_TRUE(u.warte([&] { return u.version().Hardware_Haupt() == hw; }, 5000));
        u.meldungen.fragen.clear();
        u.meldungen.texte.clear();
        u.starte(leer);
        EXPECT_EQ(u.meldungen.fragen, fragt ? QStringList{hole_Text(570)} : QStringList{});
        EXPECT_EQ(u.meldungen.texte, fragt ? QStringList{} : QStringList{hole_Text(565)});
        EXPECT_EQ(u.logik().Zustand(), 0);
    }
}

// The own CAN port that does not open: its fixed text, and the link goes on as it was.
TEST(Programmboot, TheOwnCanPortNotOpeningLeavesTheLinkAlone) {
    Bootumgebung u(true);
    ASSERT_TRUE(u.verbunden_mit(1));
    ASSERT_TRUE(u.kontext->registry().writeString(QStringLiteral("CAN_Plugin"),
                                                  QStringLiteral("nosuchplugin")));
    u.starte(u.Datei(Programmdatei_Bytes(3)));
    EXPECT_EQ(u.meldungen.texte,
              QStringList{QStringLiteral("Fehler beim öffnen der CAN-Schnittstelle")});
    EXPECT_EQ(u.logik().Zustand(), 0);
    EXPECT_FALSE(u.link().ist_unterbrochen());
    EXPECT_FALSE(u.logik().Idle_aktiv());
    EXPECT_EQ(u.boot.Gruesse, 0);
    EXPECT_TRUE(u.verbunden_mit(1));
}

// The file list: chosen names, the Delete key in the dropped-down list, and both stores
// written when the window hides.
TEST(Programmboot, FileListChoiceDeleteAndStore) {
    Bootumgebung u(false);
    TForm_Programmboot& f = u.fenster();
    struct Schritt {
        QString name;
        QStringList liste;
        QString text;
    };
    const Schritt schritte[] = {
        {QStringLiteral("/a/one.bin"), {"/a/one.bin"}, "/a/one.bin"},
        {QStringLiteral("/a/two.bin"), {"/a/one.bin", "/a/two.bin"}, "/a/two.bin"},
        {QStringLiteral("/a/one.bin"), {"/a/one.bin", "/a/two.bin"}, "/a/one.bin"},
        {QStringLiteral("/a/ONE.bin"), {"/a/one.bin", "/a/two.bin", "/a/ONE.bin"}, "/a/ONE.bin"},
        {QString(), {"/a/one.bin", "/a/two.bin", "/a/ONE.bin"}, "/a/ONE.bin"},
    };
    for (const Schritt& s : schritte) {
        f.OpenDialog_Programmboot = [&s] { return s.name; };
        f.Button_waehlenClick();
        QStringList items;
        for (int i = 0; i < f.ComboBox->count(); ++i)
            items << f.ComboBox->itemText(i);
        EXPECT_EQ(items, s.liste) << s.name.toStdString();
        EXPECT_EQ(f.ComboBox->currentText(), s.text) << s.name.toStdString();
    }
    f.show();
    f.ComboBox->showPopup();
    ASSERT_TRUE(u.warte([&] { return f.ComboBox->view()->isVisible(); }, 3000));
    f.ComboBox->view()->setCurrentIndex(f.ComboBox->model()->index(1, 0));
    QTest::keyClick(f.ComboBox->view(), Qt::Key_Delete);
    f.ComboBox->hidePopup();
    EXPECT_EQ(f.ComboBox->count(), 2);
    EXPECT_EQ(f.ComboBox->itemText(1), QStringLiteral("/a/ONE.bin"));
    f.hide();
    EXPECT_EQ(Dateien::lies_Zeilen(u.ordner.datei(QStringLiteral("Dateien.dat")))
                  .value_or(QStringList{"unreadable"}),
              (QStringList{"/a/one.bin", "/a/ONE.bin"}));
    EXPECT_EQ(u.kontext->registry().readString(QStringLiteral("Datei_Programm")).value_or("-"),
              f.ComboBox->currentText());
    // A new window reads both.
    Programmboot neu(u.link(), u.version(), u.meldungen, u.kontext->registry());
    EXPECT_EQ(neu.Dateiliste, (QStringList{"/a/one.bin", "/a/ONE.bin"}));
    EXPECT_EQ(neu.Datei, f.ComboBox->currentText());
}

// A record reply that lacks its checksum (04 E4 01 alone) counts as accepted only after 50
// ticks of 20 ms: the next record leaves no earlier than that, and not much later.
TEST(Programmboot, ABareRecordReplyIsAcceptedAfterFiftyTicks) {
    Bootumgebung u(false);
    ASSERT_TRUE(u.verbunden_mit(1));
    u.boot.injiziere(Bootfehler::Satz_ohne_Pruefsumme, 2);
    u.starte(u.Datei(Programmdatei_Bytes(3)));
    ASSERT_TRUE(u.warte([&] { return u.empfangen(0xE4).size() == 2; }));
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(u.warte([&] { return u.empfangen(0xE4).size() == 3; }, 5000));
    const qint64 ms = t.elapsed();
    // 49 whole intervals at least, each of a coarse timer's 20 ms less 5 %.
    EXPECT_GE(ms, 900);
    EXPECT_LE(ms, 2500);
    // The last record's reply may have ended the programming already.
    ASSERT_TRUE(u.warte([&] { return !u.meldungen.texte.isEmpty(); }, 20000));
    EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(564)});
    EXPECT_EQ(u.boot.Abbild.size(), 3u);
}

// Hiding or closing the window stores the file list and stops nothing: the programming,
// held mid-run by a bare record reply, goes on to its end.
TEST(Programmboot, HidingOrClosingTheWindowStopsNothing) {
    Bootumgebung u(false);
    ASSERT_TRUE(u.verbunden_mit(1));
    TForm_Programmboot& f = u.fenster();
    const QString datei = u.Datei(Programmdatei_Bytes(12));
    const QString liste = u.ordner.datei(QStringLiteral("Dateien.dat"));
    const std::pair<const char*, std::function<void()>> faelle[] = {
        {"hide", [&f] { f.hide(); }},
        {"close", [&f] { f.close(); }},
    };
    for (const auto& [was, tun] : faelle) {
        SCOPED_TRACE(was);
        f.show();
        u.boot.injiziere(Bootfehler::Satz_ohne_Pruefsumme, 5);
        u.meldungen.texte.clear();
        u.starte(datei);
        ASSERT_TRUE(u.warte([&] { return u.boot.Abbild.size() == 5; }));
        QFile::remove(liste);
        tun();
        EXPECT_FALSE(f.isVisible());
        EXPECT_EQ(Dateien::lies_Zeilen(liste).value_or(QStringList{}), QStringList{datei});
        EXPECT_EQ(u.logik().Zustand(), 6);
        EXPECT_TRUE(u.link().ist_unterbrochen());
        ASSERT_TRUE(u.warte_Meldung());
        EXPECT_EQ(u.meldungen.texte, QStringList{hole_Text(564)});
        EXPECT_EQ(u.boot.Abbild.size(), 12u);
        EXPECT_FALSE(u.link().ist_unterbrochen());
    }
}

// A file list that cannot be written is told to the user; the registry value is still
// stored.
TEST(Programmboot, AFileListThatCannotBeWrittenIsTold) {
    Bootumgebung u(false);
    TForm_Programmboot& f = u.fenster();
    const QString liste = Dateien::verbinde(u.logik().Dateiordner(), QStringLiteral("Dateien.dat"));
    // A folder of that name: the list cannot take its place.
    ASSERT_TRUE(QDir().mkpath(liste));
    u.logik().waehle_Datei(QStringLiteral("/a/one.bin"));
    f.show();
    f.hide();
    EXPECT_EQ(u.meldungen.texte, QStringList{QStringLiteral("File ") + liste +
                                             QStringLiteral(" could not be written.")});
    EXPECT_EQ(u.kontext->registry().readString(QStringLiteral("Datei_Programm")).value_or("-"),
              QStringLiteral("/a/one.bin"));
}

// The erase authorisation is put together at run time; the simulated boot loader checks it
// as its own literal.
TEST(Programmboot, EraseCodeMatchesTheBootLoadersLiteral) {
    const std::array<uint8_t, 4> c = Programmboot::Loeschcode();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(c.data()), 4),
              QByteArray(reinterpret_cast<const char*>(ecusim::Bootloaderbereich::Loeschcode), 4));
}

// Pictures of both windows with content, mid-run, for a look by eye: only with
// QUORVEL_BILDER naming a folder (under a real X server, e.g. xvfb-run and
// QT_QPA_PLATFORM=xcb).
TEST(Programmboot, PicturesOfBothWindows) {
    const QString bilder = qEnvironmentVariable("QUORVEL_BILDER");
    if (bilder.isEmpty())
        GTEST_SKIP() << "QUORVEL_BILDER names no folder";
    Bootumgebung u(false);
    ASSERT_TRUE(u.verbunden_mit(1));
    // Paced as the real line, so that the run lasts long enough to be seen.
    u.sim.setze_Bits_je_Byte(10);
    u.sim.setze_Leitungstempo(57600);
    u.sim.setze_Eingangstempo(57600);
    TForm_Programmboot& f = u.fenster();
    f.show();
    u.logik().waehle_Datei(u.Datei(Programmdatei_Bytes(400)));
    f.Button_startenClick();
    ASSERT_TRUE(u.warte([&] { return f.ProgressBar->value() >= 30; }));
    QTest::qWait(50);
    EXPECT_FALSE(f.Label_Typnummer->text().isEmpty());
    EXPECT_TRUE(f.grab().save(bilder + "/programmboot.png"));
    ASSERT_TRUE(u.warte_Meldung(30000));
    TForm_Boot_update& b = u.updatefenster();
    b.show();
    QTest::qWait(100);
    EXPECT_TRUE(b.grab().save(bilder + "/boot_update.png"));
}
