#include "plugins/transfx/ColumnWarp.h"

#include <algorithm>
#include <cstring>
#include <new>

bool CColumnWarp::Resize(int width) {
    try {
        m_columns.assign(std::size_t(std::max(width, 0)), SColumn{});
    } catch (const std::bad_alloc&) {
        m_columns.clear();
        return false;
    }
    m_first = m_last = 0;
    return true;
}

void CColumnWarp::Clear() {
    for (int x = m_first; x < m_last; ++x)
        m_columns[std::size_t(x)].source = nullptr;
    m_first = m_last = 0;
}

void CColumnWarp::Set(int x, const std::uint8_t* source, int stride, int column, int top,
                      int height, int rows, const std::uint8_t* shade) {
    if (x < 0 || x >= int(m_columns.size()) || height <= 0 || rows < 0)
        return;
    SColumn& c = m_columns[std::size_t(x)];
    c.source = source + 4 * std::ptrdiff_t(column);
    c.shade = shade;
    c.stride = stride;
    c.top = top;
    c.height = height;
    c.row = CExactRatio(std::uint32_t(rows), std::uint32_t(height));
    if (m_first == m_last) {
        m_first = x;
        m_last = x + 1;
    } else {
        m_first = std::min(m_first, x);
        m_last = std::max(m_last, x + 1);
    }
}

void CColumnWarp::Draw(std::uint8_t* dst, int dstStride, int rowBegin, int rowEnd) const {
    const SColumn* columns = m_columns.data();
    for (int r = rowBegin; r < rowEnd; ++r) {
        std::uint8_t* out = dst + std::ptrdiff_t(dstStride) * r + 4 * std::ptrdiff_t(m_first);
        for (int x = m_first; x < m_last; ++x, out += 4) {
            const SColumn& c = columns[x];
            const unsigned k = unsigned(r - c.top);
            if (!c.source || k >= unsigned(c.height))
                continue;
            const std::uint8_t* in = c.source + std::ptrdiff_t(c.stride) * c.row(k);
            if (c.shade) {
                out[0] = c.shade[in[0]];
                out[1] = c.shade[in[1]];
                out[2] = c.shade[in[2]];
            } else {
                std::memcpy(out, in, 4);
            }
        }
    }
}

void DrawScaledRow(std::uint8_t* out, const std::uint8_t* in, int frameWidth, int left, int width,
                   int columns) {
    if (width <= 0 || columns < 0)
        return;
    const CExactRatio along{std::uint32_t(columns), std::uint32_t(width)};
    const int begin = std::max(left, 0), end = std::min(frameWidth, left + width);
    for (int j = begin; j < end; ++j)
        std::memcpy(out + 4 * std::ptrdiff_t(j), in + 4 * std::ptrdiff_t(along(unsigned(j - left))), 4);
}

void FillShade(std::uint8_t (&table)[256], float shade) {
    for (int v = 0; v < 256; ++v)
        table[v] = std::uint8_t(std::clamp(int(float(v) * shade), 0, 255));
}
