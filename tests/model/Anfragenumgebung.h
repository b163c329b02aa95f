#pragma once

// The program's link on the fake CAN bus against the simulated ECU with its command and
// service area, ticked by hand; the requests' wait windows are recorders.

#include "ecusim/Befehle.h"
#include "ecusim/EcuSim.h"
#include "ecusim/Fehlerspeicher.h"
#include "ecusim/Identitaet.h"
#include "ecusim/Parameter.h"
#include "ecusim/Worte.h"
#include "link/LinkFixture.h"
#include "model/UBefehle.h"
#include "model/UParameter.h"
#include "model/UPasswort.h"
#include "model/UQuorveldata.h"
#include "model/UWeitere_Anfragen.h"

#include <map>
#include <memory>
#include <utility>
#include <vector>

// A wait window that remembers what it was told.
class Testwartefenster : public Wartefenster {
public:
    void setze_Text(const QString& t) override { text = t; }
    QString Text() const override { return text; }
    void zeige() override {
        if (eingeschaltet) {
            sichtbar_ = true;
            ++gezeigt;
        }
    }
    void verberge() override { sichtbar_ = false; }
    bool sichtbar() const override { return sichtbar_; }
    void zeige_Fortschritt(bool an) override {
        fortschritt_ = an;
        werte.clear();
    }
    void setze_Fortschritt(int n) override { werte.push_back(n); }
    bool Fortschritt_sichtbar() const override { return fortschritt_; }

    QString text;
    int gezeigt = 0;
    std::vector<int> werte;

private:
    bool sichtbar_ = false;
    bool fortschritt_ = false;
};

class Anfragenumgebung {
public:
    explicit Anfragenumgebung(const ecusim::Identitaetsdaten& id = {})
        : parameter(sim), bereich(sim), fehlerspeicher(sim) {
        k.link().setze_Wartefenster_Fabrik(
            [this](cl_COM_data& anfrage, const QString& text, bool offenLassen) {
                auto f = std::make_unique<Testwartefenster>();
                f->text = text;
                f->offen_lassen = offenLassen;
                fenster[&anfrage] = f.get();
                return f;
            });
        // These tests watch single requests on a quiet line: the live plan stays off.
        k.kontext->parameter().starte_Statusdaten = nullptr;
        k.kontext->passwort_OK().starte_Statusdaten = nullptr;
        sim.oeffne_CAN(k.bus.Teilnehmer());
        k.sim = &sim;
        verbinde(id);
    }

    // The ECU tells who it is.
    bool verbinde(const ecusim::Identitaetsdaten& id) {
        ecusim::richte_Identitaet_ein(sim, id);
        k.version().beantwortet = false;
        k.version().anfordern();
        const bool ok = warte([&] { return k.version().beantwortet; });
        // Whatever the identity answer started is over before a test looks at frames.
        warte([&] {
            for (cl_COM_data* r : k.link().Anfragen())
                if (r->aktiv)
                    return false;
            return true;
        });
        sim.leere_Protokoll();
        // Without definition files of its own the identity brings a message; not the tests'.
        k.meldungen.texte.clear();
        return ok && k.version().Version() == id.Version;
    }

    Befehlsobjekte& befehle() {
        k.kontext->erzeuge_Befehle();
        return *k.kontext->befehle();
    }
    Weitere_Anfragen& weitere() { return k.kontext->weitere_Anfragen(); }

    template <class F> bool warte(F fertig, int ticks = 2000) { return k.warte_bis(fertig, ticks); }
    // Ticks until the link has nothing more to send and nothing in flight.
    bool warte_still(int ticks = 3000) {
        int ruhig = 0;
        for (int i = 0; i < ticks; ++i) {
            bool aktiv = false;
            for (cl_COM_data* r : k.link().Anfragen())
                aktiv = aktiv || r->aktiv;
            ruhig = aktiv ? 0 : ruhig + 1;
            if (ruhig > 3)
                return true;
            k.ticke_und_warte();
        }
        return false;
    }

    // The frames the ECU received: command and data bytes.
    std::vector<std::pair<int, QByteArray>> Folge() const {
        std::vector<std::pair<int, QByteArray>> f;
        for (const ecusim::Rahmen& r : sim.empfangene())
            f.emplace_back(r.befehl(), r.daten());
        return f;
    }
    std::vector<int> Befehlsfolge() const {
        std::vector<int> f;
        for (const ecusim::Rahmen& r : sim.empfangene())
            f.push_back(r.befehl());
        return f;
    }

    Testwartefenster* Fenster(cl_COM_data& anfrage) { return fenster[&anfrage]; }

    LinkKontext k;
    ecusim::EcuSim sim;
    // The password state at connection decides for a parameter read.
    ecusim::Parameterbereich parameter;
    ecusim::Befehlsbereich bereich;
    ecusim::Fehlerspeicherbereich fehlerspeicher;
    std::map<cl_COM_data*, Testwartefenster*> fenster;
};

inline QByteArray Bytes(std::initializer_list<int> b) {
    QByteArray a;
    for (int x : b)
        a.append(static_cast<char>(x));
    return a;
}

using ecusim::Worte;
