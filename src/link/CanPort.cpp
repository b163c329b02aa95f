#include "link/CanPort.h"

#include "platform/NTCAN.h"
#include "platform/Registry.h"

#include <algorithm>

TCanport::TCanport(int, const Registry& registry) : registry_(registry) {}

TCanport::~TCanport() {
    // The library's handle is given back with the object, so a test bus sees it leave.
    if (handle_ != 0)
        canClose(handle_);
}

bool TCanport::Open(uint32_t baudCode, int32_t sendequeue, int32_t empfangsqueue,
                    int32_t sendeTimeout, int32_t empfangsTimeout) {
    canSetzeSchnittstelle(
        registry_.readString(QStringLiteral("CAN_Plugin")).value_or(QString()),
        registry_.readString(QStringLiteral("CAN_Interface")).value_or(QString()));
    CanHandle h = 0;
    if (canOpen(0, 0, sendequeue, empfangsqueue, sendeTimeout, empfangsTimeout, &h) != CAN_OK)
        return false;
    // A handle still held from an earlier open is replaced; callers close first.
    if (handle_ != 0)
        canClose(handle_);
    handle_ = h;
    if (canSetBaudrate(handle_, baudCode) == CAN_OK)
        return true;
    // A device that did not reach the bus is given back, not left connecting.
    Close();
    return false;
}

void TCanport::IdAdd(int32_t id) {
    canIdAdd(handle_, id);
}

bool TCanport::Write(int32_t id, uint8_t laenge, const std::array<uint8_t, 8>& daten) {
    CanMsg m;
    m.id = id;
    m.len = laenge;
    std::copy(daten.begin(), daten.end(), m.data);
    int32_t anzahl = 1;
    return canWrite(handle_, &m, &anzahl, nullptr) == CAN_OK && anzahl == 1;
}

bool TCanport::Take(int32_t& id, uint8_t& laenge, std::array<uint8_t, 8>& daten) {
    CanMsg m;
    int32_t anzahl = 1;
    if (canTake(handle_, &m, &anzahl) != CAN_OK || anzahl == 0)
        return false;
    id = m.id;
    laenge = m.len;
    std::copy(std::begin(m.data), std::end(m.data), daten.begin());
    return true;
}

bool TCanport::Close() {
    const bool ok = canClose(handle_) == CAN_OK;
    handle_ = 0;
    return ok;
}

// ---------------------------------------------------------------- packing

CAN_Packer::CAN_Packer(std::function<void(const Nachricht&)> senden) : senden_(std::move(senden)) {}

void CAN_Packer::neu() {
    nachricht_.fill(0);
    fuellstand_ = 0;
    fortgesetzt_ = false;
}

void CAN_Packer::sende_Nachricht() {
    if (senden_)
        senden_(nachricht_);
    std::fill(nachricht_.begin() + 2, nachricht_.end(), 0);
    fuellstand_ = 0;
}

void CAN_Packer::Byte(uint8_t b) {
    if (fuellstand_ >= 8) {
        nachricht_[1] = 6;
        sende_Nachricht();
    }
    if (fuellstand_ == 0) {
        sequenz_ = fortgesetzt_ ? sequenz_ + 1 : 0;
        fortgesetzt_ = true;
        nachricht_[0] = static_cast<uint8_t>(sequenz_);
        fuellstand_ = 2;
    }
    nachricht_[static_cast<size_t>(fuellstand_++)] = b;
}

void CAN_Packer::Ende() {
    if (!fortgesetzt_ || fuellstand_ <= 0)
        return;
    nachricht_[0] = static_cast<uint8_t>(nachricht_[0] + 128);
    nachricht_[1] = static_cast<uint8_t>(fuellstand_ - 2);
    sende_Nachricht();
    fortgesetzt_ = false;
}

int CAN_Baudcode(std::optional<int> index) {
    static constexpr int codes[] = {0, 2, 4, 6, 7};
    if (!index || *index < 0 || *index >= 5)
        return 2;
    return codes[*index];
}
