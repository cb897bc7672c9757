#include "media/PictureBudget.h"

#include "media/TextException.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <string>
#include <utility>

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

std::atomic<std::uint64_t> g_inUse{0};
std::atomic<std::uint64_t> g_limit{0}; // 0: the default

// A quarter of what the process may use, at least 64 MiB.
std::uint64_t DefaultLimit() {
    static const std::uint64_t limit = [] {
        std::uint64_t memory = UINT64_MAX;
        const long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGE_SIZE);
        if (pages > 0 && page > 0)
            memory = std::uint64_t(pages) * std::uint64_t(page);
        rlimit address{};
        if (getrlimit(RLIMIT_AS, &address) == 0 && address.rlim_cur != RLIM_INFINITY)
            memory = std::min<std::uint64_t>(memory, address.rlim_cur);
        // The control group's limit reads "max" when there is none, which
        // does not parse as a number.
        std::ifstream group("/sys/fs/cgroup/memory.max");
        std::uint64_t groupLimit = 0;
        if (group >> groupLimit && groupLimit > 0)
            memory = std::min(memory, groupLimit);
        return std::max(memory / 4, 64 * kMiB);
    }();
    return limit;
}

std::string Megabytes(std::uint64_t bytes) { return std::to_string((bytes + kMiB - 1) / kMiB); }

} // namespace

std::uint64_t CPictureBudget::Limit() {
    const std::uint64_t set = g_limit.load(std::memory_order_relaxed);
    return set ? set : DefaultLimit();
}

std::uint64_t CPictureBudget::InUse() { return g_inUse.load(std::memory_order_relaxed); }

void CPictureBudget::SetLimit(std::uint64_t bytes) { g_limit.store(bytes, std::memory_order_relaxed); }

CPictureBudget::CCharge::CCharge(CCharge&& other) noexcept
    : m_bytes(std::exchange(other.m_bytes, 0)) {}

CPictureBudget::CCharge& CPictureBudget::CCharge::operator=(CCharge&& other) noexcept {
    if (this != &other) {
        Release();
        m_bytes = std::exchange(other.m_bytes, 0);
    }
    return *this;
}

void CPictureBudget::CCharge::Take(std::uint64_t bytes) {
    if (bytes == 0)
        return;
    const std::uint64_t limit = Limit();
    std::uint64_t used = g_inUse.load(std::memory_order_relaxed);
    do {
        if (bytes > limit || used > limit - bytes)
            throw PLTextException(PL_ERRNO_MEMORY,
                                  "Not enough memory for the picture: it needs " +
                                      Megabytes(bytes) + " MB, and decoded pictures already take " +
                                      Megabytes(used) + " MB of their " + Megabytes(limit) +
                                      " MB budget.");
    } while (!g_inUse.compare_exchange_weak(used, used + bytes, std::memory_order_relaxed));
    m_bytes += bytes;
}

void CPictureBudget::CCharge::Release() {
    if (m_bytes)
        g_inUse.fetch_sub(std::exchange(m_bytes, 0), std::memory_order_relaxed);
}
