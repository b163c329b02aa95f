#include "windows/Variantenregeln.h"

namespace {

bool Bolvinar(const Kennung& e) {
    return e.ECU_Typ == 5 && e.Version >= 20218 && e.Version <= 20299;
}

} // namespace

namespace Variantenregeln {

std::vector<Fensterregel> Fenster(const Kennung& e) {
    const uint16_t typ = e.ECU_Typ;
    const bool diesel = typ == 5;
    std::vector<Fensterregel> r = {
        {"TForm_Status", e.Hersteller != 9 && e.Hersteller != 12 && (typ == 1 || typ == 2),
         "Status"},
        {"TForm_Vundel", e.Hersteller == 9},
        {"TForm_Getriebe", typ == 3},
        {"TForm_Boot_update", typ == 8, nullptr, true},
        {"TForm_Status_Testbox", typ == 4 && e.Typnummer != 2, "Status_Testbox"},
        // Other ECU types leave both diesel windows as they are.
        {"TForm_Bolvinar", diesel ? std::optional(Bolvinar(e)) : std::nullopt},
        {"TForm_Dieselsteuerung", diesel ? std::optional(!Bolvinar(e)) : std::nullopt,
         "Menu_Status_Dieselsteuerung"},
        {"TForm_Dranel_Kerosin", typ == 6, "Status_Dranel_Kerosin"},
        {"TForm_Status_Additiv", typ == 6, "Status_Additivsteuerung"},
        {"TForm_Kvarendol", typ == 4 && e.Typnummer == 2, "Menu_Status_Kvarendol"},
    };
    return r;
}

std::map<QString, Menuezustand> Menues(const Menuelage& l) {
    const Kennung& e = l.ecu;
    const bool diesel = e.ECU_Typ == 5;
    std::map<QString, Menuezustand> m;
    const auto aktiv = [&](const char* name, bool an) { m[QString::fromLatin1(name)].aktiv = an; };
    const auto sichtbar = [&](const char* name, bool an) {
        m[QString::fromLatin1(name)].sichtbar = an;
    };

    for (const char* n : {"Menu_Datenexport", "Menu_Datenimport", "Menu_Datensicherung", "Flash",
                          "ins_Flash_sichern", "Flash_0_loeschen", "Flash_1_loeschen",
                          "Menu_Loggerflash_loeschen", "Test1"})
        aktiv(n, l.verbunden);

    sichtbar("Menu_Test_Analogeingaenge", e.Version >= 505 || diesel);
    sichtbar("Menu_Test_Digitaleingaenge", e.Version >= 505 || diesel);
    sichtbar("Menu_Test_Digitalausgaenge", (e.ECU_Typ == 1 || e.ECU_Typ == 2) && e.Version >= 615);
    sichtbar("Menu_Merker", e.ECU_Typ < 3 && e.Version >= 615);
    sichtbar("Menu_Geschwindigkeiten", e.Hersteller == 1 && e.ECU_Typ == 1 && e.Version >= 616);
    for (const char* n :
         {"Menu_Drehzahltest", "Menu_Test_Analogeingaenge", "Menu_Test_Digitaleingaenge",
          "Menu_Test_Digitalausgaenge", "Fehler_anzeigen", "Passwort_eingeben", "Passwort_aendern",
          "Duesenschaltzeit_messen"})
        aktiv(n, l.verbunden);
    sichtbar("Wenzik_Vundel_Daten", e.Hersteller == 9);
    sichtbar("Pilmot_Status", e.Hersteller == 12);
    sichtbar("Menu_Status_Kvarendol", e.Typnummer == 2 && e.ECU_Typ == 4);
    sichtbar("Menu_E_Gas_kalibrieren", l.E_Gas);
    sichtbar("Duesenschaltzeit_messen", !diesel);
    sichtbar("Leistungsmessung", !diesel);
    sichtbar("estLogdaten1", !diesel && l.Testmodus);
    sichtbar("Test_Auxdaten", l.Testmodus);
    sichtbar("Menu_Tamvik_Korr", e.Hersteller == 1 && e.ECU_Typ == 1 && e.Typnummer == 400 &&
                                     e.Version >= 20620 && e.Version <= 20629);
    sichtbar("Menu_BHKW", e.Typnummer == 600);
    sichtbar("Menu_Diesel_Test_Bolvinar", Bolvinar(e));
    return m;
}

int Zuendung_Titel(const Kennung& e) {
    return e.ECU_Typ == 5 ? 1058 : 18;
}

} // namespace Variantenregeln
