// Blinds: vertical strips turn one after the other, from the left edge to the
// right ("Right to Left" runs time backwards), each squeezing A toward its
// centre line and opening again on B.
#include "plugins/transfx/ColumnWarp.h"
#include "plugins/transfx/Transition.h"

#include <algorithm>

namespace {

class CBlinds : public CTransition {
public:
    using CTransition::CTransition;

    enum EDirection { kLeftToRight = 0, kRightToLeft = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        if (Param(1) == kRightToLeft)
            Reverse(i, a, as, b, bs);
        const int W = m_width, H = m_height, n = m_frameCount;
        const int blinds = std::max(Param(0), 2); // the range keeps it 4 … 16
        // A frame narrower than the number of blinds gets strips one pixel
        // wide, which all finish turning by the last frame.
        const int sw = std::max(W / blinds, 1);
        // Each strip turns during half of the transition; strip k starts at
        // progress 0.5k/(b − 1), in single precision.
        const float progress = float(double(i) / (n - 1));
        const float delay = float(0.5 / (blinds - 1));
        m_warp.Clear();
        for (int k = 0, x0 = 0; x0 < W; ++k, x0 += sw) {
            const int ew = std::min(sw, W - x0);
            // The narrow strip left over at the right edge turns with the
            // last full strip, so that it too shows B at the last frame.
            const float g = progress - delay * float(std::min(k, blinds - 1));
            if (g < 0 || g >= 0.5f) {
                const std::uint8_t* picture = g < 0 ? a : b;
                const int stride = g < 0 ? as : bs;
                for (int x = x0; x < x0 + ew; ++x)
                    m_warp.Set(x, picture, stride, x, 0, H, H);
                continue;
            }
            const bool first = g < 0.25f;
            const int vw = first ? int(float(sw) - float(sw) * 4.0f * g)
                                 : int(float(sw) * 4.0f * (g - 0.25f));
            const int mg = (sw - vw) / 2;
            for (int p = 0; p < vw && mg + p < ew; ++p) {
                const int column = p * sw / vw;
                if (column < ew)
                    m_warp.Set(x0 + mg + p, first ? a : b, first ? as : bs, x0 + column, 0, H, H);
            }
        }
        m_warp.Draw(d, ds, 0, H);
        return 0;
    }

private:
    bool OnSizeChanged() override { return m_warp.Resize(m_width); }

    CColumnWarp m_warp;
};

} // namespace

CTransition* transfx::MakeBlinds(const STransitionInfo& info) { return new CBlinds(info); }
