// Stretch: the string narrows from twice its width while it fades in.
#include "plugins/titlefx/TextEffect.h"

namespace {

class CStretch : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    int RenderIn(int t, int L) override {
        const double x = Progress(t, L);
        return Draw(m_string, 2 - x, 1, 0, 0, 0, x);
    }
};

} // namespace

CTextEffect* titlefx::MakeStretch(const STextEffectInfo& info) { return new CStretch(info); }
