#pragma once

#include "render/clip/SlideClipsBase.h"

class CEffect;

// The slide renderer of a live multi-picture layout: the layout effect
// places the clips itself, through their picture interfaces, and draws the
// frame over the background.
class CSlideClipsAdj final : public CSlideClipsBase {
public:
    using CSlideClipsBase::CSlideClipsBase;
    ~CSlideClipsAdj() override;

    // Takes a layout instance (see CLayoutInstances; released by this renderer
    // from now on; null drops it): it is
    // reset, sized and given every clip that exists already.
    bool SetEffect(CEffect* effect);
    [[nodiscard]] CEffect* GetEffect() const { return m_effect; }

protected:
    bool RenderFrame(int frame) override;
    std::unique_ptr<CIntClipPipeline> MakeClip(std::unique_ptr<CFrameSrc> source) override;
    bool OnClipAdded(int previous, CIntClipPipeline* clip) override;
    bool OnFrameCountChanged() override;
    void OnCleared() override;

private:
    void ReleaseEffect();

    CEffect* m_effect = nullptr;
};
