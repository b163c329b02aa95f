#include "windows/service/Datenexport.h"

#include "base/Meldungen.h"
#include "base/UInterAction.h"
#include "base/Uglobal.h"
#include "model/QVD_Datei.h"
#include "model/UWeitere_Anfragen.h"
#include "platform/Dateien.h"
#include "windows/Kontext.h"

#include <QFileInfo>

Datenexport::Datenexport(Kontext& kontext, Transferansicht& ansicht)
    : k(kontext), ansicht_(ansicht) {
    const std::weak_ptr<bool> lebt = lebt_;
    const auto melde = [&](const KlassenInfo& klasse, int event, void (Datenexport::*f)()) {
        k.interAction().Create(
            klasse,
            [this, lebt, f](Sender&) {
                if (!lebt.expired())
                    (this->*f)();
            },
            event);
    };
    melde(cl_Export_starten::Klasse, cl_COM_data::Beantwortet, &Datenexport::schreibe_Kopf);
    melde(cl_Export_next::Klasse, cl_COM_data::Beantwortet, &Datenexport::schreibe_Block);
    melde(cl_Export_starten::Klasse, cl_COM_data::Fehlgeschlagen, &Datenexport::Export_abgebrochen);
    melde(cl_Export_next::Klasse, cl_COM_data::Fehlgeschlagen, &Datenexport::Export_abgebrochen);
}

Datenexport::~Datenexport() = default;

QString Datenexport::mit_Endung(const QString& name) {
    if (name.isEmpty() || !QFileInfo(name).suffix().isEmpty())
        return name;
    // "data." has an extension, an empty one, as far as the name is concerned.
    if (name.endsWith(QLatin1Char('.')))
        return name;
    return name + QStringLiteral(".QVD");
}

uint16_t Datenexport::Nummer(const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? static_cast<uint16_t>(n) : 0;
}

bool Datenexport::laeuft() const {
    return datei_ != nullptr;
}

bool Datenexport::starten(const QString& datei, const QStringList& beschreibung,
                          const Exportpasswoerter& pw) {
    // The requests carry one export at a time.
    if (laeuft())
        return false;
    Dateiname = mit_Endung(datei);
    const QString vorhanden = Dateien::finde(Dateiname);
    if (QFileInfo::exists(vorhanden)) {
        if (!k.meldungen().frage_Ja_Nein(hole_Text(Text_ueberschreiben)))
            return false;
        Dateiname = vorhanden;
    }
    datei_ = std::make_unique<QVD::Exportschreiber>(Dateiname);
    if (!datei_->offen() || !datei_->schreibe(QVD::Beschreibung(beschreibung))) {
        datei_.reset();
        k.meldungen().zeige(hole_Text(Text_Dateifehler));
        return false;
    }
    const bool neu = pw.neu;
    if (!k.weitere_Anfragen().Export_starten->starten(
            pw.PW[0], Nummer(pw.Nr[0]), pw.PW[1], Nummer(pw.Nr[1]), pw.PW[2], Nummer(pw.Nr[2]),
            neu ? pw.neues_PW : QString(), neu ? Nummer(pw.neue_Nr) : uint16_t{0})) {
        // Refused with its own message; nothing was sent.
        datei_.reset();
        return false;
    }
    Paare = 0;
    ansicht_.verberge_Fenster();
    ansicht_.zeige_Fortschritt(0);
    return true;
}

void Datenexport::schreibe_Kopf() {
    if (!Zeigen || !laeuft())
        return;
    const cl_Export_starten& start = *k.weitere_Anfragen().Export_starten;
    std::vector<QVD::Paar> paare;
    int maximum = 0;
    for (int i = 0; i < QVD::Kopfpaare; ++i) {
        paare.push_back({start.Kennung(i), start.Kopfwert(i)});
        if (start.Kennung(i) == QVD::Datenanzahl)
            maximum = start.Kopfwert(i);
    }
    if (!datei_->schreibe(paare)) {
        beende(true);
        return;
    }
    ansicht_.setze_Maximum(maximum);
    Paare = 0;
    k.weitere_Anfragen().Export_next->anfordern();
}

void Datenexport::schreibe_Block() {
    if (!Zeigen || !laeuft())
        return;
    cl_Export_next& next = *k.weitere_Anfragen().Export_next;
    std::vector<QVD::Paar> paare;
    const int anzahl = next.Paaranzahl();
    for (int i = 0; i < anzahl; ++i)
        paare.push_back({next.Kennung(i), next.Wert(i)});
    if (!datei_->schreibe(paare)) {
        next.stoppen();
        beende(true);
        return;
    }
    Paare += static_cast<uint32_t>(anzahl);
    ansicht_.setze_Position(static_cast<int>(Paare));
    if (next.weitere_Bloecke()) {
        next.anfordern();
        return;
    }
    // Complete: only now does the file take the target's place.
    beende(!datei_->uebernehme());
}

void Datenexport::beende(bool fehler) {
    datei_.reset();
    Zeigen = false;
    ansicht_.verberge_Fenster();
    ansicht_.verberge_Fortschritt();
    if (fehler)
        k.meldungen().zeige(hole_Text(Text_Dateifehler));
}

void Datenexport::Export_abgebrochen() {
    // The link has said that the ECU did not answer; an older file stays as it was.
    datei_.reset();
    Zeigen = false;
    ansicht_.verberge_Fenster();
    ansicht_.verberge_Fortschritt();
}

void Datenexport::Abbruch() {
    datei_.reset();
    Weitere_Anfragen& w = k.weitere_Anfragen();
    w.Export_starten->stoppen();
    w.Export_next->stoppen();
    ansicht_.verberge_Fortschritt();
}
