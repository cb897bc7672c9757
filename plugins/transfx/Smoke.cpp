// Smoke: smoke of level Brightness, densest at mid-transition, drifts over a
// cross-fade; it is read from the three fractal noise tables at offsets that
// move with the frame number. "Left to Right" runs it backwards, so the
// drift goes the other way. Each frame depends on its number alone.
#include "imgcore/CPU.h"
#include "imgcore/PixelMath.h"
#include "plugins/transfx/NoiseTables.h"
#include "plugins/transfx/Random.h"
#include "plugins/transfx/Transition.h"

namespace {

class CSmoke : public CTransition {
public:
    explicit CSmoke(const transfx::STransitionInfo& info) : CTransition(info) {
        transfx::NoiseTables();
    }

    enum EDirection { kRightToLeft = 0, kLeftToRight = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        // Smoke draws no random numbers; the reseed fixes what later
        // transitions on this thread draw.
        transfx::SeedRand(812);
        if (Param(1) == kLeftToRight)
            Reverse(i, a, as, b, bs);
        const int W = m_width, H = m_height, n = m_frameCount;
        const int level = Param(0);
        const double m = double(2 * i - n + 1) / (n - 1);
        const int t = int((m / 2 + 0.5) * (m / 2 + 0.5) * 255);
        const double u = 1 - m * m;
        CCPU::ippiAlphaCompC_8u_AC4R(a, as, Ipp8u(255 - t), b, bs, Ipp8u(t), d, ds, {W, H},
                                     ippAlphaPlus);
        if (u <= 0)
            return 0; // no smoke at the ends: the pictures themselves
        const int p = (2 * i + 1) & 255, q = (3 * i - 1) & 255;
        const auto& tables = transfx::NoiseTables().t;
        for (int y = 0; y < H; ++y) {
            const std::uint8_t* r1 = tables[0][y & 255];
            const std::uint8_t* r2 = tables[1][(y + p) & 255];
            const std::uint8_t* r3 = tables[2][y & 255];
            std::uint8_t* o = RowOf(d, ds, y);
            for (int x = 0; x < W; ++x, o += 4) {
                const int P = r1[x & 255] + r2[(x + q) & 255] + r3[(x + p) & 255];
                const int Q = int((P / 3 + 64) * u);
                o[0] = ClampByte(o[0] + ((level - o[0]) * Q >> 8));
                o[1] = ClampByte(o[1] + ((level - o[1]) * Q >> 8));
                o[2] = ClampByte(o[2] + ((level - o[2]) * Q >> 8));
            }
        }
        return 0;
    }
};

} // namespace

CTransition* transfx::MakeSmoke(const STransitionInfo& info) { return new CSmoke(info); }
