#pragma once

#include "effects/api/EffectGlyphSrc.h"
#include "project/StyledString.h"
#include "render/clip/ClipPipeline.h"

#include <memory>
#include <vector>

class CEffect;
class CGlyphSrc;
class CTxtSrcChar;
class CTxtSrcString;

// One caption: its text rasterised at the size that suits the frame, placed
// at its position, shown over a range of clock frames, and animated by a
// text effect that moves its glyphs (the whole string, or its characters
// when the effect works per character). All glyphs draw through this one
// pipeline, each draw going straight onto the caption layer.
//
// The text is measured when it is set and drawn into pixels only when the
// caption is first drawn; Release gives the pixels back (a caption off
// screen needs none), and the next draw makes the same pixels again.
class CTxtRender final : public CClipPipeline {
public:
    // Position x, y in fractions of the frame from its centre (y up).
    CTxtRender(int width, int height, bool bottomUp, double pixelAspect, double x, double y);
    // The same warping into a layer shared with the other captions of a
    // caption layer, which are drawn one after another on one thread.
    CTxtRender(CLayer& shared, double pixelAspect, double x, double y);
    ~CTxtRender();

    // Measures the style's text scaled to the frame height; false when the
    // text cannot be drawn or would be smaller than 6 points.
    bool SetText(const CStyledString& style);
    void SetFrames(int first, int end) {
        m_first = first;
        m_end = end;
    }
    // A text effect instance (not owned; null for none) and the share of the
    // caption its entry and exit take (negative: the effect's own).
    void SetEffect(CEffect* effect, double inOutFraction);
    // Shown on every frame, without its effect.
    void SetStatic(bool on) { m_static = on; }
    [[nodiscard]] bool IsStatic() const { return m_static; }

    // Draws the caption for a clock frame onto target; nothing outside its
    // frames. False when a glyph cannot be drawn.
    bool DrawAt(int frame, const CImageView& target);
    // Whether DrawAt draws anything at a clock frame.
    [[nodiscard]] bool IsShownAt(int frame) const {
        return m_static || (frame >= m_first && frame < m_end);
    }

    // Draws the text into pixels where they are missing; DrawAt does this
    // itself. False when they cannot be made.
    bool Rasterise();
    // Gives the text's pixels back.
    void Release();
    // Bytes of text pixels held now.
    [[nodiscard]] std::size_t PixelBytes() const;
    // Pixels the text takes once rasterised (the string and, for an effect
    // that works per character, its lines).
    [[nodiscard]] std::int64_t RasterPixels() const;

    [[nodiscard]] int FirstFrame() const { return m_first; }
    [[nodiscard]] int EndFrame() const { return m_end; }
    [[nodiscard]] int Points() const { return m_points; }
    [[nodiscard]] int FrameWidth() const { return m_frameWidth; }
    [[nodiscard]] int FrameHeight() const { return m_frameHeight; }
    [[nodiscard]] std::uint32_t TextColour() const { return std::uint32_t(m_style.GetColor()); }
    [[nodiscard]] CGlyphSrc* StringGlyph() const { return m_stringGlyph.get(); }
    [[nodiscard]] int CharacterCount() const { return int(m_chars.size()); }
    [[nodiscard]] CGlyphSrc* Character(int i) const { return m_chars[std::size_t(i)].get(); }
    // The layer being drawn; null outside DrawAt.
    [[nodiscard]] const CImageView* Target() const { return m_target; }
    bool DrawGlyph(CGlyphSrc& glyph, SEffectRect* drawn);

private:
    bool BuildCharacters();

    int m_frameWidth, m_frameHeight;
    double m_pixelAspect;
    double m_x, m_y;
    CStyledString m_style;
    int m_points = 0;
    int m_first = 0, m_end = 0;
    bool m_static = false;
    CEffect* m_effect = nullptr;
    std::unique_ptr<CTxtSrcString> m_string;
    std::unique_ptr<CGlyphSrc> m_stringGlyph;
    std::vector<std::unique_ptr<CTxtSrcChar>> m_lines;
    std::vector<std::unique_ptr<CGlyphSrc>> m_chars;
    std::vector<SGlyphNode> m_nodes;
    const CImageView* m_target = nullptr;
};
