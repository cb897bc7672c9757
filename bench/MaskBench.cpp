// Every shipped mask of maskfx on 720 × 576 frames, one thread, 50 frames per
// transition cycled, at softness 0 (hard edges, copies only) and at the
// largest softness 10 (every pixel past the threshold blends), and its dearest
// frame, where nearly every pixel blends; and setting the
// size of a fresh transition (decoding the mask and stretching it to the
// frame). "fps" is frames (or sizings) per second, "xCopy" the time of one
// against clearing and copying one frame.
#include "bench/BenchReport.h"
#include "bench/NoiseFrameSrc.h"
#include "plugins/maskfx/MaskCatalogue.h"
#include "plugins/maskfx/MaskTransition.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kW = 720, kH = 576, kFrames = 50;

const CMaskCatalogue& Catalogue() {
    static const CMaskCatalogue catalogue("");
    return catalogue;
}

void SetParam(CMaskTransition* t, int param, int value) {
    int count = 0;
    t->GetParams(&count)[param].SetValue(value);
}

// fixedFrame ≥ 0 renders that frame only; otherwise the frames are cycled.
void RunMask(benchmark::State& state, int index, int softness, int fixedFrame = -1) {
    CMaskTransition* t = Catalogue().Create(index);
    SetParam(t, CMaskTransition::kSoftness, softness);
    TimeTransitionFrames(state, t, fixedFrame);
}

void SetSize(benchmark::State& state, int index) {
    CBenchReport report(state);
    for (auto _ : state) {
        CMaskTransition* t = Catalogue().Create(index);
        t->SetSize(kW, kH);
        benchmark::ClobberMemory();
        t->Destroy();
    }
}

std::string NameOf(int index) {
    CMaskTransition* t = Catalogue().Create(index);
    char name[260];
    t->GetName(name, sizeof name);
    t->Destroy();
    return name;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("Baseline: clear and copy a frame", ClearAndCopyFrame)
        ->Unit(benchmark::kMillisecond);
    for (int i = 0; i < Catalogue().Count(); ++i) {
        const std::string name = NameOf(i);
        for (int softness : {0, CMaskTransition::kMaxSoftness})
            benchmark::RegisterBenchmark((name + ", softness " + std::to_string(softness)).c_str(),
                                         [i, softness](benchmark::State& state) { RunMask(state, i, softness); })
                ->Unit(benchmark::kMillisecond);
        // The dearest frame: at softness 10 and threshold 5 nearly every pixel blends.
        benchmark::RegisterBenchmark((name + ", softness 10, frame 1").c_str(),
                                     [i](benchmark::State& state) { RunMask(state, i, 10, 1); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((name + ", SetSize").c_str(),
                                     [i](benchmark::State& state) { SetSize(state, i); })
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
