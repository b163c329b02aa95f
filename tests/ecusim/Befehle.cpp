#include "ecusim/Befehle.h"

#include "ecusim/EcuSim.h"
#include "ecusim/Worte.h"

#include <QDateTime>
#include <algorithm>
#include <cstdlib>

namespace ecusim {

namespace {

// A record of n bytes counting up from start, so that a shifted copy shows.
QByteArray Zaehlmuster(int n, int start) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(static_cast<char>((start + i) & 0xFF));
    return b;
}

std::optional<QByteArray> leer() {
    return QByteArray();
}

} // namespace

Befehlsbereich::Befehlsbereich(EcuSim& sim) : sim_(sim) {
    Uhr = [] { return QDateTime::currentMSecsSinceEpoch(); };
    // A 60-2 wheel at 1000 rpm: teeth of 1.00 ms, the gap 3.00 ms, its mark 2.00 ms in.
    for (int16_t z : Geberrad(60, 2, 1000))
        haenge_Wort_an(zahnzeiten_, static_cast<uint16_t>(z));
    for (int k = 0; k < 2; ++k)
        setze_Zuendkennfeld(k + 1, Zaehlmuster(580, 40 * (k + 1)));

    // Flash.
    sim.setze_Handler(this, 41, [this](const QByteArray&) {
        ++Flash_gesichert;
        return leer();
    });
    sim.setze_Handler(this, 40, [this](const QByteArray& d) {
        Flash_geloescht.push_back(d.isEmpty() ? -1 : static_cast<uint8_t>(d[0]));
        return leer();
    });
    // Logger and operating-hours erase, with its progress run.
    sim.setze_Handler(this, 103, [this](const QByteArray& d) {
        Logger_geloescht.push_back(d.isEmpty() ? -1 : static_cast<uint8_t>(d[0]));
        const bool fehler = naechster_Fehler(Befehlsfehler::Loeschfehler).has_value();
        Fortschritt = fehler ? -1 : 0;
        return std::optional(QByteArray(1, fehler ? '\1' : '\0'));
    });
    sim.setze_Handler(this, 102, [this](const QByteArray&) {
        int p = Fortschritt;
        if (naechster_Fehler(Befehlsfehler::Fortschritt_negativ))
            p = -1;
        else if (Fortschritt >= 0 && Fortschritt <= 1000)
            Fortschritt = std::min(Fortschritt + Fortschrittsschritt, 1001);
        return std::optional(Worte({p}));
    });
    sim.setze_Handler(this, 84, [this](const QByteArray& d) {
        Leerlaufsteller.push_back(d);
        return leer();
    });
    // Speed-sensor test: 63 or 65 start, 64 the tooth times in blocks, 66 the end.
    sim.setze_Handler(this, 63, [this](const QByteArray& d) {
        Zahnzeitenlaenge = Wort(d, 0);
        Drehzahltest_beendet = false;
        return leer();
    });
    sim.setze_Handler(this, 65, [this](const QByteArray& d) {
        Zahnzeitenlaenge = Wort(d, 0);
        ++Fehlertrigger;
        return leer();
    });
    sim.setze_Blocklesen(64, zahnzeiten_, false);
    sim.setze_Handler(this, 66, [this](const QByteArray&) {
        Drehzahltest_beendet = true;
        return leer();
    });
    // Power measurement: 74 starts the run from its first sample, 75 ends it.
    sim.setze_Handler(this, 74, [this](const QByteArray&) {
        ++Leistungsmessung_gestartet;
        Leistung_misst = true;
        Leistungsindex = 0;
        return leer();
    });
    sim.setze_Handler(this, 75, [this](const QByteArray&) {
        ++Leistungsmessung_beendet;
        Leistung_misst = false;
        return leer();
    });
    // Injector test: the run's time counts down on the clock from its start; the ECU
    // reports whole seconds begun, so 0 only once the time is up.
    sim.setze_Handler(this, 95, [this](const QByteArray& d) {
        Duesen_Pulsbreite = Wort(d, 0);
        Duesen_Laufzeit = Wort(d, 1);
        duesenstart_ = Uhr();
        return leer();
    });
    sim.setze_Handler(this, 96, [this](const QByteArray&) {
        int64_t rest = 0;
        if (duesenstart_) {
            const int64_t ms = int64_t{Duesen_Laufzeit} * 1000 - (Uhr() - *duesenstart_);
            rest = std::max<int64_t>(0, (ms + 999) / 1000);
        }
        return std::optional(Worte({static_cast<int>(rest)}));
    });
    sim.setze_Handler(this, 97, [this](const QByteArray&) {
        ++Duesentest_beendet;
        duesenstart_.reset();
        return leer();
    });
    sim.setze_Handler(this, 60, [this](const QByteArray&) {
        Handbetrieb = !Handbetrieb;
        return leer();
    });
    sim.setze_Handler(this, 61, [this](const QByteArray& d) {
        Einspritzaenderungen.push_back(static_cast<int16_t>(Wort(d, 0)));
        return leer();
    });
    sim.setze_Handler(this, 110, [this](const QByteArray& d) {
        Eingangstest.push_back(d.isEmpty() ? -1 : static_cast<uint8_t>(d[0]));
        return leer();
    });
    // 112 is the output test command with a byte, the output record without.
    sim.setze_Handler(this, 112, [this](const QByteArray& d) {
        if (d.size() == 1) {
            Ausgangstest.push_back(static_cast<uint8_t>(d[0]));
            return leer();
        }
        return std::optional(Worte({0x0005, 0x8000, 0, 0x0001}));
    });
    sim.setze_Handler(this, 20, [this](const QByteArray& d) {
        DSG_Hand.push_back(d);
        return leer();
    });
    sim.setze_Handler(this, 200, [](const QByteArray&) { return leer(); });
    // 201 with a record number is the gearbox log, without it the throttle calibration.
    sim.setze_Handler(this, 201, [this](const QByteArray& d) {
        if (d.size() == 2) {
            QByteArray satz = Zaehlmuster(34, 0);
            satz[0] = d[0];
            satz[1] = d[1];
            return std::optional(satz);
        }
        ++E_Gas_kalibriert;
        return leer();
    });
    sim.setze_Handler(
        this, 208, [this](const QByteArray&) { return std::optional(Worte({Bootloaderstatus})); });

    // Service records.
    sim.setze_Handler(this, 21,
                      [](const QByteArray&) { return std::optional(Zaehlmuster(84, 21)); });
    sim.setze_Handler(this, 76,
                      [this](const QByteArray&) { return std::optional(Leistungssatz()); });
    sim.setze_Handler(this, 85, [this](const QByteArray& d) {
        Passwortnummer = Wort(d, 0);
        return leer();
    });
    sim.setze_Handler(this, 86,
                      [this](const QByteArray&) { return std::optional(Worte({Passwortnummer})); });
    sim.setze_Handler(this, 109, [](const QByteArray&) {
        QByteArray b;
        for (int i = 0; i < 32; ++i)
            haenge_Wort_an(b, 100 * i);
        return std::optional(b);
    });
    sim.setze_Handler(this, 111, [this](const QByteArray&) {
        QByteArray b = Worte({Eingangsbits});
        for (int i = 1; i <= 16; ++i)
            haenge_Wort_an(b, i);
        return std::optional(b);
    });
    sim.setze_Handler(this, 116,
                      [this](const QByteArray&) { return std::optional(Worte({Merkerwort})); });
    sim.setze_Handler(this, 117, [this](const QByteArray& d) {
        Merkerwort = Wort(d, 0);
        return leer();
    });
    // The logger asks with a block number; 22 without data is the gearbox record, not ours.
    sim.setze_Handler(
        this, 22, [this](const QByteArray& d) { return std::optional(Loggerblock(d)); },
        [](const QByteArray& d) { return d.size() == 2; });
    sim.setze_Handler(this, 125, [this](const QByteArray& d) {
        if (!d.isEmpty() && d[0] == 1)
            systemindex_ = 0;
        QByteArray a;
        if (systemindex_ >= static_cast<int>(Systemdaten.size())) {
            a = QByteArray(1, '\0') + Worte({0, 0});
        } else {
            const auto& [nummer, wert] = Systemdaten[static_cast<size_t>(systemindex_++)];
            a = QByteArray(1, '\1') + Worte({nummer, wert});
        }
        return std::optional(a);
    });
    sim.setze_Handler(this, 120, [this](const QByteArray& d) {
        Exportkopf = d;
        exportwort_.reset();
        exportpos_ = exportletzter_ = 0;
        return std::optional(Exportkopfpaare());
    });
    sim.setze_Handler(this, 121,
                      [this](const QByteArray& d) { return std::optional(Exportblock(d)); });
    sim.setze_Handler(this, 122,
                      [this](const QByteArray& d) { return std::optional(Importtelegramm(d)); });
    for (int i = 0; i < 3; ++i)
        sim.setze_Handler(this, static_cast<uint8_t>(6 + i),
                          [this, i](const QByteArray&) { return std::optional(Speicher(i)); });
    sim.setze_Blockschreiben(9, false);
    sim.setze_Blockschreiben(19, false);
    // The ignition maps keep what they were sent.
    sim.verbinde_Bloecke(9, 10);
    sim.verbinde_Bloecke(19, 20);
}

std::vector<int16_t> Befehlsbereich::Geberrad(int zaehne, int fehlend, int drehzahl) {
    std::vector<int16_t> zeiten;
    if (zaehne <= 0 || drehzahl <= 0 || fehlend < 0 || fehlend >= zaehne - 1)
        return zeiten;
    // One tooth pitch in hundredths of a millisecond: 60 s / rpm / teeth.
    const int teilung = 6000000 / drehzahl / zaehne;
    const int luecke = (fehlend + 1) * teilung;
    std::vector<int16_t> umdrehung(static_cast<size_t>(zaehne - fehlend - 1),
                                   static_cast<int16_t>(teilung));
    if (fehlend > 0)
        umdrehung.push_back(static_cast<int16_t>(-fehlend * teilung));
    umdrehung.push_back(static_cast<int16_t>(fehlend > 0 ? luecke : teilung));
    while (zeiten.size() < static_cast<size_t>(Zaehne))
        for (int16_t z : umdrehung)
            if (zeiten.size() < static_cast<size_t>(Zaehne))
                zeiten.push_back(z);
    return zeiten;
}

void Befehlsbereich::setze_Zahnzeiten(const std::vector<int16_t>& zeiten) {
    zahnzeiten_.clear();
    for (int16_t z : zeiten)
        haenge_Wort_an(zahnzeiten_, static_cast<uint16_t>(z));
    sim_.setze_Blocklesen(64, zahnzeiten_, false);
}

void Befehlsbereich::injiziere(Befehlsfehler f, int anzahl) {
    for (int i = 0; i < anzahl; ++i)
        fehler_.push_back(f);
}

std::optional<Befehlsfehler> Befehlsbereich::naechster_Fehler(Befehlsfehler f) {
    const auto it = std::find(fehler_.begin(), fehler_.end(), f);
    if (it == fehler_.end())
        return std::nullopt;
    fehler_.erase(it);
    return f;
}

void Befehlsbereich::setze_Zuendkennfeld(int karte, const QByteArray& bild) {
    const int k = karte == 1 ? 0 : 1;
    kennfeld_[k] = bild;
    // A read asks [block][count]; the gearbox's manual mode on 20 sends a record of 8.
    sim_.setze_Blocklesen(karte == 1 ? 10 : 20, bild, false,
                          [](const QByteArray& d) { return d.size() == 2; });
}

QByteArray Befehlsbereich::geschriebenes_Zuendkennfeld(int karte) const {
    return sim_.Blockdaten(karte == 1 ? 9 : 19);
}

std::vector<Befehlsbereich::Leistungsprobe> Befehlsbereich::Standardlauf() {
    std::vector<Leistungsprobe> lauf;
    // Run-up: power climbing to its peak at 5500, torque peaking at 4000.
    for (int n = 1000; n <= 6000; n += 250) {
        const int p = n <= 5500 ? n / 50 : 110 - (n - 5500) / 50;
        const int m = 180 - std::abs(n - 4000) / 40;
        lauf.push_back({static_cast<int16_t>(n), static_cast<int16_t>(p), static_cast<int16_t>(m)});
    }
    // Roll-out: the drag loss grows with speed.
    for (int n = 5500; n >= 1000; n -= 500)
        lauf.push_back({static_cast<int16_t>(n), static_cast<int16_t>(-(n / 250)),
                        static_cast<int16_t>(-(10 + n / 200))});
    return lauf;
}

QByteArray Befehlsbereich::Leistungssatz() {
    ++Leistungsabfragen;
    Leistungsprobe p;
    if (Leistung_misst && !Leistungslauf.empty()) {
        p = Leistungslauf[std::min(Leistungsindex, Leistungslauf.size() - 1)];
        ++Leistungsindex;
    }
    // Word 0 counts the answers, word 2 holds the road speed the ECU derives; the PC reads
    // neither.
    return Worte(
        {Leistungsabfragen & 0xFFFF, p.Drehzahl, p.Drehzahl / 50, p.Leistung, p.Drehmoment});
}

QByteArray Befehlsbereich::Loggerblock(const QByteArray& d) {
    const uint16_t block = Wort(d, 0);
    QByteArray a;
    if (block == 0xFFFF) {
        // The order to erase: the memory is emptied and the end reported.
        ++Logger_Loeschbefehle;
        Logeintraege.clear();
        a = Worte({0xFFFF, 0});
    } else if (block >= Logeintraege.size()) {
        a = Worte({0xFFFF, 0});
    } else {
        const int n = std::min<int>(8, static_cast<int>(Logeintraege.size()) - block);
        const bool zu_gross = naechster_Fehler(Befehlsfehler::Loggerzahl_zu_gross).has_value();
        a = Worte({block, zu_gross ? 200 : n});
        for (int i = 0; i < n; ++i)
            a += Logeintraege[static_cast<size_t>(block + i)].leftJustified(8, '\0', true);
    }
    return a.leftJustified(68, '\0', true);
}

QByteArray Befehlsbereich::Exportblock(const QByteArray& d) {
    const uint16_t w = Wort(d, 0);
    // The same word again repeats the block; a new one moves on.
    if (!exportwort_ || *exportwort_ != w) {
        exportletzter_ = exportpos_;
        exportpos_ = std::min(exportpos_ + 16, Exportdaten.size());
        exportwort_ = w;
    }
    const int n = static_cast<int>(exportpos_ - exportletzter_);
    const bool zu_gross = naechster_Fehler(Befehlsfehler::Exportzahl_zu_gross).has_value();
    QByteArray a = Worte({zu_gross ? 40 : n, w});
    for (size_t i = exportletzter_; i < exportpos_; ++i)
        a += Worte({Exportdaten[i].first, Exportdaten[i].second});
    return a.leftJustified(68, '\0', true);
}

QByteArray Befehlsbereich::Exportkopfpaare() const {
    const auto nummer = [this](int i) {
        return Exportkopf.size() >= 56 ? Wort(Exportkopf, 24 + i) : uint16_t{0};
    };
    // A new password (its number given) replaces the old ones in what is exported.
    const bool neu = nummer(3) != 0;
    const std::pair<int, int> paare[20] = {
        {64, 1},
        {65, static_cast<int>(Exportdaten.size())},
        {66, Version},
        {67, Revision},
        {68, Datenversion},
        {69, neu ? nummer(3) : Passwortnummer},
        {70, neu ? nummer(0) : 0},
        {71, neu ? nummer(1) : 0},
        {72, neu ? nummer(2) : 0},
        {80, 0x5678},
        {81, 0x1234},
        {82, 1},
        {83, 1},
        {84, 400},
        {90, 0},
        {91, 0},
        {92, 0},
        {93, 0},
        {94, 0},
        {95, 0},
    };
    QByteArray a;
    for (const auto& [kennung, wert] : paare)
        a += Worte({kennung, wert});
    return a;
}

QByteArray Befehlsbereich::Importtelegramm(const QByteArray& d) {
    Importtelegramme.push_back(d);
    if (!d.isEmpty() && d[0] == 1) {
        importpaare_.clear();
        importtelegramm_ = 0;
    }
    const int anzahl = Wort(d, 1);
    for (int i = 0; i < std::min(anzahl, 16) && 8 + 4 * i <= d.size(); ++i)
        importpaare_.emplace_back(Wort(d, 2 + 2 * i), Wort(d, 3 + 2 * i));
    const int nummer = importtelegramm_++;
    if (anzahl >= 16) {
        const auto it = Importstatus.find(nummer);
        return Worte({it == Importstatus.end() ? 0 : it->second});
    }
    // The end: the header's 20 pairs, then the data set.
    if ((Importstatus_Ende == 1 || Importstatus_Ende == 5) && importpaare_.size() >= 20 &&
        importpaare_[0].first == 64) {
        Exportdaten.assign(importpaare_.begin() + 20, importpaare_.end());
        ++Importe;
    }
    importpaare_.clear();
    return Worte({Importstatus_Ende});
}

QByteArray Befehlsbereich::Speicher(int index) {
    QByteArray a(12, '\0');
    a[0] = defekter_Speicher == index ? 1 : 0;
    a[8] = static_cast<char>(Speichernummern[index] & 0xFF);
    a[9] = static_cast<char>(Speichernummern[index] >> 8);
    return a;
}

} // namespace ecusim
