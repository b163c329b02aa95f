#include "platform/NTCAN.h"

#include "platform/CanKanal.h"

#include <map>
#include <memory>

namespace {

struct Offen {
    std::unique_ptr<CanKanal> kanal;
};

struct Tabelle {
    QString plugin = QStringLiteral("socketcan");
    QString schnittstelle = QStringLiteral("can0");
    std::map<CanHandle, Offen> handles;
    CanHandle naechster = 1;
    // The handle whose connect wait runs; it must outlive the wait.
    CanHandle verbindend = 0;
};

// Used from the GUI thread only, as the adapter library is by the system.
Tabelle& tabelle() {
    static Tabelle t;
    return t;
}

CanKanal* kanal(CanHandle h) {
    auto it = tabelle().handles.find(h);
    return it == tabelle().handles.end() ? nullptr : it->second.kanal.get();
}

} // namespace

int32_t CAN_Bitrate(uint32_t baudCode) {
    static constexpr int32_t raten[] = {1000000, 666666, 500000, 333333, 250000, 166666, 125000,
                                        100000,  66666,  50000,  33333,  20000,  12500,  10000};
    return baudCode < std::size(raten) ? raten[baudCode] : 0;
}

void canSetzeSchnittstelle(const QString& plugin, const QString& interfaceName) {
    tabelle().plugin = plugin.isEmpty() ? QStringLiteral("socketcan") : plugin;
    tabelle().schnittstelle = interfaceName.isEmpty() ? QStringLiteral("can0") : interfaceName;
}

CanErgebnis canOpen(int net, uint32_t, int32_t, int32_t, int32_t, int32_t, CanHandle* handle) {
    if (!handle || net != 0)
        return CAN_PARAMETER_FALSCH;
    Tabelle& t = tabelle();
    std::unique_ptr<CanKanal> k = CanKanal::erzeuge(t.plugin, t.schnittstelle);
    if (!k)
        return CAN_NETZ_FEHLT;
    const CanHandle h = t.naechster++;
    t.handles[h].kanal = std::move(k);
    *handle = h;
    return CAN_OK;
}

CanErgebnis canSetBaudrate(CanHandle handle, uint32_t baudCode) {
    CanKanal* k = kanal(handle);
    if (!k)
        return CAN_HANDLE_UNGUELTIG;
    Tabelle& t = tabelle();
    if (t.verbindend != 0)
        return CAN_BESCHAEFTIGT;
    t.verbindend = handle;
    const CanErgebnis e = k->verbinde(CAN_Bitrate(baudCode));
    t.verbindend = 0;
    return e;
}

CanErgebnis canIdAdd(CanHandle handle, int32_t id) {
    CanKanal* k = kanal(handle);
    if (!k)
        return CAN_HANDLE_UNGUELTIG;
    k->erlaube_Id(id);
    return CAN_OK;
}

CanErgebnis canWrite(CanHandle handle, CanMsg* msgs, int32_t* count, void*) {
    CanKanal* k = kanal(handle);
    if (!k)
        return CAN_HANDLE_UNGUELTIG;
    if (!msgs || !count || *count < 0)
        return CAN_PARAMETER_FALSCH;
    int32_t gesendet = 0;
    for (; gesendet < *count; ++gesendet)
        if (msgs[gesendet].len > 8 || !k->sende(msgs[gesendet]))
            break;
    const bool alle = gesendet == *count;
    *count = gesendet;
    return alle ? CAN_OK : CAN_SENDEFEHLER;
}

CanErgebnis canTake(CanHandle handle, CanMsg* msgs, int32_t* count) {
    CanKanal* k = kanal(handle);
    if (!k)
        return CAN_HANDLE_UNGUELTIG;
    if (!msgs || !count || *count < 0)
        return CAN_PARAMETER_FALSCH;
    int32_t genommen = 0;
    while (genommen < *count && k->nimm(msgs[genommen]))
        ++genommen;
    *count = genommen;
    return CAN_OK;
}

CanErgebnis canClose(CanHandle handle) {
    if (handle != 0 && handle == tabelle().verbindend)
        return CAN_BESCHAEFTIGT;
    return tabelle().handles.erase(handle) ? CAN_OK : CAN_HANDLE_UNGUELTIG;
}
