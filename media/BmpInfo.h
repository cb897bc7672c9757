#pragma once

// What a picture is: size, depth, resolution and flags. Every decoder is one,
// describing the picture it has open.
struct PLBmpInfo {
    int m_Width = 0;
    int m_Height = 0;
    int m_bpp = 0;           // bits per pixel: 8 (palette or grey) or 32
    int m_XRes = 0;          // dots per inch; 0 when the file gives none
    int m_YRes = 0;
    bool m_bAlphaChannel = false;
    bool m_bIsGreyscale = false;

    void SetBmpInfo(const PLBmpInfo& other) { *this = other; }
    [[nodiscard]] const PLBmpInfo& GetBmpInfo() const { return *this; }
    [[nodiscard]] int GetWidth() const { return m_Width; }
    [[nodiscard]] int GetHeight() const { return m_Height; }
    [[nodiscard]] int GetBitsPerPixel() const { return m_bpp; }
    [[nodiscard]] bool HasAlpha() const { return m_bAlphaChannel; }
    [[nodiscard]] bool IsGreyscale() const { return m_bIsGreyscale; }
};
