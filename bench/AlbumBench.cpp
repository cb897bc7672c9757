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

#include <sys/resource.h>

#include <cstdio>
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
    const ReferenceAlbum::STimedRender r = ReferenceAlbum::RenderTimed(album);
    std::printf("%-34s %5d frames  %6.1f fps  (%.2f ms/frame; first slots %.0f ms)  "
                "waits on loads: %d%s%s\n",
                title, r.frames, r.frames / r.renderSeconds, 1000 * r.renderSeconds / r.frames,
                1000 * r.loadSeconds, r.waits, r.waitedAt.empty() ? "" : " at frames",
                r.waitedAt.c_str());
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
