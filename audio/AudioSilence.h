#pragma once

#include "audio/AudioSrc.h"

#include <algorithm>
#include <vector>

// Silence of a given length in the requested format.
class CAudioSilence final : public IAudioSrc {
public:
    explicit CAudioSilence(std::int64_t length) : m_length(std::max<std::int64_t>(0, length)) {}

    bool Open() override { m_position = 0; return true; }
    void Close() override { m_buffer.clear(); }
    [[nodiscard]] int GetSampleRate() const override { return m_rate; }
    [[nodiscard]] int GetChannels() const override { return m_channels; }
    [[nodiscard]] int GetBitsPerSample() const override { return m_bits; }
    [[nodiscard]] std::int64_t GetLength() override { return m_length; }
    std::int64_t Seek(std::int64_t position, int origin) override;
    [[nodiscard]] std::int64_t Tell() override { return m_position; }
    const std::uint8_t* Read(int& count) override;

private:
    std::int64_t m_length;
    std::int64_t m_position = 0;
    std::vector<std::uint8_t> m_buffer;
};
