// Wipe: the string is uncovered from left to right, then covered again from
// left to right. The string is drawn whole and the columns still hidden are
// cleared to transparent in the caption layer.
#include "plugins/titlefx/TextEffect.h"

namespace {

class CWipe : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    int RenderIn(int t, int L) override { return Draw(t, L, false); }
    int RenderOut(int t, int L) override { return Draw(t, L, true); }

private:
    // The columns left of the edge (leading) or from the edge on are cleared;
    // the edge moves across the drawn rectangle in whole pixels.
    int Draw(int t, int L, bool leading) {
        if (!m_string)
            return 1;
        SEffectRect drawn{};
        const int result = DrawAtRest(m_string, &drawn);
        if (!result)
            return result;
        // The drawn rectangle may reach far outside the frame; its width is
        // formed in 64 bits so that the edge stays between its two sides.
        const long long width = (long long)drawn.right - drawn.left;
        const long long edge = drawn.left + (L > 1 ? width * t / (L - 1) : width);
        SEffectRect hidden = drawn; // edge lies within [left, right], so it fits
        if (leading)
            hidden.right = int(edge);
        else
            hidden.left = int(edge);
        static constexpr std::uint8_t kClear[4] = {0, 0, 0, 0};
        FillTarget(m_string, hidden, kClear);
        return result;
    }
};

} // namespace

CTextEffect* titlefx::MakeWipe(const STextEffectInfo& info) { return new CWipe(info); }
