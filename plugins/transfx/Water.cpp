// Water: the pictures shimmer as through moving water while A fades to B;
// the displacement comes from the three fractal noise tables, drifting with
// the frame number, and is strongest at mid-transition, where the picture is
// also shifted by up to 16 pixels. Each frame depends on its number alone.
#include "imgcore/PixelMath.h"
#include "plugins/transfx/NoiseTables.h"
#include "plugins/transfx/Random.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>

namespace {

class CWater : public CTransition {
public:
    explicit CWater(const transfx::STransitionInfo& info) : CTransition(info) {
        transfx::NoiseTables();
    }

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        // Water draws no random numbers; the reseed fixes what later
        // transitions on this thread draw.
        transfx::SeedRand(812);
        const int W = m_width, H = m_height, n = m_frameCount;
        const double x = double(2 * i - n + 1) / (n - 1);
        const double u2 = 1 - x * x;
        const int e = int(u2 * 16 + 0.5);
        // The weight stops at 255 by the formula; the last frame takes 256,
        // which is B exactly (there the displacement is zero).
        const int k = i == n - 1 ? 256 : MulDiv(i, 255, n - 1);
        const int p = (2 * i + 1) & 255, q = (3 * i - 1) & 255;
        const auto& t = transfx::NoiseTables().t;
        for (int y = 0; y < H; ++y) {
            const int v = e + y;
            const std::uint8_t* r1 = t[0][v & 255];
            const std::uint8_t* r2 = t[1][(v + p) & 255];
            const std::uint8_t* r3 = t[2][v & 255];
            std::uint8_t* o = RowOf(d, ds, y);
            for (int col = 0; col < W; ++col, o += 4) {
                const int u = e + col;
                const int r = ((r1[u & 255] + r2[(u + q) & 255] + r3[(u + p) & 255]) / 3 >> 3) - 32;
                const int shift = int(u2 * r);
                const int sx = std::clamp(u + shift, 0, W - 1), sy = std::clamp(v + shift, 0, H - 1);
                const std::uint8_t* pa = RowOf(a, as, sy) + 4 * std::ptrdiff_t(sx);
                const std::uint8_t* pb = RowOf(b, bs, sy) + 4 * std::ptrdiff_t(sx);
                Blend8Colour(o, pa, pb, k);
            }
        }
        return 0;
    }
};

} // namespace

CTransition* transfx::MakeWater(const STransitionInfo& info) { return new CWater(info); }
