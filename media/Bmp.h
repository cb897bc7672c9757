#pragma once

#include "media/BmpInfo.h"
#include "media/PictureBudget.h"

#include <array>
#include <cstdint>
#include <vector>

// A palette entry or a 32-bit pixel: blue, green, red, alpha.
struct PLPixel32 {
    std::uint8_t b = 0, g = 0, r = 0, a = 255;
};

// Writes a pixel as blue, green, red, alpha bytes.
inline void PutPixel(std::uint8_t* d, const PLPixel32& p) {
    d[0] = p.b;
    d[1] = p.g;
    d[2] = p.r;
    d[3] = p.a;
}

// A bitmap: its information, a table of row pointers (row 0 is the top picture
// row), the bytes of one row and, for 8-bit pictures, a palette of 256 entries.
class PLBmp : public PLBmpInfo {
public:
    PLBmp() = default;
    PLBmp(const PLBmp&) = delete;
    PLBmp& operator=(const PLBmp&) = delete;
    virtual ~PLBmp() = default;

    // Frees the old pixels and makes new ones (contents undefined, palette
    // grey for 8-bit pictures). Depth 8 or 32; sizes are checked first.
    void Create(int width, int height, int bpp, bool alpha, bool greyscale, int xres = 0,
                int yres = 0);
    void Create(const PLBmpInfo& info) {
        Create(info.m_Width, info.m_Height, info.m_bpp, info.m_bAlphaChannel,
               info.m_bIsGreyscale, info.m_XRes, info.m_YRes);
    }
    // Makes this a copy of src at depth bpp (8 → 32 expands through the palette;
    // 32 → 8 is not offered and raises code 6).
    void CreateCopy(const PLBmp& src, int bpp);

    [[nodiscard]] std::uint8_t** GetLineArray() { return m_rows.data(); }
    [[nodiscard]] const std::uint8_t* const* GetLineArray() const { return m_rows.data(); }
    [[nodiscard]] int GetBytesPerLine() const { return m_width_bytes; }
    [[nodiscard]] PLPixel32* GetPalette() { return m_palette.data(); }
    [[nodiscard]] const PLPixel32* GetPalette() const { return m_palette.data(); }

    // The raw form: the lowest-addressed row and a signed stride (negative when
    // the rows lie bottom-up in memory). Null for an empty bitmap.
    [[nodiscard]] std::uint8_t* GetRawBits(int& stride);
    // Row 0 and the signed step from one picture row to the next, the form the
    // image primitives walk (null for an empty bitmap).
    [[nodiscard]] std::uint8_t* GetTopDown(int& step);

protected:
    PLBmp(PLBmp&&) = default;
    // Makes memory for the rows and fills m_rows; width_bytes is the row pitch.
    virtual void AllocPixels(int widthBytes, int height) = 0;
    virtual void FreePixels() = 0;

    std::vector<std::uint8_t*> m_rows;
    int m_width_bytes = 0;
    std::array<PLPixel32, 256> m_palette{};
};

// Plain memory, rows top-down. The pixels are charged to the picture memory
// budget while they live; making pixels past it raises code 10.
class PLAnyBmp : public PLBmp {
public:
    PLAnyBmp() = default;
    // Moving keeps the row pointers valid: the pixel memory itself moves along.
    PLAnyBmp(PLAnyBmp&&) = default;
    ~PLAnyBmp() override = default;

protected:
    void AllocPixels(int widthBytes, int height) override;
    void FreePixels() override;

private:
    std::vector<std::uint8_t> m_pixels;
    CPictureBudget::CCharge m_charge;
};

// A device-independent bitmap: the same memory, rows bottom-up.
class PLWinBmp : public PLAnyBmp {
public:
    ~PLWinBmp() override = default;

protected:
    void AllocPixels(int widthBytes, int height) override;
};

// A window of given origin and size into another bitmap, sharing its pixels.
// Create only accepts its own size and depth (the pixels are not its to remake).
class PLSubBmp : public PLBmp {
public:
    PLSubBmp(PLBmp& parent, int x, int y, int width, int height);
    ~PLSubBmp() override = default;

protected:
    void AllocPixels(int widthBytes, int height) override;
    void FreePixels() override;

private:
    std::vector<std::uint8_t*> m_window;
    int m_windowBytes = 0;
};
