#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A mask as the transitions use it: one grey level (0 … 255) a pixel, rows
// packed top-down (the first row in memory is the picture's top row).
class CMaskPicture {
public:
    // Decodes a JPEG, GIF or BMP picture from its bytes, every colour becoming
    // the nearest of the 256 greys. False, with the decoder's reason and the
    // picture left empty, when the bytes cannot be decoded. Never throws.
    bool Decode(const std::uint8_t* data, std::size_t size, std::string& reason);

    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    [[nodiscard]] bool IsEmpty() const { return m_levels.empty(); }
    [[nodiscard]] const std::uint8_t* Levels() const { return m_levels.data(); }
    // The level of pixel (x, y), y from the top.
    [[nodiscard]] std::uint8_t At(int x, int y) const {
        return m_levels[std::size_t(y) * std::size_t(m_width) + std::size_t(x)];
    }

    // The grey of the 256-level ramp nearest to a colour: the one closest to
    // the mean of its three bytes.
    static std::uint8_t NearestGrey(int blue, int green, int red) {
        return std::uint8_t((blue + green + red + 1) / 3);
    }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_levels;
};
