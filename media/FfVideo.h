#pragma once

#include "media/FfOwners.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// The FFmpeg-backed core behind every video decoder class: one clip, its facts,
// and frame-accurate access to any frame as 32-bit blue, green, red, 255.
// Frame i is the frame on screen at start + i / rate: the latest frame whose
// presentation time is at or before that moment, so a clip whose frames are
// unevenly spaced keeps its timing (a frame shows at every index it lasts
// through; a frame replaced before the next index is never shown). Steps of
// up to kForwardFrames ahead are decoded forward; any other target is reached
// by seeking to a key frame at or before it and decoding forward to it.
// Frames come out upright: a clip's display matrix (phones store the picture
// sideways and say how to turn it) is applied after the colour conversion,
// and every size this class reports is the upright one. Used by one thread at
// a time.
class CFfVideo {
public:
    static constexpr int kForwardFrames = 10;

    CFfVideo();
    CFfVideo(const CFfVideo&) = delete;
    CFfVideo& operator=(const CFfVideo&) = delete;
    ~CFfVideo();

    // Opens a clip and decodes its first frame. With halfSize the frames are
    // delivered at half the clip's width and height. False when the file
    // cannot be opened, has no video stream or no decodable frame; GetError
    // then tells why in words a person understands.
    bool Open(const std::string& path, bool halfSize = false);
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_fmt != nullptr; }
    // Why the last Open failed (empty after a success).
    [[nodiscard]] const std::string& GetError() const { return m_error; }

    // Whether the path names a regular file that can be read; why, as a
    // sentence starting "the file", when not.
    static bool CanRead(const std::string& path, std::string& why);
    // The clip's upright size before any halving; why as GetError when false.
    static bool ProbeSize(const std::string& path, int& width, int& height, std::string& why);
    static bool ProbeSize(const std::string& path, int& width, int& height) {
        std::string why;
        return ProbeSize(path, width, height, why);
    }

    [[nodiscard]] int GetWidth() const { return m_outWidth; }
    [[nodiscard]] int GetHeight() const { return m_outHeight; }
    [[nodiscard]] double GetFrameRate() const { return m_rate; }
    [[nodiscard]] std::int64_t GetFrameCount() const { return m_count; }
    [[nodiscard]] bool HasAudio() const { return m_hasAudio; }
    // The display aspect of the upright picture as numerator and
    // denominator; false when unknown.
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
    // The index GetFrame answered last; −1 after an error or before any.
    [[nodiscard]] std::int64_t GetCurrentIndex() const { return m_current; }
    // How many seeks GetFrame made so far (tests tell forward steps from seeks).
    [[nodiscard]] int GetSeekCount() const { return m_seeks; }

    // How the stored picture maps onto the upright one: a display point
    // (p', q') = (a·p + c·q, b·p + d·q) plus the shift that keeps it inside
    // the picture, with every entry −1, 0 or 1 (quarter turns and mirrors).
    struct STurn {
        int a = 1, b = 0, c = 0, d = 1;
        [[nodiscard]] bool IsIdentity() const { return a == 1 && b == 0 && c == 0 && d == 1; }
        // Quarter and three-quarter turns swap width and height.
        [[nodiscard]] bool SwapsSides() const { return a == 0; }
    };
    // The turn of a display matrix (9 entries, 16.16 and 2.30 fixed point):
    // the nearest quarter turn, mirrored when the determinant is negative;
    // none for a singular matrix.
    static STurn TurnOf(const std::int32_t matrix[9]);
    [[nodiscard]] STurn GetTurn() const { return m_turn; }

private:
    bool Fail(std::string why);
    bool ReceiveFrame();
    // The first index frame m_next answers; onTime when its stamp lies on
    // that index's time (no later frame can then take the index from it).
    std::int64_t FirstIndexOfNext(bool& onTime) const;
    static std::int64_t GopCode(const std::uint8_t* header);
    // Gives a packet its picture number as time stamp (none when unknown).
    void NumberPacket(AVPacket* packet);
    bool SeekBefore(std::int64_t index, double backSeconds);
    bool TakeNext();
    bool DecodeUpTo(std::int64_t index);
    void DropFrames();
    void Convert(bool bottomUp);
    void ScanPacket(const AVPacket* packet, std::int64_t decodeIndex);

    std::string m_path;
    std::string m_error;
    FfInputPtr m_fmt;
    FfCodecPtr m_codec;
    FfPacketPtr m_packet;
    FfSwsPtr m_sws;
    int m_stream = -1;
    bool m_eof = false;
    bool m_synced = false;
    int m_decodeError = 0; // the last error the decoder reported, 0 for none

    // The frame that answers m_current, and the frame decoded after it that
    // is not yet due (its first index lies past m_current).
    FfFramePtr m_shown;
    FfFramePtr m_next;
    bool m_haveShown = false;
    bool m_haveNext = false;
    std::int64_t m_shownFirst = -1; // the first index m_shown answers
    std::int64_t m_nextFirst = -1;
    bool m_nextOnTime = false;

    int m_outWidth = 0; // upright output size
    int m_outHeight = 0;
    int m_scaledWidth = 0; // output size before turning
    int m_scaledHeight = 0;
    STurn m_turn;
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
    bool m_converted = false;
    bool m_convertedBottomUp = false;
    int m_seeks = 0;
    std::vector<std::uint8_t> m_pixels;
    std::vector<std::uint8_t> m_scaled; // a turned clip's frame before turning
};
