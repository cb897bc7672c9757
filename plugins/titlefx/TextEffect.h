#pragma once

#include "effects/api/ModuleKit.h"
#include "plugins/titlefx/Catalogue.h"

#include <cstdint>

// The base of every caption animation of the module: the common slots of a
// kind-2 effect, the in/hold/out phase framework and the per-character
// stepping.
//
// A caption of n frames is played in three phases: in (d frames), hold
// (n − 2d frames) and out (d frames). Each phase call gets its own frame t and
// length L; x = t ÷ (L − 1) runs from 0 to 1 over a phase. The effects do not
// touch pixels themselves (Wipe and the Typewrite cursor aside): they set the
// transform of the host's glyphs and ask them to draw. Transforms are relative
// to the glyph at rest: scale factors, offsets in frame widths and heights
// (y up), angle in half turns, opacity 0..1.
class CTextEffect : public effectkit::CEffectBase<ITextEffect> {
public:
    explicit CTextEffect(const titlefx::STextEffectInfo& info);
    ~CTextEffect() override = default;

    int GetType() override { return kEffectText; }
    CEffectSetting* GetParams(int* count) override;
    int Render(int, std::uint8_t*, int) override { return 1; }
    const SEffectIcon* GetIcon() override { return nullptr; }
    void SetSize(int width, int height) override;
    void Reset() override;

    int IsPerCharacter() override { return m_perCharacter; }
    void SetGlyphs(IEffectGlyphSrc* string, SGlyphNode* characters) override;
    void SetInOutFraction(double fraction) override { m_fraction = fraction; }
    // Draws caption frame 0 … frames − 1 through the phase it falls in and
    // returns that phase's result (nonzero: success). A frame outside the
    // caption, or a per-character effect without characters, draws nothing
    // and succeeds.
    int RenderText(int frame) override;
    void Destroy() override { delete this; }

    // The phases, each at t = 0 … length − 1 of its length. The default hold
    // draws the string at rest; the default out plays the in phase backwards
    // (per-character effects then walk the list from its last character).
    virtual int RenderIn(int t, int length) = 0;
    virtual int RenderHold(int t, int length);
    virtual int RenderOut(int t, int length);

    // Lengths of the in phase (= the out phase) and the hold phase for the
    // current frame count and fraction.
    struct SPhases {
        int in;
        int hold;
    };
    [[nodiscard]] SPhases Phases() const;
    // +1 in, 0 hold, −1 out: the phase of the last RenderText call.
    [[nodiscard]] int Phase() const { return m_phase; }
    [[nodiscard]] int CharacterCount() const { return m_count; }

protected:
    // One character under the per-character stepping: step s = (L − 1) ÷
    // (count + 1); at t, k = ⌊t ÷ s⌋ and r = t − s·k. Character k − 1 is in
    // the second half of its animation, character k in the first.
    struct SCharStep {
        double progress; // P: (s + r) ÷ 2s for k − 1, r ÷ 2s for k
        double rs;       // r ÷ s
        bool second;     // character k − 1
        int index;       // position in reading order
    };

    // Sets the glyph's transform and draws it once. A missing glyph draws
    // nothing and succeeds.
    static int Draw(IEffectGlyphSrc* glyph, double sx, double sy, double dx, double dy,
                    double angle, double opacity, SEffectRect* drawn = nullptr);
    static int DrawAtRest(IEffectGlyphSrc* glyph, SEffectRect* drawn = nullptr) {
        return Draw(glyph, 1, 1, 0, 0, 0, 1, drawn);
    }

    // x = t ÷ (L − 1); 1 for phases too short to move.
    static double Progress(int t, int length) {
        return length > 1 ? double(t) / (length - 1) : 1.0;
    }

    // Walks the characters from the first node (from the last with fromLast):
    // those before k − 1 drawn at rest, k − 1 and k through animate(glyph,
    // step) → int, later ones not drawn. Stops at the first failure.
    template <class F>
    int Stepped(int t, int length, bool fromLast, F&& animate);

    // The rest box of a glyph in top-down frame pixels; false without a glyph.
    static bool BoxOf(IEffectGlyphSrc* glyph, SEffectRect* box, double* x = nullptr,
                      double* y = nullptr);

    // Offset of the string, in frame widths and heights, that puts it just
    // outside the frame: where it enters from (in) and where it leaves to
    // (out), by m_variant.
    struct SOffset {
        double dx;
        double dy;
    };
    [[nodiscard]] SOffset EntryOffset() const;
    [[nodiscard]] SOffset ExitOffset() const;

    // Writes value (four bytes) into the pixels of rect (top-down frame
    // pixels, clamped to the frame) directly in the target that glyph draws
    // into. Nothing is written when the target is unavailable or its rows are
    // narrower than the frame.
    void FillTarget(IEffectGlyphSrc* glyph, SEffectRect rect, const std::uint8_t value[4]) const;

    IEffectGlyphSrc* m_string = nullptr;
    SGlyphNode* m_chars = nullptr;
    SGlyphNode* m_last = nullptr;
    int m_count = 0;
    double m_fraction = -1;
    int m_perCharacter = 0;
    int m_phase = 0;
    int m_variant = 0;
    int m_quadratic = 0;
};

template <class F>
int CTextEffect::Stepped(int t, int length, bool fromLast, F&& animate) {
    if (m_count <= 0 || length < 2)
        return 1;
    const double s = double(length - 1) / (m_count + 1);
    const int k = int(t / s);
    const double r = t - s * k;
    SGlyphNode* node = fromLast ? m_last : m_chars;
    int result = 1;
    for (int j = 0; j <= k && node && node->glyph; ++j) {
        const int index = fromLast ? m_count - 1 - j : j;
        if (j < k - 1)
            result = DrawAtRest(node->glyph);
        else if (j == k - 1)
            result = animate(node->glyph, SCharStep{(s + r) / (2 * s), r / s, true, index});
        else
            result = animate(node->glyph, SCharStep{r / (2 * s), r / s, false, index});
        if (!result)
            return result;
        node = fromLast ? node->previous : node->next;
    }
    return result;
}
