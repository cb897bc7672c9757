#include "media/BmpDecoder.h"

#include "media/ByteOrder.h"
#include "media/PictureBudget.h"
#include "media/TextException.h"

#include <bit>
#include <cstring>
#include <vector>

namespace {

enum : int { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

[[noreturn]] void Corrupt(const char* what) {
    throw PLTextException(PL_ERRINTERNAL, std::string("BMP: ") + what);
}

// Scales a masked field to 8 bits.
std::uint8_t Field(std::uint32_t v, std::uint32_t mask) {
    if (!mask)
        return 0;
    int shift = std::countr_zero(mask);
    int bits = std::popcount(mask >> shift);
    std::uint32_t f = (v & mask) >> shift;
    std::uint32_t max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    return std::uint8_t(std::uint64_t(f) * 255 / max);
}

} // namespace

void PLBmpDecoder::Open(PLDataSource* source) {
    Close();
    PLPicDecoder::Open(source);
    m_base = source->GetCurPos();
    const std::uint8_t* h = source->GetBufferPtr(14);
    if (h[0] == 'B' && h[1] == 'A') {
        // An OS/2 array: a 14-byte array header before the first file header.
        m_base += 14;
        source->Seek(m_base);
        h = source->GetBufferPtr(14);
    }
    if (h[0] != 'B' || h[1] != 'M')
        throw PLTextException(PL_ERRFORMAT_NOT_COMPILED, kTextNotCompiled);
    m_bitsOffset = m_base + GetLE32(h + 10);
    source->Seek(m_base + 14);
    std::uint32_t headerSize = GetLE32(source->GetBufferPtr(4));
    long long width = 0, height = 0;
    int planes = 1;
    m_compression = kRgb;
    std::uint32_t used = 0;
    if (headerSize == 12) {
        const std::uint8_t* i = source->GetBufferPtr(12);
        width = GetLE16(i + 4);
        height = std::int16_t(GetLE16(i + 6));
        planes = GetLE16(i + 8);
        m_srcBpp = GetLE16(i + 10);
        m_paletteEntryBytes = 3;
    } else if (headerSize >= 40 && headerSize <= 256) {
        const std::uint8_t* i = source->GetBufferPtr(headerSize);
        width = std::int32_t(GetLE32(i + 4));
        height = std::int32_t(GetLE32(i + 8));
        planes = GetLE16(i + 12);
        m_srcBpp = GetLE16(i + 14);
        m_compression = int(GetLE32(i + 16));
        std::uint32_t xppm = GetLE32(i + 24), yppm = GetLE32(i + 28);
        used = GetLE32(i + 32);
        m_XRes = int(std::min<std::uint32_t>(xppm, 10000000) * 0.0254 + 0.5);
        m_YRes = int(std::min<std::uint32_t>(yppm, 10000000) * 0.0254 + 0.5);
        m_paletteEntryBytes = 4;
        m_masks[0] = m_masks[1] = m_masks[2] = m_masks[3] = 0;
        if (headerSize >= 52) {
            for (int k = 0; k < 3; ++k)
                m_masks[k] = GetLE32(i + 40 + 4 * k);
            if (headerSize >= 56)
                m_masks[3] = GetLE32(i + 52);
        } else if (m_compression == kBitFields || m_compression == kAlphaBitFields) {
            // The masks follow a 40-byte header.
            int count = m_compression == kAlphaBitFields ? 4 : 3;
            const std::uint8_t* m = source->GetBufferPtr(headerSize + 4 * count) + headerSize;
            for (int k = 0; k < count; ++k)
                m_masks[k] = GetLE32(m + 4 * k);
        }
    } else {
        Corrupt("unknown header size.");
    }
    if (planes != 1)
        Corrupt("bad plane count.");
    m_bottomUp = height > 0;
    if (height < 0)
        height = -height;
    PLCheckPictureSize(width, height);
    switch (m_srcBpp) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: Corrupt("bad bit depth.");
    }
    bool bitFields = m_compression == kBitFields || m_compression == kAlphaBitFields;
    if ((m_compression == kRle8 && m_srcBpp != 8) || (m_compression == kRle4 && m_srcBpp != 4) ||
        (bitFields && m_srcBpp != 16 && m_srcBpp != 32) || m_compression > kAlphaBitFields ||
        m_compression == 4 || m_compression == 5)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "BMP: unsupported compression.");
    if (!bitFields) {
        if (m_srcBpp == 16) {
            m_masks[0] = 0x7C00; m_masks[1] = 0x03E0; m_masks[2] = 0x001F; m_masks[3] = 0;
        } else if (m_srcBpp >= 24) {
            m_masks[0] = 0xFF0000; m_masks[1] = 0xFF00; m_masks[2] = 0xFF; m_masks[3] = 0;
        }
    }
    if (m_srcBpp <= 8) {
        m_colours = used ? int(std::min<std::uint32_t>(used, 1u << m_srcBpp)) : 1 << m_srcBpp;
        m_paletteOffset = m_base + 14 + headerSize +
                          (m_compression == kBitFields && headerSize == 40 ? 12 : 0);
    }
    // Plain rows take their bytes, padded to four but the last; run-length
    // data may end the picture at once (the rest keeps colour 0), so it
    // needs that one mark only.
    const std::uint64_t pitch = (std::uint64_t(width) * std::uint64_t(m_srcBpp) + 31) / 32 * 4;
    const bool runs = m_compression == kRle8 || m_compression == kRle4;
    const std::uint64_t least =
        runs ? 2 : pitch * std::uint64_t(height - 1) + (std::uint64_t(width) * m_srcBpp + 7) / 8;
    const std::size_t size = source->GetFileSize();
    PLCheckPictureData(m_bitsOffset < size ? size - m_bitsOffset : 0, least);
    m_Width = int(width);
    m_Height = int(height);
    m_bpp = 32;
    m_bAlphaChannel = m_srcBpp == 32 && m_masks[3] != 0;
    m_bIsGreyscale = false;
}

void PLBmpDecoder::ReadImage(PLBmp& bmp) {
    CheckTarget(bmp);
    PLDataSource& src = *m_pDataSrc;
    std::vector<PLPixel32> palette(256);
    if (m_srcBpp <= 8) {
        src.Seek(m_paletteOffset);
        const std::uint8_t* p =
            src.GetBufferPtr(std::size_t(m_colours) * std::size_t(m_paletteEntryBytes));
        for (int k = 0; k < m_colours; ++k) {
            const std::uint8_t* e = p + k * m_paletteEntryBytes;
            palette[k] = PLPixel32{e[0], e[1], e[2], 255};
        }
    }
    std::uint8_t** rows = bmp.GetLineArray();
    auto rowOf = [&](int fileRow) { return rows[m_bottomUp ? m_Height - 1 - fileRow : fileRow]; };
    src.Seek(m_bitsOffset);

    if (m_compression == kRle8 || m_compression == kRle4) {
        // Run-length data: indices written into an index plane, which starts
        // as colour 0 (skipped pixels keep it).
        CPictureBudget::CCharge charge;
        charge.Take(std::size_t(m_Width) * std::size_t(m_Height));
        std::vector<std::uint8_t> index(std::size_t(m_Width) * std::size_t(m_Height), 0);
        int x = 0, y = 0;
        bool four = m_compression == kRle4;
        auto put = [&](int v) {
            if (x < m_Width && y < m_Height)
                index[std::size_t(y) * std::size_t(m_Width) + std::size_t(x)] = std::uint8_t(v);
            ++x;
        };
        while (y < m_Height) {
            std::uint8_t n = src.ReadByte();
            std::uint8_t v = src.ReadByte();
            if (n) {
                for (int k = 0; k < n; ++k)
                    put(four ? (k & 1 ? v & 15 : v >> 4) : v);
            } else if (v == 0) {
                x = 0;
                ++y;
            } else if (v == 1) {
                break;
            } else if (v == 2) {
                x += src.ReadByte();
                y += src.ReadByte();
            } else {
                std::size_t bytes = four ? (v + 1u) / 2 : v;
                const std::uint8_t* d = src.ReadNBytes(bytes);
                for (int k = 0; k < v; ++k)
                    put(four ? (k & 1 ? d[k / 2] & 15 : d[k / 2] >> 4) : d[k]);
                if (bytes & 1)
                    src.Skip(1);
            }
        }
        for (int r = 0; r < m_Height; ++r) {
            std::uint8_t* d = rowOf(r);
            for (int c = 0; c < m_Width; ++c) {
                const PLPixel32& p = palette[index[std::size_t(r) * std::size_t(m_Width) + c]];
                PutPixel(d + 4 * c, p);
            }
        }
        return;
    }

    std::size_t pitch = ((std::size_t(m_Width) * std::size_t(m_srcBpp) + 31) / 32) * 4;
    for (int r = 0; r < m_Height; ++r) {
        // The last row need not carry its padding.
        std::size_t need = r == m_Height - 1 ? (std::size_t(m_Width) * m_srcBpp + 7) / 8 : pitch;
        const std::uint8_t* s = src.GetBufferPtr(need);
        if (r != m_Height - 1)
            src.Skip(pitch);
        std::uint8_t* d = rowOf(r);
        for (int c = 0; c < m_Width; ++c) {
            PLPixel32 p;
            if (m_srcBpp <= 8) {
                int bit = c * m_srcBpp;
                int v = (s[bit / 8] >> (8 - m_srcBpp - bit % 8)) & ((1 << m_srcBpp) - 1);
                p = palette[v];
            } else {
                std::uint32_t v = m_srcBpp == 16   ? GetLE16(s + 2 * c)
                                  : m_srcBpp == 24 ? std::uint32_t(s[3 * c] | s[3 * c + 1] << 8 |
                                                                   s[3 * c + 2] << 16)
                                                   : GetLE32(s + 4 * c);
                p.r = Field(v, m_masks[0]);
                p.g = Field(v, m_masks[1]);
                p.b = Field(v, m_masks[2]);
                p.a = m_bAlphaChannel ? Field(v, m_masks[3]) : 255;
            }
            PutPixel(d + 4 * c, p);
        }
    }
}
