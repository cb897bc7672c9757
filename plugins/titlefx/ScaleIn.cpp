// Scale-in: each character grows from nothing while it fades in.
#include "plugins/titlefx/TextEffect.h"

namespace {

class CScaleIn : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    int RenderIn(int t, int L) override {
        return Stepped(t, L, m_phase < 0, [](IEffectGlyphSrc* g, const SCharStep& c) {
            return Draw(g, c.progress, c.progress, 0, 0, 0, c.progress);
        });
    }
};

} // namespace

CTextEffect* titlefx::MakeScaleIn(const STextEffectInfo& info) { return new CScaleIn(info); }
