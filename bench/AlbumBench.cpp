// The render engine on the reference album: ten 4000 x 3000 JPEG photos,
// 4 s each with 1 s transitions, pan and zoom from 1.0 to 1.3 on every photo,
// 720 x 576 at 25 frames per second through CAlbumFrameSrc::GetFrame (every
// renderer waited for, as an encode does). Prints frames per second, peak
// memory and the frames that had to wait for a slide to load; then a still
// album (no pan or zoom) to show what a frame costs when the warps are cached.
//
//   build/bin/bench_album [photo folder]   (photos are made there once; default
//                                           $TMPDIR/kelvclip-bench-photos)
#include "bench/ReferenceAlbum.h"
#include "encode/AlbumFrameSrc.h"

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using ReferenceAlbum::kPhotos;

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void Run(const char* title, const std::string& folder, double zoom) {
    CAlbum album;
    ReferenceAlbum::Build(album, folder, zoom);
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
    const std::string folder = ReferenceAlbum::PhotoFolder(argc > 1 ? argv[1] : nullptr);
    std::printf("reference album, 720x576 at 25 fps, %d photos of 4000x3000\n", kPhotos);
    Run("pan and zoom 1.0 -> 1.3", folder, 1.3);
    Run("still photos (warps cached)", folder, 1.0);
    std::printf("peak memory %.0f MB\n", PeakMegabytes());
    return 0;
}
