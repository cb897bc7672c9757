#include "render/AlbumDirector.h"

#include "base/MediaWarnings.h"
#include "effects/Effect.h"
#include "effects/EffectMgr.h"
#include "imgcore/CPU.h"
#include "media/MediaKind.h"
#include "project/Album.h"
#include "project/Slide.h"
#include "render/RenderModelBuilder.h"
#include "render/clip/ClipPipeline.h"
#include "render/clock/TimerBase.h"
#include "render/frame/BufferedFrame.h"
#include "render/frame/FrameSrcImage.h"
#include "render/frame/FrameSrcVideo.h"
#include "render/text/AlbumTextBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// A full-frame buffer cleared to transparent black, viewed bottom-up; made
// at its first use (a 4K frame is 33 MB, and not every album needs every
// buffer). False when there is no memory for it.
bool EnsureFrame(CPixelBuffer& pixels, CImageView& view, int width, int height) {
    if (pixels.Bits())
        return true;
    if (!pixels.Allocate(width, height))
        return false;
    std::memset(pixels.Bits(), 0, pixels.Bytes());
    view.Attach(pixels.Bits(), width, height, -pixels.Stride());
    return true;
}

// How many buffers a layer keeps. A clock that waits for its workers never
// lets them draw while a frame is read: one buffer a layer is enough.
CBufferedFrame::ETurns TurnsFor(const CTimerBase& clock) {
    return clock.WaitsForWorkers() ? CBufferedFrame::ETurns::kInTurn
                                   : CBufferedFrame::ETurns::kConcurrent;
}

// The first row in memory of a view, the form the image primitives walk.
std::uint8_t* Lowest(const CImageView& view) { return view.PixelAt(view.Bounds()); }

} // namespace

int CAlbumDirector::CEffectSrc::GetFrame(std::uint8_t** bits, int* stride) {
    if (!m_frame.Acquire())
        return 0;
    const CImageView& view = m_frame.FrontView();
    *bits = Lowest(view);
    *stride = view.IsBottomUp() ? -view.Stride() : view.Stride();
    return 1;
}

CAlbumDirector::CAlbumDirector(SSize size, double pixelAspect, CTimerBase& clock,
                               bool withCaptions, const SRect* outputRect, CEffectMgr* effects)
    : m_size(size), m_pixelAspect(pixelAspect > 0 ? pixelAspect : 1.0), m_clock(clock),
      m_withCaptions(withCaptions), m_output{0, 0, size.width, size.height}, m_effects(effects) {
    if (outputRect && !IsEmpty(Intersect(*outputRect, m_output)))
        m_output = Intersect(*outputRect, m_output);
    if (!m_effects) {
        m_ownEffects = std::make_unique<CEffectMgr>();
        m_effects = m_ownEffects.get();
    }
    const auto turns = TurnsFor(clock);
    for (SSlot& slot : m_slots) {
        slot.frame = std::make_unique<CBufferedFrame>(size.width, size.height, true, m_output, turns);
        slot.builder = std::make_unique<CRenderModelBuilder>(*slot.frame, m_pixelAspect, clock);
        slot.builder->SetPictureStore(&m_pictures);
        slot.source = std::make_unique<CEffectSrc>(*slot.frame);
    }
}

void CAlbumDirector::MakeCaptionLayer() {
    m_captionFrame =
        std::make_unique<CBufferedFrame>(m_size.width, m_size.height, true, TurnsFor(m_clock));
    // Transitions and text effects come from the one catalogue.
    m_text = std::make_unique<CAlbumTextBuilder>(*m_captionFrame, m_pixelAspect, m_clock, m_effects);
}

CAlbumDirector::~CAlbumDirector() {
    Clear();
    m_text.reset();
    for (SSlot& slot : m_slots)
        slot.builder.reset();
}

void CAlbumDirector::SetDraftPictures(bool draft) {
    for (SSlot& slot : m_slots) {
        slot.builder->WaitForLoader();
        slot.builder->SetDraftPictures(draft);
    }
}

void CAlbumDirector::Clear() {
    for (SSlot& slot : m_slots) {
        slot.builder->Stop(true);
        slot.builder->ClearFrame();
        DropTransition(slot);
    }
    if (m_text)
        m_text->Clear();
    m_timeline.Clear();
}

bool CAlbumDirector::LoadAlbum(CAlbum* album, IAssetLoader* assets) {
    Clear();
    m_pictures.Forget();
    m_album = album;
    m_assets = assets;
    SetupOverlay();
    if (!album)
        return false;
    // The caption layer (a frame's worth of memory) is made for the first
    // album that has captions and kept for the next ones.
    if (m_withCaptions && !m_text) {
        for (int i = 0; i < album->GetSlideCount(); ++i)
            if (album->GetSlide(i)->GetCaptionCount() > 0) {
                MakeCaptionLayer();
                break;
            }
    }
    int number = 0;
    const int count = album->GetSlideCount();
    auto captions = [this, &number, count](const CSlide& slide, double start) {
        if (m_text)
            m_text->AddSlideCaptions(slide, start, ++number, count);
    };
    if (!m_timeline.Build(*album, m_clock.GetFrameRate(), captions))
        return false;
    if (m_text)
        m_text->Start(0);
    Reset(true);
    return true;
}

// --- the ring ------------------------------------------------------------------

void CAlbumDirector::DropTransition(SSlot& slot) {
    if (slot.transition)
        slot.transition->Release();
    slot.transition = nullptr;
}

void CAlbumDirector::SetupTransition(int slot, const CTimelineSegment* segment, int from, int to) {
    SSlot& target = m_slots[std::size_t(slot)];
    DropTransition(target);
    if (!segment || segment->endFrame - segment->startFrame <= 1)
        return;
    m_effects->Scan();
    CEffect* prototype = m_effects->Find(kEffectTransition, segment->effectName);
    if (!prototype)
        prototype = m_effects->First(kEffectTransition);
    CEffect* effect = prototype ? prototype->MakeInstance() : nullptr;
    if (!effect)
        return;
    if (segment->slide)
        effect->ApplyValues(segment->slide->m_transitionValues);
    effect->SetSize(m_output.right - m_output.left, m_output.bottom - m_output.top);
    effect->SetFrameCount(segment->endFrame - segment->startFrame);
    effect->SetSources(m_slots[std::size_t(from)].source.get(), m_slots[std::size_t(to)].source.get());
    effect->Prepare();
    target.transition = effect;
}

void CAlbumDirector::LoadSlot(int slot, const CTimelineSegment* segment, bool sync) {
    ++m_loads;
    CRenderModelBuilder& builder = *m_slots[std::size_t(slot)].builder;
    const CSlide* slide = segment ? segment->slide : nullptr;
    int start = segment ? segment->clipStart : 0;
    // A slide with one composite picture for several items shows just that.
    bool layouts = !(slide && slide->GetItemCount() > 1 && slide->GetMainVideo());
    if (!sync) {
        builder.RequestLoad(slide, m_assets, layouts, start);
        return;
    }
    if (!(builder.Load(slide, m_assets, layouts, true) && slide && builder.Start(start))) {
        builder.Stop(false);
        builder.ClearFrame();
    }
}

void CAlbumDirector::LoadCurrent(bool sync) { LoadSlot(m_ring, m_timeline.CurrentSlide(), sync); }

void CAlbumDirector::LoadNext(bool sync) {
    const CTimelineSegment* transition = m_timeline.CurrentSlide()->next;
    SetupTransition(Next(), transition, m_ring, Next());
    LoadSlot(Next(), transition && transition->slide ? transition->next : nullptr, sync);
}

void CAlbumDirector::LoadPrevious(bool sync) {
    const CTimelineSegment* transition = m_timeline.CurrentSlide()->prev;
    SetupTransition(m_ring, transition, Prev(), m_ring);
    LoadSlot(Prev(), transition ? transition->prev : nullptr, sync);
}

void CAlbumDirector::Reset(bool sync) {
    m_ring = 0;
    CTimelineSegment* s = m_timeline.Current();
    CTimelineSegment* slide = s->kind == CTimelineSegment::SegSlide ? s
                              : s->next && s->next->kind == CTimelineSegment::SegSlide ? s->next
                                                                                        : s->prev;
    m_timeline.SetCurrentSlide(slide);
    DropTransition(m_slots[std::size_t(Prev())]);
    // Only the slide shown now is loaded before returning; its neighbours
    // load on their slots' loaders meanwhile and are waited for when a frame
    // shows them (see RenderCurrent), so a render starts after one slide's
    // pictures are ready, not three.
    LoadCurrent(sync);
    LoadNext(false);
    LoadPrevious(false);
}

void CAlbumDirector::ShiftRing(int n, bool sync) {
    if (n == 0)
        return;
    const auto& slides = m_timeline.Slides();
    auto it = std::find(slides.begin(), slides.end(), m_timeline.CurrentSlide());
    long index = long(it - slides.begin()) + n;
    if (n < -2 || n > 2 || it == slides.end() || index < 0 || index >= long(slides.size())) {
        Reset(sync);
        return;
    }
    // Steps load on the slot loaders even with sync: a slot is waited for
    // only when a frame shows it (see RenderCurrent), so the loads run ahead.
    m_timeline.SetCurrentSlide(slides[std::size_t(index)]);
    switch (n) {
    case 1:
        m_ring = (m_ring + 1) % 3;
        LoadNext(false);
        break;
    case 2:
        m_ring = (m_ring + 2) % 3;
        SetupTransition(m_ring, m_timeline.CurrentSlide()->prev, Prev(), m_ring);
        LoadCurrent(false);
        LoadNext(false);
        break;
    case -1:
        m_ring = (m_ring + 2) % 3;
        LoadPrevious(false);
        break;
    case -2:
        m_ring = (m_ring + 1) % 3;
        SetupTransition(Next(), m_timeline.CurrentSlide()->next, m_ring, Next());
        LoadCurrent(false);
        LoadPrevious(false);
        break;
    }
}

// --- frames --------------------------------------------------------------------

const CImageView* CAlbumDirector::WholeFrame(const CImageView& view) {
    if (view.Width() == m_size.width && view.Height() == m_size.height)
        return &view;
    // A slide drawn into part of the frame: the rest is transparent black.
    if (!EnsureFrame(m_compose, m_composeView, m_size.width, m_size.height))
        return nullptr;
    m_composeView.Fill(0);
    if (CCPU::ippiCopy_8u_C4R(Lowest(view), view.Stride(), m_composeView.PixelAt(m_output),
                              m_composeView.Stride(), {view.Width(), view.Height()}) != ippStsNoErr)
        return nullptr;
    return &m_composeView;
}

bool CAlbumDirector::Compose(const CImageView& top, const CImageView*& view) {
    if (!EnsureFrame(m_compose, m_composeView, m_size.width, m_size.height))
        return false;
    if (CCPU::ippiAlphaComp_8u_AC4R(Lowest(top), top.Stride(), Lowest(*view), view->Stride(),
                                    Lowest(m_composeView), m_composeView.Stride(),
                                    {m_size.width, m_size.height},
                                    ippAlphaOverPremul) != ippStsNoErr)
        return false;
    view = &m_composeView;
    return true;
}

void CAlbumDirector::WaitForSlot(int slot) {
    CRenderModelBuilder& builder = *m_slots[std::size_t(slot)].builder;
    if (!builder.IsLoading())
        return;
    ++m_loadWaits;
    builder.WaitForLoader();
}

const CImageView* CAlbumDirector::RenderCurrent(bool sync) {
    if (m_timeline.IsEmpty())
        return nullptr;
    int frame = m_clock.GetCurrentFrame();
    int shift = 0;
    bool found = m_timeline.Seek(frame, shift);
    ShiftRing(shift, sync);
    if (!found)
        return nullptr;
    const CTimelineSegment* segment = m_timeline.Current();
    const CTimelineSegment* slide = m_timeline.CurrentSlide();
    const CImageView* view = nullptr;
    if (segment->kind == CTimelineSegment::SegSlide) {
        SSlot& slot = m_slots[std::size_t(m_ring)];
        if (sync)
            WaitForSlot(m_ring);
        slot.frame->Acquire();
        view = WholeFrame(slot.frame->FrontView());
    } else {
        bool after = segment == slide->next;
        int index = after ? Next() : m_ring;
        if (!after && segment != slide->prev)
            return nullptr;
        if (sync) {
            WaitForSlot(index);
            WaitForSlot(after ? m_ring : Prev());
        }
        SSlot& slot = m_slots[std::size_t(index)];
        if (!slot.transition && segment->endFrame - segment->startFrame <= 1) {
            // One frame is too short to move between two pictures, and no
            // transition is made for it: it shows the incoming slide (whose
            // slot this is) instead of an empty frame.
            slot.frame->Acquire();
            view = WholeFrame(slot.frame->FrontView());
        } else {
            // One transition plays at a time: the slots share its buffer.
            if (!EnsureFrame(m_transition, m_transitionView, m_size.width, m_size.height))
                return nullptr;
            m_transitionView.Fill(0);
            if (slot.transition) {
                int stride = -m_transitionView.Stride();
                slot.transition->Render(frame - segment->startFrame,
                                        m_transitionView.PixelAt(m_output), stride);
            }
            view = &m_transitionView;
        }
    }
    if (view && m_captionFrame && m_captionFrame->Acquire()) {
        SRect drawn{};
        const CImageView& captions = m_captionFrame->FrontView(&drawn);
        if (!IsEmpty(drawn) && !Compose(captions, view))
            return nullptr;
    }
    if (view && m_overlayActive && !Compose(m_overlayView, view))
        return nullptr;
    return view;
}

// --- edits ---------------------------------------------------------------------

int CAlbumDirector::ReplacePicture(int slideIndex, int pictureIndex, const std::string& path) {
    if (!m_album || slideIndex < 0 || slideIndex >= m_album->GetSlideCount())
        return 0;
    CAlbumItem* item = m_album->GetSlide(slideIndex)->GetItem(pictureIndex);
    if (!item)
        return 0;
    // No loader may read the slide while it changes.
    for (SSlot& slot : m_slots)
        slot.builder->WaitForLoader();
    item->m_file = path;
    m_pictures.Forget();
    if (!m_timeline.IsEmpty())
        Reset(true);
    return 1;
}

int CAlbumDirector::SetBackgroundPicture(int slideIndex, const std::string& path) {
    if (!m_album || slideIndex < 0 || slideIndex >= m_album->GetSlideCount())
        return 0;
    for (SSlot& slot : m_slots)
        slot.builder->WaitForLoader();
    m_album->GetSlide(slideIndex)->m_backgroundPicture = path;
    m_pictures.Forget();
    if (!m_timeline.IsEmpty())
        Reset(true);
    return 1;
}

// --- overlay -------------------------------------------------------------------

bool CAlbumDirector::IsWide() const {
    // Between 4:3 and 16:9 by their geometric mean, 1.54.
    const double display = m_pixelAspect * m_size.width / std::max(1, m_size.height);
    return display * display > 4.0 / 3.0 * 16.0 / 9.0;
}

void CAlbumDirector::SetOverlay(const SOverlayChoice& overlay) { m_overlayChoice = overlay; }

void CAlbumDirector::SetupOverlay() {
    const SOverlay& overlay = m_overlayChoice.For(IsWide());
    if (m_overlay.Bits() && m_overlayActive && overlay == m_overlayShown)
        return;
    m_overlayShown = overlay;
    m_overlayActive = false;
    // The frame-sized layer is made only for an overlay picture (a 4K frame
    // is 33 MB).
    const std::string& name = overlay.picture;
    if (name.empty())
        return;
    if (!EnsureFrame(m_overlay, m_overlayView, m_size.width, m_size.height))
        return;
    m_overlayView.Fill(0);
    std::unique_ptr<CFrameSrc> source;
    const EMediaKind kind = CMediaKind::Of(name);
    if (kind == EMediaKind::kClip) {
        auto video = std::make_unique<CFrameSrcVideo>();
        if (video->Open(name, 0, -1, m_clock.GetFrameRate()))
            source = std::move(video);
        else
            CMediaWarnings::Report(name, "the overlay clip cannot be opened; no overlay is shown");
    } else if (kind == EMediaKind::kPicture) {
        // A picture that cannot be decoded is reported by the decoder.
        auto picture = std::make_unique<CFrameSrcImage>();
        if (picture->Load(name, 0, 0))
            source = std::move(picture);
    } else {
        CMediaWarnings::Report(name, "is not a picture or video clip; no overlay is shown");
    }
    if (!source || !source->SetCrop(0, 0, 1, 1))
        return;
    CClipPipeline clip(m_size.width, m_size.height, m_pixelAspect, true);
    clip.SetSource(source.get());
    // The picture keeps its size against 576 lines of a 4:3 or wider frame;
    // a narrower frame (square, vertical) counts the height a 4:3 frame of
    // its width has, so the picture takes the same share of the width as on
    // 4:3 instead of growing with the tall frame.
    const double fourThreeHeight = m_size.width * m_pixelAspect * 3.0 / 4.0;
    const double reference =
        kOverlayReferenceLines * m_size.height / std::min<double>(m_size.height, fourThreeHeight);
    clip.SetFit(CClipPipeline::kNaturalSize, int(std::lround(reference)),
                CClipPipeline::EAnchor::kInsideCorners);
    // Offsets in frame units, x right and y up.
    double x = 0, y = 0;
    switch (overlay.corner) {
    case EOverlayCorner::kTopLeft: x = -0.5; y = 0.5; break;
    case EOverlayCorner::kTopRight: x = 0.5; y = 0.5; break;
    case EOverlayCorner::kBottomLeft: x = -0.5; y = -0.5; break;
    case EOverlayCorner::kBottomRight: x = 0.5; y = -0.5; break;
    case EOverlayCorner::kCentre: break;
    }
    if (!clip.Place(x * clip.UnitX(), y * clip.UnitY(), clip.FitX(), clip.FitY(),
                    clip.BaseRotation(), 255))
        return;
    const CImageView& layer = clip.Layer();
    m_overlayActive = CCPU::ippiCopy_8u_C4R(Lowest(layer), layer.Stride(), Lowest(m_overlayView),
                                            m_overlayView.Stride(),
                                            {m_size.width, m_size.height}) == ippStsNoErr;
}
