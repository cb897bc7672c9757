// Elastic Horizontal and Vertical: each character springs along one axis, in
// the first half of its animation from half its size to four times, in the
// second half back to its size. Only that axis is scaled.
#include "plugins/titlefx/TextEffect.h"

namespace {

class CElastic : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    int RenderIn(int t, int L) override {
        const bool out = m_phase < 0;
        const bool vertical = m_variant != 0;
        return Stepped(t, L, out, [out, vertical](IEffectGlyphSrc* g, const SCharStep& c) {
            double scale;
            if (c.second)
                scale = out ? 1 + 3 * c.rs : 4 - 3 * c.rs;
            else
                scale = out ? 4 - 3.5 * c.rs : 0.5 + 3.5 * c.rs;
            return vertical ? Draw(g, 1, scale, 0, 0, 0, 1) : Draw(g, scale, 1, 0, 0, 0, 1);
        });
    }
};

} // namespace

CTextEffect* titlefx::MakeElastic(const STextEffectInfo& info) { return new CElastic(info); }
