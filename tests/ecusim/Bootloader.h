#pragma once

#include "ecusim/EcuSim.h"

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace ecusim {

// What the simulated boot loader can be told to get wrong.
enum class Bootfehler {
    Satz_ohne_Antwort,      // record k (1-based among the program records) is not answered
    Satz_abgelehnt,         // record k is refused (status 0)
    Satz_ohne_Pruefsumme,   // the reply to record k lacks its checksum byte: 04 E4 01
    Loeschen_abgelehnt,     // the erase is refused
    Ende_abgelehnt,         // the end is refused
    Falsche_Pruefsumme,     // the next telegram's reply has a wrong checksum
    Ueberlang,              // the next telegram's reply announces 120 bytes and brings them
    Falsche_Zugangsantwort, // the access text is answered with "F" instead of "T"
    Gruss_geteilt,          // the greeting leaves in three pieces, the line feed in the last
    Versionslaenge_4,       // the version reply is 04 E0 lo checksum
    Versionslaenge_6,       // the version reply carries one byte more
    CAN_Laenge_7,           // the next reply's CAN messages have data length 7
    CAN_Anzahl_7,           // the next reply's CAN messages claim 7 payload bytes
    CAN_Sequenzluecke,      // the next reply's CAN messages skip a sequence number
};

// The ECU's boot loader, beside its application. An A5 at a frame boundary wakes it: one
// greeting line; A5s that follow before the access text are ignored. The access text brings
// "T"; from then on it answers its telegrams (version, identification items, both erase
// forms, records, both end forms), which are framed as the application's. From an accepted
// erase to an accepted end the application is gone: besides the boot loader's telegrams the
// ECU answers only the identity request (as ECU type 8) and command 208.
class Bootloaderbereich {
public:
    // The erase code the boot loader expects, and the long forms' parameter, as literals.
    static constexpr uint8_t Loeschcode[4] = {0x5A, 0xC3, 0x96, 0x3C};
    static constexpr uint8_t Parameter_3072[4] = {0x00, 0x0C, 0x00, 0x00};
    static constexpr const char* Zugangstext = "QUADRO PLENTIFULNESS";

    explicit Bootloaderbereich(EcuSim& sim);
    Bootloaderbereich(const Bootloaderbereich&) = delete;
    Bootloaderbereich& operator=(const Bootloaderbereich&) = delete;

    // The fault for the record k where one is named, else for what it concerns next.
    void injiziere(Bootfehler f, int satz = 0);
    void keine_Fehler() { fehler_.clear(); }

    // What it is given.
    uint16_t Version = 12;
    QByteArray Gruss = "QRV-BOOT 1.2\r\n";
    // The status command 208 answers while the application is gone.
    uint16_t Status_208 = 1;
    // The software version the application reports after a programming.
    uint16_t Neue_Softwareversion = 616;

    // What happened.
    std::vector<QByteArray> Abbild; // the records flashed since the last erase
    int Gruesse = 0;
    int Loeschungen = 0;
    int Enden = 0;
    bool Anwendung_weg = false;
    // The line as the program had set it, at each boot loader telegram (pseudo-terminal).
    std::vector<Leitungseinstellung> Leitungen;
    // Every boot loader telegram received, in order.
    std::vector<QByteArray> Telegramme;

private:
    enum class Zustand { Schlaf, Zugang_erwartet, Offen };
    struct Geplant {
        Bootfehler fehler;
        int satz;
    };

    qsizetype lies(const QByteArray& eingang);
    void wecke();
    std::optional<QByteArray> telegramm(uint8_t befehl, const QByteArray& daten);
    void antworte(QByteArray antwort);
    std::optional<Bootfehler> nimm_Fehler(std::initializer_list<Bootfehler> arten, int satz = 0);
    void notiere(uint8_t befehl, const QByteArray& daten);

    EcuSim& sim_;
    Zustand zustand_ = Zustand::Schlaf;
    QByteArray zugang_;
    int saetze_ = 0; // records received since the last erase
    std::deque<Geplant> fehler_;
};

} // namespace ecusim
