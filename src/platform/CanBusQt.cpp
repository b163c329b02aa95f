#include "platform/CanBusQt.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QVariant>
#include <algorithm>
#include <set>

namespace {

class QtKanal final : public CanKanal {
public:
    explicit QtKanal(std::unique_ptr<QCanBusDevice> geraet) : geraet_(std::move(geraet)) {}
    ~QtKanal() override {
        if (geraet_->state() != QCanBusDevice::UnconnectedState)
            geraet_->disconnectDevice();
    }
    bool setze_Bitrate(int32_t bitrate) override {
        if (bitrate <= 0)
            return false;
        // On SocketCAN the system usually fixes the rate of the interface; a refusal to
        // change it here leaves the bus running at the rate it has.
        geraet_->setConfigurationParameter(QCanBusDevice::BitRateKey, QVariant(bitrate));
        return geraet_->state() == QCanBusDevice::ConnectedState;
    }
    void erlaube_Id(int32_t id) override { ids_.insert(id); }
    bool sende(const CanMsg& msg) override {
        const uint32_t id = static_cast<uint32_t>(msg.id);
        QCanBusFrame frame(id & ~CAN_29_Bit,
                           QByteArray(reinterpret_cast<const char*>(msg.data), msg.len & 0x0F));
        frame.setExtendedFrameFormat((id & CAN_29_Bit) != 0);
        return geraet_->writeFrame(frame);
    }
    bool nimm(CanMsg& msg) override {
        while (geraet_->framesAvailable() > 0) {
            const QCanBusFrame frame = geraet_->readFrame();
            if (!frame.isValid() || frame.frameType() != QCanBusFrame::DataFrame)
                continue;
            const int32_t id = static_cast<int32_t>(
                frame.frameId() | (frame.hasExtendedFrameFormat() ? CAN_29_Bit : 0));
            if (!ids_.count(id))
                continue;
            const QByteArray nutz = frame.payload();
            msg = CanMsg{};
            msg.id = id;
            msg.len = static_cast<uint8_t>(std::min<qsizetype>(nutz.size(), 8));
            std::copy_n(nutz.constData(), msg.len, msg.data);
            return true;
        }
        return false;
    }

private:
    std::unique_ptr<QCanBusDevice> geraet_;
    std::set<int32_t> ids_;
};

} // namespace

namespace CanBusQt {

std::unique_ptr<CanKanal> oeffne(const QString& plugin, const QString& interfaceName) {
    QString fehler;
    std::unique_ptr<QCanBusDevice> geraet(
        QCanBus::instance()->createDevice(plugin, interfaceName, &fehler));
    if (!geraet)
        return nullptr;
    if (!geraet->connectDevice() || geraet->state() != QCanBusDevice::ConnectedState)
        return nullptr;
    return std::make_unique<QtKanal>(std::move(geraet));
}

} // namespace CanBusQt
