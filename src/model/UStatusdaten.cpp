#include "model/UStatusdaten.h"

#include "base/Uglobal.h"
#include "link/UKommunikation.h"
#include "model/UFehleranfragen.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "model/UWeitere_Anfragen.h"

#include <algorithm>

// ---------------------------------------------------------------- records

cl_Datensatz::cl_Datensatz(cl_COM_Quorvel& link, uint8_t befehl, int laenge, bool blockweise,
                           int timeoutMs)
    : cl_COM_data(link, befehl, blockweise, false, timeoutMs, 0, nullptr, laenge, nullptr),
      Daten(static_cast<size_t>(laenge), 0), Laenge(laenge) {
    setze_Antwortpuffer(Daten.data());
}

void cl_Datensatz::Antwort() {
    // A block read leaves the bytes it got; the next read asks for the whole record again.
    Antwortlaenge = Laenge;
    InterAction_ausfuehren(*this, Beantwortet);
}

uint8_t cl_Datensatz::u8(int offset) const {
    return offset >= 0 && offset < Laenge ? Daten[static_cast<size_t>(offset)] : 0;
}

uint16_t cl_Datensatz::u16(int offset) const {
    return static_cast<uint16_t>(u8(offset) | (u8(offset + 1) << 8));
}

uint32_t cl_Datensatz::u32(int offset) const {
    return u16(offset) | (static_cast<uint32_t>(u16(offset + 2)) << 16);
}

void cl_Datensatz::setze_u16(int offset, uint16_t wert) {
    if (offset < 0 || offset + 1 >= Laenge)
        return;
    schreibe_Wort(Daten.data() + offset, wert);
}

void cl_Datensatz_mit_Alter::Antwort() {
    Alter = 0;
    cl_Datensatz::Antwort();
}

cl_akt_Daten::cl_akt_Daten(cl_COM_Quorvel& link, Livewerte& werte)
    : cl_Datensatz_mit_Alter(link, Befehlsnummer, Groesse), werte_(werte) {}

void cl_akt_Daten::Antwort() {
    // Integer division truncates toward zero, as the relay's table expects.
    werte_.Leerlaufsteller_Prozent = (static_cast<int32_t>(u16(22)) - 128) * 100 / 128;
    cl_Datensatz_mit_Alter::Antwort();
}

cl_Aux_Daten_erweitert::cl_Aux_Daten_erweitert(cl_COM_Quorvel& link, cl_Version& version,
                                               cl_ECU_Liste& liste, cl_Kommunikation& kommunikation)
    : cl_Datensatz(link, Befehlsnummer, Groesse, true, 1000), version_(version),
      kommunikation_(kommunikation) {
    liste.setze_Filetyp_Werte(Datenelement, Groesse, Daten.data(), Groesse);
    // On ECUs with data items the item's arrival is this record's answer.
    InterAction().Create(
        cl_Kommunikation::Klasse, [this](Sender&) { InterAction_ausfuehren(*this, Beantwortet); },
        Datenelement);
}

void cl_Aux_Daten_erweitert::starten() {
    if (version_.ECU_Typ() < 6) {
        Blockweise_lesen = true;
        Blockweise_senden = false;
        Antwortlaenge = Laenge;
        starten_zyklisch(0, 100);
    } else {
        kommunikation_.lese_zyklisch(Datenelement);
    }
}

void cl_Aux_Daten_erweitert::beenden() {
    stoppen();
    if (version_.ECU_Typ() >= 6)
        kommunikation_.beende_zyklisch(Datenelement);
}

void cl_Aux_Daten_erweitert::Antwort() {
    cl_Datensatz::Antwort();
}

// ---------------------------------------------------------------- the requests and the plan

cl_ECU_Befehle::cl_ECU_Befehle(cl_COM_Quorvel& link, cl_Version& version, cl_Parameter& parameter,
                               cl_Kommunikation& kommunikation, cl_ECU_Liste& liste,
                               Weitere_Anfragen& weitere, Fehleranfragen* fehler)
    : link_(link), version_(version), parameter_(parameter), kommunikation_(kommunikation),
      akt_Daten(link, Werte), akt_Daten_A(link), akt_Daten_B(link), akt_Daten_C(link),
      akt_Daten_Vundel(link), DSG_Daten(link), Getriebe_Daten(link), Kvarendol_Daten(link),
      Testbox_Daten(link), Dranel_Kerosin_Daten(link), Diesel_Daten(link), Diesel_Daten_A(link),
      Aux_Daten(link), Aux_Daten_erweitert(link, version, liste, kommunikation), aux_int(link),
      Additiv_Statusdaten(link), CAN_Zusatztemps(link) {
    ordne_Ring(weitere, fehler);
    parameter_.starte_Statusdaten = [this] { starte_Statusdaten(); };
    parameter_.Live_Datensatz = [this](int bereich) -> std::span<uint8_t> {
        switch (bereich) {
        case 1:
            return akt_Daten.Daten;
        case 2:
            return akt_Daten_A.Daten;
        case 3:
            return akt_Daten_B.Daten;
        default:
            return {};
        }
    };
}

void cl_ECU_Befehle::ordne_Ring(Weitere_Anfragen& w, Fehleranfragen* fehler) {
    // Re-announcing each request in turn puts it last, so the ring ends up in this order,
    // after the data-item transport and the parameter set made before.
    cl_COM_data* const reihenfolge[] = {&akt_Daten,
                                        &akt_Daten_A,
                                        &akt_Daten_B,
                                        &akt_Daten_C,
                                        &akt_Daten_Vundel,
                                        &DSG_Daten,
                                        w.DSG_Log_Daten.get(),
                                        w.DSG_log_Zustandsdaten.get(),
                                        &Getriebe_Daten,
                                        &Kvarendol_Daten,
                                        &Testbox_Daten,
                                        &Dranel_Kerosin_Daten,
                                        &Diesel_Daten,
                                        &Diesel_Daten_A,
                                        &version_,
                                        &Aux_Daten,
                                        &Aux_Daten_erweitert,
                                        fehler ? fehler->Fehler_def_nach_Quorvel.get() : nullptr,
                                        fehler ? fehler->Fehler_def_von_Quorvel.get() : nullptr,
                                        fehler ? fehler->Fehler_Quorvel.get() : nullptr,
                                        w.Leistung_Quorvel.get(),
                                        w.Export_starten.get(),
                                        w.Export_next.get(),
                                        w.Import_next.get(),
                                        w.Passwort_Nr_schreiben.get(),
                                        w.Passwort_Nr_lesen.get(),
                                        w.analoge_Eingaenge.get(),
                                        w.digitale_Eingaenge.get(),
                                        w.digitale_Ausgaenge.get(),
                                        w.Merker.get(),
                                        w.Merker_senden.get(),
                                        w.Test_Logdaten.get(),
                                        &aux_int,
                                        &Additiv_Statusdaten,
                                        w.ECU_Systemdaten.get(),
                                        &CAN_Zusatztemps};
    for (cl_COM_data* anfrage : reihenfolge)
        if (anfrage)
            link_.anmelden(*anfrage);
}

cl_ECU_Befehle::~cl_ECU_Befehle() {
    parameter_.starte_Statusdaten = nullptr;
    parameter_.Live_Datensatz = nullptr;
}

void cl_ECU_Befehle::starte_Statusdaten() {
    constexpr int jeder_Tick = 10;
    if (parameter_.ueber_Datenelemente) {
        kommunikation_.sende_Schreibauftrag();
        return;
    }
    const int hersteller = version_.Hersteller();
    const int v = version_.Version();
    switch (version_.ECU_Typ()) {
    case 0:
    case 1:
    case 2: {
        akt_Daten.starten_zyklisch(0, jeder_Tick);
        akt_Daten_A.starten_zyklisch(0, jeder_Tick);
        const int hw = version_.Hardware_Haupt();
        if ((hw >= 301 && hw <= 499 && hersteller != 8) || (hersteller == 2 && v >= 521) ||
            ((hersteller == 1 || hersteller == 4) && v >= 537 && v <= 550) ||
            version_.passt(1, 1, 400, 20620, 20629, -1, -1))
            akt_Daten_B.starten_zyklisch(0, jeder_Tick);
        if (version_.in_Versionsmenge({10}))
            akt_Daten_C.starten_zyklisch(0, jeder_Tick);
        if (hersteller == 9 || hersteller == 12)
            akt_Daten_Vundel.starten_zyklisch(0, jeder_Tick);
        break;
    }
    case 3:
        Getriebe_Daten.starten_zyklisch(0, 0);
        break;
    case 4:
        if (version_.Typnummer() == 1) {
            Testbox_Daten.starten_zyklisch(0, 0);
        } else if (version_.Typnummer() == 2) {
            Kvarendol_Daten.starten_zyklisch(0, 0);
            akt_Daten.stoppen();
        }
        break;
    case 5:
        akt_Daten.stoppen();
        akt_Daten_A.stoppen();
        Diesel_Daten.starten_zyklisch(0, 300);
        if (v >= 210)
            Diesel_Daten_A.starten_zyklisch(0, 300);
        break;
    case 6:
        Additiv_Statusdaten.starten_zyklisch(0, jeder_Tick);
        break;
    default:
        break;
    }
    // A disconnection stopped the records shown by open windows too.
    for (const auto& [anfrage, zahl] : anzeigen_)
        if (zahl > 0)
            anfrage->starten_zyklisch(0, Anzeigeperiode_ms);
}

void cl_ECU_Befehle::starte_Statusanzeige() {
    switch (version_.ECU_Typ()) {
    case 3:
        DSG_Daten.starten_zyklisch(0, 100);
        break;
    case 4:
        Testbox_Daten.starten_zyklisch(0, 100);
        break;
    default:
        if (parameter_.ueber_Datenelemente)
            return;
        akt_Daten.starten_zyklisch(0, 100);
        break;
    }
    Diesel_Daten.stoppen();
    Diesel_Daten_A.stoppen();
}

void cl_ECU_Befehle::melde_Anzeige(cl_COM_data& anfrage, bool sichtbar) {
    int& zahl = anzeigen_[&anfrage];
    if (sichtbar) {
        if (++zahl == 1)
            anfrage.starten_zyklisch(0, Anzeigeperiode_ms);
    } else if (zahl > 0 && --zahl == 0) {
        anfrage.stoppen();
    }
}

int cl_ECU_Befehle::Anzeigen(const cl_COM_data& anfrage) const {
    const auto it = anzeigen_.find(const_cast<cl_COM_data*>(&anfrage));
    return it == anzeigen_.end() ? 0 : it->second;
}
