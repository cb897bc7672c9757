// Expansion Morph: columns near a point that travels across the frame are
// pulled strongly, A's toward the left and B's toward the right, while the
// frame edges stay anchored and A fades to B. "Right to Left" mirrors it.
#include "imgcore/PixelMath.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

class CExpansionMorph : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kLeftToRight = 0, kRightToLeft = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height, n = m_frameCount;
        // The weight stops at 255 by the formula; the last frame takes 256,
        // which is B exactly (B's columns are unmoved there).
        const int k = i == n - 1 ? 256 : MulDiv(i, 255, n - 1);
        // Frames of 40 columns or fewer leave the point no room to travel:
        // they cross-fade without moving columns.
        const int span = std::max(W - 40, 0);
        const int G = MulDiv(i, span, n - 1);
        const double* S = m_weight.data();
        const bool mirrored = Param(0) == kRightToLeft;
        for (int x = 0; x < W; ++x) {
            int mA = x, mB = x;
            if (span > 0) {
                const double near = S[std::abs(x - G - 20)];
                const double lambda = near / (near + S[W - x] + S[x]);
                mA = std::clamp(x - int(G * lambda), 0, W - 1);
                mB = std::clamp(x + int(lambda * (W - G - 40)), 0, W - 1);
            }
            SColumn& c = m_columns[std::size_t(x)];
            c.to = 4 * (mirrored ? W - 1 - x : x);
            c.a = 4 * (mirrored ? W - 1 - mA : mA);
            c.b = 4 * (mirrored ? W - 1 - mB : mB);
        }
        for (int y = 0; y < H; ++y) {
            const std::uint8_t* pa = RowOf(a, as, y);
            const std::uint8_t* pb = RowOf(b, bs, y);
            std::uint8_t* o = RowOf(d, ds, y);
            for (const SColumn& c : m_columns) {
                o[c.to] = Blend8(pa[c.a], pb[c.b], k);
                o[c.to + 1] = Blend8(pa[c.a + 1], pb[c.b + 1], k);
                o[c.to + 2] = Blend8(pa[c.a + 2], pb[c.b + 2], k);
            }
        }
        return 0;
    }

private:
    // S[0] = 100, S[k] = 1/√k, and the per-column sources, rebuilt with the width.
    bool OnSizeChanged() override {
        try {
            m_weight.assign(std::size_t(m_width) + 1, 0.0);
            m_columns.assign(std::size_t(m_width), SColumn{});
        } catch (...) {
            return false;
        }
        m_weight[0] = 100;
        for (int k = 1; k <= m_width; ++k)
            m_weight[std::size_t(k)] = 1 / std::sqrt(double(k));
        return true;
    }

    struct SColumn {
        int to = 0, a = 0, b = 0; // byte offsets in the rows of D, A and B
    };
    std::vector<double> m_weight;
    std::vector<SColumn> m_columns;
};

} // namespace

CTransition* transfx::MakeExpansionMorph(const STransitionInfo& info) {
    return new CExpansionMorph(info);
}
