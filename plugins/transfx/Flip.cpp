// Flip: the picture tips over like a card seen in perspective: it collapses to
// a tenth of its extent while one edge grows to 1.5 times its length and the
// other shrinks to half, then B unfolds with the opposite perspective.
// "Vertical" collapses the rows, "Horizontal" the columns.
#include "plugins/transfx/ColumnWarp.h"
#include "plugins/transfx/Transition.h"

#include <cstdint>

namespace {

class CFlip : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kHorizontal = 0, kVertical = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height, n = m_frameCount;
        const bool vertical = Param(0) == kVertical;
        // G is the length of a drawn line, E the extent that collapses.
        const int G = vertical ? W : H, E = vertical ? H : W;
        const int h = n / 2;
        const int l = G * 3 / 2 - G;
        // A half of one frame (n = 2 or 3) has no steps to divide by: its
        // only frame is the full picture, A first, B last.
        auto step = [](int value, int num, int den) { return den ? MulDiv(value, num, den) : 0; };
        int o, m, c;
        const std::uint8_t* picture;
        int stride;
        if (i < h) {
            o = G + step(G / 2 - G, i, h - 1); // far length
            m = G + step(l, i, h - 1);         // near length
            c = E + step(E / 10 - E, i, h - 1);
            picture = a;
            stride = as;
        } else {
            const int back = i + 1 - n, steps = n - h - 1; // back ≤ 0
            o = G - step(l, back, steps);
            m = G - step(G / 2 - G, back, steps);
            c = E - step(E / 10 - E, back, steps);
            picture = b;
            stride = bs;
        }
        if (c <= 0)
            return 0;
        // Line k lies at (E − c)/2 + k and is w = m + k·(o − m)/c long,
        // centred. It shows exactly its w pixels, so the first and last
        // frames are the whole pictures.
        if (vertical) {
            for (int k = 0; k < c; ++k) {
                const int w = m + MulDiv(k, o - m, c);
                DrawScaledRow(RowOf(d, ds, (E - c) / 2 + k), RowOf(picture, stride, MulDiv(k, E, c)),
                              W, (G - w) / 2, w, G);
            }
            return 0;
        }
        m_warp.Clear();
        for (int k = 0; k < c; ++k) {
            const int w = m + MulDiv(k, o - m, c);
            m_warp.Set((E - c) / 2 + k, picture, stride, MulDiv(k, E, c), (G - w) / 2, w, G);
        }
        m_warp.Draw(d, ds, 0, H);
        return 0;
    }

private:
    bool OnSizeChanged() override { return m_warp.Resize(m_width); }

    CColumnWarp m_warp;
};

} // namespace

CTransition* transfx::MakeFlip(const STransitionInfo& info) { return new CFlip(info); }
