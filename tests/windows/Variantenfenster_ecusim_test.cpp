// The variant windows against the simulated ECU playing their variants, opened as a user
// opens them: from the main menu, or by the main window when the identity asks for them.
// With QUORVEL_BILDER naming a folder, a picture of each window is saved there.

#include "app/AppContext.h"
#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Parameter.h"
#include "ecusim/Passwort.h"
#include "ecusim/Variantendaten.h"
#include "ecusim/Zusatzdaten.h"
#include "link/UCOM.h"
#include "link/UKommunikation.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"
#include "platform/Registry.h"
#include "support/Fixtures.h"
#include "windows/Programm.h"
#include "windows/UQuorvel.h"
#include "windows/status/UDieselsteuerung.h"
#include "windows/status/UStatus.h"
#include "windows/status/UStatusAdditiv.h"
#include "windows/status/UTestAux.h"
#include "windows/status/UVundel.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The program on a folder of its own against the simulated ECU on a pseudo-terminal, the
// ECU playing the variant of the identity given.
class Variantenprogramm {
public:
    explicit Variantenprogramm(const ecusim::Identitaetsdaten& id,
                               const QStringList& argumente = {})
        : altesVerzeichnis_(QDir::currentPath()) {
        richte_Programmordner_ein(ordner, sim.oeffne_pty());
        QDir::setCurrent(ordner.pfad());
        qputenv("QUORVEL_REGISTRY", ordner.registry().toLocal8Bit());
        ecusim::richte_Identitaet_ein(sim, id);
        parameter = std::make_unique<ecusim::Parameterbereich>(sim);
        parameter->fuelle_Beispielwerte();
        live = std::make_unique<ecusim::Livebereich>(sim);
        // Before the variants, whose auxiliary record is the one that counts.
        zusatz = std::make_unique<ecusim::Zusatzbereich>(sim);
        varianten = std::make_unique<ecusim::Variantenbereich>(sim, parameter.get(), live.get());
        passwort = std::make_unique<ecusim::Passwortbereich>(sim);
        befehle = std::make_unique<ecusim::Befehlsbereich>(sim);
        kontext = std::make_unique<AppContext>(ordner.pfad(), argumente,
                                               std::make_unique<Registry>(ordner.registry()),
                                               meldungen.Senke());
        kontext->erzeuge_Fenster();
        kontext->starte();
    }
    ~Variantenprogramm() {
        kontext.reset();
        qunsetenv("QUORVEL_REGISTRY");
        QDir::setCurrent(altesVerzeichnis_);
    }

    TForm_Quorvel& haupt() { return *kontext->hauptfenster(); }
    template <class F> F& fenster() { return *kontext->fenster<F>(); }
    bool verbunden() const { return kontext->link().ist_verbunden(); }
    void klicke(const char* name) {
        QAction* a = haupt().MainMenu->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        ASSERT_TRUE(a->isVisible()) << name;
        ASSERT_TRUE(a->isEnabled()) << name;
        a->trigger();
    }
    int Anfragen(uint8_t befehl) const {
        int n = 0;
        for (const ecusim::Rahmen& r : sim.empfangene())
            n += r.befehl() == befehl;
        return n;
    }
    static bool warte(const std::function<bool()>& f, int ms = 10000) {
        return QTest::qWaitFor(f, ms);
    }
    // Saves a picture of the window when QUORVEL_BILDER names a folder.
    static void Bild(QWidget& w, const char* name) {
        const QByteArray ordner = qgetenv("QUORVEL_BILDER");
        if (!ordner.isEmpty())
            w.grab().save(QString::fromLocal8Bit(ordner) + '/' + QLatin1String(name) +
                          QStringLiteral(".png"));
    }

    Meldungsrekorder meldungen;
    Programmordner ordner;
    ecusim::EcuSim sim;
    std::unique_ptr<ecusim::Parameterbereich> parameter;
    std::unique_ptr<ecusim::Livebereich> live;
    std::unique_ptr<ecusim::Zusatzbereich> zusatz;
    std::unique_ptr<ecusim::Variantenbereich> varianten;
    std::unique_ptr<ecusim::Passwortbereich> passwort;
    std::unique_ptr<ecusim::Befehlsbereich> befehle;
    std::unique_ptr<AppContext> kontext;

private:
    QString altesVerzeichnis_;
};

QString Text(const TForm_Variante& f, const char* label) {
    const QLabel* l = f.Label(QString::fromLatin1(label));
    return l ? l->text() : QStringLiteral("<none>");
}

} // namespace

TEST(Variantenfenster_ecusim, VundelPanelFollowsTheEngine) {
    ecusim::Identitaetsdaten id;
    id.Hersteller = 9;
    id.Typnummer = 1;
    Variantenprogramm p(id);
    auto& f = p.fenster<TForm_Vundel>();
    // The main window shows the panel for manufacturer 9 by itself.
    ASSERT_TRUE(p.warte([&] { return p.verbunden() && f.isVisible(); }));
    f.hide();
    p.klicke("Wenzik_Vundel_Daten");
    ASSERT_TRUE(f.isVisible());

    const auto& b = p.kontext->ecu_Befehle();
    ASSERT_TRUE(p.warte([&] {
        return !Text(f, "Label_Drehzahl").isEmpty() && !Text(f, "Label_Temp_0").isEmpty() &&
               !Text(f, "Label_Benzin_Grundkennfeld").isEmpty();
    }));
    // What the ECU sends: the status word 5, the type-1 sensor names, row 4 hidden.
    EXPECT_EQ(Text(f, "Label_Err_0"), QStringLiteral("F101"));
    EXPECT_EQ(Text(f, "Label_Err_1"), QStringLiteral("F000"));
    EXPECT_EQ(Text(f, "Label_Kopfname_2"), QStringLiteral("EGT 1"));
    EXPECT_TRUE(f.Label(QStringLiteral("Label_Temp_4"))->isHidden());
    EXPECT_EQ(Text(f, "Label_enrichment_inj_2"), QStringLiteral("100"));
    // Values moving: the speed and the cylinder temperatures follow the records.
    const QString drehzahl = Text(f, "Label_Drehzahl");
    const QString zeit = Text(f, "Label_Systemzeit");
    ASSERT_TRUE(p.warte([&] {
        return Text(f, "Label_Drehzahl") != drehzahl && Text(f, "Label_Systemzeit") != zeit;
    }));
    ASSERT_TRUE(p.warte([&] {
        return Text(f, "Label_Drehzahl") == QString::number(b.akt_Daten.u16(10)) &&
               Text(f, "Label_Temp_0") == QString::number(b.akt_Daten_Vundel.s16(16));
    }));
    Variantenprogramm::Bild(f, "Vundel");
}

TEST(Variantenfenster_ecusim, DieselControlOpensInPlaceOfTheLiveStatus) {
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 5;
    Variantenprogramm p(id);
    auto& f = p.fenster<TForm_Dieselsteuerung>();
    ASSERT_TRUE(p.warte([&] { return p.verbunden() && f.isVisible(); }));
    f.hide();
    TForm* status = p.kontext->fenster<TForm_Status>();
    ASSERT_NE(status, nullptr);
    status->show();
    p.klicke("Menu_Status_Dieselsteuerung");
    EXPECT_FALSE(status->isVisible());
    EXPECT_TRUE(f.isVisible());

    const auto& b = p.kontext->ecu_Befehle();
    ASSERT_TRUE(p.warte([&] {
        return !Text(f, "Label_Istdrehzahl").isEmpty() && !Text(f, "Label_Last").isEmpty();
    }));
    const QString zeit = Text(f, "Label_Systemzeit");
    ASSERT_TRUE(p.warte([&] { return Text(f, "Label_Systemzeit") != zeit; }));
    ASSERT_TRUE(p.warte([&] {
        return Text(f, "Label_Istdrehzahl") == QString::number(b.Diesel_Daten.u16(0)) &&
               Text(f, "Label_Kraftstofftemp") == QStringLiteral("35");
    }));
    EXPECT_EQ(Text(f, "Label_Kopf_Istdrehzahl"), QStringLiteral("Engine speed"));
    // The air-temperature sensor drops out for a while and comes back.
    const auto farbe = [&] {
        return f.Label(QStringLiteral("Label_Lufttemperatur"))
            ->palette()
            .color(QPalette::WindowText);
    };
    ASSERT_TRUE(p.warte([&] { return farbe() == Qt::red; }, 20000));
    ASSERT_TRUE(p.warte([&] { return farbe() == Qt::black; }, 20000));
    Variantenprogramm::Bild(f, "Dieselsteuerung");
}

TEST(Variantenfenster_ecusim, AdditivePanelOnTypeSixWithoutARefusedAnswer) {
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 6;
    Variantenprogramm p(id);
    auto& f = p.fenster<TForm_Status_Additiv>();
    ASSERT_TRUE(p.warte([&] { return p.verbunden() && f.isVisible(); }));
    int antworten = 0;
    InterAction().Create(
        cl_Additiv_Statusdaten::Klasse, [&](Sender&) { ++antworten; },
        cl_Additiv_Statusdaten::Beantwortet);
    const int vorher = p.Anfragen(4);
    ASSERT_TRUE(p.warte([&] { return antworten >= 20; }, 20000));
    // Every command-4 request since was answered with a record the program took.
    EXPECT_LE(p.Anfragen(4) - vorher, antworten + 1);
    EXPECT_TRUE(p.verbunden());
    const QString zeit = Text(f, "Label_Zeit");
    ASSERT_TRUE(p.warte([&] { return Text(f, "Label_Zeit") != zeit; }));
    // The memo's integer record is polled while the window shows.
    ASSERT_TRUE(p.warte([&] { return f.Memo_Aux->toPlainText().count('\n') == 7; }));
    EXPECT_GT(p.Anfragen(5), 0);
    f.hide();
    QTest::qWait(300);
    const int n5 = p.Anfragen(5);
    QTest::qWait(500);
    EXPECT_LE(p.Anfragen(5), n5 + 1);
    Variantenprogramm::Bild(f, "Additiv");
}

TEST(Variantenfenster_ecusim, AuxGridMakesCommand15ComeAndGo) {
    Variantenprogramm p(ecusim::Identitaetsdaten{}, {QStringLiteral("/T")});
    ASSERT_TRUE(p.warte([&] { return p.verbunden(); }));
    auto& f = p.fenster<TForm_Auxdaten>();
    QTest::qWait(500);
    EXPECT_EQ(p.varianten->Auxanfragen, 0);
    p.klicke("Test_Auxdaten");
    ASSERT_TRUE(f.isVisible());
    ASSERT_TRUE(p.warte([&] { return p.varianten->Auxanfragen >= 8; }));
    // Value i is i x 10 plus the ECU's step: the cell of value 37 in column 4, row 8.
    ASSERT_TRUE(p.warte([&] {
        const QTableWidgetItem* c = f.StringGrid->item(8, 4);
        const QTableWidgetItem* null = f.StringGrid->item(1, 1);
        return c && null && !null->text().isEmpty() &&
               c->text().toInt() - null->text().toInt() == 370;
    }));
    f.hide();
    QTest::qWait(500);
    const int danach = p.varianten->Auxanfragen;
    QTest::qWait(800);
    EXPECT_LE(p.varianten->Auxanfragen, danach + 4);
    // Shown again, it comes back.
    p.klicke("Test_Auxdaten");
    ASSERT_TRUE(p.warte([&] { return p.varianten->Auxanfragen >= danach + 8; }));
    Variantenprogramm::Bild(f, "Auxdaten");
}

TEST(Variantenfenster_ecusim, PilmotKvarendolAndBolvinarPanelsFromTheirMenuItems) {
    struct Fall {
        const char* was;
        ecusim::Identitaetsdaten id;
        const char* menue;
        const char* klasse;
        const char* label;
    };
    const auto identitaet = [](int typ, int hersteller, int typnummer, int version) {
        ecusim::Identitaetsdaten id;
        id.ECU_Typ = static_cast<uint16_t>(typ);
        id.Hersteller = static_cast<uint16_t>(hersteller);
        id.Typnummer = static_cast<uint16_t>(typnummer);
        id.Version = static_cast<uint16_t>(version);
        return id;
    };
    const Fall faelle[] = {
        {"Pilmot", identitaet(1, 12, 1, 615), "Pilmot_Status", "TForm_Pilmot", "Label_Systemzeit"},
        {"Kvarendol", identitaet(4, 1, 2, 615), "Menu_Status_Kvarendol", "TForm_Kvarendol",
         "Label_Drehzahl"},
        {"Bolvinar", identitaet(5, 1, 400, 20218), "Menu_Diesel_Test_Bolvinar", "TForm_Bolvinar",
         "Label_Kraftstoffdruck_Ist"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        Variantenprogramm p(f.id);
        ASSERT_TRUE(p.warte([&] { return p.verbunden() && p.kontext->version().ECU_Typ() > 0; }));
        TForm_Variante* w = nullptr;
        for (TForm* t : p.kontext->Fenster())
            if (std::strcmp(t->klasse().name, f.klasse) == 0)
                w = dynamic_cast<TForm_Variante*>(t);
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(p.warte([&] {
            QAction* a = p.haupt().MainMenu->findChild<QAction*>(QString::fromLatin1(f.menue));
            return a && a->isVisible();
        }));
        w->hide();
        p.klicke(f.menue);
        ASSERT_TRUE(w->isVisible());
        ASSERT_TRUE(p.warte([&] { return !Text(*w, f.label).isEmpty(); }));
        const QString erst = Text(*w, f.label);
        ASSERT_TRUE(p.warte([&] { return Text(*w, f.label) != erst; }));
        Variantenprogramm::Bild(*w, f.was);
    }
}

TEST(Variantenfenster_ecusim, GearboxCamshaftWheelSpeedAndTamvikPanels) {
    using Lesart = std::function<QString(const TForm_Variante&)>;
    const auto label = [](const char* name) -> Lesart {
        return [name](const TForm_Variante& f) { return Text(f, name); };
    };
    const auto zelle = [](int zeile, int spalte) -> Lesart {
        return [zeile, spalte](const TForm_Variante& f) {
            const auto* g = f.findChild<QTableWidget*>(QStringLiteral("StringGrid"));
            const QTableWidgetItem* c = g ? g->item(zeile, spalte) : nullptr;
            return c ? c->text() : QString();
        };
    };
    const auto identitaet = [](int typ, int version, int hardware) {
        ecusim::Identitaetsdaten id;
        id.ECU_Typ = static_cast<uint16_t>(typ);
        id.Version = static_cast<uint16_t>(version);
        id.Hardware_Haupt = static_cast<uint16_t>(hardware);
        return id;
    };
    struct Fall {
        const char* was;
        ecusim::Identitaetsdaten id;
        // The menu item the user picks; none where the main window opens the panel itself.
        const char* menue;
        const char* klasse;
        // A value that moves with the engine, and one the ECU keeps, with its text.
        Lesart bewegt;
        Lesart fest;
        const char* fest_Text;
    };
    const Fall faelle[] = {
        // The type-3 plan polls the 88-byte record with command 22; the panel opens by
        // itself.
        {"Getriebe", identitaet(3, 615, 400), nullptr, "TForm_Getriebe",
         label("Label_Motordrehzahl"), label("Label_Waehlhebel"), "D"},
        // Below hardware 301 the panel reads record A.
        {"Nockenwelle", identitaet(1, 615, 200), "Menu_Nockenwellenverstellung",
         "TForm_Nockenwelle", label("Label_Einlass_Sollwinkel"), label("Label_Auslass_Aus"), "389"},
        {"Radgeschwindigkeit", identitaet(1, 616, 400), "Menu_Geschwindigkeiten",
         "TForm_Wheel_speed", label("Label_Geschw_drived"), label("Label_Schlupf"), "  1.5"},
        // Target lambda's final value comes from record A, the adjustments from record B.
        {"Tamvik", identitaet(1, 20620, 400), "Menu_Tamvik_Korr", "TForm_Tamvik_Korrekturen",
         zelle(1, 1), zelle(2, 2), " 1.00"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        Variantenprogramm p(f.id);
        ASSERT_TRUE(p.warte([&] { return p.verbunden() && p.kontext->version().ECU_Typ() > 0; }));
        TForm_Variante* w = nullptr;
        for (TForm* t : p.kontext->Fenster())
            if (std::strcmp(t->klasse().name, f.klasse) == 0)
                w = dynamic_cast<TForm_Variante*>(t);
        ASSERT_NE(w, nullptr);
        if (f.menue) {
            ASSERT_TRUE(p.warte([&] {
                QAction* a = p.haupt().MainMenu->findChild<QAction*>(QString::fromLatin1(f.menue));
                return a && a->isVisible();
            }));
            EXPECT_FALSE(w->isVisible());
            p.klicke(f.menue);
            ASSERT_TRUE(w->isVisible());
        } else {
            ASSERT_TRUE(p.warte([&] { return w->isVisible(); }));
        }
        ASSERT_TRUE(p.warte([&] { return !f.bewegt(*w).isEmpty(); }));
        const QString erst = f.bewegt(*w);
        ASSERT_TRUE(p.warte([&] { return f.bewegt(*w) != erst; }));
        EXPECT_EQ(f.fest(*w), QString::fromUtf8(f.fest_Text));
        EXPECT_TRUE(p.verbunden());
        Variantenprogramm::Bild(*w, f.was);
    }
}

TEST(Variantenfenster_ecusim, AuxGridMakesDataItem2ComeAndGoOnADataItemEcu) {
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = 7;
    id.Version = 620;
    Variantenprogramm p(id, {QStringLiteral("/T")});
    ASSERT_TRUE(p.warte([&] { return p.verbunden() && p.kontext->version().ECU_Typ() == 7; }));
    auto& f = p.fenster<TForm_Auxdaten>();
    // Read messages of the data-item protocol that ask for item 2.
    const auto Lesungen = [&] {
        int n = 0;
        for (const ecusim::Datenelement_Nachricht& m : p.parameter->Nachrichten)
            n += std::any_of(m.tripel.begin(), m.tripel.end(), [](const auto& t) {
                return t.id == ecusim::Variantenbereich::Aux_Element_Id;
            });
        return n;
    };
    const auto Leser = [&] {
        const cl_Filetyp* e =
            p.kontext->ecu_Liste().suche_Index(cl_Aux_Daten_erweitert::Datenelement);
        return e ? e->zyklische_Leser : -1;
    };
    QTest::qWait(500);
    EXPECT_EQ(Lesungen(), 0);
    for (int runde = 0; runde < 2; ++runde) {
        SCOPED_TRACE(runde);
        const int vorher = Lesungen();
        p.klicke("Test_Auxdaten");
        ASSERT_TRUE(f.isVisible());
        EXPECT_EQ(Leser(), 1);
        ASSERT_TRUE(p.warte([&] { return Lesungen() >= vorher + 5; }));
        // The item's values reach the grid: value 37 in column 4, row 8.
        ASSERT_TRUE(p.warte([&] {
            const QTableWidgetItem* c = f.StringGrid->item(8, 4);
            const QTableWidgetItem* null = f.StringGrid->item(1, 1);
            return c && null && !null->text().isEmpty() &&
                   c->text().toInt() - null->text().toInt() == 370;
        }));
        f.hide();
        EXPECT_EQ(Leser(), 0);
        QTest::qWait(300);
        const int danach = Lesungen();
        QTest::qWait(800);
        EXPECT_LE(Lesungen(), danach + 1);
    }
    EXPECT_EQ(p.varianten->Auxanfragen, 0);
    EXPECT_TRUE(p.verbunden());
}
