#pragma once

#include <cstdint>
#include <vector>

class IAudioSrc;

// Sample frames that belong to video frames 0 .. frame together: the sound
// of frame k ends at round((k + 1) x sampleRate / frame rate), the frame rate
// being rateNum / rateDen. Counting the running total, not a fixed number per
// frame, keeps sound and picture together over any length (at 44100 Hz and
// 30000/1001 frames per second the frames take 1471 or 1472 samples).
std::int64_t SamplesThrough(std::int64_t frame, int sampleRate, int rateNum, int rateDen);
// The samples of video frame `frame` alone.
int SamplesForFrame(std::int64_t frame, int sampleRate, int rateNum, int rateDen);

// Pulls 16-bit stereo sample frames from an audio source in the amounts an
// encoder asks for. 8-bit and mono sources are widened; once the source
// ends (or fails) the feed goes on with silence.
class CAudioFeed {
public:
    static constexpr int kBlockAlign = 4; // 16-bit stereo

    explicit CAudioFeed(IAudioSrc* source);

    // Exactly `count` sample frames (count x 4 bytes), valid until the next
    // call; silence past the end of the source.
    const std::uint8_t* Take(int count);
    // The next block the source delivers (up to one second), converted;
    // null at the end. count is set to the sample frames delivered.
    const std::uint8_t* ReadBlock(int& count);

    // True once the source had nothing more to give.
    [[nodiscard]] bool Ended() const { return m_ended; }
    // Sample frames taken from the source and made up as silence.
    [[nodiscard]] std::int64_t FromSource() const { return m_fromSource; }
    [[nodiscard]] std::int64_t Silence() const { return m_silence; }

private:
    // Reads one block from the source into m_pending; false at its end.
    bool Refill();

    IAudioSrc* m_source;
    std::vector<std::int16_t> m_pending; // converted, not yet taken
    std::size_t m_pendingStart = 0;      // first untaken sample frame
    std::vector<std::int16_t> m_out;
    bool m_ended = false;
    std::int64_t m_fromSource = 0;
    std::int64_t m_silence = 0;
};
