// Contrast: the darker (or lighter) pixels of A sink into grey first, the
// picture is all grey at the middle frame, and B comes back in reverse order.
#include "imgcore/CPU.h"
#include "plugins/transfx/Transition.h"

#include <cstdlib>
#include <cstring>

namespace {

class CContrast : public CTransition {
public:
    using CTransition::CTransition;

    enum EMode { kDarken = 0, kBrighten = 1 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const int c = m_frameCount / 2;
        const bool first = i < c;
        std::uint8_t* p = first ? a : b;
        const int ps = first ? as : bs;
        const int f = MulDiv(std::abs(i - c), 255, c);
        const bool darken = Param(0) != kBrighten;
        const int g = darken ? 255 - f : f;

        const Ipp8u grey = darken ? 32 : 223;
        const Ipp8u colour[3] = {grey, grey, grey};
        CCPU::ippiSet_8u_AC4R(colour, d, ds, {m_width, m_height});

        for (int y = 0; y < m_height; ++y) {
            const std::uint8_t* s = RowOf(p, ps, y);
            std::uint8_t* o = RowOf(d, ds, y);
            for (int x = 0; x < m_width; ++x, s += 4, o += 4) {
                const int luma = int(0.212671 * s[2] + 0.71516 * s[1] + 0.072169 * s[0]);
                if (darken ? luma > g : luma < g)
                    std::memcpy(o, s, 4);
            }
        }
        return 0;
    }
};

} // namespace

CTransition* transfx::MakeContrast(const STransitionInfo& info) { return new CContrast(info); }
