#include "platform/CanKanal.h"

#include "platform/CanBusFake.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QEventLoop>
#include <QTimer>
#include <QVariant>
#include <algorithm>
#include <optional>

std::unique_ptr<CanKanal> CanKanal::erzeuge(const QString& plugin, const QString& interfaceName) {
    std::unique_ptr<QCanBusDevice> geraet;
    if (plugin.compare(QStringLiteral("fake"), Qt::CaseInsensitive) == 0) {
        geraet = CanBusFake::erzeuge(interfaceName);
    } else {
        QString fehler;
        geraet.reset(QCanBus::instance()->createDevice(plugin, interfaceName, &fehler));
    }
    if (!geraet)
        return nullptr;
    const bool socketcan = plugin.compare(QStringLiteral("socketcan"), Qt::CaseInsensitive) == 0;
    return std::make_unique<CanKanal>(std::move(geraet), socketcan);
}

CanKanal::CanKanal(std::unique_ptr<QCanBusDevice> geraet, bool bitrateVomSystem)
    : geraet_(std::move(geraet)), bitrateVomSystem_(bitrateVomSystem) {}

CanKanal::~CanKanal() {
    if (geraet_->state() != QCanBusDevice::UnconnectedState)
        geraet_->disconnectDevice();
}

CanErgebnis CanKanal::verbinde(int32_t bitrate, int frist_ms) {
    if (verbindet_)
        return CAN_BESCHAEFTIGT;
    if (bitrate <= 0)
        return CAN_BAUDRATE_FEHLER;
    if (geraet_->state() == QCanBusDevice::ConnectedState)
        return CAN_OK;
    std::optional<QCanBusDevice::CanBusError> fehler;
    QEventLoop schleife;
    QObject::connect(geraet_.get(), &QCanBusDevice::errorOccurred, &schleife,
                     [&](QCanBusDevice::CanBusError e) {
                         if (e == QCanBusDevice::NoError)
                             return;
                         if (!fehler)
                             fehler = e;
                         schleife.quit();
                     });
    QObject::connect(geraet_.get(), &QCanBusDevice::stateChanged, &schleife,
                     [&](QCanBusDevice::CanBusDeviceState s) {
                         if (s == QCanBusDevice::ConnectedState ||
                             s == QCanBusDevice::UnconnectedState)
                             schleife.quit();
                     });
    QTimer frist;
    frist.setSingleShot(true);
    frist.setTimerType(Qt::PreciseTimer);
    QObject::connect(&frist, &QTimer::timeout, &schleife, &QEventLoop::quit);

    // Before connecting: most plugins take their configuration when they open; some check
    // it at once. A plugin that does not know the key ignores it, and the bus runs at the
    // rate it has.
    if (!bitrateVomSystem_)
        geraet_->setConfigurationParameter(QCanBusDevice::BitRateKey, QVariant(bitrate));
    bool ok = !fehler && geraet_->connectDevice();
    if (ok && !fehler && geraet_->state() == QCanBusDevice::ConnectingState) {
        // The 20 ms tick still runs meanwhile; the user's clicks wait until the open is
        // decided, and a second open is refused above.
        verbindet_ = true;
        frist.start(frist_ms);
        schleife.exec(QEventLoop::ExcludeUserInputEvents);
        verbindet_ = false;
    }
    ok = ok && !fehler && geraet_->state() == QCanBusDevice::ConnectedState;
    if (ok)
        return CAN_OK;
    if (geraet_->state() != QCanBusDevice::UnconnectedState)
        geraet_->disconnectDevice();
    return fehler == QCanBusDevice::ConfigurationError ? CAN_BAUDRATE_FEHLER : CAN_NETZ_FEHLT;
}

bool CanKanal::verbunden() const {
    return !verbindet_ && geraet_->state() == QCanBusDevice::ConnectedState;
}

void CanKanal::erlaube_Id(int32_t id) {
    ids_.insert(id);
}

bool CanKanal::sende(const CanMsg& msg) {
    // A write to a device that is not on the bus would report an error, and one reported
    // during the connect wait fails the open.
    if (!verbunden() || msg.len > 8)
        return false;
    const uint32_t id = static_cast<uint32_t>(msg.id);
    QCanBusFrame frame(id & ~CAN_29_Bit,
                       QByteArray(reinterpret_cast<const char*>(msg.data), msg.len));
    frame.setExtendedFrameFormat((id & CAN_29_Bit) != 0);
    return geraet_->writeFrame(frame);
}

bool CanKanal::nimm(CanMsg& msg) {
    while (geraet_->framesAvailable() > 0) {
        const QCanBusFrame frame = geraet_->readFrame();
        if (!frame.isValid() || frame.frameType() != QCanBusFrame::DataFrame)
            continue;
        const int32_t id = static_cast<int32_t>(frame.frameId() |
                                                (frame.hasExtendedFrameFormat() ? CAN_29_Bit : 0));
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

void CanKanal::bei_Nachricht(std::function<void()> f) {
    QObject::connect(geraet_.get(), &QCanBusDevice::framesReceived, geraet_.get(), std::move(f),
                     Qt::QueuedConnection);
}

QString CanKanal::Fehlertext() const {
    return geraet_->errorString();
}
