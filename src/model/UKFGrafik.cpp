#include "model/UKFGrafik.h"

cl_Kennfeld_Aenderung::cl_Kennfeld_Aenderung(cl_COM_Quorvel& link)
    : cl_COM_data(link, Befehl_Aendern, false, false, 500, 6, nullptr, 0, nullptr) {
    setze_Sendedaten(Sendepuffer.data());
}

void cl_Kennfeld_Aenderung::sende(int, bool, int32_t, int, int) {}

cl_Kennfeld_Grafik::cl_Kennfeld_Grafik(const Kennfeld_Umgebung& umgebung,
                                       const Kennfeld_Beschreibung& b)
    : Kennfeld_Nr(b.Kennfeld_Nr), neues_Protokoll(b.neues_Protokoll), ist_Kurve(b.ist_Kurve),
      log_Y(b.log_Y), X_min(b.X_min), X_max(b.X_max), Y_min(b.Y_min), Y_max(b.Y_max),
      Z_min(b.Z_min), Z_max(b.Z_max), u_(umgebung) {
    Aenderungsauftrag = std::make_unique<cl_Kennfeld_Aenderung>(u_.link);
}

cl_Kennfeld_Grafik::~cl_Kennfeld_Grafik() = default;

void cl_Kennfeld_Grafik::setze_X_min(int32_t) {}
void cl_Kennfeld_Grafik::setze_X_max(int32_t) {}
void cl_Kennfeld_Grafik::setze_Y_min(int32_t) {}
void cl_Kennfeld_Grafik::setze_Y_max(int32_t) {}
void cl_Kennfeld_Grafik::setze_Achsname_X(const QString&) {}
void cl_Kennfeld_Grafik::setze_Titel(const QString&) {}
void cl_Kennfeld_Grafik::berechne_Raster() {}
int32_t cl_Kennfeld_Grafik::berechne_Rasterschritt(int32_t) {
    return 1;
}
int cl_Kennfeld_Grafik::suche_Intervall(const std::array<int32_t, Punkte>&, int32_t) {
    return 0;
}
void cl_Kennfeld_Grafik::setze_Stuetzstellen() {}
void cl_Kennfeld_Grafik::setze_Wert(int, int, int32_t) {}
void cl_Kennfeld_Grafik::setze_Kurvenwert(int, int32_t) {}
int32_t cl_Kennfeld_Grafik::Wert(int, int) const {
    return 0;
}
int32_t cl_Kennfeld_Grafik::Kurvenwert(int) const {
    return 0;
}
int32_t cl_Kennfeld_Grafik::Position_zu_X(int32_t) const {
    return 0;
}
int32_t cl_Kennfeld_Grafik::Position_zu_Y(int32_t) const {
    return 0;
}
int32_t cl_Kennfeld_Grafik::X_zu_Position(int32_t) const {
    return 0;
}
int32_t cl_Kennfeld_Grafik::Y_zu_Position(int32_t) const {
    return 0;
}
int32_t cl_Kennfeld_Grafik::log_Position(int32_t) const {
    return 0;
}
int32_t cl_Kennfeld_Grafik::Wert_an_Punkt(int32_t, int32_t) const {
    return 0;
}
void cl_Kennfeld_Grafik::setze_Projektion(int, int, int, int, int, int) {}
QPoint cl_Kennfeld_Grafik::projiziere(int32_t, int32_t, int32_t) const {
    return {};
}
QPoint cl_Kennfeld_Grafik::projiziere_Position(int32_t, int32_t, int32_t) const {
    return {};
}
QPoint cl_Kennfeld_Grafik::Cursorpunkt() const {
    return {};
}
void cl_Kennfeld_Grafik::setze_Arbeitspunkt(int32_t, int32_t, const QString&, const QString&,
                                            const QString&) {}
void cl_Kennfeld_Grafik::bewege_Cursor(int, int) {}
void cl_Kennfeld_Grafik::Cursor_zum_Arbeitspunkt() {}
void cl_Kennfeld_Grafik::Cursor_gezeichnet() {}
bool cl_Kennfeld_Grafik::FormKeyDown(const Tastendruck&) {
    return false;
}
void cl_Kennfeld_Grafik::waehle_Schritt(int) {}
void cl_Kennfeld_Grafik::aendere_Wert(bool) {}
std::array<int32_t, 4> cl_Kennfeld_Grafik::Achsen_Vorgaben() {
    return {};
}
void cl_Kennfeld_Grafik::uebernehme_Achsen(const std::array<QString, 4>&) {}
void cl_Kennfeld_Grafik::uebernehme_Aenderung(const std::array<QString, 4>&, bool) {}
std::array<int32_t, 4> cl_Kennfeld_Grafik::Parameter_Vorgaben() {
    return {};
}
void cl_Kennfeld_Grafik::uebernehme_Parameter(const std::array<QString, 4>&) {}
void cl_Kennfeld_Grafik::Menue_lesen() {}
void cl_Kennfeld_Grafik::Menue_schreiben() {}
void cl_Kennfeld_Grafik::CheckBox_COMClick(bool) {}
void cl_Kennfeld_Grafik::CheckBox_LeerlaufClick(bool) {}
void cl_Kennfeld_Grafik::ECU_Menue_ein() {}
void cl_Kennfeld_Grafik::ECU_Menue_aus() {}
void cl_Kennfeld_Grafik::FormShow() {}
void cl_Kennfeld_Grafik::FormHide() {}
int32_t cl_Kennfeld_Grafik::begrenze_Anzeige(int64_t w) const {
    return static_cast<int32_t>(w);
}
