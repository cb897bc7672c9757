// Every CCPU function on 720 × 576 frames, one thread. The "fps" counter is
// calls per second, "xCopy" the time of a call against BM_Baseline_FrameCopy
// (a plain memcpy of one frame).
#include "bench/BenchReport.h"
#include "imgcore/CPU.h"
#include "imgcore/CPUInternal.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int kW = 720, kH = 576;

// An aligned frame filled with a repeatable, premultiplied-looking pattern.
struct SFrame {
    int w, h, step = 0;
    Ipp8u* p;
    SFrame(int width = kW, int height = kH) : w(width), h(height), p(CCPU::ippiMalloc_8u_C4(width, height, &step)) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                Ipp8u* q = p + std::ptrdiff_t(y) * step + 4 * x;
                const Ipp8u a = Ipp8u((x * 3 + y) % 256);
                q[0] = Ipp8u(x % (a + 1)), q[1] = Ipp8u(y % (a + 1)), q[2] = Ipp8u(a / 2), q[3] = a;
            }
    }
    ~SFrame() { CCPU::ippiFree(p); }
    IppiSize Size() const { return {w, h}; }
};

void BM_Baseline_FrameCopy(benchmark::State& state) {
    SFrame a, d;
    CBenchReport report(state);
    report.AsBaseline();
    for (auto _ : state) {
        std::memcpy(d.p, a.p, std::size_t(a.step) * a.h);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Baseline_FrameCopy);

#define KV_BENCH(name, ...)                                                                        \
    void BM_##name(benchmark::State& state) {                                                      \
        SFrame a, b, d;                                                                            \
        CBenchReport report(state);                                                                \
        for (auto _ : state) {                                                                     \
            benchmark::DoNotOptimize(__VA_ARGS__);                                                 \
            benchmark::ClobberMemory();                                                            \
        }                                                                                          \
    }                                                                                              \
    BENCHMARK(BM_##name)

const Ipp8u kColour[4] = {10, 20, 30, 40};

KV_BENCH(ippiCopy_8u_C4R, CCPU::ippiCopy_8u_C4R(a.p, a.step, d.p, d.step, a.Size()));
KV_BENCH(ippiCopy_8u_AC4R, CCPU::ippiCopy_8u_AC4R(a.p, a.step, d.p, d.step, a.Size()));
KV_BENCH(ippiCopy_8u_C4CR, CCPU::ippiCopy_8u_C4CR(a.p + 1, a.step, d.p + 3, d.step, a.Size()));
KV_BENCH(ippiCopy_8u_AC4C3R, CCPU::ippiCopy_8u_AC4C3R(a.p, a.step, d.p, d.step, a.Size()));
KV_BENCH(ippiSet_8u_AC4R, CCPU::ippiSet_8u_AC4R(kColour, d.p, d.step, d.Size()));
KV_BENCH(ippiSet_8u_C4R, CCPU::ippiSet_8u_C4R(kColour, d.p, d.step, d.Size()));
KV_BENCH(ippiSet_8u_C4CR, CCPU::ippiSet_8u_C4CR(255, d.p + 3, d.step, d.Size()));
KV_BENCH(ippiAlphaCompC_8u_AC4R_Plus,
         CCPU::ippiAlphaCompC_8u_AC4R(a.p, a.step, 100, b.p, b.step, 155, d.p, d.step, d.Size(),
                                      ippAlphaPlus));
KV_BENCH(ippiAlphaComp_8u_AC4R_OverPremul,
         CCPU::ippiAlphaComp_8u_AC4R(a.p, a.step, b.p, b.step, d.p, d.step, d.Size(),
                                     ippAlphaOverPremul));
KV_BENCH(ippiAlphaComp_8u_AC4R_PlusPremul,
         CCPU::ippiAlphaComp_8u_AC4R(a.p, a.step, b.p, b.step, d.p, d.step, d.Size(),
                                     ippAlphaPlusPremul));
KV_BENCH(ippiAlphaComp_8u_AC4R_Over,
         CCPU::ippiAlphaComp_8u_AC4R(a.p, a.step, b.p, b.step, d.p, d.step, d.Size(), ippAlphaOver));
KV_BENCH(ippiAlphaPremul_8u_AC4IR, CCPU::ippiAlphaPremul_8u_AC4IR(d.p, d.step, d.Size()));
KV_BENCH(ippiResize_8u_C4R_Linear_Half,
         CCPU::ippiResize_8u_C4R(a.p, a.Size(), a.step, {0, 0, kW, kH}, d.p, d.step,
                                 {kW / 2, kH / 2}, 0.5, 0.5, IPPI_INTER_LINEAR));
KV_BENCH(ippiResize_8u_C4R_Linear_Crop2x,
         CCPU::ippiResize_8u_C4R(a.p, a.Size(), a.step, {kW / 4, kH / 4, kW / 2, kH / 2}, d.p,
                                 d.step, {kW, kH}, 2.0, 2.0, IPPI_INTER_LINEAR));
KV_BENCH(ippiResize_8u_AC4R_Linear_Crop2x,
         CCPU::ippiResize_8u_AC4R(a.p, a.Size(), a.step, {kW / 4, kH / 4, kW / 2, kH / 2}, d.p,
                                  d.step, {kW, kH}, 2.0, 2.0, IPPI_INTER_LINEAR));
KV_BENCH(ippiResize_8u_C4R_Nearest_Crop2x,
         CCPU::ippiResize_8u_C4R(a.p, a.Size(), a.step, {kW / 4, kH / 4, kW / 2, kH / 2}, d.p,
                                 d.step, {kW, kH}, 2.0, 2.0, IPPI_INTER_NN));
KV_BENCH(ippiResize_8u_C1R_Linear,
         CCPU::ippiResize_8u_C1R(a.p, {kW * 4, kH}, a.step, {0, 0, kW * 4, kH}, d.p, kW * 4,
                                 {kW * 4, kH}, 1.0, 1.0, IPPI_INTER_LINEAR));
KV_BENCH(ippiMirror_8u_AC4IR, CCPU::ippiMirror_8u_AC4IR(d.p, d.step, d.Size(), ippAxsHorizontal));
const Ipp8u kHalf[4] = {128, 128, 128, 128};
KV_BENCH(ippiMulCScale_8u_C4IR, CCPU::ippiMulCScale_8u_C4IR(kHalf, d.p, d.step, d.Size()));
KV_BENCH(ippiAddC_8u_C4IRSfs, CCPU::ippiAddC_8u_C4IRSfs(kColour, d.p, d.step, d.Size(), 0));
KV_BENCH(ippiSubC_8u_C4IRSfs, CCPU::ippiSubC_8u_C4IRSfs(kColour, d.p, d.step, d.Size(), 0));
KV_BENCH(ippiSubC_8u_AC4IRSfs, CCPU::ippiSubC_8u_AC4IRSfs(kColour, d.p, d.step, d.Size(), 0));
KV_BENCH(ippiHLSToRGB_8u_AC4R, CCPU::ippiHLSToRGB_8u_AC4R(a.p, a.step, d.p, d.step, a.Size()));
KV_BENCH(ippiCopyReplicateBorder_8u_AC4R,
         CCPU::ippiCopyReplicateBorder_8u_AC4R(a.p, a.step, {kW - 144, kH - 115}, d.p, d.step,
                                               d.Size(), 57, 71));
KV_BENCH(ippsXorC_8u_I, CCPU::ippsXorC_8u_I(0x80, d.p, kW * kH * 4));
KV_BENCH(ippsAdd_16s_I, CCPU::ippsAdd_16s_I(reinterpret_cast<Ipp16s*>(a.p),
                                            reinterpret_cast<Ipp16s*>(d.p), kW * kH * 2));

void BM_ippiHistogramEven_8u_AC4R(benchmark::State& state) {
    SFrame a;
    std::vector<Ipp32s> hist[3], levels[3];
    Ipp32s* ph[3];
    Ipp32s* pl[3];
    for (int c = 0; c < 3; ++c) {
        hist[c].resize(255), levels[c].resize(256);
        ph[c] = hist[c].data(), pl[c] = levels[c].data();
    }
    const int n[3] = {256, 256, 256};
    const Ipp32s lo[3] = {0, 0, 0}, hi[3] = {256, 256, 256};
    CBenchReport report(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(CCPU::ippiHistogramEven_8u_AC4R(a.p, a.step, a.Size(), ph, pl, n, lo, hi));
}
BENCHMARK(BM_ippiHistogramEven_8u_AC4R);

// A frame to the video encoders' Y'CbCr 4:2:0 (BT.601; BT.709 costs the
// same), without a general-purpose scaler.
void BM_ippiBGRToYCbCr420_8u_AC4P3R(benchmark::State& state) {
    SFrame a;
    std::vector<Ipp8u> y(std::size_t(kW) * kH), cb(y.size() / 4), cr(y.size() / 4);
    Ipp8u* planes[3] = {y.data(), cb.data(), cr.data()};
    const int steps[3] = {kW, kW / 2, kW / 2};
    CBenchReport report(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            CCPU::ippiBGRToYCbCr420_8u_AC4P3R(a.p, a.step, planes, steps, a.Size()));
}
BENCHMARK(BM_ippiBGRToYCbCr420_8u_AC4P3R);

// Full-frame warp: a 10° turn about the centre at 0.9 scale, linear with
// smooth edges, as the slide renderer places a picture.
void BM_ippiWarpAffine_8u_C4R(benchmark::State& state) {
    SFrame a, d;
    const double t = 10 * 3.14159265358979 / 180, s = 0.9;
    double c[2][3] = {{s * std::cos(t), -s * std::sin(t), 0}, {s * std::sin(t), s * std::cos(t), 0}};
    double bound[2][2];
    CCPU::ippiGetAffineBound({0, 0, kW, kH}, bound, c);
    c[0][2] = kW / 2.0 - (bound[0][0] + bound[1][0]) / 2;
    c[1][2] = kH / 2.0 - (bound[0][1] + bound[1][1]) / 2;
    CBenchReport report(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CCPU::ippiWarpAffine_8u_C4R(a.p, a.Size(), a.step, {0, 0, kW, kH}, d.p, d.step,
                                                             {0, 0, kW, kH}, c,
                                                             IPPI_INTER_LINEAR | IPPI_SMOOTH_EDGE));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ippiWarpAffine_8u_C4R);

// A decoded picture as the slide renderer warps it: 1000 × 750, premultiplied,
// with a 40-pixel transparent border.
struct SPictureSource : SFrame {
    static constexpr int kBorder = 40;
    SPictureSource() : SFrame(1000, 750) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                Ipp8u* q = p + std::ptrdiff_t(y) * step + 4 * x;
                const bool inside = x >= kBorder && x < w - kBorder && y >= kBorder && y < h - kBorder;
                if (!inside)
                    std::memset(q, 0, 4);
                else
                    q[0] = Ipp8u(x * 7), q[1] = Ipp8u(y * 5), q[2] = Ipp8u(x + y), q[3] = 255;
            }
    }
};

// The coefficients of a picture scaled by `scale` and turned by `degrees`
// about its centre, centred on a 720 × 576 frame.
void PlaceCoefficients(const SFrame& src, double scale, double degrees, double c[2][3]) {
    const double t = degrees * 3.14159265358979 / 180;
    c[0][0] = scale * std::cos(t), c[0][1] = -scale * std::sin(t), c[0][2] = 0;
    c[1][0] = scale * std::sin(t), c[1][1] = scale * std::cos(t), c[1][2] = 0;
    double bound[2][2];
    CCPU::ippiGetAffineBound({0, 0, src.w, src.h}, bound, c);
    c[0][2] = kW / 2.0 - (bound[0][0] + bound[1][0]) / 2;
    c[1][2] = kH / 2.0 - (bound[0][1] + bound[1][1]) / 2;
}

// The picture warped onto a whole frame, linear with smooth edges; the
// arguments are the scale in per cent, the angle in degrees and whether the
// AVX2 kernels may run (where the processor has them).
void BM_ippiWarpAffine_8u_C4R_Picture(benchmark::State& state) {
    SPictureSource a;
    SFrame d;
    double c[2][3];
    PlaceCoefficients(a, double(state.range(0)) / 100, double(state.range(1)), c);
    const bool allowed = imgcore::SetAvx2(state.range(2) != 0);
    CBenchReport report(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CCPU::ippiWarpAffine_8u_C4R(a.p, a.Size(), a.step, {0, 0, a.w, a.h}, d.p, d.step,
                                                             {0, 0, kW, kH}, c,
                                                             IPPI_INTER_LINEAR | IPPI_SMOOTH_EDGE));
        benchmark::ClobberMemory();
    }
    imgcore::SetAvx2(allowed);
}
BENCHMARK(BM_ippiWarpAffine_8u_C4R_Picture)
    ->ArgNames({"scale%", "deg", "avx2"})
    ->Args({72, 0, 1})
    ->Args({72, 0, 0})
    ->Args({100, 0, 1})
    ->Args({130, 0, 1})
    ->Args({130, 0, 0})
    ->Args({100, 10, 1});

// One picture placed on a frame as the renderer does it: clear the layer, warp
// the picture into it and compose the layer over the frame.
void BM_PlacePicture(benchmark::State& state) {
    SPictureSource a;
    SFrame layer, frame;
    double c[2][3];
    PlaceCoefficients(a, double(state.range(0)) / 100, double(state.range(1)), c);
    const Ipp8u clear[4] = {0, 0, 0, 0};
    CBenchReport report(state);
    for (auto _ : state) {
        CCPU::ippiSet_8u_C4R(clear, layer.p, layer.step, layer.Size());
        CCPU::ippiWarpAffine_8u_C4R(a.p, a.Size(), a.step, {0, 0, a.w, a.h}, layer.p, layer.step,
                                    {0, 0, kW, kH}, c, IPPI_INTER_LINEAR | IPPI_SMOOTH_EDGE);
        benchmark::DoNotOptimize(CCPU::ippiAlphaComp_8u_AC4R(layer.p, layer.step, frame.p, frame.step, frame.p,
                                                             frame.step, frame.Size(), ippAlphaOverPremul));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlacePicture)->ArgNames({"scale%", "deg"})->Args({100, 0})->Args({100, 10});

void BM_ippiGetAffineBound(benchmark::State& state) {
    const double c[2][3] = {{0.9, -0.2, 3}, {0.2, 0.9, 4}};
    double bound[2][2];
    for (auto _ : state)
        benchmark::DoNotOptimize(CCPU::ippiGetAffineBound({0, 0, kW, kH}, bound, c));
}
BENCHMARK(BM_ippiGetAffineBound);

// Box filter over the interior of a frame; the argument is the box as a
// percentage of the frame, as the blur transition uses it (20 is its largest).
void BM_ippiFilterBox_8u_AC4IR(benchmark::State& state) {
    SFrame d;
    const int pct = int(state.range(0));
    const int bw = std::max(1, pct * kW / 100), bh = std::max(1, pct * kH / 100);
    Ipp8u* interior = d.p + std::ptrdiff_t((bh - 1) / 2) * d.step + 4 * ((bw - 1) / 2);
    CBenchReport report(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CCPU::ippiFilterBox_8u_AC4IR(interior, d.step, {kW - bw, kH - bh},
                                                              {bw, bh}, {(bw - 1) / 2, (bh - 1) / 2}));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ippiFilterBox_8u_AC4IR)->Arg(1)->Arg(5)->Arg(20);

// The host's picture load: a 3000 × 2000 photograph supersampled to 720 × 480.
void BM_ippiResize_8u_C4R_Super_3000x2000_to_720x480(benchmark::State& state) {
    SFrame big(3000, 2000), d;
    CBenchReport report(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CCPU::ippiResize_8u_C4R(big.p, big.Size(), big.step, {0, 0, 3000, 2000}, d.p,
                                                         d.step, {720, 480}, 720.0 / 3000, 480.0 / 2000,
                                                         IPPI_INTER_SUPER));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ippiResize_8u_C4R_Super_3000x2000_to_720x480)->Unit(benchmark::kMillisecond);

void BM_ippiMalloc_8u_C4(benchmark::State& state) {
    for (auto _ : state) {
        int step;
        Ipp8u* p = CCPU::ippiMalloc_8u_C4(kW, kH, &step);
        benchmark::DoNotOptimize(p);
        CCPU::ippiFree(p);
    }
}
BENCHMARK(BM_ippiMalloc_8u_C4);

} // namespace

BENCHMARK_MAIN();
