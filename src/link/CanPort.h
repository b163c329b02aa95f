#pragma once

#include <array>
#include <cstdint>

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
