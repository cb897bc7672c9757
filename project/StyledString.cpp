#include "project/StyledString.h"

#include <array>
#include <cstdint>

const CRuntimeClass CStyledString::kRuntimeClass{"CStyledString", &CObject::kRuntimeClass,
                                                 nullptr};

bool CStyledString::GetEdge(int& color, int& width) const {
    color = m_edgeColor;
    width = m_edgeWidth;
    return width > 0;
}

void CStyledString::SetOwnColors(int color, int edgeWidth, int edgeColor) {
    m_color = color;
    m_edgeWidth = edgeWidth;
    m_edgeColor = edgeColor;
}

unsigned CStyledString::ParseStyleNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    unsigned base = 10;
    if (i < text.size() && text[i] == '0') {
        base = 8;
        if (i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
            // "0x" counts as hexadecimal only when a hex digit follows.
            char c = i + 2 < text.size() ? text[i + 2] : '\0';
            bool hexDigit = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
            if (hexDigit) {
                base = 16;
                i += 2;
            }
        }
    }
    std::uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        unsigned digit = 99;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (c >= 'a' && c <= 'z')
            digit = unsigned(c - 'a' + 10);
        else if (c >= 'A' && c <= 'Z')
            digit = unsigned(c - 'A' + 10);
        if (digit >= base)
            break;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull) {
            overflow = true;
            value = 0xFFFFFFFFull;
        }
    }
    if (overflow)
        return 0xFFFFFFFFu;
    auto result = std::uint32_t(value);
    return negative ? 0u - result : result;
}

bool CStyledString::ParseStyle(std::string_view text) {
    std::array<std::string_view, 6> fields;
    for (auto& field : fields) {
        std::size_t comma = text.find(',');
        if (comma == std::string_view::npos)
            return false;
        field = text.substr(0, comma);
        text.remove_prefix(comma + 1);
    }
    m_font = std::string(fields[0]);
    m_size = int(ParseStyleNumber(fields[1]));
    m_flags = int(ParseStyleNumber(fields[2]));
    SetColor(int(ParseStyleNumber(fields[3])));
    SetEdgeWidth(int(ParseStyleNumber(fields[4])));
    SetEdgeColor(int(ParseStyleNumber(fields[5])));
    return true;
}

std::string CStyledString::FormatStyle() const {
    int edgeColor = 0, edgeWidth = 0;
    GetEdge(edgeColor, edgeWidth);
    return m_font + ',' + std::to_string(m_size) + ',' + std::to_string(m_flags) + ',' +
           std::to_string(unsigned(GetColor())) + ',' + std::to_string(edgeWidth) + ',' +
           std::to_string(unsigned(edgeColor)) + ',';
}
