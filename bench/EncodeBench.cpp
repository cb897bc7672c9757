// The MPEG engine on PAL DVD. First plain frames: ready-made 720 x 576
// pictures with the reference album's kind of detail, so only conversion,
// encoding and multiplexing are timed. Then, with --album, the reference album
// (bench/ReferenceAlbum.h) rendered through CAlbumFrameSrc and encoded the
// same way, and the ratio of the album's time to the plain frames' time for
// the same number of frames: what rendering adds to an encode.
//
//   build/bin/bench_encode [--frames N] [--quality Q] [--album] [photo folder]
//   (N plain frames, default 500, or the album's length with --album; Q the
//   quality level, default 31 as the output page sets it)
#include "bench/ReferenceAlbum.h"
#include "encode/AlbumFrameSrc.h"
#include "encode/MpgEngine.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Ready-made bottom-up frames, a second's worth repeated.
class CPlainVideoSrc final : public IVideoSrc {
public:
    CPlainVideoSrc(unsigned frames) : m_frames(frames) {
        for (int f = 0; f < kDistinct; ++f) {
            std::vector<std::uint8_t> pixels(std::size_t(kWidth) * kHeight * 4);
            // The reference photos' rings and gradients at the size they
            // are shown, panning two pixels a frame, so the encoder works on
            // detail like the album's.
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    std::uint8_t* p = &pixels[(std::size_t(y) * kWidth + std::size_t(x)) * 4];
                    const double r = std::hypot(x + 2.0 * f - 360.0, y - 288.0);
                    p[0] = std::uint8_t(127 + 120 * std::sin(r / 3.6));
                    p[1] = std::uint8_t((x + 2 * f) * 255 / (kWidth + 2 * kDistinct));
                    p[2] = std::uint8_t(y * 255 / kHeight);
                    p[3] = 255;
                }
            m_pictures.push_back(std::move(pixels));
        }
    }
    double GetFrameRate() override { return 25.0; }
    void GetFrameSize(int* width, int* height) override {
        *width = kWidth;
        *height = kHeight;
    }
    unsigned int GetFrameCount() override { return m_frames; }
    const std::uint8_t* GetFrame(int frame, int* stride) override {
        if (frame < 0 || unsigned(frame) >= m_frames)
            return nullptr;
        *stride = -kWidth * 4;
        return m_pictures[std::size_t(frame % kDistinct)].data();
    }

private:
    static constexpr int kWidth = 720, kHeight = 576, kDistinct = 25;
    unsigned m_frames;
    std::vector<std::vector<std::uint8_t>> m_pictures;
};

// Seconds to encode a video source as a PAL DVD stream without sound.
double EncodeSeconds(IVideoSrc& video, int quality, const std::string& path) {
    CMpgEngine engine;
    engine.SetFormat(0, 1, 0);
    engine.SetQuality(quality);
    auto t0 = std::chrono::steady_clock::now();
    int result = engine.Encode(&video, nullptr, path, nullptr);
    auto t1 = std::chrono::steady_clock::now();
    if (result != IEncodeEngine::kDone) {
        std::fprintf(stderr, "encode failed: %s\n", engine.GetErrorText().c_str());
        std::exit(1);
    }
    return std::chrono::duration<double>(t1 - t0).count();
}

} // namespace

int main(int argc, char** argv) {
    unsigned frames = 500;
    int quality = 31;
    bool album = false;
    const char* folder = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--frames") && i + 1 < argc)
            frames = unsigned(std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--quality") && i + 1 < argc)
            quality = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--album"))
            album = true;
        else
            folder = argv[i];
    }
    const std::string out = "/tmp/kelvclip-bench-encode-" + std::to_string(getpid()) + ".mpg";

    CAlbum reference;
    CAlbumFrameSrc albumSource(false);
    if (album) {
        ReferenceAlbum::Build(reference, ReferenceAlbum::PhotoFolder(folder), 1.3);
        albumSource.SetAlbum(&reference, nullptr);
        const int size[2] = {720, 576};
        if (!albumSource.SetOutputFormat(size, 16.0 / 15.0, 25, 1, nullptr)) {
            std::fprintf(stderr, "the album cannot be loaded\n");
            return 1;
        }
        frames = albumSource.GetFrameCount();
    }

    CPlainVideoSrc plain(frames);
    const double plainSeconds = EncodeSeconds(plain, quality, out);
    std::printf("PAL DVD, quality %d, plain 720x576 frames: %u frames  %6.1f fps  (%.2f ms/frame)\n",
                quality, frames, frames / plainSeconds, 1000 * plainSeconds / frames);
    if (album) {
        const double albumSeconds = EncodeSeconds(albumSource, quality, out);
        std::printf("PAL DVD, quality %d, reference album:    %u frames  %6.1f fps  (%.2f ms/frame)\n",
                    quality, frames, frames / albumSeconds, 1000 * albumSeconds / frames);
        std::printf("album time / plain time: %.2f (target <= 1.25)\n", albumSeconds / plainSeconds);
    }
    std::remove(out.c_str());
    return 0;
}
