#pragma once

#include "base/Uglobal.h"

#include "link/UComData.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>

class Meldungen;

// One record of the gearbox log, by its number.
class cl_DSG_Log_Daten : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_DSG_Log_Daten, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Log = 201;
    static constexpr int Laenge = 34;

    explicit cl_DSG_Log_Daten(cl_COM_Quorvel& link);
    void anfordern(uint16_t nummer);
    void Antwort() override;

    std::array<uint8_t, 2> Satznummer{};
    std::array<uint8_t, Laenge> Datensatz{};
};

// The gearbox log's state record.
class cl_DSG_log_Zustandsdaten : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_DSG_log_Zustandsdaten, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Zustand = 21;
    static constexpr int Laenge = 84;

    explicit cl_DSG_log_Zustandsdaten(cl_COM_Quorvel& link);
    void Antwort() override;

    std::array<uint8_t, Laenge> Datensatz{};
};

// The power measurement's values.
class cl_Leistung_Quorvel : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Leistung_Quorvel, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Leistung = 76;
    static constexpr int Laenge = 10;

    explicit cl_Leistung_Quorvel(cl_COM_Quorvel& link);
    void Antwort() override;

    std::array<uint8_t, Laenge> Datensatz{};
};

// Stores the password number beside the password; announces nothing.
class cl_Passwort_Nr_schreiben : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Passwort_Nr_schreiben, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Nr_schreiben = 85;

    explicit cl_Passwort_Nr_schreiben(cl_COM_Quorvel& link);
    void senden(uint16_t nummer);

    std::array<uint8_t, 2> Nummer{};
};

class cl_Passwort_Nr_lesen : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Passwort_Nr_lesen, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Nr_lesen = 86;

    explicit cl_Passwort_Nr_lesen(cl_COM_Quorvel& link);
    void Antwort() override;
    uint16_t Passwortnummer() const { return lies_Wort(Nummer.data()); }

    std::array<uint8_t, 2> Nummer{};
};

// The records of the input and output tests carry an age the relay counts up and the answer
// sets back to 0.
constexpr int32_t Alter_unbekannt = std::numeric_limits<int32_t>::max();

class cl_analoge_Eingaenge : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_analoge_Eingaenge, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_analog = 109;
    static constexpr int Laenge = 64;

    explicit cl_analoge_Eingaenge(cl_COM_Quorvel& link);
    void Antwort() override;
    // The raw converter value of input 0..31.
    uint16_t Wert(int eingang) const { return lies_Wort(Datensatz.data() + 2 * eingang); }

    std::array<uint8_t, Laenge> Datensatz{};
    int32_t Alter = Alter_unbekannt;
};

class cl_digitale_Eingaenge : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_digitale_Eingaenge, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_digital = 111;
    static constexpr int Laenge = 34;
    static constexpr int Eingaenge = 16;

    explicit cl_digitale_Eingaenge(cl_COM_Quorvel& link);
    void Antwort() override;

    // Word 0 the states, one bit an input; words 1..16 the inputs' edge counters.
    std::array<uint8_t, Laenge> Datensatz{};
    int32_t Alter = Alter_unbekannt;
    // 1 for an input whose state bit the last answer set, else 0; the relay's status values
    // read it.
    std::array<uint8_t, Eingaenge> Digitaleingang_Zustand{};
};

class cl_digitale_Ausgaenge : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_digitale_Ausgaenge, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Ausgaenge = 112;
    static constexpr int Laenge = 8;

    explicit cl_digitale_Ausgaenge(cl_COM_Quorvel& link);
    void Antwort() override;
    bool Ausgang(int i) const {
        return (lies_Wort(Datensatz.data() + 2 * (i / 16)) >> (i % 16)) & 1;
    }

    std::array<uint8_t, Laenge> Datensatz{};
    int32_t Alter = Alter_unbekannt;
};

class cl_Merker : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Merker, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Merker = 116;

    explicit cl_Merker(cl_COM_Quorvel& link);
    void Antwort() override;
    uint16_t Merkerwort() const { return lies_Wort(Wort.data()); }

    std::array<uint8_t, 2> Wort{};
};

// Sets the flag word; announces nothing.
class cl_Merker_senden : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Merker_senden, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Merker_senden = 117;

    explicit cl_Merker_senden(cl_COM_Quorvel& link);
    void senden(uint16_t merker);
    // Ahead of every other request: the user's click.
    void senden_sofort(uint16_t merker);

    std::array<uint8_t, 2> Wort{};
};

// The event logger, read block after block: each answer asks for the entries after the ones
// it brought, until the ECU reports the end. Block number 65535 sent is the order to erase.
class cl_Test_Logdaten : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Test_Logdaten, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Logger = 22;
    static constexpr int Laenge = 68;
    static constexpr int Satzlaenge = 8;
    static constexpr int Saetze_max = 8;
    static constexpr uint16_t Ende = 65535;

    explicit cl_Test_Logdaten(cl_COM_Quorvel& link);
    // From the first entry.
    void starten();
    // Erases the logger memory; a read under way ends.
    void stoppen();
    void Antwort() override;

    uint16_t Blocknummer() const { return lies_Wort(Block.data()); }
    // The count as the ECU sent it; the chain steps by it.
    uint16_t Rohanzahl() const { return lies_Wort(Block.data() + 2); }
    // The records that fit the answer: at most 8, whatever the ECU claims.
    int Anzahl() const;
    const uint8_t* Datensatz(int i) const { return Block.data() + 4 + Satzlaenge * i; }
    uint16_t angefragter_Block() const { return lies_Wort(Sendeblock.data()); }

    std::array<uint8_t, 2> Sendeblock{};
    std::array<uint8_t, Laenge> Block{};
};

// The ECU's system data list, item by item.
class cl_ECU_Systemdaten : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_ECU_Systemdaten, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Systemdaten = 125;
    static constexpr uint8_t Erstes = 1;
    static constexpr uint8_t Naechstes = 0;

    explicit cl_ECU_Systemdaten(cl_COM_Quorvel& link);
    void anfordern(uint8_t index);
    void Antwort() override;

    bool vorhanden() const { return Antwortdaten[0] != 0; }
    uint16_t Nummer() const { return lies_Wort(Antwortdaten.data() + 1); }
    uint16_t Wert() const { return lies_Wort(Antwortdaten.data() + 3); }

    uint8_t Index = 0;
    std::array<uint8_t, 5> Antwortdaten{};
};

// Opens an export: the old passwords and the new one with their numbers.
class cl_Export_starten : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Export_starten, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Export = 120;
    static constexpr int Kopflaenge = 56;
    static constexpr int Antwortlaenge_Kopf = 80;
    static constexpr int Feldlaenge = 12;
    // Characters of a password; the field's last byte is the terminating 0.
    static constexpr int Passwort_max = Feldlaenge - 1;
    // The refusal of a password that does not fit.
    static constexpr int Text_Passwort_zu_lang = 1297;

    cl_Export_starten(cl_COM_Quorvel& link, Meldungen& meldungen);
    // False, with a message and nothing sent, when a password does not fit its field as it
    // stands: a password cut short would be another password.
    bool starten(const QString& pw1, uint16_t nr1, const QString& pw2, uint16_t nr2,
                 const QString& pw3, uint16_t nr3, const QString& neuesPw, uint16_t neueNr);
    void Antwort() override;
    void Timeout() override;

    uint16_t Kennung(int i) const { return lies_Wort(Kopf.data() + 4 * i); }
    uint16_t Kopfwert(int i) const { return lies_Wort(Kopf.data() + 4 * i + 2); }

    std::array<uint8_t, Kopflaenge> Sendekopf{};
    std::array<uint8_t, Antwortlaenge_Kopf> Kopf{};

private:
    Meldungen& meldungen_;
};

// One block of an export. The word it sends is bytes 2-3 of its last answer, bit 0 inverted
// for each new request, so the ECU tells a new request from a repeated one.
class cl_Export_next : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Export_next, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Export_next = 121;
    static constexpr int Laenge = 68;
    static constexpr int Paare_max = 16;

    explicit cl_Export_next(cl_COM_Quorvel& link);
    void anfordern();
    void Antwort() override;
    void Timeout() override;

    uint16_t Rohanzahl() const { return lies_Wort(Block.data()); }
    // The pairs that fit the answer: at most 16, whatever the ECU claims.
    int Paaranzahl() const;
    // A full block: the export goes on with the next one.
    bool weitere_Bloecke() const { return Rohanzahl() >= Paare_max; }
    uint16_t Blockwort() const { return lies_Wort(Block.data() + 2); }
    uint16_t Kennung(int i) const { return lies_Wort(Block.data() + 4 + 4 * i); }
    uint16_t Wert(int i) const { return lies_Wort(Block.data() + 6 + 4 * i); }

    std::array<uint8_t, Laenge> Block{};
};

// One telegram of an import; the import window fills it and the chain sends the next one
// as long as it runs.
class cl_Import_next : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Import_next, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Import = 122;
    static constexpr int Laenge = 68;
    static constexpr int Paare_max = 16;

    explicit cl_Import_next(cl_COM_Quorvel& link);
    void Antwort() override;
    void Timeout() override;

    void setze_Erstes(bool erstes) { Telegramm[0] = erstes ? 1 : 0; }
    void setze_Paare(int anzahl) {
        schreibe_Wort(Telegramm.data() + 2, static_cast<uint16_t>(anzahl));
    }
    void setze_Paar(int i, uint16_t kennung, uint16_t wert) {
        schreibe_Wort(Telegramm.data() + 4 + 4 * i, kennung);
        schreibe_Wort(Telegramm.data() + 6 + 4 * i, wert);
    }
    uint16_t Paaranzahl() const { return lies_Wort(Telegramm.data() + 2); }
    uint16_t Status() const { return lies_Wort(Statuswort.data()); }

    std::array<uint8_t, Laenge> Telegramm{};
    bool laeuft = false;
    std::array<uint8_t, 2> Statuswort{};
};

// The memory check: RAM, first and second flash in turn (commands 6, 7, 8), over and over
// while the scan runs. The memory window owns it and shows each answer.
class cl_Speicher_Daten : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Speicher_Daten, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_RAM = 6;
    static constexpr uint8_t Befehl_Flash_0 = 7;
    static constexpr uint8_t Befehl_Flash_1 = 8;
    static constexpr int Laenge = 12;

    explicit cl_Speicher_Daten(cl_COM_Quorvel& link);
    // From the RAM on; a pass under way goes on with the memory it is at.
    void starten();
    // Ends the scan after the answer under way.
    void stoppen() { laeuft = false; }
    void Antwort() override;

    bool defekt() const { return Antwortdaten[0] != 0; }
    bool Datenfehler() const { return Antwortdaten[1] != 0; }
    uint16_t Speichernummer() const { return lies_Wort(Antwortdaten.data() + 8); }

    std::array<uint8_t, Laenge> Antwortdaten{};
    bool laeuft = false;
    bool Runde_fertig = false;
    // The memory window's labels for the memory of the command answered; without them the
    // answers are dropped and the scan ends.
    std::function<void(uint8_t befehl)> zeige_Speicher;
};

// The further data requests that live for the whole run, in their order in the link's ring.
struct Weitere_Anfragen {
    Weitere_Anfragen(cl_COM_Quorvel& link, Meldungen& meldungen);

    std::unique_ptr<cl_DSG_Log_Daten> DSG_Log_Daten;
    std::unique_ptr<cl_DSG_log_Zustandsdaten> DSG_log_Zustandsdaten;
    std::unique_ptr<cl_Leistung_Quorvel> Leistung_Quorvel;
    std::unique_ptr<cl_Export_starten> Export_starten;
    std::unique_ptr<cl_Export_next> Export_next;
    std::unique_ptr<cl_Import_next> Import_next;
    std::unique_ptr<cl_Passwort_Nr_schreiben> Passwort_Nr_schreiben;
    std::unique_ptr<cl_Passwort_Nr_lesen> Passwort_Nr_lesen;
    std::unique_ptr<cl_analoge_Eingaenge> analoge_Eingaenge;
    std::unique_ptr<cl_digitale_Eingaenge> digitale_Eingaenge;
    std::unique_ptr<cl_digitale_Ausgaenge> digitale_Ausgaenge;
    std::unique_ptr<cl_Merker> Merker;
    std::unique_ptr<cl_Merker_senden> Merker_senden;
    std::unique_ptr<cl_Test_Logdaten> Test_Logdaten;
    std::unique_ptr<cl_ECU_Systemdaten> ECU_Systemdaten;
};
