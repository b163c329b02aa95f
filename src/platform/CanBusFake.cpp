#include "platform/CanBusFake.h"

#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QMetaObject>
#include <QPointer>
#include <QVariant>
#include <algorithm>
#include <map>
#include <vector>

namespace {

class FakeGeraet;

// GUI thread only, as the devices it connects.
struct Bus {
    std::map<QString, std::vector<FakeGeraet*>> netze;
    std::map<QString, CanBusFake::Verhalten> verhalten;
};

Bus& bus() {
    static Bus b;
    return b;
}

class FakeGeraet final : public QCanBusDevice {
public:
    explicit FakeGeraet(const QString& netz) : netz_(netz) {}
    ~FakeGeraet() override { verlasse(); }

    bool writeFrame(const QCanBusFrame& frame) override {
        if (state() != ConnectedState || !frame.isValid())
            return false;
        for (FakeGeraet* g : bus().netze[netz_]) {
            if (g == this)
                continue;
            // Delivered later through the event loop, never from inside the sender's call.
            QMetaObject::invokeMethod(
                g,
                [z = QPointer<FakeGeraet>(g), frame] {
                    if (z && z->state() == ConnectedState)
                        z->enqueueReceivedFrames({frame});
                },
                Qt::QueuedConnection);
        }
        emit framesWritten(1);
        return true;
    }
    QString interpretErrorFrame(const QCanBusFrame&) override { return {}; }

protected:
    bool open() override {
        const CanBusFake::Verhalten v = bus().verhalten.count(netz_)
                                            ? bus().verhalten[netz_]
                                            : CanBusFake::Verhalten::verbindet;
        if (v == CanBusFake::Verhalten::verbindet_nie)
            return true;
        QMetaObject::invokeMethod(
            this,
            [this, v] {
                if (state() != ConnectingState)
                    return;
                if (v == CanBusFake::Verhalten::Bitratenfehler &&
                    configurationParameter(BitRateKey).isValid())
                    setError(QStringLiteral("bit rate not supported"), ConfigurationError);
                bus().netze[netz_].push_back(this);
                setState(ConnectedState);
            },
            Qt::QueuedConnection);
        return true;
    }
    void close() override {
        verlasse();
        setState(UnconnectedState);
    }

private:
    void verlasse() {
        auto& g = bus().netze[netz_];
        g.erase(std::remove(g.begin(), g.end(), this), g.end());
    }

    QString netz_;
};

} // namespace

namespace CanBusFake {

std::unique_ptr<QCanBusDevice> erzeuge(const QString& netz) {
    return std::make_unique<FakeGeraet>(netz);
}

void setze_Verhalten(const QString& netz, Verhalten v) {
    bus().verhalten[netz] = v;
}

int Teilnehmer(const QString& netz) {
    const auto it = bus().netze.find(netz);
    return it == bus().netze.end() ? 0 : static_cast<int>(it->second.size());
}

} // namespace CanBusFake
