#pragma once

#include "render/text/TxtTracks.h"

#include <map>
#include <memory>

class CBufferedFrame;
class CEffect;
class CEffectMgr;
class CSlide;
class CTimerBase;
class CTxtRender;

// Fills an album's caption layer from its slides' captions, each with a
// fresh instance of its text effect from a catalogue of its own, and
// releases those instances when cleared.
class CAlbumTextBuilder {
public:
    // effects: the catalogue to take text effects from (null: the program's
    // plug-in folder, scanned on first use).
    CAlbumTextBuilder(CBufferedFrame& layer, double pixelAspect, CTimerBase& clock,
                      CEffectMgr* effects = nullptr);
    CAlbumTextBuilder(const CAlbumTextBuilder&) = delete;
    CAlbumTextBuilder& operator=(const CAlbumTextBuilder&) = delete;
    ~CAlbumTextBuilder();

    // The slide's captions, timed from the slide's start (its incoming
    // transition) in seconds; fields in their texts filled in.
    void AddSlideCaptions(const CSlide& slide, double slideStart, int slideNumber, int slideCount);
    bool Start(int offset) { return m_tracks.Start(offset); }
    void Clear();
    [[nodiscard]] CTxtTracks& Tracks() { return m_tracks; }

private:
    CTxtTracks m_tracks;
    std::unique_ptr<CEffectMgr> m_ownEffects;
    CEffectMgr* m_effects;
    std::map<CTxtRender*, CEffect*> m_instances;
};
