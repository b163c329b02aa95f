#pragma once

#include <QString>
#include <cstdint>

// Base of the serial layer's components: publishes the layer's version.
class TSerBaseComponent {
public:
    virtual ~TSerBaseComponent() = default;
    QString Version() const { return QStringLiteral("v1.00"); }
    // The version cannot be changed.
    void SetVersion(const QString&) {}
};

// A tick timer: one tick is 55 ms of a monotonic millisecond clock, so unlike a 32-bit
// counter it never wraps.
struct TEventTimer {
    int64_t StartTicks = 0;
    int64_t ExpireTicks = 0;
};

inline constexpr int64_t MaxTimerTicks = 39045157;
inline constexpr int64_t MillisecondsPerTick = 55;

// Milliseconds of a monotonic clock.
int64_t SerTimeGetTime();
// Ticks above MaxTimerTicks count as MaxTimerTicks.
void NewTimer(TEventTimer& Timer, int64_t Ticks);
bool TimerExpired(const TEventTimer& Timer);
// The same, against a given clock reading in ticks.
bool TimerExpiredAt(const TEventTimer& Timer, int64_t NowTicks);
int64_t SerTicksNow();

bool FlagIsSet(uint32_t Flags, uint32_t Mask);
bool ExistFileZ(const QString& Name);

// Handles the waiting events of the calling (GUI) thread once, without blocking; true when
// something was handled. A pending request to quit stays pending for the application's loop.
int SafeYield();

// "\\.\COMn"
QString ComName(int N);
// True when port N can be opened, or is held by another program; false for port 0, a port
// without a device and a device the user may not open. Never raises.
bool IsPortAvailable(int N);
