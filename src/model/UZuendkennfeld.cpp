#include "model/UZuendkennfeld.h"

#include "base/Uglobal.h"
#include "link/UKommunikation.h"
#include "model/UQuorveldata.h"

#include <algorithm>

namespace {

// Offsets of the parts in the 16-column image and in the 8-column block.
constexpr int Bild_ausgewertet = 256;
constexpr int Bild_X = 512;
constexpr int Bild_Y = 544;
constexpr int Bild_Indizes = 576;
constexpr int Block_ausgewertet = 128;
constexpr int Block_X = 256;
constexpr int Block_Y = 272;
constexpr int Block_Indizes = 304;

uint8_t Lesebefehl(int karte) {
    return karte == 1 ? 10 : 20;
}
uint8_t Schreibbefehl(int karte) {
    return karte == 1 ? 9 : 19;
}

} // namespace

cl_Zuendung::cl_Zuendung(cl_COM_Quorvel& link, const cl_Version& version,
                         cl_Kommunikation& kommunikation, int karte)
    : cl_COM_data(link, Lesebefehl(karte), true, false, 2000, Bildgroesse, nullptr, Bildgroesse,
                  nullptr),
      Karte(karte), version_(version), kommunikation_(kommunikation),
      eintraege_(kommunikation.Liste()), selbst_(std::make_shared<cl_Zuendung*>(this)) {
    setze_Sendedaten(Bild.data());
    setze_Antwortpuffer(Bild.data());
    erzeuge_Meldung(QString(), false);
}

cl_Zuendung::~cl_Zuendung() {
    *selbst_ = nullptr;
}

bool cl_Zuendung::ist_16_Spalten() const {
    return version_.in_Versionsmenge({7, 9});
}

void cl_Zuendung::packen() {
    for (int z = 0; z < Zeilen; ++z)
        for (int s = 0; s < 8; ++s) {
            const bool benutzt = s < Spaltenzahl;
            Block_8[static_cast<size_t>(z * 8 + s)] = benutzt
                                                          ? Bild[static_cast<size_t>(z * 16 + s)]
                                                          : static_cast<uint8_t>(nicht_gesetzt);
            Block_8[static_cast<size_t>(Block_ausgewertet + z * 8 + s)] =
                benutzt ? Bild[static_cast<size_t>(Bild_ausgewertet + z * 16 + s)] : 0;
        }
    std::copy_n(Bild.begin() + Bild_X, 16, Block_8.begin() + Block_X);
    std::copy_n(Bild.begin() + Bild_Y, 32, Block_8.begin() + Block_Y);
    std::copy_n(Bild.begin() + Bild_Indizes, 4, Block_8.begin() + Block_Indizes);
}

void cl_Zuendung::entpacken() {
    for (int z = 0; z < Zeilen; ++z)
        for (int s = 0; s < 16; ++s) {
            const bool da = s < 8;
            Bild[static_cast<size_t>(z * 16 + s)] =
                da ? Block_8[static_cast<size_t>(z * 8 + s)] : static_cast<uint8_t>(nicht_gesetzt);
            Bild[static_cast<size_t>(Bild_ausgewertet + z * 16 + s)] =
                da ? Block_8[static_cast<size_t>(Block_ausgewertet + z * 8 + s)] : 0;
        }
    // Load points 8..15 of the image keep their values.
    std::copy_n(Block_8.begin() + Block_X, 16, Bild.begin() + Bild_X);
    std::copy_n(Block_8.begin() + Block_Y, 32, Bild.begin() + Bild_Y);
    std::copy_n(Block_8.begin() + Block_Indizes, 4, Bild.begin() + Bild_Indizes);
}

void cl_Zuendung::starte() {
    if (sende_wenn_frei)
        sende_wenn_frei(*this);
    else
        starten();
}

void cl_Zuendung::lesen(bool mitMeldung) {
    if (Datenelement) {
        schreibt_Datenelement_ = false;
        kommunikation_.lese_Element(Datenelement_Nr);
        return;
    }
    Befehl = Lesebefehl(Karte);
    Blockweise_lesen = true;
    Blockweise_senden = false;
    Sendelaenge = 0;
    Spalten_16 = ist_16_Spalten();
    if (Spalten_16) {
        Antwortlaenge = Bildgroesse;
        setze_Antwortpuffer(Bild.data());
    } else {
        Antwortlaenge = Blockgroesse_8;
        setze_Antwortpuffer(Block_8.data());
    }
    if (mitMeldung)
        setze_Meldungstext(hole_Text(283));
    starte();
}

void cl_Zuendung::schreiben(bool mitMeldung) {
    if (!Datenelement)
        Spalten_16 = ist_16_Spalten();
    if (Spalten_16) {
        Sendelaenge = Bildgroesse;
        setze_Sendedaten(Bild.data());
    } else {
        packen();
        Sendelaenge = Blockgroesse_8;
        setze_Sendedaten(Block_8.data());
    }
    if (Datenelement) {
        schreibt_Datenelement_ = true;
        kommunikation_.schreibe_Element(Datenelement_Nr);
        return;
    }
    Befehl = Schreibbefehl(Karte);
    Blockweise_senden = true;
    Blockweise_lesen = false;
    Antwortlaenge = 0;
    if (mitMeldung) {
        Meldung_ein();
        setze_Meldungstext(hole_Text(1222));
    } else {
        if (zeige_Hilfetexte)
            zeige_Hilfetexte();
        Meldung_aus();
    }
    starte();
}

void cl_Zuendung::Antwort() {
    verberge_Meldung();
    if (Befehl != Lesebefehl(Karte)) {
        InterAction_ausfuehren(*this, Geschrieben_Basis + Karte);
        return;
    }
    gelesen();
}

// A read arrived, in blocks or as a data item: an 8-column map is spread into the
// 16-column image.
void cl_Zuendung::gelesen() {
    if (!Spalten_16) {
        entpacken();
        Spaltenzahl = 8;
    } else {
        Spaltenzahl = 16;
    }
    InterAction_ausfuehren(*this, Gelesen_Basis + Karte);
}

void cl_Zuendung::als_Datenobjekt_anmelden(int nummer) {
    Datenelement_Nr = nummer;
    Spaltenzahl = Spalten_16 ? 16 : 8;
    Filetyp_Eintrag e;
    e.Nummer = nummer;
    e.Id = nummer;
    e.nicht_Sammel = true;
    e.Laenge = Spalten_16 ? Bildgroesse / 2 : Blockgroesse_8 / 2;
    e.Puffer = Spalten_16 ? Bild.data() : Block_8.data();
    e.Puffergroesse = Spalten_16 ? Bildgroesse : Blockgroesse_8;
    eintraege_.anmelden(e);
    if (!angemeldet_.insert(nummer).second)
        return;
    InterAction().Create(
        cl_Kommunikation::Klasse,
        [selbst = std::weak_ptr<cl_Zuendung*>(selbst_)](Sender&) {
            if (auto s = selbst.lock(); s && *s)
                (*s)->Datenobjekt_empfangen();
        },
        nummer);
}

void cl_Zuendung::Datenobjekt_empfangen() {
    if (schreibt_Datenelement_) {
        // The acknowledgement of the write: the image is what went out.
        schreibt_Datenelement_ = false;
        InterAction_ausfuehren(*this, Geschrieben_Basis + Karte);
        return;
    }
    gelesen();
}
