#include "render/TxtSrcChar.h"

#include "project/StyledString.h"
#include "render/Font.h"

bool CTxtSrcChar::Rasterise(const CStyledString& style, const CFont& font,
                            const std::u32string& line) {
    m_advances.clear();
    m_cellStarts.clear();
    m_lineWidth = 0;
    int cells = 0;
    for (char32_t c : line) {
        m_cellStarts.push_back(cells);
        m_advances.push_back(font.Advance(c));
        m_lineWidth += m_advances.back();
        cells += m_advances.back() + 10;
    }
    if (!Begin(std::max(cells, 1), font.LineHeight()))
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
