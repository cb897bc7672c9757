#pragma once

#include "effects/api/EffectGlyphSrc.h"
#include "render/frame/RectOps.h"
#include "render/frame/RelTransform.h"

class CTxtRender;
class CTxtSrc;

// A glyph of a caption that a text effect moves and draws: the caption's
// whole string, or one character cell of one of its lines. It rests at a
// base position (pixels from the frame centre, y up); the effect's transform
// is relative to that rest state.
class CGlyphSrc final : public IEffectGlyphSrc {
public:
    CGlyphSrc(CTxtRender& owner, CTxtSrc& source, const SRect& crop, double baseX, double baseY,
              double halfWidth, double halfHeight);

    void SetTransform(double sx, double sy, double dx, double dy, double angle,
                      double opacity) override;
    void GetTransform(double* sx, double* sy, double* dx, double* dy, double* angle,
                      double* opacity) override;
    void GetPlacement(double* x, double* y, SEffectRect* box) override;
    std::uint32_t GetColor() override;
    int GetTarget(std::uint8_t** bits, int* stride) override;
    int Render(SEffectRect* drawn) override;

    void ResetTransform() { SetTransform(1, 1, 0, 0, 0, 1); }
    [[nodiscard]] CTxtSrc& Source() const { return m_source; }
    [[nodiscard]] const SRect& Crop() const { return m_crop; }
    [[nodiscard]] const SRect& Box() const { return m_box; }
    // Where the glyph is now: pixels from the frame centre (y up).
    [[nodiscard]] double X() const;
    [[nodiscard]] double Y() const;
    [[nodiscard]] double Sx() const { return m_t.sx; }
    [[nodiscard]] double Sy() const { return m_t.sy; }
    [[nodiscard]] double Angle() const { return m_t.angle; }
    [[nodiscard]] double Opacity() const { return m_t.opacity; }

private:
    CTxtRender& m_owner;
    CTxtSrc& m_source;
    SRect m_crop;
    double m_baseX, m_baseY;
    SRect m_box; // at rest, top-down frame pixels
    SRelTransform m_t;
};
