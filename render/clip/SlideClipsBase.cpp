#include "render/clip/SlideClipsBase.h"

#include "imgcore/CPU.h"
#include "render/frame/BufferedFrame.h"
#include "render/frame/FrameSrcImage.h"
#include "render/frame/FrameSrcVideo.h"
#include "render/frame/KeptPicture.h"
#include "render/frame/PictureStore.h"

#include <algorithm>
#include <cmath>

CSlideClipsBase::CSlideClipsBase(CBufferedFrame& target, double pixelAspect, CTimerBase& clock)
    : m_target(target), m_pixelAspect(pixelAspect > 0 ? pixelAspect : 1.0), m_clock(clock) {}

CSlideClipsBase::~CSlideClipsBase() {
    // Derived renderers stop first; this only makes sure no worker is left.
    if (m_event) {
        m_clock.RemoveEvent(m_event);
        m_event = nullptr;
    }
}

void CSlideClipsBase::OnEvent() {
    std::lock_guard lock(m_lock);
    DrawNow();
}

void CSlideClipsBase::DrawNow() {
    int frame = m_clock.GetCurrentFrame() - m_startOffset;
    if (RenderFrame(frame))
        m_target.Publish();
}

std::unique_ptr<CIntClipPipeline> CSlideClipsBase::Prepare(std::unique_ptr<CFrameSrc> source) {
    auto clip = MakeClip(std::move(source));
    if (clip)
        clip->SetFrameCount(m_frames);
    return clip;
}

std::unique_ptr<CFrameSrcImage> CSlideClipsBase::NewPicture(bool cover) const {
    auto source = std::make_unique<CFrameSrcImage>();
    source->SetDraft(m_draftPictures);
    source->SetCoverBox(cover);
    source->SetPrepareOnDemand(true);
    return source;
}

std::unique_ptr<CIntClipPipeline>
CSlideClipsBase::AddShared(const std::string& name, int maxWidth, int maxHeight, bool cover,
                           bool autoLevel, double brightness, double contrast,
                           const std::function<bool(CFrameSrcImage&)>& load) {
    auto source = NewPicture(cover);
    const CPictureStore::SKey key{name, maxWidth, maxHeight, cover, m_draftPictures};
    std::shared_ptr<const CKeptPicture> kept = m_store ? m_store->Find(key) : nullptr;
    if (kept) {
        if (!source->Show(std::move(kept), autoLevel, brightness, contrast))
            return nullptr;
    } else {
        if (!load || !load(*source))
            return nullptr;
        // Another loader may have kept the same picture meanwhile: showing
        // that one leaves a single copy.
        if (m_store && (kept = m_store->Keep(key, source->Picture())) != source->Picture() &&
            !source->Show(std::move(kept), autoLevel, brightness, contrast))
            return nullptr;
    }
    return Prepare(std::move(source));
}

std::unique_ptr<CIntClipPipeline> CSlideClipsBase::AddPicture(const std::string& path,
                                                              bool autoLevel, double brightness,
                                                              double contrast, int maxWidth,
                                                              int maxHeight, bool cover) {
    return AddShared(path, maxWidth, maxHeight, cover, autoLevel, brightness, contrast,
                     [&](CFrameSrcImage& source) {
                         return source.Load(path, maxWidth, maxHeight, autoLevel, brightness,
                                            contrast);
                     });
}

std::unique_ptr<CIntClipPipeline>
CSlideClipsBase::AddPictureFromMemory(const std::string& name, const std::uint8_t* bytes,
                                      std::size_t length, bool autoLevel, double brightness,
                                      double contrast, int maxWidth, int maxHeight, bool cover) {
    return AddShared(name, maxWidth, maxHeight, cover, autoLevel, brightness, contrast,
                     [&](CFrameSrcImage& source) {
                         return source.LoadFromMemory(bytes, length, maxWidth, maxHeight,
                                                      autoLevel, brightness, contrast, name);
                     });
}

std::unique_ptr<CIntClipPipeline> CSlideClipsBase::AddKeptPicture(const std::string& name,
                                                                  bool autoLevel,
                                                                  double brightness,
                                                                  double contrast, int maxWidth,
                                                                  int maxHeight, bool cover) {
    return AddShared(name, maxWidth, maxHeight, cover, autoLevel, brightness, contrast, nullptr);
}

std::unique_ptr<CIntClipPipeline> CSlideClipsBase::AddSamplePicture(int id) {
    auto source = std::make_unique<CFrameSrcImage>();
    if (!source->LoadSample(id))
        return nullptr;
    return Prepare(std::move(source));
}

std::unique_ptr<CIntClipPipeline> CSlideClipsBase::AddEmptyPicture() {
    static const std::uint8_t kClear[2 * 2 * 4] = {};
    auto source = std::make_unique<CFrameSrcImage>();
    if (!source->LoadPixels(kClear, 2, 2, 2 * 4, 2, 2))
        return nullptr;
    return Prepare(std::move(source));
}

std::unique_ptr<CIntClipPipeline> CSlideClipsBase::AddVideo(const std::string& path, double start,
                                                            double end) {
    auto source = std::make_unique<CFrameSrcVideo>();
    if (!source->Open(path, start, end, m_clock.GetFrameRate()))
        return nullptr;
    return Prepare(std::move(source));
}

int CSlideClipsBase::AddClip(std::unique_ptr<CIntClipPipeline> clip, bool renderNow) {
    if (!clip)
        return -1;
    std::lock_guard lock(m_lock);
    int previous = m_selected;
    int index = m_selected >= 0 ? m_selected + 1 : int(m_clips.size());
    CIntClipPipeline* added = clip.get();
    m_clips.insert(m_clips.begin() + index, std::move(clip));
    m_selected = index;
    if (!OnClipAdded(previous, added)) {
        m_clips.erase(m_clips.begin() + index);
        m_selected = previous;
        return -1;
    }
    if (renderNow && m_event)
        DrawNow();
    return index;
}

void CSlideClipsBase::Select(int index) {
    std::lock_guard lock(m_lock);
    if (index == -1)
        m_selected = int(m_clips.size()) - 1;
    else if (index >= 0 && index < int(m_clips.size()))
        m_selected = index;
    else
        m_selected = -1;
}

CIntClipPipeline* CSlideClipsBase::Selected() const {
    std::lock_guard lock(m_lock);
    return m_selected >= 0 ? m_clips[std::size_t(m_selected)].get() : nullptr;
}

int CSlideClipsBase::ClipCount() const {
    std::lock_guard lock(m_lock);
    return int(m_clips.size());
}

bool CSlideClipsBase::SetDuration(double seconds) {
    std::lock_guard lock(m_lock);
    m_frames = int(seconds * m_clock.GetFrameRate() + 0.5);
    bool ok = true;
    for (auto& clip : m_clips)
        ok = clip->SetFrameCount(m_frames) && ok;
    ok = OnFrameCountChanged() && ok;
    if (m_event)
        DrawNow();
    return ok;
}

void CSlideClipsBase::SetBackgroundColour(std::uint32_t colorref) {
    std::lock_guard lock(m_lock);
    // 0x00BBGGRR becomes bytes B, G, R, 255.
    std::uint32_t r = colorref & 0xFF, g = (colorref >> 8) & 0xFF, b = (colorref >> 16) & 0xFF;
    m_background = 0xFF000000u | (r << 16) | (g << 8) | b;
}

bool CSlideClipsBase::SetBackgroundPicture(const std::string& path,
                                           const std::vector<std::uint8_t>* bytes, int mode) {
    std::lock_guard lock(m_lock);
    m_backgroundClip.reset();
    const CImageView& view = m_target.BackView();
    // Stretched or filling, the picture covers the frame in square pixels.
    auto source = NewPicture(true);
    int mw = int(std::ceil(view.Width() * m_pixelAspect)), mh = view.Height();
    bool loaded =
        bytes ? source->LoadFromMemory(bytes->data(), bytes->size(), mw, mh, false, 0, 0, path)
              : source->Load(path, mw, mh);
    if (!loaded)
        return false;
    auto clip = std::make_unique<CIntClipPipeline>(std::move(source), view.Width(), view.Height(),
                                                   m_pixelAspect, view.IsBottomUp());
    clip->SetFit(mode == 1 ? CClipPipeline::kStretch : CClipPipeline::kFill);
    CClipPipeline& p = clip->Pipeline();
    if (!p.Place(0, 0, p.FitX(), p.FitY(), p.BaseRotation(), 255))
        return false;
    m_backgroundClip = std::move(clip);
    return true;
}

const CImageView& CSlideClipsBase::BackgroundLayer() const {
    return m_backgroundClip->Pipeline().Layer();
}

bool CSlideClipsBase::DrawBackground() {
    if (!m_backgroundClip) {
        m_target.FillBack(m_background);
        return true;
    }
    SRect* dirty = nullptr;
    CImageView& back = m_target.BackView(&dirty);
    const CImageView& layer = BackgroundLayer();
    *dirty = back.Bounds();
    return CCPU::ippiCopy_8u_C4R(layer.PixelAt(layer.Bounds()), layer.Stride(),
                                 back.PixelAt(back.Bounds()), back.Stride(),
                                 {back.Width(), back.Height()}) == ippStsNoErr;
}

bool CSlideClipsBase::Start(int startOffset) {
    {
        std::lock_guard lock(m_lock);
        m_startOffset = startOffset;
    }
    if (!m_event && !(m_event = m_clock.StartEvent(this, "kv-slide")))
        return false;
    return m_event->RenderNow();
}

void CSlideClipsBase::Stop() {
    // The worker leaves before the lock is taken: it may be waiting for it.
    if (m_event) {
        m_clock.RemoveEvent(m_event);
        m_event = nullptr;
    }
    std::lock_guard lock(m_lock);
    OnCleared();
    m_clips.clear();
    m_selected = -1;
    m_backgroundClip.reset();
    m_background = 0xFF000000u;
    m_frames = 0;
}
