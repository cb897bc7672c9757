// Accordion: a front runs across the frame; to its right the old picture is
// folded into pleats that narrow and lose height, to its left the new
// picture unfolds from pleats into its full width. Each pleat is a shaded
// half and a lit half. "Right to Left" runs time backwards.
#include "plugins/transfx/ColumnWarp.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>

namespace {

class CAccordion : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kLeftToRight = 0, kRightToLeft = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        if (Param(0) == kRightToLeft)
            Reverse(i, a, as, b, bs);
        const int W = m_width, H = m_height, n = m_frameCount;
        // The front runs from column 0 to W over the whole transition, so the
        // old pleats are gone at the last frame.
        const int m = MulDiv(i, W, n - 1);
        const int o = (W + 5) / 6;  // half-width of a pleat in the picture
        const int q = o / 4;
        const int w = MulDiv(q - o, i, n - 1) + o; // old half-width on screen, o down to o/4
        const int v = q + MulDiv(i, o - q, n - 1); // new half-width, o/4 up to o
        const int h8 = int(0.8 * H);
        const int F = H - MulDiv(i, H - h8, n - 1); // old pleats' short edge, H down to 0.8H
        const int Dn = MulDiv(i, H - h8, n - 1) + h8; // new pleats' short edge, 0.8H up to H
        // Shades in single precision: the old pleats darken as the new ones
        // brighten, from full light at the first frame to full at the last.
        const float shadeNew = float(double(i) / (n - 1));
        FillShade(m_shadeOld, 1.0f - shadeNew);
        FillShade(m_shadeNew, shadeNew);
        // The new picture's pleats end at the column left of the front with
        // B's last column, so that at the last frame every column is in place.
        const int shift = 6 * o - 1 - W;
        auto clampColumn = [W](int c) { return std::clamp(c, 0, W - 1); };
        auto height = [](int from, int to, int k, int steps) {
            return from + (steps ? MulDiv(to - from, k, steps) : 0);
        };

        m_warp.Clear();
        // New pleats, leftwards from the front and repeated every 2v columns
        // (2o picture columns).
        for (int N = 0; N > -v; --N) {
            const int c = height(Dn, H, -N, v - 1);
            const int source = 5 * o + MulDiv(v - 1 + N, o, v) - shift;
            for (int j = m + N, s = source; j >= 0; j -= 2 * v, s -= 2 * o)
                if (j < W)
                    m_warp.Set(j, b, bs, clampColumn(s), (H - c) / 2, c, H, m_shadeNew);
        }
        for (int P = 0; P > -v && m - v + P >= 0; --P) {
            const int c = height(H, Dn, -P, v - 1);
            const int source = 4 * o + MulDiv(v - 1 + P, o, v) - shift;
            for (int j = m - v + P, s = source; j >= 0; j -= 2 * v, s -= 2 * o)
                if (j < W)
                    m_warp.Set(j, b, bs, clampColumn(s), (H - c) / 2, c, H);
        }
        // Old pleats, rightwards from the front and repeated every 2w
        // columns; drawn last, so the front column belongs to them (at the
        // first frame they are A itself).
        for (int I = 0; I < w && m + I < W; ++I) {
            const int c = height(F, H, I, w - 1);
            for (int e = m + I, s = MulDiv(I, o, w); e < W; e += 2 * w, s += 2 * o)
                m_warp.Set(e, a, as, clampColumn(s), (H - c) / 2, c, H, m_shadeOld);
        }
        for (int N = 0; N < w && m + w + N < W; ++N) {
            const int c = height(H, F, N, w - 1);
            for (int e = m + w + N, s = MulDiv(N + w, o, w); e < W; e += 2 * w, s += 2 * o)
                m_warp.Set(e, a, as, clampColumn(s), (H - c) / 2, c, H);
        }
        m_warp.Draw(d, ds, 0, H);
        return 0;
    }

private:
    bool OnSizeChanged() override { return m_warp.Resize(m_width); }

    CColumnWarp m_warp;
    std::uint8_t m_shadeOld[256] = {};
    std::uint8_t m_shadeNew[256] = {};
};

} // namespace

CTransition* transfx::MakeAccordion(const STransitionInfo& info) { return new CAccordion(info); }
