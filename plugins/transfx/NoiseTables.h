#pragma once

#include <cstdint>

// The three fractal noise tables that Smoke and Water drift over: 256 × 256
// values 0 … 255 each, wrapping in both directions, made by midpoint
// displacement with (a, b) = (4, 6), (4, 8) and (5, 6). They are built once
// per process from the generator's initial state 1, with a generator of their
// own (the thread's sequence is left alone), so every machine and every run
// renders the same smoke and water.
namespace transfx {

struct SNoiseTables {
    std::uint8_t t[3][256][256];
};

// The tables, built on first use (safe from any thread).
const SNoiseTables& NoiseTables();

} // namespace transfx
