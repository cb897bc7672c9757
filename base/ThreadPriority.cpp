#include "base/ThreadPriority.h"

#include <algorithm>
#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>

bool RunBelowNormalPriority() {
    // The process's nice value is its main thread's; the steps count from
    // there, so a render started under nice stays below it by as much.
    errno = 0;
    const int base = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    if (base == -1 && errno != 0)
        return false;
    // On Linux the nice value belongs to each thread: the thread id names
    // this thread alone.
    return setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), std::min(base + 10, 19)) == 0;
}
