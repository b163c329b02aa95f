// The gearbox, test-box, additive, CAN-temperature, memory, system data and flag windows against
// the simulated ECU as the ecusim program plays it, each opened as a user opens it: from the
// context's creation list by the main window's menu items or its visibility table.
// With QUORVEL_BILDER naming a folder, a picture of each window is saved there.

#include "app/AppContext.h"
#include "base/UInterAction.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Programmbereiche.h"
#include "link/UCOM.h"
#include "link/UKommunikation.h"
#include "model/UParameter.h"
#include "platform/Registry.h"
#include "support/Fixtures.h"
#include "windows/Programm.h"
#include "windows/UColorButton.h"
#include "windows/UQuorvel.h"
#include "windows/status/UStatusDSG.h"
#include "windows/status/UTestAux.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <string_view>

namespace {

// The program on a folder of its own against the ecusim program's ECU on a pseudo-terminal.
class Statusprogramm {
public:
    Statusprogramm(const ecusim::Identitaetsdaten& id, const QStringList& argumente)
        : altesVerzeichnis_(QDir::currentPath()), bereiche(sim, id) {
        richte_Programmordner_ein(ordner, sim.oeffne_pty());
        const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
        for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")}) {
            // The simulated ECU's description file under the name of the variant played.
            QFile::copy(quelle + s + QStringLiteral("/T-SIMQuorvel-1-400-0615.TXT"),
                        ordner.datei(QStringLiteral("Language/%1/T-SIMQuorvel-%2-%3-%4.TXT")
                                         .arg(s)
                                         .arg(id.ECU_Typ)
                                         .arg(id.Typnummer)
                                         .arg(id.Version, 4, 10, QLatin1Char('0'))));
        }
        QDir::setCurrent(ordner.pfad());
        qputenv("QUORVEL_REGISTRY", ordner.registry().toLocal8Bit());
        kontext = std::make_unique<AppContext>(ordner.pfad(), argumente,
                                               std::make_unique<Registry>(ordner.registry()),
                                               meldungen.Senke());
        kontext->erzeuge_Fenster();
        InterAction().Create(
            cl_Parameter_Daten::Klasse, [this](Sender&) { ++Parameter_gelesen; },
            cl_Parameter_Daten::Gelesen);
        kontext->starte();
    }
    ~Statusprogramm() {
        kontext.reset();
        qunsetenv("QUORVEL_REGISTRY");
        QDir::setCurrent(altesVerzeichnis_);
    }
    Statusprogramm(const Statusprogramm&) = delete;
    Statusprogramm& operator=(const Statusprogramm&) = delete;

    bool verbunden() const { return kontext->link().ist_verbunden(); }
    // The window of that class in the context's creation list.
    TForm* fenster(const char* klasse) const {
        for (TForm* f : kontext->Fenster())
            if (std::string_view(f->klasse().name) == klasse)
                return f;
        return nullptr;
    }
    // A main-menu item, as a user can reach it: it must be visible and enabled.
    void klicke(const char* name) {
        QAction* a =
            kontext->hauptfenster()->MainMenu->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        ASSERT_TRUE(a->isVisible()) << name;
        ASSERT_TRUE(a->isEnabled()) << name;
        a->trigger();
    }
    static bool warte(const std::function<bool()>& f, int ms = 10000) {
        return QTest::qWaitFor(f, ms);
    }

    Meldungsrekorder meldungen;
    Programmordner ordner;
    // The parameters read after the identity: the program knows its ECU, as the main window
    // then shows.
    int Parameter_gelesen = 0;
    QString altesVerzeichnis_;
    ecusim::EcuSim sim;
    ecusim::Programmbereiche bereiche;
    std::unique_ptr<AppContext> kontext;
};

QString Label(const QWidget& f, const char* name) {
    const QLabel* l = f.findChild<QLabel*>(QString::fromLatin1(name));
    return l ? l->text() : QStringLiteral("<none>");
}

// A cell of the window's only grid.
QString Zelle(const QWidget& f, int r, int c) {
    const auto* g = f.findChild<QTableWidget*>();
    const QTableWidgetItem* i = g ? g->item(r, c) : nullptr;
    return i ? i->text() : QString();
}

ecusim::Identitaetsdaten ECU(uint16_t typ, uint16_t typnummer = 400) {
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = typ;
    id.Typnummer = typnummer;
    return id;
}

struct Fall {
    const char* klasse;
    ecusim::Identitaetsdaten id;
    QStringList argumente;
    // The menu items that open the window, in order; none: the main window opens it itself.
    std::vector<const char*> menue;
    // A text of the window that follows the ECU.
    std::function<QString(const QWidget&)> wert;
    // Done once the window is open, before its values are awaited.
    std::function<void(Statusprogramm&, QWidget&)> vorher;
    // Changes the ECU's values for windows whose values stand still by themselves.
    std::function<void(Statusprogramm&)> bewege;
    // What is the window's own beyond the moving value.
    std::function<void(Statusprogramm&, QWidget&)> ausserdem;
};

} // namespace

TEST(Zusatzfenster_ecusim, EachWindowOpenedAsAUserDoesShowsTheEcuMoving) {
    const Fall faelle[] = {
        {"TForm_Status_DSG",
         ECU(3),
         {QStringLiteral("/T")},
         {"Status_DSG"},
         [](const QWidget& f) { return Label(f, "Label_DSG_Status_Zeit"); },
         // The gearbox record comes only with the aux grid's reduced plan.
         [](Statusprogramm& p, QWidget& f) {
             QTest::qWait(500);
             EXPECT_EQ(Label(f, "Label_DSG_Status_Zeit"), QString());
             p.klicke("Test_Auxdaten");
         },
         {},
         [](Statusprogramm& p, QWidget& f) {
             auto& dsg = static_cast<TForm_Status_DSG&>(f);
             // The memo in test mode follows the auxiliary record.
             const QString memo = dsg.Memo_Aux->toPlainText();
             EXPECT_TRUE(dsg.Memo_Aux->isVisible());
             ASSERT_TRUE(p.warte([&] {
                 return dsg.Memo_Aux->toPlainText() != memo &&
                        dsg.Memo_Aux->toPlainText().count('\n') == 7;
             }));
         }},
        {"TForm_Status_Testbox",
         ECU(4, 1),
         {},
         {},
         [](const QWidget& f) { return Label(f, "Label_rpm"); },
         {},
         {},
         {}},
        // The additive ECU's memo shows the integer aux record: value i is (i + 1) x 1000 plus
        // the ECU's step.
        {"TForm_Status_Additiv",
         ECU(6),
         {},
         {},
         [](const QWidget& f) {
             const auto* memo = f.findChild<QPlainTextEdit*>();
             const QStringList z = memo ? memo->toPlainText().split('\n') : QStringList();
             bool ganz = z.size() == 8;
             for (int i = 0; ganz && i < 8; ++i)
                 ganz = z[i].toInt() - z[0].toInt() == 1000 * i && z[0].toInt() >= 1000 &&
                        z[0].toInt() < 2000;
             return ganz ? z.join(' ') : QString();
         },
         {},
         {},
         {}},
        {"TForm_CAN_Temps",
         ECU(1),
         {},
         {"Menu_CAN_Zsuatztemperaturen"},
         [](const QWidget& f) { return Zelle(f, 1, 1); },
         {},
         {},
         {}},
        {"TForm_Speicher",
         ECU(1),
         {},
         {"Speicher"},
         [](const QWidget& f) {
             return Label(f, "Label_RAM_Nr") + '/' + Label(f, "Label_Flash_1_Nr");
         },
         {},
         [](Statusprogramm& p) { p.bereiche.befehle.Speichernummern[2] = 44; },
         {}},
        // The list is read at each showing: the user opens it again.
        {"TForm_Systemdaten",
         ECU(1),
         {},
         {"Menu_Systemdaten"},
         [](const QWidget& f) { return Zelle(f, 1, 1) + '=' + Zelle(f, 1, 2); },
         {},
         [](Statusprogramm& p) {
             p.bereiche.befehle.Systemdaten[0].second = 4321;
             p.fenster("TForm_Systemdaten")->hide();
             p.klicke("Menu_Systemdaten");
         },
         {}},
        {"TForm_Merker",
         ECU(1),
         {},
         {"Menu_Merker"},
         [](const QWidget& f) {
             QString s;
             for (const auto* b : f.findChildren<TColorButton*>())
                 s += b->text();
             return s.contains('H') ? s : QString();
         },
         {},
         [](Statusprogramm& p) { p.bereiche.befehle.Merkerwort ^= 0x8001; },
         {}},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.klasse);
        Statusprogramm p(fall.id, fall.argumente);
        if (std::string_view(fall.klasse) == "TForm_Merker")
            p.bereiche.befehle.Merkerwort = 0x0005;
        ASSERT_TRUE(p.warte([&] { return p.verbunden() && p.Parameter_gelesen > 0; }));
        TForm* f = p.fenster(fall.klasse);
        ASSERT_NE(f, nullptr);
        if (fall.menue.empty()) {
            ASSERT_TRUE(p.warte([&] { return f->isVisible(); }));
        } else {
            QTest::qWait(200);
            EXPECT_FALSE(f->isVisible());
            for (const char* punkt : fall.menue)
                p.klicke(punkt);
            ASSERT_TRUE(f->isVisible());
        }
        if (fall.vorher)
            fall.vorher(p, *f);
        ASSERT_TRUE(p.warte([&] { return !fall.wert(*f).isEmpty(); }));
        const QString erster = fall.wert(*f);
        if (fall.bewege)
            fall.bewege(p);
        ASSERT_TRUE(p.warte([&] { return fall.wert(*f) != erster; })) << erster.toStdString();
        if (fall.ausserdem)
            fall.ausserdem(p, *f);
        EXPECT_TRUE(p.meldungen.texte.isEmpty()) << p.meldungen.texte.join('|').toStdString();
        const QByteArray bilder = qgetenv("QUORVEL_BILDER");
        if (!bilder.isEmpty())
            f->grab().save(QString::fromLocal8Bit(bilder) + '/' + QLatin1String(fall.klasse) +
                           QStringLiteral("_ecusim.png"));
    }
}
