#include "app/AppContext.h"

#include "base/Dateiversion.h"
#include "base/Motordaten.h"
#include "link/UComData.h"
#include "link/UKommunikation.h"
#include "model/Drucker.h"
#include "model/UBefehle.h"
#include "model/UFehleranfragen.h"
#include "model/UKennfeldbeschreibung.h"
#include "model/UKennfelder.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"
#include "model/UWeitere_Anfragen.h"
#include "platform/Comm.h"
#include "platform/Dialoge.h"
#include "platform/Registry.h"
#include "windows/TForm.h"
#include "windows/UBluetooth.h"
#include "windows/UCSV_speichern.h"
#include "windows/UDateiversion.h"
#include "windows/UDrucker.h"
#include "windows/UEinstellwerte.h"
#include "windows/UMessage.h"
#include "windows/UMotorname.h"
#include "windows/UPasswort.h"
#include "windows/UQuorvel.h"
#include "windows/USetup.h"
#include "windows/UVersionsinfo.h"
#include "windows/maps/UKennfeldmenue.h"
#include "windows/maps/UZuendung.h"
#include "windows/maps/UZuendung_2_corr.h"
#include "windows/service/UBootUpdate.h"
#include "windows/service/UExport.h"
#include "windows/service/UFehler.h"
#include "windows/service/UFehlerdef.h"
#include "windows/service/UImport.h"
#include "windows/service/UKopieren.h"
#include "windows/service/UProgrammBoot.h"
#include "windows/service/USicherheitstext.h"
#include "windows/status/UBolvinar.h"
#include "windows/status/UCANTemps.h"
#include "windows/status/UDieselsteuerung.h"
#include "windows/status/UDranelKerosin.h"
#include "windows/status/UGeschwindigkeit.h"
#include "windows/status/UGetriebe.h"
#include "windows/status/UKvarendol.h"
#include "windows/status/ULeistung.h"
#include "windows/status/UMerker.h"
#include "windows/status/UNockenwelle.h"
#include "windows/status/UPilmot.h"
#include "windows/status/USpeicher.h"
#include "windows/status/UStatus.h"
#include "windows/status/UStatusAdditiv.h"
#include "windows/status/UStatusDSG.h"
#include "windows/status/UStatusTestbox.h"
#include "windows/status/USystemdaten.h"
#include "windows/status/UTamvik.h"
#include "windows/status/UTestAux.h"
#include "windows/status/UTest_Drehzahl.h"
#include "windows/status/UTest_Duese.h"
#include "windows/status/UTest_Eingaenge.h"
#include "windows/status/UTest_Logdaten.h"
#include "windows/status/UVundel.h"

#include <QApplication>
#include <algorithm>

namespace {

void aktiviere(TForm* fenster) {
    fenster->raise();
    fenster->activateWindow();
    fenster->setFocus();
}

// The error transfers reach the viewer and the definitions window here, once they exist.
class Fensteransicht : public Fehler_Ansicht {
public:
    explicit Fensteransicht(Kontext& k) : k_(k) {}
    void fuelle_Definitionsliste() override {
        if (auto* f = k_.fenster<TForm_Fehlerdef>())
            f->fuelle_Definitionsliste();
    }
    void zeige_Grenzen() override {
        if (auto* f = k_.fenster<TForm_Fehlerdef>())
            f->zeige_Grenzen();
    }
    void setze_Button_nach_Quorvel(bool definitionen) override {
        if (auto* f = k_.fenster<TForm_Fehlerdef>())
            f->setze_Button_nach_Quorvel(definitionen);
    }
    void fuelle_Auswahl() override {
        if (auto* f = k_.fenster<TForm_Fehler>())
            f->fuelle_Auswahl();
    }
    void waehle_alle() override {
        if (auto* f = k_.fenster<TForm_Fehler>())
            f->waehle_alle();
    }
    void zeige_Fehler() override {
        if (auto* f = k_.fenster<TForm_Fehler>())
            f->zeige_Fehler();
    }

private:
    Kontext& k_;
};
} // namespace

AppContext::AppContext(const QString& aktuellerOrdner, const QStringList& argumente,
                       std::unique_ptr<Registry> registry, std::unique_ptr<Meldungen> meldungen)
    : registry_(registry ? std::move(registry) : std::make_unique<Registry>()),
      meldungen_(meldungen ? std::move(meldungen) : std::make_unique<Dialog_Meldungen>()),
      interAction_(std::make_unique<TInterAction>()), daten_(std::make_unique<Globaldaten>()) {
    installiere_InterAction(interAction_.get());
    installiere_Globaldaten(daten_.get());
    Uglobal_init(*daten_, *registry_, aktuellerOrdner, argumente);
    // The map lists hear live answers, parameter reads and the link's state before any
    // request or window that registers later.
    kennfelder_ = std::make_unique<Kennfelder>();
    kennfelder_->melde_an(*interAction_);
    // The port layer knows only the ports of this context's registry.
    Comm::SetPortTable(Comm::PortTable{registry_->readPortTable()});
    // The engine data sets and the file versions, which the model's files are named by.
    motordaten_ = std::make_unique<Motordaten>(glob().Pfad_Daten);
    dateiversion_ = std::make_unique<cl_Dateiversion>(glob().Pfad_Daten);
    dateiversion_->Beschriftung = hole_Text(11);
    link_ = std::make_unique<cl_COM_Quorvel>(*registry_, *meldungen_);
    // A request's wait window sits at the main window's centre.
    link_->setze_Wartefenster_Fabrik(cl_message::Fabrik([this] {
        const TForm_Quorvel* haupt = hauptfenster();
        return haupt ? haupt->frameGeometry().center() : QPoint();
    }));
    // The data-item transport is the first request in the link's ring; its directory is
    // plain data it needs from its first day.
    ecu_Liste_ = std::make_unique<cl_ECU_Liste>();
    kommunikation_ = std::make_unique<cl_Kommunikation>(*link_, *ecu_Liste_);
    version_ = std::make_unique<cl_Version>(*link_);
    version_->lade_Datenelemente = [this] { ecu_Liste_->laden(0); };
    // Created before the windows, so that the definitions are loaded before any window
    // hears of an identity answer.
    parameter_ = std::make_unique<cl_Parameter>(*link_, *version_, *kommunikation_);
    // The ECU data requests take their places in the link's ring in a fixed order (the
    // identity and the further requests move among them), and the password requests follow.
    weitere_Anfragen_ = std::make_unique<Weitere_Anfragen>(*link_, *meldungen_);
    fehlerdaten_ = std::make_unique<Fehlerdaten>();
    fehleranfragen_ =
        std::make_unique<Fehleranfragen>(*link_, *version_, *meldungen_, *fehlerdaten_);
    fehleransicht_ = std::make_unique<Fensteransicht>(*this);
    fehleranfragen_->setze_Ansicht(fehleransicht_.get());
    ecu_Befehle_ =
        std::make_unique<cl_ECU_Befehle>(*link_, *version_, *parameter_, *kommunikation_,
                                         *ecu_Liste_, *weitere_Anfragen_, fehleranfragen_.get());
    passwort_ = std::make_unique<cl_Passwort_Quorvel>(*link_);
    passwort_->sende_Passwort_Nr = [this](uint16_t nummer) {
        weitere_Anfragen_->Passwort_Nr_schreiben->senden(nummer);
    };
    passwort_OK_ = std::make_unique<cl_Passwort_Quorvel_OK>(
        *link_, *version_, *parameter_, *kommunikation_, *ecu_Liste_, *passwort_);
    passwort_OK_->starte_Statusdaten = [this] { ecu_Befehle_->starte_Statusdaten(); };
    kennfelder_->verbinde(Kennfelder_Umgebung{*link_, *version_, *parameter_, *ecu_Befehle_});
    // The map description is read again, with rebuild, after each definition load and each
    // parameter answer.
    kennfeldbeschreibung_ =
        std::make_unique<Kennfeldbeschreibung>(*kennfelder_, *parameter_, *version_, *meldungen_);
    parameter_->lies_Kennfeldbeschreibung = [this] {
        kennfeldbeschreibung_->lade_Kennfeld_Definitionen(true);
    };
    druckauswahl_ = std::make_unique<TDruckdialog>();
    drucker_ = std::make_unique<TPrinter_Quorvel>(*motordaten_, *version_, *meldungen_);
    drucker_->setze_Druckauswahl(druckauswahl_.get());
    parameter_->setze_Dateidienste(dateiversion_.get(), drucker_.get());
}

AppContext::~AppContext() {
    // Windows first, in reverse creation order, then the objects made before them. A window
    // may wait for a port's threads to end and handle events meanwhile: no tick of the link
    // may then bring an answer to the windows already gone. The map lists let go of the maps
    // before their windows take them along.
    if (link_)
        link_->setze_Takt(false);
    kennfelder_->vergiss_Kennfelder();
    kennfelder_->Zuendung_eigene_Anfrage = nullptr;
    if (kennfeldbeschreibung_)
        kennfeldbeschreibung_->Zuendkennfeld = nullptr;
    dateiversionsfenster_.reset();
    wartende_.clear();
    while (!fenster_.empty())
        fenster_.pop_back();
    parameter_->setze_Dateidienste(nullptr, nullptr);
    drucker_.reset();
    druckauswahl_.reset();
    befehle_.reset();
    passwort_OK_.reset();
    parameter_->lies_Kennfeldbeschreibung = nullptr;
    kennfeldbeschreibung_.reset();
    passwort_.reset();
    ecu_Befehle_.reset();
    fehleranfragen_.reset();
    fehleransicht_.reset();
    fehlerdaten_.reset();
    weitere_Anfragen_.reset();
    parameter_.reset();
    version_.reset();
    kommunikation_.reset();
    ecu_Liste_.reset();
    link_.reset();
    dateiversion_.reset();
    motordaten_.reset();
    Comm::SetPortTable(std::nullopt);
    kennfelder_.reset();
    installiere_Globaldaten(nullptr);
    installiere_InterAction(nullptr);
}

template <class F> F& AppContext::erzeuge() {
    auto fenster = std::make_unique<F>(static_cast<Kontext&>(*this));
    F& ref = *fenster;
    fenster_.push_back(std::move(fenster));
    // Windows it created while it was being created follow it now, in their order.
    std::vector<std::unique_ptr<TForm>> folgende;
    for (auto it = wartende_.begin(); it != wartende_.end();)
        if (it->first == &ref) {
            folgende.push_back(std::move(it->second));
            it = wartende_.erase(it);
        } else {
            ++it;
        }
    for (auto& f : folgende)
        fuege_ein(std::move(f), &ref);
    return ref;
}

TForm& AppContext::nimm_Fenster(std::unique_ptr<TForm> fenster, const TForm* nach) {
    TForm& ref = *fenster;
    const bool bekannt =
        !nach || std::any_of(fenster_.begin(), fenster_.end(),
                             [nach](const std::unique_ptr<TForm>& f) { return f.get() == nach; });
    if (bekannt)
        fuege_ein(std::move(fenster), nach);
    else
        wartende_.emplace_back(nach, std::move(fenster));
    return ref;
}

void AppContext::fuege_ein(std::unique_ptr<TForm> fenster, const TForm* nach) {
    if (!nach) {
        fenster_.push_back(std::move(fenster));
        return;
    }
    // Whether f was taken in after nach, directly or through windows taken in after nach.
    const auto folgt = [this, nach](const TForm* f) {
        for (;;) {
            const auto it = std::find_if(
                nachfolger_.begin(), nachfolger_.end(),
                [f](const std::pair<const TForm*, const TForm*>& p) { return p.first == f; });
            if (it == nachfolger_.end())
                return false;
            if (it->second == nach)
                return true;
            f = it->second;
        }
    };
    auto pos = std::find_if(fenster_.begin(), fenster_.end(),
                            [nach](const std::unique_ptr<TForm>& f) { return f.get() == nach; });
    ++pos;
    while (pos != fenster_.end() && folgt(pos->get()))
        ++pos;
    nachfolger_.emplace_back(fenster.get(), nach);
    fenster_.insert(pos, std::move(fenster));
}

void AppContext::erzeuge_Fenster() {
    // Messages of the unit initialisation (a missing language file) can be shown now.
    Dialoge::zeige_Wartende();

    // The fixed creation order; it is also the order in which different windows' handlers
    // run for the same event, and the order of window cycling:
    //   TForm_Quorvel, TForm_Bluetooth, TForm_Setup, TForm_Speicher, TForm_Zuendung,
    //   TForm_Status, TForm_Test_Drehzahl, TForm_Fehler, TForm_Leistung, TForm_Motorname,
    //   TForm_Test_Duese, TForm_Kopieren, TForm_Sicherheitstext, TForm_Versionsinfo,
    //   TForm_Programmboot, TForm_Export, TForm_Import, TForm_Test_digitale_Eingaenge,
    //   TForm_Test_digitale_Ausgaenge, TForm_Test_analoge_Eingaenge, TForm_Status_DSG,
    //   TForm_Status_Testbox, TForm_Passwort, TForm_Fehlerdef, TForm_Test_Logdaten,
    //   TForm_Dranel_Kerosin, TForm_Status_Additiv, TForm_Auxdaten, TForm_Pilmot,
    //   TForm_Vundel, TForm_Getriebe, TForm_Nockenwelle, TForm_Kvarendol,
    //   TForm_Dieselsteuerung, TForm_Wheel_speed, TForm_Merker, TForm_Boot_update,
    //   TForm_Zuendung_2_corr, TForm_Tamvik_Korrekturen, TForm_Bolvinar,
    //   TForm_CSV_speichern, TForm_Systemdaten, TForm_CAN_Temps;
    // then window cycling is registered, and the settings editor TForm_Einstellwerte is
    // created last.
    // Maps a description file names come into being later, inside an answer handler: their
    // windows join the list at its end.
    kennfelder_->setze_Fabrik(std::make_unique<Kennfeldfenster_Fabrik>(*this, nullptr));
    erzeuge<TForm_Quorvel>();
    erzeuge<TForm_Bluetooth>();
    // Each parameter answer ends with the main window's menus recomputed.
    parameter_->aktualisiere_Menues = [this] {
        if (TForm_Quorvel* h = hauptfenster())
            h->aktualisiere_Menues();
    };
    erzeuge<TForm_Setup>();
    erzeuge<TForm_Speicher>();
    TForm_Zuendung& zuendung = erzeuge<TForm_Zuendung>();
    // The description file switches the first ignition map between its own request and a
    // data item.
    cl_Zuendung& karte1 = zuendung.Logik().Karte;
    kennfeldbeschreibung_->Zuendkennfeld = &karte1;
    kennfelder_->Zuendung_eigene_Anfrage = [&karte1] { karte1.Datenelement = false; };
    TForm_Status& status = erzeuge<TForm_Status>();
    status.Zuendwinkel_plus = [&zuendung] { zuendung.Zuendwinkel_plus(); };
    status.Zuendwinkel_minus = [&zuendung] { zuendung.Zuendwinkel_minus(); };
    erzeuge<TForm_Test_Drehzahl>();
    erzeuge<TForm_Fehler>();
    erzeuge<TForm_Leistung>();
    erzeuge<TForm_Motorname>();
    erzeuge<TForm_Test_Duese>();
    erzeuge<TForm_Kopieren>();
    erzeuge<TForm_Sicherheitstext>();
    erzeuge<TForm_Versionsinfo>();
    erzeuge<TForm_Programmboot>();
    erzeuge<TForm_Export>();
    erzeuge<TForm_Import>();
    erzeuge<TForm_Test_digitale_Eingaenge>();
    erzeuge<TForm_Test_digitale_Ausgaenge>();
    erzeuge<TForm_Test_analoge_Eingaenge>();
    erzeuge<TForm_Status_DSG>();
    erzeuge<TForm_Status_Testbox>();
    erzeuge<TForm_Passwort>();
    erzeuge<TForm_Fehlerdef>();
    erzeuge<TForm_Test_Logdaten>();
    erzeuge<TForm_Dranel_Kerosin>();
    erzeuge<TForm_Status_Additiv>();
    erzeuge<TForm_Auxdaten>();
    erzeuge<TForm_Pilmot>();
    erzeuge<TForm_Vundel>();
    erzeuge<TForm_Getriebe>();
    erzeuge<TForm_Nockenwelle>();
    erzeuge<TForm_Kvarendol>();
    erzeuge<TForm_Dieselsteuerung>();
    erzeuge<TForm_Wheel_speed>();
    erzeuge<TForm_Merker>();
    erzeuge<TForm_Boot_update>();
    erzeuge<TForm_Zuendung_2_corr>();
    erzeuge<TForm_Tamvik_Korrekturen>();
    erzeuge<TForm_Bolvinar>();
    erzeuge<TForm_CSV_speichern>();
    erzeuge<TForm_Systemdaten>();
    erzeuge<TForm_CAN_Temps>();

    interAction_->Create(
        TForm::Klasse,
        [this](Sender& sender) {
            if (TForm* ziel =
                    Fenster_nach(Fenster(), dynamic_cast<TForm*>(&sender), hauptfenster(), +1))
                aktiviere(ziel);
        },
        TForm::Weiter);
    interAction_->Create(
        TForm::Klasse,
        [this](Sender&) {
            if (TForm* ziel =
                    Fenster_nach(Fenster(), QApplication::activeWindow(), hauptfenster(), -1))
                aktiviere(ziel);
        },
        TForm::Zurueck);
    erzeuge<TForm_Einstellwerte>();
}

void AppContext::erzeuge_Dateiversion() {
    // Outside the window list, as a window without owner: window cycling passes it by.
    if (!dateiversionsfenster_)
        dateiversionsfenster_ = std::make_unique<TForm_Dateiversion>(*this);
}

void AppContext::erzeuge_Befehle() {
    if (befehle_)
        return;
    befehle_ = std::make_unique<Befehlsobjekte>(*link_, *version_);
    // A parameter write that changed a flash-flagged value stores the working data.
    parameter_->ins_Flash_sichern = [this] { befehle_->Quorvel_ins_Flash_sichern->starten(); };
    // A cleared error memory is read again from its first entry.
    befehle_->Quorvel_Fehlerspeicher_loeschen->lese_ab_Anfang = [this] {
        fehleranfragen_->Fehler_Quorvel->lese_ab_Anfang();
    };
    // The test windows show what their requests bring.
    if (auto* f = fenster<TForm_Test_Drehzahl>())
        befehle_->Quorvel_starte_Test_Drehzahl->zeige_Ergebnis = [f] { f->zeige_Ergebnis(); };
    if (auto* f = fenster<TForm_Test_Duese>())
        befehle_->Quorvel_starte_Test_Duese->zeige_Restzeit = [f] { f->zeige_Restzeit(); };
}

void AppContext::starte() {
    if (beendet_)
        return;
    TForm_Quorvel* haupt = hauptfenster();
    if (haupt)
        haupt->show();
    // Windows that opened during start-up (the setup window asking for missing values) stay
    // in front of the main window, and the safety information in front of them all.
    for (TForm* f : Fenster())
        if (f != haupt && f->isVisible())
            f->raise();
    if (auto* sicherheit = fenster<TForm_Sicherheitstext>(); sicherheit && sicherheit->isVisible())
        aktiviere(sicherheit);
}

void AppContext::beende(int code) {
    if (!beendet_)
        rueckgabewert_ = code;
    beendet_ = true;
    QCoreApplication::exit(rueckgabewert_);
}

std::vector<TForm*> AppContext::Fenster() const {
    std::vector<TForm*> liste;
    liste.reserve(fenster_.size());
    for (const auto& f : fenster_)
        liste.push_back(f.get());
    return liste;
}

TForm_Quorvel* AppContext::hauptfenster() const {
    return fenster<TForm_Quorvel>();
}

TForm* Fenster_nach(const std::vector<TForm*>& liste, const QWidget* von, const QWidget* haupt,
                    int richtung) {
    const auto it = std::find(liste.begin(), liste.end(), von);
    if (!von || it == liste.end())
        return nullptr;
    const size_t n = liste.size();
    const size_t start = static_cast<size_t>(it - liste.begin());
    // The starting window itself comes last, so it keeps the focus when it is the only one.
    for (size_t k = 1; k <= n; ++k) {
        TForm* f = liste[richtung > 0 ? (start + k) % n : (start + n - k) % n];
        if (f->isVisible() && f != haupt)
            return f;
    }
    return nullptr;
}
