#include "model/UBefehle.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "model/UQuorveldata.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace {} // namespace

// ---------------------------------------------------------------- Meldung_nach_Tick

Meldung_nach_Tick::Meldung_nach_Tick(Meldungen& meldungen)
    : meldungen_(meldungen), ziel_(std::make_unique<QObject>()) {}

Meldung_nach_Tick::~Meldung_nach_Tick() = default;

void Meldung_nach_Tick::zeige(const QString& text) {
    QTimer::singleShot(0, ziel_.get(), [this, text] { meldungen_.zeige(text); });
}

// ---------------------------------------------------------------- flash

cl_Quorvel_ins_Flash_sichern::cl_Quorvel_ins_Flash_sichern(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Flash_sichern, false, false, 10000, 0, nullptr, 0, nullptr) {
    Abbruch_bei_Timeout = true;
    erzeuge_Meldung(hole_Text(293), false);
}

cl_Quorvel_Flash_loeschen::cl_Quorvel_Flash_loeschen(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Flash_loeschen, false, false, 5000, 1, nullptr, 0, nullptr) {
    setze_Sendedaten(&Bereich);
    erzeuge_Meldung(hole_Text(294), false);
}

void cl_Quorvel_Flash_loeschen::loeschen_fragen(int bereich) {
    int titel = 0;
    int text = 0;
    if (bereich == 0) {
        titel = 36;
        text = 291;
    } else if (bereich == 1) {
        titel = 37;
        text = 292;
    } else {
        return;
    }
    if (!link().meldungen().frage_OK_Abbrechen(hole_Text(text), hole_Text(titel)))
        return;
    Bereich = static_cast<uint8_t>(bereich);
    starten();
}

// ---------------------------------------------------------------- logger flash

cl_Quorvel_loggerflash_loeschen::cl_Quorvel_loggerflash_loeschen(cl_COM_Quorvel& link,
                                                                 const cl_Version& version)
    : cl_COM_data(link, Befehl_Logger_loeschen, false, false, 250000, 1, nullptr, 1, nullptr),
      Nachricht(link.meldungen()), version_(version) {
    setze_Sendedaten(&Modus);
    setze_Antwortpuffer(&Fehler);
    erzeuge_Meldung(hole_Text(808), true);
}

bool cl_Quorvel_loggerflash_loeschen::mit_Fortschritt() const {
    if (version_.passt(-1, 1, -1, 615, -1, -1, -1)) {
        const int typnummer = version_.Typnummer();
        return typnummer == 301 || typnummer == 302 || typnummer == 400 || typnummer == 401;
    }
    return version_.passt(-1, 5, 1, 215, -1, -1, -1);
}

void cl_Quorvel_loggerflash_loeschen::loeschen_fragen(int modus) {
    const bool ok = modus == 0
                        ? link().meldungen().frage_OK_Abbrechen(hole_Text(809), hole_Text(90))
                        : link().meldungen().frage_OK_Abbrechen(hole_Text(59), hole_Text(58));
    // A second erase while one runs is ignored, and its progress bar left as it is.
    if (!ok || aktiv)
        return;
    Modus = static_cast<uint8_t>(modus);
    Fortschritt_an = mit_Fortschritt();
    zeige_Fortschritt(Fortschritt_an);
    starten();
}

void cl_Quorvel_loggerflash_loeschen::Antwort() {
    if (Fehler != 0) {
        Nachricht.zeige(hole_Text(298));
        verberge_Meldung();
        return;
    }
    if (Fortschritt_an && Fortschritt)
        Fortschritt->starten_zyklisch(500, 100);
    else
        verberge_Meldung();
}

cl_Quorvel_loggerflash_loeschen_Fortschritt::cl_Quorvel_loggerflash_loeschen_Fortschritt(
    cl_COM_Quorvel& link, cl_Quorvel_loggerflash_loeschen& loeschen)
    : cl_COM_data(link, Befehl_Fortschritt, false, false, 500, 0, nullptr, 2, nullptr),
      loeschen_(loeschen) {
    setze_Antwortpuffer(Antwortdaten.data());
    loeschen.Fortschritt = this;
}

void cl_Quorvel_loggerflash_loeschen_Fortschritt::Antwort() {
    const int p = Stand();
    if (p >= 0 && p <= 1000) {
        loeschen_.setze_Fortschritt(p);
        return;
    }
    stoppen();
    if (p < 0)
        loeschen_.Nachricht.zeige(hole_Text(298));
    loeschen_.verberge_Meldung();
}

// ---------------------------------------------------------------- idle actuator

cl_Quorvel_Leerlaufsteller_aendern::cl_Quorvel_Leerlaufsteller_aendern(cl_COM_Quorvel& link,
                                                                       const cl_Version& version)
    : cl_COM_data(link, Befehl_Leerlaufsteller, false, false, 500, 2, nullptr, 0, nullptr),
      version_(version) {
    setze_Sendedaten(Bytes.data());
}

void cl_Quorvel_Leerlaufsteller_aendern::setzen(int a, int b) {
    if (version_.ECU_Typ() == 5)
        return;
    Bytes[0] = static_cast<uint8_t>(a & 0xFF);
    Bytes[1] = b >= 256 ? 255 : static_cast<uint8_t>(b & 0xFF);
    starten();
}

// ---------------------------------------------------------------- speed-sensor test

cl_Quorvel_starte_Test_Drehzahl::cl_Quorvel_starte_Test_Drehzahl(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Start, false, false, 60000, 2, nullptr, 0, nullptr) {
    setze_Sendedaten(Ergebnislaenge.data());
    erzeuge_Meldung(hole_Text(295), true);
}

void cl_Quorvel_starte_Test_Drehzahl::starten(bool alternativ, int anzahl,
                                              std::span<uint8_t> puffer) {
    // The fields describe the exchange in flight; a second click must not change them.
    if (aktiv)
        return;
    const int laenge = anzahl * 2;
    if (anzahl < 0 || laenge > std::numeric_limits<uint16_t>::max() ||
        static_cast<size_t>(laenge) > puffer.size())
        return;
    schreibe_Wort(Ergebnislaenge.data(), static_cast<uint16_t>(laenge));
    puffer_ = puffer;
    Befehl = alternativ ? Befehl_Alternativ : Befehl_Start;
    Blockweise_lesen = false;
    Blockweise_senden = false;
    Sendelaenge = 2;
    setze_Sendedaten(Ergebnislaenge.data());
    Antwortlaenge = 0;
    cl_COM_data::starten();
}

void cl_Quorvel_starte_Test_Drehzahl::Antwort() {
    switch (Befehl) {
    case Befehl_Start:
        Befehl = Befehl_Ergebnis;
        Blockweise_lesen = true;
        Sendelaenge = 0;
        Antwortlaenge = lies_Wort(Ergebnislaenge.data());
        setze_Antwortpuffer(puffer_.data());
        cl_COM_data::starten();
        break;
    case Befehl_Ergebnis:
        Befehl = Befehl_Ende;
        Blockweise_lesen = false;
        Sendelaenge = 0;
        Antwortlaenge = 0;
        cl_COM_data::starten();
        if (zeige_Ergebnis)
            zeige_Ergebnis();
        break;
    case Befehl_Ende:
        verberge_Meldung();
        break;
    default:
        // The alternative start: its answer ends the exchange.
        break;
    }
}

// ---------------------------------------------------------------- error memory

cl_Quorvel_Fehlerspeicher_loeschen::cl_Quorvel_Fehlerspeicher_loeschen(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Fehlerspeicher_loeschen, false, false, 100000, 0, nullptr, 0,
                  nullptr) {
    erzeuge_Meldung(hole_Text(451), false);
}

void cl_Quorvel_Fehlerspeicher_loeschen::Antwort() {
    if (lese_ab_Anfang)
        lese_ab_Anfang();
}

// ---------------------------------------------------------------- power measurement

cl_Quorvel_starte_Leistungsmessung::cl_Quorvel_starte_Leistungsmessung(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Leistung_Start, false, false, 500, 0, nullptr, 0, nullptr) {
    erzeuge_Meldung(hole_Text(313), true);
}

void cl_Quorvel_starte_Leistungsmessung::Antwort() {
    InterAction_ausfuehren(*this, Beantwortet);
}

cl_Quorvel_beende_Leistungsmessung::cl_Quorvel_beende_Leistungsmessung(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Leistung_Ende, false, false, 500, 0, nullptr, 0, nullptr) {}

void cl_Quorvel_beende_Leistungsmessung::Antwort() {
    InterAction_ausfuehren(*this, Beantwortet);
}

// ---------------------------------------------------------------- injector test

cl_Quorvel_starte_Test_Duese::cl_Quorvel_starte_Test_Duese(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Start, false, false, 500, 4, nullptr, 2, nullptr) {
    setze_Sendedaten(Sendeworte.data());
    erzeuge_Meldung(hole_Text(370), true);
}

void cl_Quorvel_starte_Test_Duese::starten(uint16_t a, uint16_t b, std::span<uint8_t, 2> restzeit) {
    if (aktiv)
        return;
    schreibe_Wort(Sendeworte.data(), a);
    schreibe_Wort(Sendeworte.data() + 2, b);
    restzeit_ = restzeit.data();
    Ende_verlangt = false;
    Befehl = Befehl_Start;
    Sendelaenge = 4;
    Antwortlaenge = 0;
    cl_COM_data::starten();
}

void cl_Quorvel_starte_Test_Duese::stoppen() {
    // A query in flight is let finish and its answer ends the test: changing the command
    // under it would have that answer refused, abandoning it would pause the link.
    if (aktiv && Befehl == Befehl_Restzeit && link().aktuelle_Anfrage() == this &&
        link().wartet()) {
        Ende_verlangt = true;
        return;
    }
    beende();
}

void cl_Quorvel_starte_Test_Duese::beende() {
    Ende_verlangt = false;
    cl_COM_data::stoppen();
    Befehl = Befehl_Ende;
    Sendelaenge = 0;
    Antwortlaenge = 0;
    cl_COM_data::starten();
}

void cl_Quorvel_starte_Test_Duese::Antwort() {
    switch (Befehl) {
    case Befehl_Start:
        Befehl = Befehl_Restzeit;
        Sendelaenge = 0;
        Antwortlaenge = 2;
        setze_Antwortpuffer(restzeit_);
        starten_zyklisch(0, 100);
        break;
    case Befehl_Restzeit:
        if (Ende_verlangt || (restzeit_ && lies_Wort(restzeit_) == 0))
            beende();
        if (zeige_Restzeit)
            zeige_Restzeit();
        break;
    case Befehl_Ende:
        cl_COM_data::stoppen();
        verberge_Meldung();
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- manual injection

cl_Quorvel_Hand_umschalten::cl_Quorvel_Hand_umschalten(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Hand, false, false, 500, 0, nullptr, 0, nullptr) {}

void cl_Quorvel_Hand_umschalten::starten() {
    if (Einspritzzeit)
        Einspritzzeit->Akkumulator = 0;
    cl_COM_data::starten();
}

cl_Quorvel_Hand_Einspritzzeit_aendern::cl_Quorvel_Hand_Einspritzzeit_aendern(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Einspritzzeit, false, false, 500, 2, nullptr, 0, nullptr) {
    setze_Sendedaten(Sendewort.data());
}

void cl_Quorvel_Hand_Einspritzzeit_aendern::addieren(int delta) {
    // Held keys must not run the sum past the integer's range.
    const int64_t summe = static_cast<int64_t>(Akkumulator) + delta;
    Akkumulator = static_cast<int32_t>(std::clamp<int64_t>(
        summe, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

void cl_Quorvel_Hand_Einspritzzeit_aendern::senden() {
    if (Akkumulator == 0 || aktiv)
        return;
    // A sum past the 16-bit word goes out as the largest change, never wrapped into one of
    // the other sign.
    const int64_t wert = static_cast<int64_t>(Akkumulator) * 10 / 8;
    const int64_t wort = std::clamp<int64_t>(wert, std::numeric_limits<int16_t>::min(),
                                             std::numeric_limits<int16_t>::max());
    schreibe_Wort(Sendewort.data(), static_cast<uint16_t>(static_cast<int16_t>(wort)));
    Akkumulator = 0;
    starten();
}

// ---------------------------------------------------------------- input and output tests

cl_Quorvel_Test_digitale_Eingaenge::cl_Quorvel_Test_digitale_Eingaenge(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Test_Eingaenge, false, false, 500, 1, nullptr, 0, nullptr) {
    setze_Sendedaten(&Schalter);
}

void cl_Quorvel_Test_digitale_Eingaenge::einschalten() {
    Schalter = 1;
    starten();
}

void cl_Quorvel_Test_digitale_Eingaenge::ausschalten() {
    Schalter = 0;
    starten();
}

cl_Quorvel_Test_digitale_Ausgaenge::cl_Quorvel_Test_digitale_Ausgaenge(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Test_Ausgaenge, false, false, 500, 1, nullptr, 0, nullptr) {
    setze_Sendedaten(&Schalter);
}

// ---------------------------------------------------------------- gearbox

cl_DSG_Handbetrieb::cl_DSG_Handbetrieb(cl_COM_Quorvel& link, const cl_Version& version)
    : cl_COM_data(link, Befehl_DSG_Hand, false, false, 500, 8, nullptr, 0, nullptr),
      version_(version) {
    setze_Sendedaten(Satz.data());
}

void cl_DSG_Handbetrieb::setzen(int index, int wert) {
    if (version_.ECU_Typ() != 3)
        return;
    schreibe_Wort(Satz.data(), static_cast<uint16_t>(index));
    if (index >= 1 && index <= 3)
        schreibe_Wort(Satz.data() + 2 * index, static_cast<uint16_t>(wert));
    starten();
}

cl_DSG_Logdaten_starten::cl_DSG_Logdaten_starten(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_DSG_Log_Start, false, false, 500, 0, nullptr, 0, nullptr) {}

cl_E_Gas_kalibrieren::cl_E_Gas_kalibrieren(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_E_Gas, false, false, 500, 0, nullptr, 0, nullptr) {
    erzeuge_Meldung(hole_Text(451), false);
}

// ---------------------------------------------------------------- boot loader

cl_Bootloader_update::cl_Bootloader_update(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Bootloader, false, false, 5000, 0, nullptr, 2, nullptr) {
    setze_Antwortpuffer(Statuswort.data());
    erzeuge_Meldung(hole_Text(741), false);
}

void cl_Bootloader_update::Antwort() {
    InterAction_ausfuehren(*this, Beantwortet);
}

// ---------------------------------------------------------------- creation

Befehlsobjekte::Befehlsobjekte(cl_COM_Quorvel& link, const cl_Version& version)
    : Quorvel_ins_Flash_sichern(std::make_unique<cl_Quorvel_ins_Flash_sichern>(link)),
      Quorvel_Flash_loeschen(std::make_unique<cl_Quorvel_Flash_loeschen>(link)),
      Quorvel_loggerflash_loeschen(
          std::make_unique<cl_Quorvel_loggerflash_loeschen>(link, version)),
      Quorvel_loggerflash_loeschen_Fortschritt(
          std::make_unique<cl_Quorvel_loggerflash_loeschen_Fortschritt>(
              link, *Quorvel_loggerflash_loeschen)),
      Quorvel_Leerlaufsteller_aendern(
          std::make_unique<cl_Quorvel_Leerlaufsteller_aendern>(link, version)),
      Quorvel_starte_Test_Drehzahl(std::make_unique<cl_Quorvel_starte_Test_Drehzahl>(link)),
      Quorvel_Fehlerspeicher_loeschen(std::make_unique<cl_Quorvel_Fehlerspeicher_loeschen>(link)),
      Quorvel_starte_Leistungsmessung(std::make_unique<cl_Quorvel_starte_Leistungsmessung>(link)),
      Quorvel_beende_Leistungsmessung(std::make_unique<cl_Quorvel_beende_Leistungsmessung>(link)),
      Quorvel_starte_Test_Duese(std::make_unique<cl_Quorvel_starte_Test_Duese>(link)),
      Quorvel_Hand_umschalten(std::make_unique<cl_Quorvel_Hand_umschalten>(link)),
      Quorvel_Hand_Einspritzzeit_aendern(
          std::make_unique<cl_Quorvel_Hand_Einspritzzeit_aendern>(link)),
      Quorvel_Test_digitale_Eingaenge(std::make_unique<cl_Quorvel_Test_digitale_Eingaenge>(link)),
      Quorvel_Test_digitale_Ausgaenge(std::make_unique<cl_Quorvel_Test_digitale_Ausgaenge>(link)),
      DSG_Handbetrieb(std::make_unique<cl_DSG_Handbetrieb>(link, version)),
      DSG_Logdaten_starten(std::make_unique<cl_DSG_Logdaten_starten>(link)),
      E_Gas_kalibrieren(std::make_unique<cl_E_Gas_kalibrieren>(link)),
      Bootloader_update(std::make_unique<cl_Bootloader_update>(link)) {
    Quorvel_Hand_umschalten->Einspritzzeit = Quorvel_Hand_Einspritzzeit_aendern.get();
}
