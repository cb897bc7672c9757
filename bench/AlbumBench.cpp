// The render engine on the reference album: ten 4000 x 3000 JPEG photos,
// 4 s each with 1 s transitions, pan and zoom from 1.0 to 1.3 on every photo,
// 720 x 576 at 25 frames per second (or a size for screens, square pixels at
// 30) through CAlbumFrameSrc::GetFrame (every renderer waited for, as an
// encode does). Prints frames per second, peak memory and the frames that had
// to wait for a slide to load; then a still album (no pan or zoom) to show
// what a frame costs when the warps are cached.
//
// Given a template instead, renders its album at WxH (square pixels, 29.97
// frames per second) and turns every frame into the encoder's 4:2:0 picture:
// everything an MP4 or MPEG render does but the compression itself (the
// render-only rate of bench/mp4-encode.sh).
//
//   build/bin/bench_album [photo folder] [WxH]   (photos are made there once;
//                                                default $TMPDIR/kelvclip-bench-photos)
//   build/bin/bench_album TEMPLATE.vez WxH
#include "bench/ReferenceAlbum.h"
#include "project/ProjTmpl.h"

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

int g_width = 720, g_height = 576;

void Run(const char* title, const std::string& folder, double zoom) {
    CAlbum album;
    ReferenceAlbum::Build(album, folder, zoom);
    const bool disc = g_width == 720 && g_height == 576;
    const ReferenceAlbum::STimedRender r = ReferenceAlbum::RenderTimed(
        album, g_width, g_height, disc ? 16.0 / 15.0 : 1.0, disc ? 25 : 30);
    std::printf("%-34s %5d frames  %6.1f fps  (%.2f ms/frame; first slots %.0f ms)  "
                "waits on loads: %d%s%s\n",
                title, r.frames, r.frames / r.renderSeconds, 1000 * r.renderSeconds / r.frames,
                1000 * r.loadSeconds, r.waits, r.waitedAt.empty() ? "" : " at frames",
                r.waitedAt.c_str());
}

int RunTemplate(const std::string& path) {
    CProjTmpl tmpl;
    if (!tmpl.Load(path)) {
        std::fprintf(stderr, "%s: not a template that loads\n", path.c_str());
        return 1;
    }
    CAlbum album;
    tmpl.ApplyTo(album, true);
    const ReferenceAlbum::STimedRender r =
        ReferenceAlbum::RenderTimed(album, g_width, g_height, 1.0, 30000.0 / 1001, &tmpl, true);
    std::printf("%s at %dx%d: %d frames  %.1f fps  (%.2f ms/frame, to 4:2:0; first slots %.0f ms)  "
                "waits on loads: %d\n",
                path.c_str(), g_width, g_height, r.frames, r.frames / r.renderSeconds,
                1000 * r.renderSeconds / r.frames, 1000 * r.loadSeconds, r.waits);
    std::printf("peak memory %.0f MB\n", PeakMegabytes());
    return 0;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && (std::sscanf(argv[2], "%dx%d", &g_width, &g_height) != 2 || g_width < 16 ||
                     g_height < 16)) {
        std::fprintf(stderr, "size WxH wanted, not %s\n", argv[2]);
        return 2;
    }
    if (argc > 1 && EndsWith(argv[1], ".vez"))
        return RunTemplate(argv[1]);
    // An empty folder argument (to give a size) takes the default folder.
    const std::string folder =
        ReferenceAlbum::PhotoFolder(argc > 1 && *argv[1] ? argv[1] : nullptr);
    std::printf("reference album, %dx%d at %d fps, %d photos of 4000x3000\n", g_width, g_height,
                g_width == 720 && g_height == 576 ? 25 : 30, kPhotos);
    Run("pan and zoom 1.0 -> 1.3", folder, 1.3);
    Run("still photos (warps cached)", folder, 1.0);
    std::printf("peak memory %.0f MB\n", PeakMegabytes());
    return 0;
}
