// Typewrite: the characters appear one by one with a cursor under the next
// one; the whole string fades out.
#include "plugins/titlefx/TextEffect.h"

#include <algorithm>

namespace {

class CTypewrite : public CTextEffect {
public:
    using CTextEffect::CTextEffect;

    // Characters 0 … c − 1 at rest, c = ⌊t·(count + 2) ÷ (L − 1)⌋: the last
    // character arrives one step before the phase ends, then the cursor is gone.
    int RenderIn(int t, int L) override {
        const long long c = L > 1 ? (long long)t * (m_count + 2) / (L - 1) : m_count + 2LL;
        SGlyphNode* node = m_chars;
        int result = 1;
        for (long long j = 0; j < c && node && node->glyph; ++j, node = node->next) {
            result = DrawAtRest(node->glyph);
            if (!result)
                return result;
        }
        if (node && node->glyph)
            DrawCursor(node->glyph);
        return result;
    }

    int RenderOut(int t, int L) override {
        const double opacity = L > 1 ? double(L - t - 1) / (L - 1) : 0.0;
        return Draw(m_string, 1, 1, 0, 0, 0, opacity);
    }

private:
    // Two rows of the text colour along the bottom of the character's box
    // (clamped to the frame), from its left edge, as wide as the string's box
    // shared among its characters. The fourth byte is 0.
    void DrawCursor(IEffectGlyphSrc* glyph) const {
        SEffectRect box, string;
        if (!BoxOf(glyph, &box) || !BoxOf(m_string, &string) || m_count <= 0)
            return;
        box.left = std::max(box.left, 0);
        box.top = std::max(box.top, 0);
        box.right = std::min(box.right, m_width);
        box.bottom = std::min(box.bottom, m_height);
        if (box.top >= box.bottom)
            return;
        const long long cw = ((long long)string.right - string.left) / m_count;
        if (cw <= 0)
            return;
        const std::uint32_t colour = m_string->GetColor();
        const std::uint8_t value[4] = {std::uint8_t(colour >> 16), std::uint8_t(colour >> 8),
                                       std::uint8_t(colour), 0};
        const SEffectRect cursor{box.left, std::max(box.top, box.bottom - 2),
                                 int(std::min<long long>((long long)box.left + cw, m_width)),
                                 box.bottom};
        FillTarget(glyph, cursor, value);
    }
};

} // namespace

CTextEffect* titlefx::MakeTypewrite(const STextEffectInfo& info) { return new CTypewrite(info); }
