#include "core/AppContext.h"

#include "core/TForm.h"
#include "core/UQuorvel.h"
#include "platform/Dialoge.h"
#include "platform/Registry.h"
#include "service/USicherheitstext.h"

#include <QApplication>
#include <algorithm>

namespace {
AppContext* g_kontext = nullptr;

void aktiviere(TForm* fenster) {
    fenster->raise();
    fenster->activateWindow();
    fenster->setFocus();
}
} // namespace

AppContext::AppContext(const QString& aktuellerOrdner, const QStringList& argumente,
                       std::unique_ptr<Registry> registry)
    : registry_(registry ? std::move(registry) : std::make_unique<Registry>()),
      interAction_(std::make_unique<TInterAction>()), daten_(std::make_unique<Globaldaten>()) {
    g_kontext = this;
    installiere_InterAction(interAction_.get());
    installiere_Globaldaten(daten_.get());
    Uglobal_init(*daten_, *registry_, aktuellerOrdner, argumente);
}

AppContext::~AppContext() {
    // Windows first, in reverse creation order, then the objects made before them.
    while (!fenster_.empty())
        fenster_.pop_back();
    installiere_Globaldaten(nullptr);
    installiere_InterAction(nullptr);
    if (g_kontext == this)
        g_kontext = nullptr;
}

AppContext* AppContext::aktuell() {
    return g_kontext;
}

template <class F> F& AppContext::erzeuge() {
    auto fenster = std::make_unique<F>();
    F& ref = *fenster;
    fenster_.push_back(std::move(fenster));
    return ref;
}

void AppContext::erzeuge_Fenster() {
    // Messages of the unit initialisation (a missing language file) can be shown now.
    Dialoge::zeige_Wartende();

    // The fixed creation order; it is also the order in which different windows' handlers
    // run for the same event.
    erzeuge<TForm_Quorvel>();
    erzeuge<TForm_Sicherheitstext>();

    interAction_->CreateProc(TForm::Klasse, naechstes_Fenster, 1);
    interAction_->CreateProc(TForm::Klasse, vorheriges_Fenster, 2);
}

void AppContext::starte() {
    if (beendet_)
        return;
    if (TForm_Quorvel* haupt = hauptfenster())
        haupt->show();
}

void AppContext::beende(int code) {
    if (!beendet_)
        rueckgabewert_ = code;
    beendet_ = true;
    QCoreApplication::exit(rueckgabewert_);
}

std::vector<TForm*> AppContext::Fenster() const {
    std::vector<TForm*> liste;
    liste.reserve(fenster_.size());
    for (const auto& f : fenster_)
        liste.push_back(f.get());
    return liste;
}

TForm_Quorvel* AppContext::hauptfenster() const {
    return fenster<TForm_Quorvel>();
}

namespace {

bool Ziel(const TForm* f, const TForm* haupt) {
    return f->isVisible() && f != haupt;
}

} // namespace

void naechstes_Fenster(Sender& sender) {
    AppContext* ctx = AppContext::aktuell();
    if (!ctx)
        return;
    const std::vector<TForm*> liste = ctx->Fenster();
    const auto it = std::find(liste.begin(), liste.end(), dynamic_cast<TForm*>(&sender));
    if (it == liste.end())
        return;
    const size_t start = static_cast<size_t>(it - liste.begin());
    const TForm* haupt = ctx->hauptfenster();
    for (size_t k = 1; k <= liste.size(); ++k) {
        TForm* f = liste[(start + k) % liste.size()];
        if (Ziel(f, haupt)) {
            aktiviere(f);
            return;
        }
    }
}

void vorheriges_Fenster(Sender&) {
    AppContext* ctx = AppContext::aktuell();
    if (!ctx)
        return;
    const std::vector<TForm*> liste = ctx->Fenster();
    const QWidget* aktiv = QApplication::activeWindow();
    const auto it = std::find(liste.begin(), liste.end(), aktiv);
    if (!aktiv || it == liste.end())
        return;
    const size_t start = static_cast<size_t>(it - liste.begin());
    const TForm* haupt = ctx->hauptfenster();
    for (size_t k = 1; k <= liste.size(); ++k) {
        TForm* f = liste[(start + liste.size() - k) % liste.size()];
        if (Ziel(f, haupt)) {
            aktiviere(f);
            return;
        }
    }
}
