// Confetti: the picture breaks into small square cells that drift toward
// random points while shrinking, each vanishing at the end of its own random
// life; "In" runs the frame number backwards so B's cells gather into place,
// "Away and In" does both over a black background. The generator is seeded
// with 234 at every frame, so frames are deterministic.
#include "imgcore/CPU.h"
#include "plugins/transfx/Random.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kSeed = 234;
constexpr int kCellsAcross = 24;

class CConfetti : public CTransition {
public:
    using CTransition::CTransition;

    enum EMode { kAwayAndIn = 0, kAway = 1, kIn = 2 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height, n = m_frameCount;
        // The moving picture, the frame number f its cells use and their life
        // base e. Cells live while f < Lc ≤ e, so at f = 0 every cell is in
        // place and at f = n − 1 with e = n − 1 none is left: the first and
        // last frames are the pictures.
        const std::uint8_t* mover = a;
        int ms = as, f = i, e = n - 1;
        switch (Param(0)) {
        case kAway:
            CCPU::ippiCopy_8u_C4R(b, bs, d, ds, {W, H});
            break;
        case kIn:
            CCPU::ippiCopy_8u_C4R(a, as, d, ds, {W, H});
            mover = b;
            ms = bs;
            f = n - 1 - i;
            break;
        default: // A goes away over black in the first half, B comes in in the second
            if (i < n / 2) {
                e = n / 2;
            } else {
                mover = b;
                ms = bs;
                f = n - 1 - i;
                e = n - n / 2;
            }
            break;
        }
        // Frames narrower than 24 pixels get cells of one pixel.
        const int g = std::max(W / kCellsAcross, 1);
        std::uint32_t state = kSeed;
        for (int y0 = 0; y0 < H; y0 += g) {
            const int v = std::min(g, H - y0);
            for (int x0 = 0; x0 < W; x0 += g) {
                const int u = std::min(g, W - x0);
                const int r1 = transfx::NextRand(state);
                const int life = e - transfx::NextRand(state) % (f + 1);
                if (f >= life)
                    continue;
                // Shrinking toward one pixel, drifting toward (r1 mod W, r1·H/32767).
                const int cw = u + MulDiv(1 - u, f, life), chh = v + MulDiv(1 - v, f, life);
                const int x = x0 + MulDiv(r1 % W - x0, f, life);
                const int y = y0 + MulDiv(MulDiv(r1, H, transfx::kRandMax) - y0, f, life);
                // The corner stays inside the frame; the part of the cell past
                // the right or bottom edge is not drawn.
                CCPU::ippiResize_8u_C4R(RowOf(mover, ms, y0) +
                                            4 * std::ptrdiff_t(x0),
                                        {u, v}, ms, {0, 0, u, v},
                                        RowOf(d, ds, y) + 4 * std::ptrdiff_t(x), ds,
                                        {std::min(cw, W - x), std::min(chh, H - y)},
                                        double(cw) / u, double(chh) / v, IPPI_INTER_NN);
            }
        }
        transfx::RandState() = state;
        return 0;
    }
};

} // namespace

CTransition* transfx::MakeConfetti(const STransitionInfo& info) { return new CConfetti(info); }
