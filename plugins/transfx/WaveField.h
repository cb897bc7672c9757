#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The height field of a wave simulation over a frame: the heights now and a
// step before, and how many steps they have been advanced by. Each step sets
// an inner height from half the sum of its eight neighbours less its height
// a step before, damped as the transition wants.
class CWaveField {
public:
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
