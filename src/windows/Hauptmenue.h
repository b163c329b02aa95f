#pragma once

#include <QString>
#include <QStringView>
#include <span>

// The main window's menu: its items in bar order, each submenu followed by its items. The
// object names are those the variant rules and the maps menu find the items by.
namespace Hauptmenue {

enum class Art { Untermenue, Punkt, Trenner };

struct Eintrag {
    const char* Name;
    // The submenu the item is in; nullptr for an item on the bar itself.
    const char* Menue;
    Art art;
    // The language text of the caption; 0 for a caption fixed in the program.
    int Text;
    const char* Beschriftung;
    // The action runs only when the password gate lets it.
    bool Passwort;
};

std::span<const Eintrag> Eintraege();
const Eintrag* suche(QStringView name);

// The caption as the main window's first showing sets it, from the language texts.
QString Beschriftung(const Eintrag& eintrag);

// Two captions end in blanks that widen their menus: the memory item's as many as twice the
// length of text 14, at most 32; the second flash erase's the length of the store item's
// caption plus 4, at most 12.
QString Speicher_Beschriftung(const QString& text13, const QString& text14);
QString Flash_1_Beschriftung(const QString& text37, const QString& ins_Flash_sichern);

} // namespace Hauptmenue
