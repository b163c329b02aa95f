#include "ecusim/CanTransport.h"

#include <algorithm>

namespace ecusim {

std::vector<CanMsg> packe_CAN(const QByteArray& rahmen, uint32_t id, CAN_Packart art) {
    std::vector<CanMsg> v;
    const int nachrichten = static_cast<int>((rahmen.size() + 5) / 6);
    for (int i = 0; i < nachrichten; ++i) {
        const QByteArray teil = rahmen.mid(i * 6, 6);
        CanMsg m;
        m.id = static_cast<int32_t>(id);
        m.len = art.Datenlaenge;
        int sequenz = i;
        if (art.Sequenzluecke && (i >= 1 || nachrichten == 1))
            sequenz = i + 1 + (nachrichten == 1 ? 1 : 0);
        m.data[0] = static_cast<uint8_t>(sequenz + (i == nachrichten - 1 ? 128 : 0));
        m.data[1] = art.Anzahl ? art.Anzahl : static_cast<uint8_t>(teil.size());
        std::copy(teil.begin(), teil.end(), m.data + 2);
        v.push_back(m);
    }
    return v;
}

CAN_Entpacker::Ergebnis CAN_Entpacker::nimm(const CanMsg& m) {
    Ergebnis e;
    const int anzahl = m.data[1];
    const int sequenz = m.data[0] & 0x7F;
    const bool letzte = (m.data[0] & 0x80) != 0;
    bool ok = m.len == 8 && anzahl >= 1 && anzahl <= 6;
    if (ok) {
        if (sequenz == 0)
            eingang_.clear();
        else if (sequenz != sequenz_ + 1)
            ok = false;
    }
    if (!ok) {
        e.fehler = true;
        eingang_.clear();
        sequenz_ = -1;
        return e;
    }
    sequenz_ = sequenz;
    eingang_.append(reinterpret_cast<const char*>(m.data) + 2, anzahl);
    const int L = static_cast<uint8_t>(eingang_[0]);
    if (L < 3) {
        e.fehler = true;
        e.verworfen = std::exchange(eingang_, {});
        return e;
    }
    if (eingang_.size() >= L) {
        // The last-message mark must end the frame, and nothing may trail it.
        e.fehler = !letzte || eingang_.size() != L;
        e.rahmen = eingang_.left(L);
        eingang_.clear();
    } else if (letzte) {
        e.fehler = true;
        e.verworfen = std::exchange(eingang_, {});
    }
    return e;
}

} // namespace ecusim
