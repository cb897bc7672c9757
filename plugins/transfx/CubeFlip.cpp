// Cube Flip: the picture is a face of a cube that turns away while the next
// face turns in. The shared edge travels from the first line to the last;
// the outgoing face shrinks below it and the incoming one grows above it,
// both narrowing toward their far edges in perspective. The odd directions
// run time backwards with the pictures swapped.
#include "imgcore/CPU.h"
#include "plugins/transfx/ColumnWarp.h"
#include "plugins/transfx/Transition.h"

namespace {

class CCubeFlip : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kBottomToTop = 0, kTopToBottom = 1, kLeftToRight = 2, kRightToLeft = 3 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int direction = Param(0);
        if (direction % 2 == 1)
            Reverse(i, a, as, b, bs);
        const int W = m_width, H = m_height, n = m_frameCount;
        const int h = n / 2;
        if (h < 2) {
            // Two or three frames leave no steps to divide by: A, then B
            // for the last frame.
            const bool first = i < n - 1;
            CCPU::ippiCopy_8u_C4R(first ? a : b, first ? as : bs, d, ds, {W, H});
            return 0;
        }
        // Lines run along the edge (length E); F lines cover the travel.
        const bool rows = direction < kLeftToRight;
        const int E = rows ? W : H, F = rows ? H : W;
        const int l = 7 * E / 8 - E, m = 6 * E / 8 - E;
        int nearLength, farLength, c, o;
        if (i <= h) {
            nearLength = E + MulDiv(l, i, h - 1);
            farLength = E + MulDiv(m, i, h - 1);
            c = F + MulDiv(F / 3 - F, i, h - 1);
            o = MulDiv(i, F / 2, h - 1);
        } else {
            const int v = i - n + 1, w = h - n + 1;
            nearLength = E + MulDiv(l, v, w);
            farLength = E + MulDiv(m, v, w);
            c = MulDiv(v, F / 3, w);
            o = F / 2 + (h + (i - h) * (F - F / 2) - i) / (n - h - 1);
        }
        const int span = farLength - nearLength, c2 = F - c;
        if (!rows)
            m_warp.Clear();
        // A line of length L is centred on the edge and shows its picture's
        // line over exactly L pixels (all E of them when L = E, so the end
        // frames are the whole pictures).
        auto line = [&](int at, const std::uint8_t* p, int ps, int source, int length) {
            if (at < 0 || at >= F || length <= 0)
                return;
            const int start = (E - length) / 2;
            if (rows)
                DrawScaledRow(RowOf(d, ds, at), RowOf(p, ps, source), W, start, length, E);
            else
                m_warp.Set(at, p, ps, source, start, length, E);
        };
        for (int k = 0; k < c; ++k)
            line(o + k, a, as, MulDiv(k, F, c), nearLength + MulDiv(k, span, c));
        for (int k = 0; k < c2; ++k)
            line(o - k, b, bs, F - 1 - MulDiv(k, F, c2), nearLength + MulDiv(k, span, c2));
        if (!rows)
            m_warp.Draw(d, ds, 0, H);
        return 0;
    }

private:
    bool OnSizeChanged() override { return m_warp.Resize(m_width); }

    CColumnWarp m_warp;
};

} // namespace

CTransition* transfx::MakeCubeFlip(const STransitionInfo& info) { return new CCubeFlip(info); }
