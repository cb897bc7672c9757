// Shake: the characters appear one after another and tremble by a few
// thousandths of the frame in position and angle; in the out phase they
// vanish from the first to the last.
#include "plugins/titlefx/Random.h"
#include "plugins/titlefx/TextEffect.h"

namespace {

class CShake : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    // Characters 0 … ⌊t ÷ s⌋.
    int RenderIn(int t, int L) override {
        if (m_count <= 0 || L < 2)
            return 1;
        const double s = double(L - 1) / (m_count + 1);
        return Jitter(m_chars, int(t / s) + 1);
    }

    int RenderHold(int, int) override { return Jitter(m_chars, m_count); }

    // From ⌊(L − t − 1) ÷ s⌋ nodes before the last character to the end; all
    // of them when that walk passes the first.
    int RenderOut(int t, int L) override {
        if (m_count <= 0 || L < 2)
            return 1;
        const double s = double(L - 1) / (m_count + 1);
        const int back = int((L - t - 1) / s);
        SGlyphNode* from = m_last;
        for (int i = 0; i < back && from; ++i)
            from = from->previous;
        return Jitter(from ? from : m_chars, m_count);
    }

private:
    // Draws up to `limit` characters from `node` on, each displaced by a
    // value of a short sequence mod 20 that starts from one random number per
    // call: offsets and angle within [−0.01, 0.009].
    static int Jitter(SGlyphNode* node, int limit) {
        int a = titlefx::Rand() % 20;
        int result = 1;
        for (int i = 0; i < limit && node && node->glyph; ++i, node = node->next) {
            const int a7 = a * 7 % 20;
            const int b = a7 * 7;
            result = Draw(node->glyph, 1, 1, 0.001 * a - 0.01, 0.001 * a7 - 0.01,
                          0.001 * (b % 20) - 0.01, 1);
            if (!result)
                return result;
            a = (b % 20) * 7 % 20;
        }
        return result;
    }
};

} // namespace

CTextEffect* titlefx::MakeShake(const STextEffectInfo& info) { return new CShake(info); }
