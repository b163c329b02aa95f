#include "base/Meldungen.h"

#include "platform/Dialoge.h"

void Dialog_Meldungen::zeige(const QString& text) {
    Dialoge::ShowMessage(text);
}

bool Dialog_Meldungen::frage_OK_Abbrechen(const QString& text, const QString& titel) {
    return Dialoge::FrageOkAbbrechen(text, titel);
}

bool Dialog_Meldungen::frage_Ja_Nein(const QString& text, const QString& titel) {
    return Dialoge::FrageJaNein(text, titel);
}
