#pragma once

#include "audio/AudioFilter.h"

#include <map>
#include <vector>

// A piecewise-linear gain envelope over its input: the start gain at frame 0,
// keys in between (equal frames keep their order) and the end gain at the
// input's length. Stretches whose two gains are both 1.0 or more are left
// untouched.
class CAudioFade final : public IAudioFilter {
public:
    CAudioFade(double startGain = 1.0, double endGain = 1.0)
        : m_startGain(startGain), m_endGain(endGain) {}

    void SetGains(double startGain, double endGain) {
        m_startGain = startGain;
        m_endGain = endGain;
    }
    // A key at a time in seconds, at the rate the filter reports.
    void AddKey(double seconds, double gain);

    bool Open() override;
    std::int64_t Seek(std::int64_t position, int origin) override;
    [[nodiscard]] std::int64_t Tell() override { return m_position; }
    const std::uint8_t* Read(int& count) override;
    void OnRateChange(int oldRate, int newRate) override;

    // The gain at a frame (for tests and for drawing the envelope).
    [[nodiscard]] double GainAt(std::int64_t frame);

private:
    struct SSegment {
        std::int64_t p0, p1; // p1 < 0: no end, constant g0
        double g0, g1;
    };
    SSegment SegmentAt(std::int64_t frame);

    double m_startGain;
    double m_endGain;
    std::multimap<std::int64_t, double> m_keys;
    std::int64_t m_position = 0;
    std::vector<std::uint8_t> m_buffer;
};
