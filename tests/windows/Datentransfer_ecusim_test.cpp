// Export and import against the simulated ECU, through their logic as the windows drive it:
// the files written and the telegrams sent, what the user is told, and the file left in
// place by an export that did not finish.

#include "model/Anfragenumgebung.h"
#include "windows/service/Datenexport.h"
#include "windows/service/Datenimport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using QVD::Paar;
using Paare = std::vector<Paar>;

// What the windows would show: whether each is visible, and the bar.
class Ansicht : public Transferansicht {
public:
    void verberge_Fenster() override { fenster = false; }
    void zeige_Fortschritt(int m) override {
        fortschritt = true;
        maximum = m;
        positionen.clear();
    }
    void setze_Maximum(int m) override { maximum = m; }
    void setze_Position(int p) override { positionen.push_back(p); }
    void verberge_Fortschritt() override { fortschritt = false; }

    bool fenster = true;
    bool fortschritt = false;
    int maximum = -1;
    std::vector<int> positionen;
};

class Umgebung {
public:
    Umgebung() {
        u.k.meldungen.texte.clear();
        InterAction().Create(
            cl_COM_Quorvel::Klasse, [this](Sender&) { ++getrennt; }, cl_COM_Quorvel::Getrennt);
    }
    QString pfad(const QString& name) const { return dir.filePath(name); }
    static QByteArray lies(const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    static void schreibe(const QString& p, const QByteArray& b) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b);
    }
    void setze_Daten(int n, int basis = 0) {
        u.bereich.Exportdaten.clear();
        for (int i = 0; i < n; ++i)
            u.bereich.Exportdaten.emplace_back(2000 + i, basis + 3 * i);
    }
    Paare Daten() const {
        Paare p;
        for (const auto& [k, w] : u.bereich.Exportdaten)
            p.push_back({k, w});
        return p;
    }
    // The header as the ECU answered the last export start.
    QByteArray Kopf() const { return u.bereich.Exportkopfpaare(); }

    bool exportiere(const QString& datei, const QStringList& beschreibung,
                    const Exportpasswoerter& pw = {}) {
        ansicht = {};
        exp.Zeigen = true;
        if (!exp.starten(datei, beschreibung, pw))
            return false;
        return u.warte_still();
    }
    bool importiere(const QString& datei) {
        ansicht = {};
        imp.oeffne_Importdatei(datei);
        u.bereich.Importtelegramme.clear();
        if (!imp.starten(datei))
            return false;
        return u.warte_still();
    }
    std::vector<int> Telegramme() const {
        std::vector<int> n;
        for (const QByteArray& t : u.bereich.Importtelegramme)
            n.push_back(ecusim::Wort(t, 1));
        return n;
    }
    std::vector<QByteArray> Exportworte() const {
        std::vector<QByteArray> w;
        for (const auto& [befehl, daten] : u.Folge())
            if (befehl == 121)
                w.push_back(daten);
        return w;
    }

    Anfragenumgebung u;
    QTemporaryDir dir;
    Ansicht ansicht;
    Datenexport exp{*u.k.kontext, ansicht};
    Datenimport imp{*u.k.kontext, ansicht};
    int getrennt = 0;
};

} // namespace

TEST(DatentransferEcusim, AnExportWritesDescriptionHeaderAndBlocksUntilAShortOne) {
    struct Fall {
        int paare;
        std::vector<int> positionen;
        std::vector<QByteArray> worte;
    };
    const Fall faelle[] = {
        {40, {16, 32, 40}, {Worte({1}), Worte({0}), Worte({1})}},
        {48, {16, 32, 48, 48}, {Worte({1}), Worte({0}), Worte({1}), Worte({0})}},
        {0, {0}, {Worte({1})}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.paare);
        Umgebung e;
        e.setze_Daten(f.paare);
        ASSERT_TRUE(e.exportiere(e.pfad("data"), {"abc", "", QStringLiteral("Motor 2 é")}));
        EXPECT_EQ(e.exp.Dateiname, e.pfad("data.QVD"));
        const QByteArray erwartet = QVD::Bytes(QVD::Beschreibung({"abc", "", "Motor 2 é"})) +
                                    e.Kopf() + QVD::Bytes(e.Daten());
        EXPECT_EQ(Umgebung::lies(e.pfad("data.QVD")), erwartet);
        EXPECT_EQ(e.Exportworte(), f.worte);
        EXPECT_EQ(e.ansicht.maximum, f.paare);
        EXPECT_EQ(e.ansicht.positionen, f.positionen);
        EXPECT_FALSE(e.ansicht.fenster);
        EXPECT_FALSE(e.ansicht.fortschritt);
        EXPECT_FALSE(e.exp.Zeigen);
        EXPECT_EQ(e.u.k.meldungen.texte, QStringList());
        EXPECT_EQ(QDir(e.dir.path()).entryList(QDir::Files), QStringList{"data.QVD"});
    }
}

TEST(DatentransferEcusim, TheNewPasswordGoesOutOnlyWhenAskedFor) {
    for (bool neu : {false, true}) {
        SCOPED_TRACE(neu);
        Umgebung e;
        e.setze_Daten(3);
        Exportpasswoerter pw;
        pw.PW[0] = "ALT";
        pw.Nr[0] = "12";
        pw.PW[2] = "DREI";
        pw.Nr[2] = "x7";    // no number: 0
        pw.Nr[1] = "65539"; // its low 16 bits
        pw.neu = neu;
        pw.neues_PW = "NEU";
        pw.neue_Nr = "4711";
        ASSERT_TRUE(e.exportiere(e.pfad("p.QVD"), {}, pw));
        QByteArray kopf(56, '\0');
        kopf.replace(0, 4, QByteArray("ALT", 4));
        kopf.replace(24, 5, QByteArray("DREI", 5));
        if (neu)
            kopf.replace(36, 4, QByteArray("NEU", 4));
        kopf.replace(48, 8, Worte({12, 3, 0, neu ? 4711 : 0}));
        EXPECT_EQ(e.u.bereich.Exportkopf, kopf);
        // The ECU put the new number and the replaced ones into the header the file keeps.
        const QVD::Dateikopf k = QVD::lies_Dateikopf(Umgebung::lies(e.pfad("p.QVD")));
        EXPECT_EQ(k.Passwortnummer, neu ? 4711 : 0);
        EXPECT_EQ(k.alte_Passwortnummern, neu ? "12, 3" : "");
    }
}

TEST(DatentransferEcusim, AnExportThatEndsEarlyLeavesNoFileAndAnOlderOneAsItWas) {
    enum class Ende { Stille, Abbruch, Stille_beim_Kopf };
    for (Ende ende : {Ende::Stille, Ende::Abbruch, Ende::Stille_beim_Kopf}) {
        for (bool aeltere : {false, true}) {
            SCOPED_TRACE(static_cast<int>(ende) * 10 + aeltere);
            Umgebung e;
            e.setze_Daten(40);
            const QString datei = e.pfad("old.QVD");
            if (aeltere)
                Umgebung::schreibe(datei, "an older export");
            e.exp.Zeigen = true;
            if (ende == Ende::Stille_beim_Kopf)
                e.u.sim.injiziere(ecusim::Fehler::Stille, 1, 120);
            ASSERT_TRUE(e.exp.starten(datei, {"abc"}, {}));
            EXPECT_EQ(e.u.k.meldungen.fragen.size(), aeltere ? 1u : 0u);
            size_t gefragt = 0;
            if (ende != Ende::Stille_beim_Kopf) {
                ASSERT_TRUE(e.u.warte([&] { return e.exp.Paare >= 16; }));
                if (ende == Ende::Stille)
                    e.u.sim.injiziere(ecusim::Fehler::Stille, 1, 121);
                else
                    e.exp.Abbruch();
                gefragt = e.Exportworte().size();
            }
            ASSERT_TRUE(e.u.warte_still());
            e.u.k.ticke();
            EXPECT_EQ(Umgebung::lies(datei), aeltere ? QByteArray("an older export") : "<none>");
            EXPECT_EQ(QDir(e.dir.path()).entryList(QDir::Files),
                      aeltere ? QStringList{"old.QVD"} : QStringList());
            EXPECT_EQ(e.u.k.meldungen.texte,
                      ende == Ende::Abbruch ? QStringList() : QStringList{hole_Text(89)});
            EXPECT_FALSE(e.ansicht.fortschritt);
            EXPECT_FALSE(e.exp.laeuft());
            // Nothing more was asked after the abort; silence ends the first request it meets.
            EXPECT_LE(e.Exportworte().size(), gefragt + (ende == Ende::Abbruch ? 0u : 1u));
        }
    }
}

TEST(DatentransferEcusim, AnExistingFileIsOverwrittenOnlyAfterYes) {
    Umgebung e;
    e.setze_Daten(2);
    Umgebung::schreibe(e.pfad("x.QVD"), "keep");
    e.u.k.meldungen.setze_Antwort(false);
    EXPECT_FALSE(e.exportiere(e.pfad("x"), {}));
    EXPECT_EQ(e.u.k.meldungen.fragen, QStringList{hole_Text(581)});
    EXPECT_EQ(Umgebung::lies(e.pfad("x.QVD")), "keep");
    EXPECT_TRUE(e.u.Befehlsfolge().empty());
    e.u.k.meldungen.setze_Antwort(true);
    ASSERT_TRUE(e.exportiere(e.pfad("x"), {}));
    EXPECT_EQ(Umgebung::lies(e.pfad("x.QVD")), e.Kopf() + QVD::Bytes(e.Daten()));
    // A folder that does not exist: text 582, nothing sent.
    e.u.sim.leere_Protokoll();
    EXPECT_FALSE(e.exportiere(e.pfad("no/such/y.QVD"), {}));
    EXPECT_EQ(e.u.k.meldungen.texte, QStringList{hole_Text(582)});
    EXPECT_TRUE(e.u.Befehlsfolge().empty());
    EXPECT_FALSE(e.exp.laeuft());
}

TEST(DatentransferEcusim, TheExtensionIsAddedOnlyToANameWithout) {
    const std::pair<const char*, const char*> faelle[] = {
        {"data", "data.QVD"},           {"data.bin", "data.bin"}, {"a.b/data", "a.b/data.QVD"},
        {"/x/data.qvd", "/x/data.qvd"}, {"data.", "data."},       {"", ""},
    };
    for (const auto& [name, erwartet] : faelle)
        EXPECT_EQ(Datenexport::mit_Endung(name), erwartet) << name;
}

TEST(DatentransferEcusim, ImportsSendTheFileSixteenPairsATelegram) {
    struct Fall {
        int daten;
        std::vector<int> telegramme;
    };
    for (const Fall& f : {Fall{40, {16, 16, 16, 12}}, Fall{44, {16, 16, 16, 16, 0}}}) {
        SCOPED_TRACE(f.daten);
        Umgebung e;
        e.setze_Daten(f.daten);
        ASSERT_TRUE(e.exportiere(e.pfad("d.QVD"), {"some text", "more"}));
        const QByteArray datei = Umgebung::lies(e.pfad("d.QVD"));
        const Paare vorher = e.Daten();
        e.setze_Daten(f.daten, 500); // the ECU's data changed meanwhile
        // Something polled: the import stops it and nothing starts it again.
        e.u.weitere().Merker->starten_zyklisch(0, 100);
        e.u.k.ticke(3);
        e.u.sim.leere_Protokoll();
        ASSERT_TRUE(e.importiere(e.pfad("d.QVD")));
        EXPECT_EQ(e.Telegramme(), f.telegramme);
        for (size_t i = 0; i < e.u.bereich.Importtelegramme.size(); ++i)
            EXPECT_EQ(e.u.bereich.Importtelegramme[i][0], i == 0 ? 1 : 0) << i;
        EXPECT_EQ(e.u.Befehlsfolge(), std::vector<int>(f.telegramme.size(), 122));
        EXPECT_EQ(e.u.k.meldungen.texte, QStringList{hole_Text(618)});
        EXPECT_EQ(e.ansicht.maximum, datei.size() / 2);
        EXPECT_FALSE(e.ansicht.fortschritt);
        EXPECT_FALSE(e.ansicht.fenster);
        EXPECT_FALSE(e.imp.laeuft());
        // The ECU holds the data of the file again, and exports them as before.
        EXPECT_EQ(e.Daten(), vorher);
        e.u.k.meldungen.texte.clear();
        ASSERT_TRUE(e.exportiere(e.pfad("again.QVD"), {"some text", "more"}));
        EXPECT_EQ(Umgebung::lies(e.pfad("again.QVD")), datei);
    }
}

TEST(DatentransferEcusim, EachStatusOfTheEcuShowsItsText) {
    struct Fall {
        std::map<int, uint16_t> zwischen;
        uint16_t ende;
        bool pruefen; // the check box
        int text;
        size_t telegramme;
        bool trennt;
    };
    const Fall faelle[] = {
        {{}, 1, true, 618, 4, false},         {{}, 5, true, 624, 4, false},
        {{}, 0, true, 617, 4, true},          {{}, 11, true, 617, 4, true},
        {{{1, 10}}, 1, true, 619, 2, false},  {{{1, 10}}, 1, false, 618, 4, false},
        {{{0, 11}}, 1, false, 620, 1, false}, {{{2, 11}}, 1, true, 620, 3, false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.text * 10 + static_cast<int>(f.telegramme));
        Umgebung e;
        e.setze_Daten(40);
        ASSERT_TRUE(e.exportiere(e.pfad("s.QVD"), {}));
        e.u.bereich.Importstatus = f.zwischen;
        e.u.bereich.Importstatus_Ende = f.ende;
        e.imp.bei_anderer_Version_stoppen = f.pruefen;
        ASSERT_TRUE(e.importiere(e.pfad("s.QVD")));
        EXPECT_EQ(e.u.bereich.Importtelegramme.size(), f.telegramme);
        // A disconnection has the link start over; what it says then is not the import's.
        EXPECT_EQ(e.u.k.meldungen.texte.value(0), hole_Text(f.text));
        if (!f.trennt) {
            EXPECT_EQ(e.u.k.meldungen.texte.size(), 1);
        }
        EXPECT_EQ(e.getrennt, f.trennt ? 1 : 0);
        EXPECT_FALSE(e.ansicht.fortschritt);
        EXPECT_FALSE(e.ansicht.fenster);
        EXPECT_FALSE(e.u.weitere().Import_next->laeuft);
    }
}

TEST(DatentransferEcusim, AFileThatCannotBeSentWholeSendsNothing) {
    Umgebung e;
    e.setze_Daten(40);
    ASSERT_TRUE(e.exportiere(e.pfad("c.QVD"), {"x"}));
    QByteArray datei = Umgebung::lies(e.pfad("c.QVD"));
    for (int ab : {1, 2, 3}) {
        Umgebung::schreibe(e.pfad("cut.QVD"), datei.left(datei.size() - ab));
        e.u.k.meldungen.texte.clear();
        e.u.sim.leere_Protokoll();
        e.ansicht = {};
        EXPECT_FALSE(e.imp.starten(e.pfad("cut.QVD"))) << ab;
        EXPECT_EQ(e.u.k.meldungen.texte, QStringList{hole_Text(611)});
        EXPECT_TRUE(e.ansicht.fenster);
        EXPECT_FALSE(e.ansicht.fortschritt);
        ASSERT_TRUE(e.u.warte_still());
        EXPECT_TRUE(e.u.Befehlsfolge().empty());
    }
    // No such file, or no name.
    for (const QString& name : {e.pfad("none.QVD"), QString()}) {
        e.u.k.meldungen.texte.clear();
        EXPECT_FALSE(e.imp.starten(name));
        EXPECT_EQ(e.u.k.meldungen.texte, QStringList{hole_Text(611)});
    }
    // A file that shrinks under the import: the telegram that cannot be filled stays home.
    Umgebung::schreibe(e.pfad("shrinks.QVD"), datei);
    e.u.k.meldungen.texte.clear();
    e.u.bereich.Importtelegramme.clear();
    ASSERT_TRUE(e.imp.starten(e.pfad("shrinks.QVD")));
    ASSERT_TRUE(QFile(e.pfad("shrinks.QVD")).resize(datei.size() - 40 * 4));
    ASSERT_TRUE(e.u.warte_still());
    // The first telegram was filled at the start; the second finds the file short.
    EXPECT_EQ(e.u.bereich.Importtelegramme.size(), 1u);
    EXPECT_EQ(e.u.k.meldungen.texte, QStringList{hole_Text(611)});
    EXPECT_FALSE(e.imp.laeuft());
    EXPECT_FALSE(e.u.weitere().Import_next->laeuft);
}

TEST(DatentransferEcusim, AnImportCutBySilenceOrAbortedEndsQuietly) {
    for (bool abbrechen : {false, true}) {
        SCOPED_TRACE(abbrechen);
        Umgebung e;
        e.setze_Daten(40);
        ASSERT_TRUE(e.exportiere(e.pfad("t.QVD"), {}));
        e.u.bereich.Importtelegramme.clear();
        e.ansicht = {};
        ASSERT_TRUE(e.imp.starten(e.pfad("t.QVD")));
        ASSERT_TRUE(e.u.warte([&] { return e.u.bereich.Importtelegramme.size() >= 1; }));
        if (abbrechen)
            e.imp.Abbruch();
        else
            e.u.sim.injiziere(ecusim::Fehler::Stille, 1, 122);
        ASSERT_TRUE(e.u.warte_still());
        e.u.k.ticke();
        EXPECT_LE(e.u.bereich.Importtelegramme.size(), 2u);
        EXPECT_EQ(e.u.k.meldungen.texte, abbrechen ? QStringList() : QStringList{hole_Text(89)});
        EXPECT_FALSE(e.ansicht.fortschritt);
        EXPECT_FALSE(e.ansicht.fenster);
        EXPECT_FALSE(e.imp.laeuft());
        EXPECT_EQ(e.u.bereich.Importe, 0);
    }
}

TEST(DatentransferEcusim, TheHeaderReadShowsTheFileAndSaysWhenItCannot) {
    Umgebung e;
    e.setze_Daten(4);
    ASSERT_TRUE(e.exportiere(e.pfad("h.QVD"), {"Line one", "2"}));
    ASSERT_TRUE(e.imp.oeffne_Importdatei(e.pfad("h.QVD")));
    EXPECT_EQ(e.imp.Kopf.Beschreibung, (QStringList{"Line one", "2"}));
    EXPECT_EQ(e.imp.Kopf.Versionstext(), "V6.15 R3");
    EXPECT_EQ(e.imp.Kopf.Anzahl, 4);
    EXPECT_EQ(e.imp.Groesse, Umgebung::lies(e.pfad("h.QVD")).size() / 2);
    EXPECT_EQ(e.u.k.meldungen.texte, QStringList());
    EXPECT_FALSE(e.imp.oeffne_Importdatei(e.pfad("gone.QVD")));
    EXPECT_EQ(e.u.k.meldungen.texte, QStringList{hole_Text(611)});
    EXPECT_EQ(e.imp.Kopf.Beschreibung, QStringList());
    // No file named yet: nothing to say.
    EXPECT_TRUE(e.imp.oeffne_Importdatei(QString()));
    EXPECT_EQ(e.u.k.meldungen.texte.size(), 1);
}
