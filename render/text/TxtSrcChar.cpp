#include "render/text/TxtSrcChar.h"

#include "project/StyledString.h"
#include "render/text/Font.h"

#include <algorithm>
#include <cstdint>

bool CTxtSrcChar::Measure(const CFont& font, const std::u32string& line) {
    m_advances.clear();
    m_cellStarts.clear();
    m_lineWidth = 0;
    std::int64_t cells = 0;
    for (char32_t c : line) {
        // Past the widest picture the line cannot be drawn anyway.
        if (cells > kMaxSide)
            return false;
        m_cellStarts.push_back(int(cells));
        m_advances.push_back(font.Advance(c));
        m_lineWidth += m_advances.back();
        cells += m_advances.back() + 10;
    }
    return cells <= kMaxSide && SetSize(std::max(int(cells), 1), font.LineHeight());
}

bool CTxtSrcChar::Rasterise(const CStyledString& style, const CFont& font,
                            const std::u32string& line) {
    if (!Measure(font, line) || !Begin(m_width, m_height))
        return false;
    font.Draw(line, 5, 0, 10, m_coverage.data(), m_width, m_height, m_width);
    int edgeColour = 0, edgeWidth = 0;
    style.GetEdge(edgeColour, edgeWidth);
    return Finish(std::uint32_t(style.GetColor()), edgeWidth, std::uint32_t(edgeColour));
}

SRect CTxtSrcChar::Cell(int i) const {
    int left = m_cellStarts[std::size_t(i)];
    return {left, 0, left + m_advances[std::size_t(i)] + 10, m_height};
}
