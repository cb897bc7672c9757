// Cross: two copies of the string come in from the right and the left edge
// and meet at rest while they fade in.
#include "plugins/titlefx/TextEffect.h"

namespace {

class CCross : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    int RenderIn(int t, int L) override {
        SEffectRect box;
        if (!BoxOf(m_string, &box) || m_width <= 0)
            return 1;
        const double x = Progress(t, L);
        const double opacity = 0.75 * x + 0.25;
        const double W = m_width;
        const int result = Draw(m_string, 1, 1, (W - box.left) / W * (1 - x), 0, 0, opacity);
        if (!result)
            return result;
        return Draw(m_string, 1, 1, -box.right / W * (1 - x), 0, 0, opacity);
    }
};

} // namespace

CTextEffect* titlefx::MakeCross(const STextEffectInfo& info) { return new CCross(info); }
