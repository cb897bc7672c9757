#pragma once

#include "audio/AudioFilter.h"

// A window of its input: from a start frame for a length. Positions are
// relative to the window's start.
class CAudioCrop final : public IAudioFilter {
public:
    // Seconds, at the rate the filter reports.
    void SetRange(double start, double length);

    bool Open() override;
    [[nodiscard]] std::int64_t GetLength() override;
    std::int64_t Seek(std::int64_t position, int origin) override;
    [[nodiscard]] std::int64_t Tell() override { return m_position; }
    const std::uint8_t* Read(int& count) override;
    void OnRateChange(int oldRate, int newRate) override;

private:
    std::int64_t m_start = 0;
    std::int64_t m_length = 0;
    std::int64_t m_position = 0;
};
