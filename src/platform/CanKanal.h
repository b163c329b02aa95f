#pragma once

#include "platform/NTCAN.h"

#include <QString>
#include <functional>
#include <memory>
#include <set>

class QCanBusDevice;

// One handle of the CAN layer: a Qt SerialBus device (or the in-process stand-in of
// CanBusFake.h), configured, brought onto the bus and then polled for messages.
class CanKanal {
public:
    // How long opening waits for a device that connects asynchronously (a virtual bus that
    // nobody hosts stays "connecting" for ever).
    static constexpr int Verbindungsfrist_ms = 3000;

    // Null when the plugin or the interface does not exist (as with no adapter). The plugin
    // name "fake" selects the in-process stand-in on the net named by the interface.
    static std::unique_ptr<CanKanal> erzeuge(const QString& plugin, const QString& interfaceName);

    // `bitrateVomSystem`: the system fixes the interface's rate (SocketCAN), so none is set.
    CanKanal(std::unique_ptr<QCanBusDevice> geraet, bool bitrateVomSystem);
    ~CanKanal();
    CanKanal(const CanKanal&) = delete;
    CanKanal& operator=(const CanKanal&) = delete;

    // Hands the bit rate to the plugin before connecting, connects, and waits for the
    // connected state within `frist_ms`, running the event loop without user input.
    // CAN_BAUDRATE_FEHLER when the plugin reported a configuration error (or the rate is
    // unknown), CAN_NETZ_FEHLT for any other error, a refusal or the bound passing;
    // CAN_BESCHAEFTIGT when called again while a wait runs.
    CanErgebnis verbinde(int32_t bitrate, int frist_ms = Verbindungsfrist_ms);
    bool verbunden() const;
    void erlaube_Id(int32_t id);
    bool sende(const CanMsg& msg);
    // A waiting message of an enabled identifier, false when none waits.
    bool nimm(CanMsg& msg);
    // Called through the event loop after messages arrived.
    void bei_Nachricht(std::function<void()> f);
    // What the device last reported, for the log.
    QString Fehlertext() const;

private:
    std::unique_ptr<QCanBusDevice> geraet_;
    bool bitrateVomSystem_;
    bool verbindet_ = false;
    std::set<int32_t> ids_;
};
