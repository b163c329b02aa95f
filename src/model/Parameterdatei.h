#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The binary parameter file of an engine data set: the ECU's identity texts, then for each
// defined parameter its number and value, words low byte first.
namespace Parameterdatei {

// The identity answer's first bytes: the identity text (0..40), the date (41..51) and the
// software name (52..60); then software version and revision.
struct Kopf {
    std::array<uint8_t, 61> Kennung{};
    uint16_t Version = 0;
    uint16_t Revision = 0;
};

struct Eintrag {
    int Nummer = 0;
    int Typ = 0;
    int64_t Roh = 0;
};

QByteArray schreibe(const Kopf& kopf, const std::vector<Eintrag>& eintraege);

// Reads into kopf (which keeps what the file does not name) and hands every stored value
// to setze, typed by the definition that typ_von finds for its number. False when the file
// ends inside a text, a word or a pair: what was handed on until then must be undone.
bool lies(QByteArrayView daten, Kopf& kopf,
          const std::function<std::optional<int>(int nummer)>& typ_von,
          const std::function<void(int nummer, int64_t roh)>& setze);

} // namespace Parameterdatei
