#pragma once

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace ecusim {

class EcuSim;

// What the command and service area can be told to get wrong in its next answers.
enum class Befehlsfehler {
    Loeschfehler,        // the logger or operating-hours erase answers its error byte 1
    Fortschritt_negativ, // the erase progress reports -1
    Exportzahl_zu_gross, // an export block claims 40 pairs (it carries 16)
    Loggerzahl_zu_gross, // a logger block claims 200 records (it carries 8)
};

// The simulated ECU's commands and service data: flash storing and erasing, the logger and
// operating-hours erase with a progress run, a scripted power run, the speed-sensor and
// injector tests (the tooth
// times read in blocks, the injector's remaining time counting down), manual injection, the
// idle actuator, the gearbox's manual mode and log, the input and output test records, the
// flag word, the event logger, the password number, the system data list, the memory check,
// export and import, and both ignition maps in blocks. Of command 22 it takes the logger's
// requests (a block number) and leaves those without data (the gearbox record) to others.
class Befehlsbereich {
public:
    static constexpr int Zaehne = 200;

    // Registers the area's commands with the simulator; the area must outlive it.
    explicit Befehlsbereich(EcuSim& sim);
    Befehlsbereich(const Befehlsbereich&) = delete;
    Befehlsbereich& operator=(const Befehlsbereich&) = delete;

    void injiziere(Befehlsfehler f, int anzahl = 1);
    // The tooth times the speed-sensor test reads (command 64): a trigger wheel's times, a
    // negative value marking a gap.
    void setze_Zahnzeiten(const std::vector<int16_t>& zeiten);
    // The first 200 times of a wheel of `zaehne` teeth with `fehlend` missing, turning at
    // `drehzahl` rpm, in hundredths of a millisecond: a time per tooth, and before the
    // long time across the gap the gap mark, the missing teeth's time negated, so that it
    // stands inside the gap. A wheel without missing teeth has no mark.
    static std::vector<int16_t> Geberrad(int zaehne, int fehlend, int drehzahl);

    // One power sample (command 76) as the ECU computes it while it measures.
    struct Leistungsprobe {
        int16_t Drehzahl = 0;
        int16_t Leistung = 0;
        int16_t Drehmoment = 0;
    };
    // A road run: the run-up from 1000 to 6000 rpm in steps of 250, then the roll-out back
    // to 1000 with the drag loss (negative torque) in steps of 500.
    static std::vector<Leistungsprobe> Standardlauf();

    // Ignition map 1 or 2 as the ECU holds it (580 bytes; an 8-column ECU serves the first
    // 308 of them) and what a write brought.
    void setze_Zuendkennfeld(int karte, const QByteArray& bild);
    QByteArray geschriebenes_Zuendkennfeld(int karte) const;

    // --- State the commands change ---------------------------------------------------
    int Flash_gesichert = 0;
    std::vector<int> Flash_geloescht;  // areas
    std::vector<int> Logger_geloescht; // modes
    // The erase progress, per mille, and its step per query; it reports 1001 once done.
    int Fortschritt = -1;
    int Fortschrittsschritt = 250;
    std::vector<QByteArray> Leerlaufsteller;
    // The power run: the samples served one per query from the start (74) on, the last one
    // again once they are used up; nothing but zeros before a start and after the end (75).
    std::vector<Leistungsprobe> Leistungslauf = Standardlauf();
    int Leistungsmessung_gestartet = 0;
    int Leistungsmessung_beendet = 0;
    int Leistungsabfragen = 0;
    bool Leistung_misst = false;
    size_t Leistungsindex = 0;
    uint16_t Zahnzeitenlaenge = 0;
    bool Drehzahltest_beendet = false;
    // The error trigger's starts (command 65).
    int Fehlertrigger = 0;
    // The injector test: the pulse width and run time (s) of the last start (95); the
    // remaining time (96) counts down in whole seconds on Uhr, in milliseconds, which runs
    // with the wall clock unless a test sets its own and advances it.
    uint16_t Duesen_Pulsbreite = 0;
    uint16_t Duesen_Laufzeit = 0;
    std::function<int64_t()> Uhr;
    int Duesentest_beendet = 0;
    bool Handbetrieb = false;
    std::vector<int16_t> Einspritzaenderungen;
    std::vector<int> Eingangstest;
    std::vector<int> Ausgangstest;
    std::vector<QByteArray> DSG_Hand;
    int E_Gas_kalibriert = 0;
    uint16_t Bootloaderstatus = 0x0102;
    uint16_t Passwortnummer = 0;
    uint16_t Merkerwort = 0;
    uint16_t Eingangsbits = 0;
    // Logger entries of 8 bytes each; the erase orders received.
    std::vector<QByteArray> Logeintraege;
    int Logger_Loeschbefehle = 0;
    // System data items (number, value).
    std::vector<std::pair<uint16_t, uint16_t>> Systemdaten;
    // The data set: the pairs an export serves, 16 to a block, and a whole import replaces.
    std::vector<std::pair<uint16_t, uint16_t>> Exportdaten;
    // The request the last export start sent.
    QByteArray Exportkopf;
    // The 20 header pairs an export starts with, as this ECU answers them to the request
    // (tag 65 the data pairs it holds; a new password's number 69 and the old ones 70-72).
    QByteArray Exportkopfpaare() const;
    uint16_t Version = 615;
    uint16_t Revision = 3;
    uint16_t Datenversion = 0x0102;
    // Every import telegram received.
    std::vector<QByteArray> Importtelegramme;
    // The status answered to a telegram of an import, by its place (0 the first) when not
    // the last one; by default 0, go on.
    std::map<int, uint16_t> Importstatus;
    // The status of the telegram that ends an import (fewer than 16 pairs). With 1 or 5
    // the data pairs after the import's 20 header pairs become the data set.
    uint16_t Importstatus_Ende = 1;
    // The imports that replaced the data set.
    int Importe = 0;
    // Memory numbers of RAM, flash 0 and flash 1; the memory reported defective (or -1).
    uint16_t Speichernummern[3] = {11, 22, 33};
    int defekter_Speicher = -1;

private:
    std::optional<Befehlsfehler> naechster_Fehler(Befehlsfehler f);
    QByteArray Loggerblock(const QByteArray& daten);
    QByteArray Leistungssatz();
    QByteArray Exportblock(const QByteArray& daten);
    QByteArray Importtelegramm(const QByteArray& daten);
    QByteArray Speicher(int index);

    EcuSim& sim_;
    std::deque<Befehlsfehler> fehler_;
    QByteArray zahnzeiten_;
    // When the running injector test began on Uhr; none runs without it.
    std::optional<int64_t> duesenstart_;
    QByteArray kennfeld_[2];
    int systemindex_ = 0;
    // The export: the word of the block served last, and where the next block starts.
    std::optional<uint16_t> exportwort_;
    size_t exportpos_ = 0;
    size_t exportletzter_ = 0;
    // The pairs of the import under way, and its telegrams so far.
    std::vector<std::pair<uint16_t, uint16_t>> importpaare_;
    int importtelegramm_ = 0;
};

} // namespace ecusim
