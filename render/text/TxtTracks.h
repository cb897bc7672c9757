#pragma once

#include "render/clip/ClipPipeline.h"
#include "render/clock/TimerBase.h"
#include "render/clock/TimerProcs.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class CBufferedFrame;
class CEffect;
class CStyledString;
class CTxtRender;

// The captions of an album on one transparent layer: each caption over its
// clock frames, drawn in the order added on the layer's own clock worker and
// handed over through the layer's triple buffer. With a time index the
// timeline is cut into intervals that list the captions overlapping them, so
// a frame draws only its own captions.
//
// Memory follows what is on screen: the captions warp into one shared
// frame-sized layer, and a caption holds the pixels of its text only while it
// is on screen (from the first frame it is drawn on to the first frame drawn
// without it).
class CTxtTracks final : private ITimerEventProc {
public:
    // At most this many captions share a frame, and their text takes at most
    // kMaxShownPixels pixels between them (4 bytes each): a caption that would
    // pass either at any of its frames is not added.
    static constexpr int kMaxShown = 64;
    static constexpr std::int64_t kMaxShownPixels = std::int64_t(1) << 26;

    CTxtTracks(CBufferedFrame& layer, double pixelAspect, CTimerBase& clock, bool timeIndexed);
    CTxtTracks(const CTxtTracks&) = delete;
    CTxtTracks& operator=(const CTxtTracks&) = delete;
    ~CTxtTracks();

    // A caption at (x, y) from start for duration seconds, animated by effect
    // (not owned; null for none); null when its text cannot be drawn.
    CTxtRender* Add(const CStyledString& style, double x, double y, double start, double duration,
                    double inOutFraction, CEffect* effect);
    // Starts drawing on every clock change, clock frames counted from offset.
    bool Start(int offset);
    void Clear();
    [[nodiscard]] int Count() const;
    // Captions not added because they would pass kMaxShown or
    // kMaxShownPixels (since the last Clear).
    [[nodiscard]] int Refused() const;
    // Draws the layer for clock frame f into the back buffer; true when all
    // captions could be drawn (then it is published).
    bool DrawFrame(int clockFrame);
    // Bytes of pixels the captions hold now: the shared layer and the text of
    // the captions on screen at the last frame drawn.
    [[nodiscard]] std::size_t PixelBytes() const;

private:
    struct SInterval {
        int begin, end; // clock frames, end exclusive
        std::vector<CTxtRender*> captions;
    };
    void OnEvent() override;
    // Whether a caption stays within the limits of what shares a frame.
    [[nodiscard]] bool Fits(const CTxtRender& caption) const;
    void Index(CTxtRender* caption);

    CBufferedFrame& m_layer;
    double m_pixelAspect;
    CTimerBase& m_clock;
    bool m_timeIndexed;
    mutable std::mutex m_lock;
    CClipPipeline::CLayer m_glyphLayer; // outlives the captions that share it
    std::vector<std::unique_ptr<CTxtRender>> m_captions;
    std::vector<CTxtRender*> m_onScreen; // drawn at the last frame, holding pixels
    std::vector<SInterval> m_intervals; // ordered, not overlapping
    int m_refused = 0;
    int m_offset = 0;
    CTimerBase::CTimerEvent* m_event = nullptr;
};
