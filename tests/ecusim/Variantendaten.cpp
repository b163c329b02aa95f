#include "ecusim/Variantendaten.h"

#include "ecusim/EcuSim.h"
#include "ecusim/Livedaten.h"
#include "ecusim/Parameter.h"
#include "ecusim/Worte.h"

#include <cmath>
#include <cstring>

namespace ecusim {

namespace {

int adc(double volt) {
    return static_cast<int>(std::lround(volt * 1023.0 / 5.0));
}

void setze_Float(QByteArray& d, int offset, float wert) {
    uint32_t bits = 0;
    std::memcpy(&bits, &wert, sizeof bits);
    setze_Doppelwort(d, offset, bits);
}

} // namespace

Variantenbereich::Variantenbereich(EcuSim& sim, Parameterbereich* parameter, Livebereich* live)
    : sim_(sim), parameter_(parameter), live_(live) {
    const auto antwort = [this](QByteArray d) {
        ++Schritt;
        return std::optional(std::move(d));
    };
    sim.setze_Handler(
        this, 4,
        [this, antwort](const QByteArray&) { return antwort(Typ() == 5 ? Diesel() : Additiv()); },
        [this](const QByteArray&) { return Typ() == 5 || Typ() == 6; });
    sim.setze_Handler(
        this, 23,
        [this, antwort](const QByteArray&) {
            return antwort(Typ() == 5 ? Diesel_A() : Kvarendol());
        },
        [this](const QByteArray&) { return Typ() == 5 || (Typ() == 4 && Typnummer() == 2); });
    sim.setze_Handler(
        this, 13,
        [this, antwort](const QByteArray&) {
            return antwort(Hersteller() == 9 || Hersteller() == 12 ? Vundel() : Datensatz_B());
        },
        [this](const QByteArray&) {
            return Hersteller() == 9 || Hersteller() == 12 || (live_ && mit_Radgeschwindigkeiten());
        });
    sim.setze_Handler(this, 5, [this](const QByteArray&) {
        ++Schritt;
        return std::optional(Aux(Typ() == 6));
    });
    // The extended record in blocks: [block][count] (old format) or
    // [block + 128][extra][block][100] (new format); a read starts at block 0.
    sim.setze_Handler(this, 15, [this](const QByteArray& daten) -> std::optional<QByteArray> {
        if (daten.size() < 2)
            return std::nullopt;
        ++Auxanfragen;
        const int kopf0 = static_cast<uint8_t>(daten[0]);
        const int index = kopf0 & 0x7F;
        if (index == 0 || erweitert_.isEmpty()) {
            ++Schritt;
            erweitert_ = Aux_erweitert();
        }
        if (kopf0 & 0x80) {
            const QByteArray block = erweitert_.mid(index * 100, 100);
            const bool letzter = (index + 1) * 100 >= erweitert_.size();
            QByteArray a;
            a.append(static_cast<char>(index + (letzter ? 128 : 0)));
            a.append(static_cast<char>(block.size()));
            return a + block;
        }
        const int anzahl = static_cast<uint8_t>(daten[1]);
        QByteArray block = erweitert_.mid(index * 100, anzahl);
        block.append(QByteArray(anzahl - block.size(), '\0'));
        return block;
    });
    if (parameter_) {
        const QByteArray e = Aux_erweitert();
        std::vector<uint16_t> worte(200);
        for (int i = 0; i < 200; ++i)
            worte[static_cast<size_t>(i)] = Wort(e, i);
        // The wire names the program's item 2 by its id.
        parameter_->Elemente[Aux_Element_Id] = worte;
    }
}

int Variantenbereich::Typ() const {
    return Wort(sim_.Identitaet, 2);
}

int Variantenbereich::Hersteller() const {
    return Wort(sim_.Identitaet, 3);
}

int Variantenbereich::Typnummer() const {
    return Wort(sim_.Identitaet, 4);
}

int Variantenbereich::Version() const {
    return Wort(sim_.Identitaet, 31); // byte 62
}

bool Variantenbereich::mit_Radgeschwindigkeiten() const {
    return Hersteller() == 1 && Typ() == 1 && Version() >= 616;
}

bool Variantenbereich::Tamvik() const {
    return mit_Radgeschwindigkeiten() && Typnummer() == 400 && Version() >= 20620 &&
           Version() <= 20629;
}

QByteArray Variantenbereich::Diesel() const {
    QByteArray d(100, '\0');
    const double last = 0.5 + 0.5 * std::sin(Schritt * 0.05);
    const int n = 800 + static_cast<int>(3200 * last);
    setze_Wort(d, 0, n);                                   // actual speed
    setze_Wort(d, 2, n + 20);                              // target speed
    setze_Wort(d, 4, std::min(85, 20 + Schritt / 10));     // engine temperature
    setze_Wort(d, 6, static_cast<int>(400 + 1200 * last)); // total injection time
    setze_Wort(d, 10, adc(2.5));
    setze_Wort(d, 12, std::max(0, 80 - Schritt)); // glow time x 0.1
    setze_Wort(d, 14, adc(0.8 + 3.2 * last));
    setze_Wort(d, 16, 0);
    setze_Wort(d, 18, 12000 + Schritt);
    setze_Doppelwort(d, 20, 5000 + Schritt * 300);        // system time ms
    setze_Wort(d, 26, static_cast<int>(80 + 600 * last)); // air mass
    setze_Wort(d, 28, static_cast<int>(100 * last));      // pedal
    setze_Wort(d, 32, adc(1.0 + 3.0 * last));
    setze_Wort(d, 34, static_cast<int>(3000 + 12000 * last)); // rail pressure x 0.1
    setze_Wort(d, 36, static_cast<int>(3000 + 12000 * last));
    setze_Wort(d, 40, static_cast<int>(1000 + 1200 * last)); // boost
    setze_Wort(d, 42, adc(1.0 + 2.5 * last));
    setze_Wort(d, 46, static_cast<int>(200 + 900 * last));
    setze_Wort(d, 48, adc(1.2 + 3.0 * last));
    setze_Wort(d, 50, static_cast<int>(1000 + 1300 * last));
    setze_Wort(d, 52, static_cast<int>(300 + 500 * last));
    setze_Wort(d, 54, static_cast<int>(200 + 600 * last));
    setze_Wort(d, 56, static_cast<int>(1500 * last));    // power x 0.1
    setze_Wort(d, 60, static_cast<int>(20 + 80 * last)); // injection angle x 0.1
    setze_Wort(d, 62, -30);
    setze_Wort(d, 68, static_cast<int>(300 + 900 * last));
    setze_Wort(d, 70, static_cast<int>(100 + 300 * last));
    setze_Wort(d, 82, adc(2.6));
    setze_Wort(d, 84, 22 + Schritt % 3); // air temperature
    setze_Wort(d, 86, 14);
    setze_Wort(d, 90, static_cast<int>(250 + 400 * last)); // exhaust temperature
    setze_Wort(d, 92, static_cast<int>(200 * last));
    setze_Wort(d, 94, 35); // fuel temperature
    setze_Wort(d, 96, static_cast<int>(190 * last));
    setze_Wort(d, 98, static_cast<int>(400 * last));
    d[77] = 0;
    // Every sensor valid but the air temperature, which drops out a while.
    d[78] = static_cast<char>((1 << 3) | (1 << 6) | (Schritt % 40 >= 30 ? 0 : (1 << 4)));
    d[79] = 0x3F;
    return d;
}

QByteArray Variantenbereich::Diesel_A() const {
    QByteArray d(100, '\0');
    const double last = 0.5 + 0.5 * std::sin(Schritt * 0.05);
    setze_Wort(d, 0, adc(1.5));
    setze_Wort(d, 2, static_cast<int>(1000 * last)); // load x 0.1
    setze_Wort(d, 4, adc(2.2));
    setze_Wort(d, 14, adc(1.7 + last));
    setze_Wort(d, 22, static_cast<int>(1400 + 800 * (1 - last))); // lambda x 0.001
    setze_Wort(d, 26, adc(13.9 / 3.0));
    setze_Wort(d, 28, adc(1.9));
    setze_Wort(d, 30, 312 + Schritt % 5);
    setze_Wort(d, 34, -45);
    setze_Wort(d, 76, adc(1.2 + 3.0 * last));
    return d;
}

QByteArray Variantenbereich::Additiv() const {
    QByteArray d(50, '\0');
    setze_Doppelwort(d, 0, 1000 + Schritt * 100); // time ms
    return d;
}

QByteArray Variantenbereich::Kvarendol() const {
    QByteArray d(100, '\0');
    const double last = 0.5 + 0.5 * std::sin(Schritt * 0.05);
    setze_Wort(d, 18, 1500 + static_cast<int>(1500 * last));
    setze_Wort(d, 26, 0);
    setze_Wort(d, 28, 5);
    setze_Wort(d, 40, adc(13.5 / 3.0));
    setze_Wort(d, 42, 0b111);
    setze_Wort(d, 44, 125);
    setze_Wort(d, 46, static_cast<int>(1800 + 400 * last));
    setze_Wort(d, 48, static_cast<int>(1000 + 3000 * last));
    setze_Wort(d, 50, adc(0.5 + 4.0 * last));
    setze_Wort(d, 52, adc(2.0));
    setze_Wort(d, 54, 1950);
    setze_Wort(d, 56, static_cast<int>(4000 + 9000 * last));
    setze_Wort(d, 58, adc(0.5 + 4.0 * last));
    setze_Wort(d, 60, 1700);
    setze_Wort(d, 62, adc(1.8));
    setze_Wort(d, 64, 1200);
    setze_Wort(d, 66, Schritt / 5);
    return d;
}

QByteArray Variantenbereich::Vundel() const {
    QByteArray d(100, '\0');
    const double last = 0.5 + 0.5 * std::sin(Schritt * 0.05);
    for (int n = 0; n < 5; ++n) {
        const int t = n < 2 ? 140 + static_cast<int>(60 * last) + 7 * n
                            : 380 + static_cast<int>(350 * last) + 11 * n;
        setze_Wort(d, 16 + 2 * n, t);
        setze_Wort(d, 2 * n, adc(0.5 + t / 300.0));
    }
    setze_Wort(d, 32, 2 + Schritt % 3);
    setze_Wort(d, 34, 0);
    setze_Wort(d, 36, -1);
    setze_Wort(d, 38, 4);
    setze_Wort(d, 44, static_cast<int>(1000 * last));
    setze_Wort(d, 46, 0x0005);
    setze_Wort(d, 48, 50);
    setze_Wort(d, 50, 40);
    setze_Wort(d, 52, 1);
    setze_Wort(d, 54, static_cast<int>(200 + 800 * last));
    setze_Wort(d, 56, 0);
    setze_Wort(d, 58, 1);
    setze_Wort(d, 60, static_cast<int>(4000 * last));
    setze_Wort(d, 62, 12 + Schritt / 10);
    setze_Doppelwort(d, 64, 3000 + Schritt * 100);
    setze_Wort(d, 68, 8 + Schritt / 20);
    setze_Wort(d, 70, 2500);
    for (int n = 0; n < 4; ++n)
        setze_Wort(d, 74 + 2 * n, 100 + 25 * n);
    setze_Wort(d, 82, adc(2.4));
    setze_Wort(d, 84, 45);
    setze_Wort(d, 86, -2);
    setze_Wort(d, 88, 3500);
    setze_Wort(d, 90, 1250);
    setze_Wort(d, 92, 30);
    setze_Wort(d, 94, Schritt % 4);
    setze_Wort(d, 96, -3);
    setze_Wort(d, 98, 125);
    return d;
}

QByteArray Variantenbereich::Datensatz_B() const {
    QByteArray d = live_ ? live_->Datensatz_B() : QByteArray(100, '\0');
    if (Tamvik()) {
        // The corrections of target speed, lambda, both ignition angles and the injection
        // time, and the final target speed and trailing ignition.
        setze_Wort(d, 38, -50 + Schritt % 100);
        setze_Wort(d, 40, 20 - Schritt % 40);   // x 0.001
        setze_Wort(d, 42, -35 + Schritt % 70);  // x 0.1
        setze_Wort(d, 44, 125 - Schritt % 10);  // x 0.8 us
        setze_Wort(d, 46, -250 + Schritt % 50); // x 0.8 us
        setze_Wort(d, 48, 2400 + Schritt % 100);
        setze_Wort(d, 50, 350 + Schritt % 20); // x 0.1
        return d;
    }
    // Four wheels a little apart, the driven ones slipping, the gear stepping in halves
    // from -0.5 to 4.5.
    const int v = 3000 + static_cast<int>(2000 * std::sin(Schritt * 0.05)); // x 0.01 km/h
    setze_Wort(d, 20, (Schritt / 10) % 11 - 1);
    for (int n = 0; n < 4; ++n)
        setze_Wort(d, 24 + 2 * n, v + 10 * n);
    setze_Wort(d, 32, v + 150);
    setze_Wort(d, 34, v);
    setze_Wort(d, 36, 15);                          // slip x 0.1
    setze_Doppelwort(d, 48, 1234567 + Schritt * 5); // odometer in metres
    return d;
}

QByteArray Variantenbereich::Aux(bool ganzzahlig) const {
    QByteArray d(32, '\0');
    for (int i = 0; i < 8; ++i) {
        if (ganzzahlig)
            setze_Doppelwort(d, 4 * i, (i + 1) * 1000 + Schritt);
        else
            setze_Float(d, 4 * i, static_cast<float>(i + 1) * 0.5F + static_cast<float>(Schritt));
    }
    return d;
}

QByteArray Variantenbereich::Aux_erweitert() const {
    QByteArray d(400, '\0');
    for (int i = 0; i < 100; ++i)
        setze_Doppelwort(d, 4 * i, i * 10 + Schritt);
    return d;
}

} // namespace ecusim
