#pragma once

#include <cstdint>

// The linear congruential generator of the C runtime, which the effects and
// the slides' random seeds are defined with: state ← state·214013 + 2531011
// (mod 2^32), and each step yields bits 16 to 30 of the new state (0 … 32767).
// From state 1 it gives 41, 18467, 6334, 26500, 19169, …
//
// The class holds one state for a caller that draws in sequence; the static
// steps serve callers that keep the state elsewhere (per thread, in an atomic,
// in a counter). Header only, so that the plug-ins use it without linking.
class CCrtRandom {
public:
    // The largest number a step yields.
    static constexpr int kMax = 32767;

    // The state after one step from state.
    [[nodiscard]] static constexpr std::uint32_t NextState(std::uint32_t state) {
        return state * 214013u + 2531011u;
    }
    // The number a step that reached state yields.
    [[nodiscard]] static constexpr int Value(std::uint32_t state) {
        return int((state >> 16) & 0x7FFFu);
    }
    // Advances state by one step and returns the number the step yields.
    static constexpr int Step(std::uint32_t& state) {
        state = NextState(state);
        return Value(state);
    }

    constexpr explicit CCrtRandom(std::uint32_t seed = 1) : m_state(seed) {}

    constexpr int Next() { return Step(m_state); }
    constexpr void Seed(std::uint32_t seed) { m_state = seed; }
    [[nodiscard]] constexpr std::uint32_t GetState() const { return m_state; }

private:
    std::uint32_t m_state;
};
