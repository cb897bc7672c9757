#include "render/TxtSrcString.h"

#include "project/StyledString.h"
#include "render/Font.h"
#include "render/TextMetrics.h"

#include <algorithm>

bool CTxtSrcString::Rasterise(const CStyledString& style, int points) {
    std::shared_ptr<CFont> font = TextMetrics::FontFor(style, points);
    if (!font)
        return false;
    std::vector<std::u32string> lines = TextMetrics::SplitLines(style.m_text);
    std::vector<int> widths;
    int width = 0;
    for (const std::u32string& line : lines) {
        widths.push_back(font->Measure(line));
        width = std::max(width, widths.back());
    }
    const int lineHeight = font->LineHeight();
    if (!Begin(width + 10, int(lines.size()) * lineHeight))
        return false;
    for (std::size_t j = 0; j < lines.size(); ++j) {
        int x = 5;
        if (style.m_flags & CStyledString::kAlignCenter)
            x += (width - widths[j]) / 2;
        else if (style.m_flags & CStyledString::kAlignRight)
            x += width - widths[j];
        font->Draw(lines[j], x, int(j) * lineHeight, 0, m_coverage.data(), m_width, m_height,
                   m_width);
    }
    int edgeColour = 0, edgeWidth = 0;
    style.GetEdge(edgeColour, edgeWidth);
    return Finish(std::uint32_t(style.GetColor()), edgeWidth, std::uint32_t(edgeColour));
}
