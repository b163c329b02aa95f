#include "model/UKennfelder.h"

#include "base/UInterAction.h"
#include "base/Uglobal.h"
#include "model/UParameter.h"
#include "model/UQuorveldata.h"
#include "model/UStatusdaten.h"

Zuendeditor::Zuendeditor(std::function<QString()> standardtitel)
    : standardtitel_(std::move(standardtitel)) {}

void Zuendeditor::setze_Titel(const QString& text) {
    Titel = text.isEmpty() && standardtitel_ ? standardtitel_() : text;
    if (Titel_geaendert)
        Titel_geaendert(Titel);
}

void Zuendeditor::setze_Bedingung(const QString& text) {
    Bedingung = text;
    Bedingung.remove(QLatin1Char(' '));
}

Kennfelder::Kennfelder()
    : zuendung_([this] { return Zuendung_Standardtitel(); }),
      zuendung_2_([] { return hole_Text(1209); }) {}

Kennfelder::~Kennfelder() = default;

void Kennfelder::melde_an(TInterAction& registry) {
    registry_ = &registry;
}
void Kennfelder::vergiss_Kennfelder() {}
void Kennfelder::verbinde(const Kennfelder_Umgebung& umgebung) {
    u_.emplace(umgebung);
}
void Kennfelder::setze_Fabrik(std::unique_ptr<Kennfeld_Fabrik> fabrik) {
    fabrik_ = std::move(fabrik);
}
void Kennfelder::erzeuge_Kennfelder(Kennfeld_Fabrik&) {}
cl_Kennfeld* Kennfelder::Katalogkennfeld(int) const {
    return nullptr;
}
void Kennfelder::erstelle_Kennfeldliste() {}
cl_Kennfeld* Kennfelder::suche_in_alle(int) const {
    return nullptr;
}
cl_Kennfeld* Kennfelder::suche_in_angeboten(int) const {
    return nullptr;
}
bool Kennfelder::ist_angeboten(const Kennfeldglied&) const {
    return false;
}
void Kennfelder::haenge_an(cl_Kennfeld& kennfeld) {
    angeboten_.push_back({&kennfeld, nullptr});
}
void Kennfelder::haenge_an(Zuendeditor& editor) {
    angeboten_.push_back({nullptr, &editor});
}
void Kennfelder::haenge_Trenner_an() {
    angeboten_.push_back({});
}
cl_Kennfeld* Kennfelder::erzeuge_beschriebenes_Kennfeld(const Kennfeld_Beschreibung&) {
    return nullptr;
}
void Kennfelder::loesche_Kennfeld_Angebot() {}
void Kennfelder::setze_Standard_Katalog() {}
void Kennfelder::erstelle_Angebotsliste(bool) {}
void Kennfelder::pruefe_Kennfeld_Bedingungen() {}
std::optional<bool> Kennfelder::Menue_sichtbar(const QString&) {
    return std::nullopt;
}
int Kennfelder::ECU_Typ() const {
    return 0;
}
void Kennfelder::erstelle_Kennfeld_Menue() {}
void Kennfelder::aktualisiere_Kennfeld_Menue() {}
void Kennfelder::Kennfelder_online() {}
void Kennfelder::Kennfelder_offline() {}
void Kennfelder::passe_Kennfelder_an_Parameter_an() {}
void Kennfelder::aktualisiere_Betriebspunkte() {}
void Kennfelder::aktualisiere_Betriebspunkte_Diesel() {}
void Kennfelder::aktualisiere_Betriebspunkte_Diesel_A() {}
void Kennfelder::aktualisiere_Betriebspunkte_Getriebe() {}
void Kennfelder::melde_Betriebspunkte_an(int) {}
QString Kennfelder::Zuendung_Standardtitel() const {
    return hole_Text(270);
}
void Kennfelder::aktualisiere_beschriebene_Betriebspunkte(const std::array<QString, 3>&) {}
