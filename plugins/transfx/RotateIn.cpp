// Rotate In: B starts edge-on at the centre and turns toward the viewer about
// a vertical axis until it covers A, its short edge on the left
// (Anti-Clockwise) or on the right (Clockwise).
#include "imgcore/CPU.h"
#include "plugins/transfx/ColumnWarp.h"
#include "plugins/transfx/Transition.h"

#include <cstdint>

namespace {

class CRotateIn : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kAntiClockwise = 0, kClockwise = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int W = m_width, H = m_height, n = m_frameCount;
        const bool clockwise = Param(0) == kClockwise;
        CCPU::ippiCopy_8u_C4R(a, as, d, ds, {W, H});
        const int g = MulDiv(i, W, n - 1);                   // card width
        const int x0 = (W - g) / 2;                          // its left edge
        const int e = int(std::int64_t(H) * (g + x0) / W);   // short-edge height
        const int l = H - e;
        m_warp.Clear();
        // Column k spans hk rows centred on the frame; a source row
        // H·(r − top)/hk lies inside the picture exactly for the hk rows from
        // the top, since hk ≤ H.
        for (int k = 0; k < g; ++k) {
            const int hk = e + MulDiv(l, clockwise ? g - k : k, g);
            m_warp.Set(x0 + k, b, bs, MulDiv(W, k, g), (H - hk) / 2, hk, H);
        }
        m_warp.Draw(d, ds, 0, H);
        return 0;
    }

private:
    bool OnSizeChanged() override { return m_warp.Resize(m_width); }

    CColumnWarp m_warp;
};

} // namespace

CTransition* transfx::MakeRotateIn(const STransitionInfo& info) { return new CRotateIn(info); }
