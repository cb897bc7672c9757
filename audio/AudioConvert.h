#pragma once

#include "audio/AudioFilter.h"
#include "audio/Resampler.h"
#include "media/FfOwners.h"

#include <memory>
#include <vector>

class CAudioSilence;

// Converts one input to the requested rate, channel count and width.
//
// Input that already has the requested format passes through unchanged.
// 16-bit input to 16-bit output goes through this program's own resampler,
// one per channel, then the channels are mapped: equal counts stay, an extra
// output channel repeats the first input channel, a missing one is dropped.
// Other widths go through libswresample. Both keep their state between reads,
// so blocks join without seams; converted frames beyond a request are kept for
// the next one.
class CAudioConvert final : public IAudioFilter {
public:
    CAudioConvert();
    ~CAudioConvert() override;

    bool Open() override;
    void Close() override;
    void SetFormat(int rate, int channels, int bits) override;
    [[nodiscard]] std::int64_t GetLength() override;
    std::int64_t Seek(std::int64_t position, int origin) override;
    [[nodiscard]] std::int64_t Tell() override { return m_position; }
    const std::uint8_t* Read(int& count) override;
    void AddInput(IAudioSrc* source) override;

    // Opens the converter; when its input cannot be opened, the input is
    // replaced by silence of the input's length (kept in substitute) and the
    // result is false.
    bool OpenOrSilence(std::unique_ptr<CAudioSilence>& substitute);
    // Opens every member of a container, keeping the silences substituted for
    // members that cannot be opened; true when at least one member opened.
    static bool OpenMembers(std::vector<std::unique_ptr<CAudioConvert>>& members,
                            std::vector<std::unique_ptr<CAudioSilence>>& silences);

    // Whether the last conversion set-up failed (the resampler cannot reach
    // that factor): the converter then delivers silence.
    [[nodiscard]] bool Failed() const { return m_failed; }

private:
    [[nodiscard]] bool PassThrough() const;
    void ResetConversion();
    // Converts more input into m_pending; false at the input's end.
    bool Convert(int wanted);
    void Convert16(const std::uint8_t* data, int frames, int inChannels);
    void ConvertOther(const std::uint8_t* data, int frames);
    void FlushConversion();

    std::int64_t m_position = 0;
    bool m_inputEnded = false;
    bool m_failed = false;
    bool m_setUp = false;
    std::vector<CResampler> m_resamplers;
    FfSwrPtr m_swr;
    std::vector<std::uint8_t> m_pending; // converted frames not yet delivered
    std::vector<std::uint8_t> m_output;
    std::vector<std::int16_t> m_channelIn;
    std::vector<std::vector<std::int16_t>> m_channelOut;
};
