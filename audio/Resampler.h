#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Band-limited interpolation of 16-bit samples in fixed point (after Julius
// O. Smith's resampling method): a time step with 15 fraction bits, a windowed
// sinc filter of which one wing is stored as 1536 coefficients, 256 per zero
// crossing (six zero crossings per wing, thirteen products per output sample
// when up-sampling), looked up without interpolation.
//
// Arithmetic per output sample: every product of a sample and a coefficient is
// rounded at bit 14 and shifted right by 14; the two wings' sums are added,
// shifted right by 2, multiplied by the scale 12471 (times the conversion
// factor, rounded, when down-sampling), rounded at bit 12, shifted right by 13
// and clamped to -32768 ... 32767. Down-sampling stretches the filter by the
// factor.
//
// The filter table: h(i) = C * r * sinc(r * i / 256) * kaiser(i / 1536, beta)
// for i = 0 ... 1535, with cutoff r = 0.75 (of the lower rate's Nyquist
// frequency), Kaiser window beta = 8, and C chosen so that the products above
// give unity gain (C = 2^29 / 12471). The coefficients of each phase (i mod
// 256) are then scaled so that the taps one phase uses sum to exactly C, which
// keeps the gain equal across phases, and rounded to 16 bits.
//
// The resampler streams: it keeps a history of (7 x max(1, 1 / factor)) + 10
// samples between calls, so consecutive blocks join without a seam. One
// resampler handles one channel.
class CResampler {
public:
    static constexpr int kWing = 1536;
    static constexpr int kPerZeroCrossing = 256;
    static constexpr int kMaxHistory = 2048;

    static const std::array<std::int16_t, kWing>& FilterTable();

    // Fails when the history the factor needs exceeds kMaxHistory samples.
    bool Init(int inputRate, int outputRate);
    // Forgets all input: the next sample starts a new signal.
    void Reset();
    // Appends the output for these input samples.
    void Process(const std::int16_t* input, std::size_t count, std::vector<std::int16_t>& output);
    // Appends the output still held back by the filter's reach at the end.
    void Flush(std::vector<std::int16_t>& output);

    [[nodiscard]] double Factor() const { return m_factor; }

private:
    void Produce(std::vector<std::int16_t>& output);
    [[nodiscard]] std::int16_t FilterUp(std::size_t at) const;
    [[nodiscard]] std::int16_t FilterDown(std::size_t at) const;

    double m_factor = 1.0;
    std::uint32_t m_step = 0;   // input samples per output sample, 15 fraction bits
    std::uint32_t m_filterStep = 0; // down-sampling: filter index step, 7 fraction bits
    std::int64_t m_scale = 12471;
    std::size_t m_history = 0;
    std::vector<std::int16_t> m_input;
    std::uint64_t m_time = 0;   // position in m_input, 15 fraction bits
};
