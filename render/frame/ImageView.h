#pragma once

#include "render/frame/RectOps.h"

#include <cstdint>
#include <vector>

// A view of 32-bit pixels (blue, green, red, alpha) in someone else's buffer.
// Rows are addressed in top-down picture order whatever the memory order: a
// bottom-up buffer keeps picture row 0 last in memory.
class CImageView {
public:
    CImageView() = default;

    // A stride of 0 or less means bottom-up: picture row 0 is the last row in
    // memory, at bits + |stride| x (height - 1).
    void Attach(std::uint8_t* bits, int width, int height, int stride);
    void Detach() { Attach(nullptr, 0, 0, 0); }

    [[nodiscard]] std::uint8_t* Bits() const { return m_bits; }
    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    [[nodiscard]] int Stride() const { return m_stride; } // absolute, bytes
    [[nodiscard]] bool IsBottomUp() const { return m_bottomUp; }
    [[nodiscard]] SRect Bounds() const { return {0, 0, m_width, m_height}; }

    // Picture row y (top-down).
    [[nodiscard]] std::uint8_t* Row(int y) const { return m_rows[std::size_t(y)]; }
    // The rectangle's first row in memory at column rect.left: its bottom row
    // when bottom-up, its top row otherwise; null when outside the view.
    [[nodiscard]] std::uint8_t* PixelAt(const SRect& rect) const;
    // Fills with a colour 0xAARRGGBB (bytes B, G, R, A); the whole view, or a
    // rectangle clipped to it.
    void Fill(std::uint32_t colour);
    void Fill(std::uint32_t colour, const SRect& rect);
    // The same for the part of rect outside hole.
    void Fill(std::uint32_t colour, const SRect& rect, const SRect& hole);

private:
    std::uint8_t* m_bits = nullptr;
    std::vector<std::uint8_t*> m_rows;
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
    bool m_bottomUp = false;
};
