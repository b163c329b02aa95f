#include "ecusim/Identitaet.h"
#include "link/LinkFixture.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "windows/Einstellwerte.h"

#include <gtest/gtest.h>

namespace {

class Editorumgebung {
public:
    Editorumgebung() {
        lade({".MOTOR,Motor,",
              ".LEER,Leer,",
              ".EXTRA,Extra,7",
              ".ZWEI,Zwei,",
              "-7,MOTOR,4,0,0",
              "/Extras an",
              "'Schaltet die Extras",
              "#0,3",
              "-8,MOTOR,1,0,2",
              "/Spannung",
              "#0,5",
              "-9,MOTOR,7,0,4",
              "/Maske",
              "#0,65535",
              "-10,MOTOR,0,0,6,0,7",
              "/Nur mit Extras",
              "-11,LEER,0,0,8,0,7",
              "-12,ZWEI,0,0,10",
              "/Erster",
              "-13,ZWEI,0,0,12",
              "/Zweiter",
              "-14,EXTRA,4,0,14",
              "/Im Extra"});
    }
    void lade(const QStringList& zeilen) {
        const ecusim::Identitaetsdaten id;
        k.ordner.schreibe(QStringLiteral("Language/English/T-SIMQuorvel-%1-%2-%3.TXT")
                              .arg(id.ECU_Typ)
                              .arg(id.Typnummer)
                              .arg(id.Version, 4, 10, QLatin1Char('0')),
                          zeilen);
        const QByteArray a = ecusim::baue_Identitaet(id);
        std::copy(a.begin(), a.end(), k.version().Antwortbereich.begin());
        k.version().Antwort();
    }
    cl_Parameter& p() { return k.kontext->parameter(); }

    LinkKontext k;
};

struct Z {
    const char* nummer;
    const char* text;
    const char* bereich;
    const char* ecu;
    const char* neu;
};

void vergleiche(const Einstellwerte& e, std::initializer_list<Z> erwartet, const char* fall) {
    ASSERT_EQ(e.Tabelle().size(), erwartet.size()) << fall;
    size_t i = 0;
    for (const Z& z : erwartet) {
        const Einstellwerte::Zeile& t = e.Tabelle()[i++];
        EXPECT_EQ(t.Nummer, QString::fromLatin1(z.nummer)) << fall << " row " << i;
        EXPECT_EQ(t.Text, QString::fromLatin1(z.text)) << fall << " row " << i;
        EXPECT_EQ(t.Bereich, QString::fromLatin1(z.bereich)) << fall << " row " << i;
        EXPECT_EQ(t.ECU, QString::fromLatin1(z.ecu)) << fall << " row " << i;
        EXPECT_EQ(t.Neu, QString::fromLatin1(z.neu)) << fall << " row " << i;
    }
}

} // namespace

TEST(Einstellwerte, RowsShowRangeEcuAndEditedValueAndFollowConditions) {
    Editorumgebung u;
    cl_Parameter& p = u.p();
    p.setze_Wert(8, 1000);
    p.setze_Wert(9, 0xAB);
    Einstellwerte e(p);
    int menues = 0;
    e.aktualisiere_Menues = [&] { ++menues; };
    e.Parameter_anzeigen();
    EXPECT_EQ(e.Gruppennamen(), (QStringList{"Motor", "Leer", "Extra", "Zwei"}));
    EXPECT_EQ(e.gewaehlte_Gruppe(), 0);
    EXPECT_GE(menues, 1);
    vergleiche(e,
               {{"1", "Extras an", "    0 . .     3", "0", ""},
                {"2", "Spannung", " 0.00 . .  5.00", " 4.89", ""},
                {"3", "Maske", "    0 . .  FFFF", "AB", ""}},
               "start");
    EXPECT_EQ(e.aktuelle_Zeile(), 1);
    EXPECT_EQ(e.Memo(), QStringList{"Schaltet die Extras"});
    EXPECT_FALSE(e.Gruppe_fett(2));

    // An edit that enables a parameter shows it at once, and the group turns bold.
    struct Commit {
        int zeile;
        const char* text;
        std::initializer_list<Z> tabelle;
    };
    const Commit faelle[] = {
        {1,
         "1",
         {{"1", "Extras an", "    0 . .     3", "0", "1"},
          {"2", "Spannung", " 0.00 . .  5.00", " 4.89", ""},
          {"3", "Maske", "    0 . .  FFFF", "AB", ""},
          {"4", "Nur mit Extras", "-32768 . . 32767", "0", ""}}},
        // Clamped to the limits; the cell shows what the set holds.
        {2, "9", {}},
        // A value equal to the ECU's leaves the cell empty.
        {3, "ab", {}},
        // Blank restores the ECU value, and the dependent row vanishes again.
        {1,
         "  ",
         {{"1", "Extras an", "    0 . .     3", "0", ""},
          {"2", "Spannung", " 0.00 . .  5.00", " 4.89", " 5.00"},
          {"3", "Maske", "    0 . .  FFFF", "AB", ""}}},
    };
    for (const Commit& c : faelle) {
        e.uebernehme_Eingabe(c.zeile, QString::fromLatin1(c.text));
        if (c.tabelle.size())
            vergleiche(e, c.tabelle, c.text);
        if (c.zeile == 1 && QString::fromLatin1(c.text) == "1") {
            EXPECT_TRUE(e.Gruppe_fett(2));
        }
    }
    EXPECT_FALSE(e.Gruppe_fett(2));
    EXPECT_EQ(p.Wert_neu(8), 1023);
    EXPECT_EQ(p.Wert(8), 1000) << "edits stay in the edited image";
    EXPECT_EQ(p.Wert_neu(7), 0);

    // A group without an active parameter hides the table.
    e.waehle_Gruppe(1);
    EXPECT_FALSE(e.Tabelle_sichtbar());
    EXPECT_EQ(e.Memo(), QStringList{"keine Einstellwerte vorhanden"});
}

TEST(Einstellwerte, ReturningToAGroupReselectsItsLastRow) {
    Editorumgebung u;
    Einstellwerte e(u.p());
    e.Parameter_anzeigen();
    e.waehle_Zeile(3);
    e.waehle_Gruppe(3);
    EXPECT_EQ(e.aktuelle_Zeile(), 1);
    e.waehle_Zeile(2);
    e.waehle_Gruppe(0);
    EXPECT_EQ(e.aktuelle_Zeile(), 3);
    e.waehle_Gruppe(3);
    EXPECT_EQ(e.aktuelle_Zeile(), 2);
    // The choice of group survives a rebuild by name.
    e.Parameter_anzeigen();
    EXPECT_EQ(e.gewaehlte_Gruppe(), 3);
}

TEST(Einstellwerte, ADefinitionReloadRebuildsTheTableBeforeTheNextCommit) {
    Editorumgebung u;
    Einstellwerte e(u.p());
    e.Parameter_anzeigen();
    ASSERT_EQ(e.Tabelle().size(), 3u);
    // New definitions free the old ones, which the rows referred to.
    u.lade({".MOTOR,Motor,", "-20,MOTOR,4,0,20", "/Neu"});
    e.uebernehme_Eingabe(1, QStringLiteral("5"));
    vergleiche(e, {{"1", "Neu", "-32768 . . 32767", "0", "5"}}, "reloaded");
    EXPECT_EQ(u.p().Wert_neu(20), 5);
    EXPECT_EQ(e.Gruppennamen(), QStringList{"Motor"});
}

TEST(Einstellwerte, TheCsvListsEachGroupsActiveParametersWithEcuValues) {
    Editorumgebung u;
    cl_Parameter& p = u.p();
    p.setze_Wert(8, 1000);
    p.setze_Wert(9, 0xAB);
    p.setze_Wert(12, -10);
    p.suche_Parameter(13);
    p.setze_Rohwert_neu(99); // not exported
    Einstellwerte e(p);
    e.Parameter_anzeigen();
    const QDateTime zeit(QDate(2026, 12, 11), QTime(9, 5, 7));
    const QStringList z = e.CSV_Zeilen("/tmp/x.csv", {"Kommentar"}, ',', zeit);
    const QString kopf = QStringList{hole_Text(148), hole_Text(153), hole_Text(1234),
                                     hole_Text(1235), hole_Text(155)}
                             .join(';');
    const QStringList erwartet{hole_Text(121),
                               "/tmp/x.csv",
                               "11.12.2026;09:05:07",
                               "",
                               kopf,
                               "Kommentar",
                               "",
                               "Motor",
                               "1;Extras an;    0;    3;0",
                               "2;Spannung; 0.00; 5.00; 4.89",
                               "3;Maske;    0; FFFF;AB",
                               "",
                               "Extra",
                               "1;Im Extra;-32768;32767;0",
                               "",
                               "Zwei",
                               "1;Erster;-32768;32767;-8",
                               "2;Zweiter;-32768;32767;0",
                               ""};
    EXPECT_EQ(z, erwartet);
    EXPECT_EQ(e.CSV_Dateiname, "/tmp/x.csv");
    EXPECT_EQ(e.CSV_Kommentar, QStringList{"Kommentar"});
    EXPECT_EQ(e.CSV_Zeilen("f", {}, '.', zeit)[2], "11.12.2026,09:05:07");
}

TEST(Einstellwerte, TheCsvFileHasTheseBytes) {
    Editorumgebung u;
    cl_Parameter& p = u.p();
    p.setze_Wert(7, 2);
    p.setze_Wert(8, 1000);
    p.setze_Wert(9, 0xAB);
    p.setze_Wert(12, -10);
    Einstellwerte e(p);
    e.Parameter_anzeigen();
    const QString datei = u.k.ordner.datei(QStringLiteral("werte.csv"));
    const QDateTime zeit(QDate(2026, 1, 2), QTime(3, 4, 5));
    ASSERT_TRUE(
        e.schreibe_CSV(datei, {QString::fromUtf8("Prüfstand 2"), "zweite Zeile"}, ',', zeit));
    QFile f(datei);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    // Written by hand: the English texts, CR LF line ends, the comment in Windows-1252.
    const QByteArray soll = "Settings\r\n" + datei.toLocal8Bit() +
                            "\r\n"
                            "02.01.2026;03:04:05\r\n"
                            "\r\n"
                            "Group;Parameter;Minimum;Maximum;ECU value\r\n"
                            "Pr\xFC"
                            "fstand 2\r\n"
                            "zweite Zeile\r\n"
                            "\r\n"
                            "Motor\r\n"
                            "1;Extras an;    0;    3;2\r\n"
                            "2;Spannung; 0.00; 5.00; 4.89\r\n"
                            "3;Maske;    0; FFFF;AB\r\n"
                            "4;Nur mit Extras;-32768;32767;0\r\n"
                            "\r\n"
                            "Leer\r\n"
                            "1;;-32768;32767;0\r\n"
                            "\r\n"
                            "Extra\r\n"
                            "1;Im Extra;-32768;32767;0\r\n"
                            "\r\n"
                            "Zwei\r\n"
                            "1;Erster;-32768;32767;-8\r\n"
                            "2;Zweiter;-32768;32767;0\r\n"
                            "\r\n";
    EXPECT_EQ(f.readAll(), soll);
}
