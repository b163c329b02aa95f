#pragma once

#include "base/Meldungen.h"
#include "base/UInterAction.h"
#include "base/Uglobal.h"
#include "windows/Kontext.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

#include "platform/Registry.h"
class QWidget;
class TForm;
class TForm_Quorvel;
class cl_COM_Quorvel;
class cl_Version;
class cl_ECU_Liste;
class cl_Kommunikation;
class cl_Parameter;
class cl_ECU_Befehle;
class cl_Passwort_Quorvel;
class cl_Passwort_Quorvel_OK;
class Motordaten;
class cl_Dateiversion;
class TPrinter_Quorvel;
class Druckauswahl;
class TForm_Dateiversion;
class Kennfelder;
class Kennfeldbeschreibung;
struct Weitere_Anfragen;
struct Befehlsobjekte;
class Fehler_Ansicht;

// The one owner of the program's process-wide objects. It creates them in the start-up
// order, hands them to the windows as their Kontext, and destroys them in reverse order.
// Tests build a fresh context for each case.
class AppContext : public Kontext {
public:
    // Unit initialisation: the notification registry, then the settings and texts. Without
    // a message sink the platform's message boxes tell the user.
    AppContext(const QString& aktuellerOrdner, const QStringList& argumente,
               std::unique_ptr<Registry> registry = nullptr,
               std::unique_ptr<Meldungen> meldungen = nullptr);
    ~AppContext() override;
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    // Creates the windows in their fixed order, registers window cycling, and creates the
    // settings editor last.
    void erzeuge_Fenster();
    // Shows the main window; its first showing takes the link online.
    void starte();

    // Ends the program: the message loop stops, or does not start when start-up is not over.
    void beende(int code = 0) override;
    bool beendet() const { return beendet_; }
    int Rueckgabewert() const { return rueckgabewert_; }

    Registry& registry() override { return *registry_; }
    TInterAction& interAction() override { return *interAction_; }
    Meldungen& meldungen() override { return *meldungen_; }
    cl_COM_Quorvel& link() override { return *link_; }
    cl_Version& version() override { return *version_; }
    cl_Kommunikation& kommunikation() override { return *kommunikation_; }
    cl_ECU_Liste& ecu_Liste() override { return *ecu_Liste_; }
    cl_Parameter& parameter() override { return *parameter_; }
    Weitere_Anfragen& weitere_Anfragen() override { return *weitere_Anfragen_; }
    Befehlsobjekte* befehle() override { return befehle_.get(); }
    void erzeuge_Befehle() override;
    cl_ECU_Befehle& ecu_Befehle() override { return *ecu_Befehle_; }
    cl_Passwort_Quorvel& passwort() override { return *passwort_; }
    cl_Passwort_Quorvel_OK& passwort_OK() override { return *passwort_OK_; }
    Motordaten& motordaten() override { return *motordaten_; }
    cl_Dateiversion& dateiversion() override { return *dateiversion_; }
    TPrinter_Quorvel& drucker() override { return *drucker_; }
    Kennfelder& kennfelder() override { return *kennfelder_; }
    Kennfeldbeschreibung& kennfeldbeschreibung() { return *kennfeldbeschreibung_; }
    Fehlerdaten& fehlerdaten() override { return *fehlerdaten_; }
    Fehleranfragen& fehleranfragen() override { return *fehleranfragen_; }
    void erzeuge_Dateiversion() override;
    Globaldaten& daten() { return *daten_; }

    // The windows in creation order.
    std::vector<TForm*> Fenster() const override;
    TForm& nimm_Fenster(std::unique_ptr<TForm> fenster, const TForm* nach = nullptr) override;
    TForm_Quorvel* hauptfenster() const;

private:
    template <class F> F& erzeuge();
    // Puts a window into the list after nach and the windows taken in after it before.
    void fuege_ein(std::unique_ptr<TForm> fenster, const TForm* nach);

    std::unique_ptr<Registry> registry_;
    std::unique_ptr<Meldungen> meldungen_;
    std::unique_ptr<TInterAction> interAction_;
    std::unique_ptr<Globaldaten> daten_;
    std::unique_ptr<Kennfelder> kennfelder_;
    std::unique_ptr<Motordaten> motordaten_;
    std::unique_ptr<cl_Dateiversion> dateiversion_;
    std::unique_ptr<cl_COM_Quorvel> link_;
    std::unique_ptr<cl_ECU_Liste> ecu_Liste_;
    std::unique_ptr<cl_Kommunikation> kommunikation_;
    std::unique_ptr<cl_Version> version_;
    std::unique_ptr<cl_Parameter> parameter_;
    std::unique_ptr<Weitere_Anfragen> weitere_Anfragen_;
    std::unique_ptr<Fehlerdaten> fehlerdaten_;
    std::unique_ptr<Fehleranfragen> fehleranfragen_;
    std::unique_ptr<Fehler_Ansicht> fehleransicht_;
    std::unique_ptr<Befehlsobjekte> befehle_;
    std::unique_ptr<cl_ECU_Befehle> ecu_Befehle_;
    std::unique_ptr<cl_Passwort_Quorvel> passwort_;
    std::unique_ptr<cl_Passwort_Quorvel_OK> passwort_OK_;
    std::unique_ptr<Kennfeldbeschreibung> kennfeldbeschreibung_;
    std::unique_ptr<Druckauswahl> druckauswahl_;
    std::unique_ptr<TPrinter_Quorvel> drucker_;
    std::vector<std::unique_ptr<TForm>> fenster_;
    // Of each window taken in after another one, that other one.
    std::vector<std::pair<const TForm*, const TForm*>> nachfolger_;
    // Windows waiting for the window they follow to join the list.
    std::vector<std::pair<const TForm*, std::unique_ptr<TForm>>> wartende_;
    std::unique_ptr<TForm_Dateiversion> dateiversionsfenster_;
    bool beendet_ = false;
    int rueckgabewert_ = 0;
};

// Window cycling (TForm::Weiter, TForm::Zurueck): the focus goes to the next or previous
// visible window in creation order, wrapping around, never to the main window. The window
// that gets the focus stepping from von in direction +1 or -1; nullptr for none.
TForm* Fenster_nach(const std::vector<TForm*>& liste, const QWidget* von, const QWidget* haupt,
                    int richtung);
