#include "ecusim/EcuSim.h"
#include "link/LinkFixture.h"
#include "model/UParameter.h"
#include "platform/Comm.h"
#include "platform/Dateien.h"
#include "windows/USetup.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

QStringList Namen(const std::vector<cl_Standard_Quorvel_Software>& liste) {
    QStringList n;
    for (const auto& s : liste)
        n << s.Dateiname;
    return n;
}

void schreibe_Setup(Registry& r) {
    r.writeInteger(QStringLiteral("Default Quorvel Hardware"), 1);
    r.writeInteger(QStringLiteral("CAN baud rate"), 3);
    r.writeInteger(QStringLiteral("CAN send identifier"), 0x123);
    r.writeInteger(QStringLiteral("CAN receive identifier"), 0x456);
    r.writeString(QStringLiteral("Default Quorvel Version"), QStringLiteral("QORV0615.TXT"));
}

} // namespace

TEST(Setup, AnEmptyKeyGivesTheDefaultsAndOpensTheWindow) {
    LinkKontext k(false);
    TForm_Setup setup(*k.kontext);
    EXPECT_TRUE(setup.isVisible());
    EXPECT_EQ(setup.Hardware_Modell, 6);
    EXPECT_EQ(setup.Hardware_Nr, 203);
    EXPECT_EQ(setup.Hardware_Typnummer, 203);
    EXPECT_EQ(setup.CAN_Baudrate_Index, 1);
    EXPECT_EQ(setup.Edit_CAN_Sende_Identifier->text(), QStringLiteral("1FFFFFFE"));
    EXPECT_EQ(setup.Edit_CAN_Empfangs_Identifier->text(), QStringLiteral("1FFFFFFF"));
    EXPECT_EQ(setup.Relais_Port, -1);
    EXPECT_FALSE(setup.CheckBox_BT_Online->isChecked());
    EXPECT_FALSE(setup.Software.has_value());
    EXPECT_EQ(setup.Software_Dateiname(), QString());
    EXPECT_EQ(setup.windowTitle(), hole_Text(791));
    // The link reads the CAN values from the window.
    ASSERT_TRUE(k.link().hole_CAN_Setup().has_value());
    EXPECT_EQ(k.link().hole_CAN_Setup()->Sende_Identifier, 0x1FFFFFFEu);
    EXPECT_EQ(k.link().lies_CAN_Baudrate(), 2);
}

TEST(Setup, StoredValuesSelectTheModelAndTheOfflineIdentityWithoutOpeningTheWindow) {
    LinkKontext k(false);
    k.ordner.schreibe(QStringLiteral("Language/English/QORV0615.TXT"), {QStringLiteral("x")});
    schreibe_Setup(k.kontext->registry());
    k.kontext->registry().writeInteger(QStringLiteral("BT_Relais_COM_Nr"), 0);
    k.kontext->registry().writeInteger(QStringLiteral("BT_Relais_Online"), 0);
    TForm_Setup setup(*k.kontext);
    EXPECT_FALSE(setup.isVisible());
    EXPECT_EQ(setup.Hardware_Modell, 1);
    EXPECT_EQ(setup.ComboBox_Hardware->currentIndex(), 0);
    EXPECT_EQ(setup.ComboBox_CAN_Baudrate->currentIndex(), 3);
    EXPECT_EQ(setup.Edit_CAN_Sende_Identifier->text(), QStringLiteral("123"));
    EXPECT_EQ(k.link().lies_CAN_Baudrate(), 6);
    ASSERT_TRUE(setup.Software.has_value());
    EXPECT_EQ(setup.ComboBox_Software->currentText(), QStringLiteral("Standard Quorvel V6.15"));

    const cl_Version& v = k.version();
    EXPECT_EQ(v.Version(), 615);
    EXPECT_EQ(v.ECU_Typ(), 1);
    EXPECT_EQ(v.Software_Dateiname(), QStringLiteral("QORV0615.TXT"));
    EXPECT_EQ(v.Hardware_Haupt(), 1);
}

// A settings file that scripts/run makes for the simulated ECU, with the program folder as
// the repository ships it: the setup window finds that ECU's variant and stays away.
TEST(Setup, TheFileTheRunScriptMakesForTheSimulatedEcuNeedsNoSetup) {
    LinkKontext k(false);
    const QString englisch = QStringLiteral(QUORVEL_SOURCE_DIR "/programdir/Language/English/");
    for (const QString& d : QDir(englisch).entryList(QDir::Files)) {
        if (!d.startsWith(QLatin1String("T-")))
            continue;
        ASSERT_TRUE(QFile::copy(englisch + d, k.ordner.datei("Language/English/" + d)))
            << d.toStdString();
    }
    ASSERT_TRUE(QFile::remove(k.ordner.registry()));
    QProcess skript;
    skript.start(QStringLiteral("bash"),
                 {QStringLiteral(QUORVEL_SOURCE_DIR "/scripts/settings"), k.ordner.registry(),
                  QStringLiteral("can"), k.bus.Schnittstelle()});
    ASSERT_TRUE(skript.waitForFinished(30000));
    ASSERT_EQ(skript.exitCode(), 0) << skript.readAllStandardError().toStdString();

    TForm_Setup setup(*k.kontext);
    EXPECT_FALSE(setup.isVisible());
    EXPECT_EQ(setup.ComboBox_Hardware->currentText(), QStringLiteral("QV-400"));
    EXPECT_EQ(setup.ComboBox_Software->currentText(), QStringLiteral("Quorvel  S1  T400  V6.15"));
    // Offline the program assumes the simulated ECU, and finds its definition file.
    const cl_Version& v = k.version();
    EXPECT_EQ(v.ECU_Typ(), 1);
    EXPECT_EQ(v.Hersteller(), 1);
    EXPECT_EQ(v.Typnummer(), 400);
    EXPECT_EQ(v.Version(), 615);
    EXPECT_TRUE(
        QFileInfo::exists(Dateien::finde(glob().Pfad_Sprache + '/' + v.Software_Dateiname())))
        << v.Software_Dateiname().toStdString();
    // The CAN values are those the simulated ECU uses.
    ASSERT_TRUE(k.link().hole_CAN_Setup().has_value());
    EXPECT_EQ(k.link().hole_CAN_Setup()->Sende_Identifier, 0x1FFFFFFEu);
    EXPECT_EQ(k.link().hole_CAN_Setup()->Empfangs_Identifier, 0x1FFFFFFFu);
}

TEST(Setup, AModelOrBaudRateOutsideItsTableCountsAsMissing) {
    struct Fall {
        const char* wert;
        int zahl;
    };
    for (const Fall& f : {Fall{"Default Quorvel Hardware", 9}, Fall{"Default Quorvel Hardware", 0},
                          Fall{"CAN baud rate", 5}, Fall{"CAN baud rate", -1}}) {
        SCOPED_TRACE(std::string(f.wert) + " " + std::to_string(f.zahl));
        LinkKontext k(false);
        k.ordner.schreibe(QStringLiteral("Language/English/QORV0615.TXT"), {QStringLiteral("x")});
        schreibe_Setup(k.kontext->registry());
        k.kontext->registry().writeInteger(QLatin1String(f.wert), f.zahl);
        TForm_Setup setup(*k.kontext);
        EXPECT_TRUE(setup.isVisible());
        EXPECT_EQ(setup.Hardware_Modell, f.zahl == 9 || f.zahl == 0 ? 6 : 1);
        EXPECT_EQ(setup.CAN_Baudrate_Index, f.zahl == 9 || f.zahl == 0 ? 3 : 1);
        EXPECT_EQ(setup.ComboBox_CAN_Baudrate->currentIndex(), setup.CAN_Baudrate_Index);
        // What the link uses is what the window shows, and what it stores next.
        EXPECT_EQ(k.link().hole_CAN_Setup()->Baudrate_Index, setup.CAN_Baudrate_Index);
        setup.Button_OKClick();
        EXPECT_EQ(k.kontext->registry().readInteger(QStringLiteral("CAN baud rate")),
                  setup.CAN_Baudrate_Index);
    }
}

TEST(Setup, SoftwareVariantsOfTheLanguageFolderByHardwareModel) {
    Programmordner ordner;
    for (const char* datei :
         {"QORV4.TXT", "QORV0615.TXT", "qorv0530.txt", "T-Quorvel-1-400-615.txt",
          "t-quorvel-2-400-700.TXT", "T-Quorvel-3-400-615.txt", "T-Blensar-1-400-615.txt",
          "T-Niemand-1-400-615.txt", "T-Quorvel-1-400.txt", "T-Quorvel-5-1-20250.txt",
          "T-Quorvel-1-203-640.txt", "Notes.txt", "T-Quorvel-1-400-615.pdf",
          "T-Quorvel-1-400-65536.txt", "QORV99999.TXT"})
        ordner.schreibe(QString::fromLatin1(datei), {QStringLiteral("x")});

    const auto liste = [&](int modell) {
        return Namen(TForm_Setup::finde_Software(ordner.pfad(), modell));
    };
    for (int modell = 1; modell <= 4; ++modell)
        EXPECT_EQ(liste(modell), (QStringList{"qorv0530.txt", "QORV0615.TXT"})) << modell;
    EXPECT_EQ(liste(5), QStringList{});
    EXPECT_EQ(liste(6), QStringList{"T-Quorvel-1-203-640.txt"});
    EXPECT_EQ(liste(7), (QStringList{"T-Quorvel-1-400-615.txt", "t-quorvel-2-400-700.TXT"}));
    EXPECT_EQ(liste(8), QStringList{"T-Quorvel-5-1-20250.txt"});

    const auto sieben = TForm_Setup::finde_Software(ordner.pfad(), 7);
    EXPECT_EQ(TForm_Setup::Eintrag(sieben[0]), QStringLiteral("Quorvel  S1  T400  V6.15"));
    EXPECT_EQ(sieben[1].ECU_Typ, 2);
    EXPECT_EQ(sieben[1].Version, 700);
    EXPECT_EQ(TForm_Setup::Eintrag(TForm_Setup::finde_Software(ordner.pfad(), 1)[1]),
              QStringLiteral("Standard Quorvel V6.15"));
}

// A variant is opened by its file's own name: letters whose upper case differs in length
// or form would name no file.
TEST(Setup, AVariantKeepsItsFilesOwnNameAndItsDefinitionsLoad) {
    LinkKontext k(false);
    const QStringList dateien = {QStringLiteral("T-Quorvel-1-1-0615-Kırmızı.txt"),
                                 QStringLiteral("T-Quorvel-1-1-0615-Straße.txt"),
                                 QStringLiteral("t-quorvel-1-1-0615.txt")};
    // Each file's one definition has the file's place in the list as its text.
    for (qsizetype i = 0; i < dateien.size(); ++i)
        k.ordner.schreibe(QStringLiteral("Language/English/") + dateien[i],
                          {QStringLiteral("-5,MOTOR,4,0,0"), '/' + QString::number(i)});
    k.kontext->registry().writeInteger(QStringLiteral("Default Quorvel Hardware"), 1);
    for (int i = 0; i < static_cast<int>(dateien.size()); ++i) {
        SCOPED_TRACE(i);
        QString gewaehlt;
        {
            TForm_Setup setup(*k.kontext);
            setup.fuelle_Softwareliste();
            ASSERT_EQ(setup.ComboBox_Software->count(), 3);
            EXPECT_EQ(setup.ComboBox_Software->itemText(i),
                      QStringLiteral("Quorvel  S1  T1  V6.15"));
            setup.ComboBox_SoftwareChange(i);
            gewaehlt = setup.Software_Dateiname();
            EXPECT_TRUE(dateien.contains(gewaehlt)) << gewaehlt.toStdString();
        }
        EXPECT_EQ(k.kontext->registry().readString(QStringLiteral("Default Quorvel Version")),
                  gewaehlt);
        // The next start finds it again, and the definitions come from that file.
        TForm_Setup setup(*k.kontext);
        EXPECT_EQ(setup.Software_Dateiname(), gewaehlt);
        k.meldungen.texte.clear();
        k.kontext->parameter().lade_Definitionen();
        EXPECT_EQ(k.meldungen.texte, QStringList{});
        ASSERT_EQ(k.kontext->parameter().Definitionen().size(), 1u);
        EXPECT_EQ(k.kontext->parameter().Definitionen()[0]->Text,
                  QString::number(dateien.indexOf(gewaehlt)));
    }

    // A name stored in upper case before still selects its file, by its own name.
    k.kontext->registry().writeString(QStringLiteral("Default Quorvel Version"),
                                      QStringLiteral("T-QUORVEL-1-1-0615.TXT"));
    TForm_Setup setup(*k.kontext);
    EXPECT_EQ(setup.Software_Dateiname(), QStringLiteral("t-quorvel-1-1-0615.txt"));
}

TEST(Setup, IdentifiersAreReadAsHexAndHeldTo29Bits) {
    EXPECT_EQ(TForm_Setup::lies_Identifier(QStringLiteral("1fffffff0")), 0x1FFFFFFFu);
    EXPECT_EQ(TForm_Setup::lies_Identifier(QStringLiteral("xyz")), 0u);
    EXPECT_EQ(TForm_Setup::lies_Identifier(QStringLiteral("7ffG1")), 0x7FFu);

    LinkKontext k(false);
    TForm_Setup setup(*k.kontext);
    setup.Edit_CAN_Empfangs_Identifier->setText(QStringLiteral("1fffffff0"));
    setup.Edit_CAN_Empfangs_IdentifierExit();
    EXPECT_EQ(setup.Edit_CAN_Empfangs_Identifier->text(), QStringLiteral("1FFFFFFF"));
    setup.Edit_CAN_Sende_Identifier->setText(QStringLiteral("abc"));
    setup.Edit_CAN_Sende_IdentifierExit();
    EXPECT_EQ(setup.CAN_Sende_Identifier, 0xABCu);
    EXPECT_EQ(k.link().hole_CAN_Setup()->Sende_Identifier, 0xABCu);
    setup.Button_OKClick();
    EXPECT_FALSE(setup.isVisible());
    EXPECT_EQ(k.kontext->registry().readInteger(QStringLiteral("CAN send identifier")), 0xABC);
    EXPECT_EQ(k.kontext->registry().readInteger(QStringLiteral("Default Quorvel Hardware")), 6);
    EXPECT_EQ(k.kontext->registry().readInteger(QStringLiteral("BT_Relais_Online")), 0);
}

TEST(Setup, ChoosingHardwareAndSoftwareIsStoredAtOnce) {
    LinkKontext k(false);
    k.ordner.schreibe(QStringLiteral("Language/English/T-Quorvel-1-400-615.txt"),
                      {QStringLiteral("x")});
    TForm_Setup setup(*k.kontext);
    setup.ComboBox_HardwareChange(6);
    EXPECT_EQ(setup.Hardware_Modell, 7);
    EXPECT_EQ(k.kontext->registry().readInteger(QStringLiteral("Default Quorvel Hardware")), 7);
    setup.fuelle_Softwareliste();
    ASSERT_EQ(setup.ComboBox_Software->count(), 1);
    setup.ComboBox_SoftwareChange(0);
    EXPECT_EQ(k.kontext->registry().readString(QStringLiteral("Default Quorvel Version")),
              QStringLiteral("T-Quorvel-1-400-615.txt"));
    // Another model's list no longer holds it; the choice stays what it was.
    setup.ComboBox_HardwareChange(0);
    setup.fuelle_Softwareliste();
    EXPECT_EQ(setup.Software_Dateiname(), QStringLiteral("T-Quorvel-1-400-615.txt"));
}

TEST(Setup, TheRelayPortListLeavesOutTheLinksOwnPort) {
    ecusim::EcuSim a, b;
    const QString pty2 = a.oeffne_pty();
    const QString pty3 = b.oeffne_pty();
    ASSERT_FALSE(pty2.isEmpty());
    ASSERT_FALSE(pty3.isEmpty());
    LinkKontext k(false);
    k.ordner.schreibe(QStringLiteral("registry.ini"),
                      {QStringLiteral("[SOFTWARE\\Quorvel\\Win Quorvel]"),
                       QStringLiteral("BT_Relais_COM_Nr=3"), QStringLiteral("BT_Relais_Online=1"),
                       QString(), QStringLiteral("[Ports]"), QStringLiteral("COM2=") + pty2,
                       QStringLiteral("COM3=") + pty3});
    glob().COM_Nr = 2;
    Comm::SetPortTable(Comm::PortTable{Registry(k.ordner.registry()).readPortTable()});
    TForm_Setup setup(*k.kontext);
    EXPECT_EQ(setup.ComboBox_BT_Relais_Com_Nr->count(), 1);
    EXPECT_EQ(setup.ComboBox_BT_Relais_Com_Nr->itemText(0), QStringLiteral("COM3"));
    EXPECT_EQ(setup.ComboBox_BT_Relais_Com_Nr->currentIndex(), 0);
    EXPECT_EQ(setup.Relais_Port, 3);
    // Without the relay's window nothing is switched on, and the box says so.
    EXPECT_FALSE(setup.CheckBox_BT_Online->isChecked());

    // Port 44 is COM4 in the fast mode: the link's port is COM4 then.
    k.ordner.schreibe(QStringLiteral("registry.ini"),
                      {QStringLiteral("[SOFTWARE\\Quorvel\\Win Quorvel]"), QString(),
                       QStringLiteral("[Ports]"), QStringLiteral("COM4=") + pty2,
                       QStringLiteral("COM44=") + pty3});
    Comm::SetPortTable(Comm::PortTable{Registry(k.ordner.registry()).readPortTable()});
    glob().COM_Nr = 44;
    TForm_Setup setup44(*k.kontext);
    EXPECT_EQ(setup44.ComboBox_BT_Relais_Com_Nr->count(), 1);
    EXPECT_EQ(setup44.ComboBox_BT_Relais_Com_Nr->itemText(0), QStringLiteral("COM44"));
}

TEST(Setup, ASettingThatCannotBeSavedIsReported) {
    LinkKontext k(false);
    TForm_Setup setup(*k.kontext);
    // The registry file turns into a folder: the next save cannot reach it.
    QFile::remove(k.ordner.registry());
    QDir().mkpath(k.ordner.registry());
    k.meldungen.texte.clear();
    setup.ComboBox_HardwareChange(6);
    ASSERT_EQ(k.meldungen.texte.size(), 1);
    EXPECT_TRUE(k.meldungen.texte[0].contains(QStringLiteral("\"Default Quorvel Hardware\"")))
        << k.meldungen.texte[0].toStdString();
}

// The registry file is the user's too: saving the setup changes only the values' own text.
TEST(Setup, SavingKeepsTheUsersCommentsLineEndsAndOrder) {
    LinkKontext k(false);
    const QByteArray vorher = "; written by hand\r\n"
                              "[Ports]\r\n"
                              "\r\n"
                              "[SOFTWARE\\Quorvel\\Win Quorvel]\r\n"
                              "BT_Relais_Online=0\r\n"
                              "# the adapter on the bench\r\n"
                              "CAN receive identifier = 536870911\r\n"
                              "CAN send identifier=536870910\r\n"
                              "Language=English\r\n"
                              "CAN baud rate=1\r\n"
                              "BT_Relais_COM_Nr=0\r\n"
                              "Default Quorvel Hardware=2\r\n";
    k.ordner.schreibe_roh(QStringLiteral("registry.ini"), vorher);
    TForm_Setup setup(*k.kontext);
    setup.ComboBox_CAN_BaudrateChange(3);
    setup.Button_OKClick();
    QFile f(k.ordner.registry());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("; written by hand\r\n"
                                      "[Ports]\r\n"
                                      "\r\n"
                                      "[SOFTWARE\\Quorvel\\Win Quorvel]\r\n"
                                      "BT_Relais_Online=0\r\n"
                                      "# the adapter on the bench\r\n"
                                      "CAN receive identifier = 536870911\r\n"
                                      "CAN send identifier=536870910\r\n"
                                      "Language=English\r\n"
                                      "CAN baud rate=3\r\n"
                                      "BT_Relais_COM_Nr=0\r\n"
                                      "Default Quorvel Hardware=2\r\n"));
    EXPECT_TRUE(k.meldungen.texte.isEmpty()) << k.meldungen.texte.join('\n').toStdString();
}
