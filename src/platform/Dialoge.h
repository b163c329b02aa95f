#pragma once

#include <QString>
#include <functional>

// The toolkit's message boxes. Everything the system tells the user goes through here,
// so that a message raised before the application object exists is kept and shown
// later, and so that tests and headless runs can answer the boxes themselves.
namespace Dialoge {

// A plain message with an OK button.
void ShowMessage(const QString& text);
// The same from any thread: the message is posted to the GUI thread and shown there; the
// caller does not wait for it (the GUI thread may be waiting for the caller).
void ShowMessageSpaeter(const QString& text);
// An OK/Cancel question; true when the user chose OK.
bool FrageOkAbbrechen(const QString& text, const QString& caption = QString());
// A Yes/No question; true when the user chose Yes.
bool FrageJaNein(const QString& text, const QString& caption = QString());

struct Handler {
    std::function<void(const QString& text)> message;
    std::function<bool(const QString& text, const QString& caption)> okCancel;
    std::function<bool(const QString& text, const QString& caption)> yesNo;
};
// Replaces the boxes (tests, headless runs); an empty handler restores them.
void setHandler(Handler handler);
// Shows the messages that arrived before a GUI application object existed.
void zeige_Wartende();

} // namespace Dialoge
