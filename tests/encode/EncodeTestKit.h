#pragma once

#include "audio/AudioSrc.h"
#include "encode/EncodeEngine.h"
#include "encode/VideoSrc.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

// Small fake sources for the encoder tests and a reader that reports what
// FFmpeg finds in a written file.

// Frames of a fixed size, stored bottom-up like the renderer's: the upper
// half red, the lower half blue, with a bar whose position follows the frame
// number so consecutive pictures differ. failAt >= 0 makes that frame null.
class CTestVideoSrc final : public IVideoSrc {
public:
    CTestVideoSrc(int width, int height, unsigned frames, double fps = 25.0, int failAt = -1);
    double GetFrameRate() override { return m_fps; }
    void GetFrameSize(int* width, int* height) override {
        *width = m_width;
        *height = m_height;
    }
    unsigned int GetFrameCount() override { return m_frames; }
    const std::uint8_t* GetFrame(int frame, int* stride) override;

    int framesAsked = 0;

private:
    int m_width, m_height;
    unsigned m_frames;
    double m_fps;
    int m_failAt;
    std::vector<std::uint8_t> m_pixels;
};

// A 440 Hz tone of a given length, delivered in the format asked for. reportedSeconds > seconds makes the source claim more than it gives.
class CToneSrc final : public IAudioSrc {
public:
    explicit CToneSrc(double seconds, double reportedSeconds = -1);
    bool Open() override { return true; }
    void Close() override {}
    int GetSampleRate() const override { return m_rate; }
    int GetChannels() const override { return m_channels; }
    int GetBitsPerSample() const override { return m_bits; }
    std::int64_t GetLength() override;
    std::int64_t Seek(std::int64_t position, int) override { return m_position = position; }
    std::int64_t Tell() override { return m_position; }
    const std::uint8_t* Read(int& count) override;

private:
    double m_seconds, m_reported;
    std::int64_t m_position = 0;
    std::vector<std::uint8_t> m_buffer;
};

// Answers go on until a given number of reports, then stop.
class CStopAfter final : public IProgress {
public:
    explicit CStopAfter(int reports) : m_left(reports) {}
    bool OnProgress(int percent) override {
        last = percent;
        ++calls;
        return --m_left > 0;
    }
    int calls = 0;
    int last = -1;

private:
    int m_left;
};

struct SStreamInfo {
    std::string codec;          // decoder name
    int width = 0, height = 0;
    double fps = 0;
    int sarNum = 0, sarDen = 0;
    std::int64_t frames = 0;    // decoded pictures
    int longestGop = 0;         // most pictures from one key picture to the next
    int sampleRate = 0, channels = 0;
    std::int64_t samples = 0;   // decoded sample frames
    double tailLevel = -1;      // mean absolute sample value of the last 0.25 s
    double headLevel = -1;      // the same of the first 0.25 s
    int topColour = -1;         // 0 red, 1 blue, -1 other: the first picture's upper part
    int bottomColour = -1;      // the same of its lower part
    int lastTopLuma = -1;       // the stored luma of the last picture's upper part
    std::int64_t bitRate = 0;
    std::string colourSpace;    // the stream's matrix tag ("bt709", "smpte170m" …)
    std::string primaries;
};
struct SFileInfo {
    bool opened = false;
    std::string format;         // demuxer name
    std::int64_t size = 0;
    std::vector<SStreamInfo> streams;
    int mpegAspectCode = -1;    // from the first sequence header
    const SStreamInfo* Video() const;
    const SStreamInfo* Audio() const;
};
// Opens a file with FFmpeg and decodes every stream.
SFileInfo Inspect(const std::string& path);
// Copies the video stream of a file into an MPEG video elementary stream file.
bool ExtractVideo(const std::string& from, const std::string& to);
