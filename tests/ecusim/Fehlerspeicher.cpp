#include "ecusim/Fehlerspeicher.h"

#include "ecusim/EcuSim.h"

#include <algorithm>
#include <optional>

namespace ecusim {

namespace {

QByteArray Bytes(const Fehlerspeicherbereich::Datensatz& d) {
    return QByteArray(reinterpret_cast<const char*>(d.data()), static_cast<qsizetype>(d.size()));
}

void Wort(Fehlerspeicherbereich::Datensatz& d, size_t i, uint16_t w) {
    d[i] = static_cast<uint8_t>(w & 0xFF);
    d[i + 1] = static_cast<uint8_t>(w >> 8);
}

} // namespace

Fehlerspeicherbereich::Fehlerspeicherbereich(EcuSim& sim) : sim_(sim) {
    sim.setze_Handler(this, 104, [this](const QByteArray&) -> std::optional<QByteArray> {
        if (verworfen(104))
            return std::nullopt;
        ++Fehlerspeicher_geloescht;
        Speicher.clear();
        naechster_Eintrag_ = 0;
        return QByteArray();
    });
    sim.setze_Handler(this, 94, [this](const QByteArray& d) -> std::optional<QByteArray> {
        if (verworfen(94))
            return std::nullopt;
        if (!d.isEmpty() && d[0] == 1)
            naechster_Eintrag_ = 0;
        if (naechster_Eintrag_ >= Speicher.size()) {
            Datensatz ende{};
            ende[11] = 255;
            return Bytes(ende);
        }
        return Bytes(Speicher[naechster_Eintrag_++]);
    });
    sim.setze_Handler(this, 93, [this](const QByteArray& d) -> std::optional<QByteArray> {
        if (verworfen(93))
            return std::nullopt;
        const size_t index = d.isEmpty() ? 0 : static_cast<uint8_t>(d[0]);
        if (index < Definitionen.size())
            return Bytes(Definitionen[index]);
        if (!Endmarke && !Definitionen.empty())
            return Bytes(Definitionen.back());
        Datensatz ende{};
        ende[8] = 255;
        return Bytes(ende);
    });
    sim.setze_Handler(this, 92, [this](const QByteArray& d) -> std::optional<QByteArray> {
        if (verworfen(92))
            return std::nullopt;
        if (d.size() != 14) {
            ++Indexfehler;
            return QByteArray();
        }
        const auto index = static_cast<uint8_t>(d[0]);
        const bool abschluss = d[1] == 1;
        if (index == 255 && !abschluss) {
            geoeffnet_ = true;
            neue_.clear();
        } else if (abschluss) {
            if (geoeffnet_) {
                Definitionen = neue_;
                ++Definitionen_geschrieben;
            } else {
                ++Indexfehler;
            }
            geoeffnet_ = false;
        } else if (!geoeffnet_ || index != neue_.size()) {
            ++Indexfehler;
        } else {
            Datensatz s{};
            std::copy(d.begin() + 2, d.end(), s.begin());
            neue_.push_back(s);
        }
        return QByteArray();
    });
}

Fehlerspeicherbereich::Datensatz Fehlerspeicherbereich::Eintrag(uint32_t zeit, uint32_t umdrehungen,
                                                                int16_t minmax, bool erschienen,
                                                                uint8_t id, uint8_t grenze) {
    Datensatz d{};
    Wort(d, 0, static_cast<uint16_t>(zeit & 0xFFFF));
    Wort(d, 2, static_cast<uint16_t>(zeit >> 16));
    Wort(d, 4, static_cast<uint16_t>(umdrehungen & 0xFFFF));
    Wort(d, 6, static_cast<uint16_t>(umdrehungen >> 16));
    Wort(d, 8, static_cast<uint16_t>(minmax));
    d[10] = static_cast<uint8_t>((id & 0x7F) | (erschienen ? 0x80 : 0));
    d[11] = grenze;
    return d;
}

Fehlerspeicherbereich::Datensatz Fehlerspeicherbereich::Grenze(int16_t ein, int16_t aus,
                                                               uint16_t muster, uint8_t id,
                                                               uint8_t bits, uint8_t funktion,
                                                               uint8_t speichern, uint8_t nummer) {
    Datensatz d{};
    Wort(d, 0, static_cast<uint16_t>(ein));
    Wort(d, 2, static_cast<uint16_t>(aus));
    Wort(d, 4, muster);
    d[6] = id;
    d[7] = bits;
    d[9] = funktion;
    d[10] = speichern;
    d[11] = nummer;
    return d;
}

void Fehlerspeicherbereich::verwerfe(uint8_t befehl, int nach) {
    verwerfen_[befehl] = nach;
}

bool Fehlerspeicherbereich::verworfen(uint8_t befehl) {
    const auto it = verwerfen_.find(befehl);
    if (it == verwerfen_.end())
        return false;
    if (it->second-- > 0)
        return false;
    verwerfen_.erase(it);
    return true;
}

} // namespace ecusim
