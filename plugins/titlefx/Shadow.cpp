// Shadow, in four directions: a trail of six copies of the string, each
// starting a little later and a little fainter, slides in from beyond one edge
// of the frame; from three quarters of the way the string itself rests on top.
// The trail leaves the same way towards the opposite edge.
#include "plugins/titlefx/TextEffect.h"

namespace {

class CShadow : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    int RenderIn(int t, int L) override {
        const int result = Trail(t, L, EntryOffset(), true);
        if (!result || Progress(t, L) < 0.75)
            return result;
        return DrawAtRest(m_string);
    }

    int RenderOut(int t, int L) override { return Trail(t, L, ExitOffset(), false); }

private:
    static constexpr int kCopies = 6;

    // Copy i moves over frames ⌊0.05i·L⌋ … ⌊(0.05i + 0.75)·L⌋ (integer
    // arithmetic: the same frames as the real products), from the offset to
    // rest (in) or from rest to the offset (out), at opacity 0.5 + (6 − i) ÷ 12.
    int Trail(int t, int L, SOffset o, bool in) const {
        int result = 1;
        for (int i = 0; i < kCopies && result; ++i) {
            const long long start = (long long)i * L / 20;
            const long long end = (long long)(i + 15) * L / 20;
            if (t < start || t > end)
                continue;
            const double e = end > start ? double(t - start) / double(end - start) : 1.0;
            const double f = in ? 1 - e : e;
            result = Draw(m_string, 1, 1, o.dx * f, o.dy * f, 0, 0.5 + (6.0 - i) / 12);
        }
        return result;
    }
};

} // namespace

CTextEffect* titlefx::MakeShadow(const STextEffectInfo& info) { return new CShadow(info); }
