#pragma once

#include "link/UKommunikation.h"

#include <memory>
#include <vector>

// Keeps data items of an object in the ECU's directory. The directory is emptied and
// refilled at every identity answer of an ECU that speaks data items, just before the
// identity announces itself: the items are entered at once and again at each such
// announcement, so that reads and writes after a reconnection still find them.
class Datenelement_Eintraege {
public:
    explicit Datenelement_Eintraege(cl_ECU_Liste& liste);
    ~Datenelement_Eintraege();
    Datenelement_Eintraege(const Datenelement_Eintraege&) = delete;
    Datenelement_Eintraege& operator=(const Datenelement_Eintraege&) = delete;

    // Enters the item now and after every refill; an item of the same id entered through
    // here before is replaced.
    void anmelden(const Filetyp_Eintrag& eintrag);
    // Enters every item again that the directory lacks.
    void eintragen();

private:
    cl_ECU_Liste& liste_;
    std::vector<Filetyp_Eintrag> eintraege_;
    std::shared_ptr<Datenelement_Eintraege*> selbst_;
    bool registriert_ = false;
};
