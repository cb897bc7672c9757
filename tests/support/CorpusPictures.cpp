// kv-corpus-pictures DIR: writes the pictures of the media corpus that
// FFmpeg's command-line tool cannot: progressive and CMYK JPEG, phone HEIC and
// AVIF photos, and pictures stored turned with an orientation (EXIF, or the
// HEIF container's own) that brings them upright. Each shows
// the corpus's split picture (left half red, right half blue, 160 x 120) once
// shown upright. Prints the name of each file written, or "SKIP name (why)".
#include "tests/support/MediaMaker.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

namespace {

constexpr int kW = 160, kH = 120;

// The split picture as a viewer shows it: BGRA of left red, right blue.
std::array<std::uint8_t, 4> Split(int x, int /*y*/) {
    return x < kW / 2 ? std::array<std::uint8_t, 4>{32, 48, 224, 255}
                      : std::array<std::uint8_t, 4>{224, 64, 32, 255};
}

// The picture as stored for an EXIF orientation of 6 (the camera turned a
// quarter clockwise): stored width and height swap, and turning the stored
// picture a quarter clockwise shows it upright.
STestImage StoredForOrientation6() {
    return STestImage(kH, kW, [](int sx, int sy) { return Split(kW - 1 - sy, sx); });
}

bool Write(const std::string& dir, const std::string& name, const std::string& bytes) {
    if (bytes.empty()) {
        std::cout << "SKIP " << name << " (this libheif has no encoder for it)\n";
        return true;
    }
    std::ofstream out(dir + "/" + name, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out)
        return false;
    std::cout << name << "\n";
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: kv-corpus-pictures DIR\n";
        return 64;
    }
    const std::string dir = argv[1];
    const STestImage upright(kW, kH, Split);
    bool ok = Write(dir, "progressive.jpg", JpegBytes(upright, {.progressive = true})) &&
              Write(dir, "cmyk.jpg", JpegBytes(upright, {.cmyk = true})) &&
              Write(dir, "exif6.jpg", JpegBytes(StoredForOrientation6(), {.orientation = 6})) &&
              Write(dir, "exif6.webp", WebpBytes(StoredForOrientation6(), {.orientation = 6})) &&
              Write(dir, "phone.heic", HeifBytes(StoredForOrientation6(), "heic", {.orientation = 6})) &&
              Write(dir, "photo.avif", HeifBytes(upright, "avif"));
    return ok ? 0 : 1;
}
