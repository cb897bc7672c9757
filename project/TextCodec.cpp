#include "project/TextCodec.h"

namespace TextCodec {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 bytes 0x80 to 0x9F. Unassigned bytes map to themselves.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

int Cp1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return int(c);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c)
            return 0x80 + i;
    return -1;
}

} // namespace

char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char b0 = byte(pos);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int extra;
    char32_t c, min;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1, c = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, c = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, c = b0 & 0x07, min = 0x10000;
    } else {
        ++pos;
        return kReplacement;
    }
    if (pos + std::size_t(extra) >= text.size()) {
        ++pos;
        return kReplacement;
    }
    for (int i = 1; i <= extra; ++i) {
        unsigned char b = byte(pos + std::size_t(i));
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return kReplacement;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++pos;
        return kReplacement;
    }
    pos += std::size_t(extra) + 1;
    return c;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = kReplacement;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

std::string FromCp1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        AppendUtf8(out, (b >= 0x80 && b < 0xA0) ? char32_t(kCp1252High[b - 0x80]) : char32_t(b));
    }
    return out;
}

bool ToCp1252(std::string_view utf8, std::string& out) {
    out.clear();
    out.reserve(utf8.size());
    bool exact = true;
    for (std::size_t pos = 0; pos < utf8.size();) {
        // A malformed sequence decodes to U+FFFD, which Windows-1252 cannot hold.
        int b = Cp1252Byte(DecodeUtf8(utf8, pos));
        if (b < 0) {
            out += '?';
            exact = false;
        } else {
            out += char(b);
        }
    }
    return exact;
}

bool FitsCp1252(std::string_view utf8) {
    std::string ignored;
    return ToCp1252(utf8, ignored);
}

std::string FromUtf16(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t c = DecodeUtf8(utf8, pos);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

std::string FromUtf16Le(std::string_view bytes) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t(static_cast<unsigned char>(bytes[2 * i]) |
                            (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    std::string out = FromUtf16(units);
    if (bytes.size() % 2)
        AppendUtf8(out, kReplacement);
    return out;
}

std::string ToUtf16Le(std::string_view utf8) {
    std::u16string units = ToUtf16(utf8);
    std::string out;
    out.reserve(units.size() * 2);
    for (char16_t u : units) {
        out += char(u & 0xFF);
        out += char(u >> 8);
    }
    return out;
}

char32_t FoldCase(char32_t c) {
    if (c >= 'A' && c <= 'Z')
        return c + 32;
    if (c < 0xC0)
        return c;
    // Latin-1: À..Þ except the multiplication sign.
    if (c <= 0xDE)
        return c == 0xD7 ? c : c + 32;
    if (c == 0x178) // Ÿ, whose small form is in Latin-1
        return 0xFF;
    // Latin Extended-A: mostly upper/lower pairs on even/odd code points, with a
    // stretch 0x139-0x148 and 0x179-0x17E where the pairs start on odd points.
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
            return c == 0x130 ? U'i' : c;
        bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        bool upper = oddPairs ? (c & 1) : !(c & 1);
        return upper ? c + 1 : c;
    }
    // Greek capitals and Cyrillic.
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    if (c >= 0x410 && c <= 0x42F)
        return c + 32;
    return c;
}

std::string FoldCase(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        std::size_t start = pos;
        char32_t c = DecodeUtf8(utf8, pos);
        if (c == kReplacement && pos == start + 1)
            out += utf8[start]; // keep malformed bytes as they are
        else
            AppendUtf8(out, FoldCase(c));
    }
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) { return FoldCase(a) == FoldCase(b); }

} // namespace TextCodec
