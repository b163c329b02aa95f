#pragma once

#include "base/UInterAction.h"

#include <QString>
#include <QWidget>

// Every window of the system: a top-level window that lives for the whole run, is hidden
// rather than destroyed when closed, and shares one set of keys:
//   Ctrl+C copies its image, Alt+PgDn / Alt+PgUp go to the next / previous window,
//   Alt+arrows move it by 8 pixels, Alt+Del closes it, F1 opens its help topic.
class TForm : public QWidget, public Sender {
    Q_OBJECT
public:
    static constexpr KlassenInfo Klasse{"TForm", nullptr};
    const KlassenInfo& klasse() const override { return Klasse; }

    // Alt+PgDn and Alt+PgUp: the focus goes to the next or the previous window.
    static constexpr int Weiter = 1;
    static constexpr int Zurueck = 2;

    explicit TForm(QString hilfethema, QWidget* parent = nullptr);

    // The keys' actions, callable without a key press.
    void kopiere_Bild();
    void verschiebe(int dx, int dy);
    // The help topic F1 opens; the layout file names a map window's section by it.
    const QString& Hilfethema() const { return hilfethema_; }

protected:
    // For a window whose help depends on the mode it was opened in.
    void setze_Hilfethema(const QString& thema) { hilfethema_ = thema; }

private:
    QString hilfethema_;
};
