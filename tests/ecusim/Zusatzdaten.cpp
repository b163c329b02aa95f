#include "ecusim/Zusatzdaten.h"

#include "ecusim/EcuSim.h"
#include "ecusim/Worte.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace ecusim {

namespace {

void setze_Float(QByteArray& d, int offset, float wert) {
    setze_Doppelwort(d, offset, std::bit_cast<uint32_t>(wert));
}

} // namespace

Zusatzbereich::Zusatzbereich(EcuSim& sim) : sim_(sim) {
    sim.setze_Handler(
        this, 4, [this](const QByteArray&) { return std::optional(DSG_Datensatz()); },
        [this](const QByteArray&) { return ECU_Typ() == 3; });
    sim.setze_Handler(
        this, 14, [this](const QByteArray&) { return std::optional(Testbox_Datensatz()); },
        [this](const QByteArray&) { return ECU_Typ() == 4 && Typnummer() == 1; });
    // The additive ECU (type 6) sends its auxiliary record as integers: the variants area's.
    sim.setze_Handler(
        this, 5,
        [this](const QByteArray&) {
            ++Aux_Schritt;
            return std::optional(Aux_Datensatz());
        },
        [this](const QByteArray&) { return ECU_Typ() != 6; });
    sim.setze_Handler(
        this, 22, [this](const QByteArray&) { return std::optional(Getriebe_Datensatz()); },
        [this](const QByteArray& d) { return d.isEmpty() && ECU_Typ() == 3; });
    sim.setze_Handler(this, 126, [this](const QByteArray&) {
        ++CAN_Schritt;
        return std::optional(CAN_Temperaturen());
    });
    sim.setze_Handler(
        this, 201, [this](const QByteArray& d) { return std::optional(Logsatz(Wort(d, 0))); },
        [](const QByteArray& d) { return d.size() == 2; });
    sim.setze_Handler(this, 200, [this](const QByteArray&) {
        ++Lognummer;
        Log_bereit = true;
        return std::optional(QByteArray());
    });
    sim.setze_Handler(this, 21, [this](const QByteArray&) { return std::optional(Zustandslog()); });
}

uint16_t Zusatzbereich::ECU_Typ() const {
    return Wort(sim_.Identitaet, 2); // byte 4
}

uint16_t Zusatzbereich::Typnummer() const {
    return Wort(sim_.Identitaet, 4); // byte 8
}

QByteArray Zusatzbereich::DSG_Datensatz() {
    QByteArray d(104, '\0');
    const int s = DSG_Schritt++;
    const int gang = 2 + (s / 20) % 5; // 1st to 5th gear
    d[0] = static_cast<char>(gang);
    d[1] = static_cast<char>(s % 20 >= 15 ? gang + 1 : gang);
    setze_Wort(d, 2, s % 20 >= 15 ? 2 : 0);
    setze_Wort(d, 4, 0);
    setze_Wort(d, 6, 1);
    setze_Doppelwort(d, 8, 100000 + 100 * static_cast<uint32_t>(s));
    setze_Wort(d, 12, static_cast<uint16_t>(static_cast<int16_t>(-300 + 150 * (gang - 2))));
    setze_Wort(d, 14, static_cast<uint16_t>(static_cast<int16_t>(gang % 2 ? 400 : -400)));
    setze_Wort(d, 16, static_cast<uint16_t>(static_cast<int16_t>(-300 + 150 * (gang - 2))));
    setze_Wort(d, 18, static_cast<uint16_t>(static_cast<int16_t>(gang % 2 ? 400 : -400)));
    setze_Wort(d, 20, static_cast<uint16_t>(static_cast<int16_t>(s % 7 - 3)));
    setze_Wort(d, 22, static_cast<uint16_t>(static_cast<int16_t>(s % 5 - 2)));
    setze_Wort(d, 24, gang);
    setze_Wort(d, 26, gang);
    setze_Wort(d, 28, 300 + 40 * gang + s % 10); // speed x 0.1
    setze_Wort(d, 30, 250);
    setze_Wort(d, 32, static_cast<uint16_t>(static_cast<int16_t>(-2)));
    setze_Wort(d, 34, 1800 + static_cast<int>(std::lround(900 * std::sin(s * 0.2))));
    setze_Wort(d, 38, 120 + s % 30);
    setze_Wort(d, 40, 24);
    setze_Wort(d, 42, 86);
    setze_Wort(d, 44, 950);
    setze_Wort(d, 46, 1000);
    setze_Wort(d, 48, static_cast<uint16_t>(static_cast<int16_t>(s % 3 - 1)));
    setze_Doppelwort(d, 50, 15000 + 10 * static_cast<uint32_t>(s % 50));
    setze_Doppelwort(d, 54, 4200);
    setze_Wort(d, 58, 95);
    setze_Wort(d, 60, 72);
    setze_Wort(d, 68, 200 + s % 600);
    setze_Wort(d, 70, Log_bereit ? 1 : 0);
    return d;
}

QByteArray Zusatzbereich::Getriebe_Datensatz() {
    // The automatic gearbox the same ECU type drives, in D: it shifts up through its four
    // gears, the engine speed rising within each and the next gear chosen just before the
    // shift, and starts again.
    QByteArray d(88, '\0');
    const int s = Getriebe_Schritt++;
    const int gang = 1 + (s / 25) % 4;
    const int motor = 1800 + 40 * (s % 25);
    d[12] = static_cast<char>(gang);
    d[13] = static_cast<char>(s % 25 >= 20 ? std::min(gang + 1, 4) : gang);
    setze_Wort(d, 14, s % 25 >= 20 ? 2 : 1);
    setze_Wort(d, 16, motor);
    setze_Wort(d, 18, motor - 100);
    setze_Wort(d, 20, (motor - 100) * gang / 5);
    setze_Wort(d, 22, 200 + 10 * (s % 25)); // throttle x 0.1
    setze_Wort(d, 24, 3 << 1);              // lever in D, brake off
    setze_Wort(d, 28, 700 + s % 50);        // oil temperature x 0.1
    setze_Wort(d, 52, 150 + s % 30);        // torque
    return d;
}

QByteArray Zusatzbereich::Testbox_Datensatz() {
    QByteArray d(80, '\0');
    const int s = Testbox_Schritt++;
    setze_Wort(d, 0, 2000 + static_cast<int>(std::lround(1000 * std::sin(s * 0.1))));
    setze_Doppelwort(d, 2, 3500 + static_cast<uint32_t>(s % 100));
    setze_Wort(d, 6, 250 + s % 50);                                       // 25.0 degrees up
    setze_Wort(d, 8, static_cast<uint16_t>(static_cast<int16_t>(-3600))); // -360.0 degrees
    setze_Doppelwort(d, 10, 4000 + 10 * static_cast<uint32_t>(s % 80));
    return d;
}

QByteArray Zusatzbereich::Aux_Datensatz() const {
    QByteArray d(32, '\0');
    for (int i = 0; i < 8; ++i)
        setze_Float(d, 4 * i, static_cast<float>(i) * 1.5f + static_cast<float>(Aux_Schritt % 10));
    return d;
}

QByteArray Zusatzbereich::CAN_Temperaturen() const {
    QByteArray d(16, '\0');
    for (int i = 0; i < 7; ++i)
        setze_Wort(d, 2 * i,
                   static_cast<uint16_t>(static_cast<int16_t>(20 + 15 * i + CAN_Schritt % 5)));
    setze_Wort(d, 14, static_cast<uint16_t>(static_cast<int16_t>(-200))); // not received
    return d;
}

QByteArray Zusatzbereich::Logsatz(uint16_t nummer) {
    Logabfragen.push_back(nummer);
    QByteArray d(34, '\0');
    if (nummer >= Logsaetze) {
        Log_bereit = false;
        return d;
    }
    d[0] = 1;
    for (int i = 0; i < 8; ++i)
        setze_Doppelwort(
            d, 2 + 4 * i,
            static_cast<uint32_t>(1000 * Lognummer + 10 * nummer + i - (i == 7 ? 5000 : 0)));
    return d;
}

QByteArray Zusatzbereich::Zustandslog() {
    // A shift every fourth query: state 0 starts it, state 1 follows 1.5 s later.
    QByteArray d(84, '\0');
    if (Zustand_Schritt++ % 4 != 0)
        return d;
    setze_Wort(d, 0, 2);
    setze_Wort(d, 2, static_cast<uint16_t>(zustandszeit_ >> 16));
    const auto item = [&](int i, uint32_t zeit, int zustand, int x, int y) {
        setze_Wort(d, 8 * i - 4, static_cast<uint16_t>(zeit & 0xFFFF));
        setze_Wort(d, 8 * i - 2, zustand);
        setze_Wort(d, 8 * i, static_cast<uint16_t>(static_cast<int16_t>(x)));
        setze_Wort(d, 8 * i + 2, static_cast<uint16_t>(static_cast<int16_t>(y)));
    };
    item(1, zustandszeit_, 0, -300, 400);
    item(2, zustandszeit_ + 1500, 1 + zustand_ % 3, 150, -400);
    ++zustand_;
    // Both items of an answer share the high word of their times.
    zustandszeit_ += 2000;
    if ((zustandszeit_ & 0xFFFF) > 60000)
        zustandszeit_ = (zustandszeit_ & 0xFFFF0000U) + 0x10000;
    return d;
}

} // namespace ecusim
