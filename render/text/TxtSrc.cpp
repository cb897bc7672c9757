#include "render/text/TxtSrc.h"

#include "imgcore/CPU.h"

#include <algorithm>
#include <cstring>

namespace {

// The coverage grown by r pixels in every direction (a square's maximum,
// taken along rows and then along columns).
std::vector<std::uint8_t> Grow(const std::vector<std::uint8_t>& in, int w, int h, int r) {
    std::vector<std::uint8_t> rows(in.size()), out(in.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t m = 0;
            for (int k = std::max(0, x - r); k <= std::min(w - 1, x + r); ++k)
                m = std::max(m, in[std::size_t(y) * std::size_t(w) + std::size_t(k)]);
            rows[std::size_t(y) * std::size_t(w) + std::size_t(x)] = m;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t m = 0;
            for (int k = std::max(0, y - r); k <= std::min(h - 1, y + r); ++k)
                m = std::max(m, rows[std::size_t(k) * std::size_t(w) + std::size_t(x)]);
            out[std::size_t(y) * std::size_t(w) + std::size_t(x)] = m;
        }
    return out;
}

} // namespace

CTxtSrc::~CTxtSrc() = default;

void CTxtSrc::Release() {
    m_pixels.Free();
    m_source = CImageView();
    m_prepared = CImageView();
    std::vector<std::uint8_t>().swap(m_coverage);
}

bool CTxtSrc::SetSize(int width, int height) {
    // A caption larger than this is a broken style, not a caption.
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        std::int64_t(width) * height > kMaxPixels)
        return false;
    m_width = width;
    m_height = height;
    m_crop = {0, 0, width, height};
    return true;
}

bool CTxtSrc::Begin(int width, int height) {
    Release();
    if (!SetSize(width, height))
        return false;
    m_coverage.assign(std::size_t(width) * std::size_t(height), 0);
    return true;
}

bool CTxtSrc::Finish(std::uint32_t textColour, int edgeWidth, std::uint32_t edgeColour) {
    if (!m_pixels.Allocate(m_width, m_height))
        return false;
    std::uint8_t* const bits = m_pixels.Bits();
    const int stride = m_pixels.Stride();
    const int edge = std::min(edgeWidth, 32);
    std::vector<std::uint8_t> grown;
    if (edge > 0)
        grown = Grow(m_coverage, m_width, m_height, edge);
    auto channel = [](std::uint32_t colour, int shift) { return int((colour >> shift) & 0xFF); };
    const int text[3] = {channel(textColour, 16), channel(textColour, 8), channel(textColour, 0)};
    const int rim[3] = {channel(edgeColour, 16), channel(edgeColour, 8), channel(edgeColour, 0)};
    for (int y = 0; y < m_height; ++y) {
        std::uint8_t* row = bits + std::ptrdiff_t(y) * stride;
        for (int x = 0; x < m_width; ++x) {
            std::size_t i = std::size_t(y) * std::size_t(m_width) + std::size_t(x);
            int cover = m_coverage[i];
            int alpha = edge > 0 ? std::max(cover, int(grown[i])) : cover;
            for (int c = 0; c < 3; ++c) {
                int colour = edge > 0 ? (text[c] * cover + rim[c] * (255 - cover) + 127) / 255 : text[c];
                row[4 * x + c] = std::uint8_t(colour);
            }
            row[4 * x + 3] = std::uint8_t(alpha);
        }
    }
    // The coverage is spent: only the pixels are kept.
    std::vector<std::uint8_t>().swap(m_coverage);
    if (CCPU::ippiAlphaPremul_8u_AC4IR(bits, stride, {m_width, m_height}) != ippStsNoErr)
        return false;
    m_source.Attach(bits, m_width, m_height, stride);
    return SetCropRect(m_source.Bounds());
}

bool CTxtSrc::SetCropRect(const SRect& rect) {
    SRect crop = Intersect(rect, m_source.Bounds());
    if (IsEmpty(crop))
        return false;
    m_crop = crop;
    m_prepared.Attach(m_source.PixelAt(crop), crop.right - crop.left, crop.bottom - crop.top,
                      m_source.Stride());
    m_changed = true;
    return true;
}
