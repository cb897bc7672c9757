#pragma once

#include "effects/EffectGlyphSrc.h"
#include "plugins/titlefx/TextEffect.h"

#include <cstdint>
#include <memory>
#include <vector>

// A caption layer of W × H pixels, top-down or bottom-up in memory as the host
// may hand it out.
struct STestTarget {
    int w, h;
    bool bottomUp;
    std::vector<std::uint8_t> bytes;

    STestTarget(int width, int height, bool bottomUp_)
        : w(width), h(height), bottomUp(bottomUp_), bytes(std::size_t(width) * height * 4) {}
    // Pixel (x, y) in top-down picture coordinates.
    std::uint8_t* At(int x, int y) {
        const int row = bottomUp ? h - 1 - y : y;
        return bytes.data() + (std::size_t(row) * w + x) * 4;
    }
    [[nodiscard]] int Stride() const { return bottomUp ? -4 * w : 4 * w; }
};

struct STransform {
    double sx, sy, dx, dy, angle, opacity;
};

// One Render call: which glyph (−1 the string, else the character's index)
// and the transform it drew with.
struct SDraw {
    int glyph;
    STransform t;
};

// A host glyph with a fixed placement. Render logs the call, paints the rest
// box opaque white into the target when there is one, and fails from call
// number failAt on (counted over the whole caption).
class CFakeGlyph : public IEffectGlyphSrc {
public:
    void SetTransform(double sx, double sy, double dx, double dy, double angle,
                      double opacity) override {
        current = {sx, sy, dx, dy, angle, opacity};
    }
    void GetTransform(double* sx, double* sy, double* dx, double* dy, double* angle,
                      double* opacity) override;
    void GetPlacement(double* px, double* py, SEffectRect* b) override;
    std::uint32_t GetColor() override { return colour; }
    int GetTarget(std::uint8_t** bits, int* stride) override;
    int Render(SEffectRect* drawn) override;

    int id = -1;
    double x = 0, y = 0;
    SEffectRect box{};
    std::uint32_t colour = 0x00336699;
    STransform current{1, 1, 0, 0, 0, 1};
    STestTarget* target = nullptr;
    std::vector<SDraw>* log = nullptr;
    int* calls = nullptr;
    int failAt = -1;
};

// One caption set up as the host sets it up: a string glyph whose box spans
// (20, 10)-(80, 30) on a 100 × 50 frame, and `chars` character glyphs, each
// 20 pixels wide, side by side from x = 20.
class CCaption {
public:
    CCaption(int index, int chars, int frames, double fraction = -1);
    ~CCaption();

    // Draws caption frame f with a fresh log; returns RenderText's result.
    int Frame(int f);
    // The draws of the last frame by glyph (−1 the string).
    [[nodiscard]] std::vector<STransform> DrawsOf(int glyph) const;
    void UseTarget(STestTarget* t);
    void FailAt(int call);

    static constexpr int W = 100, H = 50;
    CTextEffect* effect = nullptr;
    CFakeGlyph string;
    std::vector<std::unique_ptr<CFakeGlyph>> glyphs;
    std::vector<SGlyphNode> nodes;
    std::vector<SDraw> log;
    int calls = 0;
};
