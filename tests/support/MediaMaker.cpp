#include "tests/support/MediaMaker.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <gif_lib.h>
#include <jpeglib.h>
#include <libexif/exif-data.h>
#include <libheif/heif.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include "media/FfOwners.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

STestImage::STestImage(int w, int h,
                       const std::function<std::array<std::uint8_t, 4>(int, int)>& f)
    : width(w), height(h), bgra(std::size_t(w) * std::size_t(h) * 4) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto p = f(x, y);
            std::memcpy(bgra.data() + (std::size_t(y) * w + x) * 4, p.data(), 4);
        }
}

STestImage QuadrantImage(int width, int height) {
    return STestImage(width, height, [=](int x, int y) -> std::array<std::uint8_t, 4> {
        bool right = x >= width / 2, bottom = y >= height / 2;
        if (!right && !bottom)
            return {255, 0, 0, 255}; // blue
        if (right && !bottom)
            return {0, 255, 0, 255}; // green
        if (right && bottom)
            return {0, 0, 255, 255}; // red
        return {255, 255, 255, 255}; // white
    });
}

namespace {

// An EXIF block as a JPEG's APP1 marker holds it: "Exif\0\0", then the TIFF
// structure.
std::string ExifBlock(const SJpegOptions& o) {
    ExifData* ed = exif_data_new();
    exif_data_set_byte_order(ed, EXIF_BYTE_ORDER_INTEL);
    auto addAscii = [&](ExifTag tag, const std::string& text) {
        ExifEntry* e = exif_entry_new();
        exif_content_add_entry(ed->ifd[EXIF_IFD_0], e);
        e->tag = tag;
        e->format = EXIF_FORMAT_ASCII;
        e->components = text.size() + 1;
        e->size = unsigned(text.size() + 1);
        e->data = static_cast<unsigned char*>(calloc(1, e->size));
        std::memcpy(e->data, text.c_str(), text.size() + 1);
        exif_entry_unref(e);
    };
    if (o.orientation) {
        ExifEntry* e = exif_entry_new();
        exif_content_add_entry(ed->ifd[EXIF_IFD_0], e);
        exif_entry_initialize(e, EXIF_TAG_ORIENTATION);
        exif_set_short(e->data, EXIF_BYTE_ORDER_INTEL, ExifShort(o.orientation));
        exif_entry_unref(e);
    }
    if (!o.modTime.empty())
        addAscii(EXIF_TAG_DATE_TIME, o.modTime);
    if (!o.description.empty())
        addAscii(EXIF_TAG_IMAGE_DESCRIPTION, o.description);
    unsigned char* data = nullptr;
    unsigned int size = 0;
    exif_data_save_data(ed, &data, &size);
    std::string block(reinterpret_cast<char*>(data), size);
    free(data);
    exif_data_unref(ed);
    return block;
}

} // namespace

std::string JpegBytes(const STestImage& image, const SJpegOptions& o) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = JDIMENSION(image.width);
    c.image_height = JDIMENSION(image.height);
    c.input_components = o.grey ? 1 : 4;
    c.in_color_space = o.grey ? JCS_GRAYSCALE : o.cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_set_defaults(&c);
    // Adobe's inverted CMYK of a colour with no black is its red, green and
    // blue as they are, then 255 for the black channel.
    if (o.cmyk)
        c.write_Adobe_marker = TRUE;
    jpeg_set_quality(&c, o.quality, TRUE);
    if (o.progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    if (o.orientation || !o.modTime.empty() || !o.description.empty()) {
        std::string exif = ExifBlock(o);
        jpeg_write_marker(&c, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.data()),
                          unsigned(exif.size()));
    }
    std::vector<std::uint8_t> grey(std::size_t(image.width));
    std::vector<std::uint8_t> cmyk(std::size_t(image.width) * 4);
    while (c.next_scanline < c.image_height) {
        const std::uint8_t* row = image.At(0, int(c.next_scanline));
        JSAMPROW r = const_cast<JSAMPROW>(row);
        if (o.grey) {
            for (int x = 0; x < image.width; ++x)
                grey[x] = row[4 * x + 1];
            r = grey.data();
        } else if (o.cmyk) {
            for (int x = 0; x < image.width; ++x) {
                cmyk[4 * x] = row[4 * x + 2];
                cmyk[4 * x + 1] = row[4 * x + 1];
                cmyk[4 * x + 2] = row[4 * x];
                cmyk[4 * x + 3] = 255;
            }
            r = cmyk.data();
        }
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::string bytes(reinterpret_cast<char*>(out), outSize);
    free(out);
    return bytes;
}

std::string PngBytes(const STestImage& image, bool keepAlpha) {
    std::string bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &bytes,
        [](png_structp p, png_bytep data, png_size_t n) {
            static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(data), n);
        },
        nullptr);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
                 keepAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    if (!keepAlpha)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, const_cast<png_bytep>(image.At(0, y)));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

std::string GifBytes(int width, int height, const std::vector<std::uint8_t>& indices,
                     const std::vector<std::array<std::uint8_t, 3>>& palette, int transparent,
                     bool interlaced) {
    std::string bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(
        &bytes,
        [](GifFileType* g, const GifByteType* data, int n) {
            static_cast<std::string*>(g->UserData)->append(reinterpret_cast<const char*>(data),
                                                           std::size_t(n));
            return n;
        },
        &error);
    int size = 2;
    while (size < int(palette.size()))
        size *= 2;
    std::vector<GifColorType> colours(static_cast<std::size_t>(size));
    for (std::size_t k = 0; k < palette.size(); ++k)
        colours[k] = GifColorType{palette[k][0], palette[k][1], palette[k][2]};
    ColorMapObject* map = GifMakeMapObject(size, colours.data());
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    if (transparent >= 0) {
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = transparent;
        GifByteType ext[4];
        EGifGCBToExtension(&gcb, ext);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
    }
    EGifPutImageDesc(gif, 0, 0, width, height, interlaced, nullptr);
    if (interlaced) {
        static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < height; y += step[pass])
                EGifPutLine(gif, const_cast<GifPixelType*>(indices.data() + y * width), width);
    } else {
        for (int y = 0; y < height; ++y)
            EGifPutLine(gif, const_cast<GifPixelType*>(indices.data() + y * width), width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return bytes;
}

namespace {

// The bytes of a scratch file libtiff wrote (it writes only to files), which
// is then removed.
std::string ReadAndRemove(const char* name) {
    std::string bytes;
    if (std::FILE* f = std::fopen(name, "rb")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            bytes.append(buf, n);
        std::fclose(f);
    }
    unlink(name);
    return bytes;
}

} // namespace

std::string TiffBytes(const STestImage& image, bool keepAlpha) {
    char name[] = "/tmp/kvtiffXXXXXX";
    int fd = mkstemp(name);
    close(fd);
    TIFF* tif = TIFFOpen(name, "w");
    int spp = keepAlpha ? 4 : 3;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(image.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(image.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 8);
    if (keepAlpha) {
        std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    std::vector<std::uint8_t> row(std::size_t(image.width) * spp);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.At(x, y);
            row[x * spp] = p[2];
            row[x * spp + 1] = p[1];
            row[x * spp + 2] = p[0];
            if (keepAlpha)
                row[x * spp + 3] = p[3];
        }
        TIFFWriteScanline(tif, row.data(), std::uint32_t(y), 0);
    }
    TIFFClose(tif);
    return ReadAndRemove(name);
}

std::string TiffClaimingBytes(std::uint32_t width, std::uint32_t height, const std::string& strip) {
    char name[] = "/tmp/kvtiffXXXXXX";
    int fd = mkstemp(name);
    close(fd);
    TIFF* tif = TIFFOpen(name, "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    std::string data = strip;
    TIFFWriteRawStrip(tif, 0, data.data(), tmsize_t(data.size()));
    TIFFClose(tif);
    return ReadAndRemove(name);
}

namespace {

SJpegOptions ExifTags(int orientation, const std::string& modTime, const std::string& description) {
    return {.orientation = orientation, .modTime = modTime, .description = description};
}

bool HasExif(int orientation, const std::string& modTime, const std::string& description) {
    return orientation || !modTime.empty() || !description.empty();
}

// The picture as libwebp's encoder input; false on failure.
bool ImportWebp(const STestImage& image, bool keepAlpha, WebPPicture& pic) {
    if (!WebPPictureInit(&pic))
        return false;
    pic.use_argb = 1;
    pic.width = image.width;
    pic.height = image.height;
    return keepAlpha ? WebPPictureImportBGRA(&pic, image.bgra.data(), image.width * 4)
                     : WebPPictureImportBGRX(&pic, image.bgra.data(), image.width * 4);
}

} // namespace

std::string WebpBytes(const STestImage& image, const SWebpOptions& o) {
    WebPConfig config;
    WebPPicture pic;
    if (!WebPConfigInit(&config) || !ImportWebp(image, o.keepAlpha, pic))
        return {};
    config.lossless = o.lossless;
    config.quality = float(o.quality);
    config.exact = o.lossless;
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    pic.writer = WebPMemoryWrite;
    pic.custom_ptr = &writer;
    const bool encoded = WebPEncode(&config, &pic);
    WebPPictureFree(&pic);
    std::string bytes(reinterpret_cast<char*>(writer.mem), encoded ? writer.size : 0);
    WebPMemoryWriterClear(&writer);
    if (!encoded || !HasExif(o.orientation, o.modTime, o.description))
        return bytes;

    // WebP keeps EXIF as the bare TIFF structure, without the JPEG lead.
    std::string exif = ExifBlock(ExifTags(o.orientation, o.modTime, o.description));
    if (!o.exifLead)
        exif.erase(0, 6);
    WebPMux* mux = WebPMuxNew();
    WebPData still{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
    WebPData chunk{reinterpret_cast<const std::uint8_t*>(exif.data()), exif.size()};
    WebPData out{};
    std::string muxed;
    if (WebPMuxSetImage(mux, &still, 1) == WEBP_MUX_OK &&
        WebPMuxSetChunk(mux, "EXIF", &chunk, 1) == WEBP_MUX_OK &&
        WebPMuxAssemble(mux, &out) == WEBP_MUX_OK)
        muxed.assign(reinterpret_cast<const char*>(out.bytes), out.size);
    WebPDataClear(&out);
    WebPMuxDelete(mux);
    return muxed;
}

std::string WebpAnimationBytes(const std::vector<STestImage>& frames) {
    if (frames.empty())
        return {};
    WebPAnimEncoderOptions options;
    WebPConfig config;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config))
        return {};
    config.lossless = 1;
    WebPAnimEncoder* enc = WebPAnimEncoderNew(frames[0].width, frames[0].height, &options);
    bool ok = enc != nullptr;
    int time = 0;
    for (const STestImage& frame : frames) {
        WebPPicture pic;
        ok = ok && ImportWebp(frame, true, pic);
        ok = ok && WebPAnimEncoderAdd(enc, &pic, time, &config);
        WebPPictureFree(&pic);
        time += 100;
    }
    WebPData out{};
    ok = ok && WebPAnimEncoderAdd(enc, nullptr, time, nullptr) &&
         WebPAnimEncoderAssemble(enc, &out);
    std::string bytes = ok ? std::string(reinterpret_cast<const char*>(out.bytes), out.size)
                           : std::string();
    WebPDataClear(&out);
    WebPAnimEncoderDelete(enc);
    return bytes;
}

std::string HeifBytes(const STestImage& image, const std::string& coding, const SHeifOptions& o) {
    const heif_compression_format format =
        coding == "avif" ? heif_compression_AV1 : heif_compression_HEVC;
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    if (heif_context_get_encoder_for_format(ctx, format, &encoder).code != heif_error_Ok) {
        heif_context_free(ctx);
        return {};
    }
    heif_encoder_set_lossy_quality(encoder, o.quality);
    if (format == heif_compression_AV1)
        heif_encoder_set_parameter_integer(encoder, "speed", 8); // fast enough for tests
    // x265's sample adaptive offset reads stack memory it never set, which
    // then reaches the coded bytes: memory checkers would blame whatever
    // reads the file. These flat test pictures do not need it.
    if (format == heif_compression_HEVC)
        heif_encoder_set_parameter_string(encoder, "x265:sao", "0");

    heif_image* img = nullptr;
    const int channels = o.keepAlpha ? 4 : 3;
    heif_image_create(image.width, image.height, heif_colorspace_RGB,
                      o.keepAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                      &img);
    heif_image_add_plane(img, heif_channel_interleaved, image.width, image.height, 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(img, heif_channel_interleaved, &stride);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.At(x, y);
            std::uint8_t* d = plane + std::ptrdiff_t(y) * stride + x * channels;
            d[0] = p[2];
            d[1] = p[1];
            d[2] = p[0];
            if (o.keepAlpha)
                d[3] = p[3];
        }
    heif_encoding_options* options = heif_encoding_options_alloc();
    if (o.orientation)
        options->image_orientation = heif_orientation(o.orientation);
    heif_image_handle* handle = nullptr;
    bool ok = heif_context_encode_image(ctx, img, encoder, options, &handle).code == heif_error_Ok;
    heif_encoding_options_free(options);
    if (ok && HasExif(o.exifOrientation, o.modTime, o.description)) {
        const std::string exif = ExifBlock(ExifTags(o.exifOrientation, o.modTime, o.description));
        ok = heif_context_add_exif_metadata(ctx, handle, exif.data(), int(exif.size())).code ==
             heif_error_Ok;
    }
    std::string bytes;
    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = [](heif_context*, const void* data, size_t size, void* user) {
        static_cast<std::string*>(user)->append(static_cast<const char*>(data), size);
        return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
    };
    ok = ok && heif_context_write(ctx, &writer, &bytes).code == heif_error_Ok;
    if (handle)
        heif_image_handle_release(handle);
    heif_image_release(img);
    heif_encoder_release(encoder);
    heif_context_free(ctx);
    return ok ? bytes : std::string();
}

namespace {

constexpr int kBars = 12;

// Where a stored pixel appears in the picture a player shows: turned
// clockwise by the rotation, then mirrored left to right.
struct SUprightPoint {
    int x;
    int y;
};
SUprightPoint UprightOf(int x, int y, int storedWidth, int storedHeight, const SClipOptions& o) {
    int ux = x, uy = y, uprightWidth = storedWidth;
    switch (o.rotation) {
    case 90:
        ux = storedHeight - 1 - y;
        uy = x;
        uprightWidth = storedHeight;
        break;
    case 180:
        ux = storedWidth - 1 - x;
        uy = storedHeight - 1 - y;
        break;
    case 270:
        ux = y;
        uy = storedWidth - 1 - x;
        uprightWidth = storedHeight;
        break;
    default:
        break;
    }
    if (o.mirror)
        ux = uprightWidth - 1 - ux;
    return {ux, uy};
}

bool InMarker(SUprightPoint p, const SClipOptions& o) {
    return o.marker && p.x < o.width / 4 && p.y < o.height / 4;
}

// Frame `number` as stored: the upright picture (bars, marker) turned back
// so that a player applying the rotation and mirror shows it upright.
void DrawFrame(AVFrame* f, int number, const SClipOptions& o) {
    for (int y = 0; y < f->height; ++y)
        for (int x = 0; x < f->width; ++x) {
            SUprightPoint p = UprightOf(x, y, f->width, f->height, o);
            int bar = p.x * kBars / o.width;
            bool one = (number >> (kBars - 1 - bar)) & 1;
            f->data[0][y * f->linesize[0] + x] = InMarker(p, o) ? 81 : one ? 235 : 16;
        }
    // Chroma: neutral grey, red (BT.601 limited range) in the marker.
    for (int y = 0; y < (f->height + 1) / 2; ++y)
        for (int x = 0; x < (f->width + 1) / 2; ++x) {
            bool red = InMarker(UprightOf(2 * x, 2 * y, f->width, f->height, o), o);
            f->data[1][y * f->linesize[1] + x] = red ? 90 : 128;
            f->data[2][y * f->linesize[2] + x] = red ? 240 : 128;
        }
}

// Frame i's presentation time in half frame periods. Constant-rate clips
// step by two; variable-rate clips repeat frames lasting 1, 2, ½ and ½
// periods, so frames fall at 0, 1, 3, 3.5, 4, 5, 7, 7.5, 8 … periods.
std::int64_t HalfPeriods(const SClipOptions& o, std::int64_t i) {
    if (!o.variableRate)
        return 2 * i;
    static const int kStart[4] = {0, 2, 6, 7};
    return 8 * (i / 4) + kStart[i % 4];
}

bool IsNativeMpegFamily(const std::string& codec) {
    return codec == "mpeg1video" || codec == "mpeg2video" || codec == "mpeg4" ||
           codec == "h263" || codec == "h263p";
}

// Quality settings per encoder: sharp enough that the bars read back, fast
// enough for tests. Options an encoder does not know stay unused.
void SetQuality(AVCodecContext* c, const SClipOptions& o, CFfDictionary& opts) {
    if (o.bitrate) {
        c->bit_rate = o.bitrate;
        c->rc_max_rate = o.bitrate * 2;
        c->rc_buffer_size = o.bitrate;
        return;
    }
    if (IsNativeMpegFamily(o.codec)) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = FF_QP2LAMBDA * 3;
        return;
    }
    auto set = [&](const char* key, const char* value) { av_dict_set(opts.Address(), key, value, 0); };
    if (o.codec == "libx264" || o.codec == "libx265") {
        set("crf", "12");
        set("preset", "veryfast");
        if (o.codec == "libx265")
            set("x265-params", "log-level=error:asm=0");
    } else if (o.codec == "libvpx" || o.codec == "libvpx-vp9") {
        c->bit_rate = 2000000;
        set("crf", "8");
        set("deadline", "realtime");
        set("cpu-used", "8");
    } else if (o.codec == "libaom-av1") {
        set("crf", "16");
        set("cpu-used", "8");
        set("usage", "realtime");
    } else if (o.codec == "libsvtav1") {
        set("crf", "16");
        set("preset", "12");
    } else if (o.codec == "librav1e") {
        set("qp", "40");
        set("speed", "10");
    }
}

// Sends a frame (null: the end) and writes what the encoder gives back.
bool Drain(AVCodecContext* c, AVStream* s, AVFormatContext* fmt, const AVFrame* frame,
           const SClipOptions& o) {
    if (avcodec_send_frame(c, frame) < 0)
        return false;
    FfPacketPtr pkt(av_packet_alloc());
    if (!pkt)
        return false;
    for (;;) {
        int r = avcodec_receive_packet(c, pkt.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r < 0)
            return false;
        // Each picture lasts until the next one (the container's edit list
        // counts on it); the last of a variable-rate clip as its pattern says.
        if (c->codec_type == AVMEDIA_TYPE_VIDEO) {
            pkt->duration = 1;
            if (o.variableRate && pkt->pts >= 0) {
                std::int64_t i = pkt->pts / 8 * 4; // frame of that time (in half periods)
                while (HalfPeriods(o, i + 1) <= pkt->pts)
                    ++i;
                pkt->duration = HalfPeriods(o, i + 1) - HalfPeriods(o, i);
            }
        }
        av_packet_rescale_ts(pkt.get(), c->time_base, s->time_base);
        pkt->stream_index = s->index;
        if (av_interleaved_write_frame(fmt, pkt.get()) < 0)
            return false;
    }
}

// The display matrix of the rotation and mirror, as a phone writes it.
bool AddDisplayMatrix(AVStream* vs, const SClipOptions& o) {
    if (!o.rotation && !o.mirror)
        return true;
    std::int32_t matrix[9] = {};
    // Set by the clockwise angle (FFmpeg reads it back as the counterclockwise
    // one, −90 for a phone held upright).
    av_display_rotation_set(matrix, double(o.rotation));
    if (o.mirror)
        av_display_matrix_flip(matrix, 1, 0);
    std::uint8_t* data = nullptr;
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(60, 31, 100)
    AVPacketSideData* sd = av_packet_side_data_new(&vs->codecpar->coded_side_data,
                                                   &vs->codecpar->nb_coded_side_data,
                                                   AV_PKT_DATA_DISPLAYMATRIX, sizeof matrix, 0);
    data = sd ? sd->data : nullptr;
#else
    data = av_stream_new_side_data(vs, AV_PKT_DATA_DISPLAYMATRIX, sizeof matrix);
#endif
    if (!data)
        return false;
    std::memcpy(data, matrix, sizeof matrix);
    return true;
}

} // namespace

bool CanWriteClip(const SClipOptions& o, std::string& why) {
    if (!avcodec_find_encoder_by_name(o.codec.c_str())) {
        why = "this FFmpeg build has no " + o.codec + " encoder";
        return false;
    }
    if (!av_guess_format(o.container.c_str(), nullptr, nullptr)) {
        why = "this FFmpeg build has no " + o.container + " muxer";
        return false;
    }
    return true;
}

double ClipFrameTime(const SClipOptions& o, int i) {
    return double(HalfPeriods(o, i)) / (2.0 * o.fps);
}

bool WriteClip(const std::string& path, const SClipOptions& o) {
    if (o.rotation % 90 || o.rotation < 0 || o.rotation >= 360 || o.width <= 0 || o.height <= 0)
        return false;
    const bool turned = o.rotation == 90 || o.rotation == 270;
    const int storedWidth = turned ? o.height : o.width;
    const int storedHeight = turned ? o.width : o.height;

    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, o.container.c_str(), path.c_str()) < 0)
        return false;
    FfOutputPtr fmt(out);
    // Closes the file before the context goes, whatever path leaves.
    struct SCloser {
        AVFormatContext* fmt;
        ~SCloser() {
            if (!(fmt->oformat->flags & AVFMT_NOFILE))
                avio_closep(&fmt->pb);
        }
    } closer{fmt.get()};

    const AVCodec* vcodec = avcodec_find_encoder_by_name(o.codec.c_str());
    if (!vcodec)
        return false;
    AVStream* vs = avformat_new_stream(fmt.get(), nullptr);
    FfCodecPtr vc(avcodec_alloc_context3(vcodec));
    if (!vs || !vc)
        return false;
    vc->width = storedWidth;
    vc->height = storedHeight;
    // Variable-rate clips count time in half frame periods.
    vc->time_base = AVRational{1, o.variableRate ? 2 * o.fps : o.fps};
    vc->framerate = AVRational{o.fps, 1};
    vc->pix_fmt = AV_PIX_FMT_YUV420P;
    vc->gop_size = o.gop;
    vc->max_b_frames = o.codec == "h263" ? 0 : 2;
    CFfDictionary opts;
    SetQuality(vc.get(), o, opts);
    if (o.aspectNum > 0) {
        // The aspect is the upright picture's; the stored one is turned.
        int num = turned ? o.aspectDen : o.aspectNum;
        int den = turned ? o.aspectNum : o.aspectDen;
        av_reduce(&vc->sample_aspect_ratio.num, &vc->sample_aspect_ratio.den,
                  std::int64_t(num) * storedHeight, std::int64_t(den) * storedWidth, 255);
    }
    if (fmt->oformat->flags & AVFMT_GLOBALHEADER)
        vc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(vc.get(), vcodec, opts.Address()) < 0)
        return false;
    if (avcodec_parameters_from_context(vs->codecpar, vc.get()) < 0)
        return false;
    vs->time_base = vc->time_base;
    vs->sample_aspect_ratio = vc->sample_aspect_ratio;
    if (!AddDisplayMatrix(vs, o))
        return false;

    FfCodecPtr ac;
    AVStream* as = nullptr;
    if (o.audio) {
        const AVCodec* acodec = avcodec_find_encoder(AV_CODEC_ID_MP2);
        as = avformat_new_stream(fmt.get(), nullptr);
        ac.reset(avcodec_alloc_context3(acodec));
        if (!acodec || !as || !ac)
            return false;
        ac->sample_rate = 44100;
        ac->sample_fmt = AV_SAMPLE_FMT_S16;
        av_channel_layout_default(&ac->ch_layout, 2);
        ac->bit_rate = 128000;
        ac->time_base = AVRational{1, 44100};
        if (avcodec_open2(ac.get(), acodec, nullptr) < 0)
            return false;
        if (avcodec_parameters_from_context(as->codecpar, ac.get()) < 0)
            return false;
        as->time_base = ac->time_base;
    }
    if (!(fmt->oformat->flags & AVFMT_NOFILE) &&
        avio_open(&fmt->pb, path.c_str(), AVIO_FLAG_WRITE) < 0)
        return false;
    if (avformat_write_header(fmt.get(), nullptr) < 0)
        return false;

    FfFramePtr frame(av_frame_alloc());
    if (!frame)
        return false;
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = storedWidth;
    frame->height = storedHeight;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return false;
    FfFramePtr sound;
    std::int64_t samples = 0;
    if (ac) {
        sound.reset(av_frame_alloc());
        if (!sound)
            return false;
        sound->format = AV_SAMPLE_FMT_S16;
        sound->nb_samples = ac->frame_size;
        sound->sample_rate = 44100;
        if (av_channel_layout_copy(&sound->ch_layout, &ac->ch_layout) < 0 ||
            av_frame_get_buffer(sound.get(), 0) < 0)
            return false;
        std::memset(sound->data[0], 0, std::size_t(ac->frame_size) * 4);
    }
    bool ok = true;
    for (int i = 0; i < o.frames && ok; ++i) {
        ok = av_frame_make_writable(frame.get()) >= 0;
        DrawFrame(frame.get(), i, o);
        frame->pts = o.variableRate ? HalfPeriods(o, i) : i;
        // H.263 clips coefficients beyond ±127, which smears the bars at the
        // finest step the encoder takes by default: a coarser one for it.
        if (o.codec.rfind("h263", 0) == 0 && !o.bitrate)
            frame->quality = FF_QP2LAMBDA * 6;
        ok = ok && Drain(vc.get(), vs, fmt.get(), frame.get(), o);
        while (ok && ac && samples * o.fps < std::int64_t(i + 1) * 44100) {
            sound->pts = samples;
            ok = Drain(ac.get(), as, fmt.get(), sound.get(), o);
            samples += ac->frame_size;
        }
    }
    ok = ok && Drain(vc.get(), vs, fmt.get(), nullptr, o);
    if (ac)
        ok = ok && Drain(ac.get(), as, fmt.get(), nullptr, o);
    return av_write_trailer(fmt.get()) >= 0 && ok;
}

int ReadClipNumber(const std::uint8_t* topRow, int stride, int width, int height) {
    int number = 0;
    const std::uint8_t* row = topRow + std::ptrdiff_t(height / 2) * stride;
    for (int bar = 0; bar < kBars; ++bar) {
        int x = (2 * bar + 1) * width / (2 * kBars);
        int g = row[4 * x + 1];
        if (g > 90 && g < 165)
            return -1;
        number = number << 1 | (g >= 128 ? 1 : 0);
    }
    return number;
}
