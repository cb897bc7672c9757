#pragma once

#include "effects/api/EffectGlyphSrc.h"
#include "plugins/titlefx/TextEffect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

// A caption layer of w × h pixels, top-down or bottom-up in memory.
struct STestTarget {
    int w, h;
    bool bottomUp;
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(std::size_t(w) * h * 4);

    // Pixel (x, y) in top-down picture coordinates.
    std::uint8_t* At(int x, int y) {
        return bytes.data() + (std::size_t(bottomUp ? h - 1 - y : y) * w + x) * 4;
    }
};

// sx, sy, dx, dy, angle, opacity.
using STransform = std::array<double, 6>;

// One Render call: the glyph (−1 the string, else the character's index) and
// its transform.
struct SDraw {
    int glyph;
    STransform t;
};

// What the glyphs of one caption share: the log, the call count, the call
// from which Render fails, and the target.
struct SGlyphHost {
    std::vector<SDraw> log;
    int calls = 0;
    int failAt = -1;
    STestTarget* target = nullptr;
};

// A host glyph with a fixed placement. Render logs the call and paints the
// rest box opaque white into the target (cut to it).
class CFakeGlyph : public IEffectGlyphSrc {
public:
    CFakeGlyph(SGlyphHost& host, int id, SEffectRect box, double x, double y)
        : host(host), id(id), box(box), x(x), y(y) {}
    void SetTransform(double sx, double sy, double dx, double dy, double a, double o) override {
        t = {sx, sy, dx, dy, a, o};
    }
    void GetTransform(double* sx, double* sy, double* dx, double* dy, double* a,
                      double* o) override {
        *sx = t[0], *sy = t[1], *dx = t[2], *dy = t[3], *a = t[4], *o = t[5];
    }
    void GetPlacement(double* px, double* py, SEffectRect* b) override {
        *px = x, *py = y;
        if (b)
            *b = box;
    }
    std::uint32_t GetColor() override { return 0x00336699; }
    int GetTarget(std::uint8_t** bits, int* stride) override {
        if (!host.target)
            return 0;
        *bits = host.target->bytes.data();
        *stride = (host.target->bottomUp ? -4 : 4) * host.target->w;
        return 1;
    }
    int Render(SEffectRect* drawn) override {
        if (host.failAt >= 0 && host.calls++ >= host.failAt)
            return 0;
        host.log.push_back({id, t});
        if (STestTarget* g = host.target)
            for (int py = std::max(box.top, 0); py < std::min(box.bottom, g->h); ++py)
                for (int px = std::max(box.left, 0); px < std::min(box.right, g->w); ++px)
                    std::fill_n(g->At(px, py), 4, 255);
        if (drawn)
            *drawn = box;
        return 1;
    }

    SGlyphHost& host;
    int id;
    SEffectRect box;
    double x, y;
    STransform t{1, 1, 0, 0, 0, 1};
};

// The catalogue index of the effect with internal name `name`; fails the test
// and gives −1 when there is none.
inline int TextEffectIndex(const char* name) {
    for (int i = 0; i < titlefx::TextEffectCount(); ++i)
        if (std::strcmp(titlefx::TextEffectInfo(i)->name, name) == 0)
            return i;
    ADD_FAILURE() << "no text effect " << name;
    return -1;
}

// One caption set up as the host sets it up, on a 100 × 50 frame: the string
// box (20, 10)-(80, 30), character i box (20 + 20i, 10)-(40 + 20i, 30), rest
// positions x = (30 + 20i − 50) ÷ 100, y = 0.3.
class CCaption : public SGlyphHost {
public:
    static constexpr int W = 100, H = 50;

    CCaption(int index, int chars, int frames, double fraction = -1)
        : effect(titlefx::CreateTextEffect(index)), string(*this, -1, {20, 10, 80, 30}, 0, 0.3),
          nodes(std::size_t(chars)) {
        for (int i = 0; i < chars; ++i) {
            glyphs.push_back(std::make_unique<CFakeGlyph>(
                *this, i, SEffectRect{20 + 20 * i, 10, 40 + 20 * i, 30}, (20.0 * i - 20) / W, 0.3));
            nodes[std::size_t(i)] = {glyphs.back().get(), i ? &nodes[std::size_t(i) - 1] : nullptr,
                                     i + 1 < chars ? &nodes[std::size_t(i) + 1] : nullptr};
        }
        effect->Reset();
        effect->SetSize(W, H);
        if (fraction >= 0)
            effect->SetInOutFraction(fraction);
        effect->SetFrameCount(frames);
        effect->SetGlyphs(&string, chars ? nodes.data() : nullptr);
    }
    // The effect of internal name `name`.
    CCaption(const char* name, int chars, int frames, double fraction = -1)
        : CCaption(TextEffectIndex(name), chars, frames, fraction) {}
    ~CCaption() { effect->Destroy(); }

    // Draws caption frame f with a fresh log; RenderText's result.
    int Frame(int f) {
        log.clear();
        calls = 0;
        return effect->RenderText(f);
    }

    CTextEffect* effect;
    CFakeGlyph string;
    std::vector<std::unique_ptr<CFakeGlyph>> glyphs;
    std::vector<SGlyphNode> nodes;
};

inline void ExpectTransform(const STransform& t, const STransform& v) {
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_NEAR(t[i], v[i], 1e-9) << "component " << i;
}
