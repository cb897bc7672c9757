#pragma once

#include "encode/VideoSrc.h"
#include "render/AlbumDirector.h"
#include "render/clock/TimerGenerate.h"

#include <memory>
#include <vector>

class CAlbum;
class CEffectMgr;
class IAssetLoader;

// An album as the encoders' video source: a clock that waits for every
// renderer on each frame change, and a director built for the output format.
class CAlbumFrameSrc final : public IVideoSrc {
public:
    explicit CAlbumFrameSrc(bool withCaptions, CEffectMgr* effects = nullptr);
    ~CAlbumFrameSrc() override;

    // The overlay pictures the album is shown with (none until set); takes
    // effect at the next SetOutputFormat.
    void SetOverlay(const SOverlayChoice& overlay) { m_overlay = overlay; }

    // Remembers the album; loads it when the output format is known already.
    bool SetAlbum(CAlbum* album, IAssetLoader* assets);

    // outputRect, when given and smaller than the frame, is where the album
    // is drawn: the rest of each frame is opaque black (bars).
    int SetOutputFormat(const int size[2], double pixelAspect, double frameRate, int reserved,
                        const SRect* outputRect) override;
    double GetFrameRate() override { return m_clock.GetFrameRate(); }
    void GetFrameSize(int* width, int* height) override;
    unsigned int GetFrameCount() override;
    const std::uint8_t* GetFrame(int frame, int* stride) override;

    [[nodiscard]] CAlbumDirector* Director() const { return m_director.get(); }

private:
    bool Load();

    bool m_withCaptions;
    CEffectMgr* m_effects;
    SOverlayChoice m_overlay;
    CAlbum* m_album = nullptr;
    IAssetLoader* m_assets = nullptr;
    int m_width = 0, m_height = 0;
    double m_pixelAspect = 1.0;
    // With bars: the album's place and whole frames, bottom-up.
    SRect m_albumRect{};
    std::vector<std::uint8_t> m_barred;
    // The clock outlives the director, whose renderers are its workers.
    CTimerGenerate m_clock;
    std::unique_ptr<CAlbumDirector> m_director;
};
