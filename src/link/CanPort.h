#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class Registry;

// One handle of the CAN layer on net 0: open with a baud-rate code, close, enable one
// receive identifier, send one message, take one received message. No background work:
// received messages wait in the layer's queue until a caller takes them. Failures come
// back only as false.
class TCanport {
public:
    // The registry names the adapter; it outlives the port.
    TCanport(int parameter, const Registry& registry);
    ~TCanport();
    TCanport(const TCanport&) = delete;
    TCanport& operator=(const TCanport&) = delete;

    // Reads the plugin and interface from the registry values "CAN_Plugin" and
    // "CAN_Interface" (default socketcan, can0). Waits a few seconds at most for the device
    // to reach the bus, running the event loop; false leaves no handle open.
    bool Open(uint32_t baudCode, int32_t sendequeue, int32_t empfangsqueue, int32_t sendeTimeout,
              int32_t empfangsTimeout);
    void IdAdd(int32_t id);
    bool Write(int32_t id, uint8_t laenge, const std::array<uint8_t, 8>& daten);
    // Outputs are filled only when a message was taken.
    bool Take(int32_t& id, uint8_t& laenge, std::array<uint8_t, 8>& daten);
    bool Close();

    int32_t Handle() const { return handle_; }

private:
    const Registry& registry_;
    int32_t handle_ = 0;
};

// How a telegram travels on CAN, for every writer on every port: message byte 0 the
// sequence number (0 for a telegram's first message, +128 on its last), byte 1 the number
// of payload bytes, bytes 2-7 up to six payload bytes; every message of length 8. A full
// message leaves when the next byte comes, the last one when the telegram is closed.
class CAN_Packer {
public:
    using Nachricht = std::array<uint8_t, 8>;
    // Where a finished message goes (the writer's port, on its identifier).
    explicit CAN_Packer(std::function<void(const Nachricht&)> senden);

    void Byte(uint8_t b);
    // Closes the telegram: the last message, marked, leaves. Nothing when none is open.
    void Ende();
    // Forgets a telegram begun and not closed; the next byte starts a new one.
    void neu();
    bool offen() const { return fortgesetzt_; }

private:
    void sende_Nachricht();

    std::function<void(const Nachricht&)> senden_;
    Nachricht nachricht_{};
    int fuellstand_ = 0;
    bool fortgesetzt_ = false;
    int sequenz_ = 0;
};

// The CAN library's bit-rate code for the setup's speed index 0..4 (1000, 500, 250, 125,
// 100 kbit/s); 500 kbit/s for no setup or any other index.
int CAN_Baudcode(std::optional<int> index);
