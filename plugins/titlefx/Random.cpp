#include "plugins/titlefx/Random.h"

#include <atomic>
#include <ctime>

namespace titlefx {
namespace {

// Initialised when the module is loaded.
std::atomic<std::uint32_t> g_state{std::uint32_t(std::time(nullptr))};

} // namespace

int Rand() {
    std::uint32_t state = g_state.load(std::memory_order_relaxed);
    std::uint32_t next;
    do {
        next = state * 214013u + 2531011u;
    } while (!g_state.compare_exchange_weak(state, next, std::memory_order_relaxed));
    return int((next >> 16) & 0x7FFFu);
}

void SeedRand(std::uint32_t seed) { g_state.store(seed, std::memory_order_relaxed); }

} // namespace titlefx
