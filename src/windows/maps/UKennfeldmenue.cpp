#include "windows/maps/UKennfeldmenue.h"

#include "windows/maps/UKennfeldfenster.h"

#include <QAction>
#include <QMenu>

namespace {

// Menue_zeigen: the map's window comes up, without a password gate.
void zeige(cl_Kennfeld& kennfeld) {
    auto* fenster = dynamic_cast<TForm_Kennfeld*>(kennfeld.Ansicht());
    if (!fenster)
        return;
    fenster->show();
    fenster->raise();
    fenster->activateWindow();
}

} // namespace

Kennfeldmenue::Kennfeldmenue(Kennfelder& kennfelder, std::function<QMenu*()> menue)
    : kennfelder_(kennfelder), menue_(std::move(menue)) {}

void Kennfeldmenue::erstelle_Kennfeld_Menue() {
    QMenu* menue = menue_ ? menue_() : nullptr;
    if (!menue)
        return;
    menue->clear();
    for (const Kennfeldglied& g : kennfelder_.Kennfeldliste_angeboten()) {
        if (cl_Kennfeld* kf = g.Kennfeld) {
            QAction* a = menue->addAction(kf->Titel);
            QObject::connect(a, &QAction::triggered, menue, [kf] { zeige(*kf); });
        } else if (Zuendeditor* editor = g.Editor) {
            QAction* a = menue->addAction(editor->Titel);
            QObject::connect(a, &QAction::triggered, menue, [editor] {
                if (editor->zeigen)
                    editor->zeigen();
            });
        } else {
            menue->addSeparator();
        }
    }
}

void Kennfeldmenue::aktualisiere_Kennfeld_Menue() {
    QMenu* menue = menue_ ? menue_() : nullptr;
    if (!menue)
        return;
    for (QAction* a : menue->actions()) {
        if (a->isSeparator())
            continue;
        if (const std::optional<bool> sichtbar = kennfelder_.Menue_sichtbar(a->text()))
            a->setVisible(*sichtbar);
    }
}

cl_Kennfeld& Kennfeldfenster_Fabrik::erzeuge(const Kennfeld_Beschreibung& b) {
    return TForm_Kennfeld::erzeuge(k_, b, nach_).Kennfeld();
}
