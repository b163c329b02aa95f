// The relay's hidden window and the setup window's switch for it: the relay is made right
// after the main window, the stored switch opens its port at start-up, and a port that
// cannot be opened is told and leaves the box unchecked.

#include "ecusim/EcuSim.h"
#include "link/LinkFixture.h"
#include "model/UKennfelder.h"
#include "platform/Comm.h"
#include "serial/SerPort.h"
#include "serial/SerSelCom.h"
#include "support/Pty.h"
#include "windows/UBluetooth.h"
#include "windows/UQuorvel.h"
#include "windows/USetup.h"
#include "windows/maps/UKennfeldfenster.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// The program's windows, the relay's port stored as given, COM3 a pseudo-terminal.
struct Relaisfenster {
    PtyPaar pty;
    LinkKontext k{false};

    Relaisfenster(int port, int online) {
        k.ordner.schreibe(QStringLiteral("Language/English/SAVE.TXT"), {QStringLiteral("x")});
        k.kontext->registry().writeInteger(QStringLiteral("BT_Relais_COM_Nr"), port);
        k.kontext->registry().writeInteger(QStringLiteral("BT_Relais_Online"), online);
        Comm::SetPortTable(Comm::PortTable{std::map<int, QString>{{3, pty.slavePfad()}}});
    }
    void erzeuge() { k.kontext->erzeuge_Fenster(); }
    TForm_Bluetooth& relais() { return *k.kontext->fenster<TForm_Bluetooth>(); }
    TForm_Setup& setup() { return *k.kontext->fenster<TForm_Setup>(); }
    std::optional<int> online() {
        return k.kontext->registry().readInteger(QStringLiteral("BT_Relais_Online"));
    }
    template <class F> static bool warte(F fertig) {
        for (int i = 0; i < 400 && !fertig(); ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return fertig();
    }
};

} // namespace

TEST(Bluetooth, TheStoredSwitchOpensTheRelayAtStartUpAndUncheckingClosesIt) {
    Relaisfenster f(3, 1);
    ASSERT_TRUE(f.pty.ok());
    f.erzeuge();
    // Right after the main window and the map windows it made.
    const std::vector<TForm*> fenster = f.k.kontext->Fenster();
    const size_t danach = 2 + f.k.kontext->kennfelder().Katalog().size();
    ASSERT_GE(fenster.size(), danach + 2);
    EXPECT_NE(dynamic_cast<TForm_Quorvel*>(fenster[0]), nullptr);
    EXPECT_NE(dynamic_cast<TForm_Kennfeld*>(fenster[danach - 1]), nullptr);
    EXPECT_EQ(fenster[danach], &f.relais());
    EXPECT_NE(dynamic_cast<TForm_Setup*>(fenster[danach + 1]), nullptr);
    EXPECT_FALSE(f.relais().isVisible());
    EXPECT_TRUE(f.relais().Timer->isActive());
    EXPECT_EQ(f.relais().Timer->interval(), 100);

    EXPECT_TRUE(f.relais().Relais().offen());
    EXPECT_EQ(f.relais().Relais().Port().ComNumber(), 3);
    EXPECT_TRUE(f.setup().CheckBox_BT_Online->isChecked());
    EXPECT_TRUE(f.k.meldungen.texte.isEmpty());

    // The remote device on the far end is heard and answered.
    ASSERT_TRUE(f.pty.schreibe(QByteArray("\x04\x6E\x37\x57", 4)));
    EXPECT_TRUE(Relaisfenster::warte([&] { return f.relais().Label1->text() == "110"; }));
    EXPECT_EQ(f.pty.lies(4, 2000), QByteArray("\x04\x6E\x37\x57", 4));

    f.setup().CheckBox_BT_Online->click();
    EXPECT_FALSE(f.setup().CheckBox_BT_Online->isChecked());
    EXPECT_FALSE(f.relais().Relais().offen());
    EXPECT_EQ(f.online(), 0);
    f.setup().CheckBox_BT_Online->click();
    EXPECT_TRUE(f.relais().Relais().offen());
    EXPECT_EQ(f.online(), 1);
}

TEST(Bluetooth, APortThatCannotBeOpenedIsToldAndUnchecksTheBox) {
    Relaisfenster f(5, 1); // COM5 names no device
    f.erzeuge();
    EXPECT_EQ(f.k.meldungen.texte, QStringList{hole_Text(1286)});
    EXPECT_FALSE(f.setup().CheckBox_BT_Online->isChecked());
    EXPECT_FALSE(f.relais().Relais().offen());

    f.setup().CheckBox_BT_Online->click();
    EXPECT_EQ(f.k.meldungen.texte.size(), 2);
    EXPECT_EQ(f.k.meldungen.texte.last(),
              QStringLiteral("The Bluetooth relay's port cannot be opened."));
    EXPECT_FALSE(f.setup().CheckBox_BT_Online->isChecked());
    EXPECT_EQ(f.online(), 0);

    // Choosing the port that exists switches the relay on there.
    ASSERT_EQ(f.setup().ComboBox_BT_Relais_Com_Nr->count(), 1);
    f.setup().CheckBox_BT_Online->setChecked(true);
    f.setup().ComboBox_BT_Relais_Com_NrChange(0);
    EXPECT_TRUE(f.relais().Relais().offen());
    EXPECT_EQ(f.relais().Relais().Port().ComNumber(), 3);
    EXPECT_EQ(f.online(), 1);
}

TEST(Bluetooth, PortZeroAsksForThePortAndCancellingFails) {
    for (const bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        Relaisfenster f(0, 1);
        // Answers the dialog once it is there.
        QTimer zeitgeber;
        QObject::connect(&zeitgeber, &QTimer::timeout, [ok] {
            if (auto* d = dynamic_cast<TComSelectForm*>(QApplication::activeModalWidget()))
                ok ? d->OkBtn->click() : d->AbortBtn->click();
        });
        zeitgeber.start(20);
        f.erzeuge();
        EXPECT_EQ(f.relais().Relais().offen(), ok);
        EXPECT_EQ(f.setup().CheckBox_BT_Online->isChecked(), ok);
        EXPECT_EQ(f.k.meldungen.texte, ok ? QStringList() : QStringList{hole_Text(1286)});
    }
}
