#include "ecusim/Identitaet.h"

#include "ecusim/EcuSim.h"
#include "ecusim/Worte.h"

namespace ecusim {

QByteArray baue_Identitaet(const Identitaetsdaten& d) {
    QByteArray a(66, '\0');
    setze_Wort(a, 0, static_cast<uint16_t>(d.Seriennummer & 0xFFFF));
    setze_Wort(a, 2, static_cast<uint16_t>(d.Seriennummer >> 16));
    setze_Wort(a, 4, d.ECU_Typ);
    setze_Wort(a, 6, d.Hersteller);
    setze_Wort(a, 8, d.Typnummer);
    a[10] = static_cast<char>(d.Datenversion_Haupt);
    a[11] = static_cast<char>(d.Datenversion_Neben);
    setze_Wort(a, 12, d.Hardware_Haupt);
    setze_Wort(a, 14, d.Bootloader_Nr);
    setze_Wort(a, 16, d.Optionswort);
    setze_Wort(a, 24, d.Hardware_Neben);
    a.replace(41, static_cast<int>(std::min<qsizetype>(d.Datum.size(), 10)), d.Datum.left(10));
    a.resize(66);
    a.replace(52, static_cast<int>(std::min<qsizetype>(d.Name.size(), 10)), d.Name.left(10));
    a.resize(66);
    setze_Wort(a, 62, d.Version);
    setze_Wort(a, 64, d.Revision);
    return a;
}

void richte_Identitaet_ein(EcuSim& sim, const Identitaetsdaten& daten) {
    sim.Identitaet = baue_Identitaet(daten);
    sim.setze_Antwort(82, QByteArray(1, '\0'));
}

} // namespace ecusim
