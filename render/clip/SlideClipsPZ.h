#pragma once

#include "project/KeyFrame.h"
#include "render/clip/SlideClipsBase.h"

#include <vector>

// The ordinary slide renderer: a background and clips whose pan and zoom
// follow their key-frames.
class CSlideClipsPZ final : public CSlideClipsBase {
public:
    using CSlideClipsBase::CSlideClipsBase;
    ~CSlideClipsPZ() override { Stop(); }

    // The key-frames of the selected clip; false when the frames do not
    // strictly increase or there are fewer than two.
    bool SetKeyFrames(const std::vector<CKeyFrame>& records);

protected:
    bool RenderFrame(int frame) override;
    std::unique_ptr<CIntClipPipeline> MakeClip(std::unique_ptr<CFrameSrc> source) override;
};
