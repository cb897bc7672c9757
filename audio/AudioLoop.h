#pragma once

#include "audio/AudioFilter.h"

// Its input repeated a number of times (unlimited by default), optionally cut
// to a total length.
class CAudioLoop final : public IAudioFilter {
public:
    void SetRepeatCount(int count) { m_repeat = count; }
    // Seconds, at the rate the filter reports; negative for no limit.
    void SetTotalLength(double seconds);

    [[nodiscard]] std::int64_t GetLength() override;
    std::int64_t Seek(std::int64_t position, int origin) override;
    [[nodiscard]] std::int64_t Tell() override { return m_position; }
    const std::uint8_t* Read(int& count) override;
    void OnRateChange(int oldRate, int newRate) override;

private:
    int m_repeat = -1;
    std::int64_t m_total = -1;
    std::int64_t m_position = 0;
};
