#include "media/PNGDecoder.h"

#include "media/TextException.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <png.h>
#include <string>

namespace {

// libpng's state over the source's bytes. Errors longjmp back to the setjmp of
// the caller (libpng's own jump buffer); warnings are dropped.
struct SPngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
    std::string message;

    SPngReader(const std::uint8_t* d, std::size_t n) : data(d), size(n) {
        png = png_create_read_struct(
            PNG_LIBPNG_VER_STRING, this,
            [](png_structp p, png_const_charp msg) {
                static_cast<SPngReader*>(png_get_error_ptr(p))->message = msg ? msg : "";
                png_longjmp(p, 1);
            },
            [](png_structp, png_const_charp) {});
        if (png)
            info = png_create_info_struct(png);
        if (!png || !info)
            throw PLTextException(PL_ERRNO_MEMORY, kTextNoMemory);
        png_set_read_fn(png, this, [](png_structp p, png_bytep out, png_size_t n) {
            auto* self = static_cast<SPngReader*>(png_get_io_ptr(p));
            if (n > self->size - self->pos) {
                self->message = kTextEndOfFile;
                png_longjmp(p, 2);
            }
            std::memcpy(out, self->data + self->pos, n);
            self->pos += n;
        });
        // Our own size limit applies (code 10), not libpng's.
        png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    }
    ~SPngReader() { png_destroy_read_struct(&png, &info, nullptr); }
    [[noreturn]] void Raise(int jumped) const {
        if (jumped == 2)
            throw PLTextException(PL_ERREND_OF_FILE, kTextEndOfFile);
        throw PLTextException(PL_ERRINTERNAL, "PNG: " + message);
    }
};

// The bytes of the IDAT chunks, as far as the file holds them. Chunks are
// walked by their lengths; the walk ends at IEND or at a chunk cut short.
std::uint64_t IdatBytes(const std::uint8_t* data, std::size_t size) {
    std::uint64_t total = 0;
    std::size_t at = 8; // the signature
    while (at <= size && size - at >= 8) {
        const std::uint64_t length = png_get_uint_32(data + at);
        const std::uint64_t left = size - at - 8;
        if (std::memcmp(data + at + 4, "IDAT", 4) == 0)
            total += std::min(length, left);
        // The chunk's data and its four-byte check.
        if (length + 4 > left || std::memcmp(data + at + 4, "IEND", 4) == 0)
            break;
        at += std::size_t(8 + length + 4);
    }
    return total;
}

} // namespace

void PLPNGDecoder::Open(PLDataSource* source) {
    Close();
    PLPicDecoder::Open(source);
    std::size_t size = source->GetBytesLeft();
    // The header chunk comes first: its size is checked before libpng reads on.
    if (size >= 24 && std::memcmp(source->GetBufferPtr(16) + 12, "IHDR", 4) == 0) {
        const std::uint8_t* p = source->GetBufferPtr(24);
        PLCheckPictureSize(png_get_uint_32(p + 16), png_get_uint_32(p + 20));
    }
    SPngReader r(source->GetBufferPtr(size), size);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colour = 0;
    bool alpha = false;
    png_uint_32 xres = 0, yres = 0;
    int unit = 0;
    if (int jumped = setjmp(png_jmpbuf(r.png)))
        r.Raise(jumped);
    png_read_info(r.png, r.info);
    png_get_IHDR(r.png, r.info, &w, &h, &depth, &colour, nullptr, nullptr, nullptr);
    alpha = (colour & PNG_COLOR_MASK_ALPHA) || png_get_valid(r.png, r.info, PNG_INFO_tRNS);
    png_get_pHYs(r.png, r.info, &xres, &yres, &unit);
    PLCheckPictureSize(w, h);
    // The samples inflate from the IDAT data: every row's bits at least (the
    // filter bytes come on top), at most 1032 bytes from each byte.
    const std::uint64_t bits = std::uint64_t(w) * h * png_get_channels(r.png, r.info) * depth;
    PLCheckPictureData(IdatBytes(r.data, r.size), bits / 8 / kDeflateMostPerByte);
    m_Width = int(w);
    m_Height = int(h);
    m_bpp = 32;
    m_bAlphaChannel = alpha;
    m_bIsGreyscale = !(colour & PNG_COLOR_MASK_COLOR);
    if (unit == PNG_RESOLUTION_METER) {
        m_XRes = int(xres * 0.0254 + 0.5);
        m_YRes = int(yres * 0.0254 + 0.5);
    } else {
        m_XRes = m_YRes = 0;
    }
}

void PLPNGDecoder::ReadImage(PLBmp& bmp) {
    CheckTarget(bmp);
    // The header is read again: a second libpng reader is cheaper to reason
    // about than keeping one alive between Open and ReadImage.
    std::size_t size = m_pDataSrc->GetBytesLeft();
    SPngReader r(m_pDataSrc->GetBufferPtr(size), size);
    std::uint8_t** rows = bmp.GetLineArray();
    if (int jumped = setjmp(png_jmpbuf(r.png)))
        r.Raise(jumped);
    png_read_info(r.png, r.info);
    if (png_get_image_width(r.png, r.info) != png_uint_32(m_Width) ||
        png_get_image_height(r.png, r.info) != png_uint_32(m_Height))
        png_error(r.png, "size changed");
    png_set_expand(r.png);
    png_set_strip_16(r.png);
    png_set_gray_to_rgb(r.png);
    png_set_bgr(r.png);
    png_set_filler(r.png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    if (png_get_rowbytes(r.png, r.info) != png_size_t(m_Width) * 4)
        png_error(r.png, "unexpected row size");
    png_read_image(r.png, rows);
}
