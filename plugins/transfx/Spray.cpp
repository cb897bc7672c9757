// Spray: B spreads from the top-left corner (top-right for "Right to Left")
// as a quarter disc with a ragged, sparkling edge, its content first smeared
// along rays from the corner and then settling. The ragged edge comes from
// the generator seeded with 234 at every frame, so a frame depends on its
// number alone. Drawn in the picture's own top-down order.
#include "plugins/transfx/Random.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <cstring>

namespace {

class CSpray : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kLeftToRight = 0, kRightToLeft = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int flipped) override {
        if (flipped)
            ToTopDown(d, ds, a, as, b, bs);
        const int W = m_width, H = m_height, n = m_frameCount;
        std::uint32_t state = 234;
        const int first = transfx::NextRand(state);
        transfx::RandState() = state;
        // The last frame would still show A far from the corner, where the
        // ragged threshold falls short, and B one pixel off along the rays.
        if (CopyEnd(i, d, ds, a, as, b, bs))
            return 0;
        const double progress = double(i) / (n - 1);
        const long long o = (long long)(progress * ((long long)W * W + (long long)H * H));
        const float m = float(progress * 0.9);
        const float t = m * (2 - m) * 1.010101f;
        const long long v = o / 2 + 1;
        std::int32_t u = std::int32_t(first % v);
        const bool mirrored = Param(0) == kRightToLeft;
        for (int y = 0; y < H; ++y) {
            const std::uint8_t* rowA = RowOf(a, as, y);
            std::uint8_t* out = RowOf(d, ds, y);
            const long long y2 = (long long)y * y;
            for (int x = 0; x < W; ++x) {
                const long long T = o + u % v;
                u = std::int32_t(std::uint32_t(u) * 7919u);
                const long long s = y2 + (long long)x * x;
                const int to = mirrored ? W - 1 - x : x;
                const std::uint8_t* in;
                if (s < T) {
                    // Exact integer quotients: both operands are far below
                    // 2^53, so the double quotient truncates correctly.
                    const int ar = int(double(W * s) / double(T));
                    const int r = x != 0 ? std::min(int((long long)y * ar / x), H - 1) : y;
                    const int row = r + int(t * float(y - r));
                    const int col = ar + int(t * float(x - ar));
                    in = RowOf(b, bs, row) + 4 * std::ptrdiff_t(mirrored ? W - 1 - col : col);
                } else {
                    in = rowA + 4 * std::ptrdiff_t(to);
                }
                std::memcpy(out + 4 * std::ptrdiff_t(to), in, 4);
            }
        }
        return 0;
    }
};

} // namespace

CTransition* transfx::MakeSpray(const STransitionInfo& info) { return new CSpray(info); }
