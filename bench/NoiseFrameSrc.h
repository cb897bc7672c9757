#pragma once

#include "bench/BenchReport.h"
#include "effects/api/TransfxSrc.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// A transition's picture for the benchmarks: width x height of noise made
// from a seed, handed over bottom-up as the host does.
class CNoiseFrameSrc : public ItransfxSrc {
public:
    CNoiseFrameSrc(int width, int height, int seed)
        : m_width(width), m_pixels(std::size_t(width) * std::size_t(height) * 4) {
        for (std::size_t i = 0; i < m_pixels.size(); ++i)
            m_pixels[i] = std::uint8_t((i * 2654435761u + std::size_t(seed) * 97) >> 13);
    }
    int GetFrame(std::uint8_t** bits, int* stride) override {
        *bits = m_pixels.data();
        *stride = -m_width * 4;
        return 1;
    }

private:
    int m_width;
    std::vector<std::uint8_t> m_pixels;
};

// Times a transition of a module (transfx or maskfx, each with its own
// transition class) drawing 720 x 576 frames of two noise pictures as the host
// does: clearing the frame before each one. fixedFrame >= 0 draws that frame
// only; otherwise the transition's 50 frames are cycled. Destroys t.
template <class TTransition>
void TimeTransitionFrames(benchmark::State& state, TTransition* t, int fixedFrame) {
    constexpr int kW = 720, kH = 576, kFrames = 50;
    CNoiseFrameSrc a(kW, kH, 1), b(kW, kH, 2);
    std::vector<std::uint8_t> dst(std::size_t(kW) * kH * 4);
    t->SetSize(kW, kH);
    t->SetFrameCount(kFrames);
    t->SetSources(&a, &b);
    t->Prepare();
    int frame = 0;
    CBenchReport report(state);
    for (auto _ : state) {
        std::memset(dst.data(), 0, dst.size());
        benchmark::DoNotOptimize(
            t->Render(fixedFrame >= 0 ? fixedFrame : frame, dst.data(), -kW * 4));
        benchmark::ClobberMemory();
        frame = (frame + 1) % kFrames;
    }
    t->Destroy();
}
