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

constexpr int kFrames = 50; // as TimeTransitionFrames draws them

void RunTransition(benchmark::State& state, int index, int fixedFrame) {
    CTransition* t = transfx::CreateTransition(index);
    if (!t) {
        state.SkipWithError("not offered");
        return;
    }
    TimeTransitionFrames(state, t, fixedFrame);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("Baseline: clear and copy a frame", ClearAndCopyFrame)
        ->Unit(benchmark::kMillisecond);
    int blur = -1;
    for (int i = 0; i < transfx::TransitionCount(); ++i) {
        const transfx::STransitionInfo* info = transfx::TransitionInfo(i);
        if (!info || !info->make)
            continue;
        if (std::strcmp(info->name, "Blur Plugin") == 0)
            blur = i;
        benchmark::RegisterBenchmark(info->name, [i](benchmark::State& state) { RunTransition(state, i, -1); })
            ->Unit(benchmark::kMillisecond);
    }
    // Blur at its largest box: the middle-phase frame whose outgoing amount is 20.
    benchmark::RegisterBenchmark("Blur Plugin, largest box", [blur](benchmark::State& state) {
        RunTransition(state, blur, 2 * kFrames / 3 - 1);
    })->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
