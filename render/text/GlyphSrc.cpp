#include "render/text/GlyphSrc.h"

#include "render/text/TxtRender.h"

#include <cmath>

CGlyphSrc::CGlyphSrc(CTxtRender& owner, CTxtSrc& source, const SRect& crop, double baseX,
                     double baseY, double halfWidth, double halfHeight)
    : m_owner(owner), m_source(source), m_crop(crop), m_baseX(baseX), m_baseY(baseY) {
    const double W = owner.FrameWidth(), H = owner.FrameHeight();
    m_box = {int(std::floor(W / 2 + baseX - halfWidth)), int(std::floor(H / 2 - baseY - halfHeight)),
             int(std::ceil(W / 2 + baseX + halfWidth)), int(std::ceil(H / 2 - baseY + halfHeight))};
}

void CGlyphSrc::SetTransform(double sx, double sy, double dx, double dy, double angle,
                             double opacity) {
    m_t.Set(sx, sy, dx, dy, angle, opacity);
}

void CGlyphSrc::GetTransform(double* sx, double* sy, double* dx, double* dy, double* angle,
                             double* opacity) {
    m_t.Get(sx, sy, dx, dy, angle, opacity);
}

double CGlyphSrc::X() const { return m_baseX + m_t.dx * m_owner.FrameWidth(); }
double CGlyphSrc::Y() const { return m_baseY + m_t.dy * m_owner.FrameHeight(); }

void CGlyphSrc::GetPlacement(double* x, double* y, SEffectRect* box) {
    if (x)
        *x = m_baseX / m_owner.FrameWidth();
    if (y)
        *y = m_baseY / m_owner.FrameHeight();
    if (box)
        *box = m_box;
}

std::uint32_t CGlyphSrc::GetColor() { return m_owner.TextColour(); }

int CGlyphSrc::GetTarget(std::uint8_t** bits, int* stride) {
    const CImageView* target = m_owner.Target();
    if (!target)
        return 0;
    if (bits)
        *bits = target->PixelAt(target->Bounds());
    if (stride)
        *stride = target->IsBottomUp() ? -target->Stride() : target->Stride();
    return 1;
}

int CGlyphSrc::Render(SEffectRect* drawn) { return m_owner.DrawGlyph(*this, drawn) ? 1 : 0; }
