#pragma once

#include "render/AsyncSlideLoader.h"
#include "render/clip/SlideClipsAdj.h"
#include "render/clip/SlideClipsPZ.h"

#include <memory>

class CAlbumItem;
class CBufferedFrame;
class CPictureStore;
class CSlide;
class IAssetLoader;

// Loads one slide into the renderer that suits it: pan and zoom, or the
// live-layout renderer when the slide names a multi-picture layout that
// draws itself. One builder serves one slot of the album director; both
// renderers draw into the slot's frames.
class CRenderModelBuilder {
public:
    // A slide shows its first kMaxPictures pictures; the others are left out
    // with a warning. Each picture of a loaded slide holds memory (its clip's
    // frame-sized layer, its prepared sizes), and a layout of more pictures
    // than this shows each too small to tell apart: 100 fills a 10 x 10 grid.
    static constexpr int kMaxPictures = 100;

    CRenderModelBuilder(CBufferedFrame& target, double pixelAspect, CTimerBase& clock);
    CRenderModelBuilder(const CRenderModelBuilder&) = delete;
    CRenderModelBuilder& operator=(const CRenderModelBuilder&) = delete;
    ~CRenderModelBuilder();

    // Builds the slide (null: nothing, which succeeds). Nothing is drawn
    // before Start. False when a picture cannot be opened or key-frames are
    // refused.
    bool Load(const CSlide* slide, IAssetLoader* assets, bool layoutsAllowed, bool waitForLoader);
    // Attaches the active renderer to the clock at an offset and draws once.
    bool Start(int startOffset);
    void Stop(bool waitForLoader);
    // Loads and starts on the slot's loader worker.
    void RequestLoad(const CSlide* slide, IAssetLoader* assets, bool layoutsAllowed,
                     int startOffset);
    void WaitForLoader() { m_loader.WaitIdle(); }
    [[nodiscard]] bool IsLoading() { return m_loader.IsBusy(); }
    // Draft decoding of the slide's pictures (previews); set before loading.
    void SetDraftPictures(bool draft) {
        m_pz.SetDraftPictures(draft);
        m_adj.SetDraftPictures(draft);
    }
    // The store that shares decoded pictures between items (null: none);
    // set before loading.
    void SetPictureStore(CPictureStore* store) {
        m_pz.SetPictureStore(store);
        m_adj.SetPictureStore(store);
    }
    // Transparent black, published: what an empty or failed slot shows.
    void ClearFrame();

    [[nodiscard]] CSlideClipsBase& Active() const { return *m_active; }
    [[nodiscard]] const CSlide* Slide() const { return m_slide; }
    [[nodiscard]] bool UsesLayout() const { return m_active == &m_adj; }

private:
    // zoomKnown: the zoom range comes from the picture's key-frames, so its
    // prepared sizes can be made now (a live layout decides them as it draws).
    bool AddItem(const CAlbumItem& item, IAssetLoader* assets, double minZoom, double maxZoom,
                 bool zoomKnown);

    CBufferedFrame& m_target;
    CTimerBase& m_clock;
    CSlideClipsPZ m_pz;
    CSlideClipsAdj m_adj;
    CSlideClipsBase* m_active;
    const CSlide* m_slide = nullptr;
    bool m_layoutsAllowed = true;
    // Declared last: its worker uses the members above and ends first.
    CAsyncSlideLoader m_loader;
};
