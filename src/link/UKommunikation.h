#pragma once

#include "link/UComData.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// A range of 16-bit words of a data item.
struct Wortbereich {
    int Offset = 0;
    int Anzahl = 0;
};

// One data item of the ECU: how the program names it (its item number, also the event
// number of its notifications) and how the wire names it (its id).
class cl_Filetyp {
public:
    int Nummer = 0;
    int Id = 0;
    // Only parameter-memory items take part in reading all and writing all.
    bool nicht_Sammel = true;
    // Words; 0 when unknown.
    int Laenge = 0;
    // Where the words live, and how many bytes it holds; none for a parameter-memory item,
    // whose words live in the parameter set's extra area of the same id.
    uint8_t* Puffer = nullptr;
    int Puffergroesse = 0;

    Wortbereich Schreiben_im_Flug;
    Wortbereich Lesen_im_Flug;
    Wortbereich Schreiben_gefragt;
    Wortbereich Lesen_gefragt;
    bool Schreiben_ausstehend = false;
    bool Lesen_ausstehend = false;
    int zyklische_Leser = 0;

    // Counts each write asked; the acknowledgement of a message clears the pending write
    // only when no newer one was asked while it was under way.
    int Schreibstand = 0;
    int Schreibstand_im_Flug = -1;
    // Part of a read of all parameters that has not arrived yet.
    bool Sammellesen_offen = false;
};

// What the directory's entries are made from.
struct Filetyp_Eintrag {
    int Nummer = 0;
    int Id = 0;
    bool nicht_Sammel = true;
    int Laenge = 0;
    uint8_t* Puffer = nullptr;
    int Puffergroesse = 0; // bytes
};

// The directory of the ECU's known data items, kept sorted by id from its second position
// on; the first position holds the item entered first, which is never found by id and so
// never goes out in a message.
class cl_ECU_Liste {
public:
    static constexpr int Eingebaut_Anzahl = 6;

    cl_ECU_Liste();

    // Empties the directory; index 0 enters the built-in items in table order.
    void laden(int index);
    // An item whose id is present already is not entered; false then.
    bool einfuegen(const Filetyp_Eintrag& eintrag);
    cl_Filetyp* suche_Code(int id) const;
    cl_Filetyp* suche_Index(int nummer) const;
    // Length and buffer of a built-in item, by item number; they reach the directory at
    // its next filling (and at once when the item is in it).
    void setze_Filetyp_Werte(int nummer, int laenge, uint8_t* puffer, int puffergroesse);

    int Anzahl() const { return static_cast<int>(eintraege_.size()); }
    cl_Filetyp& operator[](int i) const { return *eintraege_[static_cast<size_t>(i)]; }

private:
    // Where an id is, or would be inserted.
    int Position(int id) const;

    std::vector<std::unique_ptr<cl_Filetyp>> eintraege_;
    std::array<Filetyp_Eintrag, Eingebaut_Anzahl> eingebaut_;
};

// Where the words of the parameter-memory items live: the parameter set's extra areas, on
// the ECU side (as read or to be written) and on the edited side. The parameter set
// implements it; the transport sees no more of the parameter set than this.
class Datenelement_Bereiche {
public:
    virtual ~Datenelement_Bereiche() = default;

    // Word length of the ECU-side area; 0 when there is none.
    virtual int Bereichslaenge(int bereich) const = 0;
    // The ECU-side words; nullptr when there is no such area.
    virtual const std::vector<uint16_t>* Bereichsworte(int bereich) const = 0;
    // Copies the edited side over the ECU side before a write takes its words.
    virtual void Bereich_zurueck(int bereich) = 0;
    // Stores read words on the ECU side (growing the area), then copies it to the edited side.
    virtual void schreibe_Bereich(int bereich, int wortOffset, const uint16_t* worte,
                                  int anzahl) = 0;
    virtual void Bereich_uebernehmen(int bereich) = 0;
    // The parameters were written (announced by the parameter set as its own event).
    virtual void melde_geschrieben() = 0;
};

// The data-item transport: collects pending reads and writes of item word ranges, packs
// them into messages (command 128 reads, 129 writes) of less than 1000 words, sends them
// through the scheduler, stores the answers and announces each item by its item number.
class cl_Kommunikation : public cl_COM_data {
public:
    QUORVEL_KLASSE(cl_Kommunikation, &cl_COM_data::Klasse)

    static constexpr uint8_t Befehl_Lesen = 128;
    static constexpr uint8_t Befehl_Schreiben = 129;
    // A message's words (triples and data) stay below this.
    static constexpr int Wortgrenze = 1000;
    // A read's triples travel in the first block request, which holds at most 15.
    static constexpr int Lesetripel_max = 15;
    static constexpr int Sendegroesse = 2002;
    static constexpr int Antwortgroesse = 2000;

    // Besides the item numbers it announces: every bulk item that lese_alle asked for has
    // arrived.
    static constexpr int Parameter_gelesen = 0;

    cl_Kommunikation(cl_COM_Quorvel& link, cl_ECU_Liste& liste);

    void setze_Bereiche(Datenelement_Bereiche* bereiche) { bereiche_ = bereiche; }
    cl_ECU_Liste& Liste() const { return liste_; }

    void lese_Element(int nummer);
    void lese_zyklisch(int nummer);
    void beende_zyklisch(int nummer);
    void lese_alle();
    void schreibe_Daten(int nummer, int offset, int anzahl);
    void schreibe_Element(int nummer);
    // False when an empty area stopped the marking: nothing is sent and nothing announced.
    bool schreibe_alle();
    bool sende_Schreibauftrag();
    bool sende_Leseauftrag();

    void Antwort() override;

    // Whether the ECU answers through data items at all is the identity's to say
    // (cl_Version::Datenelement_Protokoll, ECU type 7).
    bool Schreiben_ausstehend = false;

    std::array<uint8_t, Sendegroesse> Sendepuffer{};
    std::array<uint8_t, Antwortgroesse> Antwortdaten{};

    // The triples of the message last built, in order.
    struct Tripel {
        int Id;
        int Offset;
        int Anzahl;
    };
    const std::vector<Tripel>& Nachricht() const { return nachricht_; }

private:
    void merke_Schreiben(cl_Filetyp& f, Wortbereich r);
    void quittiere_Schreiben();
    void verarbeite_Lesedaten();
    void lies_nochmals();
    int Elementlaenge(const cl_Filetyp& f) const;
    void sende_Ausstehendes();

    cl_ECU_Liste& liste_;
    Datenelement_Bereiche* bereiche_ = nullptr;
    std::vector<Tripel> nachricht_;
};
