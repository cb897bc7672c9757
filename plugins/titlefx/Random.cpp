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
        next = CCrtRandom::NextState(state);
    } while (!g_state.compare_exchange_weak(state, next, std::memory_order_relaxed));
    return CCrtRandom::Value(next);
}

void SeedRand(std::uint32_t seed) { g_state.store(seed, std::memory_order_relaxed); }

} // namespace titlefx
