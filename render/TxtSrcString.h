#pragma once

#include "render/TxtSrc.h"

class CFont;
class CStyledString;

// A whole caption rasterised: every line aligned by the style's horizontal
// anchor inside a block five pixels wider on each side than its widest line.
class CTxtSrcString final : public CTxtSrc {
public:
    // Draws the style's text at a size in points; false without a font or
    // for an impossible size.
    bool Rasterise(const CStyledString& style, int points);
};
