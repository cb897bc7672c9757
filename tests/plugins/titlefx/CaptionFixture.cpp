#include "tests/plugins/titlefx/CaptionFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

void CFakeGlyph::GetTransform(double* sx, double* sy, double* dx, double* dy, double* angle,
                              double* opacity) {
    *sx = current.sx;
    *sy = current.sy;
    *dx = current.dx;
    *dy = current.dy;
    *angle = current.angle;
    *opacity = current.opacity;
}

void CFakeGlyph::GetPlacement(double* px, double* py, SEffectRect* b) {
    *px = x;
    *py = y;
    if (b)
        *b = box;
}

int CFakeGlyph::GetTarget(std::uint8_t** bits, int* stride) {
    if (!target)
        return 0;
    *bits = target->bytes.data();
    *stride = target->Stride();
    return 1;
}

int CFakeGlyph::Render(SEffectRect* drawn) {
    const int call = (*calls)++;
    if (failAt >= 0 && call >= failAt)
        return 0;
    log->push_back({id, current});
    if (target)
        for (int y = std::max(box.top, 0); y < std::min(box.bottom, target->h); ++y)
            for (int x = std::max(box.left, 0); x < std::min(box.right, target->w); ++x)
                for (int c = 0; c < 4; ++c)
                    target->At(x, y)[c] = 255;
    if (drawn)
        *drawn = box;
    return 1;
}

CCaption::CCaption(int index, int chars, int frames, double fraction) {
    effect = titlefx::CreateTextEffect(index);
    EXPECT_NE(effect, nullptr);
    string.box = {20, 10, 80, 30};
    string.y = 0.3;
    string.log = &log;
    string.calls = &calls;
    nodes.resize(std::size_t(chars));
    for (int i = 0; i < chars; ++i) {
        auto g = std::make_unique<CFakeGlyph>();
        g->id = i;
        g->box = {20 + 20 * i, 10, 40 + 20 * i, 30};
        g->x = (30.0 + 20 * i - W / 2.0) / W;
        g->y = 0.3;
        g->log = &log;
        g->calls = &calls;
        nodes[std::size_t(i)] = {g.get(), i ? &nodes[std::size_t(i) - 1] : nullptr,
                                 i + 1 < chars ? &nodes[std::size_t(i) + 1] : nullptr};
        glyphs.push_back(std::move(g));
    }
    effect->Reset();
    effect->SetSize(W, H);
    if (fraction >= 0)
        effect->SetInOutFraction(fraction);
    effect->SetFrameCount(frames);
    effect->SetGlyphs(&string, chars ? nodes.data() : nullptr);
}

CCaption::~CCaption() {
    if (effect)
        effect->Destroy();
}

int CCaption::Frame(int f) {
    log.clear();
    calls = 0;
    return effect->RenderText(f);
}

std::vector<STransform> CCaption::DrawsOf(int glyph) const {
    std::vector<STransform> out;
    for (const SDraw& d : log)
        if (d.glyph == glyph)
            out.push_back(d.t);
    return out;
}

void CCaption::UseTarget(STestTarget* t) {
    string.target = t;
    for (auto& g : glyphs)
        g->target = t;
}

void CCaption::FailAt(int call) {
    string.failAt = call;
    for (auto& g : glyphs)
        g->failAt = call;
}
