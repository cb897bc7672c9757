#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The height field of a wave simulation over a frame: the heights now and a
// step before, and how many steps they have been advanced by. Each step sets
// an inner height from half the sum of its eight neighbours less its height
// a step before, damped as the transition wants.
//
// A simulation takes one step a frame, but never more than kMaxSteps over a
// transition: frame i of n shows the field after StepAt(i, n) steps. A
// transition of up to kMaxSteps + 1 frames takes a step every frame; a longer
// one runs the kMaxSteps steps of a transition of kMaxSteps + 1 frames spread
// over its length, each field held for about (n − 1)/kMaxSteps frames. The
// bound keeps a seek, which replays the steps from the start, within a fixed
// cost whatever the transition's length, well under a second at 1920 x 1440
// (states kept along the way would not help the first seek, such as the one
// frame the command line renders). 120 steps are 4.8 s at 25 frames a second.
class CWaveField {
public:
    static constexpr int kMaxSteps = 120;

    // The last frame's step count for n frames (n ≥ 2): n − 1, at most kMaxSteps.
    [[nodiscard]] static int LastStep(int n) { return n - 1 < kMaxSteps ? n - 1 : kMaxSteps; }
    // The steps taken at frame i of n: i·LastStep(n)/(n − 1) truncated, which
    // is i itself while n − 1 ≤ kMaxSteps. The product is formed in 64 bits.
    [[nodiscard]] static int StepAt(int i, int n) {
        return int(std::int64_t(i) * LastStep(n) / (n - 1));
    }

    // A still field of width x height; false when the memory cannot be had.
    bool Resize(int width, int height);
    // Both fields still and the steps back to 0.
    void Clear();

    [[nodiscard]] std::int32_t* Row(int y) {
        return m_current.data() + std::ptrdiff_t(y) * m_width;
    }
    [[nodiscard]] const std::int32_t* Row(int y) const {
        return m_current.data() + std::ptrdiff_t(y) * m_width;
    }
    [[nodiscard]] int Steps() const { return m_steps; }

    // One step; damp(j) gives the new height from j = (sum >> 2) − before.
    // Rows and columns nearer the edge than 2 (1 at the far side) stay.
    template <class Damp> void Step(Damp damp) {
        const int W = m_width, H = m_height;
        const std::int32_t* h = m_current.data();
        std::int32_t* p = m_previous.data();
        for (int y = 2; y < H - 1; ++y) {
            for (int x = 2; x < W - 1; ++x) {
                const std::ptrdiff_t at = std::ptrdiff_t(y) * W + x;
                const int sum = h[at - W - 1] + h[at - W] + h[at - W + 1] + h[at - 1] + h[at + 1] +
                                h[at + W - 1] + h[at + W] + h[at + W + 1];
                p[at] = damp((sum >> 2) - p[at]);
            }
        }
        m_current.swap(m_previous);
        ++m_steps;
    }

private:
    int m_width = 0, m_height = 0;
    std::vector<std::int32_t> m_current, m_previous;
    int m_steps = 0;
};
