#include "ecusim/Programmbereiche.h"

#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"

namespace ecusim {

namespace {

// The identity comes first: the areas read it as they answer, and the parameter area's
// sample values follow it.
EcuSim& mit_Identitaet(EcuSim& sim, const Identitaetsdaten& identitaet) {
    richte_Identitaet_ein(sim, identitaet);
    return sim;
}

// Definitions and a memory to look at, for the sample catalogues' variables: oil pressure
// (3, analogue, 0.1 bar) below 1.5 and above 6.0 bar, the oil pressure switch (5, a bit), and
// engine speed (1) above 6500 rpm.
void fuelle_Fehlerspeicher(Fehlerspeicherbereich& f) {
    using B = Fehlerspeicherbereich;
    f.Definitionen = {B::Grenze(15, 18, 0, 3, 0, 1, 1, 1), B::Grenze(60, 55, 0, 3, 1, 2, 1, 2),
                      B::Grenze(0, 0, 0xF0F0, 5, 3 | 16, 4, 0, 1),
                      B::Grenze(6500, 6300, 0, 1, 1 | 8, 0, 1, 1)};
    f.Speicher = {
        B::Eintrag(1200, 3000, 14, true, 3, 1),       B::Eintrag(1350, 3400, 12, false, 3, 1),
        B::Eintrag(36000, 95000, 0, true, 5, 1),      B::Eintrag(48000, 130000, 6712, true, 1, 1),
        B::Eintrag(48051, 130520, 6890, false, 1, 1), B::Eintrag(50000, 140000, 0, false, 5, 1)};
}

} // namespace

Programmbereiche::Programmbereiche(EcuSim& sim, const Identitaetsdaten& identitaet)
    : parameter(mit_Identitaet(sim, identitaet)), live(sim), varianten(sim, &parameter, &live),
      passwort(sim), befehle(sim), zusatz(sim), kennfelder(sim, parameter), fehlerspeicher(sim),
      bootloader(sim) {
    parameter.fuelle_Beispielwerte();
    // Items 1 to 5 have names in the sample description files, item 9 has none.
    befehle.Systemdaten = {{1, 1234}, {2, 56}, {3, 6850}, {4, 104}, {5, 312}, {9, 1}};
    fuelle_Fehlerspeicher(fehlerspeicher);
    live.Handbetrieb = [this] { return befehle.Handbetrieb; };
}

} // namespace ecusim
