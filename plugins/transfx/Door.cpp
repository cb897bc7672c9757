// Door: the two halves of the picture are door leaves hinged at the frame's
// edges; they swing open, narrowing in perspective, to show the picture
// behind ("Close Door" runs time backwards, so B's leaves close over A).
#include "imgcore/CPU.h"
#include "plugins/transfx/ColumnWarp.h"
#include "plugins/transfx/Transition.h"

#include <cstdint>

namespace {

class CDoor : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kOpen = 0, kClose = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        if (Param(0) == kClose)
            Reverse(i, a, as, b, bs);
        // P = a on the leaves, Q = b behind them.
        const int W = m_width, H = m_height, n = m_frameCount;
        const int dw = MulDiv(i, W, n - 1); // the opening
        if (dw == 0) {
            // Closed: the leaves are the whole picture. (The leaf formulas
            // give the same on even widths; on odd ones they would leave the
            // middle column and the free edges' corners to Q.)
            CCPU::ippiCopy_8u_C4R(a, as, d, ds, {W, H});
            return 0;
        }
        CCPU::ippiCopy_8u_C4R(b, bs, d, ds, {W, H});
        const int e = (W - dw) / 2;                                   // leaf width
        if (e == 0)
            return 0;
        const int g = int(std::int64_t(e) * H * 2 / W);               // free-edge height
        const int s = 2 * e;                                          // the span both leaves squeeze
        m_warp.Clear();
        for (int j = 0; j < e; ++j) {
            const int l = MulDiv(g - H, j, e); // not positive
            m_warp.Set(j, a, as, MulDiv(j, W, s), -l / 2, H + l, H);
        }
        for (int j = W - e; j < W; ++j) {
            const int q = j + e - W;
            const int o = g + MulDiv(H - g, q, e);
            m_warp.Set(j, a, as, MulDiv(q, W, s) + W / 2, (H - o) / 2, o, H);
        }
        m_warp.Draw(d, ds, 0, H);
        return 0;
    }

private:
    bool OnSizeChanged() override { return m_warp.Resize(m_width); }

    CColumnWarp m_warp;
};

} // namespace

CTransition* transfx::MakeDoor(const STransitionInfo& info) { return new CDoor(info); }
