#pragma once

#include "audio/AudioFilter.h"

#include <memory>
#include <vector>

class CAudioConvert;
class CAudioSilence;

// Its inputs one after another, each converted to the sequence's format.
// A member that cannot be opened plays as silence of its length.
class CAudioSeq final : public IAudioFilter {
public:
    CAudioSeq();
    ~CAudioSeq() override;

    bool Open() override;
    void Close() override;
    void SetFormat(int rate, int channels, int bits) override;
    [[nodiscard]] std::int64_t GetLength() override;
    std::int64_t Seek(std::int64_t position, int origin) override;
    [[nodiscard]] std::int64_t Tell() override { return m_position; }
    const std::uint8_t* Read(int& count) override;
    void AddInput(IAudioSrc* source) override;
    void RemoveInputs() override;

private:
    std::vector<std::unique_ptr<CAudioConvert>> m_members;
    std::vector<std::unique_ptr<CAudioSilence>> m_silences;
    std::size_t m_current = 0;
    std::int64_t m_position = 0;
    std::vector<std::uint8_t> m_buffer;
};
