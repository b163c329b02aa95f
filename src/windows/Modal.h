#pragma once

class QWidget;

// Shows a window modally and returns when it is hidden again (by its buttons, its close
// box or Alt+Del), the way a form's modal showing does.
void zeige_modal(QWidget& fenster);
