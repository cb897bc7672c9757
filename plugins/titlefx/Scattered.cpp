// Scattered: each character flies home from its own point of the frame while
// it fades in. The points come from a fixed sequence, so they are the same in
// every frame and every run.
#include "plugins/titlefx/Random.h"
#include "plugins/titlefx/TextEffect.h"

namespace {

class CScattered : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    int RenderIn(int t, int L) override {
        // The module generator restarts from a fixed seed on every call, so
        // the shaking captions drawn after a scattered one repeat as well.
        titlefx::SeedRand(234);
        return Stepped(t, L, m_phase < 0, [](IEffectGlyphSrc* g, const SCharStep& c) {
            double x = 0, y = 0;
            SEffectRect box;
            BoxOf(g, &box, &x, &y);
            const double sx = StartPoint(c.index) * 0.01 - 0.5;
            const double sy = StartPoint(c.index + 1) * 0.01 - 0.5;
            const double away = 1 - c.progress;
            return Draw(g, 1, 1, away * (sx - x), away * (sy - y), 0, c.progress);
        });
    }

    // u_j of u_0 = 95, u_{j+1} = 7·u_j mod 101, i.e. 95·7^j mod 101: 95, 59,
    // 9, 63, 37, … Character j starts at (u_j, u_{j+1}) hundredths of the frame
    // from its lower left corner.
    static int StartPoint(int j) {
        int u = 95, power = 7;
        for (unsigned e = unsigned(j); e; e >>= 1) {
            if (e & 1)
                u = u * power % 101;
            power = power * power % 101;
        }
        return u;
    }
};

} // namespace

CTextEffect* titlefx::MakeScattered(const STextEffectInfo& info) { return new CScattered(info); }
