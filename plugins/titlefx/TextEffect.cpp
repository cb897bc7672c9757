#include "plugins/titlefx/TextEffect.h"

#include "imgcore/CPU.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

CTextEffect::CTextEffect(const titlefx::STextEffectInfo& info)
    : CEffectBase(info.name, info.display), m_perCharacter(info.perCharacter),
      m_variant(info.variant), m_quadratic(info.quadratic) {}

CEffectSetting* CTextEffect::GetParams(int* count) {
    if (count)
        *count = 0;
    return nullptr;
}

void CTextEffect::SetSize(int width, int height) {
    m_width = width;
    m_height = height;
}

void CTextEffect::Reset() {
    m_width = m_height = m_frameCount = 0;
    m_string = nullptr;
    m_chars = m_last = nullptr;
    m_count = 0;
}

void CTextEffect::SetGlyphs(IEffectGlyphSrc* string, SGlyphNode* characters) {
    m_string = string;
    m_chars = characters;
    m_last = nullptr;
    m_count = 0;
    for (SGlyphNode* node = characters; node; node = node->next) {
        m_last = node;
        ++m_count;
    }
}

CTextEffect::SPhases CTextEffect::Phases() const {
    const int n = std::max(m_frameCount, 0);
    int d = n / 3;
    if (m_fraction >= 0) {
        // In and out share the caption at most half and half: a larger
        // fraction would make the phases overlap, the out phase then starting
        // part-way through its motion. The comparison in double also keeps
        // huge fractions from overflowing the conversion.
        const double v = n * m_fraction;
        d = v >= n / 2 ? n / 2 : int(v);
    }
    if (d < 2) // a phase of one frame could not move
        d = 0;
    return {d, n - 2 * d};
}

int CTextEffect::RenderText(int frame) {
    if (frame < 0 || frame >= m_frameCount)
        return 1;
    if (m_perCharacter && !m_chars)
        return 1;
    const SPhases p = Phases();
    if (frame < p.in) {
        m_phase = 1;
        return RenderIn(frame, p.in);
    }
    if (frame - p.in < p.hold) {
        m_phase = 0;
        return RenderHold(frame - p.in, p.hold);
    }
    m_phase = -1;
    return RenderOut(frame - p.in - p.hold, p.in);
}

int CTextEffect::RenderHold(int, int) { return DrawAtRest(m_string); }

int CTextEffect::RenderOut(int t, int length) { return RenderIn(length - 1 - t, length); }

int CTextEffect::Draw(IEffectGlyphSrc* glyph, double sx, double sy, double dx, double dy,
                      double angle, double opacity, SEffectRect* drawn) {
    if (!glyph)
        return 1;
    glyph->SetTransform(sx, sy, dx, dy, angle, opacity);
    return glyph->Render(drawn);
}

bool CTextEffect::BoxOf(IEffectGlyphSrc* glyph, SEffectRect* box, double* x, double* y) {
    *box = {};
    if (!glyph)
        return false;
    double gx = 0, gy = 0;
    glyph->GetPlacement(&gx, &gy, box);
    if (x)
        *x = gx;
    if (y)
        *y = gy;
    return true;
}

CTextEffect::SOffset CTextEffect::EntryOffset() const {
    SEffectRect box;
    if (!BoxOf(m_string, &box) || m_width <= 0 || m_height <= 0)
        return {0, 0};
    const double W = m_width, H = m_height;
    switch (m_variant) {
    case titlefx::kLeft: return {(W - box.left) / W, 0}; // from beyond the right edge
    case titlefx::kRight: return {-box.right / W, 0};    // from beyond the left edge
    case titlefx::kDown: return {0, box.bottom / H};     // from above the top
    default: return {0, (box.top - H) / H};              // from below the bottom
    }
}

CTextEffect::SOffset CTextEffect::ExitOffset() const {
    SEffectRect box;
    if (!BoxOf(m_string, &box) || m_width <= 0 || m_height <= 0)
        return {0, 0};
    const double W = m_width, H = m_height;
    switch (m_variant) {
    case titlefx::kLeft: return {-box.right / W, 0};
    case titlefx::kRight: return {(W - box.left) / W, 0};
    case titlefx::kDown: return {0, (box.top - H) / H};
    default: return {0, box.bottom / H};
    }
}

void CTextEffect::FillTarget(IEffectGlyphSrc* glyph, SEffectRect rect,
                             const std::uint8_t value[4]) const {
    std::uint8_t* bits = nullptr;
    int stride = 0;
    if (!glyph || !glyph->GetTarget(&bits, &stride) || !bits)
        return;
    // The target is the frame of SetSize; a rectangle reaching outside it is
    // cut, so no write leaves the caption layer.
    rect.left = std::max(rect.left, 0);
    rect.top = std::max(rect.top, 0);
    rect.right = std::min(rect.right, m_width);
    rect.bottom = std::min(rect.bottom, m_height);
    if (rect.left >= rect.right || rect.top >= rect.bottom)
        return;
    const long long step = std::llabs(stride);
    if (step < 4LL * m_width)
        return;
    // Bottom-up rows (negative stride): picture row y is memory row H − 1 − y,
    // so the rectangle starts in memory at its bottom row.
    const long long firstRow = stride < 0 ? m_height - rect.bottom : rect.top;
    std::uint8_t* first = bits + firstRow * step + 4LL * rect.left;
    CCPU::ippiSet_8u_C4R(value, first, int(step),
                         IppiSize{rect.right - rect.left, rect.bottom - rect.top});
}
