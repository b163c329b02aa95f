#include "windows/service/Datenimport.h"

#include "base/Meldungen.h"
#include "base/UInterAction.h"
#include "base/Uglobal.h"
#include "link/UComData.h"
#include "model/UWeitere_Anfragen.h"
#include "platform/Dateien.h"
#include "windows/Kontext.h"
#include "windows/service/Datenexport.h"

#include <QFile>

Datenimport::Datenimport(Kontext& kontext, Transferansicht& ansicht)
    : k(kontext), ansicht_(ansicht) {
    const std::weak_ptr<bool> lebt = lebt_;
    k.interAction().Create(
        cl_Import_next::Klasse,
        [this, lebt](Sender&) {
            if (!lebt.expired())
                sende_naechsten_Block();
        },
        cl_COM_data::Beantwortet);
    k.interAction().Create(
        cl_Import_next::Klasse,
        [this, lebt](Sender&) {
            if (!lebt.expired())
                Import_abgebrochen();
        },
        cl_COM_data::Fehlgeschlagen);
}

Datenimport::~Datenimport() = default;

bool Datenimport::oeffne_Importdatei(const QString& datei) {
    Kopf = {};
    Groesse = 0;
    if (datei.isEmpty())
        return true;
    QFile f(Dateien::finde(datei));
    if (!f.open(QIODevice::ReadOnly)) {
        k.meldungen().zeige(hole_Text(Text_Dateifehler));
        return false;
    }
    const QByteArray inhalt = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        k.meldungen().zeige(hole_Text(Text_Dateifehler));
        return false;
    }
    Groesse = inhalt.size() / 2;
    Kopf = QVD::lies_Dateikopf(inhalt);
    return true;
}

bool Datenimport::starten(const QString& datei) {
    if (laeuft_)
        return false;
    auto f = std::make_unique<QFile>(Dateien::finde(datei));
    // Unbuffered: each block comes from the file as it is then, not from what an earlier read
    // kept.
    if (datei.isEmpty() || !f->open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        leser_.oeffne(std::move(f)) != QVD::Importleser::Ergebnis::ok) {
        leser_.schliesse();
        k.meldungen().zeige(hole_Text(Text_Dateifehler));
        return false;
    }
    cl_Import_next& imp = *k.weitere_Anfragen().Import_next;
    imp.Statuswort = {};
    k.link().alle_stoppen();
    imp.laeuft = true;
    if (!bereite_Block_vor()) {
        imp.laeuft = false;
        leser_.schliesse();
        k.meldungen().zeige(hole_Text(Text_Dateifehler));
        return false;
    }
    imp.setze_Erstes(true);
    laeuft_ = true;
    imp.starten();
    ansicht_.zeige_Fortschritt(static_cast<int>(leser_.Groesse()));
    ansicht_.verberge_Fenster();
    return true;
}

bool Datenimport::bereite_Block_vor() {
    cl_Import_next& imp = *k.weitere_Anfragen().Import_next;
    const std::optional<std::vector<QVD::Paar>> paare = leser_.naechster_Block();
    if (!paare)
        return false;
    if (paare->empty()) {
        imp.setze_Paare(0);
        leser_.schliesse();
        return true;
    }
    imp.setze_Erstes(false);
    for (size_t i = 0; i < paare->size(); ++i)
        imp.setze_Paar(static_cast<int>(i), (*paare)[i].Kennung, (*paare)[i].Wert);
    imp.setze_Paare(static_cast<int>(paare->size()));
    if (static_cast<int>(paare->size()) < cl_Import_next::Paare_max)
        leser_.schliesse();
    else
        ansicht_.setze_Position(static_cast<int>(leser_.Position()));
    return true;
}

void Datenimport::halte_an() {
    laeuft_ = false;
    leser_.schliesse();
    k.weitere_Anfragen().Import_next->laeuft = false;
    ansicht_.verberge_Fortschritt();
    ansicht_.verberge_Fenster();
}

void Datenimport::sende_naechsten_Block() {
    // An answer to a telegram of an import that was aborted meanwhile.
    if (!laeuft_)
        return;
    cl_Import_next& imp = *k.weitere_Anfragen().Import_next;
    const uint16_t status = imp.Status();
    if (!imp.laeuft) {
        halte_an();
        int text = Text_fertig;
        if (status == Status_fertig_neu_starten) {
            text = Text_fertig_neu_starten;
        } else if (status != Status_fertig) {
            k.link().trennen();
            text = Text_fehlgeschlagen;
        }
        k.meldungen().zeige(hole_Text(text));
        return;
    }
    if (status == Status_andere_Version && bei_anderer_Version_stoppen) {
        halte_an();
        k.meldungen().zeige(hole_Text(Text_andere_Version));
        return;
    }
    if (status == Status_abgelehnt) {
        halte_an();
        k.meldungen().zeige(hole_Text(Text_abgelehnt));
        return;
    }
    // A telegram that could not be filled from the file does not leave.
    if (!bereite_Block_vor()) {
        halte_an();
        k.meldungen().zeige(hole_Text(Text_Dateifehler));
    }
}

void Datenimport::Import_abgebrochen() {
    if (!laeuft_)
        return;
    halte_an();
}

void Datenimport::Abbruch() {
    laeuft_ = false;
    leser_.schliesse();
    cl_Import_next& imp = *k.weitere_Anfragen().Import_next;
    imp.laeuft = false;
    imp.stoppen();
    ansicht_.verberge_Fortschritt();
}
