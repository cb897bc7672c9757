#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CAlbum;
class CSlide;

// One stretch of an album's timeline in clock frames: a transition or a slide.
struct CTimelineSegment {
    enum EKind : int { SegTransition = 0, SegSlide = 1 };
    int kind = SegSlide;
    int startFrame = 0;
    int endFrame = 0;  // exclusive
    int clipStart = 0; // where the slide's own clip time 0 lies
    std::string effectName;
    const CSlide* slide = nullptr; // null for the closing transition
    CTimelineSegment* prev = nullptr;
    CTimelineSegment* next = nullptr;

    // -1 before the segment, +1 at or after its end, 0 inside.
    [[nodiscard]] int Position(int frame) const {
        return frame < startFrame ? -1 : frame >= endFrame ? 1 : 0;
    }
};

// An album as segments T1 S1 T2 S2 ... Tn Sn Tclose. Boundaries come from the
// running sum of seconds, rounded once each, so rounding never accumulates.
class CTimeline {
public:
    // Builds the segments at a frame rate; onSlide sees every slide with its
    // start time in seconds before its segments are made. False without slides.
    bool Build(const CAlbum& album, double fps,
               const std::function<void(const CSlide&, double)>& onSlide = {});
    void Clear();

    [[nodiscard]] int GetLength() const { return m_length; }
    [[nodiscard]] bool IsEmpty() const { return m_segments.empty(); }
    [[nodiscard]] CTimelineSegment* Current() const { return m_current; }
    [[nodiscard]] CTimelineSegment* CurrentSlide() const { return m_currentSlide; }
    void SetCurrentSlide(CTimelineSegment* slide) { m_currentSlide = slide; }
    [[nodiscard]] const std::vector<CTimelineSegment*>& Slides() const { return m_slides; }
    [[nodiscard]] const std::vector<std::unique_ptr<CTimelineSegment>>& Segments() const {
        return m_segments;
    }

    // Walks the current segment to the one holding the frame, counting the
    // slide segments stepped onto (other than the current slide): forwards +1,
    // backwards -1. False when the walk runs off the list; the count gathered
    // so far is still reported.
    bool Seek(int frame, int& shift);

private:
    CTimelineSegment* Append(int kind, int start, int end, int clipStart, std::string name,
                             const CSlide* slide);

    std::vector<std::unique_ptr<CTimelineSegment>> m_segments;
    std::vector<CTimelineSegment*> m_slides;
    CTimelineSegment* m_current = nullptr;
    CTimelineSegment* m_currentSlide = nullptr;
    int m_length = 0;
};
