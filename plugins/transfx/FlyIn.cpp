// Fly In: A tips back like a card falling away until its top is at three
// quarters of the frame height, then recedes into a line about a third of
// the height above the bottom, uncovering B. "Fly Out" runs time backwards:
// B arrives from that line and stands up over A.
#include "imgcore/CPU.h"
#include "plugins/transfx/ColumnWarp.h"
#include "plugins/transfx/Transition.h"

#include <cstdint>

namespace {

class CFlyIn : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kFlyIn = 0, kFlyOut = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int flipped) override {
        if (Param(0) == kFlyOut)
            Reverse(i, a, as, b, bs);
        if (flipped)
            ToTopDown(d, ds, a, as, b, bs);
        // P = a flies, Q = b is the background.
        const int W = m_width, H = m_height, n = m_frameCount;
        CCPU::ippiCopy_8u_C4R(b, bs, d, ds, {W, H});
        const int h = n / 2;
        const int l = 3 * H / 4;
        if (i < h) {
            // The card tips back: its top row t comes down, its top edge
            // narrows in proportion. A first half of one frame (n = 2, 3)
            // is its start: the whole card.
            const int t = h > 1 ? MulDiv(i, l, h - 1) : 0;
            const int vh = H - t;
            const int u = MulDiv(W, vh, H); // top width
            for (int v = 0; v < vh; ++v) {
                const int width = u + MulDiv(W - u, v, vh);
                DrawScaledRow(RowOf(d, ds, t + v), RowOf(a, as, MulDiv(v, H, vh)), W,
                              (W - width) / 2, width, W);
            }
            return 0;
        }
        // The card recedes into a line: its top and bottom widths shrink to
        // nothing between rows y1 and y2. A second half of one frame (n = 2)
        // is its end: the card is gone.
        const int i2 = i - h, n2 = n - h;
        const int tw = MulDiv(H - l, W, H);
        const int u = W > tw ? int(std::int64_t(W) * H / (4 * std::int64_t(W - tw))) : 0;
        const int a1 = n2 > 1 ? tw - MulDiv(tw, i2, n2 - 1) : 0; // top width
        const int a2 = n2 > 1 ? W - MulDiv(W, i2, n2 - 1) : 0;   // bottom width
        const int y1 = MulDiv(u, a1, W) + H - u, y2 = MulDiv(u, a2, W) + H - u;
        for (int k = 0; k < y2 - y1; ++k) {
            const int row = y1 + k;
            if (row < 0 || row >= H)
                continue;
            const int width = a1 + MulDiv(k, a2 - a1, y2 - y1);
            DrawScaledRow(RowOf(d, ds, row), RowOf(a, as, MulDiv(k, H, y2 - y1)), W,
                          (W - width) / 2, width, W);
        }
        return 0;
    }
};

} // namespace

CTransition* transfx::MakeFlyIn(const STransitionInfo& info) { return new CFlyIn(info); }
