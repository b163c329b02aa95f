#pragma once

// The program's windows over a data folder of their own, and a way to act inside a modal
// window's wait.

#include "base/Dateiversion.h"
#include "base/Motordaten.h"
#include "link/LinkFixture.h"
#include "windows/UMotorname.h"
#include "windows/UQuorvel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <functional>
#include <memory>

class Datenfenster {
public:
    Datenfenster() {
        k.ordner.schreibe(QStringLiteral("Language/English/SAVE.TXT"), {QStringLiteral("x")});
        QDir().mkpath(k.ordner.datei(QStringLiteral("DATA")));
        k.kontext->erzeuge_Fenster();
    }

    void lege_an(const QStringList& namen) const {
        for (const QString& n : namen)
            k.ordner.schreibe_roh(QStringLiteral("DATA/") + n, n.toLatin1());
    }
    QStringList Dateien() const {
        return QDir(k.ordner.datei(QStringLiteral("DATA"))).entryList(QDir::Files, QDir::Name);
    }

    TForm_Motorname& motorfenster() { return *k.kontext->fenster<TForm_Motorname>(); }
    TForm_Quorvel& haupt() { return *k.kontext->hauptfenster(); }
    Motordaten& motoren() { return k.kontext->motordaten(); }
    cl_Dateiversion& versionen() { return k.kontext->dateiversion(); }

    LinkKontext k{false};
};

// Runs aktion once fenster is visible (inside its modal wait); gives up after a bounded
// number of event-loop turns, so that a window that never shows fails the test quickly.
inline void sobald_sichtbar(QWidget& fenster, std::function<void()> aktion, int versuche = 200) {
    QTimer::singleShot(0, &fenster, [&fenster, aktion = std::move(aktion), versuche]() mutable {
        if (fenster.isVisible() || versuche <= 0) {
            aktion();
            return;
        }
        sobald_sichtbar(fenster, std::move(aktion), versuche - 1);
    });
}
