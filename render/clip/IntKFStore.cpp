#include "render/clip/IntKFStore.h"

#include "render/clip/ClipMath.h"

#include <cmath>

CIntKFStore::CIntKFStore() {
    for (CKeyFrameTrack* track : {&m_position, &m_scale, &m_rotation, &m_opacity})
        track->Clear();
}

bool CIntKFStore::SetKeyFrames(const std::vector<CKeyFrame>& records) {
    m_records = records;
    return Apply();
}

bool CIntKFStore::SetFrameCount(int frames) {
    m_frames = frames;
    return m_records.empty() || Apply();
}

bool CIntKFStore::SetFrameSize(int width, int height) {
    m_width = width;
    m_height = height;
    return m_records.empty() || Apply();
}

bool CIntKFStore::SetFit(double fitX, double fitY, double baseRotation) {
    m_fitX = fitX;
    m_fitY = fitY;
    m_baseRotation = baseRotation;
    return m_records.empty() || Apply();
}

bool CIntKFStore::Apply() {
    m_valid = false;
    CKeyFrameTrack* tracks[] = {&m_position, &m_scale, &m_rotation, &m_opacity};
    for (CKeyFrameTrack* track : tracks)
        track->Reset();
    std::size_t k = m_records.size();
    if (k < 2 || m_frames < 1) {
        for (CKeyFrameTrack* track : tracks)
            track->Clear();
        return false;
    }
    // Each record in every track's units.
    auto values = [this](const CKeyFrame& r) {
        return std::array<CKeyFrameTrack::Value, 4>{
            CKeyFrameTrack::Value{r.m_x * m_width, r.m_y * m_height},
            CKeyFrameTrack::Value{r.m_scale * m_fitX, r.m_scale * m_fitY},
            CKeyFrameTrack::Value{r.m_rotation * M_PI + m_baseRotation, 0},
            CKeyFrameTrack::Value{r.m_opacity * 255, 0}};
    };
    // Records come in strictly increasing time. Several that fall on one
    // frame (a short clip, a low frame rate) make one key there: the latest,
    // which the clip shows from that frame on. Refusing them would leave the
    // whole slide empty.
    std::vector<std::size_t> keep;
    int lastFrame = 0;
    for (std::size_t i = 0; i < k; ++i) {
        if (i > 0 && !(m_records[i].m_time > m_records[i - 1].m_time)) {
            keep.clear();
            break;
        }
        const int frame = ClipMath::KeyFrameAt(m_records[i].m_time, m_frames);
        if (!keep.empty() && frame == lastFrame)
            keep.back() = i;
        else
            keep.push_back(i);
        lastFrame = frame;
    }
    bool ok = keep.size() >= 2;
    auto write = [&](const CKeyFrame& r, auto&& op) {
        int frame = ClipMath::KeyFrameAt(r.m_time, m_frames);
        auto v = values(r);
        for (std::size_t t = 0; t < 4; ++t)
            ok = op(*tracks[t], frame, v[t], r.m_easing) && ok;
    };
    if (ok) {
        // The last key-frame is moved first, so a list whose first key-frame
        // lies after frame 1 is not refused against the default second one.
        write(m_records[keep.back()],
              [](CKeyFrameTrack& t, int f, auto v, int e) { return t.SetKey(1, f, v, e); });
        write(m_records[keep.front()],
              [](CKeyFrameTrack& t, int f, auto v, int e) { return t.SetKey(0, f, v, e); });
    }
    for (std::size_t j = 1; ok && j + 1 < keep.size(); ++j)
        write(m_records[keep[j]],
              [j](CKeyFrameTrack& t, int f, auto v, int e) { return t.InsertAfter(j - 1, f, v, e); });
    if (!ok) {
        for (CKeyFrameTrack* track : tracks)
            track->Clear();
        return false;
    }
    m_valid = true;
    return true;
}

bool CIntKFStore::Evaluate(int frame, STransform& transform) {
    if (!m_valid)
        return false;
    CKeyFrameTrack::Value p = m_position.Evaluate(frame), s = m_scale.Evaluate(frame);
    transform = {p[0], p[1], s[0], s[1], m_rotation.Evaluate(frame)[0], m_opacity.Evaluate(frame)[0]};
    return true;
}
