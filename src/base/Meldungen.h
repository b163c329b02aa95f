#pragma once

#include <QString>

// Where the link and the model tell the user things and ask before destructive actions.
// The application context supplies it: the platform's message boxes in the program, a
// recorder in tests, which also answers the questions for the user.
class Meldungen {
public:
    virtual ~Meldungen() = default;

    // A message with an OK button.
    virtual void zeige(const QString& text) = 0;
    // An OK/Cancel question; true when the user chose OK.
    virtual bool frage_OK_Abbrechen(const QString& text, const QString& titel = QString()) = 0;
    // A Yes/No question; true when the user chose Yes.
    virtual bool frage_Ja_Nein(const QString& text, const QString& titel = QString()) = 0;
};

// The platform's message boxes.
class Dialog_Meldungen : public Meldungen {
public:
    void zeige(const QString& text) override;
    bool frage_OK_Abbrechen(const QString& text, const QString& titel = QString()) override;
    bool frage_Ja_Nein(const QString& text, const QString& titel = QString()) override;
};
