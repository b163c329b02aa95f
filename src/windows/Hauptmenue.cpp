#include "windows/Hauptmenue.h"

#include "base/Uglobal.h"

#include <algorithm>

namespace Hauptmenue {

namespace {

constexpr Art U = Art::Untermenue;
constexpr Art P = Art::Punkt;
constexpr Art T = Art::Trenner;

constexpr Eintrag Tabelle[] = {
    {"Menu_Datei", nullptr, U, 2, "", false},
    {"Menu_Motorname", "Menu_Datei", P, 9, "", true},
    {"N2", "Menu_Datei", T, 0, "-", false},
    {"Menu_Datenexport", "Menu_Datei", P, 584, "", false},
    {"Menu_Datenimport", "Menu_Datei", P, 615, "", false},
    {"N11", "Menu_Datei", T, 0, "-", false},
    {"Menu_drucken", "Menu_Datei", P, 87, "", true},
    {"Menu_Datensicherung", "Menu_Datei", P, 45, "", true},
    {"N1", "Menu_Datei", T, 0, "-", false},
    {"Ende", "Menu_Datei", P, 10, "", false},

    {"Fenster", nullptr, U, 3, "", false},
    {"Einstellwerte", "Fenster", P, 11, "", true},
    {"N9", "Fenster", T, 0, "-", false},
    {"Status", "Fenster", P, 12, "", false},
    {"Menu_Geschwindigkeiten", "Fenster", P, 1102, "", false},
    {"Menu_CAN_Zsuatztemperaturen", "Fenster", P, 1288, "", false},
    {"Status_DSG", "Fenster", P, 0, "Status DSG", false},
    {"Status_Testbox", "Fenster", P, 0, "Status Testbox", false},
    {"Status_Dranel_Kerosin", "Fenster", P, 0, "Status Dranel Kerosin", false},
    {"Menu_Status_Kvarendol", "Fenster", P, 0, "Status Kvarendol", false},
    {"Status_Additivsteuerung", "Fenster", P, 0, "Additivsteuerung", false},
    {"Wenzik_Vundel_Daten", "Fenster", P, 0, "Wenzik-Vundel Status", false},
    {"Pilmot_Status", "Fenster", P, 0, "Pilmot Status", false},
    {"Menu_Status_Dieselsteuerung", "Fenster", P, 0, "Dieselsteuerung", false},
    {"Menu_Nockenwellenverstellung", "Fenster", P, 0, "Nockenwellenverstellung", false},
    {"Menu_Tamvik_Korr", "Fenster", P, 0, "Tamvik Verstellungen", false},
    {"Menu_BHKW", "Fenster", P, 0, "BHKW", false},
    {"Menu_Diesel_Test_Bolvinar", "Fenster", P, 0, "Diesel Test (Bolvinar)", false},
    {"N10", "Fenster", T, 0, "-", false},
    {"Speicher", "Fenster", P, 13, "", false},
    {"Menu_Systemdaten", "Fenster", P, 1249, "", false},

    // Filled by the maps menu.
    {"Kennfelder", nullptr, U, 4, "", false},

    {"Flash", nullptr, U, 5, "", false},
    {"ins_Flash_sichern", "Flash", P, 35, "", false},
    {"Flash_0_loeschen", "Flash", P, 36, "", false},
    {"Flash_1_loeschen", "Flash", P, 37, "", false},
    {"Menu_Loggerflash_loeschen", "Flash", P, 58, "", true},
    {"Menu_Betriebszeit_loeschen", "Flash", P, 90, "", true},

    {"Test1", nullptr, U, 0, "Test", false},
    {"Menu_Drehzahltest", "Test1", P, 6, "", false},
    {"Menu_Test_Analogeingaenge", "Test1", P, 20, "", false},
    {"Menu_Test_Digitaleingaenge", "Test1", P, 671, "", false},
    {"Menu_Test_Digitalausgaenge", "Test1", P, 704, "", false},
    {"Menu_Merker", "Test1", P, 1067, "", false},
    {"estLogdaten1", "Test1", P, 0, "Test Logdaten", false},
    {"Test_Auxdaten", "Test1", P, 0, "Test Auxdaten", false},

    {"Extras", nullptr, U, 7, "", false},
    {"Leistungsmessung", "Extras", P, 38, "", false},
    {"Passwort_eingeben", "Extras", P, 39, "", false},
    {"Passwort_aendern", "Extras", P, 40, "", true},
    {"Duesenschaltzeit_messen", "Extras", P, 41, "", false},
    {"Programm_update", "Extras", P, 571, "", false},
    {"Menu_E_Gas_kalibrieren", "Extras", P, 574, "", false},
    {"Menu_Fernwartung", "Extras", P, 576, "", false},

    {"Fehler", nullptr, U, 8, "", false},
    {"Fehler_u_Schaltausgaenge_definieren", "Fehler", P, 43, "", true},
    {"Fehler_anzeigen", "Fehler", P, 44, "", false},

    {"Menu_Version", nullptr, P, 55, "", false},
    {"Menu_Setup", nullptr, P, 0, "Setup", false},
    {"Hilfe", nullptr, P, 56, "", false},
};

QString mit_Leerzeichen(const QString& text, qsizetype anzahl) {
    return text + QString(anzahl, QLatin1Char(' '));
}

} // namespace

std::span<const Eintrag> Eintraege() {
    return Tabelle;
}

const Eintrag* suche(QStringView name) {
    const auto it = std::find_if(std::begin(Tabelle), std::end(Tabelle), [name](const Eintrag& e) {
        return name == QLatin1String(e.Name);
    });
    return it == std::end(Tabelle) ? nullptr : &*it;
}

QString Speicher_Beschriftung(const QString& text13, const QString& text14) {
    return mit_Leerzeichen(text13, std::min<qsizetype>(2 * text14.size(), 32));
}

QString Flash_1_Beschriftung(const QString& text37, const QString& ins_Flash_sichern) {
    return mit_Leerzeichen(text37, std::min<qsizetype>(ins_Flash_sichern.size() + 4, 12));
}

QString Beschriftung(const Eintrag& e) {
    const QLatin1String name(e.Name);
    if (name == QLatin1String("Speicher"))
        return Speicher_Beschriftung(hole_Text(13), hole_Text(14));
    if (name == QLatin1String("Flash_1_loeschen"))
        return Flash_1_Beschriftung(hole_Text(37), hole_Text(35));
    return e.Text ? hole_Text(e.Text) : QString::fromLatin1(e.Beschriftung);
}

} // namespace Hauptmenue
