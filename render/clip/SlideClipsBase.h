#pragma once

#include "render/clip/IntClipPipeline.h"
#include "render/clock/TimerBase.h"
#include "render/clock/TimerProcs.h"
#include "render/frame/ImageView.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CBufferedFrame;
class CFrameSrc;
class CFrameSrcImage;
class CPictureStore;

// What both slide renderers share: the target frames, the slide's frame
// count, the background (a colour, or a picture rendered once into its own
// layer) and the clip list. The renderer draws one frame on its clock worker
// whenever the clock moves and publishes it; loading, clearing and editing
// take the same lock as drawing, so a frame never sees a half-built slide.
class CSlideClipsBase : public ITimerEventProc {
public:
    CSlideClipsBase(CBufferedFrame& target, double pixelAspect, CTimerBase& clock);
    CSlideClipsBase(const CSlideClipsBase&) = delete;
    CSlideClipsBase& operator=(const CSlideClipsBase&) = delete;
    virtual ~CSlideClipsBase();

    // The clock worker's callback: draws the clock's frame and publishes it.
    void OnEvent() override;

    // New clips (not yet added); null when the picture or clip cannot be opened.
    // Pictures are decoded for the box maxWidth x maxHeight, which a stretched
    // picture covers (cover) and others fit inside (see CFrameSrcImage); with
    // a picture store, a picture decoded for the same box before is shown
    // instead (the file is not read again), and a new one is kept for later.
    std::unique_ptr<CIntClipPipeline> AddPicture(const std::string& path, bool autoLevel,
                                                 double brightness, double contrast,
                                                 int maxWidth, int maxHeight, bool cover = false);
    // name is the file the bytes come from, for reports.
    std::unique_ptr<CIntClipPipeline>
    AddPictureFromMemory(const std::string& name, const std::uint8_t* bytes, std::size_t length,
                         bool autoLevel, double brightness, double contrast, int maxWidth,
                         int maxHeight, bool cover = false);
    // The picture of name as the store keeps it for the box; null when the
    // store does not hold it (then the file must be read).
    std::unique_ptr<CIntClipPipeline> AddKeptPicture(const std::string& name, bool autoLevel,
                                                     double brightness, double contrast,
                                                     int maxWidth, int maxHeight,
                                                     bool cover = false);
    std::unique_ptr<CIntClipPipeline> AddSamplePicture(int id);
    // A transparent stand-in for a picture or clip that cannot be opened:
    // it keeps the item's place, so the rest of the slide is drawn as
    // meant and that place shows what lies beneath.
    std::unique_ptr<CIntClipPipeline> AddEmptyPicture();
    // end < 0: to the clip's end.
    std::unique_ptr<CIntClipPipeline> AddVideo(const std::string& path, double start, double end);

    // Pictures added or set as background from now on are decoded as drafts
    // where that is much faster (see CFrameSrcImage::SetDraft). Set before
    // anything loads: the loader worker reads it.
    void SetDraftPictures(bool draft) { m_draftPictures = draft; }
    // The store through which pictures are shared (null: none, each clip
    // decodes its own). Set before anything loads, like the draft flag.
    void SetPictureStore(CPictureStore* store) { m_store = store; }

    // Inserts after the selected clip (or appends) and selects it; the index or -1.
    int AddClip(std::unique_ptr<CIntClipPipeline> clip, bool renderNow = false);
    // -1 selects the last clip, -2 none.
    void Select(int index);
    [[nodiscard]] CIntClipPipeline* Selected() const;
    [[nodiscard]] int SelectedIndex() const { return m_selected; }
    [[nodiscard]] int ClipCount() const;

    // N = seconds x fps rounded; every clip takes it. False when a clip refuses.
    bool SetDuration(double seconds);
    [[nodiscard]] int FrameCount() const { return m_frames; }
    // A Windows colour 0x00BBGGRR; drawn opaque.
    void SetBackgroundColour(std::uint32_t colorref);
    [[nodiscard]] std::uint32_t BackgroundColour() const { return m_background; }
    // A picture from bytes (when given) or its file, stretched (mode 1) or
    // filling the frame (mode 2). False leaves the colour.
    bool SetBackgroundPicture(const std::string& path, const std::vector<std::uint8_t>* bytes,
                              int mode);

    // Attaches to the clock at a start offset and draws one frame, waiting.
    bool Start(int startOffset);
    // Leaves the clock and drops clips and background; the renderer is empty.
    void Stop();
    [[nodiscard]] bool IsStarted() const { return m_event != nullptr; }
    [[nodiscard]] CBufferedFrame& Target() const { return m_target; }
    [[nodiscard]] double ClockRate() const { return m_clock.GetFrameRate(); }
    // The frame's pixel aspect, width over height.
    [[nodiscard]] double PixelAspect() const { return m_pixelAspect; }

protected:
    // Draws clip frame f into the back buffer; true publishes it. Called
    // under the lock.
    virtual bool RenderFrame(int frame) = 0;
    // A clip of this renderer's kind over a source.
    virtual std::unique_ptr<CIntClipPipeline> MakeClip(std::unique_ptr<CFrameSrc> source) = 0;
    // Hooks, called under the lock.
    virtual bool OnClipAdded(int /*previous*/, CIntClipPipeline* /*clip*/) { return true; }
    virtual bool OnFrameCountChanged() { return true; }
    virtual void OnCleared() {}

    // Fills the back buffer with the colour, or copies the background layer.
    bool DrawBackground();
    [[nodiscard]] bool HasBackgroundPicture() const { return m_backgroundClip != nullptr; }
    [[nodiscard]] const CImageView& BackgroundLayer() const;
    void DrawNow();

    mutable std::recursive_mutex m_lock;
    CBufferedFrame& m_target;
    double m_pixelAspect;
    CTimerBase& m_clock;
    std::vector<std::unique_ptr<CIntClipPipeline>> m_clips;
    int m_selected = -1;
    int m_frames = 0;
    int m_startOffset = 0;

private:
    std::unique_ptr<CIntClipPipeline> Prepare(std::unique_ptr<CFrameSrc> source);
    // A picture source set up for loading: draft and box reading.
    std::unique_ptr<CFrameSrcImage> NewPicture(bool cover) const;
    // Loads through load unless the store holds the picture, and keeps what
    // load decoded in the store.
    std::unique_ptr<CIntClipPipeline> AddShared(const std::string& name, int maxWidth,
                                                int maxHeight, bool cover, bool autoLevel,
                                                double brightness, double contrast,
                                                const std::function<bool(CFrameSrcImage&)>& load);

    std::uint32_t m_background = 0xFF000000u;
    bool m_draftPictures = false;
    CPictureStore* m_store = nullptr;
    std::unique_ptr<CIntClipPipeline> m_backgroundClip;
    CTimerBase::CTimerEvent* m_event = nullptr;
};
