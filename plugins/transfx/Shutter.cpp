// Shutter: two shutters of B close from both edges toward the middle with a
// soft edge 2b pixels wide.
#include "imgcore/CPU.h"
#include "imgcore/PixelMath.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <cstring>

namespace {

class CShutter : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kHorizontal = 0, kVertical = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height, n = m_frameCount;
        const int blend = std::max(Param(0), 1); // the range keeps it 20 … 80
        const bool vertical = Param(1) == kVertical;
        CCPU::ippiCopy_8u_C4R(a, as, d, ds, {W, H});
        const int L = vertical ? H : W;
        // The shutter's edge; at the last frame lo = ⌊L/2 + 1⌋, so B covers all.
        const int x = int((4.0 * blend + L) / (2.0 * n - 2.0) * i - blend + 1);
        const int lo = x - blend, hi = x + blend;
        const int end = std::min(hi, L / 2 + 1);
        if (vertical) {
            const std::size_t rowBytes = std::size_t(W) * 4;
            for (int r = 0; r < lo; ++r) {
                std::memcpy(RowOf(d, ds, r), RowOf(b, bs, r), rowBytes);
                std::memcpy(RowOf(d, ds, H - 1 - r), RowOf(b, bs, H - 1 - r), rowBytes);
            }
            for (int r = std::max(lo, 0); r < end; ++r) {
                const int k = (hi - r) * 255 / (2 * blend);
                for (int row : {r, H - 1 - r})
                    CCPU::ippiAlphaCompC_8u_AC4R(RowOf(a, as, row), as, Ipp8u(255 - k),
                                                 RowOf(b, bs, row), bs, Ipp8u(k),
                                                 RowOf(d, ds, row), ds, {W, 1}, ippAlphaPlus);
            }
            return 0;
        }
        for (int y = 0; y < H; ++y) {
            std::uint8_t* o = RowOf(d, ds, y);
            const std::uint8_t* pa = RowOf(a, as, y);
            const std::uint8_t* pb = RowOf(b, bs, y);
            if (lo > 0) {
                std::memcpy(o, pb, std::size_t(lo) * 4);
                std::memcpy(o + 4 * std::ptrdiff_t(W - lo), pb + 4 * std::ptrdiff_t(W - lo),
                            std::size_t(lo) * 4);
            }
            for (int c = std::max(lo, 0); c < end; ++c) {
                const int k = (hi - c) * 255 / (2 * blend);
                for (int col : {c, W - 1 - c})
                    for (int ch = 0; ch < 3; ++ch)
                        o[4 * col + ch] = Blend8(pa[4 * col + ch], pb[4 * col + ch], k);
            }
        }
        return 0;
    }
};

} // namespace

CTransition* transfx::MakeShutter(const STransitionInfo& info) { return new CShutter(info); }
