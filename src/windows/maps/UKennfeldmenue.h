#pragma once

#include "model/UKennfelder.h"

#include <functional>

class Kontext;
class QMenu;
class TForm;

// The maps menu of the main window: an item per member of the offered list, which shows the
// member's window, and a separator line per separator. The menu is looked up at each call, so
// that a menu bar made later is found.
class Kennfeldmenue : public Kennfeld_Menue {
public:
    Kennfeldmenue(Kennfelder& kennfelder, std::function<QMenu*()> menue);

    void erstelle_Kennfeld_Menue() override;
    // An item whose caption no offered member carries keeps its state; separators too.
    void aktualisiere_Kennfeld_Menue() override;

private:
    Kennfelder& kennfelder_;
    std::function<QMenu*()> menue_;
};

// Makes a map with its window and takes the window into the context's list: after nach and
// the windows taken in after it before (the catalogue after the main window), or at the end.
class Kennfeldfenster_Fabrik : public Kennfeld_Fabrik {
public:
    Kennfeldfenster_Fabrik(Kontext& kontext, const TForm* nach) : k_(kontext), nach_(nach) {}
    cl_Kennfeld& erzeuge(const Kennfeld_Beschreibung& b) override;

private:
    Kontext& k_;
    const TForm* nach_;
};
