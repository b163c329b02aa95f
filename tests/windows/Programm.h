#pragma once

// The whole program against the simulated ECU over a pseudo-terminal, as its user meets it,
// and a click through its menu bar.

#include "app/AppContext.h"
#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Fehlerspeicher.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Kennfelder.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Parameter.h"
#include "ecusim/Passwort.h"
#include "link/UCOM.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "support/Fixtures.h"
#include "windows/TForm.h"
#include "windows/UQuorvel.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>

// The program's folder as a user's program meets it: every setup value present, the port
// COM3 naming the device given (none: offline), the shipped language files and parameter
// definitions, and the data folder.
inline void richte_Programmordner_ein(Programmordner& ordner, const QString& geraet,
                                      const QString& sprache = QStringLiteral("English")) {
    QStringList werte = {QStringLiteral("[SOFTWARE\\Quorvel\\Win Quorvel]"),
                         QStringLiteral("Language=") + sprache,
                         QStringLiteral("Default Quorvel Hardware=7"),
                         QStringLiteral("Default Quorvel Version=T-Quorvel-1-400-0615.TXT"),
                         QStringLiteral("CAN baud rate=1"),
                         QStringLiteral("CAN send identifier=536870910"),
                         QStringLiteral("CAN receive identifier=536870911"),
                         QStringLiteral("BT_Relais_COM_Nr=0"),
                         QStringLiteral("BT_Relais_Online=0")};
    werte << QStringLiteral("COM_Nr=3") << QString() << QStringLiteral("[Ports]");
    if (!geraet.isEmpty())
        werte << QStringLiteral("COM3=") + geraet;
    ordner.schreibe(QStringLiteral("registry.ini"), werte);
    const QString quelle = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/");
    for (const QString& s : {QStringLiteral("English"), QStringLiteral("Deutsch")}) {
        QDir().mkpath(ordner.datei(QStringLiteral("Language/") + s));
        for (const QString& d : {QStringLiteral("QORV4.TXT"), QStringLiteral("SAVE.TXT"),
                                 QStringLiteral("T-SIMQuorvel-1-400-0615.TXT"),
                                 QStringLiteral("T-SIMQuorvel-7-400-0620.TXT"),
                                 QStringLiteral("T-Quorvel-1-400-0615.TXT"),
                                 QStringLiteral("QRVE0615.TXT"), QStringLiteral("QRVE0620.TXT")})
            QFile::copy(quelle + s + '/' + d, ordner.datei("Language/" + s + '/' + d));
    }
    QDir().mkpath(ordner.datei(QStringLiteral("DATA")));
}

// The program on a folder of its own, with the shipped language files and parameter
// definitions and every setup value present. Online its port is a pseudo-terminal with the
// simulated ECU of this process at the far end; offline its port names no device.
class Programm {
public:
    explicit Programm(bool online, const std::function<void(Programmordner&)>& vorher = {},
                      const ecusim::Identitaetsdaten& id = {},
                      const QString& sprache = QStringLiteral("English"))
        : altesVerzeichnis_(QDir::currentPath()) {
        richte_Programmordner_ein(ordner, online ? sim.oeffne_pty() : QString(), sprache);
        if (vorher)
            vorher(ordner);
        QDir::setCurrent(ordner.pfad());
        qputenv("QUORVEL_REGISTRY", ordner.registry().toLocal8Bit());
        Shell::setOpener([this](const QString& datei) {
            geoeffnet << datei;
            return oeffnen_gelingt;
        });
        if (online) {
            ecusim::richte_Identitaet_ein(sim, id);
            parameter = std::make_unique<ecusim::Parameterbereich>(sim);
            parameter->fuelle_Beispielwerte();
            kennfelder = std::make_unique<ecusim::Kennfeldbereich>(sim, *parameter);
            live = std::make_unique<ecusim::Livebereich>(sim);
            passwort = std::make_unique<ecusim::Passwortbereich>(sim);
            befehle = std::make_unique<ecusim::Befehlsbereich>(sim);
            fehlerspeicher = std::make_unique<ecusim::Fehlerspeicherbereich>(sim);
        }
        kontext = std::make_unique<AppContext>(ordner.pfad(), QStringList{},
                                               std::make_unique<Registry>(ordner.registry()),
                                               meldungen.Senke());
        kontext->erzeuge_Fenster();
        kontext->starte();
        haupt().activateWindow();
    }
    ~Programm() {
        kontext.reset();
        Shell::setOpener({});
        qunsetenv("QUORVEL_REGISTRY");
        QDir::setCurrent(altesVerzeichnis_);
    }

    TForm_Quorvel& haupt() { return *kontext->hauptfenster(); }
    QMenuBar& leiste() { return *haupt().MainMenu; }
    TForm* fenster(const char* klasse) const {
        for (TForm* f : kontext->Fenster())
            if (std::strcmp(f->klasse().name, klasse) == 0)
                return f;
        return nullptr;
    }
    bool verbunden() const { return kontext->link().ist_verbunden(); }
    // The windows open besides the main window, by class.
    std::set<std::string> offene_Fenster() const {
        std::set<std::string> offen;
        for (TForm* f : kontext->Fenster())
            if (f->isVisible() && f != kontext->hauptfenster())
                offen.insert(f->klasse().name);
        return offen;
    }
    void schliesse_Fenster() {
        for (TForm* f : kontext->Fenster())
            if (f != kontext->hauptfenster())
                f->hide();
    }

    Meldungsrekorder meldungen;
    Programmordner ordner;
    ecusim::EcuSim sim;
    std::unique_ptr<ecusim::Parameterbereich> parameter;
    std::unique_ptr<ecusim::Kennfeldbereich> kennfelder;
    std::unique_ptr<ecusim::Livebereich> live;
    std::unique_ptr<ecusim::Passwortbereich> passwort;
    std::unique_ptr<ecusim::Befehlsbereich> befehle;
    std::unique_ptr<ecusim::Fehlerspeicherbereich> fehlerspeicher;
    // What the shell was asked to open, and whether it manages.
    QStringList geoeffnet;
    bool oeffnen_gelingt = true;
    std::unique_ptr<AppContext> kontext;

private:
    QString altesVerzeichnis_;
};

// Clicks an item as a mouse does: its menu opened on the bar first. Fails, saying why, when
// a user could not: the item or its menu hidden or disabled.
inline ::testing::AssertionResult klicke(QMenuBar& leiste, QAction* punkt) {
    const auto bedienbar = [](const QAction* a) { return a->isVisible() && a->isEnabled(); };
    auto* menue = qobject_cast<QMenu*>(punkt->parent());
    QAction* aufDerLeiste = menue ? menue->menuAction() : punkt;
    if (!bedienbar(aufDerLeiste))
        return ::testing::AssertionFailure()
               << "on the bar " << (aufDerLeiste->isVisible() ? "disabled" : "hidden");
    QTest::mouseClick(&leiste, Qt::LeftButton, {}, leiste.actionGeometry(aufDerLeiste).center());
    if (!menue)
        return ::testing::AssertionSuccess();
    if (!QTest::qWaitFor([&] { return menue->isVisible(); }, 2000))
        return ::testing::AssertionFailure() << "the menu does not open";
    if (!bedienbar(punkt)) {
        menue->hide();
        return ::testing::AssertionFailure() << (punkt->isVisible() ? "disabled" : "hidden");
    }
    QTest::mouseClick(menue, Qt::LeftButton, {}, menue->actionGeometry(punkt).center());
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult klicke(QMenuBar& leiste, const QString& name) {
    auto* punkt = leiste.findChild<QAction*>(name);
    if (!punkt || punkt->isSeparator())
        return ::testing::AssertionFailure() << "no item " << name.toStdString();
    return klicke(leiste, punkt);
}
