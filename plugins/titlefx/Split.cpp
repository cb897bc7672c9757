// Split: the characters arrive one per step from the first, each as two
// copies above and below its place that close in on it while the character
// itself fades in.
#include "plugins/titlefx/TextEffect.h"

namespace {

class CSplit : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    // Characters before k at rest, character k animated over one step, later
    // ones not drawn; always walked from the first, in both phases.
    int RenderIn(int t, int L) override {
        if (m_count <= 0 || L < 2)
            return 1;
        const double s = double(L - 1) / (m_count + 1);
        const int k = int(t / s);
        const double g = (t - s * k) / s;
        SGlyphNode* node = m_chars;
        int result = 1;
        for (int j = 0; j <= k && node && node->glyph; ++j, node = node->next) {
            result = j < k ? DrawAtRest(node->glyph) : Animate(node->glyph, g);
            if (!result)
                return result;
        }
        return result;
    }

private:
    int Animate(IEffectGlyphSrc* glyph, double g) const {
        SEffectRect box;
        BoxOf(glyph, &box);
        const double dy = m_height > 0 ? g * (double(box.bottom) - box.top) / m_height : 0.0;
        int result = Draw(glyph, 1, 1, 0, 0, 0, g);
        if (result)
            result = Draw(glyph, 1, 1, 0, dy, 0, 1 - g);
        if (result)
            result = Draw(glyph, 1, 1, 0, -dy, 0, 1 - g);
        return result;
    }
};

} // namespace

CTextEffect* titlefx::MakeSplit(const STextEffectInfo& info) { return new CSplit(info); }
