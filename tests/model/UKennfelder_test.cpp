// The map catalogue and lists without windows: catalogue rows, the offered list and the
// built-in offer, the axis adaptation to parameters, and the live points from records.

#include "ecusim/Identitaet.h"
#include "link/LinkFixture.h"
#include "link/UKommunikation.h"
#include "model/UKennfelder.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <map>

namespace {

// A map's window as far as the lists and the live points use it: shown or not, and the last
// live point with its texts.
class Testansicht : public Kennfeld_Ansicht {
public:
    bool ist_sichtbar() const override { return sichtbar; }
    void zeichne_Kennfeld() override {}
    void zeichne_Grafik() override {}
    void zeichne_Zeile(int) override {}
    void zeichne_Cursor() override {}
    void zeichne_Arbeitspunkt() override {}
    void zeige_Cursorwerte() override {}
    void zeige_Arbeitspunktwerte(const QString& x, const QString& y, const QString&,
                                 const QString& t1, const QString& t2, const QString& t3) override {
        punkt = {x, y, t1, t2, t3};
    }
    void zeige_Beschriftung() override {}
    void zeige_Hinweise() override {}
    void zeige_Bedienelemente() override {}
    void Fokus_abgeben() override {}
    bool Eingaben_sichtbar() const override { return false; }
    void schliesse_Parameter_Panel() override {}
    void ordne_an() override {}
    void drucke(QPainter&, int, int, int, int, int, int) override {}

    bool sichtbar = false;
    QStringList punkt;
};

// Maps without windows: each with a view of its own.
class Testfabrik : public Kennfeld_Fabrik {
public:
    explicit Testfabrik(Kennfeld_Umgebung u) : u_(std::move(u)) {}
    cl_Kennfeld& erzeuge(const Kennfeld_Beschreibung& b) override {
        karten.push_back(std::make_unique<cl_Kennfeld>(u_, b));
        ansichten.push_back(std::make_unique<Testansicht>());
        karten.back()->setze_Ansicht(ansichten.back().get());
        return *karten.back();
    }
    std::vector<std::unique_ptr<cl_Kennfeld>> karten;
    std::vector<std::unique_ptr<Testansicht>> ansichten;

private:
    Kennfeld_Umgebung u_;
};

class Offline : public Offline_Auswahl {
public:
    int Hardwaremodell() const override { return modell; }
    QString Software_Dateiname() const override { return {}; }
    int modell = 400;
};

// Every parameter the adaptation and the live points read, 32 bits each.
constexpr int Parameter[] = {4,    5,    8,    9,    10,   11,   54,   76,   246,  1109, 1151,
                             5153, 2492, 2393, 2394, 1003, 1011, 8070, 1066, 8088, 1004, 1895,
                             5114, 5133, 5108, 5113, 5145, 5146, 5147, 5148, 5303, 5249, 5250,
                             2630, 6013, 5224, 2148, 2576, 2196, 2631, 2629, 1933, 131,  1117,
                             60,   1102, 1115, 1118, 1119, 1185, 2028};

class Kennfelderumgebung {
public:
    Kennfelderumgebung()
        : fabrik(Kennfeld_Umgebung{k.link(), k.kontext->kommunikation(), k.version(), p(),
                                   k.kontext->meldungen()}) {
        k.version().setze_Offline_Auswahl(&offline);
        melde({});
        kf().erzeuge_Kennfelder(fabrik);
        kf().erstelle_Kennfeldliste();
    }
    ~Kennfelderumgebung() {
        kf().vergiss_Kennfelder();
        k.version().setze_Offline_Auswahl(nullptr);
    }

    Kennfelder& kf() { return k.kontext->kennfelder(); }
    cl_Parameter& p() { return k.kontext->parameter(); }
    cl_ECU_Befehle& befehle() { return k.kontext->ecu_Befehle(); }
    cl_Kennfeld& karte(int nr) {
        cl_Kennfeld* c = kf().Katalogkennfeld(nr);
        EXPECT_NE(c, nullptr) << nr;
        return *c;
    }
    Testansicht& ansicht(int nr) { return *static_cast<Testansicht*>(karte(nr).Ansicht()); }

    // The identity answer with definition files that hold every parameter used here; the
    // values given, the others 0.
    void melde(const ecusim::Identitaetsdaten& id, const std::map<int, int64_t>& werte = {}) {
        QStringList zeilen;
        int offset = 0;
        for (const int n : Parameter) {
            zeilen << QStringLiteral("-%1,MOTOR,8,0,%2").arg(n).arg(offset);
            offset += 4;
        }
        const QByteArray a = ecusim::baue_Identitaet(id);
        std::copy(a.begin(), a.end(), k.version().Antwortbereich.begin());
        k.version().Antwort();
        // Named after the identity, as the program looks for it.
        k.ordner.schreibe(QStringLiteral("Language/English/") + k.version().Software_Dateiname(),
                          zeilen);
        p().lade_Definitionen();
        for (const auto& [n, w] : werte)
            p().setze_Wert(n, w);
    }

    // Offers the maps and shows them.
    void zeige(std::initializer_list<int> nummern) {
        for (const int nr : nummern) {
            kf().haenge_an(karte(nr));
            ansicht(nr).sichtbar = true;
        }
    }

    LinkKontext k;
    Offline offline;
    Testfabrik fabrik;
};

QString Titel(int text, const char* anhang = "") {
    return hole_Text(text) + QLatin1String(anhang);
}

// A list as numbers: maps by number, "|" for a separator, "Z1" and "Z2" for the editors.
QStringList Folge(const Kennfeldliste& liste, Kennfelder& kf) {
    QStringList s;
    for (const Kennfeldglied& g : liste) {
        if (g.Kennfeld)
            s << QString::number(g.Kennfeld->Kennfeld_Nr);
        else if (g.Editor == &kf.Zuendung())
            s << QStringLiteral("Z1");
        else if (g.Editor == &kf.Zuendung_2())
            s << QStringLiteral("Z2");
        else
            s << QStringLiteral("|");
    }
    return s;
}

} // namespace

// The catalogue as it is made: the placeholder first, then the maps in their order, each
// with its row's values (ranges as a window keeps them: a maximum not above its minimum is
// the minimum + 1).
TEST(Kennfeldkatalog, RowsAreMadeInTheirOrderWithTheirValues) {
    Kennfelderumgebung u;
    const std::vector<int> folge = {
        200, 45,  201, 202, 0,   22,  4,  7,  8,  9,  37, 10,  11,  12,  13,  14,  15,  16,
        211, 17,  24,  35,  18,  19,  23, 26, 27, 29, 30, 65,  31,  52,  32,  34,  50,  51,
        60,  61,  63,  66,  67,  64,  68, 70, 71, 72, 73, 74,  75,  78,  76,  79,  77,  80,
        81,  82,  87,  88,  89,  90,  86, 36, 83, 84, 85, 101, 102, 110, 111, 112, 113, 114,
        115, 116, 117, 118, 119, 120, 38, 39, 40, 41, 42, 43,  46,  47,  44,  210};
    std::vector<int> gemacht;
    for (const cl_Kennfeld* c : u.kf().Katalog())
        gemacht.push_back(c->Kennfeld_Nr);
    EXPECT_EQ(gemacht, folge);
    ASSERT_EQ(u.fabrik.karten.size(), 89u);
    const cl_Kennfeld& platz = *u.fabrik.karten.front();
    EXPECT_EQ(u.kf().Platzhalter(), &platz);
    EXPECT_EQ(platz.Kennfeld_Nr, 5);
    EXPECT_EQ(platz.Kennung, "Z");
    EXPECT_FALSE(platz.ist_Kurve);
    EXPECT_TRUE(platz.Daten->zyklisch);
    EXPECT_EQ(std::tie(platz.X_max, platz.Y_max, platz.Roh_max, platz.Z_max),
              std::make_tuple(90, 8000, 100, 100));
    EXPECT_TRUE(platz.Titel.isEmpty());
    EXPECT_EQ(u.kf().suche_in_alle(5), nullptr);

    struct Zeile {
        int nr;
        const char* id;
        QString titel;
        const char* art; // K curve, F map, plus z cyclic, l log Y
        std::array<int, 4> xy;
        std::array<int, 4> werte; // value min, max, raw min, max
        int schritt;
        std::array<int32_t, 8> p;
        QString achse_x;
        QString achse_y;
        const char* einheiten; // X|Y|value
        const char* hilfe;
    };
    const Zeile zeilen[] = {
        {0,
         "G",
         Titel(221),
         "Fz",
         {0, 90, 0, 8000},
         {0, 10000, 0, 12500},
         100,
         {300, 301, 302, 303, 401, 400, 403, 402},
         Titel(240),
         Titel(241),
         "d|U/min|µs",
         "diagram dn"},
        {37,
         "F2",
         Titel(227, " 2"),
         "Kz",
         {500, 1000, 0, 1},
         {0, 20000, 0, 20000},
         100,
         {2669, 2670, 0, 0, 2668, 2667, 0, 0},
         Titel(244),
         "",
         "0.1%||µs",
         "diagram airmass"},
        {22,
         "X",
         Titel(222),
         "Fl",
         {-25, 120, 0, 400},
         {0, 200, 0, 20000},
         10,
         {324, 325, 360, 361, 419, 418, 441, 440},
         Titel(242),
         Titel(243),
         "tm|t|%",
         "diagram warmup"},
        {34,
         "34",
         Titel(758),
         "K",
         {6000, 32000, 0, 1},
         {-1000, 3000, -1000, 3000},
         20,
         {1861, 1862, 0, 0, 1863, 1864, 0, 0},
         Titel(182),
         "0",
         "mV||µs",
         "diagram switch_time"},
        {44,
         "2168",
         Titel(1247),
         "K",
         {-50, 120, 0, 1},
         {0, 100, 0, 1000},
         10,
         {2169, 2170, 0, 0, 2168, 2167, 0, 0},
         Titel(242),
         "",
         "°C||%",
         "diagram injection diff add"},
        {19,
         "R",
         Titel(238),
         "K",
         {-25, 120, 0, 1},
         {-30, 30, -6000, 6000},
         1,
         {358, 359, 0, 0, 439, 438, 0, 0},
         Titel(242),
         "",
         "°C||Grad",
         "diagram ign engine temp"},
        {51,
         "51",
         "Kupplungsübertragung",
         "K",
         {0, 100, 0, 100},
         {0, 100, 0, 100},
         10,
         {2308, 2309, 0, 0, 2310, 2311, 0, 0},
         "Weg-Pos",
         "0",
         "Inkr.||%",
         "diagram clutch pos"},
        {65,
         "6",
         Titel(1023),
         "K",
         {0, 5000, 0, 1},
         {-50, 100, -50, 100},
         10,
         {8028, 8029, 0, 0, 8031, 8030, 0, 0},
         Titel(750),
         "",
         "mV||°C",
         "diagram u-ta"},
        {67,
         "67",
         Titel(1027),
         "F",
         {0, 1200, 120, 121},
         {0, 2500, 0, 2500},
         10,
         {8079, 8080, 8081, 8082, 8084, 8083, 8086, 8085},
         Titel(242),
         "",
         "U/min|°C|µs",
         "diagram injection time start"},
        {70,
         "70",
         Titel(884, " 1"),
         "F",
         {0, 100, 0, 8000},
         {0, 200, 0, 200},
         20,
         {5000, 5001, 5002, 5003, 5005, 5004, 5007, 5006},
         "Drosselklappe",
         "Drehzahl",
         "d|U/min|",
         "diagram oilpump 1"},
        {113,
         "103",
         "Drehzahlgrenze 3->2",
         "K",
         {0, 90, 0, 1},
         {0, 8000, 0, 8000},
         100,
         {10013, 10014, 0, 0, 10015, 10016, 0, 0},
         "Drosseklappe",
         "",
         "Grad||U/min",
         "diagram u-3->2 limit"},
        {201,
         "201",
         Titel(1238),
         "K",
         {0, 5000, 0, 1},
         {0, 2500, 0, 2500},
         100,
         {2186, 2187, 0, 0, 2185, 2184, 0, 0},
         Titel(750),
         "",
         "mV||.001Lda",
         "diagram u-lambda"},
        {43,
         "43",
         Titel(1229),
         "F",
         {0, 90, 0, 8000},
         {0, 1000, 0, 1000},
         20,
         {2136, 2137, 2138, 2139, 2141, 2140, 2143, 2142},
         Titel(240),
         Titel(241),
         "d|U/min|",
         ""},
        {45,
         "45",
         Titel(1248),
         "F",
         {0, 90, 0, 8000},
         {-1000, 1000, -1000, 1000},
         20,
         {2290, 2291, 2292, 2293, 2287, 2286, 2289, 2288},
         Titel(240),
         Titel(241),
         "Grad|U/min|0.001",
         "diagram lamda_diff_add_field"},
    };
    for (const Zeile& z : zeilen) {
        SCOPED_TRACE(z.nr);
        const cl_Kennfeld& c = u.karte(z.nr);
        const QString art = QString::fromLatin1(z.art);
        EXPECT_EQ(c.Kennung, QString::fromLatin1(z.id));
        EXPECT_EQ(c.Titel, z.titel);
        EXPECT_EQ(c.ist_Kurve, art.contains('K'));
        EXPECT_EQ(c.Daten->zyklisch, art.contains('z'));
        EXPECT_EQ(c.log_Y, art.contains('l'));
        EXPECT_FALSE(c.neues_Protokoll);
        EXPECT_EQ((std::array<int, 4>{c.X_min, c.X_max, c.Y_min, c.Y_max}), z.xy);
        EXPECT_EQ((std::array<int, 4>{c.Z_min, c.Z_max, c.Roh_min, c.Roh_max}), z.werte);
        EXPECT_EQ(c.Schritt, z.schritt);
        EXPECT_EQ((std::array<int32_t, 8>{c.Parameter_Nr[1], c.Parameter_Nr[2], c.Parameter_Nr[3],
                                          c.Parameter_Nr[4], c.Parameter_Nr[5], c.Parameter_Nr[6],
                                          c.Parameter_Nr[7], c.Parameter_Nr[8]}),
                  z.p);
        EXPECT_EQ(c.Achsname_X, z.achse_x);
        EXPECT_EQ(c.Achsname_Y, z.achse_y);
        EXPECT_EQ(c.Einheit_X + '|' + c.Einheit_Y + '|' + c.Einheit_Z,
                  QString::fromUtf8(z.einheiten));
        EXPECT_EQ(c.Hilfethema, QString::fromUtf8(z.hilfe));
        EXPECT_FALSE(c.verfuegbar);
        EXPECT_FALSE(c.freigegeben);
        EXPECT_TRUE(c.Bedingung.isEmpty());
    }
}

// The all-maps list in catalogue order with its separators and editors; the built-in offer
// of a rebuild (conditions included) becomes the offered list in that order, with or
// without the separators; an ECU of type 5 is offered the first ignition editor only.
TEST(Kennfeldlisten, TheBuiltInOfferFollowsTheCatalogueOrder) {
    Kennfelderumgebung u;
    Kennfelder& kf = u.kf();
    const QStringList alle = Folge(kf.Kennfeldliste_alle(), kf);
    ASSERT_EQ(alle.size(), 102);
    EXPECT_EQ(alle.count("|"), 12);
    EXPECT_EQ(alle.mid(0, 14), (QStringList{"0", "42", "9", "37", "23", "26", "10", "81", "82",
                                            "44", "34", "86", "|", "4"}));
    EXPECT_EQ(alle.mid(28, 6), (QStringList{"210", "|", "Z1", "Z2", "19", "12"}));
    EXPECT_EQ(alle.mid(92, 10),
              (QStringList{"120", "|", "87", "88", "89", "90", "200", "202", "47", "45"}));
    EXPECT_TRUE(kf.Kennfeldliste_angeboten().empty());

    kf.setze_Standard_Katalog();
    EXPECT_TRUE(kf.Katalog_erste_Zeile);
    EXPECT_TRUE(kf.Standard_Katalog_aktiv);
    kf.erstelle_Angebotsliste(true);
    EXPECT_EQ(Folge(kf.Kennfeldliste_angeboten(), kf),
              (QStringList{"0",  "9", "23", "26", "10", "81", "|",  "4",  "27", "22", "|",  "7",
                           "15", "|", "24", "18", "|",  "8",  "16", "17", "|",  "Z1", "19", "12",
                           "11", "|", "13", "14", "|",  "|",  "|",  "|",  "|",  "|"}));
    const std::map<int, QString> bedingungen = {
        {0, "76[0]"},  {22, ""},     {4, ""},      {7, "60[2]"}, {8, "131&76[0]"}, {9, "76[1]"},
        {10, "76"},    {81, "2028"}, {11, "1117"}, {12, "1118"}, {14, "1119"},     {15, "1102"},
        {16, "131"},   {17, "131"},  {24, ""},     {18, ""},     {19, "1115"},     {23, "76[2-3]"},
        {26, "76[3]"}, {27, "1185"}, {13, "1119"}};
    for (const auto& [nr, b] : bedingungen)
        EXPECT_EQ(u.karte(nr).Bedingung, b) << nr;
    kf.erstelle_Angebotsliste(false);
    EXPECT_EQ(Folge(kf.Kennfeldliste_angeboten(), kf).count("|"), 0);
    EXPECT_EQ(kf.Kennfeldliste_angeboten().size(), 22u);

    // A new read clears every offer first; type 5 keeps only the first editor.
    ecusim::Identitaetsdaten diesel;
    diesel.ECU_Typ = 5;
    u.melde(diesel);
    kf.Zuendung_2().angeboten = true;
    kf.setze_Standard_Katalog();
    kf.erstelle_Angebotsliste(true);
    QStringList ohne_Trenner = Folge(kf.Kennfeldliste_angeboten(), kf);
    ohne_Trenner.removeAll("|");
    EXPECT_EQ(ohne_Trenner, QStringList{"Z1"});
}

// The editors' titles fall back to their defaults: the first editor's by the ECU type.
TEST(Kennfeldlisten, EditorTitlesFallBackToTheirDefaults) {
    Kennfelderumgebung u;
    Kennfelder& kf = u.kf();
    // The lists start both with their defaults.
    EXPECT_EQ(kf.Zuendung().Titel, hole_Text(270));
    EXPECT_EQ(kf.Zuendung_2().Titel, hole_Text(1209));
    QStringList gemeldet;
    kf.Zuendung().Titel_geaendert = [&](const QString& t) { gemeldet << t; };
    kf.Zuendung().setze_Titel(QStringLiteral("Ign"));
    kf.Zuendung().setze_Titel(QString());
    kf.Zuendung_2().setze_Titel(QString());
    EXPECT_EQ(gemeldet, (QStringList{"Ign", hole_Text(270)}));
    EXPECT_EQ(kf.Zuendung_2().Titel, hole_Text(1209));
    ecusim::Identitaetsdaten diesel;
    diesel.ECU_Typ = 5;
    u.melde(diesel);
    kf.Zuendung().setze_Titel(QString());
    EXPECT_EQ(kf.Zuendung().Titel, hole_Text(1058));
    kf.Zuendung_2().setze_Bedingung(QStringLiteral(" 131 & 60 "));
    EXPECT_EQ(kf.Zuendung_2().Bedingung, "131&60");
}

// Connecting and disconnecting switch the ECU functions of offered maps only, and nothing
// before the lists exist; the condition pass judges offered maps only.
TEST(Kennfeldlisten, OnlineOfflineAndConditionsTouchOfferedMapsOnly) {
    Kennfelderumgebung u;
    Kennfelder& kf = u.kf();
    cl_Kennfeld& angeboten = u.karte(0);
    cl_Kennfeld& andere = u.karte(42);
    angeboten.setze_Bedingung(QStringLiteral("131"));
    andere.setze_Bedingung(QStringLiteral("131"));
    u.p().setze_Wert(131, 1);
    kf.haenge_an(angeboten);
    kf.haenge_Trenner_an();
    kf.haenge_an(kf.Zuendung());

    InterAction_ausfuehren(u.k.link(), cl_COM_Quorvel::Getrennt);
    EXPECT_FALSE(angeboten.COM_freigegeben);
    EXPECT_TRUE(andere.COM_freigegeben);
    InterAction_ausfuehren(u.k.link(), cl_COM_Quorvel::Verbunden);
    EXPECT_TRUE(angeboten.COM_freigegeben);

    kf.pruefe_Kennfeld_Bedingungen();
    EXPECT_TRUE(angeboten.freigegeben);
    EXPECT_FALSE(andere.freigegeben);
    EXPECT_EQ(kf.suche_in_angeboten(0), &angeboten);
    EXPECT_EQ(kf.suche_in_angeboten(42), nullptr);
    EXPECT_EQ(kf.suche_in_alle(42), &andere);

    // Before the lists exist (the main window not yet shown) nothing changes.
    kf.vergiss_Kennfelder();
    InterAction_ausfuehren(u.k.link(), cl_COM_Quorvel::Getrennt);
    EXPECT_TRUE(angeboten.COM_freigegeben);
}

// Menu visibility by caption: of members sharing a title the last decides; the second
// editor evaluates its condition each time, the first is always shown.
TEST(Kennfeldlisten, MenuVisibilityByCaptionTheLastMemberDecides) {
    Kennfelderumgebung u;
    Kennfelder& kf = u.kf();
    cl_Kennfeld& k24 = u.karte(24);
    cl_Kennfeld& k35 = u.karte(35);
    ASSERT_EQ(k24.Titel, k35.Titel);
    kf.haenge_an(k24);
    kf.haenge_an(k35);
    kf.haenge_an(kf.Zuendung());
    kf.haenge_an(kf.Zuendung_2());
    kf.Zuendung().setze_Titel(QStringLiteral("Ignition"));
    kf.Zuendung_2().setze_Titel(QStringLiteral("Correction"));
    kf.Zuendung_2().setze_Bedingung(QStringLiteral("131"));
    struct Fall {
        bool frei24, frei35;
        int p131;
        bool titel, zuendung2;
    };
    for (const Fall f : {Fall{true, false, 0, false, false}, Fall{false, true, 1, true, true}}) {
        k24.freigegeben = f.frei24;
        k35.freigegeben = f.frei35;
        u.p().setze_Wert(131, f.p131);
        EXPECT_EQ(kf.Menue_sichtbar(k24.Titel), f.titel);
        EXPECT_EQ(kf.Menue_sichtbar(QStringLiteral("Ignition")), true);
        EXPECT_EQ(kf.Menue_sichtbar(QStringLiteral("Correction")), f.zuendung2);
        EXPECT_EQ(kf.Zuendung_2().freigegeben, f.zuendung2);
    }
    EXPECT_EQ(kf.Menue_sichtbar(QStringLiteral("ignition")), std::nullopt);
}

namespace {

// The parameters of the adaptation cases; a case changes some.
std::map<int, int64_t> Grundwerte() {
    return {{4, 500},     {5, 7000},    {8, -20},     {9, 110},     {10, -30},    {11, 60},
            {54, 1},      {246, 2500},  {76, 1},      {1109, 300},  {2393, 1024}, {2394, 2048},
            {1003, 5000}, {1004, 4000}, {1895, 1500}, {5114, 6000}, {5133, 3000}, {5108, 900},
            {5113, 800},  {5145, 10},   {5146, 20},   {5147, 600},  {5148, 650},  {5303, 80},
            {5224, 9000}, {2148, 800},  {2196, 5000}, {1011, 777},  {8070, 888},  {1066, 999},
            {8088, 1111}, {6013, 2048}, {5249, 1023}, {5250, 2046}};
}

struct Bereiche {
    std::array<int32_t, 4> xy;    // X min, max, Y min, max
    std::array<int32_t, 4> werte; // raw min, max, value min, max
    QString einheiten;            // X unit | value unit
    QString achse_titel;          // X axis name | title
};

Bereiche Bereiche_von(const cl_Kennfeld& k) {
    return {{k.X_min, k.X_max, k.Y_min, k.Y_max},
            {k.Roh_min, k.Roh_max, k.Z_min, k.Z_max},
            k.Einheit_X + '|' + k.Einheit_Z,
            k.Achsname_X + '|' + k.Titel};
}

} // namespace

// The adaptation after a parameter read, case by case: identity and parameters, then the
// maps' ranges, units, axis names and titles. Expected values worked out by hand.
TEST(Achsanpassung, RangesUnitsAndTitlesFollowTheParameters) {
    // "@n" stands for language text n, fetched once the texts are loaded.
    const auto texte = [](QString s) {
        static const QRegularExpression nummer(QStringLiteral("@(\\d+)"));
        for (auto m = nummer.match(s); m.hasMatch(); m = nummer.match(s))
            s.replace(m.capturedStart(), m.capturedLength(), hole_Text(m.captured(1).toInt()));
        return s;
    };
    struct Lage {
        int hersteller, typ, typnummer, version, option;
        std::map<int, int64_t> aenderungen;
    };
    // clang-format off
    const std::map<std::string, Lage> lagen = {
        {"M1", {1, 1, 400, 615, 0, {}}},
        {"P1", {1, 1, 400, 615, 1, {{54, 0}}}},
        {"P3", {1, 1, 400, 615, 3, {{54, 0}}}},
        {"P0", {1, 1, 400, 615, 0, {{54, 0}}}},
        {"203", {1, 1, 203, 615, 0, {}}},
        {"W2629", {1, 1, 400, 615, 0, {{2629, 1}}}},
        {"M9", {9, 1, 400, 520, 3, {{54, 0}, {2492, 1}, {2630, 1}, {1151, 1}}}},
        {"M9-534", {9, 1, 1, 534, 0, {{1151, 1}}}},
        {"M9-517", {9, 1, 400, 517, 0, {}}},
        {"M12", {12, 1, 400, 615, 0, {}}},
        {"T5", {1, 5, 400, 615, 0, {}}},
    };
    // clang-format on
    struct Fall {
        const char* lage;
        int karte;
        std::array<int32_t, 4> xy;
        std::array<int32_t, 4> werte; // -1 in the first place: not checked
        QString einheiten;            // empty: not checked
        QString achse_titel;          // empty: not checked
    };
    // clang-format off
    const Fall faelle[] = {
        // manufacturer 1, type 1: the load axis 0..90 "d"; pressure maximum W(246) with W(54).
        {"M1", 0, {0, 90, 500, 7000}, {0, 12500, 0, 10000}, "d|µs", "@240|@221"},
        {"M1", 22, {-20, 110, 0, 300}, {-1}, "", ""},
        {"M1", 10, {0, 90, 500, 7000}, {-1}, "d|0.1%", ""},
        {"M1", 12, {0, 2500, 0, 1}, {-1}, "", ""},
        {"M1", 16, {-20, 110, 0, 1}, {-10000, 10000, -100, 100}, "°C|%", ""},
        {"M1", 201, {5000, 10000, 0, 1}, {-1}, "", ""},
        {"M1", 61, {0, 90, 0, 5000}, {-1}, "", ""},
        {"M1", 52, {-1500, 1500, 0, 1}, {-1}, "", ""},
        {"M1", 76, {0, 100, 0, 1}, {-1}, "", ""},
        {"M1", 78, {500, 7000, 0, 1}, {-50, 600, -50, 600}, "", ""},
        {"M1", 87, {-30, 80, 0, 1}, {-1}, "", ""},
        {"M1", 86, {0, 90, 500, 7000}, {-1}, "d|deg", "@240|@882"},
        {"M1", 41, {0, 800, 0, 1}, {0, 1024, 0, 900}, "0.1%|0.1 deg", ""},
        {"M1", 200, {0, 90, 500, 7000}, {0, 5000, 0, 5000}, "@83|0.001", "@240|@1237"},
        {"M1", 13, {0, 90, 500, 7000}, {-1}, "d|hPa", ""},
        {"M1", 70, {0, 100, 0, 7000}, {-1}, "", ""},
        {"M1", 71, {0, 7000, 0, 6000}, {-1}, "", ""},
        {"M1", 83, {0, 9000, 500, 7000}, {-1}, "", ""},
        {"M1", 38, {0, 90, 500, 7000}, {-1}, "", ""},
        // Pressure maximum from the identity's option word without W(54).
        {"P1", 12, {0, 1050, 0, 1}, {-1}, "", ""},
        {"P3", 12, {0, 3000, 0, 1}, {-1}, "", ""},
        {"P0", 12, {0, 4000, 0, 1}, {-1}, "", ""},
        // Type 1 with type number 203: map 10 on a pressure axis.
        {"203", 10, {0, 2500, 500, 7000}, {-1}, "hPa|0.1%", "@246|@228"},
        {"W2629", 10, {0, 2500, 500, 7000}, {-1}, "hPa|0.1%", ""},
        // Manufacturer 9: the load axis 0..100 "%"; maps 0 and 24 end at 100 even when map 24
        // took a pressure axis.
        {"M9", 0, {0, 100, 500, 7000}, {-1}, "%|µs", ""},
        {"M9", 24, {0, 100, 0, 1}, {-1}, "hPa|µs/Grd", ""},
        {"M9", 86, {0, 3000, 500, 7000}, {-1}, "hPa|deg", "@246|@882"},
        {"M9", 16, {-20, 110, 0, 1}, {0, 400, 0, 400}, "°C|0.1 deg", "@242|@234"},
        {"M9", 211, {-20, 110, 0, 1}, {0, 400, 0, 400}, "°C|0.1 deg", "@242|@1283"},
        {"M9", 34, {6000, 32000, 0, 1}, {-1}, "", ""},
        {"M9", 41, {0, 1000, 0, 1}, {0, 1000, 0, 1000}, "0.1%|0.1 %", ""},
        {"M9", 38, {0, 100, 500, 7000}, {-1}, "", ""},
        {"M9-534", 16, {-20, 110, 0, 1}, {0, 400, 0, 400}, "°C|0.1 %", "@242|throttle start (torque)"},
        {"M9-534", 34, {5000, 10000, 0, 1}, {-1}, "", ""},
        {"M9-534", 76, {0, 100, 0, 1}, {-1}, "", ""},
        {"M9-517", 76, {10, 600, 0, 1}, {-1}, "", ""},
        {"M9-517", 77, {20, 650, 0, 1}, {-1}, "", ""},
        // Manufacturer 12.
        {"M12", 0, {0, 90, 500, 7000}, {0, 1250, 0, 1000}, "", ""},
        {"M12", 75, {0, 10000, 0, 1}, {-55, 1200, -55, 1200}, "", ""},
        {"M12", 61, {0, 100, 0, 7000}, {-1}, "", ""},
        {"M12", 36, {0, 20000, 0, 7000}, {-1}, "", ""},
        // ECU type 5: the diesel's maps.
        {"T5", 13, {0, 888, 500, 777}, {-1}, "Nm|hPa", "@1029|@231"},
        {"T5", 14, {0, 888, 500, 777}, {0, 100, 0, 100}, "Nm|%", ""},
        {"T5", 61, {0, 90, 0, 8000}, {-1}, "", ""},
        {"T5", 64, {0, 777, 0, 1}, {-1}, "", ""},
        {"T5", 68, {0, 999, 0, 777}, {-1}, "", ""},
        {"T5", 67, {0, 1111, -20, 110}, {-1}, "", ""},
    };
    // clang-format on
    for (const Fall& f : faelle) {
        SCOPED_TRACE(std::string(f.lage) + " map " + std::to_string(f.karte));
        const Lage& l = lagen.at(f.lage);
        Kennfelderumgebung u;
        ecusim::Identitaetsdaten id;
        id.Hersteller = static_cast<uint16_t>(l.hersteller);
        id.ECU_Typ = static_cast<uint16_t>(l.typ);
        id.Typnummer = static_cast<uint16_t>(l.typnummer);
        id.Version = static_cast<uint16_t>(l.version);
        id.Optionswort = static_cast<uint16_t>(l.option);
        std::map<int, int64_t> werte = Grundwerte();
        for (const auto& [n, w] : l.aenderungen)
            werte[n] = w;
        u.melde(id, werte);
        InterAction_ausfuehren(u.p(), cl_Parameter::Gelesen);
        const Bereiche b = Bereiche_von(u.karte(f.karte));
        EXPECT_EQ(b.xy, f.xy);
        if (f.werte[0] != -1) {
            EXPECT_EQ(b.werte, f.werte);
        }
        if (!f.einheiten.isEmpty()) {
            EXPECT_EQ(b.einheiten, texte(f.einheiten));
        }
        if (!f.achse_titel.isEmpty()) {
            EXPECT_EQ(b.achse_titel, texte(f.achse_titel));
        }
    }
}

// Type 5 binds maps 13 and 14 to other parameters; map 14's rounding term is recomputed.
TEST(Achsanpassung, TheDieselBindsOtherParameters) {
    Kennfelderumgebung u;
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 5;
    u.melde(id, Grundwerte());
    cl_Kennfeld& k14 = u.karte(14);
    k14.Z_max = 20; // so that the recomputed term shows: 100 / (20 * 2)
    u.kf().passe_Kennfelder_an_Parameter_an();
    EXPECT_EQ(k14.Rundung, 2);
    for (int i = 1; i <= 8; ++i) {
        EXPECT_EQ(u.karte(13).Parameter_Nr[static_cast<size_t>(i)], 1123 + i);
        EXPECT_EQ(k14.Parameter_Nr[static_cast<size_t>(i)], 1131 + i);
    }
}

// After the adaptation a visible offered map that is online reads again and the offered maps'
// conditions are judged; while a backup copy runs only the ranges change.
TEST(Achsanpassung, ABackupCopySuppressesTheReReadAndTheConditionPass) {
    for (const bool sicherung : {false, true}) {
        SCOPED_TRACE(sicherung);
        Kennfelderumgebung u;
        u.melde({}, Grundwerte());
        u.k.link().alle_stoppen();
        u.zeige({7, 4});
        cl_Kennfeld& online = u.karte(7);
        cl_Kennfeld& offline = u.karte(4);
        online.COM_aktiv = true;
        online.setze_Bedingung(QStringLiteral("131"));
        u.p().setze_Wert(131, 1);
        u.kf().Sicherung_laeuft = sicherung;
        InterAction_ausfuehren(u.p(), cl_Parameter::Gelesen);
        EXPECT_EQ(online.X_max, 7000);
        EXPECT_EQ(online.Daten->aktiv, !sicherung);
        EXPECT_FALSE(offline.Daten->aktiv);
        EXPECT_EQ(online.freigegeben, !sicherung);
    }
}

// The live points from the records: each visible map gets its X, Y and texts; hidden maps
// get nothing, but map 9's axis follows parameter 1933 all the same.
TEST(Betriebspunkte, EachVisibleMapTakesItsPointFromTheRecords) {
    Kennfelderumgebung u;
    u.melde({}, {{76, 1}});
    cl_ECU_Befehle& b = u.befehle();
    cl_Datensatz& M = b.akt_Daten;
    cl_Datensatz& A = b.akt_Daten_A;
    cl_Datensatz& B = b.akt_Daten_B;
    cl_Datensatz& V = b.akt_Daten_Vundel;
    const auto s = [](cl_Datensatz& r, int o, int w) { r.setze_u16(o, static_cast<uint16_t>(w)); };
    s(M, 72, 450);
    s(M, 10, 3000);
    s(M, 74, 85);
    s(A, 0, 123);
    s(M, 22, 200);
    s(M, 26, 512);
    s(M, 78, -25);
    s(M, 80, 950);
    s(A, 66, 1100);
    s(M, 44, 1023);
    s(M, 46, 512);
    s(B, 54, 40000);
    s(A, 74, -300);
    s(M, 76, 100);
    s(V, 88, -5);
    s(A, 86, 205);
    s(M, 32, 60000);
    s(A, 44, -36001 & 0xFFFF);
    s(A, 46, (-36001 >> 16) & 0xFFFF);
    s(M, 42, 1023);
    s(B, 70, -1023);
    s(A, 60, 1234);
    s(B, 52, 65000);
    s(A, 30, 1000);
    const QStringList texte{"800 µs", "Lambda:  5.00 V  ", ""};
    const QStringList keine{"", "", ""};
    struct Fall {
        int karte;
        QString x, y; // y empty on curves
        QStringList texte;
    };
    // The log-Y map 22 shows its Y from the raw value only while connected: 0 here.
    const Fall faelle[] = {
        {0, "450", "3000", texte},
        {22, "85", "0", texte},
        {4, "85", "", texte},
        {7, "3000", "", texte},
        {8, "56", "", texte},
        {9, "500", "", texte},
        {10, "450", "3000", texte},
        {11, "-25", "", texte},
        {12, "950", "", texte},
        {24, "450", "", texte},
        {29, "5000", "", texte},
        {30, "2502", "", texte},
        {43, "450", "40000", texte},
        {31, "-300", "", texte},
        {34, "489", "", texte},
        {36, "-5", "3000", keine},
        {75, "1002", "", keine},
        {72, "3000", "60000", keine},
        {73, "-60", "", keine},
        {80, "950", "3000", keine},
        {200, "450", "3000", texte},
        {201, "5000", "", texte},
        {46, "-5000", "", texte},
        {210, "123", "3000", texte},
        {41, "65000", "", texte},
        {86, "450", "3000", texte},
        {32, "3000", "", {hole_Text(810), hole_Text(811), ""}},
    };
    for (const Fall& f : faelle)
        u.zeige({f.karte});
    u.kf().haenge_an(u.karte(42)); // offered but hidden
    u.p().setze_Wert(1933, 1);
    InterAction_ausfuehren(M, cl_COM_data::Beantwortet);
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.karte);
        EXPECT_EQ(u.ansicht(f.karte).punkt, QStringList({f.x, f.y}) + f.texte);
    }
    EXPECT_TRUE(u.ansicht(42).punkt.isEmpty());
    EXPECT_EQ(u.karte(9).X_max, 500);
    u.ansicht(9).sichtbar = false;
    u.p().setze_Wert(1933, 0);
    InterAction_ausfuehren(A, cl_COM_data::Beantwortet);
    EXPECT_EQ(u.karte(9).X_max, 1000);
}

// From software version 645 the lambda texts come from record A.
TEST(Betriebspunkte, LambdaTextsFromVersion645) {
    Kennfelderumgebung u;
    ecusim::Identitaetsdaten id;
    id.Version = 645;
    u.melde(id);
    cl_ECU_Befehle& b = u.befehle();
    b.akt_Daten_A.setze_u16(96, 987);
    b.akt_Daten_A.setze_u16(94, static_cast<uint16_t>(-1000));
    u.zeige({7});
    u.kf().aktualisiere_Betriebspunkte();
    EXPECT_EQ(u.ansicht(7).punkt.mid(2),
              (QStringList{"0 µs", "Lambda:  0.99", "Soll-Lambda: -1.00"}));
}

// The diesel, diesel-A and gearbox records: points without texts, divisions truncating
// toward zero.
TEST(Betriebspunkte, DieselAndGearboxRecords) {
    Kennfelderumgebung u;
    u.offline.modell = 3;
    cl_ECU_Befehle& b = u.befehle();
    const auto s = [](cl_Datensatz& r, int o, int w) { r.setze_u16(o, static_cast<uint16_t>(w)); };
    s(b.Diesel_Daten, 4, -15);
    s(b.Diesel_Daten, 0, 40000);
    s(b.Diesel_Daten, 26, 700);
    s(b.Diesel_Daten, 34, -1234);
    s(b.Diesel_Daten, 90, -100);
    s(b.Diesel_Daten, 82, 1023);
    s(b.Diesel_Daten_A, 2, 555);
    s(b.Getriebe_Daten, 22, 60000);
    s(b.Getriebe_Daten, 16, -7);
    s(b.Getriebe_Daten, 26, 1024);
    s(b.Getriebe_Daten, 52, -9);
    u.zeige({17, 64, 63, 68, 75, 65, 13, 101, 102, 112, 118});
    InterAction_ausfuehren(b.Diesel_Daten, cl_COM_data::Beantwortet);
    InterAction_ausfuehren(b.Diesel_Daten_A, cl_COM_data::Beantwortet);
    InterAction_ausfuehren(b.Getriebe_Daten, cl_COM_data::Beantwortet);
    const std::map<int, QStringList> erwartet = {
        {17, {"-15", ""}},   {64, {"40000", ""}},  {63, {"700", ""}},     {68, {"-123", "40000"}},
        {75, {"-487", ""}},  {65, {"5000", ""}},   {13, {"55", "40000"}}, {101, {"60000", "-7"}},
        {102, {"5000", ""}}, {112, {"60000", ""}}, {118, {"-9", ""}}};
    for (const auto& [nr, punkt] : erwartet)
        EXPECT_EQ(u.ansicht(nr).punkt, (punkt + QStringList{"", "", ""})) << nr;
}

// A described map takes its point from the live values its description names; a value one
// byte wide at the end of its record is read as that byte.
TEST(Betriebspunkte, DescribedMapsReadTheirLiveValues) {
    Kennfelderumgebung u;
    auto eigene = std::make_unique<Testfabrik>(Kennfeld_Umgebung{
        u.k.link(), u.k.kontext->kommunikation(), u.k.version(), u.p(), u.k.kontext->meldungen()});
    Testfabrik& fabrik = *eigene;
    u.kf().setze_Fabrik(std::move(eigene));
    // Live values in record M: a word at 72, a word at 10, a byte at 83 (its last).
    QStringList zeilen;
    int offset = 0;
    for (const int n : Parameter) {
        zeilen << QStringLiteral("-%1,MOTOR,8,0,%2").arg(n).arg(offset);
        offset += 4;
    }
    zeilen << "-20072,LIVE,5,1,72"
           << "-20010,LIVE,4,1,10"
           << "-20083,LIVE,3,1,83";
    u.k.ordner.schreibe(QStringLiteral("Language/English/T-SIMQuorvel-1-400-0615.TXT"), zeilen);
    u.p().lade_Definitionen();
    cl_Datensatz& M = u.befehle().akt_Daten;
    M.setze_u16(72, static_cast<uint16_t>(-450));
    M.setze_u16(10, 3000);
    M.Daten[83] = 0xC8;

    Kennfeld_Beschreibung b;
    b.Kennfeld_Nr = 300;
    b.X_min = -1000;
    b.X_max = 1000;
    b.Y_max = 8000;
    cl_Kennfeld* mit = u.kf().erzeuge_beschriebenes_Kennfeld(b);
    b.Kennfeld_Nr = 301;
    b.ist_Kurve = true;
    cl_Kennfeld* ohne = u.kf().erzeuge_beschriebenes_Kennfeld(b);
    ASSERT_TRUE(mit && ohne);
    EXPECT_EQ(fabrik.karten.size(), 2u);
    EXPECT_EQ(u.kf().beschriebene_Kennfelder(), (std::vector<cl_Kennfeld*>{mit, ohne}));
    mit->Quelle_X = 20072;
    mit->Quelle_Y = 20010;
    mit->Quelle_Nr = 1;
    ohne->Quelle_X = 20083;
    for (cl_Kennfeld* c : {mit, ohne}) {
        u.kf().haenge_an(*c);
        static_cast<Testansicht*>(c->Ansicht())->sichtbar = true;
    }
    u.befehle().akt_Daten_A.setze_u16(30, 1000);
    u.kf().aktualisiere_Betriebspunkte();
    EXPECT_EQ(static_cast<Testansicht*>(mit->Ansicht())->punkt,
              (QStringList{"-450", "3000", "800 µs", "Lambda:  0.00 V  ", ""}));
    EXPECT_EQ(static_cast<Testansicht*>(ohne->Ansicht())->punkt,
              (QStringList{"200", "", "", "", ""}));
}

// The lists' handlers come before those of anything registered after the context was made.
TEST(Kennfeldlisten, HandlersRunBeforeLaterRegistrations) {
    Kennfelderumgebung u;
    u.melde({}, Grundwerte());
    int gesehen = -1;
    InterAction().Create(
        cl_Parameter::Klasse, [&](Sender&) { gesehen = u.karte(7).X_max; }, cl_Parameter::Gelesen);
    InterAction_ausfuehren(u.p(), cl_Parameter::Gelesen);
    EXPECT_EQ(gesehen, 7000);
}

// At unit initialisation, before the link and any request or window: the lists' handlers in
// their fixed order.
TEST(Kennfeldlisten, HandlersAreTheFirstRegistrationsInTheirOrder) {
    LinkKontext k(false);
    const auto anmeldungen = k.kontext->interAction().Anmeldungen();
    const std::vector<std::pair<const KlassenInfo*, int>> erwartet = {
        {&cl_akt_Daten::Klasse, 1},    {&cl_akt_Daten_A::Klasse, 1},
        {&cl_Diesel_Daten::Klasse, 1}, {&cl_Diesel_Daten_A::Klasse, 1},
        {&cl_Parameter::Klasse, 2},    {&cl_COM_Quorvel::Klasse, 1},
        {&cl_COM_Quorvel::Klasse, 2},  {&cl_Getriebe_Daten::Klasse, 1}};
    ASSERT_GE(anmeldungen.size(), erwartet.size());
    EXPECT_EQ(std::vector(anmeldungen.begin(), anmeldungen.begin() + 8), erwartet);
}
