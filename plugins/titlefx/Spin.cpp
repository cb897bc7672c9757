// Spin: the string makes one full turn while it grows from a quarter of its
// size and fades in.
#include "plugins/titlefx/TextEffect.h"

namespace {

class CSpin : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    int RenderIn(int t, int L) override {
        const double x = Progress(t, L);
        const double v = 0.75 * x + 0.25;
        // Angles stay within one turn either side: 2x − 2 past half a turn.
        double angle = 2 * x;
        if (angle > 1)
            angle -= 2;
        return Draw(m_string, v, v, 0, 0, angle, v);
    }
};

} // namespace

CTextEffect* titlefx::MakeSpin(const STextEffectInfo& info) { return new CSpin(info); }
