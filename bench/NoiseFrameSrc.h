#pragma once

#include "effects/api/TransfxSrc.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A transition's picture for the benchmarks: width x height of noise made
// from a seed, handed over bottom-up as the host does.
class CNoiseFrameSrc : public ItransfxSrc {
public:
    CNoiseFrameSrc(int width, int height, int seed)
        : m_width(width), m_pixels(std::size_t(width) * std::size_t(height) * 4) {
        for (std::size_t i = 0; i < m_pixels.size(); ++i)
            m_pixels[i] = std::uint8_t((i * 2654435761u + std::size_t(seed) * 97) >> 13);
    }
    int GetFrame(std::uint8_t** bits, int* stride) override {
        *bits = m_pixels.data();
        *stride = -m_width * 4;
        return 1;
    }

private:
    int m_width;
    std::vector<std::uint8_t> m_pixels;
};
