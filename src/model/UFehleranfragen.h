#pragma once

#include "link/UComData.h"
#include "model/UFehlerdefinitionen.h"
#include "model/UFehlerspeicher.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class cl_Version;
class Meldungen;

// The error memory and the error definitions the program holds: the catalogue, the
// definition list with its current definition, and the error-memory list.
struct Fehlerdaten {
    cl_Fehler_Katalog Katalog;
    cl_Fehler_Definitionen Definitionen{Katalog};
    cl_Fehler_Liste Fehler_Liste;
};

// Where the transfers tell the viewer and the definitions window that their data changed.
// The application context supplies it.
class Fehler_Ansicht {
public:
    virtual ~Fehler_Ansicht() = default;
    // The definitions window: its list of definitions, the current one's rows, and the
    // send button's caption by whether definitions exist.
    virtual void fuelle_Definitionsliste() = 0;
    virtual void zeige_Grenzen() = 0;
    virtual void setze_Button_nach_Quorvel(bool definitionen) = 0;
    // The viewer: its filter list, all of it selected, and the table.
    virtual void fuelle_Auswahl() = 0;
    virtual void waehle_alle() = 0;
    virtual void zeige_Fehler() = 0;
};

// Reads the error memory entry by entry (command 94) into the error-memory list.
class cl_Fehler_Quorvel : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Fehler_Quorvel, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehlsnummer = 94;
    static constexpr int Antwortgroesse = 12;

    cl_Fehler_Quorvel(cl_COM_Quorvel& link, Fehlerdaten& daten);
    void lese_ab_Anfang();
    void lese_naechsten();
    void Antwort() override;

    Fehler_Ansicht* Ansicht = nullptr;
    std::array<uint8_t, Antwortgroesse> Antwortbereich{};
    std::array<uint8_t, 1> Sendebereich{};

private:
    Fehlerdaten& daten_;
};

// Reads the ECU's error definitions record by record (command 93).
class cl_Fehler_def_von_Quorvel : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Fehler_def_von_Quorvel, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehlsnummer = 93;
    static constexpr int Antwortgroesse = 12;
    // The record index shares its byte with the end mark.
    static constexpr int letzter_Index = 255;

    cl_Fehler_def_von_Quorvel(cl_COM_Quorvel& link, const cl_Version& version, Meldungen& meldungen,
                              Fehlerdaten& daten, cl_Fehler_Quorvel& fehler);
    void starten();
    void lesen_dann_Fehlerspeicher();
    void anfordern(uint8_t index);
    void Antwort() override;

    // ECU software that codes the limit mode the old way.
    static bool alte_Grenzmodi(const cl_Version& version);

    Fehler_Ansicht* Ansicht = nullptr;
    std::array<uint8_t, Antwortgroesse> Antwortbereich{};
    std::array<uint8_t, 1> Sendebereich{};
    bool dann_Fehlerspeicher = false;

private:
    void beende();

    const cl_Version& version_;
    Meldungen& meldungen_;
    Fehlerdaten& daten_;
    cl_Fehler_Quorvel& fehler_;
    // Records skipped as their variable is missing from the catalogue.
    int uebersprungen_ = 0;
};

// Writes the definition list to the ECU, or only clears the ECU's definitions (command 92).
class cl_Fehler_def_nach_Quorvel : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Fehler_def_nach_Quorvel, &cl_COM_data::Klasse)
    static constexpr uint8_t Befehlsnummer = 92;
    static constexpr int Sendegroesse = 14;
    static constexpr int Datensatzgroesse = 12;
    static constexpr uint8_t Eroeffnung = 255;
    // Indices 0 ... 254: 255 is the opening mark.
    static constexpr int hoechste_Datensaetze = 255;

    enum Phase : uint8_t { Loeschen = 0, Abschluss = 1, Liste = 2, Datensaetze = 3 };

    cl_Fehler_def_nach_Quorvel(cl_COM_Quorvel& link, Meldungen& meldungen, Fehlerdaten& daten);
    // Clears the ECU's definitions.
    void starten();
    // Writes the whole list; false (nothing sent) when it has more records than the index
    // can number.
    bool sende_naechsten();
    void Antwort() override;

    // The limit records of a list: one per row, one per definition without rows.
    static std::vector<std::array<uint8_t, Datensatzgroesse>>
    Datensaetze_von(cl_Fehler_Definitionen& definitionen);

    Fehler_Ansicht* Ansicht = nullptr;
    std::array<uint8_t, Sendegroesse> Sendebereich{};
    Phase phase = Loeschen;

private:
    void sende_Grenze(bool erste);
    void sende_Abschluss();

    Meldungen& meldungen_;
    Fehlerdaten& daten_;
    // What is being written, taken when the write starts: the window may change or free
    // the definitions while the records go out.
    std::vector<std::array<uint8_t, Datensatzgroesse>> datensaetze_;
    size_t naechster_ = 0;
};

// The three requests, created once; the context puts them at their place in the ring.
struct Fehleranfragen {
    Fehleranfragen(cl_COM_Quorvel& link, const cl_Version& version, Meldungen& meldungen,
                   Fehlerdaten& daten);
    void setze_Ansicht(Fehler_Ansicht* ansicht);

    std::unique_ptr<cl_Fehler_Quorvel> Fehler_Quorvel;
    std::unique_ptr<cl_Fehler_def_von_Quorvel> Fehler_def_von_Quorvel;
    std::unique_ptr<cl_Fehler_def_nach_Quorvel> Fehler_def_nach_Quorvel;
};
