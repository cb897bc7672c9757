#pragma once

#include "render/TimerBase.h"
#include "render/TimerProcs.h"

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
class CTxtTracks final : private ITimerEventProc {
public:
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
    // Draws the layer for clock frame f into the back buffer; true when all
    // captions could be drawn (then it is published).
    bool DrawFrame(int clockFrame);

private:
    struct SInterval {
        int begin, end; // clock frames, end exclusive
        std::vector<CTxtRender*> captions;
    };
    void OnEvent() override;
    void Index(CTxtRender* caption);

    CBufferedFrame& m_layer;
    double m_pixelAspect;
    CTimerBase& m_clock;
    bool m_timeIndexed;
    mutable std::mutex m_lock;
    std::vector<std::unique_ptr<CTxtRender>> m_captions;
    std::vector<SInterval> m_intervals; // ordered, not overlapping
    int m_offset = 0;
    CTimerBase::CTimerEvent* m_event = nullptr;
};
