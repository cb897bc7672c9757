#pragma once

#include <cstdint>

// k·num/den rounded down, for the many per-pixel scalings of the transitions
// (a destination row or column mapped onto a source one), with a multiply and
// a shift instead of a division per pixel. The factor is ⌈2^32·num/den⌉; the
// error it adds to k·num/den stays below k/2^32, less than the 1/den by which
// a quotient that is not whole stays short of the next integer, as long as
// k·den < 2^32. Frame sides are far below 2^16, so any k and den that are
// sides or positions inside a frame qualify.
class CExactRatio {
public:
    CExactRatio() = default;
    // num ≥ 0, den > 0.
    CExactRatio(std::uint32_t num, std::uint32_t den)
        : m_factor(((std::uint64_t(num) << 32) + den - 1) / den) {}

    // ⌊k·num/den⌋ for 0 ≤ k with k·den < 2^32.
    [[nodiscard]] int operator()(std::uint32_t k) const {
        return int((std::uint64_t(k) * m_factor) >> 32);
    }

private:
    std::uint64_t m_factor = 0;
};
