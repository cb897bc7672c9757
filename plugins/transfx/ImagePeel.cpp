// Image Peel: A peels off diagonally from the top-left corner like a page,
// curling over a cylinder of radius 60 and laying its mirrored back on the
// page, and B shows where it has gone. "Right to Left" mirrors it left to
// right. Drawn in the picture's own top-down order.
#include "imgcore/PixelMath.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kRadius = 60, kFold = 34, kBack = 175; // the back shows 175/256 toward its mirror

class CImagePeel : public CTransition {
public:
    explicit CImagePeel(const transfx::STransitionInfo& info) : CTransition(info) {
        for (int z = 0; z < kRadius; ++z)
            m_arc[z] = int(kRadius * std::asin(double(z) / kRadius));
    }

    enum EDirection { kLeftToRight = 0, kRightToLeft = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int flipped) override {
        if (flipped)
            ToTopDown(d, ds, a, as, b, bs);
        // The first frame would already show B in the corner and the curl
        // beside it.
        if (CopyEnd(i, d, ds, a, as, b, bs))
            return 0;
        const int W = m_width, H = m_height, n = m_frameCount;
        const int P = MulDiv(i, 2LL * std::max(W, H), n - 1);
        const bool mirrored = Param(0) == kRightToLeft;
        // Column x of the drawing is column col(x) of the frame and pictures.
        auto col = [&](int x) { return 4 * std::ptrdiff_t(mirrored ? W - 1 - x : x); };
        auto pixel = [&](const std::uint8_t* p, int stride, int x, int y) {
            return RowOf(p, stride, y) + col(x);
        };
        for (int y = 0; y < H; ++y) {
            std::uint8_t* out = RowOf(d, ds, y);
            for (int x = 0; x < W; ++x) {
                std::uint8_t* o = out + col(x);
                const int k = x + y;
                const std::uint8_t* from = nullptr; // a plain pixel, or null for the back
                const std::uint8_t* front = nullptr;
                const std::uint8_t* back = nullptr;
                if (k <= P + kFold) {
                    from = pixel(b, bs, x, y);
                } else if (k > P + kFold + kRadius) {
                    if (x <= P && y <= P) {
                        front = pixel(a, as, x, y);
                        back = pixel(a, as, P - y, P - x);
                    } else {
                        from = pixel(a, as, x, y);
                    }
                } else {
                    const int z = P + kFold + kRadius - k;
                    const int arc = m_arc[z];
                    const int px = x + z - arc, py = y + z - arc;
                    if (px >= 0 && py >= P) {
                        from = pixel(a, as, x, py);
                    } else if (px >= P) {
                        from = py < 0 ? pixel(b, bs, x, y) : pixel(a, as, x, py);
                    } else if (px < 0 || py < 0) {
                        from = pixel(b, bs, x, y);
                    } else {
                        front = pixel(a, as, px, py);
                        back = pixel(a, as, P - py, P - px);
                    }
                }
                if (from) {
                    std::memcpy(o, from, 4);
                } else {
                    Blend8Colour(o, front, back, kBack);
                }
            }
        }
        return 0;
    }

private:
    int m_arc[kRadius]; // 60·asin(z/60), the arc length of a depth z into the curl
};

} // namespace

CTransition* transfx::MakeImagePeel(const STransitionInfo& info) { return new CImagePeel(info); }
