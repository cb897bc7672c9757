// Circle: a disc of B with a 20-pixel soft rim grows from the centre until it
// covers the corners; "Big to Small" shrinks a disc of A, revealing B.
#include "imgcore/PixelMath.h"
#include "plugins/transfx/Transition.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int kRim = 20;

class CCircle : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kSmallToBig = 0, kBigToSmall = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height, n = m_frameCount;
        const int cx = W / 2, cy = H / 2;
        int r = int(double(i) * (cx + cy) / (n - 1));
        if (Param(0) == kBigToSmall) {
            r = cx + cy - r;
            std::swap(a, b);
            std::swap(as, bs);
        }
        const long long inner = static_cast<long long>(r - kRim) * (r - kRim);
        const long long outer = static_cast<long long>(r) * r;
        // One quarter is decided; the result goes to the four mirrored pixels,
        // each taken from the same position of the pictures.
        for (int y = 0; y <= cy && y < H; ++y) {
            const int rows[2] = {y, H - 1 - y};
            const int dy = cy - y;
            for (int x = 0; x <= cx && x < W; ++x) {
                const int dx = cx - x;
                const long long s = static_cast<long long>(dx) * dx + static_cast<long long>(dy) * dy;
                int k; // −1: A, 256: B, else the blend weight
                if (y < cy - r || x < cx - r)
                    k = -1;
                else if (dx + dy < r - kRim || (r >= kRim + 1 && s < inner))
                    k = 256;
                else if (s <= outer)
                    k = int(std::fmin((r - std::sqrt(double(s))) * 255 / kRim, 255.0));
                else
                    k = -1;
                const int cols[2] = {x, W - 1 - x};
                for (int row : rows) {
                    for (int col : cols) {
                        const std::ptrdiff_t at = 4 * std::ptrdiff_t(col);
                        std::uint8_t* o = RowOf(d, ds, row) + at;
                        const std::uint8_t* pa = RowOf(a, as, row) + at;
                        const std::uint8_t* pb = RowOf(b, bs, row) + at;
                        if (k < 0) {
                            std::memcpy(o, pa, 4);
                        } else if (k > 255) {
                            std::memcpy(o, pb, 4);
                        } else {
                            Blend8Colour(o, pa, pb, k);
                        }
                    }
                }
            }
        }
        return 0;
    }
};

} // namespace

CTransition* transfx::MakeCircle(const STransitionInfo& info) { return new CCircle(info); }
