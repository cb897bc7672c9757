#include "media/TIFFDecoder.h"

#include "media/PictureBudget.h"
#include "media/TextException.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <tiffio.h>
#include <vector>

namespace {

struct SMemFile {
    const std::uint8_t* data;
    toff_t size;
    toff_t pos;
};

tmsize_t Read(thandle_t h, void* out, tmsize_t n) {
    auto* f = static_cast<SMemFile*>(h);
    if (n <= 0 || f->pos >= f->size)
        return 0;
    toff_t count = std::min<toff_t>(toff_t(n), f->size - f->pos);
    std::memcpy(out, f->data + f->pos, count);
    f->pos += count;
    return tmsize_t(count);
}
tmsize_t Write(thandle_t, void*, tmsize_t) { return 0; }
toff_t Seek(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<SMemFile*>(h);
    toff_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? f->size : 0;
    toff_t to = base + off;
    // Seeking past the end is allowed (reads there return nothing); wrapping is not.
    if (to < base && off < toff_t(1) << 63)
        return toff_t(-1);
    f->pos = to;
    return to;
}
int CloseFile(thandle_t) { return 0; }
toff_t Size(thandle_t h) { return static_cast<SMemFile*>(h)->size; }
int Map(thandle_t, void**, toff_t*) { return 0; }
void Unmap(thandle_t, void*, toff_t) {}

struct STiffCloser {
    TIFF* tif;
    ~STiffCloser() {
        if (tif)
            TIFFClose(tif);
    }
};

// libtiff prints errors and warnings through process-wide handlers; ours stay
// silent (the decoder reports through its exceptions).
void SilenceLibtiff() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

TIFF* OpenTiff(SMemFile& file) {
    SilenceLibtiff();
    // "m" keeps libtiff from mapping: the bytes already are in memory.
    return TIFFClientOpen("tiff", "rm", &file, Read, Write, Seek, CloseFile, Size, Map, Unmap);
}

// The bytes of the strips or tiles, as far as the file holds them.
std::uint64_t DataBytes(TIFF* tif, toff_t size) {
    const std::uint32_t count = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t offset = TIFFGetStrileOffset(tif, i);
        if (offset < size)
            total += std::min<std::uint64_t>(TIFFGetStrileByteCount(tif, i), size - offset);
    }
    return total;
}

// The fewest bytes of strips or tiles that can decode to a picture of w × h:
// one sample per pixel (subsampled colour has fewer samples than pixels, a
// palette one) under the compression's greatest expansion. A compression
// without a known bound needs some data only.
std::uint64_t LeastData(TIFF* tif, std::uint32_t w, std::uint32_t h) {
    std::uint16_t bits = 1, compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    const std::uint64_t samples = std::uint64_t(w) * h * std::max<std::uint16_t>(bits, 1) / 8;
    switch (compression) {
    case COMPRESSION_NONE: return samples;
    // Two bytes repeat one byte up to 128 times.
    case COMPRESSION_PACKBITS: return samples / 64;
    case COMPRESSION_LZW: return samples / kLzwMostPerByte;
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE: return samples / kDeflateMostPerByte;
    // A row of one colour can take a single bit.
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4: return h / 8;
    default: return 1;
    }
}

} // namespace

void PLTIFFDecoder::Close() {
    m_data = nullptr;
    m_size = 0;
    PLPicDecoder::Close();
}

void PLTIFFDecoder::Open(PLDataSource* source) {
    std::size_t length = m_length;
    Close();
    m_length = length;
    PLPicDecoder::Open(source);
    m_size = source->GetBytesLeft();
    if (m_length && m_length < m_size)
        m_size = m_length;
    m_data = source->GetBufferPtr(m_size);
    SMemFile file{m_data, m_size, 0};
    STiffCloser t{OpenTiff(file)};
    if (!t.tif)
        throw PLTextException(PL_ERRINTERNAL, "TIFF: cannot read the header.");
    std::uint32_t w = 0, h = 0;
    std::uint16_t samples = 1, photometric = 0, extra = 0, unit = RESUNIT_INCH;
    std::uint16_t* extraTypes = nullptr;
    float xres = 0, yres = 0;
    TIFFGetField(t.tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(t.tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(t.tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(t.tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(t.tif, TIFFTAG_EXTRASAMPLES, &extra, &extraTypes);
    PLCheckPictureSize(w, h);
    m_Width = int(w);
    m_Height = int(h);
    m_bpp = 32;
    m_bAlphaChannel = extra > 0;
    m_bIsGreyscale = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    m_XRes = m_YRes = 0;
    if (TIFFGetField(t.tif, TIFFTAG_XRESOLUTION, &xres) &&
        TIFFGetField(t.tif, TIFFTAG_YRESOLUTION, &yres)) {
        TIFFGetFieldDefaulted(t.tif, TIFFTAG_RESOLUTIONUNIT, &unit);
        double k = unit == RESUNIT_CENTIMETER ? 2.54 : unit == RESUNIT_INCH ? 1.0 : 0.0;
        if (xres > 0 && yres > 0 && xres < 1e6 && yres < 1e6) {
            m_XRes = int(xres * k + 0.5);
            m_YRes = int(yres * k + 0.5);
        }
    }
    char message[1024] = {};
    if (!TIFFRGBAImageOK(t.tif, message))
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, std::string("TIFF: ") + message);
    PLCheckPictureData(DataBytes(t.tif, m_size), LeastData(t.tif, w, h));
}

void PLTIFFDecoder::ReadImage(PLBmp& bmp) {
    CheckTarget(bmp);
    SMemFile file{m_data, m_size, 0};
    STiffCloser t{OpenTiff(file)};
    if (!t.tif)
        throw PLTextException(PL_ERRINTERNAL, "TIFF: cannot read the header.");
    // libtiff's picture, as large as the bitmap again.
    const std::size_t pixels = std::size_t(m_Width) * std::size_t(m_Height);
    CPictureBudget::CCharge charge;
    charge.Take(pixels * sizeof(std::uint32_t));
    std::vector<std::uint32_t> raster(pixels);
    if (!TIFFReadRGBAImageOriented(t.tif, std::uint32_t(m_Width), std::uint32_t(m_Height),
                                   raster.data(), ORIENTATION_TOPLEFT, 1))
        throw PLTextException(PL_ERRINTERNAL, "TIFF: cannot decode the picture.");
    for (int y = 0; y < m_Height; ++y) {
        std::uint8_t* d = bmp.GetLineArray()[y];
        const std::uint32_t* s = raster.data() + std::size_t(y) * std::size_t(m_Width);
        for (int x = 0; x < m_Width; ++x) {
            std::uint32_t p = s[x];
            d[4 * x] = std::uint8_t(TIFFGetB(p));
            d[4 * x + 1] = std::uint8_t(TIFFGetG(p));
            d[4 * x + 2] = std::uint8_t(TIFFGetR(p));
            d[4 * x + 3] = m_bAlphaChannel ? std::uint8_t(TIFFGetA(p)) : 255;
            // libtiff hands out premultiplied colours; pictures carry straight ones.
            int a = d[4 * x + 3];
            if (a > 0 && a < 255)
                for (int c = 0; c < 3; ++c)
                    d[4 * x + c] = std::uint8_t(std::min(255, (d[4 * x + c] * 255 + a / 2) / a));
        }
    }
}
