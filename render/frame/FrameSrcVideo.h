#pragma once

#include "render/frame/FrameSrc.h"

#include <cstdint>
#include <memory>
#include <string>

class PLAnyVidDecoder;

// A video clip as a clip source: the decoder's current frame, seen through a
// view at the crop rectangle (no margin, no adjustment). The clip plays from
// a start time to an end time at the slide clock's rate; past its end the
// last frame stays.
class CFrameSrcVideo final : public CFrameSrc {
public:
    CFrameSrcVideo();
    CFrameSrcVideo(const CFrameSrcVideo&) = delete;
    CFrameSrcVideo& operator=(const CFrameSrcVideo&) = delete;
    ~CFrameSrcVideo() override;

    // Opens the clip over [start, end) seconds (end < 0: to the clip's end) for
    // a clock of clockRate frames per second, and shows its first frame.
    bool Open(const std::string& path, double start, double end, double clockRate);
    // Moves to the clip frame; false when no frame can be decoded. A frame that
    // differs from the one shown marks the source changed.
    bool GetFrame(int clipFrame);
    bool SetCropRect(const SRect& rect) override;
    bool MoveTo(int clipFrame) override { return GetFrame(clipFrame); }

    // The decoder's frame index for a clip frame.
    [[nodiscard]] std::int64_t FrameIndex(int clipFrame) const;

private:
    bool Show(std::int64_t index);

    std::unique_ptr<PLAnyVidDecoder> m_decoder;
    double m_start = 0;
    double m_end = -1;
    double m_clockRate = 25;
    double m_rate = 0;
    std::int64_t m_count = 0;
    std::int64_t m_shown = -1;
    bool m_cropSet = false;
};
