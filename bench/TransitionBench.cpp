// Every transition of transfx on 720 × 576 frames, one thread, 50 frames per
// transition, cycling through them; the "fps" counter is frames per second,
// "xCopy" the time of a frame against clearing and copying one frame.
#include "bench/BenchReport.h"
#include "bench/NoiseFrameSrc.h"
#include "plugins/transfx/Catalogue.h"
#include "plugins/transfx/Transition.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kW = 720, kH = 576, kFrames = 50;

void RunTransition(benchmark::State& state, int index, int fixedFrame) {
    CTransition* t = transfx::CreateTransition(index);
    if (!t) {
        state.SkipWithError("not offered");
        return;
    }
    CNoiseFrameSrc a(kW, kH, 1), b(kW, kH, 2);
    std::vector<std::uint8_t> dst(std::size_t(kW) * kH * 4);
    t->SetSize(kW, kH);
    t->SetFrameCount(kFrames);
    t->SetSources(&a, &b);
    t->Prepare();
    int frame = 0;
    CBenchReport report(state);
    for (auto _ : state) {
        std::memset(dst.data(), 0, dst.size()); // the host clears before each frame
        benchmark::DoNotOptimize(t->Render(fixedFrame >= 0 ? fixedFrame : frame, dst.data(), -kW * 4));
        benchmark::ClobberMemory();
        frame = (frame + 1) % kFrames;
    }
    t->Destroy();
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("Baseline: clear and copy a frame", ClearAndCopyFrame)
        ->Unit(benchmark::kMillisecond);
    for (int i = 0; i < transfx::kTransitionCount; ++i) {
        const transfx::STransitionInfo* info = transfx::TransitionInfo(i);
        if (!info || !info->make)
            continue;
        benchmark::RegisterBenchmark(info->name, [i](benchmark::State& state) { RunTransition(state, i, -1); })
            ->Unit(benchmark::kMillisecond);
    }
    // Blur at its largest box: the middle-phase frame whose outgoing amount is 20.
    benchmark::RegisterBenchmark("Blur Plugin, largest box", [](benchmark::State& state) {
        RunTransition(state, 3, 2 * kFrames / 3 - 1);
    })->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
