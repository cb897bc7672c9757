// Zoom: B zooms out from four-fold magnification of its centre to its normal
// size while it fades in over A. "Zoom In" runs the same backwards with the
// pictures swapped, so A zooms into its centre while fading out.
#include "imgcore/PixelMath.h"
#include "plugins/transfx/Transition.h"

#include <vector>

namespace {

class CZoom : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kZoomOut = 0, kZoomIn = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        if (Param(0) == kZoomIn)
            Reverse(i, a, as, b, bs);
        const int W = m_width, H = m_height, n = m_frameCount;
        // The sampled part of B grows from a quarter of the frame to all of it.
        const int zh = (H + MulDiv(i, 3LL * H, n - 1)) >> 2;
        const int zw = (W + MulDiv(i, 3LL * W, n - 1)) >> 2;
        const int k = MulDiv(i, 255, n - 1);
        const int left = (W - zw) / 2, top = (H - zh) / 2;
        for (int x = 0; x < W; ++x)
            m_column[std::size_t(x)] = 4 * (left + int(static_cast<long long>(x) * zw / W));
        for (int y = 0; y < H; ++y) {
            const std::uint8_t* pa = RowOf(a, as, y);
            const std::uint8_t* rb = RowOf(b, bs, top + int(static_cast<long long>(y) * zh / H));
            std::uint8_t* o = RowOf(d, ds, y);
            for (int x = 0; x < W; ++x, pa += 4, o += 4) {
                const std::uint8_t* pb = rb + m_column[std::size_t(x)];
                Blend8Colour(o, pa, pb, k);
            }
        }
        return 0;
    }

private:
    bool OnSizeChanged() override {
        try {
            m_column.assign(std::size_t(m_width), 0);
        } catch (...) {
            return false;
        }
        return true;
    }

    std::vector<int> m_column; // byte offset in B's row, per destination column
};

} // namespace

CTransition* transfx::MakeZoom(const STransitionInfo& info) { return new CZoom(info); }
