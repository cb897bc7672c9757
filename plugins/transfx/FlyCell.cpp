// Fly Cell: A is cut into Columns × Rows cells that fly off the frame, each
// on its own path and at its own speed, uncovering B. A row of cells leaves
// either sideways or vertically. The paths come from the generator seeded
// with Pattern, so they are the same on every frame and every run. "Fly In"
// runs time backwards: B's cells fly in to their places over A.
#include "imgcore/CPU.h"
#include "plugins/transfx/Random.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>

namespace {

class CFlyCell : public CTransition {
public:
    using CTransition::CTransition;

    enum EParam { kPattern = 0, kColumns = 1, kRows = 2, kDirection = 3 };
    enum EDirection { kFlyOut = 0, kFlyIn = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        if (Param(kDirection) == kFlyIn)
            Reverse(i, a, as, b, bs);
        const int W = m_width, H = m_height, n = m_frameCount;
        const int columns = std::max(Param(kColumns), 1), rows = std::max(Param(kRows), 1);
        CCPU::ippiCopy_8u_C4R(b, bs, d, ds, {W, H});
        // Frames smaller than the grid get cells of one pixel (those past the
        // frame are empty). The last column and row take the remainder of
        // the division, so that the cells cover the whole frame and the
        // first frame is A.
        const int cw = std::max(W / columns, 1), ch = std::max(H / rows, 1);
        std::uint32_t state = std::uint32_t(Param(kPattern));
        for (int R = 0; R < rows; ++R) {
            const int y0 = R * ch;
            const int cellH = std::min(R == rows - 1 ? H - y0 : ch, H - y0);
            const bool sideways = transfx::NextRand(state) < 16384;
            int ty;
            if (sideways)
                ty = int(transfx::NextRand(state) * double(ch + H) / transfx::kRandMax - ch);
            else
                ty = transfx::NextRand(state) < 16384 ? -std::max(cellH, ch) : H;
            for (int K = 0; K < columns; ++K) {
                const int x0 = K * cw;
                const int cellW = std::min(K == columns - 1 ? W - x0 : cw, W - x0);
                int tx;
                if (sideways)
                    tx = transfx::NextRand(state) < 16384 ? -std::max(cellW, cw) : W;
                else
                    tx = int(transfx::NextRand(state) * double(cw + W) / transfx::kRandMax - cw);
                const int flight = n / 4 + transfx::NextRand(state) % (n - n / 4);
                if (i > flight || cellW <= 0 || cellH <= 0)
                    continue;
                // A flight of no frames (n ≤ 3) shows the cell in place at
                // frame 0 only.
                const int x = flight ? x0 + MulDiv(tx - x0, i, flight) : x0;
                const int y = flight ? y0 + MulDiv(ty - y0, i, flight) : y0;
                CopyClipped(a, as, x0, y0, cellW, cellH, d, ds, x, y);
            }
        }
        transfx::RandState() = state;
        return 0;
    }

private:
    // Copies the w × h block at (sx, sy) of a picture to (x, y), leaving out
    // what falls outside the frame.
    void CopyClipped(const std::uint8_t* src, int ss, int sx, int sy, int w, int h, std::uint8_t* d,
                     int ds, int x, int y) const {
        const int left = std::max(x, 0), top = std::max(y, 0);
        const int right = std::min(x + w, m_width), bottom = std::min(y + h, m_height);
        if (left >= right || top >= bottom)
            return;
        CCPU::ippiCopy_8u_C4R(RowOf(src, ss, sy + top - y) +
                                  4 * std::ptrdiff_t(sx + left - x),
                              ss, RowOf(d, ds, top) + 4 * std::ptrdiff_t(left), ds,
                              {right - left, bottom - top});
    }
};

} // namespace

CTransition* transfx::MakeFlyCell(const STransitionInfo& info) { return new CFlyCell(info); }
