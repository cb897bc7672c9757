// Shift and Scroll, in four directions: the string comes in from beyond one
// edge of the frame and leaves beyond the opposite one. Shift slows down as it
// arrives and speeds up as it leaves (quadratic); Scroll moves evenly.
#include "plugins/titlefx/TextEffect.h"

namespace {

class CMove : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    int RenderIn(int t, int L) override {
        const double rest = 1 - Progress(t, L);
        const double f = m_quadratic ? rest * rest : rest;
        const SOffset o = EntryOffset();
        return Draw(m_string, 1, 1, o.dx * f, o.dy * f, 0, 1);
    }

    int RenderOut(int t, int L) override {
        const double x = Progress(t, L);
        const double f = m_quadratic ? x * x : x;
        const SOffset o = ExitOffset();
        return Draw(m_string, 1, 1, o.dx * f, o.dy * f, 0, 1);
    }
};

} // namespace

CTextEffect* titlefx::MakeMove(const STextEffectInfo& info) { return new CMove(info); }
