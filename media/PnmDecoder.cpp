#include "media/PnmDecoder.h"

#include "media/TextException.h"

#include <cctype>

unsigned PLPnmDecoder::ReadNumber() {
    PLDataSource& src = *m_pDataSrc;
    std::uint8_t c = src.ReadByte();
    while (std::isspace(c) || c == '#') {
        if (c == '#')
            while (c != '\n' && c != '\r')
                c = src.ReadByte();
        c = src.ReadByte();
    }
    if (!std::isdigit(c))
        throw PLTextException(PL_ERRINTERNAL, "PNM: number expected.");
    unsigned long long v = 0;
    // A number ends at the first non-digit, which is consumed (for raw data it
    // is the single white-space byte before the samples); the end of the data
    // also ends the last sample of a plain map.
    while (std::isdigit(c)) {
        v = v * 10 + unsigned(c - '0');
        if (v > 0xFFFFFFFFull)
            throw PLTextException(PL_ERRINTERNAL, "PNM: number too large.");
        if (src.GetBytesLeft() == 0)
            break;
        c = src.ReadByte();
    }
    return unsigned(v);
}

void PLPnmDecoder::Open(PLDataSource* source) {
    Close();
    PLPicDecoder::Open(source);
    const std::uint8_t* m = source->ReadNBytes(2);
    if (m[0] != 'P' || (m[1] != m_plain && m[1] != m_raw))
        throw PLTextException(PL_ERRINTERNAL, "PNM: bad magic number.");
    m_kind = char(m[1]);
    unsigned w = ReadNumber();
    unsigned h = ReadNumber();
    m_max = ReadNumber();
    if (m_max == 0 || m_max > 65535)
        throw PLTextException(PL_ERRINTERNAL, "PNM: bad maximum value.");
    PLCheckPictureSize(w, h);
    // Raw samples take one or two bytes each; plain ones a digit and a
    // separator each, but the last.
    const std::uint64_t samples =
        std::uint64_t(w) * h * (m_kind == '2' || m_kind == '5' ? 1 : 3);
    PLCheckPictureData(source->GetBytesLeft(), m_kind == m_raw ? samples * (m_max > 255 ? 2 : 1)
                                                                : 2 * samples - 1);
    m_dataPos = source->GetCurPos();
    m_Width = int(w);
    m_Height = int(h);
    m_bpp = 32;
    m_bAlphaChannel = false;
    m_bIsGreyscale = m_kind == '2' || m_kind == '5';
    m_XRes = m_YRes = 0;
}

void PLPnmDecoder::ReadImage(PLBmp& bmp) {
    CheckTarget(bmp);
    m_pDataSrc->Seek(m_dataPos);
    int channels = m_bIsGreyscale ? 1 : 3;
    bool raw = m_kind == m_raw;
    int sampleBytes = m_max > 255 ? 2 : 1;
    auto scale = [&](unsigned v) { return std::uint8_t(std::min(v, m_max) * 255u / m_max); };
    for (int y = 0; y < m_Height; ++y) {
        std::uint8_t* d = bmp.GetLineArray()[y];
        const std::uint8_t* line = raw ? m_pDataSrc->ReadNBytes(std::size_t(m_Width) * channels *
                                                                 sampleBytes)
                                       : nullptr;
        for (int x = 0; x < m_Width; ++x) {
            std::uint8_t c[3];
            for (int k = 0; k < channels; ++k) {
                unsigned v;
                if (raw) {
                    const std::uint8_t* s = line + (std::size_t(x) * channels + k) * sampleBytes;
                    v = sampleBytes == 2 ? unsigned(s[0] << 8 | s[1]) : s[0];
                } else {
                    v = ReadNumber();
                }
                c[k] = scale(v);
            }
            if (channels == 1)
                c[1] = c[2] = c[0];
            PutPixel(d + 4 * x, PLPixel32{c[2], c[1], c[0], 255});
        }
    }
}
