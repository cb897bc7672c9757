#include "render/clip/ClipPZ.h"

#include "render/frame/FrameSrc.h"

CClipPZ::CClipPZ(std::unique_ptr<CFrameSrc> source, int width, int height, double aspect,
                 bool bottomUp)
    : CIntClipPipeline(std::move(source), width, height, aspect, bottomUp) {
    m_store.SetFrameSize(int(m_pipeline.UnitX()), int(m_pipeline.UnitY()));
    m_store.SetFit(m_pipeline.FitX(), m_pipeline.FitY(), m_pipeline.BaseRotation());
    // A new clip stays centred at its fitted size for the whole slide.
    CKeyFrame end;
    end.m_time = 1.0;
    m_store.SetKeyFrames({CKeyFrame{}, end});
}

bool CClipPZ::SetFrameCount(int frames) {
    CIntClipPipeline::SetFrameCount(frames);
    return m_store.SetFrameCount(frames);
}

bool CClipPZ::SetKeyFrames(const std::vector<CKeyFrame>& records) {
    return m_store.SetKeyFrames(records);
}

bool CClipPZ::OnFitChanged() {
    m_store.SetFrameSize(int(m_pipeline.UnitX()), int(m_pipeline.UnitY()));
    return m_store.SetFit(m_pipeline.FitX(), m_pipeline.FitY(), m_pipeline.BaseRotation());
}

bool CClipPZ::MoveTo(int frame, CIntKFStore::STransform& t) {
    return m_store.Evaluate(frame, t) && m_source->MoveTo(frame);
}

bool CClipPZ::Warp(int frame, bool& shown) {
    shown = InRange(frame);
    if (!shown)
        return true;
    CIntKFStore::STransform t{};
    return MoveTo(frame, t) && m_pipeline.Place(t.x, t.y, t.scaleX, t.scaleY, t.angle, t.opacity);
}

bool CClipPZ::Draw(int frame, const CImageView& target, const CImageView* lower) {
    bool shown = false;
    return Warp(frame, shown) && (!shown || m_pipeline.Compose(target, lower, false));
}

bool CClipPZ::DrawOnColour(int frame, CImageView& target, std::uint32_t colour) {
    if (!InRange(frame)) {
        target.Fill(colour);
        return true;
    }
    CIntKFStore::STransform t{};
    return MoveTo(frame, t) && m_pipeline.PlaceOnColour(target, colour, t.x, t.y, t.scaleX,
                                                        t.scaleY, t.angle, t.opacity);
}
