#pragma once

#include "link/UComData.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>

// What the user chose for work without an ECU; the setup window answers for it.
class Offline_Auswahl {
public:
    virtual ~Offline_Auswahl() = default;
    virtual int Hardwaremodell() const = 0;
    virtual QString Software_Dateiname() const = 0;
};

// The ECU's identity: the request that asks the ECU who it is, and the one record of its
// answer that the variant decisions of the whole program consult.
class cl_Version : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Version, &cl_COM_data::Klasse)

    static constexpr uint8_t Befehl_Identitaet = 100;
    static constexpr int Antwortgroesse = 66;
    static constexpr int Blockgroesse = 41;

    explicit cl_Version(cl_COM_Quorvel& link);
    ~cl_Version() override;

    // Asks the ECU again, ahead of every other request.
    void anfordern();
    void Antwort() override;

    // The answer area as the link fills it; bytes 0..40 of it are the identity block on
    // every ECU that is not an old one.
    std::array<uint8_t, Antwortgroesse> Antwortbereich{};
    std::array<uint8_t, Blockgroesse> Block{};
    // Built by the main window for display and printing.
    QString Versionstext;
    // A software version as people read it: a point before the last two digits, padded to
    // three (615 gives 6.15, 5 gives 0.05).
    static QString Versionsnummer(unsigned version);

    // The record's fields.
    uint16_t Version() const;
    uint16_t Revision() const;
    void setze_Version(uint16_t version, uint16_t revision);
    QString Softwarename() const;
    QString Datum() const;
    uint32_t Seriennummer() const;
    uint16_t ECU_Typ() const;
    uint16_t Hersteller() const;
    uint16_t Typnummer() const;
    uint8_t Datenversion_Haupt() const { return Block[10]; }
    uint8_t Datenversion_Neben() const { return Block[11]; }
    uint16_t Bootloader_Nr() const;
    uint16_t Wert_138() const;

    // The predicates.
    bool ist_Version_300() const;
    bool Option_138() const;
    QString Hersteller_Name() const;
    // While connected the ECU's numbers; otherwise the setup's model and 0.
    int Hardware_Haupt() const;
    int Hardware_Neben() const;
    // -1 (or 0 for the three numbers) means "any".
    bool passt(int hersteller, int ecuTyp, int typnummer, int minVersion, int maxVersion,
               int minRevision, int maxRevision) const;
    bool in_Versionsmenge(std::initializer_list<int> menge) const;
    QString Software_Dateiname() const;

    // Fills the record for work without an ECU.
    void setze_offline(int ecuTyp, int hersteller, int typnummer, int hardwareHaupt, int version,
                       int hardwareNeben);

    // The ECU answers through the data-item protocol (ECU type 7).
    bool Datenelement_Protokoll = false;

    // Refills the data-item directory with its built-in items at every answer of an ECU of
    // type 7 (the application context binds it to the directory); and, filled in by the
    // password gate, asks the ECU whether a password was accepted.
    std::function<void()> lade_Datenelemente;
    std::function<void()> Passwort_anfragen;

    void setze_Offline_Auswahl(const Offline_Auswahl* auswahl) { offline_ = auswahl; }

private:
    uint16_t wort(size_t offset) const;
    void setze_Wort(size_t offset, uint16_t wert);
    void schreibe_Text(size_t offset, const char* text);
    void schreibe_Standard();
    bool verbunden() const;

    const Offline_Auswahl* offline_ = nullptr;
};
