#include "render/Timeline.h"

#include "project/Album.h"
#include "project/Slide.h"

namespace {
int FrameOf(double seconds, double fps) { return int(seconds * fps + 0.5); }
} // namespace

void CTimeline::Clear() {
    m_segments.clear();
    m_slides.clear();
    m_current = m_currentSlide = nullptr;
    m_length = 0;
}

CTimelineSegment* CTimeline::Append(int kind, int start, int end, int clipStart, std::string name,
                                    const CSlide* slide) {
    auto segment = std::make_unique<CTimelineSegment>();
    segment->kind = kind;
    segment->startFrame = start;
    segment->endFrame = end;
    segment->clipStart = clipStart;
    segment->effectName = std::move(name);
    segment->slide = slide;
    if (!m_segments.empty()) {
        segment->prev = m_segments.back().get();
        m_segments.back()->next = segment.get();
    }
    m_segments.push_back(std::move(segment));
    return m_segments.back().get();
}

bool CTimeline::Build(const CAlbum& album, double fps,
                      const std::function<void(const CSlide&, double)>& onSlide) {
    Clear();
    double secs = 0;
    int r = 0;
    for (int i = 0; i < album.GetSlideCount(); ++i) {
        const CSlide& slide = *album.GetSlide(i);
        double display, transition;
        slide.GetSlideTimes(display, transition);
        if (onSlide)
            onSlide(slide, secs);
        int t0 = r;
        secs += transition;
        r = FrameOf(secs, fps);
        Append(CTimelineSegment::SegTransition, t0, r, t0, slide.GetTransitionName(), &slide);
        int t1 = r;
        secs += display;
        r = FrameOf(secs, fps);
        m_slides.push_back(Append(CTimelineSegment::SegSlide, t1, r, t0, {}, &slide));
    }
    if (m_segments.empty())
        return false;
    std::string closingName;
    double closing;
    album.GetClosingTransition(closingName, closing);
    int end = FrameOf(secs + closing, fps);
    Append(CTimelineSegment::SegTransition, r, end, r, closingName, nullptr);
    m_length = end;
    m_current = m_segments.front().get();
    m_currentSlide = m_slides.front();
    return true;
}

bool CTimeline::Seek(int frame, int& shift) {
    shift = 0;
    if (!m_current)
        return false;
    CTimelineSegment* s = m_current;
    while (s->Position(frame) != 0) {
        bool forward = s->Position(frame) > 0;
        CTimelineSegment* step = forward ? s->next : s->prev;
        if (!step) {
            m_current = s;
            return false;
        }
        s = step;
        if (s->kind == CTimelineSegment::SegSlide && s != m_currentSlide)
            shift += forward ? 1 : -1;
    }
    m_current = s;
    return true;
}
