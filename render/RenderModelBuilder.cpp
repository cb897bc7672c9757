#include "render/RenderModelBuilder.h"

#include "base/MediaWarnings.h"
#include "base/Settings.h"
#include "effects/Effect.h"
#include "effects/EffectMgr.h"
#include "effects/api/KeyFrameRecord.h"
#include "media/MediaKind.h"
#include "project/AssetLoader.h"
#include "project/ImageSamp.h"
#include "project/Slide.h"
#include "render/clip/ClipMath.h"
#include "render/clip/LayoutInstances.h"
#include "render/frame/BufferedFrame.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

CKeyFrame ToKeyFrame(const SKeyFrameRecord& r) {
    CKeyFrame k;
    k.m_time = r.time;
    k.m_x = r.x;
    k.m_y = r.y;
    k.m_scale = r.scale;
    k.m_opacity = r.opacity;
    k.m_rotation = r.rotation;
    k.m_easing = r.easing;
    k.m_extra = r.extra;
    return k;
}

void ZoomRange(const std::vector<CKeyFrame>& keys, double& lo, double& hi) {
    lo = hi = -1;
    for (const CKeyFrame& k : keys) {
        lo = lo < 0 ? k.m_scale : std::min(lo, k.m_scale);
        hi = hi < 0 ? k.m_scale : std::max(hi, k.m_scale);
    }
}

// What a layout says about a slide: nothing, key-frames for every picture, or
// an instance that draws the slide live.
struct SLayout {
    CEffect* live = nullptr;
    bool keyFrames = false;
    std::vector<std::vector<CKeyFrame>> pictures;
};

// The layout for a slide that shows its first `pictures` pictures.
SLayout FindLayout(const CSlide& slide, int pictures) {
    SLayout layout;
    CEffect* instance = CLayoutInstances::Make(slide.m_layoutName);
    if (!instance)
        return layout;
    int count = 0;
    CEffectSetting* params = instance->GetParamsFor(pictures, &count);
    if (params && count > 0 && params[0].kind == CEffectSetting::kLayouts) {
        layout.keyFrames = true;
        for (int i = 0; i < count; ++i) {
            std::vector<CKeyFrame> keys;
            const auto* records = static_cast<const SKeyFrameRecord*>(params[i].values);
            if (params[i].kind == CEffectSetting::kLayouts && records)
                for (int r = 0; r < params[i].count; ++r)
                    keys.push_back(ToKeyFrame(records[r]));
            layout.pictures.push_back(std::move(keys));
        }
        CLayoutInstances::Release(instance);
        return layout;
    }
    if (params && count > 0) {
        instance->ApplyValues(slide.m_layoutValues);
        instance->GetParams(&count);
    }
    layout.live = instance;
    return layout;
}

// Names the first picture a slide leaves out past kMaxPictures (a warning
// names a file) and how many go with it.
void ReportLeftOut(const CSlide& slide) {
    const int count = slide.GetItemCount(), max = CRenderModelBuilder::kMaxPictures;
    for (int i = max; i < count; ++i)
        if (!slide.GetItem(i)->m_file.empty()) {
            CMediaWarnings::Report(slide.GetItem(i)->m_file,
                                   "is picture " + std::to_string(i + 1) + " of a slide of " +
                                       std::to_string(count) + "; a slide shows its first " +
                                       std::to_string(max) + " pictures only, so this one and the " +
                                       std::to_string(count - i - 1) + " after it are left out");
            return;
        }
}

} // namespace

CRenderModelBuilder::CRenderModelBuilder(CBufferedFrame& target, double pixelAspect,
                                         CTimerBase& clock)
    : m_target(target), m_clock(clock), m_pz(target, pixelAspect, clock),
      m_adj(target, pixelAspect, clock), m_active(&m_pz),
      m_loader(*this, clock.WorkersBelowNormal()) {}

CRenderModelBuilder::~CRenderModelBuilder() {
    m_loader.Shutdown();
    Stop(false);
}

void CRenderModelBuilder::Stop(bool waitForLoader) {
    if (waitForLoader)
        m_loader.WaitIdle();
    m_pz.Stop();
    m_adj.Stop();
    m_slide = nullptr;
}

bool CRenderModelBuilder::Start(int startOffset) { return m_active->Start(startOffset); }

void CRenderModelBuilder::RequestLoad(const CSlide* slide, IAssetLoader* assets,
                                      bool layoutsAllowed, int startOffset) {
    m_loader.Request(slide, assets, layoutsAllowed, startOffset);
}

void CRenderModelBuilder::ClearFrame() {
    m_target.FillBack(0);
    m_target.Publish();
}

bool CRenderModelBuilder::Load(const CSlide* slide, IAssetLoader* assets, bool layoutsAllowed,
                               bool waitForLoader) {
    Stop(waitForLoader);
    m_active = &m_pz;
    m_slide = slide;
    m_layoutsAllowed = layoutsAllowed;
    if (!slide)
        return true;

    const int pictures = std::min(slide->GetItemCount(), kMaxPictures);
    SLayout layout;
    if (layoutsAllowed && !slide->m_layoutName.empty())
        layout = FindLayout(*slide, pictures);
    if (layout.live) {
        m_active = &m_adj;
        m_adj.SetEffect(layout.live);
    }
    CSlideClipsBase& r = *m_active;
    r.SetDuration(slide->GetSlideTotal());

    r.SetBackgroundColour(std::uint32_t(slide->m_backgroundColor));
    if (slide->m_backgroundMode == CSlide::kBackgroundStretch ||
        slide->m_backgroundMode == CSlide::kBackgroundFill) {
        std::vector<std::uint8_t> bytes;
        bool packaged = assets && assets->LoadAsset(slide->m_backgroundPicture, bytes);
        r.SetBackgroundPicture(slide->m_backgroundPicture, packaged ? &bytes : nullptr,
                               slide->m_backgroundMode);
    }

    // The pictures: the first kMaxPictures items, or the slide's one
    // composite picture.
    std::vector<const CAlbumItem*> items;
    if (layoutsAllowed) {
        for (int i = 0; i < pictures; ++i)
            items.push_back(slide->GetItem(i));
        if (slide->GetItemCount() > pictures)
            ReportLeftOut(*slide);
    } else if (slide->GetItemCount() > 1) {
        if (slide->GetMainVideo())
            items.push_back(slide->GetMainVideo());
    } else if (slide->GetItemCount() == 1) {
        items.push_back(slide->GetItem(0));
    }
    if (layout.keyFrames && layout.pictures.size() != items.size())
        return false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        double lo = 1, hi = 1;
        if (!layout.live)
            ZoomRange(layout.keyFrames ? layout.pictures[i] : items[i]->GetKeyFrames(), lo, hi);
        if (!AddItem(*items[i], assets, lo, hi, !layout.live))
            return false;
        if (!layout.live &&
            !m_pz.SetKeyFrames(layout.keyFrames ? layout.pictures[i] : items[i]->GetKeyFrames()))
            return false;
    }
    r.Select(0);
    return true;
}

bool CRenderModelBuilder::AddItem(const CAlbumItem& item, IAssetLoader* assets, double minZoom,
                                  double maxZoom, bool zoomKnown) {
    CSlideClipsBase& r = *m_active;
    const CImageView& view = m_target.BackView();
    std::unique_ptr<CIntClipPipeline> clip;
    switch (item.GetKind()) {
    case CAlbumItem::kImageSamp:
        clip = r.AddSamplePicture(static_cast<const CImageSamp&>(item).m_sampleResource);
        break;
    case CAlbumItem::kVideo:
        clip = r.AddVideo(item.m_file, item.m_startOffset,
                          item.m_playLength > 0 ? item.m_startOffset + item.m_playLength : -1);
        break;
    default: {
        double scale = ClipMath::DecodeScale(minZoom, maxZoom, GetSetting(Settings::AALoadFactor));
        const bool turned = ClipMath::IsQuarterTurned(
            ClipMath::RotationCode(item.m_rotation, item.m_mirrorH != 0, item.m_mirrorV != 0));
        const bool stretched = item.m_stretch == 1;
        int mw = 0, mh = 0;
        ClipMath::DecodeBox(scale, item.m_cropWidth, item.m_cropHeight, view.Width(),
                            view.Height(), r.PixelAspect(), turned, mw, mh);
        // A picture an earlier item decoded for the same box is shown again,
        // without reading the file.
        clip = r.AddKeptPicture(item.m_file, item.m_autoLevels != 0, item.m_brightness,
                                item.m_contrast, mw, mh, stretched);
        if (clip)
            break;
        std::vector<std::uint8_t> bytes;
        const bool packaged = assets && assets->LoadAsset(item.m_file, bytes);
        // A clip given where a picture is expected (a replacement, an album
        // description without a kind) plays as a clip.
        if (!packaged && CMediaKind::Of(item.m_file) == EMediaKind::kClip) {
            clip = r.AddVideo(item.m_file, 0, -1);
            break;
        }
        if (packaged)
            clip = r.AddPictureFromMemory(item.m_file, bytes.data(), bytes.size(),
                                          item.m_autoLevels != 0, item.m_brightness,
                                          item.m_contrast, mw, mh, stretched);
        else
            clip = r.AddPicture(item.m_file, item.m_autoLevels != 0, item.m_brightness,
                                item.m_contrast, mw, mh, stretched);
        break;
    }
    }
    // A picture or clip that cannot be opened (its warning is given) keeps
    // its place empty: the rest of the slide still shows.
    if (!clip)
        return r.AddClip(r.AddEmptyPicture()) >= 0;
    clip->SetCrop(item.m_cropX, item.m_cropY, item.m_cropWidth, item.m_cropHeight);
    clip->SetRotation(ClipMath::RotationCode(item.m_rotation, item.m_mirrorH != 0,
                                             item.m_mirrorV != 0));
    clip->SetFit(item.m_stretch == 1 ? CClipPipeline::kStretch : CClipPipeline::kFitInside);
    // The picture's sizes for its zoom are resampled here, on the loader.
    if (zoomKnown)
        clip->Pipeline().PrepareForZooms(minZoom, maxZoom);
    return r.AddClip(std::move(clip)) >= 0;
}
