#pragma once

#include "audio/AudioFilter.h"

#include <memory>
#include <vector>

class CAudioConvert;
class CAudioSilence;

// Its inputs mixed, each converted to the mixer's format and placed at a
// start time. The time line is kept as non-overlapping intervals with a
// constant set of sources each; gaps between them are silence. 16-bit
// samples add with saturation, 8-bit samples are mixed as signed values with
// clamping. A member that cannot be opened plays as silence of its length.
class CAudioMix : public IAudioFilter {
public:
    CAudioMix();
    ~CAudioMix() override;

    // Places a source at a time in seconds.
    void AddSource(IAudioSrc* source, double start);
    void AddInput(IAudioSrc* source) override { AddSource(source, 0.0); }
    void RemoveInputs() override;

    bool Open() override;
    void Close() override;
    void SetFormat(int rate, int channels, int bits) override;
    [[nodiscard]] std::int64_t GetLength() override;
    std::int64_t Seek(std::int64_t position, int origin) override;
    [[nodiscard]] std::int64_t Tell() override { return m_position; }
    const std::uint8_t* Read(int& count) override;

    // The intervals as (start, end, number of sources), for tests.
    struct SSpan {
        std::int64_t start, end;
        std::size_t sources;
    };
    [[nodiscard]] std::vector<SSpan> Spans() const;

private:
    struct SPlaced {
        CAudioConvert* source;
        std::int64_t offset; // the source's position at the interval's start
    };
    struct SInterval {
        std::int64_t start, end;
        std::vector<SPlaced> sources;
    };
    void SplitAt(std::int64_t frame);

    std::vector<std::unique_ptr<CAudioConvert>> m_members;
    std::vector<std::unique_ptr<CAudioSilence>> m_silences;
    std::vector<SInterval> m_intervals;
    std::size_t m_current = 0;
    std::int64_t m_position = 0;
    std::vector<std::uint8_t> m_buffer;
};
