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
//
// Screen rows: H.264 and AAC; the container follows the file's extension
// (MP4 unless it says QuickTime or Matroska).
const SFormatRow kRows[] = {
    // name, label, kind, page, MPEG format, preset, width, PAL/NTSC height, still width,
    // rates, video codec, audio codec, audio rate and bit rate,
    // bit rate, peak, least, buffer, peak with PCM, still rate, scan offset, mux
    {"dvd", "DVD", SFormatRow::kDisc, 0, 0, 4, 720, 576, 480, 0, kDiscRates, "mpeg2video",
     "mp2", 48000, 224000, 6000000, 9000000, 0, 224 * kKiB, 8000000, 0, false,
     {"dvd", 2048, 10080000, -1}},
    {"svcd", "SVCD", SFormatRow::kDisc, 1, 1, 3, 480, 576, 480, 704, kDiscRates,
     "mpeg2video", "mp2", 44100, 224000, 2040000, 2516000, 0, 224 * kKiB, 0, 3000000, true,
     {"svcd", 2324, 0, -1}},
    {"vcd", "VCD", SFormatRow::kDisc, 2, 2, 1, 352, 288, 240, 704, kDiscRates, "mpeg1video",
     "mp2", 44100, 224000, 1150000, 1150000, 1150000, 40 * kKiB, 0, 2000000, false,
     {"vcd", 2324, 1411200, (36000 + 3 * 1200) * 100 / 9}},
    {"custom", "Custom", SFormatRow::kCustom, 3, 3, 2, 0, 0, 0, 0, kDiscRates, "mpeg2video",
     "mp2", 44100, 224000, 0, 0, 0, 0, 0, 0, false, {"vob", 2048, 0, -1}},
    {"custom-mpeg1", "Custom MPEG-1", SFormatRow::kCustom, -1, 4, 0, 0, 0, 0, 0, kDiscRates,
     "mpeg1video", "mp2", 44100, 224000, 0, 0, 0, 0, 0, 0, false, {"mpeg", 2048, 0, -1}},
    {"720p", "HD 720p (MP4)", SFormatRow::kScreen, 4, -1, -1, 1280, 720, 720, 0,
     kScreenRates, "libx264", "aac", 48000, 192000, 0, 0, 0, 0, 0, 0, false, {"mp4", 0, 0, -1}},
    {"1080p", "HD 1080p (MP4)", SFormatRow::kScreen, 5, -1, -1, 1920, 1080, 1080, 0,
     kScreenRates, "libx264", "aac", 48000, 192000, 0, 0, 0, 0, 0, 0, false, {"mp4", 0, 0, -1}},
    {"4k", "4K (MP4)", SFormatRow::kScreen, 6, -1, -1, 3840, 2160, 2160, 0, kScreenRates,
     "libx264", "aac", 48000, 192000, 0, 0, 0, 0, 0, 0, false, {"mp4", 0, 0, -1}},
    {"vertical", "Vertical (MP4)", SFormatRow::kScreen, 7, -1, -1, 1080, 1920, 1920, 0,
     kScreenRates, "libx264", "aac", 48000, 192000, 0, 0, 0, 0, 0, 0, false, {"mp4", 0, 0, -1}},
    {"square", "Square (MP4)", SFormatRow::kScreen, 8, -1, -1, 1080, 1080, 1080, 0,
     kScreenRates, "libx264", "aac", 48000, 192000, 0, 0, 0, 0, 0, 0, false, {"mp4", 0, 0, -1}},
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
