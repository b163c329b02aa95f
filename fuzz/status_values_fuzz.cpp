// The relay's status-value selection file: the input is <language folder>/313.tbx as a user
// may put it there. The streaming reads it and packs the chosen values. Promised: every
// packed bit lies in the 256 words, bits 0..7 of word 0 stay free, each chosen value stands
// at bit 8 or beyond, no more values are counted than the file has entry ends, and loading
// another file first drops the selection, so that loading the file again gives what it
// gave the first time.

#include "Fuzzhilfe.h"

#include "model/UStatuswerte.h"

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

struct Umgebung {
    int argc = 1;
    char name[8] = "fuzz";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    QTemporaryDir ordner{fuzz::Ordnervorlage()};
    // Every record byte set, so that every chosen value packs bits.
    std::vector<uint8_t> datensatz = std::vector<uint8_t>(100, 0xFF);
    int32_t leerlauf = -1;
    std::vector<uint8_t> eingaenge = std::vector<uint8_t>(16, 1);

    Statusquellen quellen() const {
        Statusquellen q;
        for (size_t i = 1; i < q.Datensaetze.size(); ++i)
            q.Datensaetze[i] = datensatz;
        q.Leerlaufsteller_Prozent = &leerlauf;
        q.Digitaleingang_Zustand = eingaenge;
        return q;
    }
};

Umgebung& umgebung() {
    static Umgebung u;
    return u;
}

struct Stand {
    std::vector<std::pair<uint32_t, int64_t>> gewaehlt;
    int anzahl = 0;
    cl_Statusdaten::Wortfeld worte{};
    bool operator==(const Stand&) const = default;
};

Stand stand(const cl_Statusdaten& s) {
    Stand st;
    for (const cl_Def_Statusdaten& d : s.Definitionen().Eintraege)
        if (d.ausgewaehlt)
            st.gewaehlt.emplace_back(d.id, d.Bitposition);
    st.anzahl = s.Anzahl();
    s.packe(st.worte);
    return st;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Umgebung& u = umgebung();
    const QByteArray inhalt(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString ordner = u.ordner.path();
    fuzz::schreibe(ordner + QStringLiteral("/313.tbx"), inhalt);
    fuzz::schreibe(ordner + QStringLiteral("/321.tbx"), QByteArray());

    cl_Statusdaten s(u.quellen(), [&ordner] { return ordner; });
    s.lade_tbx(313);
    const Stand erst = stand(s);

    int enden = 0;
    for (qsizetype i = 0; i + 8 <= inhalt.size(); i += 8)
        enden += static_cast<uint8_t>(inhalt[i]) == 0x01 &&
                 static_cast<uint8_t>(inhalt[i + 1]) == 0x10 && inhalt[i + 2] == 0 &&
                 inhalt[i + 3] == 0;
    fuzz::pruefe(erst.anzahl >= static_cast<int>(erst.gewaehlt.size()),
                 "fewer values counted than chosen");
    fuzz::pruefe(erst.anzahl <= enden, "more values counted than the file has entry ends");
    for (const auto& [id, position] : erst.gewaehlt)
        fuzz::pruefe(position >= cl_Statusdaten::Erste_Bitposition, "a value before bit 8");
    fuzz::pruefe((erst.worte[0] & 0xFF) == 0, "bits 0..7 of word 0 were written");

    s.lade_tbx(321);
    fuzz::pruefe(stand(s) == Stand{}, "the file before's values stayed chosen");
    s.lade_tbx(313);
    fuzz::pruefe(stand(s) == erst, "the same file chose differently");
    return 0;
}
