#pragma once

#include "effects/api/TransfxSrc.h"
#include "render/Overlay.h"
#include "render/Timeline.h"
#include "render/frame/ImageView.h"
#include "render/frame/PictureStore.h"
#include "render/frame/PixelBuffer.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class CAlbum;
class CAlbumTextBuilder;
class CBufferedFrame;
class CClipPipeline;
class CEffect;
class CEffectMgr;
class CRenderModelBuilder;
class CTimerBase;
class IAssetLoader;

// Plays an album: its timeline of transitions and slides in clock frames,
// the slides around the current position loaded in a ring of three slots
// (previous, current, next), the transitions between neighbouring slots, and
// for any clock frame one composed picture. The slot renderers draw on their
// own clock workers; RenderCurrent only picks up what they published.
class CAlbumDirector {
public:
    struct SSize {
        int width, height;
    };

    // Output size, pixel aspect (width over height of a pixel), the clock,
    // captions on or off, and the part of the frame drawn into (null: all).
    // The display aspect they make (pixel aspect x width / height) chooses
    // the overlay picture: the wide one when it is nearer 16:9 than 4:3.
    // effects: the catalogue of transitions and text effects (null: the
    // program's plug-in folder).
    CAlbumDirector(SSize size, double pixelAspect, CTimerBase& clock, bool withCaptions,
                   const SRect* outputRect = nullptr, CEffectMgr* effects = nullptr);
    CAlbumDirector(const CAlbumDirector&) = delete;
    CAlbumDirector& operator=(const CAlbumDirector&) = delete;
    ~CAlbumDirector();

    // The overlay pictures the next LoadAlbum shows (none until set); the
    // frame's display aspect picks the standard or the wide one.
    void SetOverlay(const SOverlayChoice& overlay);

    // Builds the timeline and fills the ring; false for an album without slides.
    bool LoadAlbum(CAlbum* album, IAssetLoader* assets);
    void Clear();

    // The picture of the clock's current frame, or null outside the timeline.
    // With sync the slots it shows are waited for, so the picture is complete.
    const CImageView* RenderCurrent(bool sync);

    // Pictures loaded from now on are decoded as drafts where that is much
    // faster: a preview seeking through photos wants its slides at once.
    void SetDraftPictures(bool draft);

    // A new file for a picture or background of a slide; the ring reloads.
    // 0 for a slide index out of range.
    int ReplacePicture(int slideIndex, int pictureIndex, const std::string& path);
    int SetBackgroundPicture(int slideIndex, const std::string& path);

    [[nodiscard]] SSize GetSize() const { return m_size; }
    [[nodiscard]] bool IsWide() const;
    [[nodiscard]] int GetFrameCount() const { return m_timeline.GetLength(); }
    [[nodiscard]] const CTimeline& Timeline() const { return m_timeline; }
    [[nodiscard]] int RingIndex() const { return m_ring; }
    // Slot loads so far (tests and benchmarks watch the ring work).
    [[nodiscard]] int LoadCount() const { return m_loads; }
    // Frames that had to wait for a slot still loading.
    [[nodiscard]] int LoadWaits() const { return m_loadWaits; }
    [[nodiscard]] bool OverlayActive() const { return m_overlayActive; }
    [[nodiscard]] bool HasCaptions() const { return m_withCaptions; }
    [[nodiscard]] CAlbumTextBuilder* TextBuilder() const { return m_text.get(); }
    // The pictures the loaded slides share (tests watch the sharing).
    [[nodiscard]] CPictureStore& Pictures() { return m_pictures; }

private:
    // A transition's view of one slot: the slot's newest published frame.
    class CEffectSrc final : public ItransfxSrc {
    public:
        explicit CEffectSrc(CBufferedFrame& frame) : m_frame(frame) {}
        int GetFrame(std::uint8_t** bits, int* stride) override;

    private:
        CBufferedFrame& m_frame;
    };

    struct SSlot {
        std::unique_ptr<CBufferedFrame> frame;
        std::unique_ptr<CRenderModelBuilder> builder;
        std::unique_ptr<CEffectSrc> source;
        CEffect* transition = nullptr; // the one that ends in this slot
    };

    [[nodiscard]] int Next() const { return (m_ring + 1) % 3; }
    [[nodiscard]] int Prev() const { return (m_ring + 2) % 3; }
    void ShiftRing(int n, bool sync);
    void LoadSlot(int slot, const CTimelineSegment* slide, bool sync);
    void LoadCurrent(bool sync);
    void LoadNext(bool sync);
    void LoadPrevious(bool sync);
    void SetupTransition(int slot, const CTimelineSegment* segment, int from, int to);
    void DropTransition(SSlot& slot);
    void WaitForSlot(int slot);
    void SetupOverlay();
    void MakeCaptionLayer();
    bool Compose(const CImageView& top, const CImageView*& view);
    const CImageView* WholeFrame(const CImageView& view);
    // Reloads all three slots around the current segment.
    void Reset(bool sync);

    SSize m_size;
    double m_pixelAspect;
    CTimerBase& m_clock;
    bool m_withCaptions;
    SRect m_output;
    std::unique_ptr<CEffectMgr> m_ownEffects;
    CEffectMgr* m_effects;

    CAlbum* m_album = nullptr;
    IAssetLoader* m_assets = nullptr;
    CTimeline m_timeline;
    int m_ring = 0;
    int m_loads = 0;
    int m_loadWaits = 0;
    // Decoded pictures the slots' items share; before the slots, whose
    // loaders use it.
    CPictureStore m_pictures;
    std::array<SSlot, 3> m_slots;

    // The caption layer and what fills it: with captions on, made for the
    // first album that has any.
    std::unique_ptr<CBufferedFrame> m_captionFrame;
    std::unique_ptr<CAlbumTextBuilder> m_text;

    // Frames made at their first use: the transition's picture, captions or
    // the overlay over a picture, and the overlay picture.
    CPixelBuffer m_transition;
    CImageView m_transitionView;
    CPixelBuffer m_compose;
    CImageView m_composeView;

    // The overlay picture's height is its pixel count against a frame of
    // this many lines, so it grows with the output.
    static constexpr double kOverlayReferenceLines = 576.0;

    SOverlayChoice m_overlayChoice;
    SOverlay m_overlayShown;
    CPixelBuffer m_overlay;
    CImageView m_overlayView;
    bool m_overlayActive = false;
};
