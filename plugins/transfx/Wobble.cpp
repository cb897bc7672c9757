// Wobble: every pixel of the cross-fade is pushed along a sine wave, its row
// shifted by the wave at its column and its column by the wave at its row,
// with an amplitude of up to Intensity pixels at mid-transition. Pixels that
// receive nothing stay black.
#include "imgcore/PixelMath.h"
#include "plugins/transfx/SineTable.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <numbers>
#include <vector>

namespace {

class CWobble : public CTransition {
public:
    using CTransition::CTransition;

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height, n = m_frameCount;
        const double f = double(2 * i - n + 1) / (n - 1);
        const int c = int((1 - f * f) * Param(0));
        // The weight stops at 255 by the formula; the last frame takes 256,
        // which is B exactly (the amplitude is 0 there).
        const int g = i == n - 1 ? 256 : int((f / 2 + 0.5) * (f / 2 + 0.5) * 255);
        const CSineTable& table = CSineTable::Get();
        const int count = std::max(W, H);
        for (int k = 0; k < count; ++k)
            m_offset[std::size_t(k)] = int(c * table.Sin(i + k / (16 * std::numbers::pi)));
        const int* offset = m_offset.data();
        for (int y = 0; y < H; ++y) {
            const std::uint8_t* pa = RowOf(a, as, y);
            const std::uint8_t* pb = RowOf(b, bs, y);
            const int tx = offset[y];
            for (int x = 0; x < W; ++x) {
                // Row and column 0 take what lands on them like any other:
                // leaving them out would draw a black line along two edges.
                const int dx = x + tx, dy = y + offset[x];
                if (dx < 0 || dx >= W || dy < 0 || dy >= H)
                    continue;
                std::uint8_t* o = RowOf(d, ds, dy) + 4 * std::ptrdiff_t(dx);
                o[0] = Blend8(pa[4 * x], pb[4 * x], g);
                o[1] = Blend8(pa[4 * x + 1], pb[4 * x + 1], g);
                o[2] = Blend8(pa[4 * x + 2], pb[4 * x + 2], g);
            }
        }
        return 0;
    }

private:
    bool OnSizeChanged() override {
        try {
            m_offset.assign(std::size_t(std::max(m_width, m_height)), 0);
        } catch (...) {
            return false;
        }
        return true;
    }

    std::vector<int> m_offset; // the wave, per row or column
};

} // namespace

CTransition* transfx::MakeWobble(const STransitionInfo& info) { return new CWobble(info); }
