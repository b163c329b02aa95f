#include "platform/Prioritaet.h"

#include "platform/PlatformLog.h"

#include <cerrno>
#include <cstring>
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

} // namespace Prioritaet
