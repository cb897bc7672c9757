#include "media/PSDDecoder.h"

#include "media/ByteOrder.h"
#include "media/PictureBudget.h"
#include "media/TextException.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
enum : int { kGrey = 1, kRgb = 3, kCmyk = 4 };
}

void PLPSDDecoder::Open(PLDataSource* source) {
    Close();
    PLPicDecoder::Open(source);
    const std::uint8_t* h = source->ReadNBytes(26);
    if (std::memcmp(h, "8BPS", 4) != 0)
        throw PLTextException(PL_ERRINTERNAL, "PSD: bad signature.");
    if (GetBE16(h + 4) != 1)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "PSD: unsupported version.");
    m_channels = GetBE16(h + 12);
    std::uint32_t height = GetBE32(h + 14), width = GetBE32(h + 18);
    m_depth = GetBE16(h + 22);
    m_mode = GetBE16(h + 24);
    if (m_channels < 1 || m_channels > 56)
        throw PLTextException(PL_ERRINTERNAL, "PSD: bad channel count.");
    if ((m_depth != 8 && m_depth != 16) ||
        !((m_mode == kGrey && m_channels >= 1) || (m_mode == kRgb && m_channels >= 3) ||
          (m_mode == kCmyk && m_channels >= 4)))
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "PSD: unsupported colour mode.");
    PLCheckPictureSize(width, height);
    // Colour mode data, image resources, layers and masks: three sections,
    // each preceded by its length.
    for (int section = 0; section < 3; ++section)
        source->Skip(GetBE32(source->ReadNBytes(4)));
    m_dataPos = source->GetCurPos();
    m_compression = GetBE16(source->GetBufferPtr(2));
    if (m_compression != 0 && m_compression != 1)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "PSD: unsupported compression.");
    m_used = m_mode == kGrey   ? std::min(m_channels, 2)
             : m_mode == kCmyk ? 4
                               : std::min(m_channels, 4);
    // The planes read: raw rows whole; PackBits rows need two bytes for each
    // 128 bytes at least, after a table of every channel's row lengths.
    const std::uint64_t rowBytes = std::uint64_t(width) * std::uint64_t(m_depth / 8);
    const std::uint64_t rows = std::uint64_t(height) * std::uint64_t(m_used);
    PLCheckPictureData(source->GetBytesLeft() - 2,
                       m_compression == 0
                           ? rows * rowBytes
                           : 2 * std::uint64_t(height) * std::uint64_t(m_channels) +
                                 rows * 2 * ((rowBytes + 127) / 128));
    m_Width = int(width);
    m_Height = int(height);
    m_bpp = 32;
    m_bAlphaChannel = (m_mode == kRgb && m_channels >= 4) || (m_mode == kGrey && m_channels >= 2);
    m_bIsGreyscale = m_mode == kGrey;
    m_XRes = m_YRes = 0;
}

void PLPSDDecoder::ReadImage(PLBmp& bmp) {
    CheckTarget(bmp);
    PLDataSource& src = *m_pDataSrc;
    src.Seek(m_dataPos + 2);
    const int compression = m_compression;
    const int used = m_used;
    std::size_t rowBytes = std::size_t(m_Width) * std::size_t(m_depth / 8);
    std::size_t plane = std::size_t(m_Width) * std::size_t(m_Height);
    CPictureBudget::CCharge charge;
    charge.Take(plane * std::size_t(used));
    std::vector<std::uint8_t> planes(plane * std::size_t(used));
    std::vector<std::uint16_t> counts;
    if (compression == 1) {
        std::size_t n = std::size_t(m_Height) * std::size_t(m_channels);
        const std::uint8_t* c = src.ReadNBytes(n * 2);
        counts.resize(n);
        for (std::size_t k = 0; k < n; ++k)
            counts[k] = GetBE16(c + 2 * k);
    }
    std::vector<std::uint8_t> row(rowBytes);
    for (int ch = 0; ch < used; ++ch) {
        for (int y = 0; y < m_Height; ++y) {
            if (compression == 0) {
                std::memcpy(row.data(), src.ReadNBytes(rowBytes), rowBytes);
            } else {
                const std::uint8_t* p =
                    src.ReadNBytes(counts[std::size_t(ch) * std::size_t(m_Height) + y]);
                const std::uint8_t* end = p + counts[std::size_t(ch) * std::size_t(m_Height) + y];
                std::size_t n = 0;
                // PackBits: n < 128 copies n + 1 bytes, n > 128 repeats one byte
                // 257 − n times, 128 does nothing.
                while (n < rowBytes && p < end) {
                    int code = std::int8_t(*p++);
                    if (code >= 0) {
                        std::size_t count = std::size_t(code) + 1;
                        if (count > std::size_t(end - p) || count > rowBytes - n)
                            throw PLTextException(PL_ERRINTERNAL, "PSD: bad run.");
                        std::memcpy(row.data() + n, p, count);
                        p += count;
                        n += count;
                    } else if (code != -128) {
                        std::size_t count = std::size_t(1 - code);
                        if (p >= end || count > rowBytes - n)
                            throw PLTextException(PL_ERRINTERNAL, "PSD: bad run.");
                        std::memset(row.data() + n, *p++, count);
                        n += count;
                    }
                }
                if (n < rowBytes)
                    throw PLTextException(PL_ERRINTERNAL, "PSD: short row.");
            }
            std::uint8_t* d = planes.data() + std::size_t(ch) * plane + std::size_t(y) * m_Width;
            for (int x = 0; x < m_Width; ++x)
                d[x] = row[std::size_t(x) * (m_depth / 8)]; // 16-bit samples: high byte
        }
    }
    for (int y = 0; y < m_Height; ++y) {
        std::uint8_t* d = bmp.GetLineArray()[y];
        for (int x = 0; x < m_Width; ++x) {
            std::size_t i = std::size_t(y) * m_Width + x;
            auto at = [&](int ch) { return planes[std::size_t(ch) * plane + i]; };
            std::uint8_t r, g, b, a = 255;
            if (m_mode == kGrey) {
                r = g = b = at(0);
                if (used > 1)
                    a = at(1);
            } else if (m_mode == kRgb) {
                r = at(0); g = at(1); b = at(2);
                if (used > 3)
                    a = at(3);
            } else {
                // Stored inverted: 255 is no ink.
                int k = at(3);
                r = std::uint8_t(at(0) * k / 255);
                g = std::uint8_t(at(1) * k / 255);
                b = std::uint8_t(at(2) * k / 255);
            }
            PutPixel(d + 4 * x, PLPixel32{b, g, r, a});
        }
    }
}
