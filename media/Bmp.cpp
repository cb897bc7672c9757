#include "media/Bmp.h"

#include "media/TextException.h"

#include <algorithm>
#include <cstring>
#include <string>

void PLCheckPictureSize(long long width, long long height) {
    constexpr long long kMaxSide = 20000;
    constexpr long long kMaxPixels = 1LL << 28;
    if (width <= 0 || height <= 0)
        throw PLTextException(PL_ERRINTERNAL, "Picture has no pixels.");
    // Code 10 as for memory that cannot be had, but saying why: the size.
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
        throw PLTextException(PL_ERRNO_MEMORY,
                              "The picture is too large: " + std::to_string(width) + " x " +
                                  std::to_string(height) + " pixels (at most " +
                                  std::to_string(kMaxSide) + " a side and " +
                                  std::to_string(kMaxPixels) + " in all).");
}

void PLCheckPictureData(std::uint64_t have, std::uint64_t least) {
    if (least > have)
        throw PLTextException(PL_ERREND_OF_FILE, kTextEndOfFile);
}

void PLBmp::Create(int width, int height, int bpp, bool alpha, bool greyscale, int xres,
                   int yres) {
    if (bpp != 8 && bpp != 32)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, kTextDepthMismatch);
    PLCheckPictureSize(width, height);
    FreePixels();
    m_rows.clear();
    m_Width = width;
    m_Height = height;
    m_bpp = bpp;
    m_bAlphaChannel = alpha;
    m_bIsGreyscale = greyscale;
    m_XRes = xres;
    m_YRes = yres;
    m_width_bytes = width * (bpp / 8);
    for (int i = 0; i < 256; ++i) {
        auto v = std::uint8_t(i);
        m_palette[i] = PLPixel32{v, v, v, 255};
    }
    AllocPixels(m_width_bytes, height);
}

void PLBmp::CreateCopy(const PLBmp& src, int bpp) {
    if (bpp == 0)
        bpp = src.m_bpp;
    if (bpp < src.m_bpp)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, kTextDepthMismatch);
    Create(src.m_Width, src.m_Height, bpp, src.m_bAlphaChannel, src.m_bIsGreyscale, src.m_XRes,
           src.m_YRes);
    m_palette = src.m_palette;
    for (int y = 0; y < m_Height; ++y) {
        const std::uint8_t* s = src.m_rows[y];
        std::uint8_t* d = m_rows[y];
        if (bpp == src.m_bpp) {
            std::memcpy(d, s, std::size_t(m_width_bytes));
            continue;
        }
        for (int x = 0; x < m_Width; ++x) {
            PutPixel(d + 4 * x, src.m_palette[s[x]]);
        }
    }
}

std::uint8_t* PLBmp::GetRawBits(int& stride) {
    stride = 0;
    if (m_rows.empty())
        return nullptr;
    if (m_rows.size() > 1 && m_rows[1] < m_rows[0]) {
        stride = -int(m_rows[0] - m_rows[1]);
        return m_rows.back();
    }
    stride = m_rows.size() > 1 ? int(m_rows[1] - m_rows[0]) : m_width_bytes;
    return m_rows[0];
}

std::uint8_t* PLBmp::GetTopDown(int& step) {
    step = 0;
    if (m_rows.empty())
        return nullptr;
    step = m_rows.size() > 1 ? int(m_rows[1] - m_rows[0]) : m_width_bytes;
    return m_rows[0];
}

void PLAnyBmp::AllocPixels(int widthBytes, int height) {
    const std::size_t bytes = std::size_t(widthBytes) * std::size_t(height);
    m_charge.Take(bytes);
    m_pixels.assign(bytes, 0);
    m_rows.resize(std::size_t(height));
    for (int y = 0; y < height; ++y)
        m_rows[y] = m_pixels.data() + std::size_t(y) * std::size_t(widthBytes);
}

void PLAnyBmp::FreePixels() {
    m_pixels.clear();
    m_pixels.shrink_to_fit();
    m_charge.Release();
}

void PLWinBmp::AllocPixels(int widthBytes, int height) {
    PLAnyBmp::AllocPixels(widthBytes, height);
    std::reverse(m_rows.begin(), m_rows.end());
}

PLSubBmp::PLSubBmp(PLBmp& parent, int x, int y, int width, int height) {
    if (x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > parent.GetWidth() ||
        y + height > parent.GetHeight())
        throw PLTextException(PL_ERRINTERNAL, "Sub-bitmap outside its parent.");
    SetBmpInfo(parent.GetBmpInfo());
    m_Width = width;
    m_Height = height;
    int bytes = m_bpp / 8;
    m_width_bytes = width * bytes;
    m_windowBytes = m_width_bytes;
    m_palette = std::array<PLPixel32, 256>{};
    std::memcpy(m_palette.data(), parent.GetPalette(), sizeof(m_palette));
    for (int r = 0; r < height; ++r)
        m_window.push_back(parent.GetLineArray()[y + r] + std::size_t(x) * bytes);
    m_rows = m_window;
}

void PLSubBmp::AllocPixels(int widthBytes, int height) {
    if (widthBytes != m_windowBytes || height != int(m_window.size()))
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, kTextDepthMismatch);
    m_rows = m_window;
}

void PLSubBmp::FreePixels() {}
