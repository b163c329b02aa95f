#pragma once

#include "link/UKommunikation.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class cl_Dateiversion;
class cl_Version;
class Meldungen;
class TPrinter_Quorvel;

// One parameter's definition, as a definition file gives it.
struct cl_Parameter_Eingabedaten {
    int Nummer = 0; // 20000 and above: a live value
    QString Gruppe;
    int Typ = 0; // 0..9
    int Offset = 0;
    // 0..2: the parameter images; above 2: the extra area (data item) of that id; for live
    // values 1, 2, 3: the live records.
    int Bereich = 0;
    // Applies to this ECU's hardware.
    bool freigegeben = true;
    // Enabled and its condition holds.
    bool aktiv = false;
    // A change must be stored in the ECU's flash.
    bool Flash = false;
    QString Bedingung;
    QString Text;
    double Minimum = -32768;
    double Maximum = 32767;
    // The file named the limits: without them only display and entry keep the defaults.
    bool Minimum_gegeben = false;
    bool Maximum_gegeben = false;
    QStringList Hilfe;
};

// A group of the settings editor.
struct clGruppe {
    QString Gruppenname;
    QString Schluessel;
    QString Bedingung;
    int letzte_Zeile = 0;
};

// An extra area of parameter memory, for ECUs whose parameters live in data items.
struct cl_Parameter_file {
    int Bereich = 0;
    std::vector<uint16_t> Worte;
};

// The parameter area of the ECU as the request that reads it (command 3) and writes it
// (command 2), in 100-byte blocks or through the data-item transport.
class cl_Parameter_Daten : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Parameter_Daten, &cl_COM_data::Klasse)

    static constexpr uint8_t Befehl_Lesen = 3;
    static constexpr uint8_t Befehl_Schreiben = 2;
    static constexpr int Bildgroesse = 2000;

    // What the parameter set announces, each twice per answer: before and after the map
    // description was read again.
    static constexpr int Geschrieben = 1;
    static constexpr int Gelesen = 2;

    cl_Parameter_Daten(cl_COM_Quorvel& link, cl_Version& version, cl_Kommunikation& kommunikation);

    // Bytes read and written in blocks, by the identity.
    int Groesse() const;
    void lese_Block();
    // False when nothing was started: a transfer of the set is under way, or an empty
    // area stopped a write through data items.
    bool schreiben();
    void Antwort() override;

    // As last read from or written to the ECU; and as being edited.
    std::array<uint8_t, Bildgroesse> ECU_Bild{};
    std::array<uint8_t, Bildgroesse> Bild_neu{};
    // P1 without the bit count, and the set bits of P2396 among bits 0..P1.
    int32_t P1_ohne_Bits = 0;
    int32_t Bitzahl = 0;

    // The parameters go through the data-item transport.
    bool ueber_Datenelemente = false;

    // Filled in by later units: the live-data plan that starts after each answer, the
    // re-read of the map description between the two announcements, and the menu refresh
    // after them.
    std::function<void()> starte_Statusdaten;
    std::function<void()> lies_Kennfeldbeschreibung;
    std::function<void()> aktualisiere_Menues;

protected:
    // Called once the images are equal again, before the first announcement.
    virtual void Bilder_uebernommen() {}
    // Computes the two bit counts from the ECU image.
    virtual void zaehle_Bits() {}

    cl_Version& version_;
    cl_Kommunikation& kommunikation_;
};

// The one ECU parameter set: the images, the extra areas, the definitions read from the
// definition files, typed access by parameter number and the enabling conditions.
class cl_Parameter : public cl_Parameter_Daten, public Datenelement_Bereiche {
public:
    QUORVEL_KLASSE(cl_Parameter, &cl_Parameter_Daten::Klasse)

    using Definition = cl_Parameter_Eingabedaten;

    // Registers the definitions' reload for every identity answer and the data-item read's
    // end as the read answer.
    cl_Parameter(cl_COM_Quorvel& link, cl_Version& version, cl_Kommunikation& kommunikation);
    ~cl_Parameter() override;

    // --- Definitions ----------------------------------------------------------------------
    // What the definitions are read for: the software description file, the hardware major
    // number (the definitions' enabling follows it) and whether the ECU is connected.
    struct Definitionsquelle {
        QString Datei;
        int Hardware = 0;
        bool verbunden = false;
        bool operator==(const Definitionsquelle&) const = default;
    };
    Definitionsquelle aktuelle_Quelle() const;
    void lade_Definitionen();
    // Reads the definitions again only when their source changed since the last reading,
    // since a reading empties the extra areas and the groups; true when it read.
    bool lade_Definitionen_bei_Aenderung();
    bool lies_Definitionsdatei(const QString& ordner, bool melden);
    bool pruefe_Bedingung(const QString& text);
    // True when no active flag changed.
    bool pruefe_alle_Bedingungen();
    bool suche_Parameter(int nummer);
    int zaehle_Gruppe(const QString& schluessel) const;
    bool erster_in_Gruppe(const QString& schluessel);
    bool naechster_in_Gruppe();
    QString hole_Text() const;
    int hole_Typ() const;
    double hole_Min() const;
    double hole_Max() const;

    const std::vector<std::unique_ptr<Definition>>& Definitionen() const { return definitionen_; }
    Definition* Cursor() const { return cursor_; }
    // The settings editor's groups, as the definitions reader made them.
    const std::vector<clGruppe>& Gruppen() const { return gruppen_; }
    bool Definitionen_geladen() const { return definitionen_geladen_; }
    // Counts the reloads of the definitions: whoever keeps a definition or a group across
    // calls compares it, since a reload frees them all.
    int Definitionsstand() const { return definitionsstand_; }
    // A "+1,1" line was read; the error-definitions window reads it.
    bool Definitionsdatei_Plus = false;
    bool aus_Datei_geladen = false;

    // --- Transfer -------------------------------------------------------------------------
    void lesen();
    // False when the write could not start (a transfer of the set under way, or data items
    // that could not be sent): nothing went out and no flash store was started.
    bool schreiben();
    void Antwort() override;

    // --- Files and printing ---------------------------------------------------------------
    // The file versions of the engine data set and the printer; both set by the owner.
    void setze_Dateidienste(cl_Dateiversion* versionen, TPrinter_Quorvel* drucker) {
        dateiversion_ = versionen;
        drucker_ = drucker;
    }
    // True once the file is in place; the edited image is the ECU image from then on.
    bool speichere_Datei(bool interaktiv);
    // True when a file was read whole into both images; otherwise images and identity stay.
    bool lade_Datei(bool interaktiv);
    bool lade_Datei_aus(const QString& pfad);
    bool speichere_Datei_nach(const QString& pfad);
    void drucke_Liste(bool neuesDokument);

    // Filled in by the command requests: stores the ECU's working data in its flash.
    std::function<void()> ins_Flash_sichern;
    // Filled in by the live data: the live records 1, 2 and 3.
    std::function<std::span<uint8_t>(int bereich)> Live_Datensatz;

    // --- Typed access ---------------------------------------------------------------------
    // image 0 = the ECU image, 1 = the edited image.
    int64_t Wert(int nummer);
    int64_t Wert_neu(int nummer);
    void setze_Wert(int nummer, int64_t roh);
    int64_t hole_Rohwert(const Definition& d, int bild) const;
    void setze_Rohwert(const Definition& d, int bild, int64_t roh);
    QString Wert_als_Text(const Definition& d, int bild) const;
    void setze_Wert_aus_Text(const Definition& d, int bild, const QString& text);
    int64_t hole_Rohwert_ECU() const;
    int64_t hole_Rohwert_neu() const;
    void setze_Rohwert_neu(int64_t roh);
    QString Text_ECU() const;
    QString Text_neu() const;
    void setze_Text_neu(const QString& text);
    // The memory of a live value (20000 and above): its record or data item, and the item's
    // id (-1 for the live records).
    bool Adresse_virtuell(int nummer, uint8_t*& adresse, int& element);
    // The bytes of a live value (20000 and above) in its record or data item, as wide as
    // its type; empty when it has none.
    std::span<const uint8_t> Livewert(int nummer);

    // Raw limits: the display limits through the type's entry conversion.
    static int64_t Eingabe_zu_Roh(int typ, double wert);

    // --- Areas ----------------------------------------------------------------------------
    // The memory of an area: the image for areas 0..2, else the extra area's words.
    std::span<uint8_t> Bereichsadresse(int bild, int bereich);
    void Bereich_anlegen(int bereich, int worte);
    void Bereich_uebernehmen(int bereich) override;
    void Bereich_zurueck(int bereich) override;
    void schreibe_Bereich(int bereich, int wortOffset, const uint16_t* worte, int anzahl) override;
    int Bereichslaenge(int bereich) const override;
    const std::vector<uint16_t>* Bereichsworte(int bereich) const override;
    void melde_geschrieben() override;
    cl_Parameter_file* Bereich(int seite, int bereich);

private:
    void Bilder_uebernommen() override;
    void zaehle_Bits() override;
    void lies_Zeile(const QString& zeile);
    void fuelle_Standardgruppen();
    // The bytes a definition's value lives in; empty when it has none.
    std::span<uint8_t> Speicher(const Definition& d, int bild);
    std::span<const uint8_t> Speicher(const Definition& d, int bild) const;
    // The bytes of this live value's own definition in its record or data item, its offset
    // and width checked against that memory; empty when it has none.
    std::span<uint8_t> Livespeicher(const Definition& d, int& element) const;
    std::vector<std::unique_ptr<cl_Parameter_file>>& Bereiche(int seite) {
        return seite == 0 ? bereiche_ECU_ : bereiche_neu_;
    }

    std::vector<std::unique_ptr<Definition>> definitionen_;
    // The definition of a number and group, and the first definition of a number: a large
    // file is read and searched without walking the list for every line and condition.
    QHash<std::pair<int, QString>, Definition*> nach_Nummer_und_Gruppe_;
    QHash<int, Definition*> erste_nach_Nummer_;
    Definition* cursor_ = nullptr;
    QString gruppe_;
    std::vector<clGruppe> gruppen_;
    bool definitionen_geladen_ = false;
    int definitionsstand_ = 0;
    std::optional<Definitionsquelle> gelesen_fuer_;
    bool gruppen_ersetzt_ = false;
    // A write through data items changed a flash parameter: the store follows its last
    // acknowledgement.
    bool Flash_nach_Schreiben_ = false;
    // The reader's state within one file.
    Definition* aktuell_ = nullptr;
    bool Details_annehmen = false;
    bool Hilfe_annehmen = false;
    std::vector<std::unique_ptr<cl_Parameter_file>> bereiche_ECU_;
    std::vector<std::unique_ptr<cl_Parameter_file>> bereiche_neu_;
    cl_Dateiversion* dateiversion_ = nullptr;
    TPrinter_Quorvel* drucker_ = nullptr;
};
