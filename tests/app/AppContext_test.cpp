#include "app/AppContext.h"
#include "platform/Shell.h"
#include "support/Fixtures.h"
#include "support/VirtuellerBus.h"
#include "windows/TForm.h"
#include "windows/UQuorvel.h"
#include "windows/service/USicherheitstext.h"
#include "windows/status/UStatus.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A program folder with English texts, German gaps and the safety text.
struct Programm {
    VirtuellerBus bus;
    Programmordner ordner;
    Meldungsrekorder meldungen;

    explicit Programm(bool mitSicherheitstext = true) {
        QStringList en(64), de(64);
        en[0] = "Quorvel main";
        en[48] = "Safety info";
        en[49] = "No safety text:";
        de[62] = "verbunden";
        de[63] = "nicht verbunden";
        ordner.schreibe("Language/English/QORV4.TXT", en);
        ordner.schreibe("Language/Deutsch/QORV4.TXT", de);
        ordner.schreibe("Language/English/T-Quorvel-1-400-615.txt", {"x"});
        if (mitSicherheitstext)
            ordner.schreibe("Language/English/SAVE.TXT", {"Line one", "", "Line three"});
        // Every setup value present (else the setup window opens), the link on a virtual
        // CAN bus (this machine has no CAN), and no serial port at all.
        ordner.schreibe_roh("registry.ini", "[SOFTWARE\\Quorvel\\Win Quorvel]\n"
                                            "Language=English\n"
                                            "COM_Nr=0\n"
                                            "CAN_Plugin=virtualcan\n"
                                            "CAN_Interface=" +
                                                bus.Schnittstelle().toUtf8() +
                                                "\n"
                                                "Default Quorvel Hardware=7\n"
                                                "Default Quorvel Version=T-QUORVEL-1-400-615.TXT\n"
                                                "CAN baud rate=1\n"
                                                "CAN send identifier=536870910\n"
                                                "CAN receive identifier=536870911\n"
                                                "BT_Relais_COM_Nr=0\n"
                                                "BT_Relais_Online=0\n"
                                                "[Ports]\n");
        qputenv("QUORVEL_REGISTRY", ordner.registry().toLocal8Bit());
    }
    std::unique_ptr<AppContext> starte() {
        auto ctx = std::make_unique<AppContext>(ordner.pfad(), QStringList{},
                                                std::make_unique<Registry>(ordner.registry()),
                                                meldungen.Senke());
        ctx->erzeuge_Fenster();
        ctx->starte();
        return ctx;
    }
};

} // namespace

TEST(Start, SicherheitstextVorDemHauptfenster) {
    Programm p;
    auto ctx = std::make_unique<AppContext>(p.ordner.pfad(), QStringList{},
                                            std::make_unique<Registry>(p.ordner.registry()),
                                            p.meldungen.Senke());
    ctx->erzeuge_Fenster();
    auto* sicherheit = ctx->fenster<TForm_Sicherheitstext>();
    ASSERT_NE(sicherheit, nullptr);
    EXPECT_TRUE(sicherheit->isVisible());
    EXPECT_FALSE(ctx->hauptfenster()->isVisible());
    EXPECT_EQ(sicherheit->windowTitle(), "Safety info");
    EXPECT_EQ(sicherheit->Memo->toPlainText(), "Line one\n\nLine three");

    ctx->starte();
    EXPECT_FALSE(ctx->beendet());
    TForm_Quorvel* haupt = ctx->hauptfenster();
    EXPECT_TRUE(haupt->isVisible());
    EXPECT_EQ(haupt->windowTitle(), "Quorvel main");
    EXPECT_EQ(haupt->pos(), QPoint(0, 0));
    // English has no text 63: the German file fills the gap. The link is on (virtual CAN bus).
    EXPECT_EQ(haupt->Label_Verbindung_aktiv->text(), "verbunden");
    // The main window is the first window created.
    EXPECT_EQ(ctx->Fenster().front(), haupt);

    haupt->close();
    EXPECT_TRUE(ctx->beendet());
    EXPECT_EQ(ctx->Rueckgabewert(), 0);
    EXPECT_TRUE(p.meldungen.texte.isEmpty());
}

TEST(Start, OhneSicherheitstextEndetDasProgramm) {
    Programm p(false);
    auto ctx = p.starte();
    EXPECT_TRUE(ctx->beendet());
    EXPECT_EQ(ctx->Rueckgabewert(), 1);
    EXPECT_FALSE(ctx->hauptfenster()->isVisible());
    ASSERT_EQ(p.meldungen.texte.size(), 1);
    EXPECT_EQ(p.meldungen.texte[0],
              "No safety text:\n" + p.ordner.datei("Language/English/SAVE.TXT"));
}

TEST(Start, FehlendeSprachdateiWirdNachDemStartGezeigt) {
    Programmordner ordner;
    ordner.schreibe("Language/Deutsch/SAVE.TXT", {"Sicher"});
    ordner.schreibe_roh("registry.ini", "[Ports]\n");
    qputenv("QUORVEL_REGISTRY", ordner.registry().toLocal8Bit());
    Meldungsrekorder meldungen;
    AppContext ctx(ordner.pfad(), {}, std::make_unique<Registry>(ordner.registry()),
                   meldungen.Senke());
    ctx.erzeuge_Fenster();
    ctx.starte();
    EXPECT_FALSE(ctx.beendet());
    // German is the default language: its file is both the chosen and the German one. With
    // no port number the link tries CAN, which this machine does not have: that message is
    // shown too, and start-up goes on.
    ASSERT_GE(meldungen.texte.size(), 3);
    EXPECT_TRUE(meldungen.texte[0].contains("Language/Deutsch/QORV4.TXT"));
    EXPECT_TRUE(meldungen.texte[1].contains("Language/English/QORV4.TXT"));
    EXPECT_EQ(meldungen.texte[2], QString::fromUtf8("Fehler beim öffnen der CAN-Schnittstelle"));
}

TEST(Fensterwechsel, ReihenfolgeUmlaufUndVersteckte) {
    std::vector<std::unique_ptr<TForm>> besitz;
    std::vector<TForm*> f;
    for (int i = 0; i < 5; ++i) {
        besitz.push_back(std::make_unique<TForm>(QString()));
        f.push_back(besitz.back().get());
    }
    TForm* haupt = f[0];
    for (TForm* w : f)
        w->show();
    f[2]->hide();

    EXPECT_EQ(Fenster_nach(f, f[1], haupt, +1), f[3]); // hidden f[2] skipped
    EXPECT_EQ(Fenster_nach(f, f[4], haupt, +1), f[1]); // wraps, main window skipped
    EXPECT_EQ(Fenster_nach(f, f[1], haupt, -1), f[4]); // wraps backward
    EXPECT_EQ(Fenster_nach(f, f[3], haupt, -1), f[1]);
    EXPECT_EQ(Fenster_nach(f, haupt, haupt, +1), f[1]);

    TForm fremd{QString()};
    EXPECT_EQ(Fenster_nach(f, &fremd, haupt, +1), nullptr);
    EXPECT_EQ(Fenster_nach(f, nullptr, haupt, -1), nullptr);

    // Only one window besides the main window: it keeps the focus.
    f[3]->hide();
    f[4]->hide();
    EXPECT_EQ(Fenster_nach(f, f[1], haupt, +1), f[1]);
    // None at all: nothing happens.
    f[1]->hide();
    EXPECT_EQ(Fenster_nach(f, haupt, haupt, +1), nullptr);
}

TEST(Fensterwechsel, TastenJedesFensters) {
    Programm p;
    auto ctx = p.starte();
    TForm_Quorvel* haupt = ctx->hauptfenster();
    auto* sicherheit = ctx->fenster<TForm_Sicherheitstext>();
    haupt->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(haupt));

    // Alt+PgDn in the main window goes to the next visible window in creation order: the
    // live-status window of the offline ECU, then the safety text.
    auto* status = ctx->fenster<TForm_Status>();
    QTest::keyClick(haupt, Qt::Key_PageDown, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitForWindowActive(status));
    QTest::keyClick(status, Qt::Key_PageDown, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitForWindowActive(sicherheit));
    // Both ways round, the main window never gets the focus by cycling.
    QTest::keyClick(sicherheit, Qt::Key_PageDown, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitForWindowActive(status));
    QTest::keyClick(status, Qt::Key_PageUp, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitForWindowActive(sicherheit));

    const QPoint vorher = sicherheit->pos();
    QTest::keyClick(sicherheit, Qt::Key_Right, Qt::AltModifier);
    QTest::keyClick(sicherheit, Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(sicherheit, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(sicherheit->pos(), vorher + QPoint(8, 16));

    QApplication::clipboard()->clear();
    QTest::keyClick(sicherheit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->pixmap().size(), sicherheit->size());

    QTest::keyClick(sicherheit, Qt::Key_Delete, Qt::AltModifier);
    EXPECT_FALSE(sicherheit->isVisible());
    EXPECT_FALSE(ctx->beendet()); // closing another window does not end the program
}

TEST(Fensterwechsel, F1OeffnetDieHilfeDesFensters) {
    Programm p;
    p.ordner.schreibe_roh("Language/Deutsch/help main.pdf", "%PDF");
    QStringList geoeffnet;
    Shell::setOpener([&](const QString& datei) {
        geoeffnet.append(datei);
        return true;
    });
    auto ctx = p.starte();
    TForm_Quorvel* haupt = ctx->hauptfenster();
    haupt->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(haupt));
    QTest::keyClick(haupt, Qt::Key_F1);
    Shell::setOpener({});
    // Not in the chosen (English) folder: the German one has it, in whatever letter case.
    ASSERT_EQ(geoeffnet.size(), 1);
    EXPECT_EQ(geoeffnet[0], p.ordner.datei("Language/Deutsch/help main.pdf"));
}
