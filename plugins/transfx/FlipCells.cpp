// Flip Cells: a grid of cells flips one after the other, in a diagonal wave
// from the top-left corner; each cell turns about its vertical axis with a
// shear, A on its front and B on its back. "Right to Left" runs time
// backwards.
#include "plugins/transfx/ColumnWarp.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>

namespace {

class CFlipCells : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kLeftToRight = 0, kRightToLeft = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int flipped) override {
        if (Param(1) == kRightToLeft)
            Reverse(i, a, as, b, bs);
        if (flipped)
            ToTopDown(d, ds, a, as, b, bs);
        const int W = m_width, H = m_height, n = m_frameCount;
        const int c = std::max(Param(0), 1);
        // Frames smaller than the cell count get cells of one pixel.
        const int cw = std::max(W / c, 1), ch = std::max(H / c, 1);
        const int columns = (W + cw - 1) / cw, rows = (H + ch - 1) / ch;
        // Cell (r, k) starts turning at progress δ(r + k) and turns for half
        // of the transition, so every cell shows B at the last frame.
        const float delta = float(0.5 / (rows + columns - 1));
        const float progress = float(double(i) / (n - 1));
        for (int r = 0; r < rows; ++r) {
            const int y0 = r * ch, chc = std::min(ch, H - y0);
            const std::uint8_t* rowA = RowOf(a, as, y0);
            const std::uint8_t* rowB = RowOf(b, bs, y0);
            m_warp.Clear();
            for (int k = 0; k < columns; ++k) {
                const int x0 = k * cw, cwc = std::min(cw, W - x0);
                const float g = progress - (delta * float(r) + delta * float(k));
                if (g < 0 || g >= 0.5f) {
                    for (int x = x0; x < x0 + cwc; ++x)
                        m_warp.Set(x, g < 0 ? rowA : rowB, g < 0 ? as : bs, x, y0, chc, chc);
                    continue;
                }
                const bool front = g < 0.25f;
                const int vw = front ? int(float(cw) - float(cw) * 4.0f * g)
                                     : int(float(cw) * 4.0f * (g - 0.25f));
                const bool sigma = front ? k % 2 == 1 : k % 2 == 0;
                const int mg = (cw - vw) / 2;
                for (int q = 0; q < vw && mg + q < cwc; ++q) {
                    // The shear moves visible column q down by s rows.
                    const int s = sigma ? q * 2 * mg / vw - mg : mg - q * 2 * mg / vw;
                    const int column = q * cw / vw;
                    if (column < cwc)
                        m_warp.Set(x0 + mg + q, front ? rowA : rowB, front ? as : bs, x0 + column,
                                   y0 + s, chc, chc);
                }
            }
            m_warp.Draw(d, ds, y0, y0 + chc);
        }
        return 0;
    }

private:
    bool OnSizeChanged() override { return m_warp.Resize(m_width); }

    CColumnWarp m_warp;
};

} // namespace

CTransition* transfx::MakeFlipCells(const STransitionInfo& info) { return new CFlipCells(info); }
