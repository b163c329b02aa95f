#include "ecusim/Livedaten.h"

#include "ecusim/EcuSim.h"

#include <cmath>

namespace ecusim {

namespace {

void w16(QByteArray& d, int offset, int wert) {
    d[offset] = static_cast<char>(wert & 0xFF);
    d[offset + 1] = static_cast<char>((wert >> 8) & 0xFF);
}

void w32(QByteArray& d, int offset, int64_t wert) {
    w16(d, offset, static_cast<int>(wert & 0xFFFF));
    w16(d, offset + 2, static_cast<int>((wert >> 16) & 0xFFFF));
}

// Raw ADC counts of a voltage.
int adc(double volt) {
    return static_cast<int>(std::lround(volt * 1023.0 / 5.0));
}

} // namespace

Livebereich::Livebereich(EcuSim& sim) {
    sim.setze_Handler(4, [this](const QByteArray&) {
        QByteArray d = Hauptdatensatz();
        ++Schritt;
        return std::optional(kuerze(d));
    });
    sim.setze_Handler(11,
                      [this](const QByteArray&) { return std::optional(kuerze(Datensatz_A())); });
    sim.setze_Handler(13,
                      [this](const QByteArray&) { return std::optional(kuerze(Datensatz_B())); });
    sim.setze_Handler(14,
                      [this](const QByteArray&) { return std::optional(kuerze(Datensatz_C())); });
}

QByteArray Livebereich::kuerze(QByteArray d) const {
    if (fehler_ & (1U << static_cast<int>(Livefehler::Kurzer_Datensatz)))
        d.chop(1);
    return d;
}

int Livebereich::Drehzahl() const {
    // Revving between idle and 4000/min.
    return 2400 + static_cast<int>(std::lround(1500.0 * std::sin(Schritt * 0.05)));
}

int Livebereich::Motortemperatur() const {
    // Warming up from 20 degrees to 88.
    return std::min(88, 20 + Schritt / 10);
}

uint16_t Livebereich::Sensorzustand() const {
    // Every sensor valid but exhaust 2 (not fitted); air temperature drops out a while.
    uint16_t z = 0x3FFF & ~(1U << 11) & ~(1U << 9);
    if (Schritt % 40 >= 30)
        z &= ~(1U << 2);
    if (fehler_ & (1U << static_cast<int>(Livefehler::Sensoren_ungueltig)))
        z &= ~Ungueltig_Maske;
    return z;
}

QByteArray Livebereich::Hauptdatensatz() {
    QByteArray d(84, '\0');
    const int n = Drehzahl();
    const double last = (n - 900) / 3100.0;
    w16(d, 8, Handbetrieb && Handbetrieb() ? 0 : 3); // engine state: manual or running
    w16(d, 10, n);                                   // speed
    w16(d, 14, adc(2.1));
    w16(d, 16, 0x0100);                                               // lambda status bit 8
    w16(d, 18, 312 + Schritt % 7);                                    // internal temperature x 0.1
    w16(d, 22, 128 + static_cast<int>(40 * std::sin(Schritt * 0.1))); // idle actuator
    w16(d, 24, 12000 + Schritt);                                      // revolutions checked
    w16(d, 26, static_cast<int>(300 + 500 * last));                   // air mass x 1024 / 100
    w16(d, 28, static_cast<int>(60 + 120 * last));                    // boost output /255
    w16(d, 30, 0);                                                    // speed errors
    w16(d, 32, static_cast<int>(2500 + 6000 * last));                 // injection time /0.8
    w16(d, 34, static_cast<int>(10 + 22 * last));                     // ignition angle
    w16(d, 38, adc(0.6 + 3.6 * last));                                // throttle voltage
    w16(d, 42, adc(0.45 + 0.2 * std::sin(Schritt * 0.7)));            // lambda voltage
    w16(d, 44, adc(3.2 - Motortemperatur() / 50.0));
    w16(d, 46, adc(2.8));
    w16(d, 48, adc(4.0));
    w16(d, 50, adc(1.5 + 2.0 * last));
    w16(d, 52, adc(1.0 + 3.0 * last));
    w32(d, 54, 61234 + Schritt * 20); // stop-watch ms
    w16(d, 58, 0);                    // load from the base map
    w16(d, 72, static_cast<int>(1000 * last));
    w16(d, 74, Motortemperatur());
    w16(d, 76, adc(13.8 / 3.0)); // battery, shown as its divided voltage
    w16(d, 78, 24 + Schritt % 3);
    w16(d, 80, static_cast<int>(350 + 600 * last)); // internal pressure hPa
    w16(d, 82, Sensorzustand());
    return d;
}

QByteArray Livebereich::Datensatz_A() const {
    QByteArray d(98, '\0');
    const double last = (Drehzahl() - 900) / 3100.0;
    w16(d, 8, 1800);
    w16(d, 10, 1000);
    w16(d, 12, static_cast<int>(2000 + 4000 * last)); // base map
    w16(d, 14, 1900);
    w16(d, 16, static_cast<int>(2100 + 4000 * last)); // base quantity
    w16(d, 18, 1000);
    w16(d, 20, 30);
    w16(d, 22, 1000 + (88 - Motortemperatur()) * 10);
    w16(d, 24, 1000);
    w16(d, 26, 0);
    w16(d, 28, 1000);
    w16(d, 30, 1000 + static_cast<int>(60 * std::sin(Schritt * 0.7)));
    for (int i = 0; i < 6; ++i)
        w16(d, 32 + 2 * i, i == 0 ? static_cast<int>(12 + 20 * last) : 0); // ignition parts
    w32(d, 44, 1234567 + Schritt);                                         // operating time, tenths
    w32(d, 48, 98765432 + Schritt * 40);
    w16(d, 52, static_cast<int>(30 + 250 * last)); // consumption x 0.1
    w16(d, 54, 2);                                 // error count
    w16(d, 56, adc(0.5 + 3.5 * last));
    w16(d, 60, static_cast<int>(1000 * last));
    w16(d, 62, static_cast<int>(1000 * last)); // throttle x 0.1
    w16(d, 64, 1000);
    w16(d, 66, 1013);
    w16(d, 70, static_cast<int>(120 + 500 * last)); // injector duty x 0.1
    w16(d, 72, static_cast<int>(1000 * last));
    w16(d, 74, 0);
    w16(d, 80, 780 + Schritt % 9);
    w32(d, 82, 512);
    w16(d, 86, adc(1.9));
    w16(d, 88, adc(0.0));
    w16(d, 90, static_cast<int>(450 + 350 * last)); // exhaust 1
    w16(d, 92, 0);
    w16(d, 94, 1000);                                                  // target lambda
    w16(d, 96, 1000 + static_cast<int>(60 * std::sin(Schritt * 0.7))); // lambda x 0.001
    return d;
}

QByteArray Livebereich::Datensatz_B() const {
    QByteArray d(100, '\0');
    w16(d, 16, 780);
    w16(d, 18, 1000);
    w16(d, 40, 3000);
    w16(d, 54, 900);
    w16(d, 64, 0);
    w16(d, 72, 800 + Motortemperatur() * 2);
    w16(d, 76, 3500);
    w32(d, 90, 31234 + Schritt * 2);
    return d;
}

QByteArray Livebereich::Datensatz_C() const {
    return QByteArray(100, '\0');
}

} // namespace ecusim
