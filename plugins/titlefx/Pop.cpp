// Pop-in and Pop-out, character by character. Pop-in: each character shrinks
// from four times its size while it fades in. Pop-out: each character grows to
// four times its size while it fades out.
#include "plugins/titlefx/TextEffect.h"

namespace {

class CPop : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    int RenderIn(int t, int L) override {
        const bool out = m_variant != 0;
        return Stepped(t, L, m_phase < 0, [out](IEffectGlyphSrc* g, const SCharStep& c) {
            const double p = out ? 1 - c.progress : c.progress;
            const double scale = 4 - 3 * p;
            return Draw(g, scale, scale, 0, 0, 0, p);
        });
    }
};

} // namespace

CTextEffect* titlefx::MakePop(const STextEffectInfo& info) { return new CPop(info); }
