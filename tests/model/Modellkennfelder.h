#pragma once

// Maps without windows for tests of the map lists: made by a factory the test keeps, so that
// they go before the link they use (the lists only forget them), and a count of the maps
// menu's rebuilds.

#include "app/AppContext.h"
#include "model/UKennfeld.h"
#include "model/UKennfelder.h"

#include <memory>
#include <vector>

class Modellfabrik : public Kennfeld_Fabrik {
public:
    explicit Modellfabrik(AppContext& k)
        : u_{k.link(), k.kommunikation(), k.version(), k.parameter(), k.meldungen()} {}
    cl_Kennfeld& erzeuge(const Kennfeld_Beschreibung& b) override {
        karten.push_back(std::make_unique<cl_Kennfeld>(u_, b));
        return *karten.back();
    }
    std::vector<std::unique_ptr<cl_Kennfeld>> karten;

private:
    Kennfeld_Umgebung u_;
};

// What the lists own of a factory: a hand-over to the test's.
class Weiterleitung : public Kennfeld_Fabrik {
public:
    explicit Weiterleitung(Kennfeld_Fabrik& ziel) : ziel_(ziel) {}
    cl_Kennfeld& erzeuge(const Kennfeld_Beschreibung& b) override { return ziel_.erzeuge(b); }

private:
    Kennfeld_Fabrik& ziel_;
};

class Menuezaehler : public Kennfeld_Menue {
public:
    void erstelle_Kennfeld_Menue() override { ++erstellt; }
    void aktualisiere_Kennfeld_Menue() override {}
    int erstellt = 0;
};

// The catalogue made and both lists built, as the main window does, and the described maps
// made by the same factory.
inline void baue_Kennfeldlisten(Kennfelder& kf, Modellfabrik& fabrik, Kennfeld_Menue& menue) {
    kf.erzeuge_Kennfelder(fabrik);
    kf.setze_Fabrik(std::make_unique<Weiterleitung>(fabrik));
    kf.setze_Menue(&menue);
    kf.erstelle_Kennfeldliste();
}

// A list member as the tests name it: its map number, Z1 / Z2 for the ignition editors,
// '-' for a separator.
inline QString Gliedname(Kennfelder& kf, const Kennfeldglied& g) {
    return g.Kennfeld                     ? QString::number(g.Kennfeld->Kennfeld_Nr)
           : g.Editor == &kf.Zuendung()   ? QStringLiteral("Z1")
           : g.Editor == &kf.Zuendung_2() ? QStringLiteral("Z2")
                                          : QStringLiteral("-");
}

inline QStringList Angebot(Kennfelder& kf) {
    QStringList s;
    for (const Kennfeldglied& g : kf.Kennfeldliste_angeboten())
        s << Gliedname(kf, g);
    return s;
}

inline cl_Kennfeld* beschriebenes_Kennfeld(Kennfelder& kf, int nr) {
    for (cl_Kennfeld* f : kf.beschriebene_Kennfelder())
        if (f->Kennfeld_Nr == nr)
            return f;
    return nullptr;
}
