// The thumbnail cache's speed targets, one thread:
// - ten thumbnails (96 x 96) of 12-16 megapixel progressive JPEG photos made
//   in at most 1 s in total, through the reduced-size decode;
// - a cache hit decoded from its JPEG bytes in at most 2 ms.
// A full-size decode of the first photo is timed beside them, so figures from
// loaded and idle machines can be compared.
//
//   build/bin/bench_thumbs [photo folder]   (its first ten *.jpg files; without
//                                            one, synthetic pictures are made in
//                                            $TMPDIR/kelvclip-bench-thumbs)
#include "app/ExtThumbCache.h"
#include "media/AnyPicDecoder.h"
#include "media/DataSource.h"

#include <jpeglib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kPhotos = 10;
constexpr int kRounds = 3;
constexpr int kHitRounds = 100;

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// A 4800 x 3000 picture with texture at every scale (so it does not compress
// to nothing), written as a progressive JPEG of quality 90.
bool WriteSyntheticPhoto(const std::string& path, int seed) {
    const int w = 4800, h = 3000;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = w;
    info.image_height = h;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(std::size_t(w) * 3);
    unsigned noise = 12345u + unsigned(seed) * 7919u;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            noise = noise * 214013u + 2531011u;
            const int grain = int((noise >> 16) & 31) - 16;
            const int wave = int(40 * ((x * (seed + 3) / 37 + y / 23) % 7)) / 7;
            row[3 * x] = JSAMPLE(std::clamp(x * 255 / w + grain + wave, 0, 255));
            row[3 * x + 1] = JSAMPLE(std::clamp(y * 255 / h + grain, 0, 255));
            row[3 * x + 2] = JSAMPLE(std::clamp(((x ^ y) & 0xFF) / 2 + 64 + grain, 0, 255));
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

std::vector<std::string> Photos(const char* folder) {
    std::vector<std::string> photos;
    if (folder) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            std::string ext = entry.path().extension().string();
            std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
            if (entry.is_regular_file() && (ext == ".jpg" || ext == ".jpeg"))
                photos.push_back(entry.path().string());
        }
        std::sort(photos.begin(), photos.end());
        if (photos.size() > std::size_t(kPhotos))
            photos.resize(kPhotos);
        return photos;
    }
    const char* tmp = std::getenv("TMPDIR");
    const fs::path dir = fs::path(tmp && *tmp ? tmp : "/tmp") / "kelvclip-bench-thumbs";
    fs::create_directories(dir);
    std::printf("no photo folder given: using synthetic 4800x3000 progressive JPEGs in %s\n",
                dir.c_str());
    for (int i = 0; i < kPhotos; ++i) {
        const std::string path = (dir / ("synthetic" + std::to_string(i) + ".jpg")).string();
        if (!fs::exists(path) && !WriteSyntheticPhoto(path, i)) {
            std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
            std::exit(1);
        }
        photos.push_back(path);
    }
    return photos;
}

// The photo's size and whether it is progressive, from its header.
std::string Describe(const std::string& path) {
    PLFileSource source;
    source.Open(path);
    PLAnyPicDecoder dec;
    dec.Open(&source);
    const bool progressive = [&] {
        FILE* file = std::fopen(path.c_str(), "rb");
        if (!file)
            return false;
        jpeg_decompress_struct info{};
        jpeg_error_mgr err{};
        info.err = jpeg_std_error(&err);
        jpeg_create_decompress(&info);
        jpeg_stdio_src(&info, file);
        jpeg_read_header(&info, TRUE);
        const bool p = jpeg_has_multiple_scans(&info);
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        return p;
    }();
    char text[96];
    std::snprintf(text, sizeof(text), "%dx%d (%.1f MP, %s, %.1f MB)", dec.GetWidth(),
                  dec.GetHeight(), dec.GetWidth() * double(dec.GetHeight()) / 1e6,
                  progressive ? "progressive" : "baseline",
                  double(fs::file_size(path)) / (1 << 20));
    return text;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> photos = Photos(argc > 1 ? argv[1] : nullptr);
    if (photos.empty()) {
        std::fprintf(stderr, "no JPEG files in %s\n", argv[1]);
        return 1;
    }
    for (const std::string& p : photos)
        std::printf("  %s  %s\n", fs::path(p).filename().c_str(), Describe(p).c_str());

    // Baseline: the first photo decoded at full size.
    double baseline = 0;
    {
        PLAnyPicDecoder dec;
        PLAnyBmp bmp;
        const auto t0 = Clock::now();
        dec.DecodeFile(photos[0], &bmp, 32);
        baseline = Ms(Clock::now() - t0);
        std::printf("baseline: full-size decode of the first photo %.1f ms\n", baseline);
    }

    // Ten thumbnails made on one thread, each round with an empty cache.
    double best = 1e9;
    std::vector<double> worstEach(photos.size(), 0);
    for (int round = 0; round < kRounds; ++round) {
        CExtThumbCache cache;
        const auto t0 = Clock::now();
        for (std::size_t i = 0; i < photos.size(); ++i) {
            const auto s = Clock::now();
            if (!cache.GetThumbnail(photos[i])) {
                std::fprintf(stderr, "%s: no thumbnail\n", photos[i].c_str());
                return 1;
            }
            worstEach[i] = std::max(worstEach[i], Ms(Clock::now() - s));
        }
        const double total = Ms(Clock::now() - t0);
        best = std::min(best, total);
        std::printf("round %d: %zu thumbnails made and cached in %.0f ms\n", round + 1,
                    photos.size(), total);
    }
    const double slowest = *std::max_element(worstEach.begin(), worstEach.end());
    std::printf("made: best %.0f ms for %zu (target at most 1000 ms), slowest single %.1f ms; "
                "one thumbnail costs %.2fx the baseline\n",
                best, photos.size(), slowest, best / double(photos.size()) / baseline);

    // Cache hits: the kept JPEG bytes decoded into a new bitmap.
    CExtThumbCache cache;
    for (const std::string& p : photos)
        cache.GetThumbnail(p);
    double sum = 0, worst = 0;
    int hits = 0;
    for (int round = 0; round < kHitRounds; ++round) {
        for (const std::string& p : photos) {
            const auto s = Clock::now();
            auto thumb = cache.GetCachedThumbnail(p);
            const double ms = Ms(Clock::now() - s);
            if (!thumb) {
                std::fprintf(stderr, "%s: cache miss\n", p.c_str());
                return 1;
            }
            sum += ms;
            worst = std::max(worst, ms);
            ++hits;
        }
    }
    std::printf("hit: %d decoded, mean %.3f ms, worst %.3f ms (target at most 2 ms)\n", hits,
                sum / hits, worst);
    return 0;
}
