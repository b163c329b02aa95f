#include "ecusim/Passwort.h"

#include "ecusim/EcuSim.h"

#include <algorithm>

namespace ecusim {

Passwortbereich::Passwortbereich(EcuSim& sim) {
    const auto text = [](const QByteArray& d) {
        const qsizetype ende = d.indexOf('\0');
        return ende < 0 ? d : d.left(ende);
    };
    sim.setze_Handler(this, 81, [this, text](const QByteArray& d) -> std::optional<QByteArray> {
        Eingaben.push_back(text(d));
        if (nimm(Passwortfehler::Eingabe_stumm))
            return std::nullopt;
        akzeptiert = text(d) == Passwort;
        return QByteArray();
    });
    sim.setze_Handler(this, 80, [this, text](const QByteArray& d) -> std::optional<QByteArray> {
        Eingaben.push_back(text(d));
        if (nimm(Passwortfehler::Eingabe_stumm))
            return std::nullopt;
        Passwort = text(d);
        akzeptiert = true;
        return QByteArray();
    });
    sim.setze_Handler(this, 82, [this](const QByteArray&) -> std::optional<QByteArray> {
        ++Zustandsanfragen;
        if (nimm(Passwortfehler::Zustand_stumm))
            return std::nullopt;
        return QByteArray(1, akzeptiert ? '\1' : '\0');
    });
}

void Passwortbereich::injiziere(Passwortfehler f, int anzahl) {
    for (int i = 0; i < anzahl; ++i)
        fehler_.push_back(f);
}

bool Passwortbereich::nimm(Passwortfehler f) {
    const auto it = std::find(fehler_.begin(), fehler_.end(), f);
    if (it == fehler_.end())
        return false;
    fehler_.erase(it);
    return true;
}

} // namespace ecusim
