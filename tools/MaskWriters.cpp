#include "tools/MaskWriters.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace maskart {

bool EncodeJpeg(const SGreyImage& image, int quality, std::vector<std::uint8_t>& bytes) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors); // errors exit the program: a build tool may stop there
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(image.width);
    info.image_height = JDIMENSION(image.height);
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&image.levels[std::size_t(info.next_scanline) * image.width]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    bytes.assign(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return true;
}

namespace {

int AppendGifBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    bytes->insert(bytes->end(), data, data + length);
    return length;
}

} // namespace

bool EncodeGif(const SGreyImage& image, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, AppendGifBytes, &error);
    if (!gif) {
        std::fprintf(stderr, "GIF: %s\n", GifErrorString(error));
        return false;
    }
    GifColorType ramp[256];
    for (int k = 0; k < 256; ++k)
        ramp[k] = {GifByteType(k), GifByteType(k), GifByteType(k)};
    ColorMapObject* palette = GifMakeMapObject(256, ramp);
    bool ok = palette && EGifPutScreenDesc(gif, image.width, image.height, 8, 0, palette) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < image.height; ++y) {
        auto* row = const_cast<GifPixelType*>(&image.levels[std::size_t(y) * image.width]);
        ok = EGifPutLine(gif, row, image.width) == GIF_OK;
    }
    if (!ok)
        std::fprintf(stderr, "GIF: %s\n", GifErrorString(gif->Error));
    GifFreeMapObject(palette);
    if (EGifCloseFile(gif, &error) != GIF_OK) {
        std::fprintf(stderr, "GIF: %s\n", GifErrorString(error));
        ok = false;
    }
    return ok;
}

bool WritePng(const SGreyImage& image, const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_GRAY;
    if (!png_image_write_to_file(&png, path.c_str(), 0, image.levels.data(), image.width, nullptr)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), png.message);
        return false;
    }
    return true;
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !ok) {
        std::fprintf(stderr, "%s: cannot write\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace maskart
