#include "render/text/AlbumTextBuilder.h"

#include "effects/Effect.h"
#include "effects/EffectMgr.h"
#include "project/Slide.h"
#include "project/TextCaption.h"
#include "render/text/CaptionFields.h"

CAlbumTextBuilder::CAlbumTextBuilder(CBufferedFrame& layer, double pixelAspect, CTimerBase& clock,
                                     CEffectMgr* effects)
    : m_tracks(layer, pixelAspect, clock, true), m_effects(effects) {
    if (!m_effects) {
        m_ownEffects = std::make_unique<CEffectMgr>();
        m_effects = m_ownEffects.get();
    }
}

CAlbumTextBuilder::~CAlbumTextBuilder() { Clear(); }

void CAlbumTextBuilder::AddSlideCaptions(const CSlide& slide, double slideStart, int slideNumber,
                                         int slideCount) {
    for (int i = 0; i < slide.GetCaptionCount(); ++i) {
        const CTextCaption& caption = *slide.GetCaption(i);
        CEffect* effect = nullptr;
        if (!caption.m_effect.empty()) {
            m_effects->Scan();
            if (CEffect* prototype = m_effects->Find(kEffectText, caption.m_effect))
                effect = prototype->MakeInstance();
        }
        CStyledString style = caption.m_text;
        style.m_text = CaptionFields::Substitute(caption.m_text.m_text, slide, slideNumber, slideCount);
        CTxtRender* added = m_tracks.Add(style, caption.m_x, caption.m_y,
                                         slideStart + caption.m_start, caption.m_duration,
                                         caption.m_effectInOut, effect);
        if (added && effect)
            m_instances[added] = effect;
        else if (effect)
            effect->Release();
    }
}

void CAlbumTextBuilder::Clear() {
    m_tracks.Clear();
    for (auto& [caption, effect] : m_instances)
        effect->Release();
    m_instances.clear();
}
