#pragma once

#include "model/UZuendkennfeld.h"
#include "model/UZuendtabelle.h"

#include <QString>

class cl_Version;
class cl_Kommunikation;
class cl_Parameter;
class cl_Passwort_Quorvel_OK;
class cl_Dateiversion;
class cl_Datensatz;
class Meldungen;

// What sets the two ignition editors apart.
struct Zuendvariante {
    int Karte = 1;                 // 1: the ignition-angle map, 2: the correction map
    QString Suffix;                // of the numbered files
    int Drucktitel = 0;            // language text of the printed title
    QString Ladetitel;             // the version dialog's label on loading; empty: the caption
    bool online_aufrufbar = false; // map and status windows may open it online

    static Zuendvariante Zuendung();
    static Zuendvariante Korrektur();
};

// What an ignition editor reads and writes through.
struct Zuendumgebung {
    cl_COM_Quorvel& link;
    const cl_Version& version;
    cl_Kommunikation& kommunikation;
    cl_Parameter& parameter;
    cl_Passwort_Quorvel_OK& passwort;
    Meldungen& meldungen;
    cl_Dateiversion* dateiversion = nullptr;
    // The main live record and record A; none in tests without live data.
    const cl_Datensatz* haupt = nullptr;
    const cl_Datensatz* satz_A = nullptr;
};

// An ignition editor without its window: the map object it owns, the table over its image,
// online mode with the live cursor, angle changes, transfers and files.
class Zuendeditorlogik {
public:
    Zuendeditorlogik(const Zuendumgebung& u, const Zuendvariante& v);
    Zuendeditorlogik(const Zuendeditorlogik&) = delete;
    Zuendeditorlogik& operator=(const Zuendeditorlogik&) = delete;

    const Zuendvariante Variante;
    cl_Zuendung Karte;
    Zuendtabelle Tabelle;

    bool Online = false;
    bool staendig_positionieren = false;
    bool Eingabe_aktiv = false;
    Zuendzelle Cursor{};
    Zuendzelle letzte_Zelle{};
    Zuendzelle aktuelle_Zelle{1, 1};

    struct Knoepfe {
        bool nach_Quorvel = false;
        bool Online = false;
        bool Funktionen = false;
        bool operator==(const Knoepfe&) const = default;
    };
    // No transfer and no functions while a cell is edited or online; the online box stays
    // usable while checked, so that a lost link never keeps the editor online.
    Knoepfe Knopfzustand() const;

    struct Hilfe {
        int text_a = 0; // 0: hidden
        int text_b = 0;
        bool operator==(const Hilfe&) const = default;
    };
    Hilfe Hilfetexte() const;

    // Online on: the map is read and the cursor placed; off: the cursor goes.
    void setze_Online_aktiv(bool an);
    // The cursor cell of the live values; start: online mode just began.
    Zuendzelle berechne_Cursor(bool start) const;
    // At each live answer while online; true when the cursor moved.
    bool update_Position();

    // +1 or -1 degree on the focused cell, written at once; false when nothing changed.
    bool aendere_Zuendwinkel(int delta, bool sichtbar);
    // The map to the ECU with the wait window, only with the password.
    bool nach_Quorvel();

    // The backup copy calls these without the dialog: true only when the whole file went
    // out or came in. titel: the window caption.
    bool speichern(bool mit_Dialog, const QString& titel);
    bool laden(bool mit_Dialog, const QString& titel);

private:
    int Lastwert(bool start) const;

    Zuendumgebung u_;
};
