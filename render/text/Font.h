#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// A font at one pixel size, chosen through fontconfig and drawn with
// FreeType, anti-aliased. A face that cannot be found is replaced by the
// system's default sans face. Fonts may be used from any thread: drawing and
// measuring take one process-wide lock (FreeType faces are not shareable).
class CFont {
public:
    struct SRequest {
        std::string face;    // family name; empty for the default sans face
        int cellHeight = 16; // ascent + descent in pixels
        bool bold = false;
        bool italic = false;
        bool underline = false;
    };

    // Null only when no font at all can be loaded.
    static std::shared_ptr<CFont> Open(const SRequest& request);
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    [[nodiscard]] int LineHeight() const { return m_ascent + m_descent; }
    [[nodiscard]] int Ascent() const { return m_ascent; }
    [[nodiscard]] const std::string& Family() const { return m_family; }

    // Advance of one character and of a line, in whole pixels.
    [[nodiscard]] int Advance(char32_t c) const;
    [[nodiscard]] int Measure(std::u32string_view line) const;

    // Draws a line with its left pen position at x and its line box top at y
    // into 8-bit coverage (kept as the maximum of what is there), clipped to
    // width x height. Each character advances by its own advance plus extra.
    void Draw(std::u32string_view line, int x, int y, int extra, std::uint8_t* coverage, int width,
              int height, int stride) const;

private:
    CFont() = default;
    struct SFace;
    std::unique_ptr<SFace> m_face;
    int m_ascent = 0;
    int m_descent = 0;
    bool m_emboldenSynthetic = false;
    bool m_obliqueSynthetic = false;
    bool m_underline = false;
    std::string m_family;
};
