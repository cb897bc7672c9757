#include "audio/Resampler.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kTimeBits = 15;                       // fraction bits of the time
constexpr std::uint32_t kTimeMask = (1u << kTimeBits) - 1;
constexpr int kPhaseShift = 7;                      // time fraction -> table phase
constexpr int kProductShift = 14;
constexpr int kGuardShift = 2;
constexpr int kScaleShift = 13;
constexpr int kScale = 12471;
constexpr double kCutoff = 0.75;
constexpr double kBeta = 8.0;

double BesselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
        if (term < 1e-12 * sum)
            break;
    }
    return sum;
}

std::array<std::int16_t, CResampler::kWing> MakeTable() {
    constexpr int n = CResampler::kWing, npc = CResampler::kPerZeroCrossing;
    const double gain = double(1u << 29) / kScale;
    std::array<double, n> h{};
    for (int i = 0; i < n; ++i) {
        double x = double(i) / npc;
        double sinc = i == 0 ? 1.0 : std::sin(M_PI * kCutoff * x) / (M_PI * kCutoff * x);
        double w = double(i) / n;
        h[std::size_t(i)] = kCutoff * sinc * BesselI0(kBeta * std::sqrt(1 - w * w)) / BesselI0(kBeta);
    }
    // The taps of phase p: p, p + 256, ... on the left wing and 256 - p,
    // 512 - p, ... (below the last coefficient) on the right one.
    std::array<double, CResampler::kPerZeroCrossing> sums{};
    for (int p = 0; p < npc; ++p) {
        double s = 0;
        for (int i = p; i < n; i += npc)
            s += h[std::size_t(i)];
        for (int i = p == 0 ? npc : npc - p; i < n - 1; i += npc)
            s += h[std::size_t(i)];
        sums[std::size_t(p)] = s;
    }
    std::array<std::int16_t, n> table{};
    for (int i = 0; i < n; ++i) {
        double v = std::lround(h[std::size_t(i)] * gain / sums[std::size_t(i % npc)]);
        table[std::size_t(i)] = std::int16_t(std::clamp(v, -32768.0, 32767.0));
    }
    return table;
}

inline std::int32_t Product(std::int32_t coefficient, std::int32_t sample) {
    std::int32_t t = coefficient * sample;
    if (t & (1 << (kProductShift - 1)))
        t += 1 << (kProductShift - 1);
    return t >> kProductShift;
}

inline std::int16_t Finish(std::int64_t sum, std::int64_t scale) {
    std::int64_t v = (sum >> kGuardShift) * scale;
    v += std::int64_t(1) << (kScaleShift - 1);
    v >>= kScaleShift;
    return std::int16_t(std::clamp<std::int64_t>(v, -32768, 32767));
}

} // namespace

const std::array<std::int16_t, CResampler::kWing>& CResampler::FilterTable() {
    static const std::array<std::int16_t, kWing> table = MakeTable();
    return table;
}

bool CResampler::Init(int inputRate, int outputRate) {
    if (inputRate <= 0 || outputRate <= 0)
        return false;
    m_factor = double(outputRate) / inputRate;
    m_step = std::uint32_t(double(1u << kTimeBits) / m_factor + 0.5);
    double reach = 7.0 * std::max(1.0, 1.0 / m_factor) + 10.0;
    if (reach > kMaxHistory)
        return false;
    m_history = std::size_t(reach);
    if (m_factor < 1.0) {
        double dh = std::min(double(kPerZeroCrossing), m_factor * kPerZeroCrossing);
        m_filterStep = std::uint32_t(dh * (1 << kPhaseShift) + 0.5);
        m_scale = std::int64_t(kScale * m_factor + 0.5);
    } else {
        m_scale = kScale;
    }
    FilterTable();
    Reset();
    return true;
}

void CResampler::Reset() {
    m_input.assign(m_history, 0);
    m_time = std::uint64_t(m_history) << kTimeBits;
}

std::int16_t CResampler::FilterUp(std::size_t at) const {
    const auto& table = FilterTable();
    std::uint32_t phase = std::uint32_t(m_time & kTimeMask);
    std::int64_t sum = 0;
    // Left wing: this sample and those before it.
    std::size_t x = at;
    for (std::size_t h = phase >> kPhaseShift; h < std::size_t(kWing); h += kPerZeroCrossing, --x)
        sum += Product(table[h], m_input[x]);
    // Right wing: the samples after it.
    std::uint32_t right = ((phase ^ kTimeMask) + 1) & kTimeMask;
    x = at + 1;
    std::size_t h = right >> kPhaseShift;
    if (right == 0) // the sample at distance 0 belongs to the left wing
        h += kPerZeroCrossing;
    for (; h < std::size_t(kWing - 1); h += kPerZeroCrossing, ++x)
        sum += Product(table[h], m_input[x]);
    return Finish(sum, m_scale);
}

std::int16_t CResampler::FilterDown(std::size_t at) const {
    const auto& table = FilterTable();
    std::uint32_t phase = std::uint32_t(m_time & kTimeMask);
    std::int64_t sum = 0;
    std::size_t x = at;
    for (std::uint64_t ho = (std::uint64_t(phase) * m_filterStep) >> kTimeBits;
         (ho >> kPhaseShift) < std::uint64_t(kWing); ho += m_filterStep, --x)
        sum += Product(table[ho >> kPhaseShift], m_input[x]);
    std::uint32_t right = ((phase ^ kTimeMask) + 1) & kTimeMask;
    std::uint64_t ho = (std::uint64_t(right) * m_filterStep) >> kTimeBits;
    x = at + 1;
    if (right == 0)
        ho += m_filterStep;
    for (; (ho >> kPhaseShift) < std::uint64_t(kWing - 1); ho += m_filterStep, ++x)
        sum += Product(table[ho >> kPhaseShift], m_input[x]);
    return Finish(sum, m_scale);
}

void CResampler::Produce(std::vector<std::int16_t>& output) {
    while ((m_time >> kTimeBits) + m_history < m_input.size()) {
        std::size_t at = std::size_t(m_time >> kTimeBits);
        output.push_back(m_factor >= 1.0 ? FilterUp(at) : FilterDown(at));
        m_time += m_step;
    }
    // Drop what no later output can reach.
    std::size_t used = std::size_t(m_time >> kTimeBits);
    if (used > m_history + 4096) {
        std::size_t drop = used - m_history;
        m_input.erase(m_input.begin(), m_input.begin() + std::ptrdiff_t(drop));
        m_time -= std::uint64_t(drop) << kTimeBits;
    }
}

void CResampler::Process(const std::int16_t* input, std::size_t count,
                         std::vector<std::int16_t>& output) {
    m_input.insert(m_input.end(), input, input + count);
    Produce(output);
}

void CResampler::Flush(std::vector<std::int16_t>& output) {
    m_input.insert(m_input.end(), m_history + 1, 0);
    Produce(output);
}
