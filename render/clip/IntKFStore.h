#pragma once

#include "project/KeyFrame.h"
#include "render/clip/KeyFrameTrack.h"

#include <vector>

// The pan and zoom of one clip: its key-frame records and the four tracks
// made from them (position, scale, rotation, opacity) in the units the warp
// takes. Tracks depend on the clip's frame count, the frame size and the fit
// factors, so every change of those writes the records again.
class CIntKFStore {
public:
    struct STransform {
        double x, y;           // pixels from the frame centre
        double scaleX, scaleY; // fit factors included
        double angle;          // radians, base rotation included
        double opacity;        // 0 .. 255
    };

    CIntKFStore();

    // Writes the records (at least two, in strictly increasing time; those
    // that fall on one frame give one key, the latest); false leaves the clip
    // without key-frames.
    bool SetKeyFrames(const std::vector<CKeyFrame>& records);
    bool SetFrameCount(int frames);
    bool SetFrameSize(int width, int height);
    bool SetFit(double fitX, double fitY, double baseRotation);

    // The transform at clip frame f; outside the key-frames' range the tracks
    // give the values they gave last. False without valid key-frames.
    bool Evaluate(int frame, STransform& transform);
    [[nodiscard]] int RangeBegin() const { return m_position.RangeBegin(); }
    [[nodiscard]] int RangeEnd() const { return m_position.RangeEnd(); }
    [[nodiscard]] bool HasKeyFrames() const { return m_valid; }

private:
    bool Apply();

    std::vector<CKeyFrame> m_records;
    int m_frames = 0;
    int m_width = 0, m_height = 0;
    double m_fitX = 1, m_fitY = 1, m_baseRotation = 0;
    bool m_valid = false;
    CKeyFrameTrack m_position{{0, 0}};
    CKeyFrameTrack m_scale{{1, 1}};
    CKeyFrameTrack m_rotation{{0, 0}};
    CKeyFrameTrack m_opacity{{255, 0}};
};
