#include "ecusim/Identitaet.h"

#include "ecusim/EcuSim.h"

namespace ecusim {

namespace {

void wort(QByteArray& a, int ofs, uint16_t w) {
    a[ofs] = static_cast<char>(w & 0xFF);
    a[ofs + 1] = static_cast<char>(w >> 8);
}

} // namespace

QByteArray baue_Identitaet(const Identitaetsdaten& d) {
    QByteArray a(66, '\0');
    wort(a, 0, static_cast<uint16_t>(d.Seriennummer & 0xFFFF));
    wort(a, 2, static_cast<uint16_t>(d.Seriennummer >> 16));
    wort(a, 4, d.ECU_Typ);
    wort(a, 6, d.Hersteller);
    wort(a, 8, d.Typnummer);
    a[10] = static_cast<char>(d.Datenversion_Haupt);
    a[11] = static_cast<char>(d.Datenversion_Neben);
    wort(a, 12, d.Hardware_Haupt);
    wort(a, 14, d.Bootloader_Nr);
    wort(a, 16, d.Optionswort);
    wort(a, 24, d.Hardware_Neben);
    a.replace(41, static_cast<int>(std::min<qsizetype>(d.Datum.size(), 10)), d.Datum.left(10));
    a.resize(66);
    a.replace(52, static_cast<int>(std::min<qsizetype>(d.Name.size(), 10)), d.Name.left(10));
    a.resize(66);
    wort(a, 62, d.Version);
    wort(a, 64, d.Revision);
    return a;
}

void richte_Identitaet_ein(EcuSim& sim, const Identitaetsdaten& daten) {
    sim.Identitaet = baue_Identitaet(daten);
    sim.setze_Antwort(82, QByteArray(1, '\0'));
}

} // namespace ecusim
