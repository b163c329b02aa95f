#include "model/UKennfeld.h"

cl_Kennfeld_Daten::cl_Kennfeld_Daten(int, cl_Kennfeld& fenster, int pauseMs)
    : cl_COM_data(fenster.link(), Befehl_Zeile_lesen, false, false, 500, Lesegroesse, nullptr,
                  Antwortgroesse, nullptr),
      Fenster(fenster), Pause_ms(pauseMs) {
    setze_Sendedaten(Lesedaten.data());
    setze_Antwortpuffer(Antwortdaten.data());
}
void cl_Kennfeld_Daten::lese_Zeile(int, int) {}
void cl_Kennfeld_Daten::starte_Lesen(int) {}
void cl_Kennfeld_Daten::schreibe_Zeile(int) {}
void cl_Kennfeld_Daten::speichere_Kennfeld() {}
void cl_Kennfeld_Daten::lese_Zeile_am_Arbeitspunkt() {}
void cl_Kennfeld_Daten::Antwort() {}
uint8_t cl_Kennfeld_Daten::Zeilenposition(int zeile) {
    return zeile >= 16 ? 255 : static_cast<uint8_t>(16 * zeile);
}
void cl_Kennfeld_Daten::Zeile_gelesen() {}
void cl_Kennfeld_Daten::Zeile_geschrieben() {}
void cl_Kennfeld_Daten::weiter_lesen() {}

cl_Kennfeld::cl_Kennfeld(const Kennfeld_Umgebung& umgebung, const Kennfeld_Beschreibung& b)
    : cl_Kennfeld_Grafik(umgebung, b), selbst_(std::make_shared<cl_Kennfeld*>(this)) {
    Daten = std::make_unique<cl_Kennfeld_Daten>(b.Kennfeld_Nr, *this, 1000);
}
cl_Kennfeld::~cl_Kennfeld() {
    *selbst_ = nullptr;
}
void cl_Kennfeld::setze_Roh_min(int32_t) {}
void cl_Kennfeld::setze_Roh_max(int32_t) {}
void cl_Kennfeld::setze_Bedingung(const QString&) {}
int32_t cl_Kennfeld::Roh_zu_Anzeige(int32_t r) const {
    return r;
}
int32_t cl_Kennfeld::Anzeige_zu_Roh(int32_t w) const {
    return w;
}
void cl_Kennfeld::lese_Zeile_nach_Aenderung(int) {}
void cl_Kennfeld::setze_COM_aktiv(bool) {}
void cl_Kennfeld::lese_von_ECU() {}
void cl_Kennfeld::speichere_Achsen() {}
void cl_Kennfeld::sende_Parameter() {}
void cl_Kennfeld::schreibe_nach_Aenderung() {}
void cl_Kennfeld::schreibe_in_ECU() {}
void cl_Kennfeld::schreibe_Achsbereich() {}
void cl_Kennfeld::stoppe() {}
void cl_Kennfeld::lese_Kennfeld() {}
void cl_Kennfeld::schreibe_Kennfeld(const QString&) {}
void cl_Kennfeld::lese_Kennfeld_Kopie() {}
void cl_Kennfeld::schreibe_Kennfeld_Kopie() {}
void cl_Kennfeld::stoppe_Transfer() {}
void cl_Kennfeld::melde_gelesen() {}
void cl_Kennfeld::melde_geschrieben() {}
bool cl_Kennfeld::speichere_Kennfeld_Datei(bool) {
    return false;
}
bool cl_Kennfeld::lade_Kennfeld_Datei(bool) {
    return false;
}
bool cl_Kennfeld::speichere_Datei(const QString&) {
    return false;
}
bool cl_Kennfeld::lade_Datei(const QString&, bool) {
    return false;
}
void cl_Kennfeld::Menue_CSV() {}
bool cl_Kennfeld::schreibe_Kennfeld_CSV(const QString&, const QStringList&) {
    return false;
}
QStringList cl_Kennfeld::CSV_Zeilen(const QStringList&, QChar, const QDateTime&) const {
    return {};
}
void cl_Kennfeld::Menue_drucken() {}
void cl_Kennfeld::drucke_Kennfeld() {}
void cl_Kennfeld::als_Datenelement_anmelden() {}
void cl_Kennfeld::Block_empfangen() {}
