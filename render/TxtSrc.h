#pragma once

#include "render/FrameSrc.h"

#include <cstdint>
#include <vector>

// Rasterised text as a clip source: a premultiplied picture whose alpha is the
// anti-aliased coverage of the glyphs. The prepared view is the crop (a whole
// string or one character cell).
class CTxtSrc : public CFrameSrc {
public:
    CTxtSrc() = default;
    CTxtSrc(const CTxtSrc&) = delete;
    CTxtSrc& operator=(const CTxtSrc&) = delete;
    ~CTxtSrc() override;

    bool SetCropRect(const SRect& rect) override;

protected:
    // A w x h coverage buffer, cleared; false when too large.
    bool Begin(int width, int height);
    // Turns the coverage into pixels: the text colour where the glyphs are and,
    // with an edge width above 0, the edge colour in a ring of that width
    // around them (the text's anti-aliased edge blending into it). Colours are
    // 0x00BBGGRR. The crop becomes the whole picture.
    bool Finish(std::uint32_t textColour, int edgeWidth, std::uint32_t edgeColour);

    std::vector<std::uint8_t> m_coverage;
    int m_width = 0, m_height = 0;

private:
    std::uint8_t* m_bits = nullptr;
    int m_stride = 0;
};
