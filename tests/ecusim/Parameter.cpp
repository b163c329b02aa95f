#include "ecusim/Parameter.h"

#include "ecusim/EcuSim.h"
#include "ecusim/Worte.h"

#include <algorithm>

namespace ecusim {

namespace {

constexpr int Blockgroesse = 100;

void setze(QByteArray& bild, int offset, uint32_t wert, int breite) {
    for (int i = 0; i < breite; ++i)
        bild[offset + i] = static_cast<char>((wert >> (8 * i)) & 0xFF);
}

} // namespace

Parameterbereich::Parameterbereich(EcuSim& sim) : Bild(Bildgroesse, '\0') {
    sim.setze_Handler(this, 3,
                      [this](const QByteArray& d) { return std::optional(lies_Block(d)); });
    sim.setze_Handler(this, 2,
                      [this](const QByteArray& d) { return std::optional(schreibe_Block(d)); });
    sim.setze_Handler(this, 128,
                      [this](const QByteArray& d) { return std::optional(lies_Elemente(d)); });
    sim.setze_Handler(this, 129,
                      [this](const QByteArray& d) { return std::optional(schreibe_Elemente(d)); });
}

void Parameterbereich::fuelle_Beispielwerte() {
    Bild.fill('\0');
    setze(Bild, 0, 4, 2);           // 1: cylinders
    setze(Bild, 2, 60, 1);          // 2: teeth
    setze(Bild, 4, 1, 1);           // 60: lambda control on
    setze(Bild, 6, 450, 2);         // 61: 2.20 V
    setze(Bild, 8, 0xFB, 1);        // 8: -5 deg
    setze(Bild, 10, 100, 2);        // 10: 80 deg
    setze(Bild, 12, 0xFF88, 2);     // 100: -120 rpm
    setze(Bild, 14, 51, 1);         // 101: 18 deg
    setze(Bild, 16, 0x1A2B, 2);     // 120
    setze(Bild, 20, 123456, 4);     // 121
    setze(Bild, 24, 0xDEADBEEF, 4); // 122
    setze(Bild, 28, 1500, 2);       // 130
    setze(Bild, 30, 2000, 2);       // 131
    setze(Bild, 32, 0xB6, 2);       // 2396
    setze(Bild, 34, 20, 1);         // 140
    setze(Bild, 36, 3, 1);          // 150
    setze(Bild, 38, 900, 2);        // 151

    // Only its own items: those of other areas (the data-item maps) stay.
    std::vector<uint16_t> motor(64, 0);
    motor[0] = 6;             // 1: cylinders
    motor[1] = 36 | (1 << 8); // 2: teeth, 60: lambda control on
    motor[2] = 512;           // 61
    motor[3] = 0x3F;          // 2396
    Elemente[272] = motor;
    std::vector<uint16_t> leerlauf(32, 0);
    leerlauf[0] = 0xFF9C; // 100: -100 rpm
    leerlauf[1] = 102;    // 101: 36 deg
    leerlauf[2] = 850;    // 102
    leerlauf[4] = 6;      // 10001..10004: the data version
    leerlauf[5] = 20;
    leerlauf[6] = 1;
    leerlauf[7] = 3;
    Elemente[273] = leerlauf;
    Elemente[81] = {1};
    std::vector<uint16_t> aux(400);
    for (size_t i = 0; i < aux.size(); ++i)
        aux[i] = static_cast<uint16_t>(0x5000 + i);
    Elemente[257] = aux;
}

void Parameterbereich::injiziere(Parameterfehler f, int anzahl) {
    for (int i = 0; i < anzahl; ++i)
        fehler_.push_back(f);
}

QByteArray Parameterbereich::lies_Block(const QByteArray& d) {
    // Old format: [block index][count].
    if (d.size() < 2)
        return {};
    const int index = static_cast<uint8_t>(d[0]);
    const int anzahl = static_cast<uint8_t>(d[1]);
    QByteArray block = Bild.mid(index * Blockgroesse, anzahl);
    block.append(QByteArray(anzahl - block.size(), '\0'));
    return block;
}

QByteArray Parameterbereich::schreibe_Block(const QByteArray& d) {
    if (d.size() < 2)
        return {};
    const int kopf = static_cast<uint8_t>(d[0]);
    const int anzahl = static_cast<uint8_t>(d[1]);
    const int index = kopf & 0x7F;
    // The old format ends with [block count][0] and no data.
    if (!(kopf & 0x80) && anzahl == 0 && d.size() == 2 && index > 0) {
        ++Schreibvorgaenge;
        return {};
    }
    if (index == 0)
        Geschrieben_bis = 0;
    const QByteArray nutz = d.mid(2, anzahl);
    const int position = index * Blockgroesse;
    if (position + nutz.size() <= Bild.size()) {
        Bild.replace(position, nutz.size(), nutz);
        Geschrieben_bis = std::max(Geschrieben_bis, position + static_cast<int>(nutz.size()));
    }
    if (kopf & 0x80)
        ++Schreibvorgaenge;
    return {};
}

QByteArray Parameterbereich::lies_Elemente(const QByteArray& d) {
    // New format: [index + 128][extra count][index][100][extra]; the message is the extra
    // bytes of the first request.
    if (d.size() < 4)
        return {};
    const int index = static_cast<uint8_t>(d[0]) & 0x7F;
    if (index == 0)
        antwort_ = Leseantwort(d.mid(4, static_cast<uint8_t>(d[1])));
    const QByteArray block = antwort_.mid(index * Blockgroesse, Blockgroesse);
    const bool letzter = (index + 1) * Blockgroesse >= antwort_.size();
    QByteArray a;
    a.append(static_cast<char>(index + (letzter ? 128 : 0)));
    a.append(static_cast<char>(block.size()));
    a.append(block);
    return a;
}

QByteArray Parameterbereich::Leseantwort(const QByteArray& nachricht) {
    Datenelement_Nachricht n{128, {}};
    const int N = Wort(nachricht, 1);
    for (int k = 0; k < N; ++k)
        n.tripel.push_back(
            {Wort(nachricht, 2 + 3 * k), Wort(nachricht, 3 + 3 * k), Wort(nachricht, 4 + 3 * k)});
    Nachrichten.push_back(n);

    std::optional<Parameterfehler> fehler;
    if (!fehler_.empty()) {
        fehler = fehler_.front();
        fehler_.pop_front();
    }
    std::vector<Datenelement_Nachricht::Tripel> tripel;
    std::vector<uint16_t> daten;
    if (fehler == Parameterfehler::UnbekannteId) {
        tripel.push_back({4321, 0, 3});
        daten.insert(daten.end(), {0xAAAA, 0xBBBB, 0xCCCC});
    }
    for (const auto& t : n.tripel) {
        auto it = Elemente.find(t.id);
        if (it == Elemente.end()) {
            tripel.push_back({t.id, t.offset, 0});
            continue;
        }
        const int vorhanden = std::max(0, static_cast<int>(it->second.size()) - t.offset);
        // A count of 0 asks for the whole item.
        const int anzahl = t.anzahl == 0 ? vorhanden : std::min(t.anzahl, vorhanden);
        tripel.push_back({t.id, t.offset, anzahl});
        daten.insert(daten.end(), it->second.begin() + t.offset,
                     it->second.begin() + t.offset + anzahl);
    }
    if (fehler == Parameterfehler::ZaehlerUeberAntwort && !tripel.empty())
        tripel.back().anzahl += 50;

    QByteArray a;
    haenge_Wort_an(a, 0);
    haenge_Wort_an(a, fehler == Parameterfehler::FalschesN ? 0 : static_cast<int>(tripel.size()));
    for (const auto& t : tripel) {
        haenge_Wort_an(a, t.id);
        haenge_Wort_an(a, t.offset);
        haenge_Wort_an(a, t.anzahl);
    }
    for (uint16_t w : daten)
        haenge_Wort_an(a, w);
    return a;
}

QByteArray Parameterbereich::schreibe_Elemente(const QByteArray& d) {
    if (d.size() < 2)
        return {};
    const int kopf = static_cast<uint8_t>(d[0]);
    const int anzahl = static_cast<uint8_t>(d[1]);
    const int index = kopf & 0x7F;
    if (!(kopf & 0x80) && anzahl == 0 && d.size() == 2 && index > 0) {
        nimm_Schreibnachricht(eingang_);
        return {};
    }
    if (index == 0)
        eingang_.clear();
    eingang_.append(d.mid(2, anzahl));
    if (kopf & 0x80)
        nimm_Schreibnachricht(eingang_);
    return {};
}

void Parameterbereich::nimm_Schreibnachricht(const QByteArray& nachricht) {
    Datenelement_Nachricht n{129, {}};
    const int N = Wort(nachricht, 1);
    int zeiger = 2 + 3 * N;
    for (int k = 0; k < N; ++k) {
        const Datenelement_Nachricht::Tripel t{
            Wort(nachricht, 2 + 3 * k), Wort(nachricht, 3 + 3 * k), Wort(nachricht, 4 + 3 * k)};
        n.tripel.push_back(t);
        std::vector<uint16_t>& e = Elemente[t.id];
        if (static_cast<int>(e.size()) < t.offset + t.anzahl)
            e.resize(static_cast<size_t>(t.offset + t.anzahl));
        for (int i = 0; i < t.anzahl; ++i)
            e[static_cast<size_t>(t.offset + i)] = Wort(nachricht, zeiger + i);
        zeiger += t.anzahl;
    }
    Nachrichten.push_back(n);
}

} // namespace ecusim
