#pragma once

#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

// What the main window's variant decisions look at of the ECU's identity.
struct Kennung {
    uint16_t ECU_Typ = 0;
    uint16_t Hersteller = 0;
    uint16_t Typnummer = 0;
    uint16_t Version = 0;
};

// A row of the window table: the window by class name, whether it is shown (nothing: left
// as it is), and the menu item that takes the window's visibility after it.
struct Fensterregel {
    const char* Fenster;
    std::optional<bool> sichtbar;
    const char* Menuepunkt = nullptr;
    // The setup and safety-text windows take the focus after this row.
    bool Fokus_danach = false;
};

// A menu item's state; nothing means the item keeps what it has.
struct Menuezustand {
    std::optional<bool> sichtbar;
    std::optional<bool> aktiv;
    bool operator==(const Menuezustand&) const = default;
};

// What the menu states follow besides the identity.
struct Menuelage {
    Kennung ecu;
    bool verbunden = false;
    bool Testmodus = false;
    // Parameter 1151 is defined and its ECU value is at least 1.
    bool E_Gas = false;
};

// The tables that adapt the windows and the menus to the ECU: the window table runs at
// every identity answer and parameter write, the menu table at every menu refresh. Rows
// apply in the order given.
namespace Variantenregeln {

std::vector<Fensterregel> Fenster(const Kennung& ecu);
// By the menu item's name; items not named keep their state.
std::map<QString, Menuezustand> Menues(const Menuelage& lage);
// The language text of the ignition-map window's caption.
int Zuendung_Titel(const Kennung& ecu);

} // namespace Variantenregeln
