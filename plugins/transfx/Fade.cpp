// Fade: a cross-fade, or a fade through black or white.
#include "imgcore/CPU.h"
#include "plugins/transfx/Transition.h"

namespace {

class CFade : public CTransition {
public:
    using CTransition::CTransition;

    enum EMode { kNormal = 0, kToBlack = 1, kToWhite = 2 };

    int RenderFrame(int i, std::uint8_t* d, int ds, std::uint8_t* a, int as, std::uint8_t* b,
                    int bs, int) override {
        const IppiSize size{m_width, m_height};
        const int n = m_frameCount;
        const int mode = Param(0);
        if (mode != kToBlack && mode != kToWhite) {
            // α = i·255/(n − 1): frame 0 is A, n − 1 is B, for any frame count.
            const int alpha = MulDiv(i, 255, n - 1);
            CCPU::ippiAlphaCompC_8u_AC4R(a, as, Ipp8u(255 - alpha), b, bs, Ipp8u(alpha), d, ds,
                                         size, ippAlphaPlus);
            return 0;
        }
        const Ipp8u level = mode == kToBlack ? 0 : 255;
        const Ipp8u colour[3] = {level, level, level};
        CCPU::ippiSet_8u_AC4R(colour, d, ds, size);
        // x runs from −1 to 1; the picture fades out, the colour holds at x = 0,
        // and the other picture fades in.
        const double x = 2.0 * i / (n - 1) - 1.0;
        const int g = int(x * x * 255);
        const bool first = x < 0;
        CCPU::ippiAlphaCompC_8u_AC4R(first ? a : b, first ? as : bs, Ipp8u(g), d, ds,
                                     Ipp8u(255 - g), d, ds, size, ippAlphaPlus);
        return 0;
    }
};

} // namespace

CTransition* transfx::MakeFade(const STransitionInfo& info) { return new CFade(info); }
