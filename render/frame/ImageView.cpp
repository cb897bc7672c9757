#include "render/frame/ImageView.h"

#include "imgcore/CPU.h"

#include <cstdlib>

void CImageView::Attach(std::uint8_t* bits, int width, int height, int stride) {
    m_bottomUp = stride <= 0;
    m_stride = std::abs(stride);
    m_width = bits ? width : 0;
    m_height = bits ? height : 0;
    m_bits = bits;
    m_rows.assign(std::size_t(std::max(0, m_height)), nullptr);
    for (int y = 0; y < m_height; ++y) {
        int memoryRow = m_bottomUp ? m_height - 1 - y : y;
        m_rows[std::size_t(y)] = bits + std::size_t(memoryRow) * std::size_t(m_stride);
    }
}

std::uint8_t* CImageView::PixelAt(const SRect& rect) const {
    int row = m_bottomUp ? rect.bottom - 1 : rect.top;
    if (!m_bits || row < 0 || row >= m_height || rect.left < 0 || rect.left >= m_width)
        return nullptr;
    return Row(row) + std::size_t(rect.left) * 4;
}

void CImageView::Fill(std::uint32_t colour) { Fill(colour, Bounds()); }

void CImageView::Fill(std::uint32_t colour, const SRect& rect) {
    SRect r = Intersect(rect, Bounds());
    if (IsEmpty(r))
        return;
    const Ipp8u value[4] = {Ipp8u(colour), Ipp8u(colour >> 8), Ipp8u(colour >> 16),
                            Ipp8u(colour >> 24)};
    // The first row in memory and the step towards the next one in memory.
    CCPU::ippiSet_8u_C4R(value, PixelAt(r), m_stride, {r.right - r.left, r.bottom - r.top});
}

void CImageView::Fill(std::uint32_t colour, const SRect& rect, const SRect& hole) {
    SRect parts[4];
    const int n = Subtract(rect, hole, parts);
    for (int i = 0; i < n; ++i)
        Fill(colour, parts[i]);
}
