#include "tools/GreyCanvas.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace maskart {

void SGreyImage::Put(int x, int y, double level) {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return;
    At(x, y) = std::uint8_t(std::lround(std::clamp(level, 0.0, 255.0)));
}

std::uint32_t CArtRandom::Next() {
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    return m_state;
}

std::vector<int> CArtRandom::Permutation(int count) {
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    for (int i = count - 1; i > 0; --i)
        std::swap(order[std::size_t(i)], order[std::size_t(Next() % std::uint32_t(i + 1))]);
    return order;
}

namespace {

// One box blur along a line of count values, step apart, in place.
void BlurLine(std::uint8_t* line, int count, std::ptrdiff_t step, int radius, std::vector<int>& copy) {
    copy.resize(std::size_t(count));
    for (int k = 0; k < count; ++k)
        copy[std::size_t(k)] = line[k * step];
    const int width = 2 * radius + 1;
    int sum = 0;
    for (int k = -radius; k <= radius; ++k)
        sum += copy[std::size_t(std::clamp(k, 0, count - 1))];
    for (int k = 0; k < count; ++k) {
        line[k * step] = std::uint8_t((sum + width / 2) / width);
        sum += copy[std::size_t(std::min(k + radius + 1, count - 1))] -
               copy[std::size_t(std::max(k - radius, 0))];
    }
}

} // namespace

void BoxBlur(SGreyImage& image, int radius, int passes) {
    std::vector<int> copy;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < image.height; ++y)
            BlurLine(&image.At(0, y), image.width, 1, radius, copy);
        for (int x = 0; x < image.width; ++x)
            BlurLine(&image.At(x, 0), image.height, image.width, radius, copy);
    }
}

namespace {

// A lattice point's value in [0, 1).
double Lattice(int ix, int iy, std::uint32_t seed) {
    std::uint32_t h = std::uint32_t(ix) * 0x8da6b343u ^ std::uint32_t(iy) * 0xd8163841u ^
                      seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return (h >> 8) * (1.0 / 16777216.0);
}

double Fade(double t) { return t * t * (3 - 2 * t); }

} // namespace

double ValueNoise(double x, double y, std::uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = int(fx), iy = int(fy);
    const double tx = Fade(x - fx), ty = Fade(y - fy);
    const double top = Lattice(ix, iy, seed) + (Lattice(ix + 1, iy, seed) - Lattice(ix, iy, seed)) * tx;
    const double bottom =
        Lattice(ix, iy + 1, seed) + (Lattice(ix + 1, iy + 1, seed) - Lattice(ix, iy + 1, seed)) * tx;
    return top + (bottom - top) * ty;
}

double FractalNoise(double x, double y, int octaves, std::uint32_t seed) {
    double sum = 0, weight = 1, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * ValueNoise(x, y, seed + std::uint32_t(o) * 101u);
        total += weight;
        x *= 2;
        y *= 2;
        weight *= 0.5;
    }
    return sum / total;
}

double Grain(int x, int y, std::uint32_t seed) { return Lattice(x, y, seed ^ 0x5bd1e995u); }

double SmoothStep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

double Zigzag(double u) { return std::fabs(u - std::floor(u) - 0.5) * 2; }

void SPlacement::ToLocal(double x, double y, double& lx, double& ly) const {
    const double c = std::cos(angle), s = std::sin(angle);
    const double dx = x - cx, dy = y - cy;
    lx = (c * dx + s * dy) / scale;
    ly = (-s * dx + c * dy) / scale;
}

} // namespace maskart
