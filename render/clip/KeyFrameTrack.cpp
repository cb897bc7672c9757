#include "render/clip/KeyFrameTrack.h"

#include <cmath>

double CKeyFrameTrack::Ease(int easing, double g) {
    switch (easing) {
    case kSmooth: return (std::sin((g - 0.5) * M_PI) + 1) / 2;
    case kEaseIn: return g * g;
    case kEaseOut: return 1 - (g - 1) * (g - 1);
    default: return g;
    }
}

void CKeyFrameTrack::Reset() {
    std::lock_guard lock(m_mutex);
    m_segments = {{0, 1, m_initial, m_initial, kLinear}};
    m_cursor = 0;
}

void CKeyFrameTrack::Clear() {
    std::lock_guard lock(m_mutex);
    m_segments.clear();
    m_cursor = 0;
}

std::size_t CKeyFrameTrack::KeyCount() const {
    std::lock_guard lock(m_mutex);
    return m_segments.empty() ? 0 : m_segments.size() + 1;
}

int CKeyFrameTrack::RangeBegin() const {
    std::lock_guard lock(m_mutex);
    return m_segments.empty() ? 0 : m_segments.front().f0;
}

int CKeyFrameTrack::RangeEnd() const {
    std::lock_guard lock(m_mutex);
    return m_segments.empty() ? -1 : m_segments.back().f1 + 1;
}

bool CKeyFrameTrack::SetKey(std::size_t k, int frame, Value value, int easing) {
    std::lock_guard lock(m_mutex);
    std::size_t keys = m_segments.size() + 1;
    if (m_segments.empty() || k >= keys)
        return false;
    // Key-frame k ends segment k - 1 and starts segment k.
    if (k > 0 && frame <= m_segments[k - 1].f0)
        return false;
    if (k + 1 < keys && frame >= m_segments[k].f1)
        return false;
    if (k > 0) {
        m_segments[k - 1].f1 = frame;
        m_segments[k - 1].b = value;
    }
    if (k + 1 < keys) {
        m_segments[k].f0 = frame;
        m_segments[k].a = value;
        m_segments[k].easing = easing;
    }
    return true;
}

bool CKeyFrameTrack::InsertAfter(std::size_t k, int frame, Value value, int easing) {
    std::lock_guard lock(m_mutex);
    if (k >= m_segments.size())
        return false;
    SSegment& segment = m_segments[k];
    if (!(frame > segment.f0 && frame < segment.f1))
        return false;
    SSegment second{frame, segment.f1, value, segment.b, easing};
    segment.f1 = frame;
    segment.b = value;
    m_segments.insert(m_segments.begin() + std::ptrdiff_t(k) + 1, second);
    return true;
}

CKeyFrameTrack::Value CKeyFrameTrack::Evaluate(int frame) {
    std::lock_guard lock(m_mutex);
    if (m_segments.empty() || frame < m_segments.front().f0 || frame > m_segments.back().f1)
        return m_last;
    // The cursor moves from the last segment used.
    if (m_cursor >= m_segments.size())
        m_cursor = 0;
    while (m_cursor + 1 < m_segments.size() && frame >= m_segments[m_cursor].f1)
        ++m_cursor;
    while (m_cursor > 0 && frame < m_segments[m_cursor].f0)
        --m_cursor;
    const SSegment& s = m_segments[m_cursor];
    Value v;
    if (frame <= s.f0) {
        v = s.a;
    } else if (frame >= s.f1) {
        v = s.b;
    } else {
        double e = Ease(s.easing, double(frame - s.f0) / double(s.f1 - s.f0));
        for (std::size_t i = 0; i < 2; ++i)
            v[i] = s.a[i] + (s.b[i] - s.a[i]) * e;
    }
    m_last = v;
    return v;
}
