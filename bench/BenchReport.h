#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

// Frames per second and the ratio of a benchmark's time per call to that of
// the baseline (a plain copy of one frame), which runs first in each program,
// so figures from loaded and idle machines can be compared.
class CBenchReport {
public:
    explicit CBenchReport(benchmark::State& state)
        : m_state(state), m_start(std::chrono::steady_clock::now()) {}
    CBenchReport(const CBenchReport&) = delete;
    CBenchReport& operator=(const CBenchReport&) = delete;

    ~CBenchReport() {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        const double iterations = double(m_state.iterations());
        m_state.counters["fps"] = benchmark::Counter(iterations, benchmark::Counter::kIsRate);
        if (iterations <= 0)
            return;
        const double perCall = seconds / iterations;
        if (m_baseline)
            Baseline() = perCall;
        if (Baseline() > 0)
            m_state.counters["xCopy"] = perCall / Baseline();
    }

    // Marks this benchmark as the baseline of the program.
    CBenchReport& AsBaseline() {
        m_baseline = true;
        return *this;
    }

private:
    static double& Baseline() {
        static double seconds = 0;
        return seconds;
    }

    benchmark::State& m_state;
    std::chrono::steady_clock::time_point m_start;
    bool m_baseline = false;
};

// The baseline of the effect benchmarks: what the host does for a 720 x 576
// frame without an effect, clearing it and copying a picture into it.
inline void ClearAndCopyFrame(benchmark::State& state) {
    std::vector<std::uint8_t> src(std::size_t(720) * 576 * 4, 7), dst(src.size());
    CBenchReport report(state);
    report.AsBaseline();
    for (auto _ : state) {
        std::memset(dst.data(), 0, dst.size());
        std::memcpy(dst.data(), src.data(), dst.size());
        benchmark::ClobberMemory();
    }
}
