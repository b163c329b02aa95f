#include "base/UInterAction.h"

#include "base/BaseLog.h"

namespace {
TInterAction* g_registry = nullptr;
} // namespace

bool TInterAction::passt(const KlassenInfo& registriert, const KlassenInfo& sender) {
    const KlassenInfo* k = &sender;
    for (int stufe = 0; stufe < 3 && k; ++stufe, k = k->eltern)
        if (k == &registriert)
            return true;
    return false;
}

void TInterAction::Create(const KlassenInfo& senderKlasse, Methode methode, int event) {
    eintraege_.push_back(std::make_unique<Eintrag>(
        Eintrag{&senderKlasse, std::move(methode), nullptr, event, true}));
}

void TInterAction::CreateProc(const KlassenInfo& senderKlasse, Prozedur prozedur, int event) {
    eintraege_.push_back(
        std::make_unique<Eintrag>(Eintrag{&senderKlasse, nullptr, prozedur, event, true}));
}

bool TInterAction::einmalig_anmelden(const KlassenInfo& senderKlasse, Prozedur prozedur,
                                     int event) {
    for (const auto& e : eintraege_)
        if (e->klasse == &senderKlasse && e->prozedur == prozedur && e->event == event)
            return false;
    CreateProc(senderKlasse, prozedur, event);
    return true;
}

std::vector<std::pair<const KlassenInfo*, int>> TInterAction::Anmeldungen() const {
    std::vector<std::pair<const KlassenInfo*, int>> liste;
    liste.reserve(eintraege_.size());
    for (const auto& e : eintraege_)
        liste.emplace_back(e->klasse, e->event);
    return liste;
}

void TInterAction::ausfuehren(Sender& sender, int event) {
    const KlassenInfo& klasse = sender.klasse();
    const size_t anzahl = eintraege_.size();
    for (size_t i = 0; i < anzahl; ++i) {
        Eintrag& e = *eintraege_[i];
        if (!e.aktiv || e.event != event || !passt(*e.klasse, klasse))
            continue;
        // A handler must not stop the others or reach the sender with its failure.
        try {
            if (e.methode)
                e.methode(sender);
            else if (e.prozedur)
                e.prozedur(sender);
        } catch (...) {
            qCDebug(lcBase) << "handler of" << klasse.name << "event" << event
                            << "failed:" << Ausnahmetext();
        }
    }
}

void installiere_InterAction(TInterAction* registry) {
    g_registry = registry;
}

TInterAction& InterAction() {
    if (g_registry)
        return *g_registry;
    // Without a running program (a unit tested on its own) registrations go nowhere.
    static TInterAction ohne_Programm;
    return ohne_Programm;
}

void InterAction_ausfuehren(Sender& sender, int event) {
    if (g_registry)
        g_registry->ausfuehren(sender, event);
}

bool InterAction_einmalig_anmelden(const KlassenInfo& senderKlasse, TInterAction::Prozedur prozedur,
                                   int event) {
    return g_registry && g_registry->einmalig_anmelden(senderKlasse, prozedur, event);
}
