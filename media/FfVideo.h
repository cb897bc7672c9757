#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

// The FFmpeg-backed core behind every video decoder class: one clip, its facts,
// and frame-accurate access to any frame as 32-bit blue, green, red, 255.
// Frame i is the frame shown at start + i / rate. Steps of up to
// kForwardFrames ahead are decoded forward; any other target is reached by
// seeking to a key frame at or before it and decoding forward to exactly that
// frame. Used by one thread at a time.
class CFfVideo {
public:
    static constexpr int kForwardFrames = 10;

    CFfVideo();
    CFfVideo(const CFfVideo&) = delete;
    CFfVideo& operator=(const CFfVideo&) = delete;
    ~CFfVideo();

    // Opens a clip and decodes its first frame. With halfSize the frames are
    // delivered at half the clip's width and height. False when the file cannot be opened,
    // has no video stream or no decodable frame.
    bool Open(const std::string& path, bool halfSize = false);
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_fmt != nullptr; }

    // The clip's own size before any halving, read by Open's first step.
    static bool ProbeSize(const std::string& path, int& width, int& height);

    [[nodiscard]] int GetWidth() const { return m_outWidth; }
    [[nodiscard]] int GetHeight() const { return m_outHeight; }
    [[nodiscard]] double GetFrameRate() const { return m_rate; }
    [[nodiscard]] std::int64_t GetFrameCount() const { return m_count; }
    [[nodiscard]] bool HasAudio() const { return m_hasAudio; }
    // The display aspect as numerator and denominator; false when unknown.
    [[nodiscard]] bool GetDisplayAspect(int& num, int& den) const;
    // MPEG-1 and MPEG-2 streams: the aspect code of the first sequence header
    // (0 when there is none); mpeg2 tells which of the two the stream is.
    [[nodiscard]] int GetMpegAspectCode(bool& mpeg2) const {
        mpeg2 = m_mpeg2;
        return m_aspectCode;
    }

    // Frame i (0 … count − 1), or null. The pointer is the lowest-addressed
    // row of a buffer owned by this object, valid until the next call;
    // bottomUp chooses the row order, stride tells it (negative: bottom-up).
    const std::uint8_t* GetFrame(std::int64_t index, bool bottomUp, int& stride);
    // The index of the frame decoded last; −1 after an error or before any.
    [[nodiscard]] std::int64_t GetCurrentIndex() const { return m_current; }
    // How many seeks GetFrame made so far (tests tell forward steps from seeks).
    [[nodiscard]] int GetSeekCount() const { return m_seeks; }

private:
    bool ReceiveFrame();
    std::int64_t IndexOf(const AVFrame* frame) const;
    static std::int64_t GopCode(const std::uint8_t* header);
    // Gives a packet its picture number as time stamp (none when unknown).
    void NumberPacket(AVPacket* packet);
    bool SeekBefore(std::int64_t index, double backSeconds);
    bool DecodeUpTo(std::int64_t index);
    void Convert(bool bottomUp);
    void ScanPacket(const AVPacket* packet, std::int64_t decodeIndex);

    std::string m_path;
    AVFormatContext* m_fmt = nullptr;
    AVCodecContext* m_codec = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    SwsContext* m_sws = nullptr;
    int m_stream = -1;
    bool m_eof = false;
    bool m_synced = false;

    int m_outWidth = 0;
    int m_outHeight = 0;
    double m_rate = 0;
    double m_timeBase = 0;
    std::int64_t m_count = 0;
    std::int64_t m_startPts = 0;
    bool m_hasAudio = false;
    int m_aspectCode = 0;
    bool m_mpeg2 = false;
    bool m_isMpeg = false;
    bool m_stamped = false; // every frame carries its presentation time
    int m_sarNum = 0;
    int m_sarDen = 0;
    // MPEG-1/2 pictures numbered from their headers (see ScanPacket): the
    // time code of each group → the number of its first displayed picture.
    bool m_numbered = false;
    std::int64_t m_feedGop = -1; // the group being fed to the decoder; −1 unknown
    std::unordered_map<std::int64_t, std::int64_t> m_gopStarts;

    std::int64_t m_current = -1;
    std::int64_t m_lastIndex = -1;
    bool m_converted = false;
    bool m_convertedBottomUp = false;
    int m_seeks = 0;
    std::vector<std::uint8_t> m_pixels;
};
