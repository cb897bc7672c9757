// The render engine on the reference album: ten 4000 x 3000 JPEG photos,
// 4 s each with 1 s transitions, pan and zoom from 1.0 to 1.3 on every photo,
// 720 x 576 at 25 frames per second through CAlbumFrameSrc::GetFrame (every
// renderer waited for, as an encode does). Prints frames per second, peak
// memory and the frames that had to wait for a slide to load; then a still
// album (no pan or zoom) to show what a frame costs when the warps are cached.
//
//   build/bin/bench_album [photo folder]   (photos are made there once; default
//                                           $TMPDIR/kelvclip-bench-photos)
#include "project/Album.h"
#include "project/Image.h"
#include "project/Slide.h"
#include "render/AlbumFrameSrc.h"
#include "tests/support/MediaMaker.h"

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kPhotos = 10;

// Photos with detail everywhere (rings and gradients), so decoding and
// warping do real work.
std::string MakePhoto(const std::string& folder, int index) {
    std::string path = folder + "/photo" + std::to_string(index) + ".jpg";
    if (std::filesystem::exists(path))
        return path;
    STestImage image(4000, 3000, [index](int x, int y) {
        double r = std::hypot(x - 2000.0, y - 1500.0);
        auto ring = std::uint8_t(127 + 120 * std::sin(r / (20.0 + index)));
        return std::array<std::uint8_t, 4>{ring, std::uint8_t(x * 255 / 4000),
                                           std::uint8_t(y * 255 / 3000), 255};
    });
    std::ofstream(path, std::ios::binary) << JpegBytes(image, {.quality = 90});
    return path;
}

void BuildAlbum(CAlbum& album, const std::string& folder, double zoom) {
    album.m_transitionName = "Fade Plugin";
    album.m_transitionLength = 1;
    for (int i = 0; i < kPhotos; ++i) {
        CSlide slide;
        slide.m_displayTime = 4;
        slide.m_transitionLength = 1;
        slide.SetTransitionName(i % 2 ? "Wipe Plugin" : "Fade Plugin");
        CImage image(MakePhoto(folder, i));
        image.ClearKeyFrames();
        CKeyFrame start, end;
        end.m_time = 1;
        end.m_scale = zoom;
        end.m_x = zoom > 1 ? 0.05 : 0;
        image.AddKeyFrame(start);
        image.AddKeyFrame(end);
        slide.AddItem(image);
        album.AddSlide(slide);
    }
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void Run(const char* title, const std::string& folder, double zoom) {
    CAlbum album;
    BuildAlbum(album, folder, zoom);
    CAlbumFrameSrc source(false);
    source.SetAlbum(&album, nullptr);
    const int size[2] = {720, 576};
    auto t0 = std::chrono::steady_clock::now();
    if (!source.SetOutputFormat(size, 16.0 / 15.0, 25, 1, nullptr)) {
        std::fprintf(stderr, "the album cannot be loaded\n");
        std::exit(1);
    }
    auto t1 = std::chrono::steady_clock::now();
    const int frames = int(source.GetFrameCount());
    int stride = 0;
    std::string waited;
    for (int f = 0; f < frames; ++f) {
        int before = source.Director()->LoadWaits();
        if (!source.GetFrame(f, &stride)) {
            std::fprintf(stderr, "frame %d failed\n", f);
            std::exit(1);
        }
        if (source.Director()->LoadWaits() != before)
            waited += " " + std::to_string(f);
    }
    auto t2 = std::chrono::steady_clock::now();
    double load = std::chrono::duration<double>(t1 - t0).count();
    double render = std::chrono::duration<double>(t2 - t1).count();
    std::printf("%-34s %5d frames  %6.1f fps  (%.2f ms/frame; first slots %.0f ms)  "
                "waits on loads: %d%s%s\n",
                title, frames, frames / render, 1000 * render / frames, 1000 * load,
                source.Director()->LoadWaits(), waited.empty() ? "" : " at frames", waited.c_str());
}

} // namespace

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1]
                                  : (std::filesystem::temp_directory_path() / "kelvclip-bench-photos").string();
    std::filesystem::create_directories(folder);
    for (int i = 0; i < kPhotos; ++i)
        MakePhoto(folder, i);
    std::printf("reference album, 720x576 at 25 fps, %d photos of 4000x3000\n", kPhotos);
    Run("pan and zoom 1.0 -> 1.3", folder, 1.3);
    Run("still photos (warps cached)", folder, 1.0);
    std::printf("peak memory %.0f MB\n", PeakMegabytes());
    return 0;
}
