#pragma once

#include "render/clip/IntClipPipeline.h"
#include "render/clip/IntKFStore.h"

#include <vector>

// A clip of the pan-and-zoom renderer: its transform follows key-frame
// tracks over the slide's frames. The tracks are rewritten whenever the frame
// count, crop, rotation or fit change, because their units depend on them.
class CClipPZ final : public CIntClipPipeline {
public:
    CClipPZ(std::unique_ptr<CFrameSrc> source, int width, int height, double aspect,
            bool bottomUp);

    bool SetFrameCount(int frames) override;
    // At least two records with strictly increasing frames; false otherwise.
    bool SetKeyFrames(const std::vector<CKeyFrame>& records);
    [[nodiscard]] bool HasKeyFrames() const { return m_store.HasKeyFrames(); }

    // Draws the clip at a slide frame over lower (the target itself when
    // null). Outside its range the clip is not drawn and this succeeds.
    bool Draw(int frame, const CImageView& target, const CImageView* lower);
    // Draws the clip as the first over a plain opaque colour: target is
    // filled with the colour around it and under it in the same pass.
    bool DrawOnColour(int frame, CImageView& target, std::uint32_t colour);

protected:
    bool OnFitChanged() override;

private:
    // The placement at the frame, with the source moved there.
    bool MoveTo(int frame, CIntKFStore::STransform& t);
    // Moves the source to the frame and warps it to its place there; shown
    // is false outside the clip's range.
    bool Warp(int frame, bool& shown);

    CIntKFStore m_store;
};
