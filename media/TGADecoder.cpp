#include "media/TGADecoder.h"

#include "media/ByteOrder.h"
#include "media/PictureBudget.h"
#include "media/TextException.h"

#include <cstring>
#include <vector>

namespace {

// The depths Pixel reads: it takes (bits + 7) / 8 bytes of each of them.
bool IsPixelDepth(int bits) {
    return bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

PLPixel32 Pixel(const std::uint8_t* p, int bits, bool alpha16) {
    switch (bits) {
    case 8: return PLPixel32{p[0], p[0], p[0], 255};
    case 15:
    case 16: {
        int v = GetLE16(p);
        auto five = [](int c) { return std::uint8_t((c << 3) | (c >> 2)); };
        return PLPixel32{five(v & 31), five((v >> 5) & 31), five((v >> 10) & 31),
                         std::uint8_t(alpha16 ? (v & 0x8000 ? 255 : 0) : 255)};
    }
    case 24: return PLPixel32{p[0], p[1], p[2], 255};
    default: return PLPixel32{p[0], p[1], p[2], p[3]};
    }
}

} // namespace

void PLTGADecoder::Open(PLDataSource* source) {
    Close();
    PLPicDecoder::Open(source);
    m_start = source->GetCurPos();
    std::memcpy(m_header, source->GetBufferPtr(18), 18);
    const std::uint8_t* h = m_header;
    int type = h[2];
    int bits = h[16];
    if (type == 0)
        throw PLTextException(PL_ERRINTERNAL, "TGA: no picture in the file.");
    bool mapped = type == 1 || type == 9;
    // A colour map is decoded only for a colour-mapped picture, so only then
    // must its entries have a depth Pixel can read; other pictures skip it.
    if (mapped && (h[1] != 1 || bits != 8 || !IsPixelDepth(h[7])))
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "TGA: unsupported colour map.");
    if ((type == 3 || type == 11) && bits != 8)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "TGA: unsupported grey depth.");
    if (!IsPixelDepth(bits))
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "TGA: unsupported pixel depth.");
    PLCheckPictureSize(GetLE16(h + 12), GetLE16(h + 14));
    m_Width = GetLE16(h + 12);
    m_Height = GetLE16(h + 14);
    // The fewest bytes that can hold the picture: every pixel's bytes when
    // raw; with runs, one packet (a count byte and a pixel) per 128 pixels.
    // A header that claims more than the file holds is refused here, before
    // the bitmap and the pixel list take memory for it.
    const std::size_t total = std::size_t(m_Width) * std::size_t(m_Height);
    const std::size_t pixelBytes = std::size_t(bits + 7) / 8;
    const std::size_t mapBytes = h[1] == 1 ? std::size_t(GetLE16(h + 5)) * ((h[7] + 7) / 8) : 0;
    const std::size_t least = 18 + h[0] + mapBytes +
                              (type >= 9 ? (total + 127) / 128 * (1 + pixelBytes) : total * pixelBytes);
    if (least > source->GetBytesLeft())
        throw PLTextException(PL_ERREND_OF_FILE, kTextEndOfFile);
    m_bpp = 32;
    int mapBits = h[7];
    int attributeBits = h[17] & 15;
    int pixelBits = mapped ? mapBits : bits;
    m_bAlphaChannel = pixelBits == 32 || (pixelBits == 16 && attributeBits > 0);
    m_bIsGreyscale = type == 3 || type == 11;
    m_XRes = m_YRes = 0;
}

void PLTGADecoder::ReadImage(PLBmp& bmp) {
    CheckTarget(bmp);
    PLDataSource& src = *m_pDataSrc;
    const std::uint8_t* h = m_header;
    int type = h[2];
    int bits = h[16];
    bool mapped = type == 1 || type == 9;
    bool rle = type >= 9;
    bool alpha16 = (h[17] & 15) > 0;
    src.Seek(m_start + 18 + h[0]);
    std::vector<PLPixel32> map;
    if (h[1] == 1) {
        int first = GetLE16(h + 3), count = GetLE16(h + 5), entryBits = h[7];
        int entryBytes = (entryBits + 7) / 8;
        const std::uint8_t* m = src.ReadNBytes(std::size_t(count) * std::size_t(entryBytes));
        if (mapped) {
            map.assign(256, PLPixel32{});
            for (int k = 0; k < count && first + k < 256; ++k)
                map[first + k] = Pixel(m + std::size_t(k) * entryBytes, entryBits, alpha16);
        }
    }
    int bytes = (bits + 7) / 8;
    auto toPixel = [&](const std::uint8_t* p) {
        return mapped ? map[p[0]] : Pixel(p, bits, alpha16);
    };
    std::size_t total = std::size_t(m_Width) * std::size_t(m_Height);
    CPictureBudget::CCharge charge;
    charge.Take(total * sizeof(PLPixel32));
    std::vector<PLPixel32> pixels;
    pixels.reserve(total);
    while (pixels.size() < total) {
        if (!rle) {
            const std::uint8_t* p = src.ReadNBytes(total * bytes);
            for (std::size_t k = 0; k < total; ++k)
                pixels.push_back(toPixel(p + k * bytes));
            break;
        }
        std::uint8_t packet = src.ReadByte();
        std::size_t n = std::min<std::size_t>((packet & 0x7F) + 1u, total - pixels.size());
        if (packet & 0x80) {
            PLPixel32 p = toPixel(src.ReadNBytes(bytes));
            pixels.insert(pixels.end(), n, p);
        } else {
            const std::uint8_t* p = src.ReadNBytes(((packet & 0x7F) + 1u) * bytes);
            for (std::size_t k = 0; k < n; ++k)
                pixels.push_back(toPixel(p + k * bytes));
        }
    }
    // Descriptor bit 5: rows from the top; bit 4: pixels from the right.
    bool topDown = h[17] & 0x20;
    bool rightToLeft = h[17] & 0x10;
    for (int r = 0; r < m_Height; ++r) {
        std::uint8_t* d = bmp.GetLineArray()[topDown ? r : m_Height - 1 - r];
        for (int c = 0; c < m_Width; ++c) {
            const PLPixel32& p = pixels[std::size_t(r) * std::size_t(m_Width) + std::size_t(c)];
            int x = rightToLeft ? m_Width - 1 - c : c;
            d[4 * x] = p.b; d[4 * x + 1] = p.g; d[4 * x + 2] = p.r;
            d[4 * x + 3] = m_bAlphaChannel ? p.a : 255;
        }
    }
}
