#pragma once

#include "render/frame/FrameSrc.h"
#include "render/frame/PixelBuffer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Rasterised text as a clip source: a premultiplied picture whose alpha is the
// anti-aliased coverage of the glyphs. The prepared view is the crop (a whole
// string or one character cell). The size is known once the text is measured;
// the pixels exist only from rasterising to Release, and rasterising again
// gives the same pixels.
class CTxtSrc : public CFrameSrc {
public:
    // The largest text picture: 16384 pixels a side, 2^26 pixels in all.
    static constexpr int kMaxSide = 16384;
    static constexpr std::int64_t kMaxPixels = std::int64_t(1) << 26;

    CTxtSrc() = default;
    CTxtSrc(const CTxtSrc&) = delete;
    CTxtSrc& operator=(const CTxtSrc&) = delete;
    ~CTxtSrc() override;

    bool SetCropRect(const SRect& rect) override;

    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    [[nodiscard]] bool IsRasterised() const { return m_pixels.Bits() != nullptr; }
    // Frees the pixels; the size and the crop stay.
    void Release();
    // Bytes of pixels held now.
    [[nodiscard]] std::size_t Bytes() const { return m_pixels.Bytes(); }

protected:
    // The size of the picture to come, its crop the whole; false when too
    // large.
    bool SetSize(int width, int height);
    // A w x h coverage buffer, cleared, and no pixels; false when too large.
    bool Begin(int width, int height);
    // Turns the coverage into pixels: the text colour where the glyphs are and,
    // with an edge width above 0, the edge colour in a ring of that width
    // around them (the text's anti-aliased edge blending into it). Colours are
    // 0x00BBGGRR. The crop becomes the whole picture; the coverage is freed.
    bool Finish(std::uint32_t textColour, int edgeWidth, std::uint32_t edgeColour);

    std::vector<std::uint8_t> m_coverage;
    int m_width = 0, m_height = 0;

private:
    CPixelBuffer m_pixels;
};
