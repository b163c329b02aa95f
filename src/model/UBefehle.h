#pragma once

#include "base/Uglobal.h"

#include "link/UComData.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

class QObject;
class Meldungen;
class cl_Version;

// Tells the user once the scheduler's tick is over: a modal box opened inside the tick
// would run the event loop, and with it the link's timer, under the answer being handled.
class Meldung_nach_Tick {
public:
    explicit Meldung_nach_Tick(Meldungen& meldungen);
    ~Meldung_nach_Tick();
    void zeige(const QString& text);

private:
    Meldungen& meldungen_;
    // Ends the pending messages with the request that queued them.
    std::unique_ptr<QObject> ziel_;
};

// Stores the ECU's working data in its flash.
class cl_Quorvel_ins_Flash_sichern : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Quorvel_ins_Flash_sichern, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Flash_sichern = 41;
    explicit cl_Quorvel_ins_Flash_sichern(cl_COM_Quorvel& link);
};

// Erases flash area 0 or 1 after the user agreed.
class cl_Quorvel_Flash_loeschen : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Quorvel_Flash_loeschen, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Flash_loeschen = 40;
    explicit cl_Quorvel_Flash_loeschen(cl_COM_Quorvel& link);
    void loeschen_fragen(int bereich);

    uint8_t Bereich = 0;
};

class cl_Quorvel_loggerflash_loeschen_Fortschritt;

// Erases the logger flash (mode 2) or the operating hours (mode 0) after the user agreed;
// on ECUs that report it, the erase's progress is polled into the wait window.
class cl_Quorvel_loggerflash_loeschen : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Quorvel_loggerflash_loeschen, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Logger_loeschen = 103;
    cl_Quorvel_loggerflash_loeschen(cl_COM_Quorvel& link, const cl_Version& version);
    void loeschen_fragen(int modus);
    void Antwort() override;
    // The ECU reports the erase's progress.
    bool mit_Fortschritt() const;

    uint8_t Modus = 0;
    uint8_t Fehler = 0;
    cl_Quorvel_loggerflash_loeschen_Fortschritt* Fortschritt = nullptr;
    // The progress bar was switched on for the erase under way.
    bool Fortschritt_an = false;
    Meldung_nach_Tick Nachricht;

private:
    const cl_Version& version_;
};

// The progress of a logger or operating-hours erase: 0..1000 per mille, above 1000 done,
// negative failed.
class cl_Quorvel_loggerflash_loeschen_Fortschritt : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Quorvel_loggerflash_loeschen_Fortschritt, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Fortschritt = 102;
    cl_Quorvel_loggerflash_loeschen_Fortschritt(cl_COM_Quorvel& link,
                                                cl_Quorvel_loggerflash_loeschen& loeschen);
    void Antwort() override;
    int16_t Stand() const { return static_cast<int16_t>(lies_Wort(Antwortdaten.data())); }

    std::array<uint8_t, 2> Antwortdaten{};

private:
    cl_Quorvel_loggerflash_loeschen& loeschen_;
};

// Moves the idle actuator.
class cl_Quorvel_Leerlaufsteller_aendern : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Quorvel_Leerlaufsteller_aendern, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Leerlaufsteller = 84;
    cl_Quorvel_Leerlaufsteller_aendern(cl_COM_Quorvel& link, const cl_Version& version);
    void setzen(int a, int b);

    std::array<uint8_t, 2> Bytes{};

private:
    const cl_Version& version_;
};

// The speed-sensor pulse test: start (63), read the tooth times in blocks (64), end (66);
// the alternative start (65) ends with its answer.
class cl_Quorvel_starte_Test_Drehzahl : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Quorvel_starte_Test_Drehzahl, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Start = 63;
    static constexpr uint8_t Befehl_Ergebnis = 64;
    static constexpr uint8_t Befehl_Alternativ = 65;
    static constexpr uint8_t Befehl_Ende = 66;
    explicit cl_Quorvel_starte_Test_Drehzahl(cl_COM_Quorvel& link);
    // anzahl 16-bit results into puffer; nothing starts while a test runs or when the buffer
    // cannot take them.
    void starten(bool alternativ, int anzahl, std::span<uint8_t> puffer);
    void stoppen() { cl_COM_data::stoppen(); }
    void Antwort() override;

    std::array<uint8_t, 2> Ergebnislaenge{};
    // The test window shows the tooth times.
    std::function<void()> zeige_Ergebnis;

private:
    std::span<uint8_t> puffer_;
};

// Clears the error memory, then reads it again from its first entry.
class cl_Quorvel_Fehlerspeicher_loeschen : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Quorvel_Fehlerspeicher_loeschen, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Fehlerspeicher_loeschen = 104;
    explicit cl_Quorvel_Fehlerspeicher_loeschen(cl_COM_Quorvel& link);
    void Antwort() override;

    // The error memory's read from its first entry.
    std::function<void()> lese_ab_Anfang;
};

class cl_Quorvel_starte_Leistungsmessung : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Quorvel_starte_Leistungsmessung, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Leistung_Start = 74;
    explicit cl_Quorvel_starte_Leistungsmessung(cl_COM_Quorvel& link);
    void Antwort() override;
};

class cl_Quorvel_beende_Leistungsmessung : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Quorvel_beende_Leistungsmessung, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Leistung_Ende = 75;
    explicit cl_Quorvel_beende_Leistungsmessung(cl_COM_Quorvel& link);
    void Antwort() override;
};

// The injector test: start (95), poll the remaining time every 100 ms (96) until it is 0,
// end (97).
class cl_Quorvel_starte_Test_Duese : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Quorvel_starte_Test_Duese, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Start = 95;
    static constexpr uint8_t Befehl_Restzeit = 96;
    static constexpr uint8_t Befehl_Ende = 97;
    explicit cl_Quorvel_starte_Test_Duese(cl_COM_Quorvel& link);
    // The remaining time goes into restzeit (one 16-bit word); nothing starts while a test
    // runs.
    void starten(uint16_t a, uint16_t b, std::span<uint8_t, 2> restzeit);
    // Ends the test: the polling stops and the end command goes out.
    void stoppen();
    void Antwort() override;

    std::array<uint8_t, 4> Sendeworte{};
    // The test window shows the remaining time.
    std::function<void()> zeige_Restzeit;

private:
    void beende();

    uint8_t* restzeit_ = nullptr;
    // The test is to end with the answer of the query in flight.
    bool Ende_verlangt = false;
};

class cl_Quorvel_Hand_Einspritzzeit_aendern;

// Switches the ECU's manual injection mode on or off.
class cl_Quorvel_Hand_umschalten : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Quorvel_Hand_umschalten, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Hand = 60;
    explicit cl_Quorvel_Hand_umschalten(cl_COM_Quorvel& link);
    void starten();

    cl_Quorvel_Hand_Einspritzzeit_aendern* Einspritzzeit = nullptr;
};

// Changes the manual injection time by what the keys added since the last change.
class cl_Quorvel_Hand_Einspritzzeit_aendern : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Quorvel_Hand_Einspritzzeit_aendern, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Einspritzzeit = 61;
    explicit cl_Quorvel_Hand_Einspritzzeit_aendern(cl_COM_Quorvel& link);
    void addieren(int delta);
    void senden();
    int16_t gesendet() const { return static_cast<int16_t>(lies_Wort(Sendewort.data())); }

    int32_t Akkumulator = 0;
    std::array<uint8_t, 2> Sendewort{};
};

class cl_Quorvel_Test_digitale_Eingaenge : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Quorvel_Test_digitale_Eingaenge, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Test_Eingaenge = 110;
    explicit cl_Quorvel_Test_digitale_Eingaenge(cl_COM_Quorvel& link);
    void einschalten();
    void ausschalten();

    uint8_t Schalter = 0;
};

class cl_Quorvel_Test_digitale_Ausgaenge : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Quorvel_Test_digitale_Ausgaenge, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Test_Ausgaenge = 112;
    explicit cl_Quorvel_Test_digitale_Ausgaenge(cl_COM_Quorvel& link);

    uint8_t Schalter = 0;
};

// The gearbox's manual mode: an index and three values.
class cl_DSG_Handbetrieb : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_DSG_Handbetrieb, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_DSG_Hand = 20;
    cl_DSG_Handbetrieb(cl_COM_Quorvel& link, const cl_Version& version);
    void setzen(int index, int wert);
    uint16_t Wort(int i) const { return lies_Wort(&Satz[2 * i]); }

    std::array<uint8_t, 8> Satz{};

private:
    const cl_Version& version_;
};

class cl_DSG_Logdaten_starten : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_DSG_Logdaten_starten, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_DSG_Log_Start = 200;
    explicit cl_DSG_Logdaten_starten(cl_COM_Quorvel& link);
};

class cl_E_Gas_kalibrieren : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_E_Gas_kalibrieren, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_E_Gas = 201;
    explicit cl_E_Gas_kalibrieren(cl_COM_Quorvel& link);
};

class cl_Bootloader_update : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Bootloader_update, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehl_Bootloader = 208;
    explicit cl_Bootloader_update(cl_COM_Quorvel& link);
    void Antwort() override;
    // The ECU's verdict, a signed word (-2 and -1 are failures).
    int16_t Status() const { return static_cast<int16_t>(lies_Wort(Statuswort.data())); }

    std::array<uint8_t, 2> Statuswort{};
};

// The 18 command requests, created in this order when the main window first shows; they
// join the link's ring after everything created before them.
struct Befehlsobjekte {
    Befehlsobjekte(cl_COM_Quorvel& link, const cl_Version& version);

    std::unique_ptr<cl_Quorvel_ins_Flash_sichern> Quorvel_ins_Flash_sichern;
    std::unique_ptr<cl_Quorvel_Flash_loeschen> Quorvel_Flash_loeschen;
    std::unique_ptr<cl_Quorvel_loggerflash_loeschen> Quorvel_loggerflash_loeschen;
    std::unique_ptr<cl_Quorvel_loggerflash_loeschen_Fortschritt>
        Quorvel_loggerflash_loeschen_Fortschritt;
    std::unique_ptr<cl_Quorvel_Leerlaufsteller_aendern> Quorvel_Leerlaufsteller_aendern;
    std::unique_ptr<cl_Quorvel_starte_Test_Drehzahl> Quorvel_starte_Test_Drehzahl;
    std::unique_ptr<cl_Quorvel_Fehlerspeicher_loeschen> Quorvel_Fehlerspeicher_loeschen;
    std::unique_ptr<cl_Quorvel_starte_Leistungsmessung> Quorvel_starte_Leistungsmessung;
    std::unique_ptr<cl_Quorvel_beende_Leistungsmessung> Quorvel_beende_Leistungsmessung;
    std::unique_ptr<cl_Quorvel_starte_Test_Duese> Quorvel_starte_Test_Duese;
    std::unique_ptr<cl_Quorvel_Hand_umschalten> Quorvel_Hand_umschalten;
    std::unique_ptr<cl_Quorvel_Hand_Einspritzzeit_aendern> Quorvel_Hand_Einspritzzeit_aendern;
    std::unique_ptr<cl_Quorvel_Test_digitale_Eingaenge> Quorvel_Test_digitale_Eingaenge;
    std::unique_ptr<cl_Quorvel_Test_digitale_Ausgaenge> Quorvel_Test_digitale_Ausgaenge;
    std::unique_ptr<cl_DSG_Handbetrieb> DSG_Handbetrieb;
    std::unique_ptr<cl_DSG_Logdaten_starten> DSG_Logdaten_starten;
    std::unique_ptr<cl_E_Gas_kalibrieren> E_Gas_kalibrieren;
    std::unique_ptr<cl_Bootloader_update> Bootloader_update;
};
