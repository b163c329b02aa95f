#include "windows/Variantenregeln.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {

std::optional<bool> sichtbar(const std::vector<Fensterregel>& regeln, const std::string& fenster) {
    for (const Fensterregel& r : regeln)
        if (fenster == r.Fenster)
            return r.sichtbar;
    ADD_FAILURE() << "no row for " << fenster;
    return std::nullopt;
}

constexpr std::optional<bool> an = true;
constexpr std::optional<bool> aus = false;
constexpr std::optional<bool> bleibt = std::nullopt;

} // namespace

// Which variant windows an identity opens; "bleibt" leaves the window as it is.
TEST(Variantenregeln, WindowsByIdentity) {
    struct Fall {
        const char* was;
        Kennung ecu;
        std::optional<bool> status, vundel, getriebe, boot, testbox, bolvinar, diesel, dranel,
            additiv, kvarendol;
    };
    const Fall faelle[] = {
        {"petrol 1", {1, 1, 400, 615}, an, aus, aus, aus, aus, bleibt, bleibt, aus, aus, aus},
        {"petrol 2", {2, 3, 1, 615}, an, aus, aus, aus, aus, bleibt, bleibt, aus, aus, aus},
        {"Vundel", {1, 9, 1, 615}, aus, an, aus, aus, aus, bleibt, bleibt, aus, aus, aus},
        {"Pilmot", {2, 12, 1, 615}, aus, aus, aus, aus, aus, bleibt, bleibt, aus, aus, aus},
        {"gearbox", {3, 1, 1, 615}, aus, aus, an, aus, aus, bleibt, bleibt, aus, aus, aus},
        {"test box", {4, 1, 1, 615}, aus, aus, aus, aus, an, bleibt, bleibt, aus, aus, aus},
        {"Kvarendol", {4, 1, 2, 615}, aus, aus, aus, aus, aus, bleibt, bleibt, aus, aus, an},
        {"diesel 20218", {5, 1, 1, 20218}, aus, aus, aus, aus, aus, an, aus, aus, aus, aus},
        {"diesel 20250", {5, 7, 9, 20250}, aus, aus, aus, aus, aus, an, aus, aus, aus, aus},
        {"diesel 20299", {5, 1, 1, 20299}, aus, aus, aus, aus, aus, an, aus, aus, aus, aus},
        {"diesel 20217", {5, 1, 1, 20217}, aus, aus, aus, aus, aus, aus, an, aus, aus, aus},
        {"diesel 20300", {5, 1, 1, 20300}, aus, aus, aus, aus, aus, aus, an, aus, aus, aus},
        {"CHP slave", {6, 1, 1, 615}, aus, aus, aus, aus, aus, bleibt, bleibt, an, an, aus},
        {"gas engine", {7, 1, 400, 620}, aus, aus, aus, aus, aus, bleibt, bleibt, aus, aus, aus},
        {"boot loader", {8, 1, 1, 100}, aus, aus, aus, an, aus, bleibt, bleibt, aus, aus, aus},
    };
    for (const Fall& f : faelle) {
        const auto r = Variantenregeln::Fenster(f.ecu);
        EXPECT_EQ(sichtbar(r, "TForm_Status"), f.status) << f.was;
        EXPECT_EQ(sichtbar(r, "TForm_Vundel"), f.vundel) << f.was;
        EXPECT_EQ(sichtbar(r, "TForm_Getriebe"), f.getriebe) << f.was;
        EXPECT_EQ(sichtbar(r, "TForm_Boot_update"), f.boot) << f.was;
        EXPECT_EQ(sichtbar(r, "TForm_Status_Testbox"), f.testbox) << f.was;
        EXPECT_EQ(sichtbar(r, "TForm_Bolvinar"), f.bolvinar) << f.was;
        EXPECT_EQ(sichtbar(r, "TForm_Dieselsteuerung"), f.diesel) << f.was;
        EXPECT_EQ(sichtbar(r, "TForm_Dranel_Kerosin"), f.dranel) << f.was;
        EXPECT_EQ(sichtbar(r, "TForm_Status_Additiv"), f.additiv) << f.was;
        EXPECT_EQ(sichtbar(r, "TForm_Kvarendol"), f.kvarendol) << f.was;
    }
}

// The rows' order, the menu items that follow their windows, and where the focus moves.
TEST(Variantenregeln, WindowRowsInOrderWithTheirMenuItems) {
    std::vector<std::string> reihe;
    std::string fokus_nach;
    for (const Fensterregel& r : Variantenregeln::Fenster({1, 1, 1, 615})) {
        reihe.push_back(std::string(r.Fenster) +
                        (r.Menuepunkt ? " > " + std::string(r.Menuepunkt) : ""));
        if (r.Fokus_danach)
            fokus_nach = r.Fenster;
    }
    EXPECT_EQ(reihe, (std::vector<std::string>{
                         "TForm_Status > Status",
                         "TForm_Vundel",
                         "TForm_Getriebe",
                         "TForm_Boot_update",
                         "TForm_Status_Testbox > Status_Testbox",
                         "TForm_Bolvinar",
                         "TForm_Dieselsteuerung > Menu_Status_Dieselsteuerung",
                         "TForm_Dranel_Kerosin > Status_Dranel_Kerosin",
                         "TForm_Status_Additiv > Status_Additivsteuerung",
                         "TForm_Kvarendol > Menu_Status_Kvarendol",
                     }));
    EXPECT_EQ(fokus_nach, "TForm_Boot_update");
}

// The menu items shown, by identity and switches: every item with a visibility rule that is
// not listed is hidden.
TEST(Variantenregeln, MenuVisibilityByIdentity) {
    struct Fall {
        const char* was;
        Kennung ecu;
        bool Testmodus;
        bool E_Gas;
        std::set<std::string> gezeigt;
    };
    // The items that the old ECUs lack, and those every petrol ECU has.
    const std::string ein = "Menu_Test_Analogeingaenge", ein2 = "Menu_Test_Digitaleingaenge",
                      aus = "Menu_Test_Digitalausgaenge", duese = "Duesenschaltzeit_messen",
                      leistung = "Leistungsmessung", merker = "Menu_Merker",
                      tempo = "Menu_Geschwindigkeiten";
    const Fall faelle[] = {
        {"old 5.04", {1, 1, 1, 504}, false, false, {duese, leistung}},
        {"5.05", {1, 1, 1, 505}, false, false, {ein, ein2, duese, leistung}},
        {"6.14 type 1", {1, 1, 400, 614}, false, false, {ein, ein2, duese, leistung}},
        {"6.15 type 1", {1, 1, 400, 615}, false, false, {ein, ein2, aus, merker, duese, leistung}},
        {"6.15 type 2", {2, 2, 1, 615}, false, false, {ein, ein2, aus, merker, duese, leistung}},
        {"6.15 type 3", {3, 1, 1, 615}, false, false, {ein, ein2, duese, leistung}},
        {"6.15 type 7", {7, 1, 400, 620}, false, false, {ein, ein2, duese, leistung}},
        {"6.16 Quorvel",
         {1, 1, 1, 616},
         false,
         false,
         {ein, ein2, aus, merker, tempo, duese, leistung}},
        {"6.16 other maker",
         {1, 2, 1, 616},
         false,
         false,
         {ein, ein2, aus, merker, duese, leistung}},
        {"6.16 type 2", {2, 1, 1, 616}, false, false, {ein, ein2, aus, merker, duese, leistung}},
        {"Vundel",
         {3, 9, 1, 600},
         false,
         false,
         {ein, ein2, duese, leistung, "Wenzik_Vundel_Daten"}},
        {"Pilmot", {3, 12, 1, 600}, false, false, {ein, ein2, duese, leistung, "Pilmot_Status"}},
        {"Kvarendol",
         {4, 1, 2, 600},
         false,
         false,
         {ein, ein2, duese, leistung, "Menu_Status_Kvarendol"}},
        {"test box", {4, 1, 1, 600}, false, false, {ein, ein2, duese, leistung}},
        {"E-Gas",
         {3, 1, 1, 600},
         false,
         true,
         {ein, ein2, duese, leistung, "Menu_E_Gas_kalibrieren"}},
        {"test mode",
         {3, 1, 1, 600},
         true,
         false,
         {ein, ein2, duese, leistung, "estLogdaten1", "Test_Auxdaten"}},
        {"old diesel", {5, 1, 1, 400}, false, false, {ein, ein2}},
        {"old diesel, test mode", {5, 1, 1, 400}, true, false, {ein, ein2, "Test_Auxdaten"}},
        {"Bolvinar", {5, 1, 1, 20250}, false, false, {ein, ein2, "Menu_Diesel_Test_Bolvinar"}},
        {"diesel 203.00", {5, 1, 1, 20300}, false, false, {ein, ein2}},
        {"Tamvik 206.20",
         {1, 1, 400, 20620},
         false,
         false,
         {ein, ein2, aus, merker, tempo, duese, leistung, "Menu_Tamvik_Korr"}},
        {"Tamvik 206.29",
         {1, 1, 400, 20629},
         false,
         false,
         {ein, ein2, aus, merker, tempo, duese, leistung, "Menu_Tamvik_Korr"}},
        {"206.30",
         {1, 1, 400, 20630},
         false,
         false,
         {ein, ein2, aus, merker, tempo, duese, leistung}},
        {"206.20, type number 401",
         {1, 1, 401, 20620},
         false,
         false,
         {ein, ein2, aus, merker, tempo, duese, leistung}},
        {"CHP", {6, 1, 600, 600}, false, false, {ein, ein2, duese, leistung, "Menu_BHKW"}},
    };
    for (const Fall& f : faelle) {
        std::set<std::string> gezeigt;
        int geregelt = 0;
        for (const auto& [name, z] : Variantenregeln::Menues({f.ecu, true, f.Testmodus, f.E_Gas}))
            if (z.sichtbar) {
                ++geregelt;
                if (*z.sichtbar)
                    gezeigt.insert(name.toStdString());
            }
        EXPECT_EQ(gezeigt, f.gezeigt) << f.was;
        EXPECT_EQ(geregelt, 16) << f.was;
    }
}

// Offline the link's items are disabled and the window-showing test items too; the other
// items keep their state.
TEST(Variantenregeln, MenuItemsEnabledOnlyWhileConnected) {
    const std::set<std::string> mit_Verbindung = {"Menu_Datenexport",
                                                  "Menu_Datenimport",
                                                  "Menu_Datensicherung",
                                                  "Flash",
                                                  "ins_Flash_sichern",
                                                  "Flash_0_loeschen",
                                                  "Flash_1_loeschen",
                                                  "Menu_Loggerflash_loeschen",
                                                  "Test1",
                                                  "Menu_Drehzahltest",
                                                  "Menu_Test_Analogeingaenge",
                                                  "Menu_Test_Digitaleingaenge",
                                                  "Menu_Test_Digitalausgaenge",
                                                  "Fehler_anzeigen",
                                                  "Passwort_eingeben",
                                                  "Passwort_aendern",
                                                  "Duesenschaltzeit_messen"};
    for (const bool verbunden : {false, true}) {
        std::set<std::string> geregelt;
        for (const auto& [name, z] : Variantenregeln::Menues({{1, 1, 400, 615}, verbunden}))
            if (z.aktiv) {
                geregelt.insert(name.toStdString());
                EXPECT_EQ(*z.aktiv, verbunden) << name.toStdString();
            }
        EXPECT_EQ(geregelt, mit_Verbindung);
    }
}

TEST(Variantenregeln, IgnitionWindowCaption) {
    EXPECT_EQ(Variantenregeln::Zuendung_Titel({1, 1, 1, 615}), 18);
    EXPECT_EQ(Variantenregeln::Zuendung_Titel({5, 1, 1, 20250}), 1058);
}
