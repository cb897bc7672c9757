#include "render/text/TextMetrics.h"

#include "project/StyledString.h"
#include "project/TextCodec.h"
#include "render/text/Font.h"

#include <algorithm>
#include <set>

namespace TextMetrics {

std::vector<std::u32string> SplitLines(std::string_view utf8) {
    std::vector<std::u32string> lines(1);
    for (std::size_t pos = 0; pos < utf8.size();) {
        char c = utf8[pos];
        if (c == '\r' || c == '\n') {
            ++pos;
            // CR LF and LF CR are one break.
            if (pos < utf8.size() && (utf8[pos] == '\r' || utf8[pos] == '\n') && utf8[pos] != c)
                ++pos;
            lines.emplace_back();
            continue;
        }
        lines.back().push_back(TextCodec::DecodeUtf8(utf8, pos));
    }
    if (utf8.empty())
        lines.back().assign(1, U' ');
    return lines;
}

std::shared_ptr<CFont> FontFor(const CStyledString& style, int points) {
    CFont::SRequest request;
    request.face = style.m_font.substr(0, 31);
    // Points at 96 pixels per inch, rounded as a multiply-then-divide does.
    request.cellHeight = int((std::int64_t(points) * 96 + 36) / 72);
    request.bold = (style.m_flags & CStyledString::kBold) != 0;
    request.italic = (style.m_flags & CStyledString::kItalic) != 0;
    request.underline = (style.m_flags & CStyledString::kUnderline) != 0;
    return CFont::Open(request);
}

bool MeasureBlock(const CStyledString& style, int points, int& width, int& height) {
    std::shared_ptr<CFont> font = FontFor(style, points);
    if (!font)
        return false;
    std::vector<std::u32string> lines = SplitLines(style.m_text);
    width = 0;
    for (const std::u32string& line : lines)
        width = std::max(width, font->Measure(line));
    height = int(lines.size()) * font->LineHeight();
    return true;
}

bool ScaledSize(const CStyledString& style, int frameHeight, int& points) {
    int w = 0, h0 = 0;
    if (style.m_size <= 0 || style.m_size > 2000 || !MeasureBlock(style, style.m_size, w, h0))
        return false;
    const double target = double(h0) * frameHeight / 240.0;
    int c = int(double(style.m_size) * frameHeight / 240.0 + 0.5);
    std::set<int> tried{style.m_size};
    // Converges on the size whose measured block has the target height.
    while (tried.insert(c).second) {
        int h = 0;
        if (c <= 0 || c > 2000 || !MeasureBlock(style, c, w, h))
            return false;
        h = std::max(h, 1);
        c = int(target / h * c + 0.5);
    }
    if (c < 6)
        return false;
    points = c;
    return true;
}

} // namespace TextMetrics
