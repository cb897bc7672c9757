#pragma once

#include <cstdint>
#include <vector>

// What the mask drawings are made with: an 8-bit grey picture, a small seeded
// generator, smooth value noise and a few distance functions. Everything is
// deterministic, so the masks come out byte for byte the same on every build.
namespace maskart {

inline constexpr double kPi = 3.14159265358979323846;

// A grey picture, rows top-down, one byte a pixel (0 black … 255 white).
struct SGreyImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> levels;

    SGreyImage(int w, int h, std::uint8_t fill = 255)
        : width(w), height(h), levels(std::size_t(w) * std::size_t(h), fill) {}

    [[nodiscard]] std::uint8_t& At(int x, int y) { return levels[std::size_t(y) * width + x]; }
    // Sets a pixel to a level rounded and clamped to 0 … 255.
    void Put(int x, int y, double level);
    // Calls f(x, y) for every pixel and stores what it returns (clamped).
    template <class F>
    void Fill(F f) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                Put(x, y, f(double(x), double(y)));
    }
};

// A small generator of its own (xorshift), so the artwork does not depend on
// the C library's rand().
class CArtRandom {
public:
    explicit CArtRandom(std::uint32_t seed) : m_state(seed ? seed : 1) {}
    std::uint32_t Next();
    // Uniform in [0, 1).
    double Unit() { return (Next() >> 8) * (1.0 / 16777216.0); }
    // Uniform in [lo, hi).
    double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
    // 0 … count − 1 in a shuffled order.
    std::vector<int> Permutation(int count);

private:
    std::uint32_t m_state;
};

// Softens a picture: `passes` box blurs of the given radius across and down
// (three passes come close to a Gaussian); edges repeat their last pixel.
void BoxBlur(SGreyImage& image, int radius, int passes);

// Smooth value noise in [0, 1] with a lattice of spacing 1; seed picks the lattice.
double ValueNoise(double x, double y, std::uint32_t seed);
// Octaves of value noise, each twice as fine and half as strong; in [0, 1].
double FractalNoise(double x, double y, int octaves, std::uint32_t seed);
// A per-pixel hash in [0, 1): fine grain.
double Grain(int x, int y, std::uint32_t seed);

// 0 below edge0, 1 above edge1, a smooth step between (edge0 > edge1 reverses).
double SmoothStep(double edge0, double edge1, double x);
// Distance from (px, py) to the segment (ax, ay)–(bx, by).
double SegmentDistance(double px, double py, double ax, double ay, double bx, double by);
// |frac(u) − 0.5|·2: a zig-zag between 1 at whole numbers and 0 halfway.
double Zigzag(double u);

// Local coordinates of (x, y) in a shape placed at (cx, cy), turned by angle
// (radians) and scaled by scale pixels per unit.
struct SPlacement {
    double cx, cy, angle, scale;
    void ToLocal(double x, double y, double& lx, double& ly) const;
};

} // namespace maskart
