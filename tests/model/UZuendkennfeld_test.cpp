// The ignition map object: packing between the 16- and 8-column forms, reading and writing
// in blocks by software version, and the data-item path, against the simulated ECU.

#include "ecusim/Parameter.h"
#include "link/UKommunikation.h"
#include "model/Anfragenumgebung.h"
#include "model/UZuendkennfeld.h"

#include <gtest/gtest.h>

namespace {

using Folge = std::vector<std::pair<int, QByteArray>>;

ecusim::Identitaetsdaten Version(int version, int typ = 1) {
    ecusim::Identitaetsdaten id;
    id.Version = static_cast<uint16_t>(version);
    id.ECU_Typ = static_cast<uint16_t>(typ);
    return id;
}

// A 16-column image whose every byte tells where it sits.
QByteArray Bildmuster() {
    QByteArray b(580, '\0');
    for (int i = 0; i < 580; ++i)
        b[i] = static_cast<char>((i * 7 + 3) & 0x7F);
    return b;
}

// The 8-column form of an image with n columns in use, as the ECU expects it.
QByteArray Achtspaltig(const QByteArray& bild, int n) {
    QByteArray b;
    for (int z = 0; z < 16; ++z)
        for (int s = 0; s < 8; ++s)
            b.append(s < n ? bild[z * 16 + s] : static_cast<char>(-128));
    for (int z = 0; z < 16; ++z)
        for (int s = 0; s < 8; ++s)
            b.append(s < n ? bild[256 + z * 16 + s] : '\0');
    b.append(bild.mid(512, 16)); // load points 0..7
    b.append(bild.mid(544, 32)); // speed points
    b.append(bild.mid(576, 4));  // last used indices
    return b;
}

struct Ereignisse {
    Ereignisse() {
        for (int e : {cl_Zuendung::Karte1_geschrieben, cl_Zuendung::Karte2_geschrieben,
                      cl_Zuendung::Karte1_gelesen, cl_Zuendung::Karte2_gelesen})
            InterAction().Create(
                cl_Zuendung::Klasse, [this, e](Sender&) { liste.push_back(e); }, e);
    }
    std::vector<int> liste;
};

QByteArray Bytes(const std::array<uint8_t, 580>& a, int n = 580) {
    return QByteArray(reinterpret_cast<const char*>(a.data()), n);
}

} // namespace

TEST(Zuendkennfeld, PackingKeepsTheUsedColumnsAndMarksTheRestUnset) {
    LinkKontext k;
    cl_Zuendung z(k.link(), k.version(), k.kontext->kommunikation(), 1);
    const QByteArray bild = Bildmuster();
    for (const int n : {8, 6, 1}) {
        std::copy(bild.begin(), bild.end(), z.Bild.begin());
        z.Spaltenzahl = n;
        z.packen();
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(z.Block_8.data()), 308),
                  Achtspaltig(bild, n))
            << n;
    }

    // Unpacking: columns 8..15 become unset, the load points beyond 8 stay.
    std::copy(bild.begin(), bild.end(), z.Bild.begin());
    z.Spaltenzahl = 8;
    z.packen();
    z.Bild.fill(0x55);
    z.entpacken();
    for (int r = 0; r < 16; ++r)
        for (int s = 0; s < 16; ++s) {
            const int i = r * 16 + s;
            EXPECT_EQ(static_cast<char>(z.Bild[i]), s < 8 ? bild[i] : static_cast<char>(-128));
            EXPECT_EQ(static_cast<char>(z.Bild[256 + i]), s < 8 ? bild[256 + i] : '\0');
        }
    EXPECT_EQ(Bytes(z.Bild).mid(512, 16), bild.mid(512, 16));
    EXPECT_EQ(Bytes(z.Bild).mid(528, 16), QByteArray(16, 0x55));
    EXPECT_EQ(Bytes(z.Bild).mid(544), bild.mid(544));
}

TEST(Zuendkennfeld, TheSoftwareVersionDecidesTheColumnsOfARead) {
    // (manufacturer 1, version) -> 16 columns
    struct Fall {
        int version;
        bool sechzehn;
    };
    for (const Fall f : {Fall{660, true}, Fall{640, false}, Fall{650, true}, Fall{699, true},
                         Fall{700, false}, Fall{1626, true}, Fall{1700, false}}) {
        Anfragenumgebung u(Version(f.version));
        Ereignisse e;
        cl_Zuendung z(u.k.link(), u.k.version(), u.k.kontext->kommunikation(), 1);
        const QByteArray quelle = Bildmuster();
        u.bereich.setze_Zuendkennfeld(1, quelle);
        z.lesen(true);
        EXPECT_EQ(u.Fenster(z)->text, hole_Text(283));
        ASSERT_TRUE(u.warte_still()) << f.version;

        Folge erwartet;
        const int laenge = f.sechzehn ? 580 : 308;
        for (int i = 0; i * 100 < laenge; ++i)
            erwartet.push_back({10, Bytes({i, std::min(100, laenge - 100 * i)})});
        EXPECT_EQ(u.Folge(), erwartet) << f.version;
        EXPECT_EQ(e.liste, std::vector<int>{cl_Zuendung::Karte1_gelesen}) << f.version;
        EXPECT_EQ(z.Spaltenzahl, f.sechzehn ? 16 : 8) << f.version;
        if (f.sechzehn) {
            EXPECT_EQ(Bytes(z.Bild), quelle);
        } else {
            // What arrived is the 8-column form, unpacked into the image.
            EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(z.Block_8.data()), 308),
                      quelle.left(308));
            EXPECT_EQ(static_cast<char>(z.Bild[16]), quelle[8]); // row 1, column 0
            EXPECT_EQ(static_cast<int8_t>(z.Bild[8]), -128);
        }
    }
}

TEST(Zuendkennfeld, WritingToAnEightColumnEcuSendsThePackedMapInBlocks) {
    Anfragenumgebung u(Version(640));
    Ereignisse e;
    cl_Zuendung z(u.k.link(), u.k.version(), u.k.kontext->kommunikation(), 2);
    int hilfe = 0;
    z.zeige_Hilfetexte = [&] { ++hilfe; };
    const QByteArray bild = Bildmuster();
    std::copy(bild.begin(), bild.end(), z.Bild.begin());
    z.Spaltenzahl = 6;
    z.schreiben(true);
    EXPECT_EQ(u.Fenster(z)->text, hole_Text(1222));
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.bereich.geschriebenes_Zuendkennfeld(2), Achtspaltig(bild, 6));
    EXPECT_EQ(u.Befehlsfolge(), std::vector<int>(5, 19)); // 4 blocks and the closing frame
    EXPECT_EQ(e.liste, std::vector<int>{cl_Zuendung::Karte2_geschrieben});
    EXPECT_EQ(hilfe, 0);
    EXPECT_EQ(u.Fenster(z)->gezeigt, 1);

    // A single-step change goes without the wait window and refreshes the help labels.
    z.schreiben(false);
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(hilfe, 1);
    EXPECT_EQ(u.Fenster(z)->gezeigt, 1);
    EXPECT_EQ(e.liste.size(), 2u);
}

TEST(Zuendkennfeld, WritingToASixteenColumnEcuSendsTheImage) {
    Anfragenumgebung u(Version(660));
    Ereignisse e;
    cl_Zuendung z(u.k.link(), u.k.version(), u.k.kontext->kommunikation(), 1);
    const QByteArray bild = Bildmuster();
    std::copy(bild.begin(), bild.end(), z.Bild.begin());
    z.schreiben(true);
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(u.bereich.geschriebenes_Zuendkennfeld(1), bild);
    EXPECT_EQ(e.liste, std::vector<int>{cl_Zuendung::Karte1_geschrieben});
}

TEST(Zuendkennfeld, TheTransfersGoThroughThePasswordGate) {
    Anfragenumgebung u(Version(660));
    cl_Zuendung z(u.k.link(), u.k.version(), u.k.kontext->kommunikation(), 1);
    bool frei = false;
    std::vector<cl_COM_data*> gefragt;
    z.sende_wenn_frei = [&](cl_COM_data& r) {
        gefragt.push_back(&r);
        if (frei)
            r.starten();
    };
    z.lesen(false);
    z.schreiben(false);
    ASSERT_TRUE(u.warte_still());
    EXPECT_TRUE(u.Folge().empty());
    frei = true;
    z.lesen(false);
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(gefragt, (std::vector<cl_COM_data*>{&z, &z, &z}));
    EXPECT_EQ(u.Befehlsfolge(), std::vector<int>(6, 10));
}

TEST(Zuendkennfeld, AsADataItemAWriteIsAnnouncedAsAWriteAndAReadAsARead) {
    Anfragenumgebung u(Version(620, 7));
    ecusim::Parameterbereich elemente(u.sim);
    Ereignisse e;
    cl_Zuendung z(u.k.link(), u.k.version(), u.k.kontext->kommunikation(), 1);
    z.Datenelement = true;
    z.als_Datenobjekt_anmelden(7);
    z.als_Datenobjekt_anmelden(7); // the description file read again
    cl_ECU_Liste& liste = u.k.kontext->ecu_Liste();
    int siebener = 0;
    for (int i = 0; i < liste.Anzahl(); ++i)
        siebener += liste[i].Id == 7 ? 1 : 0;
    EXPECT_EQ(siebener, 1);
    EXPECT_EQ(liste.suche_Code(7)->Laenge, 290);

    const QByteArray bild = Bildmuster();
    std::copy(bild.begin(), bild.end(), z.Bild.begin());
    z.schreiben(true);
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(e.liste, std::vector<int>{cl_Zuendung::Karte1_geschrieben});
    ASSERT_EQ(elemente.Elemente[7].size(), 290u);
    EXPECT_EQ(elemente.Elemente[7][1], static_cast<uint16_t>(static_cast<uint8_t>(bild[2]) |
                                                             (static_cast<uint8_t>(bild[3]) << 8)));

    elemente.Elemente[7][0] = 0x1111;
    z.lesen(true);
    ASSERT_TRUE(u.warte_still());
    EXPECT_EQ(e.liste,
              (std::vector<int>{cl_Zuendung::Karte1_geschrieben, cl_Zuendung::Karte1_gelesen}));
    EXPECT_EQ(z.Bild[0], 0x11);
    EXPECT_EQ(z.Spaltenzahl, 16);
    // Only the data-item transport went on the wire.
    for (int b : u.Befehlsfolge())
        EXPECT_TRUE(b == 128 || b == 129) << b;
}

TEST(Zuendkennfeld, ADataItemEventAfterTheMapIsGoneReachesNothing) {
    Anfragenumgebung u;
    Ereignisse e;
    {
        cl_Zuendung z(u.k.link(), u.k.version(), u.k.kontext->kommunikation(), 2);
        z.als_Datenobjekt_anmelden(9);
        InterAction_ausfuehren(u.k.kontext->kommunikation(), 9);
        EXPECT_EQ(e.liste, std::vector<int>{cl_Zuendung::Karte2_gelesen});
    }
    InterAction_ausfuehren(u.k.kontext->kommunikation(), 9);
    EXPECT_EQ(e.liste.size(), 1u);
}
