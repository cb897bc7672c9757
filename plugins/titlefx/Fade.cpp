// Fade: the string fades in, and out again by the in phase played backwards.
#include "plugins/titlefx/TextEffect.h"

namespace {

class CFade : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    int RenderIn(int t, int L) override {
        return Draw(m_string, 1, 1, 0, 0, 0, Progress(t, L));
    }
};

} // namespace

CTextEffect* titlefx::MakeFade(const STextEffectInfo& info) { return new CFade(info); }
