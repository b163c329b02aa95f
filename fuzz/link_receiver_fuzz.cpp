// Feeds the link's frame receiver and its CAN receive path with random chunks while
// frames, block reads and block sends are in flight, and takes answers over into
// requests' buffers: nothing may read or write outside a buffer, whatever arrives.
//
// The input is a list of steps [kind][length][bytes...].

#include "base/Meldungen.h"
#include "base/Uglobal.h"
#include "link/UCOM.h"
#include "platform/CanKanal.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

struct Stumm : Meldungen {
    void zeige(const QString&) override {}
    bool frage_OK_Abbrechen(const QString&, const QString&) override { return false; }
    bool frage_Ja_Nein(const QString&, const QString&) override { return false; }
};

// The link's CAN port and the ECU on the in-process stand-in bus: a real bus would add
// sockets and timing to every input.
struct Umgebung {
    int argc = 1;
    char name[8] = "fuzz";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    QTemporaryDir ordner;
    Globaldaten daten;
    std::unique_ptr<Registry> registry;
    Stumm meldungen;
    std::unique_ptr<clCOM> link;
    std::unique_ptr<CanKanal> ecu;

    Umgebung() {
        QFile datei(ordner.filePath(QStringLiteral("registry.ini")));
        if (datei.open(QIODevice::WriteOnly))
            datei.write("[SOFTWARE\\Quorvel\\Win Quorvel]\nCAN_Plugin=fake\n"
                        "CAN_Interface=fuzz\n\n[Ports]\n");
        datei.close();
        qputenv("QUORVEL_REGISTRY", datei.fileName().toLocal8Bit());
        registry = std::make_unique<Registry>(datei.fileName());
        // The link opens its trace file in the current folder; the fuzzer's own paths are
        // relative to the folder it was started in.
        const QString vorher = QDir::currentPath();
        QDir::setCurrent(ordner.path());
        daten.g.COM_Nr = 0;
        daten.g.Testmodus = true;
        installiere_Globaldaten(&daten);
        link = std::make_unique<clCOM>(*registry, meldungen);
        link->setze_CAN_Setup(CAN_Setup{});
        link->waehle_Port(0, true, false);
        link->setze_aktiv(true);
        link->Trace_Grenze = 64 * 1024;
        QDir::setCurrent(vorher);
        ecu = CanKanal::erzeuge(QStringLiteral("fake"), QStringLiteral("fuzz"));
        ecu->verbinde(500000);
    }
};

Umgebung& umgebung() {
    static Umgebung u;
    return u;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Umgebung& u = umgebung();
    clCOM& link = *u.link;
    // A fresh start for every input: nothing awaited, no transfer.
    int ticks = 0;
    link.pruefe_Antwort(ticks);

    std::vector<uint8_t> puffer(2000);
    size_t pos = 0;
    while (pos + 2 <= size) {
        const uint8_t art = data[pos];
        const size_t laenge = std::min<size_t>(data[pos + 1], size - pos - 2);
        const uint8_t* b = data + pos + 2;
        pos += 2 + laenge;
        switch (art % 8) {
        case 0:
            link.sende_Telegramm(laenge > 0 ? b[0] : 100, static_cast<int>(laenge), b);
            break;
        case 1: {
            const int antwort = laenge >= 2 ? (b[0] | (b[1] << 8)) % 2100 : 250;
            const int extra = laenge > 2 ? static_cast<int>(laenge - 2) : 0;
            link.starte_Blockempfang(art >> 3, extra, laenge > 2 ? b + 2 : nullptr,
                                     (art & 0x80) != 0, antwort);
            break;
        }
        case 2:
            link.sende_Anfrage(art >> 3, static_cast<int>(laenge), true, b);
            break;
        case 3:
        case 4:
            link.empfange(
                QByteArray(reinterpret_cast<const char*>(b), static_cast<qsizetype>(laenge)));
            break;
        case 5: {
            // CAN messages of the ECU, 10 bytes each: identifier choice, length, 8 data.
            for (size_t i = 0; i + 10 <= laenge; i += 10) {
                CanMsg m;
                m.id = static_cast<int32_t>((b[i] & 1 ? 0x1FFFFFFFu : 0x1FFFFFFEu) | CAN_29_Bit);
                m.len = b[i + 1] % 10;
                for (int k = 0; k < 8; ++k)
                    m.data[k] = b[i + 2 + k];
                u.ecu->sende(m);
            }
            QCoreApplication::processEvents();
            link.lies_CAN();
            break;
        }
        case 6: {
            int t = laenge > 0 ? b[0] % 4 : 1;
            link.pruefe_Antwort(t);
            break;
        }
        case 7: {
            const int groesse = laenge >= 2 ? (b[0] | (b[1] << 8)) % 2001 : 66;
            int n = laenge >= 3 ? b[2] * 8 : groesse;
            link.hole_Antwort(art >> 3, n, puffer.data(), groesse);
            break;
        }
        }
    }
    // Drain what the bus still holds for the link.
    QCoreApplication::processEvents();
    for (int i = 0; i < 64; ++i)
        link.lies_CAN();
    return 0;
}
