#include "support/VirtuellerBus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QThread>
#include <stdexcept>

quint16 VirtuellerBus::Port() {
    // One port for the whole process: the virtual bus plugin hosts one server per process.
    static const quint16 port = [] {
        QTcpServer s;
        if (!s.listen(QHostAddress::LocalHost, 0))
            throw std::runtime_error("no free TCP port for the virtual CAN bus");
        return s.serverPort();
    }();
    return port;
}

VirtuellerBus::VirtuellerBus() {
    static int kanaele = 0;
    schnittstelle_ = QStringLiteral("tcp://127.0.0.1:%1/can%2").arg(Port()).arg(kanaele++);
    gastgeber_ = Teilnehmer();
    if (!gastgeber_)
        throw std::runtime_error("the virtual CAN bus could not be hosted");
    gastgeber_->erlaube_Id(Anmeldung);
}

VirtuellerBus::~VirtuellerBus() = default;

std::unique_ptr<CanKanal> VirtuellerBus::Teilnehmer() const {
    std::unique_ptr<CanKanal> k = CanKanal::erzeuge(QStringLiteral("virtualcan"), schnittstelle_);
    if (!k || k->verbinde(500000) != CAN_OK)
        return nullptr;
    if (gastgeber_ && !angemeldet([&k](const CanMsg& m) { return k->sende(m); }))
        return nullptr;
    return k;
}

bool VirtuellerBus::angemeldet(const std::function<bool(const CanMsg&)>& sende) const {
    CanMsg anmeldung;
    anmeldung.id = Anmeldung;
    anmeldung.len = 1; // the bus drops messages without data
    return sende(anmeldung) && warte([this] {
               CanMsg m;
               return gastgeber_->nimm(m);
           });
}

bool VirtuellerBus::warte(const std::function<bool()>& fertig, int ms) {
    QElapsedTimer t;
    t.start();
    // fertig() may take what it waits for: asked once a round.
    for (int runde = 0;; ++runde) {
        if (fertig())
            return true;
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        if (runde > 2)
            QThread::usleep(200);
    }
}
