#include "model/UFehleranfragen.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "model/UQuorveldata.h"

#include <algorithm>

namespace {
// The language texts of these transfers.
constexpr int Text_Definitionen = 1219;
constexpr int Text_senden = 1220;
constexpr int Text_lesen = 1221;
constexpr int Text_loeschen = 1223;
constexpr int Text_Abschluss = 1224;
constexpr int Text_unbekannte_Variable = 1242;
constexpr int Text_Liste_gekuerzt = 1322;
constexpr int Text_Liste_zu_lang = 1323;

QString zwei_Zeilen(int oben, int unten) {
    return hole_Text(oben) + QChar(Zeilenumbruch) + hole_Text(unten);
}
} // namespace

// ---------------------------------------------------------------- the error memory

cl_Fehler_Quorvel::cl_Fehler_Quorvel(cl_COM_Quorvel& link, Fehlerdaten& daten)
    : cl_COM_data(link, Befehlsnummer, false, false, 500, 0, nullptr, Antwortgroesse, nullptr),
      daten_(daten) {
    setze_Antwortpuffer(Antwortbereich.data());
    setze_Sendedaten(Sendebereich.data());
    Sendelaenge = static_cast<int>(Sendebereich.size());
}

void cl_Fehler_Quorvel::lese_ab_Anfang() {
    Sendebereich[0] = 1;
    cl_COM_data::starten();
}

void cl_Fehler_Quorvel::lese_naechsten() {
    Sendebereich[0] = 0;
    cl_COM_data::starten();
}

void cl_Fehler_Quorvel::Antwort() {
    if (Antwortbereich[11] != 255) {
        daten_.Fehler_Liste.neuer_Eintrag(cl_Fehler::aus_Antwort(Antwortbereich.data()));
        lese_naechsten();
        return;
    }
    if (!daten_.Fehler_Liste.leer()) {
        daten_.Fehler_Liste.berechne_Differenzen(daten_.Definitionen);
        if (Ansicht) {
            Ansicht->fuelle_Auswahl();
            Ansicht->waehle_alle();
        }
    }
    if (Ansicht)
        Ansicht->zeige_Fehler();
}

// ---------------------------------------------------------------- reading the definitions

cl_Fehler_def_von_Quorvel::cl_Fehler_def_von_Quorvel(cl_COM_Quorvel& link,
                                                     const cl_Version& version,
                                                     Meldungen& meldungen, Fehlerdaten& daten,
                                                     cl_Fehler_Quorvel& fehler)
    : cl_COM_data(link, Befehlsnummer, false, false, 500, 0, nullptr, Antwortgroesse, nullptr),
      version_(version), meldungen_(meldungen), daten_(daten), fehler_(fehler) {
    setze_Antwortpuffer(Antwortbereich.data());
    setze_Sendedaten(Sendebereich.data());
    Sendelaenge = static_cast<int>(Sendebereich.size());
    erzeuge_Meldung(zwei_Zeilen(Text_Definitionen, Text_lesen), true);
}

void cl_Fehler_def_von_Quorvel::starten() {
    dann_Fehlerspeicher = false;
    uebersprungen_ = 0;
    anfordern(0);
}

void cl_Fehler_def_von_Quorvel::lesen_dann_Fehlerspeicher() {
    dann_Fehlerspeicher = true;
    uebersprungen_ = 0;
    anfordern(0);
}

void cl_Fehler_def_von_Quorvel::anfordern(uint8_t index) {
    Sendebereich[0] = index;
    cl_COM_data::starten();
}

bool cl_Fehler_def_von_Quorvel::alte_Grenzmodi(const cl_Version& v) {
    if (v.ECU_Typ() >= 2 || v.Typnummer() >= 2)
        return false;
    const int version = v.Version();
    const int revision = v.Revision();
    const auto vor = [&](int ab, int revisionAb) {
        return version < ab || (version == ab && revision < revisionAb);
    };
    switch (v.Hersteller()) {
    case 1:
        return vor(510, 1);
    case 2:
        return vor(507, 1);
    case 3:
        return true;
    case 4:
        return vor(507, 6);
    case 5:
        return vor(507, 5);
    case 6:
        return vor(508, 1);
    default:
        return false;
    }
}

void cl_Fehler_def_von_Quorvel::Antwort() {
    const auto& a = Antwortbereich;
    if (a[8] == 255) {
        beende();
        return;
    }
    cl_Fehler_Definitionen& defs = daten_.Definitionen;
    const uint32_t id = a[6];
    bool hat_Definition = true;
    if (const int gefunden = defs.suche_Variable(id); gefunden >= 0) {
        defs.aktuell = gefunden;
    } else if (defs.neue_Definition(id)) {
        if (Ansicht)
            Ansicht->setze_Button_nach_Quorvel(true);
    } else if (defs.leer()) {
        meldungen_.zeige(hole_Text(Text_unbekannte_Variable));
        verberge_Meldung();
        return;
    } else {
        // A variable the catalogue lacks: its row belongs to no other definition.
        ++uebersprungen_;
        hat_Definition = false;
    }
    if (hat_Definition && defs.Typ(*defs.aktuelle()) != 0) {
        cl_Fehler_def& def = *defs.aktuelle();
        cl_Fehler_limit g;
        const uint8_t b7 = a[7];
        g.Test_Start = (b7 >> 5) & 1;
        g.Startbedingung = (b7 >> 3) & 1;
        g.Ein = static_cast<int16_t>(lies_Wort(a.data()));
        g.Aus = static_cast<int16_t>(lies_Wort(a.data() + 2));
        g.Funktion = a[9];
        g.Signal_ein = g.Funktion >= 1 ? (b7 >> 4) & 1 : 0;
        g.Signalmuster = g.Signal_ein ? lies_Wort(a.data() + 4) : 0;
        g.speichern = a[10];
        g.Modus = b7 & 3;
        if (alte_Grenzmodi(version_))
            g.Modus = g.Modus == 3 ? 1 : 0;
        def.Grenzen.push_back(g);
        nummeriere(def.Grenzen);
    }
    if (Sendebereich[0] == letzter_Index) {
        // The index cannot go further: asking index + 1 would start over at 0.
        meldungen_.zeige(hole_Text(Text_Liste_gekuerzt));
        beende();
        return;
    }
    anfordern(static_cast<uint8_t>(Sendebereich[0] + 1));
}

void cl_Fehler_def_von_Quorvel::beende() {
    if (!daten_.Definitionen.leer() && Ansicht) {
        Ansicht->fuelle_Definitionsliste();
        Ansicht->zeige_Grenzen();
    }
    verberge_Meldung();
    if (uebersprungen_ > 0)
        meldungen_.zeige(hole_Text(Text_unbekannte_Variable));
    uebersprungen_ = 0;
    if (dann_Fehlerspeicher)
        fehler_.lese_ab_Anfang();
}

// ---------------------------------------------------------------- writing the definitions

cl_Fehler_def_nach_Quorvel::cl_Fehler_def_nach_Quorvel(cl_COM_Quorvel& link, Meldungen& meldungen,
                                                       Fehlerdaten& daten)
    : cl_COM_data(link, Befehlsnummer, false, false, 10000, 0, nullptr, 0, nullptr),
      meldungen_(meldungen), daten_(daten) {
    setze_Sendedaten(Sendebereich.data());
    Sendelaenge = Sendegroesse;
    erzeuge_Meldung(QString(), true);
}

void cl_Fehler_def_nach_Quorvel::starten() {
    datensaetze_.clear();
    phase = Loeschen;
    setze_Meldungstext(hole_Text(Text_loeschen));
    Sendebereich.fill(0);
    Sendebereich[0] = Eroeffnung;
    cl_COM_data::starten();
}

std::vector<std::array<uint8_t, cl_Fehler_def_nach_Quorvel::Datensatzgroesse>>
cl_Fehler_def_nach_Quorvel::Datensaetze_von(cl_Fehler_Definitionen& definitionen) {
    std::vector<std::array<uint8_t, Datensatzgroesse>> saetze;
    for (cl_Fehler_def& def : definitionen.Liste) {
        nummeriere(def.Grenzen);
        std::array<uint8_t, Datensatzgroesse> s{};
        s[6] = static_cast<uint8_t>(definitionen.Variablen_id(def) & 0xFF);
        // A definition without rows goes out with its id alone.
        if (def.Grenzen.empty())
            saetze.push_back(s);
        for (const cl_Fehler_limit& g : def.Grenzen) {
            schreibe_Wort(s.data(), static_cast<uint16_t>(g.Ein & 0xFFFF));
            schreibe_Wort(s.data() + 2, static_cast<uint16_t>(g.Aus & 0xFFFF));
            const auto funktion = static_cast<uint8_t>(g.Funktion & 0xFF);
            const bool signal = funktion != 0 && g.Signal_ein != 0;
            schreibe_Wort(s.data() + 4, signal ? g.Signalmuster : 0);
            // Only the mode's two bits: a file may bring any byte, which would set others.
            s[7] = static_cast<uint8_t>((g.Modus & 3) | (g.Startbedingung ? 8 : 0) |
                                        (signal ? 16 : 0) | (g.Test_Start ? 32 : 0));
            s[8] = 0;
            s[9] = funktion;
            s[10] = g.speichern ? 1 : 0;
            s[11] = static_cast<uint8_t>(g.Nummer & 0xFF);
            saetze.push_back(s);
        }
    }
    return saetze;
}

bool cl_Fehler_def_nach_Quorvel::sende_naechsten() {
    if (daten_.Definitionen.leer()) {
        starten();
        return true;
    }
    auto saetze = Datensaetze_von(daten_.Definitionen);
    if (saetze.size() > static_cast<size_t>(hoechste_Datensaetze)) {
        meldungen_.zeige(hole_Text(Text_Liste_zu_lang));
        return false;
    }
    datensaetze_ = std::move(saetze);
    naechster_ = 0;
    setze_Meldungstext(zwei_Zeilen(Text_Definitionen, Text_senden));
    phase = Liste;
    Sendebereich.fill(0);
    Sendebereich[0] = Eroeffnung;
    cl_COM_data::starten();
    return true;
}

void cl_Fehler_def_nach_Quorvel::sende_Grenze(bool erste) {
    Sendebereich[0] = erste ? 0 : static_cast<uint8_t>(Sendebereich[0] + 1);
    Sendebereich[1] = 0;
    std::copy(datensaetze_[naechster_].begin(), datensaetze_[naechster_].end(),
              Sendebereich.begin() + 2);
    phase = Datensaetze;
    cl_COM_data::starten();
}

void cl_Fehler_def_nach_Quorvel::sende_Abschluss() {
    phase = Abschluss;
    setze_Meldungstext(hole_Text(Text_Abschluss));
    Sendebereich[1] = 1;
    cl_COM_data::starten();
}

void cl_Fehler_def_nach_Quorvel::Antwort() {
    switch (phase) {
    case Loeschen:
        sende_Abschluss();
        break;
    case Liste:
        naechster_ = 0;
        if (datensaetze_.empty())
            sende_Abschluss();
        else
            sende_Grenze(true);
        break;
    case Datensaetze:
        if (++naechster_ < datensaetze_.size())
            sende_Grenze(false);
        else
            sende_Abschluss();
        break;
    case Abschluss:
        verberge_Meldung();
        datensaetze_.clear();
        break;
    }
}

// ---------------------------------------------------------------- the three

Fehleranfragen::Fehleranfragen(cl_COM_Quorvel& link, const cl_Version& version,
                               Meldungen& meldungen, Fehlerdaten& daten)
    : Fehler_Quorvel(std::make_unique<cl_Fehler_Quorvel>(link, daten)),
      Fehler_def_von_Quorvel(std::make_unique<cl_Fehler_def_von_Quorvel>(link, version, meldungen,
                                                                         daten, *Fehler_Quorvel)),
      Fehler_def_nach_Quorvel(
          std::make_unique<cl_Fehler_def_nach_Quorvel>(link, meldungen, daten)) {}

void Fehleranfragen::setze_Ansicht(Fehler_Ansicht* ansicht) {
    Fehler_Quorvel->Ansicht = ansicht;
    Fehler_def_von_Quorvel->Ansicht = ansicht;
    Fehler_def_nach_Quorvel->Ansicht = ansicht;
}
