#include "model/UDatenelement.h"

#include "model/UQuorveldata.h"

#include <algorithm>

Datenelement_Eintraege::Datenelement_Eintraege(cl_ECU_Liste& liste)
    : liste_(liste), selbst_(std::make_shared<Datenelement_Eintraege*>(this)) {}

Datenelement_Eintraege::~Datenelement_Eintraege() {
    *selbst_ = nullptr;
}

void Datenelement_Eintraege::anmelden(const Filetyp_Eintrag& eintrag) {
    const auto gleich = std::find_if(eintraege_.begin(), eintraege_.end(),
                                     [&](const Filetyp_Eintrag& e) { return e.Id == eintrag.Id; });
    if (gleich != eintraege_.end())
        *gleich = eintrag;
    else
        eintraege_.push_back(eintrag);
    if (!registriert_) {
        registriert_ = true;
        InterAction().Create(
            cl_Version::Klasse,
            [selbst = std::weak_ptr<Datenelement_Eintraege*>(selbst_)](Sender&) {
                if (auto s = selbst.lock(); s && *s)
                    (*s)->eintragen();
            },
            cl_Version::Beantwortet);
    }
    eintragen();
}

void Datenelement_Eintraege::eintragen() {
    for (const Filetyp_Eintrag& e : eintraege_) {
        // An entry left from before the refill would point into this object still; one
        // of another owner under the same id is left alone.
        if (cl_Filetyp* f = liste_.suche_Code(e.Id)) {
            if (f->Puffer == e.Puffer) {
                f->Laenge = e.Laenge;
                f->Puffergroesse = e.Puffergroesse;
            }
            continue;
        }
        liste_.einfuegen(e);
    }
}
