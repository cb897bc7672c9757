#include "encode/FormatTable.h"

#include <cmath>

namespace {

constexpr double kNtscRate = 30000 / 1001.0;
// Disc formats run at the standard's rate; files for screens at any of
// the usual ones.
constexpr SFormatRow::TRates kDiscRates{25.0, kNtscRate};
constexpr SFormatRow::TRates kScreenRates{24.0, 25.0,           30.0,      50.0,
                                          60.0, 24000 / 1001.0, kNtscRate, 60000 / 1001.0};

constexpr int kKiB = 1024 * 8; // buffer sizes are given in bits

// MPEG rows: DVD video peaks at 9.8 Mbit/s within a 10.08 Mbit/s multiplex
// of 2048-byte packs (uncompressed stereo takes 1.536 Mbit/s of it, so the
// video peak drops then); a super video CD's video and sound share 2.6
// Mbit/s in 2324-byte packs with room for scan information; a video CD is a
// constant 1150 kbit/s in packs multiplexed at the disc's 1411.2 kbit/s,
// whose first packs carry padding, hence the later start.

// A file for screens: H.264 and AAC at 48 kHz, square pixels, any usual
// rate; the container follows the file's extension (MP4 unless it says
// QuickTime or Matroska).
SFormatRow Screen(const char* name, const char* label, int page, int width, int height) {
    SFormatRow row{.name = name, .label = label, .kind = SFormatRow::kScreen, .page = page,
                   .width = width, .palHeight = height, .ntscHeight = height,
                   .rates = kScreenRates, .videoCodec = "libx264", .audioCodec = "aac",
                   .audioRate = 48000, .audioBitRate = 192000, .mux = {"mp4", 0, 0, -1}};
    return row;
}

const SFormatRow kRows[] = {
    {.name = "dvd", .label = "DVD", .kind = SFormatRow::kDisc, .page = 0, .mpegFormat = 0,
     .mpegPreset = 4, .width = 720, .palHeight = 576, .ntscHeight = 480, .rates = kDiscRates,
     .videoCodec = "mpeg2video", .audioCodec = "mp2", .audioRate = 48000, .audioBitRate = 224000,
     .bitRate = 6000000, .maxRate = 9000000, .bufferBits = 224 * kKiB, .maxRatePcm = 8000000,
     .mux = {"dvd", 2048, 10080000, -1}},
    {.name = "svcd", .label = "SVCD", .kind = SFormatRow::kDisc, .page = 1, .mpegFormat = 1,
     .mpegPreset = 3, .width = 480, .palHeight = 576, .ntscHeight = 480, .stillWidth = 704,
     .rates = kDiscRates, .videoCodec = "mpeg2video", .audioCodec = "mp2", .audioRate = 44100,
     .audioBitRate = 224000, .bitRate = 2040000, .maxRate = 2516000, .bufferBits = 224 * kKiB,
     .stillBitRate = 3000000, .scanOffset = true, .mux = {"svcd", 2324, 0, -1}},
    {.name = "vcd", .label = "VCD", .kind = SFormatRow::kDisc, .page = 2, .mpegFormat = 2,
     .mpegPreset = 1, .width = 352, .palHeight = 288, .ntscHeight = 240, .stillWidth = 704,
     .rates = kDiscRates, .videoCodec = "mpeg1video", .audioCodec = "mp2", .audioRate = 44100,
     .audioBitRate = 224000, .bitRate = 1150000, .maxRate = 1150000, .minRate = 1150000,
     .bufferBits = 40 * kKiB, .stillBitRate = 2000000,
     .mux = {"vcd", 2324, 1411200, (36000 + 3 * 1200) * 100 / 9}},
    {.name = "custom", .label = "Custom", .kind = SFormatRow::kCustom, .page = 3, .mpegFormat = 3,
     .mpegPreset = 2, .rates = kDiscRates, .videoCodec = "mpeg2video", .audioCodec = "mp2",
     .audioRate = 44100, .audioBitRate = 224000, .mux = {"vob", 2048, 0, -1}},
    {.name = "custom-mpeg1", .label = "Custom MPEG-1", .kind = SFormatRow::kCustom,
     .mpegFormat = 4, .mpegPreset = 0, .rates = kDiscRates, .videoCodec = "mpeg1video",
     .audioCodec = "mp2", .audioRate = 44100, .audioBitRate = 224000,
     .mux = {"mpeg", 2048, 0, -1}},
    Screen("720p", "HD 720p (MP4)", 4, 1280, 720),
    Screen("1080p", "HD 1080p (MP4)", 5, 1920, 1080),
    Screen("4k", "4K (MP4)", 6, 3840, 2160),
    Screen("vertical", "Vertical (MP4)", 7, 1080, 1920),
    Screen("square", "Square (MP4)", 8, 1080, 1080),
};

template <class Match> const SFormatRow* Find(Match match) {
    for (const SFormatRow& row : kRows)
        if (match(row))
            return &row;
    return nullptr;
}

} // namespace

bool SFormatRow::HasRate(double rate) const {
    for (double allowed : rates)
        if (allowed > 0 && std::fabs(rate - allowed) < 0.005)
            return true;
    return false;
}

std::span<const SFormatRow> CFormatTable::Rows() { return kRows; }

const SFormatRow* CFormatTable::Named(const std::string& name) {
    return Find([&](const SFormatRow& row) { return name == row.name; });
}

const SFormatRow* CFormatTable::AtPage(int page) {
    return page < 0 ? nullptr : Find([&](const SFormatRow& row) { return row.page == page; });
}

const SFormatRow* CFormatTable::OfMpegFormat(int format) {
    return format < 0 ? nullptr
                      : Find([&](const SFormatRow& row) { return row.mpegFormat == format; });
}

const SFormatRow* CFormatTable::OfMpegPreset(int preset) {
    return preset < 0 ? nullptr
                      : Find([&](const SFormatRow& row) { return row.mpegPreset == preset; });
}

const SFormatRow& CFormatTable::DefaultScreen() { return *Named("720p"); }

std::string CFormatTable::Names(bool screens) {
    std::string names, last;
    for (const SFormatRow& row : kRows) {
        // Formats only the engines know (custom MPEG-1) are not offered.
        if ((row.kind == SFormatRow::kScreen) != screens || row.page < 0)
            continue;
        if (!last.empty())
            names += (names.empty() ? "" : ", ") + last;
        last = row.name;
    }
    return names.empty() ? last : names + " or " + last;
}

int CFormatTable::PageCount() {
    int count = 0;
    for (const SFormatRow& row : kRows)
        count += row.page >= 0 ? 1 : 0;
    return count;
}
