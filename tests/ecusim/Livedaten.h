#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <optional>

namespace ecusim {

class EcuSim;

// What the live records can be told to get wrong.
enum class Livefehler {
    Sensoren_ungueltig, // the sensor-state word clears the bits of Ungueltig_Maske
    Kurzer_Datensatz,   // the records arrive one byte short (the PC refuses them)
};

// The simulated ECU's live data: a running engine whose speed, temperatures, lambda and
// pressures move with every answer, in the main record (command 4, 84 bytes) and the
// records A (command 11, 98 bytes), B (command 13, 100 bytes) and C (command 14, 100
// bytes). The air-temperature sensor drops out for a while every 40 answers, so that its
// valid bit moves too.
class Livebereich {
public:
    explicit Livebereich(EcuSim& sim);
    Livebereich(const Livebereich&) = delete;
    Livebereich& operator=(const Livebereich&) = delete;

    void injiziere(Livefehler f) { fehler_ |= 1U << static_cast<int>(f); }
    void keine_Fehler() { fehler_ = 0; }

    // Sensor-state bits cleared under Sensoren_ungueltig.
    uint16_t Ungueltig_Maske = 0;
    // Main-record answers given; the engine's clock.
    int Schritt = 0;
    // Whether the ECU runs in manual injection mode (the command area switches it): the
    // engine state then reads 0.
    std::function<bool()> Handbetrieb;
    // Values a test pins, which then no longer follow the engine's course: the speed (main
    // record word 10), the load (word 72), the internal air pressure (word 80) and record
    // A's air pressure (word 66).
    std::optional<int> Drehzahl_fest;
    std::optional<int> Last_fest;
    std::optional<int> Druck_fest;
    std::optional<int> Druck_A_fest;

    // The records as the next answer will carry them.
    QByteArray Hauptdatensatz();
    QByteArray Datensatz_A() const;
    QByteArray Datensatz_B() const;
    QByteArray Datensatz_C() const;

    // The engine's values at the current step.
    int Drehzahl() const;
    int Motortemperatur() const;
    uint16_t Sensorzustand() const;

private:
    QByteArray kuerze(QByteArray d) const;
    unsigned fehler_ = 0;
};

} // namespace ecusim
