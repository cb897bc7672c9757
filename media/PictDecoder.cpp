#include "media/PictDecoder.h"

#include "media/ByteOrder.h"
#include "media/TextException.h"

#include <cstring>

namespace {

[[noreturn]] void Unsupported() {
    throw PLTextException(PL_ERRFORMAT_NOT_COMPILED, kTextNotCompiled);
}

// Unpacks one PackBits row of `unit`-byte items into out (exactly out.size()
// bytes); data beyond the row's byte count is an error.
void UnpackBits(const std::uint8_t* p, std::size_t n, std::vector<std::uint8_t>& out, int unit) {
    const std::uint8_t* end = p + n;
    std::size_t o = 0;
    while (o < out.size() && p < end) {
        int code = std::int8_t(*p++);
        if (code >= 0) {
            std::size_t count = (std::size_t(code) + 1) * unit;
            if (count > std::size_t(end - p) || count > out.size() - o)
                throw PLTextException(PL_ERRINTERNAL, "PICT: bad run.");
            std::memcpy(out.data() + o, p, count);
            p += count;
            o += count;
        } else if (code != -128) {
            std::size_t count = std::size_t(1 - code);
            if (std::size_t(end - p) < std::size_t(unit) || count * unit > out.size() - o)
                throw PLTextException(PL_ERRINTERNAL, "PICT: bad run.");
            for (std::size_t k = 0; k < count; ++k, o += unit)
                std::memcpy(out.data() + o, p, std::size_t(unit));
            p += unit;
        }
    }
    if (o < out.size())
        throw PLTextException(PL_ERRINTERNAL, "PICT: short row.");
}

} // namespace

void PLPictDecoder::ReadPixmapHeader(bool direct) {
    PLDataSource& src = *m_pDataSrc;
    if (direct)
        src.Skip(4); // base address
    m_rowBytes = GetBE16(src.ReadNBytes(2));
    bool pixmap = m_rowBytes & 0x8000;
    m_rowBytes &= 0x3FFF;
    const std::uint8_t* b = src.ReadNBytes(8);
    long long top = std::int16_t(GetBE16(b)), left = std::int16_t(GetBE16(b + 2));
    long long bottom = std::int16_t(GetBE16(b + 4)), right = std::int16_t(GetBE16(b + 6));
    PLCheckPictureSize(right - left, bottom - top);
    m_Width = int(right - left);
    m_Height = int(bottom - top);
    m_palette.assign(256, PLPixel32{0, 0, 0, 255});
    if (!pixmap) {
        if (direct)
            Unsupported();
        m_pixelSize = 1;
        m_packType = 0;
        m_cmpCount = 1;
        m_palette[0] = PLPixel32{255, 255, 255, 255};
    } else {
        const std::uint8_t* p = src.ReadNBytes(36);
        m_packType = GetBE16(p + 2);
        m_pixelSize = GetBE16(p + 18);
        m_cmpCount = GetBE16(p + 20);
        if (!direct) {
            const std::uint8_t* t = src.ReadNBytes(8);
            int flags = GetBE16(t + 4);
            int count = GetBE16(t + 6) + 1;
            const std::uint8_t* e = src.ReadNBytes(std::size_t(count) * 8);
            // With flag 0x8000 the entries are indexed by position; the
            // palette has 256 places, so later entries are read and dropped.
            for (int k = 0; k < count; ++k) {
                int index = flags & 0x8000 ? k : GetBE16(e + 8 * k) & 0xFF;
                if (index < 256)
                    m_palette[index] = PLPixel32{e[8 * k + 6], e[8 * k + 4], e[8 * k + 2], 255};
            }
        }
    }
    bool depthOk = direct ? (m_pixelSize == 16 || m_pixelSize == 32)
                          : (m_pixelSize == 1 || m_pixelSize == 2 || m_pixelSize == 4 ||
                             m_pixelSize == 8);
    // Planar rows (32 bits, pack type 4) hold one plane per component, and
    // the red, green and blue planes are read: three or four components.
    if (direct && m_pixelSize == 32 && m_packType == 4 && m_cmpCount != 3 && m_cmpCount != 4)
        depthOk = false;
    if (!depthOk || m_rowBytes == 0)
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "PICT: unsupported pixel size.");
    src.Skip(18); // source and destination rectangles, transfer mode
}

void PLPictDecoder::Open(PLDataSource* source) {
    Close();
    PLPicDecoder::Open(source);
    PLDataSource& src = *source;
    src.Skip(512 + 2 + 8); // file header, picture size, frame
    const std::uint8_t* v = src.GetBufferPtr(2);
    if (v[0] == 0x11 && v[1] == 0x01) {
        m_version = 1;
        src.Skip(2);
    } else {
        m_version = 2;
    }
    for (;;) {
        int op;
        if (m_version == 1) {
            op = src.ReadByte();
        } else {
            if (src.GetCurPos() & 1)
                src.Skip(1);
            op = GetBE16(src.ReadNBytes(2));
        }
        bool region = op == 0x91 || op == 0x99 || op == 0x9B;
        if (op >= 0x90 && op <= 0x9B && op != 0x92 && op != 0x93 && op != 0x94 && op != 0x95 &&
            op != 0x96 && op != 0x97) {
            bool direct = op == 0x9A || op == 0x9B;
            ReadPixmapHeader(direct);
            if (region)
                src.Skip(GetBE16(src.GetBufferPtr(2)));
            if (op == 0x90 || op == 0x91)
                m_packType = 1; // BitsRect rows are never packed
            m_dataPos = src.GetCurPos();
            PrepareRows();
            break;
        }
        switch (op) {
        case 0x00: case 0x1E: break;                              // no-op, default highlight
        case 0x11: src.Skip(m_version == 1 ? 1 : 2); break;       // version
        case 0x0C00: src.Skip(24); break;                         // header
        case 0x01: src.Skip(std::max(2, int(GetBE16(src.GetBufferPtr(2))))); break; // clip
        case 0x03: case 0x05: case 0x08: case 0x0D: case 0x15: case 0x16: src.Skip(2); break;
        case 0x04: src.Skip(1); break;                            // text face
        case 0x06: case 0x07: case 0x0B: case 0x0C: case 0x0E: case 0x0F: src.Skip(4); break;
        case 0x02: case 0x09: case 0x0A: case 0x10: src.Skip(8); break; // patterns, ratio
        case 0x1A: case 0x1B: case 0x1D: case 0x1F: src.Skip(6); break; // colours
        case 0xA0: src.Skip(2); break;                            // short comment
        case 0xA1: src.Skip(2); src.Skip(GetBE16(src.ReadNBytes(2))); break; // long comment
        case 0xFF: throw PLTextException(PL_ERRINTERNAL, "PICT: no bitmap in the picture.");
        default: Unsupported();
        }
    }
    m_bpp = 32;
    m_bAlphaChannel = false;
    m_bIsGreyscale = false;
    m_XRes = m_YRes = 0;
}

void PLPictDecoder::PrepareRows() {
    // 32-bit pixmaps packed with type 4 store each row as planes (alpha when
    // there are four, red, green, blue); type 2 drops the pad byte.
    const bool planar = m_pixelSize == 32 && m_packType == 4;
    m_unpackedRow = planar ? std::size_t(m_Width) * std::size_t(m_cmpCount)
                    : m_pixelSize == 32 && m_packType == 2 ? std::size_t(m_Width) * 3
                                                           : std::size_t(m_rowBytes);
    if (!planar && !(m_pixelSize == 32 && m_packType == 2) &&
        std::size_t(m_rowBytes) * 8 < std::size_t(m_Width) * m_pixelSize)
        throw PLTextException(PL_ERRINTERNAL, "PICT: rows too short.");
    m_packed = m_rowBytes >= 8 && m_packType != 1 && m_packType != 2;
    // A packed row is its length (two bytes past 250 row bytes) and runs
    // that give at most 256 bytes for two; other rows are stored whole.
    const std::uint64_t row =
        m_packed ? (m_rowBytes > 250 ? 2 : 1) + 2 * ((m_unpackedRow + 255) / 256) : m_unpackedRow;
    PLCheckPictureData(m_pDataSrc->GetFileSize() - m_dataPos, row * std::uint64_t(m_Height));
}

void PLPictDecoder::ReadImage(PLBmp& bmp) {
    CheckTarget(bmp);
    PLDataSource& src = *m_pDataSrc;
    src.Seek(m_dataPos);
    const bool planar = m_pixelSize == 32 && m_packType == 4;
    const int planes = planar ? m_cmpCount : 1;
    const std::size_t unpackedRow = m_unpackedRow;
    const bool packed = m_packed;
    std::vector<std::uint8_t> row(unpackedRow);
    for (int y = 0; y < m_Height; ++y) {
        if (!packed) {
            std::memcpy(row.data(), src.ReadNBytes(unpackedRow), unpackedRow);
        } else {
            std::size_t n = m_rowBytes > 250 ? GetBE16(src.ReadNBytes(2)) : src.ReadByte();
            UnpackBits(src.ReadNBytes(n), n, row, m_pixelSize == 16 && m_packType == 3 ? 2 : 1);
        }
        std::uint8_t* d = bmp.GetLineArray()[y];
        for (int x = 0; x < m_Width; ++x) {
            PLPixel32 p;
            if (m_pixelSize <= 8) {
                int bit = x * m_pixelSize;
                int v = (row[bit / 8] >> (8 - m_pixelSize - bit % 8)) & ((1 << m_pixelSize) - 1);
                p = m_palette[v];
            } else if (m_pixelSize == 16) {
                int v = GetBE16(row.data() + 2 * x);
                auto five = [](int c) { return std::uint8_t((c << 3) | (c >> 2)); };
                p = PLPixel32{five(v & 31), five((v >> 5) & 31), five((v >> 10) & 31), 255};
            } else if (planar) {
                int off = planes == 4 ? 1 : 0;
                p = PLPixel32{row[std::size_t(off + 2) * m_Width + x],
                              row[std::size_t(off + 1) * m_Width + x],
                              row[std::size_t(off) * m_Width + x], 255};
            } else if (m_packType == 2) {
                p = PLPixel32{row[3 * x + 2], row[3 * x + 1], row[3 * x], 255};
            } else {
                p = PLPixel32{row[4 * x + 3], row[4 * x + 2], row[4 * x + 1], 255};
            }
            PutPixel(d + 4 * x, p);
        }
    }
}
