#include "ecusim/Livedaten.h"

#include "ecusim/EcuSim.h"
#include "ecusim/Worte.h"

#include <cmath>

namespace ecusim {

namespace {

// Raw ADC counts of a voltage.
int adc(double volt) {
    return static_cast<int>(std::lround(volt * 1023.0 / 5.0));
}

} // namespace

Livebereich::Livebereich(EcuSim& sim) {
    sim.setze_Handler(this, 4, [this](const QByteArray&) {
        QByteArray d = Hauptdatensatz();
        ++Schritt;
        return std::optional(kuerze(d));
    });
    sim.setze_Handler(this, 11,
                      [this](const QByteArray&) { return std::optional(kuerze(Datensatz_A())); });
    sim.setze_Handler(this, 13,
                      [this](const QByteArray&) { return std::optional(kuerze(Datensatz_B())); });
    sim.setze_Handler(this, 14,
                      [this](const QByteArray&) { return std::optional(kuerze(Datensatz_C())); });
}

QByteArray Livebereich::kuerze(QByteArray d) const {
    if (fehler_ & (1U << static_cast<int>(Livefehler::Kurzer_Datensatz)))
        d.chop(1);
    return d;
}

int Livebereich::Drehzahl() const {
    if (Drehzahl_fest)
        return *Drehzahl_fest;
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
    setze_Wort(d, 8, Handbetrieb && Handbetrieb() ? 0 : 3); // engine state: manual or running
    setze_Wort(d, 10, n);                                   // speed
    setze_Wort(d, 14, adc(2.1));
    setze_Wort(d, 16, 0x0100);            // lambda status bit 8
    setze_Wort(d, 18, 312 + Schritt % 7); // internal temperature x 0.1
    setze_Wort(d, 22, 128 + static_cast<int>(40 * std::sin(Schritt * 0.1))); // idle actuator
    setze_Wort(d, 24, 12000 + Schritt);                                      // revolutions checked
    setze_Wort(d, 26, static_cast<int>(300 + 500 * last));        // air mass x 1024 / 100
    setze_Wort(d, 28, static_cast<int>(60 + 120 * last));         // boost output /255
    setze_Wort(d, 30, 0);                                         // speed errors
    setze_Wort(d, 32, static_cast<int>(2500 + 6000 * last));      // injection time /0.8
    setze_Wort(d, 34, static_cast<int>(10 + 22 * last));          // ignition angle
    setze_Wort(d, 38, adc(0.6 + 3.6 * last));                     // throttle voltage
    setze_Wort(d, 42, adc(0.45 + 0.2 * std::sin(Schritt * 0.7))); // lambda voltage
    setze_Wort(d, 44, adc(3.2 - Motortemperatur() / 50.0));
    setze_Wort(d, 46, adc(2.8));
    setze_Wort(d, 48, adc(4.0));
    setze_Wort(d, 50, adc(1.5 + 2.0 * last));
    setze_Wort(d, 52, adc(1.0 + 3.0 * last));
    setze_Doppelwort(d, 54, 61234 + Schritt * 20); // stop-watch ms
    setze_Wort(d, 58, 0);                          // load from the base map
    setze_Wort(d, 72, Last_fest.value_or(static_cast<int>(1000 * last)));
    setze_Wort(d, 74, Motortemperatur());
    setze_Wort(d, 76, adc(13.8 / 3.0)); // battery, shown as its divided voltage
    setze_Wort(d, 78, 24 + Schritt % 3);
    setze_Wort(d, 80, Druck_fest.value_or(static_cast<int>(350 + 600 * last))); // hPa
    setze_Wort(d, 82, Sensorzustand());
    return d;
}

QByteArray Livebereich::Datensatz_A() const {
    QByteArray d(98, '\0');
    const double last = (Drehzahl() - 900) / 3100.0;
    setze_Wort(d, 8, 1800);
    setze_Wort(d, 10, 1000);
    setze_Wort(d, 12, static_cast<int>(2000 + 4000 * last)); // base map
    setze_Wort(d, 14, 1900);
    setze_Wort(d, 16, static_cast<int>(2100 + 4000 * last)); // base quantity
    setze_Wort(d, 18, 1000);
    setze_Wort(d, 20, 30);
    setze_Wort(d, 22, 1000 + (88 - Motortemperatur()) * 10);
    setze_Wort(d, 24, 1000);
    setze_Wort(d, 26, 0);
    setze_Wort(d, 28, 1000);
    setze_Wort(d, 30, 1000 + static_cast<int>(60 * std::sin(Schritt * 0.7)));
    for (int i = 0; i < 6; ++i)
        setze_Wort(d, 32 + 2 * i, i == 0 ? static_cast<int>(12 + 20 * last) : 0); // ignition parts
    setze_Doppelwort(d, 44, 1234567 + Schritt); // operating time, tenths
    setze_Doppelwort(d, 48, 98765432 + Schritt * 40);
    setze_Wort(d, 52, static_cast<int>(30 + 250 * last)); // consumption x 0.1
    setze_Wort(d, 54, 2);                                 // error count
    setze_Wort(d, 56, adc(0.5 + 3.5 * last));
    setze_Wort(d, 60, static_cast<int>(1000 * last));
    setze_Wort(d, 62, static_cast<int>(1000 * last)); // throttle x 0.1
    setze_Wort(d, 64, 1000);
    setze_Wort(d, 66, Druck_A_fest.value_or(1013));
    setze_Wort(d, 70, static_cast<int>(120 + 500 * last)); // injector duty x 0.1
    setze_Wort(d, 72, static_cast<int>(1000 * last));
    setze_Wort(d, 74, 0);
    setze_Wort(d, 80, 780 + Schritt % 9);
    setze_Doppelwort(d, 82, 512);
    setze_Wort(d, 86, adc(1.9));
    setze_Wort(d, 88, adc(0.0));
    setze_Wort(d, 90, static_cast<int>(450 + 350 * last)); // exhaust 1
    setze_Wort(d, 92, 0);
    setze_Wort(d, 94, 1000);                                                  // target lambda
    setze_Wort(d, 96, 1000 + static_cast<int>(60 * std::sin(Schritt * 0.7))); // lambda x 0.001
    return d;
}

QByteArray Livebereich::Datensatz_B() const {
    QByteArray d(100, '\0');
    setze_Wort(d, 16, 780);
    setze_Wort(d, 18, 1000);
    setze_Wort(d, 40, 3000);
    setze_Wort(d, 54, 900);
    setze_Wort(d, 64, 0);
    setze_Wort(d, 72, 800 + Motortemperatur() * 2);
    setze_Wort(d, 76, 3500);
    setze_Doppelwort(d, 90, 31234 + Schritt * 2);
    return d;
}

QByteArray Livebereich::Datensatz_C() const {
    return QByteArray(100, '\0');
}

} // namespace ecusim
