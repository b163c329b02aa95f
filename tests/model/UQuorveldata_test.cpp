#include "ecusim/Identitaet.h"
#include "link/LinkFixture.h"
#include "model/UQuorveldata.h"

#include <gtest/gtest.h>

namespace {

struct Identitaet {
    uint32_t seriennummer = 0;
    uint16_t typ = 0, hersteller = 0, typnummer = 0;
    uint8_t daten_haupt = 0, daten_neben = 0;
    uint16_t hardware = 0, bootloader = 0, option = 0, hardware_neben = 0;
};

// The 66 bytes of an identity answer, laid out as the simulated ECU sends them.
std::array<uint8_t, 66> Antwort(uint16_t version, uint16_t revision, const QByteArray& name,
                                const Identitaet& id, const QByteArray& datum = "15.11.2017") {
    ecusim::Identitaetsdaten d;
    d.Seriennummer = id.seriennummer;
    d.ECU_Typ = id.typ;
    d.Hersteller = id.hersteller;
    d.Typnummer = id.typnummer;
    d.Datenversion_Haupt = id.daten_haupt;
    d.Datenversion_Neben = id.daten_neben;
    d.Hardware_Haupt = id.hardware;
    d.Bootloader_Nr = id.bootloader;
    d.Optionswort = id.option;
    d.Hardware_Neben = id.hardware_neben;
    d.Datum = datum;
    d.Name = name;
    d.Version = version;
    d.Revision = revision;
    const QByteArray bytes = ecusim::baue_Identitaet(d);
    std::array<uint8_t, 66> a{};
    std::copy(bytes.begin(), bytes.end(), a.begin());
    return a;
}

void beantworte(cl_Version& v, const std::array<uint8_t, 66>& a) {
    v.Antwortbereich = a;
    v.Antwort();
}

const Identitaet Gas{123456789, 2, 3, 400, 7, 1, 301, 12, 5, 4};

} // namespace

TEST(Identitaet, DefaultRecordUntilTheFirstAnswer) {
    LinkKontext k;
    const cl_Version& v = k.version();
    EXPECT_EQ(v.Softwarename(), QStringLiteral("QORV"));
    EXPECT_EQ(v.Datum(), QStringLiteral("1.1.2007"));
    EXPECT_EQ(v.Version(), 0);
    EXPECT_EQ(v.Revision(), 0);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(v.Antwortbereich.data()), 23),
              QByteArray("Quorvel motormanagement"));
    EXPECT_EQ(v.ECU_Typ(), 0);
    EXPECT_EQ(v.Seriennummer(), 0u);
}

TEST(Identitaet, CopyRulesByVersionAndName) {
    struct Fall {
        uint16_t version;
        QByteArray name;
        bool block; // the binary block is taken; otherwise an old ECU
    };
    const Fall faelle[] = {
        {480, "ABC", false}, {499, "QORV", false}, {480, "", true},
        {500, "ABC", true},  {615, "QORV", true},  {300, "T-", true},
        {300, "X-Y", true},  {1, "Q", false},      {20250, "T-DIESEL", true},
    };
    LinkKontext k;
    cl_Version& v = k.version();
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.version);
        SCOPED_TRACE(f.name.constData());
        // An ECU heard before leaves nothing behind in an old ECU's record.
        beantworte(v, Antwort(615, 0, "QORV", Gas));
        beantworte(v, Antwort(f.version, 3, f.name, Gas));
        EXPECT_EQ(v.Version(), f.version);
        EXPECT_EQ(v.Revision(), 3);
        EXPECT_EQ(v.Softwarename(), QString::fromLatin1(f.name));
        EXPECT_EQ(v.Datum(), QStringLiteral("15.11.2017"));
        if (f.block) {
            EXPECT_EQ(v.Seriennummer(), Gas.seriennummer);
            EXPECT_EQ(v.ECU_Typ(), Gas.typ);
            EXPECT_EQ(v.Hersteller(), Gas.hersteller);
            EXPECT_EQ(v.Typnummer(), Gas.typnummer);
            EXPECT_EQ(v.Datenversion_Haupt(), Gas.daten_haupt);
            EXPECT_EQ(v.Datenversion_Neben(), Gas.daten_neben);
            EXPECT_EQ(v.Hardware_Haupt(), Gas.hardware);
            EXPECT_EQ(v.Hardware_Neben(), Gas.hardware_neben);
            EXPECT_EQ(v.Bootloader_Nr(), Gas.bootloader);
            EXPECT_EQ(v.Wert_138(), Gas.option);
        } else {
            EXPECT_EQ(v.ECU_Typ(), 1);
            EXPECT_EQ(v.Hersteller(), 1);
            EXPECT_EQ(v.Typnummer(), 1);
            EXPECT_EQ(v.Seriennummer(), 0u);
            EXPECT_EQ(v.Datenversion_Haupt(), 0);
            EXPECT_EQ(v.Hardware_Haupt(), 0);
            EXPECT_EQ(v.Hardware_Neben(), 0);
            EXPECT_EQ(v.Bootloader_Nr(), 0);
            EXPECT_EQ(v.Wert_138(), 0);
        }
    }
}

TEST(Identitaet, TheSoftwareNameIsReadOnlyWithinItsTenBytes) {
    LinkKontext k;
    cl_Version& v = k.version();
    auto a = Antwort(0x4141, 0, "ABCDEFGHIJ", Gas);
    beantworte(v, a);
    EXPECT_EQ(v.Softwarename(), QStringLiteral("ABCDEFGHIJ"));
    // A date of ten characters has no terminator either.
    a = Antwort(615, 0, "QORV", Gas, "01.02.2020");
    a[51] = 'Z';
    beantworte(v, a);
    EXPECT_EQ(v.Datum(), QStringLiteral("01.02.2020"));
}

TEST(Identitaet, AnswerStepsPasswordQueryAndDataItemMode) {
    LinkKontext k;
    cl_Version& v = k.version();
    QStringList ablauf;
    v.Passwort_anfragen = [&] { ablauf << QStringLiteral("Passwort"); };
    v.lade_Datenelemente = [&] { ablauf << QStringLiteral("Datenelemente"); };
    InterAction().Create(
        cl_Version::Klasse, [&](Sender&) { ablauf << QStringLiteral("Ereignis"); },
        cl_Version::Beantwortet);

    Identitaet id = Gas;
    id.typ = 7;
    beantworte(v, Antwort(700, 0, "T-", id));
    EXPECT_TRUE(v.Datenelement_Protokoll);
    EXPECT_EQ(ablauf, (QStringList{"Datenelemente", "Passwort", "Ereignis"}));

    // A boot loader is not asked for a password.
    ablauf.clear();
    id.typ = 8;
    beantworte(v, Antwort(700, 0, "T-", id));
    EXPECT_FALSE(v.Datenelement_Protokoll);
    EXPECT_EQ(ablauf, QStringList{"Ereignis"});
}

TEST(Identitaet, Predicates) {
    LinkKontext k;
    cl_Version& v = k.version();
    Identitaet id{};
    id.typ = 1;
    id.hersteller = 1;
    id.typnummer = 1;

    beantworte(v, Antwort(532, 0, "QORV", id));
    EXPECT_TRUE(v.passt(-1, -1, -1, 532, -1, -1, -1));
    EXPECT_TRUE(v.passt(1, 1, 0, 500, 532, -1, -1));
    EXPECT_FALSE(v.passt(2, -1, -1, -1, -1, -1, -1));
    EXPECT_FALSE(v.passt(-1, 5, -1, -1, -1, -1, -1));
    beantworte(v, Antwort(532, 4, "QORV", id));
    EXPECT_TRUE(v.passt(-1, -1, -1, 532, -1, 4, -1));
    EXPECT_FALSE(v.passt(-1, -1, -1, 532, -1, 5, -1));
    EXPECT_FALSE(v.passt(-1, -1, -1, -1, 532, -1, 3));
    EXPECT_TRUE(v.passt(-1, -1, -1, 500, 600, 9, 0)); // revisions only at the bounds
    beantworte(v, Antwort(531, 0, "QORV", id));
    EXPECT_FALSE(v.passt(-1, -1, -1, 532, -1, -1, -1));

    struct Menge {
        uint16_t hersteller;
        uint16_t version;
        bool fruehe;   // in {6, 8}
        bool zuendung; // in {7, 9}
    };
    for (const Menge& m :
         {Menge{1, 0, true, false}, Menge{1, 649, true, false}, Menge{1, 650, false, true},
          Menge{1, 1600, true, false}, Menge{1, 1626, true, true}, Menge{1, 1627, false, true},
          Menge{1, 1700, false, false}, Menge{2, 600, false, false}}) {
        SCOPED_TRACE(m.version);
        id.hersteller = m.hersteller;
        beantworte(v, Antwort(m.version, 0, "QORV", id));
        EXPECT_EQ(v.in_Versionsmenge({6, 8}), m.fruehe);
        EXPECT_EQ(v.in_Versionsmenge({7, 9}), m.zuendung);
    }
    id.hersteller = 1;
    beantworte(v, Antwort(651, 0, "QORV", id));
    EXPECT_TRUE(v.in_Versionsmenge({10}));
    beantworte(v, Antwort(650, 0, "QORV", id));
    EXPECT_FALSE(v.in_Versionsmenge({10}));

    EXPECT_FALSE(v.ist_Version_300());
    beantworte(v, Antwort(399, 0, "T-", id));
    EXPECT_TRUE(v.ist_Version_300());

    // The option: always below hardware 101 unless manufacturer 2, else the option word.
    id.hardware = 100;
    beantworte(v, Antwort(615, 0, "T-", id));
    EXPECT_TRUE(v.Option_138());
    id.hersteller = 2;
    beantworte(v, Antwort(615, 0, "T-", id));
    EXPECT_FALSE(v.Option_138());
    id.option = 3;
    beantworte(v, Antwort(615, 0, "T-", id));
    EXPECT_TRUE(v.Option_138());
    EXPECT_EQ(v.Wert_138(), 3);
    EXPECT_EQ(v.Hersteller_Name(), Hersteller_Name(2));
}

TEST(Identitaet, DescriptionFileNameWhileConnected) {
    LinkKontext k;
    cl_Version& v = k.version();
    ASSERT_TRUE(k.link().ist_verbunden());
    struct Fall {
        uint16_t version;
        QByteArray name;
        uint16_t typ, hersteller, typnummer;
        QString datei;
    };
    const Fall faelle[] = {
        {5, "X", 1, 1, 1, "QORV0005.TXT"},
        {615, "QORV", 1, 1, 1, "QORV0615.TXT"},
        {615, "T-", 1, 1, 3, "T-Quorvel-1-3-0615.TXT"},
        {20250, "T-", 5, 1, 2, "T-Quorvel-5-2-20250.TXT"},
        {615, "T-ABCDEFGH", 1, 1, 3, "T-ABCDEFGQuorvel-1-3-0615.TXT"},
        {0, "QORV", 1, 1, 1, ""},
        {615, "", 1, 1, 1, ""},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.datei.toStdString());
        Identitaet id{};
        id.typ = f.typ;
        id.hersteller = f.hersteller;
        id.typnummer = f.typnummer;
        beantworte(v, Antwort(f.version, 0, f.name, id));
        EXPECT_EQ(v.Software_Dateiname(), f.datei);
    }
}

TEST(Identitaet, OfflineTheSetupAnswers) {
    struct Auswahl : Offline_Auswahl {
        int Hardwaremodell() const override { return 7; }
        QString Software_Dateiname() const override { return QStringLiteral("T-X.TXT"); }
    } auswahl;
    LinkKontext k(false);
    cl_Version& v = k.version();
    ASSERT_FALSE(k.link().ist_verbunden());
    v.setze_Offline_Auswahl(&auswahl);
    v.setze_offline(1, 1, 400, 0, 615, 0);
    EXPECT_EQ(v.Hardware_Haupt(), 7);
    EXPECT_EQ(v.Hardware_Neben(), 0);
    EXPECT_EQ(v.Software_Dateiname(), QStringLiteral("T-X.TXT"));
    EXPECT_EQ(v.ECU_Typ(), 1);
    EXPECT_EQ(v.Typnummer(), 400);
    EXPECT_EQ(v.Version(), 615);
    EXPECT_EQ(v.Softwarename(), QStringLiteral("T-"));

    LinkKontext k2(false);
    k2.version().setze_offline(1, 1, 1, 0, 530, 0);
    EXPECT_EQ(k2.version().Softwarename(), QStringLiteral("QORV"));
    EXPECT_EQ(k2.version().Version(), 530);
    v.setze_Offline_Auswahl(nullptr);
}

TEST(Identitaet, AskedAgainAtEveryConnectionChangeAndFilledFromTheEcu) {
    LinkKontext k;
    cl_Version& v = k.version();
    // Connecting started it, ahead of everything.
    EXPECT_TRUE(v.aktiv);
    EXPECT_EQ(v.faellig, -100);
    k.ticke();
    const std::vector<QByteArray> frames = k.ecu->Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], QByteArray("\x03\x64\x99", 3)); // 3 + 100 + 153 = 256
    const auto a = Antwort(615, 2, "QORV", Gas);
    k.ecu->antworte(100, QByteArray(reinterpret_cast<const char*>(a.data()), 66));
    k.ticke();
    EXPECT_FALSE(v.aktiv);
    EXPECT_EQ(v.Version(), 615);
    EXPECT_EQ(v.Seriennummer(), Gas.seriennummer);

    k.link().setze_Verbindung(false);
    EXPECT_TRUE(v.aktiv);
}
