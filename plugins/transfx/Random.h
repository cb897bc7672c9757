#pragma once

#include "base/CrtRandom.h"

#include <cstdint>

// The module's pseudo-random generator, the linear congruential one of the C
// runtime the transitions were designed with: one state per thread, 1 when the
// thread first draws; state ← state·214013 + 2531011 (mod 2^32), result bits 16
// to 30 (0 … 32767). Transitions that reseed it do so at the start of every
// frame; others continue the thread's sequence.
namespace transfx {

inline constexpr int kRandMax = CCrtRandom::kMax;

// The calling thread's state, for loops that draw many numbers: copy it into
// a local, draw with NextRand and store it back.
std::uint32_t& RandState();

inline int NextRand(std::uint32_t& state) { return CCrtRandom::Step(state); }

inline int Rand() { return NextRand(RandState()); }
inline void SeedRand(std::uint32_t seed) { RandState() = seed; }

} // namespace transfx
