#include "encode/EncodeThreads.h"

#include <sched.h>

#include <algorithm>
#include <thread>

int UsableCores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    return std::max(1, int(std::thread::hardware_concurrency()));
}

int EncodeThreads(int requested) {
    if (requested > 0)
        return std::min(requested, kMaxRequestedThreads);
    return std::clamp(UsableCores() + 1, 1, kMaxEncodeThreads);
}
