#include "windows/TForm.h"

#include "base/Uglobal.h"
#include "windows/Fensterhilfe.h"

#include <QKeySequence>
#include <QShortcut>

namespace {
constexpr int Schritt = 8;
} // namespace

TForm::TForm(QString hilfethema, QWidget* parent)
    : QWidget(parent, Qt::Window), hilfethema_(std::move(hilfethema)) {
    // Windows live for the whole run: closing only hides them.
    setAttribute(Qt::WA_DeleteOnClose, false);

    const auto taste = [this](QKeyCombination keys, auto aktion) {
        auto* shortcut = new QShortcut(QKeySequence(keys), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, aktion);
    };
    taste(Qt::CTRL | Qt::Key_C, [this] { kopiere_Bild(); });
    taste(Qt::ALT | Qt::Key_PageDown, [this] { InterAction_ausfuehren(*this, Weiter); });
    taste(Qt::ALT | Qt::Key_PageUp, [this] { InterAction_ausfuehren(*this, Zurueck); });
    taste(Qt::ALT | Qt::Key_Left, [this] { verschiebe(-Schritt, 0); });
    taste(Qt::ALT | Qt::Key_Right, [this] { verschiebe(Schritt, 0); });
    taste(Qt::ALT | Qt::Key_Up, [this] { verschiebe(0, -Schritt); });
    taste(Qt::ALT | Qt::Key_Down, [this] { verschiebe(0, Schritt); });
    taste(Qt::ALT | Qt::Key_Delete, [this] { close(); });
    taste(QKeyCombination(Qt::Key_F1), [this] { zeige_Hilfe(hilfethema_); });
}

void TForm::kopiere_Bild() {
    Bild_in_Zwischenablage(grab());
}

void TForm::verschiebe(int dx, int dy) {
    move(pos() + QPoint(dx, dy));
}
