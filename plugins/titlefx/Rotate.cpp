// Rotate: each character turns through half a turn on its way in and out.
#include "plugins/titlefx/TextEffect.h"

namespace {

class CRotate : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    int RenderIn(int t, int L) override {
        const bool out = m_phase < 0;
        return Stepped(t, L, out, [out](IEffectGlyphSrc* g, const SCharStep& c) {
            return Draw(g, 1, 1, 0, 0, out ? 1 - c.progress : c.progress, 1);
        });
    }
};

} // namespace

CTextEffect* titlefx::MakeRotate(const STextEffectInfo& info) { return new CRotate(info); }
