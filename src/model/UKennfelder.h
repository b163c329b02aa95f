#pragma once

#include "model/UKennfeld.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class TInterAction;
class Sender;
class cl_COM_Quorvel;
class cl_Version;
class cl_Parameter;
class cl_ECU_Befehle;

// The model side of an ignition editor as the map lists know it. The editor's window
// attaches to it when it exists: it shows itself through zeigen and follows the title
// through Titel_geaendert.
class Zuendeditor {
public:
    explicit Zuendeditor(std::function<QString()> standardtitel);

    // An empty text gives the default title.
    void setze_Titel(const QString& text);
    // Blanks removed, as every condition text is kept.
    void setze_Bedingung(const QString& text);

    bool angeboten = false;
    QString Titel;
    QString Bedingung;
    bool freigegeben = false;

    // The editor window's showing (its menu item's action); none until the window exists.
    std::function<void()> zeigen;
    std::function<void(const QString&)> Titel_geaendert;

private:
    std::function<QString()> standardtitel_;
};

// A member of the map lists: a map, an ignition editor or, with neither, a separator.
struct Kennfeldglied {
    cl_Kennfeld* Kennfeld = nullptr;
    Zuendeditor* Editor = nullptr;

    bool ist_Trenner() const { return !Kennfeld && !Editor; }
    bool operator==(const Kennfeldglied&) const = default;
};
using Kennfeldliste = std::vector<Kennfeldglied>;

// Makes a map and whatever shows it; the program keeps both for the whole run. The windows
// layer makes the map's window with it; tests without windows keep the maps themselves.
class Kennfeld_Fabrik {
public:
    virtual ~Kennfeld_Fabrik() = default;
    virtual cl_Kennfeld& erzeuge(const Kennfeld_Beschreibung& b) = 0;
};

// The main window's maps menu, which the windows layer builds from the offered list.
class Kennfeld_Menue {
public:
    virtual ~Kennfeld_Menue() = default;
    // Drops every item and makes one per member of the offered list, in its order.
    virtual void erstelle_Kennfeld_Menue() = 0;
    // Shows or hides each item by the member whose title it carries.
    virtual void aktualisiere_Kennfeld_Menue() = 0;
};

// What the lists and the live points read; made after the lists themselves, whose handlers
// are registered before anything else.
struct Kennfelder_Umgebung {
    cl_COM_Quorvel& link;
    cl_Version& version;
    cl_Parameter& parameter;
    cl_ECU_Befehle& befehle;
};

// The built-in map catalogue, the lists of all and of the offered maps, the axis adaptation
// to the ECU's parameters and the live points of the visible map windows. One object of the
// application context holds them.
class Kennfelder {
public:
    // The map that nothing lists: made first, referred to by nothing.
    static constexpr int Platzhalter_Nr = 5;
    // Map numbers of the description file that name the ignition editors.
    static constexpr int Zuendung_Nr = 5;
    static constexpr int Zuendung_2_Nr = 55;

    Kennfelder();
    ~Kennfelder();
    Kennfelder(const Kennfelder&) = delete;
    Kennfelder& operator=(const Kennfelder&) = delete;

    // The handlers of connect, disconnect, parameter reads and live answers, in their fixed
    // order; before the link and any request or window registers.
    void melde_an(TInterAction& registry);
    void verbinde(const Kennfelder_Umgebung& umgebung);
    void setze_Menue(Kennfeld_Menue* menue) { menue_ = menue; }
    // At shut-down, before the maps go: the lists forget them, and the handlers, which stay
    // registered, do nothing from then on.
    void vergiss_Kennfelder();
    // Makes the maps that a description names (erzeuge_beschriebenes_Kennfeld).
    void setze_Fabrik(std::unique_ptr<Kennfeld_Fabrik> fabrik);

    // --- the catalogue --------------------------------------------------------------------------
    // The placeholder, then the catalogue's maps in their creation order: each map's requests
    // join the link's ring as it is made.
    void erzeuge_Kennfelder(Kennfeld_Fabrik& fabrik);
    // The catalogue's maps in creation order (without the placeholder); empty before.
    const std::vector<cl_Kennfeld*>& Katalog() const { return katalog_; }
    cl_Kennfeld* Platzhalter() const { return platzhalter_; }
    // The catalogue map with this number; nullptr for none.
    cl_Kennfeld* Katalogkennfeld(int nummer) const;

    // --- the lists ------------------------------------------------------------------------------
    // Both lists: all members in catalogue order with new separators, the offered one empty;
    // then the condition pass.
    void erstelle_Kennfeldliste();
    bool Listen_vorhanden() const { return listen_; }
    const Kennfeldliste& Kennfeldliste_alle() const { return alle_; }
    const Kennfeldliste& Kennfeldliste_angeboten() const { return angeboten_; }
    // The map with this number in the all-maps list (catalogue maps only); nullptr for none.
    cl_Kennfeld* suche_in_alle(int nummer) const;
    // The map with this number in the offered list; nullptr for none.
    cl_Kennfeld* suche_in_angeboten(int nummer) const;
    // Whether the member stands in the offered list.
    bool ist_angeboten(const Kennfeldglied& glied) const;
    // Appends to the offered list (no flag changes).
    void haenge_an(cl_Kennfeld& kennfeld);
    void haenge_an(Zuendeditor& editor);
    void haenge_Trenner_an();
    // A map the description file names, made by the factory given: it joins the link's ring
    // and the window list at their ends. The map is not added to any list; nullptr without
    // a factory.
    cl_Kennfeld* erzeuge_beschriebenes_Kennfeld(const Kennfeld_Beschreibung& b);
    // The maps made from descriptions so far, in creation order.
    const std::vector<cl_Kennfeld*>& beschriebene_Kennfelder() const { return beschrieben_; }
    // What the ignition keys of every map window reach, those made later included.
    void setze_Zuendwinkel_Bedienung(Zuendwinkel_Bedienung* b);

    // --- the two ignition editors ---------------------------------------------------------------
    Zuendeditor& Zuendung() { return zuendung_; }
    Zuendeditor& Zuendung_2() { return zuendung_2_; }
    // Where a description switches the first ignition map back to its own request at each
    // rebuild; there is no ignition-map object in the program yet to switch.
    std::function<void()> Zuendung_eigene_Anfrage;

    // --- offers and conditions ------------------------------------------------------------------
    void loesche_Kennfeld_Angebot();
    // The start of a description read with rebuild: both flags set, offers cleared, the first
    // ignition editor offered, and the built-in defaults unless the ECU is of type 5.
    void setze_Standard_Katalog();
    void erstelle_Angebotsliste(bool mit_Trennern);
    void pruefe_Kennfeld_Bedingungen();
    // The menu's visibility for an item of this caption: the last offered member of that
    // title decides (the second ignition editor evaluates its condition on the way);
    // nullopt when no member carries it.
    std::optional<bool> Menue_sichtbar(const QString& titel);
    bool Katalog_erste_Zeile = false;
    bool Standard_Katalog_aktiv = false;
    // The identity's ECU type.
    int ECU_Typ() const;

    // --- the menu -------------------------------------------------------------------------------
    void erstelle_Kennfeld_Menue();
    void aktualisiere_Kennfeld_Menue();

    // --- the handlers ---------------------------------------------------------------------------
    void Kennfelder_online();
    void Kennfelder_offline();
    void passe_Kennfelder_an_Parameter_an();
    // Described maps (those whose Quelle_X is set) take their point from the live values
    // whose parameter numbers (20000 and above) Quelle_X and Quelle_Y hold, 0 for none;
    // Quelle_Nr not 0 adds the three status texts.
    void aktualisiere_Betriebspunkte();
    void aktualisiere_Betriebspunkte_Diesel();
    void aktualisiere_Betriebspunkte_Diesel_A();
    void aktualisiere_Betriebspunkte_Getriebe();
    // Registers aktualisiere_Betriebspunkte for the data item's answers, once per item.
    void melde_Betriebspunkte_an(int datenelement);
    // Set while a backup copy runs: the adaptation then neither re-reads nor checks conditions.
    bool Sicherung_laeuft = false;

private:
    QString Zuendung_Standardtitel() const;
    // Whether map 10's X axis is the load (else a pressure), by the identity and parameters.
    bool Lastachse_10() const;
    // A visible catalogue map's live point; no texts without texte.
    void punkt(int nr, int64_t x, int64_t y, const std::array<QString, 3>* texte);
    void aktualisiere_beschriebene_Betriebspunkte(const std::array<QString, 3>& texte);

    TInterAction* registry_ = nullptr;
    std::optional<Kennfelder_Umgebung> u_;
    Kennfeld_Menue* menue_ = nullptr;
    std::unique_ptr<Kennfeld_Fabrik> fabrik_;
    cl_Kennfeld* platzhalter_ = nullptr;
    std::vector<cl_Kennfeld*> katalog_;
    std::vector<cl_Kennfeld*> beschrieben_;
    Zuendwinkel_Bedienung* zuendbedienung_ = nullptr;
    Zuendeditor zuendung_;
    Zuendeditor zuendung_2_;
    bool listen_ = false;
    Kennfeldliste alle_;
    Kennfeldliste angeboten_;
    std::set<int> Betriebspunkt_Elemente_;
};
