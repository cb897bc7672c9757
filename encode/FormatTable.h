#pragma once

#include "encode/Muxer.h"

#include <array>
#include <span>
#include <string>

// One output format: a disc's MPEG program stream, an MPEG stream of the
// user's own size, or a file for screens (H.264 and AAC in an MP4,
// QuickTime or Matroska file). What a format asks of its streams is here as
// data; the engines, the format page, the command line and `info --json`
// read it, so a new format is a new row.
struct SFormatRow {
    enum EKind : int {
        kDisc,   // a disc's stream: fixed size per standard, the disc's pixel shape
        kCustom, // an MPEG stream of the user's size, square pixels
        kScreen, // a file for screens: its own size, square pixels
    };
    using TRates = std::array<double, 8>;

    const char* name = "";  // on the command line and in JSON: "dvd"
    const char* label = ""; // in the format page's list: "DVD"
    EKind kind = kDisc;
    // The format page's list position, which a template's remembered choices
    // store; -1 for formats the page does not list.
    int page = -1;
    // The MPEG engines' format number and encoder preset; -1 for the others.
    int mpegFormat = -1;
    int mpegPreset = -1;
    // The picture: width, and height for PAL (625 lines) and NTSC (525); 0
    // where the user chooses. Still pictures of video CDs are 704 wide at
    // full height.
    int width = 0, palHeight = 0, ntscHeight = 0;
    int stillWidth = 0;
    // Frame rates the format is made at, the PAL one first for discs; the
    // list ends at the first 0.
    TRates rates{};
    const char* videoCodec = "";
    const char* audioCodec = "";
    int audioRate = 0;
    int audioBitRate = 0;
    // Video rates in bits per second and the decoder's buffer in bits; 0
    // where the picture size decides. maxRatePcm: the peak when uncompressed
    // sound takes its share of the multiplex; stillBitRate: the nominal rate
    // a single still picture is written with.
    int bitRate = 0, maxRate = 0, minRate = 0, bufferBits = 0, maxRatePcm = 0, stillBitRate = 0;
    bool scanOffset = false; // room for a super video CD's scan information
    SMuxSettings mux;

    [[nodiscard]] int Height(bool pal) const { return pal ? palHeight : ntscHeight; }
    [[nodiscard]] bool SquarePixels() const { return kind != kDisc; }
    [[nodiscard]] bool HasRate(double rate) const;
};

// The rows and the ways to find one.
class CFormatTable {
public:
    static std::span<const SFormatRow> Rows();
    // Null when no row has that name, page position, MPEG format number or
    // encoder preset.
    static const SFormatRow* Named(const std::string& name);
    static const SFormatRow* AtPage(int page);
    static const SFormatRow* OfMpegFormat(int format);
    static const SFormatRow* OfMpegPreset(int preset);
    // The format for screens used when none is chosen: HD 720p.
    static const SFormatRow& DefaultScreen();
    // The names of the formats offered for screens, or of the others, as
    // "a, b or c" for messages.
    static std::string Names(bool screens);
    // The number of rows the format page lists.
    static int PageCount();
};
