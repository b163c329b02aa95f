#include "platform/Prioritaet.h"

#include "platform/PlatformLog.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace Prioritaet {

int ThreadId() {
    return static_cast<int>(::syscall(SYS_gettid));
}

bool Boost(int Tid, int Boost) {
    // A step of the boost is a step of the nice scale, which runs from 19 to -20.
    const int nice = Boost < 0 ? 0 : Boost > 20 ? -20 : -Boost;
    if (::setpriority(PRIO_PROCESS, static_cast<id_t>(Tid), nice) == 0)
        return true;
    qCDebug(lcPlatform) << "thread" << Tid << "keeps its priority, boost" << Boost
                        << "refused:" << std::strerror(errno);
    return false;
}

namespace {

// The kernel's sched_attr, which the C library does not declare.
struct SchedAttr {
    uint32_t size;
    uint32_t policy;
    uint64_t flags;
    int32_t nice;
    uint32_t priority;
    uint64_t runtime;
    uint64_t deadline;
    uint64_t period;
};

} // namespace

bool KurzeScheiben(int Mikrosekunden) {
#ifdef SYS_sched_setattr
    // The nice value goes along unchanged: the call sets both.
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, 0);
    if (errno != 0)
        return false;
    SchedAttr attr{};
    attr.size = sizeof attr;
    attr.policy = SCHED_OTHER;
    attr.nice = nice;
    attr.runtime = static_cast<uint64_t>(Mikrosekunden < 100 ? 100 : Mikrosekunden) * 1000u;
    if (::syscall(SYS_sched_setattr, 0, &attr, 0u) == 0)
        return true;
    qCDebug(lcPlatform) << "no short time slices:" << std::strerror(errno);
#else
    (void)Mikrosekunden;
#endif
    return false;
}

} // namespace Prioritaet
