#pragma once

#include "base/CrtRandom.h"

#include <cstdint>

// The module's pseudo-random generator, the linear congruential one of the C
// runtime: state ← state·214013 + 2531011 (mod 2^32), result bits 16 to 30
// (0 … 32767). One state serves the whole module; it is seeded with the time
// when the module is loaded, so Shake's jitter differs from run to run, and
// Scattered reseeds it with a fixed value. The state is atomic: captions of
// different renderings may draw on different threads at once.
namespace titlefx {

inline constexpr int kRandMax = CCrtRandom::kMax;

// The next number, 0 … 32767.
int Rand();
void SeedRand(std::uint32_t seed);

} // namespace titlefx
