#pragma once

#include <cstdint>

// The exact 8-bit arithmetic every primitive and effect shares. Written once
// here so that rounding is the same everywhere.

// x·a/255 rounded to the nearest integer (halves up), for x, a in 0..255.
// Exact for every pair: t = x·a + 128, then (t + (t >> 8)) >> 8. Every
// intermediate fits in 16 bits, so the expression vectorises on 16-bit lanes.
constexpr unsigned Mul255(unsigned x, unsigned a) {
    unsigned t = x * a + 128u;
    return (t + (t >> 8)) >> 8;
}

// The nearest integer to v/255 for any v in 0..65535·255 + 127; v is a sum of
// products of two bytes.
constexpr unsigned Div255(unsigned v) {
    unsigned t = v + 128u;
    return (t + (t >> 8)) >> 8;
}

// Limits a value to a byte.
constexpr std::uint8_t ClampByte(int v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// The blend of p and q with weight k (0..256): p + ((q − p)·k >> 8), with an
// arithmetic shift, so that k = 0 gives p exactly. With k up to 255 the result
// never quite reaches q.
constexpr std::uint8_t Blend8(unsigned p, unsigned q, int k) {
    return std::uint8_t(int(p) + ((int(q) - int(p)) * k >> 8));
}

// Blend8 of the three colour bytes of the pixels p and q into out; out's
// fourth byte is left as it is.
inline void Blend8Colour(std::uint8_t* out, const std::uint8_t* p, const std::uint8_t* q, int k) {
    out[0] = Blend8(p[0], q[0], k);
    out[1] = Blend8(p[1], q[1], k);
    out[2] = Blend8(p[2], q[2], k);
}
