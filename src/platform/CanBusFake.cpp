#include "platform/CanBusFake.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace {

struct Platz {
    QString netz;
    size_t max = 100;
    std::deque<CanMsg> queue;
    uint8_t verloren = 0;
    std::set<int32_t> ids;
    std::function<void()> beiNachricht;
};

struct Bus {
    std::mutex lock;
    std::map<int, Platz> teilnehmer;
    int naechste = 1;
};

Bus& bus() {
    static Bus b;
    return b;
}

class FakeKanal final : public CanKanal {
public:
    explicit FakeKanal(int nr) : nr_(nr) {}
    ~FakeKanal() override {
        std::lock_guard l(bus().lock);
        bus().teilnehmer.erase(nr_);
    }
    bool setze_Bitrate(int32_t bitrate) override { return bitrate > 0; }
    void erlaube_Id(int32_t id) override {
        std::lock_guard l(bus().lock);
        bus().teilnehmer[nr_].ids.insert(id);
    }
    bool sende(const CanMsg& msg) override {
        std::vector<std::function<void()>> melden;
        {
            std::lock_guard l(bus().lock);
            const QString netz = bus().teilnehmer[nr_].netz;
            for (auto& [nr, t] : bus().teilnehmer) {
                if (nr == nr_ || t.netz != netz || !t.ids.count(msg.id))
                    continue;
                if (t.queue.size() >= t.max) {
                    if (t.verloren < 255)
                        ++t.verloren;
                    continue;
                }
                CanMsg kopie = msg;
                kopie.msg_lost = 0;
                t.queue.push_back(kopie);
                if (t.beiNachricht)
                    melden.push_back(t.beiNachricht);
            }
        }
        // Delivered later through the event loop, never from inside the sender's call.
        for (auto& f : melden)
            if (QCoreApplication::instance())
                QMetaObject::invokeMethod(QCoreApplication::instance(), f, Qt::QueuedConnection);
        return true;
    }
    bool nimm(CanMsg& msg) override {
        std::lock_guard l(bus().lock);
        Platz& t = bus().teilnehmer[nr_];
        if (t.queue.empty())
            return false;
        msg = t.queue.front();
        t.queue.pop_front();
        msg.msg_lost = t.verloren;
        t.verloren = 0;
        return true;
    }

private:
    int nr_;
};

} // namespace

namespace CanBusFake {

std::unique_ptr<CanKanal> oeffne(const QString& netz, int empfangsqueue,
                                 std::function<void()> beiNachricht) {
    std::lock_guard l(bus().lock);
    const int nr = bus().naechste++;
    Platz& t = bus().teilnehmer[nr];
    t.netz = netz;
    t.max = empfangsqueue > 0 ? static_cast<size_t>(empfangsqueue) : 1;
    t.beiNachricht = std::move(beiNachricht);
    return std::make_unique<FakeKanal>(nr);
}

int Teilnehmer(const QString& netz) {
    std::lock_guard l(bus().lock);
    int n = 0;
    for (const auto& [nr, t] : bus().teilnehmer)
        n += t.netz == netz ? 1 : 0;
    return n;
}

} // namespace CanBusFake
