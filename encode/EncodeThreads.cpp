#include "encode/EncodeThreads.h"

#include <algorithm>
#include <thread>

int EncodeThreads(int requested) {
    if (requested > 0)
        return std::min(requested, kMaxRequestedThreads);
    const int cores = int(std::thread::hardware_concurrency());
    return std::clamp(cores, 1, kMaxEncodeThreads);
}
