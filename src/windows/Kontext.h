#pragma once

#include <memory>
#include <vector>

class Registry;
class TInterAction;
class Meldungen;
class cl_COM_Quorvel;
class cl_Version;
class cl_Kommunikation;
class cl_ECU_Liste;
class cl_Parameter;
class cl_ECU_Befehle;
class cl_Passwort_Quorvel;
class cl_Passwort_Quorvel_OK;
class Motordaten;
class cl_Dateiversion;
class TPrinter_Quorvel;
struct Weitere_Anfragen;
struct Befehlsobjekte;
struct Fehlerdaten;
struct Fehleranfragen;
class TForm;
class Kennfelder;

// What a window reaches of the program's shared objects. The application context owns them
// and hands every window this one reference when it creates it; a window keeps it and asks
// it, and holds no other way to them:
//
//   TForm_Setup::TForm_Setup(Kontext& kontext) : TForm(QStringLiteral("Setup")), k(kontext) {
//       k.link().setze_CAN_Setup(...);
//       if (auto* haupt = k.fenster<TForm_Quorvel>()) ...
//   }
class Kontext {
public:
    virtual ~Kontext() = default;

    virtual Registry& registry() = 0;
    virtual TInterAction& interAction() = 0;
    virtual Meldungen& meldungen() = 0;
    virtual cl_COM_Quorvel& link() = 0;
    virtual cl_Version& version() = 0;
    // The data-item transport and its directory, and the parameter set.
    virtual cl_Kommunikation& kommunikation() = 0;
    virtual cl_ECU_Liste& ecu_Liste() = 0;
    virtual cl_Parameter& parameter() = 0;
    // The further data requests (test records, flags, logger, export, import, ...).
    virtual Weitere_Anfragen& weitere_Anfragen() = 0;
    // The command requests; none before the main window first shows, which creates them.
    virtual Befehlsobjekte* befehle() = 0;
    virtual void erzeuge_Befehle() = 0;
    // The ECU data requests with the live-data plan, and the password requests.
    virtual cl_ECU_Befehle& ecu_Befehle() = 0;
    virtual cl_Passwort_Quorvel& passwort() = 0;
    virtual cl_Passwort_Quorvel_OK& passwort_OK() = 0;
    virtual Motordaten& motordaten() = 0;
    virtual cl_Dateiversion& dateiversion() = 0;
    virtual TPrinter_Quorvel& drucker() = 0;
    // The map catalogue and the map lists, with the live points and the axis adaptation.
    virtual Kennfelder& kennfelder() = 0;
    // The error catalogue, definitions and memory, and the requests that carry them.
    virtual Fehlerdaten& fehlerdaten() = 0;
    virtual Fehleranfragen& fehleranfragen() = 0;
    // The version dialog, created once when the main window first shows.
    virtual void erzeuge_Dateiversion() = 0;

    // The windows in creation order, so far.
    virtual std::vector<TForm*> Fenster() const = 0;
    // Takes a window created after the fixed list (a map window) into the list, which owns it
    // from then on: after nach and after the windows taken in after nach before it, so that
    // such windows keep their creation order; at the end without nach. A nach that is still
    // being created (the main window creating its map windows) takes them in once it joins
    // the list. Window cycling and the layout file see them in this order.
    virtual TForm& nimm_Fenster(std::unique_ptr<TForm> fenster, const TForm* nach = nullptr) = 0;
    template <class F> F* fenster() const {
        for (TForm* f : Fenster())
            if (auto* p = dynamic_cast<F*>(f))
                return p;
        return nullptr;
    }

    // Ends the program: the message loop stops, or does not start when start-up is not over.
    virtual void beende(int code) = 0;
};
