#include "media/PCXDecoder.h"

#include "media/ByteOrder.h"
#include "media/TextException.h"

#include <cstring>
#include <vector>

void PLPCXDecoder::Open(PLDataSource* source) {
    Close();
    PLPicDecoder::Open(source);
    m_start = source->GetCurPos();
    std::memcpy(m_header, source->GetBufferPtr(128), 128);
    const std::uint8_t* h = m_header;
    int bits = h[3], planes = h[65];
    bool ok = (bits == 1 && (planes == 1 || planes == 4)) ||
              (bits == 8 && (planes == 1 || planes == 3 || planes == 4));
    if (!ok)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "PCX: unsupported depth.");
    long long w = (long long)GetLE16(h + 8) - GetLE16(h + 4) + 1;
    long long ht = (long long)GetLE16(h + 10) - GetLE16(h + 6) + 1;
    PLCheckPictureSize(w, ht);
    if (GetLE16(h + 66) < (w * bits + 7) / 8)
        throw PLTextException(PL_ERRINTERNAL, "PCX: line too short.");
    // A line of runs needs two bytes for each 63 bytes of its scan (a run
    // never passes the line) and one for what is left; 256-colour pictures
    // end with their palette.
    const std::uint64_t scan = std::uint64_t(GetLE16(h + 66)) * std::uint64_t(planes);
    const std::uint64_t line = h[2] == 1 ? 2 * (scan / 63) + (scan % 63 ? 1 : 0) : scan;
    const std::size_t size = source->GetFileSize();
    PLCheckPictureData(size > m_start + 128 ? size - m_start - 128 : 0,
                       line * std::uint64_t(ht) + (bits == 8 && planes == 1 ? 769 : 0));
    m_Width = int(w);
    m_Height = int(ht);
    m_bpp = 32;
    m_bAlphaChannel = bits == 8 && planes == 4;
    m_bIsGreyscale = false;
    m_XRes = GetLE16(h + 12);
    m_YRes = GetLE16(h + 14);
}

void PLPCXDecoder::ReadImage(PLBmp& bmp) {
    CheckTarget(bmp);
    PLDataSource& src = *m_pDataSrc;
    const std::uint8_t* h = m_header;
    int bits = h[3], planes = h[65];
    std::size_t lineBytes = GetLE16(h + 66);
    bool rle = h[2] == 1;
    std::vector<PLPixel32> palette(256);
    for (int k = 0; k < 16; ++k)
        palette[k] = PLPixel32{h[16 + 3 * k + 2], h[16 + 3 * k + 1], h[16 + 3 * k], 255};
    if (bits == 1 && planes == 1) {
        palette[0] = PLPixel32{0, 0, 0, 255};
        palette[1] = PLPixel32{255, 255, 255, 255};
    }
    if (bits == 8 && planes == 1) {
        // The 256-colour palette: 0x0C and 768 bytes at the very end.
        std::size_t size = src.GetFileSize();
        if (size < m_start + 128 + 769)
            throw PLTextException(PL_ERREND_OF_FILE, kTextEndOfFile);
        std::size_t here = src.GetCurPos();
        src.Seek(size - 769);
        const std::uint8_t* p = src.ReadNBytes(769);
        if (p[0] != 0x0C)
            throw PLTextException(PL_ERRINTERNAL, "PCX: no palette.");
        for (int k = 0; k < 256; ++k)
            palette[k] = PLPixel32{p[1 + 3 * k + 2], p[1 + 3 * k + 1], p[1 + 3 * k], 255};
        src.Seek(here);
    }
    src.Seek(m_start + 128);
    std::size_t scan = lineBytes * std::size_t(planes);
    std::vector<std::uint8_t> line(scan);
    for (int y = 0; y < m_Height; ++y) {
        // Runs may cross the planes of a line (not lines): decode one whole scan.
        std::size_t n = 0;
        while (n < scan) {
            std::uint8_t b = src.ReadByte();
            if (rle && (b & 0xC0) == 0xC0) {
                std::size_t count = std::min<std::size_t>(b & 0x3F, scan - n);
                std::uint8_t v = src.ReadByte();
                std::memset(line.data() + n, v, count);
                n += count;
            } else {
                line[n++] = b;
            }
        }
        std::uint8_t* d = bmp.GetLineArray()[y];
        for (int x = 0; x < m_Width; ++x) {
            PLPixel32 p;
            if (bits == 8 && planes >= 3) {
                p = PLPixel32{line[2 * lineBytes + x], line[lineBytes + x], line[x],
                              planes == 4 ? line[3 * lineBytes + x] : std::uint8_t(255)};
            } else if (bits == 8) {
                p = palette[line[x]];
            } else {
                int v = 0;
                for (int k = 0; k < planes; ++k)
                    v |= ((line[k * lineBytes + x / 8] >> (7 - x % 8)) & 1) << k;
                p = palette[v];
            }
            PutPixel(d + 4 * x, p);
        }
    }
}
