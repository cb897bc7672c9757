#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Test pictures and clips written with the real libraries.

// A test picture: top-down 32-bit blue, green, red, alpha.
struct STestImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgra;

    STestImage() = default;
    STestImage(int w, int h, const std::function<std::array<std::uint8_t, 4>(int, int)>& f);
    [[nodiscard]] const std::uint8_t* At(int x, int y) const {
        return bgra.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4;
    }
};

// Four flat quadrants (blue, green, red, white from top left, clockwise),
// easy to tell apart after lossy coding and any turn or mirror.
STestImage QuadrantImage(int width, int height);

struct SJpegOptions {
    int orientation = 0;    // EXIF orientation tag; 0 writes none
    std::string modTime = {}; // EXIF DateTime of the main directory; empty writes none
    std::string description = {};
    bool grey = false;
    int quality = 95;
    bool progressive = false; // the library's standard progression of scans
    bool cmyk = false;        // four-channel CMYK with the Adobe marker (inverted, as Adobe writes)
};
// JPEG through libjpeg, EXIF through libexif.
std::string JpegBytes(const STestImage& image, const SJpegOptions& options = {});
// PNG through libpng; keepAlpha writes RGBA, else RGB.
std::string PngBytes(const STestImage& image, bool keepAlpha);
// GIF through giflib: indices into a palette of up to 256 colours (RGB
// triplets); transparent < 0 for none.
std::string GifBytes(int width, int height, const std::vector<std::uint8_t>& indices,
                     const std::vector<std::array<std::uint8_t, 3>>& palette, int transparent,
                     bool interlaced = false);
// TIFF through libtiff (RGBA with associated-free alpha when keepAlpha).
std::string TiffBytes(const STestImage& image, bool keepAlpha);
// A TIFF whose header claims width x height RGBA at 16 bits, deflated in
// one strip, while the strip holds only the bytes given: a hostile file.
std::string TiffClaimingBytes(std::uint32_t width, std::uint32_t height, const std::string& strip);

struct SWebpOptions {
    bool lossless = false; // lossless keeps every colour exact, also under transparency
    int quality = 90;
    bool keepAlpha = false;
    int orientation = 0;      // orientation tag of an EXIF chunk; 0 writes none
    std::string modTime = {}; // EXIF DateTime of the main directory; empty writes none
    std::string description = {};
    bool exifLead = false; // the chunk starts "Exif\0\0" as a JPEG's block does
};
// WebP through libwebp's encoder; an EXIF chunk (written with libexif) is
// added through libwebp's muxer.
std::string WebpBytes(const STestImage& image, const SWebpOptions& options = {});
// An animated WebP, frames of 100 ms each, every frame the whole canvas.
std::string WebpAnimationBytes(const std::vector<STestImage>& frames);

struct SHeifOptions {
    int orientation = 0;     // the container's own turn (irot and imir); 0 writes none
    int exifOrientation = 0; // orientation tag of an EXIF block; 0 writes none
    std::string modTime = {};
    std::string description = {};
    bool keepAlpha = false;
    int quality = 90;
};
// HEIF through libheif's encoders: coding "heic" (HEVC by x265) or "avif"
// (AV1 by aom). Empty when this libheif has no encoder for it.
std::string HeifBytes(const STestImage& image, const std::string& coding,
                      const SHeifOptions& options = {});

struct SClipOptions {
    int width = 64; // the picture a player shows (after any rotation)
    int height = 48;
    int frames = 30;
    int fps = 25;
    // An FFmpeg muxer: mpeg, mp4, mov, 3gp, avi, matroska, webm.
    std::string container = "mpeg";
    // An FFmpeg encoder: mpeg1video, mpeg2video, mpeg4, h263, libx264,
    // libx265, libvpx, libvpx-vp9, libaom-av1, libsvtav1, librav1e.
    std::string codec = "mpeg2video";
    int aspectNum = 0; // display aspect; 0 leaves square pixels
    int aspectDen = 0;
    bool audio = false;
    int gop = 12;
    int bitrate = 0; // 0: constant quality
    // Degrees (0, 90, 180, 270) a player turns the stored picture clockwise,
    // then mirrors it left to right when mirror is set: written as the
    // stream's display matrix, as phones do, with the picture stored turned
    // back so that the player shows width × height upright.
    int rotation = 0;
    bool mirror = false;
    // A red block over the top left quarter of each side of the upright
    // picture, above the bars: tells every turn and mirror apart.
    bool marker = false;
    // Uneven frame times (see ClipFrameTime): the average rate stays fps.
    bool variableRate = false;
};
// Whether this FFmpeg build has the encoder and muxer; why when not.
bool CanWriteClip(const SClipOptions& options, std::string& why);
// A clip whose frame i shows i in binary as 12 vertical bars (bit 11 at the
// left, white = 1), encoded with FFmpeg's libraries.
bool WriteClip(const std::string& path, const SClipOptions& options);
// Seconds from the first frame to frame i. Constant rate: i / fps. Variable
// rate: frames last 1, 2, ½, ½ periods in turn, so they fall at 0, 1, 3,
// 3.5, 4, 5, 7, 7.5 … periods: an index whose time has no frame of its own
// (2, 6 …) and a frame that another replaces within the same period (3.5).
// The clip ends at ClipFrameTime(options, frames).
double ClipFrameTime(const SClipOptions& options, int i);
// Reads the number back from a decoded frame (any size, rows from the top
// through the signed stride; pointer at the top row). −1 when unreadable.
int ReadClipNumber(const std::uint8_t* topRow, int stride, int width, int height);
