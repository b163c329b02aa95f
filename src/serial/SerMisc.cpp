#include "serial/SerMisc.h"

#include "platform/Comm.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <chrono>
#include <thread>

int64_t SerTimeGetTime() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t SerTicksNow() {
    return SerTimeGetTime() / MillisecondsPerTick;
}

void NewTimer(TEventTimer& Timer, int64_t Ticks) {
    if (Ticks > MaxTimerTicks)
        Ticks = MaxTimerTicks;
    Timer.StartTicks = SerTicksNow();
    Timer.ExpireTicks = Timer.StartTicks + Ticks;
}

bool TimerExpiredAt(const TEventTimer& Timer, int64_t NowTicks) {
    // The clock is monotonic: "now" never lies before the start.
    return NowTicks > Timer.ExpireTicks;
}

bool TimerExpired(const TEventTimer& Timer) {
    return TimerExpiredAt(Timer, SerTicksNow());
}

bool FlagIsSet(uint32_t Flags, uint32_t Mask) {
    return (Flags & Mask) != 0;
}

bool ExistFileZ(const QString& Name) {
    return QFileInfo::exists(Name);
}

int SafeYield() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        std::this_thread::yield();
        return 0;
    }
    // Handles what is waiting and returns; a quit request stays with the event loop.
    QCoreApplication::sendPostedEvents();
    QAbstractEventDispatcher* d = QThread::currentThread()->eventDispatcher();
    const bool etwas = d && d->processEvents(QEventLoop::AllEvents);
    return etwas ? 1 : 0;
}

QString ComName(int N) {
    return QStringLiteral("\\\\.\\COM%1").arg(N);
}

bool IsPortAvailable(int N) {
    if (N <= 0)
        return false;
    const Comm::Handle h = Comm::CreateFile(ComName(N), true);
    if (h != Comm::INVALID_HANDLE_VALUE) {
        Comm::CloseHandle(h);
        return true;
    }
    // A port held by another program is there all the same.
    return Comm::GetLastError() == Comm::ERROR_ACCESS_DENIED;
}
