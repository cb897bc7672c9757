#include "render/clip/SlideClipsAdj.h"

#include "effects/Effect.h"
#include "render/clip/ClipAdj.h"
#include "render/clip/LayoutInstances.h"
#include "render/frame/BufferedFrame.h"
#include "render/frame/FrameSrc.h"

CSlideClipsAdj::~CSlideClipsAdj() { Stop(); }

void CSlideClipsAdj::ReleaseEffect() {
    if (!m_effect)
        return;
    m_effect->GetEffect()->Reset();
    CLayoutInstances::Release(m_effect);
    m_effect = nullptr;
}

bool CSlideClipsAdj::SetEffect(CEffect* effect) {
    std::lock_guard lock(m_lock);
    ReleaseEffect();
    m_effect = effect;
    if (!m_effect)
        return true;
    m_effect->GetEffect()->Reset();
    m_effect->SetFrameCount(m_frames);
    const CImageView& view = m_target.BackView();
    m_effect->SetSize(view.Width(), view.Height());
    IMultiEffect* multi = m_effect->GetMultiEffect();
    if (!multi)
        return false;
    for (std::size_t i = 0; i < m_clips.size(); ++i)
        if (multi->AddSource(int(i) - 1, static_cast<CClipAdj*>(m_clips[i].get())) != int(i))
            return false;
    return true;
}

std::unique_ptr<CIntClipPipeline> CSlideClipsAdj::MakeClip(std::unique_ptr<CFrameSrc> source) {
    const CImageView& view = m_target.BackView();
    return std::make_unique<CClipAdj>(std::move(source), view.Width(), view.Height(),
                                      m_pixelAspect, view.IsBottomUp());
}

bool CSlideClipsAdj::OnClipAdded(int previous, CIntClipPipeline* clip) {
    IMultiEffect* multi = m_effect ? m_effect->GetMultiEffect() : nullptr;
    if (!multi)
        return true;
    // The layout numbers its pictures as the clip list does.
    return multi->AddSource(previous, static_cast<CClipAdj*>(clip)) == m_selected;
}

bool CSlideClipsAdj::OnFrameCountChanged() {
    if (m_effect)
        m_effect->SetFrameCount(m_frames);
    return true;
}

void CSlideClipsAdj::OnCleared() { ReleaseEffect(); }

bool CSlideClipsAdj::RenderFrame(int frame) {
    if (!m_effect || !DrawBackground())
        return false;
    const CImageView& back = m_target.BackView();
    int stride = back.IsBottomUp() ? -back.Stride() : back.Stride();
    SRect* dirty = nullptr;
    m_target.BackView(&dirty);
    *dirty = back.Bounds();
    return m_effect->Render(frame, back.PixelAt(back.Bounds()), stride) == 0;
}
