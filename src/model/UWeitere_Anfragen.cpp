#include "model/UWeitere_Anfragen.h"

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "platform/Dateien.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------- gearbox log

cl_DSG_Log_Daten::cl_DSG_Log_Daten(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Log, false, false, 500, 2, nullptr, Laenge, nullptr) {
    setze_Sendedaten(Satznummer.data());
    setze_Antwortpuffer(Datensatz.data());
}

void cl_DSG_Log_Daten::anfordern(uint16_t nummer) {
    schreibe_Wort(Satznummer.data(), nummer);
    cl_COM_data::starten();
}

void cl_DSG_Log_Daten::Antwort() {
    InterAction_ausfuehren(*this, Beantwortet);
}

cl_DSG_log_Zustandsdaten::cl_DSG_log_Zustandsdaten(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Zustand, false, false, 500, 0, nullptr, Laenge, nullptr) {
    setze_Antwortpuffer(Datensatz.data());
}

void cl_DSG_log_Zustandsdaten::Antwort() {
    InterAction_ausfuehren(*this, Beantwortet);
}

cl_Leistung_Quorvel::cl_Leistung_Quorvel(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Leistung, false, false, 500, 0, nullptr, Laenge, nullptr) {
    setze_Antwortpuffer(Datensatz.data());
}

void cl_Leistung_Quorvel::Antwort() {
    InterAction_ausfuehren(*this, Beantwortet);
}

// ---------------------------------------------------------------- password number

cl_Passwort_Nr_schreiben::cl_Passwort_Nr_schreiben(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Nr_schreiben, false, false, 500, 2, nullptr, 0, nullptr) {
    setze_Sendedaten(Nummer.data());
}

void cl_Passwort_Nr_schreiben::senden(uint16_t nummer) {
    schreibe_Wort(Nummer.data(), nummer);
    cl_COM_data::starten();
}

cl_Passwort_Nr_lesen::cl_Passwort_Nr_lesen(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Nr_lesen, false, false, 500, 0, nullptr, 2, nullptr) {
    setze_Antwortpuffer(Nummer.data());
}

void cl_Passwort_Nr_lesen::Antwort() {
    InterAction_ausfuehren(*this, Beantwortet);
}

// ---------------------------------------------------------------- input and output tests

cl_analoge_Eingaenge::cl_analoge_Eingaenge(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_analog, false, false, 500, 0, nullptr, Laenge, nullptr) {
    setze_Antwortpuffer(Datensatz.data());
}

void cl_analoge_Eingaenge::Antwort() {
    Alter = 0;
    InterAction_ausfuehren(*this, Beantwortet);
}

cl_digitale_Eingaenge::cl_digitale_Eingaenge(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_digital, false, false, 500, 0, nullptr, Laenge, nullptr) {
    setze_Antwortpuffer(Datensatz.data());
}

void cl_digitale_Eingaenge::Antwort() {
    Alter = 0;
    const uint16_t zustaende = lies_Wort(Datensatz.data());
    for (int k = 0; k < Eingaenge; ++k)
        Digitaleingang_Zustand[static_cast<size_t>(k)] = (zustaende >> k) & 1;
    InterAction_ausfuehren(*this, Beantwortet);
}

cl_digitale_Ausgaenge::cl_digitale_Ausgaenge(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Ausgaenge, false, false, 500, 0, nullptr, Laenge, nullptr) {
    setze_Antwortpuffer(Datensatz.data());
}

void cl_digitale_Ausgaenge::Antwort() {
    Alter = 0;
    InterAction_ausfuehren(*this, Beantwortet);
}

// ---------------------------------------------------------------- flags

cl_Merker::cl_Merker(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Merker, false, false, 500, 0, nullptr, 2, nullptr) {
    setze_Antwortpuffer(Wort.data());
}

void cl_Merker::Antwort() {
    InterAction_ausfuehren(*this, Beantwortet);
}

cl_Merker_senden::cl_Merker_senden(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Merker_senden, false, false, 500, 2, nullptr, 0, nullptr) {
    setze_Sendedaten(Wort.data());
}

void cl_Merker_senden::senden(uint16_t merker) {
    schreibe_Wort(Wort.data(), merker);
    cl_COM_data::starten();
}

void cl_Merker_senden::senden_sofort(uint16_t merker) {
    schreibe_Wort(Wort.data(), merker);
    sofort_starten();
}

// ---------------------------------------------------------------- logger

cl_Test_Logdaten::cl_Test_Logdaten(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Logger, false, false, 500, 2, nullptr, Laenge, nullptr) {
    setze_Sendedaten(Sendeblock.data());
    setze_Antwortpuffer(Block.data());
}

void cl_Test_Logdaten::starten() {
    schreibe_Wort(Sendeblock.data(), 0);
    cl_COM_data::starten();
}

void cl_Test_Logdaten::stoppen() {
    // A read under way ends here: otherwise the erase the user confirmed would not go out,
    // and the chain's next answer would overwrite its block number.
    cl_COM_data::stoppen();
    schreibe_Wort(Sendeblock.data(), Ende);
    cl_COM_data::starten();
}

int cl_Test_Logdaten::Anzahl() const {
    return std::min<int>(Rohanzahl(), Saetze_max);
}

void cl_Test_Logdaten::Antwort() {
    InterAction_ausfuehren(*this, Beantwortet);
    const uint16_t block = Blocknummer();
    const uint16_t anzahl = Rohanzahl();
    if (anzahl == 0 && block == Ende)
        return;
    schreibe_Wort(Sendeblock.data(), static_cast<uint16_t>(block + anzahl));
    cl_COM_data::starten();
}

// ---------------------------------------------------------------- system data

cl_ECU_Systemdaten::cl_ECU_Systemdaten(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Systemdaten, false, false, 500, 1, nullptr, 5, nullptr) {
    setze_Sendedaten(&Index);
    setze_Antwortpuffer(Antwortdaten.data());
}

void cl_ECU_Systemdaten::anfordern(uint8_t index) {
    Index = index;
    sofort_starten();
}

void cl_ECU_Systemdaten::Antwort() {
    InterAction_ausfuehren(*this, Beantwortet);
}

// ---------------------------------------------------------------- export and import

cl_Export_starten::cl_Export_starten(cl_COM_Quorvel& link, Meldungen& meldungen)
    : cl_COM_data(link, Befehl_Export, false, false, 500, Kopflaenge, nullptr, Antwortlaenge_Kopf,
                  nullptr),
      meldungen_(meldungen) {
    setze_Sendedaten(Sendekopf.data());
    setze_Antwortpuffer(Kopf.data());
    Abbruch_bei_Timeout = true;
}

bool cl_Export_starten::starten(const QString& pw1, uint16_t nr1, const QString& pw2, uint16_t nr2,
                                const QString& pw3, uint16_t nr3, const QString& neuesPw,
                                uint16_t neueNr) {
    const QString* texte[] = {&pw1, &pw2, &pw3, &neuesPw};
    QByteArray felder[4];
    for (int i = 0; i < 4; ++i) {
        felder[i] = Dateien::zu_1252(*texte[i]);
        // Characters the code page lacks would go out as '?', a 0 would end the field early.
        if (felder[i].size() > Passwort_max || Dateien::von_1252(felder[i]) != *texte[i] ||
            felder[i].contains('\0')) {
            meldungen_.zeige(hole_Text(Text_Passwort_zu_lang));
            return false;
        }
    }
    // Only the characters and the 0 after them: the bytes behind stay as an earlier export
    // left them.
    for (int i = 0; i < 4; ++i) {
        uint8_t* feld = Sendekopf.data() + Feldlaenge * i;
        std::memcpy(feld, felder[i].constData(), static_cast<size_t>(felder[i].size()));
        feld[felder[i].size()] = 0;
    }
    const uint16_t nummern[] = {nr1, nr2, nr3, neueNr};
    for (int i = 0; i < 4; ++i)
        schreibe_Wort(Sendekopf.data() + 48 + 2 * i, nummern[i]);
    cl_COM_data::starten();
    return true;
}

void cl_Export_starten::Antwort() {
    InterAction_ausfuehren(*this, Beantwortet);
}

void cl_Export_starten::Timeout() {
    InterAction_ausfuehren(*this, Fehlgeschlagen);
}

cl_Export_next::cl_Export_next(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Export_next, false, false, 5000, 2, nullptr, Laenge, nullptr) {
    // The word sent is the one the last answer brought.
    setze_Sendedaten(Block.data() + 2);
    setze_Antwortpuffer(Block.data());
    Abbruch_bei_Timeout = true;
}

void cl_Export_next::anfordern() {
    // Inverted only for a request that goes out: a call while one is under way would leave
    // the word out of step with what the ECU echoes.
    if (aktiv)
        return;
    Block[2] ^= 1;
    sofort_starten();
}

int cl_Export_next::Paaranzahl() const {
    return std::min<int>(Rohanzahl(), Paare_max);
}

void cl_Export_next::Antwort() {
    InterAction_ausfuehren(*this, Beantwortet);
}

void cl_Export_next::Timeout() {
    InterAction_ausfuehren(*this, Fehlgeschlagen);
}

cl_Import_next::cl_Import_next(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Import, false, false, 500, Laenge, nullptr, 2, nullptr) {
    setze_Sendedaten(Telegramm.data());
    setze_Antwortpuffer(Statuswort.data());
    Abbruch_bei_Timeout = true;
}

void cl_Import_next::Antwort() {
    if (Paaranzahl() < Paare_max)
        laeuft = false;
    InterAction_ausfuehren(*this, Beantwortet);
    if (laeuft)
        sofort_starten();
}

void cl_Import_next::Timeout() {
    InterAction_ausfuehren(*this, Fehlgeschlagen);
}

// ---------------------------------------------------------------- memory check

cl_Speicher_Daten::cl_Speicher_Daten(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_RAM, false, false, 500, 0, nullptr, Laenge, nullptr) {
    setze_Antwortpuffer(Antwortdaten.data());
}

void cl_Speicher_Daten::starten() {
    laeuft = true;
    Runde_fertig = false;
    // The command names the memory of the answer in flight; changed under it, that answer
    // would be refused and counted as a failure.
    if (aktiv)
        return;
    Befehl = Befehl_RAM;
    cl_COM_data::starten();
}

void cl_Speicher_Daten::Antwort() {
    if (!zeige_Speicher)
        return;
    zeige_Speicher(Befehl);
    switch (Befehl) {
    case Befehl_RAM:
        // A new pass: without this, every memory after the first pass would wait the pass's
        // pause until the window's timer started the scan again.
        Runde_fertig = false;
        Befehl = Befehl_Flash_0;
        break;
    case Befehl_Flash_0:
        Befehl = Befehl_Flash_1;
        break;
    default:
        Befehl = Befehl_RAM;
        Runde_fertig = true;
        break;
    }
    if (!laeuft)
        return;
    if (Runde_fertig)
        starten_nach(500);
    else
        cl_COM_data::starten();
}

// ---------------------------------------------------------------- creation

Weitere_Anfragen::Weitere_Anfragen(cl_COM_Quorvel& link, Meldungen& meldungen)
    : DSG_Log_Daten(std::make_unique<cl_DSG_Log_Daten>(link)),
      DSG_log_Zustandsdaten(std::make_unique<cl_DSG_log_Zustandsdaten>(link)),
      Leistung_Quorvel(std::make_unique<cl_Leistung_Quorvel>(link)),
      Export_starten(std::make_unique<cl_Export_starten>(link, meldungen)),
      Export_next(std::make_unique<cl_Export_next>(link)),
      Import_next(std::make_unique<cl_Import_next>(link)),
      Passwort_Nr_schreiben(std::make_unique<cl_Passwort_Nr_schreiben>(link)),
      Passwort_Nr_lesen(std::make_unique<cl_Passwort_Nr_lesen>(link)),
      analoge_Eingaenge(std::make_unique<cl_analoge_Eingaenge>(link)),
      digitale_Eingaenge(std::make_unique<cl_digitale_Eingaenge>(link)),
      digitale_Ausgaenge(std::make_unique<cl_digitale_Ausgaenge>(link)),
      Merker(std::make_unique<cl_Merker>(link)),
      Merker_senden(std::make_unique<cl_Merker_senden>(link)),
      Test_Logdaten(std::make_unique<cl_Test_Logdaten>(link)),
      ECU_Systemdaten(std::make_unique<cl_ECU_Systemdaten>(link)) {}
