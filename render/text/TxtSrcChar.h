#pragma once

#include "render/frame/RectOps.h"
#include "render/text/TxtSrc.h"

#include <string>
#include <vector>

class CFont;
class CStyledString;

// One line of a caption rasterised character by character: each character
// drawn five pixels into a cell of its own advance plus ten, so characters
// can be moved apart without cutting each other.
class CTxtSrcChar final : public CTxtSrc {
public:
    // The cells of the line in a font, without drawing it; false when the
    // line would be too large.
    bool Measure(const CFont& font, const std::u32string& line);
    bool Rasterise(const CStyledString& style, const CFont& font, const std::u32string& line);

    [[nodiscard]] int Count() const { return int(m_advances.size()); }
    [[nodiscard]] int Advance(int i) const { return m_advances[std::size_t(i)]; }
    // The line's width without the cell padding.
    [[nodiscard]] int LineWidth() const { return m_lineWidth; }
    // Character i's cell in the source.
    [[nodiscard]] SRect Cell(int i) const;

private:
    std::vector<int> m_advances;
    std::vector<int> m_cellStarts;
    int m_lineWidth = 0;
};
