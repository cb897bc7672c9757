// The decoders' speed targets, one thread:
// - a 4000 × 3000 JPEG opened with a requested size of 720 × 576 decodes at a
//   quarter of its size (target: at most 40 ms); the full-size decode beside it;
// - GetFrame stepping forward through a 720 × 576 MPEG-2 clip (target: at
//   least 150 frames per second) and seeking to random frames of a 60-second
//   clip (target: at most 150 ms each).
// The clip is encoded on first use into $TMPDIR (or /tmp) and kept there.
#include "bench/BenchReport.h"
#include "imgcore/CPU.h"
#include "media/AnyPicDecoder.h"
#include "media/MpgVidDecoder.h"
#include "tests/support/MediaMaker.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace {

const std::string& PhotoBytes() {
    static const std::string bytes = [] {
        STestImage photo(4000, 3000, [](int x, int y) -> std::array<std::uint8_t, 4> {
            return {std::uint8_t(x * 7 + y), std::uint8_t((x ^ y) & 0xFF), std::uint8_t(y * 3),
                    255};
        });
        return JpegBytes(photo, {.quality = 90});
    }();
    return bytes;
}

const std::string& ClipPath() {
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string p = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelvclip-bench-720x576-60s.mpg";
        if (!std::filesystem::exists(p)) {
            SClipOptions o;
            o.width = 720;
            o.height = 576;
            o.frames = 1500;
            o.fps = 25;
            o.bitrate = 6000000; // DVD-like
            o.aspectNum = 4;
            o.aspectDen = 3;
            if (!WriteClip(p + ".part", o))
                std::abort();
            std::filesystem::rename(p + ".part", p);
        }
        return p;
    }();
    return path;
}

// Baseline: one copy of a 720 × 576 frame.
void BM_CopyFrame(benchmark::State& state) {
    int step = 0;
    Ipp8u* a = CCPU::ippiMalloc_8u_C4(720, 576, &step);
    Ipp8u* b = CCPU::ippiMalloc_8u_C4(720, 576, &step);
    CBenchReport report(state);
    report.AsBaseline();
    for (auto _ : state) {
        CCPU::ippiCopy_8u_C4R(a, step, b, step, IppiSize{720, 576});
        benchmark::DoNotOptimize(b);
    }
    CCPU::ippiFree(a);
    CCPU::ippiFree(b);
}
BENCHMARK(BM_CopyFrame)->Unit(benchmark::kMillisecond);

void DecodePhoto(benchmark::State& state, int rw, int rh) {
    const std::string& jpeg = PhotoBytes();
    CBenchReport report(state);
    for (auto _ : state) {
        PLAnyPicDecoder dec;
        PLAnyBmp bmp;
        dec.SetRequestedSize(rw, rh);
        dec.DecodeMemory(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size(), &bmp,
                         32);
        benchmark::DoNotOptimize(bmp.GetLineArray());
        state.counters["width"] = bmp.GetWidth();
    }
}
void BM_Jpeg4000x3000_Request720x576(benchmark::State& state) { DecodePhoto(state, 720, 576); }
void BM_Jpeg4000x3000_FullSize(benchmark::State& state) { DecodePhoto(state, 0, 0); }
BENCHMARK(BM_Jpeg4000x3000_Request720x576)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg4000x3000_FullSize)->Unit(benchmark::kMillisecond);

void BM_Mpeg2StepForward(benchmark::State& state) {
    PLMpgVidDecoder dec;
    if (!dec.OpenFile2(ClipPath())) {
        state.SkipWithError("clip cannot be opened");
        return;
    }
    std::int64_t count = dec.GetFrameCount();
    std::int64_t i = 0;
    int stride = 0;
    CBenchReport report(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(dec.GetFrame(i, stride));
        i = (i + 1) % count;
    }
}
BENCHMARK(BM_Mpeg2StepForward)->Unit(benchmark::kMillisecond);

void BM_Mpeg2RandomSeek(benchmark::State& state) {
    PLMpgVidDecoder dec;
    if (!dec.OpenFile2(ClipPath())) {
        state.SkipWithError("clip cannot be opened");
        return;
    }
    std::mt19937 random(5);
    std::uniform_int_distribution<std::int64_t> pick(0, dec.GetFrameCount() - 1);
    int stride = 0;
    CBenchReport report(state);
    for (auto _ : state) {
        if (!dec.GetFrame(pick(random), stride))
            state.SkipWithError("frame not found");
    }
}
BENCHMARK(BM_Mpeg2RandomSeek)->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace

BENCHMARK_MAIN();
