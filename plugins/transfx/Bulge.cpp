// Bulge: the pictures are seen through a spherical lens that magnifies the
// centre up to eight-fold at mid-transition while A fades to B. The lens
// works on the square of side 2R (R = W/2) centred vertically; one quarter
// is computed and mirrored into the other three.
#include "imgcore/PixelMath.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <cmath>

namespace {

class CBulge : public CTransition {
public:
    using CTransition::CTransition;

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height, n = m_frameCount;
        const int R = W / 2, f = H / 2 - R;
        const double t = double(i) / (n - 1);
        const int m = int(((2 * t - 1) * (2 * t - 1) * 7 + 1) * R / 8);
        // The weight stops at 255 by the formula; the last frame takes 256,
        // which is B exactly.
        const int v = i == n - 1 ? 256 : int(t * t * 255);
        // Every pixel first gets the blend at its own position: what the lens
        // leaves unmoved, and the rows beyond the square on tall frames and
        // the middle column and row of odd sizes, which the mirrored quarters
        // do not reach.
        for (int y = 0; y < H; ++y) {
            const std::uint8_t* pa = RowOf(a, as, y);
            const std::uint8_t* pb = RowOf(b, bs, y);
            std::uint8_t* o = RowOf(d, ds, y);
            for (int x = 0; x < 4 * W; x += 4)
                Blend8Colour(o + x, pa + x, pb + x, v);
        }
        const long long T = (long long)R * R - (long long)m * m;
        if (T <= 0)
            return 0;
        for (int y = 0; y < R; ++y) {
            const int top = f + y, bottom = H - f - y - 1;
            const bool hasTop = top >= 0 && top < H, hasBottom = bottom >= 0 && bottom < H;
            if (!hasTop && !hasBottom)
                continue;
            const int dy = y - R;
            for (int x = 0; x < R; ++x) {
                const int dx = x - R;
                const long long s2 = (long long)dx * dx + (long long)dy * dy;
                if (s2 >= T)
                    continue; // outside the lens: already the blend in place
                const double s = m / std::sqrt(double((long long)R * R - s2));
                const int cx = std::clamp(int(s * dx) + R, 0, W - 1);
                const int cy = std::clamp(int(s * dy) + R + f, 0, H - 1);
                const int mx = W - 1 - cx, my = H - cy - 1;
                if (hasTop) {
                    std::uint8_t* o = RowOf(d, ds, top);
                    Blend8Colour(o + 4 * x, Pixel(a, as, cx, cy), Pixel(b, bs, cx, cy), v);
                    Blend8Colour(o + 4 * (W - 1 - x), Pixel(a, as, mx, cy), Pixel(b, bs, mx, cy), v);
                }
                if (hasBottom) {
                    std::uint8_t* o = RowOf(d, ds, bottom);
                    Blend8Colour(o + 4 * x, Pixel(a, as, cx, my), Pixel(b, bs, cx, my), v);
                    Blend8Colour(o + 4 * (W - 1 - x), Pixel(a, as, mx, my), Pixel(b, bs, mx, my), v);
                }
            }
        }
        return 0;
    }

private:
    static const std::uint8_t* Pixel(const std::uint8_t* p, int stride, int x, int y) {
        return RowOf(p, stride, y) + 4 * std::ptrdiff_t(x);
    }
};

} // namespace

CTransition* transfx::MakeBulge(const STransitionInfo& info) { return new CBulge(info); }
