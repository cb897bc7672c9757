// The album preview on this machine, on Qt's offscreen platform with SDL's
// dummy sound driver (unless the environment names others):
//
// 1. Playback: the demo template at 360 x 270 played through with its sound
//    track, three times: alone, while a second thread decodes ten 12-16
//    megapixel progressive JPEGs at reduced size once (as the thumbnail worker
//    does when the wizard opens), and while that thread decodes them over and
//    over. Reports the audio clock's frames, the frames painted, and the
//    frames the director finished more than one frame (50 ms) after the clock
//    moved to them, with the worst such lateness.
//    Then the same for the album of photos below, whose slides load while it
//    plays.
// 2. Scrubbing: seeks to random frames of a paused album of ten 16-megapixel
//    photos, each timed from the seek until the window painted the new frame
//    (target 150 ms, slide loads included).
//
//   build/bin/bench_preview PHOTO_FOLDER [TEMPLATE] [--scrub]
//
// --scrub runs the scrubbing part only.
// PHOTO_FOLDER holds camera photographs (JPEG or PNG; mate-backgrounds ships
// some in /usr/share/backgrounds/mate/nature). They are enlarged once into
// $TMPDIR/kelvclip-preview-photos as progressive JPEGs of 12, 14 and 16
// megapixels and as progressive and baseline JPEGs of 16 megapixels, and
// kept there. The preview decodes its pictures as drafts: a progressive
// photo reduced to an eighth is read from its first scans only.
// TEMPLATE defaults to build/samples/tmpl.vez.
#include "app/CtrlPreviewAlbum.h"
#include "bench/ReferenceAlbum.h"
#include "audio/DecoderProbe.h"
#include "media/AnyPicDecoder.h"
#include "media/Bmp.h"
#include "media/TextException.h"
#include "project/Album.h"
#include "project/AssetLoader.h"
#include "project/Image.h"
#include "project/ProjTmpl.h"
#include "project/Slide.h"
#include "render/AlbumDirector.h"

#include <QApplication>
#include <QEventLoop>

#include <jpeglib.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
constexpr int kPhotos = 10;

// --- photos ----------------------------------------------------------------------

struct SPicture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bgra; // top-down
};

bool Decode(const std::string& path, SPicture& picture) {
    try {
        PLAnyPicDecoder decoder;
        PLAnyBmp bmp;
        decoder.DecodeFile(path, &bmp, 32);
        picture.width = bmp.GetWidth();
        picture.height = bmp.GetHeight();
        picture.bgra.resize(std::size_t(picture.width) * std::size_t(picture.height) * 4);
        for (int y = 0; y < picture.height; ++y)
            std::copy_n(bmp.GetLineArray()[y], std::size_t(picture.width) * 4,
                        picture.bgra.data() + std::size_t(y) * std::size_t(picture.width) * 4);
        return true;
    } catch (const PLTextException&) {
        return false;
    }
}

// Bilinear enlargement with a fine grain like a camera sensor's, without
// which an enlarged photo compresses (and decodes) far more easily than a
// camera's own; done once per photo, so plain loops do.
SPicture Enlarge(const SPicture& from, int width, int height) {
    std::uint32_t seed = 12345;
    SPicture to{width, height, std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height) * 4)};
    const double sx = double(from.width - 1) / std::max(1, width - 1);
    const double sy = double(from.height - 1) / std::max(1, height - 1);
    for (int y = 0; y < height; ++y) {
        const double fy = y * sy;
        const int y0 = int(fy), y1 = std::min(y0 + 1, from.height - 1);
        const double wy = fy - y0;
        std::uint8_t* out = to.bgra.data() + std::size_t(y) * std::size_t(width) * 4;
        for (int x = 0; x < width; ++x) {
            const double fx = x * sx;
            const int x0 = int(fx), x1 = std::min(x0 + 1, from.width - 1);
            const double wx = fx - x0;
            auto at = [&](int px, int py, int c) {
                return double(from.bgra[(std::size_t(py) * std::size_t(from.width) + std::size_t(px)) * 4 + std::size_t(c)]);
            };
            for (int c = 0; c < 4; ++c) {
                const double top = at(x0, y0, c) * (1 - wx) + at(x1, y0, c) * wx;
                const double bottom = at(x0, y1, c) * (1 - wx) + at(x1, y1, c) * wx;
                seed = seed * 214013u + 2531011u;
                const int grain = int((seed >> 16) % 9) + int((seed >> 24) % 9) - 8;
                out[x * 4 + c] = std::uint8_t(std::clamp(int(top * (1 - wy) + bottom * wy + 0.5) + grain, 0, 255));
            }
        }
    }
    return to;
}

bool WriteJpeg(const std::string& path, const SPicture& picture, bool progressive) {
    FILE* file = std::fopen((path + ".part").c_str(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(picture.width);
    info.image_height = JDIMENSION(picture.height);
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 92, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.bgra.data() +
                                            std::size_t(info.next_scanline) * std::size_t(picture.width) * 4);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
    std::filesystem::rename(path + ".part", path);
    return true;
}

struct SPhotoSets {
    std::vector<std::string> progressive; // 12, 14, 16 MP
    std::vector<std::string> baseline;    // 16 MP
    std::vector<std::string> progressive16;
};

// The size of about megapixels at the picture's aspect.
void SizeFor(const SPicture& picture, double megapixels, int& width, int& height) {
    const double aspect = double(picture.width) / picture.height;
    width = int(std::sqrt(megapixels * 1e6 * aspect));
    height = int(width / aspect);
}

SPhotoSets PreparePhotos(const std::string& sourceFolder) {
    std::vector<std::string> sources;
    for (const auto& entry : std::filesystem::directory_iterator(sourceFolder)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (entry.is_regular_file() && (ext == ".jpg" || ext == ".jpeg" || ext == ".png"))
            sources.push_back(entry.path().string());
    }
    std::sort(sources.begin(), sources.end());
    if (sources.empty()) {
        std::fprintf(stderr, "%s: no JPEG or PNG photos\n", sourceFolder.c_str());
        std::exit(64);
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelvclip-preview-photos";
    std::filesystem::create_directories(folder);
    SPhotoSets sets;
    for (int i = 0; i < kPhotos; ++i) {
        const std::string& source = sources[std::size_t(i) % sources.size()];
        const std::string stem = std::filesystem::path(source).stem().string() + "-" + std::to_string(i);
        const double megapixels = 12 + 2 * (i % 3);
        const std::string progressive = folder + "/" + stem + "-p" + std::to_string(int(megapixels)) + ".jpg";
        const std::string baseline = folder + "/" + stem + "-b16.jpg";
        const std::string progressive16 = folder + "/" + stem + "-p16.jpg";
        if (!std::filesystem::exists(progressive) || !std::filesystem::exists(baseline) ||
            !std::filesystem::exists(progressive16)) {
            SPicture picture;
            if (!Decode(source, picture)) {
                std::fprintf(stderr, "%s cannot be decoded\n", source.c_str());
                std::exit(1);
            }
            std::printf("  enlarging %s (%d x %d)\n", source.c_str(), picture.width, picture.height);
            std::fflush(stdout);
            int w = 0, h = 0;
            SizeFor(picture, megapixels, w, h);
            if (!std::filesystem::exists(progressive) && !WriteJpeg(progressive, Enlarge(picture, w, h), true))
                std::exit(1);
            SizeFor(picture, 16, w, h);
            if (!std::filesystem::exists(baseline) && !WriteJpeg(baseline, Enlarge(picture, w, h), false))
                std::exit(1);
            if (!std::filesystem::exists(progressive16) &&
                !WriteJpeg(progressive16, Enlarge(picture, w, h), true))
                std::exit(1);
        }
        sets.progressive.push_back(progressive);
        sets.baseline.push_back(baseline);
        sets.progressive16.push_back(progressive16);
    }
    return sets;
}

// --- the thumbnail worker's stand-in ---------------------------------------------

// Decodes the photos at reduced size (96 x 96 asked for, as thumbnails are),
// once or until told to stop; records each decode's time.
class CThumbLoad {
public:
    CThumbLoad(const std::vector<std::string>& photos, bool repeat) : m_photos(photos), m_repeat(repeat) {}
    ~CThumbLoad() { Stop(); }

    void Start() {
        m_thread = std::thread([this] {
            do {
                for (const std::string& photo : m_photos) {
                    if (m_stop)
                        return;
                    const auto start = Clock::now();
                    try {
                        PLAnyPicDecoder decoder;
                        PLAnyBmp bmp;
                        decoder.SetRequestedSize(96, 96);
                        decoder.DecodeFile(photo, &bmp, 32);
                    } catch (const PLTextException&) {
                        ++m_failed;
                    }
                    m_times.push_back(Ms(Clock::now() - start).count());
                }
            } while (m_repeat && !m_stop);
        });
    }
    void Stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    // After Stop.
    [[nodiscard]] const std::vector<double>& Times() const { return m_times; }
    [[nodiscard]] int Failed() const { return m_failed; }

private:
    std::vector<std::string> m_photos;
    bool m_repeat;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::vector<double> m_times;
    int m_failed = 0;
};

// --- playback ----------------------------------------------------------------------

// Plays the album through; thumbs 0: nothing beside it, 1: the photos
// decoded once, 2: decoded over and over.
void Playback(const char* title, CAlbum& album, IAssetLoader* assets,
              const std::vector<std::string>& photos, int thumbs) {
    CCtrlPreviewAlbum preview;
    preview.resize(360, 270);
    preview.show();
    preview.SetAlbum(&album, assets);
    QCoreApplication::processEvents();

    // Each time the audio clock moves, wait until the director's renderers
    // have drawn that frame; what goes past one frame is lateness.
    std::atomic<bool> stop{false};
    int probed = 0, late = 0;
    double worst = 0, slowest = 0;
    std::thread probe([&] {
        int seen = -1;
        while (!stop) {
            const CCtrlPreview::SStats stats = preview.Stats();
            if (stats.lastMoved < 0 || stats.lastMoved == seen) {
                std::this_thread::sleep_for(std::chrono::microseconds(500));
                continue;
            }
            seen = stats.lastMoved;
            preview.WaitUntilDrawn();
            const double took = Ms(Clock::now() - stats.movedAt).count();
            ++probed;
            slowest = std::max(slowest, took);
            if (took > 50) {
                ++late;
                worst = std::max(worst, took - 50);
            }
        }
    });
    CThumbLoad load(photos, thumbs == 2);
    int frames = 0, last = -1;
    QObject::connect(&preview, &CCtrlPreview::PositionChanged, [&frames, &last](int frame, int) {
        frames += frame != last;
        last = frame;
    });
    QEventLoop loop;
    QObject::connect(&preview, &CCtrlPreview::Ended, &loop, &QEventLoop::quit);
    const auto start = Clock::now();
    preview.Play();
    if (thumbs)
        load.Start();
    loop.exec();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    load.Stop();
    stop = true;
    probe.join();

    const CCtrlPreview::SStats stats = preview.Stats();
    std::printf("%-38s %s, %.1f s for %.1f s of album\n", title,
                preview.HasSound() ? "with sound" : "silent", seconds, preview.GetDuration());
    std::printf("    clock frames %d of %d, frames shown %d, frames late %d of %d checked, "
                "worst lateness %.1f ms (slowest frame %.1f ms), slowest redraw %.1f ms\n",
                frames, preview.GetFrameCount(), stats.framesShown, late, probed, worst, slowest,
                double(stats.worstRedraw.count()) / 1000);
    if (thumbs) {
        const auto& times = load.Times();
        const std::size_t first = std::min<std::size_t>(times.size(), kPhotos);
        double ten = 0;
        for (std::size_t i = 0; i < first; ++i)
            ten += times[i];
        std::printf("    thumbnail stand-in: %zu decodes, the first ten in %.0f ms (%.0f to %.0f ms each)%s\n",
                    times.size(), ten, *std::min_element(times.begin(), times.end()),
                    *std::max_element(times.begin(), times.end()),
                    load.Failed() ? ", some failed" : "");
    }
    std::fflush(stdout);
}

// --- scrubbing ---------------------------------------------------------------------

// Ten photos of 4 s with 1 s transitions, each zoomed from 1.0 to 1.3: the
// render benchmarks' reference album over these photos.
void PhotoAlbum(CAlbum& album, const std::vector<std::string>& photos) {
    ReferenceAlbum::BuildFrom(album, photos, 1.3);
}

void Scrub(const char* title, const std::vector<std::string>& photos) {
    CAlbum album;
    PhotoAlbum(album, photos);
    CCtrlPreviewAlbum preview;
    preview.resize(360, 270);
    preview.show();
    auto start = Clock::now();
    preview.SetAlbum(&album, nullptr);
    const double first = Ms(Clock::now() - start).count();
    QCoreApplication::processEvents();

    std::mt19937 random(15);
    std::uniform_int_distribution<int> pick(0, preview.GetFrameCount() - 1);
    std::vector<double> times;
    std::string over;
    for (int n = 0; n < 40; ++n) {
        const int frame = pick(random);
        if (frame == preview.GetCurrentFrame())
            continue;
        const int loads = preview.Director()->LoadCount();
        start = Clock::now();
        preview.Seek(frame);
        while (preview.Stats().lastShown != frame)
            QCoreApplication::processEvents();
        const double took = Ms(Clock::now() - start).count();
        times.push_back(took);
        if (took > 150)
            over += " " + std::to_string(frame) + " (" + std::to_string(int(took)) + " ms, " +
                    std::to_string(preview.Director()->LoadCount() - loads) + " loads)";
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (double t : times)
        sum += t;
    std::printf("%-38s album loaded in %.0f ms; %zu seeks: median %.0f ms, mean %.0f ms, "
                "90%% %.0f ms, worst %.0f ms; over 150 ms: %d%s\n",
                title, first, times.size(), sorted[sorted.size() / 2], sum / double(times.size()),
                sorted[sorted.size() * 9 / 10], sorted.back(),
                int(std::count_if(times.begin(), times.end(), [](double t) { return t > 150; })),
                over.empty() ? "" : ", at frames" );
    if (!over.empty())
        std::printf("   %s\n", over.c_str());
    std::fflush(stdout);
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool scrubOnly = std::erase(args, "--scrub") > 0;
    if (args.empty()) {
        std::fprintf(stderr, "usage: %s PHOTO_FOLDER [TEMPLATE] [--scrub]\n", argv[0]);
        return 64;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QApplication app(argc, argv);
    CDecoderProbe::Install();
    const std::string templatePath = args.size() > 1 ? args[1] : "build/samples/tmpl.vez";
    std::printf("photos from %s\n", args[0].c_str());
    const SPhotoSets photos = PreparePhotos(args[0]);

    if (!scrubOnly) {
        std::printf("playback of %s at 360x270, audio clock 50 ms, redraw clock 80 ms\n",
                    templatePath.c_str());
        CProjTmpl tmpl;
        if (!tmpl.Load(templatePath)) {
            std::fprintf(stderr, "%s: %s\n", templatePath.c_str(), tmpl.GetError().c_str());
            return 1;
        }
        CAlbum demo;
        tmpl.ApplyTo(demo, true);
        Playback("alone", demo, &tmpl, photos.progressive, 0);
        Playback("with ten thumbnails decoded once", demo, &tmpl, photos.progressive, 1);
        Playback("with thumbnails decoded all along", demo, &tmpl, photos.progressive, 2);
        std::printf("playback of the photo album (below) at 360x270\n");
        CAlbum album;
        PhotoAlbum(album, photos.baseline);
        Playback("16 MP baseline, thumbnails all along", album, nullptr, photos.progressive, 2);
    }

    std::printf("scrubbing at 360x270, ten photos with pan and zoom, 4 s each\n");
    Scrub("16 MP baseline JPEGs", photos.baseline);
    Scrub("16 MP progressive JPEGs", photos.progressive16);
    Scrub("12-16 MP progressive JPEGs", photos.progressive);
    std::printf("peak memory %.0f MB\n", PeakMegabytes());
    return 0;
}
