#pragma once

#include "render/text/TxtSrc.h"

class CFont;
class CStyledString;

// A whole caption rasterised: every line aligned by the style's horizontal
// anchor inside a block five pixels wider on each side than its widest line.
class CTxtSrcString final : public CTxtSrc {
public:
    // The size the style's text takes at a size in points, without drawing
    // it; false without a font or for an impossible size.
    bool Measure(const CStyledString& style, int points);
    // Draws the style's text at a size in points; false without a font or
    // for an impossible size.
    bool Rasterise(const CStyledString& style, int points);
};
