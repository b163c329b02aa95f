#pragma once

// The program with all its windows against the simulated ECU of a chosen variant, and records
// filled by hand for the windows' logic.

#include "base/Uglobal.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Programmbereiche.h"
#include "ecusim/Worte.h"
#include "link/LinkFixture.h"
#include "windows/UQuorvel.h"
#include "windows/status/Anzeigetafel.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <bit>
#include <gtest/gtest.h>
#include <vector>

// A record filled field by field.
struct Bytes {
    explicit Bytes(int n) : d(static_cast<size_t>(n), 0) {}
    Bytes& u8(int o, uint8_t w) {
        d[static_cast<size_t>(o)] = w;
        return *this;
    }
    Bytes& w16(int o, int w) {
        d[static_cast<size_t>(o)] = static_cast<uint8_t>(w & 0xFF);
        d[static_cast<size_t>(o) + 1] = static_cast<uint8_t>((w >> 8) & 0xFF);
        return *this;
    }
    Bytes& w32(int o, int64_t w) {
        w16(o, static_cast<int>(w & 0xFFFF));
        return w16(o + 2, static_cast<int>((w >> 16) & 0xFFFF));
    }
    Bytes& f32(int o, float w) { return w32(o, std::bit_cast<uint32_t>(w)); }
    Satz sicht() const { return Satz(d); }
    std::vector<uint8_t> d;
};

inline QString Text(const QTableWidget* g, int r, int c) {
    const QTableWidgetItem* i = g->item(r, c);
    return i ? i->text() : QString();
}

inline void taste(QWidget* w, int key, const QString& text = QString()) {
    QKeyEvent druck(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &druck);
}

inline void tippe(QLineEdit* e, const QString& text) {
    e->setFocus();
    e->setText(text);
    taste(e, Qt::Key_Return, QStringLiteral("\r"));
}

inline ecusim::Identitaetsdaten Kennung(uint16_t typ, uint16_t typnummer = 400) {
    ecusim::Identitaetsdaten id;
    id.ECU_Typ = typ;
    id.Typnummer = typnummer;
    return id;
}

// The program against the simulated ECU of the given identity, with the areas the ecusim
// program has, connected; the test makes the windows it looks at.
class Variante {
public:
    explicit Variante(const ecusim::Identitaetsdaten& id)
        : bereiche(sim, id), befehle(bereiche.befehle), live(bereiche.live),
          parameter(bereiche.parameter), zusatz(bereiche.zusatz) {
        sim.oeffne_CAN(k.bus.Teilnehmer());
        k.sim = &sim;
        k.kontext->erzeuge_Befehle();
        k.version().anfordern();
        EXPECT_TRUE(warte([&] { return k.version().ECU_Typ() == id.ECU_Typ; }));
    }
    template <class F> bool warte(F fertig, int ticks = 2000) { return k.warte_bis(fertig, ticks); }
    void ticke(int n) {
        for (int i = 0; i < n; ++i)
            k.ticke_und_warte();
    }
    int Anfragen(uint8_t befehl) const {
        int n = 0;
        for (const ecusim::Rahmen& r : sim.empfangene())
            n += r.befehl() == befehl;
        return n;
    }
    QString Label(const QWidget* f, const char* name) const {
        const QLabel* l = f->findChild<QLabel*>(QString::fromLatin1(name));
        return l ? l->text() : QStringLiteral("(none)");
    }

    LinkKontext k;
    ecusim::EcuSim sim;
    ecusim::Programmbereiche bereiche;
    ecusim::Befehlsbereich& befehle;
    ecusim::Livebereich& live;
    ecusim::Parameterbereich& parameter;
    ecusim::Zusatzbereich& zusatz;
};

// With QUORVEL_BILDER naming a folder, the window's picture as it stands is saved there.
inline void fotografiere(QWidget& fenster, const char* name) {
    const QString bilder = qEnvironmentVariable("QUORVEL_BILDER");
    if (bilder.isEmpty())
        return;
    QCoreApplication::processEvents();
    fenster.grab().save(bilder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}
