#include "render/text/TxtSrcString.h"

#include "project/StyledString.h"
#include "render/text/Font.h"
#include "render/text/TextMetrics.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// The lines of a text at a size, with their widths.
struct SBlock {
    std::shared_ptr<CFont> font;
    std::vector<std::u32string> lines;
    std::vector<int> widths;
    int width = 0;

    bool Lay(const CStyledString& style, int points) {
        font = TextMetrics::FontFor(style, points);
        if (!font)
            return false;
        lines = TextMetrics::SplitLines(style.m_text);
        for (const std::u32string& line : lines) {
            widths.push_back(font->Measure(line));
            width = std::max(width, widths.back());
        }
        return true;
    }
    [[nodiscard]] int Height() const { return int(lines.size()) * font->LineHeight(); }
};

} // namespace

bool CTxtSrcString::Measure(const CStyledString& style, int points) {
    SBlock block;
    return block.Lay(style, points) && SetSize(block.width + 10, block.Height());
}

bool CTxtSrcString::Rasterise(const CStyledString& style, int points) {
    SBlock block;
    if (!block.Lay(style, points) || !Begin(block.width + 10, block.Height()))
        return false;
    const int lineHeight = block.font->LineHeight();
    for (std::size_t j = 0; j < block.lines.size(); ++j) {
        int x = 5;
        if (style.m_flags & CStyledString::kAlignCenter)
            x += (block.width - block.widths[j]) / 2;
        else if (style.m_flags & CStyledString::kAlignRight)
            x += block.width - block.widths[j];
        block.font->Draw(block.lines[j], x, int(j) * lineHeight, 0, m_coverage.data(), m_width,
                         m_height, m_width);
    }
    int edgeColour = 0, edgeWidth = 0;
    style.GetEdge(edgeColour, edgeWidth);
    return Finish(std::uint32_t(style.GetColor()), edgeWidth, std::uint32_t(edgeColour));
}
