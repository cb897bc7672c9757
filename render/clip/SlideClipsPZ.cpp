#include "render/clip/SlideClipsPZ.h"

#include "render/clip/ClipPZ.h"
#include "render/frame/BufferedFrame.h"
#include "render/frame/FrameSrc.h"

#include <algorithm>

bool CSlideClipsPZ::SetKeyFrames(const std::vector<CKeyFrame>& records) {
    std::lock_guard lock(m_lock);
    auto* clip = dynamic_cast<CClipPZ*>(Selected());
    return clip && clip->SetKeyFrames(records);
}

std::unique_ptr<CIntClipPipeline> CSlideClipsPZ::MakeClip(std::unique_ptr<CFrameSrc> source) {
    const CImageView& view = m_target.BackView();
    return std::make_unique<CClipPZ>(std::move(source), view.Width(), view.Height(),
                                     m_pixelAspect, view.IsBottomUp());
}

bool CSlideClipsPZ::RenderFrame(int frame) {
    // A frame that shows no clip is the plain background, which a buffer
    // filled with it for an earlier frame holds still: the slots of the
    // slides before and after the current one are drawn on every frame.
    if (!HasBackgroundPicture() &&
        std::none_of(m_clips.begin(), m_clips.end(), [frame](const auto& clip) {
            return clip->InRange(frame);
        })) {
        if (!m_target.BackIsPlain(BackgroundColour()))
            m_target.FillBack(BackgroundColour());
        return true;
    }
    SRect* drawn = nullptr;
    CImageView& back = m_target.BackView(&drawn);
    auto clip = m_clips.begin();
    if (HasBackgroundPicture() || clip == m_clips.end()) {
        if (!DrawBackground())
            return false;
    } else {
        // A plain background goes around and under the first clip in one
        // pass instead of being filled and then mostly covered.
        *drawn = back.Bounds();
        if (!static_cast<CClipPZ&>(**clip++).DrawOnColour(frame, back, BackgroundColour()))
            return false;
    }
    for (; clip != m_clips.end(); ++clip)
        if (!static_cast<CClipPZ&>(**clip).Draw(frame, back, nullptr))
            return false;
    return true;
}
